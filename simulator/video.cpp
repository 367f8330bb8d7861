#include "simulator/video.h"

#include "command/gbktext.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>
#include <cstring>

namespace dvrsim {

namespace {

constexpr int Horizon = 150;
constexpr int RoadTop = 200;
constexpr int RoadBottom = 262;

// Each channel looks a little different, so an operator sees which camera is shown.
QColor skyOf(int channel) { return QColor::fromHsv((200 + 23 * channel) % 360, 90, 235); }

void drawBackground(QImage &image, int channel)
{
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, Horizon);
    sky.setColorAt(0, skyOf(channel).darker(130));
    sky.setColorAt(1, skyOf(channel));
    p.fillRect(0, 0, FrameWidth, Horizon, sky);
    // Houses along the far side of the street.
    for (int i = 0; i < 7; ++i) {
        const int x = 8 + i * 50 + (channel * 13 + i * 7) % 11;
        const int h = 40 + (i * 37 + channel * 19) % 50;
        p.fillRect(x, Horizon - h, 42, h + 10, QColor::fromHsv((i * 40 + channel * 30) % 360, 60, 170));
        for (int wy = Horizon - h + 8; wy < Horizon - 6; wy += 14)
            for (int wx = x + 6; wx < x + 36; wx += 12)
                p.fillRect(wx, wy, 6, 8, QColor(250, 230, 140));
    }
    p.fillRect(0, Horizon, FrameWidth, RoadTop - Horizon, QColor(96, 140, 72)); // verge
    p.fillRect(0, RoadTop, FrameWidth, RoadBottom - RoadTop, QColor(70, 70, 76));
    p.fillRect(0, RoadBottom, FrameWidth, FrameHeight - RoadBottom, QColor(150, 146, 136)); // pavement
    for (int x = 0; x < FrameWidth; x += 40)
        p.fillRect(x, (RoadTop + RoadBottom) / 2 - 1, 22, 3, QColor(235, 235, 210));
}

void drawCar(QPainter &p, int x, int y, const QColor &body)
{
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(x, y + 10, 70, 18, 5, 5);
    p.drawRoundedRect(x + 14, y, 38, 14, 5, 5);
    p.setBrush(QColor(170, 210, 235));
    p.drawRect(x + 18, y + 3, 13, 8);
    p.drawRect(x + 34, y + 3, 13, 8);
    p.setBrush(QColor(25, 25, 25));
    p.drawEllipse(x + 8, y + 22, 14, 14);
    p.drawEllipse(x + 48, y + 22, 14, 14);
}

void drawWalker(QPainter &p, int x, int y, std::int64_t n)
{
    const int swing = int(6 * std::sin(double(n) * 0.5));
    p.setPen(QPen(QColor(40, 40, 60), 3));
    p.drawLine(x, y + 14, x, y + 32);         // body
    p.drawLine(x, y + 32, x - swing, y + 46); // legs
    p.drawLine(x, y + 32, x + swing, y + 46);
    p.drawLine(x, y + 18, x + swing, y + 28); // arms
    p.drawLine(x, y + 18, x - swing, y + 28);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 190, 160));
    p.drawEllipse(x - 5, y + 2, 11, 11);
}

// Overlay text: white on the picture, or white on black where the attribute makes it opaque;
// flashing text is left out in the second half of every second.
void drawOverlayText(QPainter &p, int x, int y, const QString &text, int attribute, int msecOfSecond)
{
    const bool flashing = attribute == 1 || attribute == 3;
    if (flashing && msecOfSecond >= 500)
        return;
    const QFontMetrics metrics(p.font());
    const QRect box(x, y, metrics.horizontalAdvance(text) + 4, metrics.height());
    if (attribute == 3 || attribute == 4)
        p.fillRect(box, Qt::black);
    p.setPen(Qt::white);
    p.drawText(box.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
}

} // namespace

Overlay overlayOf(const ChannelPictureRecord &r)
{
    Overlay o;
    o.channelName = QString::fromStdU16String(gbk::readField(r.channelName));
    o.showChannelName = r.showChannelName != 0;
    o.channelNameX = r.channelNameX;
    o.channelNameY = r.channelNameY;
    o.showOsd = r.showOsd != 0;
    o.osdX = r.osdX;
    o.osdY = r.osdY;
    o.osdType = r.osdType;
    o.showWeek = r.showWeek != 0;
    o.osdAttribute = r.osdAttribute;
    return o;
}

QString osdText(const QDateTime &now, int osdType, bool showWeek)
{
    static const char *const formats[] = {"yyyy-MM-dd",     "MM-dd-yyyy", "yyyy年MM月dd日",
                                          "MM月dd日yyyy年", "dd-MM-yyyy", "dd日MM月yyyy年"};
    const QDate d = now.date();
    QString text = d.toString(QString::fromUtf8(formats[osdType >= 0 && osdType < 6 ? osdType : 0]));
    if (showWeek) {
        static const char16_t days[] = u"一二三四五六日";
        text += QStringLiteral(" 星期") + QChar(days[d.dayOfWeek() - 1]);
    }
    return text + QLatin1Char(' ') + now.time().toString(QStringLiteral("HH:mm:ss"));
}

CameraScene::CameraScene(int channel) : channel_(channel), background_(FrameWidth, FrameHeight, QImage::Format_RGB32)
{
    drawBackground(background_, channel);
}

void CameraScene::render(QImage &frame, std::int64_t n, const QDateTime &now, const Overlay &overlay)
{
    if (frame.size() != background_.size() || frame.format() != background_.format())
        frame = QImage(background_.size(), background_.format());
    std::memcpy(frame.bits(), background_.constBits(), std::size_t(background_.sizeInBytes()));

    QPainter p(&frame);
    // Cars both ways at their own speeds, a walker on the pavement, a blinking lamp.
    const int span = FrameWidth + 140;
    drawCar(p, int((n * 3 + channel_ * 50) % span) - 70, RoadTop - 2, QColor::fromHsv((channel_ * 57) % 360, 200, 200));
    drawCar(p, FrameWidth - int((n * 5 + channel_ * 90) % span) + 70, RoadTop + 24, QColor(200, 40, 40));
    drawWalker(p, int((n + channel_ * 30) % (FrameWidth + 20)) - 10, RoadBottom - 24, n);
    p.setPen(Qt::NoPen);
    p.setBrush((n / 12) % 2 ? QColor(255, 220, 60) : QColor(90, 80, 40));
    p.drawEllipse(330, Horizon - 70, 10, 10);

    QFont font = p.font();
    font.setPixelSize(14);
    p.setFont(font);
    const int msec = now.time().msec();
    // The record places the texts in 704 x 576; the picture is half that.
    if (overlay.showChannelName)
        drawOverlayText(p, overlay.channelNameX / 2, overlay.channelNameY / 2, overlay.channelName, 2, msec);
    if (overlay.showOsd)
        drawOverlayText(p, overlay.osdX / 2, overlay.osdY / 2, osdText(now, overlay.osdType, overlay.showWeek),
                        overlay.osdAttribute, msec);
}

} // namespace dvrsim
