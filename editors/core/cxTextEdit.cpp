#include "editors/core/cxTextEdit.h"

#include <algorithm>

#include "platform/controls/Clipbrd.h"
#include "platform/rtl/FloatText.h"
#include "platform/win/Caret.h"
#include "platform/win/Edit.h"
#include "platform/win/Win.h"

namespace {
constexpr std::uint32_t kTextEditOperations = 174;

bool PrefixMatches(const String& AItem, const String& AText) {
  return AItem.size() >= AText.size() && AnsiSameText(std::string_view(AItem).substr(0, AText.size()), AText);
}
} // namespace

String cxChangeCharCase(const String& AText, TEditCharCase ACharCase) {
  String result = AText;
  if (ACharCase == ecUpperCase) {
    for (char& c : result)
      if (c >= 'a' && c <= 'z')
        c = char(c - 'a' + 'A');
  } else if (ACharCase == ecLowerCase) {
    for (char& c : result)
      if (c >= 'A' && c <= 'Z')
        c = char(c - 'A' + 'a');
  }
  return result;
}

String cxInsertThousandSeparators(const String& AText, char AThousandSeparator, char ADecimalSeparator) {
  const std::size_t first = AText.find_first_not_of(' ');
  if (first == String::npos)
    return AText;
  const std::size_t last = AText.find_last_not_of(' ');
  const String leading = AText.substr(0, first);
  const String trailing = AText.substr(last + 1);
  String number = AText.substr(first, last - first + 1);
  String exponent;
  const std::size_t e = number.find_first_of("eE");
  if (e != String::npos) {
    exponent = number.substr(e);
    number.erase(e);
  }
  number.erase(std::remove(number.begin(), number.end(), AThousandSeparator), number.end());
  // A sign is not a digit: "-123456" groups as "-123.456".
  String sign;
  if (!number.empty() && (number[0] == '-' || number[0] == '+')) {
    sign = number.substr(0, 1);
    number.erase(0, 1);
  }
  std::size_t end = number.find(ADecimalSeparator);
  if (end == String::npos)
    end = number.size();
  for (std::ptrdiff_t pos = std::ptrdiff_t(end) - 3; pos > 0; pos -= 3)
    number.insert(std::size_t(pos), 1, AThousandSeparator);
  return leading + sign + number + exponent + trailing;
}

String cxFixReplacedLineBreaks(const String& AText) {
  String result;
  result.reserve(AText.size());
  for (std::size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] == '\n' && i + 1 < AText.size() && AText[i + 1] == '\r') {
      result += "\r\n\r\n";
      ++i;
    } else {
      result += AText[i];
    }
  }
  return result;
}

// Properties.

TcxCustomTextEditProperties::TcxCustomTextEditProperties(TPersistent* AOwner)
    : TcxCustomEditProperties(AOwner), FLookupItems(new TStringList) {
  FLookupItems->OnChange = TNotifyEvent(this, &TcxCustomTextEditProperties::LookupItemsChanged);
}

TcxCustomTextEditProperties::~TcxCustomTextEditProperties() {
  FLookupItems->OnChange = nullptr;
}

void TcxCustomTextEditProperties::LookupItemsChanged(TObject*) {
  Changed();
}

void TcxCustomTextEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomTextEditProperties*>(Source);
  if (!source) {
    TcxCustomEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  struct End {
    TcxCustomTextEditProperties* p;
    ~End() { p->EndUpdate(); }
  } end{this};
  TcxCustomEditProperties::Assign(Source);
  SetCharCase(source->FCharCase);
  FEchoMode = source->FEchoMode;
  FHideCursor = source->FHideCursor;
  FFixedListSelection = source->FFixedListSelection;
  FHideSelection = source->FHideSelection;
  FExactLookup = source->FExactLookup;
  FValidChars = source->FValidChars;
  FLookupItems->SetSorted(false);
  FLookupItems->Assign(source->FLookupItems.get());
  FLookupItems->SetSorted(source->FLookupItems->Sorted());
  FMaxLengthAssigned = source->FMaxLengthAssigned;
  FMaxLength = source->FMaxLength;
  FMaxValueAssigned = source->FMaxValueAssigned;
  FMaxValue = source->FMaxValue;
  FMinValueAssigned = source->FMinValueAssigned;
  FMinValue = source->FMinValue;
  FOEMConvert = source->FOEMConvert;
  FPasswordChar = source->FPasswordChar;
  Changed();
}

TClass TcxCustomTextEditProperties::GetContainerClass() const {
  return TcxTextEdit::StaticClass();
}
TClass TcxCustomTextEditProperties::GetViewDataClass() const {
  return TcxCustomTextEditViewData::StaticClass();
}
TClass TcxCustomTextEditProperties::GetViewInfoClass() const {
  return TcxCustomTextEditViewInfo::StaticClass();
}

std::uint32_t TcxCustomTextEditProperties::GetSupportedOperations() {
  return kTextEditOperations | TcxCustomEditProperties::GetSupportedOperations();
}

bool TcxCustomTextEditProperties::IsEditValueValid(const Variant& AEditValue, bool AEditFocused) {
  if (!VarIsStr(AEditValue))
    return true;
  Variant value = AEditValue;
  return IsDisplayValueValid(value, AEditFocused);
}

void TcxCustomTextEditProperties::GetDisplayText(const Variant& AEditValue, String& ADisplayText) {
  ADisplayText = AEditValue.IsNull() ? String() : VarToStr(AEditValue);
  DisplayValueToDisplayText(ADisplayText);
}

bool TcxCustomTextEditProperties::CompareDisplayValues(const Variant& V1, const Variant& V2) {
  String text1, text2;
  GetDisplayText(V1, text1);
  GetDisplayText(V2, text2);
  return text1 == text2;
}

bool TcxCustomTextEditProperties::FindLookupText(const String& AText) {
  for (int i = 0; i < FLookupItems->Count(); ++i)
    if (AnsiSameText(FLookupItems->Strings(i), AText))
      return true;
  return false;
}

int TcxCustomTextEditProperties::GetDefaultMaxLength() {
  IcxEditDefaultValuesProvider* provider = IDefaultValuesProvider();
  return provider ? provider->DefaultMaxLength() : 0;
}

void TcxCustomTextEditProperties::DisplayValueToDisplayText(String& AText) {
  if (FEchoMode == eemPassword)
    AText.assign(AText.size(), FPasswordChar ? FPasswordChar : '*');
  else if (FCharCase != ecNormal)
    AText = cxChangeCharCase(AText, FCharCase);
}

bool TcxCustomTextEditProperties::IsDisplayValueValid(Variant& DisplayValue, bool) {
  const String text = DisplayValue.IsNull() ? String() : VarToStr(DisplayValue);
  const TcxTextEditingStyle style = GetEditingStyle();
  if (!text.empty() && (style == tesTextAndList || style == tesListOnly) && UseLookupData() &&
      !FindLookupText(text))
    return false;
  DisplayValue = Variant(cxChangeCharCase(text, FCharCase));
  return true;
}

bool TcxCustomTextEditProperties::IsValidChar(char AChar) {
  return TcxCustomEditProperties::IsValidChar(AChar) || FValidChars.test(static_cast<unsigned char>(AChar));
}

