#pragma once
// Disk page: disks and disk groups, on recorders that have them.
#include "shell/configpage.h"

#include <memory>

namespace Ui {
class DiskPage;
}

class DiskPage final : public ConfigPage {
public:
    explicit DiskPage(const PageContext &context);
    ~DiskPage() override;

    void fill() override;
    bool collect() override { return true; }
    void queueRefresh() override;
    bool queueSave(bool &restart) override;

private:
    void renewBaselines();
    std::unique_ptr<Ui::DiskPage> ui_;
};
