#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Collection.h"

namespace {

class TWord : public TCollectionItem {
  PELVOR_CLASS(TWord, TCollectionItem)
  using TCollectionItem::TCollectionItem;

  std::string Text;
  void SetText(const std::string& v) {
    Text = v;
    Changed(false);
  }
  void Assign(TPersistent* Source) override {
    if (auto* w = dynamic_cast<TWord*>(Source))
      Text = w->Text;
    else
      TCollectionItem::Assign(Source);
  }
};

// Counts its updates: "*" for the whole collection, the item's text for one item.
class TWords : public TCollection {
  PELVOR_CLASS(TWords, TCollection)
  explicit TWords(TPersistent* Owner = nullptr) : TCollection(Owner, ClassOf<TWord>()) {}
  std::vector<std::string> Updates;
  TWord* Word(int i) const { return static_cast<TWord*>(Items(i)); }
  TWord* AddWord(const std::string& text) {
    auto* w = static_cast<TWord*>(Add());
    w->Text = text;
    return w;
  }
  std::string Texts() const {
    std::string s;
    for (int i = 0; i < Count(); ++i)
      s += Word(i)->Text;
    return s;
  }

protected:
  void Update(TCollectionItem* Item) override {
    Updates.push_back(Item ? static_cast<TWord*>(Item)->Text : "*");
  }
};

TEST(Collection, AddCreatesItemsOfTheItemClassWithUniqueIDs) {
  TWords words;
  auto* a = words.AddWord("a");
  auto* b = words.AddWord("b");
  EXPECT_EQ(a->ClassType(), ClassOf<TWord>());
  EXPECT_EQ(a->Collection(), &words);
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(b->ID(), 1);
  EXPECT_EQ(b->Index(), 1);
  words.Delete(0);
  auto* c = words.AddWord("c");
  EXPECT_EQ(c->ID(), 2); // IDs are never reused
  EXPECT_EQ(b->Index(), 0);
  EXPECT_EQ(words.FindItemID(2), c);
  EXPECT_EQ(words.FindItemID(0), nullptr);
  EXPECT_THROW(TCollection(ClassOf<TCollection>()), EInvalidCast);
}

TEST(Collection, IndexErrorsNameTheIndex) {
  TWords words;
  words.AddWord("a");
  struct Case {
    int index;
    const char* message;
  };
  for (Case c : {Case{1, "List index out of bounds (1)"}, Case{-1, "List index out of bounds (-1)"}}) {
    try {
      words.Items(c.index);
      FAIL() << c.index;
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_THROW(words.Delete(5), EListError);
  EXPECT_THROW(words.Insert(2), EListError);
  EXPECT_THROW(words.Word(0)->SetIndex(1), EListError);
}

TEST(Collection, IndexMoves) {
  struct Case {
    int from, to;
    const char* after;
  };
  for (Case c :
       {Case{0, 3, "bcda"}, Case{3, 0, "dabc"}, Case{1, 2, "acbd"}, Case{2, 1, "acbd"}, Case{2, 2, "abcd"}}) {
    TWords words;
    for (const char* t : {"a", "b", "c", "d"})
      words.AddWord(t);
    TWord* moved = words.Word(c.from);
    const int id = moved->ID();
    words.Updates.clear();
    moved->SetIndex(c.to);
    EXPECT_EQ(words.Texts(), c.after) << c.from << "->" << c.to;
    EXPECT_EQ(moved->Index(), c.to);
    EXPECT_EQ(moved->ID(), id);
    EXPECT_EQ(words.Updates.size(), c.from == c.to ? 0u : 1u);
  }
  TWords words;
  for (const char* t : {"a", "b"})
    words.AddWord(t);
  static_cast<TWord*>(words.Insert(1))->Text = "x";
  static_cast<TWord*>(words.Insert(0))->Text = "y";
  EXPECT_EQ(words.Texts(), "yaxb");
}

TEST(Collection, UpdateCountingFoldsChangesIntoOne) {
  TWords words;
  words.AddWord("a");
  EXPECT_EQ(words.Updates, std::vector<std::string>{"*"});
  words.Updates.clear();
  words.Word(0)->SetText("A");
  EXPECT_EQ(words.Updates, std::vector<std::string>{"A"}); // a change of one item names it

  words.Updates.clear();
  words.BeginUpdate();
  words.BeginUpdate();
  words.AddWord("b");
  words.Word(0)->SetText("x");
  words.Delete(1);
  words.EndUpdate();
  EXPECT_TRUE(words.Updates.empty()); // still inside the outer update
  words.EndUpdate();
  EXPECT_EQ(words.Updates, std::vector<std::string>{"*"});
  EXPECT_EQ(words.UpdateCount(), 0);

  words.Updates.clear();
  words.EndUpdate(); // unbalanced: ignored, and later changes are still reported
  words.AddWord("c");
  EXPECT_EQ(words.Updates, std::vector<std::string>{"*"});

  words.Updates.clear();
  words.Clear();
  EXPECT_EQ(words.Count(), 0);
  EXPECT_EQ(words.Updates, std::vector<std::string>{"*"});
}

TEST(Collection, AssignCopiesItemsAndRejectsOtherClasses) {
  TWords source, dest;
  for (const char* t : {"p", "q", "r"})
    source.AddWord(t);
  dest.AddWord("old");
  dest.Updates.clear();
  dest.Assign(&source);
  EXPECT_EQ(dest.Texts(), "pqr");
  EXPECT_NE(dest.Word(0), source.Word(0));
  EXPECT_EQ(dest.Updates, std::vector<std::string>{"*"});
  dest.Assign(&dest);
  EXPECT_EQ(dest.Texts(), "pqr");
  TPersistent other;
  EXPECT_THROW(dest.Assign(&other), EConvertError);
}

TEST(Collection, ItemsMoveBetweenCollectionsAndLeaveWhenFreed) {
  TWords one, two;
  auto* w = one.AddWord("w");
  w->SetCollection(&two);
  EXPECT_EQ(one.Count(), 0);
  EXPECT_EQ(two.Count(), 1);
  EXPECT_EQ(w->GetOwner(), &two);
  w->SetCollection(nullptr);
  EXPECT_EQ(w->Index(), -1);
  w->SetCollection(&one);
  two.AddWord("x")->Free();
  EXPECT_EQ(two.Count(), 0);
}

TEST(Collection, NamePathAndOwner) {
  TPersistent owner;
  TWords words(&owner);
  words.AddWord("a");
  words.AddWord("b");
  EXPECT_EQ(words.GetOwner(), &owner);
  EXPECT_EQ(words.Word(1)->GetNamePath(), "TWords[1]");
  words.SetPropName("Words");
  EXPECT_EQ(words.Word(1)->GetNamePath(), "TPersistent.Words[1]");
}

} // namespace
