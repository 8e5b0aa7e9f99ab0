#include "painters_test_support.h"

namespace {

using namespace painters_test;

struct Sizes {
  const char* name;
  TcxLookAndFeelPainterClass (*painter)();
  TcxLookAndFeelStyle style;
  int borderSize, buttonBorderDefault, buttonBorderNormal, textOffset, textShift, expandSize, smallExpandSize,
      headerBorder, sectionBorderNormal, sectionBorderPressed, footerBorder, footerCellBorder,
      footerCellOffset, tabBorder;
  TPoint sortingMark, checkArea, smallClose;
  bool hotTrack, expandOption, headerOption, headerOption2, footerOption;
};

// Without a theme the native painter answers what the Standard one does, apart from its own fixed values.
const Sizes sizeTable[] = {
    {"Standard", Standard, lfsStandard, 2, 3,      2,        1,        1,     12,   9,    1,     2,   1,
     1,          1,        1,           1, {8, 7}, {13, 13}, {16, 14}, false, true, true, false, true},
    {"Flat", Flat, lfsFlat, 1, 2,      1,        1,        1,     11,   9,    1,     1,   1,
     1,      1,    1,       1, {8, 7}, {13, 13}, {16, 14}, false, true, true, false, true},
    {"UltraFlat", UltraFlat, lfsUltraFlat, 1,        2,        1,    2,    0,    11,    9,   1, 1, 1, 1, 1,
     2,           1,         {7, 8},       {12, 12}, {16, 15}, true, true, true, false, true},
    {"Office11", Office11, lfsOffice11, 1, 2,      1,        2,        0,    11,    11,   1,    1,   1,
     1,          1,        2,           1, {7, 8}, {12, 12}, {16, 15}, true, false, true, true, true},
    {"Native", Native, lfsNative, 2, 2,      2,        2,        0,    12,    9,     1,    1,    1,
     1,        1,      1,         1, {7, 8}, {15, 15}, {16, 14}, true, false, false, true, false},
};

TEST(PainterSizes, EveryPainterAnswersItsOwnSizesAndOptions) {
  PainterUnits units;
  for (const Sizes& k : sizeTable) {
    SCOPED_TRACE(k.name);
    TcxLookAndFeelPainterClass p = k.painter();
    EXPECT_EQ(p->LookAndFeelStyle(), k.style);
    EXPECT_EQ(p->BorderSize(), k.borderSize);
    EXPECT_EQ(p->ButtonBorderSize(cxbsDefault), k.buttonBorderDefault);
    EXPECT_EQ(p->ButtonBorderSize(cxbsNormal), k.buttonBorderNormal);
    EXPECT_EQ(p->ButtonTextOffset(), k.textOffset);
    EXPECT_EQ(p->ButtonTextShift(), k.textShift);
    EXPECT_EQ(p->ExpandButtonSize(), k.expandSize);
    EXPECT_EQ(p->SmallExpandButtonSize(), k.smallExpandSize);
    EXPECT_EQ(p->HeaderBorderSize(), k.headerBorder);
    EXPECT_EQ(p->HeaderControlSectionBorderSize(cxbsNormal), k.sectionBorderNormal);
    EXPECT_EQ(p->HeaderControlSectionBorderSize(cxbsPressed), k.sectionBorderPressed);
    EXPECT_EQ(p->FooterBorderSize(), k.footerBorder);
    EXPECT_EQ(p->FooterCellBorderSize(), k.footerCellBorder);
    EXPECT_EQ(p->FooterCellOffset(), k.footerCellOffset);
    EXPECT_EQ(p->TabBorderSize(), k.tabBorder);
    EXPECT_EQ(p->SortingMarkSize().x, k.sortingMark.x);
    EXPECT_EQ(p->SortingMarkSize().y, k.sortingMark.y);
    EXPECT_EQ(p->SortingMarkAreaSize().x, 16);
    EXPECT_EQ(p->SortingMarkAreaSize().y, k.sortingMark.y);
    EXPECT_EQ(p->CheckButtonAreaSize().x, k.checkArea.x);
    EXPECT_EQ(p->CheckButtonAreaSize().y, k.checkArea.y);
    EXPECT_EQ(p->SmallCloseButtonSize().x, k.smallClose.x);
    EXPECT_EQ(p->SmallCloseButtonSize().y, k.smallClose.y);
    EXPECT_EQ(p->IsButtonHotTrack(), k.hotTrack);
    EXPECT_EQ(p->ExpandButtonOption(), k.expandOption);
    EXPECT_EQ(p->HeaderOption(), k.headerOption);
    EXPECT_EQ(p->HeaderOption2(), k.headerOption2);
    EXPECT_EQ(p->FooterOption(), k.footerOption);
    EXPECT_EQ(p->HeaderHeight(13), (k.headerBorder + 2) * 2 + 13);
    EXPECT_EQ(p->CheckButtonSize().x, 13);
    EXPECT_EQ(p->GroupExpandButtonSize(), 15);
  }
}

TEST(PainterSizes, ContentBoundsFollowTheBorderSizes) {
  PainterUnits units;
  const TRect bounds = Rect(10, 20, 110, 40);
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TcxNeighbors neighbors;
    TRect headerContent, footerContent, footerText;
  };
  const Case cases[] = {
      {Standard(), {nLeft, nTop}, Rect(11, 21, 109, 39), Rect(11, 21, 109, 39), Rect(13, 23, 107, 37)},
      {UltraFlat(), {nLeft, nTop}, Rect(10, 20, 109, 39), Rect(11, 21, 109, 39), Rect(13, 23, 107, 37)},
      {UltraFlat(), {}, Rect(11, 21, 109, 39), Rect(11, 21, 109, 39), Rect(13, 23, 107, 37)},
      {Office11(), {nLeft, nTop}, Rect(11, 21, 109, 39), Rect(11, 21, 109, 39), Rect(13, 23, 107, 37)},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(k.painter->HeaderContentBoundsByNeighbors(bounds, k.neighbors), k.headerContent)
        << k.painter->ClassName();
    EXPECT_EQ(k.painter->FooterCellContentBounds(bounds), k.footerContent) << k.painter->ClassName();
    EXPECT_EQ(k.painter->FooterCellTextAreaBounds(bounds), k.footerText) << k.painter->ClassName();
  }
  EXPECT_EQ(Standard()->HeaderControlSectionTextAreaBounds(bounds, cxbsPressed), Rect(11, 21, 111, 41));
  EXPECT_EQ(Standard()->HeaderControlSectionTextAreaBounds(bounds, cxbsHot), bounds);
  EXPECT_EQ(Standard()->HeaderControlSectionContentBounds(bounds, cxbsNormal), Rect(12, 22, 108, 38));
  EXPECT_EQ(Flat()->FooterCellBorders(), cxBordersAll);
  EXPECT_EQ(UltraFlat()->FooterCellBorders(), (TcxBorders{bRight, bBottom}));
}

