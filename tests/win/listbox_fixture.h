#pragma once
// List boxes on a recording parent, with the test font (13-pixel rows, 6-pixel characters), input through
// the message loop.
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/win/ListBox.h"
#include "win_fixture.h"

class ListBoxTest : public WinTest {
protected:
  HWND top = nullptr;
  HFONT font = nullptr;
  static constexpr int kRow = 13;
  // The list's window is at (10,10) of the parent and has no border, so client and parent points differ
  // by 10.
  static constexpr int kOrigin = 10;

  void SetUp() override {
    WinTest::SetUp();
    font = CreateFontA(kRow, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TestFontFace);
    top = Top(0, 0, 400, 300);
  }
  void TearDown() override {
    WinTest::TearDown();
    DeleteObject(font);
  }

  HWND List(DWORD style, int height = 5 * kRow, int width = 120, int id = 7) {
    HWND h = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | LBS_NOINTEGRALHEIGHT | style, kOrigin,
                             kOrigin, width, height, top, reinterpret_cast<HMENU>(std::intptr_t(id)), nullptr,
                             nullptr);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return h;
  }
  static LRESULT Add(HWND h, const char* s) {
    return SendMessageA(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  }
  static void AddAll(HWND h, const std::vector<std::string>& items) {
    for (auto& s : items)
      Add(h, s.c_str());
  }
  static std::string Item(HWND h, int i) {
    LRESULT n = SendMessageA(h, LB_GETTEXTLEN, WPARAM(i), 0);
    if (n < 0)
      return "<err>";
    std::string s(std::size_t(n) + 1, '\0');
    s.resize(std::size_t(SendMessageA(h, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(s.data()))));
    return s;
  }
  static std::vector<std::string> Items(HWND h) {
    std::vector<std::string> out;
    for (int i = 0; i < int(SendMessageA(h, LB_GETCOUNT, 0, 0)); ++i)
      out.push_back(Item(h, i));
    return out;
  }
  static LRESULT Find(HWND h, int start, const char* s, bool exact = true) {
    return SendMessageA(h, exact ? LB_FINDSTRINGEXACT : LB_FINDSTRING, WPARAM(start),
                        reinterpret_cast<LPARAM>(s));
  }
  static int CurSel(HWND h) { return int(SendMessageA(h, LB_GETCURSEL, 0, 0)); }
  static int TopIndex(HWND h) { return int(SendMessageA(h, LB_GETTOPINDEX, 0, 0)); }
  static std::vector<int> SelItems(HWND h) {
    std::vector<int> out(64);
    auto n = SendMessageA(h, LB_GETSELITEMS, out.size(), reinterpret_cast<LPARAM>(out.data()));
    out.resize(n < 0 ? 0 : std::size_t(n));
    return out;
  }

  static void Press(int vk, bool shift = false, bool ctrl = false) {
    if (shift)
      platform::InjectKey(VK_SHIFT, true);
    if (ctrl)
      platform::InjectKey(VK_CONTROL, true);
    platform::InjectKey(vk, true);
    platform::InjectKey(vk, false);
    if (ctrl)
      platform::InjectKey(VK_CONTROL, false);
    if (shift)
      platform::InjectKey(VK_SHIFT, false);
    platform::PumpMessages();
  }
  static void Char(char c) {
    platform::InjectChar(BYTE(c));
    platform::PumpMessages();
  }
  // A click on row `row` of the list (client coordinates inside the first column).
  static void ClickRow(int row, bool shift = false, bool ctrl = false) {
    if (shift)
      platform::InjectKey(VK_SHIFT, true);
    if (ctrl)
      platform::InjectKey(VK_CONTROL, true);
    int y = kOrigin + row * kRow + 5;
    platform::InjectMouseButton(platform::MouseButton::Left, true, kOrigin + 20, y);
    platform::InjectMouseButton(platform::MouseButton::Left, false, kOrigin + 20, y);
    if (ctrl)
      platform::InjectKey(VK_CONTROL, false);
    if (shift)
      platform::InjectKey(VK_SHIFT, false);
    platform::PumpMessages();
    platform::Clock::AdvanceTime(2000); // no double click with the next one
  }

  // The list-box notification codes the parent received, in order.
  static std::vector<WORD> Notes() {
    std::vector<WORD> out;
    for (auto& l : log)
      if (l.msg == WM_COMMAND)
        out.push_back(HIWORD(l.wParam));
    return out;
  }
  static std::vector<WORD> SelNotes() {
    std::vector<WORD> out;
    for (WORD n : Notes())
      if (n == LBN_SELCHANGE || n == LBN_DBLCLK)
        out.push_back(n);
    return out;
  }
};
