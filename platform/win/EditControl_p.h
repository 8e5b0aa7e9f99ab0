#pragma once
// The state and operations of one EDIT window; Edit.cpp holds the messages, text changes and painting,
// EditInput.cpp the keyboard and the mouse.
#include <string>
#include <string_view>
#include <utility>

#include "platform/win/Edit.h"
#include "platform/win/EditLayout_p.h"

namespace platform::detail {

class EditControl {
public:
  EditControl(HWND hwnd, const CREATESTRUCTA& cs);

  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
  enum class UndoKind { None, Typing, DeleteBack, DeleteForward, Other };
  enum class Change { Text, View };
  struct UndoRecord {
    UndoKind kind = UndoKind::None;
    std::size_t pos = 0;
    std::string removed;  // what the operation took out; undo puts it back
    std::string inserted; // what the operation put in; undo takes it out
  };

  DWORD Style() const;
  bool MultiLine() const { return Style() & ES_MULTILINE; }
  bool ReadOnly() const { return Style() & ES_READONLY; }
  bool Wraps() const;
  std::size_t SelMin() const { return anchor_ < caret_ ? anchor_ : caret_; }
  std::size_t SelMax() const { return anchor_ < caret_ ? caret_ : anchor_; }

  // Messages.
  LRESULT OnSetText(LPARAM lParam);
  LRESULT OnGetText(WPARAM size, LPARAM buffer) const;
  LRESULT OnSetFont(WPARAM font, LPARAM redraw);
  LRESULT OnSetFocus();
  LRESULT OnKillFocus();
  LRESULT OnSize();
  LRESULT OnPaint();
  LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetSel(WPARAM wParam, LPARAM lParam) const;
  LRESULT OnSetSel(WPARAM wParam, LPARAM lParam);
  LRESULT OnReplaceSel(WPARAM canUndo, LPARAM text);
  LRESULT OnCopy();
  LRESULT OnCut();
  LRESULT OnPaste();
  LRESULT OnClear();
  LRESULT OnUndo();
  LRESULT OnLineIndex(WPARAM line) const;
  LRESULT OnLineFromChar(WPARAM pos) const;
  LRESULT OnLineLength(WPARAM pos) const;
  LRESULT OnGetLine(WPARAM line, LPARAM buffer) const;
  LRESULT OnPosFromChar(WPARAM pos) const;
  LRESULT OnCharFromPos(LPARAM point) const;
  LRESULT OnSetMargins(WPARAM which, LPARAM margins);
  LRESULT OnSetRect(LPARAM rect, bool redraw);
  LRESULT OnScroll(WPARAM code);
  LRESULT OnLineScroll(WPARAM chars, LPARAM lines);
  LRESULT OnScrollBar(int bar, WPARAM wParam);
  LRESULT OnSetLimit(WPARAM limit);
  LRESULT OnSetPasswordChar(WPARAM ch);
  LRESULT OnSetReadOnly(WPARAM readOnly);
  // EditInput.cpp
  LRESULT OnKeyDown(WPARAM vk);
  LRESULT OnSysKeyDown(WPARAM vk, LPARAM lParam);
  LRESULT OnChar(WPARAM ch);
  LRESULT OnLButtonDown(WPARAM keys, LPARAM point);
  LRESULT OnLButtonDblClk(LPARAM point);
  LRESULT OnMouseMove(LPARAM point);
  LRESULT OnLButtonUp();
  LRESULT OnCaptureChanged();
  LRESULT OnTimer(WPARAM id);
  LRESULT OnMouseWheel(WPARAM wParam, LPARAM lParam);

  // Text changes. Each returns whether it changed anything; the caller then calls Finish.
  bool Replace(std::size_t start, std::size_t end, std::string_view insert, UndoKind kind, bool canUndo);
  // Inserts user text at the selection: re-cased by the style, cut to the limit and to what fits the window
  // when it may not scroll; EN_MAXTEXT when something was cut. False when nothing changed.
  bool InsertUser(std::string text, UndoKind kind, bool truncate);
  bool DeleteUser(std::size_t start, std::size_t end, UndoKind kind);
  // Brings layout, scrolling, caret and scroll bars in step, repaints and notifies. Nothing may use the
  // object after it returns with a text change: the notifications may change or destroy the window.
  void Finish(Change change);
  void Notify(WORD code);

  // Selection and caret.
  void SetSelection(std::size_t anchor, std::size_t caret);
  void MoveCaret(std::size_t pos, bool extend);
  std::size_t ClampPos(std::size_t pos) const;
  std::size_t PrevChar(std::size_t pos) const;
  std::size_t NextChar(std::size_t pos) const;
  // The first and last display lines of the hard line holding the position.
  std::pair<std::size_t, std::size_t> ParagraphOf(std::size_t pos) const;
  std::size_t PrevWord(std::size_t pos) const;
  std::size_t NextWord(std::size_t pos) const;
  std::size_t LineEndOf(std::size_t pos) const;
  std::size_t PosFromPoint(int x, int y) const;
  std::size_t PosFromVisiblePoint(POINT p) const;

  // Layout and view.
  void UpdateMetrics();
  void Relayout();
  void UpdateFormatRect();
  int FormatWidth() const { return format_.right - format_.left; }
  int VisibleLines() const;
  int LineX(std::size_t line) const;
  POINT PointOf(std::size_t pos) const;
  void ScrollCaretIntoView();
  void ClampScroll();
  void UpdateScrollBars();
  void UpdateCaret();
  bool ScrollBy(int lines, int pixels);
  // Whether the window may scroll in the direction its text grows; when not, text must fit the window.
  bool Scrolls() const;
  bool Fits(std::string_view text) const;
  unsigned char MaskChar() const;
  // A password style set or cleared directly brings the default mask or removes it.
  void SyncPasswordStyle();

  HWND hwnd_;
  HWND parent_;
  std::string text_;
  std::size_t anchor_ = 0;
  std::size_t caret_ = 0;
  std::size_t limit_ = 30000;
  bool modified_ = false;
  HFONT font_ = nullptr;
  EditMetrics metrics_;
  EditLayout layout_;
  int leftMargin_ = 0;
  int rightMargin_ = 0;
  RECT format_{};
  bool customFormat_ = false;
  int xOffset_ = 0;
  std::size_t firstLine_ = 0;
  unsigned char passwordChar_ = 0;
  UndoRecord undo_;
  bool focused_ = false;
  bool tracking_ = false;
  POINT lastMouse_{};
  int goalX_ = -1; // the x kept while the caret moves up and down through shorter lines
  bool updatingBars_ = false;
};

} // namespace platform::detail
