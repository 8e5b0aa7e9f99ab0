// The connection opens only a database that is there unless asked to make one, and waits a while for another
// connection's lock instead of failing a post at once.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

struct TempDir {
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelvor-sqlite-XXXXXX").string();
    Path = mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(Path); }
  std::string File(const char* AName) const { return (std::filesystem::path(Path) / AName).string(); }
  std::string Path;
};

TEST(SQLiteConnection, OpensAMissingFileOnlyWhenAskedToCreateIt) {
  TempDir dir;
  const std::string missing = dir.File("missing.db");
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {{"a missing file", missing}, {"a missing folder", dir.File("nowhere/x.db")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TSQLiteConnection conn(nullptr);
    conn.FileName = c.file;
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { conn.Open(); }, "no such file"));
    EXPECT_FALSE(conn.Connected());
    TSQLiteQuery query(nullptr);
    query.SetConnection(&conn);
    query.SetSQL("SELECT 1");
    EXPECT_THROW(query.Open(), EDatabaseError);
    EXPECT_FALSE(std::filesystem::exists(c.file));
  }

  TSQLiteConnection maker(nullptr);
  maker.FileName = missing;
  maker.CreateIfMissing = true;
  maker.ExecSQL("CREATE TABLE t (v INTEGER); INSERT INTO t VALUES (7)");
  TSQLiteConnection reader(nullptr);
  reader.FileName = missing;
  TSQLiteQuery query(nullptr);
  query.SetConnection(&reader);
  query.SetSQL("SELECT v FROM t");
  query.Open();
  EXPECT_EQ(query.Fields(0)->AsInteger(), 7);
}

// Even statements run as they stand cannot damage the file: the schema stays SQLite's own to write.
TEST(SQLiteConnection, OrdinarySQLCannotCorruptTheDatabase) {
  TSQLiteConnection conn(nullptr);
  conn.FileName = ":memory:";
  conn.Open();
  conn.ExecSQL("CREATE TABLE t (v INTEGER); INSERT INTO t VALUES (7)");
  EXPECT_THROW(conn.ExecSQL("PRAGMA writable_schema = ON; DELETE FROM sqlite_schema"), EDatabaseError);
  EXPECT_EQ(dbtest::Scalar(conn, "SELECT count(*) FROM sqlite_schema"), "1");
  EXPECT_EQ(dbtest::Scalar(conn, "SELECT v FROM t"), "7");
}

// Reads of virtual tables and table-valued functions open, also on a connection that has not used them
// before, when SQLite connects the table while the text is prepared; a table-valued function that writes is
// still refused.
TEST(SQLiteConnection, VirtualTablesAreRead) {
  TempDir dir;
  {
    TSQLiteConnection maker(nullptr);
    maker.FileName = dir.File("words.db");
    maker.CreateIfMissing = true;
    maker.ExecSQL(
        "CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT); CREATE INDEX tv ON t (v);"
        "INSERT INTO t VALUES (1, 'ev'), (2, 'oda ev'), (3, 'su');"
        "CREATE VIRTUAL TABLE f5 USING fts5(word); INSERT INTO f5 (rowid, word) SELECT k, v FROM t;"
        "CREATE VIRTUAL TABLE f4 USING fts4(word); INSERT INTO f4 (rowid, word) SELECT k, v FROM t;"
        "CREATE VIRTUAL TABLE rt USING rtree(id, x0, x1); INSERT INTO rt VALUES (1, 0, 1), (2, 5, 6);");
  }
  struct Case {
    const char* sql;
    const char* rows; // the first column of every row
  } cases[] = {
      {"SELECT rowid, word FROM f5 WHERE f5 MATCH 'ev' ORDER BY rowid", "1 2"},
      {"SELECT rowid, word FROM f4 WHERE f4 MATCH 'ev' ORDER BY rowid", "1 2"},
      {"SELECT id, x0 FROM rt WHERE x1 > 2", "2"},
      {"SELECT k, v FROM t WHERE k IN (SELECT value FROM json_each('[1,3]')) ORDER BY k", "1 3"},
      {"SELECT name FROM pragma_table_info('t') ORDER BY cid", "k v"},
      {"SELECT DISTINCT name FROM dbstat WHERE name = 't'", "t"},
  };
  for (const Case& c : cases)
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(std::string(c.sql) + (round ? ", opened again" : ", on a fresh connection"));
      TSQLiteConnection conn(nullptr);
      conn.FileName = dir.File("words.db");
      TSQLiteQuery query(nullptr);
      query.SetConnection(&conn);
      query.SetSQL(c.sql);
      if (round == 1) {
        query.Open();
        query.Close();
      }
      query.Open();
      std::string rows;
      for (query.First(); !query.Eof(); query.Next())
        rows += (rows.empty() ? "" : " ") + query.Fields(0)->AsString();
      EXPECT_EQ(rows, c.rows);
    }

  TSQLiteConnection conn(nullptr);
  conn.FileName = dir.File("words.db");
  TSQLiteQuery query(nullptr);
  query.SetConnection(&conn);
  // The optimization analyses the tables this connection has searched by an index.
  EXPECT_EQ(dbtest::Scalar(conn, "SELECT k FROM t WHERE v = 'su'"), "3");
  query.SetSQL("SELECT * FROM pragma_optimize(65538)");
  for (int round = 0; round < 2; ++round)
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { query.Open(); }, "this text is a PRAGMA"));
  EXPECT_EQ(dbtest::Scalar(conn, "SELECT count(*) FROM sqlite_schema WHERE name = 'sqlite_stat1'"), "0");
}

