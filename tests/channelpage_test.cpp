// The channel page against the simulated recorder: lists, codes, checks, copy, the overlay cell
// editor, the restart rule, the openers of the sub-dialogs and what a save without edits changes;
// the copy loop shared by every copy button.
#include "alarm/frmsetguardtime.h"
#include "alarm/frmsetlinktype.h"
#include "channel/channelpage.h"
#include "channel/frmsetarea.h"
#include "channel/frmsetrecplan.h"
#include "command/recordcommands.h"
#include "dialogfixture.h"
#include "shell/pagehelpers.h"
#include "subdialogfixture.h"

#include <QCheckBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <array>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace {

class ChannelPageTest : public DialogTest {
protected:
    // Loads the recorder (after `prepare` has changed its factory state) and shows the page.
    void openPage(const std::string &profile = "type=82&channels=4",
                  const std::function<void(dvrsim::DeviceState &)> &prepare = {})
    {
        open(profile, false);
        if (prepare)
            prepare(device().state());
        dialog->tmrProgressTimer();
        showPage(TfrmDvrConfig::ChanCfg);
    }
    QComboBox *box(const char *name) const { return find<QComboBox>(name); }
    QCheckBox *check(const char *name) const { return find<QCheckBox>(name); }
    QTableWidget *overlays() const { return find<QTableWidget>("lvOSDSet"); }
    QLineEdit *cellEditor() const { return edit("edtListView"); }
    void doubleClickCell(int row, int column) const
    {
        QTableWidget *list = overlays();
        const QRect cell = list->visualRect(list->model()->index(row, column));
        // The view takes a double click only on the cell that the first click pressed.
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    const dvrsim::DeviceState &state() const { return device().state(); }
    QStringList saveMessages()
    {
        save();
        return notes.messages;
    }
};

const QString Saved = QStringLiteral("保存成功");

TEST_F(ChannelPageTest, ListsTheChannelsAndFetchesEachWithItsDeviceNumber)
{
    openPage("type=82&channels=4&first=5");
    QStringList selectable, copyTargets{QStringLiteral("全部通道")};
    for (int n = 1; n <= 4; ++n)
        selectable << QStringLiteral("第%1通道").arg(n);
    copyTargets << selectable;
    for (auto [name, items] : {std::pair{"cbbSelChan", selectable}, std::pair{"cbbCopyChan", copyTargets}}) {
        QStringList shown;
        for (int i = 0; i < box(name)->count(); ++i)
            shown << box(name)->itemText(i);
        EXPECT_EQ(shown, items) << name;
    }
    device().clearLog();
    click("btnRefresh");
    const auto log = device().log();
    ASSERT_EQ(log.size(), 16u);
    EXPECT_EQ(log[8].commandType, getCommandOf<ChannelPictureRecord>);
    EXPECT_EQ(log[8].channel, 7) << "entry 2 goes as firstChannel + 2";
}

TEST_F(ChannelPageTest, BitRateItemsCustomFigureAndItsCheck)
{
    openPage(); // the factory gives channel 2 a custom 3000 Kbps ceiling
    choose(box("cbbSelChan"), 1);
    EXPECT_EQ(box("cbbMaxBitRate")->currentText(), QStringLiteral("自定义"));
    EXPECT_EQ(edit("edtKbps")->text(), QStringLiteral("3000"));
    EXPECT_FALSE(edit("edtKbps")->isHidden());
    choose(box("cbbSelChan"), 0);
    EXPECT_TRUE(edit("edtKbps")->isHidden());

    struct Case {
        int item;
        const char *kbps;
        bool accepted;
        std::uint32_t stored;
    };
    const Case cases[] = {
        {21, "", true, 23},
        {0, "", true, 2},
        {22, "3000", true, 0x802EE000u},
        {22, "32", true, 0x80008000u},
        {22, "8192", true, 0x80800000u},
        {22, "20", false, 0},
        {22, "8193", false, 0},
        {22, "", false, 0},
        {5, "20", true, 7}, // the hidden figure is not checked
    };
    for (const Case &c : cases) {
        click("btnRefresh");
        choose(box("cbbMaxBitRate"), c.item);
        edit("edtKbps")->setText(QString::fromLatin1(c.kbps));
        const std::uint32_t before = state().compression[0].mainStream.maxBitRate;
        const QStringList messages = saveMessages();
        const std::string what = std::to_string(c.item) + "/" + c.kbps;
        if (!c.accepted) {
            EXPECT_EQ(messages, QStringList{QStringLiteral("位率范围为32-8192!")}) << what;
            EXPECT_EQ(state().compression[0].mainStream.maxBitRate, before) << what;
            continue;
        }
        EXPECT_EQ(messages.value(0), Saved) << what;
        EXPECT_EQ(state().compression[0].mainStream.maxBitRate, c.stored) << what;
    }
}

TEST_F(ChannelPageTest, IFrameIntervalRangeOnEitherStream)
{
    openPage();
    const struct {
        int stream;
        const char *text;
        bool accepted;
    } cases[] = {{0, "", false}, {0, "0", false}, {0, "1", true}, {0, "400", true}, {0, "401", false}, {1, "", false}};
    for (const auto &c : cases) {
        click("btnRefresh");
        choose(box("cbbStreamType"), c.stream);
        edit("edtIntervalFrameI")->setText(QString::fromLatin1(c.text));
        const QStringList messages = saveMessages();
        EXPECT_EQ(messages.value(0), c.accepted ? Saved : QStringLiteral("I帧间隔的取值范围为1-400!")) << c.text;
        if (c.accepted) {
            const ChannelCompressionRecord &r = state().compression[0];
            EXPECT_EQ((c.stream ? r.subStream : r.mainStream).iFrameInterval, std::atoi(c.text));
        }
    }
}

// Values outside a list show no selection and go back as they came; frameType 1 reads as single P
// and goes back as 2; the stream block's tail is rewritten as zeros.
TEST_F(ChannelPageTest, ListMappingsAndValuesOutsideTheLists)
{
    openPage("type=82&channels=2", [](dvrsim::DeviceState &s) {
        s.picture[0].osdAttribute = 4;
        s.picture[1].osdAttribute = 5;
        s.recording[1].preRecordTime = 9;
        s.compression[0].mainStream.frameType = 1;
        s.compression[0].mainStream.reserved15[12] = 0x5A;
        s.compression[1].mainStream.maxBitRate = 24; // neither a preset nor custom
        s.compression[1].mainStream.frameRate = 17;
        s.compression[1].subStream.maxBitRate = 1;
    });
    EXPECT_EQ(box("cbbOSDAttr")->currentText(), QStringLiteral("不透明,不闪烁"));
    EXPECT_EQ(box("cbbFrameType")->currentText(), QStringLiteral("单P"));
    choose(box("cbbOSDAttr"), 0);
    EXPECT_EQ(saveMessages().value(0), Saved);
    EXPECT_EQ(state().picture[0].osdAttribute, 1);
    EXPECT_EQ(state().compression[0].mainStream.frameType, 2);
    EXPECT_EQ(state().compression[0].mainStream.reserved15[12], 0);

    choose(box("cbbSelChan"), 1);
    choose(box("cbbStreamType"), 1);
    EXPECT_EQ(box("cbbMaxBitRate")->currentIndex(), -1) << "code 1";
    choose(box("cbbStreamType"), 0);
    for (const char *name : {"cbbOSDAttr", "cbbPreRec", "cbbMaxBitRate", "cbbFrameRate"})
        EXPECT_EQ(box(name)->currentIndex(), -1) << name;
    EXPECT_EQ(saveMessages().value(0), Saved);
    EXPECT_EQ(state().picture[1].osdAttribute, 5);
    EXPECT_EQ(state().recording[1].preRecordTime, 9u);
    EXPECT_EQ(state().compression[1].mainStream.maxBitRate, 24u);
    EXPECT_EQ(state().compression[1].mainStream.frameRate, 17u);
}

TEST_F(ChannelPageTest, ResolutionListsAndOsdRangeAtTheEdgesOfTheDeviceTypes)
{
    const struct {
        int type;
        bool hd;
        int osdMax;
    } cases[] = {{29, false, 352}, {30, true, 352},  {49, true, 352},  {50, false, 352},
                 {80, false, 352}, {81, false, 512}, {97, false, 512}, {98, false, 352}};
    for (const auto &c : cases) {
        openPage("type=" + std::to_string(c.type) + "&channels=1");
        EXPECT_EQ(box("cbbRevolution")->itemText(0), c.hd ? QStringLiteral("VGA") : QStringLiteral("DCIF")) << c.type;
        EXPECT_EQ(box("cbbRevolution")->count(), c.hd ? 3 : 5) << c.type;
        EXPECT_EQ(find<QSpinBox>("speOSDX")->maximum(), c.osdMax) << c.type;
    }
}

// High-definition devices list their own resolution codes; they never receive the compression
// record, so its controls show the values but take no edit.
TEST_F(ChannelPageTest, HighDefinitionResolutionCodes)
{
    openPage("type=35&channels=2", [](dvrsim::DeviceState &s) { s.compression[1].mainStream.resolution = 1; });
    EXPECT_EQ(box("cbbRevolution")->currentText(), QStringLiteral("HD720p")); // code 19
    EXPECT_FALSE(box("cbbRevolution")->isEnabled());
    choose(box("cbbSelChan"), 1);
    EXPECT_EQ(box("cbbRevolution")->currentIndex(), -1) << "a code the list lacks shows nothing";
}

TEST_F(ChannelPageTest, OsdXBeyondTheNarrowRangeIsSavedClamped)
{
    openPage("type=50&channels=1", [](dvrsim::DeviceState &s) { s.picture[0].osdX = 400; });
    EXPECT_EQ(find<QSpinBox>("speOSDX")->value(), 352);
    EXPECT_EQ(saveMessages().value(0), Saved);
    EXPECT_EQ(state().picture[0].osdX, 352);
}

TEST_F(ChannelPageTest, OcclusionTickCannotInventASensitivity)
{
    openPage("type=82&channels=1", [](dvrsim::DeviceState &s) { s.picture[0].occlusionLevel = 2; });
    choose(box("cbbAlarmType"), OcclusionAlarm);
    ASSERT_TRUE(check("chkEnableAlarm")->isChecked());
    check("chkEnableAlarm")->click();
    save();
    EXPECT_EQ(state().picture[0].occlusionLevel, 0u);
    check("chkEnableAlarm")->click();
    save();
    EXPECT_EQ(state().picture[0].occlusionLevel, 0u);
    EXPECT_EQ(state().picture[0].motionEnable, 1) << "only the kind shown is written";
}

// The check box stands for the enable field of the kind shown; a save writes that field alone.
TEST_F(ChannelPageTest, EachAlarmKindShowsAndStoresOnlyItsOwnEnableField)
{
    openPage("type=82&channels=1", [](dvrsim::DeviceState &s) {
        ChannelPictureRecord &p = s.picture[0];
        p.motionEnable = 1;
        p.videoLossEnable = 0;
        p.occlusionLevel = 3;
        p.maskEnable = 0;
    });
    const auto fields = [&] {
        const ChannelPictureRecord &p = state().picture[0];
        return std::array<long long, 4>{p.motionEnable, p.videoLossEnable, p.occlusionLevel, p.maskEnable};
    };
    std::array<long long, 4> expected = {1, 0, 3, 0};
    for (int kind : {VideoLoss, MotionDetection, VideoMask, OcclusionAlarm}) {
        choose(box("cbbAlarmType"), kind);
        EXPECT_EQ(check("chkEnableAlarm")->isChecked(), expected[std::size_t(kind)] != 0) << kind;
        check("chkEnableAlarm")->click();
        expected[std::size_t(kind)] = expected[std::size_t(kind)] ? 0 : 1;
        ASSERT_EQ(saveMessages().value(0), Saved);
        EXPECT_EQ(fields(), expected) << kind;
    }
}

// Each row: alarm kind, enable ticked, then the expected state of area, schedule and linkage.
TEST_F(ChannelPageTest, EnablingRules)
{
    openPage();
    const struct {
        int kind;
        bool on, area, guard, link;
    } cases[] = {{0, true, true, true, true}, {0, false, false, false, false}, {1, true, false, true, true},
                 {2, true, true, true, true}, {3, true, true, false, false},   {3, false, false, false, false}};
    for (const auto &c : cases) {
        choose(box("cbbAlarmType"), c.kind);
        if (check("chkEnableAlarm")->isChecked() != c.on)
            check("chkEnableAlarm")->click();
        EXPECT_EQ(find("btnSetArea")->isEnabled(), c.area) << c.kind << c.on;
        EXPECT_EQ(find("btnAlarmGuardTime")->isEnabled(), c.guard) << c.kind << c.on;
        EXPECT_EQ(find("btnAlarmLinkType")->isEnabled(), c.link) << c.kind << c.on;
    }
    const struct {
        const char *box;
        std::vector<const char *> follow;
    } groups[] = {{"chkRecPlan", {"btnSetRec", "cbbPreRec", "cbbRecDelay"}},
                  {"chkShowChanName", {"speChanNameX", "speChanNameY"}},
                  {"chkShowOSD", {"speOSDX", "speOSDY", "chkShowWeek", "cbbOSDAttr", "cbbOSDType"}}};
    for (const auto &g : groups) {
        for (int round = 0; round < 2; ++round) {
            check(g.box)->click();
            for (const char *name : g.follow)
                EXPECT_EQ(find(name)->isEnabled(), check(g.box)->isChecked()) << g.box << " " << name;
        }
    }
}

TEST_F(ChannelPageTest, CopyToAllChannelsKeepsTheNames)
{
    openPage("type=82&channels=4", [](dvrsim::DeviceState &s) {
        s.picture[1].motionArea[3][4] = 1;
        s.picture[1].motionSchedule.days[2].segments[1].endHour = 21;
        s.picture[1].motionHandling.handleFlags = 0x1F;
        s.recording[1].recordingSchedule.days[4].allDay = 1;
    });
    DvrRecords &r = records();
    choose(box("cbbSelChan"), 1);
    edit("edtSelChanName")->setText(QStringLiteral("大门"));
    choose(box("cbbCopyChan"), 2); // the channel shown itself: stored, nothing copied
    click("btnCopy");
    EXPECT_EQ(fieldText(r.picture[1].channelName), QStringLiteral("大门"));
    EXPECT_FALSE(sameBytes(r.picture[0].motionSchedule, r.picture[1].motionSchedule));

    choose(box("cbbCopyChan"), 0);
    device().clearLog();
    click("btnCopy");
    for (int ch : {0, 2, 3}) {
        EXPECT_EQ(fieldText(r.picture[ch].channelName), QStringLiteral("通道%1").arg(ch + 1, 2, 10, QLatin1Char('0')));
        ChannelPictureRecord expected = r.picture[1];
        std::memcpy(expected.channelName, r.picture[ch].channelName, sizeof expected.channelName);
        EXPECT_TRUE(sameBytes(expected, r.picture[ch])) << ch;
        EXPECT_TRUE(sameBytes(r.compression[1], r.compression[ch])) << ch;
        EXPECT_TRUE(sameBytes(r.textOverlay[1], r.textOverlay[ch])) << ch;
        EXPECT_TRUE(sameBytes(r.recording[1], r.recording[ch])) << ch;
    }
    EXPECT_TRUE(device().log().empty()) << "copy sends nothing";
    EXPECT_TRUE(notes.messages.isEmpty()) << "and says nothing";
}

// The copy loop every copy button shares: which slots it copies to, in which order.
TEST(CopyToTargets, AllOrOneTargetWithoutTheSource)
{
    struct Case {
        int from, item, count;
        std::vector<int> copied;
    };
    for (const Case &c : std::initializer_list<Case>{
             {1, 0, 4, {0, 2, 3}},          // all, in ascending order
             {6, 0, 7, {0, 1, 2, 3, 4, 5}}, // all but a source in the last slot
             {0, 0, 1, {}},                 // all of one slot: only the source
             {1, 3, 4, {2}},                // one target
             {1, 4, 4, {3}},                // the last slot
             {1, 2, 4, {}},                 // the source itself
             {1, 5, 4, {}},                 // past the slots
             {1, -1, 4, {}},                // no target selected
             {-1, 0, 4, {}},                // no source shown
         }) {
        std::vector<int> copied;
        copyToTargets(c.from, c.item, c.count, [&](int to) { copied.push_back(to); });
        EXPECT_EQ(copied, c.copied) << c.from << " " << c.item << " " << c.count;
    }
}

TEST_F(ChannelPageTest, SubStreamResolutionChangeAsksForARestartOnce)
{
    openPage();
    EXPECT_EQ(saveMessages(), QStringList{Saved}) << "the fill took the loaded streams as the baseline";
    choose(box("cbbSelChan"), 2);
    choose(box("cbbStreamType"), 1);
    choose(box("cbbRevolution"), 2);
    EXPECT_EQ(saveMessages(), (QStringList{Saved, QStringLiteral("请重启服务器!")}));
    EXPECT_EQ(state().compression[2].subStream.resolution, 2);
    EXPECT_EQ(saveMessages(), QStringList{Saved});
}

TEST_F(ChannelPageTest, OverlayCellEditor)
{
    openPage(); // row 1 is ticked, rows 2-4 are not
    doubleClickCell(1, 1);
    EXPECT_TRUE(cellEditor()->isHidden()) << "unticked row";
    doubleClickCell(0, 0);
    EXPECT_TRUE(cellEditor()->isHidden()) << "first column";

    const struct {
        int column;
        const char *typed;
        const char *message; // null: accepted
        const char *cell;
    } cases[] = {
        {1, "800", "X坐标范围为0-704!", nullptr}, {1, "7a04", nullptr, "704"}, {2, "577", "Y坐标范围为0-576!", nullptr},
        {2, "", "Y坐标范围为0-576!", nullptr},    {2, "576", nullptr, "576"},  {3, "侧门 A", nullptr, "侧门 A"}};
    for (const auto &c : cases) {
        notes.messages.clear();
        doubleClickCell(0, c.column);
        ASSERT_FALSE(cellEditor()->isHidden()) << c.typed;
        cellEditor()->selectAll();
        QTest::keyClick(cellEditor(), Qt::Key_Backspace);
        for (QChar ch : QString::fromUtf8(c.typed)) // keyClicks knows only ASCII keys
            QTest::sendKeyEvent(QTest::Click, cellEditor(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::keyClick(cellEditor(), Qt::Key_Return);
        if (c.message) {
            EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(c.message)}) << c.typed;
            EXPECT_FALSE(cellEditor()->isHidden()) << "stays open: " << c.typed;
            cellEditor()->setText(overlays()->item(0, c.column)->text());
            QTest::keyClick(cellEditor(), Qt::Key_Return);
            continue;
        }
        EXPECT_TRUE(notes.messages.isEmpty()) << c.typed;
        EXPECT_TRUE(cellEditor()->isHidden()) << c.typed;
        EXPECT_EQ(overlays()->item(0, c.column)->text(), QString::fromUtf8(c.cell));
    }
    EXPECT_EQ(saveMessages().value(0), Saved);
    const TextOverlayEntry &e = state().textOverlay[0].entries[0];
    EXPECT_EQ(e.textX, 704);
    EXPECT_EQ(e.textY, 576);
    EXPECT_EQ(fieldText(e.text), QStringLiteral("侧门 A"));
    EXPECT_EQ(e.textLength, 6);
}

// Texts are stored whole characters at a time, and the length is what was stored.
TEST_F(ChannelPageTest, NamesAndOverlayTextsAtTheWidthOfTheirFields)
{
    openPage();
    const QString name(32, QLatin1Char('N'));
    edit("edtSelChanName")->setText(name);
    const QString wide(23, QChar(u'门'));           // 46 bytes
    const QString odd = QStringLiteral("a") + wide; // 47 bytes, a character straddles byte 44
    overlays()->item(1, 3)->setText(wide);
    overlays()->item(2, 3)->setText(odd);
    EXPECT_EQ(saveMessages().value(0), Saved);
    EXPECT_EQ(std::string(state().picture[0].channelName, 32), std::string(32, 'N')) << "no terminator";
    const TextOverlayEntry *e = state().textOverlay[0].entries;
    EXPECT_EQ(e[1].textLength, 44);
    EXPECT_EQ(fieldText(e[1].text), wide.left(22));
    EXPECT_EQ(e[2].textLength, 43);
    EXPECT_EQ(e[2].text[43], 0);
    EXPECT_EQ(fieldText(e[2].text), odd.left(22));
    click("btnRefresh");
    EXPECT_EQ(edit("edtSelChanName")->text(), name);
}

TEST_F(ChannelPageTest, PastedSpinTextOutsideItsRangeIsRefused)
{
    openPage();
    const struct {
        const char *spin, *text, *message;
    } cases[] = {{"speChanNameX", "705", "通道名的X坐标的范围为0-704!"},
                 {"speChanNameY", "577", "通道名的Y坐标的范围为0-576!"}};
    for (const auto &c : cases) {
        click("btnRefresh");
        find<QSpinBox>(c.spin)->findChild<QLineEdit *>()->setText(QString::fromLatin1(c.text));
        edit("edtIntervalFrameI")->clear(); // a later check also fails; the first one is told
        EXPECT_EQ(saveMessages(), QStringList{QString::fromUtf8(c.message)}) << c.spin;
    }
}

// Digits and control characters only; a spin edit takes at most three characters.
TEST_F(ChannelPageTest, KeyFiltersOfTheNumberFields)
{
    openPage();
    choose(box("cbbMaxBitRate"), ChannelPage::CustomBitRateItem);
    for (const char *name : {"edtIntervalFrameI", "edtKbps"}) {
        edit(name)->clear();
        QTest::keyClicks(edit(name), "1a2-3");
        EXPECT_EQ(edit(name)->text(), QStringLiteral("123")) << name;
    }
    for (const char *name : {"speChanNameX", "speChanNameY", "speOSDX", "speOSDY"}) {
        auto *spin = find<QSpinBox>(name);
        spin->selectAll();
        QTest::keyClicks(spin, "0a0-07");
        EXPECT_EQ(spin->text(), QStringLiteral("000")) << name;
    }
}

// Runs `open` (an opener), expects a modal Dialog, acts on it and presses `button`.
template <typename Dialog>
void inEditor(QAbstractButton *opener, const char *button, const std::function<void(Dialog &)> &act = {})
{
    const ModalRun run = pressInModalLoop<Dialog>([opener] { opener->click(); }, button, act);
    EXPECT_TRUE(run.modal);
}

TEST_F(ChannelPageTest, OpenersEditTheSelectedChannelsRecords)
{
    openPage("type=82&channels=4");
    DvrRecords &r = records();
    choose(box("cbbSelChan"), 2);
    const ChannelPictureRecord before = r.picture[2], neighbour = r.picture[1];

    // Schedule of the kind shown: copy Monday over the whole week, then leave.
    choose(box("cbbAlarmType"), VideoLoss);
    r.picture[2].videoLossSchedule.days[0].segments[0] = ScheduleSegment{1, 0, 2, 0};
    inEditor<TfrmSetGuardTime>(find<QPushButton>("btnAlarmGuardTime"), "btnCancel", [](TfrmSetGuardTime &d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("设置布防时间－视频丢失"));
        press(d, "btnCopy");
    });
    for (int day = 1; day < 7; ++day)
        EXPECT_TRUE(sameBytes(r.picture[2].videoLossSchedule.days[day], r.picture[2].videoLossSchedule.days[0]));
    EXPECT_TRUE(sameBytes(r.picture[2].motionSchedule, before.motionSchedule));

