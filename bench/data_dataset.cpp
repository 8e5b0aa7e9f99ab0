// The dataset layer at 1,000,000 rows, each measured against the bare loop it stands on, in the same run:
// - opening the in-memory dataset and walking it, reading every field into column vectors, against copying
//   the same values from plain rows into the same vectors;
// - opening the SQLite query (which reads every row) and walking it, against SQLite's own step loop reading
//   the same rows into the same vectors, with ASCII words and with Turkish ones (which the query converts
//   from UTF-8 to the code page); opening it for one row against the loop reading that row;
// - posting one value of one of its rows, against the same write made by hand, also where a trigger stamps
//   the row;
// - moving a page of 100 records and locating a record by its key, also right after a post;
// - a dataset-bound data controller opened over each dataset (not in grid mode), also with key fields over
//   the in-memory one, against the same bare loops, and in grid mode over the in-memory dataset moving a page
//   and locating by key.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>

#include "data/cxDBData.h"
#include "platform/db/DB.h"
#include "platform/db/MemDataSet.h"
#include "platform/db/SQLiteQuery.h"

namespace {

constexpr int kRows = 1000000;

struct Row {
  int id;
  AnsiString word;
  double score;
};

const char* const kWords[] = {"ev", "oxori", "su", "cari", "ay", "mjora", "nena", "skiri"};
// In UTF-8, as SQLite keeps them; each holds letters outside ASCII.
const char* const kTurkishWords[] = {"çiçek", "ağaç", "ışık", "öğretmen", "şeker", "üzüm", "göğüs", "kuş"};

std::vector<Row>& SourceRows() {
  static std::vector<Row> rows = [] {
    std::vector<Row> r;
    r.reserve(kRows);
    std::mt19937 random(7);
    for (int i = 0; i < kRows; ++i)
      r.push_back({i + 1, AnsiString(kWords[random() % 8]) + std::to_string(i % 1000),
                   double(random() % 10000) / 100});
    return r;
  }();
  return rows;
}

struct Columns {
  std::vector<Variant> id, word, score;
  void Reserve() {
    id.reserve(kRows);
    word.reserve(kRows);
    score.reserve(kRows);
  }
};

TMemDataSet& SharedMem() {
  static TMemDataSet* ds = [] {
    auto* d = new TMemDataSet(nullptr);
    d->AddFieldDef("ID", ftInteger);
    d->AddFieldDef("Word", ftString);
    d->AddFieldDef("Score", ftFloat);
    d->Reserve(kRows);
    for (const Row& r : SourceRows())
      d->AddRow({r.id, r.word, r.score});
    return d;
  }();
  return *ds;
}

std::string& DatabaseFile() {
  static std::string file = [] {
    std::string name = "/tmp/pelvor_bench_" + std::to_string(getpid()) + ".db";
    std::remove(name.c_str());
    TSQLiteConnection conn(nullptr);
    conn.FileName = name;
    conn.CreateIfMissing = true;
    conn.ExecSQL("CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT, score REAL)");
    conn.ExecSQL("CREATE TABLE turkish (id INTEGER PRIMARY KEY, word TEXT, score REAL)");
    conn.ExecSQL("BEGIN");
    sqlite3_stmt* stmt = nullptr;
    sqlite3_stmt* turkish = nullptr;
    sqlite3_prepare_v2(conn.Handle(), "INSERT INTO words VALUES (?, ?, ?)", -1, &stmt, nullptr);
    sqlite3_prepare_v2(conn.Handle(), "INSERT INTO turkish VALUES (?, ?, ?)", -1, &turkish, nullptr);
    for (const Row& r : SourceRows()) {
      sqlite3_bind_int(stmt, 1, r.id);
      sqlite3_bind_text(stmt, 2, r.word.c_str(), int(r.word.size()), SQLITE_STATIC);
      sqlite3_bind_double(stmt, 3, r.score);
      sqlite3_step(stmt);
      sqlite3_reset(stmt);
      std::string word = kTurkishWords[r.id % 8] + std::to_string(r.id % 1000);
      sqlite3_bind_int(turkish, 1, r.id);
      sqlite3_bind_text(turkish, 2, word.c_str(), int(word.size()), SQLITE_STATIC);
      sqlite3_bind_double(turkish, 3, r.score);
      sqlite3_step(turkish);
      sqlite3_reset(turkish);
    }
    sqlite3_finalize(stmt);
    sqlite3_finalize(turkish);
    conn.ExecSQL("COMMIT");
    std::atexit([] { std::remove(DatabaseFile().c_str()); });
    return name;
  }();
  return file;
}

const char* const kSelect = "SELECT id, word, score FROM words ORDER BY id";
const char* const kSelectTurkish = "SELECT id, word, score FROM turkish ORDER BY id";
// One row: what opening costs beside the rows, such as deciding where its edits go.
const char* const kSelectOne = "SELECT id, word, score FROM words WHERE id = 7";
// The same with a function called, which is looked up among the connection's functions before an edit.
const char* const kSelectOneCalling = "SELECT id, upper(word) AS up, word, score FROM words WHERE id = 7";

void BM_CopyRowsIntoVectors(benchmark::State& state) {
  const std::vector<Row>& rows = SourceRows();
  for (auto _ : state) {
    Columns c;
    c.Reserve();
    for (const Row& r : rows) {
      c.id.emplace_back(r.id);
      c.word.emplace_back(r.word);
      c.score.emplace_back(r.score);
    }
    benchmark::DoNotOptimize(c.word.data());
  }
}
BENCHMARK(BM_CopyRowsIntoVectors)->Unit(benchmark::kMillisecond);

void WalkInto(TDataSet& ADataSet, Columns& AColumns) {
  TField* id = ADataSet.Fields(0);
  TField* word = ADataSet.Fields(1);
  TField* score = ADataSet.Fields(2);
  while (!ADataSet.Eof()) {
    AColumns.id.push_back(id->Value());
    AColumns.word.push_back(word->Value());
    AColumns.score.push_back(score->Value());
    ADataSet.Next();
  }
}

void BM_MemDataSetOpenAndWalk(benchmark::State& state) {
  TMemDataSet& ds = SharedMem();
  for (auto _ : state) {
    Columns c;
    c.Reserve();
    ds.Open();
    WalkInto(ds, c);
    ds.Close();
    benchmark::DoNotOptimize(c.word.data());
  }
}
BENCHMARK(BM_MemDataSetOpenAndWalk)->Unit(benchmark::kMillisecond);

void BM_SQLiteStepLoop(benchmark::State& state, const char* ASelect) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(DatabaseFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    Columns c;
    c.Reserve();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, ASelect, -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      c.id.emplace_back(int(sqlite3_column_int64(stmt, 0)));
      c.word.emplace_back(AnsiString(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)),
                                     std::size_t(sqlite3_column_bytes(stmt, 1))));
      c.score.emplace_back(sqlite3_column_double(stmt, 2));
    }
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(c.word.data());
  }
  sqlite3_close(db);
}
BENCHMARK_CAPTURE(BM_SQLiteStepLoop, AllRows, kSelect)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SQLiteStepLoop, TurkishRows, kSelectTurkish)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SQLiteStepLoop, OneRow, kSelectOne)->Unit(benchmark::kMicrosecond);

