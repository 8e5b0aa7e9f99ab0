#include "platform/rtl/Variants.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FloatText.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>

struct Variant::ArrayData {
  TVarType elementType = varVariant;
  std::vector<TVarArrayBound> bounds;
  std::vector<Variant> elements;
};

Variant::ArrayBox::ArrayBox(std::unique_ptr<ArrayData> data) : p(std::move(data)) {}
Variant::ArrayBox::ArrayBox(const ArrayBox& other)
    : p(other.p ? std::make_unique<ArrayData>(*other.p) : nullptr) {}
Variant::ArrayBox& Variant::ArrayBox::operator=(const ArrayBox& other) {
  if (this != &other)
    p = other.p ? std::make_unique<ArrayData>(*other.p) : nullptr;
  return *this;
}
Variant::ArrayBox::ArrayBox(ArrayBox&& other) noexcept = default;
Variant::ArrayBox& Variant::ArrayBox::operator=(ArrayBox&& other) noexcept = default;
Variant::ArrayBox::~ArrayBox() = default;

class VariantAccess {
public:
  static const Variant::ArrayData& Array(const Variant& v) { return *std::get<Variant::ArrayBox>(v.data_).p; }
  static Variant::ArrayData& Array(Variant& v) { return *std::get<Variant::ArrayBox>(v.data_).p; }
};

namespace {

[[noreturn]] void RaiseCast(TVarType from, TVarType to) {
  throw EVariantError("Could not convert variant of type (" + VarTypeAsText(from) + ") into type (" +
                      VarTypeAsText(to) + ")");
}
[[noreturn]] void RaiseOverflow(TVarType from, TVarType to) {
  throw EVariantError("Overflow while converting variant of type (" + VarTypeAsText(from) + ") into type (" +
                      VarTypeAsText(to) + ")");
}
[[noreturn]] void RaiseInvalidOp() {
  throw EVariantError("Invalid variant operation");
}
[[noreturn]] void RaiseBadIndex() {
  throw EVariantError("Variant or safe array index out of bounds");
}

bool IsFloatType(TVarType t) {
  return t == varSingle || t == varDouble || t == varCurrency || t == varDate;
}
bool IsStringType(TVarType t) {
  return t == varString || t == varOleStr;
}

struct IntRange {
  std::int64_t lo, hi;
};
IntRange RangeOf(TVarType t) {
  switch (t) {
  case varSmallint:
    return {-32768, 32767};
  case varInteger:
    return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
  case varShortInt:
    return {-128, 127};
  case varByte:
    return {0, 255};
  case varWord:
    return {0, 65535};
  case varLongWord:
    return {0, 0xFFFFFFFFll};
  case varBoolean:
    return {-1, 1};
  default:
    return {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()};
  }
}

// Float to integer rounds half to even, as the platform's conversions do.
bool RoundToInt64(double d, std::int64_t& out) {
  if (!std::isfinite(d))
    return false;
  double r = std::nearbyint(d);
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
    return false;
  out = std::int64_t(r);
  return true;
}

bool TextToInt64(std::string_view text, std::int64_t& out) {
  AnsiString t = Trim(text);
  if (t.empty())
    return false;
  std::size_t i = 0;
  bool negative = false;
  if (t[0] == '-' || t[0] == '+') {
    negative = t[0] == '-';
    i = 1;
  }
  if (i >= t.size())
    return false;
  unsigned long long value = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9')
      return false;
    unsigned digit = unsigned(t[i] - '0');
    if (value > (18446744073709551615ull - digit) / 10)
      return false;
    value = value * 10 + digit;
  }
  if (negative) {
    if (value > 9223372036854775808ull)
      return false;
    out = value == 9223372036854775808ull ? std::numeric_limits<std::int64_t>::min() : -std::int64_t(value);
  } else {
    if (value > 9223372036854775807ull)
      return false;
    out = std::int64_t(value);
  }
  return true;
}

AnsiString TextOf(const Variant& v) {
  return v.Type() == varString ? v.RawString() : WideToAnsi(v.RawWideString());
}

