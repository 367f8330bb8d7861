#include "channel/frmsetarea.h"

#include "ui_frmsetarea.h"

TfrmSetArea::TfrmSetArea(QWidget *owner) : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetArea>())
{
    ui_->setupUi(this);
}

TfrmSetArea::~TfrmSetArea() = default;
