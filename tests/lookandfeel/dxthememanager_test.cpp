#include "lookandfeel/dxThemeManager.h"

#include <gtest/gtest.h>

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/gdi/Gdi.h"
#include "platform/theme/RecordingThemeBackend.h"
#include "platform/win/Win.h"

namespace {

struct ThemeUnits {
  RecordingThemeBackend* fake = nullptr;
  explicit ThemeUnits(std::function<void(RecordingThemeBackend&)> configure = nullptr, DWORD major = 5,
                      DWORD minor = 1) {
    auto backend = std::make_unique<RecordingThemeBackend>();
    fake = backend.get();
    if (configure)
      configure(*fake);
    SetThemeBackend(std::move(backend));
    dxSetSystemVersion(major, minor);
    dxUxThemeInitialize();
    dxThemeManagerInitialize();
  }
  ~ThemeUnits() {
    dxThemeManagerFinalize();
    dxUxThemeFinalize();
    dxSetSystemVersion(5, 1);
    SetThemeBackend(nullptr);
  }
};

TEST(ThemeBinding, BindsEveryFunctionOnlyFromTheFirstVersionWithStyles) {
  struct Case {
    DWORD major, minor;
    bool xp;
  };
  const Case cases[] = {{4, 0, false}, {5, 0, false}, {5, 1, true}, {5, 2, true}, {6, 0, true}};
  for (const Case& k : cases) {
    ThemeUnits units(nullptr, k.major, k.minor);
    EXPECT_EQ(IsWindowsXPOrLater(), k.xp) << k.major << "." << k.minor;
    EXPECT_EQ(IsThemeLibraryLoaded(), k.xp);
    EXPECT_EQ(dxBoundThemeFunctionCount(), k.xp ? 46 : 0);
    EXPECT_EQ(AreVisualStylesAvailable(), k.xp);
  }
}

TEST(ThemeManager, EmptySetIsAvailableWheneverThemesAreActiveEvenIfNothingOpens) {
  ThemeUnits units([](RecordingThemeBackend& f) { f.SetKnownClasses({}); });
  EXPECT_TRUE(AreVisualStylesAvailable());
  EXPECT_FALSE(AreVisualStylesAvailable(totButton));
  EXPECT_FALSE(IsThemeAvailable(totButton));
  EXPECT_EQ(OpenTheme(totButton), nullptr);
}

TEST(ThemeManager, NothingIsAvailableWithoutAnActiveThemeOrWithoutTheLibrary) {
  {
    ThemeUnits units([](RecordingThemeBackend& f) { f.SetActive(false); });
    EXPECT_FALSE(AreVisualStylesAvailable());
    EXPECT_EQ(OpenTheme(totEdit), nullptr);
    EXPECT_EQ(units.fake->CountCalls("OpenThemeData"), 0);
  }
  {
    ThemeUnits units([](RecordingThemeBackend& f) { f.SetLibraryPresent(false); });
    EXPECT_FALSE(IsThemeLibraryLoaded());
    EXPECT_FALSE(AreVisualStylesAvailable());
    EXPECT_FALSE(IsThemeAvailable(totEdit));
  }
}

TEST(ThemeManager, CachesOneHandlePerTypeAndReopensTheSameClassAfterAThemeChange) {
  ThemeUnits units;
  HTHEME button = OpenTheme(totButton);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(OpenTheme(totButton), button);
  EXPECT_EQ(OpenTheme(totButton, u"BUTTON"), button);
  EXPECT_EQ(units.fake->OpenCount(), 1);
  EXPECT_EQ(units.fake->ClassOf(button), u"BUTTON");

  HTHEME combo = OpenTheme(totButton, u"ComboBox");
  EXPECT_NE(combo, button);
  EXPECT_EQ(units.fake->ClassOf(button), u"");
  EXPECT_EQ(dxCachedThemeClassName(totButton), u"ComboBox");

  dxThemeChangedReceiverProc(nullptr, WM_THEMECHANGED, 0, 0);
  EXPECT_EQ(dxCachedThemeHandle(totButton), nullptr);
  EXPECT_EQ(units.fake->OpenHandleCount(), 0);
  HTHEME again = OpenTheme(totButton);
  EXPECT_EQ(units.fake->ClassOf(again), u"COMBOBOX");
}

TEST(ThemeManager, ClassThatFailsToOpenIsTriedAgainNextTime) {
  ThemeUnits units([](RecordingThemeBackend& f) { f.SetKnownClasses({u"Edit"}); });
  EXPECT_EQ(OpenTheme(totHeader), nullptr);
  EXPECT_EQ(OpenTheme(totHeader), nullptr);
  EXPECT_EQ(units.fake->CountCalls("OpenThemeData"), 2);
  EXPECT_EQ(dxCachedThemeClassName(totHeader), u"");
}

TEST(ThemeManager, CloseThemeForgetsTheClass) {
  ThemeUnits units;
  OpenTheme(totTab, u"Tab;Button");
  CloseTheme(totTab);
  EXPECT_EQ(dxCachedThemeHandle(totTab), nullptr);
  EXPECT_EQ(dxCachedThemeClassName(totTab), u"");
  EXPECT_EQ(units.fake->OpenHandleCount(), 0);
}

struct ChangeLog {
  std::vector<int>* order;
  int id;
  TdxThemeChangedNotificator* toFree = nullptr;
  void Changed(TObject*) {
    order->push_back(id);
    if (toFree) {
      TdxThemeChangedNotificator* n = toFree;
      toFree = nullptr;
      n->Free();
    }
  }
};

TEST(ThemeManager, ThemeChangeReachesNotificatorsInOrderAndReadsTheActiveFlagAgain) {
  ThemeUnits units;
  std::vector<int> order;
  ChangeLog logs[3] = {{&order, 1}, {&order, 2}, {&order, 3}};
  TdxThemeChangedNotificator* n[3];
  for (int i = 0; i < 3; ++i) {
    n[i] = new TdxThemeChangedNotificator;
    n[i]->OnThemeChanged = TNotifyEvent(&logs[i], &ChangeLog::Changed);
  }
  logs[0].toFree = n[1]; // the first frees the second before its turn
  units.fake->SetActive(false);
  EXPECT_EQ(dxThemeChangedReceiverProc(nullptr, WM_THEMECHANGED, 0, 0), 0);
  EXPECT_EQ(order, (std::vector<int>{1, 3}));
  EXPECT_FALSE(AreVisualStylesAvailable());
  n[0]->Free();
  n[2]->Free();
}

TEST(Office11Scheme, DetectedFromTheStockThemeAndItsColourName) {
  struct Case {
    std::u16string file, color;
    int expected;
  };
  const Case cases[] = {
      {u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", u"NormalColor", 1},
      {u"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.MSSTYLES", u"HomeStead", 2},
      {u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", u"homestead", 2},
      {u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", u"Metallic", 3},
      {u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", u"Royale", 0},
      {u"C:\\WINDOWS\\Resources\\Themes\\Royale\\Royale.msstyles", u"NormalColor", 0},
      {u"Luna.msstyles", u"Metallic", 3},
  };
  for (const Case& k : cases) {
    ThemeUnits units([&](RecordingThemeBackend& f) { f.SetThemeName(k.file, k.color, u"NormalSize"); });
    EXPECT_EQ(GetOffice11Scheme(), k.expected);
  }
  ThemeUnits inactive([](RecordingThemeBackend& f) {
    f.ClaimLuna(u"NormalColor");
    f.SetActive(false);
  });
  EXPECT_EQ(GetOffice11Scheme(), 0);
}

} // namespace

namespace {

TEST(Office11Colors, SchemeTableWithALunaThemeAndSystemColoursWithout) {
  {
    ThemeUnits units([](RecordingThemeBackend& f) { f.ClaimLuna(u"HomeStead"); });
    RefreshOffice11Colors();
    EXPECT_EQ(dxOffice11Scheme(), 2);
    EXPECT_TRUE(IsOffice11Themed());
    EXPECT_EQ(dxOffice11SchemeColor(0), TColor(RGB(244, 247, 222)));
    EXPECT_EQ(dxOffice11SchemeColor(21), TColor(RGB(63, 93, 56)));
    EXPECT_EQ(dxOffice11SchemeColor(36), TColor(RGB(115, 137, 84)));
    EXPECT_EQ(dxOffice11Colors().Shadow, dxOffice11SchemeColor(11));
    EXPECT_EQ(dxOffice11Colors().Selected, TColor(RGB(253, 238, 201)));
  }
  ThemeUnits none([](RecordingThemeBackend& f) { f.SetActive(false); });
  RefreshOffice11Colors();
  EXPECT_EQ(dxOffice11Scheme(), 0);
  EXPECT_FALSE(IsOffice11Themed());
  EXPECT_EQ(dxOffice11SchemeColor(2), clBtnFace);
  EXPECT_EQ(dxOffice11SchemeColor(21), clHighlight);
  EXPECT_EQ(dxOffice11SchemeColor(0), BlendColors(clBtnFace, clWindow, 22));
  EXPECT_EQ(dxOffice11SchemeColor(7), dxOffice11SchemeColor(6));
  EXPECT_EQ(dxOffice11SchemeColor(33), MixSystemColors(41, 11, 48));
  EXPECT_EQ(dxOffice11Colors().White, clBtnHighlight);
}

TEST(Office11Colors, BrushesAndImagesLiveWhileTheColoursAreHeld) {
  ThemeUnits units([](RecordingThemeBackend& f) { f.ClaimLuna(u"NormalColor"); });
  dxOffice11Initialize();
  EXPECT_EQ(dxOffice11Brush(0), nullptr);
  AcquireOffice11Colors();
  AcquireOffice11Colors();
  EXPECT_EQ(Office11ColorsUserCount(), 2);
  HBRUSH brush = dxOffice11Brush(5);
  ASSERT_NE(brush, nullptr);
  LOGBRUSH lb{};
  ASSERT_NE(GetObject(brush, int(sizeof lb), &lb), 0);
  EXPECT_EQ(lb.lbColor, RGB(117, 166, 241));
  ASSERT_NE(dxOffice11SubMenuExpandBitmap(), nullptr);
  EXPECT_FALSE(dxOffice11SubMenuExpandBitmap()->Empty());
  ASSERT_NE(dxOffice11ExpandButtonBitmap(true), nullptr);
  ReleaseOffice11Colors();
  EXPECT_NE(dxOffice11Brush(5), nullptr);
  ReleaseOffice11Colors();
  EXPECT_EQ(dxOffice11Brush(5), nullptr);
  ReleaseOffice11Colors();
  EXPECT_EQ(Office11ColorsUserCount(), 0);
  dxOffice11Finalize();
}

} // namespace

namespace {

TEST(ThemeBinding, ParentBackgroundLeavesTheFontAsItFoundIt) {
  HFONT mine = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, TestFontFace);
  HFONT parents = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, TestFontFace);
  ThemeUnits units([&](RecordingThemeBackend& f) {
    f.SetParentBackgroundHook([&](HWND, HDC dc) { SelectObject(dc, parents); });
  });
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mine);
  RECT r{0, 0, 5, 5};
  EXPECT_EQ(dxUxTheme::DrawThemeParentBackground(nullptr, dc, &r), S_OK);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), mine);
  EXPECT_EQ(units.fake->CountCalls("DrawThemeParentBackground"), 1);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(mine);
  DeleteObject(parents);
}

} // namespace
