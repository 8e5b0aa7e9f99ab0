#include "platform/win/Edit.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/CaseRules.h"
#include "platform/rtl/Colors.h"
#include "platform/win/BuiltinControl_p.h"
#include "platform/win/Caret.h"
#include "platform/win/Clipboard.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/EditControl_p.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/Window.h"

namespace platform::detail {

namespace {

std::size_t Unsigned(WPARAM v) {
  return std::size_t(DWORD(v));
}

} // namespace

void RegisterEditClass() {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = BuiltinControlWndProc<EditControl>;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hCursor = LoadCursorA(nullptr, IDC_IBEAM);
  wc.lpszClassName = "EDIT";
  RegisterClassA(&wc);
}

EditControl::EditControl(HWND hwnd, const CREATESTRUCTA& cs) : hwnd_(hwnd), parent_(cs.hwndParent) {
  if (cs.lpszName && !IS_INTRESOURCE(cs.lpszName))
    text_ = cs.lpszName;
  if ((cs.style & ES_PASSWORD) && !(cs.style & ES_MULTILINE))
    passwordChar_ = '*';
  UpdateMetrics();
}

DWORD EditControl::Style() const {
  DWORD style = DWORD(GetWindowLongA(hwnd_, GWL_STYLE));
  // Scroll bars imply scrolling in their direction, and a multi-line edit has no password mode.
  if (style & ES_MULTILINE) {
    if (style & WS_HSCROLL)
      style |= ES_AUTOHSCROLL;
    if (style & WS_VSCROLL)
      style |= ES_AUTOVSCROLL;
    style &= ~DWORD(ES_PASSWORD);
  }
  return style;
}

bool EditControl::Wraps() const {
  return MultiLine() && !(Style() & ES_AUTOHSCROLL);
}

void EditControl::SyncPasswordStyle() {
  bool password = GetWindowLongA(hwnd_, GWL_STYLE) & ES_PASSWORD;
  if (password && !passwordChar_)
    passwordChar_ = '*';
  else if (!password)
    passwordChar_ = 0;
}

unsigned char EditControl::MaskChar() const {
  return MultiLine() ? 0 : passwordChar_;
}

LRESULT EditControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_CREATE:
    UpdateFormatRect();
    Relayout();
    UpdateScrollBars();
    return 0;
  case WM_SETTEXT:
    return OnSetText(lParam);
  case WM_GETTEXT:
    return OnGetText(wParam, lParam);
  case WM_GETTEXTLENGTH:
    return LRESULT(text_.size());
  case WM_SETFONT:
    return OnSetFont(wParam, lParam);
  case WM_GETFONT:
    return reinterpret_cast<LRESULT>(font_);
  case WM_SETFOCUS:
    return OnSetFocus();
  case WM_KILLFOCUS:
    return OnKillFocus();
  case WM_SIZE:
    return OnSize();
  case WM_ERASEBKGND:
    return 1; // WM_PAINT fills the background with the brush the parent chooses
  case WM_PAINT:
    return OnPaint();
  case WM_STYLECHANGED:
    if (wParam == WPARAM(GWL_STYLE))
      SyncPasswordStyle();
    [[fallthrough]];
  case WM_ENABLE:
    // Alignment, case and password styles may change under a live window; its layout and caret follow.
    Relayout();
    Finish(Change::View);
    return 0;
  case WM_SETCURSOR:
    return OnSetCursor(wParam, lParam);
  case WM_GETDLGCODE:
    return LRESULT(DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS) |
           (MultiLine() ? LRESULT(DLGC_WANTALLKEYS) : 0);
  case WM_KEYDOWN:
    return OnKeyDown(wParam);
  case WM_SYSKEYDOWN:
    return OnSysKeyDown(wParam, lParam);
  case WM_CHAR:
    return OnChar(wParam);
  case WM_LBUTTONDOWN:
    return OnLButtonDown(wParam, lParam);
  case WM_LBUTTONDBLCLK:
    return OnLButtonDblClk(lParam);
  case WM_MOUSEMOVE:
    return OnMouseMove(lParam);
  case WM_LBUTTONUP:
    return OnLButtonUp();
  case WM_CAPTURECHANGED:
    return OnCaptureChanged();
  case WM_TIMER:
    return OnTimer(wParam);
  case WM_MOUSEWHEEL:
    return OnMouseWheel(wParam, lParam);
  case WM_HSCROLL:
    return OnScrollBar(SB_HORZ, wParam);
  case WM_VSCROLL:
    return OnScrollBar(SB_VERT, wParam);
  case WM_COPY:
    return OnCopy();
  case WM_CUT:
    return OnCut();
  case WM_PASTE:
    return OnPaste();
  case WM_CLEAR:
    return OnClear();
  case WM_UNDO:
  case EM_UNDO:
    return OnUndo();
  case EM_GETSEL:
    return OnGetSel(wParam, lParam);
  case EM_SETSEL:
    return OnSetSel(wParam, lParam);
  case EM_REPLACESEL:
    return OnReplaceSel(wParam, lParam);
  case EM_GETMODIFY:
    return modified_;
  case EM_SETMODIFY:
    modified_ = wParam != 0;
    return 0;
  case EM_CANUNDO:
    return undo_.kind != UndoKind::None;
  case EM_EMPTYUNDOBUFFER:
    undo_ = UndoRecord();
    return 0;
  case EM_LIMITTEXT:
    return OnSetLimit(wParam);
  case EM_GETLIMITTEXT:
    return LRESULT(limit_);
  case EM_GETLINECOUNT:
    return LRESULT(MultiLine() ? layout_.LineCount() : 1);
  case EM_LINEINDEX:
    return OnLineIndex(wParam);
  case EM_LINEFROMCHAR:
    return OnLineFromChar(wParam);
  case EM_LINELENGTH:
    return OnLineLength(wParam);
  case EM_GETLINE:
    return OnGetLine(wParam, lParam);
  case EM_GETFIRSTVISIBLELINE:
    return MultiLine() ? LRESULT(firstLine_) : LRESULT(layout_.PosAt(text_, 0, xOffset_));
  case EM_POSFROMCHAR:
    return OnPosFromChar(wParam);
  case EM_CHARFROMPOS:
    return OnCharFromPos(lParam);
  case EM_SETMARGINS:
    return OnSetMargins(wParam, lParam);
  case EM_GETMARGINS:
    return LRESULT(MAKELONG(WORD(leftMargin_), WORD(rightMargin_)));
  case EM_GETRECT:
    if (auto* r = reinterpret_cast<RECT*>(lParam))
      *r = format_;
    return 0;
  case EM_SETRECT:
  case EM_SETRECTNP:
    return OnSetRect(lParam, msg == EM_SETRECT);
  case EM_SCROLL:
    return OnScroll(wParam);
  case EM_LINESCROLL:
    return OnLineScroll(wParam, lParam);
  case EM_SCROLLCARET:
    Finish(Change::View);
    return TRUE;
  case EM_SETREADONLY:
    return OnSetReadOnly(wParam);
  case EM_SETPASSWORDCHAR:
    return OnSetPasswordChar(wParam);
  case EM_GETPASSWORDCHAR:
    return passwordChar_;
  default:
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
  }
}

