#pragma once
// The record catalogue: every kind of record the recorder holds, written once. A row says which
// command carries it, for which slots, on which device types it is fetched and sent, which page
// refreshes it and which pages' saves send it, which of its bytes ask for a restart, and where it
// lives in DvrRecords. The full load, the pages' refresh and save shares, dvrcfg and the simulated
// recorder all walk it, so a record that moves page or a new device-type range is one change here.
#include "command/Configfuc.h"
#include "command/recordcommands.h"
#include "fields/fieldtables.h"
#include "model/dvrrecords.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace model {

enum class Scope { Device, Channel, AlarmIn, AlarmOut };

// The device types a record travels to and from.
enum class Travel { Always, OutsideHighDefinition, DiskTypes, Never };
constexpr bool travelsOn(Travel travel, std::uint8_t deviceType)
{
    switch (travel) {
    case Travel::Always: return true;
    case Travel::OutsideHighDefinition: return !isHighDefinitionType(deviceType);
    case Travel::DiskTypes: return hasDiskRecords(deviceType);
    case Travel::Never: return false;
    }
    return false;
}

// The dialog's pages, by their tab index.
enum Page : int { ServerPage, ChannelPage, NetworkPage, SerialPage, AlarmPage, DiskPage, PageCount, NoPage = -1 };
constexpr unsigned pageBit(int page) { return 1u << unsigned(page); }

// Where a full load or a page's refresh stopped; a single command's failure has its own message.
enum class LoadStop { None, DeviceInfo, Scale, Ptz, Batch };

struct ByteRange {
    std::size_t offset;
    std::size_t length;
};

struct RecordKind {
    const char *name;     // dvrcfg's name: "compression"
    const char *label;    // a reader's name: "text overlay"
    std::int32_t getType; // 0 for the scale setting and the PTZ list, which have queries of their own
    Scope scope;
    Travel held;      // the device types that hold the record (a recorder answers for it there)
    bool fetched;     // by the full load (and the refresh below), where it is held
    int refreshedBy;  // the page whose refresh fetches it; NoPage: only the full load does
    unsigned savedBy; // pageBit()s of the pages whose save sends it
    Travel sent;      // the device types those saves send it to
    LoadStop single;  // None: fetched in the batch; else a single command at its place, stopping with this
    std::vector<ByteRange> restart; // bytes whose change asks for a restart of the device
    std::size_t size;
    const fields::Table &(*table)();
    std::uint8_t *(*at)(DvrRecords &, int slot);
    std::uint8_t *(*baseline)(DvrRecords &, int slot); // null: the restart rule keeps no copy of it
    int capacity;                                      // slots DvrRecords holds
    // The command for the record of `slot`; its type follows from the record. `now`: as a single
    // command instead of queued. Null where the record has no such command.
    bool (*get)(std::int32_t login, std::int32_t channel, DvrRecords &, int slot, const DecodeNote *note, bool now);
    bool (*set)(std::int32_t login, std::int32_t channel, DvrRecords &, int slot, bool now);

    bool savedByPage(int page) const { return page >= 0 && (savedBy & pageBit(page)) != 0; }
    int firstPage() const; // the first page whose save sends it; NoPage when none does
    // Slots present for the device's counts, and the channel argument of a slot.
    int count(const DvrRecords &r) const;
    int channelOf(const DvrRecords &r, int slot) const;
    // True when a and b (two images of this record) differ in a byte that asks for a restart.
    bool asksRestart(const std::uint8_t *a, const std::uint8_t *b) const;
};

// Slots of a scope for the device's counts, limited to the slots DvrRecords holds.
int countOf(Scope scope, const DeviceInfoRecord &d);

// Every row, in full-load order.
const std::vector<RecordKind> &catalogue();
const RecordKind *kindNamed(std::string_view name);
const RecordKind *kindOfGetType(std::int32_t getType); // null for a type no row carries

// Whether saves send records of this type to a device of this type.
template <CommandRecord Record> bool sentTo(std::uint8_t deviceType)
{
    const RecordKind *kind = kindOfGetType(getCommandOf<Record>);
    return kind && travelsOn(kind->sent, deviceType);
}

// One record of a device: its kind, slot and the channel argument of its command.
struct RecordSlot {
    const RecordKind *kind;
    int slot;
    int channel;
};

// The records the full load fetches from this device, in order (consecutive per-channel rows go
// channel by channel, their kinds in row order within each channel).
std::vector<RecordSlot> fullLoadOrder(const DvrRecords &r);
// What a page's refresh fetches and its save sends, in order, on this device.
std::vector<RecordSlot> refreshOf(int page, const DvrRecords &r);
std::vector<RecordSlot> saveOf(int page, const DvrRecords &r);

// True when one of `sent` differs from its baseline in a byte that asks for a restart.
bool restartAsked(const std::vector<RecordSlot> &sent, DvrRecords &r);
// Copies every baseline kept for the records a page saves (all slots).
void renewBaselines(int page, DvrRecords &r);

} // namespace model
