#include <cmath>
#include <string>

#include "platform/classes/ComponentStream.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

using dbtest::EventLog;
using Log = std::vector<std::string>;

struct Db {
  Db() {
    conn.FileName = ":memory:";
    conn.ExecSQL(
        "PRAGMA foreign_keys = ON;"
        "CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT NOT NULL UNIQUE, lang VARCHAR(2),"
        " score REAL, added DATE);"
        "CREATE TABLE notes (id INTEGER PRIMARY KEY, word_id INTEGER REFERENCES words(id), body TEXT);"
        "INSERT INTO words VALUES (1, 'ev', 'tr', 1.5, '2024-01-02'), (2, 'oxori', 'lz', NULL, NULL),"
        " (3, 'su', 'tr', 3, '2024-02-03'), (4, 'cari', 'lz', 4, NULL), (5, 'ay', 'tr', 5, NULL);"
        "INSERT INTO notes VALUES (1, 2, 'house');");
    query.SetConnection(&conn);
  }
  // A value straight from the database, past the query's kept rows.
  std::string Scalar(const std::string& ASQL) { return dbtest::Scalar(conn, ASQL); }
  void OpenWords(const char* AWhere = "") {
    query.SetSQL(std::string("SELECT id, word, lang, score, added FROM words ") + AWhere + " ORDER BY id");
    query.Open();
  }

  TSQLiteConnection conn{nullptr};
  TSQLiteQuery query{nullptr};
};

// A query, opened, over a private database in memory that ASetupSQL has filled.
struct Opened {
  Opened(const std::string& ASetupSQL, const std::string& ASelect) {
    conn.FileName = ":memory:";
    conn.ExecSQL(ASetupSQL);
    q.SetConnection(&conn);
    q.SetSQL(ASelect);
    q.Open();
  }
  std::string Scalar(const std::string& ASQL) { return dbtest::Scalar(conn, ASQL); }
  TSQLiteConnection conn{nullptr};
  TSQLiteQuery q{nullptr};
};

