#include <algorithm>
#include <climits>

#include "editors/core/cxEdit.h"
#include "editors/core/cxEdit_Internal.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

TcxEditButton::TcxEditButton(TCollection* Collection) : TCollectionItem(Collection) {
  auto* owner = Collection ? GetOwnerComponent(Collection) : nullptr;
  if (owner && Collection->Count() == 1 && owner->ComponentState().Contains(csDesigning) &&
      !owner->ComponentState().Contains(csLoading))
    FDefault = true;
}

TcxEditButton::~TcxEditButton() {
  // A view info may keep the glyph a little longer; its changes must not reach this button then.
  if (FGlyph)
    FGlyph->OnChange = nullptr;
}

void TcxEditButton::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxEditButton*>(Source);
  if (!source)
    return TCollectionItem::Assign(Source);
  TCollection* collection = Collection();
  if (collection)
    collection->BeginUpdate();
  try {
    SetCaption(source->FCaption);
    SetDefault(source->FDefault);
    SetEnabled(source->FEnabled);
    SetGlyph(source->FGlyph.get());
    SetKind(source->FKind);
    SetLeftAlignment(source->FLeftAlignment);
    SetStretchable(source->FStretchable);
    SetTextColor(source->FTextColor);
    SetVisible(source->FVisible);
    SetWidth(source->FWidth);
  } catch (...) {
    if (collection)
      collection->EndUpdate();
    throw;
  }
  if (collection)
    collection->EndUpdate();
}

void TcxEditButton::SetCaption(const TCaption& Value) {
  if (FCaption == Value)
    return;
  FCaption = Value;
  FText = RemoveAccelChars(Value);
  Changed(false);
}

void TcxEditButton::SetDefault(bool Value) {
  if (FDefault == Value)
    return;
  if (Value && Collection())
    for (int i = 0; i < Collection()->Count(); ++i) {
      auto* other = static_cast<TcxEditButton*>(Collection()->Items(i));
      if (other != this && other->FDefault) {
        other->FDefault = false;
        other->Changed(false);
      }
    }
  FDefault = Value;
  Changed(false);
}

#define CX_BUTTON_SETTER(Name, Type, Field)                                                                  \
  void TcxEditButton::Set##Name(Type Value) {                                                                \
    if (Field == Value)                                                                                      \
      return;                                                                                                \
    Field = Value;                                                                                           \
    Changed(false);                                                                                          \
  }
CX_BUTTON_SETTER(Enabled, bool, FEnabled)
CX_BUTTON_SETTER(Kind, TcxEditButtonKind, FKind)
CX_BUTTON_SETTER(LeftAlignment, bool, FLeftAlignment)
CX_BUTTON_SETTER(Stretchable, bool, FStretchable)
CX_BUTTON_SETTER(TextColor, TColor, FTextColor)
CX_BUTTON_SETTER(Visible, bool, FVisible)
#undef CX_BUTTON_SETTER

void TcxEditButton::SetWidth(int Value) {
  if (Value < 0 || FWidth == Value)
    return;
  FWidth = Value;
  Changed(false);
}

TBitmap* TcxEditButton::Glyph() {
  if (!FGlyph) {
    FGlyph = std::shared_ptr<TBitmap>(new TBitmap, TObjectDeleter());
    FGlyph->OnChange = TNotifyEvent(this, &TcxEditButton::GlyphChanged);
  }
  return FGlyph.get();
}

void TcxEditButton::SetGlyph(TBitmap* Value) {
  if (!Value) {
    if (!FGlyph)
      return;
    FGlyph->OnChange = nullptr;
    FGlyph.reset();
    Changed(false);
    return;
  }
  Glyph()->Assign(Value);
}

void TcxEditButton::GlyphChanged(TObject*) {
  Changed(false);
}

TcxEditButtons::TcxEditButtons(TPersistent* AOwner, TClass AButtonClass)
    : TCollection(AOwner, AButtonClass) {}

TcxEditButton* TcxEditButtons::Add() {
  BeginUpdate();
  TcxEditButton* button = nullptr;
  try {
    button = static_cast<TcxEditButton*>(TCollection::Add());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return button;
}

int TcxEditButtons::VisibleCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i)
    count += Items(i)->Visible() ? 1 : 0;
  return count;
}

void TcxEditButtons::Update(TCollectionItem*) {
  if (OnChange)
    OnChange(this);
}

void TcxEditButtonViewInfo::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxEditButtonViewInfo*>(Source);
  if (!source)
    return TPersistent::Assign(Source);
  Bounds = source->Bounds;
  VisibleBounds = source->VisibleBounds;
  Glyph = source->Glyph;
  Kind = source->Kind;
  State = source->State;
  ButtonStyle = source->ButtonStyle;
  Transparent = source->Transparent;
  TextColor = source->TextColor;
  Caption = source->Caption;
  Text = source->Text;
  Index = source->Index;
  Default = source->Default;
  NativeState = source->NativeState;
}

bool TcxEditButtonViewInfo::DiffersFrom(const TcxEditButtonViewInfo& A) const {
  return State != A.State || Kind != A.Kind || !EqualRect(&Bounds, &A.Bounds) || Glyph != A.Glyph;
}

TcxRegion* TcxEditButtonViewInfo::GetUpdateRegion(TcxEditButtonViewInfo* AViewInfo) {
  if (AViewInfo && !DiffersFrom(*AViewInfo))
    return new TcxRegion();
  return new TcxRegion(Bounds);
}

bool TcxEditButtonViewInfo::Repaint(TWinControl* AControl, TcxEditButtonViewInfo* AViewInfo,
                                    const TPoint& AOffset) {
  if (AViewInfo && !DiffersFrom(*AViewInfo))
    return false;
  TRect r = Bounds;
  OffsetRect(&r, AOffset.x, AOffset.y);
  InvalidateControlRect(AControl, r, false);
  return true;
}

