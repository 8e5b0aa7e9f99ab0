#pragma once
// The single-line text editor: its properties, the platform edit it hosts, completion from lookup items,
// and the view data that draws it while the platform edit does not show the text.
#include <bitset>
#include <memory>

#include "editors/core/cxEdit.h"
#include "platform/controls/StdCtrls.h"

enum TcxEditEchoMode { eemNormal, eemPassword };
enum TcxTextEditingStyle { tesFreeText, tesTextAndList, tesListOnly, tesNoText };

// Only 'A'..'Z' and 'a'..'z' change: the library's case mapping is ASCII.
String cxChangeCharCase(const String& AText, TEditCharCase ACharCase);
// Re-groups the integer digits of a number text; a leading sign and the blanks around it are not digits.
String cxInsertThousandSeparators(const String& AText, char AThousandSeparator, char ADecimalSeparator);
// A line feed followed by a carriage return, anywhere in the text, becomes two CR LF line breaks.
String cxFixReplacedLineBreaks(const String& AText);

class TcxCustomTextEdit;

class TcxCustomTextEditProperties : public TcxCustomEditProperties {
  PELVOR_CLASS(TcxCustomTextEditProperties, TcxCustomEditProperties)

  explicit TcxCustomTextEditProperties(TPersistent* AOwner);
  ~TcxCustomTextEditProperties() override;
  void Assign(TPersistent* Source) override;

  TClass GetContainerClass() const override;
  TClass GetViewDataClass() const override;
  TClass GetViewInfoClass() const override;
  bool HasOwnChangeEvent() const override { return true; }
  bool CanResetEditValue() const override { return GetEditingStyle() != tesNoText; }
  std::uint32_t GetSupportedOperations() override;
  bool IsEditValueValid(const Variant& AEditValue, bool AEditFocused) override;
  void GetDisplayText(const Variant& AEditValue, String& ADisplayText) override;
  // Two values are the same to the user when they show the same text, letter case included.
  bool CompareDisplayValues(const Variant& V1, const Variant& V2) override;

  virtual bool FindLookupText(const String& AText);
  virtual int GetDefaultMaxLength();
  virtual int GetDropDownPageRowCount() const { return 8; }
  virtual TcxTextEditingStyle GetEditingStyle() const { return FHideCursor ? tesNoText : tesFreeText; }
  // Numeric editors that group the digits of their text answer True.
  virtual bool IsThousandSeparatorShown(bool AEditFocused) const {
    (void)AEditFocused;
    return false;
  }
  virtual bool IsMultiLine() const { return false; }
  virtual bool IsValueBoundsDefined() const { return MaxValue() > MinValue(); }
  virtual bool UseLookupData() const { return true; }
  virtual void DisplayValueToDisplayText(String& AText);
  virtual bool IsDisplayValueValid(Variant& DisplayValue, bool AEditFocused);

  TEditCharCase CharCase() const { return FCharCase; }
  virtual void SetCharCase(TEditCharCase Value);
  TcxEditEchoMode EchoMode() const { return FEchoMode; }
  void SetEchoMode(TcxEditEchoMode Value);
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char Value);
  bool HideCursor() const { return FHideCursor; }
  void SetHideCursor(bool Value);
  // In the list-only style: whether Backspace keeps the found item selected rather than dropping the find
  // selection.
  bool FixedListSelection() const { return FFixedListSelection; }
  void SetFixedListSelection(bool Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool ExactLookup() const { return FExactLookup; }
  void SetExactLookup(bool Value);
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool Value);
  TStringList* LookupItems() const { return FLookupItems.get(); }
  std::bitset<256>& ValidChars() { return FValidChars; }

  int MaxLength();
  void SetMaxLength(int Value);
  bool IsMaxLengthAssigned() const { return FMaxLengthAssigned; }
  double MaxValue() const { return FMaxValueAssigned ? FMaxValue : 0; }
  double MinValue() const { return FMinValueAssigned ? FMinValue : 0; }
  void SetMaxValue(double Value);
  void SetMinValue(double Value);

  bool IsValidChar(char AChar) override;

