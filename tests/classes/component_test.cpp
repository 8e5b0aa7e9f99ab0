#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Component.h"

namespace {

// Records the notifications it receives and keeps one reference that it must clear when its target goes.
class TWatcher : public TComponent {
  PELVOR_CLASS(TWatcher, TComponent)
  using TComponent::TComponent;

  TComponent* Target = nullptr;
  std::vector<std::string>* Log = nullptr;
  bool TouchTargetOnDestroy = false;

  ~TWatcher() override {
    // Reading through a dangling reference here is what AddressSanitizer would catch.
    if (TouchTargetOnDestroy && Target)
      (void)Target->Name().size();
  }

  void SetTarget(TComponent* Value) {
    if (Target)
      Target->RemoveFreeNotification(this);
    Target = Value;
    if (Target)
      Target->FreeNotification(this);
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Log)
      Log->push_back(Name() + (Operation == opInsert ? " +" : " -") + AComponent->Name());
    if (Operation == opRemove && AComponent == Target)
      Target = nullptr;
    TComponent::Notification(AComponent, Operation);
  }
};

TWatcher* Make(TComponent* owner, const char* name) {
  auto* w = new TWatcher(owner);
  w->SetName(name);
  return w;
}

TEST(Component, OwnerFreesOwnedAndKeepsTheList) {
  auto* form = Make(nullptr, "Form");
  auto* a = Make(form, "A");
  auto* b = Make(form, "B");
  auto* c = Make(a, "C");
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->Components(1), b);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(form->FindComponent("b"), b);
  EXPECT_EQ(form->FindComponent("C"), nullptr); // not directly owned
  EXPECT_EQ(form->FindComponent(""), nullptr);
  EXPECT_EQ(c->Owner(), a);
  EXPECT_THROW(form->Components(2), EListError);

  a->Free(); // frees C too; B stays
  EXPECT_EQ(form->ComponentCount(), 1);
  EXPECT_EQ(form->Components(0), b);
  form->Free(); // ASan reports any leak or double free here
}

TEST(Component, InsertAndRemoveMoveBetweenOwners) {
  TWatcher first(nullptr), second(nullptr);
  auto* item = Make(&first, "Item");
  second.InsertComponent(item);
  EXPECT_EQ(item->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.ComponentCount(), 1);
  second.RemoveComponent(item);
  EXPECT_EQ(item->Owner(), nullptr);
  EXPECT_THROW(item->InsertComponent(item), EComponentError);
  item->InsertComponent(&first);
  EXPECT_THROW(first.InsertComponent(item), EComponentError); // would make an ownership cycle
  item->RemoveComponent(&first);
  item->Free();
}

TEST(Component, NamesAreValidatedWithinTheOwner) {
  TWatcher form(nullptr);
  auto* a = Make(&form, "Edit1");
  auto* b = Make(&form, "Edit2");
  EXPECT_THROW(b->SetName("EDIT1"), EComponentError);
  EXPECT_EQ(b->Name(), "Edit2");
  for (const char* bad : {"1abc", "a b", "a-b", "é"}) {
    EXPECT_THROW(a->SetName(bad), EComponentError) << bad;
  }
  a->SetName("edit1"); // the case of its own name may change
  a->SetName("");
  b->SetName("Edit1");
  EXPECT_EQ(form.FindComponent("EDIT1"), b);
  auto* c = Make(nullptr, "Edit1");
  try {
    form.InsertComponent(c);
    ADD_FAILURE() << "a second Edit1 was taken in";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named Edit1 already exists");
  }
  EXPECT_EQ(c->Owner(), nullptr);
  c->Free();
}

TEST(Component, FreeNotificationClearsReferencesEitherWay) {
  TWatcher formA(nullptr), formB(nullptr);
  auto* source = Make(&formA, "Source");
  auto* user = Make(&formB, "User");
  user->SetTarget(source);
  EXPECT_TRUE(source->ComponentState().Contains(csFreeNotification));
  source->Free();
  EXPECT_EQ(user->Target, nullptr);

  // The link is mutual: freeing the listener first leaves nothing behind in the source.
  auto* source2 = Make(&formA, "Source2");
  user->SetTarget(source2);
  user->Free();
  EXPECT_FALSE(source2->ComponentState().Contains(csFreeNotification));
  source2->Free();

  // Removing the link means no notification arrives.
  auto* source3 = Make(&formA, "Source3");
  auto* user3 = Make(&formB, "User3");
  user3->SetTarget(source3);
  source3->RemoveFreeNotification(user3);
  std::vector<std::string> log;
  user3->Log = &log;
  source3->Free();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(user3->Target, source3); // it asked not to be told
}

TEST(Component, SiblingsHearOfInsertsAndRemovals) {
  std::vector<std::string> log;
  auto* form = Make(nullptr, "Form");
  auto* a = Make(form, "A");
  a->Log = &log;
  form->Log = &log;
  auto* b = Make(nullptr, "B");
  form->InsertComponent(b);
  b->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"Form +B", "A +B", "Form -B", "A -B"}));

  // A sibling referring to another without free notification is still cleared when the owner goes, in
  // whatever order the owner frees them.
  // The owner frees its components last first: Later, then Target, then A.
  auto* target = Make(form, "Target");
  auto* later = Make(form, "Later");
  a->Target = target;
  a->TouchTargetOnDestroy = true;
  later->Target = target;
  later->TouchTargetOnDestroy = true;
  log.clear();
  form->Log = nullptr;
  form->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"A -Later", "A -Target"}));
}

TEST(Component, DestroyingIsVisibleToDerivedDestructors) {
  struct Probe : TComponent {
    bool* out;
    Probe(TComponent* o, bool* f) : TComponent(o), out(f) {}
    ~Probe() override { *out = ComponentState().Contains(csDestroying); }
  };
  bool topSaw = false, childSaw = false, grandchildSaw = false;
  auto* top = new Probe(nullptr, &topSaw);
  auto* child = new Probe(top, &childSaw);
  new Probe(child, &grandchildSaw);
  top->Free();
  EXPECT_TRUE(topSaw);
  EXPECT_TRUE(childSaw);
  EXPECT_TRUE(grandchildSaw);
}

} // namespace
