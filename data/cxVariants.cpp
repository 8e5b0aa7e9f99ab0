#include "data/cxVariants.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "platform/rtl/Extended80.h"
#include "platform/rtl/FMTBcd.h"
#include "platform/rtl/SqlTimSt.h"

namespace {

enum : std::uint8_t {
  tbNull = 0,
  tbArray = 1,
  tbShortInt = 2,
  tbSmallint = 3,
  tbInteger = 4,
  tbDouble = 5,
  tbShortString = 6,
  tbFalse = 8,
  tbTrue = 9,
  tbLongString = 12,
  tbEmpty = 13,
  tbSingle = 15,
  tbCurrency = 16,
  tbDate = 17,
  tbOleStr = 18,
};

// Criteria streams nest arrays one level deep; anything far deeper is a hostile stream.
constexpr int kMaxNesting = 32;

template <typename T> T ReadRaw(TStream* s) {
  unsigned char bytes[sizeof(T)];
  s->ReadBuffer(bytes, sizeof bytes);
  using U = std::conditional_t<
      sizeof(T) == 1, std::uint8_t,
      std::conditional_t<sizeof(T) == 2, std::uint16_t,
                         std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
  U u = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    u |= U(bytes[i]) << (8 * i);
  return std::bit_cast<T>(u);
}

template <typename T> void WriteRaw(TStream* s, T value) {
  using U = std::conditional_t<
      sizeof(T) == 1, std::uint8_t,
      std::conditional_t<sizeof(T) == 2, std::uint16_t,
                         std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
  U u = std::bit_cast<U>(value);
  unsigned char bytes[sizeof(T)];
  for (std::size_t i = 0; i < sizeof(T); ++i)
    bytes[i] = (unsigned char)(u >> (8 * i));
  s->WriteBuffer(bytes, sizeof bytes);
}

void CheckLength(TStream* s, std::int64_t count, std::int64_t unit) {
  if (count < 0 || count > StreamBytesLeft(s) / unit)
    throw EReadError();
}

void WriteInt(TStream* s, std::int64_t v) {
  if (v >= -128 && v < 128) {
    WriteByte(s, tbShortInt);
    WriteRaw<std::int8_t>(s, std::int8_t(v));
  } else if (v >= -32768 && v < 32768) {
    WriteByte(s, tbSmallint);
    WriteRaw<std::int16_t>(s, std::int16_t(v));
  } else {
    WriteByte(s, tbInteger);
    WriteRaw<std::int32_t>(s, std::int32_t(v));
  }
}

void WriteText(TStream* s, const AnsiString& text) {
  if (text.size() <= 255) {
    WriteByte(s, tbShortString);
    WriteByte(s, std::uint8_t(text.size()));
    s->WriteBuffer(text.data(), text.size());
  } else {
    WriteByte(s, tbLongString);
    WriteAnsiString(s, text);
  }
}

Variant ReadTagged(TStream* s, int depth) {
  std::uint8_t tag = ReadByte(s);
  switch (tag) {
  case tbNull:
    return Null;
  case tbArray: {
    if (depth >= kMaxNesting)
      throw EReadError();
    std::uint8_t countTag = ReadByte(s);
    std::int64_t count;
    if (countTag == tbShortInt)
      count = ReadRaw<std::int8_t>(s);
    else if (countTag == tbSmallint)
      count = ReadSmallint(s);
    else if (countTag == tbInteger)
      count = ReadInteger(s);
    else
      throw EReadError();
    CheckLength(s, count, 1); // every element takes at least its type byte
    std::vector<Variant> elements;
    // A value is far wider than the byte each element takes at least, and nested arrays would each reserve
    // for the whole stream: grow with what is really read instead.
    elements.reserve(std::size_t(std::min<std::int64_t>(count, 256)));
    for (std::int64_t i = 0; i < count; ++i)
      elements.push_back(ReadTagged(s, depth + 1));
    return VarArrayOf(elements);
  }
  case tbShortInt:
    return Variant::FromInteger(ReadRaw<std::int8_t>(s), varShortInt);
  case tbSmallint:
    return Variant::FromInteger(ReadSmallint(s), varSmallint);
  case tbInteger:
    return Variant::FromInteger(ReadInteger(s), varInteger);
  case tbDouble:
    return Variant(ReadFloat(s));
  case tbShortString: {
    std::uint8_t n = ReadByte(s);
    AnsiString text(n, '\0');
    if (n)
      s->ReadBuffer(text.data(), n);
    return Variant(std::move(text));
  }
  case tbFalse:
    return Variant(false);
  case tbTrue:
    return Variant(true);
  case tbLongString:
    return Variant(ReadAnsiString(s));
  case tbEmpty:
    return Unassigned;
  case tbSingle:
    return Variant::FromSingle(ReadRaw<float>(s));
  case tbCurrency:
    return Variant(ReadCurrency(s));
  case tbDate:
    return Variant::FromDate(ReadDateTime(s));
  case tbOleStr:
    return Variant(ReadWideString(s));
  default:
    throw EReadError();
  }
}

} // namespace

