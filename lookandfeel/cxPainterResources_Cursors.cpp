#include <cstdint>
#include <cstdlib>

#include "lookandfeel/cxPainterResources.h"
#include "platform/win/Win.h"

namespace {

constexpr int cursorSize = 32;

// A cursor being drawn: shapes go in black, and a one-pixel white halo is added around them at the end so
// that the cursor shows on dark and light backgrounds alike.
class CursorPicture {
public:
  void Dot(int x, int y) {
    if (x >= 0 && y >= 0 && x < cursorSize && y < cursorSize)
      black_[y][x] = true;
  }
  void Box(int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        Dot(x, y);
  }
  void Frame(int left, int top, int right, int bottom) {
    Box(left, top, right, top + 1);
    Box(left, bottom - 1, right, bottom);
    Box(left, top, left + 1, bottom);
    Box(right - 1, top, right, bottom);
  }
  void Line(int x0, int y0, int x1, int y1) {
    int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0), steps = dx > dy ? dx : dy;
    for (int i = 0; i <= steps; ++i)
      Dot(x0 + (steps ? (x1 - x0) * i / steps : 0), y0 + (steps ? (y1 - y0) * i / steps : 0));
  }
  void Ring(int cx, int cy, int radius) {
    for (int y = -radius; y <= radius; ++y)
      for (int x = -radius; x <= radius; ++x) {
        int d = x * x + y * y;
        if (d <= radius * radius && d > (radius - 2) * (radius - 2))
          Dot(cx + x, cy + y);
      }
  }
  // A filled arrow head of the given size whose tip is at (x, y), pointing along (dx, dy).
  void Head(int x, int y, int dx, int dy, int size) {
    for (int i = 0; i < size; ++i)
      for (int j = -i; j <= i; ++j)
        Dot(x - dx * i + dy * j, y - dy * i + dx * j);
  }
  void Pointer() {
    for (int y = 0; y < 12; ++y)
      Box(0, y, y * 2 / 3 + 1, y + 1);
    for (int i = 0; i < 6; ++i)
      Box(3 + i / 2, 11 + i, 5 + i / 2, 12 + i);
  }

  // Each row is a word whose highest bit is the leftmost pixel, the order of the planes' bytes. The halo, the
  // pixels next to a black one, comes from spreading every row to its neighbours: drawing is done for every
  // cursor each time the library starts, so it must not look at each pixel's eight neighbours one by one.
  HCURSOR Make(int hotX, int hotY) const {
    std::uint32_t rows[cursorSize] = {};
    for (int y = 0; y < cursorSize; ++y)
      for (int x = 0; x < cursorSize; ++x)
        if (black_[y][x])
          rows[y] |= std::uint32_t(1) << (cursorSize - 1 - x);
    unsigned char andPlane[cursorSize * 4], xorPlane[cursorSize * 4];
    for (int y = 0; y < cursorSize; ++y) {
      std::uint32_t spread = rows[y];
      if (y > 0)
        spread |= rows[y - 1];
      if (y + 1 < cursorSize)
        spread |= rows[y + 1];
      spread |= (spread << 1) | (spread >> 1);
      const std::uint32_t halo = spread & ~rows[y];
      for (int i = 0; i < 4; ++i) {
        const int shift = 24 - 8 * i;
        andPlane[y * 4 + i] = static_cast<unsigned char>(~(spread >> shift));
        xorPlane[y * 4 + i] = static_cast<unsigned char>(halo >> shift);
      }
    }
    return CreateCursor(nullptr, hotX, hotY, cursorSize, cursorSize, andPlane, xorPlane);
  }

private:
  bool black_[cursorSize][cursorSize] = {};
};

const std::array<const char*, 14> cursorNames = {
    "CX_DRAGCOPYCURSOR", "CX_FULLSCROLLCURSOR",  "CX_HORSCROLLCURSOR",  "CX_VERSCROLLCURSOR",
    "CX_UPSCROLLCURSOR", "CX_RIGHTSCROLLCURSOR", "CX_DOWNSCROLLCURSOR", "CX_LEFTSCROLLCURSOR",
    "CX_REMOVECURSOR",   "CX_VERTSIZECURSOR",    "CX_HORZSIZECURSOR",   "CX_MULTIDRAGCURSOR",
    "CX_NODROPCURSOR",   "CX_DRAGCURSOR"};

