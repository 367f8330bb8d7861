// The server page: version texts, the checks of a save and what is stored.
#include "device/serverpage.h"
#include "dialogfixture.h"

#include <QTest>

namespace {

TEST(ServerPageTexts, VersionsAndMac)
{
    const std::uint32_t date = 11 * 65536 + 3 * 256 + 21;
    EXPECT_EQ(ServerPage::softwareVersionText(2 * 65536 + 1, date), QStringLiteral("V2.1 build 110321"));
    EXPECT_EQ(ServerPage::softwareVersionText(2 * 16777216 + 1 * 65536 + 5, date), QStringLiteral("V2.1.5 build 110321"));
    EXPECT_EQ(ServerPage::dspVersionText(4 * 65536 + 12, 9 * 65536 + 1 * 256 + 2), QStringLiteral("V4.12 build 090102"));
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
        {"edtID", "0", false, number, false},          {"edtID", "256", false, number, false},
        {"edtID", "", false, number, false},           {"edtID", "255", true, nullptr, false},
        {"edtIP", "0.0.0.0", false, address, true},    {"edtIP", "192.168.1.300", false, address, true},
        {"edtMask", "0.0.0.0", true, nullptr, false},  {"edtGateWayIP", "0.0.0.0", true, nullptr, false},
        {"edtManageHostIP", "0.0.0.0", true, nullptr, false}, {"edtMultiCastIP", "", false, address, true},
        {"edtMask", "1.2.3", false, address, true},    {"edtGateWayIP", " 1.2.3.4", false, address, true},
        {"edtPort", "0", false, port, true},           {"edtPort", "", false, port, true},
        {"edtPort", "65535", true, nullptr, false},    {"edtPort", "65536", false, port, true},
        {"edtManageHostPort", "0", true, nullptr, false}, {"edtManageHostPort", "65536", false, port, true},
        {"edtHttpPort", "0", true, nullptr, false},    {"edtHttpPort", "65536", false, port, true},
        {"edtHttpPort", "8o", false, port, true},
    };
    open();
    dialog->activateWindow();
    for (const Case &c : cases) {
        dialog->btnRefreshClick(); // fresh controls from the recorder
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
    dialog->btnRefreshClick();
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
    EXPECT_EQ(edit("edtID")->maxLength(), 3);
    EXPECT_EQ(edit("edtPort")->maxLength(), 5);
    EXPECT_EQ(edit("edtName")->maxLength(), 32);
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
