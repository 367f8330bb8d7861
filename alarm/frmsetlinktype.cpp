#include "alarm/frmsetlinktype.h"

#include "alarm/alarmeditors.h"
#include "shell/keyfilters.h"
#include "shell/notifier.h"

#include "ui_frmsetlinktype.h"

#include <QCheckBox>
#include <QListWidget>
#include <QSpinBox>

#include <algorithm>

namespace {

// The main dialog holds 16 channel slots and the list has 16 items; record arrays hold 64.
constexpr int MaxChannels = 16;
constexpr int ShownOutputs = 4;

bool hasRecordChannels(int kind) { return kind == MotionDetection || kind == AlarmInput; }

QCheckBox *outputBox(const QWidget *dialog, int n)
{
    return dialog->findChild<QCheckBox *>(QStringLiteral("chkLinkAlarmOut%1").arg(n));
}

} // namespace

TfrmSetLinkType::TfrmSetLinkType(QWidget *owner, int channelCount, AlarmInRecord *ptzRecord,
                                 std::uint8_t *recordChannel, int kind, AlarmHandling *handling)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetLinkType>()),
      channelCount_(std::clamp(channelCount, 0, MaxChannels)), ptz_(kind == AlarmInput ? ptzRecord : nullptr),
      recordChannel_(hasRecordChannels(kind) ? recordChannel : nullptr), kind_(kind), handling_(handling)
{
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("联动方式") + alarmKindSuffix(kind));

    // Four columns of equal cells, sized for the widest item so no text is cut.
    QListWidget *list = ui_->chklstLinkChan;
    const QFontMetrics metrics(list->font());
    const int indicator = list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list);
    const QSize cell(indicator + metrics.horizontalAdvance(QStringLiteral("通道16")) + 20, metrics.height() + 8);
    list->setGridSize(cell);
    const int frame = 2 * list->frameWidth();
    list->setFixedSize(4 * cell.width() + frame + 2, 4 * cell.height() + frame + 2);

    ui_->btnSelectAll->setProperty("tag", 1);
    ui_->btnUnSelectAll->setProperty("tag", 0);

    const bool channelsEditable = hasRecordChannels(kind);
    ui_->chklstLinkChan->setEnabled(channelsEditable);
    ui_->btnSelectAll->setEnabled(channelsEditable);
    ui_->btnUnSelectAll->setEnabled(channelsEditable);
    const bool ptzEnabled = kind == AlarmInput;
    for (QWidget *w : {static_cast<QWidget *>(ui_->grpPTZLink), static_cast<QWidget *>(ui_->cbbLinkChan),
                       static_cast<QWidget *>(ui_->spePreSet), static_cast<QWidget *>(ui_->speCruise),
                       static_cast<QWidget *>(ui_->speTrack)})
        w->setEnabled(ptzEnabled);

    // spePreSetKeyPress: the same key rule on the three number fields.
    installSpinDigitFilter(ui_->spePreSet);
    installSpinDigitFilter(ui_->speCruise);
    installSpinDigitFilter(ui_->speTrack);

    connect(ui_->chkLinkAlarmOut, &QCheckBox::clicked, this, &TfrmSetLinkType::chkLinkAlarmOutClick);
    connect(ui_->btnSelectAll, &QPushButton::clicked, this, [this] { btnSelectAllClick(ui_->btnSelectAll); });
    connect(ui_->btnUnSelectAll, &QPushButton::clicked, this, [this] { btnSelectAllClick(ui_->btnUnSelectAll); });
    connect(ui_->cbbLinkChan, &QComboBox::activated, this, &TfrmSetLinkType::cbbLinkChanChange);
    connect(ui_->chkPreSet, &QCheckBox::clicked, this, &TfrmSetLinkType::chkPreSetMouseUp);
    connect(ui_->chkCruise, &QCheckBox::clicked, this, &TfrmSetLinkType::chkCruiseMouseUp);
    connect(ui_->chkTrack, &QCheckBox::clicked, this, &TfrmSetLinkType::chkTrackMouseUp);
    connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmSetLinkType::btnOKClick);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmSetLinkType::btnCancelClick);
    FormCreate();
}

