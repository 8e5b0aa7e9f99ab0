#include "editors/core/cxCheckBox.h"

#include <algorithm>

#include "data/cxVariants.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/gdi/FrameControl.h"
#include "platform/win/Win.h"

const char* const cxSCheckBoxDescription =
    "CheckBox|Represents a check box control that allows selecting an option";
const char* const cxSCheckBoxChecked = "True";
const char* const cxSCheckBoxGrayed = "";
const char* const cxSCheckBoxUnchecked = "False";

namespace {

struct CheckBoxUnitState {
  HBITMAP Mask = nullptr; // owned
  TSize CheckSize{13, 13};
};

CheckBoxUnitState& UnitState() {
  static CheckBoxUnitState state;
  return state;
}

WideString Widen(const String& AText) {
  return WideString(AText.begin(), AText.end());
}

bool SameValue(const Variant& A, const Variant& B) {
  return VarEqualsExact(A, B);
}

} // namespace

HBITMAP cxCheckBoxCheckMarkMask() {
  return UnitState().Mask;
}

TSize cxCheckBoxSystemCheckSize() {
  return UnitState().CheckSize;
}

TcxCustomCheckBoxProperties::TcxCustomCheckBoxProperties(TPersistent* AOwner)
    : TcxCustomEditProperties(AOwner), FDisplayChecked(Widen(cxGetResourceString(cxSCheckBoxChecked))),
      FDisplayGrayed(Widen(cxGetResourceString(cxSCheckBoxGrayed))),
      FDisplayUnchecked(Widen(cxGetResourceString(cxSCheckBoxUnchecked))) {}

TcxCustomCheckBoxProperties::~TcxCustomCheckBoxProperties() {
  // A view info may keep the glyph a little longer; its changes must not reach these properties then.
  if (FGlyph)
    FGlyph->OnChange = nullptr;
}

TClass TcxCustomCheckBoxProperties::GetContainerClass() const {
  return TcxCheckBox::StaticClass();
}
TClass TcxCustomCheckBoxProperties::GetStyleClass() const {
  return TcxCheckBoxStyle::StaticClass();
}
TClass TcxCustomCheckBoxProperties::GetViewInfoClass() const {
  return TcxCustomCheckBoxViewInfo::StaticClass();
}
TClass TcxCustomCheckBoxProperties::GetViewDataClass() const {
  return TcxCustomCheckBoxViewData::StaticClass();
}

TcxCheckBoxState TcxCustomCheckBoxProperties::GetCheckState(const Variant& AEditValue) {
  Variant display;
  PrepareDisplayValue(AEditValue, display, false);
  return TcxCheckBoxState(display.AsInteger());
}

void TcxCustomCheckBoxProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue,
                                                      bool) {
  int state = cbsGrayed;
  if (!AEditValue.IsNull() && VarEquals(AEditValue, FValueChecked))
    state = cbsChecked;
  else if (!AEditValue.IsNull() && VarEquals(AEditValue, FValueUnchecked))
    state = cbsUnchecked;
  DisplayValue = Variant(state);
}

void TcxCustomCheckBoxProperties::GetDisplayText(const Variant& AEditValue, String& ADisplayText) {
  const WideString* texts[] = {&FDisplayUnchecked, &FDisplayChecked, &FDisplayGrayed};
  const WideString& text = *texts[GetCheckState(AEditValue)];
  ADisplayText = Variant(text).AsString();
}

bool TcxCustomCheckBoxProperties::CompareDisplayValues(const Variant& V1, const Variant& V2) {
  return GetCheckState(V1) == GetCheckState(V2);
}

bool TcxCustomCheckBoxProperties::IsEditValueValid(const Variant& AEditValue, bool) {
  return SameValue(AEditValue, FValueChecked) || SameValue(AEditValue, FValueGrayed) ||
         SameValue(AEditValue, FValueUnchecked);
}

Variant TcxCustomCheckBoxProperties::ValueForState(TcxCheckBoxState AState) const {
  switch (AState) {
  case cbsUnchecked:
    return FValueUnchecked;
  case cbsChecked:
    return FValueChecked;
  default:
    return FValueGrayed;
  }
}

