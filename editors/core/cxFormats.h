#pragma once
// The one owner of the locale-derived formats of the editors: the currency display format, the date display
// and edit formats and the date and date-time edit masks in both mask languages. They are derived from
// FormatSettings and derived again, with the listeners told, when the international settings change.
#include <array>
#include <vector>

#include "platform/classes/Object.h"
#include "platform/classes/UnitList.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/win/WinDefs.h"

enum TcxDateTimeFormatItemKind : BYTE {
  dtikLiteral,
  dtikYear,
  dtikMonth,
  dtikDay,
  dtikHour,
  dtikMinute,
  dtikSecond,
  dtikMillisecond,
  dtikAMPM,
  dtikDateSeparator,
  dtikTimeSeparator
};
constexpr int dtikCount = 11;

struct TcxDateTimeFormatItem {
  TcxDateTimeFormatItemKind Kind = dtikLiteral;
  AnsiString Data;
  bool operator==(const TcxDateTimeFormatItem&) const = default;
};

struct TcxDateTimeFormatInfo {
  std::array<bool, dtikCount> DefinedItems{}; // an item of the kind was added
  std::vector<TcxDateTimeFormatItem> Items;
  bool Defined(TcxDateTimeFormatItemKind AKind) const { return DefinedItems[AKind]; }
};

class IcxFormatControllerListener {
public:
  virtual ~IcxFormatControllerListener() = default;
  virtual void FormatChanged() = 0;
};

// Optional on a listener that also wants to hear of changes of the system time.
class IcxFormatControllerListener2 {
public:
  virtual ~IcxFormatControllerListener2() = default;
  virtual void TimeChanged() = 0;
};

// The items of a date or time format; False, with the info empty, for a format that cannot be parsed.
// An empty format stands for "C".
bool ParseDateTimeFormat(const AnsiString& AFormat, TcxDateTimeFormatInfo& AInfo);
// AMode 0 the date items, 1 the time items.
AnsiString GetRegExprDateTimeMask(const TcxDateTimeFormatInfo& AInfo, int AMode);
// AMode 0 date, 1 time, 2 date and time.
AnsiString GetStandardDateTimeMask(const TcxDateTimeFormatInfo& AInfo, int AMode);
AnsiString GetDateTimeEditFormat(const TcxDateTimeFormatInfo& AInfo);
int GetDateTimeFormatItemWidth(const TcxDateTimeFormatItem& AItem);
int GetDateTimeFormatTextLength(const TcxDateTimeFormatInfo& AInfo);
// 0 "A/P", 1 "AM/PM", 2 any other AM/PM text.
int GetAMPMKind(const AnsiString& AText);
// The item whose span holds the 1-based position when the items are laid out from position 1.
bool FindDateTimeFormatItem(const TcxDateTimeFormatInfo& AInfo, int APosition,
                            TcxDateTimeFormatItemKind& AKind, int& AStart, int& ALength);
AnsiString GetCurrencyFormat();
AnsiString GetDateDisplayFormat(bool ACapMonths);

class TcxFormatController : public TObject {
  PELVOR_CLASS(TcxFormatController, TObject)

  // Becomes the global controller while it derives its formats, so that code run from there finds it.
  TcxFormatController();
  ~TcxFormatController() override;

  virtual LRESULT WndProc(HWND AWnd, UINT AMsg, WPARAM AWParam, LPARAM ALParam);
  virtual void AddListener(IcxFormatControllerListener* AListener);
  virtual void RemoveListener(IcxFormatControllerListener* AListener);

  void GetFormats();
  void UpdateMasks();
  void FormatChanged();
  void TimeChanged();

  const AnsiString& CurrencyFormat() const { return FCurrencyFormat; }
  const AnsiString& DateFormat() const { return FDateFormat; }
  const AnsiString& DateEditFormat() const { return FDateEditFormat; }
  const AnsiString& DateTimeEditFormat() const { return FDateTimeEditFormat; }
  const AnsiString& RegExprDateEditMask() const { return FRegExprDateEditMask; }
  const AnsiString& RegExprDateTimeEditMask() const { return FRegExprDateTimeEditMask; }
  const AnsiString& StandardDateEditMask() const { return FStandardDateEditMask; }
  const AnsiString& StandardDateTimeEditMask() const { return FStandardDateTimeEditMask; }
  BYTE StartOfWeek() const { return FStartOfWeek; } // 0 Sunday ... 6 Saturday
  const TcxDateTimeFormatInfo& DateFormatInfo() const { return FDateFormatInfo; }
  const TcxDateTimeFormatInfo& TimeFormatInfo() const { return FTimeFormatInfo; }
  const TcxDateTimeFormatInfo& DateTimeFormatInfo() const { return FDateTimeFormatInfo; }

  // An assigned value stays when the settings change; assigning the empty text (or, for the start of the
  // week, a day above 6) returns to the derived value at once.
  void SetCurrencyFormat(const AnsiString& Value);
  void SetRegExprDateEditMask(const AnsiString& Value);
  void SetRegExprDateTimeEditMask(const AnsiString& Value);
  void SetStandardDateEditMask(const AnsiString& Value);
  void SetStandardDateTimeEditMask(const AnsiString& Value);
  void SetStartOfWeek(int Value);

  bool UsePlatformDateTimeFormats() const { return FUsePlatformDateTimeFormats; }
  void SetUsePlatformDateTimeFormats(bool Value) { FUsePlatformDateTimeFormats = Value; }

  int ListenerCount() const { return int(FListeners.size()); }
  // The hidden window that hears of settings changes, present while there are listeners.
  HWND Window() const { return FWindow; }

private:
  void SettingChanged(LPARAM ALParam);

  bool FAssignedCurrencyFormat = false;
  bool FAssignedRegExprDateEditMask = false;
  bool FAssignedRegExprDateTimeEditMask = false;
  bool FAssignedStandardDateEditMask = false;
  bool FAssignedStandardDateTimeEditMask = false;
  bool FAssignedStartOfWeek = false;
  AnsiString FCurrencyFormat;
  AnsiString FDateFormat;
  AnsiString FDerivedStandardDateEditMask;
  TcxDateTimeFormatInfo FDateFormatInfo;
  TcxDateTimeFormatInfo FDateTimeFormatInfo;
  std::vector<IcxFormatControllerListener*> FListeners; // borrowed
  AnsiString FDateEditFormat;
  AnsiString FDateTimeEditFormat;
  AnsiString FRegExprDateEditMask;
  AnsiString FRegExprDateTimeEditMask;
  AnsiString FStandardDateEditMask;
  AnsiString FStandardDateTimeEditMask;
  BYTE FStartOfWeek = 0;
  TcxDateTimeFormatInfo FTimeFormatInfo;
  bool FUsePlatformDateTimeFormats = false;
  HWND FWindow = nullptr;
};

// Created on the first call.
TcxFormatController* GetFormatController();

void cxFormatsFinalize(); // frees the controller; the next GetFormatController makes a fresh one
extern const TUnitInfo cxFormatsUnit;
