#pragma once
// The styled list box: a container around a platform list box whose bars the container draws.
#include "lookandfeel/cxContainer.h"

class TcxListBox;

class TcxInnerListBox : public TcxCustomInnerListBox {
  PELVOR_CLASS(TcxInnerListBox, TcxCustomInnerListBox)
  explicit TcxInnerListBox(TComponent* AOwner);
  TcxListBox* ListBox() const { return FListBox; }
  void ForgetContainer() override {
    TcxCustomInnerListBox::ForgetContainer();
    FListBox = nullptr;
  }

protected:
  friend class TcxListBox;
  void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
  void MeasureItem(int Index, int& Height) override;

  TcxListBox* FListBox = nullptr; // borrowed: the owner
};

using TcxListBoxDrawItemEvent =
    TEvent<void(TcxListBox* Sender, TcxCanvas* ACanvas, int AIndex, TRect ARect, TOwnerDrawState AState)>;
using TcxListBoxMeasureItemEvent = TEvent<void(TcxListBox* Sender, int AIndex, int& AHeight)>;

class TcxListBox : public TcxContainer {
  PELVOR_CLASS(TcxListBox, TcxContainer)
  explicit TcxListBox(TComponent* AOwner);
  ~TcxListBox() override;

  TcxInnerListBox* InnerListBox() const { return FInnerListBox; }
  TStrings* Items() const { return FInnerListBox->Items(); }
  void SetItems(TStrings* Value);
  int Count() const { return FInnerListBox->Items()->Count(); }
  int ItemIndex() const { return FInnerListBox->ItemIndex(); }
  void SetItemIndex(int Value) { FInnerListBox->SetItemIndex(Value); }
  void Clear() { FInnerListBox->Clear(); }
  bool Selected(int Index) const { return FInnerListBox->Selected(Index); }
  void SetSelected(int Index, bool Value) { FInnerListBox->SetSelected(Index, Value); }
  bool Sorted() const { return FInnerListBox->Sorted(); }
  void SetSorted(bool Value) { FInnerListBox->SetSorted(Value); }
  int ItemHeight() const { return FInnerListBox->ItemHeight(); }
  void SetItemHeight(int Value) { FInnerListBox->SetItemHeight(Value); }
  TListBoxStyle ListStyle() const { return FInnerListBox->Style(); }
  void SetListStyle(TListBoxStyle Value) { FInnerListBox->SetStyle(Value); }
  bool MultiSelect() const { return FInnerListBox->MultiSelect(); }
  void SetMultiSelect(bool Value) { FInnerListBox->SetMultiSelect(Value); }
  bool ExtendedSelect() const { return FInnerListBox->ExtendedSelect(); }
  void SetExtendedSelect(bool Value) { FInnerListBox->SetExtendedSelect(Value); }
  int Columns() const { return FInnerListBox->Columns(); }
  void SetColumns(int Value);
  int ScrollWidth() const { return FInnerListBox->ScrollWidth(); }
  void SetScrollWidth(int Value) { FInnerListBox->SetScrollWidth(Value); }
  int TabWidth() const { return FInnerListBox->TabWidth(); }
  void SetTabWidth(int Value) { FInnerListBox->SetTabWidth(Value); }
  int TopIndex() const { return FInnerListBox->TopIndex(); }
  TRect ItemRect(int Index) const { return FInnerListBox->ItemRect(Index); }
  // Appends items already in the list's order in one step; see TCustomListBox::AppendOrdered.
  void AppendOrdered(std::vector<AnsiString>& AItems) { FInnerListBox->AppendOrdered(AItems); }
  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value);
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  TcxListBoxDrawItemEvent OnDrawItem;
  TcxListBoxMeasureItemEvent OnMeasureItem;

protected:
  friend class TcxInnerListBox;
  virtual bool DoDrawItem(TcxCanvas* ACanvas, int AIndex, const TRect& ARect, TOwnerDrawState AState);
  virtual TClass GetInnerListBoxClass() const { return TcxInnerListBox::StaticClass(); }
  void WndProc(TMessage& Message) override;
  void CreateParams(TCreateParams& Params) override;
  void DataChange() override;
  // The tallest height up to ANewHeight that shows whole rows.
  int IntegralHeightFor(int ANewHeight);

  TcxInnerListBox* FInnerListBox = nullptr; // owned as a component
  bool FIntegralHeight = false;
};

extern const TUnitInfo cxListBoxUnit;