TcxEditButtonDrawInfo TcxEditButtonViewInfo::DrawInfo(bool ANativeStyle, TColor ABackgroundColor) const {
  TcxEditButtonDrawInfo info;
  info.Bounds = Bounds;
  info.Kind = Kind;
  info.Style = ButtonStyle;
  info.State = State;
  info.NativeStyle = ANativeStyle;
  info.DropDown = IsSingleDropDown;
  info.Width = Width;
  info.Glyph = Glyph.get();
  info.Caption = Caption;
  info.BackgroundColor = Transparent ? ABackgroundColor : clBtnFace;
  info.TextColor = TextColor;
  info.Office11 = ButtonStyle == btsOffice11;
  return info;
}

TcxCustomEditViewInfo::TcxCustomEditViewInfo() = default;
TcxCustomEditViewInfo::~TcxCustomEditViewInfo() = default;

void TcxCustomEditViewInfo::SetButtonCount(int ACount) {
  ACount = std::max(ACount, 0);
  while (int(ButtonsInfo.size()) > ACount)
    ButtonsInfo.pop_back();
  while (int(ButtonsInfo.size()) < ACount)
    ButtonsInfo.emplace_back(NewInstance<TcxEditButtonViewInfo>(GetButtonViewInfoClass()));
}

void TcxCustomEditViewInfo::Assign(TObject* Source) {
  TcxContainerViewInfo::Assign(Source);
  auto* source = dynamic_cast<TcxCustomEditViewInfo*>(Source);
  if (!source)
    return;
  BackgroundColor = source->BackgroundColor;
  BorderColor = source->BorderColor;
  BorderStyle = source->BorderStyle;
  BorderWidth = source->BorderWidth;
  Bounds = source->Bounds;
  ClientRect = source->ClientRect;
  ContainerState = source->ContainerState;
  Edges = source->Edges;
  NativeStyle = source->NativeStyle;
  Shadow = source->Shadow;
  BorderExtent = source->BorderExtent;
  InnerEditRect = source->InnerEditRect;
  EditState = source->EditState;
  HotTrackMode = source->HotTrackMode;
  HasPressedButton = source->HasPressedButton;
  PressedButtonIndex = source->PressedButtonIndex;
  HotButtonIndex = source->HotButtonIndex;
  PopupBorderStyle = source->PopupBorderStyle;
  Enabled = source->Enabled;
  Focused = source->Focused;
  ButtonsOnly = source->ButtonsOnly;
  IsInplace = source->IsInplace;
  EditProperties = source->EditProperties;
  WindowHandle = source->WindowHandle;
  SetButtonCount(source->ButtonCount());
  for (int i = 0; i < ButtonCount(); ++i)
    Button(i)->Assign(source->Button(i));
}

TcxRegion* TcxCustomEditViewInfo::GetUpdateRegion(TcxContainerViewInfo* AViewInfo) {
  auto* old = dynamic_cast<TcxCustomEditViewInfo*>(AViewInfo);
  const bool sameFrame = old && (IsRectEmpty(&old->Bounds) || EqualRect(&Bounds, &old->Bounds)) &&
                         old->BorderStyle == BorderStyle && old->ButtonCount() == ButtonCount() &&
                         old->BackgroundColor == BackgroundColor;
  if (!sameFrame)
    return IsRectEmpty(&Bounds) ? new TcxRegion() : new TcxRegion(Bounds);
  auto* region = new TcxRegion();
  for (int i = 0; i < ButtonCount(); ++i)
    region->Combine(Button(i)->GetUpdateRegion(old->Button(i)), roAdd);
  return region;
}

void TcxCustomEditViewInfo::Offset(int DX, int DY) {
  TcxContainerViewInfo::Offset(DX, DY);
  OffsetRect(&InnerEditRect, DX, DY);
  for (auto& button : ButtonsInfo) {
    OffsetRect(&button->Bounds, DX, DY);
    OffsetRect(&button->VisibleBounds, DX, DY);
  }
}

void TcxCustomEditViewInfo::InternalPaint(TcxCanvas* ACanvas) {
  DrawEditBorderAndButtons(this, ACanvas);
}

void TcxCustomEditViewInfo::DrawButton(TcxCanvas* ACanvas, int AButtonIndex) {
  TRect content = Button(AButtonIndex)->Bounds;
  DrawButtonBorder(ACanvas, AButtonIndex, content);
  DrawButtonContent(ACanvas, AButtonIndex, content);
}

void TcxCustomEditViewInfo::DrawButtonBorder(TcxCanvas* ACanvas, int AButtonIndex, TRect& ARect) {
  TcxEditButtonViewInfo* button = Button(AButtonIndex);
  const TcxEditButtonDrawInfo info = button->DrawInfo(NativeStyle, BackgroundColor);
  TRect bounds = ARect;
  DrawEditButtonBorder(ACanvas, info, bounds, ARect);
}

void TcxCustomEditViewInfo::DrawButtonContent(TcxCanvas* ACanvas, int AButtonIndex, const TRect& ARect) {
  TcxEditButtonViewInfo* button = Button(AButtonIndex);
  DrawEditButtonContent(ACanvas, button->DrawInfo(NativeStyle, BackgroundColor), ARect);
}

bool TcxCustomEditViewInfo::IsMousePressHandled() {
  return std::any_of(ButtonsInfo.begin(), ButtonsInfo.end(),
                     [](const auto& b) { return b->State == ebstHot; });
}

