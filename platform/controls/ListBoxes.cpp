#include "platform/controls/ListBoxes.h"

#include <algorithm>

#include "platform/controls/Messages.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/ListBox.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace {

[[noreturn]] void ListIndexError(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

} // namespace

// The list box's items, read from and written to its window through the list messages.
class TListBoxStrings : public TStrings {
  PELVOR_CLASS(TListBoxStrings, TStrings)
  explicit TListBoxStrings(TCustomListBox* AListBox) : FListBox(AListBox) {}

  int AddObject(const AnsiString& S, TObject* AObject) override {
    if (FListBox->IsVirtual())
      throw EListError("A virtual list box keeps no items of its own");
    HWND h = FListBox->Handle();
    auto index = int(SendMessageA(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str())));
    if (index < 0)
      throw EListError("The list box could not take the item");
    if (AObject)
      SendMessageA(h, LB_SETITEMDATA, WPARAM(index), reinterpret_cast<LPARAM>(AObject));
    return index;
  }

  void Insert(int Index, const AnsiString& S) override {
    if (FListBox->IsVirtual())
      throw EListError("A virtual list box keeps no items of its own");
    if (Index < 0 || Index > GetCount())
      IndexError(Index);
    if (SendMessageA(FListBox->Handle(), LB_INSERTSTRING, WPARAM(Index),
                     reinterpret_cast<LPARAM>(S.c_str())) < 0)
      throw EListError("The list box could not take the item");
  }

  void Delete(int Index) override {
    if (SendMessageA(FListBox->Handle(), LB_DELETESTRING, WPARAM(Index), 0) < 0)
      IndexError(Index);
  }

  void Clear() override { FListBox->ResetContent(); }

  int IndexOf(std::string_view S) const override {
    AnsiString probe(S);
    return int(SendMessageA(FListBox->Handle(), LB_FINDSTRINGEXACT, WPARAM(-1),
                            reinterpret_cast<LPARAM>(probe.c_str())));
  }

protected:
  AnsiString Get(int Index) const override {
    if (Index < 0 || Index >= GetCount())
      IndexError(Index);
    return FListBox->ItemText(Index);
  }

  void Put(int Index, const AnsiString& S) override {
    int selected = FListBox->ItemIndex();
    TObject* object = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, object);
    FListBox->SetItemIndex(selected);
  }

  TObject* GetObject(int Index) const override {
    LRESULT data = SendMessageA(FListBox->Handle(), LB_GETITEMDATA, WPARAM(Index), 0);
    if (Index < 0 || Index >= GetCount())
      IndexError(Index);
    return reinterpret_cast<TObject*>(data);
  }

  void PutObject(int Index, TObject* AObject) override {
    if (SendMessageA(FListBox->Handle(), LB_SETITEMDATA, WPARAM(Index), reinterpret_cast<LPARAM>(AObject)) <
        0)
      IndexError(Index);
  }

  int GetCount() const override { return int(SendMessageA(FListBox->Handle(), LB_GETCOUNT, 0, 0)); }

  void SetUpdateState(bool Updating) override {
    if (!FListBox->HandleAllocated())
      return;
    SendMessageA(FListBox->Handle(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
    if (!Updating)
      FListBox->Refresh();
  }

private:
  TCustomListBox* FListBox; // the list box owns this view
};

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(new TListBoxStrings(this)), FCanvas(new TControlCanvas) {
  FCanvas->SetControl(this);
  SetBounds(Left(), Top(), 121, 97);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  // Clicks come from the window's selection notifications, and the window captures the mouse itself.
  FControlStyle = {csSetCaption, csDoubleClicks, csOpaque};
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "LISTBOX");
  static const DWORD styles[] = {0, LBS_OWNERDRAWFIXED, LBS_OWNERDRAWVARIABLE, LBS_OWNERDRAWFIXED,
                                 LBS_OWNERDRAWFIXED};
  Params.Style |= WS_HSCROLL | WS_VSCROLL | LBS_NOTIFY | styles[FStyle];
  if (IsVirtual())
    Params.Style |= LBS_NODATA;
  else
    Params.Style |= LBS_HASSTRINGS;
  if (FSorted && !IsVirtual())
    Params.Style |= LBS_SORT;
  if (FMultiSelect)
    Params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (!FIntegralHeight)
    Params.Style |= LBS_NOINTEGRALHEIGHT;
  if (FColumns > 0)
    Params.Style |= LBS_MULTICOLUMN;
  if (FTabWidth > 0)
    Params.Style |= LBS_USETABSTOPS;
  if (FBorderStyle == bsSingle)
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = Handle();
  if (FStyle != lbStandard && FStyle != lbVirtual)
    SendMessageA(h, LB_SETITEMHEIGHT, 0, FItemHeight);
  if (FTabWidth > 0)
    SendMessageA(h, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&FTabWidth));
  ApplyColumnWidth();
  if (FScrollWidth > 0)
    SendMessageA(h, LB_SETHORIZONTALEXTENT, WPARAM(FScrollWidth), 0);
  if (IsVirtual()) {
    SendMessageA(h, LB_SETCOUNT, WPARAM(FCount), 0);
  } else if (FSaveItems) {
    FItems->BeginUpdate();
    for (int i = 0; i < FSaveItems->Count(); ++i)
      FItems->AddObject(FSaveItems->Strings(i), FSaveItems->Objects(i));
    FItems->EndUpdate();
    FSaveItems.reset();
  }
  SetTopIndex(FSaveTopIndex);
  if (FSaveItemIndex >= 0 && FSaveItemIndex < Count())
    SetItemIndex(FSaveItemIndex);
  FSaveItemIndex = -1;
  FSaveTopIndex = 0;
}

