#include <vector>

#include "lookandfeel/cxLookAndFeels.h"
#include "painters_test_support.h"
#include "platform/win/Win.h"

namespace {

using namespace painters_test;

struct Probe {
  int x, y;
  TColor color;
};

void ExpectPixels(Board& board, const std::vector<Probe>& probes, const std::string& what) {
  for (const Probe& p : probes)
    EXPECT_EQ(board.At(p.x, p.y), Rgb(p.color)) << what << " at " << p.x << "," << p.y;
}

TEST(PainterPixels, ContainerBordersPerLookAndFeel) {
  PainterUnits units;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    std::vector<Probe> probes;
  };
  // A 10 x 8 border: corners of the outer ring and of the ring inside it.
  const Case cases[] = {
      {Standard(),
       {{0, 0, clBtnShadow},
        {9, 7, clBtnHighlight},
        {1, 1, cl3DDkShadow},
        {8, 6, cl3DLight},
        {2, 2, clWhite}}},
      {Flat(), {{0, 0, clBtnShadow}, {9, 7, clBtnHighlight}, {9, 0, clBtnHighlight}, {1, 1, clWhite}}},
      {UltraFlat(), {{0, 0, clBtnShadow}, {9, 7, clBtnShadow}, {5, 0, clBtnShadow}, {1, 1, clWhite}}},
      {Office11(), {{0, 0, dxOffice11SchemeColor(18)}, {9, 7, dxOffice11SchemeColor(18)}, {1, 1, clWhite}}},
      {Native(), {{0, 0, clBtnShadow}, {1, 1, cl3DDkShadow}, {2, 2, clWhite}}},
  };
  for (const Case& k : cases) {
    Board board(10, 8);
    k.painter->DrawBorder(board.canvas.get(), Rect(0, 0, 10, 8));
    ExpectPixels(board, k.probes, k.painter->ClassName());
  }
  Board office(10, 8);
  Office11()->DrawContainerBorder(office.canvas.get(), Rect(0, 0, 10, 8));
  EXPECT_EQ(office.At(0, 0), Rgb(dxOffice11SchemeColor(35)));
}

TEST(PainterPixels, ButtonBordersByState) {
  PainterUnits units;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TcxButtonState state;
    std::vector<Probe> probes;
  };
  // A 12 x 10 button border; (w-1, h-1) is (11, 9).
  const Case cases[] = {
      {Standard(),
       cxbsNormal,
       {{0, 0, clBtnHighlight}, {11, 9, cl3DDkShadow}, {1, 1, cl3DLight}, {10, 8, clBtnShadow}}},
      {Standard(),
       cxbsDefault,
       {{0, 0, clBlack},
        {11, 9, clBlack},
        {1, 1, clBtnHighlight},
        {10, 8, cl3DDkShadow},
        {2, 2, cl3DLight},
        {9, 7, clBtnShadow}}},
      {Standard(),
       cxbsPressed,
       {{0, 0, clBlack}, {1, 1, clBtnShadow}, {10, 8, clBtnShadow}, {2, 2, clWhite}}},
      {Flat(), cxbsNormal, {{0, 0, clBtnHighlight}, {11, 9, clBtnShadow}, {1, 1, clWhite}}},
      {Flat(), cxbsPressed, {{0, 0, clBtnShadow}, {11, 9, clBtnHighlight}}},
      {Flat(), cxbsDefault, {{0, 0, clBlack}, {1, 1, clBtnHighlight}, {10, 8, clBtnShadow}, {2, 2, clWhite}}},
      {UltraFlat(), cxbsDefault, {{0, 0, clWindowFrame}, {1, 1, clWindowFrame}, {2, 2, clWhite}}},
      {UltraFlat(), cxbsNormal, {{0, 0, clBtnText}, {11, 9, clBtnText}, {1, 1, clWhite}}},
      {UltraFlat(), cxbsHot, {{0, 0, clHighlight}}},
      {UltraFlat(), cxbsPressed, {{11, 0, clHighlight}}},
      {UltraFlat(), cxbsDisabled, {{0, 9, clBtnShadow}}},
      {Office11(), cxbsNormal, {{0, 0, clBtnText}}},
      {Office11(), cxbsHot, {{0, 0, dxOffice11SchemeColor(21)}}},
      {Office11(), cxbsDisabled, {{0, 0, dxOffice11SchemeColor(31)}, {1, 1, clWhite}}},
  };
  for (const Case& k : cases) {
    Board board(12, 10);
    k.painter->DrawButtonBorder(board.canvas.get(), Rect(0, 0, 12, 10), k.state);
    ExpectPixels(board, k.probes, std::string(k.painter->ClassName()) + " state " + std::to_string(k.state));
  }
}

