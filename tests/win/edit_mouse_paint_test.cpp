#include "edit_fixture.h"

namespace {

// The edit sits at (10,10) in a frameless parent at the screen's origin, so screen and parent coordinates
// agree; character i of the test font starts at x = 10 + 6i.
int CharX(int i) {
  return 10 + 6 * i;
}

TEST_F(EditTest, ClickFocusesAndPlacesTheCaretDragAndShiftClickSelect) {
  HWND e = Edit(ES_AUTOHSCROLL, "one two three", 200);
  ASSERT_NE(GetFocus(), e);
  Click(CharX(2) + 1, 15);
  EXPECT_EQ(GetFocus(), e);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{2, 2}));
  Click(CharX(2) + 4, 15);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{3, 3})) << "past a character's middle is after it";

  platform::Clock::AdvanceTime(1000);
  platform::InjectMouseButton(platform::MouseButton::Left, true, CharX(1), 15);
  platform::InjectMouseMove(CharX(6), 15);
  platform::PumpMessages();
  EXPECT_EQ(GetCapture(), e);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{1, 6}));
  platform::InjectMouseMove(CharX(0), 15);
  platform::InjectMouseButton(platform::MouseButton::Left, false, CharX(0), 15);
  platform::PumpMessages();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{0, 1})) << "dragging back keeps the anchor";

  platform::Clock::AdvanceTime(1000);
  Click(CharX(9), 15, true);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{1, 9})) << "shift extends from the anchor";
}

TEST_F(EditTest, DoubleClickSelectsTheWordAndItsSpaces) {
  HWND e = Edit(ES_AUTOHSCROLL, "one two  three", 200);
  Click(CharX(5) + 1, 15);
  Click(CharX(5) + 1, 15);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{4, 9}));
  platform::Clock::AdvanceTime(1000);
  Click(CharX(11) + 1, 15);
  Click(CharX(11) + 1, 15);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{9, 14}));
}

TEST_F(EditTest, DraggingOutsideScrollsByTheTimer) {
  HWND e = Edit(ES_AUTOHSCROLL, "abcdefghijklmnopqrstuvwxyz", 60);
  platform::InjectMouseButton(platform::MouseButton::Left, true, CharX(0), 15);
  platform::InjectMouseMove(CharX(0) + 80, 15);
  platform::PumpMessages();
  DWORD before = Sel(e).second;
  EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  for (int i = 0; i < 10; ++i) {
    platform::Clock::AdvanceTime(100);
    platform::PumpMessages();
  }
  EXPECT_GT(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  EXPECT_GT(Sel(e).second, before);
  EXPECT_EQ(Sel(e).first, 0u);
  platform::InjectMouseButton(platform::MouseButton::Left, false, CharX(0) + 80, 15);
  platform::PumpMessages();
  LRESULT first = SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0);
  platform::Clock::AdvanceTime(500);
  platform::PumpMessages();
  EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), first) << "releasing the button stops scrolling";
}

TEST_F(EditTest, TheCursorOverTheClientIsTheIBeam) {
  Edit();
  platform::InjectMouseMove(CharX(1), 15);
  platform::PumpMessages();
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_IBEAM));
}

class EditPaintTest : public EditTest {
protected:
  std::uint32_t Pixel(int x, int y) {
    UpdateWindow(top);
    const Surface* s = platform::GetWindowSurface(top);
    if (!s) {
      ADD_FAILURE() << "the parent has not painted";
      return 0;
    }
    return s->Pixel(x, y);
  }
  static std::uint32_t Sys(int index) { return ColorRefToPixel(GetSysColor(index)); }
};

