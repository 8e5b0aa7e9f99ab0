#include <algorithm>

#include "lookandfeel/cxContainer.h"

namespace {

const char* const StyleValueNames[] = {"BorderColor", "BorderStyle",      "Color",  "Edges",
                                       "Font",        "HotTrack",         "Shadow", "TextColor",
                                       "TextStyle",   "TransparentBorder"};

// Border style of a state style by row (the state when the style hot-tracks or is disabled, else normal) and
// by the base style's border style.
constexpr TcxContainerBorderStyle StateBorderStyles[4][7] = {
    {cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11},
    {cbsFlat, cbsThick, cbsThick, cbs3D, cbs3D, cbsUltraFlat, cbsOffice11},
    {cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11},
    {cbsFlat, cbsThick, cbsThick, cbs3D, cbs3D, cbsUltraFlat, cbsOffice11},
};

TcxStyleController* DefaultContainerStyleController = nullptr; // borrowed: the edit framework owns it

} // namespace

std::uint32_t cxStyleValuesMask(const TcxContainerStyleValues& AValues) {
  std::uint32_t mask = 0;
  for (int i = 0; i < 32; ++i)
    if (AValues.Contains(i))
      mask |= std::uint32_t(1) << i;
  return mask;
}

TcxContainerStyleValues cxStyleValuesFromMask(std::uint32_t AMask) {
  TcxContainerStyleValues values;
  for (int i = 0; i < 32; ++i)
    if (AMask & (std::uint32_t(1) << i))
      values.Include(i);
  return values;
}

TcxStyleController* GetDefaultContainerStyleController() {
  return DefaultContainerStyleController;
}
void SetDefaultContainerStyleController(TcxStyleController* Value) {
  DefaultContainerStyleController = Value;
}

TcxContainerStyle::TcxContainerStyle(TPersistent* AOwner, bool ADirectAccessMode,
                                     TcxContainerStyle* AParentStyle, TcxContainerStyleState AState)
    : FDirectAccessMode(ADirectAccessMode), FOwner(AOwner),
      FParentStyle(AState != cssNormal ? AParentStyle : nullptr),
      FState(AState != cssNormal && AParentStyle ? AState : cssNormal) {
  if (FDirectAccessMode)
    FAssignedValues = {csvColor, csvFont, csvTextColor, csvTextStyle};
  if (IsBaseStyle() && !FDirectAccessMode) {
    FOwnFont.reset(new TFont);
    FOwnFont->OnChange = TNotifyEvent(this, &TcxContainerStyle::FontChanged);
    FFont = FOwnFont.get();
  }
  FVisibleFont.reset(new TFont);
  if (IsBaseStyle()) {
    FLookAndFeel.reset(new TcxLookAndFeel(this));
    FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent(this, &TcxContainerStyle::LookAndFeelChanged);
    SetStyleController(nullptr);
  }
}

TcxContainerStyle::~TcxContainerStyle() {
  FIsDestroying = true;
  if (IsBaseStyle() && FStyleController)
    FStyleController->RemoveListener(this);
  FLookAndFeel.reset();
  FVisibleFont.reset();
  if (FOwnFont)
    FOwnFont->OnChange = {};
  FOwnFont.reset();
}

void TcxContainerStyle::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) {
  Changed();
}

void TcxContainerStyle::EndUpdate() {
  if (FUpdateCount > 0)
    --FUpdateCount;
  DoChanged();
}

void TcxContainerStyle::Changed() {
  FModified = true;
  DoChanged();
}

void TcxContainerStyle::DoChanged() {
  if (!FModified || FUpdateCount != 0)
    return;
  FModified = false;
  if (!FIsDestroying && !FDirectAccessMode && OnChanged)
    OnChanged(this);
}

IcxContainerStyleHost* TcxContainerStyle::GetHost() const {
  return dynamic_cast<IcxContainerStyleHost*>(FOwner);
}

TcxStyleController* TcxContainerStyle::GetActiveStyleController() {
  return GetBaseStyle()->FStyleController;
}

TcxContainerStyle* TcxContainerStyle::ControllerStyle() {
  TcxStyleController* controller = GetActiveStyleController();
  return controller ? controller->Styles()->GetStyleByIndex(FState) : nullptr;
}

