#include <algorithm>

#include "platform/win/Clock.h"
#include "platform/win/Input.h"
#include "platform/win/ListBoxControl_p.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Window.h"

namespace platform::detail {

namespace {

bool KeyDown(int vk) {
  return GetKeyState(vk) < 0;
}

// Characters typed closer together than this extend the type-ahead prefix.
constexpr DWORD kTypeAheadInterval = 1000;

} // namespace

LRESULT ListBoxControl::OnKeyDown(WPARAM vk) {
  HWND self = hwnd_;
  int count = Count();
  int target = -1;
  if (Style() & LBS_WANTKEYBOARDINPUT) {
    auto answer = int(
        SendMessageA(parent_, WM_VKEYTOITEM, MAKEWPARAM(int(vk), caret_), reinterpret_cast<LPARAM>(hwnd_)));
    if (!IsWindow(self) || answer == -2)
      return 0;
    if (answer >= 0)
      target = answer;
  }
  bool shift = KeyDown(VK_SHIFT), ctrl = KeyDown(VK_CONTROL);
  if (target < 0) {
    // With nothing selected yet, the first step of a single-selection list lands on the focus item.
    bool fresh = !MultiSel() && curSel_ < 0;
    int step = MultiColumn() ? Rows() : 1;
    int page = std::max(1, PageItems() - (MultiColumn() ? 0 : 1));
    switch (vk) {
    case VK_UP:
      target = fresh ? caret_ : caret_ - 1;
      break;
    case VK_DOWN:
      target = fresh ? caret_ : caret_ + 1;
      break;
    case VK_LEFT:
      target = fresh ? caret_ : caret_ - step;
      break;
    case VK_RIGHT:
      target = fresh ? caret_ : caret_ + step;
      break;
    case VK_PRIOR:
      target = caret_ - page;
      break;
    case VK_NEXT:
      target = caret_ + page;
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = count - 1;
      break;
    case VK_SPACE:
      if (!MultiSel() || count == 0 || (Style() & LBS_NOSEL))
        return 0;
      if (!Extended() || ctrl) {
        SetItemSelected(caret_, !items_.At(std::size_t(caret_)).Selected());
        anchor_ = caret_;
      } else {
        MoveByUser(caret_, shift, false);
      }
      NotifySelChange();
      return 0;
    default:
      return 0;
    }
  }
  if (count == 0)
    return 0;
  MoveByUser(std::clamp(target, 0, count - 1), shift, ctrl);
  NotifySelChange();
  return 0;
}

LRESULT ListBoxControl::OnChar(WPARAM wParam) {
  auto ch = char(BYTE(wParam));
  HWND self = hwnd_;
  if (!HasStrings()) {
    if (!(Style() & LBS_WANTKEYBOARDINPUT) || !OwnerDraw())
      return 0;
    auto answer = int(SendMessageA(parent_, WM_CHARTOITEM, MAKEWPARAM(int(BYTE(wParam)), caret_),
                                   reinterpret_cast<LPARAM>(hwnd_)));
    if (!IsWindow(self) || answer < 0 || Count() == 0)
      return 0;
    MoveByUser(answer, false, false);
    NotifySelChange();
    return 0;
  }
  if (BYTE(ch) < ' ' || (ch == ' ' && MultiSel()) || Count() == 0)
    return 0;
  DWORD now = Clock::Now();
  if (typed_.empty() || now - lastTyped_ > kTypeAheadInterval)
    typed_.clear();
  lastTyped_ = now;
  typed_ += ch;
  // A longer prefix may still fit the current item; a lone letter moves on to the next one that starts so.
  bool selected = MultiSel() || curSel_ >= 0;
  int start = typed_.size() == 1 && selected ? caret_ : caret_ - 1;
  int index = Find(start, reinterpret_cast<LPARAM>(typed_.c_str()), false);
  if (index < 0 && typed_.size() > 1) {
    typed_.assign(1, ch);
    index = Find(caret_, reinterpret_cast<LPARAM>(typed_.c_str()), false);
  }
  if (index < 0)
    return 0;
  MoveByUser(index, false, false);
  NotifySelChange();
  return 0;
}

LRESULT ListBoxControl::OnLButtonDown(WPARAM keys, LPARAM point, bool doubleClick) {
  HWND self = hwnd_;
  if (GetFocus() != hwnd_) {
    SetFocus(hwnd_);
    if (!IsWindow(self))
      return 0;
  }
  POINT pt{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  bool outside = true;
  int index = ItemAt(pt, &outside);
  if (index >= 0 && !outside) {
    bool shift = keys & MK_SHIFT, ctrl = keys & MK_CONTROL;
    ctrlDrag_ = ctrl;
    if (MultiSel() && !Extended()) {
      SetItemSelected(index, !items_.At(std::size_t(index)).Selected());
      InvalidateItem(caret_);
      caret_ = anchor_ = index;
      InvalidateItem(index);
      EnsureVisible(index);
    } else if (Extended() && ctrl && !shift) {
      SetItemSelected(index, !items_.At(std::size_t(index)).Selected());
      InvalidateItem(caret_);
      caret_ = anchor_ = index;
      InvalidateItem(index);
      EnsureVisible(index);
    } else {
      MoveByUser(index, shift, ctrl);
    }
    captured_ = true;
    SetCapture(hwnd_);
  }
  if (doubleClick && (Style() & LBS_NOTIFY))
    Notify(LBN_DBLCLK);
  return 0;
}

LRESULT ListBoxControl::OnMouseMove(LPARAM point) {
  if (!captured_ || Count() == 0)
    return 0;
  POINT pt{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  RECT client{};
  GetClientRect(hwnd_, &client);
  int index = 0;
  // Dragging past an edge scrolls one item a move.
  if (!MultiColumn() && pt.y < 0) {
    index = top_ - 1;
  } else if (!MultiColumn() && pt.y >= client.bottom) {
    index = top_ + PageItems();
  } else {
    bool outside = true;
    index = ItemAt(pt, &outside);
  }
  index = std::clamp(index, 0, Count() - 1);
  if (index == caret_)
    return 0;
  if (!MultiSel())
    MoveByUser(index, false, false);
  else if (Extended() && !ctrlDrag_)
    MoveByUser(index, true, false);
  return 0;
}

LRESULT ListBoxControl::OnLButtonUp() {
  if (!captured_)
    return 0;
  captured_ = false;
  if (GetCapture() == hwnd_)
    ReleaseCapture();
  NotifySelChange();
  return 0;
}

LRESULT ListBoxControl::OnMouseWheel(WPARAM wParam) {
  wheelRest_ += GET_WHEEL_DELTA_WPARAM(wParam);
  int notches = wheelRest_ / 120;
  if (notches == 0)
    return 0;
  wheelRest_ -= notches * 120;
  if (MultiColumn()) {
    SetTop(top_ - notches * Rows());
    return 0;
  }
  int lines = std::min<int>(int(Settings().wheelScrollLines), std::max(1, PageItems() - 1));
  SetTop(top_ - notches * lines);
  return 0;
}

LRESULT ListBoxControl::OnScroll(int bar, WPARAM wParam) {
  int code = LOWORD(wParam);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_TRACKPOS;
  GetScrollInfo(hwnd_, bar, &si);
  if (bar == SB_HORZ && !MultiColumn()) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    int page = std::max<int>(1, client.right);
    int x = xOffset_;
    switch (code) {
    case SB_LINELEFT:
      x -= avgCharWidth_;
      break;
    case SB_LINERIGHT:
      x += avgCharWidth_;
      break;
    case SB_PAGELEFT:
      x -= page;
      break;
    case SB_PAGERIGHT:
      x += page;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      x = si.nTrackPos;
      break;
    case SB_LEFT:
      x = 0;
      break;
    case SB_RIGHT:
      x = horizontalExtent_;
      break;
    default:
      return 0;
    }
    x = std::clamp(x, 0, std::max(0, horizontalExtent_ - page));
    if (x != xOffset_) {
      xOffset_ = x;
      UpdateScrollBars();
      InvalidateRect(hwnd_, nullptr, TRUE);
    }
    return 0;
  }
  // The vertical bar of a list, or the horizontal bar of a multi-column list, counts in items or columns.
  int unit = MultiColumn() ? Rows() : 1;
  int page = MultiColumn() ? VisibleColumns() * unit : std::max(1, PageItems() - 1);
  int top = top_;
  switch (code) {
  case SB_LINEUP:
    top -= unit;
    break;
  case SB_LINEDOWN:
    top += unit;
    break;
  case SB_PAGEUP:
    top -= page;
    break;
  case SB_PAGEDOWN:
    top += page;
    break;
  case SB_THUMBTRACK:
  case SB_THUMBPOSITION:
    top = si.nTrackPos * unit;
    break;
  case SB_TOP:
    top = 0;
    break;
  case SB_BOTTOM:
    top = Count();
    break;
  default:
    return 0;
  }
  SetTop(top);
  return 0;
}

} // namespace platform::detail
