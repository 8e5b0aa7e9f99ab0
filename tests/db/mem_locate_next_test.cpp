// LocateNext walks the records that match a key in the dataset's order, wherever they lie among others.
#include "tests/db/db_test_util.h"

namespace {

// Forms (id, word_id, form) whose words are spread over the dataset.
TMemDataSet* Forms() {
  auto* m = new TMemDataSet(nullptr);
  m->AddFieldDef("id", ftInteger);
  m->AddFieldDef("word_id", ftInteger);
  m->AddFieldDef("form", ftString, 20);
  const struct {
    int Id, WordId;
    const char* Form;
  } rows[] = {{1, 2, "a"}, {2, 5, "b"}, {3, 2, "c"}, {4, 7, "d"}, {5, 5, "e"}, {6, 2, "f"}, {7, 2, "g"}};
  for (const auto& r : rows)
    m->AddRow({r.Id, r.WordId, r.Form});
  return m;
}

// The ids LocateNext reaches from the record with id AFrom, until it answers false.
std::vector<int> Walk(TDataSet& ADataSet, int AFrom, const AnsiString& AFields, const Variant& AValues,
                      TLocateOptions AOptions = {}) {
  EXPECT_TRUE(ADataSet.Locate("id", AFrom, {}));
  std::vector<int> ids;
  while (ADataSet.LocateNext(AFields, AValues, AOptions))
    ids.push_back(ADataSet.FieldByName("id")->AsInteger());
  EXPECT_FALSE(ADataSet.Eof()) << "the last match stays the current record";
  return ids;
}

TEST(MemLocateNext, ReachesEveryLaterMatchInOrder) {
  std::unique_ptr<TMemDataSet> ds(Forms());
  ds->Open();
  TLocateOptions caseless;
  caseless.Include(loCaseInsensitive);
  const struct {
    const char* Name;
    int From;
    const char* Fields;
    Variant Values;
    TLocateOptions Options;
    std::vector<int> Ids;
  } cases[] = {
      {"from a match, by the key index", 1, "word_id", 2, {}, {3, 6, 7}},
      {"from another word's record", 2, "word_id", 2, {}, {3, 6, 7}},
      {"from the last match", 7, "word_id", 2, {}, {}},
      {"a word with no later record", 5, "word_id", 5, {}, {}},
      {"a key no record holds", 1, "word_id", 9, {}, {}},
      {"a text key", 1, "form", "f", {}, {6}},
      {"two fields, compared row by row", 1, "word_id;form", VarArrayOf({2, "g"}), {}, {7}},
      {"an option, compared row by row", 1, "form", "F", caseless, {6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Walk(*ds, c.From, c.Fields, c.Values, c.Options), c.Ids);
  }
}

TEST(MemLocateNext, FollowsEditsAndTheFilter) {
  std::unique_ptr<TMemDataSet> ds(Forms());
  ds->Open();
  // A record appended at the end joins its word's records.
  ds->Append();
  ds->FieldByName("id")->SetAsInteger(8);
  ds->FieldByName("word_id")->SetAsInteger(5);
  ds->Post();
  EXPECT_EQ(Walk(*ds, 2, "word_id", 5), std::vector<int>({5, 8}));
  // One moved to another word leaves the first.
  ASSERT_TRUE(ds->Locate("id", 5, {}));
  ds->Edit();
  ds->FieldByName("word_id")->SetAsInteger(2);
  ds->Post();
  EXPECT_EQ(Walk(*ds, 2, "word_id", 5), std::vector<int>({8}));
  EXPECT_EQ(Walk(*ds, 1, "word_id", 2), std::vector<int>({3, 5, 6, 7}));
  // Records the filter hides are not reached.
  ds->SetFilter("id <> 6");
  ds->SetFiltered(true);
  EXPECT_EQ(Walk(*ds, 1, "word_id", 2), std::vector<int>({3, 5, 7}));
}

TEST(MemLocateNext, AnEmptyDataSetAndAMissingFieldAnswerAsLocateDoes) {
  std::unique_ptr<TMemDataSet> ds(Forms());
  ds->Open();
  EXPECT_THROW(ds->LocateNext("missing", 2, {}), EDatabaseError);
  ds->Close();
  ds->ClearRows();
  ds->Open();
  EXPECT_FALSE(ds->LocateNext("word_id", 2, {}));
}

} // namespace