void TcxContainerStyle::AddValue(TcxContainerStyleValue AValue) {
  FAssignedValues.Include(AValue);
  Changed();
}

TFont* TcxContainerStyle::GetVisibleFont() {
  if (TFont* font = Font())
    FVisibleFont->Assign(font);
  FVisibleFont->SetColor(TextColor());
  FVisibleFont->SetStyle(TextStyle());
  return FVisibleFont.get();
}

bool TcxContainerStyle::GetStyleValueName(TcxContainerStyleValue AValue, AnsiString& AName) const {
  if (AValue < 0 || AValue >= 10) {
    AName.clear();
    return false;
  }
  AName = StyleValueNames[AValue];
  return true;
}

TcxContainerStyleValues TcxContainerStyle::GetBaseOnlyValues() const {
  return {csvEdges, csvFont, csvHotTrack, csvShadow, csvTransparentBorder};
}

bool TcxContainerStyle::IsPropertyUsedByStateStyle(const AnsiString& APropertyName) const {
  if (SameText(APropertyName, "LookAndFeel") || SameText(APropertyName, "StyleController"))
    return false;
  for (int i = 0; i < GetStyleValueCount(); ++i) {
    AnsiString name;
    if (GetStyleValueName(i, name) && SameText(name, APropertyName))
      return !GetBaseOnlyValues().Contains(i);
  }
  return true;
}

bool TcxContainerStyle::IsValueStored(TcxContainerStyleValue AValue) {
  if (!FAssignedValues.Contains(AValue))
    return false;
  IcxContainerStyleHost* host = GetHost();
  AnsiString name;
  if (!host || !GetStyleValueName(AValue, name))
    return true;
  return host->IsStylePropertyUsed(name, FState != cssNormal);
}

bool TcxContainerStyle::IsValueAssigned(TcxContainerStyleValue AValue) {
  TColor color;
  TcxContainerBorderStyle borderStyle;
  TcxBorders edges;
  TFont* font;
  bool flag;
  TFontStyles textStyle;
  switch (AValue) {
  case csvBorderColor:
    return LookupBorderColor(color);
  case csvBorderStyle:
    return LookupBorderStyle(borderStyle);
  case csvColor:
    return LookupColor(color);
  case csvEdges:
    return LookupEdges(edges);
  case csvFont:
    return LookupFont(font);
  case csvHotTrack:
    return LookupHotTrack(flag);
  case csvShadow:
    return LookupShadow(flag);
  case csvTextColor:
    return LookupTextColor(color);
  case csvTextStyle:
    return LookupTextStyle(textStyle);
  default:
    return false;
  }
}

// Each lookup answers the style's own stored value, else asks the controller's style of the same state,
// whose base style may in turn follow a further controller.
#define CX_STYLE_LOOKUP(Name, Type, Value, Field)                                                            \
  bool TcxContainerStyle::Lookup##Name(Type& AValue) {                                                       \
    if (HasOwnValue(Value)) {                                                                                \
      AValue = Field;                                                                                        \
      return true;                                                                                           \
    }                                                                                                        \
    TcxContainerStyle* source = ControllerStyle();                                                           \
    return source && source->Lookup##Name(AValue);                                                           \
  }
CX_STYLE_LOOKUP(BorderColor, TColor, csvBorderColor, FBorderColor)
CX_STYLE_LOOKUP(BorderStyle, TcxContainerBorderStyle, csvBorderStyle, FBorderStyle)
CX_STYLE_LOOKUP(Color, TColor, csvColor, FColor)
CX_STYLE_LOOKUP(Edges, TcxBorders, csvEdges, FEdges)
CX_STYLE_LOOKUP(Font, TFont*, csvFont, FFont)
CX_STYLE_LOOKUP(HotTrack, bool, csvHotTrack, FHotTrack)
CX_STYLE_LOOKUP(Shadow, bool, csvShadow, FShadow)
CX_STYLE_LOOKUP(TextColor, TColor, csvTextColor, FTextColor)
CX_STYLE_LOOKUP(TextStyle, TFontStyles, csvTextStyle, FTextStyle)
CX_STYLE_LOOKUP(TransparentBorder, bool, csvTransparentBorder, FTransparentBorder)
#undef CX_STYLE_LOOKUP