// Text and notifications.

void EditControl::Notify(WORD code) {
  NotifyParent(hwnd_, parent_, code);
}

bool EditControl::Replace(std::size_t start, std::size_t end, std::string_view insert, UndoKind kind,
                          bool canUndo) {
  if (start == end && insert.empty())
    return false;
  std::string removed = text_.substr(start, end - start);
  if (!canUndo) {
    undo_ = UndoRecord();
  } else if (kind == UndoKind::Typing && undo_.kind == kind && removed.empty() &&
             start == undo_.pos + undo_.inserted.size()) {
    undo_.inserted += insert;
  } else if (kind == UndoKind::DeleteBack && undo_.kind == kind && insert.empty() && end == undo_.pos) {
    undo_.removed.insert(0, removed);
    undo_.pos = start;
  } else if (kind == UndoKind::DeleteForward && undo_.kind == kind && insert.empty() && start == undo_.pos) {
    undo_.removed += removed;
  } else {
    undo_ = UndoRecord{kind, start, std::move(removed), std::string(insert)};
  }
  std::size_t removedLength = end - start;
  text_.replace(start, removedLength, insert);
  anchor_ = caret_ = start + insert.size();
  modified_ = true;
  goalX_ = -1;
  layout_.Update(text_, start, removedLength, insert.size());
  anchor_ = caret_ = ClampPos(caret_);
  return true;
}

bool EditControl::Scrolls() const {
  DWORD style = Style();
  return (style & ES_MULTILINE) ? (style & ES_AUTOVSCROLL) != 0 : (style & ES_AUTOHSCROLL) != 0;
}

bool EditControl::Fits(std::string_view text) const {
  bool multi = MultiLine();
  EditLayout trial;
  trial.Build(text, metrics_, EditLayout::Options{multi, Wraps() ? FormatWidth() : 0, MaskChar()});
  if (!multi)
    return trial.MaxWidth() <= FormatWidth();
  return int(trial.LineCount()) <= VisibleLines();
}

