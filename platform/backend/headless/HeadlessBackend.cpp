#include "platform/backend/headless/HeadlessBackend.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Surface.h"
#include "platform/win/Clock.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/WindowManager.h"

namespace platform {

HeadlessBackend::HeadlessBackend(SIZE screen) : screen_(screen) {
  previous_ = CurrentBackend();
  Clock::UseManualTime(0);
  auto& m = Settings().metrics;
  m[SM_CXSCREEN] = m[SM_CXVIRTUALSCREEN] = m[SM_CXFULLSCREEN] = screen.cx;
  m[SM_CYSCREEN] = m[SM_CYVIRTUALSCREEN] = screen.cy;
  Settings().workArea = WorkArea();
  gdi::SetScreenSize(screen);
  SetBackend(this);
}

HeadlessBackend::~HeadlessBackend() {
  if (CurrentBackend() == this)
    SetBackend(previous_);
}

void HeadlessBackend::CreateSurfaceWindow(HWND hwnd, const RECT& screenRect, DWORD style, DWORD exStyle) {
  WindowRecord r;
  r.rect = screenRect;
  r.style = style;
  r.exStyle = exStyle;
  r.topmost = exStyle & WS_EX_TOPMOST;
  windows_[hwnd] = r;
}

void HeadlessBackend::DestroySurfaceWindow(HWND hwnd) {
  windows_.erase(hwnd);
}

void HeadlessBackend::ShowSurfaceWindow(HWND hwnd, bool visible) {
  windows_[hwnd].visible = visible;
}

void HeadlessBackend::MoveSurfaceWindow(HWND hwnd, const RECT& screenRect) {
  windows_[hwnd].rect = screenRect;
}

void HeadlessBackend::SetTopmost(HWND hwnd, bool topmost) {
  windows_[hwnd].topmost = topmost;
}

void HeadlessBackend::SetOpacity(HWND hwnd, BYTE alpha) {
  windows_[hwnd].alpha = alpha;
}

void HeadlessBackend::MinimizeSurfaceWindow(HWND hwnd, bool minimized) {
  windows_[hwnd].minimized = minimized;
}

void HeadlessBackend::Present(HWND hwnd, const RECT& dirty) {
  auto& r = windows_[hwnd];
  ++r.presents;
  r.lastDirty = dirty;
}

void HeadlessBackend::SetCursor(HCURSOR cursor) {
  cursor_ = cursor;
}

RECT HeadlessBackend::WorkArea() const {
  // A task bar of 30 pixels along the bottom, as on a default desktop.
  return RECT{0, 0, screen_.cx, screen_.cy - 30};
}

bool HeadlessBackend::WaitEvents(DWORD) {
  if (idle_.empty())
    return false;
  auto step = std::move(idle_.front());
  idle_.pop_front();
  step();
  return true;
}

void HeadlessBackend::MouseMove(int x, int y) {
  InjectMouseMove(x, y);
}

void HeadlessBackend::MouseDown(int x, int y, MouseButton button) {
  InjectMouseButton(button, true, x, y);
}

void HeadlessBackend::MouseUp(int x, int y, MouseButton button) {
  InjectMouseButton(button, false, x, y);
}

void HeadlessBackend::Click(int x, int y, MouseButton button) {
  MouseDown(x, y, button);
  MouseUp(x, y, button);
}

void HeadlessBackend::Wheel(int delta, int x, int y) {
  InjectMouseWheel(delta, x, y);
}

void HeadlessBackend::KeyDown(int vk) {
  InjectKey(vk, true);
}

void HeadlessBackend::KeyUp(int vk) {
  InjectKey(vk, false);
}

void HeadlessBackend::PressKey(int vk) {
  KeyDown(vk);
  KeyUp(vk);
}

void HeadlessBackend::AdvanceTime(DWORD ms) {
  Clock::AdvanceTime(ms);
}

int HeadlessBackend::Pump() {
  return PumpMessages();
}

void HeadlessBackend::WhenIdle(std::function<void()> step) {
  idle_.push_back(std::move(step));
}

const HeadlessBackend::WindowRecord* HeadlessBackend::Window(HWND hwnd) const {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : &it->second;
}

bool HeadlessBackend::SaveWindowPng(HWND hwnd, const std::string& path) const {
  const Surface* s = GetWindowSurface(hwnd);
  return s && SaveSurfacePng(*s, path.c_str());
}

} // namespace platform