void TcxCustomTextEditProperties::SetCharCase(TEditCharCase Value) {
  if (FCharCase == Value)
    return;
  FCharCase = Value;
  Changed();
}

#define TEXT_SETTER(Name, Type, Field)                                                                       \
  void TcxCustomTextEditProperties::Set##Name(Type Value) {                                                  \
    if (Field == Value)                                                                                      \
      return;                                                                                                \
    Field = Value;                                                                                           \
    Changed();                                                                                               \
  }
TEXT_SETTER(EchoMode, TcxEditEchoMode, FEchoMode)
TEXT_SETTER(PasswordChar, char, FPasswordChar)
TEXT_SETTER(HideCursor, bool, FHideCursor)
TEXT_SETTER(HideSelection, bool, FHideSelection)
TEXT_SETTER(ExactLookup, bool, FExactLookup)
TEXT_SETTER(OEMConvert, bool, FOEMConvert)
#undef TEXT_SETTER

void TcxCustomTextEditProperties::SetFixedListSelection(bool Value) {
  if (FFixedListSelection == Value)
    return;
  FFixedListSelection = Value;
  // Only the list-only style reads it, so other styles have nothing to show anew.
  if (GetEditingStyle() == tesListOnly)
    Changed();
}

int TcxCustomTextEditProperties::MaxLength() {
  return FMaxLengthAssigned ? FMaxLength : GetDefaultMaxLength();
}

void TcxCustomTextEditProperties::SetMaxLength(int Value) {
  Value = std::max(Value, 0);
  if (FMaxLengthAssigned && FMaxLength == Value)
    return;
  FMaxLengthAssigned = true;
  FMaxLength = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetMaxValue(double Value) {
  if (FMaxValueAssigned && FMaxValue == Value)
    return;
  FMaxValueAssigned = true;
  FMaxValue = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetMinValue(double Value) {
  if (FMinValueAssigned && FMinValue == Value)
    return;
  FMinValueAssigned = true;
  FMinValue = Value;
  Changed();
}

// Lookup data.

TcxCustomTextEditLookupData::TcxCustomTextEditLookupData(TPersistent* AOwner)
    : TcxInterfacedPersistent(AOwner), FEdit(dynamic_cast<TcxCustomTextEdit*>(AOwner)) {}

TcxCustomTextEditProperties* TcxCustomTextEditLookupData::ActiveProperties() const {
  return FEdit->ActiveProperties();
}

String TcxCustomTextEditLookupData::GetItem(int AIndex) {
  return ActiveProperties()->LookupItems()->Strings(AIndex);
}

int TcxCustomTextEditLookupData::GetItemCount() {
  return ActiveProperties()->LookupItems()->Count();
}

bool TcxCustomTextEditLookupData::ContainsText(const String& AText) {
  const int count = GetItemCount();
  for (int i = 0; i < count; ++i)
    if (AnsiSameText(GetItem(i), AText))
      return true;
  return false;
}

String TcxCustomTextEditLookupData::GetDisplayText(int AKey) {
  return AKey >= 0 && AKey < GetItemCount() ? GetItem(AKey) : String();
}

bool TcxCustomTextEditLookupData::Locate(String& AText, String& ATail, bool ANext, bool AWholeText) {
  const int count = GetItemCount();
  const TcxTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (count > 0 && AWholeText && ActiveProperties()->ExactLookup()) {
    ATail.clear();
    for (int i = 0; i < count; ++i)
      if (AnsiSameText(GetItem(i), AText)) {
        SetCurrentKey(i);
        return true;
      }
    SetCurrentKey(-1);
    return false;
  }
  if (count > 0 && !AText.empty()) {
    for (int i = ANext ? FCurrentKey + 1 : 0; i < count; ++i) {
      const String item = GetItem(i);
      if (PrefixMatches(item, AText)) {
        AText = item.substr(0, AText.size());
        ATail = item.substr(AText.size());
        SetCurrentKey(i);
        return true;
      }
    }
  }
  bool keep = false;
  if (style == tesTextAndList)
    keep = !AWholeText && (!AText.empty() || ContainsText(""));
  else if (style == tesListOnly)
    keep = !AWholeText;
  if (!keep)
    SetCurrentKey(-1);
  return false;
}

void TcxCustomTextEditLookupData::Go(TDirection ADirection, bool ACycle) {
  const int count = GetItemCount();
  if (count == 0)
    return;
  const int page = ActiveProperties()->GetDropDownPageRowCount() - 1;
  const int start = FCurrentKey;
  int key = start;
  switch (ADirection) {
  case gdFirst:
    key = 0;
    break;
  case gdLast:
    key = count - 1;
    break;
  case gdNext:
    key = start < count - 1 ? start + 1 : (ACycle ? 0 : start);
    break;
  case gdPrevious:
    if (start == -1)
      key = ACycle ? count - 1 : -1;
    else
      key = start > 0 ? start - 1 : (ACycle ? count - 1 : 0);
    break;
  case gdPageUp:
    if (start == -1)
      key = ACycle ? count - 1 : -1;
    else
      key = start == 0 && ACycle ? count - 1 : std::max(start - page, 0);
    break;
  case gdPageDown:
    // Without a current item the page lands on its last row, which a short list may not have.
    if (start == -1)
      key = std::min(page, count - 1);
    else
      key = start == count - 1 && ACycle ? 0 : std::min(start + page, count - 1);
    break;
  }
  if (key != start)
    SetCurrentKey(key);
}

void TcxCustomTextEditLookupData::SetCurrentKey(int AKey) {
  AKey = std::clamp(AKey, -1, GetItemCount() - 1);
  const bool changed = AKey != FCurrentKey;
  TcxFlagScope lookupChange(FEdit, FEdit->FLookupTextChanged);
  FCurrentKey = AKey;
  if ((changed || (AKey >= 0 && GetItem(AKey) != FEdit->Text())) && OnSelectItem)
    OnSelectItem(this);
}

void TcxCustomTextEditLookupData::TextChanged() {
  if (FEdit->IsPosting())
    return;
  const String text = FEdit->Text();
  if (FCurrentKey >= 0 && FCurrentKey < GetItemCount() && AnsiSameText(GetItem(FCurrentKey), text))
    return;
  String found = text, tail;
  Locate(found, tail, false, true);
}

// Inner edit.

TcxCustomInnerTextEdit::TcxCustomInnerTextEdit(TComponent* AOwner)
    : TcxCustomInnerEditBase<TCustomEdit>(AOwner) {
  ControlStyle().Include(csDoubleClicks);
  SetParentColor(true);
  SetParentFont(false);
  SetBorderStyle(bsNone);
  FCreating = false;
}

void TcxCustomInnerTextEdit::SafelySetFocus() {
  const bool autoSelect = AutoSelect();
  SetAutoSelect(false);
  auto alive = AliveToken();
  if (CanFocus())
    SetFocus();
  if (*alive)
    SetAutoSelect(autoSelect);
}

void TcxCustomInnerTextEdit::SetEchoMode(TcxEditEchoMode Value) {
  FEchoMode = Value;
  SetPasswordChar(FEchoMode == eemPassword ? (FInnerPasswordChar ? FInnerPasswordChar : '*') : 0);
}

void TcxCustomInnerTextEdit::SetInnerPasswordChar(char Value) {
  FInnerPasswordChar = Value;
  SetEchoMode(FEchoMode);
}

void TcxCustomInnerTextEdit::CreateParams(TCreateParams& Params) {
  TcxCustomInnerEditBase<TCustomEdit>::CreateParams(Params);
  Params.Style |= ES_AUTOHSCROLL;
}

void TcxCustomInnerTextEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  AdjustMargins();
}

void TcxCustomInnerTextEdit::AdjustMargins() {
  if (HandleAllocated())
    SendMessage(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, 1));
}

