#pragma once
// Mouse and keyboard input, capture, focus and activation, key state and cursors.
#include <cstdint>
#include <vector>

#include "platform/win/WinDefs.h"

HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();

SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE* state);
BOOL SetKeyboardState(const BYTE* state);

BOOL GetCursorPos(POINT* pt);
BOOL SetCursorPos(int x, int y);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
inline HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) {
  return LoadCursorA(instance, name);
}
// Cursors made by the program: a 32x32 or other size AND mask and XOR mask, one bit a pixel.
HCURSOR CreateCursor(HINSTANCE instance, int xHotSpot, int yHotSpot, int width, int height,
                     const void* andPlane, const void* xorPlane);
HICON CreateIconIndirect(const ICONINFO* info);
BOOL DestroyCursor(HCURSOR cursor);
BOOL DestroyIcon(HICON icon);

namespace platform {

enum class MouseButton { Left, Right, Middle };

// Input as a backend or a test delivers it: screen coordinates, queued for the message loop.
void InjectMouseMove(int x, int y);
void InjectMouseButton(MouseButton button, bool down, int x, int y);
void InjectMouseWheel(int delta, int x, int y);
// A key whose character the backend delivers itself (through InjectChar, from its own keyboard layout) is
// injected with producesChar false, so that TranslateMessage does not make a second one.
void InjectKey(int vk, bool down, bool producesChar = true);
// A typed character, in the default code page, for the focus window as WM_CHAR.
void InjectChar(BYTE ch);
bool HasPendingInput();

// What a cursor handle stands for, for backends that show it.
struct CursorInfo {
  int stockId = 0; // IDC_*_ID of a stock cursor, 0 for a program's cursor
  int width = 0;
  int height = 0;
  POINT hotSpot{};
};
bool GetCursorInfo(HCURSOR cursor, CursorInfo* info);
// A program-made cursor's image as 0xAARRGGBB words, row by row; false for stock cursors.
bool GetCursorPixels(HCURSOR cursor, std::vector<std::uint32_t>* argb);

// The application loses or regains activation as a whole, as when another program is clicked.
void DeactivateApp();
// The pointer left every window of the application: the cursor is parked off every screen, so that what
// tracks the mouse sees it outside. Windows reports the desktop position instead, which the program cannot
// know here.
void InjectMouseLeave();
constexpr POINT OffScreenCursorPos{-32000, -32000};

namespace detail {
// Activates a top-level window (nullptr deactivates) with the given WA_ code; focus follows unless told not.
void ActivateWindow(HWND hwnd, int how, bool moveFocus);
// The activation messages alone, without the z-order move.
void DoActivate(HWND hwnd, int how, bool moveFocus);
// Clears focus, capture and activation held by the window or its descendants before it goes away.
void ForgetWindow(HWND hwnd);
// Turns the next raw input event into a message; see the message loop. `retry` is set when an event was
// swallowed or eaten, after which the queue must be looked at from the start, posted messages first.
bool TakeInput(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool remove, bool* retry);
void ResetInput();
} // namespace detail

} // namespace platform
