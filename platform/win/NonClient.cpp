#include "platform/win/NonClient_p.h"

#include <algorithm>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Edge.h"
#include "platform/gdi/Fill.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/FrameControl.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/rtl/Colors.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Window.h"
#include "platform/win/WindowManager.h"

namespace platform::detail {
namespace {

int FrameThickness(DWORD style, DWORD exStyle) {
  if (style & WS_THICKFRAME)
    return GetSystemMetrics(SM_CXFRAME);
  if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    return GetSystemMetrics(SM_CXDLGFRAME);
  if (style & WS_BORDER)
    return GetSystemMetrics(SM_CXBORDER);
  return 0;
}

void PaintCaptionText(HWND hwnd, HDC dc, RECT r, bool active) {
  Wnd* w = W(hwnd);
  if (w->text.empty())
    return;
  NONCLIENTMETRICSA ncm;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  HFONT font =
      CreateFontIndirectA((w->exStyle & WS_EX_TOOLWINDOW) ? &ncm.lfSmCaptionFont : &ncm.lfCaptionFont);
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  DrawTextA(dc, w->text.c_str(), int(w->text.size()), &r,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteObject(font);
}

void PaintBar(HWND hwnd, HDC dc, int bar) {
  ScrollBarLayout l;
  // A bar the window's region or the update area hides entirely draws nothing; skip its drawing.
  if (!LayoutScrollBar(hwnd, bar, &l) || !RectVisible(dc, &l.bar))
    return;
  const ScrollBarState& st = W(hwnd)->bars[size_t(bar)];
  bool vertical = bar == SB_VERT;
  FillRect(dc, &l.bar, reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_SCROLLBAR + 1)));
  UINT inactive = (W(hwnd)->style & WS_DISABLED) ? DFCS_INACTIVE : 0;
  RECT first = l.firstArrow, second = l.secondArrow;
  DrawFrameControl(dc, &first, DFC_SCROLL,
                   (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive |
                       ((st.disabled & ESB_DISABLE_LTUP) ? DFCS_INACTIVE : 0));
  DrawFrameControl(dc, &second, DFC_SCROLL,
                   (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive |
                       ((st.disabled & ESB_DISABLE_RTDN) ? DFCS_INACTIVE : 0));
  if (l.hasThumb) {
    RECT thumb = l.thumb;
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
}

} // namespace

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  auto* ctx = gdi::LookupDC(dc);
  if (!ctx || r.right <= r.left || r.bottom <= r.top)
    return;
  gdi::Region area = ctx->Clip();
  area.Intersect(ctx->ToSurface(r));
  std::uint32_t pixel = ctx->DevicePixel(color);
  area.ForEachRect([&](const RECT& box) {
    for (int y = box.top; y < box.bottom; ++y)
      std::fill(ctx->surface->Row(y) + box.left, ctx->surface->Row(y) + box.right, pixel);
  });
}

void FrameRing(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  if (r.right <= r.left || r.bottom <= r.top)
    return;
  FillSolid(dc, RECT{r.left, r.top, r.right, r.top + 1}, topLeft);
  FillSolid(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, topLeft);
  FillSolid(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  FillSolid(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

void DefaultClientRect(HWND hwnd, RECT* rect) {
  Wnd* w = W(hwnd);
  if (!w || !rect)
    return;
  RECT in = FrameInsets(w->style, w->exStyle);
  rect->left += in.left;
  rect->top += in.top;
  rect->right -= in.right;
  rect->bottom -= in.bottom;
  if (w->style & WS_VSCROLL)
    rect->right -= GetSystemMetrics(SM_CXVSCROLL);
  if (w->style & WS_HSCROLL)
    rect->bottom -= GetSystemMetrics(SM_CYHSCROLL);
  rect->right = std::max(rect->right, rect->left);
  rect->bottom = std::max(rect->bottom, rect->top);
}

LRESULT DefaultHitTest(HWND hwnd, POINT screen) {
  Wnd* w = W(hwnd);
  if (!w)
    return HTNOWHERE;
  RECT win = ScreenWindowRect(hwnd);
  if (!PtInRect(&win, screen))
    return HTNOWHERE;
  POINT p{screen.x - win.left, screen.y - win.top};
  if (PtInRect(&w->client, p))
    return HTCLIENT;
  ScrollBarLayout l;
  if (LayoutScrollBar(hwnd, SB_VERT, &l) && PtInRect(&l.bar, p))
    return HTVSCROLL;
  if (LayoutScrollBar(hwnd, SB_HORZ, &l) && PtInRect(&l.bar, p))
    return HTHSCROLL;
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL) && p.x >= w->client.right &&
      p.y >= w->client.bottom && p.x < w->client.right + GetSystemMetrics(SM_CXVSCROLL) &&
      p.y < w->client.bottom + GetSystemMetrics(SM_CYHSCROLL))
    return (w->style & WS_THICKFRAME) ? HTBOTTOMRIGHT : HTBORDER;
  int frame = FrameThickness(w->style, w->exStyle);
  int width = RectWidth(win), height = RectHeight(win);
  if ((w->style & WS_THICKFRAME) && frame > 0) {
    // Corners reach along the edges as far as a caption button is wide, as on the platform.
    int corner = GetSystemMetrics(SM_CXSIZE) + frame;
    bool left = p.x < frame, right = p.x >= width - frame, top = p.y < frame, bottom = p.y >= height - frame;
    bool nearLeft = p.x < corner, nearRight = p.x >= width - corner;
    bool nearTop = p.y < corner, nearBottom = p.y >= height - corner;
    if ((top && nearLeft) || (left && nearTop))
      return HTTOPLEFT;
    if ((top && nearRight) || (right && nearTop))
      return HTTOPRIGHT;
    if ((bottom && nearLeft) || (left && nearBottom))
      return HTBOTTOMLEFT;
    if ((bottom && nearRight) || (right && nearBottom))
      return HTBOTTOMRIGHT;
    if (left)
      return HTLEFT;
    if (right)
      return HTRIGHT;
    if (top)
      return HTTOP;
    if (bottom)
      return HTBOTTOM;
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    RECT in = FrameInsets(w->style, w->exStyle);
    if (p.y >= frame && p.y < in.top && p.x >= frame && p.x < width - frame)
      return HTCAPTION;
  }
  return HTBORDER;
}

void PaintFrame(HWND hwnd, HDC dc) {
  Wnd* w = W(hwnd);
  if (!w)
    return;
  RECT r{0, 0, RectWidth(w->rect), RectHeight(w->rect)};
  int frame = FrameThickness(w->style, w->exStyle);
  if ((w->style & (WS_THICKFRAME | WS_DLGFRAME)) || (w->exStyle & WS_EX_DLGMODALFRAME)) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    for (int i = 2; i < frame; ++i) {
      FrameRing(dc, r, GetSysColor(COLOR_ACTIVEBORDER), GetSysColor(COLOR_ACTIVEBORDER));
      InflateRect(&r, -1, -1);
    }
  } else if (w->style & WS_BORDER) {
    FrameRing(dc, r, GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    RECT in = FrameInsets(w->style, w->exStyle);
    int captionBottom = in.top - ((w->exStyle & WS_EX_CLIENTEDGE) ? GetSystemMetrics(SM_CXEDGE) : 0);
    bool active = S().active == TopLevelOf(hwnd);
    FillSolid(dc, RECT{r.left, r.top, r.right, captionBottom - 1},
              GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    FillSolid(dc, RECT{r.left, captionBottom - 1, r.right, captionBottom}, GetSysColor(COLOR_3DFACE));
    PaintCaptionText(hwnd, dc, RECT{r.left + 2, r.top, r.right - 2, captionBottom - 1}, active);
    r.top = captionBottom;
  }
  if (w->exStyle & WS_EX_CLIENTEDGE)
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
  PaintBar(hwnd, dc, SB_VERT);
  PaintBar(hwnd, dc, SB_HORZ);
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL))
    FillSolid(dc,
              RECT{w->client.right, w->client.bottom, w->client.right + GetSystemMetrics(SM_CXVSCROLL),
                   w->client.bottom + GetSystemMetrics(SM_CYHSCROLL)},
              GetSysColor(COLOR_3DFACE));
}

} // namespace platform::detail
