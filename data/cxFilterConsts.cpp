#include "data/cxFilterConsts.h"

TcxTranslateTextProc cxFilterTranslateHook = nullptr;

AnsiString GetTranslatedText(const char* AText) {
  return cxFilterTranslateHook ? cxFilterTranslateHook(AText) : AnsiString(AText);
}

const char* const cxSFilterOperatorEqual = "equals";
const char* const cxSFilterOperatorNotEqual = "does not equal";
const char* const cxSFilterOperatorLess = "is less than";
const char* const cxSFilterOperatorLessEqual = "is less than or equal to";
const char* const cxSFilterOperatorGreater = "is greater than";
const char* const cxSFilterOperatorGreaterEqual = "is greater than or equal to";
const char* const cxSFilterOperatorLike = "like";
const char* const cxSFilterOperatorNotLike = "not like";
const char* const cxSFilterOperatorBeginsWith = "begins with";
const char* const cxSFilterOperatorNotBeginsWith = "does not begin with";
const char* const cxSFilterOperatorEndsWith = "ends with";
const char* const cxSFilterOperatorNotEndsWith = "does not end with";
const char* const cxSFilterOperatorContains = "contains";
const char* const cxSFilterOperatorNotContains = "does not contain";
const char* const cxSFilterOperatorBetween = "between";
const char* const cxSFilterOperatorNotBetween = "not between";
const char* const cxSFilterOperatorInList = "in";
const char* const cxSFilterOperatorNotInList = "not in";
const char* const cxSFilterOperatorYesterday = "is yesterday";
const char* const cxSFilterOperatorToday = "is today";
const char* const cxSFilterOperatorTomorrow = "is tomorrow";
const char* const cxSFilterOperatorLastWeek = "is last week";
const char* const cxSFilterOperatorLastMonth = "is last month";
const char* const cxSFilterOperatorLastYear = "is last year";
const char* const cxSFilterOperatorThisWeek = "is this week";
const char* const cxSFilterOperatorThisMonth = "is this month";
const char* const cxSFilterOperatorThisYear = "is this year";
const char* const cxSFilterOperatorNextWeek = "is next week";
const char* const cxSFilterOperatorNextMonth = "is next month";
const char* const cxSFilterOperatorNextYear = "is next year";
const char* const cxSFilterOperatorIsNull = "is blank";
const char* const cxSFilterOperatorIsNotNull = "is not blank";
const char* const cxSFilterAndCaption = "and";
const char* const cxSFilterOrCaption = "or";
const char* const cxSFilterNotCaption = "not";
const char* const cxSFilterBlankCaption = "blank";
