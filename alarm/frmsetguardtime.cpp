#include "alarm/frmsetguardtime.h"

#include "alarm/alarmeditors.h"
#include "shell/daysegments.h"
#include "shell/keyfilters.h"
#include "shell/notifier.h"
#include "shell/pagehelpers.h"

#include "ui_frmsetguardtime.h"

#include <QCheckBox>
#include <QSpinBox>

#include <array>
#include <cstring>

namespace {

constexpr int SegmentCount = DaySegmentCount;
constexpr int DayCount = 7;
constexpr const char *SpinPrefixes[] = {"speStartHour", "speStartMin", "speEndHour", "speEndMin"};

bool segmentOn(const ScheduleSegment &s) { return s.startHour || s.startMinute || s.endHour || s.endMinute; }

} // namespace

TfrmSetGuardTime::TfrmSetGuardTime(QWidget *owner, int kind, ScheduleRecord *schedule)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetGuardTime>()), kind_(kind), schedule_(schedule)
{
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    for (int n = 1; n <= SegmentCount; ++n) {
        QCheckBox *box = segmentBox(n);
        box->setProperty("tag", n - 1);
        connect(box, &QCheckBox::clicked, this, [this, box] { chkTime1Click(box); });
        // speStartHour1KeyPress: the same key rule on all sixteen spin edits.
        for (const char *prefix : SpinPrefixes)
            installSpinDigitFilter(segmentSpin(prefix, n));
    }
    connect(ui_->cbbDate, &QComboBox::activated, this, &TfrmSetGuardTime::cbbDateChange);
    connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmSetGuardTime::btnOKClick);
    connect(ui_->btnCopy, &QPushButton::clicked, this, &TfrmSetGuardTime::btnCopyClick);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmSetGuardTime::btnCancelClick);
    FormCreate();
}

TfrmSetGuardTime::~TfrmSetGuardTime() = default;

QCheckBox *TfrmSetGuardTime::segmentBox(int n) const
{
    return findChild<QCheckBox *>(QStringLiteral("chkTime%1").arg(n));
}

QSpinBox *TfrmSetGuardTime::segmentSpin(const char *prefix, int n) const
{
    return findChild<QSpinBox *>(QLatin1String(prefix) + QString::number(n));
}

void TfrmSetGuardTime::FormCreate()
{
    cbbDateChange();
    setWindowTitle(QStringLiteral("设置布防时间") + alarmKindSuffix(kind_));
}

void TfrmSetGuardTime::cbbDateChange()
{
    const int d = ui_->cbbDate->currentIndex();
    if (d < 0 || d >= DayCount)
        return;
    for (int n = 1; n <= SegmentCount; ++n) {
        QCheckBox *box = segmentBox(n);
        box->setChecked(segmentOn(schedule_->days[d].segments[n - 1]));
        chkTime1Click(box);
    }
}

void TfrmSetGuardTime::chkTime1Click(QObject *sender)
{
    auto *box = qobject_cast<QCheckBox *>(sender);
    const int d = ui_->cbbDate->currentIndex();
    if (!box || d < 0 || d >= DayCount)
        return;
    const int k = box->property("tag").toInt();
    if (k < 0 || k >= SegmentCount)
        return;
    // Checking shows what the record holds, not what the fields showed before.
    const bool on = box->isChecked();
    const ScheduleSegment &s = schedule_->days[d].segments[k];
    const int values[] = {s.startHour, s.startMinute, s.endHour, s.endMinute};
    for (int f = 0; f < 4; ++f) {
        QSpinBox *spin = segmentSpin(SpinPrefixes[f], k + 1);
        spin->setEnabled(on);
        spin->setValue(on ? values[f] : 0);
    }
}

bool TfrmSetGuardTime::SaveCurrentDay()
{
    const int d = ui_->cbbDate->currentIndex();
    if (d < 0 || d >= DayCount)
        return false;
    SegmentTimes start{}, end{};
    for (int k = 0; k < SegmentCount; ++k) {
        if (!segmentBox(k + 1)->isChecked())
            continue;
        start[k] = segmentSpin("speStartHour", k + 1)->value() * 100 + segmentSpin("speStartMin", k + 1)->value();
        end[k] = segmentSpin("speEndHour", k + 1)->value() * 100 + segmentSpin("speEndMin", k + 1)->value();
    }
    const QString error = daySegmentsError(start, end, QStringLiteral("布防时间段"));
    if (!error.isEmpty()) {
        showMessage(this, error);
        return false;
    }
    for (int k = 0; k < SegmentCount; ++k) {
        ScheduleSegment &s = schedule_->days[d].segments[k];
        s.startHour = std::uint8_t(start[k] / 100);
        s.startMinute = std::uint8_t(start[k] % 100);
        s.endHour = std::uint8_t(end[k] / 100);
        s.endMinute = std::uint8_t(end[k] % 100);
    }
    return true;
}

void TfrmSetGuardTime::btnOKClick()
{
    if (SaveCurrentDay())
        accept();
}

void TfrmSetGuardTime::btnCopyClick()
{
    if (!SaveCurrentDay())
        return;
    const int d = ui_->cbbDate->currentIndex();
    const ScheduleDay &source = schedule_->days[d];
    // The whole 32-byte day travels, so a copied day matches its source byte for byte.
    copyToTargets(d, ui_->cbbCopy->currentIndex(), DayCount,
                  [&](int day) { std::memcpy(&schedule_->days[day], &source, sizeof source); });
}

void TfrmSetGuardTime::btnCancelClick() { reject(); }
