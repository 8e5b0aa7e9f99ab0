#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"
#include "data/cxDataUtils.h"
#include "data/cxVariants.h"
#include "platform/classes/ComponentStream.h"
#include "platform/rtl/FloatText.h"

using namespace cxdata;

namespace {

// An item of another controller is found again by its ID; items the controllers share map to themselves.
TObject* MapItem(TcxCustomDataController* AFrom, TcxCustomDataController* ATo, TObject* AItem) {
  if (!AItem || !AFrom || !ATo || AFrom == ATo || ATo->Fields().FieldByItem(AItem))
    return AItem;
  int id = AFrom->GetItemID(AItem);
  return id == -1 ? nullptr : ATo->FindItemByID(id);
}

} // namespace

void TcxCustomDataSummaryItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomDataSummaryItem*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  SetItemLink(MapItem(source->DataController(), DataController(), source->ItemLink()));
}

void TcxCustomDataSummaryItem::SetField(TcxCustomDataField* AField) {
  if (FField == AField)
    return;
  FieldChanging(AField);
  FField = AField;
  Changed(false);
}

TObject* TcxCustomDataSummaryItem::ItemLink() const {
  return FField ? FField->Item() : nullptr;
}

void TcxCustomDataSummaryItem::SetItemLink(TObject* AItem) {
  TcxCustomDataController* dc = DataController();
  SetField(AItem && dc ? dc->Fields().FieldByItem(AItem) : nullptr);
}

TcxDataSummaryItem::~TcxDataSummaryItem() = default;

void TcxDataSummaryItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxDataSummaryItem*>(Source);
  if (!source) {
    TcxCustomDataSummaryItem::Assign(Source);
    return;
  }
  FFormat = source->FFormat;
  FKind = source->FKind;
  FPosition = source->FPosition;
  OnGetText = source->OnGetText;
  TcxCustomDataSummaryItem::Assign(Source);
  Changed(false);
}

TcxCustomDataController* TcxDataSummaryItem::DataController() const {
  TcxDataSummaryItems* items = SummaryItems();
  return items && items->Summary() ? items->Summary()->DataController() : nullptr;
}

TcxDataSummaryItems* TcxDataSummaryItem::SummaryItems() const {
  return static_cast<TcxDataSummaryItems*>(Collection());
}

bool TcxDataSummaryItem::IsCalculated() const {
  return Field() != nullptr || (FKind == skCount && Position() == spGroup);
}

void TcxDataSummaryItem::SetKind(TcxSummaryKind AValue) {
  if (FKind == AValue)
    return;
  FKind = AValue;
  Changed(false);
}

TcxSummaryPosition TcxDataSummaryItem::Position() const {
  return SummaryItems() && SummaryItems()->IsFooter() ? spFooter : FPosition;
}

void TcxDataSummaryItem::SetPosition(TcxSummaryPosition AValue) {
  if (FPosition == AValue)
    return;
  FPosition = AValue;
  Changed(false);
}

void TcxDataSummaryItem::SetFormat(const AnsiString& AValue) {
  if (FFormat == AValue)
    return;
  FFormat = AValue;
  // Only the texts change: the values are recalculated, the layout stays.
  if (Collection())
    static_cast<TcxDataSummaryItems*>(Collection())->Summary()->Changed(false);
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

TcxDataSummaryItems::TcxDataSummaryItems(TcxDataSummary* ASummary, TPersistent* AOwner, TClass AItemClass)
    : TCollection(AOwner, AItemClass), FSummary(ASummary) {}

TcxDataSummaryItem* TcxDataSummaryItems::Add() {
  // The collection reports the new item once it is whole.
  TcxDataSummaryItem* item;
  {
    TUpdateBlock<TCollection> update(*this);
    item = static_cast<TcxDataSummaryItem*>(TCollection::Add());
  }
  return item;
}

void TcxDataSummaryItems::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxDataSummaryItems*>(Source);
  if (source == this)
    return;
  if (!FSummary) {
    TCollection::Assign(Source);
    return;
  }
  // New items are a new structure, which the collection's own update would report as a mere change.
  FSummary->BeginUpdate();
  try {
    TCollection::Assign(Source);
    if (source)
      OnSummary = source->OnSummary;
  } catch (...) {
    FSummary->EndUpdate();
    throw;
  }
  FSummary->EndUpdate(true);
}

int TcxDataSummaryItems::IndexOf(const TcxDataSummaryItem* AItem) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i) == AItem)
      return i;
  return -1;
}

void TcxDataSummaryItems::Update(TCollectionItem* AItem) {
  if (FSummary)
    FSummary->Changed(AItem != nullptr);
}