bool TcxCustomEditViewInfo::IsMousePressHandledAt(const TPoint& P) {
  const TPoint p{P.x + Bounds.left, P.y + Bounds.top};
  return std::any_of(ButtonsInfo.begin(), ButtonsInfo.end(),
                     [&](const auto& b) { return PtInRect(&b->Bounds, p); });
}

bool TcxCustomEditViewInfo::NeedShowHint(TcxCanvas* ACanvas, const TPoint& P, String& AText,
                                         bool& AIsMultiLine, TRect& ATextRect) {
  return NeedShowHintInBounds(ACanvas, P, TRect{}, AText, AIsMultiLine, ATextRect);
}

bool TcxCustomEditViewInfo::NeedShowHintInBounds(TcxCanvas*, const TPoint&, const TRect&, String&, bool&,
                                                 TRect&) {
  return false;
}

bool TcxCustomEditViewInfo::Repaint(TWinControl* AControl, TcxCustomEditViewInfo* AOldViewInfo) {
  return RepaintChanges(AControl, TRect{}, AOldViewInfo);
}

namespace {
void InvalidateExcept(TWinControl* AControl, const TRect& AArea, const TRect& AExcept) {
  if (!AControl->HandleAllocated() || IsRectEmpty(&AArea))
    return;
  if (IsRectEmpty(&AExcept))
    return InvalidateControlRect(AControl, AArea, false);
  TcxRegion region(AArea);
  region.Combine(new TcxRegion(AExcept), roSubtract);
  InvalidateRgn(AControl->Handle(), region.Handle(), FALSE);
}
} // namespace

bool TcxCustomEditViewInfo::RepaintChanges(TWinControl* AControl, const TRect& ARect,
                                           TcxCustomEditViewInfo* AOldViewInfo) {
  if (!AOldViewInfo) {
    InvalidateExcept(AControl, Bounds, ARect);
    return false;
  }
  if (BackgroundColor != AOldViewInfo->BackgroundColor || ContainerState != AOldViewInfo->ContainerState ||
      (IsRepaintOnStateChangingNeeded() && EditState != AOldViewInfo->EditState) ||
      ButtonCount() != AOldViewInfo->ButtonCount() || !EqualRect(&Bounds, &AOldViewInfo->Bounds) ||
      !EqualRect(&ClientRect, &AOldViewInfo->ClientRect)) {
    InvalidateExcept(AControl, Bounds, ARect);
    return true;
  }
  bool result = false;
  const bool borderColorChanged = BorderStyle != ebsNone && BorderColor != AOldViewInfo->BorderColor;
  if (borderColorChanged || BorderStyle != AOldViewInfo->BorderStyle || Shadow != AOldViewInfo->Shadow) {
    if (AControl->HandleAllocated())
      InvalidateFrame(AControl->Handle(), Bounds, ClientRect, false);
    result = true;
  }
  for (int i = 0; i < ButtonCount(); ++i)
    result = Button(i)->Repaint(AControl, AOldViewInfo->Button(i), TPoint{0, 0}) || result;
  return result;
}

TcxCustomEditViewData::TcxCustomEditViewData(TcxCustomEditProperties* AProperties, TcxCustomEditStyle* AStyle,
                                             bool AIsInplace)
    : IsInplace(AIsInplace), FProperties(AProperties), FStyle(AStyle), FBaseStyle(AStyle) {
  Reset();
  FCachedColor1 = clDefault;
  FCachedColor2 = clDefault;
  InitCacheData();
}

void TcxCustomEditViewData::Reset() {
  FInplaceEditContentExtent = TRect{};
  Enabled = true;
}

void TcxCustomEditViewData::InitCacheData() {
  FVisibleButtonCount = FProperties->Buttons()->VisibleCount();
  FUsesValueFormat = !FProperties->UsesValueFormat(false);
  TcxEditAlignment* alignment = FProperties->Alignment();
  FHorzAlignment = alignment->Horz();
  FVertAlignment = alignment->Vert();
  FNativeStyle = IsNativeStyle(FStyle->LookAndFeel());
}

bool TcxCustomEditViewData::IsNativeStyle(TcxLookAndFeel* ALookAndFeel) {
  return ALookAndFeel && AreVisualStylesUsed(ALookAndFeel->NativeStyle(), totEdit);
}

TcxEditBorderStyle TcxCustomEditViewData::GetBorderStyle() {
  if (IsInplace)
    return ebsNone;
  const TcxEditBorderStyle style = FStyle->BorderStyle();
  return style == ebsUltraFlat || style == ebsOffice11 ? ebsSingle : style;
}

void TcxCustomEditViewData::GetBorderExtent(TRect& AExtent) {
  if (IsInplace) {
    AExtent = FInplaceEditContentExtent;
    return;
  }
  AExtent = GetEditBorderExtent(this);
}

void TcxCustomEditViewData::GetNativeContentExtent(TcxCanvas* ACanvas, TRect& AExtent) {
  if (IsInplace) {
    AExtent = FInplaceEditContentExtent;
    return;
  }
  if (FNativeStyle)
    AExtent = GetEditNativeBorderExtent(ACanvas, this);
  else
    GetBorderExtent(AExtent);
}

void TcxCustomEditViewData::GetClientExtent(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo,
                                            TRect& AExtent) {
  GetBorderExtent(AExtent);
  if (FButtonsOnly && AViewInfo->ButtonCount() > 0) {
    TRect native{};
    GetNativeContentExtent(ACanvas, native);
    AExtent.left = native.left;
    AExtent.right = native.right;
  }
  if (HScrollBarVisible)
    AExtent.bottom += GetSystemMetrics(SM_CYHSCROLL);
  if (VScrollBarVisible)
    AExtent.right += GetSystemMetrics(SM_CXVSCROLL);
  const TRect& bounds = AViewInfo->Bounds;
  for (int i = 0; i < AViewInfo->ButtonCount(); ++i) {
    const TcxEditButtonViewInfo* button = AViewInfo->Button(i);
    if (IsRectEmpty(&button->VisibleBounds))
      continue;
    if (button->LeftAlignment)
      AExtent.left = std::max(AExtent.left, int(button->VisibleBounds.right - bounds.left));
    else
      AExtent.right = std::max(AExtent.right, int(bounds.right - button->VisibleBounds.left));
  }
}

