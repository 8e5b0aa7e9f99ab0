#include <functional>
#include <vector>

#include "painters_test_support.h"

namespace {

using namespace painters_test;

void ClaimEverything(RecordingThemeBackend&) {}

struct Drawn {
  std::u16string cls;
  int part, state;
  RECT rect;
};

// The theme backgrounds drawn since the calls were last cleared, with the class each was drawn from.
std::vector<Drawn> Backgrounds(RecordingThemeBackend& fake) {
  std::vector<Drawn> drawn;
  for (const ThemeCall& c : fake.Calls())
    if (c.function == "DrawThemeBackground")
      drawn.push_back({fake.ClassOf(c.theme), c.partId, c.stateId, c.rect});
  return drawn;
}

TEST(NativePainter, SizesComeFromTheTheme) {
  PainterUnits units([](RecordingThemeBackend& f) {
    f.SetContentMargins(u"Button", 1, {3, 3, 3, 3});
    f.SetContentMargins(u"Header", 1, {2, 0, 4, 0});
    f.SetContentMargins(u"TrackBar", 1, {5, 0, 0, 0});
    f.SetPartSize(u"Button", 3, 5, {16, 15});
    f.SetPartSize(u"Window", 19, 1, {13, 12});
    f.SetPartSize(u"ExplorerBar", 3, 1, {18, 17});
    f.SetPartSize(u"ExplorerBar", 7, 1, {20, 21});
    f.SetPartSize(u"TreeView", 2, 2, {9, 9});
    f.SetColor(u"ComboBox", 1, 1, TMT_BORDERCOLOR, RGB(1, 2, 3));
    f.SetColor(u"Button", 1, 1, TMT_TEXTCOLOR, RGB(4, 5, 6));
    f.SetColor(u"Button", 1, 2, TMT_FILLCOLOR, RGB(7, 8, 9));
  });
  TcxLookAndFeelPainterClass p = Native();
  EXPECT_EQ(p->BorderSize(), 1);
  EXPECT_EQ(p->ButtonBorderSize(cxbsHot), 3);
  EXPECT_EQ(p->ButtonGroupBorderSizes(3, 0), Rect(3, 3, 3, 3));
  // Margins are left, right, top, bottom: (2 + 4) div 2.
  EXPECT_EQ(p->HeaderBorderSize(), 3);
  EXPECT_EQ(p->HeaderControlSectionBorderSize(cxbsPressed), 3);
  EXPECT_EQ(p->HeaderControlSectionContentBounds(Rect(0, 0, 20, 20), cxbsNormal), Rect(3, 3, 17, 17));
  EXPECT_EQ(p->HeaderHeight(13), 23);
  EXPECT_EQ(p->FooterCellBorderSize(), 5);
  EXPECT_EQ(p->CheckBorderSize(), 0);
  EXPECT_EQ(p->CheckButtonSize(), (TPoint{16, 15}));
  EXPECT_EQ(p->SmallCloseButtonSize(), (TPoint{17, 16}));
  EXPECT_EQ(p->PinButtonSize(), (TPoint{18, 17}));
  EXPECT_EQ(p->GroupExpandButtonSize(), 20);
  EXPECT_EQ(p->ExpandButtonSize(), 9);
  EXPECT_EQ(p->SmallExpandButtonSize(), 9);
  EXPECT_EQ(p->DefaultBorderColor(), TColor(RGB(1, 2, 3)));
  EXPECT_EQ(p->ButtonSymbolColor(cxbsNormal), TColor(RGB(4, 5, 6)));
  EXPECT_EQ(p->ButtonColor(cxbsHot), TColor(RGB(7, 8, 9)));
  // A colour the theme lacks falls back to the painter's own.
  EXPECT_EQ(p->ButtonColor(cxbsNormal), clBtnFace);
  EXPECT_TRUE(p->TabOption1());
  EXPECT_TRUE(p->TabOption2());
}

TEST(NativePainter, PartiallyTransparentButtonsWidenTheGroupMargins) {
  PainterUnits units([](RecordingThemeBackend& f) {
    f.SetContentMargins(u"Button", 1, {2, 3, 4, 5});
    f.SetPartiallyTransparent(u"Button", 1, true);
  });
  // Content (2, 4, 97, 95) of (0, 0, 100, 100): margins 2, 4, 3, 5, each one more.
  EXPECT_EQ(Native()->ButtonGroupBorderSizes(2, 1), Rect(3, 5, 4, 6));
}

TEST(NativePainter, DrawsEachPartInItsThemedState) {
  struct Case {
    const char* what;
    std::function<void(TcxCanvas*)> draw;
    std::vector<Drawn> expected;
  };
  const TRect r = Rect(2, 3, 22, 21);
  auto P = Native;
  const Case cases[] = {
      {"pressed button",
       [&](TcxCanvas* c) { P()->DrawButton(c, r, "Ok", cxbsPressed); },
       {{u"BUTTON", 1, 3, r}}},
      {"default button",
       [&](TcxCanvas* c) { P()->DrawButton(c, r, "", cxbsDefault, true, clRed); },
       {{u"BUTTON", 1, 5, r}}},
      {"hot checked check box",
       [&](TcxCanvas* c) { P()->DrawCheckButton(c, r, cxbsHot, true); },
       {{u"BUTTON", 3, 6, r}}},
      {"disabled check box",
       [&](TcxCanvas* c) { P()->DrawCheckButton(c, r, cxbsDisabled, false); },
       {{u"BUTTON", 3, 4, r}}},
      {"expanded tree glyph",
       [&](TcxCanvas* c) { P()->DrawExpandButton(c, r, true); },
       {{u"TREEVIEW", 2, 2, r}}},
      {"collapsed tree glyph",
       [&](TcxCanvas* c) { P()->DrawSmallExpandButton(c, r, false, clRed, clBlue); },
       {{u"TREEVIEW", 2, 1, r}}},
      {"disabled group expand",
       [&](TcxCanvas* c) { P()->DrawGroupExpandButton(c, r, true, cxbsDisabled); },
       {{u"EXPLORERBAR", 6, 1, r}}},
      {"hot group collapse",
       [&](TcxCanvas* c) { P()->DrawGroupExpandButton(c, r, false, cxbsHot); },
       {{u"EXPLORERBAR", 7, 2, r}}},
      {"disabled header",
       [&](TcxCanvas* c) {
         P()->DrawHeader(c, r, r, {}, cxBordersAll, cxbsDisabled, taLeftJustify, vaTop, false, false, "",
                         nullptr, clBtnText, clBtnFace);
       },
       {{u"HEADER", 1, 1, r}}},
      {"hot small close",
       [&](TcxCanvas* c) { P()->DrawSmallCloseButton(c, r, cxbsHot); },
       {{u"WINDOW", 19, 2, r}}},
      {"pressed drop-down",
       [&](TcxCanvas* c) { P()->DrawDropDownButton(c, r, cxbsPressed, true); },
       {{u"COMBOBOX", 1, 3, r}}},
      {"hot up arrow",
       [&](TcxCanvas* c) { P()->DrawScrollBarPart(c, false, r, spFirstArrow, cxbsHot); },
       {{u"SCROLLBAR", 1, 2, r}}},
      {"disabled right arrow",
       [&](TcxCanvas* c) { P()->DrawScrollBarPart(c, true, r, spSecondArrow, cxbsDisabled); },
       {{u"SCROLLBAR", 1, 16, r}}},
      {"pressed vertical thumb",
       [&](TcxCanvas* c) { P()->DrawScrollBarPart(c, false, r, spThumb, cxbsPressed); },
       {{u"SCROLLBAR", 3, 3, r}, {u"SCROLLBAR", 9, 0, r}}},
      {"horizontal first page",
       [&](TcxCanvas* c) { P()->DrawScrollBarPart(c, true, r, spFirstPage, cxbsNormal); },
       {{u"SCROLLBAR", 4, 1, r}}},
      {"vertical second page",
       [&](TcxCanvas* c) { P()->DrawScrollBarPart(c, false, r, spSecondPage, cxbsHot); },
       {{u"SCROLLBAR", 7, 2, r}}},
      {"empty scroll-bar part",
       [&](TcxCanvas* c) { P()->DrawScrollBarPart(c, false, Rect(2, 2, 2, 9), spThumb, cxbsNormal); },
       {}},
      {"footer cell",
       [&](TcxCanvas* c) {
         P()->DrawFooterCell(c, r, taLeftJustify, vaTop, false, "7", nullptr, clBtnText, clBtnFace);
       },
       {{u"TRACKBAR", 1, 1, r}}},
      {"hot tab",
       [&](TcxCanvas* c) {
         P()->DrawTab(c, r, cxBordersAll, "Tab", cxbsHot, false, nullptr, clBtnText, clBtnFace);
       },
       {{u"TAB", 1, 2, Rect(2, 3, 22, 21)}}},
      {"list border", [&](TcxCanvas* c) { P()->DrawBorder(c, r); }, {{u"LISTVIEW", 5, 0, r}}},
      {"plus button",
       [&](TcxCanvas* c) { P()->DrawSmallPlusButton(c, r, cxbsDefault); },
       {{u"BUTTON", 1, 5, r}}},
      {"office scroll thumb",
       [&](TcxCanvas* c) { Office11()->DrawScrollBarPart(c, true, r, spThumb, cxbsHot); },
       {{u"SCROLLBAR", 2, 2, r}, {u"SCROLLBAR", 8, 0, r}}},
  };
  PainterUnits units(&ClaimEverything);
  for (const Case& k : cases) {
    Board board(30, 30);
    units.fake->ClearCalls();
    k.draw(board.canvas.get());
    std::vector<Drawn> drawn = Backgrounds(*units.fake);
    ASSERT_EQ(drawn.size(), k.expected.size()) << k.what;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      EXPECT_EQ(drawn[i].cls, k.expected[i].cls) << k.what;
      EXPECT_EQ(drawn[i].part, k.expected[i].part) << k.what;
      EXPECT_EQ(drawn[i].state, k.expected[i].state) << k.what;
      EXPECT_EQ(TRect(drawn[i].rect), TRect(k.expected[i].rect)) << k.what;
    }
    // Everything went through the theme: the custom face colour and the classic bevels are not drawn; only
    // the plus button adds the classic glyph over its themed face.
    EXPECT_EQ(board.CountOf(RGB(255, 255, 255)) == 900, std::string(k.what) != "plus button") << k.what;
  }
}

