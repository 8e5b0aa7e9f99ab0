#pragma once
// A white 32-bit memory canvas with a font selected, for the font and text tests.
#include <string>

#include "platform/gdi/Gdi.h"

class TextCanvas {
public:
  TextCanvas(int width, int height, const char* face = TestFontFace, int fontHeight = 13,
             LONG weight = FW_NORMAL)
      : dc_(CreateCompatibleDC(nullptr)), bitmap_(CreateBitmap(width, height, 1, 32, nullptr)) {
    SelectObject(dc_, bitmap_);
    if (face) {
      font_ = CreateFontA(fontHeight, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
      SelectObject(dc_, font_);
    }
    Clear();
  }
  ~TextCanvas() {
    DeleteDC(dc_);
    DeleteObject(bitmap_);
    if (font_)
      DeleteObject(font_);
  }
  TextCanvas(const TextCanvas&) = delete;
  TextCanvas& operator=(const TextCanvas&) = delete;

  HDC dc() const { return dc_; }
  Surface& surface() const { return *GetDCSurface(dc_); }
  void Clear() { surface().Fill(0xFFFFFF); }
  std::uint32_t Pixel(int x, int y) const { return surface().Pixel(x, y); }
  bool Ink(int x, int y) const { return Pixel(x, y) != 0xFFFFFF; }
  // The smallest rectangle holding every non-white pixel; all zeros when there is none.
  RECT InkBox() const {
    RECT box{};
    bool any = false;
    for (int y = 0; y < surface().Height(); ++y)
      for (int x = 0; x < surface().Width(); ++x)
        if (Ink(x, y)) {
          if (!any)
            box = RECT{x, y, x + 1, y + 1};
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
          any = true;
        }
    return box;
  }
  int InkCount() const {
    int n = 0;
    for (int y = 0; y < surface().Height(); ++y)
      for (int x = 0; x < surface().Width(); ++x)
        n += Ink(x, y);
    return n;
  }
  SIZE Extent(const std::string& text) const {
    SIZE size{};
    GetTextExtentPoint32A(dc_, text.data(), int(text.size()), &size);
    return size;
  }

private:
  HDC dc_;
  HBITMAP bitmap_;
  HFONT font_ = nullptr;
};
