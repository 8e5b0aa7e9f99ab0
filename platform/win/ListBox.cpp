#include "platform/win/ListBox.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/CaseRules.h"
#include "platform/rtl/Colors.h"
#include "platform/rtl/Geometry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/BuiltinControl_p.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Input.h"
#include "platform/win/ListBoxControl_p.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/Window.h"

namespace platform::detail {

namespace {

// Item heights travel in a byte on the platform, so larger ones are refused.
constexpr LPARAM kMaxItemHeight = 255;
// More items than this cannot be indexed by the messages' 32-bit results.
constexpr std::size_t kMaxItems = 0x7FFFFFF0;

} // namespace

void RegisterListBoxClass() {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = BuiltinControlWndProc<ListBoxControl>;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "LISTBOX";
  RegisterClassA(&wc);
}

ListBoxControl::ListBoxControl(HWND hwnd, const CREATESTRUCTA& cs)
    : hwnd_(hwnd), parent_(cs.hwndParent), vScroll_(cs.style & WS_VSCROLL), hScroll_(cs.style & WS_HSCROLL) {
  UpdateMetrics();
  itemHeight_ = fontHeight_;
}

DWORD ListBoxControl::Style() const {
  return DWORD(GetWindowLongA(hwnd_, GWL_STYLE));
}

bool ListBoxControl::Variable() const {
  // A multi-column list lays its items out in a grid, so every row is as tall as the others.
  DWORD style = Style();
  return (style & LBS_OWNERDRAWVARIABLE) && !(style & LBS_MULTICOLUMN);
}

bool ListBoxControl::HasStrings() const {
  DWORD style = Style();
  if (style & LBS_NODATA)
    return false;
  return !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) || (style & LBS_HASSTRINGS);
}

LRESULT ListBoxControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_CREATE:
    return OnCreate();
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
  case WM_SETREDRAW:
    return OnSetRedraw(wParam);
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT:
    return OnPaint();
  case WM_ENABLE:
  case WM_STYLECHANGED:
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, TRUE);
    return 0;
  case WM_GETDLGCODE:
    return DLGC_WANTARROWS | DLGC_WANTCHARS;
  case WM_KEYDOWN:
    return OnKeyDown(wParam);
  case WM_CHAR:
    return OnChar(wParam);
  case WM_LBUTTONDOWN:
    return OnLButtonDown(wParam, lParam, false);
  case WM_LBUTTONDBLCLK:
    return OnLButtonDown(wParam, lParam, true);
  case WM_MOUSEMOVE:
    return OnMouseMove(lParam);
  case WM_LBUTTONUP:
    return OnLButtonUp();
  case WM_CAPTURECHANGED:
    captured_ = false;
    return 0;
  case WM_MOUSEWHEEL:
    return OnMouseWheel(wParam);
  case WM_HSCROLL:
    return OnScroll(SB_HORZ, wParam);
  case WM_VSCROLL:
    return OnScroll(SB_VERT, wParam);
  case LB_ADDSTRING:
    return AddItem(lParam);
  case LB_INSERTSTRING:
    return InsertItem(int(wParam), lParam);
  case LB_APPENDITEMS:
    return AppendItems(lParam);
  case LB_DELETESTRING:
    return DeleteItem(wParam);
  case LB_RESETCONTENT:
    return ResetContent();
  case LB_GETCOUNT:
    return Count();
  case LB_GETTEXT:
    return GetText(wParam, lParam);
  case LB_GETTEXTLEN:
    return GetTextLen(wParam);
  case LB_FINDSTRING:
    return Find(int(wParam), lParam, false);
  case LB_FINDSTRINGEXACT:
    return Find(int(wParam), lParam, true);
  case LB_SELECTSTRING:
    return SelectString(wParam, lParam);
  case LB_SETCURSEL:
    return SetCurSel(wParam);
  case LB_GETCURSEL:
    return MultiSel() ? LRESULT(caret_ < Count() ? caret_ : LB_ERR) : LRESULT(curSel_);
  case LB_SETSEL:
    return SetSel(wParam, lParam);
  case LB_GETSEL:
    return GetSel(wParam);
  case LB_GETSELCOUNT:
    return MultiSel() ? LRESULT(selCount_) : LB_ERR;
  case LB_GETSELITEMS:
    return GetSelItems(wParam, lParam);
  case LB_SELITEMRANGE:
    return SelectRange(LOWORD(lParam), HIWORD(lParam), wParam != 0);
  case LB_SELITEMRANGEEX:
    if (int(wParam) <= int(lParam))
      return SelectRange(int(wParam), int(lParam), true);
    return SelectRange(int(lParam), int(wParam), false);
  case LB_SETANCHORINDEX:
    if (!Valid(wParam) && int(wParam) != -1)
      return LB_ERR;
    anchor_ = int(wParam);
    return LB_OKAY;
  case LB_GETANCHORINDEX:
    return anchor_;
  case LB_SETCARETINDEX:
    if (!Valid(wParam))
      return LB_ERR;
    InvalidateItem(caret_);
    caret_ = int(wParam);
    InvalidateItem(caret_);
    EnsureVisible(caret_);
    return LB_OKAY;
  case LB_GETCARETINDEX:
    return Count() == 0 ? 0 : std::min(caret_, Count() - 1);
  case LB_SETTOPINDEX:
    if (!Valid(wParam) && !(wParam == 0 && Count() == 0))
      return LB_ERR;
    SetTop(MultiColumn() ? int(wParam) / Rows() * Rows() : int(wParam));
    return LB_OKAY;
  case LB_GETTOPINDEX:
    return top_;
  case LB_SETITEMHEIGHT:
    return SetItemHeight(wParam, lParam);
  case LB_GETITEMHEIGHT:
    return GetItemHeight(wParam);
  case LB_GETITEMRECT:
    return GetItemRect(wParam, lParam);
  case LB_ITEMFROMPOINT:
    return ItemFromPoint(lParam);
  case LB_SETHORIZONTALEXTENT:
    horizontalExtent_ = std::max(0, int(wParam));
    UpdateScrollBars();
    return 0;
  case LB_GETHORIZONTALEXTENT:
    return horizontalExtent_;
  case LB_SETCOLUMNWIDTH:
    columnWidth_ = std::max(1, int(wParam));
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, TRUE);
    return 0;
  case LB_SETTABSTOPS:
    return SetTabStops(wParam, lParam);
  case LB_SETITEMDATA:
    return SetItemData(wParam, lParam);
  case LB_GETITEMDATA:
    return Valid(wParam) ? LRESULT(items_.At(wParam).Data()) : LB_ERR;
  case LB_INITSTORAGE:
    return InitStorage(wParam);
  case LB_SETCOUNT:
    return SetCount(wParam);
  default:
    // Directory listings and per-list locales are not kept here: the order is the code page's one rule.
    if (msg >= LB_ADDSTRING && msg <= LB_MSGMAX)
      return LB_ERR;
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
  }
}

