#include "device/networkpage.h"

#include "command/typedcommands.h"
#include "shell/pagehelpers.h"

#include "ui_networkpage.h"

NetworkPage::NetworkPage(const PageContext &context) : ConfigPage(context), ui_(std::make_unique<Ui::NetworkPage>())
{
    ui_->setupUi(this);
}

NetworkPage::~NetworkPage() = default;

void NetworkPage::fill() { renewBaselines(); }

void NetworkPage::renewBaselines()
{
    r_.networkBaseline = r_.network;
    r_.nfsBaseline = r_.nfs;
    r_.dnsNtpBaseline = r_.dnsNtp;
    r_.ddnsBaseline = r_.ddns;
}

void NetworkPage::queueRefresh()
{
    if (!isHighDefinitionType(r_.deviceType()))
        queueGet(login(), 0, r_.dnsNtp);
}

bool NetworkPage::queueSave(bool &restart)
{
    if (recordsDiffer(r_.network, r_.networkBaseline) || recordsDiffer(r_.nfs, r_.nfsBaseline) ||
        recordsDiffer(r_.dnsNtp, r_.dnsNtpBaseline) || recordsDiffer(r_.ddns, r_.ddnsBaseline)) {
        renewBaselines();
        restart = true;
    }
    queueSet(login(), 0, r_.network);
    if (!isHighDefinitionType(r_.deviceType()))
        queueSet(login(), 0, r_.dnsNtp);
    return true;
}