int Sign(double a, double b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}
template <typename T> int Sign3(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

std::mutex& CustomTypesMutex() {
  static std::mutex m;
  return m;
}
std::vector<const TCustomVariantType*>& CustomTypes() {
  static std::vector<const TCustomVariantType*> types;
  return types;
}

} // namespace

Currency Currency::FromDouble(double d) {
  std::int64_t v;
  if (!RoundToInt64(d * 10000.0, v))
    RaiseOverflow(varDouble, varCurrency);
  return Currency{v};
}

TCustomVariantType::TCustomVariantType(const char* name) : name_(name) {
  std::lock_guard lock(CustomTypesMutex());
  auto& types = CustomTypes();
  varType_ = TVarType(varFirstCustom + types.size());
  types.push_back(this);
}

const TCustomVariantType* FindCustomVariantType(TVarType varType) {
  std::lock_guard lock(CustomTypesMutex());
  auto& types = CustomTypes();
  if (varType < varFirstCustom || std::size_t(varType - varFirstCustom) >= types.size())
    return nullptr;
  return types[varType - varFirstCustom];
}

Variant Variant::MakeNull() {
  Variant v;
  v.type_ = varNull;
  return v;
}

Variant Variant::FromDate(TDateTime d) {
  Variant v(d);
  v.type_ = varDate;
  return v;
}

Variant Variant::FromSingle(float f) {
  Variant v{double(f)};
  v.type_ = varSingle;
  return v;
}

Variant Variant::FromInteger(std::int64_t value, TVarType type) {
  if (!VarTypeIsInteger(type))
    RaiseInvalidOp();
  IntRange r = RangeOf(type);
  if (value < r.lo || value > r.hi)
    RaiseOverflow(varInt64, type);
  Variant v(value);
  v.type_ = type;
  return v;
}

Variant Variant::FromCustom(std::shared_ptr<const TCustomVarValue> value) {
  Variant v;
  v.type_ = value->VarType();
  v.data_ = std::move(value);
  return v;
}

const TCustomVarValue* Variant::RawCustom() const {
  auto p = std::get_if<std::shared_ptr<const TCustomVarValue>>(&data_);
  return p ? p->get() : nullptr;
}

int Variant::AsInteger() const {
  return int(VarAsType(*this, varInteger).RawInteger());
}
std::int64_t Variant::AsInt64() const {
  return VarAsType(*this, varInt64).RawInteger();
}
double Variant::AsDouble() const {
  return VarAsType(*this, varDouble).RawDouble();
}
Currency Variant::AsCurrency() const {
  return Currency{VarAsType(*this, varCurrency).RawInteger()};
}
bool Variant::AsBoolean() const {
  return VarAsType(*this, varBoolean).RawInteger() != 0;
}
TDateTime Variant::AsDate() const {
  return VarAsType(*this, varDate).RawDouble();
}
AnsiString Variant::AsString() const {
  return type_ == varString ? RawString() : VarAsType(*this, varString).RawString();
}
WideString Variant::AsWideString() const {
  return type_ == varOleStr ? RawWideString() : VarAsType(*this, varOleStr).RawWideString();
}

const Variant& Variant::operator[](int index) const {
  if (VarArrayDimCount(*this) != 1)
    RaiseInvalidOp();
  auto& a = VariantAccess::Array(*this);
  long long pos = (long long)index - a.bounds[0].LowBound;
  if (pos < 0 || pos >= a.bounds[0].ElementCount)
    RaiseBadIndex();
  return a.elements[std::size_t(pos)];
}
Variant& Variant::operator[](int index) {
  if (VarArrayDimCount(*this) != 1)
    RaiseInvalidOp();
  auto& a = VariantAccess::Array(*this);
  long long pos = (long long)index - a.bounds[0].LowBound;
  if (pos < 0 || pos >= a.bounds[0].ElementCount)
    RaiseBadIndex();
  return a.elements[std::size_t(pos)];
}

