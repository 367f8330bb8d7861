#include "model/catalogue.h"

#include "command/typedcommands.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

namespace model {
namespace {

// The record a member of DvrRecords holds for a slot: the member itself, or an element of it.
template <auto Member> decltype(auto) recordAt(DvrRecords &r, int slot)
{
    auto &member = r.*Member;
    if constexpr (std::is_array_v<std::remove_reference_t<decltype(member)>>)
        return (member[slot]);
    else
        return (member);
}
template <auto Member>
using RecordOf = std::remove_cvref_t<decltype(recordAt<Member>(std::declval<DvrRecords &>(), 0))>;

template <auto Member> std::uint8_t *bytesAt(DvrRecords &r, int slot)
{
    return reinterpret_cast<std::uint8_t *>(&recordAt<Member>(r, slot));
}

template <auto Member> constexpr int slotsOf()
{
    using M = std::remove_reference_t<decltype(std::declval<DvrRecords &>().*Member)>;
    if constexpr (std::is_array_v<M>)
        return int(std::extent_v<M>);
    else
        return 1;
}

template <auto Member>
bool getTyped(std::int32_t login, std::int32_t channel, DvrRecords &r, int slot, const DecodeNote *note, bool now)
{
    auto &record = recordAt<Member>(r, slot);
    return now ? getRecord(login, channel, record, note) : queueGet(login, channel, record);
}

// Records travel back queued in their page's set batch only.
template <auto Member> bool setTyped(std::int32_t login, std::int32_t channel, DvrRecords &r, int slot, bool now)
{
    return !now && queueSet(login, channel, recordAt<Member>(r, slot));
}

struct Travels {
    Travel held;
    bool fetched;
    int refreshedBy;
    unsigned savedBy;
    Travel sent;
};

// A row for a record of DvrRecords: command type, size, field table and accessors follow from the
// member, so nothing about the record is written twice.
template <auto Member, auto Baseline = nullptr>
RecordKind row(const char *name, const char *label, Scope scope, Travels t, std::vector<ByteRange> restart = {})
{
    using Record = RecordOf<Member>;
    std::uint8_t *(*baseline)(DvrRecords &, int) = nullptr;
    if constexpr (!std::is_null_pointer_v<decltype(Baseline)>) {
        static_assert(std::is_same_v<RecordOf<Baseline>, Record> && slotsOf<Baseline>() == slotsOf<Member>());
        baseline = &bytesAt<Baseline>;
    }
    return RecordKind{name,
                      label,
                      getCommandOf<Record>,
                      scope,
                      t.held,
                      t.fetched,
                      t.refreshedBy,
                      t.savedBy,
                      t.sent,
                      LoadStop::None,
                      std::move(restart),
                      sizeof(Record),
                      &fields::tableOf<Record>,
                      &bytesAt<Member>,
                      baseline,
                      slotsOf<Member>(),
                      &getTyped<Member>,
                      &setTyped<Member>};
}

// A row for a setting with a query of its own rather than a command type; the full load fetches
// it by a single command, stopping with `single` when that fails.
template <auto Member>
RecordKind queryRow(const char *name, const char *label, Travels t, LoadStop single, const fields::Table &(*table)(),
                    decltype(RecordKind::get) get, decltype(RecordKind::set) set)
{
    return RecordKind{name,
                      label,
                      0,
                      Scope::Device,
                      t.held,
                      t.fetched,
                      t.refreshedBy,
                      t.savedBy,
                      t.sent,
                      single,
                      {},
                      sizeof(RecordOf<Member>),
                      table,
                      &bytesAt<Member>,
                      nullptr,
                      1,
                      get,
                      set};
}

template <typename Record> ByteRange whole() { return {0, sizeof(Record)}; }
// A field inside a nested structure at `at`.
constexpr ByteRange inside(std::size_t at, ByteRange field) { return {at + field.offset, field.length}; }
#define DVR_FIELD(Record, member)                                                                                      \
    ByteRange { offsetof(Record, member), sizeof(Record::member) }

// The scale setting and the PTZ list have queries of their own.
bool getScale(std::int32_t login, std::int32_t, DvrRecords &r, int, const DecodeNote *, bool)
{
    return config_get_scale(login, &r.scaleFlag);
}
bool setScale(std::int32_t login, std::int32_t, DvrRecords &r, int, bool now)
{
    return now && config_set_scale(login, &r.scaleFlag);
}
bool getPtz(std::int32_t login, std::int32_t, DvrRecords &r, int, const DecodeNote *, bool)
{
    return getPtzList(login, r.ptz);
}

std::vector<RecordKind> makeCatalogue()
{
    constexpr unsigned Server = pageBit(ServerPage), Channel = pageBit(ChannelPage), Network = pageBit(NetworkPage),
                       Serial = pageBit(SerialPage), Alarm = pageBit(AlarmPage), Disk = pageBit(DiskPage);
    constexpr Travel Always = Travel::Always, Sd = Travel::OutsideHighDefinition, Disks = Travel::DiskTypes,
                     Never = Travel::Never;
    // Each row: {held on, fetched, refreshed by, saved by, sent to}.
    const std::size_t main = offsetof(ChannelCompressionRecord, mainStream);
    const std::size_t sub = offsetof(ChannelCompressionRecord, subStream);
    const ByteRange kind = DVR_FIELD(StreamSettings, streamKind), resolution = DVR_FIELD(StreamSettings, resolution);

    std::vector<RecordKind> rows;
    rows.push_back(
        row<&DvrRecords::deviceInfo>("device", "device", Scope::Device, {Always, true, ServerPage, Server, Always}));
    rows.back().single = LoadStop::DeviceInfo;
    rows.push_back(queryRow<&DvrRecords::scaleFlag>("scale", "scale", {Always, true, ServerPage, Server, Always},
                                                    LoadStop::Scale, &fields::scaleTable, &getScale, &setScale));
    rows.push_back(row<&DvrRecords::network, &DvrRecords::networkBaseline>(
        "network", "network", Scope::Device, {Always, true, ServerPage, Server | Network, Always},
        {whole<NetworkRecord>()}));
    rows.push_back(
        row<&DvrRecords::picture>("picture", "picture", Scope::Channel, {Always, true, ChannelPage, Channel, Always}));
    rows.push_back(row<&DvrRecords::recording>("recording", "recording", Scope::Channel,
                                               {Always, true, ChannelPage, Channel, Always}));
    // Stream kind and resolution of either stream need a restart; high-definition devices never
    // receive the record.
    rows.push_back(row<&DvrRecords::compression, &DvrRecords::compressionBaseline>(
        "compression", "compression", Scope::Channel, {Always, true, ChannelPage, Channel, Sd},
        {inside(main, kind), inside(main, resolution), inside(sub, kind), inside(sub, resolution)}));
    rows.push_back(row<&DvrRecords::textOverlay>("overlay", "text overlay", Scope::Channel,
                                                 {Always, true, ChannelPage, Channel, Always}));
    rows.push_back(row<&DvrRecords::dnsNtp, &DvrRecords::dnsNtpBaseline>(
        "dnsntp", "dns/ntp", Scope::Device, {Sd, true, NetworkPage, Network, Sd}, {whole<DnsNtpRecord>()}));
    rows.push_back(
        row<&DvrRecords::rs232>("rs232", "rs232", Scope::Device, {Always, true, SerialPage, Serial, Always}));
    rows.push_back(queryRow<&DvrRecords::ptz>("ptz", "ptz protocols", {Always, true, NoPage, 0, Never}, LoadStop::Ptz,
                                              &fields::tableOf<PtzProtocolList>, &getPtz, nullptr));
    rows.push_back(
        row<&DvrRecords::decoder>("decoder", "decoder", Scope::Channel, {Always, true, SerialPage, Serial, Always}));
    // The sensor type and the arming schedules need a restart; names, links and delays do not.
    rows.push_back(row<&DvrRecords::alarmIn, &DvrRecords::alarmInBaseline>(
        "alarmin", "alarm input", Scope::AlarmIn, {Always, true, AlarmPage, Alarm, Always},
        {DVR_FIELD(AlarmInRecord, sensorType), DVR_FIELD(AlarmInRecord, schedule)}));
    rows.push_back(row<&DvrRecords::alarmOut, &DvrRecords::alarmOutBaseline>(
        "alarmout", "alarm output", Scope::AlarmOut, {Always, true, AlarmPage, Alarm, Always},
        {DVR_FIELD(AlarmOutRecord, schedule)}));
    rows.push_back(
        row<&DvrRecords::exception>("exception", "exception", Scope::Device, {Always, true, AlarmPage, Alarm, Always}));
    rows.push_back(row<&DvrRecords::disk, &DvrRecords::diskBaseline>(
        "disk", "disk", Scope::Device, {Disks, true, DiskPage, Disk, Disks}, {whole<DiskRecord>()}));
    rows.push_back(row<&DvrRecords::diskGroup, &DvrRecords::diskGroupBaseline>(
        "diskgroup", "disk group", Scope::Device, {Disks, true, DiskPage, Disk, Disks}, {whole<DiskGroupRecord>()}));
    // Shown by the network page and kept with baselines, but neither fetched nor sent.
    rows.push_back(row<&DvrRecords::nfs, &DvrRecords::nfsBaseline>("nfs", "nfs", Scope::Device,
                                                                   {Always, false, NoPage, Network, Never}));
    rows.push_back(row<&DvrRecords::ddns, &DvrRecords::ddnsBaseline>("ddns", "ddns", Scope::Device,
                                                                     {Always, false, NoPage, Network, Never}));
    rows.push_back(row<&DvrRecords::email>("email", "e-mail", Scope::Device, {Always, false, NoPage, 0, Never}));
    return rows;
}
#undef DVR_FIELD

// The rows `takes` accepts, slot by slot; a run of per-channel rows goes channel by channel.
template <typename Takes> std::vector<RecordSlot> expand(const DvrRecords &r, Takes takes)
{
    std::vector<RecordSlot> out;
    const std::vector<RecordKind> &rows = catalogue();
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t end = i + 1;
        if (rows[i].scope == Scope::Channel) {
            while (end < rows.size() && rows[end].scope == Scope::Channel)
                ++end;
            for (int k = 0; k < rows[i].count(r); ++k)
                for (std::size_t j = i; j < end; ++j)
                    if (takes(rows[j]))
                        out.push_back({&rows[j], k, rows[j].channelOf(r, k)});
        } else if (takes(rows[i])) {
            for (int s = 0; s < rows[i].count(r); ++s)
                out.push_back({&rows[i], s, rows[i].channelOf(r, s)});
        }
        i = end;
    }
    return out;
}

} // namespace

