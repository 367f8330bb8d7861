// Client SDK stand-in: one device session per log-in handle. Without Qt (the Windows test
// build) it holds in-process recorders only, and a preview is a handle that calls its drawer once
// on a memory device context.
#include "sdk/quellport.h"

#include "command/recordcommands.h"
#include "sdk/answerbuffer.h"
#include "sdk/quellport_sim.h"
#ifdef QUELLPORT_NO_QT
#include <windows.h>
#else
#include "sdk/preview.h"
#include "sdk/remotesession.h"
#include "simulator/video.h"

#include <condition_variable>
#endif

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

// One of the two: an in-process simulated recorder, or a dvr-simulator across the network.
struct Session {
    std::shared_ptr<dvrsim::Device> device;
#ifndef QUELLPORT_NO_QT
    std::shared_ptr<RemoteSession> remote;
#endif
};

std::mutex g_mutex;
std::map<std::int32_t, Session> g_sessions;
std::int32_t g_nextHandle = 0;

// A copy, so a call runs without the table's lock and a log-out meanwhile cannot pull the
// session from under it.
Session sessionFor(std::int32_t login)
{
    std::lock_guard lock(g_mutex);
    auto it = g_sessions.find(login);
    return it == g_sessions.end() ? Session{} : it->second;
}

std::int32_t addSession(Session session)
{
    std::lock_guard lock(g_mutex);
    const std::int32_t handle = g_nextHandle++;
    g_sessions[handle] = std::move(session);
    return handle;
}

#ifndef QUELLPORT_NO_QT
std::int32_t logInRemote(const std::string &address, const char *user, const char *password)
{
    RemoteAddress remote;
    if (!parseRemoteAddress(address, remote))
        return -1;
    auto session = std::make_shared<RemoteSession>(std::move(remote), user ? user : "", password ? password : "");
    if (!session->logIn())
        return -1;
    return addSession(Session{nullptr, std::move(session)});
}
#endif

bool exchange(dvrsim::Device &device, const char *request, std::int32_t requestLength, char *answer,
              std::int32_t *answerLength)
{
    if (!request || requestLength <= 0 || !answer || !answerLength)
        return false;
    const std::size_t length = strnlen(request, std::size_t(requestLength));
    std::string text;
    if (!device.handle(std::string_view(request, length), text))
        return false;
    deliverAnswer(text.data(), text.size(), answer, answerLength);
    return true;
}

#ifndef QUELLPORT_NO_QT
// The camera of an in-process recorder's channel: 25 frames a second, paced on the preview's
// thread, with the overlay as the recorder has it (read again five times a second).
class SimulatedCamera final : public FrameSource {
public:
    SimulatedCamera(std::shared_ptr<dvrsim::Device> device, int slot)
        : device_(std::move(device)), slot_(slot), scene_(slot), record_(std::make_unique<ChannelPictureRecord>())
    {
    }

    bool next(QImage &frame, std::stop_token stop) override
    {
        using namespace std::chrono;
        constexpr auto period = duration_cast<steady_clock::duration>(seconds(1)) / dvrsim::FramesPerSecond;
        const auto now = steady_clock::now();
        if (number_ == 0 || due_ < now - 5 * period)
            due_ = now; // the first frame at once; no burst to catch up after a stall
        {
            std::unique_lock lock(waitMutex_);
            if (wake_.wait_until(lock, stop, due_, [] { return false; }), stop.stop_requested())
                return false;
        }
        due_ += period;
        if (number_ % 5 == 0 &&
            device_->copyRecord(getCommandOf<ChannelPictureRecord>, device_->profile().firstChannel + slot_,
                                record_.get(), sizeof(ChannelPictureRecord)))
            overlay_ = dvrsim::overlayOf(*record_);
        scene_.render(frame, number_++, QDateTime::currentDateTime(), overlay_);
        return true;
    }

private:
    std::shared_ptr<dvrsim::Device> device_;
    int slot_;
    dvrsim::CameraScene scene_;
    std::unique_ptr<ChannelPictureRecord> record_;
    dvrsim::Overlay overlay_;
    std::int64_t number_ = 0;
    std::chrono::steady_clock::time_point due_{};
    std::mutex waitMutex_;
    std::condition_variable_any wake_;
};
#else
// A preview without video: its drawer, once installed, is called once on a memory device context
// of a frame's size, on the caller's thread.
struct FakePreview {
    std::int32_t login;
    std::uint32_t window;
};
std::map<std::int32_t, FakePreview> g_previews;
std::int32_t g_nextPreview = 1;

void drawOnce(std::int32_t handle, SdkDrawCallback draw, void *user)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 352;
    info.bmiHeader.biHeight = -288;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP frame = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, frame);
    draw(handle, reinterpret_cast<intptr_t>(dc), user);
    SelectObject(dc, old);
    DeleteObject(frame);
    DeleteDC(dc);
}
#endif

} // namespace

std::shared_ptr<dvrsim::Device> quellport_sim_device(std::int32_t login) { return sessionFor(login).device; }

