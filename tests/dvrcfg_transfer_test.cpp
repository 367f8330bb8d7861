// dvrcfg: what restore and apply send, merge and report.
#include "command/commandtypes.h"
#include "simfixture.h"
#include "simserver.h"
#include "dvrcfgfixture.h"
#include "tools/dvrcfg.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <signal.h>

namespace {

bool hasLine(const std::vector<std::string> &lines, const std::string &part)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string &l) { return l.find(part) != std::string::npos; });
}

std::string joined(const std::vector<std::string> &lines)
{
    std::string out;
    for (const auto &l : lines)
        out += l + "\n";
    return out;
}

const char *const FourDisks = "type=82&channels=4&alarmin=2&alarmout=1&disks=4";
const char *const TwoDisks = "type=82&channels=4&alarmin=2&alarmout=1&disks=2";

// A template that differs from a factory recorder of its profile in one field: the first alarm
// output's delay.
dvrcfg::Snapshot templateWithOneChange()
{
    SimulatedRecorder templ(TwoDisks);
    recordOf<AlarmOutRecord>(*templ.device, cmd::AlarmOut, 0).outputDelay = 6;
    return backupOf(templ.login);
}

// The disk count is the recorder's identity as much as its channels; forced, a restore leaves
// the disks the target lacks alone.
TEST(Hardware, ARestoreNeverWritesDisksTheRecorderLacks)
{
    SimulatedRecorder source(FourDisks), target(TwoDisks);
    for (DiskEntry &e : recordOf<DiskRecord>(*source.device, cmd::Disk, 0).entries)
        e.diskAttribute = 2;
    const dvrcfg::Snapshot backup = backupOf(source.login);
    const auto refused = dvrcfg::restore(backup, target.login, {});
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.sent) << joined(refused.lines);
    EXPECT_TRUE(hasLine(refused.lines, "4 disks")) << joined(refused.lines);

    const DiskRecord before = recordOf<DiskRecord>(*target.device, cmd::Disk, 0);
    dvrcfg::RestoreOptions force;
    force.force = true;
    const auto forced = dvrcfg::restore(backup, target.login, force);
    EXPECT_TRUE(forced.ok) << joined(forced.lines);
    const DiskRecord &after = recordOf<DiskRecord>(*target.device, cmd::Disk, 0);
    EXPECT_EQ(after.diskEntryCount, 2u);
    EXPECT_EQ(after.entries[1].diskAttribute, 2);
    EXPECT_EQ(std::memcmp(&after.entries[2], &before.entries[2], sizeof(DiskEntry) * (DiskEntryCapacity - 2)), 0);
}

// A 16-channel template's disk groups give an 8-channel recorder nothing for channels 9..16.
TEST(Hardware, AnApplyNeverWritesGroupMembersTheRecorderLacks)
{
    SimulatedRecorder templ("type=82&channels=16&alarmin=2&alarmout=1&disks=2");
    const dvrcfg::Snapshot tpl = backupOf(templ.login);
    SimServerProcess server;
    ASSERT_TRUE(
        server.start({QStringLiteral("--device"), QStringLiteral("type=82&channels=8&alarmin=2&alarmout=1&disks=2")}));
    const std::string group = "record 0 " + std::to_string(cmd::DiskGroup) + " 0";
    const auto bytesOf = [&] {
        const std::string reply = server.control(group);
        EXPECT_EQ(reply.rfind("ok ", 0), 0u) << reply;
        const QByteArray b = QByteArray::fromHex(QByteArray::fromStdString(reply.substr(3)));
        DiskGroupRecord r{};
        EXPECT_EQ(std::size_t(b.size()), sizeof r);
        std::memcpy(&r, b.constData(), std::min(sizeof r, std::size_t(b.size())));
        return r;
    };
    const DiskGroupRecord before = bytesOf();
    const dvrcfg::ApplyOptions options;
    const auto report = dvrcfg::apply(tpl, {server.address(0)}, options).at(0);
    ASSERT_EQ(report.outcome, dvrcfg::TargetReport::Outcome::Applied) << joined(dvrcfg::reportLines(report));
    const DiskGroupRecord after = bytesOf();
    for (int g = 0; g < DiskGroupCapacity; ++g) {
        const std::size_t mine = g < int(before.groupCount) ? 8 : 0;
        EXPECT_EQ(std::memcmp(after.groups[g].channelMember + mine, before.groups[g].channelMember + mine,
                              sizeof before.groups[g].channelMember - mine),
                  0)
            << g;
    }
    // Channels 1..8 took the template's grouping (all of them in its first group).
    EXPECT_EQ(after.groups[0].channelMember[7], 1);
}

