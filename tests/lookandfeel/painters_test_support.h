#pragma once
// Shared set-up of the painter tests: a system colour table in which every index has a colour of its own, the
// theme, Office 2003 and painter units started over a chosen theme backend, and a white board to paint on.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxPainterResources.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"
#include "platform/theme/RecordingThemeBackend.h"

namespace painters_test {

// Distinct from each other, from black and from white, so that a pixel tells which system colour drew it.
inline SysColorTable DistinctColors() {
  SysColorTable table{};
  for (int i = 0; i < SysColorCount; ++i)
    table[std::size_t(i)] = RGB(BYTE(10 + i * 7), BYTE(200 - i * 5), BYTE(40 + i * 3));
  return table;
}

inline COLORREF Rgb(TColor c) {
  return COLORREF(ColorToRGB(c)) & 0xFFFFFF;
}

// Starts the units the painters stand on; the recording backend is installed only when asked for, the
// product's "none" backend otherwise.
struct PainterUnits {
  RecordingThemeBackend* fake = nullptr;
  explicit PainterUnits(std::function<void(RecordingThemeBackend&)> configure = nullptr,
                        const SysColorTable& colors = DistinctColors()) {
    SetSysColorTable(colors);
    if (configure) {
      auto backend = std::make_unique<RecordingThemeBackend>();
      fake = backend.get();
      configure(*fake);
      SetThemeBackend(std::move(backend));
    }
    dxUxThemeInitialize();
    dxThemeManagerInitialize();
    dxOffice11Initialize();
    cxLookAndFeelPaintersInitialize();
  }
  ~PainterUnits() {
    cxLookAndFeelPaintersFinalize();
    dxOffice11Finalize();
    dxThemeManagerFinalize();
    dxUxThemeFinalize();
    SetThemeBackend(nullptr);
    ResetSysColorTable();
  }
};

// A memory bitmap filled with one colour and a library canvas over it.
struct Board {
  TBitmap bitmap;
  std::unique_ptr<TcxCanvas> canvas;
  Board(int w, int h, TColor background = clWhite) {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(w, h);
    canvas = std::make_unique<TcxCanvas>(bitmap.Canvas());
    canvas->FillRect(Rect(0, 0, w, h), background);
  }
  COLORREF At(int x, int y) { return COLORREF(bitmap.Canvas()->Pixels(x, y)) & 0xFFFFFF; }
  int Width() const { return bitmap.Width(); }
  int Height() const { return bitmap.Height(); }
  int CountOf(COLORREF color) {
    int n = 0;
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x)
        n += At(x, y) == color;
    return n;
  }
  bool SamePixels(Board& other) {
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x)
        if (At(x, y) != other.At(x, y))
          return false;
    return true;
  }
};

inline TcxLookAndFeelPainterClass Standard() {
  return TcxStandardLookAndFeelPainter::Instance();
}
inline TcxLookAndFeelPainterClass Flat() {
  return TcxFlatLookAndFeelPainter::Instance();
}
inline TcxLookAndFeelPainterClass UltraFlat() {
  return TcxUltraFlatLookAndFeelPainter::Instance();
}
inline TcxLookAndFeelPainterClass Office11() {
  return TcxOffice11LookAndFeelPainter::Instance();
}
inline TcxLookAndFeelPainterClass Native() {
  return TcxWinXPLookAndFeelPainter::Instance();
}

// Pictures and expected images for the pixel-by-pixel tests.
using Legend = std::vector<std::pair<TColor, char>>;

inline constexpr COLORREF white = RGB(255, 255, 255);

inline TRect Deflated(TRect r, int d) {
  InflateRect(&r, -d, -d);
  return r;
}

// One character per pixel of the rectangle: the legend's character for its colour, '?' for any other.
inline std::string Picture(Board& board, const TRect& r, const Legend& legend) {
  std::string out;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      char ch = '?';
      for (const auto& [color, c] : legend)
        if (board.At(x, y) == Rgb(color)) {
          ch = c;
          break;
        }
      out += ch;
    }
    out += '\n';
  }
  return out;
}

inline std::string Picture(Board& board, const Legend& legend) {
  return Picture(board, Rect(0, 0, board.Width(), board.Height()), legend);
}

// The image a part should leave, built from the description of the part.
class Expected {
public:
  Expected(int w, int h, TColor background = clWhite)
      : w_(w), h_(h), px_(std::size_t(w * h), Rgb(background)) {}
  void Set(int x, int y, TColor c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_)
      px_[std::size_t(y * w_ + x)] = Rgb(c);
  }
  void Fill(const TRect& r, TColor c) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        Set(x, y, c);
  }
  // Left and top in the first colour, then right and bottom over the corners in the second.
  void Ring(const TRect& r, TColor lt, TColor rb, TcxBorders sides = cxBordersAll) {
    if (sides.Contains(bLeft))
      Fill(Rect(r.left, r.top, r.left + 1, r.bottom), lt);
    if (sides.Contains(bTop))
      Fill(Rect(r.left, r.top, r.right, r.top + 1), lt);
    if (sides.Contains(bRight))
      Fill(Rect(r.right - 1, r.top, r.right, r.bottom), rb);
    if (sides.Contains(bBottom))
      Fill(Rect(r.left, r.bottom - 1, r.right, r.bottom), rb);
  }
  COLORREF At(int x, int y) const { return px_[std::size_t(y * w_ + x)]; }
  int Width() const { return w_; }
  int Height() const { return h_; }

private:
  int w_, h_;
  std::vector<COLORREF> px_;
};

inline void ExpectImage(Board& board, const Expected& expected, const std::string& what) {
  ASSERT_EQ(board.Width(), expected.Width());
  int wrong = 0;
  for (int y = 0; y < expected.Height(); ++y)
    for (int x = 0; x < expected.Width(); ++x)
      if (board.At(x, y) != expected.At(x, y) && ++wrong <= 3)
        ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << std::hex << board.At(x, y)
                      << ", expected " << expected.At(x, y);
  EXPECT_EQ(wrong, 0) << what;
}

} // namespace painters_test
