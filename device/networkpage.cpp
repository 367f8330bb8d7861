#include "device/networkpage.h"

#include "alarm/frmsetemail.h"
#include "shell/keyfilters.h"
#include "shell/notifier.h"
#include "shell/pagehelpers.h"

#include "ui_networkpage.h"

#include <QApplication>
#include <QPalette>

#include <cstddef>
#include <iterator>

namespace {

// An empty address field is allowed: the device then has no such server.
bool emptyOrValidAddress(const QLineEdit *edit) { return edit->text().isEmpty() || validAddress(edit); }

// The editor itself refuses most out-of-range typing, so the range checks are a guard.
bool inRange(const QSpinBox *spin, long long low, long long high)
{
    const long long value = typedSpinNumber(spin);
    return value >= low && value <= high;
}

// Enabled fields take the window colour, disabled ones the button face.
void enableField(QWidget *field, bool enabled)
{
    field->setEnabled(enabled);
    QPalette palette = field->palette();
    const QPalette &standard = QApplication::palette();
    palette.setColor(QPalette::Base, standard.color(enabled ? QPalette::Base : QPalette::Button));
    field->setPalette(palette);
}

} // namespace

NetworkPage::NetworkPage(const PageContext &context)
    : ConfigPage(context, model::NetworkPage), ui_(std::make_unique<Ui::NetworkPage>())
{
    ui_->setupUi(this);
    limitTypingOfFields(this);
    installDigitFilter(ui_->edtDDNSPort); // edtIDKeyPress
    for (QSpinBox *spin : {ui_->spAdjustInterval, ui_->spHourDiff, ui_->spDiffMin}) {
        setUpSpin(spin);
        installSpinDigitFilter(spin, spin == ui_->spHourDiff);
    }
    enableField(ui_->edtPPPoEAdd, false);

    connect(ui_->cbbUseNTP, &QComboBox::activated, this, &NetworkPage::cbbUseNTPChange);
    connect(ui_->cbbPPPoE, &QComboBox::activated, this, &NetworkPage::cbbPPPoEChange);
    connect(ui_->cbbUseDDNS, &QComboBox::activated, this, &NetworkPage::cbbUseDDNSChange);
    connect(ui_->cbbNFSDisk, &QComboBox::activated, this, &NetworkPage::cbbNFSDiskChange);
    connect(ui_->btnEmail, &QPushButton::clicked, this, &NetworkPage::btnEmailClick);
}

NetworkPage::~NetworkPage() = default;

void NetworkPage::FillNetworkPage()
{
    renewBaselines();
    cbbNFSDiskChange();

    const NetworkRecord &n = r_.network;
    showText(ui_->edtIPServerIP, n.ipServerAddress);
    showIndex(ui_->cbbPPPoE, n.pppoeEnable);
    showText(ui_->edtPPPoEUser, n.pppoeUser);
    showText(ui_->edtPPPoEAdd, n.pppoeAddress);
    showText(ui_->edtPPPoEPwd, n.pppoePassword);
    showText(ui_->edtVerPPPoEPwd, n.pppoePassword);
    cbbPPPoEChange();

    const DnsNtpRecord &t = r_.dnsNtp;
    showText(ui_->edtDDNSIP, t.dnsServer);

    const DdnsRecord &d = r_.ddns;
    showIndex(ui_->cbbDDNSServerType, d.ddnsServerType);
    showIndex(ui_->cbbUseDDNS, d.ddnsEnable);
    showText(ui_->edtDDNSUser, d.ddnsUser);
    showText(ui_->edtDDNSDns, d.ddnsDomain);
    showText(ui_->edtDDNSPwd, d.ddnsPassword);
    showText(ui_->edtVerDDNSPwd, d.ddnsPassword);
    showText(ui_->edtDDNSAdd, d.ddnsServerAddress);
    ui_->edtDDNSPort->setText(QString::number(d.ddnsPort));

    showIndex(ui_->cbbUseNTP, t.ntpEnable);
    showText(ui_->edtNTPIP, t.ntpServer);
    showSpin(ui_->spAdjustInterval, t.ntpInterval);
    showSpin(ui_->spHourDiff, t.utcOffsetHours); // signed bytes
    showSpin(ui_->spDiffMin, t.utcOffsetMinutes);
    cbbUseNTPChange();

    // High-definition devices have no DNS/NTP record: what it holds is shown, not edited.
    const bool dnsNtp = model::sentTo<DnsNtpRecord>(r_.deviceType());
    for (QWidget *w : {static_cast<QWidget *>(ui_->lblDDNSIP), static_cast<QWidget *>(ui_->edtDDNSIP),
                       static_cast<QWidget *>(ui_->grpNTP)})
        w->setEnabled(dnsNtp);
}

