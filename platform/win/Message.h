#pragma once
// Sending and posting messages, the queue, the three thread hooks, timers and hidden windows.
#include <functional>

#include "platform/win/WinDefs.h"

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
inline LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(hwnd, msg, wParam, lParam);
}
// One thread only, so a notification is delivered at once, as to a window of the calling thread.
BOOL SendNotifyMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
inline BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendNotifyMessageA(hwnd, msg, wParam, lParam);
}
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
inline BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return PostMessageA(hwnd, msg, wParam, lParam);
}
BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
inline BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  return PostThreadMessageA(threadId, msg, wParam, lParam);
}
void PostQuitMessage(int exitCode);
DWORD GetCurrentThreadId();

BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
inline BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  return GetMessageA(msg, hwnd, filterMin, filterMax);
}
inline BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  return PeekMessageA(msg, hwnd, filterMin, filterMax, removeFlags);
}
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
inline LRESULT DispatchMessage(const MSG* msg) {
  return DispatchMessageA(msg);
}
BOOL WaitMessage();
// Only cross-thread sends count, and there is one thread.
BOOL InSendMessage();
DWORD GetMessageTime();
DWORD GetMessagePos();
LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
inline LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(proc, hwnd, msg, wParam, lParam);
}

HHOOK SetWindowsHookExA(int type, HOOKPROC proc, HINSTANCE instance, DWORD threadId);
inline HHOOK SetWindowsHookEx(int type, HOOKPROC proc, HINSTANCE instance, DWORD threadId) {
  return SetWindowsHookExA(type, proc, instance, threadId);
}
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// A hidden message-only window whose messages go to the callable; the callable decides about DefWindowProc.
HWND AllocateHWnd(std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> handler);
void DeallocateHWnd(HWND hwnd);

namespace platform {
// Runs a hook chain of one type from its newest hook; answers 0 when the chain is empty.
LRESULT CallHooks(int type, int code, WPARAM wParam, LPARAM lParam);
bool HasHooks(int type);
// Sends to every visible or hidden top-level window of the thread, as a settings change does.
void BroadcastToTopLevel(UINT msg, WPARAM wParam, LPARAM lParam);
// Dispatches every message that is ready without waiting; the count of messages dispatched.
int PumpMessages();
// Where a loop would wait with nothing that could arrive; the default throws, so a test cannot hang.
void SetIdleHandler(std::function<bool()> handler);
} // namespace platform

namespace platform::detail {
// Called by the window manager whenever it starts afresh, so that AllocateHWnd finds its class there.
void RegisterUtilWindowClass();
} // namespace platform::detail