// A database with one word, the query over it in edit with the word changed, and a second connection.
struct Locked {
  explicit Locked(const TempDir& ADir) {
    mine.FileName = ADir.File("words.db");
    mine.CreateIfMissing = true;
    mine.ExecSQL(
        "CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT); INSERT INTO words VALUES (1, 'ev')");
    other.FileName = mine.FileName;
    query.SetConnection(&mine);
    query.SetSQL("SELECT id, word FROM words");
    query.Open();
    query.Edit();
    query.FieldByName("word")->SetAsString("oxori");
  }
  std::string Stored() { return dbtest::Scalar(other, "SELECT word FROM words"); }
  TSQLiteConnection mine{nullptr}, other{nullptr};
  TSQLiteQuery query{nullptr};
};

const struct LockCase {
  const char* what;
  const char* take;
} kLocks[] = {{"another writer", "BEGIN IMMEDIATE"}, {"another reader", "BEGIN; SELECT count(*) FROM words"}};

// Taking a new text's parameter names does not wait for another connection's lock, and leaves the
// connection's own wait as it was; the names come when the query opens.
TEST(SQLiteConnection, AssigningATextDoesNotWaitForALock) {
  TempDir dir;
  TSQLiteConnection maker(nullptr), other(nullptr), mine(nullptr);
  maker.FileName = other.FileName = mine.FileName = dir.File("words.db");
  maker.CreateIfMissing = true;
  maker.ExecSQL("CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT); INSERT INTO words VALUES (1, 'ev')");
  other.ExecSQL("BEGIN EXCLUSIVE");
  TSQLiteQuery query(nullptr);
  query.SetConnection(&mine);
  auto start = std::chrono::steady_clock::now();
  query.SetSQL("SELECT word FROM words WHERE id = :id");
  auto waited =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_LT(waited.count(), 1000);
  EXPECT_EQ(dbtest::RawScalar(mine, "PRAGMA busy_timeout"), "5000");
  other.ExecSQL("COMMIT");
  EXPECT_THROW(query.Open(), EDatabaseError) << "no value for id";
  query.Params()->ParamByName("id")->SetValue(1);
  query.Open();
  EXPECT_EQ(query.Fields(0)->AsString(), "ev");
}

TEST(SQLiteConnection, APostWaitsForAnotherConnectionsLock) {
  for (const LockCase& c : kLocks) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    Locked db(dir);
    db.other.ExecSQL(c.take);
    std::atomic<bool> posting{false};
    std::thread holder([&] {
      while (!posting)
        std::this_thread::yield();
      // The lock outlasts the start of the post, which must wait for it rather than fail.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      db.other.ExecSQL("COMMIT");
    });
    posting = true;
    try {
      db.query.Post();
    } catch (const EDatabaseError& e) {
      ADD_FAILURE() << e.what();
    }
    holder.join();
    EXPECT_EQ(db.query.State(), dsBrowse);
    EXPECT_EQ(db.Stored(), "oxori");
  }
}

