// Small painted glyphs checked pixel by pixel: arrows, drop-down buttons, plus glyphs, chevrons, crosses.
#include <string>
#include <utility>
#include <vector>

#include "painters_test_support.h"

namespace {

using namespace painters_test;

// Pixels that the closed triangle through three points covers.
bool InClosedTriangle(const TPoint (&p)[3], int x, int y) {
  auto side = [&](const TPoint& a, const TPoint& b) {
    return (long long)(b.x - a.x) * (y - a.y) - (long long)(b.y - a.y) * (x - a.x);
  };
  long long s1 = side(p[0], p[1]), s2 = side(p[1], p[2]), s3 = side(p[2], p[0]);
  return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
}

TEST(PainterGlyphs, DropDownArrowOfA17By20RectIsASolidTriangleOf25Pixels) {
  PainterUnits units;
  Board board(17, 20);
  Standard()->DrawDropDownArrow(board.canvas.get(), Rect(0, 0, 17, 20), clRed);
  // Base 9, depth 5; the first corner at ((17 - 9) div 2, half(20 - 5)) = (4, 8).
  EXPECT_EQ(Picture(board, Rect(0, 7, 17, 14), {{clWhite, '.'}, {clRed, '#'}}), ".................\n"
                                                                                "....#########....\n"
                                                                                ".....#######.....\n"
                                                                                "......#####......\n"
                                                                                ".......###.......\n"
                                                                                "........#........\n"
                                                                                ".................\n");
  EXPECT_EQ(board.CountOf(RGB(255, 0, 0)), 25);
}

TEST(PainterGlyphs, ArrowsOfATenPixelSquareInEveryDirection) {
  PainterUnits units;
  struct Case {
    TcxArrowDirection direction;
    const char* picture; // rows 2..7, columns 2..7
  };
  // Base 5, depth 3: the tip is a single pixel, the base five.
  const Case cases[] = {
      {adUp, "......\n"
             "......\n"
             "..#...\n"
             ".###..\n"
             "#####.\n"
             "......\n"},
      {adDown, "......\n"
               "......\n"
               "#####.\n"
               ".###..\n"
               "..#...\n"
               "......\n"},
      {adLeft, "......\n"
               "...#..\n"
               "..##..\n"
               ".###..\n"
               "..##..\n"
               "...#..\n"},
      {adRight, "......\n"
                ".#....\n"
                ".##...\n"
                ".###..\n"
                ".##...\n"
                ".#....\n"},
  };
  for (const Case& k : cases) {
    Board board(10, 10);
    Standard()->DrawArrow(board.canvas.get(), Rect(0, 0, 10, 10), k.direction, clRed);
    EXPECT_EQ(Picture(board, Rect(2, 2, 8, 8), {{clWhite, '.'}, {clRed, '#'}}), k.picture)
        << "direction " << k.direction;
    EXPECT_EQ(board.CountOf(RGB(255, 0, 0)), 9) << "direction " << k.direction;
  }
}

TEST(PainterGlyphs, ArrowsAreSolidTrianglesInEverySizeAndDirection) {
  PainterUnits units;
  for (int w = 3; w <= 22; ++w)
    for (int h = 3; h <= 22; h += 3)
      for (int d = adUp; d <= adRight; ++d)
        for (bool proportional : {true, false}) {
          TRect r = Rect(1, 2, 1 + w, 2 + h);
          TPoint p[3];
          TcxCustomLookAndFeelPainter::CalculateArrowPoints(r, p, TcxArrowDirection(d), proportional);
          // The side along a row or a column is the base.
          int base = 1;
          for (int i = 0; i < 3; ++i)
            for (int j = i + 1; j < 3; ++j)
              if (p[i].x == p[j].x || p[i].y == p[j].y)
                base = std::max<int>(base, std::abs(p[i].x - p[j].x) + std::abs(p[i].y - p[j].y) + 1);
          // A one-pixel arrow is a polygon through a single point, which no painter asks for.
          if (base < 3)
            continue;
          Board board(w + 3, h + 4);
          if (proportional)
            Standard()->DrawArrow(board.canvas.get(), r, TcxArrowDirection(d), clRed);
          else
            UltraFlat()->DrawArrowButton(board.canvas.get(), r, cxbsNormal, TcxArrowDirection(d), false);
          TColor ink = proportional ? clRed : UltraFlat()->ButtonSymbolColor(cxbsNormal);
          int inside = 0;
          for (int y = 0; y < board.Height(); ++y)
            for (int x = 0; x < board.Width(); ++x) {
              bool in = InClosedTriangle(p, x, y);
              inside += in;
              ASSERT_EQ(board.At(x, y) == Rgb(ink), in)
                  << w << "x" << h << " direction " << d << (proportional ? " proportional" : "") << " at "
                  << x << "," << y;
            }
          // The base is odd and the depth half of it rounded up: a square number of pixels.
          EXPECT_EQ(inside, (base + 1) / 2 * ((base + 1) / 2)) << w << "x" << h << " direction " << d;
        }
}

TEST(PainterGlyphs, DropDownButtonsPixelByPixel) {
  PainterUnits units;
  // The arrow of a 17 x 20 button sits in the 15 x 18 inside: base 7, depth 4, first corner (5, 8).
  auto addArrow = [](Expected& e, TColor c) {
    for (int i = 0; i < 4; ++i)
      e.Fill(Rect(5 + i, 8 + i, 12 - i, 9 + i), c);
  };
  auto office = static_cast<const TcxOffice11LookAndFeelPainter*>(Office11());
  for (TcxButtonState state : {cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled})
    for (bool blue : {false, true}) {
      std::string what = "state " + std::to_string(state) + (blue ? " blue" : "");
      for (TcxLookAndFeelPainterClass classic : {Standard(), Flat()}) {
        Expected e(17, 20);
        if (state == cxbsPressed)
          e.Ring(Rect(0, 0, 17, 20), clBtnShadow, clBtnHighlight);
        else
          e.Ring(Rect(0, 0, 17, 20), clBtnHighlight, clBtnShadow);
        e.Fill(Rect(1, 1, 16, 19), clBtnFace);
        addArrow(e, blue ? clBlue : clBtnText);
        Board board(17, 20);
        classic->DrawDropDownButton(board.canvas.get(), Rect(0, 0, 17, 20), state, blue);
        ExpectImage(board, e, std::string(classic->ClassName()) + " " + what);
      }
      struct Flat {
        TcxLookAndFeelPainterClass painter;
        TColor frame, face, symbol;
      };
      TColor ultraFace = state == cxbsHot       ? LightSelectionColor()
                         : state == cxbsPressed ? LightFaceColor()
                                                : clBtnFace;
      TColor ultraSymbol = state == cxbsPressed    ? clHighlightText
                           : state == cxbsDisabled ? clBtnShadow
                                                   : clBtnText;
      TColor officeFace = state == cxbsHot        ? dxOffice11SchemeColor(22)
                          : state == cxbsPressed  ? dxOffice11SchemeColor(24)
                          : state == cxbsDisabled ? dxOffice11SchemeColor(2)
                                                  : clBtnFace;
      // No scheme is active here, so a pressed symbol takes the highlight text colour.
      TColor officeSymbol = state == cxbsPressed    ? clHighlightText
                            : state == cxbsDisabled ? dxOffice11SchemeColor(31)
                                                    : dxOffice11SchemeColor(30);
      const Flat flats[] = {
          {UltraFlat(), state == cxbsNormal ? clBtnShadow : clHighlight, ultraFace, ultraSymbol},
          {Office11(), state == cxbsNormal ? office->DarkBorderColor() : dxOffice11SchemeColor(21),
           officeFace, officeSymbol},
      };
      for (const Flat& f : flats) {
        Expected e(17, 20);
        e.Ring(Rect(0, 0, 17, 20), f.frame, f.frame);
        e.Fill(Rect(1, 1, 16, 19), f.face);
        addArrow(e, blue ? clBlue : f.symbol);
        Board board(17, 20);
        f.painter->DrawDropDownButton(board.canvas.get(), Rect(0, 0, 17, 20), state, blue);
        ExpectImage(board, e, std::string(f.painter->ClassName()) + " " + what);
      }
    }
}

TEST(PainterGlyphs, PlusGlyphs) {
  PainterUnits units;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TcxButtonState state;
    const char* picture; // '#' the glyph colour (navy or window text), 'L' highlight, 'D' shadow
  };
  // An 11 x 11 rect. The root glyph: two passes over the rect deflated by one, the light one moved by (1, 1).
  // The classic painters first give up the right column and the bottom row, and move a pressed glyph by one.
  const Case cases[] = {
      {UltraFlat(), cxbsNormal,
       "...........\n"
       "....##.....\n"
       "....##.....\n"
       "....##.....\n"
       ".#########.\n"
       ".#########.\n"
       "....##.....\n"
       "....##.....\n"
       "....##.....\n"
       "....##.....\n"
       "...........\n"},
      {UltraFlat(), cxbsDisabled,
       "...........\n"
       "....DL.....\n"
       "....DL.....\n"
       "....DL.....\n"
       ".DDDDDDDDL.\n"
       ".LLLDLLLLL.\n"
       "....DL.....\n"
       "....DL.....\n"
       "....DL.....\n"
       "....LL.....\n"
       "...........\n"},
      {Standard(), cxbsNormal,
       "...........\n"
       "....##.....\n"
       "....##.....\n"
       "....##.....\n"
       ".########..\n"
       ".########..\n"
       "....##.....\n"
       "....##.....\n"
       "....##.....\n"
       "...........\n"
       "...........\n"},
      {Flat(), cxbsPressed,
       "...........\n"
       "...........\n"
       ".....##....\n"
       ".....##....\n"
       ".....##....\n"
       "..########.\n"
       "..########.\n"
       ".....##....\n"
       ".....##....\n"
       ".....##....\n"
       "...........\n"},
  };
  for (const Case& k : cases) {
    Board board(11, 11);
    k.painter->DrawPlusGlyph(board.canvas.get(), Rect(0, 0, 11, 11), k.state);
    EXPECT_EQ(Picture(board, {{clWhite, '.'},
                              {k.painter->DefaultPlusGlyphColor(), '#'},
                              {clBtnHighlight, 'L'},
                              {clBtnShadow, 'D'}}),
              k.picture)
        << k.painter->ClassName() << " state " << k.state;
  }
}