TcxContainerStyleValues TcxContainerStyle::AssignedValues() const {
  if (!FDirectAccessMode)
    return FAssignedValues;
  TcxContainerStyleValues all;
  for (int i = 0; i < GetStyleValueCount(); ++i)
    all.Include(i);
  return all;
}

void TcxContainerStyle::SetAssignedValues(const TcxContainerStyleValues& Value) {
  if (FAssignedValues == Value)
    return;
  FAssignedValues = Value;
  if (IsBaseStyle())
    UpdateFont();
  Changed();
}

TColor TcxContainerStyle::BorderColor() {
  if (FDirectAccessMode)
    return clDefault;
  TColor value;
  return LookupBorderColor(value) ? value : DefaultBorderColor();
}

void TcxContainerStyle::SetBorderColor(TColor Value) {
  if (HasOwnValue(csvBorderColor) && FBorderColor == Value)
    return;
  FBorderColor = Value;
  AddValue(csvBorderColor);
}

TcxContainerBorderStyle TcxContainerStyle::BorderStyle() {
  TcxContainerBorderStyle value;
  if (FDirectAccessMode)
    return HasOwnValue(csvBorderStyle) ? FBorderStyle : DefaultBorderStyle();
  return LookupBorderStyle(value) ? value : DefaultBorderStyle();
}

void TcxContainerStyle::SetBorderStyle(TcxContainerBorderStyle Value) {
  if (HasOwnValue(csvBorderStyle) && FBorderStyle == Value)
    return;
  FBorderStyle = Value;
  AddValue(csvBorderStyle);
}

TColor TcxContainerStyle::GetColor() {
  if (FDirectAccessMode)
    return FColor;
  TColor value;
  if (IsBaseStyle()) {
    IcxContainerStyleHost* host = GetHost();
    if (host && host->StyleHostParentColor(value))
      return value;
  }
  return LookupColor(value) ? value : DefaultColor();
}

TColor TcxContainerStyle::GetActualColor() {
  if (FDirectAccessMode)
    return FColor;
  TColor value;
  if (LookupColor(value))
    return value;
  IcxContainerStyleHost* host = GetHost();
  if (IsBaseStyle() && host && !host->StyleHostIsInplace() && host->StyleHostParentColor(value))
    return value;
  return DefaultColor();
}

void TcxContainerStyle::SetColor(TColor Value) {
  if (HasOwnValue(csvColor) && FColor == Value)
    return;
  FColor = Value;
  AddValue(csvColor);
}

TcxBorders TcxContainerStyle::Edges() {
  if (FDirectAccessMode)
    return {};
  if (!IsBaseStyle())
    return FParentStyle->Edges();
  TcxBorders value;
  return LookupEdges(value) ? value : DefaultEdges();
}

void TcxContainerStyle::SetEdges(TcxBorders Value) {
  if (!IsBaseStyle())
    return FParentStyle->SetEdges(Value);
  if (HasOwnValue(csvEdges) && FEdges == Value)
    return;
  FEdges = Value;
  AddValue(csvEdges);
}

TFont* TcxContainerStyle::Font() {
  return IsBaseStyle() ? FFont : FParentStyle->Font();
}

void TcxContainerStyle::SetFont(TFont* Value) {
  if (!IsBaseStyle())
    return FParentStyle->SetFont(Value);
  if (FDirectAccessMode) {
    FFont = Value;
    return;
  }
  if (Value)
    FFont->Assign(Value);
  if (!HasOwnValue(csvFont))
    AddValue(csvFont);
}

bool TcxContainerStyle::HotTrack() {
  if (FDirectAccessMode)
    return HasOwnValue(csvHotTrack) ? FHotTrack : DefaultHotTrack();
  if (!IsBaseStyle())
    return FParentStyle->HotTrack();
  bool value;
  return LookupHotTrack(value) ? value : DefaultHotTrack();
}

void TcxContainerStyle::SetHotTrack(bool Value) {
  if (!IsBaseStyle())
    return FParentStyle->SetHotTrack(Value);
  if (HasOwnValue(csvHotTrack) && FHotTrack == Value)
    return;
  FHotTrack = Value;
  AddValue(csvHotTrack);
}

