// The alarm page against the simulated recorder: the lists for the device's counts, what each
// control stores, the copy buttons, the restart prompt, the exception group and the editors it
// opens on the records of the input or output shown.
#include "alarm/alarmpage.h"
#include "alarm/frmsetguardtime.h"
#include "alarm/frmsetlinktype.h"
#include "command/recordcommands.h"
#include "dialogfixture.h"
#include "shell/pagehelpers.h"
#include "subdialogfixture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

#include <functional>

namespace {

using Log = std::vector<dvrsim::LogEntry>;

QStringList items(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

QStringList numbered(const QString &prefix, int count)
{
    QStringList texts;
    for (int n = 1; n <= count; ++n)
        texts << prefix + QString::number(n);
    return texts;
}

// Whether `act` opened a modal dialog; one that opened is rejected, so `act` returns.
bool opensModal(const std::function<void()> &act)
{
    bool opened = false;
    QObject scope;
    QTimer::singleShot(0, &scope, [&] {
        if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            opened = true;
            modal->reject();
        }
    });
    act();
    return opened;
}

class AlarmPageTest : public DialogTest {
protected:
    void openPage(const std::string &profile)
    {
        open(profile);
        showPage(TfrmDvrConfig::AlarmCfg);
    }
    // Controls of the alarm page only: the linkage editor has boxes of the same names.
    template <typename T = QWidget> T *on(const char *name) const
    {
        return child<T>(dialog->page(TfrmDvrConfig::AlarmCfg), QString::fromLatin1(name));
    }
    QComboBox *box(const char *name) const { return on<QComboBox>(name); }
    QCheckBox *check(const char *name) const { return on<QCheckBox>(name); }
    void press(const char *name) const { on<QAbstractButton>(name)->click(); }

    // Presses `opener` on the page and `button` in the editor it opens, after `before`.
    template <typename Editor>
    ModalRun inEditor(const char *opener, const char *button, const std::function<void(Editor &)> &before = {})
    {
        return pressInModalLoop<Editor>([&] { press(opener); }, button, before);
    }
};

TEST_F(AlarmPageTest, ListsFollowTheCountsAndOnlyThoseRecordsAreSent)
{
    struct Case {
        const char *profile;
        int inputs, outputs;
    };
    const Case cases[] = {
        {"alarmin=2&alarmout=0", 2, 0}, {"alarmin=16&alarmout=4", 16, 4}, {"alarmin=20&alarmout=6", 16, 4}};
    for (const Case &c : cases) {
        openPage(c.profile);
        const QStringList in = numbered(QStringLiteral("报警输入"), c.inputs);
        const QStringList out = numbered(QStringLiteral("报警输出"), c.outputs);
        EXPECT_EQ(items(box("cbbAlarmIn")), in) << c.profile;
        EXPECT_EQ(items(box("cbbCopyAlarmIn")), QStringList{QStringLiteral("全部报警输入")} + in) << c.profile;
        EXPECT_EQ(items(box("cbbAlarmOut")), out) << c.profile;
        EXPECT_EQ(items(box("cbbCopyAlarmOut")), QStringList{QStringLiteral("全部报警输出")} + out) << c.profile;
        EXPECT_EQ(box("cbbException")->currentText(), QStringLiteral("硬盘满"));

        Log expected;
        for (int i = 0; i < c.inputs; ++i)
            expected.push_back({"set_dvr_config", setCommandOf<AlarmInRecord>, i});
        for (int j = 0; j < c.outputs; ++j)
            expected.push_back({"set_dvr_config", setCommandOf<AlarmOutRecord>, j});
        expected.push_back({"set_dvr_config", setCommandOf<ExceptionRecord>, 0});
        EXPECT_EQ(save(), expected) << c.profile;
        EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")}) << c.profile;
        if (c.outputs == 0) {
            // Without outputs there is nothing to copy or to open the editor on.
            const AlarmOutRecord untouched = records().alarmOut[0];
            press("btnCopyAlarmOut");
            EXPECT_FALSE(opensModal([&] { press("btnAlarmOutGuardTime"); }));
            EXPECT_TRUE(sameBytes(untouched, records().alarmOut[0]));
        }
    }
}

// A full load that failed part-way leaves the alarm records zero: a save must not send them.
TEST_F(AlarmPageTest, NoSaveAfterAFailedFullLoad)
{
    open("alarmin=2&alarmout=1", false);
    device().injectFault(dvrsim::Fault::ResultFail, 4); // the batch fails at its first answer
    dialog->tmrProgressTimer();
    showPage(TfrmDvrConfig::AlarmCfg);
    EXPECT_EQ(items(box("cbbAlarmIn")).size(), 2);
    EXPECT_TRUE(save().empty());
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("获取设置信息失败!")});
    EXPECT_TRUE(sameBytes(device().state().exception, device().factory().exception));
}