// A record the recorder's type never takes leaves it different from the backup: a failure.
TEST(Restore, ARecordNeverSentLeavesItFailed)
{
    SimulatedRecorder sim("type=40&channels=2&alarmin=1&alarmout=1");
    const dvrcfg::Snapshot backup = backupOf(sim.login);
    recordOf<ChannelCompressionRecord>(*sim.device, cmd::ChannelCompression, 1).mainStream.maxBitRate ^= 1;
    const auto report = dvrcfg::restore(backup, sim.login, {});
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(report.differs);
    EXPECT_TRUE(hasLine(report.lines, "never sent to this recorder (the dialog does not send them): channel 1"))
        << joined(report.lines);
    EXPECT_TRUE(hasLine(report.lines, "1 record(s) never sent still differ from the backup")) << joined(report.lines);
}

// Once stopped, no further recorder is started; each finished one is told as it finishes.
TEST(Apply, AStopLetsTheRecordersInFlightFinishAndStartsNoOther)
{
    const dvrcfg::Snapshot tpl = templateWithOneChange();
    const std::string target = std::string("sim://") + TwoDisks;
    std::atomic<bool> stop{false};
    dvrcfg::ApplyOptions options;
    options.jobs = 1;
    options.stop = &stop;
    std::vector<std::string> told;
    const auto reports = dvrcfg::apply(tpl, {target, target + "&first=1", target + "&first=2"}, options,
                                       [&](const dvrcfg::TargetReport &r, int, int) {
                                           told.push_back(r.address + " " + dvrcfg::outcomeText(r.outcome));
                                           stop = true;
                                       });
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].outcome, dvrcfg::TargetReport::Outcome::Applied);
    for (int i : {1, 2}) {
        EXPECT_EQ(reports[i].outcome, dvrcfg::TargetReport::Outcome::Skipped) << i;
        EXPECT_EQ(reports[i].reason, "interrupted before it was started") << i;
    }
    EXPECT_EQ(told.size(), 3u);
}

// What the recorder answered and what it holds afterwards: a lost answer is judged by the
// read-back, a read-back failing once is tried again, a refusal is a failure even where the
// recorder already held the value and stops nothing after it, "sent" counts the answers "ok",
// and a record no set command carries is not sent.
TEST(Send, TheAnswersAndTheReadBackJudgeTogether)
{
    struct Case {
        const char *what;
        int nth; // the command the fault hits, all of them one batch: 1 scale, 2 recording, 3 alarm
                 // output, then the read-back: 4 scale, 5 recording, 6 alarm output
        dvrsim::Fault fault;
        int again;      // the read-back tried again is lost too at this command (0: it is not)
        bool scaleHeld; // the scale setting sent is the one the recorder holds
        bool ptz;       // the PTZ list is asked to be sent too
        bool ok;
        int answeredOk;
        std::size_t reached;
    };
    using F = dvrsim::Fault;
    const Case cases[] = {
        {"no fault", 0, F::ResultFail, 0, false, false, true, 3, 3},
        {"the last command lost on the way", 3, F::SdkFailure, 0, false, false, false, 2, 2},
        {"the last answer cut short", 3, F::MalformedXml, 0, false, false, true, 2, 3},
        {"the read-back failing once", 4, F::SdkFailure, 0, false, false, true, 3, 3},
        {"the read-back's last answer refused once", 6, F::ResultFail, 0, false, false, true, 3, 3},
        {"the read-back failing twice", 4, F::SdkFailure, 5, false, false, false, 3, 0},
        {"the recording refused", 2, F::ResultFail, 0, false, false, false, 2, 2},
        {"the scale write refused, value held", 1, F::ResultFail, 0, true, false, false, 2, 3},
        {"the PTZ list, which nothing sends", 0, F::ResultFail, 0, false, true, false, 3, 3},
    };
    for (const Case &c : cases) {
        SimulatedRecorder sim(TwoDisks);
        const dvrcfg::Snapshot live = backupOf(sim.login);
        dvrcfg::Snapshot intended = live;
        if (!c.scaleHeld)
            intended.find(dvrcfg::findKind("scale"), 0)->bytes[0] ^= 1;
        intended.find(dvrcfg::findKind("recording"), 0)->bytes[100] ^= 1;
        reinterpret_cast<AlarmOutRecord *>(intended.find(dvrcfg::findKind("alarmout"), 0)->bytes.data())->outputDelay =
            6;
        std::vector<const dvrcfg::RecordImage *> send;
        for (const dvrcfg::RecordImage *r : dvrcfg::pageOrder(intended, {}))
            if (r->kind == dvrcfg::findKind("scale") || r->bytes != live.find(r->kind, r->slot)->bytes)
                send.push_back(r);
        ASSERT_EQ(send.size(), 3u) << c.what;
        if (c.ptz)
            send.push_back(intended.find(dvrcfg::findKind("ptz"), 0));
        sim.device->clearLog();
        if (c.nth > 0)
            sim.device->injectFault(c.fault, c.nth);
        if (c.again > 0)
            sim.device->injectFault(dvrsim::Fault::SdkFailure, c.again);
        const dvrcfg::SendResult result = dvrcfg::sendAndVerify(sim.login, live, intended, send);
        EXPECT_EQ(result.ok(), c.ok) << c.what << ": " << result.error;
        EXPECT_EQ(result.answeredOk, c.answeredOk) << c.what;
        EXPECT_EQ(result.reached.size(), c.reached) << c.what;
        EXPECT_EQ(result.readBack, c.again == 0) << c.what;
        EXPECT_EQ(result.notSent.size(), c.ptz ? 1u : 0u) << c.what;
        EXPECT_EQ(result.sent.size(), 3u) << c.what;
        EXPECT_EQ(result.reached.size() + result.missing.size(), 3u) << c.what;
    }
}

