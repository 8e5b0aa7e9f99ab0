// Windows with a caption on SDL's dummy video driver: the desktop frames them, so their SDL window shows the
// client area alone, and what the desktop does to the window (move, resize, minimise, restore, activate,
// close) must reach the window manager as the platform's own messages and state.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/backend/sdl/SdlBackend.h"
#include "platform/gdi/Fill.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Win.h"

namespace {
enum class Asked { Minimise, Restore };
std::vector<Asked> asked;
} // namespace

// The dummy driver ignores minimise and restore; standing in for the desktop, these keep what the backend
// asks of it instead.
void SDL_MinimizeWindow(SDL_Window*) {
  asked.push_back(Asked::Minimise);
}
void SDL_RestoreWindow(SDL_Window*) {
  asked.push_back(Asked::Restore);
}

namespace {

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> seen;

constexpr COLORREF ClientColour = RGB(200, 30, 40);

// Keeps what each frame handed to the display covered.
class CountingSdlBackend : public platform::SdlBackend {
public:
  std::vector<RECT> presented;
  void Present(HWND hwnd, const RECT& dirty) override {
    presented.push_back(dirty);
    SdlBackend::Present(hwnd, dirty);
  }
};

LRESULT Record(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_MOVE:
  case WM_SIZE:
  case WM_ACTIVATE:
  case WM_SETFOCUS:
  case WM_CLOSE:
  case WM_LBUTTONDOWN:
  case WM_CHAR:
    seen.push_back(Seen{hwnd, msg, wParam, lParam});
    break;
  default:
    break;
  }
  if (msg == WM_CLOSE)
    return 0;
  if (msg == WM_ERASEBKGND) {
    RECT client{};
    GetClientRect(hwnd, &client);
    HBRUSH brush = CreateSolidBrush(ClientColour);
    FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
    DeleteObject(brush);
    return 1;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class SdlDesktopTest : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    platform::ResetWindowManager();
    platform::ResetSettings();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    backend = std::make_unique<CountingSdlBackend>();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Record;
    wc.lpszClassName = "SdlDesk";
    RegisterClassA(&wc);
    framed = Make(WS_OVERLAPPEDWINDOW, 100, 50, 300, 200);
    platform::PumpMessages();
    seen.clear();
    asked.clear();
  }
  void TearDown() override {
    platform::ResetWindowManager();
    platform::ResetClipboard();
    backend.reset();
    seen.clear();
    asked.clear();
  }

  static HWND Make(DWORD style, int x, int y, int w, int h) {
    return CreateWindowExA(0, "SdlDesk", "Ombesi Pelv\xF6r", style | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                           nullptr, nullptr);
  }
  static RECT ClientOnScreen(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    return RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  }
  static RECT SdlRect(SDL_Window* window) {
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &w, &h);
    return RECT{x, y, x + w, y + h};
  }
  void PushWindowEvent(HWND hwnd, Uint8 event, int data1 = 0, int data2 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(backend->WindowOf(hwnd));
    e.window.event = event;
    e.window.data1 = data1;
    e.window.data2 = data2;
    SDL_PushEvent(&e);
  }
  static std::vector<Seen> Only(UINT msg) {
    std::vector<Seen> out;
    for (const Seen& s : seen)
      if (s.msg == msg)
        out.push_back(s);
    return out;
  }

  std::unique_ptr<CountingSdlBackend> backend;
  HWND framed = nullptr;
};

::testing::AssertionResult SameRect(const RECT& a, const RECT& b) {
  if (EqualRect(&a, &b))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "(" << a.left << "," << a.top << ")-(" << a.right << "," << a.bottom << ") is not (" << b.left
         << "," << b.top << ")-(" << b.right << "," << b.bottom << ")";
}