// Load, show, save: every record of the page reaches the recorder as it was loaded, the fields
// the page stores in a normal form included.
TEST_F(AlarmPageTest, SaveWithoutEditsSendsEveryRecordBackWhole)
{
    openPage("alarmin=3&alarmout=2");
    dvrsim::DeviceState &s = device().state();
    const dvrsim::DeviceState loaded = s;
    for (AlarmInRecord &r : s.alarmIn)
        fillPattern(r, 7);
    for (AlarmOutRecord &r : s.alarmOut)
        fillPattern(r, 8);
    fillPattern(s.exception, 9);
    save();
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(sameBytes(s.alarmIn[i], loaded.alarmIn[i])) << i;
    for (std::size_t j = 0; j < 2; ++j)
        EXPECT_TRUE(sameBytes(s.alarmOut[j], loaded.alarmOut[j])) << j;
    EXPECT_TRUE(sameBytes(s.exception, loaded.exception));
}

TEST_F(AlarmPageTest, ControlsStoreIntoTheShownRecordsAndValuesOutsideTheListsAreKept)
{
    open("alarmin=3&alarmout=2", false);
    device().state().alarmIn[0].sensorType = 2;
    device().state().alarmOut[0].outputDelay = 8;
    dialog->tmrProgressTimer();
    const dvrsim::DeviceState loaded = device().state();
    showPage(TfrmDvrConfig::AlarmCfg);
    EXPECT_EQ(box("cbbAlarmInType")->currentIndex(), -1);
    EXPECT_EQ(box("cbbAlarmOutDelay")->currentIndex(), -1);
    EXPECT_TRUE(on("btnAlarmInGuardTime")->isEnabled() && on("btnLinkType")->isEnabled()); // input 1 is handled
    save(); // while the values outside the lists are shown
    EXPECT_TRUE(sameBytes(device().state().alarmIn[0], loaded.alarmIn[0])) << "sensor type 2 kept";
    EXPECT_TRUE(sameBytes(device().state().alarmOut[0], loaded.alarmOut[0])) << "delay 8 kept";

    choose(box("cbbAlarmIn"), 1);
    EXPECT_FALSE(check("chkDealAlarmIn")->isChecked()); // the second input is not handled
    EXPECT_FALSE(on("btnAlarmInGuardTime")->isEnabled() || on("btnLinkType")->isEnabled());
    press("chkDealAlarmIn");
    EXPECT_TRUE(on("btnAlarmInGuardTime")->isEnabled() && on("btnLinkType")->isEnabled());
    choose(box("cbbAlarmInType"), 1);
    choose(box("cbbAlarmOut"), 1);
    choose(box("cbbAlarmOutDelay"), 7);
    save();
    const dvrsim::DeviceState &s = device().state();
    EXPECT_EQ(s.alarmIn[1].sensorType, 1);
    EXPECT_EQ(s.alarmIn[1].handleAlarmIn, 1);
    EXPECT_EQ(s.alarmOut[1].outputDelay, 7u);
    EXPECT_TRUE(sameBytes(s.alarmIn[0], loaded.alarmIn[0]));
    EXPECT_TRUE(sameBytes(s.alarmOut[0], loaded.alarmOut[0]));
}