    // Linkage of video loss: no record channels; of motion detection: record channels too.
    inEditor<TfrmSetLinkType>(find<QPushButton>("btnAlarmLinkType"), "btnOK", [](TfrmSetLinkType &d) {
        EXPECT_FALSE(child<QListWidget>(&d, QStringLiteral("chklstLinkChan"))->isEnabled());
        child<QCheckBox>(&d, QStringLiteral("chkLinkMail"))->click();
    });
    EXPECT_NE(r.picture[2].videoLossHandling.handleFlags, before.videoLossHandling.handleFlags);
    choose(box("cbbAlarmType"), MotionDetection);
    inEditor<TfrmSetLinkType>(find<QPushButton>("btnAlarmLinkType"), "btnOK",
                              [](TfrmSetLinkType &d) { press(d, "btnSelectAll"); });
    for (int m = 0; m < 4; ++m)
        EXPECT_EQ(r.picture[2].motionRecordChannel[m], 1) << m;
    EXPECT_EQ(r.picture[2].motionRecordChannel[4], before.motionRecordChannel[4]) << "only the device's channels";
    EXPECT_TRUE(sameBytes(r.picture[1], neighbour));

    // The recording plan: Monday copied over the whole week reaches the recorder with the next save.
    inEditor<TfrmSetRecPlan>(find<QPushButton>("btnSetRec"), "btnCancel",
                             [](TfrmSetRecPlan &d) { press(d, "btnCopy"); });
    EXPECT_EQ(saveMessages().value(0), Saved);
    const RecordingSchedule &sent = state().recording[2].recordingSchedule;
    for (int day = 1; day < 7; ++day) {
        EXPECT_TRUE(sameBytes(sent.days[day], sent.days[0])) << day;
        EXPECT_TRUE(sameBytes(sent.segmentDays[day], sent.segmentDays[0])) << day;
    }
    EXPECT_FALSE(sameBytes(state().recording[1].recordingSchedule.days[5], sent.days[5]))
        << "other channels keep theirs";

