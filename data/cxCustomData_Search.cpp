#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"
#include "data/cxDataUtils.h"

#include <algorithm>
#include <string_view>

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
  // The record's index may have changed on the way: the focus move posts the record in edit.
  return focused;
}

void TcxDataControllerSearch::PrepareTexts() {
  TcxCustomDataController* dc = FDataController;
  TcxCustomDataControllerInfo& view = dc->View();
  if (FTextsField == FSearchField && FTextsStamp == view.DataStamp() &&
      FTextEnds.size() == std::size_t(view.GetRecordListCount()))
    return;
  FTexts.clear();
  FTextEnds.clear();
  FTextEnds.reserve(std::size_t(view.GetRecordListCount()));
  FTexts.reserve(std::size_t(view.GetRecordListCount()) * 8);
  // A stored string without a kept text displays as itself, so the cells are read directly; an unbound
  // controller's texts come from its own storage even when its strings sort by locale.
  bool raw = (dc->IsPlainValueOrder(FSearchField) || (dc->IsUnboundMode() && FSearchField->ValueDef())) &&
             RawKindOf(FSearchField->ValueTypeClass()) == TRawKind::String && !FSearchField->TextStored();
  FTextsOrdered = true;
  std::size_t previous = 0;
  // The byte-wise upper-casing of the text match, as a table.
  std::string all(256, '\0');
  for (int c = 0; c < 256; ++c)
    all[std::size_t(c)] = char(c);
  AnsiString upper = AnsiUpperCase(all);
  // The view's order visits records, their cells and their strings at random, a cache miss each; one pass
  // in storage order gathers the texts, and the pass in view order then copies from that compact copy.
  std::vector<char> byRecord;
  std::vector<std::size_t> recordEnds;
  if (raw) {
    int records = dc->GetRecordCount();
    recordEnds.resize(std::size_t(records));
    byRecord.reserve(std::size_t(records) * 8);
    for (int r = 0; r < records; ++r) {
      const char* place = ValuePlace(dc->DataStorage(), r, FSearchField->ValueDef());
      if (const AnsiString* text = place ? RawString(place) : nullptr)
        byRecord.insert(byRecord.end(), text->begin(), text->end());
      recordEnds[std::size_t(r)] = byRecord.size();
    }
  }
  for (int li = 0; li < view.GetRecordListCount(); ++li) {
    int record = view.GetRecordListRecord(li);
    std::size_t begin = FTexts.size();
    if (raw) {
      std::size_t from = record > 0 ? recordEnds[std::size_t(record - 1)] : 0;
      FTexts.insert(FTexts.end(), byRecord.begin() + std::ptrdiff_t(from),
                    byRecord.begin() + std::ptrdiff_t(recordEnds[std::size_t(record)]));
    } else {
      AnsiString text = dc->GetDisplayText(record, FSearchField);
      FTexts.insert(FTexts.end(), text.begin(), text.end());
    }
    for (std::size_t i = begin; i < FTexts.size(); ++i)
      FTexts[i] = upper[static_cast<unsigned char>(FTexts[i])];
    FTextEnds.push_back(FTexts.size());
    if (li > 0 && FTextsOrdered &&
        std::string_view(FTexts.data() + previous, begin - previous) >
            std::string_view(FTexts.data() + begin, FTexts.size() - begin))
      FTextsOrdered = false;
    previous = begin;
  }
  FTextsField = FSearchField;
  FTextsStamp = view.DataStamp();
}

int TcxDataControllerSearch::DoSearch(int AStartIndex, int AEndIndex, bool AForward,
                                      const AnsiString& AText) {
  int count = FDataController->View().GetRecordListCount();
  if (AEndIndex == -1)
    AEndIndex = AForward ? count - 1 : 0;
  if (count == 0 || AStartIndex < 0 || AStartIndex >= count || !FSearchField)
    return -1;
  PrepareTexts();
  AnsiString search = AnsiUpperCase(AText);
  auto text = [&](int li) {
    std::size_t begin = li == 0 ? 0 : FTextEnds[std::size_t(li - 1)];
    return std::string_view(FTexts.data() + begin, FTextEnds[std::size_t(li)] - begin);
  };
  auto matches = [&](int li) {
    std::string_view t = text(li);
    return search.empty() ? t.empty() : t.substr(0, search.size()) == search;
  };
  if (FTextsOrdered && !search.empty()) {
    // Texts in byte order: the texts starting with the search text are one run.
    int lo = 0, hi = count;
    while (lo < hi) {
      int mid = lo + (hi - lo) / 2;
      if (text(mid) < std::string_view(search))
        lo = mid + 1;
      else
        hi = mid;
    }
    int first = lo;
    if (first >= count || !matches(first))
      return -1;
    lo = first;
    hi = count;
    while (lo < hi) {
      int mid = lo + (hi - lo) / 2;
      if (matches(mid))
        lo = mid + 1;
      else
        hi = mid;
    }
    int last = lo - 1;
    if (AForward) {
      int li = std::max(AStartIndex, first);
      return li <= std::min(AEndIndex, last) ? li : -1;
    }
    int li = std::min(AStartIndex, last);
    return li >= std::max(AEndIndex, first) ? li : -1;
  }
  int step = AForward ? 1 : -1;
  for (int li = AStartIndex; AForward ? li <= AEndIndex : li >= AEndIndex; li += step)
    if (matches(li))
      return li;
  return -1;
}

