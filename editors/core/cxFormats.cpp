#include "editors/core/cxFormats.h"

#include <algorithm>

#include "editors/core/cxDateUtils.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/Locale.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace {

char Upper(char C) {
  return C >= 'a' && C <= 'z' ? char(C - 'a' + 'A') : C;
}

bool IsAsciiLetter(char C) {
  C = Upper(C);
  return C >= 'A' && C <= 'Z';
}

bool StartsWithText(const AnsiString& S, std::size_t I, std::string_view AWord) {
  if (S.size() - I < AWord.size())
    return false;
  for (std::size_t k = 0; k < AWord.size(); ++k)
    if (Upper(S[I + k]) != AWord[k])
      return false;
  return true;
}

class TFormatParser {
public:
  explicit TFormatParser(TcxDateTimeFormatInfo& AInfo) : FInfo(AInfo) {}

  // ANested: the format was referenced from another one, so references inside it are skipped.
  bool Parse(const AnsiString& F, bool ANested) {
    std::size_t i = 0;
    while (i < F.size()) {
      char c = F[i];
      char u = Upper(c);
      std::size_t run = 1;
      while (i + run < F.size() && Upper(F[i + run]) == u && IsAsciiLetter(c))
        ++run;
      if (c == '"' || c == '\'') {
        std::size_t close = F.find(c, i + 1);
        if (close == AnsiString::npos)
          close = F.size();
        AddLiteral(F.substr(i + 1, close - i - 1));
        i = std::min(close + 1, F.size());
        continue;
      }
      if (!IsAsciiLetter(c)) {
        if (c == '/')
          Add(dtikDateSeparator, "/");
        else if (c == ':')
          Add(dtikTimeSeparator, ":");
        else
          AddLiteral(AnsiString(1, c));
        ++i;
        continue;
      }
      if (u == 'M' && FPreviousLetter == 'H')
        u = 'N';
      FPreviousLetter = u;
      switch (u) {
      case 'A':
        if (StartsWithText(F, i, "AM/PM")) {
          Add(dtikAMPM, F.substr(i, 5));
          i += 5;
        } else if (StartsWithText(F, i, "A/P")) {
          Add(dtikAMPM, F.substr(i, 3));
          i += 3;
        } else if (StartsWithText(F, i, "AMPM")) {
          Add(dtikAMPM, "AMPM");
          i += 4;
        } else if (run == 3 || run == 4) {
          Add(dtikDay, AnsiString(run, 'D'));
          i += run;
        } else {
          AddLiteral(AnsiString(1, c));
          ++i;
        }
        continue;
      case 'C':
        if (!ANested) {
          if (!Parse(FormatSettings.ShortDateFormat, true))
            return false;
          AddLiteral(" ");
          if (!Parse(FormatSettings.LongTimeFormat, true))
            return false;
        }
        i += 1;
        continue;
      case 'D':
        if (run <= 4)
          Add(dtikDay, AnsiString(run, 'D'));
        else if (!ANested &&
                 !Parse(run == 5 ? FormatSettings.ShortDateFormat : FormatSettings.LongDateFormat, true))
          return false;
        break;
      case 'E':
      case 'Y':
        Add(dtikYear, run > 2 ? "YYYY" : "YY");
        break;
      case 'G':
        return false;
      case 'H':
        Add(dtikHour, AnsiString(std::min<std::size_t>(run, 2), 'H'));
        break;
      case 'M':
        Add(dtikMonth, AnsiString(std::min<std::size_t>(run, 4), 'M'));
        break;
      case 'N':
        Add(dtikMinute, AnsiString(std::min<std::size_t>(run, 2), 'N'));
        break;
      case 'S':
        Add(dtikSecond, AnsiString(std::min<std::size_t>(run, 2), 'S'));
        break;
      case 'T':
        if (!ANested &&
            !Parse(run == 1 ? FormatSettings.ShortTimeFormat : FormatSettings.LongTimeFormat, true))
          return false;
        break;
      case 'Z':
        Add(dtikMillisecond, AnsiString(std::min<std::size_t>(run, 3), 'Z'));
        break;
      default:
        AddLiteral(F.substr(i, run));
        break;
      }
      i += run;
    }
    return true;
  }

private:
  void AddLiteral(const AnsiString& AText) {
    if (AText.empty())
      return;
    if (!FInfo.Items.empty() && FInfo.Items.back().Kind == dtikLiteral)
      FInfo.Items.back().Data += AText;
    else
      Add(dtikLiteral, AText);
  }
  void Add(TcxDateTimeFormatItemKind AKind, const AnsiString& AText) {
    bool repeatable = AKind == dtikLiteral || AKind == dtikDateSeparator || AKind == dtikTimeSeparator;
    if (!repeatable && FInfo.DefinedItems[AKind])
      return;
    FInfo.DefinedItems[AKind] = true;
    FInfo.Items.push_back({AKind, AText});
  }

