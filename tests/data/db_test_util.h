#pragma once
// The owner every dataset-controller test starts from: a controller with plain items of its own.
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

// ADetail shows the forms (id, form) of its master's word, keyed by word_id against the master's id.
inline void BindFormsDetail(TcxDBDataController& ADetail, TDataSource& ASource) {
  ADetail.SetDataSource(&ASource);
  ADetail.ChangeFieldName(0, "id");
  ADetail.ChangeFieldName(1, "form");
  ADetail.SetDetailKeyFieldNames("word_id");
  ADetail.SetMasterKeyFieldNames("id");
}

} // namespace dbtest
