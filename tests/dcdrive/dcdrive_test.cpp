#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/db/DBTypes.h"
#include "tools/dcdrive/driver.h"
#include "tools/dcdrive/ops.h"
#include "tools/dcdrive/text.h"

namespace {

using dcdrive::BadInput;
using dcdrive::Driver;

// A table loaded with the operations run over it (none: the table alone), and the message expected: the
// table's refusal, the run's output on standard error, or "" for a run that succeeds.
struct Refusal {
  const char* Name;
  std::string Table, Ops, Message;
};

struct Outcome {
  int Exit;
  std::string Out, Err;
};

class Dcdrive : public ::testing::Test {
protected:
  static void SetUpTestSuite() { dcdrive::InitializeUnits(); }

  // The message a table is refused with, or "" when it loads.
  static std::string LoadError(const std::string& ATable) {
    Driver driver;
    try {
      driver.LoadTable(ATable);
    } catch (const BadInput& e) {
      return e.what();
    }
    return "";
  }

  static void ExpectRefusal(const Refusal& ACase) {
    SCOPED_TRACE(ACase.Name);
    if (ACase.Ops.empty()) {
      EXPECT_EQ(LoadError(ACase.Table), ACase.Message);
      return;
    }
    Outcome outcome = Drive(ACase.Table, ACase.Ops);
    EXPECT_EQ(outcome.Exit, ACase.Message.empty() ? 0 : 2);
    EXPECT_EQ(outcome.Err, ACase.Message);
  }

