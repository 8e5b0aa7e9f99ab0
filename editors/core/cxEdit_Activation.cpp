#include <algorithm>

#include "editors/core/cxEdit.h"
#include "editors/core/cxEdit_Internal.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

TcxCustomEditData::TcxCustomEditData(TcxCustomEdit* AEdit) : FEdit(AEdit) {
  FFreeNotificator.reset(new TcxFreeNotificator(nullptr));
  FFreeNotificator->OnFreeNotification = TcxFreeNotificationEvent(this, &TcxCustomEditData::EditFreed);
  if (FEdit)
    cxAddFreeNotification(FFreeNotificator.get(), FEdit);
}

TcxCustomEditData::~TcxCustomEditData() {
  if (FEdit)
    cxRemoveFreeNotification(FFreeNotificator.get(), FEdit);
}

void TcxCustomEditData::EditFreed(TObject*, TComponent* AComponent) {
  if (AComponent == FEdit)
    FEdit = nullptr;
}

TcxEditDataBinding::TcxEditDataBinding(TcxCustomEdit* AEdit) : FEdit(AEdit) {
  CreateDefaultValuesProvider();
}

TcxEditDataBinding::~TcxEditDataBinding() = default;

void TcxEditDataBinding::CreateDefaultValuesProvider() {
  FDefaultValuesProvider.reset(NewInstance<TcxCustomEditDefaultValuesProvider>(
      GetDefaultValuesProviderClass(), static_cast<TPersistent*>(this)));
}

TPersistent* TcxEditDataBinding::GetOwner() {
  return FEdit;
}

IcxEditDefaultValuesProvider* TcxEditDataBinding::IDefaultValuesProvider() const {
  return FDefaultValuesProvider.get();
}

void TcxEditDataBinding::DefaultValuesChanged() {
  if (FEdit->RepositoryItem()) {
    TcxCustomEditProperties* properties = FEdit->ActiveProperties();
    properties->BeginUpdate();
    properties->EndUpdate(false);
    FEdit->PropertiesChanged(static_cast<TObject*>(properties));
  } else {
    FEdit->Properties()->Changed();
  }
}

Variant TcxEditDataBinding::GetDisplayValue() {
  return Variant(FEdit->GetDisplayText());
}

bool TcxEditDataBinding::GetModified() {
  return FEdit->ModifiedAfterEnter();
}

Variant TcxEditDataBinding::GetStoredValue() {
  return FEdit->EditValue();
}

void TcxEditDataBinding::Reset() {
  FEdit->Reset();
}

void TcxEditDataBinding::UpdateNotConnectedDisplayValue() {
  FEdit->SetInnerDisplayValue(GetDisplayValue());
}

bool TcxEditDataBinding::IsDesigning() {
  return FEdit->IsDesigning();
}

void TcxEditDataBinding::UpdateDisplayValue() {
  FEdit->SynchronizeDisplayValue();
}

void TcxCustomEdit::ClickTimerHandler(TObject*) {
  FClickTimer->SetEnabled(false);
}

void TcxCustomEdit::Activate(TcxCustomEditData*& AEditData) {
  if (!AEditData && GetEditDataClass())
    AEditData = NewInstance<TcxCustomEditData>(GetEditDataClass(), this);
  FEditData = AEditData;
  if (FEditData && FEditData->Cleared()) {
    InitializeEditData();
    FEditData->SetCleared(false);
  }
  // Taking the focus raises the enter handlers, which may free the edit.
  auto alive = AliveToken();
  SetVisible(true);
  if (*alive && HandleAllocated() && CanFocus()) {
    SetFocus();
    if (*alive && ActiveProperties()->AutoSelect())
      SelectAll();
  }
  if (!*alive)
    return;
  SynchronizeDisplayValue();
  if (*alive)
    SetEditModified(false);
}

void TcxCustomEdit::ActivateByKey(char Key, TcxCustomEditData*& AEditData) {
  HookInnerEditWndProc();
  auto alive = AliveToken();
  struct Unhook {
    TcxCustomEdit* edit;
    const std::shared_ptr<const bool>& alive;
    ~Unhook() {
      if (*alive)
        edit->UnhookInnerEditWndProc();
    }
  } unhook{this, alive};
  Activate(AEditData);
  if (*alive && CanSendActivationKey(Key) && HandleAllocated())
    SendMessage(Handle(), WM_CHAR, WPARAM(static_cast<unsigned char>(Key)), 0);
}

