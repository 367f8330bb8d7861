#include "tools/fieldview.h"

#include "command/gbktext.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

namespace dvrcfg {
namespace {

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

// A text in quotes, with quotes, backslashes and control characters escaped: one field, one line.
std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                static const char digits[] = "0123456789abcdef";
                out += "\\x";
                out += digits[c >> 4];
                out += digits[c & 15];
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

// Passwords (PPPoE, PPP, DDNS, e-mail) are never printed, by their field names.
bool secret(const Leaf &leaf)
{
    std::string name = leaf.field->name;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return name.find("password") != std::string::npos;
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
    case fields::Kind::Text: return quoted(textOf(at, leaf.size));
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

} // namespace

const std::vector<Leaf> &leavesOf(const RecordKind &kind)
{
    static std::mutex mutex;
    static std::map<const RecordKind *, std::vector<Leaf>> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(&kind);
    if (it == cache.end()) {
        std::vector<Leaf> out;
        leaves(kind.table(), 0, "", "", "", out);
        // Matched by name once here: a merge looks at every leaf of every record.
        for (Leaf &leaf : out) {
            const std::string rule = std::string(kind.name) + "." + leaf.rule;
            leaf.exclusions = (listed(rule, std::begin(HardwareFacts), std::end(HardwareFacts)) ? HardwareFact : 0) |
                              (listedIn(rule, Identity) ? IdentityField : 0) | (listedIn(rule, Names) ? NameField : 0);
        }
        it = cache.emplace(&kind, std::move(out)).first;
    }
    return it->second;
}

bool excluded(const RecordKind &, const Leaf &leaf, const MergeRules &rules)
{
    return (leaf.exclusions &
            (HardwareFact | (rules.keepIdentity ? IdentityField : 0u) | (rules.keepNames ? NameField : 0u))) != 0;
}

bool Selection::takes(const RecordImage &image) const
{
    if (!kinds.empty() && !kinds.count(image.kind->name))
        return false;
    return number == 0 || (image.kind->scope == Scope::Channel && image.slot + 1 == number);
}

bool resolveChannel(Selection &selection, const DeviceInfoRecord &device, std::string &error)
{
    if (selection.number == 0)
        return true;
    const int count = model::countOf(Scope::Channel, device), first = device.firstChannel;
    const int given = selection.number;
    if (given >= 1 && given <= count)
        return true;
    if (count > 0 && given >= first && given < first + count) {
        selection.number = given - first + 1;
        return true;
    }
    error = "--channel " + std::to_string(given) + ": ";
    if (count == 0)
        error += "the recorder has no channels";
    else {
        error += "a channel from 1 to " + std::to_string(count);
        if (first != 1)
            error +=
                " (or its channel number, " + std::to_string(first) + " to " + std::to_string(first + count - 1) + ")";
    }
    return false;
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

std::vector<FieldEntry> showEntries(const Snapshot &s, const Selection &selection)
{
    std::vector<FieldEntry> out;
    for (const RecordImage &r : s.records) {
        if (!selection.takes(r))
            continue;
        for (const Leaf &leaf : leavesOf(*r.kind))
            if (leaf.field->kind != fields::Kind::Carried) {
                std::string value = secret(leaf) ? std::string("(hidden)") : valueText(leaf, r.bytes.data());
                std::string line = r.label() + " · " + leaf.shown + " = " + value;
                out.push_back(
                    FieldEntry{r.label(), r.kind->name, r.slot, leaf.path, std::move(value), {}, std::move(line)});
            }
    }
    return out;
}

std::vector<FieldEntry> diffEntries(const Snapshot &a, const Snapshot &b, const Selection &selection)
{
    std::vector<FieldEntry> out;
    const auto add = [&](const RecordImage &r, const Leaf *leaf, std::string first, std::string second,
                         const std::string &line) {
        out.push_back(FieldEntry{r.label(), r.kind->name, r.slot, leaf ? leaf->path : std::string(), std::move(first),
                                 std::move(second), r.label() + line});
    };
    for (const RecordImage &ra : a.records) {
        if (!selection.takes(ra))
            continue;
        const RecordImage *rb = b.find(ra.kind, ra.slot);
        if (!rb) {
            add(ra, nullptr, "present", "absent", ": only in the first");
            continue;
        }
        if (ra.bytes == rb->bytes)
            continue;
        for (const Leaf &leaf : leavesOf(*ra.kind)) {
            const std::uint8_t *x = ra.bytes.data(), *y = rb->bytes.data();
            if (std::memcmp(x + leaf.offset, y + leaf.offset, leaf.size) == 0)
                continue;
            if (leaf.field->kind == fields::Kind::Carried) {
                const std::string ranges = differingRanges(x, y, leaf.offset, leaf.size);
                add(ra, &leaf, "carried bytes " + ranges, "differ", " · carried bytes " + ranges + " differ");
                continue;
            }
            if (secret(leaf)) {
                add(ra, &leaf, "(hidden)", "(hidden)", " · " + leaf.shown + ": differs (hidden)");
                continue;
            }
            std::string left = valueText(leaf, x), right = valueText(leaf, y);
            if (leaf.field->kind == fields::Kind::Bytes && leaf.size > 16) {
                left = "bytes " + differingRanges(x, y, leaf.offset, leaf.size);
                add(ra, &leaf, left, "differ", " · " + leaf.shown + ": " + left + " differ");
                continue;
            }
            if (left == right) // a text equal up to its NUL, differing after it
                right += " (bytes after the text differ)";
            add(ra, &leaf, left, right, " · " + leaf.shown + ": " + left + " -> " + right);
        }
    }
    for (const RecordImage &rb : b.records)
        if (selection.takes(rb) && !a.find(rb.kind, rb.slot))
            add(rb, nullptr, "absent", "present", ": only in the second");
    return out;
}

std::vector<std::string> linesOf(const std::vector<FieldEntry> &entries)
{
    std::vector<std::string> out;
    for (const FieldEntry &e : entries)
        out.push_back(e.line);
    return out;
}

std::vector<std::string> showLines(const Snapshot &s, const Selection &selection)
{
    return linesOf(showEntries(s, selection));
}

std::vector<std::string> diffLines(const Snapshot &a, const Snapshot &b, const Selection &selection)
{
    return linesOf(diffEntries(a, b, selection));
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

void keepHardwareOf(const RecordKind &kind, const std::uint8_t *target, std::uint8_t *merged, int channels)
{
    const auto count = [](const std::uint8_t *record, std::size_t at, std::uint32_t capacity) {
        std::uint32_t n = 0;
        std::memcpy(&n, record + at, sizeof n);
        return std::min(n, capacity);
    };
    if (std::strcmp(kind.name, "disk") == 0) {
        const std::uint32_t disks = count(target, offsetof(DiskRecord, diskEntryCount), DiskEntryCapacity);
        std::memcpy(merged + offsetof(DiskRecord, diskEntryCount), target + offsetof(DiskRecord, diskEntryCount),
                    sizeof(std::uint32_t));
        const std::size_t from = offsetof(DiskRecord, entries) + disks * sizeof(DiskEntry);
        std::memcpy(merged + from, target + from, sizeof(DiskRecord) - from);
    } else if (std::strcmp(kind.name, "diskgroup") == 0) {
        const std::uint32_t groups = count(target, offsetof(DiskGroupRecord, groupCount), DiskGroupCapacity);
        std::memcpy(merged + offsetof(DiskGroupRecord, groupCount), target + offsetof(DiskGroupRecord, groupCount),
                    sizeof(std::uint32_t));
        const std::size_t members = sizeof(DiskGroupEntry::channelMember);
        const std::size_t mine = std::size_t(std::clamp(channels, 0, int(members)));
        for (std::uint32_t g = 0; g < DiskGroupCapacity; ++g) {
            const std::size_t entry = offsetof(DiskGroupRecord, groups) + g * sizeof(DiskGroupEntry);
            if (g >= groups) {
                std::memcpy(merged + entry, target + entry, sizeof(DiskGroupEntry));
                continue;
            }
            const std::size_t member = entry + offsetof(DiskGroupEntry, channelMember);
            std::memcpy(merged + member + mine, target + member + mine, members - mine);
        }
    }
}

bool editField(Snapshot &s, const std::string &setting, std::string &error)
{
    const auto eq = setting.find('=');
    const std::string target = setting.substr(0, eq), value = eq == std::string::npos ? "" : setting.substr(eq + 1);
    const auto dot = target.find('.');
    const RecordKind *kind = findKind(target.substr(0, dot));
    error = setting + ": ";
    if (eq == std::string::npos || dot == std::string::npos) {
        error += "not KIND.FIELD=VALUE or KIND.N.FIELD=VALUE";
        return false;
    }
    if (!kind || std::strcmp(kind->name, "device") == 0) {
        error += kind ? "the device record says what the recorder is; it is not edited" : "no such record kind";
        return false;
    }
    std::string path = target.substr(dot + 1);
    int slot = 0;
    if (kind->scope != Scope::Device) {
        const auto next = path.find('.');
        const std::string number = path.substr(0, next);
        if (next == std::string::npos || number.empty() || number.size() > 3 ||
            number.find_first_not_of("0123456789") != std::string::npos) {
            error += std::string(kind->name) + " records are numbered: " + kind->name + ".N.FIELD";
            return false;
        }
        slot = std::stoi(number) - 1;
        path.erase(0, next + 1);
    }
    RecordImage *record = s.find(kind, slot);
    if (!record) {
        error += std::string("the backup has no ") + kind->name + " record " + std::to_string(slot + 1);
        return false;
    }
    const auto &all = leavesOf(*kind);
    const auto leaf = std::find_if(all.begin(), all.end(), [&](const Leaf &l) { return l.path == path; });
    if (leaf == all.end() || leaf->field->kind == fields::Kind::Carried) {
        error += "no field \"" + path + "\" in the " + kind->name + " record (dvrcfg show lists them)";
        return false;
    }
    std::uint8_t *at = record->bytes.data() + leaf->offset;
    switch (leaf->field->kind) {
    case fields::Kind::Unsigned:
    case fields::Kind::Signed: {
        const bool isSigned = leaf->field->kind == fields::Kind::Signed;
        const int bits = int(leaf->size * 8);
        const long double low = isSigned ? -std::ldexp(1.0L, bits - 1) : 0,
                          high = std::ldexp(1.0L, isSigned ? bits - 1 : bits) - 1;
        std::size_t used = 0;
        long long v = 0;
        try {
            v = std::stoll(value, &used, 10);
        } catch (...) {
            used = 0;
        }
        if (value.empty() || used != value.size() || (long double)v < low || (long double)v > high) {
            error += "a whole number from " + std::to_string((long long)low) + " to " +
                     std::to_string((unsigned long long)high);
            return false;
        }
        const auto u = static_cast<unsigned long long>(v);
        for (std::size_t i = 0; i < leaf->size; ++i)
            at[i] = std::uint8_t(u >> (8 * i));
        return true;
    }
    case fields::Kind::Text: {
        const std::string bytes =
            gbk::encode(QString::fromUtf8(value.data(), qsizetype(value.size())).toStdU16String());
        if (bytes.size() > leaf->size) {
            error += "longer than the field's " + std::to_string(leaf->size) + " bytes in GBK";
            return false;
        }
        std::memset(at, 0, leaf->size);
        std::memcpy(at, bytes.data(), bytes.size());
        return true;
    }
    default: error += "only whole numbers and texts are edited"; return false;
    }
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

} // namespace dvrcfg
