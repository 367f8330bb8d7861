// The arming-schedule editor on a schedule in memory: display, the checks of a day, copy, exit.
#include "alarm/alarmeditors.h"
#include "alarm/frmsetguardtime.h"
#include "subdialogfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace {

struct Segment {
    bool on;
    int startHour, startMinute, endHour, endMinute;
};
constexpr Segment Off{false, 0, 0, 0, 0};
constexpr const char *Fields[] = {"speStartHour", "speStartMin", "speEndHour", "speEndMin"};

class GuardTimeTest : public SubDialogTest<TfrmSetGuardTime> {
protected:
    void SetUp() override
    {
        fillPattern(schedule);
        // Monday starts empty; its reserved bytes and the other days keep the pattern.
        std::memset(schedule.days[0].segments, 0, sizeof schedule.days[0].segments);
    }

    void open(int kind = MotionDetection) { create(nullptr, kind, &schedule); }
    QCheckBox *box(int n) const { return find<QCheckBox>(QStringLiteral("chkTime%1").arg(n)); }
    QSpinBox *spin(const char *field, int n) const { return find<QSpinBox>(QLatin1String(field) + QString::number(n)); }

    // Sets segment n as the operator would: tick or untick, then type the four numbers.
    void enter(int n, const Segment &s) const
    {
        if (box(n)->isChecked() != s.on)
            box(n)->click();
        if (!s.on)
            return;
        const int values[] = {s.startHour, s.startMinute, s.endHour, s.endMinute};
        for (int f = 0; f < 4; ++f)
            spin(Fields[f], n)->setValue(values[f]);
    }
    void enterDay(const Segment (&segments)[4]) const
    {
        for (int n = 1; n <= 4; ++n)
            enter(n, segments[n - 1]);
    }
    Segment shown(int n) const
    {
        return {box(n)->isChecked(), spin(Fields[0], n)->value(), spin(Fields[1], n)->value(),
                spin(Fields[2], n)->value(), spin(Fields[3], n)->value()};
    }

    ScheduleRecord schedule;
};

// What storing the four segments writes into a day: unticked ones as four zeros.
void storeInto(ScheduleDay &day, const Segment (&segments)[4])
{
    for (int k = 0; k < 4; ++k) {
        const Segment &s = segments[k];
        day.segments[k] = s.on ? ScheduleSegment{std::uint8_t(s.startHour), std::uint8_t(s.startMinute),
                                                 std::uint8_t(s.endHour), std::uint8_t(s.endMinute)}
                               : ScheduleSegment{0, 0, 0, 0};
    }
}

bool operator==(const Segment &a, const Segment &b)
{
    return a.on == b.on && a.startHour == b.startHour && a.startMinute == b.startMinute && a.endHour == b.endHour &&
           a.endMinute == b.endMinute;
}

TEST_F(GuardTimeTest, ShowsStoredSegmentsAndTogglingReloadsFromTheRecord)
{
    schedule.days[0].segments[1] = {8, 30, 17, 45};
    schedule.days[0].segments[2] = {0, 0, 0, 1}; // any non-zero byte makes a segment on
    schedule.days[0].segments[3] = {24, 0, 24, 0};
    const ScheduleRecord before = schedule;
    open();

    EXPECT_EQ(find<QComboBox>("cbbDate")->currentIndex(), 0);
    EXPECT_EQ(find<QComboBox>("cbbCopy")->currentIndex(), 0);
    EXPECT_TRUE(shown(1) == Off);
    EXPECT_TRUE(shown(2) == (Segment{true, 8, 30, 17, 45}));
    EXPECT_TRUE(shown(3) == (Segment{true, 0, 0, 0, 1}));
    EXPECT_TRUE(shown(4) == (Segment{true, 24, 0, 24, 0}));
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(box(n)->property("tag").toInt(), n - 1);
        for (const char *field : Fields)
            EXPECT_EQ(spin(field, n)->isEnabled(), n != 1) << field << n;
    }

    // Unticking shows zeros; ticking again shows what is stored, not what was typed.
    spin("speStartHour", 2)->setValue(11);
    box(2)->click();
    EXPECT_TRUE(shown(2) == Off);
    EXPECT_FALSE(spin("speEndMin", 2)->isEnabled());
    box(2)->click();
    EXPECT_TRUE(shown(2) == (Segment{true, 8, 30, 17, 45}));
    box(1)->click();
    EXPECT_TRUE(shown(1) == (Segment{true, 0, 0, 0, 0}));
    EXPECT_TRUE(sameBytes(schedule, before)) << "toggling writes nothing";
}

