#pragma once
// Recording schedule editor: the weekly recording plan of one channel, edited in place.
#include <QDialog>

#include <memory>

namespace Ui {
class TfrmSetRecPlan;
}

class TfrmSetRecPlan final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetRecPlan(QWidget *owner);
    ~TfrmSetRecPlan() override;

private:
    std::unique_ptr<Ui::TfrmSetRecPlan> ui_;
};
