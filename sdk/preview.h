#pragma once
// Live preview of the SDK stand-in: frames come from a source on a thread of the SDK, the draw
// callback paints on each frame on that thread, and the frame is then shown in the window the
// preview request names. A frame the GUI thread has not shown yet gives way to a newer one.
#include "sdk/quellport.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <stop_token>

// Where the frames of one preview come from. Used only on the preview's thread.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Before the first frame: false refuses the preview (no such channel, recorder gone).
    virtual bool open(std::stop_token) { return true; }
    // Waits for the next frame and puts it into `frame`. False when the video has ended or a stop
    // was requested; the preview's thread then ends.
    virtual bool next(QImage &frame, std::stop_token stop) = 0;
    // After the last frame, still on the preview's thread: whatever belongs to it goes here.
    virtual void close() {}
};

// Starts showing the source's frames in the widget whose WId is `window` (on the GUI thread),
// after the source has opened. Returns the preview handle, or -1 when there is no such widget, no
// application, or the source refuses.
std::int32_t preview_start(std::uint32_t window, std::unique_ptr<FrameSource> source);
// Installs or (null) removes the draw callback. Removing waits for a callback that is running.
std::int32_t preview_set_draw(std::int32_t handle, SdkDrawCallback draw, void *user);
// Stops the thread and takes the picture away; the window is left as it was. 0 for an unknown
// handle or a call from the preview's own thread.
std::int32_t preview_stop(std::int32_t handle);
// Stops every preview (at clean-up).
void preview_stop_all();
