#pragma once
// Three-dimensional edges and the focus rectangle, in the classic system colours.
#include "platform/gdi/GdiDefs.h"

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);
// XOR frame one pixel wide, every other pixel by the brush-origin checkerboard: a second identical call
// restores the pixels.
BOOL DrawFocusRect(HDC dc, const RECT* rect);

namespace gdi {
// Fills a logical rectangle with one colour, ignoring the DC's brush; used by the layer's own painters.
void FillSolid(HDC dc, const RECT& rect, COLORREF color);
} // namespace gdi
