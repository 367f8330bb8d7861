#include "simulator/factory.h"

#include "command/gbktext.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace dvrsim {

const char *const PtzProtocolNames[88] = {
    "YOULI",          "LILIN_1016",     "LILIN_820", "PELCO_P",     "DM_DynaColor",
    "HD600",          "JC4116",         "PELCO_DWX", "PELCO_D",     "VCOM_VC_2000",
    "NETSTREAMER",    "SAE_YAAN",       "SAMSUNG",   "Kalatel_312", "CELOTEX",
    "TLPELCO_P",      "TL_HHX2000",     "BBV",       "RM110",       "KC3360S",
    "ACES",           "ALSON",          "INV3609HD", "HOWELL",      "TC_PELCO_P",
    "TC_PELCO_D",     "AUTO_M",         "AUTO_H",    "ANTEN",       "CHANGLIN",
    "DELTADOME",      "XYM_12",         "ADR8060",   "EVI_D30",     "Demo_Speed",
    "DM_PELCO_D",     "ST_832",         "LC_D2104",  "HUNTER",      "A01",
    "TECHWIN",        "WEIHAN",         "LG",        "D_MAX",       "PANASONIC",
    "KTD_348",        "INFINOVA",       "PIH_7625",  "LCU",         "DENNARD_DOME",
    "PHLIPS",         "SAMPLE",         "PLD",       "PARCO",       "HY",
    "NAIJIE",         "CAT_KING",       "YH_06",     "SP9096X",     "M_PANEL",
    "M_MV2050",       "SAE_QUICK",      "PEARMAIN",  "NKO8G",       "DH_CC440",
    "TX_CONTROL_232", "VCL_SPEED_DOME", "ST_2C160",  "TDWY",        "TWHC",
    "USNT",           "KLT_NVD2200PS",  "VIDO_B01",  "LG_MULTIX",   "ENKEL",
    "YT_PELCOD",      "KORVANE",        "PE60",      "LiAo",        "NK16",
    "DaLi",           "HN_4304",        "VIDEOTEC",  "HNDCB",       "Lion_2007",
    "LG_LVC_C372",    "Gold_Video",     "NVD1600PS",
};

