// Writes through a dataset controller: each reaches the dataset, also the first record of an empty one and
// through a grouped, sorted or filtered view, and the view shows the dataset's rows afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/data/db_test_util.h"

namespace {

using dbtest::ItemsController;

enum { kId, kGrp, kWord };

// Four rows (id, grp, word), or none, in a table of a database in memory or in an in-memory dataset.
struct Table {
  explicit Table(bool ASQLite, bool AEmpty = false) : SQLite(ASQLite) {
    if (SQLite) {
      ds.reset(
          dbtest::MemoryQuery(conn,
                              std::string("CREATE TABLE t (id INTEGER PRIMARY KEY, grp TEXT, word TEXT);") +
                                  (AEmpty ? ""
                                          : "INSERT INTO t VALUES (1, 'a', 'x'), (2, 'a', 'y'),"
                                            " (3, 'b', 'z'), (4, 'b', 'w');"),
                              "SELECT id, grp, word FROM t ORDER BY id"));
    } else {
      auto* m = new TMemDataSet(nullptr);
      m->AddFieldDef("id", ftInteger);
      m->AddFieldDef("grp", ftString, 10);
      m->AddFieldDef("word", ftString, 10);
      if (!AEmpty) {
        m->AddRow({1, "a", "x"});
        m->AddRow({2, "a", "y"});
        m->AddRow({3, "b", "z"});
        m->AddRow({4, "b", "w"});
      }
      ds.reset(m);
    }
    source.SetDataSet(ds.get());
    dc.SetDataSource(&source);
    dc.ChangeFieldName(kId, "id");
    dc.ChangeFieldName(kGrp, "grp");
    dc.ChangeFieldName(kWord, "word");
    ds->Open();
  }

  // What the dataset holds, as "id:grp:word" by id; the table itself for the query.
  std::vector<std::string> Stored() {
    return dbtest::RowsAsText(SQLite ? &conn : nullptr, "SELECT id, grp, word FROM t ORDER BY id", *ds,
                              {"id", "grp", "word"});
  }

  // The view's rows: a group row as [value], a data row as its word.
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    int levels = dc.View().GroupingFieldList().Count();
    for (int r = 0; r < dc.GetRowCount(); ++r) {
      TcxRowInfo info = dc.GetRowInfo(r);
      if (levels > 0 && info.Level < levels)
        rows.push_back("[" + VarToStr(dc.GetValue(info.RecordIndex, kGrp)) + "]");
      else
        rows.push_back(VarToStr(dc.GetValue(info.RecordIndex, kWord)));
    }
    return rows;
  }
  // The row that shows the record of AId; -1 when none does.
  int RowOfId(int AId) {
    for (int r = 0; r < dc.GetRowCount(); ++r)
      if (VarToStr(dc.GetValue(dc.GetRowInfo(r).RecordIndex, kId)) == std::to_string(AId))
        return r;
    return -1;
  }
  std::string CurrentId() { return VarToStr(ds->FieldByName("id")->Value()); }
  int RowOf(const std::string& AWord) {
    std::vector<std::string> rows = Rows();
    for (std::size_t r = 0; r < rows.size(); ++r)
      if (rows[r] == AWord)
        return int(r);
    return -1;
  }

  bool SQLite;
  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
  ItemsController dc{3};
};

void InitUnits() {
  cxDBFilterInitialize();
  if (!DetailFilterAdapters())
    cxDBDataUnit.Initialization();
}

class DBDataWrites : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() { InitUnits(); }
};

using Strings = std::vector<std::string>;

