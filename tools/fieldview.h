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

// One field of a record as shown, or as it differs between two snapshots.
struct FieldEntry {
    std::string record;    // its label, "channel 2 · compression"
    const char *kind = ""; // its kind's name
    int slot = 0;
    std::string field; // its path, "mainStream.maxBitRate"; empty for a whole record
    std::string value; // shown: its text; a difference: the first's
    std::string other; // a difference: the second's
    std::string line;  // for the operator: "channel 2 · compression · ... -> ..."
};
std::vector<FieldEntry> showEntries(const Snapshot &s, const Selection &selection);
std::vector<FieldEntry> diffEntries(const Snapshot &a, const Snapshot &b, const Selection &selection = {});
std::vector<std::string> linesOf(const std::vector<FieldEntry> &entries);
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
// Sets one named field of a snapshot: "KIND.FIELD=VALUE" for a device-wide record,
// "KIND.N.FIELD=VALUE" for channel, alarm input or output N (from 1); FIELD as show's paths
// ("mainStream.maxBitRate", "entries[2].text"). Integers in their field's range, texts that fit in
// GBK. The device record (the recorder's identity and counts) is not for editing. False with
// the reason in `error`, the snapshot unchanged.
bool editField(Snapshot &s, const std::string &setting, std::string &error);
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
