#include "channel/frmsetrecplan.h"

#include "shell/daysegments.h"
#include "shell/keyfilters.h"
#include "shell/notifier.h"
#include "shell/pagehelpers.h"

#include "ui_frmsetrecplan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

namespace {

constexpr int DayCount = 7;
constexpr int AllDayMode = 1; // item of cbbRecMode

bool segmentOn(const RecordingSegment &s) { return s.startHour || s.startMinute || s.endHour || s.endMinute; }

} // namespace

TfrmSetRecPlan::TfrmSetRecPlan(QWidget *owner, ChannelRecordingRecord *record)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetRecPlan>()), record_(record)
{
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    for (int n = 1; n <= DaySegmentCount; ++n) {
        const QString number = QString::number(n);
        Segment &s = segments_[std::size_t(n - 1)];
        s.box = findChild<QCheckBox *>(QStringLiteral("chkTime") + number);
        s.startHour = findChild<QSpinBox *>(QStringLiteral("speStartHour") + number);
        s.startMinute = findChild<QSpinBox *>(QStringLiteral("speStartMin") + number);
        s.endHour = findChild<QSpinBox *>(QStringLiteral("speEndHour") + number);
        s.endMinute = findChild<QSpinBox *>(QStringLiteral("speEndMin") + number);
        s.type = findChild<QComboBox *>(QStringLiteral("cbbRecType") + number);
        connect(s.box, &QCheckBox::clicked, this, [this, box = s.box] { chkTime1MouseUp(box); });
        connect(s.startHour, &QSpinBox::valueChanged, this, [this, spin = s.startHour] { speStartHour1Change(spin); });
        connect(s.endHour, &QSpinBox::valueChanged, this, [this, spin = s.endHour] { speEndHour1Change(spin); });
        // speStartHour1KeyPress: the same key rule on all sixteen spin edits.
        for (QSpinBox *spin : {s.startHour, s.startMinute, s.endHour, s.endMinute})
            installSpinDigitFilter(spin);
    }
    connect(ui_->cbbDate, &QComboBox::activated, this, &TfrmSetRecPlan::cbbDateChange);
    connect(ui_->cbbRecMode, &QComboBox::activated, this, &TfrmSetRecPlan::cbbRecModeChange);
    connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmSetRecPlan::btnOKClick);
    connect(ui_->btnCopy, &QPushButton::clicked, this, &TfrmSetRecPlan::btnCopyClick);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmSetRecPlan::btnCancelClick);
    FormCreate();
}

TfrmSetRecPlan::~TfrmSetRecPlan() = default;

int TfrmSetRecPlan::shownDay() const
{
    const int d = ui_->cbbDate->currentIndex();
    return d >= 0 && d < DayCount ? d : -1;
}

bool TfrmSetRecPlan::allDayShown() const { return ui_->cbbRecMode->currentIndex() == AllDayMode; }

int TfrmSetRecPlan::segmentOf(QObject *sender) const
{
    const int k = sender ? sender->property("tag").toInt() : -1;
    return k >= 0 && k < DaySegmentCount ? k : -1;
}

void TfrmSetRecPlan::FormCreate() { cbbDateChange(); }

void TfrmSetRecPlan::cbbDateChange()
{
    const int d = shownDay();
    if (!record_ || d < 0)
        return;
    showIndex(ui_->cbbRecMode, record_->recordingSchedule.days[d].allDay);
    cbbRecModeChange();
}

void TfrmSetRecPlan::cbbRecModeChange()
{
    const int d = shownDay();
    if (!record_ || d < 0)
        return;
    const bool allDay = allDayShown();
    for (const Segment &s : segments_) {
        s.box->setEnabled(!allDay);
        for (QWidget *w :
             {static_cast<QWidget *>(s.startHour), static_cast<QWidget *>(s.startMinute),
              static_cast<QWidget *>(s.endHour), static_cast<QWidget *>(s.endMinute), static_cast<QWidget *>(s.type)})
            w->setEnabled(false);
    }
    if (allDay) {
        // Segment 1 stands for the whole day; the other segments keep what they show.
        const Segment &first = segments_[0];
        first.box->setChecked(true);
        {
            const QSignalBlocker block(first.endHour);
            first.endHour->setValue(24);
        }
        hourRule(first.endHour, first.endMinute);
        first.type->setEnabled(true);
        showIndex(first.type, record_->recordingSchedule.days[d].allDayType);
        return;
    }
    for (int k = DaySegmentCount - 1; k >= 0; --k) {
        segments_[std::size_t(k)].box->setChecked(segmentOn(record_->recordingSchedule.segmentDays[d].segments[k]));
        ShowRecordingSegment(k);
    }
}

