#include "command/Pub_commonfunc.h"

#include <cstdint>
#include <string>

namespace {

// A segment converts like a 32-bit integer: too many digits fail the conversion.
bool convertSegment(const std::string &s, std::size_t begin, std::size_t end, std::int64_t &value)
{
    if (begin == end)
        return false;
    value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > INT32_MAX)
            return false;
    }
    return true;
}

} // namespace

bool is_valid_ip(const char *text)
{
    if (!text || !*text)
        return false;
    const std::string s = std::string(text) + ".";
    int dots = 0;
    std::size_t segmentStart = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9')
            continue;
        if (c != '.')
            return false;
        if (++dots > 4)
            return false;
        std::int64_t value;
        if (!convertSegment(s, segmentStart, i, value) || value > 255)
            return false;
        segmentStart = i + 1;
    }
    return dots == 4;
}
