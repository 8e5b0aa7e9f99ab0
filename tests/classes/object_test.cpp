#include <gtest/gtest.h>

#include <memory>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"

namespace {

class TAnimal : public TPersistent {
  PELVOR_CLASS(TAnimal, TPersistent)
  int Legs = 4;
  void Assign(TPersistent* Source) override {
    if (auto* a = dynamic_cast<TAnimal*>(Source))
      Legs = a->Legs;
    else
      TPersistent::Assign(Source);
  }
};
class TBird : public TAnimal {
  PELVOR_CLASS(TBird, TAnimal)
  TBird() { Legs = 2; }
};
class TAbstractShape : public TPersistent {
  PELVOR_CLASS(TAbstractShape, TPersistent)
  virtual int Corners() const = 0;
};
class TOwnedThing : public TComponent {
  PELVOR_CLASS(TOwnedThing, TComponent)
  using TComponent::TComponent;
};

TEST(ClassReference, NameParentAndInheritance) {
  TBird bird;
  TPersistent* p = &bird;
  EXPECT_EQ(p->ClassName(), "TBird");
  EXPECT_EQ(p->ClassType(), ClassOf<TBird>());
  EXPECT_EQ(p->ClassParent(), ClassOf<TAnimal>());
  EXPECT_EQ(ClassOf<TAnimal>()->ClassParent(), ClassOf<TPersistent>());
  EXPECT_EQ(ClassOf<TObject>()->ClassParent(), nullptr);
  EXPECT_TRUE(p->InheritsFrom(ClassOf<TAnimal>()));
  EXPECT_TRUE(p->InheritsFrom(ClassOf<TBird>()));
  EXPECT_TRUE(p->InheritsFrom(ClassOf<TObject>()));
  EXPECT_FALSE(ClassOf<TAnimal>()->InheritsFrom(ClassOf<TBird>()));
  EXPECT_FALSE(p->InheritsFrom(ClassOf<TComponent>()));
  EXPECT_TRUE(p->ClassNameIs("tbird"));
}

TEST(ClassReference, VirtualConstructionByReference) {
  TClass cls = ClassOf<TBird>();
  std::unique_ptr<TPersistent, TObjectDeleter> made(NewInstance<TPersistent>(cls));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassType(), cls);
  EXPECT_EQ(static_cast<TAnimal*>(made.get())->Legs, 2);

  TOwnedThing owner(nullptr);
  TComponent* child = NewInstance<TComponent>(ClassOf<TOwnedThing>(), &owner);
  EXPECT_EQ(child->ClassName(), "TOwnedThing");
  EXPECT_EQ(child->Owner(), &owner);
}

TEST(ClassReference, ConstructionErrors) {
  // Not a descendant of the requested level.
  EXPECT_THROW(NewInstance<TComponent>(ClassOf<TBird>(), nullptr), EInvalidCast);
  // A component class asked for through the argument-less constructor of a persistent.
  EXPECT_THROW(NewInstance<TPersistent>(ClassOf<TOwnedThing>()), EInvalidOperation);
  EXPECT_THROW(NewInstance<TPersistent>(ClassOf<TAbstractShape>()), EInvalidOperation);
  EXPECT_THROW(NewInstance<TPersistent>(nullptr), EInvalidOperation);
}

TEST(ClassReference, CheckedCast) {
  TBird bird;
  TObject* o = &bird;
  EXPECT_EQ(As<TAnimal>(o), &bird);
  EXPECT_EQ(As<TAnimal>(static_cast<TObject*>(nullptr)), nullptr);
  EXPECT_THROW(As<TComponent>(o), EInvalidCast);
  EXPECT_TRUE(Is<TAnimal>(o));
  EXPECT_FALSE(Is<TCollection>(o));
}

TEST(ClassRegistry, RegisterFindAndConflicts) {
  RegisterClasses({ClassOf<TAnimal>(), ClassOf<TBird>()});
  RegisterClass(ClassOf<TBird>()); // again: no effect
  EXPECT_EQ(GetClass("TBIRD"), ClassOf<TBird>());
  EXPECT_EQ(FindClass("TAnimal"), ClassOf<TAnimal>());
  EXPECT_EQ(GetClass("TNothing"), nullptr);
  try {
    FindClass("TNothing");
    FAIL() << "FindClass of an unknown class must raise";
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TNothing not found");
  }
  UnRegisterClass(ClassOf<TBird>());
  EXPECT_EQ(GetClass("TBird"), nullptr);
  UnRegisterClass(ClassOf<TAnimal>());
}

