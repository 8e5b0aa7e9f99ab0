#include "platform/win/WindowManager.h"

#include <algorithm>
#include <cctype>

#include "platform/rtl/Colors.h"
#include "platform/win/Backend.h"
#include "platform/win/Caret.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Edit.h"
#include "platform/win/ListBox.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Window.h"

namespace platform {
namespace detail {
namespace {
// Handles carry the slot index in the low word, offset so that they never meet the small sentinel values
// (HWND_TOP, HWND_BOTTOM, HWND_BROADCAST), and the slot's generation in the high word.
constexpr std::uint64_t slotBase = 0x10000;

State& Instance() {
  static State state;
  return state;
}

std::uint64_t Encode(std::uint32_t index, std::uint32_t generation) {
  return (std::uint64_t(generation) << 32) | (std::uint64_t(index) + slotBase);
}
} // namespace

void CreateRootWindows();

State& S() {
  State& s = Instance();
  if (!s.desktop && !s.initializing) {
    s.initializing = true;
    CreateRootWindows();
    s.initializing = false;
  }
  return s;
}

Wnd* W(HWND hwnd) {
  auto value = std::uint64_t(reinterpret_cast<std::uintptr_t>(hwnd));
  std::uint64_t low = value & 0xFFFFFFFFu;
  if (low < slotBase)
    return nullptr;
  std::uint64_t index = low - slotBase;
  // No lazy set-up here: before the roots exist there are no windows to find, and this is the hottest call.
  auto& s = Instance();
  if (index >= s.slots.size() || !s.slots[index] || s.generations[index] != (value >> 32))
    return nullptr;
  return s.slots[index].get();
}

HWND NewHandle(std::unique_ptr<Wnd> wnd) {
  auto& s = S();
  std::uint32_t index;
  if (!s.freeSlots.empty()) {
    index = s.freeSlots.back();
    s.freeSlots.pop_back();
  } else {
    index = std::uint32_t(s.slots.size());
    s.slots.emplace_back();
    s.generations.push_back(1);
  }
  HWND h = reinterpret_cast<HWND>(std::uintptr_t(Encode(index, s.generations[index])));
  wnd->handle = h;
  s.slots[index] = std::move(wnd);
  return h;
}

void FreeHandle(HWND hwnd) {
  if (!W(hwnd))
    return;
  auto& s = S();
  auto index =
      std::uint32_t((std::uint64_t(reinterpret_cast<std::uintptr_t>(hwnd)) & 0xFFFFFFFFu) - slotBase);
  s.slots[index].reset();
  ++s.generations[index];
  s.freeSlots.push_back(index);
}

std::vector<HWND> AllWindows() {
  std::vector<HWND> out;
  for (auto& w : S().slots)
    if (w)
      out.push_back(w->handle);
  return out;
}

bool IsTopLevel(const Wnd* w) {
  return w && w->parent == S().desktop && w->handle != S().desktop;
}

HWND TopLevelOf(HWND hwnd) {
  Wnd* w = W(hwnd);
  while (w && w->parent && w->parent != S().desktop && w->parent != S().messageRoot)
    w = W(w->parent);
  return w ? w->handle : nullptr;
}

POINT WindowOrigin(HWND hwnd) {
  Wnd* w = W(hwnd);
  if (!w)
    return POINT{};
  if (!w->parent || w->parent == S().desktop || w->parent == S().messageRoot)
    return POINT{w->rect.left, w->rect.top};
  POINT p = ClientOrigin(w->parent);
  return POINT{p.x + w->rect.left, p.y + w->rect.top};
}

POINT ClientOrigin(HWND hwnd) {
  Wnd* w = W(hwnd);
  if (!w)
    return POINT{};
  POINT p = WindowOrigin(hwnd);
  return POINT{p.x + w->client.left, p.y + w->client.top};
}

RECT ScreenWindowRect(HWND hwnd) {
  Wnd* w = W(hwnd);
  if (!w)
    return RECT{};
  POINT p = WindowOrigin(hwnd);
  return RECT{p.x, p.y, p.x + (w->rect.right - w->rect.left), p.y + (w->rect.bottom - w->rect.top)};
}

RECT ScreenClientRect(HWND hwnd) {
  Wnd* w = W(hwnd);
  if (!w)
    return RECT{};
  POINT p = ClientOrigin(hwnd);
  return RECT{p.x, p.y, p.x + (w->client.right - w->client.left), p.y + (w->client.bottom - w->client.top)};
}

bool ReallyVisible(HWND hwnd) {
  for (Wnd* w = W(hwnd); w && w->handle != S().desktop; w = W(w->parent)) {
    if (!(w->style & WS_VISIBLE) || w->messageOnly)
      return false;
  }
  return W(hwnd) != nullptr;
}

std::string ClassKey(std::string_view name) {
  std::string key(name);
  for (char& c : key)
    c = char(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

void CreateRootWindows() {
  auto& s = S();
  auto desktop = std::make_unique<Wnd>();
  desktop->style = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_POPUP;
  desktop->rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  desktop->client = desktop->rect;
  desktop->text = "";
  desktop->created = true;
  auto cls = std::make_shared<WndClass>();
  cls->name = "#32769";
  desktop->cls = cls;
  s.desktop = NewHandle(std::move(desktop));
  auto root = std::make_unique<Wnd>();
  root->messageOnly = true;
  root->created = true;
  auto rootCls = std::make_shared<WndClass>();
  rootCls->name = "Message";
  root->cls = rootCls;
  s.messageRoot = NewHandle(std::move(root));
  RegisterEditClass();
  RegisterListBoxClass();
  RegisterUtilWindowClass();
  // A plain system class the library creates itself (the panning indicator).
  auto staticClass = std::make_shared<WndClass>();
  staticClass->name = "Static";
  staticClass->proc = DefWindowProcA;
  staticClass->background = reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_3DFACE + 1));
  staticClass->cursor = LoadCursorA(nullptr, IDC_ARROW);
  s.classes[ClassKey("STATIC")] = staticClass;
}

} // namespace detail

void ResetWindowManager() {
  using namespace detail;
  auto& s = S();
  if (s.desktop) {
    for (HWND h : AllWindows()) {
      Wnd* w = W(h);
      if (w && (w->parent == s.desktop || w->parent == s.messageRoot) && !w->destroying)
        DestroyWindow(h);
    }
  }
  Backend* backend = s.backend;
  s = State();
  s.backend = backend;
  ResetInput();
}

void SetBackend(Backend* backend) {
  detail::S().backend = backend;
}

Backend* CurrentBackend() {
  return detail::S().backend;
}

} // namespace platform
