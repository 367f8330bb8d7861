#include "alarm/frmsetemail.h"

#include "ui_frmsetemail.h"

TfrmSetEmail::TfrmSetEmail(QWidget *owner, EmailRecord *record)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetEmail>())
{
    ui_->setupUi(this);
    (void)record;
}

TfrmSetEmail::~TfrmSetEmail() = default;
