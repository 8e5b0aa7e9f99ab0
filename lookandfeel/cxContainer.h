#pragma once
// The styled container of the control library: four state styles resolved through their own values, a chain
// of style controllers and computed defaults; the container control that hosts one platform control inside
// its border; its view info; the popup window with the hooks that close it; and the inner list box.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"
#include "platform/controls/Graphics.h"

// The index of a style value; it is also the bit number in TcxContainerStyleValues. Descendant styles add
// their own values after the ten of the base class.
using TcxContainerStyleValue = int;
using TcxContainerStyleValues = TSet<TcxContainerStyleValue, 32>;
constexpr TcxContainerStyleValue csvBorderColor = 0, csvBorderStyle = 1, csvColor = 2, csvEdges = 3,
                                 csvFont = 4, csvHotTrack = 5, csvShadow = 6, csvTextColor = 7,
                                 csvTextStyle = 8, csvTransparentBorder = 9;
// The bit mask of a value set, as the values are written in a form.
std::uint32_t cxStyleValuesMask(const TcxContainerStyleValues& AValues);
TcxContainerStyleValues cxStyleValuesFromMask(std::uint32_t AMask);

enum TcxContainerStyleState { cssNormal, cssFocused, cssDisabled, cssHot };
enum TcxContainerBorderStyle { cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11 };

class TcxContainerStyle;
class TcxStyleController;

// What a style needs to know of the container that owns it; a style owned by anything else uses defaults.
class IcxContainerStyleHost {
public:
  virtual ~IcxContainerStyleHost() = default;
  virtual bool IsStylePropertyUsed(const AnsiString& APropertyName, bool AIsStateStyle) = 0;
  // The parent's colour when the host follows its parent's colour and has a parent.
  virtual bool StyleHostParentColor(TColor& AColor) = 0;
  virtual bool StyleHostDefaultParentColor() = 0;
  virtual bool StyleHostIsInplace() = 0;
  virtual bool StyleHostParentFont() = 0;
  virtual void StyleHostRestoreParentDefaults(bool AParentColor) = 0;
};

class TcxContainerStyle : public TPersistent {
  PELVOR_CLASS(TcxContainerStyle, TPersistent)

  using TCreateArgs = std::tuple<TPersistent*, bool, TcxContainerStyle*, TcxContainerStyleState>;
  TcxContainerStyle(TPersistent* AOwner, bool ADirectAccessMode, TcxContainerStyle* AParentStyle = nullptr,
                    TcxContainerStyleState AState = cssNormal);
  ~TcxContainerStyle() override;
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return FOwner; }

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  TFont* GetVisibleFont();
  bool IsBaseStyle() const { return FParentStyle == nullptr; }
  TcxContainerStyle* GetBaseStyle() { return FParentStyle ? FParentStyle : this; }
  IcxContainerStyleHost* GetHost() const;
  TcxStyleController* GetActiveStyleController();
  TcxContainerStyleState State() const { return FState; }
  bool DirectAccessMode() const { return FDirectAccessMode; }
  bool IsDestroying() const { return FIsDestroying; }

  virtual int GetStyleValueCount() const { return 10; }
  virtual bool GetStyleValueName(TcxContainerStyleValue AValue, AnsiString& AName) const;
  virtual TcxContainerStyleValues GetBaseOnlyValues() const;
  virtual bool IsValueAssigned(TcxContainerStyleValue AValue);
  virtual bool HasBorder() { return IsBaseStyle() ? true : FParentStyle->HasBorder(); }
  virtual void RestoreDefaults();
  bool IsPropertyUsedByStateStyle(const AnsiString& APropertyName) const;
  // Whether the value is written when a form is saved.
  bool IsValueStored(TcxContainerStyleValue AValue);

  TcxContainerStyleValues AssignedValues() const;
  void SetAssignedValues(const TcxContainerStyleValues& Value);
  TColor BorderColor();
  void SetBorderColor(TColor Value);
  TcxContainerBorderStyle BorderStyle();
  void SetBorderStyle(TcxContainerBorderStyle Value);
  TColor Color() { return GetColor(); }
  void SetColor(TColor Value);
  TcxBorders Edges();
  void SetEdges(TcxBorders Value);
  TFont* Font();
  void SetFont(TFont* Value);
  bool HotTrack();
  void SetHotTrack(bool Value);
  TcxLookAndFeel* LookAndFeel() { return GetBaseStyle()->FLookAndFeel.get(); }
  void SetLookAndFeel(TcxLookAndFeel* Value) { LookAndFeel()->Assign(Value); }
  bool Shadow();
  void SetShadow(bool Value);
  // Reads nullptr while the default controller is attached.
  TcxStyleController* StyleController();
  void SetStyleController(TcxStyleController* Value);
  TColor TextColor() { return GetTextColor(); }
  void SetTextColor(TColor Value);
  TFontStyles TextStyle() { return GetTextStyle(); }
  void SetTextStyle(TFontStyles Value);
  bool TransparentBorder();
  void SetTransparentBorder(bool Value);

  virtual TColor GetActualColor();

  TNotifyEvent OnChanged;

