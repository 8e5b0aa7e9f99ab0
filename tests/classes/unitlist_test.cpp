#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/UnitList.h"

namespace {

// Unit routines are plain functions, so the log they write to is file-wide.
std::vector<std::string> journal;
bool failBStart = false;
bool failCStop = false;
TUnitList* reentered = nullptr;

void AStart() {
  journal.push_back("+A");
}
void AStop() {
  journal.push_back("-A");
}
void BStart() {
  if (failBStart)
    throw Exception("B cannot start");
  journal.push_back("+B");
  if (reentered)
    reentered->Initialize();
}
void CStart() {
  journal.push_back("+C");
}
void CStop() {
  journal.push_back("-C");
  if (failCStop)
    throw Exception("C cannot stop");
}

class UnitListTest : public testing::Test {
protected:
  void SetUp() override {
    journal.clear();
    failBStart = failCStop = false;
    reentered = nullptr;
  }
  std::vector<TUnitInfo> units = {{"A", AStart, AStop}, {"B", BStart, nullptr}, {"C", CStart, CStop}};
};

TEST_F(UnitListTest, StartsInOrderOnceAndStopsInReverse) {
  TUnitList list(units);
  list.Initialize();
  list.Initialize();
  EXPECT_TRUE(list.Initialized());
  list.Finalize();
  list.Finalize();
  EXPECT_EQ(journal, (std::vector<std::string>{"+A", "+B", "+C", "-C", "-A"}));
  EXPECT_EQ(list.InitializedCount(), 0);
}

TEST_F(UnitListTest, AFailedStartUpStopsWhatStarted) {
  failBStart = true;
  TUnitList list(units);
  EXPECT_THROW(list.Initialize(), Exception);
  EXPECT_EQ(journal, (std::vector<std::string>{"+A", "-A"}));
  EXPECT_EQ(list.InitializedCount(), 0);
  failBStart = false;
  journal.clear();
  list.Initialize();
  EXPECT_EQ(journal, (std::vector<std::string>{"+A", "+B", "+C"}));
}

TEST_F(UnitListTest, EveryShutDownRunsDespiteAFailureAndTheDestructorStops) {
  failCStop = true;
  {
    TUnitList list(units);
    list.Initialize();
    try {
      list.Finalize();
      FAIL();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "C cannot stop");
    }
    EXPECT_EQ(journal, (std::vector<std::string>{"+A", "+B", "+C", "-C", "-A"}));
  }
  failCStop = false;
  journal.clear();
  {
    TUnitList list(units);
    reentered = &list; // B's start-up asks for the start-up again: nothing runs twice
    list.Initialize();
  }
  EXPECT_EQ(journal, (std::vector<std::string>{"+A", "+B", "+C", "-C", "-A"}));
}

TEST_F(UnitListTest, RejectsDuplicateOrMissingNames) {
  EXPECT_THROW(TUnitList({{"A", nullptr, nullptr}, {"A", nullptr, nullptr}}), EInvalidArgument);
  EXPECT_THROW(TUnitList({{"", nullptr, nullptr}}), EInvalidArgument);
  EXPECT_THROW(TUnitList({{nullptr, nullptr, nullptr}}), EInvalidArgument);
}

} // namespace
