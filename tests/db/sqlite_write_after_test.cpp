// What a write leaves behind: SQLite compares keys by their collation and by number, runs triggers, resolves
// REPLACE conflicts and foreign-key actions. The records show the rows as the file holds them once the write
// is over, a record whose row SQLite removed is neither edited nor deleted, and a write that SQLite declines
// says what happened.
#include <string>
#include <vector>

#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

struct Table {
  Table(const char* ASetup, const char* ASelect, const char* AKeyFields = "") {
    conn.FileName = ":memory:";
    conn.ExecSQL(ASetup);
    q.SetConnection(&conn);
    q.KeyFields = AKeyFields;
    q.SetSQL(ASelect);
    q.Open();
  }
  std::string Scalar(const std::string& ASQL) { return dbtest::Scalar(conn, ASQL); }
  // Every row of t as "k=v", in the order of k.
  std::string Rows() {
    return Scalar("SELECT group_concat(k || '=' || v, ' ') FROM (SELECT * FROM t ORDER BY k)");
  }
  // Every record as "k=v", in the dataset's order.
  std::string Records() {
    std::string text;
    q.First();
    for (; !q.Eof(); q.Next())
      text +=
          (text.empty() ? "" : " ") + q.FieldByName("k")->AsString() + "=" + q.FieldByName("v")->AsString();
    return text;
  }
  void Set(const char* AField, const char* AValue) { q.FieldByName(AField)->SetAsString(AValue); }
  void Edit(const char* AField, const char* AValue) {
    q.Edit();
    Set(AField, AValue);
    q.Post();
  }
  // Whether an edit and a delete of the record whose v is AValue are both refused, saying APart, and the
  // file stays as it was.
  testing::AssertionResult Refused(const char* AValue, const std::string& APart) {
    const std::string before = Rows();
    if (!q.Locate("v", AValue, {}))
      return testing::AssertionFailure() << "no record holds " << AValue;
    if (testing::AssertionResult refused = dbtest::RefusesWrites(q, "v", APart); !refused)
      return refused;
    if (Rows() != before)
      return testing::AssertionFailure() << "the file changed: " << Rows();
    return testing::AssertionSuccess();
  }
  TSQLiteConnection conn{nullptr};
  TSQLiteQuery q{nullptr};
};

const char* const kRemoved = "the database removed it";

