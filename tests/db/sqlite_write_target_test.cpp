// Which table, schema and row a query's value belongs to: a write reaches the row its value was read from, or
// is refused with the reason and changes nothing.
#include <string>

#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

const char* const kDictionary =
    "CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT);"
    "CREATE TABLE userwords (id INTEGER PRIMARY KEY, word TEXT);"
    "INSERT INTO words VALUES (1, 'ev'), (2, 'su');"
    "INSERT INTO userwords VALUES (1, 'oda');"
    "CREATE VIEW allwords AS SELECT id, word FROM words UNION ALL SELECT id, word FROM userwords;"
    "CREATE TABLE entry (id INTEGER PRIMARY KEY, word TEXT, see INTEGER, gloss TEXT);"
    "CREATE INDEX entry_word ON entry (word);"
    "INSERT INTO entry VALUES (1, 'ev', NULL, 'house'), (2, 'oda', 1, 'room'), (3, 'kapi', 2, 'door');"
    "CREATE TABLE notes (id INTEGER PRIMARY KEY, entry_id INTEGER, body TEXT);"
    "INSERT INTO notes VALUES (1, 2, 'a note'), (2, 3, 'another');"
    "CREATE VIEW seen AS SELECT id, word, see FROM entry WHERE see IS NOT NULL;"
    "CREATE TABLE forms (word TEXT, n INTEGER, form TEXT, PRIMARY KEY (word, n)) WITHOUT ROWID;"
    "CREATE INDEX forms_form ON forms (form);"
    "INSERT INTO forms VALUES ('ev', 1, 'evler'), ('ev', 2, 'evde');";

// Every row of every table of the dictionary, to see that a refused write changed none of them.
std::string Everything(TSQLiteConnection& AConnection) {
  return dbtest::Scalar(
      AConnection,
      "SELECT (SELECT group_concat(id || word, ' ') FROM words) || ' | ' ||"
      " (SELECT group_concat(id || word, ' ') FROM userwords) || ' | ' ||"
      " (SELECT group_concat(id || word || coalesce(see, '-') || gloss, ' ') FROM entry) || ' | ' ||"
      " (SELECT group_concat(word || n || form, ' ') FROM forms)");
}

struct Dictionary {
  explicit Dictionary(const char* ASetup = kDictionary) {
    conn.FileName = ":memory:";
    conn.ExecSQL(ASetup);
    q.SetConnection(&conn);
  }
  void Open(const std::string& ASelect, const char* AUpdateTable = "") {
    q.Close();
    q.UpdateTableName = AUpdateTable;
    q.SetSQL(ASelect);
    q.Open();
  }
  std::string Scalar(const std::string& ASQL) { return dbtest::Scalar(conn, ASQL); }
  TSQLiteConnection conn{nullptr};
  TSQLiteQuery q{nullptr};
};

