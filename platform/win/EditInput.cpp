#include <algorithm>

#include "platform/win/DefWindowProc.h"
#include "platform/win/EditControl_p.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Window.h"

namespace platform::detail {

namespace {

constexpr UINT_PTR autoScrollTimer = 1;
constexpr UINT autoScrollInterval = 100;

bool Held(int vk) {
  return GetKeyState(vk) < 0;
}

} // namespace

// Caret movement. Words are delimited by spaces only, and a word move stops at the ends of lines.

std::size_t EditControl::PrevChar(std::size_t pos) const {
  if (pos == 0)
    return 0;
  if (MultiLine() && pos >= 2 && text_[pos - 1] == '\n' && text_[pos - 2] == '\r')
    return pos - 2;
  return pos - 1;
}

std::size_t EditControl::NextChar(std::size_t pos) const {
  if (pos >= text_.size())
    return text_.size();
  if (MultiLine() && text_[pos] == '\r' && pos + 1 < text_.size() && text_[pos + 1] == '\n')
    return pos + 2;
  return pos + 1;
}

// Words run on across wrapped lines; only hard line breaks end them.
std::pair<std::size_t, std::size_t> EditControl::ParagraphOf(std::size_t pos) const {
  std::size_t first = layout_.LineOf(pos);
  while (first > 0 && layout_.Line(first - 1).breakLength == 0)
    --first;
  std::size_t last = first;
  while (last + 1 < layout_.LineCount() && layout_.Line(last).breakLength == 0)
    ++last;
  return {first, last};
}

std::size_t EditControl::PrevWord(std::size_t pos) const {
  auto [first, last] = ParagraphOf(pos);
  std::size_t start = layout_.Line(first).start;
  if (pos <= start)
    return first == 0 ? 0 : layout_.Line(first - 1).End();
  while (pos > start && text_[pos - 1] == ' ')
    --pos;
  while (pos > start && text_[pos - 1] != ' ')
    --pos;
  return pos;
}

std::size_t EditControl::NextWord(std::size_t pos) const {
  auto [first, last] = ParagraphOf(pos);
  std::size_t end = layout_.Line(last).End();
  if (pos >= end)
    return last + 1 < layout_.LineCount() ? layout_.Line(last + 1).start : pos;
  while (pos < end && text_[pos] != ' ')
    ++pos;
  while (pos < end && text_[pos] == ' ')
    ++pos;
  return pos;
}

std::size_t EditControl::LineEndOf(std::size_t pos) const {
  std::size_t index = layout_.LineOf(pos);
  const EditLine& line = layout_.Line(index);
  // The end of a wrapped line is where the next one starts; stop before the hanging space instead.
  if (line.breakLength == 0 && index + 1 < layout_.LineCount() && line.length > 0)
    return line.End() - 1;
  return line.End();
}

void EditControl::MoveCaret(std::size_t pos, bool extend) {
  caret_ = ClampPos(pos);
  if (!extend)
    anchor_ = caret_;
  Finish(Change::View);
}

LRESULT EditControl::OnKeyDown(WPARAM vk) {
  bool shift = Held(VK_SHIFT);
  bool ctrl = Held(VK_CONTROL);
  bool multi = MultiLine();
  auto vertical = [&](int lines) {
    std::size_t line = layout_.LineOf(caret_);
    if (goalX_ < 0)
      goalX_ = layout_.XOf(text_, line, caret_) + LineX(line);
    long long target = std::clamp<long long>((long long)line + lines, 0, (long long)layout_.LineCount() - 1);
    int keep = goalX_;
    HWND self = hwnd_;
    if (lines < -1 || lines > 1)
      ScrollBy(lines, 0);
    if (!IsWindow(self))
      return;
    std::size_t t = std::size_t(target);
    std::size_t pos = layout_.PosAt(text_, t, keep - LineX(t));
    const EditLine& l = layout_.Line(t);
    if (pos == l.End() && l.breakLength == 0 && t + 1 < layout_.LineCount() && l.length > 0)
      pos = l.End() - 1;
    MoveCaret(pos, shift);
    if (IsWindow(self))
      goalX_ = keep;
  };
  switch (vk) {
  case VK_LEFT:
    goalX_ = -1;
    MoveCaret(ctrl ? PrevWord(caret_) : PrevChar(caret_), shift);
    return 0;
  case VK_RIGHT:
    goalX_ = -1;
    MoveCaret(ctrl ? NextWord(caret_) : NextChar(caret_), shift);
    return 0;
  case VK_UP:
    if (!multi) {
      MoveCaret(PrevChar(caret_), shift);
      return 0;
    }
    vertical(-1);
    return 0;
  case VK_DOWN:
    if (!multi) {
      MoveCaret(NextChar(caret_), shift);
      return 0;
    }
    vertical(1);
    return 0;
  case VK_PRIOR:
  case VK_NEXT:
    if (multi) {
      int page = std::max(1, VisibleLines() - 1);
      vertical(vk == VK_PRIOR ? -page : page);
    }
    return 0;
  case VK_HOME:
    goalX_ = -1;
    MoveCaret(ctrl ? 0 : layout_.Line(layout_.LineOf(caret_)).start, shift);
    return 0;
  case VK_END:
    goalX_ = -1;
    MoveCaret(ctrl ? text_.size() : LineEndOf(caret_), shift);
    return 0;
  case VK_INSERT:
    if (ctrl)
      SendMessageA(hwnd_, WM_COPY, 0, 0);
    else if (shift)
      SendMessageA(hwnd_, WM_PASTE, 0, 0);
    return 0;
  case VK_DELETE:
    if (shift) {
      SendMessageA(hwnd_, WM_CUT, 0, 0);
      return 0;
    }
    if (ReadOnly())
      return 0;
    if (SelMin() != SelMax()) {
      if (DeleteUser(SelMin(), SelMax(), UndoKind::Other))
        Finish(Change::Text);
      return 0;
    }
    if (DeleteUser(caret_, ctrl ? std::max(caret_, LineEndOf(caret_)) : NextChar(caret_),
                   UndoKind::DeleteForward))
      Finish(Change::Text);
    return 0;
  default:
    return 0;
  }
}

LRESULT EditControl::OnSysKeyDown(WPARAM vk, LPARAM lParam) {
  if (vk == VK_BACK) {
    SendMessageA(hwnd_, WM_UNDO, 0, 0);
    return 0;
  }
  return DefWindowProcA(hwnd_, WM_SYSKEYDOWN, vk, lParam);
}

LRESULT EditControl::OnChar(WPARAM wParam) {
  auto ch = static_cast<unsigned char>(wParam & 0xFF);
  bool multi = MultiLine();
  switch (ch) {
  case 1: // Ctrl+A
    SetSelection(0, text_.size());
    Finish(Change::View);
    return 0;
  case 3:
    SendMessageA(hwnd_, WM_COPY, 0, 0);
    return 0;
  case 22:
    SendMessageA(hwnd_, WM_PASTE, 0, 0);
    return 0;
  case 24:
    SendMessageA(hwnd_, WM_CUT, 0, 0);
    return 0;
  case 26:
    SendMessageA(hwnd_, WM_UNDO, 0, 0);
    return 0;
  default:
    break;
  }
  if (ReadOnly())
    return 0;
  bool changed = false;
  if (ch == '\b') {
    if (SelMin() != SelMax())
      changed = DeleteUser(SelMin(), SelMax(), UndoKind::Other);
    else
      changed = DeleteUser(PrevChar(caret_), caret_, UndoKind::DeleteBack);
  } else if (ch == 127) {
    // Ctrl+Backspace takes the word before the caret.
    if (SelMin() != SelMax())
      changed = DeleteUser(SelMin(), SelMax(), UndoKind::Other);
    else
      changed = DeleteUser(PrevWord(caret_), caret_, UndoKind::DeleteBack);
  } else if (ch == '\r' || ch == '\n') {
    // Enter breaks the line where the style wants returns; Ctrl+Enter (a line feed) always does.
    if (multi && (ch == '\n' || (Style() & ES_WANTRETURN)))
      changed = InsertUser("\r\n", UndoKind::Typing, false);
  } else if (ch == '\t') {
    if (multi)
      changed = InsertUser("\t", UndoKind::Typing, false);
  } else if (ch >= 32) {
    changed = InsertUser(std::string(1, char(ch)), UndoKind::Typing, false);
  }
  if (changed)
    Finish(Change::Text);
  return 0;
}

// The mouse.

LRESULT EditControl::OnLButtonDown(WPARAM keys, LPARAM point) {
  HWND self = hwnd_;
  if (GetFocus() != self) {
    SetFocus(self);
    if (!IsWindow(self))
      return 0;
  }
  lastMouse_ = POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  std::size_t pos = PosFromPoint(lastMouse_.x, lastMouse_.y);
  goalX_ = -1;
  tracking_ = true;
  SetCapture(self);
  MoveCaret(pos, (keys & MK_SHIFT) != 0);
  return 0;
}

LRESULT EditControl::OnLButtonDblClk(LPARAM point) {
  std::size_t pos = PosFromPoint(GET_X_LPARAM(point), GET_Y_LPARAM(point));
  std::size_t paragraphStart = layout_.Line(ParagraphOf(pos).first).start;
  std::size_t start = pos;
  while (start > paragraphStart && text_[start - 1] != ' ')
    --start;
  std::size_t end = pos < layout_.Line(ParagraphOf(pos).second).End() ? NextWord(pos) : pos;
  goalX_ = -1;
  SetSelection(start, end);
  Finish(Change::View);
  return 0;
}

LRESULT EditControl::OnMouseMove(LPARAM point) {
  if (!tracking_ || GetCapture() != hwnd_)
    return 0;
  lastMouse_ = POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  bool outside = lastMouse_.x < format_.left || lastMouse_.x >= format_.right ||
                 (MultiLine() && (lastMouse_.y < format_.top || lastMouse_.y >= format_.bottom));
  if (outside)
    SetTimer(hwnd_, autoScrollTimer, autoScrollInterval, nullptr);
  else
    KillTimer(hwnd_, autoScrollTimer);
  MoveCaret(PosFromVisiblePoint(lastMouse_), true);
  return 0;
}

// While dragging, the point is held inside the formatting rectangle, so that the view moves only as fast
// as the auto-scroll timer moves it.
std::size_t EditControl::PosFromVisiblePoint(POINT p) const {
  int x = std::clamp<int>(p.x, format_.left, std::max<int>(format_.left, format_.right - 1));
  int y = std::clamp<int>(p.y, format_.top, std::max<int>(format_.top, format_.bottom - 1));
  return PosFromPoint(x, y);
}

LRESULT EditControl::OnTimer(WPARAM id) {
  if (id != autoScrollTimer)
    return 0;
  if (!tracking_) {
    KillTimer(hwnd_, autoScrollTimer);
    return 0;
  }
  int lines = 0;
  int pixels = 0;
  if (MultiLine() && lastMouse_.y < format_.top)
    lines = -1;
  else if (MultiLine() && lastMouse_.y >= format_.bottom)
    lines = 1;
  if (lastMouse_.x < format_.left)
    pixels = -metrics_.avgCharWidth;
  else if (lastMouse_.x >= format_.right)
    pixels = metrics_.avgCharWidth;
  HWND self = hwnd_;
  ScrollBy(lines, pixels);
  if (!IsWindow(self))
    return 0;
  caret_ = PosFromVisiblePoint(lastMouse_);
  UpdateCaret();
  InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

LRESULT EditControl::OnLButtonUp() {
  if (tracking_ && GetCapture() == hwnd_)
    ReleaseCapture();
  return 0;
}

LRESULT EditControl::OnCaptureChanged() {
  if (tracking_) {
    tracking_ = false;
    KillTimer(hwnd_, autoScrollTimer);
  }
  return 0;
}

LRESULT EditControl::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
  // A single line has nothing to scroll by the wheel; its parent may.
  if (!MultiLine())
    return DefWindowProcA(hwnd_, WM_MOUSEWHEEL, wParam, lParam);
  int delta = GET_WHEEL_DELTA_WPARAM(wParam);
  int lines = -delta * int(Settings().wheelScrollLines) / 120;
  if (lines != 0)
    ScrollBy(lines, 0);
  return 0;
}

} // namespace platform::detail
