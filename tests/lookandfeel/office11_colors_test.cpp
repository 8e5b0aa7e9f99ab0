// The Office 2003 colours against the numbers of the published scheme tables, and the classic colours worked
// out from the Windows Standard system colours.
#include <string>

#include "painters_test_support.h"

namespace {

using namespace painters_test;

struct Triple {
  int r, g, b;
};

COLORREF Of(const Triple& t) {
  return RGB(BYTE(t.r), BYTE(t.g), BYTE(t.b));
}

struct Scheme {
  const char* name;
  Triple entries[dxOffice11SchemeColorCount];
  Triple lightBlends[3], shadowMixes[3];
  Triple gradientEnd;
};

// Blue, olive and silver as published; classic worked out by hand from the colours of ClassicColors with the
// blend and mix rules (MulDiv rounding, the percentage weighing the first colour).
const Scheme schemes[] = {
    {"blue",
     {{221, 236, 254}, {129, 169, 226}, {158, 190, 245}, {195, 218, 249}, {0, 53, 145},    {117, 166, 241},
      {255, 193, 118}, {255, 248, 211}, {255, 221, 152}, {254, 149, 82},  {59, 97, 156},   {123, 164, 224},
      {39, 65, 118},   {255, 255, 255}, {106, 140, 203}, {241, 249, 255}, {42, 102, 201},  {196, 219, 249},
      {0, 45, 150},    {246, 246, 246}, {255, 238, 194}, {0, 0, 128},     {255, 244, 204}, {255, 208, 145},
      {255, 211, 142}, {254, 145, 78},  {203, 225, 252}, {255, 192, 111}, {254, 128, 62},  {169, 199, 240},
      {0, 0, 0},       {141, 141, 141}, {190, 218, 251}, {251, 230, 148}, {196, 218, 250}, {0, 45, 150},
      {55, 104, 185}},
     {{127, 173, 242}, {252, 247, 215}, {251, 158, 99}},
     {{62, 109, 185}, {190, 179, 171}, {190, 193, 188}},
     {176, 203, 240}},
    {"olive",
     {{244, 247, 222}, {183, 198, 145}, {217, 217, 167}, {242, 240, 228}, {96, 119, 107},  {176, 194, 140},
      {255, 193, 118}, {255, 248, 211}, {255, 221, 152}, {254, 149, 82},  {96, 128, 88},   {181, 196, 143},
      {81, 94, 51},    {255, 255, 255}, {96, 128, 88},   {244, 247, 222}, {116, 134, 94},  {225, 222, 173},
      {117, 141, 94},  {244, 244, 238}, {255, 238, 194}, {63, 93, 56},    {255, 244, 204}, {255, 208, 145},
      {255, 211, 142}, {254, 145, 78},  {216, 227, 182}, {255, 192, 111}, {254, 128, 62},  {197, 212, 159},
      {0, 0, 0},       {141, 141, 141}, {175, 186, 145}, {251, 230, 148}, {242, 241, 228}, {96, 128, 88},
      {115, 137, 84}},
     {{182, 200, 148}, {254, 248, 212}, {253, 159, 96}},
     {{139, 158, 126}, {219, 195, 131}, {219, 209, 148}},
     {214, 223, 184}},
    {"silver",
     {{243, 244, 250}, {153, 151, 181}, {215, 215, 229}, {243, 243, 247}, {118, 116, 146}, {179, 178, 200},
      {255, 193, 118}, {255, 248, 211}, {255, 221, 152}, {254, 149, 82},  {124, 124, 148}, {147, 145, 176},
      {84, 84, 117},   {255, 255, 255}, {110, 109, 143}, {255, 255, 255}, {122, 121, 153}, {219, 218, 228},
      {124, 124, 148}, {253, 250, 255}, {255, 238, 194}, {75, 75, 111},   {255, 244, 204}, {255, 208, 145},
      {255, 211, 142}, {254, 145, 78},  {214, 211, 231}, {255, 192, 111}, {254, 128, 62},  {192, 192, 211},
      {0, 0, 0},       {141, 141, 141}, {229, 229, 235}, {251, 230, 148}, {243, 243, 247}, {124, 124, 148},
      {112, 111, 145}},
     {{185, 184, 205}, {254, 247, 215}, {253, 158, 99}},
     {{133, 131, 161}, {202, 170, 147}, {202, 184, 164}},
     {199, 198, 216}},
    {"classic",
     {{246, 245, 243}, {214, 210, 202}, {212, 208, 200}, {246, 246, 244}, {128, 128, 128}, {161, 161, 161},
      {190, 198, 220}, {190, 198, 220}, {210, 211, 216}, {210, 211, 216}, {218, 215, 208}, {212, 208, 200},
      {158, 158, 158}, {255, 255, 255}, {167, 167, 167}, {255, 255, 255}, {128, 128, 128}, {214, 210, 202},
      {128, 128, 128}, {255, 255, 255}, {183, 191, 212}, {10, 36, 106},   {183, 191, 212}, {183, 191, 212},
      {136, 147, 177}, {136, 147, 177}, {214, 210, 202}, {210, 211, 216}, {136, 147, 177}, {214, 210, 202},
      {0, 0, 0},       {128, 128, 128}, {212, 208, 200}, {210, 211, 216}, {212, 208, 200}, {128, 128, 128},
      {128, 128, 128}},
     {{192, 192, 192}, {223, 227, 238}, {233, 234, 236}},
     {{170, 168, 164}, {201, 203, 210}, {211, 210, 208}},
     {230, 228, 223}},
};

// Windows Standard: white window, face 212,208,200, shadow and grey text 128, highlight 10,36,106.
SysColorTable ClassicColors() {
  SysColorTable t = DistinctColors();
  t[COLOR_WINDOW] = RGB(255, 255, 255);
  t[COLOR_WINDOWTEXT] = RGB(0, 0, 0);
  t[COLOR_HIGHLIGHT] = RGB(10, 36, 106);
  t[COLOR_HIGHLIGHTTEXT] = RGB(255, 255, 255);
  t[COLOR_BTNFACE] = RGB(212, 208, 200);
  t[COLOR_BTNSHADOW] = RGB(128, 128, 128);
  t[COLOR_GRAYTEXT] = RGB(128, 128, 128);
  t[COLOR_BTNTEXT] = RGB(0, 0, 0);
  t[COLOR_BTNHIGHLIGHT] = RGB(255, 255, 255);
  t[COLOR_3DDKSHADOW] = RGB(64, 64, 64);
  t[COLOR_3DLIGHT] = RGB(212, 208, 200);
  return t;
}

void ExpectScheme(const Scheme& s) {
  SCOPED_TRACE(s.name);
  for (int i = 0; i < dxOffice11SchemeColorCount; ++i)
    EXPECT_EQ(Rgb(dxOffice11SchemeColor(i)), Of(s.entries[std::size_t(i)])) << "entry " << i;
  const TdxOffice11Colors& c = dxOffice11Colors();
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Rgb(c.LightBlends[i]), Of(s.lightBlends[i])) << "light blend " << i;
    EXPECT_EQ(Rgb(c.ShadowMixes[i]), Of(s.shadowMixes[i])) << "shadow mix " << i;
  }
  // What the Office 2003 painter reads from the table.
  auto office = static_cast<const TcxOffice11LookAndFeelPainter*>(Office11());
  EXPECT_EQ(Rgb(office->GradientBeginColor()), Of(s.entries[1]));
  EXPECT_EQ(Rgb(office->GradientEndColor()), Of(s.gradientEnd));
  EXPECT_EQ(Rgb(office->DarkBorderColor()), Of(s.entries[14]));
  EXPECT_EQ(Rgb(office->LightBorderColor()), Of(s.entries[15]));
  EXPECT_EQ(Rgb(office->DefaultBorderColor()), Of(s.entries[35]));
  EXPECT_EQ(Rgb(office->DefaultSelectionColor()), Of(s.entries[33]));
  EXPECT_EQ(Rgb(office->DefaultBtnShadowColor1()), Of(s.shadowMixes[0]));
  EXPECT_EQ(Rgb(office->DefaultBtnShadowColor2()), Of(s.entries[16]));
  EXPECT_EQ(Rgb(office->DefaultBtnFaceColor2()), Of(s.entries[32]));
  EXPECT_EQ(Rgb(office->DefaultBtnFaceColor3()), Of(s.entries[0]));
  EXPECT_EQ(Rgb(office->DefaultBtnFaceColor8()), Of(s.entries[34]));
  EXPECT_EQ(Rgb(office->DefaultBtnFaceColor10()), Of(s.entries[3]));
  EXPECT_EQ(Rgb(office->DefaultHeaderColor()), Of(s.entries[2]));
  EXPECT_EQ(Rgb(office->ButtonColor(cxbsHot)), Of(s.entries[22]));
  EXPECT_EQ(Rgb(office->ButtonColor(cxbsPressed)), Of(s.entries[24]));
  EXPECT_EQ(Rgb(office->ButtonSymbolColor(cxbsDisabled)), Of(s.entries[31]));
}

