#include "platform/classes/Lists.h"

#include <algorithm>

namespace {
[[noreturn]] void ListError(const char* what, int value) {
  throw EListError(std::string(what) + " (" + std::to_string(value) + ")");
}
} // namespace

TList::~TList() {
  // Derived lists clear themselves in their own destructors; by now Notify is the base's and does nothing.
  FList.clear();
}

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count())
    ListError("List index out of bounds", Index);
}

int TList::Add(void* Item) {
  FList.push_back(Item);
  if (Item)
    Notify(Item, lnAdded);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count())
    ListError("List index out of bounds", Index);
  FList.insert(FList.begin() + Index, Item);
  if (Item)
    Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  void* item = FList[std::size_t(Index)];
  FList.erase(FList.begin() + Index);
  if (item)
    Notify(item, lnDeleted);
}

int TList::Remove(void* Item) {
  const int index = IndexOf(Item);
  if (index >= 0)
    Delete(index);
  return index;
}

void* TList::Extract(void* Item) {
  const int index = IndexOf(Item);
  if (index < 0)
    return nullptr;
  FList.erase(FList.begin() + index);
  if (Item)
    Notify(Item, lnExtracted);
  return Item;
}

int TList::IndexOf(void* Item) const {
  auto it = std::find(FList.begin(), FList.end(), Item);
  return it == FList.end() ? -1 : int(it - FList.begin());
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex)
    return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  if (NewIndex < CurIndex)
    std::rotate(FList.begin() + NewIndex, FList.begin() + CurIndex, FList.begin() + CurIndex + 1);
  else
    std::rotate(FList.begin() + CurIndex, FList.begin() + CurIndex + 1, FList.begin() + NewIndex + 1);
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[std::size_t(Index1)], FList[std::size_t(Index2)]);
}

void TList::Sort(TListSortCompare Compare) {
  if (!Compare || Count() < 2)
    return;
  const std::vector<int> order = SortedPermutation(
      Count(), [&](int a, int b) { return Compare(FList[std::size_t(a)], FList[std::size_t(b)]) < 0; });
  std::vector<void*> sorted(FList.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    sorted[i] = FList[std::size_t(order[i])];
  FList.swap(sorted);
}

void TList::Clear() {
  // Items leave one at a time from the end, so a Notify that looks at the list sees it consistent.
  while (!FList.empty()) {
    void* item = FList.back();
    FList.pop_back();
    if (item)
      Notify(item, lnDeleted);
  }
  FList.shrink_to_fit();
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0)
    ListError("List count out of bounds", NewCount);
  while (Count() > NewCount)
    Delete(Count() - 1);
  FList.resize(std::size_t(NewCount), nullptr);
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count())
    ListError("List capacity out of bounds", NewCapacity);
  if (std::size_t(NewCapacity) > FList.capacity())
    FList.reserve(std::size_t(NewCapacity));
  else
    FList.shrink_to_fit();
}

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return FList[std::size_t(Index)];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  void* old = FList[std::size_t(Index)];
  if (old == Item)
    return;
  FList[std::size_t(Index)] = Item;
  if (old)
    Notify(old, lnDeleted);
  if (Item)
    Notify(Item, lnAdded);
}

TObjectList::~TObjectList() {
  Clear();
}

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted)
    static_cast<TObject*>(Ptr)->Free();
  TList::Notify(Ptr, Action);
}
