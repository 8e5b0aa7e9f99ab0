#pragma once
// The platform's locale queries, answered from the injectable locale of FormatSettings.h. There is one
// locale, the user's: every locale identifier answers the same.
#include "platform/rtl/FormatSettings.h"

using LCID = DWORD;
using LCTYPE = DWORD;

constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_TURKISH = 0x041F;

constexpr LCTYPE LOCALE_NOUSEROVERRIDE = 0x80000000;
constexpr LCTYPE LOCALE_SLIST = 0x0C;
constexpr LCTYPE LOCALE_SDECIMAL = 0x0E;
constexpr LCTYPE LOCALE_STHOUSAND = 0x0F;
constexpr LCTYPE LOCALE_SCURRENCY = 0x14;
constexpr LCTYPE LOCALE_ICURRDIGITS = 0x19;
constexpr LCTYPE LOCALE_ICURRENCY = 0x1B;
constexpr LCTYPE LOCALE_INEGCURR = 0x1C;
constexpr LCTYPE LOCALE_SDATE = 0x1D;
constexpr LCTYPE LOCALE_STIME = 0x1E;
constexpr LCTYPE LOCALE_SSHORTDATE = 0x1F;
constexpr LCTYPE LOCALE_SLONGDATE = 0x20;
constexpr LCTYPE LOCALE_S1159 = 0x28;
constexpr LCTYPE LOCALE_S2359 = 0x29;
constexpr LCTYPE LOCALE_SDAYNAME1 = 0x2A;       // Monday; ..7 is Sunday
constexpr LCTYPE LOCALE_SABBREVDAYNAME1 = 0x31; // Monday; ..7 is Sunday
constexpr LCTYPE LOCALE_SMONTHNAME1 = 0x38;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME1 = 0x44;
constexpr LCTYPE LOCALE_STIMEFORMAT = 0x1003;
constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
constexpr LCTYPE LOCALE_IFIRSTDAYOFWEEK = 0x100C; // "0" Monday ... "6" Sunday

constexpr DWORD DATE_SHORTDATE = 0x1;
constexpr DWORD DATE_LONGDATE = 0x2;
constexpr DWORD TIME_NOMINUTESORSECONDS = 0x1;
constexpr DWORD TIME_NOSECONDS = 0x2;
constexpr DWORD TIME_NOTIMEMARKER = 0x4;
constexpr DWORD TIME_FORCE24HOURFORMAT = 0x8;

struct SYSTEMTIME {
  WORD wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0, wHour = 0, wMinute = 0, wSecond = 0,
       wMilliseconds = 0;
};

LCID GetThreadLocale();
LCID GetUserDefaultLCID();
LCID GetSystemDefaultLCID();

// The value as text with its terminating zero: with size 0 the length it needs, else the characters
// written, or 0 when the buffer is too small or the type unknown.
int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int size);
// The value, or def when the type is unknown.
AnsiString GetLocaleStr(LCID locale, LCTYPE type, const AnsiString& def);

// Date and time pictures of the locale: d dd ddd dddd, M MM MMM MMMM, y yy yyyy; h hh (12-hour) H HH,
// m mm, s ss, t tt (the time marker); text in single quotes, '' for a quote. A null date or time is the
// clock's current one; a null format the locale's own (short or long date, the time format). Returns as
// GetLocaleInfoA does, and 0 for an invalid date or time.
int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, const char* format, char* buf, int size);
int GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME* time, const char* format, char* buf, int size);
