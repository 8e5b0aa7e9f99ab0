#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "control_fixture.h"
#include "lookandfeel/cxContainer.h"
#include "lookandfeel/cxExtEditConsts.h"

namespace {

// Stands in for a container: answers the questions a style asks of its owner.
class FakeHost : public TPersistent, public IcxContainerStyleHost {
public:
  bool parentColor = false, defaultParentColor = false, inplace = false, parentFont = false;
  TColor parentColorValue = clBtnFace;
  TcxContainerStyleValues hidden;
  bool IsStylePropertyUsed(const AnsiString& name, bool isState) override {
    TcxContainerStyle probe(nullptr, false);
    if (isState && !probe.IsPropertyUsedByStateStyle(name))
      return false;
    for (int i = 0; i < probe.GetStyleValueCount(); ++i) {
      AnsiString n;
      if (probe.GetStyleValueName(i, n) && SameText(n, name))
        return !hidden.Contains(i);
    }
    return true;
  }
  bool StyleHostParentColor(TColor& c) override {
    if (parentColor)
      c = parentColorValue;
    return parentColor;
  }
  bool StyleHostDefaultParentColor() override { return defaultParentColor; }
  bool StyleHostIsInplace() override { return inplace; }
  bool StyleHostParentFont() override { return parentFont; }
  void StyleHostRestoreParentDefaults(bool AParentColor, bool AParentFont) override {
    parentColor = AParentColor;
    parentFont = AParentFont;
  }
};

struct ChangeCounter {
  int count = 0;
  void Changed(TObject*) { ++count; }
};

class StyleTest : public ControlTest {
protected:
  FakeHost host;
  std::unique_ptr<TcxContainerStyles, TObjectDeleter> styles{
      new TcxContainerStyles(&host, TcxContainerStyle::StaticClass())};
  ChangeCounter counter;
  TcxContainerStyle* Base() { return styles->GetStyle(); }
  TcxContainerStyle* S(TcxContainerStyleState s) { return styles->GetStyleByIndex(s); }
  void Count() { styles->SetOnChanged(TNotifyEvent(&counter, &ChangeCounter::Changed)); }
};

TEST_F(StyleTest, BaseStyleDefaultsUnderAContainerThatDoesNotFollowItsParent) {
  EXPECT_EQ(Base()->Color(), clWindow);
  EXPECT_EQ(Base()->BorderColor(), clWindowFrame);
  EXPECT_EQ(Base()->Edges(), cxBordersAll);
  EXPECT_TRUE(Base()->HotTrack());
  EXPECT_FALSE(Base()->Shadow());
  EXPECT_TRUE(Base()->TransparentBorder());
  EXPECT_EQ(Base()->BorderStyle(), cbsUltraFlat);
  host.defaultParentColor = true;
  EXPECT_EQ(Base()->Color(), clBtnFace);
  TcxContainerStyle ownerless(nullptr, false);
  EXPECT_EQ(ownerless.Color(), clBtnFace);
}

TEST_F(StyleTest, BaseBorderStyleFollowsTheLookAndFeelKind) {
  const struct {
    TcxLookAndFeelKind kind;
    TcxContainerBorderStyle expected;
  } cases[] = {
      {lfFlat, cbsFlat}, {lfStandard, cbs3D}, {lfUltraFlat, cbsUltraFlat}, {lfOffice11, cbsOffice11}};
  for (auto c : cases) {
    Base()->LookAndFeel()->SetKind(c.kind);
    EXPECT_EQ(Base()->BorderStyle(), c.expected) << c.kind;
  }
}

TEST_F(StyleTest, StateBorderStylesFollowTheTableOnlyWhileHotTracking) {
  const struct {
    TcxContainerBorderStyle base;
    TcxContainerStyleState state;
    bool hotTrack;
    TcxContainerBorderStyle expected;
  } cases[] = {
      {cbsSingle, cssFocused, true, cbsThick},
      {cbsSingle, cssFocused, false, cbsSingle},
      {cbsSingle, cssDisabled, true, cbsSingle},
      {cbsSingle, cssHot, true, cbsThick},
      {cbsNone, cssHot, true, cbsFlat},
      {cbsNone, cssDisabled, false, cbsNone},
      {cbsFlat, cssFocused, true, cbs3D},
      {cbsFlat, cssHot, false, cbsFlat},
      {cbsThick, cssFocused, true, cbsThick},
      {cbsUltraFlat, cssHot, true, cbsUltraFlat},
      {cbsOffice11, cssFocused, true, cbsOffice11},
      {cbs3D, cssHot, true, cbs3D},
  };
  for (auto c : cases) {
    Base()->SetBorderStyle(c.base);
    Base()->SetHotTrack(c.hotTrack);
    EXPECT_EQ(S(c.state)->BorderStyle(), c.expected)
        << c.base << " state " << c.state << " hot " << c.hotTrack;
  }
  S(cssFocused)->SetBorderStyle(cbsNone);
  EXPECT_EQ(S(cssFocused)->BorderStyle(), cbsNone);
}

TEST_F(StyleTest, DisabledStyleHasItsOwnColoursUnlessItAssignsThem) {
  Base()->SetColor(clRed);
  Base()->SetTextColor(clBlue);
  EXPECT_EQ(S(cssDisabled)->Color(), clBtnFace);
  EXPECT_EQ(S(cssDisabled)->TextColor(), clBtnShadow);
  EXPECT_EQ(S(cssDisabled)->BorderColor(), clBtnShadow);
  EXPECT_EQ(S(cssFocused)->Color(), clRed);
  EXPECT_EQ(S(cssHot)->TextColor(), clBlue);
  S(cssDisabled)->SetColor(clYellow);
  EXPECT_EQ(S(cssDisabled)->Color(), clYellow);
  TcxStyleController controller(nullptr);
  controller.StyleDisabled()->SetTextColor(clGreen);
  Base()->SetStyleController(&controller);
  EXPECT_EQ(S(cssDisabled)->TextColor(), clGreen);
}

TEST_F(StyleTest, BaseOnlyValuesSetThroughAStateStyleLandOnTheBase) {
  S(cssFocused)->SetEdges({bLeft, bTop});
  S(cssHot)->SetShadow(true);
  S(cssDisabled)->SetHotTrack(false);
  EXPECT_EQ(Base()->Edges(), (TcxBorders{bLeft, bTop}));
  EXPECT_TRUE(Base()->Shadow());
  EXPECT_FALSE(Base()->HotTrack());
  EXPECT_EQ(S(cssHot)->Edges(), (TcxBorders{bLeft, bTop}));
  EXPECT_TRUE(S(cssFocused)->AssignedValues().Empty());
  EXPECT_TRUE(Base()->AssignedValues().Contains(csvEdges));
}

TEST_F(StyleTest, ChangesAreFoldedAndEqualValuesIgnored) {
  Count();
  Base()->SetColor(clRed);
  EXPECT_EQ(counter.count, 1);
  Base()->SetColor(clRed);
  EXPECT_EQ(counter.count, 1);
  Base()->BeginUpdate();
  Base()->SetColor(clBlue);
  Base()->SetBorderStyle(cbsSingle);
  Base()->SetShadow(true);
  EXPECT_EQ(counter.count, 1);
  Base()->EndUpdate();
  EXPECT_EQ(counter.count, 2);
  Base()->EndUpdate(); // unbalanced: the counter stays at 0, so the next change is told at once
  Base()->SetTextColor(clLime);
  EXPECT_EQ(counter.count, 3);
  // The text colour compares with the resolved value: the default font colour is already clWindowText.
  Base()->SetTextColor(clLime);
  EXPECT_EQ(counter.count, 3);
}

TEST_F(StyleTest, ControllerValuesReachListenersUntilTheyAssignTheirOwn) {
  TcxStyleController controller(nullptr);
  controller.Style()->SetColor(clAqua);
  controller.Style()->SetBorderStyle(cbsThick);
  Count();
  Base()->SetStyleController(&controller);
  EXPECT_EQ(counter.count, 1);
  EXPECT_EQ(Base()->StyleController(), &controller);
  EXPECT_EQ(controller.ListenerCount(), 1);
  EXPECT_EQ(Base()->Color(), clAqua);
  EXPECT_TRUE(Base()->IsValueAssigned(csvColor));
  EXPECT_EQ(S(cssNormal)->BorderStyle(), cbsThick);
  EXPECT_EQ(Base()->LookAndFeel()->MasterLookAndFeel(), controller.Style()->LookAndFeel());
  controller.Style()->SetColor(clMaroon);
  EXPECT_EQ(counter.count, 2);
  EXPECT_EQ(Base()->Color(), clMaroon);
  Base()->SetColor(clNavy);
  EXPECT_EQ(Base()->Color(), clNavy);
  // A controller's font reaches a listener without a font of its own.
  controller.Style()->Font()->SetSize(20);
  EXPECT_EQ(Base()->Font()->Size(), 20);
  EXPECT_FALSE(Base()->AssignedValues().Contains(csvFont));
}

// A handler of the controller's change may free it: the change goes no further, and its listener falls back
// to the defaults.
TEST_F(StyleTest, AControllerFreedByItsOwnChangeHandlerStopsThere) {
  auto* controller = new TcxStyleController(nullptr);
  Base()->SetStyleController(controller);
  struct Freer {
    TcxStyleController* controller;
    void Changed(TObject*) {
      if (controller)
        std::exchange(controller, nullptr)->Free();
    }
  } freer{controller};
  controller->OnStyleChanged = TNotifyEvent(&freer, &Freer::Changed);
  controller->Style()->SetColor(clAqua);
  EXPECT_EQ(freer.controller, nullptr) << "the handler ran";
  EXPECT_EQ(Base()->StyleController(), nullptr);
  EXPECT_EQ(Base()->Color(), clWindow);
}

TEST_F(StyleTest, ControllersChainAndALoopIsRefused) {
  auto a = std::make_unique<TcxStyleController>(nullptr);
  auto b = std::make_unique<TcxStyleController>(nullptr);
  b->Style()->SetColor(clTeal);
  a->Style()->SetStyleController(b.get());
  Base()->SetStyleController(a.get());
  EXPECT_EQ(Base()->Color(), clTeal) << "looked up through A to B";
  b->Style()->SetStyleController(a.get());
  EXPECT_EQ(b->Style()->StyleController(), nullptr);
  a->Style()->SetStyleController(a.get());
  EXPECT_EQ(a->Style()->StyleController(), b.get());
  // The controller going first sends its listeners back to the default, here none.
  b.reset();
  EXPECT_EQ(a->Style()->StyleController(), nullptr);
  EXPECT_EQ(Base()->Color(), clWindow);
  a.reset();
  EXPECT_EQ(Base()->StyleController(), nullptr);
}

TEST_F(StyleTest, DefaultControllerIsAttachedButReadsAsNone) {
  TcxStyleController defaults(nullptr);
  defaults.Style()->SetColor(clInfoBk);
  SetDefaultContainerStyleController(&defaults);
  {
    FakeHost other;
    TcxContainerStyles fresh(&other, TcxContainerStyle::StaticClass());
    EXPECT_EQ(fresh.GetStyle()->StyleController(), nullptr);
    EXPECT_EQ(fresh.GetStyle()->GetActiveStyleController(), &defaults);
    EXPECT_EQ(fresh.GetStyle()->Color(), clInfoBk);
    EXPECT_EQ(defaults.ListenerCount(), 1);
  }
  EXPECT_EQ(defaults.ListenerCount(), 0);
  SetDefaultContainerStyleController(nullptr);
}

TEST_F(StyleTest, DirectAccessStyleIsAPlainValueHolder) {
  TFont font;
  font.SetStyle({fsBold});
  TcxContainerStyle style(nullptr, true);
  style.OnChanged = TNotifyEvent(&counter, &ChangeCounter::Changed);
  style.SetFont(&font);
  EXPECT_EQ(cxStyleValuesMask(style.AssignedValues()), 1023u);
  EXPECT_TRUE(style.Edges().Empty());
  EXPECT_FALSE(style.Shadow());
  EXPECT_TRUE(style.TransparentBorder());
  EXPECT_EQ(style.TextStyle(), TFontStyles{fsBold});
  EXPECT_EQ(style.BorderColor(), clDefault);
  style.SetColor(clRed);
  EXPECT_EQ(style.Color(), clRed);
  EXPECT_EQ(counter.count, 0);
  EXPECT_EQ(style.Font(), &font);
}

TEST_F(StyleTest, ValueMasksNamesAndAssignedLookup) {
  EXPECT_EQ(cxStyleValuesMask(Base()->GetBaseOnlyValues()), 632u);
  TcxContainerStyle direct(nullptr, true);
  direct.SetAssignedValues({});
  EXPECT_EQ(cxStyleValuesMask(cxStyleValuesFromMask(404)), 404u);
  AnsiString name;
  EXPECT_TRUE(Base()->GetStyleValueName(9, name));
  EXPECT_EQ(name, "TransparentBorder");
  EXPECT_FALSE(Base()->GetStyleValueName(10, name));
  EXPECT_TRUE(name.empty());
  Base()->SetTransparentBorder(false);
  EXPECT_FALSE(Base()->TransparentBorder());
  EXPECT_FALSE(Base()->IsValueAssigned(csvTransparentBorder));
  EXPECT_FALSE(Base()->IsPropertyUsedByStateStyle("lookandfeel"));
  EXPECT_FALSE(Base()->IsPropertyUsedByStateStyle("Edges"));
  EXPECT_TRUE(Base()->IsPropertyUsedByStateStyle("color"));
  EXPECT_TRUE(Base()->IsPropertyUsedByStateStyle("Whatever"));
  S(cssHot)->SetShadow(true);
  S(cssHot)->SetColor(clRed);
  EXPECT_TRUE(Base()->IsValueStored(csvShadow));
  EXPECT_TRUE(S(cssHot)->IsValueStored(csvColor));
  host.hidden = {csvColor};
  EXPECT_FALSE(S(cssHot)->IsValueStored(csvColor));
}

TEST_F(StyleTest, ParentColourWinsForColorButNotForActualColor) {
  host.parentColor = true;
  host.parentColorValue = clGreen;
  Base()->SetColor(clRed);
  EXPECT_EQ(Base()->Color(), clGreen);
  EXPECT_EQ(Base()->GetActualColor(), clRed);
  Base()->SetAssignedValues({});
  EXPECT_EQ(Base()->GetActualColor(), clGreen);
  host.inplace = true;
  EXPECT_EQ(Base()->GetActualColor(), clWindow);
}

TEST_F(StyleTest, AssignCopiesValuesAndRestoreDefaultsClearsThem) {
  FakeHost otherHost;
  TcxContainerStyles other(&otherHost, TcxContainerStyle::StaticClass());
  other.GetStyle()->SetColor(clFuchsia);
  other.GetStyle()->SetEdges({bBottom});
  other.GetStyle()->LookAndFeel()->SetKind(lfStandard);
  Count();
  styles->SetStyle(other.GetStyle());
  EXPECT_EQ(counter.count, 1);
  EXPECT_EQ(Base()->Color(), clFuchsia);
  EXPECT_EQ(Base()->Edges(), TcxBorders{bBottom});
  EXPECT_EQ(Base()->BorderStyle(), cbs3D);
  EXPECT_EQ(Base()->AssignedValues(), other.GetStyle()->AssignedValues());
  TFont font;
  EXPECT_THROW(Base()->Assign(&font), EConvertError);

  host.defaultParentColor = true;
  Base()->RestoreDefaults();
  EXPECT_TRUE(Base()->AssignedValues().Empty());
  EXPECT_TRUE(host.parentColor);
  EXPECT_TRUE(host.parentFont);
  EXPECT_EQ(Base()->LookAndFeel()->Kind(), lfUltraFlat);
}

// Restored, a container follows its parent only in what its style controller does not supply.
TEST_F(StyleTest, RestoreDefaultsLeavesToTheControllerWhatItSupplies) {
  const struct {
    const char* name;
    bool color, font;
  } cases[] = {{"controller supplies nothing", false, false},
               {"controller supplies a colour", true, false},
               {"controller supplies a font", false, true},
               {"controller supplies both", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TcxStyleController controller(nullptr);
    if (c.color)
      controller.Style()->SetColor(clAqua);
    if (c.font)
      controller.Style()->Font()->SetSize(20);
    Base()->SetStyleController(&controller);
    Base()->SetColor(clRed);
    Base()->Font()->SetSize(12);
    host.defaultParentColor = true;
    host.parentFont = false;
    Base()->RestoreDefaults();
    EXPECT_EQ(host.parentColor, !c.color);
    EXPECT_EQ(host.parentFont, !c.font);
    // Without a font from the controller, the font is the parent's to set, which this host does not do.
    if (c.font) {
      EXPECT_EQ(Base()->Font()->Size(), 20);
    }
    Base()->SetStyleController(nullptr);
  }
}

TEST_F(StyleTest, RestoreDefaultsWithoutAContainerResetsTheFontAndAssignsNothing) {
  const struct {
    const char* name;
    bool font, color;
  } cases[] = {{"nothing assigned", false, false}, {"font", true, false}, {"font and colour", true, true}};
  const TFont fresh;
  for (const auto& c : cases) {
    TcxContainerStyle ownerless(nullptr, false);
    if (c.font)
      ownerless.Font()->SetSize(fresh.Size() + 11);
    if (c.color)
      ownerless.SetColor(clRed);
    ASSERT_EQ(ownerless.AssignedValues().Contains(csvFont), c.font) << c.name;
    ownerless.OnChanged = TNotifyEvent(&counter, &ChangeCounter::Changed);
    counter.count = 0;
    ownerless.RestoreDefaults();
    EXPECT_EQ(cxStyleValuesMask(ownerless.AssignedValues()), 0u) << c.name;
    EXPECT_EQ(ownerless.Font()->Size(), fresh.Size()) << c.name;
    EXPECT_EQ(ownerless.Color(), clBtnFace) << c.name;
    EXPECT_EQ(counter.count, 1) << c.name << ": one notification for the whole reset";
  }
}

TEST(ExtEditConsts, TextsAndColourTables) {
  EXPECT_STREQ(cxExtEditText(65237), "Label|Represents a Label");
  EXPECT_STREQ(cxExtEditText(65240), "XPTaskBar");
  EXPECT_EQ(cxExtEditText(65242), nullptr);
  EXPECT_EQ(cxColorIdentifiers.size() + cxHTML4ColorNames.size() + cxWebColorNames.size() +
                cxWebColorNamesByHue.size(),
            348u);
  // The identifier table is in its written order, not sorted: basic, extra, then system colours.
  EXPECT_STREQ(cxColorIdentifiers[0], "clBlack");
  EXPECT_STREQ(cxColorIdentifiers[15], "clWhite");
  EXPECT_STREQ(cxColorIdentifiers[19], "clMedGray");
  EXPECT_STREQ(cxColorIdentifiers[29], "clDefault");
  EXPECT_STREQ(cxColorIdentifiers[47], "cl3DDkShadow");
  EXPECT_STREQ(cxColorIdentifiers[51], "clWindowText");
  EXPECT_STREQ(cxHTML4ColorNames[1], "Silver");
  EXPECT_TRUE(std::is_sorted(cxWebColorNames.begin(), cxWebColorNames.end(),
                             [](const char* a, const char* b) { return CompareText(a, b) < 0; }));
  std::set<std::string> alpha(cxWebColorNames.begin(), cxWebColorNames.end());
  std::set<std::string> hue(cxWebColorNamesByHue.begin(), cxWebColorNamesByHue.end());
  EXPECT_EQ(alpha.size(), 140u);
  EXPECT_EQ(alpha, hue);
  EXPECT_TRUE(alpha.count("LightGrey") && alpha.count("DarkGray") && !alpha.count("LightGray"));
  EXPECT_STREQ(cxWebColorNamesByHue.front(), "LightPink");
  EXPECT_STREQ(cxWebColorNamesByHue.back(), "Black");
  for (const char* name : cxHTML4ColorNames)
    EXPECT_TRUE(alpha.count(name)) << name;
}

} // namespace
