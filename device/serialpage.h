#pragma once
// Serial page: the RS232 port and the per-channel RS485 decoders.
#include "shell/configpage.h"

#include <memory>

namespace Ui {
class SerialPage;
}

class SerialPage final : public ConfigPage {
public:
    explicit SerialPage(const PageContext &context);
    ~SerialPage() override;

    void fill() override {}
    bool collect() override { return true; }
    void queueRefresh() override;
    bool queueSave(bool &restart) override;

private:
    std::unique_ptr<Ui::SerialPage> ui_;
};
