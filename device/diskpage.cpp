#include "device/diskpage.h"

#include "shell/notifier.h"
#include "shell/pagehelpers.h"

#include "ui_diskpage.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

namespace {

// Columns of lvDiskMsg.
enum DiskColumn { ColName, ColCapacity, ColFree, ColStatus, ColGroup, ColAttribute, ColumnCount };

// A decimal number shown in a control; -1 when the text is not a non-negative number.
long long decimalOf(const QString &text)
{
    bool ok = false;
    const long long value = text.toLongLong(&ok, 10);
    return ok && value >= 0 ? value : -1;
}

void addCheckItem(QListWidget *list, const QString &text)
{
    auto *item = new QListWidgetItem(text, list);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(Qt::Unchecked);
    item->setSizeHint(list->gridSize()); // centred in its cell, clear of the list's frame
}

} // namespace

DiskPage::DiskPage(const PageContext &context)
    : ConfigPage(context, model::DiskPage), ui_(std::make_unique<Ui::DiskPage>()),
      rgDiskAttribute_(new QButtonGroup(this))
{
    ui_->setupUi(this);
    rgDiskAttribute_->setObjectName(QStringLiteral("rgDiskAttributeIndex"));
    rgDiskAttribute_->addButton(ui_->rbDiskAttribute0, 0);
    rgDiskAttribute_->addButton(ui_->rbDiskAttribute1, 1);
    rgDiskAttribute_->addButton(ui_->rbDiskAttribute2, 2);
    QTableWidget *lv = ui_->lvDiskMsg;
    lv->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lv->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    lv->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lv->verticalHeader()->setDefaultSectionSize(lv->fontMetrics().height() + 6);
    ui_->cbbDiskGroup->setCurrentIndex(-1);

    // Five columns of check items, wide enough for "第16通道".
    QListWidget *list = ui_->chklstChannel;
    const QFontMetrics metrics(list->font());
    const int indicator = list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list);
    const QSize cell(indicator + metrics.horizontalAdvance(QStringLiteral("第16通道")) + 16, metrics.height() + 8);
    list->setGridSize(cell);
    const int frame = 2 * list->frameWidth();
    const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    list->setFixedWidth(5 * cell.width() + frame + scrollBar + 2);
    list->setFixedHeight(4 * cell.height() + frame + 2);

    connect(ui_->lvDiskMsg, &QAbstractItemView::clicked, this, &DiskPage::lvDiskMsgClick);
    connect(rgDiskAttribute_, &QButtonGroup::idClicked, this, &DiskPage::rgDiskAttributeClick);
    connect(ui_->cbbDiskNumber, &QComboBox::activated, this, &DiskPage::cbbDiskNumberChange);
    connect(ui_->cbbDiskNumber->lineEdit(), &QLineEdit::textEdited, this, &DiskPage::cbbDiskNumberChange);
    connect(ui_->cbbDiskGroup, &QComboBox::activated, this, &DiskPage::cbbDiskGroupClick);
    connect(ui_->cbbGroupNum, &QComboBox::activated, this, &DiskPage::cbbGroupNumChange);
    connect(list, &QListWidget::itemChanged, this,
            [this](QListWidgetItem *item) { chklstChannelClick(ui_->chklstChannel->row(item)); });
}

DiskPage::~DiskPage() = default;

QString DiskPage::diskStatusText(std::uint32_t status)
{
    switch (status) {
    case 0: return QStringLiteral("正常");
    case 1: return QStringLiteral("未格式化");
    case 2: return QStringLiteral("错误");
    case 3: return QStringLiteral("SMART状态");
    case 4: return QStringLiteral("不匹配");
    case 5: return QStringLiteral("休眠");
    default: return QStringLiteral("未知");
    }
}

QString DiskPage::diskAttributeText(std::uint32_t attribute)
{
    switch (attribute) {
    case 0: return QStringLiteral("普通");
    case 1: return QStringLiteral("冗余");
    case 2: return QStringLiteral("只读");
    default: return QStringLiteral("未知"); // the device sent a value the dialog has no word for
    }
}

void DiskPage::FillDiskPage()
{
    renewBaselines();
    const DiskRecord &d = r_.disk;
    const DiskGroupRecord &g = r_.diskGroup;
    // A device may claim more entries than the records hold; only those held are shown.
    const int disks = int(std::min<std::uint32_t>(d.diskEntryCount, DiskEntryCapacity));
    const int groups = int(std::min<std::uint32_t>(g.groupCount, DiskGroupCapacity));

    QTableWidget *lv = ui_->lvDiskMsg;
    {
        const QSignalBlocker block(lv);
        lv->clear();
        lv->setColumnCount(ColumnCount);
        lv->setHorizontalHeaderLabels({QStringLiteral("盘名"), QStringLiteral("容量"), QStringLiteral("剩余空间"),
                                       QStringLiteral("状态"), QStringLiteral("盘组"), QStringLiteral("属性")});
        lv->setRowCount(disks);
        for (int i = 0; i < disks; ++i) {
            const DiskEntry &e = d.entries[i];
            const QString texts[ColumnCount] = {QString::number(e.diskNumber),
                                                QString::number(e.capacityMb) + QStringLiteral("MB"),
                                                QString::number(e.freeSpaceMb) + QStringLiteral("MB"),
                                                diskStatusText(e.diskStatus),
                                                QString::number(e.diskGroup),
                                                diskAttributeText(e.diskAttribute)};
            for (int column = 0; column < ColumnCount; ++column)
                lv->setItem(i, column, new QTableWidgetItem(texts[column]));
        }
    }

    // No disk is selected after a fill, so neither its attribute nor its group shows.
    showIndex(ui_->cbbDiskGroup, -1);
    showAttribute(-1);
    {
        const QSignalBlocker block(ui_->cbbDiskNumber);
        ui_->cbbDiskNumber->clear();
        for (int i = 0; i < disks; ++i)
            ui_->cbbDiskNumber->addItem(QString::number(d.entries[i].diskNumber));
        ui_->cbbDiskNumber->setCurrentIndex(-1);
        ui_->cbbDiskNumber->clearEditText();
    }
    {
        const QSignalBlocker block(ui_->chklstChannel);
        ui_->chklstChannel->clear();
        addCheckItem(ui_->chklstChannel, QStringLiteral("全选"));
        for (int n = 1; n <= r_.channelCount(); ++n)
            addCheckItem(ui_->chklstChannel, channelItemName(n));
    }
    {
        const QSignalBlocker block(ui_->cbbGroupNum);
        ui_->cbbGroupNum->clear();
        for (int k = 0; k < groups; ++k)
            ui_->cbbGroupNum->addItem(QString::number(g.groups[k].groupNumber));
        ui_->cbbGroupNum->setCurrentIndex(groups > 0 ? 0 : -1);
    }
    cbbGroupNumChange();
}

