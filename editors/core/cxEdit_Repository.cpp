#include <algorithm>

#include "data/cxFilterConsts.h"
#include "data/cxVariants.h"
#include "editors/core/cxEdit.h"
#include "editors/core/cxEdit_Internal.h"
#include "lookandfeel/cxPainterResources.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

namespace {

struct EditUnitState {
  std::unique_ptr<TcxRegisteredClasses, TObjectDeleter> RegisteredProperties;
  std::unique_ptr<TcxEditRepository, TObjectDeleter> DefaultRepository;
  std::unique_ptr<TcxEditStyleController, TObjectDeleter> DefaultStyleController;
  std::vector<TcxCustomEditProperties*> PropertiesList; // borrowed: each object leaves as it goes
  HCURSOR MouseWheelCursor = nullptr;
  int InitCount = 0;
};

EditUnitState& State() {
  static EditUnitState state;
  return state;
}

} // namespace

void cxEditAddProperties(TcxCustomEditProperties* AProperties) {
  State().PropertiesList.push_back(AProperties);
}

void cxEditRemoveProperties(TcxCustomEditProperties* AProperties) {
  auto& list = State().PropertiesList;
  list.erase(std::remove(list.begin(), list.end(), AProperties), list.end());
}

const std::vector<TcxCustomEditProperties*>& cxEditPropertiesList() {
  return State().PropertiesList;
}

TcxRegisteredClasses* GetRegisteredEditProperties() {
  auto& list = State().RegisteredProperties;
  if (!list)
    list.reset(new TcxRegisteredClasses(false));
  return list.get();
}

TcxEditRepository* GetDefaultEditRepository() {
  auto& repository = State().DefaultRepository;
  if (!repository)
    repository.reset(new TcxEditRepository(nullptr));
  return repository.get();
}

TcxEditStyleController* GetDefaultEditStyleController() {
  return State().DefaultStyleController.get();
}

TcxEditRepositoryItem::TcxEditRepositoryItem(TComponent* AOwner) : TComponent(AOwner) {
  CreateProperties();
}

void TcxEditRepositoryItem::CreateProperties() {
  FProperties.reset(
      NewInstance<TcxCustomEditProperties>(GetEditPropertiesClass(), static_cast<TPersistent*>(this)));
  FProperties->OnPropertiesChanged = TNotifyEvent(this, &TcxEditRepositoryItem::PropertiesChanged);
}

void TcxEditRepositoryItem::BeforeDestruction() {
  // Listeners drop the item while its properties still exist, whichever way the item is freed.
  NotifyItemRemoved();
  TComponent::BeforeDestruction();
}

TcxEditRepositoryItem::~TcxEditRepositoryItem() {
  NotifyItemRemoved();
  SetRepository(nullptr);
  FProperties.reset();
}

void TcxEditRepositoryItem::NotifyItemRemoved() {
  if (FItemRemovedSent)
    return;
  FItemRemovedSent = true;
  // A listener leaves the list as it is told, so the walk goes by a copy, last to first.
  const std::vector<IcxEditRepositoryItemListener*> listeners = FListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
    (*it)->ItemRemoved(this);
  FListeners.clear();
}

void TcxEditRepositoryItem::PropertiesChanged(TObject*) {
  const std::vector<IcxEditRepositoryItemListener*> listeners = FListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
    (*it)->PropertiesChanged(this);
}

void TcxEditRepositoryItem::AddListener(IcxEditRepositoryItemListener* AListener) {
  if (std::find(FListeners.begin(), FListeners.end(), AListener) == FListeners.end())
    FListeners.push_back(AListener);
}

void TcxEditRepositoryItem::RemoveListener(IcxEditRepositoryItemListener* AListener) {
  FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), AListener), FListeners.end());
}

TcxCustomEditPropertiesClass TcxEditRepositoryItem::GetEditPropertiesClass() const {
  return TcxCustomEditProperties::StaticClass();
}

void TcxEditRepositoryItem::SetRepository(TcxEditRepository* Value) {
  if (FRepository == Value)
    return;
  if (FRepository)
    FRepository->RemoveItem(this);
  FRepository = Value;
  if (FRepository)
    FRepository->AddItem(this);
}

TComponent* TcxEditRepositoryItem::GetParentComponent() const {
  return FRepository;
}

void TcxEditRepositoryItem::SetParentComponent(TComponent* AParent) {
  if (ComponentState().Contains(csLoading))
    return;
  SetRepository(As<TcxEditRepository>(AParent));
}

TcxEditRepository::~TcxEditRepository() {
  while (!FItems.empty()) {
    TcxEditRepositoryItem* item = FItems.back();
    item->Free();
  }
}

TcxEditRepositoryItem* TcxEditRepository::CreateItem(TcxEditRepositoryItemClass ARepositoryItemClass) {
  return CreateItemEx(ARepositoryItemClass, this);
}