private:
  void LookupItemsChanged(TObject* Sender);

  TEditCharCase FCharCase = ecNormal;
  TcxEditEchoMode FEchoMode = eemNormal;
  char FPasswordChar = 0;
  bool FHideCursor = false;
  bool FFixedListSelection = true;
  bool FHideSelection = true;
  bool FExactLookup = false;
  bool FOEMConvert = false;
  std::unique_ptr<TStringList, TObjectDeleter> FLookupItems;
  std::bitset<256> FValidChars;
  int FMaxLength = 0;
  bool FMaxLengthAssigned = false;
  double FMaxValue = 0, FMinValue = 0;
  bool FMaxValueAssigned = false, FMinValueAssigned = false;
};

class TcxTextEditProperties : public TcxCustomTextEditProperties {
  PELVOR_CLASS(TcxTextEditProperties, TcxCustomTextEditProperties)
  using TcxCustomTextEditProperties::TcxCustomTextEditProperties;
};

// What the platform controls inside text editors share, whichever platform edit they descend from: the
// interfaces through which the editor drives them, bounds that only the editor moves, text changes reported
// to the editor, and the clipboard messages that the editor decides on.
template <class TPlatformEdit>
class TcxCustomInnerEditBase : public TPlatformEdit,
                               public IcxCustomInnerEdit,
                               public IcxContainerInnerControl {
public:
  explicit TcxCustomInnerEditBase(TComponent* AOwner) : TPlatformEdit(AOwner) {}

  // IcxCustomInnerEdit
  TWinControl* GetControl() override { return this; }
  TcxCustomEdit* GetControlContainer() override;
  LRESULT CallDefWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  Variant GetEditValue() override { return Variant(this->Text()); }
  TNotifyEvent GetOnChange() override { return this->OnChange; }
  bool GetReadOnly() override { return this->ReadOnly(); }
  void LockBounds(bool ALock) override { FLockBoundsCount += ALock ? 1 : (FLockBoundsCount > 0 ? -1 : 0); }
  void SetEditValue(const Variant& Value) override;
  void SetParent(TWinControl* Value) override { TPlatformEdit::SetParent(Value); }
  void SetOnChange(TNotifyEvent Value) override { this->OnChange = Value; }
  void SetReadOnly(bool Value) override { TPlatformEdit::SetReadOnly(Value); }
  TcxContainer* GetContainer() override;
  void ForgetContainer() override { FContainerForgotten = true; }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // Set when the editor consumed the last key, which the platform control then never saw.
  bool InternalUpdating() const { return FInternalUpdating; }
  void SetInternalUpdating(bool Value) { FInternalUpdating = Value; }

protected:
  TcxCustomTextEdit* Edit() const;
  void CreateParams(TCreateParams& Params) override;
  void Change() override;
  // Cut, paste and clear go to the editor as a user change; a read-only control only copies. False for any
  // other message.
  bool HandleClipboardMessage(TcxCustomTextEdit* AEdit, TMessage& Message);
  // Focus changes reach the editor after the platform, except focus coming from the editor's own windows.
  bool HandleFocusMessage(TcxCustomTextEdit* AEdit, TMessage& Message);
  // A key pressed down that neither the editor consumed nor the platform control used to change the text or
  // the selection goes back to the editor's host through its after-key event.
  void HandleKeyDownMessage(TcxCustomTextEdit* AEdit, TMessage& Message);
  virtual bool IsKeyReturnedToHost(WORD Key) {
    (void)Key;
    return true;
  }
  // A left press or double click over the text of an editor in automatic drag mode drags the editor, as a
  // press drags any control in that mode; the text does not see the press. False for any other message.
  bool HandleAutoDragMessage(TcxCustomTextEdit* AEdit, TMessage& Message);
  // The pointer over the text is over the editor: its mouse events are the editor's too, with the point in
  // the editor's client space.
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void Click() override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

  int FLockBoundsCount = 0;
  bool FCreating = true;
  bool FContainerForgotten = false;
  bool FInternalUpdating = false;
};