bool EditControl::InsertUser(std::string text, UndoKind kind, bool truncate) {
  DWORD style = Style();
  if (style & (ES_UPPERCASE | ES_LOWERCASE)) {
    UINT cp = GetACP();
    for (char& c : text) {
      auto b = static_cast<unsigned char>(c);
      c = char((style & ES_LOWERCASE) ? CodePageLowerByte(cp, b) : CodePageUpperByte(cp, b));
    }
  }
  std::size_t kept = text_.size() - (SelMax() - SelMin());
  std::size_t room = kept < limit_ ? limit_ - kept : 0;
  bool cut = false;
  if (text.size() > room) {
    if (!truncate) {
      Notify(EN_MAXTEXT);
      return false;
    }
    text.resize(room);
    // A line break is never split in two.
    if (!text.empty() && text.back() == '\r')
      text.pop_back();
    cut = true;
  }
  auto resulting = [&](std::size_t n) {
    return text_.substr(0, SelMin()) + text.substr(0, n) + text_.substr(SelMax());
  };
  if (!Scrolls() && !Fits(resulting(text.size()))) {
    if (!truncate) {
      Notify(EN_MAXTEXT);
      return false;
    }
    std::size_t n = text.size();
    while (n > 0 && !Fits(resulting(n)))
      --n;
    text.resize(n);
    cut = true;
  }
  if (cut) {
    HWND self = hwnd_;
    Notify(EN_MAXTEXT);
    if (!IsWindow(self))
      return false;
  }
  return Replace(SelMin(), SelMax(), text, kind, true);
}

bool EditControl::DeleteUser(std::size_t start, std::size_t end, UndoKind kind) {
  if (start >= end)
    return false;
  return Replace(start, end, {}, kind, true);
}

void EditControl::Finish(Change change) {
  int oldX = xOffset_;
  std::size_t oldFirst = firstLine_;
  ScrollCaretIntoView();
  UpdateScrollBars();
  UpdateCaret();
  InvalidateRect(hwnd_, nullptr, TRUE);
  HWND self = hwnd_;
  if (change == Change::View) {
    // The platform reports only scrolling the user asks for; here every move of the view is reported, so
    // that a host mirroring the scroll bars also follows the caret and the program.
    if (oldX != xOffset_)
      Notify(EN_HSCROLL);
    if (IsWindow(self) && oldFirst != firstLine_)
      Notify(EN_VSCROLL);
    return;
  }
  // The display is brought up to date before EN_CHANGE, so that a handler that sets the text or the
  // selection again is the last to change them.
  Notify(EN_UPDATE);
  if (!IsWindow(self))
    return;
  UpdateWindow(self);
  if (!IsWindow(self))
    return;
  Notify(EN_CHANGE);
}

LRESULT EditControl::OnSetText(LPARAM lParam) {
  const char* text = reinterpret_cast<const char*>(lParam);
  text_ = text ? text : "";
  anchor_ = caret_ = 0;
  undo_ = UndoRecord();
  modified_ = false;
  xOffset_ = 0;
  firstLine_ = 0;
  goalX_ = -1;
  Relayout();
  if (MultiLine()) {
    // Multi-line edits report no change for text the program sets, as on the platform.
    Finish(Change::View);
    return TRUE;
  }
  Finish(Change::Text);
  return TRUE;
}

LRESULT EditControl::OnGetText(WPARAM size, LPARAM buffer) const {
  auto* out = reinterpret_cast<char*>(buffer);
  if (!out || size == 0)
    return 0;
  std::size_t n = std::min<std::size_t>(text_.size(), std::size_t(size) - 1);
  std::memcpy(out, text_.data(), n);
  out[n] = 0;
  return LRESULT(n);
}

LRESULT EditControl::OnReplaceSel(WPARAM canUndo, LPARAM lParam) {
  const char* p = reinterpret_cast<const char*>(lParam);
  std::string text = p ? p : "";
  std::size_t kept = text_.size() - (SelMax() - SelMin());
  std::size_t room = kept < limit_ ? limit_ - kept : 0;
  bool cut = text.size() > room;
  if (cut)
    text.resize(room);
  HWND self = hwnd_;
  if (cut) {
    Notify(EN_MAXTEXT);
    if (!IsWindow(self))
      return 0;
  }
  if (!Replace(SelMin(), SelMax(), text, UndoKind::Other, canUndo != 0)) {
    Finish(Change::View);
    return 0;
  }
  Finish(Change::Text);
  return 0;
}

