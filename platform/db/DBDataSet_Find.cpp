#include "platform/db/DBDataSet.h"

#include "platform/db/DBDataSet_Internal.h"
#include "platform/db/DBFilterExpr.h"

using namespace dbdataset_internal;

TBookmarkStr TDataSet::Bookmark() {
  if (!BookmarkAvailable())
    return TBookmarkStr();
  return GetRowBookmark(FBuffers[std::size_t(FActiveRecord)].Row);
}

bool TDataSet::BookmarkAvailable() {
  return Active() && FRecordCount > 0 && FState != dsInsert && FBuffers[std::size_t(FActiveRecord)].Row >= 0;
}

bool TDataSet::BookmarkValid(const TBookmarkStr&) {
  return false;
}

int TDataSet::CompareBookmarks(const TBookmarkStr& A, const TBookmarkStr& B) {
  if (A.empty() || B.empty())
    return int(!A.empty()) - int(!B.empty());
  return A == B ? 0 : (A < B ? -1 : 1);
}

void TDataSet::GotoBookmark(const TBookmarkStr& ABookmark) {
  CheckBrowseMode();
  if (ABookmark.empty())
    DatabaseError("No bookmark to go to");
  if (!BookmarkValid(ABookmark))
    DatabaseError("Record not found: the bookmark names no record of the dataset");
  CallEvent(BeforeScroll);
  InternalGotoBookmark(ABookmark);
  Resync(true, true);
  CallEvent(AfterScroll);
}

bool TDataSet::RowMatches(std::int64_t ARow, const std::vector<TField*>& AFields,
                          const std::vector<Variant>& AValues, TLocateOptions AOptions) {
  for (std::size_t i = 0; i < AFields.size(); ++i) {
    TField* field = AFields[i];
    Variant stored;
    if (field->FFieldNo > 0) {
      stored = GetRowValue(ARow, field->FFieldNo);
    } else {
      TRestore<std::int64_t> row(FFilterRow, ARow);
      TRestore<TDataSetState> state(FState, dsFilter);
      stored = field->GetAsVariant();
    }
    if (!ValueMatches(stored, AValues[i], AOptions))
      return false;
  }
  return true;
}

bool TDataSet::Locate(const AnsiString& AKeyFields, const Variant& AKeyValues, TLocateOptions AOptions) {
  CheckBrowseMode();
  std::vector<TField*> fields = GetFieldList(AKeyFields);
  std::vector<Variant> values = KeyValueList(AKeyValues, fields.size());
  CallEvent(BeforeScroll);
  std::int64_t row = FindRow(fields, values, AOptions);
  if (row < 0)
    return false;
  InternalGotoBookmark(GetRowBookmark(row));
  Resync(true, true);
  CallEvent(AfterScroll);
  return true;
}

bool TDataSet::LocateNext(const AnsiString& AKeyFields, const Variant& AKeyValues, TLocateOptions AOptions) {
  CheckBrowseMode();
  std::vector<TField*> fields = GetFieldList(AKeyFields);
  std::vector<Variant> values = KeyValueList(AKeyValues, fields.size());
  if (!BookmarkAvailable())
    return false;
  std::int64_t row = FindNextRow(FBuffers[std::size_t(FActiveRecord)].Row, fields, values, AOptions);
  if (row < 0)
    return false;
  CallEvent(BeforeScroll);
  InternalGotoBookmark(GetRowBookmark(row));
  Resync(true, true);
  CallEvent(AfterScroll);
  return true;
}

Variant TDataSet::Lookup(const AnsiString& AKeyFields, const Variant& AKeyValues,
                         const AnsiString& AResultFields) {
  CheckActive();
  std::vector<TField*> fields = GetFieldList(AKeyFields);
  std::vector<Variant> values = KeyValueList(AKeyValues, fields.size());
  std::vector<TField*> results = GetFieldList(AResultFields);
  std::int64_t row = FindRow(fields, values, TLocateOptions());
  if (row < 0)
    return Null;
  std::vector<Variant> out;
  for (TField* field : results) {
    if (field->FFieldNo > 0) {
      out.push_back(GetRowValue(row, field->FFieldNo));
    } else {
      TRestore<std::int64_t> filterRow(FFilterRow, row);
      TRestore<TDataSetState> state(FState, dsFilter);
      out.push_back(field->GetAsVariant());
    }
  }
  return out.size() == 1 ? out[0] : VarArrayOf(out);
}

void TDataSet::CompileFilter(const AnsiString& AText) {
  if (AText.empty() || FState == dsInactive) {
    FFilterExpr.reset();
    return;
  }
  FFilterExpr = std::make_shared<TFilterExpression>(AText, this, FFilterOptions.Contains(foCaseInsensitive),
                                                    !FFilterOptions.Contains(foNoPartialCompare));
}

bool TDataSet::RecordAccepted(std::int64_t ARow) {
  if (!FFiltered)
    return true;
  TRestore<std::int64_t> row(FFilterRow, ARow);
  TRestore<TDataSetState> state(FState, dsFilter);
  if (FFilterExpr && !FFilterExpr->Evaluate())
    return false;
  bool accept = true;
  if (FOnFilterRecord)
    FOnFilterRecord(this, accept);
  return accept;
}

void TDataSet::RecheckFilter() {
  if (!Active())
    return;
  CheckBrowseMode();
  FilterChanged();
  First();
}

void TDataSet::SetFilter(const AnsiString& AValue) {
  if (Active())
    CompileFilter(AValue);
  else if (!AValue.empty())
    TFilterExpression::CheckSyntax(AValue);
  FFilter = AValue;
  if (FFiltered)
    RecheckFilter();
}

void TDataSet::SetFiltered(bool AValue) {
  if (FFiltered == AValue)
    return;
  FFiltered = AValue;
  RecheckFilter();
}

void TDataSet::SetFilterOptions(TFilterOptions AValue) {
  if (FFilterOptions == AValue)
    return;
  FFilterOptions = AValue;
  if (Active())
    CompileFilter(FFilter);
  if (FFiltered)
    RecheckFilter();
}

void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& AValue) {
  FOnFilterRecord = AValue;
  if (FFiltered)
    RecheckFilter();
}
