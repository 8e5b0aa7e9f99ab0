#include "platform/win/Window.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/Geometry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Backend.h"
#include "platform/win/Caret.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/WindowManager.h"

using namespace platform::detail;

namespace {

std::string ClassNameOf(LPCSTR name) {
  if (!name)
    return {};
  if (IS_INTRESOURCE(name)) {
    // Appended rather than put before a temporary string, which GCC 12 mistakes for an overlapping copy
    // (-Wrestrict, a known false positive).
    std::string atom = "#";
    atom += std::to_string(std::uintptr_t(name));
    return atom;
  }
  return name;
}

ATOM AddClass(const WNDCLASSEXA& wc) {
  std::string name = ClassNameOf(wc.lpszClassName);
  // The platform keeps extra bytes small; a huge request is a mistake, refused rather than allocated.
  constexpr int maxExtra = 4096;
  if (name.empty() || !wc.lpfnWndProc || wc.cbWndExtra < 0 || wc.cbClsExtra < 0 || wc.cbWndExtra > maxExtra ||
      wc.cbClsExtra > maxExtra)
    return 0;
  auto& s = S();
  std::string key = ClassKey(name);
  if (s.classes.count(key))
    return 0;
  auto cls = std::make_shared<WndClass>();
  cls->name = name;
  cls->style = wc.style;
  cls->proc = wc.lpfnWndProc;
  cls->clsExtra = wc.cbClsExtra;
  cls->wndExtra = wc.cbWndExtra;
  cls->instance = wc.hInstance;
  cls->icon = wc.hIcon;
  cls->cursor = wc.hCursor;
  cls->background = wc.hbrBackground;
  s.classes[key] = cls;
  // Atoms only need to be nonzero and stable for the class; the emulation never looks classes up by them.
  return ATOM(0xC000 + (s.classes.size() & 0x3FFF));
}

std::shared_ptr<WndClass> FindClass(LPCSTR name) {
  auto& s = S();
  auto it = s.classes.find(ClassKey(ClassNameOf(name)));
  return it == s.classes.end() ? nullptr : it->second;
}

void Unlink(Wnd* parent, HWND child) {
  if (!parent)
    return;
  auto& c = parent->children;
  c.erase(std::remove(c.begin(), c.end(), child), c.end());
}

bool IsTopmost(HWND h) {
  Wnd* w = W(h);
  return w && (w->exStyle & WS_EX_TOPMOST);
}

// Top-level windows keep the topmost ones in front of the others; children have a single band.
size_t TopInsertIndex(Wnd* parent, HWND h) {
  if (parent->handle != S().desktop || IsTopmost(h))
    return 0;
  size_t i = 0;
  while (i < parent->children.size() && IsTopmost(parent->children[i]))
    ++i;
  return i;
}

void CollectOwned(HWND owner, std::vector<HWND>& out) {
  Wnd* desktop = W(S().desktop);
  for (HWND h : desktop->children) {
    Wnd* w = W(h);
    if (w && w->owner == owner && std::find(out.begin(), out.end(), h) == out.end()) {
      out.push_back(h);
      CollectOwned(h, out);
    }
  }
}

// Places the window in its parent's z-order; answers whether its place changed.
bool Relink(HWND h, HWND after) {
  Wnd* w = W(h);
  Wnd* parent = W(w->parent);
  if (!parent)
    return false;
  auto before = parent->children;
  bool topLevel = parent->handle == S().desktop;
  if (after == HWND_TOPMOST) {
    if (topLevel)
      w->exStyle |= WS_EX_TOPMOST;
    after = HWND_TOP;
  } else if (after == HWND_NOTOPMOST) {
    if (topLevel)
      w->exStyle &= ~DWORD(WS_EX_TOPMOST);
    after = HWND_TOP;
  } else if (after == HWND_BOTTOM && topLevel) {
    w->exStyle &= ~DWORD(WS_EX_TOPMOST);
  }
  Unlink(parent, h);
  auto& c = parent->children;
  if (after == HWND_TOP) {
    c.insert(c.begin() + std::ptrdiff_t(TopInsertIndex(parent, h)), h);
  } else if (after == HWND_BOTTOM) {
    c.push_back(h);
  } else {
    auto it = std::find(c.begin(), c.end(), after);
    if (it == c.end())
      c.insert(c.begin() + std::ptrdiff_t(TopInsertIndex(parent, h)), h);
    else
      c.insert(it + 1, h);
  }
  // Owned windows stay in front of their owner.
  if (topLevel && after == HWND_TOP) {
    std::vector<HWND> owned;
    CollectOwned(h, owned);
    if (!owned.empty()) {
      std::vector<HWND> ordered;
      for (HWND o : c)
        if (std::find(owned.begin(), owned.end(), o) != owned.end())
          ordered.push_back(o);
      for (HWND o : ordered)
        Unlink(parent, o);
      auto pos = std::find(c.begin(), c.end(), h);
      c.insert(pos, ordered.begin(), ordered.end());
    }
  }
  return before != c;
}

void NotifyParents(HWND h, UINT event, LPARAM lParam) {
  Wnd* w = W(h);
  if (!w || !(w->style & WS_CHILD) || (w->exStyle & WS_EX_NOPARENTNOTIFY))
    return;
  WPARAM wParam = MAKEWPARAM(int(event), int(w->id));
  for (HWND p = w->parent; W(p) && W(p)->handle != S().desktop && !W(p)->messageOnly;) {
    SendMessageA(p, WM_PARENTNOTIFY, wParam, lParam);
    Wnd* pw = W(p);
    if (!pw || !(pw->style & WS_CHILD) || (pw->exStyle & WS_EX_NOPARENTNOTIFY))
      break;
    p = pw->parent;
  }
}

RECT CalcClient(HWND h, const RECT& windowRect, WINDOWPOS* pos, bool calcValid) {
  NCCALCSIZE_PARAMS params{};
  params.rgrc[0] = windowRect;
  Wnd* w = W(h);
  params.rgrc[1] = w ? w->rect : windowRect;
  params.rgrc[2] = w ? w->client : windowRect;
  if (w)
    OffsetRect(&params.rgrc[2], w->rect.left, w->rect.top);
  params.lppos = pos;
  SendMessageA(h, WM_NCCALCSIZE, calcValid ? TRUE : FALSE, reinterpret_cast<LPARAM>(&params));
  RECT c = params.rgrc[0];
  OffsetRect(&c, -windowRect.left, -windowRect.top);
  c.right = std::max(c.right, c.left);
  c.bottom = std::max(c.bottom, c.top);
  return c;
}

void EnsureBackendWindow(HWND h) {
  Wnd* w = W(h);
  auto* backend = platform::CurrentBackend();
  if (!w || !backend || !IsTopLevel(w) || w->backendWindow)
    return;
  w->backendWindow = true;
  backend->CreateSurfaceWindow(h, w->rect, w->style, w->exStyle);
}

void FreeWindow(HWND h) {
  Wnd* w = W(h);
  if (!w)
    return;
  std::vector<HWND> children = w->children;
  for (HWND c : children)
    FreeWindow(c);
  SendMessageA(h, WM_NCDESTROY, 0, 0);
  w = W(h);
  if (!w)
    return;
  auto& s = S();
  s.timers.erase(
      std::remove_if(s.timers.begin(), s.timers.end(), [h](const Timer& t) { return t.hwnd == h; }),
      s.timers.end());
  s.posted.erase(std::remove_if(s.posted.begin(), s.posted.end(), [h](const MSG& m) { return m.hwnd == h; }),
                 s.posted.end());
  if (w->backendWindow && s.backend)
    s.backend->DestroySurfaceWindow(h);
  platform::detail::ReleaseSurface(h);
  Unlink(W(w->parent), h);
  FreeHandle(h);
}

void SendDestroy(HWND h) {
  SendMessageA(h, WM_DESTROY, 0, 0);
  Wnd* w = W(h);
  if (!w)
    return;
  std::vector<HWND> children = w->children;
  for (HWND c : children)
    if (W(c))
      SendDestroy(c);
}

HWND NextActiveCandidate(HWND leaving) {
  Wnd* desktop = W(S().desktop);
  Wnd* lw = W(leaving);
  HWND owner = lw ? lw->owner : nullptr;
  if (owner && ReallyVisible(owner) && IsWindowEnabled(owner))
    return owner;
  for (HWND h : desktop->children) {
    Wnd* w = W(h);
    if (h == leaving || !w || w->destroying || !(w->style & WS_VISIBLE) || (w->style & WS_DISABLED))
      continue;
    if (w->exStyle & WS_EX_TOOLWINDOW)
      continue;
    return h;
  }
  return nullptr;
}

bool PointInWindow(HWND h, POINT screen) {
  Wnd* w = W(h);
  RECT r = ScreenWindowRect(h);
  if (!PtInRect(&r, screen))
    return false;
  if (w->hasRegion)
    return w->region.Contains(screen.x - r.left, screen.y - r.top);
  return true;
}

HWND FindAt(POINT pt, const std::vector<HWND>& skip) {
  auto skipped = [&](HWND h) { return std::find(skip.begin(), skip.end(), h) != skip.end(); };
  Wnd* desktop = W(S().desktop);
  for (HWND top : desktop->children) {
    Wnd* w = W(top);
    if (!w || !(w->style & WS_VISIBLE) || skipped(top) || !PointInWindow(top, pt))
      continue;
    HWND target = top;
    for (;;) {
      Wnd* tw = W(target);
      const RECT targetClient = ScreenClientRect(target);
      if ((tw->style & WS_DISABLED) || !PtInRect(&targetClient, pt))
        break;
      HWND found = nullptr;
      for (HWND c : tw->children) {
        Wnd* cw = W(c);
        if (cw && (cw->style & WS_VISIBLE) && !skipped(c) && PointInWindow(c, pt)) {
          found = c;
          break;
        }
      }
      if (!found)
        break;
      // Mouse input over a disabled child goes to its parent.
      if (W(found)->style & WS_DISABLED)
        break;
      target = found;
    }
    return target;
  }
  return nullptr;
}

} // namespace

