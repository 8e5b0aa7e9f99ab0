#pragma once
// The one class through which the window manager reaches a display. A backend shows top-level windows whose
// pixels the window manager paints into memory surfaces, and feeds input back through the Inject functions.
#include "platform/win/WinDefs.h"

namespace platform {

class Backend {
public:
  virtual ~Backend() = default;

  virtual void CreateSurfaceWindow(HWND hwnd, const RECT& screenRect, DWORD style, DWORD exStyle) = 0;
  virtual void DestroySurfaceWindow(HWND hwnd) = 0;
  virtual void ShowSurfaceWindow(HWND hwnd, bool visible) = 0;
  virtual void MoveSurfaceWindow(HWND hwnd, const RECT& screenRect) = 0;
  virtual void SetTopmost(HWND hwnd, bool topmost) = 0;
  virtual void SetOpacity(HWND hwnd, BYTE alpha) = 0;
  // The window was minimised or restored by the program; a desktop shows it so.
  virtual void MinimizeSurfaceWindow(HWND hwnd, bool minimized) = 0;
  // The window's surface changed inside the rectangle (window space); the backend copies it out.
  virtual void Present(HWND hwnd, const RECT& dirty) = 0;
  virtual void SetCursor(HCURSOR cursor) = 0;

  virtual SIZE ScreenSize() const = 0;
  virtual RECT WorkArea() const = 0;

  // Moves pending display events into the window manager through the Inject functions.
  virtual void PollEvents() = 0;
  // Blocks until an event may have arrived or the timeout (INFINITE allowed) passes; false when nothing
  // can ever arrive, so that a loop with no timers fails instead of hanging.
  virtual bool WaitEvents(DWORD timeoutMs) = 0;
};

constexpr DWORD INFINITE = 0xFFFFFFFF;

// The program's start-up installs its backend; without one, windows still paint into memory.
void SetBackend(Backend* backend);
Backend* CurrentBackend();

} // namespace platform
