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

#include "command/Configfuc.h"

#include <algorithm>
#include <cstdint>

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

    // Fetches into these records report through this note, so a short answer is remembered.
    DecodeNote decodeNote() { return {&DvrRecords::noteDecoded, this}; }
    // False for a record whose last answer held fewer bytes than the record: its tail is not what
    // the device holds, so it may be shown but never sent back.
    bool receivedWhole(const void *record) const
    {
        return !shortOverflow &&
               std::find(shortRecords, shortRecords + shortCount, offsetOf(record)) == shortRecords + shortCount;
    }

    // Offsets (in this object) of the records last received short. Plain data, so the records stay
    // one block of bytes that tools copy and clear as a whole. More records than fit cannot be
    // fetched into this object; should it happen, every record counts as short.
    static constexpr int ShortCapacity = 128;
    std::uint32_t shortRecords[ShortCapacity];
    int shortCount;
    bool shortOverflow;

private:
    std::uint32_t offsetOf(const void *record) const
    {
        return std::uint32_t(static_cast<const char *>(record) - reinterpret_cast<const char *>(this));
    }
    static void noteDecoded(void *owner, const void *record, std::size_t bytes, std::size_t size)
    {
        auto &r = *static_cast<DvrRecords *>(owner);
        const char *p = static_cast<const char *>(record);
        if (p < reinterpret_cast<const char *>(&r) || p >= reinterpret_cast<const char *>(&r + 1))
            return; // not one of these records
        const std::uint32_t offset = r.offsetOf(record);
        std::uint32_t *end = r.shortRecords + r.shortCount;
        std::uint32_t *found = std::find(r.shortRecords, end, offset);
        if (bytes >= size) {
            if (found != end)
                *found = r.shortRecords[--r.shortCount];
        } else if (found == end) {
            if (r.shortCount < ShortCapacity)
                r.shortRecords[r.shortCount++] = offset;
            else
                r.shortOverflow = true;
        }
    }
};
