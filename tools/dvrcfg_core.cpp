#include "tools/dvrcfg.h"

#include "command/gbktext.h"
#include "command/typedcommands.h"
#include "model/fullload.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace dvrcfg {
namespace {

const char *const FormatName = "dvrcfg-backup";
constexpr int FormatVersion = 1;

template <typename T> std::uint8_t *bytesOf(T &record) { return reinterpret_cast<std::uint8_t *>(&record); }

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

std::string text(const std::uint8_t *at, std::size_t width)
{
    return gbk::toUtf8(gbk::readField(reinterpret_cast<const char *>(at), width));
}

// Leaves of a table: every integer, text and byte array, every carried range, with their paths.
struct Leaf {
    const fields::Field *field;
    std::size_t offset; // within the record
    std::size_t size;   // of this element
    std::string path;   // "mainStream.maxBitRate", "entries[2].text"
    std::string shown;  // "main stream · maxBitRate", "overlay 3 · text"
    std::string rule;   // path without indices, for the exclusion rules: "entries.diskStatus"
};

void leaves(const fields::Table &table, std::size_t base, const std::string &path, const std::string &shown,
            const std::string &rule, std::vector<Leaf> &out)
{
    const auto join = [](const std::string &a, const std::string &b, const char *sep) {
        return a.empty() ? b : a + sep + b;
    };
    for (const fields::Field &f : table.fields) {
        const std::size_t element = f.elementSize();
        const std::string rulePath = join(rule, f.name, ".");
        for (std::size_t i = 0; i < f.count; ++i) {
            const std::string index = f.count > 1 ? "[" + std::to_string(i) + "]" : "";
            const std::string p = join(path, f.name + index, ".");
            std::string s;
            if (f.label)
                s = join(shown, std::string(f.label) + (f.count > 1 ? " " + std::to_string(i + 1) : ""), " · ");
            else
                s = join(shown, f.name + index, " · ");
            if (f.kind == fields::Kind::Struct)
                leaves(f.nested(), base + f.offset + i * element, p, s, rulePath, out);
            else
                out.push_back(Leaf{&f, base + f.offset + i * element, element, p, s, rulePath});
        }
    }
}

const std::vector<Leaf> &leavesOf(const RecordKind &kind)
{
    static std::mutex mutex;
    static std::map<const RecordKind *, std::vector<Leaf>> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(&kind);
    if (it == cache.end()) {
        std::vector<Leaf> out;
        leaves(kind.table(), 0, "", "", "", out);
        it = cache.emplace(&kind, std::move(out)).first;
    }
    return it->second;
}

std::string valueText(const Leaf &leaf, const std::uint8_t *record)
{
    const std::uint8_t *at = record + leaf.offset;
    switch (leaf.field->kind) {
    case fields::Kind::Unsigned:
    case fields::Kind::Signed: {
        const std::int64_t v = fields::readInteger(at, leaf.size, leaf.field->kind == fields::Kind::Signed);
        std::string s = std::to_string(v);
        if (leaf.field->items) {
            const std::string item = leaf.field->items(v);
            if (!item.empty())
                s += " (" + item + ")";
        }
        return s;
    }
    case fields::Kind::Text: return "\"" + text(at, leaf.size) + "\"";
    case fields::Kind::Bytes:
        if (leaf.size <= 16)
            return hexOf(at, leaf.size);
        return std::to_string(leaf.size) + " bytes, " +
               std::to_string(std::count_if(at, at + leaf.size, [](std::uint8_t b) { return b != 0; })) + " non-zero";
    default: return {};
    }
}

// Runs of differing bytes in [offset, offset + size), as "a..b" (record offsets).
std::string differingRanges(const std::uint8_t *a, const std::uint8_t *b, std::size_t offset, std::size_t size)
{
    std::string out;
    std::size_t i = offset;
    while (i < offset + size) {
        if (a[i] == b[i]) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j + 1 < offset + size && a[j + 1] != b[j + 1])
            ++j;
        out += (out.empty() ? "" : ", ") + std::to_string(i) + (j > i ? ".." + std::to_string(j) : "");
        i = j + 1;
    }
    return out;
}

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
    case fields::Kind::Text: return QString::fromStdString(text(at, size));
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

