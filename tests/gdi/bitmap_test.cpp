#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <png.h>
#include <vector>

#include "canvas_fixture.h"

namespace {

BITMAPINFO Header(int width, int height, int bits) {
  BITMAPINFO info{};
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biBitCount = WORD(bits);
  return info;
}

TEST(Bitmaps, MonochromeBitsAreWordAlignedRowsWithOneForWhite) {
  const BYTE bits[] = {0xA0, 0x00, 0x50, 0x00}; // 3 x 2: #.# / .#.   (0 = black)
  HBITMAP mono = CreateBitmap(3, 2, 1, 1, bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mono);
  EXPECT_EQ(GetPixel(dc, 0, 0), kWhite);
  EXPECT_EQ(GetPixel(dc, 1, 0), kBlack);
  EXPECT_EQ(GetPixel(dc, 1, 1), kWhite);
  // Drawing on a monochrome bitmap maps each colour to the nearer of black and white.
  EXPECT_EQ(SetPixel(dc, 0, 1, RGB(200, 180, 90)), kWhite);
  EXPECT_EQ(SetPixel(dc, 2, 1, RGB(90, 80, 70)), kBlack);
  BITMAP bm;
  GetObject(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidthBytes, 2);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(mono);
  EXPECT_EQ(CreateBitmap(-1, 4, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(4, 4, 2, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(100000, 100000, 1, 32, nullptr), nullptr);
}

TEST(Bitmaps, DibTransfersRoundTripInBothRowOrders) {
  Canvas c(3, 2);
  SetPixel(c.dc, 0, 0, RGB(1, 2, 3));
  SetPixel(c.dc, 2, 1, RGB(4, 5, 6));
  struct Case {
    int height;
    int bits;
  };
  for (Case k : {Case{-2, 32}, Case{2, 32}, Case{-2, 24}, Case{2, 24}}) {
    BITMAPINFO info = Header(3, k.height, k.bits);
    std::vector<BYTE> buffer(64, 0xEE);
    ASSERT_EQ(GetDIBits(c.dc, c.bitmap, 0, 2, buffer.data(), &info, DIB_RGB_COLORS), 2);
    const int stride = 12; // 3 pixels: 12 bytes at 32 bits, and 9 padded to 12 at 24
    int topRow = k.height < 0 ? 0 : 1;
    const BYTE* first = buffer.data() + topRow * stride;
    EXPECT_EQ(first[0], 3); // blue, green, red
    EXPECT_EQ(first[1], 2);
    EXPECT_EQ(first[2], 1);
    // Write it back into a fresh bitmap and compare.
    Canvas copy(3, 2, kBlack);
    ASSERT_EQ(SetDIBits(copy.dc, copy.bitmap, 0, 2, buffer.data(), &info, DIB_RGB_COLORS), 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x)
        EXPECT_EQ(copy.At(x, y), c.At(x, y)) << k.height << "/" << k.bits << " at " << x << "," << y;
  }
  BITMAPINFO query = Header(0, 0, 0);
  EXPECT_NE(GetDIBits(c.dc, c.bitmap, 0, 0, nullptr, &query, DIB_RGB_COLORS), 0);
  EXPECT_EQ(query.bmiHeader.biWidth, 3);
  EXPECT_EQ(query.bmiHeader.biBitCount, 32);
}

TEST(Bitmaps, OneBitDibUsesItsColourTable) {
  BITMAPINFO info = Header(2, -1, 1);
  info.bmiColors[0] = RGBQUAD{0, 0, 255, 0}; // red
  info.bmiColors[1] = RGBQUAD{255, 0, 0, 0}; // blue
  const BYTE bits[4] = {0x40, 0, 0, 0};
  Canvas c(2, 1);
  SetDIBits(c.dc, c.bitmap, 0, 1, bits, &info, DIB_RGB_COLORS);
  EXPECT_EQ(c.At(0, 0), kRed);
  EXPECT_EQ(c.At(1, 0), RGB(0, 0, 255));
}

TEST(Bitmaps, DibSectionBitsAreTheSurface) {
  for (int height : {-2, 2}) {
    BITMAPINFO info = Header(2, height, 32);
    void* raw = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
    ASSERT_NE(section, nullptr);
    auto* bits = static_cast<std::uint32_t*>(raw);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    SetPixel(dc, 1, 0, RGB(0x11, 0x22, 0x33));
    // Top-down: row 0 first in memory; bottom-up: the top row is the last one.
    std::size_t index = height < 0 ? 1 : 3;
    EXPECT_EQ(bits[index], 0x112233u) << height;
    bits[0] = 0x00FF0000; // the application writes red into the first memory row
    EXPECT_EQ(GetPixel(dc, 0, height < 0 ? 0 : 1), kRed) << height;
    DIBSECTION ds;
    EXPECT_EQ(GetObject(section, sizeof ds, &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBits, raw);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(section);
  }
  BITMAPINFO unsupported = Header(2, 2, 8);
  void* raw = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateDIBSection(nullptr, &unsupported, DIB_RGB_COLORS, &raw, nullptr, 0), nullptr);
  EXPECT_EQ(raw, nullptr);
}

TEST(Bitmaps, PngExportWritesThePixels) {
  Canvas c(3, 2, kRed);
  SetPixel(c.dc, 2, 1, RGB(0, 0, 255));
  auto path =
      std::filesystem::temp_directory_path() / ("pelvor-gdi-png-test-" + std::to_string(::getpid()) + ".png");
  ASSERT_TRUE(SaveBitmapPng(c.bitmap, path.string().c_str()));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.string().c_str()));
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(pixels[0], 255);
  EXPECT_EQ(pixels[1], 0);
  EXPECT_EQ(pixels[5 * 3 + 2], 255); // last pixel is blue
  std::filesystem::remove(path);
  EXPECT_FALSE(SaveBitmapPng(c.bitmap, "/nonexistent-dir/x.png"));
}

TEST(Bitmaps, ObjectRecordsOfPensAndBrushes) {
  HPEN pen = CreatePen(PS_DASH, 1, kRed);
  LOGPEN lp;
  ASSERT_EQ(GetObject(pen, sizeof lp, &lp), int(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, UINT(PS_DASH));
  EXPECT_EQ(lp.lopnColor, kRed);
  HPEN wide = CreatePen(PS_DASH, 3, kRed);
  GetObject(wide, sizeof lp, &lp);
  EXPECT_EQ(lp.lopnStyle, UINT(PS_SOLID)); // styled wide pens draw solid
  LOGBRUSH solid{BS_SOLID, RGB(1, 2, 3), 0};
  HPEN ext = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, 4, &solid, 0, nullptr);
  EXPECT_EQ(GetObjectType(ext), OBJ_EXTPEN);
  HBRUSH brush = CreateSolidBrush(RGB(7, 8, 9));
  LOGBRUSH lb;
  ASSERT_EQ(GetObject(brush, sizeof lb, &lb), int(sizeof lb));
  EXPECT_EQ(lb.lbColor, RGB(7, 8, 9));
  EXPECT_EQ(GetObject(brush, 2, &lb), 0);
  LOGBRUSH sys;
  GetObject(GetSysColorBrush(COLOR_BTNFACE), sizeof sys, &sys);
  EXPECT_EQ(sys.lbColor, GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetSysColorBrush(99), nullptr);
  for (HGDIOBJ o : {HGDIOBJ(pen), HGDIOBJ(wide), HGDIOBJ(ext), HGDIOBJ(brush)})
    EXPECT_TRUE(DeleteObject(o));
}

} // namespace
