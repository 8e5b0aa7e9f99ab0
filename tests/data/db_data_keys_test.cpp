// Keys that do not tell records apart: values the dataset reads only approximately (Laz letters outside the
// code page, integers past a double's precision) and keys that are simply equal. A write reaches the record
// the view shows, and a key that cannot name one record is refused, saying why.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/data/db_test_util.h"

namespace {

using Strings = std::vector<std::string>;

enum { kKey, kValue };

void InitUnits() {
  cxDBFilterInitialize();
  if (!DetailFilterAdapters())
    cxDBDataUnit.Initialization();
  RegisterSQLiteQueryProperties();
}

// The first column of every row ASelect reads from the database, as text.
Strings FirstColumn(TSQLiteConnection& AConnection, const std::string& ASelect) {
  Strings values;
  TSQLiteQuery q(nullptr);
  q.SetConnection(&AConnection);
  q.SetSQL(ASelect);
  q.Open();
  for (; !q.Eof(); q.Next())
    values.push_back(VarToStr(q.Fields(0)->Value()));
  return values;
}

// An in-memory dataset that keeps no bookmarks, as a dataset may: records are reached by key alone.
class NoBookmarks : public TMemDataSet {
public:
  using TMemDataSet::TMemDataSet;
  bool BookmarkValid(const TBookmarkStr&) override { return false; }
};

// Three records (k, v) ordered by v: "a" and "b" read the same key, "c" another. ASetup makes a SQLite table
// t of them, or they are loaded into the in-memory dataset AMemory.
struct Keys {
  Keys(const std::string& ASetup, const std::string& ASelect, TMemDataSet* AMemory) {
    if (AMemory) {
      ds.reset(AMemory);
    } else {
      ds.reset(dbtest::MemoryQuery(conn, ASetup, ASelect));
      sqlite = true;
    }
    source.SetDataSet(ds.get());
    dc.SetDataSource(&source);
    dc.ChangeFieldName(kKey, "k");
    dc.ChangeFieldName(kValue, "v");
    ds->Open();
    dc.SetKeyFieldNames("k");
  }
  // Every v the table (or the dataset) holds, in order.
  Strings Stored() {
    Strings values;
    if (sqlite) {
      values = FirstColumn(conn, "SELECT v FROM t");
    } else {
      // Walked by number: a dataset may keep no bookmarks to come back to.
      int at = ds->RecNo();
      ds->DisableControls();
      for (ds->First(); !ds->Eof(); ds->Next())
        values.push_back(VarToStr(ds->FieldByName("v")->Value()));
      if (at > 0)
        ds->SetRecNo(at);
      ds->EnableControls();
    }
    std::sort(values.begin(), values.end());
    return values;
  }
  std::string Shown(int ARow) { return VarToStr(dc.GetValue(dc.GetRowInfo(ARow).RecordIndex, kValue)); }
  std::string Current() { return VarToStr(ds->FieldByName("v")->Value()); }

  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  bool sqlite = false;
  TDataSource source{nullptr};
  dbtest::ItemsController dc{2};
};

// The three records (k, v) in an in-memory dataset of class DataSet.
template <class DataSet> TMemDataSet* MemoryKeys(const char* AKey1, const char* AKey2) {
  auto* m = new DataSet(nullptr);
  m->AddFieldDef("k", ftString, 10);
  m->AddFieldDef("v", ftString, 10);
  m->AddRow({AKey1, "a"});
  m->AddRow({AKey2, "b"});
  m->AddRow({"ev", "c"});
  return m;
}

struct KeysCase {
  const char* Name;
  std::string Setup, Select;
  std::function<TMemDataSet*()> Memory;
};

const KeysCase kSameKeys[] = {
    {"Laz letters outside the code page",
     "CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT);"
     "INSERT INTO t VALUES (char(489) || 'oci', 'a'), (char(495) || 'oci', 'b'), ('ev', 'c');",
     "SELECT k, v FROM t ORDER BY v", nullptr},
    {"integers past a double's precision",
     "CREATE TABLE t (k NUMERIC PRIMARY KEY, v TEXT);"
     "INSERT INTO t VALUES (9007199254740992, 'a'), (9007199254740993, 'b'), (5, 'c');",
     "SELECT k, v FROM t ORDER BY v", nullptr},
    {"equal keys, the table's own key another",
     "CREATE TABLE t (id INTEGER PRIMARY KEY, k TEXT, v TEXT);"
     "INSERT INTO t VALUES (1, 'oci', 'a'), (2, 'oci', 'b'), (3, 'ev', 'c');",
     "SELECT id, k, v FROM t ORDER BY v", nullptr},
    {"equal keys in memory", "", "", [] { return MemoryKeys<TMemDataSet>("oci", "oci"); }},
};

class DBDataKeys : public ::testing::Test {
protected:
  static void SetUpTestSuite() { InitUnits(); }
};

TEST_F(DBDataKeys, AWriteReachesTheRecordItsRowShowsWhereKeysReadTheSame) {
  for (const KeysCase& c : kSameKeys)
    for (bool smart : {false, true})
      for (bool selection : {false, true}) {
        SCOPED_TRACE(std::string(c.Name) + (smart ? ", smart refresh" : "") +
                     (selection ? ", deleting the selection" : ", deleting the focused row"));
        Keys k(c.Setup, c.Select, c.Memory ? c.Memory() : nullptr);
        k.dc.DataModeController().SetSmartRefresh(smart);
        ASSERT_EQ(k.dc.GetRowCount(), 3);
        ASSERT_TRUE(SameKeyValues(k.dc.GetRecordId(0), k.dc.GetRecordId(1))) << "the keys read the same";

        for (int row : {1, 0, 2, 1}) {
          ASSERT_TRUE(k.dc.ChangeFocusedRowIndex(row));
          EXPECT_EQ(k.Current(), k.Shown(row)) << "the dataset stands on the record of row " << row;
        }
        k.dc.Edit();
        ASSERT_TRUE(k.dc.SetEditValue(kValue, "bb", evsValue));
        k.dc.Post();
        EXPECT_EQ(k.Stored(), Strings({"a", "bb", "c"}));
        EXPECT_EQ(k.Shown(1), "bb");

        ASSERT_TRUE(k.dc.ChangeFocusedRowIndex(1));
        if (selection) {
          k.dc.SetMultiSelect(true);
          k.dc.ClearSelection();
          k.dc.ChangeRowSelection(1, true);
          k.dc.DeleteSelection();
        } else {
          k.dc.DeleteFocused();
        }
        EXPECT_EQ(k.Stored(), Strings({"a", "c"}));
      }
}

// Without bookmarks only the key reaches a record: where another record reads it too, the controller says so
// and writes nothing; a key of its own still reaches its record.
TEST_F(DBDataKeys, WithoutBookmarksAKeyOtherRecordsReadTooIsRefused) {
  Keys k("", "", MemoryKeys<NoBookmarks>("oci", "oci"));
  ASSERT_TRUE(k.dc.ChangeFocusedRowIndex(2));
  EXPECT_EQ(k.Current(), "c");
  for (int row : {1, 0}) {
    try {
      k.dc.ChangeFocusedRowIndex(row);
      ADD_FAILURE() << "the focus moved to a record its key cannot reach";
    } catch (const EcxInvalidDataControllerOperation& e) {
      EXPECT_STREQ(e.what(),
                   "Records 0 and 1 read the same key (k): the key cannot tell which of them is meant");
    }
    EXPECT_EQ(k.dc.GetFocusedRowIndex(), 2);
    EXPECT_EQ(k.Current(), "c");
  }
  k.dc.SetMultiSelect(true);
  k.dc.ChangeRowSelection(0, true);
  k.dc.ChangeRowSelection(2, true);
  EXPECT_THROW(k.dc.DeleteSelection(), EcxInvalidDataControllerOperation);
  EXPECT_EQ(k.Stored(), Strings({"a", "b", "c"}))
      << "nothing is deleted, not even the record its key reaches";
  k.dc.SetMultiSelect(false);

  // A key of its own still reaches its record.
  k.dc.Edit();
  ASSERT_TRUE(k.dc.SetEditValue(kValue, "cc", evsValue));
  k.dc.Post();
  EXPECT_EQ(k.Stored(), Strings({"a", "b", "cc"}));
}

// Words keyed by text (k, word) and their forms (id, wk, form) in one database: the first two words' keys
// have Laz letters and read the same, "?oci" is a word of its own, and "ev" has an ordinary key.
struct LazWords {
  LazWords() {
    conn.FileName = ":memory:";
    conn.Open();
    conn.ExecSQL("CREATE TABLE words (k TEXT PRIMARY KEY, word TEXT);"
                 "INSERT INTO words VALUES (char(489) || 'oci', 'first'), (char(495) || 'oci', 'second'),"
                 " ('?oci', 'literal'), ('ev', 'house');"
                 "CREATE TABLE forms (id INTEGER PRIMARY KEY, wk TEXT, form TEXT);"
                 "INSERT INTO forms VALUES (1, char(489) || 'oci', 'f1'), (2, char(495) || 'oci', 'f2'),"
                 " (3, '?oci', 'f3'), (4, 'ev', 'f4');");
    words.SetConnection(&conn);
    words.SetSQL("SELECT k, word FROM words ORDER BY word");
    forms.SetConnection(&conn);
    forms.SetSQL("SELECT id, wk, form FROM forms ORDER BY id");
    wordSource.SetDataSet(&words);
    formSource.SetDataSet(&forms);
    master.SetDataSource(&wordSource);
    master.ChangeFieldName(0, "k");
    master.ChangeFieldName(1, "word");
    words.Open();
    detail.SetDataSource(&formSource);
    detail.ChangeFieldName(0, "id");
    detail.ChangeFieldName(1, "form");
    detail.SetDetailKeyFieldNames("wk");
    detail.SetMasterKeyFieldNames("k");
    forms.Open();
    relation = master.Relations().Add(master.Items[1].get());
  }
  // The master's record of AWord.
  int Word(const std::string& AWord) {
    for (int r = 0; r < master.GetRecordCount(); ++r)
      if (VarToStr(master.GetValue(r, 1)) == AWord)
        return r;
    return -1;
  }
  Strings Shown() {
    Strings shown;
    for (int r = 0; r < detail.GetRecordCount(); ++r)
      shown.push_back(VarToStr(detail.GetValue(r, 1)));
    return shown;
  }
  // Every form as "id:form" with its key's text in UTF-8, as the table holds it.
  Strings Stored() {
    return FirstColumn(conn, "SELECT id || ':' || form || ':' || hex(wk) FROM forms ORDER BY id");
  }

