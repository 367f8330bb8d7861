#pragma once
// Channel page: picture, recording, compression and text-overlay records of each channel.
#include "shell/configpage.h"

#include <cstdint>
#include <memory>

class QTableWidgetItem;
namespace Ui {
class ChannelPage;
}

class ChannelPage final : public ConfigPage {
public:
    explicit ChannelPage(const PageContext &context);
    ~ChannelPage() override;

    void fill() override { FillChannelPage(); }
    bool collect() override { return CollectChannelPage(); }
    std::vector<NormalisedBytes> normalisedBytes() const override;

    void FillChannelPage();
    bool CollectChannelPage();

    // Handlers.
    void cbbSelChanChange();
    void cbbStreamTypeChange();
    void cbbAlarmTypeChange();
    void chkEnableAlarmClick();
    void chkRecPlanClick();
    void chkShowChanNameClick();
    void chkShowOSDClick();
    void cbbMaxBitRateChange();
    void btnCopyClick();
    void btnSetRecClick();
    void btnSetAreaClick();
    void btnAlarmGuardTimeClick();
    void btnAlarmLinkTypeClick();
    void lvOSDSetDblClick(int row, int column);
    void edtListViewExit();

    // Bit-rate ceiling codes: list item i is code i + 2; the last item ("自定义") carries the
    // figure in Kbps as bit 31 | (Kbps << 10).
    static constexpr int CustomBitRateItem = 22;
    static std::uint32_t bitRateCode(int item, std::uint32_t kbps);
    static int bitRateItem(std::uint32_t code); // -1 when no item stands for the code
    static std::uint32_t customKbps(std::uint32_t code);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int selectedChannel() const; // -1 unless a channel slot is shown
    int shownStream() const;
    void showStream(int ch);
    void storeStream(int ch);
    void setAlarmButtons();
    void setCompressionEditable(bool editable);
    void copyChannel(int from, int to);
    void hideCellEditor();
    QTableWidgetItem *overlayCell(int row, int column) const;

    std::unique_ptr<Ui::ChannelPage> ui_;
    int editRow_ = -1; // the cell of lvOSDSet being edited
    int editColumn_ = -1;
    bool checkingCell_ = false;
};