TEST(PainterPixels, ButtonsFillInsideTheBorderWithTheStateColour) {
  PainterUnits units;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TcxButtonState state;
    int inset;
    TColor face;
  };
  const Case cases[] = {
      {Standard(), cxbsDefault, 3, clBtnFace},
      {Standard(), cxbsNormal, 2, clBtnFace},
      {Flat(), cxbsDefault, 2, clBtnFace},
      {UltraFlat(), cxbsHot, 1, LightSelectionColor()},
      {UltraFlat(), cxbsPressed, 1, LightFaceColor()},
      {Office11(), cxbsHot, 1, dxOffice11SchemeColor(22)},
  };
  for (const Case& k : cases) {
    Board board(20, 20);
    k.painter->DrawButton(board.canvas.get(), Rect(0, 0, 20, 20), "", k.state);
    EXPECT_EQ(board.At(k.inset, k.inset), Rgb(k.face)) << k.painter->ClassName() << " state " << k.state;
    EXPECT_NE(board.At(k.inset - 1, k.inset - 1), Rgb(k.face))
        << k.painter->ClassName() << " state " << k.state;
  }
  // A custom face colour replaces the state colour; the border flag off leaves no border.
  Board custom(20, 20);
  Standard()->DrawButton(custom.canvas.get(), Rect(0, 0, 20, 20), "", cxbsNormal, false, clRed);
  EXPECT_EQ(custom.CountOf(RGB(255, 0, 0)), 400);
}

// The bounding box of the pixels of one colour.
TRect InkBox(Board& board, COLORREF ink) {
  TRect box{board.Width(), board.Height(), 0, 0};
  for (int y = 0; y < board.Height(); ++y)
    for (int x = 0; x < board.Width(); ++x)
      if (board.At(x, y) == ink) {
        box.left = std::min(box.left, LONG(x));
        box.top = std::min(box.top, LONG(y));
        box.right = std::max(box.right, LONG(x + 1));
        box.bottom = std::max(box.bottom, LONG(y + 1));
      }
  return box;
}

TEST(PainterPixels, PressedCaptionMovesByTheTextShift) {
  PainterUnits units;
  for (TcxLookAndFeelPainterClass painter : {Standard(), UltraFlat()}) {
    TRect boxes[2];
    TcxButtonState states[2] = {cxbsNormal, cxbsPressed};
    for (int i = 0; i < 2; ++i) {
      Board board(60, 24);
      TFont font;
      board.canvas->SetFont(&font);
      painter->DrawButton(board.canvas.get(), Rect(0, 0, 60, 24), "Ok", states[i], false, clWhite, clBlack);
      boxes[i] = InkBox(board, RGB(0, 0, 0));
      ASSERT_FALSE(IsRectEmpty(&boxes[i])) << painter->ClassName();
    }
    int shift = painter->ButtonTextShift();
    EXPECT_EQ(boxes[1].left - boxes[0].left, shift) << painter->ClassName();
    EXPECT_EQ(boxes[1].top - boxes[0].top, shift) << painter->ClassName();
  }
}

TEST(PainterPixels, ArrowsCoverTheirTriangleAndNothingElse) {
  PainterUnits units;
  struct Case {
    TcxArrowDirection direction;
    std::vector<POINT> corners;
    TRect box;
  };
  // A 10 x 10 arrow: base 5, depth 3 (see the triangle table); the outline belongs to the arrow.
  const Case cases[] = {
      {adDown, {{2, 4}, {6, 4}, {4, 6}}, Rect(2, 4, 7, 7)},
      {adUp, {{4, 4}, {2, 6}, {6, 6}}, Rect(2, 4, 7, 7)},
      {adLeft, {{3, 5}, {5, 3}, {5, 7}}, Rect(3, 3, 6, 8)},
      {adRight, {{5, 5}, {3, 3}, {3, 7}}, Rect(3, 3, 6, 8)},
  };
  for (const Case& k : cases) {
    Board board(10, 10);
    Standard()->DrawArrow(board.canvas.get(), Rect(0, 0, 10, 10), k.direction, clRed);
    for (POINT p : k.corners)
      EXPECT_EQ(board.At(p.x, p.y), RGB(255, 0, 0))
          << "direction " << k.direction << " " << p.x << "," << p.y;
    EXPECT_EQ(InkBox(board, RGB(255, 0, 0)), k.box) << "direction " << k.direction;
  }
}

TEST(PainterPixels, DisabledButtonArrowIsEmbossed) {
  PainterUnits units;
  Board board(10, 10);
  Standard()->DrawButtonArrow(board.canvas.get(), Rect(0, 0, 10, 10), cxbsDisabled, adDown);
  // The shadow triangle lies in place, its highlight copy one pixel right and down shows below it.
  EXPECT_EQ(board.At(4, 6), Rgb(clBtnShadow));
  EXPECT_EQ(board.At(5, 7), Rgb(clBtnHighlight));
  EXPECT_EQ(InkBox(board, Rgb(clBtnShadow)), Rect(2, 4, 7, 7));
}

