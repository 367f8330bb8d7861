#include "fields/fieldtables.h"

#include "alarm/alarmrecords.h"
#include "alarm/emailrecord.h"
#include "channel/channelrecords.h"
#include "device/diskrecords.h"
#include "device/networkrecords.h"
#include "device/serialrecords.h"
#include "device/serverrecords.h"

#include <algorithm>
#include <initializer_list>
#include <type_traits>

namespace fields {
namespace {

// A member's kind, element count and nested table follow from its declared type.
template <typename Member>
Field describe(const char *name, std::size_t offset, ItemText items = nullptr, const char *label = nullptr)
{
    using Element = std::remove_all_extents_t<Member>;
    Field f;
    f.name = name;
    f.offset = offset;
    f.size = sizeof(Member);
    f.items = items;
    f.label = label;
    if constexpr (std::is_same_v<Element, char>) {
        f.kind = Kind::Text;
        // char[N] is one text; char[M][N] is M texts of N bytes.
        constexpr std::size_t rank = std::rank_v<Member>;
        f.count = sizeof(Member) / std::extent_v<Member, rank - 1>;
    } else if constexpr (std::is_same_v<Element, std::uint8_t> && std::rank_v<Member> > 0) {
        f.kind = Kind::Bytes;
    } else if constexpr (std::is_integral_v<Element>) {
        f.kind = std::is_signed_v<Element> ? Kind::Signed : Kind::Unsigned;
        f.count = sizeof(Member) / sizeof(Element);
    } else {
        f.kind = Kind::Struct;
        f.count = sizeof(Member) / sizeof(Element);
        f.nested = &tableOf<Element>;
    }
    return f;
}

Field carried(const char *name, std::size_t offset, std::size_t size)
{
    Field f;
    f.name = name;
    f.offset = offset;
    f.size = size;
    f.kind = Kind::Carried;
    return f;
}

std::string pick(std::initializer_list<const char *> items, std::int64_t value, std::int64_t first = 0)
{
    const std::int64_t index = value - first;
    return index >= 0 && index < std::int64_t(items.size()) ? items.begin()[index] : std::string();
}

// One line per field: a renamed, moved or split member stops the build at its own line.
#define F(member, ...)                                                                                                 \
    fields.push_back(describe<decltype(T::member)>(#member, offsetof(T, member) __VA_OPT__(, ) __VA_ARGS__))
#define CARRIED(member) fields.push_back(carried(#member, offsetof(T, member), sizeof(T::member)))

Table table(const char *name, std::size_t size, void (*fill)(std::vector<Field> &))
{
    Table t{name, size, {}};
    fill(t.fields);
    return t;
}

std::string offOn(std::int64_t v) { return pick({"不启用", "启用"}, v); }
std::string noYes(std::int64_t v) { return pick({"否", "是"}, v); }
std::string baud232(std::int64_t v)
{
    return pick({"50", "75", "110", "150", "300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600",
                 "76800", "115.2k"},
                v);
}
std::string baud485(std::int64_t v)
{
    return pick({"50", "75", "110", "150", "300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600",
                 "76800", "1115.2k"},
                v);
}
std::string dataBits(std::int64_t v) { return pick({"5", "6", "7", "8"}, v); }
std::string stopBits(std::int64_t v) { return pick({"1", "2"}, v); }
std::string parity(std::int64_t v) { return pick({"无校验", "奇校验", "偶校验"}, v); }
std::string flowControl(std::int64_t v) { return pick({"无", "软流控", "硬流控"}, v); }

std::string maxBitRate(std::int64_t v)
{
    const auto code = std::uint32_t(v);
    if (code & 0x80000000u)
        return "自定义 " + std::to_string((code & 0x7FFFFFFFu) >> 10) + "Kbps";
    return pick({"32Kbps",  "48Kbps",   "64Kbps",   "80Kbps",   "96Kbps",   "128Kbps", "160Kbps", "192Kbps",
                 "224Kbps", "256Kbps",  "320Kbps",  "384Kbps",  "448Kbps",  "512Kbps", "640Kbps", "768Kbps",
                 "896Kbps", "1024Kbps", "1280Kbps", "1536Kbps", "1792Kbps", "2048Kbps"},
                v, 2);
}

std::string resolution(std::int64_t v)
{
    switch (v) {
    case 16: return "VGA";
    case 19: return "HD720p";
    case 20: return "XVGA";
    default: return pick({"DCIF", "CIF", "QCIF", "4CIF", "2CIF"}, v);
    }
}

std::string diskStatus(std::int64_t v)
{
    const std::string s = pick({"正常", "未格式化", "错误", "SMART状态", "不匹配", "休眠"}, v);
    return s.empty() ? "未知" : s;
}

// The disk list's "属性" column has a word for every value, "未知" beyond the three.
std::string diskAttribute(std::int64_t v)
{
    const std::string s = pick({"普通", "冗余", "只读"}, v);
    return s.empty() ? "未知" : s;
}

// The server page's device-type list: item k names device type k + 1.
std::string deviceType(std::int64_t v)
{
    return pick({"DVR",         "ATM DVR", "DVS",        "解码器",     "编解码器",   "ATM DVR-S",      "DVR-S",
                 "DVR-H",       "DVR-HF",  "DVR-HS",     "DVR-HT",     "DVR-HE",     "网络视频服务器", "DVS-A",
                 "DVS-S",       "DVS-E",   "多路解码器", "矩阵解码器", "网络摄像机", "网络球机",       "高清网络摄像机",
                 "DVR-HC",      "DVR-HK",  "NVR",        "混合录像机", "车载录像机", "IP解码器",       "网络存储服务器",
                 "视频综合平台"},
                v, 1);
}

std::string recordType(std::int64_t v)
{
    return pick({"定时录像", "移动侦测", "报警录像", "动测|报警", "动测&报警", "命令触发"}, v);
}

} // namespace

std::int64_t readInteger(const std::uint8_t *at, std::size_t size, bool isSigned)
{
    std::uint64_t v = 0;
    for (std::size_t i = size; i-- > 0;)
        v = (v << 8) | at[i];
    if (isSigned && size < 8 && (v >> (8 * size - 1)) & 1)
        v |= ~std::uint64_t(0) << (8 * size);
    return std::int64_t(v);
}

template <> const Table &tableOf<ScheduleSegment>()
{
    using T = ScheduleSegment;
    static const Table t = table("ScheduleSegment", sizeof(T), [](std::vector<Field> &fields) {
        F(startHour);
        F(startMinute);
        F(endHour);
        F(endMinute);
    });
    return t;
}

template <> const Table &tableOf<ScheduleDay>()
{
    using T = ScheduleDay;
    static const Table t = table("ScheduleDay", sizeof(T), [](std::vector<Field> &fields) {
        F(segments);
        CARRIED(reserved16);
    });
    return t;
}

template <> const Table &tableOf<ScheduleRecord>()
{
    using T = ScheduleRecord;
    static const Table t = table("ScheduleRecord", sizeof(T), [](std::vector<Field> &fields) { F(days); });
    return t;
}

template <> const Table &tableOf<AlarmHandling>()
{
    using T = AlarmHandling;
    static const Table t = table("AlarmHandling", sizeof(T), [](std::vector<Field> &fields) {
        F(handleFlags);
        F(alarmOutTrigger);
    });
    return t;
}

template <> const Table &tableOf<DeviceInfoRecord>()
{
    using T = DeviceInfoRecord;
    static const Table t = table("DeviceInfoRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(deviceName);
        F(deviceNumber);
        F(recycleRecord, noYes);
        F(serialNumber);
        F(softwareVersion);
        F(softwareBuildDate);
        F(dspVersion);
        F(dspBuildDate);
        F(panelVersion);
        F(hardwareVersion);
        F(alarmInCount);
        F(alarmOutCount);
        CARRIED(reserved118);
        F(diskCount);
        F(deviceType, deviceType);
        F(channelCount);
        F(firstChannel);
        CARRIED(reserved126);
    });
    return t;
}

template <> const Table &tableOf<NetworkRecord>()
{
    using T = NetworkRecord;
    static const Table t = table("NetworkRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(deviceIp);
        CARRIED(reserved20);
        F(ipMask);
        CARRIED(reserved164);
        F(nicType, [](std::int64_t v) {
            return pick({"10MBase - T", "10MBase-T全双工", "100MBase - TX", "100M全双工", "10M/100M/1000M自适应",
                         "1000M全双工"},
                        v, 1);
        });
        F(devicePort);
        CARRIED(reserved298);
        F(macAddress);
        CARRIED(reserved306);
        F(manageHostIp);
        CARRIED(reserved916);
        F(manageHostPort);
        CARRIED(reserved1050);
        F(ipServerAddress);
        CARRIED(reserved1356);
        F(httpPort);
        F(multicastIp);
        CARRIED(reserved1424);
        F(gatewayIp);
        CARRIED(reserved1568);
        F(pppoeEnable, offOn);
        F(pppoeUser);
        F(pppoePassword);
        F(pppoeAddress);
        CARRIED(reserved1764);
    });
    return t;
}

template <> const Table &tableOf<DnsNtpRecord>()
{
    using T = DnsNtpRecord;
    static const Table t = table("DnsNtpRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(dnsServer);
        F(ntpServer);
        F(ntpInterval);
        F(ntpEnable, offOn);
        F(utcOffsetHours);
        F(utcOffsetMinutes);
        CARRIED(reserved89);
    });
    return t;
}

