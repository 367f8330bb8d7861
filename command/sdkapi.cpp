#include "command/sdkapi.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

SdkApi g_api;

#ifdef _WIN32
void *resolve(const char *, int ordinal)
{
    HMODULE module = GetModuleHandleA("quellport.dll");
    if (!module)
        module = LoadLibraryA("quellport.dll");
    if (!module)
        return nullptr;
    return reinterpret_cast<void *>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal)));
}
#else
// Directory of this library, so a libquellport.so installed beside the plug-in is found too.
std::string ownDirectory()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&sdk_load), &info) && info.dli_fname) {
        std::string path = info.dli_fname;
        auto slash = path.rfind('/');
        if (slash != std::string::npos)
            return path.substr(0, slash + 1);
    }
    return {};
}

void *resolve(const char *name, int)
{
    if (void *p = dlsym(RTLD_DEFAULT, name))
        return p;
    static void *library = [] {
        void *h = dlopen("libquellport.so", RTLD_NOW | RTLD_GLOBAL);
        if (!h) {
            std::string beside = ownDirectory() + "libquellport.so";
            h = dlopen(beside.c_str(), RTLD_NOW | RTLD_GLOBAL);
        }
        return h;
    }();
    return library ? dlsym(library, name) : nullptr;
}
#endif

template <typename Fn> bool resolveInto(Fn &slot, const char *name, int ordinal, std::string *missing)
{
    if (!slot)
        slot = reinterpret_cast<Fn>(resolve(name, ordinal));
    if (slot)
        return true;
    if (missing) {
        if (!missing->empty())
            *missing += ", ";
        *missing += name;
    }
    return false;
}

} // namespace

bool sdk_load(std::string *missing)
{
    if (g_api.complete())
        return true;
    if (missing)
        missing->clear();
    bool ok = true;
    ok &= resolveInto(g_api.sendCommand, "SdkSendCommand", 233, missing);
    ok &= resolveInto(g_api.sendCommandBatch, "SdkSendCommandBatch", 235, missing);
    ok &= resolveInto(g_api.rebootDevice, "SdkRebootDevice", 227, missing);
    ok &= resolveInto(g_api.startPreview, "SdkStartPreview", 225, missing);
    ok &= resolveInto(g_api.setDrawCallback, "SdkSetDrawCallback", 228, missing);
    ok &= resolveInto(g_api.stopPreview, "SdkStopPreview", 263, missing);
    return ok;
}

const SdkApi &sdk_api() { return g_api; }

void sdk_install(const SdkApi &api) { g_api = api; }
