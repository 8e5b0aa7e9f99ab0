#include "data/cxFilter.h"

#include <cmath>

#include "data/cxDataUtils.h"
#include "data/cxFilterConsts.h"
#include "data/cxLike.h"
#include "data/cxVariants.h"
#include "platform/classes/ComponentStream.h"
#include "platform/classes/Streams.h"

namespace {

// A stream of this kind never nests lists this deep; a deeper one is damaged or hostile.
constexpr int kMaxListNesting = 32;
// The fewest bytes a list record (flag, operator, count) and a condition record take.
constexpr std::int64_t kMinItemRecordSize = 6;

struct UpdateGuard {
  TcxFilterCriteria* criteria;
  explicit UpdateGuard(TcxFilterCriteria* c) : criteria(c) { criteria->BeginUpdate(); }
  ~UpdateGuard() { criteria->EndUpdate(); }
  UpdateGuard(const UpdateGuard&) = delete;
  UpdateGuard& operator=(const UpdateGuard&) = delete;
};

std::vector<AnsiString> SplitTrimmed(const AnsiString& text, char separator) {
  std::vector<AnsiString> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t pos = text.find(separator, start);
    parts.push_back(Trim(text.substr(start, pos == AnsiString::npos ? AnsiString::npos : pos - start)));
    if (pos == AnsiString::npos)
      break;
    start = pos + 1;
  }
  return parts;
}

int ArrayLength(const Variant& v) {
  return int(VarArrayElements(v).size());
}

const Variant& ArrayElement(const Variant& v, int position) {
  return VarArrayElements(v)[std::size_t(position)];
}

// The text a LIKE condition compares; strings are used as they are, without a copy.
const AnsiString& LikeText(const Variant& v, AnsiString& scratch) {
  if (VarType(v) == varString)
    return v.RawString();
  scratch = VarToStr(v);
  return scratch;
}

TDateTime FirstOfMonth(int year, int month) {
  while (month > 12) {
    month -= 12;
    ++year;
  }
  while (month < 1) {
    month += 12;
    --year;
  }
  return EncodeDate(WORD(year), WORD(month), 1);
}

} // namespace

TcxFilterCriteria* TcxFilterOperator::Criteria() const {
  return FCriteriaItem ? FCriteriaItem->GetCriteria() : nullptr;
}

AnsiString TcxFilterOperator::FieldName() {
  return FCriteriaItem ? FCriteriaItem->GetFieldName() : AnsiString();
}

AnsiString TcxFilterOperator::ValueText(const Variant& AValue) {
  TcxFilterCriteria* criteria = Criteria();
  switch (VarType(AValue)) {
  case varString:
  case varOleStr:
    return "'" + VarToStr(AValue) + "'";
  case varDate:
    return "'" + (criteria ? criteria->FormatDateTimeValue(AValue) : VarToStr(AValue)) + "'";
  case varBoolean:
    return criteria ? criteria->FormatValue(AValue) : VarToStr(AValue);
  case varNull:
    return "NULL";
  default:
    return VarToStr(AValue);
  }
}

void TcxFilterOperator::GetExpressionValue(const Variant& AValue, AnsiString& AText) {
  if (GetArrayExpressionValue(AValue, AText))
    return;
  AText = ValueText(AValue);
  if (TcxFilterCriteria* criteria = Criteria())
    criteria->FormatFilterTextValue(FCriteriaItem, AValue, AText);
}

bool TcxFilterOperator::GetArrayExpressionValue(const Variant& AValue, AnsiString& AText) {
  (void)AValue;
  (void)AText;
  return false;
}

void TcxFilterEqualOperator::GetExpression(const Variant& AValue, AnsiString& AText) {
  if (!VarIsArray(AValue)) {
    GetExpressionValue(AValue, AText);
    return;
  }
  std::vector<AnsiString> fields = SplitTrimmed(FieldName(), ';');
  AText.clear();
  int n = ArrayLength(AValue);
  for (int i = 0; i < n; ++i) {
    AnsiString value;
    GetExpressionValue(ArrayElement(AValue, i), value);
    AnsiString field = std::size_t(i) < fields.size() ? fields[std::size_t(i)] : AnsiString();
    AText += (i == 0 ? "(" : " AND (") + field + " = " + value + ")";
  }
}

bool TcxFilterEqualOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return VarCompare(AValue, ACriteriaValue) == 0;
}

void TcxFilterEqualOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorEqual);
}

bool TcxFilterEqualOperator::IsFullExpression() {
  return CriteriaItem() && VarIsArray(CriteriaItem()->Value());
}

void TcxFilterNotEqualOperator::GetExpression(const Variant& AValue, AnsiString& AText) {
  if (!VarIsArray(AValue)) {
    GetExpressionValue(AValue, AText);
    return;
  }
  TcxFilterEqualOperator::GetExpression(AValue, AText);
  AText = "NOT (" + AText + ")";
}

bool TcxFilterNotEqualOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return !TcxFilterEqualOperator::IsMatch(AValue, ACriteriaValue);
}

void TcxFilterNotEqualOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorNotEqual);
}

bool TcxFilterLessOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return VarCompare(AValue, ACriteriaValue) < 0;
}
void TcxFilterLessOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorLess);
}
bool TcxFilterLessEqualOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return VarCompare(AValue, ACriteriaValue) <= 0;
}
void TcxFilterLessEqualOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorLessEqual);
}
bool TcxFilterGreaterOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return VarCompare(AValue, ACriteriaValue) > 0;
}
void TcxFilterGreaterOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorGreater);
}
bool TcxFilterGreaterEqualOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return VarCompare(AValue, ACriteriaValue) >= 0;
}
void TcxFilterGreaterEqualOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorGreaterEqual);
}

namespace {
TcxLikeTemplateKind LikeKindOf(TcxFilterOperator* op) {
  TcxFilterCriteria* criteria = op->Criteria();
  if (!op->CriteriaItem())
    return ltkNone;
  try {
    AnsiString text = VarToStr(op->CriteriaItem()->Value());
    return GetLikeTemplateKind(text, criteria ? criteria->PercentWildcard() : '%');
  } catch (const EVariantError&) {
    return ltkNone;
  }
}
} // namespace

