#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "data/cxDataStorage.h"
#include "data/cxVariants.h"
#include "platform/rtl/FMTBcd.h"
#include "platform/rtl/SqlTimSt.h"
#include "tests/data/stream_test_util.h"

namespace {

constexpr int kPtr = int(sizeof(void*));

TEST(ValueDefLayout, RecordSizesFollowTheHeaderAndSlots) {
  struct Case {
    TcxValueTypeClass type;
    bool useRecordID, textStored;
    int recordSize;
  } cases[] = {
      {TcxIntegerValueType::Instance(), false, false, 1 + 1 + 4},
      {TcxIntegerValueType::Instance(), true, false, 5 + 1 + 4},
      {TcxIntegerValueType::Instance(), false, true, 1 + 1 + 4 + kPtr},
      {TcxIntegerValueType::Instance(), true, true, 5 + 1 + 4 + kPtr},
      {TcxStringValueType::Instance(), false, false, 1 + 1 + kPtr},
      {TcxFMTBcdValueType::Instance(), false, false, 1 + 1 + 34},
      {TcxSQLTimeStampValueType::Instance(), false, false, 1 + 1 + 16},
      {TcxBooleanValueType::Instance(), false, false, 1 + 1 + 1},
      {TcxObjectValueType::Instance(), false, false, 1 + 1 + kPtr},
  };
  for (auto& c : cases) {
    TcxDataStorage s;
    s.SetUseRecordID(c.useRecordID);
    s.ValueDefs()->Add(c.type, true, c.textStored, nullptr);
    EXPECT_EQ(s.ValueDefs()->RecordSize(), c.recordSize) << c.type->GetTypeName();
    EXPECT_EQ(s.InternalValueDefs()->RecordSize(), c.recordSize) << "the internal twin keeps the text slot";
  }
  TcxDataStorage s;
  auto* a = s.ValueDefs()->Add(TcxIntegerValueType::Instance(), true, false, nullptr);
  auto* b = s.ValueDefs()->Add(TcxStringValueType::Instance(), false, false, nullptr);
  auto* c = s.ValueDefs()->Add(TcxWordValueType::Instance(), true, false, nullptr);
  EXPECT_EQ(b->Offset(), 1 + 5);
  s.SetStoredValuesOnly(true);
  EXPECT_EQ(a->Offset(), 1);
  EXPECT_EQ(b->BufferSize(), 0);
  EXPECT_EQ(c->Offset(), b->Offset()) << "an unstored definition takes no room";
  EXPECT_EQ(s.ValueDefs()->RecordSize(), 1 + 5 + 3);
}

TEST(ValueTypes, EveryTypeStoresReadsAndShowsItsValues) {
  struct Case {
    TcxValueTypeClass type;
    Variant in;
    TVarType outType;
    const char* text;
  } cases[] = {
      {TcxStringValueType::Instance(), Variant(12), varString, "12"},
      {TcxWideStringValueType::Instance(), Variant("\xF0"), varOleStr, "\xF0"},
      {TcxSmallintValueType::Instance(), Variant("-300"), varSmallint, "-300"},
      {TcxIntegerValueType::Instance(), Variant(2.5), varInteger, "2"},
      {TcxWordValueType::Instance(), Variant(65535), varWord, "65535"},
      {TcxBooleanValueType::Instance(), Variant(1), varBoolean, "True"},
      {TcxFloatValueType::Instance(), Variant("1,5"), varDouble, "1,5"},
      {TcxCurrencyValueType::Instance(), Variant(1.23456), varCurrency, "1,2346"},
      {TcxDateTimeValueType::Instance(), Variant::FromDate(45000.5), varDate, "15.03.2023 12:00:00"},
      {TcxLargeIntValueType::Instance(), Variant(std::int64_t(1) << 40), varInt64, "1099511627776"},
      {TcxFMTBcdValueType::Instance(), Variant("12,50"), varDouble, "12,5"},
      {TcxSQLTimeStampValueType::Instance(), Variant::FromDate(45000.5), varDate, "15.03.2023 12:00:00"},
      {TcxVariantValueType::Instance(), VarArrayOf({1, "a"}), varArray | varVariant, ""},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.type->GetTypeName());
    TcxDataStorage s;
    auto* def = s.ValueDefs()->Add(c.type, true, false, nullptr);
    s.SetRecordCount(1);
    s.SetValue(0, def, c.in);
    Variant out = s.GetValue(0, def);
    EXPECT_EQ(VarType(out), c.outType);
    if (!VarIsArray(out)) {
      EXPECT_EQ(s.GetDisplayText(0, def), c.text);
    }
    EXPECT_TRUE(c.type->IsValueValid(c.in));
    s.SetValue(0, def, Null);
    EXPECT_TRUE(VarIsNull(s.GetValue(0, def)));
    EXPECT_EQ(s.GetDisplayText(0, def), "");
  }
}