LRESULT EditControl::OnCopy() {
  if (SelMin() == SelMax() || (passwordChar_ && !MultiLine()))
    return 0;
  SetClipboardText(hwnd_, std::string_view(text_).substr(SelMin(), SelMax() - SelMin()));
  return 0;
}

LRESULT EditControl::OnCut() {
  if (ReadOnly() || SelMin() == SelMax() || (passwordChar_ && !MultiLine()))
    return 0;
  OnCopy();
  if (DeleteUser(SelMin(), SelMax(), UndoKind::Other))
    Finish(Change::Text);
  return 0;
}

LRESULT EditControl::OnPaste() {
  if (ReadOnly())
    return 0;
  auto text = GetClipboardText(hwnd_);
  if (!text)
    return 0;
  if (!MultiLine()) {
    std::size_t stop = text->find_first_of("\r\n");
    if (stop != std::string::npos)
      text->resize(stop);
  }
  if (InsertUser(std::move(*text), UndoKind::Other, true))
    Finish(Change::Text);
  return 0;
}

LRESULT EditControl::OnClear() {
  if (ReadOnly())
    return 0;
  if (DeleteUser(SelMin(), SelMax(), UndoKind::Other))
    Finish(Change::Text);
  return 0;
}

LRESULT EditControl::OnUndo() {
  if (ReadOnly() || undo_.kind == UndoKind::None)
    return FALSE;
  UndoRecord record = undo_;
  std::size_t pos = std::min(record.pos, text_.size());
  std::size_t end = std::min(pos + record.inserted.size(), text_.size());
  text_.replace(pos, end - pos, record.removed);
  layout_.Update(text_, pos, end - pos, record.removed.size());
  // The reversal is itself the last operation, so a second undo redoes.
  undo_ = UndoRecord{UndoKind::Other, pos, record.inserted, record.removed};
  anchor_ = pos;
  caret_ = pos + record.removed.size();
  modified_ = true;
  goalX_ = -1;
  anchor_ = ClampPos(anchor_);
  caret_ = ClampPos(caret_);
  Finish(Change::Text);
  return TRUE;
}

LRESULT EditControl::OnSetLimit(WPARAM limit) {
  if (limit == 0)
    limit_ = MultiLine() ? 0xFFFFFFFFu : 0x7FFFFFFEu;
  else
    limit_ = std::size_t(limit);
  return 0;
}

LRESULT EditControl::OnSetPasswordChar(WPARAM ch) {
  if (MultiLine())
    return 0;
  passwordChar_ = static_cast<unsigned char>(ch);
  DWORD style = DWORD(GetWindowLongA(hwnd_, GWL_STYLE));
  DWORD wanted = passwordChar_ ? (style | ES_PASSWORD) : (style & ~DWORD(ES_PASSWORD));
  HWND self = hwnd_;
  if (wanted != style)
    SetWindowLongA(self, GWL_STYLE, LONG(wanted));
  if (!IsWindow(self))
    return 0;
  Relayout();
  Finish(Change::View);
  return 0;
}

LRESULT EditControl::OnSetReadOnly(WPARAM readOnly) {
  DWORD style = DWORD(GetWindowLongA(hwnd_, GWL_STYLE));
  DWORD wanted = readOnly ? (style | ES_READONLY) : (style & ~DWORD(ES_READONLY));
  HWND self = hwnd_;
  if (wanted != style)
    SetWindowLongA(self, GWL_STYLE, LONG(wanted));
  if (IsWindow(self))
    InvalidateRect(self, nullptr, TRUE);
  return TRUE;
}

// Selection.

std::size_t EditControl::ClampPos(std::size_t pos) const {
  pos = std::min(pos, text_.size());
  // The caret never stands between the two characters of a line break.
  if (MultiLine() && pos > 0 && pos < text_.size() && text_[pos - 1] == '\r' && text_[pos] == '\n')
    --pos;
  return pos;
}

void EditControl::SetSelection(std::size_t anchor, std::size_t caret) {
  anchor_ = ClampPos(anchor);
  caret_ = ClampPos(caret);
}

LRESULT EditControl::OnGetSel(WPARAM wParam, LPARAM lParam) const {
  if (auto* start = reinterpret_cast<DWORD*>(wParam))
    *start = DWORD(SelMin());
  if (auto* end = reinterpret_cast<DWORD*>(lParam))
    *end = DWORD(SelMax());
  auto clip = [](std::size_t v) { return WORD(std::min<std::size_t>(v, 0xFFFF)); };
  return LRESULT(MAKELONG(clip(SelMin()), clip(SelMax())));
}

