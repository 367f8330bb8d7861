#pragma once
// Detection area editor over live video: motion cells, occlusion rectangle and privacy masks.
#include <QDialog>

#include <memory>

namespace Ui {
class TfrmSetArea;
}

class TfrmSetArea final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetArea(QWidget *owner);
    ~TfrmSetArea() override;

private:
    std::unique_ptr<Ui::TfrmSetArea> ui_;
};