template <> const Table &tableOf<NfsEntry>()
{
    using T = NfsEntry;
    static const Table t = table("NfsEntry", sizeof(T), [](std::vector<Field> &fields) {
        F(nfsServer);
        F(nfsDirectory);
    });
    return t;
}

template <> const Table &tableOf<NfsRecord>()
{
    using T = NfsRecord;
    static const Table t = table("NfsRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(entries);
    });
    return t;
}

template <> const Table &tableOf<DdnsRecord>()
{
    using T = DdnsRecord;
    static const Table t = table("DdnsRecord", sizeof(T), [](std::vector<Field> &fields) {
        F(ddnsEnable, offOn);
        F(ddnsServerType, [](std::int64_t v) { return pick({"Korvane DNS", "Dyndns", "PeanutHull"}, v); });
        CARRIED(reserved2);
        F(ddnsUser);
        F(ddnsPassword);
        F(ddnsDomain);
        F(ddnsServerAddress);
        F(ddnsPort);
        CARRIED(reserved182);
    });
    return t;
}

template <> const Table &tableOf<Rs232Record>()
{
    using T = Rs232Record;
    static const Table t = table("Rs232Record", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(baudRateIndex, baud232);
        F(dataBitsIndex, dataBits);
        F(stopBitsIndex, stopBits);
        F(parityIndex, parity);
        F(flowControlIndex, flowControl);
        F(workMode, [](std::int64_t v) { return pick({"窄带传输", "控制台", "透明通道"}, v); });
        CARRIED(reserved16);
        F(pppRemoteAddress);
        CARRIED(reserved116);
        F(pppLocalAddress);
        CARRIED(reserved260);
        F(pppLocalMask);
        F(pppUser);
        F(pppPassword);
        F(pppMode, [](std::int64_t v) { return pick({"主动", "被动"}, v); });
        F(callbackEnable);
        F(callbackMode, [](std::int64_t v) { return pick({"由拨入者指定", "预置回拨号码"}, v); });
        F(dataEncrypt);
        CARRIED(reserved456);
        F(telephoneNumber);
    });
    return t;
}

