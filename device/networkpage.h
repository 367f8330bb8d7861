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

    void fill() override { FillNetworkPage(); }
    bool collect() override { return CollectNetworkPage(); }
    std::vector<NormalisedBytes> normalisedBytes() const override;

    void FillNetworkPage();
    bool CollectNetworkPage();

    // Enabling rules of the drop-down lists, and the NFS entry shown for the chosen disk.
    void cbbUseNTPChange();
    void cbbPPPoEChange();
    void cbbUseDDNSChange();
    void cbbNFSDiskChange();
    // Opens the e-mail settings editor on the dialog's e-mail record.
    void btnEmailClick();

private:
    std::unique_ptr<Ui::NetworkPage> ui_;
};
