#pragma once
// A fixture that records every message the test windows receive, with per-window overrides.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/win/Win.h"

struct Logged {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

using Override = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

class WinTest : public ::testing::Test {
protected:
  static inline std::vector<Logged> log;
  static inline std::map<HWND, Override> overrides;

  static LRESULT RecordProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    log.push_back(Logged{hwnd, msg, wParam, lParam});
    auto it = overrides.find(hwnd);
    if (it != overrides.end()) {
      Override o = it->second;
      if (auto r = o(hwnd, msg, wParam, lParam))
        return *r;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }

  void SetUp() override {
    platform::ResetWindowManager();
    platform::ResetSettings();
    platform::Clock::UseManualTime(10000);
    log.clear();
    overrides.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordProc;
    wc.lpszClassName = "Rec";
    ASSERT_NE(RegisterClassA(&wc), 0);
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = "RecDbl";
    ASSERT_NE(RegisterClassA(&wc), 0);
  }

  void TearDown() override {
    platform::SetIdleHandler(nullptr);
    platform::ResetWindowManager();
    overrides.clear();
  }

  static HWND Top(int x, int y, int w, int h, DWORD style = WS_POPUP | WS_VISIBLE, DWORD ex = 0,
                  const char* cls = "Rec") {
    return CreateWindowExA(ex, cls, "top", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
  }
  static HWND Child(HWND parent, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE, int id = 0,
                    const char* cls = "Rec") {
    return CreateWindowExA(0, cls, "child", style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(std::intptr_t(id)), nullptr, nullptr);
  }

public:
  // The logged messages whose id is in `wanted`, as (window, message) pairs.
  static std::vector<std::pair<HWND, UINT>> Seq(std::set<UINT> wanted) {
    std::vector<std::pair<HWND, UINT>> out;
    for (auto& l : log)
      if (wanted.count(l.msg))
        out.emplace_back(l.hwnd, l.msg);
    return out;
  }
  static std::vector<Logged> Only(UINT msg) {
    std::vector<Logged> out;
    for (auto& l : log)
      if (l.msg == msg)
        out.push_back(l);
    return out;
  }
};
