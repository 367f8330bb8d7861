#pragma once
// The few graphics calls the preview drawers use. On Windows they are gdi32's own; elsewhere a
// small layer over QPainter, where a device context is the painter that the SDK hands to its draw
// callback (active on the frame, in panel coordinates).
#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

class QPainter;

using HDC = QPainter *;
using BOOL = int;
using UINT = unsigned int;
using LONG = std::int32_t;
using COLORREF = std::uint32_t;

struct RECT {
    LONG left, top, right, bottom;
};

struct GdiBrush;
using HBRUSH = GdiBrush *;
using HGDIOBJ = void *;

constexpr COLORREF RGB(int r, int g, int b)
{
    return COLORREF(r & 0xff) | (COLORREF(g & 0xff) << 8) | (COLORREF(b & 0xff) << 16);
}
constexpr int GetRValue(COLORREF c) { return int(c & 0xff); }
constexpr int GetGValue(COLORREF c) { return int((c >> 8) & 0xff); }
constexpr int GetBValue(COLORREF c) { return int((c >> 16) & 0xff); }

// Edges: an outer and an inner border, each raised or sunken.
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;

// Sides of the rectangle that get the edge.
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// The system colours DrawEdge uses (GetSysColor of COLOR_3DSHADOW, COLOR_3DHILIGHT,
// COLOR_3DDKSHADOW and COLOR_3DLIGHT under Wine's default theme), so a drawing looks as it does
// through gdi32.
constexpr COLORREF EdgeShadow = RGB(166, 166, 166);
constexpr COLORREF EdgeHighlight = RGB(255, 255, 255);
constexpr COLORREF EdgeDarkShadow = RGB(106, 106, 106);
constexpr COLORREF EdgeLight = RGB(227, 227, 227);

// Draws the edge of `rect` (right and bottom exclusive) pixel for pixel as gdi32 does, also for a
// rectangle of one or two pixels and an empty one, whose inner ring still marks a corner.
BOOL DrawEdge(HDC dc, RECT *rect, UINT edge, UINT flags);
// Fills `rect` (right and bottom exclusive) with the brush's colour.
int FillRect(HDC dc, const RECT *rect, HBRUSH brush);
HBRUSH CreateSolidBrush(COLORREF color);
// Frees a brush made by CreateSolidBrush.
BOOL DeleteObject(HGDIOBJ object);
// TRANSPARENT or OPAQUE; returns the previous mode, 0 on failure.
int SetBkMode(HDC dc, int mode);
#endif