// A signal lets the recorders in flight finish and starts no other; what finished is printed
// as it finishes, and the run ends non-zero.
TEST(Apply, ASignalStopsTheRunAfterTheRecordersInFlight)
{
    {
        const dvrcfg::StopOnSignals stop;
        EXPECT_FALSE(stop.requested());
        std::raise(SIGTERM);
        EXPECT_TRUE(stop.requested());
    }
#ifdef DVRCFG_PATH
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("t.json"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(dvrcfg::toJson(templateWithOneChange()));
    f.close();
    QStringList arguments{QStringLiteral("apply"), file, QStringLiteral("--jobs"), QStringLiteral("1")};
    const int targets = 40;
    for (int i = 0; i < targets; ++i)
        arguments << QStringLiteral("sim://") + QString::fromLatin1(TwoDisks) + QStringLiteral("&first=%1").arg(i + 1);
    QProcess p;
    p.start(QStringLiteral(DVRCFG_PATH), arguments);
    ASSERT_TRUE(p.waitForStarted(10000));
    while (!p.canReadLine())
        ASSERT_TRUE(p.waitForReadyRead(30000));
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_GE(out.count(QStringLiteral(": applied")), 1) << out.toStdString();
    EXPECT_GE(out.count(QStringLiteral("interrupted before it was started")), 1) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral(": applied")) + out.count(QStringLiteral("interrupted before it was started")),
              targets)
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("recorder(s), 0 failed; interrupted"))) << out.toStdString();
#endif
}