// The platform edit inside a text edit. Its keys, clipboard messages and text changes go to the edit first.
class TcxCustomInnerTextEdit : public TcxCustomInnerEditBase<TCustomEdit> {
  PELVOR_CLASS(TcxCustomInnerTextEdit, TCustomEdit)

  explicit TcxCustomInnerTextEdit(TComponent* AOwner);

  void SafelySetFocus() override;

  // The character the caret stands before, found from the caret's position; 0 in an empty text.
  int GetCaretCharIndex();
  void SetEchoMode(TcxEditEchoMode Value);
  void SetInnerPasswordChar(char Value);

protected:
  void WndProc(TMessage& Message) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  virtual void AdjustMargins();

  TcxEditEchoMode FEchoMode = eemNormal;
  char FInnerPasswordChar = 0;
};

// The items a text edit completes from and which of them is current.
class TcxCustomTextEditLookupData : public TcxInterfacedPersistent {
  PELVOR_CLASS(TcxCustomTextEditLookupData, TcxInterfacedPersistent)

  explicit TcxCustomTextEditLookupData(TPersistent* AOwner);

  enum TDirection { gdFirst, gdLast, gdNext, gdPrevious, gdPageUp, gdPageDown };

  virtual String GetItem(int AIndex);
  virtual int GetItemCount();
  virtual bool ContainsText(const String& AText);
  // Finds the first item (after the current one with ANext) that AText begins, ignoring case. AText
  // becomes the item's own letters for that prefix and ATail the rest of the item.
  virtual bool Locate(String& AText, String& ATail, bool ANext, bool AWholeText);
  bool Locate(String& AText, String& ATail, bool ANext) { return Locate(AText, ATail, ANext, false); }
  void Go(TDirection ADirection, bool ACycle);
  bool IsEmpty() { return GetItemCount() == 0; }
  int CurrentKey() const { return FCurrentKey; }
  void SetCurrentKey(int AKey);
  String GetDisplayText(int AKey);
  void TextChanged();

  TNotifyEvent OnSelectItem;

protected:
  TcxCustomTextEdit* Edit() const { return FEdit; }
  TcxCustomTextEditProperties* ActiveProperties() const;

  TcxCustomTextEdit* FEdit; // borrowed: the owner
  int FCurrentKey = -1;
};

class TcxCustomTextEdit : public TcxCustomEdit {
  PELVOR_CLASS(TcxCustomTextEdit, TcxCustomEdit)

  explicit TcxCustomTextEdit(TComponent* AOwner);
  TcxCustomTextEdit(TComponent* AOwner, bool AIsInplace);
  ~TcxCustomTextEdit() override;

  TcxCustomTextEditProperties* ActiveProperties() {
    return static_cast<TcxCustomTextEditProperties*>(TcxCustomEdit::ActiveProperties());
  }
  TcxCustomTextEditProperties* Properties() const {
    return static_cast<TcxCustomTextEditProperties*>(TcxCustomEdit::Properties());
  }
  TClass GetPropertiesClass() const override;

  // The control's text; assigning it raises the properties' change event before it returns. Answers
  // whether the text was accepted.
  String Text() { return GetDisplayText(); }
  bool SetText(const String& Value);
  int SelStart();
  virtual void SetSelStart(int Value);
  int SelLength();
  virtual void SetSelLength(int Value);
  String SelText();
  virtual void SetSelText(const String& Value);
  void SetSelection(int AStart, int ALength);
  int GetCaretCharIndex();
  int ItemIndex() { return FLookupData->CurrentKey(); }
  virtual void SetItemIndex(int Value);
  bool FindSelection() const { return FFindSelection; }
  void SetFindSelection(bool Value);
  bool BeepOnEnter() const { return FBeepOnEnter; }
  void SetBeepOnEnter(bool Value) { FBeepOnEnter = Value; }
  TcxCustomTextEditLookupData* LookupData() const { return FLookupData.get(); }
  bool LookupTextChanged() const { return FLookupTextChanged; }
  void SetLookupTextChanged(bool Value) { FLookupTextChanged = Value; }

