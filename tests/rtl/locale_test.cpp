#include <gtest/gtest.h>

#include "platform/rtl/Locale.h"
#include "tests/rtl/settings_guard.h"

namespace {

using LocaleQueries = LocaleTest;

AnsiString Info(LCTYPE type) {
  char buf[64];
  const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
  return n > 0 ? AnsiString(buf, n - 1) : AnsiString("<none>");
}

TEST_F(LocaleQueries, LocaleInfo) {
  struct Case {
    LCTYPE type;
    const char* value; // UTF-8
  };
  const Case cases[] = {
      {LOCALE_SDECIMAL, ","},
      {LOCALE_STHOUSAND, "."},
      {LOCALE_SDATE, "."},
      {LOCALE_STIME, ":"},
      {LOCALE_SSHORTDATE, "dd.MM.yyyy"},
      {LOCALE_STIMEFORMAT, "HH:mm:ss"},
      {LOCALE_SCURRENCY, "TL"},
      {LOCALE_ICURRDIGITS, "2"},
      {LOCALE_ICURRENCY, "3"},
      {LOCALE_INEGCURR, "8"},
      {LOCALE_S1159, "ÖÖ"},
      {LOCALE_S2359, "ÖS"},
      {LOCALE_SDAYNAME1, "Pazartesi"},
      {LOCALE_SDAYNAME1 + 6, "Pazar"},
      {LOCALE_SABBREVDAYNAME1 + 2, "Çar"},
      {LOCALE_SMONTHNAME1, "Ocak"},
      {LOCALE_SMONTHNAME1 + 11, "Aralık"},
      {LOCALE_SABBREVMONTHNAME1 + 7, "Ağu"},
      {LOCALE_IFIRSTDAYOFWEEK, "0"},
      {LOCALE_IDEFAULTANSICODEPAGE, "1254"},
      {LOCALE_SLIST, ";"},
      {LOCALE_SDECIMAL | LOCALE_NOUSEROVERRIDE, ","},
      {0x7777, "<none>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AnsiToUtf8(Info(c.type)), c.value) << std::hex << c.type;

  SetLocaleFirstDayOfWeek(6);
  EXPECT_EQ(Info(LOCALE_IFIRSTDAYOFWEEK), "6");
  EXPECT_EQ(GetLocaleStr(LOCALE_USER_DEFAULT, 0x7777, "x"), "x");
}

TEST_F(LocaleQueries, BufferSizes) {
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, nullptr, 0), 11);
  char small[10] = "unchanged";
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, small, sizeof small), 0);
  char exact[11];
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, exact, sizeof exact), 11);
  EXPECT_STREQ(exact, "dd.MM.yyyy");
}

// Pictures and results are written in UTF-8 here and go through the default code page.
AnsiString DateText(const SYSTEMTIME* st, DWORD flags, const char* format) {
  char buf[100];
  const AnsiString picture = format ? Utf8ToAnsi(format) : AnsiString();
  const int n =
      GetDateFormatA(LOCALE_USER_DEFAULT, flags, st, format ? picture.c_str() : nullptr, buf, sizeof buf);
  return n > 0 ? AnsiToUtf8(AnsiString(buf, n - 1)) : AnsiString("<error>");
}

AnsiString TimeText(const SYSTEMTIME* st, DWORD flags, const char* format) {
  char buf[100];
  const AnsiString picture = format ? Utf8ToAnsi(format) : AnsiString();
  const int n =
      GetTimeFormatA(LOCALE_USER_DEFAULT, flags, st, format ? picture.c_str() : nullptr, buf, sizeof buf);
  return n > 0 ? AnsiToUtf8(AnsiString(buf, n - 1)) : AnsiString("<error>");
}

TEST_F(LocaleQueries, DatePictures) {
  SYSTEMTIME st;
  st.wYear = 2024, st.wMonth = 3, st.wDay = 5, st.wDayOfWeek = 0; // the day of the week is recomputed
  struct Case {
    DWORD flags;
    const char* format;
    const char* text;
  };
  const Case cases[] = {
      {DATE_SHORTDATE, nullptr, "05.03.2024"},
      {DATE_LONGDATE, nullptr, "05 Mart 2024 Salı"},
      {0, "d.M.yy", "5.3.24"},
      {0, "ddd, MMM y", "Sal, Mar 24"},
      {0, "'Gün' d 'ay''ı' M hh", "Gün 5 ay'ı 3 hh"},
      {0, "''yyyy''", "'2024'"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DateText(&st, c.flags, c.format), c.text) << (c.format ? c.format : "null");
  st.wMonth = 2, st.wDay = 30;
  EXPECT_EQ(DateText(&st, 0, nullptr), "<error>");
  SetFixedNow(EncodeDateTime(2026, 12, 7, 8, 5, 0, 0));
  EXPECT_EQ(DateText(nullptr, DATE_LONGDATE, nullptr), "07 Aralık 2026 Pazartesi");
}

TEST_F(LocaleQueries, TimePictures) {
  SYSTEMTIME st;
  st.wHour = 14, st.wMinute = 7, st.wSecond = 9;
  struct Case {
    DWORD flags;
    const char* format;
    const char* text;
  };
  const Case cases[] = {
      {0, nullptr, "14:07:09"},
      {TIME_NOSECONDS, nullptr, "14:07"},
      {TIME_NOMINUTESORSECONDS, nullptr, "14"},
      {0, "h:mm tt", "2:07 ÖS"},
      {0, "h:mm t", "2:07 Ö"},
      {TIME_NOTIMEMARKER, "h:mm tt", "2:07"},
      {TIME_NOTIMEMARKER, "tt hh:mm", "02:07"},
      {TIME_FORCE24HOURFORMAT, "h:mm:ss", "14:07:09"},
      {0, "H 'saat' m", "14 saat 7"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TimeText(&st, c.flags, c.format), c.text) << (c.format ? c.format : "null") << " " << c.flags;
  st.wHour = 0;
  EXPECT_EQ(TimeText(&st, 0, "h tt"), "12 ÖÖ");
  st.wHour = 24;
  EXPECT_EQ(TimeText(&st, 0, nullptr), "<error>");
}

} // namespace
