#include "channel/channelpage.h"

#include "alarm/alarmeditors.h"
#include "channel/frmsetarea.h"
#include "channel/frmsetrecplan.h"
#include "shell/keyfilters.h"
#include "shell/notifier.h"
#include "shell/pagehelpers.h"

#include "ui_channelpage.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <cstring>

namespace {

constexpr int OverlayRows = 4;
constexpr int ColumnX = 1, ColumnY = 2, ColumnText = 3;
constexpr std::uint32_t CustomBit = 0x80000000u;

// Devices of these types draw the date/time overlay on a wider picture.
constexpr bool wideOsdType(std::uint8_t type) { return type >= 81 && type <= 97; }

// High-definition devices list their own resolutions, stored as these codes.
constexpr std::uint8_t HdResolutionCodes[] = {16, 19, 20};

const QStringList &resolutionItems(bool highDefinition)
{
    static const QStringList standard = {QStringLiteral("DCIF"), QStringLiteral("CIF"), QStringLiteral("QCIF"),
                                         QStringLiteral("4CIF"), QStringLiteral("2CIF")};
    static const QStringList hd = {QStringLiteral("VGA"), QStringLiteral("HD720p"), QStringLiteral("XVGA")};
    return highDefinition ? hd : standard;
}

// The list item for a stored resolution code; -1 (no selection) for a code the list lacks, so
// the code is kept on save.
int resolutionItem(std::uint8_t code, bool highDefinition)
{
    if (!highDefinition)
        return code;
    const auto *found = std::find(std::begin(HdResolutionCodes), std::end(HdResolutionCodes), code);
    return found == std::end(HdResolutionCodes) ? -1 : int(found - std::begin(HdResolutionCodes));
}

bool inRange(long long value, long long low, long long high) { return value >= low && value <= high; }

// Cell editor limits: coordinates take three digits, the overlay text the width of its field.
int cellTypingLimit(int column) { return column == ColumnText ? int(sizeof TextOverlayEntry::text) : 3; }

} // namespace

