// Fuzzes every answer parser and the hex decoder with arbitrary device answers.
#include "command/Parsexml.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The answer sits in a buffer of the SDK's size; it may or may not hold a NUL.
    std::vector<char> answer(SdkBufferSize, 'x');
    std::memcpy(answer.data(), data, size < SdkBufferSize ? size : SdkBufferSize);
    if (size < SdkBufferSize)
        answer[size] = '\0';

    std::uint8_t record[7752 + 16];
    std::int32_t flag = 0;
    parse_get_answer(answer.data(), 1002, record);
    parse_get_answer(answer.data(), 100, record);
    parse_get_answer(answer.data(), 7, record); // a type without a record: nothing may be written
    parse_set_answer(answer.data(), 1001);
    parse_get_scale_answer(answer.data(), &flag);
    parse_set_scale_answer(answer.data());
    parse_restore_answer(answer.data());
    std::uint8_t ptz[4016];
    parse_ptz_answer(answer.data(), ptz);

    std::uint8_t small[16];
    std::size_t written = 0;
    if (hex_decode(reinterpret_cast<const char *>(data), size, small, sizeof small, &written) && written > sizeof small)
        __builtin_trap();
    return 0;
}