int RecordKind::firstPage() const
{
    for (int page = 0; page < PageCount; ++page)
        if (savedByPage(page))
            return page;
    return NoPage;
}

int countOf(Scope scope, const DeviceInfoRecord &d)
{
    switch (scope) {
    case Scope::Channel: return std::min<int>(d.channelCount, ChannelSlots);
    case Scope::AlarmIn: return std::min<int>(d.alarmInCount, AlarmInSlots);
    case Scope::AlarmOut: return std::min<int>(d.alarmOutCount, AlarmOutSlots);
    case Scope::Device: break;
    }
    return 1;
}

int RecordKind::count(const DvrRecords &r) const { return countOf(scope, r.deviceInfo); }

int RecordKind::channelOf(const DvrRecords &r, int slot) const
{
    switch (scope) {
    case Scope::Channel: return r.firstChannel() + slot;
    case Scope::AlarmIn:
    case Scope::AlarmOut: return slot;
    case Scope::Device: break;
    }
    return 0;
}

bool RecordKind::asksRestart(const std::uint8_t *a, const std::uint8_t *b) const
{
    return std::any_of(restart.begin(), restart.end(), [&](const ByteRange &range) {
        return std::memcmp(a + range.offset, b + range.offset, range.length) != 0;
    });
}

const std::vector<RecordKind> &catalogue()
{
    static const std::vector<RecordKind> rows = makeCatalogue();
    return rows;
}