template <> const Table &tableOf<DecoderRecord>()
{
    using T = DecoderRecord;
    static const Table t = table("DecoderRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(baudRateIndex, baud485);
        F(dataBitsIndex, dataBits);
        F(stopBitsIndex, stopBits);
        F(parityIndex, parity);
        F(flowControlIndex, flowControl);
        F(decoderType);
        F(decoderAddress);
        CARRIED(reserved16);
    });
    return t;
}

template <> const Table &tableOf<PtzProtocolEntry>()
{
    using T = PtzProtocolEntry;
    static const Table t = table("PtzProtocolEntry", sizeof(T), [](std::vector<Field> &fields) {
        F(protocolCode);
        F(protocolName);
    });
    return t;
}

template <> const Table &tableOf<PtzProtocolList>()
{
    using T = PtzProtocolList;
    static const Table t = table("PtzProtocolList", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(entries);
        F(protocolCount);
        CARRIED(reserved4008);
    });
    return t;
}

template <> const Table &tableOf<DiskEntry>()
{
    using T = DiskEntry;
    static const Table t = table("DiskEntry", sizeof(T), [](std::vector<Field> &fields) {
        F(diskNumber);
        F(capacityMb);
        F(freeSpaceMb);
        F(diskStatus, diskStatus);
        F(diskAttribute, diskAttribute);
        CARRIED(reserved17);
        F(diskGroup);
        CARRIED(reserved24);
    });
    return t;
}