int TcxCustomInnerTextEdit::GetCaretCharIndex() {
  const int length = int(Text().size());
  if (length == 0 || !HandleAllocated())
    return 0;
  POINT caret{};
  GetCaretPos(&caret);
  auto xOf = [&](int i) { return int(short(LOWORD(SendMessage(Handle(), EM_POSFROMCHAR, WPARAM(i), 0)))); };
  int lo = 0, hi = length - 1;
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    if (xOf(mid) == caret.x)
      return mid;
    if (xOf(mid) < caret.x)
      lo = mid;
    else
      hi = mid;
  }
  if (xOf(lo) == caret.x)
    return lo;
  if (xOf(hi) == caret.x)
    return hi;
  return hi + 1;
}

// The edit owns this control: a handler that frees the edit frees it too, and the key is then dealt with.
void TcxCustomInnerTextEdit::KeyDown(WORD& Key, TShiftState Shift) {
  FInternalUpdating = false;
  auto alive = AliveToken();
  if (TcxCustomTextEdit* edit = Edit())
    edit->KeyDown(Key, Shift);
  if (!*alive)
    Key = 0;
  else if (Key == 0)
    FInternalUpdating = true;
  else
    TCustomEdit::KeyDown(Key, Shift);
}

void TcxCustomInnerTextEdit::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_TAB)
    Key = 0;
  FInternalUpdating = false;
  auto alive = AliveToken();
  if (TcxCustomTextEdit* edit = Edit(); edit && Key != 0)
    edit->KeyUp(Key, Shift);
  if (!*alive)
    Key = 0;
  else if (Key == 0)
    FInternalUpdating = true;
  else
    TCustomEdit::KeyUp(Key, Shift);
}

void TcxCustomInnerTextEdit::KeyPress(char& Key) {
  FInternalUpdating = false;
  auto alive = AliveToken();
  TcxCustomTextEdit* edit = Edit();
  if (edit)
    edit->KeyPress(Key);
  if (!*alive) {
    Key = 0;
    return;
  }
  if (edit && (Key == '\r' || Key == 27)) {
    if (edit->IsInplace() || edit->FPopupKeyPending) {
      Key = 0;
      edit->FPopupKeyPending = false;
    } else if (Key == '\r' && !edit->BeepOnEnter()) {
      Key = 0;
    }
  }
  if (Key == 0)
    FInternalUpdating = true;
  else
    TCustomEdit::KeyPress(Key);
}

void TcxCustomInnerTextEdit::WndProc(TMessage& Message) {
  TcxCustomTextEdit* edit = Edit();
  if (!edit || edit->IsDestroying() || ComponentState().Contains(csDestroying)) {
    TCustomEdit::WndProc(Message);
    return;
  }
  if (HandleAutoDragMessage(edit, Message))
    return;
  auto alive = AliveToken();
  switch (Message.Msg) {
  case WM_KEYDOWN:
    HandleKeyDownMessage(edit, Message);
    return;
  case WM_CHAR: {
    const String text = Text();
    const int selStart = SelStart(), selLength = SelLength();
    FInternalUpdating = false;
    {
      // A typed character is a user change until the platform has inserted it, and no longer.
      TcxFlagScope userChange(edit, edit->FIsUserChange, edit->FIsUserChange);
      TCustomEdit::WndProc(Message);
    }
    if (!*alive)
      return;
    edit->FLookupTextChanged = false;
    if (!FInternalUpdating && (Text() != text || SelStart() != selStart || SelLength() != selLength))
      edit->SetFindSelection(false);
    return;
  }
  case WM_CUT:
  case WM_PASTE:
  case WM_CLEAR:
    HandleClipboardMessage(edit, Message);
    return;
  case WM_GETDLGCODE:
    TCustomEdit::WndProc(Message);
    Message.Result |= DLGC_WANTCHARS;
    if (GetKeyState(VK_CONTROL) >= 0)
      Message.Result |= DLGC_WANTTAB;
    if (edit->IsInplace() || edit->HasPopupWindow())
      Message.Result |= DLGC_WANTALLKEYS;
    return;
  case WM_ERASEBKGND:
    Message.Result = 1;
    return;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    HandleFocusMessage(edit, Message);
    return;
  case WM_SIZE:
    TCustomEdit::WndProc(Message);
    if (*alive)
      AdjustMargins();
    return;
  default:
    TCustomEdit::WndProc(Message);
  }
}

// Text edit.

TcxCustomTextEdit::TcxCustomTextEdit(TComponent* AOwner) : TcxCustomEdit(AOwner) {
  Initialize();
}

TcxCustomTextEdit::TcxCustomTextEdit(TComponent* AOwner, bool AIsInplace)
    : TcxCustomEdit(AOwner, AIsInplace) {
  Initialize();
}

TcxCustomTextEdit::~TcxCustomTextEdit() {
  if (FLookupData)
    FLookupData->OnSelectItem = nullptr;
}

void TcxCustomTextEdit::Initialize() {
  if (FInnerControl) {
    SetInnerControl(nullptr);
    FInnerEdit = nullptr;
  }
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (auto* inner = dynamic_cast<IcxCustomInnerEdit*>(Components(i)))
      delete inner->GetControl();
  TcxCustomEdit::Initialize();
  FBeepOnEnter = true;
  FFindSelection = false;
  if (TWinControl* inner = InnerTextEdit()) {
    inner->SetColor(clWindow);
    inner->SetParent(this);
  }
  SetBounds(Left(), Top(), 121, 21);
  FLookupData.reset(new TcxCustomTextEditLookupData(this));
  FLookupData->OnSelectItem = TNotifyEvent(this, &TcxCustomTextEdit::UpdateValueFromLookupItem);
}

TClass TcxCustomTextEdit::GetPropertiesClass() const {
  return TcxCustomTextEditProperties::StaticClass();
}

TClass TcxCustomTextEdit::GetInnerEditClass() const {
  return TcxCustomInnerTextEdit::StaticClass();
}

TCustomEdit* TcxCustomTextEdit::InnerTextEdit() const {
  return dynamic_cast<TCustomEdit*>(FInnerControl);
}

String TcxCustomTextEdit::GetDisplayText() {
  return FInnerControl ? FInnerControl->Text() : String();
}

bool TcxCustomTextEdit::SetText(const String& Value) {
  // The program's own assignment, also from inside a change handler: only the message is locked.
  return SetTextMessage(Value) != 0;
}

