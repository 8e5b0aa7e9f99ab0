// The SDL backend on SDL's dummy video driver: events pushed into SDL's queue must reach the window
// manager as the messages a user's input makes, and the clipboard must go through SDL's.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/backend/sdl/SdlBackend.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Win.h"

namespace {

struct Seen {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> seen;

LRESULT Record(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR || msg == WM_LBUTTONDOWN ||
      msg == WM_LBUTTONUP || msg == WM_MOUSEWHEEL || msg == WM_CLOSE)
    seen.push_back(Seen{msg, wParam, lParam});
  if (msg == WM_CLOSE)
    return 0;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class SdlBackendTest : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    platform::ResetWindowManager();
    platform::ResetSettings();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    backend = std::make_unique<platform::SdlBackend>();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Record;
    wc.lpszClassName = "SdlRec";
    RegisterClassA(&wc);
    top = CreateWindowExA(0, "SdlRec", "top", WS_POPUP | WS_VISIBLE, 100, 50, 200, 100, nullptr, nullptr,
                          nullptr, nullptr);
    SetFocus(top);
    platform::PumpMessages();
    seen.clear();
  }
  void TearDown() override {
    platform::ResetWindowManager();
    platform::ResetClipboard();
    backend.reset();
    seen.clear();
  }

  static void PushKey(SDL_Keycode key, bool down, Uint16 mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
  }
  static void PushText(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
    SDL_PushEvent(&e);
  }
  std::vector<UINT> Messages() const {
    std::vector<UINT> out;
    for (auto& s : seen)
      out.push_back(s.msg);
    return out;
  }

  std::unique_ptr<platform::SdlBackend> backend;
  HWND top = nullptr;
};

TEST_F(SdlBackendTest, ShowsEachTopLevelWindowAsAnSdlWindow) {
  SDL_Window* window = backend->WindowOf(top);
  ASSERT_NE(window, nullptr);
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(window, &x, &y);
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(std::vector<int>({x, y, w, h}), std::vector<int>({100, 50, 200, 100}));
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN);
  SetWindowPos(top, nullptr, 120, 60, 150, 80, SWP_NOZORDER | SWP_NOACTIVATE);
  SDL_GetWindowPosition(window, &x, &y);
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(std::vector<int>({x, y, w, h}), std::vector<int>({120, 60, 150, 80}));
  ShowWindow(top, SW_HIDE);
  EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN);
  HWND child =
      CreateWindowExA(0, "SdlRec", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
  EXPECT_EQ(backend->WindowOf(child), nullptr);
  DestroyWindow(top);
  EXPECT_EQ(backend->WindowOf(top), nullptr);
}

TEST_F(SdlBackendTest, TypedTextArrivesInTheCodePageAndKeysAsVirtualKeys) {
  PushKey(SDLK_a, true);
  PushText("a");
  PushKey(SDLK_a, false);
  PushText("\xC5\x9F\xC4\xB1"); // ş ı as UTF-8
  PushKey(SDLK_RETURN, true);
  PushKey(SDLK_LCTRL, true, KMOD_LCTRL);
  PushKey(SDLK_v, true, KMOD_LCTRL);
  PushKey(SDLK_v, false, KMOD_LCTRL);
  PushKey(SDLK_LCTRL, false);
  PushKey(SDLK_F12, true);
  platform::PumpMessages();
  struct Expected {
    UINT msg;
    WPARAM wParam;
  };
  const Expected expected[] = {
      {WM_KEYDOWN, 'A'},    {WM_CHAR, 'a'},          {WM_KEYUP, 'A'}, {WM_CHAR, 0xFE},
      {WM_CHAR, 0xFD},      {WM_KEYDOWN, VK_RETURN}, {WM_CHAR, '\r'}, {WM_KEYDOWN, VK_CONTROL},
      {WM_KEYDOWN, 'V'},    {WM_CHAR, 22},           {WM_KEYUP, 'V'}, {WM_KEYUP, VK_CONTROL},
      {WM_KEYDOWN, VK_F12},
  };
  ASSERT_EQ(seen.size(), std::size(expected));
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].msg, expected[i].msg) << i;
    EXPECT_EQ(seen[i].wParam, expected[i].wParam) << i;
  }
}

TEST_F(SdlBackendTest, MouseAndWheelInWindowCoordinatesBecomeClientMessages) {
  Uint32 id = SDL_GetWindowID(backend->WindowOf(top));
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = id;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 30;
  e.button.y = 20;
  SDL_PushEvent(&e);
  e.type = SDL_MOUSEBUTTONUP;
  SDL_PushEvent(&e);
  SDL_Event w{};
  w.type = SDL_MOUSEWHEEL;
  w.wheel.windowID = id;
  w.wheel.y = -1;
  SDL_PushEvent(&w);
  SDL_Event c{};
  c.type = SDL_WINDOWEVENT;
  c.window.windowID = id;
  c.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&c);
  platform::PumpMessages();
  // The desktop's close comes after the input that came before it.
  ASSERT_EQ(Messages(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEWHEEL, WM_CLOSE}));
  EXPECT_EQ(GET_X_LPARAM(seen[0].lParam), 30);
  EXPECT_EQ(GET_Y_LPARAM(seen[0].lParam), 20);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(seen[2].wParam), -120);
}

