#include "platform/gdi/Text.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "platform/gdi/FontObject_p.h"
#include "platform/gdi/TextRender_p.h"
#include "platform/rtl/SysUtils.h"

namespace textout {

namespace {

// The DC's clip in surface coordinates, cut further to a logical rectangle when one is given.
std::vector<RECT> ClipRects(gdi::DeviceContext& dc, const RECT* clip) {
  std::vector<RECT> rects;
  RECT limit{};
  if (clip)
    limit = dc.ToSurface(*clip);
  dc.Clip().ForEachRect([&](const RECT& r) {
    RECT c = r;
    if (clip) {
      c.left = std::max(c.left, limit.left);
      c.top = std::max(c.top, limit.top);
      c.right = std::min(c.right, limit.right);
      c.bottom = std::min(c.bottom, limit.bottom);
    }
    if (c.left < c.right && c.top < c.bottom)
      rects.push_back(c);
  });
  return rects;
}

void FillSurface(Surface& surface, const std::vector<RECT>& clips, const RECT& area, std::uint32_t pixel) {
  for (const RECT& c : clips) {
    int x0 = std::max(area.left, c.left), x1 = std::min(area.right, c.right);
    int y0 = std::max(area.top, c.top), y1 = std::min(area.bottom, c.bottom);
    for (int y = y0; y < y1; ++y)
      std::fill(surface.Row(y) + x0, surface.Row(y) + std::max(x0, x1), pixel);
  }
}

std::uint32_t Blend(std::uint32_t dst, std::uint32_t src, unsigned a) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int d = int((dst >> shift) & 0xFF), s = int((src >> shift) & 0xFF);
    out |= std::uint32_t(d + ((s - d) * int(a) + (s > d ? 127 : -127)) / 255) << shift;
  }
  return out;
}

// Coverage is blended onto the surface in the text colour; a monochrome target takes the pixels that are
// at least half covered, since it has no shades.
void BlendGlyph(Surface& surface, const std::vector<RECT>& clips, int gx, int gy, const fonts::GlyphImage& g,
                std::uint32_t pixel, bool mono) {
  for (const RECT& c : clips) {
    int x0 = std::max(gx, c.left), x1 = std::min(gx + g.width, c.right);
    int y0 = std::max(gy, c.top), y1 = std::min(gy + g.height, c.bottom);
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* cov = g.coverage.data() + size_t(y - gy) * g.width;
      std::uint32_t* row = surface.Row(y);
      for (int x = x0; x < x1; ++x) {
        unsigned a = cov[x - gx];
        if (a == 0)
          continue;
        if (a == 255 || (mono && a >= 128))
          row[x] = pixel;
        else if (!mono)
          row[x] = Blend(row[x], pixel, a);
      }
    }
  }
}

} // namespace

int Advances(gdi::DeviceContext& dc, fonts::RealizedFont& font, std::u16string_view text, int* out) {
  const int extra = dc.state.textCharExtra;
  const int breakExtra = dc.state.breakExtra;
  int remainder = dc.state.breakError;
  const char16_t breakChar = font.Metrics().tmBreakChar;
  long long total = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    long long a = (long long)font.Advance(text[i]) + extra;
    if (text[i] == breakChar) {
      a += breakExtra;
      if (remainder > 0) {
        ++a;
        --remainder;
      } else if (remainder < 0) {
        --a;
        ++remainder;
      }
    }
    a = ClampPosition(a);
    if (out)
      out[i] = int(a);
    total += a;
  }
  return ClampPosition(total);
}

void Fill(gdi::DeviceContext& dc, const RECT& rect, COLORREF color, const RECT* clip) {
  if (rect.left >= rect.right || rect.top >= rect.bottom)
    return;
  FillSurface(*dc.surface, ClipRects(dc, clip), dc.ToSurface(rect), dc.DevicePixel(color));
}

int CellTop(const gdi::DeviceContext& dc, const fonts::RealizedFont& font, int y) {
  const UINT align = dc.state.textAlign;
  if ((align & TA_BASELINE) == TA_BASELINE)
    return y - font.Metrics().tmAscent;
  if (align & TA_BOTTOM)
    return y - font.Metrics().tmHeight;
  return y;
}

