#include <algorithm>
#include <memory>

#include "data/cxCustomData_Internal.h"
#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/classes/ComponentStream.h"

namespace {

std::unique_ptr<TcxDBAdapterList, TObjectDeleter>& AdapterList() {
  static std::unique_ptr<TcxDBAdapterList, TObjectDeleter> list;
  return list;
}

void DetailFilterInitialize() {
  AdapterList().reset(new TcxDBAdapterList());
  AdapterList()->RegisterAdapter(ClassOf<TDataSet>(), ClassOf<TcxDBProviderDetailFilterAdapter>());
}

void DetailFilterFinalize() {
  AdapterList().reset();
}

} // namespace

bool SameKeyValues(const Variant& A, const Variant& B) {
  if (VarIsArray(A) != VarIsArray(B))
    return false;
  if (!VarIsArray(A))
    return VarIsEmpty(A) == VarIsEmpty(B) && VarIsNull(A) == VarIsNull(B) &&
           (VarIsNull(A) || VarIsEmpty(A) || A == B);
  int lo = VarArrayLowBound(A, 1), hi = VarArrayHighBound(A, 1);
  if (lo != VarArrayLowBound(B, 1) || hi != VarArrayHighBound(B, 1))
    return false;
  for (int i = lo; i <= hi; ++i)
    if (!SameKeyValues(A[i], B[i]))
      return false;
  return true;
}

const TUnitInfo cxDBDataUnit{"cxDBData", &DetailFilterInitialize, &DetailFilterFinalize};

TcxDBAdapterList* DetailFilterAdapters() {
  return AdapterList().get();
}

TcxValueTypeClass GetValueTypeClassByField(TField* AField) {
  if (!AField)
    return TcxStringValueType::Instance();
  switch (AField->DataType()) {
  case ftString:
    return TcxStringValueType::Instance();
  case ftSmallint:
    return TcxSmallintValueType::Instance();
  case ftInteger:
  case ftAutoInc:
    return TcxIntegerValueType::Instance();
  case ftWord:
    return TcxWordValueType::Instance();
  case ftBoolean:
    return TcxBooleanValueType::Instance();
  case ftFloat:
    return TcxFloatValueType::Instance();
  case ftBCD:
    return TcxCurrencyValueType::Instance();
  case ftDate:
  case ftTime:
  case ftDateTime:
    return TcxDateTimeValueType::Instance();
  case ftWideString:
    return TcxWideStringValueType::Instance();
  case ftLargeint:
    return TcxLargeIntValueType::Instance();
  case ftFMTBcd:
    return TcxFMTBcdValueType::Instance();
  default:
    return TcxVariantValueType::Instance();
  }
}

void TcxDBDataModeController::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxDBDataModeController*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  DetailInSQLMode = source->DetailInSQLMode;
  DetailSynchronization = source->DetailSynchronization;
  ShowDataSetInserts = source->ShowDataSetInserts;
  SetGridModeBufferCount(source->FGridModeBufferCount);
  SetSmartRefresh(source->FSmartRefresh);
  SetSyncMode(source->FSyncMode);
  SetGridMode(source->FGridMode);
  OnDetailFirst = source->OnDetailFirst;
  OnDetailIsCurrentQuery = source->OnDetailIsCurrentQuery;
}

void TcxDBDataModeController::SetGridMode(bool AValue) {
  if (FGridMode == AValue)
    return;
  bool was = FDataController->IsGridMode();
  FGridMode = AValue;
  if (FDataController->IsGridMode() != was) {
    FDataController->ClearSelection();
    FDataController->GridModeChanged();
  }
}

void TcxDBDataModeController::SetGridModeBufferCount(int AValue) {
  AValue = std::max(AValue, 0);
  if (FGridModeBufferCount == AValue)
    return;
  FGridModeBufferCount = AValue;
  if (FDataController->IsGridMode()) {
    cxdata::TFlagGuard reloading(FDataController->FBufferReloading, FDataController->AliveToken());
    FDataController->DBProvider().ReloadBuffer();
  }
}

void TcxDBDataModeController::SetSmartRefresh(bool AValue) {
  if (FSmartRefresh == AValue)
    return;
  FSmartRefresh = AValue;
  if (!FDataController->IsGridMode())
    FDataController->Provider().DataScrolled(0);
}

