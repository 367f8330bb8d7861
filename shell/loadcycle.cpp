#include "shell/loadcycle.h"

#include "command/Configfuc.h"
#include "command/commandtypes.h"

LoadStop fullLoad(DvrRecords &r, std::int32_t login, SdkProgressCallback progress, void *context)
{
    if (!config_get_record(login, cmd::DeviceInfo, 0, &r.deviceInfo))
        return LoadStop::DeviceInfo;
    if (!config_get_scale(login, &r.scaleFlag))
        return LoadStop::Scale;
    const int first = r.firstChannel();
    config_queue_get(login, cmd::Network, 0, &r.network);
    for (int k = 0; k < r.channelCount(); ++k) {
        config_queue_get(login, cmd::ChannelPicture, first + k, &r.picture[k]);
        config_queue_get(login, cmd::ChannelRecording, first + k, &r.recording[k]);
        config_queue_get(login, cmd::ChannelCompression, first + k, &r.compression[k]);
        config_queue_get(login, cmd::ChannelTextOverlay, first + k, &r.textOverlay[k]);
    }
    if (!isHighDefinitionType(r.deviceType()))
        config_queue_get(login, cmd::DnsNtp, 0, &r.dnsNtp);
    config_queue_get(login, cmd::Rs232, 0, &r.rs232);
    if (!config_get_ptz(login, &r.ptz)) {
        config_clear_queue();
        return LoadStop::Ptz;
    }
    for (int k = 0; k < r.channelCount(); ++k)
        config_queue_get(login, cmd::Decoder, first + k, &r.decoder[k]);
    for (int i = 0; i < r.alarmInCount(); ++i)
        config_queue_get(login, cmd::AlarmIn, i, &r.alarmIn[i]);
    for (int j = 0; j < r.alarmOutCount(); ++j)
        config_queue_get(login, cmd::AlarmOut, j, &r.alarmOut[j]);
    config_queue_get(login, cmd::Exception, 0, &r.exception);
    if (hasDiskRecords(r.deviceType())) {
        config_queue_get(login, cmd::Disk, 0, &r.disk);
        config_queue_get(login, cmd::DiskGroup, 0, &r.diskGroup);
    }
    return config_run_get_batch(progress, context) ? LoadStop::None : LoadStop::Batch;
}
