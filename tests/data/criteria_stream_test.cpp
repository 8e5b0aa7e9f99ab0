#include <gtest/gtest.h>

#include <cstring>

#include "data/cxVariants.h"
#include "platform/classes/ComponentStream.h"
#include "tests/data/filter_test_util.h"
#include "tests/data/stream_test_util.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Write(TcxFilterCriteria& c) {
  TMemoryStream s;
  c.WriteData(&s);
  return StreamBytes(s);
}

void Read(TcxFilterCriteria& c, const Bytes& bytes) {
  TMemoryStream s;
  LoadBytes(s, bytes);
  c.ReadData(&s);
}

TEST(CriteriaStream, GoldenBytes) {
  TestFilterCriteria empty;
  EXPECT_EQ(Write(empty), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00}));

  TestFilterCriteria one;
  one.Root()->SetBoolOperatorKind(fbokOr);
  one.Col(0)->ID = 7;
  one.AddItem(nullptr, one.Col(0), fokEqual, 5, "abc");
  EXPECT_EQ(Write(one), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03,
                               0x00, 0x00, 0x00, 'a',  'b',  'c',  0x07, 0x00, 0x00, 0x00, 0x02, 0x05}));

  TestFilterCriteria nested;
  auto* list = nested.Root()->AddItemList(fbokNotAnd);
  nested.AddItem(list, nested.Col(1), fokBetween, VarBetweenArrayCreate(1, 300), "");
  nested.AddItem(list, nested.Col(0), fokNull, Null, "");
  EXPECT_EQ(Write(nested),
            (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00, 0x00,            // root
                   0x01, 0x02, 0x02, 0x00, 0x00, 0x00,                              // NOT AND list of two
                   0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00,      // between, ID 11
                   0x01, 0x02, 0x02, 0x02, 0x01, 0x03, 0x2C, 0x01,                  // [1, 300]
                   0x00, 0x18, 0x05, 0x00, 0x00, 0x00, 'b',  'l',  'a',  'n',  'k', // null, shown as blank
                   0x0A, 0x00, 0x00, 0x00, 0x00}));
}

TEST(CriteriaStream, ConditionsOnNullKeepTheirStoredKindAndShowBlank) {
  // An equality with Null works as the null operator, yet the stream keeps the kind it was given; the
  // display value it was given empty comes out as "blank".
  struct Case {
    TcxFilterOperatorKind kind;
    TClass operatorClass;
    const char* caption;
    bool matchesBlank;
  } cases[] = {
      {fokEqual, ClassOf<TcxFilterNullOperator>(), "(Ad = blank)", true},
      {fokNotEqual, ClassOf<TcxFilterNotNullOperator>(), "(Ad <> blank)", false},
      {fokLike, ClassOf<TcxFilterNullOperator>(), "(Ad = blank)", true},
      {fokNotLike, ClassOf<TcxFilterNotNullOperator>(), "(Ad <> blank)", false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(int(c.kind));
    TestFilterCriteria source;
    source.AddItem(nullptr, source.Col(0), c.kind, Null, "");
    Bytes bytes = Write(source);
    EXPECT_EQ(bytes, (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, std::uint8_t(c.kind),
                            0x05, 0x00, 0x00, 0x00, 'b',  'l',  'a',  'n',  'k',  0x0A, 0x00,
                            0x00, 0x00, 0x00}));
    TestFilterCriteria target;
    Read(target, bytes);
    auto* item = static_cast<TcxFilterCriteriaItem*>(target.Root()->Items(0));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->OperatorKind(), c.kind);
    EXPECT_EQ(item->Operator()->ClassType(), c.operatorClass);
    EXPECT_EQ(item->DisplayValue(), "blank");
    EXPECT_EQ(target.GetFilterCaption(), c.caption);
    TestRecord blank{Null, 0};
    EXPECT_EQ(target.IsDataMatched(&blank), c.matchesBlank);
    EXPECT_EQ(Write(target), bytes);
  }
}

TEST(CriteriaStream, RoundTripReplacesTheTreeWithOneChange) {
  TestFilterCriteria source;
  source.Root()->SetBoolOperatorKind(fbokNotOr);
  source.AddItem(nullptr, source.Col(0), fokLike, "%a%", "a");
  auto* list = source.Root()->AddItemList(fbokAnd);
  source.AddItem(list, source.Col(1), fokInList, VarArrayOf({1, 2.5, "x", Null}), "1;2,5;x");
  source.AddItem(list, source.Col(2), fokToday, Null, "");

  TestFilterCriteria target;
  target.AddItem(nullptr, target.Col(3), fokGreater, 1, "");
  int changes = target.ChangeCount;
  Bytes bytes = Write(source);
  Read(target, bytes);
  EXPECT_EQ(target.ChangeCount, changes + 1);
  EXPECT_EQ(target.GetFilterText(), source.GetFilterText());
  EXPECT_EQ(target.GetFilterCaption(), source.GetFilterCaption());
  EXPECT_EQ(Write(target), bytes);

  TestFilterCriteria assigned;
  assigned.SetOptions(TcxFilterCriteriaOptions{fcoSoftNull});
  assigned.Assign(&target);
  EXPECT_EQ(assigned.Options(), target.Options());
  EXPECT_EQ(Write(assigned), bytes);
}