ChannelPage::ChannelPage(const PageContext &context)
    : ConfigPage(context, model::ChannelPage), ui_(std::make_unique<Ui::ChannelPage>())
{
    ui_->setupUi(this);

    QTableWidget *list = ui_->lvOSDSet;
    list->setColumnCount(4);
    list->setRowCount(OverlayRows);
    list->setHorizontalHeaderLabels({QString(), QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("叠加内容")});
    list->verticalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(true);
    list->setColumnWidth(0, 72);
    list->setColumnWidth(ColumnX, 48);
    list->setColumnWidth(ColumnY, 48);
    for (int row = 0; row < OverlayRows; ++row) {
        auto *area = new QTableWidgetItem(QStringLiteral("区域 %1").arg(row + 1));
        area->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        area->setCheckState(Qt::Unchecked);
        list->setItem(row, 0, area);
        for (int column = ColumnX; column <= ColumnText; ++column) {
            auto *cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            list->setItem(row, column, cell);
        }
    }
    list->resizeRowsToContents();
    // Four rows, no more: the list is as tall as its header and rows.
    int height = list->horizontalHeader()->sizeHint().height() + 2 * list->frameWidth();
    for (int row = 0; row < OverlayRows; ++row)
        height += list->rowHeight(row);
    list->setFixedHeight(height);
    // The in-place cell editor lives over the list's cells.
    ui_->edtListView->setParent(list->viewport());
    ui_->edtListView->hide();
    ui_->edtListView->installEventFilter(this); // edtListViewKeyDown, edtListViewExit

    // The custom figure keeps its room while hidden, so choosing "自定义" moves no other control.
    for (QWidget *w : {static_cast<QWidget *>(ui_->edtKbps), static_cast<QWidget *>(ui_->lblKbps)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    // speChanNameXKeyPress on the four spin edits, edtIDKeyPress on the two number fields.
    for (QSpinBox *spin : {ui_->speChanNameX, ui_->speChanNameY, ui_->speOSDX, ui_->speOSDY}) {
        setUpSpin(spin);
        installSpinDigitFilter(spin);
    }
    installDigitFilter(ui_->edtIntervalFrameI);
    installDigitFilter(ui_->edtKbps);
    limitTypingOfFields(this);

    ui_->cbbStreamType->setCurrentIndex(0);
    ui_->cbbAlarmType->setCurrentIndex(0);
    // The enabling rules hold before the first fill too.
    cbbMaxBitRateChange();
    chkRecPlanClick();
    chkShowChanNameClick();
    chkShowOSDClick();
    setAlarmButtons();

    connect(ui_->cbbSelChan, &QComboBox::activated, this, &ChannelPage::cbbSelChanChange);
    connect(ui_->cbbStreamType, &QComboBox::activated, this, &ChannelPage::cbbStreamTypeChange);
    connect(ui_->cbbAlarmType, &QComboBox::activated, this, &ChannelPage::cbbAlarmTypeChange);
    connect(ui_->cbbMaxBitRate, &QComboBox::activated, this, &ChannelPage::cbbMaxBitRateChange);
    connect(ui_->chkEnableAlarm, &QCheckBox::clicked, this, &ChannelPage::chkEnableAlarmClick);
    connect(ui_->chkRecPlan, &QCheckBox::clicked, this, &ChannelPage::chkRecPlanClick);
    connect(ui_->chkShowChanName, &QCheckBox::clicked, this, &ChannelPage::chkShowChanNameClick);
    connect(ui_->chkShowOSD, &QCheckBox::clicked, this, &ChannelPage::chkShowOSDClick);
    connect(ui_->btnCopy, &QPushButton::clicked, this, &ChannelPage::btnCopyClick);
    connect(ui_->btnSetRec, &QPushButton::clicked, this, &ChannelPage::btnSetRecClick);
    connect(ui_->btnSetArea, &QPushButton::clicked, this, &ChannelPage::btnSetAreaClick);
    connect(ui_->btnAlarmGuardTime, &QPushButton::clicked, this, &ChannelPage::btnAlarmGuardTimeClick);
    connect(ui_->btnAlarmLinkType, &QPushButton::clicked, this, &ChannelPage::btnAlarmLinkTypeClick);
    connect(list, &QTableWidget::cellDoubleClicked, this, &ChannelPage::lvOSDSetDblClick);
}

ChannelPage::~ChannelPage() = default;

std::uint32_t ChannelPage::bitRateCode(int item, std::uint32_t kbps)
{
    return item == CustomBitRateItem ? CustomBit | (kbps << 10) : std::uint32_t(item + 2);
}

int ChannelPage::bitRateItem(std::uint32_t code)
{
    if (code & CustomBit)
        return CustomBitRateItem;
    return code >= 2 && code < 2 + CustomBitRateItem ? int(code - 2) : -1;
}

std::uint32_t ChannelPage::customKbps(std::uint32_t code) { return (code & ~CustomBit) >> 10; }

int ChannelPage::selectedChannel() const
{
    const int ch = ui_->cbbSelChan->currentIndex();
    return ch >= 0 && ch < ChannelSlots && ch < r_.channelCount() ? ch : -1;
}

int ChannelPage::shownStream() const { return ui_->cbbStreamType->currentIndex(); }

QTableWidgetItem *ChannelPage::overlayCell(int row, int column) const { return ui_->lvOSDSet->item(row, column); }

void ChannelPage::FillChannelPage()
{
    hideCellEditor();
    const std::uint8_t type = r_.deviceType();
    ui_->speOSDX->setMaximum(wideOsdType(type) ? 512 : 352);
    const QStringList &resolutions = resolutionItems(isHighDefinitionType(type));
    if (ui_->cbbRevolution->count() != resolutions.size() || ui_->cbbRevolution->itemText(0) != resolutions[0]) {
        const QSignalBlocker block(ui_->cbbRevolution);
        ui_->cbbRevolution->clear();
        ui_->cbbRevolution->addItems(resolutions);
    }
    renewBaselines();
    // High-definition devices never receive the compression record: its values are shown only.
    setCompressionEditable(model::sentTo<ChannelCompressionRecord>(type));

    fillSelectorAndCopyTargets(ui_->cbbSelChan, ui_->cbbCopyChan, QStringLiteral("全部通道"), r_.channelCount(),
                               channelItemName);
    cbbSelChanChange();
}

void ChannelPage::cbbSelChanChange()
{
    const int ch = selectedChannel();
    if (ch < 0)
        return;
    hideCellEditor();
    const ChannelPictureRecord &p = r_.picture[ch];
    const ChannelRecordingRecord &rec = r_.recording[ch];

    showText(ui_->edtSelChanName, p.channelName);

    showCheck(ui_->chkRecPlan, rec.recordEnable);
    showIndex(ui_->cbbPreRec, rec.preRecordTime);
    showIndex(ui_->cbbRecDelay, rec.recordDelay);
    chkRecPlanClick();

    cbbAlarmTypeChange();

    showCheck(ui_->chkShowChanName, p.showChannelName);
    showSpin(ui_->speChanNameX, p.channelNameX);
    showSpin(ui_->speChanNameY, p.channelNameY);
    chkShowChanNameClick();

    showCheck(ui_->chkShowOSD, p.showOsd);
    showSpin(ui_->speOSDX, p.osdX);
    showSpin(ui_->speOSDY, p.osdY);
    showCheck(ui_->chkShowWeek, p.showWeek);
    showIndex(ui_->cbbOSDAttr, (long long)p.osdAttribute - 1);
    showIndex(ui_->cbbOSDType, p.osdType);
    chkShowOSDClick();

    showStream(ch);

    const QSignalBlocker block(ui_->lvOSDSet);
    for (int k = 0; k < OverlayRows; ++k) {
        const TextOverlayEntry &e = r_.textOverlay[ch].entries[k];
        overlayCell(k, 0)->setCheckState(e.showText ? Qt::Checked : Qt::Unchecked);
        overlayCell(k, ColumnX)->setText(QString::number(e.textX));
        overlayCell(k, ColumnY)->setText(QString::number(e.textY));
        overlayCell(k, ColumnText)->setText(fieldText(e.text));
    }
}

void ChannelPage::cbbStreamTypeChange() { showStream(selectedChannel()); }

void ChannelPage::showStream(int ch)
{
    const int s = shownStream();
    if (ch < 0 || s < 0)
        return;
    const StreamSettings &st = s == 0 ? r_.compression[ch].mainStream : r_.compression[ch].subStream;
    showIndex(ui_->cbbFrameType, st.frameType == 0 ? 0 : 1);
    ui_->edtIntervalFrameI->setText(QString::number(st.iFrameInterval));
    showIndex(ui_->cbbVideoQuality, st.videoQuality);
    showIndex(ui_->cbbFrameRate, st.frameRate);
    showIndex(ui_->cbbStream, st.streamKind);
    showIndex(ui_->cbbRevolution, resolutionItem(st.resolution, isHighDefinitionType(r_.deviceType())));
    showIndex(ui_->cbbBitRateType, st.bitRateType);

    const int item = bitRateItem(st.maxBitRate);
    showIndex(ui_->cbbMaxBitRate, item);
    // A preset's figure is shown too, so choosing "自定义" starts from the current ceiling.
    QString kbps;
    if (item == CustomBitRateItem)
        kbps = QString::number(customKbps(st.maxBitRate));
    else if (item >= 0)
        kbps = ui_->cbbMaxBitRate->itemText(item).remove(QStringLiteral("Kbps"));
    ui_->edtKbps->setText(kbps);
    cbbMaxBitRateChange();
}

void ChannelPage::cbbAlarmTypeChange()
{
    const int a = ui_->cbbAlarmType->currentIndex();
    if (a < 0)
        return;
    if (const int ch = selectedChannel(); ch >= 0) {
        const ChannelPictureRecord &p = r_.picture[ch];
        const long long enabled[] = {p.motionEnable, p.videoLossEnable, p.occlusionLevel, p.maskEnable};
        if (a < int(std::size(enabled)))
            showCheck(ui_->chkEnableAlarm, enabled[a]);
    }
    setAlarmButtons();
}

void ChannelPage::chkEnableAlarmClick() { setAlarmButtons(); }

void ChannelPage::setAlarmButtons()
{
    const int a = ui_->cbbAlarmType->currentIndex();
    const bool on = ui_->chkEnableAlarm->isChecked() && a >= MotionDetection && a <= VideoMask;
    ui_->btnSetArea->setEnabled(on && a != VideoLoss);
    ui_->btnAlarmGuardTime->setEnabled(on && a != VideoMask);
    ui_->btnAlarmLinkType->setEnabled(on && a != VideoMask);
}

void ChannelPage::setCompressionEditable(bool editable)
{
    // The stream selector stays, so both streams' values can still be seen.
    for (QWidget *w : ui_->grpCompress->findChildren<QWidget *>())
        if (w != ui_->cbbStreamType && (qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w)))
            w->setEnabled(editable);
}

void ChannelPage::chkRecPlanClick()
{
    const bool on = ui_->chkRecPlan->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(ui_->btnSetRec), static_cast<QWidget *>(ui_->cbbPreRec),
                       static_cast<QWidget *>(ui_->cbbRecDelay)})
        w->setEnabled(on);
}

