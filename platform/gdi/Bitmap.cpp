#include "platform/gdi/Bitmap.h"

#include <cstring>

#include "platform/gdi/DeviceContext.h"

namespace gdi {
namespace {

constexpr long long kMaxPixels = 1LL << 26;

bool SizeOk(long long width, long long height) {
  return width > 0 && height > 0 && width <= 65535 && height <= 65535 && width * height <= kMaxPixels;
}

// Bytes per row of a device-dependent bitmap: rows are padded to 16 bits.
int DdbStride(int width, int bitsPixel) {
  return ((width * bitsPixel + 15) / 16) * 2;
}

// Bytes per row of a DIB: rows are padded to 32 bits.
int DibStride(int width, int bitCount) {
  return ((width * bitCount + 31) / 32) * 4;
}

std::uint32_t ReadPixel(const std::uint8_t* row, int x, int bitCount, const RGBQUAD* table) {
  switch (bitCount) {
  case 1: {
    int bit = (row[x / 8] >> (7 - x % 8)) & 1;
    if (table)
      return (std::uint32_t(table[bit].rgbRed) << 16) | (std::uint32_t(table[bit].rgbGreen) << 8) |
             table[bit].rgbBlue;
    return bit ? 0xFFFFFF : 0;
  }
  case 24:
    return (std::uint32_t(row[x * 3 + 2]) << 16) | (std::uint32_t(row[x * 3 + 1]) << 8) | row[x * 3];
  default:
    return (std::uint32_t(row[x * 4 + 2]) << 16) | (std::uint32_t(row[x * 4 + 1]) << 8) | row[x * 4];
  }
}

void WritePixel(std::uint8_t* row, int x, int bitCount, std::uint32_t pixel) {
  switch (bitCount) {
  case 1:
    if (pixel & 0xFFFFFF)
      row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
    else
      row[x / 8] &= std::uint8_t(~(0x80 >> (x % 8)));
    break;
  case 24:
    row[x * 3] = std::uint8_t(pixel);
    row[x * 3 + 1] = std::uint8_t(pixel >> 8);
    row[x * 3 + 2] = std::uint8_t(pixel >> 16);
    break;
  default:
    row[x * 4] = std::uint8_t(pixel);
    row[x * 4 + 1] = std::uint8_t(pixel >> 8);
    row[x * 4 + 2] = std::uint8_t(pixel >> 16);
    row[x * 4 + 3] = 0;
    break;
  }
}

// The luminance rule is not what the platform uses for colour-to-mono DIB transfers (it matches the colour
// table); with a black/white table both agree on pure colours, which is what this layer stores.
std::uint32_t ToTarget(const BitmapObject& b, std::uint32_t pixel) {
  return b.IsMono() ? MonoPixel(PixelToColorRef(pixel)) : pixel;
}

} // namespace

int BitmapObject::Describe(int size, void* buffer) const {
  BITMAP bm;
  bm.bmType = 0;
  bm.bmWidth = Width();
  bm.bmHeight = Height();
  bm.bmPlanes = 1;
  bm.bmBitsPixel = WORD(bitsPixel);
  if (dibSection) {
    bm.bmWidthBytes = DibStride(Width(), bitsPixel);
    bm.bmBits = const_cast<std::uint32_t*>(dibBits.data());
    if (buffer && size >= int(sizeof(DIBSECTION))) {
      DIBSECTION ds;
      ds.dsBm = bm;
      ds.dsBmih.biWidth = Width();
      ds.dsBmih.biHeight = bottomUp ? Height() : -Height();
      ds.dsBmih.biBitCount = WORD(bitsPixel);
      ds.dsBmih.biSizeImage = DWORD(bm.bmWidthBytes) * DWORD(Height());
      std::memcpy(buffer, &ds, sizeof ds);
      return int(sizeof ds);
    }
  } else {
    bm.bmWidthBytes = DdbStride(Width(), bitsPixel);
  }
  if (!buffer)
    return int(sizeof bm);
  if (size < int(sizeof bm))
    return 0;
  std::memcpy(buffer, &bm, sizeof bm);
  return int(sizeof bm);
}

BitmapObject* LookupBitmap(HBITMAP handle) {
  return Lookup<BitmapObject>(ToObj(handle));
}

HBITMAP NewBitmap(int width, int height, int bitsPixel) {
  if (!SizeOk(width, height))
    return nullptr;
  auto b = std::make_unique<BitmapObject>();
  b->surface = std::make_unique<Surface>(width, height);
  b->bitsPixel = bitsPixel == 1 ? 1 : 32;
  return FromObj<HBITMAP>(InsertObject(std::move(b)));
}

HBITMAP DefaultBitmap() {
  static HBITMAP stock = nullptr;
  if (!LookupBitmap(stock)) {
    stock = NewBitmap(1, 1, 1);
    LookupBitmap(stock)->MarkStock();
  }
  return stock;
}

} // namespace gdi

using namespace gdi;

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width == 0 || height == 0)
    return DefaultBitmap();
  if (planes != 1 || !SizeOk(width, height))
    return nullptr;
  if (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32)
    return nullptr;
  int bpp = bitsPerPixel == 1 ? 1 : 32;
  HBITMAP handle = NewBitmap(width, height, bpp);
  if (handle && bits) {
    BitmapObject* b = LookupBitmap(handle);
    int stride = DdbStride(width, int(bitsPerPixel));
    auto* src = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        b->surface->Row(y)[x] = ReadPixel(src + std::ptrdiff_t(y) * stride, x, int(bitsPerPixel), nullptr);
  }
  return handle;
}

