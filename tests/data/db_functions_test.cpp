#include <gtest/gtest.h>

#include "data/cxDBFilter.h"
#include "tests/data/filter_test_util.h"

namespace {

class TQueryLike : public TDataSet {
  PELVOR_CLASS(TQueryLike, TDataSet)
public:
  using TDataSet::TDataSet;
};
class TMyQUERYSet : public TQueryLike {
  PELVOR_CLASS(TMyQUERYSet, TQueryLike)
public:
  using TQueryLike::TQueryLike;
};
class TTableLike : public TDataSet {
  PELVOR_CLASS(TTableLike, TDataSet)
public:
  using TDataSet::TDataSet;
};

TEST(FieldNames, ListsBracketsAndComparison) {
  EXPECT_EQ(GetFieldNamesCount("A; B ;C"), 3);
  EXPECT_EQ(GetFieldNamesCount("A;"), 1);
  EXPECT_EQ(GetFieldNamesCount(""), 0);
  EXPECT_TRUE(IsMultipleFieldNames("A;B"));
  EXPECT_FALSE(IsMultipleFieldNames("A"));
  TStringList names;
  names.Add("old");
  GetFieldNames(" Ad ;Soyad", &names);
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names.Strings(0), "Ad");
  EXPECT_EQ(names.Strings(1), "Soyad");

  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"Order Date", "[Order Date]"},
               {"OrderDate", "OrderDate"},
               {"_x1", "_x1"},
               {"1x", "[1x]"},
               {"t.c", "[t.c]"},
               {"", "[]"}};
  for (auto& c : cases) {
    AnsiString name = c.in;
    BracketFieldName(name);
    EXPECT_EQ(name, c.out);
  }
  EXPECT_TRUE(IsSameFieldName("ad", "AD"));
  EXPECT_TRUE(IsSameFieldName("i", "\xDD"));
  EXPECT_FALSE(IsSameFieldName("a", "b"));

  TStringField field(nullptr);
  field.FieldName = "Name";
  field.Origin = "people.name";
  EXPECT_EQ(GetFilterFieldName(&field, false), "[people.name]");
  EXPECT_EQ(GetFilterFieldName(&field, true), "Name");
  field.Origin.clear();
  EXPECT_EQ(GetFilterFieldName(&field, false), "Name");
  EXPECT_EQ(GetFilterFieldName(nullptr, false), "");
}

TEST(FieldValues, SingleSeveralWideAndDates) {
  TDataSet ds(nullptr);
  TIntegerField a(nullptr);
  TWideStringField w(nullptr);
  TDateTimeField d(nullptr);
  for (TField* f : std::vector<TField*>{&a, &w, &d})
    f->SetDataSet(&ds);
  a.SetValue(3);
  w.SetValue("\xF0");
  SetFieldValue(&d, Variant(45000.5));
  EXPECT_EQ(VarType(d.Value()), varDate);

  Variant v;
  GetFieldValue(&w, v);
  EXPECT_EQ(VarType(v), varOleStr);
  EXPECT_EQ(v.AsWideString(), u"\u011f");
  GetFieldValue(&d, v);
  EXPECT_DOUBLE_EQ(v.AsDate(), 45000.5);
  TIntegerField empty(nullptr);
  empty.SetDataSet(&ds);
  GetFieldValue(&empty, v);
  EXPECT_TRUE(VarIsNull(v));

  GetFieldValues({}, v);
  EXPECT_TRUE(VarIsNull(v));
  GetFieldValues({&a}, v);
  EXPECT_EQ(v.AsInteger(), 3);
  GetFieldValues({&a, &w}, v);
  ASSERT_TRUE(VarIsArray(v));
  EXPECT_EQ(VarArrayHighBound(v, 1), 1);
  EXPECT_EQ(v[0].AsInteger(), 3);

  SetFieldValues({&a, &empty}, VarArrayOf({7, 8}));
  EXPECT_EQ(a.Value().AsInteger(), 7);
  EXPECT_EQ(empty.Value().AsInteger(), 8);
  SetFieldValues({&a}, 9);
  EXPECT_EQ(a.Value().AsInteger(), 9);

  TAggregateField sum(nullptr);
  sum.AggregateValue = Null;
  GetFieldValue(&sum, v);
  EXPECT_TRUE(VarIsNull(v));
}

