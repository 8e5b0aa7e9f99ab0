#include <cmath>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"
#include "data/cxDataUtils.h"
#include "data/cxVariants.h"
#include "platform/rtl/FloatText.h"

using namespace cxdata;

TcxDataSummaryItem::~TcxDataSummaryItem() = default;

bool TcxDataSummaryItem::IsCalculated() const {
  return FField != nullptr || (FKind == skCount && Position() == spGroup);
}

void TcxDataSummaryItem::SetField(TcxCustomDataField* AField) {
  if (FField == AField)
    return;
  FField = AField;
  FCollection->Update(true);
}

TObject* TcxDataSummaryItem::ItemLink() const {
  return FField ? FField->Item() : nullptr;
}

void TcxDataSummaryItem::SetItemLink(TObject* AItem) {
  SetField(AItem ? FCollection->Summary()->DataController()->Fields().FieldByItem(AItem) : nullptr);
}

void TcxDataSummaryItem::SetKind(TcxSummaryKind AValue) {
  if (FKind == AValue)
    return;
  FKind = AValue;
  FCollection->Update(true);
}

TcxSummaryPosition TcxDataSummaryItem::Position() const {
  return FCollection->IsFooter() ? spFooter : FPosition;
}

void TcxDataSummaryItem::SetPosition(TcxSummaryPosition AValue) {
  if (FPosition == AValue)
    return;
  FPosition = AValue;
  FCollection->Update(true);
}

void TcxDataSummaryItem::SetFormat(const AnsiString& AValue) {
  if (FFormat == AValue)
    return;
  FFormat = AValue;
  FCollection->Update(false);
}

int TcxDataSummaryItem::Index() const {
  return FCollection->IndexOf(this);
}

AnsiString TcxDataSummaryItem::GetValueDisplayText(const Variant& AValue, bool AIsFooter) {
  AnsiString text;
  if (AValue.IsNull() || AValue.IsEmpty()) {
    text.clear();
  } else if (FKind == skNone) {
    text = VarToStr(AValue);
  } else {
    AnsiString format =
        FFormat.empty() ? TcxDataSummaryItems::GetDefaultFormat(AValue.Type(), FKind, AIsFooter) : FFormat;
    if (AValue.Type() != varDate || FKind == skCount) {
      text = FormatFloat(format, AValue.AsDouble());
    } else {
      TDateTime d = AValue.AsDouble();
      double days = std::trunc(d);
      if (d == days)
        text = format + DateToStr(d);
      else if (days == 0)
        text = format + TimeToStr(d);
      else
        text = format + DateTimeToStr(d);
    }
  }
  if (OnGetText)
    OnGetText(this, AValue, AIsFooter, text);
  return text;
}

TcxDataSummaryItem* TcxDataSummaryItems::Add() {
  auto* item = new TcxDataSummaryItem(this);
  FItems.push_back(item);
  Update(false);
  return item;
}

void TcxDataSummaryItems::Delete(int AIndex) {
  TcxDataSummaryItem* item = FItems.at(std::size_t(AIndex));
  FItems.erase(FItems.begin() + AIndex);
  item->Free();
  Update(false);
}

void TcxDataSummaryItems::Clear() {
  for (TcxDataSummaryItem* item : FItems)
    item->Free();
  FItems.clear();
}

int TcxDataSummaryItems::IndexOf(const TcxDataSummaryItem* AItem) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == AItem)
      return int(i);
  return -1;
}

void TcxDataSummaryItems::Update(bool AStructural) {
  FSummary->Changed(AStructural);
}

TcxDataSummaryItem* TcxDataSummaryItems::ItemOfItemLink(int AItemIndex, TcxSummaryPosition APosition) {
  TcxCustomDataField* field = FSummary->DataController()->GetItemField(AItemIndex);
  for (TcxDataSummaryItem* item : FItems)
    if (item->Field() == field && item->Position() == APosition)
      return item;
  return nullptr;
}

bool TcxDataSummaryItems::CanIncludeValue(TcxSummaryOptions AOptions, bool AIsNull,
                                          bool AExcludedBySelection) {
  if (AOptions.Contains(soSelectedRecords) && AExcludedBySelection)
    return false;
  return !(AOptions.Contains(soNullIgnore) && AIsNull);
}

