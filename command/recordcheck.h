#pragma once
// Shared by every native record header: the device's records are little-endian byte images,
// read and written in place, so the plug-in only builds for little-endian hosts.
#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "native device records are little-endian byte images; big-endian hosts are not supported");

#define DVR_PIN(Type, field, offset) static_assert(offsetof(Type, field) == (offset), #Type "::" #field " offset")
#define DVR_SIZE(Type, size)                                                                                           \
    static_assert(sizeof(Type) == (size), #Type " size");                                                              \
    static_assert(alignof(Type) == 1, #Type " must be packed")