// A query whose rows are not rows of one table read once: the rows of a compound SELECT come from several
// SELECTs, a table read twice gives values of two rows to one record, a subquery's value comes from another
// row. None of them is written to, by an edit or a delete, and the query says why.
TEST(SQLiteWriteTarget, RowsThatAreNotOneRowOfOneTableAreNotWritten) {
  struct Case {
    const char* sql;
    const char* field;  // the field the record is found by
    const char* locate; // its value in the record
    const char* edited; // the field given a new value
    const char* reason;
  } cases[] = {
      {"SELECT id, word FROM words UNION ALL SELECT id, word FROM userwords", "word", "oda", "word",
       "compound SELECT or holds a subquery"},
      {"SELECT id, word FROM allwords", "word", "ev", "word", "compound SELECT or holds a subquery"},
      {"SELECT id, word FROM entry WHERE id < 3 UNION ALL SELECT id, gloss FROM entry WHERE id = 3", "word",
       "door", "word", "compound SELECT or holds a subquery"},
      {"SELECT e.id, e.word, p.word AS see_word FROM entry e JOIN entry p ON p.id = e.see", "id", "2",
       "see_word", "reads table 'entry' more than once"},
      {"SELECT e.id, e.word, p.word AS see_word FROM entry e LEFT JOIN entry p ON p.id = e.see", "id", "1",
       "see_word", "reads table 'entry' more than once"},
      {"SELECT e.id, p.word FROM entry e JOIN entry p ON p.word = e.gloss OR p.id = e.see", "id", "2", "word",
       "reads table 'entry' more than once"},
      {"SELECT id, word, (SELECT word FROM entry AS p WHERE p.id = entry.see) AS see_word FROM entry", "id",
       "2", "see_word", "compound SELECT or holds a subquery"},
      {"SELECT (SELECT p.id FROM entry p WHERE p.id = entry.see) AS id, word FROM entry", "word", "oda",
       "word", "compound SELECT or holds a subquery"},
      {"SELECT id, word FROM (SELECT e.id, p.word FROM entry e JOIN entry p ON p.id = e.see)", "id", "2",
       "word", "compound SELECT or holds a subquery"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    Dictionary db;
    const std::string before = Everything(db.conn);
    db.Open(c.sql);
    ASSERT_TRUE(db.q.Locate(c.field, c.locate, {}));
    EXPECT_FALSE(db.q.CanModify());
    EXPECT_TRUE(dbtest::RaisesDatabaseError(
        [&] {
          db.q.Edit();
          db.q.FieldByName(c.edited)->SetAsString("changed");
          db.q.Post();
        },
        c.reason));
    db.q.Cancel();
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.q.Delete(); }, c.reason));
    EXPECT_EQ(Everything(db.conn), before);
  }
}

// What stays editable: one table however SQLite reads it (by an index, a covering index, several indexes),
// a view over one table, a join whose update table is named, a table without a rowid. The write reaches the
// row of the record and no other.
TEST(SQLiteWriteTarget, OneRowOfOneTableIsWrittenHoweverItIsRead) {
  struct Case {
    const char* sql;
    const char* updateTable;
    const char* table; // the table written to
    const char* key;   // the field the record is found by, the table's key
    const char* keyValue;
    const char* edited;
    const char* expected; // the edited column of every row of the table, in the key's order
  } cases[] = {
      {"SELECT id, word, gloss FROM entry ORDER BY id", "", "entry", "id", "2", "gloss",
       "house,changed,door"},
      {"SELECT id, word, gloss FROM entry WHERE word = 'oda'", "", "entry", "id", "2", "gloss",
       "house,changed,door"},
      {"SELECT id, word FROM entry WHERE word > 'a' ORDER BY word", "", "entry", "id", "3", "word",
       "ev,oda,changed"},
      {"SELECT id, word, gloss FROM entry WHERE word = 'oda' OR id = 3", "", "entry", "id", "3", "gloss",
       "house,room,changed"},
      {"SELECT id, word, gloss FROM entry WHERE id IN (2, 3) ORDER BY word", "", "entry", "id", "3", "word",
       "ev,oda,changed"},
      {"SELECT id, word FROM seen ORDER BY id", "", "entry", "id", "3", "word", "ev,oda,changed"},
      {"SELECT e.id, e.word, n.body FROM entry e JOIN notes n ON n.entry_id = e.id", "entry", "entry", "id",
       "3", "word", "ev,oda,changed"},
      {"SELECT n.body, e.word, e.id FROM notes n JOIN entry e ON e.id = n.entry_id", "ENTRY", "entry", "id",
       "2", "word", "ev,changed,kapi"},
      {"SELECT word, n, form FROM forms WHERE form = 'evde'", "", "forms", "n", "2", "form", "evler,changed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    Dictionary db;
    db.Open(c.sql, c.updateTable);
    ASSERT_TRUE(db.q.Locate(c.key, c.keyValue, {}));
    EXPECT_TRUE(db.q.CanModify());
    db.q.Edit();
    db.q.FieldByName(c.edited)->SetAsString("changed");
    db.q.Post();
    EXPECT_EQ(db.Scalar(std::string("SELECT group_concat(") + c.edited + ") FROM (SELECT * FROM " + c.table +
                        " ORDER BY " + c.key + ")"),
              c.expected);
  }
}

// A table's key read twice: whichever copy is edited, the record and the dataset's key follow what the file
// holds, so that the next write still reaches the same row after another row has taken its old key.
TEST(SQLiteWriteTarget, EveryCopyOfAColumnFollowsAWrite) {
  struct Case {
    const char* sql;
    const char* copy; // the field holding the second copy of the key
  } cases[] = {{"SELECT rowid, * FROM t ORDER BY v", "id_1"},
               {"SELECT id, v, id AS code FROM t ORDER BY v", "code"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    Dictionary db(
        "CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT); INSERT INTO t VALUES (1, 'one'), (2, 'two')");
    db.Open(c.sql);
    ASSERT_EQ(db.q.FieldByName("v")->AsString(), "one");
    db.q.Edit();
    db.q.FieldByName(c.copy)->SetAsInteger(3);
    db.q.Post();
    EXPECT_EQ(db.q.FieldByName("id")->AsInteger(), 3) << "both copies show the key as stored";
    EXPECT_EQ(db.q.FieldByName(c.copy)->AsInteger(), 3);
    db.q.Next();
    db.q.Edit();
    db.q.FieldByName("id")->SetAsInteger(1);
    db.q.Post();
    db.q.Prior();
    db.q.Edit();
    db.q.FieldByName("v")->SetAsString("edited-again");
    db.q.Post();
    EXPECT_EQ(db.Scalar("SELECT group_concat(id || '=' || v, ' ') FROM (SELECT * FROM t ORDER BY id)"),
              "1=two 3=edited-again");
    db.q.Edit();
    db.q.FieldByName("id")->SetAsInteger(7);
    db.q.FieldByName(c.copy)->SetAsInteger(8);
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.q.Post(); }, "different values"));
    db.q.Cancel();
    EXPECT_EQ(db.Scalar("SELECT group_concat(id, ' ') FROM t"), "1 3");
  }
}

