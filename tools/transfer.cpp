#include "tools/transfer.h"

#include "command/gbktext.h"
#include "command/sdkapi.h"
#include "sdk/quellport.h"
#include "tools/exchange.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

namespace dvrcfg {
namespace {

std::string joinLabels(const std::vector<const RecordImage *> &records)
{
    std::string out;
    for (const RecordImage *r : records)
        out += (out.empty() ? "" : ", ") + r->label();
    return out;
}

// The scale setting is no record: it has a query and a write of its own, sent at once.
bool isScale(const RecordImage &x) { return x.kind->getType == 0; }

} // namespace

std::vector<const RecordImage *> pageOrder(const Snapshot &s, const Selection &selection)
{
    std::vector<const RecordImage *> out;
    const DeviceInfoRecord *d = s.deviceInfo();
    if (!d)
        return out;
    const auto shape = shapeOf(*d);
    // Each record once, with the first page whose save sends it (the network record goes with the
    // server page, not again with the network page).
    for (int page = 0; page < model::PageCount; ++page) {
        for (const model::RecordSlot &x : model::saveOf(page, *shape)) {
            const RecordImage *r = x.kind->firstPage() == page ? s.find(x.kind, x.slot) : nullptr;
            if (r && selection.takes(*r))
                out.push_back(r);
        }
    }
    return out;
}

std::vector<std::string> restartReasons(const Snapshot &before, const Snapshot &after,
                                        const std::vector<const RecordImage *> &sent)
{
    std::vector<std::string> reasons;
    for (const RecordImage *r : sent) {
        const RecordImage *old = before.find(r->kind, r->slot);
        if (old && r->kind->asksRestart(old->bytes.data(), r->bytes.data()))
            reasons.push_back(r->label());
    }
    (void)after;
    return reasons;
}

std::function<std::int32_t()> reopenerFor(const std::string &address, const std::string &user,
                                          const std::string &password)
{
    // An embedded recorder lives in its log-in: a new one would be another recorder.
    if (isEmbeddedAddress(address))
        return {};
    return [=] { return SdkLogin(address.c_str(), user.c_str(), password.c_str()); };
}

SendResult sendAndVerify(std::int32_t login, const Snapshot &live, const Snapshot &intended,
                         const std::vector<const RecordImage *> &send, const std::function<std::int32_t()> &reopen)
{
    SendResult result;
    // The set commands in the dialog's page order, the scale write where its page sends it (at
    // once, ahead of the page's batch), then the read-back of the same records: one batch, which
    // the recorder takes in order, so the gets see what the sets left. A refusal stops nothing:
    // the read-back tells each record's fate.
    std::vector<const RecordImage *> order;
    for (int page = 0; page < model::PageCount; ++page)
        for (const bool scale : {true, false})
            for (const RecordImage *x : send)
                if (x->kind->firstPage() == page && isScale(*x) == scale)
                    order.push_back(x);
    for (const RecordImage *x : send)
        if (x->kind->firstPage() == model::NoPage)
            result.notSent.push_back(x); // no page sends it
    Exchange batch;
    std::vector<Answer> answers; // of the set commands sent, in order
    for (const RecordImage *x : order) {
        const std::size_t i = answers.size();
        if (batch.set(*x->kind, x->channel, x->bytes.data(), [&answers, i](Answer a) { answers[i] = a; })) {
            result.sent.push_back(x);
            answers.push_back(Answer::Lost);
        } else {
            result.notSent.push_back(x);
        }
    }
    std::vector<std::vector<std::uint8_t>> back(result.sent.size()); // each record as read back
    std::vector<char> read(result.sent.size(), 0);                   // its read-back came whole
    const auto readBack = [&](Exchange &x) {
        for (std::size_t i = 0; i < result.sent.size(); ++i) {
            const RecordImage *s = result.sent[i];
            back[i].assign(s->kind->size, 0);
            read[i] = 0;
            x.get(*s->kind, s->channel, back[i].data(), [&read, i, s](Answer a, std::size_t decoded) {
                read[i] = a == Answer::Ok && decoded == s->kind->size;
            });
        }
    };
    readBack(batch);
    batch.run(login);
    const auto allRead = [&] { return std::all_of(read.begin(), read.end(), [](char c) { return c != 0; }); };
    // A read-back that did not come back is tried once more on its own, on a fresh log-in where
    // the address allows one.
    if (!allRead()) {
        const std::int32_t fresh = reopen ? reopen() : -1;
        Exchange again;
        readBack(again);
        again.run(fresh >= 0 ? fresh : login);
        if (fresh >= 0)
            SdkLogout(fresh);
    }
    result.readBack = allRead();
    result.answered = true;
    std::vector<std::string> errors;
    for (std::size_t i = 0; i < result.sent.size(); ++i) {
        const RecordImage *x = result.sent[i];
        if (answers[i] == Answer::Ok) {
            ++result.answeredOk;
        } else {
            const bool refused = answers[i] == Answer::Refused;
            result.answered = false;
            result.refused = result.refused || refused;
            const std::string page = std::to_string(x->kind->firstPage());
            const std::string error =
                isScale(*x) ? (refused ? "the scale setting was refused" : "the scale setting's answer was lost")
                            : (refused ? "a set command of page " + page + " was refused"
                                       : "an answer of page " + page + " was lost");
            if (std::find(errors.begin(), errors.end(), error) == errors.end())
                errors.push_back(error);
        }
        (read[i] && back[i] == x->bytes ? result.reached : result.missing).push_back(x);
    }
    for (const std::string &e : errors)
        result.error += (result.error.empty() ? "" : "; ") + e;
    if (!result.readBack)
        result.error += (result.error.empty() ? "" : "; ") + std::string("the read-back failed, so whether the "
                                                                         "records it did not bring back reached the "
                                                                         "recorder is not known");
    // Only what reached the recorder can ask for a restart.
    result.restart = restartReasons(live, intended, result.reached);
    return result;
}

namespace {

void fail(TargetReport &report, const std::string &cause, const std::string &reason)
{
    report.outcome = TargetReport::Outcome::Failed;
    report.cause = cause;
    report.reason = reason;
}

// A send that did not succeed, in one word.
std::string causeOf(const SendResult &sent)
{
    if (sent.refused)
        return "refused";
    if (!sent.readBack)
        return "read-back";
    if (!sent.notSent.empty() && sent.missing.empty())
        return "not-sent";
    return sent.answered ? "not-reached" : "lost";
}

// The snapshot before a change; false when it could not be written, and then nothing is sent.
bool snapshotFirst(const Snapshot &live, const ChangeOptions &options, TargetReport &report)
{
    if (options.backupDir.empty())
        return true;
    std::string error;
    if (writeSnapshot(live, options.backupDir, report.name, report.snapshot, error))
        return true;
    fail(report, "snapshot", "its snapshot could not be written, nothing sent: " + error);
    return false;
}

void recordSent(const SendResult &sent, TargetReport &report)
{
    report.answeredOk = sent.answeredOk;
    report.readBack = sent.readBack;
    for (const RecordImage *r : sent.reached)
        report.reached.push_back(r->label());
    for (const RecordImage *r : sent.missing)
        report.missing.push_back(r->label());
    for (const RecordImage *r : sent.notSent)
        report.notSent.push_back(r->label());
    report.restart = sent.restart;
}

// After a change that asks for a restart, with --reboot-if-needed.
void rebootIfAsked(std::int32_t login, const ChangeOptions &options, TargetReport &report)
{
    if (!options.rebootIfNeeded || report.restart.empty())
        return;
    if (options.dryRun) {
        report.reboot.state = RebootReport::State::WouldReboot;
        return;
    }
    report.reboot = rebootAndWait(login, options.rebootWaitSeconds);
    if (report.reboot.state == RebootReport::State::Refused)
        fail(report, "reboot", "the recorder refused the reboot; it still asks for a restart");
    else if (report.reboot.state == RebootReport::State::NotBack)
        fail(report, "reboot",
             "rebooted, but it did not answer again within " + std::to_string(options.rebootWaitSeconds) + " s");
}

std::string rebootLine(const RebootReport &r)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", r.seconds);
    switch (r.state) {
    case RebootReport::State::WouldReboot: return "would reboot it";
    case RebootReport::State::Refused: return "the reboot was refused";
    case RebootReport::State::BackOnline: return std::string("rebooted; it answered again after ") + seconds + " s";
    case RebootReport::State::NotBack: return std::string("rebooted; no answer after ") + seconds + " s";
    default: return {};
    }
}

} // namespace