TEST(SQLiteQuery, OpensWithParamsTypesAndOrigins) {
  Db db;
  db.query.SetSQL(
      "SELECT id, word, lang, score, added FROM words WHERE lang = :lang AND id > :min ORDER BY id");
  ASSERT_EQ(db.query.Params()->Count(), 2);
  EXPECT_EQ(db.query.Params()->Items(0)->Name, "lang");
  try {
    db.query.Open();
    FAIL() << "a parameter without a value must not open";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("No value for parameter 'lang'"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(db.query.Active());
  db.query.Params()->SetParamValues("lang;min", VarArrayOf({"tr", 1}));
  db.query.Open();
  EXPECT_EQ(db.query.RecordCount(), 2);
  std::vector<int> ids;
  for (db.query.First(); !db.query.Eof(); db.query.Next())
    ids.push_back(db.query.FieldByName("id")->AsInteger());
  EXPECT_EQ(ids, (std::vector<int>{3, 5}));

  struct Case {
    const char* name;
    TFieldType type;
  } cases[] = {
      {"id", ftLargeint}, {"word", ftString}, {"lang", ftString}, {"score", ftFloat}, {"added", ftDate}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(db.query.FieldByName(c.name)->DataType(), c.type);
    EXPECT_EQ(db.query.FieldByName(c.name)->Origin, std::string("words.") + c.name);
  }
  db.query.First();
  EXPECT_EQ(db.query.FieldByName("added")->AsDateTime(), EncodeDate(2024, 2, 3));
  EXPECT_EQ(db.query.FieldByName("score")->AsFloat(), 3.0);
  EXPECT_EQ(db.query.UpdateTable(), "words");
  EXPECT_EQ(db.query.KeyColumns(), (std::vector<AnsiString>{"id"}));

  db.query.Close();
  db.query.Params()->ParamByName("lang")->SetValue("lz");
  db.query.Open();
  EXPECT_EQ(db.query.RecordCount(), 2);
  EXPECT_EQ(db.query.ParamValues("lang").AsString(), "lz");
  db.query.SetSQL("SELECT * FROM words WHERE lang = :lang");
  EXPECT_FALSE(db.query.Active()) << "new text closes the query";
  EXPECT_EQ(db.query.Params()->ParamByName("lang")->Value().AsString(), "lz")
      << "a kept name keeps its value";
  EXPECT_EQ(db.query.Params()->FindParam("min"), nullptr);
}

TEST(SQLiteQuery, BadTextGivesClearErrors) {
  Db db;
  EventLog log;
  dbtest::DataSetEvents events(db.query, log);
  struct Case {
    const char* sql;
    const char* message;
  } cases[] = {
      {"SELEC id FROM words", "syntax error"},
      {"SELECT id FROM nowhere", "no such table: nowhere"},
      {"SELECT nope FROM words", "no such column: nope"},
      {"UPDATE words SET lang = 'x'", "this text writes rows (UPDATE)"},
      {"DELETE FROM words RETURNING *", "this text writes rows (DELETE)"},
      {"WITH w AS (SELECT 1) DELETE FROM notes RETURNING id", "this text writes rows (DELETE)"},
      {"INSERT INTO notes (body) VALUES ('x') RETURNING id", "this text writes rows (INSERT)"},
      {"PRAGMA table_info(words)", "this text is a PRAGMA"},
      {"PRAGMA journal_mode = OFF", "this text is a PRAGMA"},
      {"VACUUM", "this text would change the database"},
      {"BEGIN", "this text starts or ends a transaction"},
      {"ATTACH ':memory:' AS other", "this text attaches or detaches a database"},
      {"CREATE TABLE more (v)", "this text changes the database's schema or settings"},
      {"SELECT 1; SELECT 2", "more than one statement"},
      {"   ", "no SQL text"},
      {"SELECT id FROM words WHERE id = ?", "named"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    db.query.SetSQL(c.sql);
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.query.Open(); }, c.message));
    EXPECT_FALSE(db.query.Active());
    EXPECT_EQ(db.query.FieldCount(), 0);
    EXPECT_EQ(log.Take(), (Log{"BeforeOpen"}));
  }
  EXPECT_EQ(db.Scalar("SELECT count(*) || ':' || sum(lang = 'x') FROM words"), "5:0") << "no write ran";
  EXPECT_EQ(db.Scalar("SELECT group_concat(body) FROM notes"), "house");
  TSQLiteQuery lonely(nullptr);
  lonely.SetSQL("SELECT 1");
  EXPECT_THROW(lonely.Open(), EDatabaseError);
  TSQLiteConnection nowhere(nullptr);
  nowhere.FileName = "/nonexistent-dir/x.db";
  EXPECT_THROW(nowhere.Open(), EDatabaseError);
}

