#include "device/diskpage.h"

#include "command/Configfuc.h"
#include "command/commandtypes.h"
#include "shell/pagehelpers.h"

void DiskPage::fill() { renewBaselines(); }

void DiskPage::renewBaselines()
{
    r_.diskBaseline = r_.disk;
    r_.diskGroupBaseline = r_.diskGroup;
}

void DiskPage::queueRefresh(std::int32_t login)
{
    if (!hasDiskRecords(r_.deviceType()))
        return;
    config_queue_get(login, cmd::Disk, 0, &r_.disk);
    config_queue_get(login, cmd::DiskGroup, 0, &r_.diskGroup);
}

// Devices without disk records save nothing and show nothing.
bool DiskPage::queueSave(std::int32_t login, bool &restart)
{
    if (!hasDiskRecords(r_.deviceType()))
        return false;
    if (recordsDiffer(r_.disk, r_.diskBaseline) || recordsDiffer(r_.diskGroup, r_.diskGroupBaseline)) {
        renewBaselines();
        restart = true;
    }
    config_queue_set(login, cmd::set(cmd::Disk), 0, &r_.disk);
    config_queue_set(login, cmd::set(cmd::DiskGroup), 0, &r_.diskGroup);
    return true;
}