    // The area editor opens modally on this channel's record.
    bool areaShown = false;
    QTimer::singleShot(0, [&] {
        if (auto *d = qobject_cast<TfrmSetArea *>(QApplication::activeModalWidget())) {
            areaShown = true;
            d->reject();
        }
    });
    click("btnSetArea");
    EXPECT_TRUE(areaShown);
}

// A save without edits rewrites only the fields kept in a normal form: check boxes as 0/1, the
// single-P frame type as 2 with the stream block's tail as zeros, the name and overlay texts
// zero-filled after their end, the overlay length recounted, positions clamped to their ranges, a
// custom bit-rate ceiling in whole Kbps.
TEST_F(ChannelPageTest, SaveWithoutEditsChangesOnlyTheNormalisedFields)
{
    openPage("type=82&channels=1", [](dvrsim::DeviceState &s) {
        s.picture[0].showChannelName = 7;
        s.picture[0].channelName[30] = 'x'; // after the terminator
        s.picture[0].motionEnable = 9;
        s.picture[0].channelNameX = 900;
        s.recording[0].recordEnable = 3;
        s.compression[0].mainStream.frameType = 5;
        s.compression[0].mainStream.reserved15[0] = 1;
        s.compression[0].mainStream.maxBitRate = 0x80000000u | (500u << 10) | 7u;
        s.textOverlay[0].entries[0].textLength = 40;
        s.textOverlay[0].entries[1].showText = 2;
        s.textOverlay[0].entries[1].text[40] = 'y';
    });
    const dvrsim::DeviceState loaded = state();
    ASSERT_EQ(saveMessages().value(0), Saved);
    const auto declared = dialog->page(TfrmDvrConfig::ChanCfg)->normalisedBytes();
    const auto onlyDeclared = [&](std::int32_t type, const void *a, const void *b, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            if (static_cast<const std::uint8_t *>(a)[i] == static_cast<const std::uint8_t *>(b)[i])
                continue;
            bool ok = false;
            for (const NormalisedBytes &n : declared)
                ok = ok || (n.getType == type && i >= n.offset && i < n.offset + n.length);
            EXPECT_TRUE(ok) << "type " << type << " byte " << i;
        }
    };
    onlyDeclared(1002, &loaded.picture[0], &state().picture[0], sizeof(ChannelPictureRecord));
    onlyDeclared(1004, &loaded.recording[0], &state().recording[0], sizeof(ChannelRecordingRecord));
    onlyDeclared(1040, &loaded.compression[0], &state().compression[0], sizeof(ChannelCompressionRecord));
    onlyDeclared(1030, &loaded.textOverlay[0], &state().textOverlay[0], sizeof(ChannelTextOverlayRecord));
    EXPECT_EQ(state().picture[0].showChannelName, 1u);
    EXPECT_EQ(state().picture[0].channelName[30], 0);
    EXPECT_EQ(state().picture[0].motionEnable, 1);
    EXPECT_EQ(state().picture[0].channelNameX, 704);
    EXPECT_EQ(state().recording[0].recordEnable, 1u);
    EXPECT_EQ(state().compression[0].mainStream.frameType, 2);
    EXPECT_EQ(state().compression[0].mainStream.reserved15[0], 0);
    EXPECT_EQ(state().compression[0].mainStream.maxBitRate, 0x80000000u | (500u << 10));
    EXPECT_EQ(state().textOverlay[0].entries[0].textLength, 4);
    EXPECT_EQ(state().textOverlay[0].entries[1].showText, 1);
    EXPECT_EQ(state().textOverlay[0].entries[1].text[40], 0);
}

} // namespace