  void CopyToClipboard() override;
  void CutToClipboard() override;
  void PasteFromClipboard() override;
  void SelectAll() override;
  virtual void ClearSelection();
  virtual void Undo() { Reset(); }
  bool IsInnerEditShown() override;
  void CMFocusChanged(TCMFocusChanged& Message) override;
  bool RefreshContainer(const TPoint& P, TcxContainerMouseButton Button, TShiftState Shift,
                        bool AIsMouseEvent) override;
  void Activate(TcxCustomEditData*& AEditData) override;
  void ChangeHandler(TObject* Sender) override;
  String GetDisplayText() override;
  // New text and caret for replacing the selection with AText; false when the edit refuses it.
  virtual bool PrepareSelTextReplacement(const String& AText, String& ANewText, int& ANewCaret);

protected:
  // A cut or paste of the user's is under way and the platform control can carry it out itself.
  bool IsInnerEditOperation();
  // A single-line password edit shows no text, so it hands none to the clipboard either.
  bool HidesText();
  template <class> friend class TcxCustomInnerEditBase;
  friend class TcxCustomInnerTextEdit;
  friend class TcxCustomInnerMemo;
  friend class TcxCustomTextEditLookupData;

  void Initialize() override;
  TClass GetInnerEditClass() const override;
  TCustomEdit* InnerTextEdit() const;
  void WndProc(TMessage& Message) override;
  bool CanEdit() override { return ActiveProperties()->GetEditingStyle() != tesNoText; }
  bool CanKeyPressModifyEdit(char Key) override;
  bool CanKeyDownModifyEdit(WORD Key, TShiftState Shift) override;
  bool IsValidChar(char C) override;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  void DoEditKeyPress(char& Key) override;
  bool SetDisplayText(const String& Value) override;
  void InternalSetDisplayValue(const Variant& Value) override;
  void SetInnerDisplayValue(const Variant& Value) override;
  void SynchronizeDisplayValue() override;
  void SynchronizeEditValue() override;
  void PropertiesChanged(TObject* Sender) override;
  bool WantNavigationKeys() override { return true; }
  void UpdateDrawValue() override;
  void DoExit() override;
  void ContainerStyleChanged(TObject* Sender) override;
  virtual void UpdateInnerEditColors();
  virtual bool CanChangeLookupItem(bool AByMouseWheel) {
    (void)AByMouseWheel;
    return false;
  }
  virtual void UpdateValueFromLookupItem(TObject* Sender);
  // The edit value that shows the lookup item of AKey; a key that names no item gives an empty text.
  virtual void LookupKeyToEditValue(int AKey, Variant& AEditValue);
  virtual void ResetFindSelection();
  virtual void AfterKey(WORD Key, TShiftState Shift);
  // Completion from the lookup items for a typed character and for Backspace; a consumed key becomes 0.
  void LookupTypedChar(char& Key);
  void LookupBackspace(char& Key);
  // Shows the item's own letters for the searched prefix followed by the rest of the item, selected.
  void ShowLookupResult(bool AFound, const String& AText, const String& ATail);
  // The WM_SETTEXT path; the result is what the message answers.
  LRESULT SetTextMessage(const String& AText);
  // Groups the digits of a text that still reads as a number without its separators, keeping the caret
  // after as many other characters as before.
  void ReapplyThousandSeparators();

