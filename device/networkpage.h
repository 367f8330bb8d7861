#pragma once
// Network page: IP server, PPPoE, DNS and NTP; NFS and dynamic DNS are shown only.
#include "shell/configpage.h"

#include <memory>

namespace Ui {
class NetworkPage;
}

class NetworkPage final : public ConfigPage {
public:
    explicit NetworkPage(const PageContext &context);
    ~NetworkPage() override;

    void fill() override;
    bool collect() override { return true; }
    void queueRefresh() override;
    bool queueSave(bool &restart) override;

private:
    void renewBaselines();
    std::unique_ptr<Ui::NetworkPage> ui_;
};
