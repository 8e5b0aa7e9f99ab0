#include "platform/gdi/FrameControl.h"

#include <algorithm>
#include <cstdint>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Edge.h"
#include "platform/gdi/Fill.h"
#include "platform/rtl/Colors.h"
#include "platform/rtl/Geometry.h"

using namespace gdi;

namespace {

COLORREF Sys(int index) {
  return GetSysColor(index);
}

// The centred square of side min(width, height).
RECT GlyphSquare(const RECT& r) {
  int w = r.right - r.left, h = r.bottom - r.top, d = std::min(w, h);
  int l = r.left + (w - d) / 2, t = r.top + (h - d) / 2;
  return {l, t, l + d, t + d};
}

// Face with every other pixel white, in the 0x55/0xAA brush pattern anchored at the brush origin: the
// pattern's 1 bits take the background colour, set to white here, and are ORed onto the face; its 0 bits
// take the DC's text colour, which leaves the face alone when that colour is black.
void FillChecked(HDC dc, const RECT& r) {
  if (r.right <= r.left || r.bottom <= r.top)
    return;
  if (Sys(COLOR_3DHILIGHT) != RGB(255, 255, 255)) {
    FillSolid(dc, r, Sys(COLOR_3DHILIGHT));
    return;
  }
  FillSolid(dc, r, Sys(COLOR_3DFACE));
  static const WORD rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
  HBRUSH brush = CreatePatternBrush(pattern);
  HGDIOBJ old = SelectObject(dc, brush);
  COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
  PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0x00FA0089);
  SetBkColor(dc, oldBk);
  SelectObject(dc, old);
  DeleteObject(brush);
  DeleteObject(pattern);
}

BOOL DrawPushButton(HDC dc, RECT* rect, UINT state) {
  UINT edge = (state & (DFCS_PUSHED | DFCS_CHECKED | DFCS_FLAT)) ? EDGE_SUNKEN : EDGE_RAISED;
  UINT flags = BF_RECT | BF_SOFT | BF_ADJUST;
  if (state & DFCS_MONO)
    flags |= BF_MONO;
  else if (state & DFCS_FLAT)
    flags |= BF_FLAT;
  RECT inner = *rect;
  DrawEdge(dc, &inner, edge, flags);
  if (!(state & DFCS_TRANSPARENT)) {
    if (state & DFCS_CHECKED)
      FillChecked(dc, inner);
    else
      FillSolid(dc, inner, Sys(COLOR_3DFACE));
  }
  if (state & DFCS_ADJUSTRECT)
    InflateRect(rect, -2, -2);
  return TRUE;
}

BOOL DrawCheckBox(HDC dc, RECT* rect, UINT state) {
  RECT box = GlyphSquare(*rect);
  int d = box.right - box.left;
  UINT flags = BF_RECT | BF_ADJUST;
  if (state & DFCS_MONO)
    flags |= BF_MONO;
  else if (state & DFCS_FLAT)
    flags |= BF_FLAT;
  RECT inner = box;
  DrawEdge(dc, &inner, EDGE_SUNKEN, flags);
  bool threeState = (state & 0xFF) == DFCS_BUTTON3STATE;
  if (!(state & DFCS_TRANSPARENT)) {
    if (state & (DFCS_INACTIVE | DFCS_PUSHED))
      FillSolid(dc, inner, Sys(COLOR_3DFACE));
    else if (threeState && (state & DFCS_CHECKED))
      FillChecked(dc, inner);
    else
      FillSolid(dc, inner, Sys(COLOR_WINDOW));
  }
  if (state & DFCS_CHECKED) {
    COLORREF color = Sys((state & DFCS_INACTIVE) || threeState ? COLOR_3DSHADOW : COLOR_WINDOWTEXT);
    // The mark is seven columns three pixels tall stepping down then up; larger boxes scale it whole.
    static const int tops[7] = {2, 3, 4, 3, 2, 1, 0};
    int k = std::max(1, (d - 4) / 9);
    int size = 7 * k;
    int ox = box.left + 2 + (d - 4 - size) / 2, oy = box.top + 2 + (d - 4 - size) / 2;
    HDC target = dc;
    int saved = SaveDC(target);
    IntersectClipRect(target, inner.left, inner.top, inner.right, inner.bottom);
    for (int c = 0; c < 7; ++c)
      FillSolid(target, {ox + c * k, oy + tops[c] * k, ox + (c + 1) * k, oy + (tops[c] + 3) * k}, color);
    RestoreDC(target, saved);
  }
  return TRUE;
}