// --channel N: the channel's position, or else its device channel number; only its own records;
// anything else an error naming the range.
TEST(Selection, AChannelIsItsPositionOrItsNumberAndOnlyItsOwnRecords)
{
    struct Case {
        int first, count, given;
        int position;           // 0: refused
        const char *error = ""; // part of the message when refused
    };
    const Case cases[] = {
        {1, 8, 3, 3},
        {1, 8, 8, 8},
        {33, 4, 1, 1},
        {33, 4, 33, 1},
        {33, 4, 36, 4},
        {33, 4, 37, 0, "from 1 to 4 (or its channel number, 33 to 36)"},
        {1, 8, 9, 0, "from 1 to 8"},
        {5, 2, 6, 2},
    };
    for (const Case &c : cases) {
        DeviceInfoRecord d{};
        d.firstChannel = std::uint8_t(c.first);
        d.channelCount = std::uint8_t(c.count);
        dvrcfg::Selection s;
        s.number = c.given;
        std::string error;
        EXPECT_EQ(dvrcfg::resolveChannel(s, d, error), c.position != 0) << c.first << " " << c.given;
        if (c.position)
            EXPECT_EQ(s.number, c.position) << c.first << " " << c.given;
        else
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    SimulatedRecorder sim(TwoDisks);
    const dvrcfg::Snapshot s = backupOf(sim.login);
    dvrcfg::Selection one;
    one.number = 1;
    for (const dvrcfg::RecordImage &r : s.records)
        EXPECT_EQ(one.takes(r), r.kind->scope == dvrcfg::Scope::Channel && r.slot == 0) << r.label();
#ifdef DVRCFG_PATH
    QProcess p;
    p.start(QStringLiteral(DVRCFG_PATH),
            {QStringLiteral("show"), QStringLiteral("sim://") + QString::fromLatin1(TwoDisks),
             QStringLiteral("--channel"), QStringLiteral("9")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(p.readAllStandardError().contains("a channel from 1 to 4"));
#endif
}

// Writes `text` (bytes as given, NUL-padded) into a text field of a snapshot's record.
void setText(dvrcfg::Snapshot &s, const char *kind, const char *path, const std::string &text)
{
    dvrcfg::RecordImage *r = s.find(dvrcfg::findKind(kind), 0);
    ASSERT_NE(r, nullptr) << kind;
    for (const dvrcfg::Leaf &leaf : dvrcfg::leavesOf(*r->kind))
        if (leaf.path == path) {
            ASSERT_LT(text.size(), leaf.size) << path;
            std::memset(r->bytes.data() + leaf.offset, 0, leaf.size);
            std::memcpy(r->bytes.data() + leaf.offset, text.data(), text.size());
            return;
        }
    ADD_FAILURE() << kind << "." << path;
}

const dvrcfg::Snapshot &plainSnapshot()
{
    static const dvrcfg::Snapshot s = [] {
        SimulatedRecorder sim(TwoDisks);
        return backupOf(sim.login);
    }();
    return s;
}

// One field, one line: quotes, backslashes and control characters of a text come escaped.
TEST(Output, TextsAreQuotedAndEscaped)
{
    struct Case {
        std::string stored, shown;
    };
    const Case cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"back\\slash", "\"back\\\\slash\""},
        {"two\nlines", "\"two\\nlines\""},
        {"tab\tcr\r", "\"tab\\tcr\\r\""},
        {"bell\x07", "\"bell\\x07\""},
    };
    for (const Case &c : cases) {
        dvrcfg::Snapshot s = plainSnapshot();
        setText(s, "device", "deviceName", c.stored);
        dvrcfg::Selection device;
        device.kinds = {"device"};
        const auto lines = dvrcfg::showLines(s, device);
        EXPECT_TRUE(hasLine(lines, "device · deviceName = " + c.shown)) << c.shown << "\n" << joined(lines);
        const auto diff = dvrcfg::diffLines(plainSnapshot(), s);
        ASSERT_EQ(diff.size(), 1u) << c.shown;
        EXPECT_NE(diff[0].find("-> " + c.shown), std::string::npos) << diff[0];
        for (const auto &l : lines)
            EXPECT_EQ(l.find_first_of("\n\r\t\x07"), std::string::npos) << l;
    }
}

// Passwords never appear in show or diff: show says hidden, diff that they differ.
TEST(Output, PasswordsAreNeverPrinted)
{
    struct Case {
        const char *kind, *path, *shown;
    };
    const Case cases[] = {
        {"network", "pppoePassword", "network · pppoePassword"},
        {"rs232", "pppPassword", "rs232 · pppPassword"},
    };
    for (const Case &c : cases) {
        dvrcfg::Snapshot s = plainSnapshot();
        setText(s, c.kind, c.path, "hunter2");
        dvrcfg::Selection kind;
        kind.kinds = {c.kind};
        const auto lines = dvrcfg::showLines(s, kind);
        EXPECT_TRUE(hasLine(lines, std::string(c.shown) + " = (hidden)")) << joined(lines);
        EXPECT_FALSE(hasLine(lines, "hunter2")) << c.kind;
        const auto diff = dvrcfg::diffLines(plainSnapshot(), s);
        EXPECT_EQ(diff, std::vector<std::string>{std::string(c.shown) + ": differs (hidden)"}) << joined(diff);
    }
}

// Two names of one recorder are one target: the second is skipped as a duplicate of the first.
TEST(Apply, OneRecorderUnderTwoAddressesIsChangedOnce)
{
    const dvrcfg::Snapshot tpl = templateWithOneChange();
    SimServerProcess server;
    ASSERT_TRUE(server.start({QStringLiteral("--device"), QString::fromLatin1(TwoDisks)}));
    const std::string port = std::to_string(server.port(0));
    const std::vector<std::string> targets{"127.0.0.1:" + port, "localhost:" + port, "127.0.0.1:" + port};
    dvrcfg::ApplyOptions options;
    options.dryRun = true;
    const auto reports = dvrcfg::apply(tpl, targets, options);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].outcome, dvrcfg::TargetReport::Outcome::WouldApply);
    EXPECT_EQ(reports[1].outcome, dvrcfg::TargetReport::Outcome::Skipped);
    EXPECT_EQ(reports[1].reason, "a duplicate of 127.0.0.1:" + port);
    EXPECT_EQ(reports[2].reason, "listed twice");

    // Two ports that answer for one recorder (the same serial number): changed once, too; devices
    // of one server with their own serials are all changed.
    SimServerProcess fleet;
    const QString same = QString::fromLatin1(TwoDisks) + QStringLiteral("&serial=SAME0001");
    ASSERT_TRUE(fleet.start({QStringLiteral("--device"), same, QStringLiteral("--device"), same,
                             QStringLiteral("--device"), QString::fromLatin1(TwoDisks)}));
    options.jobs = 1;
    const auto bySerial = dvrcfg::apply(tpl, {fleet.address(0), fleet.address(1), fleet.address(2)}, options);
    ASSERT_EQ(bySerial.size(), 3u);
    EXPECT_EQ(bySerial[0].outcome, dvrcfg::TargetReport::Outcome::WouldApply);
    EXPECT_EQ(bySerial[1].outcome, dvrcfg::TargetReport::Outcome::Skipped);
    EXPECT_EQ(bySerial[1].reason, "a duplicate of " + fleet.address(0) + " (the same serial number)");
    EXPECT_EQ(bySerial[2].outcome, dvrcfg::TargetReport::Outcome::WouldApply);
}