TEST_F(AlarmPageTest, CopyInputToAllKeepsEachTargetsName)
{
    openPage("alarmin=3&alarmout=1");
    const AlarmInRecord beyond = records().alarmIn[3];
    on<QLineEdit>("edtAlarmInName")->setText(QStringLiteral("大门"));
    choose(box("cbbAlarmInType"), 1);
    choose(box("cbbCopyAlarmIn"), 0);
    press("btnCopyAlarmIn");
    save();
    const auto &in = device().state().alarmIn;
    EXPECT_EQ(fieldText(in[0].alarmInName), QStringLiteral("大门"));
    EXPECT_EQ(in[0].sensorType, 1);
    for (std::size_t n : {1u, 2u}) {
        AlarmInRecord expected = in[0];
        std::memcpy(expected.alarmInName, device().factory().alarmIn[n].alarmInName, 32);
        EXPECT_TRUE(sameBytes(in[n], expected)) << "input " << n + 1;
    }
    EXPECT_TRUE(sameBytes(records().alarmIn[3], beyond)) << "no copy beyond the inputs of the device";
}

TEST_F(AlarmPageTest, CopyToOneTargetOrOntoItself)
{
    openPage("alarmin=3&alarmout=3");
    const auto saved = std::make_unique<DvrRecords>(records());
    const DvrRecords &before = *saved;
    choose(box("cbbAlarmIn"), 1);
    choose(box("cbbAlarmOut"), 1);
    choose(box("cbbAlarmOutDelay"), 5);
    on<QLineEdit>("edtAlarmInName")->setText(QStringLiteral("x"));

    choose(box("cbbCopyAlarmIn"), 2); // onto itself: only the controls are stored
    press("btnCopyAlarmIn");
    choose(box("cbbCopyAlarmOut"), 2);
    press("btnCopyAlarmOut");
    AlarmInRecord in1 = before.alarmIn[1];
    std::memset(in1.alarmInName, 0, 32);
    in1.alarmInName[0] = 'x';
    AlarmOutRecord out1 = before.alarmOut[1];
    out1.outputDelay = 5;
    EXPECT_TRUE(sameBytes(records().alarmIn[1], in1));
    EXPECT_TRUE(sameBytes(records().alarmOut[1], out1));
    for (int n : {0, 2}) {
        EXPECT_TRUE(sameBytes(records().alarmIn[n], before.alarmIn[n])) << n;
        EXPECT_TRUE(sameBytes(records().alarmOut[n], before.alarmOut[n])) << n;
    }

    choose(box("cbbCopyAlarmIn"), 3); // the third input only
    press("btnCopyAlarmIn");
    choose(box("cbbCopyAlarmOut"), 0); // every other output
    press("btnCopyAlarmOut");
    AlarmInRecord in2 = in1;
    std::memcpy(in2.alarmInName, before.alarmIn[2].alarmInName, 32);
    EXPECT_TRUE(sameBytes(records().alarmIn[2], in2));
    EXPECT_TRUE(sameBytes(records().alarmIn[0], before.alarmIn[0]));
    for (int n : {0, 2})
        EXPECT_TRUE(sameBytes(records().alarmOut[n], out1)) << n;
    EXPECT_TRUE(sameBytes(records().alarmOut[3], before.alarmOut[3])) << "no copy beyond the outputs of the device";
}

TEST_F(AlarmPageTest, NameOf32BytesHasNoTerminatorAndLongerTextIsCut)
{
    openPage("alarmin=2&alarmout=0");
    QLineEdit *name = on<QLineEdit>("edtAlarmInName");
    const QString full(16, QChar(u'警')); // 32 bytes in GBK
    name->setText(full + QStringLiteral("门"));
    save();
    EXPECT_EQ(gbk::encode(full.toStdU16String()), std::string(device().state().alarmIn[0].alarmInName, 32));
    click("btnRefresh");
    EXPECT_EQ(name->text(), full) << "shown back whole";
    name->clear();
    QTest::keyClicks(name, QString(40, QLatin1Char('a')));
    EXPECT_EQ(name->text().size(), 32) << "typing stops at the field's length";
}