  static Outcome Drive(const std::string& ATable, const std::string& AOps) {
    Driver driver;
    driver.LoadTable(ATable);
    std::ostringstream out, err;
    int exit = dcdrive::RunOperations(driver, AOps, "ops", out, err);
    return {exit, out.str(), err.str()};
  }
};

// What a message quotes of its input stays a few hundred bytes, says how long the input was, and is UTF-8
// even where the cut falls inside a character or the input was no UTF-8 at all.
TEST_F(Dcdrive, MessagesQuoteTheirInputInBoundedLength) {
  const std::string big(100000, 'x');
  const std::string wide = [] {
    std::string s;
    for (int i = 0; i < 50000; ++i)
      s += "ş";
    return s;
  }();
  struct Case {
    const char* Name;
    std::string Table, Ops, Start, Length;
  };
  const Case cases[] = {
      {"header cell", big + "\n", "", "a header cell is name:type, not 'xxx", "(100000 characters)"},
      {"header of Turkish text", wide + "\n", "", "a header cell is name:type, not 'şşş",
       "(50000 characters)"},
      {"column type", "a:" + big + "\n", "", "unknown column type 'xxx", "(100000 characters)"},
      {"int cell", "a:int\n" + big + "\n", "", "not a int: 'xxx", "(100000 characters)"},
      {"date cell", "a:date\n" + big + "\n", "", "not a date: 'xxx", "(100000 characters)"},
      {"bool cell", "a:bool\n" + big + "\n", "", "not a bool: 'xxx", "(100000 characters)"},
      {"operation", "a:int\n1\n", big, "dcdrive: ops:1: unknown operation 'xxx", "(100000 bytes)"},
      {"operation in Turkish", "a:int\n1\n", wide, "dcdrive: ops:1: unknown operation 'şşş",
       "(100000 bytes)"},
      {"operation of bad bytes", "a:int\n1\n", std::string(1000, '\xC5'),
       "dcdrive: ops:1: unknown operation '\xEF\xBF\xBD", "(1000 bytes)"},
      {"column", "a:int\n1\n", "sort " + big + " asc", "dcdrive: ops:1: no column 'xxx", "(100000 bytes)"},
      {"number", "a:int\n1\n", "focusrow 1" + big, "dcdrive: ops:1: not a number: '1xxx", "(100001 bytes)"},
      {"literal", "a:int\n1\n", "filter a = " + big, "dcdrive: ops:1: not a JSON literal: 'xxx",
       "(100000 bytes)"},
      {"value", "a:int\n1\n", "filter a = \"" + big + "\"", "dcdrive: ops:1: not a int: 'xxx",
       "(100000 characters)"},
      {"filter operator", "a:int\n1\n", "filter a " + big + " 1",
       "dcdrive: ops:1: unknown filter operator 'xxx", "(100000 bytes)"},
      {"summary kind", "a:int\n1\n", "summary footer a " + big, "dcdrive: ops:1: unknown summary kind 'xxx",
       "(100000 bytes)"},
      {"summary option", "a:int\n1\n", "summaryoptions " + big, "dcdrive: ops:1: unknown summary option 'xxx",
       "(100000 bytes)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string message;
    if (c.Ops.empty()) {
      message = LoadError(c.Table);
    } else {
      Outcome outcome = Drive(c.Table, c.Ops);
      EXPECT_EQ(outcome.Exit, 2);
      EXPECT_EQ(outcome.Out, "");
      message = outcome.Err;
    }
    EXPECT_EQ(message.rfind(c.Start, 0), 0u) << message.substr(0, 300);
    EXPECT_NE(message.find(c.Length), std::string::npos) << message.substr(0, 300);
    EXPECT_LE(message.size(), 3 * dcdrive::QuoteLimit + 100);
    EXPECT_EQ(WideToUtf8(Utf8ToWide(message)), message);
  }
}

// A NUL inside quoted input is quoted escaped, so that it cannot cut the message short.
TEST_F(Dcdrive, ANulInQuotedInputIsQuotedEscaped) {
  using namespace std::string_literals;
  const Refusal cases[] = {
      {"column type", "a:str\0ing\n1\n"s, "", "unknown column type 'str\\0ing'"},
      {"header cell", "a\0b\n"s, "", "a header cell is name:type, not 'a\\0b'"},
      {"int cell", "n:int\n1\0\n"s, "", "not a int: '1\\0'"},
      {"operation", "n:int\n1\n", "dump\0x\n"s, "dcdrive: ops:1: unknown operation 'dump\\0x'\n"},
      {"column", "n:int\n1\n", "sort n\0 asc\n"s, "dcdrive: ops:1: no column 'n\\0'\n"},
      {"value", "n:int\n1\n", "filter n = \"1\\u0000\"\n", "dcdrive: ops:1: not a int: '1\\0'\n"},
      // A backslash and a 0 typed as such are not a NUL.
      {"backslash", "n:int\n1\n", "filter n = \"1\\\\0\"\n", "dcdrive: ops:1: not a int: '1\\\\0'\n"},
  };
  for (const Refusal& c : cases)
    ExpectRefusal(c);
}

// What the library raises is printed whole, past a NUL in a value it quotes, escaped as quoted input is; a
// cut never leaves half an escape behind.
TEST_F(Dcdrive, ALibraryMessageIsPrintedWholeWithItsNulEscaped) {
  using namespace std::string_literals;
  const std::string longStart(dcdrive::MessageLimit - 1, 'x');
  struct Case {
    const char* Name;
    std::string Raised, Printed;
  } cases[] = {
      {"NUL", "'a\0b' in field 's' of record 1 cannot be read as LargeInt"s,
       "'a\\0b' in field 's' of record 1 cannot be read as LargeInt"},
      {"leading NUL", "'\0\xFF' in field 'n'"s, "'\\0\xC3\xBF' in field 'n'"},
      {"backslash", "'a\\0' is not a valid value", "'a\\\\0' is not a valid value"},
      {"cut at an escape", longStart + "\0yyyy"s, longStart + "..."},
      {"cut after an escape", longStart.substr(1) + "\0yyyy"s, longStart.substr(1) + "\\0..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(dcdrive::LibraryMessage(EDatabaseError(c.Raised)), c.Printed);
  }
  EXPECT_EQ(dcdrive::LibraryMessage(std::runtime_error("not the library's")), "not the library's");
}

// Text reaches the controller in the code page; a character the code page has no byte for is refused by name,
// with where it stands, rather than stored as '?'.
TEST_F(Dcdrive, TextTheCodePageCannotHoldIsRefusedByName) {
  const std::string table = "word:string,n:int\nçay,1\n";
  const Refusal cases[] = {
      {"table cell", "word:string\nçay\nжук\n", "",
       "line 3: the code page 1254 cannot hold the character \"ж\" (U+0436)"},
      {"quoted cell over lines", "word:string\n\"a\nb\",\n😀\n", "",
       "line 4: the code page 1254 cannot hold the character \"😀\" (U+1F600)"},
      {"header", "sözcük€:string\nçay\nα\n", "",
       "line 3: the code page 1254 cannot hold the character \"α\" (U+03B1)"},
      {"bytes that are no UTF-8", "word:string\nçay\n\xFF\n", "", "line 3: not UTF-8 text (byte 0xFF)"},
      {"truncated character", "word:string\n\xC5", "", "line 2: not UTF-8 text (byte 0xC5)"},
      {"located text", table, "dump\nlocate word \"ж\"\n",
       "dcdrive: ops:2: the code page 1254 cannot hold the character \"ж\" (U+0436)\n"},
      {"located bare word", table, "locate word жук\n",
       "dcdrive: ops:1: the code page 1254 cannot hold the character \"ж\" (U+0436)\n"},
      {"escaped in a literal", table, "filter word = \"\\u0436\"\n",
       "dcdrive: ops:1: the code page 1254 cannot hold the character \"ж\" (U+0436)\n"},
      {"in a list", table, "filter word in \"çay\" \"ж\"\n",
       "dcdrive: ops:1: the code page 1254 cannot hold the character \"ж\" (U+0436)\n"},
      {"column name", table, "sort жук asc\n",
       "dcdrive: ops:1: the code page 1254 cannot hold the character \"ж\" (U+0436)\n"},
      {"edited value", table, "focusrow 0\nedit\nsetvalue word \"жук\"\n",
       "dcdrive: ops:3: the code page 1254 cannot hold the character \"ж\" (U+0436)\n"},
  };
  for (const Refusal& c : cases)
    ExpectRefusal(c);
}

// Key fields and grid mode belong to the controller of a query: over a table they are bad input.
TEST_F(Dcdrive, TheQueryControllersOperationsAreRefusedOverATable) {
  const std::string table = "a:int\n1\n";
  const Refusal cases[] = {
      {"key fields", table, "keyfields a\n", "dcdrive: ops:1: keyfields needs a query (--sqlite)\n"},
      {"grid mode", table, "gridmode on 10\n", "dcdrive: ops:1: gridmode needs a query (--sqlite)\n"},
      {"grid mode of another word", table, "gridmode maybe\n",
       "dcdrive: ops:1: gridmode on|off [BUFFERCOUNT]\n"},
  };
  for (const Refusal& c : cases)
    ExpectRefusal(c);
}

// A number its column's type cannot hold is refused like any other malformed value, never left to overflow.
TEST_F(Dcdrive, NumbersTheirTypeCannotHoldAreBadInput) {
  const std::string money = "p:currency\n1\n";
  const Refusal cases[] = {
      {"currency cell", "p:currency\n1e300\n", "", "not a currency: '1e300'"},
      {"negative currency cell", "p:currency\n-1e15\n", "", "not a currency: '-1e15'"},
      {"int cell with a tail", "n:int\n1x\n", "", "not a int: '1x'"},
      {"int cell past 32 bits", "n:int\n2147483648\n", "", "not a int: '2147483648'"},
      {"float cell past a double", "f:float\n1e999\n", "", "not a float: '1e999'"},
      {"whole literal", money, "filter p = 1000000000000000000\n",
       "dcdrive: ops:1: not a currency: '1000000000000000000'\n"},
      {"negative whole literal", money, "filter p = -922337203685478\n",
       "dcdrive: ops:1: not a currency: '-922337203685478'\n"},
      {"real literal", money, "filter p in 1 1e300\n", "dcdrive: ops:1: not a currency: '1e+300'\n"},
      {"text literal", money, "focusrow 0\nedit\nsetvalue p \"1e300\"\n",
       "dcdrive: ops:3: not a currency: '1e300'\n"},
      {"largest whole literal", money, "filter p = 922337203685477\n", ""},
      {"literal past 64 bits for a currency", money, "focusrow 0\nedit\nsetvalue p 18446744073709551615\n",
       "dcdrive: ops:3: not a currency: '18446744073709551615'\n"},
      {"literal past 64 bits for an int", "n:int\n-1\n", "filter n = 18446744073709551615\n",
       "dcdrive: ops:1: not a int: '18446744073709551615'\n"},
      {"literal past 32 bits for an int", "n:int\n1\n", "focusrow 0\nedit\nsetvalue n 5000000000\n",
       "dcdrive: ops:3: not a int: '5000000000'\n"},
      {"negative literal past 32 bits in a filter", "n:int\n1\n", "filter n between 0 -2147483649\n",
       "dcdrive: ops:1: not a int: '-2147483649'\n"},
      {"fraction for an int", "n:int\n1\n", "filter n in 1 4.5\n", "dcdrive: ops:1: not a int: '4.5'\n"},
      {"literal past 64 bits for a date", "d:date\n2024-01-02\n", "filter d = 18446744073709551615\n",
       "dcdrive: ops:1: not a date: '18446744073709551615'\n"},
      {"literal past 64 bits for a float", "f:float\n1\n", "filter f = 18446744073709551615\n", ""},
      {"smallest int literal", "n:int\n1\n", "filter n = -2147483648\n", ""},
  };
  for (const Refusal& c : cases)
    ExpectRefusal(c);
}

class DcdriveQuery : public Dcdrive {
protected:
  void SetUp() override {
    FPath = (std::filesystem::temp_directory_path() /
             ("dcdrive_test_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db"))
                .string();
    std::filesystem::remove(FPath);
    Exec("CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT NOT NULL UNIQUE);"
         "INSERT INTO words VALUES (1, 'şeker'), (2, 'çay'), (3, 'ğoma');");
  }
  void TearDown() override { std::filesystem::remove(FPath); }

  void Exec(const std::string& ASQL) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(FPath.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, ASQL.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }

  // The words as the file holds them, by id.
  std::string Words() {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    std::string words;
    if (sqlite3_open(FPath.c_str(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT word FROM words ORDER BY id", -1, &stmt, nullptr) == SQLITE_OK)
      while (sqlite3_step(stmt) == SQLITE_ROW)
        words += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) + ";";
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return words;
  }

  // The first value ASQL reads from the file, as text.
  std::string Text(const std::string& ASQL) {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    std::string text = "<none>";
    if (sqlite3_open(FPath.c_str(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, ASQL.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
      text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return text;
  }

  std::string FPath;
};

// The SQL text, the values an edit writes and what comes back are the same Turkish text in the file as in the
// driver's UTF-8 input and output.
TEST_F(DcdriveQuery, TurkishTextIsTheSameInTheFile) {
  Driver driver;
  driver.LoadQuery(FPath, "SELECT id, word FROM words WHERE word <> 'şeker' ORDER BY id");
  std::ostringstream out, err;
  int exit = dcdrive::RunOperations(driver,
                                    "dump\n"
                                    "locate word \"ğ\"\n"
                                    "edit\n"
                                    "setvalue word \"çay\"\n"
                                    "post\n"
                                    "setvalue word \"ğomalar\"\n"
                                    "post\n"
                                    "group word\n"
                                    "dump\n",
                                    "ops", out, err);
  EXPECT_EQ(exit, 0) << err.str();
  std::istringstream lines(out.str());
  std::string line;
  std::vector<dcdrive::json> results;
  while (std::getline(lines, line))
    results.push_back(dcdrive::json::parse(line));
  ASSERT_EQ(results.size(), 7u) << out.str();
  EXPECT_EQ(results[0]["recordCount"], 2);
  EXPECT_EQ(results[1]["result"], true);
  EXPECT_EQ(results[4]["error"],
            "Update of a row of table 'words' failed: UNIQUE constraint failed: words.word");
  EXPECT_EQ(results[6]["groups"][1]["value"], "ğomalar");
  EXPECT_EQ(Words(), "şeker;çay;ğomalar;");
}

// An edit or a delete reaches exactly the row it was read from, though the other row's key reads the same
// once converted: a text the code page cannot hold, bytes that are no UTF-8, a blob in a text key, a date
// written in another form, more decimals than a time keeps, a truth value other than 1. A row gone since it
// was read is not looked for by its converted key either: the post is refused and nothing changes. What the
// file holds afterwards is compared with the same table changed by rowid.
TEST_F(DcdriveQuery, WritesReachExactlyTheRowTheyWereReadFrom) {
  struct Case {
    const char* Name;
    std::string Decl, First, Second;
  };
  const Case cases[] = {
      {"outside the code page", "TEXT", "'ж'", "'?'"},
      {"no UTF-8", "TEXT", "CAST(x'ff' AS TEXT)", "'?'"},
      {"a blob in a text key", "TEXT", "x'e7'", "'ç'"},
      {"a date with its time", "DATE", "'2024-01-02 00:00:00'", "'2024-01-02'"},
      {"a date without zeros", "DATE", "'2024-1-2'", "'2024-01-02'"},
      {"a Julian day", "DATE", "2460312", "'2024-01-02'"},
      {"four decimals", "DATETIME", "'2024-01-02 10:00:00.1234'", "'2024-01-02 10:00:00.123'"},
      {"a true other than 1", "BOOLEAN", "2", "1"},
  };
  struct Write {
    const char* Name;
    std::string Ops, Expected, Error;
    bool RowGone;
  };
  const Write writes[] = {
      {"edit", "focusrow 0\nedit\nsetvalue v \"CHANGED\"\npost\n",
       "UPDATE t SET v = 'CHANGED' WHERE rowid = 1", "", false},
      {"delete", "focusrow 0\ndeletefocused\n", "DELETE FROM t WHERE rowid = 1", "", false},
      {"edit of a row gone", "focusrow 0\nedit\nsetvalue v \"CHANGED\"\npost\n",
       "DELETE FROM t WHERE rowid = 1",
       "Update of a row of table 't' failed: the row was not found by its key; another user may have changed "
       "or deleted it",
       true},
  };
  const std::string dump = "SELECT group_concat(typeof(k) || ':' || hex(k) || ':' || v, ' ') FROM "
                           "(SELECT k, v FROM t ORDER BY rowid)";
  for (const Case& c : cases)
    for (const Write& w : writes) {
      SCOPED_TRACE(std::string(c.Name) + ", " + w.Name);
      const std::string table = "DROP TABLE IF EXISTS t; CREATE TABLE t (k " + c.Decl +
                                " PRIMARY KEY, v TEXT);" + "INSERT INTO t VALUES (" + c.First +
                                ", 'one'), (" + c.Second + ", 'two');";
      Exec(table + w.Expected);
      const std::string expected = Text(dump);
      Exec(table);
      Driver driver;
      driver.LoadQuery(FPath, "SELECT k, v FROM t ORDER BY rowid");
      if (w.RowGone)
        Exec("DELETE FROM t WHERE rowid = 1");
      std::ostringstream out, err;
      EXPECT_EQ(dcdrive::RunOperations(driver, w.Ops, "ops", out, err), 0) << err.str();
      std::string errors;
      std::istringstream lines(out.str());
      for (std::string line; std::getline(lines, line);)
        if (dcdrive::json::parse(line).contains("error"))
          errors += dcdrive::json::parse(line)["error"].get<std::string>();
      EXPECT_EQ(errors, w.Error);
      EXPECT_EQ(Text(dump), expected);
    }
}

TEST_F(DcdriveQuery, SqlTextTheCodePageCannotHoldIsRefusedByName) {
  Driver driver;
  try {
    driver.LoadQuery(FPath, "SELECT id, word FROM words WHERE word <> 'жук'");
    FAIL() << "the query was read";
  } catch (const BadInput& e) {
    EXPECT_STREQ(e.what(), "the SQL text: the code page 1254 cannot hold the character \"ж\" (U+0436)");
  }
}

} // namespace