void TCustomListBox::DestroyWnd() {
  // Only a window that will be made again needs its items kept; a list box being freed gets none, and copying
  // a long list out item by item would cost as much as filling it did.
  if (HandleAllocated() && !ComponentState().Contains(csDestroying)) {
    FSaveItemIndex = ItemIndex();
    FSaveTopIndex = TopIndex();
    if (!IsVirtual() && Count() > 0) {
      FSaveItems.reset(new TStringList);
      for (int i = 0; i < Count(); ++i)
        FSaveItems->AddObject(FItems->Strings(i), FItems->Objects(i));
    }
  }
  TWinControl::DestroyWnd();
}

void TCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
  case CN_COMMAND:
    CNCommand(Message);
    break;
  case CN_DRAWITEM:
    CNDrawItem(Message);
    break;
  case CN_MEASUREITEM:
    CNMeasureItem(Message);
    break;
  default:
    TWinControl::Dispatch(Message);
    break;
  }
}

void TCustomListBox::CNCommand(TMessage& Message) {
  switch (HIWORD(Message.WParam)) {
  case LBN_SELCHANGE:
    Click();
    break;
  case LBN_DBLCLK:
    DblClick();
    break;
  default:
    break;
  }
}

void TCustomListBox::CNDrawItem(TMessage& Message) {
  auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  TOwnerDrawState state;
  if (dis->itemState & ODS_SELECTED)
    state.Include(odSelected);
  if (dis->itemState & ODS_GRAYED)
    state.Include(odGrayed);
  if (dis->itemState & ODS_DISABLED)
    state.Include(odDisabled);
  if (dis->itemState & ODS_FOCUS)
    state.Include(odFocused);
  int saved = SaveDC(dis->hDC);
  FCanvas->SetHandle(dis->hDC);
  FCanvas->SetFont(Font());
  FCanvas->Brush()->SetColor(Color());
  if (state.Contains(odSelected)) {
    FCanvas->Brush()->SetColor(clHighlight);
    FCanvas->Font()->SetColor(clHighlightText);
  }
  TRect rect{dis->rcItem.left, dis->rcItem.top, dis->rcItem.right, dis->rcItem.bottom};
  if (int(dis->itemID) >= 0)
    DrawItem(int(dis->itemID), rect, state);
  else
    FCanvas->FillRect(rect);
  if (state.Contains(odFocused))
    FCanvas->DrawFocusRect(rect);
  FCanvas->SetHandle(nullptr);
  RestoreDC(dis->hDC, saved);
  Message.Result = 1;
}

void TCustomListBox::CNMeasureItem(TMessage& Message) {
  auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
  int height = FItemHeight;
  if (FStyle == lbOwnerDrawVariable)
    MeasureItem(int(mis->itemID), height);
  mis->itemHeight = UINT(std::clamp(height, 1, 255));
  Message.Result = 1;
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas->FillRect(Rect);
  FCanvas->TextOut(Rect.left + 2, Rect.top, ItemText(Index));
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem)
    OnMeasureItem(this, Index, Height);
}

AnsiString TCustomListBox::ItemText(int Index) {
  if (IsVirtual()) {
    AnsiString data;
    if (OnData)
      OnData(this, Index, data);
    return data;
  }
  HWND h = Handle();
  LRESULT length = SendMessageA(h, LB_GETTEXTLEN, WPARAM(Index), 0);
  if (length < 0)
    ListIndexError(Index);
  AnsiString s(std::size_t(length) + 1, '\0');
  s.resize(std::size_t(std::max<LRESULT>(0, SendMessageA(h, LB_GETTEXT, WPARAM(Index), LPARAM(s.data())))));
  return s;
}

void TCustomListBox::SetItems(TStrings* Value) {
  FItems->Assign(Value);
}

int TCustomListBox::Count() {
  if (IsVirtual() && !HandleAllocated())
    return FCount;
  return FItems->Count();
}

void TCustomListBox::SetCount(int Value) {
  if (!IsVirtual())
    throw EListError("Only a virtual list box takes an item count");
  FCount = std::max(0, Value);
  if (HandleAllocated())
    SendMessageA(Handle(), LB_SETCOUNT, WPARAM(FCount), 0);
}

void TCustomListBox::Clear() {
  FItems->Clear();
}

