#include <gtest/gtest.h>

#include "editors/core/cxFormats.h"
#include "platform/controls/Forms.h"
#include "platform/win/Message.h"
#include "platform/win/SystemMetrics.h"

namespace {

using Items = std::vector<TcxDateTimeFormatItem>;

class Formats : public testing::Test {
protected:
  void SetUp() override {
    ResetFormatSettings();
    cxFormatsFinalize();
  }
  void TearDown() override {
    cxFormatsFinalize();
    ResetFormatSettings();
    SetLocaleFirstDayOfWeek(0);
  }
};

struct ParseCase {
  const char* Format;
  bool Parsed;
  Items Expected;
};

TEST_F(Formats, ParseDateTimeFormat) {
  FormatSettings.ShortDateFormat = "d/M/yy";
  FormatSettings.LongDateFormat = "dddd, MMMM d";
  FormatSettings.LongTimeFormat = "HH:mm";
  const ParseCase cases[] = {
      {"dd/MM/yyyy",
       true,
       {{dtikDay, "DD"},
        {dtikDateSeparator, "/"},
        {dtikMonth, "MM"},
        {dtikDateSeparator, "/"},
        {dtikYear, "YYYY"}}},
      {"HH:mm:ss",
       true,
       {{dtikHour, "24HH"},
        {dtikTimeSeparator, ":"},
        {dtikMinute, "NN"},
        {dtikTimeSeparator, ":"},
        {dtikSecond, "SS"}}},
      {"h:mm AM/PM",
       true,
       {{dtikHour, "12H"},
        {dtikTimeSeparator, ":"},
        {dtikMinute, "NN"},
        {dtikLiteral, " "},
        {dtikAMPM, "AM/PM"}}},
      {"hh a/p", true, {{dtikHour, "12HH"}, {dtikLiteral, " "}, {dtikAMPM, "a/p"}}},
      {"H ampm", true, {{dtikHour, "12H"}, {dtikLiteral, " "}, {dtikAMPM, "AMPM"}}},
      {"yy AM/PM", true, {{dtikYear, "YY"}, {dtikLiteral, " "}}}, // no hour: the designator is dropped
      {"gg/yyyy", false, {}},
      {"'at' d.'x'", true, {{dtikLiteral, "at "}, {dtikDay, "D"}, {dtikLiteral, ".x"}}},
      {"d d M", true, {{dtikDay, "D"}, {dtikLiteral, "  "}, {dtikMonth, "M"}}}, // a second day is left out
      {"MMMMMM eeee zzzz",
       true,
       {{dtikMonth, "MMMM"},
        {dtikLiteral, " "},
        {dtikYear, "YYYY"},
        {dtikLiteral, " "},
        {dtikMillisecond, "ZZZ"}}},
      {"aaaa", true, {{dtikDay, "DDDD"}}},
      {"ddddd",
       true,
       {{dtikDay, "D"},
        {dtikDateSeparator, "/"},
        {dtikMonth, "M"},
        {dtikDateSeparator, "/"},
        {dtikYear, "YY"}}},
      {"dddddd", true, {{dtikDay, "DDDD"}, {dtikLiteral, ", "}, {dtikMonth, "MMMM"}, {dtikLiteral, " "}}},
      {"t", true, {{dtikHour, "24HH"}, {dtikTimeSeparator, ":"}, {dtikMinute, "NN"}}},
      {"",
       true,
       {{dtikDay, "D"},
        {dtikDateSeparator, "/"},
        {dtikMonth, "M"},
        {dtikDateSeparator, "/"},
        {dtikYear, "YY"},
        {dtikLiteral, " "},
        {dtikHour, "24HH"},
        {dtikTimeSeparator, ":"},
        {dtikMinute, "NN"}}},
  };
  for (const ParseCase& c : cases) {
    TcxDateTimeFormatInfo info;
    info.Items.push_back({dtikLiteral, "stale"});
    EXPECT_EQ(c.Parsed, ParseDateTimeFormat(c.Format, info)) << c.Format;
    EXPECT_EQ(c.Expected, info.Items) << c.Format;
    for (int k = 0; k < dtikCount; ++k) {
      bool present = std::any_of(c.Expected.begin(), c.Expected.end(),
                                 [k](const TcxDateTimeFormatItem& I) { return I.Kind == k; });
      EXPECT_EQ(present, info.DefinedItems[std::size_t(k)]) << c.Format << " kind " << k;
    }
  }
}

struct DeriveCase {
  const char* Format;
  int Mode;
  const char* RegExpr;
  const char* Standard;
  const char* EditFormat;
};

TEST_F(Formats, MasksAndEditFormats) {
  FormatSettings.TimeAMString = "AM";
  FormatSettings.TimePMString = "PM";
  FormatSettings.DateSeparator = '/';
  const DeriveCase cases[] = {
      {"dd/MM/yyyy", 0,
       "([012]?[1-9]|[123]0|31)\\/((0?[1-9]|1[012])|('Oca'|'\xDEub'|'Mar'|'Nis'|'May'|'Haz'|'Tem'|"
       "'A\xF0u'|'Eyl'|'Eki'|'Kas'|'Ara'))\\/\\d\\d\\d\\d",
       "!99/99/9999;1; ", "dd/mm/yyyy"},
      {"HH:mm:ss", 1, "([01]?\\d|2[0-3])\\:[0-5]?\\d\\:[0-5]?\\d", "00:00:00;1;0", "hh:nn:ss"},
      // "tt" is the long time format, whose hour and minute are already there: only its separators and
      // seconds are left.
      {"h:mm tt", 1, "([01]?\\d|2[0-3])\\:[0-5]?\\d' '\\:\\:[0-5]?\\d", "00:00\\ ::00;1;0", "hh:nn' '::ss"},
      {"hh:mm A/P", 1, "(0?[1-9]|1[012])\\:[0-5]?\\d' '(A|P)?", "00:00\\ c;1;0", "hh:nn' 'a/p"},
      {"h AMPM", 1, "(0?[1-9]|1[012])' '('AM'|'PM')?", "00\\ cc;1;0", "hh' 'ampm"},
      {"ddd d MMM yy", 2, "", "!lll\\ \\ lll\\ 99;1; ", "ddd'  'mmm' 'yy"},
  };
  for (const DeriveCase& c : cases) {
    TcxDateTimeFormatInfo info;
    ASSERT_TRUE(ParseDateTimeFormat(c.Format, info)) << c.Format;
    if (c.Mode < 2) {
      EXPECT_EQ(c.RegExpr, GetRegExprDateTimeMask(info, c.Mode)) << c.Format;
    }
    EXPECT_EQ(c.Standard, GetStandardDateTimeMask(info, c.Mode)) << c.Format;
    EXPECT_EQ(c.EditFormat, GetDateTimeEditFormat(info)) << c.Format;
  }
  TcxDateTimeFormatInfo empty;
  EXPECT_EQ("", GetStandardDateTimeMask(empty, 0));
}

TEST_F(Formats, SeparatorsInTheRegularExpressionMask) {
  TcxDateTimeFormatInfo info;
  ASSERT_TRUE(ParseDateTimeFormat("d/yy", info));
  for (auto [separator, written] : {std::pair{' ', "' '"}, std::pair{'\0', ""}, std::pair{'-', "\\-"}}) {
    FormatSettings.DateSeparator = separator;
    EXPECT_EQ(AnsiString("([012]?[1-9]|[123]0|31)") + written + "\\d\\d", GetRegExprDateTimeMask(info, 0));
  }
}

TEST_F(Formats, ItemWidthsAndPositions) {
  FormatSettings.TimeAMString = "AM";
  FormatSettings.TimePMString = "noon";
  TcxDateTimeFormatInfo info;
  ASSERT_TRUE(ParseDateTimeFormat("dd/MMM/yy hh:mm:ss.zzz tt", info));
  ParseDateTimeFormat("dd/MMM/yy hh:mm:ss.zzz ampm", info);
  // 2 + 1 + 3 + 1 + 2 + 1 (blank) + 2 + 1 + 2 + 1 + 2 + 1 (dot) + 0 + 1 (blank) + 4 (longer designator)
  EXPECT_EQ(24, GetDateTimeFormatTextLength(info));
  struct Case {
    int Position;
    TcxDateTimeFormatItemKind Kind;
    int Start;
    int Length;
  };
  for (Case c : {Case{1, dtikDay, 1, 2}, Case{2, dtikDay, 1, 2}, Case{3, dtikDateSeparator, 3, 1},
                 Case{4, dtikMonth, 4, 3}, Case{10, dtikLiteral, 10, 1}, Case{21, dtikAMPM, 21, 4},
                 Case{24, dtikAMPM, 21, 4}}) {
    TcxDateTimeFormatItemKind kind{};
    int start = 0, length = 0;
    ASSERT_TRUE(FindDateTimeFormatItem(info, c.Position, kind, start, length)) << c.Position;
    EXPECT_EQ(c.Kind, kind) << c.Position;
    EXPECT_EQ(c.Start, start) << c.Position;
    EXPECT_EQ(c.Length, length) << c.Position;
  }
  TcxDateTimeFormatItemKind kind{};
  int start = 0, length = 0;
  EXPECT_FALSE(FindDateTimeFormatItem(info, 25, kind, start, length));
  EXPECT_FALSE(FindDateTimeFormatItem(info, 0, kind, start, length));
  EXPECT_EQ(0, GetAMPMKind("a/p"));
  EXPECT_EQ(1, GetAMPMKind("Am/pM"));
  EXPECT_EQ(2, GetAMPMKind("AMPM"));
}

TEST_F(Formats, CurrencyFormat) {
  struct Case {
    const char* Symbol;
    int Format;
    int Negative;
    int Decimals;
    const char* Expected;
  };
  for (Case c : {Case{"$", 0, 1, 2, "$,0.00;-$,0.00"}, Case{"TL", 3, 8, 2, ",0.00 TL;-,0.00 TL"},
                 Case{"kr.", 1, 0, 0, ",0.kr'.';(kr'.',0.)"}, Case{"", 2, 15, 1, ",0.0;(,0.0 )"},
                 Case{"E", 2, 13, 1, "E ,0.0;,0.0- E"}, Case{"E", 0, 10, 1, "E,0.0;,0.0 E-"}}) {
    FormatSettings.CurrencyString = c.Symbol;
    FormatSettings.CurrencyFormat = BYTE(c.Format);
    FormatSettings.NegCurrFormat = BYTE(c.Negative);
    FormatSettings.CurrencyDecimals = BYTE(c.Decimals);
    EXPECT_EQ(c.Expected, GetCurrencyFormat()) << c.Symbol << " " << c.Format << " " << c.Negative;
  }
}

TEST_F(Formats, DateDisplayFormat) {
  for (auto [format, plain, capped] : {std::tuple{"d/M/yy", "dd/MM/yy", "dd/MM/yy"},
                                       std::tuple{"dd MMMM yyyy", "dd MMMM yyyy", "dd MMM yyyy"},
                                       std::tuple{"d.MMM.yyyy", "dd.MMM.yyyy", "dd.MMM.yyyy"}}) {
    FormatSettings.ShortDateFormat = format;
    EXPECT_EQ(plain, GetDateDisplayFormat(false)) << format;
    EXPECT_EQ(capped, GetDateDisplayFormat(true)) << format;
  }
}

class RecordingListener : public IcxFormatControllerListener {
public:
  void FormatChanged() override {
    Calls.push_back("format " + GetFormatController()->DateEditFormat());
    if (Raise)
      throw Exception("listener failed");
  }
  std::vector<AnsiString> Calls;
  bool Raise = false;
};

class TimeListener : public RecordingListener, public IcxFormatControllerListener2 {
public:
  void TimeChanged() override { Calls.push_back("time"); }
};

TEST_F(Formats, ControllerDerivesFromTheLocaleAndFollowsItsChanges) {
  TcxFormatController* c = GetFormatController();
  EXPECT_EQ(",0.00 TL;-,0.00 TL", c->CurrencyFormat());
  EXPECT_EQ("dd.MM.yyyy", c->DateFormat());
  EXPECT_EQ("dd'.'mm'.'yyyy", c->DateEditFormat());
  EXPECT_EQ("dd'.'mm'.'yyyy' 'hh:nn:ss", c->DateTimeEditFormat());
  EXPECT_EQ(1, c->StartOfWeek()); // the Turkish week starts on Monday
  EXPECT_EQ(nullptr, c->Window());

  RecordingListener first;
  TimeListener second;
  c->AddListener(&first);
  c->AddListener(&second);
  c->AddListener(&first);
  EXPECT_EQ(2, c->ListenerCount());
  ASSERT_NE(nullptr, c->Window());

  c->SetStandardDateEditMask("!00/00/0000;1;_");
  TFormatSettings us = TurkishFormatSettings();
  us.ShortDateFormat = "M/d/yyyy";
  us.DateSeparator = '/';
  us.CurrencyString = "$";
  us.CurrencyFormat = 0;
  us.NegCurrFormat = 0;
  SetLocaleFirstDayOfWeek(6);
  platform::ApplyLocaleSettings(us);
  EXPECT_EQ("M/d/yyyy", FormatSettings.ShortDateFormat);
  EXPECT_EQ((std::vector<AnsiString>{"format mm/dd/yyyy"}), first.Calls);
  EXPECT_EQ((std::vector<AnsiString>{"format mm/dd/yyyy"}), second.Calls);
  EXPECT_EQ("$,0.00;($,0.00)", c->CurrencyFormat());
  EXPECT_EQ("MM/dd/yyyy", c->DateFormat());
  EXPECT_EQ(0, c->StartOfWeek());
  EXPECT_EQ("!00/00/0000;1;_", c->StandardDateEditMask()); // assigned, so kept
  EXPECT_EQ("!99/99/9999\\ 99:99:99;1; ", c->StandardDateTimeEditMask());

  // Other sections and other messages do not re-derive; the time change goes only to the second kind.
  first.Calls.clear();
  second.Calls.clear();
  static const char windows[] = "windows";
  platform::BroadcastToTopLevel(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(windows));
  platform::BroadcastToTopLevel(WM_SETTINGCHANGE, 0, 0);
  platform::BroadcastToTopLevel(WM_TIMECHANGE, 0, 0);
  EXPECT_TRUE(first.Calls.empty());
  EXPECT_EQ((std::vector<AnsiString>{"time"}), second.Calls);

  c->RemoveListener(&first);
  EXPECT_NE(nullptr, c->Window());
  c->RemoveListener(&second);
  EXPECT_EQ(nullptr, c->Window());
}

TEST_F(Formats, ApplicationThatKeepsItsFormatSettingsIsNotRederived) {
  TcxFormatController* c = GetFormatController();
  RecordingListener listener;
  c->AddListener(&listener);
  Application()->SetUpdateFormatSettings(false);
  TFormatSettings changed = TurkishFormatSettings();
  changed.ShortDateFormat = "yyyy-MM-dd";
  platform::ApplyLocaleSettings(changed);
  Application()->SetUpdateFormatSettings(true);
  EXPECT_EQ("dd.MM.yyyy", FormatSettings.ShortDateFormat);
  EXPECT_TRUE(listener.Calls.empty());
  c->RemoveListener(&listener);
}

TEST_F(Formats, ListenerExceptionGoesToTheApplication) {
  TcxFormatController* c = GetFormatController();
  RecordingListener failing;
  failing.Raise = true;
  c->AddListener(&failing);
  struct Handler {
    void Handle(TObject* Sender, const std::exception& E) {
      Senders.push_back(Sender);
      Texts.push_back(E.what());
    }
    std::vector<TObject*> Senders;
    std::vector<AnsiString> Texts;
  } handler;
  Application()->OnException = TExceptionEvent(&handler, &Handler::Handle);
  static const char intl[] = "intl";
  EXPECT_EQ(0, SendMessageA(c->Window(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(intl)));
  Application()->OnException = nullptr;
  EXPECT_EQ((std::vector<AnsiString>{"listener failed"}), handler.Texts);
  EXPECT_EQ((std::vector<TObject*>{c}), handler.Senders);
  c->RemoveListener(&failing);
}

TEST_F(Formats, AssignedValuesStayUntilClearedAndDateTimeMaskWrapsTheDateMask) {
  TcxFormatController* c = GetFormatController();
  c->SetRegExprDateEditMask("\\d");
  EXPECT_EQ("\\d", c->RegExprDateEditMask());
  EXPECT_EQ(0u, c->RegExprDateTimeEditMask().find("((\\d)' '("));
  c->SetCurrencyFormat("x");
  c->SetStartOfWeek(3);
  c->GetFormats();
  EXPECT_EQ("x", c->CurrencyFormat());
  EXPECT_EQ(3, c->StartOfWeek());
  c->SetRegExprDateEditMask("");
  c->SetCurrencyFormat("");
  c->SetStartOfWeek(7);
  EXPECT_NE("\\d", c->RegExprDateEditMask());
  EXPECT_EQ(",0.00 TL;-,0.00 TL", c->CurrencyFormat());
  EXPECT_EQ(1, c->StartOfWeek());
}

} // namespace
