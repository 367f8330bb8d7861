#pragma once
// Per-channel picture, recording, compression and text-overlay records of the channel page.
#include "alarm/alarmhandling.h"

#pragma pack(push, 1)

struct MaskRect {
    std::uint16_t x, y, width, height; // 704 x 576 space
};
DVR_SIZE(MaskRect, 8);

constexpr int MotionRows = 64;
constexpr int MotionRowBytes = 96;

struct ChannelPictureRecord {
    std::uint32_t recordSize;
    char channelName[32];
    std::uint8_t reserved36[68];
    std::uint32_t showChannelName;
    std::uint16_t channelNameX; // 0..704
    std::uint16_t channelNameY; // 0..576
    std::uint8_t videoLossEnable;
    std::uint8_t reserved113[3];
    AlarmHandling videoLossHandling;
    ScheduleRecord videoLossSchedule;
    std::uint8_t reserved440[328];
    std::uint8_t motionArea[MotionRows][MotionRowBytes]; // rows 0..17, columns 0..21 are edited
    std::uint8_t motionSensitivity;                      // 0..5, 0xFF off
    std::uint8_t motionEnable;
    std::uint8_t reserved6914[2];
    AlarmHandling motionHandling;
    ScheduleRecord motionSchedule;
    std::uint8_t motionRecordChannel[64];
    std::uint32_t occlusionLevel; // 0 off, 1..3
    std::uint16_t occlusionX;
    std::uint16_t occlusionY;
    std::uint16_t occlusionWidth;
    std::uint16_t occlusionHeight;
    AlarmHandling occlusionHandling;
    ScheduleRecord occlusionSchedule;
    std::uint32_t maskEnable;
    MaskRect maskArea[4];
    std::uint32_t showOsd;
    std::uint16_t osdX;
    std::uint16_t osdY;
    std::uint8_t osdType;
    std::uint8_t showWeek;
    std::uint8_t osdAttribute; // 1..4
    std::uint8_t reserved7687[65];
};
DVR_SIZE(ChannelPictureRecord, 7752);
DVR_PIN(ChannelPictureRecord, channelName, 4);
DVR_PIN(ChannelPictureRecord, reserved36, 36);
DVR_PIN(ChannelPictureRecord, showChannelName, 104);
DVR_PIN(ChannelPictureRecord, channelNameX, 108);
DVR_PIN(ChannelPictureRecord, channelNameY, 110);
DVR_PIN(ChannelPictureRecord, videoLossEnable, 112);
DVR_PIN(ChannelPictureRecord, reserved113, 113);
DVR_PIN(ChannelPictureRecord, videoLossHandling, 116);
DVR_PIN(ChannelPictureRecord, videoLossSchedule, 216);
DVR_PIN(ChannelPictureRecord, reserved440, 440);
DVR_PIN(ChannelPictureRecord, motionArea, 768);
DVR_PIN(ChannelPictureRecord, motionSensitivity, 6912);
DVR_PIN(ChannelPictureRecord, motionEnable, 6913);
DVR_PIN(ChannelPictureRecord, reserved6914, 6914);
DVR_PIN(ChannelPictureRecord, motionHandling, 6916);
DVR_PIN(ChannelPictureRecord, motionSchedule, 7016);
DVR_PIN(ChannelPictureRecord, motionRecordChannel, 7240);
DVR_PIN(ChannelPictureRecord, occlusionLevel, 7304);
DVR_PIN(ChannelPictureRecord, occlusionX, 7308);
DVR_PIN(ChannelPictureRecord, occlusionY, 7310);
DVR_PIN(ChannelPictureRecord, occlusionWidth, 7312);
DVR_PIN(ChannelPictureRecord, occlusionHeight, 7314);
DVR_PIN(ChannelPictureRecord, occlusionHandling, 7316);
DVR_PIN(ChannelPictureRecord, occlusionSchedule, 7416);
DVR_PIN(ChannelPictureRecord, maskEnable, 7640);
DVR_PIN(ChannelPictureRecord, maskArea, 7644);
DVR_PIN(ChannelPictureRecord, showOsd, 7676);
DVR_PIN(ChannelPictureRecord, osdX, 7680);
DVR_PIN(ChannelPictureRecord, osdY, 7682);
DVR_PIN(ChannelPictureRecord, osdType, 7684);
DVR_PIN(ChannelPictureRecord, showWeek, 7685);
DVR_PIN(ChannelPictureRecord, osdAttribute, 7686);
DVR_PIN(ChannelPictureRecord, reserved7687, 7687);