LRESULT ListBoxControl::OnCreate() {
  DWORD style = Style();
  if (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) {
    UINT h = MeasureItem(0, 0);
    if (!IsWindow(hwnd_))
      return -1;
    itemHeight_ = int(std::clamp<UINT>(h, 1, UINT(kMaxItemHeight)));
  }
  UpdateScrollBars();
  ApplyIntegralHeight();
  return 0;
}

// Items.

UINT ListBoxControl::MeasureItem(int index, ULONG_PTR data) const {
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_LISTBOX;
  mis.CtlID = UINT(GetWindowLongPtrA(hwnd_, GWLP_ID));
  mis.itemID = UINT(index);
  mis.itemHeight = UINT(fontHeight_);
  mis.itemData = data;
  RECT client{};
  GetClientRect(hwnd_, &client);
  mis.itemWidth = UINT(std::max<LONG>(0, client.right));
  if (IsWindow(parent_))
    SendMessageA(parent_, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
  return mis.itemHeight;
}

int ListBoxControl::CompareWith(std::size_t index, const ListBoxStore::Item& item, LPARAM value) const {
  if (HasStrings())
    return AnsiCompareText(item.Text(), value ? reinterpret_cast<const char*>(value) : "");
  COMPAREITEMSTRUCT cis{};
  cis.CtlType = ODT_LISTBOX;
  cis.CtlID = UINT(GetWindowLongPtrA(hwnd_, GWLP_ID));
  cis.hwndItem = hwnd_;
  cis.itemID1 = UINT(index);
  cis.itemData1 = item.Data();
  cis.itemID2 = UINT(-1);
  cis.itemData2 = ULONG_PTR(value);
  if (!IsWindow(parent_))
    return 0;
  auto r = int(SendMessageA(parent_, WM_COMPAREITEM, cis.CtlID, reinterpret_cast<LPARAM>(&cis)));
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

LRESULT ListBoxControl::AddItem(LPARAM value) {
  DWORD style = Style();
  if (!(style & LBS_SORT))
    return InsertItem(-1, value);
  // An equal item found by the search gets the new one before it.
  std::size_t at = 0;
  if (HasStrings()) {
    std::string_view probe = value ? reinterpret_cast<const char*>(value) : "";
    at = items_.LowerBoundText([&](std::string_view text) { return AnsiCompareText(text, probe) < 0; });
  } else {
    at = items_.LowerBound([&](const ListBoxStore::Item& item) { return CompareWith(0, item, value) < 0; });
  }
  if (!IsWindow(hwnd_))
    return LB_ERR;
  return InsertItem(int(at), value);
}

LRESULT ListBoxControl::AppendItems(LPARAM value) {
  const auto* batch = reinterpret_cast<const LBAPPENDITEMS*>(value);
  if (!batch || (batch->Count && !batch->Items) || !HasStrings())
    return LB_ERR;
  if (batch->Count > kMaxItems - items_.Count())
    return LB_ERRSPACE;
  const std::size_t first = items_.Count();
  // Item by item where each one must be measured: the window may go away between them.
  if (Variable()) {
    for (std::size_t i = 0; i < batch->Count; ++i)
      if (InsertItem(-1, reinterpret_cast<LPARAM>(batch->Items[i].c_str())) < 0 || !IsWindow(hwnd_))
        return LB_ERR;
    return Count();
  }
  const bool sorted = Style() & LBS_SORT;
  bool ordered = ordered_;
  const std::string previous = first > 0 ? std::string(items_.At(first - 1).Text()) : std::string();
  // Checked run by run as the store copies them, so the batch is read once.
  auto accept = [&](std::size_t from, std::size_t count) {
    if (!ordered || count == 0)
      return true;
    const std::string* before = from > 0 ? &batch->Items[from - 1] : (first > 0 ? &previous : nullptr);
    ordered = CodePageOrderedRun(batch->Items + from, count, before, GetACP()) == count;
    return ordered || !sorted;
  };
  try {
    if (!items_.Append(batch->Items, batch->Count, itemHeight_, accept))
      return LB_ERR;
  } catch (const std::bad_alloc&) {
    Notify(LBN_ERRSPACE);
    return LB_ERRSPACE;
  } catch (const std::length_error&) {
    Notify(LBN_ERRSPACE);
    return LB_ERRSPACE;
  }
  ordered_ = ordered;
  UpdateScrollBars();
  InvalidateFrom(int(first));
  return Count();
}

LRESULT ListBoxControl::InsertItem(int index, LPARAM value) {
  int count = Count();
  if (index == -1)
    index = count;
  if (index < 0 || index > count)
    return LB_ERR;
  if (items_.Count() >= kMaxItems)
    return LB_ERRSPACE;
  std::string_view text;
  ULONG_PTR data = 0;
  if (HasStrings())
    text = value ? reinterpret_cast<const char*>(value) : "";
  else if (!(Style() & LBS_NODATA))
    data = ULONG_PTR(value);
  try {
    items_.Insert(std::size_t(index), text, data, itemHeight_);
  } catch (const std::bad_alloc&) {
    Notify(LBN_ERRSPACE);
    return LB_ERRSPACE;
  } catch (const std::length_error&) {
    Notify(LBN_ERRSPACE);
    return LB_ERRSPACE;
  }
  if (ordered_ && HasStrings()) {
    const std::string_view added = items_.At(std::size_t(index)).Text();
    if ((index > 0 && AnsiCompareText(items_.At(std::size_t(index - 1)).Text(), added) > 0) ||
        (index + 1 < Count() && AnsiCompareText(added, items_.At(std::size_t(index + 1)).Text()) > 0))
      ordered_ = false;
  }
  if (curSel_ >= index)
    ++curSel_;
  if (caret_ >= index && Count() > 1)
    ++caret_;
  if (anchor_ >= index)
    ++anchor_;
  if (Variable()) {
    HWND self = hwnd_;
    UINT h = MeasureItem(index, items_.At(std::size_t(index)).Data());
    if (!IsWindow(self))
      return index;
    if (Valid(WPARAM(index)))
      items_.At(std::size_t(index)).SetHeight(int(std::clamp<UINT>(h, 1, UINT(kMaxItemHeight))));
  }
  UpdateScrollBars();
  InvalidateFrom(index);
  return index;
}

LRESULT ListBoxControl::DeleteItem(WPARAM wParam) {
  if (!Valid(wParam))
    return LB_ERR;
  int index = int(wParam);
  if (items_.At(wParam).Selected())
    --selCount_;
  items_.Erase(wParam);
  if (curSel_ == index)
    curSel_ = -1;
  else if (curSel_ > index)
    --curSel_;
  if (caret_ > index || (caret_ == index && caret_ >= Count()))
    caret_ = std::max(0, caret_ - 1);
  if (anchor_ > index)
    --anchor_;
  else if (anchor_ == index)
    anchor_ = -1;
  top_ = std::clamp(top_, 0, MaxTop());
  UpdateScrollBars();
  InvalidateFrom(std::min(index, top_));
  return Count();
}

LRESULT ListBoxControl::ResetContent() {
  items_.Clear();
  ordered_ = true;
  curSel_ = -1;
  caret_ = 0;
  anchor_ = -1;
  top_ = 0;
  selCount_ = 0;
  xOffset_ = 0;
  UpdateScrollBars();
  InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

LRESULT ListBoxControl::GetText(WPARAM index, LPARAM buffer) const {
  if (!Valid(index) || !buffer)
    return LB_ERR;
  const ListBoxStore::Item& item = items_.At(index);
  if (!HasStrings()) {
    const ULONG_PTR data = item.Data();
    std::memcpy(reinterpret_cast<void*>(buffer), &data, sizeof data);
    return sizeof data;
  }
  const std::string_view text = item.Text();
  std::memcpy(reinterpret_cast<char*>(buffer), text.data(), text.size());
  reinterpret_cast<char*>(buffer)[text.size()] = '\0';
  return LRESULT(text.size());
}

LRESULT ListBoxControl::GetTextLen(WPARAM index) const {
  if (!Valid(index))
    return LB_ERR;
  return HasStrings() ? LRESULT(items_.At(index).Text().size()) : LRESULT(sizeof(ULONG_PTR));
}

LRESULT ListBoxControl::SetItemData(WPARAM index, LPARAM data) {
  if (int(index) == -1) {
    items_.ForRange(0, items_.Count(), [&](std::size_t, ListBoxStore::Item item) {
      item.SetData(ULONG_PTR(data));
      return true;
    });
    return TRUE;
  }
  if (!Valid(index))
    return LB_ERR;
  items_.At(index).SetData(ULONG_PTR(data));
  return TRUE;
}

LRESULT ListBoxControl::InitStorage(WPARAM items) {
  if (items > kMaxItems - items_.Count())
    return LB_ERRSPACE;
  items_.Reserve(items);
  return LRESULT(items_.Count() + items);
}

LRESULT ListBoxControl::SetCount(WPARAM count) {
  if (!(Style() & LBS_NODATA) || HasStrings())
    return LB_ERR;
  if (count > kMaxItems)
    return LB_ERRSPACE;
  while (items_.Count() > count)
    items_.Erase(items_.Count() - 1);
  while (items_.Count() < count) {
    items_.Insert(items_.Count(), {}, 0, itemHeight_);
  }
  selCount_ = 0;
  items_.ForRange(0, items_.Count(), [&](std::size_t, ListBoxStore::Item item) {
    selCount_ += item.Selected();
    return true;
  });
  if (curSel_ >= Count())
    curSel_ = -1;
  caret_ = std::clamp(caret_, 0, std::max(0, Count() - 1));
  top_ = std::clamp(top_, 0, MaxTop());
  UpdateScrollBars();
  InvalidateRect(hwnd_, nullptr, TRUE);
  return LB_OKAY;
}

bool ListBoxControl::Matches(const ListBoxStore::Item& item, LPARAM value, bool exact) const {
  if (!HasStrings())
    return item.Data() == ULONG_PTR(value);
  std::string_view probe = value ? reinterpret_cast<const char*>(value) : "";
  std::string_view text = item.Text();
  if (exact)
    return AnsiSameText(text, probe);
  return text.size() >= probe.size() && AnsiSameText(text.substr(0, probe.size()), probe);
}

std::size_t ListBoxControl::FirstNotBefore(LPARAM value) const {
  std::string_view probe = value ? reinterpret_cast<const char*>(value) : "";
  return items_.LowerBoundText([&](std::string_view text) { return AnsiCompareText(text, probe) < 0; });
}

int ListBoxControl::Find(int start, LPARAM value, bool exact) const {
  int count = Count();
  if (count == 0)
    return LB_ERR;
  if (HasStrings() && !exact && (!value || !*reinterpret_cast<const char*>(value)))
    return LB_ERR;
  int first = (start < 0 || start >= count) ? 0 : start + 1;
  if (exact && HasStrings() && ordered_) {
    // Equal items stand together in an ordered list, so the search's wrap order picks the item it starts
    // at when that one is equal and past the first equal one, else the first equal one.
    std::size_t lo = FirstNotBefore(value);
    if (lo == items_.Count() || !Matches(items_.At(lo), value, true))
      return LB_ERR;
    if (std::size_t(first) > lo && first < count && Matches(items_.At(std::size_t(first)), value, true))
      return first;
    return int(lo);
  }
  int found = LB_ERR;
  auto scan = [&](std::size_t from, std::size_t to) {
    const_cast<ListBoxStore&>(items_).ForRange(from, to, [&](std::size_t i, ListBoxStore::Item item) {
      if (!Matches(item, value, exact))
        return true;
      found = int(i);
      return false;
    });
  };
  scan(std::size_t(first), std::size_t(count));
  if (found == LB_ERR)
    scan(0, std::size_t(first));
  return found;
}

// Selection.

void ListBoxControl::SetItemSelected(int index, bool select) {
  ListBoxStore::Item item = items_.At(std::size_t(index));
  if (item.Selected() == select)
    return;
  item.SetSelected(select);
  if (select)
    ++selCount_;
  else
    --selCount_;
  InvalidateItem(index);
}

void ListBoxControl::ClearSelection(int except) {
  if (selCount_ == 0)
    return;
  items_.ForRange(0, items_.Count(), [&](std::size_t i, ListBoxStore::Item item) {
    if (item.Selected() && int(i) != except) {
      item.SetSelected(false);
      --selCount_;
      InvalidateItem(int(i));
    }
    return selCount_ > 0;
  });
}

LRESULT ListBoxControl::SetCurSel(WPARAM wParam) {
  if (MultiSel())
    return LB_ERR;
  int index = int(wParam);
  if (index != -1 && !Valid(wParam))
    return LB_ERR;
  InvalidateItem(curSel_);
  curSel_ = index;
  if (index < 0)
    return LB_ERR;
  InvalidateItem(caret_);
  caret_ = anchor_ = index;
  InvalidateItem(index);
  EnsureVisible(index);
  return index;
}

LRESULT ListBoxControl::GetSel(WPARAM index) const {
  if (!Valid(index))
    return LB_ERR;
  if (!MultiSel())
    return int(index) == curSel_ ? 1 : 0;
  return items_.At(index).Selected() ? 1 : 0;
}

LRESULT ListBoxControl::SetSel(WPARAM select, LPARAM lParam) {
  if (!MultiSel())
    return LB_ERR;
  auto index = int(lParam);
  if (index == -1) {
    if (select)
      return SelectRange(0, Count() - 1, true);
    ClearSelection(-1);
    return LB_OKAY;
  }
  if (!Valid(WPARAM(index)))
    return LB_ERR;
  SetItemSelected(index, select != 0);
  return LB_OKAY;
}

LRESULT ListBoxControl::SelectRange(int first, int last, bool select) {
  if (!MultiSel())
    return LB_ERR;
  if (Count() == 0)
    return LB_OKAY;
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  for (int i = first; i <= last; ++i)
    SetItemSelected(i, select);
  return LB_OKAY;
}

LRESULT ListBoxControl::GetSelItems(WPARAM max, LPARAM buffer) {
  if (!MultiSel())
    return LB_ERR;
  auto* out = reinterpret_cast<int*>(buffer);
  std::size_t n = 0;
  if (!out)
    return 0;
  items_.ForRange(0, items_.Count(), [&](std::size_t i, ListBoxStore::Item item) {
    if (n >= max)
      return false;
    if (item.Selected())
      out[n++] = int(i);
    return true;
  });
  return LRESULT(n);
}

LRESULT ListBoxControl::SelectString(WPARAM start, LPARAM text) {
  int index = Find(int(start), text, false);
  if (index < 0)
    return LB_ERR;
  if (MultiSel()) {
    SetItemSelected(index, true);
    caret_ = index;
    EnsureVisible(index);
    return index;
  }
  return SetCurSel(WPARAM(index));
}

void ListBoxControl::MoveByUser(int index, bool shift, bool ctrl) {
  if (Count() == 0 || (Style() & LBS_NOSEL))
    return;
  index = std::clamp(index, 0, Count() - 1);
  InvalidateItem(caret_);
  if (!MultiSel()) {
    InvalidateItem(curSel_);
    curSel_ = caret_ = anchor_ = index;
    InvalidateItem(index);
  } else if (!Extended()) {
    caret_ = index;
    InvalidateItem(index);
  } else if (shift) {
    if (anchor_ < 0)
      anchor_ = caret_;
    if (!ctrl)
      ClearSelection(-1);
    SelectRange(std::min(anchor_, index), std::max(anchor_, index), true);
    caret_ = index;
  } else if (ctrl) {
    caret_ = index;
    InvalidateItem(index);
  } else {
    ClearSelection(index);
    SetItemSelected(index, true);
    caret_ = anchor_ = index;
  }
  EnsureVisible(index);
}

bool ListBoxControl::Notify(WORD code) {
  HWND self = hwnd_;
  NotifyParent(hwnd_, parent_, code);
  return IsWindow(self);
}

bool ListBoxControl::NotifySelChange() {
  if (!(Style() & LBS_NOTIFY))
    return true;
  return Notify(LBN_SELCHANGE);
}

// Geometry.

void ListBoxControl::UpdateMetrics() {
  TEXTMETRICA tm = MeasureControlFont(font_);
  fontHeight_ = std::max<int>(1, tm.tmHeight);
  avgCharWidth_ = std::max<int>(1, tm.tmAveCharWidth);
}

int ListBoxControl::ItemHeightOf(int index) const {
  if (Variable() && index >= 0 && index < Count())
    return items_.At(std::size_t(index)).Height();
  return itemHeight_;
}

int ListBoxControl::Rows() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return std::max(1, int(client.bottom) / std::max(1, itemHeight_));
}

int ListBoxControl::VisibleColumns() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return std::max(1, int(client.right) / std::max(1, columnWidth_ ? columnWidth_ : int(client.right)));
}

int ListBoxControl::PageItems() const {
  if (MultiColumn())
    return Rows() * VisibleColumns();
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (!Variable())
    return std::max(1, int(client.bottom) / std::max(1, itemHeight_));
  int y = 0, n = 0;
  for (int i = top_; i < Count(); ++i, ++n) {
    y += ItemHeightOf(i);
    if (y > client.bottom)
      break;
  }
  return std::max(1, n);
}

int ListBoxControl::MaxTop() const {
  int count = Count();
  if (count == 0)
    return 0;
  if (MultiColumn()) {
    int rows = Rows();
    int columns = (count + rows - 1) / rows;
    return std::max(0, columns - VisibleColumns()) * rows;
  }
  if (!Variable())
    return std::max(0, count - PageItems());
  RECT client{};
  GetClientRect(hwnd_, &client);
  int y = 0, i = count - 1;
  for (; i >= 0; --i) {
    y += ItemHeightOf(i);
    if (y > client.bottom)
      break;
  }
  return std::min(count - 1, i + 1);
}

RECT ListBoxControl::ItemRect(int index) const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (MultiColumn()) {
    int rows = Rows();
    int width = columnWidth_ ? columnWidth_ : int(client.right);
    int column = index / rows - top_ / rows;
    int row = index % rows;
    return RECT{column * width, row * itemHeight_, (column + 1) * width, (row + 1) * itemHeight_};
  }
  int y = 0;
  if (!Variable()) {
    y = (index - top_) * itemHeight_;
  } else if (index >= top_) {
    for (int i = top_; i < index; ++i)
      y += ItemHeightOf(i);
  } else {
    for (int i = index; i < top_; ++i)
      y -= ItemHeightOf(i);
  }
  int width = std::max<int>(int(client.right), horizontalExtent_);
  return RECT{-xOffset_, y, width - xOffset_, y + ItemHeightOf(index)};
}

