#include "tools/backupfile.h"

#include "command/gbktext.h"
#include "tools/exchange.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#ifdef _WIN32
#include <io.h>
#define access _access
#define W_OK 2
#else
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace dvrcfg {
namespace {

const char *const FormatName = "dvrcfg-backup";
constexpr int FormatVersion = 1;

QJsonValue decodeValue(const fields::Field &f, const std::uint8_t *at);

QJsonObject decodeTable(const fields::Table &table, const std::uint8_t *record)
{
    QJsonObject o;
    for (const fields::Field &f : table.fields)
        if (f.kind != fields::Kind::Carried)
            o.insert(QString::fromLatin1(f.name), decodeValue(f, record + f.offset));
    return o;
}

QJsonValue decodeElement(const fields::Field &f, const std::uint8_t *at, std::size_t size)
{
    switch (f.kind) {
    case fields::Kind::Unsigned:
    case fields::Kind::Signed: return QJsonValue(qint64(fields::readInteger(at, size, f.kind == fields::Kind::Signed)));
    case fields::Kind::Text: return QString::fromStdString(textOf(at, size));
    case fields::Kind::Bytes: return QString::fromStdString(hexOf(at, size));
    case fields::Kind::Struct: return decodeTable(f.nested(), at);
    default: return {};
    }
}

QJsonValue decodeValue(const fields::Field &f, const std::uint8_t *at)
{
    if (f.count == 1)
        return decodeElement(f, at, f.size);
    QJsonArray a;
    for (std::size_t i = 0; i < f.count; ++i)
        a.append(decodeElement(f, at + i * f.elementSize(), f.elementSize()));
    return a;
}

} // namespace

QJsonObject identityOf(const DeviceInfoRecord &d)
{
    const auto *b = reinterpret_cast<const std::uint8_t *>(&d);
    QJsonObject o;
    o["name"] = QString::fromStdString(textOf(b + offsetof(DeviceInfoRecord, deviceName), sizeof d.deviceName));
    o["serialNumber"] =
        QString::fromStdString(textOf(b + offsetof(DeviceInfoRecord, serialNumber), sizeof d.serialNumber));
    o["deviceNumber"] = qint64(d.deviceNumber);
    o["deviceType"] = int(d.deviceType);
    o["channelCount"] = int(d.channelCount);
    o["firstChannel"] = int(d.firstChannel);
    o["alarmInCount"] = int(d.alarmInCount);
    o["alarmOutCount"] = int(d.alarmOutCount);
    o["diskCount"] = int(d.diskCount);
    // The texts the server page shows.
    const auto date = [](std::uint32_t d) {
        return QString::asprintf("%02u%02u%02u", d >> 16, (d >> 8) & 0xFF, d & 0xFF);
    };
    const std::uint32_t sw = d.softwareVersion;
    o["software"] = (sw >> 24 ? QString::asprintf("V%u.%u.%u", sw >> 24, (sw >> 16) & 0xFF, sw & 0xFFFF)
                              : QString::asprintf("V%u.%u", sw >> 16, sw & 0xFFFF)) +
                    QStringLiteral(" build ") + date(d.softwareBuildDate);
    o["dsp"] = QString::asprintf("V%u.%u build ", d.dspVersion >> 16, d.dspVersion & 0xFFFF) + date(d.dspBuildDate);
    o["hardware"] = QString::asprintf("0x%x", d.hardwareVersion);
    o["panel"] = QString::asprintf("%x", d.panelVersion);
    return o;
}

namespace {

QByteArray hashOf(const std::vector<RecordImage> &records)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const RecordImage &r : records) {
        const std::string head = std::string(r.kind->name) + ' ' + std::to_string(r.slot) + ' ' +
                                 std::to_string(r.channel) + ' ' + std::to_string(r.bytes.size()) + '\n';
        h.addData(QByteArrayView(head.data(), qsizetype(head.size())));
        h.addData(QByteArrayView(reinterpret_cast<const char *>(r.bytes.data()), qsizetype(r.bytes.size())));
    }
    return h.result().toHex();
}

} // namespace

