#pragma once
// E-mail notification editor: the device's e-mail settings, edited in place.
#include "alarm/emailrecord.h"

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {
class TfrmSetEmail;
}

class TfrmSetEmail final : public QDialog {
    Q_OBJECT
public:
    TfrmSetEmail(QWidget *owner, EmailRecord *record);
    ~TfrmSetEmail() override;

private:
    std::unique_ptr<Ui::TfrmSetEmail> ui_;
};
