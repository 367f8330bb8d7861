// Cost of live video in the area editor: one frame of the simulated camera with the motion-cell
// drawer over all 396 cells, and what a running preview costs the machine at 25 frames a second.
#include "channel/frmsetarea.h"
#include "sdk/quellport.h"
#include "simulator/video.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <thread>

namespace {

std::unique_ptr<ChannelPictureRecord> allCellsWatched()
{
    auto record = std::make_unique<ChannelPictureRecord>();
    for (int row = 0; row < area::CellRows; ++row)
        for (int col = 0; col < area::CellColumns; ++col)
            record->motionArea[row][col] = 1;
    return record;
}

void BM_FrameWithMotionCells(benchmark::State &state)
{
    auto record = allCellsWatched();
    area::Drawing drawing;
    drawing.record = record.get();
    dvrsim::CameraScene scene(0);
    dvrsim::Overlay overlay;
    overlay.showChannelName = overlay.showOsd = true;
    overlay.channelName = QStringLiteral("通道01");
    overlay.channelNameX = 600;
    overlay.channelNameY = 500;
    overlay.osdX = overlay.osdY = 16;
    overlay.osdAttribute = 2;
    QImage frame;
    std::int64_t n = 0;
    const QDateTime now = QDateTime::currentDateTime();
    for (auto _ : state) {
        scene.render(frame, n++, now, overlay);
        QPainter painter(&frame);
        area::drawMotionCells(0, reinterpret_cast<intptr_t>(&painter), &drawing);
    }
}
BENCHMARK(BM_FrameWithMotionCells)->Unit(benchmark::kMicrosecond);

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::atomic<int> g_callbacks{0};
std::int32_t SDK_CALL countingDrawer(std::int32_t preview, intptr_t dc, void *user)
{
    ++g_callbacks;
    return area::drawMotionCells(preview, dc, user);
}

// A real preview into a shown widget for three seconds, with the GUI thread showing the frames:
// frames per second and the process's CPU time as a share of one core.
void BM_PreviewSustained(benchmark::State &state)
{
    const std::int32_t login = SdkLogin("sim://channels=4", "", "");
    auto record = allCellsWatched();
    area::Drawing drawing;
    drawing.record = record.get();
    QWidget panel;
    panel.setAttribute(Qt::WA_NativeWindow);
    panel.resize(352, 288);
    panel.show();
    const SdkPreviewRequest request{0, 0, std::uint32_t(panel.winId())};
    for (auto _ : state) {
        const std::int32_t handle = SdkStartPreview(login, &request, 0, 0);
        if (handle == -1) {
            state.SkipWithError("no preview");
            break;
        }
        SdkSetDrawCallback(handle, countingDrawer, &drawing);
        QCoreApplication::processEvents();
        g_callbacks = 0;
        const double cpu0 = processCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(3)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.counters["fps"] = g_callbacks / seconds;
        state.counters["cpu_percent_of_one_core"] = 100.0 * (processCpuSeconds() - cpu0) / seconds;
        SdkSetDrawCallback(handle, nullptr, nullptr);
        SdkStopPreview(handle);
    }
    SdkLogout(login);
}
BENCHMARK(BM_PreviewSustained)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
