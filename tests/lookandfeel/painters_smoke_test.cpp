#include <functional>
#include <string>
#include <vector>

#include "painters_test_support.h"

namespace {

using namespace painters_test;

using Op = std::function<void(TcxLookAndFeelPainterClass, TcxCanvas*, const TRect&, TcxButtonState)>;

struct Operation {
  const char* name;
  Op draw;
};

// Texts of the parts; the degenerate-rectangle test clears them, since a text longer than its part overflows
// it by the canvas's own layout rules rather than by the painters' geometry.
bool withTexts = true;
String T(const char* text) {
  return withTexts ? String(text) : String();
}

TFont* SmokeFont() {
  static TFont font;
  return &font;
}

std::vector<Operation> EveryOperation() {
  TcxViewParams params;
  params.Color = clBtnFace;
  params.Font = SmokeFont();
  params.TextColor = clBtnText;
  return {
      {"DrawButton", [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawButton(c, r, T("&Ok"), s); }},
      {"DrawButtonBackground",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawButtonBackground(c, r, s); }},
      {"DrawButtonBorder",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawButtonBorder(c, r, s); }},
      {"DrawArrowButton",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawArrowButton(c, r, s, adUp); }},
      {"DrawArrowButton flat",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawArrowButton(c, r, s, adLeft, false); }},
      {"DrawButtonArrow",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawButtonArrow(c, r, s, adRight); }},
      {"DrawArrow",
       [](auto p, TcxCanvas* c, const TRect& r, auto) { p->DrawArrow(c, r, adDown, clBtnText); }},
      {"DrawDropDownArrow",
       [](auto p, TcxCanvas* c, const TRect& r, auto) { p->DrawDropDownArrow(c, r, clBtnText); }},
      {"DrawDropDownButton",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawDropDownButton(c, r, s, true); }},
      {"DrawButtonInGroup", [](auto p, TcxCanvas* c, const TRect& r,
                               auto s) { p->DrawButtonInGroup(c, r, s, 3, 1, clBtnShadow); }},
      {"DrawButtonInGroup single", [](auto p, TcxCanvas* c, const TRect& r,
                                      auto s) { p->DrawButtonInGroup(c, r, s, 1, 0, clBtnShadow); }},
      {"DrawButtonFrame", [](auto p, TcxCanvas* c, const TRect& r,
                             auto s) { p->DrawButtonFrame(c, r, s == cxbsPressed, s == cxbsHot); }},
      {"DrawBorder", [](auto p, TcxCanvas* c, const TRect& r, auto) { p->DrawBorder(c, r); }},
      {"DrawContainerBorder",
       [](auto p, TcxCanvas* c, const TRect& r, auto) { p->DrawContainerBorder(c, r); }},
      {"DrawExpandButton", [](auto p, TcxCanvas* c, const TRect& r,
                              auto s) { p->DrawExpandButton(c, r, s == cxbsHot, clDefault); }},
      {"DrawSmallExpandButton",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawSmallExpandButton(c, r, s == cxbsHot, clBtnShadow, clWindow);
       }},
      {"DrawGroupExpandButton",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawGroupExpandButton(c, r, s != cxbsHot, s); }},
      {"DrawCheckButton",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawCheckButton(c, r, s, true); }},
      {"DrawCheckBoxInRect",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawCheckBoxInRect(c, r, s, false); }},
      {"DrawCheck",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawCheck(c, r, s, true, clBtnText); }},
      {"DrawRadioButton",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawRadioButton(c, r.left, r.top, s, true, s == cxbsHot, clDefault);
       }},
      {"DrawHeader",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawHeader(c, r, r, {nLeft}, p->HeaderBorders({nLeft}), s, taCenter, vaCenter, true, true,
                       T("Header"), SmokeFont(), clBtnText, clBtnFace, nullptr, true);
       }},
      {"DrawHeaderEx",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawHeaderEx(c, r, r, {}, cxBordersAll, s, taRightJustify, vaBottom, false, false, T("Ex"),
                         SmokeFont(), clBtnText, clBtnFace);
       }},
      {"DrawHeaderPressed", [](auto p, TcxCanvas* c, const TRect& r, auto) { p->DrawHeaderPressed(c, r); }},
      {"DrawHeaderControlSection",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawHeaderControlSection(c, r, r, {}, cxBordersAll, s, taLeftJustify, vaTop, false, false,
                                     T("Section"), SmokeFont(), clBtnText, clBtnFace);
       }},
      {"DrawSortingMark",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawSortingMark(c, r, s != cxbsPressed); }},
      {"DrawFooterCell",
       [](auto p, TcxCanvas* c, const TRect& r, auto) {
         p->DrawFooterCell(c, r, taRightJustify, vaCenter, false, T("42"), SmokeFont(), clBtnText, clBtnFace);
       }},
      {"DrawFooterBorder", [](auto p, TcxCanvas* c, const TRect& r, auto) { p->DrawFooterBorder(c, r); }},
      {"DrawFooterCellBorder",
       [](auto p, TcxCanvas* c, const TRect& r, auto) { p->DrawFooterCellBorder(c, r); }},
      {"DrawFooterSeparator",
       [](auto p, TcxCanvas* c, const TRect& r, auto) { p->DrawFooterSeparator(c, r); }},
      {"DrawContent",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawContent(c, r, r, int(s), taCenter, vaCenter, false, true, T("Content"), SmokeFont(),
                        clBtnText, clWindow, nullptr, s == cxbsPressed);
       }},
      {"DrawSmallCloseButton",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawSmallCloseButton(c, r, s); }},
      {"DrawSmallPlusButton",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawSmallPlusButton(c, r, s); }},
      {"DrawPlusGlyph", [](auto p, TcxCanvas* c, const TRect& r, auto s) { p->DrawPlusGlyph(c, r, s); }},
      {"DrawPinButton", [](auto p, TcxCanvas* c, const TRect& r,
                           auto s) { p->DrawPinButton(c, r, s, s == cxbsHot, clBtnFace); }},
      {"DrawTab",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawTab(c, r, {bLeft}, T("Tab"), s, s == cxbsHot, SmokeFont(), clBtnText, clBtnFace);
       }},
      {"DrawTabBorder",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawTabBorder(c, r, TcxBorder(int(s) % 4), cxBordersAll, s == cxbsHot);
       }},
      {"DrawTabsRoot", [](auto p, TcxCanvas* c, const TRect& r,
                          auto s) { p->DrawTabsRoot(c, r, cxBordersAll, s == cxbsHot); }},
      {"DrawIndicatorItem",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawIndicatorItem(c, r, TcxIndicatorKind(int(s) + 1), clBtnFace);
       }},
      {"DrawIndicatorItemEx",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawIndicatorItemEx(c, r, TcxIndicatorKind(int(s)), clBtnFace);
       }},
      {"DrawScrollBarPart",
       [](auto p, TcxCanvas* c, const TRect& r, auto s) {
         for (int part = spNone; part <= spSecondPage; ++part) {
           p->DrawScrollBarPart(c, false, r, TcxScrollBarPart(part), s);
           p->DrawScrollBarPart(c, true, r, TcxScrollBarPart(part), s);
         }
       }},
      {"DrawMonthHeader",
       [params](auto p, TcxCanvas* c, const TRect& r, auto s) {
         p->DrawMonthHeader(c, r, T("Ocak"), s == cxbsHot ? TcxNeighbors{nLeft} : TcxNeighbors{}, params,
                            TcxMonthArrows(int(s) % 4), 3);
       }},
      {"DrawSplitter", [params](auto p, TcxCanvas* c, const TRect& r,
                                auto s) { p->DrawSplitter(c, r, params, s == cxbsHot); }},
  };
}

