#include <gtest/gtest.h>

#include "platform/rtl/Colors.h"

namespace {

class SysColors : public ::testing::Test {
protected:
  void TearDown() override { ResetSysColorTable(); }
};

TEST_F(SysColors, ClassicDefaults) {
  struct Case {
    int index;
    COLORREF rgb;
  };
  const Case cases[] = {
      {COLOR_SCROLLBAR, RGB(212, 208, 200)},
      {COLOR_BACKGROUND, RGB(58, 110, 165)},
      {COLOR_ACTIVECAPTION, RGB(10, 36, 106)},
      {COLOR_WINDOW, RGB(255, 255, 255)},
      {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
      {COLOR_HIGHLIGHT, RGB(10, 36, 106)},
      {COLOR_BTNFACE, RGB(212, 208, 200)},
      {COLOR_BTNSHADOW, RGB(128, 128, 128)},
      {COLOR_GRAYTEXT, RGB(128, 128, 128)},
      {COLOR_INACTIVECAPTIONTEXT, RGB(212, 208, 200)},
      {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)},
      {COLOR_3DDKSHADOW, RGB(64, 64, 64)},
      {COLOR_3DLIGHT, RGB(212, 208, 200)},
      {COLOR_INFOTEXT, RGB(0, 0, 0)},
      {COLOR_INFOBK, RGB(255, 255, 225)},
      {COLOR_ALTERNATEBTNFACE, RGB(181, 181, 181)},
      {COLOR_HOTLIGHT, RGB(0, 0, 128)},
      {COLOR_GRADIENTACTIVECAPTION, RGB(166, 202, 240)},
      {COLOR_GRADIENTINACTIVECAPTION, RGB(192, 192, 192)},
      {COLOR_MENUHILIGHT, RGB(10, 36, 106)},
      {COLOR_MENUBAR, RGB(212, 208, 200)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetSysColor(c.index), c.rgb) << c.index;
    EXPECT_EQ(DefaultSysColors()[c.index], c.rgb) << c.index;
  }
  EXPECT_EQ(SysColorCount, 31);
  EXPECT_EQ(GetSysColor(-1), 0u);
  EXPECT_EQ(GetSysColor(SysColorCount), 0u);
}

TEST_F(SysColors, ColorToRGBResolvesOnlySystemColours) {
  EXPECT_EQ(ColorToRGB(clBtnFace), TColor(0xC8D0D4));
  EXPECT_EQ(ColorToRGB(clHighlight), TColor(0x6A240A));
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(clDefault), clDefault);
  EXPECT_EQ(ColorToRGB(TColor(clSystemColor | 0xFF)), 0);
}

TEST_F(SysColors, TableIsInjectableAndResettable) {
  SysColorTable table = DefaultSysColors();
  table[COLOR_BTNFACE] = RGB(1, 2, 3);
  SetSysColorTable(table);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(1, 2, 3));
  EXPECT_EQ(ColorToRGB(clBtnFace), TColor(RGB(1, 2, 3)));
  ResetSysColorTable();
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
}

} // namespace
