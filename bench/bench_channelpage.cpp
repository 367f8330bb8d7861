// The channel page of a 16-channel recorder: filling it, switching the channel shown and
// collecting it, which run whenever the operator changes tab or channel or saves.
//
//   BM_FillChannelPage        FillChannelPage: lists, baselines and the first channel
//   BM_ChannelSwitch          one channel switch (cbbSelChanChange), cycling through the 16
//   BM_CollectChannelPage     CollectChannelPage of the channel shown
//   BM_CollectSixteenChannels show and collect each of the 16 channels in turn
#include "channel/channelpage.h"
#include "command/sdkapi.h"
#include "sdk/quellport.h"
#include "model/fullload.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

struct Fixture {
    std::unique_ptr<DvrRecords> records = std::make_unique<DvrRecords>();
    bool loaded = false;
    std::unique_ptr<ChannelPage> page;
    QComboBox *channels = nullptr;
};
Fixture *g_fixture = nullptr;

void select(int ch)
{
    g_fixture->channels->setCurrentIndex(ch);
    g_fixture->page->cbbSelChanChange();
}

void BM_FillChannelPage(benchmark::State &state)
{
    for (auto _ : state)
        g_fixture->page->FillChannelPage();
}
BENCHMARK(BM_FillChannelPage)->Unit(benchmark::kMicrosecond);

void BM_ChannelSwitch(benchmark::State &state)
{
    int ch = 0;
    for (auto _ : state) {
        ch = (ch + 1) % 16;
        select(ch);
    }
}
BENCHMARK(BM_ChannelSwitch)->Unit(benchmark::kMicrosecond);

void BM_CollectChannelPage(benchmark::State &state)
{
    select(15);
    for (auto _ : state)
        benchmark::DoNotOptimize(g_fixture->page->CollectChannelPage());
}
BENCHMARK(BM_CollectChannelPage)->Unit(benchmark::kMicrosecond);

void BM_CollectSixteenChannels(benchmark::State &state)
{
    for (auto _ : state) {
        for (int ch = 0; ch < 16; ++ch) {
            select(ch);
            benchmark::DoNotOptimize(g_fixture->page->CollectChannelPage());
        }
    }
}
BENCHMARK(BM_CollectSixteenChannels)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::string missing;
    if (!sdk_load(&missing)) {
        std::fprintf(stderr, "SDK operations missing: %s\n", missing.c_str());
        return 1;
    }
    SdkInit();
    Fixture fixture;
    const std::int32_t login = SdkLogin("sim://type=82&channels=16&alarmin=16&alarmout=4&disks=4", "admin", "12345");
    fixture.loaded = model::fullLoad(*fixture.records, login, nullptr, nullptr) == model::LoadStop::None;
    if (!fixture.loaded || fixture.records->channelCount() != 16) {
        std::fprintf(stderr, "the simulated recorder did not load\n");
        return 1;
    }
    QWidget owner;
    fixture.page = std::make_unique<ChannelPage>(PageContext{*fixture.records, &owner, login, fixture.loaded});
    fixture.page->show();
    fixture.page->FillChannelPage();
    fixture.channels = fixture.page->findChild<QComboBox *>(QStringLiteral("cbbSelChan"));
    g_fixture = &fixture;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_fixture = nullptr;
    fixture.page.reset();
    SdkLogout(login);
    SdkCleanup();
    return 0;
}
