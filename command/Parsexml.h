#pragma once
// Checks the device's XML answers and moves records in and out of their hexadecimal text.
// Every function returns false on any failure; none shows anything.
#include "sdk/quellport.h"

#include <cstddef>
#include <cstdint>

// `decoded`, when given (a get or the PTZ list), receives how many bytes the payload held (less
// than the record when the device sent a short payload: the record's tail then keeps what it held
// before).
bool parse_get_answer(const char *answer, std::int32_t commandType, void *destination, std::size_t *decoded = nullptr);
bool parse_set_answer(const char *answer, std::int32_t commandType);
bool parse_get_scale_answer(const char *answer, std::int32_t *scaleFlag);
bool parse_set_scale_answer(const char *answer);
bool parse_restore_answer(const char *answer);
bool parse_ptz_answer(const char *answer, void *destination, std::size_t *decoded = nullptr);

// Writes 2n lowercase digits and a NUL into text (2n + 1 bytes); textLength receives 2n + 1.
bool hex_encode(const void *source, std::size_t n, char *text, std::size_t *textLength);

// Decodes L / 2 bytes from text[0..L) (callers pass the text length + 1, so an odd digit count
// yields a last byte from the single final digit, followed by the text's NUL). Rejects the whole
// text, leaving the destination unchanged, when any character of a pair is not a hexadecimal
// digit (a stray character would shift every later byte by one digit) or when the text holds
// more bytes than destinationSize (it is not the record asked for).
bool hex_decode(const char *text, std::size_t L, void *destination, std::size_t destinationSize, std::size_t *written);
