#include "device/networkpage.h"

#include "command/Configfuc.h"
#include "command/commandtypes.h"
#include "shell/pagehelpers.h"

void NetworkPage::fill() { renewBaselines(); }

void NetworkPage::renewBaselines()
{
    r_.networkBaseline = r_.network;
    r_.nfsBaseline = r_.nfs;
    r_.dnsNtpBaseline = r_.dnsNtp;
    r_.ddnsBaseline = r_.ddns;
}

void NetworkPage::queueRefresh(std::int32_t login)
{
    if (!isHighDefinitionType(r_.deviceType()))
        config_queue_get(login, cmd::DnsNtp, 0, &r_.dnsNtp);
}

bool NetworkPage::queueSave(std::int32_t login, bool &restart)
{
    if (recordsDiffer(r_.network, r_.networkBaseline) || recordsDiffer(r_.nfs, r_.nfsBaseline) ||
        recordsDiffer(r_.dnsNtp, r_.dnsNtpBaseline) || recordsDiffer(r_.ddns, r_.ddnsBaseline)) {
        renewBaselines();
        restart = true;
    }
    config_queue_set(login, cmd::set(cmd::Network), 0, &r_.network);
    if (!isHighDefinitionType(r_.deviceType()))
        config_queue_set(login, cmd::set(cmd::DnsNtp), 0, &r_.dnsNtp);
    return true;
}