TEST_F(SdlDesktopTest, OnlyCaptionedTopLevelWindowsAreFramedByTheDesktop) {
  struct Case {
    DWORD style;
    bool desktopFrame;
  };
  const Case cases[] = {
      {WS_OVERLAPPEDWINDOW, true},   {WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, true},
      {WS_POPUP | WS_CAPTION, true}, {WS_POPUP, false},
      {WS_POPUP | WS_BORDER, false}, {WS_POPUP | WS_DLGFRAME, false},
  };
  for (const Case& c : cases) {
    HWND hwnd = Make(c.style, 40, 30, 200, 150);
    SDL_Window* window = backend->WindowOf(hwnd);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(backend->HasDesktopFrame(hwnd), c.desktopFrame) << std::hex << c.style;
    EXPECT_EQ((SDL_GetWindowFlags(window) & SDL_WINDOW_BORDERLESS) == 0, c.desktopFrame)
        << std::hex << c.style;
    // Only a thick frame lets the desktop resize the window.
    EXPECT_EQ((SDL_GetWindowFlags(window) & SDL_WINDOW_RESIZABLE) != 0, (c.style & WS_THICKFRAME) != 0);
    RECT whole{};
    GetWindowRect(hwnd, &whole);
    EXPECT_TRUE(SameRect(SdlRect(window), c.desktopFrame ? ClientOnScreen(hwnd) : whole))
        << std::hex << c.style;
    DestroyWindow(hwnd);
  }
}

// What the desktop asks to see again goes with the frame that ends the batch being handled, not as a frame
// of its own that could show the batch half painted.
TEST_F(SdlDesktopTest, AnUncoveredOrReshownWindowGoesWholeWithTheNextFrame) {
  struct Case {
    const char* name;
    std::function<void()> act;
  };
  const Case cases[] = {
      {"uncovered while a change waits to be painted",
       [this] {
         PushWindowEvent(framed, SDL_WINDOWEVENT_EXPOSED);
         InvalidateRect(framed, nullptr, TRUE);
       }},
      {"shown again",
       [this] {
         ShowWindow(framed, SW_HIDE);
         ShowWindow(framed, SW_SHOWNA);
       }},
  };
  RECT whole{};
  GetWindowRect(framed, &whole);
  OffsetRect(&whole, -whole.left, -whole.top);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    backend->presented.clear();
    c.act();
    platform::PumpMessages();
    EXPECT_EQ(backend->presented.size(), 1u);
    if (backend->presented.empty())
      continue;
    EXPECT_TRUE(SameRect(backend->presented.back(), whole));
    SDL_Surface* shown = SDL_GetWindowSurface(backend->WindowOf(framed));
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(SDL_LockSurface(shown), 0);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(static_cast<Uint32*>(shown->pixels)[(shown->h / 2) * (shown->pitch / 4) + shown->w / 2],
               shown->format, &r, &g, &b);
    SDL_UnlockSurface(shown);
    EXPECT_EQ(RGB(r, g, b), ClientColour);
  }
}

TEST_F(SdlDesktopTest, TheTitleReachesTheDesktopAsUtf8) {
  EXPECT_STREQ(SDL_GetWindowTitle(backend->WindowOf(framed)), "Ombesi Pelv\xC3\xB6r");
}

TEST_F(SdlDesktopTest, TheSdlWindowShowsTheClientPixelsAndMapsTheMouseToTheClient) {
  SDL_Window* window = backend->WindowOf(framed);
  SDL_Surface* shown = SDL_GetWindowSurface(window);
  ASSERT_NE(shown, nullptr);
  RECT client{};
  GetClientRect(framed, &client);
  ASSERT_EQ(shown->w, client.right);
  ASSERT_EQ(shown->h, client.bottom);
  ASSERT_EQ(SDL_LockSurface(shown), 0);
  // The corners would be the platform's frame and caption if the whole window were shown.
  for (POINT p :
       {POINT{0, 0}, POINT{shown->w - 1, 0}, POINT{0, shown->h - 1}, POINT{shown->w - 1, shown->h - 1}}) {
    Uint32 pixel = static_cast<Uint32*>(shown->pixels)[p.y * (shown->pitch / 4) + p.x];
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(pixel, shown->format, &r, &g, &b);
    EXPECT_EQ(RGB(r, g, b), ClientColour) << p.x << "," << p.y;
  }
  SDL_UnlockSurface(shown);

  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = SDL_GetWindowID(window);
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 7;
  e.button.y = 9;
  SDL_PushEvent(&e);
  platform::PumpMessages();
  auto downs = Only(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].lParam, MAKELPARAM(7, 9));
}

