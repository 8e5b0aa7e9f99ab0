#pragma once
// The one caret of the thread: a block drawn by inverting the window's pixels, blinking by the clock.
#include "platform/win/WinDefs.h"

BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* pt);
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);

namespace platform::detail {
// Blinks the caret when its time has come; the message loop calls it on every turn.
void CaretTick();
// How long until the caret's next blink, 0 when it is due; INFINITE while no caret blinks. The message loop
// waits no longer, since no input may come to wake it.
DWORD NextCaretBlinkDelay();
// Takes the caret's image out of the window's pixels while something paints there, and puts it back.
void SuspendCaret(HWND hwnd);
void ResumeCaret(HWND hwnd);
} // namespace platform::detail
