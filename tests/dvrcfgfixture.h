#pragma once
// What the dvrcfg tests share: a recorder's record by command type, and a backup that has been
// through the file format.
#include "simulator/device.h"
#include "tools/dvrcfg.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

template <typename Record> Record &recordOf(dvrsim::Device &device, std::int32_t getType, std::int32_t channel)
{
    std::size_t size = 0;
    std::uint8_t *at = device.locate(getType, channel, size);
    EXPECT_TRUE(at && size == sizeof(Record)) << getType << " " << channel;
    return *reinterpret_cast<Record *>(at);
}

// Through the file format, so every test also checks that a backup verifies.
inline dvrcfg::Snapshot backupOf(std::int32_t login)
{
    dvrcfg::Snapshot s;
    std::string error;
    EXPECT_TRUE(dvrcfg::loadLogin(login, s, error)) << error;
    dvrcfg::Snapshot read;
    EXPECT_TRUE(dvrcfg::fromJson(dvrcfg::toJson(s), read, error)) << error;
    return read;
}
