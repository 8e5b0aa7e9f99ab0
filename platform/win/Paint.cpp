#include "platform/win/Paint.h"

#include <algorithm>
#include <map>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Backend.h"
#include "platform/win/Caret.h"
#include "platform/win/Message.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Window.h"
#include "platform/win/WindowManager.h"

using namespace platform::detail;

namespace {

struct WindowDC {
  HWND hwnd = nullptr;
  HWND top = nullptr;
  RECT surfaceBounds{}; // what the DC may have touched, in the top-level window's space
};

std::map<HDC, WindowDC>& DCs() {
  static std::map<HDC, WindowDC> dcs;
  return dcs;
}

Surface& ScreenSurface() {
  static Surface screen(1, 1);
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (screen.Width() != w || screen.Height() != h)
    screen.Resize(std::max(w, 1), std::max(h, 1));
  return screen;
}

// Where the window's top-left corner lies in its top-level window's space.
POINT OriginInTop(HWND hwnd) {
  HWND top = TopLevelOf(hwnd);
  POINT a = WindowOrigin(hwnd);
  POINT b = WindowOrigin(top);
  return POINT{a.x - b.x, a.y - b.y};
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

gdi::Region WindowArea(HWND hwnd, POINT origin) {
  Wnd* w = W(hwnd);
  gdi::Region r(RECT{0, 0, RectWidth(w->rect), RectHeight(w->rect)});
  if (w->hasRegion)
    r.Intersect(w->region);
  r.Offset(origin.x, origin.y);
  return r;
}

bool Painting(HWND hwnd) {
  for (Wnd* w = W(hwnd); w && w->handle != S().desktop; w = W(w->parent))
    if (!w->redraw)
      return false;
  return ReallyVisible(hwnd);
}

bool NeedsPaint(const Wnd* w) {
  return !w->update.Empty() || w->internalPaint || w->ncPaintNeeded;
}

bool HasFrame(const Wnd* w) {
  RECT whole{0, 0, RectWidth(w->rect), RectHeight(w->rect)};
  return !(whole == w->client);
}

// Adds (or takes away) an area given in the window's client space, and passes it on to the children.
void Invalidate(HWND hwnd, const gdi::Region& area, UINT flags) {
  Wnd* w = W(hwnd);
  if (!w)
    return;
  RECT client{0, 0, RectWidth(w->client), RectHeight(w->client)};
  gdi::Region clipped = area;
  clipped.Intersect(client);
  if (flags & RDW_INVALIDATE) {
    w->update.Union(clipped);
    if ((flags & RDW_ERASE) && !clipped.Empty())
      w->eraseNeeded = true;
    if ((flags & RDW_FRAME) && HasFrame(w))
      w->ncPaintNeeded = true;
    if (flags & RDW_INTERNALPAINT)
      w->internalPaint = true;
  } else if (flags & RDW_VALIDATE) {
    w->update.Subtract(clipped);
    if (w->update.Empty() || (flags & RDW_NOERASE))
      w->eraseNeeded = false;
    if (flags & RDW_NOFRAME)
      w->ncPaintNeeded = false;
    if (flags & RDW_NOINTERNALPAINT)
      w->internalPaint = false;
  }
  bool children = (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
  if (!children)
    return;
  std::vector<HWND> kids = w->children;
  for (HWND c : kids) {
    Wnd* cw = W(c);
    if (!cw || !(cw->style & WS_VISIBLE))
      continue;
    gdi::Region childArea = area;
    childArea.Intersect(cw->rect);
    if (childArea.Empty())
      continue;
    childArea.Offset(-cw->rect.left, -cw->rect.top);
    UINT childFlags = flags;
    if ((flags & RDW_INVALIDATE) && HasFrame(cw)) {
      gdi::Region frame(RECT{0, 0, RectWidth(cw->rect), RectHeight(cw->rect)});
      frame.Subtract(gdi::Region(cw->client));
      frame.Intersect(childArea);
      if (!frame.Empty())
        cw->ncPaintNeeded = true;
    }
    childArea.Offset(-cw->client.left, -cw->client.top);
    Invalidate(c, childArea, childFlags);
  }
}

void PaintNow(HWND hwnd, bool allChildren) {
  Wnd* w = W(hwnd);
  if (!w || !Painting(hwnd))
    return;
  if (!w->update.Empty() || w->internalPaint) {
    SendMessageA(hwnd, WM_PAINT, 0, 0);
    FinishUnpaintedFrame(hwnd);
  } else if (w->ncPaintNeeded) {
    FinishUnpaintedFrame(hwnd);
  }
  if (!(w = W(hwnd)) || !allChildren)
    return;
  std::vector<HWND> kids = w->children;
  for (HWND c : kids)
    PaintNow(c, true);
}

HWND FindIn(HWND hwnd, HWND filter) {
  Wnd* w = W(hwnd);
  if (!w || !(w->style & WS_VISIBLE) || !w->redraw)
    return nullptr;
  if (NeedsPaint(w) && (!filter || filter == hwnd || IsChild(filter, hwnd)))
    return hwnd;
  for (HWND c : w->children)
    if (HWND found = FindIn(c, filter))
      return found;
  return nullptr;
}

gdi::Region RegionOf(HRGN rgn) {
  auto* r = gdi::LookupRegion(rgn);
  return r ? r->region : gdi::Region();
}

// What a DC drew is shown when the batch of input being handled is done (PresentPaintedWindows), so that the
// display never shows a window with some of its paints done and others still to come.
void NoteUnpresented(const WindowDC& info) {
  Wnd* top = W(info.top);
  if (!top || !top->backendWindow || IsRectEmpty(&info.surfaceBounds))
    return;
  UnionRect(&top->unpresented, &top->unpresented, &info.surfaceBounds);
}

HDC MakeDC(HWND hwnd, bool clientOnly, bool clipChildren, bool clipSiblings, const gdi::Region* extra,
           bool exclude) {
  auto& s = S();
  if (!hwnd || hwnd == s.desktop) {
    HDC dc = CreateSurfaceDC(&ScreenSurface(), POINT{}, nullptr);
    DCs()[dc] = WindowDC{s.desktop, nullptr, RECT{}};
    return dc;
  }
  Wnd* w = W(hwnd);
  if (!w)
    return nullptr;
  HWND top = TopLevelOf(hwnd);
  Surface* surface = EnsureSurface(top);
  if (!surface)
    return nullptr;
  POINT origin = OriginInTop(hwnd);
  if (clientOnly) {
    origin.x += w->client.left;
    origin.y += w->client.top;
  }
  gdi::Region visible =
      Painting(hwnd) ? VisibleRegion(hwnd, clientOnly, clipChildren, clipSiblings) : gdi::Region();
  if (extra) {
    gdi::Region e = *extra;
    e.Offset(origin.x, origin.y);
    if (exclude)
      visible.Subtract(e);
    else
      visible.Intersect(e);
  }
  HRGN vis = gdi::NewRegion(visible);
  HDC dc = CreateSurfaceDC(surface, origin, vis);
  DeleteObject(vis);
  DCs()[dc] = WindowDC{hwnd, top, visible.Box()};
  return dc;
}

} // namespace

namespace platform {

const Surface* GetWindowSurface(HWND hwnd) {
  Wnd* w = W(hwnd);
  return w ? w->surface.get() : nullptr;
}

void PresentWholeWindowWithNextFrame(HWND topLevel) {
  Wnd* w = W(topLevel);
  if (!w || !IsTopLevel(w))
    return;
  RECT whole{0, 0, RectWidth(w->rect), RectHeight(w->rect)};
  UnionRect(&w->unpresented, &w->unpresented, &whole);
}

namespace detail {

Surface* EnsureSurface(HWND topLevel) {
  Wnd* w = W(topLevel);
  if (!w)
    return nullptr;
  // Pixels beyond this size are never painted: it is far past any screen, and an absurd window size must
  // not turn into an absurd allocation.
  constexpr int maxSide = 4096;
  int width = std::clamp<int>(RectWidth(w->rect), 1, maxSide);
  int height = std::clamp<int>(RectHeight(w->rect), 1, maxSide);
  if (!w->surface) {
    w->surface = std::make_unique<Surface>(width, height);
  } else if (w->surface->Width() != width || w->surface->Height() != height) {
    w->surface->Resize(width, height);
  }
  return w->surface.get();
}

void ReleaseSurface(HWND hwnd) {
  Wnd* w = W(hwnd);
  if (!w || !w->surface)
    return;
  // A DC still open on the window (its handler destroyed it mid-paint) must not keep drawing into freed
  // pixels: it is pointed at a scrap pixel and clipped to nothing until it is released.
  static Surface scrap(1, 1);
  for (auto& [dc, info] : DCs()) {
    auto* ctx = gdi::LookupDC(dc);
    if (ctx && ctx->surface == w->surface.get()) {
      ctx->surface = &scrap;
      ctx->visible = gdi::Region();
      ctx->ClipChanged();
      info.top = nullptr;
    }
  }
  w->surface.reset();
  w->unpresented = RECT{};
}

void PresentPaintedWindows() {
  auto& s = S();
  if (!s.backend)
    return;
  // A backend may pump its own events while it presents; the list is taken first.
  std::vector<HWND> tops = W(s.desktop)->children;
  for (HWND top : tops) {
    Wnd* w = W(top);
    if (!w || IsRectEmpty(&w->unpresented))
      continue;
    RECT dirty = w->unpresented;
    w->unpresented = RECT{};
    if (w->backendWindow)
      s.backend->Present(top, dirty);
  }
}

gdi::Region VisibleRegion(HWND hwnd, bool clientOnly, bool clipChildren, bool clipSiblings) {
  Wnd* w = W(hwnd);
  if (!w)
    return gdi::Region();
  POINT origin = OriginInTop(hwnd);
  gdi::Region vis = WindowArea(hwnd, origin);
  if (clientOnly) {
    RECT client = w->client;
    OffsetRect(&client, origin.x, origin.y);
    vis.Intersect(client);
  }
  if (clipChildren) {
    POINT clientOrigin{origin.x + w->client.left, origin.y + w->client.top};
    for (HWND c : w->children) {
      Wnd* cw = W(c);
      if (!cw || !(cw->style & WS_VISIBLE))
        continue;
      RECT box = vis.Box();
      OffsetRect(&box, -clientOrigin.x, -clientOrigin.y);
      if (Overlap(box, cw->rect))
        vis.Subtract(WindowArea(c, POINT{clientOrigin.x + cw->rect.left, clientOrigin.y + cw->rect.top}));
    }
  }
  // Each ancestor clips to its client area; windows with WS_CLIPSIBLINGS lose what siblings above cover.
  HWND cur = hwnd;
  bool siblings = clipSiblings;
  for (;;) {
    Wnd* cw = W(cur);
    if (!cw || IsTopLevel(cw) || cw->parent == S().messageRoot)
      break;
    HWND parent = cw->parent;
    Wnd* pw = W(parent);
    POINT pOrigin = OriginInTop(parent);
    POINT pClient{pOrigin.x + pw->client.left, pOrigin.y + pw->client.top};
    if (siblings) {
      RECT box = vis.Box();
      OffsetRect(&box, -pClient.x, -pClient.y);
      for (HWND sib : pw->children) {
        if (sib == cur)
          break;
        Wnd* sw = W(sib);
        if (sw && (sw->style & WS_VISIBLE) && Overlap(box, sw->rect))
          vis.Subtract(WindowArea(sib, POINT{pClient.x + sw->rect.left, pClient.y + sw->rect.top}));
      }
    }
    RECT client = pw->client;
    OffsetRect(&client, pOrigin.x, pOrigin.y);
    vis.Intersect(client);
    if (pw->hasRegion)
      vis.Intersect(WindowArea(parent, pOrigin));
    cur = parent;
    siblings = pw->style & WS_CLIPSIBLINGS;
  }
  return vis;
}

HWND FindWindowToPaint(HWND filter) {
  auto& s = S();
  for (HWND top : W(s.desktop)->children)
    if (HWND found = FindIn(top, filter))
      return found;
  return nullptr;
}

void FinishUnpaintedFrame(HWND hwnd) {
  Wnd* w = W(hwnd);
  if (!w)
    return;
  if (w->ncPaintNeeded) {
    w->ncPaintNeeded = false;
    SendMessageA(hwnd, WM_NCPAINT, 1, 0);
  }
  if ((w = W(hwnd)) && w->eraseNeeded) {
    w->eraseNeeded = false;
    HDC dc = GetDCEx(hwnd, nullptr, DCX_CACHE | DCX_INTERSECTUPDATE);
    SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(hwnd, dc);
  }
}

} // namespace detail
} // namespace platform

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN rgn, UINT flags) {
  if (!hwnd)
    return TRUE;
  Wnd* w = W(hwnd);
  if (!w)
    return FALSE;
  if ((flags & (RDW_INVALIDATE | RDW_VALIDATE)) && Painting(hwnd)) {
    gdi::Region area;
    if (rgn)
      area = RegionOf(rgn);
    else if (rect)
      area = gdi::Region(*rect);
    else
      area = gdi::Region(RECT{0, 0, RectWidth(w->client), RectHeight(w->client)});
    if ((flags & RDW_INVALIDATE) && (flags & RDW_FRAME) && HasFrame(w))
      w->ncPaintNeeded = true;
    Invalidate(hwnd, area, flags);
  }
  if (flags & RDW_UPDATENOW)
    PaintNow(hwnd, flags & RDW_ALLCHILDREN);
  else if (flags & RDW_ERASENOW)
    FinishUnpaintedFrame(hwnd);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? UINT(RDW_ERASE) : 0u));
}

BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  if (rgn && !gdi::LookupRegion(rgn))
    return FALSE;
  return RedrawWindow(hwnd, nullptr, rgn, RDW_INVALIDATE | (erase ? UINT(RDW_ERASE) : 0u));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND hwnd, HRGN rgn) {
  if (rgn && !gdi::LookupRegion(rgn))
    return FALSE;
  return RedrawWindow(hwnd, nullptr, rgn, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  Wnd* w = W(hwnd);
  if (!w)
    return FALSE;
  RECT box = w->update.Box();
  if (rect)
    *rect = box;
  bool any = !w->update.Empty();
  if (any && erase)
    FinishUnpaintedFrame(hwnd);
  return any ? TRUE : FALSE;
}

int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  Wnd* w = W(hwnd);
  auto* target = gdi::LookupRegion(rgn);
  if (!w || !target)
    return ERROR;
  target->region = w->update;
  int kind = target->region.Complexity();
  if (erase && kind != NULLREGION)
    FinishUnpaintedFrame(hwnd);
  return kind;
}

BOOL UpdateWindow(HWND hwnd) {
  if (!W(hwnd))
    return FALSE;
  return RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Wnd* w = W(hwnd);
  if (!w || !ps)
    return nullptr;
  SuspendCaret(hwnd);
  if (w->ncPaintNeeded) {
    w->ncPaintNeeded = false;
    SendMessageA(hwnd, WM_NCPAINT, 1, 0);
    if (!(w = W(hwnd)))
      return nullptr;
  }
  gdi::Region update = w->update;
  w->update.Clear();
  w->internalPaint = false;
  bool erase = w->eraseNeeded;
  w->eraseNeeded = false;
  HDC dc = MakeDC(hwnd, true, w->style & WS_CLIPCHILDREN, w->style & WS_CLIPSIBLINGS, &update, false);
  *ps = PAINTSTRUCT{};
  ps->hdc = dc;
  ps->rcPaint = update.Box();
  ps->fErase = FALSE;
  if (erase && dc)
    ps->fErase = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps)
    return FALSE;
  ReleaseDC(hwnd, ps->hdc);
  ResumeCaret(hwnd);
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  Wnd* w = W(hwnd);
  if (hwnd && !w)
    return nullptr;
  if (!hwnd)
    return MakeDC(nullptr, true, false, false, nullptr, false);
  return MakeDC(hwnd, true, w->style & WS_CLIPCHILDREN, w->style & WS_CLIPSIBLINGS, nullptr, false);
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  Wnd* w = W(hwnd);
  if (hwnd && !w)
    return nullptr;
  if (!hwnd)
    return MakeDC(nullptr, true, false, false, nullptr, false);
  bool clipChildren = (flags & DCX_CLIPCHILDREN) || (w->style & WS_CLIPCHILDREN);
  bool clipSiblings = (flags & DCX_CLIPSIBLINGS) || (w->style & WS_CLIPSIBLINGS);
  gdi::Region extra;
  const gdi::Region* extraPtr = nullptr;
  bool exclude = false;
  if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    extra = RegionOf(clip);
    extraPtr = &extra;
    exclude = flags & DCX_EXCLUDERGN;
  } else if (flags & DCX_INTERSECTUPDATE) {
    extra = w->update;
    extraPtr = &extra;
  }
  // A region given with DCX_INTERSECTRGN/EXCLUDERGN belongs to the system afterwards.
  if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)))
    DeleteObject(clip);
  HDC dc = MakeDC(hwnd, !(flags & DCX_WINDOW), clipChildren, clipSiblings, extraPtr, exclude);
  if (flags & DCX_VALIDATE)
    ValidateRect(hwnd, nullptr);
  return dc;
}

