#pragma once
// Disk page: disks and disk groups, on recorders that have them.
#include "shell/configpage.h"
#include "shell/dvrrecords.h"

class DiskPage final : public ConfigPage {
public:
    explicit DiskPage(DvrRecords &records) : r_(records) {}
    void fill() override;
    bool collect() override { return true; }
    void queueRefresh(std::int32_t login) override;
    bool queueSave(std::int32_t login, bool &restart) override;

private:
    void renewBaselines();
    DvrRecords &r_;
};
