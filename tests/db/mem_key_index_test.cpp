// The in-memory dataset keeps its key indexes through posts, inserts and deletes rather than building them
// again: a locate after any of them must find what a walk over the records finds.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/db/db_test_util.h"

namespace {

struct Record {
  int id;
  std::string word;
};

// The records in the dataset's order, read by walking it, and where it stood.
std::vector<Record> Walk(TMemDataSet& AData) {
  const TBookmarkStr at = AData.Bookmark();
  std::vector<Record> records;
  AData.First();
  while (!AData.Eof()) {
    records.push_back({AData.FieldByName("ID")->AsInteger(), AData.FieldByName("Word")->AsString()});
    AData.Next();
  }
  if (!at.empty() && AData.BookmarkValid(at))
    AData.GotoBookmark(at);
  return records;
}

// Every position whose field matches, in order, as Locate and then LocateNext must visit them.
template <class F> std::vector<int> Matches(const std::vector<Record>& ARecords, F AMatch) {
  std::vector<int> positions;
  for (std::size_t i = 0; i < ARecords.size(); ++i)
    if (AMatch(ARecords[i]))
      positions.push_back(int(i) + 1);
  return positions;
}

std::vector<int> Visits(TMemDataSet& AData, const char* AField, const Variant& AKey) {
  std::vector<int> positions;
  if (!AData.Locate(AField, AKey, {}))
    return positions;
  do
    positions.push_back(AData.RecNo());
  while (AData.LocateNext(AField, AKey, {}));
  return positions;
}

// A program's run of edits, inserts, appends, deletes and filter changes over records whose ids and words
// repeat, with a locate by each key after every step.
TEST(MemKeyIndex, LocateAfterEachChangeFindsWhatAWalkFinds) {
  const char* const words[] = {"ev", "su", "ay", "\xE7\x61\xF0"};
  TMemDataSet data(nullptr);
  data.AddFieldDef("ID", ftInteger);
  data.AddFieldDef("Word", ftString, 10);
  data.AddFieldDef("N", ftInteger);
  for (int i = 0; i < 60; ++i)
    data.AddRow({i % 40, words[i % 4], i});
  data.Open();
  std::mt19937 random(11);
  auto pick = [&](int AUpTo) { return int(random() % unsigned(AUpTo)); };
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    if (!data.IsEmpty())
      data.SetRecNo(1 + pick(data.RecordCount()));
    switch (pick(8)) {
    case 0:
    case 1:
      data.Edit();
      data.FieldByName("ID")->SetAsInteger(pick(45));
      data.Post();
      break;
    case 2:
      data.Edit();
      data.FieldByName("Word")->SetAsString(words[pick(4)]);
      data.FieldByName("N")->SetAsInteger(pick(100));
      data.Post();
      break;
    case 3:
      data.Edit();
      data.FieldByName("N")->SetAsInteger(pick(100));
      data.Post();
      break;
    case 4:
      data.Insert();
      data.FieldByName("ID")->SetAsInteger(pick(45));
      data.FieldByName("Word")->SetAsString(words[pick(4)]);
      data.Post();
      break;
    case 5:
      data.AppendRecord({pick(45), words[pick(4)], 0});
      break;
    case 6:
      if (!data.IsEmpty())
        data.Delete();
      break;
    case 7:
      data.SetFilter("N < 80");
      data.SetFiltered(!data.Filtered());
      break;
    }
    const std::vector<Record> records = Walk(data);
    for (int id = 0; id < 45; id += 4)
      ASSERT_EQ(Visits(data, "ID", id), Matches(records, [&](const Record& r) { return r.id == id; }))
          << "ID " << id;
    for (const char* word : words)
      ASSERT_EQ(Visits(data, "Word", word), Matches(records, [&](const Record& r) { return r.word == word; }))
          << "Word " << word;
  }
}

} // namespace
