#include "platform/db/SQLiteQuery.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/classes/ComponentStream.h"
#include "platform/db/SQLiteQuery_Internal.h"

using namespace sqlitequery_internal;

namespace {
TFieldType TypeOfDecl(const char* ADecl, int AStorage) {
  if (!ADecl || !*ADecl) {
    switch (AStorage) {
    case SQLITE_INTEGER:
      return ftLargeint;
    case SQLITE_FLOAT:
      return ftFloat;
    case SQLITE_BLOB:
      return ftBlob;
    default:
      return ftString;
    }
  }
  AnsiString d = UpperCase(ADecl);
  auto has = [&](const char* s) { return d.find(s) != AnsiString::npos; };
  if (has("BOOL"))
    return ftBoolean;
  // Integer affinity holds SQLite's whole 64-bit range, whatever width the declaration suggests.
  if (has("INT"))
    return ftLargeint;
  if (has("DATETIME") || has("TIMESTAMP"))
    return ftDateTime;
  if (has("DATE"))
    return ftDate;
  if (has("TIME"))
    return ftTime;
  if (has("CHAR") || has("CLOB") || has("TEXT"))
    return ftString;
  if (has("BLOB"))
    return ftBlob;
  return ftFloat; // REAL, FLOAT, DOUBLE, NUMERIC, DECIMAL
}

// AExact is false when the text has digits past the milliseconds that are not zeros, which a date drops.
bool ParseIsoDate(const char* s, TDateTime& AValue, bool& AExact) {
  AExact = true;
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, ms = 0;
  int n = 0;
  if (std::sscanf(s, "%4u-%2u-%2u%n", &y, &mo, &d, &n) != 3)
    return false;
  s += n;
  if (*s == ' ' || *s == 'T') {
    if (std::sscanf(s + 1, "%2u:%2u%n", &h, &mi, &n) != 2)
      return false;
    s += 1 + n;
    if (*s == ':') {
      if (std::sscanf(s + 1, "%2u%n", &sec, &n) != 1)
        return false;
      s += 1 + n;
      if (*s == '.') {
        char digits[4] = "000";
        int k = 0;
        for (++s; *s >= '0' && *s <= '9'; ++s)
          if (k < 3)
            digits[k++] = *s;
          else if (*s != '0')
            AExact = false;
        ms = unsigned(std::atoi(digits));
      }
    }
  }
  if (*s)
    return false;
  TDateTime date, time;
  if (!TryEncodeDate(WORD(y), WORD(mo), WORD(d), date) ||
      !TryEncodeTime(WORD(h), WORD(mi), WORD(sec), WORD(ms), time))
    return false;
  AValue = date + (date < 0 ? -time : time);
  return true;
}

bool IsBlobType(TFieldType AType) {
  return AType == ftBlob || AType == ftGraphic || AType == ftBytes;
}

// Whether a real holds the integer exactly; one past 2^53 may read as its neighbour.
bool RealHolds(sqlite3_int64 AValue) {
  double d = double(AValue);
  return d >= -0x1p63 && d < 0x1p63 && sqlite3_int64(d) == AValue;
}

// The cell as the dataset keeps it for a column of AType. It is read through its value object: one call into
// the connection per cell instead of one for the type and more for the contents, each of which takes the
// connection's lock. The value object is read before the next step on the thread that steps the statement,
// as a query's rows always are. AApproximate is set where the value kept is only the nearest to the cell's:
// writing it back would not store what the database holds.
Variant CellValue(sqlite3_value* cell, TFieldType AType, bool& AApproximate) {
  AApproximate = false;
  int storage = sqlite3_value_type(cell);
  switch (storage) {
  case SQLITE_NULL:
    return Null;
  case SQLITE_INTEGER: {
    sqlite3_int64 v = sqlite3_value_int64(cell);
    switch (AType) {
    case ftBoolean:
      AApproximate = v != 0 && v != 1;
      return Variant(v != 0);
    case ftFloat:
      AApproximate = !RealHolds(v);
      return Variant(double(v));
    case ftLargeint:
      return Variant(std::int64_t(v));
    case ftDate:
    case ftTime:
    case ftDateTime:
      return Variant::FromDate(double(v) - 2415018.5);
    default:
      return v >= INT32_MIN && v <= INT32_MAX ? Variant(int(v)) : Variant(std::int64_t(v));
    }
  }
  case SQLITE_FLOAT: {
    double v = sqlite3_value_double(cell);
    if (AType == ftDate || AType == ftTime || AType == ftDateTime)
      return Variant::FromDate(v - 2415018.5); // a Julian day number
    return Variant(v);
  }
  case SQLITE_BLOB: {
    const void* p = sqlite3_value_blob(cell);
    int n = sqlite3_value_bytes(cell);
    AnsiString bytes(static_cast<const char*>(p), std::size_t(n));
    // A field of another type writes its value back as text, which keeps plain ASCII bytes and no others.
    if (!IsBlobType(AType))
      AApproximate = std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
    return Variant(std::move(bytes));
  }
  default: {
    const unsigned char* t = sqlite3_value_text(cell);
    int n = sqlite3_value_bytes(cell);
    if (AType == ftDate || AType == ftTime || AType == ftDateTime) {
      TDateTime d;
      bool exact;
      if (ParseIsoDate(reinterpret_cast<const char*>(t), d, exact)) {
        AApproximate = !exact;
        return Variant::FromDate(d);
      }
    }
    // A text in a numeric column stays text: nothing the database holds is lost by a failed conversion.
    // A blob field writes it back as its bytes in the code page, which are its UTF-8 only where every
    // character took one byte, as ASCII does.
    bool exact;
    AnsiString text = Utf8ToAnsi(std::string_view(reinterpret_cast<const char*>(t), std::size_t(n)), exact);
    AApproximate = !exact || (IsBlobType(AType) && text.size() != std::size_t(n));
    return Variant(std::move(text));
  }
  }
}

// Functions that change the connection rather than read: one registers a tokenizer by its pointer, the
// other loads code into the process.
bool ChangesConnection(const char* AFunction) {
  return AFunction && (sqlite3_stricmp(AFunction, "fts3_tokenizer") == 0 ||
                       sqlite3_stricmp(AFunction, "load_extension") == 0);
}

// While a text is prepared (SQLite applies many pragmas then, not when the statement runs) the database
// allows only what reads rows. A statement other than a SELECT is refused at its first action other than a
// read (a write, a PRAGMA, a transaction, an attached file); the first refused action is kept to name it,
// past the writes to the schema table that a schema change makes on the way. A SELECT's first action is its
// own SELECT, and any later one that is not a read comes from the statements a virtual table prepares for
// itself while SQLite connects it: those are the table's own and are allowed. In any statement a function
// that changes the connection is refused, and so is the table-valued pragma that writes statistics. The
// authorizer goes with the guard, however it goes.
class TReadOnlyGuard {
public:
  TReadOnlyGuard(sqlite3* ADb, TPrepareRecord* ARecord) : FDb(ADb), FRecord(ARecord) {
    sqlite3_set_authorizer(FDb, &OnlyReads, this);
  }
  ~TReadOnlyGuard() { sqlite3_set_authorizer(FDb, nullptr, nullptr); }
  TReadOnlyGuard(const TReadOnlyGuard&) = delete;
  TReadOnlyGuard& operator=(const TReadOnlyGuard&) = delete;
  // The refused action, -1 for a write to the schema table alone, 0 for none.
  int Refused() const { return FRefused; }

private:
  static int OnlyReads(void* AGuard, int AAction, const char* ATable, const char* AFunction, const char*,
                       const char* AView) {
    TReadOnlyGuard& guard = *static_cast<TReadOnlyGuard*>(AGuard);
    if (guard.FFirst == 0)
      guard.FFirst = AAction;
    guard.Record(AAction, AView);
    switch (AAction) {
    case SQLITE_READ:
      if (ATable && sqlite3_stricmp(ATable, "pragma_optimize") == 0) {
        AAction = SQLITE_PRAGMA;
        break;
      }
      return SQLITE_OK;
    case SQLITE_SELECT:
    case SQLITE_RECURSIVE:
      return SQLITE_OK;
    case SQLITE_FUNCTION:
      if (!ChangesConnection(AFunction))
        return SQLITE_OK;
      ATable = nullptr;
      break;
    default:
      if (guard.FFirst == SQLITE_SELECT)
        return SQLITE_OK;
      break;
    }
    int& refused = guard.FRefused;
    bool schemaTable = ATable && std::strncmp(ATable, "sqlite_", 7) == 0;
    if (refused == 0 || (refused == -1 && !schemaTable))
      refused = schemaTable ? -1 : AAction;
    return SQLITE_DENY;
  }