bool VarIsStr(const Variant& v) {
  return IsStringType(v.Type());
}
bool VarTypeIsInteger(TVarType t) {
  switch (t) {
  case varSmallint:
  case varInteger:
  case varShortInt:
  case varByte:
  case varWord:
  case varLongWord:
  case varInt64:
    return true;
  default:
    return false;
  }
}

bool VarIsOrdinal(const Variant& v) {
  return VarTypeIsInteger(v.Type()) || v.Type() == varBoolean;
}
bool VarIsFloat(const Variant& v) {
  return v.Type() == varSingle || v.Type() == varDouble || v.Type() == varCurrency;
}
bool VarIsNumeric(const Variant& v) {
  return VarIsOrdinal(v) || VarIsFloat(v);
}

AnsiString VarTypeAsText(TVarType type) {
  AnsiString base;
  switch (type & varTypeMask) {
  case varEmpty:
    base = "Empty";
    break;
  case varNull:
    base = "Null";
    break;
  case varSmallint:
    base = "Smallint";
    break;
  case varInteger:
    base = "Integer";
    break;
  case varSingle:
    base = "Single";
    break;
  case varDouble:
    base = "Double";
    break;
  case varCurrency:
    base = "Currency";
    break;
  case varDate:
    base = "Date";
    break;
  case varOleStr:
    base = "OleStr";
    break;
  case varBoolean:
    base = "Boolean";
    break;
  case varVariant:
    base = "Variant";
    break;
  case varShortInt:
    base = "ShortInt";
    break;
  case varByte:
    base = "Byte";
    break;
  case varWord:
    base = "Word";
    break;
  case varLongWord:
    base = "LongWord";
    break;
  case varInt64:
    base = "Int64";
    break;
  case varString:
    base = "String";
    break;
  default:
    if (auto* custom = FindCustomVariantType(type & varTypeMask))
      base = custom->Name();
    else
      base = "$" + IntToStr(type & varTypeMask);
  }
  return (type & varArray) ? "Array " + base : base;
}

Variant VarArrayCreate(const std::vector<TVarArrayBound>& bounds, TVarType elementType) {
  if (bounds.empty() || bounds.size() > 64)
    throw EVariantError("Error creating variant or safe array");
  std::size_t total = 1;
  for (auto& b : bounds) {
    if (b.ElementCount < 0 ||
        (b.ElementCount > 0 && total > (std::size_t(1) << 28) / std::size_t(b.ElementCount)))
      throw EVariantError("Error creating variant or safe array");
    // The high bound must be an integer too, also for an empty dimension that starts at the lowest one.
    long long high = (long long)b.LowBound + b.ElementCount - 1;
    if (high > std::numeric_limits<int>::max() || high < std::numeric_limits<int>::min())
      throw EVariantError("Error creating variant or safe array");
    total *= std::size_t(b.ElementCount);
  }
  if (elementType != varVariant && (VarTypeIsInteger(elementType) || elementType == varBoolean)) {
  } else if (elementType != varVariant && !IsFloatType(elementType) && !IsStringType(elementType)) {
    throw EVariantError("Error creating variant or safe array");
  }
  auto data = std::make_unique<Variant::ArrayData>();
  data->elementType = elementType;
  data->bounds = bounds;
  Variant zero;
  if (elementType != varVariant)
    zero = VarAsType(Variant(0), elementType);
  data->elements.assign(total, zero);
  Variant v;
  v.type_ = TVarType(varArray | elementType);
  v.data_ = Variant::ArrayBox(std::move(data));
  return v;
}

Variant VarArrayOf(const std::vector<Variant>& values) {
  Variant v = VarArrayCreate({{0, int(values.size())}}, varVariant);
  VariantAccess::Array(v).elements = values;
  return v;
}

Variant VarArrayOf(std::initializer_list<Variant> values) {
  return VarArrayOf(std::vector<Variant>(values));
}

int VarArrayDimCount(const Variant& v) {
  return v.IsArray() ? int(VariantAccess::Array(v).bounds.size()) : 0;
}

std::span<const Variant> VarArrayElements(const Variant& v) {
  if (!v.IsArray())
    return {};
  auto& a = VariantAccess::Array(v);
  if (a.bounds.size() != 1)
    return {};
  return std::span<const Variant>(a.elements);
}