void TcxDBDataModeController::SetSyncMode(bool AValue) {
  if (FSyncMode == AValue)
    return;
  FSyncMode = AValue;
  if (FDataController->Provider().IsActive())
    FDataController->Provider().DataScrolled(0);
}

bool TcxDBDataModeController::DetailIsCurrentQuery(const AnsiString& AKeyFieldNames,
                                                   const Variant& AKeyValues) {
  if (OnDetailIsCurrentQuery)
    return OnDetailIsCurrentQuery(this, FDataController->DataSet(), AKeyFieldNames, AKeyValues);
  return FDataController->GetDetailFilterAdapter()->IsCurrentQuery(FDataController->DataSet(), AKeyFieldNames,
                                                                   AKeyValues);
}

void TcxDBDataModeController::DetailFirst(const AnsiString& AKeyFieldNames, const Variant& AKeyValues,
                                          bool& AReopened) {
  AReopened = false;
  if (OnDetailFirst) {
    OnDetailFirst(this, FDataController->DataSet(), AKeyFieldNames, AKeyValues, AReopened);
    return;
  }
  FDataController->GetDetailFilterAdapter()->SetDetailFirst(FDataController->DataSet(), AKeyFieldNames,
                                                            AKeyValues, AReopened, DetailInSQLMode);
}

TParams* TcxDBProviderDetailFilterAdapter::FindParams(TDataSet* ADataSet) {
  if (!ADataSet)
    return nullptr;
  for (const TPropInfo* prop : GetPublishedProperties(ADataSet->ClassType()))
    if (SameText(prop->Name, "Params") && prop->GetObject)
      return dynamic_cast<TParams*>(prop->GetObject(ADataSet));
  return nullptr;
}

bool TcxDBProviderDetailFilterAdapter::IsCurrentQuery(TDataSet* ADataSet, const AnsiString& AParamNames,
                                                      const Variant& AParamValues) {
  TParams* params = FindParams(ADataSet);
  return params && SameKeyValues(params->ParamValues(AParamNames), AParamValues);
}

void TcxDBProviderDetailFilterAdapter::ReopenSQL(TDataSet* ADataSet, const AnsiString& AParamNames,
                                                 const Variant& AParamValues, bool& AReopened) {
  TParams* params = FindParams(ADataSet);
  if (!params)
    return;
  if (SameKeyValues(params->ParamValues(AParamNames), AParamValues)) {
    ADataSet->First();
    return;
  }
  ADataSet->DisableControls();
  struct Enable {
    TDataSet* DataSet;
    ~Enable() { DataSet->EnableControls(); }
  } enable{ADataSet};
  ADataSet->Close();
  params->SetParamValues(AParamNames, AParamValues);
  ADataSet->Open();
  AReopened = true;
}

void TcxDBProviderDetailFilterAdapter::SetDetailFirst(TDataSet* ADataSet, const AnsiString& AKeyFieldNames,
                                                      const Variant& AKeyValues, bool& AReopened,
                                                      bool ADetailInSQLMode) {
  if (ADetailInSQLMode)
    ReopenSQL(ADataSet, AKeyFieldNames, AKeyValues, AReopened);
  else
    ADataSet->Locate(AKeyFieldNames, AKeyValues, TLocateOptions());
}

TcxFilterOperatorClass TcxDBDataFilterCriteriaItem::GetOperatorClass() {
  TcxFilterOperatorClass result = TcxDataFilterCriteriaItem::GetOperatorClass();
  auto* criteria = dynamic_cast<TcxDataFilterCriteria*>(GetCriteria());
  auto* dc = criteria ? dynamic_cast<TcxDBDataController*>(criteria->DataController()) : nullptr;
  TDataSet* ds = dc ? dc->DataSet() : nullptr;
  if (TcxDBFilterOperatorAdapter* adapter = GetFilterOperatorAdapter(ds))
    adapter->PrepareOperatorClass(this, ds, result);
  return result;
}