bool NetworkPage::CollectNetworkPage()
{
    const QString badAddress = QStringLiteral("请输入正确的IP地址!");
    if (!passChecks(
            this,
            {
                {emptyOrValidAddress(ui_->edtIPServerIP), badAddress, nullptr},
                {emptyOrValidAddress(ui_->edtDDNSIP), badAddress, nullptr},
                {inRange(ui_->spAdjustInterval, 0, 255), QStringLiteral("调整时间间隔的范围是0-255的整数!"), nullptr},
                {inRange(ui_->spHourDiff, -12, 13), QStringLiteral("国际标准时差小时范围是-12 - 13的整数!"), nullptr},
                {inRange(ui_->spDiffMin, 0, 59), QStringLiteral("国际标准时差分钟的范围是0-59的整数!"), nullptr},
                {ui_->edtPPPoEPwd->text() == ui_->edtVerPPPoEPwd->text(), QStringLiteral("两次输入的PPPoE密码不一致!"),
                 nullptr},
                {ui_->edtDDNSPwd->text() == ui_->edtVerDDNSPwd->text(), QStringLiteral("两次输入的DDNS密码不一致!"),
                 nullptr},
            }))
        return false;

    const int disk = ui_->cbbNFSDisk->currentIndex();
    if (disk >= 0 && disk < int(std::size(r_.nfs.entries))) {
        storeText(ui_->edtNFSIP, r_.nfs.entries[disk].nfsServer);
        storeText(ui_->edtNFSFile, r_.nfs.entries[disk].nfsDirectory);
    }

    NetworkRecord &n = r_.network;
    storeText(ui_->edtIPServerIP, n.ipServerAddress);
    storeIndex(ui_->cbbPPPoE, n.pppoeEnable);
    storeText(ui_->edtPPPoEUser, n.pppoeUser);
    storeText(ui_->edtPPPoEAdd, n.pppoeAddress);
    storeText(ui_->edtPPPoEPwd, n.pppoePassword);

    DnsNtpRecord &t = r_.dnsNtp;
    storeText(ui_->edtDDNSIP, t.dnsServer);

    DdnsRecord &d = r_.ddns;
    storeIndex(ui_->cbbDDNSServerType, d.ddnsServerType);
    storeIndex(ui_->cbbUseDDNS, d.ddnsEnable);
    storeText(ui_->edtDDNSUser, d.ddnsUser);
    storeText(ui_->edtDDNSDns, d.ddnsDomain);
    storeText(ui_->edtDDNSPwd, d.ddnsPassword);
    storeText(ui_->edtDDNSAdd, d.ddnsServerAddress);
    bool isNumber = false;
    const long long port = fieldNumber(ui_->edtDDNSPort, &isNumber);
    d.ddnsPort = std::uint16_t(isNumber ? port : 0); // the low 16 bits

    storeIndex(ui_->cbbUseNTP, t.ntpEnable);
    storeText(ui_->edtNTPIP, t.ntpServer);
    storeSpin(ui_->spAdjustInterval, t.ntpInterval);
    storeSpin(ui_->spHourDiff, t.utcOffsetHours);
    storeSpin(ui_->spDiffMin, t.utcOffsetMinutes);
    return true;
}

void NetworkPage::cbbUseNTPChange()
{
    const bool on = ui_->cbbUseNTP->currentIndex() != 0;
    for (QWidget *field :
         std::initializer_list<QWidget *>{ui_->edtNTPIP, ui_->spAdjustInterval, ui_->spHourDiff, ui_->spDiffMin})
        field->setEnabled(on);
}

void NetworkPage::cbbPPPoEChange()
{
    const bool on = ui_->cbbPPPoE->currentIndex() != 0;
    for (QWidget *field : {ui_->edtPPPoEUser, ui_->edtPPPoEPwd, ui_->edtVerPPPoEPwd})
        enableField(field, on);
    enableField(ui_->edtPPPoEAdd, false);
}

void NetworkPage::cbbUseDDNSChange()
{
    const bool on = ui_->cbbUseDDNS->currentIndex() != 0;
    enableField(ui_->cbbDDNSServerType, on);
    for (QWidget *field :
         {ui_->edtDDNSUser, ui_->edtDDNSDns, ui_->edtDDNSPwd, ui_->edtVerDDNSPwd, ui_->edtDDNSAdd, ui_->edtDDNSPort})
        enableField(field, on);
}

void NetworkPage::cbbNFSDiskChange()
{
    const int disk = ui_->cbbNFSDisk->currentIndex();
    if (disk < 0 || disk >= int(std::size(r_.nfs.entries)))
        return;
    showText(ui_->edtNFSIP, r_.nfs.entries[disk].nfsServer);
    showText(ui_->edtNFSFile, r_.nfs.entries[disk].nfsDirectory);
}

void NetworkPage::btnEmailClick()
{
    TfrmSetEmail editor(nullptr, &r_.email);
    editor.exec();
}

std::vector<NormalisedBytes> NetworkPage::normalisedBytes() const
{
    const std::int32_t type = getCommandOf<DnsNtpRecord>;
    const char *why = "a spin edit shows, and stores back, a value outside its range clamped";
    return {{type, offsetof(DnsNtpRecord, ntpInterval), 2, why},
            {type, offsetof(DnsNtpRecord, utcOffsetHours), 1, why},
            {type, offsetof(DnsNtpRecord, utcOffsetMinutes), 1, why}};
}