const char *rebootText(RebootReport::State state)
{
    switch (state) {
    case RebootReport::State::NotAsked: return "not asked";
    case RebootReport::State::WouldReboot: return "would reboot";
    case RebootReport::State::Refused: return "refused";
    case RebootReport::State::BackOnline: return "back online";
    case RebootReport::State::NotBack: return "not back";
    }
    return "";
}

bool writeSnapshot(const Snapshot &live, const std::string &dir, const std::string &name, std::string &path,
                   std::string &error)
{
    std::string base;
    for (const char c : name.empty() ? live.source : name)
        base += std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' ? c : '_';
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    // Workers of one run pick their names one at a time, so two never take the same.
    static std::mutex naming;
    std::lock_guard lock(naming);
    for (int n = 1;; ++n) {
        path = dir + "/" + base + "-" + stamp + (n > 1 ? "-" + std::to_string(n) : std::string()) + ".json";
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            break;
    }
    Snapshot s = live;
    if (s.source.empty())
        s.source = name;
    return checkWritable(path, error) && writeFileAtomically(path, toJson(s), error);
}

RebootReport rebootAndWait(std::int32_t login, int waitSeconds)
{
    using Clock = std::chrono::steady_clock;
    RebootReport report;
    const auto start = Clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    const SdkApi &api = sdk_api();
    if (!api.rebootDevice || api.rebootDevice(login) == 0) {
        report.state = RebootReport::State::Refused;
        return report;
    }
    // The device information answers once the recorder is up again; the log-in connects anew
    // by itself.
    const RecordKind *device = findKind("device");
    auto r = zeroed();
    while (elapsed() < waitSeconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (device->get(login, 0, *r, 0, nullptr, true)) {
            report.state = RebootReport::State::BackOnline;
            report.seconds = elapsed();
            return report;
        }
    }
    report.state = RebootReport::State::NotBack;
    report.seconds = elapsed();
    return report;
}