bool TcxCustomEditViewData::HasShadow() {
  return HasEditShadow(this);
}

TColor TcxCustomEditViewData::GetBorderColor() {
  const TcxEditBorderStyle style = FStyle->BorderStyle();
  if (style == ebsUltraFlat || style == ebsOffice11) {
    const bool highlighted = FEditState.Contains(esFocused) ||
                             (FEditState.Contains(esHot) && FStyle->HotTrack()) || (IsDesigning && Enabled);
    return highlighted ? GetEditBorderHighlightColor(style == ebsOffice11) : TColor(clBtnShadow);
  }
  return FStyle->BorderColor();
}

String TcxCustomEditViewData::GetDisplayText(const Variant& AEditValue) {
  String text;
  EditValueToDisplayText(Variant(AEditValue), text);
  if (OnGetDisplayText)
    OnGetDisplayText(this, text);
  return text;
}

int TcxCustomEditViewData::GetCapturedButtonIndex() const {
  return FEdit ? FEdit->CaptureButtonIndex() : -1;
}

bool TcxCustomEditViewData::IsFocused() const {
  return FEdit ? FEdit->IsEditFocused() : Focused;
}

void TcxCustomEditViewData::GetContentSize(TcxCanvas* ACanvas, const Variant& AEditValue,
                                           const TcxEditSizeProperties& AEditSizeProperties, TSize& ASize) {
  if (!FButtonsOnly)
    return CalculateContentSize(ACanvas, AEditValue, AEditSizeProperties, ASize);
  ACanvas->SetFont(FStyle->GetVisibleFont());
  int extra = 4;
  if (IsInplace)
    extra = FNativeStyle && FVisibleButtonCount > 0 ? 3 : 2;
  ASize = TSize{0, ACanvas->TextHeight("Zg") + extra};
}

void TcxCustomEditViewData::GetEditSize(TcxCanvas* ACanvas, const Variant& AEditValue,
                                        TcxCustomEditViewInfo* AViewInfo, TSize& AFixedSize,
                                        TSize& AMinContentSize) {
  std::unique_ptr<TcxCustomEditViewInfo, TObjectDeleter> temporary;
  if (!AViewInfo) {
    temporary.reset(NewInstance<TcxCustomEditViewInfo>(FProperties->GetViewInfoClass()));
    AViewInfo = temporary.get();
    Calculate(ACanvas, TRect{0, 0, INT_MAX, INT_MAX}, TPoint{-1, -1}, cxmbNone, {}, AViewInfo, false);
  }
  (void)AEditValue;
  GetFixedPartSize(ACanvas, AViewInfo, AFixedSize, AMinContentSize);
}

void TcxCustomEditViewData::GetFixedPartSize(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo,
                                             TSize& AFixedSize, TSize& AMinContentSize) {
  const TRect& b = AViewInfo->Bounds;
  const TRect& c = AViewInfo->ClientRect;
  AFixedSize = TSize{(b.right - b.left) - (c.right - c.left), (b.bottom - b.top) - (c.bottom - c.top)};
  AMinContentSize = TSize{0, 0};
  if (!IsInplace && !(FEdit && FEdit->AutoSize()))
    return;
  int tallest = 0;
  for (int i = 0; i < AViewInfo->ButtonCount(); ++i) {
    const TcxEditButtonViewInfo* button = AViewInfo->Button(i);
    if (button->Kind == bkGlyph && IsGlyphAssigned(button->Glyph.get()))
      tallest = std::max(tallest, button->Glyph->Height());
    else if (IsInplace && button->Kind == bkText) {
      ACanvas->SetFont(FStyle->GetVisibleFont());
      tallest = std::max(tallest, ACanvas->TextHeight(button->Text));
    }
  }
  if (tallest == 0)
    return;
  TRect extent{};
  GetClientExtent(ACanvas, AViewInfo, extent);
  const int buttonBorder =
      AViewInfo->ButtonCount() > 0
          ? GetEditButtonBorderWidth(AViewInfo->Button(0)->DrawInfo(FNativeStyle, clBtnFace))
          : 0;
  const int minHeight = tallest + extent.top + extent.bottom + buttonBorder;
  AMinContentSize.cy = std::max(0, int(minHeight - AFixedSize.cy));
}

TSize TcxCustomEditViewData::CalculateEditSize(TcxCanvas* ACanvas, const Variant& AEditValue,
                                               const TcxEditSizeProperties& AEditSizeProperties) {
  TSize fixed{}, minContent{};
  GetEditSize(ACanvas, AEditValue, nullptr, fixed, minContent);
  TcxEditSizeProperties limits = AEditSizeProperties;
  bool nothingLeft = false;
  if (limits.Width >= 0) {
    limits.Width = std::max(0, int(limits.Width - fixed.cx));
    nothingLeft = limits.Width == 0;
  }
  TSize content{};
  GetContentSize(ACanvas, AEditValue, limits, content);
  EnlargeSize(content, minContent);
  TSize size{nothingLeft ? AEditSizeProperties.Width : fixed.cx + content.cx, fixed.cy + content.cy};
  if (FEdit && !IsInplace) {
    TSizeConstraints* c = FEdit->Constraints();
    if (c->MinWidth() > 0)
      size.cx = std::max(size.cx, LONG(c->MinWidth()));
    if (c->MaxWidth() > 0)
      size.cx = std::min(size.cx, LONG(c->MaxWidth()));
    if (c->MinHeight() > 0)
      size.cy = std::max(size.cy, LONG(c->MinHeight()));
    if (c->MaxHeight() > 0)
      size.cy = std::min(size.cy, LONG(c->MaxHeight()));
  }
  return size;
}

