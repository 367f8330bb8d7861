#pragma once
// dvrcfg's way onto a recorder: the dialog's page order and restart rule, send and read back,
// restore of a backup and the parallel roll-out of a template.
#include "tools/backupfile.h"
#include "tools/fieldview.h"

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

struct RestoreOptions {
    Selection only;
    bool dryRun = false;
    bool force = false;
    std::function<std::int32_t()> reopen; // a fresh log-in to the recorder, for a retry
};
struct RestoreReport {
    bool ok = false;
    bool sent = false;              // false: refused or failed before any set command
    bool differs = false;           // records the recorder cannot take still differ from the backup
    std::vector<std::string> lines; // for the operator, in order
};
RestoreReport restore(const Snapshot &backup, std::int32_t login, const RestoreOptions &options);

struct ApplyOptions {
    Selection only;
    bool dryRun = false;
    bool includeNames = false;
    int jobs = 4;
    std::string user = "admin", password = "12345";
    const std::atomic<bool> *stop = nullptr; // once set, no further target is started
};
struct TargetReport {
    std::string address;
    enum class Outcome { Applied, Unchanged, WouldApply, Failed, Skipped } outcome = Outcome::Failed;
    std::string reason;               // failed at / skipped because
    std::vector<std::string> changed; // labels of the records that differed
    std::vector<std::string> reached; // of those, read back as sent
    std::vector<std::string> missing; // of those sent, not (or not known to be) on the recorder
    std::vector<std::string> notSent; // of those, never sent (after a failure)
    bool readBack = true;             // false: whether `missing` reached it is not known
    std::vector<std::string> notes;   // type or counts that differ, restart
};
const char *outcomeText(TargetReport::Outcome outcome);
// Runs the targets in parallel (at most `jobs` at once); `done` is called from the workers
// (serialised) as each target finishes.
std::vector<TargetReport> apply(const Snapshot &tpl, const std::vector<std::string> &addresses,
                                const ApplyOptions &options,
                                const std::function<void(const TargetReport &, int finished, int total)> &done = {});
std::vector<std::string> reportLines(const TargetReport &report);

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