struct RecordingDayHeader {
    std::uint16_t allDay; // 0 by segments, 1 all day
    std::uint8_t allDayType;
    std::uint8_t reserved3;
};
DVR_SIZE(RecordingDayHeader, 4);

struct RecordingSegment {
    std::uint8_t startHour;
    std::uint8_t startMinute;
    std::uint8_t endHour;
    std::uint8_t endMinute;
    std::uint8_t recordType;
    std::uint8_t reserved5[3];
};
DVR_SIZE(RecordingSegment, 8);

// 64 bytes of segments per day; the editor uses the first four slots.
struct RecordingDaySegments {
    RecordingSegment segments[4];
    std::uint8_t reserved32[32];
};
DVR_SIZE(RecordingDaySegments, 64);

struct RecordingSchedule {
    RecordingDayHeader days[7]; // 0 Monday .. 6 Sunday
    RecordingDaySegments segmentDays[7];
};
DVR_SIZE(RecordingSchedule, 476);
DVR_PIN(RecordingSchedule, segmentDays, 28);

struct ChannelRecordingRecord {
    std::uint32_t recordSize;
    std::uint32_t recordEnable;
    RecordingSchedule recordingSchedule;
    std::uint32_t recordDelay;
    std::uint32_t preRecordTime;
    std::uint8_t reserved492[16];
};
DVR_SIZE(ChannelRecordingRecord, 508);
DVR_PIN(ChannelRecordingRecord, recordEnable, 4);
DVR_PIN(ChannelRecordingRecord, recordingSchedule, 8);
DVR_PIN(ChannelRecordingRecord, recordDelay, 484);
DVR_PIN(ChannelRecordingRecord, preRecordTime, 488);
DVR_PIN(ChannelRecordingRecord, reserved492, 492);
static_assert(offsetof(ChannelRecordingRecord, recordingSchedule) + offsetof(RecordingSchedule, segmentDays) == 36);

struct StreamSettings {
    std::uint8_t streamKind;
    std::uint8_t resolution;
    std::uint8_t bitRateType;
    std::uint8_t videoQuality;
    std::uint32_t maxBitRate; // list code, or bit 31 | (Kbps << 10)
    std::uint32_t frameRate;
    std::uint16_t iFrameInterval;
    std::uint8_t frameType; // 0 BBP, non-zero single P
    std::uint8_t reserved15[13];
};
DVR_SIZE(StreamSettings, 28);
DVR_PIN(StreamSettings, resolution, 1);
DVR_PIN(StreamSettings, bitRateType, 2);
DVR_PIN(StreamSettings, videoQuality, 3);
DVR_PIN(StreamSettings, maxBitRate, 4);
DVR_PIN(StreamSettings, frameRate, 8);
DVR_PIN(StreamSettings, iFrameInterval, 12);
DVR_PIN(StreamSettings, frameType, 14);
DVR_PIN(StreamSettings, reserved15, 15);

struct ChannelCompressionRecord {
    std::uint32_t recordSize;
    StreamSettings mainStream;
    std::uint8_t reserved32[56];
    StreamSettings subStream;
};
DVR_SIZE(ChannelCompressionRecord, 116);
DVR_PIN(ChannelCompressionRecord, mainStream, 4);
DVR_PIN(ChannelCompressionRecord, reserved32, 32);
DVR_PIN(ChannelCompressionRecord, subStream, 88);

struct TextOverlayEntry {
    std::uint16_t showText;
    std::uint16_t textLength;
    std::uint16_t textX; // 0..704
    std::uint16_t textY; // 0..576
    char text[44];
};
DVR_SIZE(TextOverlayEntry, 52);
DVR_PIN(TextOverlayEntry, textLength, 2);
DVR_PIN(TextOverlayEntry, textX, 4);
DVR_PIN(TextOverlayEntry, textY, 6);
DVR_PIN(TextOverlayEntry, text, 8);

struct ChannelTextOverlayRecord {
    std::uint32_t recordSize;
    TextOverlayEntry entries[4];
    std::uint8_t reserved212[208];
};
DVR_SIZE(ChannelTextOverlayRecord, 420);
DVR_PIN(ChannelTextOverlayRecord, entries, 4);
DVR_PIN(ChannelTextOverlayRecord, reserved212, 212);

#pragma pack(pop)