bool TcxFilterLikeOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  TcxFilterCriteria* criteria = Criteria();
  AnsiString s1, s2;
  return LikeStr(LikeText(AValue, s1), LikeText(ACriteriaValue, s2),
                 criteria ? criteria->PercentWildcard() : '%',
                 criteria ? criteria->UnderscoreWildcard() : '_');
}

void TcxFilterLikeOperator::GetDisplayText(AnsiString& AText) {
  static const char* const texts[] = {cxSFilterOperatorLike, cxSFilterOperatorBeginsWith,
                                      cxSFilterOperatorEndsWith, cxSFilterOperatorContains};
  AText = GetTranslatedText(texts[LikeKindOf(this)]);
}

void TcxFilterLikeOperator::PrepareDisplayValue(AnsiString& AText) {
  TcxFilterCriteria* criteria = Criteria();
  if (criteria && criteria->Options().Contains(fcoShowOperatorDescription))
    GetLikeTemplateKind(AText, criteria->PercentWildcard());
}

bool TcxFilterNotLikeOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return !TcxFilterLikeOperator::IsMatch(AValue, ACriteriaValue);
}

void TcxFilterNotLikeOperator::GetDisplayText(AnsiString& AText) {
  static const char* const texts[] = {cxSFilterOperatorNotLike, cxSFilterOperatorNotBeginsWith,
                                      cxSFilterOperatorNotEndsWith, cxSFilterOperatorNotContains};
  AText = GetTranslatedText(texts[LikeKindOf(this)]);
}

void TcxFilterBetweenOperator::GetExpression(const Variant& AValue, AnsiString& AText) {
  if (!IsFullExpression() || ArrayLength(AValue) < 2) {
    GetExpressionValue(AValue, AText);
    return;
  }
  AnsiString f = FieldName();
  AText = "(" + f + " >= " + ValueText(ArrayElement(AValue, 0)) + ") AND (" + f +
          " <= " + ValueText(ArrayElement(AValue, 1)) + ")";
}

bool TcxFilterBetweenOperator::GetArrayExpressionValue(const Variant& AValue, AnsiString& AText) {
  if (ArrayLength(AValue) < 2)
    return false;
  AText = ValueText(ArrayElement(AValue, 0)) + " AND " + ValueText(ArrayElement(AValue, 1));
  return true;
}

bool TcxFilterBetweenOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  std::span<const Variant> bounds = VarArrayElements(ACriteriaValue);
  if (bounds.size() < 2)
    return false;
  return VarCompare(bounds[0], AValue) <= 0 && VarCompare(AValue, bounds[1]) <= 0;
}

void TcxFilterBetweenOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorBetween);
}

void TcxFilterBetweenOperator::PrepareDisplayValue(AnsiString& AText) {
  std::vector<AnsiString> parts = SplitTrimmed(AText, ';');
  parts.resize(2);
  const Variant* value = CriteriaItem() ? &CriteriaItem()->Value() : nullptr;
  for (int i = 0; i < 2; ++i)
    if (value && ArrayLength(*value) > i && VarIsNull(ArrayElement(*value, i)))
      parts[std::size_t(i)] = GetTranslatedText(cxSFilterBlankCaption);
  AText = parts[0] + " " + GetTranslatedText(cxSFilterAndCaption) + " " + parts[1];
}

bool TcxFilterBetweenOperator::IsFullExpression() {
  return Criteria() && Criteria()->TranslateBetween();
}

void TcxFilterNotBetweenOperator::GetExpression(const Variant& AValue, AnsiString& AText) {
  TcxFilterBetweenOperator::GetExpression(AValue, AText);
  if (IsFullExpression() && ArrayLength(AValue) >= 2)
    AText = "NOT (" + AText + ")";
}

bool TcxFilterNotBetweenOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return !TcxFilterBetweenOperator::IsMatch(AValue, ACriteriaValue);
}

void TcxFilterNotBetweenOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorNotBetween);
}

void TcxFilterInListOperator::GetExpression(const Variant& AValue, AnsiString& AText) {
  int n = ArrayLength(AValue);
  if (!IsFullExpression() || n == 0) {
    GetExpressionValue(AValue, AText);
    return;
  }
  AnsiString f = FieldName();
  AText.clear();
  for (int i = 0; i < n; ++i)
    AText += (i == 0 ? "(" : " OR (") + f + " = " + ValueText(ArrayElement(AValue, i)) + ")";
}

bool TcxFilterInListOperator::GetArrayExpressionValue(const Variant& AValue, AnsiString& AText) {
  if (!VarIsArray(AValue) || VarArrayDimCount(AValue) != 1)
    return false;
  AText = "(";
  for (int i = 0, n = ArrayLength(AValue); i < n; ++i)
    AText += (i ? ", " : "") + ValueText(ArrayElement(AValue, i));
  AText += ")";
  return true;
}

bool TcxFilterInListOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  auto equal = [&](const Variant& element) {
    try {
      return AValue == element;
    } catch (const EVariantError&) {
      return false;
    }
  };
  if (!VarIsArray(ACriteriaValue))
    return equal(ACriteriaValue);
  for (const Variant& element : VarArrayElements(ACriteriaValue))
    if (equal(element))
      return true;
  return false;
}

void TcxFilterInListOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorInList);
}

void TcxFilterInListOperator::PrepareDisplayValue(AnsiString& AText) {
  if (AText.empty())
    return;
  std::vector<AnsiString> parts = SplitTrimmed(AText, ';');
  AText = "(";
  for (std::size_t i = 0; i < parts.size(); ++i)
    AText += (i ? ", " : "") + parts[i];
  AText += ")";
}

bool TcxFilterInListOperator::IsFullExpression() {
  return Criteria() && Criteria()->TranslateIn();
}

void TcxFilterNotInListOperator::GetExpression(const Variant& AValue, AnsiString& AText) {
  TcxFilterInListOperator::GetExpression(AValue, AText);
  if (IsFullExpression() && ArrayLength(AValue) > 0)
    AText = "NOT (" + AText + ")";
}

bool TcxFilterNotInListOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return !TcxFilterInListOperator::IsMatch(AValue, ACriteriaValue);
}

void TcxFilterNotInListOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorNotInList);
}

void TcxFilterDateOperator::GetExpression(const Variant& AValue, AnsiString& AText) {
  (void)AValue;
  AnsiString f = FieldName(), start, end;
  GetExpressionValue(Variant::FromDate(RangeStart), start);
  GetExpressionValue(Variant::FromDate(RangeEnd), end);
  AText = "(" + f + " >= " + start + ") AND (" + f + " < " + end + ")";
}