bool TcxCustomCheckBoxProperties::IsOneOfValues(const Variant& Value) const {
  return SameValue(Value, FValueChecked) || SameValue(Value, FValueGrayed) ||
         SameValue(Value, FValueUnchecked);
}

void TcxCustomCheckBoxProperties::SetValueChecked(const Variant& Value) {
  if (Value.IsNull() || IsOneOfValues(Value))
    return;
  FValueChecked = Value;
  Changed();
}

void TcxCustomCheckBoxProperties::SetValueUnchecked(const Variant& Value) {
  if (Value.IsNull() || IsOneOfValues(Value))
    return;
  FValueUnchecked = Value;
  Changed();
}

void TcxCustomCheckBoxProperties::SetValueGrayed(const Variant& Value) {
  if (IsOneOfValues(Value))
    return;
  FValueGrayed = Value;
  Changed();
}

void TcxCustomCheckBoxProperties::SetAllowGrayed(bool Value) {
  if (FAllowGrayed == Value)
    return;
  FAllowGrayed = Value;
  Changed();
}

void TcxCustomCheckBoxProperties::SetCaption(const String& Value) {
  FIsCaptionAssigned = true;
  if (FCaption == Value)
    return;
  FCaption = Value;
  Changed();
}

#define CX_CHECKBOX_SETTER(Name, Type, Field)                                                                \
  void TcxCustomCheckBoxProperties::Set##Name(Type Value) {                                                  \
    if (Field == Value)                                                                                      \
      return;                                                                                                \
    Field = Value;                                                                                           \
    Changed();                                                                                               \
  }
CX_CHECKBOX_SETTER(DisplayChecked, const WideString&, FDisplayChecked)
CX_CHECKBOX_SETTER(DisplayGrayed, const WideString&, FDisplayGrayed)
CX_CHECKBOX_SETTER(DisplayUnchecked, const WideString&, FDisplayUnchecked)
CX_CHECKBOX_SETTER(FullFocusRect, bool, FFullFocusRect)
CX_CHECKBOX_SETTER(MultiLine, bool, FMultiLine)
CX_CHECKBOX_SETTER(NullStyle, TcxCheckBoxNullValueShowingStyle, FNullStyle)
#undef CX_CHECKBOX_SETTER

void TcxCustomCheckBoxProperties::SetGlyphCount(int Value) {
  if (FGlyphCount == Value)
    return;
  FGlyphCount = Value;
  if (FGlyph)
    Changed();
}

TBitmap* TcxCustomCheckBoxProperties::Glyph() {
  if (!FGlyph) {
    FGlyph = std::shared_ptr<TBitmap>(new TBitmap, TObjectDeleter());
    FGlyph->OnChange = TNotifyEvent(this, &TcxCustomCheckBoxProperties::GlyphChanged);
  }
  return FGlyph.get();
}

void TcxCustomCheckBoxProperties::SetGlyph(TBitmap* Value) {
  if (!Value) {
    if (FGlyph)
      FGlyph->OnChange = nullptr;
    FGlyph.reset();
  } else
    Glyph()->Assign(Value);
  Changed();
}

void TcxCustomCheckBoxProperties::GlyphChanged(TObject*) {
  Changed();
}

void TcxCustomCheckBoxProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomCheckBoxProperties*>(Source);
  if (!source)
    return TcxCustomEditProperties::Assign(Source);
  TUpdateBlock<TcxCustomEditProperties> update(*this);
  TcxCustomEditProperties::Assign(Source);
  SetAllowGrayed(source->FAllowGrayed);
  SetDisplayChecked(source->FDisplayChecked);
  SetDisplayGrayed(source->FDisplayGrayed);
  SetDisplayUnchecked(source->FDisplayUnchecked);
  SetFullFocusRect(source->FFullFocusRect);
  SetGlyph(source->FGlyph.get());
  SetGlyphCount(source->FGlyphCount);
  SetMultiLine(source->FMultiLine);
  SetNullStyle(source->FNullStyle);
  // Values are taken as a set: the checks against the current values would refuse a swap.
  FValueChecked = source->FValueChecked;
  FValueGrayed = source->FValueGrayed;
  FValueUnchecked = source->FValueUnchecked;
  Changed();
}