void TcxCustomEdit::ActivateByMouse(TShiftState Shift, int X, int Y, TcxCustomEditData*& AEditData) {
  auto alive = AliveToken();
  Activate(AEditData);
  if (!*alive || !HandleAllocated())
    return;
  TPoint p{X, Y};
  if (Parent())
    p = ScreenToClient(Parent()->ClientToScreen(p));
  const LPARAM lParam = MAKELPARAM(p.x, p.y);
  const HWND handle = Handle();
  if (Shift.Contains(ssLeft)) {
    SendMessage(handle, WM_LBUTTONDOWN, ShiftStateToKeys(Shift), lParam);
    if (*alive && GetCapture() == handle && !(GetAsyncKeyState(VK_LBUTTON) & 0x8000))
      ReleaseCapture();
  } else {
    SendMessage(handle, WM_LBUTTONUP, ShiftStateToKeys(Shift), lParam);
  }
  if (*alive)
    FClickTimer->SetEnabled(true);
}

void TcxCustomEdit::HookInnerEditWndProc() {
  if (!FInnerControl || FInnerEditHooked)
    return;
  FInnerEditOldWndProc = FInnerControl->WindowProc();
  FInnerControl->SetWindowProc(TWndMethod(this, &TcxCustomEdit::InnerEditWndProc));
  FInnerEditHooked = true;
}

void TcxCustomEdit::InnerEditWndProc(TMessage& Message) {
  FInnerEditOldWndProc(Message);
}

void TcxCustomEdit::UnhookInnerEditWndProc() {
  if (!FInnerEditHooked)
    return;
  FInnerEditHooked = false;
  if (FInnerControl)
    FInnerControl->SetWindowProc(FInnerEditOldWndProc);
  FInnerEditOldWndProc = {};
}

bool TcxCustomEdit::HasDefaultButton() {
  TcxEditButtons* buttons = ActiveProperties()->Buttons();
  for (int i = 0; i < buttons->Count(); ++i)
    if (buttons->Items(i)->Default())
      return true;
  return false;
}

bool TcxCustomEdit::IsButtonClickKey(WORD Key, TShiftState Shift) {
  return HasDefaultButton() && ShortCut(Key, Shift) == ActiveProperties()->ClickKey();
}

bool TcxCustomEdit::IsEditorKey(WORD, TShiftState Shift) {
  return !FIsInplace || ActiveProperties()->InplaceKeysAllowed() || Shift.Contains(ssCtrl);
}

bool TcxCustomEdit::IsValidChar(char C) {
  return ActiveProperties()->IsValidChar(C);
}

// A key handler that frees the edit has dealt with the key.
void TcxCustomEdit::KeyDown(WORD& Key, TShiftState Shift) {
  FEscapeHandled = false;
  auto alive = AliveToken();
  if (!IsButtonClickKey(Key, Shift))
    TcxControl::KeyDown(Key, Shift);
  if (!*alive)
    Key = 0;
  else if (Key != 0)
    DoEditKeyDown(Key, Shift);
}

void TcxCustomEdit::KeyPress(char& Key) {
  if (Key == 27 && FEscapeHandled) {
    FEscapeHandled = false;
    Key = 0;
    return;
  }
  auto alive = AliveToken();
  TcxContainer::KeyPress(Key);
  if (!*alive)
    Key = 0;
  else if (Key != 0)
    DoEditKeyPress(Key);
}

void TcxCustomEdit::KeyUp(WORD& Key, TShiftState Shift) {
  auto alive = AliveToken();
  TcxContainer::KeyUp(Key, Shift);
  if (!*alive)
    Key = 0;
  else if (Key != 0)
    DoEditKeyUp(Key, Shift);
}

void TcxCustomEdit::DoEditKeyPress(char& Key) {
  FilterKeyPress(Key);
}

bool TcxCustomEdit::FilterKeyDown(WORD Key, TShiftState Shift) {
  if (FDataBinding->GetModified() || !CanKeyDownModifyEdit(Key, Shift))
    return true;
  return DoEditing();
}

void TcxCustomEdit::FilterKeyPress(char& Key) {
  if (static_cast<unsigned char>(Key) >= 32 && !IsValidChar(Key)) {
    Key = 0;
    return;
  }
  if (FDataBinding->GetModified() || !CanKeyPressModifyEdit(Key))
    return;
  if (!DoEditing())
    Key = 0;
}

void TcxCustomEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  if (Key == 0)
    return;
  TcxCustomEditProperties* properties = ActiveProperties();
  const TShortCut shortCut = ShortCut(Key, Shift);
  // Every handler below may free the edit.
  auto alive = AliveToken();
  auto afterKey = [&] {
    if (*alive && OnAfterKeyDown)
      OnAfterKeyDown(this, Key, Shift);
  };
  if (properties->ClearKey() != 0 && shortCut == properties->ClearKey()) {
    {
      TcxFlagScope userChange(this, FIsUserChange);
      SetInternalEditValue(Null);
    }
    if (*alive)
      FIsEditValidated = true;
    Key = 0;
    return;
  }
  if (HasDefaultButton() && shortCut == properties->ClickKey()) {
    MSG msg{};
    if (HandleAllocated() && PeekMessage(&msg, Handle(), WM_CHAR, WM_CHAR, PM_REMOVE) &&
        msg.message == WM_QUIT)
      PostQuitMessage(int(msg.wParam));
    ClickDefaultButton();
    Key = 0;
    return;
  }
  if (!FilterKeyDown(Key, Shift)) {
    afterKey();
    Key = 0;
    return;
  }
  if (Key == VK_TAB && Focused() && !Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl) &&
      !properties->WantsTabKey()) {
    PrepareTabNavigation();
    afterKey();
    if (*alive && Key != 0) {
      Key = 0;
      if (TCustomForm* form = GetParentForm())
        form->SelectNext(form->ActiveControl(), !Shift.Contains(ssShift), true);
      // The inner control may hold the focus on a form that cannot take it (hidden or disabled while it
      // was not the active window): taking it again would be refused.
      if (*alive && FInnerControl && FInnerControl->Focused() && FInnerEdit && CanFocusEx())
        FInnerEdit->SafelySetFocus();
    }
    return;
  }
  if (Key == VK_RETURN && properties->ValidateOnEnter()) {
    Key = 0;
    TcxChangeEventsLock lock(this);
    if (InternalValidateEdit(true) && *alive && CanPostEditValue())
      PostEditValue(false);
    return;
  }
  if (Key == VK_ESCAPE && FModifiedAfterEnter) {
    Reset();
    if (*alive)
      FEscapeHandled = true;
    Key = 0;
    return;
  }
  if (!WantNavigationKeys() && Key >= VK_PRIOR && Key <= VK_DOWN) {
    afterKey();
    Key = 0;
  }
}

void TcxCustomEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_COPY:
    CopyToClipboard();
    return;
  case WM_CUT:
  case WM_PASTE: {
    TcxFlagScope userChange(this, FIsUserChange);
    const bool canChange = !ActiveProperties()->ReadOnly() && FDataBinding->IsDataAvailable();
    if (Message.Msg == WM_CUT)
      canChange ? CutToClipboard() : CopyToClipboard();
    else if (canChange)
      PasteFromClipboard();
    return;
  }
  case WM_NCHITTEST:
    if (FIsUpdatingRegion) {
      Message.Result = 0;
      return;
    }
    break;
  default:
    break;
  }
  TcxContainer::WndProc(Message);
}

void TcxCustomEdit::CMDialogChar(TCMDialogChar& Message) {
  TcxEditButtons* buttons = ActiveProperties()->Buttons();
  for (int i = 0; i < buttons->Count(); ++i)
    if (cxIsAccel(Message.CharCode(), buttons->Items(i)->Caption())) {
      DoButtonClick(i);
      Message.Result = 1;
      return;
    }
  TcxContainer::CMDialogChar(Message);
}

void TcxCustomEdit::CMShowingChanged(TMessageView& Message) {
  // Hiding the edit's window closes a popup it owns, whose handlers may free the edit.
  auto alive = AliveToken();
  TcxContainer::CMShowingChanged(Message);
  if (*alive && Showing())
    AdjustInnerEditPosition();
}

int TcxCustomEdit::GetButtonIndexAt(const TPoint& P) {
  TcxCustomEditViewInfo* vi = ViewInfo();
  for (int i = 0; i < vi->ButtonCount(); ++i)
    if (PtInRect(&vi->Button(i)->Bounds, P))
      return i;
  return -1;
}

void TcxCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  // The press this edit passes on to its inner control comes back here from it; it was handled already.
  if (FMouseDownPassing)
    return;
  auto alive = AliveToken();
  if (Button == mbLeft && FClickTimer->Enabled()) {
    FClickTimer->SetEnabled(false);
    if (GetButtonIndexAt(TPoint{X, Y}) == -1)
      DblClick();
    if (!*alive)
      return;
  }
  TcxContainer::MouseDown(Button, Shift, X, Y);
  if (!*alive || !HandleAllocated())
    return;
  const TPoint cursor = GetMouseCursorPos();
  if (WindowFromPoint(cursor) == Handle()) {
    TControl* child = ControlAtPos(ScreenToClient(cursor), false, true);
    if (auto* winChild = dynamic_cast<TWinControl*>(child); winChild && winChild->HandleAllocated()) {
      static constexpr UINT Messages[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
      const TPoint p = winChild->ScreenToClient(cursor);
      TcxFlagScope passing(this, FMouseDownPassing);
      winChild->Perform(Messages[int(Button)], ShiftStateToKeys(GetCurrentShiftState()),
                        MAKELPARAM(p.x, p.y));
    }
  }
  if (*alive && Button == mbLeft && GetCapture() == Handle()) {
    const int index = GetButtonIndexAt(TPoint{X, Y});
    if (index != -1 && ViewInfo()->Button(index)->State == ebstPressed)
      FCaptureButtonIndex = index;
  }
}

void TcxCustomEdit::MouseLeave(TControl* AControl) {
  auto alive = AliveToken();
  TcxContainer::MouseLeave(AControl);
  if (!*alive || !ViewInfo() || IsDestroying())
    return;
  for (auto& button : ViewInfo()->ButtonsInfo)
    if (button->State == ebstHot) {
      button->State = ebstNormal;
      InvalidateControlRect(this, button->Bounds, false);
    }
}

void TcxCustomEdit::DblClick() {
  const TPoint p = ScreenToClient(GetMouseCursorPos());
  if (GetButtonIndexAt(p) != -1) {
    TShiftState shift = GetCurrentShiftState();
    shift.Include(ssLeft);
    auto alive = AliveToken();
    MouseDown(mbLeft, shift, p.x, p.y);
    if (*alive)
      Click();
    return;
  }
  TcxContainer::DblClick();
}

bool TcxCustomEdit::RefreshContainer(const TPoint& P, TcxContainerMouseButton Button, TShiftState Shift,
                                     bool AIsMouseEvent) {
  if (!HandleAllocated() || IsDestroying() || !FProperties || !ViewInfo())
    return false;
  if (FCaptureButtonIndex != -1 && GetCapture() != Handle())
    FCaptureButtonIndex = -1;
  std::unique_ptr<TcxCustomEditViewInfo, TObjectDeleter> old;
  if (AIsMouseEvent) {
    old.reset(NewInstance<TcxCustomEditViewInfo>(GetViewInfoClass()));
    old->Assign(ViewInfo());
  }
  {
    std::unique_ptr<TcxCustomEditViewData, TObjectDeleter> viewData(CreateViewData());
    InitializeViewData(viewData.get());
    viewData->Calculate(cxCanvas(), TRect{0, 0, Width(), Height()}, P, Button, Shift, ViewInfo(),
                        AIsMouseEvent);
    viewData->EditValueToDrawValue(cxCanvas(), FEditValue, ViewInfo());
  }
  TRect exclude{};
  if (FInnerControl && IsInnerEditShown())
    exclude = GetControlRect(FInnerControl);
  const bool changed = ViewInfo()->RepaintChanges(this, exclude, old.get());
  if (AIsMouseEvent && !changed)
    return false;
  // Moving and reshaping windows reaches the message hooks, whose handlers may free the edit.
  auto alive = AliveToken();
  AdjustInnerEditPosition();
  if (*alive)
    AdjustInnerControl();
  if (*alive) {
    TcxFlagScope updatingRegion(this, FIsUpdatingRegion);
    UpdateShadowRegion();
  }
  if (!*alive)
    return true;
  if (old)
    ProcessButtonStateChanges(old.get());
  return true;
}

void TcxCustomEdit::RefreshContainerAtCursor() {
  if (FIsRefreshing || !HandleAllocated() || IsDestroying())
    return;
  TcxFlagScope refreshing(this, FIsRefreshing);
  RefreshAtCursorPos(false);
}

