// Area editor over the SDK stand-in's live video of an in-process simulated recorder.
#include "channel/frmsetarea.h"
#include "command/sdkapi.h"
#include "simserver.h"
#include "subdialogfixture.h"
#include "waitfor.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// The widget's children as a plain vector: Qt's own list comparison hands a null pointer to
// memcmp when both lists are empty, which the undefined-behaviour sanitizer stops on.
std::vector<QObject *> childrenOf(const QObject &object)
{
    const QObjectList &list = object.children();
    return {list.begin(), list.end()};
}

void mouse(QWidget *panel, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), panel->mapToGlobal(QPointF(at)), button, held, modifiers);
    QApplication::sendEvent(panel, &event);
}

void drag(QWidget *panel, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::ControlModifier,
          Qt::MouseButton button = Qt::LeftButton)
{
    mouse(panel, QEvent::MouseButtonPress, from, button, modifiers);
    mouse(panel, QEvent::MouseMove, to, button, modifiers);
    mouse(panel, QEvent::MouseButtonRelease, to, button, modifiers);
}

// Cells of rows 0..17, columns 0..21 as a set of (row, column) pairs that are 1.
std::vector<std::pair<int, int>> watchedCells(const ChannelPictureRecord &r)
{
    std::vector<std::pair<int, int>> cells;
    for (int row = 0; row < area::CellRows; ++row)
        for (int col = 0; col < area::CellColumns; ++col)
            if (r.motionArea[row][col])
                cells.emplace_back(row, col);
    return cells;
}

std::vector<std::pair<int, int>> block(int row0, int row1, int col0, int col1)
{
    std::vector<std::pair<int, int>> cells;
    for (int row = row0; row <= row1; ++row)
        for (int col = col0; col <= col1; ++col)
            cells.emplace_back(row, col);
    return cells;
}

// The record as it was, with the 22 x 18 cells cleared: what set-area writes before its rectangles.
ChannelPictureRecord withCellsCleared(ChannelPictureRecord r)
{
    for (int row = 0; row < area::CellRows; ++row)
        std::fill_n(r.motionArea[row], area::CellColumns, std::uint8_t(0));
    return r;
}

bool sameMask(const MaskRect &m, std::uint16_t x, std::uint16_t y, std::uint16_t w, std::uint16_t h)
{
    return m.x == x && m.y == y && m.width == w && m.height == h;
}

} // namespace

class AreaTest : public SubDialogTest<TfrmSetArea> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sdk_load());
        login = SdkLogin("sim://type=82&channels=4", "", "");
        ASSERT_GE(login, 0);
        fillPattern(record);
        record.motionSensitivity = 2;
        record.occlusionLevel = 1;
        original = record;
    }
    void TearDown() override
    {
        dialog.reset();
        sdk_load(); // a test may have put a recording table in
        SdkLogout(login);
    }
    TfrmSetArea &open(int kind, int channel = 1) { return create(nullptr, channel, login, kind, &record); }
    QWidget *panel() const { return find<QWidget>(QStringLiteral("pnlSetArea")); }
    QSlider *trbSen() const { return find<QSlider>(QStringLiteral("trbSen")); }
    void tick(const char *box) const { click(box); }
    // Moves the track bar step by step, as the arrow keys or a drag do.
    void moveBar(int to) const
    {
        QSlider *bar = trbSen();
        while (bar->value() != to)
            bar->triggerAction(bar->value() < to ? QAbstractSlider::SliderSingleStepAdd
                                                 : QAbstractSlider::SliderSingleStepSub);
    }
    void ok() { click("btnOK"); }

    std::int32_t login = -1;
    ChannelPictureRecord record{};
    ChannelPictureRecord original{};
};

