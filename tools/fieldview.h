#pragma once
// dvrcfg's view of a record by its named fields: show, diff, and the merge of a template's
// fields into a target's record. The field tables give the names.
#include "fields/fieldtables.h"
#include "tools/backupfile.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace dvrcfg {

// Which records a command looks at: kinds (empty = all) and one channel (0 = all). A channel
// selects that channel's own records only: no device-wide record, no alarm input or output.
struct Selection {
    std::set<std::string> kinds;
    int number = 0; // the channel's 1-based position, once resolved
    bool takes(const RecordImage &image) const;
};
// Turns --channel's N into the channel's position on a device: N is its 1-based position, or else
// its device channel number (from firstChannel). False with the valid range in `error`.
bool resolveChannel(Selection &selection, const DeviceInfoRecord &device, std::string &error);
// "a,b,c" into kind names; false with the unknown name in `error`.
bool parseKinds(const std::string &list, std::set<std::string> &kinds, std::string &error);

std::vector<std::string> showLines(const Snapshot &s, const Selection &selection);
// One line per differing field, carried ranges as ranges; records only on one side as such.
std::vector<std::string> diffLines(const Snapshot &a, const Snapshot &b, const Selection &selection = {});

// Copies the template's named fields into `target`, leaving carried bytes and the excluded
// fields (hardware facts always; the recorder's network identity and names as the rules say) as they are.
struct MergeRules {
    bool keepIdentity = true; // device name and number, addresses, ports, MAC, credentials
    bool keepNames = true;    // channel and alarm-input names
};
void mergeFields(const RecordKind &kind, const std::uint8_t *from, std::uint8_t *into, const MergeRules &rules);
// Puts back into `merged` the target's own bytes of what its hardware lacks: disk entries beyond
// its disks, groups beyond its groups, group members beyond its `channels`.
void keepHardwareOf(const RecordKind &kind, const std::uint8_t *target, std::uint8_t *merged, int channels);
// The excluded fields, one "kind.field (why)" line each, for --help.
std::vector<std::string> excludedFieldLines();

// Shared by dvrcfg's sources, not part of its interface.
// Leaves of a table: every integer, text and byte array, every carried range, with their paths.
struct Leaf {
    const fields::Field *field;
    std::size_t offset;      // within the record
    std::size_t size;        // of this element
    std::string path;        // "mainStream.maxBitRate", "entries[2].text"
    std::string shown;       // "main stream · maxBitRate", "overlay 3 · text"
    std::string rule;        // path without indices, for the exclusion rules: "entries.diskStatus"
    unsigned exclusions = 0; // the exclusion lists that name it, as the bits below
};
constexpr unsigned HardwareFact = 1, IdentityField = 2, NameField = 4;
const std::vector<Leaf> &leavesOf(const RecordKind &kind);
// Whether `rules` leave this leaf (of leavesOf(kind)) of a `kind` record as the target has it.
bool excluded(const RecordKind &kind, const Leaf &leaf, const MergeRules &rules);

} // namespace dvrcfg