  TcxDateTimeFormatInfo& FInfo;
  char FPreviousLetter = '\0';
};

// A text as a literal of the regular-expression mask language.
AnsiString QuotedRegExprText(const AnsiString& AText) {
  AnsiString quoted = "'";
  for (char c : AText)
    quoted += c == '\'' ? AnsiString("\\'") : AnsiString(1, c);
  return quoted + "'";
}

AnsiString RegExprSeparator(char ASeparator) {
  if (ASeparator == '\0')
    return "";
  if (ASeparator == ' ')
    return "' '";
  return AnsiString("\\") + ASeparator;
}

int LongerAMPMLength() {
  return int(std::max(FormatSettings.TimeAMString.size(), FormatSettings.TimePMString.size()));
}

TcxFormatController* gController = nullptr; // owned; freed at shut-down

} // namespace

bool ParseDateTimeFormat(const AnsiString& AFormat, TcxDateTimeFormatInfo& AInfo) {
  AInfo = TcxDateTimeFormatInfo();
  if (!TFormatParser(AInfo).Parse(AFormat.empty() ? AnsiString("C") : AFormat, false)) {
    AInfo = TcxDateTimeFormatInfo();
    return false;
  }
  auto hour = std::find_if(AInfo.Items.begin(), AInfo.Items.end(),
                           [](const TcxDateTimeFormatItem& I) { return I.Kind == dtikHour; });
  if (hour != AInfo.Items.end()) {
    hour->Data = (AInfo.Defined(dtikAMPM) ? "12" : "24") + hour->Data;
  } else {
    std::erase_if(AInfo.Items, [](const TcxDateTimeFormatItem& I) { return I.Kind == dtikAMPM; });
    AInfo.DefinedItems[dtikAMPM] = false;
  }
  return true;
}

AnsiString GetRegExprDateTimeMask(const TcxDateTimeFormatInfo& AInfo, int AMode) {
  const bool date = AMode == 0;
  AnsiString mask;
  for (const TcxDateTimeFormatItem& item : AInfo.Items) {
    switch (item.Kind) {
    case dtikLiteral:
      mask += QuotedRegExprText(item.Data);
      break;
    case dtikYear:
      if (date)
        mask += item.Data == "YY" ? "\\d\\d" : "\\d\\d\\d\\d";
      break;
    case dtikMonth:
      if (date) {
        const auto& names =
            item.Data.size() == 4 ? FormatSettings.LongMonthNames : FormatSettings.ShortMonthNames;
        mask += "((0?[1-9]|1[012])|(";
        for (std::size_t m = 0; m < names.size(); ++m) {
          if (m)
            mask += '|';
          mask += QuotedRegExprText(names[m]);
        }
        mask += "))";
      }
      break;
    case dtikDay:
      if (date)
        mask += "([012]?[1-9]|[123]0|31)";
      break;
    case dtikHour:
      if (!date)
        mask += item.Data.starts_with("12") ? "(0?[1-9]|1[012])" : "([01]?\\d|2[0-3])";
      break;
    case dtikMinute:
    case dtikSecond:
      if (!date)
        mask += "[0-5]?\\d";
      break;
    case dtikAMPM:
      if (!date) {
        switch (GetAMPMKind(item.Data)) {
        case 0:
          mask += "(A|P)?";
          break;
        case 1:
          mask += "(AM|PM)?";
          break;
        default:
          mask += '(';
          mask += QuotedRegExprText(FormatSettings.TimeAMString);
          mask += '|';
          mask += QuotedRegExprText(FormatSettings.TimePMString);
          mask += ")?";
        }
      }
      break;
    case dtikDateSeparator:
      if (date)
        mask += RegExprSeparator(FormatSettings.DateSeparator);
      break;
    case dtikTimeSeparator:
      if (!date)
        mask += RegExprSeparator(FormatSettings.TimeSeparator);
      break;
    case dtikMillisecond:
      break;
    }
  }
  return mask;
}

