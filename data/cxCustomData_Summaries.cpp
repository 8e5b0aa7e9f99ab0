#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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

namespace {

// An item of another controller is found again by its ID; items the controllers share map to themselves.
TObject* MapItem(TcxCustomDataController* AFrom, TcxCustomDataController* ATo, TObject* AItem) {
  if (!AItem || AFrom == ATo || ATo->Fields().FieldByItem(AItem))
    return AItem;
  int id = AFrom->GetItemID(AItem);
  return id == -1 ? nullptr : ATo->FindItemByID(id);
}

} // namespace

void TcxDataSummaryItems::Assign(const TcxDataSummaryItems& ASource) {
  if (&ASource == this)
    return;
  Clear();
  for (const TcxDataSummaryItem* source : ASource.FItems) {
    auto* item = new TcxDataSummaryItem(this);
    FItems.push_back(item);
    item->FKind = source->FKind;
    item->FPosition = source->FPosition;
    item->FFormat = source->FFormat;
    item->OnGetText = source->OnGetText;
    if (TObject* link =
            MapItem(ASource.FSummary->DataController(), FSummary->DataController(), source->ItemLink()))
      item->FField = FSummary->DataController()->Fields().FieldByItem(link);
  }
  BeginText = ASource.BeginText;
  EndText = ASource.EndText;
  Separator = ASource.Separator;
  OnSummary = ASource.OnSummary;
  Update(true);
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
  std::vector<TcxDataSummaryItems*> collections{&FFooterSummaryItems, &FDefaultGroupSummaryItems};
  for (auto& group : FSummaryGroups) {
    collections.push_back(&group->SummaryItems());
    if (AField->Item() && std::erase(group->FLinks, AField->Item()))
      any = true;
  }
  for (TcxDataSummaryItems* items : collections)
    for (int i = 0; i < items->Count(); ++i)
      if (items->Items(i)->FField == AField) {
        items->Items(i)->FField = nullptr;
        any = true;
      }
  if (any)
    Changed(true);
}

TcxDataSummaryItems* TcxDataSummary::GetGroupSummaryItems(int ALevel) {
  TcxGroupingFieldList& grouping = FDataController->View().GroupingFieldList();
  if (ALevel < 0 || ALevel >= grouping.Count())
    return nullptr;
  if (TcxDataSummaryGroup* group = FindGroupByItemLink(grouping.Items(ALevel).Field->Item()))
    return &group->SummaryItems();
  return &FDefaultGroupSummaryItems;
}

void TcxDataSummary::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxDataSummary*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this)
    return;
  // The copy changes the structure, which EndUpdate alone would not report.
  BeginUpdate();
  try {
    FDefaultGroupSummaryItems.Assign(source->FDefaultGroupSummaryItems);
    FFooterSummaryItems.Assign(source->FFooterSummaryItems);
    FSummaryGroups.clear();
    for (const auto& group : source->FSummaryGroups) {
      FSummaryGroups.emplace_back(new TcxDataSummaryGroup(this));
      for (TObject* link : group->FLinks)
        if (TObject* own = MapItem(source->FDataController, FDataController, link))
          FSummaryGroups.back()->FLinks.push_back(own);
      FSummaryGroups.back()->FSummaryItems.Assign(group->FSummaryItems);
    }
    FOptions = source->FOptions;
    OnAfterSummary = source->OnAfterSummary;
  } catch (...) {
    EndUpdate();
    throw;
  }
  --FLockCount;
  if (FLockCount == 0)
    Changed(true);
  FDataController->EndUpdate();
}

TcxDataSummaryGroup* TcxDataSummary::AddSummaryGroup() {
  FSummaryGroups.emplace_back(new TcxDataSummaryGroup(this));
  Changed(true);
  return FSummaryGroups.back().get();
}

void TcxDataSummary::DeleteSummaryGroup(int AIndex) {
  FSummaryGroups.erase(FSummaryGroups.begin() + AIndex);
  Changed(true);
}

