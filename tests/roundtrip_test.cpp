// The guard every page carries: load, show the page, save without edits, and every record the page
// sends reaches the recorder byte for byte, except the fields the page declares it normalises.
#include "command/recordcommands.h"
#include "dialogfixture.h"

#include <map>
#include <utility>
#include <vector>

namespace {

struct RoundTripCase {
    int page;
    const char *profile;
};

// The smallest and the largest devices, and the edges of the device-type ranges.
const char *const Profiles[] = {
    "type=1&channels=1&first=1&alarmin=0&alarmout=0&disks=0",
    "type=49&channels=4&first=1&alarmin=2&alarmout=1&disks=0",
    "type=81&channels=16&first=33&alarmin=16&alarmout=4&disks=33",
    "type=97&channels=20&first=1&alarmin=20&alarmout=6&disks=1",
};

void PrintTo(const RoundTripCase &c, std::ostream *os) { *os << "page " << c.page << " " << c.profile; }

class PageRoundTrip : public DialogTest, public ::testing::WithParamInterface<RoundTripCase> {};

using RecordKey = std::pair<std::int32_t, std::int32_t>; // get command type, channel argument

TEST_P(PageRoundTrip, SaveWithoutEditsSendsEveryRecordBackByteForByte)
{
    const RoundTripCase c = GetParam();
    open(c.profile);
    const std::int32_t types[] = {getCommandOf<DeviceInfoRecord>,
                                  getCommandOf<NetworkRecord>,
                                  getCommandOf<ChannelPictureRecord>,
                                  getCommandOf<ChannelRecordingRecord>,
                                  getCommandOf<ChannelCompressionRecord>,
                                  getCommandOf<ChannelTextOverlayRecord>,
                                  getCommandOf<DnsNtpRecord>,
                                  getCommandOf<NfsRecord>,
                                  getCommandOf<DdnsRecord>,
                                  getCommandOf<EmailRecord>,
                                  getCommandOf<Rs232Record>,
                                  getCommandOf<DecoderRecord>,
                                  getCommandOf<AlarmInRecord>,
                                  getCommandOf<AlarmOutRecord>,
                                  getCommandOf<ExceptionRecord>,
                                  getCommandOf<DiskRecord>,
                                  getCommandOf<DiskGroupRecord>};
    // What the device holds now; then its copies are spoilt, so only a real set restores them.
    std::map<RecordKey, std::vector<std::uint8_t>> loaded;
    for (std::int32_t type : types) {
        for (std::int32_t channel = 0; channel < 64; ++channel) {
            std::size_t size = 0;
            if (std::uint8_t *bytes = device().locate(type, channel, size)) {
                loaded[{type, channel}].assign(bytes, bytes + size);
                for (std::size_t i = 0; i < size; ++i)
                    bytes[i] ^= 0xA5;
            }
        }
    }
    const std::int32_t scale = device().state().scale;
    device().state().scale = !scale;

    showPage(c.page);
    const auto log = save();
    if (!log.empty()) {
        ASSERT_EQ(notes.messages.value(0), QStringLiteral("保存成功")) << notes.messages.join(' ').toStdString();
    }
    const std::vector<NormalisedBytes> normalised = dialog->page(c.page)->normalisedBytes();
    int records = 0;
    for (const dvrsim::LogEntry &entry : log) {
        if (entry.function == "set_scale_config") {
            EXPECT_EQ(device().state().scale, scale);
            continue;
        }
        ASSERT_EQ(entry.function, "set_dvr_config");
        const RecordKey key{entry.commandType - 1, entry.channel};
        ASSERT_TRUE(loaded.count(key)) << entry.commandType << "/" << entry.channel;
        std::size_t size = 0;
        const std::uint8_t *now = device().locate(key.first, key.second, size);
        const std::vector<std::uint8_t> &before = loaded[key];
        for (std::size_t i = 0; i < size; ++i) {
            bool declared = false;
            for (const NormalisedBytes &n : normalised)
                declared = declared || (n.getType == key.first && i >= n.offset && i < n.offset + n.length);
            if (!declared && now[i] != before[i]) {
                ADD_FAILURE() << "command " << entry.commandType << " channel " << entry.channel << ": byte " << i
                              << " was " << int(before[i]) << ", arrived as " << int(now[i]);
                break;
            }
        }
        ++records;
    }
    RecordProperty("records", records);
}

std::vector<RoundTripCase> allCases()
{
    std::vector<RoundTripCase> cases;
    for (int page = TfrmDvrConfig::ServerCfg; page <= TfrmDvrConfig::DiskCfg; ++page)
        for (const char *profile : Profiles)
            cases.push_back({page, profile});
    return cases;
}

std::string caseName(const ::testing::TestParamInfo<RoundTripCase> &info)
{
    static const char *const names[] = {"Server", "Channel", "Network", "Serial", "Alarm", "Disk"};
    return std::string(names[info.param.page]) + "_" + std::to_string(info.index % std::size(Profiles));
}

INSTANTIATE_TEST_SUITE_P(EveryPage, PageRoundTrip, ::testing::ValuesIn(allCases()), caseName);

} // namespace
