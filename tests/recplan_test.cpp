// The recording-plan editor on a record in memory: display of both modes, the checks of a day,
// the hour rule, copy, cancel; every case compares the whole record byte for byte.
#include "channel/frmsetrecplan.h"
#include "subdialogfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QTest>

namespace {

struct Segment {
    bool on;
    int startHour, startMinute, endHour, endMinute, type;
};
constexpr Segment Off{false, 0, 0, 0, 0, 0};

class RecPlanTest : public SubDialogTest<TfrmSetRecPlan> {
protected:
    void SetUp() override
    {
        fillPattern(record);
        // Every day by segments, none of them on; headers' other bytes and all carried bytes keep the pattern.
        for (int d = 0; d < 7; ++d) {
            plan().days[d].allDay = 0;
            for (RecordingSegment &s : plan().segmentDays[d].segments)
                s.startHour = s.startMinute = s.endHour = s.endMinute = s.recordType = 0;
        }
    }
    RecordingSchedule &plan() { return record.recordingSchedule; }
    void open() { create(nullptr, &record); }
    QCheckBox *box(int n) const { return find<QCheckBox>(QStringLiteral("chkTime%1").arg(n)); }
    QSpinBox *spin(const char *field, int n) const { return find<QSpinBox>(QLatin1String(field) + QString::number(n)); }
    QComboBox *list(const char *name) const { return find<QComboBox>(QLatin1String(name)); }
    QComboBox *type(int n) const { return find<QComboBox>(QStringLiteral("cbbRecType%1").arg(n)); }

    // Sets segment n as the operator would: tick or untick, then the numbers and the type.
    void enter(int n, const Segment &s) const
    {
        if (box(n)->isChecked() != s.on)
            box(n)->click();
        if (!s.on)
            return;
        spin("speStartMin", n)->setValue(s.startMinute);
        spin("speStartHour", n)->setValue(s.startHour);
        spin("speEndMin", n)->setValue(s.endMinute);
        spin("speEndHour", n)->setValue(s.endHour);
        type(n)->setCurrentIndex(s.type);
    }
    void enterDay(const std::array<Segment, 4> &day) const
    {
        for (int n = 1; n <= 4; ++n)
            enter(n, day[std::size_t(n - 1)]);
    }
    static void storeInto(RecordingDaySegments &day, const std::array<Segment, 4> &segments)
    {
        for (int k = 0; k < 4; ++k) {
            const Segment &s = segments[std::size_t(k)];
            RecordingSegment &r = day.segments[k];
            r.startHour = std::uint8_t(s.on ? s.startHour : 0);
            r.startMinute = std::uint8_t(s.on ? s.startMinute : 0);
            r.endHour = std::uint8_t(s.on ? s.endHour : 0);
            r.endMinute = std::uint8_t(s.on ? s.endMinute : 0);
            r.recordType = std::uint8_t(s.on ? s.type : 0);
        }
    }

    ChannelRecordingRecord record;
};

TEST_F(RecPlanTest, TouchingSegmentsAreStoredUntickedOnesAsZeros)
{
    plan().segmentDays[0].segments[2] = {9, 0, 10, 0, 4, {7, 7, 7}};
    open();
    EXPECT_EQ(dialog->objectName(), QStringLiteral("TfrmSetRecPlan"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("设置录像计划"));
    EXPECT_TRUE(box(3)->isChecked());
    const std::array<Segment, 4> day = {Segment{true, 0, 0, 8, 0, 1}, Segment{true, 8, 0, 24, 0, 5}, Off, Off};
    enterDay(day);
    ChannelRecordingRecord expected = record;
    storeInto(expected.recordingSchedule.segmentDays[0], day);
    const ModalRun run = execPressing("btnOK");
    EXPECT_TRUE(run.closed);
    EXPECT_TRUE(sameBytes(record, expected));
    EXPECT_TRUE(notes.messages.isEmpty());
}

// A refused day writes nothing at all, its mode included, and the dialog stays open.
TEST_F(RecPlanTest, ChecksInOrderWithTheSegmentNumbers)
{
    const struct {
        std::array<Segment, 4> day;
        const char *message;
    } cases[] = {
        {{Segment{true, 0, 0, 8, 30, 0}, Segment{true, 8, 0, 12, 0, 0}, Off, Off}, "录像时间段1,2不能重复!"},
        {{Off, Off, Segment{true, 10, 0, 9, 0, 0}, Off}, "录像时间段3开始时间不能大于结束时间!"},
        {{Segment{true, 8, 0, 12, 0, 0}, Off, Off, Segment{true, 10, 0, 10, 0, 0}}, "录像时间段1,4不能重复!"},
        {{Off, Segment{true, 13, 0, 14, 0, 0}, Segment{true, 12, 0, 13, 30, 0}, Off}, "录像时间段2,3不能重复!"},
    };
    for (const auto &c : cases) {
        SetUp();
        plan().days[0].allDay = 1; // an all-day Monday switched to segments by the operator
        open();
        choose(list("cbbRecMode"), 0);
        enterDay(c.day);
        const ChannelRecordingRecord before = record;
        notes.messages.clear();
        const ModalRun run = execPressing("btnOK");
        EXPECT_FALSE(run.closed) << c.message;
        EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(c.message)});
        EXPECT_TRUE(sameBytes(record, before)) << c.message;
        EXPECT_EQ(plan().days[0].allDay, 1) << c.message;
    }
}