// The names are the ones the database binds, wherever the text puts quotes, comments or other letters.
TEST(SQLiteQuery, ParamsAreTheNamesTheDatabaseBinds) {
  Db db;
  struct Case {
    const char* sql;
    std::vector<AnsiString> names;
  } cases[] = {
      {"SELECT word FROM words /* it's */ WHERE id = :b", {"b"}},
      {"SELECT word AS `it's` FROM words WHERE id = :b", {"b"}},
      {"SELECT word AS [it's] FROM words WHERE id = :b", {"b"}},
      {"SELECT word AS \"it's\" FROM words WHERE id = :b -- ':c'", {"b"}},
      {"SELECT word FROM words WHERE id = :s\xF6z AND lang <> :\xFE", {"s\xF6z", "\xFE"}},
      {"SELECT word FROM words WHERE id = :b OR id = :B OR word = ':c'", {"b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    db.query.SetSQL(c.sql);
    std::vector<AnsiString> names;
    for (int i = 0; i < db.query.Params()->Count(); ++i)
      names.push_back(db.query.Params()->Items(i)->Name);
    EXPECT_EQ(names, c.names);
    for (const AnsiString& name : names)
      db.query.Params()->ParamByName(name)->SetValue(1);
    db.query.Open();
    EXPECT_EQ(db.query.RecordCount(), 1);
    EXPECT_EQ(db.query.Fields(0)->AsString(), "ev");
    db.query.Close();
  }
}

// Without a connection the text cannot be prepared: the names come when the query opens, and values set for
// names that stay are kept through a text that cannot be prepared.
TEST(SQLiteQuery, ParamsOfATextPreparedLater) {
  Db db;
  TSQLiteQuery q(nullptr);
  q.SetSQL("SELECT word FROM words WHERE id = :id");
  EXPECT_EQ(q.Params()->Count(), 0);
  q.SetConnection(&db.conn);
  ASSERT_EQ(q.Params()->Count(), 1);
  TParams* params = q.Params();
  params->ParamByName("id")->SetValue(3);
  q.SetSQL("SELECT word FROM later WHERE id = :id AND n = :n");
  EXPECT_EQ(q.Params(), params) << "the list object stays";
  db.conn.ExecSQL(
      "CREATE TABLE later (id INTEGER, n INTEGER, word TEXT); INSERT INTO later VALUES (3, 1, 'su')");
  EXPECT_THROW(q.Open(), EDatabaseError) << "n has no value";
  ASSERT_EQ(q.Params()->Count(), 2);
  EXPECT_EQ(q.ParamValues("id").AsInteger(), 3);
  q.Params()->ParamByName("n")->SetValue(1);
  q.Open();
  EXPECT_EQ(q.Fields(0)->AsString(), "su");
}

TEST(SQLiteQuery, EditsWriteBackByKey) {
  Db db;
  db.OpenWords();
  EventLog log;
  dbtest::DataSetEvents events(db.query, log);
  ASSERT_TRUE(db.query.Locate("id", 3, {}));
  db.query.Edit();
  db.query.FieldByName("word")->SetAsString("\xFDrmak"); // "ırmak" in the default code page
  db.query.FieldByName("score")->SetAsFloat(7.25);
  log.Take();
  db.query.Post();
  EXPECT_EQ(log.Take(), (Log{"BeforePost", "AfterPost"}));
  EXPECT_EQ(db.Scalar("SELECT hex(word) FROM words WHERE id = 3"), "C4B1726D616B") << "stored as UTF-8";
  EXPECT_EQ(db.Scalar("SELECT score * 4 FROM words WHERE id = 3"), "29");
  EXPECT_EQ(db.query.FieldByName("word")->AsString(), "\xFDrmak");

  db.query.Append();
  db.query.FieldByName("word")->SetAsString("mjxori");
  db.query.FieldByName("lang")->SetAsString("lz");
  db.query.FieldByName("added")->SetAsDateTime(EncodeDate(2025, 6, 7));
  db.query.Post();
  int id = db.query.FieldByName("id")->AsInteger();
  EXPECT_EQ(id, 6) << "the key the database gave is read back";
  EXPECT_EQ(db.Scalar("SELECT word || '/' || added FROM words WHERE id = 6"), "mjxori/2025-06-07");

  ASSERT_TRUE(db.query.Locate("word", "ev", {}));
  db.query.Delete();
  EXPECT_EQ(db.Scalar("SELECT count(*) FROM words WHERE id = 1"), "0");
  EXPECT_EQ(db.query.RecordCount(), 5);
  EXPECT_EQ(db.query.FieldByName("id")->AsInteger(), 2);
}

// Integer affinity holds SQLite's whole 64-bit range: such rows open, read exactly and take every value of
// it.
TEST(SQLiteQuery, IntegerColumnsHoldTheWhole64BitRange) {
  Opened db(
      "CREATE TABLE t (id INTEGER PRIMARY KEY, n INT);"
      "INSERT INTO t VALUES (-9223372036854775808, 0), (1, 0), (3000000000, 0), (9223372036854775807, 0);",
      "SELECT id, n FROM t ORDER BY id");
  TSQLiteQuery& q = db.q;
  ASSERT_EQ(q.FieldByName("n")->DataType(), ftLargeint);
  struct Case {
    std::int64_t id, n;
  } cases[] = {{INT64_MIN, INT64_MAX}, {1, -3000000000}, {3000000000, INT64_MIN}, {INT64_MAX, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(q.FieldByName("id")->AsLargeInt(), c.id);
    q.Edit();
    q.FieldByName("n")->SetAsVariant(Variant(c.n));
    q.Post();
    EXPECT_EQ(q.FieldByName("n")->AsLargeInt(), c.n);
    EXPECT_EQ(db.Scalar("SELECT typeof(n) || ' ' || n FROM t WHERE id = " + std::to_string(c.id)),
              "integer " + std::to_string(c.n));
    q.Next();
  }
  EXPECT_TRUE(q.Eof());
}

// SQLite's TRUE is 1 whatever the column: a posted or bound True is stored as 1, False as 0, and any
// integer but 0 reads as True.
TEST(SQLiteQuery, TrueIsStoredAsOne) {
  Opened db("CREATE TABLE t (id INTEGER PRIMARY KEY, b BOOLEAN, i INTEGER, n NUMERIC, u, r REAL);"
            "INSERT INTO t VALUES (1, 0, 5, 5, 5, 5), (2, -7, 0, 0, 0, 0);"
            "CREATE TABLE k (b BOOLEAN PRIMARY KEY, v TEXT); INSERT INTO k VALUES (1, 'x'), (0, 'y');",
            "SELECT id, b, i, n, u, r FROM t ORDER BY id");
  TSQLiteQuery& q = db.q;
  struct Case {
    const char* column;
    const char* stored[2]; // after False, after True
  } cases[] = {{"b", {"integer 0", "integer 1"}},
               {"i", {"integer 0", "integer 1"}},
               {"n", {"integer 0", "integer 1"}},
               {"u", {"integer 0", "integer 1"}},
               {"r", {"real 0.0", "real 1.0"}}};
  for (const Case& c : cases)
    for (bool value : {false, true}) {
      SCOPED_TRACE(std::string(c.column) + (value ? " True" : " False"));
      q.Edit();
      q.FieldByName(c.column)->SetAsBoolean(value);
      q.Post();
      EXPECT_EQ(q.FieldByName(c.column)->AsBoolean(), value);
      if (q.FieldByName(c.column)->DataType() != ftBoolean) {
        EXPECT_EQ(q.FieldByName(c.column)->AsInteger(), value ? 1 : 0) << "the record holds what was stored";
      }
      EXPECT_EQ(db.Scalar(std::string("SELECT typeof(") + c.column + ") || ' ' || " + c.column +
                          " FROM t WHERE id = 1"),
                c.stored[value]);
    }
  q.Next();
  EXPECT_TRUE(q.FieldByName("b")->AsBoolean());

  q.SetSQL("SELECT id FROM t WHERE b = :b");
  q.Params()->ParamByName("b")->SetValue(true);
  q.Open();
  EXPECT_EQ(q.RecordCount(), 1) << "a True parameter is 1";

  q.SetSQL("SELECT b, v FROM k ORDER BY rowid");
  q.Open();
  ASSERT_TRUE(q.FieldByName("b")->AsBoolean());
  q.Edit();
  q.FieldByName("v")->SetAsString("z");
  q.Post();
  EXPECT_EQ(db.Scalar("SELECT v FROM k WHERE b = 1"), "z");
  q.Delete();
  EXPECT_EQ(db.Scalar("SELECT group_concat(b || v) FROM k"), "0y");
}

// A row is looked up by its key as the database returned it, kind and bytes, and after a write by the key as
// stored: a refresh finds the record again by it, and a changed key or a new row is written to again where
// it is. The first two rows' keys read the same in the code page.
TEST(SQLiteQuery, RowsAreFoundByTheirKeyAsStored) {
  Opened db("CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT);"
            "INSERT INTO t VALUES (CAST(x'd0b6' AS TEXT), 'one'), ('?', 'two');"
            "CREATE TABLE c (a TEXT, b INTEGER DEFAULT 7, v TEXT, PRIMARY KEY (a, b));",
            "SELECT k, v FROM t ORDER BY rowid");
  TSQLiteQuery& q = db.q;
  auto rows = [&](const char* ATable) {
    return db.Scalar(std::string("SELECT group_concat(hex(k) || ' ' || v, ', ') FROM (SELECT * FROM ") +
                     ATable + " ORDER BY rowid)");
  };
  q.Next();
  q.Refresh();
  EXPECT_EQ(q.FieldByName("v")->AsString(), "two");

  q.First();
  q.Edit();
  EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { q.FieldByName("k")->SetAsString("x"); },
                                          "Field 'k' cannot be modified"))
      << "the key reads as '?', which is not what the row holds";
  q.FieldByName("v")->SetAsString("uno");
  q.Post();
  q.Next();
  q.Edit();
  q.FieldByName("k")->SetAsString("x");
  q.Post();
  q.Edit();
  q.FieldByName("v")->SetAsString("dos");
  q.Post();
  EXPECT_EQ(rows("t"), "D0B6 uno, 78 dos");

  q.Append();
  q.FieldByName("k")->SetAsString("\xE7"); // "ç" in the default code page
  q.FieldByName("v")->SetAsString("new");
  q.Post();
  q.Edit();
  q.FieldByName("v")->SetAsString("newer");
  q.Post();
  EXPECT_EQ(rows("t"), "D0B6 uno, 78 dos, C3A7 newer");
  q.Delete();
  EXPECT_EQ(rows("t"), "D0B6 uno, 78 dos");

  q.SetSQL("SELECT a, b, v FROM c");
  q.Open();
  q.Append();
  q.FieldByName("a")->SetAsString("p");
  q.Post();
  EXPECT_EQ(q.FieldByName("b")->AsLargeInt(), 7) << "a key the database gave is read back";
  q.Edit();
  q.FieldByName("v")->SetAsString("w");
  q.Post();
  EXPECT_EQ(db.Scalar("SELECT a || b || v FROM c"), "p7w");
}

// A text in a UTF-16 database that no UTF-8 can carry (half a surrogate pair) is bound back in the database's
// own encoding, so the write still finds its row.
TEST(SQLiteQuery, KeysOfAUtf16DatabaseAreBoundInItsEncoding) {
  Opened db("PRAGMA encoding = 'UTF-16le'; CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT);"
            "INSERT INTO t VALUES (CAST(x'00d8' AS TEXT), 'one'), ('a', 'two');",
            "SELECT k, v FROM t ORDER BY rowid");
  TSQLiteQuery& q = db.q;
  q.Edit();
  q.FieldByName("v")->SetAsString("CHANGED");
  q.Post();
  q.Next();
  q.Delete();
  EXPECT_EQ(db.Scalar("SELECT group_concat(hex(CAST(k AS BLOB)) || ' ' || v) FROM t"), "00D8 CHANGED");
}

TEST(SQLiteQuery, FailedWritesLoseNothing) {
  Db db;
  db.OpenWords();
  ASSERT_TRUE(db.query.Locate("id", 3, {}));
  db.query.Edit();
  db.query.FieldByName("word")->SetAsString("ev");
  try {
    db.query.Post();
    FAIL() << "a duplicate word must not post";
  } catch (const EDatabaseError& e) {
    std::string what = e.what();
    EXPECT_NE(what.find("UNIQUE constraint failed: words.word"), std::string::npos) << what;
    EXPECT_NE(what.find("'words'"), std::string::npos) << what;
  }
  EXPECT_EQ(db.query.State(), dsEdit) << "the edit stays for the user to correct";
  EXPECT_EQ(db.query.FieldByName("word")->AsString(), "ev");
  EXPECT_EQ(db.query.FieldByName("word")->OldValue().AsString(), "su");
  EXPECT_EQ(db.Scalar("SELECT word FROM words WHERE id = 3"), "su");
  db.query.FieldByName("word")->SetAsString("suyu");
  db.query.Post();
  EXPECT_EQ(db.Scalar("SELECT word FROM words WHERE id = 3"), "suyu") << "the savepoint was released";

  db.query.Insert();
  db.query.FieldByName("lang")->SetAsString("tr");
  EXPECT_THROW(db.query.Post(), EDatabaseError) << "NOT NULL";
  EXPECT_EQ(db.query.State(), dsInsert);
  db.query.Cancel();
  EXPECT_EQ(db.Scalar("SELECT count(*) FROM words"), "5");
  EXPECT_EQ(db.query.RecordCount(), 5);

  ASSERT_TRUE(db.query.Locate("id", 2, {}));
  try {
    db.query.Delete();
    FAIL() << "a referenced word must not be deleted";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("FOREIGN KEY constraint failed"), std::string::npos) << e.what();
  }
  EXPECT_EQ(db.query.FieldByName("word")->AsString(), "oxori");
  EXPECT_EQ(db.query.RecordCount(), 5);
  EXPECT_EQ(db.Scalar("SELECT count(*) FROM words WHERE id = 2"), "1");

  db.conn.ExecSQL("DELETE FROM words WHERE id = 4");
  ASSERT_TRUE(db.query.Locate("id", 4, {}));
  db.query.Edit();
  db.query.FieldByName("score")->SetAsFloat(9);
  try {
    db.query.Post();
    FAIL() << "a row deleted behind the query's back cannot be updated";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("not found by its key"), std::string::npos) << e.what();
  }
  db.query.Cancel();
  EXPECT_EQ(db.query.FieldByName("score")->AsFloat(), 4.0);

  db.conn.ExecSQL("BEGIN");
  ASSERT_TRUE(db.query.Locate("id", 5, {}));
  db.query.Edit();
  db.query.FieldByName("word")->SetAsString("ev");
  EXPECT_THROW(db.query.Post(), EDatabaseError);
  db.query.Cancel();
  db.conn.ExecSQL("COMMIT");
  EXPECT_EQ(db.Scalar("SELECT word FROM words WHERE id = 5"), "ay")
      << "a failure inside the caller's transaction";
}