std::int64_t StreamBytesLeft(TStream* AStream) {
  std::int64_t left = AStream->Size() - AStream->Position();
  return left < 0 ? 0 : left;
}

int VarArrayCompare(const Variant& V1, const Variant& V2) {
  bool a1 = VarIsArray(V1), a2 = VarIsArray(V2);
  if (a1 && a2) {
    int h1 = VarArrayHighBound(V1, 1), h2 = VarArrayHighBound(V2, 1);
    if (h1 != h2) {
      // The difference of two bounds may not fit an integer; its sign is what callers read.
      long long d = (long long)h1 - h2;
      return d > INT_MAX ? INT_MAX : (d < INT_MIN ? INT_MIN : int(d));
    }
    // Elements are addressed from 0, so arrays with other low bounds compare where both have elements.
    int first = std::max({0, VarArrayLowBound(V1, 1), VarArrayLowBound(V2, 1)});
    for (int i = first; i <= h1; ++i) {
      int r = VarCompare(V1[i], V2[i]);
      if (r != 0)
        return r;
    }
    return 0;
  }
  return a1 ? 1 : -1;
}

int VarCompare(const Variant& V1, const Variant& V2) {
  if (VarIsArray(V1) || VarIsArray(V2))
    return VarArrayCompare(V1, V2);
  int result;
  if (VarCompareSameType(V1, V2, result))
    return result;
  // One comparison gives all of it: the value ordering puts Null first and answers 0 for equal values.
  try {
    return VarCompareValue(V1, V2);
  } catch (const EVariantError&) {
    return -1;
  } catch (const EConvertError&) {
    return -1;
  }
}

bool VarEquals(const Variant& V1, const Variant& V2) {
  return VarCompare(V1, V2) == 0;
}

bool VarEqualsBooleanAsText(const Variant& V1, const Variant& V2) {
  if (!VarIsNull(V1) && !VarIsNull(V2) && (VarType(V1) == varBoolean || VarType(V2) == varBoolean)) {
    try {
      return VarAsType(V1, varString).RawString() == VarAsType(V2, varString).RawString();
    } catch (const EVariantError&) {
      return false;
    }
  }
  return VarEquals(V1, V2);
}

bool IsDateVarType(TVarType AVarType) {
  return AVarType == varDate || AVarType == VarSQLTimeStamp();
}

bool VarIsDate(const Variant& V) {
  return IsDateVarType(VarType(V));
}

bool VarIsNumericOrBcd(const Variant& V) {
  return VarIsNumeric(V) || VarType(V) == VarFMTBcd();
}

bool VarIsSoftNull(const Variant& V) {
  if (VarIsNull(V))
    return true;
  if (VarType(V) == varString)
    return V.RawString().empty();
  if (VarType(V) == varOleStr)
    return V.RawWideString().empty();
  return false;
}

