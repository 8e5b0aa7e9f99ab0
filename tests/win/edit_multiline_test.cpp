#include <cstring>

#include "edit_fixture.h"

namespace {

TEST_F(EditTest, LineMessagesOnHardBreaks) {
  HWND m = Edit(ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL, "ab\r\ncde\r\n", 200, 80);
  EXPECT_EQ(SendMessageA(m, EM_GETLINECOUNT, 0, 0), 3);
  struct Case {
    int line;
    LRESULT index;
  };
  for (auto [line, index] : {Case{0, 0}, Case{1, 4}, Case{2, 9}, Case{3, -1}})
    EXPECT_EQ(SendMessageA(m, EM_LINEINDEX, WPARAM(line), 0), index) << line;
  struct CharCase {
    int pos;
    LRESULT line, length;
  };
  for (auto [pos, line, length] :
       {CharCase{0, 0, 2}, CharCase{2, 0, 2}, CharCase{4, 1, 3}, CharCase{9, 2, 0}}) {
    EXPECT_EQ(SendMessageA(m, EM_LINEFROMCHAR, WPARAM(pos), 0), line) << pos;
    EXPECT_EQ(SendMessageA(m, EM_LINELENGTH, WPARAM(pos), 0), length) << pos;
  }
  char buffer[8] = {};
  WORD size = 8;
  std::memcpy(buffer, &size, sizeof size);
  EXPECT_EQ(SendMessageA(m, EM_GETLINE, 1, reinterpret_cast<LPARAM>(buffer)), 3);
  EXPECT_EQ(std::string(buffer, 3), "cde");

  SetSel(m, 5, 5);
  EXPECT_EQ(SendMessageA(m, EM_LINEINDEX, WPARAM(-1), 0), 4) << "-1 is the caret's line";
  SetSel(m, 1, 5);
  EXPECT_EQ(SendMessageA(m, EM_LINELENGTH, WPARAM(-1), 0), 1 + 2) << "unselected characters of those lines";

  // Single-line edits answer for their one line.
  HWND s = Edit(0, "one\r\ntwo");
  EXPECT_EQ(SendMessageA(s, EM_GETLINECOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageA(s, EM_LINELENGTH, 0, 0), 8);
}

TEST_F(EditTest, WordWrapBreaksAfterSpacesAndSplitsLongWords) {
  // 60 pixels hold ten characters of the test font.
  struct Case {
    const char* text;
    std::vector<LRESULT> starts;
  };
  const Case cases[] = {
      {"aaaa bbbb cccc", {0, 10}},
      {"aaaa bbbbbb cc", {0, 5}},
      {"aaaaaaaaaaaaaaaaaaaaaaa", {0, 10, 20}},
      {"aaaa    bbbb", {0, 8}},
      {"ab\r\ncdefgh ijklmn", {0, 4, 11}},
      {"", {0}},
  };
  for (const Case& c : cases) {
    HWND m = Edit(ES_MULTILINE | ES_AUTOVSCROLL, c.text, 60, 200);
    std::vector<LRESULT> starts;
    LRESULT count = SendMessageA(m, EM_GETLINECOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
      starts.push_back(SendMessageA(m, EM_LINEINDEX, WPARAM(i), 0));
    EXPECT_EQ(starts, c.starts) << c.text;
    DestroyWindow(m);
  }

  // Widening the window re-wraps; scrolling horizontally turns wrapping off.
  HWND m = Edit(ES_MULTILINE | ES_AUTOVSCROLL, "aaaa bbbb cccc", 60, 200);
  MoveWindow(m, 10, 10, 200, 200, TRUE);
  EXPECT_EQ(SendMessageA(m, EM_GETLINECOUNT, 0, 0), 1);
  HWND noWrap = Edit(ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL, "aaaa bbbb cccc", 60, 200);
  EXPECT_EQ(SendMessageA(noWrap, EM_GETLINECOUNT, 0, 0), 1);
}

TEST_F(EditTest, EnterTabAndVerticalKeysInAMultiLineEdit) {
  struct Case {
    DWORD style;
    bool ctrl;
    std::string expected;
  };
  const Case cases[] = {
      {ES_WANTRETURN, false, "ab\r\n"},
      {0, false, "ab"},
      {0, true, "ab\r\n"},
  };
  for (const Case& c : cases) {
    HWND m = Edit(ES_MULTILINE | ES_AUTOVSCROLL | c.style, "ab", 100, 100);
    SetFocus(m);
    SetSel(m, 2, 2);
    Press(VK_RETURN, false, c.ctrl);
    EXPECT_EQ(Text(m), c.expected) << c.style << " ctrl " << c.ctrl;
    DestroyWindow(m);
  }
  HWND single = Edit(ES_AUTOHSCROLL, "ab");
  SetFocus(single);
  SetSel(single, 2, 2);
  Press(VK_RETURN);
  Press(VK_TAB);
  EXPECT_EQ(Text(single), "ab");

  HWND m = Edit(ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN, "abcdef\r\nab\r\nabcdef", 100,
                100);
  SetFocus(m);
  SendMessageA(m, WM_CHAR, '\t', 0);
  EXPECT_EQ(Text(m).substr(0, 2), "\ta");
  SendMessageA(m, WM_UNDO, 0, 0);
  SetSel(m, 5, 5);
  Press(VK_DOWN);
  EXPECT_EQ(Sel(m), (std::pair<DWORD, DWORD>{10, 10})) << "a short line takes the caret to its end";
  Press(VK_DOWN);
  EXPECT_EQ(Sel(m), (std::pair<DWORD, DWORD>{17, 17})) << "the column comes back on a longer line";
  Press(VK_UP, true);
  EXPECT_EQ(Sel(m), (std::pair<DWORD, DWORD>{10, 17}));
  Press(VK_HOME, false, true);
  EXPECT_EQ(Sel(m), (std::pair<DWORD, DWORD>{0, 0}));
  Press(VK_END, true, true);
  EXPECT_EQ(Sel(m), (std::pair<DWORD, DWORD>{0, 18}));
  SetSel(m, 8, 8);
  Press(VK_LEFT);
  EXPECT_EQ(Sel(m), (std::pair<DWORD, DWORD>{6, 6})) << "a line break is one step";
  Press(VK_DELETE);
  EXPECT_EQ(Text(m), "abcdefab\r\nabcdef");
}

TEST_F(EditTest, WordMovesRunAcrossWrappedLinesAndStopAtHardBreaks) {
  // At 60 pixels the first paragraph wraps after "bbbb ", so "cccc" starts the second display line.
  HWND m = Edit(ES_MULTILINE | ES_AUTOVSCROLL, "aaaa bbbb cccc\r\nab cd", 60, 100);
  ASSERT_EQ(SendMessageA(m, EM_LINEINDEX, 1, 0), 10);
  SetFocus(m);
  struct Case {
    int from, vk;
    DWORD to;
  };
  const Case cases[] = {
      {10, VK_LEFT, 5},  {5, VK_RIGHT, 10}, {10, VK_RIGHT, 14}, {14, VK_RIGHT, 16},
      {16, VK_LEFT, 14}, {14, VK_LEFT, 10}, {19, VK_LEFT, 16},  {21, VK_RIGHT, 21},
  };
  for (const Case& c : cases) {
    SetSel(m, c.from, c.from);
    Press(c.vk, false, true);
    EXPECT_EQ(Sel(m), (std::pair<DWORD, DWORD>{c.to, c.to})) << c.from << " key " << c.vk;
  }
}

TEST_F(EditTest, VerticalScrollingFollowsTheCaretAndTheScrollBar) {
  std::string text;
  for (int i = 0; i < 20; ++i)
    text += "line " + std::to_string(i) + "\r\n";
  // 52 pixels show four lines of 13.
  HWND m = Edit(ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, text.c_str(), 150, 52);
  RECT client{};
  GetClientRect(m, &client);
  ASSERT_EQ(client.bottom, 52);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  SCROLLINFO si{sizeof si, SIF_ALL};
  GetScrollInfo(m, SB_VERT, &si);
  EXPECT_EQ(si.nMax, 20);
  EXPECT_EQ(si.nPage, 4u);

  SetFocus(m);
  log.clear();
  Press(VK_END, false, true);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 17);
  EXPECT_EQ(Notes(), (std::vector<WORD>{EN_VSCROLL}));
  GetScrollInfo(m, SB_VERT, &si);
  EXPECT_EQ(si.nPos, 17);
  POINT caret{};
  GetCaretPos(&caret);
  EXPECT_EQ(caret.y, 3 * 13);

  SendMessageA(m, EM_LINESCROLL, 0, -5);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 12);
  EXPECT_EQ(SendMessageA(m, EM_SCROLL, SB_PAGEUP, 0), LRESULT(MAKELONG(WORD(-3), TRUE)));
  SendMessageA(m, WM_VSCROLL, MAKELONG(SB_THUMBPOSITION, 2), 0);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 2);
  SendMessageA(m, EM_SCROLLCARET, 0, 0);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 17);
  EXPECT_EQ(HIWORD(SendMessageA(m, EM_POSFROMCHAR, 0, 0)), WORD(short(-17 * 13)));
  LRESULT hit = SendMessageA(m, EM_CHARFROMPOS, 0, MAKELPARAM(0, 13));
  EXPECT_EQ(HIWORD(hit), 18);
  EXPECT_EQ(LOWORD(hit), SendMessageA(m, EM_LINEINDEX, 18, 0));
}