// SQLite folds the case of ASCII letters in names and of no others, and a name may hold characters the code
// page has not: the query compares and quotes names as SQLite does, whatever the code page makes of them. A
// row is written in the schema it was read from: an attached database, the main one beside a temporary table
// of the same name.
TEST(SQLiteWriteTarget, NamesAndSchemasAreSQLites) {
  Dictionary db(
      "ATTACH ':memory:' AS aux;"
      "CREATE TABLE aux.t (k INTEGER PRIMARY KEY, v TEXT); INSERT INTO aux.t VALUES (1, 'aux');"
      "CREATE TABLE main.t (k INTEGER PRIMARY KEY, v TEXT); INSERT INTO main.t VALUES (1, 'main');"
      "CREATE TEMP TABLE t (k INTEGER PRIMARY KEY, v TEXT); INSERT INTO temp.t VALUES (1, 'temp');");
  // Tables named "\u00E7eviri" and "\u00C7eviri", and two named in Cyrillic, which reach the code page only
  // through views of ASCII names; the setup is given to SQLite as UTF-8.
  ASSERT_EQ(sqlite3_exec(db.conn.Handle(),
                         "CREATE TABLE \"\xC3\xA7"
                         "eviri\" (id INTEGER PRIMARY KEY, v TEXT);"
                         "CREATE TABLE \"\xC3\x87"
                         "eviri\" (id INTEGER PRIMARY KEY, v TEXT);"
                         "INSERT INTO \"\xC3\xA7"
                         "eviri\" VALUES (1, 'small');"
                         "INSERT INTO \"\xC3\x87"
                         "eviri\" VALUES (1, 'capital');"
                         "CREATE TABLE \"\xD0\xB6\" (id INTEGER PRIMARY KEY, v TEXT);"
                         "INSERT INTO \"\xD0\xB6\" VALUES (1, 'zhe');"
                         "CREATE TABLE \"\xD0\xB4\" (id INTEGER PRIMARY KEY, v TEXT);"
                         "INSERT INTO \"\xD0\xB4\" VALUES (1, 'de');"
                         "CREATE VIEW zhe AS SELECT id, v FROM \"\xD0\xB6\";"
                         "CREATE VIEW zhede AS SELECT a.id, a.v, b.v AS bv FROM \"\xD0\xB6\" a"
                         " JOIN \"\xD0\xB4\" b ON b.id = a.id;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  auto everything = [&] {
    return dbtest::RawScalar(db.conn,
                             "SELECT (SELECT v FROM \"\xC3\xA7"
                             "eviri\") || (SELECT v FROM \"\xC3\x87"
                             "eviri\") ||"
                             " (SELECT v FROM \"\xD0\xB6\") || (SELECT v FROM \"\xD0\xB4\") ||"
                             " (SELECT v FROM aux.t) || (SELECT v FROM main.t) || (SELECT v FROM temp.t)");
  };
  // The names in the code page, where "\xE7" is the small letter and "\xC7" the capital.
  const char* const join = "SELECT a.id, a.v, b.id AS bid, b.v AS bv FROM \"\xE7"
                           "eviri\" a JOIN \"\xC7"
                           "eviri\" b ON b.id = a.id";
  db.Open(join);
  EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.q.Edit(); }, "several tables"));
  db.Open(join, "\xE7"
                "EVIRI");
  EXPECT_EQ(db.q.UpdateTable(), "\xE7"
                                "eviri");
  db.q.Edit();
  db.q.FieldByName("v")->SetAsString("S");
  db.q.Post();
  EXPECT_EQ(everything(), "Scapitalzhedeauxmaintemp");
  db.Open(join, "\xC7"
                "eviri");
  EXPECT_TRUE(dbtest::RaisesDatabaseError(
      [&] {
        db.q.Edit();
        db.q.FieldByName("v")->SetAsString("C");
        db.q.Post();
      },
      "'v' is not a column of table '\xC7"
      "eviri'"))
      << "the edited field is the small table's";
  db.q.Cancel();

  db.Open("SELECT id, v, bv FROM zhede");
  EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.q.Edit(); }, "several tables"));
  db.Open("SELECT id, v FROM zhe");
  db.q.Edit();
  db.q.FieldByName("v")->SetAsString("Z");
  db.q.Post();
  EXPECT_EQ(everything(), "ScapitalZdeauxmaintemp");

  // An unqualified name is the temporary table, which hides the main one.
  struct Case {
    const char* sql;
    const char* value;
    const char* expected;
    const char* counts; // rows of aux.t, main.t and temp.t after a row was added
  } cases[] = {
      {"SELECT k, v FROM aux.t", "A", "ScapitalZdeAmaintemp", "2 1 1"},
      {"SELECT k, v FROM main.t", "M", "ScapitalZdeAMtemp", "1 2 1"},
      {"SELECT k, v FROM t", "T", "ScapitalZdeAMT", "1 1 2"},
  };
  auto counts = [&] {
    return db.Scalar("SELECT (SELECT count(*) FROM aux.t) || ' ' || (SELECT count(*) FROM main.t) || ' ' ||"
                     " (SELECT count(*) FROM temp.t)");
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    db.Open(c.sql);
    db.q.Edit();
    db.q.FieldByName("v")->SetAsString(c.value);
    db.q.Post();
    EXPECT_EQ(everything(), c.expected);
    db.q.Append();
    db.q.FieldByName("v")->SetAsString("new");
    db.q.Post();
    EXPECT_EQ(counts(), c.counts);
    db.q.Delete();
    EXPECT_EQ(counts(), "1 1 1");
  }
}

