#pragma once
// Alarm-input, alarm-output and exception records of the alarm page.
#include "alarm/alarmhandling.h"

#pragma pack(push, 1)

struct AlarmInRecord {
    std::uint8_t reserved0[4];
    char alarmInName[32];
    std::uint8_t sensorType; // 0 normally open, 1 normally closed
    std::uint8_t handleAlarmIn;
    std::uint8_t reserved38[2];
    AlarmHandling handling;
    ScheduleRecord schedule;
    std::uint8_t recordChannel[64];
    std::uint8_t presetEnable[64];
    std::uint8_t presetNo[64];
    std::uint8_t reserved556[192];
    std::uint8_t cruiseEnable[64];
    std::uint8_t cruiseNo[64];
    std::uint8_t trackEnable[64];
    std::uint8_t trackNo[64];
    std::uint8_t reserved1004[16];
};
DVR_SIZE(AlarmInRecord, 1020);
DVR_PIN(AlarmInRecord, alarmInName, 4);
DVR_PIN(AlarmInRecord, sensorType, 36);
DVR_PIN(AlarmInRecord, handleAlarmIn, 37);
DVR_PIN(AlarmInRecord, reserved38, 38);
DVR_PIN(AlarmInRecord, handling, 40);
DVR_PIN(AlarmInRecord, schedule, 140);
DVR_PIN(AlarmInRecord, recordChannel, 364);
DVR_PIN(AlarmInRecord, presetEnable, 428);
DVR_PIN(AlarmInRecord, presetNo, 492);
DVR_PIN(AlarmInRecord, reserved556, 556);
DVR_PIN(AlarmInRecord, cruiseEnable, 748);
DVR_PIN(AlarmInRecord, cruiseNo, 812);
DVR_PIN(AlarmInRecord, trackEnable, 876);
DVR_PIN(AlarmInRecord, trackNo, 940);
DVR_PIN(AlarmInRecord, reserved1004, 1004);

struct AlarmOutRecord {
    std::uint8_t reserved0[36];
    std::uint32_t outputDelay; // item index: 5 s .. 10 min, 7 = manual
    ScheduleRecord schedule;
    std::uint8_t reserved264[16];
};
DVR_SIZE(AlarmOutRecord, 280);
DVR_PIN(AlarmOutRecord, outputDelay, 36);
DVR_PIN(AlarmOutRecord, schedule, 40);
DVR_PIN(AlarmOutRecord, reserved264, 264);

struct ExceptionRecord {
    std::uint8_t reserved0[4];
    AlarmHandling exceptionHandling[32]; // kinds 0..5 are shown; 6..31 travel unchanged
};
DVR_SIZE(ExceptionRecord, 3204);
DVR_PIN(ExceptionRecord, exceptionHandling, 4);

#pragma pack(pop)
