// An error that quotes its input quotes the start of it, not all of it: a huge value, field name, filter or
// SQL text must not travel whole inside the message a user is shown.
#include <functional>
#include <string>
#include <vector>

#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

const AnsiString Huge(100000, 'q');

struct Rows {
  Rows() {
    ds.AddFieldDef("ID", ftInteger);
    ds.AddFieldDef("On", ftBoolean);
    ds.AddRow({1, true});
    ds.Open();
  }
  TMemDataSet ds{nullptr};
};

TEST(BoundedMessages, ErrorsQuoteTheStartOfAHugeInput) {
  struct Case {
    const char* name;
    std::function<void()> run;
  } cases[] = {
      {"integer field given a text",
       [] {
         Rows r;
         r.ds.Edit();
         r.ds.FieldByName("ID")->SetAsString(Huge);
       }},
      {"boolean field given a text",
       [] {
         Rows r;
         r.ds.Edit();
         r.ds.FieldByName("On")->SetAsString(Huge);
       }},
      {"row given a text for a number",
       [] {
         TMemDataSet ds(nullptr);
         ds.AddFieldDef("ID", ftInteger);
         ds.AddRow({Huge});
         ds.Open();
         (void)ds.FieldByName("ID")->AsInteger();
       }},
      {"unknown field", [] { Rows().ds.FieldByName(Huge); }},
      {"filter naming an unknown field", [] { Rows().ds.SetFilter(Huge + " = 1"); }},
      {"filter with a stray word", [] { Rows().ds.SetFilter("ID = 1 " + Huge); }},
      {"filter that ends early", [] { Rows().ds.SetFilter("ID IN (" + Huge); }},
      {"SQL naming an unknown column",
       [] {
         TSQLiteConnection conn(nullptr);
         conn.FileName = ":memory:";
         conn.ExecSQL("SELECT " + Huge);
       }},
      {"query naming an unknown column",
       [] {
         TSQLiteConnection conn(nullptr);
         conn.FileName = ":memory:";
         TSQLiteQuery query(nullptr);
         query.SetConnection(&conn);
         query.SetSQL("SELECT " + Huge);
         query.Open();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.run();
      ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
      std::string message = e.what();
      EXPECT_LT(message.size(), 1000u) << message.substr(0, 300);
      EXPECT_NE(message.find(AnsiString(100, 'q')), std::string::npos) << "the start is quoted: " << message;
    }
  }
}

} // namespace

namespace {

// SQLite words its errors in UTF-8; the message a dataset raises is in the code page like every other text.
TEST(BoundedMessages, SQLiteErrorsAreInTheCodePage) {
  const AnsiString word = Utf8ToAnsi("sözcük");
  TSQLiteConnection conn(nullptr);
  conn.FileName = ":memory:";
  TSQLiteQuery query(nullptr);
  query.SetConnection(&conn);
  query.SetSQL("SELECT " + word);
  for (const auto& run :
       std::vector<std::function<void()>>{[&] { query.Open(); }, [&] { conn.ExecSQL("SELECT " + word); }}) {
    EXPECT_TRUE(dbtest::RaisesDatabaseError([&] { run(); }, "no such column: " + word));
  }
}

} // namespace