TEST_F(AlarmPageTest, OnlySensorTypeOrScheduleChangesAskForARestart)
{
    openPage("alarmin=2&alarmout=2");
    const QStringList saved{QStringLiteral("保存成功")};
    const QStringList restart{QStringLiteral("保存成功"), QStringLiteral("请重启服务器!")};
    auto editSchedule = [this](const char *opener) {
        inEditor<TfrmSetGuardTime>(opener, "btnOK", [](TfrmSetGuardTime &d) {
            child<QSpinBox>(&d, QStringLiteral("speStartHour1"))->setValue(8);
        });
    };
    struct Step {
        const char *what;
        std::function<void()> edit;
        QStringList messages;
    };
    const Step steps[] = {
        {"name", [&] { on<QLineEdit>("edtAlarmInName")->setText(QStringLiteral("后门")); }, saved},
        {"handling, delay, exception",
         [&] {
             press("chkDealAlarmIn");
             choose(box("cbbAlarmOutDelay"), 4);
             press("chkLinkMail");
         },
         saved},
        {"sensor type", [&] { choose(box("cbbAlarmInType"), 1); }, restart},
        {"nothing after a restart", [] {}, saved},
        {"input schedule",
         [&] {
             press("chkDealAlarmIn"); // handled again, so the editor can open
             editSchedule("btnAlarmInGuardTime");
         },
         restart},
        {"output schedule of the second output",
         [&] {
             choose(box("cbbAlarmOut"), 1);
             editSchedule("btnAlarmOutGuardTime");
         },
         restart},
        {"nothing", [] {}, saved},
    };
    for (const Step &s : steps) {
        s.edit();
        save();
        EXPECT_EQ(notes.messages, s.messages) << s.what;
    }
    EXPECT_EQ(device().state().alarmOut[1].schedule.days[0].segments[0].startHour, 8);
    EXPECT_EQ(device().state().alarmOut[0].schedule.days[0].segments[0].startHour, 0);
}

TEST_F(AlarmPageTest, ExceptionGroupStoresTriggersWhateverTheMasterBoxShows)
{
    open("alarmin=1&alarmout=4", false);
    ExceptionRecord &exc = device().state().exception;
    AlarmHandling &cable = exc.exceptionHandling[2];
    cable.handleFlags = 0xFFFFFFFFu; // bit 0 and bits 5-31 are not shown, so not kept
    std::memset(cable.alarmOutTrigger, 0, 4);
    dialog->tmrProgressTimer();
    const ExceptionRecord loaded = exc;
    showPage(TfrmDvrConfig::AlarmCfg);

    choose(box("cbbException"), 2);
    EXPECT_EQ(box("cbbException")->currentText(), QStringLiteral("网线断"));
    for (const char *name : {"chkLinkSound", "chkLinkCenter", "chkLinkAlarmOut", "chkLinkMail"})
        EXPECT_TRUE(check(name)->isChecked()) << name;
    EXPECT_TRUE(check("chkLinkAlarmOut2")->isEnabled());
    press("chkLinkAlarmOut2");
    press("chkLinkSound");
    press("chkLinkAlarmOut"); // off: the output boxes are disabled, their ticks stay
    EXPECT_FALSE(check("chkLinkAlarmOut2")->isEnabled());
    EXPECT_TRUE(check("chkLinkAlarmOut2")->isChecked());
    save();

    EXPECT_EQ(exc.exceptionHandling[2].handleFlags, std::uint32_t(ReportToCentre | SendEmail));
    const std::uint8_t triggers[4] = {0, 1, 0, 0};
    EXPECT_EQ(std::memcmp(exc.exceptionHandling[2].alarmOutTrigger, triggers, 4), 0);
    // Everything else of the record, kinds 6-31 included, goes back as loaded.
    ExceptionRecord expected = loaded;
    expected.exceptionHandling[2].handleFlags = ReportToCentre | SendEmail;
    std::memcpy(expected.exceptionHandling[2].alarmOutTrigger, triggers, 4);
    EXPECT_TRUE(sameBytes(exc, expected));

    // Another kind shows its own handling; kind 2 shows what was stored.
    choose(box("cbbException"), 1);
    EXPECT_TRUE(check("chkLinkAlarmOut1")->isChecked() && check("chkLinkAlarmOut1")->isEnabled());
    EXPECT_FALSE(check("chkLinkAlarmOut2")->isChecked());
    choose(box("cbbException"), 2);
    EXPECT_FALSE(check("chkLinkAlarmOut")->isChecked());
    EXPECT_TRUE(check("chkLinkAlarmOut2")->isChecked());

    // A fill (the tab shown again) keeps the kind shown and shows it anew.
    press("chkLinkAlarmOut2");
    showPage(TfrmDvrConfig::ServerCfg);
    showPage(TfrmDvrConfig::AlarmCfg);
    EXPECT_EQ(box("cbbException")->currentIndex(), 2);
    EXPECT_TRUE(check("chkLinkAlarmOut2")->isChecked());
}