// A key that SQLite gives another row by replacing it: the replaced row is gone, and an edit or delete of its
// record is refused rather than written to the row that now holds its key.
TEST(SQLiteWriteTarget, ARowReplacedBehindTheQueryIsNotFound) {
  Dictionary db("CREATE TABLE t (k TEXT PRIMARY KEY ON CONFLICT REPLACE, v TEXT);"
                "INSERT INTO t VALUES ('a', 'one'), ('b', 'two'), ('c', 'three')");
  auto rows = [&] {
    return db.Scalar("SELECT group_concat(k || '=' || v, ' ') FROM (SELECT * FROM t ORDER BY k)");
  };
  db.Open("SELECT k, v FROM t ORDER BY rowid");
  db.q.Edit();
  db.q.FieldByName("k")->SetAsString("b");
  db.q.Post();
  EXPECT_EQ(rows(), "b=one c=three");
  db.q.Append();
  db.q.FieldByName("k")->SetAsString("c");
  db.q.FieldByName("v")->SetAsString("new");
  db.q.Post();
  EXPECT_EQ(rows(), "b=one c=new");
  for (const char* replaced : {"two", "three"}) {
    SCOPED_TRACE(replaced);
    ASSERT_TRUE(db.q.Locate("v", replaced, {}));
    EXPECT_TRUE(dbtest::RaisesDatabaseError(
        [&] {
          db.q.Edit();
          db.q.FieldByName("v")->SetAsString("lost");
          db.q.Post();
        },
        "the database removed it"));
    db.q.Cancel();
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.q.Delete(); }, "the database removed it"));
    EXPECT_EQ(rows(), "b=one c=new");
  }
}