AnsiString GetStandardDateTimeMask(const TcxDateTimeFormatInfo& AInfo, int AMode) {
  if (AInfo.Items.empty())
    return "";
  AnsiString mask = AMode == 1 ? "" : "!";
  for (const TcxDateTimeFormatItem& item : AInfo.Items) {
    switch (item.Kind) {
    case dtikLiteral:
      for (char c : item.Data) {
        mask += '\\';
        mask += c;
      }
      break;
    case dtikYear:
      mask += item.Data == "YY" ? "99" : "9999";
      break;
    case dtikMonth:
    case dtikDay:
      mask += item.Data.size() >= 3 ? "lll" : "99";
      break;
    case dtikHour:
    case dtikMinute:
    case dtikSecond:
      mask += AMode == 1 ? "00" : "99";
      break;
    case dtikAMPM: {
      int kind = GetAMPMKind(item.Data);
      mask += AnsiString(kind == 0 ? 1 : kind == 1 ? 2 : std::size_t(LongerAMPMLength()), 'c');
      break;
    }
    case dtikDateSeparator:
      mask += '/';
      break;
    case dtikTimeSeparator:
      mask += ':';
      break;
    case dtikMillisecond:
      break;
    }
  }
  return mask + (AMode == 1 ? ";1;0" : ";1; ");
}

AnsiString GetDateTimeEditFormat(const TcxDateTimeFormatInfo& AInfo) {
  AnsiString format;
  for (const TcxDateTimeFormatItem& item : AInfo.Items) {
    switch (item.Kind) {
    case dtikLiteral:
      format += "'" + item.Data + "'";
      break;
    case dtikYear:
      format += item.Data == "YY" ? "yy" : "yyyy";
      break;
    case dtikMonth:
      format += item.Data.size() >= 3 ? "mmm" : "mm";
      break;
    case dtikDay:
      format += item.Data.size() >= 3 ? "ddd" : "dd";
      break;
    case dtikHour:
      format += "hh";
      break;
    case dtikMinute:
      format += "nn";
      break;
    case dtikSecond:
      format += "ss";
      break;
    case dtikAMPM:
      for (char c : item.Data)
        format += c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
      break;
    case dtikDateSeparator:
      format += '/';
      break;
    case dtikTimeSeparator:
      format += ':';
      break;
    case dtikMillisecond:
      break;
    }
  }
  return format;
}

int GetAMPMKind(const AnsiString& AText) {
  if (AText.size() == 3 && StartsWithText(AText, 0, "A/P"))
    return 0;
  if (AText.size() == 5 && StartsWithText(AText, 0, "AM/PM"))
    return 1;
  return 2;
}

int GetDateTimeFormatItemWidth(const TcxDateTimeFormatItem& AItem) {
  switch (AItem.Kind) {
  case dtikLiteral:
    return int(AItem.Data.size());
  case dtikYear:
    return AItem.Data == "YY" ? 2 : 4;
  case dtikMonth:
  case dtikDay:
    return AItem.Data.size() >= 3 ? 3 : 2;
  case dtikHour:
  case dtikMinute:
  case dtikSecond:
    return 2;
  case dtikAMPM: {
    int kind = GetAMPMKind(AItem.Data);
    return kind == 0 ? 1 : kind == 1 ? 2 : LongerAMPMLength();
  }
  case dtikDateSeparator:
  case dtikTimeSeparator:
    return 1;
  case dtikMillisecond:
    return 0;
  }
  return 0;
}

int GetDateTimeFormatTextLength(const TcxDateTimeFormatInfo& AInfo) {
  int length = 0;
  for (const TcxDateTimeFormatItem& item : AInfo.Items)
    length += GetDateTimeFormatItemWidth(item);
  return length;
}

bool FindDateTimeFormatItem(const TcxDateTimeFormatInfo& AInfo, int APosition,
                            TcxDateTimeFormatItemKind& AKind, int& AStart, int& ALength) {
  int start = 1;
  for (const TcxDateTimeFormatItem& item : AInfo.Items) {
    int width = GetDateTimeFormatItemWidth(item);
    if (APosition >= start && APosition < start + width) {
      AKind = item.Kind;
      AStart = start;
      ALength = width;
      return true;
    }
    start += width;
  }
  return false;
}

