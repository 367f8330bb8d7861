// Client SDK stand-in: one device session per log-in handle.
#include "sdk/quellport.h"

#include "sdk/quellport_sim.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

struct Session {
    std::shared_ptr<dvrsim::Device> device;
};

std::mutex g_mutex;
std::map<std::int32_t, Session> g_sessions;
std::int32_t g_nextHandle = 0;

std::shared_ptr<dvrsim::Device> deviceFor(std::int32_t login)
{
    std::lock_guard lock(g_mutex);
    auto it = g_sessions.find(login);
    return it == g_sessions.end() ? nullptr : it->second.device;
}

// Copies an answer into the caller's buffer: at most its capacity, NUL-terminated when it fits.
void deliver(const std::string &text, char *answer, std::int32_t *answerLength)
{
    const std::size_t capacity = *answerLength > 0 ? std::size_t(*answerLength) : 0;
    const std::size_t n = std::min(text.size(), capacity);
    std::memcpy(answer, text.data(), n);
    if (n < capacity)
        answer[n] = '\0';
    *answerLength = std::int32_t(n);
}

bool exchange(dvrsim::Device &device, const char *request, std::int32_t requestLength, char *answer,
              std::int32_t *answerLength)
{
    if (!request || requestLength <= 0 || !answer || !answerLength)
        return false;
    const std::size_t length = strnlen(request, std::size_t(requestLength));
    std::string text;
    if (!device.handle(std::string_view(request, length), text))
        return false;
    deliver(text, answer, answerLength);
    return true;
}

bool parseInt(const std::string &value, int low, int high, int &out)
{
    if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::atoi(value.c_str());
    return out >= low && out <= high;
}

} // namespace

bool quellport_parse_profile(const char *query, dvrsim::Profile &profile, int &rebootMs)
{
    std::string q = query ? query : "";
    std::size_t pos = 0;
    while (pos < q.size()) {
        std::size_t end = q.find('&', pos);
        if (end == std::string::npos)
            end = q.size();
        const std::string item = q.substr(pos, end - pos);
        pos = end + 1;
        if (item.empty())
            continue;
        const std::size_t eq = item.find('=');
        if (eq == std::string::npos)
            return false;
        const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        int v = 0;
        bool ok;
        if (key == "type")
            ok = parseInt(value, 0, 255, v) && ((profile.deviceType = std::uint8_t(v)), true);
        else if (key == "channels")
            ok = parseInt(value, 0, 255, profile.channels);
        else if (key == "first")
            ok = parseInt(value, 0, 255, profile.firstChannel);
        else if (key == "alarmin")
            ok = parseInt(value, 0, 255, profile.alarmIn);
        else if (key == "alarmout")
            ok = parseInt(value, 0, 255, profile.alarmOut);
        else if (key == "disks")
            ok = parseInt(value, 0, 33, profile.disks);
        else if (key == "reboot_ms")
            ok = parseInt(value, 0, 600000, rebootMs);
        else
            ok = false;
        if (!ok)
            return false;
    }
    return true;
}

std::shared_ptr<dvrsim::Device> quellport_sim_device(std::int32_t login) { return deviceFor(login); }

extern "C" {

int32_t SDK_CALL SdkInit(void) { return 1; }

void SDK_CALL SdkCleanup(void)
{
    std::lock_guard lock(g_mutex);
    g_sessions.clear();
}

int32_t SDK_CALL SdkLogin(const char *address, const char *user, const char *password)
{
    (void)user;
    (void)password;
    if (!address)
        return -1;
    const std::string a = address;
    const std::string scheme = "sim://";
    if (a.compare(0, scheme.size(), scheme) != 0)
        return -1;
    std::string query = a.substr(scheme.size());
    if (!query.empty() && query[0] == '?')
        query.erase(0, 1);
    dvrsim::Profile profile;
    int rebootMs = -1;
    if (!quellport_parse_profile(query.c_str(), profile, rebootMs))
        return -1;
    auto device = std::make_shared<dvrsim::Device>(profile);
    if (rebootMs >= 0)
        device->setRebootDuration(std::chrono::milliseconds(rebootMs));
    std::lock_guard lock(g_mutex);
    const std::int32_t handle = g_nextHandle++;
    g_sessions[handle] = Session{std::move(device)};
    return handle;
}

int32_t SDK_CALL SdkLogout(int32_t login)
{
    std::lock_guard lock(g_mutex);
    return g_sessions.erase(login) ? 1 : 0;
}

int32_t SDK_CALL SdkSendCommand(int32_t login, const char *request, int32_t requestLength, char *answer,
                                int32_t *answerLength)
{
    auto device = deviceFor(login);
    return device && exchange(*device, request, requestLength, answer, answerLength) ? 1 : 0;
}

int32_t SDK_CALL SdkSendCommandBatch(int32_t login, const char *const *requests, const int32_t *requestLengths,
                                     int32_t count, char *const *answers, int32_t *const *answerLengths,
                                     SdkProgressCallback progress, void *context)
{
    auto device = deviceFor(login);
    if (!device || count < 0 || (count > 0 && (!requests || !requestLengths || !answers || !answerLengths)))
        return 0;
    if (progress)
        progress(0, context);
    for (int32_t i = 0; i < count; ++i) {
        if (!exchange(*device, requests[i], requestLengths[i], answers[i], answerLengths[i]))
            return 0;
        if (progress)
            progress(int32_t((i + 1) * 100LL / count), context);
    }
    return 1;
}

int32_t SDK_CALL SdkRebootDevice(int32_t login)
{
    auto device = deviceFor(login);
    return device && device->reboot() ? 1 : 0;
}

// Live video comes with the area editor; until then no preview can start.
int32_t SDK_CALL SdkStartPreview(int32_t login, const SdkPreviewRequest *request, int32_t reserved1,
                                 int32_t reserved2)
{
    (void)login;
    (void)request;
    (void)reserved1;
    (void)reserved2;
    return -1;
}

int32_t SDK_CALL SdkSetDrawCallback(int32_t previewHandle, SdkDrawCallback draw, void *user)
{
    (void)previewHandle;
    (void)draw;
    (void)user;
    return 0;
}

int32_t SDK_CALL SdkStopPreview(int32_t previewHandle)
{
    (void)previewHandle;
    return 0;
}

} // extern "C"
