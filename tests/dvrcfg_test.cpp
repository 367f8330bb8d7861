// dvrcfg: the field tables, and backup, show, diff, restore and apply against simulated recorders.
#include "channel/frmsetrecplan.h"
#include "alarm/frmsetemail.h"
#include "command/commandtypes.h"
#include "device/diskpage.h"
#include "command/gbktext.h"
#include "dialogfixture.h"
#include "fields/fieldtables.h"
#include "model/catalogue.h"
#include "model/fullload.h"
#include "simfixture.h"
#include "simserver.h"
#include "dvrcfgfixture.h"
#include "tools/dvrcfg.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Every table, record or nested structure, names every byte once: named fields plus carried
// ranges add up to the struct's size with no gap and no overlap.
TEST(FieldTables, EveryTableCoversItsStructExactly)
{
    const auto tables = fields::allTables();
    EXPECT_GE(tables.size(), 18u + 15u);
    for (const fields::Table *table : tables) {
        const auto problems = fields::coverageProblems(*table);
        EXPECT_TRUE(problems.empty()) << table->name << ": " << problems.front();
    }
}

TEST(FieldTables, CoverageCheckFindsAGapAnOverlapAndAWrongSize)
{
    const fields::Table &good = fields::tableOf<AlarmOutRecord>();
    fields::Table gap = good;
    gap.fields.erase(gap.fields.begin()); // reserved0 forgotten
    EXPECT_FALSE(fields::coverageProblems(gap).empty());
    fields::Table overlap = good;
    overlap.fields[1].offset -= 1;
    EXPECT_FALSE(fields::coverageProblems(overlap).empty());
    fields::Table longer = good;
    longer.size += 1;
    EXPECT_FALSE(fields::coverageProblems(longer).empty());
}

const fields::Field &fieldOf(const fields::Table &t, const char *name)
{
    for (const auto &f : t.fields)
        if (std::strcmp(f.name, name) == 0)
            return f;
    ADD_FAILURE() << t.name << "." << name;
    static const fields::Field none;
    return none;
}

// Every list text of the tables is the text the page or editor shows for that stored value, in
// the same order, with nothing beyond the list.
class ListTexts : public DialogTest {};

