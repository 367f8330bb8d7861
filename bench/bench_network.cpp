// The recorder across a network: a dvr-simulator process with 20 ms of added latency each way.
//
//   BM_Batch106       the 106 records of a 16-channel full load in one pipelined batch
//   BM_OneByOne106    the same 106 requests, one single command each
//   BM_FullLoad       the plug-in's full load (3 single commands, then the batch)
//   BM_SixteenHosts   16 hosts, each with its own log-in, doing full loads at the same moment
//
// Round trips are counted against the measured time of one single command.
#include "command/Configfuc.h"
#include "command/sdkapi.h"
#include "sdk/quellport.h"
#include "sdk/quellport_sim.h"
#include "model/fullload.h"
#include "tests/simserver.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const char *const Profile = "type=82&channels=16&alarmin=16&alarmout=4&disks=4";
constexpr int LatencyMs = 20;
constexpr int Hosts = 16;

// What a full load sends, as request texts, with answer buffers of the size the SDK expects.
struct LoadRequests {
    std::vector<std::string> single; // device information, scale, PTZ list
    std::vector<std::string> batch;  // the 106 records
};

LoadRequests loadRequests()
{
    // The embedded recorder's log tells which requests a full load of this profile sends.
    const std::int32_t login = SdkLogin((std::string("sim://") + Profile).c_str(), "admin", "12345");
    auto records = std::make_unique<DvrRecords>();
    model::fullLoad(*records, login, nullptr, nullptr);
    LoadRequests r;
    r.single = {format_get_request(100, 0), format_get_scale_request(), format_ptz_request()};
    const auto log = quellport_sim_device(login)->log();
    for (std::size_t i = 3; i < log.size(); ++i)
        r.batch.push_back(format_get_request(log[i].commandType, log[i].channel));
    SdkLogout(login);
    return r;
}

class Buffers {
public:
    explicit Buffers(std::size_t count)
        : storage_(count * SdkBufferSize), lengths_(count), answers_(count), pointers_(count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            answers_[i] = storage_.data() + i * SdkBufferSize;
            pointers_[i] = &lengths_[i];
        }
    }
    void reset() { std::fill(lengths_.begin(), lengths_.end(), std::int32_t(SdkBufferSize)); }
    char *const *answers() const { return answers_.data(); }
    std::int32_t *const *lengths() const { return pointers_.data(); }

private:
    std::vector<char> storage_;
    std::vector<std::int32_t> lengths_;
    std::vector<char *> answers_;
    std::vector<std::int32_t *> pointers_;
};

bool sendOne(std::int32_t login, const std::string &request, Buffers &buffer)
{
    buffer.reset();
    return SdkSendCommand(login, request.c_str(), std::int32_t(request.size() + 1), buffer.answers()[0],
                          buffer.lengths()[0]) != 0;
}

bool sendBatch(std::int32_t login, const std::vector<std::string> &requests, Buffers &buffers)
{
    std::vector<const char *> texts;
    std::vector<std::int32_t> lengths;
    for (const auto &r : requests) {
        texts.push_back(r.c_str());
        lengths.push_back(std::int32_t(r.size() + 1));
    }
    buffers.reset();
    return SdkSendCommandBatch(login, texts.data(), lengths.data(), std::int32_t(requests.size()), buffers.answers(),
                               buffers.lengths(), nullptr, nullptr) != 0;
}

// A full load as the plug-in sends it, on the SDK alone, so many hosts can run side by side.
bool hostFullLoad(std::int32_t login, const LoadRequests &requests, Buffers &one, Buffers &many)
{
    for (const auto &r : requests.single)
        if (!sendOne(login, r, one))
            return false;
    return sendBatch(login, requests.batch, many);
}

struct Network {
    SimServerProcess server;
    LoadRequests requests;
    std::string address;
    double roundTripMs = 0;
    double loneFullLoadMs = 0;
    double batchMs = 0, oneByOneMs = 0, slowestHostMs = 0;

    bool start()
    {
        requests = loadRequests();
        if (!server.start({QStringLiteral("--device"), QString::fromLatin1(Profile), QStringLiteral("--latency-ms"),
                           QString::number(LatencyMs)}))
            return false;
        address = server.address();
        return true;
    }
    std::int32_t logIn() const { return SdkLogin(address.c_str(), "admin", "12345"); }
};

Network *g_net = nullptr;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void BM_RoundTrip(benchmark::State &state)
{
    const std::int32_t login = g_net->logIn();
    Buffers one(1);
    Clock::duration total{};
    for (auto _ : state) {
        const auto t = Clock::now();
        if (!sendOne(login, g_net->requests.single[0], one))
            state.SkipWithError("command failed");
        total += Clock::now() - t;
    }
    g_net->roundTripMs = ms(total) / double(state.iterations());
    state.counters["round_trip_ms"] = g_net->roundTripMs;
    SdkLogout(login);
}
BENCHMARK(BM_RoundTrip)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

