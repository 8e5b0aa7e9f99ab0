#include "lookandfeel/cxClasses.h"

#include <algorithm>

#include "platform/rtl/Geometry.h"

TcxComponent::~TcxComponent() {
  ClearObjectLinks(this);
}

void TcxComponent::BeforeDestruction() {
  if (!ComponentState().Contains(csDestroying))
    Destroying();
  TComponent::BeforeDestruction();
}

void TcxComponent::Loaded() {
  TComponent::Loaded();
  TComponentState state = ComponentState();
  if (!state.Contains(csDesigning) || state.Contains(csDestroying) || !Owner())
    return;
  std::vector<TComponent*> list;
  GetFakeComponentLinks(list);
  for (std::size_t i = 0; i < 3; ++i) {
    TComponent* link = i < list.size() ? list[i] : nullptr;
    if (FFakeComponentLinks[i] == link)
      continue;
    FFakeComponentLinks[i] = link;
    if (link)
      FreeNotification(link);
  }
}

void TcxComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove)
    for (TComponent*& link : FFakeComponentLinks)
      if (link == AComponent)
        link = nullptr;
  TComponent::Notification(AComponent, Operation);
}

int TcxObjectList::Add(TObject* AObject) {
  FItems.push_back(AObject);
  return Count() - 1;
}

void TcxObjectList::Clear() {
  // An object's destructor may look at the list, so each one leaves it before it is freed.
  std::vector<TObject*> items;
  items.swap(FItems);
  for (TObject* obj : items)
    if (obj)
      obj->Free();
}

void TcxFreeNotificator::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && OnFreeNotification)
    OnFreeNotification(this, AComponent);
}

void cxAddFreeNotification(TComponent* AReceiver, TComponent* AComponent) {
  if (AReceiver && AComponent)
    AReceiver->FreeNotification(AComponent);
}

void cxRemoveFreeNotification(TComponent* AReceiver, TComponent* AComponent) {
  if (AReceiver && AComponent)
    AReceiver->RemoveFreeNotification(AComponent);
}

TPersistent* GetPersistentOwner(TPersistent* APersistent) {
  return APersistent ? APersistent->GetOwner() : nullptr;
}

bool TcxRegisteredClassList::Find(TClass AClass, int& Index) const {
  for (int i = Count() - 1; i >= 0; --i) {
    TClass itemClass = FItems[std::size_t(i)].ItemClass;
    if (AClass->InheritsFrom(itemClass)) {
      Index = i;
      return true;
    }
    if (itemClass->InheritsFrom(AClass))
      Index = i;
  }
  return false;
}

void TcxRegisteredClassList::Register(TClass AClass, TClass ARegisteredClass) {
  TcxRegisteredClassListItemData item{AClass, ARegisteredClass};
  int index = -1;
  if (Find(AClass, index))
    FItems.insert(FItems.begin() + index + 1, item);
  else if (index == -1)
    FItems.push_back(item);
  else
    FItems.insert(FItems.begin() + index, item);
}

void TcxRegisteredClassList::Unregister(TClass AClass, TClass ARegisteredClass) {
  for (int i = Count() - 1; i >= 0; --i) {
    const auto& item = FItems[std::size_t(i)];
    if (item.ItemClass == AClass && item.RegisteredClass == ARegisteredClass)
      FItems.erase(FItems.begin() + i);
  }
}

TClass TcxRegisteredClassList::FindClass(TClass AClass) const {
  int index = -1;
  return Find(AClass, index) ? FItems[std::size_t(index)].RegisteredClass : nullptr;
}

void TcxRegisteredClasses::Register(TClass AClass, const String& ADescription) {
  if (std::any_of(FItems.begin(), FItems.end(), [&](const auto& e) { return e.second == AClass; }))
    return;
  FItems.emplace_back(ADescription, AClass);
  if (FRegisterClasses)
    RegisterClass(AClass);
}

void TcxRegisteredClasses::Unregister(TClass AClass) {
  auto it = std::find_if(FItems.begin(), FItems.end(), [&](const auto& e) { return e.second == AClass; });
  if (it != FItems.end())
    FItems.erase(it);
}

TClass TcxRegisteredClasses::FindByClassName(std::string_view AName) const {
  for (const auto& e : FItems)
    if (AName == e.second->Name)
      return e.second;
  return nullptr;
}

TcxAutoWidthObject::TcxAutoWidthObject(int ACapacity) {
  FItems.reserve(std::size_t(std::max(ACapacity, 0)));
}

