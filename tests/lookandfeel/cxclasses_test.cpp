#include "lookandfeel/cxClasses.h"

#include <gtest/gtest.h>

namespace {

class A : public TObject {
  PELVOR_CLASS(A, TObject)
};
class B : public A {
  PELVOR_CLASS(B, A)
};
class C : public B {
  PELVOR_CLASS(C, B)
};
class D : public B {
  PELVOR_CLASS(D, B)
};
class Unrelated : public TObject {
  PELVOR_CLASS(Unrelated, TObject)
};
class RA : public TObject {
  PELVOR_CLASS(RA, TObject)
};
class RB : public TObject {
  PELVOR_CLASS(RB, TObject)
};

std::vector<TClass> Order(const TcxRegisteredClassList& list) {
  std::vector<TClass> r;
  for (int i = 0; i < list.Count(); ++i)
    r.push_back(list.Items(i).ItemClass);
  return r;
}

TEST(RegisteredClassList, KeepsAncestorsAheadOfDescendantsWhateverTheOrderOfRegistration) {
  struct Case {
    std::vector<TClass> registered;
    std::vector<TClass> expected;
  };
  TClass a = ClassOf<A>(), b = ClassOf<B>(), c = ClassOf<C>(), d = ClassOf<D>();
  const Case cases[] = {
      {{a, b, c}, {a, b, c}}, {{c, b, a}, {a, b, c}}, {{b, a}, {a, b}},
      {{c, a, d}, {a, d, c}}, {{d, c, b}, {b, d, c}},
  };
  for (const Case& k : cases) {
    TcxRegisteredClassList list;
    for (TClass cls : k.registered)
      list.Register(cls, ClassOf<RA>());
    EXPECT_EQ(Order(list), k.expected) << "first registered: " << k.registered.front()->Name;
  }
}

TEST(RegisteredClassList, FindsTheNearestRegisteredAncestor) {
  TcxRegisteredClassList list;
  list.Register(ClassOf<A>(), ClassOf<RA>());
  list.Register(ClassOf<B>(), ClassOf<RB>());
  list.Register(ClassOf<C>(), ClassOf<RA>());

  int index = -7;
  EXPECT_TRUE(list.Find(ClassOf<D>(), index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(list.FindClass(ClassOf<D>()), ClassOf<RB>());
  EXPECT_EQ(list.FindClass(ClassOf<C>()), ClassOf<RA>());

  index = -7;
  EXPECT_FALSE(list.Find(ClassOf<Unrelated>(), index));
  EXPECT_EQ(index, -7);
  EXPECT_EQ(list.FindClass(ClassOf<Unrelated>()), nullptr);
}

TEST(RegisteredClassList, AFailedFindPointsAtTheFirstDescendant) {
  TcxRegisteredClassList list;
  list.Register(ClassOf<C>(), ClassOf<RA>());
  list.Register(ClassOf<D>(), ClassOf<RA>());
  int index = -1;
  EXPECT_FALSE(list.Find(ClassOf<B>(), index));
  EXPECT_EQ(index, 0);
}

TEST(RegisteredClassList, DuplicatesAreKeptAndOneUnregisterRemovesAllOfThem) {
  TcxRegisteredClassList list;
  list.Register(ClassOf<A>(), ClassOf<RA>());
  list.Register(ClassOf<A>(), ClassOf<RB>());
  list.Register(ClassOf<A>(), ClassOf<RA>());
  EXPECT_EQ(list.Count(), 3);
  // The latest registration is found first.
  EXPECT_EQ(list.FindClass(ClassOf<B>()), ClassOf<RA>());
  list.Unregister(ClassOf<A>(), ClassOf<RA>());
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0).RegisteredClass, ClassOf<RB>());
}

TEST(RegisteredClasses, IgnoresASecondRegistrationAndFindsByExactName) {
  TcxRegisteredClasses list;
  list.Register(ClassOf<A>(), "first");
  list.Register(ClassOf<B>(), "second");
  list.Register(ClassOf<A>(), "again");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Descriptions(0), "first");
  EXPECT_EQ(list.FindByClassName("B"), ClassOf<B>());
  EXPECT_EQ(list.FindByClassName("b"), nullptr);
  list.Unregister(ClassOf<A>());
  EXPECT_EQ(list.FindByClassName("A"), nullptr);
  EXPECT_EQ(list.Count(), 1);
}

