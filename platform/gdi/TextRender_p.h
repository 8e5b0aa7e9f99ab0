#pragma once
// Glyph output and measuring shared by the text calls and DrawText. Coordinates are logical.
#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontEngine_p.h"

namespace textout {

// Positions, character distances, extras and tab stops come from callers unchecked. Text positions stop at a
// distance no surface reaches, which keeps the arithmetic from wrapping and leaves the device's own origin
// offsets room to add.
constexpr long long kFarPosition = 1 << 28;
inline int ClampPosition(long long v) {
  return int(std::clamp(v, -kFarPosition, kFarPosition));
}

// Per-character advances as the DC lays text out: the font's advance, the character extra and the share of
// the justification extra that falls on break characters. Returns the sum; `out` may be null.
int Advances(gdi::DeviceContext& dc, fonts::RealizedFont& font, std::u16string_view text, int* out);
inline int Extent(gdi::DeviceContext& dc, fonts::RealizedFont& font, std::u16string_view text) {
  return Advances(dc, font, text, nullptr);
}

// Draws a run with its character cell's top-left at (x, y) in the DC's text colour, with the font's
// underline and strike-out, each character stepping by advances[i]. With fillCells the cells are first
// filled with the background colour. `clip`, when given, limits everything drawn.
void DrawRun(gdi::DeviceContext& dc, fonts::RealizedFont& font, int x, int y, std::u16string_view text,
             const int* advances, const RECT* clip, bool fillCells);

// The top of the character cell for a reference point y under the DC's vertical text alignment.
int CellTop(const gdi::DeviceContext& dc, const fonts::RealizedFont& font, int y);

// Fills a logical rectangle with a colour, through the DC's clip and an optional further clip.
void Fill(gdi::DeviceContext& dc, const RECT& rect, COLORREF color, const RECT* clip);

} // namespace textout
