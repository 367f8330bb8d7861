// The alarm linkage editor on an alarm-input record in memory: what each kind shows and writes,
// the PTZ links, and the number checks that must leave the record untouched when they refuse.
#include "alarm/alarmeditors.h"
#include "alarm/frmsetlinktype.h"
#include "subdialogfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

#include <cstddef>
#include <memory>

namespace {

// The six PTZ bytes of one channel slot.
struct Ptz {
    int presetEnable, presetNo, cruiseEnable, cruiseNo, trackEnable, trackNo;
};

Ptz ptzAt(const AlarmInRecord &r, int m)
{
    return {r.presetEnable[m], r.presetNo[m], r.cruiseEnable[m], r.cruiseNo[m], r.trackEnable[m], r.trackNo[m]};
}
void setPtz(AlarmInRecord &r, int m, const Ptz &p)
{
    r.presetEnable[m] = std::uint8_t(p.presetEnable);
    r.presetNo[m] = std::uint8_t(p.presetNo);
    r.cruiseEnable[m] = std::uint8_t(p.cruiseEnable);
    r.cruiseNo[m] = std::uint8_t(p.cruiseNo);
    r.trackEnable[m] = std::uint8_t(p.trackEnable);
    r.trackNo[m] = std::uint8_t(p.trackNo);
}
bool operator==(const Ptz &a, const Ptz &b)
{
    return a.presetEnable == b.presetEnable && a.presetNo == b.presetNo && a.cruiseEnable == b.cruiseEnable &&
           a.cruiseNo == b.cruiseNo && a.trackEnable == b.trackEnable && a.trackNo == b.trackNo;
}

// What OK does to the bytes the operator left alone: flags cut to the five shown bits, the
// four outputs as 1/0 under the master box, the first record channels as 1/0.
void untouchedOk(AlarmInRecord &r, int recordChannels)
{
    r.handling.handleFlags &= 0x1Fu;
    for (int k = 0; k < 4; ++k)
        r.handling.alarmOutTrigger[k] = (r.handling.handleFlags & TriggerAlarmOut) && r.handling.alarmOutTrigger[k];
    for (int m = 0; m < recordChannels; ++m)
        r.recordChannel[m] = r.recordChannel[m] ? 1 : 0;
}

class LinkTypeTest : public SubDialogTest<TfrmSetLinkType> {
protected:
    void SetUp() override
    {
        fillPattern(record);
        // Numbers inside the spin ranges, so showing a channel does not already change its bytes.
        for (int m = 0; m < 64; ++m)
            setPtz(record, m, {0, 1 + m % 128, 0, 1 + m % 16, 0, 16 - m % 16});
    }

    void open(int kind, int channelCount = 4)
    {
        create(nullptr, channelCount, &record, record.recordChannel, kind, &record.handling);
    }
    QCheckBox *box(const char *name) const { return find<QCheckBox>(QLatin1String(name)); }
    QSpinBox *spin(const char *name) const { return find<QSpinBox>(QLatin1String(name)); }
    QListWidget *list() const { return find<QListWidget>(QStringLiteral("chklstLinkChan")); }
    Ptz shownPtz() const
    {
        return {box("chkPreSet")->isChecked(), spin("spePreSet")->value(),   box("chkCruise")->isChecked(),
                spin("speCruise")->value(),    box("chkTrack")->isChecked(), spin("speTrack")->value()};
    }

