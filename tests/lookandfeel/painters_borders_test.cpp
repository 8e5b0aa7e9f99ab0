// Painted borders and lines checked pixel by pixel: splitters, tab and footer borders, pressed headers, the
// thumb.
#include <string>

#include "painters_test_support.h"

namespace {

using namespace painters_test;

TEST(PainterBorders, Splitters) {
  PainterUnits units;
  TcxViewParams vp;
  vp.Color = clRed;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    std::vector<TColor> first, last; // the lines from the outside in
    int widen;                       // how far each ring beyond the first grows along the splitter
  };
  const Case cases[] = {
      {Standard(), {clBtnFace, clBtnHighlight}, {cl3DDkShadow, clBtnShadow}, 1},
      {Flat(), {clBtnHighlight}, {clBtnShadow}, 0},
      {UltraFlat(), {clBtnShadow}, {clBtnShadow}, 1},
      {Office11(), {dxOffice11SchemeColor(35)}, {dxOffice11SchemeColor(35)}, 1},
  };
  for (const Case& k : cases)
    for (bool horizontal : {true, false}) {
      // A 30 x 9 splitter (9 x 30 when vertical) with room around it.
      TRect r = horizontal ? Rect(4, 2, 34, 11) : Rect(2, 4, 11, 34);
      Board board(38, 38);
      k.painter->DrawSplitter(board.canvas.get(), r, vp, horizontal);
      Expected e(38, 38);
      TRect cur = r;
      for (std::size_t i = 0; i < k.first.size(); ++i) {
        if (horizontal) {
          e.Fill(Rect(cur.left, cur.top, cur.right, cur.top + 1), k.first[i]);
          e.Fill(Rect(cur.left, cur.bottom - 1, cur.right, cur.bottom), k.last[i]);
          cur = Rect(cur.left - k.widen, cur.top + 1, cur.right + k.widen, cur.bottom - 1);
        } else {
          e.Fill(Rect(cur.left, cur.top, cur.left + 1, cur.bottom), k.first[i]);
          e.Fill(Rect(cur.right - 1, cur.top, cur.right, cur.bottom), k.last[i]);
          cur = Rect(cur.left + 1, cur.top - k.widen, cur.right - 1, cur.bottom + k.widen);
        }
      }
      e.Fill(cur, clRed);
      ExpectImage(board, e, std::string(k.painter->ClassName()) + (horizontal ? " horizontal" : " vertical"));
    }
}

TEST(PainterBorders, FlatTabBordersAndRoots) {
  PainterUnits units;
  auto office = static_cast<const TcxOffice11LookAndFeelPainter*>(Office11());
  struct Look {
    TcxLookAndFeelPainterClass painter;
    TColor light, dark;
  };
  const Look looks[] = {{UltraFlat(), clBtnShadow, clBtnText},
                        {Office11(), office->DarkBorderColor(), clBtnText}};
  const TRect tab = Rect(2, 2, 14, 10);
  for (const Look& l : looks)
    for (bool vertical : {false, true})
      for (TcxBorder side : {bLeft, bTop, bRight, bBottom}) {
        Board board(16, 12);
        l.painter->DrawTabBorder(board.canvas.get(), tab, side, cxBordersAll, vertical);
        Expected e(16, 12);
        bool dark = vertical ? side == bBottom : side == bRight;
        switch (side) {
        case bLeft:
          e.Fill(Rect(2, 2, 3, 10), l.light);
          break;
        case bTop:
          e.Fill(Rect(2, 2, 14, 3), l.light);
          break;
        case bRight:
          // The right side of a horizontal tab stops one pixel short of the bottom.
          e.Fill(Rect(13, 2, 14, vertical ? 10 : 9), dark ? l.dark : l.light);
          break;
        case bBottom:
          e.Fill(Rect(2, 9, 14, 10), dark ? l.dark : l.light);
          break;
        }
        ExpectImage(board, e,
                    std::string(l.painter->ClassName()) + " side " + std::to_string(side) +
                        (vertical ? " vertical" : ""));
      }
  for (const Look& l : looks) {
    Board board(16, 12);
    l.painter->DrawTabsRoot(board.canvas.get(), tab, {bLeft, bTop, bRight}, false);
    Expected e(16, 12);
    e.Ring(tab, l.light, l.light, {bLeft, bTop, bRight});
    ExpectImage(board, e, std::string(l.painter->ClassName()) + " root");
  }
  for (TcxLookAndFeelPainterClass classic : {Standard(), Flat()}) {
    Board board(16, 12);
    classic->DrawTabsRoot(board.canvas.get(), tab, {bTop, bBottom}, false);
    Expected e(16, 12);
    e.Ring(tab, clBtnHighlight, clBtnShadow, {bTop, bBottom});
    ExpectImage(board, e, std::string(classic->ClassName()) + " root");
  }
}