TEST_F(AreaTest, CaptionTrackBarAndSensitivity)
{
    struct Case {
        int kind;
        std::uint8_t motion;
        std::uint32_t level;
        int max, shown, moveTo; // moveTo -1: left alone
        std::uint8_t motionAfter;
        std::uint32_t levelAfter;
        const char *caption;
        int via = -1; // a position passed on the way
    };
    const Case cases[] = {
        {MotionDetection, 0xFF, 1, 6, 0, -1, 0xFF, 1, "设置区域－移动侦测"},
        {MotionDetection, 0xFF, 1, 6, 0, 6, 5, 1, "设置区域－移动侦测"},
        {MotionDetection, 5, 1, 6, 6, 0, 0xFF, 1, "设置区域－移动侦测"},
        {MotionDetection, 0, 1, 6, 1, 3, 2, 1, "设置区域－移动侦测"},
        {MotionDetection, 9, 1, 6, 6, -1, 9, 1, "设置区域－移动侦测"},   // beyond the bar: kept when left alone
        {MotionDetection, 9, 1, 6, 6, 6, 5, 1, "设置区域－移动侦测", 4}, // moved, back where it started
        {OcclusionAlarm, 2, 3, 3, 3, 0, 2, 0, "设置区域－遮挡报警"},
        {OcclusionAlarm, 2, 0, 3, 0, 3, 2, 3, "设置区域－遮挡报警"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.caption + std::to_string(c.moveTo));
        record = original;
        record.motionSensitivity = c.motion;
        record.occlusionLevel = c.level;
        ChannelPictureRecord expected = record;
        expected.motionSensitivity = c.motionAfter;
        expected.occlusionLevel = c.levelAfter;
        open(c.kind);
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(c.caption));
        EXPECT_EQ(trbSen()->maximum(), c.max);
        EXPECT_EQ(trbSen()->value(), c.shown);
        EXPECT_TRUE(trbSen()->isEnabled());
        if (c.via >= 0)
            moveBar(c.via);
        if (c.moveTo >= 0)
            moveBar(c.moveTo);
        ok();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(sameBytes(record, expected));
    }
}

TEST_F(AreaTest, VideoMaskHasNoSensitivity)
{
    open(VideoMask);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("设置区域－视频遮盖"));
    for (const char *name : {"trbSen", "lblSen", "lblSub", "lblAdd"})
        EXPECT_FALSE(find<QWidget>(QLatin1String(name))->isEnabled()) << name;
    ok();
    EXPECT_TRUE(sameBytes(record, original));
}

TEST_F(AreaTest, SetAreaThenOkWithoutDrawingClearsTheArea)
{
    for (int kind : {MotionDetection, OcclusionAlarm, VideoMask}) {
        SCOPED_TRACE(kind);
        record = original;
        open(kind);
        tick("chkSetArea");
        ok();
        ChannelPictureRecord expected = original;
        if (kind == MotionDetection)
            expected = withCellsCleared(original);
        if (kind == OcclusionAlarm)
            expected.occlusionX = expected.occlusionY = expected.occlusionWidth = expected.occlusionHeight = 0;
        if (kind == VideoMask)
            for (MaskRect &m : expected.maskArea)
                m = MaskRect{0, 0, 0, 0};
        EXPECT_TRUE(sameBytes(record, expected));
    }
}

TEST_F(AreaTest, DragMarksCellsAndStoresOrderedRectangles)
{
    // Both directions give the same area: the corners are ordered before they are stored.
    const std::pair<QPoint, QPoint> drags[] = {{{37, 42}, {101, 90}}, {{101, 90}, {37, 42}}};
    for (const auto &[from, to] : drags) {
        record = original;
        open(MotionDetection);
        tick("chkSetArea");
        drag(panel(), from, to);
        ok();
        EXPECT_EQ(watchedCells(record), block(2, 4, 2, 5));
        // Columns past 21 and rows past 17 are never written.
        EXPECT_TRUE(sameBytes(withCellsCleared(record), withCellsCleared(original)));

        record = original;
        open(OcclusionAlarm);
        tick("chkSetArea");
        drag(panel(), from, to);
        ok();
        EXPECT_EQ(record.occlusionX, 64);
        EXPECT_EQ(record.occlusionY, 64);
        EXPECT_EQ(record.occlusionWidth, 128);
        EXPECT_EQ(record.occlusionHeight, 96);
    }
}

TEST_F(AreaTest, DragsLeavingThePanelAreClampedToThePicture)
{
    open(VideoMask);
    tick("chkSetArea");
    drag(panel(), {300, 250}, {600, 500});
    drag(panel(), {40, 40}, {-80, -90});
    ok();
    EXPECT_TRUE(sameMask(record.maskArea[0], 576, 480, 704 - 576, 576 - 480));
    EXPECT_TRUE(sameMask(record.maskArea[1], 0, 0, 64, 32)); // from (32, 16) up to the corner
    for (const MaskRect &m : record.maskArea) {
        EXPECT_LE(m.x + m.width, 704);
        EXPECT_LE(m.y + m.height, 576);
    }
}