void TcxCustomCheckBoxViewInfo::Assign(TObject* Source) {
  TcxCustomEditViewInfo::Assign(Source);
  auto* source = dynamic_cast<TcxCustomCheckBoxViewInfo*>(Source);
  if (!source)
    return;
  CheckBoxRect = source->CheckBoxRect;
  CheckBoxState = source->CheckBoxState;
  CheckState = source->CheckState;
  CheckBorderStyle = source->CheckBorderStyle;
  NativeCheckState = source->NativeCheckState;
  TextRect = source->TextRect;
  FocusRect = source->FocusRect;
  Caption = source->Caption;
}

void TcxCustomCheckBoxViewInfo::Offset(int DX, int DY) {
  TcxCustomEditViewInfo::Offset(DX, DY);
  OffsetRect(&CheckBoxRect, DX, DY);
  OffsetRect(&TextRect, DX, DY);
  OffsetRect(&FocusRect, DX, DY);
}

bool TcxCustomCheckBoxViewInfo::RepaintChanges(TWinControl* AControl, const TRect& ARect,
                                               TcxCustomEditViewInfo* AOldViewInfo) {
  bool result = TcxCustomEditViewInfo::RepaintChanges(AControl, ARect, AOldViewInfo);
  auto* old = dynamic_cast<TcxCustomCheckBoxViewInfo*>(AOldViewInfo);
  if (!old)
    return result;
  if (old->CheckBoxState != CheckBoxState || old->CheckState != CheckState ||
      old->CheckBorderStyle != CheckBorderStyle || !EqualRect(&old->CheckBoxRect, &CheckBoxRect)) {
    InvalidateControlRect(AControl, CheckBoxRect, false);
    result = true;
  }
  if (!EqualRect(&old->TextRect, &TextRect) || old->Caption != Caption) {
    InvalidateControlRect(AControl, Bounds, false);
    result = true;
  }
  return result;
}

void TcxCustomCheckBoxViewData::EditValueToDrawValue(TcxCanvas*, const Variant& AEditValue,
                                                     TcxCustomEditViewInfo* AViewInfo) {
  auto* vi = static_cast<TcxCustomCheckBoxViewInfo*>(AViewInfo);
  vi->CheckState = CheckBoxProperties()->GetCheckState(AEditValue);
  // Rows by check state, columns by button state; a grayed value shows by the null style.
  static constexpr int ColumnByButton[] = {3, 0, 2, 1}; // disabled, normal, pressed, hot
  int row = vi->CheckState == cbsChecked ? 1 : vi->CheckState == cbsGrayed ? 2 : 0;
  int column = ColumnByButton[vi->CheckBoxState];
  if (vi->CheckState == cbsGrayed) {
    if (vi->NullStyle == nssUnchecked)
      row = 0;
    else if (vi->NullStyle == nssInactive) {
      row = 0;
      column = 3;
    }
  }
  vi->NativeCheckState = row * 4 + column + 1;
}

TSize TcxCustomCheckBoxViewData::CheckSize(TcxCanvas* ACanvas, TcxCustomCheckBoxViewInfo* AViewInfo) {
  if (AViewInfo->GlyphCount >= 1 && IsGlyphAssigned(AViewInfo->Glyph.get()))
    return TSize{AViewInfo->Glyph->Width() / AViewInfo->GlyphCount, AViewInfo->Glyph->Height()};
  if (NativeStyle()) {
    SIZE size{};
    if (HTHEME theme = OpenTheme(totButton);
        theme && GetThemePartSize(theme, ACanvas->Handle(), 3, 1, nullptr, TS_TRUE, &size) == S_OK &&
        size.cx > 0)
      return size;
  }
  return cxCheckBoxSystemCheckSize();
}