int ListBoxControl::ItemAt(POINT pt, bool* outside) const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  int count = Count();
  *outside = true;
  if (count == 0)
    return -1;
  int index = 0;
  if (MultiColumn()) {
    int rows = Rows();
    int width = columnWidth_ ? columnWidth_ : std::max<int>(1, client.right);
    int column = pt.x < 0 ? -1 : int(pt.x) / width;
    int row = std::clamp(int(pt.y) / std::max(1, itemHeight_), 0, rows - 1);
    index = top_ + std::max(0, column) * rows + row;
    *outside = pt.x < 0 || pt.y < 0 || pt.y >= rows * itemHeight_ || index >= count;
  } else if (pt.y < 0) {
    index = top_ - 1;
  } else if (!Variable()) {
    index = top_ + int(pt.y) / std::max(1, itemHeight_);
    *outside = index >= count;
  } else {
    int y = 0;
    index = top_;
    while (index < count && y + ItemHeightOf(index) <= pt.y)
      y += ItemHeightOf(index++);
    *outside = index >= count;
  }
  if (pt.x < 0 || pt.x >= client.right || pt.y >= client.bottom)
    *outside = true;
  return std::clamp(index, 0, count - 1);
}

void ListBoxControl::SetTop(int top) {
  top = std::clamp(top, 0, MaxTop());
  if (top == top_)
    return;
  top_ = top;
  UpdateScrollBars();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListBoxControl::EnsureVisible(int index) {
  if (index < 0 || index >= Count())
    return;
  if (MultiColumn()) {
    int rows = Rows();
    int column = index / rows, topColumn = top_ / rows, shown = VisibleColumns();
    if (column < topColumn)
      SetTop(column * rows);
    else if (column >= topColumn + shown)
      SetTop((column - shown + 1) * rows);
    return;
  }
  if (index < top_) {
    SetTop(index);
    return;
  }
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (!Variable()) {
    int page = PageItems();
    if (index >= top_ + page)
      SetTop(index - page + 1);
    return;
  }
  // The lowest top whose page still shows the item in full.
  int y = ItemHeightOf(index), top = index;
  while (top > 0 && y + ItemHeightOf(top - 1) <= client.bottom)
    y += ItemHeightOf(--top);
  if (top > top_)
    SetTop(top);
}

void ListBoxControl::InvalidateItem(int index) {
  if (!redraw_ || index < 0 || index >= Count() || index < top_)
    return;
  RECT r = ItemRect(index);
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (r.top >= client.bottom || r.left >= client.right)
    return;
  InvalidateRect(hwnd_, &r, TRUE);
}

void ListBoxControl::InvalidateFrom(int index) {
  if (!redraw_)
    return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (MultiColumn() || index <= top_) {
    InvalidateRect(hwnd_, nullptr, TRUE);
    return;
  }
  int y = 0;
  for (int i = top_; i < index && y < client.bottom; ++i)
    y += ItemHeightOf(i);
  if (y >= client.bottom)
    return;
  RECT r{0, y, client.right, client.bottom};
  InvalidateRect(hwnd_, &r, TRUE);
}

void ListBoxControl::UpdateScrollBars() {
  if (!redraw_ || updatingBars_)
    return;
  updatingBars_ = true;
  DWORD style = Style();
  UINT keep = (style & LBS_DISABLENOSCROLL) ? UINT(SIF_DISABLENOSCROLL) : 0u;
  // Showing one bar narrows the client area, which may call for the other; two rounds settle it.
  for (int round = 0; round < 2 && IsWindow(hwnd_); ++round) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | keep;
    if (MultiColumn()) {
      int rows = Rows();
      if (hScroll_) {
        si.nMax = std::max(0, (Count() + rows - 1) / rows - 1);
        si.nPage = UINT(VisibleColumns());
        si.nPos = top_ / rows;
        SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
      }
      continue;
    }
    if (vScroll_) {
      si.nMax = std::max(0, Count() - 1);
      si.nPage = UINT(PageItems());
      si.nPos = top_;
      SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
    }
    if (hScroll_) {
      xOffset_ = std::clamp(xOffset_, 0, std::max(0, horizontalExtent_ - int(client.right)));
      si.nMax = std::max(0, horizontalExtent_ - 1);
      si.nPage = UINT(std::max<LONG>(0, client.right));
      si.nPos = xOffset_;
      SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
    }
  }
  updatingBars_ = false;
}