TEST(NativePainter, TextsGoThroughTheTheme) {
  PainterUnits units(&ClaimEverything);
  Board board(60, 30);
  TcxLookAndFeelPainterClass p = Native();
  auto texts = [&] {
    std::vector<ThemeCall> found;
    for (const ThemeCall& c : units.fake->Calls())
      if (c.function == "DrawThemeText")
        found.push_back(c);
    return found;
  };
  p->DrawButton(board.canvas.get(), Rect(0, 0, 60, 30), "Tamam", cxbsNormal);
  ASSERT_EQ(texts().size(), 1u);
  EXPECT_EQ(texts()[0].text, u"Tamam");
  units.fake->ClearCalls();
  // A pressed header's text moves one pixel right and down.
  p->DrawHeader(board.canvas.get(), Rect(0, 0, 60, 30), Rect(4, 2, 56, 28), {}, cxBordersAll, cxbsPressed,
                taCenter, vaCenter, false, false, "Baslik", nullptr, clBtnText, clBtnFace);
  ASSERT_EQ(texts().size(), 1u);
  EXPECT_EQ(TRect(texts()[0].rect), Rect(5, 3, 57, 29));
  EXPECT_EQ(texts()[0].stateId, 3);
  units.fake->ClearCalls();
  // A vertical tab is drawn lying down in a bitmap of its own, its text placed back on the canvas.
  p->DrawTab(board.canvas.get(), Rect(2, 3, 22, 21), cxBordersAll, "Dik", cxbsHot, true, nullptr, clBtnText,
             clBtnFace);
  std::vector<Drawn> drawn = Backgrounds(*units.fake);
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(TRect(drawn[0].rect), Rect(0, 0, 18, 20));
  for (const ThemeCall& c : units.fake->Calls()) {
    if (c.function == "DrawThemeBackground") {
      EXPECT_NE(c.dc, board.canvas->Handle());
    }
  }
  ASSERT_EQ(texts().size(), 1u);
  EXPECT_EQ(TRect(texts()[0].rect), Rect(2, 3, 22, 21));
  EXPECT_EQ(texts()[0].dc, board.canvas->Handle());
  units.fake->ClearCalls();
  // An empty text draws none.
  p->DrawFooterCell(board.canvas.get(), Rect(0, 0, 60, 30), taLeftJustify, vaTop, false, "", nullptr,
                    clBtnText, clBtnFace);
  EXPECT_TRUE(texts().empty());
}