    AlarmInRecord record;
};

constexpr const char *FlagBoxes[] = {"chkLinkMonitor", "chkLinkBell", "chkLinkCenter", "chkLinkAlarmOut",
                                     "chkLinkMail"};

TEST_F(LinkTypeTest, FlagsShowBitsZeroToFourAndStoreClearsTheRest)
{
    record.handling.handleFlags = 0xFFFFFFFFu;
    open(VideoLoss);
    for (const char *name : FlagBoxes) {
        EXPECT_TRUE(box(name)->isChecked()) << name;
        box(name)->click();
    }
    click("btnOK");
    EXPECT_EQ(record.handling.handleFlags, 0u);

    // Each box alone writes its own bit and nothing above bit 4.
    const std::uint32_t masks[] = {WarnOnMonitor, AudibleWarning, ReportToCentre, TriggerAlarmOut, SendEmail};
    for (int b = 0; b < 5; ++b) {
        record.handling.handleFlags = 0xFFFFFFE0u;
        open(OcclusionAlarm);
        for (const char *name : FlagBoxes)
            EXPECT_FALSE(box(name)->isChecked()) << name;
        box(FlagBoxes[b])->click();
        click("btnOK");
        EXPECT_EQ(record.handling.handleFlags, masks[b]) << FlagBoxes[b];
    }
}

TEST_F(LinkTypeTest, AlarmOutputsFollowTheMasterBoxAndTheRecord)
{
    record.handling.handleFlags = TriggerAlarmOut;
    const std::uint8_t stored[4] = {1, 0, 7, 0};
    std::memcpy(record.handling.alarmOutTrigger, stored, 4);
    const AlarmInRecord before = record;
    open(VideoLoss);
    auto out = [this](int n) { return child<QCheckBox>(dialog.get(), QStringLiteral("chkLinkAlarmOut%1").arg(n)); };
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(out(n)->isChecked(), stored[n - 1] != 0) << n;
        EXPECT_TRUE(out(n)->isEnabled()) << n;
    }

    out(2)->click();
    box("chkLinkAlarmOut")->click(); // off: all four cleared and disabled
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(out(n)->isChecked()) << n;
        EXPECT_FALSE(out(n)->isEnabled()) << n;
    }
    box("chkLinkAlarmOut")->click(); // on again: the stored outputs, not the edit
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(out(n)->isChecked(), stored[n - 1] != 0) << n;

    out(2)->click();
    click("btnOK");
    const std::uint8_t written[4] = {1, 1, 1, 0};
    EXPECT_EQ(std::memcmp(record.handling.alarmOutTrigger, written, 4), 0);
    EXPECT_EQ(std::memcmp(record.handling.alarmOutTrigger + 4, before.handling.alarmOutTrigger + 4, 92), 0);

    // Master off at OK: all four written as 0 whatever they showed.
    open(VideoLoss);
    box("chkLinkAlarmOut")->click();
    click("btnOK");
    EXPECT_EQ(record.handling.handleFlags, 0u);
    const std::uint8_t none[4] = {};
    EXPECT_EQ(std::memcmp(record.handling.alarmOutTrigger, none, 4), 0);
    EXPECT_EQ(std::memcmp(record.handling.alarmOutTrigger + 4, before.handling.alarmOutTrigger + 4, 92), 0);
}

TEST_F(LinkTypeTest, FourChannelsShowFourItemsAndWriteOnlyTheirBytes)
{
    std::memset(record.recordChannel, 0x5A, 16);
    record.recordChannel[1] = 0;
    open(MotionDetection, 4);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("联动方式－移动侦测"));
    ASSERT_EQ(list()->count(), 16);
    for (int m = 0; m < 16; ++m) {
        QListWidgetItem *item = list()->item(m);
        EXPECT_EQ(item->text(), QStringLiteral("通道%1").arg(m + 1));
        EXPECT_EQ(item->checkState() == Qt::Checked, m < 4 && m != 1) << m;
        EXPECT_EQ(bool(item->flags() & Qt::ItemIsEnabled), m < 4) << m;
    }
    auto *channels = find<QComboBox>("cbbLinkChan");
    ASSERT_EQ(channels->count(), 5);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(channels->itemText(n - 1), QStringLiteral("第%1通道").arg(n));
    EXPECT_EQ(channels->itemText(4), QStringLiteral("全部通道"));
    EXPECT_EQ(channels->currentIndex(), 0);
    for (const char *name : {"grpPTZLink", "cbbLinkChan", "spePreSet", "speCruise", "speTrack"})
        EXPECT_FALSE(find(name)->isEnabled()) << name;

    // "全不选" and "全选" reach the disabled items too, but only channels 1-4 are written.
    click("btnUnSelectAll");
    for (int m = 0; m < 16; ++m)
        EXPECT_EQ(list()->item(m)->checkState(), Qt::Unchecked) << m;
    click("btnSelectAll");
    for (int m = 0; m < 16; ++m)
        EXPECT_EQ(list()->item(m)->checkState(), Qt::Checked) << m;
    AlarmInRecord expected = record;
    click("btnOK");
    // Motion detection writes the handling and record channels, never the PTZ bytes.
    std::memset(expected.recordChannel, 1, 4);
    untouchedOk(expected, 0);
    EXPECT_TRUE(sameBytes(record, expected));
}

