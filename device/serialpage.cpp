#include "device/serialpage.h"

#include "shell/keyfilters.h"
#include "shell/notifier.h"
#include "shell/pagehelpers.h"

#include "ui_serialpage.h"

#include <algorithm>
#include <cstddef>

SerialPage::SerialPage(const PageContext &context)
    : ConfigPage(context, model::SerialPage), ui_(std::make_unique<Ui::SerialPage>())
{
    ui_->setupUi(this);
    for (QLineEdit *edit : {ui_->edtTel, ui_->edtMTU, ui_->edtDecoderAdd})
        installDigitFilter(edit); // edtIDKeyPress
    limitTypingOfFields(this);
    connect(ui_->cbbWorkMode, &QComboBox::activated, this, [this] { cbbWorkModeChange(); });
    connect(ui_->cbbChannel, &QComboBox::activated, this, [this] { cbbChannelChange(); });
    connect(ui_->btnCopySerialSet, &QPushButton::clicked, this, [this] { btnCopySerialSetClick(); });
}

SerialPage::~SerialPage() = default;

int SerialPage::protocolCount(const PtzProtocolList &list)
{
    return int(std::min<std::uint32_t>(list.protocolCount, PtzProtocolCapacity));
}

int SerialPage::protocolPosition(const PtzProtocolList &list, std::uint16_t decoderType)
{
    const int count = protocolCount(list);
    for (int i = 0; i < count; ++i)
        if (std::uint16_t(list.entries[i].protocolCode) == decoderType)
            return i;
    return -1;
}

int SerialPage::selectedChannel() const
{
    const int k = ui_->cbbChannel->currentIndex();
    return k >= 0 && k < r_.channelCount() ? k : -1;
}

void SerialPage::FillSerialPage()
{
    fillSelectorAndCopyTargets(ui_->cbbChannel, ui_->cbbCopyChannel, QStringLiteral("全部通道"), r_.channelCount(),
                               channelItemName);

    const Rs232Record &s = r_.rs232;
    showIndex(ui_->cbbBaudRate, s.baudRateIndex);
    showIndex(ui_->cbbDataBit, s.dataBitsIndex);
    showIndex(ui_->cbbStopBit, s.stopBitsIndex);
    showIndex(ui_->cbbParity, s.parityIndex);
    showIndex(ui_->cbbFlowCtrl, s.flowControlIndex);
    showIndex(ui_->cbbWorkMode, s.workMode);
    cbbWorkModeChange();

    {
        const QSignalBlocker block(ui_->cbbDecoderType);
        ui_->cbbDecoderType->clear();
        const int count = protocolCount(r_.ptz);
        for (int i = 0; i < count; ++i)
            ui_->cbbDecoderType->addItem(fieldText(r_.ptz.entries[i].protocolName));
    }

    showIndex(ui_->cbbPPPMode, s.pppMode);
    showIndex(ui_->cbbRedialMode, s.callbackMode);
    showText(ui_->edtPPPUser, s.pppUser);
    showText(ui_->edtPPPPwd, s.pppPassword);
    showText(ui_->edtMTU, s.pppPassword);
    showText(ui_->edtRemoteIP, s.pppRemoteAddress);
    showText(ui_->edtLocalIP, s.pppLocalAddress);
    showText(ui_->edtLocalIPMask, s.pppLocalMask);
    showText(ui_->edtTel, s.telephoneNumber);
    showCheck(ui_->chkDataEncrypt, s.dataEncrypt);
    showCheck(ui_->chkRedial, s.callbackEnable);

    // A device without channels has no decoder record to show or edit.
    ui_->grpRS485->setEnabled(r_.channelCount() > 0);
    cbbChannelChange();
}

// The dial-up settings apply only while the port serves narrow-band transmission.
void SerialPage::cbbWorkModeChange()
{
    const bool ppp = ui_->cbbWorkMode->currentIndex() == 0;
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui_->cbbPPPMode, ui_->cbbRedialMode, ui_->edtPPPUser, ui_->edtPPPPwd, ui_->edtRemoteIP, ui_->edtMTU,
             ui_->edtLocalIP, ui_->edtLocalIPMask, ui_->edtTel, ui_->chkDataEncrypt, ui_->chkRedial})
        w->setEnabled(ppp);
}

// Shows the selected channel's decoder; edits of the channel shown before are not kept.
void SerialPage::cbbChannelChange()
{
    const int k = selectedChannel();
    if (k < 0)
        return;
    const DecoderRecord &d = r_.decoder[k];
    showIndex(ui_->cbb485BaudRate, d.baudRateIndex);
    showIndex(ui_->cbb485DataBit, d.dataBitsIndex);
    showIndex(ui_->cbb485StopBit, d.stopBitsIndex);
    showIndex(ui_->cbb485Parity, d.parityIndex);
    showIndex(ui_->cbb485FlowCtrl, d.flowControlIndex);
    // By code, not by position: a device may list its protocols in any order.
    showIndex(ui_->cbbDecoderType, protocolPosition(r_.ptz, d.decoderType));
    ui_->edtDecoderAdd->setText(QString::number(d.decoderAddress));
}

