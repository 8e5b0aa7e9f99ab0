#pragma once
// The library's list box: a windowed control over the platform's LISTBOX class, which keeps the items, the
// order, the selection and the drawing; this class keeps its settings while no window exists and hands the
// items over when the window is made again.
#include <memory>
#include <vector>

#include "platform/classes/StringList.h"
#include "platform/controls/Controls.h"
#include "platform/controls/StdCtrls.h"

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };

enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused };
using TOwnerDrawState = TSet<TOwnerDrawStateItem, 8>;

class TCustomListBox;
using TDrawItemEvent = TEvent<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = TEvent<void(TWinControl* Control, int Index, int& Height)>;
using TLBGetDataEvent = TEvent<void(TWinControl* Control, int Index, AnsiString& Data)>;

class TCustomListBox : public TWinControl {
  PELVOR_CLASS(TCustomListBox, TWinControl)
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  // A view over the window's items; using it creates the window.
  TStrings* Items() const { return FItems.get(); }
  void SetItems(TStrings* Value);
  int Count();
  // Sets the item count of a virtual list, whose texts come from OnData.
  void SetCount(int Value);
  void Clear();
  // Appends items that already follow the list's order in one step, as many additions would leave them but
  // without searching for each one's place; their texts are moved out. A sorted list refuses a batch out of
  // its order with EListError and keeps its items.
  void AppendOrdered(std::vector<AnsiString>& Items);

  // -1 when nothing is selected; in a multiple-selection list, the item with the focus rectangle.
  int ItemIndex();
  void SetItemIndex(int Value);
  // An index outside the list raises the list-index error.
  bool Selected(int Index);
  void SetSelected(int Index, bool Value);
  int SelCount();
  int TopIndex();
  void SetTopIndex(int Value);
  // The item under a client point; with Existing, -1 when no item is there, else Count.
  int ItemAtPos(const TPoint& Pos, bool Existing);
  TRect ItemRect(int Index);

  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool Value);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value);
  int ItemHeight();
  void SetItemHeight(int Value);
  int Columns() const { return FColumns; }
  void SetColumns(int Value);
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int Value);
  // The horizontal extent in pixels, 0 for none.
  int ScrollWidth();
  void SetScrollWidth(int Value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TCanvas* Canvas() const { return FCanvas.get(); }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  TLBGetDataEvent OnData;

protected:
  friend class TListBoxStrings;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& Message) override;
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);
  // The text of an item; a virtual list asks OnData.
  AnsiString ItemText(int Index);
  bool IsVirtual() const { return FStyle == lbVirtual || FStyle == lbVirtualOwnerDraw; }

private:
  void CNCommand(TMessage& Message);
  void CNDrawItem(TMessage& Message);
  void CNMeasureItem(TMessage& Message);
  void ResetContent();
  void ApplyColumnWidth();

  std::unique_ptr<TStrings, TObjectDeleter> FItems;
  std::unique_ptr<TControlCanvas, TObjectDeleter> FCanvas;
  // The items, their objects and the view kept while the window is rebuilt.
  std::unique_ptr<TStringList, TObjectDeleter> FSaveItems;
  int FSaveItemIndex = -1;
  int FSaveTopIndex = 0;
  int FCount = 0; // virtual lists
  TListBoxStyle FStyle = lbStandard;
  TBorderStyle FBorderStyle = bsSingle;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  bool FSorted = false;
  bool FIntegralHeight = false;
  int FItemHeight = 16;
  int FColumns = 0;
  int FTabWidth = 0;
  int FScrollWidth = 0;
};

class TListBox : public TCustomListBox {
  PELVOR_CLASS(TListBox, TCustomListBox)
  using TCustomListBox::TCustomListBox;
};