TEST(AutoWidth, SharesByRunningSums) {
  struct Case {
    int available;
    std::vector<int> widths, minimums;
    std::vector<bool> fixed;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {100, {1, 1, 1}, {0, 0, 0}, {false, false, false}, {33, 34, 33}},
      {100, {10, 30}, {0, 0}, {false, false}, {25, 75}},
      // The first item's minimum beats its share of 33; the other two share what is left.
      {100, {1, 1, 1}, {50, 0, 0}, {false, false, false}, {50, 25, 25}},
      {100, {20, 10, 10}, {0, 0, 0}, {true, false, false}, {20, 40, 40}},
      {50, {0, 0}, {0, 0}, {false, false}, {-1, -1}},
      {50, {10}, {0}, {true}, {10}},
  };
  for (const Case& k : cases) {
    TcxAutoWidthObject obj(int(k.widths.size()));
    obj.SetAvailableWidth(k.available);
    for (std::size_t i = 0; i < k.widths.size(); ++i) {
      TcxAutoWidthItem* item = obj.AddItem();
      EXPECT_EQ(item->AutoWidth, -1);
      item->Width = k.widths[i];
      item->MinWidth = k.minimums[i];
      item->Fixed = k.fixed[i];
    }
    obj.Calculate();
    std::vector<int> got;
    for (int i = 0; i < obj.Count(); ++i)
      got.push_back(obj.Items(i)->AutoWidth);
    EXPECT_EQ(got, k.expected) << "available " << k.available;
  }
}

TEST(ObjectLinks, ClearingAnObjectEmptiesOnlyItsLinksAndTheControllerLivesWithTheLinks) {
  A first, second;
  ASSERT_EQ(ObjectLinkCount(), 0);
  TcxObjectLink* l1 = AddObjectLink(&first);
  TcxObjectLink* l2 = AddObjectLink(&second);
  TcxObjectLink* l3 = AddObjectLink(&first);
  ClearObjectLinks(&first);
  EXPECT_EQ(l1->Ref, nullptr);
  EXPECT_EQ(l3->Ref, nullptr);
  EXPECT_EQ(l2->Ref, &second);
  EXPECT_EQ(ObjectLinkCount(), 3);
  RemoveObjectLink(l1);
  RemoveObjectLink(l2);
  EXPECT_EQ(ObjectLinkCount(), 1);
  RemoveObjectLink(l3);
  EXPECT_EQ(ObjectLinkCount(), 0);
  // A link added after the controller went away starts a new one.
  TcxObjectLink* l4 = AddObjectLink(&second);
  EXPECT_EQ(ObjectLinkCount(), 1);
  RemoveObjectLink(l4);
}

TEST(BasicRoutines, HalfSumRoundsDown) {
  const int cases[][3] = {{-3, 0, -2}, {1, 2, 1},    {0, 0, 0}, {-1, 0, -1},
                          {3, 4, 3},   {-2, -3, -3}, {5, -4, 0}};
  for (const auto& k : cases)
    EXPECT_EQ(HalfSum(k[0], k[1]), k[2]) << k[0] << " + " << k[1];
}

TEST(BasicRoutines, ResourceStringsPassUnchangedUnlessTranslated) {
  EXPECT_EQ(cxGetResourceString("Stream read error"), "Stream read error");
  cxSetResourceStringTranslation("Stream read error", "Akis okuma hatasi");
  EXPECT_EQ(cxGetResourceString("Stream read error"), "Akis okuma hatasi");
  EXPECT_EQ(cxGetResourceString("stream read error"), "stream read error");
  cxClearResourceStringTranslations();
  EXPECT_EQ(cxGetResourceString("Stream read error"), "Stream read error");
}

} // namespace