struct Handlers : TObject {
  void SetText(TField*, const AnsiString&) {}
  void GetText(TField*, AnsiString&, bool) {}
};

TEST(FieldAbilities, ModifyFormatAndCurrency) {
  Handlers handlers;
  TDataSet ds(nullptr);
  TMemoField memo(nullptr);
  TIntegerField number(nullptr);
  TFloatField price(nullptr);
  TBooleanField flag(nullptr);
  TDateTimeField when(nullptr);
  for (TField* f : std::vector<TField*>{&memo, &number, &price, &flag, &when})
    f->SetDataSet(&ds);
  EXPECT_FALSE(CanModifyFieldValue(&memo, false));
  EXPECT_TRUE(CanModifyFieldValue(&memo, true));
  memo.OnSetText = TFieldSetTextEvent(&handlers, &Handlers::SetText);
  EXPECT_TRUE(CanModifyFieldValue(&memo, false));
  EXPECT_TRUE(CanModifyFieldValue(&number, false));
  number.ReadOnly = true;
  EXPECT_FALSE(CanModifyFieldValue(&number, true));

  EXPECT_FALSE(IsFieldFormatted(&number, true));
  number.DisplayFormat = "0.00";
  EXPECT_TRUE(IsFieldFormatted(&number, false));
  EXPECT_FALSE(IsFieldFormatted(&price, false));
  price.Currency = true;
  EXPECT_TRUE(IsFieldFormatted(&price, false));
  EXPECT_TRUE(IsSimpleCurrencyField(&price));
  price.OnGetText = TFieldGetTextEvent(&handlers, &Handlers::GetText);
  EXPECT_FALSE(IsSimpleCurrencyField(&price));
  EXPECT_TRUE(IsFieldFormatted(&flag, true));
  EXPECT_FALSE(IsFieldFormatted(&flag, false));
  EXPECT_FALSE(IsFieldFormatted(&when, true));
  when.DisplayFormat = "dd.mm";
  EXPECT_TRUE(IsFieldFormatted(&when, false));
  memo.EditMask = "!99";
  EXPECT_TRUE(IsFieldFormatted(&memo, false));
  EXPECT_FALSE(IsSimpleCurrencyField(&flag));
}

TEST(FieldAbilities, LookupKeyFields) {
  TDataSet ds(nullptr);
  TIntegerField a(nullptr), b(nullptr);
  TStringField lookup(nullptr);
  a.FieldName = "A";
  b.FieldName = "B";
  for (TField* f : std::vector<TField*>{&a, &b, &lookup})
    f->SetDataSet(&ds);
  lookup.KeyFields = "A;B";
  EXPECT_TRUE(CanModifyLookupKeyFields(&lookup));
  b.ReadOnly = true;
  EXPECT_FALSE(CanModifyLookupKeyFields(&lookup));
  lookup.KeyFields = "";
  EXPECT_FALSE(CanModifyLookupKeyFields(&lookup));
  lookup.KeyFields = "A;Missing";
  EXPECT_THROW(CanModifyLookupKeyFields(&lookup), EDatabaseError);
  TStringField loose(nullptr);
  loose.KeyFields = "A";
  EXPECT_FALSE(CanModifyLookupKeyFields(&loose));
}

class TAdapterA : public TcxDBAdapterItem {
  PELVOR_CLASS(TAdapterA, TcxDBAdapterItem)
public:
  using TcxDBAdapterItem::TcxDBAdapterItem;
};

