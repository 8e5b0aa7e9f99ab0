#pragma once
// The headless display, keeping what it was handed: each present with its time and the watched windows that
// were still waiting for a paint when it came, and each wait of the message loop.
#include <cstddef>
#include <functional>
#include <vector>

#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/win/Win.h"

class WatchingBackend : public platform::HeadlessBackend {
public:
  struct Shown {
    HWND hwnd;
    RECT dirty;
    std::vector<HWND> unpainted;
    DWORD time;
  };
  std::vector<HWND> watched;
  std::vector<Shown> shown;
  std::vector<DWORD> waits;
  // What the display does while it takes a window, as one that pumps its own events may.
  std::function<void(HWND)> whilePresenting;
  // The most waits a test expects of the message loop; 0 for no bound. The wait that reaches it posts
  // WM_QUIT instead, so that a loop that would wait for ever (on the manual clock, 0 ms at a time) ends at
  // once and the test can say so.
  std::size_t waitLimit = 0;

  bool WaitEvents(DWORD timeoutMs) override {
    waits.push_back(timeoutMs);
    if (waitLimit && waits.size() >= waitLimit) {
      PostQuitMessage(0);
      return true;
    }
    return HeadlessBackend::WaitEvents(timeoutMs);
  }

  void Present(HWND hwnd, const RECT& dirty) override {
    if (whilePresenting)
      whilePresenting(hwnd);
    Shown s{hwnd, dirty, {}, platform::Clock::Now()};
    for (HWND w : watched)
      if (GetUpdateRect(w, nullptr, FALSE))
        s.unpainted.push_back(w);
    shown.push_back(s);
    HeadlessBackend::Present(hwnd, dirty);
  }
};