namespace {

// Code the dialog shows as the PELCO-D protocol, a common factory choice for RS485 decoders.
constexpr std::uint16_t FactoryDecoderType = 8;

// One tag per record kind, so equal-sized records never share a pattern.
enum PatternTag : std::uint32_t {
    TagInfo = 1,
    TagNetwork,
    TagDnsNtp,
    TagNfs,
    TagDdns,
    TagEmail,
    TagRs232,
    TagPtz,
    TagDisk,
    TagDiskGroup,
    TagException,
    TagPicture,
    TagRecording,
    TagCompression,
    TagTextOverlay,
    TagDecoder,
    TagAlarmIn,
    TagAlarmOut,
};

std::uint64_t splitmix(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Bytes nobody interprets get noise rather than zeros, so a dialog that clears or shifts them
// is caught by a plain byte comparison after a round trip.
void fillPattern(void *data, std::size_t size, std::uint32_t tag, std::uint32_t index = 0)
{
    std::uint64_t state = 0x5DEECE66Dull ^ (std::uint64_t(tag) << 40) ^ (std::uint64_t(index) * 0x100000001B3ull);
    auto *p = static_cast<std::uint8_t *>(data);
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t word = splitmix(state);
        std::memcpy(p + i, &word, std::min<std::size_t>(8, size - i));
    }
}

template <typename T> void fillRecord(T &r, std::uint32_t tag, std::uint32_t index = 0)
{
    fillPattern(&r, sizeof r, tag, index);
}

template <typename T> std::vector<T> patternedRecords(int count, std::uint32_t tag)
{
    std::vector<T> records(std::size_t(std::clamp(count, 0, 255)));
    for (std::size_t i = 0; i < records.size(); ++i)
        fillRecord(records[i], tag, std::uint32_t(i));
    return records;
}

std::u16string widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

template <std::size_t N> void setText(char (&field)[N], std::u16string_view text) { gbk::writeField(field, text); }
template <std::size_t N> void setAscii(char (&field)[N], std::string_view text) { gbk::writeField(field, widen(text)); }

// "通道01"-style names: a prefix and the 1-based number, zero-padded to the given width.
std::u16string numbered(std::u16string_view prefix, int number, int width)
{
    const std::string digits = std::to_string(number);
    std::u16string name(prefix);
    // Padding appended digit by digit: GCC 12 warns wrongly about insert() on 32-bit targets.
    for (int i = int(digits.size()); i < width; ++i)
        name += u'0';
    name.append(digits.begin(), digits.end());
    return name;
}

std::uint16_t gbkLength(std::u16string_view text) { return std::uint16_t(gbk::encode(text).size()); }

// Only the first four segments of a day are edited; the day's tail keeps its bytes.
void makeSchedule(ScheduleRecord &schedule, ScheduleSegment first)
{
    for (ScheduleDay &day : schedule.days) {
        day.segments[0] = first;
        for (int s = 1; s < 4; ++s)
            day.segments[s] = ScheduleSegment{0, 0, 0, 0};
    }
}

constexpr ScheduleSegment AllDay{0, 0, 24, 0};
constexpr ScheduleSegment OfficeHours{8, 0, 18, 0};

// Only the first four outputs are offered by the dialog; the other triggers keep their bytes.
void makeHandling(AlarmHandling &handling, std::uint32_t flags, unsigned outputMask)
{
    handling.handleFlags = flags;
    for (int o = 0; o < 4; ++o)
        handling.alarmOutTrigger[o] = std::uint8_t((outputMask >> o) & 1u);
}

// Strict UTF-8 to UTF-16; false on a malformed sequence or a character outside the BMP, which
// GBK cannot hold anyway.
bool fromUtf8(std::string_view bytes, std::u16string &out)
{
    out.clear();
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = std::uint8_t(bytes[i]);
        const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : -1;
        if (extra < 0 || bytes.size() - i <= std::size_t(extra))
            return false;
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1Fu) : (b & 0x0Fu);
        for (int k = 1; k <= extra; ++k) {
            const auto t = std::uint8_t(bytes[i + std::size_t(k)]);
            if ((t & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (t & 0x3Fu);
        }
        const char32_t least = extra == 0 ? 0 : extra == 1 ? 0x80 : 0x800;
        if (c < least || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out.push_back(char16_t(c));
        i += std::size_t(extra) + 1;
    }
    return true;
}

// The stock recorder is index 0; the others count up from it the way a production run would.
std::string identitySerial(int index) { return "NVR0816C2011052101234" + std::to_string(567 + index); }

std::u16string identityName(const Profile &p)
{
    std::u16string name;
    if (!p.name.empty() && fromUtf8(p.name, name))
        return name;
    const std::u16string_view stock = isHighDefinitionType(p.deviceType) ? u"高清网络摄像机" : u"网络硬盘录像机";
    return p.identity == 0 ? std::u16string(stock) : numbered(stock, p.identity, 2);
}

// 192.168.1.64 counts up to .254; the last indexes continue at 192.168.2.1.
std::string identityIp(int index)
{
    const int host = 64 + index;
    return host <= 254 ? "192.168.1." + std::to_string(host) : "192.168.2." + std::to_string(host - 254);
}

// Those on 192.168.2.x take the /16 that holds both, so the gateway 192.168.1.1 stays theirs.
const char *identityMask(int index) { return 64 + index <= 254 ? "255.255.255.0" : "255.255.0.0"; }

DeviceInfoRecord makeInfo(const Profile &p)
{
    DeviceInfoRecord r;
    fillRecord(r, TagInfo);
    auto byte = [](int v) { return std::uint8_t(std::clamp(v, 0, 255)); };
    setText(r.deviceName, identityName(p));
    r.deviceNumber = std::uint32_t(1 + p.identity);
    r.recycleRecord = 1;
    setAscii(r.serialNumber, p.serial.empty() ? identitySerial(p.identity) : p.serial);
    r.softwareVersion = (2u << 16) | 1u;
    r.softwareBuildDate = (11u << 16) | (3u << 8) | 21u;
    r.dspVersion = 4u << 16;
    r.dspBuildDate = (11u << 16) | (1u << 8) | 10u;
    r.panelVersion = 0x10A;
    r.hardwareVersion = 0;
    r.alarmInCount = byte(p.alarmIn);
    r.alarmOutCount = byte(p.alarmOut);
    r.diskCount = byte(p.disks);
    r.deviceType = p.deviceType;
    r.channelCount = byte(p.channels);
    r.firstChannel = byte(p.firstChannel);
    return r;
}

NetworkRecord makeNetwork(const Profile &p)
{
    NetworkRecord r;
    fillRecord(r, TagNetwork);
    setAscii(r.deviceIp, p.ip.empty() ? identityIp(p.identity) : p.ip);
    setAscii(r.ipMask, p.ip.empty() ? identityMask(p.identity) : "255.255.255.0");
    r.nicType = 5;
    r.devicePort = 8000;
    // Locally administered; the last byte tells the indexes apart.
    const std::uint8_t mac[6] = {0x02, 0x00, 0x00, 0x1A, 0x2B, std::uint8_t(0x3C + p.identity)};
    std::memcpy(r.macAddress, mac, sizeof mac);
    setAscii(r.manageHostIp, "0.0.0.0");
    r.manageHostPort = 7200;
    setAscii(r.ipServerAddress, "0.0.0.0");
    r.httpPort = 80;
    setAscii(r.multicastIp, "0.0.0.0");
    setAscii(r.gatewayIp, "192.168.1.1");
    r.pppoeEnable = 0;
    setAscii(r.pppoeUser, "");
    setAscii(r.pppoePassword, "");
    setAscii(r.pppoeAddress, "0.0.0.0");
    return r;
}

void makeServerRecords(DeviceState &s)
{
    fillRecord(s.dnsNtp, TagDnsNtp);
    setAscii(s.dnsNtp.dnsServer, "202.96.134.133");
    setAscii(s.dnsNtp.ntpServer, "pool.ntp.org");
    s.dnsNtp.ntpInterval = 24;
    s.dnsNtp.ntpEnable = 1;
    s.dnsNtp.utcOffsetHours = 8;
    s.dnsNtp.utcOffsetMinutes = 0;

    fillRecord(s.nfs, TagNfs);
    for (int e = 0; e < 8; ++e) {
        setAscii(s.nfs.entries[e].nfsServer, e == 0 ? "0.0.0.0" : "");
        setAscii(s.nfs.entries[e].nfsDirectory, e == 0 ? "/nfs/disk1" : "");
    }

    fillRecord(s.ddns, TagDdns);
    s.ddns.ddnsEnable = 0;
    s.ddns.ddnsServerType = 1;
    setAscii(s.ddns.ddnsUser, "dvruser");
    setAscii(s.ddns.ddnsPassword, "");
    setAscii(s.ddns.ddnsDomain, "dvr.example.org");
    setAscii(s.ddns.ddnsServerAddress, "ddns.example.org");
    s.ddns.ddnsPort = 6500;

    EmailRecord &m = s.email;
    fillRecord(m, TagEmail);
    setAscii(m.account, "dvr");
    setAscii(m.password, "mailpass");
    setText(m.senderName, u"录像机");
    setAscii(m.senderAddress, "dvr@example.com");
    setText(m.receiverName[0], u"值班室");
    setAscii(m.receiverAddress[0], "duty@example.com");
    setText(m.receiverName[1], u"管理员");
    setAscii(m.receiverAddress[1], "admin@example.com");
    setAscii(m.mailServer, "smtp.example.com");
    m.serverType = 0;
    m.serverAuth = 1;
    m.sendAttachment = 1;
    m.sendInterval = 1;
}

// Serial settings shared by the RS232 port and the RS485 decoders: 8 data bits, 1 stop bit,
// no parity, no flow control.
template <typename T> void setSerialLine(T &r, std::uint32_t baudRateIndex)
{
    r.baudRateIndex = baudRateIndex;
    r.dataBitsIndex = 3;
    r.stopBitsIndex = 0;
    r.parityIndex = 0;
    r.flowControlIndex = 0;
}

// Shuffled: each name keeps its code, but PELCO_D (code 8) is listed first, YOULI (code 0) fourth
// and PELCO_P (code 3) ninth, and NVD1600PS carries code 200 with a high word set, which the
// decoder record's 16-bit type drops.
void makePtzList(PtzProtocolList &list, bool shuffled)
{
    fillRecord(list, TagPtz);
    std::memset(list.entries, 0, sizeof list.entries); // a real list leaves unused entries zero
    std::uint32_t codes[88];
    for (std::uint32_t i = 0; i < 88; ++i)
        codes[i] = i;
    if (shuffled) {
        std::swap(codes[0], codes[8]);
        std::swap(codes[3], codes[8]);
        codes[87] = 0x00010000u | 200u;
    }
    for (std::uint32_t i = 0; i < 88; ++i) {
        list.entries[i].protocolCode = codes[i];
        setAscii(list.entries[i].protocolName, PtzProtocolNames[codes[i] < 88 ? codes[i] : i]);
    }
    list.protocolCount = 88;
}

void makeSerialRecords(DeviceState &s)
{
    Rs232Record &r = s.rs232;
    fillRecord(r, TagRs232);
    setSerialLine(r, 9); // 9600 baud
    r.workMode = 1;
    setAscii(r.pppRemoteAddress, "192.168.0.1");
    setAscii(r.pppLocalAddress, "192.168.0.2");
    setAscii(r.pppLocalMask, "255.255.255.0");
    setAscii(r.pppUser, "");
    setAscii(r.pppPassword, "");
    r.pppMode = 0;
    r.callbackEnable = 0;
    r.callbackMode = 0;
    r.dataEncrypt = 0;
    setAscii(r.telephoneNumber, "");

    for (std::size_t k = 0; k < s.decoder.size(); ++k) {
        DecoderRecord &d = s.decoder[k];
        setSerialLine(d, 3 + std::uint32_t(k % 7)); // 3..9: a mix of common rates
        d.decoderType = FactoryDecoderType;
        d.decoderAddress = std::uint16_t(k + 1);
    }
}

void makeDiskRecords(DeviceState &s, int diskCount, int channels)
{
    DiskRecord &d = s.disk;
    fillRecord(d, TagDisk);
    const int disks = std::clamp(diskCount, 0, DiskEntryCapacity);
    d.diskEntryCount = std::uint32_t(disks);
    std::memset(d.entries + disks, 0, sizeof(DiskEntry) * std::size_t(DiskEntryCapacity - disks));
    // Like a recorder that has seen some use: the first disks show the common states (one
    // redundant, one asleep, one new and unformatted); from the fifth on, the rarer ones. Every
    // state and attribute shows on a recorder with eight disks or more.
    struct Condition {
        std::uint32_t status;
        std::uint8_t attribute;
    };
    static constexpr Condition conditions[] = {
        {0, 0}, {0, 1}, {5, 0}, {1, 0}, {0, 2}, {2, 0}, {3, 0}, {4, 0},
    };
    for (int i = 0; i < disks; ++i) {
        DiskEntry &e = d.entries[i];
        const Condition c = i < int(std::size(conditions)) ? conditions[i] : Condition{0, 0};
        e.diskNumber = std::uint32_t(i + 1);
        e.capacityMb = 476940;
        e.diskStatus = c.status;
        e.diskAttribute = c.attribute;
        e.freeSpaceMb = c.status == 1 ? 0 : e.capacityMb / std::uint32_t(i + 2);
        e.diskGroup = i < (disks + 1) / 2 ? 1 : 2;
    }

    DiskGroupRecord &g = s.diskGroup;
    fillRecord(g, TagDiskGroup);
    g.groupCount = 2;
    std::memset(g.groups + 2, 0, sizeof(DiskGroupEntry) * (DiskGroupCapacity - 2));
    const int members = std::min(channels, int(sizeof g.groups[0].channelMember));
    const int half = (channels + 1) / 2;
    for (int n = 0; n < 2; ++n) {
        g.groups[n].groupNumber = std::uint32_t(n + 1);
        for (int c = 0; c < members; ++c)
            g.groups[n].channelMember[c] = (c < half) == (n == 0) ? 1 : 0;
    }
}

void makePicture(ChannelPictureRecord &r, int k)
{
    setText(r.channelName, numbered(u"通道", k + 1, 2));
    r.showChannelName = 1;
    r.channelNameX = 600;
    r.channelNameY = 500;
    r.videoLossEnable = std::uint8_t(k % 2 == 0);
    makeHandling(r.videoLossHandling, ReportToCentre | TriggerAlarmOut, 0x1);
    makeSchedule(r.videoLossSchedule, AllDay);

    for (int row = 0; row < 18; ++row)
        for (int col = 0; col < 22; ++col)
            r.motionArea[row][col] = row >= 6 && row < 12 && col >= 7 && col < 15 ? 1 : 0;
    r.motionSensitivity = 2;
    r.motionEnable = 1;
    makeHandling(r.motionHandling, WarnOnMonitor | TriggerAlarmOut, 0x3);
    makeSchedule(r.motionSchedule, OfficeHours);
    for (int m = 0; m < 16; ++m)
        r.motionRecordChannel[m] = m == k ? 1 : 0;

    r.occlusionLevel = 1;
    r.occlusionX = 64;
    r.occlusionY = 64;
    r.occlusionWidth = 128;
    r.occlusionHeight = 96;
    makeHandling(r.occlusionHandling, AudibleWarning | ReportToCentre, 0x0);
    makeSchedule(r.occlusionSchedule, AllDay);

    r.maskEnable = 0;
    r.maskArea[0] = MaskRect{32, 32, 160, 96};
    for (int a = 1; a < 4; ++a)
        r.maskArea[a] = MaskRect{0, 0, 0, 0};

    r.showOsd = 1;
    r.osdX = 16; // must stay within the narrowest OSD range of all device types
    r.osdY = 16;
    r.osdType = 0;
    r.showWeek = 1;
    r.osdAttribute = 1;
}

// Keeps reserved5, which travels unchanged.
void setSegment(RecordingSegment &seg, int startHour, int endHour, int recordType)
{
    seg.startHour = std::uint8_t(startHour);
    seg.startMinute = 0;
    seg.endHour = std::uint8_t(endHour);
    seg.endMinute = 0;
    seg.recordType = std::uint8_t(recordType);
}

// Weekdays: record type 1 at night, continuous by day; weekends continuous all day.
void makeRecording(ChannelRecordingRecord &r)
{
    r.recordEnable = 1;
    RecordingSchedule &sch = r.recordingSchedule;
    for (int day = 0; day < 7; ++day) {
        const bool weekend = day >= 5;
        sch.days[day].allDay = weekend ? 1 : 0;
        sch.days[day].allDayType = 0;
        RecordingSegment *seg = sch.segmentDays[day].segments;
        for (int n = 0; n < 4; ++n)
            setSegment(seg[n], 0, 0, 0);
        if (!weekend) {
            setSegment(seg[0], 0, 8, 1);
            setSegment(seg[1], 8, 24, 0);
        }
    }
    r.recordDelay = 1;
    r.preRecordTime = 1;
}

void makeStream(StreamSettings &s, std::uint8_t kind, std::uint8_t resolution, std::uint8_t bitRateType,
                std::uint8_t quality, std::uint32_t maxBitRate, std::uint16_t iFrameInterval, std::uint8_t frameType)
{
    s.streamKind = kind;
    s.resolution = resolution;
    s.bitRateType = bitRateType;
    s.videoQuality = quality;
    s.maxBitRate = maxBitRate;
    s.frameRate = 0; // full frame rate
    s.iFrameInterval = iFrameInterval;
    s.frameType = frameType;
    std::memset(s.reserved15, 0, sizeof s.reserved15); // the dialog writes these back as zeros
}

void makeCompression(ChannelCompressionRecord &r, int k, bool highDefinition)
{
    // Channel 2 carries a custom bit rate so both encodings of maxBitRate are present.
    const std::uint32_t mainRate = k == 1 ? 0x80000000u | (3000u << 10) : 23u;
    makeStream(r.mainStream, 1, highDefinition ? 19 : 3, 0, 2, mainRate, 25, 0);
    makeStream(r.subStream, 0, highDefinition ? 16 : 1, 1, 3, 9, 50, 2);
}

void makeTextOverlay(ChannelTextOverlayRecord &r)
{
    static constexpr std::u16string_view texts[4] = {u"前门", u"后门", u"", u""};
    for (int e = 0; e < 4; ++e) {
        TextOverlayEntry &t = r.entries[e];
        t.showText = e == 0 ? 1 : 0;
        t.textX = 16;
        t.textY = std::uint16_t(448 + 32 * e);
        setText(t.text, texts[e]);
        t.textLength = gbkLength(texts[e]);
    }
}

void makeAlarmIn(AlarmInRecord &r, int i)
{
    setText(r.alarmInName, numbered(u"报警输入", i + 1, 1));
    r.sensorType = 0;
    r.handleAlarmIn = std::uint8_t(i % 2 == 0);
    makeHandling(r.handling, WarnOnMonitor | AudibleWarning | TriggerAlarmOut, 1u << (i % 4));
    makeSchedule(r.schedule, AllDay);
    for (int m = 0; m < 16; ++m) {
        const bool own = m == i;
        r.recordChannel[m] = own;
        r.presetEnable[m] = own;
        r.presetNo[m] = std::uint8_t(m + 1);
        r.cruiseEnable[m] = 0;
        r.cruiseNo[m] = 1;
        r.trackEnable[m] = 0;
        r.trackNo[m] = 1;
    }
}

void makeException(ExceptionRecord &r)
{
    // Kinds 0..5 as the dialog shows them; no kind may warn on the monitor.
    static constexpr std::uint32_t flags[6] = {
        AudibleWarning | ReportToCentre,
        AudibleWarning | TriggerAlarmOut,
        ReportToCentre,
        ReportToCentre | SendEmail,
        AudibleWarning,
        0,
    };
    for (int k = 0; k < 6; ++k)
        makeHandling(r.exceptionHandling[k], flags[k], k == 1 ? 0x1 : 0x0);
}

bool parseInt(const std::string &value, int low, int high, int &out)
{
    if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::atoi(value.c_str());
    return out >= low && out <= high;
}

bool parseSerial(const std::string &value, std::string &out)
{
    if (value.empty() || value.size() > sizeof DeviceInfoRecord::serialNumber ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
        return false;
    out = value;
    return true;
}

// Every character must survive GBK, and the whole name fit the field.
bool parseName(const std::string &value, std::string &out)
{
    std::u16string text;
    if (value.empty() || !fromUtf8(value, text))
        return false;
    const std::string bytes = gbk::encode(text);
    if (bytes.size() > sizeof DeviceInfoRecord::deviceName || gbk::decode(bytes) != text)
        return false;
    out = value;
    return true;
}

// Four decimal octets written the plain way, so the profile reads back as it was given.
bool parseIp(const std::string &value, std::string &out)
{
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? value.find('.', pos) : value.size();
        if (dot == std::string::npos)
            return false;
        const std::string octet = value.substr(pos, dot - pos);
        int v = 0;
        if (!parseInt(octet, 0, 255, v) || octet != std::to_string(v))
            return false;
        pos = dot + 1;
    }
    out = value;
    return true;
}

} // namespace

DeviceState makeFactoryState(const Profile &profile)
{
    DeviceState s;
    const bool hd = isHighDefinitionType(profile.deviceType);
    const int channels = std::clamp(profile.channels, 0, 255);

    s.info = makeInfo(profile);
    s.network = makeNetwork(profile);
    makeServerRecords(s);
    s.decoder = patternedRecords<DecoderRecord>(channels, TagDecoder);
    makeSerialRecords(s);
    makeDiskRecords(s, profile.disks, channels);

    fillRecord(s.exception, TagException);
    makeException(s.exception);

    s.picture = patternedRecords<ChannelPictureRecord>(channels, TagPicture);
    s.recording = patternedRecords<ChannelRecordingRecord>(channels, TagRecording);
    s.compression = patternedRecords<ChannelCompressionRecord>(channels, TagCompression);
    s.textOverlay = patternedRecords<ChannelTextOverlayRecord>(channels, TagTextOverlay);
    for (int k = 0; k < channels; ++k) {
        makePicture(s.picture[std::size_t(k)], k);
        makeRecording(s.recording[std::size_t(k)]);
        makeCompression(s.compression[std::size_t(k)], k, hd);
        makeTextOverlay(s.textOverlay[std::size_t(k)]);
    }

    s.alarmIn = patternedRecords<AlarmInRecord>(profile.alarmIn, TagAlarmIn);
    for (std::size_t i = 0; i < s.alarmIn.size(); ++i)
        makeAlarmIn(s.alarmIn[i], int(i));

    s.alarmOut = patternedRecords<AlarmOutRecord>(profile.alarmOut, TagAlarmOut);
    for (AlarmOutRecord &r : s.alarmOut) {
        r.outputDelay = 1;
        makeSchedule(r.schedule, AllDay);
    }

    s.scale = 1;
    makePtzList(s.ptz, profile.shuffledPtzCodes);
    return s;
}

bool parseProfile(std::string_view query, Profile &profile, int &rebootMs)
{
    const std::string q(query);
    std::size_t pos = 0;
    while (pos < q.size()) {
        std::size_t end = q.find('&', pos);
        if (end == std::string::npos)
            end = q.size();
        const std::string item = q.substr(pos, end - pos);
        pos = end + 1;
        if (item.empty())
            continue;
        const std::size_t eq = item.find('=');
        if (eq == std::string::npos)
            return false;
        const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        int v = 0;
        bool ok;
        if (key == "type")
            ok = parseInt(value, 0, 255, v) && ((profile.deviceType = std::uint8_t(v)), true);
        else if (key == "channels")
            ok = parseInt(value, 0, 255, profile.channels);
        else if (key == "first")
            ok = parseInt(value, 0, 255, profile.firstChannel);
        else if (key == "alarmin")
            ok = parseInt(value, 0, 255, profile.alarmIn);
        else if (key == "alarmout")
            ok = parseInt(value, 0, 255, profile.alarmOut);
        else if (key == "disks")
            ok = parseInt(value, 0, 33, profile.disks);
        else if (key == "ptzcodes")
            ok = (value == "shuffled" || value == "positions") &&
                 ((profile.shuffledPtzCodes = value == "shuffled"), true);
        else if (key == "id")
            ok = parseInt(value, 0, 255, profile.identity);
        else if (key == "serial")
            ok = parseSerial(value, profile.serial);
        else if (key == "name")
            ok = parseName(value, profile.name);
        else if (key == "ip")
            ok = parseIp(value, profile.ip);
        else if (key == "reboot_ms")
            ok = parseInt(value, 0, 600000, rebootMs);
        else
            ok = false;
        if (!ok)
            return false;
    }
    return true;
}

} // namespace dvrsim
