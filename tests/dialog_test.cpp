// The load, refresh, save, restore and reboot cycle of the main dialog.
#include "command/commandtypes.h"
#include "dialogfixture.h"

#include <QApplication>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <cstring>

namespace {

using dvrsim::Fault;
using dvrsim::LogEntry;
using Log = std::vector<LogEntry>;

Log gets(std::initializer_list<std::pair<int, int>> typeAndChannel, const char *function = "get_dvr_config")
{
    Log log;
    for (auto [t, c] : typeAndChannel)
        log.push_back({function, t, c});
    return log;
}

TEST_F(DialogTest, FullLoadFillsTheServerPageAndHidesThePanel)
{
    open("", false);
    EXPECT_TRUE(find("pnlGetPos")->isVisible()) << "the panel covers the pages until the load ends";
    EXPECT_TRUE(dialog->progressTimer()->isActive());
    EXPECT_TRUE(device().log().empty()) << "nothing is sent before the first tick";
    QTRY_VERIFY_WITH_TIMEOUT(dialog->loaded(), 5000);
    EXPECT_FALSE(dialog->progressTimer()->isActive()) << "the load runs once";
    EXPECT_FALSE(find("pnlGetPos")->isVisible());
    EXPECT_EQ(find<QProgressBar>("prgbGetPos")->value(), 100);
    EXPECT_EQ(edit("edtName")->text(), QStringLiteral("网络硬盘录像机"));
    EXPECT_EQ(edit("edtIP")->text(), QStringLiteral("192.168.1.64"));
    EXPECT_EQ(edit("edtMacAddr")->text(), QStringLiteral("02:00:00:1A:2B:3C"));
    EXPECT_TRUE(notes.messages.isEmpty());
    EXPECT_EQ(dialog->hostText(), QByteArray("host text"));
}

TEST_F(DialogTest, EachFailingLoadStepShowsItsText)
{
    const std::pair<int, const char *> cases[] = {{1, "获取服务器配置信息失败!"},
                                                  {2, "获取缩放设置失败!"},
                                                  {3, "获取解码器设置信息失败!"},
                                                  {9, "获取设置信息失败!"}};
    for (auto [nth, text] : cases) {
        open("", false);
        device().injectFault(Fault::ResultFail, nth);
        notes.messages.clear();
        dialog->tmrProgressTimer();
        EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(text)}) << nth;
        EXPECT_FALSE(dialog->loaded());
        EXPECT_FALSE(find("pnlGetPos")->isVisible());
        EXPECT_EQ(config_queue().count, 0) << "a stopped load leaves nothing queued";
        EXPECT_TRUE(edit("edtName")->text().isEmpty()) << "the server page stays empty";
    }
}

TEST_F(DialogTest, FailedScaleQueryKeepsTheServerPageEmptyForTheDialogsLife)
{
    open("", false);
    device().injectFault(Fault::MissingPayload, 2);
    dialog->tmrProgressTimer();
    EXPECT_EQ(device().log().size(), 2u) << "no batch after a failed scale query";
    click("btnRefresh");
    showPage(TfrmDvrConfig::ChanCfg);
    showPage(TfrmDvrConfig::ServerCfg);
    EXPECT_TRUE(edit("edtName")->text().isEmpty());
}