TEST_F(AreaTest, PressWithoutCtrlOrWithTheRightButtonDoesNothing)
{
    open(OcclusionAlarm);
    tick("chkSetArea");
    drag(panel(), {37, 42}, {101, 90}, Qt::NoModifier);
    drag(panel(), {37, 42}, {101, 90}, Qt::ControlModifier, Qt::RightButton);
    drag(panel(), {37, 42}, {101, 90}, Qt::ShiftModifier);
    ok();
    EXPECT_EQ(record.occlusionWidth, 0);
    EXPECT_EQ(record.occlusionHeight, 0);

    // Nor without set-area mode.
    record = original;
    open(OcclusionAlarm);
    drag(panel(), {37, 42}, {101, 90});
    tick("chkShowArea");
    ok();
    EXPECT_TRUE(sameBytes(record, original));
}

// Qt delivers a quick second press as a double-click; it starts a rectangle like any press.
TEST_F(AreaTest, QuickPressesEachStartARectangle)
{
    open(VideoMask);
    tick("chkSetArea");
    const QEvent::Type presses[] = {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick, QEvent::MouseButtonPress,
                                    QEvent::MouseButtonDblClick};
    for (int i = 0; i < 4; ++i) {
        const QPoint from{5 + 16 * i, 10}, to{5 + 16 * i + 16, 26};
        mouse(panel(), presses[i], from, Qt::LeftButton, Qt::ControlModifier);
        mouse(panel(), QEvent::MouseMove, to, Qt::LeftButton, Qt::ControlModifier);
        mouse(panel(), QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::ControlModifier);
    }
    ok();
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(sameMask(record.maskArea[k], std::uint16_t(k * 32), 0, 32, 32)) << k;
}

TEST_F(AreaTest, RectanglesPastTheLimitStartOverAtTheFirst)
{
    open(VideoMask);
    tick("chkSetArea");
    for (int i = 0; i < 5; ++i)
        drag(panel(), {5 + 16 * i, 10}, {5 + 16 * i + 16, 26});
    ok();
    EXPECT_TRUE(sameMask(record.maskArea[0], 4 * 32, 0, 32, 32)); // the fifth
    for (int k = 1; k < 4; ++k)
        EXPECT_TRUE(sameMask(record.maskArea[k], std::uint16_t(k * 32), 0, 32, 32)) << k;

    record = original;
    open(OcclusionAlarm);
    tick("chkSetArea");
    drag(panel(), {37, 42}, {101, 90});
    drag(panel(), {165, 138}, {197, 170});
    ok();
    EXPECT_EQ(record.occlusionX, 320);
    EXPECT_EQ(record.occlusionY, 256);
    EXPECT_EQ(record.occlusionWidth, 64);
    EXPECT_EQ(record.occlusionHeight, 64);
}

TEST_F(AreaTest, UntickingSetAreaWritesOnlyTheSensitivity)
{
    open(MotionDetection);
    tick("chkSetArea");
    drag(panel(), {37, 42}, {101, 90});
    tick("chkSetArea");
    moveBar(6);
    ok();
    ChannelPictureRecord expected = original;
    expected.motionSensitivity = 5;
    EXPECT_TRUE(sameBytes(record, expected));
}

TEST_F(AreaTest, ModeBoxesExcludeEachOther)
{
    open(MotionDetection);
    auto *show = find<QCheckBox>(QStringLiteral("chkShowArea"));
    auto *set = find<QCheckBox>(QStringLiteral("chkSetArea"));
    tick("chkShowArea");
    EXPECT_TRUE(show->isChecked());
    tick("chkSetArea");
    EXPECT_TRUE(set->isChecked());
    EXPECT_FALSE(show->isChecked());
    tick("chkShowArea");
    EXPECT_FALSE(set->isChecked());
}