TEST(PainterPixels, DropDownButtonArrowIsBlueWhenAsked) {
  PainterUnits units;
  for (TcxLookAndFeelPainterClass painter : {Standard(), Flat(), UltraFlat(), Office11()}) {
    for (bool blue : {false, true}) {
      Board board(17, 20);
      painter->DrawDropDownButton(board.canvas.get(), Rect(0, 0, 17, 20), cxbsNormal, blue);
      EXPECT_EQ(board.CountOf(RGB(0, 0, 255)) > 0, blue) << painter->ClassName();
      EXPECT_EQ(board.CountOf(Rgb(painter->ButtonSymbolColor(cxbsNormal))) > 0, !blue)
          << painter->ClassName();
    }
  }
  Board frame(17, 20);
  UltraFlat()->DrawDropDownButton(frame.canvas.get(), Rect(0, 0, 17, 20), cxbsHot, false);
  EXPECT_EQ(frame.At(0, 0), Rgb(clHighlight));
  EXPECT_EQ(frame.At(1, 1), Rgb(LightSelectionColor()));
}

TEST(PainterPixels, CheckMarkStrokes) {
  PainterUnits units;
  // A 9 x 9 interior: three strokes from (1, 3 + i) down to (3, 5 + i) and up towards (8, i).
  const std::vector<POINT> mark = {{1, 3}, {2, 4}, {3, 5}, {4, 4}, {7, 1}, {1, 5}, {3, 7}, {7, 3}};
  const std::vector<POINT> clear = {{0, 0}, {8, 0}, {3, 4}, {3, 8}, {0, 4}, {8, 8}};
  for (bool checked : {false, true}) {
    Board board(9, 9);
    Standard()->DrawCheck(board.canvas.get(), Rect(0, 0, 9, 9), cxbsNormal, checked, clRed);
    for (POINT p : mark)
      EXPECT_EQ(board.At(p.x, p.y), checked ? RGB(255, 0, 0) : Rgb(clWindow)) << p.x << "," << p.y;
    for (POINT p : clear)
      EXPECT_EQ(board.At(p.x, p.y), Rgb(clWindow)) << p.x << "," << p.y;
    EXPECT_EQ(board.CountOf(RGB(255, 0, 0)), checked ? 21 : 0);
  }
}

TEST(PainterPixels, CheckButtonsBorderAndMarkColours) {
  PainterUnits units;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TcxButtonState state;
    std::vector<Probe> probes;
  };
  // 13 x 13 boxes, checked; (5, 9) lies on the mark's lowest stroke.
  const Case cases[] = {
      {Standard(),
       cxbsNormal,
       {{0, 0, cl3DDkShadow},
        {12, 12, cl3DLight},
        {1, 1, clBtnShadow},
        {11, 11, clBtnHighlight},
        {2, 2, clWindow},
        {5, 9, clBtnText}}},
      {Standard(), cxbsDisabled, {{2, 2, clBtnFace}, {5, 9, clGrayText}}},
      {Flat(), cxbsNormal, {{0, 0, clBtnShadow}, {1, 1, clWindow}, {5, 9, clBtnText}}},
      {UltraFlat(), cxbsPressed, {{0, 0, clBtnText}, {1, 1, clBtnFace}, {2, 2, clBtnFace}}},
      {Office11(), cxbsHot, {{0, 0, clBtnText}, {1, 1, dxOffice11SchemeColor(22)}}},
  };
  for (const Case& k : cases) {
    Board board(13, 13);
    k.painter->DrawCheckButton(board.canvas.get(), Rect(0, 0, 13, 13), k.state, true);
    ExpectPixels(board, k.probes, std::string(k.painter->ClassName()) + " state " + std::to_string(k.state));
  }
}

