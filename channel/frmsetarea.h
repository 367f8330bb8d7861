#pragma once
// Detection area editor over live video: motion cells, occlusion rectangle and privacy masks.
#include "channel/channelrecords.h"
#include "sdk/quellport.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

class QMouseEvent;
class QTimer;
namespace Ui {
class TfrmSetArea;
}

namespace area {

constexpr int PanelWidth = 352;
constexpr int PanelHeight = 288;
constexpr int CellSize = 16;
constexpr int CellColumns = PanelWidth / CellSize; // 22
constexpr int CellRows = PanelHeight / CellSize;   // 18
constexpr int MaxRectangles = 10;

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// What the drawers read on the SDK's thread while the dialog changes it on its own: the
// rectangles, their count and the record, every access under `lock`. The dialog never calls the
// SDK while holding it, since removing a drawer waits for a drawer that is running.
struct Drawing {
    std::mutex lock;
    ChannelPictureRecord *record = nullptr;
    std::array<Rect, MaxRectangles> cells{};
    std::array<Rect, MaxRectangles> drawn{};
    int count = 0;
};

// The drawers, with a Drawing as user pointer and the SDK's device context.
std::int32_t SDK_CALL drawMotionCells(std::int32_t preview, intptr_t dc, void *drawing);
std::int32_t SDK_CALL drawOcclusion(std::int32_t preview, intptr_t dc, void *drawing);
std::int32_t SDK_CALL drawMasks(std::int32_t preview, intptr_t dc, void *drawing);
std::int32_t SDK_CALL drawDrawnRectangles(std::int32_t preview, intptr_t dc, void *drawing);

} // namespace area

class TfrmSetArea final : public QDialog {
    Q_OBJECT
public:
    // The record is not owned; OK writes into it directly.
    TfrmSetArea(QWidget *owner, int channelPosition, std::int32_t login, int kind, ChannelPictureRecord *record);
    ~TfrmSetArea() override;

    // Pause between removing a drawer and installing a display drawer.
    static constexpr int DrawerPauseMs = 200;

    std::int32_t previewHandle() const { return preview_; }

    // Handlers.
    void FormCreate();
    void chkShowAreaMouseUp();
    void chkSetAreaMouseUp();
    void pnlSetAreaMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void pnlSetAreaMouseMove(Qt::KeyboardModifiers modifiers, int x, int y);
    void pnlSetAreaMouseUp();
    void btnOKClick();
    void btnCancelClick();
    void FormClose();

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int rectangleLimit() const;
    void removeDrawer();
    void installDisplayDrawer();
    void writeSensitivity();
    void writeArea();

    std::unique_ptr<Ui::TfrmSetArea> ui_;
    QTimer *tmrDrawer_ = nullptr; // the pause before a display drawer
    std::int32_t login_;
    int channelPosition_;
    int kind_;
    std::int32_t preview_ = -1;
    bool sensitivityMoved_ = false; // the operator moved the track bar
    bool showFlag_ = false;
    bool setFlag_ = false;
    bool dragFlag_ = false;
    area::Drawing drawing_;
};