TEST(PainterSizes, ContentOfPartsSmallerThanTheirBordersIsEmptyNotInverted) {
  PainterUnits units;
  struct Case {
    TRect bounds;
    TRect footerText;
  };
  // Footer text areas lie three pixels in from each side: parts under six pixels have none.
  const Case cases[] = {
      {Rect(10, 10, 15, 14), Rect(12, 12, 12, 12)},
      {Rect(10, 10, 10, 10), Rect(10, 10, 10, 10)},
      {Rect(0, 0, 6, 6), Rect(3, 3, 3, 3)},
      {Rect(0, 0, 7, 30), Rect(3, 3, 4, 27)},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(Standard()->FooterCellTextAreaBounds(k.bounds), k.footerText);
    for (TcxLookAndFeelPainterClass p : {Standard(), Flat(), UltraFlat(), Office11(), Native()}) {
      TRect rects[] = {p->FooterCellTextAreaBounds(k.bounds), p->HeaderContentBounds(k.bounds, cxBordersAll),
                       p->HeaderControlSectionContentBounds(k.bounds, cxbsNormal)};
      for (const TRect& r : rects) {
        EXPECT_GE(RectWidth(r), 0) << p->ClassName();
        EXPECT_GE(RectHeight(r), 0) << p->ClassName();
      }
    }
  }
}