TEST_F(AreaTest, PreviewFailureIsReportedOnceAndTheDialogStillWorks)
{
    // A channel the recorder does not have, and a log-in that is gone.
    for (std::int32_t bad : {0, 1}) {
        notes.messages.clear();
        record = original;
        if (bad == 0) {
            open(OcclusionAlarm, 4);
        } else {
            const std::int32_t gone = SdkLogin("sim://channels=1", "", "");
            SdkLogout(gone);
            create(nullptr, 0, gone, int(OcclusionAlarm), &record);
        }
        EXPECT_EQ(dialog->previewHandle(), -1);
        EXPECT_EQ(notes.messages, QStringList{QStringLiteral("视频预览失败!")});
        tick("chkShowArea");
        tick("chkSetArea");
        drag(panel(), {37, 42}, {101, 90});
        ok();
        EXPECT_EQ(record.occlusionWidth, 128);
        EXPECT_EQ(notes.messages.size(), 1);
    }
}

// The pixels of a shown frame: what each drawer paints lands where the record says.
class AreaPixelTest : public AreaTest {
protected:
    // Waits for a shown frame in which `ready` holds, and returns it.
    QImage frameWhere(const std::function<bool(const QImage &)> &ready)
    {
        QImage shot;
        const bool ok = waitFor(
            [&] {
                shot = panel()->grab().toImage();
                return ready(shot);
            },
            10000);
        EXPECT_TRUE(ok) << "no frame with the drawing";
        return shot;
    }
    static QRgb at(const QImage &img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }
    // The edge colours (those of gdi32 under Wine's default theme) and the masks' fill.
    static constexpr QRgb Shadow = 0xA6A6A6, White = 0xFFFFFF, DarkShadow = 0x6A6A6A, Light = 0xE3E3E3,
                          MaskGrey = 0x808080;
};

TEST_F(AreaPixelTest, MotionCellsShowTheirSunkenEdges)
{
    for (int row = 0; row < 18; ++row)
        std::fill_n(record.motionArea[row], 22, std::uint8_t(0));
    record.motionArea[3][4] = 1;
    record.motionArea[17][21] = 1;
    record.motionArea[5][5] = 2; // only exactly 1 is watched
    open(MotionDetection);
    ASSERT_NE(dialog->previewHandle(), -1);
    tick("chkShowArea");
    const QImage img = frameWhere([](const QImage &i) { return at(i, 64, 48) == Shadow && at(i, 351, 287) == White; });
    // Cell (column 4, row 3): shadow along the top and left, highlight along the bottom and right.
    EXPECT_EQ(at(img, 64, 48), Shadow);
    EXPECT_EQ(at(img, 78, 48), Shadow);
    EXPECT_EQ(at(img, 64, 62), Shadow);
    EXPECT_EQ(at(img, 79, 63), White);
    EXPECT_EQ(at(img, 64, 63), White);
    EXPECT_EQ(at(img, 79, 48), White);
    EXPECT_EQ(at(img, 336, 272), Shadow);
    EXPECT_EQ(at(img, 351, 287), White);
    // No edge for the cell holding 2.
    EXPECT_FALSE(at(img, 80, 80) == Shadow && at(img, 95, 95) == White);
}

TEST_F(AreaPixelTest, OcclusionEdgeAndGreyMasks)
{
    record.occlusionX = 64;
    record.occlusionY = 64;
    record.occlusionWidth = 128;
    record.occlusionHeight = 96;
    open(OcclusionAlarm);
    tick("chkShowArea");
    // Sunken edge of (32, 32) - (96, 80): outer ring shadow/highlight, inner ring dark/light.
    QImage img = frameWhere([](const QImage &i) { return at(i, 32, 32) == Shadow && at(i, 95, 79) == White; });
    EXPECT_EQ(at(img, 60, 32), Shadow);
    EXPECT_EQ(at(img, 33, 33), DarkShadow);
    EXPECT_EQ(at(img, 60, 79), White);
    EXPECT_EQ(at(img, 94, 60), Light);
    dialog.reset();

    record.maskArea[0] = MaskRect{200, 100, 100, 60}; // (100, 50) - (150, 80)
    record.maskArea[1] = MaskRect{0, 0, 0, 0};
    record.maskArea[2] = MaskRect{600, 500, 200, 200}; // reaches past the picture: clipped
    record.maskArea[3] = MaskRect{0, 0, 0, 0};
    open(VideoMask);
    tick("chkShowArea");
    img = frameWhere([](const QImage &i) { return at(i, 125, 65) == MaskGrey && at(i, 340, 280) == MaskGrey; });
    EXPECT_EQ(at(img, 100, 50), Shadow) << "the shadow line shows on the grey mask";
    EXPECT_EQ(at(img, 149, 79), White);
    EXPECT_EQ(at(img, 101, 51), DarkShadow);
    EXPECT_NE(at(img, 151, 65), MaskGrey);
    EXPECT_NE(at(img, 1, 1), DarkShadow) << "an unset mask draws no corner";
}