AnsiString TcxDataSummaryItems::GetDefaultFormat(TVarType AVarType, TcxSummaryKind AKind, bool AIsFooter) {
  static const char* const prefixes[] = {"", "SUM=", "MIN=", "MAX=", "COUNT=", "AVG="};
  const char* prefix = prefixes[AKind];
  if (AKind == skCount)
    return AIsFooter ? "0" : "COUNT=0";
  bool bare = AIsFooter && AKind == skSum;
  if (AVarType == varDate)
    return bare ? "" : prefix;
  if (AVarType == varCurrency) {
    AnsiString currency = GetCurrencyDisplayFormat();
    AnsiString p = bare ? AnsiString() : AnsiString(prefix);
    return p + currency + ";" + p + "-" + currency;
  }
  AnsiString p = bare ? AnsiString() : AnsiString(prefix);
  return p + "0.00;" + p + "-0.00";
}

AnsiString TcxDataSummaryItems::GetGroupText(const Variant& AValues) {
  if (FFooter)
    return AnsiString();
  AnsiString text;
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    TcxDataSummaryItem* item = FItems[i];
    if (item->Position() != spGroup || !TcxDataSummary::IsValueIndexValid(AValues, int(i)))
      continue;
    if (!text.empty())
      text += Separator + " ";
    text += item->GetValueDisplayText(AValues[int(i)], false);
  }
  if (!text.empty())
    text = BeginText + text + EndText;
  return text;
}

// One running value of one item: typed accumulation for plain numeric fields, variants otherwise.
struct TcxDataSummary::Accumulator {
  Variant Value;
  int Count = 0;
  TRawKind Raw = TRawKind::None;
  bool Started = false;
  std::int64_t IntSum = 0;
  bool IntOverflow = false;
  double DoubleSum = 0;
  const char* Best = nullptr; // min or max place
};

TcxDataSummary::TcxDataSummary(TcxCustomDataController* ADataController) : FDataController(ADataController) {}

TcxDataSummary::~TcxDataSummary() {
  FDestroying = true;
}

void TcxDataSummary::BeginUpdate() {
  FDataController->BeginUpdate();
  ++FLockCount;
}

void TcxDataSummary::EndUpdate() {
  --FLockCount;
  if (FLockCount == 0)
    Changed(false);
  FDataController->EndUpdate();
}

void TcxDataSummary::Changed(bool AStructural) {
  if (FInEvent || FLockCount > 0 || FDestroying)
    return;
  TcxCustomDataControllerInfo& view = FDataController->View();
  if (AStructural)
    FDataController->LayoutChanged(dccLayout);
  view.FilterChanged(false);
}

void TcxDataSummary::SetOptions(TcxSummaryOptions AValue) {
  if (FOptions == AValue)
    return;
  FOptions = AValue;
  Changed(false);
}

void TcxDataSummary::RemoveFieldReferences(TcxCustomDataField* AField) {
  bool any = false;
  for (TcxDataSummaryItems* items : {&FFooterSummaryItems, &FDefaultGroupSummaryItems})
    for (int i = 0; i < items->Count(); ++i)
      if (items->Items(i)->FField == AField) {
        items->Items(i)->FField = nullptr;
        any = true;
      }
  if (any)
    Changed(true);
}

TcxDataSummaryItems* TcxDataSummary::GetGroupSummaryItems(int ALevel) {
  if (ALevel < 0 || ALevel >= FDataController->View().GroupingFieldList().Count())
    return nullptr;
  return &FDefaultGroupSummaryItems;
}

bool TcxDataSummary::IsValueIndexValid(const Variant& AValues, int AIndex) {
  return VarIsArray(AValues) && VarArrayDimCount(AValues) == 1 && AIndex >= VarArrayLowBound(AValues, 1) &&
         AIndex <= VarArrayHighBound(AValues, 1);
}

int TcxDataSummary::GetRecordIndex(int AListIndex) {
  TcxCustomDataControllerInfo& view = FDataController->View();
  int record = view.GetRecordListRecord(AListIndex);
  if (!FOptions.Contains(soSelectedRecords))
    return record;
  if (FDataController->IsSingleSelect())
    return record == FDataController->GetFocusedRecordIndex() && FDataController->FocusedRowSelected()
               ? record
               : -1;
  return record < int(FSelectedRecords.size()) && FSelectedRecords[std::size_t(record)] ? record : -1;
}

