#include "device/serverpage.h"

#include "shell/keyfilters.h"
#include "shell/notifier.h"
#include "shell/pagehelpers.h"

#include "ui_serverpage.h"

namespace {

QString buildDateText(std::uint32_t date)
{
    return QString::asprintf("%02d%02d%02d", int(date >> 16), int((date >> 8) & 0xFF), int(date & 0xFF));
}

// A port typed into a field: a decimal number within [low, 65535].
bool validPort(const QLineEdit *edit, int low)
{
    bool ok = false;
    const long long port = fieldNumber(edit, &ok);
    return ok && port >= low && port <= 65535;
}

} // namespace

ServerPage::ServerPage(const PageContext &context)
    : ConfigPage(context, model::ServerPage), ui_(std::make_unique<Ui::ServerPage>())
{
    ui_->setupUi(this);
    ui_->cbbServerType->addItems(deviceTypeNames());
    ui_->cbbServerType->setCurrentIndex(-1);
    for (QLineEdit *edit : {ui_->edtID, ui_->edtPort, ui_->edtHttpPort, ui_->edtManageHostPort})
        installDigitFilter(edit); // edtIDKeyPress
    limitTypingOfFields(this);
}

ServerPage::~ServerPage() = default;

const QStringList &ServerPage::deviceTypeNames()
{
    static const QStringList names = {
        QStringLiteral("DVR"),
        QStringLiteral("ATM DVR"),
        QStringLiteral("DVS"),
        QStringLiteral("解码器"),
        QStringLiteral("编解码器"),
        QStringLiteral("ATM DVR-S"),
        QStringLiteral("DVR-S"),
        QStringLiteral("DVR-H"),
        QStringLiteral("DVR-HF"),
        QStringLiteral("DVR-HS"),
        QStringLiteral("DVR-HT"),
        QStringLiteral("DVR-HE"),
        QStringLiteral("网络视频服务器"),
        QStringLiteral("DVS-A"),
        QStringLiteral("DVS-S"),
        QStringLiteral("DVS-E"),
        QStringLiteral("多路解码器"),
        QStringLiteral("矩阵解码器"),
        QStringLiteral("网络摄像机"),
        QStringLiteral("网络球机"),
        QStringLiteral("高清网络摄像机"),
        QStringLiteral("DVR-HC"),
        QStringLiteral("DVR-HK"),
        QStringLiteral("NVR"),
        QStringLiteral("混合录像机"),
        QStringLiteral("车载录像机"),
        QStringLiteral("IP解码器"),
        QStringLiteral("网络存储服务器"),
        QStringLiteral("视频综合平台"),
    };
    return names;
}

QString ServerPage::softwareVersionText(std::uint32_t version, std::uint32_t buildDate)
{
    const QString date = buildDateText(buildDate);
    if (version >> 24)
        return QString::asprintf("V%d.%d.%d build ", int(version >> 24), int((version >> 16) & 0xFF),
                                 int(version & 0xFFFF)) +
               date;
    return QString::asprintf("V%d.%d build ", int(version >> 16), int(version & 0xFFFF)) + date;
}

QString ServerPage::dspVersionText(std::uint32_t version, std::uint32_t buildDate)
{
    return QString::asprintf("V%d.%d build ", int(version >> 16), int(version & 0xFFFF)) + buildDateText(buildDate);
}

