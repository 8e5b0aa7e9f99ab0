#include <gtest/gtest.h>

#include "canvas_fixture.h"

namespace {

COLORREF Sys(int i) {
  return GetSysColor(i);
}

// Classic colours are all distinct except 3DLIGHT = 3DFACE, so a legend can name them.
const std::map<COLORREF, char> kEdgeLegend{
    {RGB(255, 255, 255), 'H'}, // 3DHILIGHT (and WINDOW)
    {RGB(212, 208, 200), 'L'}, // 3DLIGHT = 3DFACE
    {RGB(128, 128, 128), 'S'}, // 3DSHADOW
    {RGB(64, 64, 64), 'D'},    // 3DDKSHADOW
    {RGB(0, 0, 0), 'F'},       // WINDOWFRAME
    {RGB(1, 2, 3), '.'},       // untouched
};

std::string Edge(UINT edge, UINT flags, RECT r = {0, 0, 5, 5}, RECT* adjusted = nullptr,
                 BOOL* result = nullptr) {
  Canvas c(5, 5, RGB(1, 2, 3));
  RECT rr = r;
  BOOL ok = DrawEdge(c.dc, &rr, edge, flags);
  if (adjusted)
    *adjusted = rr;
  if (result)
    *result = ok;
  return c.Picture(kEdgeLegend);
}

TEST(DrawEdge, RingColoursAndCornerOwnership) {
  struct Case {
    const char* name;
    UINT edge, flags;
    const char* picture;
  };
  const Case cases[] = {
      {"raised", EDGE_RAISED, BF_RECT, "LLLLD\nLHHSD\nLH.SD\nLSSSD\nDDDDD\n"},
      {"sunken", EDGE_SUNKEN, BF_RECT, "SSSSH\nSDDLH\nSD.LH\nSLLLH\nHHHHH\n"},
      {"etched", EDGE_ETCHED, BF_RECT, "SSSSH\nSHHSH\nSH.SH\nSSSSH\nHHHHH\n"},
      {"bump", EDGE_BUMP, BF_RECT, "LLLLD\nLDDLD\nLD.LD\nLLLLD\nDDDDD\n"},
      {"soft raised", EDGE_RAISED, BF_RECT | BF_SOFT, "HHHHD\nHLLSD\nHL.SD\nHSSSD\nDDDDD\n"},
      {"soft sunken", EDGE_SUNKEN, BF_RECT | BF_SOFT, "DDDDH\nDSSLH\nDS.LH\nDLLLH\nHHHHH\n"},
      {"inner only takes the outer place", BDR_RAISEDINNER, BF_RECT, "HHHHS\nH...S\nH...S\nH...S\nSSSSS\n"},
      {"flat", EDGE_SUNKEN, BF_RECT | BF_FLAT, "SSSSS\nSLLLS\nSL.LS\nSLLLS\nSSSSS\n"},
      {"mono", EDGE_RAISED, BF_RECT | BF_MONO, "FFFFF\nFHHHF\nFH.HF\nFHHHF\nFFFFF\n"},
      {"middle", EDGE_RAISED, BF_RECT | BF_MIDDLE, "LLLLD\nLHHSD\nLHLSD\nLSSSD\nDDDDD\n"},
      // Without the perpendicular sides the inner stroke runs the full length.
      {"top alone", EDGE_RAISED, BF_TOP, "LLLLL\nHHHHH\n.....\n.....\n.....\n"},
      {"left and bottom", EDGE_SUNKEN, BF_LEFT | BF_BOTTOM, "SD...\nSD...\nSD...\nSLLLL\nHHHHH\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Edge(c.edge, c.flags), c.picture) << c.name;
}

TEST(DrawEdge, AdjustShrinksOnlyTheDrawnSidesByTheRingCount) {
  struct Case {
    UINT edge, flags;
    RECT expected;
  };
  const Case cases[] = {
      {EDGE_RAISED, BF_RECT | BF_ADJUST, {2, 2, 3, 3}},
      {BDR_SUNKENOUTER, BF_RECT | BF_ADJUST, {1, 1, 4, 4}},
      {EDGE_SUNKEN, BF_LEFT | BF_TOP | BF_ADJUST, {2, 2, 5, 5}},
      {EDGE_SUNKEN, BF_RIGHT | BF_ADJUST, {0, 0, 3, 5}},
      {EDGE_SUNKEN, BF_RECT, {0, 0, 5, 5}},
  };
  for (const Case& c : cases) {
    RECT r;
    Edge(c.edge, c.flags, {0, 0, 5, 5}, &r);
    EXPECT_EQ(r, c.expected) << c.edge << "/" << c.flags;
  }
}

TEST(DrawEdge, ContradictoryRingsFailAndLeaveTheMiddle) {
  BOOL ok = TRUE;
  std::string picture = Edge(BDR_RAISEDOUTER | BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT | BF_MIDDLE,
                             {0, 0, 5, 5}, nullptr, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(picture[2 * 6 + 2], '.'); // middle untouched
}

TEST(DrawEdge, FollowsTheSystemColourTable) {
  SysColorTable table = DefaultSysColors();
  table[COLOR_3DDKSHADOW] = RGB(9, 9, 9);
  SetSysColorTable(table);
  Canvas c(4, 4);
  RECT r{0, 0, 4, 4};
  DrawEdge(c.dc, &r, EDGE_RAISED, BF_RECT);
  EXPECT_EQ(c.At(3, 3), RGB(9, 9, 9));
  ResetSysColorTable();
  EXPECT_EQ(Sys(COLOR_3DDKSHADOW), RGB(64, 64, 64));
}

TEST(FocusRect, IsADottedXorFrameThatASecondCallErases) {
  Canvas c(8, 6);
  RECT r{1, 1, 7, 5};
  DrawFocusRect(c.dc, &r);
  EXPECT_EQ(c.Picture(kBW), "........\n"
                            ".#.#.#..\n"
                            "......#.\n"
                            ".#......\n"
                            "..#.#.#.\n"
                            "........\n");
  DrawFocusRect(c.dc, &r);
  EXPECT_EQ(c.Count(kWhite), 48);
  // The dots stay on one checkerboard across calls, whatever the rectangle.
  RECT shifted{2, 1, 7, 5};
  DrawFocusRect(c.dc, &shifted);
  EXPECT_EQ(c.At(2, 1), kWhite);
  EXPECT_EQ(c.At(3, 1), kBlack);
}

} // namespace
