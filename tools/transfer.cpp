#include "tools/transfer.h"

#include "command/Configfuc.h"
#include "command/gbktext.h"
#include "sdk/quellport.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

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
    auto shape = zeroed();
    shape->deviceInfo = *d;
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

SendResult sendAndVerify(std::int32_t login, const Snapshot &live, const Snapshot &intended,
                         const std::vector<const RecordImage *> &send)
{
    SendResult result;
    auto r = zeroed();
    writeInto(live, *r);
    writeInto(intended, *r);
    result.answered = true;
    // One set batch per page, in page order, as the pages save; the scale setting goes at once.
    for (int page = 0; page < model::PageCount && result.answered; ++page) {
        std::vector<const RecordImage *> queued; // go out with the page's batch
        for (const RecordImage *x : send) {
            if (x->kind->firstPage() != page)
                continue;
            if (isScale(*x)) {
                result.sent.push_back(x);
                if (!config_set_scale(login, &r->scaleFlag)) {
                    result.answered = false;
                    result.error = "the scale setting was refused";
                    break;
                }
                continue;
            }
            if (x->kind->set(login, x->channel, *r, x->slot, false))
                queued.push_back(x);
        }
        if (result.answered && !queued.empty()) {
            result.sent.insert(result.sent.end(), queued.begin(), queued.end());
            if (!config_run_set_batch(nullptr, nullptr)) {
                result.answered = false;
                result.error = "a set command of page " + std::to_string(page) + " was not answered \"ok\"";
            }
        }
        config_clear_queue();
    }
    // Whatever the answers said, the recorder's own records tell what reached it: the records
    // sent, fetched again in one batch.
    auto back = zeroed();
    bool scaleRead = true;
    for (const RecordImage *x : send) {
        if (isScale(*x))
            scaleRead = config_get_scale(login, &back->scaleFlag);
        else
            x->kind->get(login, x->channel, *back, x->slot, nullptr, false);
    }
    result.readBack = config_run_get_batch(nullptr, nullptr) && scaleRead;
    config_clear_queue();
    for (const RecordImage *x : send) {
        const std::uint8_t *now = x->kind->at(*back, x->slot);
        const bool same = std::memcmp(now, x->bytes.data(), x->bytes.size()) == 0 && (!isScale(*x) || scaleRead);
        (result.readBack && same ? result.reached : result.missing).push_back(x);
    }
    if (!result.readBack)
        result.error += (result.error.empty() ? "" : "; ") + std::string("the read-back failed, so which records "
                                                                         "reached the recorder is not known");
    // Only what reached the recorder can ask for a restart.
    result.restart = restartReasons(live, intended, result.reached);
    return result;
}