HBITMAP CreateBitmapIndirect(const BITMAP* bitmap) {
  if (!bitmap)
    return nullptr;
  return CreateBitmap(bitmap->bmWidth, bitmap->bmHeight, bitmap->bmPlanes, bitmap->bmBitsPixel,
                      bitmap->bmBits);
}

HBITMAP CreateCompatibleBitmap(HDC handle, int width, int height) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return nullptr;
  if (width == 0 || height == 0)
    return DefaultBitmap();
  // A memory DC fresh from CreateCompatibleDC holds the monochrome stock bitmap, so what it is compatible
  // with is monochrome: a well-known trap of the platform, kept.
  return NewBitmap(width, height, dc->mono ? 1 : 32);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD) {
  if (bits)
    *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section)
    return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  // Only 32-bit DIB sections share their bits with a surface; other depths would need copying on every
  // access, which nothing here asks for.
  if (h.biBitCount != 32 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) || h.biPlanes != 1)
    return nullptr;
  int width = h.biWidth;
  long long height = h.biHeight < 0 ? -(long long)h.biHeight : h.biHeight;
  if (!SizeOk(width, height))
    return nullptr;
  auto b = std::make_unique<BitmapObject>();
  b->dibSection = true;
  b->bitsPixel = 32;
  b->bottomUp = h.biHeight > 0;
  b->dibBits.assign(std::size_t(width) * std::size_t(height), 0);
  std::uint32_t* first = b->dibBits.data();
  std::ptrdiff_t stride = std::ptrdiff_t(width) * 4;
  if (b->bottomUp) {
    first += std::size_t(width) * std::size_t(height - 1);
    stride = -stride;
  }
  b->surface = std::make_unique<Surface>(width, int(height), first, stride);
  if (bits)
    *bits = b->dibBits.data();
  return FromObj<HBITMAP>(InsertObject(std::move(b)));
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
  BitmapObject* b = LookupBitmap(bitmap);
  if (!b || !info || usage != DIB_RGB_COLORS)
    return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (!bits && h.biBitCount == 0) {
    h.biWidth = b->Width();
    h.biHeight = b->Height();
    h.biPlanes = 1;
    h.biBitCount = WORD(b->bitsPixel);
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(DibStride(b->Width(), b->bitsPixel)) * DWORD(b->Height());
    return 1;
  }
  int bitCount = h.biBitCount;
  if (bitCount != 1 && bitCount != 24 && bitCount != 32)
    return 0;
  if (h.biWidth != b->Width() || h.biPlanes != 1 || h.biCompression != BI_RGB)
    return 0;
  bool topDown = h.biHeight < 0;
  int height = b->Height();
  if (start >= UINT(height))
    return 0;
  lines = std::min<UINT>(lines, UINT(height) - start);
  if (bitCount == 1) {
    info->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
    info->bmiColors[1] = RGBQUAD{255, 255, 255, 0};
  }
  h.biSizeImage = DWORD(DibStride(b->Width(), bitCount)) * DWORD(std::abs(h.biHeight));
  if (!bits)
    return int(lines);
  int stride = DibStride(b->Width(), bitCount);
  auto* out = static_cast<std::uint8_t*>(bits);
  for (UINT i = 0; i < lines; ++i) {
    int scan = int(start + i);
    int y = topDown ? scan : height - 1 - scan;
    std::uint8_t* row = out + std::ptrdiff_t(i) * stride;
    std::memset(row, 0, std::size_t(stride));
    const std::uint32_t* src = b->surface->Row(y);
    for (int x = 0; x < b->Width(); ++x) {
      std::uint32_t p = src[x] & 0xFFFFFF;
      if (bitCount == 1)
        p = MonoPixel(PixelToColorRef(p));
      WritePixel(row, x, bitCount, p);
    }
  }
  return int(lines);
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
  BitmapObject* b = LookupBitmap(bitmap);
  if (!b || !info || !bits || usage != DIB_RGB_COLORS || b->IsStock())
    return 0;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int bitCount = h.biBitCount;
  if ((bitCount != 1 && bitCount != 24 && bitCount != 32) || h.biCompression != BI_RGB || h.biPlanes != 1)
    return 0;
  if (h.biWidth <= 0 || h.biHeight == 0)
    return 0;
  bool topDown = h.biHeight < 0;
  long long dibHeight = topDown ? -(long long)h.biHeight : h.biHeight;
  if (start >= dibHeight)
    return 0;
  lines = UINT(std::min<long long>(lines, dibHeight - start));
  int stride = DibStride(h.biWidth, bitCount);
  auto* in = static_cast<const std::uint8_t*>(bits);
  int width = std::min(int(h.biWidth), b->Width());
  for (UINT i = 0; i < lines; ++i) {
    long long scan = start + i;
    long long y = topDown ? scan : dibHeight - 1 - scan;
    if (y < 0 || y >= b->Height())
      continue;
    const std::uint8_t* row = in + std::ptrdiff_t(i) * stride;
    std::uint32_t* dst = b->surface->Row(int(y));
    for (int x = 0; x < width; ++x)
      dst[x] = ToTarget(*b, ReadPixel(row, x, bitCount, bitCount == 1 ? info->bmiColors : nullptr));
  }
  return int(lines);
}

BOOL GetBitmapDimensionEx(HBITMAP bitmap, SIZE* size) {
  if (!LookupBitmap(bitmap) || !size)
    return FALSE;
  *size = {};
  return TRUE;
}

bool SaveBitmapPng(HBITMAP bitmap, const char* path) {
  BitmapObject* b = LookupBitmap(bitmap);
  return b && SaveSurfacePng(*b->surface, path);
}