int VarArrayLowBound(const Variant& v, int dim) {
  if (dim < 1 || dim > VarArrayDimCount(v))
    throw EVariantError("Variant array bounds error");
  return VariantAccess::Array(v).bounds[std::size_t(dim - 1)].LowBound;
}

int VarArrayHighBound(const Variant& v, int dim) {
  if (dim < 1 || dim > VarArrayDimCount(v))
    throw EVariantError("Variant array bounds error");
  auto& b = VariantAccess::Array(v).bounds[std::size_t(dim - 1)];
  return b.LowBound + b.ElementCount - 1;
}

namespace {
std::size_t FlatIndex(const Variant& v, const std::vector<int>& indexes) {
  if (!v.IsArray())
    RaiseInvalidOp();
  auto& a = VariantAccess::Array(v);
  if (indexes.size() != a.bounds.size())
    RaiseBadIndex();
  std::size_t flat = 0;
  for (std::size_t d = 0; d < indexes.size(); ++d) {
    long long pos = (long long)indexes[d] - a.bounds[d].LowBound;
    if (pos < 0 || pos >= a.bounds[d].ElementCount)
      RaiseBadIndex();
    flat = flat * std::size_t(a.bounds[d].ElementCount) + std::size_t(pos);
  }
  return flat;
}
} // namespace

const Variant& VarArrayGet(const Variant& v, const std::vector<int>& indexes) {
  return VariantAccess::Array(v).elements[FlatIndex(v, indexes)];
}

void VarArrayPut(Variant& v, const Variant& value, const std::vector<int>& indexes) {
  std::size_t flat = FlatIndex(v, indexes);
  auto& a = VariantAccess::Array(v);
  a.elements[flat] = a.elementType == varVariant ? value : VarAsType(value, a.elementType);
}

AnsiString VarToStr(const Variant& v) {
  if (v.IsNull())
    return AnsiString();
  return v.AsString();
}

WideString VarToWideStr(const Variant& v) {
  if (v.IsNull())
    return WideString();
  return v.AsWideString();
}