template <> const Table &tableOf<DiskRecord>()
{
    using T = DiskRecord;
    static const Table t = table("DiskRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(diskEntryCount);
        F(entries);
    });
    return t;
}

template <> const Table &tableOf<DiskGroupEntry>()
{
    using T = DiskGroupEntry;
    static const Table t = table("DiskGroupEntry", sizeof(T), [](std::vector<Field> &fields) {
        F(groupNumber);
        F(channelMember);
    });
    return t;
}

template <> const Table &tableOf<DiskGroupRecord>()
{
    using T = DiskGroupRecord;
    static const Table t = table("DiskGroupRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(groupCount);
        F(groups);
    });
    return t;
}

template <> const Table &tableOf<MaskRect>()
{
    using T = MaskRect;
    static const Table t = table("MaskRect", sizeof(T), [](std::vector<Field> &fields) {
        F(x);
        F(y);
        F(width);
        F(height);
    });
    return t;
}

template <> const Table &tableOf<ChannelPictureRecord>()
{
    using T = ChannelPictureRecord;
    static const Table t = table("ChannelPictureRecord", sizeof(T), [](std::vector<Field> &fields) {
        F(recordSize);
        F(channelName);
        CARRIED(reserved36);
        F(showChannelName);
        F(channelNameX);
        F(channelNameY);
        F(videoLossEnable);
        CARRIED(reserved113);
        F(videoLossHandling, nullptr, "video loss handling");
        F(videoLossSchedule, nullptr, "video loss schedule");
        CARRIED(reserved440);
        F(motionArea);
        F(motionSensitivity);
        F(motionEnable);
        CARRIED(reserved6914);
        F(motionHandling, nullptr, "motion handling");
        F(motionSchedule, nullptr, "motion schedule");
        F(motionRecordChannel);
        F(occlusionLevel);
        F(occlusionX);
        F(occlusionY);
        F(occlusionWidth);
        F(occlusionHeight);
        F(occlusionHandling, nullptr, "occlusion handling");
        F(occlusionSchedule, nullptr, "occlusion schedule");
        F(maskEnable);
        F(maskArea);
        F(showOsd);
        F(osdX);
        F(osdY);
        F(osdType, [](std::int64_t v) {
            return pick({"XXXX-XX-XX(年月日)", "XX-XX-XXXX(月日年)", "XXXX年XX月XX日", "XX月XX日XXXX年",
                         "XX-XX-XXXX(日月年)", "XX日XX月XXXX年"},
                        v);
        });
        F(showWeek);
        F(osdAttribute, [](std::int64_t v) {
            return pick({"透明,闪烁", "透明,不闪烁", "闪烁,不透明", "不透明,不闪烁"}, v, 1);
        });
        CARRIED(reserved7687);
    });
    return t;
}

template <> const Table &tableOf<RecordingDayHeader>()
{
    using T = RecordingDayHeader;
    static const Table t = table("RecordingDayHeader", sizeof(T), [](std::vector<Field> &fields) {
        F(allDay, [](std::int64_t v) { return pick({"按时间段录像", "全天录像"}, v); });
        F(allDayType, recordType);
        CARRIED(reserved3);
    });
    return t;
}

template <> const Table &tableOf<RecordingSegment>()
{
    using T = RecordingSegment;
    static const Table t = table("RecordingSegment", sizeof(T), [](std::vector<Field> &fields) {
        F(startHour);
        F(startMinute);
        F(endHour);
        F(endMinute);
        F(recordType, recordType);
        CARRIED(reserved5);
    });
    return t;
}

template <> const Table &tableOf<RecordingDaySegments>()
{
    using T = RecordingDaySegments;
    static const Table t = table("RecordingDaySegments", sizeof(T), [](std::vector<Field> &fields) {
        F(segments);
        CARRIED(reserved32);
    });
    return t;
}

