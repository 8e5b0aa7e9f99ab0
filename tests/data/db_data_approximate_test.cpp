// A word the dataset holds only approximately, edited through a controller as an editor edits it: the
// change of that word is refused and nothing is written, the change of another column of its record posts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/cxDBData.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/data/db_test_util.h"

namespace {

enum { kId, kWord, kLaz };

struct Words {
  explicit Words(bool ASQLite) : SQLite(ASQLite) {
    if (SQLite) {
      // The word is given in UTF-8 bytes, as the connection takes its SQL in the code page.
      ds.reset(
          dbtest::MemoryQuery(conn,
                              "CREATE TABLE w (id INTEGER PRIMARY KEY, word TEXT, laz TEXT);"
                              "INSERT INTO w VALUES (1, CAST(x'C7A96FC3A76920D0BCD0B8D180' AS TEXT), 'a'),"
                              " (2, 'ev', 'b')",
                              "SELECT id, word, laz FROM w ORDER BY id"));
    } else {
      auto* m = new TMemDataSet(nullptr);
      m->AddFieldDef("id", ftInteger);
      m->AddFieldDef("word", ftString, 20);
      m->AddFieldDef("laz", ftString, 20);
      m->AddRow({1, Variant(u"ǩoçi мир"), "a"});
      m->AddRow({2, "ev", "b"});
      ds.reset(m);
    }
    source.SetDataSet(ds.get());
    dc.SetDataSource(&source);
    dc.ChangeFieldName(kId, "id");
    dc.ChangeFieldName(kWord, "word");
    dc.ChangeFieldName(kLaz, "laz");
    ds->Open();
  }

  // "word:laz" by id, as the table holds them (in hexadecimal for the query, whose words are UTF-8).
  std::string Stored() {
    std::string all;
    if (SQLite) {
      TSQLiteQuery probe(nullptr);
      probe.SetConnection(&conn);
      probe.SetSQL("SELECT group_concat(hex(word) || ':' || laz, ' ') FROM w");
      probe.Open();
      return probe.Fields(0)->AsString();
    }
    ds->First();
    while (!ds->Eof()) {
      all += (all.empty() ? "" : " ") + ds->FieldByName("word")->AsString() + ":" +
             ds->FieldByName("laz")->AsString();
      ds->Next();
    }
    return all;
  }

  bool SQLite;
  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
  dbtest::ItemsController dc{3};
};

class DBDataApproximate : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() {
    if (!DetailFilterAdapters())
      cxDBDataUnit.Initialization();
  }
};

TEST_P(DBDataApproximate, AnEditOfTheWordIsRefusedAnEditOfItsRecordPosts) {
  Words w(GetParam());
  ASSERT_TRUE(w.dc.ChangeFocusedRowIndex(0));
  const std::string shown = VarToStr(w.dc.GetValue(w.dc.GetFocusedRecordIndex(), kWord));
  EXPECT_EQ(shown, "?o\xE7i ???");
  w.dc.Edit();
  try {
    w.dc.SetEditValue(kWord, Variant(shown + " (fixed)"), evsValue);
    ADD_FAILURE() << "the approximate word was taken";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("Field 'word' cannot be modified"), std::string::npos) << e.what();
  }
  ASSERT_TRUE(w.dc.SetEditValue(kLaz, "z", evsValue));
  ASSERT_NO_THROW(w.dc.Post());
  const std::string word = GetParam() ? "C7A96FC3A76920D0BCD0B8D180" : "?o\xE7i ???";
  EXPECT_EQ(w.Stored(), word + ":z " + (GetParam() ? "6576" : "ev") + ":b");

  ASSERT_TRUE(w.dc.ChangeFocusedRowIndex(1));
  w.dc.Edit();
  ASSERT_TRUE(w.dc.SetEditValue(kWord, "ev (fixed)", evsValue));
  ASSERT_NO_THROW(w.dc.Post());
  EXPECT_EQ(VarToStr(w.dc.GetValue(w.dc.GetFocusedRecordIndex(), kWord)), "ev (fixed)");
}

INSTANTIATE_TEST_SUITE_P(BothDataSets, DBDataApproximate, ::testing::Values(false, true),
                         [](const auto& AInfo) { return AInfo.param ? "SQLite" : "Memory"; });

} // namespace
