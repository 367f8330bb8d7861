#pragma once
// Network page: IP server, PPPoE, DNS and NTP; NFS and dynamic DNS are shown only.
#include "shell/configpage.h"
#include "shell/dvrrecords.h"

class NetworkPage final : public ConfigPage {
public:
    explicit NetworkPage(DvrRecords &records) : r_(records) {}
    void fill() override;
    bool collect() override { return true; }
    void queueRefresh(std::int32_t login) override;
    bool queueSave(std::int32_t login, bool &restart) override;

private:
    void renewBaselines();
    DvrRecords &r_;
};
