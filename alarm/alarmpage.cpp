#include "alarm/alarmpage.h"

#include "alarm/alarmeditors.h"
#include "command/recordcommands.h"
#include "shell/notifier.h"
#include "shell/pagehelpers.h"

#include "ui_alarmpage.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

namespace {

// Copies one alarm-input record over another; the target keeps its own name.
void copyAlarmIn(const AlarmInRecord &source, AlarmInRecord &target)
{
    char name[sizeof target.alarmInName];
    std::memcpy(name, target.alarmInName, sizeof name);
    target = source;
    std::memcpy(target.alarmInName, name, sizeof name);
}

QString alarmInItemName(int n) { return QStringLiteral("报警输入") + QString::number(n); }
QString alarmOutItemName(int n) { return QStringLiteral("报警输出") + QString::number(n); }

} // namespace

AlarmPage::AlarmPage(const PageContext &context)
    : ConfigPage(context, model::AlarmPage), ui_(std::make_unique<Ui::AlarmPage>())
{
    ui_->setupUi(this);
    limitTypingOfFields(this);
    connect(ui_->cbbAlarmIn, &QComboBox::activated, this, &AlarmPage::cbbAlarmInChange);
    connect(ui_->chkDealAlarmIn, &QCheckBox::clicked, this, &AlarmPage::chkDealAlarmInClick);
    connect(ui_->cbbAlarmOut, &QComboBox::activated, this, &AlarmPage::cbbAlarmOutChange);
    connect(ui_->cbbException, &QComboBox::activated, this, &AlarmPage::cbbExceptionChange);
    connect(ui_->chkLinkAlarmOut, &QCheckBox::clicked, this, &AlarmPage::chkLinkAlarmOutClick);
    connect(ui_->btnCopyAlarmIn, &QPushButton::clicked, this, &AlarmPage::btnCopyAlarmInClick);
    connect(ui_->btnCopyAlarmOut, &QPushButton::clicked, this, &AlarmPage::btnCopyAlarmOutClick);
    connect(ui_->btnAlarmInGuardTime, &QPushButton::clicked, this, &AlarmPage::btnAlarmInGuardTimeClick);
    connect(ui_->btnAlarmOutGuardTime, &QPushButton::clicked, this, &AlarmPage::btnAlarmOutGuardTimeClick);
    connect(ui_->btnLinkType, &QPushButton::clicked, this, &AlarmPage::btnLinkTypeClick);
    // Before the first fill nothing is shown: no value selected, the boxes clear and what depends
    // on them off (a device without inputs or outputs keeps it so).
    ui_->cbbAlarmInType->setCurrentIndex(-1);
    ui_->cbbAlarmOutDelay->setCurrentIndex(-1);
    chkDealAlarmInClick();
    chkLinkAlarmOutClick();
}

AlarmPage::~AlarmPage() = default;

int AlarmPage::shownInput() const
{
    const int i = ui_->cbbAlarmIn->currentIndex();
    return i >= 0 && i < r_.alarmInCount() ? i : -1;
}

int AlarmPage::shownOutput() const
{
    const int j = ui_->cbbAlarmOut->currentIndex();
    return j >= 0 && j < r_.alarmOutCount() ? j : -1;
}

int AlarmPage::shownException() const
{
    const int k = ui_->cbbException->currentIndex();
    return k >= 0 && k < int(std::size(r_.exception.exceptionHandling)) ? k : -1;
}

QCheckBox *AlarmPage::exceptionOutputBox(int n) const
{
    return findChild<QCheckBox *>(QStringLiteral("chkLinkAlarmOut%1").arg(n));
}

void AlarmPage::FillAlarmPage()
{
    renewBaselines();
    fillSelectorAndCopyTargets(ui_->cbbAlarmIn, ui_->cbbCopyAlarmIn, QStringLiteral("全部报警输入"), r_.alarmInCount(),
                               alarmInItemName);
    cbbAlarmInChange();
    fillSelectorAndCopyTargets(ui_->cbbAlarmOut, ui_->cbbCopyAlarmOut, QStringLiteral("全部报警输出"),
                               r_.alarmOutCount(), alarmOutItemName);
    cbbAlarmOutChange();
    cbbExceptionChange(); // the exception kind shown stays as it was
}

void AlarmPage::cbbAlarmInChange()
{
    const int i = shownInput();
    if (i < 0)
        return;
    const AlarmInRecord &in = r_.alarmIn[i];
    showText(ui_->edtAlarmInName, in.alarmInName);
    showIndex(ui_->cbbAlarmInType, in.sensorType);
    showCheck(ui_->chkDealAlarmIn, in.handleAlarmIn);
    chkDealAlarmInClick();
}

void AlarmPage::chkDealAlarmInClick()
{
    const bool handled = ui_->chkDealAlarmIn->isChecked();
    ui_->btnAlarmInGuardTime->setEnabled(handled);
    ui_->btnLinkType->setEnabled(handled);
}

void AlarmPage::cbbAlarmOutChange()
{
    const int j = shownOutput();
    if (j < 0)
        return;
    showIndex(ui_->cbbAlarmOutDelay, r_.alarmOut[j].outputDelay);
}