TEST_F(ListTexts, AreTheItemsThePagesAndEditorsShow)
{
    open("type=82&channels=4&alarmin=2&alarmout=1&disks=2");
    ChannelRecordingRecord recording{};
    EmailRecord email{};
    TfrmSetRecPlan recPlan(nullptr, &recording);
    TfrmSetEmail mail(nullptr, &email);
    struct Case {
        const fields::Table &table;
        const char *field;
        const QObject *owner;
        const char *box;
        int first;      // stored value of the first item
        int custom = 0; // trailing items that stand for no single stored value
    };
    const QObject *d = dialog.get();
    const Case cases[] = {
        {fields::tableOf<DeviceInfoRecord>(), "recycleRecord", d, "cbbRecycleRec", 0},
        {fields::tableOf<DeviceInfoRecord>(), "deviceType", d, "cbbServerType", 1},
        {fields::tableOf<NetworkRecord>(), "nicType", d, "cbbInterFace", 1},
        {fields::tableOf<NetworkRecord>(), "pppoeEnable", d, "cbbPPPoE", 0},
        {fields::tableOf<DnsNtpRecord>(), "ntpEnable", d, "cbbUseNTP", 0},
        {fields::tableOf<DdnsRecord>(), "ddnsEnable", d, "cbbUseDDNS", 0},
        {fields::tableOf<DdnsRecord>(), "ddnsServerType", d, "cbbDDNSServerType", 0},
        {fields::tableOf<Rs232Record>(), "baudRateIndex", d, "cbbBaudRate", 0},
        {fields::tableOf<Rs232Record>(), "dataBitsIndex", d, "cbbDataBit", 0},
        {fields::tableOf<Rs232Record>(), "stopBitsIndex", d, "cbbStopBit", 0},
        {fields::tableOf<Rs232Record>(), "parityIndex", d, "cbbParity", 0},
        {fields::tableOf<Rs232Record>(), "flowControlIndex", d, "cbbFlowCtrl", 0},
        {fields::tableOf<Rs232Record>(), "workMode", d, "cbbWorkMode", 0},
        {fields::tableOf<Rs232Record>(), "pppMode", d, "cbbPPPMode", 0},
        {fields::tableOf<Rs232Record>(), "callbackMode", d, "cbbRedialMode", 0},
        {fields::tableOf<DecoderRecord>(), "baudRateIndex", d, "cbb485BaudRate", 0},
        {fields::tableOf<DecoderRecord>(), "dataBitsIndex", d, "cbb485DataBit", 0},
        {fields::tableOf<DecoderRecord>(), "stopBitsIndex", d, "cbb485StopBit", 0},
        {fields::tableOf<DecoderRecord>(), "parityIndex", d, "cbb485Parity", 0},
        {fields::tableOf<DecoderRecord>(), "flowControlIndex", d, "cbb485FlowCtrl", 0},
        {fields::tableOf<ChannelPictureRecord>(), "osdType", d, "cbbOSDType", 0},
        {fields::tableOf<ChannelPictureRecord>(), "osdAttribute", d, "cbbOSDAttr", 1},
        {fields::tableOf<ChannelRecordingRecord>(), "recordDelay", d, "cbbRecDelay", 0},
        {fields::tableOf<ChannelRecordingRecord>(), "preRecordTime", d, "cbbPreRec", 0},
        {fields::tableOf<StreamSettings>(), "streamKind", d, "cbbStream", 0},
        {fields::tableOf<StreamSettings>(), "resolution", d, "cbbRevolution", 0},
        {fields::tableOf<StreamSettings>(), "bitRateType", d, "cbbBitRateType", 0},
        {fields::tableOf<StreamSettings>(), "videoQuality", d, "cbbVideoQuality", 0},
        {fields::tableOf<StreamSettings>(), "frameRate", d, "cbbFrameRate", 0},
        {fields::tableOf<StreamSettings>(), "maxBitRate", d, "cbbMaxBitRate", 2, 1},
        {fields::tableOf<AlarmInRecord>(), "sensorType", d, "cbbAlarmInType", 0},
        {fields::tableOf<AlarmOutRecord>(), "outputDelay", d, "cbbAlarmOutDelay", 0},
        {fields::tableOf<RecordingDayHeader>(), "allDay", &recPlan, "cbbRecMode", 0},
        {fields::tableOf<RecordingDayHeader>(), "allDayType", &recPlan, "cbbRecType1", 0},
        {fields::tableOf<RecordingSegment>(), "recordType", &recPlan, "cbbRecType4", 0},
        {fields::tableOf<EmailRecord>(), "serverType", &mail, "cbbEMailServer", 0},
        {fields::tableOf<EmailRecord>(), "serverAuth", &mail, "cbbServer", 0},
        {fields::tableOf<EmailRecord>(), "sendInterval", &mail, "cbbInterSend", 0},
    };
    for (const Case &c : cases) {
        const auto *box = c.owner->findChild<QComboBox *>(QString::fromLatin1(c.box));
        const fields::Field &f = fieldOf(c.table, c.field);
        ASSERT_TRUE(box && f.items) << c.box;
        const int items = box->count() - c.custom;
        ASSERT_GT(items, 0) << c.box;
        for (int i = 0; i < items; ++i)
            EXPECT_EQ(QString::fromStdString(f.items(c.first + i)), box->itemText(i)) << c.box << " " << i;
        EXPECT_EQ(f.items(c.first + items + c.custom), "") << c.box;
        EXPECT_EQ(f.items(c.first - 1), "") << c.box;
    }
    // Disk list columns: a word for every value.
    for (std::uint32_t v = 0; v < 8; ++v) {
        EXPECT_EQ(QString::fromStdString(fieldOf(fields::tableOf<DiskEntry>(), "diskStatus").items(v)),
                  DiskPage::diskStatusText(v));
        EXPECT_EQ(QString::fromStdString(fieldOf(fields::tableOf<DiskEntry>(), "diskAttribute").items(v)),
                  DiskPage::diskAttributeText(v));
    }
    // A custom ceiling, and the frame type (0 BBP, anything else single P).
    EXPECT_EQ(fieldOf(fields::tableOf<StreamSettings>(), "maxBitRate").items(0x802EE000), "自定义 3000Kbps");
    EXPECT_EQ(fieldOf(fields::tableOf<StreamSettings>(), "frameType").items(2), "单P");
    EXPECT_EQ(fieldOf(fields::tableOf<DnsNtpRecord>(), "utcOffsetHours").kind, fields::Kind::Signed);
    const std::uint8_t minusTwelve = 0xF4;
    EXPECT_EQ(fields::readInteger(&minusTwelve, 1, true), -12);
    const fields::Field &receivers = fieldOf(fields::tableOf<EmailRecord>(), "receiverName");
    EXPECT_EQ(receivers.kind, fields::Kind::Text);
    EXPECT_EQ(receivers.count, 2u);
    EXPECT_EQ(receivers.elementSize(), 32u);
}

const char *const Profile = "type=82&channels=4&alarmin=2&alarmout=1&disks=2";

bool sentAnySet(const std::vector<dvrsim::LogEntry> &log)
{
    return std::any_of(log.begin(), log.end(),
                       [](const dvrsim::LogEntry &e) { return e.function.rfind("set_", 0) == 0; });
}

// The dialog and dvrcfg walk one catalogue: at the edges of every device-type range, dvrcfg's
// backup fetches exactly what the dialog's full load fetches, and its restore sends exactly what
// the six pages' saves send (the network record once), in the same order.
class DialogAndToolAgree : public DialogTest {};

