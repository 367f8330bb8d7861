#pragma once
// The simulated recorders' configuration on disk, so that it outlives a restart of dvr-simulator.
//
// Layout, all integers little-endian:
//   "DVRSIMST"  magic
//   u32         version (2)
//   u32         device count
//   per device  i32 device type, channels, first channel, alarm inputs, alarm outputs, disks,
//               identity; the serial, name and address overrides, each a u32 length and its
//               bytes (length 0: derived); i32 scale; u32 record count; per record i32 get command type, i32 channel,
//               u32 size, then the record's bytes
//   32 bytes    SHA-256 of everything before it
// The profiles must equal the devices being served, so a file is never applied to a recorder of
// another shape; records the file lacks keep their factory values.
#include "simulator/device.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace dvrsim {

struct RecordKey {
    std::int32_t getType = 0;
    std::int32_t channel = 0;
};

// Every record the device answers a get for, with the channel argument that reaches it.
std::vector<RecordKey> storedRecords(Device &device);

QByteArray encodeState(std::span<Device *const> devices);

// Checks the whole image first and changes no device unless all of it is good.
bool decodeState(const QByteArray &image, std::span<Device *const> devices, QString &error);

enum class StateLoad { Missing, Loaded, Failed };

StateLoad loadState(const QString &path, std::span<Device *const> devices, QString &error);

// Atomic: the previous file stays whole until the new one is complete.
bool saveState(const QString &path, std::span<Device *const> devices, QString &error);

} // namespace dvrsim
