#include "channel/frmsetrecplan.h"

#include "ui_frmsetrecplan.h"

TfrmSetRecPlan::TfrmSetRecPlan(QWidget *owner) : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetRecPlan>())
{
    ui_->setupUi(this);
}

TfrmSetRecPlan::~TfrmSetRecPlan() = default;