Variant VarBetweenArrayCreate(const Variant& A, const Variant& B) {
  return VarArrayOf({A, B});
}

Variant VarListArrayCreate(const Variant& A) {
  return VarArrayOf({A});
}

void VarListArrayAddValue(Variant& V, const Variant& Value) {
  std::vector<Variant> values;
  for (int i = VarArrayLowBound(V, 1); i <= VarArrayHighBound(V, 1); ++i)
    values.push_back(V[i]);
  values.push_back(Value);
  V = VarArrayOf(values);
}

void WriteVariant(TStream* AStream, const Variant& V) {
  if (VarIsArray(V)) {
    if (VarArrayDimCount(V) != 1)
      throw EWriteError();
    int low = VarArrayLowBound(V, 1), high = VarArrayHighBound(V, 1);
    WriteByte(AStream, tbArray);
    WriteInt(AStream, std::int64_t(high) - low + 1);
    for (int i = low; i <= high; ++i)
      WriteVariant(AStream, V[i]);
    return;
  }
  switch (VarType(V)) {
  case varEmpty:
    WriteByte(AStream, tbEmpty);
    return;
  case varNull:
    WriteByte(AStream, tbNull);
    return;
  case varSmallint:
  case varInteger:
  case varShortInt:
  case varByte:
    WriteInt(AStream, V.RawInteger());
    return;
  case varSingle:
    WriteByte(AStream, tbSingle);
    WriteRaw<float>(AStream, float(V.RawDouble()));
    return;
  case varDouble:
    WriteByte(AStream, tbDouble);
    WriteFloat(AStream, V.RawDouble());
    return;
  case varCurrency:
    WriteByte(AStream, tbCurrency);
    WriteInt64(AStream, V.RawInteger());
    return;
  case varDate:
    WriteByte(AStream, tbDate);
    WriteDateTime(AStream, V.RawDouble());
    return;
  case varOleStr:
    WriteByte(AStream, tbOleStr);
    WriteWideString(AStream, V.RawWideString());
    return;
  case varBoolean:
    WriteByte(AStream, V.RawInteger() ? tbTrue : tbFalse);
    return;
  case varString:
    WriteText(AStream, V.RawString());
    return;
  default: {
    AnsiString text;
    try {
      text = VarToStr(V);
    } catch (const EVariantError&) {
      throw EWriteError();
    } catch (const EConvertError&) {
      throw EWriteError();
    }
    WriteText(AStream, text);
  }
  }
}

Variant ReadVariant(TStream* AStream) {
  return ReadTagged(AStream, 0);
}

