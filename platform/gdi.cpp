#include "platform/gdi.h"

#ifndef _WIN32
#include <QColor>
#include <QPainter>

#include <utility>

struct GdiBrush {
    QColor color;
};

namespace {

QColor toColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// A one-pixel line from (x0, y0) towards (x1, y1), horizontal or vertical, without its end point,
// as gdi32's LineTo draws it; a line of no length draws nothing.
void line(QPainter &p, int x0, int y0, int x1, int y1, const QColor &color)
{
    if (y0 == y1 && x0 != x1)
        p.fillRect(x0 < x1 ? x0 : x1 + 1, y0, x0 < x1 ? x1 - x0 : x0 - x1, 1, color);
    else if (x0 == x1 && y0 != y1)
        p.fillRect(x0, y0 < y1 ? y0 : y1 + 1, 1, y0 < y1 ? y1 - y0 : y0 - y1, color);
}

} // namespace

BOOL DrawEdge(HDC dc, RECT *rect, UINT edge, UINT flags)
{
    if (!dc || !rect || !dc->isActive())
        return 0;
    // gdi32's drawing: the outer ring's lines along the rectangle's sides, the inner ring's one
    // pixel further in, each ring's top and left before its bottom and right, which so own the
    // corners. A ring of its own is drawn where the outer one goes, in its own colours. The inner
    // ring's lines stop short of a corner whose two sides both have the edge. Small rectangles are
    // drawn the same way, so a narrow ring's lines cross as they do on Windows.
    const UINT outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
    const UINT inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
    struct Ring {
        bool present;
        QColor topLeft, bottomRight;
    };
    Ring rings[2] = {
        (outer & BDR_SUNKENOUTER) ? Ring{true, toColor(EdgeShadow), toColor(EdgeHighlight)}
                                  : Ring{outer != 0, toColor(EdgeLight), toColor(EdgeDarkShadow)},
        (inner & BDR_SUNKENINNER) ? Ring{true, toColor(EdgeDarkShadow), toColor(EdgeLight)}
                                  : Ring{inner != 0, toColor(EdgeHighlight), toColor(EdgeShadow)},
    };
    if (!rings[0].present)
        std::swap(rings[0], rings[1]);
    const RECT r = *rect;
    const bool left = flags & BF_LEFT, top = flags & BF_TOP, right = flags & BF_RIGHT, bottom = flags & BF_BOTTOM;
    if (rings[0].present) {
        const Ring &ring = rings[0];
        if (top)
            line(*dc, r.left, r.top, r.right, r.top, ring.topLeft);
        if (left)
            line(*dc, r.left, r.top, r.left, r.bottom, ring.topLeft);
        if (bottom)
            line(*dc, r.left, r.bottom - 1, r.right, r.bottom - 1, ring.bottomRight);
        if (right)
            line(*dc, r.right - 1, r.top, r.right - 1, r.bottom, ring.bottomRight);
    }
    if (rings[1].present) {
        const Ring &ring = rings[1];
        const int lt = top && left, rt = top && right, lb = bottom && left, rb = bottom && right;
        if (top)
            line(*dc, r.left + lt, r.top + 1, r.right - rt, r.top + 1, ring.topLeft);
        if (left)
            line(*dc, r.left + 1, r.top + lt, r.left + 1, r.bottom - lb, ring.topLeft);
        if (bottom)
            line(*dc, r.left + lb, r.bottom - 2, r.right - rb, r.bottom - 2, ring.bottomRight);
        if (right)
            line(*dc, r.right - 2, r.top + rt, r.right - 2, r.bottom - rb, ring.bottomRight);
    }
    return 1;
}

int FillRect(HDC dc, const RECT *rect, HBRUSH brush)
{
    if (!dc || !rect || !brush || !dc->isActive())
        return 0;
    if (rect->right > rect->left && rect->bottom > rect->top)
        dc->fillRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, brush->color);
    return 1;
}

HBRUSH CreateSolidBrush(COLORREF color) { return new GdiBrush{toColor(color)}; }

BOOL DeleteObject(HGDIOBJ object)
{
    if (!object)
        return 0;
    delete static_cast<GdiBrush *>(object);
    return 1;
}

int SetBkMode(HDC dc, int mode)
{
    if (!dc || !dc->isActive() || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    const int previous = dc->backgroundMode() == Qt::TransparentMode ? TRANSPARENT : OPAQUE;
    dc->setBackgroundMode(mode == TRANSPARENT ? Qt::TransparentMode : Qt::OpaqueMode);
    return previous;
}
#endif
