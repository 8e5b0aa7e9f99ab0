#pragma once
// A 32-bit pixel surface: what every device context finally draws into.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/Types.h"

#include <pixman.h>

// Pixels are 0x00RRGGBB words (bytes B, G, R, unused in memory); the top byte is ignored when read and
// written as 0. Rows are `Stride()` bytes apart and may run bottom-up (negative stride) for DIB sections.
class Surface {
public:
  // Owns its pixels, cleared to black.
  Surface(int width, int height);
  // Borrows pixels owned elsewhere (a DIB section's bits); the memory must outlive the surface.
  Surface(int width, int height, std::uint32_t* firstRow, std::ptrdiff_t strideBytes);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::ptrdiff_t Stride() const { return stride_; }
  std::uint32_t* Row(int y) {
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(first_) + y * stride_);
  }
  const std::uint32_t* Row(int y) const {
    return reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const char*>(first_) + y * stride_);
  }
  // Out-of-range reads give 0 and writes are dropped.
  std::uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, std::uint32_t value);
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  void Fill(std::uint32_t value);

  // A pixman view of the pixels for the fast paths; nullptr for a bottom-up surface.
  pixman_image_t* PixmanImage();

  // Reallocates an owning surface (window surfaces follow their window's size); contents are cleared.
  void Resize(int width, int height);

private:
  int width_ = 0, height_ = 0;
  std::ptrdiff_t stride_ = 0;
  std::uint32_t* first_ = nullptr;
  std::vector<std::uint32_t> own_;
  pixman_image_t* image_ = nullptr;
};

// COLORREF is 0x00BBGGRR; surface pixels are 0x00RRGGBB.
constexpr std::uint32_t ColorRefToPixel(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF PixelToColorRef(std::uint32_t p) {
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

bool SaveSurfacePng(const Surface& surface, const char* path);