const TcxButtonState states[] = {cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled};

TEST(PainterSmoke, EveryOperationInEveryLookAndFeelAndState) {
  PainterUnits units;
  const TRect bounds = Rect(10, 10, 40, 32);
  int drawnOps = 0;
  for (const Operation& op : EveryOperation()) {
    bool drewSomewhere = false;
    for (TcxLookAndFeelPainterClass p : {Standard(), Flat(), UltraFlat(), Office11(), Native()})
      for (TcxButtonState s : states) {
        Board board(50, 42);
        op.draw(p, board.canvas.get(), bounds, s);
        SelectClipRgn(board.canvas->Handle(), nullptr);
        // The corners of the board lie well away from the part: nothing may reach them.
        for (POINT corner : {POINT{0, 0}, POINT{49, 0}, POINT{0, 41}, POINT{49, 41}})
          ASSERT_EQ(board.At(corner.x, corner.y), RGB(255, 255, 255))
              << op.name << " " << p->ClassName() << " state " << s;
        drewSomewhere = drewSomewhere || board.CountOf(RGB(255, 255, 255)) < 50 * 42;
      }
    drawnOps += drewSomewhere;
    // Only the tab is left to the native theme alone.
    EXPECT_EQ(drewSomewhere, std::string(op.name) != "DrawTab") << op.name;
  }
  EXPECT_EQ(drawnOps, int(EveryOperation().size()) - 1);
}