namespace platform {

RECT FrameInsets(DWORD style, DWORD exStyle) {
  int b = 0;
  if (style & WS_THICKFRAME)
    b = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    b = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER)
    b = GetSystemMetrics(SM_CXBORDER);
  if (exStyle & WS_EX_CLIENTEDGE)
    b += GetSystemMetrics(SM_CXEDGE);
  if (exStyle & WS_EX_STATICEDGE)
    b += GetSystemMetrics(SM_CXBORDER);
  RECT r{b, b, b, b};
  if ((style & WS_CAPTION) == WS_CAPTION)
    r.top += (exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
  return r;
}

HWND HitTestPoint(POINT pt, int* hitCode) {
  std::vector<HWND> skip;
  for (int attempt = 0; attempt < 64; ++attempt) {
    HWND h = FindAt(pt, skip);
    if (!h) {
      if (hitCode)
        *hitCode = HTNOWHERE;
      return nullptr;
    }
    LRESULT hit = SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    if (!W(h) || hit == HTTRANSPARENT) {
      skip.push_back(h);
      continue;
    }
    if (hitCode)
      *hitCode = int(hit);
    return h;
  }
  if (hitCode)
    *hitCode = HTNOWHERE;
  return nullptr;
}

} // namespace platform

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc)
    return 0;
  WNDCLASSEXA ex;
  ex.style = wc->style;
  ex.lpfnWndProc = wc->lpfnWndProc;
  ex.cbClsExtra = wc->cbClsExtra;
  ex.cbWndExtra = wc->cbWndExtra;
  ex.hInstance = wc->hInstance;
  ex.hIcon = wc->hIcon;
  ex.hCursor = wc->hCursor;
  ex.hbrBackground = wc->hbrBackground;
  ex.lpszMenuName = wc->lpszMenuName;
  ex.lpszClassName = wc->lpszClassName;
  return AddClass(ex);
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXA))
    return 0;
  return AddClass(*wc);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  auto& s = S();
  std::string key = ClassKey(ClassNameOf(className));
  auto it = s.classes.find(key);
  if (it == s.classes.end())
    return FALSE;
  // A class with live windows cannot go, as on the platform.
  for (HWND h : AllWindows())
    if (W(h)->cls == it->second)
      return FALSE;
  s.classes.erase(it);
  return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR className, WNDCLASSEXA* wc) {
  auto cls = FindClass(className);
  if (!cls || !wc)
    return FALSE;
  wc->style = cls->style;
  wc->lpfnWndProc = cls->proc;
  wc->cbClsExtra = cls->clsExtra;
  wc->cbWndExtra = cls->wndExtra;
  wc->hInstance = cls->instance;
  wc->hIcon = cls->icon;
  wc->hCursor = cls->cursor;
  wc->hbrBackground = cls->background;
  wc->lpszMenuName = nullptr;
  wc->lpszClassName = className;
  wc->hIconSm = nullptr;
  return TRUE;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wc) {
  WNDCLASSEXA ex;
  if (!wc || !GetClassInfoExA(instance, className, &ex))
    return FALSE;
  wc->style = ex.style;
  wc->lpfnWndProc = ex.lpfnWndProc;
  wc->cbClsExtra = ex.cbClsExtra;
  wc->cbWndExtra = ex.cbWndExtra;
  wc->hInstance = ex.hInstance;
  wc->hIcon = ex.hIcon;
  wc->hCursor = ex.hCursor;
  wc->hbrBackground = ex.hbrBackground;
  wc->lpszMenuName = nullptr;
  wc->lpszClassName = className;
  return TRUE;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
  Wnd* w = W(hwnd);
  if (!w || !buffer || size <= 0)
    return 0;
  int n = std::min<int>(int(w->cls->name.size()), size - 1);
  std::memcpy(buffer, w->cls->name.data(), size_t(n));
  buffer[n] = 0;
  return n;
}