// Monday starts empty; each row enters four segments and presses OK.
TEST_F(GuardTimeTest, OkChecksTheDayInOrderAndStoresOnlyWhenAllPass)
{
    struct Case {
        const char *what;
        Segment segments[4];
        const char *message; // null: accepted
    };
    const Case cases[] = {
        {"touching segments", {{true, 8, 0, 12, 0}, {true, 12, 0, 18, 0}, Off, Off}, nullptr},
        {"overlap", {{true, 8, 0, 12, 0}, {true, 11, 0, 13, 0}, Off, Off}, "布防时间段1,2不能重复!"},
        {"later segment inside an earlier one",
         {{true, 8, 0, 12, 0}, {true, 10, 0, 11, 0}, Off, Off},
         "布防时间段1,2不能重复!"},
        {"empty segment inside another",
         {{true, 8, 0, 12, 0}, Off, {true, 10, 0, 10, 0}, Off},
         "布防时间段1,3不能重复!"},
        {"start after end", {Off, Off, {true, 10, 0, 9, 0}, Off}, "布防时间段3开始时间不能大于结束时间!"},
        {"start equals end", {{true, 9, 15, 9, 15}, Off, Off, Off}, nullptr},
        {"whole day to 24:00", {{true, 0, 0, 24, 0}, Off, Off, Off}, nullptr},
        {"24:00 to 24:00", {Off, {true, 24, 0, 24, 0}, Off, Off}, nullptr},
        {"end 24:30", {{true, 8, 0, 24, 30}, Off, Off, Off}, "时间不能大于24:00!"},
        {"range before order", {Off, {true, 24, 30, 24, 10}, Off, Off}, "时间不能大于24:00!"},
        {"ticked 00:00-00:00", {{true, 0, 0, 0, 0}, Off, Off, Off}, nullptr},
        // All tests of segment 1 run before segment 2 is looked at.
        {"segment 1 overlap before segment 2 order",
         {{true, 9, 0, 10, 0}, {true, 15, 0, 14, 0}, {true, 9, 30, 11, 0}, Off},
         "布防时间段1,3不能重复!"},
        {"segment 1 order before segment 2 range",
         {{true, 10, 0, 9, 0}, {true, 24, 30, 24, 40}, Off, Off},
         "布防时间段1开始时间不能大于结束时间!"},
        {"four segments",
         {{true, 0, 0, 6, 0}, {true, 6, 0, 12, 0}, {true, 12, 0, 18, 0}, {true, 18, 0, 24, 0}},
         nullptr},
    };
    for (const Case &c : cases) {
        SetUp();
        notes.messages.clear();
        open();
        enterDay(c.segments);
        const ScheduleRecord before = schedule;
        const ModalRun run = execPressing("btnOK");
        EXPECT_TRUE(run.modal) << c.what;
        if (c.message) {
            EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(c.message)}) << c.what;
            EXPECT_TRUE(sameBytes(schedule, before)) << "nothing stored: " << c.what;
            EXPECT_FALSE(run.closed) << c.what;
            for (int n = 1; n <= 4; ++n)
                EXPECT_TRUE(shown(n) == c.segments[n - 1]) << "controls kept: " << c.what;
            continue;
        }
        EXPECT_TRUE(notes.messages.isEmpty()) << c.what;
        EXPECT_TRUE(run.closed) << c.what;
        EXPECT_EQ(run.result, QDialog::Accepted) << c.what;
        ScheduleRecord expected = before;
        storeInto(expected.days[0], c.segments);
        EXPECT_TRUE(sameBytes(schedule, expected)) << "stored: " << c.what;
    }
}