TEST(PainterBorders, ClassicTabBordersKeepToTheirSideInTheirColour) {
  PainterUnits units;
  const TRect tab = Rect(2, 2, 14, 10);
  for (TcxLookAndFeelPainterClass p : {Standard(), Flat()})
    for (bool vertical : {false, true})
      for (TcxBorder side : {bLeft, bTop, bRight, bBottom}) {
        Board board(16, 12);
        p->DrawTabBorder(board.canvas.get(), tab, side, cxBordersAll, vertical);
        bool dark = vertical ? side == bBottom : side == bRight;
        TColor line = dark ? clBtnShadow : clBtnHighlight;
        int onLine = 0;
        for (int y = 0; y < 12; ++y)
          for (int x = 0; x < 16; ++x) {
            if (board.At(x, y) == white)
              continue;
            bool along = (side == bLeft && x == 2) || (side == bRight && x == 13) ||
                         (side == bTop && y == 2) || (side == bBottom && y == 9);
            std::string at = std::string(p->ClassName()) + " side " + std::to_string(side) +
                             (vertical ? " vertical" : "") + " at " + std::to_string(x) + "," +
                             std::to_string(y);
            if (along) {
              EXPECT_EQ(board.At(x, y), Rgb(line)) << at;
              ++onLine;
            } else {
              // Off the line only the light corner pixels that round the tab, inside its rectangle.
              EXPECT_EQ(board.At(x, y), Rgb(clBtnHighlight)) << at;
              EXPECT_TRUE(x >= 2 && x < 14 && y >= 2 && y < 10) << at;
            }
          }
        // Shortened by one or two pixels at each end, never more.
        int length = side == bLeft || side == bRight ? 8 : 12;
        EXPECT_GE(onLine, length - 4) << p->ClassName() << " side " << side;
        EXPECT_LT(onLine, length) << p->ClassName() << " side " << side;
      }
}

TEST(PainterBorders, FooterBorders) {
  PainterUnits units;
  auto office = static_cast<const TcxOffice11LookAndFeelPainter*>(Office11());
  const TRect r = Rect(1, 1, 11, 9);
  struct Case {
    TcxLookAndFeelPainterClass painter;
    bool cell;
    TColor lt, rb;
    TcxBorders sides;
  };
  const Case cases[] = {
      {Standard(), false, clBtnHighlight, clBtnShadow, cxBordersAll},
      {Standard(), true, clBtnShadow, clBtnHighlight, cxBordersAll},
      {Flat(), false, clBtnHighlight, clBtnShadow, cxBordersAll},
      {Flat(), true, clBtnShadow, clBtnHighlight, cxBordersAll},
      {UltraFlat(), false, clBtnShadow, clBtnShadow, {bRight, bBottom}},
      {UltraFlat(), true, clBtnShadow, clBtnShadow, cxBordersAll},
      {Office11(), false, office->DarkBorderColor(), office->DarkBorderColor(), {bRight, bBottom}},
      {Office11(), true, office->DarkBorderColor(), office->DarkBorderColor(), cxBordersAll},
  };
  for (const Case& k : cases) {
    Board board(12, 10);
    if (k.cell)
      k.painter->DrawFooterCellBorder(board.canvas.get(), r);
    else
      k.painter->DrawFooterBorder(board.canvas.get(), r);
    Expected e(12, 10);
    e.Ring(r, k.lt, k.rb, k.sides);
    ExpectImage(board, e, std::string(k.painter->ClassName()) + (k.cell ? " cell" : " footer"));
  }
  // A footer cell: the border, then the background inside the cell's border size.
  Board cell(12, 10);
  Standard()->DrawFooterCell(cell.canvas.get(), r, taLeftJustify, vaTop, false, "", nullptr, clBtnText,
                             clRed);
  Expected e(12, 10);
  e.Ring(r, clBtnShadow, clBtnHighlight);
  e.Fill(Deflated(r, 1), clRed);
  ExpectImage(cell, e, "standard footer cell");
}