TEST(CriteriaStream, OlderFormWithoutMarker) {
  TestFilterCriteria c;
  Read(c, Bytes{0x02, 0x00, 0x00, 0x00, // two root children, no marker
                0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x02, 0x03,
                0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x02, 0x09});
  EXPECT_EQ(c.Root()->BoolOperatorKind(), fbokAnd);
  EXPECT_EQ(c.GetFilterText(), "(Age < 3) AND (Age > 9)");
}

TEST(CriteriaStream, DamagedStreamsRaiseAndLeaveTheCriteriaEmpty) {
  const Bytes header{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00, 0x00};
  auto withHeader = [&](Bytes tail) {
    Bytes b = header;
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
  };
  const Bytes condition{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x02, 0x01};
  const Bytes rejected[] = {
      {0xFF, 0xFF, 0xFF},                                                    // truncated marker
      {0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x00, 0x00, 0x00, 0x00},                // root operator out of range
      {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x7F},                // root count beyond the bytes
      {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFE, 0xFF, 0xFF, 0xFF},                // negative root count
      {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF},                // a second marker
      withHeader({0x02}),                                                    // list flag out of range
      withHeader({0x00, 0x1A, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0x02, 1}),          // operator kind out of range
      withHeader({0x01, 0x04, 0x00, 0x00, 0x00, 0x00}),                      // list operator out of range
      withHeader({0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x7F}),                      // display text beyond the bytes
      withHeader({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0, 0, 0, 0x07}), // bad value tag
      withHeader({0x01, 0x00, 0x05, 0x00, 0x00, 0x00}),                      // list count beyond the bytes
      withHeader(Bytes(condition.begin(), condition.end() - 1)),             // truncated value
  };
  for (const Bytes& bytes : rejected) {
    TestFilterCriteria c;
    c.AddItem(nullptr, c.Col(0), fokEqual, 1, "");
    TMemoryStream s;
    LoadBytes(s, bytes);
    EXPECT_THROW(c.ReadData(&s), EReadError) << "input of " << bytes.size() << " bytes";
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(c.Root()->BoolOperatorKind(), fbokAnd);
  }
  // Lists nested deeper than any writer makes them.
  Bytes deep = header;
  for (int i = 0; i < 200; ++i)
    deep.insert(deep.end(), {0x01, 0x00, 0x01, 0x00, 0x00, 0x00});
  for (int i = 0; i < 200 * 6; ++i)
    deep.push_back(0);
  TestFilterCriteria c;
  TMemoryStream s;
  LoadBytes(s, deep);
  EXPECT_THROW(c.ReadData(&s), EReadError);
  EXPECT_TRUE(c.IsEmpty());
  // A valid condition still reads after the rejected ones.
  Read(c, withHeader(condition));
  EXPECT_EQ(c.GetFilterText(), "(Name = 1)");
}

TEST(CriteriaStream, WritesOnlyTheNestingItCanReadBack) {
  for (int levels : {32, 33}) {
    TestFilterCriteria source;
    TcxFilterCriteriaItemList* list = source.Root();
    for (int i = 0; i < levels; ++i)
      list = list->AddItemList(fbokOr);
    source.AddItem(list, source.Col(0), fokEqual, 1, "");
    TMemoryStream s;
    if (levels > 32) {
      EXPECT_THROW(source.WriteData(&s), EWriteError);
      continue;
    }
    source.WriteData(&s);
    s.SetPosition(0);
    TestFilterCriteria target;
    target.ReadData(&s);
    EXPECT_EQ(Write(target), StreamBytes(s));
  }
}

// The component form needs the published properties that the unit's start-up registers.
class CriteriaComponentStream : public ::testing::Test {
protected:
  TUnitList units{{cxFilterUnit}};
  void SetUp() override { units.Initialize(); }
};