// What each page's refresh asks the recorder for, by device type.
TEST_F(DialogTest, RefreshSequencesOfEveryPage)
{
    struct Case {
        const char *profile;
        int page;
        Log expected;
    };
    const Case cases[] = {
        {"type=82&channels=2", TfrmDvrConfig::ServerCfg,
         Log{{"get_dvr_config", 100, 0}, {"get_scale_config", 0, 0}, {"get_dvr_config", 1000, 0}}},
        {"type=82&channels=2&first=3", TfrmDvrConfig::ChanCfg,
         gets({{1002, 3}, {1004, 3}, {1040, 3}, {1030, 3}, {1002, 4}, {1004, 4}, {1040, 4}, {1030, 4}})},
        {"type=82", TfrmDvrConfig::NetConfig, gets({{222, 0}})},
        {"type=40", TfrmDvrConfig::NetConfig, {}},
        {"type=82&channels=2", TfrmDvrConfig::SerialCfg, gets({{1036, 0}, {1042, 1}, {1042, 2}})},
        {"type=82&alarmin=2&alarmout=1", TfrmDvrConfig::AlarmCfg, gets({{1024, 0}, {1024, 1}, {1026, 0}, {1034, 0}})},
        {"type=81", TfrmDvrConfig::DiskCfg, gets({{1054, 0}, {1056, 0}})},
        {"type=98", TfrmDvrConfig::DiskCfg, {}},
    };
    for (const Case &c : cases) {
        open(c.profile);
        showPage(c.page);
        device().clearLog();
        click("btnRefresh");
        EXPECT_EQ(device().log(), c.expected) << c.profile << " page " << c.page;
        EXPECT_TRUE(notes.messages.isEmpty()) << c.profile << " page " << c.page;
    }
}

TEST_F(DialogTest, RefreshOfTheServerPageStopsAtAFailedSingleCommand)
{
    open();
    device().injectFault(Fault::ResultFail, 1);
    device().clearLog();
    click("btnRefresh");
    EXPECT_EQ(device().log(), gets({{100, 0}}));
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("获取服务器配置信息失败!")});
    EXPECT_EQ(config_queue().count, 0);
}

TEST_F(DialogTest, SaveSequencesOfEveryPage)
{
    const char *set = "set_dvr_config";
    struct Case {
        const char *profile;
        int page;
        Log expected;
    };
    const Case cases[] = {
        {"type=82", TfrmDvrConfig::ServerCfg, Log{{"set_scale_config", 0, 0}, {set, 101, 0}, {set, 1001, 0}}},
        {"type=82&channels=2", TfrmDvrConfig::ChanCfg,
         gets({{1003, 1}, {1005, 1}, {1041, 1}, {1031, 1}, {1003, 2}, {1005, 2}, {1041, 2}, {1031, 2}}, set)},
        {"type=40&channels=1", TfrmDvrConfig::ChanCfg, gets({{1003, 1}, {1005, 1}, {1031, 1}}, set)},
        {"type=82", TfrmDvrConfig::NetConfig, gets({{1001, 0}, {223, 0}}, set)},
        {"type=40", TfrmDvrConfig::NetConfig, gets({{1001, 0}}, set)},
        {"type=82&channels=2", TfrmDvrConfig::SerialCfg, gets({{1037, 0}, {1043, 1}, {1043, 2}}, set)},
        {"type=82&alarmin=2&alarmout=1", TfrmDvrConfig::AlarmCfg,
         gets({{1025, 0}, {1025, 1}, {1027, 0}, {1035, 0}}, set)},
        {"type=97", TfrmDvrConfig::DiskCfg, gets({{1055, 0}, {1057, 0}}, set)},
    };
    for (const Case &c : cases) {
        open(c.profile);
        showPage(c.page);
        EXPECT_EQ(save(), c.expected) << c.profile << " page " << c.page;
        ASSERT_FALSE(notes.messages.isEmpty());
        EXPECT_EQ(notes.messages.front(), QStringLiteral("保存成功")) << c.profile << " page " << c.page;
    }
}

TEST_F(DialogTest, DiskPageOfADeviceWithoutDisksSendsAndShowsNothing)
{
    for (const char *profile : {"type=80", "type=98"}) {
        open(profile);
        showPage(TfrmDvrConfig::DiskCfg);
        EXPECT_TRUE(save().empty()) << profile;
        EXPECT_TRUE(notes.messages.isEmpty()) << profile;
    }
}

TEST_F(DialogTest, FailedScaleWriteEndsTheServerSaveSilentlyAndQueuesNothingLater)
{
    open();
    device().injectFault(Fault::ResultFail, 1);
    EXPECT_EQ(save(), (Log{{"set_scale_config", 0, 0}}));
    EXPECT_TRUE(notes.messages.isEmpty());
    EXPECT_EQ(config_queue().count, 0) << "set 101 must not go out with a later batch";
    showPage(TfrmDvrConfig::NetConfig);
    EXPECT_EQ(save(), gets({{1001, 0}, {223, 0}}, "set_dvr_config"));
}

