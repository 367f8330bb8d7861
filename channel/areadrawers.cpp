#include "channel/areadrawers.h"

#include "platform/gdi.h"

#include <algorithm>

namespace area {
namespace {

Drawing &drawingOf(void *user) { return *static_cast<Drawing *>(user); }
HDC contextOf(intptr_t dc) { return reinterpret_cast<HDC>(dc); }

bool empty(const Rect &r) { return r.right <= r.left || r.bottom <= r.top; }

// The sunken edge (and, for masks, the fill) of a rectangle in panel coordinates.
void paint(HDC dc, const Rect &r, UINT edge, HBRUSH fill = nullptr)
{
    if (empty(r))
        return;
    RECT rect{r.left, r.top, r.right, r.bottom};
    if (fill)
        FillRect(dc, &rect, fill);
    DrawEdge(dc, &rect, edge, BF_RECT);
}

} // namespace

Rect ordered(const Rect &r)
{
    return Rect{
        std::clamp(std::min(r.left, r.right), 0, PanelWidth), std::clamp(std::min(r.top, r.bottom), 0, PanelHeight),
        std::clamp(std::max(r.left, r.right), 0, PanelWidth), std::clamp(std::max(r.top, r.bottom), 0, PanelHeight)};
}

Rect shown(int x, int y, int width, int height)
{
    return Rect{x / StoredScale, y / StoredScale, x / StoredScale + width / StoredScale,
                y / StoredScale + height / StoredScale};
}

std::int32_t SDK_CALL drawMotionCells(std::int32_t, intptr_t dc, void *user)
{
    Drawing &d = drawingOf(user);
    std::lock_guard lock(d.lock);
    for (int row = 0; row < CellRows; ++row) {
        for (int col = 0; col < CellColumns; ++col) {
            if (d.record->motionArea[row][col] == 1)
                paint(contextOf(dc), Rect{col * CellSize, row * CellSize, (col + 1) * CellSize, (row + 1) * CellSize},
                      BDR_SUNKENOUTER);
        }
    }
    SetBkMode(contextOf(dc), TRANSPARENT);
    return 0;
}

std::int32_t SDK_CALL drawOcclusion(std::int32_t, intptr_t dc, void *user)
{
    Drawing &d = drawingOf(user);
    std::lock_guard lock(d.lock);
    const ChannelPictureRecord &r = *d.record;
    paint(contextOf(dc), shown(r.occlusionX, r.occlusionY, r.occlusionWidth, r.occlusionHeight), EDGE_SUNKEN);
    return 0;
}

std::int32_t SDK_CALL drawMasks(std::int32_t, intptr_t dc, void *user)
{
    Drawing &d = drawingOf(user);
    std::lock_guard lock(d.lock);
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
    for (const MaskRect &m : d.record->maskArea)
        paint(contextOf(dc), shown(m.x, m.y, m.width, m.height), EDGE_SUNKEN, grey);
    DeleteObject(grey);
    return 0;
}

std::int32_t SDK_CALL drawDrawnRectangles(std::int32_t, intptr_t dc, void *user)
{
    Drawing &d = drawingOf(user);
    std::lock_guard lock(d.lock);
    for (int i = 0; i < std::clamp(d.count, 0, MaxRectangles); ++i)
        paint(contextOf(dc), ordered(d.drawn[std::size_t(i)]), BDR_SUNKENOUTER);
    SetBkMode(contextOf(dc), TRANSPARENT);
    return 0;
}

} // namespace area
