// A value the dataset keeps only approximately (a text the code page cannot hold, bytes that are no UTF-8,
// a number its field's type holds only nearly) is shown, but never written back as if it were the original:
// an edit of it is refused, naming the field, and edits of the other fields of its record still post.
#include <gtest/gtest.h>

#include <string>

#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

using dbtest::RaisesDatabaseError;

constexpr const char* kRefusal = "Field 'v' cannot be modified: the dataset holds only an approximation";

struct SQLiteCase {
  const char* decl;
  const char* literal;
  bool approximate;
  // True when the column still holds the literal; by default the very same value.
  const char* same = "v IS %";
};

// Runs UTF-8 SQL as it stands; the connection's ExecSQL takes text in the code page, which cannot carry
// every letter these tests store.
void RawExec(TSQLiteConnection& AConnection, const std::string& ASQL) {
  AConnection.Open();
  ASSERT_EQ(sqlite3_exec(AConnection.Handle(), ASQL.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(AConnection.Handle());
}

std::string Fill(std::string AText, const std::string& ALiteral) {
  return AText.replace(AText.find('%'), 1, ALiteral);
}

const SQLiteCase kSQLiteCases[] = {
    {"TEXT", "char(489) || 'oci'", true},          // a Laz letter
    {"TEXT", "'?oci'", false},                     // the default character itself
    {"TEXT", "char(231, 287, 305) || '?'", false}, // Turkish letters are in the code page
    {"TEXT", "char(128512)", true},                // a character past the 16-bit plane
    {"TEXT", "'ǩoçi мир'", true},
    {"TEXT", "CAST(x'41FF42' AS TEXT)", true},
    {"TEXT", "'çağ ışık ÖĞÜŞİ'", false},
    {"TEXT", "x'C3A7'", true},
    {"TEXT", "x'4142'", false, "CAST(v AS BLOB) = %"},
    {"NUMERIC", "9007199254740993", true},
    {"NUMERIC", "9223372036854775807", true},
    {"NUMERIC", "9007199254740992", false},
    {"NUMERIC", "-9223372036854775808", false},
    {"NUMERIC", "-9223372036854775807", true},
    {"NUMERIC", "5", false},
    {"REAL", "2.5", false},
    {"INTEGER", "9007199254740993", false},
    {"BOOLEAN", "2", true},
    {"BOOLEAN", "-1", true},
    {"BOOLEAN", "1", false},
    {"DATETIME", "'2024-01-02 10:30:00.1234'", true},
    {"DATETIME", "'2024-01-02 10:30:00.1230'", false, "julianday(v) = julianday(%)"},
    {"BLOB", "x'C3A7FF'", false},
    {"BLOB", "x'ff3f'", false},
    {"BLOB", "'çağ'", true},
    {"BLOB", "'abc'", false, "CAST(v AS BLOB) = CAST(% AS BLOB)"},
};

// Each value is read, marked or not (for the field and for its record's bookmark), and set to what it reads
// as: refused where that is only an approximation, with the file untouched, while another field of the
// record posts.
TEST(ApproximateValues, SQLiteRefusesToWriteBackWhatItReadOnlyNearly) {
  TSQLiteConnection conn(nullptr);
  conn.FileName = ":memory:";
  conn.Open();
  int n = 0;
  for (const SQLiteCase& c : kSQLiteCases) {
    SCOPED_TRACE(std::string(c.decl) + " " + c.literal);
    const std::string table = "t" + std::to_string(n++);
    RawExec(conn, "CREATE TABLE " + table + " (id INTEGER PRIMARY KEY, v " + c.decl + ", note TEXT);" +
                      "INSERT INTO " + table + " VALUES (1, " + c.literal + ", 'a')");
    const std::string same = "SELECT " + Fill(c.same, c.literal) + " FROM " + table;
    TSQLiteQuery q(nullptr);
    q.SetConnection(&conn);
    q.SetSQL("SELECT id, v, note FROM " + table);
    q.Open();
    TField* v = q.FieldByName("v");
    EXPECT_EQ(v->IsApproximate(), c.approximate);
    EXPECT_EQ(q.ReadApproximately(v, q.Bookmark()), c.approximate);
    EXPECT_EQ(q.HoldsApproximateValues(v), c.approximate);
    EXPECT_FALSE(q.FieldByName("note")->IsApproximate());
    EXPECT_FALSE(q.HoldsApproximateValues(q.FieldByName("id")));
    const Variant read = v->Value();
    q.Edit();
    if (c.approximate) {
      EXPECT_TRUE(RaisesDatabaseError([&] { v->SetAsVariant(read); }, kRefusal));
      EXPECT_TRUE(RaisesDatabaseError([&] { v->Clear(); }, kRefusal));
      EXPECT_FALSE(q.Modified());
    } else {
      v->SetAsVariant(read);
    }
    q.FieldByName("note")->SetAsString("b");
    q.Post();
    EXPECT_EQ(dbtest::RawScalar(conn, same), "1") << "the column holds what it held";
    EXPECT_EQ(dbtest::RawScalar(conn, "SELECT note FROM " + table), "b");
    EXPECT_EQ(v->IsApproximate(), c.approximate) << "after the post";
  }
}

// The word: shown with '?' where the code page has no letter; appending to it is refused and
// writes nothing, editing another column leaves it alone; a refresh reads it, and marks it, again.
TEST(ApproximateValues, AWordTheCodePageCannotHoldIsShownButNotRewritten) {
  TSQLiteConnection conn(nullptr);
  conn.FileName = ":memory:";
  RawExec(conn,
          "CREATE TABLE w (id INTEGER PRIMARY KEY, word TEXT, laz TEXT);"
          "INSERT INTO w VALUES (1, 'ǩoçi мир', 'a'), (2, CAST(x'41FF42' AS TEXT), 'b'), (3, 'ev', 'c')");
  TSQLiteQuery q(nullptr);
  q.SetConnection(&conn);
  q.SetSQL("SELECT id, word, laz FROM w ORDER BY id");
  q.Open();
  TField* word = q.FieldByName("word");
  word->SetDisplayLabel("Word");
  EXPECT_EQ(word->AsString(), "?o\xE7i ???");
  q.Edit();
  EXPECT_TRUE(RaisesDatabaseError([&] { word->SetAsString(word->AsString() + " (fixed)"); },
                                  "Field 'Word' cannot be modified"));
  EXPECT_EQ(word->AsString(), "?o\xE7i ???");
  q.FieldByName("laz")->SetAsString("z");
  q.Post();
  q.Next();
  EXPECT_EQ(word->AsString(), "A?B");
  q.Edit();
  EXPECT_TRUE(
      RaisesDatabaseError([&] { word->SetAsString("A?B (fixed)"); }, "Field 'Word' cannot be modified"));
  q.Cancel();
  q.Next();
  q.Edit();
  word->SetAsString("ev (fixed)");
  q.Post();
  EXPECT_EQ(dbtest::RawScalar(conn, "SELECT group_concat(hex(word) || ' ' || laz, ', ') FROM w"),
            "C7A96FC3A76920D0BCD0B8D180 z, 41FF42 b, 65762028666978656429 c");
  q.Refresh();
  q.First();
  EXPECT_TRUE(word->IsApproximate());
  q.Last();
  EXPECT_FALSE(word->IsApproximate());
}

// Integers past 2^53 in a NUMERIC column read as the nearest double: two distinct values read as one, and
// neither rounded one is written back.
TEST(ApproximateValues, BigIntegersOfANumericColumnAreNotRewrittenRounded) {
  TSQLiteConnection conn(nullptr);
  conn.FileName = ":memory:";
  conn.ExecSQL("CREATE TABLE n (id INTEGER PRIMARY KEY, amount NUMERIC);"
               "INSERT INTO n VALUES (1, 9007199254740992), (2, 9007199254740993)");
  TSQLiteQuery q(nullptr);
  q.SetConnection(&conn);
  q.SetSQL("SELECT id, amount FROM n ORDER BY id");
  q.Open();
  TField* amount = q.FieldByName("amount");
  const double first = amount->AsFloat();
  q.Next();
  EXPECT_EQ(amount->AsFloat(), first) << "both read as one double";
  EXPECT_TRUE(amount->IsApproximate());
  q.Edit();
  EXPECT_TRUE(RaisesDatabaseError([&] { amount->SetAsFloat(amount->AsFloat() + 2); },
                                  "Field 'amount' cannot be modified"));
  q.Cancel();
  q.First();
  EXPECT_FALSE(amount->IsApproximate());
  q.Edit();
  amount->SetAsFloat(amount->AsFloat() + 2);
  q.Post();
  EXPECT_EQ(dbtest::RawScalar(conn, "SELECT group_concat(amount, ' ') FROM n"),
            "9007199254740994 9007199254740993");
}

// A value the database gives the row on a post (a default here) is read back as a load reads it, marked
// where it is only approximate.
TEST(ApproximateValues, AValueReadBackAfterAPostIsMarkedAsALoadMarksIt) {
  TSQLiteConnection conn(nullptr);
  conn.FileName = ":memory:";
  RawExec(conn, "CREATE TABLE d (id INTEGER PRIMARY KEY, v TEXT DEFAULT 'мир', note TEXT)");
  TSQLiteQuery q(nullptr);
  q.SetConnection(&conn);
  q.SetSQL("SELECT id, v, note FROM d");
  q.Open();
  q.Append();
  EXPECT_FALSE(q.FieldByName("v")->IsApproximate()) << "a record being inserted holds what it is given";
  q.FieldByName("note")->SetAsString("x");
  q.Post();
  EXPECT_TRUE(q.FieldByName("v")->IsApproximate());
  q.Edit();
  EXPECT_TRUE(RaisesDatabaseError([&] { q.FieldByName("v")->SetAsString("???"); }, kRefusal));
  q.FieldByName("note")->SetAsString("y");
  q.Post();
  EXPECT_EQ(dbtest::RawScalar(conn, "SELECT v || note FROM d"), "мирy");
}

struct MemCase {
  TFieldType type;
  Variant value;
  bool approximate;
};

// Loading a row converts each value to its column's type; where that loses part of it, the nearest value
// is kept and marked, and an edit of it refused, as for a value read from a file.
TEST(ApproximateValues, InMemoryRowsMarkValuesTheirColumnsHoldOnlyNearly) {
  const MemCase cases[] = {
      {ftString, Variant(u"ǩoçi мир"), true},
      {ftString, Variant(u"çağ"), false},
      {ftString, Variant("plain"), false},
      {ftFloat, Variant(std::int64_t(9007199254740993)), true},
      {ftFloat, Variant(std::int64_t(9007199254740992)), false},
      {ftInteger, Variant(2.5), true},
      {ftInteger, Variant(2.0), false},
      {ftLargeint, Variant("42"), false},
      {ftBCD, Variant(0.12345), true},
      {ftBCD, Variant(0.1234), false},
      {ftBoolean, Variant(2), true},
      {ftBoolean, Variant(1), false},
  };
  for (const MemCase& c : cases) {
    SCOPED_TRACE(std::to_string(int(c.type)) + " " + VarToStr(c.value));
    TMemDataSet m(nullptr);
    m.AddFieldDef("id", ftInteger);
    m.AddFieldDef("v", c.type);
    m.AddFieldDef("note", ftString, 10);
    m.AddRow({1, c.value, "a"});
    m.Open();
    TField* v = m.FieldByName("v");
    EXPECT_EQ(v->IsApproximate(), c.approximate);
    const Variant read = v->Value();
    m.Edit();
    if (c.approximate)
      EXPECT_TRUE(RaisesDatabaseError([&] { v->SetAsVariant(read); }, kRefusal));
    else
      v->SetAsVariant(read);
    m.FieldByName("note")->SetAsString("b");
    m.Post();
    EXPECT_EQ(v->IsApproximate(), c.approximate);
    EXPECT_EQ(m.FieldByName("note")->AsString(), "b");
    m.Append();
    v->SetAsVariant(read);
    EXPECT_FALSE(v->IsApproximate()) << "a value set is the caller's own";
    m.Post();
    EXPECT_FALSE(v->IsApproximate());
  }
}

} // namespace
