#pragma once
// Dates and times as TDateTime: days since 1899-12-30, the fraction the time of day. Before that day the
// integral part counts back and the fraction still counts forward: -1.25 is 1899-12-29 06:00.
#include <array>
#include <functional>

#include "platform/rtl/FormatSettings.h"

using TDateTime = double;

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = 24 * 60;
constexpr int SecsPerDay = MinsPerDay * 60;
constexpr int MSecsPerDay = SecsPerDay * 1000;
// Days from 0001-01-01 to 1899-12-30.
constexpr int DateDelta = 693594;
constexpr TDateTime MinDateTime = -693593.0;           // 0001-01-01
constexpr TDateTime MaxDateTime = 2958465.99999999999; // 9999-12-31 23:59:59.999

// Days of each month; the second row is a leap year's.
extern const std::array<std::array<WORD, 12>, 2> MonthDays;

bool IsLeapYear(WORD year);
WORD DaysInAMonth(WORD year, WORD month); // 0 for a month out of range
WORD DaysInMonth(TDateTime value);

// Years 1..9999, months 1..12, days of the month; hours below 24, minutes and seconds below 60,
// milliseconds below 1000. The plain forms raise EConvertError for anything else.
bool TryEncodeDate(WORD year, WORD month, WORD day, TDateTime& date);
TDateTime EncodeDate(WORD year, WORD month, WORD day);
bool TryEncodeTime(WORD hour, WORD min, WORD sec, WORD msec, TDateTime& time);
TDateTime EncodeTime(WORD hour, WORD min, WORD sec, WORD msec);
bool TryEncodeDateTime(WORD year, WORD month, WORD day, WORD hour, WORD min, WORD sec, WORD msec,
                       TDateTime& value);
TDateTime EncodeDateTime(WORD year, WORD month, WORD day, WORD hour, WORD min, WORD sec, WORD msec);
// A date and a time of day as one value, also before 1899-12-30.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// Values are rounded to the millisecond first. A date outside years 1..9999 decodes as all zeros.
void DecodeDate(TDateTime value, WORD& year, WORD& month, WORD& day);
// Also the day of the week (1 = Sunday); answers whether the year is a leap year.
bool DecodeDateFully(TDateTime value, WORD& year, WORD& month, WORD& day, WORD& dow);
void DecodeTime(TDateTime value, WORD& hour, WORD& min, WORD& sec, WORD& msec);
void DecodeDateTime(TDateTime value, WORD& year, WORD& month, WORD& day, WORD& hour, WORD& min, WORD& sec,
                    WORD& msec);

int DayOfWeek(TDateTime value); // 1 = Sunday ... 7 = Saturday
WORD YearOf(TDateTime value);
WORD MonthOf(TDateTime value);
WORD DayOf(TDateTime value);
TDateTime DateOf(TDateTime value); // the day, the time of day dropped
TDateTime TimeOf(TDateTime value); // the time of day
// Moves by whole months; a day past the end of the target month becomes its last day. The time is kept.
TDateTime IncMonth(TDateTime value, int months = 1);
void IncAMonth(WORD& year, WORD& month, WORD& day, int months = 1);

// The clock. By default the machine's local time; tests set a function or a fixed value.
using TClockFunction = std::function<TDateTime()>;
void SetClock(TClockFunction clock);
void SetFixedNow(TDateTime now);
void ResetClock();
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Format letters, in any case: c; d dd ddd dddd ddddd dddddd; m mm mmm mmmm (minutes right after an
// hour); yy yyyy; h hh (12-hour when an am/pm follows); n nn; s ss; z zzz; t tt; am/pm a/p ampm; / and :
// for the date and time separators; text in single or double quotes as written. An empty format is "c".
AnsiString FormatDateTime(std::string_view format, TDateTime value);
AnsiString FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings);
AnsiString DateToStr(TDateTime value);
AnsiString DateToStr(TDateTime value, const TFormatSettings& settings);
AnsiString TimeToStr(TDateTime value);
AnsiString TimeToStr(TDateTime value, const TFormatSettings& settings);
AnsiString DateTimeToStr(TDateTime value);
AnsiString DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// Parsing follows the settings: numbers separated by DateSeparator in the order of ShortDateFormat (a
// missing year is the current one, a two-digit year is placed by TwoDigitYearCenturyWindow), times as
// hours, minutes, optional seconds and milliseconds separated by TimeSeparator and DecimalSeparator, with
// an optional AM/PM designator. Blanks around the parts are allowed; nothing else may follow.
bool TryStrToDate(std::string_view s, TDateTime& value);
bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& settings);
bool TryStrToTime(std::string_view s, TDateTime& value);
bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& settings);
// A date, a date and a time, or a time alone.
bool TryStrToDateTime(std::string_view s, TDateTime& value);
bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& settings);
// The lenient reading of the Variant conversion: what TryStrToDateTime accepts, and also date parts
// separated by blanks, the date separator, "/", "-" or ",", a month given by its short or long name in any
// case, and a time after the date.
bool TryLenientStrToDateTime(std::string_view s, TDateTime& value);
bool TryLenientStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDate(std::string_view s); // these raise EConvertError
TDateTime StrToDate(std::string_view s, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view s);
TDateTime StrToTime(std::string_view s, const TFormatSettings& settings);
TDateTime StrToDateTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings);
