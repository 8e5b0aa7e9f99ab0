#pragma once
// The platform's tagged value: type codes, conversions, comparison, value-semantics arrays and custom types.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"

using TVarType = std::uint16_t;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varFirstCustom = 0x010F;
constexpr TVarType varString = 0x0100;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// A fixed-point amount: a signed count of ten-thousandths.
struct Currency {
  std::int64_t Value = 0;
  static Currency FromDouble(double d); // rounds half to even at the fourth decimal; raises EVariantError
  double ToDouble() const { return double(Value) / 10000.0; }
  friend bool operator==(const Currency&, const Currency&) = default;
  friend auto operator<=>(const Currency&, const Currency&) = default;
};

class Variant;

// A value of a custom variant type; immutable once made, so that variants share it freely.
class TCustomVarValue {
public:
  virtual ~TCustomVarValue() = default;
  virtual TVarType VarType() const = 0;
  virtual AnsiString ToText() const = 0;
  // Raises EVariantError when the value has no such form.
  virtual Variant ToStandard(TVarType target) const = 0;
  // -1, 0 or 1; raises EVariantError when the other value cannot be compared with this one.
  virtual int Compare(const Variant& other) const = 0;
};

// A custom variant type: it owns a type code from the custom range and converts standard values into itself.
class TCustomVariantType {
public:
  explicit TCustomVariantType(const char* name);
  virtual ~TCustomVariantType() = default;
  TVarType VarType() const { return varType_; }
  const char* Name() const { return name_; }
  virtual Variant CastFrom(const Variant& source) const = 0;

private:
  const char* name_;
  TVarType varType_;
};
// nullptr for a code that no custom type holds.
const TCustomVariantType* FindCustomVariantType(TVarType varType);

struct TVarArrayBound {
  int LowBound = 0;
  int ElementCount = 0;
};

class Variant {
public:
  Variant() = default;
  Variant(bool v) : type_(varBoolean), data_(std::int64_t(v)) {}
  Variant(int v) : type_(varInteger), data_(std::int64_t(v)) {}
  Variant(std::int64_t v) : type_(varInt64), data_(v) {}
  Variant(double v) : type_(varDouble), data_(v) {}
  Variant(Currency v) : type_(varCurrency), data_(v.Value) {}
  Variant(const char* v) : type_(varString), data_(AnsiString(v)) {}
  Variant(const AnsiString& v) : type_(varString), data_(v) {}
  Variant(AnsiString&& v) : type_(varString), data_(std::move(v)) {}
  Variant(const char16_t* v) : type_(varOleStr), data_(WideString(v)) {}
  Variant(const WideString& v) : type_(varOleStr), data_(v) {}
  Variant(WideString&& v) : type_(varOleStr), data_(std::move(v)) {}

  static Variant MakeNull();
  static Variant FromDate(TDateTime d);
  static Variant FromSingle(float v);
  // An integer of one of the integer type codes; the value must fit that type.
  static Variant FromInteger(std::int64_t v, TVarType type);
  static Variant FromCustom(std::shared_ptr<const TCustomVarValue> value);

  TVarType Type() const { return type_; }
  bool IsArray() const { return type_ & varArray; }
  bool IsNull() const { return type_ == varNull; }
  bool IsEmpty() const { return type_ == varEmpty; }

  // Conversions with the platform's rules; each raises EVariantError when the value has no such form.
  int AsInteger() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  bool AsBoolean() const;
  TDateTime AsDate() const;
  AnsiString AsString() const;
  WideString AsWideString() const;

  // Raw access for callers that checked the type.
  std::int64_t RawInteger() const { return *std::get_if<std::int64_t>(&data_); }
  double RawDouble() const { return *std::get_if<double>(&data_); }
  const AnsiString& RawString() const { return *std::get_if<AnsiString>(&data_); }
  const WideString& RawWideString() const { return *std::get_if<WideString>(&data_); }
  const TCustomVarValue* RawCustom() const;

  // Elements of a one-dimensional array by index within its bounds; EVariantError outside them.
  const Variant& operator[](int index) const;
  Variant& operator[](int index);

private:
  struct ArrayData;
  struct ArrayBox {
    std::unique_ptr<ArrayData> p;
    ArrayBox() = default;
    explicit ArrayBox(std::unique_ptr<ArrayData> data);
    ArrayBox(const ArrayBox& other);
    ArrayBox& operator=(const ArrayBox& other);
    ArrayBox(ArrayBox&& other) noexcept;
    ArrayBox& operator=(ArrayBox&& other) noexcept;
    ~ArrayBox();
  };
  using Data = std::variant<std::monostate, std::int64_t, double, AnsiString, WideString, ArrayBox,
                            std::shared_ptr<const TCustomVarValue>>;

  TVarType type_ = varEmpty;
  Data data_;

