/* Client SDK as the plug-in and the hosts see it. The plug-in only uses the types and resolves
 * the six operations at run time; hosts link the library and also use init, log-in and log-out. */
#ifndef QUELLPORT_H
#define QUELLPORT_H

#include <stdint.h>

#ifdef _WIN32
#define SDK_CALL __stdcall
#else
#define SDK_CALL
#endif

#if defined(QUELLPORT_BUILD) && defined(QUELLPORT_DEF_EXPORTS)
#define SDK_EXPORT /* the .def file exports them, the six operations by ordinal only */
#elif defined(QUELLPORT_BUILD)
#ifdef _WIN32
#define SDK_EXPORT __declspec(dllexport)
#else
#define SDK_EXPORT __attribute__((visibility("default")))
#endif
#else
#define SDK_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of every request and answer buffer of a configuration command (0xFC00). */
enum { SdkBufferSize = 64512 };

typedef void(SDK_CALL *SdkProgressCallback)(int32_t progress, void *context);
/* Called on a thread of the SDK after each frame of a preview is rendered and before it is shown.
 * On Windows deviceContext is the HDC of the video window. Elsewhere it is a QPainter * that is
 * active on the frame, in the window's coordinates; a host's own SDK build must hand over the
 * same, since the plug-in's drawers paint through it. */
typedef int32_t(SDK_CALL *SdkDrawCallback)(int32_t previewHandle, intptr_t deviceContext, void *user);

/* channel: 0-based position of the channel; window: the video window's handle, outside Windows
 * the WId of a native QWidget in the calling process. */
typedef struct {
    int32_t channel;
    int32_t zero;
    uint32_t window;
} SdkPreviewRequest;

typedef int32_t(SDK_CALL *SdkSendCommandFn)(int32_t login, const char *request, int32_t requestLength, char *answer,
                                            int32_t *answerLength);
typedef int32_t(SDK_CALL *SdkSendCommandBatchFn)(int32_t login, const char *const *requests,
                                                 const int32_t *requestLengths, int32_t count, char *const *answers,
                                                 int32_t *const *answerLengths, SdkProgressCallback progress,
                                                 void *context);
typedef int32_t(SDK_CALL *SdkRebootDeviceFn)(int32_t login);
typedef int32_t(SDK_CALL *SdkStartPreviewFn)(int32_t login, const SdkPreviewRequest *request, int32_t reserved1,
                                             int32_t reserved2);
typedef int32_t(SDK_CALL *SdkSetDrawCallbackFn)(int32_t previewHandle, SdkDrawCallback draw, void *user);
typedef int32_t(SDK_CALL *SdkStopPreviewFn)(int32_t previewHandle);

SDK_EXPORT int32_t SDK_CALL SdkSendCommand(int32_t login, const char *request, int32_t requestLength, char *answer,
                                           int32_t *answerLength);
SDK_EXPORT int32_t SDK_CALL SdkSendCommandBatch(int32_t login, const char *const *requests,
                                                const int32_t *requestLengths, int32_t count, char *const *answers,
                                                int32_t *const *answerLengths, SdkProgressCallback progress,
                                                void *context);
SDK_EXPORT int32_t SDK_CALL SdkRebootDevice(int32_t login);
/* Live video of the channel into the window, about 25 frames of 352 x 288 a second; -1 for an
 * unknown channel, an unknown window or a dead session. Call on the GUI thread. */
SDK_EXPORT int32_t SDK_CALL SdkStartPreview(int32_t login, const SdkPreviewRequest *request, int32_t reserved1,
                                            int32_t reserved2);
/* Null removes the callback and returns only after a call that is running has finished; no call
 * follows once it returns. */
SDK_EXPORT int32_t SDK_CALL SdkSetDrawCallback(int32_t previewHandle, SdkDrawCallback draw, void *user);
/* Stops the video's thread and takes the picture away, leaving the window as it was. */
SDK_EXPORT int32_t SDK_CALL SdkStopPreview(int32_t previewHandle);

/* For hosts. */
SDK_EXPORT int32_t SDK_CALL SdkInit(void);
SDK_EXPORT void SDK_CALL SdkCleanup(void);
/* "sim://type=82&channels=8&..." opens an in-process simulated recorder. Returns a handle or -1. */
SDK_EXPORT int32_t SDK_CALL SdkLogin(const char *address, const char *user, const char *password);
SDK_EXPORT int32_t SDK_CALL SdkLogout(int32_t login);

#ifdef __cplusplus
}
#endif

#endif