TEST_F(GuardTimeTest, StoredZeroSegmentsShowUncheckedAndUntickedSegmentsAreCleared)
{
    schedule.days[0].segments[1] = {8, 0, 9, 0};
    open();
    enter(1, {true, 0, 0, 0, 0});
    enter(2, Off);
    click("btnOK");
    EXPECT_EQ(schedule.days[0].segments[1].endHour, 0);
    open();
    EXPECT_TRUE(shown(1) == Off);
    EXPECT_TRUE(shown(2) == Off);
    click("btnOK");
    const ScheduleSegment zero[4] = {};
    EXPECT_EQ(std::memcmp(schedule.days[0].segments, zero, sizeof zero), 0);
}

TEST_F(GuardTimeTest, SwitchingDaysDropsEditsThatWereNotStored)
{
    storeInto(schedule.days[1], {{true, 7, 0, 8, 0}, Off, Off, Off});
    storeInto(schedule.days[2], {Off, Off, Off, Off});
    const ScheduleRecord before = schedule;
    open();
    auto *date = find<QComboBox>("cbbDate");
    choose(date, 1);
    EXPECT_TRUE(shown(1) == (Segment{true, 7, 0, 8, 0}));
    enter(1, {true, 9, 0, 10, 0});
    enter(2, {true, 11, 0, 12, 0});
    choose(date, 2);
    EXPECT_TRUE(shown(1) == Off);
    choose(date, 1);
    EXPECT_TRUE(shown(1) == (Segment{true, 7, 0, 8, 0}));
    EXPECT_TRUE(shown(2) == Off);
    EXPECT_TRUE(sameBytes(schedule, before));
}

TEST_F(GuardTimeTest, CopyStoresTheShownDayAndCopiesAllItsBytes)
{
    const Segment monday[4] = {{true, 8, 0, 12, 0}, Off, {true, 13, 0, 17, 30}, Off};

    // Whole week: every other day becomes Monday's 32 bytes; the dialog stays open.
    open();
    enterDay(monday);
    click("btnCopy");
    EXPECT_TRUE(notes.messages.isEmpty());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(schedule.days[0].segments[2].endMinute, 30);
    for (int d = 1; d < 7; ++d)
        EXPECT_EQ(std::memcmp(&schedule.days[d], &schedule.days[0], sizeof(ScheduleDay)), 0) << d;

    // One target day (item index - 1).
    SetUp();
    open();
    enterDay(monday);
    ScheduleRecord expected = schedule;
    choose(find<QComboBox>("cbbCopy"), 3);
    click("btnCopy");
    storeInto(expected.days[0], monday);
    expected.days[2] = expected.days[0];
    EXPECT_TRUE(sameBytes(schedule, expected));

    // Target equal to the shown day: stored, nothing copied.
    SetUp();
    open();
    choose(find<QComboBox>("cbbDate"), 1);
    enterDay(monday);
    expected = schedule;
    choose(find<QComboBox>("cbbCopy"), 2);
    click("btnCopy");
    storeInto(expected.days[1], monday);
    EXPECT_TRUE(sameBytes(schedule, expected));
}

TEST_F(GuardTimeTest, CopyAfterAFailedCheckCopiesNothing)
{
    open();
    enterDay({{true, 8, 0, 12, 0}, {true, 11, 0, 13, 0}, Off, Off});
    const ScheduleRecord before = schedule;
    for (int target : {0, 4}) {
        notes.messages.clear();
        choose(find<QComboBox>("cbbCopy"), target);
        click("btnCopy");
        EXPECT_EQ(notes.messages, QStringList{QStringLiteral("布防时间段1,2不能重复!")}) << target;
        EXPECT_TRUE(sameBytes(schedule, before)) << target;
    }
}

