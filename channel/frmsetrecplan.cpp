#include "channel/frmsetrecplan.h"

#include "ui_frmsetrecplan.h"

TfrmSetRecPlan::TfrmSetRecPlan(QWidget *owner, ChannelRecordingRecord *record)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetRecPlan>())
{
    ui_->setupUi(this);
    (void)record;
}

TfrmSetRecPlan::~TfrmSetRecPlan() = default;
