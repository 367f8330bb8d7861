#pragma once
// Weekly arming schedule and alarm reaction: embedded in the channel, alarm-input, alarm-output
// and exception records. Plain C++ so the simulated recorder shares the layout.
#include "command/recordcheck.h"

#pragma pack(push, 1)

struct ScheduleSegment {
    std::uint8_t startHour;
    std::uint8_t startMinute;
    std::uint8_t endHour;
    std::uint8_t endMinute;
};
DVR_SIZE(ScheduleSegment, 4);

// A day holds 32 bytes; the dialog edits the first four segments, the rest travels unchanged.
struct ScheduleDay {
    ScheduleSegment segments[4];
    std::uint8_t reserved16[16];
};
DVR_SIZE(ScheduleDay, 32);

struct ScheduleRecord {
    ScheduleDay days[7]; // 0 Monday .. 6 Sunday
};
DVR_SIZE(ScheduleRecord, 224);

// Bits of AlarmHandling::handleFlags.
enum AlarmHandleFlag : std::uint32_t {
    WarnOnMonitor = 0x01,
    AudibleWarning = 0x02,
    ReportToCentre = 0x04,
    TriggerAlarmOut = 0x08,
    SendEmail = 0x10,
};

struct AlarmHandling {
    std::uint32_t handleFlags;
    std::uint8_t alarmOutTrigger[96]; // one byte per output; only 0..3 are edited
};
DVR_SIZE(AlarmHandling, 100);
DVR_PIN(AlarmHandling, alarmOutTrigger, 4);

#pragma pack(pop)

// Which alarm source a sub-dialog edits.
enum AlarmKind : int {
    MotionDetection = 0,
    VideoLoss = 1,
    OcclusionAlarm = 2,
    VideoMask = 3,
    AlarmInput = 10,
    AlarmOutput = 11,
};