bool TcxFilterDateOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  (void)ACriteriaValue;
  if (VarIsNull(AValue))
    return false;
  TDateTime d = AValue.AsDate();
  return RangeStart <= d && d < RangeEnd;
}

void TcxFilterDateOperator::Prepare() {
  GetRange(Date(), RangeStart, RangeEnd);
}

namespace {
void YearMonth(TDateTime d, int& year, int& month) {
  WORD y, m, day;
  DecodeDate(d, y, m, day);
  year = y;
  month = m;
}
} // namespace

#define PELVOR_DATE_RANGE(Self, Text, StartExpr, EndExpr)                                                    \
  AnsiString Self::GetTranslatedDescription() {                                                              \
    return GetTranslatedText(Text);                                                                          \
  }                                                                                                          \
  void Self::GetRange(TDateTime D, TDateTime& AStart, TDateTime& AEnd) {                                     \
    int y, m;                                                                                                \
    YearMonth(D, y, m);                                                                                      \
    TDateTime W = GetStartOfWeek(D);                                                                         \
    (void)y;                                                                                                 \
    (void)m;                                                                                                 \
    (void)W;                                                                                                 \
    AStart = StartExpr;                                                                                      \
    AEnd = EndExpr;                                                                                          \
  }
PELVOR_DATE_RANGE(TcxFilterYesterdayOperator, cxSFilterOperatorYesterday, D - 1, D)
PELVOR_DATE_RANGE(TcxFilterTodayOperator, cxSFilterOperatorToday, D, D + 1)
PELVOR_DATE_RANGE(TcxFilterTomorrowOperator, cxSFilterOperatorTomorrow, D + 1, D + 2)
PELVOR_DATE_RANGE(TcxFilterLastWeekOperator, cxSFilterOperatorLastWeek, W - 7, W)
PELVOR_DATE_RANGE(TcxFilterLastMonthOperator, cxSFilterOperatorLastMonth, FirstOfMonth(y, m - 1),
                  FirstOfMonth(y, m))
PELVOR_DATE_RANGE(TcxFilterLastYearOperator, cxSFilterOperatorLastYear, FirstOfMonth(y - 1, 1),
                  FirstOfMonth(y, 1))
PELVOR_DATE_RANGE(TcxFilterThisWeekOperator, cxSFilterOperatorThisWeek, W, W + 7)
PELVOR_DATE_RANGE(TcxFilterThisMonthOperator, cxSFilterOperatorThisMonth, FirstOfMonth(y, m),
                  FirstOfMonth(y, m + 1))
PELVOR_DATE_RANGE(TcxFilterThisYearOperator, cxSFilterOperatorThisYear, FirstOfMonth(y, 1),
                  FirstOfMonth(y + 1, 1))
PELVOR_DATE_RANGE(TcxFilterNextWeekOperator, cxSFilterOperatorNextWeek, W + 7, W + 14)
PELVOR_DATE_RANGE(TcxFilterNextMonthOperator, cxSFilterOperatorNextMonth, FirstOfMonth(y, m + 1),
                  FirstOfMonth(y, m + 2))
PELVOR_DATE_RANGE(TcxFilterNextYearOperator, cxSFilterOperatorNextYear, FirstOfMonth(y + 1, 1),
                  FirstOfMonth(y + 2, 1))
#undef PELVOR_DATE_RANGE

bool TcxFilterNullOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  (void)ACriteriaValue;
  TcxFilterCriteria* criteria = Criteria();
  return criteria ? criteria->IsNullValue(AValue) : VarIsNull(AValue);
}

void TcxFilterNullOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorIsNull);
}

void TcxFilterNullOperator::PrepareDisplayValue(AnsiString& AText) {
  TcxFilterCriteria* criteria = Criteria();
  if (criteria && criteria->Options().Contains(fcoShowOperatorDescription))
    AText.clear();
}

bool TcxFilterNotNullOperator::IsMatch(const Variant& AValue, const Variant& ACriteriaValue) {
  return !TcxFilterNullOperator::IsMatch(AValue, ACriteriaValue);
}

void TcxFilterNotNullOperator::GetDisplayText(AnsiString& AText) {
  AText = GetTranslatedText(cxSFilterOperatorIsNotNull);
}

TcxFilterOperatorClass GetFilterOperatorClass(TcxFilterOperatorKind AKind) {
  static const TcxFilterOperatorClass classes[] = {
      ClassOf<TcxFilterEqualOperator>(),     ClassOf<TcxFilterNotEqualOperator>(),
      ClassOf<TcxFilterLessOperator>(),      ClassOf<TcxFilterLessEqualOperator>(),
      ClassOf<TcxFilterGreaterOperator>(),   ClassOf<TcxFilterGreaterEqualOperator>(),
      ClassOf<TcxFilterLikeOperator>(),      ClassOf<TcxFilterNotLikeOperator>(),
      ClassOf<TcxFilterBetweenOperator>(),   ClassOf<TcxFilterNotBetweenOperator>(),
      ClassOf<TcxFilterInListOperator>(),    ClassOf<TcxFilterNotInListOperator>(),
      ClassOf<TcxFilterYesterdayOperator>(), ClassOf<TcxFilterTodayOperator>(),
      ClassOf<TcxFilterTomorrowOperator>(),  ClassOf<TcxFilterLastWeekOperator>(),
      ClassOf<TcxFilterLastMonthOperator>(), ClassOf<TcxFilterLastYearOperator>(),
      ClassOf<TcxFilterThisWeekOperator>(),  ClassOf<TcxFilterThisMonthOperator>(),
      ClassOf<TcxFilterThisYearOperator>(),  ClassOf<TcxFilterNextWeekOperator>(),
      ClassOf<TcxFilterNextMonthOperator>(), ClassOf<TcxFilterNextYearOperator>(),
      ClassOf<TcxFilterNullOperator>(),      ClassOf<TcxFilterNotNullOperator>()};
  if (AKind > fokLastKind)
    throw EInvalidArgument("Unknown filter operator kind " + IntToStr(AKind));
  return classes[AKind];
}

TcxCustomFilterCriteriaItem::~TcxCustomFilterCriteriaItem() {
  if (FParent)
    FParent->Remove(this);
}