TEST(PainterPixels, ScrollBarParts) {
  PainterUnits units;
  auto draw = [](TcxLookAndFeelPainterClass p, TcxScrollBarPart part, TcxButtonState state,
                 TRect r = Rect(0, 0, 16, 16)) {
    auto board = std::make_unique<Board>(16, 16);
    p->DrawScrollBarPart(board->canvas.get(), false, r, part, state);
    return board;
  };
  for (TcxLookAndFeelPainterClass p : {Standard(), Flat(), UltraFlat(), Office11(), Native()}) {
    SCOPED_TRACE(p->ClassName());
    // Nothing for an empty rect, for no part, and for a disabled thumb.
    EXPECT_EQ(draw(p, spFirstArrow, cxbsNormal, Rect(4, 4, 4, 12))->CountOf(white), 256);
    EXPECT_EQ(draw(p, spNone, cxbsNormal)->CountOf(white), 256);
    EXPECT_EQ(draw(p, spThumb, cxbsDisabled)->CountOf(white), 256);
    // Pages are the checker: (0, 0) has even parity.
    auto page = draw(p, spFirstPage, cxbsNormal);
    EXPECT_EQ(page->At(0, 0), Rgb(clBtnFace));
    EXPECT_EQ(page->At(1, 0), Rgb(clBtnHighlight));
    auto pressedPage = draw(p, spSecondPage, cxbsPressed);
    EXPECT_EQ(pressedPage->At(2, 2), RGB(0, 0, 0));
    EXPECT_EQ(pressedPage->At(3, 2), Rgb(cl3DDkShadow));
    // An arrow button has its symbol in the middle.
    EXPECT_GT(draw(p, spSecondArrow, cxbsNormal)->CountOf(Rgb(clBtnText)), 0);
  }
  // The classic painters draw a hot part as a normal one, the ultra-flat ones light it.
  for (TcxLookAndFeelPainterClass p : {Standard(), Flat()})
    EXPECT_TRUE(draw(p, spFirstArrow, cxbsHot)->SamePixels(*draw(p, spFirstArrow, cxbsNormal)))
        << p->ClassName();
  EXPECT_FALSE(draw(UltraFlat(), spThumb, cxbsHot)->SamePixels(*draw(UltraFlat(), spThumb, cxbsNormal)));
  // Standard arrow bevel: face and dark shadow outside, highlight and shadow inside; pressed: two flat rings.
  auto arrow = draw(Standard(), spFirstArrow, cxbsNormal);
  ExpectPixels(*arrow,
               {{0, 0, clBtnFace}, {15, 15, cl3DDkShadow}, {1, 1, clBtnHighlight}, {14, 14, clBtnShadow}},
               "standard arrow");
  auto pressed = draw(Standard(), spFirstArrow, cxbsPressed);
  ExpectPixels(*pressed, {{0, 0, clBtnShadow}, {15, 15, clBtnShadow}, {1, 1, clBtnFace}, {14, 14, clBtnFace}},
               "standard pressed arrow");
  auto thumb = draw(Standard(), spThumb, cxbsNormal);
  ExpectPixels(*thumb, {{0, 0, clBtnFace}, {1, 1, clBtnHighlight}, {8, 8, clBtnFace}}, "standard thumb");
  // The ultra-flat arrow fills the whole button; the flat one sits inside the border.
  auto ultra = draw(UltraFlat(), spFirstArrow, cxbsNormal);
  EXPECT_EQ(ultra->At(0, 0), Rgb(clBtnText));
  EXPECT_EQ(ultra->At(1, 1), Rgb(clBtnFace));
}

// A scroll-bar part in any state leaves every pixel around its rectangle as it was. A pressed arrow of the
// classic look is the normal one moved a pixel right and down inside its sunken frame, cut at the rectangle.
TEST(PainterPixels, ScrollBarPartsStayInsideTheirRectangle) {
  PainterUnits units;
  const TColor around = TColor(0x030201);
  const TRect r = Rect(8, 6, 24, 22);
  const auto draw = [&](TcxLookAndFeelPainterClass p, bool horizontal, TcxScrollBarPart part,
                        TcxButtonState state) {
    auto board = std::make_unique<Board>(32, 28, around);
    p->DrawScrollBarPart(board->canvas.get(), horizontal, r, part, state);
    return board;
  };
  for (TcxLookAndFeelPainterClass p : {Standard(), Flat(), UltraFlat(), Office11(), Native()})
    for (bool horizontal : {false, true})
      for (TcxScrollBarPart part : {spFirstArrow, spSecondArrow, spThumb, spFirstPage, spSecondPage})
        for (TcxButtonState state : {cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled}) {
          auto board = draw(p, horizontal, part, state);
          int outside = 0;
          for (int y = 0; y < board->Height(); ++y)
            for (int x = 0; x < board->Width(); ++x) {
              const TPoint q{x, y};
              outside += !PtInRect(&r, q) && board->At(x, y) != Rgb(around);
            }
          EXPECT_EQ(outside, 0) << p->ClassName() << (horizontal ? " horizontal" : " vertical") << " part "
                                << part << " state " << state;
        }
  for (TcxLookAndFeelPainterClass p : {Standard(), Office11(), Native()})
    for (TcxScrollBarPart part : {spFirstArrow, spSecondArrow}) {
      auto normal = draw(p, false, part, cxbsNormal);
      auto pressed = draw(p, false, part, cxbsPressed);
      const TRect inner = Rect(r.left + 3, r.top + 3, r.right - 2, r.bottom - 2);
      int moved = 0;
      for (int y = inner.top; y < inner.bottom; ++y)
        for (int x = inner.left; x < inner.right; ++x)
          moved += pressed->At(x, y) != normal->At(x - 1, y - 1);
      EXPECT_EQ(moved, 0) << p->ClassName() << " part " << part;
      EXPECT_GT(pressed->CountOf(Rgb(clBtnText)), 0) << p->ClassName() << " part " << part;
    }
}

