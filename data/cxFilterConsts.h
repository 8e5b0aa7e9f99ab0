#pragma once
// The texts of filter conditions, passed through the translation hook that the editors install.
#include "platform/rtl/SysUtils.h"

using TcxTranslateTextProc = AnsiString (*)(const AnsiString& AText);
// Unset until the editors' start-up installs their translation lookup; texts then pass through unchanged.
extern TcxTranslateTextProc cxFilterTranslateHook;
AnsiString GetTranslatedText(const char* AText);

extern const char* const cxSFilterOperatorEqual;
extern const char* const cxSFilterOperatorNotEqual;
extern const char* const cxSFilterOperatorLess;
extern const char* const cxSFilterOperatorLessEqual;
extern const char* const cxSFilterOperatorGreater;
extern const char* const cxSFilterOperatorGreaterEqual;
extern const char* const cxSFilterOperatorLike;
extern const char* const cxSFilterOperatorNotLike;
extern const char* const cxSFilterOperatorBeginsWith;
extern const char* const cxSFilterOperatorNotBeginsWith;
extern const char* const cxSFilterOperatorEndsWith;
extern const char* const cxSFilterOperatorNotEndsWith;
extern const char* const cxSFilterOperatorContains;
extern const char* const cxSFilterOperatorNotContains;
extern const char* const cxSFilterOperatorBetween;
extern const char* const cxSFilterOperatorNotBetween;
extern const char* const cxSFilterOperatorInList;
extern const char* const cxSFilterOperatorNotInList;
extern const char* const cxSFilterOperatorYesterday;
extern const char* const cxSFilterOperatorToday;
extern const char* const cxSFilterOperatorTomorrow;
extern const char* const cxSFilterOperatorLastWeek;
extern const char* const cxSFilterOperatorLastMonth;
extern const char* const cxSFilterOperatorLastYear;
extern const char* const cxSFilterOperatorThisWeek;
extern const char* const cxSFilterOperatorThisMonth;
extern const char* const cxSFilterOperatorThisYear;
extern const char* const cxSFilterOperatorNextWeek;
extern const char* const cxSFilterOperatorNextMonth;
extern const char* const cxSFilterOperatorNextYear;
extern const char* const cxSFilterOperatorIsNull;
extern const char* const cxSFilterOperatorIsNotNull;
extern const char* const cxSFilterAndCaption;
extern const char* const cxSFilterOrCaption;
extern const char* const cxSFilterNotCaption;
extern const char* const cxSFilterBlankCaption;
