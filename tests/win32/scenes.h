#pragma once
// The scenes of the drawers' comparison: each sets up a record and drawn rectangles and names
// its drawer; the Linux side paints them over the QPainter stand-in, the Windows test through
// gdi32, on a frame of one colour.
#include "channel/areadrawers.h"
#include "platform/gdi.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

namespace scenes {

constexpr int Width = area::PanelWidth, Height = area::PanelHeight;
constexpr COLORREF Video = RGB(0x20, 0x40, 0x60);

inline void occlusion(ChannelPictureRecord &r, std::uint16_t x, std::uint16_t y, std::uint16_t w, std::uint16_t h)
{
    r.occlusionX = x;
    r.occlusionY = y;
    r.occlusionWidth = w;
    r.occlusionHeight = h;
}

// Every border combination the stand-in knows, at sizes from 1 x 1 up, then partial sides.
inline std::int32_t SDK_CALL drawEdges(std::int32_t, intptr_t dc, void *)
{
    const UINT edges[] = {BDR_RAISEDOUTER,
                          BDR_SUNKENOUTER,
                          BDR_RAISEDINNER,
                          BDR_SUNKENINNER,
                          EDGE_RAISED,
                          EDGE_SUNKEN,
                          BDR_SUNKENOUTER | BDR_RAISEDINNER,
                          BDR_RAISEDOUTER | BDR_SUNKENINNER};
    const struct {
        int w, h;
    } sizes[] = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {2, 10}, {10, 2}, {12, 9}};
    const UINT sides[] = {BF_RECT,           BF_LEFT | BF_TOP, BF_RIGHT | BF_BOTTOM, BF_LEFT | BF_BOTTOM,
                          BF_TOP | BF_RIGHT, BF_TOP,           BF_LEFT | BF_RIGHT};
    int y = 4;
    for (UINT edge : edges) {
        int x = 4;
        for (UINT side : sides) {
            for (const auto &s : sizes) {
                RECT r{x, y, x + s.w, y + s.h};
                DrawEdge(reinterpret_cast<HDC>(dc), &r, edge, side);
                x += 7 + std::min(s.w, 3);
            }
            x += 4;
        }
        y += 16;
    }
    return 0;
}

struct Scene {
    const char *name;
    SdkDrawCallback drawer;
    void (*setUp)(ChannelPictureRecord &, area::Drawing &);
    bool blank = false; // leaves the frame as it was
};

inline const Scene All[] = {
    {"motion-cells", area::drawMotionCells,
     [](ChannelPictureRecord &r, area::Drawing &) {
         for (auto &row : r.motionArea)
             std::fill(std::begin(row), std::end(row), std::uint8_t(0));
         for (auto [row, col] : {std::pair{0, 0}, {3, 4}, {17, 21}, {5, 5}, {5, 6}, {6, 5}})
             r.motionArea[row][col] = 1;
         r.motionArea[9][9] = 2; // only exactly 1 is watched
     }},
    {"occlusion", area::drawOcclusion, [](ChannelPictureRecord &r, area::Drawing &) { occlusion(r, 64, 64, 128, 96); }},
    {"occlusion-unset", area::drawOcclusion, [](ChannelPictureRecord &r, area::Drawing &) { occlusion(r, 0, 0, 0, 0); },
     true},
    {"occlusion-2-wide", area::drawOcclusion,
     [](ChannelPictureRecord &r, area::Drawing &) { occlusion(r, 100, 50, 4, 80); }},
    {"occlusion-2-high", area::drawOcclusion,
     [](ChannelPictureRecord &r, area::Drawing &) { occlusion(r, 100, 50, 80, 4); }},
    {"occlusion-1x1", area::drawOcclusion,
     [](ChannelPictureRecord &r, area::Drawing &) { occlusion(r, 300, 300, 2, 2); }},
    {"occlusion-3x3", area::drawOcclusion,
     [](ChannelPictureRecord &r, area::Drawing &) { occlusion(r, 300, 300, 6, 6); }},
    {"occlusion-no-width", area::drawOcclusion,
     [](ChannelPictureRecord &r, area::Drawing &) { occlusion(r, 200, 200, 1, 60); }, true},
    {"occlusion-past-the-picture", area::drawOcclusion,
     [](ChannelPictureRecord &r, area::Drawing &) { occlusion(r, 600, 500, 200, 200); }},
    {"masks", area::drawMasks,
     [](ChannelPictureRecord &r, area::Drawing &) {
         r.maskArea[0] = MaskRect{200, 100, 100, 60};
         r.maskArea[1] = MaskRect{0, 0, 0, 0};
         r.maskArea[2] = MaskRect{600, 500, 200, 200};
         r.maskArea[3] = MaskRect{400, 20, 4, 60};
     }},
    {"masks-small", area::drawMasks,
     [](ChannelPictureRecord &r, area::Drawing &) {
         r.maskArea[0] = MaskRect{10, 400, 2, 2};
         r.maskArea[1] = MaskRect{50, 400, 6, 6};
         r.maskArea[2] = MaskRect{100, 400, 1, 50};
         r.maskArea[3] = MaskRect{150, 400, 40, 1};
     }},
    {"drawn", area::drawDrawnRectangles,
     [](ChannelPictureRecord &, area::Drawing &d) {
         const area::Rect drawn[] = {{37, 42, 101, 90},   {200, 200, 150, 150}, {10, 10, 11, 11},
                                     {300, 10, 300, 60},  {340, 270, 400, 300}, {60, 200, 62, 260},
                                     {120, 240, 180, 241}};
         d.count = int(std::size(drawn));
         std::copy(std::begin(drawn), std::end(drawn), d.drawn.begin());
     }},
    {"edges", drawEdges, [](ChannelPictureRecord &, area::Drawing &) {}},
};

} // namespace scenes