TEST_F(DialogAndToolAgree, OnEveryCommandOfEveryRecordKind)
{
    const auto sets = [](const std::vector<dvrsim::LogEntry> &log) {
        std::vector<dvrsim::LogEntry> out;
        std::copy_if(log.begin(), log.end(), std::back_inserter(out),
                     [](const dvrsim::LogEntry &e) { return e.function.rfind("set_", 0) == 0; });
        return out;
    };
    for (int type : {1, 29, 30, 49, 50, 80, 81, 97, 98}) {
        const std::string profile = "type=" + std::to_string(type) + "&channels=3&first=5&alarmin=2&alarmout=2&disks=2";
        open(profile, false);
        dialog->tmrProgressTimer();
        ASSERT_TRUE(dialog->loaded()) << type;
        const std::vector<dvrsim::LogEntry> dialogLoad = device().log();
        std::vector<dvrsim::LogEntry> dialogSaves;
        for (int page = TfrmDvrConfig::ServerCfg; page <= TfrmDvrConfig::DiskCfg; ++page) {
            showPage(page);
            for (const dvrsim::LogEntry &e : sets(save()))
                if (page != TfrmDvrConfig::NetConfig || e.commandType != cmd::set(cmd::Network))
                    dialogSaves.push_back(e);
        }
        // Every record kind the device holds and the dialog fetches is in the load.
        for (const model::RecordKind &kind : model::catalogue()) {
            const bool fetched = kind.fetched && model::travelsOn(kind.held, std::uint8_t(type));
            const bool inLoad = std::any_of(dialogLoad.begin(), dialogLoad.end(),
                                            [&](const dvrsim::LogEntry &e) { return e.commandType == kind.getType; });
            if (kind.getType != 0) {
                EXPECT_EQ(inLoad, fetched) << type << " " << kind.name;
            }
        }

        SimulatedRecorder tool(profile);
        dvrcfg::Snapshot backup;
        std::string error;
        ASSERT_TRUE(dvrcfg::loadLogin(tool.login, backup, error)) << error;
        EXPECT_EQ(tool.device->log(), dialogLoad) << type;
        tool.device->clearLog();
        // Restore sends what differs in the order the pages' saves send everything; onto the
        // recorder it came from, nothing.
        const dvrcfg::RestoreReport report = dvrcfg::restore(backup, tool.login, {});
        EXPECT_TRUE(report.ok) << type << ": " << report.lines.back();
        EXPECT_TRUE(sets(tool.device->log()).empty()) << type;
        std::vector<dvrsim::LogEntry> order;
        for (const dvrcfg::RecordImage *r : dvrcfg::pageOrder(backup, {}))
            order.push_back(r->kind->getType == 0
                                ? dvrsim::LogEntry{"set_scale_config", 0, 0}
                                : dvrsim::LogEntry{"set_dvr_config", r->kind->getType + 1, r->channel});
        // The scale setting, a single command of the first page, goes ahead of that page's batch.
        std::stable_partition(order.begin(), order.end(),
                              [](const dvrsim::LogEntry &e) { return e.function == "set_scale_config"; });
        EXPECT_EQ(order, dialogSaves) << type;
    }
}

// Counts the SDK's batch calls while it lives: each is one round trip to a networked recorder.
class BatchCounter {
public:
    BatchCounter() : saved_(sdk_api())
    {
        SdkApi api = saved_;
        api.sendCommandBatch = [](std::int32_t login, const char *const *requests, const std::int32_t *lengths,
                                  std::int32_t count, char *const *answers, std::int32_t *const *answerLengths,
                                  SdkProgressCallback progress, void *context) {
            ++calls;
            return SdkSendCommandBatch(login, requests, lengths, count, answers, answerLengths, progress, context);
        };
        calls = 0;
        sdk_install(api);
    }
    ~BatchCounter() { sdk_install(saved_); }
    static inline std::atomic<int> calls{0};

private:
    const SdkApi saved_;
};

// dvrcfg's load gives what the dialog's full load gives, byte for byte, at the edges of the
// device-type ranges: in one batch with the right guess, in two with none or one of another
// shape (type, counts, first channel) that missed records, in one with a guess that asked for more.
TEST(Load, FewerRoundTripsTheDialogsBytes)
{
    struct Case {
        const char *profile, *wrong;
        int wrongBatches;
    };
    const Case cases[] = {
        {"type=29&channels=4&alarmin=2&alarmout=1", "type=30&channels=4&alarmin=2&alarmout=1", 2}, // DNS/NTP missed
        {"type=30&channels=4&alarmin=2&alarmout=1", "type=29&channels=4&alarmin=2&alarmout=1", 1},
        {"type=49&channels=2&alarmin=1&alarmout=1", "type=50&channels=8&alarmin=2&alarmout=2", 1},
        {"type=50&channels=8&alarmin=2&alarmout=2", "type=49&channels=8&alarmin=2&alarmout=2", 2},
        {"type=80&channels=4&alarmin=2&alarmout=1&disks=0", "type=81&channels=4&alarmin=2&alarmout=1&disks=2", 1},
        {"type=81&channels=4&alarmin=2&alarmout=1&disks=2", "type=80&channels=4&alarmin=2&alarmout=1&disks=0", 2},
        {"type=97&channels=8&first=2&alarmin=4&alarmout=2&disks=4", "type=97&channels=8&alarmin=4&alarmout=2", 2},
        {"type=98&channels=4&first=33&alarmin=2&alarmout=1", "type=97&channels=16&alarmin=16&alarmout=4", 2},
    };
    for (const Case &c : cases) {
        SimulatedRecorder dialog(c.profile), wrong(c.wrong);
        auto r = dvrcfg::zeroed();
        ASSERT_EQ(model::fullLoad(*r, dialog.login, nullptr, nullptr), model::LoadStop::None) << c.profile;
        const dvrcfg::Snapshot expected = dvrcfg::snapshotOf(*r);
        const DeviceInfoRecord right = r->deviceInfo, other = wrong.device->state().info;
        for (const auto &[guess, batches] : {std::pair{&right, 1}, {&other, c.wrongBatches}, {nullptr, 2}}) {
            SimulatedRecorder tool(c.profile);
            const BatchCounter counter;
            dvrcfg::Snapshot s;
            std::string error;
            ASSERT_TRUE(dvrcfg::loadLogin(tool.login, s, error, guess)) << c.profile << ": " << error;
            EXPECT_EQ(BatchCounter::calls, batches) << c.profile << (guess == &other ? " guessed " : " ") << c.wrong;
            ASSERT_EQ(s.records.size(), expected.records.size()) << c.profile;
            for (std::size_t i = 0; i < s.records.size(); ++i) {
                EXPECT_EQ(s.records[i].kind, expected.records[i].kind) << c.profile << " " << i;
                EXPECT_EQ(s.records[i].bytes, expected.records[i].bytes) << c.profile << " " << s.records[i].label();
            }
        }
    }
}