// A row that SQLite replaces because the written key equals its key by the key's collation or by number
// (not byte for byte) is gone: its record refuses edits and deletes instead of writing the row that now
// holds an equal key, and the written record goes on reaching its own row.
TEST(SQLiteWriteAfter, RowsReplacedBySQLitesOwnComparisonAreGone) {
  struct Case {
    const char* name;
    const char* setup;
    const char* select;
    const char* from; // the v of the record whose key is changed, or "" for an append
    const char* key;  // the key it is given
    bool asNumber;
    const char* replaced;  // the v of the record whose row SQLite deletes
    const char* rowsAfter; // the file once the written record was edited again
  } cases[] = {
      {"a key compared without case",
       "CREATE TABLE t (k TEXT PRIMARY KEY ON CONFLICT REPLACE COLLATE NOCASE, v);"
       "INSERT INTO t VALUES ('abc', 'one'), ('Def', 'two')",
       "SELECT k, v FROM t ORDER BY rowid", "one", "DEF", false, "two", "DEF=again"},
      {"a new row's key compared without case",
       "CREATE TABLE t (k TEXT PRIMARY KEY ON CONFLICT REPLACE COLLATE NOCASE, v);"
       "INSERT INTO t VALUES ('abc', 'one'), ('Def', 'two')",
       "SELECT k, v FROM t ORDER BY rowid", "", "ABC", false, "one", "ABC=again Def=two"},
      {"a key without a rowid compared without case",
       "CREATE TABLE t (v TEXT, k TEXT COLLATE NOCASE, PRIMARY KEY (k) ON CONFLICT REPLACE) WITHOUT ROWID;"
       "INSERT INTO t VALUES ('one', 'abc'), ('two', 'Def')",
       "SELECT k, v FROM t ORDER BY v", "one", "DEF", false, "two", "DEF=again"},
      {"an untyped key compared by number",
       "CREATE TABLE t (k PRIMARY KEY ON CONFLICT REPLACE, v);"
       "INSERT INTO t VALUES (0.5, 'half'), (1, 'one'), (3, 'three')",
       "SELECT k, v FROM t ORDER BY rowid", "three", "1.0", true, "one", "0.5=half 1.0=again"},
      {"a REAL key holding an integer",
       "CREATE TABLE t (k REAL PRIMARY KEY ON CONFLICT REPLACE, v);"
       "INSERT INTO t VALUES (1, 'one'), (2, 'two')",
       "SELECT k, v FROM t ORDER BY rowid", "two", "1", true, "one", "1.0=again"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Table t(c.setup, c.select);
    if (*c.from) {
      ASSERT_TRUE(t.q.Locate("v", c.from, {}));
      t.q.Edit();
    } else {
      t.q.Append();
      t.Set("v", "new");
    }
    if (c.asNumber)
      t.q.FieldByName("k")->SetAsFloat(std::stod(c.key));
    else
      t.Set("k", c.key);
    t.q.Post();
    const TBookmarkStr written = t.q.Bookmark();
    EXPECT_TRUE(t.Refused(c.replaced, kRemoved));
    t.q.SetBookmark(written);
    t.Edit("v", "again");
    EXPECT_EQ(t.Rows(), c.rowsAfter);
  }
}

// Triggers that change the written row after it is written, and changes that reach other rows of the table
// beside the write: the records show the rows as they are once the statement is over, and follow a key that
// a trigger changed.
TEST(SQLiteWriteAfter, RecordsShowWhatTheTriggersLeft) {
  struct Case {
    const char* name;
    const char* trigger;
    const char* records; // after "b" was given "x"
    const char* rows;    // after that, once the same record was given "y" again
  } cases[] = {
      {"an AFTER UPDATE trigger on the written row",
       "CREATE TRIGGER up AFTER UPDATE OF v ON t WHEN new.v <> upper(new.v) BEGIN"
       " UPDATE t SET v = upper(new.v) WHERE k = new.k; END",
       "a=1 b=X c=3", "a=1 b=Y c=3"},
      {"a trigger that changes the written row's key",
       "CREATE TRIGGER rekey AFTER UPDATE OF v ON t WHEN new.k NOT LIKE '%!' BEGIN"
       " UPDATE t SET k = new.k || '!' WHERE k = new.k; END",
       "a=1 b!=x c=3", "a=1 b!=y c=3"},
      {"a trigger that changes another row",
       "CREATE TRIGGER other AFTER UPDATE OF v ON t WHEN new.k = 'b' BEGIN"
       " UPDATE t SET v = v || '+' WHERE k = 'c'; END",
       "a=1 b=x c=3+", "a=1 b=y c=3++"},
      {"a trigger that swaps the keys of two other rows",
       "CREATE TRIGGER swap AFTER UPDATE OF v ON t WHEN new.k = 'b' AND new.v = 'x' BEGIN"
       " UPDATE t SET k = 'tmp' WHERE k = 'a'; UPDATE t SET k = 'a' WHERE k = 'c';"
       " UPDATE t SET k = 'c' WHERE k = 'tmp'; END",
       "c=1 b=x a=3", "a=3 b=y c=1"},
      {"a trigger that re-keys another row",
       "CREATE TRIGGER other AFTER UPDATE OF v ON t WHEN new.k = 'b' BEGIN"
       " UPDATE t SET k = 'z' WHERE k = 'c'; END",
       "a=1 b=x z=3", "a=1 b=y z=3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Table t((std::string("CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT);"
                         "INSERT INTO t VALUES ('a', '1'), ('b', '2'), ('c', '3');") +
             c.trigger)
                .c_str(),
            "SELECT k, v FROM t ORDER BY rowid");
    t.q.SetRecNo(2);
    EXPECT_NO_THROW(t.Edit("v", "x"));
    t.q.Cancel();
    EXPECT_EQ(t.Records(), c.records);
    t.q.SetRecNo(2);
    EXPECT_NO_THROW(t.Edit("v", "y"));
    t.q.Cancel();
    EXPECT_EQ(t.Rows(), c.rows);
    // The other record whose row was changed beside the write is written where it now is.
    t.q.Last();
    EXPECT_NO_THROW(t.Edit("v", "w"));
    t.q.Cancel();
    EXPECT_EQ(t.Scalar("SELECT lower(v) FROM t WHERE rowid = 3"), "w");
  }
}