protected:
  friend class TcxStyleController;
  virtual void Changed();
  virtual void ControllerChanged();
  virtual void ControllerFreeNotification(TComponent* AComponent);
  virtual TColor DefaultBorderColor();
  virtual TcxContainerBorderStyle DefaultBorderStyle();
  virtual TColor DefaultColor();
  virtual TcxBorders DefaultEdges() { return cxBordersAll; }
  virtual bool DefaultHotTrack() { return true; }
  virtual bool DefaultShadow() { return false; }
  virtual TColor DefaultTextColor();
  virtual TFontStyles DefaultTextStyle();
  virtual bool DefaultTransparentBorder() { return true; }
  virtual void FontChanged(TObject* Sender);
  virtual TColor GetColor();
  virtual TcxStyleController* GetDefaultStyleController();
  virtual TColor GetTextColor();
  virtual TFontStyles GetTextStyle();

  void DoChanged();
  void UpdateFont();
  // The controller's style of this style's state, or nullptr when the base style has no controller.
  TcxContainerStyle* ControllerStyle();
  bool HasOwnValue(TcxContainerStyleValue AValue) const { return FAssignedValues.Contains(AValue); }
  void AddValue(TcxContainerStyleValue AValue);

  // Assigned-lookup through the controller chain; answers whether the value was found.
  bool LookupBorderColor(TColor& AValue);
  bool LookupBorderStyle(TcxContainerBorderStyle& AValue);
  bool LookupColor(TColor& AValue);
  bool LookupEdges(TcxBorders& AValue);
  bool LookupFont(TFont*& AValue);
  bool LookupHotTrack(bool& AValue);
  bool LookupShadow(bool& AValue);
  bool LookupTextColor(TColor& AValue);
  bool LookupTextStyle(TFontStyles& AValue);
  bool LookupTransparentBorder(bool& AValue);

private:
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues);
  void ResetFont();
  bool WouldLoop(TcxStyleController* AValue);

  TColor FBorderColor = clDefault;
  TcxContainerBorderStyle FBorderStyle = cbsNone;
  TcxBorders FEdges = cxBordersAll;
  bool FHotTrack = true;
  bool FShadow = false;
  bool FTransparentBorder = true;
  bool FDirectAccessMode;
  int FFontUpdating = 0;
  bool FIsDestroying = false;
  std::unique_ptr<TcxLookAndFeel, TObjectDeleter> FLookAndFeel; // base style only
  bool FModified = false;
  TPersistent* FOwner; // borrowed: the owner frees the style
  TcxContainerStyle* FParentStyle;
  TcxContainerStyleState FState;
  TFontStyles FTextStyle;
  int FUpdateCount = 0;
  std::unique_ptr<TFont, TObjectDeleter> FVisibleFont;
  TcxContainerStyleValues FAssignedValues;
  TcxStyleController* FStyleController = nullptr; // borrowed; it removes itself through the free notification
  TColor FColor = clWindow;
  std::unique_ptr<TFont, TObjectDeleter> FOwnFont; // base style not in direct-access mode
  TFont* FFont = nullptr; // the own font, or the borrowed font of a direct-access style
  TColor FTextColor = clWindowText;
};
using TcxContainerStyleClass = TClass;

