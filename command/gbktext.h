#pragma once
// Fixed-width GBK text fields of the native records.
//
// Reading stops at the first NUL or the field's width. Pairs of the user-defined areas decode to
// private-use characters from U+E000, as Windows' code page 936 has them. Bytes that do not form
// a GBK character are kept as reserved code points (U+F780..U+F7FF), so a field the operator did
// not edit goes back to the device byte for byte. Writing never cuts a double-byte character in half and
// writes "?" for characters GBK cannot hold.
#include <cstddef>
#include <string>
#include <string_view>

namespace gbk {

// Code point that stands for an undecodable byte b (0x80..0xFF).
constexpr char16_t rawByteCodePoint(unsigned char b) { return char16_t(0xF700u + b); }

std::u16string decode(std::string_view bytes);
// Encodes at most maxBytes bytes, stopping before a character that would not fit whole.
std::string encode(std::u16string_view text, std::size_t maxBytes = std::string::npos);

std::u16string readField(const char *field, std::size_t width);
void writeField(char *field, std::size_t width, std::u16string_view text);

// UTF-8 form of a decoded text, for consoles and logs.
std::string toUtf8(std::u16string_view text);

template <std::size_t N> std::u16string readField(const char (&field)[N]) { return readField(field, N); }
template <std::size_t N> void writeField(char (&field)[N], std::u16string_view text) { writeField(field, N, text); }

} // namespace gbk