TEST(PainterPixels, HeadersAndNeighbours) {
  PainterUnits units;
  TcxLookAndFeelPainterClass ultra = UltraFlat();
  auto header = [](TcxLookAndFeelPainterClass p, TcxNeighbors n, TcxButtonState state = cxbsNormal) {
    auto board = std::make_unique<Board>(30, 20);
    p->DrawHeader(board->canvas.get(), Rect(0, 0, 30, 20), Rect(0, 0, 30, 20), n, p->HeaderBorders(n), state,
                  taLeftJustify, vaCenter, false, false, "", nullptr, clBtnText, clBtnFace);
    return board;
  };
  // An ultra-flat header with a left neighbour has no left line; alone it has one.
  EXPECT_EQ(header(ultra, {})->At(0, 10), Rgb(clBtnText));
  EXPECT_EQ(header(ultra, {nLeft})->At(0, 10), Rgb(clBtnFace));
  EXPECT_EQ(header(ultra, {nLeft})->At(29, 10), Rgb(clBtnText));
  // The Office header keeps every border: light left column, dark right column and bottom row.
  auto office = header(Office11(), {nLeft});
  EXPECT_EQ(office->At(0, 10),
            Rgb(Office11()->HeaderBorders({}).Contains(bLeft) ? dxOffice11SchemeColor(15) : clBtnFace));
  EXPECT_EQ(office->At(29, 10), Rgb(dxOffice11SchemeColor(14)));
  EXPECT_EQ(office->At(10, 19), Rgb(dxOffice11SchemeColor(14)));
  // Classic headers soften the corners next to a neighbour.
  auto classic = header(Standard(), {nLeft, nRight});
  ExpectPixels(*classic,
               {{0, 1, clBtnFace},
                {0, 18, clBtnFace},
                {29, 0, clBtnHighlight},
                {29, 1, clBtnFace},
                {29, 5, clBtnShadow},
                {0, 5, clBtnHighlight}},
               "standard header");
}

TEST(PainterPixels, OfficeContentGradientAndHotBar) {
  PainterUnits units;
  TcxLookAndFeelPainterClass p = Office11();
  Board normal(20, 20), hot(20, 20), footer(20, 20);
  p->DrawContent(normal.canvas.get(), Rect(0, 0, 20, 20), Rect(0, 0, 20, 20), cxbsNormal, taLeftJustify,
                 vaTop, false, false, "", nullptr, clBtnText, clWindow);
  EXPECT_EQ(normal.At(5, 2), Rgb(static_cast<const TcxOffice11LookAndFeelPainter*>(p)->GradientEndColor()));
  EXPECT_EQ(normal.At(5, 19),
            Rgb(static_cast<const TcxOffice11LookAndFeelPainter*>(p)->GradientBeginColor()));
  p->DrawContent(hot.canvas.get(), Rect(0, 0, 20, 20), Rect(0, 0, 20, 20), cxbsHot, taLeftJustify, vaTop,
                 false, false, "", nullptr, clBtnText, clWindow);
  EXPECT_EQ(hot.At(5, 2), Rgb(dxOffice11SchemeColor(0)));
  EXPECT_EQ(hot.At(5, 19), Rgb(dxOffice11SchemeColor(23)));
  EXPECT_EQ(hot.At(5, 18), Rgb(dxOffice11SchemeColor(22)));
  p->DrawContent(footer.canvas.get(), Rect(0, 0, 20, 20), Rect(0, 0, 20, 20), cxbsNormal, taLeftJustify,
                 vaTop, false, false, "", nullptr, clBtnText, clWindow, nullptr, true);
  EXPECT_EQ(footer.CountOf(Rgb(static_cast<const TcxOffice11LookAndFeelPainter*>(p)->GradientEndColor())),
            400);
  // Content only one or two pixels high leaves a gradient of one step: no division by zero, no stray rows.
  for (int h = 1; h <= 4; ++h) {
    Board thin(6, 8);
    p->DrawContent(thin.canvas.get(), Rect(0, 2, 6, 2 + h), Rect(0, 2, 6, 2 + h), cxbsHot, taLeftJustify,
                   vaTop, false, false, "", nullptr, clBtnText, clWindow);
    EXPECT_EQ(thin.At(3, 0), white) << h;
  }
}

TEST(PainterPixels, BackgroundCallbackReplacesTheFill) {
  PainterUnits units;
  struct Painted : TObject {
    int calls = 0;
    bool Paint(TcxCanvas* c, const TRect& r) {
      ++calls;
      c->FillRect(r, clLime);
      return true;
    }
  } handler;
  for (TcxLookAndFeelPainterClass p : {Standard(), UltraFlat()}) {
    Board board(20, 20);
    p->DrawContent(board.canvas.get(), Rect(0, 0, 20, 20), Rect(0, 0, 20, 20), cxbsNormal, taLeftJustify,
                   vaTop, false, false, "", nullptr, clBtnText, clRed,
                   TcxDrawBackgroundEvent(&handler, &Painted::Paint));
    EXPECT_EQ(board.CountOf(RGB(0, 255, 0)), 400) << p->ClassName();
  }
  // No colour leaves the background as it was.
  Board none(20, 20);
  Standard()->DrawContent(none.canvas.get(), Rect(0, 0, 20, 20), Rect(0, 0, 20, 20), cxbsNormal,
                          taLeftJustify, vaTop, false, false, "", nullptr, clBtnText, clNone);
  EXPECT_EQ(none.CountOf(white), 400);
  // The Office header always paints its own background.
  Board office(20, 20);
  int before = handler.calls;
  Office11()->DrawHeader(office.canvas.get(), Rect(0, 0, 20, 20), Rect(0, 0, 20, 20), {}, cxBordersAll,
                         cxbsNormal, taLeftJustify, vaTop, false, false, "", nullptr, clBtnText, clRed,
                         TcxDrawBackgroundEvent(&handler, &Painted::Paint));
  EXPECT_EQ(handler.calls, before);
  EXPECT_EQ(office.CountOf(RGB(0, 255, 0)), 0);
}