// A failed load names its step, as the dialog's does; a record sent short is not the device's
// whole record, so the load fails naming it, and no backup or apply is built on made-up bytes.
TEST(Load, AFailedStepOrARecordSentShortIsNamed)
{
    struct Case {
        dvrsim::Fault fault;
        int nth; // the load's commands: device, scale, PTZ, network, channel 1's picture, ...
        const char *error;
    };
    const Case cases[] = {
        {dvrsim::Fault::ResultFail, 1, "the device information could not be read"},
        {dvrsim::Fault::ResultFail, 2, "the scale setting could not be read"},
        {dvrsim::Fault::MalformedXml, 3, "the PTZ protocol list could not be read"},
        {dvrsim::Fault::SdkFailure, 6, "the settings batch failed"},
        {dvrsim::Fault::ShortPayload, 1, "the recorder sent the device record short"},
        {dvrsim::Fault::ShortPayload, 3, "the recorder sent the ptz protocols record short"},
        {dvrsim::Fault::ShortPayload, 5, "the recorder sent the channel 1 · picture record short"},
        {dvrsim::Fault::EmptyPayload, 32, "the recorder sent the disk group record short"},
    };
    for (const Case &c : cases) {
        for (const bool guessed : {false, true}) {
            SimulatedRecorder sim(Profile);
            const DeviceInfoRecord info = sim.device->state().info;
            sim.device->injectFault(c.fault, c.nth);
            dvrcfg::Snapshot s;
            std::string error;
            EXPECT_FALSE(dvrcfg::loadLogin(sim.login, s, error, guessed ? &info : nullptr)) << c.error;
            EXPECT_EQ(error, c.error) << guessed;
        }
    }
}

TEST(Backup, RestoreOntoAResetRecorderGivesEveryRecordBackByteForByte)
{
    SimulatedRecorder sim(Profile);
    dvrsim::Device &device = *sim.device;
    auto &network = recordOf<NetworkRecord>(device, cmd::Network, 0);
    gbk::writeField(network.deviceIp, u"10.1.2.3");
    network.reserved20[7] ^= 0xFF; // carried bytes come back too
    recordOf<ChannelCompressionRecord>(device, cmd::ChannelCompression, 2).mainStream.maxBitRate = 23;
    recordOf<AlarmOutRecord>(device, cmd::AlarmOut, 0).outputDelay = 7;
    recordOf<DiskGroupRecord>(device, cmd::DiskGroup, 0).groups[1].channelMember[3] = 0x5A;
    device.state().scale ^= 1; // only what differs is sent: the server page's records differ too
    gbk::writeField(recordOf<DeviceInfoRecord>(device, cmd::DeviceInfo, 0).deviceName, u"东门");
    const dvrcfg::Snapshot backup = backupOf(sim.login);
    ASSERT_EQ(backup.records.size(), 32u);

    device.restoreFactory();
    device.clearLog();
    const auto report = dvrcfg::restore(backup, sim.login, {});
    ASSERT_TRUE(report.ok) << report.lines.back();
    // Page order: the server page's records first, the disk page's last.
    const auto log = device.log();
    ASSERT_GE(log.size(), 3u + 32u);
    const auto firstSet = std::find_if(log.begin(), log.end(), [](const auto &e) {
        return e.function != "get_dvr_config" && e.function.rfind("get_", 0) != 0;
    });
    ASSERT_NE(firstSet, log.end());
    // The scale setting goes at once; the server page's two records follow in its batch.
    EXPECT_EQ(firstSet->function, "set_scale_config");
    EXPECT_EQ((firstSet + 1)->commandType, 101);
    EXPECT_EQ((firstSet + 2)->commandType, 1001);
    const auto lastSet =
        std::find_if(log.rbegin(), log.rend(), [](const auto &e) { return e.function == "set_dvr_config"; });
    EXPECT_EQ(lastSet->commandType, 1057);
    EXPECT_TRUE(std::find(report.lines.begin(), report.lines.end(),
                          "the recorder asks for a restart: network, disk group") != report.lines.end())
        << report.lines.back();

    dvrcfg::Snapshot after;
    std::string error;
    ASSERT_TRUE(dvrcfg::loadLogin(sim.login, after, error)) << error;
    EXPECT_TRUE(dvrcfg::diffLines(backup, after).empty());
    ASSERT_EQ(after.records.size(), backup.records.size());
    for (std::size_t i = 0; i < after.records.size(); ++i)
        EXPECT_EQ(after.records[i].bytes, backup.records[i].bytes) << after.records[i].label();
}