AnsiString GetCurrencyFormat() {
  const TFormatSettings& s = FormatSettings;
  AnsiString n = ",0." + AnsiString(s.CurrencyDecimals, '0');
  AnsiString c;
  for (char ch : s.CurrencyString) {
    if (ch == ',' || ch == '.')
      c += AnsiString("'") + ch + "'";
    else
      c += ch;
  }
  AnsiString positive;
  if (c.empty()) {
    positive = n;
  } else {
    switch (s.CurrencyFormat) {
    case 0:
      positive = c + n;
      break;
    case 1:
      positive = n + c;
      break;
    case 2:
      positive = c + " " + n;
      break;
    default:
      positive = n + " " + c;
      break;
    }
  }
  // The sixteen placements of sign, symbol and number, "C" the symbol and "N" the number.
  static const char* const negative[16] = {"(CN)", "-CN",  "C-N",  "CN-",  "(NC)", "-NC",  "N-C",   "NC-",
                                           "-N C", "-C N", "N C-", "C N-", "C -N", "N- C", "(C N)", "(N C)"};
  AnsiString neg;
  for (const char* p = negative[s.NegCurrFormat % 16]; *p; ++p)
    neg += *p == 'C' ? c : *p == 'N' ? n : AnsiString(1, *p);
  return positive + ";" + neg;
}

AnsiString GetDateDisplayFormat(bool ACapMonths) {
  const AnsiString& f = FormatSettings.ShortDateFormat;
  AnsiString result;
  for (std::size_t i = 0; i < f.size();) {
    char u = Upper(f[i]);
    std::size_t run = 1;
    while (i + run < f.size() && f[i + run] == f[i])
      ++run;
    if ((u == 'D' || u == 'M') && run == 1)
      result.append(2, f[i]);
    else if (u == 'M' && ACapMonths && run > 3)
      result.append(3, f[i]);
    else
      result.append(f, i, run);
    i += run;
  }
  return result;
}

TcxFormatController::TcxFormatController() {
  gController = this;
  try {
    GetFormats();
  } catch (...) {
    gController = nullptr;
    throw;
  }
}

TcxFormatController::~TcxFormatController() {
  if (FWindow)
    DeallocateHWnd(FWindow);
  if (gController == this)
    gController = nullptr;
}

void TcxFormatController::AddListener(IcxFormatControllerListener* AListener) {
  if (!AListener || std::find(FListeners.begin(), FListeners.end(), AListener) != FListeners.end())
    return;
  if (FListeners.empty())
    FWindow = AllocateHWnd([this](HWND AWnd, UINT AMsg, WPARAM AWParam, LPARAM ALParam) {
      return WndProc(AWnd, AMsg, AWParam, ALParam);
    });
  FListeners.push_back(AListener);
}

void TcxFormatController::RemoveListener(IcxFormatControllerListener* AListener) {
  auto it = std::find(FListeners.begin(), FListeners.end(), AListener);
  if (it == FListeners.end())
    return;
  FListeners.erase(it);
  if (FListeners.empty() && FWindow) {
    DeallocateHWnd(FWindow);
    FWindow = nullptr;
  }
}

void TcxFormatController::GetFormats() {
  if (!FAssignedCurrencyFormat)
    FCurrencyFormat = GetCurrencyFormat();
  if (!FAssignedStartOfWeek)
    FStartOfWeek = BYTE((LocaleFirstDayOfWeek() + 1) % 7);
  UpdateMasks();
  FDateFormat = GetDateDisplayFormat(false);
}