LRESULT TcxCustomTextEdit::SetTextMessage(const String& AText) {
  // The lock is lowered however the assignment ends, so that a failed one does not refuse every later one.
  TcxFlagScope lock(this, FSetTextLock);
  return SetDisplayText(AText) ? 1 : 0;
}

void TcxCustomTextEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_SETTEXT:
    if (FSetTextLock)
      break;
    Message.Result =
        SetTextMessage(Message.LParam ? String(reinterpret_cast<const char*>(Message.LParam)) : String());
    return;
  case WM_GETTEXT: {
    const String text = GetDisplayText();
    const int size = int(Message.WParam);
    char* buffer = reinterpret_cast<char*>(Message.LParam);
    const int n = size < 1 || !buffer ? 0 : std::min(int(text.size()), size - 1);
    if (n > 0)
      std::copy_n(text.data(), n, buffer);
    if (size >= 1 && buffer)
      buffer[n] = 0;
    Message.Result = n;
    return;
  }
  case WM_GETTEXTLENGTH:
    Message.Result = LRESULT(GetDisplayText().size());
    return;
  case WM_CLEAR: {
    TcxFlagScope userChange(this, FIsUserChange);
    ClearSelection();
    return;
  }
  default:
    break;
  }
  TcxCustomEdit::WndProc(Message);
}

bool TcxCustomTextEdit::SetDisplayText(const String& Value) {
  Variant value(Value);
  if (!ActiveProperties()->IsDisplayValueValid(value, IsEditFocused()))
    return false;
  if (FIsUserChange && !DoEditing())
    return false;
  InternalSetDisplayValue(value);
  return true;
}

// Each assignment of the inner control's text below reaches the edit's change handlers, which may free it.
void TcxCustomTextEdit::InternalSetDisplayValue(const Variant& Value) {
  auto alive = AliveToken();
  SetInnerDisplayValue(Value);
  if (!*alive)
    return;
  if (!FIsUserChange) {
    ResetFindSelection();
    SynchronizeEditValue();
    if (*alive)
      SetEditModified(false);
  } else if (!Focused() && !IsDestroying()) {
    // The user's change to an edit that is not being edited (a clear message a program sent it): no exit will
    // make that text the value, so it becomes the value now, as a change of the inner edit's text does.
    SynchronizeEditValue();
    if (*alive)
      SetEditModified(true);
  }
}

void TcxCustomTextEdit::SetInnerDisplayValue(const Variant& Value) {
  if (!FInnerEdit)
    return;
  auto alive = AliveToken();
  const unsigned handlerWrites = FHandlerWrites;
  {
    TcxFlagScope writing(this, FDisplayValueWriting);
    TcxValueScope<int> depth(this, FDisplayWriteDepth, FChangeHandlerDepth);
    FInnerEdit->SetEditValue(Value);
  }
  // A change handler that wrote the text while it showed this value, through a route that leaves the value to
  // the edit (the lines), has the last word: its text is the value.
  if (*alive && FHandlerWrites != handlerWrites && !FIsUserChange)
    SynchronizeEditValue();
}

void TcxCustomTextEdit::ChangeHandler(TObject* Sender) {
  if (FDisplayValueWriting && FChangeHandlerDepth > FDisplayWriteDepth)
    ++FHandlerWrites;
  // Raised before the lock, whose end runs the program's change handlers.
  TcxValueScope<int> depth(this, FChangeHandlerDepth, FChangeHandlerDepth + 1);
  TcxChangeEventsLock lock(this);
  auto alive = AliveToken();
  TcxCustomEdit::ChangeHandler(Sender);
  if (!*alive)
    return;
  // The text changed while the edit is not being edited, and not by the edit itself: a character whose key
  // handler took the focus away is inserted after the edit was left. No exit will make that text the value,
  // so it becomes the value now, or entering the edit again would bring the old one back.
  if (!FDisplayValueWriting && !Focused() && !IsDestroying()) {
    const bool userChange = FIsUserChange;
    SynchronizeEditValue();
    if (!*alive)
      return;
    if (userChange)
      SetEditModified(true);
  }
  if (!IsInnerEditShown())
    UpdateDrawValue();
  if (!FThousandSeparatorsApplying && IsEditFocused() && ActiveProperties()->IsThousandSeparatorShown(true))
    ReapplyThousandSeparators();
}

void TcxCustomTextEdit::ReapplyThousandSeparators() {
  TCustomEdit* inner = InnerTextEdit();
  if (!inner || !FInnerEdit)
    return;
  const char separator = FormatSettings.ThousandSeparator;
  const String text = GetDisplayText();
  String bare = text;
  bare.erase(std::remove(bare.begin(), bare.end(), separator), bare.end());
  double value = 0;
  if (!TryStrToFloat(bare, value))
    return;
  const String grouped = cxInsertThousandSeparators(text, separator, FormatSettings.DecimalSeparator);
  if (grouped == text)
    return;
  const int caret = std::min(inner->SelStart(), int(text.size()));
  const auto kept = std::count_if(text.begin(), text.begin() + caret, [&](char c) { return c != separator; });
  int newCaret = 0;
  for (std::ptrdiff_t seen = 0; newCaret < int(grouped.size()) && seen < kept; ++newCaret)
    if (grouped[std::size_t(newCaret)] != separator)
      ++seen;
  TcxFlagScope applying(this, FThousandSeparatorsApplying);
  FInnerEdit->SetEditValue(Variant(grouped));
  inner->SetSelStart(newCaret);
}

void TcxCustomTextEdit::SynchronizeDisplayValue() {
  Variant display;
  PrepareDisplayValue(FEditValue, display, IsEditFocused());
  TcxFlagScope lookup(this, FLookupTextChanged);
  auto alive = AliveToken();
  SetInnerDisplayValue(display);
  if (*alive)
    UpdateDrawValue();
}

void TcxCustomTextEdit::SynchronizeEditValue() {
  const Variant previous = FEditValue;
  FEditValue = PrepareEditValue(Variant(GetDisplayText()), IsEditFocused());
  SetEditModified(false);
  if (ActiveProperties()->CanCompareEditValue() && !VarEqualsExact(previous, FEditValue))
    DoEditValueChanged();
}

void TcxCustomTextEdit::UpdateDrawValue() {
  if (!HandleAllocated() || IsDestroying() || IsInnerEditShown())
    return;
  RefreshContainer(TPoint{-1, -1}, cxmbNone, {}, false);
  Invalidate();
}

int TcxCustomTextEdit::SelStart() {
  const TcxTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style == tesNoText || (style == tesListOnly && !FFindSelection) || !InnerTextEdit())
    return 0;
  return InnerTextEdit()->SelStart();
}

int TcxCustomTextEdit::SelLength() {
  const TcxTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style == tesNoText || (style == tesListOnly && !FFindSelection) || !InnerTextEdit())
    return 0;
  return InnerTextEdit()->SelLength();
}

String TcxCustomTextEdit::SelText() {
  const String text = GetDisplayText();
  const int start = std::min(SelStart(), int(text.size()));
  return text.substr(std::size_t(start), std::size_t(SelLength()));
}

void TcxCustomTextEdit::SetSelStart(int Value) {
  if (ActiveProperties()->GetEditingStyle() != tesNoText && InnerTextEdit())
    InnerTextEdit()->SetSelStart(Value);
}