void ChannelPage::chkShowChanNameClick()
{
    const bool on = ui_->chkShowChanName->isChecked();
    ui_->speChanNameX->setEnabled(on);
    ui_->speChanNameY->setEnabled(on);
}

void ChannelPage::chkShowOSDClick()
{
    const bool on = ui_->chkShowOSD->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(ui_->speOSDX), static_cast<QWidget *>(ui_->speOSDY),
                       static_cast<QWidget *>(ui_->chkShowWeek), static_cast<QWidget *>(ui_->cbbOSDAttr),
                       static_cast<QWidget *>(ui_->cbbOSDType)})
        w->setEnabled(on);
}

void ChannelPage::cbbMaxBitRateChange()
{
    const bool custom = ui_->cbbMaxBitRate->currentIndex() == CustomBitRateItem;
    ui_->edtKbps->setVisible(custom);
    ui_->lblKbps->setVisible(custom);
}

bool ChannelPage::CollectChannelPage()
{
    const int ch = selectedChannel();
    if (ch < 0)
        return true; // no channel shown, nothing to check or write
    // A cell still being edited is finished first; a refused cell stops the save.
    if (editRow_ >= 0) {
        edtListViewExit();
        if (editRow_ >= 0)
            return false;
    }
    // A device that never receives the compression record has nothing there to check or store.
    const bool sendsCompression = model::sentTo<ChannelCompressionRecord>(r_.deviceType());
    const long long interval = fieldNumber(ui_->edtIntervalFrameI); // not a number reads as 0
    const long long kbps = fieldNumber(ui_->edtKbps);
    const bool kbpsUsed = sendsCompression && !ui_->edtKbps->isHidden();
    if (!passChecks(this, {
                              {inRange(typedSpinNumber(ui_->speChanNameX), 0, 704),
                               QStringLiteral("通道名的X坐标的范围为0-704!"), nullptr},
                              {inRange(typedSpinNumber(ui_->speChanNameY), 0, 576),
                               QStringLiteral("通道名的Y坐标的范围为0-576!"), nullptr},
                              {!sendsCompression || inRange(interval, 1, 400),
                               QStringLiteral("I帧间隔的取值范围为1-400!"), nullptr},
                              {!kbpsUsed || inRange(kbps, 32, 8192), QStringLiteral("位率范围为32-8192!"), nullptr},
                          }))
        return false;

    ChannelPictureRecord &p = r_.picture[ch];
    ChannelRecordingRecord &rec = r_.recording[ch];
    storeText(ui_->edtSelChanName, p.channelName);

    storeCheck(ui_->chkRecPlan, rec.recordEnable);
    storeIndex(ui_->cbbPreRec, rec.preRecordTime);
    storeIndex(ui_->cbbRecDelay, rec.recordDelay);

    // Only the enable field of the alarm kind shown; the other kinds keep theirs.
    switch (ui_->cbbAlarmType->currentIndex()) {
    case MotionDetection: storeCheck(ui_->chkEnableAlarm, p.motionEnable); break;
    case VideoLoss: storeCheck(ui_->chkEnableAlarm, p.videoLossEnable); break;
    case OcclusionAlarm:
        // The sensitivity is set in the area editor; ticking here cannot invent one.
        if (!ui_->chkEnableAlarm->isChecked())
            p.occlusionLevel = 0;
        break;
    case VideoMask: storeCheck(ui_->chkEnableAlarm, p.maskEnable); break;
    default: break;
    }

    storeCheck(ui_->chkShowChanName, p.showChannelName);
    storeSpin(ui_->speChanNameX, p.channelNameX);
    storeSpin(ui_->speChanNameY, p.channelNameY);
    storeCheck(ui_->chkShowOSD, p.showOsd);
    storeSpin(ui_->speOSDX, p.osdX);
    storeSpin(ui_->speOSDY, p.osdY);
    storeCheck(ui_->chkShowWeek, p.showWeek);
    storeIndex(ui_->cbbOSDAttr, p.osdAttribute, 1);
    storeIndex(ui_->cbbOSDType, p.osdType);

    if (sendsCompression)
        storeStream(ch);

    for (int k = 0; k < OverlayRows; ++k) {
        TextOverlayEntry &e = r_.textOverlay[ch].entries[k];
        e.showText = overlayCell(k, 0)->checkState() == Qt::Checked ? 1 : 0;
        e.textX = std::uint16_t(overlayCell(k, ColumnX)->text().toLongLong());
        e.textY = std::uint16_t(overlayCell(k, ColumnY)->text().toLongLong());
        setFieldText(e.text, overlayCell(k, ColumnText)->text());
        // The bytes actually stored: a long text is cut whole characters short of the field.
        e.textLength = std::uint16_t(strnlen(e.text, sizeof e.text));
    }
    return true;
}

