#include "platform/classes/Component.h"

#include <algorithm>

namespace {

bool IsIdentifier(std::string_view s) {
  if (s.empty())
    return false;
  auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!isAlpha(s[0]))
    return false;
  return std::all_of(s.begin() + 1, s.end(), [&](char c) { return isAlpha(c) || (c >= '0' && c <= '9'); });
}

// Component names are identifiers, so an ASCII case fold is the whole of their case rule.
bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
           return up(x) == up(y);
         });
}

template <class T> bool EraseOne(std::vector<T*>& list, T* item) {
  auto it = std::find(list.rbegin(), list.rend(), item);
  if (it == list.rend())
    return false;
  list.erase(std::next(it).base());
  return true;
}

} // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner)
    AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Every peer is told while this object still exists, and drops its own link first, so no list anywhere
  // keeps a pointer to it afterwards.
  while (!FFreeNotifies.empty()) {
    TComponent* peer = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    EraseOne(peer->FFreeNotifies, this);
    if (peer->FFreeNotifies.empty())
      peer->FComponentState.Exclude(csFreeNotification);
    peer->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner)
    FOwner->RemoveComponent(this);
}

void TComponent::BeforeDestruction() {
  Destroying();
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying))
    return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents)
    c->Destroying();
}

void TComponent::DestroyComponents() {
  // Last created goes first; each is taken out of the list before it dies, so it never calls back into this
  // half-destroyed owner. The siblings still alive hear of it, as they would of any removal, so none keeps a
  // reference to it while they are destroyed in turn.
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    FComponents.pop_back();
    c->FOwner = nullptr;
    for (int i = ComponentCount() - 1; i >= 0; --i) {
      if (i >= ComponentCount()) {
        i = ComponentCount();
        continue;
      }
      FComponents[std::size_t(i)]->Notification(c, opRemove);
    }
    c->Free();
  }
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FComponents[std::size_t(Index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner)
    return -1;
  const auto& list = FOwner->FComponents;
  return int(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty())
    return nullptr;
  for (TComponent* c : FComponents)
    if (SameName(c->FName, AName))
      return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this)
    return;
  if (AComponent == this)
    throw EComponentError("A component cannot own itself");
  for (TComponent* o = this; o; o = o->FOwner)
    if (o == AComponent)
      throw EComponentError("A component cannot own one of its owners");
  ValidateRename(AComponent, AnsiString(), AComponent->FName);
  if (AComponent->FOwner)
    AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  if (FComponentState.Contains(csDesigning))
    AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this)
    return;
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  EraseOne(FComponents, AComponent);
  AComponent->FOwner = nullptr;
}

void TComponent::SetName(const AnsiString& NewName) {
  if (NewName == FName)
    return;
  if (!NewName.empty() && !IsIdentifier(NewName))
    throw EComponentError("'" + NewName + "' is not a valid component name");
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  FName = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                                const AnsiString& NewName) const {
  if (NewName.empty() || SameName(CurName, NewName))
    return;
  TComponent* existing = FindComponent(NewName);
  if (existing && existing != AComponent)
    throw EComponentError("A component named " + NewName + " already exists");
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this)
    return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(AComponent);
    AComponent->FFreeNotifies.push_back(this);
  }
  FComponentState.Include(csFreeNotification);
  AComponent->FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent)
    return;
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
  EraseOne(FFreeNotifies, AComponent);
  if (FFreeNotifies.empty())
    FComponentState.Exclude(csFreeNotification);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent)
    RemoveFreeNotification(AComponent);
  // A handler may free or insert components; walk by index from the end and re-clamp after each call.
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (i >= ComponentCount()) {
      i = ComponentCount();
      continue;
    }
    FComponents[std::size_t(i)]->Notification(AComponent, Operation);
  }
}

void TComponent::Loaded() {
  FComponentState.Exclude(csLoading);
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value)
    FComponentState.Include(csDesigning);
  else
    FComponentState.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : FComponents)
      c->SetDesigning(Value, true);
}

void TComponent::SetInline(bool Value) {
  if (Value)
    FComponentState.Include(csInline);
  else
    FComponentState.Exclude(csInline);
}

void TComponent::SetDesignInstance(bool Value) {
  if (Value)
    FComponentState.Include(csDesignInstance);
  else
    FComponentState.Exclude(csDesignInstance);
}