// A row changed beside a write is read again as a load reads it: a value the dataset holds only
// approximately is marked so, and the mark goes when the value becomes one it holds.
TEST(SQLiteWriteAfter, ARowChangedBesideAWriteIsMarkedAsItIsRead) {
  Table t(
      "CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT);"
      "INSERT INTO t VALUES ('a', 'plain'), ('b', 'x');"
      "CREATE TRIGGER laz AFTER UPDATE OF v ON t WHEN new.k = 'b' BEGIN"
      " UPDATE t SET v = CASE new.v WHEN 'laz' THEN char(489) || 'oci' ELSE 'plain' END WHERE k = 'a'; END",
      "SELECT k, v FROM t ORDER BY k");
  TField* v = t.q.FieldByName("v");
  const TBookmarkStr a = t.q.Bookmark();
  t.q.Next();
  t.Edit("v", "laz");
  EXPECT_TRUE(t.q.ReadApproximately(v, a));
  EXPECT_EQ(t.Records(), "a=?oci b=laz");
  t.q.Last();
  t.Edit("v", "latin");
  EXPECT_FALSE(t.q.ReadApproximately(v, a));
  EXPECT_EQ(t.Records(), "a=plain b=latin");
}

// An AFTER INSERT trigger that completes the new row: the appended record shows it as completed.
TEST(SQLiteWriteAfter, ANewRecordShowsWhatItsTriggerWrote) {
  Table t("CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT, stamp TEXT);"
          "CREATE TRIGGER fill AFTER INSERT ON t BEGIN"
          " UPDATE t SET stamp = 'new ' || new.v, v = upper(new.v) WHERE k = new.k; END",
          "SELECT k, v, stamp FROM t");
  t.q.Append();
  t.Set("v", "ev");
  t.q.Post();
  EXPECT_EQ(t.q.FieldByName("v")->AsString(), "EV");
  EXPECT_EQ(t.q.FieldByName("stamp")->AsString(), "new ev");
  t.Edit("v", "su");
  EXPECT_EQ(t.Scalar("SELECT k || v || stamp FROM t"), "1sunew ev");
}

