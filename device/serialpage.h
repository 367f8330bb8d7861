#pragma once
// Serial page: the RS232 port and the per-channel RS485 decoders.
#include "shell/configpage.h"
#include "shell/dvrrecords.h"

class SerialPage final : public ConfigPage {
public:
    explicit SerialPage(DvrRecords &records) : r_(records) {}
    void fill() override {}
    bool collect() override { return true; }
    void queueRefresh(std::int32_t login) override;
    bool queueSave(std::int32_t login, bool &restart) override;

private:
    DvrRecords &r_;
};