void ListBoxControl::ApplyIntegralHeight() {
  DWORD style = Style();
  if ((style & (LBS_NOINTEGRALHEIGHT | LBS_MULTICOLUMN)) || Variable() || inSize_)
    return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  int spare = int(client.bottom) % std::max(1, itemHeight_);
  if (spare == 0 || client.bottom < itemHeight_)
    return;
  RECT window{};
  GetWindowRect(hwnd_, &window);
  inSize_ = true;
  SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top - spare,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  inSize_ = false;
}

LRESULT ListBoxControl::SetItemHeight(WPARAM index, LPARAM height) {
  if (height > kMaxItemHeight || height < 0)
    return LB_ERR;
  int h = std::max(1, int(height));
  if (Variable()) {
    if (!Valid(index))
      return LB_ERR;
    items_.At(index).SetHeight(h);
  } else {
    itemHeight_ = h;
  }
  top_ = std::clamp(top_, 0, MaxTop());
  UpdateScrollBars();
  InvalidateRect(hwnd_, nullptr, TRUE);
  return LB_OKAY;
}

LRESULT ListBoxControl::GetItemHeight(WPARAM index) const {
  if (Variable())
    return Valid(index) ? LRESULT(ItemHeightOf(int(index))) : LB_ERR;
  return itemHeight_;
}

