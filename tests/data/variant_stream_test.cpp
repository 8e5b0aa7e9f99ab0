#include <gtest/gtest.h>

#include "data/cxVariants.h"
#include "platform/rtl/FMTBcd.h"
#include "tests/data/stream_test_util.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Encode(const Variant& v) {
  TMemoryStream s;
  WriteVariant(&s, v);
  return StreamBytes(s);
}

Variant Decode(const Bytes& bytes, std::int64_t* left = nullptr) {
  TMemoryStream s;
  LoadBytes(s, bytes);
  Variant v = ReadVariant(&s);
  if (left)
    *left = s.Size() - s.Position();
  return v;
}

TEST(TaggedVariant, GoldenEncodings) {
  struct Case {
    const char* name;
    Variant value;
    Bytes bytes;
    TVarType readBackType;
  } cases[] = {
      {"null", Null, {0x00}, varNull},
      {"empty", Unassigned, {0x0D}, varEmpty},
      {"127", Variant(127), {0x02, 0x7F}, varShortInt},
      {"-128", Variant(-128), {0x02, 0x80}, varShortInt},
      {"128", Variant(128), {0x03, 0x80, 0x00}, varSmallint},
      {"-32768", Variant(-32768), {0x03, 0x00, 0x80}, varSmallint},
      {"40000", Variant(40000), {0x04, 0x40, 0x9C, 0x00, 0x00}, varInteger},
      {"byte 200", Variant::FromInteger(200, varByte), {0x03, 0xC8, 0x00}, varSmallint},
      {"double 1", Variant(1.0), {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}, varDouble},
      {"single 1", Variant::FromSingle(1.0f), {0x0F, 0x00, 0x00, 0x80, 0x3F}, varSingle},
      {"currency 1.5", Variant(Currency{15000}), {0x10, 0x98, 0x3A, 0, 0, 0, 0, 0, 0}, varCurrency},
      {"date 1", Variant::FromDate(1.0), {0x11, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, varDate},
      {"true", Variant(true), {0x09}, varBoolean},
      {"false", Variant(false), {0x08}, varBoolean},
      {"text", Variant("ab"), {0x06, 0x02, 'a', 'b'}, varString},
      {"wide", Variant(u"a\u011f"), {0x12, 0x02, 0, 0, 0, 'a', 0x00, 0x1F, 0x01}, varOleStr},
      {"word as text", Variant::FromInteger(7, varWord), {0x06, 0x01, '7'}, varString},
      {"int64 as text",
       Variant(std::int64_t(-5000000000)),
       {0x06, 11, '-', '5', '0', '0', '0', '0', '0', '0', '0', '0', '0'},
       varString},
      {"between",
       VarArrayOf({1, 300}),
       {0x01, 0x02, 0x02, 0x02, 0x01, 0x03, 0x2C, 0x01},
       varArray | varVariant},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Encode(c.value), c.bytes);
    std::int64_t left = -1;
    Variant back = Decode(c.bytes, &left);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(VarType(back), c.readBackType);
    if (!VarIsArray(back)) {
      EXPECT_EQ(VarToStr(back), VarToStr(c.value));
    }
  }
}