void TfrmSetRecPlan::ShowRecordingSegment(int k)
{
    const int d = shownDay();
    if (!record_ || d < 0 || k < 0 || k >= DaySegmentCount)
        return;
    const Segment &s = segments_[std::size_t(k)];
    const RecordingSegment &stored = record_->recordingSchedule.segmentDays[d].segments[k];
    const bool ticked = s.box->isChecked();
    const bool enabled = ticked && !(allDayShown() && k == 0);
    // Values from the record: unticking shows zeros, ticking again the stored values.
    const auto show = [&](QSpinBox *spin, int value) {
        spin->setEnabled(enabled);
        const QSignalBlocker block(spin);
        spin->setValue(ticked ? value : 0);
    };
    show(s.startHour, stored.startHour);
    hourRule(s.startHour, s.startMinute);
    show(s.startMinute, stored.startMinute);
    show(s.endHour, stored.endHour);
    hourRule(s.endHour, s.endMinute);
    show(s.endMinute, stored.endMinute);
    s.type->setEnabled(enabled);
    showIndex(s.type, ticked ? stored.recordType : 0);
}

void TfrmSetRecPlan::chkTime1MouseUp(QObject *sender) { ShowRecordingSegment(segmentOf(sender)); }

// An hour of 24 leaves no minutes: its minute spin edit is cleared and disabled.
void TfrmSetRecPlan::hourRule(const QSpinBox *hour, QSpinBox *minute)
{
    const bool whole = hour->value() == 24;
    minute->setEnabled(!whole);
    if (whole) {
        const QSignalBlocker block(minute);
        minute->setValue(0);
    }
}

void TfrmSetRecPlan::speStartHour1Change(QObject *sender)
{
    if (const int k = segmentOf(sender); k >= 0)
        hourRule(segments_[std::size_t(k)].startHour, segments_[std::size_t(k)].startMinute);
}

void TfrmSetRecPlan::speEndHour1Change(QObject *sender)
{
    if (const int k = segmentOf(sender); k >= 0)
        hourRule(segments_[std::size_t(k)].endHour, segments_[std::size_t(k)].endMinute);
}

bool TfrmSetRecPlan::StoreRecordingDay()
{
    const int d = shownDay();
    if (!record_ || d < 0)
        return false;
    RecordingDayHeader &header = record_->recordingSchedule.days[d];
    if (allDayShown()) {
        header.allDay = 1;
        storeIndex(segments_[0].type, header.allDayType);
        return true; // the day's segments stay as they are
    }
    SegmentTimes start{}, end{};
    for (int k = 0; k < DaySegmentCount; ++k) {
        const Segment &s = segments_[std::size_t(k)];
        if (!s.box->isChecked())
            continue;
        start[std::size_t(k)] = s.startHour->value() * 100 + s.startMinute->value();
        end[std::size_t(k)] = s.endHour->value() * 100 + s.endMinute->value();
    }
    const QString error = daySegmentsError(start, end, QStringLiteral("录像时间段"));
    if (!error.isEmpty()) {
        showMessage(this, error);
        return false; // nothing written, not even the day's mode
    }
    storeIndex(ui_->cbbRecMode, header.allDay); // a mode the list lacks stays as the device sent it
    for (int k = 0; k < DaySegmentCount; ++k) {
        RecordingSegment &stored = record_->recordingSchedule.segmentDays[d].segments[k];
        stored.startHour = std::uint8_t(start[std::size_t(k)] / 100);
        stored.startMinute = std::uint8_t(start[std::size_t(k)] % 100);
        stored.endHour = std::uint8_t(end[std::size_t(k)] / 100);
        stored.endMinute = std::uint8_t(end[std::size_t(k)] % 100);
        storeIndex(segments_[std::size_t(k)].type, stored.recordType);
    }
    return true;
}

void TfrmSetRecPlan::btnOKClick()
{
    if (StoreRecordingDay())
        accept();
}

void TfrmSetRecPlan::btnCopyClick()
{
    if (!StoreRecordingDay())
        return;
    const int d = shownDay();
    RecordingSchedule &plan = record_->recordingSchedule;
    // The 4-byte header and the whole 64-byte segment block travel, carried bytes included.
    copyToTargets(d, ui_->cbbCopy->currentIndex(), DayCount, [&](int day) {
        plan.days[day] = plan.days[d];
        plan.segmentDays[day] = plan.segmentDays[d];
    });
}

void TfrmSetRecPlan::btnCancelClick() { reject(); }
