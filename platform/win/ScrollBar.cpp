#include "platform/win/ScrollBar.h"

#include <algorithm>

#include "platform/rtl/Geometry.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Window.h"
#include "platform/win/WindowManager.h"

using namespace platform::detail;

namespace {

// The platform's bar waits this long before repeating a held arrow or page, then repeats at the second pace.
constexpr UINT firstRepeatDelay = 200;
constexpr UINT repeatDelay = 50;
constexpr int minThumb = 8;
constexpr UINT_PTR trackTimerId = 0xFFFA;

DWORD StyleBit(int bar) {
  return bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL;
}

ScrollBarState* Bar(HWND hwnd, int bar) {
  Wnd* w = W(hwnd);
  if (!w || (bar != SB_HORZ && bar != SB_VERT))
    return nullptr;
  return &w->bars[size_t(bar)];
}

int MaxPos(const ScrollBarState& s) {
  return s.max - std::max<int>(int(s.page) - 1, 0);
}

bool RangeEmpty(const ScrollBarState& s) {
  return s.min >= s.max || int(s.page) > s.max - s.min;
}

void RefreshFrame(HWND hwnd, bool styleChanged, bool redraw) {
  if (styleChanged)
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  else if (redraw)
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
}

bool SetShown(HWND hwnd, int bar, bool show) {
  Wnd* w = W(hwnd);
  DWORD bit = StyleBit(bar);
  DWORD before = w->style;
  if (show)
    w->style |= bit;
  else
    w->style &= ~bit;
  return before != w->style;
}

int PartAt(const ScrollBarLayout& l, POINT windowPt) {
  if (PtInRect(&l.firstArrow, windowPt))
    return SB_LINEUP;
  if (PtInRect(&l.secondArrow, windowPt))
    return SB_LINEDOWN;
  if (l.hasThumb && PtInRect(&l.thumb, windowPt))
    return SB_THUMBTRACK;
  if (PtInRect(&l.firstPage, windowPt))
    return SB_PAGEUP;
  if (PtInRect(&l.secondPage, windowPt))
    return SB_PAGEDOWN;
  return -1;
}

RECT PartRect(const ScrollBarLayout& l, int part) {
  switch (part) {
  case SB_LINEUP:
    return l.firstArrow;
  case SB_LINEDOWN:
    return l.secondArrow;
  case SB_PAGEUP:
    return l.firstPage;
  case SB_PAGEDOWN:
    return l.secondPage;
  default:
    return l.thumb;
  }
}

POINT ToWindow(HWND hwnd, POINT screen) {
  RECT r = ScreenWindowRect(hwnd);
  return POINT{screen.x - r.left, screen.y - r.top};
}

} // namespace

