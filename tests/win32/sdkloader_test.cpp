// The ordinal loader against the test SDK: every slot is the DLL's export of its ordinal, a
// missing ordinal is named, and each operation called through the table gets its stdcall
// arguments and gives its result. Built twice: beside the whole SDK, and (DVR_MISSING_ORDINAL)
// beside one that lacks an ordinal.
#include "command/Configfuc.h"
#include "command/Parsexml.h"
#include "command/commandtypes.h"
#include "command/sdkapi.h"
#include "device/serverrecords.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#ifdef DVR_MISSING_ORDINAL
#define LOADER_TEST(name) TEST(OrdinalLoaderWithoutStopPreview, name)
#else
#define LOADER_TEST(name) TEST(OrdinalLoader, name)
#endif

namespace {

const struct {
    const char *name;
    int ordinal;
    void *(*slot)(const SdkApi &);
} Slots[] = {
    {"SdkSendCommand", 233, [](const SdkApi &a) { return reinterpret_cast<void *>(a.sendCommand); }},
    {"SdkSendCommandBatch", 235, [](const SdkApi &a) { return reinterpret_cast<void *>(a.sendCommandBatch); }},
    {"SdkRebootDevice", 227, [](const SdkApi &a) { return reinterpret_cast<void *>(a.rebootDevice); }},
    {"SdkStartPreview", 225, [](const SdkApi &a) { return reinterpret_cast<void *>(a.startPreview); }},
    {"SdkSetDrawCallback", 228, [](const SdkApi &a) { return reinterpret_cast<void *>(a.setDrawCallback); }},
    {"SdkStopPreview", 263, [](const SdkApi &a) { return reinterpret_cast<void *>(a.stopPreview); }},
};

LOADER_TEST(EverySlotIsTheExportOfItsOrdinal)
{
    std::string missing = "x";
    const bool loaded = sdk_load(&missing);
    const HMODULE module = GetModuleHandleA("quellport.dll");
    ASSERT_NE(module, nullptr) << "the loader loads quellport.dll";
    for (const auto &s : Slots) {
        const auto exported = reinterpret_cast<void *>(GetProcAddress(module, MAKEINTRESOURCEA(s.ordinal)));
        EXPECT_EQ(s.slot(sdk_api()), exported) << s.name;
        EXPECT_EQ(GetProcAddress(module, s.name), nullptr) << s.name << " is exported by ordinal only";
#ifdef DVR_MISSING_ORDINAL
        EXPECT_EQ(exported == nullptr, s.ordinal == DVR_MISSING_ORDINAL) << s.name;
#else
        EXPECT_NE(exported, nullptr) << s.name;
#endif
    }
#ifdef DVR_MISSING_ORDINAL
    EXPECT_FALSE(loaded);
    EXPECT_EQ(missing, "SdkStopPreview");
    EXPECT_FALSE(sdk_api().complete());
#else
    EXPECT_TRUE(loaded);
    EXPECT_EQ(missing, "");
    EXPECT_TRUE(sdk_api().complete());
#endif
}

#ifndef DVR_MISSING_ORDINAL
std::vector<std::int32_t> g_progress;
void SDK_CALL progress(std::int32_t percent, void *context)
{
    EXPECT_EQ(context, &g_progress);
    g_progress.push_back(percent);
}

struct DrawSeen {
    std::int32_t preview = 0;
    BITMAP frame{};
    int calls = 0;
};
std::int32_t SDK_CALL draw(std::int32_t preview, intptr_t dc, void *user)
{
    auto &seen = *static_cast<DrawSeen *>(user);
    seen.preview = preview;
    GetObjectA(GetCurrentObject(reinterpret_cast<HDC>(dc), OBJ_BITMAP), sizeof seen.frame, &seen.frame);
    ++seen.calls;
    return 0;
}

LOADER_TEST(EachOperationThroughTheTable)
{
    ASSERT_TRUE(sdk_load());
    const SdkApi &sdk = sdk_api();
    const std::int32_t login = SdkLogin("sim://type=82&channels=4", "admin", "12345");
    ASSERT_GE(login, 0);

    // One command: the device's record comes back in the answer buffer.
    const std::string request = format_get_request(cmd::DeviceInfo, 0);
    std::vector<char> answer(SdkBufferSize);
    std::int32_t length = SdkBufferSize;
    ASSERT_EQ(sdk.sendCommand(login, request.c_str(), std::int32_t(request.size() + 1), answer.data(), &length), 1);
    EXPECT_GT(length, 0);
    DeviceInfoRecord info{};
    ASSERT_TRUE(parse_get_answer(answer.data(), cmd::DeviceInfo, &info));
    EXPECT_STREQ(info.serialNumber, "NVR0816C2011052101234567");
    length = SdkBufferSize;
    EXPECT_EQ(sdk.sendCommand(login + 100, request.c_str(), std::int32_t(request.size() + 1), answer.data(), &length),
              0)
        << "no such log-in";

    // A batch of two, with its progress through a stdcall callback.
    const std::string second = format_get_request(cmd::Network, 0);
    const char *requests[] = {request.c_str(), second.c_str()};
    const std::int32_t lengths[] = {std::int32_t(request.size() + 1), std::int32_t(second.size() + 1)};
    std::vector<char> a0(SdkBufferSize), a1(SdkBufferSize);
    std::int32_t l0 = SdkBufferSize, l1 = SdkBufferSize;
    char *const answers[] = {a0.data(), a1.data()};
    std::int32_t *const answerLengths[] = {&l0, &l1};
    ASSERT_EQ(sdk.sendCommandBatch(login, requests, lengths, 2, answers, answerLengths, progress, &g_progress), 1);
    EXPECT_EQ(g_progress, (std::vector<std::int32_t>{0, 50, 100}));
    EXPECT_TRUE(parse_get_answer(a0.data(), cmd::DeviceInfo, &info));
    EXPECT_NE(std::string(a1.data()).find("<command_type>1000<"), std::string::npos) << a1.data();

    // Preview: an unknown channel is refused; the drawer gets the handle, a frame and its user.
    SdkPreviewRequest preview{4, 0, 1};
    EXPECT_EQ(sdk.startPreview(login, &preview, 0, 0), -1);
    preview.channel = 1;
    const std::int32_t handle = sdk.startPreview(login, &preview, 0, 0);
    ASSERT_GT(handle, 0);
    DrawSeen seen;
    EXPECT_EQ(sdk.setDrawCallback(handle, draw, &seen), 1);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.preview, handle);
    EXPECT_EQ(seen.frame.bmWidth, 352);
    EXPECT_EQ(seen.frame.bmHeight, 288);
    EXPECT_EQ(sdk.setDrawCallback(handle, nullptr, nullptr), 1);
    EXPECT_EQ(sdk.setDrawCallback(handle + 1, draw, &seen), 0);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(sdk.stopPreview(handle), 1);
    EXPECT_EQ(sdk.stopPreview(handle), 0);

    // Reboot: accepted once, then the recorder is offline.
    EXPECT_EQ(sdk.rebootDevice(login), 1);
    EXPECT_EQ(sdk.rebootDevice(login), 0);
    SdkLogout(login);
}
#endif

} // namespace