void TcxCustomEditViewData::CalculateButtonNativeInfo(TcxEditButtonViewInfo* AButtonViewInfo) {
  // The combo-box and button themes number their states disabled last: normal 1, hot 2, pressed 3, 4.
  static constexpr int NativeStates[] = {4, 1, 3, 2};
  AButtonViewInfo->NativeState = NativeStates[AButtonViewInfo->State];
}

void TcxCustomEditViewData::Calculate(TcxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                      TcxContainerMouseButton Button, TShiftState Shift,
                                      TcxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  // State.
  if (!Enabled)
    FEditState = {esDisabled};
  else if (IsDesigning)
    FEditState = {esNormal};
  else {
    FEditState = {IsFocused() ? esFocused : esNormal};
    bool hotAllowed = true;
    if (Shift.Contains(ssLeft) && WindowHandle) {
      const HWND capture = GetCapture();
      hotAllowed = !capture || capture == WindowHandle;
    }
    if (hotAllowed && PtInRect(&ABounds, P))
      FEditState.Include(esHot);
  }
  FHotOrFocused = FEditState.Contains(esFocused) || FEditState.Contains(esHot);
  const bool hotTrack = FBaseStyle->HotTrack();
  AViewInfo->HotTrackMode = IsDesigning || !hotTrack || IsInplace ? 0 : (FHotOrFocused ? 2 : 1);
  TcxContainerStateFlags containerState;
  for (TcxEditStateItem item : {esNormal, esFocused, esDisabled, esHot})
    if (FEditState.Contains(item))
      containerState.Include(TcxContainerStateItem(item));
  AViewInfo->ContainerState = containerState;
  if (FEdit) {
    TcxContainerStyleState state = cssNormal;
    if (FEditState.Contains(esDisabled))
      state = cssDisabled;
    else if (FEditState.Contains(esFocused))
      state = cssFocused;
    else if (FEditState.Contains(esHot))
      state = cssHot;
    FStyle = static_cast<TcxCustomEditStyle*>(FEdit->Styles()->GetStyleByIndex(state));
  }
  const TcxEditBorderStyle borderStyle =
      !IsInplace && FNativeStyle ? FBaseStyle->BorderStyle() : GetBorderStyle();

  // The frame.
  AViewInfo->BorderStyle = borderStyle;
  AViewInfo->EditState = FEditState;
  AViewInfo->EditProperties = FProperties;
  FButtonsOnly = !IsInplace ? FProperties->ButtonsViewStyle() == bvsButtonsOnly
                            : ABounds.right != INT_MAX && FProperties->ButtonsViewStyle() != bvsNormal;
  AViewInfo->ButtonsOnly = FButtonsOnly;
  AViewInfo->Bounds = ABounds;
  AViewInfo->Enabled = Enabled;
  AViewInfo->Focused = FEditState.Contains(esFocused);
  AViewInfo->IsDesigning = IsDesigning;
  AViewInfo->IsInplace = IsInplace;
  AViewInfo->IsInnerEditShown = InnerEdit != nullptr;
  AViewInfo->NativeStyle = FNativeStyle;
  AViewInfo->Shadow = !IsInplace && HasShadow();
  AViewInfo->Edges = FStyle->Edges();
  AViewInfo->BorderWidth = IsInplace ? 0 : GetContainerBorderWidth(borderStyle);
  AViewInfo->BorderColor = GetBorderColor();
  AViewInfo->LookAndFeelKind = FBaseStyle->LookAndFeel()->Kind();
  AViewInfo->WindowHandle = WindowHandle;
  FEditBounds = ABounds;
  TRect borderExtent{};
  GetBorderExtent(borderExtent);
  AViewInfo->BorderExtent = borderExtent;
  AViewInfo->SetBackgroundColor(GetEditBackgroundColor(this, AViewInfo));

  // Buttons, then the client area that they leave.
  TRect buttonsArea = ABounds;
  InsetRectByRect(buttonsArea, borderExtent);
  if (FButtonsOnly) {
    TRect native{};
    GetNativeContentExtent(ACanvas, native);
    buttonsArea.left = ABounds.left + native.left;
    buttonsArea.right = ABounds.right - native.right;
  }
  CalculateButtonsViewInfo(ACanvas, buttonsArea, P, Button, Shift, AViewInfo, AIsMouseEvent);
  TRect extent{};
  GetClientExtent(ACanvas, AViewInfo, extent);
  AViewInfo->ClientRect = ABounds;
  InsetRectByRect(AViewInfo->ClientRect, extent);
  if (AViewInfo->ClientRect.right < AViewInfo->ClientRect.left)
    AViewInfo->ClientRect.right = AViewInfo->ClientRect.left;
  if (AViewInfo->ClientRect.bottom < AViewInfo->ClientRect.top)
    AViewInfo->ClientRect.bottom = AViewInfo->ClientRect.top;
  AViewInfo->InnerEditRect = AViewInfo->ClientRect;
  if (InnerEdit) {
    TWinControl* inner = InnerEdit->GetControl();
    AViewInfo->InnerEditRect =
        TRect{inner->Left(), inner->Top(), inner->Left() + inner->Width(), inner->Top() + inner->Height()};
  }
  AViewInfo->InnerControlRect = AViewInfo->ClientRect;

  TcxEditPopupBorderStyle popupBorder = FStyle->PopupBorderStyle();
  if (popupBorder == epbsDefault) {
    if (!IsInplace) {
      static constexpr TcxEditPopupBorderStyle ByBorder[] = {epbsFlat,   epbsSingle, epbsSingle, epbsFlat,
                                                             epbsSingle, epbsSingle, epbsSingle};
      popupBorder = ByBorder[borderStyle];
    } else {
      static constexpr TcxEditPopupBorderStyle ByKind[] = {epbsFlat, epbsFrame3D, epbsSingle, epbsSingle};
      popupBorder = ByKind[AViewInfo->LookAndFeelKind];
    }
  }
  AViewInfo->PopupBorderStyle = popupBorder;
}