TEST_F(LinkTypeTest, VideoLossAndOcclusionWriteOnlyTheHandling)
{
    const std::pair<int, const char *> kinds[] = {{VideoLoss, "联动方式－视频丢失"},
                                                  {OcclusionAlarm, "联动方式－遮挡报警"}};
    for (const auto &[kind, caption] : kinds) {
        SetUp();
        record.presetEnable[0] = 1;
        open(kind, 8);
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(caption));
        for (const char *name : {"chklstLinkChan", "btnSelectAll", "btnUnSelectAll", "grpPTZLink", "cbbLinkChan",
                                 "spePreSet", "speCruise", "speTrack"})
            EXPECT_FALSE(find(name)->isEnabled()) << name << " kind " << kind;
        EXPECT_FALSE(box("chkPreSet")->isChecked()) << "the PTZ links are not shown";
        list()->item(0)->setCheckState(Qt::Checked);
        list()->item(1)->setCheckState(Qt::Unchecked);
        box("chkLinkBell")->click();
        AlarmInRecord expected = record;
        click("btnOK");
        expected.handling.handleFlags ^= AudibleWarning;
        untouchedOk(expected, 0);
        EXPECT_TRUE(sameBytes(record, expected)) << kind;
    }
}

TEST_F(LinkTypeTest, AllChannelsShowsChannelOneAndWritesEveryChannelsSixBytes)
{
    setPtz(record, 0, {0, 42, 1, 3, 0, 4});
    setPtz(record, 4, {1, 99, 1, 9, 1, 9}); // the slot past the last channel is never shown
    open(AlarmInput, 4);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("联动方式－报警输入"));
    for (const char *name : {"grpPTZLink", "cbbLinkChan"})
        EXPECT_TRUE(find(name)->isEnabled()) << name;
    choose(find<QComboBox>("cbbLinkChan"), 4);
    EXPECT_TRUE(shownPtz() == (Ptz{0, 42, 1, 3, 0, 4}));
    EXPECT_FALSE(spin("spePreSet")->isEnabled());
    EXPECT_TRUE(spin("speCruise")->isEnabled());

    box("chkPreSet")->click();
    spin("spePreSet")->setValue(5);
    spin("speCruise")->setValue(7);
    spin("speTrack")->setValue(9);
    AlarmInRecord expected = record;
    click("btnOK");
    for (int m = 0; m < 4; ++m)
        setPtz(expected, m, {1, 5, 0, 7, 0, 9});
    untouchedOk(expected, 4);
    EXPECT_TRUE(sameBytes(record, expected));
}

TEST_F(LinkTypeTest, OneChannelAtATimeAndSwitchingDropsItsEdits)
{
    setPtz(record, 2, {1, 17, 0, 2, 1, 3});
    setPtz(record, 3, {0, 18, 1, 4, 0, 5});
    open(AlarmInput, 8);
    auto *channels = find<QComboBox>("cbbLinkChan");
    EXPECT_TRUE(shownPtz() == ptzAt(record, 0));
    choose(channels, 2);
    EXPECT_TRUE(shownPtz() == (Ptz{1, 17, 0, 2, 1, 3}));
    EXPECT_TRUE(spin("spePreSet")->isEnabled());
    EXPECT_FALSE(spin("speCruise")->isEnabled());
    spin("spePreSet")->setValue(100);
    choose(channels, 3);
    EXPECT_TRUE(shownPtz() == (Ptz{0, 18, 1, 4, 0, 5}));
    choose(channels, 2);
    EXPECT_TRUE(shownPtz() == (Ptz{1, 17, 0, 2, 1, 3}));

    spin("spePreSet")->setValue(120);
    AlarmInRecord expected = record;
    click("btnOK");
    setPtz(expected, 2, {1, 120, 0, 2, 1, 3});
    untouchedOk(expected, 8);
    EXPECT_TRUE(sameBytes(record, expected));
}

