// Which row a record's key reaches: the one the key names as the table tells keys apart, and none where no
// row of the table stands behind the record.
#include <string>

#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

struct Opened {
  Opened(const std::string& ASetup, const char* ASelect, const char* AUpdateTable = "",
         const char* AKeyFields = "") {
    conn.FileName = ":memory:";
    conn.ExecSQL(ASetup);
    q.SetConnection(&conn);
    q.UpdateTableName = AUpdateTable;
    q.KeyFields = AKeyFields;
    q.SetSQL(ASelect);
    q.Open();
  }
  std::string Scalar(const std::string& ASQL) { return dbtest::Scalar(conn, ASQL); }
  TSQLiteConnection conn{nullptr};
  TSQLiteQuery q{nullptr};
};

// A record of an outer join without a row of the update table reads that table's key as NULL: an edit or a
// delete of it is refused, saying so, and neither reaches a row whose key is NULL. Where the table holds such
// a row the record cannot be told from it, and that is refused too. A record with a row is written as before.
TEST(SQLiteKeyMatch, NoRowBehindAnOuterJoinsRecordIsWritten) {
  const char* const textKeys = "CREATE TABLE b (k TEXT PRIMARY KEY, x TEXT); CREATE TABLE a (id INTEGER "
                               "PRIMARY KEY, name TEXT, bk TEXT)";
  struct Case {
    // b and a, given the rows b (k, x) = (NULL, 'nullrow') where its key allows and (7, 'seven'), and a (id,
    // name, bk) = (1, 'one', 7) and (2, 'two', 9): a's first row finds b's second, the others find none
    const char* tables;
    const char* select;
    const char* updateTable;
    const char* key;    // the update table's key, NULL in the record without a row
    const char* edited; // a field of the update table
    const char* reason;
    const char* matched; // the edited column of the row behind record a.id = 1
  } cases[] = {
      {textKeys, "SELECT a.id, a.name, b.k, b.x FROM a LEFT JOIN b ON b.k = a.bk", "b", "k", "x",
       "no row of table 'b' is known to stand behind the record;", "SELECT x FROM b WHERE k = 7"},
      {"CREATE TABLE b (k INTEGER PRIMARY KEY, x TEXT); CREATE TABLE a (id INTEGER PRIMARY KEY, name TEXT, "
       "bk INT)",
       "SELECT a.id, a.name, b.k, b.x FROM a LEFT JOIN b ON b.k = a.bk", "b", "k", "x",
       "no row of table 'b' stands behind the record;", "SELECT x FROM b WHERE k = 7"},
      {"CREATE TABLE b (k TEXT PRIMARY KEY, x TEXT) WITHOUT ROWID;"
       "CREATE TABLE a (id INTEGER PRIMARY KEY, name TEXT, bk TEXT)",
       "SELECT a.id, a.name, b.k, b.x FROM a LEFT JOIN b ON b.k = a.bk", "b", "k", "x",
       "no row of table 'b' stands behind the record;", "SELECT x FROM b WHERE k = 7"},
      {textKeys, "SELECT a.id, a.name, b.k, b.x FROM b RIGHT JOIN a ON b.k = a.bk", "b", "k", "x",
       "no row of table 'b' is known to stand behind the record;", "SELECT x FROM b WHERE k = 7"},
      {textKeys, "SELECT a.id, a.name, b.k, b.x FROM a FULL JOIN b ON b.k = a.bk", "a", "id", "name",
       "no row of table 'a' stands behind the record;", "SELECT name FROM a WHERE id = 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tables) + " / " + c.select);
    Opened db(std::string(c.tables) +
                  ";"
                  "INSERT OR IGNORE INTO b VALUES (NULL, 'nullrow'); INSERT INTO b VALUES (7, 'seven');"
                  "INSERT INTO a VALUES (1, 'one', 7), (2, 'two', 9);",
              c.select, c.updateTable);
    auto rows = [&] {
      return db.Scalar("SELECT (SELECT group_concat(coalesce(k, '-') || '=' || x, ' ') FROM b) || ' | ' ||"
                       " (SELECT group_concat(id || name || bk, ' ') FROM a)");
    };
    const std::string before = rows();
    ASSERT_TRUE(db.q.Locate(c.key, Null, {}));
    EXPECT_TRUE(dbtest::RefusesWrites(db.q, c.edited, c.reason));
    EXPECT_EQ(rows(), before);

    ASSERT_TRUE(db.q.Locate("id", 1, {}));
    db.q.Edit();
    db.q.FieldByName(c.edited)->SetAsString("matched");
    db.q.Post();
    EXPECT_EQ(db.Scalar(c.matched), "matched");
  }

  // Read without a join, a row whose key is NULL is a row like any other.
  Opened db(
      "CREATE TABLE b (k TEXT PRIMARY KEY, x TEXT); INSERT INTO b VALUES (NULL, 'nullrow'), ('p', 'pp')",
      "SELECT k, x FROM b ORDER BY rowid");
  db.q.Edit();
  db.q.FieldByName("x")->SetAsString("edited");
  db.q.Post();
  EXPECT_EQ(db.Scalar("SELECT group_concat(coalesce(k, '-') || '=' || x, ' ') FROM b"), "-=edited p=pp");
}

// A key whose index tells texts apart by another collation than its column's: the key is matched as its
// index matches it, so that each record reaches its own row, and a record whose row is gone reaches none.
TEST(SQLiteKeyMatch, AKeyIsMatchedByItsIndexsCollation) {
  struct Case {
    const char* table;
    const char* keyFields;
  } cases[] = {
      {"CREATE TABLE t (k TEXT COLLATE NOCASE, v TEXT, PRIMARY KEY (k COLLATE BINARY))", ""},
      {"CREATE TABLE t (k TEXT COLLATE NOCASE, v TEXT, PRIMARY KEY (k COLLATE BINARY)) WITHOUT ROWID", ""},
      {"CREATE TABLE t (k TEXT COLLATE NOCASE, v TEXT, UNIQUE (k COLLATE BINARY))", "k"},
      {"CREATE TABLE t (id INTEGER PRIMARY KEY, k TEXT COLLATE NOCASE, v TEXT);"
       "CREATE UNIQUE INDEX t_k ON t (k COLLATE BINARY)",
       "k"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    Opened db(std::string(c.table) + "; INSERT INTO t (k, v) VALUES ('abc', 'lower'), ('ABC', 'upper')",
              "SELECT k, v FROM t ORDER BY v", "", c.keyFields);
    auto rows = [&] {
      return db.Scalar("SELECT group_concat(k || '=' || v, ' ') FROM (SELECT * FROM t ORDER BY v)");
    };
    ASSERT_EQ(db.q.FieldByName("k")->AsString(), "abc");
    db.q.Edit();
    db.q.FieldByName("v")->SetAsString("lower2");
    db.q.Post();
    EXPECT_EQ(rows(), "abc=lower2 ABC=upper");
    db.q.Next();
    db.q.Delete();
    EXPECT_EQ(rows(), "abc=lower2");

    db.conn.ExecSQL(
        "INSERT INTO t (k, v) VALUES ('ABC', 'upper'); DELETE FROM t WHERE k = 'abc' COLLATE BINARY");
    db.q.First();
    ASSERT_EQ(db.q.FieldByName("k")->AsString(), "abc");
    EXPECT_TRUE(dbtest::RefusesWrites(db.q, "v", "not found by its key"));
    EXPECT_EQ(rows(), "ABC=upper");
  }
}

} // namespace