TEST(NativePainter, LastHeaderUsesTheRightItemPartUnderBlueOrOliveSchemes) {
  struct Case {
    const char16_t* colorName;
    bool isLast;
    TcxButtonState state;
    int part;
  };
  const Case cases[] = {
      {u"NormalColor", true, cxbsNormal, 3}, {u"HomeStead", true, cxbsDisabled, 3},
      {u"Metallic", true, cxbsNormal, 1},    {u"NormalColor", false, cxbsNormal, 1},
      {u"NormalColor", true, cxbsHot, 1},
  };
  for (const Case& k : cases) {
    PainterUnits units([&](RecordingThemeBackend& f) { f.ClaimLuna(k.colorName); });
    RefreshOffice11Colors();
    Board board(30, 20);
    Native()->DrawHeader(board.canvas.get(), Rect(0, 0, 30, 20), Rect(0, 0, 30, 20), {}, cxBordersAll,
                         k.state, taLeftJustify, vaTop, false, false, "", nullptr, clBtnText, clBtnFace,
                         nullptr, k.isLast);
    std::vector<Drawn> drawn = Backgrounds(*units.fake);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].part, k.part) << std::string(k.colorName, k.colorName + 3) << " last " << k.isLast;
  }
}

TEST(NativePainter, RadioButtonTakesTheThemesSize) {
  PainterUnits units([](RecordingThemeBackend& f) { f.SetPartSize(u"Button", 2, 8, {14, 12}); });
  Board board(30, 30);
  Native()->DrawRadioButton(board.canvas.get(), 5, 6, cxbsDisabled, true, false, clDefault);
  std::vector<Drawn> drawn = Backgrounds(*units.fake);
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].part, 2);
  EXPECT_EQ(drawn[0].state, 8);
  EXPECT_EQ(TRect(drawn[0].rect), Rect(5, 6, 19, 18));
}