// A restore sends only what differs: onto a recorder holding the backup, nothing, and says so.
TEST(Restore, SendsOnlyWhatDiffersAndASecondRestoreNothing)
{
    SimulatedRecorder sim(TwoDisks);
    const dvrcfg::Snapshot backup = backupOf(sim.login);
    recordOf<AlarmOutRecord>(*sim.device, cmd::AlarmOut, 0).outputDelay = 6;
    const auto sets = [&] {
        std::vector<std::string> out;
        for (const dvrsim::LogEntry &e : sim.device->log())
            if (e.function.rfind("set_", 0) == 0)
                out.push_back(e.function + " " + std::to_string(e.commandType));
        return out;
    };
    for (const bool second : {false, true}) {
        sim.device->clearLog();
        const auto report = dvrcfg::restore(backup, sim.login, {});
        EXPECT_TRUE(report.ok) << joined(report.lines);
        EXPECT_EQ(sets(), second ? std::vector<std::string>{}
                                 : std::vector<std::string>{"set_dvr_config " + std::to_string(cmd::AlarmOut + 1)});
        EXPECT_EQ(hasLine(report.lines, "nothing sent"), second) << joined(report.lines);
    }
}

// A networked recorder that drops the connection at the read-back: it is read again over a fresh
// log-in, and the apply is judged by what it holds.
TEST(Apply, AReadBackCutOffOnceIsTriedAgainOnAFreshLogIn)
{
    const dvrcfg::Snapshot tpl = templateWithOneChange();
    SimServerProcess server;
    ASSERT_TRUE(server.start({QStringLiteral("--device"), QString::fromLatin1(TwoDisks)}));
    // The full load's 32 commands (one batch), then one batch of the set command and its read-back,
    // cut off at the read-back.
    ASSERT_EQ(server.control("fault 0 close " + std::to_string(32 + 1 + 1)), "ok");
    const dvrcfg::ApplyOptions options;
    const auto report = dvrcfg::apply(tpl, {server.address(0)}, options).at(0);
    EXPECT_EQ(report.outcome, dvrcfg::TargetReport::Outcome::Applied) << joined(dvrcfg::reportLines(report));
    EXPECT_EQ(report.reached, std::vector<std::string>{"alarm output 1"});
}

// An answer lost while the read-back shows the record arrived: a success, with a note of it.
TEST(Restore, ALostAnswerTheReadBackDisprovesIsASuccessWithANote)
{
    SimulatedRecorder sim(TwoDisks);
    const dvrcfg::Snapshot backup = backupOf(sim.login);
    recordOf<AlarmOutRecord>(*sim.device, cmd::AlarmOut, 0).outputDelay = 6;
    // The restore's full load is 32 commands (one batch: the backup's shape); the 33rd is the set.
    sim.device->injectFault(dvrsim::Fault::MalformedXml, 32 + 1);
    const auto report = dvrcfg::restore(backup, sim.login, {});
    EXPECT_TRUE(report.ok) << joined(report.lines);
    EXPECT_TRUE(hasLine(report.lines, "sent 0 of 1 record(s); 1 read back byte for byte")) << joined(report.lines);
    EXPECT_TRUE(hasLine(report.lines, "note: an answer of page 4 was lost; the read-back shows every record arrived"))
        << joined(report.lines);
}

} // namespace
