// Request texts, lengths and buffers exactly as they reach the SDK.
#include "command/Configfuc.h"
#include "command/commandtypes.h"
#include "command/sdkapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// What the SDK receives; the SDK is the boundary this test watches.
struct Seen {
    std::vector<std::string> requests;
    std::vector<std::int32_t> lengths;
    std::vector<std::int32_t> answerPresets;
    std::int32_t login = 0;
    std::string answer; // what every call answers
};
Seen g_seen;

std::int32_t SDK_CALL recordSingle(std::int32_t login, const char *request, std::int32_t length, char *answer,
                                   std::int32_t *answerLength)
{
    g_seen.login = login;
    g_seen.requests.emplace_back(request);
    g_seen.lengths.push_back(length);
    g_seen.answerPresets.push_back(*answerLength);
    std::strcpy(answer, g_seen.answer.c_str());
    return 1;
}

std::int32_t SDK_CALL recordBatch(std::int32_t login, const char *const *requests, const std::int32_t *lengths,
                                  std::int32_t count, char *const *answers, std::int32_t *const *answerLengths,
                                  SdkProgressCallback, void *)
{
    for (std::int32_t i = 0; i < count; ++i)
        recordSingle(login, requests[i], lengths[i], answers[i], answerLengths[i]);
    return 1;
}

class RequestTexts : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = sdk_api();
        SdkApi api = saved_;
        api.sendCommand = recordSingle;
        api.sendCommandBatch = recordBatch;
        sdk_install(api);
        g_seen = {};
        config_clear_queue();
    }
    void TearDown() override
    {
        sdk_install(saved_);
        config_clear_queue();
    }
    SdkApi saved_;
};

const std::string Head = "<?xml version=\"1.0\"?>\n<command name=\"config\">\n";

TEST_F(RequestTexts, SingleCommandsAreByteExactWithTheirNul)
{
    std::uint8_t record[132];
    std::int32_t flag = 1;
    config_get_record(7, 100, 0, record);
    config_get_scale(7, &flag);
    config_set_scale(7, &flag);
    flag = 2;
    config_set_scale(7, &flag);
    config_restore(7);
    std::uint8_t ptz[4016];
    config_get_ptz(7, ptz);

    const std::vector<std::string> expected = {
        Head + "\t<function>get_dvr_config</function>\n    <command_type>100</command_type>\n"
               "    <channel>0</channel>\n</command>",
        Head + "\t<function>get_scale_config</function>\n</command>",
        Head + "\t<function>set_scale_config</function>\n    <scale>true</scale>\n</command>",
        Head + "\t<function>set_scale_config</function>\n    <scale>false</scale>\n</command>",
        Head + "\t<function>restore_config</function>\n</command>",
        Head + "\t<function>get_ptz_config</function>\n</command>",
    };
    ASSERT_EQ(g_seen.requests, expected);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(g_seen.lengths[i], std::int32_t(expected[i].size() + 1));
        EXPECT_EQ(g_seen.answerPresets[i], 64512);
    }
    EXPECT_EQ(g_seen.login, 7);
}

TEST_F(RequestTexts, SetBatchCarriesTheRecordInLowercaseHex)
{
    std::uint8_t device[132];
    for (int i = 0; i < 132; ++i)
        device[i] = std::uint8_t(0xF0 + i % 16);
    std::uint8_t unknown[4] = {1, 2, 3, 4};
    config_queue_set(3, 101, 0, device);
    config_queue_set(4, 999, 5, unknown);
    EXPECT_FALSE(config_run_set_batch(nullptr, nullptr)) << "the answers were empty";

    ASSERT_EQ(g_seen.requests.size(), 2u);
    std::string hex;
    for (int i = 0; i < 132; ++i) {
        static const char d[] = "0123456789abcdef";
        hex += d[device[i] >> 4];
        hex += d[device[i] & 15];
    }
    EXPECT_EQ(hex.size(), 264u);
    EXPECT_EQ(g_seen.requests[0], Head +
                                      "\t<function>set_dvr_config</function>\n    <command_type>101</command_type>\n"
                                      "    <channel>0</channel>\n    <in_buffer>" +
                                      hex + "</in_buffer>\n</command>");
    EXPECT_EQ(g_seen.requests[1], Head + "\t<function>set_dvr_config</function>\n    <command_type>999</command_type>\n"
                                         "    <channel>5</channel>\n    <in_buffer></in_buffer>\n</command>");
    EXPECT_EQ(g_seen.lengths[0], std::int32_t(g_seen.requests[0].size() + 1));
    EXPECT_EQ(g_seen.login, 4) << "the last queued entry's handle is the batch's";
    EXPECT_EQ(config_queue().count, 0);
}

TEST_F(RequestTexts, QueueRefusesThe201stEntry)
{
    std::uint8_t record[132];
    for (int i = 0; i < CommandQueueCapacity; ++i)
        ASSERT_TRUE(config_queue_get(1, 100, i, record));
    EXPECT_FALSE(config_queue_get(1, 100, 200, record));
    EXPECT_EQ(config_queue().count, 200);
    EXPECT_EQ(config_queue().channel[199], 199);
    config_clear_queue();
    EXPECT_EQ(config_queue().count, 0);
}

TEST_F(RequestTexts, EmptyBatchSendsNothingAndSucceeds)
{
    EXPECT_TRUE(config_run_get_batch(nullptr, nullptr));
    EXPECT_TRUE(g_seen.requests.empty());
}

TEST_F(RequestTexts, EverySetSizeOfTheTable)
{
    const std::pair<std::int32_t, std::size_t> table[] = {
        {101, 132},   {133, 28},   {223, 692},   {231, 1156},  {251, 344},   {1001, 1956},
        {1003, 7752}, {1005, 508}, {1011, 1900}, {1025, 1020}, {1027, 280},  {1031, 420},
        {1035, 3204}, {1037, 492}, {1041, 116},  {1043, 784},  {1055, 4760}, {1057, 1224}};
    for (auto [type, size] : table)
        EXPECT_EQ(set_record_size(type), size) << type;
    EXPECT_EQ(set_record_size(1002), 0u);
    EXPECT_EQ(get_record_size(1002), 7752u);
    // The largest record still fits its request buffer.
    std::vector<std::uint8_t> picture(7752, 0xAB);
    EXPECT_FALSE(format_set_request(1003, 1, picture.data()).empty());
}

TEST(SdkLoader, FindsTheOperationsOfTheLoadedSdk)
{
    std::string missing = "x";
    ASSERT_TRUE(sdk_load(&missing));
    EXPECT_TRUE(sdk_api().complete());
#ifdef _WIN32
    // Here &SdkSendCommand is this program's import stub; the SDK's own address is its export.
    const HMODULE sdk = GetModuleHandleA("quellport.dll");
    ASSERT_NE(sdk, nullptr);
    const auto exported = [&](int ordinal) {
        return reinterpret_cast<void *>(GetProcAddress(sdk, MAKEINTRESOURCEA(ordinal)));
    };
    EXPECT_EQ(reinterpret_cast<void *>(sdk_api().sendCommand), exported(233));
    EXPECT_EQ(reinterpret_cast<void *>(sdk_api().stopPreview), exported(263));
#else
    EXPECT_EQ(sdk_api().sendCommand, &SdkSendCommand);
    EXPECT_EQ(sdk_api().stopPreview, &SdkStopPreview);
#endif
}

} // namespace
