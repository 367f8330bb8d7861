// The network page: what it shows, the checks of a save in their order, what it stores and sends.
#include "alarm/frmsetemail.h"
#include "dialogfixture.h"
#include "shell/pagehelpers.h"
#include "subdialogfixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QSpinBox>
#include <QTest>

namespace {

constexpr int NetworkTab = TfrmDvrConfig::NetConfig;

class NetworkPageTest : public DialogTest {
protected:
    void openNetwork(const std::string &profile = "type=82&channels=4&alarmin=4&alarmout=2&disks=2")
    {
        open(profile);
        showPage(NetworkTab);
    }
    QSpinBox *spin(const char *name) const { return find<QSpinBox>(name); }
    // Puts a text into a spin edit past its own validation, as if the editor had let it through.
    void forceSpinText(const char *name, const QString &text) const
    {
        spin(name)->findChild<QLineEdit *>()->setText(text);
    }
    std::vector<std::int32_t> sentTypes(const std::vector<dvrsim::LogEntry> &log) const
    {
        std::vector<std::int32_t> types;
        for (const dvrsim::LogEntry &e : log)
            types.push_back(e.commandType);
        return types;
    }
};

TEST_F(NetworkPageTest, ControlsAndTheirFixedContents)
{
    openNetwork();
    for (const char *name : {"edtPPPoEPwd", "edtVerPPPoEPwd"})
        EXPECT_EQ(edit(name)->echoMode(), QLineEdit::Password) << name;
    EXPECT_EQ(edit("edtDDNSPort")->property("typingLimit").toInt(), 15);
    EXPECT_EQ(find<QComboBox>("cbbNFSDisk")->count(), 8);
    EXPECT_EQ(find<QComboBox>("cbbNFSDisk")->itemText(7), QStringLiteral("DISK08"));
    EXPECT_EQ(find<QComboBox>("cbbDDNSServerType")->itemText(2), QStringLiteral("PeanutHull"));
    EXPECT_FALSE(edit("edtPPPoEAdd")->isEnabled());
    EXPECT_FALSE(find<QGroupBox>("grpNFS")->isEnabled());
    EXPECT_FALSE(find<QGroupBox>("grpDDNS")->isEnabled());
    auto *email = find<QPushButton>("btnEmail");
    EXPECT_EQ(email->text(), QStringLiteral("E-Mail      配置"));
    EXPECT_FALSE(email->isVisible());
}

// Each row: the edits, then the message the save shows (none: accepted).
TEST_F(NetworkPageTest, ChecksInOrderAndNothingSentOnFailure)
{
    struct Case {
        std::vector<std::pair<const char *, const char *>> edits; // a name starting "sp" is a spin edit
        const char *message;
    };
    const char *address = "请输入正确的IP地址!", *interval = "调整时间间隔的范围是0-255的整数!",
               *hours = "国际标准时差小时范围是-12 - 13的整数!", *minutes = "国际标准时差分钟的范围是0-59的整数!",
               *pppoe = "两次输入的PPPoE密码不一致!", *ddns = "两次输入的DDNS密码不一致!";
    const Case cases[] = {
        {{{"edtIPServerIP", ""}, {"edtDDNSIP", ""}}, nullptr},
        {{{"edtIPServerIP", "192.168.1.300"}}, address},
        {{{"edtDDNSIP", "192.168.1.300"}}, address},
        {{{"edtDDNSIP", "1.2.3"}, {"spAdjustInterval", "256"}}, address},
        {{{"spAdjustInterval", "256"}, {"spHourDiff", "14"}}, interval},
        {{{"spAdjustInterval", "255"}, {"spHourDiff", "-13"}}, hours},
        {{{"spHourDiff", "14"}, {"spDiffMin", "60"}}, hours},
        {{{"spDiffMin", "60"}, {"edtVerPPPoEPwd", "x"}}, minutes},
        {{{"spDiffMin", "59"}}, nullptr},
        {{{"spDiffMin", "0"}}, nullptr},
        {{{"edtPPPoEPwd", "Secret"}, {"edtVerPPPoEPwd", "secret"}, {"edtVerDDNSPwd", "x"}}, pppoe},
        {{{"edtVerDDNSPwd", "x"}}, ddns},
        {{{"edtPPPoEPwd", "same"}, {"edtVerPPPoEPwd", "same"}}, nullptr},
    };
    openNetwork();
    for (const Case &c : cases) {
        click("btnRefresh");
        std::string what;
        for (auto [name, text] : c.edits) {
            if (name[0] == 's')
                forceSpinText(name, QString::fromUtf8(text));
            else
                edit(name)->setText(QString::fromUtf8(text));
            what += std::string(name) + "='" + text + "' ";
        }
        const NetworkRecord network = records().network;
        const DnsNtpRecord dnsNtp = records().dnsNtp;
        const auto log = save();
        if (!c.message) {
            EXPECT_EQ(notes.messages.value(0), QStringLiteral("保存成功")) << what;
            continue;
        }
        EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(c.message)}) << what;
        EXPECT_TRUE(log.empty()) << what;
        EXPECT_TRUE(sameBytes(network, records().network)) << "nothing written: " << what;
        EXPECT_TRUE(sameBytes(dnsNtp, records().dnsNtp)) << "nothing written: " << what;
    }
}