void AlarmPage::cbbExceptionChange()
{
    const int k = shownException();
    if (k < 0)
        return;
    const AlarmHandling &h = r_.exception.exceptionHandling[k];
    showCheck(ui_->chkLinkSound, h.handleFlags & AudibleWarning);
    showCheck(ui_->chkLinkCenter, h.handleFlags & ReportToCentre);
    showCheck(ui_->chkLinkAlarmOut, h.handleFlags & TriggerAlarmOut);
    showCheck(ui_->chkLinkMail, h.handleFlags & SendEmail);
    for (int m = 0; m < 4; ++m)
        showCheck(exceptionOutputBox(m + 1), h.alarmOutTrigger[m]);
    chkLinkAlarmOutClick();
}

void AlarmPage::chkLinkAlarmOutClick()
{
    // Only usable while the master box is ticked; the ticks themselves stay.
    const bool on = ui_->chkLinkAlarmOut->isChecked();
    for (int n = 1; n <= 4; ++n)
        exceptionOutputBox(n)->setEnabled(on);
}

bool AlarmPage::StoreAlarmIn()
{
    const int i = shownInput();
    if (i < 0)
        return true;
    AlarmInRecord &in = r_.alarmIn[i];
    storeText(ui_->edtAlarmInName, in.alarmInName);
    storeIndex(ui_->cbbAlarmInType, in.sensorType);
    storeCheck(ui_->chkDealAlarmIn, in.handleAlarmIn);
    return true;
}

bool AlarmPage::StoreAlarmOut()
{
    const int j = shownOutput();
    if (j >= 0)
        storeIndex(ui_->cbbAlarmOutDelay, r_.alarmOut[j].outputDelay);
    return true;
}

bool AlarmPage::StoreException()
{
    const int k = shownException();
    if (k < 0)
        return true;
    AlarmHandling &h = r_.exception.exceptionHandling[k];
    h.handleFlags = (ui_->chkLinkSound->isChecked() ? AudibleWarning : 0u) |
                    (ui_->chkLinkCenter->isChecked() ? ReportToCentre : 0u) |
                    (ui_->chkLinkMail->isChecked() ? SendEmail : 0u) |
                    (ui_->chkLinkAlarmOut->isChecked() ? TriggerAlarmOut : 0u);
    // The four triggers are written even while the master box is off: devices may rely on them.
    for (int m = 0; m < 4; ++m)
        storeCheck(exceptionOutputBox(m + 1), h.alarmOutTrigger[m]);
    return true;
}

bool AlarmPage::collect()
{
    StoreAlarmIn();
    StoreAlarmOut();
    StoreException();
    return true;
}

void AlarmPage::btnCopyAlarmInClick()
{
    StoreAlarmIn();
    const int s = shownInput();
    copyToTargets(s, ui_->cbbCopyAlarmIn->currentIndex(), r_.alarmInCount(),
                  [&](int n) { copyAlarmIn(r_.alarmIn[s], r_.alarmIn[n]); });
}

void AlarmPage::btnCopyAlarmOutClick()
{
    StoreAlarmOut();
    const int s = shownOutput();
    copyToTargets(s, ui_->cbbCopyAlarmOut->currentIndex(), r_.alarmOutCount(),
                  [&](int n) { r_.alarmOut[n] = r_.alarmOut[s]; });
}

// The editors work on the records of the input or output shown; with none shown (a device
// without inputs or outputs) there is nothing to open them on.
void AlarmPage::btnAlarmInGuardTimeClick()
{
    if (const int i = shownInput(); i >= 0)
        openGuardTimeEditor(dialog(), AlarmInput, &r_.alarmIn[i].schedule);
}

void AlarmPage::btnAlarmOutGuardTimeClick()
{
    if (const int j = shownOutput(); j >= 0)
        openGuardTimeEditor(dialog(), AlarmOutput, &r_.alarmOut[j].schedule);
}

void AlarmPage::btnLinkTypeClick()
{
    if (const int i = shownInput(); i >= 0) {
        AlarmInRecord &in = r_.alarmIn[i];
        openLinkTypeEditor(dialog(), r_.channelCount(), &in, in.recordChannel, AlarmInput, &in.handling);
    }
}

std::vector<NormalisedBytes> AlarmPage::normalisedBytes() const
{
    std::vector<NormalisedBytes> bytes = {
        {getCommandOf<AlarmInRecord>, offsetof(AlarmInRecord, alarmInName), sizeof(AlarmInRecord::alarmInName),
         "the shown input's name is stored as its text padded with zero bytes"},
        {getCommandOf<AlarmInRecord>, offsetof(AlarmInRecord, handleAlarmIn), 1,
         "the shown input's handling flag is stored as 1 or 0"},
    };
    if (const int k = shownException(); k >= 0) {
        const std::size_t at = offsetof(ExceptionRecord, exceptionHandling) + std::size_t(k) * sizeof(AlarmHandling);
        bytes.push_back({getCommandOf<ExceptionRecord>, at + offsetof(AlarmHandling, handleFlags), 4,
                         "the shown exception's flags keep bits 1-4 only"});
        bytes.push_back({getCommandOf<ExceptionRecord>, at + offsetof(AlarmHandling, alarmOutTrigger), 4,
                         "the shown exception's triggers of outputs 1-4 are stored as 1 or 0"});
    }
    return bytes;
}
