#include "engine/WordIndex.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "code_page_scope.h"
#include "platform/rtl/CodePage.h"

namespace {

TPelvor* Store(const std::vector<std::string>& Lines) {
  auto* store = new TPelvor;
  for (const std::string& line : Lines)
    store->AddLine(Utf8ToWide(line));
  return store;
}

std::vector<std::string> Utf8(const std::vector<AnsiString>& Items) {
  std::vector<std::string> out;
  for (const AnsiString& s : Items)
    out.push_back(AnsiToUtf8(s));
  return out;
}

std::vector<int> Positions(const TPelvor& Store, const std::vector<TKelime*>& Entries) {
  std::vector<int> out;
  for (const TKelime* e : Entries)
    out.push_back(e->Index());
  (void)Store;
  return out;
}

TEST(WordIndexTest, PrefixesFindTheirMatchesAndTheHeadwordsAListWouldKeep) {
  std::unique_ptr<TPelvor, TObjectDeleter> store(
      Store({"kar;a", "Kar;b", "kâr;c", "kara;d", "kaş;e", "kar;f", "ka;g", "kız;h", "ılık;i", "ilik;j",
             "Ilık;k", "İlik;l"}));
  TWordIndex index;
  index.Build(*store, false);
  ASSERT_TRUE(index.Covers(*store));
  struct Case {
    std::u16string prefix;
    TKeyField key;
    std::vector<std::string> headwords;
    std::vector<int> matches;
  };
  const Case cases[] = {
      // Case twins and accented twins begin differently; equal headwords keep their first entry.
      {u"ka", TKeyField::Turkce, {"ka", "kar", "kara", "kaş"}, {0, 3, 4, 5, 6}},
      {u"K", TKeyField::Turkce, {"Kar"}, {1}},
      {u"kâ", TKeyField::Turkce, {"kâr"}, {2}},
      {u"kar", TKeyField::Turkce, {"kar", "kara"}, {0, 3, 5}},
      {u"kara", TKeyField::Turkce, {"kara"}, {3}},
      {u"karaa", TKeyField::Turkce, {}, {}},
      // The dotless and dotted i are letters of their own, each with its own capital.
      {u"ı", TKeyField::Turkce, {"ılık"}, {8}},
      {u"I", TKeyField::Turkce, {"Ilık"}, {10}},
      {u"İ", TKeyField::Turkce, {"İlik"}, {11}},
      {u"",
       TKeyField::Turkce,
       {"ılık", "ilik", "ka", "kar", "kâr", "kara", "kaş", "kız"},
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      // The Laz words are stored substituted: "a" is kept as "z".
      {u"",
       TKeyField::Lazca,
       {"b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "z"},
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      {u"z", TKeyField::Lazca, {"z"}, {0}},
      {u"a", TKeyField::Lazca, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.prefix) + (c.key == TKeyField::Lazca ? " (Laz)" : ""));
    TWordIndex::TSearch found, scanned;
    index.Search(c.prefix, c.key, found);
    EXPECT_EQ(Utf8(found.Headwords), c.headwords);
    EXPECT_EQ(Positions(*store, found.Matches.Entries()), c.matches);
    // What answers where no index can be had.
    TWordIndex().Scan(*store, c.prefix, c.key, scanned);
    EXPECT_EQ(Utf8(scanned.Headwords), c.headwords);
    EXPECT_EQ(Positions(*store, scanned.Matches.Entries()), c.matches);
  }
}

TEST(WordIndexTest, EntriesOfOneHeadwordComeExactlyAndInTheStoresOrder) {
  std::unique_ptr<TPelvor, TObjectDeleter> store(
      Store({"kar;a", "Kar;b", "kâr;c", "kar;d", "KAR;e", "kara;f"}));
  TWordIndex index;
  index.Build(*store, false);
  struct Case {
    std::u16string headword, prefix;
    std::vector<int> entries;
  };
  const Case cases[] = {
      {u"kar", u"", {0, 3}}, {u"kar", u"k", {0, 3}}, {u"Kar", u"", {1}}, {u"KAR", u"K", {4}},
      {u"kâr", u"k", {2}},   {u"kar", u"K", {}},     {u"kars", u"", {}}, {u"", u"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.headword) + " after " + WideToUtf8(c.prefix));
    std::vector<TKelime*> entries;
    index.EntriesWithKey(c.headword, c.prefix, TKeyField::Turkce, entries);
    EXPECT_EQ(Positions(*store, entries), c.entries);
  }
}

TEST(WordIndexTest, CharactersTheCodePageLacksAreMatchedAsTyped) {
  // Both headwords read "a?" in the code page, yet only one begins with what was typed.
  std::unique_ptr<TPelvor, TObjectDeleter> store(Store({"aĀ;x", "a?;y", "aĀb;z"}));
  TWordIndex index;
  index.Build(*store, false);
  TWordIndex::TSearch found;
  index.Search(u"aĀ", TKeyField::Turkce, found);
  EXPECT_EQ(Positions(*store, found.Matches.Entries()), (std::vector<int>{0, 2}));
  EXPECT_EQ(Utf8(found.Headwords), (std::vector<std::string>{"a?", "a?b"}));
  TWordIndex::TSearch scanned;
  TWordIndex().Scan(*store, u"aĀ", TKeyField::Turkce, scanned);
  EXPECT_EQ(Positions(*store, scanned.Matches.Entries()), (std::vector<int>{0, 2}));
  EXPECT_EQ(scanned.Headwords, found.Headwords);
  index.Search(u"a?", TKeyField::Turkce, found);
  EXPECT_EQ(Positions(*store, found.Matches.Entries()), (std::vector<int>{1}));
  std::vector<TKelime*> entries;
  index.EntriesWithKey(u"aĀ", u"a", TKeyField::Turkce, entries);
  EXPECT_EQ(Positions(*store, entries), (std::vector<int>{0}));
}

TEST(WordIndexTest, OneHeadwordManyTimesIsOneHeadwordWithEveryEntry) {
  std::unique_ptr<TPelvor, TObjectDeleter> store(new TPelvor);
  for (int i = 0; i < 5000; ++i)
    store->AddAnsiLine("a;b");
  TWordIndex index;
  index.Build(*store, false);
  TWordIndex::TSearch found;
  index.Search(u"a", TKeyField::Turkce, found);
  EXPECT_EQ(Utf8(found.Headwords), std::vector<std::string>{"a"});
  ASSERT_EQ(found.Matches.Count(), 5000);
  for (int i = 0; i < 5000; ++i)
    ASSERT_EQ(found.Matches.Items(i), store->Items(i));
  std::vector<TKelime*> entries;
  index.EntriesWithKey(u"b", u"", TKeyField::Lazca, entries);
  EXPECT_EQ(entries.size(), 5000u);
}

TEST(WordIndexTest, ABuildBehindTheCallerGivesWhatABuildInPlaceGives) {
  std::unique_ptr<TPelvor, TObjectDeleter> store(new TPelvor);
  std::mt19937 rng(3);
  const std::string letters = "abc\xE7"
                              "defg\xF0h\xFDijklmno\xF6prs\xFEtu\xFCvyzAI\xDD";
  auto word = [&] {
    std::string w;
    for (int i = 0, n = 1 + int(rng() % 5); i < n; ++i)
      w += letters[rng() % letters.size()];
    return w;
  };
  for (int i = 0; i < 70000; ++i)
    store->AddAnsiLine(word() + ";" + word());
  TWordIndex behind, inPlace;
  behind.Build(*store, true);
  inPlace.Build(*store, false);
  // The Turkish direction answers as soon as it is ready, the Laz one once it is.
  for (TKeyField key : {TKeyField::Turkce, TKeyField::Lazca}) {
    ASSERT_TRUE(behind.Covers(*store, key));
    for (const std::u16string prefix : {u"", u"k", u"ka", u"\u0131", u"A"}) {
      TWordIndex::TSearch a, b;
      behind.Search(prefix, key, a);
      inPlace.Search(prefix, key, b);
      EXPECT_EQ(a.Headwords, b.Headwords);
      EXPECT_EQ(a.Matches.Entries(), b.Matches.Entries());
      // Against a scan: a map that keeps the first of equal keys stands for the list that refuses them.
      std::vector<TKelime*> matches;
      std::map<AnsiString, int, bool (*)(const AnsiString&, const AnsiString&)> kept(
          [](const AnsiString& x, const AnsiString& y) { return AnsiCompareText(x, y) < 0; });
      for (int i = 0; i < store->Count(); ++i) {
        const std::u16string_view k = KeyOf(store->Items(i), key);
        if (!k.starts_with(prefix))
          continue;
        matches.push_back(store->Items(i));
        kept.emplace(WideToAnsi(k), i);
      }
      std::vector<AnsiString> headwords;
      for (const auto& [text, entry] : kept)
        headwords.push_back(text);
      EXPECT_EQ(a.Headwords, headwords);
      EXPECT_EQ(a.Matches.Entries(), matches);
      TWordIndex::TSearch scanned;
      TWordIndex().Scan(*store, prefix, key, scanned);
      EXPECT_EQ(scanned.Headwords, headwords);
      EXPECT_EQ(scanned.Matches.Entries(), matches);
      // The Laz fields swap A and Z, so no Laz headword begins with A.
      EXPECT_EQ(a.Headwords.empty(), key == TKeyField::Lazca && prefix == u"A");
    }
  }
  // A build still running when the index goes is waited for.
  TWordIndex abandoned;
  abandoned.Build(*store, true);
  // Searches answered before the headwords were laid out in the list's order and after give the same.
  behind.Wait();
  for (TKeyField key : {TKeyField::Turkce, TKeyField::Lazca})
    for (const std::u16string prefix : {u"", u"k", u"ka", u"\u0131", u"A", u"zz"}) {
      TWordIndex::TSearch a, b;
      behind.Search(prefix, key, a);
      inPlace.Search(prefix, key, b);
      EXPECT_EQ(a.Headwords, b.Headwords);
      EXPECT_EQ(a.Matches.Entries(), b.Matches.Entries());
      std::vector<TKelime*> x, y;
      behind.EntriesWithKey(prefix + u"a", prefix, key, x);
      inPlace.EntriesWithKey(prefix + u"a", prefix, key, y);
      EXPECT_EQ(x, y);
    }
}

TEST(WordIndexTest, AnyChangeToTheStoreOrTheCodePageCallsForANewBuild) {
  std::unique_ptr<TPelvor, TObjectDeleter> store(Store({"kar;a", "ev;b"}));
  TWordIndex index;
  EXPECT_FALSE(index.Covers(*store));
  index.Build(*store, false);
  EXPECT_TRUE(index.Covers(*store));
  std::unique_ptr<TPelvor, TObjectDeleter> other(Store({"kar;a", "ev;b"}));
  EXPECT_FALSE(index.Covers(*other));

  store->Items(1)->SetTurkce(u"el");
  EXPECT_FALSE(index.Covers(*store));
  index.Build(*store, false);
  store->AddLine(u"su;c");
  EXPECT_FALSE(index.Covers(*store));
  index.Build(*store, false);
  store->Delete(0);
  EXPECT_FALSE(index.Covers(*store));
  index.Build(*store, false);
  {
    CodePageScope western(CP_WINDOWS_1252);
    EXPECT_FALSE(index.Covers(*store));
  }
  EXPECT_TRUE(index.Covers(*store));
  index.Reset();
  EXPECT_FALSE(index.Covers(*store));
}

} // namespace