// With AToEdit it also asks whether the rows can be edited, which decides where edits go.
void BM_SQLiteQueryOpen(benchmark::State& state, const char* ASelect, bool AToEdit) {
  TSQLiteConnection conn(nullptr);
  conn.FileName = DatabaseFile();
  TSQLiteQuery query(nullptr);
  query.SetConnection(&conn);
  query.SetSQL(ASelect);
  for (auto _ : state) {
    query.Open();
    benchmark::DoNotOptimize(AToEdit ? query.CanModify() : query.RecordCount() > 0);
    query.Close();
  }
}
BENCHMARK_CAPTURE(BM_SQLiteQueryOpen, AllRows, kSelect, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SQLiteQueryOpen, TurkishRows, kSelectTurkish, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SQLiteQueryOpen, OneRow, kSelectOne, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SQLiteQueryOpen, OneRowToEdit, kSelectOne, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SQLiteQueryOpen, OneRowCallingToEdit, kSelectOneCalling, true)
    ->Unit(benchmark::kMicrosecond);

void BM_SQLiteQueryOpenAndWalk(benchmark::State& state) {
  TSQLiteConnection conn(nullptr);
  conn.FileName = DatabaseFile();
  TSQLiteQuery query(nullptr);
  query.SetConnection(&conn);
  query.SetSQL(kSelect);
  for (auto _ : state) {
    Columns c;
    c.Reserve();
    query.Open();
    WalkInto(query, c);
    query.Close();
    benchmark::DoNotOptimize(c.word.data());
  }
}
BENCHMARK(BM_SQLiteQueryOpenAndWalk)->Unit(benchmark::kMillisecond);

// The first ARows rows of the database file in a database in memory, so that a post's commit measures the
// work around the write rather than the disk; with AStamped, a trigger stamps each row that is updated, as
// many schemas do.
struct PostDatabase {
  PostDatabase(int ARows, bool AStamped) {
    conn.FileName = ":memory:";
    conn.ExecSQL("CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT, score REAL, stamp INTEGER)");
    if (AStamped)
      conn.ExecSQL("CREATE TRIGGER stamp AFTER UPDATE OF score ON words BEGIN"
                   " UPDATE words SET stamp = coalesce(stamp, 0) + 1 WHERE id = new.id; END");
    conn.ExecSQL("ATTACH '" + DatabaseFile() +
                 "' AS source;"
                 "INSERT INTO words SELECT id, word, score, NULL FROM source.words WHERE id <= " +
                 std::to_string(ARows) + "; DETACH source");
  }
  TSQLiteConnection conn{nullptr};
};

