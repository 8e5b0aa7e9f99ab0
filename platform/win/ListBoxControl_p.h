#pragma once
// The state and operations of one LISTBOX window; ListBox.cpp holds the messages, the items and painting,
// ListBoxInput.cpp the keyboard, the mouse and scrolling.
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/ListBox.h"
#include "platform/win/ListBoxStore_p.h"

namespace platform::detail {

class ListBoxControl {
public:
  ListBoxControl(HWND hwnd, const CREATESTRUCTA& cs);

  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
  DWORD Style() const;
  bool MultiSel() const { return Style() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL); }
  bool Extended() const { return Style() & LBS_EXTENDEDSEL; }
  bool OwnerDraw() const { return Style() & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE); }
  bool Variable() const;
  bool MultiColumn() const { return Style() & LBS_MULTICOLUMN; }
  bool HasStrings() const;
  int Count() const { return int(items_.Count()); }
  bool Valid(WPARAM index) const { return int(index) >= 0 && int(index) < Count(); }

  // Items.
  LRESULT InsertItem(int index, LPARAM value);
  LRESULT AddItem(LPARAM value);
  LRESULT AppendItems(LPARAM batch);
  LRESULT DeleteItem(WPARAM index);
  LRESULT ResetContent();
  LRESULT GetText(WPARAM index, LPARAM buffer) const;
  LRESULT GetTextLen(WPARAM index) const;
  LRESULT SetItemData(WPARAM index, LPARAM data);
  LRESULT InitStorage(WPARAM items);
  LRESULT SetCount(WPARAM count);
  // Order of an item against a probe: the locale's case-insensitive rule for strings, the owner for others.
  int CompareWith(std::size_t index, const ListBoxStore::Item& item, LPARAM value) const;
  int Find(int start, LPARAM value, bool exact) const;
  bool Matches(const ListBoxStore::Item& item, LPARAM value, bool exact) const;
  // The first item of an ordered list that does not order before the probe.
  std::size_t FirstNotBefore(LPARAM value) const;
  UINT MeasureItem(int index, ULONG_PTR data) const;

  // Selection.
  LRESULT SetCurSel(WPARAM index);
  LRESULT GetSel(WPARAM index) const;
  LRESULT SetSel(WPARAM select, LPARAM index);
  LRESULT GetSelItems(WPARAM max, LPARAM buffer);
  LRESULT SelectRange(int first, int last, bool select);
  LRESULT SelectString(WPARAM start, LPARAM text);
  void SetItemSelected(int index, bool select);
  void ClearSelection(int except);
  // Selection by the user: what a key or a click does in each selection model.
  void MoveByUser(int index, bool shift, bool ctrl);
  // Sends a notification to the parent; false when the window is gone afterwards.
  bool Notify(WORD code);
  bool NotifySelChange();

  // Geometry.
  void UpdateMetrics();
  int ItemHeightOf(int index) const;
  int Rows() const;           // items in one column of a multi-column list
  int VisibleColumns() const; // whole columns in the client area, at least one
  int PageItems() const;      // items that the client area shows in full from the top item on
  int MaxTop() const;
  RECT ItemRect(int index) const;
  // The item nearest to a client point; outside tells whether the point lies outside every item.
  int ItemAt(POINT pt, bool* outside) const;
  void SetTop(int top);
  void EnsureVisible(int index);
  void InvalidateItem(int index);
  void InvalidateFrom(int index);
  void UpdateScrollBars();
  void ApplyIntegralHeight();
  LRESULT SetItemHeight(WPARAM index, LPARAM height);
  LRESULT GetItemHeight(WPARAM index) const;
  LRESULT SetTabStops(WPARAM count, LPARAM stops);
  LRESULT GetItemRect(WPARAM index, LPARAM rect) const;
  LRESULT ItemFromPoint(LPARAM point) const;

  // Messages.
  LRESULT OnCreate();
  LRESULT OnSetFont(WPARAM font, LPARAM redraw);
  LRESULT OnSetFocus();
  LRESULT OnKillFocus();
  LRESULT OnSize();
  LRESULT OnSetRedraw(WPARAM on);
  LRESULT OnPaint();
  void PaintItem(HDC dc, int index, const RECT& rect, COLORREF text, COLORREF back);
  // ListBoxInput.cpp
  LRESULT OnKeyDown(WPARAM vk);
  LRESULT OnChar(WPARAM ch);
  LRESULT OnLButtonDown(WPARAM keys, LPARAM point, bool doubleClick);
  LRESULT OnMouseMove(LPARAM point);
  LRESULT OnLButtonUp();
  LRESULT OnMouseWheel(WPARAM wParam);
  LRESULT OnScroll(int bar, WPARAM wParam);

  HWND hwnd_;
  HWND parent_;
  ListBoxStore items_;
  bool ordered_ = true; // every item orders after its predecessor, so finds may search by halves
  HFONT font_ = nullptr;
  int fontHeight_ = 16;
  int avgCharWidth_ = 8;
  int itemHeight_ = 16;
  int columnWidth_ = 0;
  int horizontalExtent_ = 0;
  int xOffset_ = 0;
  std::vector<int> tabStops_; // dialog units; empty means every 32
  int top_ = 0;
  int curSel_ = -1; // single-selection lists
  int caret_ = 0;
  int anchor_ = -1;
  std::size_t selCount_ = 0; // multiple-selection lists
  // The bars asked for at creation; the window's style loses a bar while its range is empty.
  bool vScroll_ = false;
  bool hScroll_ = false;
  bool focused_ = false;
  bool captured_ = false;
  bool ctrlDrag_ = false; // an extended-selection drag that began with Ctrl adds to the selection
  bool redraw_ = true;
  bool inSize_ = false;
  bool updatingBars_ = false;
  int wheelRest_ = 0;
  std::string typed_; // the type-ahead prefix
  DWORD lastTyped_ = 0;
};

} // namespace platform::detail
