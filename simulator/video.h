#pragma once
// Live picture of a simulated camera: a street scene that moves, with the channel name and the
// date/time overlay placed as the channel's picture record says, so a preview shows the channel
// page's settings as the recorder has them.
#include "channel/channelrecords.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <cstdint>

namespace dvrsim {

constexpr int FrameWidth = 352;
constexpr int FrameHeight = 288;
constexpr int FramesPerSecond = 25;

// The overlay settings of a channel, taken from its picture record (positions in the record's
// 704 x 576 space).
struct Overlay {
    QString channelName;
    bool showChannelName = false;
    int channelNameX = 0, channelNameY = 0;
    bool showOsd = false;
    int osdX = 0, osdY = 0;
    int osdType = 0;
    bool showWeek = false;
    int osdAttribute = 1; // 1 transparent flashing, 2 transparent, 3 opaque flashing, 4 opaque
};

Overlay overlayOf(const ChannelPictureRecord &record);

// One camera: renders frame after frame into a 352 x 288 image. Not shared between threads.
class CameraScene {
public:
    explicit CameraScene(int channel);

    // Frame `number` (at 25 per second) with the overlay as of `now`, into `frame`, which is
    // made 352 x 288 RGB32 if it is not.
    void render(QImage &frame, std::int64_t number, const QDateTime &now, const Overlay &overlay);

private:
    int channel_;
    QImage background_; // the still part of the scene, drawn once
};

// The date/time text of the overlay for `now` in the record's date format.
QString osdText(const QDateTime &now, int osdType, bool showWeek);

} // namespace dvrsim