// SQLite stores no NaN: it would keep NULL in its place. A NaN posted into a REAL column, or bound as a
// parameter, is refused, and the row keeps its number.
TEST(SQLiteQuery, NaNIsRefused) {
  Db db;
  db.OpenWords();
  ASSERT_TRUE(db.query.Locate("id", 3, {}));
  const std::string before = dbtest::RawScalar(db.conn, "SELECT score FROM words WHERE id = 3");
  db.query.Edit();
  db.query.FieldByName("score")->SetAsFloat(std::nan(""));
  EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.query.Post(); }, "'score' holds no number"));
  EXPECT_EQ(db.query.State(), dsEdit);
  db.query.Cancel();
  EXPECT_EQ(dbtest::RawScalar(db.conn, "SELECT score FROM words WHERE id = 3"), before);
  db.query.Edit();
  db.query.FieldByName("score")->SetAsFloat(HUGE_VAL);
  db.query.Post();
  EXPECT_EQ(dbtest::RawScalar(db.conn, "SELECT score > 1e308 FROM words WHERE id = 3"), "1");
  db.query.SetSQL("SELECT id FROM words WHERE score = :score");
  db.query.Params()->ParamByName("score")->SetValue(Variant(std::nan("")));
  EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.query.Open(); }, "'score' holds no number"));
}