void TcxCustomFilterCriteriaItem::Changed() {
  if (TcxFilterCriteria* criteria = GetCriteria())
    criteria->Changed();
}

TcxFilterCriteria* TcxCustomFilterCriteriaItem::GetCriteria() {
  return FParent ? FParent->GetCriteria() : nullptr;
}

TcxFilterCriteriaItemList::TcxFilterCriteriaItemList(TcxFilterCriteriaItemList* AParent,
                                                     TcxFilterBoolOperatorKind ABoolOperatorKind)
    : TcxCustomFilterCriteriaItem(nullptr), FBoolOperatorKind(ABoolOperatorKind) {
  FIsList = true;
  if (AParent)
    AParent->Add(this);
}

TcxFilterCriteriaItemList::~TcxFilterCriteriaItemList() {
  while (!FItems.empty())
    FItems.back()->Free();
}

TcxFilterCriteria* TcxFilterCriteriaItemList::GetCriteria() {
  return FCriteria ? FCriteria : TcxCustomFilterCriteriaItem::GetCriteria();
}

void TcxFilterCriteriaItemList::WriteData(TStream* AStream) {
  // A stream its own reader would refuse must fail now, not when someone tries to load it.
  int level = 0;
  for (const TcxFilterCriteriaItemList* list = Parent(); list; list = list->Parent())
    ++level;
  if (level > kMaxListNesting)
    throw EWriteError();
  WriteBoolean(AStream, true);
  WriteByte(AStream, FBoolOperatorKind);
  WriteInteger(AStream, Count());
  for (auto* item : FItems)
    item->WriteData(AStream);
}

void TcxFilterCriteriaItemList::Remove(TcxCustomFilterCriteriaItem* AItem) {
  int index = IndexOf(AItem);
  if (index < 0)
    return;
  FItems.erase(FItems.begin() + index);
  AItem->FParent = nullptr;
  Changed();
}

TcxFilterCriteriaItemList*
TcxFilterCriteriaItemList::AddItemList(TcxFilterBoolOperatorKind ABoolOperatorKind) {
  return new TcxFilterCriteriaItemList(this, ABoolOperatorKind);
}

TcxCustomFilterCriteriaItem* TcxFilterCriteriaItemList::Items(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count())
    return nullptr;
  return FItems[std::size_t(AIndex)];
}

int TcxFilterCriteriaItemList::IndexOf(const TcxCustomFilterCriteriaItem* AItem) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == AItem)
      return int(i);
  return -1;
}

void TcxFilterCriteriaItemList::SetBoolOperatorKind(TcxFilterBoolOperatorKind AValue) {
  if (FBoolOperatorKind == AValue)
    return;
  FBoolOperatorKind = AValue;
  Changed();
}

void TcxFilterCriteriaItemList::Add(TcxCustomFilterCriteriaItem* AItem) {
  InsertAt(Count(), AItem);
}

void TcxFilterCriteriaItemList::InsertAt(int AIndex, TcxCustomFilterCriteriaItem* AItem) {
  FItems.insert(FItems.begin() + AIndex, AItem);
  AItem->FParent = this;
  Changed();
}

TcxFilterCriteriaItem::TcxFilterCriteriaItem(TcxFilterCriteriaItemList* AParent, TcxItemLink AItemLink,
                                             TcxFilterOperatorKind AOperatorKind, Variant AValue,
                                             AnsiString ADisplayValue)
    : TcxCustomFilterCriteriaItem(nullptr), FDisplayValue(std::move(ADisplayValue)), FItemLink(AItemLink),
      FOperatorKind(AOperatorKind), FValue(std::move(AValue)) {
  if (AOperatorKind > fokLastKind)
    throw EInvalidArgument("Unknown filter operator kind " + IntToStr(AOperatorKind));
  // The operator exists before the item joins the tree, whose change delivery prepares every operator; the
  // parent is known meanwhile so that the choice sees the criteria's null test.
  SetParentQuietly(AParent);
  CreateOperator();
  SetParentQuietly(nullptr);
  if (AParent)
    AParent->Add(this);
}

TcxFilterCriteriaItem::~TcxFilterCriteriaItem() = default;

void TcxFilterCriteriaItem::WriteData(TStream* AStream) {
  TcxFilterCriteria* criteria = GetCriteria();
  WriteBoolean(AStream, false);
  WriteByte(AStream, FOperatorKind);
  WriteAnsiString(AStream, FDisplayValue);
  WriteInteger(AStream, criteria ? criteria->GetIDByItemLink(FItemLink) : 0);
  WriteVariant(AStream, FValue);
}

void TcxFilterCriteriaItem::GetDataValue(void* AData, Variant& AValue) {
  (void)AData;
  AValue = Null;
}

AnsiString TcxFilterCriteriaItem::GetDisplayValue() {
  AnsiString text = FDisplayValue;
  FOperator->PrepareDisplayValue(text);
  return text;
}

void TcxFilterCriteriaItem::GetValueText(bool ADisplay, AnsiString& AText) {
  if (ADisplay)
    AText = GetDisplayValue();
  else
    FOperator->GetExpressionValue(FValue, AText);
}

TcxFilterOperatorClass TcxFilterCriteriaItem::GetOperatorClass() {
  switch (FOperatorKind) {
  case fokEqual:
  case fokLike:
    return IsNullValue(FValue) ? ClassOf<TcxFilterNullOperator>() : GetFilterOperatorClass(FOperatorKind);
  case fokNotEqual:
  case fokNotLike:
    return IsNullValue(FValue) ? ClassOf<TcxFilterNotNullOperator>() : GetFilterOperatorClass(FOperatorKind);
  default:
    return GetFilterOperatorClass(FOperatorKind);
  }
}

void TcxFilterCriteriaItem::CreateOperator() {
  FOperator.reset(NewInstance<TcxFilterOperator>(GetOperatorClass(), this));
  FNullOperator = FOperator->IsNullOperator();
  if (FNullOperator && FDisplayValue.empty())
    FDisplayValue = GetTranslatedText(cxSFilterBlankCaption);
  FPreparedStamp = 0;
}

void TcxFilterCriteriaItem::RecreateOperator() {
  CreateOperator();
  Changed();
}

bool TcxFilterCriteriaItem::IsNullValue(const Variant& AValue) {
  TcxFilterCriteria* criteria = GetCriteria();
  return criteria ? criteria->IsNullValue(AValue) : VarIsNull(AValue);
}