// One value of one row written by hand, as a post writes it: in a savepoint, the statement prepared, run and
// finalized. Arguments: rows, stamped.
void BM_SQLiteWriteLoop(benchmark::State& state) {
  PostDatabase data(int(state.range(0)), state.range(1) != 0);
  sqlite3* db = data.conn.Handle();
  double score = 0;
  for (auto _ : state) {
    sqlite3_exec(db, "SAVEPOINT w", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "UPDATE words SET score = ? WHERE id = ?", -1, &stmt, nullptr);
    sqlite3_bind_double(stmt, 1, score += 1);
    sqlite3_bind_int(stmt, 2, int(state.range(0)) / 2);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "RELEASE w", nullptr, nullptr, nullptr);
  }
}

// The same value posted through a query holding every row, which also reads back what the trigger wrote.
void BM_SQLiteQueryPost(benchmark::State& state) {
  const int rows = int(state.range(0));
  PostDatabase data(rows, state.range(1) != 0);
  TSQLiteQuery query(nullptr);
  query.SetConnection(&data.conn);
  query.SetSQL("SELECT id, word, score, stamp FROM words ORDER BY id");
  query.Open();
  query.SetRecNo(rows / 2);
  TField* score = query.Fields(2);
  double value = 0;
  for (auto _ : state) {
    query.Edit();
    score->SetAsFloat(value += 1);
    query.Post();
  }
  if (query.FieldByName("id")->AsInteger() != rows / 2)
    state.SkipWithError("the post moved to another record");
  if (state.range(1) && query.FieldByName("stamp")->AsInteger() != state.iterations())
    state.SkipWithError("the record does not show the trigger's stamp");
}
BENCHMARK(BM_SQLiteWriteLoop)->ArgsProduct({{1000, kRows}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SQLiteQueryPost)->ArgsProduct({{1000, kRows}, {0, 1}})->Unit(benchmark::kMicrosecond);

// A grid's view of the dataset: a link showing 100 records, moved a page down and back up from the middle.
void BM_MemMovePage(benchmark::State& state) {
  TMemDataSet& ds = SharedMem();
  TDataSource source(nullptr);
  TDataLink link;
  source.SetDataSet(&ds);
  link.SetBufferCount(100);
  link.SetDataSource(&source);
  ds.Open();
  ds.SetRecNo(kRows / 2);
  int direction = 100;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ds.MoveBy(direction));
    direction = -direction;
  }
  ds.Close();
}
BENCHMARK(BM_MemMovePage)->Unit(benchmark::kMicrosecond);

// The shared dataset open under a grid's link showing 100 records, as the locates below run.
struct LinkedMem {
  TDataSource Source{nullptr};
  TDataLink Link;
  LinkedMem() {
    Source.SetDataSet(&SharedMem());
    Link.SetBufferCount(100);
    Link.SetDataSource(&Source);
    SharedMem().Open();
  }
  ~LinkedMem() { SharedMem().Close(); }
};

void BM_MemLocateByKey(benchmark::State& state) {
  LinkedMem linked;
  TMemDataSet& ds = SharedMem();
  std::mt19937 random(3);
  ds.Locate("ID", 1, {}); // builds the key index once
  for (auto _ : state)
    benchmark::DoNotOptimize(ds.Locate("ID", int(random() % kRows) + 1, {}));
}
BENCHMARK(BM_MemLocateByKey)->Unit(benchmark::kMicrosecond);

// A post keeps the key index: a locate after one that changed no key, one that changed the key, or an insert
// and a delete, costs about what a plain locate does.
void BM_MemLocateAfterEdit(benchmark::State& state) {
  LinkedMem linked;
  TMemDataSet& ds = SharedMem();
  std::mt19937 random(5);
  for (auto _ : state) {
    state.PauseTiming();
    ds.Edit();
    ds.Fields(2)->SetAsFloat(1.0);
    ds.Post();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ds.Locate("ID", int(random() % kRows) + 1, {}));
  }
}
BENCHMARK(BM_MemLocateAfterEdit)->Unit(benchmark::kMicrosecond);

// The key moves away and back between the timed locates, which leaves the rows as they were.
void BM_MemLocateAfterKeyEdit(benchmark::State& state) {
  LinkedMem linked;
  TMemDataSet& ds = SharedMem();
  TField* id = ds.Fields(0);
  std::mt19937 random(5);
  for (auto _ : state) {
    state.PauseTiming();
    const int key = int(random() % kRows) + 1;
    ds.Locate("ID", key, {});
    ds.Edit();
    id->SetAsInteger(key + kRows);
    ds.Post();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ds.Locate("ID", int(random() % kRows) + 1, {}));
    state.PauseTiming();
    ds.Locate("ID", key + kRows, {});
    ds.Edit();
    id->SetAsInteger(key);
    ds.Post();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_MemLocateAfterKeyEdit)->Unit(benchmark::kMicrosecond);

