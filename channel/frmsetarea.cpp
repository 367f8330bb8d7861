#include "channel/frmsetarea.h"

#include "ui_frmsetarea.h"

TfrmSetArea::TfrmSetArea(QWidget *owner, int channelPosition, std::int32_t login, int kind,
                         ChannelPictureRecord *record)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetArea>())
{
    ui_->setupUi(this);
    (void)channelPosition;
    (void)login;
    (void)kind;
    (void)record;
}

TfrmSetArea::~TfrmSetArea() = default;