// Disc of diameter k centred on c in both axes; `half` < 0 keeps only the upper-left half, > 0 only the
// lower-right half (split along the anti-diagonal through the centre).
void Disc(HDC dc, int cx, int cy, int k, COLORREF color, int half = 0) {
  if (k <= 0)
    return;
  RECT box{cx - k + k / 2, cy - k + k / 2, cx + k / 2, cy + k / 2};
  for (const Span& s : EllipseSpans(box, kRegionLimit)) {
    if (half == 0) {
      FillSolid(dc, {s.x0, s.y, s.x1, s.y + 1}, color);
      continue;
    }
    for (int x = s.x0; x < s.x1; ++x) {
      bool lowerRight = (x - cx) + (s.y - cy) + 1 > 0;
      if ((half > 0) == lowerRight)
        FillSolid(dc, {x, s.y, x + 1, s.y + 1}, color);
    }
  }
}

BOOL DrawRadio(HDC dc, RECT* rect, UINT state) {
  RECT sq = GlyphSquare(*rect);
  int d = sq.right - sq.left;
  int cx = sq.left + d - d / 2, cy = sq.top + d - d / 2;
  int ring = 14 * d / 16, inset = std::max(d / 16, 1), centre = 10 * d / 16, dot = std::max(6 * d / 16, 1);
  UINT kind = state & 0xFF;
  if (kind == DFCS_BUTTONRADIOMASK) {
    FillSolid(dc, *rect, RGB(255, 255, 255));
    Disc(dc, cx, cy, ring, RGB(0, 0, 0));
    return TRUE;
  }
  if (kind == DFCS_BUTTONRADIOIMAGE)
    FillSolid(dc, *rect, RGB(0, 0, 0));
  if (state & (DFCS_FLAT | DFCS_MONO)) {
    Disc(dc, cx, cy, ring, Sys(COLOR_WINDOWFRAME));
  } else {
    Disc(dc, cx, cy, ring, Sys(COLOR_3DHILIGHT), 1);
    Disc(dc, cx, cy, ring, Sys(COLOR_3DSHADOW), -1);
    Disc(dc, cx, cy, ring - 2 * inset, Sys(COLOR_3DLIGHT), 1);
    Disc(dc, cx, cy, ring - 2 * inset, Sys(COLOR_3DDKSHADOW), -1);
  }
  Disc(dc, cx, cy, centre, Sys(state & (DFCS_INACTIVE | DFCS_PUSHED) ? COLOR_3DFACE : COLOR_WINDOW));
  if (state & DFCS_CHECKED)
    Disc(dc, cx, cy, dot, Sys(state & DFCS_INACTIVE ? COLOR_3DSHADOW : COLOR_WINDOWTEXT));
  return TRUE;
}

BOOL DrawButton(HDC dc, RECT* rect, UINT state) {
  switch (state & 0xFF) {
  case DFCS_BUTTONCHECK:
  case DFCS_BUTTON3STATE:
    return DrawCheckBox(dc, rect, state);
  case DFCS_BUTTONRADIO:
  case DFCS_BUTTONRADIOIMAGE:
  case DFCS_BUTTONRADIOMASK:
    return DrawRadio(dc, rect, state);
  case DFCS_BUTTONPUSH:
    return DrawPushButton(dc, rect, state);
  default:
    return FALSE;
  }
}

