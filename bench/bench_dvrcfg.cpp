// dvrcfg apply: a 16-channel template rolled out to recorders behind a dvr-simulator process with
// 20 ms of added latency each way.
//
//   BM_ApplyOne        one recorder alone
//   BM_ApplySixteen    16 recorders, --jobs 16
//   BM_ApplySerial     16 recorders, --jobs 1 (for scale)
//
// Each iteration alternates between two templates, so every apply changes and sends the same
// records (recording and compression of all 16 channels, alarm outputs, DNS/NTP), then reads back.
#include "command/commandtypes.h"
#include "command/gbktext.h"
#include "command/sdkapi.h"
#include "sdk/quellport.h"
#include "sdk/quellport_sim.h"
#include "tests/simserver.h"
#include "tools/dvrcfg.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const char *const Profile = "type=82&channels=16&alarmin=16&alarmout=4&disks=4";
constexpr int LatencyMs = 20;
constexpr int Recorders = 16;

template <typename Record> Record &recordOf(dvrsim::Device &device, std::int32_t getType, std::int32_t channel)
{
    std::size_t size = 0;
    return *reinterpret_cast<Record *>(device.locate(getType, channel, size));
}

// A template whose settings differ from the factory's by `variant`.
dvrcfg::Snapshot makeTemplate(int variant)
{
    const std::int32_t login = SdkLogin((std::string("sim://") + Profile).c_str(), "admin", "12345");
    dvrsim::Device &d = *quellport_sim_device(login);
    for (int k = 1; k <= 16; ++k) {
        recordOf<ChannelRecordingRecord>(d, cmd::ChannelRecording, k).recordDelay = std::uint32_t(2 + variant);
        recordOf<ChannelCompressionRecord>(d, cmd::ChannelCompression, k).mainStream.maxBitRate =
            std::uint32_t(19 + variant);
    }
    for (int j = 0; j < 4; ++j)
        recordOf<AlarmOutRecord>(d, cmd::AlarmOut, j).outputDelay = std::uint32_t(4 + variant);
    gbk::writeField(recordOf<DnsNtpRecord>(d, cmd::DnsNtp, 0).ntpServer, variant ? u"ntp.b" : u"ntp.a");
    dvrcfg::Snapshot s;
    std::string error;
    dvrcfg::loadLogin(login, s, error);
    SdkLogout(login);
    return s;
}

struct Setup {
    SimServerProcess server;
    std::vector<std::string> addresses;
    dvrcfg::Snapshot templates[2];
    double oneMs = 0, sixteenMs = 0, serialMs = 0;
    std::size_t records = 0;
};
Setup *g_setup = nullptr;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void run(benchmark::State &state, int targets, int jobs, double &result)
{
    Setup &s = *g_setup;
    const std::vector<std::string> addresses(s.addresses.begin(), s.addresses.begin() + targets);
    dvrcfg::ApplyOptions options;
    options.jobs = jobs;
    Clock::duration total{};
    int variant = 0;
    for (auto _ : state) {
        variant ^= 1;
        const auto t = Clock::now();
        const auto reports = dvrcfg::apply(s.templates[variant], addresses, options);
        total += Clock::now() - t;
        for (const auto &r : reports) {
            if (r.outcome != dvrcfg::TargetReport::Outcome::Applied)
                state.SkipWithError(("not applied: " + r.address + " " + r.reason).c_str());
            s.records = r.changed.size();
        }
    }
    result = ms(total) / double(state.iterations());
    state.counters["records_per_recorder"] = double(s.records);
}

void BM_ApplyOne(benchmark::State &state) { run(state, 1, 1, g_setup->oneMs); }
BENCHMARK(BM_ApplyOne)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

void BM_ApplySixteen(benchmark::State &state)
{
    run(state, Recorders, Recorders, g_setup->sixteenMs);
    if (g_setup->oneMs > 0)
        state.counters["times_one"] = g_setup->sixteenMs / g_setup->oneMs;
}
BENCHMARK(BM_ApplySixteen)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

void BM_ApplySerial(benchmark::State &state) { run(state, Recorders, 1, g_setup->serialMs); }
BENCHMARK(BM_ApplySerial)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::string missing;
    if (!sdk_load(&missing)) {
        std::fprintf(stderr, "SDK operations missing: %s\n", missing.c_str());
        return 1;
    }
    SdkInit();
    Setup setup;
    QStringList arguments{QStringLiteral("--latency-ms"), QString::number(LatencyMs)};
    for (int i = 0; i < Recorders; ++i)
        arguments << QStringLiteral("--device") << QString::fromLatin1(Profile);
    if (!setup.server.start(arguments)) {
        std::fprintf(stderr, "dvr-simulator did not start\n");
        return 1;
    }
    for (int i = 0; i < Recorders; ++i)
        setup.addresses.push_back(setup.server.address(i));
    setup.templates[0] = makeTemplate(0);
    setup.templates[1] = makeTemplate(1);
    g_setup = &setup;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (setup.oneMs > 0 && setup.sixteenMs > 0)
        std::printf("\nlatency %d ms each way, %zu records per recorder: one recorder %.0f ms; %d recorders with "
                    "--jobs %d %.0f ms = %.2f times one%s\n",
                    LatencyMs, setup.records, setup.oneMs, Recorders, Recorders, setup.sixteenMs,
                    setup.sixteenMs / setup.oneMs,
                    setup.serialMs > 0 ? (", --jobs 1 " + std::to_string(int(setup.serialMs)) + " ms").c_str() : "");
    g_setup = nullptr;
    SdkCleanup();
    return 0;
}