TEST_F(DialogTest, ServerSaveAsksForARestartOnlyWhenTheNetworkRecordChanged)
{
    open();
    edit("edtIP")->setText(QStringLiteral("192.168.1.65"));
    save();
    EXPECT_EQ(notes.messages, (QStringList{QStringLiteral("保存成功"), QStringLiteral("请重启服务器!")}));
    EXPECT_EQ(QByteArray(device().state().network.deviceIp), QByteArray("192.168.1.65"));
    save();
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")}) << "the baseline took the change";
    edit("edtName")->setText(QStringLiteral("前台录像机"));
    save();
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")}) << "a name change needs no restart";
}

TEST_F(DialogTest, ChannelSaveAsksForARestartOnStreamKindOrResolution)
{
    for (std::size_t offset : {4u, 5u, 88u, 89u, 6u, 92u}) {
        open("type=82&channels=3");
        showPage(TfrmDvrConfig::ChanCfg);
        reinterpret_cast<std::uint8_t *>(&records().compression[2])[offset] ^= 1;
        save();
        const bool restart = offset == 4 || offset == 5 || offset == 88 || offset == 89;
        EXPECT_EQ(notes.messages.contains(QStringLiteral("请重启服务器!")), restart) << offset;
        save();
        EXPECT_FALSE(notes.messages.contains(QStringLiteral("请重启服务器!"))) << offset;
    }
}

TEST_F(DialogTest, AlarmSaveAsksForARestartOnSensorTypeOrSchedule)
{
    open("alarmin=2&alarmout=2");
    showPage(TfrmDvrConfig::AlarmCfg);
    records().alarmIn[1].alarmInName[0] ^= 1;
    records().alarmOut[1].outputDelay ^= 1;
    save();
    EXPECT_FALSE(notes.messages.contains(QStringLiteral("请重启服务器!")));
    records().alarmOut[1].schedule.days[6].segments[3].endMinute ^= 1;
    save();
    EXPECT_TRUE(notes.messages.contains(QStringLiteral("请重启服务器!")));
    records().alarmIn[1].sensorType ^= 1; // input 1 is not shown, so no control stores over it
    save();
    EXPECT_TRUE(notes.messages.contains(QStringLiteral("请重启服务器!")));
}

TEST_F(DialogTest, FailedSaveShowsSaveFailedAndNoRestart)
{
    open();
    edit("edtIP")->setText(QStringLiteral("10.0.0.2"));
    device().injectFault(Fault::ResultFail, 3);
    save();
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存失败")});
}

TEST_F(DialogTest, RestoreAndRebootAskFirst)
{
    open("reboot_ms=50");
    device().state().info.deviceNumber = 99;
    notes.answers = {false};
    device().clearLog();
    click("btnRestoreConfig");
    EXPECT_TRUE(device().log().empty());
    EXPECT_EQ(device().state().info.deviceNumber, 99u);

    notes.answers = {true, false};
    click("btnRestoreConfig");
    EXPECT_EQ(device().log(), (Log{{"restore_config", 0, 0}}));
    EXPECT_EQ(device().state().info.deviceNumber, device().factory().info.deviceNumber);
    EXPECT_EQ(notes.confirmations.mid(1),
              (QStringList{QStringLiteral("确认要恢复默认设置吗?"), QStringLiteral("恢复默认值成功,请重启服务器!")}));

    notes.confirmations.clear();
    notes.answers = {false};
    click("btnReBoot");
    EXPECT_TRUE(device().online());
    notes.answers = {true};
    click("btnReBoot");
    EXPECT_EQ(notes.confirmations, (QStringList(2, QStringLiteral("确认要重启该服务器?"))));
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("正在重启,请稍候!")});
    EXPECT_FALSE(device().online());
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays open";
}

TEST_F(DialogTest, FailedRestoreAndRebootShowNothing)
{
    open("reboot_ms=2000");
    device().injectFault(Fault::ResultFail, 1);
    notes.answers = {true, true};
    click("btnRestoreConfig");
    ASSERT_EQ(SdkRebootDevice(sim->login), 1); // already rebooting: the next one is refused
    click("btnReBoot");
    EXPECT_TRUE(notes.messages.isEmpty());
    EXPECT_EQ(notes.confirmations.size(), 2);
}

