#include "shell/loadcycle.h"

#include "command/typedcommands.h"

LoadStop fullLoad(DvrRecords &r, std::int32_t login, SdkProgressCallback progress, void *context)
{
    const DecodeNote note = r.decodeNote();
    if (!getRecord<cmd::DeviceInfo>(login, 0, r.deviceInfo, &note))
        return LoadStop::DeviceInfo;
    if (!config_get_scale(login, &r.scaleFlag))
        return LoadStop::Scale;
    const int first = r.firstChannel();
    queueGet<cmd::Network>(login, 0, r.network);
    for (int k = 0; k < r.channelCount(); ++k) {
        queueGet<cmd::ChannelPicture>(login, first + k, r.picture[k]);
        queueGet<cmd::ChannelRecording>(login, first + k, r.recording[k]);
        queueGet<cmd::ChannelCompression>(login, first + k, r.compression[k]);
        queueGet<cmd::ChannelTextOverlay>(login, first + k, r.textOverlay[k]);
    }
    if (!isHighDefinitionType(r.deviceType()))
        queueGet<cmd::DnsNtp>(login, 0, r.dnsNtp);
    queueGet<cmd::Rs232>(login, 0, r.rs232);
    if (!getPtzList(login, r.ptz)) {
        config_clear_queue();
        return LoadStop::Ptz;
    }
    for (int k = 0; k < r.channelCount(); ++k)
        queueGet<cmd::Decoder>(login, first + k, r.decoder[k]);
    for (int i = 0; i < r.alarmInCount(); ++i)
        queueGet<cmd::AlarmIn>(login, i, r.alarmIn[i]);
    for (int j = 0; j < r.alarmOutCount(); ++j)
        queueGet<cmd::AlarmOut>(login, j, r.alarmOut[j]);
    queueGet<cmd::Exception>(login, 0, r.exception);
    if (hasDiskRecords(r.deviceType())) {
        queueGet<cmd::Disk>(login, 0, r.disk);
        queueGet<cmd::DiskGroup>(login, 0, r.diskGroup);
    }
    return config_run_get_batch(progress, context, &note) ? LoadStop::None : LoadStop::Batch;
}