TEST(PainterGlyphs, GroupExpandChevronsPointUpWhenExpanded) {
  PainterUnits units;
  // A 15 x 15 button: x0 = 4, y0 = 3; two chevrons, each two pixels thick, 4 rows apart.
  const char* expanded = "...............\n"
                         "...............\n"
                         "...............\n"
                         ".......#.......\n"
                         "......###......\n"
                         ".....##.##.....\n"
                         "....##...##....\n"
                         ".......#.......\n"
                         "......###......\n"
                         ".....##.##.....\n"
                         "....##...##....\n"
                         "...............\n"
                         "...............\n"
                         "...............\n"
                         "...............\n";
  const char* collapsed = "...............\n"
                          "...............\n"
                          "...............\n"
                          "...............\n"
                          "....##...##....\n"
                          ".....##.##.....\n"
                          "......###......\n"
                          ".......#.......\n"
                          "....##...##....\n"
                          ".....##.##.....\n"
                          "......###......\n"
                          ".......#.......\n"
                          "...............\n"
                          "...............\n"
                          "...............\n";
  for (TcxLookAndFeelPainterClass p : {Flat(), Standard(), UltraFlat()})
    for (bool isExpanded : {true, false})
      for (TcxButtonState state : {cxbsNormal, cxbsDisabled}) {
        Board board(15, 15);
        p->DrawGroupExpandButton(board.canvas.get(), Rect(0, 0, 15, 15), isExpanded, state);
        // The Standard painter draws the button of the Flat one.
        TcxLookAndFeelPainterClass look = p == Standard() ? Flat() : p;
        TColor symbol = look->ButtonSymbolColor(state), face = look->ButtonColor(state);
        std::string picture = Picture(board, Rect(0, 0, 15, 15), {{symbol, '#'}});
        // Inside the one-pixel border, everything but the chevrons is the face.
        std::string inner;
        for (int y = 0; y < 15; ++y) {
          for (int x = 0; x < 15; ++x) {
            bool border = x == 0 || y == 0 || x == 14 || y == 14;
            char ch = picture[std::size_t(y * 16 + x)];
            inner += border ? '.' : ch == '#' ? '#' : board.At(x, y) == Rgb(face) ? '.' : '?';
          }
          inner += '\n';
        }
        EXPECT_EQ(inner, isExpanded ? expanded : collapsed)
            << p->ClassName() << (isExpanded ? " expanded" : " collapsed") << " state " << state;
      }
}

