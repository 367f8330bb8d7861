#pragma once
// Channel page: picture, recording, compression and text-overlay records of each channel.
#include "shell/configpage.h"

#include <memory>

namespace Ui {
class ChannelPage;
}

class ChannelPage final : public ConfigPage {
public:
    explicit ChannelPage(const PageContext &context);
    ~ChannelPage() override;

    void fill() override;
    bool collect() override { return true; }
    void queueRefresh() override;
    bool queueSave(bool &restart) override;

private:
    std::unique_ptr<Ui::ChannelPage> ui_;
};