TcxDataSummaryItem* TcxDataSummaryItems::ItemOfItemLink(int AItemIndex, TcxSummaryPosition APosition) {
  TcxCustomDataField* field = FSummary->DataController()->GetItemField(AItemIndex);
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Field() == field && Items(i)->Position() == APosition)
      return Items(i);
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
  (void)AValues;
  return AnsiString();
}

void TcxDataGroupSummaryItems::Assign(TPersistent* Source) {
  TcxDataSummaryItems::Assign(Source);
  if (auto* source = dynamic_cast<TcxDataGroupSummaryItems*>(Source)) {
    FBeginText = source->FBeginText;
    FEndText = source->FEndText;
    FSeparator = source->FSeparator;
  }
}

void TcxDataGroupSummaryItems::SetBeginText(const AnsiString& AValue) {
  if (FBeginText != AValue) {
    FBeginText = AValue;
    Summary()->Changed(false);
  }
}

void TcxDataGroupSummaryItems::SetEndText(const AnsiString& AValue) {
  if (FEndText != AValue) {
    FEndText = AValue;
    Summary()->Changed(false);
  }
}

void TcxDataGroupSummaryItems::SetSeparator(const AnsiString& AValue) {
  if (FSeparator != AValue) {
    FSeparator = AValue;
    Summary()->Changed(false);
  }
}

AnsiString TcxDataGroupSummaryItems::GetGroupText(const Variant& AValues) {
  AnsiString text;
  for (int i = 0; i < Count(); ++i) {
    TcxDataSummaryItem* item = Items(i);
    if (item->Position() != spGroup || !TcxDataSummary::IsValueIndexValid(AValues, i))
      continue;
    if (!text.empty())
      text += FSeparator + " ";
    text += item->GetValueDisplayText(AValues[i], false);
  }
  if (!text.empty())
    text = FBeginText + text + FEndText;
  return text;
}

TcxCustomDataController* TcxDataSummaryGroupItemLink::DataController() const {
  TcxDataSummaryGroup* group = SummaryGroup();
  return group && group->Summary() ? group->Summary()->DataController() : nullptr;
}

TcxDataSummaryGroup* TcxDataSummaryGroupItemLink::SummaryGroup() const {
  return Collection() ? static_cast<TcxDataSummaryGroupItemLinks*>(Collection())->SummaryGroup() : nullptr;
}

void TcxDataSummaryGroupItemLink::FieldChanging(TcxCustomDataField* ANewField) {
  TcxDataSummaryGroup* own = SummaryGroup();
  TcxDataSummaryGroups* groups = own ? own->SummaryGroups() : nullptr;
  if (!ANewField || !groups)
    return;
  for (int g = 0; g < groups->Count(); ++g) {
    TcxDataSummaryGroupItemLinks& links = groups->Items(g)->Links();
    for (int i = links.Count() - 1; i >= 0; --i)
      if (links.Items(i) != this && links.Items(i)->Field() == ANewField)
        links.Delete(i);
  }
}

TcxDataSummaryGroupItemLinks::TcxDataSummaryGroupItemLinks(TcxDataSummaryGroup* ASummaryGroup)
    : TCollection(ASummaryGroup, ClassOf<TcxDataSummaryGroupItemLink>()), FSummaryGroup(ASummaryGroup) {}

void TcxDataSummaryGroupItemLinks::Update(TCollectionItem* AItem) {
  (void)AItem;
  // Which items a group serves decides which items a grouping level shows.
  if (TcxDataSummary* summary = FSummaryGroup->Summary())
    summary->Changed(true);
}

TcxDataSummaryGroup::TcxDataSummaryGroup(TCollection* ACollection)
    : TCollectionItem(ACollection),
      FSummaryItems(ACollection ? static_cast<TcxDataSummaryGroups*>(ACollection)->Summary() : nullptr, this,
                    this) {}

void TcxDataSummaryGroup::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxDataSummaryGroup*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  FLinks.Assign(&source->FLinks);
  FSummaryItems.Assign(&source->FSummaryItems);
}

TcxDataSummaryGroups* TcxDataSummaryGroup::SummaryGroups() const {
  return static_cast<TcxDataSummaryGroups*>(Collection());
}

TcxDataSummary* TcxDataSummaryGroup::Summary() const {
  return FSummaryItems.Summary();
}

void TcxDataSummaryGroup::AddLink(TObject* AItem) {
  if (!AItem || HasLink(AItem) || !Summary())
    return;
  TcxCustomDataField* field = Summary()->DataController()->Fields().FieldByItem(AItem);
  if (!field)
    return;
  TUpdateBlock<TCollection> update(FLinks);
  FLinks.Add()->SetField(field);
}