void TcxCustomEditViewData::CalculateButtonViewInfo(TcxCanvas*, TcxCustomEditViewInfo* AViewInfo,
                                                    int AButtonVisibleIndex, int AButtonIndex) {
  TcxEditButton* button = FProperties->Buttons()->Items(AButtonIndex);
  TcxEditButtonViewInfo* view = AViewInfo->Button(AButtonVisibleIndex);
  view->Index = AButtonIndex;
  view->IsSingleDropDown = AViewInfo->ButtonCount() == 1 && button->Kind() == bkDown;
  view->Kind = button->Kind();
  view->Caption = button->Kind() == bkText ? button->Caption() : String();
  view->Text = button->Kind() == bkText ? button->Text() : String();
  view->TextColor = button->TextColor();
  view->Default = button->Default();
  view->Glyph = button->SharedGlyph();
  view->IsInplace = IsInplace;
  view->LeftAlignment = button->LeftAlignment();
  view->Stretchable = button->Stretchable();
  view->Width = button->Width();
  const TcxEditButtonTransparency transparency = FStyle->ButtonTransparency();
  view->Transparent = transparency == ebtAlways || (transparency == ebtInactive && !FHotOrFocused);
}

void TcxCustomEditViewData::CalculateButtonBounds(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo,
                                                  int AButtonVisibleIndex, TRect& ButtonsRect) {
  TcxEditButtonViewInfo* view = AViewInfo->Button(AButtonVisibleIndex);
  if (IsRectEmpty(&ButtonsRect) && ButtonsRect.bottom <= ButtonsRect.top) {
    view->Bounds = view->VisibleBounds = TRect{};
    return;
  }
  TcxEditButtonDrawInfo info = view->DrawInfo(FNativeStyle, clBtnFace);
  if (view->Kind == bkText)
    ACanvas->SetFont(FStyle->GetVisibleFont());
  const int width = CalculateEditButtonWidth(ACanvas, info);
  const int visible = std::max(0, std::min(width, int(ButtonsRect.right - ButtonsRect.left)));
  if (view->LeftAlignment) {
    view->Bounds = TRect{ButtonsRect.left, ButtonsRect.top, ButtonsRect.left + width, ButtonsRect.bottom};
    view->VisibleBounds =
        TRect{ButtonsRect.left, ButtonsRect.top, ButtonsRect.left + visible, ButtonsRect.bottom};
    ButtonsRect.left += visible;
  } else {
    view->Bounds = TRect{ButtonsRect.right - width, ButtonsRect.top, ButtonsRect.right, ButtonsRect.bottom};
    view->VisibleBounds =
        TRect{ButtonsRect.right - visible, ButtonsRect.top, ButtonsRect.right, ButtonsRect.bottom};
    ButtonsRect.right -= visible;
  }
}