TEST_F(GuardTimeTest, ExitKeepsWhatCopyStoredAndDropsLaterEdits)
{
    open();
    enter(1, {true, 6, 0, 7, 0});
    click("btnCopy");
    const ScheduleRecord copied = schedule;
    enter(1, {true, 9, 0, 10, 0});
    const ModalRun run = execPressing("btnCancel");
    EXPECT_TRUE(run.modal);
    EXPECT_TRUE(run.closed);
    EXPECT_EQ(run.result, QDialog::Rejected);
    EXPECT_TRUE(sameBytes(schedule, copied));
    EXPECT_EQ(schedule.days[6].segments[0].startHour, 6);
}

TEST_F(GuardTimeTest, CaptionBySourceKind)
{
    const std::pair<int, const char *> cases[] = {
        {MotionDetection, "设置布防时间－移动侦测"},
        {VideoLoss, "设置布防时间－视频丢失"},
        {OcclusionAlarm, "设置布防时间－遮挡报警"},
        {AlarmInput, "设置布防时间－报警输入"},
        {AlarmOutput, "设置布防时间"},
        {VideoMask, "设置布防时间"},
        {-1, "设置布防时间"},
    };
    for (const auto &[kind, caption] : cases) {
        open(kind);
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(caption)) << kind;
    }
}

// The hour and minute ranges hold two digits, so the three-digit limit of the key rule only
// shows once the range is widened.
TEST_F(GuardTimeTest, SpinEditsRefuseAFourthDigitUnlessTheTextIsSelected)
{
    open();
    for (int n = 1; n <= 4; ++n) {
        box(n)->click();
        for (const char *field : Fields) {
            QSpinBox *s = spin(field, n);
            auto *edit = s->findChild<QLineEdit *>();
            ASSERT_NE(edit, nullptr);
            s->setMaximum(9999);
            s->setValue(123);
            edit->deselect();
            edit->end(false);
            QTest::keyClick(s, Qt::Key_4);
            QTest::keyClick(s, Qt::Key_A);
            EXPECT_EQ(edit->text(), QStringLiteral("123")) << field << n;
            QTest::keyClick(s, Qt::Key_Backspace);
            EXPECT_EQ(edit->text(), QStringLiteral("12")) << field << n;
            QTest::keyClick(s, Qt::Key_5);
            EXPECT_EQ(edit->text(), QStringLiteral("125")) << field << n;
            s->selectAll();
            QTest::keyClick(s, Qt::Key_7);
            EXPECT_EQ(edit->text(), QStringLiteral("7")) << field << n;
        }
    }
}

TEST(GuardTimeOpener, RunsModallyOnTheRecordAndDestroysTheDialog)
{
    RecordingNotifier notes;
    ScheduleRecord schedule{};
    schedule.days[0].segments[0] = {8, 0, 9, 0};
    QString caption;
    const ModalRun run =
        pressInModalLoop<TfrmSetGuardTime>([&] { openGuardTimeEditor(nullptr, AlarmOutput, &schedule); }, "btnOK",
                                           [&](TfrmSetGuardTime &dialog) {
                                               caption = dialog.windowTitle();
                                               child<QCheckBox>(&dialog, QStringLiteral("chkTime1"))->click(); // untick
                                           });
    EXPECT_TRUE(run.closed) << "OK refused";
    EXPECT_EQ(run.result, QDialog::Accepted);
    EXPECT_EQ(caption, QStringLiteral("设置布防时间"));
    EXPECT_TRUE(run.modal);
    EXPECT_EQ(schedule.days[0].segments[0].endHour, 0);
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TfrmSetGuardTime *>(w), nullptr) << "destroyed after the run";
}

} // namespace