TEST(ValueTypes, NamesComparisonsAndValidity) {
  EXPECT_EQ(TcxFMTBcdValueType::Instance()->GetTypeName(), "FMTBcd");
  EXPECT_EQ(TcxStringValueType::Instance()->GetTypeName(), "String");
  EXPECT_EQ(TcxSQLTimeStampValueType::Instance()->GetTypeName(), "SQLTimeStamp");

  std::int32_t big = INT32_MAX, small = INT32_MIN;
  EXPECT_GT(TcxIntegerValueType::Instance()->Compare(&big, &small), 0);
  EXPECT_LT(TcxIntegerValueType::Instance()->Compare(&small, &big), 0);
  AnsiString text = "a";
  EXPECT_EQ(TcxStringValueType::Instance()->Compare(nullptr, &text), -1);
  EXPECT_EQ(TcxStringValueType::Instance()->Compare(&text, nullptr), 1);
  EXPECT_EQ(TcxStringValueType::Instance()->Compare(nullptr, nullptr), 0);

  EXPECT_FALSE(TcxIntegerValueType::Instance()->IsValueValid(Variant("x")));
  EXPECT_FALSE(TcxSmallintValueType::Instance()->IsValueValid(Variant(40000)));
  EXPECT_TRUE(TcxIntegerValueType::Instance()->IsValueValid(Null));
  EXPECT_TRUE(TcxVariantValueType::Instance()->IsValueValid(Variant("x")));
  EXPECT_TRUE(TcxFMTBcdValueType::Instance()->IsValueValid(Variant("1,5")));
  EXPECT_FALSE(TcxSQLTimeStampValueType::Instance()->IsValueValid(Variant("soon")));
  EXPECT_TRUE(TcxStringValueType::Instance()->IsString());
  EXPECT_TRUE(TcxWideStringValueType::Instance()->IsString());
  EXPECT_FALSE(TcxVariantValueType::Instance()->IsString());
}