void TcxFilterCriteriaItem::SetDisplayValue(const AnsiString& AValue) {
  if (FDisplayValue == AValue)
    return;
  FDisplayValue = AValue;
  Changed();
}

void TcxFilterCriteriaItem::SetOperatorKind(TcxFilterOperatorKind AValue) {
  if (AValue > fokLastKind)
    throw EInvalidArgument("Unknown filter operator kind " + IntToStr(AValue));
  if (FOperatorKind == AValue)
    return;
  FOperatorKind = AValue;
  RecreateOperator();
}

void TcxFilterCriteriaItem::SetValue(const Variant& AValue) {
  FValue = AValue;
  // The value decides between a comparison and a blank test, so the operator may change with it.
  RecreateOperator();
}

bool TcxFilterCriteriaItem::IsMatch(void* AData) {
  return IsMatchIn(GetCriteria(), AData);
}

bool TcxFilterCriteriaItem::IsMatchIn(TcxFilterCriteria* criteria, void* AData) {
  // One value object per condition, reused record after record, spares a construction and destruction in
  // the innermost loop of filtering.
  Variant& value = FRecordValue;
  GetDataValue(AData, value);
  if (!criteria)
    return FOperator->IsNullOperator() ? VarIsNull(value)
                                       : !VarIsNull(value) && FOperator->IsMatch(value, FValue);
  criteria->PrepareValue(value, value);
  if (!FNullOperator && criteria->IsNullValue(value))
    return false;
  if (FPreparedStamp != criteria->FPrepareStamp) {
    criteria->PrepareValue(FValue, FPreparedValue);
    FPreparedStamp = criteria->FPrepareStamp;
  }
  return FOperator->IsMatch(value, FPreparedValue);
}

TcxFilterCriteria::TcxFilterCriteria() : FRoot(new TcxFilterCriteriaItemList(nullptr, fbokAnd)) {
  FRoot->FCriteria = this;
}

TcxFilterCriteria::~TcxFilterCriteria() {
  // Freeing the tree reports each removal; nobody is listening any more.
  ++FLockCount;
  OnChanged = nullptr;
  FRoot.reset();
}

void TcxFilterCriteria::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxFilterCriteria*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  UpdateGuard update(this);
  SetDateTimeFormat(source->FDateTimeFormat);
  FMaxValueListCount = source->FMaxValueListCount;
  SetOptions(source->FOptions);
  SetPercentWildcard(source->FPercentWildcard);
  FTranslateBetween = source->FTranslateBetween;
  FTranslateIn = source->FTranslateIn;
  FSupportedLike = source->FSupportedLike;
  SetUnderscoreWildcard(source->FUnderscoreWildcard);
  AssignItems(source);
  AssignEvents(source);
}

void TcxFilterCriteria::CheckChanges() {
  if (!FChanged || FLockCount != 0)
    return;
  FChanged = false;
  Prepare();
  DoChanged();
}

AnsiString TcxFilterCriteria::FormatValue(const Variant& AValue) {
  return VarToStr(AValue);
}

AnsiString TcxFilterCriteria::FormatDateTimeValue(const Variant& AValue) {
  if (!FDateTimeFormat.empty())
    return FormatDateTime(FDateTimeFormat, AValue.AsDate());
  return VarToStr(AValue);
}

void TcxFilterCriteria::FormatFilterTextValue(TcxFilterCriteriaItem* AItem, const Variant& AValue,
                                              AnsiString& AText) {
  if (OnFormatFilterTextValue)
    OnFormatFilterTextValue(this, AItem, AValue, AText);
}

AnsiString TcxFilterCriteria::GetFilterTextEx(bool ADisplay) {
  return GetListText(FRoot.get(), ADisplay);
}

AnsiString TcxFilterCriteria::GetListText(TcxFilterCriteriaItemList* AList, bool ADisplay) {
  bool isAnd = AList->BoolOperatorKind() == fbokAnd || AList->BoolOperatorKind() == fbokNotAnd;
  AnsiString word = ADisplay ? GetTranslatedText(isAnd ? cxSFilterAndCaption : cxSFilterOrCaption)
                             : AnsiString(isAnd ? "AND" : "OR");
  AnsiString text;
  for (int i = 0; i < AList->Count(); ++i) {
    TcxCustomFilterCriteriaItem* child = AList->Items(i);
    AnsiString childText = child->IsItemList()
                               ? GetListText(static_cast<TcxFilterCriteriaItemList*>(child), ADisplay)
                               : GetItemText(static_cast<TcxFilterCriteriaItem*>(child), ADisplay);
    if (i > 0)
      text += " " + word + " ";
    text += "(" + childText + ")";
  }
  if (AList->BoolOperatorKind() == fbokNotAnd || AList->BoolOperatorKind() == fbokNotOr)
    text = (ADisplay ? GetTranslatedText(cxSFilterNotCaption) : AnsiString("NOT")) + " (" + text + ")";
  return text;
}

int TcxFilterCriteria::GetIDByItemLink(TcxItemLink AItemLink) {
  // Links mean nothing to the base criteria; descendants that know their data items give stable IDs.
  (void)AItemLink;
  return 0;
}

TcxFilterCriteriaItemClass TcxFilterCriteria::GetItemClass() {
  return ClassOf<TcxFilterCriteriaItem>();
}

AnsiString TcxFilterCriteria::GetItemText(TcxFilterCriteriaItem* AItem, bool ADisplay) {
  if (!ADisplay && AItem->Operator()->IsFullExpression()) {
    AnsiString text;
    AItem->Operator()->GetExpression(AItem->Value(), text);
    return text;
  }
  AnsiString text = GetItemFieldText(AItem, ADisplay) + " " + GetItemOperatorText(AItem, ADisplay);
  AnsiString value = GetItemValueText(AItem, ADisplay);
  if (!value.empty())
    text += " " + value;
  return text;
}

AnsiString TcxFilterCriteria::GetItemFieldText(TcxFilterCriteriaItem* AItem, bool ADisplay) {
  return ADisplay ? AItem->GetFieldCaption() : AItem->GetFieldName();
}

AnsiString TcxFilterCriteria::GetItemOperatorText(TcxFilterCriteriaItem* AItem, bool ADisplay) {
  AnsiString text;
  TcxFilterOperator* op = AItem->Operator();
  if (ADisplay && (op->AlwaysShowDescription() || FOptions.Contains(fcoShowOperatorDescription)))
    op->GetDisplayText(text);
  else
    op->GetSymbol(text);
  return text;
}

