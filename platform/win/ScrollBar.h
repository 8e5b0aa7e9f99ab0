#pragma once
// The standard scroll bars of a window (WS_HSCROLL, WS_VSCROLL): their state, geometry and default tracking.
#include "platform/win/WinDefs.h"

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);
BOOL GetScrollBarInfo(HWND hwnd, LONG idObject, SCROLLBARINFO* info);

namespace platform::detail {

// The parts of a standard bar in window space; empty rectangles for parts it lacks.
struct ScrollBarLayout {
  RECT bar{};
  RECT firstArrow{};
  RECT secondArrow{};
  RECT thumb{};
  RECT firstPage{};
  RECT secondPage{};
  bool hasThumb = false;
};
bool LayoutScrollBar(HWND hwnd, int bar, ScrollBarLayout* layout);
// The default answer to a press on a standard bar: a modal loop sending WM_HSCROLL or WM_VSCROLL.
void TrackScrollBar(HWND hwnd, int bar, POINT screenPoint);

} // namespace platform::detail