void DrawRun(gdi::DeviceContext& dc, fonts::RealizedFont& font, int x, int y, std::u16string_view text,
             const int* advances, const RECT* clip, bool fillCells) {
  const TEXTMETRICW& tm = font.Metrics();
  x = ClampPosition(x);
  y = ClampPosition(y);
  const int width = ClampPosition(std::accumulate(advances, advances + text.size(), 0LL));
  std::vector<RECT> clips = ClipRects(dc, clip);
  if (clips.empty())
    return;
  Surface& surface = *dc.surface;
  if (fillCells && width > 0)
    FillSurface(surface, clips, dc.ToSurface(RECT{x, y, x + width, y + tm.tmHeight}),
                dc.DevicePixel(dc.state.bkColor));
  const std::uint32_t pixel = dc.DevicePixel(dc.state.textColor);
  int pen = x;
  for (size_t i = 0; i < text.size(); ++i) {
    const fonts::GlyphImage& g = font.Glyph(text[i]);
    if (!g.coverage.empty())
      BlendGlyph(surface, clips, dc.SurfaceX(pen + g.x), dc.SurfaceY(y + g.y), g, pixel, dc.mono);
    pen = ClampPosition((long long)pen + advances[i]);
  }
  const fonts::DecorationMetrics& d = font.Decorations();
  if (tm.tmUnderlined && width > 0)
    FillSurface(surface, clips,
                dc.ToSurface(RECT{x, y + d.underlineTop, x + width, y + d.underlineTop + d.underlineHeight}),
                pixel);
  if (tm.tmStruckOut && width > 0)
    FillSurface(surface, clips,
                dc.ToSurface(RECT{x, y + d.strikeOutTop, x + width, y + d.strikeOutTop + d.strikeOutHeight}),
                pixel);
}

} // namespace textout

namespace {

using gdi::DCFont;
using gdi::DeviceContext;
using gdi::LookupDC;

std::u16string_view View(const WCHAR* text, int count) {
  return text && count > 0 ? std::u16string_view(text, size_t(count)) : std::u16string_view();
}

// The code page is single-byte, so an 8-bit string converts to exactly as many UTF-16 units.
WideString Widen(const char* text, int count) {
  return text && count > 0 ? AnsiToWide(std::string_view(text, size_t(count))) : WideString();
}

// Tab stops are distances; ones past any surface are kept at a size that cannot overflow the arithmetic.
int Magnitude(int v) {
  constexpr int far = 1 << 24;
  return v <= -far || v >= far ? far : std::abs(v);
}

LONG FloorDiv(LONG a, LONG b) {
  LONG q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

LONG TabbedText(DeviceContext& dc, int x, int y, std::u16string_view text, int tabCount, const int* tabStops,
                int tabOrigin, bool draw) {
  x = textout::ClampPosition(x);
  y = textout::ClampPosition(y);
  tabOrigin = textout::ClampPosition(tabOrigin);
  fonts::RealizedFont& font = DCFont(dc);
  const TEXTMETRICW& tm = font.Metrics();
  const int defaultStep = std::max(1, 8 * int(tm.tmAveCharWidth));
  int step = 0;
  if (tabCount <= 0 || !tabStops)
    step = defaultStep;
  else if (tabCount == 1)
    step = tabStops[0] != 0 ? Magnitude(tabStops[0]) : defaultStep;
  const int top = textout::CellTop(dc, font, y);
  const bool opaque = dc.state.bkMode == OPAQUE;

  int pos = x, runEnd = x, rightStop = 0;
  bool rightAlign = false;
  std::vector<int> advances;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(u'\t', start);
    std::u16string_view run = text.substr(start, end == std::u16string_view::npos ? end : end - start);
    advances.resize(run.size());
    int w = textout::Advances(dc, font, run, advances.data());
    int runX = rightAlign ? rightStop - w : pos;
    if (draw) {
      // In opaque mode the background runs on from the previous run's end, so tab gaps are filled.
      if (opaque)
        textout::Fill(dc, RECT{std::min(runEnd, runX), top, runX + w, top + tm.tmHeight}, dc.state.bkColor,
                      nullptr);
      textout::DrawRun(dc, font, runX, top, run, advances.data(), nullptr, false);
    }
    pos = runEnd = textout::ClampPosition((long long)runX + w);
    rightAlign = false;
    if (end == std::u16string_view::npos)
      break;
    bool placed = false;
    if (step == 0) {
      for (int i = 0; i < tabCount && !placed; ++i) {
        int stop = tabOrigin + Magnitude(tabStops[i]);
        if (stop > pos) {
          placed = true;
          if (tabStops[i] < 0) {
            rightAlign = true;
            rightStop = stop;
          } else {
            pos = stop;
          }
        }
      }
    }
    if (!placed) {
      int s = step ? step : defaultStep;
      pos = textout::ClampPosition(tabOrigin + (FloorDiv(pos - tabOrigin, s) + 1) * (long long)s);
    }
    start = end + 1;
  }
  if (rightAlign)
    pos = rightStop;
  return LONG(MAKELONG(WORD(pos - x), WORD(tm.tmHeight)));
}

} // namespace

