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

TEST(GetAnswer, LongerPayloadIsTruncatedToTheRecord)
{
    Answer a;
    a.payload = std::string(2 * 200, 'e'); // 200 bytes for a 132-byte record
    std::array<std::uint8_t, 140> guarded;
    guarded.fill(0x55);
    ASSERT_TRUE(parse_get_answer(a.text().c_str(), 100, guarded.data()));
    for (int i = 0; i < 132; ++i)
        ASSERT_EQ(guarded[i], 0xEE);
    for (int i = 132; i < 140; ++i)
        EXPECT_EQ(guarded[i], 0x55) << "byte " << i << " lies beyond the record";
}

TEST(GetAnswer, TypeWithoutRecordSizeWritesNothing)
{
    Answer a;
    a.commandType = "7";
    auto record = filled(0x55);
    EXPECT_TRUE(parse_get_answer(a.text().c_str(), 7, record.data()));
    EXPECT_EQ(record, filled(0x55));
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
    a.payload = std::string(2 * 5000, '1');
    ASSERT_TRUE(parse_ptz_answer(a.text().c_str(), ptz.data()));
    EXPECT_EQ(ptz[4015], 0x11);
    EXPECT_EQ(ptz[4016], 0x55) << "the PTZ list holds 4016 bytes";
}

TEST(HexCodec, DecodeFollowsTheHexReading)
{
    std::uint8_t out[4] = {0x55, 0x55, 0x55, 0x55};
    std::size_t written = 99;
    ASSERT_TRUE(hex_decode("0a0B", 5, out, sizeof out, &written));
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(out[0], 0x0A);
    EXPECT_EQ(out[1], 0x0B);
    EXPECT_EQ(out[2], 0x55);

    ASSERT_TRUE(hex_decode("abc", 4, out, sizeof out, &written));
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(out[0], 0xAB);
    EXPECT_EQ(out[1], 0x0C) << "the single final digit is a byte of its own";

    ASSERT_TRUE(hex_decode("a-0x", 5, out, sizeof out, &written));
    EXPECT_EQ(out[0], 0x0A) << "reading stops at the first non-digit";
    EXPECT_EQ(out[1], 0x00);

    ASSERT_TRUE(hex_decode("", 1, out, sizeof out, &written));
    EXPECT_EQ(written, 0u);
}

TEST(HexCodec, DecodeRejectsAndBounds)
{
    std::uint8_t out[2] = {0x55, 0x55};
    std::size_t written = 0;
    EXPECT_FALSE(hex_decode("0ag1", 5, out, sizeof out, &written));
    EXPECT_EQ(out[0], 0x55) << "a rejected text leaves the destination unchanged";
    EXPECT_FALSE(hex_decode(nullptr, 1, out, sizeof out, &written));
    EXPECT_FALSE(hex_decode("00", 3, nullptr, 2, &written));
    char same[8] = "0a0b";
    EXPECT_FALSE(hex_decode(same, 5, same, sizeof same, &written));

    ASSERT_TRUE(hex_decode("010203", 7, out, sizeof out, &written));
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(out[1], 0x02);
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
