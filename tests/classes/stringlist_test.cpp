#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/classes/Streams.h"
#include "platform/classes/StringList.h"

namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const TStrings& list) {
  Lines out;
  for (int i = 0; i < list.Count(); ++i)
    out.push_back(list.Strings(i));
  return out;
}

void Fill(TStrings& list, const Lines& lines) {
  for (const auto& s : lines)
    list.Add(s);
}

// Turkish letters in the default code page (1254).
const std::string c_ = "\xE7", C_ = "\xC7", g_ = "\xF0", i_dotless = "\xFD", I_dotted = "\xDD", o_ = "\xF6",
                  s_ = "\xFE", S_ = "\xDE", u_ = "\xFC";

TEST(StringListText, SplitsAtCrLfCrLfAndStopsAtNul) {
  struct Case {
    std::string text;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\r\n", {"a"}},
      {"\r\n", {""}},
      {"\n\n", {"", ""}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n\r\nb\r", {"a", "", "b"}},
      {std::string("ab\0cd\ne", 7), {"ab"}},
      {std::string("x\r\n\0y", 5), {"x"}},
      {std::string("\0abc", 4), {}},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.Add("old");
    list.SetText(c.text);
    EXPECT_EQ(LinesOf(list), c.lines) << testing::PrintToString(c.text);
  }
}

TEST(StringListText, JoinsEveryLineWithCrLf) {
  struct Case {
    Lines lines;
    std::string text;
  };
  const Case cases[] = {{{}, ""}, {{""}, "\r\n"}, {{"a", "", "b"}, "a\r\n\r\nb\r\n"}};
  for (const Case& c : cases) {
    TStringList list;
    Fill(list, c.lines);
    EXPECT_EQ(list.Text(), c.text);
    TStringList again;
    again.SetText(list.Text());
    EXPECT_EQ(LinesOf(again), c.lines);
  }
}

TEST(StringList, BasicEditingAndIndexErrors) {
  TStringList list;
  TObject tag;
  Fill(list, {"a", "b", "c"});
  list.Insert(0, "z");
  EXPECT_EQ(list.AddObject("t", &tag), 4);
  EXPECT_EQ(list.Objects(4), &tag);
  EXPECT_EQ(list.IndexOfObject(&tag), 4);
  list.Exchange(0, 4);
  EXPECT_EQ(LinesOf(list), (Lines{"t", "a", "b", "c", "z"}));
  EXPECT_EQ(list.Objects(0), &tag);
  list.Move(0, 3);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c", "t", "z"}));
  EXPECT_EQ(list.Objects(3), &tag);
  list.Delete(1);
  list.SetStrings(0, "A");
  EXPECT_EQ(LinesOf(list), (Lines{"A", "c", "t", "z"}));
  const AnsiString& stored = list.Strings(2);
  EXPECT_EQ(&stored, &list.Strings(2)); // read in place, not copied
  EXPECT_EQ(static_cast<TStrings&>(list).Strings(2), "t");
  EXPECT_EQ(list.IndexOf("T"), 2); // case-insensitive by default
  EXPECT_EQ(list.IndexOf("q"), -1);

  for (int bad : {-1, 4}) {
    try {
      list.Strings(bad);
      FAIL() << bad;
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(bad) + ")");
    }
  }
  EXPECT_THROW(list.Delete(4), EStringListError);
  EXPECT_THROW(list.Insert(5, "x"), EStringListError);
  EXPECT_THROW(list.Exchange(0, 9), EStringListError);
  EXPECT_THROW(list.Move(9, 0), EStringListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringListSorted, TurkishAlphabetOrderAndFind) {
  TStringList list;
  list.SetSorted(true);
  const Lines words = {"zeytin",    c_ + "ay", "cam", i_dotless + "slak", "ila" + c_, "dal",
                       s_ + "eker", "su",      "oda", o_ + "rnek",        "ulu",      u_ + "z" + u_ + "m",
                       "gol",       g_ + "ol"};
  Fill(list, words);
  EXPECT_EQ(LinesOf(list),
            (Lines{"cam", c_ + "ay", "dal", "gol", g_ + "ol", i_dotless + "slak", "ila" + c_, "oda",
                   o_ + "rnek", "su", s_ + "eker", "ulu", u_ + "z" + u_ + "m", "zeytin"}));
  int index = -1;
  EXPECT_TRUE(list.Find(C_ + "AY", index)); // case-insensitive with the Turkish pairs
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("ca", index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(list.Find("zz", index));
  EXPECT_EQ(index, list.Count());
  EXPECT_EQ(list.IndexOf(S_ + "EKER"), 10);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  EXPECT_THROW(list.SetStrings(0, "x"), EStringListError);
  EXPECT_THROW(list.Exchange(0, 1), EStringListError);
}

TEST(StringListSorted, DuplicatesPolicyFollowsTheTurkishCasePairs) {
  // I pairs with dotless ı and İ with dotted i: "IRMAK" duplicates "ırmak" but "irmak" does not.
  TStringList ignore;
  ignore.SetSorted(true);
  Fill(ignore, {i_dotless + "rmak", "IRMAK", "irmak", I_dotted + "RMAK"});
  EXPECT_EQ(LinesOf(ignore), (Lines{i_dotless + "rmak", "irmak"}));
  EXPECT_EQ(ignore.Add("IRMAK"), 0); // the index of the string already there

  TStringList error;
  error.SetSorted(true);
  error.SetDuplicates(dupError);
  error.Add("kap");
  try {
    error.Add("KAP");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  EXPECT_EQ(error.Count(), 1);

  TStringList accept;
  accept.SetSorted(true);
  accept.SetDuplicates(dupAccept);
  Fill(accept, {"b", "kap", "a", "KAP", "Kap"});
  EXPECT_EQ(LinesOf(accept), (Lines{"a", "b", "kap", "KAP", "Kap"})); // equal strings in order of addition
  int index = -1;
  EXPECT_TRUE(accept.Find("kAp", index));
  EXPECT_EQ(index, 2);

  TStringList sensitive;
  sensitive.SetCaseSensitive(true);
  sensitive.SetSorted(true);
  Fill(sensitive, {C_ + "ay", c_ + "ay", c_ + "ay"});
  EXPECT_EQ(LinesOf(sensitive), (Lines{c_ + "ay", C_ + "ay"})); // lower case first
  EXPECT_EQ(sensitive.IndexOf(C_ + "AY"), -1);
  sensitive.SetCaseSensitive(false);
  EXPECT_EQ(sensitive.IndexOf(C_ + "AY"), 0);
}

TEST(StringListSorted, BulkTextMatchesAddingLineByLine) {
  const Lines input = {"kedi",  "Ayva", "elma", "KED" + I_dotted,
                       "armut", "ayva", "",     "b" + i_dotless + c_ + "ak",
                       "BICAK", "elma"};
  std::string text;
  for (const auto& s : input)
    text += s + "\n";
  for (TDuplicates dup : {dupIgnore, dupAccept}) {
    TStringList one, bulk;
    for (TStringList* l : {&one, &bulk}) {
      l->SetDuplicates(dup);
      l->SetSorted(true);
    }
    Fill(one, input);
    bulk.SetText(text);
    EXPECT_EQ(LinesOf(bulk), LinesOf(one)) << int(dup);
  }
  TStringList strict;
  strict.SetDuplicates(dupError);
  strict.SetSorted(true);
  strict.Add("keep");
  EXPECT_THROW(strict.SetText(text), EStringListError);
  EXPECT_EQ(LinesOf(strict), Lines{"keep"}); // a rejected text leaves the list as it was
}

TEST(StringList, SortingAnUnsortedListAndCustomSort) {
  TStringList list;
  Fill(list, {"b", "B", "a", "c"});
  list.SetSorted(true);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "B", "c"})); // stable for equal strings
  list.SetSorted(false);
  TStringList byLength;
  Fill(byLength, {"ccc", "a", "bb", "dddd", "e"});
  byLength.CustomSort(
      [](TStringList* l, int a, int b) { return int(l->Strings(a).size()) - int(l->Strings(b).size()); });
  EXPECT_EQ(LinesOf(byLength), (Lines{"a", "e", "bb", "ccc", "dddd"}));
}