  void Record(int AAction, const char* AView) {
    if (!FRecord || (AAction != SQLITE_SELECT && AAction != SQLITE_READ))
      return;
    const std::string view = AView ? AView : "";
    if (AAction == SQLITE_SELECT) {
      auto at = std::find_if(FRecord->Selects.begin(), FRecord->Selects.end(),
                             [&](const auto& AEntry) { return AEntry.first == view; });
      if (at == FRecord->Selects.end())
        FRecord->Selects.emplace_back(view, 1);
      else
        ++at->second;
    }
    if (!view.empty() &&
        std::find(FRecord->Views.begin(), FRecord->Views.end(), view) == FRecord->Views.end())
      FRecord->Views.push_back(view);
  }

  sqlite3* FDb;
  TPrepareRecord* FRecord; // borrowed, may be null
  int FFirst = 0;
  int FRefused = 0;
};

// Keeps a prepare from waiting for another connection's lock: the wait is off while it lives and back at
// what it was afterwards. A connection with a busy handler of its own keeps it.
class TNoLockWait {
public:
  explicit TNoLockWait(sqlite3* ADb)
      : FDb(ADb), FTimeout(std::atoi(PragmaValue(ADb, "PRAGMA busy_timeout").c_str())) {
    if (FTimeout > 0)
      sqlite3_busy_timeout(FDb, 0);
  }
  ~TNoLockWait() {
    if (FTimeout > 0)
      sqlite3_busy_timeout(FDb, FTimeout);
  }
  TNoLockWait(const TNoLockWait&) = delete;
  TNoLockWait& operator=(const TNoLockWait&) = delete;

private:
  sqlite3* FDb;
  int FTimeout = 0;
};

// What a refused action does, to finish "this text ...".
AnsiString ActionText(int AAction) {
  switch (AAction) {
  case SQLITE_INSERT:
    return "writes rows (INSERT)";
  case SQLITE_UPDATE:
    return "writes rows (UPDATE)";
  case SQLITE_DELETE:
    return "writes rows (DELETE)";
  case SQLITE_PRAGMA:
    return "is a PRAGMA";
  case SQLITE_ATTACH:
  case SQLITE_DETACH:
    return "attaches or detaches a database";
  case SQLITE_TRANSACTION:
  case SQLITE_SAVEPOINT:
    return "starts or ends a transaction";
  case SQLITE_FUNCTION:
    return "calls a function that changes the connection";
  default: // also -1: only the schema table would have been written
    return "changes the database's schema or settings";
  }
}

bool FileExists(const AnsiString& AName) {
  struct stat info;
  return ::stat(ToUtf8(AName).c_str(), &info) == 0;
}

} // namespace