TEST(PainterSmoke, DegenerateRectanglesPaintNothingAwayFromThem) {
  PainterUnits units;
  withTexts = false;
  // Empty, inverted and one-pixel parts: whatever is drawn stays within two pixels of the rectangle's
  // corners.
  const TRect rects[] = {Rect(20, 20, 20, 20), Rect(20, 20, 20, 30), Rect(30, 30, 20, 20),
                         Rect(20, 20, 21, 21), Rect(20, 20, 22, 23)};
  for (const Operation& op : EveryOperation())
    for (TcxLookAndFeelPainterClass p : {Standard(), Flat(), UltraFlat(), Office11(), Native()})
      for (TcxButtonState s : {cxbsNormal, cxbsPressed, cxbsDisabled})
        for (const TRect& r : rects) {
          Board board(50, 50);
          op.draw(p, board.canvas.get(), r, s);
          SelectClipRgn(board.canvas->Handle(), nullptr);
          TRect allowed = Rect(std::min(r.left, r.right) - 2, std::min(r.top, r.bottom) - 2,
                               std::max(r.left, r.right) + 2, std::max(r.top, r.bottom) + 2);
          // A radio image has a size of its own, drawn from the given corner; month arrows point outward.
          if (std::string(op.name) == "DrawRadioButton")
            allowed = Rect(r.left - 2, r.top - 2, r.left + 20, r.top + 20);
          if (std::string(op.name) == "DrawMonthHeader")
            allowed.right = allowed.left + 20, allowed.bottom = allowed.top + 20;
          for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 50; ++x) {
              if (!PtInRect(&allowed, POINT{x, y})) {
                ASSERT_EQ(board.At(x, y), RGB(255, 255, 255))
                    << op.name << " " << p->ClassName() << " state " << s << " rect " << r.left << ","
                    << r.top << "," << r.right << "," << r.bottom << " at " << x << "," << y;
              }
            }
        }
}

TEST(PainterSmoke, NativePainterThroughTheRecordingThemeDrawsEveryOperation) {
  PainterUnits units([](RecordingThemeBackend&) {});
  for (const Operation& op : EveryOperation())
    for (TcxButtonState s : states) {
      Board board(50, 42);
      op.draw(Native(), board.canvas.get(), Rect(10, 10, 40, 32), s);
      op.draw(Office11(), board.canvas.get(), Rect(10, 10, 40, 32), s);
    }
  EXPECT_GT(units.fake->CountCalls("DrawThemeBackground"), 100);
}

TEST(PainterSmoke, UnitStartsAndEndsThroughTheStartUpList) {
  {
    TUnitList units({dxUxThemeUnit, dxThemeManagerUnit, dxOffice11Unit, cxLookAndFeelPaintersUnit});
    units.Initialize();
    EXPECT_EQ(cxIndicatorImages()->Count(), 5);
    EXPECT_EQ(Office11ColorsUserCount(), 1);
    units.Finalize();
    EXPECT_EQ(Office11ColorsUserCount(), 0);
  }
  // Nested start-ups are counted: only the last end frees the images.
  cxLookAndFeelPaintersInitialize();
  cxLookAndFeelPaintersInitialize();
  cxLookAndFeelPaintersFinalize();
  EXPECT_EQ(Office11ColorsUserCount(), 1);
  cxLookAndFeelPaintersFinalize();
  EXPECT_EQ(Office11ColorsUserCount(), 0);
  cxLookAndFeelPaintersFinalize();
  EXPECT_EQ(Office11ColorsUserCount(), 0);
}

} // namespace
