// Answer checks and the hexadecimal codec.
#include "command/Parsexml.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Answer {
    std::string root = "command";
    std::string nameAttr = " name=\"config\"";
    std::string function = "get_dvr_config";
    std::string commandType = "100"; // empty: element left out
    std::string result = "ok";
    std::string payloadName = "out_buffer";
    std::string payload = "0a0B";
    bool withPayload = true;

    std::string text() const
    {
        std::string s = "<?xml version=\"1.0\"?>\n<" + root + nameAttr + ">\n";
        s += "<function>" + function + "</function>\n";
        if (!commandType.empty())
            s += "<command_type>" + commandType + "</command_type>\n";
        if (!result.empty())
            s += "<result>" + result + "</result>\n";
        if (withPayload)
            s += "<" + payloadName + ">" + payload + "</" + payloadName + ">\n";
        return s + "</" + root + ">";
    }
};

std::array<std::uint8_t, 132> filled(std::uint8_t value)
{
    std::array<std::uint8_t, 132> a;
    a.fill(value);
    return a;
}

TEST(GetAnswer, AcceptsAndDecodesIntoTheRecordStart)
{
    auto record = filled(0x55);
    ASSERT_TRUE(parse_get_answer(Answer{}.text().c_str(), 100, record.data()));
    EXPECT_EQ(record[0], 0x0A);
    EXPECT_EQ(record[1], 0x0B);
    EXPECT_EQ(record[2], 0x55) << "a short payload replaces only the first bytes";
}

TEST(GetAnswer, EveryCheckRejectsWithTheRecordUnchanged)
{
    struct Case {
        const char *what;
        Answer answer;
    };
    std::vector<Case> cases;
    auto add = [&](const char *what, auto change) {
        Answer a;
        change(a);
        cases.push_back({what, a});
    };
    add("name attribute missing", [](Answer &a) { a.nameAttr = ""; });
    add("name attribute other value", [](Answer &a) { a.nameAttr = " name=\"Config\""; });
    add("function differs", [](Answer &a) { a.function = "set_dvr_config"; });
    add("function with blanks", [](Answer &a) { a.function = " get_dvr_config"; });
    add("command_type missing", [](Answer &a) { a.commandType = ""; });
    add("command_type with leading zero", [](Answer &a) { a.commandType = "0100"; });
    add("command_type with sign", [](Answer &a) { a.commandType = "+100"; });
    add("command_type other number", [](Answer &a) { a.commandType = "101"; });
    add("result missing", [](Answer &a) { a.result = ""; });
    add("result upper case", [](Answer &a) { a.result = "OK"; });
    add("result fail", [](Answer &a) { a.result = "fail"; });
    add("payload missing", [](Answer &a) { a.withPayload = false; });
    add("payload pair starts with a non-digit", [](Answer &a) { a.payload = "0a0bzz11"; });
    add("payload pair starts with a blank", [](Answer &a) { a.payload = " a"; });
    for (const Case &c : cases) {
        auto record = filled(0x55);
        EXPECT_FALSE(parse_get_answer(c.answer.text().c_str(), 100, record.data())) << c.what;
        EXPECT_EQ(record, filled(0x55)) << c.what;
    }
}

TEST(GetAnswer, RootElementNameIsFree)
{
    Answer a;
    a.root = "answer";
    auto record = filled(0);
    EXPECT_TRUE(parse_get_answer(a.text().c_str(), 100, record.data()));
}

TEST(GetAnswer, MalformedXmlAndUnterminatedBuffersAreRejected)
{
    auto record = filled(0x55);
    std::string cut = Answer{}.text();
    cut.resize(cut.size() / 2);
    EXPECT_FALSE(parse_get_answer(cut.c_str(), 100, record.data()));
    EXPECT_FALSE(parse_get_answer("", 100, record.data()));
    EXPECT_FALSE(parse_get_answer(nullptr, 100, record.data()));

    // A buffer with no NUL within its 64512 bytes is never read past its end.
    std::vector<char> full(SdkBufferSize, ' ');
    const std::string text = Answer{}.text();
    std::memcpy(full.data(), text.data(), text.size());
    EXPECT_FALSE(parse_get_answer(full.data(), 100, record.data()));
    EXPECT_EQ(record, filled(0x55));
}