AnsiString TcxFilterCriteria::GetItemValueText(TcxFilterCriteriaItem* AItem, bool ADisplay) {
  AnsiString text;
  AItem->GetValueText(ADisplay, text);
  return text;
}

TcxItemLink TcxFilterCriteria::GetItemLinkByID(int AID) {
  (void)AID;
  return nullptr;
}

TcxFilterValueListClass TcxFilterCriteria::GetValueListClass() {
  return ClassOf<TcxFilterValueList>();
}

void TcxFilterCriteria::Prepare() {
  PrepareList(FRoot.get());
}

void TcxFilterCriteria::PrepareList(TcxFilterCriteriaItemList* AList) {
  for (int i = 0; i < AList->Count(); ++i) {
    TcxCustomFilterCriteriaItem* child = AList->Items(i);
    if (child->IsItemList())
      PrepareList(static_cast<TcxFilterCriteriaItemList*>(child));
    else
      static_cast<TcxFilterCriteriaItem*>(child)->Operator()->Prepare();
  }
}

void TcxFilterCriteria::PrepareValue(const Variant& ASource, Variant& ADest) {
  TVarType type = VarType(ASource);
  if (type == varCurrency)
    ADest = Variant(ASource.AsDouble());
  else if (type == varString && FOptions.Contains(fcoCaseInsensitive))
    ADest = Variant(AnsiUpperCase(ASource.RawString()));
  else if (type == varOleStr && FOptions.Contains(fcoCaseInsensitive))
    ADest = Variant(WideUpperCase(ASource.RawWideString()));
  else if (&ADest != &ASource)
    ADest = ASource;
}

void TcxFilterCriteria::DoChanged() {
  if (OnChanged.Assigned())
    OnChanged(this);
}

void TcxFilterCriteria::AssignEvents(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxFilterCriteria*>(Source))
    OnChanged = source->OnChanged;
}

TcxFilterCriteriaItem* TcxFilterCriteria::AddItem(TcxFilterCriteriaItemList* AParent, TcxItemLink AItemLink,
                                                  TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                  const AnsiString& ADisplayValue) {
  UpdateGuard update(this);
  TcxFilterCriteriaItem* item = NewInstance<TcxFilterCriteriaItem>(
      GetItemClass(), AParent ? AParent : FRoot.get(), AItemLink, AOperatorKind, AValue, ADisplayValue);
  // The constructor could only reach the base choice of operator class; descendants may choose another.
  item->RecreateOperator();
  return item;
}

void TcxFilterCriteria::Changed() {
  FChanged = true;
  ++FPrepareStamp;
  CheckChanges();
}

TcxFilterCriteriaItem* TcxFilterCriteria::FindItemByItemLink(TcxItemLink AItemLink) {
  // Depth first with children in order: walk an explicit stack of (list, next index).
  std::vector<std::pair<TcxFilterCriteriaItemList*, int>> path{{FRoot.get(), 0}};
  while (!path.empty()) {
    auto& [list, index] = path.back();
    if (index >= list->Count()) {
      path.pop_back();
      continue;
    }
    TcxCustomFilterCriteriaItem* child = list->Items(index++);
    if (child->IsItemList())
      path.push_back({static_cast<TcxFilterCriteriaItemList*>(child), 0});
    else if (static_cast<TcxFilterCriteriaItem*>(child)->ItemLink() == AItemLink)
      return static_cast<TcxFilterCriteriaItem*>(child);
  }
  return nullptr;
}

void TcxFilterCriteria::RestoreDefaults() {
  UpdateGuard update(this);
  SetOptions(TcxFilterCriteriaOptions());
  SetPercentWildcard('%');
  FSupportedLike = true;
  FTranslateBetween = false;
  FTranslateIn = false;
  SetUnderscoreWildcard('_');
}

bool TcxFilterCriteria::IsNullValue(const Variant& AValue) {
  return FOptions.Contains(fcoSoftNull) ? VarIsSoftNull(AValue) : VarIsNull(AValue);
}

void TcxFilterCriteria::WriteData(TStream* AStream) {
  WriteInteger(AStream, -1);
  WriteByte(AStream, FRoot->BoolOperatorKind());
  WriteInteger(AStream, FRoot->Count());
  for (int i = 0; i < FRoot->Count(); ++i)
    FRoot->Items(i)->WriteData(AStream);
}

void TcxFilterCriteria::ReadData(TStream* AStream) {
  UpdateGuard update(this);
  Clear();
  try {
    std::int32_t count = ReadInteger(AStream);
    if (count == -1) {
      std::uint8_t kind = ReadByte(AStream);
      if (kind > fbokNotOr)
        throw EReadError();
      FRoot->SetBoolOperatorKind(TcxFilterBoolOperatorKind(kind));
      count = ReadInteger(AStream);
    }
    ReadItems(AStream, FRoot.get(), count, 0);
  } catch (const EReadError&) {
    // Half a tree could filter in ways nobody asked for; a damaged stream leaves no filter at all.
    Clear();
    throw;
  } catch (const Exception&) {
    Clear();
    throw EReadError();
  } catch (...) {
    Clear();
    throw;
  }
}

void TcxFilterCriteria::ReadItems(TStream* AStream, TcxFilterCriteriaItemList* AParent, int ACount,
                                  int ADepth) {
  if (ADepth > kMaxListNesting || ACount < 0 || ACount > StreamBytesLeft(AStream) / kMinItemRecordSize)
    throw EReadError();
  for (int i = 0; i < ACount; ++i) {
    std::uint8_t isList = ReadByte(AStream);
    if (isList > 1)
      throw EReadError();
    if (isList) {
      std::uint8_t kind = ReadByte(AStream);
      if (kind > fbokNotOr)
        throw EReadError();
      TcxFilterCriteriaItemList* list = AParent->AddItemList(TcxFilterBoolOperatorKind(kind));
      ReadItems(AStream, list, ReadInteger(AStream), ADepth + 1);
      list->ReadData(AStream);
    } else {
      std::uint8_t kind = ReadByte(AStream);
      if (kind > fokLastKind)
        throw EReadError();
      AnsiString displayValue = ReadAnsiString(AStream);
      std::int32_t id = ReadInteger(AStream);
      Variant value = ReadVariant(AStream);
      TcxFilterCriteriaItem* item =
          AddItem(AParent, GetItemLinkByID(id), TcxFilterOperatorKind(kind), value, displayValue);
      item->ReadData(AStream);
    }
  }
}

