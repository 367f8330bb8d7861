// Every record through the SDK stand-in and the simulated recorder, and the recorder's faults.
#include "command/commandtypes.h"
#include "command/gbktext.h"
#include "simfixture.h"
#include "simulator/factory.h"
#include "waitfor.h"

#include <cstring>
#include <functional>
#include "command/Parsexml.h"
#include <set>
#include <string>
#include <vector>

namespace {

using dvrsim::Fault;

struct RecordCase {
    const char *name;
    std::int32_t getType;
    std::int32_t channel;
};

// Every record type, with a channel argument the profile below has.
const RecordCase Records[] = {
    {"device info", cmd::DeviceInfo, 0},
    {"network", cmd::Network, 0},
    {"dns/ntp", cmd::DnsNtp, 0},
    {"nfs", cmd::Nfs, 0},
    {"ddns", cmd::Ddns, 0},
    {"email", cmd::Email, 0},
    {"rs232", cmd::Rs232, 0},
    {"exception", cmd::Exception, 0},
    {"disk", cmd::Disk, 0},
    {"disk group", cmd::DiskGroup, 0},
    {"picture ch 3", cmd::ChannelPicture, 3},
    {"recording ch 1", cmd::ChannelRecording, 1},
    {"compression ch 4", cmd::ChannelCompression, 4},
    {"overlay ch 2", cmd::ChannelTextOverlay, 2},
    {"decoder ch 4", cmd::Decoder, 4},
    {"alarm in 2", cmd::AlarmIn, 2},
    {"alarm out 3", cmd::AlarmOut, 3},
};

const char *Profile = "type=82&channels=4&first=1&alarmin=4&alarmout=4&disks=2";

std::vector<std::uint8_t> deviceBytes(dvrsim::Device &d, const RecordCase &c)
{
    std::size_t size = 0;
    std::uint8_t *p = d.locate(c.getType, c.channel, size);
    return p ? std::vector<std::uint8_t>(p, p + size) : std::vector<std::uint8_t>{};
}

TEST(RecordTransfer, EveryRecordIsFetchedByteForByteSinglyAndInABatch)
{
    SimulatedRecorder sim(Profile);
    std::vector<std::vector<std::uint8_t>> batch;
    for (const RecordCase &c : Records) {
        const std::vector<std::uint8_t> expected = deviceBytes(*sim.device, c);
        ASSERT_EQ(expected.size(), get_record_size(c.getType)) << c.name;
        std::vector<std::uint8_t> single(expected.size(), 0);
        ASSERT_TRUE(config_get_record(sim.login, c.getType, c.channel, single.data())) << c.name;
        EXPECT_EQ(single, expected) << c.name;
        batch.emplace_back(expected.size(), 0);
    }
    for (std::size_t i = 0; i < std::size(Records); ++i)
        ASSERT_TRUE(config_queue_get(sim.login, Records[i].getType, Records[i].channel, batch[i].data()));
    ASSERT_TRUE(config_run_get_batch(nullptr, nullptr));
    for (std::size_t i = 0; i < std::size(Records); ++i)
        EXPECT_EQ(batch[i], deviceBytes(*sim.device, Records[i])) << Records[i].name;
}

TEST(RecordTransfer, EveryRecordIsStoredByteForByteBySetBatch)
{
    SimulatedRecorder sim(Profile);
    std::vector<std::vector<std::uint8_t>> edited;
    for (const RecordCase &c : Records) {
        std::vector<std::uint8_t> bytes = deviceBytes(*sim.device, c);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = std::uint8_t(bytes[i] ^ (i * 31 + 7));
        edited.push_back(bytes);
    }
    for (std::size_t i = 0; i < std::size(Records); ++i)
        ASSERT_TRUE(config_queue_set(sim.login, cmd::set(Records[i].getType), Records[i].channel, edited[i].data()));
    ASSERT_TRUE(config_run_set_batch(nullptr, nullptr));
    for (std::size_t i = 0; i < std::size(Records); ++i)
        EXPECT_EQ(deviceBytes(*sim.device, Records[i]), edited[i]) << Records[i].name;
}

TEST(RecordTransfer, PtzListScaleAndRestore)
{
    SimulatedRecorder sim(Profile);
    std::vector<std::uint8_t> ptz(4016, 0);
    ASSERT_TRUE(config_get_ptz(sim.login, ptz.data()));
    EXPECT_EQ(std::memcmp(ptz.data(), &sim.device->state().ptz, 4016), 0);
    EXPECT_EQ(sim.device->state().ptz.protocolCount, 88u);

    std::int32_t flag = 0;
    ASSERT_TRUE(config_get_scale(sim.login, &flag));
    EXPECT_EQ(flag, 1);
    flag = 0;
    ASSERT_TRUE(config_set_scale(sim.login, &flag));
    EXPECT_EQ(sim.device->state().scale, 0);

    sim.device->state().info.deviceNumber = 77;
    ASSERT_TRUE(config_restore(sim.login));
    EXPECT_EQ(sim.device->state().info.deviceNumber, sim.device->factory().info.deviceNumber);
    EXPECT_EQ(sim.device->state().scale, 1);
}

TEST(RecordTransfer, SetWithWrongPayloadSizeIsRefusedAndChangesNothing)
{
    SimulatedRecorder sim(Profile);
    const std::vector<std::uint8_t> before = deviceBytes(*sim.device, Records[0]);
    std::vector<std::uint8_t> big(7752, 0x11);
    for (const std::string &hex : {std::string(20, '1'), std::string(2 * 133, '1'), std::string(2 * 131, '1')}) {
        const std::string request = "<?xml version=\"1.0\"?>\n<command name=\"config\">\n\t<function>set_dvr_config"
                                    "</function>\n    <command_type>101</command_type>\n    <channel>0</channel>\n"
                                    "    <in_buffer>" +
                                    hex + "</in_buffer>\n</command>";
        std::vector<char> answer(64512);
        std::int32_t length = 64512;
        ASSERT_EQ(SdkSendCommand(sim.login, request.c_str(), std::int32_t(request.size() + 1), answer.data(), &length),
                  1);
        EXPECT_FALSE(parse_set_answer(answer.data(), 101)) << hex.size();
    }
    EXPECT_EQ(deviceBytes(*sim.device, Records[0]), before);
    // A set type the device has no record for is refused too.
    ASSERT_TRUE(config_queue_set(sim.login, 133, 0, big.data()));
    EXPECT_FALSE(config_run_set_batch(nullptr, nullptr));
}

TEST(Batch, FirstFailingAnswerStopsTheCheck)
{
    SimulatedRecorder sim(Profile);
    std::vector<std::uint8_t> a(132, 0), b(1956, 0), c(692, 0xCC);
    sim.device->injectFault(Fault::ResultFail, 2);
    config_queue_get(sim.login, cmd::DeviceInfo, 0, a.data());
    config_queue_get(sim.login, cmd::Network, 0, b.data());
    config_queue_get(sim.login, cmd::DnsNtp, 0, c.data());
    EXPECT_FALSE(config_run_get_batch(nullptr, nullptr));
    EXPECT_EQ(std::memcmp(a.data(), &sim.device->state().info, 132), 0) << "the first record is decoded";
    EXPECT_EQ(b, std::vector<std::uint8_t>(1956, 0)) << "the failing one is untouched";
    EXPECT_EQ(c, std::vector<std::uint8_t>(692, 0xCC)) << "later ones are untouched";
    EXPECT_EQ(config_queue().count, 0);
}

TEST(Batch, SdkFailureChangesNothing)
{
    SimulatedRecorder sim(Profile);
    std::vector<std::uint8_t> a(132, 0x5A), b(1956, 0x5A);
    sim.device->injectFault(Fault::SdkFailure, 2);
    config_queue_get(sim.login, cmd::DeviceInfo, 0, a.data());
    config_queue_get(sim.login, cmd::Network, 0, b.data());
    EXPECT_FALSE(config_run_get_batch(nullptr, nullptr));
    EXPECT_EQ(a, std::vector<std::uint8_t>(132, 0x5A));
    EXPECT_EQ(b, std::vector<std::uint8_t>(1956, 0x5A));
    EXPECT_EQ(config_queue().count, 0);
}

void SDK_CALL recordProgress(std::int32_t value, void *context)
{
    static_cast<std::vector<int> *>(context)->push_back(value);
}

TEST(Batch, ProgressRunsFrom0To100OnTheCallersThread)
{
    SimulatedRecorder sim(Profile);
    std::vector<std::uint8_t> records[4] = {std::vector<std::uint8_t>(7752), std::vector<std::uint8_t>(7752),
                                            std::vector<std::uint8_t>(7752), std::vector<std::uint8_t>(7752)};
    for (int k = 0; k < 4; ++k)
        config_queue_get(sim.login, cmd::ChannelPicture, k + 1, records[k].data());
    std::vector<int> seen;
    ASSERT_TRUE(config_run_get_batch(recordProgress, &seen));
    EXPECT_EQ(seen, (std::vector<int>{0, 25, 50, 75, 100}));
}

// Every fault makes the operation fail and leaves the destination as it was.
TEST(Faults, EveryFaultFailsWithoutTouchingTheDestination)
{
    const Fault faults[] = {Fault::SdkFailure,   Fault::ResultFail,     Fault::WrongCommandType,
                            Fault::MalformedXml, Fault::MissingPayload, Fault::NoTerminator};
    using Operation = std::function<bool(std::int32_t login, std::vector<std::uint8_t> & dest)>;
    const std::pair<const char *, Operation> operations[] = {
        {"single get", [](std::int32_t l, auto &d) { return config_get_record(l, cmd::Network, 0, d.data()); }},
        {"batch get",
         [](std::int32_t l, auto &d) {
             config_queue_get(l, cmd::Network, 0, d.data());
             return config_run_get_batch(nullptr, nullptr);
         }},
        {"ptz", [](std::int32_t l, auto &d) { return config_get_ptz(l, d.data()); }},
        {"scale",
         [](std::int32_t l, auto &d) { return config_get_scale(l, reinterpret_cast<std::int32_t *>(d.data())); }},
    };
    for (Fault fault : faults) {
        for (const auto &[name, run] : operations) {
            if (fault == Fault::WrongCommandType && std::string(name) == "ptz")
                continue; // the PTZ and scale answers carry no command type
            if (fault == Fault::WrongCommandType && std::string(name) == "scale")
                continue;
            SimulatedRecorder sim(Profile);
            std::vector<std::uint8_t> dest(4016, 0x5A);
            sim.device->injectFault(fault);
            EXPECT_FALSE(run(sim.login, dest)) << name << " fault " << int(fault);
            EXPECT_EQ(dest, std::vector<std::uint8_t>(4016, 0x5A)) << name << " fault " << int(fault);
        }
    }
}

// Answers whose payload is not the record asked for are refused and change nothing.
TEST(Faults, PayloadsThatAreNotTheRecordAreRefused)
{
    SimulatedRecorder sim(Profile);
    for (Fault fault : {Fault::OversizedPayload, Fault::StrayCharacter, Fault::WrappedPayload}) {
        std::vector<std::uint8_t> dest(1956 + 64, 0x5A);
        sim.device->injectFault(fault);
        EXPECT_FALSE(config_get_record(sim.login, cmd::Network, 0, dest.data())) << int(fault);
        EXPECT_EQ(dest, std::vector<std::uint8_t>(dest.size(), 0x5A)) << int(fault);
    }
    std::vector<std::uint8_t> ptz(4016 + 64, 0x5A);
    sim.device->injectFault(Fault::OversizedPayload);
    EXPECT_FALSE(config_get_ptz(sim.login, ptz.data()));
    EXPECT_EQ(ptz, std::vector<std::uint8_t>(ptz.size(), 0x5A));
}

TEST(Faults, RebootTakesTheDeviceOfflineForItsTime)
{
    SimulatedRecorder sim(std::string(Profile) + "&reboot_ms=150");
    std::vector<std::uint8_t> record(132);
    ASSERT_EQ(SdkRebootDevice(sim.login), 1);
    EXPECT_FALSE(config_get_record(sim.login, cmd::DeviceInfo, 0, record.data()));
    EXPECT_EQ(SdkRebootDevice(sim.login), 0) << "an offline device accepts no reboot";
    EXPECT_TRUE(waitFor([&] { return sim.device->online(); })) << "still offline long after its reboot time";
    EXPECT_TRUE(config_get_record(sim.login, cmd::DeviceInfo, 0, record.data()));
}

TEST(Simulator, CommandLogAndUnknownRequests)
{
    SimulatedRecorder sim(Profile);
    std::vector<std::uint8_t> record(7752);
    EXPECT_FALSE(config_get_record(sim.login, cmd::ChannelPicture, 9, record.data())) << "no channel 9";
    EXPECT_FALSE(config_get_record(sim.login, 4242, 0, record.data()));
    std::int32_t flag;
    config_get_scale(sim.login, &flag);
    const std::vector<dvrsim::LogEntry> expected = {
        {"get_dvr_config", 1002, 9}, {"get_dvr_config", 4242, 0}, {"get_scale_config", 0, 0}};
    EXPECT_EQ(sim.device->log(), expected);
    EXPECT_EQ(SdkLogin("sim://channels=x", "", ""), -1);
    EXPECT_EQ(SdkLogin("tcp://nowhere", "", ""), -1);
}

TEST(Simulator, FactoryRecordsAreBelievable)
{
    SimulatedRecorder sim("type=35&channels=2&alarmin=1&alarmout=1&disks=0");
    const dvrsim::DeviceState &s = sim.device->state();
    EXPECT_EQ(s.info.deviceType, 35);
    EXPECT_EQ(s.info.channelCount, 2);
    EXPECT_EQ(s.picture.size(), 2u);
    EXPECT_NE(s.info.deviceName[0], 0);
    std::size_t size;
    EXPECT_EQ(sim.device->locate(cmd::DnsNtp, 0, size), nullptr) << "high-definition devices have no DNS/NTP record";
    EXPECT_EQ(sim.device->locate(cmd::Disk, 0, size), nullptr);
    // Text fields are padded with NUL after their text, as a device writes them.
    const char *name = s.info.deviceName;
    const std::size_t len = strnlen(name, 32);
    for (std::size_t i = len; i < 32; ++i)
        EXPECT_EQ(name[i], 0);
    // The same profile gives the same bytes; reserved bytes are not left zero.
    SimulatedRecorder again("type=35&channels=2&alarmin=1&alarmout=1&disks=0");
    EXPECT_EQ(std::memcmp(&again.device->state().network, &s.network, sizeof s.network), 0);
    int nonzero = 0;
    for (std::uint8_t b : s.network.reserved306)
        nonzero += b != 0;
    EXPECT_GT(nonzero, 400);
}

dvrsim::DeviceState stateOf(const std::string &query)
{
    dvrsim::Profile profile;
    int rebootMs = 0;
    EXPECT_TRUE(dvrsim::parseProfile(query, profile, rebootMs)) << query;
    return dvrsim::makeFactoryState(profile);
}

template <std::size_t N> std::string ascii(const char (&field)[N]) { return std::string(field, strnlen(field, N)); }
template <std::size_t N> std::string utf8(const char (&field)[N]) { return gbk::toUtf8(gbk::readField(field)); }

TEST(SimulatorIdentity, IndexZeroIsTheStockRecorderAndOthersDeriveTheirOwn)
{
    const struct {
        const char *query;
        const char *serial;
        const char *name;
        std::uint32_t number;
        const char *ip;
        std::uint8_t macLast;
        const char *mask; // holds the gateway 192.168.1.1
    } cases[] = {
        {"", "NVR0816C2011052101234567", "网络硬盘录像机", 1, "192.168.1.64", 0x3C, "255.255.255.0"},
        {"type=35&id=0", "NVR0816C2011052101234567", "高清网络摄像机", 1, "192.168.1.64", 0x3C, "255.255.255.0"},
        {"id=3", "NVR0816C2011052101234570", "网络硬盘录像机03", 4, "192.168.1.67", 0x3F, "255.255.255.0"},
        {"type=35&id=3", "NVR0816C2011052101234570", "高清网络摄像机03", 4, "192.168.1.67", 0x3F, "255.255.255.0"},
        {"id=190", "NVR0816C2011052101234757", "网络硬盘录像机190", 191, "192.168.1.254", 0xFA, "255.255.255.0"},
        {"id=191", "NVR0816C2011052101234758", "网络硬盘录像机191", 192, "192.168.2.1", 0xFB, "255.255.0.0"},
        {"id=255", "NVR0816C2011052101234822", "网络硬盘录像机255", 256, "192.168.2.65", 0x3B, "255.255.0.0"},
        {"id=3&serial=SN-0042 B&name=大门录像机&ip=10.0.0.9", "SN-0042 B", "大门录像机", 4, "10.0.0.9", 0x3F,
         "255.255.255.0"},
        {"serial=X1&ip=172.16.0.1", "X1", "网络硬盘录像机", 1, "172.16.0.1", 0x3C, "255.255.255.0"},
    };
    for (const auto &c : cases) {
        const dvrsim::DeviceState s = stateOf(c.query);
        EXPECT_EQ(ascii(s.info.serialNumber), c.serial) << c.query;
        EXPECT_EQ(utf8(s.info.deviceName), c.name) << c.query;
        EXPECT_EQ(s.info.deviceNumber, c.number) << c.query;
        EXPECT_EQ(ascii(s.network.deviceIp), c.ip) << c.query;
        EXPECT_EQ(ascii(s.network.ipMask), c.mask) << c.query;
        const std::uint8_t mac[6] = {0x02, 0x00, 0x00, 0x1A, 0x2B, c.macLast}; // locally administered
        EXPECT_EQ(std::memcmp(s.network.macAddress, mac, sizeof mac), 0) << c.query;
    }
}

// Everything but the identity fields is the stock recorder's, byte for byte.
TEST(SimulatorIdentity, OnlyTheIdentityFieldsDiffer)
{
    const std::string base = "type=82&channels=4&first=1&alarmin=4&alarmout=4&disks=2";
    const auto others = [](const dvrsim::DeviceState &s) {
        std::string bytes;
        const auto add = [&](const auto &record) {
            bytes.append(reinterpret_cast<const char *>(&record), sizeof record);
        };
        add(s.dnsNtp), add(s.nfs), add(s.ddns), add(s.email), add(s.rs232), add(s.ptz), add(s.disk);
        add(s.diskGroup), add(s.exception), add(s.scale);
        const auto addAll = [&](const auto &records) {
            for (const auto &r : records)
                add(r);
        };
        addAll(s.picture), addAll(s.recording), addAll(s.compression), addAll(s.textOverlay), addAll(s.decoder);
        addAll(s.alarmIn), addAll(s.alarmOut);
        return bytes;
    };
    const dvrsim::DeviceState stock = stateOf(base);
    for (const char *extra : {"&id=3", "&id=254", "&serial=OTHER&name=别的&ip=10.1.2.3"}) {
        const dvrsim::DeviceState s = stateOf(base + extra);
        EXPECT_EQ(others(s), others(stock)) << extra;

        DeviceInfoRecord info = s.info;
        EXPECT_NE(std::memcmp(&info, &stock.info, sizeof info), 0) << extra;
        std::memcpy(info.deviceName, stock.info.deviceName, sizeof info.deviceName);
        std::memcpy(info.serialNumber, stock.info.serialNumber, sizeof info.serialNumber);
        info.deviceNumber = stock.info.deviceNumber;
        EXPECT_EQ(std::memcmp(&info, &stock.info, sizeof info), 0) << extra;

        NetworkRecord network = s.network;
        EXPECT_NE(std::memcmp(&network, &stock.network, sizeof network), 0) << extra;
        std::memcpy(network.deviceIp, stock.network.deviceIp, sizeof network.deviceIp);
        std::memcpy(network.macAddress, stock.network.macAddress, sizeof network.macAddress);
        std::memcpy(network.ipMask, stock.network.ipMask, sizeof network.ipMask);
        EXPECT_EQ(std::memcmp(&network, &stock.network, sizeof network), 0) << extra;
    }
}

TEST(SimulatorIdentity, EveryIndexIsUnique)
{
    std::set<std::string> serials, names, ips, macs;
    std::set<std::uint32_t> numbers;
    for (int i = 0; i <= 255; ++i) {
        const dvrsim::DeviceState s = stateOf("channels=0&alarmin=0&alarmout=0&disks=0&id=" + std::to_string(i));
        serials.insert(ascii(s.info.serialNumber));
        names.insert(utf8(s.info.deviceName));
        numbers.insert(s.info.deviceNumber);
        ips.insert(ascii(s.network.deviceIp));
        macs.insert(std::string(reinterpret_cast<const char *>(s.network.macAddress), 6));
    }
    for (std::size_t count : {serials.size(), names.size(), numbers.size(), ips.size(), macs.size()})
        EXPECT_EQ(count, 256u);
}

std::string repeated(const std::string &text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(SimulatorIdentity, BadIdentityValuesAreRefused)
{
    const std::string bad[] = {
        "id=256",
        "id=-1",
        "id=",
        "id=x",
        "identity=1",
        "serial=",
        "serial=" + std::string(49, 'A'),
        "serial=序列号",
        "serial=A\tB",
        "name=",
        "name=" + repeated("门", 17), // 34 bytes in GBK
        "name=\xff\xfe",
        "name=\xe9\x97",
        "name=한국",
        "name=😀",
        "ip=",
        "ip=192.168.1",
        "ip=192.168.1.256",
        "ip=1.2.3.4.5",
        "ip=01.2.3.4",
        "ip=1..2.3",
        "ip=1.2.3.",
        "ip=a.b.c.d",
    };
    for (const std::string &query : bad) {
        dvrsim::Profile profile;
        int rebootMs = 0;
        EXPECT_FALSE(dvrsim::parseProfile(query, profile, rebootMs)) << query;
    }
    const std::string good[] = {"id=255", "serial=" + std::string(48, 'A'), "name=" + repeated("门", 16),
                                "ip=255.255.255.255", "ip=0.0.0.0"};
    for (const std::string &query : good) {
        dvrsim::Profile profile;
        int rebootMs = 0;
        EXPECT_TRUE(dvrsim::parseProfile(query, profile, rebootMs)) << query;
    }
}

} // namespace