TEST_F(SdlDesktopTest, AMoveByTheDesktopMovesTheWindowWithoutMovingItBack) {
  RECT window{}, client = ClientOnScreen(framed);
  GetWindowRect(framed, &window);
  SDL_SetWindowPosition(backend->WindowOf(framed), 321, 234); // where the desktop has put it
  PushWindowEvent(framed, SDL_WINDOWEVENT_MOVED, 321, 234);
  platform::PumpMessages();
  RECT moved{};
  GetWindowRect(framed, &moved);
  OffsetRect(&window, 321 - client.left, 234 - client.top);
  EXPECT_TRUE(SameRect(moved, window));
  EXPECT_EQ(ClientOnScreen(framed).left, 321);
  EXPECT_EQ(ClientOnScreen(framed).top, 234);
  auto moves = Only(WM_MOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].lParam, MAKELPARAM(321, 234));
  EXPECT_TRUE(Only(WM_SIZE).empty());
  EXPECT_TRUE(SameRect(SdlRect(backend->WindowOf(framed)), ClientOnScreen(framed)));

  // The same place again, as the desktop reports it once more after the move: nothing happens.
  seen.clear();
  PushWindowEvent(framed, SDL_WINDOWEVENT_MOVED, 321, 234);
  platform::PumpMessages();
  EXPECT_TRUE(seen.empty());
}

TEST_F(SdlDesktopTest, MovesAndResizesHandledLateAreFollowedWithoutBeingAskedOfTheDesktopAgain) {
  struct Case {
    Uint8 event;
    POINT first, last; //!< the desktop's two reports; SDL's window is at the last already
  };
  const Case cases[] = {
      {SDL_WINDOWEVENT_MOVED, {150, 90}, {260, 170}},
      {SDL_WINDOWEVENT_SIZE_CHANGED, {320, 240}, {360, 250}},
  };
  for (const Case& c : cases) {
    SDL_Window* window = backend->WindowOf(framed);
    if (c.event == SDL_WINDOWEVENT_MOVED)
      SDL_SetWindowPosition(window, c.last.x, c.last.y);
    else
      SDL_SetWindowSize(window, c.last.x, c.last.y);
    const RECT desktopHasIt = SdlRect(window);
    for (POINT report : {c.first, c.last}) {
      PushWindowEvent(framed, c.event, report.x, report.y);
      platform::PumpMessages();
      RECT client = ClientOnScreen(framed);
      if (c.event == SDL_WINDOWEVENT_MOVED)
        EXPECT_EQ(std::pair(int(client.left), int(client.top)), std::pair(int(report.x), int(report.y)));
      else
        EXPECT_EQ(std::pair(RectWidth(client), RectHeight(client)), std::pair(int(report.x), int(report.y)));
      EXPECT_TRUE(SameRect(SdlRect(window), desktopHasIt))
          << "after the report of " << report.x << "," << report.y;
    }
  }
}

TEST_F(SdlDesktopTest, AResizeByTheDesktopSizesTheClientArea) {
  SDL_SetWindowSize(backend->WindowOf(framed), 250, 140); // as the desktop has made it
  PushWindowEvent(framed, SDL_WINDOWEVENT_SIZE_CHANGED, 250, 140);
  platform::PumpMessages();
  RECT client{};
  GetClientRect(framed, &client);
  EXPECT_EQ(client.right, 250);
  EXPECT_EQ(client.bottom, 140);
  auto sizes = Only(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].wParam, WPARAM(SIZE_RESTORED));
  EXPECT_EQ(sizes[0].lParam, MAKELPARAM(250, 140));
  EXPECT_TRUE(SameRect(SdlRect(backend->WindowOf(framed)), ClientOnScreen(framed)));
}