void TcxCustomTextEdit::SetSelLength(int Value) {
  if (ActiveProperties()->GetEditingStyle() != tesNoText && InnerTextEdit())
    InnerTextEdit()->SetSelLength(Value);
}

void TcxCustomTextEdit::SetSelection(int AStart, int ALength) {
  SetSelStart(AStart);
  SetSelLength(ALength);
}

int TcxCustomTextEdit::GetCaretCharIndex() {
  auto* inner = dynamic_cast<TcxCustomInnerTextEdit*>(FInnerControl);
  return inner ? inner->GetCaretCharIndex() : 0;
}

void TcxCustomTextEdit::SetSelText(const String& Value) {
  String text;
  int caret = 0;
  if (!PrepareSelTextReplacement(Value, text, caret))
    return;
  auto alive = AliveToken();
  InternalSetDisplayValue(Variant(text));
  if (*alive)
    SetSelStart(caret);
}

bool TcxCustomTextEdit::PrepareSelTextReplacement(const String& AText, String& ANewText, int& ANewCaret) {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  const TcxTextEditingStyle style = properties->GetEditingStyle();
  if (FIsUserChange && style == tesNoText)
    return false;
  if (style == tesListOnly || style == tesNoText)
    SelectAll();
  const String text = GetDisplayText();
  const int start = std::min(SelStart(), int(text.size()));
  const int length = std::min(SelLength(), int(text.size()) - start);
  const String before = text.substr(0, std::size_t(start));
  const String after = text.substr(std::size_t(start + length));
  const int maxLength = properties->MaxLength();
  if (FIsUserChange && style == tesFreeText && maxLength > 0) {
    ANewText = (before + AText).substr(0, std::size_t(maxLength));
    ANewCaret = int(ANewText.size());
    if (start > ANewCaret)
      return false;
    ANewText = (ANewText + after).substr(0, std::size_t(maxLength));
  } else {
    ANewText = style == tesListOnly ? AText : before + AText + after;
    ANewCaret = start + int(AText.size());
  }
  Variant value(ANewText);
  if (!properties->IsDisplayValueValid(value, IsEditFocused()))
    return false;
  if (FIsUserChange && !DoEditing())
    return false;
  ANewText = VarToStr(value);
  return true;
}

void TcxCustomTextEdit::ClearSelection() {
  if (SelLength() == 0)
    return;
  const String text = GetDisplayText();
  const int start = SelStart();
  String rest = text;
  rest.erase(std::size_t(start), std::size_t(SelLength()));
  auto alive = AliveToken();
  if (SetDisplayText(rest) && *alive)
    SetSelStart(start);
}

bool TcxCustomTextEdit::HidesText() {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  return properties->EchoMode() == eemPassword && !properties->IsMultiLine();
}

void TcxCustomTextEdit::CopyToClipboard() {
  if (HidesText())
    return;
  const TcxTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style == tesTextAndList || style == tesListOnly)
    SelectAll();
  if (SelLength() > 0)
    Clipboard()->SetAsText(SelText());
}

// The user's cut or paste is left to the platform control, which places the caret before it reports the
// change: a change handler that sets the text and the selection is then the last to set them.
bool TcxCustomTextEdit::IsInnerEditOperation() {
  return FIsUserChange && InnerTextEdit() && InnerTextEdit()->HandleAllocated();
}

void TcxCustomTextEdit::CutToClipboard() {
  if (SelLength() == 0 || HidesText())
    return;
  String text;
  int caret = 0;
  if (IsInnerEditOperation() && !FInnerEdit->GetReadOnly()) {
    if (PrepareSelTextReplacement("", text, caret))
      FInnerEdit->CallDefWndProc(WM_CUT, 0, 0);
    return;
  }
  Clipboard()->SetAsText(SelText());
  if (FInnerEdit && FInnerEdit->GetReadOnly())
    return;
  SetSelText("");
}

void TcxCustomTextEdit::PasteFromClipboard() {
  const String text = Clipboard()->AsText();
  if (text.empty())
    return;
  String replaced;
  int caret = 0;
  if (IsInnerEditOperation()) {
    if (PrepareSelTextReplacement(text, replaced, caret))
      FInnerEdit->CallDefWndProc(WM_PASTE, 0, 0);
    return;
  }
  SetSelText(text);
}

void TcxCustomTextEdit::SelectAll() {
  if (InnerTextEdit() && InnerTextEdit()->HandleAllocated())
    InnerTextEdit()->SelectAll();
}

bool TcxCustomTextEdit::IsInnerEditShown() {
  const TcxTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style != tesFreeText)
    return false;
  if (ComponentState().Contains(csDesigning))
    return false;
  return IsActiveControl() || ActiveProperties()->Alignment()->Horz() == taLeftJustify;
}

bool TcxCustomTextEdit::RefreshContainer(const TPoint& P, TcxContainerMouseButton Button, TShiftState Shift,
                                         bool AIsMouseEvent) {
  auto alive = AliveToken();
  const bool changed = TcxCustomEdit::RefreshContainer(P, Button, Shift, AIsMouseEvent);
  // While the edit draws the text itself, the inner edit's own drawing of it must not cover that. A button
  // click in the refresh may have freed the edit.
  if (*alive && HandleAllocated() && !IsDestroying())
    SetInnerControlHidden(!IsInnerEditShown());
  return changed;
}

// Whether the edit draws its text itself follows whether it is its form's active control, which an inactive
// form changes without moving the focus.
void TcxCustomTextEdit::CMFocusChanged(TCMFocusChanged& Message) {
  auto alive = AliveToken();
  TcxCustomEdit::CMFocusChanged(Message);
  if (!*alive || !HandleAllocated() || IsDestroying() || InnerControlHidden() != IsInnerEditShown())
    return;
  RefreshContainer(TPoint{-1, -1}, cxmbNone, {}, false);
  if (*alive)
    Invalidate();
}

void TcxCustomTextEdit::Activate(TcxCustomEditData*& AEditData) {
  auto alive = AliveToken();
  TcxCustomEdit::Activate(AEditData);
  if (*alive && HandleAllocated()) {
    SetSelStart(0);
    if (ActiveProperties()->AutoSelect())
      SelectAll();
  }
}

bool TcxCustomTextEdit::CanKeyPressModifyEdit(char Key) {
  return Key == 8 || Key == 22 || Key == 24 || static_cast<unsigned char>(Key) >= 32;
}

bool TcxCustomTextEdit::CanKeyDownModifyEdit(WORD Key, TShiftState Shift) {
  if (TcxCustomEdit::CanKeyDownModifyEdit(Key, Shift) || Key == VK_DELETE)
    return true;
  if (!FLookupData || !ActiveProperties()->UseLookupData() || FLookupData->IsEmpty() ||
      !CanChangeLookupItem(false))
    return false;
  if (Key == VK_PRIOR || Key == VK_NEXT)
    return !HasPopupWindow();
  if (Key == VK_UP || Key == VK_DOWN)
    return !Shift.Contains(ssAlt) && !HasPopupWindow();
  return false;
}

