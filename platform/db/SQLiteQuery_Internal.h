#pragma once
// Shared by the seams of the SQLite query: text conversion, quoting and a prepared statement that binds
// dataset values.
#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/db/SQLiteQuery.h"

namespace sqlitequery_internal {

// The value of column ACol (from 0) of the statement's row, as the dataset keeps it for a column of AType;
// AApproximate tells whether that value only approximates the cell's.
Variant ReadCell(sqlite3_stmt* AStmt, int ACol, TFieldType AType, bool& AApproximate);

// What a pragma that reads a setting answers, empty when it answers nothing.
inline std::string PragmaValue(sqlite3* ADb, const char* APragma) {
  sqlite3_stmt* stmt = nullptr;
  std::string value;
  if (sqlite3_prepare_v2(ADb, APragma, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
    if (const unsigned char* text = sqlite3_column_text(stmt, 0))
      value = reinterpret_cast<const char*>(text);
  sqlite3_finalize(stmt);
  return value;
}

// The database's text encoding, as sqlite3_bind_text64 names it.
inline int TextEncoding(sqlite3* ADb) {
  const std::string name = PragmaValue(ADb, "PRAGMA encoding");
  return name == "UTF-16le" ? SQLITE_UTF16LE : name == "UTF-16be" ? SQLITE_UTF16BE : SQLITE_UTF8;
}

// SQLite keeps text as UTF-8; the dataset's texts are in the default code page.
inline AnsiString FromUtf8(std::string_view AText) {
  return Utf8ToAnsi(AText);
}

// A name SQLite hands out, ended by a NUL; none is empty.
inline AnsiString FromUtf8(const char* AText) {
  return AText ? FromUtf8(std::string_view(AText)) : AnsiString();
}

// A name SQLite hands out, in quotes and the code page, for a message; built by appending, where GCC 12 warns
// falsely (-Wrestrict) on a literal put before a temporary string.
inline AnsiString QuotedName(std::string_view AUtf8) {
  AnsiString text = "'";
  text += FromUtf8(AUtf8);
  text += "'";
  return text;
}

// SQLite's own messages are UTF-8 too, and may quote a whole statement or value: converted and cut short.
inline AnsiString SQLiteMessage(const char* AUtf8) {
  return MessageExcerpt(FromUtf8(AUtf8));
}

inline std::string ToUtf8(const AnsiString& AText) {
  for (char c : AText)
    if (static_cast<unsigned char>(c) >= 0x80)
      return AnsiToUtf8(AText);
  return AText;
}

inline AnsiString Quote(const AnsiString& AName) {
  AnsiString q = "\"";
  for (char c : AName) {
    if (c == '"')
      q += '"';
    q += c;
  }
  return q + "\"";
}

// Whether two names SQLite holds in UTF-8 name one thing: SQLite folds the case of ASCII letters only, and
// compares every other byte as it is.
inline bool SameName(std::string_view A, std::string_view B) {
  return A.size() == B.size() && sqlite3_strnicmp(A.data(), B.data(), int(A.size())) == 0;
}

// Whether a date is a day of the calendar from year 1 to 9999, the only ones its text can name.
inline bool IsCalendarDate(TDateTime AValue) {
  // Before day 0 the time of day counts away from it, so the first day reaches down to one day before it.
  return std::isfinite(AValue) && AValue > EncodeDate(1, 1, 1) - 1 && AValue < EncodeDate(9999, 12, 31) + 1;
}

inline std::string IsoText(TDateTime AValue, TFieldType AType) {
  if (AType == ftDate)
    return FormatDateTime("yyyy'-'mm'-'dd", AValue);
  // Separators are quoted: the locale's own ones must not leak into the stored text.
  if (AType == ftTime)
    return FormatDateTime("hh':'nn':'ss'.'zzz", AValue);
  return FormatDateTime("yyyy'-'mm'-'dd hh':'nn':'ss'.'zzz", AValue);
}

// How the text of a statement is given: in the code page, as callers write it, or in UTF-8, as statements
// built from the names SQLite hands out are.
enum class TSQLText { CodePage, Utf8 };

class TStatement {
public:
  TStatement(sqlite3* ADb, const AnsiString& ASQL, TSQLText AText = TSQLText::CodePage) : FDb(ADb) {
    std::string sql = AText == TSQLText::Utf8 ? ASQL : ToUtf8(ASQL);
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(ADb, sql.c_str(), int(sql.size()), &FStmt, &tail) != SQLITE_OK)
      throw EDatabaseError("SQL error: " + SQLiteMessage(sqlite3_errmsg(ADb)) + " in \"" +
                           MessageExcerpt(AText == TSQLText::Utf8 ? FromUtf8(std::string_view(ASQL)) : ASQL) +
                           "\"");
    if (!FStmt)
      throw EDatabaseError("The SQL text holds no statement");
    for (; tail && *tail; ++tail)
      if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';') {
        sqlite3_finalize(FStmt);
        throw EDatabaseError("The SQL text of a query holds more than one statement");
      }
  }
  ~TStatement() { sqlite3_finalize(FStmt); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;
  sqlite3_stmt* Get() const { return FStmt; }

  // Binds a dataset value for a column of AType; AWhat names the value in a refusal.
  void Bind(int AIndex, const Variant& AValue, TFieldType AType, const AnsiString& AWhat) {
    int rc;
    switch (VarType(AValue)) {
    case varEmpty:
    case varNull:
      rc = sqlite3_bind_null(FStmt, AIndex);
      break;
    case varBoolean:
      // The platform's True is -1; SQLite's is 1.
      rc = sqlite3_bind_int64(FStmt, AIndex, AValue.AsBoolean() ? 1 : 0);
      break;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      rc = sqlite3_bind_int64(FStmt, AIndex, AValue.AsInt64());
      break;
    case varDate: {
      if (!IsCalendarDate(AValue.AsDate()))
        throw EDatabaseError(AWhat + " holds no date of the calendar (years 1 to 9999) and cannot be stored");
      std::string t = IsoText(AValue.AsDate(), AType == ftUnknown ? ftDateTime : AType);
      rc = sqlite3_bind_text(FStmt, AIndex, t.c_str(), int(t.size()), SQLITE_TRANSIENT);
      break;
    }
    case varOleStr: {
      std::string t = WideToUtf8(AValue.AsWideString());
      rc = sqlite3_bind_text(FStmt, AIndex, t.c_str(), int(t.size()), SQLITE_TRANSIENT);
      break;
    }
    case varString:
      if (AType == ftBlob || AType == ftGraphic || AType == ftBytes) {
        const AnsiString& s = AValue.RawString();
        rc = sqlite3_bind_blob(FStmt, AIndex, s.data(), int(s.size()), SQLITE_TRANSIENT);
      } else {
        std::string t = ToUtf8(AValue.RawString());
        rc = sqlite3_bind_text(FStmt, AIndex, t.c_str(), int(t.size()), SQLITE_TRANSIENT);
      }
      break;
    default: {
      // SQLite keeps no NaN: it would store NULL in its place.
      double v = AValue.AsDouble();
      if (std::isnan(v))
        throw EDatabaseError(AWhat + " holds no number (NaN), which the database cannot store");
      rc = sqlite3_bind_double(FStmt, AIndex, v);
      break;
    }
    }
    if (rc != SQLITE_OK)
      throw EDatabaseError("Cannot bind a value: " + SQLiteMessage(sqlite3_errmsg(FDb)));
  }

  // Binds a value exactly as it was read: its storage class and its number or bytes, a text in AEncoding.
  void BindExact(int AIndex, int AKind, std::int64_t ANumber, std::string_view ABytes, int AEncoding) {
    int rc;
    switch (AKind) {
    case SQLITE_INTEGER:
      rc = sqlite3_bind_int64(FStmt, AIndex, ANumber);
      break;
    case SQLITE_FLOAT: {
      double d;
      std::memcpy(&d, &ANumber, sizeof d);
      rc = sqlite3_bind_double(FStmt, AIndex, d);
      break;
    }
    case SQLITE_TEXT:
      rc = sqlite3_bind_text64(FStmt, AIndex, ABytes.data(), ABytes.size(), SQLITE_TRANSIENT,
                               static_cast<unsigned char>(AEncoding));
      break;
    case SQLITE_BLOB:
      rc = sqlite3_bind_blob64(FStmt, AIndex, ABytes.data(), ABytes.size(), SQLITE_TRANSIENT);
      break;
    default:
      rc = sqlite3_bind_null(FStmt, AIndex);
      break;
    }
    if (rc != SQLITE_OK)
      throw EDatabaseError("Cannot bind a value: " + SQLiteMessage(sqlite3_errmsg(FDb)));
  }

  // Runs a statement that returns no rows.
  void Exec() {
    int rc = sqlite3_step(FStmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
      throw EDatabaseError(SQLiteMessage(sqlite3_errmsg(FDb)));
  }

private:
  sqlite3* FDb;
  sqlite3_stmt* FStmt = nullptr;
};

// One run of a statement the connection keeps, shared while it lasts and ended however it ends: reset, so
// that it holds nothing open, and its values unbound.
class TStatementRun {
public:
  explicit TStatementRun(std::shared_ptr<TStatement> AStmt) : FStmt(std::move(AStmt)) {}
  ~TStatementRun() {
    sqlite3_reset(FStmt->Get());
    sqlite3_clear_bindings(FStmt->Get());
  }
  TStatementRun(const TStatementRun&) = delete;
  TStatementRun& operator=(const TStatementRun&) = delete;
  TStatement& Statement() const { return *FStmt; }

private:
  std::shared_ptr<TStatement> FStmt;
};

// The keys of a query's rows exactly as SQLite returned them, so that binding one gives the same values: each
// its storage class with an integer, the bits of a real, or the bytes of a blob or of a text in the
// database's encoding (a statement holds every text in it). KeyCount values a row, by row handle; the bytes
// of all of them live in one store, so that a million rows cost a few allocations.
class TRowKeys {
public:
  // Why a row is gone: SQLite removed it beside a write, or a write changed rows that could not be followed.
  enum class TGone : std::int64_t { No, Removed, Untracked };
  explicit TRowKeys(std::size_t AKeyCount = 0) : FKeyCount(AKeyCount) {}
  std::size_t KeyCount() const { return FKeyCount; }
  std::size_t RowCount() const { return FKeyCount == 0 ? 0 : FValues.size() / FKeyCount; }
  void Clear(std::size_t AKeyCount) {
    FKeyCount = AKeyCount;
    FValues.clear();
    FBytes.clear();
  }
  // A row of NULLs at the end, for SetLast to fill.
  void AddRow() { FValues.resize(FValues.size() + FKeyCount); }
  // Key AKey of the last row.
  void SetLast(std::size_t AKey, sqlite3_value* AValue) {
    FValues[FValues.size() - FKeyCount + AKey] = Stored(AValue);
  }
  // Appends row AFromRow of AFrom as a new row.
  void Append(const TRowKeys& AFrom, std::size_t AFromRow) {
    for (std::size_t k = 0; k < FKeyCount; ++k)
      FValues.push_back(AFrom.Copy(AFrom.FValues[AFromRow * FKeyCount + k], FBytes));
  }
  // Row ARow takes the values of row AFromRow of AFrom.
  void Replace(std::size_t ARow, const TRowKeys& AFrom, std::size_t AFromRow) {
    for (std::size_t k = 0; k < FKeyCount; ++k)
      FValues[ARow * FKeyCount + k] = AFrom.Copy(AFrom.FValues[AFromRow * FKeyCount + k], FBytes);
  }
  // Row ARow is no longer one row of the table that its key reaches, for AWhy: a write must not find a row by
  // it.
  void MarkGone(std::size_t ARow, TGone AWhy) {
    for (std::size_t k = 0; k < FKeyCount; ++k)
      FValues[ARow * FKeyCount + k] = TValue{std::int64_t(AWhy), 0, kGone};
  }
  TGone Gone(std::size_t ARow) const {
    const TValue& v = FValues[ARow * FKeyCount];
    return FKeyCount > 0 && v.Kind == kGone ? TGone(v.Number) : TGone::No;
  }
  bool AllNull(std::size_t ARow) const {
    for (std::size_t k = 0; k < FKeyCount; ++k)
      if (FValues[ARow * FKeyCount + k].Kind != SQLITE_NULL)
        return false;
    return FKeyCount > 0;
  }
  bool Same(std::size_t ARow, const TRowKeys& AOther, std::size_t AOtherRow) const {
    for (std::size_t k = 0; k < FKeyCount; ++k) {
      const TValue& a = FValues[ARow * FKeyCount + k];
      const TValue& b = AOther.FValues[AOtherRow * FKeyCount + k];
      if (a.Kind != b.Kind || (HasBytes(a) ? Bytes(a) != AOther.Bytes(b) : a.Number != b.Number))
        return false;
    }
    return true;
  }
  // A hash of row ARow's values, equal for rows that Same calls equal.
  std::size_t Hash(std::size_t ARow) const {
    std::size_t hash = 0;
    for (std::size_t k = 0; k < FKeyCount; ++k) {
      const TValue& v = FValues[ARow * FKeyCount + k];
      const std::size_t part =
          HasBytes(v) ? std::hash<std::string_view>()(Bytes(v)) : std::hash<std::int64_t>()(v.Number);
      hash = hash * 31 + (part ^ std::size_t(v.Kind));
    }
    return hash;
  }
  // Row ARow's values as one string, equal for two rows exactly when Same is true of them.
  std::string Identity(std::size_t ARow) const {
    std::string id;
    for (std::size_t k = 0; k < FKeyCount; ++k) {
      const TValue& v = FValues[ARow * FKeyCount + k];
      id += char(v.Kind);
      const std::string_view bytes = Bytes(v);
      const std::int64_t number = HasBytes(v) ? std::int64_t(bytes.size()) : v.Number;
      id.append(reinterpret_cast<const char*>(&number), sizeof number);
      id += bytes;
    }
    return id;
  }
  // Key AKey of the last row is a value SQLite did not hand out.
  void SetLastUnknown(std::size_t AKey) { FValues[FValues.size() - FKeyCount + AKey].Kind = kUnknown; }
  // Appends, as a new row, the values AColumns of row AFromRow of AFrom, whose rows hold more values; a NULL
  // in a column of ANullUnknown is taken for a value not known. False, and nothing appended, where a value is
  // not known or a column is missing.
  bool AppendColumns(const TRowKeys& AFrom, std::size_t AFromRow, const std::vector<int>& AColumns,
                     const std::vector<bool>& ANullUnknown) {
    for (std::size_t k = 0; k < AColumns.size(); ++k) {
      if (AColumns[k] < 0 || std::size_t(AColumns[k]) >= AFrom.FKeyCount)
        return false;
      const std::int32_t kind = AFrom.FValues[AFromRow * AFrom.FKeyCount + std::size_t(AColumns[k])].Kind;
      if (kind == kUnknown || kind == kGone || (kind == SQLITE_NULL && ANullUnknown[k]))
        return false;
    }
    for (int column : AColumns)
      FValues.push_back(AFrom.Copy(AFrom.FValues[AFromRow * AFrom.FKeyCount + std::size_t(column)], FBytes));
    return true;
  }
  // Binds row ARow's values from AIndex on; AEncoding is the database's text encoding.
  void Bind(TStatement& AStmt, std::size_t ARow, int& AIndex, int AEncoding) const {
    for (std::size_t k = 0; k < FKeyCount; ++k) {
      const TValue& v = FValues[ARow * FKeyCount + k];
      AStmt.BindExact(AIndex++, v.Kind, v.Number, Bytes(v), AEncoding);
    }
  }

private:
  struct TValue {
    std::int64_t Number = 0; // the integer, the bits of the real, or where the bytes start in FBytes
    std::uint32_t Size = 0;  // how many bytes
    std::int32_t Kind = SQLITE_NULL;
  };
  // No storage classes of SQLite's: a row that is gone, with why in Number; a value SQLite did not hand out.
  static constexpr std::int32_t kGone = 0;
  static constexpr std::int32_t kUnknown = -1;
  static bool HasBytes(const TValue& AValue) {
    return AValue.Kind == SQLITE_TEXT || AValue.Kind == SQLITE_BLOB;
  }
  std::string_view Bytes(const TValue& AValue) const {
    return HasBytes(AValue) ? std::string_view(FBytes).substr(std::size_t(AValue.Number), AValue.Size)
                            : std::string_view();
  }
  TValue Stored(sqlite3_value* AValue) {
    TValue v;
    v.Kind = sqlite3_value_type(AValue);
    if (v.Kind == SQLITE_INTEGER) {
      v.Number = sqlite3_value_int64(AValue);
    } else if (v.Kind == SQLITE_FLOAT) {
      double d = sqlite3_value_double(AValue);
      std::memcpy(&v.Number, &d, sizeof d);
    } else if (HasBytes(v)) {
      // The blob call hands out the bytes as they are held, a text without a conversion; the length is
      // asked after it, as then it is the length of those bytes.
      const void* p = sqlite3_value_blob(AValue);
      int n = sqlite3_value_bytes(AValue);
      if (n > 0 && !p)
        throw std::bad_alloc();
      v.Number = std::int64_t(FBytes.size());
      v.Size = std::uint32_t(n);
      if (n > 0)
        FBytes.append(static_cast<const char*>(p), std::size_t(n));
    }
    return v;
  }
  // AValue with its bytes, if any, copied into AStore.
  TValue Copy(const TValue& AValue, std::string& AStore) const {
    TValue v = AValue;
    if (HasBytes(v)) {
      v.Number = std::int64_t(AStore.size());
      AStore.append(Bytes(AValue));
    }
    return v;
  }

  std::size_t FKeyCount;
  std::vector<TValue> FValues;
  std::string FBytes;
};

// The rows SQLite changes in one table while a statement runs, as its preupdate hook reports them, so that
// what the statement did beside its own row is known once it is over: rows a REPLACE conflict deleted, rows
// its triggers and foreign-key actions changed or deleted. Each such change keeps every column of the row
// before it and, for an update, after it; rows inserted beside the statement's own are not shown by the
// query and are left out. The statement's own change (at depth 0, of its own kind) is only noted where it
// falls, as the statement returns that row itself. The hook is the connection's one preupdate hook, held
// from construction to Stop.
class TChangeLog {
public:
  TChangeLog(sqlite3* ADb, std::string ASchema, std::string ATable, int AOwnOp)
      : FDb(ADb), FSchema(std::move(ASchema)), FTable(std::move(ATable)), FOwnOp(AOwnOp) {
    sqlite3_preupdate_hook(FDb, &OnChange, this);
  }
  ~TChangeLog() {
    if (FDb)
      sqlite3_preupdate_hook(FDb, nullptr, nullptr);
  }
  TChangeLog(const TChangeLog&) = delete;
  TChangeLog& operator=(const TChangeLog&) = delete;
  // Lets the hook go; raises what kept a change from being recorded.
  void Stop() {
    if (!FDb)
      return;
    sqlite3_preupdate_hook(FDb, nullptr, nullptr);
    FDb = nullptr;
    if (FFailed)
      throw std::bad_alloc();
  }

  struct TChange {
    int Op = 0;
    bool Own = false;
    std::size_t Row = 0; // in Old() and New(), unless Own
  };
  const std::vector<TChange>& Changes() const { return FChanges; }
  bool ChangedBeside() const { return FOld.RowCount() > 0; }
  const TRowKeys& Old() const { return FOld; }
  const TRowKeys& New() const { return FNew; }

private:
  static void OnChange(void* ALog, sqlite3* ADb, int AOp, const char* ASchema, const char* ATable,
                       sqlite3_int64, sqlite3_int64);

  sqlite3* FDb;
  const std::string FSchema, FTable;
  const int FOwnOp;
  std::vector<TChange> FChanges;
  TRowKeys FOld, FNew;
  bool FFailed = false;
};

// A row of the update table read back: by column of the query, the value as a load keeps it and whether it
// only approximates what the table holds. Empty where no one row was read.
struct TReadBack {
  std::vector<Variant> Values;
  std::vector<char> Approximate;
  bool Empty() const { return Values.empty(); }
};

// What a write did beside its own row: the records whose rows SQLite removed, and those whose rows it
// changed, with their keys now and their rows read again (empty where the key no longer reaches one row).
// Untracked where it changed rows whose keys could not be read, so that no record is known to be its row.
struct TBeside {
  explicit TBeside(std::size_t AKeyCount) : Keys(AKeyCount) {}
  std::vector<std::size_t> Removed;
  std::vector<std::size_t> Changed;
  TRowKeys Keys;                // by Changed
  std::vector<TReadBack> Reads; // by Changed
  bool Untracked = false;
};

// What the authorizer was told while a text was prepared: by name of the view, common table or subquery the
// compiler was in ("" for the statement itself and unnamed subqueries), how many SELECTs began there; and the
// views and common tables whose rows were read.
struct TPrepareRecord {
  std::vector<std::pair<std::string, int>> Selects;
  std::vector<std::string> Views;
};

// What a function's name stands for, called with a given number of arguments.
enum class TFunctionKind { Scalar, Aggregate, Unknown };
using TFunctionKinds = std::function<TFunctionKind(std::string_view AName, int AArguments)>;

// What a SELECT text (a statement, a view's CREATE VIEW text or a common table's body) does that may make a
// row of it other than one row of each table it reads.
struct TSelectShape {
  // What its SELECT or the SELECT of common table CommonTable does, to follow "The query" or the like; empty
  // where it only selects, joins, filters, orders and limits rows, calling scalar functions.
  std::string Refusal;
  std::string CommonTable;
  bool Distinct = false;                 // the text's own SELECT removes duplicate rows
  std::vector<std::string> CommonTables; // the names of the common tables the text defines
};

// The shape of ASQL, in UTF-8, read with SQLite's own tokens and keywords; a shape it does not know is
// refused, so that only a SELECT of plain rows comes out without a refusal. AKinds tells what each function
// called is.
TSelectShape ReadSelectShape(std::string_view ASQL, const TFunctionKinds& AKinds);

// ASQL prepared under the read-only guard; a text the guard refused is named for what it does. With ARecord,
// what the authorizer was told goes there.
std::unique_ptr<TStatement> PrepareReadOnly(sqlite3* ADb, const AnsiString& ASQL,
                                            TPrepareRecord* ARecord = nullptr);

} // namespace sqlitequery_internal