TEST(AdapterList, AncestorsStandInFrontOfDescendants) {
  TcxDBAdapterList list;
  list.RegisterAdapter(ClassOf<TMyQUERYSet>(), ClassOf<TAdapterA>());
  list.RegisterAdapter(ClassOf<TDataSet>(), ClassOf<TAdapterA>());
  list.RegisterAdapter(ClassOf<TQueryLike>(), ClassOf<TcxDBAdapterItem>());
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(0)->DataSetClass(), ClassOf<TDataSet>());
  EXPECT_EQ(list.Items(1)->DataSetClass(), ClassOf<TQueryLike>());
  EXPECT_EQ(list.Items(2)->DataSetClass(), ClassOf<TMyQUERYSet>());
  int index;
  EXPECT_TRUE(list.FindAdapter(ClassOf<TTableLike>(), index));
  EXPECT_EQ(index, 0);
  EXPECT_TRUE(list.FindAdapter(ClassOf<TMyQUERYSet>(), index));
  EXPECT_EQ(index, 2);
  list.UnregisterAdapter(ClassOf<TDataSet>(), ClassOf<TcxDBAdapterItem>());
  EXPECT_EQ(list.Count(), 3) << "only entries of that adapter class go";
  list.UnregisterAdapter(ClassOf<TDataSet>(), ClassOf<TAdapterA>());
  EXPECT_FALSE(list.FindAdapter(ClassOf<TTableLike>(), index));
  EXPECT_EQ(index, -1);
  EXPECT_FALSE(list.FindAdapter(ClassOf<TDataSet>(), index));
  EXPECT_EQ(index, 0) << "the first descendant entry is where an ancestor would go";
}

struct QueryItem : TestFilterItem {
  using TestFilterItem::TestFilterItem;
  TcxFilterOperatorClass GetOperatorClass() override {
    TcxFilterOperatorClass cls = TestFilterItem::GetOperatorClass();
    GetFilterOperatorAdapter(Query)->PrepareOperatorClass(this, Query, cls);
    return cls;
  }
  inline static TDataSet* Query = nullptr;
};

TEST(SQLNullOperators, QueryDatasetsWriteBlankTestsInSQLForm) {
  cxDBFilterInitialize();
  TMyQUERYSet query(nullptr);
  TTableLike table(nullptr);
  ASSERT_NE(GetFilterOperatorAdapter(&query), nullptr);
  EXPECT_EQ(GetFilterOperatorAdapter(nullptr), nullptr);
  struct Case {
    TDataSet* dataSet;
    TcxFilterOperatorClass in;
    TcxFilterOperatorClass out;
  } cases[] = {
      {&query, ClassOf<TcxFilterNullOperator>(), ClassOf<TcxFilterSQLNullOperator>()},
      {&query, ClassOf<TcxFilterNotNullOperator>(), ClassOf<TcxFilterSQLNotNullOperator>()},
      {&query, ClassOf<TcxFilterEqualOperator>(), ClassOf<TcxFilterEqualOperator>()},
      {&table, ClassOf<TcxFilterNullOperator>(), ClassOf<TcxFilterNullOperator>()},
  };
  for (auto& c : cases) {
    TcxFilterOperatorClass cls = c.in;
    GetFilterOperatorAdapter(c.dataSet)->PrepareOperatorClass(nullptr, c.dataSet, cls);
    EXPECT_EQ(cls, c.out) << c.dataSet->ClassName() << " " << c.in->ClassName();
  }

  // A criteria item that asks the adapter for its operator writes "IS" and "IS NOT" before NULL.
  QueryItem::Query = &query;
  TestFilterCriteria criteria;
  (new QueryItem(criteria.Root(), criteria.Col(0), fokEqual, Null, ""))->RecreateOperator();
  (new QueryItem(criteria.Root(), criteria.Col(1), fokNotEqual, Null, ""))->RecreateOperator();
  EXPECT_EQ(criteria.GetFilterText(), "(Name IS NULL) AND (Age IS NOT NULL)");
  cxDBFilterFinalize();
  EXPECT_EQ(GetFilterOperatorAdapter(&query), nullptr);
}

} // namespace