TEST(PainterPixels, ExpandButtonsAndSignsStayInsideTinyRects) {
  PainterUnits units;
  for (TcxLookAndFeelPainterClass p : {Standard(), Flat(), UltraFlat(), Office11(), Native()}) {
    for (int size : {1, 2, 3, 5}) {
      Board board(12, 12);
      p->DrawSmallExpandButton(board.canvas.get(), Bounds(4, 4, size, size), false, clBtnShadow, clWindow);
      SelectClipRgn(board.canvas->Handle(), nullptr);
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
          if (x < 4 || y < 4 || (p != Office11() && (x >= 4 + size || y >= 4 + size))) {
            ASSERT_EQ(board.At(x, y), white) << p->ClassName() << " size " << size << " at " << x << "," << y;
          }
    }
  }
  // Expanded shows a minus, collapsed a plus: the centre column differs above the bar.
  Board minus(11, 11), plus(11, 11);
  UltraFlat()->DrawSmallExpandButton(minus.canvas.get(), Rect(0, 0, 9, 9), true, clBtnShadow, clWindow);
  UltraFlat()->DrawSmallExpandButton(plus.canvas.get(), Rect(0, 0, 9, 9), false, clBtnShadow, clWindow);
  SelectClipRgn(minus.canvas->Handle(), nullptr);
  SelectClipRgn(plus.canvas->Handle(), nullptr);
  EXPECT_EQ(minus.At(4, 4), Rgb(clBtnText));
  EXPECT_EQ(minus.At(4, 2), Rgb(clWindow));
  EXPECT_EQ(plus.At(4, 2), Rgb(clBtnText));
  EXPECT_EQ(plus.At(0, 0), Rgb(clBtnShadow));
}

TEST(PainterPixels, StandardExpandButtonExcludesItselfFromLaterDrawing) {
  PainterUnits units;
  Board board(20, 20);
  Standard()->DrawExpandButton(board.canvas.get(), Rect(2, 2, 14, 14), true);
  board.canvas->FillRect(Rect(0, 0, 20, 20), clRed);
  SelectClipRgn(board.canvas->Handle(), nullptr);
  EXPECT_EQ(board.At(5, 5), Rgb(clBtnFace));
  EXPECT_EQ(board.At(2, 2), Rgb(clBtnHighlight));
  EXPECT_EQ(board.At(13, 13), Rgb(cl3DDkShadow));
  EXPECT_EQ(board.At(12, 12), Rgb(clBtnShadow));
  EXPECT_EQ(board.At(1, 1), RGB(255, 0, 0));
}

TEST(PainterPixels, OfficeExpandButtonBlendsItsCornersIntoTheBackground) {
  PainterUnits units;
  for (bool expanded : {false, true}) {
    ASSERT_EQ(dxOffice11ExpandButtonBitmap(expanded)->Width(), 11);
    Board board(20, 20, clBlue);
    board.canvas->FillRect(Rect(14, 14, 15, 15), clLime);
    Office11()->DrawExpandButton(board.canvas.get(), Rect(4, 4, 15, 15), expanded);
    EXPECT_EQ(board.At(4, 4), Rgb(BlendColors(dxOffice11FixedColor1, clBlue, 25)));
    TColor corner = BlendColors(dxOffice11FixedColor2, clLime, 25);
    EXPECT_EQ(board.At(14, 14), Rgb(corner));
    EXPECT_EQ(board.At(14, 4), Rgb(corner));
    EXPECT_EQ(board.At(4, 14), Rgb(corner));
    // The sign: a minus when expanded, a plus when collapsed.
    EXPECT_EQ(board.At(9, 9), RGB(0, 0, 0));
    EXPECT_EQ(board.At(9, 7) == RGB(0, 0, 0), !expanded);
    EXPECT_EQ(board.At(3, 3), RGB(0, 0, 255));
  }
}