// A restore the recorder refuses part-way says exactly which of the records it had to change
// reached the recorder, as the recorder itself holds them, and what those ask for.
TEST(Backup, ARestoreFailingPartWayReportsWhatReachedTheRecorder)
{
    SimulatedRecorder sim(Profile);
    dvrsim::Device &device = *sim.device;
    gbk::writeField(recordOf<NetworkRecord>(device, cmd::Network, 0).deviceIp, u"10.1.2.3");
    gbk::writeField(recordOf<ChannelPictureRecord>(device, cmd::ChannelPicture, 2).channelName, u"后门");
    recordOf<ChannelCompressionRecord>(device, cmd::ChannelCompression, 3).mainStream.maxBitRate = 7;
    recordOf<AlarmOutRecord>(device, cmd::AlarmOut, 0).schedule.days[2].segments[1].endHour = 9; // restart rule
    const dvrcfg::Snapshot backup = backupOf(sim.login);
    device.restoreFactory();
    device.clearLog();
    // The restore's full load is 32 commands; then, of the records that differ, the server page's
    // network and the channel page: channel 2's picture, the 34th command, which the recorder
    // answers "fail", and channel 3's compression; then the alarm page's output.
    device.injectFault(dvrsim::Fault::ResultFail, 34);
    const auto report = dvrcfg::restore(backup, sim.login, {});
    ASSERT_GE(device.log().size(), 34u);
    ASSERT_EQ(device.log()[33].commandType, 1003);
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(report.sent);
    const auto has = [&](const std::string &line) {
        return std::find(report.lines.begin(), report.lines.end(), line) != report.lines.end();
    };
    // A refusal stops nothing after it. "sent" counts the set commands answered "ok": all but
    // channel 2's picture.
    EXPECT_TRUE(has("sent 3 of 4 record(s); 3 read back byte for byte")) << report.lines[0];
    EXPECT_TRUE(has("reached the recorder (read back): network, channel 3 · compression, alarm output 1"));
    EXPECT_TRUE(has("did not reach the recorder: channel 2 · picture"));
    EXPECT_TRUE(std::none_of(report.lines.begin(), report.lines.end(),
                             [](const std::string &l) { return l.rfind("not sent", 0) == 0; }));
    EXPECT_TRUE(has("what reached it asks for a restart: network, alarm output 1"));
    const auto holds = [&](const char *kind, int slot) {
        std::size_t size = 0;
        const dvrcfg::RecordImage *r = backup.find(dvrcfg::findKind(kind), slot);
        const std::uint8_t *at = device.locate(r->kind->getType, r->channel, size);
        return std::memcmp(at, r->bytes.data(), size) == 0;
    };
    EXPECT_TRUE(holds("network", 0));
    EXPECT_TRUE(holds("compression", 2));
    EXPECT_FALSE(holds("picture", 1));
    EXPECT_TRUE(holds("alarmout", 0));

    // Run again, it completes.
    EXPECT_TRUE(dvrcfg::restore(backup, sim.login, {}).ok);
    EXPECT_TRUE(holds("picture", 1));
}

TEST(Backup, DryRunRestoreSendsNothing)
{
    SimulatedRecorder sim(Profile);
    const dvrcfg::Snapshot backup = backupOf(sim.login);
    recordOf<AlarmOutRecord>(*sim.device, cmd::AlarmOut, 0).outputDelay = 3;
    sim.device->clearLog();
    dvrcfg::RestoreOptions options;
    options.dryRun = true;
    const auto report = dvrcfg::restore(backup, sim.login, options);
    EXPECT_TRUE(report.ok);
    EXPECT_FALSE(sentAnySet(sim.device->log()));
    EXPECT_TRUE(std::any_of(report.lines.begin(), report.lines.end(), [](const std::string &l) {
        return l.rfind("  alarm output 1 · outputDelay: 3 (1分钟) -> ", 0) == 0;
    }));
    EXPECT_EQ(recordOf<AlarmOutRecord>(*sim.device, cmd::AlarmOut, 0).outputDelay, 3u);
}

TEST(Backup, RestoreRefusesAnotherRecorderUnlessForced)
{
    SimulatedRecorder source(Profile), other("type=82&channels=8&alarmin=2&alarmout=1&disks=2");
    const dvrcfg::Snapshot backup = backupOf(source.login);
    other.device->clearLog();
    const auto refused = dvrcfg::restore(backup, other.login, {});
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.sent);
    EXPECT_FALSE(sentAnySet(other.device->log()));
    dvrcfg::RestoreOptions force;
    force.force = true;
    EXPECT_TRUE(dvrcfg::restore(backup, other.login, force).ok);
}

class DiffThroughTheDialog : public DialogTest {};