void TcxFormatController::UpdateMasks() {
  const TFormatSettings& s = FormatSettings;
  ParseDateTimeFormat(s.ShortDateFormat, FDateFormatInfo);
  ParseDateTimeFormat(s.LongTimeFormat, FTimeFormatInfo);
  ParseDateTimeFormat(s.ShortDateFormat + " " + s.LongTimeFormat, FDateTimeFormatInfo);
  FDerivedStandardDateEditMask = GetStandardDateTimeMask(FDateFormatInfo, 0);
  if (!FAssignedStandardDateEditMask)
    FStandardDateEditMask = FDerivedStandardDateEditMask;
  if (!FAssignedRegExprDateEditMask) {
    FRegExprDateEditMask = GetRegExprDateTimeMask(FDateFormatInfo, 0);
    cxDateUtils::AddSmartWordsToRegExpr(FRegExprDateEditMask, false);
  }
  if (!FAssignedRegExprDateTimeEditMask) {
    // The date mask ends in an alternative of smart words; without the group the time would belong to
    // that alternative only, and no date followed by a time could ever match.
    FRegExprDateTimeEditMask =
        "(" + FRegExprDateEditMask + ")' '(" + GetRegExprDateTimeMask(FTimeFormatInfo, 1) + ")?";
    cxDateUtils::AddSmartWordsToRegExpr(FRegExprDateTimeEditMask, true);
  }
  if (!FAssignedStandardDateTimeEditMask)
    FStandardDateTimeEditMask = GetStandardDateTimeMask(FDateTimeFormatInfo, 2);
  FDateEditFormat = GetDateTimeEditFormat(FDateFormatInfo);
  FDateTimeEditFormat = GetDateTimeEditFormat(FDateTimeFormatInfo);
}

void TcxFormatController::FormatChanged() {
  // A listener may remove itself or another one while it is told.
  std::vector<IcxFormatControllerListener*> listeners = FListeners;
  for (IcxFormatControllerListener* listener : listeners)
    if (std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end())
      listener->FormatChanged();
}

void TcxFormatController::TimeChanged() {
  std::vector<IcxFormatControllerListener*> listeners = FListeners;
  for (IcxFormatControllerListener* listener : listeners)
    if (std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end())
      if (auto* listener2 = dynamic_cast<IcxFormatControllerListener2*>(listener))
        listener2->TimeChanged();
}

void TcxFormatController::SettingChanged(LPARAM ALParam) {
  const char* section = reinterpret_cast<const char*>(ALParam);
  if (!section || std::string_view(section) != "intl" || !Application()->UpdateFormatSettings())
    return;
  GetFormatSettings();
  GetFormats();
  FormatChanged();
}

LRESULT TcxFormatController::WndProc(HWND AWnd, UINT AMsg, WPARAM AWParam, LPARAM ALParam) {
  try {
    switch (AMsg) {
    case WM_SETTINGCHANGE:
      if (AWParam == 0)
        SettingChanged(ALParam);
      return 0;
    case WM_TIMECHANGE:
      TimeChanged();
      return 0;
    default:
      return DefWindowProcA(AWnd, AMsg, AWParam, ALParam);
    }
  } catch (...) {
    Application()->HandleException(this);
    return 0;
  }
}

void TcxFormatController::SetCurrencyFormat(const AnsiString& Value) {
  FAssignedCurrencyFormat = !Value.empty();
  FCurrencyFormat = Value.empty() ? GetCurrencyFormat() : Value;
}

void TcxFormatController::SetRegExprDateEditMask(const AnsiString& Value) {
  FAssignedRegExprDateEditMask = !Value.empty();
  FRegExprDateEditMask = Value;
  UpdateMasks();
}

void TcxFormatController::SetRegExprDateTimeEditMask(const AnsiString& Value) {
  FAssignedRegExprDateTimeEditMask = !Value.empty();
  FRegExprDateTimeEditMask = Value;
  UpdateMasks();
}

void TcxFormatController::SetStandardDateEditMask(const AnsiString& Value) {
  FAssignedStandardDateEditMask = !Value.empty();
  FStandardDateEditMask = Value;
  UpdateMasks();
}

void TcxFormatController::SetStandardDateTimeEditMask(const AnsiString& Value) {
  FAssignedStandardDateTimeEditMask = !Value.empty();
  FStandardDateTimeEditMask = Value;
  UpdateMasks();
}

void TcxFormatController::SetStartOfWeek(int Value) {
  FAssignedStartOfWeek = Value >= 0 && Value <= 6;
  FStartOfWeek = FAssignedStartOfWeek ? BYTE(Value) : BYTE((LocaleFirstDayOfWeek() + 1) % 7);
}

TcxFormatController* GetFormatController() {
  if (!gController)
    new TcxFormatController(); // registers itself as gController
  return gController;
}

void cxFormatsFinalize() {
  delete gController;
}

const TUnitInfo cxFormatsUnit{"cxFormats", nullptr, &cxFormatsFinalize};