TEST_F(SdlBackendTest, TheDesktopsCloseAndTheSessionsEndWaitForTheKeysTypedBeforeThem) {
  for (Uint32 ending : {Uint32(SDL_WINDOWEVENT), Uint32(SDL_QUIT)}) {
    seen.clear();
    for (auto [key, text] : {std::pair{SDLK_d, "d"}, std::pair{SDLK_i, "i"}}) {
      PushKey(key, true);
      PushText(text);
      PushKey(key, false);
    }
    SDL_Event e{};
    e.type = ending;
    e.window.windowID = SDL_GetWindowID(backend->WindowOf(top));
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    // Keys are taken one at a time; the request must still be behind the last of them.
    MSG msg{};
    std::vector<UINT> taken;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
      taken.push_back(msg.message);
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (msg.message == WM_CLOSE)
        break;
    }
    std::vector<UINT> keys{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP};
    if (ending == SDL_QUIT) {
      EXPECT_EQ(msg.message, UINT(WM_QUIT));
      EXPECT_EQ(taken, keys);
    } else {
      keys.push_back(WM_CLOSE);
      EXPECT_EQ(taken, keys);
    }
    std::string typed;
    for (auto& s : seen)
      if (s.msg == WM_CHAR)
        typed += char(s.wParam);
    EXPECT_EQ(typed, "di") << (ending == SDL_QUIT ? "quit" : "close");
  }
}

TEST_F(SdlBackendTest, ClipboardGoesThroughTheDesktop) {
  SDL_SetClipboardText("masa \xC3\xA7\x61y"); // "masa çay"
  EXPECT_EQ(platform::GetClipboardText(top).value_or("<none>"), "masa \xE7\x61y");
  ASSERT_TRUE(platform::SetClipboardText(top, "\xFE\x65ker")); // "şeker"
  char* text = SDL_GetClipboardText();
  EXPECT_STREQ(text, "\xC5\x9F\x65ker");
  SDL_free(text);
}

TEST(DisplayChoiceTest, HeadlessWithoutADisplaySdlWithOne) {
  platform::ResetWindowManager();
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  {
    auto backend = platform::CreateDisplayBackend();
    EXPECT_NE(dynamic_cast<platform::HeadlessBackend*>(backend.get()), nullptr);
    EXPECT_EQ(platform::CurrentBackend(), backend.get());
  }
  setenv("DISPLAY", ":pretend", 1);
  {
    auto backend = platform::CreateDisplayBackend();
    EXPECT_NE(dynamic_cast<platform::SdlBackend*>(backend.get()), nullptr);
    EXPECT_EQ(platform::CurrentBackend(), backend.get());
  }
  unsetenv("DISPLAY");
  platform::ResetWindowManager();
}

} // namespace

namespace {

void PushWindowEvent(HWND hwnd, platform::SdlBackend& backend, Uint8 event) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = SDL_GetWindowID(backend.WindowOf(hwnd));
  e.window.event = event;
  SDL_PushEvent(&e);
}

int appDeactivations = 0;

LRESULT CountAppDeactivation(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ACTIVATEAPP && !wParam)
    ++appDeactivations;
  return Record(hwnd, msg, wParam, lParam);
}

TEST_F(SdlBackendTest, LosingTheDesktopFocusDeactivatesTheApplication) {
  HWND other = CreateWindowExA(0, "SdlRec", "other", WS_POPUP | WS_VISIBLE, 400, 50, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
  SetActiveWindow(top);
  platform::PumpMessages();
  ASSERT_EQ(GetActiveWindow(), top);
  SetWindowLongPtrA(top, GWLP_WNDPROC, LONG_PTR(&CountAppDeactivation));
  SetWindowLongPtrA(other, GWLP_WNDPROC, LONG_PTR(&CountAppDeactivation));
  appDeactivations = 0;
  // Focus moving to another window of the program is no loss of activation.
  PushWindowEvent(top, *backend, SDL_WINDOWEVENT_FOCUS_LOST);
  PushWindowEvent(other, *backend, SDL_WINDOWEVENT_FOCUS_GAINED);
  platform::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), other);
  EXPECT_EQ(appDeactivations, 0);
  PushWindowEvent(other, *backend, SDL_WINDOWEVENT_FOCUS_LOST);
  platform::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_GT(appDeactivations, 0);
}

TEST_F(SdlBackendTest, ThePointerLeavingEveryWindowParksTheCursorOffScreen) {
  HWND other = CreateWindowExA(0, "SdlRec", "other", WS_POPUP | WS_VISIBLE, 400, 50, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
  SetCursorPos(150, 80);
  PushWindowEvent(top, *backend, SDL_WINDOWEVENT_LEAVE);
  PushWindowEvent(other, *backend, SDL_WINDOWEVENT_ENTER);
  platform::PumpMessages();
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p, (POINT{150, 80})) << "it went into another window of the program";
  PushWindowEvent(other, *backend, SDL_WINDOWEVENT_LEAVE);
  platform::PumpMessages();
  GetCursorPos(&p);
  EXPECT_EQ(p, platform::OffScreenCursorPos);
  EXPECT_EQ(WindowFromPoint(p), nullptr);
}

} // namespace