namespace platform::detail {

bool LayoutScrollBar(HWND hwnd, int bar, ScrollBarLayout* layout) {
  Wnd* w = W(hwnd);
  if (!w || !layout || (bar != SB_HORZ && bar != SB_VERT) || !(w->style & StyleBit(bar)))
    return false;
  *layout = ScrollBarLayout{};
  const RECT& c = w->client;
  bool vertical = bar == SB_VERT;
  int size = vertical ? GetSystemMetrics(SM_CXVSCROLL) : GetSystemMetrics(SM_CYHSCROLL);
  RECT r = vertical ? RECT{c.right, c.top, c.right + size, c.bottom}
                    : RECT{c.left, c.bottom, c.right, c.bottom + size};
  layout->bar = r;
  int length = vertical ? RectHeight(r) : RectWidth(r);
  int arrow =
      std::min(vertical ? GetSystemMetrics(SM_CYVSCROLL) : GetSystemMetrics(SM_CXHSCROLL), length / 2);
  auto span = [&](int from, int to) {
    return vertical ? RECT{r.left, r.top + from, r.right, r.top + to}
                    : RECT{r.left + from, r.top, r.left + to, r.bottom};
  };
  layout->firstArrow = span(0, arrow);
  layout->secondArrow = span(length - arrow, length);
  const ScrollBarState& s = w->bars[size_t(bar)];
  int track = length - 2 * arrow;
  bool disabled = (s.disabled == ESB_DISABLE_BOTH) || (w->style & WS_DISABLED) || RangeEmpty(s);
  int thumb = s.page ? std::max(MulDiv(track, int(s.page), s.max - s.min + 1), minThumb)
                     : (vertical ? GetSystemMetrics(SM_CYVTHUMB) : GetSystemMetrics(SM_CXHTHUMB));
  if (disabled || track - thumb < 0) {
    layout->firstPage = span(arrow, length - arrow);
    return true;
  }
  int top = MaxPos(s);
  int offset =
      top <= s.min ? 0 : MulDiv(track - thumb, (s.tracking ? s.trackPos : s.pos) - s.min, top - s.min);
  offset = std::clamp(offset, 0, track - thumb);
  layout->hasThumb = true;
  layout->thumb = span(arrow + offset, arrow + offset + thumb);
  layout->firstPage = span(arrow, arrow + offset);
  layout->secondPage = span(arrow + offset + thumb, length - arrow);
  return true;
}

void TrackScrollBar(HWND hwnd, int bar, POINT screenPoint) {
  ScrollBarLayout layout;
  if (!LayoutScrollBar(hwnd, bar, &layout))
    return;
  ScrollBarState* st = Bar(hwnd, bar);
  if (st->disabled == ESB_DISABLE_BOTH || RangeEmpty(*st))
    return;
  int part = PartAt(layout, ToWindow(hwnd, screenPoint));
  if (part < 0)
    return;
  if ((part == SB_LINEUP && (st->disabled & ESB_DISABLE_LTUP)) ||
      (part == SB_LINEDOWN && (st->disabled & ESB_DISABLE_RTDN)))
    return;
  UINT scrollMsg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  bool vertical = bar == SB_VERT;
  SetCapture(hwnd);
  POINT start = ToWindow(hwnd, screenPoint);
  int thumbStart = vertical ? layout.thumb.top : layout.thumb.left;
  if (part == SB_THUMBTRACK) {
    st->tracking = true;
    st->trackPos = st->pos;
  } else {
    SendMessageA(hwnd, scrollMsg, WPARAM(part), 0);
    SetTimer(hwnd, trackTimerId, firstRepeatDelay, nullptr);
  }
  POINT mouse = start;
  MSG msg;
  while (GetCapture() == hwnd) {
    if (!GetMessageA(&msg, nullptr, 0, 0)) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    if (msg.hwnd == hwnd && msg.message == WM_LBUTTONUP)
      break;
    if (msg.hwnd == hwnd && msg.message == WM_MOUSEMOVE) {
      POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      ClientToScreen(hwnd, &p);
      mouse = ToWindow(hwnd, p);
      if (part == SB_THUMBTRACK && (st = Bar(hwnd, bar))) {
        ScrollBarLayout now;
        LayoutScrollBar(hwnd, bar, &now);
        int track = vertical ? RectHeight(now.bar) - 2 * RectHeight(now.firstArrow)
                             : RectWidth(now.bar) - 2 * RectWidth(now.firstArrow);
        int thumb = vertical ? RectHeight(now.thumb) : RectWidth(now.thumb);
        int delta = vertical ? mouse.y - start.y : mouse.x - start.x;
        int arrow = vertical ? RectHeight(now.firstArrow) : RectWidth(now.firstArrow);
        int offset = std::clamp(thumbStart + delta - arrow, 0, std::max(track - thumb, 0));
        int range = MaxPos(*st) - st->min;
        int pos = track - thumb > 0 ? st->min + MulDiv(offset, range, track - thumb) : st->min;
        if (pos != st->trackPos) {
          st->trackPos = pos;
          RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
          SendMessageA(hwnd, scrollMsg, MAKEWPARAM(SB_THUMBTRACK, pos), 0);
        }
      }
      continue;
    }
    if (msg.hwnd == hwnd && msg.message == WM_TIMER && msg.wParam == trackTimerId) {
      SetTimer(hwnd, trackTimerId, repeatDelay, nullptr);
      ScrollBarLayout now;
      if (LayoutScrollBar(hwnd, bar, &now)) {
        const RECT partRect = PartRect(now, part);
        if (PtInRect(&partRect, mouse))
          SendMessageA(hwnd, scrollMsg, WPARAM(part), 0);
      }
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (!W(hwnd))
    return;
  KillTimer(hwnd, trackTimerId);
  if (part == SB_THUMBTRACK && (st = Bar(hwnd, bar))) {
    st->tracking = false;
    SendMessageA(hwnd, scrollMsg, MAKEWPARAM(SB_THUMBPOSITION, st->trackPos), 0);
  }
  if (W(hwnd))
    SendMessageA(hwnd, scrollMsg, SB_ENDSCROLL, 0);
  if (GetCapture() == hwnd)
    ReleaseCapture();
}

} // namespace platform::detail

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  ScrollBarState* s = Bar(hwnd, bar);
  if (!s || !info)
    return 0;
  if (info->fMask & SIF_RANGE) {
    s->min = info->nMin;
    s->max = std::max(info->nMax, info->nMin);
  }
  if (info->fMask & SIF_PAGE)
    s->page = info->nPage;
  s->page = UINT(std::clamp<long long>(s->page, 0, (long long)(s->max) - s->min + 1));
  if (info->fMask & SIF_POS)
    s->pos = info->nPos;
  s->pos = std::clamp(s->pos, s->min, std::max(MaxPos(*s), s->min));
  bool styleChanged = false;
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
    if (RangeEmpty(*s)) {
      if (info->fMask & SIF_DISABLENOSCROLL)
        s->disabled = ESB_DISABLE_BOTH;
      else
        styleChanged = SetShown(hwnd, bar, false);
    } else {
      if (s->disabled == ESB_DISABLE_BOTH && (info->fMask & SIF_DISABLENOSCROLL))
        s->disabled = ESB_ENABLE_BOTH;
      styleChanged = SetShown(hwnd, bar, true);
    }
  }
  RefreshFrame(hwnd, styleChanged, redraw);
  s = Bar(hwnd, bar);
  return s ? s->pos : 0;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  ScrollBarState* s = Bar(hwnd, bar);
  if (!s || !info)
    return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = s->min;
    info->nMax = s->max;
  }
  if (info->fMask & SIF_PAGE)
    info->nPage = s->page;
  if (info->fMask & SIF_POS)
    info->nPos = s->pos;
  if (info->fMask & SIF_TRACKPOS)
    info->nTrackPos = s->tracking ? s->trackPos : s->pos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  ScrollBarState* s = Bar(hwnd, bar);
  if (!s)
    return 0;
  int old = s->pos;
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  ScrollBarState* s = Bar(hwnd, bar);
  return s ? s->pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  if (!Bar(hwnd, bar))
    return FALSE;
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = minPos;
  si.nMax = maxPos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  ScrollBarState* s = Bar(hwnd, bar);
  if (!s)
    return FALSE;
  if (minPos)
    *minPos = s->min;
  if (maxPos)
    *maxPos = s->max;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!W(hwnd) || (bar != SB_HORZ && bar != SB_VERT && bar != SB_BOTH))
    return FALSE;
  bool changed = false;
  if (bar == SB_HORZ || bar == SB_BOTH)
    changed |= SetShown(hwnd, SB_HORZ, show);
  if (bar == SB_VERT || bar == SB_BOTH)
    changed |= SetShown(hwnd, SB_VERT, show);
  RefreshFrame(hwnd, changed, false);
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  if (!W(hwnd) || (bar != SB_HORZ && bar != SB_VERT && bar != SB_BOTH))
    return FALSE;
  bool changed = false;
  for (int b : {SB_HORZ, SB_VERT}) {
    if (bar != UINT(b) && bar != SB_BOTH)
      continue;
    ScrollBarState* s = Bar(hwnd, b);
    changed |= s->disabled != (arrows & ESB_DISABLE_BOTH);
    s->disabled = arrows & ESB_DISABLE_BOTH;
  }
  if (changed)
    RefreshFrame(hwnd, false, true);
  return changed ? TRUE : FALSE;
}

