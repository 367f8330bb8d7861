// dvrcfg against recorders behind a dvr-simulator process with 20 ms of added latency each way,
// so one round trip is 40 ms; the log-in is one of them.
//
//   BM_Apply     a 16-channel template onto one recorder
//   BM_Restore   a backup taken before, onto the recorder changed since
//   BM_Backup    the full load of a backup (loadAddress)
//   BM_Fleet     the template onto 256 recorders of one simulator, --jobs 256: wall time beside one
//                recorder alone, and dvrcfg's own CPU per recorder (this process, not the simulator's)
//
// Each apply alternates between two templates, so every one changes and sends the same records
// (recording and compression of all 16 channels, alarm outputs, DNS/NTP), then reads them back.
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
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
const char *const Profile = "type=82&channels=16&alarmin=16&alarmout=4&disks=4";
constexpr int LatencyMs = 20;
constexpr double RoundTripMs = 2.0 * LatencyMs;
constexpr int Fleet = 256;
// The single-recorder benchmarks each have a recorder of their own, so a restore's recorder is
// changed only by its own steps.
constexpr int ApplyDevice = 0, RestoreDevice = 1, BackupDevice = 2;

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

struct Figures {
    double ms = 0;
    std::size_t records = 0;
};

struct Setup {
    SimServerProcess server;
    std::vector<std::string> addresses;
    dvrcfg::Snapshot templates[2];
    dvrcfg::Snapshot backup; // of the restore's recorder, before any change
    int variant = 0;
    Figures apply, restore, backup1, fleet;
    double fleetCpuMs = 0, simulatorCpuMs = 0; // per recorder
};
Setup *g_setup = nullptr;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double processCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto at = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return at(u.ru_utime) + at(u.ru_stime);
}

// User and system time of another process, from /proc; 0 where there is none.
double cpuMsOf(qint64 pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    std::string field;
    for (char c : stat.substr(close + 2))
        if (c == ' ')
            fields.push_back(std::exchange(field, {}));
        else
            field += c;
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the command's name.
    return fields.size() > 13
               ? double(std::stoull(fields[11]) + std::stoull(fields[12])) * 1e3 / double(sysconf(_SC_CLK_TCK))
               : 0;
}

void record(benchmark::State &state, Figures &f, Clock::duration total)
{
    f.ms = ms(total) / double(state.iterations());
    state.counters["ms"] = f.ms;
    state.counters["round_trips"] = f.ms / RoundTripMs;
}

// The template onto `targets` recorders, `jobs` at once; the time of each call.
Clock::duration applyOnce(benchmark::State &state, int first, int targets, int jobs, std::size_t &records)
{
    Setup &s = *g_setup;
    const std::vector<std::string> addresses(s.addresses.begin() + first, s.addresses.begin() + first + targets);
    dvrcfg::ApplyOptions options;
    options.jobs = jobs;
    s.variant ^= 1;
    const auto t = Clock::now();
    const auto reports = dvrcfg::apply(s.templates[s.variant], addresses, options);
    const auto took = Clock::now() - t;
    for (const auto &r : reports) {
        if (r.outcome != dvrcfg::TargetReport::Outcome::Applied)
            state.SkipWithError(("not applied: " + r.address + " " + r.reason).c_str());
        records = r.changed.size();
    }
    return took;
}