bool ReadBoolean(TStream* AStream) {
  return ReadByte(AStream) != 0;
}
void ReadBoolean(TStream* AStream, bool& AValue) {
  AValue = ReadBoolean(AStream);
}
void WriteBoolean(TStream* AStream, bool AValue) {
  WriteByte(AStream, AValue ? 1 : 0);
}
std::uint8_t ReadByte(TStream* AStream) {
  return ReadRaw<std::uint8_t>(AStream);
}
void ReadByte(TStream* AStream, std::uint8_t& AValue) {
  AValue = ReadByte(AStream);
}
void WriteByte(TStream* AStream, std::uint8_t AValue) {
  WriteRaw(AStream, AValue);
}
std::int16_t ReadSmallint(TStream* AStream) {
  return ReadRaw<std::int16_t>(AStream);
}
void ReadSmallint(TStream* AStream, std::int16_t& AValue) {
  AValue = ReadSmallint(AStream);
}
void WriteSmallint(TStream* AStream, std::int16_t AValue) {
  WriteRaw(AStream, AValue);
}
std::uint16_t ReadWord(TStream* AStream) {
  return ReadRaw<std::uint16_t>(AStream);
}
void ReadWord(TStream* AStream, std::uint16_t& AValue) {
  AValue = ReadWord(AStream);
}
void WriteWord(TStream* AStream, std::uint16_t AValue) {
  WriteRaw(AStream, AValue);
}
std::int32_t ReadInteger(TStream* AStream) {
  return ReadRaw<std::int32_t>(AStream);
}
void ReadInteger(TStream* AStream, std::int32_t& AValue) {
  AValue = ReadInteger(AStream);
}
void WriteInteger(TStream* AStream, std::int32_t AValue) {
  WriteRaw(AStream, AValue);
}
std::int64_t ReadInt64(TStream* AStream) {
  return ReadRaw<std::int64_t>(AStream);
}
void ReadInt64(TStream* AStream, std::int64_t& AValue) {
  AValue = ReadInt64(AStream);
}
void WriteInt64(TStream* AStream, std::int64_t AValue) {
  WriteRaw(AStream, AValue);
}
Currency ReadCurrency(TStream* AStream) {
  return Currency{ReadInt64(AStream)};
}
void ReadCurrency(TStream* AStream, Currency& AValue) {
  AValue = ReadCurrency(AStream);
}
void WriteCurrency(TStream* AStream, Currency AValue) {
  WriteInt64(AStream, AValue.Value);
}
TDateTime ReadDateTime(TStream* AStream) {
  return ReadRaw<double>(AStream);
}
void ReadDateTime(TStream* AStream, TDateTime& AValue) {
  AValue = ReadDateTime(AStream);
}
void WriteDateTime(TStream* AStream, TDateTime AValue) {
  WriteRaw(AStream, AValue);
}
double ReadFloat(TStream* AStream) {
  TExtended80Bytes bytes;
  AStream->ReadBuffer(bytes.data(), bytes.size());
  return Extended80ToDouble(bytes);
}
void ReadFloat(TStream* AStream, double& AValue) {
  AValue = ReadFloat(AStream);
}
void WriteFloat(TStream* AStream, double AValue) {
  TExtended80Bytes bytes = DoubleToExtended80(AValue);
  AStream->WriteBuffer(bytes.data(), bytes.size());
}
AnsiString ReadAnsiString(TStream* AStream) {
  std::int32_t n = ReadInteger(AStream);
  CheckLength(AStream, n, 1);
  AnsiString s(std::size_t(n), '\0');
  if (n)
    AStream->ReadBuffer(s.data(), std::size_t(n));
  return s;
}
void ReadAnsiString(TStream* AStream, AnsiString& AValue) {
  AValue = ReadAnsiString(AStream);
}
void WriteAnsiString(TStream* AStream, const AnsiString& AValue) {
  if (AValue.size() > 0x7FFFFFFF)
    throw EWriteError();
  WriteInteger(AStream, std::int32_t(AValue.size()));
  if (!AValue.empty())
    AStream->WriteBuffer(AValue.data(), AValue.size());
}
WideString ReadWideString(TStream* AStream) {
  std::int32_t n = ReadInteger(AStream);
  CheckLength(AStream, n, 2);
  WideString s(std::size_t(n), u'\0');
  for (auto& c : s)
    c = char16_t(ReadWord(AStream));
  return s;
}
void ReadWideString(TStream* AStream, WideString& AValue) {
  AValue = ReadWideString(AStream);
}
void WriteWideString(TStream* AStream, const WideString& AValue) {
  if (AValue.size() > 0x3FFFFFFF)
    throw EWriteError();
  WriteInteger(AStream, std::int32_t(AValue.size()));
  std::string bytes(AValue.size() * 2, '\0');
  for (std::size_t i = 0; i < AValue.size(); ++i) {
    bytes[2 * i] = char(AValue[i] & 0xFF);
    bytes[2 * i + 1] = char(AValue[i] >> 8);
  }
  if (!bytes.empty())
    AStream->WriteBuffer(bytes.data(), bytes.size());
}
