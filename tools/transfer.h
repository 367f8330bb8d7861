#pragma once
// dvrcfg's way onto a recorder: the dialog's page order and restart rule, send and read back,
// restore of a backup and the parallel roll-out of a template.
#include "tools/backupfile.h"
#include "tools/fieldview.h"
#include "tools/inventory.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dvrcfg {

// Restart rule of the dialog's pages between what the recorder holds and what is sent.
std::vector<std::string> restartReasons(const Snapshot &before, const Snapshot &after,
                                        const std::vector<const RecordImage *> &sent);

struct SendResult {
    bool answered = false;                    // every set command was answered "ok"
    bool refused = false;                     // an answer said other than "ok" (a lost one says nothing)
    int answeredOk = 0;                       // set commands the recorder answered "ok"
    bool readBack = false;                    // the read-back succeeded
    std::vector<const RecordImage *> sent;    // whose set command went out, in order
    std::vector<const RecordImage *> notSent; // of those asked for, no set command could be made
    std::vector<const RecordImage *> reached; // of those sent, read back as intended
    std::vector<const RecordImage *> missing; // of those sent, read back different (or not read back)
    std::vector<std::string> restart;         // what reached the recorder and asks for a restart
    std::string error;
    // A lost answer is judged by the read-back; a refusal stays a failure.
    bool ok() const { return !refused && readBack && missing.empty() && notSent.empty(); }
};

// Sends `intended`'s records selected by `send` in the dialog's page order (the scale setting
// where its page sends it) and reads back what was sent, all in one pipelined batch; a read-back
// that did not come back is tried once more over `reopen`'s fresh log-in (or the same one,
// without it).
SendResult sendAndVerify(std::int32_t login, const Snapshot &live, const Snapshot &intended,
                         const std::vector<const RecordImage *> &send,
                         const std::function<std::int32_t()> &reopen = {});
// A fresh log-in to the address, for a retry; none for an embedded recorder.
std::function<std::int32_t()> reopenerFor(const std::string &address, const std::string &user,
                                          const std::string &password);

// Records of `s` selected for sending, in the dialog's page order (skips what the device type
// never sends).
std::vector<const RecordImage *> pageOrder(const Snapshot &s, const Selection &selection);

// What restore and apply do around a change: a snapshot of the recorder before it, and a
// reboot after it when the restart rule asks for one.
struct ChangeOptions {
    Selection only;
    bool dryRun = false;
    std::string backupDir;       // each target's backup is written here before it is changed
    bool rebootIfNeeded = false; // reboots a recorder whose restart rule fired, waits until it answers
    int rebootWaitSeconds = 180; // how long a rebooted recorder may take to answer again
};

// How a reboot asked for by the restart rule went.
struct RebootReport {
    enum class State { NotAsked, WouldReboot, Refused, BackOnline, NotBack } state = State::NotAsked;
    double seconds = 0; // from the reboot command until it answered again (or gave up)
};
const char *rebootText(RebootReport::State state);

struct TargetReport {
    std::string address;
    std::string name; // the inventory's name, else the address
    enum class Outcome { Applied, Unchanged, WouldApply, Failed, Skipped } outcome = Outcome::Failed;
    std::string cause;                // a failure or skip in one word, see causeText's list
    std::string reason;               // failed at / skipped because
    std::vector<std::string> changed; // labels of the records that differed
    std::vector<FieldEntry> fields;   // their fields as the recorder had them -> as sent
    std::vector<std::string> reached; // of those, read back as sent
    std::vector<std::string> missing; // of those sent, not (or not known to be) on the recorder
    std::vector<std::string> notSent; // of those, never sent (after a failure)
    int answeredOk = 0;               // set commands the recorder answered "ok"
    bool readBack = true;             // false: whether `missing` reached it is not known
    std::vector<std::string> restart; // what reached it (a dry run: would be sent) and asks for a restart
    std::string snapshot;             // the backup written before the change
    RebootReport reboot;
    std::vector<std::string> notes; // type or counts that differ, restart
};
const char *outcomeText(TargetReport::Outcome outcome);

struct RestoreOptions : ChangeOptions {
    bool force = false;
    std::string name;                     // for the snapshot's file name; the backup's source without one
    std::function<std::int32_t()> reopen; // a fresh log-in to the recorder, for a retry
};
struct RestoreReport {
    bool ok = false;
    bool sent = false;              // false: refused or failed before any set command
    bool differs = false;           // records the recorder cannot take still differ from the backup
    std::vector<std::string> lines; // for the operator, in order
    TargetReport target;            // the same, for --json
};
RestoreReport restore(const Snapshot &backup, std::int32_t login, const RestoreOptions &options);

struct ApplyOptions : ChangeOptions {
    bool includeNames = false;
    int jobs = 4;
    std::string user = "admin", password = "12345"; // for targets given as addresses
    const std::atomic<bool> *stop = nullptr;        // once set, no further target is started
};
// Runs the targets in parallel (at most `jobs` at once); `done` is called from the workers
// (serialised) as each target finishes.
using TargetDone = std::function<void(const TargetReport &, int finished, int total)>;
std::vector<TargetReport> apply(const Snapshot &tpl, const std::vector<Target> &targets, const ApplyOptions &options,
                                const TargetDone &done = {});
std::vector<TargetReport> apply(const Snapshot &tpl, const std::vector<std::string> &addresses,
                                const ApplyOptions &options, const TargetDone &done = {});
std::vector<std::string> reportLines(const TargetReport &report);

// Writes `live` into `dir` as NAME-YYYYmmddTHHMMSSZ.json (never over an earlier one); the path
// in `path`, or false with the cause in `error`.
bool writeSnapshot(const Snapshot &live, const std::string &dir, const std::string &name, std::string &path,
                   std::string &error);
// Reboots the recorder and waits, at most `waitSeconds`, until it answers again.
RebootReport rebootAndWait(std::int32_t login, int waitSeconds);

// While one lives, SIGINT and SIGTERM only set requested() (cleared when it is made); the
// previous handlers come back after.
class StopOnSignals {
public:
    StopOnSignals();
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals &) = delete;
    StopOnSignals &operator=(const StopOnSignals &) = delete;
    const std::atomic<bool> &requested() const;

private:
    void (*previous_[2])(int) = {};
};

} // namespace dvrcfg
