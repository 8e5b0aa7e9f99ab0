#pragma once
// Shared set-up of the painter tests: a system colour table in which every index has a colour of its own, the
// theme, Office 2003 and painter units started over a chosen theme backend, and a white board to paint on.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

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

} // namespace painters_test