TEST(TaggedVariant, TextLengthPicksTheShortOrLongForm) {
  Bytes shortForm = Encode(Variant(AnsiString(255, 'x')));
  EXPECT_EQ(shortForm.size(), 2u + 255u);
  EXPECT_EQ(shortForm[0], 0x06);
  EXPECT_EQ(shortForm[1], 0xFF);
  Bytes longForm = Encode(Variant(AnsiString(256, 'x')));
  ASSERT_EQ(longForm.size(), 5u + 256u);
  EXPECT_EQ(Bytes(longForm.begin(), longForm.begin() + 5), (Bytes{0x0C, 0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(Decode(longForm).AsString(), AnsiString(256, 'x'));
}

TEST(TaggedVariant, NestedArraysAndCustomTypesRoundTrip) {
  Variant nested = VarArrayOf({Variant("a"), VarArrayOf({Null, 2.5}), Variant(true)});
  Variant back = Decode(Encode(nested));
  EXPECT_EQ(VarCompare(back, nested), 0);
  EXPECT_EQ(VarArrayHighBound(back[1], 1), 1);
  EXPECT_TRUE(VarIsNull(back[1][0]));

  Variant bcd = VarFMTBcdCreate(StrToBcd("12,5"));
  Variant bcdBack = Decode(Encode(bcd));
  EXPECT_EQ(VarType(bcdBack), varString);
  EXPECT_EQ(bcdBack.AsString(), "12,5");

  Variant shifted = VarArrayCreate({{5, 2}}, varVariant);
  shifted[5] = 1;
  shifted[6] = 2;
  Variant rebased = Decode(Encode(shifted));
  EXPECT_EQ(VarArrayLowBound(rebased, 1), 0);
  EXPECT_EQ(rebased[1].AsInteger(), 2);
}

TEST(TaggedVariant, WriteRejectsWhatHasNoForm) {
  TMemoryStream s;
  EXPECT_THROW(WriteVariant(&s, VarArrayCreate({{0, 2}, {0, 2}}, varVariant)), EWriteError);
}

TEST(TaggedVariant, ReadRejectsDamagedInput) {
  const Bytes rejected[] = {
      {},     // nothing at all
      {0x07}, // never-written type bytes
      {0x0A},
      {0x0B},
      {0x0E},
      {0x13},
      {0xFF},
      {0x04, 0x01, 0x02},                   // truncated integer
      {0x06, 0x05, 'a', 'b'},               // short text longer than the stream
      {0x0C, 0xFF, 0xFF, 0xFF, 0x7F, 'a'},  // huge long-text length
      {0x0C, 0xFE, 0xFF, 0xFF, 0xFF},       // negative length
      {0x12, 0x03, 0, 0, 0, 'a', 0},        // wide text shorter than its count
      {0x01, 0x04, 0xFF, 0xFF, 0xFF, 0x7F}, // array count beyond the bytes left
      {0x01, 0x04, 0xFF, 0xFF, 0xFF, 0xFF}, // negative array count
      {0x01, 0x05, 0x01, 0x02},             // count with a non-integer tag
  };
  for (const Bytes& bytes : rejected) {
    TMemoryStream s;
    LoadBytes(s, bytes);
    EXPECT_THROW(ReadVariant(&s), EReadError) << "input of " << bytes.size() << " bytes";
  }
  // Arrays nested far deeper than any writer produces.
  Bytes deep;
  for (int i = 0; i < 10000; ++i)
    deep.insert(deep.end(), {0x01, 0x02, 0x01});
  deep.push_back(0x00);
  TMemoryStream s;
  LoadBytes(s, deep);
  EXPECT_THROW(ReadVariant(&s), EReadError);
}

TEST(TaggedVariant, PlainPrimitivesAreLittleEndian) {
  TMemoryStream s;
  WriteBoolean(&s, true);
  WriteSmallint(&s, -2);
  WriteWord(&s, 0xABCD);
  WriteInteger(&s, 0x01020304);
  WriteInt64(&s, -1);
  WriteCurrency(&s, Currency{1});
  WriteAnsiString(&s, "hi");
  WriteWideString(&s, u"\u0130");
  EXPECT_EQ(StreamBytes(s),
            (Bytes{0x01, 0xFE, 0xFF, 0xCD, 0xAB, 0x04, 0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0xFF,
                   0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0,    0,    0,    0,    0,    0,    0,    0x02,
                   0,    0,    0,    'h',  'i',  0x01, 0,    0,    0,    0x30, 0x01}));
  s.SetPosition(0);
  EXPECT_TRUE(ReadBoolean(&s));
  EXPECT_EQ(ReadSmallint(&s), -2);
  std::uint16_t w = 0;
  ReadWord(&s, w);
  EXPECT_EQ(w, 0xABCD);
  EXPECT_EQ(ReadInteger(&s), 0x01020304);
  EXPECT_EQ(ReadInt64(&s), -1);
  EXPECT_EQ(ReadCurrency(&s).Value, 1);
  EXPECT_EQ(ReadAnsiString(&s), "hi");
  EXPECT_EQ(ReadWideString(&s), u"\u0130");
  EXPECT_THROW(ReadByte(&s), EReadError);
}

TEST(TaggedVariant, AnyNonZeroBooleanByteReadsAsTrue) {
  // Other writers store True as any non-zero byte; both reader forms must agree on it.
  for (unsigned char byte : {0x00, 0x01, 0x02, 0x7F, 0x80, 0xFF}) {
    TMemoryStream s;
    LoadBytes(s, Bytes{byte, byte});
    bool filled = byte == 0;
    ReadBoolean(&s, filled);
    EXPECT_EQ(filled, byte != 0) << int(byte);
    EXPECT_EQ(ReadBoolean(&s), byte != 0) << int(byte);
  }
}

TEST(VarCompare, NullFirstErrorsAsLessAndArraysByLength) {
  struct Case {
    Variant a, b;
    int expected;
  } cases[] = {
      {Null, Null, 0},
      {Null, Variant(5), -1},
      {Variant(5), Null, 1},
      {Variant(2), Variant(10), -1},
      {Variant("b"), Variant("a"), 1},
      {Variant("abc"), Variant(1), -1}, // incomparable: -1 both ways
      {Variant(1), Variant("abc"), -1},
      {VarArrayOf({1, 2}), VarArrayOf({1, 2, 3}), -1},
      {VarArrayOf({1, 2}), VarArrayOf({1, 2}), 0},
      {VarArrayOf({1, 3}), VarArrayOf({1, 2}), 1},
      {VarArrayOf({1}), Variant(1), 1},
      {Variant(1), VarArrayOf({1}), -1},
  };
  for (auto& c : cases)
    EXPECT_EQ(VarCompare(c.a, c.b), c.expected) << VarToStr(VarIsArray(c.a) ? Variant("array") : c.a);
  EXPECT_EQ(VarArrayCompare(VarArrayOf({1}), VarArrayOf({1, 2, 3, 4})), -3);
  Variant high = VarArrayCreate({{2000000000, 1}}, varVariant);
  Variant low = VarArrayCreate({{-2000000000, 1}}, varVariant);
  EXPECT_GT(VarArrayCompare(high, low), 0) << "a bound difference beyond the integer range keeps its sign";
  EXPECT_LT(VarArrayCompare(low, high), 0);
  EXPECT_THROW(VarArrayCreate({{2147483647, 2}}, varVariant), EVariantError);
  Variant farA = VarArrayCreate({{2000000000, 2}}, varVariant);
  Variant farB = farA;
  farB[2000000001] = 1;
  EXPECT_EQ(VarArrayCompare(farA, farB), -1) << "elements far from 0 are compared without walking up to them";
}

TEST(VariantTests, SoftNullBooleanTextAndArrayBuilders) {
  EXPECT_TRUE(VarIsSoftNull(Null));
  EXPECT_TRUE(VarIsSoftNull(Variant("")));
  EXPECT_TRUE(VarIsSoftNull(Variant(u"")));
  EXPECT_FALSE(VarIsSoftNull(Unassigned));
  EXPECT_FALSE(VarIsSoftNull(Variant(0)));

  EXPECT_TRUE(VarEqualsBooleanAsText(Variant(true), Variant("True")));
  EXPECT_FALSE(VarEqualsBooleanAsText(Variant(true), Variant(1)));
  EXPECT_FALSE(VarEqualsBooleanAsText(Variant(true), Null));
  EXPECT_TRUE(VarEqualsBooleanAsText(Variant(3), Variant(3.0)));

  EXPECT_TRUE(VarIsDate(Variant::FromDate(1)));
  EXPECT_FALSE(VarIsDate(Variant(1.0)));
  EXPECT_TRUE(VarIsNumericOrBcd(VarFMTBcdCreate(StrToBcd("1"))));
  EXPECT_FALSE(VarIsNumericOrBcd(Variant("1")));

  Variant list = VarListArrayCreate(Variant("a"));
  VarListArrayAddValue(list, 2);
  VarListArrayAddValue(list, Null);
  EXPECT_EQ(VarArrayLowBound(list, 1), 0);
  EXPECT_EQ(VarArrayHighBound(list, 1), 2);
  EXPECT_EQ(list[0].AsString(), "a");
  EXPECT_TRUE(VarIsNull(list[2]));
  Variant between = VarBetweenArrayCreate(1, 5);
  EXPECT_EQ(VarArrayHighBound(between, 1), 1);
  EXPECT_EQ(between[1].AsInteger(), 5);
}

} // namespace