std::unique_ptr<DvrRecords> zeroed()
{
    auto r = std::make_unique<DvrRecords>();
    std::memset(static_cast<void *>(r.get()), 0, sizeof *r);
    return r;
}

std::string hexOf(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).toHex().toStdString();
}

std::string textOf(const std::uint8_t *at, std::size_t width)
{
    return gbk::toUtf8(gbk::readField(reinterpret_cast<const char *>(at), width));
}

const std::vector<const RecordKind *> &recordKinds()
{
    static const std::vector<const RecordKind *> kinds = [] {
        std::vector<const RecordKind *> fetched;
        for (const RecordKind &k : model::catalogue())
            if (k.fetched)
                fetched.push_back(&k);
        return fetched;
    }();
    return kinds;
}

const RecordKind *findKind(const std::string &name)
{
    for (const RecordKind *k : recordKinds())
        if (name == k->name)
            return k;
    return nullptr;
}

std::string RecordImage::label() const
{
    switch (kind->scope) {
    case Scope::Channel: return "channel " + std::to_string(slot + 1) + " · " + kind->label;
    case Scope::AlarmIn: return "alarm input " + std::to_string(slot + 1);
    case Scope::AlarmOut: return "alarm output " + std::to_string(slot + 1);
    default: return kind->label;
    }
}

const RecordImage *Snapshot::find(const RecordKind *kind, int slot) const
{
    for (const RecordImage &r : records)
        if (r.kind == kind && r.slot == slot)
            return &r;
    return nullptr;
}

RecordImage *Snapshot::find(const RecordKind *kind, int slot)
{
    return const_cast<RecordImage *>(std::as_const(*this).find(kind, slot));
}

const DeviceInfoRecord *Snapshot::deviceInfo() const
{
    const RecordImage *r = find(findKind("device"), 0);
    return r && r->bytes.size() == sizeof(DeviceInfoRecord)
               ? reinterpret_cast<const DeviceInfoRecord *>(r->bytes.data())
               : nullptr;
}

Snapshot snapshotOf(const DvrRecords &records)
{
    DvrRecords &r = const_cast<DvrRecords &>(records); // read only; the accessors serve both ways
    Snapshot s;
    for (const model::RecordSlot &x : model::fullLoadOrder(r)) {
        const std::uint8_t *at = x.kind->at(r, x.slot);
        s.records.push_back(RecordImage{x.kind, x.slot, x.channel, std::vector<std::uint8_t>(at, at + x.kind->size)});
    }
    return s;
}

void writeInto(const Snapshot &s, DvrRecords &r)
{
    for (const RecordImage &image : s.records)
        std::memcpy(image.kind->at(r, image.slot), image.bytes.data(), image.bytes.size());
}

std::unique_ptr<DvrRecords> shapeOf(const DeviceInfoRecord &d)
{
    auto r = std::make_unique_for_overwrite<DvrRecords>();
    r->deviceInfo = d;
    return r;
}

