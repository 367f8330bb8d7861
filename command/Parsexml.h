#pragma once
// Checks the device's XML answers and moves records in and out of their hexadecimal text.
// Every function returns false on any failure; none shows anything.
#include "sdk/quellport.h"

#include <cstddef>
#include <cstdint>

bool parse_get_answer(const char *answer, std::int32_t commandType, void *destination);
bool parse_set_answer(const char *answer, std::int32_t commandType);
bool parse_get_scale_answer(const char *answer, std::int32_t *scaleFlag);
bool parse_set_scale_answer(const char *answer);
bool parse_restore_answer(const char *answer);
bool parse_ptz_answer(const char *answer, void *destination);

// Writes 2n lowercase digits and a NUL into text (2n + 1 bytes); textLength receives 2n + 1.
bool hex_encode(const void *source, std::size_t n, char *text, std::size_t *textLength);

// Decodes L / 2 bytes from text[0..L) (callers pass the text length + 1, so an odd digit count
// yields a last byte from the single final digit), writing at most destinationSize bytes.
// A pair that does not start with a hexadecimal digit rejects the whole text, and then the
// destination is unchanged.
bool hex_decode(const char *text, std::size_t L, void *destination, std::size_t destinationSize, std::size_t *written);