UINT SetTextAlign(HDC dc, UINT align) {
  DeviceContext* d = LookupDC(dc);
  if (!d)
    return GDI_ERROR;
  UINT old = d->state.textAlign;
  d->state.textAlign = align & TA_MASK;
  return old;
}

UINT GetTextAlign(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->state.textAlign : GDI_ERROR;
}

int SetTextCharacterExtra(HDC dc, int extra) {
  DeviceContext* d = LookupDC(dc);
  if (!d)
    return int(0x80000000u);
  int old = d->state.textCharExtra;
  d->state.textCharExtra = extra;
  return old;
}

int GetTextCharacterExtra(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->state.textCharExtra : int(0x80000000u);
}

BOOL SetTextJustification(HDC dc, int extra, int count) {
  DeviceContext* d = LookupDC(dc);
  if (!d)
    return FALSE;
  if (extra == 0 || count <= 0) {
    d->state.breakExtra = d->state.breakCount = d->state.breakError = 0;
    return TRUE;
  }
  d->state.breakExtra = extra / count;
  d->state.breakError = extra % count;
  d->state.breakCount = count;
  return TRUE;
}

BOOL GetTextExtentExPointW(HDC dc, const WCHAR* text, int count, int maxExtent, int* fit, int* dx,
                           SIZE* size) {
  DeviceContext* d = LookupDC(dc);
  if (!d || count < 0 || (count > 0 && !text))
    return FALSE;
  fonts::RealizedFont& font = DCFont(*d);
  std::vector<int> advances(static_cast<size_t>(count));
  int total = textout::Advances(*d, font, View(text, count), advances.data());
  long long sum = 0;
  int fitted = 0;
  for (int i = 0; i < count; ++i) {
    sum += advances[size_t(i)];
    if (dx)
      dx[i] = textout::ClampPosition(sum);
    if (sum <= maxExtent && fitted == i)
      ++fitted;
  }
  if (fit)
    *fit = fitted;
  if (size)
    *size = SIZE{total, font.Metrics().tmHeight};
  return TRUE;
}

BOOL GetTextExtentExPointA(HDC dc, const char* text, int count, int maxExtent, int* fit, int* dx,
                           SIZE* size) {
  if (count < 0 || (count > 0 && !text))
    return FALSE;
  WideString wide = Widen(text, count);
  std::vector<int> wideDx(wide.size());
  BOOL ok = GetTextExtentExPointW(dc, wide.data(), int(wide.size()), maxExtent, fit,
                                  dx ? wideDx.data() : nullptr, size);
  if (ok && dx)
    std::copy_n(wideDx.begin(), std::min<size_t>(wideDx.size(), size_t(count)), dx);
  return ok;
}

BOOL GetTextExtentPoint32W(HDC dc, const WCHAR* text, int count, SIZE* size) {
  if (!size)
    return FALSE;
  return GetTextExtentExPointW(dc, text, count, 0, nullptr, nullptr, size);
}

BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size) {
  if (!size || count < 0 || (count > 0 && !text))
    return FALSE;
  WideString wide = Widen(text, count);
  return GetTextExtentExPointW(dc, wide.data(), int(wide.size()), 0, nullptr, nullptr, size);
}