void BM_Batch106(benchmark::State &state)
{
    const std::int32_t login = g_net->logIn();
    Buffers many(g_net->requests.batch.size());
    Clock::duration total{};
    for (auto _ : state) {
        const auto t = Clock::now();
        if (!sendBatch(login, g_net->requests.batch, many))
            state.SkipWithError("batch failed");
        total += Clock::now() - t;
    }
    g_net->batchMs = ms(total) / double(state.iterations());
    state.counters["records"] = double(g_net->requests.batch.size());
    state.counters["round_trips"] = g_net->batchMs / g_net->roundTripMs;
    SdkLogout(login);
}
BENCHMARK(BM_Batch106)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_OneByOne106(benchmark::State &state)
{
    const std::int32_t login = g_net->logIn();
    Buffers one(1);
    Clock::duration total{};
    for (auto _ : state) {
        const auto t = Clock::now();
        for (const auto &r : g_net->requests.batch)
            if (!sendOne(login, r, one))
                state.SkipWithError("command failed");
        total += Clock::now() - t;
    }
    g_net->oneByOneMs = ms(total) / double(state.iterations());
    state.counters["round_trips"] = g_net->oneByOneMs / g_net->roundTripMs;
    state.counters["batch_speedup"] = g_net->oneByOneMs / g_net->batchMs;
    SdkLogout(login);
}
BENCHMARK(BM_OneByOne106)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// The plug-in's own full load, through the command layer.
void BM_FullLoad(benchmark::State &state)
{
    const std::int32_t login = g_net->logIn();
    auto records = std::make_unique<DvrRecords>();
    Clock::duration total{};
    for (auto _ : state) {
        const auto t = Clock::now();
        if (model::fullLoad(*records, login, nullptr, nullptr) != model::LoadStop::None)
            state.SkipWithError("full load failed");
        total += Clock::now() - t;
    }
    g_net->loneFullLoadMs = ms(total) / double(state.iterations());
    state.counters["round_trips"] = g_net->loneFullLoadMs / g_net->roundTripMs;
    SdkLogout(login);
}
BENCHMARK(BM_FullLoad)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_SixteenHosts(benchmark::State &state)
{
    double slowest = 0;
    int failed = 0;
    for (auto _ : state) {
        std::vector<double> took(Hosts, 0);
        std::vector<int> ok(Hosts, 0);
        std::vector<std::thread> hosts;
        // Each host logs in on its own thread (its connection lives there), then all start
        // their full loads together.
        std::atomic<int> ready{0};
        for (int h = 0; h < Hosts; ++h)
            hosts.emplace_back([&, h] {
                const std::int32_t login = g_net->logIn();
                Buffers one(1), many(g_net->requests.batch.size());
                ready.fetch_add(1);
                while (ready.load() < Hosts)
                    std::this_thread::yield();
                const auto t = Clock::now();
                ok[h] = login >= 0 && hostFullLoad(login, g_net->requests, one, many);
                took[h] = ms(Clock::now() - t);
                SdkLogout(login);
            });
        for (auto &t : hosts)
            t.join();
        failed += int(std::count(ok.begin(), ok.end(), 0));
        slowest = std::max(slowest, *std::max_element(took.begin(), took.end()));
    }
    if (failed)
        state.SkipWithError("a host's full load failed");
    g_net->slowestHostMs = slowest;
    state.counters["hosts"] = Hosts;
    state.counters["failed"] = failed;
    state.counters["slowest_ms"] = slowest;
    state.counters["slowest_vs_lone"] = slowest / g_net->loneFullLoadMs;
}
BENCHMARK(BM_SixteenHosts)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

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
    Network net;
    if (!net.start()) {
        std::fprintf(stderr, "dvr-simulator did not start\n");
        return 1;
    }
    g_net = &net;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (net.roundTripMs > 0 && net.batchMs > 0 && net.oneByOneMs > 0 && net.loneFullLoadMs > 0) {
        std::printf("\nlatency %d ms each way, one round trip %.1f ms\n", LatencyMs, net.roundTripMs);
        std::printf("batch of %zu: %.1f ms = %.2f round trips; one by one: %.1f ms; batch %.1f times faster\n",
                    net.requests.batch.size(), net.batchMs, net.batchMs / net.roundTripMs, net.oneByOneMs,
                    net.oneByOneMs / net.batchMs);
        if (net.slowestHostMs > 0)
            std::printf("%d hosts at once: slowest full load %.1f ms = %.2f times a lone full load (%.1f ms)\n", Hosts,
                        net.slowestHostMs, net.slowestHostMs / net.loneFullLoadMs, net.loneFullLoadMs);
    }
    g_net = nullptr;
    SdkCleanup();
    return 0;
}
