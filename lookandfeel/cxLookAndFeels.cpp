#include "lookandfeel/cxLookAndFeels.h"

#include <algorithm>

#include "lookandfeel/dxOffice11.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Message.h"

namespace {

TcxLookAndFeel* rootLookAndFeel = nullptr;

struct PaletteListener {
  HWND window = nullptr;
  std::vector<TcxSystemPaletteChangedNotifier*> normal, prior; // borrowed, in order of registration
};
std::unique_ptr<PaletteListener> paletteListener;

template <class T> bool Contains(const std::vector<T*>& list, const T* item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

template <class T> void Erase(std::vector<T*>& list, const T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// Calls f for every member of list from the last to the first. Members that leave the list during a call are
// not called afterwards, and nobody is called twice, whatever a call does to the list.
template <class T, class F> void ForEachFromLast(const std::vector<T*>& list, F f) {
  std::vector<T*> snapshot = list;
  for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it)
    if (Contains(list, *it))
      f(*it);
}

} // namespace

TcxSystemPaletteChangedNotifier::TcxSystemPaletteChangedNotifier(bool AIsPrior) : FIsPrior(AIsPrior) {
  if (!paletteListener) {
    paletteListener = std::make_unique<PaletteListener>();
    paletteListener->window = AllocateHWnd(&cxSystemPaletteChangedListenerProc);
  }
  (FIsPrior ? paletteListener->prior : paletteListener->normal).push_back(this);
}

TcxSystemPaletteChangedNotifier::~TcxSystemPaletteChangedNotifier() {
  if (!paletteListener)
    return;
  Erase(paletteListener->prior, this);
  Erase(paletteListener->normal, this);
  if (paletteListener->prior.empty() && paletteListener->normal.empty()) {
    if (paletteListener->window)
      DeallocateHWnd(paletteListener->window);
    paletteListener.reset();
  }
}

void TcxSystemPaletteChangedNotifier::DoChanged() {
  if (OnSystemPaletteChanged)
    OnSystemPaletteChanged(this);
}

LRESULT cxSystemPaletteChangedListenerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOLORCHANGE && paletteListener) {
    RefreshOffice11Colors();
    // A notifier may free the listener with the last notifier; each pass re-reads it.
    if (paletteListener)
      ForEachFromLast(paletteListener->prior, [](TcxSystemPaletteChangedNotifier* n) { n->DoChanged(); });
    if (paletteListener)
      ForEachFromLast(paletteListener->normal, [](TcxSystemPaletteChangedNotifier* n) { n->DoChanged(); });
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

HWND cxSystemPaletteChangedListenerWindow() {
  return paletteListener ? paletteListener->window : nullptr;
}

TcxLookAndFeelPainterClass cxLookAndFeelPainterOfKind(TcxLookAndFeelKind AKind) {
  switch (AKind) {
  case lfFlat:
    return TcxFlatLookAndFeelPainter::Instance();
  case lfStandard:
    return TcxStandardLookAndFeelPainter::Instance();
  case lfOffice11:
    return TcxOffice11LookAndFeelPainter::Instance();
  case lfUltraFlat:
    break;
  }
  return TcxUltraFlatLookAndFeelPainter::Instance();
}

TcxLookAndFeel::TcxLookAndFeel(TPersistent* AOwner) : TcxInterfacedPersistent(AOwner) {
  Init();
  if (rootLookAndFeel) {
    rootLookAndFeel->AddChangeListener(this);
    FEffectiveKind = GetEffectiveKind();
    FEffectiveNativeStyle = GetEffectiveNativeStyle();
  }
}

TcxLookAndFeel::TcxLookAndFeel(RootTag) : TcxInterfacedPersistent(nullptr) {
  FIsRoot = true;
  Init();
}

void TcxLookAndFeel::Init() {
  FSystemPaletteChangedNotifier.reset(new TcxSystemPaletteChangedNotifier(false));
  FSystemPaletteChangedNotifier->OnSystemPaletteChanged = TNotifyEvent(this, &TcxLookAndFeel::PaletteChanged);
}

TcxLookAndFeel::~TcxLookAndFeel() {
  *FAlive = false;
  FSystemPaletteChangedNotifier.reset();
  FIsDestroying = true;
  // The root stops being the root before its listeners hear of it, so that a listener falling back to "the
  // root" does not sign up with the object that is going away.
  if (FIsRoot && rootLookAndFeel == this)
    rootLookAndFeel = nullptr;
  std::vector<IcxLookAndFeelNotificationListener*> snapshot = FListeners;
  for (IcxLookAndFeelNotificationListener* listener : snapshot)
    if (Contains(FListeners, listener))
      listener->MasterLookAndFeelDestroying(this);
  FListeners.clear();
  if (TcxLookAndFeel* master = GetMasterLookAndFeel())
    master->RemoveChangeListener(this);
}

void TcxLookAndFeel::PaletteChanged(TObject*) {
  SystemPaletteChanged();
}

TcxLookAndFeelKind TcxLookAndFeel::GetEffectiveKind() const {
  if (FAssignedValues.Contains(lfvKind))
    return FKind;
  if (FIsRoot)
    return lfUltraFlat;
  if (FMasterLookAndFeel)
    return FMasterLookAndFeel->GetEffectiveKind();
  return rootLookAndFeel ? rootLookAndFeel->GetEffectiveKind() : lfUltraFlat;
}

bool TcxLookAndFeel::GetEffectiveNativeStyle() const {
  if (FAssignedValues.Contains(lfvNativeStyle))
    return FNativeStyle;
  if (FIsRoot)
    return false;
  if (FMasterLookAndFeel)
    return FMasterLookAndFeel->GetEffectiveNativeStyle();
  return rootLookAndFeel ? rootLookAndFeel->GetEffectiveNativeStyle() : false;
}

TcxLookAndFeel* TcxLookAndFeel::GetMasterLookAndFeel() const {
  if (FIsRoot)
    return nullptr;
  return FMasterLookAndFeel ? FMasterLookAndFeel : rootLookAndFeel;
}

void TcxLookAndFeel::SaveEffective() {
  FPrevKind = GetEffectiveKind();
  FPrevNativeStyle = GetEffectiveNativeStyle();
}

TcxLookAndFeelValues TcxLookAndFeel::ChangedSinceSave() const {
  TcxLookAndFeelValues values;
  if (GetEffectiveKind() != FPrevKind)
    values.Include(lfvKind);
  if (GetEffectiveNativeStyle() != FPrevNativeStyle)
    values.Include(lfvNativeStyle);
  return values;
}

void TcxLookAndFeel::SetKind(TcxLookAndFeelKind Value) {
  SaveEffective();
  FAssignedValues.Include(lfvKind);
  FKind = Value;
  if (GetEffectiveKind() != FPrevKind)
    Changed({lfvKind});
}

void TcxLookAndFeel::SetNativeStyle(bool Value) {
  SaveEffective();
  FAssignedValues.Include(lfvNativeStyle);
  FNativeStyle = Value;
  if (GetEffectiveNativeStyle() != FPrevNativeStyle)
    Changed({lfvNativeStyle});
}

void TcxLookAndFeel::SetAssignedValues(TcxLookAndFeelValues Value) {
  if (Value == FAssignedValues)
    return;
  SaveEffective();
  FAssignedValues = Value;
  Changed(ChangedSinceSave());
}

void TcxLookAndFeel::Changed(TcxLookAndFeelValues AChangedValues) {
  if (AChangedValues.Empty() || FIsDestroying)
    return;
  FEffectiveKind = GetEffectiveKind();
  FEffectiveNativeStyle = GetEffectiveNativeStyle();
  // A listener may remove itself or another listener while it is told, or free this object; each one still
  // present is told once.
  const std::shared_ptr<const bool> alive = FAlive;
  std::vector<IcxLookAndFeelNotificationListener*> snapshot = FListeners;
  for (IcxLookAndFeelNotificationListener* listener : snapshot) {
    if (!*alive)
      return;
    if (Contains(FListeners, listener))
      listener->MasterLookAndFeelChanged(this, AChangedValues);
  }
  if (*alive && OnChanged)
    OnChanged(this, AChangedValues);
}

void TcxLookAndFeel::MasterLookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues AChangedValues) {
  Changed(AChangedValues - FAssignedValues);
}

