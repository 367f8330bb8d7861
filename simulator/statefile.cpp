#include "simulator/statefile.h"

#include "model/catalogue.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>
#include <string>
#include <utility>

namespace dvrsim {
namespace {

constexpr char Magic[8] = {'D', 'V', 'R', 'S', 'I', 'M', 'S', 'T'};
constexpr std::uint32_t Version = 2;
constexpr qsizetype DigestSize = 32;

void putU32(QByteArray &out, std::uint32_t v)
{
    char b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xff);
    out.append(b, 4);
}

void putI32(QByteArray &out, std::int32_t v) { putU32(out, std::uint32_t(v)); }

// Reads forward through the image; every read is bounds-checked, the first short read sticks.
struct Reader {
    const char *data;
    qsizetype size;
    qsizetype pos = 0;
    bool ok = true;

    bool has(qsizetype n) const { return ok && n >= 0 && size - pos >= n; }
    std::uint32_t u32()
    {
        if (!has(4)) {
            ok = false;
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t(std::uint8_t(data[pos + i])) << (8 * i);
        pos += 4;
        return v;
    }
    std::int32_t i32() { return std::int32_t(u32()); }
    std::string text()
    {
        const std::uint32_t n = u32();
        if (!has(qsizetype(n))) {
            ok = false;
            return {};
        }
        std::string v(data + pos, n);
        pos += qsizetype(n);
        return v;
    }
};

void putText(QByteArray &out, const std::string &text)
{
    putU32(out, std::uint32_t(text.size()));
    out.append(text.data(), qsizetype(text.size()));
}

void putProfile(QByteArray &out, const Profile &p)
{
    putI32(out, p.deviceType);
    putI32(out, p.channels);
    putI32(out, p.firstChannel);
    putI32(out, p.alarmIn);
    putI32(out, p.alarmOut);
    putI32(out, p.disks);
    putI32(out, p.identity);
    putText(out, p.serial);
    putText(out, p.name);
    putText(out, p.ip);
}

bool sameProfile(Reader &in, const Profile &p)
{
    const std::int32_t fields[7] = {p.deviceType, p.channels, p.firstChannel, p.alarmIn,
                                    p.alarmOut,   p.disks,    p.identity};
    bool same = true;
    for (std::int32_t field : fields)
        same = (in.i32() == field) && same;
    for (const std::string *text : {&p.serial, &p.name, &p.ip})
        same = (in.text() == *text) && same;
    return same && in.ok;
}

QString describe(const Profile &p)
{
    QString text = QStringLiteral("type=%1&channels=%2&first=%3&alarmin=%4&alarmout=%5&disks=%6&id=%7")
                       .arg(p.deviceType)
                       .arg(p.channels)
                       .arg(p.firstChannel)
                       .arg(p.alarmIn)
                       .arg(p.alarmOut)
                       .arg(p.disks)
                       .arg(p.identity);
    const std::pair<const char *, const std::string *> overrides[] = {
        {"serial", &p.serial}, {"name", &p.name}, {"ip", &p.ip}};
    for (const auto &[key, value] : overrides)
        if (!value->empty())
            text += QStringLiteral("&%1=%2").arg(QLatin1String(key), QString::fromStdString(*value));
    return text;
}

struct PendingCopy {
    std::uint8_t *target;
    const char *source;
    std::size_t size;
};

} // namespace

std::vector<RecordKey> storedRecords(Device &device)
{
    const Profile &p = device.profile();
    std::vector<RecordKey> keys;
    auto add = [&](std::int32_t type, std::int32_t channel) {
        std::size_t size = 0;
        if (device.locate(type, channel, size))
            keys.push_back({type, channel});
    };
    // Every record of the catalogue the device holds, for all its channels and alarms (the
    // dialog's slot limits are not the recorder's). Channel records are addressed by channel
    // number, alarm records by their 0-based index.
    for (const model::RecordKind &kind : model::catalogue()) {
        if (kind.getType == 0)
            continue; // the scale setting is stored on its own; the PTZ list is fixed
        switch (kind.scope) {
        case model::Scope::Device: add(kind.getType, 0); break;
        case model::Scope::Channel:
            for (int c = 0; c < p.channels; ++c)
                add(kind.getType, p.firstChannel + c);
            break;
        case model::Scope::AlarmIn:
            for (int i = 0; i < p.alarmIn; ++i)
                add(kind.getType, i);
            break;
        case model::Scope::AlarmOut:
            for (int i = 0; i < p.alarmOut; ++i)
                add(kind.getType, i);
            break;
        }
    }
    return keys;
}

QByteArray encodeState(std::span<Device *const> devices)
{
    QByteArray out;
    out.append(Magic, sizeof Magic);
    putU32(out, Version);
    putU32(out, std::uint32_t(devices.size()));
    for (Device *device : devices) {
        putProfile(out, device->profile());
        putI32(out, device->state().scale);
        const std::vector<RecordKey> keys = storedRecords(*device);
        putU32(out, std::uint32_t(keys.size()));
        for (const RecordKey &key : keys) {
            std::size_t size = 0;
            const std::uint8_t *bytes = device->locate(key.getType, key.channel, size);
            putI32(out, key.getType);
            putI32(out, key.channel);
            putU32(out, std::uint32_t(size));
            out.append(reinterpret_cast<const char *>(bytes), qsizetype(size));
        }
    }
    out.append(QCryptographicHash::hash(out, QCryptographicHash::Sha256));
    return out;
}

bool decodeState(const QByteArray &image, std::span<Device *const> devices, QString &error)
{
    const qsizetype minimum = qsizetype(sizeof Magic) + 8 + DigestSize;
    if (image.size() < minimum || std::memcmp(image.constData(), Magic, sizeof Magic) != 0) {
        error = QStringLiteral("not a dvr-simulator state file");
        return false;
    }
    const qsizetype body = image.size() - DigestSize;
    if (QCryptographicHash::hash(QByteArrayView(image.constData(), body), QCryptographicHash::Sha256) !=
        image.mid(body)) {
        error = QStringLiteral("checksum mismatch (damaged or truncated)");
        return false;
    }
    Reader in{image.constData(), body, qsizetype(sizeof Magic)};
    if (const std::uint32_t version = in.u32(); version != Version) {
        error = QStringLiteral("unsupported version %1").arg(version);
        return false;
    }
    if (const std::uint32_t count = in.u32(); count != devices.size()) {
        error = QStringLiteral("holds %1 devices, %2 are being served").arg(count).arg(devices.size());
        return false;
    }

    // Everything is checked before the first byte is copied, so a bad file changes nothing.
    std::vector<PendingCopy> copies;
    std::vector<std::int32_t> scales;
    for (std::size_t d = 0; d < devices.size(); ++d) {
        Device &device = *devices[d];
        if (!sameProfile(in, device.profile())) {
            error = QStringLiteral("device %1 was saved with another profile than %2")
                        .arg(d)
                        .arg(describe(device.profile()));
            return false;
        }
        scales.push_back(in.i32());
        const std::uint32_t records = in.u32();
        for (std::uint32_t r = 0; r < records && in.ok; ++r) {
            const std::int32_t type = in.i32();
            const std::int32_t channel = in.i32();
            const std::uint32_t size = in.u32();
            if (!in.ok)
                break;
            std::size_t expected = 0;
            std::uint8_t *target = device.locate(type, channel, expected);
            if (!target || expected != size) {
                error = QStringLiteral("device %1: record %2 channel %3 does not fit the device")
                            .arg(d)
                            .arg(type)
                            .arg(channel);
                return false;
            }
            if (!in.has(qsizetype(size))) {
                in.ok = false;
                break;
            }
            copies.push_back({target, in.data + in.pos, size});
            in.pos += qsizetype(size);
        }
        if (!in.ok)
            break;
    }
    if (!in.ok || in.pos != body) {
        error = QStringLiteral("inconsistent layout");
        return false;
    }
    for (const PendingCopy &c : copies)
        std::memcpy(c.target, c.source, c.size);
    for (std::size_t d = 0; d < devices.size(); ++d)
        devices[d]->state().scale = scales[d];
    return true;
}

StateLoad loadState(const QString &path, std::span<Device *const> devices, QString &error)
{
    if (!QFileInfo::exists(path))
        return StateLoad::Missing;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return StateLoad::Failed;
    }
    const QByteArray image = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return StateLoad::Failed;
    }
    QString why;
    if (!decodeState(image, devices, why)) {
        error = QStringLiteral("state file %1: %2").arg(path, why);
        return StateLoad::Failed;
    }
    return StateLoad::Loaded;
}

bool saveState(const QString &path, std::span<Device *const> devices, QString &error)
{
    QSaveFile file(path);
    const QByteArray image = encodeState(devices);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size() || !file.commit()) {
        error = QStringLiteral("cannot write state file %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace dvrsim