void TcxDBDataController::UpdateFilterOperators() {
  std::vector<TcxFilterCriteriaItem*> stale;
  auto collect = [&stale](auto& self, TcxFilterCriteriaItemList* AList) -> void {
    for (int i = 0; i < AList->Count(); ++i) {
      TcxCustomFilterCriteriaItem* item = AList->Items(i);
      if (item->IsItemList())
        self(self, static_cast<TcxFilterCriteriaItemList*>(item));
      else if (auto* leaf = static_cast<TcxFilterCriteriaItem*>(item);
               leaf->GetOperatorClass() != leaf->Operator()->ClassType())
        stale.push_back(leaf);
    }
  };
  auto update = [&](TcxDataFilterCriteria& ACriteria) {
    stale.clear();
    collect(collect, ACriteria.Root());
    if (stale.empty())
      return;
    TUpdateBlock<TcxFilterCriteria> block(ACriteria);
    for (TcxFilterCriteriaItem* item : stale)
      item->RecreateOperator();
  };
  auto alive = AliveToken();
  update(Filter());
  for (int i = 0; *alive && i < Filters().Count(); ++i)
    update(*Filters().Items(i));
}

void TcxDBDataFilterCriteria::FormatFilterTextValue(const Variant& AValue, AnsiString& ADisplayValue) {
  if (OnFormatFilterTextValue)
    OnFormatFilterTextValue(this, AValue, ADisplayValue);
}

void TcxDBDataFilterCriteria::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxDBDataFilterCriteria*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  FAutoDataSetFilter = source->FAutoDataSetFilter;
  FIgnoreOrigin = source->FIgnoreOrigin;
  OnBeforeChange = source->OnBeforeChange;
  Changed();
}

void TcxDBDataFilterCriteria::Reset() {
  FAutoDataSetFilter = false;
  FIgnoreOrigin = true;
}

void TcxDBDataFilterCriteria::SetAutoDataSetFilter(bool AValue) {
  if (FAutoDataSetFilter != AValue) {
    FAutoDataSetFilter = AValue;
    Changed();
  }
}

void TcxDBDataFilterCriteria::SetIgnoreOrigin(bool AValue) {
  if (FIgnoreOrigin != AValue) {
    FIgnoreOrigin = AValue;
    Changed();
  }
}

bool TcxDBDataFilterCriteria::IsFiltering() {
  // A filter text the dataset refused leaves the filtering to the controller.
  return FDataController->Filter().IsFiltering() && !OnBeforeChange &&
         (!IsDataSetFiltering() || !LastError.empty());
}

bool TcxDBDataFilterCriteria::IsDataSetFiltering() {
  // Smart refresh keeps the records the controller has: a dataset filter would leave them as they were.
  return FAutoDataSetFilter && !FDataController->StartEditingInSource();
}

void TcxDBDataFilterCriteria::Changed() {
  TDataSet* ds = FDataController->DataSet();
  if (!ds)
    return;
  TcxDataFilterCriteria& filter = FDataController->Filter();
  if (IsEditState(ds->State()))
    FDataController->CheckBrowseMode();
  AnsiString text = filter.GetFilterText();
  if (OnBeforeChange && !text.empty())
    OnBeforeChange(this, ds, text);
  LastError.clear();
  if (!IsDataSetFiltering())
    return;
  bool filtered = filter.Active() && !text.empty();
  TFilterOptions options;
  if (filter.Options().Contains(fcoCaseInsensitive))
    options.Include(foCaseInsensitive);
  if (ds->Filter() == text && ds->Filtered() == filtered && ds->FilterOptions() == options)
    return;
  TcxDBDataProvider& provider = FDataController->DBProvider();
  TFilterOptions oldOptions = ds->FilterOptions();
  AnsiString oldText = ds->Filter();
  bool oldFiltered = ds->Filtered();
  // A text the dataset cannot read raises here: the dataset keeps its former filter and its controls.
  provider.LockNotify();
  struct Unlock {
    TcxDBDataProvider& P;
    ~Unlock() { P.UnlockNotify(); }
  } unlock{provider};
  try {
    ds->SetFilterOptions(options);
    ds->SetFilter(text);
    ds->SetFiltered(filtered);
  } catch (...) {
    ds->SetFilterOptions(oldOptions);
    ds->SetFilter(oldText);
    ds->SetFiltered(oldFiltered);
    throw;
  }
}