TEST(PainterGlyphs, SmallCloseCross) {
  PainterUnits units;
  // s = 7; two strokes per diagonal, one pixel apart, from (x0, y0) to (x0 + 6, y0 + 6) and back up.
  auto cross = [](int x0, int y0) {
    std::vector<std::pair<int, int>> px;
    for (int i = 0; i < 2; ++i)
      for (int k = 0; k < 7; ++k) {
        px.push_back({x0 + i + k, y0 + k});
        px.push_back({x0 + i + k, y0 + 6 - k});
      }
    return px;
  };
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TcxButtonState state;
    TRect bounds;
    int x0, y0; // the first stroke's start
  };
  const Case cases[] = {
      // UltraFlat: 16 x 15, inside (1, 1, 15, 14); the symbol never moves.
      {UltraFlat(), cxbsNormal, Rect(0, 0, 16, 15), 4, 4},
      {UltraFlat(), cxbsPressed, Rect(0, 0, 16, 15), 4, 4},
      // Standard: 16 x 14, inside (2, 2, 14, 12); pressed moves it by one.
      {Standard(), cxbsNormal, Rect(0, 0, 16, 14), 4, 3},
      {Standard(), cxbsPressed, Rect(0, 0, 16, 14), 5, 4},
  };
  for (const Case& k : cases) {
    Board board(16, 16);
    k.painter->DrawSmallCloseButton(board.canvas.get(), k.bounds, k.state);
    TRect inside = Deflated(k.bounds, k.painter->ButtonBorderSize(cxbsNormal));
    Expected e(16, 16);
    e.Fill(inside, k.painter->ButtonColor(k.state));
    for (auto [x, y] : cross(k.x0, k.y0))
      e.Set(x, y, k.painter->ButtonSymbolColor(k.state));
    // Compare inside the border only: the border itself is the button border's business.
    for (int y = inside.top; y < inside.bottom; ++y)
      for (int x = inside.left; x < inside.right; ++x)
        ASSERT_EQ(board.At(x, y), e.At(x, y))
            << k.painter->ClassName() << " state " << k.state << " at " << x << "," << y;
  }
}

