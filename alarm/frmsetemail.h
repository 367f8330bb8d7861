#pragma once
// E-mail notification editor: the device's e-mail settings, edited in place.
#include <QDialog>

#include <memory>

namespace Ui {
class TfrmSetEmail;
}

class TfrmSetEmail final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetEmail(QWidget *owner);
    ~TfrmSetEmail() override;

private:
    std::unique_ptr<Ui::TfrmSetEmail> ui_;
};