void TcxCustomCheckBoxViewData::Calculate(TcxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                          TcxContainerMouseButton Button, TShiftState Shift,
                                          TcxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  auto* vi = static_cast<TcxCustomCheckBoxViewInfo*>(AViewInfo);
  TcxCustomCheckBoxProperties* properties = CheckBoxProperties();
  const TcxEditButtonState previousState = vi->CheckBoxState;
  SetHorzAlignment(IsInplace && !properties->IsInplaceAlignmentUsed() ? taCenter
                                                                      : properties->Alignment()->Horz());
  TcxCustomEditViewData::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  const TAlignment alignment = HorzAlignment();
  vi->Alignment = alignment;
  vi->DrawTextFlags = (alignment == taCenter ? CXTO_CENTER_HORIZONTALLY : CXTO_LEFT) |
                      CXTO_CENTER_VERTICALLY | (properties->MultiLine() ? CXTO_WORDBREAK : CXTO_SINGLELINE);
  vi->Caption = Edit() ? Edit()->Caption() : String();
  vi->Font = Style()->GetVisibleFont();
  vi->TextColor = Style()->TextColor();

  // The check's frame thickens while highlighted.
  const TcxEditBorderStyle border = BaseStyle()->BorderStyle();
  const bool highlighted = vi->HotTrackMode == 2;
  TcxEditBorderStyle checkBorder = border;
  if (highlighted) {
    static constexpr TcxEditBorderStyle Highlighted[] = {ebsFlat, ebsThick,     ebsThick,   ebs3D,
                                                         ebs3D,   ebsUltraFlat, ebsOffice11};
    checkBorder = Highlighted[border];
  }
  vi->CheckBorderStyle = checkBorder;
  vi->Glyph = properties->GetGlyph();
  vi->GlyphCount = properties->GlyphCount();
  vi->FullFocusRect = properties->FullFocusRect();
  vi->NullStyle = properties->NullStyle();

  const TSize check = CheckSize(ACanvas, vi);
  TRect checkArea = vi->ClientRect;
  TRect text = vi->ClientRect;
  if (IsInplace) {
    if (alignment == taLeftJustify)
      text.right -= 2;
    else if (alignment == taRightJustify)
      text.left += 2;
  } else {
    InflateRect(&text, -2, -2);
    if (!properties->KeepsTextAreaTop())
      text.top -= 1;
    if (!NativeStyle())
      InflateRect(&checkArea, -2, -2);
  }
  // The check keeps its own size: an area too small for it shows it cut, never squashed.
  const int areaWidth = checkArea.right - checkArea.left, areaHeight = checkArea.bottom - checkArea.top;
  TRect box{0, 0, check.cx, check.cy};
  OffsetRect(&box, checkArea.left + (areaWidth - check.cx) / 2, checkArea.top + (areaHeight - check.cy) / 2);
  const int gap = IsInplace ? 2 : 3;
  if (check.cx < areaWidth) {
    if (alignment == taCenter) {
      text = TRect{};
    } else if (alignment == taRightJustify) {
      OffsetRect(&box, checkArea.right - box.right, 0);
      text.right = box.left - gap;
    } else {
      OffsetRect(&box, checkArea.left - box.left, 0);
      text.left = box.right + gap;
    }
  } else {
    text = TRect{};
  }
  if (!Enabled) {
    text.right += 1;
    text.bottom += 1;
  }
  vi->CheckBoxRect = box;
  vi->TextRect = text;

  // The check's own button state.
  TcxEditButtonState state = ebstNormal;
  if (!Enabled)
    state = ebstDisabled;
  else if (IsSpacePressed)
    state = ebstPressed;
  else if (IsDesigning || !PtInRect(&ABounds, P))
    state = ebstNormal;
  else if (!Shift.Contains(ssLeft) && !Shift.Contains(ssRight) && !Shift.Contains(ssMiddle))
    state = ebstHot;
  else if (Shift.Contains(ssLeft) && !Shift.Contains(ssRight) && !Shift.Contains(ssMiddle)) {
    if (AIsMouseEvent && Button == cxmbLeft)
      state = ebstPressed;
    else
      state = previousState == ebstPressed ? ebstPressed : ebstNormal;
  }
  vi->CheckBoxState = state;

  // The focus rectangle hugs the caption.
  vi->FocusRect = TRect{};
  if (!IsRectEmpty(&text) && !vi->Caption.empty()) {
    if (vi->FullFocusRect) {
      vi->FocusRect = text;
    } else {
      ACanvas->SetFont(vi->Font);
      TRect measured = text;
      CanvasTextOutLayout(ACanvas, vi->Caption.c_str(), measured, vi->DrawTextFlags | CXTO_CALCRECT);
      InflateRect(&measured, 1, 1);
      IntersectRect(&vi->FocusRect, &measured, &text);
    }
  }
}