TfrmSetLinkType::~TfrmSetLinkType() = default;

void TfrmSetLinkType::FormCreate()
{
    const std::uint32_t flags = handling_->handleFlags;
    ui_->chkLinkMonitor->setChecked(flags & WarnOnMonitor);
    ui_->chkLinkBell->setChecked(flags & AudibleWarning);
    ui_->chkLinkCenter->setChecked(flags & ReportToCentre);
    ui_->chkLinkAlarmOut->setChecked(flags & TriggerAlarmOut);
    ui_->chkLinkMail->setChecked(flags & SendEmail);
    chkLinkAlarmOutClick();

    if (recordChannel_) {
        for (int m = 0; m < MaxChannels; ++m) {
            QListWidgetItem *item = ui_->chklstLinkChan->item(m);
            if (!item)
                break;
            const bool present = m < channelCount_;
            item->setCheckState(present && recordChannel_[m] ? Qt::Checked : Qt::Unchecked);
            item->setFlags(present ? item->flags() | Qt::ItemIsEnabled : item->flags() & ~Qt::ItemIsEnabled);
        }
    }

    ui_->cbbLinkChan->clear();
    for (int n = 1; n <= channelCount_; ++n)
        ui_->cbbLinkChan->addItem(QStringLiteral("第%1通道").arg(n));
    ui_->cbbLinkChan->addItem(QStringLiteral("全部通道"));
    ui_->cbbLinkChan->setCurrentIndex(0);

    if (kind_ == AlarmInput)
        cbbLinkChanChange();
}

void TfrmSetLinkType::chkLinkAlarmOutClick()
{
    // Ticking the master box shows the stored outputs again; clearing it clears them all.
    const bool on = ui_->chkLinkAlarmOut->isChecked();
    for (int k = 0; k < ShownOutputs; ++k) {
        QCheckBox *box = outputBox(this, k + 1);
        box->setChecked(on && handling_->alarmOutTrigger[k]);
        box->setEnabled(on);
    }
}

void TfrmSetLinkType::btnSelectAllClick(QObject *sender)
{
    const Qt::CheckState state = sender && sender->property("tag").toInt() == 1 ? Qt::Checked : Qt::Unchecked;
    for (int m = 0; m < ui_->chklstLinkChan->count(); ++m)
        ui_->chklstLinkChan->item(m)->setCheckState(state);
}

// The record slot the PTZ controls show: the selected channel, or channel 1 while "全部通道"
// is selected (that entry is a write target only); -1 with nothing to show.
int TfrmSetLinkType::ptzSlot() const
{
    const int i = ui_->cbbLinkChan->currentIndex();
    if (!ptz_ || i < 0)
        return -1;
    return allChannelsSelected() ? 0 : std::min(i, MaxChannels - 1);
}

bool TfrmSetLinkType::allChannelsSelected() const
{
    return ui_->cbbLinkChan->currentIndex() == ui_->cbbLinkChan->count() - 1;
}

void TfrmSetLinkType::cbbLinkChanChange()
{
    const int i = ptzSlot();
    if (i < 0)
        return;
    ui_->chkPreSet->setChecked(ptz_->presetEnable[i]);
    ui_->chkCruise->setChecked(ptz_->cruiseEnable[i]);
    ui_->chkTrack->setChecked(ptz_->trackEnable[i]);
    ShowPtzLink();
}

