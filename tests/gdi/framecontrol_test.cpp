#include <gtest/gtest.h>

#include "canvas_fixture.h"

namespace {

const std::map<COLORREF, char> kLegend{
    {RGB(255, 255, 255), 'H'}, {RGB(212, 208, 200), 'L'}, {RGB(128, 128, 128), 'S'},
    {RGB(64, 64, 64), 'D'},    {RGB(0, 0, 0), '#'},       {RGB(1, 2, 3), '.'},
};

std::string Control(int w, int h, UINT type, UINT state, RECT* rectOut = nullptr) {
  Canvas c(w, h, RGB(1, 2, 3));
  RECT r{0, 0, w, h};
  EXPECT_TRUE(DrawFrameControl(c.dc, &r, type, state));
  if (rectOut)
    *rectOut = r;
  return c.Picture(kLegend);
}

TEST(FrameControl, CheckBoxBoxFillAndMark) {
  // 13 x 13: a sunken two-pixel box, a 9 x 9 interior and the seven-column mark at (3, 3).
  EXPECT_EQ(Control(13, 13, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED), "SSSSSSSSSSSSH\n"
                                                                          "SDDDDDDDDDDLH\n"
                                                                          "SDHHHHHHHHHLH\n"
                                                                          "SDHHHHHHH#HLH\n"
                                                                          "SDHHHHHH##HLH\n"
                                                                          "SDH#HHH###HLH\n"
                                                                          "SDH##H###HHLH\n"
                                                                          "SDH#####HHHLH\n"
                                                                          "SDHH###HHHHLH\n"
                                                                          "SDHHH#HHHHHLH\n"
                                                                          "SDHHHHHHHHHLH\n"
                                                                          "SLLLLLLLLLLLH\n"
                                                                          "HHHHHHHHHHHHH\n");
}

TEST(FrameControl, CheckBoxStatesTable) {
  struct Case {
    UINT state;
    char interior; // pixel (2, 2)
    char mark;     // pixel (3, 5), part of the mark's first column
  };
  const Case cases[] = {
      {DFCS_BUTTONCHECK, 'H', 'H'},
      {DFCS_BUTTONCHECK | DFCS_CHECKED, 'H', '#'},
      {DFCS_BUTTONCHECK | DFCS_PUSHED, 'L', 'L'},
      {DFCS_BUTTONCHECK | DFCS_INACTIVE | DFCS_CHECKED, 'L', 'S'},
      {DFCS_BUTTON3STATE | DFCS_CHECKED, 'L', 'S'}, // checkerboard: (2, 2) is on the face phase
      {DFCS_BUTTON3STATE, 'H', 'H'},
  };
  for (const Case& c : cases) {
    std::string p = Control(13, 13, DFC_BUTTON, c.state);
    EXPECT_EQ(p[2 * 14 + 2], c.interior) << std::hex << c.state;
    EXPECT_EQ(p[5 * 14 + 3], c.mark) << std::hex << c.state;
  }
  // The three-state checkerboard alternates face and white.
  std::string p = Control(13, 13, DFC_BUTTON, DFCS_BUTTON3STATE | DFCS_CHECKED);
  EXPECT_EQ(p.substr(2 * 14 + 2, 4), "LHLH");
  // Flat: a one-pixel shadow frame, then the face ring.
  p = Control(13, 13, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT);
  EXPECT_EQ(p.substr(0, 14), "SSSSSSSSSSSSS\n");
  EXPECT_EQ(p.substr(14, 3), "SLL");
}

TEST(FrameControl, RadioRingsAndDot) {
  std::string p = Control(13, 13, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
  // Diameter 11 ring centred at (7, 7) - it spans columns 1..11 - upper-left shadow, lower-right highlight.
  EXPECT_EQ(p[7 * 14 + 0], '.');
  EXPECT_EQ(p[7 * 14 + 1], 'S');
  EXPECT_EQ(p[7 * 14 + 11], 'H');
  EXPECT_EQ(p[7 * 14 + 12], '.');
  EXPECT_EQ(p[1 * 14 + 7], 'S');
  EXPECT_EQ(p[11 * 14 + 7], 'H');
  // Inner ring one pixel in, dark upper-left.
  EXPECT_EQ(p[7 * 14 + 2], 'D');
  // The dot (diameter 4) is window text; around it the window-coloured centre.
  EXPECT_EQ(p[7 * 14 + 7], '#');
  EXPECT_EQ(p[5 * 14 + 6], '#');
  EXPECT_EQ(p[5 * 14 + 5], 'H');
  EXPECT_EQ(p[7 * 14 + 4], 'H');
  // Corners are not painted.
  EXPECT_EQ(p[0], '.');

  std::string mask = Control(13, 13, DFC_BUTTON, DFCS_BUTTONRADIOMASK);
  EXPECT_EQ(mask[0], 'H');
  EXPECT_EQ(mask[7 * 14 + 1], '#');
  EXPECT_EQ(mask[7 * 14 + 7], '#');
  std::string image = Control(13, 13, DFC_BUTTON, DFCS_BUTTONRADIOIMAGE | DFCS_FLAT);
  EXPECT_EQ(image[0], '#');
  EXPECT_EQ(image[7 * 14 + 7], 'H');
}

TEST(FrameControl, PushButtonEdgesAndAdjustRect) {
  RECT r;
  std::string up = Control(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT, &r);
  EXPECT_EQ(up, "HHHHHD\nHLLLSD\nHLLLSD\nHLLLSD\nHSSSSD\nDDDDDD\n");
  EXPECT_EQ(r, (RECT{2, 2, 4, 4}));
  std::string down = Control(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
  EXPECT_EQ(down, "DDDDDH\nDSSSLH\nDSLLLH\nDSLLLH\nDLLLLH\nHHHHHH\n");
  std::string flat = Control(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT);
  EXPECT_EQ(flat, "SSSSSS\nSLLLLS\nSLLLLS\nSLLLLS\nSLLLLS\nSSSSSS\n");
  std::string transparent = Control(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_TRANSPARENT);
  EXPECT_EQ(transparent.substr(2 * 7, 7), "HL..SD\n");
}

TEST(FrameControl, ScrollArrowGeometry) {
  // 16 x 16 down arrow, not pressed: rows 6..9 cover x = 4..10, 5..9, 6..8, 7.
  std::string p = Control(16, 16, DFC_SCROLL, DFCS_SCROLLDOWN);
  auto row = [&](const std::string& s, int y) { return s.substr(std::size_t(y) * 17, 16); };
  EXPECT_EQ(row(p, 5), "LHLLLLLLLLLLLLSD");
  EXPECT_EQ(row(p, 6), "LHLL#######LLLSD");
  EXPECT_EQ(row(p, 7), "LHLLL#####LLLLSD");
  EXPECT_EQ(row(p, 8), "LHLLLL###LLLLLSD");
  EXPECT_EQ(row(p, 9), "LHLLLLL#LLLLLLSD");
  EXPECT_EQ(row(p, 10), "LHLLLLLLLLLLLLSD");
  // Pressed (and flat, as scroll bars pass it): the glyph sits one pixel lower-right.
  std::string pushed = Control(16, 16, DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_PUSHED | DFCS_FLAT);
  EXPECT_EQ(row(pushed, 10), "SLLLLLLL#LLLLLLS");
  EXPECT_EQ(row(pushed, 0), "SSSSSSSSSSSSSSSS");
  // The combo box button is the down arrow.
  EXPECT_EQ(Control(16, 16, DFC_SCROLL, DFCS_SCROLLCOMBOBOX), p);
  // Inactive: a highlight copy one pixel lower-right under the shadow glyph.
  std::string inactive = Control(16, 16, DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_INACTIVE);
  EXPECT_EQ(row(inactive, 9), "LHLLLLLSHHLLLLSD");
  EXPECT_EQ(row(inactive, 10), "LHLLLLLLHLLLLLSD");
  // Up, left and right are the same triangle turned.
  std::string up = Control(16, 16, DFC_SCROLL, DFCS_SCROLLUP);
  EXPECT_EQ(row(up, 5), "LHLLLLL#LLLLLLSD");
  EXPECT_EQ(row(up, 8), "LHLL#######LLLSD");
  std::string right = Control(16, 16, DFC_SCROLL, DFCS_SCROLLRIGHT);
  EXPECT_EQ(row(right, 7), "LHLLLL####LLLLSD");
  EXPECT_EQ(row(right, 4), "LHLLLL#LLLLLLLSD");
  std::string left = Control(16, 16, DFC_SCROLL, DFCS_SCROLLLEFT);
  EXPECT_EQ(row(left, 7), "LHLLL####LLLLLSD");
}

TEST(FrameControl, CaptionButtonsDrawAGlyphInsideTheFrame) {
  for (UINT kind :
       {DFCS_CAPTIONCLOSE, DFCS_CAPTIONMIN, DFCS_CAPTIONMAX, DFCS_CAPTIONRESTORE, DFCS_CAPTIONHELP}) {
    Canvas c(16, 14, RGB(1, 2, 3));
    RECT r{0, 0, 16, 14};
    ASSERT_TRUE(DrawFrameControl(c.dc, &r, DFC_CAPTION, kind));
    int text = c.Count(GetSysColor(COLOR_BTNTEXT));
    EXPECT_GT(text, 3) << kind;
    EXPECT_EQ(c.At(1, 1), GetSysColor(COLOR_3DHILIGHT)) << kind;
    for (int x = 0; x < 16; ++x)
      EXPECT_NE(c.At(x, 0), kBlack) << "glyph leaked onto the frame, kind " << kind;
    Canvas dim(16, 14, RGB(1, 2, 3));
    DrawFrameControl(dim.dc, &r, DFC_CAPTION, kind | DFCS_INACTIVE);
    EXPECT_EQ(dim.Count(GetSysColor(COLOR_BTNTEXT)), 0) << kind;
    EXPECT_GT(dim.Count(GetSysColor(COLOR_3DSHADOW)), text / 2) << kind;
  }
  Canvas c(16, 14);
  RECT r{0, 0, 16, 14};
  EXPECT_FALSE(DrawFrameControl(c.dc, &r, DFC_CAPTION, 9));
  EXPECT_FALSE(DrawFrameControl(c.dc, &r, DFC_MENU, 0));
}

TEST(SystemBitmaps, CheckBoxesAreAGridOfFrameControls) {
  HBITMAP boxes = LoadBitmap(nullptr, OBM_CHECKBOXES);
  ASSERT_NE(boxes, nullptr);
  BITMAP bm;
  GetObject(boxes, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 52);
  EXPECT_EQ(bm.bmHeight, 39);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, boxes);
  // The second cell differs from the first exactly by the check mark: 7 columns of 3.
  int differing = 0;
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x)
      differing += GetPixel(dc, x, y) != GetPixel(dc, 13 + x, y);
  EXPECT_EQ(differing, 21);
  Canvas expected(13, 13);
  RECT r{0, 0, 13, 13};
  DrawFrameControl(expected.dc, &r, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x)
      if (expected.At(x, y) != kWhite || (x > 2 && x < 10 && y > 2 && y < 10)) {
        ASSERT_EQ(GetPixel(dc, 13 + x, 13 + y), expected.At(x, y)) << x << "," << y;
      }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(boxes);
  EXPECT_EQ(LoadBitmap(nullptr, 1), nullptr);
}

} // namespace
