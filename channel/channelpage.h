#pragma once
// Channel page: picture, recording, compression and text-overlay records of each channel.
#include "shell/configpage.h"
#include "shell/dvrrecords.h"

class ChannelPage final : public ConfigPage {
public:
    explicit ChannelPage(DvrRecords &records) : r_(records) {}
    void fill() override;
    bool collect() override { return true; }
    void queueRefresh(std::int32_t login) override;
    bool queueSave(std::int32_t login, bool &restart) override;

private:
    DvrRecords &r_;
};
