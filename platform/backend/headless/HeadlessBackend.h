#pragma once
// A display without a screen: top-level windows live in memory surfaces, time is moved by hand and input is
// injected. Tests and the program without a display run on it.
#include <deque>
#include <functional>
#include <map>
#include <string>

#include "platform/win/Backend.h"
#include "platform/win/Input.h"

namespace platform {

class HeadlessBackend : public Backend {
public:
  struct WindowRecord {
    RECT rect{};
    DWORD style = 0;
    DWORD exStyle = 0;
    bool visible = false;
    bool topmost = false;
    bool minimized = false;
    BYTE alpha = 255;
    int presents = 0;
    RECT lastDirty{};
  };

  // Installs itself as the window manager's backend, switches the clock to manual time and sets the screen.
  explicit HeadlessBackend(SIZE screen = SIZE{1024, 768});
  ~HeadlessBackend() override;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  void CreateSurfaceWindow(HWND hwnd, const RECT& screenRect, DWORD style, DWORD exStyle) override;
  void DestroySurfaceWindow(HWND hwnd) override;
  void ShowSurfaceWindow(HWND hwnd, bool visible) override;
  void MoveSurfaceWindow(HWND hwnd, const RECT& screenRect) override;
  void SetTopmost(HWND hwnd, bool topmost) override;
  void SetOpacity(HWND hwnd, BYTE alpha) override;
  void MinimizeSurfaceWindow(HWND hwnd, bool minimized) override;
  void Present(HWND hwnd, const RECT& dirty) override;
  void SetCursor(HCURSOR cursor) override;
  SIZE ScreenSize() const override { return screen_; }
  RECT WorkArea() const override;
  void PollEvents() override {}
  bool WaitEvents(DWORD timeoutMs) override;

  // Input as a user gives it, in screen coordinates.
  void MouseMove(int x, int y);
  void MouseDown(int x, int y, MouseButton button = MouseButton::Left);
  void MouseUp(int x, int y, MouseButton button = MouseButton::Left);
  void Click(int x, int y, MouseButton button = MouseButton::Left);
  void Wheel(int delta, int x, int y);
  void KeyDown(int vk);
  void KeyUp(int vk);
  void PressKey(int vk);
  void AdvanceTime(DWORD ms);
  // Dispatches everything ready; the number of messages dispatched.
  int Pump();
  // Steps run one at a time whenever a message loop would wait, so a test can drive a modal loop.
  void WhenIdle(std::function<void()> step);

  const WindowRecord* Window(HWND hwnd) const;
  HCURSOR Cursor() const { return cursor_; }
  bool SaveWindowPng(HWND hwnd, const std::string& path) const;

private:
  SIZE screen_;
  std::map<HWND, WindowRecord> windows_;
  HCURSOR cursor_ = nullptr;
  std::deque<std::function<void()>> idle_;
  Backend* previous_ = nullptr;
};

} // namespace platform
