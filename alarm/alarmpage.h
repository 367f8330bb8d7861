#pragma once
// Alarm page: alarm inputs, alarm outputs and exception handling.
#include "shell/configpage.h"
#include "shell/dvrrecords.h"

class AlarmPage final : public ConfigPage {
public:
    explicit AlarmPage(DvrRecords &records) : r_(records) {}
    void fill() override;
    bool collect() override { return true; }
    void queueRefresh(std::int32_t login) override;
    bool queueSave(std::int32_t login, bool &restart) override;

private:
    void renewBaselines();
    DvrRecords &r_;
};
