#include "platform/gdi.h"

#ifndef _WIN32
#include <QColor>
#include <QPainter>

struct GdiBrush {
    QColor color;
};

namespace {

QColor toColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// One border ring: the top and left sides in `topLeft`, the bottom and right sides in
// `bottomRight`, which own the corners they meet at.
void drawRing(QPainter &p, const RECT &r, UINT flags, const QColor &topLeft, const QColor &bottomRight)
{
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (flags & BF_TOP)
        p.fillRect(r.left, r.top, w - 1, 1, topLeft);
    if (flags & BF_LEFT)
        p.fillRect(r.left, r.top, 1, h - 1, topLeft);
    if (flags & BF_BOTTOM)
        p.fillRect(r.left, r.bottom - 1, w, 1, bottomRight);
    if (flags & BF_RIGHT)
        p.fillRect(r.right - 1, r.top, 1, h, bottomRight);
}

} // namespace

BOOL DrawEdge(HDC dc, RECT *rect, UINT edge, UINT flags)
{
    if (!dc || !rect || !dc->isActive())
        return 0;
    RECT r = *rect;
    // Outer ring first, then the inner one a pixel further in.
    const struct {
        UINT raised, sunken;
        COLORREF raisedTopLeft, raisedBottomRight, sunkenTopLeft, sunkenBottomRight;
    } rings[] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, EdgeLight, EdgeDarkShadow, EdgeShadow, EdgeHighlight},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, EdgeHighlight, EdgeShadow, EdgeDarkShadow, EdgeLight},
    };
    for (const auto &ring : rings) {
        if (r.right - r.left <= 0 || r.bottom - r.top <= 0)
            break;
        if (edge & ring.sunken)
            drawRing(*dc, r, flags, toColor(ring.sunkenTopLeft), toColor(ring.sunkenBottomRight));
        else if (edge & ring.raised)
            drawRing(*dc, r, flags, toColor(ring.raisedTopLeft), toColor(ring.raisedBottomRight));
        else
            continue;
        if (flags & BF_LEFT)
            ++r.left;
        if (flags & BF_TOP)
            ++r.top;
        if (flags & BF_RIGHT)
            --r.right;
        if (flags & BF_BOTTOM)
            --r.bottom;
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
