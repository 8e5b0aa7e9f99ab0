#include "editors/core/cxListBox.h"

#include "platform/win/ListBox.h"
#include "platform/win/Win.h"

TcxInnerListBox::TcxInnerListBox(TComponent* AOwner)
    : TcxCustomInnerListBox(AOwner), FListBox(dynamic_cast<TcxListBox*>(AOwner)) {}

void TcxInnerListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (FListBox && cxCanvas() && FListBox->DoDrawItem(cxCanvas(), Index, Rect, State))
    return;
  TcxCustomInnerListBox::DrawItem(Index, Rect, State);
}

void TcxInnerListBox::MeasureItem(int Index, int& Height) {
  if (FListBox && FListBox->OnMeasureItem)
    FListBox->OnMeasureItem(FListBox, Index, Height);
  else
    TcxCustomInnerListBox::MeasureItem(Index, Height);
}

TcxListBox::TcxListBox(TComponent* AOwner) : TcxContainer(AOwner) {
  FInnerListBox = NewInstance<TcxInnerListBox>(GetInnerListBoxClass(), static_cast<TComponent*>(this));
  FInnerListBox->SetBorderStyle(bsNone);
  FInnerListBox->SetParent(this);
  FInnerListBox->SetContainer(this);
  SetInnerControl(FInnerListBox);
  FInnerListBox->LookAndFeel()->SetMasterLookAndFeel(Style()->LookAndFeel());
  SetBounds(Left(), Top(), 121, 97);
}

TcxListBox::~TcxListBox() = default;

void TcxListBox::SetItems(TStrings* Value) {
  FInnerListBox->Items()->Assign(Value);
  DataChange();
}

void TcxListBox::DataChange() {
  // The list box is bound to no data: nothing stays selected after its items are replaced.
  FInnerListBox->SetItemIndex(-1);
}

void TcxListBox::SetColumns(int Value) {
  FInnerListBox->SetColumns(Value);
  FInnerListBox->SyncScrollBars();
}

bool TcxListBox::DoDrawItem(TcxCanvas* ACanvas, int AIndex, const TRect& ARect, TOwnerDrawState AState) {
  if (!OnDrawItem)
    return false;
  OnDrawItem(this, ACanvas, AIndex, ARect, AState);
  return true;
}

void TcxListBox::WndProc(TMessage& Message) {
  if (Message.Msg >= 384 && Message.Msg <= 432 && FInnerListBox && FInnerListBox->HandleAllocated()) {
    Message.Result = SendMessage(FInnerListBox->Handle(), Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  TcxContainer::WndProc(Message);
}

// The inner list paints its rows at once when an update ends; the list box repaints later (after a font
// change, or where a hidden bar uncovered it). It must then leave the list's pixels alone: the inner list
// and the bars draw their own areas, the list box only what lies around them.
void TcxListBox::CreateParams(TCreateParams& Params) {
  TcxContainer::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
}

void TcxListBox::SetIntegralHeight(bool Value) {
  if (FIntegralHeight == Value)
    return;
  FIntegralHeight = Value;
  SetBounds(Left(), Top(), Width(), Height());
}

int TcxListBox::IntegralHeightFor(int ANewHeight) {
  const TRect border = GetBorderExtent();
  int height = border.top + border.bottom;
  const int rowHeight = std::max(1, ListStyle() == lbStandard || ListStyle() == lbVirtual
                                        ? FInnerListBox->Canvas()->TextHeight("Wg")
                                        : ItemHeight());
  const int base = height;
  for (int row = 0;; ++row) {
    int h = rowHeight;
    if (ListStyle() == lbOwnerDrawVariable && row < Count() && OnMeasureItem)
      OnMeasureItem(this, row, h);
    if (height + h == ANewHeight)
      return ANewHeight;
    if (height + h > ANewHeight)
      return row == 0 ? base + h : height;
    height += h;
  }
}

void TcxListBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (FIntegralHeight && !ComponentState().Contains(csLoading) && Align() != alLeft && Align() != alRight &&
      Align() != alClient && FInnerListBox)
    AHeight = IntegralHeightFor(AHeight);
  TcxContainer::SetBounds(ALeft, ATop, AWidth, AHeight);
}

// Listed for its place in the start-up order; it has no start-up work of its own.
const TUnitInfo cxListBoxUnit{"cxListBox", nullptr, nullptr};