const RecordKind *kindNamed(std::string_view name)
{
    for (const RecordKind &k : catalogue())
        if (name == k.name)
            return &k;
    return nullptr;
}

const RecordKind *kindOfGetType(std::int32_t getType)
{
    for (const RecordKind &k : catalogue())
        if (k.getType != 0 && k.getType == getType)
            return &k;
    return nullptr;
}

std::vector<RecordSlot> fullLoadOrder(const DvrRecords &r)
{
    return expand(r, [&](const RecordKind &k) { return k.fetched && travelsOn(k.held, r.deviceType()); });
}

std::vector<RecordSlot> refreshOf(int page, const DvrRecords &r)
{
    return expand(r, [&](const RecordKind &k) {
        return k.refreshedBy == page && k.fetched && travelsOn(k.held, r.deviceType());
    });
}

std::vector<RecordSlot> saveOf(int page, const DvrRecords &r)
{
    return expand(r, [&](const RecordKind &k) { return k.savedByPage(page) && travelsOn(k.sent, r.deviceType()); });
}

bool restartAsked(const std::vector<RecordSlot> &sent, DvrRecords &r)
{
    return std::any_of(sent.begin(), sent.end(), [&](const RecordSlot &s) {
        return s.kind->baseline && s.kind->asksRestart(s.kind->at(r, s.slot), s.kind->baseline(r, s.slot));
    });
}

void renewBaselines(int page, DvrRecords &r)
{
    for (const RecordKind &k : catalogue())
        if (k.savedByPage(page) && k.baseline)
            for (int slot = 0; slot < k.capacity; ++slot)
                std::memcpy(k.baseline(r, slot), k.at(r, slot), k.size);
}

} // namespace model
