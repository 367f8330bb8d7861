#pragma once
// The area editor's drawers: what they read and how they paint on the preview's device context.
// No widgets, so the same code draws over the QPainter stand-in and over gdi32 on Windows.
#include "channel/channelrecords.h"
#include "sdk/quellport.h"

#include <array>
#include <cstdint>
#include <mutex>

namespace area {

constexpr int PanelWidth = 352;
constexpr int PanelHeight = 288;
constexpr int CellSize = 16;
constexpr int CellColumns = PanelWidth / CellSize; // 22
constexpr int CellRows = PanelHeight / CellSize;   // 18
constexpr int MaxRectangles = 10;
// Occlusion and mask rectangles are stored at twice the panel's scale (704 x 576).
constexpr int StoredScale = 2;

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Corners ordered and inside the panel, whichever way the rectangle was dragged.
Rect ordered(const Rect &r);
// A stored rectangle (704 x 576 space) in panel coordinates.
Rect shown(int x, int y, int width, int height);

// What the drawers read on the SDK's thread while the dialog changes it on its own: the
// rectangles, their count and the record, every access under `lock`. The dialog never calls the
// SDK while holding it, since removing a drawer waits for a drawer that is running.
struct Drawing {
    std::mutex lock;
    ChannelPictureRecord *record = nullptr;
    std::array<Rect, MaxRectangles> cells{};
    std::array<Rect, MaxRectangles> drawn{};
    int count = 0;
};

// The drawers, with a Drawing as user pointer and the SDK's device context. An empty rectangle
// (an unset mask or occlusion area, a drag of no width) draws nothing: gdi32 would still put a
// corner of the inner ring on the picture.
std::int32_t SDK_CALL drawMotionCells(std::int32_t preview, intptr_t dc, void *drawing);
std::int32_t SDK_CALL drawOcclusion(std::int32_t preview, intptr_t dc, void *drawing);
std::int32_t SDK_CALL drawMasks(std::int32_t preview, intptr_t dc, void *drawing);
std::int32_t SDK_CALL drawDrawnRectangles(std::int32_t preview, intptr_t dc, void *drawing);

} // namespace area
