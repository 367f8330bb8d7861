#pragma once
// Command types of get_dvr_config / set_dvr_config: the set type is the get type + 1.
#include <cstddef>
#include <cstdint>

namespace cmd {
constexpr std::int32_t DeviceInfo = 100;
constexpr std::int32_t Network = 1000;
constexpr std::int32_t ChannelPicture = 1002;
constexpr std::int32_t ChannelRecording = 1004;
constexpr std::int32_t ChannelCompression = 1040;
constexpr std::int32_t ChannelTextOverlay = 1030;
constexpr std::int32_t DnsNtp = 222;
constexpr std::int32_t Nfs = 230;
constexpr std::int32_t Ddns = 1010;
constexpr std::int32_t Email = 250;
constexpr std::int32_t Rs232 = 1036;
constexpr std::int32_t Decoder = 1042;
constexpr std::int32_t AlarmIn = 1024;
constexpr std::int32_t AlarmOut = 1026;
constexpr std::int32_t Exception = 1034;
constexpr std::int32_t Disk = 1054;
constexpr std::int32_t DiskGroup = 1056;

constexpr std::int32_t set(std::int32_t getType) { return getType + 1; }
} // namespace cmd

// Bytes a set command carries, by its type alone; 0 for a type the table does not list.
constexpr std::size_t set_record_size(std::int32_t setCommandType)
{
    switch (setCommandType) {
    case 101: return 132;
    case 133: return 28;
    case 223: return 692;
    case 231: return 1156;
    case 251: return 344;
    case 1001: return 1956;
    case 1003: return 7752;
    case 1005: return 508;
    case 1011: return 1900;
    case 1025: return 1020;
    case 1027: return 280;
    case 1031: return 420;
    case 1035: return 3204;
    case 1037: return 492;
    case 1041: return 116;
    case 1043: return 784;
    case 1055: return 4760;
    case 1057: return 1224;
    default: return 0;
    }
}

// The record a get fills has the size of its set command.
constexpr std::size_t get_record_size(std::int32_t getCommandType) { return set_record_size(getCommandType + 1); }

constexpr std::size_t PtzListSize = 4016;
