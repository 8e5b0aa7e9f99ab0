#pragma once
// A memory DC over a colour bitmap, and a picture of its pixels as characters so that expected shapes can be
// written out in the tests.
#include <map>
#include <string>

#include "platform/gdi/Gdi.h"

class Canvas {
public:
  Canvas(int width, int height, COLORREF background = RGB(255, 255, 255), int bitsPixel = 32)
      : width_(width), height_(height) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(width, height, 1, UINT(bitsPixel), nullptr);
    old_ = SelectObject(dc, bitmap);
    Clear(background);
  }
  ~Canvas() {
    SelectObject(dc, old_);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  void Clear(COLORREF color) {
    Surface* s = GetDCSurface(dc);
    s->Fill(ColorRefToPixel(color));
  }
  COLORREF At(int x, int y) const { return PixelToColorRef(GetDCSurface(dc)->Pixel(x, y)); }

  // One character per pixel of the rectangle: the legend's character for a known colour, '?' otherwise.
  std::string Picture(RECT r, const std::map<COLORREF, char>& legend) const {
    std::string out;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        auto it = legend.find(At(x, y));
        out += it == legend.end() ? '?' : it->second;
      }
      out += '\n';
    }
    return out;
  }
  std::string Picture(const std::map<COLORREF, char>& legend) const {
    return Picture({0, 0, width_, height_}, legend);
  }
  int Count(COLORREF color) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        n += At(x, y) == color;
    return n;
  }

  HDC dc;
  HBITMAP bitmap;

private:
  int width_, height_;
  HGDIOBJ old_;
};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
inline const std::map<COLORREF, char> kBW{{kWhite, '.'}, {kBlack, '#'}};
