#pragma once
// Every record the dialog shows, with the baseline copies the restart rule compares against.
// Plain C++: the load and save sequences and the tools use it without widgets.
#include "alarm/alarmrecords.h"
#include "alarm/emailrecord.h"
#include "channel/channelrecords.h"
#include "device/diskrecords.h"
#include "device/networkrecords.h"
#include "device/serialrecords.h"
#include "device/serverrecords.h"

#include <algorithm>

constexpr int ChannelSlots = 16;
constexpr int AlarmInSlots = 16;
constexpr int AlarmOutSlots = 4;

struct DvrRecords {
    std::int32_t scaleFlag;
    DeviceInfoRecord deviceInfo;
    NetworkRecord network, networkBaseline;
    ChannelPictureRecord picture[ChannelSlots];
    ChannelRecordingRecord recording[ChannelSlots];
    ChannelCompressionRecord compression[ChannelSlots], compressionBaseline[ChannelSlots],
        compressionCopy[ChannelSlots];
    ChannelTextOverlayRecord textOverlay[ChannelSlots];
    NfsRecord nfs, nfsBaseline;
    DnsNtpRecord dnsNtp, dnsNtpBaseline;
    DiskRecord disk, diskBaseline;
    DiskGroupRecord diskGroup, diskGroupBaseline;
    EmailRecord email;
    DdnsRecord ddns, ddnsBaseline;
    Rs232Record rs232;
    DecoderRecord decoder[ChannelSlots];
    PtzProtocolList ptz;
    AlarmInRecord alarmIn[AlarmInSlots], alarmInBaseline[AlarmInSlots];
    AlarmOutRecord alarmOut[AlarmOutSlots], alarmOutBaseline[AlarmOutSlots];
    ExceptionRecord exception;

    // The device's counts, limited to the slots the dialog has.
    int channelCount() const { return std::min<int>(deviceInfo.channelCount, ChannelSlots); }
    int alarmInCount() const { return std::min<int>(deviceInfo.alarmInCount, AlarmInSlots); }
    int alarmOutCount() const { return std::min<int>(deviceInfo.alarmOutCount, AlarmOutSlots); }
    int firstChannel() const { return deviceInfo.firstChannel; }
    std::uint8_t deviceType() const { return deviceInfo.deviceType; }
};