TEST_F(AreaPixelTest, DrawnRectanglesShowWhileDrawing)
{
    open(MotionDetection);
    tick("chkSetArea");
    mouse(panel(), QEvent::MouseButtonPress, {37, 42}, Qt::LeftButton, Qt::ControlModifier);
    mouse(panel(), QEvent::MouseMove, {101, 90}, Qt::LeftButton, Qt::ControlModifier);
    const QImage img = frameWhere([](const QImage &i) { return at(i, 32, 32) == Shadow && at(i, 95, 79) == White; });
    EXPECT_EQ(at(img, 32, 78), Shadow);
    EXPECT_EQ(at(img, 94, 79), White);
    // Closing in the middle of the drag is clean (the sanitizer builds watch this).
    dialog->close();
    EXPECT_EQ(dialog->previewHandle(), -1);
}

// Calls to the SDK's draw-callback operation, with the time of each, passed on to the stand-in.
namespace {
struct DrawCall {
    bool install;
    std::int64_t ms;
};
std::vector<DrawCall> g_drawCalls;
QElapsedTimer g_clock;
std::int32_t SDK_CALL recordSetDraw(std::int32_t handle, SdkDrawCallback draw, void *user)
{
    g_drawCalls.push_back({draw != nullptr, g_clock.elapsed()});
    return SdkSetDrawCallback(handle, draw, user);
}
} // namespace

TEST_F(AreaTest, ShowAreaRemovesTheDrawerThenInstallsAfterThePause)
{
    SdkApi api = sdk_api();
    api.setDrawCallback = recordSetDraw;
    sdk_install(api);
    g_drawCalls.clear();
    g_clock.start();
    open(MotionDetection);
    tick("chkShowArea");
    ASSERT_TRUE(waitFor([] { return g_drawCalls.size() >= 2; }));
    ASSERT_EQ(g_drawCalls.size(), 2u);
    EXPECT_FALSE(g_drawCalls[0].install);
    EXPECT_TRUE(g_drawCalls[1].install);
    EXPECT_GE(g_drawCalls[1].ms - g_drawCalls[0].ms, TfrmSetArea::DrawerPauseMs);

    // Switched off within the pause: the display drawer never comes.
    g_drawCalls.clear();
    tick("chkShowArea");                          // off
    tick("chkShowArea");                          // on: remove, pause...
    tick("chkSetArea");                           // ...and off again before the pause ends
    QTest::qWait(2 * TfrmSetArea::DrawerPauseMs); // proves an absence: nothing to wait for
    for (const DrawCall &c : g_drawCalls)
        EXPECT_FALSE(c.install);

    // Closing removes the drawer before the preview stops.
    g_drawCalls.clear();
    dialog->reject();
    ASSERT_FALSE(g_drawCalls.empty());
    EXPECT_FALSE(g_drawCalls.back().install);
    EXPECT_EQ(dialog->previewHandle(), -1);
}

// The stand-in's preview on a bare widget.
class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        login = SdkLogin("sim://channels=2", "", "");
        window.setAttribute(Qt::WA_NativeWindow);
        window.resize(352, 288);
        window.show();
    }
    void TearDown() override { SdkLogout(login); }
    std::int32_t start(int channel)
    {
        const SdkPreviewRequest request{channel, 0, std::uint32_t(window.winId())};
        return SdkStartPreview(login, &request, 0, 0);
    }
    std::int32_t login = -1;
    QWidget window;
};