namespace {

// A record of a device as asked for: its kind, slot and channel argument.
using Asked = std::tuple<const RecordKind *, int, int>;
Asked askedOf(const model::RecordSlot &s) { return {s.kind, s.slot, s.channel}; }

enum class Got { Pending, Ok, Failed, Short };
struct Fetched {
    Got got = Got::Pending;
    std::vector<std::uint8_t> bytes; // the record's size; zero where no answer wrote
};

// The full load's records after the device information, in the order the dialog's commands
// reach the recorder: its single commands (scale, PTZ) go ahead of its batch.
std::vector<model::RecordSlot> afterDeviceInfo(const DvrRecords &shape)
{
    std::vector<model::RecordSlot> order = model::fullLoadOrder(shape);
    order.erase(
        std::remove_if(order.begin(), order.end(),
                       [](const model::RecordSlot &s) { return s.kind->single == model::LoadStop::DeviceInfo; }),
        order.end());
    std::stable_partition(order.begin(), order.end(),
                          [](const model::RecordSlot &s) { return s.kind->single != model::LoadStop::None; });
    return order;
}

// The step that failed, as the dialog's full load names it; a short answer by its record.
std::string failedStep(const model::RecordSlot &s, Got got)
{
    if (got == Got::Short)
        return "the recorder sent the " + RecordImage{s.kind, s.slot, s.channel, {}}.label() + " record short";
    switch (s.kind->single) {
    case model::LoadStop::DeviceInfo: return "the device information could not be read";
    case model::LoadStop::Scale: return "the scale setting could not be read";
    case model::LoadStop::Ptz: return "the PTZ protocol list could not be read";
    default: return "the settings batch failed";
    }
}

} // namespace

bool loadLogin(std::int32_t login, Snapshot &out, std::string &error, const DeviceInfoRecord *guess)
{
    const model::RecordSlot device{&model::catalogue().front(), 0, 0};
    std::map<Asked, Fetched> fetched;          // every record asked for, its answer decoded on its own
    std::set<Asked> real;                      // the device's own records, once its information is in
    std::vector<model::RecordSlot> all, order; // in full-load order; those after the device information
    // Answers come in order, so the device information is in before any other answer is looked at.
    const auto ask = [&](Exchange &batch, const model::RecordSlot &s) {
        Fetched *f = &fetched[askedOf(s)];
        f->bytes.assign(s.kind->size, 0);
        batch.add(getRequest(*s.kind, s.channel), [&, s, f](const char *answer) {
            if (s.kind != device.kind && !real.count(askedOf(s)))
                return; // a guessed record the recorder does not have
            std::size_t decoded = 0;
            const Answer a = takeGet(*s.kind, answer, f->bytes.data(), decoded);
            f->got = a != Answer::Ok ? Got::Failed : decoded < s.kind->size ? Got::Short : Got::Ok;
            if (s.kind == device.kind && a == Answer::Ok) {
                DeviceInfoRecord d;
                std::memcpy(&d, f->bytes.data(), sizeof d);
                const auto shape = shapeOf(d);
                all = model::fullLoadOrder(*shape);
                for (const model::RecordSlot &x : all)
                    real.insert(askedOf(x));
                order = afterDeviceInfo(*shape);
            }
        });
    };
    const auto failed = [&](const model::RecordSlot &s) {
        const Got got = fetched[askedOf(s)].got;
        if (got == Got::Ok)
            return false;
        error = failedStep(s, got == Got::Pending ? Got::Failed : got);
        return true;
    };
    Exchange first;
    ask(first, device);
    if (guess)
        for (const model::RecordSlot &s : afterDeviceInfo(*shapeOf(*guess)))
            ask(first, s);
    first.run(login);
    if (failed(device))
        return false;
    // The records of the device's shape that the guess did not ask for, in one more batch.
    Exchange rest;
    for (const model::RecordSlot &s : order) {
        const auto it = fetched.find(askedOf(s));
        if (it == fetched.end())
            ask(rest, s);
        else if (failed(s))
            return false;
    }
    rest.run(login);
    for (const model::RecordSlot &x : order)
        if (failed(x))
            return false;
    Snapshot s;
    for (const model::RecordSlot &x : all)
        s.records.push_back(RecordImage{x.kind, x.slot, x.channel, std::move(fetched[askedOf(x)].bytes)});
    s.created = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    out = std::move(s);
    return true;
}

