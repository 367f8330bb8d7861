#pragma once
// Copies an answer into the caller's buffer: at most its capacity (the preset answer length),
// NUL-terminated when it fits, and sets the answer length to the bytes copied.
#include <algorithm>
#include <cstdint>
#include <cstring>

inline void deliverAnswer(const char *text, std::size_t size, char *answer, std::int32_t *answerLength)
{
    const std::size_t capacity = *answerLength > 0 ? std::size_t(*answerLength) : 0;
    const std::size_t n = std::min(size, capacity);
    if (n)
        std::memcpy(answer, text, n);
    if (n < capacity)
        answer[n] = '\0';
    *answerLength = std::int32_t(n);
}
