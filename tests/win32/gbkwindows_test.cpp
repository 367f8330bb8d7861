// GBK text against Windows' own code page 936: the Linux build's table (written by the Linux side)
// and this build's, on every single byte and byte pair, in both directions.
#include "command/gbktext.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

// Every byte 0x80..0xFF, then every pair lead 0x81..0xFE, trail 0x40..0xFE: the order of the
// Linux side's table.
std::vector<std::string> tableInputs()
{
    std::vector<std::string> inputs;
    for (int b = 0x80; b <= 0xFF; ++b)
        inputs.emplace_back(1, char(b));
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            inputs.push_back(std::string{char(lead), char(trail)});
    return inputs;
}

// Windows' character for the bytes, or 0 when they are not one.
char16_t windowsChar(const std::string &bytes)
{
    wchar_t out[4];
    const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), out, 4);
    return n == 1 ? char16_t(out[0]) : u'\0';
}

std::string hex(const std::string &bytes)
{
    std::string s;
    for (unsigned char c : bytes)
        s += "0123456789ABCDEF"[c >> 4], s += "0123456789ABCDEF"[c & 15];
    return s;
}

TEST(Gbk936, LinuxTableDecodesAsWindowsDoes)
{
    std::ifstream in(DVR_LINUX_SIDE "/gbk-linux.bin", std::ios::binary);
    ASSERT_TRUE(in) << "the Linux side's table";
    const std::vector<char> raw{std::istreambuf_iterator<char>(in), {}};
    const std::vector<std::string> inputs = tableInputs();
    ASSERT_EQ(raw.size(), inputs.size() * 4);
    int differ = 0, mapped = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        char16_t linux[2];
        std::memcpy(linux, raw.data() + 4 * i, 4);
        const std::u16string here = gbk::decode(inputs[i]);
        const char16_t windows = windowsChar(inputs[i]);
        mapped += windows != 0;
        // Windows' character, or else the bytes kept as they came, exactly as this build keeps them.
        const bool same = windows ? linux[0] == windows && linux[1] == 0 && here == std::u16string(1, windows)
                                  : linux[0] == gbk::rawByteCodePoint(std::uint8_t(inputs[i][0])) &&
                                        here == std::u16string(linux, linux[1] ? 2 : 1);
        if (!same && ++differ <= 10)
            ADD_FAILURE() << hex(inputs[i]) << ": Windows U+" << std::hex << int(windows) << ", Linux U+"
                          << int(linux[0]) << " U+" << int(linux[1]);
    }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(mapped, 21000) << "code page 936 is there";
}

TEST(Gbk936, EveryCharacterEncodesToItsPairAsWindowsDoes)
{
    for (const std::string &bytes : tableInputs()) {
        const char16_t c = windowsChar(bytes);
        if (!c)
            continue;
        char back[4];
        BOOL lossy = FALSE;
        const int n = WideCharToMultiByte(936, 0, reinterpret_cast<const wchar_t *>(&c), 1, back, 4, nullptr, &lossy);
        ASSERT_EQ(std::string(back, std::size_t(std::max(n, 0))), bytes) << hex(bytes);
        ASSERT_EQ(gbk::encode(std::u16string(1, c)), bytes) << hex(bytes);
    }
}

// Decoding then encoding gives back any bytes: every pair of bytes, then random strings.
TEST(Gbk936, DecodeThenEncodeIsTheIdentity)
{
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            const std::string bytes{char(a), char(b)};
            ASSERT_EQ(gbk::encode(gbk::decode(bytes)), bytes) << hex(bytes);
        }
    std::mt19937 random(936);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(1 + random() % 40, '\0');
        for (char &c : bytes)
            c = char(0x80 | random() % 128);
        ASSERT_EQ(gbk::encode(gbk::decode(bytes)), bytes) << hex(bytes);
    }
}

} // namespace