void TcxCustomCheckBoxViewData::GetFixedPartSize(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo,
                                                 TSize& AFixedSize, TSize& AMinContentSize) {
  auto* vi = static_cast<TcxCustomCheckBoxViewInfo*>(AViewInfo);
  // The room the edit keeps around its client area (a transparent border reserves it too) comes first.
  TcxCustomEditViewData::GetFixedPartSize(ACanvas, AViewInfo, AFixedSize, AMinContentSize);
  TSize check = CheckSize(ACanvas, vi);
  if (!NativeStyle()) {
    check.cx += 4;
    check.cy += 4;
  }
  ACanvas->SetFont(Style()->GetVisibleFont());
  const String text = HorzAlignment() == taCenter || vi->Caption.empty() ? String("Gg") : vi->Caption;
  const TSize extent = ACanvas->TextExtent(text);
  AFixedSize.cx += check.cx + extent.cx + 3;
  AFixedSize.cy += std::max(check.cy, extent.cy);
  AMinContentSize = TSize{0, 0};
}

void TcxCustomCheckBoxViewInfo::InternalPaint(TcxCanvas* ACanvas) {
  ACanvas->FillRect(Bounds, BackgroundColor);
  if (GlyphCount >= 1 && IsGlyphAssigned(Glyph.get()))
    DrawGlyphImage(ACanvas);
  else
    DrawCheck(ACanvas);
  if (!IsRectEmpty(&TextRect) && !Caption.empty()) {
    if (Font)
      ACanvas->SetFont(Font);
    ACanvas->Font()->SetColor(Enabled ? TextColor : TColor(clGrayText));
    SetBkMode(ACanvas->Handle(), TRANSPARENT);
    TRect r = TextRect;
    CanvasTextOutLayout(ACanvas, Caption.c_str(), r, DrawTextFlags);
  }
  if (Focused && !IsRectEmpty(&FocusRect))
    ACanvas->DrawFocusRect(FocusRect);
}

void TcxCustomCheckBoxViewInfo::DrawGlyphImage(TcxCanvas* ACanvas) {
  const int count = GlyphCount;
  // Groups of three (unchecked, checked, grayed) or, for an even count that is no multiple of three, two.
  const int group = count % 3 != 0 && count % 2 == 0 ? 2 : 3;
  int index = std::min(int(CheckState), group - 1);
  if (CheckBoxState == ebstPressed)
    index += group;
  if (index >= count)
    index = index % group;
  const int w = Glyph->Width() / count;
  const TRect source{index * w, 0, index * w + w, Glyph->Height()};
  ACanvas->CopyRect(CheckBoxRect, Glyph->Canvas(), source);
}