void TfrmSetLinkType::ShowPtzLink()
{
    const int i = ptzSlot();
    if (i < 0)
        return;
    ui_->spePreSet->setEnabled(ui_->chkPreSet->isChecked());
    ui_->speCruise->setEnabled(ui_->chkCruise->isChecked());
    ui_->speTrack->setEnabled(ui_->chkTrack->isChecked());
    ui_->spePreSet->setValue(ptz_->presetNo[i]);
    ui_->speCruise->setValue(ptz_->cruiseNo[i]);
    ui_->speTrack->setValue(ptz_->trackNo[i]);
}

// A click makes its box the only PTZ action; boxes filled from the record are left as stored.
void TfrmSetLinkType::chkPreSetMouseUp()
{
    ui_->chkCruise->setChecked(false);
    ui_->chkTrack->setChecked(false);
    ShowPtzLink();
}

void TfrmSetLinkType::chkCruiseMouseUp()
{
    ui_->chkPreSet->setChecked(false);
    ui_->chkTrack->setChecked(false);
    ShowPtzLink();
}

void TfrmSetLinkType::chkTrackMouseUp()
{
    ui_->chkPreSet->setChecked(false);
    ui_->chkCruise->setChecked(false);
    ShowPtzLink();
}

void TfrmSetLinkType::storePtz(int slot)
{
    ptz_->presetEnable[slot] = ui_->chkPreSet->isChecked() ? 1 : 0;
    ptz_->presetNo[slot] = std::uint8_t(ui_->spePreSet->value());
    ptz_->cruiseEnable[slot] = ui_->chkCruise->isChecked() ? 1 : 0;
    ptz_->cruiseNo[slot] = std::uint8_t(ui_->speCruise->value());
    ptz_->trackEnable[slot] = ui_->chkTrack->isChecked() ? 1 : 0;
    ptz_->trackNo[slot] = std::uint8_t(ui_->speTrack->value());
}

void TfrmSetLinkType::btnOKClick()
{
    // Every check runs before anything is stored, so a refused OK leaves the records as they were.
    if (ptz_) {
        const auto outside = [](const QSpinBox *spin, int low, int high) {
            return spin->value() < low || spin->value() > high;
        };
        // The numbers are checked whether or not their box is ticked: all six bytes are stored.
        if (outside(ui_->spePreSet, 1, 128)) {
            showMessage(this, QStringLiteral("预置点编号为1-128!"));
            return;
        }
        if (outside(ui_->speCruise, 1, 16)) {
            showMessage(this, QStringLiteral("巡航路径号为1-16!"));
            return;
        }
        if (outside(ui_->speTrack, 1, 16)) {
            showMessage(this, QStringLiteral("轨迹号为1-16!"));
            return;
        }
    }

    if (recordChannel_) {
        for (int m = 0; m < channelCount_; ++m)
            recordChannel_[m] = ui_->chklstLinkChan->item(m)->checkState() == Qt::Checked ? 1 : 0;
    }
    if (ptz_ && ui_->cbbLinkChan->currentIndex() >= 0) {
        if (allChannelsSelected()) {
            for (int m = 0; m < channelCount_; ++m)
                storePtz(m);
        } else {
            storePtz(std::min(ui_->cbbLinkChan->currentIndex(), MaxChannels - 1));
        }
    }

    std::uint32_t flags = 0; // bits above the five shown are cleared on purpose
    if (ui_->chkLinkMonitor->isChecked())
        flags |= WarnOnMonitor;
    if (ui_->chkLinkBell->isChecked())
        flags |= AudibleWarning;
    if (ui_->chkLinkCenter->isChecked())
        flags |= ReportToCentre;
    if (ui_->chkLinkAlarmOut->isChecked())
        flags |= TriggerAlarmOut;
    if (ui_->chkLinkMail->isChecked())
        flags |= SendEmail;
    handling_->handleFlags = flags;
    for (int k = 0; k < ShownOutputs; ++k)
        handling_->alarmOutTrigger[k] = outputBox(this, k + 1)->isChecked() ? 1 : 0;
    accept();
}

void TfrmSetLinkType::btnCancelClick() { reject(); }