// Rows SQLite removes beside a write: a non-key UNIQUE column that replaces, a foreign key of the table on
// itself that cascades (from a delete, and from a row a REPLACE removed), a trigger that deletes. Their
// records are gone; the others stay editable.
TEST(SQLiteWriteAfter, RowsRemovedBesideAWriteAreGone) {
  const char* const kTree = "PRAGMA foreign_keys = ON;"
                            "CREATE TABLE t (k INTEGER PRIMARY KEY ON CONFLICT REPLACE, v TEXT,"
                            " up INTEGER REFERENCES t (k) ON DELETE CASCADE);"
                            "INSERT INTO t VALUES (1, 'root', NULL), (2, 'child', 1), (3, 'grandchild', 2),"
                            " (4, 'other', NULL);";
  struct Case {
    const char* name;
    const char* setup;
    const char* target; // the v of the record written
    const char* field;  // "" to delete it
    const char* value;
    std::vector<const char*> removed; // the v of every record whose row is gone
    const char* kept;                 // the v of a record that stays editable
    const char* rows;                 // the file afterwards, "k=v" by rowid
  } cases[] = {
      {"a UNIQUE column that replaces",
       "CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT, u TEXT UNIQUE ON CONFLICT REPLACE);"
       "INSERT INTO t VALUES (1, 'one', 'x'), (2, 'two', 'y'), (3, 'three', 'z')",
       "one",
       "u",
       "y",
       {"two"},
       "three",
       "1=one 3=three"},
      {"a cascade from a delete", kTree, "child", "", "", {"grandchild"}, "root", "1=root 4=other"},
      {"a cascade from a replaced row",
       kTree,
       "other",
       "k",
       "1",
       {"root", "child", "grandchild"},
       "other",
       "1=other"},
      {"a trigger that deletes",
       "CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT);"
       "INSERT INTO t VALUES (1, 'one'), (2, 'two'), (3, 'three');"
       "CREATE TRIGGER drop_next AFTER UPDATE ON t BEGIN DELETE FROM t WHERE k = new.k + 1; END",
       "one",
       "v",
       "uno",
       {"two"},
       "three",
       "1=uno 3=three"},
      {"a trigger that deletes the written row",
       "CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT);"
       "INSERT INTO t VALUES (1, 'one'), (2, 'two'), (3, 'three');"
       "CREATE TRIGGER drop_self AFTER UPDATE ON t WHEN new.v = 'drop' BEGIN DELETE FROM t WHERE k = new.k; "
       "END",
       "one",
       "v",
       "drop",
       {"drop"},
       "three",
       "2=two 3=three"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Table t(c.setup, "SELECT * FROM t ORDER BY k");
    ASSERT_TRUE(t.q.Locate("v", c.target, {}));
    if (*c.field)
      t.Edit(c.field, c.value);
    else
      t.q.Delete();
    EXPECT_EQ(t.Rows(), c.rows);
    for (const char* removed : c.removed)
      EXPECT_TRUE(t.Refused(removed, kRemoved)) << removed;
    ASSERT_TRUE(t.q.Locate("v", c.kept, {}));
    t.Edit("v", "kept");
    EXPECT_EQ(t.Scalar("SELECT count(*) FROM t WHERE v = 'kept'"), "1");
  }
}

// A filtered view looks again at the rows a write changed beside its own, after an edit and after a delete:
// a row the trigger hid leaves it.
TEST(SQLiteWriteAfter, AFilteredViewFollowsRowsChangedBesideAWrite) {
  for (const char* op : {"UPDATE", "DELETE"}) {
    SCOPED_TRACE(op);
    Table t((std::string("CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT);"
                         "INSERT INTO t VALUES ('a', '1'), ('b', '2'), ('c', '3');"
                         "CREATE TRIGGER hide AFTER ") +
             op + " ON t BEGIN UPDATE t SET v = 'hidden' WHERE k = 'c'; END")
                .c_str(),
            "SELECT k, v FROM t ORDER BY k");
    t.q.SetFilter("v <> 'hidden'");
    t.q.SetFiltered(true);
    ASSERT_EQ(t.q.RecordCount(), 3);
    if (std::string(op) == "UPDATE")
      t.Edit("v", "one");
    else
      t.q.Delete();
    EXPECT_EQ(t.q.FieldByName("k")->AsString(), std::string(op) == "UPDATE" ? "a" : "b")
        << "the cursor stays where the write left it";
    EXPECT_EQ(t.Records(), std::string(op) == "UPDATE" ? "a=one b=2" : "b=2");
    t.q.SetFiltered(false);
    ASSERT_TRUE(t.q.Locate("k", "c", {}));
    EXPECT_EQ(t.q.FieldByName("v")->AsString(), "hidden");
  }
}

// Where the rows SQLite changed beside a write cannot be told apart by their keys, no record is taken for its
// row any more: a key column that follows a virtual generated one (SQLite versions count such columns
// differently), a key column added to the table later, whose older rows hand out NULL for its default.
TEST(SQLiteWriteAfter, ChangesThatCannotBeToldApartLeaveNoRecordEditable) {
  const char* const kUntracked = "cannot tell apart";
  struct Case {
    const char* name;
    const char* setup;
    const char* keyFields;
    const char* field; // given "x" in the record of "two" first, which changes nothing beside it
    const char* value; // then given to it, which makes SQLite remove the row of "one"
    const char* rows;
  } cases[] = {
      {"a key after a virtual column",
       "CREATE TABLE t (a INTEGER, g AS (a * 2), k TEXT PRIMARY KEY ON CONFLICT REPLACE, v TEXT);"
       "INSERT INTO t (a, k, v) VALUES (1, 'a', 'one'), (2, 'b', 'two'), (3, 'c', 'three')",
       "", "k", "a", "a=x c=three"},
      {"a key column added later",
       "CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT);"
       "INSERT INTO t VALUES (1, 'one'), (2, 'two'), (3, 'three');"
       "ALTER TABLE t ADD COLUMN k TEXT DEFAULT 'old'; UPDATE t SET k = 'k' || id WHERE id > 1;"
       "CREATE TRIGGER t_drop AFTER UPDATE OF v ON t WHEN new.v = 'y' BEGIN DELETE FROM t WHERE id = 1; END",
       "k", "v", "y", "k2=y k3=three"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Table t(c.setup, "SELECT * FROM t", c.keyFields);
    ASSERT_TRUE(t.q.Locate("v", "two", {}));
    t.Edit("v", "x");
    t.Edit(c.field, c.value);
    EXPECT_EQ(t.Rows(), c.rows);
    for (const char* record : {"one", "three", c.field == std::string("v") ? c.value : "x"})
      EXPECT_TRUE(t.Refused(record, kUntracked)) << record;
    t.q.Refresh();
    ASSERT_TRUE(t.q.Locate("v", "three", {}));
    t.Edit("v", "drei");
    EXPECT_EQ(t.Scalar("SELECT count(*) FROM t WHERE v = 'drei'"), "1") << "a refresh makes them rows again";
  }
}

// A write that SQLite declines or cannot place says what happened, and writes nothing: a trigger or a
// constraint that ignores it, key fields that match several rows, a row another connection deleted.
TEST(SQLiteWriteAfter, AWriteThatIsNotMadeSaysWhy) {
  const char* const kSkipped = "the database skipped the write";
  const char* const kSeveral = "match more than one row";
  const char* const kNotFound = "not found by its key";
  struct Case {
    const char* name;
    const char* setup;
    const char* keyFields;
    const char* target; // the v of the record written
    const char* field;  // "" to delete it, "+" to append a record with this v
    const char* value;
    const char* message; // what the refusal says
  } cases[] = {
      {"an update a trigger ignores",
       "CREATE TRIGGER no_edit BEFORE UPDATE ON t BEGIN SELECT RAISE(IGNORE); END", "", "one", "v", "x",
       kSkipped},
      {"a delete a trigger ignores",
       "CREATE TRIGGER no_drop BEFORE DELETE ON t BEGIN SELECT RAISE(IGNORE); END", "", "one", "", "",
       kSkipped},
      {"an insert a trigger ignores",
       "CREATE TRIGGER no_new BEFORE INSERT ON t BEGIN SELECT RAISE(IGNORE); END", "", "", "+", "new",
       kSkipped},
      {"an update a constraint ignores", "", "", "one", "u", "3", kSkipped},
      {"key fields that match two rows", "", "g", "one", "v", "x", kSeveral},
      {"a delete whose key fields match two rows", "", "g", "one", "", "", kSeveral},
      {"key fields that match two rows, one of which a trigger ignores",
       "CREATE TRIGGER skip_two BEFORE UPDATE ON t WHEN old.v = 'two' BEGIN SELECT RAISE(IGNORE); END", "g",
       "one", "v", "x", kSeveral},
      {"a row another connection deleted", "DELETE FROM t WHERE v = 'one'", "", "one", "v", "x", kNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Table t("CREATE TABLE t (k INTEGER PRIMARY KEY, g TEXT, v TEXT, u INTEGER UNIQUE ON CONFLICT IGNORE);"
            "INSERT INTO t VALUES (1, 'a', 'one', 1), (2, 'a', 'two', 2), (3, 'b', 'three', 3)",
            "SELECT k, g, v, u FROM t ORDER BY k", c.keyFields);
    t.conn.ExecSQL(c.setup);
    const std::string before = t.Scalar("SELECT group_concat(k || g || v || u, ' ') FROM t");
    if (*c.target) {
      ASSERT_TRUE(t.q.Locate("v", c.target, {}));
    }
    const std::string message = c.message;
    if (std::string(c.field) == "+") {
      t.q.Append();
      t.Set("v", c.value);
      EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { t.q.Post(); }, message));
      EXPECT_EQ(t.q.State(), dsInsert);
    } else if (*c.field) {
      t.q.Edit();
      t.Set(c.field, c.value);
      EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { t.q.Post(); }, message));
      EXPECT_EQ(t.q.State(), dsEdit);
    } else {
      EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { t.q.Delete(); }, message));
      EXPECT_EQ(t.q.FieldByName("v")->AsString(), c.target) << "the record stays";
    }
    t.q.Cancel();
    EXPECT_EQ(t.Scalar("SELECT group_concat(k || g || v || u, ' ') FROM t"), before);
  }
}