void BM_Apply(benchmark::State &state)
{
    Clock::duration total{};
    for (auto _ : state)
        total += applyOnce(state, ApplyDevice, 1, 1, g_setup->apply.records);
    record(state, g_setup->apply, total);
}
BENCHMARK(BM_Apply)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_Restore(benchmark::State &state)
{
    Setup &s = *g_setup;
    const std::string &address = s.addresses[RestoreDevice];
    Clock::duration total{};
    for (auto _ : state) {
        state.PauseTiming();
        applyOnce(state, RestoreDevice, 1, 1, s.restore.records); // the recorder changed since the backup
        state.ResumeTiming();
        const auto t = Clock::now();
        std::string error;
        const std::int32_t login = dvrcfg::logIn(address, "admin", "12345", error);
        dvrcfg::RestoreOptions options;
        options.reopen = dvrcfg::reopenerFor(address, "admin", "12345");
        const dvrcfg::RestoreReport report =
            login < 0 ? dvrcfg::RestoreReport{} : dvrcfg::restore(s.backup, login, options);
        SdkLogout(login);
        total += Clock::now() - t;
        if (!report.ok)
            state.SkipWithError(
                ("restore failed: " + error + (report.lines.empty() ? "" : report.lines.back())).c_str());
    }
    record(state, s.restore, total);
}
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_Backup(benchmark::State &state)
{
    Setup &s = *g_setup;
    Clock::duration total{};
    for (auto _ : state) {
        dvrcfg::Snapshot out;
        std::string error;
        const auto t = Clock::now();
        const bool ok = dvrcfg::loadAddress(s.addresses[BackupDevice], "admin", "12345", out, error);
        total += Clock::now() - t;
        if (!ok)
            state.SkipWithError(error.c_str());
        s.backup1.records = out.records.size();
    }
    record(state, s.backup1, total);
}
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_Fleet(benchmark::State &state)
{
    Setup &s = *g_setup;
    Clock::duration total{};
    double cpu = 0, simulator = 0;
    for (auto _ : state) {
        const double cpu0 = processCpuMs(), sim0 = cpuMsOf(s.server.processId());
        total += applyOnce(state, 0, Fleet, Fleet, s.fleet.records);
        cpu += processCpuMs() - cpu0;
        simulator += cpuMsOf(s.server.processId()) - sim0;
    }
    const double n = double(state.iterations()) * Fleet;
    s.fleet.ms = ms(total) / double(state.iterations());
    s.fleetCpuMs = cpu / n;
    s.simulatorCpuMs = simulator / n;
    state.counters["ms"] = s.fleet.ms;
    state.counters["times_one"] = s.apply.ms > 0 ? s.fleet.ms / s.apply.ms : 0;
    state.counters["cpu_ms_per_recorder"] = s.fleetCpuMs;
    state.counters["simulator_cpu_ms_per_recorder"] = s.simulatorCpuMs;
}
BENCHMARK(BM_Fleet)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

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
    // 256 connections here and 512 sockets in the simulator, which inherits the limit.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    SdkInit();
    Setup setup;
    QStringList arguments{QStringLiteral("--latency-ms"), QString::number(LatencyMs)};
    for (int i = 0; i < Fleet; ++i)
        arguments << QStringLiteral("--device") << QString::fromLatin1(Profile);
    if (!setup.server.start(arguments)) {
        std::fprintf(stderr, "dvr-simulator did not start\n");
        return 1;
    }
    for (int i = 0; i < Fleet; ++i)
        setup.addresses.push_back(setup.server.address(i));
    setup.templates[0] = makeTemplate(0);
    setup.templates[1] = makeTemplate(1);
    std::string error;
    if (!dvrcfg::loadAddress(setup.addresses[RestoreDevice], "admin", "12345", setup.backup, error)) {
        std::fprintf(stderr, "backup failed: %s\n", error.c_str());
        return 1;
    }
    g_setup = &setup;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto line = [](const char *what, const Figures &f, const char *records) {
        if (f.ms > 0)
            std::printf("  %-8s %6.0f ms = %.2f round trips (%zu records %s)\n", what, f.ms, f.ms / RoundTripMs,
                        f.records, records);
    };
    std::printf("\nlatency %d ms each way (a round trip %.0f ms, the log-in one of them); one recorder:\n", LatencyMs,
                RoundTripMs);
    line("apply", setup.apply, "sent");
    line("restore", setup.restore, "sent");
    line("backup", setup.backup1, "fetched");
    if (setup.fleet.ms > 0 && setup.apply.ms > 0)
        std::printf("%d recorders, --jobs %d: %.0f ms = %.2f times one; dvrcfg's CPU %.2f ms per recorder (the "
                    "simulator's %.2f ms)\n",
                    Fleet, Fleet, setup.fleet.ms, setup.fleet.ms / setup.apply.ms, setup.fleetCpuMs,
                    setup.simulatorCpuMs);
    g_setup = nullptr;
    SdkCleanup();
    return 0;
}