TEST_F(SdlDesktopTest, MinimiseAndRestoreByTheDesktopBecomeTheShowStates) {
  HWND active = GetActiveWindow();
  PushWindowEvent(framed, SDL_WINDOWEVENT_MINIMIZED);
  platform::PumpMessages();
  EXPECT_TRUE(IsIconic(framed));
  EXPECT_TRUE(IsWindowVisible(framed));
  PushWindowEvent(framed, SDL_WINDOWEVENT_MINIMIZED);
  platform::PumpMessages();
  PushWindowEvent(framed, SDL_WINDOWEVENT_RESTORED);
  platform::PumpMessages();
  EXPECT_FALSE(IsIconic(framed));
  auto sizes = Only(WM_SIZE);
  ASSERT_EQ(sizes.size(), 2u); // the repeated minimise changes nothing
  EXPECT_EQ(sizes[0].wParam, WPARAM(SIZE_MINIMIZED));
  EXPECT_EQ(sizes[1].wParam, WPARAM(SIZE_RESTORED));
  // Neither gives nor takes activation: the desktop's focus events do that.
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_TRUE(Only(WM_ACTIVATE).empty());
}

TEST_F(SdlDesktopTest, ShowStatesHandledLateAreFollowedWithoutBeingAskedOfTheDesktopAgain) {
  HWND box = CreateWindowExA(0, "SdlDesk", "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, framed, nullptr,
                             nullptr, nullptr);
  SetFocus(box);
  seen.clear();
  // A busy program finds the desktop's minimise and restore queued together, with SDL's own state already
  // back to normal, and the keys typed into the restored window behind them.
  for (Uint8 event : {SDL_WINDOWEVENT_HIDDEN, SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_FOCUS_LOST,
                      SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_SHOWN, SDL_WINDOWEVENT_FOCUS_GAINED,
                      SDL_WINDOWEVENT_TAKE_FOCUS, SDL_WINDOWEVENT_EXPOSED})
    PushWindowEvent(framed, event);
  for (const char* text : {"e", "v"}) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = SDL_GetWindowID(backend->WindowOf(framed));
    SDL_strlcpy(e.text.text, text, sizeof e.text.text);
    SDL_PushEvent(&e);
  }
  platform::PumpMessages();
  EXPECT_TRUE(asked.empty()) << asked.size() << " requests, the first to "
                             << (asked.empty() || asked[0] == Asked::Minimise ? "minimise" : "restore");
  EXPECT_FALSE(IsIconic(framed));
  auto sizes = Only(WM_SIZE);
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0].wParam, WPARAM(SIZE_MINIMIZED));
  EXPECT_EQ(sizes[1].wParam, WPARAM(SIZE_RESTORED));
  EXPECT_EQ(GetFocus(), box);
  std::string typed;
  for (const Seen& s : Only(WM_CHAR))
    if (s.hwnd == box)
      typed += char(s.wParam);
  EXPECT_EQ(typed, "ev");
}

TEST_F(SdlDesktopTest, ShowStatesOfTheProgramsOwnAreAskedOfTheDesktopOnce) {
  struct Step {
    int show;                     //!< the program's own change, or 0 for the desktop's report of it
    Uint8 event;                  //!< what the desktop then reports
    std::vector<Asked> askedThen; //!< everything asked of the desktop so far
  };
  const Step steps[] = {
      {SW_MINIMIZE, SDL_WINDOWEVENT_MINIMIZED, {Asked::Minimise}},
      {SW_MINIMIZE, 0, {Asked::Minimise}},
      {SW_RESTORE, SDL_WINDOWEVENT_RESTORED, {Asked::Minimise, Asked::Restore}},
      {SW_SHOWNORMAL, 0, {Asked::Minimise, Asked::Restore}},
      {0, SDL_WINDOWEVENT_MINIMIZED, {Asked::Minimise, Asked::Restore}},
      {SW_RESTORE, 0, {Asked::Minimise, Asked::Restore, Asked::Restore}},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    if (steps[i].show)
      ShowWindow(framed, steps[i].show);
    if (steps[i].event) {
      PushWindowEvent(framed, steps[i].event);
      platform::PumpMessages();
    }
    EXPECT_EQ(asked, steps[i].askedThen) << "step " << i;
  }
  EXPECT_FALSE(IsIconic(framed));
}