LRESULT ListBoxControl::SetTabStops(WPARAM count, LPARAM stops) {
  if (!(Style() & LBS_USETABSTOPS))
    return FALSE;
  auto* in = reinterpret_cast<const int*>(stops);
  if (count > 0 && !in)
    return FALSE;
  tabStops_.assign(in, in + std::min<WPARAM>(count, 1024));
  InvalidateRect(hwnd_, nullptr, TRUE);
  return TRUE;
}

LRESULT ListBoxControl::GetItemRect(WPARAM index, LPARAM rect) const {
  if (!rect || (!Valid(index) && !(index == 0 && Count() == 0)))
    return LB_ERR;
  *reinterpret_cast<RECT*>(rect) = ItemRect(int(index));
  return 1;
}

LRESULT ListBoxControl::ItemFromPoint(LPARAM point) const {
  POINT pt{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  bool outside = true;
  int index = ItemAt(pt, &outside);
  if (index < 0)
    return LRESULT(MAKELONG(0, 1));
  return LRESULT(MAKELONG(WORD(index), outside ? 1 : 0));
}

// Messages.

LRESULT ListBoxControl::OnSetFont(WPARAM font, LPARAM redraw) {
  font_ = reinterpret_cast<HFONT>(font);
  UpdateMetrics();
  if (!OwnerDraw())
    itemHeight_ = fontHeight_;
  top_ = std::clamp(top_, 0, MaxTop());
  UpdateScrollBars();
  ApplyIntegralHeight();
  if (redraw)
    InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

LRESULT ListBoxControl::OnSetFocus() {
  focused_ = true;
  InvalidateItem(caret_);
  if (Count() == 0)
    InvalidateRect(hwnd_, nullptr, TRUE);
  Notify(LBN_SETFOCUS);
  return 0;
}

LRESULT ListBoxControl::OnKillFocus() {
  focused_ = false;
  if (captured_) {
    captured_ = false;
    if (GetCapture() == hwnd_)
      ReleaseCapture();
  }
  InvalidateItem(caret_);
  if (Count() == 0)
    InvalidateRect(hwnd_, nullptr, TRUE);
  Notify(LBN_KILLFOCUS);
  return 0;
}

LRESULT ListBoxControl::OnSize() {
  ApplyIntegralHeight();
  if (MultiColumn())
    top_ = top_ / Rows() * Rows();
  top_ = std::clamp(top_, 0, MaxTop());
  UpdateScrollBars();
  InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

LRESULT ListBoxControl::OnSetRedraw(WPARAM on) {
  redraw_ = on != 0;
  LRESULT r = DefWindowProcA(hwnd_, WM_SETREDRAW, on, 0);
  if (redraw_) {
    top_ = std::clamp(top_, 0, MaxTop());
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  return r;
}

LRESULT ListBoxControl::OnPaint() {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(hwnd_, &ps);
  if (!dc)
    return 0;
  HWND self = hwnd_;
  bool enabled = IsWindowEnabled(hwnd_);
  SelectObject(dc, font_ ? HGDIOBJ(font_) : GetStockObject(SYSTEM_FONT));
  // The parent's default answer gives no brush, so the platform's colours are set first and kept when the
  // parent leaves them alone.
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  HBRUSH brush = nullptr;
  if (IsWindow(parent_))
    brush = reinterpret_cast<HBRUSH>(SendMessageA(parent_, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                                                  reinterpret_cast<LPARAM>(self)));
  if (!IsWindow(self))
    return 0;
  if (!brush)
    brush = GetSysColorBrush(COLOR_WINDOW);
  if (!enabled)
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  COLORREF text = GetTextColor(dc), back = GetBkColor(dc);
  RECT client{};
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, brush);

  int count = Count();
  if (count == 0 && OwnerDraw() && focused_) {
    // An empty owner-drawn list still shows where the focus is; the owner draws it.
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = UINT(GetWindowLongPtrA(hwnd_, GWLP_ID));
    dis.itemID = UINT(-1);
    dis.itemAction = ODA_FOCUS;
    dis.itemState = ODS_FOCUS;
    dis.hwndItem = hwnd_;
    dis.hDC = dc;
    dis.rcItem = RECT{0, 0, client.right, itemHeight_};
    SendMessageA(parent_, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    if (!IsWindow(self))
      return 0;
  }
  for (int i = top_; i < count; ++i) {
    RECT r = ItemRect(i);
    if (r.left >= client.right || (r.top >= client.bottom && !MultiColumn()))
      break;
    if (r.top >= client.bottom)
      continue;
    RECT overlap{};
    if (!IntersectRect(&overlap, &r, &ps.rcPaint))
      continue;
    PaintItem(dc, i, r, text, back);
    if (!IsWindow(self))
      return 0;
  }
  EndPaint(hwnd_, &ps);
  return 0;
}

void ListBoxControl::PaintItem(HDC dc, int index, const RECT& rect, COLORREF text, COLORREF back) {
  const ListBoxStore::Item& item = items_.At(std::size_t(index));
  bool selected = MultiSel() ? item.Selected() : index == curSel_;
  bool focus = focused_ && index == caret_;
  if (OwnerDraw()) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = UINT(GetWindowLongPtrA(hwnd_, GWLP_ID));
    dis.itemID = UINT(index);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (selected ? UINT(ODS_SELECTED) : 0u) | (focus ? UINT(ODS_FOCUS) : 0u) |
                    (IsWindowEnabled(hwnd_) ? 0u : UINT(ODS_DISABLED));
    dis.hwndItem = hwnd_;
    dis.hDC = dc;
    dis.rcItem = rect;
    dis.itemData = item.Data();
    int saved = SaveDC(dc);
    SendMessageA(parent_, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    RestoreDC(dc, saved);
    return;
  }
  bool enabled = IsWindowEnabled(hwnd_);
  SetTextColor(dc, selected && enabled ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text);
  SetBkColor(dc, selected && enabled ? GetSysColor(COLOR_HIGHLIGHT) : back);
  SetBkMode(dc, OPAQUE);
  const std::string_view s = item.Text();
  if (Style() & LBS_USETABSTOPS) {
    ExtTextOutA(dc, rect.left, rect.top, ETO_OPAQUE, &rect, "", 0, nullptr);
    // Tab stops are in dialog units: a quarter of the font's average character width each.
    std::vector<int> stops;
    if (tabStops_.empty())
      stops.push_back(32 * avgCharWidth_ / 4);
    for (int t : tabStops_)
      stops.push_back(t * avgCharWidth_ / 4);
    TabbedTextOutA(dc, rect.left + 1, rect.top, s.data(), int(s.size()), int(stops.size()), stops.data(),
                   rect.left + 1);
  } else {
    ExtTextOutA(dc, rect.left + 1, rect.top, ETO_OPAQUE | ETO_CLIPPED, &rect, s.data(), UINT(s.size()),
                nullptr);
  }
  SetTextColor(dc, text);
  SetBkColor(dc, back);
  if (focus) {
    RECT r = rect;
    DrawFocusRect(dc, &r);
  }
}

} // namespace platform::detail