TEST_F(NetworkPageTest, StoresAndShowsAgain)
{
    struct Case {
        int hours, minutes;
        std::uint8_t hourByte;
    };
    const QString user(32, QLatin1Char('u'));
    for (const Case c : {Case{-12, 0, 0xF4}, Case{13, 59, 0x0D}}) {
        openNetwork();
        edit("edtIPServerIP")->clear();
        edit("edtDDNSIP")->clear();
        choose(find<QComboBox>("cbbPPPoE"), 1);
        edit("edtPPPoEUser")->setText(user);
        edit("edtPPPoEPwd")->setText(QStringLiteral("pw"));
        edit("edtVerPPPoEPwd")->setText(QStringLiteral("pw"));
        spin("spHourDiff")->setValue(c.hours);
        spin("spDiffMin")->setValue(c.minutes);
        spin("spAdjustInterval")->setValue(255);
        save();
        const dvrsim::DeviceState &s = device().state();
        EXPECT_EQ(std::uint8_t(s.dnsNtp.utcOffsetHours), c.hourByte);
        EXPECT_EQ(s.dnsNtp.utcOffsetMinutes, c.minutes);
        EXPECT_EQ(s.dnsNtp.ntpInterval, 255);
        EXPECT_EQ(s.network.pppoeEnable, 1u);
        EXPECT_EQ(std::string(s.network.pppoeUser, 32), user.toStdString()) << "32 bytes, no terminator";
        EXPECT_EQ(std::string(s.network.pppoePassword, 16), std::string("pw") + std::string(14, '\0'));
        EXPECT_EQ(std::string(s.network.ipServerAddress, 16), std::string(16, '\0'));
        EXPECT_EQ(std::string(s.dnsNtp.dnsServer, 16), std::string(16, '\0'));
        showPage(TfrmDvrConfig::ServerCfg);
        click("btnRefresh"); // the network record comes back with the server page
        showPage(NetworkTab);
        click("btnRefresh");
        EXPECT_EQ(spin("spHourDiff")->value(), c.hours);
        EXPECT_EQ(spin("spDiffMin")->value(), c.minutes);
        EXPECT_EQ(edit("edtPPPoEUser")->text(), user);
        EXPECT_TRUE(edit("edtPPPoEUser")->isEnabled());
    }
}

// Before a successful full load the records are zeros: a save must not send them, neither before
// the load nor after one whose batch failed.
TEST_F(NetworkPageTest, NoSaveBeforeTheFullLoad)
{
    const QString failed = QStringLiteral("获取设置信息失败!");
    for (bool batchFails : {false, true}) {
        open("", false);
        notes.messages.clear();
        if (batchFails) {
            device().injectFault(dvrsim::Fault::SdkFailure, 4); // after 100, the scale and the PTZ list
            dialog->tmrProgressTimer();
            ASSERT_EQ(notes.messages, QStringList{failed});
        }
        showPage(NetworkTab);
        edit("edtNTPIP")->setText(QStringLiteral("time.example.org"));
        EXPECT_TRUE(save().empty()) << batchFails;
        EXPECT_EQ(notes.messages, QStringList{failed}) << batchFails;
    }
}

TEST_F(NetworkPageTest, NtpServerChangeAsksForARestartOnce)
{
    openNetwork();
    EXPECT_EQ(sentTypes(save()), (std::vector<std::int32_t>{1001, 223}));
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")}) << "showing the page renewed the baselines";
    edit("edtNTPIP")->setText(QStringLiteral("time.example.org"));
    const auto log = save();
    EXPECT_EQ(sentTypes(log), (std::vector<std::int32_t>{1001, 223}));
    EXPECT_EQ(notes.messages, (QStringList{QStringLiteral("保存成功"), QStringLiteral("请重启服务器!")}));
    EXPECT_EQ(QByteArray(device().state().dnsNtp.ntpServer), QByteArray("time.example.org"));
    EXPECT_EQ(sentTypes(save()), (std::vector<std::int32_t>{1001, 223}));
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")});
}