struct ChangeCounter {
  int changing = 0, change = 0;
  void OnChanging(TObject*) { ++changing; }
  void OnChange(TObject*) { ++change; }
};

TEST(StringList, ChangeEventsAreFoldedByUpdates) {
  TStringList list;
  ChangeCounter counter;
  list.OnChanging = TNotifyEvent(&counter, &ChangeCounter::OnChanging);
  list.OnChange = TNotifyEvent(&counter, &ChangeCounter::OnChange);
  list.Add("a");
  EXPECT_EQ(counter.changing, 1);
  EXPECT_EQ(counter.change, 1);

  list.BeginUpdate();
  EXPECT_EQ(counter.changing, 2);
  list.BeginUpdate();
  list.Add("b");
  list.Delete(0);
  list.SetText("x\ny\n");
  list.EndUpdate();
  EXPECT_EQ(counter.change, 1);
  list.EndUpdate();
  EXPECT_EQ(counter.changing, 2);
  EXPECT_EQ(counter.change, 2);

  list.SetText("p\nq");
  list.SetCommaText("r,s");
  EXPECT_EQ(counter.change, 4);
  EXPECT_EQ(counter.changing, 4);
  list.EndUpdate(); // unbalanced: ignored
  list.Add("t");
  EXPECT_EQ(counter.change, 5);

  // A batch that raises half-way still closes its update, so later changes are announced again.
  TStringList strict;
  strict.SetDuplicates(dupError);
  strict.SetSorted(true);
  strict.OnChange = TNotifyEvent(&counter, &ChangeCounter::OnChange);
  counter.change = 0;
  const std::function<void()> batches[] = {[&] { strict.SetCommaText("a,b,a"); },
                                           [&] { strict.AddStrings(&list); }};
  for (const auto& batch : batches) {
    strict.Clear();
    strict.Add("t");
    strict.Add("u");
    EXPECT_THROW(batch(), EStringListError);
    const int before = counter.change;
    strict.Add("z");
    EXPECT_EQ(counter.change, before + 1);
  }
}

