#pragma once
// Disks and disk groups of recorders that have them.
#include "command/recordcheck.h"

#pragma pack(push, 1)

struct DiskEntry {
    std::uint32_t diskNumber; // 1-based
    std::uint32_t capacityMb;
    std::uint32_t freeSpaceMb;
    std::uint32_t diskStatus;
    std::uint8_t diskAttribute; // 0 normal, 1 redundant, 2 read-only
    std::uint8_t reserved17[3];
    std::uint32_t diskGroup; // 1..16
    std::uint8_t reserved24[120];
};
DVR_SIZE(DiskEntry, 144);
DVR_PIN(DiskEntry, capacityMb, 4);
DVR_PIN(DiskEntry, freeSpaceMb, 8);
DVR_PIN(DiskEntry, diskStatus, 12);
DVR_PIN(DiskEntry, diskAttribute, 16);
DVR_PIN(DiskEntry, reserved17, 17);
DVR_PIN(DiskEntry, diskGroup, 20);
DVR_PIN(DiskEntry, reserved24, 24);

constexpr int DiskEntryCapacity = 33;

struct DiskRecord {
    std::uint8_t reserved0[4];
    std::uint32_t diskEntryCount; // at most 33
    DiskEntry entries[DiskEntryCapacity];
};
DVR_SIZE(DiskRecord, 4760);
DVR_PIN(DiskRecord, diskEntryCount, 4);
DVR_PIN(DiskRecord, entries, 8);

struct DiskGroupEntry {
    std::uint32_t groupNumber;
    std::uint8_t channelMember[72]; // index = channel number - 1
};
DVR_SIZE(DiskGroupEntry, 76);
DVR_PIN(DiskGroupEntry, channelMember, 4);

constexpr int DiskGroupCapacity = 16;

struct DiskGroupRecord {
    std::uint8_t reserved0[4];
    std::uint32_t groupCount; // at most 16
    DiskGroupEntry groups[DiskGroupCapacity];
};
DVR_SIZE(DiskGroupRecord, 1224);
DVR_PIN(DiskGroupRecord, groupCount, 4);
DVR_PIN(DiskGroupRecord, groups, 8);

#pragma pack(pop)
