#pragma once
// Edit windows on a recording parent, with the test font, keys typed through the message loop and a
// clipboard emptied before every test.
#include <string>
#include <utility>

#include "platform/gdi/Gdi.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Edit.h"
#include "win_fixture.h"

class EditTest : public WinTest {
protected:
  HWND top = nullptr;
  HFONT font = nullptr;

  void SetUp() override {
    WinTest::SetUp();
    platform::ResetClipboard();
    font = CreateFontA(13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TestFontFace);
    top = Top(0, 0, 400, 300);
  }
  void TearDown() override {
    WinTest::TearDown();
    platform::ResetClipboard();
    DeleteObject(font);
  }

  // An edit at (10,10) in the parent, `width` by `height`, with the test font: characters 6 pixels wide
  // ('i', 'l' and punctuation 3, 'M' and 'W' 9), lines 13 pixels high.
  HWND Edit(DWORD style = 0, const char* text = "", int width = 120, int height = 20, int id = 7) {
    HWND e = CreateWindowExA(0, "EDIT", text, WS_CHILD | WS_VISIBLE | style, 10, 10, width, height, top,
                             reinterpret_cast<HMENU>(std::intptr_t(id)), nullptr, nullptr);
    SendMessageA(e, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return e;
  }

  static std::string Text(HWND e) {
    std::string s(size_t(GetWindowTextLengthA(e)) + 1, '\0');
    s.resize(size_t(GetWindowTextA(e, s.data(), int(s.size()))));
    return s;
  }
  static std::pair<DWORD, DWORD> Sel(HWND e) {
    DWORD a = 0, b = 0;
    SendMessageA(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
  }
  static void SetSel(HWND e, int a, int b) { SendMessageA(e, EM_SETSEL, WPARAM(DWORD(a)), LPARAM(b)); }

  // Keys through the queue, so that TranslateMessage makes the characters as for a user.
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
  static void Type(const std::string& s) {
    for (char c : s) {
      if (c >= 'a' && c <= 'z')
        Press(std::toupper(static_cast<unsigned char>(c)));
      else if (c >= 'A' && c <= 'Z')
        Press(c, true);
      else if (c == ' ' || (c >= '0' && c <= '9'))
        Press(c);
      else
        ADD_FAILURE() << "no key for " << c;
    }
  }
  static void Click(int x, int y, bool shift = false) {
    if (shift)
      platform::InjectKey(VK_SHIFT, true);
    platform::InjectMouseButton(platform::MouseButton::Left, true, x, y);
    platform::InjectMouseButton(platform::MouseButton::Left, false, x, y);
    if (shift)
      platform::InjectKey(VK_SHIFT, false);
    platform::PumpMessages();
  }

  // The notification codes the parent received from edits, in order.
  static std::vector<WORD> Notes() {
    std::vector<WORD> out;
    for (auto& l : log)
      if (l.msg == WM_COMMAND)
        out.push_back(HIWORD(l.wParam));
    return out;
  }

  static std::string Clip() { return platform::GetClipboardText(nullptr).value_or("<none>"); }
};