TcxEditRepositoryItem* TcxEditRepository::CreateItemEx(TcxEditRepositoryItemClass ARepositoryItemClass,
                                                       TComponent* AOwner) {
  TcxEditRepositoryItem* item = NewInstance<TcxEditRepositoryItem>(ARepositoryItemClass, AOwner);
  item->SetRepository(this);
  return item;
}

TcxEditRepositoryItem* TcxEditRepository::Items(int Index) const {
  return cx_detail::ListItem(FItems, Index);
}

int TcxEditRepository::IndexOf(TcxEditRepositoryItem* AItem) const {
  auto it = std::find(FItems.begin(), FItems.end(), AItem);
  return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TcxEditRepository::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
  for (TcxEditRepositoryItem* item : FItems)
    if (item->Owner() == Root)
      Proc(item);
}

void TcxEditRepository::AddItem(TcxEditRepositoryItem* AItem) {
  if (IndexOf(AItem) == -1)
    FItems.push_back(AItem);
}

void TcxEditRepository::RemoveItem(TcxEditRepositoryItem* AItem) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), AItem), FItems.end());
}

TShiftState MouseButtonToShift(TMouseButton Button) {
  static constexpr TShiftStateItem Map[] = {ssLeft, ssRight, ssMiddle};
  return TShiftState{Map[int(Button)]};
}

TShiftState ContainerMouseButtonToShift(TcxContainerMouseButton Button, TShiftState Shift) {
  switch (Button) {
  case cxmbLeft:
    return Shift.Include(ssLeft);
  case cxmbRight:
    return Shift.Include(ssRight);
  case cxmbMiddle:
    return Shift.Include(ssMiddle);
  default:
    return Shift;
  }
}

void EnlargeSize(TSize& ASize, const TSize& AOther) {
  ASize.cx = std::max(ASize.cx, AOther.cx);
  ASize.cy = std::max(ASize.cy, AOther.cy);
}

TComponent* GetOwnerComponent(TPersistent* APersistent) {
  for (TPersistent* p = APersistent; p; p = p->GetOwner())
    if (auto* component = dynamic_cast<TComponent*>(p))
      return component;
  return nullptr;
}

bool VarEqualsExact(const Variant& V1, const Variant& V2) {
  return V1.Type() == V2.Type() && VarEquals(V1, V2);
}

bool IsSpaceChar(char C) {
  return C == ' ' || C == 0 || C == 9 || C == 10 || C == 12 || C == 13;
}

bool IsRegionEmpty(TcxRegion* ARegion) {
  RECT box{};
  return GetRgnBox(ARegion->Handle(), &box) == NULLREGION;
}

void SendKeyDown(TWinControl* AControl, WORD Key) {
  SendMessage(AControl->Handle(), WM_KEYDOWN, Key, 0);
}

void SendChar(TWinControl* AControl, char Ch) {
  SendMessage(AControl->Handle(), WM_CHAR, WPARAM(static_cast<unsigned char>(Ch)), 0);
}

void CombineRegionOr(TcxRegion* ADest, TcxRegion* ASource) {
  CombineRgn(ADest->Handle(), ADest->Handle(), ASource->Handle(), RGN_OR);
}

bool cxIsAccel(WORD ACharCode, const String& ACaption) {
  for (std::size_t i = 0; i + 1 < ACaption.size(); ++i) {
    if (ACaption[i] != '&')
      continue;
    if (ACaption[i + 1] == '&') {
      ++i;
      continue;
    }
    return AnsiUpperCase(String(1, ACaption[i + 1])) == AnsiUpperCase(String(1, char(ACharCode)));
  }
  return false;
}

void cxEditInitialize() {
  EditUnitState& s = State();
  if (s.InitCount++ > 0)
    return;
  // The library draws its cursors itself; the mouse-wheel cursor takes the shape of the full panning cursor.
  s.MouseWheelCursor = cxCreateLibraryCursor("CX_FULLSCROLLCURSOR");
  Screen()->SetCursors(crcxEditMouseWheel, s.MouseWheelCursor);
  s.DefaultStyleController.reset(new TcxEditStyleController(nullptr));
  SetDefaultContainerStyleController(s.DefaultStyleController.get());
  s.PropertiesList.clear();
  cxFilterTranslateHook = [](const AnsiString& AText) { return cxGetResourceString(AText); };
}

void cxEditFinalize() {
  EditUnitState& s = State();
  if (s.InitCount == 0 || --s.InitCount > 0)
    return;
  s.RegisteredProperties.reset();
  s.DefaultRepository.reset();
  SetDefaultContainerStyleController(nullptr);
  s.DefaultStyleController.reset();
  cxFilterTranslateHook = nullptr;
  Screen()->SetCursors(crcxEditMouseWheel, nullptr);
  if (s.MouseWheelCursor)
    DestroyCursor(s.MouseWheelCursor);
  s.MouseWheelCursor = nullptr;
}

const TUnitInfo cxEditUnit{"cxEdit", &cxEditInitialize, &cxEditFinalize};
