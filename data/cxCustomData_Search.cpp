#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"
#include "data/cxDataUtils.h"

using namespace cxdata;

bool TcxDataControllerSearch::DoFocusRecord(int AListIndex) {
  TcxCustomDataController* dc = FDataController;
  int record = dc->View().GetRecordListRecord(AListIndex);
  Lock();
  struct Unlocker {
    TcxDataControllerSearch* Self;
    ~Unlocker() { Self->Unlock(); }
  } unlocker{this};
  auto alive = dc->AliveToken();
  bool focused = dc->ChangeFocusedRecordIndex(record);
  if (!*alive)
    return false;
  if (focused && dc->MultiSelect())
    dc->SelectOnlyFocusedRow();
  return focused && dc->GetFocusedRecordIndex() == record;
}

int TcxDataControllerSearch::DoSearch(int AStartIndex, int AEndIndex, bool AForward,
                                      const AnsiString& AText) {
  TcxCustomDataController* dc = FDataController;
  TcxCustomDataControllerInfo& view = dc->View();
  int count = view.GetRecordListCount();
  if (AEndIndex == -1)
    AEndIndex = AForward ? count - 1 : 0;
  int step = AForward ? 1 : -1;
  // Plain text columns are matched on the stored text without building a display text per record.
  bool raw = dc->IsPlainValueOrder(FSearchField) &&
             RawKindOf(FSearchField->ValueTypeClass()) == TRawKind::String && !FSearchField->TextStored();
  for (int li = AStartIndex; AForward ? li <= AEndIndex : li >= AEndIndex; li += step) {
    int record = view.GetRecordListRecord(li);
    if (raw) {
      const char* place = ValuePlace(dc->DataStorage(), record, FSearchField->ValueDef());
      const AnsiString* text = place ? RawString(place) : nullptr;
      if (DataCompareText(AText, text ? *text : AnsiString(), true))
        return li;
    } else if (DataCompareText(AText, dc->GetDisplayText(record, FSearchField), true)) {
      return li;
    }
  }
  return -1;
}

bool TcxDataControllerSearch::Locate(int AItemIndex, const AnsiString& AText) {
  TcxCustomDataController* dc = FDataController;
  int count = dc->View().GetRecordListCount();
  if (AText.empty() || count == 0)
    return false;
  FSearchField = dc->GetItemField(AItemIndex);
  int focused = dc->GetFocusedRecordIndex();
  int start = focused >= 0 ? dc->View().GetListIndexByRecord(focused) : 0;
  if (start < 0)
    start = 0;
  int found = DoSearch(start, -1, true, AText);
  if (found < 0 && start > 0)
    found = DoSearch(0, start - 1, true, AText);
  if (found < 0)
    return false;
  auto alive = dc->AliveToken();
  if (!DoFocusRecord(found) || !*alive)
    return false;
  FSearching = true;
  FSearchText = AText;
  dc->AddChanges(dccSearch);
  return true;
}

bool TcxDataControllerSearch::LocateNext(bool AForward) {
  TcxCustomDataController* dc = FDataController;
  if (!FSearching || FSearchText.empty() || !FSearchField || dc->View().GetRecordListCount() == 0)
    return false;
  int focused = dc->GetFocusedRecordIndex();
  int li = focused >= 0 ? dc->View().GetListIndexByRecord(focused) : -1;
  if (li < 0)
    return false;
  int start = AForward ? li + 1 : li - 1;
  if (start < 0 || start >= dc->View().GetRecordListCount())
    return false;
  int found = DoSearch(start, -1, AForward, FSearchText);
  return found >= 0 && DoFocusRecord(found);
}

void TcxDataControllerSearch::Cancel() {
  if (FLocked || !FSearching)
    return;
  FSearchText.clear();
  FSearching = false;
  FDataController->AddChanges(dccSearch);
}

bool TcxCustomDataController::DoIncrementalFilterRecord(int ARecordIndex) {
  return DataCompareText(FIncrementalFilterText, GetDisplayText(ARecordIndex, FIncrementalFilterField), true);
}

int TcxCustomDataController::SetIncrementalFilter(int AItemIndex, const AnsiString& AText) {
  FIncrementalFilterField = GetItemField(AItemIndex);
  FIncrementalFilterText = AText;
  Refresh();
  return FView->GetRecordListCount() > 0 ? FView->GetRecordListRecord(0) : -1;
}

void TcxCustomDataController::ResetIncrementalFilter() {
  bool was = IsIncrementalFiltering();
  FIncrementalFilterField = nullptr;
  FIncrementalFilterText.clear();
  if (was && !FDestroying)
    Refresh();
}

int TcxCustomDataController::FindRecordIndexByText(int AStartIndex, int AItemIndex, const AnsiString& AText,
                                                   bool APartial, bool AWrap, bool AForward) {
  TcxCustomDataField* field = GetItemField(AItemIndex);
  int count = FView->GetRecordListCount();
  if (AStartIndex < 0 || AStartIndex >= count)
    return -1;
  auto match = [&](int li) {
    int record = FView->GetRecordListRecord(li);
    return DataCompareText(AText, GetDisplayText(record, field), APartial) ? record : -1;
  };
  if (AForward) {
    for (int li = AStartIndex; li < count; ++li)
      if (int r = match(li); r >= 0)
        return r;
    if (AStartIndex > 0 && AWrap)
      for (int li = 0; li < AStartIndex; ++li)
        if (int r = match(li); r >= 0)
          return r;
  } else {
    for (int li = AStartIndex; li >= 0; --li)
      if (int r = match(li); r >= 0)
        return r;
    if (AStartIndex > 0 && AWrap)
      for (int li = count - 1; li > AStartIndex; --li)
        if (int r = match(li); r >= 0)
          return r;
  }
  return -1;
}

void TcxCustomDataController::BeginLocate() {
  ++FLocateCount;
  FProvider->BeginLocate();
}

void TcxCustomDataController::EndLocate() {
  FProvider->EndLocate();
  --FLocateCount;
}