void TCustomListBox::AppendOrdered(std::vector<AnsiString>& Items) {
  if (IsVirtual())
    throw EListError("A virtual list box keeps no items of its own");
  LBAPPENDITEMS batch{Items.data(), Items.size()};
  const LRESULT r = SendMessageA(Handle(), LB_APPENDITEMS, 0, reinterpret_cast<LPARAM>(&batch));
  if (r == LB_ERRSPACE)
    throw EListError("The list box could not take the items");
  if (r < 0)
    throw EListError("The items do not follow the list's order");
}

void TCustomListBox::ResetContent() {
  if (IsVirtual())
    FCount = 0;
  SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
}

int TCustomListBox::ItemIndex() {
  if (FMultiSelect)
    return int(SendMessageA(Handle(), LB_GETCARETINDEX, 0, 0));
  return int(SendMessageA(Handle(), LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int Value) {
  if (FMultiSelect) {
    SendMessageA(Handle(), LB_SETCARETINDEX, WPARAM(Value), 0);
    return;
  }
  if (ItemIndex() != Value)
    SendMessageA(Handle(), LB_SETCURSEL, WPARAM(Value), 0);
}

bool TCustomListBox::Selected(int Index) {
  LRESULT r = SendMessageA(Handle(), LB_GETSEL, WPARAM(Index), 0);
  if (r < 0)
    ListIndexError(Index);
  return r != 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  HWND h = Handle();
  if (!h)
    return;
  if (Index < 0 || Index >= Count())
    ListIndexError(Index);
  if (FMultiSelect) {
    SendMessageA(h, LB_SETSEL, Value ? TRUE : FALSE, LPARAM(Index));
  } else if (Value) {
    SendMessageA(h, LB_SETCURSEL, WPARAM(Index), 0);
  } else if (ItemIndex() == Index) {
    SendMessageA(h, LB_SETCURSEL, WPARAM(-1), 0);
  }
}

int TCustomListBox::SelCount() {
  return int(SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0));
}

int TCustomListBox::TopIndex() {
  return int(SendMessageA(Handle(), LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int Value) {
  SendMessageA(Handle(), LB_SETTOPINDEX, WPARAM(Value), 0);
}

int TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) {
  LRESULT r = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(Pos.x, Pos.y));
  if (HIWORD(r) == 0 && Count() > 0)
    return LOWORD(r);
  return Existing ? -1 : Count();
}

TRect TCustomListBox::ItemRect(int Index) {
  RECT r{};
  if (SendMessageA(Handle(), LB_GETITEMRECT, WPARAM(Index), reinterpret_cast<LPARAM>(&r)) < 0)
    ListIndexError(Index);
  return TRect{r.left, r.top, r.right, r.bottom};
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (FStyle == Value)
    return;
  FStyle = Value;
  RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value)
    return;
  FMultiSelect = Value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool Value) {
  if (FExtendedSelect == Value)
    return;
  FExtendedSelect = Value;
  if (FMultiSelect)
    RecreateWnd();
}

void TCustomListBox::SetSorted(bool Value) {
  if (FSorted == Value)
    return;
  FSorted = Value;
  RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool Value) {
  if (FIntegralHeight == Value)
    return;
  FIntegralHeight = Value;
  RecreateWnd();
}

int TCustomListBox::ItemHeight() {
  if ((FStyle == lbStandard || FStyle == lbVirtual) && HandleAllocated())
    return int(SendMessageA(Handle(), LB_GETITEMHEIGHT, 0, 0));
  return FItemHeight;
}

void TCustomListBox::SetItemHeight(int Value) {
  if (Value <= 0 || FItemHeight == Value)
    return;
  FItemHeight = Value;
  // A variable list measures each item as it comes, so the new height reaches only a rebuilt window.
  if (FStyle == lbOwnerDrawVariable)
    RecreateWnd();
  else if (FStyle != lbStandard && FStyle != lbVirtual && HandleAllocated())
    SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, FItemHeight);
}

void TCustomListBox::SetColumns(int Value) {
  Value = std::max(0, Value);
  if (FColumns == Value)
    return;
  bool wasMulti = FColumns > 0;
  FColumns = Value;
  if (wasMulti != (Value > 0))
    RecreateWnd();
  else
    ApplyColumnWidth();
}

void TCustomListBox::ApplyColumnWidth() {
  if (FColumns > 0 && HandleAllocated())
    SendMessageA(Handle(), LB_SETCOLUMNWIDTH, WPARAM(std::max(1, ClientWidth() / FColumns)), 0);
}

void TCustomListBox::SetTabWidth(int Value) {
  Value = std::max(0, Value);
  if (FTabWidth == Value)
    return;
  FTabWidth = Value;
  RecreateWnd();
}

int TCustomListBox::ScrollWidth() {
  if (HandleAllocated())
    return int(SendMessageA(Handle(), LB_GETHORIZONTALEXTENT, 0, 0));
  return FScrollWidth;
}

void TCustomListBox::SetScrollWidth(int Value) {
  FScrollWidth = std::max(0, Value);
  if (HandleAllocated())
    SendMessageA(Handle(), LB_SETHORIZONTALEXTENT, WPARAM(FScrollWidth), 0);
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value)
    return;
  FBorderStyle = Value;
  RecreateWnd();
}