TEST(PainterBorders, PressedHeaders) {
  PainterUnits units;
  // The root's pressed header inverts every pixel of its rectangle and nothing else.
  Board board(12, 10);
  board.canvas->FillRect(Rect(0, 0, 6, 10), clBtnFace);
  Standard()->DrawHeaderPressed(board.canvas.get(), Rect(2, 2, 10, 8));
  Expected e(12, 10);
  e.Fill(Rect(0, 0, 6, 10), clBtnFace);
  COLORREF face = Rgb(clBtnFace);
  e.Fill(Rect(2, 2, 6, 8), TColor(RGB(255 - GetRValue(face), 255 - GetGValue(face), 255 - GetBValue(face))));
  e.Fill(Rect(6, 2, 10, 8), clBlack);
  ExpectImage(board, e, "inverted header");
  // A pressed Office 2003 section is the normal one inverted.
  auto section = [](TcxButtonState state) {
    auto b = std::make_unique<Board>(30, 20);
    Office11()->DrawHeaderControlSection(b->canvas.get(), Rect(0, 0, 30, 20), Rect(0, 0, 30, 20), {},
                                         cxBordersAll, state, taLeftJustify, vaTop, false, false, "", nullptr,
                                         clBtnText, clWindow);
    return b;
  };
  auto normal = section(cxbsNormal), pressed = section(cxbsPressed);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x)
      ASSERT_EQ(pressed->At(x, y), normal->At(x, y) ^ 0xFFFFFFu) << x << "," << y;
  // A pressed Standard section: one shadow ring, the background inside it.
  Board standard(12, 10);
  Standard()->DrawHeaderControlSection(standard.canvas.get(), Rect(1, 1, 11, 9), Rect(1, 1, 11, 9), {},
                                       cxBordersAll, cxbsPressed, taLeftJustify, vaTop, false, false, "",
                                       nullptr, clBtnText, clRed);
  Expected s(12, 10);
  s.Ring(Rect(1, 1, 11, 9), clBtnShadow, clBtnShadow);
  s.Fill(Rect(2, 2, 10, 8), clRed);
  ExpectImage(standard, s, "standard pressed section");
}

TEST(PainterBorders, StandardThumbKeepsTheRaisedBevelInEveryState) {
  PainterUnits units;
  Expected e(16, 16);
  e.Ring(Rect(0, 0, 16, 16), clBtnFace, cl3DDkShadow);
  e.Ring(Rect(1, 1, 15, 15), clBtnHighlight, clBtnShadow);
  e.Fill(Rect(2, 2, 14, 14), clBtnFace);
  for (TcxLookAndFeelPainterClass p : {Standard(), Native()})
    for (TcxButtonState state : {cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed}) {
      Board board(16, 16);
      p->DrawScrollBarPart(board.canvas.get(), false, Rect(0, 0, 16, 16), spThumb, state);
      ExpectImage(board, e, std::string(p->ClassName()) + " thumb, state " + std::to_string(state));
    }
}

} // namespace