void TcxDataSummaryGroup::RemoveLink(TObject* AItem) {
  for (int i = FLinks.Count() - 1; i >= 0; --i)
    if (FLinks.Items(i)->ItemLink() == AItem)
      FLinks.Delete(i);
}

bool TcxDataSummaryGroup::HasLink(TObject* AItem) const {
  for (int i = 0; i < FLinks.Count(); ++i)
    if (AItem && FLinks.Items(i)->ItemLink() == AItem)
      return true;
  return false;
}

TcxDataSummaryGroups::TcxDataSummaryGroups(TcxDataSummary* ASummary)
    : TCollection(ASummary, ClassOf<TcxDataSummaryGroup>()), FSummary(ASummary) {}

TcxDataSummaryGroup* TcxDataSummaryGroups::Add() {
  TcxDataSummaryGroup* group;
  {
    TUpdateBlock<TCollection> update(*this);
    group = static_cast<TcxDataSummaryGroup*>(TCollection::Add());
  }
  return group;
}

TcxDataSummaryGroup* TcxDataSummaryGroups::FindByItemLink(TObject* AItem) const {
  if (!AItem)
    return nullptr;
  for (int g = 0; g < Count(); ++g)
    if (Items(g)->HasLink(AItem))
      return Items(g);
  return nullptr;
}

