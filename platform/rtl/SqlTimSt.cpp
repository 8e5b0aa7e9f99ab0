#include "platform/rtl/SqlTimSt.h"

#include <cmath>

namespace {

bool IsLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysIn(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
}

// Days since 1899-12-30 of a proleptic Gregorian date.
long long Serial(int year, int month, int day) {
  long long y = year - (month <= 2 ? 1 : 0);
  long long era = (y >= 0 ? y : y - 399) / 400;
  long long yoe = y - era * 400;
  long long mp = month > 2 ? month - 3 : month + 9;
  long long doy = (153 * mp + 2) / 5 + day - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 693899;
}

void Civil(long long serial, int& year, int& month, int& day) {
  long long z = serial + 693899;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  day = int(doy - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

[[noreturn]] void RaiseInvalid() {
  throw EConvertError("Invalid SQL time stamp");
}

class TimeStampValue final : public TCustomVarValue {
public:
  explicit TimeStampValue(const TSQLTimeStamp& ts) : ts_(ts) {}
  TVarType VarType() const override { return VarSQLTimeStamp(); }
  AnsiString ToText() const override { return SQLTimeStampToStr(ts_); }
  Variant ToStandard(TVarType target) const override {
    if (target == varString || target == varOleStr)
      return VarAsType(Variant(SQLTimeStampToStr(ts_)), target);
    return VarAsType(Variant::FromDate(SQLTimeStampToDateTime(ts_)), target);
  }
  int Compare(const Variant& other) const override {
    return SQLTimeStampCompare(ts_, VarToSQLTimeStamp(other));
  }
  const TSQLTimeStamp& TimeStamp() const { return ts_; }

private:
  TSQLTimeStamp ts_;
};

class TimeStampVariantType final : public TCustomVariantType {
public:
  TimeStampVariantType() : TCustomVariantType("SQLTimeStampVariantType") {}
  Variant CastFrom(const Variant& source) const override {
    return VarSQLTimeStampCreate(VarToSQLTimeStamp(source));
  }
};

} // namespace

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts) {
  if (ts == TSQLTimeStamp())
    return 0;
  if (ts.Year < 1 || ts.Month < 1 || ts.Month > 12 || ts.Day < 1 || ts.Day > DaysIn(ts.Year, ts.Month) ||
      ts.Hour > 23 || ts.Minute > 59 || ts.Second > 59 || ts.Fractions > 999)
    RaiseInvalid();
  double time = (ts.Hour * 3600000.0 + ts.Minute * 60000.0 + ts.Second * 1000.0 + ts.Fractions) / 86400000.0;
  long long day = Serial(ts.Year, ts.Month, ts.Day);
  // Before the epoch the fraction still counts forward from midnight, so it is subtracted from the day.
  return day < 0 ? double(day) - time : double(day) + time;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime dt) {
  if (!std::isfinite(dt) || std::fabs(dt) > 3000000.0)
    RaiseInvalid();
  double whole = std::trunc(dt);
  long long day = (long long)whole;
  long long ms = std::llround(std::fabs(dt - whole) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    day += dt < 0 ? -1 : 1;
  }
  int y, m, d;
  Civil(day, y, m, d);
  if (y < 1 || y > 9999)
    RaiseInvalid();
  TSQLTimeStamp ts;
  ts.Year = std::int16_t(y);
  ts.Month = std::uint16_t(m);
  ts.Day = std::uint16_t(d);
  ts.Hour = std::uint16_t(ms / 3600000);
  ts.Minute = std::uint16_t(ms / 60000 % 60);
  ts.Second = std::uint16_t(ms / 1000 % 60);
  ts.Fractions = std::uint32_t(ms % 1000);
  return ts;
}

AnsiString SQLTimeStampToStr(const TSQLTimeStamp& ts) {
  return VarDateToText(SQLTimeStampToDateTime(ts));
}

int SQLTimeStampCompare(const TSQLTimeStamp& a, const TSQLTimeStamp& b) {
  long long fields[][2] = {{a.Year, b.Year},          {a.Month, b.Month},   {a.Day, b.Day},
                           {a.Hour, b.Hour},          {a.Minute, b.Minute}, {a.Second, b.Second},
                           {a.Fractions, b.Fractions}};
  for (auto& f : fields)
    if (f[0] != f[1])
      return f[0] < f[1] ? -1 : 1;
  return 0;
}

TVarType VarSQLTimeStamp() {
  static const TimeStampVariantType type;
  return type.VarType();
}

Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ts) {
  return Variant::FromCustom(std::make_shared<TimeStampValue>(ts));
}

TSQLTimeStamp VarToSQLTimeStamp(const Variant& v) {
  if (v.Type() == VarSQLTimeStamp())
    return static_cast<const TimeStampValue*>(v.RawCustom())->TimeStamp();
  try {
    return DateTimeToSQLTimeStamp(v.AsDate());
  } catch (const EConvertError&) {
  }
  throw EVariantError("Could not convert variant of type (" + VarTypeAsText(v.Type()) + ") into type (" +
                      VarTypeAsText(VarSQLTimeStamp()) + ")");
}