DWORD GetTabbedTextExtentW(HDC dc, const WCHAR* text, int count, int tabCount, const int* tabStops) {
  DeviceContext* d = LookupDC(dc);
  if (!d || count < 0 || (count > 0 && !text))
    return 0;
  return DWORD(TabbedText(*d, 0, 0, View(text, count), tabCount, tabStops, 0, false));
}

DWORD GetTabbedTextExtentA(HDC dc, const char* text, int count, int tabCount, const int* tabStops) {
  if (count < 0 || (count > 0 && !text))
    return 0;
  WideString wide = Widen(text, count);
  return GetTabbedTextExtentW(dc, wide.data(), int(wide.size()), tabCount, tabStops);
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count,
                 const int* dx) {
  DeviceContext* d = LookupDC(dc);
  if (!d || (count > 0 && !text) || count > 0x7FFFFFFFu)
    return FALSE;
  fonts::RealizedFont& font = DCFont(*d);
  std::u16string_view s = View(text, int(count));
  std::vector<int> advances(s.size());
  int width;
  if (dx) {
    std::copy_n(dx, s.size(), advances.begin());
    width = textout::ClampPosition(std::accumulate(advances.begin(), advances.end(), 0LL));
  } else {
    width = textout::Advances(*d, font, s, advances.data());
  }
  const UINT align = d->state.textAlign;
  if (align & TA_UPDATECP) {
    x = d->state.curPos.x;
    y = d->state.curPos.y;
  }
  x = textout::ClampPosition(x);
  y = textout::ClampPosition(y);
  int left = x;
  if ((align & TA_CENTER) == TA_CENTER) {
    left = x - width / 2;
  } else if (align & TA_RIGHT) {
    left = x - width;
    if (align & TA_UPDATECP)
      d->state.curPos.x = x - width;
  } else if (align & TA_UPDATECP) {
    d->state.curPos.x = x + width;
  }
  const int top = textout::CellTop(*d, font, y);
  if ((options & ETO_OPAQUE) && rect)
    textout::Fill(*d, *rect, d->state.bkColor, nullptr);
  const RECT* clip = (options & ETO_CLIPPED) && rect ? rect : nullptr;
  if (!s.empty())
    textout::DrawRun(*d, font, left, top, s, advances.data(), clip, d->state.bkMode == OPAQUE);
  return TRUE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                 const int* dx) {
  if ((count > 0 && !text) || count > 0x7FFFFFFFu)
    return FALSE;
  WideString wide = Widen(text, int(count));
  std::vector<int> wideDx;
  if (dx) {
    wideDx.assign(wide.size(), 0);
    std::copy_n(dx, std::min<size_t>(wide.size(), count), wideDx.begin());
  }
  return ExtTextOutW(dc, x, y, options, rect, wide.data(), UINT(wide.size()), dx ? wideDx.data() : nullptr);
}

BOOL TextOutW(HDC dc, int x, int y, const WCHAR* text, int count) {
  if (count < 0)
    return FALSE;
  return ExtTextOutW(dc, x, y, 0, nullptr, text, UINT(count), nullptr);
}

BOOL TextOutA(HDC dc, int x, int y, const char* text, int count) {
  if (count < 0)
    return FALSE;
  return ExtTextOutA(dc, x, y, 0, nullptr, text, UINT(count), nullptr);
}

LONG TabbedTextOutW(HDC dc, int x, int y, const WCHAR* text, int count, int tabCount, const int* tabStops,
                    int tabOrigin) {
  DeviceContext* d = LookupDC(dc);
  if (!d || count < 0 || (count > 0 && !text))
    return 0;
  return TabbedText(*d, x, y, View(text, count), tabCount, tabStops, tabOrigin, true);
}

LONG TabbedTextOutA(HDC dc, int x, int y, const char* text, int count, int tabCount, const int* tabStops,
                    int tabOrigin) {
  if (count < 0 || (count > 0 && !text))
    return 0;
  WideString wide = Widen(text, count);
  return TabbedTextOutW(dc, x, y, wide.data(), int(wide.size()), tabCount, tabStops, tabOrigin);
}