TEST(CriteriaComponentStreamUnit, StreamingNeedsTheStartedUnit) {
  TestFilterCriteria c;
  c.SetPercentWildcard('*');
  TMemoryStream s;
  EXPECT_THROW(c.SaveToStream(&s), EInvalidOperation);
  EXPECT_EQ(s.Size(), 0);
  {
    TUnitList units({cxFilterUnit});
    units.Initialize();
    c.SaveToStream(&s);
    TestFilterCriteria loaded;
    s.SetPosition(0);
    loaded.LoadFromStream(&s);
    EXPECT_EQ(loaded.PercentWildcard(), '*');
  }
  // Shut down, the unit takes its properties with it.
  s.SetPosition(0);
  TestFilterCriteria late;
  EXPECT_THROW(late.LoadFromStream(&s), EInvalidOperation);
  EXPECT_TRUE(GetPublishedProperties(ClassOf<TestFilterCriteria>()).empty());
}

TEST_F(CriteriaComponentStream, WritesOnlyChangedPropertiesAndReadsThemBack) {
  TestFilterCriteria c;
  TMemoryStream defaults;
  c.SaveToStream(&defaults);
  const Bytes prefix{'T', 'P', 'F', '0', 14,  'T', 'F', 'i', 'l', 't',
                     'e', 'r', 'W', 'r', 'a', 'p', 'p', 'e', 'r', 0};
  Bytes expectedDefaults = prefix;
  expectedDefaults.insert(expectedDefaults.end(), {0x00, 0x00});
  EXPECT_EQ(StreamBytes(defaults), expectedDefaults);

  c.SetMaxValueListCount(300);
  c.SetOptions(TcxFilterCriteriaOptions{fcoCaseInsensitive, fcoSoftNull});
  c.SetPercentWildcard('*');
  TMemoryStream changed;
  c.SaveToStream(&changed);
  auto name = [](const char* s) {
    Bytes b{std::uint8_t(std::strlen(s))};
    b.insert(b.end(), s, s + std::strlen(s));
    return b;
  };
  Bytes expected = prefix;
  auto append = [&](const Bytes& b) { expected.insert(expected.end(), b.begin(), b.end()); };
  append(name("Filter.MaxValueListCount"));
  append({0x03, 0x2C, 0x01});
  append(name("Filter.Options"));
  append({0x0B});
  append(name("fcoCaseInsensitive"));
  append(name("fcoSoftNull"));
  append({0x00});
  append(name("Filter.PercentWildcard"));
  append({0x06, 0x01, '*'});
  append({0x00, 0x00});
  EXPECT_EQ(StreamBytes(changed), expected);

  TestFilterCriteria loaded;
  changed.SetPosition(0);
  int changes = loaded.ChangeCount;
  loaded.LoadFromStream(&changed);
  EXPECT_EQ(loaded.ChangeCount, changes + 1);
  EXPECT_EQ(loaded.MaxValueListCount(), 300);
  EXPECT_EQ(loaded.Options(), (TcxFilterCriteriaOptions{fcoCaseInsensitive, fcoSoftNull}));
  EXPECT_EQ(loaded.PercentWildcard(), '*');
  EXPECT_EQ(loaded.UnderscoreWildcard(), '_');
}

TEST_F(CriteriaComponentStream, DamagedComponentStreamsRaiseAndRestoreDefaults) {
  TestFilterCriteria c;
  c.SetPercentWildcard('*');
  TMemoryStream good;
  c.SaveToStream(&good);
  Bytes bytes = StreamBytes(good);
  Bytes badSignature = bytes;
  badSignature[3] = '1';
  Bytes unknownProperty = bytes;
  unknownProperty[20 + 8] = 'X'; // inside "Filter.PercentWildcard"
  Bytes wrongValueType = bytes;
  wrongValueType[wrongValueType.size() - 5] = 0x02; // the char's string tag becomes an integer tag
  Bytes truncated(bytes.begin(), bytes.end() - 3);
  const char countName[] = "Filter.MaxValueListCount";
  Bytes negativeCount(bytes.begin(), bytes.begin() + 20);
  negativeCount.push_back(std::uint8_t(std::strlen(countName)));
  negativeCount.insert(negativeCount.end(), countName, countName + std::strlen(countName));
  negativeCount.insert(negativeCount.end(), {0x02, 0xFF, 0x00, 0x00}); // -1, then the list ends
  for (const Bytes& damaged : {badSignature, unknownProperty, wrongValueType, truncated, negativeCount}) {
    TestFilterCriteria target;
    target.SetUnderscoreWildcard('?');
    TMemoryStream s;
    LoadBytes(s, damaged);
    EXPECT_THROW(target.LoadFromStream(&s), EReadError);
    EXPECT_EQ(target.PercentWildcard(), '%');
    EXPECT_EQ(target.UnderscoreWildcard(), '_');
    EXPECT_EQ(target.MaxValueListCount(), 0);
  }
}

} // namespace
