#pragma once
// Look-and-feel settings: a kind of drawing and whether the system theme is used, each assigned on the object
// or inherited through a chain of masters that ends at one root, and the painter they choose.
#include <memory>
#include <vector>

#include "lookandfeel/cxClasses.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/dxThemeManager.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"
#include "platform/classes/UnitList.h"

enum TcxLookAndFeelKind { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };
enum TcxLookAndFeelValue { lfvKind, lfvNativeStyle };
using TcxLookAndFeelValues = TSet<TcxLookAndFeelValue, 2>;

class TcxLookAndFeel;

class IcxLookAndFeelNotificationListener {
public:
  virtual ~IcxLookAndFeelNotificationListener() = default;
  virtual TObject* GetObject() = 0;
  virtual void MasterLookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) = 0;
  virtual void MasterLookAndFeelDestroying(TcxLookAndFeel* Sender) = 0;
};

using TcxLookAndFeelChangedEvent = TEvent<void(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues)>;

// Hears of system colour changes through one shared hidden window, which lives while any notifier does.
class TcxSystemPaletteChangedNotifier : public TObject {
  PELVOR_CLASS(TcxSystemPaletteChangedNotifier, TObject)

  using TCreateArgs = std::tuple<bool>;
  explicit TcxSystemPaletteChangedNotifier(bool AIsPrior = false);
  ~TcxSystemPaletteChangedNotifier() override;

  virtual void DoChanged();
  bool IsPrior() const { return FIsPrior; }

  TNotifyEvent OnSystemPaletteChanged;

private:
  bool FIsPrior;
};

// The shared window's procedure: on a system colour change it refreshes the derived colour schemes, then
// tells the prior notifiers and then the others, each group from the last registered to the first.
LRESULT cxSystemPaletteChangedListenerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The shared window while any notifier exists, else nullptr.
HWND cxSystemPaletteChangedListenerWindow();

class TcxLookAndFeel : public TcxInterfacedPersistent, public IcxLookAndFeelNotificationListener {
  PELVOR_CLASS(TcxLookAndFeel, TcxInterfacedPersistent)

  explicit TcxLookAndFeel(TPersistent* AOwner);
  ~TcxLookAndFeel() override;
  void Assign(TPersistent* Source) override;

  virtual TcxLookAndFeelKind GetEffectiveKind() const;
  virtual bool GetEffectiveNativeStyle() const;
  virtual void SystemPaletteChanged();

  void AddChangeListener(IcxLookAndFeelNotificationListener* AListener);
  void RemoveChangeListener(IcxLookAndFeelNotificationListener* AListener);
  int ListenerCount() const { return int(FListeners.size()); }

  TcxLookAndFeelPainterClass GetPainter() const;
  TcxLookAndFeelPainterClass GetAvailablePainter(TdxThemedObjectType AThemedObjectType) const;

  // The root has no master; any other object without one follows the root.
  TcxLookAndFeel* GetMasterLookAndFeel() const;
  TcxLookAndFeel* MasterLookAndFeel() const { return GetMasterLookAndFeel(); }
  // Ignored for the root, for the object itself and for a master whose chain leads back to this object.
  void SetMasterLookAndFeel(TcxLookAndFeel* Value);
  TcxLookAndFeelPainterClass Painter() const { return FPainter; }
  void SetPainter(TcxLookAndFeelPainterClass Value) { FPainter = Value; }

  TcxLookAndFeelValues AssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TcxLookAndFeelValues Value);
  TcxLookAndFeelKind Kind() const { return FEffectiveKind; }
  void SetKind(TcxLookAndFeelKind Value);
  bool NativeStyle() const { return FEffectiveNativeStyle; }
  void SetNativeStyle(bool Value);
  // Whether the property is written when a form is saved.
  bool IsKindStored() const { return FAssignedValues.Contains(lfvKind); }
  bool IsNativeStyleStored() const { return FAssignedValues.Contains(lfvNativeStyle); }
  bool IsRoot() const { return FIsRoot; }

  void Changed(TcxLookAndFeelValues AChangedValues);

  TcxLookAndFeelChangedEvent OnChanged;

  TObject* GetObject() override { return this; }
  void MasterLookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) override;
  void MasterLookAndFeelDestroying(TcxLookAndFeel* Sender) override;

private:
  friend void cxLookAndFeelsInitialize();
  struct RootTag {};
  TcxLookAndFeel(RootTag);
  void Init();
  bool ReplaceMaster(TcxLookAndFeel* Value);
  void SaveEffective();
  TcxLookAndFeelValues ChangedSinceSave() const;
  void PaletteChanged(TObject* Sender);
  static bool IsController(IcxLookAndFeelNotificationListener* AListener);

  TcxLookAndFeelValues FAssignedValues;
  std::vector<IcxLookAndFeelNotificationListener*> FListeners; // borrowed
  TcxLookAndFeelKind FEffectiveKind = lfUltraFlat;
  bool FEffectiveNativeStyle = false;
  TcxLookAndFeelKind FKind = lfUltraFlat;
  bool FNativeStyle = false;
  bool FIsDestroying = false;
  // Turns false as the object goes: a listener told of a change may free the object that tells it.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
  bool FIsRoot = false;
  TcxLookAndFeel* FMasterLookAndFeel = nullptr; // borrowed
  TcxLookAndFeelPainterClass FPainter = nullptr;
  TcxLookAndFeelKind FPrevKind = lfUltraFlat;
  bool FPrevNativeStyle = false;
  int FControllerCount = 0;
  std::unique_ptr<TcxSystemPaletteChangedNotifier, TObjectDeleter> FSystemPaletteChangedNotifier;
};

// Placed on a form, it edits the root look-and-feel; the last one to go resets the root.
class TcxLookAndFeelController : public TComponent, public IcxLookAndFeelNotificationListener {
  PELVOR_CLASS(TcxLookAndFeelController, TComponent)

  explicit TcxLookAndFeelController(TComponent* AOwner);
  ~TcxLookAndFeelController() override;

  TcxLookAndFeelKind Kind() const;
  void SetKind(TcxLookAndFeelKind Value);
  bool NativeStyle() const;
  void SetNativeStyle(bool Value);

  TObject* GetObject() override { return this; }
  void MasterLookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) override {}
  void MasterLookAndFeelDestroying(TcxLookAndFeel*) override {}
};

// The painter of a kind of drawing.
TcxLookAndFeelPainterClass cxLookAndFeelPainterOfKind(TcxLookAndFeelKind AKind);

TcxLookAndFeel* RootLookAndFeel();
void cxLookAndFeelsInitialize();
void cxLookAndFeelsFinalize();

extern const TUnitInfo cxLookAndFeelsUnit;