QString ServerPage::macText(const std::uint8_t (&mac)[6])
{
    return QString::asprintf("%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}

void ServerPage::FillServerPage()
{
    if (!loaded())
        return;
    renewBaselines();
    const DeviceInfoRecord &d = r_.deviceInfo;
    const NetworkRecord &n = r_.network;
    showText(ui_->edtName, d.deviceName);
    showText(ui_->edtSerialNo, d.serialNumber);
    ui_->edtID->setText(QString::number(d.deviceNumber));
    ui_->edtChan->setText(QString::number(d.channelCount));
    ui_->edtDiskNo->setText(QString::number(d.diskCount));
    ui_->edtAlarmInNo->setText(QString::number(d.alarmInCount));
    ui_->edtAlarmOutNo->setText(QString::number(d.alarmOutCount));
    ui_->edtPort->setText(QString::number(n.devicePort));
    ui_->edtManageHostPort->setText(QString::number(n.manageHostPort));
    ui_->edtHttpPort->setText(QString::number(n.httpPort));
    showIndex(ui_->cbbRecycleRec, d.recycleRecord);
    showIndex(ui_->cbbUseZoom, r_.scaleFlag);
    showIndex(ui_->cbbServerType, (long long)d.deviceType - 1);
    showIndex(ui_->cbbInterFace, (long long)n.nicType - 1);
    showText(ui_->edtIP, n.deviceIp);
    showText(ui_->edtMask, n.ipMask);
    showText(ui_->edtGateWayIP, n.gatewayIp);
    showText(ui_->edtManageHostIP, n.manageHostIp);
    showText(ui_->edtMultiCastIP, n.multicastIp);
    ui_->edtMacAddr->setText(macText(n.macAddress));
    ui_->edtSoftWareVersion->setText(softwareVersionText(d.softwareVersion, d.softwareBuildDate));
    ui_->edtDSPVersion->setText(dspVersionText(d.dspVersion, d.dspBuildDate));
    ui_->edtHardWareVersion->setText(QString::asprintf("0x%x", d.hardwareVersion));
    ui_->edtPanlVerion->setText(QString::asprintf("%x", d.panelVersion));
}

bool ServerPage::CollectServerPage()
{
    const long long deviceNumber = fieldNumber(ui_->edtID); // not a number reads as 0
    const QString badAddress = QStringLiteral("请输入正确的IP地址!");
    const QString badPort = QStringLiteral("请输入正确的端口号!");
    if (!passChecks(this, {
                              {deviceNumber >= 1 && deviceNumber <= 255, QStringLiteral("设备号范围为1-255!"), nullptr},
                              {validAddress(ui_->edtIP) && ui_->edtIP->text() != QStringLiteral("0.0.0.0"), badAddress,
                               ui_->edtIP},
                              {validAddress(ui_->edtMask), badAddress, ui_->edtMask},
                              {validAddress(ui_->edtGateWayIP), badAddress, ui_->edtGateWayIP},
                              {validAddress(ui_->edtManageHostIP), badAddress, ui_->edtManageHostIP},
                              {validAddress(ui_->edtMultiCastIP), badAddress, ui_->edtMultiCastIP},
                              {validPort(ui_->edtPort, 1), badPort, ui_->edtPort},
                              {validPort(ui_->edtManageHostPort, 0), badPort, ui_->edtManageHostPort},
                              {validPort(ui_->edtHttpPort, 0), badPort, ui_->edtHttpPort},
                          }))
        return false;
    DeviceInfoRecord &d = r_.deviceInfo;
    NetworkRecord &n = r_.network;
    storeText(ui_->edtName, d.deviceName);
    storeIndex(ui_->cbbRecycleRec, d.recycleRecord);
    d.deviceNumber = std::uint32_t(deviceNumber);
    storeIndex(ui_->cbbUseZoom, r_.scaleFlag);
    storeIndex(ui_->cbbInterFace, n.nicType, 1);
    storeText(ui_->edtIP, n.deviceIp);
    n.devicePort = std::uint16_t(fieldNumber(ui_->edtPort));
    storeText(ui_->edtMask, n.ipMask);
    storeText(ui_->edtGateWayIP, n.gatewayIp);
    storeText(ui_->edtManageHostIP, n.manageHostIp);
    n.manageHostPort = std::uint16_t(fieldNumber(ui_->edtManageHostPort));
    storeText(ui_->edtMultiCastIP, n.multicastIp);
    n.httpPort = std::uint16_t(fieldNumber(ui_->edtHttpPort));
    return true;
}

bool ServerPage::sendAtOnce(const model::RecordSlot &) { return config_set_scale(login(), &r_.scaleFlag); }