TEST_F(DiffThroughTheDialog, ABackupAgainstItselfIsEmptyAndAPageChangeNamesExactlyThatField)
{
    open(Profile);
    const dvrcfg::Snapshot before = backupOf(sim->login);
    EXPECT_TRUE(dvrcfg::diffLines(before, before).empty());
    edit("edtName")->setText(QStringLiteral("东门录像机"));
    save();
    ASSERT_EQ(notes.messages.value(0), QStringLiteral("保存成功"));
    const dvrcfg::Snapshot after = backupOf(sim->login);
    EXPECT_EQ(dvrcfg::diffLines(before, after),
              std::vector<std::string>{"device · deviceName: \"网络硬盘录像机\" -> \"东门录像机\""});

    // Field level inside nested structures, with list texts; carried bytes as ranges.
    dvrcfg::Snapshot changed = after;
    auto &compression =
        *reinterpret_cast<ChannelCompressionRecord *>(changed.find(dvrcfg::findKind("compression"), 1)->bytes.data());
    compression.mainStream.maxBitRate = 21;
    compression.reserved32[2] ^= 1;
    compression.reserved32[3] ^= 1;
    const std::uint32_t old =
        reinterpret_cast<const ChannelCompressionRecord *>(after.find(dvrcfg::findKind("compression"), 1)->bytes.data())
            ->mainStream.maxBitRate;
    compression.mainStream.maxBitRate = old == 21 ? 23 : 21;
    const auto lines = dvrcfg::diffLines(after, changed);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("channel 2 · compression · main stream · maxBitRate: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(old == 21 ? "-> 23 (2048Kbps)" : "-> 21 (1536Kbps)"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "channel 2 · compression · carried bytes 34..35 differ");
}

// The fields that identify a recorder on its network stay the target's own (names unless asked
// for) and --help lists each; a field next to them is copied.
TEST(Merge, IdentityFieldsStayTheTargetsOwnAndAreListed)
{
    struct Case {
        const char *kind, *field;
        bool name;
    };
    const Case identity[] = {
        {"device", "deviceName", false},
        {"device", "deviceNumber", false},
        {"network", "deviceIp", false},
        {"network", "ipMask", false},
        {"network", "gatewayIp", false},
        {"network", "devicePort", false},
        {"network", "httpPort", false},
        {"network", "macAddress", false},
        {"network", "manageHostIp", false},
        {"network", "manageHostPort", false},
        {"network", "ipServerAddress", false},
        {"network", "multicastIp", false},
        {"network", "pppoeUser", false},
        {"network", "pppoePassword", false},
        {"network", "pppoeAddress", false},
        {"dnsntp", "dnsServer", false},
        {"rs232", "pppRemoteAddress", false},
        {"rs232", "pppLocalAddress", false},
        {"rs232", "pppLocalMask", false},
        {"rs232", "pppUser", false},
        {"rs232", "pppPassword", false},
        {"rs232", "telephoneNumber", false},
        {"picture", "channelName", true},
        {"alarmin", "alarmInName", true},
        {"network", "nicType", false /* copied */},
    };
    const auto help = dvrcfg::excludedFieldLines();
    for (const Case &c : identity) {
        const dvrcfg::RecordKind &kind = *dvrcfg::findKind(c.kind);
        const fields::Field &f = fieldOf(kind.table(), c.field);
        const bool copied = std::strcmp(c.field, "nicType") == 0;
        for (const bool includeNames : {false, true}) {
            std::vector<std::uint8_t> from(kind.table().size, 0xA5), into(kind.table().size, 0);
            dvrcfg::mergeFields(kind, from.data(), into.data(), {true, !includeNames});
            const bool expectCopied = copied || (c.name && includeNames);
            EXPECT_EQ(into[f.offset], expectCopied ? 0xA5 : 0) << c.kind << "." << c.field << " " << includeNames;
        }
        const std::string listed = std::string(c.kind) + "." + c.field + " (";
        EXPECT_EQ(std::any_of(help.begin(), help.end(), [&](const std::string &l) { return l.rfind(listed, 0) == 0; }),
                  !copied)
            << listed;
    }
    // Only the disks both recorders have take the template's attribute and group.
    DiskRecord from{}, into{};
    from.diskEntryCount = 4;
    into.diskEntryCount = 2;
    for (DiskEntry &e : from.entries)
        e.diskAttribute = 2;
    dvrcfg::mergeFields(*dvrcfg::findKind("disk"), reinterpret_cast<const std::uint8_t *>(&from),
                        reinterpret_cast<std::uint8_t *>(&into), {});
    EXPECT_EQ(into.diskEntryCount, 2u);
    EXPECT_EQ(into.entries[1].diskAttribute, 2);
    EXPECT_EQ(into.entries[2].diskAttribute, 0);
}

// The dialog's restart rule, byte by byte: what the pages compare, and nothing else.
TEST(Restart, RuleComparesWhatThePagesCompare)
{
    auto records = std::make_unique<DvrRecords>();
    std::memset(static_cast<void *>(records.get()), 0, sizeof *records);
    records->deviceInfo.deviceType = 82;
    records->deviceInfo.channelCount = 1;
    records->deviceInfo.alarmInCount = 1;
    records->deviceInfo.alarmOutCount = 1;
    const dvrcfg::Snapshot before = dvrcfg::snapshotOf(*records);
    struct Case {
        const char *kind;
        std::size_t byte;
        bool restart;
    };
    const Case cases[] = {
        {"compression", 4, true},  {"compression", 5, true},   {"compression", 88, true},  {"compression", 89, true},
        {"compression", 6, false}, {"compression", 87, false}, {"compression", 90, false}, {"alarmin", 36, true},
        {"alarmin", 140, true},    {"alarmin", 363, true},     {"alarmin", 37, false},     {"alarmin", 139, false},
        {"alarmin", 364, false},   {"alarmout", 40, true},     {"alarmout", 263, true},    {"alarmout", 39, false},
        {"alarmout", 264, false},  {"network", 1955, true},    {"dnsntp", 0, true},        {"disk", 9, true},
        {"diskgroup", 1223, true}, {"device", 4, false},       {"scale", 0, false},        {"picture", 7, false},
        {"recording", 100, false}, {"overlay", 8, false},      {"rs232", 4, false},        {"decoder", 12, false},
        {"exception", 8, false},
    };
    for (const Case &c : cases) {
        dvrcfg::Snapshot after = before;
        dvrcfg::RecordImage *r = after.find(dvrcfg::findKind(c.kind), 0);
        ASSERT_NE(r, nullptr) << c.kind;
        r->bytes[c.byte] ^= 1;
        EXPECT_EQ(dvrcfg::restartReasons(before, after, {r}).size(), c.restart ? 1u : 0u) << c.kind << " " << c.byte;
    }
}

TEST(BackupFile, ADamagedOrHandEditedBackupIsRefused)
{
    SimulatedRecorder sim(Profile);
    dvrcfg::Snapshot s;
    std::string error;
    ASSERT_TRUE(dvrcfg::loadLogin(sim.login, s, error));
    const QByteArray good = dvrcfg::toJson(s);
    ASSERT_TRUE(dvrcfg::fromJson(good, s, error)) << error;

    struct Case {
        const char *what;
        QByteArray from, to;
        int nth; // occurrence to replace
    };
    const Case cases[] = {
        {"a byte of a record", "\"hex\": \"", "\"hex\": \"1", 3},
        {"a decoded field", "\"iFrameInterval\": 25", "\"iFrameInterval\": 26", 0},
        {"the identity", "\"deviceType\": 82", "\"deviceType\": 81", 0},
        {"the hash", "\"sha256\": \"", "\"sha256\": \"0", 0},
        {"a record's size", "\"size\": 116", "\"size\": 115", 0},
        {"the format", "dvrcfg-backup", "dvrcfg-other", 0},
    };
    for (const Case &c : cases) {
        QByteArray bad = good;
        qsizetype at = -1;
        for (int i = 0; i <= c.nth; ++i)
            at = bad.indexOf(c.from, at + 1);
        ASSERT_GE(at, 0) << c.what;
        bad.replace(at, c.from.size(), c.to);
        if (QByteArray(c.what) == "a byte of a record")
            bad.remove(at + c.to.size(), 1); // same length, one digit changed
        dvrcfg::Snapshot out;
        EXPECT_FALSE(dvrcfg::fromJson(bad, out, error)) << c.what;
    }
    EXPECT_FALSE(dvrcfg::fromJson(good.left(good.size() / 2), s, error)) << "cut short";
    // Consistent in itself, hash included, but not a whole backup.
    for (const std::size_t drop : {std::size_t(2), s.records.size() - 1}) {
        dvrcfg::Snapshot partial = s;
        partial.records.erase(partial.records.begin() + std::ptrdiff_t(drop));
        EXPECT_FALSE(dvrcfg::fromJson(dvrcfg::toJson(partial), partial, error)) << drop;
    }
}

TEST(Apply, ThreeNetworkedRecordersOneFailingMidWay)
{
    // The template: an embedded recorder with settings changed, identity fields among them.
    SimulatedRecorder templ(Profile);
    dvrsim::Device &t = *templ.device;
    gbk::writeField(recordOf<DeviceInfoRecord>(t, cmd::DeviceInfo, 0).deviceName, u"template");
    gbk::writeField(recordOf<NetworkRecord>(t, cmd::Network, 0).deviceIp, u"10.9.9.9");
    gbk::writeField(recordOf<ChannelPictureRecord>(t, cmd::ChannelPicture, 1).channelName, u"门口");
    for (int k = 1; k <= 4; ++k)
        recordOf<ChannelRecordingRecord>(t, cmd::ChannelRecording, k).recordDelay = 5;
    recordOf<ChannelCompressionRecord>(t, cmd::ChannelCompression, 2).mainStream.maxBitRate = 21;
    gbk::writeField(recordOf<DnsNtpRecord>(t, cmd::DnsNtp, 0).ntpServer, u"ntp.site");
    recordOf<DecoderRecord>(t, cmd::Decoder, 3).decoderAddress = 77;
    recordOf<AlarmOutRecord>(t, cmd::AlarmOut, 0).outputDelay = 6;
    const dvrcfg::Snapshot tpl = backupOf(templ.login);

    SimServerProcess server;
    const QString p = QString::fromLatin1(Profile);
    ASSERT_TRUE(
        server.start({QStringLiteral("--device"), p, QStringLiteral("--device"), p, QStringLiteral("--device"), p}));
    std::vector<std::string> targets, identityBefore;
    for (int d = 0; d < 3; ++d) {
        targets.push_back(server.address(d));
        for (const char *record : {" 100 0", " 1000 0", " 1002 1", " 1036 0"})
            identityBefore.push_back(server.control("record " + std::to_string(d) + record));
    }

    // --only limits the merge to the kinds named.
    dvrcfg::ApplyOptions onlyAlarmOut;
    onlyAlarmOut.dryRun = true;
    onlyAlarmOut.only.kinds = {"alarmout"};
    EXPECT_EQ(dvrcfg::apply(tpl, {targets[0]}, onlyAlarmOut).at(0).changed, std::vector<std::string>{"alarm output 1"});

    // Dry run first: no set command reaches any recorder.
    dvrcfg::ApplyOptions options;
    options.jobs = 3;
    options.dryRun = true;
    for (int d = 0; d < 3; ++d)
        ASSERT_EQ(server.control("clearlog " + std::to_string(d)), "ok");
    for (const auto &r : dvrcfg::apply(tpl, targets, options)) {
        EXPECT_EQ(r.outcome, dvrcfg::TargetReport::Outcome::WouldApply) << r.address;
        EXPECT_EQ(r.changed.size(), 8u) << r.address;
    }
    for (int d = 0; d < 3; ++d) {
        std::vector<std::string> log;
        ASSERT_EQ(server.control("log " + std::to_string(d), &log).rfind("ok ", 0), 0u);
        EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string &l) { return l.rfind("set_", 0) == 0; }),
                  0);
    }

    // The middle recorder drops the connection at the third set command, after the full load's 32
    // (one batch: the template guessed the shape right). The sets are recording 1..4, then
    // compression 2, and so on; what followed in the batch never reached it, and the read-back
    // is tried again on a fresh log-in.
    ASSERT_EQ(server.control("fault 1 close " + std::to_string(32 + 3)), "ok");
    options.dryRun = false;
    const auto reports = dvrcfg::apply(tpl, targets, options);
    ASSERT_EQ(reports.size(), 3u);
    for (int d : {0, 2}) {
        EXPECT_EQ(reports[d].outcome, dvrcfg::TargetReport::Outcome::Applied) << reports[d].reason;
        EXPECT_EQ(reports[d].reached.size(), 8u);
    }
    const dvrcfg::TargetReport &failed = reports[1];
    EXPECT_EQ(failed.outcome, dvrcfg::TargetReport::Outcome::Failed);
    EXPECT_EQ(failed.reason.rfind("failed at channel 3 · recording", 0), 0u) << failed.reason;
    EXPECT_EQ(failed.reached.size() + failed.missing.size() + failed.notSent.size(), 8u);
    EXPECT_NE(std::find(failed.reached.begin(), failed.reached.end(), "channel 1 · recording"), failed.reached.end());
    EXPECT_NE(std::find(failed.missing.begin(), failed.missing.end(), "alarm output 1"), failed.missing.end());
    EXPECT_TRUE(failed.readBack);
    EXPECT_TRUE(failed.notSent.empty());

    // What the report says reached the failed recorder is what it holds.
    const auto holds = [&](int d, const std::string &label) {
        const std::string type = label == "alarm output 1" ? "1026 0" : "1004 1";
        std::size_t size = 0;
        const std::uint8_t *mine = t.locate(std::stoi(type), std::stoi(type.substr(5)), size);
        const std::string want =
            QByteArray(reinterpret_cast<const char *>(mine), qsizetype(size)).toHex().toStdString();
        return server.control("record " + std::to_string(d) + " " + type) == "ok " + want;
    };
    EXPECT_TRUE(holds(1, "channel 1 · recording"));
    EXPECT_FALSE(holds(1, "alarm output 1"));
    EXPECT_TRUE(holds(0, "alarm output 1"));
    EXPECT_TRUE(holds(2, "channel 1 · recording"));

    // Identity fields of every target are untouched (those records held nothing else to change).
    std::size_t i = 0;
    for (int d = 0; d < 3; ++d)
        for (const char *record : {" 100 0", " 1000 0", " 1002 1", " 1036 0"})
            EXPECT_EQ(server.control("record " + std::to_string(d) + record), identityBefore[i++]) << d << record;

    // A rerun completes the failed recorder and leaves the others unchanged.
    const auto rerun = dvrcfg::apply(tpl, targets, options);
    EXPECT_EQ(rerun[0].outcome, dvrcfg::TargetReport::Outcome::Unchanged);
    EXPECT_EQ(rerun[1].outcome, dvrcfg::TargetReport::Outcome::Applied);
    EXPECT_EQ(rerun[1].changed.size(), failed.missing.size() + failed.notSent.size());
}