RestoreReport restore(const Snapshot &backup, std::int32_t login, const RestoreOptions &options)
{
    RestoreReport report;
    auto &lines = report.lines;
    Snapshot live;
    std::string error;
    if (!loadLogin(login, live, error)) {
        lines.push_back("error: " + error);
        return report;
    }
    const DeviceInfoRecord *b = backup.deviceInfo(), *l = live.deviceInfo();
    const auto serial = [](const DeviceInfoRecord &d) { return gbk::toUtf8(gbk::readField(d.serialNumber)); };
    const bool same = serial(*b) == serial(*l) && b->deviceType == l->deviceType &&
                      b->channelCount == l->channelCount && b->firstChannel == l->firstChannel &&
                      b->alarmInCount == l->alarmInCount && b->alarmOutCount == l->alarmOutCount;
    if (!same) {
        lines.push_back(std::string(options.force ? "warning" : "error") +
                        ": the backup is of another recorder (serial \"" + serial(*b) + "\", type " +
                        std::to_string(b->deviceType) + ", " + std::to_string(b->channelCount) +
                        " channels) than this one (serial \"" + serial(*l) + "\", type " +
                        std::to_string(l->deviceType) + ", " + std::to_string(l->channelCount) + " channels)");
        if (!options.force) {
            lines.push_back("nothing sent; --force restores the records that fit");
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
        r.bytes = std::move(bytes);
    }
    const auto diff = diffLines(live, intended, options.only);
    lines.push_back(diff.empty() ? "the recorder already holds the backup's settings"
                                 : std::to_string(diff.size()) + " field(s) differ from the recorder:");
    for (const auto &d : diff)
        lines.push_back("  " + d);
    std::vector<const RecordImage *> send = pageOrder(intended, options.only);
    send.erase(
        std::remove_if(send.begin(), send.end(), [&](const RecordImage *r) { return !backup.find(r->kind, r->slot); }),
        send.end());
    std::vector<const RecordImage *> unsent; // differ, but no page of the dialog sends them here
    for (const RecordImage &r : intended.records)
        if (options.only.takes(r) && r.bytes != live.find(r.kind, r.slot)->bytes &&
            std::find(send.begin(), send.end(), &r) == send.end())
            unsent.push_back(&r);
    if (!unsent.empty())
        lines.push_back("never sent to this recorder (the dialog does not send them): " + joinLabels(unsent));
    const auto restart = restartReasons(live, intended, send);
    if (options.dryRun) {
        lines.push_back("dry run: nothing sent; would send " + std::to_string(send.size()) + " record(s)");
        if (!restart.empty())
            lines.push_back("the recorder would ask for a restart (" + std::to_string(restart.size()) +
                            " record(s) under the restart rule)");
        report.ok = true;
        return report;
    }
    const SendResult sent = sendAndVerify(login, live, intended, send);
    report.sent = !sent.sent.empty();
    report.ok = sent.answered && sent.readBack && sent.missing.empty();
    lines.push_back("sent " + std::to_string(sent.sent.size()) + " of " + std::to_string(send.size()) + " record(s); " +
                    std::to_string(sent.reached.size()) + " read back byte for byte");
    if (!report.ok) {
        // Exactly which of the records that had to change the recorder now holds, so the
        // operator knows where it stands before running the restore again.
        std::vector<const RecordImage *> reached;
        for (const RecordImage *r : sent.reached)
            if (r->bytes != live.find(r->kind, r->slot)->bytes)
                reached.push_back(r);
        lines.push_back("reached the recorder (read back): " + (reached.empty() ? "none" : joinLabels(reached)));
        lines.push_back(std::string(sent.readBack ? "did not reach the recorder: " : "not known to have reached it: ") +
                        joinLabels(sent.missing));
    }
    if (!sent.error.empty())
        lines.push_back("error: " + sent.error);
    std::string restartList;
    for (const auto &r : sent.restart)
        restartList += (restartList.empty() ? "" : ", ") + r;
    if (report.ok)
        lines.push_back(restartList.empty() ? "no restart needed" : "the recorder asks for a restart: " + restartList);
    else if (!restartList.empty())
        lines.push_back("what reached it asks for a restart: " + restartList);
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

TargetReport applyOne(const Snapshot &tpl, const std::string &address, const ApplyOptions &options)
{
    using Outcome = TargetReport::Outcome;
    TargetReport report;
    report.address = address;
    const std::int32_t login = SdkLogin(address.c_str(), options.user.c_str(), options.password.c_str());
    if (login < 0) {
        report.reason = "log-in failed";
        return report;
    }
    Snapshot live;
    std::string error;
    if (!loadLogin(login, live, error)) {
        SdkLogout(login);
        report.reason = "loading its records failed: " + error;
        return report;
    }
    const DeviceInfoRecord *t = tpl.deviceInfo(), *l = live.deviceInfo();
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
        mergeFields(*r.kind, from->bytes.data(), r.bytes.data(), rules);
    }
    std::vector<const RecordImage *> send;
    for (const RecordImage *r : pageOrder(intended, options.only))
        if (r->bytes != live.find(r->kind, r->slot)->bytes)
            send.push_back(r);
    for (const RecordImage *r : send)
        report.changed.push_back(r->label());
    if (!anyFits) {
        report.outcome = Outcome::Skipped;
        report.reason = "no record of the template fits it";
    } else if (send.empty()) {
        report.outcome = Outcome::Unchanged;
    } else if (options.dryRun) {
        report.outcome = Outcome::WouldApply;
        const auto restart = restartReasons(live, intended, send);
        if (!restart.empty())
            report.notes.push_back("would ask for a restart");
    } else {
        const SendResult sent = sendAndVerify(login, live, intended, send);
        report.readBack = sent.readBack;
        for (const RecordImage *r : sent.reached)
            report.reached.push_back(r->label());
        for (const RecordImage *r : sent.missing)
            report.missing.push_back(r->label());
        if (sent.answered && sent.readBack && sent.missing.empty()) {
            report.outcome = Outcome::Applied;
            if (!sent.restart.empty())
                report.notes.push_back("asks for a restart");
        } else {
            report.outcome = Outcome::Failed;
            report.reason =
                sent.missing.empty() || !sent.readBack ? sent.error : "failed at " + sent.missing.front()->label();
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

std::vector<TargetReport> apply(const Snapshot &tpl, const std::vector<std::string> &addresses,
                                const ApplyOptions &options,
                                const std::function<void(const TargetReport &, int, int)> &done)
{
    std::vector<TargetReport> reports(addresses.size());
    std::atomic<std::size_t> next{0};
    std::mutex doneMutex;
    int finished = 0;
    const auto worker = [&] {
        for (std::size_t i; (i = next++) < addresses.size();) {
            TargetReport &report = reports[i];
            if (std::find(addresses.begin(), addresses.begin() + std::ptrdiff_t(i), addresses[i]) !=
                addresses.begin() + std::ptrdiff_t(i)) {
                report.address = addresses[i];
                report.outcome = TargetReport::Outcome::Skipped;
                report.reason = "listed twice";
            } else {
                report = applyOne(tpl, addresses[i], options);
            }
            std::lock_guard lock(doneMutex);
            ++finished;
            if (done)
                done(report, finished, int(addresses.size()));
        }
    };
    const int jobs = std::clamp<int>(options.jobs, 1, int(std::max<std::size_t>(addresses.size(), 1)));
    std::vector<std::thread> threads;
    for (int j = 0; j < jobs; ++j)
        threads.emplace_back(worker);
    for (auto &t : threads)
        t.join();
    return reports;
}

std::vector<std::string> reportLines(const TargetReport &r)
{
    std::vector<std::string> out;
    std::string head = r.address + ": " + outcomeText(r.outcome);
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
    } else if (r.outcome == TargetReport::Outcome::WouldApply) {
        list("would change", r.changed);
    } else {
        list("changed", r.changed);
    }
    for (const auto &n : r.notes)
        out.push_back("    " + n);
    return out;
}

} // namespace dvrcfg