void TcxDataSummary::InitValues(TcxDataSummaryItems& AItems, std::vector<Accumulator>& AAccumulators) {
  AAccumulators.assign(std::size_t(AItems.Count()), Accumulator());
  for (int i = 0; i < AItems.Count(); ++i) {
    TcxDataSummaryItem* item = AItems.Items(i);
    if (item->Field() && !AItems.OnSummary && !FDataController->IsProviderMode() && item->Field()->ValueDef())
      AAccumulators[std::size_t(i)].Raw = RawKindOf(item->Field()->ValueTypeClass());
    if (AAccumulators[std::size_t(i)].Raw == TRawKind::String)
      AAccumulators[std::size_t(i)].Raw = TRawKind::None;
  }
}

void TcxDataSummary::AddRecordValue(TcxDataSummaryItems& AItems, TcxDataSummaryItem* AItem, int ARecordIndex,
                                    Accumulator& A) {
  TcxSummaryKind kind = AItem->Kind();
  if (A.Raw != TRawKind::None) {
    // The same rules as the variant path below, on raw values.
    const char* place = ValuePlace(FDataController->DataStorage(), ARecordIndex, AItem->Field()->ValueDef());
    if (kind == skNone || (!place && FOptions.Contains(soNullIgnore)))
      return;
    ++A.Count;
    if (kind == skCount)
      return;
    if (!A.Started) {
      if ((kind == skMin || kind == skMax) && !place)
        return;
      A.Started = true;
      if (place) {
        A.Best = place;
        A.IntSum = RawAsInt64(A.Raw, place);
        A.DoubleSum = RawAsDouble(A.Raw, place);
      }
      return;
    }
    if (!place)
      return;
    if (kind == skSum || kind == skAverage) {
      if (A.Raw == TRawKind::Double || A.IntOverflow) {
        A.DoubleSum += RawAsDouble(A.Raw, place);
      } else {
        std::int64_t v = RawAsInt64(A.Raw, place);
        std::int64_t sum;
        if (__builtin_add_overflow(A.IntSum, v, &sum)) {
          A.IntOverflow = true;
          A.DoubleSum = double(A.IntSum) + double(v);
        } else {
          A.IntSum = sum;
        }
      }
    } else if (kind == skMin || kind == skMax) {
      std::uint64_t k = RawOrderKey(A.Raw, place), best = RawOrderKey(A.Raw, A.Best);
      if (kind == skMin ? k < best : k > best)
        A.Best = place;
    }
    return;
  }
  Variant value = AItem->Field() ? FDataController->GetStoredValue(ARecordIndex, AItem->Field()) : Null;
  if (AItems.OnSummary) {
    TcxSummaryEventArguments args{ARecordIndex, AItem};
    TcxSummaryEventOutArguments out{value, A.Value, A.Count, false};
    AItems.OnSummary(&AItems, args, out);
    A.Value = out.SummaryValue;
    A.Count = out.CountValue;
    value = out.Value;
    if (out.Done)
      return;
  }
  if (kind == skNone)
    return;
  if (value.IsNull() && FOptions.Contains(soNullIgnore))
    return;
  if (A.Value.IsEmpty()) {
    if (kind != skCount && !((kind == skMin || kind == skMax) && value.IsNull())) {
      A.Value = value;
      if (value.IsNull() && (kind == skSum || kind == skAverage))
        A.Value = 0;
    }
    ++A.Count;
    return;
  }
  ++A.Count;
  if (value.IsNull() || A.Value.IsNull())
    return;
  try {
    if (kind == skSum || kind == skAverage)
      A.Value = VarAdd(A.Value, value);
    else if (kind == skMin && StrictVarCompare(value, A.Value) < 0)
      A.Value = value;
    else if (kind == skMax && StrictVarCompare(value, A.Value) > 0)
      A.Value = value;
  } catch (const EVariantError&) {
    A.Value = Null; // values that do not add up have no sum
  } catch (const EConvertError&) {
    A.Value = Null;
  }
}

void TcxDataSummary::CalculateRange(TcxDataSummaryItems& AItems, int AFirst, int ALast,
                                    std::vector<Accumulator>& AAccumulators) {
  for (int li = AFirst; li <= ALast; ++li) {
    int record = GetRecordIndex(li);
    if (record < 0)
      continue;
    for (int i = 0; i < AItems.Count(); ++i) {
      TcxDataSummaryItem* item = AItems.Items(i);
      if (item->IsCalculated())
        AddRecordValue(AItems, item, record, AAccumulators[std::size_t(i)]);
    }
  }
}