TEST(StringList, NamesAndValues) {
  TStringList list;
  Fill(list, {"Ad=Kemal", "bos", "Yer=", "x=a=b", "AD=ikinci"});
  struct Case {
    int index;
    const char* name;
    const char* value;
  };
  for (Case c : {Case{0, "Ad", "Kemal"}, Case{1, "", ""}, Case{2, "Yer", ""}, Case{3, "x", "a=b"}}) {
    EXPECT_EQ(list.Names(c.index), c.name);
    EXPECT_EQ(list.ValueFromIndex(c.index), c.value);
  }
  EXPECT_EQ(list.Values("ad"), "Kemal"); // the first of that name
  EXPECT_EQ(list.Values("bos"), "");
  EXPECT_EQ(list.IndexOfName("X"), 3);
  list.SetValues("ad", "Ali");
  EXPECT_EQ(list.Strings(0), "ad=Ali");
  list.SetValues("Yeni", "1");
  EXPECT_EQ(list.Strings(5), "Yeni=1");
  list.SetValues("x", "");
  EXPECT_EQ(list.IndexOfName("x"), -1);
  EXPECT_EQ(list.Count(), 5);
}

TEST(StringList, CommaText) {
  struct Case {
    Lines lines;
    std::string text;
  };
  const Case roundTrips[] = {
      {{"a", "b"}, "a,b"},
      {{"a b", ""}, "\"a b\",\"\""},
      {{"say \"hi\"", "x,y"}, "\"say \"\"hi\"\"\",\"x,y\""},
      {{c_ + "ay"}, c_ + "ay"},
  };
  for (const Case& c : roundTrips) {
    TStringList list;
    Fill(list, c.lines);
    EXPECT_EQ(list.CommaText(), c.text);
    TStringList back;
    back.SetCommaText(c.text);
    EXPECT_EQ(LinesOf(back), c.lines) << c.text;
  }
  const Case reads[] = {
      {{"a", "b", "c"}, " a b,c "},         {{"a", "", "b"}, "a,,b"}, {{"a", ""}, "a,"}, {{}, "   "},
      {{"unterminated"}, "\"unterminated"},
  };
  for (const Case& c : reads) {
    TStringList list;
    list.SetCommaText(c.text);
    EXPECT_EQ(LinesOf(list), c.lines) << c.text;
  }
}

TEST(StringList, AssignAddStringsAndEquals) {
  TStringList a, b;
  TObject tag;
  a.AddObject("one", &tag);
  a.Add("two");
  b.Add("old");
  b.Assign(&a);
  EXPECT_TRUE(b.Equals(&a));
  EXPECT_EQ(b.Objects(0), &tag);
  b.AddStrings(&a);
  EXPECT_EQ(LinesOf(b), (Lines{"one", "two", "one", "two"}));
  EXPECT_FALSE(b.Equals(&a));
  TPersistent other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
}

class StringListFile : public testing::Test {
protected:
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("classes-strings-" + std::to_string(::getpid()) + "-" +
                                                std::to_string(reinterpret_cast<std::uintptr_t>(this)));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Write(const char* name, const std::string& bytes) {
    const auto path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(StringListFile, LoadFromFileSplitsLinesAndSaveWritesCrLf) {
  const std::string path = Write("words.txt", "bir\r\niki\n" + u_ + c_ + "\rd" + o_ + "rt");
  TStringList list;
  list.LoadFromFile(path);
  EXPECT_EQ(LinesOf(list), (Lines{"bir", "iki", u_ + c_, "d" + o_ + "rt"}));
  const std::string out = (dir / "out.txt").string();
  list.SaveToFile(out);
  std::ifstream in(out, std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(saved, "bir\r\niki\r\n" + u_ + c_ + "\r\nd" + o_ + "rt\r\n");

  TStringList empty;
  empty.Add("x");
  empty.LoadFromFile(Write("empty.txt", ""));
  EXPECT_EQ(empty.Count(), 0);
}

TEST_F(StringListFile, LoadFromStreamReadsFromThePosition) {
  TStringStream stream("skip|a\nb");
  stream.SetPosition(5);
  TStringList list;
  list.LoadFromStream(&stream);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));
}

TEST_F(StringListFile, MissingFileOrDirectoryRaisesEFOpenErrorNamingIt) {
  TStringList list;
  for (const std::string& path : {(dir / "missing.txt").string(), dir.string()}) {
    try {
      list.LoadFromFile(path);
      FAIL() << path;
    } catch (const EFOpenError& e) {
      EXPECT_NE(e.Message().find("Cannot open file \"" + path + "\""), std::string::npos) << e.Message();
    }
  }
}

} // namespace
