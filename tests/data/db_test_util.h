#pragma once
// The owner every dataset-controller test starts from: a controller with plain items of its own.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "data/cxDBData.h"
#include "platform/db/MemDataSet.h"
#include "platform/db/SQLiteQuery.h"

namespace dbtest {

class Column : public TObject {
  PELVOR_CLASS(Column, TObject)
};

class ItemsController : public TcxDBDataController {
public:
  explicit ItemsController(int AItems) : TcxDBDataController(nullptr) {
    for (int i = 0; i < AItems; ++i) {
      Items.push_back(std::make_unique<Column>());
      AddItem(Items.back().get());
    }
  }
  TObject* GetItem(int AIndex) override { return Items.at(std::size_t(AIndex)).get(); }
  TcxDBDataField* DataField(int AItemIndex) {
    return static_cast<TcxDBDataField*>(TcxCustomDataController::GetItemField(AItemIndex));
  }
  std::vector<std::unique_ptr<Column>> Items;
};

// A query over a database in memory that ASetupSQL has filled.
inline TSQLiteQuery* MemoryQuery(TSQLiteConnection& AConn, const std::string& ASetupSQL,
                                 const std::string& ASelect) {
  AConn.FileName = ":memory:";
  AConn.Open();
  AConn.ExecSQL(ASetupSQL);
  auto* q = new TSQLiteQuery(nullptr);
  q->SetConnection(&AConn);
  q->SetSQL(ASelect);
  return q;
}

inline const char* const kWords[] = {"ev",    "oxori", "su",   "cari", "ay",
                                     "mjora", "tuta",  "zuga", "kva",  "dixa"};

// The ten rows (id, word, score) as statements for a table "words" of those columns.
inline std::string WordRowsSQL() {
  std::string sql;
  for (int i = 0; i < 10; ++i)
    sql += "INSERT INTO words VALUES (" + std::to_string(i + 1) + ", '" + kWords[i] + "', " +
           std::to_string(i * 1.5) + ");";
  return sql;
}

// The ten rows in an in-memory dataset, not yet open.
inline TMemDataSet* MemoryWords() {
  auto* m = new TMemDataSet(nullptr);
  m->AddFieldDef("id", ftInteger);
  m->AddFieldDef("word", ftString, 20);
  m->AddFieldDef("score", ftFloat);
  for (int i = 0; i < 10; ++i)
    m->AddRow({i + 1, kWords[i], i * 1.5});
  return m;
}

// Ten rows (id, word, score) in memory or in an SQLite table "words", where id is filled in by the table when
// left empty. AWordColumn declares the word column; AMoreSQL runs after the rows are in.
struct Words {
  explicit Words(bool ASQLite, const std::string& AWordColumn = "word TEXT NOT NULL UNIQUE",
                 const std::string& AMoreSQL = "") {
    if (ASQLite) {
      std::string sql =
          "CREATE TABLE words (id INTEGER PRIMARY KEY, " + AWordColumn + ", score REAL);" + WordRowsSQL();
      ds.reset(MemoryQuery(conn, sql + AMoreSQL, "SELECT id, word, score FROM words ORDER BY id"));
    } else {
      ds.reset(MemoryWords());
    }
    source.SetDataSet(ds.get());
  }
  void Bind(TcxDBDataController& AController) {
    AController.SetDataSource(&source);
    AController.ChangeFieldName(0, "id");
    AController.ChangeFieldName(1, "word");
    AController.ChangeFieldName(2, "score");
  }

  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
};

// A forms table (id, word_id, form) in memory, from rows with Id, WordId and Form.
template <class Rows> TMemDataSet* MemForms(const Rows& ARows) {
  auto* m = new TMemDataSet(nullptr);
  m->AddFieldDef("id", ftInteger);
  m->AddFieldDef("word_id", ftInteger);
  m->AddFieldDef("form", ftString, 20);
  for (const auto& r : ARows)
    m->AddRow({r.Id, r.WordId, r.Form});
  return m;
}

// The statements that make an SQLite table "forms" (id, word_id, form) of rows with Id, WordId and Form.
template <class Rows> std::string FormsTableSQL(const Rows& ARows) {
  std::string sql = "CREATE TABLE forms (id INTEGER PRIMARY KEY, word_id INTEGER, form TEXT);";
  for (const auto& r : ARows)
    sql += "INSERT INTO forms VALUES (" + std::to_string(r.Id) + ", " + std::to_string(r.WordId) + ", '" +
           r.Form + "');";
  return sql;
}

// Every row as the values of AFields joined by ':', in the order of the first field's whole numbers: read
// from the table by ASelect when a connection is given, else walked in ADataSet, which keeps its place.
inline std::vector<std::string> RowsAsText(TSQLiteConnection* AConnection, const std::string& ASelect,
                                           TDataSet& ADataSet, const std::vector<std::string>& AFields) {
  auto row = [&](TDataSet& AAt) {
    std::string text;
    for (std::size_t i = 0; i < AFields.size(); ++i)
      text += (i ? ":" : "") + VarToStr(AAt.FieldByName(AFields[i])->Value());
    return text;
  };
  std::vector<std::string> rows;
  if (AConnection) {
    TSQLiteQuery q(nullptr);
    q.SetConnection(AConnection);
    q.SetSQL(ASelect);
    q.Open();
    for (; !q.Eof(); q.Next())
      rows.push_back(row(q));
  } else {
    TBookmarkStr at = ADataSet.BookmarkAvailable() ? ADataSet.Bookmark() : TBookmarkStr();
    ADataSet.DisableControls();
    for (ADataSet.First(); !ADataSet.Eof(); ADataSet.Next())
      rows.push_back(row(ADataSet));
    if (!at.empty())
      ADataSet.GotoBookmark(at);
    ADataSet.EnableControls();
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); });
  return rows;
}

// ADetail shows the forms (id, form) of its master's word, keyed by word_id against the master's id.
inline void BindFormsDetail(TcxDBDataController& ADetail, TDataSource& ASource) {
  ADetail.SetDataSource(&ASource);
  ADetail.ChangeFieldName(0, "id");
  ADetail.ChangeFieldName(1, "form");
  ADetail.SetDetailKeyFieldNames("word_id");
  ADetail.SetMasterKeyFieldNames("id");
}

} // namespace dbtest