void ChannelPage::storeStream(int ch)
{
    const int s = shownStream();
    if (s < 0)
        return;
    StreamSettings &st = s == 0 ? r_.compression[ch].mainStream : r_.compression[ch].subStream;
    // Rebuilt from zero; a list without a selection keeps the value the device sent.
    StreamSettings out{};
    out.frameType = ui_->cbbFrameType->currentIndex() == 1 ? 2 : 0;
    out.iFrameInterval = std::uint16_t(fieldNumber(ui_->edtIntervalFrameI));
    out.videoQuality = st.videoQuality;
    out.frameRate = st.frameRate;
    out.streamKind = st.streamKind;
    out.resolution = st.resolution;
    out.bitRateType = st.bitRateType;
    out.maxBitRate = st.maxBitRate;
    storeIndex(ui_->cbbVideoQuality, out.videoQuality);
    storeIndex(ui_->cbbFrameRate, out.frameRate);
    storeIndex(ui_->cbbStream, out.streamKind);
    storeIndex(ui_->cbbBitRateType, out.bitRateType);
    const int resolution = ui_->cbbRevolution->currentIndex();
    if (isHighDefinitionType(r_.deviceType())) {
        if (resolution >= 0 && resolution < int(std::size(HdResolutionCodes)))
            out.resolution = HdResolutionCodes[resolution];
    } else {
        storeIndex(ui_->cbbRevolution, out.resolution);
    }
    if (const int item = ui_->cbbMaxBitRate->currentIndex(); item >= 0)
        out.maxBitRate = bitRateCode(item, std::uint32_t(fieldNumber(ui_->edtKbps)));
    st = out;
}