// A view with INSTEAD OF triggers says how it is written; an edit written past it to its table would skip
// them, so its rows are not edited through a query.
TEST(SQLiteWriteTarget, AViewWithTriggersIsNotWrittenPast) {
  const char* const triggers[] = {
      "CREATE TRIGGER seen_edit INSTEAD OF UPDATE ON seen BEGIN"
      " INSERT INTO audit VALUES (old.id); UPDATE entry SET word = new.word WHERE id = old.id; END",
      "CREATE TEMP TRIGGER seen_drop INSTEAD OF DELETE ON main.seen BEGIN INSERT INTO audit VALUES (old.id); "
      "END",
  };
  for (const char* trigger : triggers) {
    SCOPED_TRACE(trigger);
    Dictionary db;
    db.conn.ExecSQL(std::string("CREATE TABLE audit (id INTEGER);") + trigger);
    const std::string before = Everything(db.conn);
    db.Open("SELECT id, word FROM seen ORDER BY id");
    EXPECT_FALSE(db.q.CanModify());
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.q.Edit(); }, "triggers"));
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { db.q.Delete(); }, "triggers"));
    EXPECT_EQ(Everything(db.conn), before);
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM audit"), "0");
  }
}

// After an insert or an edit the record holds what the table stored: defaults, generated columns.
TEST(SQLiteWriteTarget, ARecordHoldsWhatTheTableStored) {
  Dictionary db("CREATE TABLE t (k INTEGER PRIMARY KEY, n INTEGER DEFAULT 5, g AS (k * 100),"
                " s TEXT AS (upper(v)) STORED, v TEXT);"
                "INSERT INTO t (k, v) VALUES (1, 'a'), (2, 'b')");
  db.Open("SELECT k, n, g, s, v FROM t ORDER BY k");
  auto record = [&] {
    std::string text;
    for (const char* name : {"k", "n", "g", "s", "v"})
      text += (text.empty() ? "" : " ") + VarToStr(db.q.FieldByName(name)->Value());
    return text;
  };
  db.q.Append();
  db.q.FieldByName("v")->SetAsString("c");
  db.q.Post();
  EXPECT_EQ(record(), "3 5 300 C c");
  db.q.Edit();
  db.q.FieldByName("k")->SetAsInteger(4);
  db.q.FieldByName("v")->SetAsString("d");
  db.q.Post();
  EXPECT_EQ(record(), "4 5 400 D d");
  EXPECT_EQ(db.Scalar("SELECT k || ' ' || n || ' ' || g || ' ' || s || ' ' || v FROM t WHERE k = 4"),
            record());

  // A filtered view takes the row as stored, default included.
  db.q.SetFilter("n = 5");
  db.q.SetFiltered(true);
  ASSERT_EQ(db.q.RecordCount(), 3);
  db.q.Append();
  db.q.FieldByName("v")->SetAsString("e");
  db.q.Post();
  EXPECT_EQ(db.q.RecordCount(), 4);
  EXPECT_EQ(record(), "5 5 500 E e");
}

} // namespace
