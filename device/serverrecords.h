#pragma once
// Identity, versions and counts of the device; every other page loops over its counts.
#include "command/recordcheck.h"

#pragma pack(push, 1)

struct DeviceInfoRecord {
    std::uint8_t reserved0[4];
    char deviceName[32];
    std::uint32_t deviceNumber; // 1..255
    std::uint32_t recycleRecord;
    char serialNumber[48];
    std::uint32_t softwareVersion;
    std::uint32_t softwareBuildDate;
    std::uint32_t dspVersion;
    std::uint32_t dspBuildDate;
    std::uint32_t panelVersion;
    std::uint32_t hardwareVersion;
    std::uint8_t alarmInCount;
    std::uint8_t alarmOutCount;
    std::uint8_t reserved118[4];
    std::uint8_t diskCount;
    std::uint8_t deviceType;
    std::uint8_t channelCount;
    std::uint8_t firstChannel;
    std::uint8_t reserved126[6];
};
DVR_SIZE(DeviceInfoRecord, 132);
DVR_PIN(DeviceInfoRecord, deviceName, 4);
DVR_PIN(DeviceInfoRecord, deviceNumber, 36);
DVR_PIN(DeviceInfoRecord, recycleRecord, 40);
DVR_PIN(DeviceInfoRecord, serialNumber, 44);
DVR_PIN(DeviceInfoRecord, softwareVersion, 92);
DVR_PIN(DeviceInfoRecord, softwareBuildDate, 96);
DVR_PIN(DeviceInfoRecord, dspVersion, 100);
DVR_PIN(DeviceInfoRecord, dspBuildDate, 104);
DVR_PIN(DeviceInfoRecord, panelVersion, 108);
DVR_PIN(DeviceInfoRecord, hardwareVersion, 112);
DVR_PIN(DeviceInfoRecord, alarmInCount, 116);
DVR_PIN(DeviceInfoRecord, alarmOutCount, 117);
DVR_PIN(DeviceInfoRecord, reserved118, 118);
DVR_PIN(DeviceInfoRecord, diskCount, 122);
DVR_PIN(DeviceInfoRecord, deviceType, 123);
DVR_PIN(DeviceInfoRecord, channelCount, 124);
DVR_PIN(DeviceInfoRecord, firstChannel, 125);
DVR_PIN(DeviceInfoRecord, reserved126, 126);

#pragma pack(pop)

// Device-type ranges that switch records on and off (inclusive, unsigned byte).
constexpr bool isHighDefinitionType(std::uint8_t type) { return type >= 30 && type <= 49; }
constexpr bool hasDiskRecords(std::uint8_t type) { return type >= 81 && type <= 97; }