  TSQLiteConnection conn{nullptr};
  TSQLiteQuery words{nullptr}, forms{nullptr};
  TDataSource wordSource{nullptr}, formSource{nullptr};
  dbtest::ItemsController master{2}, detail{2};
  TcxCustomDataRelation* relation = nullptr;
};

// A master key the dataset read only approximately names no master record: its detail shows none of the
// records of the words that read alike, and stores nothing under a key no word holds. Detail records whose
// own key was read approximately belong to no word that reads exactly.
TEST_F(DBDataKeys, AKeyReadOnlyApproximatelyNamesNoDetailRecords) {
  const struct {
    const char* Name;
    std::function<void(LazWords&, int)> Hang;
  } ways[] = {
      {"through a relation", [](LazWords& w, int r) { w.detail.SetMasterRelation(w.relation, r); }},
      {"by the master record", [](LazWords& w, int r) { w.detail.SetMasterRecord(&w.master, r); }},
  };
  for (const auto& way : ways)
    for (bool keyed : {false, true}) {
      SCOPED_TRACE(std::string(way.Name) + (keyed ? ", the master keyed" : ""));
      LazWords w;
      if (keyed)
        w.master.SetKeyFieldNames("k");
      const Strings stored = w.Stored();
      for (const char* word : {"first", "second"}) {
        SCOPED_TRACE(word);
        way.Hang(w, w.Word(word));
        EXPECT_EQ(w.Shown(), Strings());
        const char* refusal = "Field 'k' of the master record holds a value the dataset read only "
                              "approximately: other values read the same, so it cannot name the master's "
                              "detail records";
        EXPECT_EQ(w.detail.MasterKeyRefusal(), refusal);
        try {
          w.detail.Append();
          w.detail.SetEditValue(0, 9, evsValue);
          w.detail.SetEditValue(1, "f9", evsValue);
          w.detail.Post();
          ADD_FAILURE() << "a form was added under the key the word reads as";
        } catch (const EcxInvalidDataControllerOperation& e) {
          EXPECT_STREQ(e.what(), refusal);
        }
        EXPECT_EQ(w.detail.GetEditState(), 0);
        EXPECT_EQ(w.forms.State(), dsBrowse);
        EXPECT_EQ(w.Stored(), stored);
      }

      way.Hang(w, w.Word("literal"));
      EXPECT_EQ(w.detail.MasterKeyRefusal(), "");
      EXPECT_EQ(w.Shown(), Strings({"f3"})) << "not the forms of the words whose keys read as it";
      way.Hang(w, w.Word("house"));
      EXPECT_EQ(w.Shown(), Strings({"f4"}));
      w.detail.Append();
      ASSERT_TRUE(w.detail.SetEditValue(0, 5, evsValue));
      ASSERT_TRUE(w.detail.SetEditValue(1, "f5", evsValue));
      w.detail.Post();
      Strings added = stored;
      added.push_back("5:f5:6576");
      EXPECT_EQ(w.Stored(), added);
      EXPECT_EQ(w.Shown(), Strings({"f4", "f5"}));
    }
}

// A master follows its detail to the record the detail hangs from, or, given a key alone, to the record that
// holds it exactly, never to one whose key only reads as it.
TEST_F(DBDataKeys, AMasterFollowsItsDetailToTheRecordThatHoldsItsKey) {
  for (bool related : {true, false}) {
    SCOPED_TRACE(related ? "hanging from a master record" : "given the key");
    LazWords w;
    if (related)
      w.detail.SetMasterRelation(w.relation, w.Word("literal"));
    else
      w.detail.SetMasterKeyValues("?oci");
    ASSERT_EQ(w.Shown(), Strings({"f3"}));
    for (const char* from : {"house", "first", "second"}) {
      SCOPED_TRACE(from);
      ASSERT_TRUE(w.master.ChangeFocusedRecordIndex(w.Word(from)));
      EXPECT_TRUE(w.detail.SyncMaster(&w.master));
      EXPECT_EQ(w.master.GetFocusedRecordIndex(), w.Word("literal"));
      EXPECT_EQ(VarToStr(w.words.FieldByName("word")->Value()), "literal");
    }
  }
}

} // namespace