TEST_F(LinkTypeTest, PresetCruiseAndTrackExcludeEachOtherOnlyWhenClicked)
{
    setPtz(record, 0, {1, 10, 1, 2, 0, 3});
    open(AlarmInput, 4);
    EXPECT_TRUE(box("chkPreSet")->isChecked());
    EXPECT_TRUE(box("chkCruise")->isChecked()) << "several stored enables show several ticks";
    const struct {
        const char *click;
        bool preset, cruise, track;
    } steps[] = {
        {"chkTrack", false, false, true},
        {"chkPreSet", true, false, false},
        {"chkCruise", false, true, false},
        {"chkCruise", false, false, false},
    };
    for (const auto &s : steps) {
        box(s.click)->click();
        EXPECT_EQ(box("chkPreSet")->isChecked(), s.preset) << s.click;
        EXPECT_EQ(box("chkCruise")->isChecked(), s.cruise) << s.click;
        EXPECT_EQ(box("chkTrack")->isChecked(), s.track) << s.click;
        EXPECT_EQ(spin("spePreSet")->isEnabled(), s.preset) << s.click;
        EXPECT_EQ(spin("speCruise")->isEnabled(), s.cruise) << s.click;
        EXPECT_EQ(spin("speTrack")->isEnabled(), s.track) << s.click;
    }
}

// The spin ranges already keep typed numbers in range; they are widened here to reach the
// checks behind them. A refused OK must leave the whole record as it was, record channels too.
TEST_F(LinkTypeTest, NumberChecksRefuseWhateverTheTickAndWriteNothing)
{
    const char *preset = "预置点编号为1-128!", *cruise = "巡航路径号为1-16!", *track = "轨迹号为1-16!";
    const struct {
        int preset, cruise, track;
        const char *message;
    } cases[] = {
        {0, 1, 1, preset},    {129, 16, 16, preset}, {1, 0, 1, cruise},  {128, 17, 16, cruise},  {1, 1, 0, track},
        {128, 16, 17, track}, {0, 0, 0, preset},     {5, 17, 0, cruise}, {128, 16, 16, nullptr}, {1, 1, 1, nullptr},
    };
    for (const auto &c : cases) {
        SetUp();
        notes.messages.clear();
        open(AlarmInput, 4);
        for (const char *name : {"chkPreSet", "chkCruise", "chkTrack"})
            ASSERT_FALSE(box(name)->isChecked());
        for (const char *name : {"spePreSet", "speCruise", "speTrack"})
            spin(name)->setRange(0, 255);
        spin("spePreSet")->setValue(c.preset);
        spin("speCruise")->setValue(c.cruise);
        spin("speTrack")->setValue(c.track);
        // Edits that a store in the wrong order would write before the checks.
        click("btnSelectAll");
        box("chkLinkMonitor")->click();
        box("chkLinkAlarmOut")->click();
        const AlarmInRecord before = record;
        const ModalRun run = execPressing("btnOK");
        const std::string what =
            std::to_string(c.preset) + "/" + std::to_string(c.cruise) + "/" + std::to_string(c.track);
        EXPECT_TRUE(run.modal) << what;
        if (c.message) {
            EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(c.message)}) << what;
            EXPECT_TRUE(sameBytes(record, before)) << "byte for byte unchanged: " << what;
            EXPECT_FALSE(run.closed) << what;
        } else {
            EXPECT_TRUE(notes.messages.isEmpty()) << what;
            EXPECT_TRUE(run.closed) << what;
            EXPECT_EQ(run.result, QDialog::Accepted) << what;
            EXPECT_TRUE(ptzAt(record, 0) == (Ptz{0, c.preset, 0, c.cruise, 0, c.track})) << what;
        }
    }
}