void TcxCustomEditViewData::CalculateButtonsViewInfo(TcxCanvas* ACanvas, TRect& ABounds, const TPoint& P,
                                                     TcxContainerMouseButton Button, TShiftState Shift,
                                                     TcxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  const TRect area = ABounds;
  // The states a button had before this calculation decide whether a held press stays.
  std::vector<TcxEditButtonState> previous;
  for (int i = 0; i < AViewInfo->ButtonCount(); ++i)
    previous.push_back(AViewInfo->Button(i)->State);

  std::vector<int> visibleIndexes;
  TcxEditButtons* buttons = FProperties->Buttons();
  for (int i = 0; i < buttons->Count(); ++i)
    if (buttons->Items(i)->Visible())
      visibleIndexes.push_back(i);
  const TcxEditButtonTransparency transparency = FStyle->ButtonTransparency();
  const bool focused = FEditState.Contains(esFocused);
  if ((transparency == ebtHideInactive && !focused) || (transparency == ebtHideUnselected && !FHotOrFocused))
    visibleIndexes.clear();
  AViewInfo->SetButtonCount(int(visibleIndexes.size()));
  AViewInfo->HasPressedButton = false;
  AViewInfo->PressedButtonIndex = AViewInfo->HotButtonIndex = -1;
  LeftAlignedButtonFirst = LeftAlignedButtonLast = RightAlignedButtonFirst = RightAlignedButtonLast = -1;
  if (visibleIndexes.empty())
    return;

  TcxEditButtonStyle buttonStyle = FStyle->ButtonStyle();
  if (buttonStyle == btsDefault) {
    if (!IsInplace) {
      static constexpr TcxEditButtonStyle ByBorder[] = {btsSimple, btsHotFlat,   bts3D,      btsFlat,
                                                        bts3D,     btsUltraFlat, btsOffice11};
      buttonStyle = ByBorder[FNativeStyle ? FBaseStyle->BorderStyle() : FStyle->BorderStyle()];
    } else {
      static constexpr TcxEditButtonStyle ByKind[] = {btsFlat, bts3D, btsUltraFlat, btsOffice11};
      buttonStyle = ByKind[AViewInfo->LookAndFeelKind];
    }
  }

  bool fontPrepared = false;
  for (int v = int(visibleIndexes.size()) - 1; v >= 0; --v) {
    const int index = visibleIndexes[std::size_t(v)];
    if (!fontPrepared && buttons->Items(index)->Kind() == bkText) {
      ACanvas->SetFont(FStyle->GetVisibleFont());
      AViewInfo->PrepareCanvasFont(ACanvas);
      fontPrepared = true;
    }
    AViewInfo->Button(v)->ButtonStyle = buttonStyle;
    CalculateButtonViewInfo(ACanvas, AViewInfo, v, index);
    CalculateButtonBounds(ACanvas, AViewInfo, v, ABounds);
    if (AViewInfo->Button(v)->LeftAlignment) {
      LeftAlignedButtonFirst = v;
      if (LeftAlignedButtonLast < 0)
        LeftAlignedButtonLast = v;
    } else {
      RightAlignedButtonFirst = v;
      if (RightAlignedButtonLast < 0)
        RightAlignedButtonLast = v;
    }
  }

  // A buttons-only view shares what is left among the stretchable buttons, in proportion to their widths.
  const int left = ABounds.right - ABounds.left;
  if (FButtonsOnly && left > 0) {
    bool anyStretchable = false;
    for (auto& b : AViewInfo->ButtonsInfo)
      anyStretchable = anyStretchable || b->Stretchable;
    int total = 0;
    for (auto& b : AViewInfo->ButtonsInfo)
      if (!anyStretchable || b->Stretchable)
        total += b->Bounds.right - b->Bounds.left;
    int remaining = left;
    std::vector<int> extra(AViewInfo->ButtonsInfo.size(), 0);
    int lastHandled = -1;
    for (int v = AViewInfo->ButtonCount() - 1; v >= 0 && total > 0; --v) {
      TcxEditButtonViewInfo* b = AViewInfo->Button(v);
      if (anyStretchable && !b->Stretchable)
        continue;
      extra[std::size_t(v)] = MulDiv(left, b->Bounds.right - b->Bounds.left, total);
      remaining -= extra[std::size_t(v)];
      lastHandled = v;
    }
    if (lastHandled >= 0)
      extra[std::size_t(lastHandled)] += remaining;
    // Re-place the buttons from the outer edges inwards with their new widths.
    int x = area.right;
    for (int v = AViewInfo->ButtonCount() - 1; v >= 0; --v) {
      TcxEditButtonViewInfo* b = AViewInfo->Button(v);
      if (b->LeftAlignment)
        continue;
      const int w = b->Bounds.right - b->Bounds.left + extra[std::size_t(v)];
      b->Bounds.right = x;
      b->Bounds.left = x - w;
      b->VisibleBounds = b->Bounds;
      x -= w;
    }
    int lx = area.left;
    for (int v = AViewInfo->ButtonCount() - 1; v >= 0; --v) {
      TcxEditButtonViewInfo* b = AViewInfo->Button(v);
      if (!b->LeftAlignment)
        continue;
      const int w = b->Bounds.right - b->Bounds.left + extra[std::size_t(v)];
      b->Bounds.left = lx;
      b->Bounds.right = lx + w;
      b->VisibleBounds = b->Bounds;
      lx += w;
    }
  }

  // States.
  const int captured = GetCapturedButtonIndex();
  const bool leftHeld = Shift.Contains(ssLeft) && !Shift.Contains(ssRight) && !Shift.Contains(ssMiddle);
  const bool mouseDown = AIsMouseEvent && Button == cxmbLeft && Shift.Contains(ssLeft);
  for (int v = 0; v < AViewInfo->ButtonCount(); ++v) {
    TcxEditButtonViewInfo* view = AViewInfo->Button(v);
    TcxEditButton* button = buttons->Items(view->Index);
    const TcxEditButtonState was = v < int(previous.size()) ? previous[std::size_t(v)] : ebstNormal;
    TcxEditButtonState state = ebstNormal;
    if (!Enabled || !button->Enabled())
      state = ebstDisabled;
    else if (IsButtonPressed(AViewInfo, v))
      state = ebstPressed;
    else if (IsDesigning || !PtInRect(&view->VisibleBounds, P))
      state = ebstNormal;
    else if (Shift.Empty() ||
             (!Shift.Contains(ssLeft) && !Shift.Contains(ssRight) && !Shift.Contains(ssMiddle))) {
      state = ebstHot;
      AViewInfo->HotButtonIndex = v;
    } else if (leftHeld) {
      if ((mouseDown && CanPressButton(AViewInfo, v)) || captured == v || was == ebstPressed)
        state = ebstPressed;
      else if (captured == v && CanPressButton(AViewInfo, v))
        state = ebstPressed;
    }
    view->State = state;
    if (state == ebstPressed) {
      AViewInfo->PressedButtonIndex = v;
      AViewInfo->HasPressedButton = true;
    }
    CalculateButtonNativeInfo(view);
  }

  // Edge flags for the painter.
  for (int v = 0; v < AViewInfo->ButtonCount(); ++v) {
    TcxEditButtonViewInfo* view = AViewInfo->Button(v);
    view->IsOuterEdge = v == LeftAlignedButtonLast || v == RightAlignedButtonLast;
    view->IsInnerEdge = v == LeftAlignedButtonFirst || v == RightAlignedButtonFirst;
  }
}

TSize GetEditContentSizeCorrection(TcxCustomEditViewData* AViewData) {
  if (!AViewData->NativeStyle())
    return TSize{3, 4};
  return TSize{3, AViewData->Properties()->Buttons()->VisibleCount() > 0 ? 3 : 2};
}