  bool FBeepOnEnter = true;
  bool FFindSelection = false;
  bool FFindSelectionLocked = false;
  bool FSetTextLock = false;
  bool FLookupTextChanged = false;
  bool FLookupItemChanging = false;
  bool FPopupKeyPending = false;
  bool FThousandSeparatorsApplying = false;
  // Set while the edit writes its own value into the inner control, whose change report is then no news.
  bool FDisplayValueWriting = false;
  // How deep change handlers of this edit run in one another, and how deep they ran as the text being shown
  // was written: a change deeper than that is a handler's write over it, which FHandlerWrites counts.
  int FChangeHandlerDepth = 0;
  int FDisplayWriteDepth = 0;
  unsigned FHandlerWrites = 0;
  std::unique_ptr<TcxCustomTextEditLookupData, TObjectDeleter> FLookupData;
};

class TcxTextEdit : public TcxCustomTextEdit {
  PELVOR_CLASS(TcxTextEdit, TcxCustomTextEdit)
  explicit TcxTextEdit(TComponent* AOwner);
  TcxTextEdit(TComponent* AOwner, bool AIsInplace);
  TcxTextEditProperties* Properties() const {
    return static_cast<TcxTextEditProperties*>(TcxCustomTextEdit::Properties());
  }
  TClass GetPropertiesClass() const override;
};

template <class TPlatformEdit> TcxCustomTextEdit* TcxCustomInnerEditBase<TPlatformEdit>::Edit() const {
  return FContainerForgotten ? nullptr : dynamic_cast<TcxCustomTextEdit*>(this->Owner());
}

template <class TPlatformEdit> TcxCustomEdit* TcxCustomInnerEditBase<TPlatformEdit>::GetControlContainer() {
  return Edit();
}

template <class TPlatformEdit> TcxContainer* TcxCustomInnerEditBase<TPlatformEdit>::GetContainer() {
  return Edit();
}

template <class TPlatformEdit>
LRESULT TcxCustomInnerEditBase<TPlatformEdit>::CallDefWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage message{Msg, WParam, LParam, 0};
  TPlatformEdit::WndProc(message);
  return message.Result;
}

template <class TPlatformEdit>
void TcxCustomInnerEditBase<TPlatformEdit>::SetEditValue(const Variant& Value) {
  const String text = Value.IsNull() ? String() : VarToStr(Value);
  if (this->HandleAllocated()) {
    this->SetText(text);
    return;
  }
  // Without a window the platform reports no change; the edit still hears of it at once.
  const bool changed = this->Text() != text;
  this->SetText(text);
  if (changed)
    Change();
}

template <class TPlatformEdit>
void TcxCustomInnerEditBase<TPlatformEdit>::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (FCreating || FLockBoundsCount > 0)
    return;
  TcxContainer* container = GetContainer();
  if (container)
    container->SetInnerControlBoundsChanging(true);
  TPlatformEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (container)
    container->SetInnerControlBoundsChanging(false);
}