TEST_F(AlarmPageTest, ScheduleEditorOpensOnTheShownInputAndItsChangeSurvivesASwitch)
{
    openPage("alarmin=3&alarmout=2");
    choose(box("cbbAlarmIn"), 2);
    QString caption;
    const ModalRun run = inEditor<TfrmSetGuardTime>("btnAlarmInGuardTime", "btnOK", [&](TfrmSetGuardTime &d) {
        caption = d.windowTitle();
        child<QSpinBox>(&d, QStringLiteral("speEndHour1"))->setValue(20);
    });
    EXPECT_TRUE(run.modal && run.closed);
    EXPECT_EQ(caption, QStringLiteral("设置布防时间－报警输入"));
    EXPECT_EQ(records().alarmIn[2].schedule.days[0].segments[0].endHour, 20);

    choose(box("cbbAlarmIn"), 0);
    choose(box("cbbAlarmIn"), 2);
    save();
    EXPECT_EQ(device().state().alarmIn[2].schedule.days[0].segments[0].endHour, 20);
    for (int n : {0, 1})
        EXPECT_TRUE(sameBytes(device().state().alarmIn[n], device().factory().alarmIn[n])) << n;

    choose(box("cbbAlarmOut"), 1);
    inEditor<TfrmSetGuardTime>("btnAlarmOutGuardTime", "btnCancel",
                               [&](TfrmSetGuardTime &d) { caption = d.windowTitle(); });
    EXPECT_EQ(caption, QStringLiteral("设置布防时间"));
}

TEST_F(AlarmPageTest, LinkageEditorOpensOnTheShownInputWithItsPtzLinks)
{
    openPage("channels=4&alarmin=3&alarmout=2");
    choose(box("cbbAlarmIn"), 2); // the third input is handled, records channel 3 and presets it
    QString caption;
    bool ptz = false, channel3 = false, preset = false;
    const ModalRun run = inEditor<TfrmSetLinkType>("btnLinkType", "btnOK", [&](TfrmSetLinkType &d) {
        caption = d.windowTitle();
        ptz = child<QGroupBox>(&d, QStringLiteral("grpPTZLink"))->isEnabled();
        channel3 = child<QListWidget>(&d, QStringLiteral("chklstLinkChan"))->item(2)->checkState() == Qt::Checked;
        auto *channel = child<QComboBox>(&d, QStringLiteral("cbbLinkChan"));
        choose(channel, 2);
        preset = child<QCheckBox>(&d, QStringLiteral("chkPreSet"))->isChecked();
        child<QCheckBox>(&d, QStringLiteral("chkLinkMail"))->click();
    });
    EXPECT_TRUE(run.modal && run.closed);
    EXPECT_EQ(caption, QStringLiteral("联动方式－报警输入"));
    EXPECT_TRUE(ptz && channel3 && preset);
    EXPECT_TRUE(records().alarmIn[2].handling.handleFlags & SendEmail);
    for (int n : {0, 1})
        EXPECT_TRUE(sameBytes(records().alarmIn[n], device().factory().alarmIn[n])) << n;
}

} // namespace