LRESULT EditControl::OnSetSel(WPARAM wParam, LPARAM lParam) {
  auto start = int(DWORD(wParam));
  if (start == -1) {
    anchor_ = caret_;
  } else {
    // Both ends are taken as unsigned, so any negative end means the end of the text.
    SetSelection(Unsigned(wParam), Unsigned(WPARAM(lParam)));
  }
  goalX_ = -1;
  Finish(Change::View);
  return 0;
}

// Lines.

LRESULT EditControl::OnLineIndex(WPARAM wParam) const {
  if (!MultiLine())
    return 0;
  auto line = int(DWORD(wParam));
  if (line == -1)
    return LRESULT(layout_.Line(layout_.LineOf(caret_)).start);
  if (line < 0 || std::size_t(line) >= layout_.LineCount())
    return -1;
  return LRESULT(layout_.Line(std::size_t(line)).start);
}

LRESULT EditControl::OnLineFromChar(WPARAM wParam) const {
  if (!MultiLine())
    return 0;
  auto pos = int(DWORD(wParam));
  std::size_t p = pos < 0 ? SelMin() : std::min<std::size_t>(std::size_t(pos), text_.size());
  return LRESULT(layout_.LineOf(p));
}

LRESULT EditControl::OnLineLength(WPARAM wParam) const {
  auto pos = int(DWORD(wParam));
  if (!MultiLine())
    return pos < 0 ? LRESULT(text_.size() - (SelMax() - SelMin())) : LRESULT(text_.size());
  if (pos < 0) {
    // The characters of the lines the selection touches that are not selected.
    const EditLine& first = layout_.Line(layout_.LineOf(SelMin()));
    const EditLine& last = layout_.Line(layout_.LineOf(SelMax()));
    return LRESULT((SelMin() - first.start) + (last.End() - std::min(SelMax(), last.End())));
  }
  if (std::size_t(pos) > text_.size())
    return 0;
  return LRESULT(layout_.Line(layout_.LineOf(std::size_t(pos))).length);
}

LRESULT EditControl::OnGetLine(WPARAM wParam, LPARAM lParam) const {
  auto* buffer = reinterpret_cast<char*>(lParam);
  if (!buffer)
    return 0;
  WORD size;
  std::memcpy(&size, buffer, sizeof size);
  std::string_view line = text_;
  if (MultiLine()) {
    if (wParam >= layout_.LineCount())
      return 0;
    const EditLine& l = layout_.Line(std::size_t(wParam));
    line = line.substr(l.start, l.length);
  }
  // The copy carries no terminating zero, as on the platform.
  std::size_t n = std::min<std::size_t>(line.size(), size);
  std::memcpy(buffer, line.data(), n);
  return LRESULT(n);
}

LRESULT EditControl::OnPosFromChar(WPARAM wParam) const {
  std::size_t pos = Unsigned(wParam);
  if (pos > text_.size())
    return -1;
  POINT p = PointOf(pos);
  return LRESULT(MAKELONG(WORD(short(p.x)), WORD(short(p.y))));
}

LRESULT EditControl::OnCharFromPos(LPARAM lParam) const {
  int x = GET_X_LPARAM(lParam);
  int y = GET_Y_LPARAM(lParam);
  std::size_t pos = PosFromPoint(x, y);
  WORD line = MultiLine() ? WORD(layout_.LineOf(pos)) : 0;
  return LRESULT(MAKELONG(WORD(std::min<std::size_t>(pos, 0xFFFF)), line));
}

// Geometry and scrolling.

void EditControl::UpdateMetrics() {
  TEXTMETRICA tm = MeasureControlFont(font_, metrics_.widths.data());
  metrics_.lineHeight = std::max<int>(1, tm.tmHeight);
  metrics_.avgCharWidth = std::max<int>(1, tm.tmAveCharWidth);
}

void EditControl::Relayout() {
  layout_.Build(text_, metrics_,
                EditLayout::Options{MultiLine(), Wraps() ? std::max(1, FormatWidth()) : 0, MaskChar()});
  anchor_ = ClampPos(anchor_);
  caret_ = ClampPos(caret_);
}

void EditControl::UpdateFormatRect() {
  if (customFormat_)
    return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  format_ = client;
  format_.left += leftMargin_;
  format_.right = std::max(format_.left, client.right - rightMargin_);
}

int EditControl::VisibleLines() const {
  return std::max(1, int(format_.bottom - format_.top) / metrics_.lineHeight);
}

int EditControl::LineX(std::size_t line) const {
  int width = layout_.Line(line).width;
  int spare = FormatWidth() - width;
  DWORD style = Style();
  int shift = 0;
  if (spare > 0 && (style & ES_RIGHT))
    shift = spare - 1;
  else if (spare > 0 && (style & ES_CENTER))
    shift = spare / 2;
  return format_.left - xOffset_ + shift;
}