template <> const Table &tableOf<RecordingSchedule>()
{
    using T = RecordingSchedule;
    static const Table t = table("RecordingSchedule", sizeof(T), [](std::vector<Field> &fields) {
        F(days);
        F(segmentDays);
    });
    return t;
}

template <> const Table &tableOf<ChannelRecordingRecord>()
{
    using T = ChannelRecordingRecord;
    static const Table t = table("ChannelRecordingRecord", sizeof(T), [](std::vector<Field> &fields) {
        F(recordSize);
        F(recordEnable);
        F(recordingSchedule, nullptr, "schedule");
        F(recordDelay, [](std::int64_t v) {
            return pick({"5秒", "10秒", "30秒", "1分钟", "2分钟", "5分钟", "10分钟"}, v);
        });
        F(preRecordTime, [](std::int64_t v) {
            return pick({"不预录 ", "5秒", "10秒", "15秒", "20秒", "25秒", "30秒", "尽可能预录"}, v);
        });
        CARRIED(reserved492);
    });
    return t;
}

template <> const Table &tableOf<StreamSettings>()
{
    using T = StreamSettings;
    static const Table t = table("StreamSettings", sizeof(T), [](std::vector<Field> &fields) {
        F(streamKind, [](std::int64_t v) { return pick({"视频流", "复合流"}, v); });
        F(resolution, resolution);
        F(bitRateType, [](std::int64_t v) { return pick({"变码率", "定码率"}, v); });
        F(videoQuality, [](std::int64_t v) { return pick({"最好", "次好", "较好", "一般", "较差", "差"}, v); });
        F(maxBitRate, maxBitRate);
        F(frameRate, [](std::int64_t v) {
            return pick({"全帧率", "1/16", "1/8", "1/4", "1/2", "1", "2", "4", "6", "8", "10", "12", "16", "20", "15",
                         "18", "22"},
                        v);
        });
        F(iFrameInterval);
        F(frameType, [](std::int64_t v) { return v == 0 ? std::string("BBP") : std::string("单P"); });
        CARRIED(reserved15);
    });
    return t;
}

template <> const Table &tableOf<ChannelCompressionRecord>()
{
    using T = ChannelCompressionRecord;
    static const Table t = table("ChannelCompressionRecord", sizeof(T), [](std::vector<Field> &fields) {
        F(recordSize);
        F(mainStream, nullptr, "main stream");
        CARRIED(reserved32);
        F(subStream, nullptr, "sub stream");
    });
    return t;
}

template <> const Table &tableOf<TextOverlayEntry>()
{
    using T = TextOverlayEntry;
    static const Table t = table("TextOverlayEntry", sizeof(T), [](std::vector<Field> &fields) {
        F(showText);
        F(textLength);
        F(textX);
        F(textY);
        F(text);
    });
    return t;
}

template <> const Table &tableOf<ChannelTextOverlayRecord>()
{
    using T = ChannelTextOverlayRecord;
    static const Table t = table("ChannelTextOverlayRecord", sizeof(T), [](std::vector<Field> &fields) {
        F(recordSize);
        F(entries, nullptr, "overlay");
        CARRIED(reserved212);
    });
    return t;
}

template <> const Table &tableOf<AlarmInRecord>()
{
    using T = AlarmInRecord;
    static const Table t = table("AlarmInRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(alarmInName);
        F(sensorType, [](std::int64_t v) { return pick({"常开", "常闭"}, v); });
        F(handleAlarmIn);
        CARRIED(reserved38);
        F(handling);
        F(schedule);
        F(recordChannel);
        F(presetEnable);
        F(presetNo);
        CARRIED(reserved556);
        F(cruiseEnable);
        F(cruiseNo);
        F(trackEnable);
        F(trackNo);
        CARRIED(reserved1004);
    });
    return t;
}

template <> const Table &tableOf<AlarmOutRecord>()
{
    using T = AlarmOutRecord;
    static const Table t = table("AlarmOutRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(outputDelay, [](std::int64_t v) {
            return pick({"5秒", "10秒", "30秒", "1分钟", "2分钟", "5分钟", "10分钟", "手动"}, v);
        });
        F(schedule);
        CARRIED(reserved264);
    });
    return t;
}

template <> const Table &tableOf<ExceptionRecord>()
{
    using T = ExceptionRecord;
    static const Table t = table("ExceptionRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(exceptionHandling);
    });
    return t;
}

