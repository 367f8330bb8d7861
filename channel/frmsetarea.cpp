#include "channel/frmsetarea.h"

#include "command/sdkapi.h"
#include "shell/notifier.h"

#include "ui_frmsetarea.h"

#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

using namespace area;

namespace {

constexpr std::uint8_t SensitivityOff = 0xFF;

// Panel point to the cell grid: the pointer's hot spot offset, clamped to the panel, so no
// coordinate ever leaves the picture.
int snapX(int x) { return std::clamp(x - 5, 0, PanelWidth) / CellSize * CellSize; }
int snapY(int y) { return std::clamp(y - 10, 0, PanelHeight) / CellSize * CellSize; }

MaskRect stored(const Rect &drawn)
{
    const Rect r = ordered(drawn);
    return MaskRect{std::uint16_t(StoredScale * r.left), std::uint16_t(StoredScale * r.top),
                    std::uint16_t(StoredScale * (r.right - r.left)), std::uint16_t(StoredScale * (r.bottom - r.top))};
}

} // namespace

TfrmSetArea::TfrmSetArea(QWidget *owner, int channelPosition, std::int32_t login, int kind,
                         ChannelPictureRecord *record)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetArea>()), login_(login), channelPosition_(channelPosition),
      kind_(kind)
{
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    drawing_.record = record;

    tmrDrawer_ = new QTimer(this);
    tmrDrawer_->setObjectName(QStringLiteral("tmrDrawer"));
    tmrDrawer_->setSingleShot(true);
    tmrDrawer_->setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5% early
    tmrDrawer_->setInterval(DrawerPauseMs);
    connect(tmrDrawer_, &QTimer::timeout, this, &TfrmSetArea::installDisplayDrawer);

    ui_->pnlSetArea->installEventFilter(this);
    connect(ui_->chkShowArea, &QCheckBox::clicked, this, &TfrmSetArea::chkShowAreaMouseUp);
    connect(ui_->chkSetArea, &QCheckBox::clicked, this, &TfrmSetArea::chkSetAreaMouseUp);
    connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmSetArea::btnOKClick);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmSetArea::btnCancelClick);
    FormCreate();
}

TfrmSetArea::~TfrmSetArea()
{
    // A dialog destroyed without being closed still lets go of the video before its drawers'
    // data goes.
    FormClose();
}

int TfrmSetArea::rectangleLimit() const
{
    switch (kind_) {
    case MotionDetection: return MaxRectangles;
    case OcclusionAlarm: return 1;
    default: return 4;
    }
}

void TfrmSetArea::FormCreate()
{
    QSlider *trbSen = ui_->trbSen;
    switch (kind_) {
    case MotionDetection: {
        setWindowTitle(windowTitle() + QStringLiteral("－移动侦测"));
        trbSen->setMaximum(6);
        const std::uint8_t s = drawing_.record->motionSensitivity;
        trbSen->setValue(s == SensitivityOff ? 0 : s + 1);
        break;
    }
    case OcclusionAlarm:
        setWindowTitle(windowTitle() + QStringLiteral("－遮挡报警"));
        trbSen->setMaximum(3);
        trbSen->setValue(int(std::min<std::uint32_t>(drawing_.record->occlusionLevel, 3)));
        break;
    case VideoMask:
        setWindowTitle(windowTitle() + QStringLiteral("－视频遮盖"));
        for (QWidget *w : {static_cast<QWidget *>(trbSen), static_cast<QWidget *>(ui_->lblSen),
                           static_cast<QWidget *>(ui_->lblSub), static_cast<QWidget *>(ui_->lblAdd)})
            w->setEnabled(false);
        break;
    default: break;
    }
    // Any move by the operator counts, also one that ends where the bar started.
    connect(trbSen, &QAbstractSlider::actionTriggered, this, [this] { sensitivityMoved_ = true; });

    // The SDK shows the video in a window of its own handle; outside Windows that is the WId of
    // a native panel.
    ui_->pnlSetArea->setAttribute(Qt::WA_NativeWindow);
    const SdkPreviewRequest request{channelPosition_, 0, std::uint32_t(ui_->pnlSetArea->winId())};
    const SdkApi &sdk = sdk_api();
    preview_ = sdk.startPreview ? sdk.startPreview(login_, &request, 0, 0) : -1;
    if (preview_ == -1)
        showMessage(this, QStringLiteral("视频预览失败!"));
}

void TfrmSetArea::removeDrawer()
{
    tmrDrawer_->stop();
    if (preview_ != -1)
        sdk_api().setDrawCallback(preview_, nullptr, nullptr);
}

void TfrmSetArea::installDisplayDrawer()
{
    if (preview_ == -1 || !showFlag_)
        return;
    SdkDrawCallback drawer = kind_ == MotionDetection  ? drawMotionCells
                             : kind_ == OcclusionAlarm ? drawOcclusion
                                                       : drawMasks;
    sdk_api().setDrawCallback(preview_, drawer, &drawing_);
}

void TfrmSetArea::chkShowAreaMouseUp()
{
    ui_->chkSetArea->setChecked(false);
    setFlag_ = false;
    showFlag_ = ui_->chkShowArea->isChecked();
    if (preview_ == -1)
        return;
    removeDrawer();
    // The display drawer follows after a pause, without holding up the dialog meanwhile.
    if (showFlag_)
        tmrDrawer_->start();
}

