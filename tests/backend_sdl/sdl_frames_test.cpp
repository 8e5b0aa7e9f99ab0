// Frames on SDL's dummy video driver: what the desktop asks to see again (an uncovered window, one shown
// again) goes with the next frame of the input being handled instead of as a frame of its own, so the screen
// never gets the pixels of a batch half painted.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/backend/sdl/SdlBackend.h"
#include "platform/gdi/Fill.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Win.h"

namespace {

constexpr COLORREF Painted = RGB(200, 30, 40);

class CountingSdlBackend : public platform::SdlBackend {
public:
  std::vector<RECT> presented;
  void Present(HWND hwnd, const RECT& dirty) override {
    presented.push_back(dirty);
    SdlBackend::Present(hwnd, dirty);
  }
};

LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CHAR) {
    RECT corner{0, 0, 10, 10};
    InvalidateRect(hwnd, &corner, TRUE);
    return 0;
  }
  if (msg == WM_ERASEBKGND) {
    RECT client{};
    GetClientRect(hwnd, &client);
    HBRUSH brush = CreateSolidBrush(Painted);
    FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
    DeleteObject(brush);
    return 1;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class SdlFramesTest : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    platform::ResetWindowManager();
    platform::ResetSettings();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    backend = std::make_unique<CountingSdlBackend>();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "SdlFrames";
    RegisterClassA(&wc);
    top = CreateWindowExA(0, "SdlFrames", "top", WS_POPUP | WS_VISIBLE, 100, 50, 200, 100, nullptr, nullptr,
                          nullptr, nullptr);
    SetFocus(top);
    platform::PumpMessages();
    backend->presented.clear();
  }
  void TearDown() override {
    platform::ResetWindowManager();
    platform::ResetClipboard();
    backend.reset();
  }

  void PushExposed() const {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(backend->WindowOf(top));
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    SDL_PushEvent(&e);
  }
  static void PushKey(SDL_Keycode key, const char* text) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    SDL_PushEvent(&e);
    SDL_Event t{};
    t.type = SDL_TEXTINPUT;
    SDL_strlcpy(t.text.text, text, sizeof t.text.text);
    SDL_PushEvent(&t);
    e.type = SDL_KEYUP;
    SDL_PushEvent(&e);
  }

  std::unique_ptr<CountingSdlBackend> backend;
  HWND top = nullptr;
};

TEST_F(SdlFramesTest, WhatTheDesktopAsksToSeeAgainGoesWithTheNextFrame) {
  struct Case {
    std::string name;
    std::function<void()> act;
  };
  const Case cases[] = {
      {"uncovered while a key is typed",
       [this] {
         PushExposed();
         PushKey(SDLK_a, "a");
       }},
      {"shown again",
       [this] {
         ShowWindow(top, SW_HIDE);
         ShowWindow(top, SW_SHOWNA);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    backend->presented.clear();
    c.act();
    platform::PumpMessages();
    EXPECT_EQ(backend->presented.size(), 1u);
    if (backend->presented.empty())
      continue;
    EXPECT_EQ(backend->presented.back(), (RECT{0, 0, 200, 100}));
    SDL_Surface* shown = SDL_GetWindowSurface(backend->WindowOf(top));
    ASSERT_NE(shown, nullptr);
    Uint8 r = 0, g = 0, b = 0;
    SDL_LockSurface(shown);
    const auto* row = static_cast<const Uint8*>(shown->pixels) + 50 * shown->pitch;
    SDL_GetRGB(reinterpret_cast<const Uint32*>(row)[150], shown->format, &r, &g, &b);
    SDL_UnlockSurface(shown);
    EXPECT_EQ(RGB(r, g, b), Painted);
  }
}

} // namespace