QJsonObject identityOf(const DeviceInfoRecord &d)
{
    const auto *b = reinterpret_cast<const std::uint8_t *>(&d);
    QJsonObject o;
    o["name"] = QString::fromStdString(text(b + offsetof(DeviceInfoRecord, deviceName), sizeof d.deviceName));
    o["serialNumber"] =
        QString::fromStdString(text(b + offsetof(DeviceInfoRecord, serialNumber), sizeof d.serialNumber));
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

// Hardware facts the recorder reports and no page writes: never copied between recorders.
const char *const HardwareFacts[] = {
    "device.serialNumber",
    "device.softwareVersion",
    "device.softwareBuildDate",
    "device.dspVersion",
    "device.dspBuildDate",
    "device.panelVersion",
    "device.hardwareVersion",
    "device.alarmInCount",
    "device.alarmOutCount",
    "device.diskCount",
    "device.deviceType",
    "device.channelCount",
    "device.firstChannel",
    "disk.diskEntryCount",
    "disk.entries.diskNumber",
    "disk.entries.capacityMb",
    "disk.entries.freeSpaceMb",
    "disk.entries.diskStatus",
    "ptz.entries",
    "ptz.protocolCount",
};

struct Exclusion {
    const char *field;
    const char *why;
};
const Exclusion Identity[] = {
    {"device.deviceName", "device name"},
    {"device.deviceNumber", "device number"},
    {"network.deviceIp", "address"},
    {"network.ipMask", "address"},
    {"network.gatewayIp", "address"},
    {"network.devicePort", "port"},
    {"network.httpPort", "port"},
    {"network.macAddress", "MAC"},
    {"network.manageHostIp", "address"},
    {"network.manageHostPort", "port"},
    {"network.ipServerAddress", "address"},
    {"network.multicastIp", "address"},
    {"network.pppoeUser", "PPPoE credentials"},
    {"network.pppoePassword", "PPPoE credentials"},
    {"network.pppoeAddress", "PPPoE address"},
    {"dnsntp.dnsServer", "address"},
    {"rs232.pppRemoteAddress", "PPP address"},
    {"rs232.pppLocalAddress", "PPP address"},
    {"rs232.pppLocalMask", "PPP address"},
    {"rs232.pppUser", "PPP credentials"},
    {"rs232.pppPassword", "PPP credentials"},
    {"rs232.telephoneNumber", "PPP dial-in number"},
};
const Exclusion Names[] = {
    {"picture.channelName", "channel name"},
    {"alarmin.alarmInName", "alarm-input name"},
};

bool listed(const std::string &rule, const char *const *begin, const char *const *end)
{
    return std::any_of(begin, end,
                       [&](const char *f) { return rule == f || rule.rfind(std::string(f) + ".", 0) == 0; });
}
template <std::size_t N> bool listedIn(const std::string &rule, const Exclusion (&list)[N])
{
    return std::any_of(std::begin(list), std::end(list), [&](const Exclusion &e) { return rule == e.field; });
}

bool excluded(const RecordKind &kind, const Leaf &leaf, const MergeRules &rules)
{
    const std::string rule = std::string(kind.name) + "." + leaf.rule;
    if (listed(rule, std::begin(HardwareFacts), std::end(HardwareFacts)))
        return true;
    if (rules.keepIdentity && listedIn(rule, Identity))
        return true;
    return rules.keepNames && listedIn(rule, Names);
}

std::string joinLabels(const std::vector<const RecordImage *> &records)
{
    std::string out;
    for (const RecordImage *r : records)
        out += (out.empty() ? "" : ", ") + r->label();
    return out;
}

} // namespace

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

bool loadLogin(std::int32_t login, Snapshot &out, std::string &error)
{
    auto r = zeroed();
    switch (model::fullLoad(*r, login, nullptr, nullptr)) {
    case model::LoadStop::None: break;
    case model::LoadStop::DeviceInfo: error = "the device information could not be read"; return false;
    case model::LoadStop::Scale: error = "the scale setting could not be read"; return false;
    case model::LoadStop::Ptz: error = "the PTZ protocol list could not be read"; return false;
    case model::LoadStop::Batch: error = "the settings batch failed"; return false;
    }
    out = snapshotOf(*r);
    out.created = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    return true;
}

