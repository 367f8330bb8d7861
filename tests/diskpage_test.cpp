// The disk page: the disk list, attribute and group edits, group membership and the save.
#include "device/diskpage.h"
#include "dialogfixture.h"

#include <QGroupBox>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <memory>
#include <set>

namespace {

using Log = std::vector<dvrsim::LogEntry>;
const Log DiskSave{{"set_dvr_config", 1055, 0}, {"set_dvr_config", 1057, 0}};

class DiskPageTest : public DialogTest {
protected:
    // Loads `profile` after `adjust` has changed the recorder's records, and shows the disk page.
    template <typename F> void openDisks(const std::string &profile, F adjust)
    {
        open(profile, false);
        adjust(device().state());
        dialog->tmrProgressTimer();
        showPage(TfrmDvrConfig::DiskCfg);
    }
    void openDisks(const std::string &profile)
    {
        openDisks(profile, [](dvrsim::DeviceState &) {});
    }

    QTableWidget *rows() const { return find<QTableWidget>("lvDiskMsg"); }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem *item = rows()->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    void clickRow(int row) const
    {
        QTableWidget *lv = rows();
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, lv->visualRect(lv->model()->index(row, 2)).center());
    }
    QListWidget *channels() const { return find<QListWidget>("chklstChannel"); }
    bool checked(int item) const { return channels()->item(item)->checkState() == Qt::Checked; }
    void setChecked(int item, bool on) const
    {
        channels()->item(item)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    int checkedRadio() const
    {
        for (int i = 0; i < 3; ++i)
            if (find<QRadioButton>(("rbDiskAttribute" + std::to_string(i)).c_str())->isChecked())
                return i;
        return -1;
    }
    // Puts a disk number into the disabled cbbDiskNumber as an edit of its text.
    void enterDiskNumber(const QString &text) const
    {
        QComboBox *box = find<QComboBox>("cbbDiskNumber");
        box->setEditText(text);
        emit box->lineEdit()->textEdited(text);
    }
};

TEST_F(DiskPageTest, RowsShowEveryStateAndAttributeOfTheRecorder)
{
    openDisks("type=82&channels=4&disks=9", [](dvrsim::DeviceState &s) {
        s.disk.entries[8].diskStatus = 7;
        s.disk.entries[8].diskAttribute = 3;
    });
    QTableWidget *lv = rows();
    const QStringList headers = {"盘名", "容量", "剩余空间", "状态", "盘组", "属性"};
    ASSERT_EQ(lv->columnCount(), headers.size());
    for (int c = 0; c < lv->columnCount(); ++c)
        EXPECT_EQ(lv->horizontalHeaderItem(c)->text(), headers[c]);
    ASSERT_EQ(lv->rowCount(), 9);
    const QStringList stateTexts = {"正常", "未格式化", "错误", "SMART状态", "不匹配", "休眠"};
    const QStringList attributeTexts = {"普通", "冗余", "只读"};
    std::set<QString> states, attributes;
    for (int row = 0; row < 9; ++row) {
        const DiskEntry &e = records().disk.entries[row];
        EXPECT_EQ(cell(row, 0), QString::number(row + 1));
        EXPECT_EQ(cell(row, 3), stateTexts.value(int(e.diskStatus), "未知")) << row;
        EXPECT_EQ(cell(row, 5), attributeTexts.value(e.diskAttribute, "未知")) << row;
        EXPECT_EQ(cell(row, 1), QString::number(e.capacityMb) + "MB");
        EXPECT_EQ(cell(row, 2), QString::number(e.freeSpaceMb) + "MB");
        EXPECT_EQ(cell(row, 4), QString::number(e.diskGroup));
        states.insert(cell(row, 3));
        attributes.insert(cell(row, 5));
    }
    EXPECT_EQ(cell(0, 1), QStringLiteral("476940MB"));
    EXPECT_EQ(cell(8, 3), QStringLiteral("未知"));
    EXPECT_EQ(cell(8, 5), QStringLiteral("未知"));
    EXPECT_EQ(states, (std::set<QString>{"正常", "未格式化", "错误", "SMART状态", "不匹配", "休眠", "未知"}));
    EXPECT_EQ(attributes, (std::set<QString>{"普通", "冗余", "只读", "未知"}));
}

TEST_F(DiskPageTest, CountsBeyondTheRecordsShowOnlyTheEntriesHeld)
{
    const std::pair<std::uint32_t, std::uint32_t> counts[] = {{33, 16}, {34, 17}, {0xFFFFFFFF, 0xFFFFFFFF}};
    for (const auto &count : counts) {
        const std::uint32_t disks = count.first, groups = count.second; // lambdas cannot capture bindings
        openDisks("type=82&channels=4&disks=33", [&](dvrsim::DeviceState &s) {
            s.disk.diskEntryCount = disks;
            s.diskGroup.groupCount = groups;
        });
        EXPECT_EQ(rows()->rowCount(), 33) << disks;
        EXPECT_EQ(find<QComboBox>("cbbDiskNumber")->count(), 33) << disks;
        EXPECT_EQ(find<QComboBox>("cbbGroupNum")->count(), 16) << groups;
    }
}

TEST_F(DiskPageTest, OnlyDeviceTypes81To97HaveDisks)
{
    const std::pair<const char *, int> cases[] = {{"type=80", 0}, {"type=81", 3}, {"type=97", 3}, {"type=98", 0}};
    for (const auto &[type, disks] : cases) {
        openDisks(std::string(type) + "&channels=3&disks=3");
        EXPECT_EQ(rows()->rowCount(), disks) << type;
        EXPECT_EQ(find<QComboBox>("cbbGroupNum")->count(), disks ? 2 : 0) << type;
        QStringList items;
        for (int j = 0; j < channels()->count(); ++j)
            items << channels()->item(j)->text();
        EXPECT_EQ(items, (QStringList{"全选", "第1通道", "第2通道", "第3通道"})) << type;
        if (!disks) {
            const auto before = std::make_unique<DvrRecords>(records());
            setChecked(0, true); // with no group selected, nothing is written
            EXPECT_TRUE(sameBytes(records(), *before)) << type;
        }
        EXPECT_EQ(save(), disks ? DiskSave : Log{}) << type;
        EXPECT_EQ(notes.messages.size(), disks ? 1 : 0) << type;
    }
}

TEST_F(DiskPageTest, AttributeAndGroupOfTheClickedDiskGoStraightIntoTheRecord)
{
    openDisks("type=82&channels=4&disks=4", [](dvrsim::DeviceState &s) {
        s.disk.entries[1].diskAttribute = 0;
        s.disk.entries[1].diskGroup = 2;
    });
    const DiskRecord before = records().disk;
    clickRow(1);
    EXPECT_EQ(find<QComboBox>("cbbDiskNumber")->currentText(), QStringLiteral("2"));
    EXPECT_EQ(checkedRadio(), 0);
    EXPECT_EQ(find<QComboBox>("cbbDiskGroup")->currentIndex(), 1);

    click("rbDiskAttribute2");
    choose(find<QComboBox>("cbbDiskGroup"), 15);
    DiskRecord expected = before;
    expected.entries[1].diskAttribute = 2;
    expected.entries[1].diskGroup = 16;
    EXPECT_TRUE(sameBytes(records().disk, expected));
    EXPECT_EQ(cell(1, 5), QStringLiteral("普通")) << "rows keep the values of the last fill";
    EXPECT_EQ(cell(1, 4), QStringLiteral("2"));
    clickRow(0);
    clickRow(1);
    EXPECT_EQ(checkedRadio(), 0) << "a click takes the row's texts, not the record";

    EXPECT_EQ(save(), DiskSave);
    EXPECT_EQ(notes.messages, (QStringList{"保存成功", "请重启服务器!"}));
    EXPECT_TRUE(sameBytes(device().state().disk, expected));
    EXPECT_EQ(save(), DiskSave);
    EXPECT_EQ(notes.messages, QStringList{"保存成功"}) << "the save renewed the baselines";
}

// cbbDiskNumber names the entry the three handlers act on, whatever its text.
TEST_F(DiskPageTest, DiskNumberSelectsEntryNumberMinusOneAndNothingOutside1To33)
{
    const std::pair<const char *, int> cases[] = {{"1", 0},   {"33", 32}, {"0", -1}, {"34", -1},
                                                  {"-1", -1}, {"x", -1},  {"", -1},  {"4294967297", -1}};
    for (const auto &[text, entry] : cases) {
        openDisks("type=82&channels=4&disks=2", [](dvrsim::DeviceState &s) {
            s.disk.entries[32].diskAttribute = 1;
            s.disk.entries[32].diskGroup = 3;
        });
        const DiskRecord before = records().disk;
        enterDiskNumber(QString::fromLatin1(text));
        if (entry >= 0) {
            EXPECT_EQ(checkedRadio(), before.entries[entry].diskAttribute) << text;
            EXPECT_EQ(find<QComboBox>("cbbDiskGroup")->currentText(), QString::number(before.entries[entry].diskGroup))
                << text;
        } else {
            EXPECT_EQ(checkedRadio(), -1) << text;
            EXPECT_EQ(find<QComboBox>("cbbDiskGroup")->currentIndex(), -1) << text;
        }
        click("rbDiskAttribute2");
        choose(find<QComboBox>("cbbDiskGroup"), 4);
        DiskRecord expected = before;
        if (entry >= 0) {
            expected.entries[entry].diskAttribute = 2;
            expected.entries[entry].diskGroup = 5;
        }
        EXPECT_TRUE(sameBytes(records().disk, expected)) << text;
        EXPECT_TRUE(sameBytes(records().diskBaseline, before)) << text << ": nothing lands beyond the record";
    }
}

TEST_F(DiskPageTest, UnknownAttributeOrGroupZeroShowsNoSelection)
{
    openDisks("type=82&channels=4&disks=2", [](dvrsim::DeviceState &s) {
        s.disk.entries[0].diskAttribute = 2;
        s.disk.entries[0].diskGroup = 16;
        s.disk.entries[1].diskAttribute = 5;
        s.disk.entries[1].diskGroup = 0;
    });
    clickRow(0);
    EXPECT_EQ(checkedRadio(), 2);
    EXPECT_EQ(find<QComboBox>("cbbDiskGroup")->currentIndex(), 15);
    clickRow(1);
    EXPECT_EQ(checkedRadio(), -1);
    EXPECT_EQ(find<QComboBox>("cbbDiskGroup")->currentIndex(), -1);
    enterDiskNumber("2");
    EXPECT_EQ(checkedRadio(), -1);
    EXPECT_EQ(find<QComboBox>("cbbDiskGroup")->currentIndex(), -1);
}

TEST_F(DiskPageTest, SelectAllAndMembershipOfTheSelectedGroup)
{
    openDisks("type=82&channels=4&disks=2", [](dvrsim::DeviceState &s) {
        s.diskGroup.groups[0].channelMember[0] = 2; // only 1 means a member
        for (int c = 0; c < 4; ++c)
            s.diskGroup.groups[1].channelMember[c] = std::uint8_t(c % 2);
    });
    QComboBox *groupNum = find<QComboBox>("cbbGroupNum");
    EXPECT_EQ(groupNum->currentIndex(), 0);
    EXPECT_FALSE(checked(1));
    const DiskGroupRecord before = records().diskGroup;

    setChecked(0, true);
    DiskGroupRecord expected = before;
    std::fill_n(expected.groups[0].channelMember, 4, std::uint8_t(1));
    EXPECT_TRUE(sameBytes(records().diskGroup, expected)) << "only the first four bytes of entry 0";
    for (int j = 1; j <= 4; ++j)
        EXPECT_TRUE(checked(j)) << j;

    choose(groupNum, 1);
    EXPECT_TRUE(checked(0)) << "全选 is not recomputed";
    EXPECT_EQ((std::vector<bool>{checked(1), checked(2), checked(3), checked(4)}),
              (std::vector<bool>{false, true, false, true}));
    EXPECT_TRUE(sameBytes(records().diskGroup, expected)) << "showing a group writes nothing";

    setChecked(1, true);
    EXPECT_FALSE(checked(0));
    expected.groups[1].channelMember[0] = 1;
    EXPECT_TRUE(sameBytes(records().diskGroup, expected));

    choose(groupNum, 0);
    setChecked(3, false);
    EXPECT_FALSE(checked(0));
    expected.groups[0].channelMember[2] = 0;
    EXPECT_TRUE(sameBytes(records().diskGroup, expected));
    setChecked(0, true);
    setChecked(0, false);
    EXPECT_FALSE(checked(4));
    std::fill_n(expected.groups[0].channelMember, 4, std::uint8_t(0));
    EXPECT_TRUE(sameBytes(records().diskGroup, expected));

    EXPECT_EQ(save(), DiskSave);
    EXPECT_TRUE(sameBytes(device().state().diskGroup, expected));
    EXPECT_EQ(notes.messages, (QStringList{"保存成功", "请重启服务器!"}));
}

TEST_F(DiskPageTest, SaveWithoutEditsSendsBothRecordsUnchangedAndAsksNoRestart)
{
    openDisks("type=82&channels=16&disks=8");
    const DiskRecord disk = device().state().disk;
    const DiskGroupRecord groups = device().state().diskGroup;
    clickRow(3); // looking is not editing
    choose(find<QComboBox>("cbbGroupNum"), 1);
    showPage(TfrmDvrConfig::ServerCfg); // a second fill starts from a selected group
    showPage(TfrmDvrConfig::DiskCfg);
    EXPECT_EQ(save(), DiskSave);
    EXPECT_EQ(notes.messages, QStringList{"保存成功"});
    EXPECT_TRUE(sameBytes(device().state().disk, disk));
    EXPECT_TRUE(sameBytes(device().state().diskGroup, groups));
}

// The disk records come last in the load batch: after any failure there they are still zeros.
TEST_F(DiskPageTest, NoSaveAfterAFailedLoad)
{
    open("type=82&channels=4&disks=4", false);
    const DiskGroupRecord groups = device().state().diskGroup;
    device().injectFault(dvrsim::Fault::ResultFail, 4); // the first record of the batch
    dialog->tmrProgressTimer();
    showPage(TfrmDvrConfig::DiskCfg);
    EXPECT_EQ(save(), Log{});
    EXPECT_EQ(notes.messages, QStringList{"获取设置信息失败!"});
    EXPECT_TRUE(sameBytes(device().state().diskGroup, groups));
}

TEST_F(DiskPageTest, OtherFunctionsSheetIsHiddenAndItsFormatButtonDoesNothing)
{
    openDisks("type=82&channels=4&disks=2");
    auto *pages = find<QTabWidget>("pgcDvrSet");
    EXPECT_FALSE(pages->isTabVisible(TfrmDvrConfig::OtherSet));
    auto *sheet = find("tsOtherSet");
    ASSERT_NE(sheet, nullptr);
    auto *group = child<QGroupBox>(sheet, "grpDiskFormat");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), QStringLiteral("硬盘格式化"));
    EXPECT_NE(child<QComboBox>(group, "cbbFormatDisk"), nullptr);
    EXPECT_NE(child<QProgressBar>(group, "pgbFormat"), nullptr);
    EXPECT_EQ(child<QPushButton>(group, "btnFormat")->text(), QStringLiteral("格式化"));

    const auto recordBytes = [this] {
        const auto *p = reinterpret_cast<const char *>(&records());
        return QByteArray(p, sizeof(DvrRecords));
    };
    const QByteArray before = recordBytes();
    device().clearLog();
    click("btnFormat");
    EXPECT_TRUE(device().log().empty());
    EXPECT_EQ(recordBytes(), before);
    EXPECT_TRUE(notes.messages.isEmpty());
}

} // namespace