POINT EditControl::PointOf(std::size_t pos) const {
  std::size_t line = layout_.LineOf(pos);
  int x = LineX(line) + layout_.XOf(text_, line, pos);
  int y = format_.top + (int(line) - int(firstLine_)) * metrics_.lineHeight;
  return POINT{x, y};
}

std::size_t EditControl::PosFromPoint(int x, int y) const {
  std::size_t line = 0;
  if (MultiLine()) {
    int row = y < format_.top ? -1 - (format_.top - y - 1) / metrics_.lineHeight
                              : (y - format_.top) / metrics_.lineHeight;
    long long index = (long long)firstLine_ + row;
    line = std::size_t(std::clamp<long long>(index, 0, (long long)layout_.LineCount() - 1));
  }
  std::size_t pos = layout_.PosAt(text_, line, x - LineX(line));
  // A click past the end of a wrapped line stays on that line, before its hanging spaces' successor.
  const EditLine& l = layout_.Line(line);
  if (pos == l.End() && l.breakLength == 0 && line + 1 < layout_.LineCount() && l.length > 0)
    pos = l.End() - 1;
  return ClampPos(pos);
}

void EditControl::ScrollCaretIntoView() {
  std::size_t line = layout_.LineOf(caret_);
  if (MultiLine()) {
    int visible = VisibleLines();
    if (line < firstLine_)
      firstLine_ = line;
    else if (line >= firstLine_ + std::size_t(visible))
      firstLine_ = line - std::size_t(visible) + 1;
  }
  if (Wraps()) {
    xOffset_ = 0;
  } else {
    int width = FormatWidth();
    int shift = LineX(line) + xOffset_ - format_.left;
    int x = shift + layout_.XOf(text_, line, caret_);
    // Jumps of a quarter of the width, so that typing at an edge does not scroll on every character.
    if (x < xOffset_)
      xOffset_ = std::max(0, x - width / 4);
    else if (x >= xOffset_ + width)
      xOffset_ = std::min(x - (width * 3) / 4, layout_.MaxWidth() + 1 - width);
  }
  ClampScroll();
}

void EditControl::ClampScroll() {
  int width = FormatWidth();
  xOffset_ = std::clamp(xOffset_, 0, std::max(0, layout_.MaxWidth() + 1 - width));
  if (Wraps())
    xOffset_ = 0;
  std::size_t count = layout_.LineCount();
  if (!MultiLine())
    firstLine_ = 0;
  else if (firstLine_ >= count)
    firstLine_ = count - 1;
}

bool EditControl::ScrollBy(int lines, int pixels) {
  int oldX = xOffset_;
  std::size_t oldFirst = firstLine_;
  if (MultiLine()) {
    long long first = (long long)firstLine_ + lines;
    firstLine_ = std::size_t(std::clamp<long long>(first, 0, (long long)layout_.LineCount() - 1));
  }
  xOffset_ += pixels;
  ClampScroll();
  if (oldX == xOffset_ && oldFirst == firstLine_)
    return false;
  UpdateScrollBars();
  UpdateCaret();
  InvalidateRect(hwnd_, nullptr, TRUE);
  HWND self = hwnd_;
  if (oldX != xOffset_)
    Notify(EN_HSCROLL);
  if (IsWindow(self) && oldFirst != firstLine_)
    Notify(EN_VSCROLL);
  return true;
}

void EditControl::UpdateScrollBars() {
  DWORD style = Style();
  if (updatingBars_ || !(style & (WS_HSCROLL | WS_VSCROLL)))
    return;
  updatingBars_ = true;
  HWND self = hwnd_;
  if (style & WS_VSCROLL) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = int(layout_.LineCount()) - 1;
    si.nPage = UINT(VisibleLines());
    si.nPos = int(firstLine_);
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
  }
  if (!IsWindow(self))
    return;
  if (style & WS_HSCROLL) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = layout_.MaxWidth();
    si.nPage = UINT(std::max(0, FormatWidth()));
    si.nPos = xOffset_;
    SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
  }
  updatingBars_ = false;
}

void EditControl::UpdateCaret() {
  if (!focused_)
    return;
  POINT p = PointOf(caret_);
  SetCaretPos(p.x, p.y);
}