TEST(Office11ColorTable, EveryEntryOfTheThreeLunaSchemes) {
  const char16_t* names[] = {u"NormalColor", u"HomeStead", u"Metallic"};
  for (int s = 0; s < 3; ++s) {
    PainterUnits units([&](RecordingThemeBackend& f) { f.ClaimLuna(names[s]); }, ClassicColors());
    ASSERT_EQ(dxOffice11Scheme(), s + 1);
    ExpectScheme(schemes[s]);
    const TdxOffice11Colors& c = dxOffice11Colors();
    EXPECT_EQ(Rgb(c.White), RGB(255, 255, 255));
    EXPECT_EQ(Rgb(c.Black), RGB(0, 0, 0));
    EXPECT_EQ(Rgb(c.Selected), RGB(253, 238, 201));
    EXPECT_EQ(Rgb(c.Shadow), Of(schemes[s].entries[11]));
  }
}

TEST(Office11ColorTable, ClassicEntriesFromTheSystemColours) {
  PainterUnits units(nullptr, ClassicColors());
  ASSERT_EQ(dxOffice11Scheme(), 0);
  ExpectScheme(schemes[3]);
  const TdxOffice11Colors& c = dxOffice11Colors();
  EXPECT_EQ(c.White, clBtnHighlight);
  EXPECT_EQ(c.Black, clBtnText);
  EXPECT_EQ(c.Selected, clBtnFace);
  EXPECT_EQ(c.Shadow, clBtnShadow);
  // The entries that name a system colour follow it rather than copy its value.
  struct Named {
    int entry;
    TColor color;
  };
  const Named named[] = {{2, clBtnFace},    {4, clBtnShadow},  {11, clBtnFace}, {13, clWindow},
                         {16, clBtnShadow}, {18, clBtnShadow}, {19, clWindow},  {21, clHighlight},
                         {30, clBtnText},   {31, clGrayText},  {32, clBtnFace}, {36, clBtnShadow}};
  for (const Named& n : named)
    EXPECT_EQ(dxOffice11SchemeColor(n.entry), n.color) << "entry " << n.entry;
}

TEST(Office11ColorTable, ClassicColoursFollowASystemColourChange) {
  PainterUnits units(nullptr, ClassicColors());
  SysColorTable changed = ClassicColors();
  changed[COLOR_BTNFACE] = RGB(200, 100, 0);
  SetSysColorTable(changed);
  RefreshOffice11Colors();
  // Entry 0 weighs the new face by 22 percent against white.
  EXPECT_EQ(Rgb(dxOffice11SchemeColor(0)), RGB(243, 221, 199));
  EXPECT_EQ(Rgb(dxOffice11SchemeColor(2)), RGB(200, 100, 0));
}

} // namespace
