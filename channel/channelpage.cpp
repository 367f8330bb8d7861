#include "channel/channelpage.h"

#include "command/Configfuc.h"
#include "command/commandtypes.h"
#include "shell/pagehelpers.h"

#include <algorithm>

void ChannelPage::fill() { std::copy(std::begin(r_.compression), std::end(r_.compression), r_.compressionBaseline); }

void ChannelPage::queueRefresh(std::int32_t login)
{
    const int first = r_.firstChannel();
    for (int k = 0; k < r_.channelCount(); ++k) {
        config_queue_get(login, cmd::ChannelPicture, first + k, &r_.picture[k]);
        config_queue_get(login, cmd::ChannelRecording, first + k, &r_.recording[k]);
        config_queue_get(login, cmd::ChannelCompression, first + k, &r_.compression[k]);
        config_queue_get(login, cmd::ChannelTextOverlay, first + k, &r_.textOverlay[k]);
    }
}

bool ChannelPage::queueSave(std::int32_t login, bool &restart)
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
        config_queue_set(login, cmd::set(cmd::ChannelPicture), first + k, &r_.picture[k]);
        config_queue_set(login, cmd::set(cmd::ChannelRecording), first + k, &r_.recording[k]);
        if (!isHighDefinitionType(r_.deviceType()))
            config_queue_set(login, cmd::set(cmd::ChannelCompression), first + k, &r_.compression[k]);
        config_queue_set(login, cmd::set(cmd::ChannelTextOverlay), first + k, &r_.textOverlay[k]);
    }
    return true;
}
