#pragma once
// Dates typed as words with an optional day offset ("today", "tomorrow +3", "friday", "eom -1"), the
// conversions of edit texts to dates and back, and small calendar functions. Today is the platform clock's,
// which tests fix.
#include <array>
#include <functional>

#include "platform/classes/UnitList.h"
#include "platform/rtl/DateTime.h"

namespace cxDateUtils {

constexpr TDateTime NullDate = -700000;
constexpr int SmartWordCount = 20;

// The words in their fixed order (today, yesterday, tomorrow, Sunday..Saturday, first..seventh, bom, eom,
// now), each passed through the translation of the library's texts when asked for.
std::array<AnsiString, SmartWordCount> SmartWords();

// Tried when no smart word begins the text.
using TcxSmartTextToDateHook = std::function<bool(const AnsiString& AText, TDateTime& ADate)>;
extern TcxSmartTextToDateHook SmartTextToDateHook;

// The longest word that begins the text, case-insensitively; the text may go on after it.
bool FindSmartWord(const AnsiString& AText, int& AIndex);
bool SmartTextToDate(const AnsiString& AText, TDateTime& ADate);
bool TextToDate(const AnsiString& AText, TDateTime& ADate);
bool TryTextToDateTime(const AnsiString& AText, bool AUseVariantConversion, TDateTime& ADateTime);
AnsiString DateTimeToText(TDateTime ADateTime);
AnsiString DateTimeToTextEx(bool AUseEditFormat, bool AWithTime, TDateTime ADateTime);
// Lets the regular-expression mask accept the smart words followed by an offset of one to four digits.
void AddSmartWordsToRegExpr(AnsiString& AMask, bool AWithNow);

void IncMonth(int& AYear, int& AMonth);
void DecMonth(int& AYear, int& AMonth);
// The whole years in ADelta.
int ChangeMonth(int& AYear, int& AMonth, int ADelta);
int GetDateElement(int AElement, TDateTime ADate); // 0 year, 1 month, 2 day
bool IsLeapYear(int AYear);
int DaysPerMonth(int AYear, int AMonth);
int CheckDay(int AYear, int AMonth, int ADay);
TDateTime DateOf(TDateTime ADateTime);
TDateTime TimeOf(TDateTime ADateTime);

} // namespace cxDateUtils

extern const TUnitInfo cxDateUtilsUnit;
