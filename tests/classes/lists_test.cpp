#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/classes/Lists.h"

namespace {

std::vector<long> Values(const TList& list) {
  std::vector<long> out;
  for (int i = 0; i < list.Count(); ++i)
    out.push_back(reinterpret_cast<long>(list.Items(i)));
  return out;
}
void* P(long v) {
  return reinterpret_cast<void*>(v);
}

TEST(List, EditingOperations) {
  TList list;
  for (long v : {10, 20, 30})
    list.Add(P(v));
  list.Insert(0, P(5));
  list.Insert(4, P(40));
  EXPECT_EQ(Values(list), (std::vector<long>{5, 10, 20, 30, 40}));
  list.Move(0, 4);
  EXPECT_EQ(Values(list), (std::vector<long>{10, 20, 30, 40, 5}));
  list.Move(3, 1);
  EXPECT_EQ(Values(list), (std::vector<long>{10, 40, 20, 30, 5}));
  list.Exchange(0, 4);
  EXPECT_EQ(list.First(), P(5));
  EXPECT_EQ(list.Last(), P(10));
  EXPECT_EQ(list.Remove(P(20)), 2);
  EXPECT_EQ(list.Remove(P(99)), -1);
  EXPECT_EQ(list.IndexOf(P(30)), 2);
  list.Delete(0);
  EXPECT_EQ(Values(list), (std::vector<long>{40, 30, 10}));
  list.SetCount(5);
  EXPECT_EQ(list.Items(4), nullptr);
  list.SetCount(1);
  EXPECT_EQ(Values(list), (std::vector<long>{40}));
  list.SetCapacity(100);
  EXPECT_GE(list.Capacity(), 100);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(List, IndexErrorsCarryTheIndex) {
  TList list;
  list.Add(P(1));
  struct Case {
    const char* what;
    std::function<void()> op;
    const char* message;
  };
  const Case cases[] = {
      {"Items", [&] { list.Items(1); }, "List index out of bounds (1)"},
      {"Items<0", [&] { list.Items(-1); }, "List index out of bounds (-1)"},
      {"Delete", [&] { list.Delete(3); }, "List index out of bounds (3)"},
      {"Insert", [&] { list.Insert(2, nullptr); }, "List index out of bounds (2)"},
      {"Move", [&] { list.Move(0, 7); }, "List index out of bounds (7)"},
      {"Exchange", [&] { list.Exchange(-2, 0); }, "List index out of bounds (-2)"},
      {"SetCount", [&] { list.SetCount(-1); }, "List count out of bounds (-1)"},
      {"SetCapacity", [&] { list.SetCapacity(0); }, "List capacity out of bounds (0)"},
  };
  for (const Case& c : cases) {
    try {
      c.op();
      ADD_FAILURE() << c.what;
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
  }
  EXPECT_EQ(list.Count(), 1);
}

TEST(List, SortIsStableAndSurvivesAnInconsistentComparison) {
  struct Pair {
    int key, seq;
  };
  std::vector<Pair> pairs;
  TList list;
  for (int i = 0; i < 50; ++i)
    pairs.push_back({(i * 7) % 5, i});
  for (auto& p : pairs)
    list.Add(&p);
  list.Sort([](void* a, void* b) { return static_cast<Pair*>(a)->key - static_cast<Pair*>(b)->key; });
  for (int i = 1; i < list.Count(); ++i) {
    auto* prev = static_cast<Pair*>(list.Items(i - 1));
    auto* cur = static_cast<Pair*>(list.Items(i));
    ASSERT_TRUE(prev->key < cur->key || (prev->key == cur->key && prev->seq < cur->seq)) << i;
  }
  // A comparison that is not an ordering must still leave every item in the list exactly once.
  list.Sort([](void*, void*) { return 1; });
  EXPECT_EQ(list.Count(), 50);
  for (auto& p : pairs)
    EXPECT_GE(list.IndexOf(&p), 0);
}

struct Tracked : TObject {
  int* freed;
  explicit Tracked(int* f) : freed(f) {}
  ~Tracked() override { ++*freed; }
};

TEST(ObjectList, FreesWhatItOwns) {
  int freed = 0;
  {
    TObjectList list;
    auto* kept = new Tracked(&freed);
    for (int i = 0; i < 4; ++i)
      list.Add(new Tracked(&freed));
    list.Add(kept);
    list.Delete(0);
    EXPECT_EQ(freed, 1);
    list.Remove(list.Items(0));
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(list.Extract(kept), kept); // extracted, not freed
    EXPECT_EQ(freed, 2);
    delete kept;
    EXPECT_EQ(freed, 3);
    list.SetItems(0, new Tracked(&freed)); // the replaced object goes
    EXPECT_EQ(freed, 4);
    EXPECT_EQ(list.Count(), 2);
  }
  EXPECT_EQ(freed, 6); // the rest go with the list

  int notOwned = 0;
  Tracked a(&notOwned), b(&notOwned);
  {
    TObjectList list(false);
    list.Add(&a);
    list.Add(&b);
    list.Clear();
  }
  EXPECT_EQ(notOwned, 0);
}

} // namespace