TcxDataSummaryGroup* TcxDataSummary::FindGroupByItemLink(TObject* AItem) const {
  if (!AItem)
    return nullptr;
  for (const auto& group : FSummaryGroups)
    if (group->HasLink(AItem))
      return group.get();
  return nullptr;
}

void TcxDataSummaryGroup::AddLink(TObject* AItem) {
  if (!AItem || HasLink(AItem))
    return;
  for (int i = 0; i < FSummary->SummaryGroupCount(); ++i)
    if (FSummary->SummaryGroups(i) != this)
      std::erase(FSummary->SummaryGroups(i)->FLinks, AItem);
  FLinks.push_back(AItem);
  FSummary->Changed(true);
}

void TcxDataSummaryGroup::RemoveLink(TObject* AItem) {
  if (std::erase(FLinks, AItem))
    FSummary->Changed(true);
}

bool TcxDataSummaryGroup::HasLink(TObject* AItem) const {
  return std::find(FLinks.begin(), FLinks.end(), AItem) != FLinks.end();
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
  // Typed accumulators are filled in record order by CalculateRecords; only the others walk the view.
  std::vector<int> items;
  for (int i = 0; i < AItems.Count(); ++i)
    if (AItems.Items(i)->IsCalculated() && AAccumulators[std::size_t(i)].Raw == TRawKind::None)
      items.push_back(i);
  if (items.empty())
    return;
  for (int li = AFirst; li <= ALast; ++li) {
    int record = GetRecordIndex(li);
    if (record < 0)
      continue;
    for (int i : items)
      AddRecordValue(AItems, AItems.Items(i), record, AAccumulators[std::size_t(i)]);
  }
}

struct TcxDataSummary::RecordPass {
  TcxDataSummaryItems* Items;
  const std::vector<int>* SlotOfRecord;
  std::vector<std::vector<Accumulator>>* Slots;
  // Every record with a slot counts in the first slot: the footer borrows the groups' map.
  bool AllToFirst = false;
  // The inlined items' values came from the grouping pass.
  bool Gathered = false;
  int SlotOf(std::size_t ARecord) const {
    int slot = ARecord < SlotOfRecord->size() ? (*SlotOfRecord)[ARecord] : -1;
    return AllToFirst && slot > 0 ? 0 : slot;
  }
};

namespace {

// Counts and integer sums, the common footers, are added straight from the record buffer; they follow the
// same rules as AddRecordValue and never raise events.
bool IsInlined(TcxDataSummaryItem* AItem, TRawKind ARaw) {
  bool integer = ARaw == TRawKind::Int8 || ARaw == TRawKind::Int16 || ARaw == TRawKind::UInt16 ||
                 ARaw == TRawKind::Int32 || ARaw == TRawKind::Int64;
  TcxSummaryKind kind = AItem->Kind();
  return kind == skCount || ((kind == skSum || kind == skAverage) && integer);
}

} // namespace

namespace cxdata {

void InlineSummaryFields(TcxDataSummary& ASummary, TcxDataSummaryItems& AItems,
                         std::vector<TInlineField>& AFields) {
  AFields.clear();
  if (AItems.OnSummary || ASummary.DataController()->IsProviderMode())
    return;
  for (int i = 0; i < AItems.Count(); ++i) {
    TcxDataSummaryItem* item = AItems.Items(i);
    if (!item->IsCalculated() || !item->Field() || !item->Field()->ValueDef())
      continue;
    TRawKind raw = RawKindOf(item->Field()->ValueTypeClass());
    if (raw != TRawKind::None && raw != TRawKind::String && IsInlined(item, raw))
      AFields.push_back({i, item->Field()->ValueDef()->Offset(), raw, item->Kind() == skCount});
  }
}

} // namespace cxdata