namespace {

// The SDK's log-in says only -1. The address rules it follows are checked here first, so a
// malformed address or an unknown host is named as such; what is left is the recorder's answer.
bool positiveBound(const std::string &value, long max)
{
    return !value.empty() && value.size() <= 7 && value.find_first_not_of("0123456789") == std::string::npos &&
           std::stol(value) >= 1 && std::stol(value) <= max;
}

bool checkRemoteAddress(const std::string &address, std::string &error, std::string &cause)
{
    cause = "address";
    const auto mark = address.find('?');
    const std::string text = address.substr(0, mark);
    const auto colon = text.rfind(':');
    std::string host = colon == std::string::npos ? std::string() : text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find_first_of("[]:") != std::string::npos)
        host.clear(); // a v6 address needs its brackets
    if (host.empty()) {
        error = address + ": not an address (HOST:PORT, [IPv6]:PORT or sim://QUERY)";
        return false;
    }
    if (!positiveBound(text.substr(colon + 1), 65535)) {
        error = address + ": the port is not a number from 1 to 65535";
        return false;
    }
    for (std::string query = mark == std::string::npos ? "" : address.substr(mark + 1); !query.empty();) {
        const auto end = std::min(query.find('&'), query.size());
        const std::string item = query.substr(0, end);
        query.erase(0, std::min(end + 1, query.size()));
        const auto eq = item.find('=');
        const std::string key = item.substr(0, eq);
        if (eq == std::string::npos || (key != "connect_ms" && key != "answer_ms" && key != "batch_ms") ||
            !positiveBound(item.substr(eq + 1), 9999999)) {
            error = address + ": \"" + item + "\" is not connect_ms=, answer_ms= or batch_ms= with milliseconds";
            return false;
        }
    }
#ifndef _WIN32
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found); rc != 0) {
        cause = "unresolved";
        error = address + ": host \"" + host + "\" not found (" + gai_strerror(rc) + ")";
        return false;
    }
    freeaddrinfo(found);
#endif
    return true;
}

} // namespace

std::int32_t logIn(const std::string &address, const std::string &user, const std::string &password, std::string &error,
                   std::string *cause)
{
    std::string why;
    const bool simulated = isEmbeddedAddress(address);
    if (!simulated && !checkRemoteAddress(address, error, why)) {
        if (cause)
            *cause = why;
        return -1;
    }
    const std::int32_t login = SdkLogin(address.c_str(), user.c_str(), password.c_str());
    if (login >= 0)
        return login;
    if (cause)
        *cause = simulated ? "profile" : "login";
    // An embedded recorder takes any user and password: only its profile can be wrong.
    error = simulated ? address + ": not a simulated recorder's profile (type=, channels=, first=, alarmin=, "
                                  "alarmout=, disks=, reboot_ms= with numbers in range, ptzcodes=shuffled|positions, "
                                  "joined by &)"
                      : "log-in to " + address +
                            " failed: the connection was refused or not answered in time, or the "
                            "recorder refused the user name or password";
    return -1;
}

bool loadAddress(const std::string &address, const std::string &user, const std::string &password, Snapshot &out,
                 std::string &error, std::string *cause)
{
    const std::int32_t login = logIn(address, user, password, error, cause);
    if (login < 0)
        return false;
    const bool ok = loadLogin(login, out, error);
    SdkLogout(login);
    if (!ok) {
        error = address + ": " + error;
        if (cause)
            *cause = "load";
    }
    out.source = address;
    return ok;
}