extern "C" {

int32_t SDK_CALL SdkInit(void) { return 1; }

void SDK_CALL SdkCleanup(void)
{
#ifdef QUELLPORT_NO_QT
    g_previews.clear();
#else
    preview_stop_all();
#endif
    std::map<std::int32_t, Session> gone; // closed outside the lock
    std::lock_guard lock(g_mutex);
    gone.swap(g_sessions);
}

int32_t SDK_CALL SdkLogin(const char *address, const char *user, const char *password)
{
    if (!address)
        return -1;
    const std::string a = address;
    const std::string scheme = "sim://";
    if (a.compare(0, scheme.size(), scheme) != 0) {
#ifdef QUELLPORT_NO_QT
        (void)user;
        (void)password;
        return -1;
#else
        return logInRemote(a, user, password);
#endif
    }
    // The embedded recorder takes any user name and password.
    std::string query = a.substr(scheme.size());
    if (!query.empty() && query[0] == '?')
        query.erase(0, 1);
    dvrsim::Profile profile;
    int rebootMs = -1;
    if (!dvrsim::parseProfile(query, profile, rebootMs))
        return -1;
    auto device = std::make_shared<dvrsim::Device>(profile);
    if (rebootMs >= 0)
        device->setRebootDuration(std::chrono::milliseconds(rebootMs));
    Session session;
    session.device = std::move(device);
    return addSession(std::move(session));
}

int32_t SDK_CALL SdkLogout(int32_t login)
{
    Session gone; // closed outside the lock
    std::lock_guard lock(g_mutex);
    auto it = g_sessions.find(login);
    if (it == g_sessions.end())
        return 0;
    gone = std::move(it->second);
    g_sessions.erase(it);
    return 1;
}

int32_t SDK_CALL SdkSendCommand(int32_t login, const char *request, int32_t requestLength, char *answer,
                                int32_t *answerLength)
{
    const Session session = sessionFor(login);
#ifndef QUELLPORT_NO_QT
    if (session.remote)
        return session.remote->command(request, requestLength, answer, answerLength) ? 1 : 0;
#endif
    return session.device && exchange(*session.device, request, requestLength, answer, answerLength) ? 1 : 0;
}

int32_t SDK_CALL SdkSendCommandBatch(int32_t login, const char *const *requests, const int32_t *requestLengths,
                                     int32_t count, char *const *answers, int32_t *const *answerLengths,
                                     SdkProgressCallback progress, void *context)
{
    const Session session = sessionFor(login);
#ifndef QUELLPORT_NO_QT
    if (session.remote)
        return session.remote->batch(requests, requestLengths, count, answers, answerLengths, progress, context) ? 1
                                                                                                                 : 0;
#endif
    const auto &device = session.device;
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
    const Session session = sessionFor(login);
#ifndef QUELLPORT_NO_QT
    if (session.remote)
        return session.remote->reboot() ? 1 : 0;
#endif
    return session.device && session.device->reboot() ? 1 : 0;
}

#ifdef QUELLPORT_NO_QT
int32_t SDK_CALL SdkStartPreview(int32_t login, const SdkPreviewRequest *request, int32_t, int32_t)
{
    const Session session = sessionFor(login);
    if (!request || !session.device || request->channel < 0 || request->channel >= session.device->profile().channels ||
        request->window == 0)
        return -1;
    std::lock_guard lock(g_mutex);
    g_previews[g_nextPreview] = FakePreview{login, request->window};
    return g_nextPreview++;
}

int32_t SDK_CALL SdkSetDrawCallback(int32_t previewHandle, SdkDrawCallback draw, void *user)
{
    {
        std::lock_guard lock(g_mutex);
        if (!g_previews.count(previewHandle))
            return 0;
    }
    if (draw)
        drawOnce(previewHandle, draw, user);
    return 1;
}

int32_t SDK_CALL SdkStopPreview(int32_t previewHandle)
{
    std::lock_guard lock(g_mutex);
    return g_previews.erase(previewHandle) ? 1 : 0;
}
#else
int32_t SDK_CALL SdkStartPreview(int32_t login, const SdkPreviewRequest *request, int32_t reserved1, int32_t reserved2)
{
    (void)reserved1;
    (void)reserved2;
    const Session session = sessionFor(login);
    if (!request || request->channel < 0)
        return -1;
    if (session.device) {
        if (request->channel >= session.device->profile().channels)
            return -1;
        return preview_start(request->window, std::make_unique<SimulatedCamera>(session.device, int(request->channel)));
    }
    if (session.remote)
        return preview_start(request->window, session.remote->camera(int(request->channel)));
    return -1;
}

int32_t SDK_CALL SdkSetDrawCallback(int32_t previewHandle, SdkDrawCallback draw, void *user)
{
    return preview_set_draw(previewHandle, draw, user);
}

int32_t SDK_CALL SdkStopPreview(int32_t previewHandle) { return preview_stop(previewHandle); }
#endif

} // extern "C"