TEST(GetAnswer, EmptyPayloadSucceedsWithoutWriting)
{
    Answer a;
    a.payload = "";
    auto record = filled(0x55);
    EXPECT_TRUE(parse_get_answer(a.text().c_str(), 100, record.data()));
    EXPECT_EQ(record, filled(0x55));
}

// A payload is the record asked for, or the answer is refused: a longer one (also any payload for a
// type without a record) is not read in part, and a short one reports how much it held.
TEST(GetAnswer, PayloadLengthAgainstTheRecord)
{
    struct Case {
        const char *type;
        std::size_t bytes;
        bool ok;
    };
    const Case cases[] = {{"100", 132, true}, {"100", 133, false}, {"100", 200, false},
                          {"100", 131, true}, {"7", 1, false},     {"7", 0, true}};
    for (const Case &c : cases) {
        Answer a;
        a.commandType = c.type;
        a.payload = std::string(2 * c.bytes, 'e');
        std::array<std::uint8_t, 140> guarded;
        guarded.fill(0x55);
        std::size_t decoded = 999;
        EXPECT_EQ(parse_get_answer(a.text().c_str(), std::stoi(c.type), guarded.data(), &decoded), c.ok)
            << c.type << "/" << c.bytes;
        const std::size_t written = c.ok ? c.bytes : 0;
        if (c.ok) {
            EXPECT_EQ(decoded, c.bytes);
        }
        for (std::size_t i = 0; i < guarded.size(); ++i)
            ASSERT_EQ(guarded[i], i < written ? 0xEE : 0x55) << c.type << "/" << c.bytes << " byte " << i;
    }
}

TEST(OtherAnswers, SetAnswerComparesFunctionTypeAndResult)
{
    Answer a;
    a.function = "set_dvr_config";
    a.commandType = "1001";
    a.withPayload = false;
    EXPECT_TRUE(parse_set_answer(a.text().c_str(), 1001));
    EXPECT_FALSE(parse_set_answer(a.text().c_str(), 1003));
    a.result = "fail";
    EXPECT_FALSE(parse_set_answer(a.text().c_str(), 1001));
}

TEST(OtherAnswers, ScaleQueryReadsOnlyExactTrue)
{
    Answer a;
    a.function = "get_scale_config";
    a.commandType = "";
    a.payloadName = "scale";
    std::int32_t flag = 7;
    a.payload = "true";
    ASSERT_TRUE(parse_get_scale_answer(a.text().c_str(), &flag));
    EXPECT_EQ(flag, 1);
    a.payload = "TRUE";
    ASSERT_TRUE(parse_get_scale_answer(a.text().c_str(), &flag));
    EXPECT_EQ(flag, 0);
    flag = 7;
    a.withPayload = false;
    EXPECT_FALSE(parse_get_scale_answer(a.text().c_str(), &flag));
    EXPECT_EQ(flag, 7) << "a missing scale element leaves the flag";
}

TEST(OtherAnswers, RestoreAnswerIsComparedWithTheShortName)
{
    Answer a;
    a.commandType = "";
    a.withPayload = false;
    a.function = "restore_cfg";
    EXPECT_TRUE(parse_restore_answer(a.text().c_str()));
    a.function = "restore_config";
    EXPECT_FALSE(parse_restore_answer(a.text().c_str()));
}