void TcxDataSummary::AddInlinedValues(const std::vector<RecordPass>& APasses) {
  struct TPassInline {
    const RecordPass* Pass;
    std::vector<TInlineField> Fields;
  };
  std::vector<TPassInline> passes;
  std::size_t records = 0;
  for (const RecordPass& pass : APasses) {
    if (pass.Slots->empty() || pass.Gathered)
      continue;
    TPassInline p{&pass, {}};
    InlineSummaryFields(*this, *pass.Items, p.Fields);
    if (p.Fields.empty())
      continue;
    records = std::max(records, pass.SlotOfRecord->size());
    passes.push_back(std::move(p));
  }
  if (passes.empty())
    return;
  bool selectedOnly = FOptions.Contains(soSelectedRecords);
  bool single = FDataController->IsSingleSelect();
  int focused = FDataController->FocusedRowSelected() ? FDataController->GetFocusedRecordIndex() : -1;
  bool nullIgnore = FOptions.Contains(soNullIgnore);
  TcxDataStorage& storage = FDataController->DataStorage();
  // One read of each record buffer serves the footer and every group level.
  for (std::size_t r = 0; r < records; ++r) {
    int record = int(r);
    if (selectedOnly &&
        (single ? record != focused : record >= int(FSelectedRecords.size()) || !FSelectedRecords[r]))
      continue;
    const char* buffer = nullptr;
    bool loaded = false;
    for (const TPassInline& p : passes) {
      int slot = p.Pass->SlotOf(r);
      if (slot < 0)
        continue;
      if (!loaded) {
        buffer = storage.RecordBuffer(record);
        loaded = true;
      }
      std::vector<Accumulator>& accumulators = (*p.Pass->Slots)[std::size_t(slot)];
      for (const TInlineField& f : p.Fields)
        AddInlineValue(f, buffer, nullIgnore, accumulators[std::size_t(f.Index)]);
    }
  }
}

void TcxDataSummary::CalculateRecords(const RecordPass& APass) {
  TcxDataSummaryItems& AItems = *APass.Items;
  const std::vector<int>& ASlotOfRecord = *APass.SlotOfRecord;
  std::vector<std::vector<Accumulator>>& ASlots = *APass.Slots;
  std::vector<int> items;
  for (int i = 0; i < AItems.Count(); ++i)
    if (AItems.Items(i)->IsCalculated() && ASlots.size() > 0 &&
        ASlots[0][std::size_t(i)].Raw != TRawKind::None &&
        !IsInlined(AItems.Items(i), ASlots[0][std::size_t(i)].Raw))
      items.push_back(i);
  if (items.empty())
    return;
  bool selectedOnly = FOptions.Contains(soSelectedRecords);
  bool single = FDataController->IsSingleSelect();
  int focused = FDataController->FocusedRowSelected() ? FDataController->GetFocusedRecordIndex() : -1;
  for (std::size_t r = 0; r < ASlotOfRecord.size(); ++r) {
    int slot = APass.SlotOf(r);
    if (slot < 0)
      continue;
    int record = int(r);
    if (selectedOnly &&
        (single ? record != focused : record >= int(FSelectedRecords.size()) || !FSelectedRecords[r]))
      continue;
    std::vector<Accumulator>& accumulators = ASlots[std::size_t(slot)];
    for (int i : items)
      AddRecordValue(AItems, AItems.Items(i), record, accumulators[std::size_t(i)]);
  }
}