RestoreReport restore(const Snapshot &backup, std::int32_t login, const RestoreOptions &options)
{
    RestoreReport report;
    auto &lines = report.lines;
    Snapshot live;
    std::string error;
    if (!loadLogin(login, live, error, backup.deviceInfo())) {
        lines.push_back("error: " + error);
        fail(report.target, "load", "loading its records failed: " + error);
        return report;
    }
    const DeviceInfoRecord *b = backup.deviceInfo(), *l = live.deviceInfo();
    const auto serial = [](const DeviceInfoRecord &d) { return gbk::toUtf8(gbk::readField(d.serialNumber)); };
    const bool same = serial(*b) == serial(*l) && b->deviceType == l->deviceType &&
                      b->channelCount == l->channelCount && b->firstChannel == l->firstChannel &&
                      b->alarmInCount == l->alarmInCount && b->alarmOutCount == l->alarmOutCount &&
                      b->diskCount == l->diskCount;
    if (!same) {
        lines.push_back(std::string(options.force ? "warning" : "error") +
                        ": the backup is of another recorder (serial \"" + serial(*b) + "\", type " +
                        std::to_string(b->deviceType) + ", " + std::to_string(b->channelCount) + " channels, " +
                        std::to_string(b->diskCount) + " disks) than this one (serial \"" + serial(*l) + "\", type " +
                        std::to_string(l->deviceType) + ", " + std::to_string(l->channelCount) + " channels, " +
                        std::to_string(l->diskCount) + " disks)");
        if (!options.force) {
            lines.push_back("nothing sent; --force restores the records that fit");
            fail(report.target, "other-recorder", "the backup is of another recorder; nothing sent");
            return report;
        }
    }
    // What the recorder is to hold: the backup's named and carried bytes, except the hardware
    // facts it reports itself; records the device does not have are left out.
    Snapshot intended = live;
    for (RecordImage &r : intended.records) {
        const RecordImage *from = backup.find(r.kind, r.slot);
        if (!from)
            continue;
        std::vector<std::uint8_t> bytes = from->bytes;
        for (const Leaf &leaf : leavesOf(*r.kind))
            if (excluded(*r.kind, leaf, MergeRules{false, false}))
                std::memcpy(bytes.data() + leaf.offset, r.bytes.data() + leaf.offset, leaf.size);
        keepHardwareOf(*r.kind, r.bytes.data(), bytes.data(), model::countOf(Scope::Channel, *l));
        r.bytes = std::move(bytes);
    }
    TargetReport &target = report.target;
    target.fields = diffEntries(live, intended, options.only);
    const auto diff = linesOf(target.fields);
    lines.push_back(diff.empty() ? "the recorder already holds the backup's settings"
                                 : std::to_string(diff.size()) + " field(s) differ from the recorder:");
    for (const auto &d : diff)
        lines.push_back("  " + d);
    std::vector<const RecordImage *> send = pageOrder(intended, options.only);
    // Only what differs goes out, as apply does: a restore onto a recorder that already matches
    // sends nothing.
    send.erase(std::remove_if(send.begin(), send.end(),
                              [&](const RecordImage *r) {
                                  return !backup.find(r->kind, r->slot) ||
                                         r->bytes == live.find(r->kind, r->slot)->bytes;
                              }),
               send.end());
    for (const RecordImage *r : send)
        target.changed.push_back(r->label());
    std::vector<const RecordImage *> unsent; // differ, but no page of the dialog sends them here
    for (const RecordImage &r : intended.records)
        if (options.only.takes(r) && r.bytes != live.find(r.kind, r.slot)->bytes &&
            std::find(send.begin(), send.end(), &r) == send.end())
            unsent.push_back(&r);
    if (!unsent.empty())
        lines.push_back("never sent to this recorder (the dialog does not send them): " + joinLabels(unsent));
    const std::string unsentNote =
        unsent.empty() ? std::string()
                       : "; " + std::to_string(unsent.size()) + " record(s) never sent still differ from the backup";
    const auto restart = restartReasons(live, intended, send);
    if (options.dryRun) {
        lines.push_back("dry run: nothing sent; would send " + std::to_string(send.size()) + " record(s)");
        if (!restart.empty())
            lines.push_back("the recorder would ask for a restart (" + std::to_string(restart.size()) +
                            " record(s) under the restart rule)");
        target.outcome = send.empty() ? TargetReport::Outcome::Unchanged : TargetReport::Outcome::WouldApply;
        target.restart = restart;
        rebootIfAsked(login, options, target);
        report.ok = true;
        return report;
    }
    if (send.empty()) {
        report.differs = !unsent.empty();
        report.ok = !report.differs;
        lines.push_back("nothing sent: no record the recorder takes differs" + unsentNote);
        target.outcome = report.ok ? TargetReport::Outcome::Unchanged : TargetReport::Outcome::Failed;
        if (!report.ok)
            fail(target, "unsendable", "records the recorder cannot take still differ from the backup");
        return report;
    }
    if (!snapshotFirst(live, options, target)) {
        lines.push_back("error: " + target.reason);
        return report;
    }
    if (!target.snapshot.empty())
        lines.push_back("snapshot of the recorder before the change: " + target.snapshot);
    const SendResult sent = sendAndVerify(login, live, intended, send, options.reopen);
    recordSent(sent, target);
    report.sent = !sent.sent.empty();
    // A record no page sends here leaves the recorder different from the backup: not a success.
    report.differs = !unsent.empty();
    report.ok = sent.ok() && !report.differs;
    // "sent" counts what the recorder answered "ok", not what went out.
    lines.push_back("sent " + std::to_string(sent.answeredOk) + " of " + std::to_string(send.size()) + " record(s); " +
                    std::to_string(sent.reached.size()) + " read back byte for byte" + unsentNote);
    if (!report.ok) {
        // Exactly which of the records that had to change the recorder now holds, so the
        // operator knows where it stands before running the restore again.
        std::vector<const RecordImage *> reached;
        for (const RecordImage *r : sent.reached)
            if (r->bytes != live.find(r->kind, r->slot)->bytes)
                reached.push_back(r);
        lines.push_back("reached the recorder (read back): " + (reached.empty() ? "none" : joinLabels(reached)));
        if (!sent.missing.empty())
            lines.push_back(
                std::string(sent.readBack ? "did not reach the recorder: " : "not known to have reached it: ") +
                joinLabels(sent.missing));
        if (!sent.notSent.empty())
            lines.push_back("not sent: " + joinLabels(sent.notSent));
        fail(target, causeOf(sent), sent.error.empty() ? "records the recorder cannot take still differ" : sent.error);
    } else {
        target.outcome = TargetReport::Outcome::Applied;
    }
    if (!sent.error.empty())
        lines.push_back(sent.ok() ? "note: " + sent.error + "; the read-back shows every record arrived"
                                  : "error: " + sent.error);
    std::string restartList;
    for (const auto &r : sent.restart)
        restartList += (restartList.empty() ? "" : ", ") + r;
    if (report.ok)
        lines.push_back(restartList.empty() ? "no restart needed" : "the recorder asks for a restart: " + restartList);
    else if (!restartList.empty())
        lines.push_back("what reached it asks for a restart: " + restartList);
    if (report.ok) {
        rebootIfAsked(login, options, target);
        if (target.reboot.state != RebootReport::State::NotAsked)
            lines.push_back(rebootLine(target.reboot));
        report.ok = target.outcome != TargetReport::Outcome::Failed;
    }
    return report;
}