bool TcxCustomTextEdit::IsValidChar(char C) {
  return TcxCustomEdit::IsValidChar(C) ||
         ActiveProperties()->ValidChars().test(static_cast<unsigned char>(C));
}

void TcxCustomTextEdit::AfterKey(WORD Key, TShiftState Shift) {
  if (OnAfterKeyDown)
    OnAfterKeyDown(this, Key, Shift);
}

void TcxCustomTextEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  const TcxTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style == tesListOnly && (Key == VK_LEFT || Key == VK_RIGHT || Key == VK_DELETE)) {
    SetFindSelection(false);
    AfterKey(Key, Shift);
    Key = 0;
    return;
  }
  auto alive = AliveToken();
  TcxCustomEdit::DoEditKeyDown(Key, Shift);
  if (!*alive)
    Key = 0;
  if (Key == 0)
    return;
  if (Key == VK_RETURN && FFindSelection)
    SelectAll();
  const bool lookupKey = Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN ||
                         (style == tesListOnly && (Key == VK_HOME || Key == VK_END));
  if (lookupKey && ActiveProperties()->UseLookupData() && CanChangeLookupItem(false) &&
      !FLookupData->IsEmpty()) {
    const String before = GetDisplayText();
    {
      TcxChangeEventsLock lock(this);
      TcxFlagScope changing(this, FLookupItemChanging);
      using D = TcxCustomTextEditLookupData;
      const bool ctrl = Shift.Contains(ssCtrl);
      switch (Key) {
      case VK_PRIOR:
        FLookupData->Go(ctrl ? D::gdFirst : D::gdPageUp, false);
        break;
      case VK_NEXT:
        FLookupData->Go(ctrl ? D::gdLast : D::gdPageDown, false);
        break;
      case VK_HOME:
        FLookupData->Go(D::gdFirst, false);
        break;
      case VK_END:
        FLookupData->Go(D::gdLast, false);
        break;
      case VK_UP:
        FLookupData->Go(D::gdPrevious, false);
        break;
      default:
        FLookupData->Go(D::gdNext, false);
        break;
      }
    }
    if (!*alive) {
      Key = 0;
      return;
    }
    if (GetDisplayText() != before)
      MarkModifiedAndClick();
    Key = 0;
    return;
  }
  if (Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) {
    AfterKey(Key, Shift);
    if (!*alive || !ActiveProperties()->IsMultiLine())
      Key = 0;
    return;
  }
  if ((Key == VK_LEFT || Key == VK_RIGHT) && !Shift.Contains(ssShift) && SelLength() > 0) {
    const int target = Key == VK_LEFT ? SelStart() : SelStart() + SelLength();
    SetSelStart(target);
    SetFindSelection(false);
    Key = 0;
    return;
  }
  if (Key == VK_LEFT || Key == VK_RIGHT)
    SetFindSelection(false);
  if (Key == VK_DELETE) {
    if (style == tesTextAndList) {
      AfterKey(Key, Shift);
      Key = 0;
      return;
    }
    SetFindSelection(false);
  }
  if (Key == VK_END && SelLength() == 0 && style != tesListOnly)
    SetFindSelection(false);
}

void TcxCustomTextEdit::DoEditKeyPress(char& Key) {
  auto alive = AliveToken();
  TcxCustomEdit::DoEditKeyPress(Key);
  if (!*alive)
    Key = 0;
  const bool backspace = Key == '\b';
  if (Key == 0 || (!backspace && static_cast<unsigned char>(Key) < 32) || !FLookupData ||
      !ActiveProperties()->UseLookupData() || FLookupData->IsEmpty())
    return;
  FLookupTextChanged = false;
  FIsUserChange = true;
  const int keyBefore = FLookupData->CurrentKey();
  {
    LockClick(true);
    struct Unlock {
      TcxCustomTextEdit* e;
      const std::shared_ptr<const bool>& alive;
      ~Unlock() {
        if (*alive)
          e->LockClick(false);
      }
    } unlock{this, alive};
    if (backspace)
      LookupBackspace(Key);
    else
      LookupTypedChar(Key);
    if (!*alive) {
      Key = 0;
      return;
    }
    // The selection is set after the text; an edit that draws its own text shows the find selection now.
    UpdateDrawValue();
  }
  if (FLookupData->CurrentKey() != keyBefore)
    MarkModifiedAndClick();
}

void TcxCustomTextEdit::ShowLookupResult(bool AFound, const String& AText, const String& ATail) {
  FFindSelection = AFound;
  if (!AFound)
    return;
  auto alive = AliveToken();
  SetDisplayText(AText + ATail);
  if (!*alive)
    return;
  SetSelStart(int(AText.size()));
  SetSelLength(int(ATail.size()));
}

void TcxCustomTextEdit::LookupTypedChar(char& Key) {
  const TcxTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  const String text = GetDisplayText();
  const int start = SelStart(), length = SelLength();
  const bool atEnd = length == 0 && start == int(text.size());
  const bool listStyle = style == tesTextAndList || style == tesListOnly;
  if (!listStyle && !atEnd && !FFindSelection && length == 0)
    return;
  FLookupTextChanged = true;
  String search;
  if (length > 0)
    search = text.substr(0, std::size_t(start)) + Key;
  else if (style == tesListOnly)
    search = FFindSelection ? text + Key : String(1, Key);
  else
    search = text.substr(0, std::size_t(start)) + Key + text.substr(std::size_t(start));
  String tail;
  String found = search;
  bool ok = FLookupData->Locate(found, tail, false);
  if (!ok && style == tesListOnly && search.size() > 1) {
    found = String(1, Key);
    ok = FLookupData->Locate(found, tail, false);
  }
  ShowLookupResult(ok, found, tail);
  if (ok || listStyle)
    Key = 0;
}

void TcxCustomTextEdit::LookupBackspace(char& Key) {
  const TcxTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style == tesTextAndList) {
    // What follows the caret counts as completed text, so the search below goes one letter back from it.
    SetSelLength(int(GetDisplayText().size()) - SelStart());
    FFindSelection = true;
  }
  if (style == tesListOnly && !ActiveProperties()->FixedListSelection()) {
    SetFindSelection(false);
    Key = 0;
    return;
  }
  if (!FFindSelection) {
    // A list-only edit shows an item or nothing: a letter taken off would leave neither.
    if (style == tesListOnly)
      Key = 0;
    return;
  }
  FLookupTextChanged = true;
  String search = GetDisplayText().substr(0, std::size_t(SelStart()));
  if (!search.empty())
    search.pop_back();
  String tail;
  String found = search;
  const bool ok = FLookupData->Locate(found, tail, false);
  auto alive = AliveToken();
  ShowLookupResult(ok, found, tail);
  Key = 0;
  if (*alive && !ok && style != tesListOnly && SetDisplayText(search) && *alive)
    SetSelStart(int(search.size()));
}

