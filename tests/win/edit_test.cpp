#include "edit_fixture.h"

namespace {

TEST_F(EditTest, TextMessagesAndTheirNotifications) {
  HWND e = Edit(0, "created");
  EXPECT_EQ(Text(e), "created");
  EXPECT_TRUE(Notes().empty()) << "creation text reports nothing";

  char one[1] = {'x'};
  EXPECT_EQ(SendMessageA(e, WM_GETTEXT, 1, reinterpret_cast<LPARAM>(one)), 0);
  EXPECT_EQ(one[0], 0);
  char four[4];
  EXPECT_EQ(SendMessageA(e, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(four)), 3);
  EXPECT_STREQ(four, "cre");

  SendMessageA(e, EM_SETLIMITTEXT, 3, 0);
  SendMessageA(e, EM_SETMODIFY, TRUE, 0);
  log.clear();
  SetWindowTextA(e, "longer than the limit");
  EXPECT_EQ(Text(e), "longer than the limit") << "text set by the program is not limited";
  EXPECT_EQ(Notes(), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
  EXPECT_EQ(Only(WM_COMMAND)[0].lParam, reinterpret_cast<LPARAM>(e));
  EXPECT_EQ(LOWORD(Only(WM_COMMAND)[0].wParam), 7);
  EXPECT_EQ(SendMessageA(e, EM_GETMODIFY, 0, 0), 0);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{0, 0}));
  EXPECT_EQ(SendMessageA(e, EM_CANUNDO, 0, 0), 0);

  HWND m = Edit(ES_MULTILINE, "", 120, 60, 8);
  log.clear();
  SetWindowTextA(m, "a\r\nb");
  EXPECT_EQ(Text(m), "a\r\nb");
  EXPECT_TRUE(Notes().empty()) << "multi-line edits report no change for program text";
}

TEST_F(EditTest, SetSelClampsAndKeepsTheAnchor) {
  HWND e = Edit(0, "abcdef");
  struct Case {
    int start, end;
    std::pair<DWORD, DWORD> sel;
    DWORD caretAfterRight; // Right moves from the active end, not from the anchor
  };
  const Case cases[] = {
      {0, -1, {0, 6}, 6}, {4, 1, {1, 4}, 2}, {2, 100, {2, 6}, 6}, {-5, 3, {3, 6}, 4}, {3, 3, {3, 3}, 4},
  };
  for (const Case& c : cases) {
    SetSel(e, c.start, c.end);
    EXPECT_EQ(Sel(e), c.sel) << c.start << "," << c.end;
    SendMessageA(e, WM_KEYDOWN, VK_RIGHT, 0); // plain Right collapses at the moved caret
    auto after = Sel(e);
    EXPECT_EQ(after.first, after.second);
    EXPECT_EQ(after.first, c.caretAfterRight) << c.start << "," << c.end;
  }
  SetSel(e, 1, 4);
  SetSel(e, -1, 0);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{4, 4})) << "start -1 drops the selection at the caret";
}