TEST(PainterPixels, SortingMarksPointUpAndDown) {
  PainterUnits units;
  for (bool ascending : {true, false}) {
    Board board(16, 16, clBtnFace);
    Standard()->DrawSortingMark(board.canvas.get(), Rect(0, 0, 16, 16), ascending);
    TRect light = InkBox(board, Rgb(clBtnHighlight)), dark = InkBox(board, Rgb(clBtnShadow));
    ASSERT_FALSE(IsRectEmpty(&light));
    ASSERT_FALSE(IsRectEmpty(&dark));
    TRect all{std::min(light.left, dark.left), std::min(light.top, dark.top),
              std::max(light.right, dark.right), std::max(light.bottom, dark.bottom)};
    EXPECT_EQ(RectHeight(all), 7) << ascending;
    EXPECT_LE(RectWidth(all), 8) << ascending;
    // The base row is light for an ascending mark and dark for a descending one.
    int baseRow = ascending ? all.bottom - 1 : all.top;
    EXPECT_EQ(board.At((all.left + all.right) / 2, baseRow), Rgb(ascending ? clBtnHighlight : clBtnShadow));
  }
}

TEST(RadioImages, TemplateHasRingInteriorAndDot) {
  PainterUnits units;
  TcxRadioButtonImageList* list = cxRadioButtonImageList();
  ASSERT_EQ(list->Width(), 13);
  ASSERT_EQ(list->Height(), 13);
  EXPECT_EQ(list->Count(), TcxRadioButtonImageList::ImageCount);
  using R = TcxRadioButtonImageList;
  EXPECT_EQ(list->RoleAt(0, 0), R::rOutside);
  EXPECT_EQ(list->RoleAt(12, 12), R::rOutside);
  EXPECT_EQ(list->RoleAt(6, 6), R::rDot);
  int counts[7] = {};
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x)
      ++counts[list->RoleAt(x, y)];
  for (int role = 1; role < 7; ++role)
    EXPECT_GT(counts[role], 0) << "role " << role;
  // The upper-left ring lies above the lower-right one.
  auto centreOf = [&](R::Role role) {
    int sum = 0, n = 0;
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 13; ++x)
        if (list->RoleAt(x, y) == role)
          sum += x + y, ++n;
    return double(sum) / n;
  };
  EXPECT_LT(centreOf(R::rOuterLight), centreOf(R::rOuterDark));
  EXPECT_LT(centreOf(R::rInnerLight), centreOf(R::rInnerDark));
}

TEST(RadioImages, IndexTableAndDefaultState) {
  struct Case {
    int group;
    TcxButtonState state;
    bool checked, focused, designing;
    int index;
  };
  const Case cases[] = {
      {0, cxbsNormal, false, false, false, 0},  {0, cxbsDisabled, false, false, false, 3},
      {1, cxbsHot, true, false, false, 13},     {3, cxbsPressed, true, true, true, 126},
      {2, cxbsNormal, false, true, false, 80}, // the default state has no image: it is drawn as normal
      {1, cxbsDefault, true, false, false, 12}, {1, cxbsNormal, true, false, false, 12},
  };
  for (const Case& k : cases)
    EXPECT_EQ(TcxRadioButtonImageList::ImageIndex(k.group, k.state, k.checked, k.focused, k.designing),
              k.index);
  EXPECT_EQ(TcxRadioButtonImageList::StyleGroup(lfsNative), 1);
  EXPECT_EQ(TcxRadioButtonImageList::StyleGroup(lfsOffice11), 3);
}