  friend Variant VarArrayCreate(const std::vector<TVarArrayBound>& bounds, TVarType elementType);
  friend int VarArrayDimCount(const Variant& v);
  friend std::span<const Variant> VarArrayElements(const Variant& v);
  friend int VarArrayLowBound(const Variant& v, int dim);
  friend int VarArrayHighBound(const Variant& v, int dim);
  friend const Variant& VarArrayGet(const Variant& v, const std::vector<int>& indexes);
  friend void VarArrayPut(Variant& v, const Variant& value, const std::vector<int>& indexes);
  friend Variant VarAsType(const Variant& v, TVarType type);
  friend class VariantAccess;
};

inline const Variant Null = Variant::MakeNull();
inline const Variant Unassigned = Variant();

inline TVarType VarType(const Variant& v) {
  return v.Type();
}
inline bool VarIsNull(const Variant& v) {
  return v.IsNull();
}
inline bool VarIsEmpty(const Variant& v) {
  return v.IsEmpty();
}
inline bool VarIsArray(const Variant& v) {
  return v.IsArray();
}
bool VarIsStr(const Variant& v);
bool VarTypeIsInteger(TVarType type); // the signed and unsigned integer types, not Boolean
bool VarIsOrdinal(const Variant& v);  // integer types and Boolean
bool VarIsFloat(const Variant& v);    // single, double, currency
bool VarIsNumeric(const Variant& v);  // ordinal or float
AnsiString VarTypeAsText(TVarType type);

// Elements start as Unassigned for varVariant arrays, as the zero of their type otherwise.
Variant VarArrayCreate(const std::vector<TVarArrayBound>& bounds, TVarType elementType);
Variant VarArrayOf(std::initializer_list<Variant> values); // [0..n-1] of varVariant
Variant VarArrayOf(const std::vector<Variant>& values);
int VarArrayDimCount(const Variant& v); // 0 for a non-array
// The elements of a one-dimensional array from its low bound up; empty for anything else.
std::span<const Variant> VarArrayElements(const Variant& v);
int VarArrayLowBound(const Variant& v, int dim);
int VarArrayHighBound(const Variant& v, int dim);
const Variant& VarArrayGet(const Variant& v, const std::vector<int>& indexes);
void VarArrayPut(Variant& v, const Variant& value, const std::vector<int>& indexes);

// Text of a value; Null gives the empty text.
AnsiString VarToStr(const Variant& v);
WideString VarToWideStr(const Variant& v);
Variant VarAsType(const Variant& v, TVarType type);

// Equality and ordering. Null equals Null only and orders before everything else, Unassigned acts as zero or
// the empty text, text against a number is compared as a number when it reads as one; any other mix raises
// EVariantError. The ordering is partial across types, so it is unfit for sorts that need a strict one.
bool VarSameValue(const Variant& a, const Variant& b);
bool operator==(const Variant& a, const Variant& b);
bool operator<(const Variant& a, const Variant& b);
int VarCompareValue(const Variant& a, const Variant& b); // -1, 0 or 1; raises as above
// The ordering of two values of one integer, float or 8-bit text type without a call, for hot loops; false
// when the pair needs the general rules of VarCompareValue.
inline bool VarCompareSameType(const Variant& a, const Variant& b, int& result) {
  if (a.Type() != b.Type())
    return false;
  switch (a.Type()) {
  case varSmallint:
  case varInteger:
  case varShortInt:
  case varByte:
  case varWord:
  case varLongWord:
  case varInt64:
  case varCurrency:
    result = int(a.RawInteger() > b.RawInteger()) - int(a.RawInteger() < b.RawInteger());
    return true;
  case varDouble:
  case varDate:
  case varSingle: {
    double x = a.RawDouble(), y = b.RawDouble();
    result = int(x > y) - int(x < y);
    return true;
  }
  case varBoolean:
    result = int(a.RawInteger() != 0) - int(b.RawInteger() != 0);
    return true;
  case varString:
    if (a.RawString() == b.RawString()) {
      result = 0;
      return true;
    }
    return false;
  default:
    return false;
  }
}

// Text forms used by the conversions, in the locale format settings.
AnsiString VarFloatToText(double value);
AnsiString VarCurrencyToText(Currency value);
AnsiString VarDateToText(TDateTime value);
bool VarTextToFloat(std::string_view text, double& value);
bool VarTextToDate(std::string_view text, TDateTime& value);

// Arithmetic of summaries with the platform's type rules: integers add in 64 bits and turn into a double
// only when that overflows; currency plus currency or an integer stays currency; a date plus a number stays
// a date; anything else adds as double (text is read as a number). Null in either operand gives Null.
Variant VarAdd(const Variant& a, const Variant& b);
// A value divided by a count, as an average: currency stays currency, divided exactly and rounded half to
// even as the type rounds, a date stays a date, everything else gives a double. Raises EVariantError for a
// count of 0.
Variant VarDivideByCount(const Variant& a, int count);