QByteArray toJson(const Snapshot &s)
{
    QJsonObject root;
    root["format"] = QString::fromLatin1(FormatName);
    root["version"] = FormatVersion;
    root["created"] = QString::fromStdString(s.created);
    root["source"] = QString::fromStdString(s.source);
    if (const DeviceInfoRecord *d = s.deviceInfo())
        root["device"] = identityOf(*d);
    QJsonArray records;
    for (const RecordImage &r : s.records) {
        QJsonObject o;
        o["kind"] = QString::fromLatin1(r.kind->name);
        if (r.kind->getType != 0)
            o["command"] = r.kind->getType;
        o["slot"] = r.slot;
        o["channel"] = r.channel;
        o["size"] = qint64(r.bytes.size());
        o["hex"] = QString::fromStdString(hexOf(r.bytes.data(), r.bytes.size()));
        o["fields"] = decodeTable(r.kind->table(), r.bytes.data());
        records.append(o);
    }
    root["records"] = records;
    root["sha256"] = QString::fromLatin1(hashOf(s.records));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool fromJson(const QByteArray &json, Snapshot &out, std::string &error)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (doc.isNull()) {
        error = "not a JSON document: " + parse.errorString().toStdString();
        return false;
    }
    if (!doc.isObject()) {
        error = "not a dvrcfg backup: a JSON array, not an object";
        return false;
    }
    const QJsonObject root = doc.object();
    if (root["format"].toString() != QLatin1String(FormatName)) {
        error = "not a dvrcfg backup";
        return false;
    }
    if (root["version"].toInt(-1) != FormatVersion) {
        error = "backup format version " + std::to_string(root["version"].toInt(-1)) + " is not supported";
        return false;
    }
    Snapshot s;
    s.created = root["created"].toString().toStdString();
    s.source = root["source"].toString().toStdString();
    const QJsonArray records = root["records"].toArray();
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QJsonObject o = records[i].toObject();
        const std::string where = "record " + std::to_string(i + 1) + ": ";
        RecordImage r;
        r.kind = findKind(o["kind"].toString().toStdString());
        if (!r.kind) {
            error = where + "unknown kind \"" + o["kind"].toString().toStdString() + "\"";
            return false;
        }
        const std::size_t size = r.kind->size;
        const int maxSlots = r.kind->capacity;
        r.slot = o["slot"].toInt(-1);
        r.channel = o["channel"].toInt(-1);
        const QByteArray hex = o["hex"].toString().toLatin1();
        const QByteArray raw = QByteArray::fromHex(hex);
        if (o["command"].toInt(0) != r.kind->getType || r.slot < 0 || r.slot >= maxSlots || r.channel < 0 ||
            o["size"].toInteger(-1) != qint64(size) || hex.size() != qsizetype(2 * size) ||
            raw.size() != qsizetype(size) || raw.toHex() != hex.toLower()) {
            error = where + "command, slot, channel, size or hex do not fit a " + r.kind->name + " record";
            return false;
        }
        if (s.find(r.kind, r.slot)) {
            error = where + r.kind->name + " slot " + std::to_string(r.slot) + " appears twice";
            return false;
        }
        r.bytes.assign(raw.begin(), raw.end());
        if (o["fields"].toObject() != decodeTable(r.kind->table(), r.bytes.data())) {
            error = where + "its fields do not match its bytes (edited by hand?)";
            return false;
        }
        s.records.push_back(std::move(r));
    }
    if (root["sha256"].toString().toLatin1() != hashOf(s.records)) {
        error = "the SHA-256 of the records does not match: the file is damaged or was edited";
        return false;
    }
    const DeviceInfoRecord *d = s.deviceInfo();
    if (!d) {
        error = "the backup holds no device information";
        return false;
    }
    if (root["device"].toObject() != identityOf(*d)) {
        error = "the device identity does not match the device information record";
        return false;
    }
    // Channel arguments follow from the first channel; slots from the counts.
    for (const RecordImage &r : s.records) {
        const int expected = r.kind->scope == Scope::Channel  ? d->firstChannel + r.slot
                             : r.kind->scope == Scope::Device ? 0
                                                              : r.slot;
        if (r.channel != expected || r.slot >= model::countOf(r.kind->scope, *d)) {
            error = r.label() + ": channel argument or slot does not fit the device's counts";
            return false;
        }
    }
    // Every record of the full load, each once, in its order: a restore then knows the whole
    // configuration, and a file cut down (and hashed again) is not taken for a backup.
    auto shape = zeroed();
    shape->deviceInfo = *d;
    const Snapshot expected = snapshotOf(*shape);
    if (!std::equal(expected.records.begin(), expected.records.end(), s.records.begin(), s.records.end(),
                    [](const RecordImage &x, const RecordImage &y) { return x.kind == y.kind && x.slot == y.slot; })) {
        error = "the records are not those of a full load of this device (one missing, added or out of order)";
        return false;
    }
    out = std::move(s);
    return true;
}