void TcxFilterCriteria::EndUpdate() {
  --FLockCount;
  CheckChanges();
}

void TcxFilterCriteria::Clear() {
  UpdateGuard update(this);
  while (FRoot->Count() > 0)
    FRoot->Items(FRoot->Count() - 1)->Free();
  FRoot->SetBoolOperatorKind(fbokAnd);
}

void TcxFilterCriteria::CollapseAfterRemoval(TcxFilterCriteriaItemList* AList) {
  while (AList && AList != FRoot.get()) {
    TcxFilterCriteriaItemList* parent = AList->Parent();
    if (AList->Count() == 0) {
      AList->Free();
      AList = parent;
      continue;
    }
    // A negated list with one child still negates it, so only plain lists give their last child up. The
    // child is appended to the grandparent: saved filters and their texts depend on that order.
    if (AList->Count() == 1 &&
        (AList->BoolOperatorKind() == fbokAnd || AList->BoolOperatorKind() == fbokOr)) {
      TcxCustomFilterCriteriaItem* child = AList->Items(0);
      AList->Remove(child);
      parent->Add(child);
      AList->Free();
    }
    break;
  }
}

void TcxFilterCriteria::RemoveItemByItemLink(TcxItemLink AItemLink) {
  UpdateGuard update(this);
  while (TcxFilterCriteriaItem* item = FindItemByItemLink(AItemLink)) {
    TcxFilterCriteriaItemList* parent = item->Parent();
    item->Free();
    CollapseAfterRemoval(parent);
  }
}

bool TcxFilterCriteria::IsListMatched(TcxFilterCriteriaItemList* AList, void* AData) {
  // Folding the children left to right as AND, OR, OR-NOT or AND-NOT (the first child negated for the NOT
  // kinds) gives all, any, not all and not any; each stops at the first child that settles it. An empty
  // list is true whatever its kind.
  if (AList->FItems.empty())
    return true;
  TcxFilterBoolOperatorKind kind = AList->BoolOperatorKind();
  bool all = kind == fbokAnd || kind == fbokNotAnd;
  bool negate = kind == fbokNotAnd || kind == fbokNotOr;
  for (TcxCustomFilterCriteriaItem* child : AList->FItems) {
    bool r = child->FIsList ? IsListMatched(static_cast<TcxFilterCriteriaItemList*>(child), AData)
                            : static_cast<TcxFilterCriteriaItem*>(child)->IsMatchIn(this, AData);
    if (r != all)
      return negate ? all : !all;
  }
  return negate ? !all : all;
}

bool TcxFilterCriteria::IsDataMatched(void* AData) {
  return IsListMatched(FRoot.get(), AData);
}

bool TcxFilterCriteria::HasCriteriaData() {
  return FRoot->BoolOperatorKind() != fbokAnd || FRoot->Count() > 0;
}

void TcxFilterCriteria::SetDateTimeFormat(const AnsiString& AValue) {
  if (FDateTimeFormat == AValue)
    return;
  FDateTimeFormat = AValue;
  Changed();
}

void TcxFilterCriteria::SetOptions(TcxFilterCriteriaOptions AValue) {
  if (FOptions == AValue)
    return;
  FOptions = AValue;
  Changed();
}

void TcxFilterCriteria::SetPercentWildcard(char AValue) {
  if (FPercentWildcard == AValue)
    return;
  FPercentWildcard = AValue;
  Changed();
}

void TcxFilterCriteria::SetUnderscoreWildcard(char AValue) {
  if (FUnderscoreWildcard == AValue)
    return;
  FUnderscoreWildcard = AValue;
  Changed();
}

int TcxFilterValueList::IndexOfKind(TcxFilterValueItemKind AKind) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Kind == AKind)
      return int(i);
  return -1;
}

int TcxFilterValueList::Compare(int AIndex, const Variant& AValue, const AnsiString& ADisplayText) {
  const TcxFilterValueItem& item = FItems[std::size_t(AIndex)];
  if (SortByDisplayText) {
    if (FCriteria && FCriteria->Options().Contains(fcoCaseInsensitive))
      return AnsiCompareStr(AnsiUpperCase(item.DisplayText), AnsiUpperCase(ADisplayText));
    return AnsiCompareStr(item.DisplayText, ADisplayText);
  }
  Variant a, b;
  if (FCriteria) {
    FCriteria->PrepareValue(item.Value, a);
    FCriteria->PrepareValue(AValue, b);
  } else {
    a = item.Value;
    b = AValue;
  }
  return VarCompare(a, b);
}

bool TcxFilterValueList::Find(const Variant& AValue, const AnsiString& ADisplayText, int& AIndex) {
  int separator = IndexOfKind(fviMRUSeparator);
  for (int i = 0; i < separator; ++i)
    if (FItems[std::size_t(i)].Kind == fviMRU && Compare(i, AValue, ADisplayText) == 0) {
      AIndex = i;
      return true;
    }
  int first = IndexOfKind(fviValue);
  if (first < 0)
    first = Count();
  int low = first, high = Count() - 1;
  bool found = false;
  while (low <= high) {
    int middle = low + (high - low) / 2;
    int c = Compare(middle, AValue, ADisplayText);
    if (c < 0) {
      low = middle + 1;
    } else {
      if (c == 0)
        found = true;
      high = middle - 1;
    }
  }
  AIndex = low;
  return found;
}

void TcxFilterValueList::Add(TcxFilterValueItemKind AKind, const Variant& AValue,
                             const AnsiString& ADisplayText, bool AAppend) {
  TcxFilterValueItem item{AKind, AValue, ADisplayText};
  if (AKind == fviMRU) {
    int separator = IndexOfKind(fviMRUSeparator);
    if (separator < 0) {
      FItems.insert(FItems.begin(), TcxFilterValueItem{fviMRUSeparator, Null, AnsiString()});
      separator = 0;
    }
    FItems.insert(FItems.begin() + separator, std::move(item));
    return;
  }
  if (AKind == fviValue) {
    if (AAppend) {
      FItems.push_back(std::move(item));
      return;
    }
    if (FCriteria && FCriteria->MaxValueListCount() != 0 && Count() >= FCriteria->MaxValueListCount())
      return;
    int index;
    if (Find(AValue, ADisplayText, index))
      return;
    FItems.insert(FItems.begin() + index, std::move(item));
    return;
  }
  int first = IndexOfKind(fviValue);
  FItems.insert(first < 0 ? FItems.end() : FItems.begin() + first, std::move(item));
}