BOOL GetScrollBarInfo(HWND hwnd, LONG idObject, SCROLLBARINFO* info) {
  Wnd* w = W(hwnd);
  if (!w || !info || info->cbSize != sizeof(SCROLLBARINFO) ||
      (idObject != OBJID_HSCROLL && idObject != OBJID_VSCROLL))
    return FALSE;
  int bar = idObject == OBJID_VSCROLL ? SB_VERT : SB_HORZ;
  bool vertical = bar == SB_VERT;
  const ScrollBarState& s = w->bars[size_t(bar)];
  ScrollBarLayout l;
  bool shown = LayoutScrollBar(hwnd, bar, &l);
  DWORD cb = info->cbSize;
  *info = SCROLLBARINFO{};
  info->cbSize = cb;
  RECT win = ScreenWindowRect(hwnd);
  if (!shown) {
    // A hidden bar still reports where it would be, as the platform does.
    int size = vertical ? GetSystemMetrics(SM_CXVSCROLL) : GetSystemMetrics(SM_CYHSCROLL);
    RECT c = w->client;
    l.bar = vertical ? RECT{c.right, c.top, c.right + size, c.bottom}
                     : RECT{c.left, c.bottom, c.right, c.bottom + size};
  }
  info->rcScrollBar =
      RECT{win.left + l.bar.left, win.top + l.bar.top, win.left + l.bar.right, win.top + l.bar.bottom};
  info->dxyLineButton = vertical ? RectHeight(l.firstArrow) : RectWidth(l.firstArrow);
  if (l.hasThumb) {
    info->xyThumbTop = vertical ? l.thumb.top - l.bar.top : l.thumb.left - l.bar.left;
    info->xyThumbBottom = vertical ? l.thumb.bottom - l.bar.top : l.thumb.right - l.bar.left;
  }
  DWORD state = 0;
  if (!shown)
    state |= STATE_SYSTEM_INVISIBLE;
  if (s.disabled == ESB_DISABLE_BOTH || (w->style & WS_DISABLED))
    state |= STATE_SYSTEM_UNAVAILABLE;
  RECT whole{0, 0, RectWidth(w->rect), RectHeight(w->rect)};
  if (shown && (l.bar.left < whole.left || l.bar.top < whole.top || l.bar.right > whole.right ||
                l.bar.bottom > whole.bottom))
    state |= STATE_SYSTEM_OFFSCREEN;
  info->rgstate[0] = state;
  info->rgstate[1] = (s.disabled & ESB_DISABLE_LTUP) ? DWORD(STATE_SYSTEM_UNAVAILABLE) : 0u;
  info->rgstate[3] = l.hasThumb ? 0u : DWORD(STATE_SYSTEM_INVISIBLE);
  info->rgstate[5] = (s.disabled & ESB_DISABLE_RTDN) ? DWORD(STATE_SYSTEM_UNAVAILABLE) : 0u;
  return TRUE;
}