TEST_F(EditTest, TypingIsRecasedLimitedAndReportedAfterEachCharacter) {
  struct Case {
    DWORD style;
    std::string typed;
    std::string expected;
  };
  const Case cases[] = {
      {0, "aBc", "aBc"},
      {ES_UPPERCASE, "abC", "ABC"},
      {ES_LOWERCASE, "ABc", "abc"},
      {ES_UPPERCASE | ES_LOWERCASE, "AB", "ab"},
  };
  for (const Case& c : cases) {
    HWND e = Edit(c.style | ES_AUTOHSCROLL);
    SetFocus(e);
    log.clear();
    Type(c.typed);
    EXPECT_EQ(Text(e), c.expected);
    EXPECT_EQ(SendMessageA(e, EM_GETMODIFY, 0, 0), 1);
    std::vector<WORD> expected;
    for (size_t i = 0; i < c.typed.size(); ++i) {
      expected.push_back(EN_UPDATE);
      expected.push_back(EN_CHANGE);
    }
    EXPECT_EQ(Notes(), expected);
    DestroyWindow(e);
  }

  // The locale's own case rule: in Turkish the dotted and dotless i are separate letters.
  HWND upper = Edit(ES_UPPERCASE);
  SendMessageA(upper, WM_CHAR, 'i', 0);
  SendMessageA(upper, WM_CHAR, 0xFD, 0); // dotless i
  EXPECT_EQ(Text(upper), "\xDDI");
  SetWindowTextA(upper, "kept lower");
  EXPECT_EQ(Text(upper), "kept lower") << "program text is not re-cased";

  HWND limited = Edit(ES_AUTOHSCROLL);
  SendMessageA(limited, EM_LIMITTEXT, 3, 0);
  EXPECT_EQ(SendMessageA(limited, EM_GETLIMITTEXT, 0, 0), 3);
  SetFocus(limited);
  log.clear();
  Type("abcd");
  EXPECT_EQ(Text(limited), "abc");
  EXPECT_EQ(Notes().back(), EN_MAXTEXT);
  SendMessageA(limited, EM_LIMITTEXT, 0, 0);
  EXPECT_EQ(SendMessageA(limited, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

TEST_F(EditTest, AChangeHandlerMayResetTextAndSelectionInsideEnChange) {
  HWND e = Edit(ES_AUTOHSCROLL);
  bool inside = false;
  int calls = 0;
  overrides[top] = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_COMMAND || HIWORD(w) != EN_CHANGE || inside)
      return std::nullopt;
    ++calls;
    inside = true;
    std::string typed = Text(e);
    SetWindowTextA(e, (typed + "ara").c_str());
    SetSel(e, int(typed.size()), int(typed.size()) + 3);
    inside = false;
    return 0;
  };
  SetFocus(e);
  Type("k");
  EXPECT_EQ(Text(e), "kara");
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{1, 4}));
  // The next character replaces the completion, and the handler completes again.
  Type("o");
  EXPECT_EQ(Text(e), "koara");
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{2, 5}));
  EXPECT_EQ(calls, 2);
}

TEST_F(EditTest, CaretKeysMoveAndExtendBySpaceDelimitedWords) {
  HWND e = Edit(ES_AUTOHSCROLL, "one two  three", 300);
  SetFocus(e);
  struct Case {
    int from;
    int vk;
    bool shift, ctrl;
    std::pair<DWORD, DWORD> sel;
  };
  const Case cases[] = {
      {5, VK_HOME, false, false, {0, 0}}, {5, VK_END, false, false, {14, 14}},
      {0, VK_RIGHT, false, true, {4, 4}}, {4, VK_RIGHT, false, true, {9, 9}},
      {14, VK_LEFT, false, true, {9, 9}}, {9, VK_LEFT, false, true, {4, 4}},
      {5, VK_LEFT, true, false, {4, 5}},  {5, VK_RIGHT, true, true, {5, 9}},
      {5, VK_HOME, true, false, {0, 5}},  {14, VK_RIGHT, false, false, {14, 14}},
      {0, VK_LEFT, false, false, {0, 0}},
  };
  for (const Case& c : cases) {
    SetSel(e, c.from, c.from);
    Press(c.vk, c.shift, c.ctrl);
    EXPECT_EQ(Sel(e), c.sel) << "from " << c.from << " key " << c.vk << (c.shift ? " shift" : "")
                             << (c.ctrl ? " ctrl" : "");
  }
  EXPECT_EQ(Text(e), "one two  three");
}

