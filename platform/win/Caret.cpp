#include "platform/win/Caret.h"

#include "platform/gdi/Fill.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Backend.h"
#include "platform/win/Clock.h"
#include "platform/win/Paint.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/WindowManager.h"

using namespace platform::detail;

namespace {

// Inverting twice restores the pixels, so drawing and erasing the caret are the same operation.
void Invert() {
  auto& c = S().caret;
  if (!W(c.owner))
    return;
  HDC dc = GetDC(c.owner);
  PatBlt(dc, c.pos.x, c.pos.y, c.width, c.height, DSTINVERT);
  ReleaseDC(c.owner, dc);
  c.drawn = !c.drawn;
}

bool Blinking() {
  const auto& c = S().caret;
  return W(c.owner) && c.hideCount == 0 && !c.suspended;
}

void Erase() {
  if (S().caret.drawn)
    Invert();
}

void DrawIfShown() {
  auto& c = S().caret;
  if (W(c.owner) && c.hideCount == 0 && !c.drawn && !S().caret.suspended)
    Invert();
  c.nextBlink = platform::Clock::Now() + GetCaretBlinkTime();
}

} // namespace

BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height) {
  if (!W(hwnd))
    return FALSE;
  DestroyCaret();
  auto& c = S().caret;
  c.owner = hwnd;
  c.bitmap = bitmap;
  c.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
  c.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
  c.pos = POINT{};
  c.hideCount = 1;
  c.drawn = false;
  c.nextBlink = platform::Clock::Now() + GetCaretBlinkTime();
  return TRUE;
}

BOOL DestroyCaret() {
  auto& c = S().caret;
  if (!c.owner)
    return FALSE;
  Erase();
  c = CaretState{};
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  auto& c = S().caret;
  if (!c.owner)
    return FALSE;
  if (c.pos.x == x && c.pos.y == y)
    return TRUE;
  Erase();
  c.pos = POINT{x, y};
  DrawIfShown();
  return TRUE;
}

BOOL GetCaretPos(POINT* pt) {
  auto& c = S().caret;
  if (!pt || !c.owner)
    return FALSE;
  *pt = c.pos;
  return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
  auto& c = S().caret;
  if (!c.owner || (hwnd && hwnd != c.owner) || c.hideCount == 0)
    return FALSE;
  if (--c.hideCount == 0)
    DrawIfShown();
  return TRUE;
}

BOOL HideCaret(HWND hwnd) {
  auto& c = S().caret;
  if (!c.owner || (hwnd && hwnd != c.owner))
    return FALSE;
  Erase();
  ++c.hideCount;
  return TRUE;
}

namespace platform::detail {

void CaretTick() {
  auto& c = S().caret;
  if (!Blinking())
    return;
  DWORD now = platform::Clock::Now();
  if (LONG(now - c.nextBlink) < 0)
    return;
  Invert();
  c.nextBlink = now + GetCaretBlinkTime();
}

DWORD NextCaretBlinkDelay() {
  if (!Blinking())
    return platform::INFINITE;
  LONG left = LONG(S().caret.nextBlink - platform::Clock::Now());
  return left > 0 ? DWORD(left) : 0;
}

void SuspendCaret(HWND hwnd) {
  auto& c = S().caret;
  if (c.owner != hwnd || S().caret.suspended)
    return;
  Erase();
  S().caret.suspended = true;
}

void ResumeCaret(HWND hwnd) {
  auto& c = S().caret;
  if (c.owner != hwnd || !S().caret.suspended)
    return;
  S().caret.suspended = false;
  DrawIfShown();
}

} // namespace platform::detail
