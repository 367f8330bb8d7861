// The server page: version texts, the checks of a save and what is stored.
#include "device/serverpage.h"
#include "dialogfixture.h"

#include <QTest>

namespace {

TEST(ServerPageTexts, VersionsAndMac)
{
    const std::uint32_t date = 11 * 65536 + 3 * 256 + 21;
    EXPECT_EQ(ServerPage::softwareVersionText(2 * 65536 + 1, date), QStringLiteral("V2.1 build 110321"));
    EXPECT_EQ(ServerPage::softwareVersionText(2 * 16777216 + 1 * 65536 + 5, date),
              QStringLiteral("V2.1.5 build 110321"));
    EXPECT_EQ(ServerPage::dspVersionText(4 * 65536 + 12, 9 * 65536 + 1 * 256 + 2),
              QStringLiteral("V4.12 build 090102"));
    const std::uint8_t mac[6] = {0x02, 0, 0, 0x1A, 0x2B, 0x3C};
    EXPECT_EQ(ServerPage::macText(mac), QStringLiteral("02:00:00:1A:2B:3C"));
    EXPECT_EQ(ServerPage::deviceTypeNames().size(), 29);
}

class ServerPageTest : public DialogTest {};

TEST_F(ServerPageTest, HardwareAndPanelVersionsAndDeviceTypeSelection)
{
    open("type=3", false);
    device().state().info.hardwareVersion = 0;
    device().state().info.panelVersion = 0x10A;
    dialog->tmrProgressTimer();
    EXPECT_EQ(edit("edtHardWareVersion")->text(), QStringLiteral("0x0"));
    EXPECT_EQ(edit("edtPanlVerion")->text(), QStringLiteral("10a"));
    EXPECT_EQ(find<QComboBox>("cbbServerType")->currentIndex(), 2);
    EXPECT_FALSE(find<QComboBox>("cbbServerType")->isEnabled());
    for (const char *profile : {"type=0", "type=30"}) {
        open(profile);
        EXPECT_EQ(find<QComboBox>("cbbServerType")->currentIndex(), -1) << profile;
    }
}

// Each row: field, text, whether the save goes through, the message, whether focus moves there.
TEST_F(ServerPageTest, ChecksInOrderWithMessageAndFocus)
{
    struct Case {
        const char *field;
        const char *text;
        bool accepted;
        const char *message;
        bool focus;
    };
    const char *number = "设备号范围为1-255!", *address = "请输入正确的IP地址!", *port = "请输入正确的端口号!";
    const Case cases[] = {
        {"edtID", "0", false, number, false},
        {"edtID", "256", false, number, false},
        {"edtID", "", false, number, false},
        {"edtID", "255", true, nullptr, false},
        {"edtIP", "0.0.0.0", false, address, true},
        {"edtIP", "192.168.1.300", false, address, true},
        {"edtMask", "0.0.0.0", true, nullptr, false},
        {"edtGateWayIP", "0.0.0.0", true, nullptr, false},
        {"edtManageHostIP", "0.0.0.0", true, nullptr, false},
        {"edtMultiCastIP", "", false, address, true},
        {"edtMask", "1.2.3", false, address, true},
        {"edtGateWayIP", " 1.2.3.4", false, address, true},
        {"edtPort", "0", false, port, true},
        {"edtPort", "", false, port, true},
        {"edtPort", "65535", true, nullptr, false},
        {"edtPort", "65536", false, port, true},
        {"edtManageHostPort", "0", true, nullptr, false},
        {"edtManageHostPort", "65536", false, port, true},
        {"edtHttpPort", "0", true, nullptr, false},
        {"edtHttpPort", "65536", false, port, true},
        {"edtHttpPort", "8o", false, port, true},
    };
    open();
    dialog->activateWindow();
    for (const Case &c : cases) {
        click("btnRefresh"); // fresh controls from the recorder
        QLineEdit *field = edit(c.field);
        field->setText(QString::fromUtf8(c.text));
        edit("edtName")->setFocus();
        const DeviceInfoRecord before = records().deviceInfo;
        const NetworkRecord network = records().network;
        const auto log = save();
        const std::string what = std::string(c.field) + "='" + c.text + "'";
        if (c.accepted) {
            EXPECT_EQ(notes.messages.value(0), QStringLiteral("保存成功")) << what;
            continue;
        }
        EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(c.message)}) << what;
        EXPECT_TRUE(log.empty()) << what;
        EXPECT_EQ(std::memcmp(&before, &records().deviceInfo, sizeof before), 0) << "nothing written: " << what;
        EXPECT_EQ(std::memcmp(&network, &records().network, sizeof network), 0) << "nothing written: " << what;
        if (c.focus) {
            EXPECT_EQ(dialog->focusWidget(), field) << what;
        }
    }
}