DiskEntry *DiskPage::selectedDisk() const
{
    const long long number = decimalOf(ui_->cbbDiskNumber->currentText());
    if (number < 1 || number > DiskEntryCapacity)
        return nullptr;
    return &r_.disk.entries[number - 1];
}

void DiskPage::showAttribute(int index)
{
    if (QAbstractButton *button = rgDiskAttribute_->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group never unchecks its last button by itself.
    rgDiskAttribute_->setExclusive(false);
    for (QAbstractButton *button : rgDiskAttribute_->buttons())
        button->setChecked(false);
    rgDiskAttribute_->setExclusive(true);
}

// The row shows the disk as it was at the last fill; its texts are what the controls take.
void DiskPage::lvDiskMsgClick()
{
    const QModelIndexList rows = ui_->lvDiskMsg->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const int row = rows.front().row();
    const auto text = [&](int column) {
        const QTableWidgetItem *item = ui_->lvDiskMsg->item(row, column);
        return item ? item->text() : QString();
    };
    {
        const QSignalBlocker block(ui_->cbbDiskNumber);
        ui_->cbbDiskNumber->setEditText(text(ColName));
    }
    const QString attribute = text(ColAttribute);
    showAttribute(attribute == QStringLiteral("普通")   ? 0
                  : attribute == QStringLiteral("冗余") ? 1
                  : attribute == QStringLiteral("只读") ? 2
                                                        : -1);
    showIndex(ui_->cbbDiskGroup, decimalOf(text(ColGroup)) - 1);
}

void DiskPage::rgDiskAttributeClick()
{
    DiskEntry *disk = selectedDisk();
    const int index = rgDiskAttribute_->checkedId();
    if (disk && index >= 0)
        disk->diskAttribute = std::uint8_t(index);
}

void DiskPage::cbbDiskNumberChange()
{
    const DiskEntry *disk = selectedDisk();
    if (!disk)
        return;
    showAttribute(disk->diskAttribute);
    showIndex(ui_->cbbDiskGroup, ui_->cbbDiskGroup->findText(QString::number(disk->diskGroup)));
}

void DiskPage::cbbDiskGroupClick()
{
    DiskEntry *disk = selectedDisk();
    const long long group = decimalOf(ui_->cbbDiskGroup->currentText());
    if (disk && group >= 0)
        disk->diskGroup = std::uint32_t(group);
}

// Shows the membership of the selected group; "全选" keeps its state.
void DiskPage::cbbGroupNumChange()
{
    const int g = ui_->cbbGroupNum->currentIndex();
    if (g < 0 || g >= DiskGroupCapacity)
        return;
    const DiskGroupEntry &group = r_.diskGroup.groups[g];
    QListWidget *list = ui_->chklstChannel;
    const QSignalBlocker block(list);
    for (int j = 1; j < list->count() && j <= int(sizeof group.channelMember); ++j)
        list->item(j)->setCheckState(group.channelMember[j - 1] == 1 ? Qt::Checked : Qt::Unchecked);
}

void DiskPage::chklstChannelClick(int item)
{
    const int g = ui_->cbbGroupNum->currentIndex();
    QListWidget *list = ui_->chklstChannel;
    if (item < 0 || item >= list->count() || g < 0 || g >= DiskGroupCapacity)
        return;
    const QSignalBlocker block(list);
    if (item != 0) {
        list->item(0)->setCheckState(Qt::Unchecked);
    } else {
        const Qt::CheckState all = list->item(0)->checkState();
        for (int j = 1; j < list->count(); ++j)
            list->item(j)->setCheckState(all);
    }
    DiskGroupEntry &group = r_.diskGroup.groups[g];
    for (int j = 1; j < list->count() && j <= int(sizeof group.channelMember); ++j)
        group.channelMember[j - 1] = list->item(j)->checkState() == Qt::Checked ? 1 : 0;
}

// Every edit is already in the records.
bool DiskPage::collect() { return true; }

bool DiskPage::queueSave(bool &restart)
{
    if (model::saveOf(page_, r_).empty())
        return false;
    return ConfigPage::queueSave(restart);
}