TEST(OtherAnswers, ScaleWriteAndPtz)
{
    Answer a;
    a.commandType = "";
    a.withPayload = false;
    a.function = "set_scale_config";
    EXPECT_TRUE(parse_set_scale_answer(a.text().c_str()));
    a.function = "get_ptz_config";
    EXPECT_FALSE(parse_set_scale_answer(a.text().c_str()));

    std::vector<std::uint8_t> ptz(4016 + 8, 0x55);
    a.withPayload = true;
    a.payload = std::string(2 * 4017, '1');
    EXPECT_FALSE(parse_ptz_answer(a.text().c_str(), ptz.data())) << "the PTZ list holds 4016 bytes";
    EXPECT_EQ(ptz[0], 0x55);
    a.payload.resize(2 * 4016);
    ASSERT_TRUE(parse_ptz_answer(a.text().c_str(), ptz.data()));
    EXPECT_EQ(ptz[4015], 0x11);
    EXPECT_EQ(ptz[4016], 0x55);
}

// A text decodes whole or not at all: one stray character anywhere would shift every later byte by
// a digit, and a text longer than the destination is not the record asked for.
TEST(HexCodec, DecodeIsWholeOrNothing)
{
    struct Case {
        const char *text;
        std::vector<std::uint8_t> bytes; // empty with ok false: rejected
        bool ok;
    };
    const Case cases[] = {
        {"0a0B", {0x0A, 0x0B}, true},
        {"abc", {0xAB, 0x0C}, true}, // the single final digit is a byte of its own
        {"", {}, true},
        {"01020304", {1, 2, 3, 4}, true}, // exactly the destination
        {"0ag1", {}, false},              // second pair starts wrong
        {"0a0g", {}, false},              // second place of a pair
        {"a-0x", {}, false},
        {"0a\n0b", {}, false}, // a payload wrapped over lines
        {"0a0b ", {}, false},
        {"0102030405", {}, false}, // five bytes into four
        {"010203040", {}, false},  // a fifth byte from a single digit
    };
    for (const Case &c : cases) {
        std::uint8_t out[4] = {0x55, 0x55, 0x55, 0x55};
        std::size_t written = 99;
        EXPECT_EQ(hex_decode(c.text, std::strlen(c.text) + 1, out, sizeof out, &written), c.ok) << c.text;
        for (std::size_t i = 0; i < sizeof out; ++i)
            EXPECT_EQ(out[i], i < c.bytes.size() ? c.bytes[i] : 0x55) << c.text << " byte " << i;
        if (c.ok) {
            EXPECT_EQ(written, c.bytes.size()) << c.text;
        }
    }
    std::uint8_t out[2] = {};
    std::size_t written = 0;
    EXPECT_FALSE(hex_decode(nullptr, 1, out, sizeof out, &written));
    EXPECT_FALSE(hex_decode("00", 3, nullptr, 2, &written));
    char same[8] = "0a0b";
    EXPECT_FALSE(hex_decode(same, 5, same, sizeof same, &written));
}

TEST(HexCodec, EncodeIsLowercaseTwoDigitsPerByte)
{
    std::array<std::uint8_t, 132> record;
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = std::uint8_t(i * 7 + 0xA0);
    std::vector<char> text(2 * record.size() + 1, 'z');
    std::size_t length = 0;
    ASSERT_TRUE(hex_encode(record.data(), record.size(), text.data(), &length));
    EXPECT_EQ(length, 265u);
    EXPECT_EQ(std::strlen(text.data()), 264u);
    EXPECT_EQ(std::string(text.data(), 4), "a0a7");
    EXPECT_EQ(std::string(text.data()).find_first_of("ABCDEF"), std::string::npos);

    std::array<std::uint8_t, 132> back{};
    std::size_t written = 0;
    ASSERT_TRUE(hex_decode(text.data(), length, back.data(), back.size(), &written));
    EXPECT_EQ(back, record);

    EXPECT_FALSE(hex_encode(nullptr, 1, text.data(), &length));
    EXPECT_FALSE(hex_encode(record.data(), 1, nullptr, &length));
}

} // namespace