TEST(PainterSizes, ButtonFocusRectFallsBackToTheBoundsWhenTooSmall) {
  PainterUnits units;
  Board board(4, 4);
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TRect bounds, expected;
  };
  const Case cases[] = {
      {Standard(), Rect(0, 0, 8, 8), Rect(0, 0, 8, 8)},  {Standard(), Rect(0, 0, 20, 10), Rect(4, 4, 16, 6)},
      {UltraFlat(), Rect(0, 0, 6, 6), Rect(0, 0, 6, 6)}, {UltraFlat(), Rect(0, 0, 20, 10), Rect(3, 3, 17, 7)},
      {Office11(), Rect(2, 2, 9, 9), Rect(5, 5, 6, 6)},  {Native(), Rect(0, 0, 9, 9), Rect(4, 4, 5, 5)},
  };
  for (const Case& k : cases)
    EXPECT_EQ(k.painter->ButtonFocusRect(board.canvas.get(), k.bounds), k.expected) << k.painter->ClassName();
}

TEST(PainterSizes, ButtonGroupMarginsWidenTheOuterEnds) {
  PainterUnits units;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    int count, index;
    TRect margins;
  };
  const Case cases[] = {
      {UltraFlat(), 1, 0, Rect(2, 2, 1, 2)}, {UltraFlat(), 3, 0, Rect(2, 2, 1, 2)},
      {UltraFlat(), 3, 1, Rect(1, 2, 1, 2)}, {UltraFlat(), 3, 2, Rect(1, 2, 2, 2)},
      {Office11(), 2, 1, Rect(1, 2, 2, 2)},  {Standard(), 3, 1, Rect(2, 2, 2, 2)},
      {Flat(), 3, 0, Rect(1, 1, 1, 1)},
  };
  for (const Case& k : cases)
    EXPECT_EQ(k.painter->ButtonGroupBorderSizes(k.count, k.index), k.margins)
        << k.painter->ClassName() << " " << k.index << " of " << k.count;
}

TEST(PainterSizes, HeaderBordersDropTheSidesSharedWithNeighbours) {
  PainterUnits units;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TcxNeighbors neighbors;
    TcxBorders borders;
  };
  const Case cases[] = {
      {UltraFlat(), {nLeft}, {bTop, bRight, bBottom}},
      {UltraFlat(), {nTop, nRight}, {bLeft, bRight, bBottom}},
      {UltraFlat(), {nLeft, nTop, nRight, nBottom}, {bRight, bBottom}},
      {Office11(), {nLeft, nTop}, cxBordersAll},
      {Standard(), {nLeft}, cxBordersAll},
  };
  for (const Case& k : cases)
    EXPECT_EQ(k.painter->HeaderBorders(k.neighbors), k.borders) << k.painter->ClassName();
}

TEST(PainterSizes, HeaderWidthAddsPaddingAndTheChosenBorders) {
  PainterUnits units;
  Board board(4, 4);
  TFont font;
  board.canvas->SetFont(&font);
  int text = board.canvas->TextWidth("Kelime");
  ASSERT_GT(text, 0);
  EXPECT_EQ(Standard()->HeaderWidth(board.canvas.get(), cxBordersAll, "Kelime", &font), text + 4 + 2);
  EXPECT_EQ(Standard()->HeaderWidth(board.canvas.get(), {bLeft, bTop}, "Kelime", &font), text + 4 + 1);
  EXPECT_EQ(Standard()->HeaderWidth(board.canvas.get(), {}, "", &font), 4);
}

TEST(PainterColors, DefaultsPerPainter) {
  PainterUnits units;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TColor info, border, plusGlyph, selection, selectionText, headerColor;
  };
  const Case cases[] = {
      {Standard(), clWindow, clRed, clWindowText, clHighlight, clHighlightText, clBtnFace},
      {Flat(), TColor(RGB(255, 255, 213)), clRed, clWindowText, clHighlight, clHighlightText, clBtnFace},
      {UltraFlat(), TColor(RGB(255, 255, 213)), clBtnShadow, clNavy, clHighlight, clHighlightText, clBtnFace},
      {Office11(), TColor(RGB(255, 255, 213)), dxOffice11SchemeColor(35), clNavy, dxOffice11SchemeColor(33),
       clWindowText, dxOffice11SchemeColor(2)},
      {Native(), TColor(RGB(255, 255, 213)), clRed, clNavy, clHighlight, clHighlightText, clBtnFace},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.painter->ClassName());
    EXPECT_EQ(k.painter->DefaultInfoColor(), k.info);
    EXPECT_EQ(k.painter->DefaultBorderColor(), k.border);
    EXPECT_EQ(k.painter->DefaultPlusGlyphColor(), k.plusGlyph);
    EXPECT_EQ(k.painter->DefaultSelectionColor(), k.selection);
    EXPECT_EQ(k.painter->DefaultSelectionTextColor(), k.selectionText);
    EXPECT_EQ(k.painter->DefaultHeaderColor(), k.headerColor);
    EXPECT_EQ(k.painter->DefaultCreamColor1(), TColor(RGB(255, 251, 240)));
    EXPECT_EQ(k.painter->DefaultBlueTextColor(), TColor(0xFF0000));
  }
  EXPECT_EQ(Office11()->DefaultBtnFaceColor1(), Office11()->DefaultHeaderColor());
  EXPECT_EQ(Office11()->DefaultBtnFaceColor11(), dxOffice11SchemeColor(3));
  EXPECT_EQ(Office11()->DefaultBtnShadowColor5(), BlendColors(clBtnShadow, clBtnFace, 50));
  EXPECT_EQ(Standard()->DefaultBtnShadowColor6(), Standard()->DefaultBtnShadowColor3());
}