TRect GetEditBorderExtent(TcxCustomEditViewData* AViewData) {
  TcxCustomEditStyle* style = AViewData->Style();
  TRect r{};
  // A transparent border keeps the widest border's room, as containers do, and paints what it does not use
  // in the background colour.
  if (style->TransparentBorder()) {
    r = TRect{cxContainerMaxBorderWidth, cxContainerMaxBorderWidth, cxContainerMaxBorderWidth,
              cxContainerMaxBorderWidth};
  } else if (style->HasBorder()) {
    if (AViewData->NativeStyle()) {
      const int w = AViewData->BaseStyle()->BorderStyle() == ebsNone ? 0 : cxContainerMaxBorderWidth;
      r = TRect{w, w, w, w};
    } else {
      const int w = GetContainerBorderWidth(AViewData->GetBorderStyle());
      const TcxBorders edges = style->Edges();
      r = TRect{edges.Contains(bLeft) ? w : 0, edges.Contains(bTop) ? w : 0, edges.Contains(bRight) ? w : 0,
                edges.Contains(bBottom) ? w : 0};
    }
  }
  if (AViewData->HasShadow()) {
    r.right += cxContainerShadowWidth;
    r.bottom += cxContainerShadowWidth;
  }
  return r;
}

TRect GetEditNativeBorderExtent(TcxCanvas* ACanvas, TcxCustomEditViewData* AViewData) {
  TcxCustomEditStyle* style = AViewData->Style();
  if (style->TransparentBorder() || AViewData->BaseStyle()->BorderStyle() == ebsNone)
    return TRect{};
  HTHEME theme = OpenTheme(totEdit);
  if (!theme)
    return TRect{cxContainerMaxBorderWidth, cxContainerMaxBorderWidth, cxContainerMaxBorderWidth,
                 cxContainerMaxBorderWidth};
  const TRect outer{0, 0, 100, 100};
  RECT content = outer;
  GetThemeBackgroundContentRect(theme, ACanvas ? ACanvas->Handle() : nullptr, 1, 1, &outer, &content);
  return TRect{content.left - outer.left, content.top - outer.top, outer.right - content.right,
               outer.bottom - content.bottom};
}

TColor GetEditBackgroundColor(TcxCustomEditViewData* AViewData, TcxCustomEditViewInfo* AViewInfo) {
  const TColor color = AViewData->Style()->Color();
  if (!AViewData->NativeStyle() || AViewData->Enabled)
    return color;
  HTHEME theme = OpenTheme(totEdit);
  COLORREF themed = 0;
  if (theme && GetThemeColor(theme, 1, AViewInfo ? AViewInfo->ThemeState : 4, TMT_FILLCOLOR, &themed) == S_OK)
    return TColor(themed);
  return color;
}

bool HasEditShadow(TcxCustomEditViewData* AViewData) {
  return AViewData->Style()->Shadow() && !AViewData->NativeStyle();
}

void DrawEditBorderAndButtons(TcxCustomEditViewInfo* AViewInfo, TcxCanvas* ACanvas) {
  TcxCustomEditViewInfo& vi = *AViewInfo;
  HDC dc = ACanvas->Handle();
  const int saved = SaveDC(dc);
  for (auto& button : vi.ButtonsInfo)
    if (!IsRectEmpty(&button->VisibleBounds))
      ACanvas->ExcludeClipRect(button->VisibleBounds);
  TRect inner = vi.Bounds;
  InsetRectByRect(inner, vi.BorderExtent);
  if (vi.NativeStyle && vi.BorderStyle != ebsNone && OpenTheme(totEdit)) {
    const int state = vi.ThemeState ? vi.ThemeState : 1;
    const int nativeSaved = SaveDC(dc);
    DrawThemeBackground(OpenTheme(totEdit), dc, 1, state, &vi.Bounds, nullptr);
    RestoreDC(dc, nativeSaved);
    FillRectWithBrush(dc, inner, GetSolidBrush(vi.BackgroundColor));
  } else {
    TRect frame = inner;
    const int w = vi.BorderWidth;
    if (w > 0) {
      if (vi.Edges.Contains(bLeft))
        frame.left -= w;
      if (vi.Edges.Contains(bTop))
        frame.top -= w;
      if (vi.Edges.Contains(bRight))
        frame.right += w;
      if (vi.Edges.Contains(bBottom))
        frame.bottom += w;
    }
    if (vi.Shadow)
      DrawContainerShadow(ACanvas, frame);
    vi.DrawBorder(ACanvas, frame);
    // Anything between the frame and the bounds (a transparent border) takes the background too.
    FillFrameWithBrush(ACanvas,
                       vi.Shadow
                           ? TRect{vi.Bounds.left, vi.Bounds.top, vi.Bounds.right - cxContainerShadowWidth,
                                   vi.Bounds.bottom - cxContainerShadowWidth}
                           : vi.Bounds,
                       frame, GetSolidBrush(vi.BackgroundColor));
    FillRectWithBrush(dc, inner, GetSolidBrush(vi.BackgroundColor));
  }
  RestoreDC(dc, saved);
  for (int i = 0; i < vi.ButtonCount(); ++i) {
    TcxEditButtonViewInfo* button = vi.Button(i);
    if (IsRectEmpty(&button->Bounds))
      continue;
    const bool clipped = !EqualRect(&button->Bounds, &button->VisibleBounds);
    int buttonSaved = 0;
    if (clipped) {
      buttonSaved = SaveDC(dc);
      ACanvas->IntersectClipRect(button->VisibleBounds);
    }
    vi.DrawButton(ACanvas, i);
    if (clipped)
      RestoreDC(dc, buttonSaved);
  }
}
