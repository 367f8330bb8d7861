// Full load of a recorder through the client SDK, printing what was fetched.
//   dvrload [address]      address defaults to an embedded simulated recorder ("sim://")
#include "command/gbktext.h"
#include "command/sdkapi.h"
#include "model/fullload.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

std::string text(const char *field, std::size_t width) { return gbk::toUtf8(gbk::readField(field, width)); }
template <std::size_t N> std::string text(const char (&field)[N]) { return text(field, N); }

void progress(std::int32_t value, void *) { std::fprintf(stderr, "\rprogress %3d%%", value); }

const char *stopText(model::LoadStop stop)
{
    switch (stop) {
    case model::LoadStop::DeviceInfo: return "device information";
    case model::LoadStop::Scale: return "scale setting";
    case model::LoadStop::Ptz: return "PTZ protocol list";
    case model::LoadStop::Batch: return "settings batch";
    default: return "";
    }
}

} // namespace

int main(int argc, char **argv)
{
    const char *address = argc > 1 ? argv[1] : "sim://";
    SdkInit();
    const std::int32_t login = SdkLogin(address, "admin", "12345");
    if (login < 0) {
        std::fprintf(stderr, "log-in to %s failed\n", address);
        return 1;
    }
    std::string missing;
    if (!sdk_load(&missing)) {
        std::fprintf(stderr, "SDK operations not found: %s\n", missing.c_str());
        return 1;
    }
    auto r = std::make_unique<DvrRecords>();
    const model::LoadStop stop = model::fullLoad(*r, login, progress, nullptr);
    std::fprintf(stderr, "\n");
    if (stop != model::LoadStop::None) {
        std::fprintf(stderr, "full load failed at the %s\n", stopText(stop));
        return 1;
    }
    const DeviceInfoRecord &d = r->deviceInfo;
    std::printf("device      %s (number %u, type %u, serial %s)\n", text(d.deviceName).c_str(), d.deviceNumber,
                d.deviceType, text(d.serialNumber).c_str());
    std::printf("counts      %u channels from %u, %u alarm inputs, %u alarm outputs, %u disks, scale %d\n",
                d.channelCount, d.firstChannel, d.alarmInCount, d.alarmOutCount, d.diskCount, r->scaleFlag);
    const NetworkRecord &n = r->network;
    std::printf("network     %s/%s gateway %s port %u http %u mac %02X:%02X:%02X:%02X:%02X:%02X\n",
                text(n.deviceIp).c_str(), text(n.ipMask).c_str(), text(n.gatewayIp).c_str(), n.devicePort, n.httpPort,
                n.macAddress[0], n.macAddress[1], n.macAddress[2], n.macAddress[3], n.macAddress[4], n.macAddress[5]);
    std::printf("dns/ntp     %s, %s every %u h\n", text(r->dnsNtp.dnsServer).c_str(), text(r->dnsNtp.ntpServer).c_str(),
                r->dnsNtp.ntpInterval);
    for (int k = 0; k < r->channelCount(); ++k)
        std::printf("channel %2d  %s  main %u/%u  decoder type %u address %u\n", k + 1,
                    text(r->picture[k].channelName).c_str(), r->compression[k].mainStream.resolution,
                    r->compression[k].mainStream.maxBitRate, r->decoder[k].decoderType, r->decoder[k].decoderAddress);
    for (int i = 0; i < r->alarmInCount(); ++i)
        std::printf("alarm in %2d %s\n", i + 1, text(r->alarmIn[i].alarmInName).c_str());
    for (int j = 0; j < r->alarmOutCount(); ++j)
        std::printf("alarm out %d delay %u\n", j + 1, r->alarmOut[j].outputDelay);
    std::printf("ptz         %u protocols\n", r->ptz.protocolCount);
    for (std::uint32_t i = 0; i < r->disk.diskEntryCount && i < DiskEntryCapacity; ++i)
        std::printf("disk %u      %u MB, %u MB free, status %u, group %u\n", r->disk.entries[i].diskNumber,
                    r->disk.entries[i].capacityMb, r->disk.entries[i].freeSpaceMb, r->disk.entries[i].diskStatus,
                    r->disk.entries[i].diskGroup);
    SdkLogout(login);
    SdkCleanup();
    return 0;
}