TEST(PainterColors, ButtonColoursByState) {
  PainterUnits units;
  struct Case {
    TcxLookAndFeelPainterClass painter;
    TcxButtonState state;
    TColor face, symbol, check;
  };
  const Case cases[] = {
      {Standard(), cxbsNormal, clBtnFace, clBtnText, clWindow},
      {Standard(), cxbsDisabled, clBtnFace, clBtnShadow, clBtnFace},
      {Standard(), cxbsPressed, clBtnFace, clBtnText, clBtnFace},
      {UltraFlat(), cxbsHot, LightSelectionColor(), clBtnText, clWindow},
      {UltraFlat(), cxbsPressed, LightFaceColor(), clHighlightText, clBtnFace},
      {UltraFlat(), cxbsDisabled, clBtnFace, clBtnShadow, clBtnFace},
      {Office11(), cxbsDefault, clBtnFace, dxOffice11SchemeColor(30), clWindow},
      {Office11(), cxbsHot, dxOffice11SchemeColor(22), dxOffice11SchemeColor(30), dxOffice11SchemeColor(22)},
      // With no Office scheme active a pressed symbol is drawn in the highlight text colour.
      {Office11(), cxbsPressed, dxOffice11SchemeColor(24), clHighlightText, dxOffice11SchemeColor(24)},
      {Office11(), cxbsDisabled, dxOffice11SchemeColor(2), dxOffice11SchemeColor(31),
       dxOffice11SchemeColor(2)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.painter->ClassName()) + " state " + std::to_string(k.state));
    EXPECT_EQ(k.painter->ButtonColor(k.state), k.face);
    EXPECT_EQ(k.painter->ButtonSymbolColor(k.state), k.symbol);
    EXPECT_EQ(k.painter->CheckButtonColor(k.state), k.check);
  }
  EXPECT_EQ(UltraFlat()->ButtonSymbolState(cxbsPressed), cxbsNormal);
  EXPECT_EQ(Standard()->ButtonSymbolState(cxbsPressed), cxbsPressed);
}

TEST(PainterColors, PressedOfficeSymbolUsesTheSchemeColourWhenASchemeIsActive) {
  PainterUnits units([](RecordingThemeBackend& f) { f.ClaimLuna(u"NormalColor"); });
  RefreshOffice11Colors();
  ASSERT_TRUE(IsOffice11Themed());
  EXPECT_EQ(Office11()->ButtonSymbolColor(cxbsPressed), dxOffice11SchemeColor(30));
  EXPECT_EQ(Rgb(dxOffice11SchemeColor(30)), RGB(0, 0, 0));
}