bool TcxContainerStyle::Shadow() {
  if (FDirectAccessMode)
    return false;
  if (!IsBaseStyle())
    return FParentStyle->Shadow();
  bool value;
  return LookupShadow(value) ? value : DefaultShadow();
}

void TcxContainerStyle::SetShadow(bool Value) {
  if (!IsBaseStyle())
    return FParentStyle->SetShadow(Value);
  if (HasOwnValue(csvShadow) && FShadow == Value)
    return;
  FShadow = Value;
  AddValue(csvShadow);
}

TColor TcxContainerStyle::GetTextColor() {
  if (FDirectAccessMode)
    return FTextColor;
  TColor value;
  return LookupTextColor(value) ? value : DefaultTextColor();
}

void TcxContainerStyle::SetTextColor(TColor Value) {
  if (HasOwnValue(csvTextColor) && GetTextColor() == Value)
    return;
  FTextColor = Value;
  AddValue(csvTextColor);
}

TFontStyles TcxContainerStyle::GetTextStyle() {
  if (FDirectAccessMode) {
    TFont* font = Font();
    return font ? font->Style() : TFontStyles{};
  }
  TFontStyles value;
  return LookupTextStyle(value) ? value : DefaultTextStyle();
}

void TcxContainerStyle::SetTextStyle(TFontStyles Value) {
  if (HasOwnValue(csvTextStyle) && GetTextStyle() == Value)
    return;
  FTextStyle = Value;
  AddValue(csvTextStyle);
}

bool TcxContainerStyle::TransparentBorder() {
  if (FDirectAccessMode)
    return true;
  if (!IsBaseStyle())
    return FParentStyle->TransparentBorder();
  bool value;
  return LookupTransparentBorder(value) ? value : DefaultTransparentBorder();
}

void TcxContainerStyle::SetTransparentBorder(bool Value) {
  if (!IsBaseStyle())
    return FParentStyle->SetTransparentBorder(Value);
  if (HasOwnValue(csvTransparentBorder) && FTransparentBorder == Value)
    return;
  FTransparentBorder = Value;
  AddValue(csvTransparentBorder);
}

TColor TcxContainerStyle::DefaultBorderColor() {
  if (FState == cssDisabled)
    return clBtnShadow;
  return IsBaseStyle() ? clWindowFrame : FParentStyle->BorderColor();
}

TcxContainerBorderStyle TcxContainerStyle::DefaultBorderStyle() {
  if (IsBaseStyle()) {
    switch (LookAndFeel()->Kind()) {
    case lfFlat:
      return cbsFlat;
    case lfStandard:
      return cbs3D;
    case lfOffice11:
      return cbsOffice11;
    default:
      return cbsUltraFlat;
    }
  }
  const int row = (HotTrack() || FState == cssDisabled) ? int(FState) : 0;
  return StateBorderStyles[row][int(FParentStyle->BorderStyle())];
}

TColor TcxContainerStyle::DefaultColor() {
  if (FState == cssDisabled)
    return clBtnFace;
  if (!IsBaseStyle())
    return FParentStyle->Color();
  IcxContainerStyleHost* host = GetHost();
  return host && !host->StyleHostDefaultParentColor() ? clWindow : clBtnFace;
}

TColor TcxContainerStyle::DefaultTextColor() {
  if (FState == cssDisabled)
    return clBtnShadow;
  if (!IsBaseStyle())
    return FParentStyle->TextColor();
  TFont* font = Font();
  return font ? font->Color() : clWindowText;
}

TFontStyles TcxContainerStyle::DefaultTextStyle() {
  if (!IsBaseStyle())
    return FParentStyle->TextStyle();
  TFont* font = Font();
  return font ? font->Style() : TFontStyles{};
}

void TcxContainerStyle::FontChanged(TObject*) {
  if (FFontUpdating == 0)
    FAssignedValues.Include(csvFont);
  Changed();
}

void TcxContainerStyle::ResetFont() {
  // A reset to the platform's font is no value set by anyone: it must not mark the font assigned.
  struct Updating {
    int& count;
    explicit Updating(int& c) : count(c) { ++count; }
    ~Updating() { --count; }
  } updating(FFontUpdating);
  std::unique_ptr<TFont, TObjectDeleter> fresh(new TFont);
  FFont->Assign(fresh.get());
}