void TcxCustomTextEdit::SetItemIndex(int Value) {
  LockClick(true);
  auto alive = AliveToken();
  struct Unlock {
    TcxCustomTextEdit* e;
    const std::shared_ptr<const bool>& alive;
    ~Unlock() {
      if (*alive)
        e->LockClick(false);
    }
  } unlock{this, alive};
  FLookupData->SetCurrentKey(Value);
  if (!*alive)
    return;
  // The key is kept within the items, so the edit shows the item ItemIndex names, or nothing.
  Variant value;
  LookupKeyToEditValue(FLookupData->CurrentKey(), value);
  if (!VarEqualsExact(value, FEditValue))
    SetEditValue(value);
}

void TcxCustomTextEdit::LookupKeyToEditValue(int AKey, Variant& AEditValue) {
  AEditValue = PrepareEditValue(Variant(FLookupData->GetDisplayText(AKey)), IsEditFocused());
}

void TcxCustomTextEdit::UpdateValueFromLookupItem(TObject*) {
  const int key = FLookupData->CurrentKey();
  if (key < 0 || FLookupItemChanging == false)
    return;
  Variant value;
  LookupKeyToEditValue(key, value);
  if (VarEqualsExact(value, FEditValue) || !DoEditing())
    return;
  auto alive = AliveToken();
  {
    TcxChangeEventsLock lock(this);
    SetInternalEditValue(value);
  }
  if (!*alive)
    return;
  SetEditModified(true);
  SelectAll();
}

void TcxCustomTextEdit::SetFindSelection(bool Value) {
  if (FFindSelectionLocked || FFindSelection == Value)
    return;
  FFindSelection = Value;
  UpdateDrawValue();
}

void TcxCustomTextEdit::ResetFindSelection() {
  if (ActiveProperties()->UseLookupData())
    SetFindSelection(false);
}

void TcxCustomTextEdit::ContainerStyleChanged(TObject* Sender) {
  TcxCustomEdit::ContainerStyleChanged(Sender);
  UpdateInnerEditColors();
}

void TcxCustomTextEdit::UpdateInnerEditColors() {
  if (FInnerControl && ViewInfo() && !IsDestroying())
    AdjustInnerControl();
}

void TcxCustomTextEdit::DoExit() {
  auto alive = AliveToken();
  TcxCustomEdit::DoExit();
  if (*alive)
    SetFindSelection(false);
}

void TcxCustomTextEdit::PropertiesChanged(TObject* Sender) {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  if (FLookupData && !FLookupTextChanged)
    FLookupData->TextChanged();
  if (TCustomEdit* inner = InnerTextEdit()) {
    inner->SetAlignment(properties->UseLeftAlignmentOnEditing() ? taLeftJustify
                                                                : properties->Alignment()->Horz());
    inner->SetAutoSelect(properties->AutoSelect() && !IsInplace());
    inner->SetCharCase(properties->CharCase());
    if (auto* textInner = dynamic_cast<TcxCustomInnerTextEdit*>(inner)) {
      textInner->SetInnerPasswordChar(properties->PasswordChar());
      textInner->SetEchoMode(properties->EchoMode());
    }
    inner->SetHideSelection(properties->HideSelection());
    inner->SetMaxLength(properties->MaxLength());
    inner->SetOEMConvert(properties->OEMConvert());
  }
  auto alive = AliveToken();
  TcxCustomEdit::PropertiesChanged(Sender);
  if (!*alive)
    return;
  UpdateInnerEditColors();
  UpdateDrawValue();
}

TcxTextEdit::TcxTextEdit(TComponent* AOwner) : TcxCustomTextEdit(AOwner) {
  Initialize();
}

TcxTextEdit::TcxTextEdit(TComponent* AOwner, bool AIsInplace) : TcxCustomTextEdit(AOwner, AIsInplace) {
  Initialize();
}

TClass TcxTextEdit::GetPropertiesClass() const {
  return TcxTextEditProperties::StaticClass();
}

// View data and painting.

unsigned cxTextEditDrawTextFlags(TAlignment AHorz, TcxEditVertAlignment AVert) {
  unsigned flags = 0x2C0;
  flags |= AHorz == taRightJustify ? 2u : AHorz == taCenter ? 1u : 0u;
  flags |= AVert == taBottomJustify ? 0x20u : AVert == taVCenter ? 0x10u : 0u;
  return flags;
}

unsigned cxMemoDrawTextFlags(TAlignment AHorz, bool AWordWrap, TScrollStyle AScrollBars) {
  unsigned flags = 0x4000 | 0x400 | 0x40;
  flags |= AHorz == taRightJustify ? 2u : AHorz == taCenter ? 1u : 0u;
  if (AWordWrap && AScrollBars != ssHorizontal && AScrollBars != ssBoth)
    flags |= 0x20000 | 0x100;
  return flags;
}

TRect cxTextEditDrawTextOffset(TAlignment AHorz, bool AIsInplace, TcxTextEditingStyle AStyle,
                               bool ANativeFrame) {
  TRect r{1, 1, AHorz == taRightJustify ? 2 : 1, AIsInplace ? 1 : 3};
  if (!AIsInplace && (AStyle == tesListOnly || AStyle == tesNoText)) {
    r.left += 1;
    if (!ANativeFrame) {
      r.top += 1;
      r.bottom -= 1;
    }
  }
  return r;
}

TRect cxMemoDrawTextOffset(TAlignment AHorz) {
  return AHorz == taRightJustify ? TRect{0, 1, 2, 1} : TRect{1, 1, 1, 1};
}

void cxTextEditSelectionColors(TColor AAssignedText, TColor AAssignedBackground, TColor ATextColor,
                               TColor AEditColor, TColor& ASelText, TColor& ASelBackground) {
  auto inverse = [](TColor c) { return TColor(ColorToRGB(c) ^ 0xFFFFFF); };
  if (AAssignedText != clDefault) {
    ASelText = AAssignedText;
    ASelBackground = AAssignedBackground != clDefault ? AAssignedBackground : inverse(ATextColor);
  } else if (AAssignedBackground != clDefault) {
    ASelBackground = AAssignedBackground;
    ASelText = inverse(AAssignedBackground);
  } else if (AEditColor == clHighlight) {
    ASelBackground = clBlack;
    ASelText = clWhite;
  } else {
    ASelBackground = clHighlight;
    ASelText = clHighlightText;
  }
}

void TcxCustomTextEditViewInfo::Assign(TObject* Source) {
  TcxCustomEditViewInfo::Assign(Source);
  if (auto* source = dynamic_cast<TcxCustomTextEditViewInfo*>(Source)) {
    Selected = source->Selected;
    EditingStyle = source->EditingStyle;
    InnerEditShowsText = source->InnerEditShowsText;
    Text = source->Text;
    TextRect = source->TextRect;
    DrawTextFlags = source->DrawTextFlags;
    SelStart = source->SelStart;
    SelLength = source->SelLength;
    SelTextColor = source->SelTextColor;
    SelBackgroundColor = source->SelBackgroundColor;
    TextColor = source->TextColor;
  }
}

void TcxCustomTextEditViewInfo::Offset(int DX, int DY) {
  TcxCustomEditViewInfo::Offset(DX, DY);
  OffsetRect(&TextRect, DX, DY);
}