// A multi-line edit scrolls three lines a notch and keeps the wheel; a single line has nothing to scroll and
// leaves the wheel to its parent.
TEST_F(EditTest, TheWheelScrollsAMultiLineEditAndPassesASingleLineOnToItsParent) {
  std::string text;
  for (int i = 0; i < 20; ++i)
    text += "line " + std::to_string(i) + "\r\n";
  struct Case {
    const char* name;
    DWORD style;
    int firstLine;
    bool parentGetsIt;
  } cases[] = {
      {"multi-line", DWORD(ES_MULTILINE) | WS_VSCROLL, 3, false},
      {"single line", ES_AUTOHSCROLL, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND e = Edit(c.style, text.c_str(), 150, 52);
    platform::PumpMessages();
    log.clear();
    platform::InjectMouseWheel(-WHEEL_DELTA, 20, 20);
    platform::PumpMessages();
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), c.firstLine);
    EXPECT_EQ(Seq({WM_MOUSEWHEEL}).size(), c.parentGetsIt ? 1u : 0u);
    DestroyWindow(e);
  }
}

TEST_F(EditTest, SingleLineScrollsHorizontallyToKeepTheCaretVisible) {
  HWND e = Edit(ES_AUTOHSCROLL, "", 60, 20);
  SetFocus(e);
  Type("abcdefghijklmnopqrst");
  POINT caret{};
  GetCaretPos(&caret);
  EXPECT_GE(caret.x, 0);
  EXPECT_LT(caret.x, 60);
  EXPECT_GT(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "the first characters scrolled out";
  Press(VK_HOME);
  GetCaretPos(&caret);
  EXPECT_EQ(caret.x, 0);
  EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

  // Without automatic scrolling the text stops at the edge.
  HWND fixed = Edit(0, "", 60, 20);
  SetFocus(fixed);
  log.clear();
  Type("abcdefghjkmn");
  EXPECT_EQ(Text(fixed), "abcdefghjk");
  EXPECT_EQ(Notes().back(), EN_MAXTEXT);
}

TEST_F(EditTest, MarginsAlignmentAndPositions) {
  HWND e = Edit(0, "abc", 100);
  SendMessageA(e, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(4, 6));
  EXPECT_EQ(SendMessageA(e, EM_GETMARGINS, 0, 0), LRESULT(MAKELONG(4, 6)));
  RECT r{};
  SendMessageA(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 4);
  EXPECT_EQ(r.right, 94);
  RECT custom{20, 2, 80, 18};
  SendMessageA(e, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&custom));
  SendMessageA(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(SendMessageA(e, EM_POSFROMCHAR, 1, 0), LRESULT(MAKELONG(26, 2)));
  SendMessageA(e, EM_SETRECT, 0, 0);
  SendMessageA(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 4) << "no rectangle goes back to the margins";

  struct Case {
    DWORD style;
    int x0;
  };
  for (auto [style, x0] :
       {Case{ES_LEFT, 4}, Case{ES_RIGHT, 94 - 18 - 1}, Case{ES_CENTER, 4 + (90 - 18) / 2}}) {
    HWND a = Edit(style, "abc", 100);
    SendMessageA(a, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(4, 6));
    for (int i = 0; i <= 3; ++i)
      EXPECT_EQ(short(LOWORD(SendMessageA(a, EM_POSFROMCHAR, WPARAM(i), 0))), x0 + 6 * i)
          << style << " " << i;
    EXPECT_EQ(SendMessageA(a, EM_POSFROMCHAR, 4, 0), -1);
    EXPECT_EQ(LOWORD(SendMessageA(a, EM_CHARFROMPOS, 0, MAKELPARAM(x0 + 8, 5))), 1);
    EXPECT_EQ(LOWORD(SendMessageA(a, EM_CHARFROMPOS, 0, MAKELPARAM(x0 + 10, 5))), 2);
    DestroyWindow(a);
  }
}

} // namespace