Variant sqlitequery_internal::ReadCell(sqlite3_stmt* AStmt, int ACol, TFieldType AType, bool& AApproximate) {
  return CellValue(sqlite3_column_value(AStmt, ACol), AType, AApproximate);
}

TSQLiteConnection::TSQLiteConnection(TComponent* AOwner) : TComponent(AOwner) {}

TSQLiteConnection::~TSQLiteConnection() {
  Destroying();
  Close();
}

void TSQLiteConnection::Open() {
  if (FHandle)
    return;
  if (FileName.empty())
    throw EDatabaseError("The connection has no database file name");
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | (CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(ToUtf8(FileName).c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    AnsiString message = SQLiteMessage(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    if (rc == SQLITE_CANTOPEN && !CreateIfMissing && !FileExists(FileName))
      message = "no such file";
    sqlite3_close(db);
    throw EDatabaseError("Cannot open database '" + FileName + "': " + message);
  }
  sqlite3_extended_result_codes(db, 1);
  // SQLite's own defences against untrusted SQL, set once: a setting changed later would make every
  // prepared statement compile again, outside the guard that checked it.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
  // Another connection's lock is waited out for a while, as a post must not fail at the first try.
  sqlite3_busy_timeout(db, BusyTimeout);
  FHandle = db;
}

void TSQLiteConnection::Close() {
  if (!FHandle)
    return;
  FPrepared.clear();
  sqlite3_close_v2(FHandle);
  FHandle = nullptr;
}

std::shared_ptr<TStatement> TSQLiteConnection::Prepared(const std::string& AUtf8) {
  if (!FHandle)
    throw EDatabaseError("The connection is closed");
  auto kept = FPrepared.find(AUtf8);
  if (kept != FPrepared.end())
    return kept->second;
  // The texts vary with the fields a program writes; a bound keeps a long session's statements few.
  if (FPrepared.size() >= 64)
    FPrepared.clear();
  auto statement = std::make_shared<TStatement>(FHandle, AUtf8, TSQLText::Utf8);
  FPrepared.emplace(AUtf8, statement);
  return statement;
}

void TSQLiteConnection::ExecSQL(const AnsiString& ASQL) {
  Open();
  char* error = nullptr;
  if (sqlite3_exec(FHandle, ToUtf8(ASQL).c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    AnsiString message = SQLiteMessage(error ? error : sqlite3_errmsg(FHandle));
    sqlite3_free(error);
    throw EDatabaseError("SQL error: " + message);
  }
}

TSQLiteQuery::TSQLiteQuery(TComponent* AOwner)
    : TMemDataSet(AOwner), FParams(new TParams(this)), FRowKeys(std::make_unique<TRowKeys>()) {}

TSQLiteQuery::~TSQLiteQuery() {
  Destroying();
  try {
    Close();
  } catch (...) {
    // A handler that fails while the query is being freed cannot stop it.
  }
  SetConnection(nullptr);
}

void TSQLiteQuery::SetConnection(TSQLiteConnection* AValue) {
  if (FConnection == AValue)
    return;
  Close();
  if (FConnection)
    RemoveFreeNotification(FConnection);
  FConnection = AValue;
  if (FConnection)
    FreeNotification(FConnection);
  TryTakeParamNames();
}

void TSQLiteQuery::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FConnection) {
    try {
      Close();
    } catch (...) {
      // The connection goes away whatever a close handler thinks of it.
    }
    FConnection = nullptr;
  }
  TMemDataSet::Notification(AComponent, Operation);
}

void TSQLiteQuery::SetSQL(const AnsiString& AValue) {
  Close();
  FSQL = AValue;
  TryTakeParamNames();
}

void TSQLiteQuery::TryTakeParamNames() {
  if (!FConnection || Trim(FSQL).empty())
    return;
  try {
    FConnection->Open();
    std::unique_ptr<TStatement> stmt;
    {
      TNoLockWait noWait(FConnection->Handle());
      stmt = PrepareReadOnly(FConnection->Handle(), FSQL);
    }
    TakeParamNames(stmt->Get());
  } catch (const EDatabaseError&) {
    // The text does not prepare now; opening the query reads the names again and reports why.
  }
}

std::unique_ptr<TStatement> sqlitequery_internal::PrepareReadOnly(sqlite3* ADb, const AnsiString& ASQL,
                                                                  TPrepareRecord* ARecord) {
  TReadOnlyGuard guard(ADb, ARecord);
  try {
    return std::make_unique<TStatement>(ADb, ASQL);
  } catch (const EDatabaseError&) {
    if (guard.Refused() != 0)
      throw EDatabaseError("A query only reads rows, and this text " + ActionText(guard.Refused()) +
                           "; run it with the connection's ExecSQL");
    throw;
  }
}

void TSQLiteQuery::TakeParamNames(sqlite3_stmt* AStmt) {
  std::vector<AnsiString> names;
  int count = sqlite3_bind_parameter_count(AStmt);
  for (int i = 1; i <= count; ++i) {
    // Nameless and other forms of parameters are refused when the query binds them.
    const char* name = sqlite3_bind_parameter_name(AStmt, i);
    if (!name || name[0] != ':')
      continue;
    AnsiString own = FromUtf8(name + 1);
    bool seen = false;
    for (const AnsiString& n : names)
      seen = seen || AnsiSameText(n, own);
    if (!seen)
      names.push_back(own);
  }
  bool same = int(names.size()) == FParams->Count();
  for (std::size_t i = 0; same && i < names.size(); ++i)
    same = FParams->Items(int(i))->Name == names[i];
  if (same)
    return;
  // The list object stays, as callers may hold it; its items are made anew with the values kept by name.
  TParams kept(nullptr);
  kept.Assign(FParams.get());
  FParams->Clear();
  for (const AnsiString& name : names) {
    TParam* param = FParams->CreateParam(ftUnknown, name);
    if (TParam* old = kept.FindParam(name))
      param->Assign(old);
    param->Name = name;
  }
}

bool TSQLiteQuery::CanModify() {
  if (!TMemDataSet::CanModify() || !Active())
    return false;
  CheckTraceable();
  return FReadOnlyReason.empty();
}

void TSQLiteQuery::InternalOpen() {
  if (!FConnection)
    DatabaseError("The query has no connection");
  if (Trim(FSQL).empty())
    DatabaseError("The query has no SQL text");
  FConnection->Open();
  ResetRows();
  ClearFieldDefs();
  RunQuery(true);
}

void TSQLiteQuery::BindColumns() {
  TMemDataSet::InternalOpen();
  for (int i = 0; i < FieldCount(); ++i) {
    TField* field = Fields(i);
    if (field->FieldNo() <= 0)
      continue;
    const TColumn& column = FColumns[std::size_t(field->FieldNo() - 1)];
    if (!column.Table.empty())
      field->Origin =
          FromUtf8(std::string_view(column.Table)) + "." + FromUtf8(std::string_view(column.Origin));
  }
  ChooseKeyFields();
}

void TSQLiteQuery::InternalClose() {
  TMemDataSet::InternalClose();
  ResetRows();
  FRowKeys->Clear(0);
  ClearFieldDefs();
  FColumns.clear();
  FUpdateTable.clear();
  FWriteSchema.clear();
  FWriteTable.clear();
  FKeyColumns.clear();
  FKeyFieldNos.clear();
  FReadOnlyReason.clear();
  FTraceChecked = false;
  FReadsNoRow = false;
  FKeyCollations.clear();
}

void TSQLiteQuery::SetFieldData(TField* AField, const Variant& AValue) {
  if (VarType(AValue) == varBoolean && AField->FieldKind() == fkData && AField->DataType() != ftBoolean)
    TMemDataSet::SetFieldData(AField, Variant(std::int64_t(AValue.AsBoolean() ? 1 : 0)));
  else
    TMemDataSet::SetFieldData(AField, AValue);
}

void TSQLiteQuery::RunQuery(bool AOpening) {
  sqlite3* db = FConnection ? FConnection->Handle() : nullptr;
  if (!db)
    DatabaseError("The query's connection is closed");
  std::unique_ptr<TStatement> prepared = PrepareReadOnly(db, FSQL);
  TStatement& stmt = *prepared;
  sqlite3_stmt* s = stmt.Get();
  if (!sqlite3_stmt_readonly(s))
    DatabaseError("A query only reads rows, and this text would change the database; run it with the "
                  "connection's ExecSQL");
  TakeParamNames(s);
  int count = sqlite3_bind_parameter_count(s);
  for (int i = 1; i <= count; ++i) {
    const char* name = sqlite3_bind_parameter_name(s, i);
    if (!name || name[0] != ':')
      DatabaseError("Parameters are named \":Name\" in a query's text");
    AnsiString own = FromUtf8(name + 1);
    TParam* param = FParams->FindParam(own);
    if (!param || !param->Bound())
      DatabaseError("No value for parameter '" + own + "'");
    stmt.Bind(i, param->Value(), param->DataType, "Parameter '" + own + "'");
  }
  int columns = sqlite3_column_count(s);
  if (columns == 0)
    DatabaseError("The query's text returns no rows; run it with the connection's ExecSQL");
  if (AOpening) {
    FColumns.assign(std::size_t(columns), TColumn());
    for (int i = 0; i < columns; ++i) {
      TColumn& column = FColumns[std::size_t(i)];
      const char* schema = sqlite3_column_database_name(s, i);
      const char* table = sqlite3_column_table_name(s, i);
      const char* origin = sqlite3_column_origin_name(s, i);
      column.Schema = schema ? schema : "";
      column.Table = table ? table : "";
      column.Origin = origin ? origin : "";
    }
    FindUpdateTable();
  }
  int rc = sqlite3_step(s);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE)
    DatabaseError("SQL error: " + SQLiteMessage(sqlite3_errmsg(db)));
  if (AOpening) {
    for (int i = 0; i < columns; ++i) {
      TColumn& column = FColumns[std::size_t(i)];
      column.DataType = TypeOfDecl(sqlite3_column_decltype(s, i),
                                   rc == SQLITE_ROW ? sqlite3_column_type(s, i) : SQLITE_TEXT);
      const char* name = sqlite3_column_name(s, i);
      AnsiString fieldName = FromUtf8(name);
      for (int j = 0; j < i; ++j)
        if (AnsiSameText(FieldDefs(j).Name, fieldName)) {
          fieldName.push_back('_');
          fieldName.append(IntToStr(i));
        }
      AddFieldDef(fieldName, column.DataType);
    }
    BindColumns();
  } else if (std::size_t(columns) != FColumns.size()) {
    DatabaseError("The query's columns changed since it was opened");
  }
  FRowKeys->Clear(FKeyFieldNos.size());
  // By column, which key it holds, -1 for none.
  std::vector<int> keyOf(std::size_t(columns), -1);
  for (std::size_t k = 0; k < FKeyFieldNos.size(); ++k)
    keyOf[std::size_t(FKeyFieldNos[k] - 1)] = int(k);
  for (; rc == SQLITE_ROW; rc = sqlite3_step(s)) {
    FRowKeys->AddRow();
    for (int i = 0; i < columns; ++i) {
      sqlite3_value* cell = sqlite3_column_value(s, i);
      // The key is kept before the cell is read: reading a text may convert it in place.
      if (keyOf[std::size_t(i)] >= 0)
        FRowKeys->SetLast(std::size_t(keyOf[std::size_t(i)]), cell);
      bool approximate;
      PushCell(CellValue(cell, FColumns[std::size_t(i)].DataType, approximate));
      if (approximate)
        MarkLastCellApproximate();
    }
    EndRow();
  }
  if (rc != SQLITE_DONE)
    DatabaseError("SQL error while reading rows: " + SQLiteMessage(sqlite3_errmsg(db)));
}

void RegisterSQLiteQueryProperties() {
  TPropInfo sql{"SQL", TPropType::String};
  sql.GetStr = [](TPersistent* p) { return static_cast<TSQLiteQuery*>(p)->SQL(); };
  sql.SetStr = [](TPersistent* p, const AnsiString& v) { static_cast<TSQLiteQuery*>(p)->SetSQL(v); };
  TPropInfo params{"Params", TPropType::Class};
  params.GetObject = [](TPersistent* p) -> TPersistent* { return static_cast<TSQLiteQuery*>(p)->Params(); };
  RegisterPublishedProperties(ClassOf<TSQLiteQuery>(), {sql, params});
}

const TUnitInfo SQLiteQueryUnit{"SQLiteQuery", &RegisterSQLiteQueryProperties, nullptr};