void TcxCustomCheckBoxViewInfo::DrawCheck(TcxCanvas* ACanvas) {
  HDC dc = ACanvas->Handle();
  if (NativeStyle) {
    if (HTHEME theme = OpenTheme(totButton)) {
      DrawThemeBackground(theme, dc, 3, NativeCheckState, &CheckBoxRect, nullptr);
      return;
    }
  }
  TRect r = CheckBoxRect;
  const bool highlightedFrame = CheckBoxState == ebstHot || CheckBoxState == ebstPressed || Focused;
  switch (CheckBorderStyle) {
  case ebsSingle:
    ACanvas->FrameRect(r, BorderColor);
    break;
  case ebsThick:
    ACanvas->FrameRect(r, BorderColor, 2);
    break;
  case ebsFlat:
    ACanvas->DrawEdge(r, true, true);
    ACanvas->FrameRect(TRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, clBtnFace);
    break;
  case ebs3D:
    ACanvas->DrawEdge(r, true, true);
    ACanvas->DrawComplexFrame(TRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, cl3DDkShadow,
                              cl3DLight);
    break;
  case ebsUltraFlat:
  case ebsOffice11:
    ACanvas->FrameRect(r, highlightedFrame ? GetEditBorderHighlightColor(CheckBorderStyle == ebsOffice11)
                                           : TColor(clBtnShadow));
    break;
  default:
    break;
  }
  if (CheckBorderStyle == ebsUltraFlat || CheckBorderStyle == ebsOffice11) {
    const bool office = CheckBorderStyle == ebsOffice11;
    TColor fill = clWindow;
    if (CheckBoxState == ebstDisabled || (CheckState == cbsGrayed && NullStyle == nssInactive))
      fill = clBtnFace;
    else if (CheckBoxState == ebstHot || CheckBoxState == ebstPressed)
      fill = GetEditButtonHighlightColor(CheckBoxState == ebstPressed, office);
    const TRect inside{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    ACanvas->FillRect(inside, fill);
    const bool mark = CheckState == cbsChecked || (CheckState == cbsGrayed && NullStyle == nssGrayedChecked);
    HBITMAP mask = cxCheckBoxCheckMarkMask();
    if (!mark || !mask)
      return;
    const TColor markColor =
        CheckBoxState == ebstDisabled || CheckState == cbsGrayed ? TColor(clBtnShadow) : TColor(clWindowText);
    HDC maskDC = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(maskDC, mask);
    const TSize size = cxCheckBoxSystemCheckSize();
    const int x0 = r.left + (r.right - r.left - size.cx) / 2, y0 = r.top + (r.bottom - r.top - size.cy) / 2;
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        if ((GetPixel(maskDC, x, y) & 0xFFFFFF) == 0)
          ACanvas->SetPixel(x0 + x, y0 + y, markColor);
    SelectObject(maskDC, old);
    DeleteDC(maskDC);
    return;
  }
  UINT state = DFCS_BUTTONCHECK;
  if (CheckBorderStyle != ebs3D)
    state |= DFCS_FLAT;
  if (CheckState == cbsChecked)
    state |= DFCS_CHECKED;
  else if (CheckState == cbsGrayed) {
    static constexpr UINT ByNullStyle[] = {DFCS_BUTTON3STATE, DFCS_INACTIVE | DFCS_BUTTON3STATE,
                                           DFCS_CHECKED | DFCS_BUTTON3STATE};
    state |= ByNullStyle[NullStyle];
  }
  if (CheckBoxState == ebstPressed)
    state |= DFCS_PUSHED;
  if (CheckBoxState == ebstDisabled) {
    const bool shownChecked =
        CheckState == cbsChecked || (CheckState == cbsGrayed && NullStyle == nssGrayedChecked);
    state = (CheckBorderStyle != ebs3D ? DFCS_FLAT : 0) | (shownChecked ? 1544u : 776u);
  }
  // The platform's box is drawn without its own edge, inside the frame drawn above, so that the frame of the
  // border style stays visible.
  const int w = GetContainerBorderWidth(CheckBorderStyle);
  InflateRect(&r, -w, -w);
  const int saved = SaveDC(dc);
  ACanvas->IntersectClipRect(r);
  RECT frame{r.left - 2, r.top - 2, r.right + 2, r.bottom + 2};
  DrawFrameControl(dc, &frame, DFC_BUTTON, state);
  RestoreDC(dc, saved);
}

TcxCustomCheckBox::TcxCustomCheckBox(TComponent* AOwner) : TcxCustomEdit(AOwner) {
  Initialize();
}

TcxCustomCheckBox::TcxCustomCheckBox(TComponent* AOwner, bool AIsInplace)
    : TcxCustomEdit(AOwner, AIsInplace) {
  Initialize();
}

void TcxCustomCheckBox::Initialize() {
  TcxCustomEdit::Initialize();
  ControlStyle().Exclude(csDoubleClicks);
  SetWidth(121);
  FEditValue = ActiveProperties()->ValueForState(cbsUnchecked);
}

Variant TcxCustomCheckBox::PrepareEditValue(const Variant& ADisplayValue, bool) {
  return ActiveProperties()->ValueForState(TcxCheckBoxState(ADisplayValue.AsInteger()));
}

TcxCheckBoxState TcxCustomCheckBox::State() {
  return ActiveProperties()->GetCheckState(EditValue());
}

void TcxCustomCheckBox::SetState(TcxCheckBoxState Value) {
  if (ComponentState().Contains(csLoading)) {
    FLoadedState = Value;
    FIsStateAssignedWhileLoading = true;
    return;
  }
  if (State() == Value)
    return;
  SetInternalEditValue(PrepareEditValue(Variant(int(Value)), IsEditFocused()));
}

bool TcxCustomCheckBox::IsStateStored() {
  return State() != cbsUnchecked;
}

void TcxCustomCheckBox::Toggle() {
  TcxChangeEventsLock lock(this);
  TcxFlagScope userChange(this, FIsUserChange);
  // The click raised by the new state may free the check box.
  auto alive = AliveToken();
  switch (State()) {
  case cbsUnchecked:
    SetState(ActiveProperties()->AllowGrayed() ? cbsGrayed : cbsChecked);
    break;
  case cbsChecked:
    SetState(cbsUnchecked);
    break;
  case cbsGrayed:
    SetState(cbsChecked);
    break;
  }
  if (*alive && ActiveProperties()->ImmediatePost() && CanPostEditValue() && InternalValidateEdit(true))
    PostEditValue(false);
}

void TcxCustomCheckBox::InternalSetEditValue(const Variant& Value, bool AValidateEditValue) {
  const TcxCheckBoxState before = State();
  auto alive = AliveToken();
  TcxCustomEdit::InternalSetEditValue(Value, AValidateEditValue);
  if (!*alive)
    return;
  if (State() != before) {
    if (ViewInfo())
      ViewInfo()->CheckState = State();
    Click();
    if (*alive)
      DoChange();
    if (!*alive)
      return;
  }
  RefreshContainerAtCursor();
}

void TcxCustomCheckBox::PropertiesChanged(TObject* Sender) {
  TcxCustomCheckBoxProperties* properties = ActiveProperties();
  if (properties->IsCaptionAssigned()) {
    SetCaption(properties->Caption());
    properties->ClearCaptionAssigned();
  }
  if (ViewInfo() && ViewInfo()->CheckState != State()) {
    ViewInfo()->CheckState = State();
    if (HandleAllocated())
      InvalidateControlRect(this, ViewInfo()->CheckBoxRect, false);
    if (!ChangeEventsLocked()) {
      auto alive = AliveToken();
      Click();
      if (*alive)
        DoChange();
      if (!*alive)
        return;
    }
  }
  TcxCustomEdit::PropertiesChanged(Sender);
}

void TcxCustomCheckBox::InitializeViewData(TcxCustomEditViewData* AViewData) {
  TcxCustomEdit::InitializeViewData(AViewData);
  if (auto* viewData = dynamic_cast<TcxCustomCheckBoxViewData*>(AViewData))
    viewData->IsSpacePressed = FIsSpacePressed;
}

void TcxCustomCheckBox::ProcessButtonStateChanges(TcxCustomEditViewInfo* AOldViewInfo) {
  auto alive = AliveToken();
  TcxCustomEdit::ProcessButtonStateChanges(AOldViewInfo);
  if (!*alive)
    return;
  auto* old = static_cast<TcxCustomCheckBoxViewInfo*>(AOldViewInfo);
  // Only the release over the box toggles it. A press whose release went to another window (an enter
  // handler moved the focus on as it came) leaves the box drawn pressed, and the pointer moving over it later
  // ends that without a toggle.
  if (FIsReleasing && old->CheckBoxState == ebstPressed && ViewInfo()->CheckBoxState == ebstHot)
    Toggle();
}

TcxEditSizeProperties TcxCustomCheckBox::GetEditSizeProperties() {
  TcxEditSizeProperties size;
  size.MaxLineCount = ActiveProperties()->MultiLine() ? 0 : 1;
  size.Width = ViewInfo() ? ViewInfo()->TextRect.right - ViewInfo()->TextRect.left : Width();
  return size;
}

TcxContainerStyleValues TcxCustomCheckBox::GetHiddenStyleValues() {
  TcxContainerStyleValues values = TcxCustomEdit::GetHiddenStyleValues();
  values.Include(csvEdges);
  return values;
}

void TcxCustomCheckBox::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_SPACE && ViewInfo() && ViewInfo()->CheckBoxState != ebstPressed &&
      ViewInfo()->CheckBoxState != ebstDisabled) {
    FIsSpacePressed = true;
    RefreshContainerAtCursor();
    Key = 0;
    return;
  }
  TcxCustomEdit::KeyDown(Key, Shift);
}

