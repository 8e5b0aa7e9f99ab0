// Runs arbitrary SQL text with parameters as a query over a small SQLite database whose typed columns also
// hold values of other kinds, with a data controller bound to it. The input is the text, then the parameter
// values, separated by NUL bytes; a value's first byte says its kind (i integer, f number, n null, anything
// else a text). Whatever the text, the query and the controller raise only EDatabaseError, every value reads
// as text, and the database is never changed.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/data/db_test_util.h"

namespace {

TSQLiteConnection* Connection() {
  static TSQLiteConnection* conn = [] {
    auto* c = new TSQLiteConnection(nullptr);
    c->FileName = ":memory:";
    c->ExecSQL(
        "CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT NOT NULL, score REAL, added DATE,"
        " ok BOOLEAN, n NUMERIC, big BIGINT, at DATETIME, data BLOB);"
        "INSERT INTO words VALUES (1, 'ev', 1.5, '2024-01-02', 1, 3, 5000000000, '2024-01-02 10:30:00',"
        " x'00ff'),"
        " (2, 'oxori', 'y', 'not a date', 'maybe', 'y', 'zz', 2460311.5, NULL),"
        " (3, 's\xc3\xb6z', NULL, NULL, NULL, NULL, NULL, NULL, 'text'),"
        " (4, 'cari', 1e308, 2460311, 0, -0.0, -9223372036854775808, '', x'');"
        "CREATE TABLE forms (id INTEGER PRIMARY KEY, word_id INTEGER REFERENCES words(id), form TEXT);"
        "INSERT INTO forms VALUES (1, 1, 'evi'), (2, 2, 'oxorepe'), (3, 9, NULL);"
        "CREATE VIEW scored AS SELECT word, score FROM words WHERE score IS NOT NULL;");
    sqlite3* db = c->Handle();
    // Bounds for the harness, not for the query: runaway recursion and huge values end in an error.
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1 << 16);
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 1 << 14);
    sqlite3_limit(db, SQLITE_LIMIT_COLUMN, 64);
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 100);
    sqlite3_limit(db, SQLITE_LIMIT_COMPOUND_SELECT, 20);
    return c;
  }();
  return conn;
}

int gSteps = 0;
int StopRunaway(void*) {
  return ++gSteps > 2000;
}

std::vector<std::string> Split(const std::uint8_t* AData, std::size_t ASize) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < ASize; ++i) {
    if (AData[i] == 0)
      parts.emplace_back();
    else
      parts.back().push_back(char(AData[i]));
  }
  return parts;
}

Variant ValueOf(const std::string& AText) {
  if (AText.empty())
    return Variant(AnsiString());
  const char* rest = AText.c_str() + 1;
  switch (AText[0]) {
  case 'i':
    return Variant(std::int64_t(std::strtoll(rest, nullptr, 10)));
  case 'f':
    return Variant(std::strtod(rest, nullptr));
  case 'n':
    return Null;
  default:
    return Variant(AnsiString(AText));
  }
}

// Reads every value of the current record in each form a control or a caller asks for.
void ReadRecord(TDataSet& ADataSet) {
  for (int i = 0; i < ADataSet.FieldCount(); ++i) {
    TField* field = ADataSet.Fields(i);
    (void)field->AsString();
    (void)field->DisplayText();
    try {
      (void)field->AsFloat();
    } catch (const EDatabaseError&) {
    }
    try {
      (void)field->AsInteger();
    } catch (const EDatabaseError&) {
    }
    try {
      (void)field->AsDateTime();
    } catch (const EDatabaseError&) {
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RegisterSQLiteQueryProperties();
  cxDBFilterInitialize();
  cxDBDataUnit.Initialization();
  Connection();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TSQLiteConnection* conn = Connection();
  sqlite3* db = conn->Handle();
  const int changesBefore = sqlite3_total_changes(db);
  gSteps = 0;
  sqlite3_progress_handler(db, 100, &StopRunaway, nullptr);

  std::vector<std::string> parts = Split(data, size);
  {
    TSQLiteQuery query(nullptr);
    query.SetConnection(conn);
    query.SetSQL(AnsiString(parts[0]));
    for (int i = 0; i < query.Params()->Count() && std::size_t(i) + 1 < parts.size(); ++i)
      query.Params()->Items(i)->SetValue(ValueOf(parts[std::size_t(i) + 1]));
    try {
      query.Open();
    } catch (const EDatabaseError&) {
    }
    if (query.Active()) {
      // Whether the rows can be edited reads the text, its views and its program again.
      (void)query.CanModify();
      for (query.First(); !query.Eof(); query.Next())
        ReadRecord(query);
      TDataSource source(nullptr);
      source.SetDataSet(&query);
      dbtest::ItemsController dc(query.FieldCount());
      try {
        dc.SetDataSource(&source);
        for (int i = 0; i < query.FieldCount(); ++i)
          dc.ChangeFieldName(i, query.Fields(i)->FieldName);
        for (int r = 0; r < dc.GetRecordCount(); ++r)
          for (int i = 0; i < query.FieldCount(); ++i)
            (void)dc.GetDisplayTextByIndex(r, i);
        query.Refresh();
      } catch (const EDatabaseError&) {
      }
      dc.SetDataSource(nullptr);
    }
  }
  // A query only reads: nothing it ran may have written, nor left a transaction open.
  if (sqlite3_total_changes(db) != changesBefore || !sqlite3_get_autocommit(db))
    std::abort();
  return 0;
}