void TcxDataSummary::MergeValues(TcxDataSummaryItems& AItems, std::vector<Accumulator>& AInto,
                                 const std::vector<Accumulator>& AFrom) {
  for (int i = 0; i < AItems.Count(); ++i) {
    Accumulator& into = AInto[std::size_t(i)];
    const Accumulator& from = AFrom[std::size_t(i)];
    if (into.Raw == TRawKind::None)
      continue;
    into.Count += from.Count;
    if (!from.Started)
      continue;
    if (!into.Started) {
      into.Started = true;
      into.Best = from.Best;
      into.IntSum = from.IntSum;
      into.DoubleSum = from.DoubleSum;
      into.IntOverflow = from.IntOverflow;
      continue;
    }
    TcxSummaryKind kind = AItems.Items(i)->Kind();
    if (kind == skSum || kind == skAverage) {
      if (into.Raw == TRawKind::Double) {
        into.DoubleSum += from.DoubleSum;
      } else if (into.IntOverflow || from.IntOverflow) {
        double a = into.IntOverflow ? into.DoubleSum : double(into.IntSum);
        double b = from.IntOverflow ? from.DoubleSum : double(from.IntSum);
        into.IntOverflow = true;
        into.DoubleSum = a + b;
      } else if (__builtin_add_overflow(into.IntSum, from.IntSum, &into.IntSum)) {
        into.IntOverflow = true;
        into.DoubleSum = double(into.IntSum - from.IntSum) + double(from.IntSum);
      }
    } else if ((kind == skMin || kind == skMax) && from.Best) {
      std::uint64_t k = RawOrderKey(into.Raw, from.Best), best = RawOrderKey(into.Raw, into.Best);
      if (kind == skMin ? k < best : k > best)
        into.Best = from.Best;
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
  CalculateSummaries(true, true);
  DoAfterSummary();
}

void TcxDataSummary::CalculateFooterSummary() {
  CalculateSummaries(true, false);
}

void TcxDataSummary::CalculateGroupSummaries() {
  CalculateSummaries(false, true);
}

namespace {

// The gathered values serve a collection only while it asks for exactly what was gathered.
bool TakeGathered(TcxDataSummary& ASummary, TGatheredValues& AGathered, TcxDataSummaryItems& AItems,
                  std::size_t ASlots) {
  if (AGathered.Items != &AItems || AGathered.NullIgnore != ASummary.Options().Contains(soNullIgnore) ||
      AGathered.Values.size() != ASlots * AGathered.Fields.size())
    return false;
  std::vector<TInlineField> fields;
  InlineSummaryFields(ASummary, AItems, fields);
  return fields == AGathered.Fields;
}

} // namespace

void TcxDataSummary::CalculateSummaries(bool AFooter, bool AGroups) {
  TcxCustomDataControllerInfo& view = FDataController->View();
  std::vector<RecordPass> passes;
  std::vector<std::vector<Accumulator>> footerSlots(1);
  std::vector<int> footerSlotOfRecord;
  bool footer = AFooter && !FDataController->IsGridMode() && FFooterSummaryItems.Count() > 0;
  if (AFooter)
    InitValues(FFooterSummaryItems, footerSlots[0]);

  TcxDataGroups& groups = view.Groups();
  int levels = groups.LevelCount();
  bool grouped = AGroups && levels > 0 && groups.Count() > 0;
  TDistinctGrouping* gathered = view.DistinctGrouping();
  if (FOptions.Contains(soSelectedRecords) || levels != 1)
    gathered = nullptr;
  auto fill = [&](std::vector<Accumulator>& AInto, const TGatheredValues& AFrom, std::size_t ASlot) {
    std::size_t width = AFrom.Fields.size();
    for (std::size_t f = 0; f < width; ++f) {
      const TInlineValue& v = AFrom.Values[ASlot * width + f];
      Accumulator& a = AInto[std::size_t(AFrom.Fields[f].Index)];
      a.Count = v.Count;
      a.Started = v.Started;
      a.IntSum = v.IntSum;
      a.DoubleSum = v.DoubleSum;
      a.IntOverflow = v.IntOverflow;
    }
  };
  // Deepest groups number the slots; typed values are summed per slot in record order, then every group
  // takes the slots below it.
  std::vector<int> slotOfRecord;
  std::vector<int> deepest;
  std::vector<std::vector<std::vector<Accumulator>>> levelSlots;
  if (grouped) {
    for (int g = 0; g < groups.Count(); ++g)
      if (groups.Items(g).Level == levels - 1)
        deepest.push_back(g);
    levelSlots.resize(std::size_t(levels));
    for (int level = 0; level < levels; ++level) {
      TcxDataSummaryItems* items = GetGroupSummaryItems(level);
      if (!items || items->Count() == 0)
        continue;
      auto& slots = levelSlots[std::size_t(level)];
      slots.resize(deepest.size());
      for (auto& slot : slots)
        InitValues(*items, slot);
      RecordPass pass{items, &slotOfRecord, &slots};
      if (gathered && TakeGathered(*this, gathered->Groups, *items, deepest.size())) {
        for (std::size_t k = 0; k < slots.size(); ++k)
          fill(slots[k], gathered->Groups, k);
        pass.Gathered = true;
      }
      passes.push_back(pass);
    }
  }
  if (footer) {
    if (grouped) {
      // The deepest groups hold every record of the list.
      RecordPass pass{&FFooterSummaryItems, &slotOfRecord, &footerSlots, true};
      if (gathered && TakeGathered(*this, gathered->Footer, FFooterSummaryItems, 1)) {
        fill(footerSlots[0], gathered->Footer, 0);
        pass.Gathered = true;
      }
      passes.insert(passes.begin(), pass);
    } else {
      footerSlotOfRecord.assign(std::size_t(FDataController->GetRecordCount()), -1);
      for (int record : view.RecordList())
        footerSlotOfRecord[std::size_t(record)] = 0;
      passes.insert(passes.begin(), {&FFooterSummaryItems, &footerSlotOfRecord, &footerSlots});
    }
  }
  // The record-to-slot map is built only when some typed value is still to be read from the records.
  bool readRecords = false;
  for (const RecordPass& pass : passes) {
    if (pass.SlotOfRecord != &slotOfRecord)
      continue;
    for (int i = 0; i < pass.Items->Count() && !readRecords; ++i) {
      TRawKind raw = (*pass.Slots)[0][std::size_t(i)].Raw;
      TcxDataSummaryItem* item = pass.Items->Items(i);
      readRecords =
          item->IsCalculated() && raw != TRawKind::None && (!pass.Gathered || !IsInlined(item, raw));
    }
  }
  if (readRecords) {
    slotOfRecord.assign(std::size_t(FDataController->GetRecordCount()), -1);
    for (std::size_t k = 0; k < deepest.size(); ++k) {
      const TcxDataGroupInfo& group = groups.Items(deepest[k]);
      for (int li = group.BeginIndex; li <= group.EndIndex; ++li)
        slotOfRecord[std::size_t(view.GetRecordListRecord(li))] = int(k);
    }
  }
  AddInlinedValues(passes);

  if (AFooter) {
    if (footer) {
      CalculateRecords(passes.front());
      CalculateRange(FFooterSummaryItems, 0, view.GetRecordListCount() - 1, footerSlots[0]);
    }
    FFooterSummaryValues = BuildValues(FFooterSummaryItems, footerSlots[0]);
  }
  if (!grouped)
    return;
  for (int level = 0; level < levels; ++level) {
    TcxDataSummaryItems* items = GetGroupSummaryItems(level);
    if (!items || items->Count() == 0) {
      for (int g = 0; g < groups.Count(); ++g)
        if (groups.Items(g).Level == level)
          groups.Items(g).SummaryValues = Null;
      continue;
    }
    auto& slots = levelSlots[std::size_t(level)];
    CalculateRecords({items, &slotOfRecord, &slots});
    std::vector<Accumulator> accumulators;
    int current = -1;
    std::size_t next = 0;
    for (int g = 0; g < groups.Count(); ++g) {
      TcxDataGroupInfo& group = groups.Items(g);
      if (group.Level == level) {
        if (current >= 0)
          groups.Items(current).SummaryValues = BuildValues(*items, accumulators);
        current = g;
        InitValues(*items, accumulators);
      }
      if (group.Level == levels - 1 && current >= 0) {
        MergeValues(*items, accumulators, slots[next++]);
        CalculateRange(*items, group.BeginIndex, group.EndIndex, accumulators);
      }
    }
    if (current >= 0)
      groups.Items(current).SummaryValues = BuildValues(*items, accumulators);
  }
}

void TcxDataSummary::DoAfterSummary() {
  if (!OnAfterSummary || FInEvent)
    return;
  TFlagGuard guard(FInEvent, FDataController->AliveToken());
  OnAfterSummary(this);
}