void TcxCustomCheckBox::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_SPACE && FIsSpacePressed) {
    FIsSpacePressed = false;
    RefreshContainerAtCursor();
    if (HandleAllocated() && ViewInfo())
      InvalidateControlRect(this, ViewInfo()->CheckBoxRect, false);
    Key = 0;
    Toggle();
    return;
  }
  TcxCustomEdit::KeyUp(Key, Shift);
}

void TcxCustomCheckBox::KeyPress(char& Key) {
  if (Key == ' ') {
    // The space is the check box's own: it toggles on release, and an in-place box at once.
    if (IsInplace() && ViewInfo() && ViewInfo()->CheckBoxState == ebstNormal)
      Toggle();
    Key = 0;
    return;
  }
  TcxCustomEdit::KeyPress(Key);
}

void TcxCustomCheckBox::DoExit() {
  FIsSpacePressed = false;
  TcxCustomEdit::DoExit();
}

void TcxCustomCheckBox::CMDialogChar(TCMDialogChar& Message) {
  if (cxIsAccel(Message.CharCode(), Caption()) && CanFocus()) {
    auto alive = AliveToken();
    SetFocus();
    if (*alive && Focused())
      Toggle();
    Message.Result = 1;
    return;
  }
  TcxCustomEdit::CMDialogChar(Message);
}

