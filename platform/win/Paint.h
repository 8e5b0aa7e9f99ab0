#pragma once
// Invalid regions, WM_PAINT, window device contexts and window regions. Every window paints into its
// top-level window's surface, clipped to what of it is visible.
#include "platform/gdi/Region.h"
#include "platform/gdi/Surface.h"
#include "platform/win/WinDefs.h"

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN rgn);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN rgn, UINT flags);

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
HDC GetDC(HWND hwnd);
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);

// The system takes the region: the caller must not use or delete it afterwards.
int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw);
int GetWindowRgn(HWND hwnd, HRGN rgn);

namespace platform {
// The pixels of a top-level window (window space), or nullptr before it first paints.
const Surface* GetWindowSurface(HWND hwnd);
// The display lost what it showed of a top-level window (it was uncovered, or shown again): the whole window
// goes with the next frame, which waits, like any other, until the batch of input being handled is painted.
void PresentWholeWindowWithNextFrame(HWND topLevel);
} // namespace platform

namespace platform::detail {
HWND FindWindowToPaint(HWND filter);
// After a WM_PAINT handler that left the frame unpainted, paints it as the platform does.
void FinishUnpaintedFrame(HWND hwnd);
void ReleaseSurface(HWND hwnd);
// Hands the backend what was painted in each top-level window since it was last shown, once per window.
void PresentPaintedWindows();
// The visible part of the window (client area or whole window) in its top-level window's space.
gdi::Region VisibleRegion(HWND hwnd, bool clientOnly, bool clipChildren, bool clipSiblings);
Surface* EnsureSurface(HWND topLevel);
} // namespace platform::detail
