#pragma once
// Serial page: the RS232 port and the per-channel RS485 decoders.
#include "shell/configpage.h"

#include <memory>

namespace Ui {
class SerialPage;
}

class SerialPage final : public ConfigPage {
public:
    explicit SerialPage(const PageContext &context);
    ~SerialPage() override;

    void fill() override { FillSerialPage(); }
    bool collect() override { return CollectRs232() && CollectDecoder(); }
    std::vector<NormalisedBytes> normalisedBytes() const override;

    void FillSerialPage();
    bool CollectRs232();
    bool CollectDecoder();
    void cbbWorkModeChange();
    void cbbChannelChange();
    void btnCopySerialSetClick();

    // Entries of the device's protocol list the page uses: never more than the list holds.
    static int protocolCount(const PtzProtocolList &list);
    // Position of the first entry whose code (low 16 bits) is `decoderType`; -1 when none has it.
    static int protocolPosition(const PtzProtocolList &list, std::uint16_t decoderType);

private:
    // The decoder slot selected in cbbChannel, or -1.
    int selectedChannel() const;

    std::unique_ptr<Ui::SerialPage> ui_;
};