TEST(ValueTypes, StreamFormsHaveTheirWidths) {
  struct Case {
    TcxValueTypeClass type;
    Variant value;
    std::vector<unsigned char> bytes;
  } cases[] = {
      {TcxWordValueType::Instance(), Variant(0x1234), {0x34, 0x12}},
      {TcxSmallintValueType::Instance(), Variant(-2), {0xFE, 0xFF}},
      {TcxLargeIntValueType::Instance(),
       Variant(std::int64_t(-1)),
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {TcxFloatValueType::Instance(), Variant(1.0), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {TcxBooleanValueType::Instance(), Variant(true), {0x01}},
      {TcxStringValueType::Instance(), Variant("ab"), {0x02, 0, 0, 0, 'a', 'b'}},
      {TcxWideStringValueType::Instance(), Variant("a"), {0x01, 0, 0, 0, 'a', 0}},
      {TcxFMTBcdValueType::Instance(), Variant(1.0), {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {TcxVariantValueType::Instance(), Variant(5), {0x02, 0x05}},
      {TcxObjectValueType::Instance(), Variant(0), {}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.type->GetTypeName());
    std::vector<unsigned char> place(std::size_t(c.type->GetDataSize()), 0);
    c.type->SetValue(place.data(), c.value);
    TMemoryStream s;
    c.type->WriteValue(place.data(), &s);
    EXPECT_EQ(StreamBytes(s), c.bytes);
    std::vector<unsigned char> back(place.size(), 0);
    s.SetPosition(0);
    c.type->ReadValue(back.data(), &s);
    EXPECT_EQ(s.Position(), s.Size());
    if (c.type != TcxObjectValueType::Instance()) {
      EXPECT_EQ(VarCompare(c.type->GetValue(back.data()), c.type->GetValue(place.data())), 0);
    }
    c.type->FreeBuffer(place.data());
    c.type->FreeBuffer(back.data());
  }
}

TEST(ValueTypes, ABooleanReadFromAnyNonZeroByteIsTheOneTrue) {
  // A True stored as 2 must still equal a True stored here, and be written back in the one form.
  TcxValueTypeClass type = TcxBooleanValueType::Instance();
  std::vector<unsigned char> stored(std::size_t(type->GetDataSize()), 0), read(stored.size(), 0);
  type->SetValue(stored.data(), Variant(true));
  for (unsigned char byte : {0x02, 0x80, 0xFF}) {
    TMemoryStream in;
    LoadBytes(in, {byte});
    type->ReadValue(read.data(), &in);
    EXPECT_EQ(type->Compare(read.data(), stored.data()), 0) << int(byte);
    EXPECT_EQ(type->GetDisplayText(read.data()), "True");
    TMemoryStream out;
    type->WriteValue(read.data(), &out);
    EXPECT_EQ(StreamBytes(out), std::vector<unsigned char>{0x01}) << int(byte);
  }
}

TEST(DataStorage, AssignedFlagFollowsASuccessfulConversionOnly) {
  TcxDataStorage s;
  auto* number = s.ValueDefs()->Add(TcxIntegerValueType::Instance(), true, false, nullptr);
  auto* word = s.ValueDefs()->Add(TcxWordValueType::Instance(), true, false, nullptr);
  s.SetRecordCount(1);
  EXPECT_THROW(s.SetValue(0, number, Variant("abc")), EVariantError);
  EXPECT_TRUE(VarIsNull(s.GetValue(0, number))) << "a failed conversion must not leave an assigned value";
  s.SetValue(0, number, 7);
  EXPECT_THROW(s.SetValue(0, number, Variant("x")), EVariantError);
  EXPECT_EQ(s.GetValue(0, number).AsInteger(), 7);
  EXPECT_THROW(s.SetValue(0, word, -1), EVariantError);
  EXPECT_TRUE(VarIsNull(s.GetValue(0, word)));
}

TEST(DataStorage, RecordIDsAndInternalRecords) {
  TcxDataStorage s;
  s.SetUseRecordID(true);
  auto* def = s.ValueDefs()->Add(TcxStringValueType::Instance(), true, false, nullptr);
  EXPECT_EQ(s.AppendRecord(), 0);
  s.AppendRecord();
  s.InsertRecord(0);
  EXPECT_EQ(s.GetRecordID(0), 3);
  EXPECT_EQ(s.GetRecordID(1), 1);
  EXPECT_EQ(s.GetRecordID(2), 2);
  s.SetRecordCount(0);
  EXPECT_EQ(s.AppendRecord(), 0);
  EXPECT_EQ(s.GetRecordID(0), 1) << "the counter starts again when the list became empty";

  EXPECT_EQ(s.AddInternalRecord(), -1);
  EXPECT_EQ(s.AddInternalRecord(), -2);
  s.SetValue(-2, def, "edit");
  EXPECT_EQ(s.GetValue(-2, def).AsString(), "edit") << "a regular definition reaches its internal twin";
  s.DeleteRecord(-1);
  EXPECT_EQ(s.AddInternalRecord(), -1);
  int cleared = 0;
  struct Counter : TObject {
    int* n;
    void OnClear(TObject*) { ++*n; }
  } counter;
  counter.n = &cleared;
  s.OnClearInternalRecords = TNotifyEvent(&counter, &Counter::OnClear);
  s.ClearInternalRecords();
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(s.InternalRecordCount(), 0);
}

TEST(DataStorage, CompareRecordsOrdersMissingBuffersAndNullsFirst) {
  TcxDataStorage s;
  auto* def = s.ValueDefs()->Add(TcxIntegerValueType::Instance(), true, false, nullptr);
  s.SetRecordCount(4);
  s.SetValue(1, def, Null); // allocates a buffer holding Null
  s.SetValue(2, def, 5);
  s.SetValue(3, def, 9);
  EXPECT_EQ(s.CompareRecords(0, 1, def), -1);
  EXPECT_EQ(s.CompareRecords(1, 0, def), 1);
  EXPECT_EQ(s.CompareRecords(0, 0, def), 0);
  EXPECT_EQ(s.CompareRecords(1, 2, def), -1);
  EXPECT_EQ(s.CompareRecords(2, 3, def), -1);
  EXPECT_EQ(s.CompareRecords(3, 2, def), 1);
  void* p = nullptr;
  EXPECT_TRUE(s.GetValuePointer(0, def, p));
  EXPECT_EQ(p, nullptr);
  EXPECT_FALSE(s.GetValuePointer(3, def, p));
  std::int32_t stored = 0;
  std::memcpy(&stored, p, sizeof stored); // places are packed, so not aligned
  EXPECT_EQ(stored, 9);
}

TEST(DataStorage, AddingAndRemovingDefinitionsKeepsLiveValues) {
  TcxDataStorage s;
  auto* name = s.ValueDefs()->Add(TcxStringValueType::Instance(), true, true, nullptr);
  auto* age = s.ValueDefs()->Add(TcxIntegerValueType::Instance(), true, false, nullptr);
  s.SetRecordCount(3);
  for (int i = 0; i < 3; ++i) {
    s.SetValue(i, name, "n" + IntToStr(i));
    s.SetDisplayText(i, name, "N" + IntToStr(i));
    s.SetValue(i, age, 20 + i);
  }
  int edit = s.AddInternalRecord();
  s.SetValue(edit, age, 99);

  auto* note = s.ValueDefs()->Add(TcxVariantValueType::Instance(), true, false, nullptr);
  EXPECT_TRUE(VarIsNull(s.GetValue(1, note)));
  s.SetValue(1, note, VarArrayOf({1, 2}));
  EXPECT_EQ(s.GetValue(2, age).AsInteger(), 22);
  EXPECT_EQ(s.GetDisplayText(2, name), "N2");
  EXPECT_EQ(s.GetValue(edit, age).AsInteger(), 99);

  name->Free();
  EXPECT_EQ(s.ValueDefs()->Count(), 2);
  EXPECT_EQ(s.GetValue(0, age).AsInteger(), 20);
  EXPECT_EQ(s.GetValue(1, note)[1].AsInteger(), 2);
  EXPECT_EQ(s.GetValue(edit, age).AsInteger(), 99);
  EXPECT_EQ(s.ValueDefs()->RecordSize(), 1 + 5 + 1 + kPtr);

  note->Free();
  age->Free();
  EXPECT_EQ(s.RecordCount(), 3);
  EXPECT_EQ(s.RecordBuffer(0), nullptr) << "the last stored definition takes the buffers with it";
  EXPECT_EQ(s.AddInternalRecord(), -2) << "the internal record in use keeps its slot";
}

TEST(DataStorage, TextCellsSurviveOverwritesNullsDeletesAndLayoutChurn) {
  TcxDataStorage s;
  auto* name = s.ValueDefs()->Add(TcxStringValueType::Instance(), true, false, nullptr);
  auto* age = s.ValueDefs()->Add(TcxIntegerValueType::Instance(), true, false, nullptr);
  const AnsiString longText(40, 'x');
  s.SetRecordCount(4);
  // Each step leaves the texts of records 0..3 as listed ("-" is Null).
  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<AnsiString> expected;
  } steps[] = {
      {"set",
       [&] {
         for (int i = 0; i < 4; ++i)
           s.SetValue(i, name, "t" + IntToStr(i));
       },
       {"t0", "t1", "t2", "t3"}},
      {"overwrite with a long text", [&] { s.SetValue(1, name, longText); }, {"t0", longText, "t2", "t3"}},
      {"null frees the cell", [&] { s.SetValue(2, name, Null); }, {"t0", longText, "-", "t3"}},
      {"a freed cell is taken again",
       [&] {
         s.SetValue(2, name, "again");
         s.SetValue(3, name, 7);
       },
       {"t0", longText, "again", "7"}},
      {"delete moves the later records up",
       [&] {
         s.DeleteRecord(0);
         s.SetRecordCount(4);
       },
       {longText, "again", "7", "-"}},
      {"a new definition resizes the buffers",
       [&] {
         auto* note = s.ValueDefs()->Add(TcxIntegerValueType::Instance(), true, false, nullptr);
         s.SetValue(3, name, "late");
         note->Free();
       },
       {longText, "again", "7", "late"}},
      {"removing another definition keeps the texts", [&] { age->Free(); }, {longText, "again", "7", "late"}},
  };
  for (const Step& step : steps) {
    step.act();
    for (int i = 0; i < 4; ++i) {
      Variant v = s.GetValue(i, name);
      EXPECT_EQ(VarIsNull(v) ? AnsiString("-") : v.AsString(), step.expected[std::size_t(i)])
          << step.what << ", record " << i;
    }
  }
  EXPECT_LT(s.CompareRecords(2, 0, name), 0) << "\"7\" < \"xx...\"";
  void* cell = nullptr;
  EXPECT_FALSE(s.GetValuePointer(1, name, cell)) << "true would mean Null";
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(*static_cast<AnsiString*>(cell), "again");
  s.Clear(false);
  EXPECT_EQ(s.RecordCount(), 0);
  s.SetRecordCount(1);
  s.SetValue(0, name, "after clear");
  EXPECT_EQ(s.GetValue(0, name).AsString(), "after clear");
}

TEST(DataStorage, LayoutFlagsChangingUnderLiveRecordsReleaseTheirBuffers) {
  TcxDataStorage s;
  auto* name = s.ValueDefs()->Add(TcxStringValueType::Instance(), true, false, nullptr);
  auto* age = s.ValueDefs()->Add(TcxIntegerValueType::Instance(), false, false, nullptr);
  s.SetRecordCount(2);
  s.SetValue(0, name, "a");
  s.SetValue(1, age, 3);
  name->SetTextStored(true);
  EXPECT_EQ(s.RecordCount(), 2);
  EXPECT_TRUE(VarIsNull(s.GetValue(0, name)));
  s.SetDisplayText(0, name, "shown");
  s.SetValue(0, age, 4);
  EXPECT_EQ(s.GetDisplayText(0, name), "shown");
  EXPECT_EQ(s.GetValue(0, age).AsInteger(), 4);

  age->SetStored(true); // not a layout change while every definition is stored anyway
  EXPECT_EQ(s.GetValue(0, age).AsInteger(), 4);
  s.SetStoredValuesOnly(true);
  EXPECT_EQ(s.RecordCount(), 2);
  EXPECT_EQ(s.RecordBuffer(0), nullptr);
  s.SetValue(1, age, 8);
  age->SetStored(false);
  EXPECT_TRUE(VarIsNull(s.GetValue(1, age)));
  s.SetValue(1, name, "b");
  EXPECT_EQ(s.GetValue(1, name).AsString(), "b");

  int edit = s.AddInternalRecord();
  s.SetValue(edit, name, "kept");
  s.SetUseRecordID(true);
  EXPECT_EQ(s.GetValue(edit, name).AsString(), "kept") << "internal records move behind the wider header";
  EXPECT_EQ(s.GetRecordID(1), 2);
  s.SetUseRecordID(false);
  EXPECT_EQ(s.GetValue(edit, name).AsString(), "kept");
}

// Columns added and removed one at a time under live records. After each change the heaps hold about what the
// records' buffers and text cells take; while a change moves the records they hold at most both layouts'
// worth. Values of the columns that stay are checked at the end.
TEST(DataStorage, ColumnChurnHoldsAboutWhatTheRecordsTake) {
  constexpr int kRecords = 300;
  constexpr std::size_t kBlock = 64 * 1024;
  constexpr std::size_t kSlack = 6 * kBlock; // a partly carved block per heap and list, and a spare
  enum Op { AddInts, AddTexts, RemoveFirst, RemoveLast, RemoveMiddle };
  struct Step {
    Op op;
    int count;
  };
  struct Case {
    const char* name;
    bool useRecordID, editing;
    std::vector<Step> steps;
  } cases[] = {
      {"integer columns added one by one", false, false, {{AddInts, 120}}},
      {"added, then removed from the front",
       false,
       false,
       {{AddInts, 100}, {RemoveFirst, 90}, {AddInts, 20}}},
      {"added, then removed from the back", true, false, {{AddInts, 100}, {RemoveLast, 95}}},
      {"text columns among integers, removed from the middle",
       false,
       true,
       {{AddInts, 30}, {AddTexts, 20}, {AddInts, 30}, {RemoveMiddle, 60}, {AddTexts, 10}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TcxDataStorage s;
    s.SetUseRecordID(c.useRecordID);
    s.SetRecordCount(kRecords);
    int edit = c.editing ? s.AddInternalRecord() : 0;
    struct Column {
      TcxValueDef* def;
      int id;
    };
    std::vector<Column> columns;
    int nextId = 0;
    int pooledTexts = 0; // plain string values live in cells of the storage's own heap
    auto valueOf = [](int record, int id, bool text) {
      return text ? Variant("r" + IntToStr(record) + "c" + IntToStr(id)) : Variant(record * 1000 + id);
    };
    auto isText = [](const Column& col) { return col.def->ValueTypeClass()->IsString(); };
    auto need = [&] {
      return std::size_t(s.RecordCount()) * std::size_t(s.ValueDefs()->RecordSize()) +
             std::size_t(s.InternalRecordCount()) * std::size_t(s.InternalValueDefs()->RecordSize()) +
             std::size_t(pooledTexts) * sizeof(AnsiString);
    };
    auto remove = [&](std::size_t at) {
      if (isText(columns[at]))
        pooledTexts -= kRecords + (c.editing ? 1 : 0);
      columns[at].def->Free();
      columns.erase(columns.begin() + std::ptrdiff_t(at));
    };
    std::size_t runPeak = 0, maxNeed = need();
    for (const Step& step : c.steps)
      for (int k = 0; k < step.count; ++k) {
        std::size_t needBefore = need();
        s.ResetPeakHeldBytes();
        switch (step.op) {
        case AddInts:
        case AddTexts: {
          bool text = step.op == AddTexts;
          auto* def = s.ValueDefs()->Add(
              text ? TcxStringValueType::Instance() : TcxIntegerValueType::Instance(), true, false, nullptr);
          columns.push_back({def, nextId++});
          for (int r = 0; r < kRecords; ++r)
            s.SetValue(r, def, valueOf(r, columns.back().id, text));
          if (c.editing)
            s.SetValue(edit, def, valueOf(-1, columns.back().id, text));
          pooledTexts += text ? kRecords + (c.editing ? 1 : 0) : 0;
          break;
        }
        case RemoveFirst:
          remove(0);
          break;
        case RemoveLast:
          remove(columns.size() - 1);
          break;
        case RemoveMiddle:
          remove(columns.size() / 2);
          break;
        }
        std::size_t needAfter = need();
        ASSERT_LE(s.PeakHeldBytes(), 2 * std::max(needBefore, needAfter) + kSlack)
            << "while changing to " << columns.size() << " columns";
        ASSERT_LE(s.HeldBytes(), needAfter + needAfter / 16 + kSlack)
            << "at " << columns.size() << " columns";
        runPeak = std::max(runPeak, s.PeakHeldBytes());
        maxNeed = std::max(maxNeed, needAfter);
      }
    EXPECT_LE(runPeak, 2 * maxNeed + kSlack);
    for (const Column& col : columns)
      for (int r : {0, kRecords / 2, kRecords - 1, edit}) // edit is 0 when no internal record is in use
        ASSERT_TRUE(VarSameValue(s.GetValue(r, col.def), valueOf(r < 0 ? -1 : r, col.id, isText(col))))
            << "column " << col.id << ", record " << r;
  }
}

TEST(DataStorage, ReadRecordTakesValuesAndTextsFromTheReader) {
  struct Reader : TcxValueDefReader {
    TcxValueDef* skip = nullptr;
    Variant GetValue(TcxValueDef* d) override { return d == skip ? Variant(-1) : Variant(d->Offset()); }
    AnsiString GetDisplayText(TcxValueDef* d) override { return "#" + IntToStr(d->Offset()); }
    bool IsSkippable(TcxValueDef* d) override { return d == skip; }
  } reader;
  TcxDataStorage s;
  auto* a = s.ValueDefs()->Add(TcxIntegerValueType::Instance(), true, true, nullptr);
  auto* b = s.ValueDefs()->Add(TcxIntegerValueType::Instance(), true, false, nullptr);
  s.SetRecordCount(1);
  reader.skip = b;
  s.ReadRecord(0, &reader, true);
  EXPECT_EQ(s.GetValue(0, a).AsInteger(), 1);
  EXPECT_EQ(s.GetDisplayText(0, a), "#1");
  EXPECT_TRUE(VarIsNull(s.GetValue(0, b)));
  s.ReadRecord(0, &reader, false);
  EXPECT_EQ(s.GetValue(0, b).AsInteger(), -1);
  EXPECT_EQ(s.GetDisplayText(0, b), "-1");
}

TEST(LookupList, BinarySearchGivesTheInsertionPlace) {
  TcxLookupList list;
  int index = -1;
  EXPECT_FALSE(list.Find(1, index));
  EXPECT_EQ(index, 0);
  for (int key : {5, 1, 3}) {
    ASSERT_FALSE(list.Find(key, index));
    list.Insert(index, key, "k" + IntToStr(key));
  }
  EXPECT_FALSE(list.Find(4, index));
  EXPECT_EQ(index, 2);
  EXPECT_TRUE(list.Find(5, index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(list.GetItem(0).DisplayText, "k1");
  EXPECT_FALSE(list.Find(Null, index));
  EXPECT_EQ(index, 0);
}

TEST(ValueTypeRegistry, StartUpRegistersFourteenTypesInOrder) {
  cxDataStorageInitialize();
  TcxValueTypeClassList* list = GetValueTypeClassList();
  ASSERT_EQ(list->Count(), 14);
  EXPECT_EQ(list->Items(0), TcxStringValueType::Instance());
  EXPECT_EQ(list->Items(13), TcxObjectValueType::Instance());
  EXPECT_EQ(list->ItemByTypeName("LargeInt"), TcxLargeIntValueType::Instance());
  list->Register(TcxStringValueType::Instance());
  EXPECT_EQ(list->Count(), 14);
  cxDataStorageFinalize();
  EXPECT_EQ(GetValueTypeClassList()->Count(), 0);
}

} // namespace