Variant VarAsType(const Variant& v, TVarType type) {
  TVarType from = v.Type();
  if (from == type)
    return v;
  if ((from & varArray) || (type & varArray))
    RaiseCast(from, type);
  if (type == varVariant)
    return v;
  if (type == varEmpty)
    return Variant();
  if (type == varNull)
    return Variant::MakeNull();
  if (from == varNull)
    RaiseCast(from, type);

  if (auto* custom = v.RawCustom())
    return custom->ToStandard(type) /* the value type knows its own forms */;
  if (type >= varFirstCustom && type != varString) {
    auto* target = FindCustomVariantType(type);
    if (!target)
      RaiseCast(from, type);
    return target->CastFrom(v);
  }

  if (VarTypeIsInteger(type) || type == varBoolean) {
    std::int64_t value = 0;
    if (from == varEmpty)
      value = 0;
    else if (VarTypeIsInteger(from))
      value = v.RawInteger();
    else if (from == varBoolean)
      value = v.RawInteger() ? -1 : 0; // the platform's True is all bits set
    else if (from == varCurrency) {
      // Currency rounds half to even at the unit, like any other float.
      if (!RoundToInt64(double(v.RawInteger()) / 10000.0, value))
        RaiseOverflow(from, type);
    } else if (IsFloatType(from)) {
      if (!RoundToInt64(v.RawDouble(), value))
        RaiseOverflow(from, type);
    } else if (IsStringType(from)) {
      AnsiString text = TextOf(v);
      if (type == varBoolean) {
        AnsiString t = Trim(text);
        if (SameText(t, "True"))
          return Variant(true);
        if (SameText(t, "False"))
          return Variant(false);
      }
      double d;
      if (!TextToInt64(text, value)) {
        if (!VarTextToFloat(text, d))
          RaiseCast(from, type);
        if (!RoundToInt64(d, value))
          RaiseOverflow(from, type);
      }
    } else
      RaiseCast(from, type);
    if (type == varBoolean)
      return Variant(value != 0);
    IntRange r = RangeOf(type);
    if (value < r.lo || value > r.hi)
      RaiseOverflow(from, type);
    return Variant::FromInteger(value, type);
  }

  if (type == varCurrency) {
    if (from == varEmpty)
      return Variant(Currency{0});
    if (VarTypeIsInteger(from) || from == varBoolean) {
      std::int64_t i = from == varBoolean ? (v.RawInteger() ? -1 : 0) : v.RawInteger();
      if (i > std::numeric_limits<std::int64_t>::max() / 10000 ||
          i < std::numeric_limits<std::int64_t>::min() / 10000)
        RaiseOverflow(from, type);
      return Variant(Currency{i * 10000});
    }
    if (IsFloatType(from))
      return Variant(Currency::FromDouble(v.RawDouble()));
    if (IsStringType(from)) {
      double d;
      if (!VarTextToFloat(TextOf(v), d))
        RaiseCast(from, type);
      return Variant(Currency::FromDouble(d));
    }
    RaiseCast(from, type);
  }

  if (type == varDouble || type == varSingle || type == varDate) {
    double d = 0;
    if (from == varEmpty)
      d = 0;
    else if (VarTypeIsInteger(from))
      d = double(v.RawInteger());
    else if (from == varBoolean)
      d = v.RawInteger() ? -1.0 : 0.0;
    else if (from == varCurrency)
      d = double(v.RawInteger()) / 10000.0;
    else if (IsFloatType(from))
      d = v.RawDouble();
    else if (IsStringType(from)) {
      AnsiString text = TextOf(v);
      bool ok = type == varDate ? VarTextToDate(text, d) || VarTextToFloat(text, d) : VarTextToFloat(text, d);
      if (!ok)
        RaiseCast(from, type);
    } else
      RaiseCast(from, type);
    if (type == varSingle) {
      if (std::isfinite(d) && std::fabs(d) > double(std::numeric_limits<float>::max()))
        RaiseOverflow(from, type);
      return Variant::FromSingle(float(d));
    }
    return type == varDate ? Variant::FromDate(d) : Variant(d);
  }

  if (type == varString || type == varOleStr) {
    AnsiString text;
    switch (from) {
    case varEmpty:
      break;
    case varBoolean:
      text = BoolToStr(v.RawInteger() != 0, true);
      break;
    case varCurrency:
      text = VarCurrencyToText(Currency{v.RawInteger()});
      break;
    case varDate:
      text = VarDateToText(v.RawDouble());
      break;
    case varSingle:
      text = FloatToStrF(v.RawDouble(), ffGeneral, 7, 0);
      break;
    case varDouble:
      text = VarFloatToText(v.RawDouble());
      break;
    case varString:
      return Variant(AnsiToWide(v.RawString()));
    case varOleStr:
      return Variant(WideToAnsi(v.RawWideString()));
    default:
      if (!VarTypeIsInteger(from))
        RaiseCast(from, type);
      text = IntToStr(v.RawInteger());
    }
    return type == varString ? Variant(std::move(text)) : Variant(AnsiToWide(text));
  }
  RaiseCast(from, type);
}