TEST_P(DBDataWrites, AnEditAnInsertAndADeleteEachReachTheDataSetAndLeaveTheViewUsable) {
  const struct {
    const char* Name;
    std::function<void(Table&)> Shape;
    Strings Start, Edited, Inserted, Deleted;
  } cases[] = {
      {"grouped, expanded",
       [](Table& t) {
         t.dc.ChangeGroupIndex(kGrp, 0);
         t.dc.FullExpand();
       },
       {"[a]", "x", "y", "[b]", "z", "w"},
       {"[a]", "x", "q", "[b]", "z", "w"},
       {"[a]", "x", "q", "[b]", "z", "w", "n"},
       {"[a]", "x", "q", "[b]", "w", "n"}},
      {"grouped, groups selected",
       [](Table& t) {
         t.dc.ChangeGroupIndex(kGrp, 0);
         t.dc.FullExpand();
         t.dc.SetMultiSelect(true);
         t.dc.ChangeRowSelection(0, true);
         t.dc.ChangeRowSelection(3, true);
       },
       {"[a]", "x", "y", "[b]", "z", "w"},
       {"[a]", "x", "q", "[b]", "z", "w"},
       {"[a]", "x", "q", "[b]", "z", "w", "n"},
       {"[a]", "x", "q", "[b]", "w", "n"}},
      {"sorted",
       [](Table& t) { t.dc.ChangeSorting(kWord, soDescending); },
       {"z", "y", "x", "w"},
       {"z", "x", "w", "q"},
       {"z", "x", "w", "q", "n"},
       {"x", "w", "q", "n"}},
      {"filtered",
       [](Table& t) {
         TcxDataFilterCriteria& filter = t.dc.Filter();
         filter.AddItem(filter.Root(), t.dc.TcxCustomDataController::GetItemField(kId), fokNotEqual, 1, "1");
         filter.SetActive(true);
       },
       {"y", "z", "w"},
       {"q", "z", "w"},
       {"q", "z", "w", "n"},
       {"q", "w", "n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Table t(GetParam());
    c.Shape(t);
    ASSERT_EQ(t.Rows(), c.Start);

    ASSERT_TRUE(t.dc.ChangeFocusedRowIndex(t.RowOf("y")));
    t.dc.Edit();
    ASSERT_TRUE(t.dc.SetEditValue(kWord, "q", evsValue));
    ASSERT_NO_THROW(t.dc.Post());
    EXPECT_EQ(t.Stored(), Strings({"1:a:x", "2:a:q", "3:b:z", "4:b:w"}));
    EXPECT_EQ(t.Rows(), c.Edited);

    ASSERT_NO_THROW(t.dc.Append());
    ASSERT_TRUE(t.dc.GetEditState() & dceInsert);
    ASSERT_TRUE(t.dc.SetEditValue(kId, 5, evsValue));
    ASSERT_TRUE(t.dc.SetEditValue(kGrp, "b", evsValue));
    ASSERT_TRUE(t.dc.SetEditValue(kWord, "n", evsValue));
    ASSERT_NO_THROW(t.dc.Post());
    EXPECT_EQ(t.Stored(), Strings({"1:a:x", "2:a:q", "3:b:z", "4:b:w", "5:b:n"}));
    EXPECT_EQ(t.Rows(), c.Inserted);

    ASSERT_TRUE(t.dc.ChangeFocusedRowIndex(t.RowOf("z")));
    ASSERT_NO_THROW(t.dc.DeleteFocused());
    EXPECT_EQ(t.Stored(), Strings({"1:a:x", "2:a:q", "4:b:w", "5:b:n"}));
    EXPECT_EQ(t.Rows(), c.Deleted);
    int focused = t.dc.GetFocusedRowIndex();
    ASSERT_GE(focused, 0);
    EXPECT_LT(focused, t.dc.GetRowCount());
  }
}

TEST_P(DBDataWrites, TheFirstRecordOfAnEmptyDataSetIsTakenAndStored) {
  const struct {
    const char* Name;
    bool StartsEmpty;
    std::function<void(Table&)> Empty;
    bool SQLiteOnly;
  } ways[] = {
      {"empty when opened", true, [](Table&) {}, false},
      {"emptied by the controller's deletes", false,
       [](Table& t) {
         while (t.dc.GetRowCount() > 0) {
           ASSERT_TRUE(t.dc.ChangeFocusedRowIndex(0));
           t.dc.DeleteFocused();
         }
       },
       false},
      {"emptied by another connection and a refresh", false,
       [](Table& t) {
         t.conn.ExecSQL("DELETE FROM t");
         t.ds->Refresh();
       },
       true},
      {"emptied and reopened", false,
       [](Table& t) {
         if (t.SQLite) {
           t.conn.ExecSQL("DELETE FROM t");
           t.ds->Close();
         } else {
           t.ds->Close();
           static_cast<TMemDataSet*>(t.ds.get())->ClearRows();
         }
         t.ds->Open();
       },
       false},
  };
  for (bool append : {true, false})
    for (const auto& w : ways) {
      if (w.SQLiteOnly && !GetParam())
        continue;
      SCOPED_TRACE(std::string(w.Name) + (append ? ", append" : ", insert"));
      Table t(GetParam(), w.StartsEmpty);
      w.Empty(t);
      ASSERT_EQ(t.dc.GetRecordCount(), 0);
      ASSERT_EQ(t.Stored(), Strings());

      append ? t.dc.Append() : t.dc.Insert();
      ASSERT_TRUE(t.dc.GetEditState() & dceInsert);
      ASSERT_NO_THROW({
        EXPECT_TRUE(t.dc.SetEditValue(kId, 7, evsValue));
        EXPECT_TRUE(t.dc.SetEditValue(kGrp, "a", evsValue));
        EXPECT_TRUE(t.dc.SetEditValue(kWord, "ev", evsValue));
      });
      t.dc.Post();
      EXPECT_EQ(t.dc.GetEditState(), 0);
      EXPECT_EQ(t.Stored(), Strings({"7:a:ev"}));
      EXPECT_EQ(t.Rows(), Strings({"ev"}));
      EXPECT_EQ(t.dc.GetFocusedRecordIndex(), 0);

      // The second record is taken the same way.
      t.dc.Append();
      ASSERT_TRUE(t.dc.SetEditValue(kId, 8, evsValue));
      ASSERT_TRUE(t.dc.SetEditValue(kWord, "oda", evsValue));
      t.dc.Post();
      EXPECT_EQ(t.Stored(), Strings({"7:a:ev", "8::oda"}));
    }
}

// Grouping rules grid mode's buffer out and ungrouping brings it back: each time the records are read again
// as the mode now reads them, so that a row is the record it shows, whichever way the new record came.
TEST_P(DBDataWrites, InGridModeGroupingAndUngroupingReadTheRecordsAgainSoWritesReachTheRowShown) {
  for (int buffer : {100, 2})
    for (bool append : {true, false}) {
      SCOPED_TRACE("a buffer of " + std::to_string(buffer) + (append ? ", append" : ", insert"));
      Table t(GetParam());
      t.dc.SetKeyFieldNames("id");
      t.dc.DataModeController().SetGridModeBufferCount(buffer);
      t.dc.DataModeController().SetGridMode(true);
      ASSERT_TRUE(t.dc.IsGridMode());
      t.dc.ChangeGroupIndex(kGrp, 0);
      ASSERT_FALSE(t.dc.IsGridMode());
      t.dc.FullExpand();
      EXPECT_EQ(t.Rows(), Strings({"[a]", "x", "y", "[b]", "z", "w"})) << "every record, not the buffer's";

      append ? t.dc.Append() : t.dc.Insert();
      ASSERT_TRUE(t.dc.SetEditValue(kId, 107, evsValue));
      ASSERT_TRUE(t.dc.SetEditValue(kGrp, "gx", evsValue));
      ASSERT_TRUE(t.dc.SetEditValue(kWord, "new", evsValue));
      t.dc.Post();
      ASSERT_EQ(t.Stored(), Strings({"1:a:x", "2:a:y", "3:b:z", "4:b:w", "107:gx:new"}));

      t.dc.ClearGrouping();
      ASSERT_TRUE(t.dc.IsGridMode());
      EXPECT_EQ(t.dc.GetRecordCount(), std::min(buffer, 5)) << "the buffer, not every record";
      // Every row of the buffer, from the last, stands for the record it shows.
      std::vector<std::string> ids;
      for (int row = t.dc.GetRowCount(); row-- > 0;) {
        ids.insert(ids.begin(), VarToStr(t.dc.GetValue(t.dc.GetRowInfo(row).RecordIndex, kId)));
        EXPECT_TRUE(t.dc.ChangeFocusedRowIndex(row));
        EXPECT_EQ(t.dc.GetFocusedRowIndex(), row);
        EXPECT_EQ(t.CurrentId(), ids.front()) << "the dataset stands on the record row " << row << " shows";
      }
      auto without = [](Strings ARows, const std::string& AId, const std::string& AWord) {
        for (auto it = ARows.begin(); it != ARows.end(); ++it)
          if (it->substr(0, it->find(':')) == AId) {
            if (AWord.empty())
              ARows.erase(it);
            else
              *it = it->substr(0, it->rfind(':') + 1) + AWord;
            break;
          }
        return ARows;
      };
      Strings stored = t.Stored();
      t.dc.Edit();
      ASSERT_TRUE(t.dc.SetEditValue(kWord, "X", evsValue));
      t.dc.Post();
      stored = without(stored, ids.front(), "X");
      EXPECT_EQ(t.Stored(), stored);

      ASSERT_TRUE(t.dc.ChangeFocusedRowIndex(t.dc.GetRowCount() - 1));
      std::string last = VarToStr(t.dc.GetValue(t.dc.GetFocusedRecordIndex(), kId));
      t.dc.DeleteFocused();
      EXPECT_EQ(t.Stored(), without(stored, last, ""));
    }
}

// A before-delete handler that deletes another record through the dataset reloads the records: the delete
// must not take whichever record then has the index it held.
TEST_P(DBDataWrites, ADeleteWhoseHandlerChangesTheDataSetTakesNoOtherRecord) {
  Table t(GetParam());
  ASSERT_TRUE(t.dc.ChangeFocusedRowIndex(2));
  ASSERT_EQ(VarToStr(t.dc.GetValue(2, kWord)), "z");
  struct Handler {
    TDataSet* DataSet;
    int Calls = 0;
    void BeforeDelete(TcxCustomDataController*, int) {
      if (Calls++ == 0) {
        DataSet->First();
        DataSet->Delete();
      }
    }
  } handler{t.ds.get()};
  t.dc.OnBeforeDelete = TcxDataControllerRecordEvent(&handler, &Handler::BeforeDelete);
  t.dc.DeleteFocused();
  Strings stored = t.Stored();
  std::erase(stored, "3:b:z");
  EXPECT_EQ(stored, Strings({"2:a:y", "4:b:w"})) << "only the handler's record and the one asked for may go";
}

// A reload that fails empties the records: the groups built over them go with them.
TEST(DBDataWritesSQLite, AReloadThatCannotReadARecordLeavesAGroupedViewEmptyAndUsable) {
  InitUnits();
  Table t(true);
  t.dc.ChangeGroupIndex(kGrp, 0);
  t.dc.FullExpand();
  ASSERT_EQ(t.Rows(), Strings({"[a]", "x", "y", "[b]", "z", "w"}));
  // The id is read as an integer: a text there cannot be loaded.
  t.conn.ExecSQL("CREATE TABLE u (id, grp TEXT, word TEXT); INSERT INTO u SELECT * FROM t;");
  t.ds->Close();
  static_cast<TSQLiteQuery*>(t.ds.get())->SetSQL("SELECT id, grp, word FROM u ORDER BY grp");
  t.ds->Open();
  t.dc.FullExpand();
  ASSERT_EQ(t.Rows(), Strings({"[a]", "x", "y", "[b]", "z", "w"}));
  t.conn.ExecSQL("UPDATE u SET id = 'three' WHERE word = 'z'");
  EXPECT_THROW(t.ds->Refresh(), EDatabaseError);
  EXPECT_EQ(t.dc.GetRecordCount(), 0);
  EXPECT_EQ(t.Rows(), Strings());

  t.conn.ExecSQL("UPDATE u SET id = 3 WHERE word = 'z'");
  t.ds->Refresh();
  t.dc.FullExpand();
  EXPECT_EQ(t.Rows(), Strings({"[a]", "x", "y", "[b]", "z", "w"}));
}

INSTANTIATE_TEST_SUITE_P(DataSets, DBDataWrites, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& AInfo) {
                           return AInfo.param ? "SQLite" : "Memory";
                         });

} // namespace