// A date that no calendar day names (no number at all, before year 1, after 9999) is refused when it is
// posted, as a SMALLINT or BCD value out of range is, and the row keeps its date.
TEST(SQLiteQuery, ImpossibleDatesAreRefused) {
  Db db;
  db.OpenWords();
  ASSERT_TRUE(db.query.Locate("id", 3, {}));
  const TDateTime impossible[] = {std::nan(""), 1e12, -700000, EncodeDate(9999, 12, 31) + 1};
  for (TDateTime date : impossible) {
    SCOPED_TRACE(date);
    db.query.Edit();
    db.query.FieldByName("added")->SetAsDateTime(date);
    EXPECT_TRUE(
        dbtest::RaisesDatabaseError([&] { db.query.Post(); }, "'added' holds no date of the calendar"));
    EXPECT_EQ(db.query.State(), dsEdit);
    db.query.Cancel();
    EXPECT_EQ(dbtest::RawScalar(db.conn, "SELECT added FROM words WHERE id = 3"), "2024-02-03");
    EXPECT_EQ(db.query.FieldByName("added")->AsDateTime(), EncodeDate(2024, 2, 3));
  }
  db.query.Edit();
  db.query.FieldByName("added")->SetAsDateTime(EncodeDate(1, 1, 1));
  db.query.Post();
  EXPECT_EQ(dbtest::RawScalar(db.conn, "SELECT added FROM words WHERE id = 3"), "0001-01-01");
  db.query.SetSQL("SELECT id FROM words WHERE added = :when");
  db.query.Params()->ParamByName("when")->SetValue(Variant::FromDate(std::nan("")));
  EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.query.Open(); }, "'when' holds no date of the calendar"));
}