// The panning cursors: a centre mark and an arrow head for each direction the content may scroll.
HCURSOR ScrollCursor(bool up, bool right, bool down, bool left) {
  CursorPicture p;
  p.Ring(15, 15, 4);
  if (up)
    p.Head(15, 2, 0, -1, 5);
  if (down)
    p.Head(15, 28, 0, 1, 5);
  if (left)
    p.Head(2, 15, -1, 0, 5);
  if (right)
    p.Head(28, 15, 1, 0, 5);
  return p.Make(15, 15);
}

HCURSOR SizeCursor(bool vertical) {
  CursorPicture p;
  if (vertical) {
    p.Box(6, 14, 26, 15);
    p.Box(6, 17, 26, 18);
    p.Box(15, 4, 17, 14);
    p.Box(15, 18, 17, 28);
    p.Head(15, 3, 0, -1, 5);
    p.Head(16, 3, 0, -1, 5);
    p.Head(15, 28, 0, 1, 5);
    p.Head(16, 28, 0, 1, 5);
  } else {
    p.Box(14, 6, 15, 26);
    p.Box(17, 6, 18, 26);
    p.Box(4, 15, 14, 17);
    p.Box(18, 15, 28, 17);
    p.Head(3, 15, -1, 0, 5);
    p.Head(3, 16, -1, 0, 5);
    p.Head(28, 15, 1, 0, 5);
    p.Head(28, 16, 1, 0, 5);
  }
  return p.Make(16, 16);
}

HCURSOR DragCursor(int boxes, bool plus, bool cross) {
  CursorPicture p;
  p.Pointer();
  for (int i = 0; i < boxes; ++i)
    p.Frame(12 + 3 * i, 18 - 3 * i, 24 + 3 * i, 27 - 3 * i);
  if (plus) {
    p.Box(22, 23, 29, 24);
    p.Box(25, 20, 26, 27);
  }
  if (cross) {
    p.Line(16, 18, 24, 26);
    p.Line(16, 26, 24, 18);
  }
  return p.Make(0, 0);
}

HCURSOR NoDropCursor() {
  CursorPicture p;
  p.Ring(15, 15, 9);
  p.Line(9, 9, 21, 21);
  p.Line(10, 9, 22, 21);
  return p.Make(15, 15);
}

} // namespace

const std::array<const char*, 14>& cxLibraryCursorNames() {
  return cursorNames;
}

HCURSOR cxCreateLibraryCursor(const String& AName) {
  String name = UpperCase(AName);
  if (name == "CX_DRAGCOPYCURSOR")
    return DragCursor(1, true, false);
  if (name == "CX_FULLSCROLLCURSOR")
    return ScrollCursor(true, true, true, true);
  if (name == "CX_HORSCROLLCURSOR")
    return ScrollCursor(false, true, false, true);
  if (name == "CX_VERSCROLLCURSOR")
    return ScrollCursor(true, false, true, false);
  if (name == "CX_UPSCROLLCURSOR")
    return ScrollCursor(true, false, false, false);
  if (name == "CX_RIGHTSCROLLCURSOR")
    return ScrollCursor(false, true, false, false);
  if (name == "CX_DOWNSCROLLCURSOR")
    return ScrollCursor(false, false, true, false);
  if (name == "CX_LEFTSCROLLCURSOR")
    return ScrollCursor(false, false, false, true);
  if (name == "CX_REMOVECURSOR")
    return DragCursor(0, false, true);
  if (name == "CX_VERTSIZECURSOR")
    return SizeCursor(true);
  if (name == "CX_HORZSIZECURSOR")
    return SizeCursor(false);
  if (name == "CX_MULTIDRAGCURSOR")
    return DragCursor(2, false, false);
  if (name == "CX_NODROPCURSOR")
    return NoDropCursor();
  if (name == "CX_DRAGCURSOR")
    return DragCursor(1, false, false);
  return nullptr;
}