template <class TPlatformEdit>
void TcxCustomInnerEditBase<TPlatformEdit>::CreateParams(TCreateParams& Params) {
  TPlatformEdit::CreateParams(Params);
  Params.Style &= ~DWORD(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
  Params.ExStyle &= ~DWORD(WS_EX_CLIENTEDGE);
}

template <class TPlatformEdit> void TcxCustomInnerEditBase<TPlatformEdit>::Change() {
  auto alive = this->AliveToken();
  TPlatformEdit::Change();
  if (TcxCustomTextEdit* edit = *alive ? Edit() : nullptr; edit && !edit->IsDestroying())
    edit->ChangeHandler(this);
}

template <class TPlatformEdit>
bool TcxCustomInnerEditBase<TPlatformEdit>::HandleClipboardMessage(TcxCustomTextEdit* AEdit,
                                                                   TMessage& Message) {
  switch (Message.Msg) {
  case WM_CUT: {
    TcxFlagScope userChange(AEdit, AEdit->FIsUserChange);
    if (this->ReadOnly())
      AEdit->CopyToClipboard();
    else
      AEdit->CutToClipboard();
    return true;
  }
  case WM_PASTE:
  case WM_CLEAR: {
    if (this->ReadOnly())
      return true;
    TcxFlagScope userChange(AEdit, AEdit->FIsUserChange);
    if (Message.Msg == WM_PASTE)
      AEdit->PasteFromClipboard();
    else
      AEdit->ClearSelection();
    return true;
  }
  default:
    return false;
  }
}

template <class TPlatformEdit>
bool TcxCustomInnerEditBase<TPlatformEdit>::HandleFocusMessage(TcxCustomTextEdit* AEdit, TMessage& Message) {
  if (Message.Msg != WM_SETFOCUS && Message.Msg != WM_KILLFOCUS)
    return false;
  auto alive = this->AliveToken();
  TPlatformEdit::WndProc(Message);
  if (*alive &&
      !(Message.Msg == WM_SETFOCUS && IsWindowOfControl(AEdit, reinterpret_cast<HWND>(Message.WParam))))
    AEdit->FocusChanged();
  return true;
}

// The editor's key handlers may free it, and this control with it.
template <class TPlatformEdit>
void TcxCustomInnerEditBase<TPlatformEdit>::HandleKeyDownMessage(TcxCustomTextEdit* AEdit,
                                                                 TMessage& Message) {
  const String text = this->Text();
  const int selStart = this->SelStart(), selLength = this->SelLength();
  const WORD key = WORD(Message.WParam);
  FInternalUpdating = false;
  auto alive = this->AliveToken();
  TPlatformEdit::WndProc(Message);
  if (!*alive || FInternalUpdating || !IsKeyReturnedToHost(key))
    return;
  if (this->Text() == text && this->SelStart() == selStart && this->SelLength() == selLength)
    AEdit->AfterKey(key, KeyDataToShiftState(Message.LParam));
}

// The editor's drag handlers may free it, and this control with it: nothing here runs after the drag starts.
template <class TPlatformEdit>
bool TcxCustomInnerEditBase<TPlatformEdit>::HandleAutoDragMessage(TcxCustomTextEdit* AEdit,
                                                                  TMessage& Message) {
  if ((Message.Msg != WM_LBUTTONDOWN && Message.Msg != WM_LBUTTONDBLCLK) ||
      AEdit->DragMode() != dmAutomatic || AEdit->IsDesigning())
    return false;
  AEdit->DoBeginAutoDrag();
  return true;
}

// The editor owns this control: a handler of the editor's that frees it frees this too.
template <class TPlatformEdit>
void TcxCustomInnerEditBase<TPlatformEdit>::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = this->AliveToken();
  TPlatformEdit::MouseDown(Button, Shift, X, Y);
  if (TcxCustomTextEdit* edit = *alive ? Edit() : nullptr)
    edit->MouseDown(Button, Shift, X + this->Left(), Y + this->Top());
}

template <class TPlatformEdit>
void TcxCustomInnerEditBase<TPlatformEdit>::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = this->AliveToken();
  TPlatformEdit::MouseUp(Button, Shift, X, Y);
  if (TcxCustomTextEdit* edit = *alive ? Edit() : nullptr)
    edit->MouseUp(Button, Shift, X + this->Left(), Y + this->Top());
}

template <class TPlatformEdit>
void TcxCustomInnerEditBase<TPlatformEdit>::MouseMove(TShiftState Shift, int X, int Y) {
  auto alive = this->AliveToken();
  TPlatformEdit::MouseMove(Shift, X, Y);
  if (TcxCustomTextEdit* edit = *alive ? Edit() : nullptr)
    edit->MouseMove(Shift, X + this->Left(), Y + this->Top());
}

template <class TPlatformEdit> void TcxCustomInnerEditBase<TPlatformEdit>::Click() {
  auto alive = this->AliveToken();
  TPlatformEdit::Click();
  if (TcxCustomTextEdit* edit = *alive ? Edit() : nullptr)
    edit->Click();
}

template <class TPlatformEdit> void TcxCustomInnerEditBase<TPlatformEdit>::DblClick() {
  auto alive = this->AliveToken();
  TPlatformEdit::DblClick();
  if (TcxCustomTextEdit* edit = *alive ? Edit() : nullptr)
    edit->DblClick();
}