void TcxLookAndFeel::MasterLookAndFeelDestroying(TcxLookAndFeel*) {
  SetMasterLookAndFeel(nullptr);
}

bool TcxLookAndFeel::ReplaceMaster(TcxLookAndFeel* Value) {
  if (FIsRoot || Value == this || Value == GetMasterLookAndFeel())
    return false;
  // A chain of masters that returns here would make every effective value recurse for ever.
  for (TcxLookAndFeel* m = Value; m; m = m->FMasterLookAndFeel)
    if (m == this)
      return false;
  if (TcxLookAndFeel* old = GetMasterLookAndFeel())
    old->RemoveChangeListener(this);
  FMasterLookAndFeel = Value;
  if (TcxLookAndFeel* master = GetMasterLookAndFeel())
    master->AddChangeListener(this);
  return true;
}

void TcxLookAndFeel::SetMasterLookAndFeel(TcxLookAndFeel* Value) {
  SaveEffective();
  if (ReplaceMaster(Value))
    Changed(ChangedSinceSave());
}

void TcxLookAndFeel::SystemPaletteChanged() {
  Changed({lfvNativeStyle});
}

void TcxLookAndFeel::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxLookAndFeel*>(Source);
  if (!source) {
    TcxInterfacedPersistent::Assign(Source);
    return;
  }
  if (source == this)
    return;
  SaveEffective();
  FKind = source->FKind;
  FNativeStyle = source->FNativeStyle;
  FAssignedValues = source->FAssignedValues;
  ReplaceMaster(source->GetMasterLookAndFeel());
  Changed(ChangedSinceSave());
}

