// Which queries can be edited: only those whose every row is known to be one row of the update table. A row
// that stands for several (groups, aggregates, windows, duplicates removed) or that the dataset cannot read
// the shape of leaves the query read-only, saying why, and nothing is written.
#include <sqlite3.h>

#include <string>

#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

const char* const kShapes =
    "CREATE TABLE t (id INTEGER PRIMARY KEY, g TEXT, v TEXT, key TEXT);"
    "INSERT INTO t VALUES (1, 'a', 'x', 'k1'), (2, 'a', 'y', 'k2'), (3, 'b', 'z', 'k3');"
    "CREATE TABLE u (g TEXT PRIMARY KEY, label TEXT);"
    "INSERT INTO u VALUES ('a', 'A'), ('b', 'B');"
    "CREATE VIEW plain AS SELECT id, g, v FROM t WHERE id > 0;"
    "CREATE VIEW overplain AS SELECT id, v FROM plain ORDER BY v LIMIT 10;"
    "CREATE VIEW commonplain AS WITH w AS (SELECT id, g, v FROM t) SELECT id, v FROM w;"
    "CREATE VIEW grouped AS SELECT id, g, count(*) AS n FROM t GROUP BY g;"
    "CREATE VIEW overgrouped AS SELECT id, g FROM grouped;"
    "CREATE VIEW commongrouped AS WITH w AS (SELECT id, g, v FROM t GROUP BY g) SELECT id, v FROM w;"
    "CREATE VIEW deduplicated AS SELECT DISTINCT id, g, v FROM t;"
    "CREATE VIEW ranked AS SELECT id, v, rank() OVER (ORDER BY v) AS r FROM t;";

struct Shapes {
  Shapes() {
    conn.FileName = ":memory:";
    conn.ExecSQL(kShapes);
    q.SetConnection(&conn);
  }
  void Open(const char* ASelect, const char* AUpdateTable) {
    q.Close();
    q.UpdateTableName = AUpdateTable;
    q.SetSQL(ASelect);
    q.Open();
  }
  // Gives row 2's v a new value through the query.
  void EditSecond() {
    ASSERT_TRUE(q.Locate("id", 2, {}));
    q.Edit();
    q.FieldByName("v")->SetAsString("changed");
    q.Post();
  }
  std::string Rows() {
    return dbtest::Scalar(conn, "SELECT group_concat(id || g || v, ' ') FROM (SELECT * FROM t ORDER BY id)");
  }
  TSQLiteConnection conn{nullptr};
  TSQLiteQuery q{nullptr};
};