TEST_F(EditTest, DeletionKeys) {
  struct Case {
    int selStart, selEnd;
    int vk;
    bool ctrl;
    std::string expected;
    DWORD caret;
  };
  const Case cases[] = {
      {3, 3, VK_BACK, false, "ab def", 2},  {3, 3, VK_DELETE, false, "abcdef", 3},
      {1, 5, VK_DELETE, false, "aef", 1},   {1, 5, VK_BACK, false, "aef", 1},
      {0, 0, VK_BACK, false, "abc def", 0}, {7, 7, VK_DELETE, false, "abc def", 7},
      {7, 7, VK_BACK, true, "abc ", 4},     {1, 1, VK_DELETE, true, "a", 1},
  };
  for (const Case& c : cases) {
    HWND e = Edit(ES_AUTOHSCROLL, "abc def");
    SetFocus(e);
    SetSel(e, c.selStart, c.selEnd);
    Press(c.vk, false, c.ctrl);
    EXPECT_EQ(Text(e), c.expected) << c.selStart << " key " << c.vk;
    EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{c.caret, c.caret}));
    DestroyWindow(e);
  }
}

TEST_F(EditTest, ClipboardKeysAndMessagesRoundTrip) {
  HWND e = Edit(ES_AUTOHSCROLL, "hello world", 200);
  SetFocus(e);
  SetSel(e, 0, 5);
  Press('C', false, true);
  EXPECT_EQ(Clip(), "hello");
  Press(VK_END);
  Press('V', false, true);
  EXPECT_EQ(Text(e), "hello worldhello");
  SetSel(e, 5, 11);
  Press('X', false, true);
  EXPECT_EQ(Text(e), "hellohello");
  EXPECT_EQ(Clip(), " world");
  SetSel(e, 0, 0);
  Press(VK_INSERT, true, false);
  EXPECT_EQ(Text(e), " worldhellohello");
  SetSel(e, 1, 6);
  Press(VK_INSERT, false, true);
  EXPECT_EQ(Clip(), "world");
  Press(VK_DELETE, true, false);
  EXPECT_EQ(Text(e), " hellohello");
  SetSel(e, 0, 1);
  SendMessageA(e, WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(e), "hellohello");

  // Pasting into a single line stops at the first line break and takes only the room left.
  platform::SetClipboardText(nullptr, "xyz\r\nsecond");
  SetWindowTextA(e, "abcd");
  SendMessageA(e, EM_LIMITTEXT, 5, 0);
  SetSel(e, 4, 4);
  log.clear();
  SendMessageA(e, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(e), "abcdx");
  EXPECT_EQ(Notes(), (std::vector<WORD>{EN_MAXTEXT, EN_UPDATE, EN_CHANGE}));

  HWND m = Edit(ES_MULTILINE | ES_AUTOVSCROLL, "", 200, 60, 8);
  SendMessageA(m, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(m), "xyz\r\nsecond");
  EXPECT_EQ(SendMessageA(m, EM_GETLINECOUNT, 0, 0), 2);
}

TEST_F(EditTest, ReadOnlyAndPasswordRefuseWhatTheyMust) {
  platform::SetClipboardText(nullptr, "clip");
  HWND e = Edit(ES_READONLY | ES_AUTOHSCROLL, "fixed");
  SetFocus(e);
  SetSel(e, 0, 5);
  Type("x");
  Press(VK_BACK);
  Press(VK_DELETE);
  SendMessageA(e, WM_PASTE, 0, 0);
  SendMessageA(e, WM_CLEAR, 0, 0);
  SendMessageA(e, WM_CUT, 0, 0);
  EXPECT_EQ(Text(e), "fixed");
  EXPECT_EQ(Clip(), "clip") << "cut does nothing in a read-only edit";
  SendMessageA(e, WM_COPY, 0, 0);
  EXPECT_EQ(Clip(), "fixed");
  SendMessageA(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("program"));
  EXPECT_EQ(Text(e), "program") << "the program still edits a read-only edit";
  SendMessageA(e, EM_SETREADONLY, FALSE, 0);
  EXPECT_FALSE(GetWindowLongA(e, GWL_STYLE) & ES_READONLY);
  Type("x");
  EXPECT_EQ(Text(e), "programx");

  HWND p = Edit(ES_PASSWORD | ES_AUTOHSCROLL, "secret");
  EXPECT_EQ(SendMessageA(p, EM_GETPASSWORDCHAR, 0, 0), '*');
  SetSel(p, 0, -1);
  SendMessageA(p, WM_COPY, 0, 0);
  SendMessageA(p, WM_CUT, 0, 0);
  EXPECT_EQ(Clip(), "fixed");
  EXPECT_EQ(Text(p), "secret");
  SendMessageA(p, EM_SETPASSWORDCHAR, 0, 0);
  EXPECT_FALSE(GetWindowLongA(p, GWL_STYLE) & ES_PASSWORD);
  SendMessageA(p, WM_COPY, 0, 0);
  EXPECT_EQ(Clip(), "secret");
  SetWindowLongA(p, GWL_STYLE, GetWindowLongA(p, GWL_STYLE) | ES_PASSWORD);
  EXPECT_EQ(SendMessageA(p, EM_GETPASSWORDCHAR, 0, 0), '*') << "the style alone brings the default mask";
}