class TcxContainerStyles : public TObject {
  PELVOR_CLASS(TcxContainerStyles, TObject)

  using TCreateArgs = std::tuple<TPersistent*, TcxContainerStyleClass>;
  TcxContainerStyles(TPersistent* AOwner, TcxContainerStyleClass AStyleClass);
  ~TcxContainerStyles() override;

  TcxContainerStyle* GetStyleByIndex(TcxContainerStyleState AState) const {
    return FStyles[std::size_t(AState)].get();
  }
  TcxContainerStyle* GetStyle() const { return GetStyleByIndex(cssNormal); }
  TcxContainerStyle* GetStyleFocused() const { return GetStyleByIndex(cssFocused); }
  TcxContainerStyle* GetStyleDisabled() const { return GetStyleByIndex(cssDisabled); }
  TcxContainerStyle* GetStyleHot() const { return GetStyleByIndex(cssHot); }
  void SetStyleByIndex(TcxContainerStyleState AState, TcxContainerStyle* Value) {
    GetStyleByIndex(AState)->Assign(Value);
  }
  void SetStyle(TcxContainerStyle* Value) { SetStyleByIndex(cssNormal, Value); }
  void SetStyleFocused(TcxContainerStyle* Value) { SetStyleByIndex(cssFocused, Value); }
  void SetStyleDisabled(TcxContainerStyle* Value) { SetStyleByIndex(cssDisabled, Value); }
  void SetStyleHot(TcxContainerStyle* Value) { SetStyleByIndex(cssHot, Value); }
  void SetOnChanged(TNotifyEvent Value);

private:
  // The state styles refer to the base style, so they go first.
  std::array<std::unique_ptr<TcxContainerStyle, TObjectDeleter>, 4> FStyles;
};
using TcxContainerStylesClass = TClass;

class TcxStyleController : public TComponent {
  PELVOR_CLASS(TcxStyleController, TComponent)

  explicit TcxStyleController(TComponent* AOwner);
  ~TcxStyleController() override;
  void Loaded() override;

  virtual void AddListener(TcxContainerStyle* AStyle);
  virtual void RemoveListener(TcxContainerStyle* AStyle);
  int ListenerCount() const { return int(FListeners.size()); }
  bool HasListener(TcxContainerStyle* AStyle) const;
  TcxContainerStyles* Styles() const { return FStyles.get(); }
  TcxContainerStyle* Style() const { return FStyles->GetStyle(); }
  TcxContainerStyle* StyleFocused() const { return FStyles->GetStyleFocused(); }
  TcxContainerStyle* StyleDisabled() const { return FStyles->GetStyleDisabled(); }
  TcxContainerStyle* StyleHot() const { return FStyles->GetStyleHot(); }
  bool IsDestroying() const { return FIsDestroying; }

  TNotifyEvent OnStyleChanged;

protected:
  virtual TcxContainerStyleClass GetStyleClass() { return TcxContainerStyle::StaticClass(); }
  virtual TcxContainerStylesClass GetStylesClass() { return TcxContainerStyles::StaticClass(); }
  // Descendants whose classes differ create the set from their constructor; a constructor cannot reach them.
  void CreateStyles();

private:
  void StyleChanged(TObject* Sender);

  bool FIsDestroying = false;
  std::vector<TcxContainerStyle*> FListeners; // borrowed: each base style leaves before it goes
  std::unique_ptr<TcxContainerStyles, TObjectDeleter> FStyles;
};

// The controller every base container style attaches to when none is set; nullptr until the edit framework
// starts and sets it.
TcxStyleController* GetDefaultContainerStyleController();
void SetDefaultContainerStyleController(TcxStyleController* Value);
