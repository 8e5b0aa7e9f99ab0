#pragma once
// The default non-client area: frame and caption sizes, hit testing and painting of borders and bars.
#include "platform/win/WinDefs.h"

namespace platform::detail {

// Shrinks a window rectangle (any space) to its default client rectangle.
void DefaultClientRect(HWND hwnd, RECT* rect);
LRESULT DefaultHitTest(HWND hwnd, POINT screen);
void PaintFrame(HWND hwnd, HDC windowDC);

// Solid fills and one-pixel rings clipped by the DC, for the platform's own frame drawing.
void FillSolid(HDC dc, const RECT& r, COLORREF color);
void FrameRing(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight);

} // namespace platform::detail