TEST_F(RecPlanTest, StoredTimeLaterThanMidnightIsRefused)
{
    plan().segmentDays[0].segments[1] = {20, 0, 24, 30, 0, {1, 2, 3}};
    open();
    EXPECT_EQ(spin("speEndMin", 2)->value(), 30);
    const ChannelRecordingRecord before = record;
    click("btnOK");
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("时间不能大于24:00!")});
    EXPECT_TRUE(sameBytes(record, before));
}

TEST_F(RecPlanTest, HourOf24ClearsAndDisablesItsMinute)
{
    plan().segmentDays[0].segments[1] = {6, 15, 20, 45, 2, {0, 0, 0}};
    open();
    spin("speEndHour", 2)->setValue(24);
    EXPECT_FALSE(spin("speEndMin", 2)->isEnabled());
    EXPECT_EQ(spin("speEndMin", 2)->value(), 0);
    EXPECT_TRUE(spin("speStartMin", 2)->isEnabled()) << "only the matching minute";
    EXPECT_EQ(spin("speStartMin", 2)->value(), 15);
    spin("speStartHour", 2)->setValue(24);
    EXPECT_FALSE(spin("speStartMin", 2)->isEnabled());
    spin("speEndHour", 2)->setValue(23);
    EXPECT_TRUE(spin("speEndMin", 2)->isEnabled());
}

TEST_F(RecPlanTest, SpinEditsTakeAtMostThreeDigits)
{
    open();
    for (int n = 1; n <= 4; ++n) {
        box(n)->click(); // ticked, so its spin edits take keys
        for (const char *field : {"speStartHour", "speStartMin", "speEndHour", "speEndMin"}) {
            spin(field, n)->selectAll();
            QTest::keyClicks(spin(field, n), "0a0-07");
            EXPECT_EQ(spin(field, n)->text(), QStringLiteral("000")) << field << n;
        }
    }
}

TEST_F(RecPlanTest, AllDayDayShowsSegmentOneAndStoresOnlyItsHeader)
{
    plan().days[1] = {1, 3, 0xA7};
    plan().segmentDays[1].segments[0] = {8, 0, 9, 0, 1, {0, 0, 0}};
    open();
    choose(list("cbbDate"), 1);
    EXPECT_EQ(list("cbbRecMode")->currentIndex(), 1);
    EXPECT_TRUE(box(1)->isChecked());
    EXPECT_EQ(spin("speEndHour", 1)->value(), 24);
    EXPECT_EQ(type(1)->currentIndex(), 3);
    EXPECT_TRUE(type(1)->isEnabled());
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(box(n)->isEnabled()) << n;
        EXPECT_FALSE(spin("speStartHour", n)->isEnabled()) << n;
    }
    choose(type(1), 5);
    ChannelRecordingRecord expected = record;
    expected.recordingSchedule.days[1].allDayType = 5;
    EXPECT_TRUE(execPressing("btnOK").closed);
    EXPECT_TRUE(sameBytes(record, expected));
}

TEST_F(RecPlanTest, CopyToTheWholeWeekCarriesEveryByteOfTheDay)
{
    plan().days[2] = {0, 2, 0x5C};
    plan().segmentDays[2].segments[0] = {7, 30, 18, 0, 3, {9, 8, 7}};
    open();
    choose(list("cbbDate"), 2);
    choose(list("cbbCopy"), 3); // Wednesday itself: stored, nothing copied
    enter(2, Segment{true, 19, 0, 20, 0, 4});
    ChannelRecordingRecord expected = record;
    storeInto(expected.recordingSchedule.segmentDays[2],
              {Segment{true, 7, 30, 18, 0, 3}, Segment{true, 19, 0, 20, 0, 4}, Off, Off});
    click("btnCopy");
    EXPECT_TRUE(sameBytes(record, expected));

    choose(list("cbbCopy"), 5); // Friday alone
    click("btnCopy");
    expected.recordingSchedule.days[4] = expected.recordingSchedule.days[2];
    expected.recordingSchedule.segmentDays[4] = expected.recordingSchedule.segmentDays[2];
    EXPECT_TRUE(sameBytes(record, expected));

    choose(list("cbbCopy"), 0);
    click("btnCopy");
    for (int d = 0; d < 7; ++d) {
        EXPECT_TRUE(sameBytes(plan().days[d], expected.recordingSchedule.days[2])) << d;
        EXPECT_TRUE(sameBytes(plan().segmentDays[d], expected.recordingSchedule.segmentDays[2])) << d;
    }
    const ChannelRecordingRecord copied = record;
    enter(1, Off); // not stored: cancel drops it and keeps what Copy wrote
    EXPECT_TRUE(execPressing("btnCancel").closed);
    EXPECT_TRUE(sameBytes(record, copied));
}

TEST_F(RecPlanTest, SwitchingDaysDropsUnstoredEditsAndTogglingReloadsTheRecord)
{
    plan().segmentDays[1].segments[0] = {1, 0, 2, 0, 2, {0, 0, 0}};
    open();
    choose(list("cbbDate"), 1);
    enter(1, Segment{true, 3, 0, 4, 0, 1});
    choose(list("cbbDate"), 2);
    choose(list("cbbDate"), 1);
    EXPECT_EQ(spin("speStartHour", 1)->value(), 1);
    EXPECT_EQ(type(1)->currentIndex(), 2);
    box(1)->click(); // unticked: zeros, disabled
    EXPECT_EQ(spin("speEndHour", 1)->value(), 0);
    EXPECT_FALSE(spin("speEndHour", 1)->isEnabled());
    box(1)->click(); // ticked again: the stored values
    EXPECT_EQ(spin("speEndHour", 1)->value(), 2);
    EXPECT_TRUE(spin("speEndHour", 1)->isEnabled());
}

} // namespace