TEST(SQLiteConnection, ALockThatOutlastsTheWaitFailsThePostAndKeepsTheEdit) {
  for (const LockCase& c : kLocks) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    Locked db(dir);
    db.query.Cancel();
    db.query.Close();
    db.mine.Close();
    db.mine.BusyTimeout = 50;
    db.query.Open();
    db.query.Edit();
    db.query.FieldByName("word")->SetAsString("oxori");
    db.other.ExecSQL(c.take);
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.query.Post(); }, "database is locked"));
    EXPECT_EQ(db.query.State(), dsEdit);
    EXPECT_EQ(db.query.FieldByName("word")->AsString(), "oxori");
    db.other.ExecSQL("COMMIT");
    db.query.Post();
    EXPECT_EQ(db.Stored(), "oxori");
  }
}

} // namespace

// The statements queries write with stay prepared on the connection between writes: they hold nothing open
// (the table can be renamed and dropped), follow a table made anew with other columns, and go with the
// connection, which opens again for more writes.
TEST(SQLiteConnection, WritesKeepTheirStatementsReadyAndIdle) {
  TempDir dir;
  TSQLiteConnection conn(nullptr);
  conn.FileName = dir.File("kept.db");
  conn.CreateIfMissing = true;
  conn.ExecSQL("CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT); INSERT INTO t VALUES (1, 'a'), (2, 'b')");
  TSQLiteQuery query(nullptr);
  query.SetConnection(&conn);
  query.SetSQL("SELECT k, v FROM t ORDER BY k");
  query.Open();
  auto write = [&](const char* AValue) {
    query.Edit();
    query.FieldByName("v")->SetAsString(AValue);
    query.Post();
  };
  write("x");
  conn.ExecSQL(
      "ALTER TABLE t RENAME TO old; CREATE TABLE t (v TEXT, w TEXT DEFAULT '-', k INTEGER PRIMARY KEY);"
      "INSERT INTO t (k, v) SELECT k, v FROM old; DROP TABLE old");
  write("y");
  query.Next();
  write("z");
  EXPECT_EQ(dbtest::Scalar(conn, "SELECT group_concat(k || v || w, ' ') FROM t"), "1y- 2z-");
  conn.Close();
  conn.Open();
  write("again");
  EXPECT_EQ(dbtest::Scalar(conn, "SELECT group_concat(k || v || w, ' ') FROM t"), "1y- 2again-");
}

// The connection keeps a bounded number of write statements: making room for one while a write still runs
// another (a trigger's changes are read back) leaves that write whole. A table's first write adds three
// statements at once; one to three writes of another table before them shift where room is made.
TEST(SQLiteConnection, MakingRoomForAStatementLeavesTheRunningWriteWhole) {
  const int tables = 40;
  for (int shift = 1; shift <= 3; ++shift) {
    SCOPED_TRACE(shift);
    TSQLiteConnection conn(nullptr);
    conn.FileName = ":memory:";
    conn.ExecSQL("CREATE TABLE a (k INTEGER PRIMARY KEY, c0, c1); INSERT INTO a (k) VALUES (1)");
    for (int i = 0; i < tables; ++i) {
      const std::string b = "b" + std::to_string(i);
      conn.ExecSQL("CREATE TABLE " + b + " (k INTEGER PRIMARY KEY, v TEXT, stamp INTEGER DEFAULT 0);" +
                   "INSERT INTO " + b + " (k, v) VALUES (1, 'x');" + "CREATE TRIGGER " + b +
                   "_stamp AFTER UPDATE OF v ON " + b + " BEGIN UPDATE " + b +
                   " SET stamp = stamp + 1 WHERE k = new.k; END");
    }
    TSQLiteQuery a(nullptr);
    a.SetConnection(&conn);
    a.SetSQL("SELECT * FROM a");
    a.Open();
    for (int columns = 1; columns <= shift; ++columns) {
      a.Edit();
      for (int c = 0; c < 2; ++c)
        if (columns & (1 << c))
          a.FieldByName("c" + std::to_string(c))->SetAsInteger(columns);
      a.Post();
    }
    int stamps = 0;
    for (int i = 0; i < tables; ++i) {
      TSQLiteQuery b(nullptr);
      b.SetConnection(&conn);
      b.SetSQL("SELECT k, v, stamp FROM b" + std::to_string(i));
      b.Open();
      b.Edit();
      b.FieldByName("v")->SetAsString("y");
      b.Post();
      stamps += b.FieldByName("stamp")->AsInteger();
      EXPECT_EQ(dbtest::Scalar(conn, "SELECT v || stamp FROM b" + std::to_string(i)), "y1");
    }
    EXPECT_EQ(stamps, tables);
  }
}