void ChannelPage::btnCopyClick()
{
    if (!CollectChannelPage())
        return;
    const int ch = selectedChannel();
    copyToTargets(ch, ui_->cbbCopyChan->currentIndex(), r_.channelCount(), [&](int to) { copyChannel(ch, to); });
}

void ChannelPage::copyChannel(int from, int to)
{
    // Every setting travels, areas and schedules included; the name stays the target's own.
    char name[sizeof ChannelPictureRecord::channelName];
    std::memcpy(name, r_.picture[to].channelName, sizeof name);
    r_.picture[to] = r_.picture[from];
    std::memcpy(r_.picture[to].channelName, name, sizeof name);
    r_.compression[to] = r_.compression[from];
    r_.textOverlay[to] = r_.textOverlay[from];
    r_.recording[to] = r_.recording[from];
}

void ChannelPage::btnSetRecClick()
{
    const int ch = selectedChannel();
    if (ch < 0)
        return;
    TfrmSetRecPlan editor(dialog(), &r_.recording[ch]);
    editor.exec();
}

void ChannelPage::btnSetAreaClick()
{
    const int ch = selectedChannel();
    const int a = ui_->cbbAlarmType->currentIndex();
    if (ch < 0 || a < 0)
        return;
    TfrmSetArea editor(dialog(), ch, login(), a, &r_.picture[ch]);
    editor.exec();
}