WNDPROC original = nullptr;
std::vector<UINT> seen;
LRESULT CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPY || msg == WM_CUT || msg == WM_PASTE || msg == WM_CLEAR || msg == WM_UNDO) {
    seen.push_back(msg);
    if (msg == WM_PASTE)
      return 0; // the subclass takes the paste over
  }
  return CallWindowProcA(original, hwnd, msg, wParam, lParam);
}

TEST_F(EditTest, ClipboardKeysGoThroughTheWindowProcedureSoASubclassSeesThem) {
  platform::SetClipboardText(nullptr, "zz");
  HWND e = Edit(ES_AUTOHSCROLL, "abc");
  seen.clear();
  original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(e, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  SetFocus(e);
  SetSel(e, 0, 1);
  Press('C', false, true);
  Press('V', false, true);
  Press(VK_INSERT, true, false);
  Press('X', false, true);
  Press('Z', false, true);
  Press(VK_DELETE, true, false);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_COPY, WM_PASTE, WM_PASTE, WM_CUT, WM_UNDO, WM_CUT}));
  EXPECT_EQ(Text(e), "bc");
}

TEST_F(EditTest, OneLevelOfUndoThatRedoesWhenRepeated) {
  HWND e = Edit(ES_AUTOHSCROLL, "start");
  SetFocus(e);
  EXPECT_EQ(SendMessageA(e, EM_CANUNDO, 0, 0), 0);
  Press(VK_END);
  Type("abc");
  SetSel(e, 0, 0); // moving the selection keeps the record
  EXPECT_EQ(SendMessageA(e, EM_CANUNDO, 0, 0), 1);
  Press('Z', false, true);
  EXPECT_EQ(Text(e), "start") << "consecutive typing undoes as one";
  Press('Z', false, true);
  EXPECT_EQ(Text(e), "startabc") << "undoing the undo redoes";
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{5, 8}));

  SetSel(e, 8, 8);
  Press(VK_BACK);
  Press(VK_BACK);
  EXPECT_EQ(Text(e), "starta");
  SendMessageA(e, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(e), "startabc") << "adjacent deletions undo as one";

  SetSel(e, 0, 5);
  SendMessageA(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("end"));
  EXPECT_EQ(Text(e), "endabc");
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{3, 3}));
  SendMessageA(e, WM_UNDO, 0, 0);
  EXPECT_EQ(Text(e), "startabc");
  SendMessageA(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("!"));
  EXPECT_EQ(SendMessageA(e, EM_CANUNDO, 0, 0), 0) << "a replacement that cannot be undone empties undo";
  Type("q");
  SendMessageA(e, WM_SYSKEYDOWN, VK_BACK, 0);
  EXPECT_EQ(Text(e), "!abc") << "Alt+Backspace undoes the typed q";
  SendMessageA(e, EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_EQ(SendMessageA(e, EM_UNDO, 0, 0), 0);
}