int TcxFilterValueList::GetIndexByCriteriaItem(TcxFilterCriteriaItem* AItem) {
  if (!AItem)
    return -1;
  bool nullValue = AItem->IsNullValue(AItem->Value());
  if (nullValue && AItem->OperatorKind() == fokEqual)
    return IndexOfKind(fviBlanks);
  if (nullValue && AItem->OperatorKind() == fokNotEqual)
    return IndexOfKind(fviNonBlanks);
  if (AItem->OperatorKind() == fokEqual && FCriteria && AItem->Parent() == FCriteria->Root()) {
    int index;
    if (Find(AItem->Value(), AItem->DisplayValue(), index))
      return index;
    return IndexOfKind(fviAll);
  }
  return IndexOfKind(fviCustom);
}

void TcxFilterCriteria::AssignItems(TcxFilterCriteria* Source) {
  TMemoryStream stream;
  Source->WriteData(&stream);
  stream.SetPosition(0);
  ReadData(&stream);
}

namespace {

// The component that carries a criteria through the component stream as its one class property.
class TFilterWrapper : public TComponent {
  PELVOR_CLASS(TFilterWrapper, TComponent)
public:
  using TComponent::TComponent;
  TcxFilterCriteria* Filter = nullptr; // borrowed
};

TcxFilterCriteria* AsCriteria(TPersistent* p) {
  return static_cast<TcxFilterCriteria*>(p);
}

bool gCriteriaPropertiesRegistered = false;

// Without its published properties the criteria would stream as if it had none.
void RequireCriteriaProperties() {
  if (!gCriteriaPropertiesRegistered)
    throw EInvalidOperation("The filter criteria cannot be streamed before the cxFilter unit has started");
}

} // namespace

void cxFilterInitialize() {
  TPropInfo maxCount{"MaxValueListCount", TPropType::Integer};
  maxCount.GetOrd = [](TPersistent* p) { return std::int64_t(AsCriteria(p)->MaxValueListCount()); };
  maxCount.SetOrd = [](TPersistent* p, std::int64_t v) {
    // Zero means no limit; a negative one would silently keep every value out of the list.
    if (v < 0 || v > INT32_MAX)
      throw EReadError("Invalid property value");
    AsCriteria(p)->SetMaxValueListCount(int(v));
  };
  maxCount.Default = 0;
  TPropInfo options{"Options", TPropType::Set};
  options.GetOrd = [](TPersistent* p) {
    std::int64_t mask = 0;
    for (int i = 0; i < 4; ++i)
      if (AsCriteria(p)->Options().Contains(TcxFilterCriteriaOption(i)))
        mask |= 1 << i;
    return mask;
  };
  options.SetOrd = [](TPersistent* p, std::int64_t mask) {
    TcxFilterCriteriaOptions value;
    for (int i = 0; i < 4; ++i)
      if (mask & (1 << i))
        value.Include(TcxFilterCriteriaOption(i));
    AsCriteria(p)->SetOptions(value);
  };
  options.ElementNames = {"fcoCaseInsensitive", "fcoShowOperatorDescription", "fcoSoftNull",
                          "fcoSoftCompare"};
  options.Default = 0;
  TPropInfo percent{"PercentWildcard", TPropType::Char};
  percent.GetOrd = [](TPersistent* p) {
    return std::int64_t(std::uint8_t(AsCriteria(p)->PercentWildcard()));
  };
  percent.SetOrd = [](TPersistent* p, std::int64_t v) { AsCriteria(p)->SetPercentWildcard(char(v)); };
  percent.Default = '%';
  TPropInfo underscore{"UnderscoreWildcard", TPropType::Char};
  underscore.GetOrd = [](TPersistent* p) {
    return std::int64_t(std::uint8_t(AsCriteria(p)->UnderscoreWildcard()));
  };
  underscore.SetOrd = [](TPersistent* p, std::int64_t v) { AsCriteria(p)->SetUnderscoreWildcard(char(v)); };
  underscore.Default = '_';
  // Event handlers are not streamed: a method has no name here by which a reader could find it again.
  RegisterPublishedProperties(ClassOf<TcxFilterCriteria>(), {maxCount, options, percent, underscore});

  TPropInfo filter{"Filter", TPropType::Class};
  filter.GetObject = [](TPersistent* p) -> TPersistent* { return static_cast<TFilterWrapper*>(p)->Filter; };
  RegisterPublishedProperties(ClassOf<TFilterWrapper>(), {filter});
  gCriteriaPropertiesRegistered = true;
}

void cxFilterFinalize() {
  gCriteriaPropertiesRegistered = false;
  UnregisterPublishedProperties(ClassOf<TFilterWrapper>());
  UnregisterPublishedProperties(ClassOf<TcxFilterCriteria>());
}

const TUnitInfo cxFilterUnit{"cxFilter", &cxFilterInitialize, &cxFilterFinalize};

void TcxFilterCriteria::SaveToStream(TStream* AStream) {
  RequireCriteriaProperties();
  std::unique_ptr<TFilterWrapper, TObjectDeleter> wrapper(new TFilterWrapper(nullptr));
  wrapper->Filter = this;
  WriteComponent(AStream, wrapper.get());
}

void TcxFilterCriteria::LoadFromStream(TStream* AStream) {
  RequireCriteriaProperties();
  UpdateGuard update(this);
  std::unique_ptr<TFilterWrapper, TObjectDeleter> wrapper(new TFilterWrapper(nullptr));
  wrapper->Filter = this;
  auto reset = [this] {
    // Properties read before the damage would leave a criteria nobody asked for.
    RestoreDefaults();
    SetMaxValueListCount(0);
    Clear();
  };
  try {
    ReadComponent(AStream, wrapper.get());
  } catch (const EReadError&) {
    reset();
    throw;
  } catch (const Exception&) {
    // A bad name or value inside the record is damage to the stream as far as the caller is concerned.
    reset();
    throw EReadError();
  } catch (...) {
    reset();
    throw;
  }
}