TEST(ArrowGeometry, TrianglesForEveryDirection) {
  struct Case {
    TRect rect;
    TcxArrowDirection direction;
    bool proportional;
    TPoint p0, p1, p2;
  };
  const Case cases[] = {
      // A 10 x 10 rect pointing down: base 5, depth 3.
      {Rect(0, 0, 10, 10), adDown, false, {2, 4}, {6, 4}, {4, 6}},
      {Rect(0, 0, 10, 10), adUp, false, {4, 4}, {2, 6}, {6, 6}},
      {Rect(0, 0, 10, 10), adLeft, false, {3, 5}, {5, 3}, {5, 7}},
      {Rect(0, 0, 10, 10), adRight, false, {3, 3}, {5, 5}, {3, 7}},
      // Proportional: a 20 x 10 rect is treated as the centred 10 x 10 square.
      {Rect(0, 0, 20, 10), adDown, true, {7, 4}, {11, 4}, {9, 6}},
      {Rect(5, 0, 15, 20), adRight, true, {8, 8}, {10, 10}, {8, 12}},
      // Without the proportional flag the wide rect gives a wide base.
      {Rect(0, 0, 20, 10), adDown, false, {5, 3}, {13, 3}, {9, 7}},
  };
  for (const Case& k : cases) {
    TPoint p[3];
    TcxCustomLookAndFeelPainter::CalculateArrowPoints(k.rect, p, k.direction, k.proportional);
    EXPECT_EQ(p[0], k.p0) << "direction " << k.direction;
    EXPECT_EQ(p[1], k.p1) << "direction " << k.direction;
    EXPECT_EQ(p[2], k.p2) << "direction " << k.direction;
  }
}

TEST(ThemeStateMaps, EveryButtonStateHasAThemedState) {
  using namespace cxThemeStates;
  struct Case {
    TcxButtonState state;
    int push, checkOff, checkOn, header, group, track, arrowUp, arrowRight;
  };
  const Case cases[] = {
      {cxbsDefault, 5, 1, 5, 1, 6, 1, 1, 13},
      {cxbsNormal, 1, 1, 5, 1, 1, 1, 1, 13},
      {cxbsHot, 2, 2, 6, 2, 2, 2, 2, 14},
      {cxbsPressed, 3, 3, 7, 3, 3, 3, 3, 15},
      // The group-expand table has no disabled entry: the normal state stands in.
      {cxbsDisabled, 4, 4, 8, 1, 1, 4, 4, 16},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.state);
    EXPECT_EQ(PushButton(k.state), k.push);
    EXPECT_EQ(CheckBox(k.state, false), k.checkOff);
    EXPECT_EQ(CheckBox(k.state, true), k.checkOn);
    EXPECT_EQ(RadioButton(k.state, true), k.checkOn);
    EXPECT_EQ(HeaderItem(k.state), k.header);
    EXPECT_EQ(HeaderPin(k.state), k.header);
    EXPECT_EQ(GroupExpand(k.state), k.group);
    EXPECT_EQ(ScrollTrack(k.state), k.track);
    EXPECT_EQ(ScrollArrow(k.state, adUp), k.arrowUp);
    EXPECT_EQ(ScrollArrow(k.state, adRight), k.arrowRight);
  }
  // A value outside the enumeration reads no table.
  EXPECT_EQ(PushButton(TcxButtonState(9)), 1);
  EXPECT_EQ(GroupExpand(TcxButtonState(-1)), 1);
}

TEST(ContentFlags, AlignmentsAndWrappingMapToTextFlags) {
  struct Case {
    TAlignment h;
    TcxAlignmentVert v;
    bool multiLine, ellipsis;
    int flags;
  };
  const Case cases[] = {
      {taLeftJustify, vaTop, false, false, cxAlignLeft | cxAlignTop | cxSingleLine},
      {taRightJustify, vaBottom, true, false, cxAlignRight | cxAlignBottom | cxWordBreak},
      {taCenter, vaCenter, false, true, cxAlignHCenter | cxAlignVCenter | cxSingleLine | cxShowEndEllipsis},
  };
  for (const Case& k : cases)
    EXPECT_EQ(cxContentTextFlags(k.h, k.v, k.multiLine, k.ellipsis), k.flags);
}

TEST(PainterClasses, SingletonsKeepTheFamilyTree) {
  EXPECT_TRUE(Office11()->InheritsFrom(TcxUltraFlatLookAndFeelPainter::StaticClass()));
  EXPECT_TRUE(Native()->InheritsFrom(TcxStandardLookAndFeelPainter::StaticClass()));
  EXPECT_FALSE(Flat()->InheritsFrom(TcxStandardLookAndFeelPainter::StaticClass()));
  EXPECT_EQ(Standard(), TcxStandardLookAndFeelPainter::Instance());
  EXPECT_EQ(std::string(Office11()->ClassName()), "TcxOffice11LookAndFeelPainter");
}

} // namespace