LRESULT EditControl::OnScroll(WPARAM code) {
  if (!MultiLine())
    return FALSE;
  int page = std::max(1, VisibleLines() - 1);
  int lines = 0;
  switch (code) {
  case SB_LINEUP:
    lines = -1;
    break;
  case SB_LINEDOWN:
    lines = 1;
    break;
  case SB_PAGEUP:
    lines = -page;
    break;
  case SB_PAGEDOWN:
    lines = page;
    break;
  default:
    return FALSE;
  }
  std::size_t before = firstLine_;
  ScrollBy(lines, 0);
  auto moved = int(firstLine_) - int(before);
  return LRESULT(MAKELONG(WORD(short(moved)), TRUE));
}

LRESULT EditControl::OnLineScroll(WPARAM chars, LPARAM lines) {
  if (!MultiLine())
    return FALSE;
  // Bounded so that absurd counts cannot overflow; no text is that many lines or pixels long.
  auto clampCount = [](LPARAM v) {
    constexpr LPARAM bound = 1 << 20;
    return int(std::clamp<LPARAM>(v, -bound, bound));
  };
  ScrollBy(clampCount(lines), Wraps() ? 0 : clampCount(LPARAM(chars)) * metrics_.avgCharWidth);
  return TRUE;
}

LRESULT EditControl::OnScrollBar(int bar, WPARAM wParam) {
  int code = LOWORD(wParam);
  int thumb = short(HIWORD(wParam));
  if (bar == SB_VERT) {
    if (!MultiLine())
      return 0;
    switch (code) {
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      ScrollBy(thumb - int(firstLine_), 0);
      break;
    case SB_TOP:
      ScrollBy(-int(firstLine_), 0);
      break;
    case SB_BOTTOM:
      ScrollBy(int(layout_.LineCount()), 0);
      break;
    default:
      OnScroll(WPARAM(code));
      break;
    }
    return 0;
  }
  int width = std::max(1, FormatWidth());
  switch (code) {
  case SB_LINELEFT:
    ScrollBy(0, -metrics_.avgCharWidth);
    break;
  case SB_LINERIGHT:
    ScrollBy(0, metrics_.avgCharWidth);
    break;
  case SB_PAGELEFT:
    ScrollBy(0, -width);
    break;
  case SB_PAGERIGHT:
    ScrollBy(0, width);
    break;
  case SB_THUMBTRACK:
  case SB_THUMBPOSITION:
    ScrollBy(0, thumb - xOffset_);
    break;
  case SB_LEFT:
    ScrollBy(0, -xOffset_);
    break;
  case SB_RIGHT:
    ScrollBy(0, layout_.MaxWidth());
    break;
  default:
    break;
  }
  return 0;
}

LRESULT EditControl::OnSetMargins(WPARAM which, LPARAM margins) {
  WORD left = LOWORD(std::uintptr_t(margins));
  WORD right = HIWORD(std::uintptr_t(margins));
  // Font information gives half an average character on each side; the platform's figure comes from the
  // font's overhangs, which the substituted fonts here do not carry.
  if (which & EC_LEFTMARGIN)
    leftMargin_ = left == EC_USEFONTINFO ? metrics_.avgCharWidth / 2 : left;
  if (which & EC_RIGHTMARGIN)
    rightMargin_ = right == EC_USEFONTINFO ? metrics_.avgCharWidth / 2 : right;
  customFormat_ = false;
  UpdateFormatRect();
  Relayout();
  Finish(Change::View);
  return 0;
}