void TcxCustomEdit::ProcessButtonStateChanges(TcxCustomEditViewInfo* AOldViewInfo) {
  TcxCustomEditViewInfo* vi = ViewInfo();
  if (vi->PressedButtonIndex == AOldViewInfo->PressedButtonIndex &&
      vi->HotButtonIndex == AOldViewInfo->HotButtonIndex)
    return;
  auto alive = AliveToken();
  if (AOldViewInfo->PressedButtonIndex != -1) {
    const int index = AOldViewInfo->PressedButtonIndex;
    if (index == vi->HotButtonIndex) {
      DoButtonUp(index);
      if (*alive)
        DoButtonClick(index);
    } else {
      DoButtonUp(index);
    }
  }
  if (*alive && vi->PressedButtonIndex != -1 && AOldViewInfo->PressedButtonIndex == -1)
    DoButtonDown(vi->PressedButtonIndex);
}

void TcxCustomEdit::DoButtonClick(int AButtonIndex) {
  TcxCustomEditViewInfo* vi = ViewInfo();
  const int index =
      AButtonIndex >= 0 && AButtonIndex < vi->ButtonCount() ? vi->Button(AButtonIndex)->Index : AButtonIndex;
  auto alive = AliveToken();
  if (FProperties->OnButtonClick)
    FProperties->OnButtonClick(this, index);
  if (*alive && FRepositoryItem && FRepositoryItem->Properties()->OnButtonClick)
    FRepositoryItem->Properties()->OnButtonClick(this, index);
}

void TcxCustomEdit::ClickDefaultButton() {
  TcxCustomEditViewInfo* vi = ViewInfo();
  TcxEditButtons* buttons = ActiveProperties()->Buttons();
  for (int i = 0; i < vi->ButtonCount(); ++i)
    if (buttons->Items(vi->Button(i)->Index)->Default())
      return DoButtonClick(i);
}

TcxCustomEditViewData* TcxCustomEdit::CreateViewData() {
  TcxCustomEditViewData* viewData = ActiveProperties()->CreateViewData(Style(), FIsInplace);
  viewData->SetEdit(GetInnerEditClass() && !FInnerEdit ? nullptr : this);
  if (HandleAllocated())
    viewData->WindowHandle = Handle();
  return viewData;
}

void TcxCustomEdit::InitializeViewData(TcxCustomEditViewData* AViewData) {
  AViewData->Enabled = Enabled();
  AViewData->Focused = Focused();
  AViewData->InnerEdit = FInnerEdit;
  AViewData->IsDesigning = IsDesigning();
}

TcxEditSizeProperties TcxCustomEdit::GetEditSizeProperties() {
  TcxEditSizeProperties size;
  size.MaxLineCount = 1;
  size.Width = Width();
  return size;
}

TSize TcxCustomEdit::CalculateEditSize(const TcxEditSizeProperties& AEditSizeProperties) {
  std::unique_ptr<TcxCustomEditViewData, TObjectDeleter> viewData(CreateViewData());
  InitializeViewData(viewData.get());
  // Measuring needs no window of its own: before one exists the shared screen canvas serves.
  TcxCanvas* canvas = HandleAllocated() ? cxCanvas() : GetMeasureCanvas();
  return viewData->CalculateEditSize(canvas, FEditValue, AEditSizeProperties);
}

bool TcxCustomEdit::CanAutoWidth() {
  return FAutoSize && ActiveProperties()->ButtonsViewStyle() == bvsButtonsAutoWidth && !FIsInplace;
}

bool TcxCustomEdit::CanAutoSize(int& NewWidth, int& NewHeight) {
  return TcxContainer::CanAutoSize(NewWidth, NewHeight);
}

bool TcxCustomEdit::CanResize(int& NewWidth, int& NewHeight) {
  bool result = TcxContainer::CanResize(NewWidth, NewHeight);
  if (!result || !FAutoSize || ComponentState().Contains(csLoading) || !FProperties)
    return result;
  const TAlign align = Align();
  if (!FIsInplace && (align == alLeft || align == alRight || align == alClient || align == alCustom))
    return result;
  TcxEditSizeProperties limits = GetEditSizeProperties();
  limits.Width = NewWidth;
  NewHeight = CalculateEditSize(limits).cy;
  return result;
}

void TcxCustomEdit::AdjustInnerControlBounds() {
  if (!HandleAllocated() || !FProperties)
    return TcxContainer::AdjustInnerControlBounds();
  if (FAutoSize && CanAutoSize()) {
    const TSize size = CalculateEditSize(GetEditSizeProperties());
    const TAlign align = Align();
    int width = Width(), height = Height();
    if (CanAutoWidth() && align != alTop && align != alBottom && align != alClient)
      width = size.cx;
    if (!FIsInplace && align != alLeft && align != alRight && align != alClient)
      height = size.cy;
    if (width != Width() || height != Height())
      SetBounds(Left(), Top(), width, height);
  }
  AdjustInnerEditPosition();
}

