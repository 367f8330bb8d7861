#include "device/diskpage.h"

#include "command/typedcommands.h"
#include "shell/pagehelpers.h"

#include "ui_diskpage.h"

DiskPage::DiskPage(const PageContext &context) : ConfigPage(context), ui_(std::make_unique<Ui::DiskPage>())
{
    ui_->setupUi(this);
}

DiskPage::~DiskPage() = default;

void DiskPage::fill() { renewBaselines(); }

void DiskPage::renewBaselines()
{
    r_.diskBaseline = r_.disk;
    r_.diskGroupBaseline = r_.diskGroup;
}

void DiskPage::queueRefresh()
{
    if (!hasDiskRecords(r_.deviceType()))
        return;
    queueGet(login(), 0, r_.disk);
    queueGet(login(), 0, r_.diskGroup);
}

// Devices without disk records save nothing and show nothing.
bool DiskPage::queueSave(bool &restart)
{
    if (!hasDiskRecords(r_.deviceType()))
        return false;
    if (recordsDiffer(r_.disk, r_.diskBaseline) || recordsDiffer(r_.diskGroup, r_.diskGroupBaseline)) {
        renewBaselines();
        restart = true;
    }
    queueSet(login(), 0, r_.disk);
    queueSet(login(), 0, r_.diskGroup);
    return true;
}