// The toggle on the release raises the click; the platform's own click there would be a second one.
void TcxCustomCheckBox::WMLButtonUp(TWMMouse& Message) {
  ControlState().Exclude(csClicked);
  TcxFlagScope releasing(this, FIsReleasing);
  TcxCustomEdit::WMLButtonUp(Message);
}

void TcxCustomCheckBox::TextChanged() {
  TcxCustomEdit::TextChanged();
  RefreshContainerAtCursor();
}

void TcxCustomCheckBox::Loaded() {
  TcxFlagScope loadingState(this, FIsLoadingState);
  TcxChangeEventsLock lock(this, false);
  LockClick(true);
  struct Unlock {
    TcxCustomCheckBox* box;
    ~Unlock() { box->LockClick(false); }
  } unlock{this};
  TcxCustomEdit::Loaded();
  if (FIsStateAssignedWhileLoading)
    SetState(FLoadedState);
  else if (!DataBinding()->IsDataAware())
    SetState(cbsUnchecked);
  FIsStateAssignedWhileLoading = false;
}

void cxCheckBoxInitialize() {
  CheckBoxUnitState& s = UnitState();
  GetRegisteredEditProperties()->Register(TcxCheckBoxProperties::StaticClass(),
                                          cxGetResourceString(cxSCheckBoxDescription));
  HBITMAP boxes = LoadBitmap(nullptr, OBM_CHECKBOXES);
  if (!boxes)
    return;
  BITMAP info{};
  GetObject(boxes, sizeof(info), &info);
  s.CheckSize = TSize{info.bmWidth / 4, info.bmHeight / 3};
  HDC screen = GetDC(nullptr);
  HDC source = CreateCompatibleDC(screen);
  HDC target = CreateCompatibleDC(screen);
  s.Mask = CreateBitmap(s.CheckSize.cx, s.CheckSize.cy, 1, 1, nullptr);
  HGDIOBJ oldSource = SelectObject(source, boxes);
  HGDIOBJ oldTarget = SelectObject(target, s.Mask);
  for (int y = 0; y < s.CheckSize.cy; ++y)
    for (int x = 0; x < s.CheckSize.cx; ++x) {
      const COLORREF unchecked = GetPixel(source, x, y);
      const COLORREF checked = GetPixel(source, x + s.CheckSize.cx, y);
      SetPixel(target, x, y, unchecked != checked ? RGB(0, 0, 0) : RGB(255, 255, 255));
    }
  SelectObject(source, oldSource);
  SelectObject(target, oldTarget);
  DeleteDC(source);
  DeleteDC(target);
  ReleaseDC(nullptr, screen);
  DeleteObject(boxes);
}

void cxCheckBoxFinalize() {
  CheckBoxUnitState& s = UnitState();
  if (s.Mask)
    DeleteObject(s.Mask);
  s.Mask = nullptr;
  if (TcxRegisteredClasses* list = GetRegisteredEditProperties())
    list->Unregister(TcxCheckBoxProperties::StaticClass());
}

const TUnitInfo cxCheckBoxUnit{"cxCheckBox", &cxCheckBoxInitialize, &cxCheckBoxFinalize};
