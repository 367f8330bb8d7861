#pragma once
// Detection area editor over live video: motion cells, occlusion rectangle and privacy masks.
#include "channel/areadrawers.h"
#include "sdk/quellport.h"

#include <QDialog>

#include <cstdint>
#include <memory>

class QMouseEvent;
class QTimer;
namespace Ui {
class TfrmSetArea;
}

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
