#pragma once
// Alarm page: alarm inputs, alarm outputs and exception handling.
#include "shell/configpage.h"

#include <memory>

namespace Ui {
class AlarmPage;
}

class AlarmPage final : public ConfigPage {
public:
    explicit AlarmPage(const PageContext &context);
    ~AlarmPage() override;

    void fill() override;
    bool collect() override { return true; }
    void queueRefresh() override;
    bool queueSave(bool &restart) override;

private:
    void renewBaselines();
    std::unique_ptr<Ui::AlarmPage> ui_;
};