void TcxDataSummaryGroups::Update(TCollectionItem* AItem) {
  (void)AItem;
  FSummary->Changed(true);
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

TcxDataSummary::TcxDataSummary(TcxCustomDataController* ADataController) : FDataController(ADataController) {
  FDefaultGroupSummaryItems.SetPropName("DefaultGroupSummaryItems");
  FFooterSummaryItems.SetPropName("FooterSummaryItems");
  FSummaryGroups.SetPropName("SummaryGroups");
}

TcxDataSummary::~TcxDataSummary() {
  FDestroying = true;
}

TPersistent* TcxDataSummary::GetOwner() {
  return FDataController;
}

void TcxDataSummary::BeginUpdate() {
  FDataController->BeginUpdate();
  ++FLockCount;
}

void TcxDataSummary::EndUpdate(bool AStructural) {
  --FLockCount;
  if (FLockCount == 0)
    Changed(AStructural);
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
  std::vector<TCollection*> collections{&FFooterSummaryItems, &FDefaultGroupSummaryItems};
  for (int g = 0; g < FSummaryGroups.Count(); ++g) {
    collections.push_back(&FSummaryGroups.Items(g)->SummaryItems());
    collections.push_back(&FSummaryGroups.Items(g)->Links());
  }
  for (TCollection* items : collections)
    for (int i = 0; i < items->Count(); ++i) {
      auto* item = static_cast<TcxCustomDataSummaryItem*>(items->Items(i));
      if (item->FField == AField) {
        item->FField = nullptr;
        any = true;
      }
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
    FDefaultGroupSummaryItems.Assign(&source->FDefaultGroupSummaryItems);
    FFooterSummaryItems.Assign(&source->FFooterSummaryItems);
    FSummaryGroups.Assign(&source->FSummaryGroups);
    FOptions = source->FOptions;
    OnAfterSummary = source->OnAfterSummary;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate(true);
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

namespace {

TPropInfo EnumProperty(const char* AName, std::vector<AnsiString> ANames, std::int64_t ADefault,
                       std::function<std::int64_t(TPersistent*)> AGet,
                       std::function<void(TPersistent*, std::int64_t)> ASet) {
  TPropInfo prop{AName, TPropType::Enumeration};
  prop.ElementNames = std::move(ANames);
  prop.Default = ADefault;
  prop.GetOrd = std::move(AGet);
  prop.SetOrd = std::move(ASet);
  return prop;
}

template <class T> T* As(TPersistent* P) {
  return static_cast<T*>(P);
}

// A text of the group items, written only when it differs from its default.
TPropInfo GroupText(const char* AName, const char* ADefault,
                    const AnsiString& (TcxDataGroupSummaryItems::*AGet)() const,
                    void (TcxDataGroupSummaryItems::*ASet)(const AnsiString&)) {
  TPropInfo prop{AName, TPropType::String};
  prop.GetStr = [AGet](TPersistent* p) { return (As<TcxDataGroupSummaryItems>(p)->*AGet)(); };
  prop.SetStr = [ASet](TPersistent* p, const AnsiString& v) { (As<TcxDataGroupSummaryItems>(p)->*ASet)(v); };
  prop.IsStored = [AGet, ADefault](TPersistent* p) {
    return (As<TcxDataGroupSummaryItems>(p)->*AGet)() != ADefault;
  };
  return prop;
}

TPropInfo ObjectProperty(const char* AName, std::function<TPersistent*(TPersistent*)> AGet) {
  TPropInfo prop{AName, TPropType::Class};
  prop.GetObject = std::move(AGet);
  return prop;
}

void cxCustomDataInitialize() {
  TPropInfo format{"Format", TPropType::String};
  format.GetStr = [](TPersistent* p) { return As<TcxDataSummaryItem>(p)->Format(); };
  format.SetStr = [](TPersistent* p, const AnsiString& v) { As<TcxDataSummaryItem>(p)->SetFormat(v); };
  TPropInfo kind = EnumProperty(
      "Kind", {"skNone", "skSum", "skMin", "skMax", "skCount", "skAverage"}, skNone,
      [](TPersistent* p) { return std::int64_t(As<TcxDataSummaryItem>(p)->Kind()); },
      [](TPersistent* p, std::int64_t v) { As<TcxDataSummaryItem>(p)->SetKind(TcxSummaryKind(v)); });
  // The stored position: a footer's items answer spFooter whatever it is, so theirs is never written.
  TPropInfo position = EnumProperty(
      "Position", {"spGroup", "spFooter"}, spGroup,
      [](TPersistent* p) { return std::int64_t(As<TcxDataSummaryItem>(p)->StoredPosition()); },
      [](TPersistent* p, std::int64_t v) { As<TcxDataSummaryItem>(p)->SetPosition(TcxSummaryPosition(v)); });
  position.IsStored = [](TPersistent* p) {
    TcxDataSummaryItems* items = As<TcxDataSummaryItem>(p)->SummaryItems();
    return !items || !items->IsFooter();
  };
  RegisterPublishedProperties(ClassOf<TcxDataSummaryItem>(), {format, kind, position});
  RegisterPublishedProperties(
      ClassOf<TcxDataGroupSummaryItems>(),
      {GroupText("BeginText", "(", &TcxDataGroupSummaryItems::BeginText,
                 &TcxDataGroupSummaryItems::SetBeginText),
       GroupText("EndText", ")", &TcxDataGroupSummaryItems::EndText, &TcxDataGroupSummaryItems::SetEndText),
       GroupText("Separator", ",", &TcxDataGroupSummaryItems::Separator,
                 &TcxDataGroupSummaryItems::SetSeparator)});
  RegisterPublishedProperties(
      ClassOf<TcxDataSummaryGroup>(),
      {ObjectProperty("Links",
                      [](TPersistent* p) -> TPersistent* { return &As<TcxDataSummaryGroup>(p)->Links(); }),
       ObjectProperty("SummaryItems", [](TPersistent* p) -> TPersistent* {
         return &As<TcxDataSummaryGroup>(p)->SummaryItems();
       })});
  TPropInfo options{"Options", TPropType::Set};
  options.ElementNames = {"soNullIgnore", "soSelectedRecords"};
  options.Default = 0;
  options.GetOrd = [](TPersistent* p) {
    TcxSummaryOptions value = As<TcxDataSummary>(p)->Options();
    return std::int64_t((value.Contains(soNullIgnore) ? 1 : 0) | (value.Contains(soSelectedRecords) ? 2 : 0));
  };
  options.SetOrd = [](TPersistent* p, std::int64_t mask) {
    TcxSummaryOptions value;
    if (mask & 1)
      value.Include(soNullIgnore);
    if (mask & 2)
      value.Include(soSelectedRecords);
    As<TcxDataSummary>(p)->SetOptions(value);
  };
  // Event handlers are not streamed: a method has no name here by which a reader could find it again.
  RegisterPublishedProperties(
      ClassOf<TcxDataSummary>(),
      {ObjectProperty(
           "DefaultGroupSummaryItems",
           [](TPersistent* p) -> TPersistent* { return &As<TcxDataSummary>(p)->DefaultGroupSummaryItems(); }),
       ObjectProperty(
           "FooterSummaryItems",
           [](TPersistent* p) -> TPersistent* { return &As<TcxDataSummary>(p)->FooterSummaryItems(); }),
       ObjectProperty("SummaryGroups",
                      [](TPersistent* p) -> TPersistent* { return &As<TcxDataSummary>(p)->SummaryGroups(); }),
       options});
}

void cxCustomDataFinalize() {
  UnregisterPublishedProperties(ClassOf<TcxDataSummary>());
  UnregisterPublishedProperties(ClassOf<TcxDataSummaryGroup>());
  UnregisterPublishedProperties(ClassOf<TcxDataGroupSummaryItems>());
  UnregisterPublishedProperties(ClassOf<TcxDataSummaryItem>());
}

} // namespace

const TUnitInfo cxCustomDataUnit{"cxCustomData", &cxCustomDataInitialize, &cxCustomDataFinalize};