// The frame behind scroll arrows and caption glyphs.
void DrawGlyphFrame(HDC dc, RECT* rect, UINT state) {
  if (state & (DFCS_PUSHED | DFCS_CHECKED | DFCS_FLAT | DFCS_MONO)) {
    DrawPushButton(dc, rect, state & ~DFCS_ADJUSTRECT);
    return;
  }
  RECT r = *rect;
  DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | (state & DFCS_TRANSPARENT ? 0 : BF_MIDDLE));
}

enum class Arrow { Up, Down, Left, Right };

void FillTriangle(HDC dc, Arrow dir, int tipX, int tipY, int t, COLORREF color) {
  for (int j = 0; j <= t; ++j) {
    switch (dir) {
    case Arrow::Down:
      FillSolid(dc, {tipX - j, tipY - j, tipX + j + 1, tipY - j + 1}, color);
      break;
    case Arrow::Up:
      FillSolid(dc, {tipX - j, tipY + j, tipX + j + 1, tipY + j + 1}, color);
      break;
    case Arrow::Left:
      FillSolid(dc, {tipX + j, tipY - j, tipX + j + 1, tipY + j + 1}, color);
      break;
    case Arrow::Right:
      FillSolid(dc, {tipX - j, tipY - j, tipX - j + 1, tipY + j + 1}, color);
      break;
    }
  }
}

BOOL DrawScroll(HDC dc, RECT* rect, UINT state) {
  Arrow dir;
  switch (state & 0xFF) {
  case DFCS_SCROLLUP:
    dir = Arrow::Up;
    break;
  case DFCS_SCROLLDOWN:
  case DFCS_SCROLLCOMBOBOX:
    dir = Arrow::Down;
    break;
  case DFCS_SCROLLLEFT:
    dir = Arrow::Left;
    break;
  case DFCS_SCROLLRIGHT:
    dir = Arrow::Right;
    break;
  default:
    return FALSE; // size grips are not drawn by this layer
  }
  DrawGlyphFrame(dc, rect, state);
  RECT sq = GlyphSquare(*rect);
  int s = (sq.right - sq.left) - 2;
  if (s <= 0)
    return TRUE;
  int t = std::max(2, 290 * s / 1000 - 1);
  int along = 470 * s / 1000 + 2, reach = 687 * s / 1000 + 1;
  int tipX = 0, tipY = 0;
  switch (dir) {
  case Arrow::Down:
    tipX = sq.left + along;
    tipY = sq.top + reach;
    break;
  case Arrow::Up:
    tipX = sq.left + along;
    tipY = sq.bottom - reach;
    break;
  case Arrow::Left:
    tipX = sq.right - reach;
    tipY = sq.top + along;
    break;
  case Arrow::Right:
    tipX = sq.left + reach;
    tipY = sq.top + along;
    break;
  }
  bool inactive = state & DFCS_INACTIVE;
  int shift = (state & DFCS_PUSHED) && !inactive ? 0 : -1;
  if (inactive) {
    FillTriangle(dc, dir, tipX, tipY, t, Sys(COLOR_3DHILIGHT));
    FillTriangle(dc, dir, tipX + shift, tipY + shift, t, Sys(COLOR_3DSHADOW));
  } else {
    FillTriangle(dc, dir, tipX + shift, tipY + shift, t, Sys(COLOR_BTNTEXT));
  }
  return TRUE;
}