void TcxContainerStyle::UpdateFont() {
  if (FDirectAccessMode || !FOwnFont || HasOwnValue(csvFont))
    return;
  ++FFontUpdating;
  try {
    TFont* font = nullptr;
    TcxContainerStyle* source = ControllerStyle();
    IcxContainerStyleHost* host = GetHost();
    if (source && source->LookupFont(font) && font)
      FFont->Assign(font);
    else if (!host || !host->StyleHostParentFont())
      ResetFont();
  } catch (...) {
    --FFontUpdating;
    throw;
  }
  --FFontUpdating;
}

void TcxContainerStyle::ControllerChanged() {
  // The font refresh reports its own change; one notification covers both.
  BeginUpdate();
  try {
    UpdateFont();
  } catch (...) {
    EndUpdate();
    throw;
  }
  Changed();
  EndUpdate();
}

void TcxContainerStyle::ControllerFreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent != FStyleController)
    return;
  if (AComponent != GetDefaultStyleController())
    return SetStyleController(nullptr);
  // The default controller itself is going: nothing is left to fall back on.
  FStyleController->RemoveListener(this);
  FStyleController = nullptr;
  ControllerChanged();
}

TcxStyleController* TcxContainerStyle::GetDefaultStyleController() {
  return GetDefaultContainerStyleController();
}

TcxStyleController* TcxContainerStyle::StyleController() {
  TcxStyleController* controller = GetActiveStyleController();
  return controller == GetBaseStyle()->GetDefaultStyleController() ? nullptr : controller;
}

bool TcxContainerStyle::WouldLoop(TcxStyleController* AValue) {
  // Follows the controllers from the value's base style; meeting this style again would make it its own
  // source.
  std::vector<TcxStyleController*> seen;
  for (TcxStyleController* c = AValue; c; c = c->Style()->FStyleController) {
    if (c->Style() == this)
      return true;
    if (std::find(seen.begin(), seen.end(), c) != seen.end())
      return true;
    seen.push_back(c);
  }
  return false;
}

