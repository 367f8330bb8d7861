// Fixed-width GBK text fields.
#include "command/gbktext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

std::string bytes(const char *field, std::size_t n) { return std::string(field, n); }

TEST(GbkText, ChineseTextRoundTripsThroughItsGbkBytes)
{
    char field[32];
    std::memset(field, 0x7E, sizeof field);
    gbk::writeField(field, u"网络硬盘录像机");
    EXPECT_EQ(bytes(field, 4), "\xCD\xF8\xC2\xE7") << "GBK bytes of the first two characters";
    EXPECT_EQ(field[14], '\0');
    EXPECT_EQ(field[31], '\0') << "the rest of the field is NUL-padded";
    EXPECT_EQ(gbk::readField(field), u"网络硬盘录像机");
}

TEST(GbkText, FullWidthFieldHasNoTerminator)
{
    char field[32];
    const std::u16string name(32, u'A');
    gbk::writeField(field, name);
    EXPECT_EQ(bytes(field, 32), std::string(32, 'A'));
    EXPECT_EQ(gbk::readField(field), name);
    char longer[4];
    gbk::writeField(longer, u"abcdef");
    EXPECT_EQ(bytes(longer, 4), "abcd");
}

TEST(GbkText, NeverCutsADoubleByteCharacter)
{
    char field[5];
    std::memset(field, 0x7E, sizeof field);
    gbk::writeField(field, u"a通道"); // 1 + 2 + 2 bytes fit exactly
    EXPECT_EQ(gbk::readField(field), u"a通道");
    gbk::writeField(field, u"ab通道"); // the second character would need bytes 5 and 6
    EXPECT_EQ(gbk::readField(field), u"ab通");
    EXPECT_EQ(field[4], '\0');
}

TEST(GbkText, UnmappableCharactersBecomeQuestionMarks)
{
    char field[8];
    gbk::writeField(field, u"a\U0001F600b\u0E01");
    EXPECT_EQ(bytes(field, 4), std::string("a?b?"));
}

TEST(GbkText, ReadStopsAtTheFirstNul)
{
    const char field[8] = {'a', 'b', 0, 'c', 'd', 0, 0, 0};
    EXPECT_EQ(gbk::readField(field), u"ab");
}

// Whatever bytes a device sends, a field read and written back unchanged keeps them.
TEST(GbkText, DecodeThenEncodeIsTheIdentityForAnyBytes)
{
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        std::string original(1 + random() % 40, '\0');
        for (char &c : original) {
            c = char(random() % 256);
            if (c == 0)
                c = char(0x81); // a lone lead byte is the awkward case
        }
        const std::u16string text = gbk::decode(original);
        ASSERT_EQ(gbk::encode(text), original) << "round " << round;
    }
    for (const char *edge : {"\x80", "\xFF", "\x81", "\x81\x7F", "\xA1\x20", "\xFE\xFF", "\xA1\xA1\xFF"})
        EXPECT_EQ(gbk::encode(gbk::decode(edge)), std::string(edge));
}

TEST(GbkText, UndecodableBytesKeepTheirPlaceInAField)
{
    char field[16];
    const char original[16] = "\xFF\xC4\xE3\x81 ok";
    std::memcpy(field, original, sizeof field);
    const std::u16string shown = gbk::readField(field);
    EXPECT_EQ(shown[1], u'你');
    char back[16];
    gbk::writeField(back, shown);
    EXPECT_EQ(bytes(back, 16), bytes(original, 16));
}

// Code page 936's private-use characters, as Windows decodes them (checked against Windows' own
// table under Wine): the first and last pairs of each area, and the scattered ones after them.
TEST(GbkText, UserDefinedAreasDecodeAsOnWindows)
{
    const std::pair<const char *, char16_t> table[] = {
        {"\xAA\xA1", 0xE000}, {"\xAF\xFE", 0xE233}, {"\xF8\xA1", 0xE234}, {"\xFE\xFE", 0xE4C5},
        {"\xA1\x40", 0xE4C6}, {"\xA1\x80", 0xE505}, {"\xA7\xA0", 0xE765}, {"\xA2\xAB", 0xE766},
        {"\xA6\xF3", 0xE796}, {"\xD7\xFA", 0xE810}, {"\xFE\x50", 0xE815}, {"\xFE\xA0", 0xE864},
    };
    for (auto [bytes, cp] : table) {
        EXPECT_EQ(gbk::decode(bytes), std::u16string(1, cp)) << int(cp);
        EXPECT_EQ(gbk::encode(std::u16string(1, cp)), bytes) << int(cp);
    }
    EXPECT_EQ(gbk::decode("\xA1\x7F"), (std::u16string{gbk::rawByteCodePoint(0xA1), u'\x7F'}));
}

TEST(GbkText, Utf8ForConsoles)
{
    EXPECT_EQ(gbk::toUtf8(u"通道A"), "\xE9\x80\x9A\xE9\x81\x93"
                                     "A");
}

} // namespace
