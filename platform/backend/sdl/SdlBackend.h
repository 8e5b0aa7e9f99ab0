#pragma once
// A real display through SDL2: one SDL window per visible top-level window, showing the pixels the window
// manager paints, and the user's keyboard, mouse and clipboard fed back. Nothing outside this folder sees
// SDL.
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win/Backend.h"
#include "platform/win/Clipboard.h"

struct SDL_Window;
struct SDL_Cursor;

namespace platform {

class SdlBackend : public Backend, public ClipboardHost {
public:
  // Needs SDL's video started (see CreateDisplayBackend); installs itself as the window manager's backend
  // and the clipboard's desktop host, and switches the clock to real time.
  SdlBackend();
  ~SdlBackend() override;
  SdlBackend(const SdlBackend&) = delete;
  SdlBackend& operator=(const SdlBackend&) = delete;

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
  RECT WorkArea() const override { return workArea_; }
  void PollEvents() override;
  bool WaitEvents(DWORD timeoutMs) override;

  std::optional<WideString> ReadText() override;
  void WriteText(std::u16string_view text) override;
  void Clear() override;

  // The SDL window that shows a top-level window, nullptr when none does.
  SDL_Window* WindowOf(HWND hwnd) const;
  // Whether the desktop draws the window's frame and caption; its SDL window then shows the client area only.
  bool HasDesktopFrame(HWND hwnd) const;

private:
  struct Shown {
    SDL_Window* window = nullptr;
    RECT rect{}; //!< the window's rectangle as the window manager has it, in screen coordinates
    RECT area{}; //!< the part of it the SDL window shows, in screen coordinates
    bool desktopFrame = false;
    //! where the SDL window is and whether it is minimised, as the desktop last reported or was last asked;
    //! SDL's own state may already be ahead of the events not yet handled
    RECT desktop{};
    bool minimized = false;
  };
  // The desktop's activation and close and the end of the session come beside input the program has not
  // taken yet.
  enum class Request { Activate, Deactivate, Close, Quit };
  void HandleEvent(const void* event);
  RECT ShownArea(HWND hwnd, const RECT& windowRect, bool desktopFrame) const;
  // The desktop moved, resized, minimised or restored a window: the window manager follows.
  bool FollowDesktop(HWND hwnd, const void* windowEvent);
  void FollowDesktopMove(HWND hwnd, int x, int y);
  void FollowDesktopResize(HWND hwnd, int width, int height);
  void FollowDesktopShowState(HWND hwnd, bool minimized);
  // The window manager hears that the application or a window lost the desktop's attention only when no
  // other window of the application takes it over.
  void HandleFocusLost();
  void HandlePointerLeft();
  bool EventPendingForOwnWindow(unsigned char windowEvent) const;
  void Ask(Request request, HWND hwnd);
  bool PassWaitingRequests();
  HWND HandleOf(unsigned windowId) const;
  POINT ToScreen(unsigned windowId, int x, int y) const;

  std::map<HWND, Shown> windows_;
  std::map<HCURSOR, SDL_Cursor*> cursors_;
  std::vector<std::pair<Request, HWND>> waiting_; //!< requests held until the input before them is taken
  SIZE screen_{};
  RECT workArea_{};
  Backend* previous_ = nullptr;
};

// The program's display: SDL when there is a screen to show on (DISPLAY or WAYLAND_DISPLAY is set and SDL's
// video starts), otherwise the headless one. The result is installed as the window manager's backend.
std::unique_ptr<Backend> CreateDisplayBackend();

} // namespace platform
