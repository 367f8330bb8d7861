#pragma once
// dvrcfg's snapshot of a recorder's records and its backup file. The records travel by the
// dialog's own full load order; the catalogue names their kinds.
#include "fields/fieldtables.h"
#include "model/catalogue.h"

#include <QByteArray>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>
#include <memory>
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

// Full load through a log-in: the records of model::fullLoad, byte for byte, in fewer round
// trips. Without a guess, the device information, then everything else in one batch. With a
// guess of the device information (a template's, a backup's), one batch with the device
// information first and every record of the guessed shape, then one more for the records of the
// real shape the guess did not ask for; answers for records the recorder does not have are
// dropped. False with the step that failed in `error`, also when an answer held fewer bytes than
// its record: what is loaded is the device's, never bytes made up in its place.
bool loadLogin(std::int32_t login, Snapshot &out, std::string &error, const DeviceInfoRecord *guess = nullptr);
// Log-in to an address (sim://… or HOST:PORT); -1 with the cause, as far as it can be told, in
// `error`: a malformed address, a host name that does not resolve, or a recorder that refused.
// `cause`, when given, gets it in one word: "address", "unresolved", "profile" or "login".
std::int32_t logIn(const std::string &address, const std::string &user, const std::string &password, std::string &error,
                   std::string *cause = nullptr);
// Log-in to an address (sim://… or HOST:PORT), full load, log-out.
bool loadAddress(const std::string &address, const std::string &user, const std::string &password, Snapshot &out,
                 std::string &error, std::string *cause = nullptr);

// Backup files: JSON with identity, records (hex authoritative, decoded fields) and a SHA-256
// over the raw records. Reading refuses any file whose hash, fields or identity do not verify.
QByteArray toJson(const Snapshot &s);
// The identity a backup names its recorder by: name, serial and device numbers, type, counts, versions.
QJsonObject identityOf(const DeviceInfoRecord &d);
bool fromJson(const QByteArray &json, Snapshot &out, std::string &error);
// Written readable by the owner only: a backup holds the PPPoE and PPP passwords in clear.
bool writeFileAtomically(const std::string &path, const QByteArray &bytes, std::string &error);
// A file can be written at `path`: its directory exists and is writable, and it is no directory.
bool checkWritable(const std::string &path, std::string &error);
// Refuses anything but a regular file of at most maxBackupSize() bytes, unread.
bool readBackup(const std::string &path, Snapshot &out, std::string &error);
qint64 maxBackupSize();

// An argument that names a recorder rather than a file.
bool looksLikeAddress(const std::string &argument);
// An embedded simulated recorder (sim://…): a new one at every log-in, with no network address.
inline bool isEmbeddedAddress(const std::string &address) { return address.rfind("sim://", 0) == 0; }

// Shared by dvrcfg's sources, not part of its interface.
// A record set with every byte zero: a device's shape, or the target of a read-back.
std::unique_ptr<DvrRecords> zeroed();
// A record set whose device information alone is set: enough for the catalogue's walks of a
// device's records (fullLoadOrder, saveOf), which read nothing else. Its other bytes are not set.
std::unique_ptr<DvrRecords> shapeOf(const DeviceInfoRecord &d);
std::string hexOf(const std::uint8_t *data, std::size_t size);
// A GBK text field of `width` bytes, as UTF-8.
std::string textOf(const std::uint8_t *at, std::size_t width);

} // namespace dvrcfg
