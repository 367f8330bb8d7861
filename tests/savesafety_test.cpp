// Nothing lost unseen, nothing reported as saved that was not: what a save sends and says when the
// operator was quick, the device never receives a record, a save failed, a text is long, or an
// answer was malformed.
#include "dialogfixture.h"
#include "shell/pagehelpers.h"

#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <QTest>

#include <functional>

namespace {

using dvrsim::Fault;
const QString Saved = QStringLiteral("保存成功");
const QString Restart = QStringLiteral("请重启服务器!");
constexpr const char *Profile = "type=82&channels=2&alarmin=2&alarmout=1&disks=2";

// A tab clicked while the load waits for its timer shows zeroed records; once the load is done the
// tab shows the device's, so a save sends them back as they were and asks for no restart.
TEST_F(DialogTest, ATabOpenedBeforeTheLoadIsFilledByIt)
{
    for (int page = TfrmDvrConfig::ServerCfg; page <= TfrmDvrConfig::DiskCfg; ++page) {
        open(Profile, false);
        ASSERT_TRUE(dialog->progressTimer()->isActive());
        QTabBar *tabs = find<QTabWidget>("pgcDvrSet")->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
        ASSERT_EQ(find<QTabWidget>("pgcDvrSet")->currentIndex(), page);
        QTRY_VERIFY_WITH_TIMEOUT(dialog->loaded(), 5000);
        const RecordBytes before = deviceRecords();
        const auto log = save();
        EXPECT_EQ(notes.messages, QStringList{Saved}) << page;
        EXPECT_GT(expectSentAsBefore(log, before, dialog->page(page)->normalisedBytes()), 0) << page;
    }
}

// On types 30..49 the DNS/NTP record and the compression records never reach the device: their
// controls show the values but take no edit, and a difference in them asks for no restart.
TEST_F(DialogTest, RecordsTheDeviceNeverReceivesAreShownOnly)
{
    for (int type : {29, 30, 49, 50}) {
        const bool hd = type >= 30 && type <= 49;
        open("type=" + std::to_string(type) + "&channels=2");
        showPage(TfrmDvrConfig::NetConfig);
        for (const char *name : {"edtDDNSIP", "grpNTP", "cbbUseNTP"})
            EXPECT_EQ(find(name)->isEnabled(), !hd) << type << name;
        records().dnsNtp.reserved89[0] ^= 1; // no control stores over it
        save();
        EXPECT_EQ(notes.messages.contains(Restart), !hd) << type;

        showPage(TfrmDvrConfig::ChanCfg);
        EXPECT_TRUE(find("cbbStreamType")->isEnabled()) << type << ": both streams can still be seen";
        for (const char *name : {"cbbFrameType", "edtIntervalFrameI", "cbbRevolution", "cbbStream", "cbbMaxBitRate"})
            EXPECT_EQ(find(name)->isEnabled(), !hd) << type << name;
        records().compression[1].mainStream.resolution ^= 1; // channel 2 is not shown
        save();
        EXPECT_EQ(notes.messages.contains(Restart), !hd) << type;
    }
}

// The baselines move only once a save has reached the device: after a failed save the retry still
// asks for the restart the change needs.
TEST_F(DialogTest, ARetryAfterAFailedSaveStillAsksForTheRestart)
{
    struct Case {
        int page;
        int failingCommand; // of the save: the server page sends its scale write first
        std::function<void(DvrRecords &)> change;
    };
    const Case cases[] = {
        {TfrmDvrConfig::ServerCfg, 2, [](DvrRecords &) {}}, // the address is typed below
        {TfrmDvrConfig::ChanCfg, 4, [](DvrRecords &r) { r.compression[0].subStream.streamKind ^= 1; }},
        {TfrmDvrConfig::NetConfig, 2, [](DvrRecords &) {}},
        {TfrmDvrConfig::AlarmCfg, 1, [](DvrRecords &r) { r.alarmOut[0].schedule.days[0].segments[0].endHour ^= 1; }},
        {TfrmDvrConfig::DiskCfg, 2, [](DvrRecords &r) { r.diskGroup.groups[0].groupNumber ^= 1; }},
    };
    for (const Case &c : cases) {
        open(Profile);
        showPage(c.page);
        if (c.page == TfrmDvrConfig::ServerCfg)
            edit("edtIP")->setText(QStringLiteral("192.168.1.65"));
        else if (c.page == TfrmDvrConfig::NetConfig)
            edit("edtNTPIP")->setText(QStringLiteral("ntp.example.org"));
        c.change(records());
        device().injectFault(Fault::ResultFail, c.failingCommand);
        save();
        EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存失败")}) << c.page;
        save();
        EXPECT_EQ(notes.messages, (QStringList{Saved, Restart})) << c.page;
        save();
        EXPECT_EQ(notes.messages, QStringList{Saved}) << c.page;
    }
}

// A field stores GBK bytes: typing and pasting stop at its width in bytes, so a save never cuts.
TEST_F(DialogTest, TypingStopsAtTheFieldsWidthInBytes)
{
    struct Case {
        int page;
        const char *field;
        int bytes;
        std::function<QString(const DvrRecords &)> stored;
    };
    const Case cases[] = {
        {TfrmDvrConfig::ServerCfg, "edtName", 32,
         [](const DvrRecords &r) { return fieldText(r.deviceInfo.deviceName); }},
        {TfrmDvrConfig::ChanCfg, "edtSelChanName", 32,
         [](const DvrRecords &r) { return fieldText(r.picture[0].channelName); }},
        {TfrmDvrConfig::NetConfig, "edtPPPoEUser", 32,
         [](const DvrRecords &r) { return fieldText(r.network.pppoeUser); }},
        {TfrmDvrConfig::NetConfig, "edtNTPIP", 64, [](const DvrRecords &r) { return fieldText(r.dnsNtp.ntpServer); }},
        {TfrmDvrConfig::SerialCfg, "edtPPPUser", 12, [](const DvrRecords &r) { return fieldText(r.rs232.pppUser); }},
        {TfrmDvrConfig::AlarmCfg, "edtAlarmInName", 32,
         [](const DvrRecords &r) { return fieldText(r.alarmIn[0].alarmInName); }},
    };
    const QString wide = QStringLiteral("汉");
    for (const Case &c : cases) {
        open(Profile);
        showPage(c.page);
        QLineEdit *field = edit(c.field);
        field->clear();
        field->insert(QString(c.bytes, wide[0])); // pasted: too long as a whole
        EXPECT_EQ(field->text(), QString()) << c.field;
        for (int i = 0; i < c.bytes; ++i) // typed one by one
            field->insert(i == 0 ? QStringLiteral("a") : wide);
        EXPECT_EQ(gbkLength(field->text()), std::size_t(c.bytes - 1)) << c.field << ": 'a' and whole characters";
        field->insert(QStringLiteral("b"));
        EXPECT_EQ(gbkLength(field->text()), std::size_t(c.bytes)) << c.field;
        const QString shown = field->text();
        save();
        EXPECT_EQ(notes.messages.value(0), Saved) << c.field;
        EXPECT_EQ(c.stored(records()), shown) << c.field << ": nothing cut on save";
    }
}

// An answer that is not the record (a stray character, a payload wrapped over lines) changes
// nothing; one that holds less than the record is shown, but never sent back with bytes the device
// did not send.
TEST_F(DialogTest, MalformedAnswersNeverReachASave)
{
    struct Case {
        int page;
        Fault fault;
        int nth; // command of the refresh
        bool refreshFails;
    };
    const Case cases[] = {
        {TfrmDvrConfig::ChanCfg, Fault::StrayCharacter, 1, true},   // the first channel's picture
        {TfrmDvrConfig::ChanCfg, Fault::WrappedPayload, 8, true},   // the second channel's overlay
        {TfrmDvrConfig::NetConfig, Fault::StrayCharacter, 1, true}, // DNS/NTP
        {TfrmDvrConfig::ServerCfg, Fault::EmptyPayload, 3, false},  // the network record
        {TfrmDvrConfig::ServerCfg, Fault::ShortPayload, 1, false},  // the device information
        {TfrmDvrConfig::AlarmCfg, Fault::ShortPayload, 4, false},   // the exception record
    };
    for (const Case &c : cases) {
        open(Profile);
        showPage(c.page);
        const RecordBytes before = deviceRecords();
        device().injectFault(c.fault, c.nth);
        notes.messages.clear();
        click("btnRefresh");
        EXPECT_EQ(notes.messages, c.refreshFails ? QStringList{QStringLiteral("获取设置信息失败!")} : QStringList{})
            << c.page << "/" << c.nth;
        const auto log = save();
        if (c.refreshFails) {
            EXPECT_EQ(notes.messages, QStringList{Saved}) << c.page << "/" << c.nth;
            expectSentAsBefore(log, before, dialog->page(c.page)->normalisedBytes());
        } else {
            EXPECT_TRUE(log.empty()) << c.page << "/" << c.nth;
            EXPECT_EQ(notes.messages, QStringList{incompleteRecordsText()}) << c.page << "/" << c.nth;
            click("btnRefresh"); // the whole record again
            EXPECT_EQ(save().empty(), false);
            EXPECT_EQ(notes.messages, QStringList{Saved}) << c.page << "/" << c.nth;
        }
    }
    // In the full load a stray character fails the load, so no page can save.
    open(Profile, false);
    device().injectFault(Fault::StrayCharacter, 4);
    dialog->tmrProgressTimer();
    EXPECT_FALSE(dialog->loaded());
}

} // namespace