// ON CONFLICT ROLLBACK and RAISE(ROLLBACK) end the whole transaction the program had open, not just the
// write: the message says so, as what was written before it in that transaction is undone too. Where the
// write began the transaction itself, nothing else was lost and the message says nothing of it.
TEST(SQLiteWriteAfter, AWriteThatRollsBackTheProgramsTransactionSaysSo) {
  const char* const kRolledBack = "rolled back the whole transaction";
  struct Case {
    const char* name;
    const char* setup;
    const char* inTransaction; // given to v of the second record after the first was given "fine"
    const char* alone;         // given to it where no transaction is open
  } cases[] = {
      {"ON CONFLICT ROLLBACK", "", "fine", "one"},
      {"RAISE(ROLLBACK)",
       "CREATE TRIGGER veto BEFORE UPDATE ON t WHEN new.v = 'veto' BEGIN SELECT RAISE(ROLLBACK, 'vetoed'); "
       "END",
       "veto", "veto"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Table t("CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT UNIQUE ON CONFLICT ROLLBACK);"
            "INSERT INTO t VALUES (1, 'one'), (2, 'two')",
            "SELECT k, v FROM t ORDER BY k");
    t.conn.ExecSQL(c.setup);
    t.conn.ExecSQL("BEGIN");
    t.Edit("v", "fine");
    t.q.Next();
    t.q.Edit();
    t.Set("v", c.inTransaction);
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { t.q.Post(); }, kRolledBack));
    t.q.Cancel();
    EXPECT_TRUE(sqlite3_get_autocommit(t.conn.Handle())) << "no transaction is open any more";
    EXPECT_EQ(t.Rows(), "1=one 2=two");

    t.q.Edit();
    t.Set("v", c.alone);
    try {
      t.q.Post();
      ADD_FAILURE() << "posted";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(std::string(e.what()).find(kRolledBack), std::string::npos) << e.what();
    }
    t.q.Cancel();
    EXPECT_EQ(t.Rows(), "1=one 2=two");
  }
}

} // namespace
