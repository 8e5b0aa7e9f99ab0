#pragma once
// Pixel work shared by the drawing calls: raster operations, brush sampling and filling clipped areas.
#include <cstdint>

#include "platform/gdi/DeviceContext.h"

namespace gdi {

// The ROP3 truth table: result bit for pixel bits (p, s, d) is bit 4p+2s+d of `code`, applied bitwise.
constexpr std::uint32_t Rop3(std::uint8_t code, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  std::uint32_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (code & (1u << i))
      r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return r & 0xFFFFFF;
}

// A binary raster operation (R2_xxx) as its ROP3 code: (rop2 - 1) is a table over (pen, dest) bits.
constexpr std::uint8_t Rop2ToRop3(int rop2) {
  unsigned t = unsigned(rop2 - 1) & 0xF;
  std::uint8_t code = 0;
  for (int i = 0; i < 8; ++i) {
    int p = (i >> 2) & 1, d = i & 1;
    if (t & (1u << (2 * p + d)))
      code |= std::uint8_t(1u << i);
  }
  return code;
}

constexpr std::uint8_t RopIndex(DWORD rop) {
  return std::uint8_t((rop >> 16) & 0xFF);
}
constexpr bool RopUsesSource(std::uint8_t code) {
  return ((code >> 2) & 0x33) != (code & 0x33);
}
constexpr bool RopUsesPattern(std::uint8_t code) {
  return ((code >> 4) & 0x0F) != (code & 0x0F);
}
constexpr bool RopUsesDest(std::uint8_t code) {
  return ((code >> 1) & 0x55) != (code & 0x55);
}

// The pixels a brush puts down on a DC, in surface coordinates.
class BrushSource {
public:
  BrushSource(DeviceContext& dc, HBRUSH brush);
  // A solid colour without a brush object, for the layer's own drawing (edges, frame controls).
  static BrushSource Solid(const DeviceContext& dc, COLORREF color);
  // A null or stale brush paints nothing.
  bool IsNull() const { return null_; }
  bool IsSolid() const { return solid_; }
  std::uint32_t SolidPixel() const { return solidPixel_; }
  // False where the brush leaves the destination alone (gaps of a hatch in TRANSPARENT mode).
  bool At(int x, int y, std::uint32_t& pixel) const;
  // How many pixels across and down the brush repeats after, when it paints every pixel; 0 otherwise.
  int RowPeriod() const { return Covers() ? (pattern_ ? pattern_->Width() : 8) : 0; }
  int ColumnPeriod() const { return Covers() ? (pattern_ ? pattern_->Height() : 8) : 0; }

private:
  BrushSource() = default;
  bool Covers() const { return !solid_ && !null_ && (pattern_ || opaqueGaps_); }
  bool null_ = false, solid_ = true;
  std::uint32_t solidPixel_ = 0;
  const Surface* pattern_ = nullptr;
  bool monoPattern_ = false;
  int hatch_ = -1;
  bool opaqueGaps_ = true;
  std::uint32_t fore_ = 0, back_ = 0; // mono pattern 0 bits, 1 bits; hatch lines, gaps
  int originX_ = 0, originY_ = 0;
  bool mono_ = false;
};

// Fills `area` (surface coordinates) intersected with the DC's clip, with the brush under a ROP3 that
// takes no source.
void FillArea(DeviceContext& dc, const Region& area, const BrushSource& brush, std::uint8_t rop);
void FillRectArea(DeviceContext& dc, const RECT& surfaceRect, const BrushSource& brush, std::uint8_t rop);
// Writes one solid pixel value under a binary raster operation over `area` intersected with the clip.
void FillAreaRop2(DeviceContext& dc, const Region& area, std::uint32_t pixel, int rop2);

} // namespace gdi