void ChannelPage::btnAlarmGuardTimeClick()
{
    const int ch = selectedChannel();
    const int a = ui_->cbbAlarmType->currentIndex();
    if (ch < 0)
        return;
    ChannelPictureRecord &p = r_.picture[ch];
    ScheduleRecord *schedules[] = {&p.motionSchedule, &p.videoLossSchedule, &p.occlusionSchedule};
    if (a >= 0 && a < int(std::size(schedules)))
        openGuardTimeEditor(dialog(), a, schedules[a]);
}

void ChannelPage::btnAlarmLinkTypeClick()
{
    const int ch = selectedChannel();
    const int a = ui_->cbbAlarmType->currentIndex();
    if (ch < 0)
        return;
    ChannelPictureRecord &p = r_.picture[ch];
    AlarmHandling *handlings[] = {&p.motionHandling, &p.videoLossHandling, &p.occlusionHandling};
    if (a < 0 || a >= int(std::size(handlings)))
        return;
    // Only motion detection starts recordings; no alarm of a channel moves a PTZ camera.
    std::uint8_t *recordChannel = a == MotionDetection ? p.motionRecordChannel : nullptr;
    openLinkTypeEditor(dialog(), r_.channelCount(), nullptr, recordChannel, a, handlings[a]);
}

void ChannelPage::lvOSDSetDblClick(int row, int column)
{
    if (row < 0 || row >= OverlayRows || overlayCell(row, 0)->checkState() != Qt::Checked)
        return;
    if (column < ColumnX || column > ColumnText)
        return;
    editRow_ = row;
    editColumn_ = column;
    QLineEdit *editor = ui_->edtListView;
    QRect cell = ui_->lvOSDSet->visualRect(ui_->lvOSDSet->model()->index(row, column));
    cell.setLeft(std::max(0, cell.left()));
    editor->setGeometry(cell);
    limitTyping(editor, cellTypingLimit(column));
    editor->setText(overlayCell(row, column)->text());
    editor->show();
    editor->raise();
    editor->setFocus();
    editor->selectAll();
}