TEST(Persistent, AssignFallsBackToTheCannotAssignError) {
  TAnimal a;
  TBird b;
  a.Assign(&b);
  EXPECT_EQ(a.Legs, 2);
  TOwnedThing thing(nullptr);
  try {
    a.Assign(&thing);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TOwnedThing to a TAnimal");
  }
  try {
    a.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TAnimal");
  }
}

enum TColourKind { ckRed, ckGreen, ckBlue, ckAlpha };
using TColourKinds = TSet<TColourKind, 4>;
enum TWide { wFirst = 0, wLast = 199 };
using TWideSet = TSet<TWide, 200>;

TEST(Sets, Operations) {
  constexpr TColourKinds rg{ckRed, ckGreen};
  constexpr TColourKinds gb{ckGreen, ckBlue};
  static_assert(rg.Contains(ckGreen) && !rg.Contains(ckBlue));
  static_assert(rg + gb == TColourKinds{ckRed, ckGreen, ckBlue});
  static_assert(rg * gb == TColourKinds{ckGreen});
  static_assert(rg - gb == TColourKinds{ckRed});
  static_assert(TColourKinds{}.Empty() && (rg - rg).Empty());

  TColourKinds s;
  s.Include(ckAlpha).Include(ckRed).Include(ckRed);
  EXPECT_EQ(s.Count(), 2u);
  s.Exclude(ckRed);
  EXPECT_EQ(s, TColourKinds{ckAlpha});
  EXPECT_NE(s, rg);
  EXPECT_TRUE(TColourKinds{ckGreen}.SubsetOf(rg));
  EXPECT_FALSE(gb.SubsetOf(rg));
  EXPECT_THROW(s.Include(TColourKind(4)), EInvalidArgument);
  EXPECT_FALSE(s.Contains(TColourKind(9)));

  // Elements beyond the first machine word.
  TWideSet w{wLast, TWide(64), wFirst};
  EXPECT_TRUE(w.Contains(wLast) && w.Contains(TWide(64)) && w.Contains(wFirst));
  EXPECT_FALSE(w.Contains(TWide(63)) || w.Contains(TWide(65)));
  EXPECT_EQ((w - TWideSet{TWide(64)}).Count(), 2u);
}

struct Listener {
  int clicks = 0;
  TObject* last = nullptr;
  void Click(TObject* Sender) {
    ++clicks;
    last = Sender;
  }
  void Other(TObject*) {}
  int Twice(int v) const { return 2 * v; }
};
struct DerivedListener : Listener {};

TEST(Events, EqualityNamesObjectAndMember) {
  Listener a, b;
  DerivedListener d;
  TNotifyEvent none;
  EXPECT_FALSE(none.Assigned());
  EXPECT_TRUE(none == nullptr);
  EXPECT_EQ(none, TNotifyEvent(nullptr));

  TNotifyEvent ac(&a, &Listener::Click);
  EXPECT_TRUE(ac.Assigned());
  EXPECT_EQ(ac, TNotifyEvent(&a, &Listener::Click));
  EXPECT_NE(ac, TNotifyEvent(&b, &Listener::Click));
  EXPECT_NE(ac, TNotifyEvent(&a, &Listener::Other));
  EXPECT_NE(ac, none);
  // The same handler reached through a derived pointer is the same event.
  EXPECT_EQ(TNotifyEvent(&d, &Listener::Click), TNotifyEvent(static_cast<Listener*>(&d), &Listener::Click));

  TObject sender;
  TNotifyEvent copy = ac;
  copy(&sender);
  EXPECT_EQ(a.clicks, 1);
  EXPECT_EQ(a.last, &sender);
  copy = nullptr;
  EXPECT_FALSE(copy);
  EXPECT_THROW(copy(nullptr), EInvalidOperation);

  TEvent<int(int)> twice(&a, &Listener::Twice);
  EXPECT_EQ(twice(21), 42);
  EXPECT_EQ(twice.Object(), &a);
}

} // namespace
