#include <gtest/gtest.h>

#include "data/cxFilterConsts.h"
#include "data/cxVariants.h"
#include "platform/rtl/DateTime.h"
#include "tests/data/filter_test_util.h"

namespace {

// Columns: 0 Name (text), 1 Age (integer), 2 Born (date), 3 Price (currency), 4 Order Date.
TestRecord Rec(Variant name, Variant age, Variant born = Null, Variant price = Null) {
  return {name, age, born, price, Null};
}

bool Matches(TestFilterCriteria& c, TestRecord r) {
  return c.IsDataMatched(&r);
}

TEST(FilterEvaluation, SingleConditionsByOperator) {
  struct Case {
    TcxFilterOperatorKind kind;
    Variant value;
    Variant recordValue;
    bool expected;
  } cases[] = {
      {fokEqual, 30, 30, true},
      {fokEqual, 30, 31, false},
      {fokNotEqual, 30, 31, true},
      {fokLess, 30, 29, true},
      {fokLess, 30, 30, false},
      {fokLessEqual, 30, 30, true},
      {fokGreater, 30, 31, true},
      {fokGreater, 30, Null, false}, // no comparison matches a blank record value
      {fokGreaterEqual, 30, 29, false},
      {fokBetween, VarBetweenArrayCreate(20, 30), 20, true},
      {fokBetween, VarBetweenArrayCreate(20, 30), 30, true},
      {fokBetween, VarBetweenArrayCreate(20, 30), 31, false},
      {fokNotBetween, VarBetweenArrayCreate(20, 30), 31, true},
      {fokInList, VarArrayOf({1, 5, 9}), 5, true},
      {fokInList, VarArrayOf({1, 5, 9}), 6, false},
      {fokNotInList, VarArrayOf({1, 5, 9}), 6, true},
      {fokNull, Null, Null, true},
      {fokNull, Null, 3, false},
      {fokNotNull, Null, 3, true},
      {fokEqual, Null, Null, true}, // an equality with a blank value is a blank test
      {fokNotEqual, Null, 4, true},
      {fokEqual, 30, "30", true}, // text against a number compares as a number
      {fokLess, 30, "abc", true}, // incomparable values order as less
  };
  for (auto& c : cases) {
    TestFilterCriteria criteria;
    criteria.AddItem(nullptr, criteria.Col(1), c.kind, c.value, "");
    EXPECT_EQ(Matches(criteria, Rec("x", c.recordValue)), c.expected)
        << "kind " << int(c.kind) << " record " << VarToStr(c.recordValue);
  }
}

TEST(FilterEvaluation, LikeUsesTheCriteriaWildcardsAndCase) {
  TestFilterCriteria c;
  c.AddItem(nullptr, c.Col(0), fokLike, "ab%", "");
  EXPECT_TRUE(Matches(c, Rec("abc", 0)));
  EXPECT_FALSE(Matches(c, Rec("ABC", 0)));
  c.SetOptions(TcxFilterCriteriaOptions{fcoCaseInsensitive});
  EXPECT_TRUE(Matches(c, Rec("ABC", 0)));
  EXPECT_TRUE(Matches(c, Rec("aBx", 0)));
  c.SetPercentWildcard('*');
  EXPECT_FALSE(Matches(c, Rec("abc", 0)));
  c.Clear();
  c.AddItem(nullptr, c.Col(0), fokNotLike, "*b*", "");
  EXPECT_FALSE(Matches(c, Rec("abc", 0)));
  EXPECT_TRUE(Matches(c, Rec("xyz", 0)));
}

TEST(FilterEvaluation, CaseFoldingLeavesArrayValuesAsStored) {
  TestFilterCriteria c;
  c.SetOptions(TcxFilterCriteriaOptions{fcoCaseInsensitive});
  c.AddItem(nullptr, c.Col(0), fokEqual, "ahmet", "");
  EXPECT_TRUE(Matches(c, Rec("AHMET", 0)));
  c.Clear();
  // Upper-casing follows the Turkish rule: i becomes the dotted capital, so "ali" is not "ALI".
  c.AddItem(nullptr, c.Col(0), fokEqual, "ali", "");
  EXPECT_TRUE(Matches(c, Rec("al\xDD", 0)));
  EXPECT_FALSE(Matches(c, Rec("ALI", 0)));
  c.Clear();
  c.AddItem(nullptr, c.Col(0), fokInList, VarArrayOf({"ahmet", "mehmet"}), "");
  EXPECT_FALSE(Matches(c, Rec("ahmet", 0))) << "the record value is upper-cased, the list elements are not";
  EXPECT_FALSE(Matches(c, Rec("AHMET", 0)));
}

TEST(FilterEvaluation, CurrencyComparesWithDoubles) {
  TestFilterCriteria c;
  c.AddItem(nullptr, c.Col(3), fokGreater, 1.5, "");
  EXPECT_TRUE(Matches(c, Rec("x", 0, Null, Variant(Currency{15001}))));
  EXPECT_FALSE(Matches(c, Rec("x", 0, Null, Variant(Currency{15000}))));
}

TEST(FilterEvaluation, SoftNullTreatsEmptyTextAsBlank) {
  TestFilterCriteria c;
  c.SetOptions(TcxFilterCriteriaOptions{fcoSoftNull});
  auto* item = c.AddItem(nullptr, c.Col(0), fokEqual, "", "");
  EXPECT_TRUE(item->Operator()->IsNullOperator());
  EXPECT_EQ(item->DisplayValue(), "blank");
  EXPECT_TRUE(Matches(c, Rec(Null, 0)));
  EXPECT_TRUE(Matches(c, Rec("", 0)));
  EXPECT_FALSE(Matches(c, Rec("a", 0)));
  TestFilterCriteria strict;
  auto* plain = strict.AddItem(nullptr, strict.Col(0), fokEqual, "", "");
  EXPECT_FALSE(plain->Operator()->IsNullOperator());
  EXPECT_FALSE(Matches(strict, Rec(Null, 0)));
}

TEST(FilterEvaluation, BoolListsCombineAndNegate) {
  // Children: Age > 20 (A) and Name = 'x' (B); each row: A, B, then the result per list kind.
  struct Row {
    bool a, b;
    bool andResult, orResult, notAndResult, notOrResult;
  } rows[] = {
      {false, false, false, false, true, true},
      {true, false, false, true, true, false},
      {false, true, false, true, true, false},
      {true, true, true, true, false, false},
  };
  TcxFilterBoolOperatorKind kinds[] = {fbokAnd, fbokOr, fbokNotAnd, fbokNotOr};
  for (int k = 0; k < 4; ++k) {
    TestFilterCriteria c;
    auto* list = c.Root()->AddItemList(kinds[k]);
    c.AddItem(list, c.Col(1), fokGreater, 20, "");
    c.AddItem(list, c.Col(0), fokEqual, "x", "");
    for (auto& r : rows) {
      bool expected[] = {r.andResult, r.orResult, r.notAndResult, r.notOrResult};
      EXPECT_EQ(Matches(c, Rec(r.b ? "x" : "y", r.a ? 30 : 10)), expected[k])
          << "kind " << k << " A " << r.a << " B " << r.b;
    }
  }
  TestFilterCriteria empty;
  EXPECT_TRUE(Matches(empty, Rec("a", 1)));
  empty.Root()->AddItemList(fbokOr);
  EXPECT_TRUE(Matches(empty, Rec("a", 1))) << "an empty nested list counts as true";
}

class DateOperatorTest : public ::testing::Test {
protected:
  void TearDown() override { ResetClock(); }
  bool MatchesOn(TcxFilterOperatorKind kind, TDateTime today, TDateTime value) {
    SetFixedNow(today);
    TestFilterCriteria c;
    c.AddItem(nullptr, c.Col(2), kind, Null, "");
    return Matches(c, Rec("x", 0, Variant::FromDate(value)));
  }
};

TEST_F(DateOperatorTest, RangesFollowTodayAndTheCalendar) {
  TDateTime d = EncodeDate(2026, 12, 7) + EncodeTime(23, 59, 0, 0); // a Monday, late in the day
  TDateTime day = EncodeDate(2026, 12, 7);
  struct Case {
    TcxFilterOperatorKind kind;
    TDateTime value;
    bool expected;
  } cases[] = {
      {fokToday, day, true},
      {fokToday, day + 0.9999, true},
      {fokToday, day + 1, false},
      {fokYesterday, day - 1, true},
      {fokTomorrow, day + 1.5, true},
      {fokThisMonth, EncodeDate(2026, 12, 31), true},
      {fokThisMonth, EncodeDate(2027, 1, 1), false},
      {fokNextMonth, EncodeDate(2027, 1, 31), true},
      {fokLastMonth, EncodeDate(2026, 11, 1), true},
      {fokLastYear, EncodeDate(2025, 12, 31), true},
      {fokNextYear, EncodeDate(2027, 6, 1), true},
      {fokThisYear, EncodeDate(2027, 1, 1), false},
      {fokThisWeek, day - 1, false}, // weeks start on Monday by the locale: Sunday was last week
      {fokLastWeek, day - 1, true},
      {fokNextWeek, day + 7, true},
  };
  for (auto& c : cases)
    EXPECT_EQ(MatchesOn(c.kind, d, c.value), c.expected) << "kind " << int(c.kind) << " value " << c.value;
  EXPECT_FALSE(MatchesOn(fokToday, d, 0)) << "the range is fixed from today, not from the epoch";
}

TEST_F(DateOperatorTest, MonthBoundariesAtTheEndsOfTheYear) {
  EXPECT_TRUE(MatchesOn(fokLastMonth, EncodeDate(2027, 1, 15), EncodeDate(2026, 12, 10)));
  EXPECT_TRUE(MatchesOn(fokNextMonth, EncodeDate(2026, 11, 15), EncodeDate(2026, 12, 31)));
  EXPECT_FALSE(MatchesOn(fokNextMonth, EncodeDate(2026, 11, 15), EncodeDate(2027, 1, 1)));
  EXPECT_TRUE(MatchesOn(fokNextMonth, EncodeDate(2026, 12, 15), EncodeDate(2027, 1, 1)));
  EXPECT_FALSE(MatchesOn(fokNextMonth, EncodeDate(2026, 12, 15), EncodeDate(2027, 2, 1)));
  // A blank date never falls in a range.
  SetFixedNow(EncodeDate(2026, 12, 7));
  TestFilterCriteria c;
  c.AddItem(nullptr, c.Col(2), fokThisYear, Null, "");
  EXPECT_FALSE(Matches(c, Rec("x", 0, Null)));
}

TEST(FilterText, DisplayAndExpressionForms) {
  struct Case {
    TcxFilterOperatorKind kind;
    Variant value;
    const char* display;
    const char* caption;
    const char* expression;
  } cases[] = {
      {fokEqual, "O'Neil", "O'Neil", "(Ad = O'Neil)", "(Name = 'O'Neil')"},
      {fokGreater, 5, "5", "(Ad > 5)", "(Name > 5)"},
      {fokBetween, VarBetweenArrayCreate(1, 5), "1;5", "(Ad between 1 and 5)", "(Name BETWEEN 1 AND 5)"},
      {fokInList, VarArrayOf({"a", 2}), "a; 2", "(Ad IN (a, 2))", "(Name IN ('a', 2))"},
      {fokNotInList, VarArrayOf({"a", 2}), "a; 2", "(Ad NOT IN (a, 2))", "(Name NOT IN ('a', 2))"},
      {fokInList, VarArrayOf({1}), "", "(Ad IN)", "(Name IN (1))"},
      {fokEqual, Null, "", "(Ad = blank)", "(Name = NULL)"},
      {fokNotLike, "a%", "a%", "(Ad NOT LIKE a%)", "(Name NOT LIKE 'a%')"},
      {fokEqual, true, "True", "(Ad = True)", "(Name = True)"},
  };
  for (auto& c : cases) {
    TestFilterCriteria criteria;
    criteria.AddItem(nullptr, criteria.Col(0), c.kind, c.value, c.display);
    EXPECT_EQ(criteria.GetFilterCaption(), c.caption);
    EXPECT_EQ(criteria.GetFilterText(), c.expression);
  }
}

TEST(FilterText, ListsJoinAndNegate) {
  TestFilterCriteria c;
  c.Root()->SetBoolOperatorKind(fbokOr);
  c.AddItem(nullptr, c.Col(1), fokLess, 3, "3");
  auto* inner = c.Root()->AddItemList(fbokNotAnd);
  c.AddItem(inner, c.Col(1), fokGreater, 7, "7");
  c.AddItem(inner, c.Col(0), fokEqual, "z", "z");
  EXPECT_EQ(c.GetFilterText(), "(Age < 3) OR (NOT ((Age > 7) AND (Name = 'z')))");
  EXPECT_EQ(c.GetFilterCaption(), "(Yas < 3) or (not ((Yas > 7) and (Ad = z)))");
}

TEST(FilterText, OperatorDescriptionsAndLikeTemplates) {
  struct Case {
    TcxFilterOperatorKind kind;
    const char* value;
    const char* caption;
  } cases[] = {
      {fokLike, "ab%", "(Ad begins with ab)"},
      {fokLike, "%ab", "(Ad ends with ab)"},
      {fokLike, "%ab%", "(Ad contains ab)"},
      {fokLike, "a%b", "(Ad like a%b)"},
      {fokNotLike, "ab%", "(Ad does not begin with ab)"},
      {fokNotLike, "%%ab", "(Ad does not end with ab)"},
      {fokGreaterEqual, "5", "(Ad is greater than or equal to 5)"},
      {fokInList, "a;b", "(Ad in (a, b))"},
      {fokNotInList, "a", "(Ad not in (a))"},
  };
  for (auto& c : cases) {
    TestFilterCriteria criteria;
    criteria.SetOptions(TcxFilterCriteriaOptions{fcoShowOperatorDescription});
    criteria.AddItem(nullptr, criteria.Col(0), c.kind, c.value, c.value);
    EXPECT_EQ(criteria.GetFilterCaption(), c.caption);
  }
  TestFilterCriteria blank;
  blank.SetOptions(TcxFilterCriteriaOptions{fcoShowOperatorDescription});
  blank.AddItem(nullptr, blank.Col(0), fokNotEqual, Null, "");
  EXPECT_EQ(blank.GetFilterCaption(), "(Ad is not blank)");
}

TEST(FilterText, WholeExpressions) {
  TestFilterCriteria c;
  c.SetTranslateBetween(true);
  c.SetTranslateIn(true);
  c.AddItem(nullptr, c.Col(1), fokNotBetween, VarBetweenArrayCreate(1, 5), "");
  c.AddItem(nullptr, c.Col(0), fokInList, VarArrayOf({"a", "b"}), "");
  EXPECT_EQ(c.GetFilterText(), "(NOT ((Age >= 1) AND (Age <= 5))) AND ((Name = 'a') OR (Name = 'b'))");

  TestFilterCriteria multi;
  multi.Col(0)->Name = "First; Last";
  multi.AddItem(nullptr, multi.Col(0), fokNotEqual, VarArrayOf({"a", 1}), "");
  EXPECT_EQ(multi.GetFilterText(), "(NOT ((First = 'a') AND (Last = 1)))");

  SetFixedNow(EncodeDate(2026, 12, 7));
  TestFilterCriteria dates;
  dates.SetDateTimeFormat("yyyy-mm-dd");
  dates.AddItem(nullptr, dates.Col(4), fokThisMonth, Null, "");
  EXPECT_EQ(dates.GetFilterText(), "((Order Date >= '2026-12-01') AND (Order Date < '2027-01-01'))");
  EXPECT_EQ(dates.GetFilterCaption(), "(Siparis is this month)");
  ResetClock();
}

TEST(FilterText, TranslationHookReachesEveryText) {
  cxFilterTranslateHook = [](const AnsiString& s) { return "<" + s + ">"; };
  TestFilterCriteria c;
  c.Root()->SetBoolOperatorKind(fbokNotOr);
  c.AddItem(nullptr, c.Col(1), fokBetween, VarBetweenArrayCreate(1, Null), "1;");
  c.AddItem(nullptr, c.Col(1), fokNull, Null, "");
  EXPECT_EQ(c.GetFilterCaption(), "<not> ((Yas <between> 1 <and> <blank>) <or> (Yas = <blank>))");
  cxFilterTranslateHook = nullptr;
}

TEST(FilterTree, RemovingConditionsKeepsNegationsAndPlaces) {
  TestFilterCriteria c;
  // Root AND: [Age > 1], NOT OR(Name = 'a', Age < 9), OR(Name = 'b', Age = 5), [Price > 2]
  c.AddItem(nullptr, c.Col(1), fokGreater, 1, "");
  auto* notList = c.Root()->AddItemList(fbokNotOr);
  c.AddItem(notList, c.Col(0), fokEqual, "a", "");
  c.AddItem(notList, c.Col(1), fokLess, 9, "");
  auto* orList = c.Root()->AddItemList(fbokOr);
  c.AddItem(orList, c.Col(0), fokEqual, "b", "");
  c.AddItem(orList, c.Col(1), fokEqual, 5, "");
  c.AddItem(nullptr, c.Col(3), fokGreater, 2, "");
  int changes = c.ChangeCount;
  c.RemoveItemByItemLink(c.Col(1));
  EXPECT_EQ(c.ChangeCount, changes + 1);
  EXPECT_EQ(c.GetFilterText(), "(NOT ((Name = 'a'))) AND (Price > 2) AND (Name = 'b')");
  EXPECT_FALSE(Matches(c, Rec("a", 0, Null, 3.0))) << "the negation of the remaining child must hold";
  EXPECT_TRUE(Matches(c, Rec("b", 0, Null, 3.0)));

  c.RemoveItemByItemLink(c.Col(0));
  EXPECT_EQ(c.GetFilterText(), "(Price > 2)");
  c.RemoveItemByItemLink(c.Col(4));
  EXPECT_EQ(c.ChangeCount, changes + 2) << "removing nothing delivers no change";
}

TEST(FilterTree, ALastChildMovesToTheEndOfItsGrandparent) {
  // Each tree holds Age conditions that are removed; the texts show where the survivors end up.
  struct Case {
    const char* name;
    void (*build)(TestFilterCriteria&);
    const char* after;
  } cases[] = {
      {"nested under a nested list",
       [](TestFilterCriteria& c) {
         auto* orList = c.Root()->AddItemList(fbokOr);
         auto* andList = orList->AddItemList(fbokAnd);
         c.AddItem(andList, c.Col(1), fokGreater, 1, "");
         c.AddItem(andList, c.Col(0), fokEqual, "x", "");
         c.AddItem(orList, c.Col(3), fokGreater, 2, "");
         c.AddItem(orList, c.Col(3), fokLess, 9, "");
       },
       "((Price > 2) OR (Price < 9) OR (Name = 'x'))"},
      {"a list left with one list",
       [](TestFilterCriteria& c) {
         c.AddItem(nullptr, c.Col(3), fokGreater, 2, "");
         auto* orList = c.Root()->AddItemList(fbokOr);
         c.AddItem(orList, c.Col(1), fokLess, 3, "");
         auto* andList = orList->AddItemList(fbokAnd);
         c.AddItem(andList, c.Col(0), fokEqual, "a", "");
         c.AddItem(andList, c.Col(3), fokLess, 9, "");
         c.AddItem(nullptr, c.Col(0), fokEqual, "z", "");
       },
       "(Price > 2) AND (Name = 'z') AND ((Name = 'a') AND (Price < 9))"},
      {"an emptied list frees itself before its parent gives up its child",
       [](TestFilterCriteria& c) {
         auto* orList = c.Root()->AddItemList(fbokOr);
         auto* inner = orList->AddItemList(fbokAnd);
         c.AddItem(inner, c.Col(1), fokLess, 3, "");
         c.AddItem(orList, c.Col(0), fokEqual, "a", "");
         c.AddItem(nullptr, c.Col(3), fokGreater, 2, "");
       },
       "(Price > 2) AND (Name = 'a')"},
      {"a negated list keeps its only child",
       [](TestFilterCriteria& c) {
         auto* notList = c.Root()->AddItemList(fbokNotAnd);
         c.AddItem(notList, c.Col(1), fokLess, 3, "");
         c.AddItem(notList, c.Col(0), fokEqual, "a", "");
         c.AddItem(nullptr, c.Col(3), fokGreater, 2, "");
       },
       "(NOT ((Name = 'a'))) AND (Price > 2)"},
  };
  for (auto& c : cases) {
    TestFilterCriteria criteria;
    c.build(criteria);
    criteria.RemoveItemByItemLink(criteria.Col(1));
    EXPECT_EQ(criteria.GetFilterText(), c.after) << c.name;
  }
}

TEST(FilterTree, ChangesAreBatchedAndItemsFindable) {
  TestFilterCriteria c;
  c.BeginUpdate();
  auto* a = c.AddItem(nullptr, c.Col(0), fokEqual, "a", "");
  auto* list = c.Root()->AddItemList(fbokAnd);
  auto* b = c.AddItem(list, c.Col(1), fokEqual, 1, "");
  EXPECT_EQ(c.ChangeCount, 0);
  c.EndUpdate();
  EXPECT_EQ(c.ChangeCount, 1);
  EXPECT_EQ(c.FindItemByItemLink(c.Col(1)), b);
  EXPECT_EQ(c.FindItemByItemLink(c.Col(0)), a);
  EXPECT_EQ(c.FindItemByItemLink(c.Col(3)), nullptr);
  EXPECT_EQ(c.Root()->Items(5), nullptr);
  EXPECT_EQ(c.Root()->Items(-1), nullptr);
  EXPECT_TRUE(c.HasCriteriaData());
  c.SetOptions(c.Options());
  EXPECT_EQ(c.ChangeCount, 1) << "an unchanged option delivers nothing";
  a->Free();
  EXPECT_EQ(c.Root()->Count(), 1);
  EXPECT_EQ(c.ChangeCount, 2);
  c.Clear();
  EXPECT_TRUE(c.IsEmpty());
  EXPECT_FALSE(c.HasCriteriaData());
  c.Root()->SetBoolOperatorKind(fbokNotAnd);
  EXPECT_TRUE(c.HasCriteriaData());
}

TEST(FilterValueList, RecentValuesSpecialEntriesAndSortedValues) {
  TestFilterCriteria c;
  TcxFilterValueList list(&c);
  list.Add(fviValue, 5, "5", false);
  list.Add(fviValue, 1, "1", false);
  list.Add(fviValue, 3, "3", false);
  list.Add(fviValue, 3, "3", false);
  list.Add(fviAll, Null, "(All)", false);
  list.Add(fviBlanks, Null, "(Blanks)", false);
  list.Add(fviMRU, 9, "9", false);
  list.Add(fviMRU, 8, "8", false);
  std::vector<int> kinds;
  std::vector<AnsiString> texts;
  for (int i = 0; i < list.Count(); ++i) {
    kinds.push_back(list.Items(i).Kind);
    texts.push_back(list.Items(i).DisplayText);
  }
  EXPECT_EQ(kinds, (std::vector<int>{fviMRU, fviMRU, fviMRUSeparator, fviAll, fviBlanks, fviValue, fviValue,
                                     fviValue}));
  EXPECT_EQ(texts, (std::vector<AnsiString>{"9", "8", "", "(All)", "(Blanks)", "1", "3", "5"}));

  auto* blankItem = c.AddItem(nullptr, c.Col(1), fokEqual, Null, "");
  EXPECT_EQ(list.GetIndexByCriteriaItem(blankItem), 4);
  auto* valueItem = c.AddItem(nullptr, c.Col(1), fokEqual, 3, "3");
  EXPECT_EQ(list.GetIndexByCriteriaItem(valueItem), 6);
  auto* customItem = c.AddItem(nullptr, c.Col(1), fokGreater, 3, "3");
  EXPECT_EQ(list.GetIndexByCriteriaItem(customItem), -1) << "no (Custom...) entry was added";
  EXPECT_EQ(list.GetIndexByCriteriaItem(nullptr), -1);

  c.SetMaxValueListCount(8);
  list.Add(fviValue, 7, "7", false);
  EXPECT_EQ(list.Count(), 8) << "the limit counts every entry";
}

} // namespace