const char *outcomeText(TargetReport::Outcome outcome)
{
    switch (outcome) {
    case TargetReport::Outcome::Applied: return "applied";
    case TargetReport::Outcome::Unchanged: return "unchanged";
    case TargetReport::Outcome::WouldApply: return "would apply";
    case TargetReport::Outcome::Failed: return "failed";
    case TargetReport::Outcome::Skipped: return "skipped";
    }
    return "";
}

namespace {

// The serial numbers of the recorders a run has logged in to: one recorder reached under two
// addresses that resolve apart (a second interface, a forwarded port) is still changed once.
// Embedded recorders are a new one at every log-in, so they claim nothing.
class SerialClaims {
public:
    // The address that claimed `serial` first, or empty when this one now holds it.
    std::string claim(const std::string &serial, const std::string &address)
    {
        if (serial.empty() || isEmbeddedAddress(address))
            return {};
        std::lock_guard lock(mutex_);
        const auto [it, added] = claimed_.emplace(serial, address);
        return added ? std::string() : it->second;
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::string> claimed_;
};

TargetReport applyOne(const Snapshot &tpl, const Target &target, const ApplyOptions &options, SerialClaims &serials)
{
    using Outcome = TargetReport::Outcome;
    TargetReport report;
    report.address = target.address;
    report.name = target.name;
    if (!target.credentials.error.empty()) {
        fail(report, "credentials", target.credentials.error);
        return report;
    }
    std::string error, cause;
    const std::int32_t login =
        logIn(target.address, target.credentials.user, target.credentials.password, error, &cause);
    if (login < 0) {
        fail(report, cause, error);
        return report;
    }
    Snapshot live;
    if (!loadLogin(login, live, error, tpl.deviceInfo())) {
        SdkLogout(login);
        fail(report, "load", "loading its records failed: " + error);
        return report;
    }
    live.source = target.address;
    const DeviceInfoRecord *t = tpl.deviceInfo(), *l = live.deviceInfo();
    if (const std::string first = serials.claim(
            textOf(reinterpret_cast<const std::uint8_t *>(l->serialNumber), sizeof l->serialNumber), target.address);
        !first.empty()) {
        SdkLogout(login);
        report.outcome = Outcome::Skipped;
        report.cause = "duplicate";
        report.reason = "a duplicate of " + first + " (the same serial number)";
        return report;
    }
    if (t->deviceType != l->deviceType)
        report.notes.push_back("type " + std::to_string(l->deviceType) + " differs from the template's " +
                               std::to_string(t->deviceType) + ": only the records that fit");
    for (const auto &[scope, what] : {std::pair{Scope::Channel, "channels"}, std::pair{Scope::AlarmIn, "alarm inputs"},
                                      std::pair{Scope::AlarmOut, "alarm outputs"}}) {
        const int mine = model::countOf(scope, *l), theirs = model::countOf(scope, *t);
        if (mine > theirs)
            report.notes.push_back(std::string(what) + " " + std::to_string(theirs + 1) + ".." + std::to_string(mine) +
                                   " have none in the template and stay as they are");
        else if (mine < theirs)
            report.notes.push_back(std::string("the template's ") + what + " beyond " + std::to_string(mine) +
                                   " do not fit");
    }
    Snapshot intended = live;
    const MergeRules rules{true, !options.includeNames};
    // High-definition recorders store other resolution codes: compression does not carry over
    // between the two families.
    const bool otherResolutions = isHighDefinitionType(t->deviceType) != isHighDefinitionType(l->deviceType);
    if (otherResolutions && (options.only.kinds.empty() || options.only.kinds.count("compression")))
        report.notes.push_back("compression left as it is: the template's resolutions are another device family's");
    bool anyFits = false;
    for (RecordImage &r : intended.records) {
        const RecordImage *from = tpl.find(r.kind, r.slot);
        if (!from || !options.only.takes(r) || (otherResolutions && r.kind == findKind("compression")))
            continue;
        anyFits = true;
        const std::vector<std::uint8_t> own = r.bytes;
        mergeFields(*r.kind, from->bytes.data(), r.bytes.data(), rules);
        keepHardwareOf(*r.kind, own.data(), r.bytes.data(), model::countOf(Scope::Channel, *l));
    }
    std::vector<const RecordImage *> send;
    for (const RecordImage *r : pageOrder(intended, options.only))
        if (r->bytes != live.find(r->kind, r->slot)->bytes)
            send.push_back(r);
    Snapshot sentOnly; // the fields of what goes out, as the recorder had them and as sent
    for (const RecordImage *r : send) {
        report.changed.push_back(r->label());
        sentOnly.records.push_back(*r);
    }
    for (const FieldEntry &f : diffEntries(live, sentOnly))
        if (sentOnly.find(findKind(f.kind), f.slot))
            report.fields.push_back(f);
    if (!anyFits) {
        report.outcome = Outcome::Skipped;
        report.cause = "no-fit";
        report.reason = "no record of the template fits it";
    } else if (send.empty()) {
        report.outcome = Outcome::Unchanged;
    } else if (options.dryRun) {
        report.outcome = Outcome::WouldApply;
        report.restart = restartReasons(live, intended, send);
        if (!report.restart.empty())
            report.notes.push_back("would ask for a restart");
        rebootIfAsked(login, options, report);
    } else if (snapshotFirst(live, options, report)) {
        const SendResult sent =
            sendAndVerify(login, live, intended, send,
                          reopenerFor(target.address, target.credentials.user, target.credentials.password));
        recordSent(sent, report);
        if (sent.ok()) {
            report.outcome = Outcome::Applied;
            if (!sent.error.empty())
                report.notes.push_back(sent.error + "; the read-back shows every record arrived");
            if (!sent.restart.empty())
                report.notes.push_back("asks for a restart");
            rebootIfAsked(login, options, report);
            if (report.reboot.state != RebootReport::State::NotAsked)
                report.notes.push_back(rebootLine(report.reboot));
        } else {
            fail(report, causeOf(sent),
                 sent.missing.empty() || !sent.readBack ? sent.error : "failed at " + sent.missing.front()->label());
            if (!sent.error.empty() && !sent.missing.empty() && sent.readBack)
                report.reason += " (" + sent.error + ")";
            if (!sent.restart.empty())
                report.notes.push_back("what reached it asks for a restart");
        }
    }
    SdkLogout(login);
    return report;
}

} // namespace

namespace {

// The numeric addresses and port HOST:PORT resolves to ("127.0.0.1 9217", "::1 9217"); the text
// itself when it is no such address or does not resolve.
std::set<std::string> endpointsOf(const std::string &address)
{
    const std::size_t colon = address.rfind(':');
    if (isEmbeddedAddress(address) || colon == std::string::npos || colon == 0)
        return {address};
    std::string host = address.substr(0, colon);
    const std::string port = address.substr(colon + 1);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
        return {address};
    std::set<std::string> out;
    for (const addrinfo *a = found; a; a = a->ai_next) {
        char h[NI_MAXHOST], p[NI_MAXSERV];
        if (getnameinfo(a->ai_addr, a->ai_addrlen, h, sizeof h, p, sizeof p, NI_NUMERICHOST | NI_NUMERICSERV) == 0)
            out.insert(std::string(h) + " " + p);
    }
    freeaddrinfo(found);
    if (out.empty())
        out.insert(address);
    return out;
}

// For each address, the earlier one naming the same recorder (by text or by a resolved address
// and port in common), or -1.
std::vector<int> duplicatesOf(const std::vector<std::string> &addresses)
{
    std::vector<std::set<std::string>> endpoints;
    std::vector<int> out;
    for (const std::string &address : addresses) {
        endpoints.push_back(endpointsOf(address));
        int first = -1;
        for (std::size_t j = 0; j + 1 < endpoints.size() && first < 0; ++j) {
            const auto &a = endpoints[j], &b = endpoints.back();
            if (addresses[j] == address ||
                std::any_of(a.begin(), a.end(), [&](const std::string &e) { return b.count(e) != 0; }))
                first = int(j);
        }
        out.push_back(first);
    }
    return out;
}

} // namespace

std::vector<TargetReport> apply(const Snapshot &tpl, const std::vector<Target> &targets, const ApplyOptions &options,
                                const TargetDone &done)
{
    std::vector<TargetReport> reports(targets.size());
    std::vector<std::string> addresses;
    for (const Target &t : targets)
        addresses.push_back(t.address);
    const std::vector<int> duplicates = duplicatesOf(addresses);
    SerialClaims serials;
    std::atomic<std::size_t> next{0};
    std::mutex doneMutex;
    int finished = 0;
    const auto worker = [&] {
        for (std::size_t i; (i = next++) < targets.size();) {
            TargetReport &report = reports[i];
            if (duplicates[i] >= 0 || (options.stop && options.stop->load())) {
                report.address = targets[i].address;
                report.name = targets[i].name;
                report.outcome = TargetReport::Outcome::Skipped;
                report.cause = duplicates[i] >= 0 ? "duplicate" : "interrupted";
                report.reason = duplicates[i] < 0 ? "interrupted before it was started"
                                : addresses[std::size_t(duplicates[i])] == addresses[i]
                                    ? "listed twice"
                                    : "a duplicate of " + addresses[std::size_t(duplicates[i])];
            } else {
                report = applyOne(tpl, targets[i], options, serials);
            }
            std::lock_guard lock(doneMutex);
            ++finished;
            if (done)
                done(report, finished, int(targets.size()));
        }
    };
    const int jobs = std::clamp<int>(options.jobs, 1, int(std::max<std::size_t>(targets.size(), 1)));
    std::vector<std::thread> threads;
    for (int j = 0; j < jobs; ++j)
        threads.emplace_back(worker);
    for (auto &t : threads)
        t.join();
    return reports;
}

std::vector<TargetReport> apply(const Snapshot &tpl, const std::vector<std::string> &addresses,
                                const ApplyOptions &options, const TargetDone &done)
{
    std::vector<Target> targets;
    for (const std::string &a : addresses)
        targets.push_back(Target{a, a, {}, Credentials{options.user, options.password, {}}});
    return apply(tpl, targets, options, done);
}

std::vector<std::string> reportLines(const TargetReport &r)
{
    std::vector<std::string> out;
    std::string head = (r.name.empty() || r.name == r.address ? r.address : r.name + " (" + r.address + ")") + ": " +
                       outcomeText(r.outcome);
    if (!r.reason.empty())
        head += " (" + r.reason + ")";
    if (!r.changed.empty() && r.outcome != TargetReport::Outcome::Failed)
        head += ", " + std::to_string(r.changed.size()) + " record(s)";
    out.push_back(head);
    const auto list = [&](const char *what, const std::vector<std::string> &items) {
        if (items.empty())
            return;
        std::string s;
        for (const auto &i : items)
            s += (s.empty() ? "" : ", ") + i;
        out.push_back(std::string("    ") + what + ": " + s);
    };
    if (r.outcome == TargetReport::Outcome::Failed) {
        list("reached it (read back)", r.reached);
        list(r.readBack ? "did not reach it" : "not known to have reached it (the read-back failed)", r.missing);
        list("not sent", r.notSent);
    } else if (r.outcome == TargetReport::Outcome::WouldApply) {
        list("would change", r.changed);
    } else {
        list("changed", r.changed);
    }
    for (const auto &n : r.notes)
        out.push_back("    " + n);
    return out;
}

namespace {

// Set from a plain signal handler: a lock-free atomic is all it may touch.
std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);
constexpr int StopSignals[] = {SIGINT, SIGTERM};

void onStopSignal(int) { g_stopRequested.store(true); }

} // namespace

StopOnSignals::StopOnSignals()
{
    g_stopRequested.store(false);
    for (std::size_t i = 0; i < std::size(StopSignals); ++i)
        previous_[i] = std::signal(StopSignals[i], onStopSignal);
}

StopOnSignals::~StopOnSignals()
{
    for (std::size_t i = 0; i < std::size(StopSignals); ++i)
        std::signal(StopSignals[i], previous_[i] == SIG_ERR ? SIG_DFL : previous_[i]);
}

const std::atomic<bool> &StopOnSignals::requested() const { return g_stopRequested; }

} // namespace dvrcfg