TEST(PainterGlyphs, MonthHeaderArrows) {
  PainterUnits units;
  TcxViewParams vp;
  vp.Color = clBtnFace;
  vp.TextColor = clBtnText;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    int height, sideWidth;
    int y0, h; // the base runs from y0 to y0 + h + 1
  };
  // Standard: borders of 2; a 20 high header gives r = (3, 19), h = 9, y0 = (3 + 19 - 9) div 2 - 1 = 5.
  // UltraFlat: borders of 1; 23 high: r = (2, 22), h = 11, y0 = (2 + 22 - 11) div 2 - 1 = 5.
  const Case cases[] = {{Standard(), 20, 10, 5, 9}, {UltraFlat(), 23, 6, 5, 11}, {Flat(), 20, 3, 5, 9}};
  for (const Case& k : cases)
    for (TcxMonthArrows arrows : {maLeft, maRight, maBoth}) {
      Board board(60, k.height);
      k.painter->DrawMonthHeader(board.canvas.get(), Rect(0, 0, 60, k.height), "", {}, vp, arrows,
                                 k.sideWidth);
      Expected e(60, k.height);
      auto arrow = [&](int x, int sign) {
        int base = k.sideWidth - 1, depth = k.h / 2 + 1;
        for (int j = 0; j <= depth; ++j)
          for (int y = k.y0 + j; y <= k.y0 + k.h + 1 - j; ++y)
            e.Set(x + (base - j) * sign, y, clWindowText);
      };
      if (arrows != maRight)
        arrow(0, 1);
      if (arrows != maLeft)
        arrow(60, -1);
      for (int y = 0; y < k.height; ++y)
        for (int x = 0; x < 60; ++x)
          ASSERT_EQ(board.At(x, y) == Rgb(clWindowText), e.At(x, y) == Rgb(clWindowText))
              << k.painter->ClassName() << " arrows " << arrows << " at " << x << "," << y;
    }
}

} // namespace