TEST(SQLiteQuery, WhatCannotBeEdited) {
  Db db;
  struct Case {
    const char* sql;
    const char* reason;
  } cases[] = {
      {"SELECT w.word, n.body FROM words w JOIN notes n ON n.word_id = w.id", "several tables"},
      {"SELECT word, lang FROM words", "key column 'id'"},
      {"SELECT 1 + 1 AS two", "no table"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    db.query.SetSQL(c.sql);
    db.query.Open();
    EXPECT_FALSE(db.query.CanModify());
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.query.Edit(); }, c.reason));
  }
  db.query.SetSQL("SELECT word, lang FROM words");
  db.query.KeyFields = "word";
  db.query.Open();
  EXPECT_TRUE(db.query.CanModify()) << "a unique column named as the key";
  db.query.Edit();
  db.query.FieldByName("lang")->SetAsString("xx");
  db.query.Post();
  EXPECT_EQ(db.Scalar("SELECT lang FROM words WHERE word = 'ev'"), "xx");

  db.query.KeyFields.clear();
  db.query.SetSQL("SELECT id, word, length(word) AS len FROM words ORDER BY id");
  db.query.Open();
  db.query.Edit();
  db.query.FieldByName("len")->SetAsInteger(40);
  try {
    db.query.Post();
    FAIL() << "a computed column has no place in the table";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("'len' is not a column of table 'words'"), std::string::npos)
        << e.what();
  }
  db.query.Cancel();
}