void TcxContainerStyle::SetStyleController(TcxStyleController* Value) {
  if (!IsBaseStyle())
    return FParentStyle->SetStyleController(Value);
  TcxStyleController* defaultController = GetDefaultStyleController();
  if (defaultController && defaultController == FOwner)
    return;
  if (!Value)
    Value = defaultController;
  if (Value && WouldLoop(Value))
    return;
  if (Value == FStyleController)
    return;
  // Re-mastering the look-and-feel reports a change as well; one notification covers the whole switch.
  BeginUpdate();
  try {
    if (FStyleController)
      FStyleController->RemoveListener(this);
    FStyleController = Value;
    if (FStyleController)
      FStyleController->AddListener(this);
    ControllerChanged();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxContainerStyle::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxContainerStyle*>(Source);
  if (!source)
    return TPersistent::Assign(Source);
  BeginUpdate();
  try {
    if (IsBaseStyle()) {
      SetStyleController(source->StyleController());
      LookAndFeel()->Assign(source->LookAndFeel());
    }
    FBorderColor = source->FBorderColor;
    FBorderStyle = source->FBorderStyle;
    FEdges = source->FEdges;
    FHotTrack = source->FHotTrack;
    FShadow = source->FShadow;
    FTransparentBorder = source->FTransparentBorder;
    FColor = source->FColor;
    if (FDirectAccessMode) {
      FFont = source->Font();
      FTextColor = source->GetTextColor();
    } else if (FOwnFont) {
      ++FFontUpdating;
      if (TFont* font = source->Font())
        FFont->Assign(font);
      if (source->FDirectAccessMode)
        FFont->SetColor(source->GetTextColor());
      --FFontUpdating;
      FTextColor = source->GetTextColor();
      FTextStyle = source->GetTextStyle();
    } else {
      FTextColor = source->GetTextColor();
      FTextStyle = source->GetTextStyle();
    }
    FAssignedValues = source->FAssignedValues;
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxContainerStyle::RestoreDefaults() {
  BeginUpdate();
  try {
    SetAssignedValues({});
    if (IsBaseStyle()) {
      LookAndFeel()->SetAssignedValues({});
      if (IcxContainerStyleHost* host = GetHost()) {
        // What the controller supplies comes from the controller, as for a container that never had values
        // of its own; only the rest is the parent's.
        TColor color;
        TFont* font = nullptr;
        TcxContainerStyle* controllerStyle = ControllerStyle();
        const bool controllerColor = controllerStyle && controllerStyle->LookupColor(color);
        const bool controllerFont = controllerStyle && controllerStyle->LookupFont(font) && font;
        host->StyleHostRestoreParentDefaults(host->StyleHostDefaultParentColor() && !controllerColor,
                                             !controllerFont);
        // A font set on the control itself went into the own font without marking it assigned.
        if (controllerFont)
          UpdateFont();
      } else if (!FDirectAccessMode) {
        ResetFont();
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TcxContainerStyles::TcxContainerStyles(TPersistent* AOwner, TcxContainerStyleClass AStyleClass) {
  TcxContainerStyleClass cls = AStyleClass ? AStyleClass : TcxContainerStyle::StaticClass();
  FStyles[0].reset(NewInstance<TcxContainerStyle>(cls, AOwner, false, nullptr, cssNormal));
  for (int i = 1; i < 4; ++i)
    FStyles[std::size_t(i)].reset(
        NewInstance<TcxContainerStyle>(cls, AOwner, false, FStyles[0].get(), TcxContainerStyleState(i)));
}

TcxContainerStyles::~TcxContainerStyles() {
  for (int i = 3; i >= 0; --i)
    FStyles[std::size_t(i)].reset();
}

void TcxContainerStyles::SetOnChanged(TNotifyEvent Value) {
  for (auto& style : FStyles)
    style->OnChanged = Value;
}

TcxStyleController::TcxStyleController(TComponent* AOwner) : TComponent(AOwner) {
  CreateStyles();
}

void TcxStyleController::CreateStyles() {
  FStyles.reset();
  FStyles.reset(
      NewInstance<TcxContainerStyles>(GetStylesClass(), static_cast<TPersistent*>(this), GetStyleClass()));
  FStyles->SetOnChanged(TNotifyEvent(this, &TcxStyleController::StyleChanged));
}

TcxStyleController::~TcxStyleController() {
  *FAlive = false;
  FIsDestroying = true;
  // Each listener detaches itself, which may attach it to the default controller instead; the handlers this
  // raises may free other listeners, which leave the list as they go.
  std::vector<TcxContainerStyle*> listeners = FListeners;
  for (TcxContainerStyle* style : listeners)
    if (HasListener(style))
      style->ControllerFreeNotification(this);
  FListeners.clear();
  FStyles.reset();
}

void TcxStyleController::Loaded() {
  TComponent::Loaded();
  StyleChanged(this);
}

bool TcxStyleController::HasListener(TcxContainerStyle* AStyle) const {
  return std::find(FListeners.begin(), FListeners.end(), AStyle) != FListeners.end();
}

void TcxStyleController::AddListener(TcxContainerStyle* AStyle) {
  if (!AStyle || HasListener(AStyle))
    return;
  FListeners.push_back(AStyle);
  AStyle->LookAndFeel()->SetMasterLookAndFeel(Style()->LookAndFeel());
}

void TcxStyleController::RemoveListener(TcxContainerStyle* AStyle) {
  auto it = std::find(FListeners.begin(), FListeners.end(), AStyle);
  if (it == FListeners.end())
    return;
  FListeners.erase(it);
  if (!AStyle->IsDestroying())
    AStyle->LookAndFeel()->SetMasterLookAndFeel(nullptr);
}

void TcxStyleController::StyleChanged(TObject*) {
  const std::shared_ptr<const bool> alive = FAlive;
  if (OnStyleChanged)
    OnStyleChanged(this);
  if (!*alive || FIsDestroying)
    return;
  // A listener's handler may attach or detach styles, or free the controller; walk a copy and skip the ones
  // that left.
  std::vector<TcxContainerStyle*> listeners = FListeners;
  for (TcxContainerStyle* style : listeners) {
    if (!*alive)
      return;
    if (HasListener(style))
      style->ControllerChanged();
  }
}
