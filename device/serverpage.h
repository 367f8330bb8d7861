#pragma once
// Server page: identity, versions and counts of the device, its basic addressing and the scale
// setting.
#include "shell/configpage.h"
#include "shell/dvrrecords.h"

#include <QString>
#include <QStringList>

class QWidget;
namespace Ui {
class TfrmDvrConfig;
}

class ServerPage final : public ConfigPage {
public:
    ServerPage(Ui::TfrmDvrConfig &ui, DvrRecords &records, const bool &loaded, QWidget *dialog);

    void fill() override { FillServerPage(); }
    bool collect() override { return CollectServerPage(); }
    void queueRefresh(std::int32_t login) override;
    bool queueSave(std::int32_t login, bool &restart) override;

    void FillServerPage();
    bool CollectServerPage();

    // Texts of the read-only version fields.
    static QString softwareVersionText(std::uint32_t version, std::uint32_t buildDate);
    static QString dspVersionText(std::uint32_t version, std::uint32_t buildDate);
    static QString macText(const std::uint8_t (&mac)[6]);
    // Item k names device type k + 1.
    static const QStringList &deviceTypeNames();

private:
    Ui::TfrmDvrConfig &ui_;
    DvrRecords &r_;
    const bool &loaded_;
    QWidget *dialog_;
};