TEST(SQLiteQuery, RefreshFindsTheRecordByKey) {
  Db db;
  db.OpenWords();
  ASSERT_TRUE(db.query.Locate("id", 4, {}));
  TBookmarkStr before = db.query.Bookmark();
  db.conn.ExecSQL("UPDATE words SET word = 'cari2' WHERE id = 4; INSERT INTO words (word) VALUES ('a0');"
                  "DELETE FROM words WHERE id = 1");
  db.query.Refresh();
  EXPECT_FALSE(db.query.BookmarkValid(before))
      << "rows read again: an old bookmark must not name another record";
  EXPECT_EQ(db.query.CompareBookmarks(db.query.Bookmark(), before), -1);
  EXPECT_EQ(db.query.FieldByName("id")->AsInteger(), 4);
  EXPECT_EQ(db.query.FieldByName("word")->AsString(), "cari2");
  EXPECT_EQ(db.query.RecordCount(), 5);
  db.conn.ExecSQL("DELETE FROM words WHERE id = 4");
  db.query.Refresh();
  EXPECT_EQ(db.query.FieldByName("id")->AsInteger(), 5) << "without its record the position is kept";
  db.query.SetFilter("lang = 'tr'");
  db.query.SetFiltered(true);
  EXPECT_EQ(db.query.RecordCount(), 2);

  db.conn.ExecSQL("DROP TABLE notes; DROP TABLE words");
  int id = db.query.FieldByName("id")->AsInteger();
  try {
    db.query.Refresh();
    FAIL() << "refreshed from a dropped table";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("no such table: words"), std::string::npos) << e.what();
  }
  EXPECT_EQ(db.query.State(), dsBrowse);
  EXPECT_EQ(db.query.RecordCount(), 2) << "a failed refresh keeps the rows it had";
  EXPECT_EQ(db.query.FieldByName("id")->AsInteger(), id);
  db.query.Next();
  EXPECT_FALSE(db.query.FieldByName("word")->IsNull());
  db.conn.Close();
  EXPECT_THROW(db.query.Refresh(), EDatabaseError);
  db.query.Edit();
  db.query.FieldByName("lang")->SetAsString("xx");
  EXPECT_THROW(db.query.Post(), EDatabaseError) << "a closed connection takes no writes";
  db.query.Cancel();
}