TEST_F(LinkTypeTest, ChannelCountIsLimitedToTheSixteenSlots)
{
    for (int count : {0, 16, 20, 64, 255}) {
        SetUp();
        std::memset(record.recordChannel, 0, sizeof record.recordChannel);
        open(AlarmInput, count);
        const int shown = std::min(count, 16);
        auto *channels = find<QComboBox>("cbbLinkChan");
        ASSERT_EQ(channels->count(), shown + 1) << count;
        EXPECT_EQ(channels->itemText(shown), QStringLiteral("全部通道"));
        EXPECT_EQ(list()->count(), 16);
        choose(channels, shown);
        box("chkTrack")->click();
        click("btnSelectAll");
        AlarmInRecord expected = record;
        click("btnOK");
        for (int m = 0; m < shown; ++m) {
            expected.recordChannel[m] = 1;
            setPtz(expected, m,
                   {0, spin("spePreSet")->value(), 0, spin("speCruise")->value(), 1, spin("speTrack")->value()});
        }
        untouchedOk(expected, 0);
        EXPECT_TRUE(sameBytes(record, expected)) << count;
    }
}

TEST_F(LinkTypeTest, CancelWritesNothing)
{
    open(AlarmInput, 4);
    click("btnSelectAll");
    box("chkLinkBell")->click();
    box("chkPreSet")->click();
    const AlarmInRecord before = record;
    const ModalRun run = execPressing("btnCancel");
    EXPECT_TRUE(run.modal);
    EXPECT_TRUE(run.closed);
    EXPECT_EQ(run.result, QDialog::Rejected);
    EXPECT_TRUE(sameBytes(record, before));
}

// Three digits fit the preset range, so the spin's own range cannot tell the key rule apart;
// a wider range shows it on all three fields.
TEST_F(LinkTypeTest, NumberFieldsRefuseAFourthDigitUnlessTheTextIsSelected)
{
    open(AlarmInput, 4);
    for (const char *name : {"spePreSet", "speCruise", "speTrack"}) {
        QSpinBox *s = spin(name);
        auto *edit = s->findChild<QLineEdit *>();
        ASSERT_NE(edit, nullptr);
        s->setEnabled(true); // a disabled field takes no keys at all
        s->setMaximum(9999);
        s->setValue(123);
        edit->deselect();
        edit->end(false);
        QTest::keyClick(s, Qt::Key_4);
        EXPECT_EQ(edit->text(), QStringLiteral("123")) << name;
        s->selectAll();
        QTest::keyClick(s, Qt::Key_7);
        EXPECT_EQ(s->value(), 7) << name;
    }
}

TEST(LinkTypeOpener, RunsModallyOnTheRecordAndDestroysTheDialog)
{
    RecordingNotifier notes;
    AlarmInRecord record{};
    record.handling.handleFlags = 0xFFFFFF01u;
    QString caption;
    const ModalRun run = pressInModalLoop<TfrmSetLinkType>(
        [&] { openLinkTypeEditor(nullptr, 2, &record, record.recordChannel, AlarmInput, &record.handling); }, "btnOK",
        [&](TfrmSetLinkType &dialog) {
            caption = dialog.windowTitle();
            child<QAbstractButton>(&dialog, QStringLiteral("btnSelectAll"))->click();
        });
    EXPECT_TRUE(run.modal);
    EXPECT_TRUE(run.closed) << "OK refused";
    EXPECT_EQ(run.result, QDialog::Accepted);
    EXPECT_EQ(caption, QStringLiteral("联动方式－报警输入"));
    EXPECT_EQ(record.handling.handleFlags, 0x01u);
    EXPECT_EQ(record.recordChannel[1], 1);
    EXPECT_EQ(record.recordChannel[2], 0);
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TfrmSetLinkType *>(w), nullptr) << "destroyed after the run";
}

} // namespace
