#pragma once
// Server page: identity, versions and counts of the device, its basic addressing and the scale
// setting.
#include "shell/configpage.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace Ui {
class ServerPage;
}

class ServerPage final : public ConfigPage {
public:
    explicit ServerPage(const PageContext &context);
    ~ServerPage() override;

    void fill() override { FillServerPage(); }
    bool collect() override { return CollectServerPage(); }

    void FillServerPage();
    bool CollectServerPage();

    // Texts of the read-only version fields.
    static QString softwareVersionText(std::uint32_t version, std::uint32_t buildDate);
    static QString dspVersionText(std::uint32_t version, std::uint32_t buildDate);
    static QString macText(const std::uint8_t (&mac)[6]);
    // Item k names device type k + 1.
    static const QStringList &deviceTypeNames();

protected:
    // The scale setting goes to the device at once, between the two records of the save; a
    // refusal ends the save without a message.
    bool sendAtOnce(const model::RecordSlot &) override;

private:
    std::unique_ptr<Ui::ServerPage> ui_;
};