// A high-definition template's resolution codes mean nothing to a standard recorder.
TEST(Apply, CompressionStaysBetweenDeviceFamilies)
{
    SimulatedRecorder hd("type=40&channels=2&alarmin=1&alarmout=1");
    recordOf<ChannelCompressionRecord>(*hd.device, cmd::ChannelCompression, 1).mainStream.resolution = 19;
    const dvrcfg::Snapshot tpl = backupOf(hd.login);
    dvrcfg::ApplyOptions options;
    options.dryRun = true;
    const auto report = dvrcfg::apply(tpl, {"sim://type=82&channels=2&alarmin=1&alarmout=1"}, options).at(0);
    EXPECT_TRUE(std::none_of(report.changed.begin(), report.changed.end(), [](const std::string &l) {
        return l.find("compression") != std::string::npos;
    })) << report.changed.at(0);
}

#ifdef DVRCFG_PATH
// The program's exit statuses: diff 0 equal, 1 different, 2 error; nothing sent from a bad file.
TEST(Program, DiffExitStatusesAndABrokenFileIsRefused)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("b.json"));
    const auto run = [](const QStringList &arguments) {
        QProcess p;
        p.start(QStringLiteral(DVRCFG_PATH), arguments);
        p.waitForFinished(30000);
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    const QString a = QStringLiteral("sim://") + QString::fromLatin1(Profile);
    ASSERT_EQ(run({QStringLiteral("backup"), a, QStringLiteral("-o"), file}), 0);
    EXPECT_EQ(run({QStringLiteral("diff"), file, a}), 0);
    EXPECT_EQ(
        run({QStringLiteral("diff"), file, QStringLiteral("sim://type=82&channels=4&alarmin=2&alarmout=2&disks=2")}),
        1);
    EXPECT_EQ(run({QStringLiteral("diff"), file, dir.filePath(QStringLiteral("none.json"))}), 2);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray text = f.readAll();
    text.replace("\"iFrameInterval\": 25", "\"iFrameInterval\": 24");
    f.seek(0);
    f.write(text);
    f.close();
    EXPECT_EQ(run({QStringLiteral("restore"), file, a}), 2);
    EXPECT_EQ(run({QStringLiteral("show"), file}), 2);
}
#endif

} // namespace