void TcxCustomEdit::AdjustInnerEditPosition() {
  TcxContainer::AdjustInnerControlBounds();
}

void TcxCustomEdit::SetAutoSize(bool Value) {
  if (FIsInplace || FAutoSize == Value)
    return;
  FAutoSize = Value;
  if (Value) {
    HandleNeeded();
    AdjustInnerControlBounds();
    RefreshContainerAtCursor();
  }
}

int TcxCustomEdit::Height() {
  if (!FIsHandleNeededLock && !HandleAllocated() && Parent() && Parent()->HandleAllocated()) {
    TcxFlagScope lock(this, FIsHandleNeededLock);
    HandleNeeded();
  }
  return TcxContainer::Height();
}

TRect TcxCustomEdit::GetBorderExtent() {
  TcxCustomEditViewInfo* vi = ViewInfo();
  if (!vi)
    return TcxContainer::GetBorderExtent();
  return TRect{vi->ClientRect.left - vi->Bounds.left, vi->ClientRect.top - vi->Bounds.top,
               vi->Bounds.right - vi->ClientRect.right, vi->Bounds.bottom - vi->ClientRect.bottom};
}

TRect TcxCustomEdit::GetBorderRect() {
  TcxCustomEditViewInfo* vi = ViewInfo();
  if (!vi)
    return TcxContainer::GetBorderRect();
  // The frame around the buttons and the text, whose outside the window region and the shadow leave out.
  TRect r = vi->Bounds;
  InsetRectByRect(r, vi->BorderExtent);
  const int w = vi->BorderWidth;
  InflateRect(&r, w, w);
  DeflateRectExcept(r, w, vi->Edges);
  return r;
}

TcxContainerStyleValues TcxCustomEdit::GetHiddenStyleValues() {
  TcxContainerStyleValues values = TcxContainer::GetHiddenStyleValues();
  values.Include(svButtonStyle);
  values.Include(svButtonTransparency);
  values.Include(svPopupBorderStyle);
  return values;
}

bool TcxCustomEdit::IsNativeStyle() {
  return TcxCustomEditViewData::IsNativeStyle(Style()->LookAndFeel());
}

void TcxCustomEdit::FocusInnerControl() {
  if (FInnerControl && FInnerControl->CanFocus())
    FInnerControl->SetFocus();
}

bool TcxCustomEdit::IsPaintCopyOfBoundEdit() {
  return FDataBinding && FDataBinding->IsDataAware() && ControlState().Contains(csPaintCopy);
}

void TcxCustomEdit::Paint() {
  TcxFlagScope painting(this, FIsPainting);
  if (IsPaintCopyOfBoundEdit())
    return DrawPaintCopy();
  TcxContainer::Paint();
}

void TcxCustomEdit::DrawPaintCopy() {
  std::unique_ptr<TcxCustomEditViewData, TObjectDeleter> viewData(CreateViewData());
  InitializeViewData(viewData.get());
  std::unique_ptr<TcxCustomEditViewInfo, TObjectDeleter> viewInfo(
      NewInstance<TcxCustomEditViewInfo>(GetViewInfoClass()));
  viewData->Calculate(cxCanvas(), TRect{0, 0, Width(), Height()}, TPoint{-1, -1}, cxmbNone, {},
                      viewInfo.get(), false);
  viewData->EditValueToDrawValue(cxCanvas(), FDataBinding->GetStoredValue(), viewInfo.get());
  viewInfo->Paint(cxCanvas());
}

void TcxCustomEdit::CreateHandle() {
  auto alive = AliveToken();
  TcxContainer::CreateHandle();
  if (*alive && FInnerControl && Focused() && FInnerControl->CanFocus())
    FInnerControl->SetFocus();
}

void TcxCustomEdit::GetTabOrderList(std::vector<TWinControl*>& List) {
  TcxContainer::GetTabOrderList(List);
  if (FIsInplace && Visible() && Parent())
    List.erase(std::remove(List.begin(), List.end(), Parent()), List.end());
}

void TcxCustomEdit::RequestAlign() {
  TcxContainer::RequestAlign();
  RefreshContainerAtCursor();
}