void ChannelPage::edtListViewExit()
{
    if (editRow_ < 0 || checkingCell_)
        return;
    QLineEdit *editor = ui_->edtListView;
    const QString text = editor->text();
    if (editColumn_ == ColumnX || editColumn_ == ColumnY) {
        bool ok = false;
        long long value = text.toLongLong(&ok);
        if (!ok)
            value = -1;
        const bool x = editColumn_ == ColumnX;
        if (!inRange(value, 0, x ? 704 : 576)) {
            checkingCell_ = true; // the message box takes the focus from the editor
            showMessage(this, x ? QStringLiteral("X坐标范围为0-704!") : QStringLiteral("Y坐标范围为0-576!"));
            checkingCell_ = false;
            editor->setFocus();
            return;
        }
    }
    overlayCell(editRow_, editColumn_)->setText(text);
    hideCellEditor();
}

void ChannelPage::hideCellEditor()
{
    editRow_ = -1;
    editColumn_ = -1;
    ui_->edtListView->hide();
}

bool ChannelPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui_->edtListView)
        return ConfigPage::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // A message box or another window taking the focus does not end the edit.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            edtListViewExit();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        edtListViewExit();
        return true;
    }
    // edtListViewKeyDown: coordinates take digits and control characters only.
    if ((editColumn_ != ColumnX && editColumn_ != ColumnY) || key->text().isEmpty())
        return false;
    const QChar c = key->text().at(0);
    const bool control = c.unicode() < 32 || c.unicode() == 127;
    return !control && !c.isDigit();
}

std::vector<NormalisedBytes> ChannelPage::normalisedBytes() const
{
    constexpr std::int32_t picture = getCommandOf<ChannelPictureRecord>;
    constexpr std::int32_t overlay = getCommandOf<ChannelTextOverlayRecord>;
    constexpr std::int32_t compression = getCommandOf<ChannelCompressionRecord>;
    std::vector<NormalisedBytes> n = {
        {picture, offsetof(ChannelPictureRecord, channelName), 32, "name zero-filled after its text"},
        {picture, offsetof(ChannelPictureRecord, showChannelName), 8, "check box 0/1, positions clamped"},
        {picture, offsetof(ChannelPictureRecord, videoLossEnable), 1, "alarm enable 0/1"},
        {picture, offsetof(ChannelPictureRecord, motionEnable), 1, "alarm enable 0/1"},
        {picture, offsetof(ChannelPictureRecord, maskEnable), 4, "alarm enable 0/1"},
        {picture, offsetof(ChannelPictureRecord, showOsd), 8, "check box 0/1, positions clamped"},
        {picture, offsetof(ChannelPictureRecord, showWeek), 1, "check box 0/1"},
        {getCommandOf<ChannelRecordingRecord>, offsetof(ChannelRecordingRecord, recordEnable), 4, "check box 0/1"},
        {compression, offsetof(ChannelCompressionRecord, mainStream) + offsetof(StreamSettings, maxBitRate), 4,
         "a custom ceiling kept in whole Kbps"},
        {compression, offsetof(ChannelCompressionRecord, subStream) + offsetof(StreamSettings, maxBitRate), 4,
         "a custom ceiling kept in whole Kbps"},
        {compression, offsetof(ChannelCompressionRecord, mainStream) + offsetof(StreamSettings, frameType), 14,
         "single P written as 2, the rest of the block as zeros"},
        {compression, offsetof(ChannelCompressionRecord, subStream) + offsetof(StreamSettings, frameType), 14,
         "single P written as 2, the rest of the block as zeros"},
    };
    for (int k = 0; k < OverlayRows; ++k) {
        const std::size_t entry = offsetof(ChannelTextOverlayRecord, entries) + sizeof(TextOverlayEntry) * k;
        n.push_back({overlay, entry, 4, "shown 0/1, length recounted from the text"});
        n.push_back({overlay, entry + offsetof(TextOverlayEntry, text), 44, "text zero-filled after its end"});
    }
    return n;
}