// The shapes a query may take, editable or not. An editable one writes the row of the record and no other;
// a read-only one refuses an edit and a delete with the reason, and after a refresh its rows are as before.
TEST(SQLiteRowShapes, OnlyRowsKnownToBeOneRowOfTheTableAreEditable) {
  struct Case {
    const char* sql;
    const char* updateTable;
    const char* reason; // nullptr where the query is editable
  } cases[] = {
      {"SELECT id, g, v FROM t ORDER BY v DESC", "", nullptr},
      {"SELECT id, v FROM t WHERE v LIKE '%' AND length(v) > 0 ORDER BY id LIMIT 2 OFFSET 1", "", nullptr},
      {"SELECT DISTINCT id, g, v FROM t", "", nullptr},
      {"SELECT \"id\", [v], `key` FROM \"t\"", "", nullptr},
      {"SELECT id, v, max(v, 'm') AS m, coalesce(g, '-') AS c, v IS DISTINCT FROM 'x' AS d FROM t", "",
       nullptr},
      {"SELECT id, key, v /* GROUP BY g */ FROM t WHERE v <> 'count(*) GROUP BY' -- UNION SELECT 1", "",
       nullptr},
      {"SELECT id, CAST(v AS VARCHAR(10)) AS c, g AS filter, v FROM t WHERE v LIKE ('%') AND replace(v, 'q', "
       "'r') = v",
       "", nullptr},
      {"SELECT id, v FROM overplain", "", nullptr},
      {"SELECT id, v FROM commonplain", "", nullptr},
      {"WITH w AS (SELECT id, g, v FROM t WHERE g IN ('a', 'b')) SELECT id, v FROM w", "", nullptr},
      {"SELECT t.id, t.v, u.label FROM t JOIN u USING (g)", "t", nullptr},
      {"SELECT t.id, t.v, u.label FROM u NATURAL LEFT JOIN t", "t", nullptr},
      {"SELECT t.id, t.v, u.label FROM (t JOIN u ON u.g = t.g)", "t", nullptr},

      {"SELECT id, g, v, count(*) AS n FROM t GROUP BY g", "",
       "The query computes aggregate function 'count'"},
      {"SELECT id, g, v FROM t GROUP BY g", "", "The query groups rows (GROUP BY)"},
      {"SELECT id, v, count(*) FROM t", "", "The query computes aggregate function 'count'"},
      {"SELECT id, v, max(v) FROM t", "", "The query computes aggregate function 'max'"},
      {"SELECT id, v, lag(v) OVER (ORDER BY id) AS prev FROM t", "",
       "The query computes window function 'lag'"},
      {"SELECT id, v, sum(id) OVER w AS s FROM t WINDOW w AS (ORDER BY id)", "",
       "The query computes window function 'sum'"},
      {"SELECT id, g, n FROM grouped", "", "View 'grouped' computes aggregate function 'count'"},
      {"SELECT id, g FROM overgrouped", "", "View 'grouped' computes aggregate function 'count'"},
      {"SELECT id, v FROM commongrouped", "", "Common table 'w' groups rows (GROUP BY)"},
      {"WITH c AS (SELECT id, g, v FROM t GROUP BY g) SELECT id, v FROM c", "",
       "Common table 'c' groups rows (GROUP BY)"},
      {"WITH c AS (SELECT DISTINCT id, v FROM t) SELECT id, v FROM c", "",
       "Common table 'c' removes duplicate rows (DISTINCT)"},
      {"SELECT id, g, v FROM deduplicated", "", "View 'deduplicated' removes duplicate rows (DISTINCT)"},
      {"SELECT id, v, r FROM ranked", "", "View 'ranked' computes window function 'rank'"},
      {"SELECT DISTINCT g, v FROM t", "", "does not read key column 'id'"},
      {"SELECT t.id, t.v, j.value FROM t, json_each('[1, 2]') AS j", "t",
       "The query reads table-valued function 'json_each'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    Shapes db;
    db.Open(c.sql, c.updateTable);
    const int records = db.q.RecordCount();
    if (!c.reason) {
      EXPECT_TRUE(db.q.CanModify());
      db.EditSecond();
      EXPECT_EQ(db.Rows(), "1ax 2achanged 3bz");
      continue;
    }
    EXPECT_FALSE(db.q.CanModify());
    EXPECT_TRUE(dbtest::RefusesWrites(db.q, "v", c.reason));
    db.q.Refresh();
    EXPECT_EQ(db.q.RecordCount(), records);
    EXPECT_EQ(db.Rows(), "1ax 2ay 3bz");
  }
}

// A function is what the database registered under its name for that many arguments: one the program added
// as an aggregate makes the rows groups, one added as a scalar does not, and a name the database does not
// list leaves the query read-only rather than guessed at.
TEST(SQLiteRowShapes, FunctionsAreWhatTheDatabaseRegistered) {
  Shapes db;
  auto scalar = [](sqlite3_context* AContext, int, sqlite3_value** AArgs) {
    sqlite3_result_value(AContext, AArgs[0]);
  };
  auto step = [](sqlite3_context*, int, sqlite3_value**) {};
  auto last = [](sqlite3_context* AContext) { sqlite3_result_int(AContext, 1); };
  sqlite3* handle = db.conn.Handle();
  ASSERT_EQ(sqlite3_create_function(handle, "same", 1, SQLITE_UTF8, nullptr, scalar, nullptr, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_create_function(handle, "same", 2, SQLITE_UTF8, nullptr, nullptr, step, last), SQLITE_OK);
  ASSERT_EQ(sqlite3_create_function(handle, "pick", -1, SQLITE_UTF8, nullptr, nullptr, step, last),
            SQLITE_OK);
  struct Case {
    const char* sql;
    const char* reason;
  } cases[] = {
      {"SELECT id, v, same(g) AS s FROM t", nullptr},
      {"SELECT id, v, likelihood(v, 0.5) AS l FROM t WHERE v NOT LIKE ('%q%')", nullptr},
      {"SELECT id, v, \"same\"(g, v) AS s FROM t", "aggregate function 'same'"},
      {"SELECT id, v, pick() AS p FROM t", "aggregate function 'pick'"},
      {"SELECT id, v, PICK(v, g, id) AS p FROM t", "aggregate function 'PICK'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    db.Open(c.sql, "");
    if (!c.reason) {
      db.EditSecond();
      EXPECT_EQ(db.Rows(), "1ax 2achanged 3bz");
      continue;
    }
    EXPECT_TRUE(dbtest::RefusesWrites(db.q, "v", c.reason));
    EXPECT_EQ(db.Rows(), "1ax 2achanged 3bz");
  }
}

} // namespace
