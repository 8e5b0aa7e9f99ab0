#include <algorithm>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"
#include "data/cxFilterConsts.h"
#include "data/cxVariants.h"
#include "platform/classes/ComponentStream.h"

using namespace cxdata;

TcxDataFilterCriteria::TcxDataFilterCriteria(TcxCustomDataController* ADataController)
    : FDataController(ADataController) {}

TcxDataFilterCriteria::~TcxDataFilterCriteria() {
  FDestroying = true;
  if (!FDataController->IsDestroying())
    FDataController->Filters().Remove(this);
  FActive = false;
}

void TcxDataFilterList::Remove(TcxDataFilterCriteria* ACriteria) {
  std::erase(FItems, ACriteria);
}

int TcxDataFilterList::IndexOf(const TcxDataFilterCriteria* ACriteria) const {
  auto it = std::find(FItems.begin(), FItems.end(), ACriteria);
  return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TcxDataFilterList::Clear() {
  while (!FItems.empty()) {
    TcxDataFilterCriteria* criteria = FItems.back();
    FItems.pop_back();
    criteria->Free();
  }
}

void TcxDataFilterList::RemoveItemByItemLink(TcxItemLink AItemLink) {
  for (TcxDataFilterCriteria* criteria : FItems)
    criteria->RemoveItemByItemLink(AItemLink);
}

TcxDataFilterCriteria* TcxCustomDataController::AddFilter() {
  auto* criteria = NewInstance<TcxDataFilterCriteria>(GetFilterCriteriaClass(), this);
  FFilters->Add(criteria);
  return criteria;
}

void TcxDataFilterCriteria::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxDataFilterCriteria*>(Source)) {
    TUpdateBlock<TcxFilterCriteria> update(*this);
    TcxFilterCriteria::Assign(Source);
    SetActive(source->Active());
    return;
  }
  TcxFilterCriteria::Assign(Source);
}

void TcxDataFilterCriteria::DefineProperties(TFiler* Filer) {
  TcxFilterCriteria::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "Criteria", [this](TStream* AStream) { ReadData(AStream); },
      [this](TStream* AStream) { WriteData(AStream); }, HasCriteriaData());
}

int TcxDataFilterCriteria::GetIDByItemLink(TcxItemLink AItemLink) {
  auto* field = dynamic_cast<TcxCustomDataField*>(AItemLink);
  return FDataController->GetItemID(field ? field->Item() : AItemLink);
}

TcxFilterCriteriaItemClass TcxDataFilterCriteria::GetItemClass() {
  return FDataController->GetFilterCriteriaItemClass();
}

TcxItemLink TcxDataFilterCriteria::GetItemLinkByID(int AID) {
  return MapItemLink(FDataController->FindItemByID(AID));
}

TcxFilterValueListClass TcxDataFilterCriteria::GetValueListClass() {
  return ClassOf<TcxDataFilterValueList>();
}

void TcxDataFilterCriteria::DoChanged() {
  if (FDestroying || FDataController->IsDestroying() || FDataController->IsLoading() ||
      FDataController->Filters().IndexOf(this) != -1)
    return;
  auto alive = FDataController->AliveToken();
  if (!FDataController->Provider().IsActiveDataSet())
    FDataController->Post();
  if (!*alive)
    return;
  FDataController->CancelAndRefresh();
  if (*alive && OnChanged)
    OnChanged(this);
}

TcxItemLink TcxDataFilterCriteria::MapItemLink(TcxItemLink AItemLink) {
  if (!AItemLink || dynamic_cast<TcxCustomDataField*>(AItemLink))
    return AItemLink;
  if (TcxCustomDataField* field = FDataController->Fields().FieldByItem(AItemLink))
    return field;
  return AItemLink;
}

TcxFilterCriteriaItem* TcxDataFilterCriteria::AddItem(TcxFilterCriteriaItemList* AParent,
                                                      TcxItemLink AItemLink,
                                                      TcxFilterOperatorKind AOperatorKind,
                                                      const Variant& AValue,
                                                      const AnsiString& ADisplayValue) {
  return TcxFilterCriteria::AddItem(AParent, MapItemLink(AItemLink), AOperatorKind, AValue, ADisplayValue);
}

TcxFilterCriteriaItem* TcxDataFilterCriteria::FindItemByItemLink(TcxItemLink AItemLink) {
  return TcxFilterCriteria::FindItemByItemLink(MapItemLink(AItemLink));
}