TEST_F(ServerPageTest, StoresEveryEditableValue)
{
    open();
    const QString name(32, QLatin1Char('N'));
    edit("edtName")->setText(name);
    edit("edtID")->setText(QStringLiteral("42"));
    edit("edtIP")->setText(QStringLiteral("10.1.2.3"));
    edit("edtPort")->setText(QStringLiteral("9000"));
    edit("edtHttpPort")->setText(QStringLiteral("8080"));
    edit("edtManageHostPort")->setText(QStringLiteral("7300"));
    edit("edtGateWayIP")->setText(QStringLiteral("10.1.2.1"));
    find<QComboBox>("cbbUseZoom")->setCurrentIndex(0);
    find<QComboBox>("cbbInterFace")->setCurrentIndex(1);
    find<QComboBox>("cbbRecycleRec")->setCurrentIndex(0);
    save();
    const dvrsim::DeviceState &s = device().state();
    EXPECT_EQ(std::string(s.info.deviceName, 32), std::string(32, 'N')) << "32 bytes, no terminator";
    EXPECT_EQ(s.info.deviceNumber, 42u);
    EXPECT_EQ(s.info.recycleRecord, 0u);
    EXPECT_EQ(s.scale, 0);
    EXPECT_EQ(s.network.nicType, 2u);
    EXPECT_EQ(s.network.devicePort, 9000);
    EXPECT_EQ(s.network.httpPort, 8080);
    EXPECT_EQ(s.network.manageHostPort, 7300);
    EXPECT_EQ(QByteArray(s.network.gatewayIp), QByteArray("10.1.2.1"));
    EXPECT_EQ(std::memcmp(s.info.serialNumber, device().factory().info.serialNumber, 48), 0);
    click("btnRefresh");
    EXPECT_EQ(edit("edtName")->text(), name) << "shown again in full";
}

TEST_F(ServerPageTest, NumericFieldsTakeOnlyDigits)
{
    open();
    for (const char *name : {"edtID", "edtPort", "edtHttpPort", "edtManageHostPort"}) {
        QLineEdit *field = edit(name);
        field->clear();
        QTest::keyClicks(field, QStringLiteral("1a-2 "));
        EXPECT_EQ(field->text(), QStringLiteral("12")) << name;
        QTest::keyClick(field, Qt::Key_Backspace);
        EXPECT_EQ(field->text(), QStringLiteral("1")) << name;
    }
    // The form's maximum lengths limit typing.
    const std::pair<const char *, int> limits[] = {{"edtID", 3}, {"edtPort", 5}, {"edtName", 32}, {"edtIP", 16}};
    for (auto [name, limit] : limits) {
        QLineEdit *field = edit(name);
        field->clear();
        QTest::keyClicks(field, QString(limit + 2, QLatin1Char('7')));
        EXPECT_EQ(field->text().size(), limit) << name;
    }
}

// Text from a record is shown whole, however long the field's typing limit; typing cannot make it
// longer, deleting still works, and the check refuses what the device sent rather than saving a
// cut copy of it.
TEST_F(ServerPageTest, RecordTextLongerThanTheTypingLimitIsShownWholeAndNotRewritten)
{
    open("", false);
    device().state().info.deviceNumber = 1000;
    dialog->tmrProgressTimer();
    QLineEdit *id = edit("edtID");
    EXPECT_EQ(id->text(), QStringLiteral("1000"));
    id->setFocus();
    id->end(false);
    QTest::keyClick(id, Qt::Key_5);
    EXPECT_EQ(id->text(), QStringLiteral("1000")) << "typing past the limit is refused";
    EXPECT_TRUE(save().empty());
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("设备号范围为1-255!")});
    EXPECT_EQ(device().state().info.deviceNumber, 1000u);
    QTest::keyClick(id, Qt::Key_Backspace);
    QTest::keyClick(id, Qt::Key_Backspace);
    QTest::keyClick(id, Qt::Key_Backspace);
    QTest::keyClick(id, Qt::Key_9);
    EXPECT_EQ(id->text(), QStringLiteral("19"));
    save();
    EXPECT_EQ(device().state().info.deviceNumber, 19u);
}

// Two bad fields at once: the message and the focus belong to the one checked first.
TEST_F(ServerPageTest, TwoBadFieldsReportTheFirstInCheckOrder)
{
    struct Case {
        const char *first, *firstText, *second, *secondText, *message;
        bool focus;
    };
    const char *number = "设备号范围为1-255!", *address = "请输入正确的IP地址!", *port = "请输入正确的端口号!";
    const Case cases[] = {
        {"edtID", "0", "edtIP", "0.0.0.0", number, false},
        {"edtIP", "1.2.3", "edtMask", "x", address, true},
        {"edtMask", "1.2.3", "edtGateWayIP", "x", address, true},
        {"edtGateWayIP", "1.2.3", "edtManageHostIP", "x", address, true},
        {"edtManageHostIP", "1.2.3", "edtMultiCastIP", "x", address, true},
        {"edtMultiCastIP", "1.2.3", "edtPort", "0", address, true},
        {"edtPort", "0", "edtManageHostPort", "65536", port, true},
        {"edtManageHostPort", "65536", "edtHttpPort", "65536", port, true},
    };
    open();
    dialog->activateWindow();
    for (const Case &c : cases) {
        click("btnRefresh");
        edit(c.first)->setText(QString::fromUtf8(c.firstText));
        edit(c.second)->setText(QString::fromUtf8(c.secondText));
        edit("edtName")->setFocus();
        EXPECT_TRUE(save().empty()) << c.first;
        EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(c.message)}) << c.first << " before " << c.second;
        EXPECT_EQ(dialog->focusWidget(), c.focus ? edit(c.first) : edit("edtName"))
            << c.first << " before " << c.second;
    }
}

TEST_F(ServerPageTest, ShowingThePageAgainDropsUnsavedEdits)
{
    open();
    edit("edtName")->setText(QStringLiteral("changed"));
    showPage(TfrmDvrConfig::NetConfig);
    showPage(TfrmDvrConfig::ServerCfg);
    EXPECT_EQ(edit("edtName")->text(), QStringLiteral("网络硬盘录像机"));
}

} // namespace