TcxAutoWidthItem* TcxAutoWidthObject::AddItem() {
  FItems.push_back(std::make_unique<TcxAutoWidthItem>());
  return FItems.back().get();
}

void TcxAutoWidthObject::Calculate() {
  int total = 0;
  for (const auto& item : FItems)
    total += item->Width;
  int avail = FAvailableWidth;
  for (const auto& item : FItems)
    if (item->Fixed) {
      item->AutoWidth = item->Width;
      total -= item->Width;
      avail -= item->AutoWidth;
    } else {
      item->AutoWidth = -1;
    }

  // Shares by running sums, so that the shares of one pass add up to the available width exactly.
  auto share = [&](int runningSum, int width) {
    return MulDiv(runningSum + width, avail, total) - MulDiv(runningSum, avail, total);
  };
  bool changed = true;
  while (changed && total != 0) {
    changed = false;
    int runningSum = 0;
    int passTotal = total, passAvail = avail;
    for (const auto& item : FItems) {
      if (item->AutoWidth != -1)
        continue;
      int s =
          MulDiv(runningSum + item->Width, passAvail, passTotal) - MulDiv(runningSum, passAvail, passTotal);
      runningSum += item->Width;
      if (item->MinWidth >= s) {
        item->AutoWidth = item->MinWidth;
        total -= item->Width;
        avail -= item->AutoWidth;
        changed = true;
      }
    }
  }
  if (total == 0)
    return;
  int runningSum = 0;
  for (const auto& item : FItems) {
    if (item->AutoWidth != -1)
      continue;
    item->AutoWidth = share(runningSum, item->Width);
    runningSum += item->Width;
  }
}

namespace {

struct ObjectLinkController {
  std::vector<TcxObjectLink*> links; // live links, not owned: their holders own them
  int useCount = 0;
};

std::unique_ptr<ObjectLinkController>& LinkController() {
  static std::unique_ptr<ObjectLinkController> controller;
  return controller;
}

struct Translations {
  std::vector<String> sources, translations;
};

std::unique_ptr<Translations>& TranslationTable() {
  static std::unique_ptr<Translations> table;
  return table;
}

} // namespace

TcxObjectLink* AddObjectLink(TObject* AObject) {
  auto& controller = LinkController();
  if (!controller)
    controller = std::make_unique<ObjectLinkController>();
  auto* link = new TcxObjectLink;
  link->Ref = AObject;
  controller->links.push_back(link);
  ++controller->useCount;
  return link;
}

void RemoveObjectLink(TcxObjectLink* ALink) {
  auto& controller = LinkController();
  if (!ALink || !controller)
    return;
  auto& links = controller->links;
  links.erase(std::remove(links.begin(), links.end(), ALink), links.end());
  delete ALink;
  if (--controller->useCount == 0)
    controller.reset();
}

void ClearObjectLinks(TObject* AObject) {
  auto& controller = LinkController();
  if (!controller || !AObject)
    return;
  auto& links = controller->links;
  for (int i = int(links.size()) - 1; i >= 0; --i)
    if (links[std::size_t(i)]->Ref == AObject) {
      links[std::size_t(i)]->Ref = nullptr;
      links.erase(links.begin() + i);
    }
}

int ObjectLinkCount() {
  auto& controller = LinkController();
  return controller ? controller->useCount : 0;
}

TPoint cxPoint(int X, int Y) {
  return TPoint{X, Y};
}

int HalfSum(int A, int B) {
  long long sum = (long long)A + B;
  return int(sum >= 1 ? sum / 2 : (sum - 1) / 2);
}

String cxGetResourceString(const String& AText) {
  const auto& table = TranslationTable();
  if (!table)
    return AText;
  auto it = std::find(table->sources.begin(), table->sources.end(), AText);
  if (it == table->sources.end())
    return AText;
  return table->translations[std::size_t(it - table->sources.begin())];
}

void cxSetResourceStringTranslation(const String& ASource, const String& ATranslation) {
  auto& table = TranslationTable();
  if (!table)
    table = std::make_unique<Translations>();
  auto it = std::find(table->sources.begin(), table->sources.end(), ASource);
  if (it != table->sources.end()) {
    table->translations[std::size_t(it - table->sources.begin())] = ATranslation;
    return;
  }
  table->sources.push_back(ASource);
  table->translations.push_back(ATranslation);
}

void cxClearResourceStringTranslations() {
  TranslationTable().reset();
}

const TUnitInfo cxClassesUnit{"cxClasses", nullptr, &cxClearResourceStringTranslations};