// Caption glyphs are drawn from rectangles scaled to the button, standing in for the symbol font the
// platform uses; they keep its sizes (character height d - 2, centred) but not its exact outlines.
void CaptionGlyph(HDC dc, UINT kind, const RECT& sq, int dx, int dy, COLORREF color) {
  int d = sq.right - sq.left;
  int g = std::max(4, (d - 2) * 9 / 16); // glyph box side
  int unit = std::max(1, g / 8);         // stroke width
  int l = sq.left + (d - g) / 2 + dx, t = sq.top + (d - g) / 2 + dy;
  auto box = [&](int x0, int y0, int x1, int y1) { FillSolid(dc, {l + x0, t + y0, l + x1, t + y1}, color); };
  auto frame = [&](int x0, int y0, int x1, int y1, int topThickness) {
    box(x0, y0, x1, y0 + topThickness);
    box(x0, y1 - unit, x1, y1);
    box(x0, y0, x0 + unit, y1);
    box(x1 - unit, y0, x1, y1);
  };
  switch (kind) {
  case DFCS_CAPTIONCLOSE:
    for (int i = 0; i < g; ++i) {
      box(i, i, i + unit + 1, i + 1);
      box(g - 1 - i - unit, i, g - i, i + 1);
    }
    break;
  case DFCS_CAPTIONMIN:
    box(unit, g - 2 * unit, g - 2 * unit, g);
    break;
  case DFCS_CAPTIONMAX:
    frame(0, 0, g, g, 2 * unit);
    break;
  case DFCS_CAPTIONRESTORE: {
    int s = g * 3 / 4;
    frame(g - s, 0, g, s, 2 * unit);
    FillSolid(dc, {l, t + g - s, l + s, t + g}, Sys(COLOR_3DFACE));
    frame(0, g - s, s, g, 2 * unit);
    break;
  }
  case DFCS_CAPTIONHELP: {
    // A question mark: hook, stem and dot.
    int m = g / 2;
    box(m - 2 * unit, 0, m + 2 * unit, unit);
    box(m + unit, unit, m + 2 * unit + unit, g / 3 + unit);
    box(m, g / 3, m + 2 * unit, g / 3 + unit);
    box(m, g / 3 + unit, m + unit, g - 3 * unit);
    box(m, g - 2 * unit, m + unit, g - unit);
    box(m - 2 * unit - unit, unit, m - 2 * unit, 2 * unit);
    break;
  }
  default:
    break;
  }
}

BOOL DrawCaption(HDC dc, RECT* rect, UINT state) {
  UINT kind = state & 0xFF;
  if (kind > DFCS_CAPTIONHELP)
    return FALSE;
  DrawGlyphFrame(dc, rect, state);
  RECT sq = GlyphSquare(*rect);
  bool inactive = state & DFCS_INACTIVE;
  int shift = (state & DFCS_PUSHED) && !inactive ? 1 : 0;
  if (inactive) {
    CaptionGlyph(dc, kind, sq, 1, 1, Sys(COLOR_3DHILIGHT));
    CaptionGlyph(dc, kind, sq, 0, 0, Sys(COLOR_3DSHADOW));
  } else {
    CaptionGlyph(dc, kind, sq, shift, shift, Sys(COLOR_BTNTEXT));
  }
  return TRUE;
}

} // namespace

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
  if (!LookupDC(dc) || !rect)
    return FALSE;
  switch (type) {
  case DFC_BUTTON:
    return DrawButton(dc, rect, state);
  case DFC_SCROLL:
    return DrawScroll(dc, rect, state);
  case DFC_CAPTION:
    return DrawCaption(dc, rect, state);
  default:
    return FALSE; // menu glyphs are not used here
  }
}

HBITMAP LoadBitmap(HINSTANCE instance, int id) {
  if (instance || id != OBM_CHECKBOXES)
    return nullptr;
  constexpr int cell = 13;
  HBITMAP bitmap = NewBitmap(4 * cell, 3 * cell, 32);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, 4 * cell, 3 * cell};
  FillRect(dc, &all, GetSysColorBrush(COLOR_3DFACE));
  static const UINT rows[3] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
  static const UINT columns[4] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 4; ++col) {
      RECT r{col * cell, row * cell, (col + 1) * cell, (row + 1) * cell};
      DrawFrameControl(dc, &r, DFC_BUTTON, rows[row] | columns[col]);
    }
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

HBITMAP LoadBitmap(HINSTANCE instance, const char* name) {
  auto value = reinterpret_cast<std::uintptr_t>(name);
  // An integer resource id travels in the pointer's low word, as with MAKEINTRESOURCE.
  if (value != 0 && value <= 0xFFFF)
    return LoadBitmap(instance, int(value));
  return nullptr;
}