Variant TcxDataSummary::BuildValues(TcxDataSummaryItems& AItems, std::vector<Accumulator>& AAccumulators) {
  if (AItems.Count() == 0)
    return Null;
  std::vector<Variant> values(std::size_t(AItems.Count()), Null);
  for (int i = 0; i < AItems.Count(); ++i) {
    TcxDataSummaryItem* item = AItems.Items(i);
    if (!item->IsCalculated())
      continue;
    Accumulator& a = AAccumulators[std::size_t(i)];
    TcxSummaryKind kind = item->Kind();
    Variant value = a.Value;
    if (a.Raw != TRawKind::None && kind != skNone && kind != skCount) {
      TcxValueTypeClass type = item->Field()->ValueTypeClass();
      if (!a.Started) {
        value = Null;
      } else if (kind == skMin || kind == skMax) {
        value = a.Best ? type->GetValue(const_cast<char*>(a.Best)) : Null;
      } else if (a.Raw == TRawKind::Double) {
        value =
            type == TcxDateTimeValueType::Instance() ? Variant::FromDate(a.DoubleSum) : Variant(a.DoubleSum);
      } else if (a.IntOverflow) {
        value = Variant(type == TcxCurrencyValueType::Instance() ? a.DoubleSum / 10000 : a.DoubleSum);
      } else if (type == TcxCurrencyValueType::Instance()) {
        value = Variant(Currency{a.IntSum});
      } else {
        value = a.IntSum >= INT32_MIN && a.IntSum <= INT32_MAX && a.Raw != TRawKind::Int64
                    ? Variant(int(a.IntSum))
                    : Variant(a.IntSum);
      }
    }
    if (value.IsEmpty())
      value = Null;
    if (kind == skCount) {
      value = a.Count;
    } else if (kind == skAverage && a.Count >= 1 && !value.IsNull()) {
      try {
        value = VarDivideByCount(value, a.Count);
      } catch (const EVariantError&) {
        value = Null;
      }
    }
    values[std::size_t(i)] = value;
  }
  return VarArrayOf(values);
}

void TcxDataSummary::Calculate() {
  if (FDestroying)
    return;
  FSelectedRecords.clear();
  if (FOptions.Contains(soSelectedRecords) && FDataController->MultiSelect()) {
    FSelectedRecords.assign(std::size_t(FDataController->GetRecordCount()), 0);
    TcxDataSelection& selection = FDataController->View().Selection();
    for (int i = 0; i < selection.Count(); ++i) {
      const TcxDataSelectedItem& item = selection.Items(i);
      if (item.Level >= 0 && item.RecordIndex >= 0 && item.RecordIndex < int(FSelectedRecords.size()))
        FSelectedRecords[std::size_t(item.RecordIndex)] = 1;
    }
  }
  CalculateFooterSummary();
  CalculateGroupSummaries();
  DoAfterSummary();
}

void TcxDataSummary::CalculateFooterSummary() {
  std::vector<Accumulator> accumulators;
  InitValues(FFooterSummaryItems, accumulators);
  if (!FDataController->IsGridMode())
    CalculateRange(FFooterSummaryItems, 0, FDataController->View().GetRecordListCount() - 1, accumulators);
  FFooterSummaryValues = BuildValues(FFooterSummaryItems, accumulators);
}

void TcxDataSummary::CalculateGroupSummaries() {
  TcxDataGroups& groups = FDataController->View().Groups();
  int levels = groups.LevelCount();
  for (int level = 0; level < levels; ++level) {
    TcxDataSummaryItems* items = GetGroupSummaryItems(level);
    std::vector<Accumulator> accumulators;
    int current = -1;
    for (int g = 0; g < groups.Count(); ++g) {
      TcxDataGroupInfo& group = groups.Items(g);
      if (group.Level == level) {
        if (current >= 0)
          groups.Items(current).SummaryValues = items ? BuildValues(*items, accumulators) : Null;
        current = g;
        if (items)
          InitValues(*items, accumulators);
      }
      if (group.Level == levels - 1 && items && current >= 0)
        CalculateRange(*items, group.BeginIndex, group.EndIndex, accumulators);
    }
    if (current >= 0)
      groups.Items(current).SummaryValues = items ? BuildValues(*items, accumulators) : Null;
  }
}

void TcxDataSummary::DoAfterSummary() {
  if (!OnAfterSummary || FInEvent)
    return;
  TFlagGuard guard(FInEvent, FDataController->AliveToken());
  OnAfterSummary(this);
}
