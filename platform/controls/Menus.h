#pragma once
// Menu items and the popup menu: a list of commands shown in a small window at a screen point.
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/UnitList.h"
#include "platform/controls/Controls.h"

// A key with its shift state: the virtual-key code in the low byte and the shift bits above it.
using TShortCut = WORD;
constexpr TShortCut scNone = 0, scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);

class TMenuItem : public TComponent {
  PELVOR_CLASS(TMenuItem, TComponent)
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const AnsiString& Caption() const { return FCaption; }
  void SetCaption(const AnsiString& Value) { FCaption = Value; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value) { FChecked = Value; }
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value) { FShortCut = Value; }
  // The visible, enabled item at or below this one with that shortcut, nullptr when none has it.
  TMenuItem* FindShortCut(TShortCut Value);
  // A caption of a single "-" makes the item a separator line.
  bool IsLine() const { return FCaption == "-"; }

  int Count() const { return int(FItems.size()); }
  TMenuItem* Items(int Index) const;
  TMenuItem* Parent() const { return FParent; }
  // The item takes the child over: it frees the children it holds.
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  void Delete(int Index);
  void Clear();
  int IndexOf(const TMenuItem* Item) const;

  virtual void Click();
  TNotifyEvent OnClick;

private:
  AnsiString FCaption;
  bool FEnabled = true;
  bool FVisible = true;
  bool FChecked = false;
  TShortCut FShortCut = scNone;
  TMenuItem* FParent = nullptr;
  std::vector<TMenuItem*> FItems; // owned
};

class TPopupMenu : public TComponent {
  PELVOR_CLASS(TPopupMenu, TComponent)
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;

  TMenuItem* Items() const { return FItems; }
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  TControl* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TControl* Value) { FPopupComponent = Value; }
  // Shows the visible items at a screen point and runs until one is chosen or the menu is dismissed; the
  // chosen item's click runs after the window is gone.
  virtual void Popup(int X, int Y);
  // A key message that is the shortcut of a visible, enabled item clicks that item and answers true.
  bool IsShortCut(TWMKey& Message);
  // The item chosen by the last Popup, nullptr when it was dismissed.
  TMenuItem* LastChosen() const { return FLastChosen; }

  TNotifyEvent OnPopup;

private:
  TMenuItem* FItems; // owned
  bool FAutoPopup = true;
  TControl* FPopupComponent = nullptr; // borrowed, valid while the menu shows
  TMenuItem* FLastChosen = nullptr;
};

// Unit start-up: registers the popup menu's window class, which a reset of the window manager clears.
void MenusInitialize();
void MenusFinalize();
extern const TUnitInfo MenusUnit;