void TcxCustomTextEditViewInfo::DrawText(TcxCanvas* ACanvas) {
  const TColor color = Selected ? clHighlightText : TextColor;
  ACanvas->Font()->SetColor(color);
  TRect r = TextDrawingRect();
  if (Enabled) {
    CanvasTextOutLayout(ACanvas, Text.c_str(), r, DrawTextFlags, SelStart, Selected ? 0 : SelLength,
                        SelBackgroundColor, SelTextColor);
    return;
  }
  // A disabled text is embossed: a light copy one pixel right and down lies under the text in the shadow
  // colour.
  TRect embossed = r;
  OffsetRect(&embossed, 1, 1);
  ACanvas->Font()->SetColor(clBtnHighlight);
  CanvasTextOutLayout(ACanvas, Text.c_str(), embossed, DrawTextFlags);
  ACanvas->Font()->SetColor(clBtnShadow);
  CanvasTextOutLayout(ACanvas, Text.c_str(), r, DrawTextFlags);
  ACanvas->Font()->SetColor(color);
}

TRect TcxCustomTextEditViewInfo::TextDrawingRect() const {
  // A disabled text leaves room for its embossed copy inside the text rectangle.
  TRect r = TextRect;
  if (!Enabled) {
    --r.right;
    --r.bottom;
  }
  return r;
}

bool TcxCustomTextEditViewInfo::NeedShowHintInBounds(TcxCanvas* ACanvas, const TPoint& P,
                                                     const TRect& AVisibleBounds, String& AText,
                                                     bool& AIsMultiLine, TRect& ATextRect) {
  TRect visible = TextRect;
  if (!IsRectEmpty(&AVisibleBounds))
    IntersectRect(&visible, &TextRect, &AVisibleBounds);
  if (Text.empty() || !PtInRect(&visible, P))
    return false;
  // The text is measured as it is drawn: the same rows, in the same rectangle.
  const TRect drawing = TextDrawingRect();
  TRect needed = drawing;
  CanvasTextOutLayout(ACanvas, Text.c_str(), needed, DrawTextFlags | CXTO_CALCRECT);
  TRect room;
  IntersectRect(&room, &visible, &drawing);
  if (RectWidth(needed) <= RectWidth(room) && RectHeight(needed) <= RectHeight(room))
    return false;
  AText = Text;
  AIsMultiLine = !(DrawTextFlags & CXTO_SINGLELINE);
  ATextRect = TextRect;
  return true;
}

void TcxCustomTextEditViewInfo::InternalPaint(TcxCanvas* ACanvas) {
  TcxCustomEditViewInfo::InternalPaint(ACanvas);
  TRect client = ClientRect;
  // Where the client reaches the bounds the border lies on it; the frame would paint it over.
  if (!NativeStyle && !Selected && EditingStyle != tesNoText && !EqualRect(&client, &Bounds)) {
    ACanvas->FrameRect(client, BackgroundColor);
    InflateRect(&client, -1, -1);
  }
  if (Selected)
    ACanvas->FillRect(client, clHighlight);
  if (!InnerEditShowsText && !Text.empty())
    DrawText(ACanvas);
}

bool TcxCustomTextEditViewData::HasInnerEditText() {
  return Edit() && Edit()->IsInnerEditShown();
}

unsigned TcxCustomTextEditViewData::GetDrawTextFlags() {
  return cxTextEditDrawTextFlags(HorzAlignment(), VertAlignment());
}

TRect TcxCustomTextEditViewData::GetDrawTextOffset() {
  auto* properties = static_cast<TcxCustomTextEditProperties*>(FProperties);
  return cxTextEditDrawTextOffset(HorzAlignment(), IsInplace, properties->GetEditingStyle(), NativeStyle());
}

void TcxCustomTextEditViewData::Calculate(TcxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                          TcxContainerMouseButton Button, TShiftState Shift,
                                          TcxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TcxCustomEditViewData::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  auto* info = dynamic_cast<TcxCustomTextEditViewInfo*>(AViewInfo);
  if (!info)
    return;
  auto* properties = static_cast<TcxCustomTextEditProperties*>(FProperties);
  info->Selected = false;
  info->EditingStyle = properties->GetEditingStyle();
  info->InnerEditShowsText = HasInnerEditText();
  const TRect offset = GetDrawTextOffset();
  info->TextRect = TRect{info->ClientRect.left + offset.left, info->ClientRect.top + offset.top,
                         info->ClientRect.right - offset.right, info->ClientRect.bottom - offset.bottom};
  info->DrawTextFlags = GetDrawTextFlags();
  info->TextColor = FStyle ? FStyle->TextColor() : clWindowText;
}

void TcxCustomTextEditViewData::CalculateContentSize(TcxCanvas* ACanvas, const Variant& AEditValue,
                                                     const TcxEditSizeProperties& AEditSizeProperties,
                                                     TSize& ASize) {
  (void)AEditSizeProperties;
  // An edit without a window yet is measured on the screen, as its window will show it.
  std::unique_ptr<TcxScreenCanvas, TObjectDeleter> screen;
  if (!ACanvas || (Edit() && !Edit()->HandleAllocated())) {
    screen.reset(new TcxScreenCanvas);
    ACanvas = screen.get();
  }
  ACanvas->SetFont(FStyle->GetVisibleFont());
  String text;
  EditValueToDisplayText(AEditValue, text);
  const TRect offset = GetDrawTextOffset();
  ASize = TSize{ACanvas->TextWidth(text), ACanvas->TextHeight("Zg") + offset.top + offset.bottom};
}

void TcxCustomTextEditViewData::EditValueToDisplayText(const Variant& AEditValue, String& DisplayText) {
  FProperties->GetDisplayText(AEditValue, DisplayText);
}

void TcxCustomTextEditViewData::EditValueToDrawValue(TcxCanvas* ACanvas, const Variant& AEditValue,
                                                     TcxCustomEditViewInfo* AViewInfo) {
  TcxCustomEditViewData::EditValueToDrawValue(ACanvas, AEditValue, AViewInfo);
  auto* info = dynamic_cast<TcxCustomTextEditViewInfo*>(AViewInfo);
  if (!info)
    return;
  String text;
  if (auto* edit = dynamic_cast<TcxCustomTextEdit*>(Edit())) {
    text = edit->Text();
    static_cast<TcxCustomTextEditProperties*>(FProperties)->DisplayValueToDisplayText(text);
    // Only the find selection is drawn: the user's own selection belongs to the inner edit, which hides it
    // while the edit is not focused.
    info->SelStart = edit->FindSelection() ? edit->SelStart() : 0;
    info->SelLength = edit->FindSelection() ? edit->SelLength() : 0;
  } else {
    EditValueToDisplayText(AEditValue, text);
  }
  info->Text = text;
  cxTextEditSelectionColors(clDefault, clDefault, info->TextColor, info->BackgroundColor, info->SelTextColor,
                            info->SelBackgroundColor);
}

void cxTextEditInitialize() {
  GetRegisteredEditProperties()->Register(TcxTextEditProperties::StaticClass(),
                                          "TextEdit|Represents a single line text editor");
}

void cxTextEditFinalize() {
  GetRegisteredEditProperties()->Unregister(TcxTextEditProperties::StaticClass());
}

const TUnitInfo cxTextEditUnit{"cxTextEdit", &cxTextEditInitialize, &cxTextEditFinalize};
