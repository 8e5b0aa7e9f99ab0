#pragma once
// The platform's SQL time stamp record and its custom variant type.
#include <cstdint>

#include "platform/rtl/Variants.h"

// 16 bytes: a signed year, then month, day, hour, minute and second, and the milliseconds.
struct TSQLTimeStamp {
  std::int16_t Year = 0;
  std::uint16_t Month = 0;
  std::uint16_t Day = 0;
  std::uint16_t Hour = 0;
  std::uint16_t Minute = 0;
  std::uint16_t Second = 0;
  std::uint32_t Fractions = 0;
  friend bool operator==(const TSQLTimeStamp&, const TSQLTimeStamp&) = default;
};
static_assert(sizeof(TSQLTimeStamp) == 16);

// Raises EConvertError for a record that is no valid date and time (the zero record is the zero date-time).
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts);
TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime dt);
AnsiString SQLTimeStampToStr(const TSQLTimeStamp& ts);
// Field by field, year first; -1, 0 or 1.
int SQLTimeStampCompare(const TSQLTimeStamp& a, const TSQLTimeStamp& b);

TVarType VarSQLTimeStamp();
Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ts);
// Converts a time stamp, date, number or date text; raises EVariantError otherwise.
TSQLTimeStamp VarToSQLTimeStamp(const Variant& v);