template <> const Table &tableOf<EmailRecord>()
{
    using T = EmailRecord;
    static const Table t = table("EmailRecord", sizeof(T), [](std::vector<Field> &fields) {
        CARRIED(reserved0);
        F(account);
        F(password);
        F(senderName);
        F(senderAddress);
        F(receiverName);
        F(receiverAddress);
        F(mailServer);
        F(serverType, [](std::int64_t v) { return pick({"SMTP"}, v); });
        F(serverAuth, [](std::int64_t v) { return pick({"NO", "YES"}, v); });
        F(sendAttachment);
        F(sendInterval, [](std::int64_t v) { return pick({"2S", "3S", "4S", "5S"}, v); });
    });
    return t;
}

#undef F
#undef CARRIED

const Table &scaleTable()
{
    static const Table t{
        "ScaleSetting",
        sizeof(std::int32_t),
        {Field{"scaleFlag", 0, sizeof(std::int32_t), Kind::Signed, 1, nullptr,
               [](std::int64_t v) {
                   return v == 0 ? std::string("不启用") : v == 1 ? std::string("启用") : std::string();
               },
               nullptr}}};
    return t;
}

std::vector<const Table *> allTables()
{
    std::vector<const Table *> out = {
        &tableOf<DeviceInfoRecord>(),
        &tableOf<NetworkRecord>(),
        &tableOf<DnsNtpRecord>(),
        &tableOf<NfsRecord>(),
        &tableOf<DdnsRecord>(),
        &tableOf<Rs232Record>(),
        &tableOf<DecoderRecord>(),
        &tableOf<PtzProtocolList>(),
        &tableOf<DiskRecord>(),
        &tableOf<DiskGroupRecord>(),
        &tableOf<ChannelPictureRecord>(),
        &tableOf<ChannelRecordingRecord>(),
        &tableOf<ChannelCompressionRecord>(),
        &tableOf<ChannelTextOverlayRecord>(),
        &tableOf<AlarmInRecord>(),
        &tableOf<AlarmOutRecord>(),
        &tableOf<ExceptionRecord>(),
        &tableOf<EmailRecord>(),
    };
    // Nested structures too, each once.
    for (std::size_t i = 0; i < out.size(); ++i)
        for (const Field &f : out[i]->fields)
            if (f.nested && std::find(out.begin(), out.end(), &f.nested()) == out.end())
                out.push_back(&f.nested());
    return out;
}

std::vector<std::string> coverageProblems(const Table &table)
{
    std::vector<std::string> problems;
    const std::string where = std::string(table.name) + ": ";
    std::vector<const Field *> sorted;
    for (const Field &f : table.fields)
        sorted.push_back(&f);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Field *a, const Field *b) { return a->offset < b->offset; });
    std::size_t next = 0;
    for (const Field *f : sorted) {
        if (f->offset > next)
            problems.push_back(where + "bytes " + std::to_string(next) + ".." + std::to_string(f->offset - 1) +
                               " are neither named nor carried");
        else if (f->offset < next)
            problems.push_back(where + f->name + " overlaps the field before it");
        if (f->size == 0 || f->count == 0 || f->size % f->count != 0)
            problems.push_back(where + f->name + ": " + std::to_string(f->count) + " elements do not divide " +
                               std::to_string(f->size) + " bytes");
        if (f->kind == Kind::Struct && (!f->nested || f->nested().size * f->count != f->size))
            problems.push_back(where + f->name + ": its nested table does not fit it");
        if ((f->kind == Kind::Unsigned || f->kind == Kind::Signed) && f->elementSize() > 8)
            problems.push_back(where + f->name + ": integer wider than 8 bytes");
        next = std::max(next, f->offset + f->size);
    }
    if (next != table.size)
        problems.push_back(where + "fields end at " + std::to_string(next) + ", the record has " +
                           std::to_string(table.size) + " bytes");
    for (std::size_t i = 0; i < table.fields.size(); ++i)
        for (std::size_t j = i + 1; j < table.fields.size(); ++j)
            if (std::string(table.fields[i].name) == table.fields[j].name)
                problems.push_back(where + "two fields named " + table.fields[i].name);
    return problems;
}

} // namespace fields