// Saving the server page without edits sends the two records back exactly as loaded.
TEST_F(DialogTest, ServerRoundTripIsByteForByte)
{
    open();
    const dvrsim::DeviceState before = device().state();
    device().state().info.deviceNumber = 0xDEAD; // proves the set really arrives
    device().state().network.reserved306[0] ^= 0xFF;
    save();
    ASSERT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")});
    EXPECT_EQ(std::memcmp(&device().state().info, &before.info, sizeof before.info), 0);
    EXPECT_EQ(std::memcmp(&device().state().network, &before.network, sizeof before.network), 0);
    EXPECT_EQ(device().state().scale, before.scale);
}

TEST_F(DialogTest, ListValueOutsideItsItemsIsStoredBackUnchanged)
{
    open("", false);
    device().state().network.nicType = 9;
    device().state().info.recycleRecord = 7;
    device().state().scale = 1;
    dialog->tmrProgressTimer();
    EXPECT_EQ(find<QComboBox>("cbbInterFace")->currentIndex(), -1);
    EXPECT_EQ(find<QComboBox>("cbbRecycleRec")->currentIndex(), -1);
    save();
    EXPECT_EQ(device().state().network.nicType, 9u);
    EXPECT_EQ(device().state().info.recycleRecord, 7u);
}

TEST_F(DialogTest, CountsAboveTheSlotsAreLimitedOnSave)
{
    open("channels=20&alarmin=20&alarmout=6");
    showPage(TfrmDvrConfig::ChanCfg);
    EXPECT_EQ(save().size(), 16u * 4);
    showPage(TfrmDvrConfig::AlarmCfg);
    EXPECT_EQ(save().size(), 16u + 4 + 1);
}

TEST_F(DialogTest, ClosingEmptiesTheQueueAndHiddenTabsCannotBeReached)
{
    open();
    std::uint8_t scratch[132];
    config_queue_get(sim->login, 100, 0, scratch);
    click("btnExit");
    EXPECT_EQ(config_queue().count, 0);
    auto *pages = find<QTabWidget>("pgcDvrSet");
    EXPECT_FALSE(pages->isTabVisible(TfrmDvrConfig::UserCfg));
    EXPECT_FALSE(pages->isTabVisible(TfrmDvrConfig::OtherSet));
    EXPECT_EQ(pages->tabText(TfrmDvrConfig::DiskCfg), QStringLiteral("硬盘管理"));
}

// Records that a failed load left zeroed never reach the device, whichever page is in front.
TEST_F(DialogTest, NoPageSavesBeforeTheFullLoadHasSucceeded)
{
    for (int page = TfrmDvrConfig::ServerCfg; page <= TfrmDvrConfig::DiskCfg; ++page) {
        open("type=82&channels=2&alarmin=2&alarmout=1", false);
        device().injectFault(dvrsim::Fault::ResultFail, 9); // inside the batch
        dialog->tmrProgressTimer();
        ASSERT_FALSE(dialog->loaded());
        showPage(page);
        EXPECT_TRUE(save().empty()) << page;
        EXPECT_EQ(notes.messages, QStringList{QStringLiteral("获取设置信息失败!")}) << page;
    }
}

// Only btnExit and the close box end the dialog; Escape keeps it and the operator's edits.
TEST_F(DialogTest, EscapeDoesNotCloseTheDialog)
{
    open();
    edit("edtName")->setText(QStringLiteral("未保存"));
    QTest::keyClick(edit("edtName"), Qt::Key_Escape);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
    EXPECT_EQ(edit("edtName")->text(), QStringLiteral("未保存"));
    click("btnExit");
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(DialogTest, OpensCentredOverTheHostsActiveWindow)
{
    QWidget host;
    host.setGeometry(1100, 700, 400, 300);
    host.show();
    QApplication::setActiveWindow(&host);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    open();
    const QPoint offset = dialog->frameGeometry().center() - host.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
}

} // namespace