TEST(RadioImages, ColoursPerLookAndState) {
  PainterUnits units;
  auto draw = [](TcxLookAndFeelPainterClass p, TcxButtonState s, bool checked, bool focused = false) {
    auto board = std::make_unique<Board>(13, 13);
    p->DrawRadioButton(board->canvas.get(), 0, 0, s, checked, focused, clDefault);
    return board;
  };
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TcxButtonState state;
    bool checked, focused;
    TColor interior, dot, outer;
  };
  // (3, 6) is interior left of the dot, (6, 6) the dot, (6, top) the top of the outer ring.
  int top = 0;
  while (cxRadioButtonImageList()->RoleAt(6, top) == TcxRadioButtonImageList::rOutside)
    ++top;
  ASSERT_EQ(cxRadioButtonImageList()->RoleAt(6, top), TcxRadioButtonImageList::rOuterLight);
  const Case cases[] = {
      {Standard(), cxbsNormal, true, false, clWindow, clBtnText, clBtnShadow},
      {Standard(), cxbsPressed, false, false, clBtnFace, clBtnFace, clBtnShadow},
      {Flat(), cxbsDisabled, true, false, clBtnFace, clBtnShadow, clBtnShadow},
      {UltraFlat(), cxbsHot, false, false, LightSelectionColor(), LightSelectionColor(), clHighlight},
      {UltraFlat(), cxbsNormal, true, true, clWindow, clBtnText, clHighlight},
      {UltraFlat(), cxbsNormal, true, false, clWindow, clBtnText, clBtnShadow},
      {Office11(), cxbsDisabled, true, true, dxOffice11SchemeColor(2), dxOffice11SchemeColor(31),
       dxOffice11SchemeColor(31)},
      {Office11(), cxbsNormal, false, false, clWindow, clWindow, clBtnText},
  };
  for (const Case& k : cases) {
    auto board = draw(k.painter, k.state, k.checked, k.focused);
    std::string what = std::string(k.painter->ClassName()) + " state " + std::to_string(k.state);
    EXPECT_EQ(board->At(3, 6), Rgb(k.interior)) << what;
    EXPECT_EQ(board->At(6, 6), Rgb(k.dot)) << what;
    EXPECT_EQ(board->At(6, top), Rgb(k.outer)) << what;
    EXPECT_EQ(board->At(0, 0), white) << what << ": corners stay transparent";
  }
  EXPECT_TRUE(draw(Standard(), cxbsDefault, true)->SamePixels(*draw(Standard(), cxbsNormal, true)));
  Board filled(15, 15);
  Standard()->DrawRadioButton(filled.canvas.get(), 1, 1, cxbsNormal, false, false, clRed);
  EXPECT_EQ(filled.At(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(filled.At(0, 0), white);
}

TEST(RadioImages, FollowASystemColourChange) {
  PainterUnits units;
  cxLookAndFeelsInitialize();
  Board before(13, 13);
  Standard()->DrawRadioButton(before.canvas.get(), 0, 0, cxbsNormal, false, false, clDefault);
  EXPECT_EQ(before.At(3, 6), Rgb(clWindow));
  SysColorTable changed = DistinctColors();
  changed[COLOR_WINDOW] = RGB(1, 2, 3);
  changed[COLOR_BTNFACE] = RGB(4, 5, 6);
  SetSysColorTable(changed);
  HWND listener = cxSystemPaletteChangedListenerWindow();
  ASSERT_NE(listener, nullptr);
  SendMessage(listener, WM_SYSCOLORCHANGE, 0, 0);
  Board after(13, 13);
  Standard()->DrawRadioButton(after.canvas.get(), 0, 0, cxbsNormal, false, false, clDefault);
  EXPECT_EQ(after.At(3, 6), RGB(1, 2, 3));
  // The classic scroll-bar pages follow too.
  EXPECT_EQ(COLORREF(cxCheckerBrushBitmap(0)->Canvas()->Pixels(0, 0)) & 0xFFFFFF, RGB(4, 5, 6));
  cxLookAndFeelsFinalize();
}

TEST(PainterResources, CheckerBrushesAndImages) {
  PainterUnits units;
  TBitmap* first = cxCheckerBrushBitmap(0);
  TBitmap* second = cxCheckerBrushBitmap(1);
  ASSERT_EQ(first->Width(), 8);
  ASSERT_EQ(second->Height(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool even = x % 2 == y % 2;
      ASSERT_EQ(COLORREF(first->Canvas()->Pixels(x, y)) & 0xFFFFFF, Rgb(even ? clBtnFace : clBtnHighlight));
      ASSERT_EQ(COLORREF(second->Canvas()->Pixels(x, y)) & 0xFFFFFF, Rgb(even ? clBlack : cl3DDkShadow));
    }
  EXPECT_EQ(cxIndicatorImages()->Count(), 5);
  for (const char* name : {"CX_ARROWBITMAP", "CX_EDITBITMAP", "CX_INSERTBITMAP", "CX_MULTIDOTBITMAP",
                           "CX_MULTIARROWBITMAP", "CX_AUTOHIDEON", "CX_AUTOHIDEOFF"})
    EXPECT_TRUE(ResourceBitmapExists(name)) << name;
  EXPECT_EQ(cxPinBitmap(false)->Width(), 16);
  EXPECT_TRUE(cxPinBitmap(true)->Transparent());
  // Each indicator kind draws its own glyph; no kind draws nothing.
  std::vector<std::unique_ptr<Board>> glyphs;
  for (int kind = ikNone; kind <= ikMultiArrow; ++kind) {
    glyphs.push_back(std::make_unique<Board>(12, 14));
    cxDrawIndicatorImage(glyphs.back()->canvas.get(), Rect(0, 0, 12, 14), TcxIndicatorKind(kind));
  }
  EXPECT_EQ(glyphs[0]->CountOf(white), 12 * 14);
  for (int a = 1; a <= 5; ++a) {
    EXPECT_GT(glyphs[std::size_t(a)]->CountOf(RGB(0, 0, 0)), 0) << a;
    for (int b = a + 1; b <= 5; ++b)
      EXPECT_FALSE(glyphs[std::size_t(a)]->SamePixels(*glyphs[std::size_t(b)])) << a << " vs " << b;
  }
}

TEST(PainterResources, LibraryCursorsAreMadeForEveryName) {
  for (const char* name : cxLibraryCursorNames()) {
    HCURSOR cursor = cxCreateLibraryCursor(name);
    ASSERT_NE(cursor, nullptr) << name;
    platform::CursorInfo info;
    ASSERT_TRUE(platform::GetCursorInfo(cursor, &info)) << name;
    EXPECT_EQ(info.width, 32) << name;
    DestroyCursor(cursor);
  }
  EXPECT_EQ(cxCreateLibraryCursor("CX_NOSUCHCURSOR"), nullptr);
}

} // namespace