// Devices of types 30..49 have no DNS/NTP record: nothing fetches or sends it, the page shows zeros.
TEST_F(NetworkPageTest, DeviceTypeRangeWithoutDnsNtp)
{
    for (int type : {29, 30, 35, 49, 50}) {
        const bool without = type >= 30 && type <= 49;
        openNetwork("type=" + std::to_string(type));
        device().clearLog();
        click("btnRefresh");
        const std::vector<std::int32_t> refreshed = without ? std::vector<std::int32_t>{} : std::vector{222};
        const std::vector<std::int32_t> saved = without ? std::vector{1001} : std::vector{1001, 223};
        EXPECT_EQ(sentTypes(device().log()), refreshed) << type;
        EXPECT_EQ(sentTypes(save()), saved) << type;
        if (without) {
            EXPECT_EQ(find<QComboBox>("cbbUseNTP")->currentIndex(), 0) << type;
            EXPECT_FALSE(edit("edtNTPIP")->isEnabled()) << type;
            EXPECT_EQ(spin("spAdjustInterval")->value(), 0) << type;
            EXPECT_EQ(spin("spHourDiff")->value(), 0) << type;
            EXPECT_EQ(spin("spDiffMin")->value(), 0) << type;
            EXPECT_EQ(edit("edtDDNSIP")->text(), QString()) << type;
        }
    }
}

TEST_F(NetworkPageTest, ShowingThePageAgainDropsUnsavedEdits)
{
    openNetwork();
    choose(find<QComboBox>("cbbPPPoE"), 1);
    edit("edtNTPIP")->setText(QStringLiteral("edited"));
    spin("spHourDiff")->setValue(-5);
    choose(find<QComboBox>("cbbUseNTP"), 0);
    showPage(TfrmDvrConfig::ServerCfg);
    showPage(NetworkTab);
    EXPECT_EQ(edit("edtNTPIP")->text(), QStringLiteral("pool.ntp.org"));
    EXPECT_EQ(spin("spHourDiff")->value(), device().state().dnsNtp.utcOffsetHours);
    EXPECT_TRUE(edit("edtNTPIP")->isEnabled()) << "the fill applies the NTP rule";
    EXPECT_FALSE(edit("edtPPPoEUser")->isEnabled()) << "the fill applies the PPPoE rule";
}

// Values the device sent outside a list or a range: no selection keeps the value, a spin clamps it.
TEST_F(NetworkPageTest, OutOfRangeRecordValues)
{
    open("", false);
    device().state().network.pppoeEnable = 7;
    device().state().dnsNtp.ntpEnable = 5;
    device().state().dnsNtp.ntpInterval = 300;
    device().state().dnsNtp.utcOffsetHours = -128;
    device().state().dnsNtp.utcOffsetMinutes = 60;
    dialog->tmrProgressTimer();
    showPage(NetworkTab);
    EXPECT_EQ(find<QComboBox>("cbbPPPoE")->currentIndex(), -1);
    EXPECT_TRUE(edit("edtPPPoEUser")->isEnabled()) << "no selection is not item 0";
    EXPECT_EQ(spin("spAdjustInterval")->value(), 255);
    EXPECT_EQ(spin("spHourDiff")->value(), -12);
    EXPECT_EQ(spin("spDiffMin")->value(), 59);
    save();
    const dvrsim::DeviceState &s = device().state();
    EXPECT_EQ(s.network.pppoeEnable, 7u);
    EXPECT_EQ(s.dnsNtp.ntpEnable, 5);
    EXPECT_EQ(s.dnsNtp.ntpInterval, 255);
    EXPECT_EQ(s.dnsNtp.utcOffsetHours, -12);
    EXPECT_EQ(s.dnsNtp.utcOffsetMinutes, 59);
}

