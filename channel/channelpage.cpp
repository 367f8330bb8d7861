#include "channel/channelpage.h"

#include "command/typedcommands.h"
#include "shell/pagehelpers.h"

#include "ui_channelpage.h"

#include <algorithm>

ChannelPage::ChannelPage(const PageContext &context) : ConfigPage(context), ui_(std::make_unique<Ui::ChannelPage>())
{
    ui_->setupUi(this);
}

ChannelPage::~ChannelPage() = default;

void ChannelPage::fill() { std::copy(std::begin(r_.compression), std::end(r_.compression), r_.compressionBaseline); }

void ChannelPage::queueRefresh()
{
    const int first = r_.firstChannel();
    for (int k = 0; k < r_.channelCount(); ++k) {
        queueGet(login(), first + k, r_.picture[k]);
        queueGet(login(), first + k, r_.recording[k]);
        queueGet(login(), first + k, r_.compression[k]);
        queueGet(login(), first + k, r_.textOverlay[k]);
    }
}

bool ChannelPage::queueSave(bool &restart)
{
    // Stream kind and resolution of either stream need a restart of the device.
    const auto changedStream = [&](int k, std::size_t offset) {
        return bytesDiffer(&r_.compression[k], &r_.compressionBaseline[k], offset, 2);
    };
    bool changed = false;
    for (int k = 0; k < r_.channelCount() && !changed; ++k)
        changed = changedStream(k, offsetof(ChannelCompressionRecord, mainStream)) ||
                  changedStream(k, offsetof(ChannelCompressionRecord, subStream));
    if (changed) {
        std::copy(std::begin(r_.compression), std::end(r_.compression), r_.compressionBaseline);
        restart = true;
    }
    const int first = r_.firstChannel();
    for (int k = 0; k < r_.channelCount(); ++k) {
        queueSet(login(), first + k, r_.picture[k]);
        queueSet(login(), first + k, r_.recording[k]);
        if (!isHighDefinitionType(r_.deviceType()))
            queueSet(login(), first + k, r_.compression[k]);
        queueSet(login(), first + k, r_.textOverlay[k]);
    }
    return true;
}
