#pragma once
// dvrcfg: back up, show, compare, restore and roll out recorder configurations. The records
// travel by the dialog's own full load and save order; the field tables give them names.
#include "fields/fieldtables.h"
#include "model/catalogue.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace dvrcfg {

// The kinds of record are the catalogue's; dvrcfg knows those a full load fetches.
using model::RecordKind;
using model::Scope;
const std::vector<const RecordKind *> &recordKinds();
const RecordKind *findKind(const std::string &name);

struct RecordImage {
    const RecordKind *kind = nullptr;
    int slot = 0;    // channel k, alarm input i, alarm output j; 0 for device-wide records
    int channel = 0; // the command's channel argument
    std::vector<std::uint8_t> bytes;
    std::string label() const; // "channel 2 · compression"
};

struct Snapshot {
    std::string created;              // UTC, ISO 8601
    std::string source;               // where it was read from
    std::vector<RecordImage> records; // in full-load order
    const RecordImage *find(const RecordKind *kind, int slot) const;
    RecordImage *find(const RecordKind *kind, int slot);
    const DeviceInfoRecord *deviceInfo() const;
};

// Records present for the device's type and counts, in full-load order.
Snapshot snapshotOf(const DvrRecords &r);
// Writes the images into `r` (records not in the snapshot stay as they are).
void writeInto(const Snapshot &s, DvrRecords &r);

// Full load through a log-in; false with the step that failed in `error`.
bool loadLogin(std::int32_t login, Snapshot &out, std::string &error);
// Log-in to an address (sim://… or HOST:PORT), full load, log-out.
bool loadAddress(const std::string &address, const std::string &user, const std::string &password, Snapshot &out,
                 std::string &error);

// Backup files: JSON with identity, records (hex authoritative, decoded fields) and a SHA-256
// over the raw records. Reading refuses any file whose hash, fields or identity do not verify.
QByteArray toJson(const Snapshot &s);
bool fromJson(const QByteArray &json, Snapshot &out, std::string &error);
bool writeFileAtomically(const std::string &path, const QByteArray &bytes, std::string &error);
bool readBackup(const std::string &path, Snapshot &out, std::string &error);

// An argument that names a recorder rather than a file.
bool looksLikeAddress(const std::string &argument);

// Which records a command looks at: kinds (empty = all) and a 1-based channel/input/output (0 = all).
struct Selection {
    std::set<std::string> kinds;
    int number = 0;
    bool takes(const RecordImage &image) const;
};
// "a,b,c" into kind names; false with the unknown name in `error`.
bool parseKinds(const std::string &list, std::set<std::string> &kinds, std::string &error);

std::vector<std::string> showLines(const Snapshot &s, const Selection &selection);
// One line per differing field, carried ranges as ranges; records only on one side as such.
std::vector<std::string> diffLines(const Snapshot &a, const Snapshot &b, const Selection &selection = {});

// Copies the template's named fields into `target`, leaving carried bytes and the excluded
// fields (hardware facts always; the recorder's network identity unless `withIdentity`) as they are.
struct MergeRules {
    bool keepIdentity = true; // device name and number, addresses, ports, MAC, credentials
    bool keepNames = true;    // channel and alarm-input names
};
void mergeFields(const RecordKind &kind, const std::uint8_t *from, std::uint8_t *into, const MergeRules &rules);
// The excluded fields, one "kind.field (why)" line each, for --help.
std::vector<std::string> excludedFieldLines();

// Restart rule of the dialog's pages between what the recorder holds and what is sent.
std::vector<std::string> restartReasons(const Snapshot &before, const Snapshot &after,
                                        const std::vector<const RecordImage *> &sent);

struct SendResult {
    bool answered = false;                 // every set command was answered "ok"
    bool readBack = false;                 // the read-back succeeded
    std::vector<const RecordImage *> sent; // whose set command went out, in order (a failure stops the pages after it)
    std::vector<const RecordImage *> reached; // of those asked for, read back as intended
    std::vector<const RecordImage *> missing; // of those asked for, read back different (or unknown)
    std::vector<std::string> restart;         // what reached the recorder and asks for a restart
    std::string error;
};

// Sends `intended`'s records selected by `send` in the dialog's page order (one set batch per
// page, the scale setting as its single command), then reads everything back.
SendResult sendAndVerify(std::int32_t login, const Snapshot &live, const Snapshot &intended,
                         const std::vector<const RecordImage *> &send);

// Records of `s` selected for sending, in the dialog's page order (skips what the device type
// never sends).
std::vector<const RecordImage *> pageOrder(const Snapshot &s, const Selection &selection);

struct RestoreOptions {
    Selection only;
    bool dryRun = false;
    bool force = false;
};
struct RestoreReport {
    bool ok = false;
    bool sent = false;              // false: refused or failed before any set command
    std::vector<std::string> lines; // for the operator, in order
};
RestoreReport restore(const Snapshot &backup, std::int32_t login, const RestoreOptions &options);

struct ApplyOptions {
    Selection only;
    bool dryRun = false;
    bool includeNames = false;
    int jobs = 4;
    std::string user = "admin", password = "12345";
};
struct TargetReport {
    std::string address;
    enum class Outcome { Applied, Unchanged, WouldApply, Failed, Skipped } outcome = Outcome::Failed;
    std::string reason;               // failed at / skipped because
    std::vector<std::string> changed; // labels of the records that differed
    std::vector<std::string> reached; // of those, read back as sent
    std::vector<std::string> missing; // of those, not (or not known to be) on the recorder
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

} // namespace dvrcfg