TEST_F(SdlDesktopTest, ActivationByTheDesktopActivatesAndFocusesTheWindow) {
  HWND other = Make(WS_OVERLAPPEDWINDOW, 300, 300, 200, 100);
  platform::PumpMessages();
  ASSERT_EQ(GetActiveWindow(), other);
  seen.clear();
  PushWindowEvent(framed, SDL_WINDOWEVENT_FOCUS_GAINED);
  platform::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), framed);
  EXPECT_EQ(GetFocus(), framed);
  auto activations = Only(WM_ACTIVATE);
  ASSERT_EQ(activations.size(), 2u);
  EXPECT_EQ(activations[0].hwnd, other);
  EXPECT_EQ(LOWORD(activations[0].wParam), WA_INACTIVE);
  EXPECT_EQ(activations[1].hwnd, framed);
  EXPECT_EQ(LOWORD(activations[1].wParam), WA_ACTIVE);
  EXPECT_EQ(Only(WM_SETFOCUS).size(), 1u);
}

TEST_F(SdlDesktopTest, KeysTypedBeforeTheDesktopActivatesAnotherWindowStayWithTheirWindow) {
  HWND other = Make(WS_OVERLAPPEDWINDOW, 300, 300, 200, 100);
  SetActiveWindow(framed);
  platform::PumpMessages();
  seen.clear();
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = SDL_GetWindowID(backend->WindowOf(framed));
  SDL_strlcpy(e.text.text, "ka", sizeof e.text.text);
  SDL_PushEvent(&e);
  PushWindowEvent(framed, SDL_WINDOWEVENT_FOCUS_LOST);
  PushWindowEvent(other, SDL_WINDOWEVENT_FOCUS_GAINED);
  // The first key is taken before the activation comes; the second must still reach its window.
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageA(&msg);
  platform::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), other);
  std::string typed;
  for (const Seen& s : Only(WM_CHAR))
    typed += s.hwnd == framed ? char(s.wParam) : '?';
  EXPECT_EQ(typed, "ka");
}

TEST_F(SdlDesktopTest, CloseByTheDesktopIsAskedOfTheWindowAndDoesNotEndTheProgram) {
  PushWindowEvent(framed, SDL_WINDOWEVENT_CLOSE);
  platform::PumpMessages();
  ASSERT_EQ(Only(WM_CLOSE).size(), 1u);
  EXPECT_EQ(Only(WM_CLOSE)[0].hwnd, framed);
  EXPECT_TRUE(IsWindow(framed)); // the window refused, so it is still there
  // SDL would add its own quit event when the last window is closed; the window's answer must decide.
  EXPECT_FALSE(SDL_GetHintBoolean(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, SDL_TRUE));
}

TEST_F(SdlDesktopTest, AltF4TypedIntoTheWindowAsksItToClose) {
  // A desktop that keeps no shortcut of its own for closing passes the keys on.
  for (auto [key, down, mod] :
       {std::tuple{SDLK_LALT, true, KMOD_LALT}, std::tuple{SDLK_F4, true, KMOD_LALT},
        std::tuple{SDLK_F4, false, KMOD_LALT}, std::tuple{SDLK_LALT, false, KMOD_NONE}}) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = SDL_GetWindowID(backend->WindowOf(framed));
    e.key.keysym.sym = key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    e.key.keysym.mod = Uint16(mod);
    SDL_PushEvent(&e);
  }
  platform::PumpMessages();
  auto closes = Only(WM_CLOSE);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].hwnd, framed);
}

} // namespace