// Assigning a text only takes the names of its parameters: whatever the text would set stays as it was, and
// opening it is refused.
TEST(SQLiteQuery, AssigningATextRunsNoneOfIt) {
  Db db;
  struct Case {
    const char* text;
    const char* read;
  } cases[] = {
      {"PRAGMA foreign_keys = OFF", "PRAGMA foreign_keys"},
      {"PRAGMA busy_timeout = 0", "PRAGMA busy_timeout"},
      {"PRAGMA writable_schema = ON", "PRAGMA writable_schema"},
      {"PRAGMA synchronous = OFF", "PRAGMA synchronous"},
      {"PRAGMA recursive_triggers = ON", "PRAGMA recursive_triggers"},
      {"PRAGMA cache_size = 7", "PRAGMA cache_size"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string before = dbtest::RawScalar(db.conn, c.read);
    db.query.SetSQL(c.text);
    EXPECT_EQ(dbtest::RawScalar(db.conn, c.read), before);
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.query.Open(); }, "this text is a PRAGMA"));
    EXPECT_EQ(dbtest::RawScalar(db.conn, c.read), before);
  }
}

// A query's text calls only functions that read: one that changes the connection (a tokenizer registered
// by its pointer, an extension loaded) is refused, and SQLite's defensive settings, which hold while the
// text is prepared, are back as they were afterwards.
TEST(SQLiteQuery, FunctionsThatChangeTheConnectionAreRefused) {
  Db db;
  const char* const texts[] = {
      "SELECT fts3_tokenizer('mine', x'0000000000000000')",
      "SELECT word, FTS3_TOKENIZER('simple') FROM words",
      "SELECT load_extension('nowhere')",
  };
  auto setting = [&](int AOption) {
    int value = -1;
    sqlite3_db_config(db.conn.Handle(), AOption, -1, &value);
    return value;
  };
  const int defensive = setting(SQLITE_DBCONFIG_DEFENSIVE),
            tokenizer = setting(SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER);
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    db.query.SetSQL(text);
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.query.Open(); },
                                            "calls a function that changes the connection"));
    EXPECT_EQ(dbtest::RawScalar(db.conn, "SELECT fts3_tokenizer('mine')"), "unknown tokenizer: mine");
  }
  db.OpenWords();
  EXPECT_EQ(setting(SQLITE_DBCONFIG_DEFENSIVE), defensive);
  EXPECT_EQ(setting(SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER), tokenizer);
}

// How a detail is re-queried: controls off, closed, new parameter values, opened, controls on.
TEST(SQLiteQuery, ReopenWithNewParamsUnderDisabledControls) {
  Db db;
  EventLog log;
  TDataSource source(nullptr);
  dbtest::RecordingLink link(log);
  source.SetDataSet(&db.query);
  link.SetDataSource(&source);
  db.query.SetSQL("SELECT id, word FROM words WHERE lang = :lang ORDER BY id");
  db.query.Params()->ParamByName("lang")->SetValue("tr");
  db.query.Open();
  EXPECT_EQ(log.Take(), (Log{"ActiveChanged(1)"}));
  EXPECT_EQ(db.query.ParamValues("lang").AsString(), "tr");

  db.query.DisableControls();
  db.query.Close();
  db.query.Params()->ParamByName("lang")->SetValue("lz");
  db.query.Open();
  db.query.EnableControls();
  EXPECT_EQ(log.Take(), (Log{"DisabledStateChange(0)", "LayoutChanged"}));
  EXPECT_EQ(db.query.RecordCount(), 2);
  EXPECT_EQ(db.query.FieldByName("word")->AsString(), "oxori");

  db.query.DisableControls();
  db.query.Close();
  db.query.Params()->ParamByName("lang")->SetValue(Variant());
  EXPECT_THROW(db.query.Open(), EDatabaseError);
  db.query.EnableControls();
  EXPECT_EQ(log.Take(), (Log{"DisabledStateChange(0)", "ActiveChanged(0)"}))
      << "a reopen that fails leaves the links told that the query is closed";
}

TEST(SQLiteQuery, PublishesParams) {
  RegisterSQLiteQueryProperties();
  Db db;
  db.query.SetSQL("SELECT * FROM words WHERE id = :id");
  const TPropInfo* params = nullptr;
  for (const TPropInfo* p : GetPublishedProperties(db.query.ClassType()))
    if (p->Name == "Params")
      params = p;
  ASSERT_NE(params, nullptr);
  EXPECT_EQ(params->GetObject(&db.query), db.query.Params());
  TMemDataSet mem(nullptr);
  for (const TPropInfo* p : GetPublishedProperties(mem.ClassType()))
    EXPECT_NE(p->Name, "Params");
}

} // namespace
