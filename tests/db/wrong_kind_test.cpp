// A typed column may hold a text of another kind (SQLite allows it; the in-memory dataset keeps what it is
// given the same way): the field reads it as its text, refuses it where its type is needed, and edits of
// other fields of the record still post.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

struct Case {
  const char* decl;
  TFieldType type;
  const char* text;
  std::function<void(TField*)> typedRead;
};

const Case kCases[] = {
    {"REAL", ftFloat, "y", [](TField* f) { f->AsFloat(); }},
    {"INTEGER", ftLargeint, "zz", [](TField* f) { f->AsLargeInt(); }},
    {"DATE", ftDate, "not a date", [](TField* f) { f->AsDateTime(); }},
    {"BOOLEAN", ftBoolean, "maybe", [](TField* f) { f->AsBoolean(); }},
    {"NUMERIC", ftFloat, "y", [](TField* f) { f->AsFloat(); }},
};

// One row (id 1, note 'a', v holding the case's text) in the dataset under test.
struct Subject {
  explicit Subject(bool ASQLite, const Case& ACase) {
    if (ASQLite) {
      conn.FileName = ":memory:";
      conn.ExecSQL(std::string("CREATE TABLE t (id INTEGER PRIMARY KEY, note TEXT, v ") + ACase.decl +
                   "); INSERT INTO t VALUES (1, 'a', '" + ACase.text + "');");
      auto* q = new TSQLiteQuery(nullptr);
      q->SetConnection(&conn);
      q->SetSQL("SELECT id, note, v FROM t");
      ds.reset(q);
    } else {
      auto* m = new TMemDataSet(nullptr);
      m->AddFieldDef("id", ftInteger);
      m->AddFieldDef("note", ftString, 10);
      m->AddFieldDef("v", ACase.type);
      m->AddRow({1, "a", ACase.text});
      ds.reset(m);
    }
    ds->Open();
  }
  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
};

class WrongKind : public ::testing::TestWithParam<bool> {};

TEST_P(WrongKind, ReadsAsTextRefusedAsTypeAndKeptByOtherEdits) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.decl) + " '" + c.text + "'");
    Subject s(GetParam(), c);
    TField* v = s.ds->FieldByName("v");
    EXPECT_EQ(v->DataType(), c.type);
    EXPECT_EQ(v->AsString(), c.text);
    EXPECT_EQ(v->DisplayText(), c.text);
    EXPECT_EQ(v->Text(), c.text);
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { c.typedRead(v); },
                                            std::string("'") + c.text + "' in field 'v' of record 1"));

    s.ds->Edit();
    EXPECT_THROW(v->SetAsString(c.text), EDatabaseError) << "an edit stores only values of the type";
    s.ds->FieldByName("note")->SetAsString("b");
    s.ds->Post();
    EXPECT_EQ(s.ds->FieldByName("note")->AsString(), "b");
    EXPECT_EQ(v->AsString(), c.text);
    if (GetParam()) {
      EXPECT_EQ(dbtest::Scalar(s.conn, "SELECT typeof(v) || ':' || v || ':' || note FROM t"),
                std::string("text:") + c.text + ":b");
    }
  }
}

// A real that no integer equals, in an integer column, is a value of another kind as well: it reads as it is
// and an integer read refuses it, rather than round it.
TEST(WrongKindSQLite, ARealInAnIntegerColumnIsNotRounded) {
  const struct Case {
    const char* literal;
    double value;
  } cases[] = {{"4.9", 4.9}, {"-0.5", -0.5}, {"1e300", 1e300}, {"-9e999", -HUGE_VAL}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.literal);
    TSQLiteConnection conn(nullptr);
    conn.FileName = ":memory:";
    conn.ExecSQL(std::string("CREATE TABLE t (id INTEGER PRIMARY KEY, note TEXT, v INTEGER);"
                             "INSERT INTO t VALUES (1, 'a', ") +
                 c.literal + ");");
    TSQLiteQuery q(nullptr);
    q.SetConnection(&conn);
    q.SetSQL("SELECT id, note, v FROM t");
    q.Open();
    TField* v = q.FieldByName("v");
    const std::string text = VarToStr(Variant(c.value));
    EXPECT_EQ(v->AsString(), text);
    EXPECT_EQ(v->DisplayText(), text);
    EXPECT_EQ(v->AsFloat(), c.value);
    for (auto read : {+[](TField* f) { f->AsInteger(); }, +[](TField* f) { f->AsLargeInt(); }})
      EXPECT_TRUE(dbtest::RaisesDatabaseError(
          [&] { read(v); }, "'" + text + "' in field 'v' of record 1 cannot be read as an integer"));
    q.Edit();
    q.FieldByName("note")->SetAsString("b");
    q.Post();
    EXPECT_EQ(dbtest::Scalar(conn, "SELECT typeof(v) || ' ' || (v = " + std::string(c.literal) +
                                       ") || note FROM t"),
              "real 1b");
  }
}

INSTANTIATE_TEST_SUITE_P(Datasets, WrongKind, ::testing::Bool(),
                         [](const auto& AInfo) { return AInfo.param ? "SQLiteQuery" : "InMemory"; });

} // namespace
