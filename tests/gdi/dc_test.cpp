#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"

namespace {

TEST(DeviceContext, NewMemoryDCHasTheStockSelectionsAndMonochromeBitmap) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  BITMAP bm;
  ASSERT_EQ(GetObject(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  // Compatible with a fresh memory DC means monochrome.
  HBITMAP mono = CreateCompatibleBitmap(dc, 8, 8);
  GetObject(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  DeleteObject(mono);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(DeviceContext, SelectObjectReturnsThePreviousObjectOfThatKind) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), pen);
  // A stale handle selects nothing.
  DeleteObject(pen);
  EXPECT_EQ(SelectObject(dc, pen), nullptr);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  DeleteDC(dc);
  DeleteObject(brush);
}

TEST(DeviceContext, DeletingSelectedObjects) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  SelectObject(dc, bitmap);
  SelectObject(dc, brush);
  // A selected bitmap cannot be deleted; a selected brush goes when it is deselected.
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(GetObjectType(brush), OBJ_BRUSH);
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetObjectType(brush), 0u);
  // A bitmap lives in one DC at a time.
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, bitmap), nullptr);
  DeleteDC(dc);
  EXPECT_NE(SelectObject(other, bitmap), nullptr);
  DeleteDC(other);
  EXPECT_TRUE(DeleteObject(bitmap));
  // Stock objects survive deletion.
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), OBJ_BRUSH);
}

TEST(DeviceContext, SaveAndRestoreBringBackStateAndObjects) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  SetTextColor(dc, RGB(1, 1, 1));
  SetWindowOrgEx(dc, 3, 4, nullptr);
  int level1 = SaveDC(dc);
  EXPECT_EQ(level1, 1);
  SelectObject(dc, red);
  SetTextColor(dc, RGB(2, 2, 2));
  SetBkMode(dc, TRANSPARENT);
  IntersectClipRect(dc, 0, 0, 5, 5);
  int level2 = SaveDC(dc);
  EXPECT_EQ(level2, 2);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetROP2(dc, R2_XORPEN);

  EXPECT_TRUE(RestoreDC(dc, -1));
  EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
  POINT org;
  GetWindowOrgEx(dc, &org);
  EXPECT_EQ(org, (POINT{3, 4}));
  HRGN clip = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(dc, clip), 1);

  EXPECT_TRUE(RestoreDC(dc, 1));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetTextColor(dc), RGB(1, 1, 1));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetClipRgn(dc, clip), 0);
  // Both levels are gone now.
  EXPECT_FALSE(RestoreDC(dc, 1));
  EXPECT_FALSE(RestoreDC(dc, -1));
  // The pen was kept alive only by the saved state and the selection; now it can go at once.
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_EQ(GetObjectType(red), 0u);
  DeleteObject(clip);
  DeleteDC(dc);
}

TEST(DeviceContext, ClipCallsWorkInDeviceUnitsAndReportLogicalBoxes) {
  Surface surface(40, 30);
  HDC dc = CreateSurfaceDC(&surface, {10, 5}, nullptr);
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{-10, -5, 30, 25}));
  SetWindowOrgEx(dc, 2, 2, nullptr);
  EXPECT_EQ(IntersectClipRect(dc, 2, 2, 12, 12), SIMPLEREGION);
  HRGN clip = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetClipRgn(dc, clip), 1);
  GetRgnBox(clip, &box);
  EXPECT_EQ(box, (RECT{0, 0, 10, 10})); // device units
  GetClipBox(dc, &box);
  EXPECT_EQ(box, (RECT{2, 2, 12, 12})); // logical units
  EXPECT_EQ(ExcludeClipRect(dc, 4, 4, 6, 6), COMPLEXREGION);
  EXPECT_FALSE(PtVisible(dc, 4, 4));
  EXPECT_TRUE(PtVisible(dc, 6, 6));
  EXPECT_EQ(SelectClipRgn(dc, nullptr), SIMPLEREGION);
  EXPECT_EQ(GetClipRgn(dc, clip), 0);

  // The visible region (surface units) limits everything, whatever the application selects.
  HRGN vis = CreateRectRgn(10, 5, 20, 15);
  SetDCVisibleRegion(dc, vis);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  GetClipBox(dc, &box);
  EXPECT_EQ(box, (RECT{0, 0, 10, 10}));
  HRGN big = CreateRectRgn(-100, -100, 100, 100);
  SelectClipRgn(dc, big);
  GetClipBox(dc, &box);
  EXPECT_EQ(box, (RECT{0, 0, 10, 10}));
  EXPECT_EQ(ExtSelectClipRgn(dc, nullptr, RGN_AND), ERROR);
  DeleteObject(vis);
  DeleteObject(big);
  DeleteObject(clip);
  DeleteDC(dc);
}

TEST(DeviceContext, ColourAndModeSettersAnswerThePreviousValue) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SetBkColor(dc, RGB(9, 9, 9)), RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(9, 9, 9));
  EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(SetBkMode(dc, 99), 0);
  EXPECT_EQ(SetROP2(dc, 0), 0);
  EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), BLACKONWHITE);
  POINT old;
  EXPECT_TRUE(SetBrushOrgEx(dc, 3, 5, &old));
  EXPECT_EQ(old, (POINT{0, 0}));
  GetBrushOrgEx(dc, &old);
  EXPECT_EQ(old, (POINT{3, 5}));
  DeleteDC(dc);
  EXPECT_EQ(GetTextColor(dc), CLR_INVALID);
}

} // namespace