bool loadAddress(const std::string &address, const std::string &user, const std::string &password, Snapshot &out,
                 std::string &error)
{
    const std::int32_t login = SdkLogin(address.c_str(), user.c_str(), password.c_str());
    if (login < 0) {
        error = "log-in to " + address + " failed";
        return false;
    }
    const bool ok = loadLogin(login, out, error);
    SdkLogout(login);
    if (!ok)
        error = address + ": " + error;
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
    if (doc.isNull() || !doc.isObject()) {
        error = "not a JSON document: " + parse.errorString().toStdString();
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
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

bool readBackup(const std::string &path, Snapshot &out, std::string &error)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + ": " + file.errorString().toStdString();
        return false;
    }
    if (!fromJson(file.readAll(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool looksLikeAddress(const std::string &argument)
{
    if (argument.rfind("sim://", 0) == 0)
        return true;
    if (QFile::exists(QString::fromStdString(argument)))
        return false;
    const auto colon = argument.rfind(':');
    return colon != std::string::npos && colon + 1 < argument.size() &&
           argument.find_first_not_of("0123456789", colon + 1) >= argument.find('?', colon + 1);
}

bool Selection::takes(const RecordImage &image) const
{
    if (!kinds.empty() && !kinds.count(image.kind->name))
        return false;
    return number == 0 || (image.kind->scope != Scope::Device && image.slot + 1 == number);
}

bool parseKinds(const std::string &list, std::set<std::string> &kinds, std::string &error)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string name = list.substr(start, end - start);
        if (!findKind(name)) {
            error = "unknown record kind \"" + name + "\"";
            return false;
        }
        kinds.insert(name);
        start = end + 1;
    }
    return true;
}

std::vector<std::string> showLines(const Snapshot &s, const Selection &selection)
{
    std::vector<std::string> out;
    for (const RecordImage &r : s.records) {
        if (!selection.takes(r))
            continue;
        for (const Leaf &leaf : leavesOf(*r.kind))
            if (leaf.field->kind != fields::Kind::Carried)
                out.push_back(r.label() + " · " + leaf.shown + " = " + valueText(leaf, r.bytes.data()));
    }
    return out;
}

std::vector<std::string> diffLines(const Snapshot &a, const Snapshot &b, const Selection &selection)
{
    std::vector<std::string> out;
    for (const RecordImage &ra : a.records) {
        if (!selection.takes(ra))
            continue;
        const RecordImage *rb = b.find(ra.kind, ra.slot);
        if (!rb) {
            out.push_back(ra.label() + ": only in the first");
            continue;
        }
        if (ra.bytes == rb->bytes)
            continue;
        for (const Leaf &leaf : leavesOf(*ra.kind)) {
            const std::uint8_t *x = ra.bytes.data(), *y = rb->bytes.data();
            if (std::memcmp(x + leaf.offset, y + leaf.offset, leaf.size) == 0)
                continue;
            if (leaf.field->kind == fields::Kind::Carried) {
                out.push_back(ra.label() + " · carried bytes " + differingRanges(x, y, leaf.offset, leaf.size) +
                              " differ");
                continue;
            }
            std::string left = valueText(leaf, x), right = valueText(leaf, y);
            if (leaf.field->kind == fields::Kind::Bytes && leaf.size > 16) {
                left = "bytes " + differingRanges(x, y, leaf.offset, leaf.size);
                right = "differ";
                out.push_back(ra.label() + " · " + leaf.shown + ": " + left + " " + right);
                continue;
            }
            if (left == right) // a text equal up to its NUL, differing after it
                right += " (bytes after the text differ)";
            out.push_back(ra.label() + " · " + leaf.shown + ": " + left + " -> " + right);
        }
    }
    for (const RecordImage &rb : b.records)
        if (selection.takes(rb) && !a.find(rb.kind, rb.slot))
            out.push_back(rb.label() + ": only in the second");
    return out;
}

void mergeFields(const RecordKind &kind, const std::uint8_t *from, std::uint8_t *into, const MergeRules &rules)
{
    // Disk entries describe each recorder's own disks: only the disks both have take the
    // template's attribute and group.
    std::size_t end = kind.table().size;
    if (std::strcmp(kind.name, "disk") == 0) {
        const auto count = [](const std::uint8_t *record) {
            std::uint32_t n = 0;
            std::memcpy(&n, record + offsetof(DiskRecord, diskEntryCount), sizeof n);
            return std::min<std::uint32_t>(n, DiskEntryCapacity);
        };
        end = offsetof(DiskRecord, entries) + std::min(count(from), count(into)) * sizeof(DiskEntry);
    }
    for (const Leaf &leaf : leavesOf(kind))
        if (leaf.field->kind != fields::Kind::Carried && leaf.offset < end && !excluded(kind, leaf, rules))
            std::memcpy(into + leaf.offset, from + leaf.offset, leaf.size);
}

std::vector<std::string> excludedFieldLines()
{
    std::vector<std::string> out;
    for (const Exclusion &e : Identity)
        out.push_back(std::string(e.field) + " (" + e.why + ")");
    for (const Exclusion &e : Names)
        out.push_back(std::string(e.field) + " (" + e.why + "; --include-names brings it along)");
    for (const char *f : HardwareFacts)
        out.push_back(std::string(f) + " (reported by the hardware)");
    out.push_back("ddns, nfs: every field (DDNS credentials and addresses, NFS servers): never read nor written, "
                  "as the dialog never fetches or sends these records");
    return out;
}

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

namespace {

// The scale setting is no record: it has a query and a write of its own, sent at once.
bool isScale(const RecordImage &x) { return x.kind->getType == 0; }

} // namespace

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