HDC GetWindowDC(HWND hwnd) {
  Wnd* w = W(hwnd);
  if (hwnd && !w)
    return nullptr;
  if (!hwnd)
    return MakeDC(nullptr, false, false, false, nullptr, false);
  return MakeDC(hwnd, false, false, w->style & WS_CLIPSIBLINGS, nullptr, false);
}

int ReleaseDC(HWND, HDC dc) {
  auto& dcs = DCs();
  auto it = dcs.find(dc);
  if (it == dcs.end())
    return 0;
  WindowDC info = it->second;
  dcs.erase(it);
  DeleteDC(dc);
  NoteUnpresented(info);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  auto it = DCs().find(dc);
  return it == DCs().end() ? nullptr : it->second.hwnd;
}

int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw) {
  Wnd* w = W(hwnd);
  if (!w)
    return 0;
  auto* r = rgn ? gdi::LookupRegion(rgn) : nullptr;
  if (rgn && !r)
    return 0;
  RECT old = w->rect;
  bool hadRegion = w->hasRegion;
  gdi::Region before = w->region;
  w->hasRegion = r != nullptr;
  w->region = r ? r->region : gdi::Region();
  if (rgn)
    DeleteObject(rgn);
  if (hadRegion == w->hasRegion && (!hadRegion || before == w->region))
    return 1;
  UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
  if (!redraw)
    flags |= SWP_NOREDRAW;
  if (redraw && (w->style & WS_VISIBLE) && !IsTopLevel(w))
    RedrawWindow(w->parent, &old, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags);
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN rgn) {
  Wnd* w = W(hwnd);
  auto* target = gdi::LookupRegion(rgn);
  if (!w || !target || !w->hasRegion)
    return ERROR;
  target->region = w->region;
  return target->region.Complexity();
}
