// Each Laz letter that carries a mark against the same letter without it, as the window draws them in its Laz
// font at its own size: in a row of the word list and in a line of the explanation box, the two pictures
// differ by the whole mark, exactly as the font draws it where nothing clips, and the mark keeps clear of the
// row's edges, where the focus rectangle goes.
#include <optional>
#include <set>
#include <utility>

#include "app/Session.h"
#include "app_fixture.h"
#include "engine/LazLetters.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Edit.h"
#include "platform/win/ListBox.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"

namespace {

struct LetterPair {
  const char* name;
  const char* marked; // as the word file writes it
  const char* plain;
  friend void PrintTo(const LetterPair& P, std::ostream* os) { *os << P.name; }
};

const LetterPair letters[] = {
    {"SmallK", "k´", "k"},          {"CapitalK", "K´", "K"}, {"SmallCCedilla", "ç´", "ç"},
    {"CapitalCCedilla", "Ç´", "Ç"}, {"SmallP", "p´", "p"},   {"CapitalP", "P´", "P"},
    {"SmallT", "t´", "t"},          {"CapitalT", "T´", "T"}, {"SmallZ", "z´", "z"},
    {"CapitalZ", "Z´", "Z"},        {"SmallDz", "3´", "3"},
};

std::uint32_t Rgb(TColor Color) {
  return ColorRefToPixel(COLORREF(ColorToRGB(Color)));
}

struct Patch {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// A client rectangle of a window as the top-level window's picture shows it.
Patch Grab(HWND TopLevel, HWND Window, RECT R) {
  UpdateWindow(TopLevel);
  const Surface* surface = platform::GetWindowSurface(TopLevel);
  RECT frame{};
  GetWindowRect(TopLevel, &frame);
  POINT origin{R.left, R.top};
  ClientToScreen(Window, &origin);
  Patch p{int(R.right - R.left), int(R.bottom - R.top), {}};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      p.pixels.push_back(surface ? surface->Pixel(origin.x - frame.left + x, origin.y - frame.top + y) : 0);
  return p;
}

// Room around freely drawn text, more than any mark can stand out of its cell.
constexpr int Pad = 24;

// The text in the font and colours given, drawn where nothing clips it, its origin at (Pad, Pad).
Patch DrawFree(HFONT Font, const AnsiString& Text, TColor Ink, TColor Back) {
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, Font);
  SIZE extent{};
  GetTextExtentPoint32A(dc, Text.c_str(), int(Text.size()), &extent);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  const int width = extent.cx + 2 * Pad, height = tm.tmHeight + 2 * Pad;
  HBITMAP bitmap = CreateBitmap(width, height, 1, 32, nullptr);
  SelectObject(dc, bitmap);
  GetDCSurface(dc)->Fill(Rgb(Back));
  SetTextColor(dc, COLORREF(ColorToRGB(Ink)));
  SetBkMode(dc, TRANSPARENT);
  ExtTextOutA(dc, Pad, Pad, 0, nullptr, Text.c_str(), UINT(Text.size()), nullptr);
  Patch p{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.pixels.push_back(GetDCSurface(dc)->Pixel(x, y));
  DeleteDC(dc);
  DeleteObject(bitmap);
  return p;
}

// Where the free drawing's text origin lies in the shown patch: the place at which every pixel of the patch
// is the free drawing's pixel there.
std::optional<TPoint> FindText(const Patch& Shown, const Patch& Free) {
  for (int oy = -Pad; oy < Shown.height; ++oy)
    for (int ox = -Pad; ox < Shown.width; ++ox) {
      bool same = true;
      for (int y = 0; same && y < Shown.height; ++y)
        for (int x = 0; same && x < Shown.width; ++x) {
          const int fx = x - ox + Pad, fy = y - oy + Pad;
          const bool inside = fx >= 0 && fy >= 0 && fx < Free.width && fy < Free.height;
          same = Shown.At(x, y) == (inside ? Free.At(fx, fy) : Free.At(0, 0));
        }
      if (same)
        return TPoint{ox, oy};
    }
  return std::nullopt;
}

using Points = std::set<std::pair<int, int>>;

// The pixels where two pictures of the same place differ, relative to the text origin; only those inside
// Within count where it is given.
Points Differences(const Patch& A, const Patch& B, TPoint Origin, std::optional<RECT> Within = std::nullopt) {
  Points out;
  for (int y = 0; y < std::min(A.height, B.height); ++y)
    for (int x = 0; x < std::min(A.width, B.width); ++x)
      if (A.At(x, y) != B.At(x, y) &&
          (!Within || (x >= Within->left && y >= Within->top && x < Within->right && y < Within->bottom)))
        out.insert({x - Origin.x, y - Origin.y});
  return out;
}

std::string Describe(const Points& P) {
  std::string s;
  for (auto [x, y] : P)
    s += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
  return s.empty() ? "nothing" : s;
}

// Where the font draws the mark: the pixels by which the marked word differs from the plain one, relative to
// the text origin, drawn where nothing clips them.
Points MarkOf(HFONT Font, const AnsiString& Marked, const AnsiString& Plain, TColor Ink, TColor Back) {
  return Differences(DrawFree(Font, Marked, Ink, Back), DrawFree(Font, Plain, Ink, Back), TPoint{Pad, Pad});
}

// The rows of the font's character cell, relative to the text origin, as wide as any text here.
RECT Cell(HFONT Font) {
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, Font);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  DeleteDC(dc);
  return RECT{-Pad, 0, 4096, tm.tmHeight};
}

// Every point, moved by Origin, lies inside Bounds; the first that does not is named.
void ExpectInside(const std::string& Where, const Points& P, TPoint Origin, RECT Bounds) {
  for (auto [x, y] : P) {
    const int px = x + Origin.x, py = y + Origin.y;
    if (px < Bounds.left || py < Bounds.top || px >= Bounds.right || py >= Bounds.bottom) {
      ADD_FAILURE() << Where << ": the mark reaches " << px << "," << py << ", outside " << Bounds.left << ","
                    << Bounds.top << " to " << Bounds.right << "," << Bounds.bottom;
      return;
    }
  }
}

class LazLetterTest : public MainWindowTest, public ::testing::WithParamInterface<LetterPair> {
protected:
  static AnsiString Shown(const std::string& Raw) { return WideToAnsi(ConvertLaz(Utf8ToWide(Raw))); }
};

TEST_P(LazLetterTest, TheMarkIsDrawnWholeInTheListAndTheExplanation) {
  const LetterPair& letter = GetParam();
  const std::string marked = std::string(letter.marked) + "a", plain = std::string(letter.plain) + "a";
  TMain* main = Open({"bir;" + marked + ";;x", "iki;" + plain + ";;x"});
  ASSERT_TRUE(ClickTab(main->DilSecimi, 1));
  const AnsiString markedWord = Shown(marked), plainWord = Shown(plain);
  const int markedIndex = main->ListSol->Items()->IndexOf(markedWord);
  const int plainIndex = main->ListSol->Items()->IndexOf(plainWord);
  ASSERT_TRUE(markedIndex >= 0 && plainIndex >= 0)
      << "the list holds " << ::testing::PrintToString(Items(main->ListSol));

  TcxInnerListBox* list = main->ListSol->InnerListBox();
  TcxCustomInnerMemo* memo = main->SolAciklama->InnerMemo();
  const HWND top = main->Handle();
  RECT memoClient{};
  GetClientRect(memo->Handle(), &memoClient);
  auto row = [&](int Index) { return Grab(top, list->Handle(), list->ItemRect(Index)); };

  // Each word clicked in turn: the clicked row is selected with the focus rectangle on it, the other is not;
  // the explanation shows the clicked word.
  Patch selectedMarked, selectedPlain, unselectedMarked, unselectedPlain, memoMarked, memoPlain;
  ASSERT_TRUE(ClickItem(main->ListSol, markedIndex));
  selectedMarked = row(markedIndex);
  memoMarked = Grab(top, memo->Handle(), memoClient);
  ASSERT_EQ(Utf8Text(main->SolAciklama), AnsiToUtf8(markedWord) + ": x");
  ASSERT_TRUE(ClickItem(main->ListSol, plainIndex));
  selectedPlain = row(plainIndex);
  unselectedMarked = row(markedIndex);
  memoPlain = Grab(top, memo->Handle(), memoClient);
  ASSERT_TRUE(ClickItem(main->ListSol, markedIndex));
  unselectedPlain = row(plainIndex);

  // Where the row's text starts, found in the plain word's row; the focus rectangle of a selected row would
  // hide it.
  const HFONT listFont = list->Font()->Handle();
  const TColor listInk = list->Font()->Color(), listBack = list->Color();
  const std::optional<TPoint> inRow =
      FindText(unselectedPlain, DrawFree(listFont, plainWord, listInk, listBack));
  ASSERT_TRUE(inRow) << "the row of the plain word is not drawn as its font draws it";
  const TRect item = list->ItemRect(markedIndex);
  // The focus rectangle is drawn on the row's outermost pixels, its dots placed by where the row lies: rows
  // are compared within it, and the mark must keep inside it.
  const RECT inside{1, 1, item.right - item.left - 1, item.bottom - item.top - 1};
  struct RowCase {
    const char* where;
    const Patch &marked, &plain;
    TColor ink, back;
  } rows[] = {{"a row", unselectedMarked, unselectedPlain, listInk, listBack},
              {"the selected row", selectedMarked, selectedPlain, clHighlightText, clHighlight}};
  for (const RowCase& c : rows) {
    const Points whole = MarkOf(listFont, markedWord, plainWord, c.ink, c.back);
    ASSERT_FALSE(whole.empty()) << c.where
                                << ": the font draws the letter the same with its mark and without";
    const Points drawn = Differences(c.marked, c.plain, *inRow, inside);
    EXPECT_EQ(drawn, whole) << c.where << ": the mark is drawn at " << Describe(drawn)
                            << ", the font draws it at " << Describe(whole);
    ExpectInside(c.where, whole, *inRow, inside);
  }
  ExpectInside("the list's font", MarkOf(listFont, markedWord, plainWord, listInk, listBack), TPoint{0, 0},
               Cell(listFont));

  const HFONT memoFont = memo->Font()->Handle();
  const TColor memoInk = memo->Font()->Color(), memoBack = memo->Color();
  const AnsiString markedLine = markedWord + ": x", plainLine = plainWord + ": x";
  const std::optional<TPoint> inMemo = FindText(memoPlain, DrawFree(memoFont, plainLine, memoInk, memoBack));
  ASSERT_TRUE(inMemo) << "the explanation of the plain word is not drawn as its font draws it";
  const Points whole = MarkOf(memoFont, markedLine, plainLine, memoInk, memoBack);
  const Points drawn = Differences(memoMarked, memoPlain, *inMemo);
  EXPECT_EQ(drawn, whole) << "the explanation: the mark is drawn at " << Describe(drawn)
                          << ", the font draws it at " << Describe(whole);
  ExpectInside("the explanation's line", whole, TPoint{0, 0}, Cell(memoFont));
}

INSTANTIATE_TEST_SUITE_P(EveryLetter, LazLetterTest, ::testing::ValuesIn(letters),
                         [](const auto& Info) { return std::string(Info.param.name); });

} // namespace
