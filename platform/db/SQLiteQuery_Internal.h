#pragma once
// Shared by the seams of the SQLite query: text conversion, quoting and a prepared statement that binds
// dataset values.
#include <sqlite3.h>

#include <cctype>
#include <cstring>
#include <new>
#include <string>

#include "platform/db/SQLiteQuery.h"

namespace sqlitequery_internal {

// A value exactly as SQLite returned it, so that binding it gives the same value: its storage class with an
// integer, the bits of a real, or the bytes of a blob or of a text in the database's encoding (a statement
// holds every text in it).
struct TStoredValue {
  int Kind = SQLITE_NULL;
  std::int64_t Number = 0;
  std::string Bytes;
  bool operator==(const TStoredValue&) const = default;
};

inline TStoredValue StoredValue(sqlite3_value* AValue) {
  TStoredValue v;
  v.Kind = sqlite3_value_type(AValue);
  switch (v.Kind) {
  case SQLITE_INTEGER:
    v.Number = sqlite3_value_int64(AValue);
    break;
  case SQLITE_FLOAT: {
    double d = sqlite3_value_double(AValue);
    std::memcpy(&v.Number, &d, sizeof d);
    break;
  }
  case SQLITE_TEXT:
  case SQLITE_BLOB: {
    // The blob call hands out the bytes as they are held, a text without a conversion; the length is asked
    // after it, as then it is the length of those bytes.
    const void* p = sqlite3_value_blob(AValue);
    int n = sqlite3_value_bytes(AValue);
    if (n > 0) {
      if (!p)
        throw std::bad_alloc();
      v.Bytes.assign(static_cast<const char*>(p), std::size_t(n));
    }
    break;
  }
  default:
    break;
  }
  return v;
}

// The value of column ACol (from 0) of the statement's row, as the dataset keeps it for a column of AType.
Variant ReadCell(sqlite3_stmt* AStmt, int ACol, TFieldType AType);

// The database's text encoding, as sqlite3_bind_text64 names it.
inline int TextEncoding(sqlite3* ADb) {
  sqlite3_stmt* stmt = nullptr;
  int encoding = SQLITE_UTF8;
  if (sqlite3_prepare_v2(ADb, "PRAGMA encoding", -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW) {
    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    if (name && std::strcmp(name, "UTF-16le") == 0)
      encoding = SQLITE_UTF16LE;
    else if (name && std::strcmp(name, "UTF-16be") == 0)
      encoding = SQLITE_UTF16BE;
  }
  sqlite3_finalize(stmt);
  return encoding;
}

// SQLite keeps text as UTF-8; the dataset's texts are in the default code page. Plain ASCII needs no work.
inline AnsiString FromUtf8(const unsigned char* AText, int ALength) {
  const char* p = reinterpret_cast<const char*>(AText);
  for (int i = 0; i < ALength; ++i)
    if (static_cast<unsigned char>(p[i]) >= 0x80)
      return Utf8ToAnsi(std::string_view(p, std::size_t(ALength)));
  return AnsiString(p, std::size_t(ALength));
}

// SQLite's own messages are UTF-8 too, and may quote a whole statement or value: converted and cut short.
inline AnsiString SQLiteMessage(const char* AUtf8) {
  std::string_view text = AUtf8 ? std::string_view(AUtf8) : std::string_view();
  return MessageExcerpt(FromUtf8(reinterpret_cast<const unsigned char*>(text.data()), int(text.size())));
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

inline std::string IsoText(TDateTime AValue, TFieldType AType) {
  if (AType == ftDate)
    return FormatDateTime("yyyy'-'mm'-'dd", AValue);
  // Separators are quoted: the locale's own ones must not leak into the stored text.
  if (AType == ftTime)
    return FormatDateTime("hh':'nn':'ss'.'zzz", AValue);
  return FormatDateTime("yyyy'-'mm'-'dd hh':'nn':'ss'.'zzz", AValue);
}

class TStatement {
public:
  TStatement(sqlite3* ADb, const AnsiString& ASQL) : FDb(ADb) {
    std::string sql = ToUtf8(ASQL);
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(ADb, sql.c_str(), int(sql.size()), &FStmt, &tail) != SQLITE_OK)
      throw EDatabaseError("SQL error: " + SQLiteMessage(sqlite3_errmsg(ADb)) + " in \"" +
                           MessageExcerpt(ASQL) + "\"");
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

  void Bind(int AIndex, const Variant& AValue, TFieldType AType) {
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
    default:
      rc = sqlite3_bind_double(FStmt, AIndex, AValue.AsDouble());
      break;
    }
    if (rc != SQLITE_OK)
      throw EDatabaseError("Cannot bind a value: " + SQLiteMessage(sqlite3_errmsg(FDb)));
  }

  // Binds a value exactly as it was read; AEncoding is the database's text encoding.
  void BindStored(int AIndex, const TStoredValue& AValue, int AEncoding) {
    int rc;
    switch (AValue.Kind) {
    case SQLITE_INTEGER:
      rc = sqlite3_bind_int64(FStmt, AIndex, AValue.Number);
      break;
    case SQLITE_FLOAT: {
      double d;
      std::memcpy(&d, &AValue.Number, sizeof d);
      rc = sqlite3_bind_double(FStmt, AIndex, d);
      break;
    }
    case SQLITE_TEXT:
      rc = sqlite3_bind_text64(FStmt, AIndex, AValue.Bytes.data(), AValue.Bytes.size(), SQLITE_TRANSIENT,
                               static_cast<unsigned char>(AEncoding));
      break;
    case SQLITE_BLOB:
      rc = sqlite3_bind_blob64(FStmt, AIndex, AValue.Bytes.data(), AValue.Bytes.size(), SQLITE_TRANSIENT);
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

} // namespace sqlitequery_internal