namespace {

enum class Kind { Empty, Null, Int, Float, Currency, Bool, Text, Custom, Other };

Kind KindOf(const Variant& v) {
  TVarType t = v.Type();
  if (t == varEmpty)
    return Kind::Empty;
  if (t == varNull)
    return Kind::Null;
  if (VarTypeIsInteger(t))
    return Kind::Int;
  if (t == varCurrency)
    return Kind::Currency;
  if (IsFloatType(t))
    return Kind::Float;
  if (t == varBoolean)
    return Kind::Bool;
  if (IsStringType(t))
    return Kind::Text;
  if (v.RawCustom())
    return Kind::Custom;
  return Kind::Other;
}

int CompareText(const Variant& a, const Variant& b) {
  if (a.Type() == varString && b.Type() == varString) {
    // Equal bytes are equal in any collation; only differing texts need the locale's order.
    if (a.RawString() == b.RawString())
      return 0;
    return Sign3(AnsiCompareStr(a.RawString(), b.RawString()), 0);
  }
  return Sign3(WideCompareStr(a.AsWideString(), b.AsWideString()), 0);
}

int CompareNumbers(const Variant& a, const Variant& b, Kind ka, Kind kb) {
  if ((ka == Kind::Int || ka == Kind::Bool || ka == Kind::Empty) &&
      (kb == Kind::Int || kb == Kind::Bool || kb == Kind::Empty)) {
    std::int64_t x = ka == Kind::Empty ? 0 : a.RawInteger();
    std::int64_t y = kb == Kind::Empty ? 0 : b.RawInteger();
    return Sign3(x, y);
  }
  if (ka == Kind::Currency && kb == Kind::Currency)
    return Sign3(a.RawInteger(), b.RawInteger());
  return Sign(a.AsDouble(), b.AsDouble());
}

int CompareValues(const Variant& a, const Variant& b) {
  // Values of one plain type, the common case of filters and sorts, skip the general rules below.
  if (a.Type() == b.Type()) {
    switch (a.Type()) {
    case varNull:
    case varEmpty:
      return 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varCurrency:
      return Sign3(a.RawInteger(), b.RawInteger());
    case varBoolean:
      return Sign3(a.RawInteger() != 0, b.RawInteger() != 0);
    case varSingle:
    case varDouble:
    case varDate:
      return Sign(a.RawDouble(), b.RawDouble());
    case varString:
    case varOleStr:
      return CompareText(a, b);
    default:
      break;
    }
  }
  if (a.IsArray() || b.IsArray())
    RaiseInvalidOp();
  Kind ka = KindOf(a), kb = KindOf(b);
  if (ka == Kind::Null || kb == Kind::Null) {
    if (ka == kb)
      return 0;
    return ka == Kind::Null ? -1 : 1;
  }
  if (ka == Kind::Other || kb == Kind::Other)
    RaiseInvalidOp();
  if (ka == Kind::Custom)
    return a.RawCustom()->Compare(b);
  if (kb == Kind::Custom)
    return -b.RawCustom()->Compare(a);
  if (ka == Kind::Empty && kb == Kind::Empty)
    return 0;
  if (ka == Kind::Text && kb == Kind::Text)
    return CompareText(a, b);
  if (ka == Kind::Text || kb == Kind::Text) {
    const Variant& text = ka == Kind::Text ? a : b;
    Kind other = ka == Kind::Text ? kb : ka;
    if (other == Kind::Empty)
      return ka == Kind::Text ? CompareText(a, Variant(AnsiString())) : CompareText(Variant(AnsiString()), b);
    if (other == Kind::Bool) {
      bool tb = text.AsBoolean();
      return ka == Kind::Text ? Sign3(tb, b.RawInteger() != 0) : Sign3(a.RawInteger() != 0, tb);
    }
    double d;
    if (!VarTextToFloat(TextOf(text), d))
      RaiseCast(text.Type(), varDouble);
    Variant num(d);
    return ka == Kind::Text ? CompareNumbers(num, b, Kind::Float, kb)
                            : CompareNumbers(a, num, ka, Kind::Float);
  }
  if (ka == Kind::Bool && kb == Kind::Bool)
    return Sign3(a.RawInteger() != 0, b.RawInteger() != 0);
  if (ka == Kind::Bool || kb == Kind::Bool) {
    double x = ka == Kind::Bool ? (a.RawInteger() ? -1.0 : 0.0) : a.AsDouble();
    double y = kb == Kind::Bool ? (b.RawInteger() ? -1.0 : 0.0) : b.AsDouble();
    return Sign(x, y);
  }
  return CompareNumbers(a, b, ka, kb);
}

} // namespace