// A single-line platform edit has no use for the wheel and hands it to its parent window, the editor, by
// itself; a multi-line one scrolls with it, so the editor hears of it first and may keep it.
template <class TPlatformEdit>
bool TcxCustomInnerEditBase<TPlatformEdit>::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  TcxCustomTextEdit* edit = Edit();
  if (!edit || !edit->ActiveProperties()->IsMultiLine())
    return TPlatformEdit::DoMouseWheel(Shift, WheelDelta, MousePos);
  auto alive = this->AliveToken();
  if (edit->DoMouseWheel(Shift, WheelDelta, MousePos) || !*alive)
    return true;
  return TPlatformEdit::DoMouseWheel(Shift, WheelDelta, MousePos);
}

// Text layout flags of a text edit by alignment; the memo has its own.
unsigned cxTextEditDrawTextFlags(TAlignment AHorz, TcxEditVertAlignment AVert);
unsigned cxMemoDrawTextFlags(TAlignment AHorz, bool AWordWrap, TScrollStyle AScrollBars);
// The margins between the content and the text, as left, top, right, bottom.
TRect cxTextEditDrawTextOffset(TAlignment AHorz, bool AIsInplace, TcxTextEditingStyle AStyle,
                               bool ANativeFrame);
TRect cxMemoDrawTextOffset(TAlignment AHorz);
// The find selection's colours from the assigned ones (clDefault when not assigned) and the edit's colour.
void cxTextEditSelectionColors(TColor AAssignedText, TColor AAssignedBackground, TColor ATextColor,
                               TColor AEditColor, TColor& ASelText, TColor& ASelBackground);

class TcxCustomTextEditViewInfo : public TcxCustomEditViewInfo {
  PELVOR_CLASS(TcxCustomTextEditViewInfo, TcxCustomEditViewInfo)
  TcxCustomTextEditViewInfo() = default;
  void Assign(TObject* Source) override;
  void Offset(int DX, int DY) override;
  virtual void DrawText(TcxCanvas* ACanvas);
  // True, with the text, when the point lies in the text rectangle (clipped to the bounds given) and the
  // text does not fit it.
  bool NeedShowHintInBounds(TcxCanvas* ACanvas, const TPoint& P, const TRect& AVisibleBounds, String& AText,
                            bool& AIsMultiLine, TRect& ATextRect) override;

  bool Selected = false;
  TcxTextEditingStyle EditingStyle = tesFreeText;
  bool InnerEditShowsText = false;
  String Text;
  TRect TextRect{};
  unsigned DrawTextFlags = 0;
  int SelStart = 0, SelLength = 0;
  TColor SelTextColor = clHighlightText, SelBackgroundColor = clHighlight;
  TColor TextColor = clWindowText;

protected:
  void InternalPaint(TcxCanvas* ACanvas) override;

private:
  TRect TextDrawingRect() const;
};

class TcxCustomTextEditViewData : public TcxCustomEditViewData {
  PELVOR_CLASS(TcxCustomTextEditViewData, TcxCustomEditViewData)
  using TcxCustomEditViewData::TcxCustomEditViewData;

  void Calculate(TcxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TcxContainerMouseButton Button,
                 TShiftState Shift, TcxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  void EditValueToDrawValue(TcxCanvas* ACanvas, const Variant& AEditValue,
                            TcxCustomEditViewInfo* AViewInfo) override;
  void EditValueToDisplayText(const Variant& AEditValue, String& DisplayText) override;
  void CalculateContentSize(TcxCanvas* ACanvas, const Variant& AEditValue,
                            const TcxEditSizeProperties& AEditSizeProperties, TSize& ASize) override;
  virtual unsigned GetDrawTextFlags();
  virtual TRect GetDrawTextOffset();
  virtual bool HasInnerEditText();
};

void cxTextEditInitialize();
void cxTextEditFinalize();
extern const TUnitInfo cxTextEditUnit;