ULONG_PTR GetClassLongPtrA(HWND hwnd, int index) {
  Wnd* w = W(hwnd);
  if (!w)
    return 0;
  switch (index) {
  case GCL_STYLE:
    return w->cls->style;
  case GCLP_HCURSOR:
    return reinterpret_cast<ULONG_PTR>(w->cls->cursor);
  case GCLP_HBRBACKGROUND:
    return reinterpret_cast<ULONG_PTR>(w->cls->background);
  case GCLP_WNDPROC:
    return reinterpret_cast<ULONG_PTR>(w->cls->proc);
  default:
    return 0;
  }
}

ULONG_PTR SetClassLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  Wnd* w = W(hwnd);
  if (!w)
    return 0;
  ULONG_PTR old = GetClassLongPtrA(hwnd, index);
  switch (index) {
  case GCL_STYLE:
    w->cls->style = UINT(value);
    break;
  case GCLP_HCURSOR:
    w->cls->cursor = reinterpret_cast<HCURSOR>(value);
    break;
  case GCLP_HBRBACKGROUND:
    w->cls->background = reinterpret_cast<HBRUSH>(value);
    break;
  case GCLP_WNDPROC:
    w->cls->proc = reinterpret_cast<WNDPROC>(value);
    break;
  default:
    return 0;
  }
  return old;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  auto& s = S();
  auto cls = FindClass(className);
  if (!cls)
    return nullptr;
  bool messageOnly = parent == HWND_MESSAGE;
  HWND owner = nullptr;
  if (messageOnly) {
    parent = s.messageRoot;
  } else if (style & WS_CHILD) {
    if (!W(parent))
      return nullptr;
  } else {
    if (parent && !W(parent))
      return nullptr;
    owner = parent ? TopLevelOf(parent) : nullptr;
    parent = s.desktop;
    if (!(style & WS_POPUP))
      style |= WS_CLIPSIBLINGS | WS_CAPTION;
  }
  if (x == CW_USEDEFAULT) {
    x = 0;
    y = 0;
  }
  if (width == CW_USEDEFAULT) {
    bool child = style & WS_CHILD;
    width = child ? 0 : 640;
    height = child ? 0 : 480;
  }
  width = std::max(width, 0);
  height = std::max(height, 0);

  auto w = std::make_unique<Wnd>();
  w->cls = cls;
  w->style = style & ~DWORD(WS_VISIBLE);
  w->exStyle = exStyle;
  w->proc = cls->proc;
  w->instance = instance;
  w->parent = parent;
  w->owner = owner;
  w->messageOnly = messageOnly;
  w->id = (style & WS_CHILD) ? LONG_PTR(reinterpret_cast<std::uintptr_t>(menu)) : 0;
  w->rect = RECT{x, y, x + width, y + height};
  w->client = RECT{0, 0, width, height};
  w->extra.assign(size_t(cls->wndExtra), 0);
  HWND h = NewHandle(std::move(w));
  Wnd* pw = W(parent);
  if (style & WS_CHILD)
    pw->children.push_back(h);
  else
    pw->children.insert(pw->children.begin() + std::ptrdiff_t(TopInsertIndex(pw, h)), h);

  CREATESTRUCTA cs{param,       instance,   menu,      (style & WS_CHILD) ? parent : owner,
                   height,      width,      y,         x,
                   LONG(style), windowName, className, exStyle};
  if (!SendMessageA(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (W(h))
      FreeWindow(h);
    return nullptr;
  }
  if (!W(h))
    return nullptr;
  W(h)->client = CalcClient(h, W(h)->rect, nullptr, false);
  if (SendMessageA(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!W(h))
    return nullptr;
  Wnd* cw = W(h);
  cw->created = true;
  SendMessageA(h, WM_SIZE, SIZE_RESTORED,
               MAKELPARAM(cw->client.right - cw->client.left, cw->client.bottom - cw->client.top));
  if (!W(h))
    return nullptr;
  RECT rc = W(h)->rect;
  RECT cl = W(h)->client;
  SendMessageA(h, WM_MOVE, 0, MAKELPARAM(rc.left + cl.left, rc.top + cl.top));
  if (!W(h))
    return nullptr;
  NotifyParents(h, WM_CREATE, reinterpret_cast<LPARAM>(h));
  if (W(h) && (style & WS_VISIBLE) && !messageOnly)
    ShowWindow(h, SW_SHOW);
  return W(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  Wnd* w = W(hwnd);
  auto& s = S();
  if (!w || hwnd == s.desktop || hwnd == s.messageRoot)
    return FALSE;
  if (w->destroying)
    return TRUE;
  w->destroying = true;
  NotifyParents(hwnd, WM_DESTROY, reinterpret_cast<LPARAM>(hwnd));
  if (!W(hwnd))
    return TRUE;
  if (W(hwnd)->style & WS_VISIBLE) {
    if (W(hwnd)->style & WS_CHILD)
      ShowWindow(hwnd, SW_HIDE);
    else
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  }
  if (!W(hwnd))
    return TRUE;
  if (s.active == hwnd)
    platform::detail::ActivateWindow(NextActiveCandidate(hwnd), WA_ACTIVE, true);
  // Owned windows go first, as the platform destroys them before their owner.
  if (IsTopLevel(W(hwnd))) {
    std::vector<HWND> owned;
    for (HWND o : W(s.desktop)->children)
      if (W(o) && W(o)->owner == hwnd)
        owned.push_back(o);
    for (HWND o : owned)
      DestroyWindow(o);
  }
  if (!W(hwnd))
    return TRUE;
  if (s.caret.owner && (s.caret.owner == hwnd || IsChild(hwnd, s.caret.owner)))
    DestroyCaret();
  platform::detail::ForgetWindow(hwnd);
  SendDestroy(hwnd);
  FreeWindow(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  return W(hwnd) != nullptr;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  Wnd* w = W(hwnd);
  if (!w)
    return 0;
  if (index >= 0) {
    if (size_t(index) + sizeof(LONG_PTR) > w->extra.size())
      return 0;
    LONG_PTR v;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  switch (index) {
  case GWL_STYLE:
    return LONG_PTR(std::int32_t(w->style));
  case GWL_EXSTYLE:
    return LONG_PTR(std::int32_t(w->exStyle));
  case GWLP_WNDPROC:
    return reinterpret_cast<LONG_PTR>(w->proc);
  case GWLP_ID:
    return w->id;
  case GWLP_USERDATA:
    return w->userData;
  case GWLP_HINSTANCE:
    return reinterpret_cast<LONG_PTR>(w->instance);
  case GWLP_HWNDPARENT:
    return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
  default:
    return 0;
  }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  Wnd* w = W(hwnd);
  if (!w)
    return 0;
  if (index >= 0) {
    if (size_t(index) + sizeof(LONG_PTR) > w->extra.size())
      return 0;
    LONG_PTR old;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  LONG_PTR old = GetWindowLongPtrA(hwnd, index);
  switch (index) {
  case GWL_STYLE:
  case GWL_EXSTYLE: {
    struct {
      DWORD oldStyle, newStyle;
    } change{DWORD(old), DWORD(value)};
    WPARAM which = WPARAM(index);
    SendMessageA(hwnd, WM_STYLECHANGING, which, reinterpret_cast<LPARAM>(&change));
    if (!(w = W(hwnd)))
      return 0;
    if (index == GWL_STYLE)
      w->style = change.newStyle;
    else
      w->exStyle = change.newStyle;
    SendMessageA(hwnd, WM_STYLECHANGED, which, reinterpret_cast<LPARAM>(&change));
    break;
  }
  case GWLP_WNDPROC:
    w->proc = reinterpret_cast<WNDPROC>(value);
    break;
  case GWLP_ID:
    w->id = value;
    break;
  case GWLP_USERDATA:
    w->userData = value;
    break;
  case GWLP_HINSTANCE:
    w->instance = reinterpret_cast<HINSTANCE>(value);
    break;
  case GWLP_HWNDPARENT:
    if (!(w->style & WS_CHILD))
      w->owner = reinterpret_cast<HWND>(value);
    break;
  default:
    return 0;
  }
  return old;
}

LONG GetWindowLongA(HWND hwnd, int index) {
  if (index >= 0) {
    Wnd* w = W(hwnd);
    if (!w || size_t(index) + sizeof(LONG) > w->extra.size())
      return 0;
    LONG v;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  return LONG(GetWindowLongPtrA(hwnd, index));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  if (index >= 0) {
    Wnd* w = W(hwnd);
    if (!w || size_t(index) + sizeof(LONG) > w->extra.size())
      return 0;
    LONG old;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  if (index == GWL_STYLE || index == GWL_EXSTYLE)
    return LONG(SetWindowLongPtrA(hwnd, index, LONG_PTR(DWORD(value))));
  return LONG(SetWindowLongPtrA(hwnd, index, value));
}

BOOL SetPropA(HWND hwnd, LPCSTR name, HANDLE data) {
  Wnd* w = W(hwnd);
  if (!w || !name)
    return FALSE;
  std::string key = ClassKey(ClassNameOf(name));
  for (auto& p : w->props)
    if (p.first == key) {
      p.second = data;
      return TRUE;
    }
  w->props.emplace_back(key, data);
  return TRUE;
}

HANDLE GetPropA(HWND hwnd, LPCSTR name) {
  Wnd* w = W(hwnd);
  if (!w || !name)
    return nullptr;
  std::string key = ClassKey(ClassNameOf(name));
  for (auto& p : w->props)
    if (p.first == key)
      return p.second;
  return nullptr;
}

HANDLE RemovePropA(HWND hwnd, LPCSTR name) {
  Wnd* w = W(hwnd);
  if (!w || !name)
    return nullptr;
  std::string key = ClassKey(ClassNameOf(name));
  for (auto it = w->props.begin(); it != w->props.end(); ++it)
    if (it->first == key) {
      HANDLE h = it->second;
      w->props.erase(it);
      return h;
    }
  return nullptr;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (!W(hwnd))
    return FALSE;
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
  if (!W(hwnd) || !buffer || size <= 0)
    return 0;
  buffer[0] = 0;
  return int(SendMessageA(hwnd, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) {
  if (!W(hwnd))
    return 0;
  return int(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  if (!W(hwnd))
    return FALSE;
  AnsiString ansi = WideToAnsi(text ? std::u16string_view(text) : std::u16string_view());
  return SetWindowTextA(hwnd, ansi.c_str());
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size) {
  if (!W(hwnd) || !buffer || size <= 0)
    return 0;
  std::string text(size_t(GetWindowTextLengthA(hwnd)) + 1, '\0');
  int n = GetWindowTextA(hwnd, text.data(), int(text.size()));
  WideString wide = AnsiToWide(std::string_view(text.data(), size_t(n)));
  int copied = std::min<int>(int(wide.size()), size - 1);
  std::copy_n(wide.begin(), copied, buffer);
  buffer[copied] = 0;
  return copied;
}

int GetWindowTextLengthW(HWND hwnd) {
  return GetWindowTextLengthA(hwnd);
}

HWND GetDesktopWindow() {
  return S().desktop;
}

HWND GetParent(HWND hwnd) {
  Wnd* w = W(hwnd);
  if (!w)
    return nullptr;
  if (w->style & WS_CHILD)
    return w->parent == S().messageRoot ? nullptr : w->parent;
  if (w->style & WS_POPUP)
    return w->owner;
  return nullptr;
}

HWND SetParent(HWND child, HWND newParent) {
  Wnd* w = W(child);
  auto& s = S();
  if (!w || child == s.desktop)
    return nullptr;
  if (!newParent)
    newParent = s.desktop;
  if (newParent == HWND_MESSAGE)
    newParent = s.messageRoot;
  if (!W(newParent) || newParent == child || IsChild(child, newParent))
    return nullptr;
  HWND old = w->parent;
  bool visible = w->style & WS_VISIBLE;
  if (visible)
    ShowWindow(child, SW_HIDE);
  if (!(w = W(child)))
    return nullptr;
  Unlink(W(old), child);
  w->parent = newParent;
  w->messageOnly = newParent == s.messageRoot;
  Wnd* np = W(newParent);
  np->children.insert(np->children.begin() + std::ptrdiff_t(TopInsertIndex(np, child)), child);
  if (newParent != s.desktop && w->backendWindow && s.backend) {
    s.backend->DestroySurfaceWindow(child);
    w->backendWindow = false;
    platform::detail::ReleaseSurface(child);
  }
  if (visible)
    ShowWindow(child, (w->style & WS_CHILD) ? SW_SHOW : SW_SHOWNA);
  return old == s.messageRoot ? nullptr : old;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Wnd* w = W(hwnd);
  auto& s = S();
  if (!w || hwnd == s.desktop)
    return nullptr;
  switch (flags) {
  case GA_PARENT:
    return w->parent;
  case GA_ROOT:
    return TopLevelOf(hwnd);
  case GA_ROOTOWNER: {
    HWND h = TopLevelOf(hwnd);
    while (W(h) && W(h)->owner)
      h = W(h)->owner;
    return h;
  }
  default:
    return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  Wnd* w = W(hwnd);
  if (!w)
    return nullptr;
  if (cmd == GW_CHILD)
    return w->children.empty() ? nullptr : w->children.front();
  if (cmd == GW_OWNER)
    return w->owner;
  Wnd* p = W(w->parent);
  if (!p)
    return nullptr;
  auto& c = p->children;
  auto it = std::find(c.begin(), c.end(), hwnd);
  if (it == c.end())
    return nullptr;
  switch (cmd) {
  case GW_HWNDFIRST:
    return c.front();
  case GW_HWNDLAST:
    return c.back();
  case GW_HWNDNEXT:
    return it + 1 == c.end() ? nullptr : *(it + 1);
  case GW_HWNDPREV:
    return it == c.begin() ? nullptr : *(it - 1);
  default:
    return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  return GetWindow(hwnd ? hwnd : S().desktop, GW_CHILD);
}

BOOL IsChild(HWND parent, HWND hwnd) {
  Wnd* w = W(hwnd);
  if (!W(parent) || !w)
    return FALSE;
  while (w && (w->style & WS_CHILD)) {
    if (w->parent == parent)
      return TRUE;
    w = W(w->parent);
  }
  return FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  return ReallyVisible(hwnd) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Wnd* w = W(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  Wnd* w = W(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  Wnd* w = W(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Wnd* w = W(hwnd);
  if (!w)
    return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && wasDisabled) {
    w->style &= ~DWORD(WS_DISABLED);
    SendMessageA(hwnd, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    SendMessageA(hwnd, WM_CANCELMODE, 0, 0);
    if (!(w = W(hwnd)))
      return wasDisabled;
    w->style |= WS_DISABLED;
    HWND focus = S().focus;
    if (focus == hwnd || IsChild(hwnd, focus))
      SetFocus(nullptr);
    SendMessageA(hwnd, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled;
}

namespace {
bool EnumInto(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  Wnd* w = W(parent);
  if (!w)
    return true;
  std::vector<HWND> children = w->children;
  for (HWND c : children) {
    if (!W(c))
      continue;
    if (!proc(c, lParam))
      return false;
    if (!EnumInto(c, proc, lParam))
      return false;
  }
  return true;
}
} // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  if (!proc)
    return FALSE;
  EnumInto(parent ? parent : S().desktop, proc, lParam);
  return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (!proc)
    return FALSE;
  std::vector<HWND> tops = W(S().desktop)->children;
  for (HWND h : tops)
    if (W(h) && !proc(h, lParam))
      break;
  return TRUE;
}

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  Wnd* w = W(hwnd);
  auto& s = S();
  if (!w || hwnd == s.desktop || w->messageOnly)
    return FALSE;
  BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  bool child = w->style & WS_CHILD;
  if (cmd == SW_HIDE) {
    if (!wasVisible)
      return FALSE;
    SendMessageA(hwnd, WM_SHOWWINDOW, FALSE, 0);
    if (!W(hwnd))
      return wasVisible;
    bool wasActive = s.active == hwnd;
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!W(hwnd))
      return wasVisible;
    if (wasActive && s.active == hwnd)
      platform::detail::ActivateWindow(NextActiveCandidate(hwnd), WA_ACTIVE, true);
    HWND focus = s.focus;
    if (focus == hwnd || IsChild(hwnd, focus)) {
      HWND parent = GetAncestor(hwnd, GA_PARENT);
      SetFocus(parent == s.desktop ? nullptr : parent);
    }
    return wasVisible;
  }
  UINT flags = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE;
  bool activate = !child && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWMINNOACTIVE &&
                  cmd != SW_MINIMIZE;
  if (!activate)
    flags |= SWP_NOACTIVATE | SWP_NOZORDER;
  if (cmd == SW_SHOWMAXIMIZED) {
    RECT wa = platform::Settings().workArea;
    w->style |= WS_MAXIMIZE;
    flags &= ~UINT(SWP_NOSIZE | SWP_NOMOVE);
    if (!wasVisible)
      SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
    SetWindowPos(hwnd, HWND_TOP, wa.left, wa.top, wa.right - wa.left, wa.bottom - wa.top, flags);
    return wasVisible;
  }
  const bool wasMinimized = w->style & WS_MINIMIZE;
  if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE)
    w->style |= WS_MINIMIZE;
  else if (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOWNOACTIVATE)
    w->style &= ~DWORD(WS_MINIMIZE | WS_MAXIMIZE);
  const bool minimized = w->style & WS_MINIMIZE;
  if (!wasVisible) {
    SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
    if (!W(hwnd))
      return wasVisible;
  }
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, flags);
  // A minimised window keeps its rectangle here, where the platform parks it off screen with an empty client
  // area, so no geometry change tells the window of the new state: WM_SIZE says it with the client's size.
  if (minimized == wasMinimized || !(w = W(hwnd)))
    return wasVisible;
  if (IsTopLevel(w) && s.backend && w->backendWindow)
    s.backend->MinimizeSurfaceWindow(hwnd, minimized);
  if ((w = W(hwnd)))
    SendMessageA(hwnd, WM_SIZE, minimized ? SIZE_MINIMIZED : SIZE_RESTORED,
                 MAKELPARAM(RectWidth(w->client), RectHeight(w->client)));
  // A window that stayed active while minimised holds no focus; restored, it is told it is active and not
  // minimised, so that it takes the keyboard back as a window activated in the normal state does.
  if (!minimized && W(hwnd) && s.active == hwnd) {
    HWND focus = GetFocus();
    if (focus != hwnd && !IsChild(hwnd, focus))
      SendMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
  }
  return wasVisible;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Wnd* w = W(hwnd);
  auto& s = S();
  if (!w || hwnd == s.desktop)
    return FALSE;
  bool topLevel = IsTopLevel(w);
  if (!topLevel && (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST))
    insertAfter = HWND_TOP;
  if (insertAfter && insertAfter != HWND_TOP && insertAfter != HWND_BOTTOM && insertAfter != HWND_TOPMOST &&
      insertAfter != HWND_NOTOPMOST && (!W(insertAfter) || W(insertAfter)->parent != w->parent))
    return FALSE;
  WINDOWPOS wp{hwnd, insertAfter, x, y, std::max(cx, 0), std::max(cy, 0), flags};
  if (flags & SWP_NOMOVE) {
    wp.x = w->rect.left;
    wp.y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    wp.cx = w->rect.right - w->rect.left;
    wp.cy = w->rect.bottom - w->rect.top;
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(w = W(hwnd)))
      return FALSE;
  }
  flags = wp.flags;
  RECT oldRect = w->rect;
  RECT oldClient = w->client;
  bool wasVisible = w->style & WS_VISIBLE;
  RECT newRect{wp.x, wp.y, wp.x + std::max(wp.cx, 0), wp.y + std::max(wp.cy, 0)};
  if (newRect.left == oldRect.left && newRect.top == oldRect.top)
    flags |= SWP_NOMOVE;
  if (RectWidth(newRect) == RectWidth(oldRect) && RectHeight(newRect) == RectHeight(oldRect))
    flags |= SWP_NOSIZE;
  if ((flags & SWP_SHOWWINDOW) && wasVisible)
    flags &= ~UINT(SWP_SHOWWINDOW);
  if ((flags & SWP_HIDEWINDOW) && !wasVisible)
    flags &= ~UINT(SWP_HIDEWINDOW);

  bool zChanged = false;
  if (!(flags & SWP_NOZORDER)) {
    bool wasTopmost = w->exStyle & WS_EX_TOPMOST;
    zChanged = Relink(hwnd, wp.hwndInsertAfter);
    bool nowTopmost = W(hwnd)->exStyle & WS_EX_TOPMOST;
    if (wasTopmost != nowTopmost && s.backend && W(hwnd)->backendWindow)
      s.backend->SetTopmost(hwnd, nowTopmost);
    if (!zChanged)
      flags |= SWP_NOZORDER;
  }
  w = W(hwnd);
  if (!(flags & SWP_NOSIZE) || (flags & SWP_FRAMECHANGED)) {
    w->client = CalcClient(hwnd, newRect, &wp, true);
    if (!(w = W(hwnd)))
      return FALSE;
  } else if (!(flags & SWP_NOMOVE)) {
    // A plain move keeps the client area where it is inside the window.
  }
  w->rect = newRect;
  if (flags & SWP_SHOWWINDOW)
    w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW)
    w->style &= ~DWORD(WS_VISIBLE);

  if (topLevel) {
    if (flags & SWP_SHOWWINDOW)
      EnsureBackendWindow(hwnd);
    if (s.backend && w->backendWindow) {
      if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE))
        s.backend->MoveSurfaceWindow(hwnd, newRect);
      if (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))
        s.backend->ShowSurfaceWindow(hwnd, (flags & SWP_SHOWWINDOW) != 0);
    }
  }

  bool redraw = !(flags & SWP_NOREDRAW);
  bool geometryChanged = !(flags & SWP_NOSIZE) || !(flags & SWP_NOMOVE);
  bool clientChanged = !(oldClient == w->client);
  bool visibleNow = w->style & WS_VISIBLE;
  if (redraw && (wasVisible || visibleNow)) {
    HWND parent = w->parent;
    bool exposeParent = !topLevel && wasVisible && (geometryChanged || (flags & SWP_HIDEWINDOW));
    bool repaintSelf =
        visibleNow && (!topLevel || (flags & SWP_SHOWWINDOW) || !(flags & SWP_NOSIZE)) &&
        (geometryChanged || zChanged || clientChanged || (flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)));
    if (exposeParent)
      RedrawWindow(parent, &oldRect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    if (repaintSelf)
      RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  } else if (flags & SWP_FRAMECHANGED) {
    w->ncPaintNeeded = true;
  }

  if (topLevel && !(flags & SWP_NOACTIVATE) && visibleNow && !(w->style & WS_DISABLED)) {
    platform::detail::PendingActivation how{hwnd, WA_ACTIVE, true};
    if (s.pendingActivation.hwnd == hwnd) {
      how = s.pendingActivation;
      s.pendingActivation = platform::detail::PendingActivation{};
    }
    platform::detail::DoActivate(hwnd, how.how, how.moveFocus);
  }
  if (!W(hwnd))
    return TRUE;

  if (RectWidth(oldClient) == RectWidth(w->client) && RectHeight(oldClient) == RectHeight(w->client))
    flags |= SWP_NOCLIENTSIZE;
  if ((flags & SWP_NOMOVE) && oldClient.left == w->client.left && oldClient.top == w->client.top)
    flags |= SWP_NOCLIENTMOVE;
  constexpr UINT unchanged = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  if ((flags & unchanged) != unchanged || (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED))) {
    wp.flags = flags;
    wp.x = newRect.left;
    wp.y = newRect.top;
    wp.cx = RectWidth(newRect);
    wp.cy = RectHeight(newRect);
    SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  }
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (!repaint)
    flags |= SWP_NOREDRAW;
  return SetWindowPos(hwnd, nullptr, x, y, width, height, flags);
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  if (!W(hwnd) || !rect)
    return FALSE;
  *rect = ScreenWindowRect(hwnd);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Wnd* w = W(hwnd);
  if (!w || !rect)
    return FALSE;
  *rect = RECT{0, 0, RectWidth(w->client), RectHeight(w->client)};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  if (!W(hwnd) || !pt)
    return FALSE;
  POINT o = ClientOrigin(hwnd);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  if (!W(hwnd) || !pt)
    return FALSE;
  POINT o = ClientOrigin(hwnd);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  if ((from && !W(from)) || (to && !W(to)))
    return 0;
  POINT a = from ? ClientOrigin(from) : POINT{};
  POINT b = to ? ClientOrigin(to) : POINT{};
  int dx = a.x - b.x;
  int dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return int(MAKELONG(WORD(dx), WORD(dy)));
}

HWND WindowFromPoint(POINT pt) {
  return platform::HitTestPoint(pt, nullptr);
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
  Wnd* p = W(parent);
  if (!p)
    return nullptr;
  RECT client{0, 0, RectWidth(p->client), RectHeight(p->client)};
  if (!PtInRect(&client, pt))
    return nullptr;
  POINT screen = pt;
  ClientToScreen(parent, &screen);
  for (HWND c : p->children) {
    Wnd* w = W(c);
    if (!w)
      continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(w->style & WS_VISIBLE))
      continue;
    if ((flags & CWP_SKIPDISABLED) && (w->style & WS_DISABLED))
      continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (w->exStyle & WS_EX_TRANSPARENT))
      continue;
    if (PointInWindow(c, screen))
      return c;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) {
  return ChildWindowFromPointEx(parent, pt, CWP_ALL);
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect)
    return FALSE;
  RECT in = platform::FrameInsets(style, exStyle);
  rect->left -= in.left;
  rect->top -= in.top;
  rect->right += in.right;
  rect->bottom += in.bottom;
  if (menu)
    rect->top -= GetSystemMetrics(SM_CYMENU);
  return TRUE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu) {
  return AdjustWindowRectEx(rect, style, menu, 0);
}