TEST_F(NetworkPageTest, EnablingRulesAndColours)
{
    openNetwork();
    const QColor window = QApplication::palette().color(QPalette::Base);
    const QColor face = QApplication::palette().color(QPalette::Button);
    ASSERT_NE(window, face);
    for (int item : {1, 0}) {
        choose(find<QComboBox>("cbbPPPoE"), item);
        for (const char *name : {"edtPPPoEUser", "edtPPPoEPwd", "edtVerPPPoEPwd"}) {
            EXPECT_EQ(edit(name)->isEnabled(), item != 0) << name;
            EXPECT_EQ(edit(name)->palette().color(QPalette::Base), item ? window : face) << name;
        }
        EXPECT_FALSE(edit("edtPPPoEAdd")->isEnabled());
        EXPECT_EQ(edit("edtPPPoEAdd")->palette().color(QPalette::Base), face);
        choose(find<QComboBox>("cbbUseNTP"), item);
        for (const char *name : {"edtNTPIP", "spAdjustInterval", "spHourDiff", "spDiffMin"})
            EXPECT_EQ(find(name)->isEnabled(), item != 0) << name;
        choose(find<QComboBox>("cbbUseDDNS"), item);
        for (const char *name : {"cbbDDNSServerType", "edtDDNSUser", "edtDDNSDns", "edtDDNSPwd", "edtVerDDNSPwd",
                                 "edtDDNSAdd", "edtDDNSPort"}) {
            EXPECT_EQ(find(name)->isEnabledTo(find("grpDDNS")), item != 0) << name;
            EXPECT_EQ(find(name)->palette().color(QPalette::Base), item ? window : face) << name;
        }
    }
}

// The disabled groups still show their records; the NFS entry follows the chosen disk, and the DDNS
// port is stored as a number (0 when it is not one).
TEST_F(NetworkPageTest, NfsEntryAndDdnsFields)
{
    openNetwork();
    std::strcpy(records().nfs.entries[0].nfsServer, "10.0.0.1");
    std::strcpy(records().nfs.entries[3].nfsDirectory, "/export/four");
    records().ddns.ddnsPort = 65535;
    showPage(TfrmDvrConfig::ServerCfg);
    showPage(NetworkTab);
    EXPECT_EQ(edit("edtNFSIP")->text(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(edit("edtDDNSPort")->text(), QStringLiteral("65535"));
    choose(find<QComboBox>("cbbNFSDisk"), 3);
    EXPECT_EQ(edit("edtNFSIP")->text(), QString());
    EXPECT_EQ(edit("edtNFSFile")->text(), QStringLiteral("/export/four"));
    edit("edtNFSFile")->setText(QStringLiteral("/export/changed"));
    EXPECT_EQ(sentTypes(save()), (std::vector<std::int32_t>{1001, 223})) << "NFS and DDNS are never sent";
    EXPECT_EQ(QByteArray(records().nfs.entries[3].nfsDirectory), QByteArray("/export/changed"));
    EXPECT_EQ(QByteArray(records().nfs.entries[0].nfsServer), QByteArray("10.0.0.1"));
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")}) << "a record never sent asks for no restart";
    edit("edtDDNSPort")->setText(QStringLiteral("8o"));
    save();
    EXPECT_EQ(records().ddns.ddnsPort, 0);
}

TEST_F(NetworkPageTest, KeyFilters)
{
    openNetwork();
    find("grpDDNS")->setEnabled(true); // the port field is only reachable with its group enabled
    choose(find<QComboBox>("cbbUseDDNS"), 1);
    QLineEdit *port = edit("edtDDNSPort");
    port->clear();
    QTest::keyClicks(port, QStringLiteral("8a0-8 "));
    EXPECT_EQ(port->text(), QStringLiteral("808"));
    struct Case {
        const char *spin;
        const char *typed;
        int value;
    };
    for (const Case c : {Case{"spHourDiff", "-12", -12}, Case{"spDiffMin", "-5", 5}, Case{"spDiffMin", "60", 6},
                         Case{"spAdjustInterval", "2555", 255}, Case{"spAdjustInterval", "x1", 1}}) {
        QSpinBox *box = spin(c.spin);
        box->findChild<QLineEdit *>()->clear();
        QTest::keyClicks(box, QString::fromLatin1(c.typed));
        EXPECT_EQ(spinValue(box), c.value) << c.spin << " " << c.typed;
    }
}

TEST_F(NetworkPageTest, EmailButtonOpensTheEditorOnTheDialogsRecord)
{
    openNetwork();
    std::strcpy(records().email.senderName, "sender");
    auto *button = find<QPushButton>("btnEmail");
    const ModalRun run = pressInModalLoop<TfrmSetEmail>(
        [&] { button->click(); }, "btnCancel",
        [](TfrmSetEmail &d) {
            EXPECT_EQ(d.findChild<QLineEdit *>(QStringLiteral("edtSender"))->text(), QStringLiteral("sender"));
        });
    EXPECT_TRUE(run.modal);
    EXPECT_TRUE(run.closed);
    EXPECT_FALSE(button->isVisible());
}

} // namespace
