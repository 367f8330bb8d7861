#pragma once
// The six client SDK operations the plug-in uses, resolved at run time from the library the
// host has loaded: by ordinal on Windows, by role name elsewhere.
#include "sdk/quellport.h"

#include <string>

struct SdkApi {
    SdkSendCommandFn sendCommand = nullptr;
    SdkSendCommandBatchFn sendCommandBatch = nullptr;
    SdkRebootDeviceFn rebootDevice = nullptr;
    SdkStartPreviewFn startPreview = nullptr;
    SdkSetDrawCallbackFn setDrawCallback = nullptr;
    SdkStopPreviewFn stopPreview = nullptr;

    bool complete() const
    {
        return sendCommand && sendCommandBatch && rebootDevice && startPreview && setDrawCallback && stopPreview;
    }
};

// Resolves the operations (once they are all found, later calls return at once). On failure
// `missing` lists the operations that could not be found, separated by ", ".
bool sdk_load(std::string *missing = nullptr);

// The table the command layer calls through.
const SdkApi &sdk_api();

// Replaces the table, for hosts that hand the operations in and for tests.
void sdk_install(const SdkApi &api);