namespace {

struct FreeLog {
  std::vector<TComponent*> freed;
  void OnFree(TObject*, TComponent* AComponent) { freed.push_back(AComponent); }
};

TEST(FreeNotification, TheNotificatorHearsOfWatchedComponentsUntilRemoved) {
  FreeLog log;
  auto* notificator = new TcxFreeNotificator(nullptr);
  notificator->OnFreeNotification = TcxFreeNotificationEvent(&log, &FreeLog::OnFree);
  auto* watched = new TComponent(nullptr);
  auto* unwatched = new TComponent(nullptr);
  cxAddFreeNotification(notificator, watched);
  cxAddFreeNotification(notificator, unwatched);
  cxAddFreeNotification(notificator, nullptr);
  cxRemoveFreeNotification(notificator, unwatched);
  TComponent* watchedAddress = watched;
  watched->Free();
  unwatched->Free();
  EXPECT_EQ(log.freed, std::vector<TComponent*>{watchedAddress});
  notificator->Free();
}

class Tracked : public TObject {
  PELVOR_CLASS(Tracked, TObject)
public:
  Tracked(std::vector<int>& log, int id) : FLog(log), FId(id) {}
  ~Tracked() override { FLog.push_back(FId); }

private:
  std::vector<int>& FLog;
  int FId;
};

TEST(ObjectList, ClearFreesFirstToLast) {
  std::vector<int> log;
  TcxObjectList list;
  for (int i = 1; i <= 3; ++i)
    list.Add(new Tracked(log, i));
  list.Clear();
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(list.Count(), 0);
}

TEST(InterfacedPersistent, AnswersItsOwner) {
  TcxInterfacedPersistent owner(nullptr);
  TcxInterfacedPersistent child(&owner);
  EXPECT_EQ(GetPersistentOwner(&child), &owner);
  EXPECT_EQ(GetPersistentOwner(&owner), nullptr);
  EXPECT_EQ(GetPersistentOwner(nullptr), nullptr);
}

} // namespace

namespace {

TEST(ListIndexes, OutOfRangeRaisesTheListError) {
  TcxRegisteredClassList list;
  TcxRegisteredClasses classes;
  TcxAutoWidthObject widths(1);
  TcxObjectList objects;
  EXPECT_THROW(list.Items(0), EListError);
  EXPECT_THROW(classes.Items(-1), EListError);
  EXPECT_THROW(classes.Descriptions(0), EListError);
  EXPECT_THROW(widths.Items(0), EListError);
  EXPECT_THROW(objects.Items(3), EListError);
}

} // namespace

namespace {

class LinkingComponent : public TcxComponent {
  PELVOR_CLASS(LinkingComponent, TcxComponent)
public:
  using TcxComponent::TcxComponent;
  std::vector<TComponent*> links;
  void Design() { SetDesigning(true); }
  void FinishLoading() { Loaded(); }

protected:
  void GetFakeComponentLinks(std::vector<TComponent*>& AList) override { AList = links; }
};

TEST(CxComponent, KeepsFakeLinksOnlyWhileDesignedAndDropsFreedOnes) {
  TComponent owner(nullptr);
  auto* first = new TComponent(nullptr);
  auto* second = new TComponent(nullptr);

  auto* running = new LinkingComponent(&owner);
  running->links = {first, second};
  running->FinishLoading();
  EXPECT_EQ(running->FakeComponentLink1(), nullptr);

  auto* designed = new LinkingComponent(&owner);
  designed->links = {first, second};
  designed->Design();
  designed->FinishLoading();
  EXPECT_EQ(designed->FakeComponentLink1(), first);
  EXPECT_EQ(designed->FakeComponentLink2(), second);
  EXPECT_EQ(designed->FakeComponentLink3(), nullptr);

  first->Free();
  EXPECT_EQ(designed->FakeComponentLink1(), nullptr);
  EXPECT_EQ(designed->FakeComponentLink2(), second);

  // Links to the component go dead when it is destroyed.
  TcxObjectLink* link = AddObjectLink(designed);
  designed->Free();
  EXPECT_EQ(link->Ref, nullptr);
  RemoveObjectLink(link);
  second->Free();
}

} // namespace
