#pragma once
// Disk page: disks with their attribute and group, and the channels of each disk group, on
// recorders that have them. Edits go straight into the records; the save sends them as they are.
#include "shell/configpage.h"

#include <QString>

#include <memory>

class QButtonGroup;
struct DiskEntry;

namespace Ui {
class DiskPage;
}

class DiskPage final : public ConfigPage {
public:
    explicit DiskPage(const PageContext &context);
    ~DiskPage() override;

    void fill() override { FillDiskPage(); }
    bool collect() override;
    // The disk page's own rule: a device without disk records saves nothing and shows nothing.
    bool queueSave(bool &restart) override;

    void FillDiskPage();
    void lvDiskMsgClick();
    void rgDiskAttributeClick();
    void cbbDiskNumberChange();
    void cbbDiskGroupClick();
    void cbbGroupNumChange();
    void chklstChannelClick(int item);

    static QString diskStatusText(std::uint32_t status);
    static QString diskAttributeText(std::uint32_t attribute);

private:
    // The entry of the disk number in cbbDiskNumber; null when it names none of the 33 entries.
    DiskEntry *selectedDisk() const;
    void showAttribute(int index);

    std::unique_ptr<Ui::DiskPage> ui_;
    QButtonGroup *rgDiskAttribute_;
};