bool SerialPage::CollectRs232()
{
    auto fits = [](const QLineEdit *edit) { return edit->text().size() <= 12; };
    const QString tooLong = QStringLiteral("请填入不多于12个字符!");
    const QString badAddress = QStringLiteral("请输入正确的IP地址!");
    // The addresses are checked whatever the work mode, also while their fields are disabled.
    if (!passChecks(this,
                    {
                        {fits(ui_->edtPPPUser), tooLong, nullptr},
                        {fits(ui_->edtPPPPwd), tooLong, nullptr},
                        {fits(ui_->edtTel), tooLong, nullptr},
                        {fits(ui_->edtMTU), tooLong, nullptr},
                        {validAddress(ui_->edtRemoteIP), badAddress, nullptr},
                        {validAddress(ui_->edtLocalIP), badAddress, nullptr},
                        {validAddress(ui_->edtLocalIPMask), badAddress, nullptr},
                        {ui_->edtMTU->text() == ui_->edtPPPPwd->text(), QStringLiteral("密码校验不正确!"), nullptr},
                    }))
        return false;
    Rs232Record &s = r_.rs232;
    storeIndex(ui_->cbbBaudRate, s.baudRateIndex);
    storeIndex(ui_->cbbDataBit, s.dataBitsIndex);
    storeIndex(ui_->cbbStopBit, s.stopBitsIndex);
    storeIndex(ui_->cbbParity, s.parityIndex);
    storeIndex(ui_->cbbFlowCtrl, s.flowControlIndex);
    storeIndex(ui_->cbbWorkMode, s.workMode);
    storeIndex(ui_->cbbPPPMode, s.pppMode);
    storeIndex(ui_->cbbRedialMode, s.callbackMode);
    storeText(ui_->edtPPPUser, s.pppUser);
    storeText(ui_->edtPPPPwd, s.pppPassword);
    storeText(ui_->edtRemoteIP, s.pppRemoteAddress);
    storeText(ui_->edtLocalIP, s.pppLocalAddress);
    storeText(ui_->edtLocalIPMask, s.pppLocalMask);
    storeText(ui_->edtTel, s.telephoneNumber);
    storeCheck(ui_->chkDataEncrypt, s.dataEncrypt);
    storeCheck(ui_->chkRedial, s.callbackEnable);
    return true;
}

bool SerialPage::CollectDecoder()
{
    // No channel, no decoder: nothing to check or write, so the RS232 settings still save.
    const int k = selectedChannel();
    if (k < 0)
        return true;
    bool number = false;
    long long address = fieldNumber(ui_->edtDecoderAdd, &number);
    if (!number)
        address = -1;
    if (address < 0 || address > 255) {
        showMessage(dialog(), QStringLiteral("解码器地址范围为0-255!"));
        return false;
    }
    DecoderRecord &d = r_.decoder[k];
    storeIndex(ui_->cbb485BaudRate, d.baudRateIndex);
    storeIndex(ui_->cbb485DataBit, d.dataBitsIndex);
    storeIndex(ui_->cbb485StopBit, d.stopBitsIndex);
    storeIndex(ui_->cbb485Parity, d.parityIndex);
    storeIndex(ui_->cbb485FlowCtrl, d.flowControlIndex);
    // Without a selection (the stored code is not in the device's list) the code stays.
    const int position = ui_->cbbDecoderType->currentIndex();
    if (position >= 0 && position < protocolCount(r_.ptz))
        d.decoderType = std::uint16_t(r_.ptz.entries[position].protocolCode);
    d.decoderAddress = std::uint16_t(address);
    return true;
}

// Copies the selected channel's whole decoder record, reserved bytes included; the device sees it
// with the next save.
void SerialPage::btnCopySerialSetClick()
{
    if (!CollectDecoder())
        return;
    const int k = selectedChannel();
    copyToTargets(k, ui_->cbbCopyChannel->currentIndex(), r_.channelCount(),
                  [&](int j) { r_.decoder[j] = r_.decoder[k]; });
}

std::vector<NormalisedBytes> SerialPage::normalisedBytes() const
{
    const char *why = "a check box stores 1 or 0";
    return {
        {getCommandOf<Rs232Record>, offsetof(Rs232Record, callbackEnable), 1, why},
        {getCommandOf<Rs232Record>, offsetof(Rs232Record, dataEncrypt), 1, why},
    };
}
