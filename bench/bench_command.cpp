// Throughput of the hex codec, and the plug-in side cost of a full load of a 16-channel recorder.
#include "command/Parsexml.h"
#include "command/sdkapi.h"
#include "sdk/quellport.h"
#include "sdk/quellport_sim.h"
#include "model/fullload.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// Heap accounting for the peak-memory figure.
namespace {
std::atomic<long long> g_heapInUse{0};
std::atomic<long long> g_heapPeak{0};
void *track(std::size_t n)
{
    void *p = std::malloc(n + 16);
    if (!p)
        throw std::bad_alloc();
    *static_cast<std::size_t *>(p) = n;
    long long now = g_heapInUse += (long long)n;
    long long peak = g_heapPeak.load();
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char *>(p) + 16;
}
void untrack(void *p)
{
    if (!p)
        return;
    char *base = static_cast<char *>(p) - 16;
    g_heapInUse -= (long long)*reinterpret_cast<std::size_t *>(base);
    std::free(base);
}
} // namespace
void *operator new(std::size_t n) { return track(n); }
void *operator new[](std::size_t n) { return track(n); }
void operator delete(void *p) noexcept { untrack(p); }
void operator delete[](void *p) noexcept { untrack(p); }
void operator delete(void *p, std::size_t) noexcept { untrack(p); }
void operator delete[](void *p, std::size_t) noexcept { untrack(p); }

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> sampleBytes(std::size_t n)
{
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = std::uint8_t(i * 131 + 17);
    return v;
}

void BM_HexEncode(benchmark::State &state)
{
    const auto bytes = sampleBytes(std::size_t(state.range(0)));
    std::vector<char> text(2 * bytes.size() + 1);
    for (auto _ : state) {
        std::size_t length;
        hex_encode(bytes.data(), bytes.size(), text.data(), &length);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * state.range(0));
}

void BM_HexDecode(benchmark::State &state)
{
    const auto bytes = sampleBytes(std::size_t(state.range(0)));
    std::vector<char> text(2 * bytes.size() + 1);
    std::size_t length;
    hex_encode(bytes.data(), bytes.size(), text.data(), &length);
    std::vector<std::uint8_t> out(bytes.size());
    for (auto _ : state) {
        std::size_t written;
        hex_decode(text.data(), length, out.data(), out.size(), &written);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * state.range(0));
}

void BM_Memcpy(benchmark::State &state)
{
    const auto bytes = sampleBytes(std::size_t(state.range(0)));
    std::vector<std::uint8_t> out(bytes.size());
    for (auto _ : state) {
        std::memcpy(out.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * state.range(0));
}

BENCHMARK(BM_HexEncode)->Arg(7752)->Arg(32256);
BENCHMARK(BM_HexDecode)->Arg(7752)->Arg(32256);
BENCHMARK(BM_Memcpy)->Arg(7752)->Arg(32256);

// The real SDK calls, wrapped so the time spent inside the SDK (the simulated recorder's work)
// can be taken out of the plug-in's figure.
SdkApi g_real;
Clock::duration g_inSdk{};
long long g_heapAtBatch = 0;

std::int32_t SDK_CALL timedSingle(std::int32_t l, const char *r, std::int32_t n, char *a, std::int32_t *al)
{
    const auto t = Clock::now();
    const std::int32_t result = g_real.sendCommand(l, r, n, a, al);
    g_inSdk += Clock::now() - t;
    return result;
}

std::int32_t SDK_CALL timedBatch(std::int32_t l, const char *const *r, const std::int32_t *n, std::int32_t c,
                                 char *const *a, std::int32_t *const *al, SdkProgressCallback p, void *x)
{
    g_heapAtBatch = g_heapInUse.load();
    const auto t = Clock::now();
    const std::int32_t result = g_real.sendCommandBatch(l, r, n, c, a, al, p, x);
    g_inSdk += Clock::now() - t;
    return result;
}

void BM_FullLoad16Channels(benchmark::State &state)
{
    sdk_load();
    g_real = sdk_api();
    SdkApi timed = g_real;
    timed.sendCommand = timedSingle;
    timed.sendCommandBatch = timedBatch;
    sdk_install(timed);
    const std::int32_t login = SdkLogin("sim://type=82&channels=16&alarmin=16&alarmout=4&disks=4", "admin", "12345");
    auto records = std::make_unique<DvrRecords>();
    Clock::duration total{};
    long long batchHeap = 0, peakHeap = 0;
    auto device = quellport_sim_device(login);
    for (auto _ : state) {
        device->clearLog(); // the device's command log is not the plug-in's memory
        g_inSdk = {};
        const long long baseline = g_heapInUse.load();
        g_heapPeak = baseline;
        const auto t = Clock::now();
        if (model::fullLoad(*records, login, nullptr, nullptr) != model::LoadStop::None)
            state.SkipWithError("full load failed");
        const auto elapsed = Clock::now() - t;
        total += elapsed - g_inSdk;
        batchHeap = std::max(batchHeap, g_heapAtBatch - baseline);
        peakHeap = std::max(peakHeap, g_heapPeak.load() - baseline);
    }
    const double us = std::chrono::duration<double, std::micro>(total).count() / double(state.iterations());
    state.counters["plugin_us_total"] = us;
    state.counters["plugin_us_per_record"] = us / 109; // 3 single commands and a batch of 106
    state.counters["plugin_heap_MB_at_batch"] = double(batchHeap) / 1e6;
    state.counters["peak_heap_MB_incl_device"] = double(peakHeap) / 1e6;
    SdkLogout(login);
    sdk_install(g_real);
}
BENCHMARK(BM_FullLoad16Channels)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
