#include <gtest/gtest.h>

#include "editors/core/cxEditUtils.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/SystemMetrics.h"

namespace {

bool IsLiveBrush(HBRUSH ABrush) {
  return GetObjectType(ABrush) == OBJ_BRUSH;
}

class BrushCache : public testing::Test {
protected:
  void SetUp() override { cxEditUtilsInitialize(); }
  void TearDown() override {
    cxEditUtilsFinalize();
    ResetSysColorTable();
  }
};

TEST_F(BrushCache, SameColourSameBrushAndSystemColoursUseTheSystemBrushes) {
  TcxSolidBrushCache cache(4);
  HBRUSH red = cache.GetBrush(TColor(RGB(255, 0, 0)));
  EXPECT_TRUE(IsLiveBrush(red));
  EXPECT_EQ(red, cache.GetBrush(TColor(RGB(255, 0, 0))));
  EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), cache.GetBrush(clBtnFace));
  EXPECT_EQ(GetSysColorBrush(COLOR_HOTLIGHT), cache.GetBrush(clHotLight));
  EXPECT_EQ(1, cache.Count());
  LOGBRUSH lb{};
  ASSERT_NE(0, GetObjectA(red, sizeof lb, &lb));
  EXPECT_EQ(RGB(255, 0, 0), lb.lbColor);
}

TEST_F(BrushCache, FullCacheDropsTheLeastAskedFor) {
  TcxSolidBrushCache cache(4);
  auto ask = [&](int AColor, int ATimes) {
    HBRUSH b = nullptr;
    for (int i = 0; i < ATimes; ++i)
      b = cache.GetBrush(TColor(AColor));
    return b;
  };
  HBRUSH b20 = ask(20, 1);
  HBRUSH b10 = ask(10, 3);
  HBRUSH b30 = ask(30, 2);
  HBRUSH b40 = ask(40, 3);
  HBRUSH b50 = ask(50, 1);
  EXPECT_EQ(4, cache.Count());
  EXPECT_FALSE(IsLiveBrush(b20));
  for (HBRUSH b : {b10, b30, b40, b50})
    EXPECT_TRUE(IsLiveBrush(b));
  // Among equally asked-for colours the first in colour order goes: 30 and 50 were asked for twice and
  // once; ask 50 once more so that 30 and 50 tie, then push both out of the recent requests.
  ask(50, 1);
  ask(10, 1);
  ask(40, 2);
  HBRUSH b60 = ask(60, 1);
  EXPECT_FALSE(IsLiveBrush(b30));
  EXPECT_TRUE(IsLiveBrush(b50));
  EXPECT_TRUE(IsLiveBrush(b60));
}

TEST_F(BrushCache, ABrushJustHandedOutIsNotTheOneEvicted) {
  TcxSolidBrushCache cache(2);
  HBRUSH later = cache.GetBrush(TColor(0x20));
  HBRUSH held = cache.GetBrush(TColor(0x10)); // first in colour order, asked for as often as the other
  HBRUSH third = cache.GetBrush(TColor(0x30));
  EXPECT_TRUE(IsLiveBrush(held));
  EXPECT_TRUE(IsLiveBrush(third));
  EXPECT_FALSE(IsLiveBrush(later));

  // A painter holding a few brushes at once keeps all of them while a full cache takes new colours.
  TcxSolidBrushCache big(16);
  for (int c = 100; c < 116; ++c)
    for (int n = 0; n < 3; ++n)
      big.GetBrush(TColor(c));
  std::vector<HBRUSH> held3;
  for (int c = 1; c <= 3; ++c)
    held3.push_back(big.GetBrush(TColor(c)));
  for (HBRUSH b : held3)
    EXPECT_TRUE(IsLiveBrush(b));
  EXPECT_EQ(16, big.Count());
}

TEST_F(BrushCache, SystemColourChangeEmptiesTheCache) {
  TcxSolidBrushCache cache(8);
  HBRUSH before = cache.GetBrush(TColor(RGB(1, 2, 3)));
  HBRUSH global = GetSolidBrush(TColor(RGB(4, 5, 6)));
  SysColorTable colors = DefaultSysColors();
  colors[COLOR_BTNFACE] = RGB(9, 9, 9);
  platform::ApplySysColors(colors);
  EXPECT_EQ(0, cache.Count());
  EXPECT_EQ(0, SolidBrushCache()->Count());
  EXPECT_FALSE(IsLiveBrush(before));
  EXPECT_FALSE(IsLiveBrush(global));
  HBRUSH after = cache.GetBrush(TColor(RGB(1, 2, 3)));
  EXPECT_TRUE(IsLiveBrush(after));
  EXPECT_EQ(1, cache.Count());
}

TEST_F(BrushCache, GlobalCacheLivesWithTheUnit) {
  ASSERT_NE(nullptr, SolidBrushCache());
  EXPECT_EQ(128, SolidBrushCache()->Capacity());
  HBRUSH b = GetSolidBrush(TColor(RGB(7, 7, 7)));
  EXPECT_EQ(b, GetSolidBrushForCanvas(static_cast<TCanvas*>(nullptr), TColor(RGB(7, 7, 7))));
  EXPECT_EQ(b, GetSolidBrushForCanvas(static_cast<TcxCanvas*>(nullptr), TColor(RGB(7, 7, 7))));
  cxEditUtilsFinalize();
  EXPECT_EQ(nullptr, SolidBrushCache());
  EXPECT_FALSE(IsLiveBrush(b));
  EXPECT_THROW(GetSolidBrush(clRed), EInvalidOperation);
  cxEditUtilsInitialize();
}

} // namespace
