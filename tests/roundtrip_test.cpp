// The guard every page carries: load, show the page, save without edits, and every record the page
// sends reaches the recorder byte for byte, except the fields the page declares it normalises.
#include "dialogfixture.h"

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

TEST_P(PageRoundTrip, SaveWithoutEditsSendsEveryRecordBackByteForByte)
{
    const RoundTripCase c = GetParam();
    open(c.profile);
    const RecordBytes loaded = deviceRecords(true);
    const std::int32_t scale = device().state().scale;
    device().state().scale = !scale;

    showPage(c.page);
    const auto log = save();
    if (!log.empty()) {
        ASSERT_EQ(notes.messages.value(0), QStringLiteral("保存成功")) << notes.messages.join(' ').toStdString();
    }
    for (const dvrsim::LogEntry &entry : log) {
        if (entry.function == "set_scale_config")
            EXPECT_EQ(device().state().scale, scale);
        else
            ASSERT_EQ(entry.function, "set_dvr_config");
    }
    RecordProperty("records", expectSentAsBefore(log, loaded, dialog->page(c.page)->normalisedBytes()));
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