namespace {
struct SlowDrawer {
    std::atomic<int> calls{0};
    std::atomic<bool> running{false};
    std::atomic<bool> wrongThread{false};
    std::atomic<bool> noPainter{false};
    std::thread::id gui = std::this_thread::get_id();
};
std::int32_t SDK_CALL slowDraw(std::int32_t, intptr_t dc, void *user)
{
    auto &d = *static_cast<SlowDrawer *>(user);
    d.running = true;
    if (std::this_thread::get_id() == d.gui)
        d.wrongThread = true;
    auto *painter = reinterpret_cast<QPainter *>(dc);
    if (!painter || !painter->isActive() || painter->device()->width() != 352 || painter->device()->height() != 288)
        d.noPainter = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ++d.calls;
    d.running = false;
    return 0;
}
} // namespace

TEST_F(PreviewTest, RemovingTheCallbackWaitsForARunningCall)
{
    const std::int32_t handle = start(1);
    ASSERT_NE(handle, -1);
    SlowDrawer drawer;
    SdkSetDrawCallback(handle, slowDraw, &drawer);
    ASSERT_TRUE(waitFor([&] { return drawer.running.load(); }));
    SdkSetDrawCallback(handle, nullptr, nullptr);
    EXPECT_FALSE(drawer.running);
    const int calls = drawer.calls;
    QTest::qWait(200); // proves an absence: no call after removal
    EXPECT_EQ(drawer.calls, calls);
    EXPECT_FALSE(drawer.wrongThread);
    EXPECT_FALSE(drawer.noPainter);
    SdkStopPreview(handle);
}

TEST_F(PreviewTest, FramesKeepComingAndStopLeavesTheWindowAsItWas)
{
    const auto childrenBefore = childrenOf(window);
    const std::int32_t handle = start(0);
    ASSERT_NE(handle, -1);
    SlowDrawer drawer; // 30 ms a call still keeps up with 25 frames a second
    SdkSetDrawCallback(handle, slowDraw, &drawer);
    // A moving picture: two shown frames differ.
    QImage first;
    ASSERT_TRUE(waitFor([&] { return drawer.calls > 2 && !(first = window.grab().toImage()).isNull(); }));
    ASSERT_TRUE(waitFor([&] { return window.grab().toImage() != first; }));
    SdkSetDrawCallback(handle, nullptr, nullptr);
    EXPECT_EQ(SdkStopPreview(handle), 1);
    EXPECT_EQ(childrenOf(window), childrenBefore);
    EXPECT_EQ(SdkStopPreview(handle), 0);
    EXPECT_EQ(SdkSetDrawCallback(handle, slowDraw, &drawer), 0);
}

TEST_F(PreviewTest, UnknownChannelWindowOrSessionIsRefused)
{
    EXPECT_EQ(start(2), -1);
    EXPECT_EQ(start(-1), -1);
    const SdkPreviewRequest noWindow{0, 0, 0x7FFFFFF0u};
    EXPECT_EQ(SdkStartPreview(login, &noWindow, 0, 0), -1);
    const SdkPreviewRequest request{0, 0, std::uint32_t(window.winId())};
    EXPECT_EQ(SdkStartPreview(login + 1000, &request, 0, 0), -1);
    EXPECT_EQ(SdkStartPreview(login, nullptr, 0, 0), -1);
}

namespace {
// Marks each frame with the number of its call in the top-left corner: red and green bytes, blue
// a tag that tells a numbered frame from the scene's own picture.
constexpr int NumberTag = 0xA5;
std::int32_t SDK_CALL numberFrame(std::int32_t, intptr_t dc, void *user)
{
    const int n = ++*static_cast<std::atomic<int> *>(user);
    reinterpret_cast<QPainter *>(dc)->fillRect(QRect(0, 0, 8, 8), QColor(n & 0xFF, (n >> 8) & 0xFF, NumberTag));
    return 0;
}
// -1 when the window shows no numbered frame.
int frameNumberShown(QWidget &window)
{
    const QRgb corner = window.grab().toImage().pixel(2, 2);
    return qBlue(corner) == NumberTag ? qRed(corner) | qGreen(corner) << 8 : -1;
}
} // namespace

