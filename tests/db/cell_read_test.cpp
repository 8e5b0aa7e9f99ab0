#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/db/MemDataSet.h"
#include "platform/db/SQLiteQuery.h"
#include "platform/rtl/DateTime.h"
#include "tests/db/db_test_util.h"

namespace {

std::string Describe(const Variant& AValue) {
  if (VarIsNull(AValue))
    return "null";
  switch (VarType(AValue)) {
  case varInteger:
    return "int " + VarToStr(AValue);
  case varInt64:
    return "int64 " + VarToStr(AValue);
  case varDouble:
    return "double " + VarToStr(AValue);
  case varBoolean:
    return AValue.AsBoolean() ? "bool true" : "bool false";
  case varDate:
    return "date " + FormatDateTime("yyyy-mm-dd hh:nn", AValue.AsDate());
  case varString:
    return "text " + AValue.RawString();
  default:
    return "type " + std::to_string(VarType(AValue));
  }
}

// What a query reads from each storage class of SQLite under each declared column type, including the
// values a column holds against its declaration.
TEST(SQLiteCells, EachStorageClassReadsAsItsColumnsType) {
  struct Case {
    const char* decl;
    const char* literal;
    std::string expected;
  };
  const Case cases[] = {
      {"INTEGER", "42", "int64 42"},
      {"INTEGER", "5000000000", "int64 5000000000"},
      {"INTEGER", "NULL", "null"},
      {"INTEGER", "'abc'", "text abc"},
      {"INTEGER", "2.5", "double " + VarToStr(2.5)},
      {"BIGINT", "7", "int64 7"},
      {"REAL", "1.25", "double " + VarToStr(1.25)},
      {"REAL", "3", "double 3"},
      {"BOOLEAN", "1", "bool true"},
      {"BOOLEAN", "0", "bool false"},
      {"TEXT", "'ev'", "text ev"},
      {"TEXT", "''", "text "},
      {"TEXT", "x'4142'", "text AB"},
      {"DATE", "'2024-01-02'", "date 2024-01-02 00:00"},
      {"DATE", "'not a date'", "text not a date"},
      {"DATE", "2460311.5", "date 2024-01-02 00:00"},
      {"DATETIME", "2460311", "date 2024-01-01 12:00"},
      {"DATETIME", "'2024-01-02 10:30:00'", "date 2024-01-02 10:30"},
  };
  TSQLiteConnection conn(nullptr);
  conn.FileName = ":memory:";
  conn.Open();
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.decl) + " " + c.literal);
    std::string table = "t" + std::to_string(n++);
    conn.ExecSQL("CREATE TABLE " + table + " (v " + c.decl + "); INSERT INTO " + table + " VALUES (" +
                 c.literal + ");");
    TSQLiteQuery q(nullptr);
    q.SetConnection(&conn);
    q.SetSQL("SELECT v FROM " + table);
    q.Open();
    EXPECT_EQ(Describe(q.Fields(0)->Value()), c.expected);
    q.Close();
  }
}