TEST(NativePainter, WithoutThemesEveryOperationDrawsTheStandardLook) {
  using Draw = std::function<void(TcxLookAndFeelPainterClass, TcxCanvas*)>;
  const TRect r = Rect(1, 1, 19, 17);
  const Draw draws[] = {
      [&](auto p, TcxCanvas* c) { p->DrawButton(c, r, "", cxbsPressed); },
      [&](auto p, TcxCanvas* c) { p->DrawBorder(c, r); },
      [&](auto p, TcxCanvas* c) { p->DrawCheckButton(c, r, cxbsHot, true); },
      [&](auto p, TcxCanvas* c) { p->DrawExpandButton(c, r, false); },
      [&](auto p, TcxCanvas* c) { p->DrawGroupExpandButton(c, r, true, cxbsNormal); },
      [&](auto p, TcxCanvas* c) { p->DrawArrowButton(c, r, cxbsNormal, adLeft); },
      [&](auto p, TcxCanvas* c) { p->DrawScrollBarPart(c, false, r, spFirstArrow, cxbsPressed); },
      [&](auto p, TcxCanvas* c) { p->DrawScrollBarPart(c, true, r, spSecondPage, cxbsNormal); },
      [&](auto p, TcxCanvas* c) { p->DrawDropDownButton(c, r, cxbsNormal, false); },
      [&](auto p, TcxCanvas* c) { p->DrawSmallCloseButton(c, r, cxbsNormal); },
      [&](auto p, TcxCanvas* c) { p->DrawFooterBorder(c, r); },
      [&](auto p, TcxCanvas* c) { p->DrawTabsRoot(c, r, cxBordersAll, false); },
      [&](auto p, TcxCanvas* c) { p->DrawRadioButton(c, 2, 2, cxbsNormal, true, false, clDefault); },
      [&](auto p, TcxCanvas* c) {
        p->DrawHeader(c, r, r, {nLeft}, cxBordersAll, cxbsNormal, taLeftJustify, vaTop, false, false, "",
                      nullptr, clBtnText, clBtnFace);
      },
  };
  // No theme at all (the product), and a theme that opens none of the classes the painter asks for.
  for (bool fakeWithoutClasses : {false, true}) {
    std::function<void(RecordingThemeBackend&)> configure;
    if (fakeWithoutClasses)
      configure = [](RecordingThemeBackend& f) { f.SetKnownClasses({u"Nothing"}); };
    PainterUnits units(configure);
    int i = 0;
    for (const Draw& draw : draws) {
      Board native(20, 18), standard(20, 18);
      draw(Native(), native.canvas.get());
      draw(Standard(), standard.canvas.get());
      SelectClipRgn(native.canvas->Handle(), nullptr);
      SelectClipRgn(standard.canvas->Handle(), nullptr);
      EXPECT_TRUE(native.SamePixels(standard)) << "operation " << i << (fakeWithoutClasses ? " (fake)" : "");
      EXPECT_LT(native.CountOf(RGB(255, 255, 255)), 20 * 18) << "operation " << i;
      ++i;
    }
    // The classic painters have no tab of their own: without a theme the native tab draws nothing.
    Board tab(20, 18);
    Native()->DrawTab(tab.canvas.get(), r, cxBordersAll, "T", cxbsNormal, false, nullptr, clBtnText,
                      clBtnFace);
    EXPECT_EQ(tab.CountOf(RGB(255, 255, 255)), 20 * 18);
    EXPECT_FALSE(Native()->IsPointOverGroupExpandButton(r, {0, 0}));
    EXPECT_TRUE(Native()->IsPointOverGroupExpandButton(r, {1, 1}));
  }
}

} // namespace