TEST_F(PreviewTest, AGuiThreadThatFallsBehindGetsTheNewestFrame)
{
    const std::int32_t handle = start(0);
    ASSERT_NE(handle, -1);
    std::atomic<int> calls{0};
    SdkSetDrawCallback(handle, numberFrame, &calls);
    ASSERT_TRUE(waitFor([&] { return calls >= 2 && frameNumberShown(window) >= 1; }));
    const int before = calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(400)); // the GUI thread is busy elsewhere
    const int latest = calls;
    ASSERT_GE(latest - before, 3); // frames were made meanwhile, so some had to be dropped
    QCoreApplication::processEvents();
    // The frame of the call before the latest has surely been handed over; older ones are gone.
    EXPECT_GE(frameNumberShown(window), latest - 1);
    SdkSetDrawCallback(handle, nullptr, nullptr);
    EXPECT_EQ(SdkStopPreview(handle), 1);
}

TEST_F(PreviewTest, StopFromAnotherThreadTakesThePictureAwayOnTheGuiThread)
{
    const auto childrenBefore = childrenOf(window);
    const std::int32_t handle = start(1);
    ASSERT_NE(handle, -1);
    ASSERT_TRUE(waitFor([&] { return childrenOf(window) != childrenBefore; }));
    std::int32_t stopped = -1;
    std::thread([&] { stopped = SdkStopPreview(handle); }).join();
    EXPECT_EQ(stopped, 1);
    EXPECT_TRUE(waitFor([&] { return childrenOf(window) == childrenBefore; }));
    EXPECT_EQ(SdkStopPreview(handle), 0);
}

// Video from a dvr-simulator process over loopback TCP.
class RemotePreviewTest : public PreviewTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sdk_load());
        ASSERT_TRUE(server.start({QStringLiteral("--device"), QStringLiteral("channels=2")}));
        login = SdkLogin(server.address().c_str(), "admin", "12345");
        ASSERT_GE(login, 0);
        window.setAttribute(Qt::WA_NativeWindow);
        window.resize(352, 288);
        window.show();
    }
    SimServerProcess server;
};

TEST_F(RemotePreviewTest, FramesArriveAndTheCallbackPaintsOnThem)
{
    const auto childrenBefore = childrenOf(window);
    const std::int32_t handle = start(1);
    ASSERT_NE(handle, -1);
    SlowDrawer drawer;
    SdkSetDrawCallback(handle, slowDraw, &drawer);
    QImage first;
    ASSERT_TRUE(waitFor([&] { return drawer.calls > 2 && !(first = window.grab().toImage()).isNull(); }));
    ASSERT_TRUE(waitFor([&] { return window.grab().toImage() != first; }));
    SdkSetDrawCallback(handle, nullptr, nullptr);
    EXPECT_FALSE(drawer.wrongThread);
    EXPECT_FALSE(drawer.noPainter);
    EXPECT_EQ(SdkStopPreview(handle), 1);
    EXPECT_EQ(childrenOf(window), childrenBefore);
}

TEST_F(RemotePreviewTest, RefusedChannelAndDroppedVideoEndThePicture)
{
    EXPECT_EQ(start(2), -1);
    const auto childrenBefore = childrenOf(window);
    const std::int32_t handle = start(0);
    ASSERT_NE(handle, -1);
    ASSERT_TRUE(waitFor([&] { return childrenOf(window) != childrenBefore; }));
    // A reboot drops every connection of the recorder, the video's too.
    ASSERT_EQ(server.control("reboot 0"), "ok");
    EXPECT_TRUE(waitFor([&] { return childrenOf(window) == childrenBefore; }));
    QElapsedTimer stopping;
    stopping.start();
    EXPECT_EQ(SdkStopPreview(handle), 1);
    EXPECT_LT(stopping.elapsed(), 1000);
}

TEST_F(RemotePreviewTest, AreaEditorShowsMotionCellsOverTheRecordersVideo)
{
    ChannelPictureRecord record{};
    record.motionArea[2][3] = 1;
    TfrmSetArea dialog(nullptr, 1, login, MotionDetection, &record);
    dialog.show();
    ASSERT_NE(dialog.previewHandle(), -1);
    press(dialog, "chkShowArea");
    auto *panel = child<QWidget>(&dialog, QStringLiteral("pnlSetArea"));
    EXPECT_TRUE(waitFor(
        [&] {
            const QImage img = panel->grab().toImage();
            return (img.pixel(48, 32) & 0xFFFFFF) == 0xA6A6A6 && (img.pixel(63, 47) & 0xFFFFFF) == 0xFFFFFF;
        },
        10000));
    dialog.close();
    EXPECT_EQ(dialog.previewHandle(), -1);
}