// A mark stays through edits of the record's other fields, until a refresh reads a value the file then holds
// exactly, or the record goes.
TEST(SQLiteCells, AnApproximateValueStaysMarkedUntilItIsReplacedOrItsRecordGoes) {
  TSQLiteConnection conn(nullptr);
  conn.FileName = ":memory:";
  conn.Open();
  conn.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY, k TEXT DEFAULT (char(489) || 'new'), v TEXT);"
               "INSERT INTO t VALUES (1, char(489) || 'oci', 'a'), (2, char(495) || 'oci', 'b');");
  TSQLiteQuery q(nullptr);
  q.SetConnection(&conn);
  q.SetSQL("SELECT id, k, v FROM t ORDER BY id");
  q.Open();
  TField* k = q.FieldByName("k");
  TBookmarkStr first = q.Bookmark();
  q.Next();
  TBookmarkStr second = q.Bookmark();
  ASSERT_TRUE(q.ReadApproximately(k, first));
  ASSERT_TRUE(q.ReadApproximately(k, second));

  // An edit of another field leaves the mark; one of the field itself is refused, as it would store the
  // approximation; a value the file then holds exactly, read again, has none.
  q.GotoBookmark(first);
  q.Edit();
  q.FieldByName("v")->SetValue("c");
  q.Post();
  EXPECT_TRUE(q.ReadApproximately(k, first));
  q.Edit();
  EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { k->SetValue("koci"); }, "Field 'k' cannot be modified"));
  q.Cancel();
  EXPECT_TRUE(q.ReadApproximately(k, first));
  EXPECT_TRUE(q.HoldsApproximateValues(k));
  conn.ExecSQL("UPDATE t SET k = 'koci' WHERE id = 1");

  // A value the database fills in is read as a load reads it.
  q.Append();
  q.FieldByName("id")->SetValue(3);
  q.FieldByName("v")->SetValue("d");
  q.Post();
  EXPECT_EQ(VarToStr(k->Value()), "?new");
  EXPECT_TRUE(q.ReadApproximately(k, q.Bookmark()));
  q.Delete();

  q.Refresh();
  q.First();
  EXPECT_FALSE(q.ReadApproximately(k, q.Bookmark()));
  q.Next();
  EXPECT_TRUE(q.ReadApproximately(k, q.Bookmark()));
  q.Delete();
  EXPECT_FALSE(q.HoldsApproximateValues(k)) << "no record holds one";
}

TEST(MemDataSet, AValueLoadedWholeIsNotMarked) {
  TMemDataSet ds(nullptr);
  ds.AddFieldDef("k", ftString, 10);
  ds.AddRow({"?oci"});
  ds.Open();
  EXPECT_FALSE(ds.ReadApproximately(ds.Fields(0), ds.Bookmark()));
  EXPECT_FALSE(ds.HoldsApproximateValues(ds.Fields(0)));
}

// A reader of many records takes values where the dataset keeps them only while they are what the field
// reads: the stored value of the current record in browse state.
TEST(FieldDataRef, PointsAtTheCurrentRecordsStoredValueOnlyWhileBrowsing) {
  TMemDataSet cities(nullptr);
  cities.AddFieldDef("ID", ftInteger);
  cities.AddFieldDef("Name", ftString, 10);
  cities.AddRow({1, "Rize"});
  cities.AddRow({2, "Hopa"});
  cities.Open();
  TMemDataSet ds(nullptr);
  ds.AddFieldDef("A", ftInteger);
  ds.AddFieldDef("City", ftInteger);
  ds.AddRow({10, 1});
  ds.AddRow({20, 2});
  TStringField name(nullptr);
  name.FieldName = "Name";
  name.SetFieldKind(fkLookup);
  name.KeyFields = "City";
  name.LookupKeyFields = "ID";
  name.LookupResultField = "Name";
  name.SetLookupDataSet(&cities);
  name.SetDataSet(&ds);
  EXPECT_EQ(ds.FieldDataRef(&name), nullptr) << "closed";
  ds.Open();
  TField* a = ds.FieldByName("A");
  for (int expected : {10, 20}) {
    const Variant* ref = ds.FieldDataRef(a);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->AsInteger(), expected);
    EXPECT_EQ(ds.FieldDataRef(&name), nullptr) << "a lookup value is looked up, not kept";
    ds.Next();
  }
  ds.First();
  ds.Edit();
  a->SetAsInteger(11);
  EXPECT_EQ(ds.FieldDataRef(a), nullptr) << "the edit buffer, not the stored row, holds the value";
  ds.Cancel();
  ASSERT_NE(ds.FieldDataRef(a), nullptr);
  EXPECT_EQ(ds.FieldDataRef(a)->AsInteger(), 10);
  ds.SetFiltered(true);
  ds.SetFilter("A > 100");
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ds.FieldDataRef(a), nullptr) << "no current record";
  ds.Close();
}

} // namespace