bool writeFileAtomically(const std::string &path, const QByteArray &bytes, std::string &error)
{
    QSaveFile file(QString::fromStdString(path));
    const auto failed = [&](int cause) {
        // Qt names a failed write (a full disk, a file too large) "Unknown error"; the system
        // knows better.
        const QString text = file.errorString();
        error = path + ": " +
                (text == QLatin1String("Unknown error") && cause != 0 ? std::strerror(cause) : text.toStdString());
        return false;
    };
    errno = 0;
    // Permissions are set on the file before it takes the name, so the passwords are never
    // readable by others, not even for a moment and not when an older file was.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(bytes) != bytes.size() || !file.commit())
        return failed(errno);
    return true;
}

bool checkWritable(const std::string &path, std::string &error)
{
    const QFileInfo info(QString::fromStdString(path));
    const QFileInfo dir(info.absolutePath());
    if (info.isDir())
        error = path + ": is a directory";
    else if (!dir.isDir())
        error = path + ": the directory " + dir.filePath().toStdString() + " does not exist";
    else if (access(QFile::encodeName(dir.filePath()).constData(), W_OK) != 0)
        error = path + ": the directory " + dir.filePath().toStdString() + " is not writable (" + std::strerror(errno) +
                ")";
    else
        return true;
    return false;
}

qint64 maxBackupSize()
{
    // Every record the catalogue knows, in every slot DvrRecords holds, written out: each byte
    // twice as hex, and once more decoded. A decoded byte at its longest is a one-byte element of
    // an array on a line of its own, indented by up to ten levels of four ("    ...255,\n", under
    // 64 characters), or a control character of a text escaped in six. So 2 + 64 characters
    // a byte, 4 KiB a record for its keys, and 64 KiB for the identity and the rest: far above any
    // real backup, yet a stray file or device never fills the memory.
    static const qint64 bound = [] {
        qint64 total = 64 * 1024;
        for (const RecordKind &k : model::catalogue())
            total += qint64(k.capacity) * (qint64(k.size) * (2 + 64) + 4 * 1024);
        return total;
    }();
    return bound;
}

bool readBackup(const std::string &path, Snapshot &out, std::string &error)
{
    // Checked before opening: opening a FIFO would wait for a writer, reading a device or a
    // huge file would not end before the memory does.
    const QFileInfo info(QString::fromStdString(path));
    const qint64 limit = maxBackupSize();
    const std::string tooLarge =
        path + ": larger than any backup can be (at most " + std::to_string(limit) + " bytes); not a dvrcfg backup";
    if (info.exists() && !info.isFile()) {
        error = path + ": not a regular file (a directory, device or pipe); not a dvrcfg backup";
        return false;
    }
    if (info.size() > limit) {
        error = tooLarge;
        return false;
    }
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + ": " + file.errorString().toStdString();
        return false;
    }
    const QByteArray json = file.read(limit + 1); // a file that grew since is still bounded
    if (json.size() > limit) {
        error = tooLarge;
        return false;
    }
    if (!fromJson(json, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool looksLikeAddress(const std::string &argument)
{
    if (isEmbeddedAddress(argument))
        return true;
    if (QFile::exists(QString::fromStdString(argument)))
        return false;
    const auto colon = argument.rfind(':');
    return colon != std::string::npos && colon + 1 < argument.size() &&
           argument.find_first_not_of("0123456789", colon + 1) >= argument.find('?', colon + 1);
}

} // namespace dvrcfg
