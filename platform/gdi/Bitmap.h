#pragma once
// Bitmaps: device-dependent (colour and monochrome), DIB sections, and the DIB transfer calls.
#include <memory>
#include <vector>

#include "platform/gdi/HandleTable.h"
#include "platform/gdi/Surface.h"

namespace gdi {

class BitmapObject : public GdiObject {
public:
  static constexpr GdiKind kKind = GdiKind::Bitmap;
  BitmapObject() : GdiObject(kKind) {}
  int Describe(int size, void* buffer) const override;

  int Width() const { return surface->Width(); }
  int Height() const { return surface->Height(); }
  bool IsMono() const { return bitsPixel == 1; }

  // A monochrome bitmap keeps its pixels as black (0) and white (0xFFFFFF) words so that every drawing
  // routine can treat it as a colour surface; bitsPixel says how it presents itself to the application.
  std::unique_ptr<Surface> surface;
  int bitsPixel = 32;
  // A DIB section's bits, which the application may write directly. The surface views them.
  std::vector<std::uint32_t> dibBits;
  bool dibSection = false;
  bool bottomUp = false;
  // The one device context the bitmap is selected into, if any.
  HDC selectedInto = nullptr;
};

BitmapObject* LookupBitmap(HBITMAP handle);
// A new bitmap with an owned surface cleared to 0 (black); bitsPixel is 1 or 32.
HBITMAP NewBitmap(int width, int height, int bitsPixel);
// The 1 x 1 monochrome stock bitmap a new memory DC starts with.
HBITMAP DefaultBitmap();

} // namespace gdi

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateBitmapIndirect(const BITMAP* bitmap);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset);
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage);
BOOL GetBitmapDimensionEx(HBITMAP bitmap, SIZE* size);
// Writes the bitmap's pixels as an 8-bit RGB PNG.
bool SaveBitmapPng(HBITMAP bitmap, const char* path);