bool VarSameValue(const Variant& a, const Variant& b) {
  return CompareValues(a, b) == 0;
}
bool operator==(const Variant& a, const Variant& b) {
  // The locale's case-sensitive order tells any two different byte strings apart, so equality of two texts
  // needs no collation.
  if (a.Type() == varString && b.Type() == varString)
    return a.RawString() == b.RawString();
  return CompareValues(a, b) == 0;
}
bool operator<(const Variant& a, const Variant& b) {
  return CompareValues(a, b) < 0;
}
int VarCompareValue(const Variant& a, const Variant& b) {
  return CompareValues(a, b);
}

AnsiString VarFloatToText(double value) {
  return FloatToStr(value);
}

AnsiString VarCurrencyToText(Currency value) {
  std::int64_t v = value.Value;
  bool negative = v < 0;
  unsigned long long magnitude = negative ? 0ull - (unsigned long long)v : (unsigned long long)v;
  AnsiString text = std::to_string(magnitude / 10000);
  unsigned fraction = unsigned(magnitude % 10000);
  if (fraction) {
    // Exact from the count of ten-thousandths: a double would blur the last digits of large amounts.
    AnsiString f = std::to_string(fraction + 10000).substr(1);
    while (f.back() == '0')
      f.pop_back();
    text += FormatSettings.DecimalSeparator + f;
  }
  return negative ? "-" + text : text;
}

AnsiString VarDateToText(TDateTime value) {
  return DateTimeToStr(value);
}

bool VarTextToFloat(std::string_view text, double& value) {
  double d;
  if (!TryStrToFloat(text, d) || !std::isfinite(d))
    return false;
  value = d;
  return true;
}

bool VarTextToDate(std::string_view text, TDateTime& value) {
  return TryLenientStrToDateTime(text, value);
}

namespace {
bool IsIntegerVarType(TVarType t) {
  switch (t) {
  case varSmallint:
  case varInteger:
  case varShortInt:
  case varByte:
  case varWord:
  case varLongWord:
  case varInt64:
  case varBoolean:
  case varEmpty:
    return true;
  default:
    return false;
  }
}
} // namespace

Variant VarAdd(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull())
    return Null;
  TVarType ta = a.Type(), tb = b.Type();
  if (IsIntegerVarType(ta) && IsIntegerVarType(tb)) {
    std::int64_t r;
    if (!__builtin_add_overflow(a.AsInt64(), b.AsInt64(), &r)) {
      if (ta != varInt64 && tb != varInt64 && r >= INT32_MIN && r <= INT32_MAX)
        return Variant(int(r));
      return Variant(r);
    }
    return Variant(double(a.AsInt64()) + double(b.AsInt64()));
  }
  if ((ta == varCurrency && (tb == varCurrency || IsIntegerVarType(tb))) ||
      (tb == varCurrency && IsIntegerVarType(ta))) {
    Currency x = a.AsCurrency(), y = b.AsCurrency();
    std::int64_t r;
    if (!__builtin_add_overflow(x.Value, y.Value, &r))
      return Variant(Currency{r});
    return Variant(x.ToDouble() + y.ToDouble());
  }
  if (ta == varDate || tb == varDate)
    return Variant::FromDate(a.AsDouble() + b.AsDouble());
  return Variant(a.AsDouble() + b.AsDouble());
}

Variant VarDivideByCount(const Variant& a, int count) {
  if (count == 0)
    throw EVariantError("Division by zero");
  if (a.IsNull())
    return Null;
  if (a.Type() == varCurrency) {
    // Through a double the quotient of a tie lands a unit either side of it.
    std::int64_t n = a.AsCurrency().Value;
    if (n == INT64_MIN && count == -1)
      RaiseOverflow(varCurrency, varCurrency);
    std::int64_t q = n / count, r = n % count;
    std::uint64_t twice = 2 * (r < 0 ? 0 - std::uint64_t(r) : std::uint64_t(r));
    std::uint64_t divisor = count < 0 ? 0 - std::uint64_t(count) : std::uint64_t(count);
    if (twice > divisor || (twice == divisor && (q & 1)))
      q += (n < 0) != (count < 0) ? -1 : 1;
    return Variant(Currency{q});
  }
  if (a.Type() == varDate)
    return Variant::FromDate(a.AsDouble() / count);
  return Variant(a.AsDouble() / count);
}
