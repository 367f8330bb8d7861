#pragma once
// The "其他功能" sheet: disk formatting that the dialog never offers. The sheet stays hidden and its
// button is connected to nothing, so it is no ConfigPage: nothing fills or saves it.
#include <QWidget>

#include <memory>

namespace Ui {
class OtherPage;
}

class OtherPage final : public QWidget {
public:
    explicit OtherPage(QWidget *parent = nullptr);
    ~OtherPage() override;

private:
    std::unique_ptr<Ui::OtherPage> ui_;
};