void TfrmSetArea::chkSetAreaMouseUp()
{
    ui_->chkShowArea->setChecked(false);
    showFlag_ = false;
    setFlag_ = ui_->chkSetArea->isChecked();
    {
        std::lock_guard lock(drawing_.lock);
        drawing_.cells.fill(Rect{});
        drawing_.drawn.fill(Rect{});
    }
    if (preview_ != -1)
        removeDrawer();
}

void TfrmSetArea::pnlSetAreaMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y)
{
    if (!setFlag_ || !(modifiers & Qt::ControlModifier) || button != Qt::LeftButton)
        return;
    dragFlag_ = true;
    if (preview_ != -1) {
        tmrDrawer_->stop();
        sdk_api().setDrawCallback(preview_, drawDrawnRectangles, &drawing_);
    }
    const int gx = snapX(x);
    const int gy = snapY(y);
    std::lock_guard lock(drawing_.lock);
    if (drawing_.count >= rectangleLimit())
        drawing_.count = 0; // the next rectangle overwrites the first
    const auto n = std::size_t(drawing_.count);
    drawing_.cells[n] = Rect{gx, gy, gx, gy};
    drawing_.drawn[n] = Rect{gx, gy, gx + 1, gy + 1};
    ++drawing_.count;
}

void TfrmSetArea::pnlSetAreaMouseMove(Qt::KeyboardModifiers modifiers, int x, int y)
{
    if (!setFlag_ || !(modifiers & Qt::ControlModifier) || !dragFlag_)
        return;
    const int gx = snapX(x);
    const int gy = snapY(y);
    std::lock_guard lock(drawing_.lock);
    if (drawing_.count <= 0)
        return;
    const auto n = std::size_t(drawing_.count - 1);
    drawing_.cells[n].right = drawing_.drawn[n].right = gx;
    drawing_.cells[n].bottom = drawing_.drawn[n].bottom = gy;
}

void TfrmSetArea::pnlSetAreaMouseUp() { dragFlag_ = false; }

bool TfrmSetArea::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui_->pnlSetArea) {
        switch (event->type()) {
        // A quick second press arrives as a double-click; it starts a rectangle all the same.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto *e = static_cast<QMouseEvent *>(event);
            const QPoint p = e->position().toPoint();
            pnlSetAreaMouseDown(e->button(), e->modifiers(), p.x(), p.y());
            return true;
        }
        case QEvent::MouseMove: {
            const auto *e = static_cast<QMouseEvent *>(event);
            const QPoint p = e->position().toPoint();
            pnlSetAreaMouseMove(e->modifiers(), p.x(), p.y());
            return true;
        }
        case QEvent::MouseButtonRelease: pnlSetAreaMouseUp(); return true;
        default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSetArea::writeSensitivity()
{
    // A bar the operator never moved keeps the stored value, also one the track bar cannot show.
    if (!sensitivityMoved_)
        return;
    const int position = ui_->trbSen->value();
    ChannelPictureRecord &r = *drawing_.record;
    if (kind_ == MotionDetection)
        r.motionSensitivity = position == 0 ? SensitivityOff : std::uint8_t(position - 1);
    else if (kind_ == OcclusionAlarm)
        r.occlusionLevel = std::uint32_t(position);
}

void TfrmSetArea::writeArea()
{
    ChannelPictureRecord &r = *drawing_.record;
    const int count = std::clamp(drawing_.count, 0, MaxRectangles);
    if (kind_ == MotionDetection) {
        for (int row = 0; row < CellRows; ++row)
            std::fill_n(r.motionArea[row], CellColumns, std::uint8_t(0));
        for (int i = 0; i < count; ++i) {
            const Rect &c = drawing_.cells[std::size_t(i)];
            const int rowEnd = std::min(std::max(c.top, c.bottom) / CellSize, CellRows);
            const int colEnd = std::min(std::max(c.left, c.right) / CellSize, CellColumns);
            for (int row = std::max(std::min(c.top, c.bottom) / CellSize, 0); row < rowEnd; ++row)
                for (int col = std::max(std::min(c.left, c.right) / CellSize, 0); col < colEnd; ++col)
                    r.motionArea[row][col] = 1;
        }
    } else if (kind_ == OcclusionAlarm) {
        const MaskRect m = stored(drawing_.drawn[0]);
        r.occlusionX = m.x;
        r.occlusionY = m.y;
        r.occlusionWidth = m.width;
        r.occlusionHeight = m.height;
    } else if (kind_ == VideoMask) {
        for (std::size_t k = 0; k < 4; ++k)
            r.maskArea[k] = stored(drawing_.drawn[k]);
    }
}

void TfrmSetArea::btnOKClick()
{
    {
        std::lock_guard lock(drawing_.lock);
        writeSensitivity();
        if (setFlag_)
            writeArea();
    }
    accept();
}

void TfrmSetArea::btnCancelClick() { reject(); }

void TfrmSetArea::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TfrmSetArea::FormClose()
{
    tmrDrawer_->stop();
    if (preview_ == -1)
        return;
    const SdkApi &sdk = sdk_api();
    // Removing the drawer waits for one that is running, so none runs once the preview stops.
    sdk.setDrawCallback(preview_, nullptr, nullptr);
    sdk.stopPreview(preview_);
    preview_ = -1;
}