std::unique_ptr<TcxDataFilterValueList, TObjectDeleter> TcxDataFilterCriteria::CreateValueList() {
  return std::unique_ptr<TcxDataFilterValueList, TObjectDeleter>(
      NewInstance<TcxDataFilterValueList>(GetValueListClass(), static_cast<TcxFilterCriteria*>(this)));
}

bool TcxDataFilterCriteria::IsFiltering() {
  return FActive && !IsEmpty() && !FDataController->IsGridMode();
}

void TcxDataFilterCriteria::SetActive(bool AValue) {
  if (FActive == AValue)
    return;
  FActive = AValue;
  Changed();
}

void TcxDataFilterCriteriaItem::GetDataValue(void* AData, Variant& AValue) {
  TcxCustomDataField* field = Field();
  if (!FDataController)
    if (auto* criteria = dynamic_cast<TcxDataFilterCriteria*>(GetCriteria()))
      FDataController = criteria->DataController();
  if (!field || !FDataController) {
    AValue = Null;
    return;
  }
  AValue = FDataController->GetValueForFilter(int(reinterpret_cast<std::intptr_t>(AData)), field);
}

AnsiString TcxDataFilterCriteriaItem::GetFieldCaption() {
  return AnsiString();
}

AnsiString TcxDataFilterCriteriaItem::GetFieldName() {
  TcxCustomDataField* field = Field();
  if (!field || !field->DataController())
    return AnsiString();
  int index = field->DataController()->GetItemIndexOfField(field);
  return index < 0 ? AnsiString() : field->DataController()->GetItemFilterFieldName(index);
}

TcxItemLink TcxDataFilterCriteriaItem::GetItemLink() {
  TcxCustomDataField* field = Field();
  return field ? field->Item() : nullptr;
}

void TcxDataFilterValueList::Load(int AItemIndex) {
  auto* criteria = dynamic_cast<TcxDataFilterCriteria*>(Criteria());
  TcxCustomDataController* dc = criteria->DataController();
  TcxCustomDataField* field = dc->GetItemField(AItemIndex);
  Clear();
  SortByDisplayText = dc->IsSortByDisplayText(field);
  Add(fviAll, Null, GetTranslatedText(cxSFilterBoxAllCaption), true);
  Add(fviCustom, Null, GetTranslatedText(cxSFilterBoxCustomCaption), true);
  bool blanks = false;
  std::vector<int> records;
  if (dc->IsGridMode()) {
    blanks = true;
  } else {
    records.reserve(std::size_t(dc->GetRecordCount()));
    for (int r = 0; r < dc->GetRecordCount(); ++r) {
      if (criteria->IsNullValue(dc->GetValueForFilter(r, field)))
        blanks = true;
      else
        records.push_back(r);
    }
  }
  // Distinct values sorted once and appended, instead of a search and an insert per record.
  std::vector<Variant> values(std::size_t(dc->GetRecordCount()));
  std::vector<AnsiString> texts(values.size());
  for (int r : records) {
    Variant v = dc->GetValueForFilter(r, field);
    criteria->PrepareValue(v, values[std::size_t(r)]);
    texts[std::size_t(r)] = dc->GetDisplayText(r, field);
  }
  auto compare = [&](int a, int b) {
    if (SortByDisplayText)
      return AnsiCompareStr(texts[std::size_t(a)], texts[std::size_t(b)]);
    return StrictVarCompare(values[std::size_t(a)], values[std::size_t(b)]);
  };
  MergeSort(records, [&](int a, int b) { return compare(a, b) < 0; });
  int limit = criteria->MaxValueListCount();
  int added = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0 && compare(records[i - 1], records[i]) == 0)
      continue;
    if (limit != 0 && added >= limit)
      break;
    int r = records[i];
    Add(fviValue, dc->GetValueForFilter(r, field), texts[std::size_t(r)], true);
    ++added;
  }
  if (blanks) {
    Add(fviBlanks, Null, GetTranslatedText(cxSFilterBoxBlanksCaption), true);
    Add(fviNonBlanks, Null, GetTranslatedText(cxSFilterBoxNonBlanksCaption), true);
  }
  if (criteria->OnGetValueList)
    criteria->OnGetValueList(criteria, AItemIndex, this);
}
