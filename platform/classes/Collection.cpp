#include "platform/classes/Collection.h"

#include <algorithm>
#include <iterator>

namespace {
[[noreturn]] void ListIndexError(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}
} // namespace

TCollectionItem::TCollectionItem(TCollection* Collection) {
  if (Collection)
    Collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem() {
  if (FCollection)
    FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Value == FCollection)
    return;
  if (FCollection)
    FCollection->RemoveItem(this);
  if (Value)
    Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection)
    return -1;
  const auto& items = FCollection->FItems;
  return int(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  const int current = Index();
  if (current < 0 || Value == current)
    return;
  auto& items = FCollection->FItems;
  if (Value < 0 || Value >= int(items.size()))
    ListIndexError(Value);
  if (Value < current)
    std::rotate(items.begin() + Value, items.begin() + current, items.begin() + current + 1);
  else
    std::rotate(items.begin() + current, items.begin() + current + 1, items.begin() + Value + 1);
  Changed(true);
}

TPersistent* TCollectionItem::GetOwner() {
  return FCollection;
}

AnsiString TCollectionItem::GetNamePath() {
  if (!FCollection)
    return ClassName();
  return FCollection->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TCollectionItem::Changed(bool AllItems) {
  if (!FCollection || FCollection->FUpdateCount > 0)
    return;
  FCollection->Update(AllItems ? nullptr : this);
}

TCollection::TCollection(TClass ItemClass) : TCollection(nullptr, ItemClass) {}

TCollection::TCollection(TPersistent* AOwner, TClass ItemClass) : FItemClass(ItemClass), FOwner(AOwner) {
  if (!ItemClass || !ItemClass->InheritsFrom(ClassOf<TCollectionItem>()))
    throw EInvalidCast("Invalid class typecast: a collection's item class must descend from TCollectionItem");
}

TCollection::~TCollection() {
  // The derived collection is gone by now, so no Update may reach it while the items go.
  FUpdateCount = 1;
  while (!FItems.empty()) {
    TCollectionItem* item = FItems.back();
    FItems.pop_back();
    item->FCollection = nullptr;
    item->Free();
  }
}

void TCollection::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count())
    ListIndexError(Index);
}

TCollectionItem* TCollection::Items(int Index) const {
  CheckIndex(Index);
  return FItems[std::size_t(Index)];
}

TCollectionItem* TCollection::Add() {
  return NewInstance<TCollectionItem>(FItemClass, this);
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count())
    ListIndexError(Index);
  TUpdateBlock update(*this);
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Delete(int Index) {
  Items(Index)->Free();
}

void TCollection::Clear() {
  if (FItems.empty())
    return;
  TUpdateBlock update(*this);
  while (!FItems.empty())
    FItems.back()->Free();
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID)
      return item;
  return nullptr;
}

void TCollection::BeginUpdate() {
  ++FUpdateCount;
}

void TCollection::EndUpdate() {
  // An unbalanced EndUpdate is ignored rather than driving the count negative, which would silence every
  // later notification.
  if (FUpdateCount == 0)
    return;
  if (--FUpdateCount == 0)
    Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0)
    Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  // Searched from the end: Clear and most deletions free the last item, which keeps clearing linear.
  auto it = std::find(FItems.rbegin(), FItems.rend(), Item);
  if (it != FItems.rend())
    FItems.erase(std::next(it).base());
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCollection*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this)
    return;
  TUpdateBlock update(*this);
  Clear();
  for (TCollectionItem* item : source->FItems)
    Add()->Assign(item);
}

AnsiString TCollection::GetNamePath() {
  if (FOwner && !FPropName.empty()) {
    const AnsiString ownerPath = FOwner->GetNamePath();
    if (!ownerPath.empty())
      return ownerPath + "." + FPropName;
  }
  return ClassName();
}