bool TcxDataControllerSearch::Locate(int AItemIndex, const AnsiString& AText) {
  TcxCustomDataController* dc = FDataController;
  int count = dc->View().GetRecordListCount();
  if (AText.empty() || count == 0)
    return false;
  TcxCustomDataField* field = dc->GetItemField(AItemIndex);
  // A locate that finds nothing leaves a search in progress to go on as it was, field and text.
  TcxCustomDataField* previous = FSearching ? FSearchField : field;
  FSearchField = field;
  int focused = dc->GetFocusedRecordIndex();
  int start = focused >= 0 ? dc->View().GetListIndexByRecord(focused) : 0;
  if (start < 0)
    start = 0;
  int found = DoSearch(start, -1, true, AText);
  if (found < 0 && start > 0)
    found = DoSearch(0, start - 1, true, AText);
  if (found < 0) {
    FSearchField = previous;
    return false;
  }
  auto alive = dc->AliveToken();
  if (!DoFocusRecord(found) || !*alive) {
    if (*alive)
      FSearchField = previous;
    return false;
  }
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
  auto alive = FAlive;
  Refresh();
  if (!*alive)
    return -1;
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

Variant TcxValueDefUnboundReader::GetValue(TcxValueDef* AValueDef) {
  // A twin definition of internal records answers for its regular definition.
  TcxValueDef* def = AValueDef;
  if (auto* internal = dynamic_cast<TcxInternalValueDef*>(AValueDef))
    def = internal->RegularDef();
  for (std::size_t i = 0; i < FDefs.size(); ++i)
    if (FDefs[i] == def)
      return FValues[i];
  return Null;
}

bool TcxValueDefUnboundReader::IsSkippable(TcxValueDef* AValueDef) {
  auto* field = dynamic_cast<TcxCustomDataField*>(AValueDef->GetLinkObject());
  return field && field->IsInternal();
}

void TcxValueDefUnboundReader::SetValue(TcxValueDef* AValueDef, const Variant& AValue) {
  for (std::size_t i = 0; i < FDefs.size(); ++i)
    if (FDefs[i] == AValueDef) {
      FValues[i] = AValue;
      return;
    }
  FDefs.push_back(AValueDef);
  FValues.push_back(AValue);
}

void TcxValueDefUnboundReader::Truncate(int ACount) {
  if (ACount < 0)
    ACount = 0;
  if (std::size_t(ACount) < FDefs.size()) {
    FDefs.resize(std::size_t(ACount));
    FValues.resize(std::size_t(ACount));
  }
}

void TcxDataControllerKeyLocateObject::ReadData(TcxValueDefReader* AReader) {
  TcxDataStorage& storage = FDataController->DataStorage();
  if (FSearchRecord == 0)
    FSearchRecord = storage.AddInternalRecord();
  storage.ReadRecord(FSearchRecord, AReader, false);
}

void TcxDataControllerKeyLocateObject::ReleaseRecord() {
  if (FSearchRecord != 0)
    FDataController->DataStorage().DeleteRecord(FSearchRecord);
  FSearchRecord = 0;
}

int TcxDataControllerKeyLocateObject::FindRecordIndex() {
  if (FSearchRecord == 0)
    return -1;
  TcxDataStorage& storage = FDataController->DataStorage();
  for (int r = 0; r < FDataController->GetRecordCount(); ++r) {
    bool equal = true;
    for (TcxCustomDataField* field : KeyFields)
      if (!field->ValueDef() || StrictVarCompare(storage.GetValue(r, field->ValueDef()),
                                                 storage.GetValue(FSearchRecord, field->ValueDef())) != 0) {
        equal = false;
        break;
      }
    if (equal)
      return r;
  }
  return -1;
}