TEST_F(EditTest, DialogCodesAndColourMessages) {
  HWND single = Edit();
  HWND multi = Edit(ES_MULTILINE, "", 100, 40, 8);
  EXPECT_EQ(SendMessageA(single, WM_GETDLGCODE, 0, 0), DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS);
  EXPECT_EQ(SendMessageA(multi, WM_GETDLGCODE, 0, 0),
            DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTALLKEYS);

  struct Case {
    DWORD style;
    bool enabled;
    UINT expected;
  };
  const Case cases[] = {
      {0, true, WM_CTLCOLOREDIT}, {ES_READONLY, true, WM_CTLCOLORSTATIC}, {0, false, WM_CTLCOLORSTATIC}};
  for (const Case& c : cases) {
    HWND e = Edit(c.style, "x");
    EnableWindow(e, c.enabled);
    log.clear();
    InvalidateRect(e, nullptr, TRUE);
    UpdateWindow(e);
    auto colour = Seq({WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC});
    ASSERT_EQ(colour.size(), 1u);
    EXPECT_EQ(colour[0], (std::pair<HWND, UINT>{top, c.expected}));
    EXPECT_EQ(HWND(Only(c.expected)[0].lParam), e);
    DestroyWindow(e);
  }
}

TEST_F(EditTest, FocusShowsTheCaretAndNotifies) {
  HWND e = Edit(0, "abc");
  SetSel(e, 2, 2);
  log.clear();
  SetFocus(e);
  EXPECT_EQ(Notes(), (std::vector<WORD>{EN_SETFOCUS}));
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{2, 2})) << "focus leaves the selection alone";
  POINT caret{};
  GetCaretPos(&caret);
  EXPECT_EQ(caret.x, 12);
  EXPECT_EQ(caret.y, 0);
  log.clear();
  SetFocus(top);
  EXPECT_EQ(Notes(), (std::vector<WORD>{EN_KILLFOCUS}));
}

// A parent may destroy the edit from any notification; the edit must not touch itself afterwards.
TEST_F(EditTest, AParentThatDestroysTheEditInsideANotificationIsSafe) {
  struct Case {
    WORD code;
    std::function<void(HWND)> act;
  };
  const Case cases[] = {
      {EN_CHANGE, [](HWND e) { SendMessageA(e, WM_CHAR, 'a', 0); }},
      {EN_UPDATE, [](HWND e) { SendMessageA(e, WM_CHAR, 'a', 0); }},
      {EN_MAXTEXT,
       [](HWND e) {
         SendMessageA(e, EM_LIMITTEXT, 1, 0);
         platform::SetClipboardText(nullptr, "abc");
         SendMessageA(e, WM_PASTE, 0, 0);
       }},
      {EN_HSCROLL,
       [](HWND e) {
         SetWindowTextA(e, "a long text that does not fit in the narrow window at all");
         SendMessageA(e, WM_KEYDOWN, VK_END, 0);
       }},
      {EN_VSCROLL, [](HWND e) { SendMessageA(e, WM_KEYDOWN, VK_NEXT, 0); }},
      {EN_SETFOCUS, [](HWND e) { SetFocus(e); }},
  };
  for (const Case& c : cases) {
    std::string lines;
    for (int i = 0; i < 30; ++i)
      lines += "line\r\n";
    HWND e = c.code == EN_VSCROLL ? Edit(ES_MULTILINE | ES_AUTOVSCROLL, lines.c_str(), 60, 40)
                                  : Edit(ES_AUTOHSCROLL, "", 60);
    overrides[top] = [code = c.code](HWND, UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
      if (m == WM_COMMAND && HIWORD(w) == code)
        DestroyWindow(reinterpret_cast<HWND>(l));
      return std::nullopt;
    };
    c.act(e);
    EXPECT_FALSE(IsWindow(e)) << "notification " << c.code;
    overrides.clear();
  }
}

} // namespace
