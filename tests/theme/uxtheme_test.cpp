#include "platform/theme/UxTheme.h"

#include <gtest/gtest.h>

#include "platform/theme/RecordingThemeBackend.h"

namespace {

// Installs a backend for one test and puts the product's back afterwards.
struct ScopedBackend {
  explicit ScopedBackend(std::unique_ptr<ThemeBackend> b) { SetThemeBackend(std::move(b)); }
  ~ScopedBackend() { SetThemeBackend(nullptr); }
};

const char* const boundNames[] = {"CloseThemeData",
                                  "DrawThemeBackground",
                                  "DrawThemeEdge",
                                  "DrawThemeIcon",
                                  "DrawThemeParentBackground",
                                  "DrawThemeText",
                                  "EnableThemeDialogTexture",
                                  "GetCurrentThemeName",
                                  "GetThemeAppProperties",
                                  "GetThemeBackgroundContentRect",
                                  "GetThemeBackgroundRegion",
                                  "GetThemeBackgroundExtent",
                                  "GetThemeBool",
                                  "GetThemeColor",
                                  "GetThemeDocumentationProperty",
                                  "GetThemeEnumValue",
                                  "GetThemeFilename",
                                  "GetThemeFont",
                                  "GetThemeInt",
                                  "GetThemeIntList",
                                  "GetThemeMargins",
                                  "GetThemeMetric",
                                  "GetThemePartSize",
                                  "GetThemePosition",
                                  "GetThemePropertyOrigin",
                                  "GetThemeRect",
                                  "GetThemeString",
                                  "GetThemeSysBool",
                                  "GetThemeSysColor",
                                  "GetThemeSysColorBrush",
                                  "GetThemeSysFont",
                                  "GetThemeSysInt",
                                  "GetThemeSysSize",
                                  "GetThemeSysString",
                                  "GetThemeTextExtent",
                                  "GetThemeTextMetrics",
                                  "GetWindowTheme",
                                  "HitTestThemeBackground",
                                  "IsAppThemed",
                                  "IsThemeActive",
                                  "IsThemePartDefined",
                                  "IsThemeBackgroundPartiallyTransparent",
                                  "IsThemeDialogTextureEnabled",
                                  "OpenThemeData",
                                  "SetThemeAppProperties",
                                  "SetWindowTheme"};

TEST(UxTheme, EveryBoundNameResolvesToADistinctExport) {
  std::set<ThemeProc> seen;
  for (const char* name : boundNames) {
    ThemeProc p = GetThemeProc(name);
    ASSERT_NE(p, nullptr) << name;
    seen.insert(p);
  }
  EXPECT_EQ(seen.size(), std::size(boundNames));
  EXPECT_EQ(ThemeProcCount(), int(std::size(boundNames)));
  EXPECT_EQ(GetThemeProc("OpenThemeDataEx"), nullptr);
}

TEST(UxTheme, ABoundProcCallsTheInstalledBackend) {
  auto* fake = new RecordingThemeBackend;
  ScopedBackend scope{std::unique_ptr<ThemeBackend>(fake)};
  auto isActive = reinterpret_cast<BOOL (*)()>(GetThemeProc("IsThemeActive"));
  EXPECT_TRUE(isActive());
  fake->SetActive(false);
  EXPECT_FALSE(isActive());
}

TEST(UxTheme, ProductBackendHasNoTheme) {
  SetThemeBackend(nullptr);
  EXPECT_TRUE(ThemeLibraryPresent());
  EXPECT_FALSE(IsThemeActive());
  EXPECT_FALSE(IsAppThemed());
  EXPECT_EQ(OpenThemeData(nullptr, u"Button"), nullptr);
  WCHAR file[16], color[16], size[16];
  EXPECT_TRUE(FAILED(GetCurrentThemeName(file, 16, color, 16, size, 16)));
  RECT r{0, 0, 10, 10};
  EXPECT_TRUE(FAILED(DrawThemeBackground(nullptr, nullptr, 1, 1, &r, nullptr)));
}

TEST(UxTheme, MissingLibraryExportsNothing) {
  auto fake = std::make_unique<RecordingThemeBackend>();
  fake->SetLibraryPresent(false);
  ScopedBackend scope{std::move(fake)};
  EXPECT_FALSE(ThemeLibraryPresent());
  EXPECT_EQ(GetThemeProc("OpenThemeData"), nullptr);
}

TEST(RecordingThemeBackend, OpensTheFirstKnownClassOfAList) {
  auto* fake = new RecordingThemeBackend;
  ScopedBackend scope{std::unique_ptr<ThemeBackend>(fake)};
  fake->SetKnownClasses({u"Edit", u"ComboBox"});
  HTHEME h = OpenThemeData(nullptr, u"Spin;combobox;Edit");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(fake->ClassOf(h), u"COMBOBOX");
  EXPECT_EQ(OpenThemeData(nullptr, u"Spin;Header"), nullptr);
  EXPECT_EQ(CloseThemeData(h), S_OK);
  EXPECT_EQ(CloseThemeData(h), E_HANDLE);
  EXPECT_EQ(fake->CountCalls("OpenThemeData"), 2);
}

TEST(RecordingThemeBackend, AnswersConfiguredMetricsAndRefusesUnknownOnes) {
  auto* fake = new RecordingThemeBackend;
  ScopedBackend scope{std::unique_ptr<ThemeBackend>(fake)};
  fake->SetPartSize(u"Button", 3, 1, SIZE{13, 13});
  fake->SetColor(u"Edit", 1, 1, TMT_BORDERCOLOR, RGB(1, 2, 3));
  fake->SetContentMargins(u"Button", 1, MARGINS{2, 3, 4, 5});
  HTHEME button = OpenThemeData(nullptr, u"Button");
  HTHEME edit = OpenThemeData(nullptr, u"Edit");
  SIZE sz{};
  EXPECT_EQ(GetThemePartSize(button, nullptr, 3, 1, nullptr, TS_TRUE, &sz), S_OK);
  EXPECT_EQ(sz, (SIZE{13, 13}));
  EXPECT_TRUE(FAILED(GetThemePartSize(button, nullptr, 3, 2, nullptr, TS_TRUE, &sz)));
  COLORREF c = 0;
  EXPECT_EQ(GetThemeColor(edit, 1, 1, TMT_BORDERCOLOR, &c), S_OK);
  EXPECT_EQ(c, RGB(1, 2, 3));
  EXPECT_TRUE(FAILED(GetThemeColor(button, 1, 1, TMT_BORDERCOLOR, &c)));
  RECT bounds{10, 10, 50, 40}, content{};
  EXPECT_EQ(GetThemeBackgroundContentRect(button, nullptr, 1, 1, &bounds, &content), S_OK);
  EXPECT_EQ(content, (RECT{12, 14, 47, 35}));
  RECT extent{};
  EXPECT_EQ(GetThemeBackgroundExtent(button, nullptr, 1, 1, &content, &extent), S_OK);
  EXPECT_EQ(extent, bounds);
}

TEST(RecordingThemeBackend, ThemeNameIsTruncatedToTheBuffer) {
  auto* fake = new RecordingThemeBackend;
  ScopedBackend scope{std::unique_ptr<ThemeBackend>(fake)};
  fake->ClaimLuna(u"HomeStead");
  WCHAR file[1024], color[4], size[1024];
  EXPECT_TRUE(FAILED(GetCurrentThemeName(file, 1024, color, 4, size, 1024)));
  EXPECT_EQ(std::u16string(color), u"Hom");
  WCHAR color2[64];
  EXPECT_EQ(GetCurrentThemeName(file, 1024, color2, 64, size, 1024), S_OK);
  EXPECT_EQ(std::u16string(color2), u"HomeStead");
}

} // namespace