LRESULT EditControl::OnSetRect(LPARAM lParam, bool redraw) {
  auto* r = reinterpret_cast<const RECT*>(lParam);
  if (!r) {
    customFormat_ = false;
    UpdateFormatRect();
  } else {
    customFormat_ = true;
    format_ = *r;
    format_.right = std::max(format_.left, format_.right);
    format_.bottom = std::max(format_.top, format_.bottom);
  }
  Relayout();
  ScrollCaretIntoView();
  UpdateScrollBars();
  UpdateCaret();
  if (redraw)
    InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

LRESULT EditControl::OnSize() {
  UpdateFormatRect();
  Relayout();
  Finish(Change::View);
  return 0;
}

LRESULT EditControl::OnSetFont(WPARAM font, LPARAM redraw) {
  font_ = reinterpret_cast<HFONT>(font);
  UpdateMetrics();
  Relayout();
  if (focused_) {
    DestroyCaret();
    CreateCaret(hwnd_, nullptr, 1, metrics_.lineHeight);
    ShowCaret(hwnd_);
  }
  ScrollCaretIntoView();
  UpdateScrollBars();
  UpdateCaret();
  if (redraw)
    InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

// Focus, cursor and painting.

LRESULT EditControl::OnSetFocus() {
  focused_ = true;
  CreateCaret(hwnd_, nullptr, 1, metrics_.lineHeight);
  UpdateCaret();
  ShowCaret(hwnd_);
  InvalidateRect(hwnd_, nullptr, TRUE);
  Notify(EN_SETFOCUS);
  return 0;
}

LRESULT EditControl::OnKillFocus() {
  focused_ = false;
  if (tracking_ && GetCapture() == hwnd_)
    ReleaseCapture();
  HideCaret(hwnd_);
  DestroyCaret();
  InvalidateRect(hwnd_, nullptr, TRUE);
  Notify(EN_KILLFOCUS);
  return 0;
}

LRESULT EditControl::OnSetCursor(WPARAM wParam, LPARAM lParam) {
  if (short(LOWORD(std::uintptr_t(lParam))) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd_) {
    SetCursor(LoadCursorA(nullptr, IDC_IBEAM));
    return TRUE;
  }
  return DefWindowProcA(hwnd_, WM_SETCURSOR, wParam, lParam);
}

LRESULT EditControl::OnPaint() {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(hwnd_, &ps);
  if (!dc)
    return 0;
  DWORD style = Style();
  bool enabled = IsWindowEnabled(hwnd_);
  bool asStatic = (style & ES_READONLY) || !enabled;
  SelectObject(dc, font_ ? HGDIOBJ(font_) : GetStockObject(SYSTEM_FONT));
  // The parent's default answer gives no brush here, so the platform's defaults are set first and kept
  // when the parent leaves the colours alone.
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(asStatic ? COLOR_3DFACE : COLOR_WINDOW));
  HBRUSH brush = nullptr;
  HWND self = hwnd_;
  if (IsWindow(parent_))
    brush =
        reinterpret_cast<HBRUSH>(SendMessageA(parent_, asStatic ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                                              reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(self)));
  // A parent that destroys the edit while choosing its colours leaves nothing to paint.
  if (!IsWindow(self))
    return 0;
  if (!brush)
    brush = GetSysColorBrush(asStatic ? COLOR_3DFACE : COLOR_WINDOW);
  if (!enabled)
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  RECT client{};
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, brush);

  IntersectClipRect(dc, format_.left, format_.top, format_.right, format_.bottom);
  SetBkMode(dc, TRANSPARENT);
  COLORREF textColor = GetTextColor(dc);
  bool showSel = SelMin() != SelMax() && (focused_ || (style & ES_NOHIDESEL));
  unsigned char mask = MaskChar();
  std::size_t visible = std::size_t(VisibleLines()) + 1;
  std::size_t last = std::min(layout_.LineCount(), firstLine_ + visible);
  std::string shown;
  for (std::size_t line = firstLine_; line < last; ++line) {
    const EditLine& l = layout_.Line(line);
    int x0 = LineX(line);
    int y = format_.top + int(line - firstLine_) * metrics_.lineHeight;
    // Runs between tabs are drawn where the layout places them; a run is split where the selection starts
    // and ends.
    auto drawRun = [&](std::size_t from, std::size_t to, bool selected) {
      std::size_t i = from;
      while (i < to) {
        std::size_t j = i;
        while (j < to && !(text_[j] == '\t' && MultiLine()))
          ++j;
        if (j > i) {
          int x = x0 + layout_.XOf(text_, line, i);
          shown.assign(mask ? std::string(j - i, char(mask)) : text_.substr(i, j - i));
          if (selected) {
            RECT r{x, y, x0 + layout_.XOf(text_, line, j), y + metrics_.lineHeight};
            ExtTextOutA(dc, x, y, ETO_OPAQUE, &r, shown.data(), UINT(shown.size()), nullptr);
          } else {
            ExtTextOutA(dc, x, y, 0, nullptr, shown.data(), UINT(shown.size()), nullptr);
          }
        }
        if (j < to && selected) {
          RECT r{x0 + layout_.XOf(text_, line, j), y, x0 + layout_.XOf(text_, line, j + 1),
                 y + metrics_.lineHeight};
          ExtTextOutA(dc, r.left, y, ETO_OPAQUE, &r, "", 0, nullptr);
        }
        i = j < to ? j + 1 : j;
      }
    };
    std::size_t a = l.start, b = l.End();
    if (!showSel) {
      drawRun(a, b, false);
      continue;
    }
    std::size_t s = std::clamp(SelMin(), a, b), e = std::clamp(SelMax(), a, b);
    drawRun(a, s, false);
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    drawRun(s, e, true);
    SetTextColor(dc, textColor);
    drawRun(e, b, false);
  }
  EndPaint(hwnd_, &ps);
  return 0;
}

} // namespace platform::detail