// Glyphs of the test font are solid blocks from row 2 to row 9 of a 13-pixel line, one pixel narrower
// than the advance; so (CharX(i) + 1, 15) is ink and (CharX(i) + 5, 15) is the gap after a 6-pixel glyph.
TEST_F(EditPaintTest, TextSelectionAndStatesInTheirColours) {
  HWND e = Edit(ES_AUTOHSCROLL, "abcd", 100);
  EXPECT_EQ(Pixel(CharX(1) + 1, 15), Sys(COLOR_WINDOWTEXT));
  EXPECT_EQ(Pixel(CharX(1) + 5, 15), Sys(COLOR_WINDOW));
  EXPECT_EQ(Pixel(CharX(6), 15), Sys(COLOR_WINDOW));

  SetSel(e, 1, 3);
  EXPECT_EQ(Pixel(CharX(1) + 5, 15), Sys(COLOR_WINDOW)) << "an unfocused edit hides its selection";
  SetFocus(e);
  EXPECT_EQ(Pixel(CharX(1) + 5, 15), Sys(COLOR_HIGHLIGHT));
  EXPECT_EQ(Pixel(CharX(1) + 5, 10), Sys(COLOR_HIGHLIGHT)) << "the whole line height is highlighted";
  EXPECT_EQ(Pixel(CharX(1) + 1, 15), Sys(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(Pixel(CharX(3) + 1, 15), Sys(COLOR_WINDOWTEXT));
  EXPECT_EQ(Pixel(CharX(3) + 5, 15), Sys(COLOR_WINDOW));

  HWND keep = Edit(ES_AUTOHSCROLL | ES_NOHIDESEL, "abcd", 100, 20, 9);
  MoveWindow(keep, 10, 40, 100, 20, TRUE);
  SetSel(keep, 0, 2);
  EXPECT_EQ(Pixel(CharX(0) + 5, 45), Sys(COLOR_HIGHLIGHT)) << "no-hide-selection shows it unfocused";

  EnableWindow(e, FALSE);
  EXPECT_EQ(Pixel(CharX(0) + 1, 15), Sys(COLOR_GRAYTEXT));
  EXPECT_EQ(Pixel(CharX(0) + 5, 15), Sys(COLOR_3DFACE));
  EnableWindow(e, TRUE);
  SendMessageA(e, EM_SETREADONLY, TRUE, 0);
  EXPECT_EQ(Pixel(CharX(4) + 2, 15), Sys(COLOR_3DFACE));
  EXPECT_EQ(Pixel(CharX(0) + 1, 15), Sys(COLOR_WINDOWTEXT));
}

TEST_F(EditPaintTest, PasswordCharactersAndTheParentsColours) {
  // 'i' is three pixels wide, '*' six: the masked text reaches further.
  HWND e = Edit(ES_AUTOHSCROLL | ES_PASSWORD, "iii", 100);
  EXPECT_EQ(Pixel(CharX(2) + 1, 15), Sys(COLOR_WINDOWTEXT));
  SendMessageA(e, EM_SETPASSWORDCHAR, 0, 0);
  EXPECT_EQ(Pixel(CharX(2) + 1, 15), Sys(COLOR_WINDOW));
  EXPECT_EQ(Pixel(10 + 3 + 1, 15), Sys(COLOR_WINDOWTEXT));

  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  overrides[top] = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_CTLCOLOREDIT)
      return std::nullopt;
    SetTextColor(reinterpret_cast<HDC>(w), RGB(0, 0, 255));
    return reinterpret_cast<LRESULT>(red);
  };
  InvalidateRect(e, nullptr, TRUE);
  EXPECT_EQ(Pixel(60, 15), 0xFF0000u);
  EXPECT_EQ(Pixel(11, 15), 0x0000FFu);
  overrides.clear();
  DeleteObject(red);
}

TEST_F(EditPaintTest, MultiLineTextIsDrawnLineUnderLineFromTheFirstVisible) {
  HWND m = Edit(ES_MULTILINE | ES_AUTOVSCROLL, "a\r\nbb\r\nccc\r\nd", 100, 26);
  EXPECT_EQ(Pixel(CharX(0) + 1, 15), Sys(COLOR_WINDOWTEXT));
  EXPECT_EQ(Pixel(CharX(1) + 1, 15), Sys(COLOR_WINDOW));
  EXPECT_EQ(Pixel(CharX(1) + 1, 15 + 13), Sys(COLOR_WINDOWTEXT));
  SendMessageA(m, EM_LINESCROLL, 0, 2);
  EXPECT_EQ(Pixel(CharX(2) + 1, 15), Sys(COLOR_WINDOWTEXT)) << "ccc is now the first line";
  EXPECT_EQ(Pixel(CharX(1) + 1, 15 + 13), Sys(COLOR_WINDOW)) << "d is the second";
}

} // namespace