bool TcxLookAndFeel::IsController(IcxLookAndFeelNotificationListener* AListener) {
  return dynamic_cast<TcxLookAndFeelController*>(AListener->GetObject()) != nullptr;
}

void TcxLookAndFeel::AddChangeListener(IcxLookAndFeelNotificationListener* AListener) {
  if (!AListener || FIsDestroying || Contains(FListeners, AListener))
    return;
  if (IsController(AListener)) {
    if (!FIsRoot)
      return;
    ++FControllerCount;
  }
  FListeners.push_back(AListener);
}

void TcxLookAndFeel::RemoveChangeListener(IcxLookAndFeelNotificationListener* AListener) {
  // A listener that goes while this object tells its listeners that it goes leaves the list too, so that it
  // is not told after it is freed.
  if (!Contains(FListeners, AListener))
    return;
  Erase(FListeners, AListener);
  if (!FIsDestroying && FIsRoot && IsController(AListener) && --FControllerCount == 0)
    SetAssignedValues({});
}

TcxLookAndFeelPainterClass TcxLookAndFeel::GetPainter() const {
  if (FPainter)
    return FPainter;
  if (GetEffectiveNativeStyle() && AreVisualStylesAvailable())
    return TcxWinXPLookAndFeelPainter::Instance();
  return cxLookAndFeelPainterOfKind(GetEffectiveKind());
}

TcxLookAndFeelPainterClass TcxLookAndFeel::GetAvailablePainter(TdxThemedObjectType AThemedObjectType) const {
  if (GetEffectiveNativeStyle() && AreVisualStylesAvailable(AThemedObjectType))
    return TcxWinXPLookAndFeelPainter::Instance();
  return cxLookAndFeelPainterOfKind(GetEffectiveKind());
}

TcxLookAndFeelController::TcxLookAndFeelController(TComponent* AOwner) : TComponent(AOwner) {
  if (rootLookAndFeel)
    rootLookAndFeel->AddChangeListener(this);
}

TcxLookAndFeelController::~TcxLookAndFeelController() {
  if (rootLookAndFeel)
    rootLookAndFeel->RemoveChangeListener(this);
}

TcxLookAndFeelKind TcxLookAndFeelController::Kind() const {
  return rootLookAndFeel ? rootLookAndFeel->Kind() : lfUltraFlat;
}

void TcxLookAndFeelController::SetKind(TcxLookAndFeelKind Value) {
  if (rootLookAndFeel)
    rootLookAndFeel->SetKind(Value);
}

bool TcxLookAndFeelController::NativeStyle() const {
  return rootLookAndFeel ? rootLookAndFeel->NativeStyle() : false;
}

void TcxLookAndFeelController::SetNativeStyle(bool Value) {
  if (rootLookAndFeel)
    rootLookAndFeel->SetNativeStyle(Value);
}

TcxLookAndFeel* RootLookAndFeel() {
  return rootLookAndFeel;
}

void cxLookAndFeelsInitialize() {
  if (!rootLookAndFeel)
    rootLookAndFeel = new TcxLookAndFeel(TcxLookAndFeel::RootTag{});
}

void cxLookAndFeelsFinalize() {
  TcxLookAndFeel* root = rootLookAndFeel;
  if (root)
    root->Free();
  rootLookAndFeel = nullptr;
}

const TUnitInfo cxLookAndFeelsUnit{"cxLookAndFeels", &cxLookAndFeelsInitialize, &cxLookAndFeelsFinalize};