// A record inserted in the middle before the timed locate, and deleted after it.
void BM_MemLocateAfterInsert(benchmark::State& state) {
  LinkedMem linked;
  TMemDataSet& ds = SharedMem();
  std::mt19937 random(5);
  for (auto _ : state) {
    state.PauseTiming();
    ds.SetRecNo(kRows / 2);
    ds.Insert();
    ds.Fields(0)->SetAsInteger(kRows + 1);
    ds.Post();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ds.Locate("ID", int(random() % kRows) + 1, {}));
    state.PauseTiming();
    ds.Locate("ID", kRows + 1, {});
    ds.Delete();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_MemLocateAfterInsert)->Unit(benchmark::kMicrosecond);

class Item : public TObject {
  PELVOR_CLASS(Item, TObject)
};

class Controller : public TcxDBDataController {
public:
  explicit Controller(TDataSource* ASource) : TcxDBDataController(nullptr) {
    const char* names[] = {"ID", "Word", "Score"};
    for (int i = 0; i < 3; ++i) {
      Items.push_back(std::make_unique<Item>());
      AddItem(Items.back().get());
      ChangeFieldName(i, names[i]);
    }
    SetDataSource(ASource);
  }
  TObject* GetItem(int AIndex) override { return Items.at(std::size_t(AIndex)).get(); }
  std::vector<std::unique_ptr<Item>> Items;
};

// With AKeyFieldNames the records are read with key fields, which keep each record's bookmark.
void ControllerOpenOverMem(benchmark::State& state, const char* AKeyFieldNames) {
  TMemDataSet& ds = SharedMem();
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  Controller dc(&source);
  dc.SetKeyFieldNames(AKeyFieldNames);
  for (auto _ : state) {
    ds.Open();
    benchmark::DoNotOptimize(dc.GetRecordCount());
    state.PauseTiming();
    ds.Close();
    state.ResumeTiming();
  }
  if (dc.GetRecordCount() != 0)
    state.SkipWithError("the controller kept records of a closed dataset");
}

void BM_ControllerOpenOverMem(benchmark::State& state) {
  ControllerOpenOverMem(state, "");
}
BENCHMARK(BM_ControllerOpenOverMem)->Unit(benchmark::kMillisecond);

void BM_ControllerOpenOverMemByKey(benchmark::State& state) {
  ControllerOpenOverMem(state, "ID");
}
BENCHMARK(BM_ControllerOpenOverMemByKey)->Unit(benchmark::kMillisecond);

void BM_ControllerOpenOverSQLite(benchmark::State& state) {
  TSQLiteConnection conn(nullptr);
  conn.FileName = DatabaseFile();
  TSQLiteQuery query(nullptr);
  query.SetConnection(&conn);
  query.SetSQL(kSelect);
  TDataSource source(nullptr);
  source.SetDataSet(&query);
  Controller dc(&source);
  for (auto _ : state) {
    query.Open();
    benchmark::DoNotOptimize(dc.GetRecordCount());
    state.PauseTiming();
    query.Close();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ControllerOpenOverSQLite)->Unit(benchmark::kMillisecond);

struct GridController {
  TDataSource Source{nullptr};
  std::unique_ptr<Controller> DC;
  GridController() {
    Source.SetDataSet(&SharedMem());
    DC = std::make_unique<Controller>(&Source);
    DC->DataModeController().SetGridMode(true);
    DC->SetKeyFieldNames("ID");
    SharedMem().Open();
    SharedMem().SetRecNo(kRows / 2);
  }
  ~GridController() {
    SharedMem().Close();
    DC.reset();
  }
};

void BM_GridModeMovePage(benchmark::State& state) {
  GridController grid;
  int direction = 1;
  for (auto _ : state) {
    grid.DC->Provider().Scroll(direction);
    direction = -direction;
  }
  if (grid.DC->GetRecordCount() != 100)
    state.SkipWithError("the grid buffer does not hold a page");
}
BENCHMARK(BM_GridModeMovePage)->Unit(benchmark::kMicrosecond);

void BM_GridModeLocateByKey(benchmark::State& state) {
  GridController grid;
  std::mt19937 random(3);
  int found = 0;
  for (auto _ : state)
    found += grid.DC->LocateByKey(int(random() % kRows) + 1);
  if (found != int(state.iterations()))
    state.SkipWithError("a key was not found");
}
BENCHMARK(BM_GridModeLocateByKey)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
