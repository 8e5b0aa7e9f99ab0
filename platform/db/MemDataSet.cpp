#include "platform/db/MemDataSet.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsNumberType(TVarType AType) {
  return VarTypeIsInteger(AType) || AType == varDouble || AType == varSingle || AType == varCurrency;
}

// Whether AConverted, what AOriginal became in a column of another type, still holds all of it: a text whose
// every character the code page has, a number equal to it (0, 1 or -1 for a truth value). A text parsed
// into a number or a date, and a value written as text, change their form, not their value.
bool HoldsWhole(const Variant& AConverted, const Variant& AOriginal) {
  const TVarType from = VarType(AOriginal), to = VarType(AConverted);
  if (from == to)
    return true;
  if (from == varOleStr && to == varString)
    return AnsiToWide(AConverted.RawString()) == AOriginal.RawWideString();
  if (!IsNumberType(from))
    return true;
  if (to == varBoolean) {
    double v = AOriginal.AsDouble();
    return v == 0 || v == 1 || v == -1;
  }
  if (!IsNumberType(to))
    return true;
  try {
    return VarAsType(AConverted, from) == AOriginal;
  } catch (const Exception&) {
    return false;
  }
}

enum class TKeyKind { None, Number, Text, Other };

// How a key index files a value: integers by number, texts by their bytes; Null not at all. AVisit gets the
// index's map of the value's kind and the value's key in it.
template <class TIndex, class F> TKeyKind VisitKey(TIndex& AIndex, const Variant& AValue, F AVisit) {
  if (VarTypeIsInteger(VarType(AValue))) {
    AVisit(AIndex.Numbers, AValue.RawInteger());
    return TKeyKind::Number;
  }
  if (VarType(AValue) == varString) {
    AVisit(AIndex.Texts, AValue.RawString());
    return TKeyKind::Text;
  }
  return VarIsNull(AValue) ? TKeyKind::None : TKeyKind::Other;
}

} // namespace

TMemDataSet::~TMemDataSet() {
  Destroying();
  try {
    Close();
  } catch (...) {
    // A handler that fails while the dataset is being freed cannot stop it.
  }
}

void TMemDataSet::AddFieldDef(const AnsiString& AName, TFieldType AType, int ASize, bool ARequired) {
  if ((Active() && State() != dsOpening) || !FOrder.empty())
    DatabaseError("Columns change only while the dataset is closed and empty");
  if (AName.empty())
    DatabaseError("A column needs a name");
  for (const TFieldDef& def : FFieldDefs)
    if (AnsiSameText(def.Name, AName))
      DatabaseError("Duplicate column name '" + AName + "'");
  FFieldDefs.push_back(TFieldDef{AName, AType, ASize, ARequired});
}

void TMemDataSet::ClearFieldDefs() {
  if ((Active() && State() != dsOpening) || !FOrder.empty())
    DatabaseError("Columns change only while the dataset is closed and empty");
  FFieldDefs.clear();
}

Variant TMemDataSet::ConvertCell(const Variant& AValue, std::size_t AColumn) const {
  if (VarIsNull(AValue) || VarIsEmpty(AValue))
    return Null;
  const TFieldDef& def = FFieldDefs[AColumn];
  try {
    switch (def.DataType) {
    case ftString:
    case ftFixedChar:
    case ftMemo:
    case ftGuid:
      return VarType(AValue) == varString ? AValue : Variant(AValue.AsString());
    case ftWideString:
      return VarType(AValue) == varOleStr ? AValue : Variant(AValue.AsWideString());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
      if (VarType(AValue) == varInteger && (def.DataType == ftInteger || def.DataType == ftAutoInc))
        return AValue;
      std::int64_t v = AValue.AsInt64();
      if (v < INT32_MIN || v > INT32_MAX || (def.DataType == ftSmallint && (v < -32768 || v > 32767)) ||
          (def.DataType == ftWord && (v < 0 || v > 65535)))
        throw EDatabaseError(IntToStr(v) + " is out of range for column '" + def.Name + "'");
      return Variant(int(v));
    }
    case ftLargeint:
      return VarType(AValue) == varInt64 ? AValue : Variant(AValue.AsInt64());
    case ftBoolean:
      return VarType(AValue) == varBoolean ? AValue : Variant(AValue.AsBoolean());
    case ftFloat:
    case ftCurrency:
      return VarType(AValue) == varDouble ? AValue : Variant(AValue.AsDouble());
    case ftBCD:
    case ftFMTBcd:
      return VarType(AValue) == varCurrency ? AValue : Variant(AValue.AsCurrency());
    case ftDate:
    case ftTime:
    case ftDateTime:
      return VarType(AValue) == varDate ? AValue : Variant::FromDate(AValue.AsDate());
    default:
      return AValue;
    }
  } catch (const EDatabaseError&) {
    throw;
  } catch (const Exception&) {
    // A text of another kind stays as it is, as a database column may hold it: it reads as its text, and
    // reads that need the column's type refuse it. Edits never store one: the field converts them first.
    if (VarIsStr(AValue))
      return AValue;
    AnsiString text;
    try {
      text = MessageExcerpt(VarToStr(AValue));
    } catch (const Exception&) {
      text = VarTypeAsText(VarType(AValue));
    }
    throw EDatabaseError("'" + text + "' is not a valid value for column '" + def.Name + "'");
  }
}

void TMemDataSet::AddRow(std::vector<Variant> AValues) {
  if (Active())
    DatabaseError("Rows are loaded only while the dataset is closed; use Append or AppendRecord");
  std::size_t columns = FFieldDefs.size();
  if (columns == 0)
    DatabaseError("The dataset has no columns");
  if (AValues.size() > columns)
    DatabaseError("A row of " + IntToStr(static_cast<long long>(AValues.size())) + " values for " +
                  IntToStr(static_cast<long long>(columns)) + " columns");
  AValues.resize(columns, Null);
  std::vector<Variant> converted(columns);
  for (std::size_t i = 0; i < columns; ++i)
    converted[i] = ConvertCell(AValues[i], i);
  for (std::size_t i = 0; i < columns; ++i) {
    const bool approximate = !HoldsWhole(converted[i], AValues[i]);
    PushCell(std::move(converted[i]));
    if (approximate)
      MarkLastCellApproximate();
  }
  EndRow();
  RowsChanged();
}

void TMemDataSet::ClearRows() {
  if (Active())
    DatabaseError("Rows are cleared only while the dataset is closed");
  ResetRows();
}

TMemDataSet::TSavedRows TMemDataSet::TakeRows() {
  TSavedRows rows;
  rows.Chunks.swap(FChunks);
  rows.Order.swap(FOrder);
  rows.View.swap(FView);
  rows.RowTotal = FRowTotal;
  rows.Cursor = FCursor;
  rows.FilteredView = FFilteredView;
  rows.Generation = FGeneration;
  rows.Approximate.swap(FApproximate);
  ResetRows();
  return rows;
}

void TMemDataSet::RestoreRows(TSavedRows&& ARows) {
  FChunks.swap(ARows.Chunks);
  FOrder.swap(ARows.Order);
  FView.swap(ARows.View);
  FRowTotal = ARows.RowTotal;
  FNextColumn = 0;
  FCursor = ARows.Cursor;
  FFilteredView = ARows.FilteredView;
  FGeneration = ARows.Generation;
  FApproximate.swap(ARows.Approximate);
  RowsChanged();
}

bool TMemDataSet::SetCursorToRow(std::int64_t ARow) {
  std::int64_t pos = PosOf(ARow);
  if (pos < 0)
    return false;
  FCursor = pos;
  return true;
}

void TMemDataSet::ResetRows() {
  ++FGeneration;
  FCursor = -1;
  FChunks.clear();
  FRowTotal = 0;
  FNextColumn = 0;
  FOrder.clear();
  FView.clear();
  FPosOfRow.clear();
  FApproximate.clear();
  RowsChanged();
}

void TMemDataSet::RowsChanged() {
  FPosValid = false;
  FKeyIndexes.clear();
}

void TMemDataSet::RowShown(std::int64_t ARow, std::int64_t APos) {
  std::vector<std::int64_t>& view = View();
  if (FPosValid) {
    FPosOfRow.resize(std::size_t(FRowTotal), -1);
    for (std::size_t i = std::size_t(APos); i < view.size(); ++i)
      FPosOfRow[std::size_t(view[i])] = std::int32_t(i);
  }
  for (auto& [fieldNo, index] : FKeyIndexes)
    IndexRow(index, ARow, Cell(ARow, std::size_t(fieldNo - 1)));
}

void TMemDataSet::RowHidden(std::int64_t ARow, std::int64_t APos) {
  std::vector<std::int64_t>& view = View();
  if (FPosValid) {
    FPosOfRow[std::size_t(ARow)] = -1;
    for (std::size_t i = std::size_t(APos); i < view.size(); ++i)
      FPosOfRow[std::size_t(view[i])] = std::int32_t(i);
  }
  for (auto& [fieldNo, index] : FKeyIndexes)
    UnindexRow(index, ARow, Cell(ARow, std::size_t(fieldNo - 1)));
}

void TMemDataSet::StoreCell(std::int64_t ARow, std::size_t AColumn, Variant AValue, bool AApproximate) {
  Variant& cell = Cell(ARow, AColumn);
  auto index = FKeyIndexes.find(int(AColumn) + 1);
  if (index != FKeyIndexes.end() && PosOf(ARow) >= 0) {
    UnindexRow(index->second, ARow, cell);
    cell = std::move(AValue);
    IndexRow(index->second, ARow, cell);
  } else {
    cell = std::move(AValue);
  }
  SetApproximate(ARow, AColumn, AApproximate);
}

void TMemDataSet::InternalOpen() {
  if (FFieldDefs.empty())
    DatabaseError("The dataset has no columns");
  std::vector<std::pair<AnsiString, TFieldType>> columns;
  std::vector<int> sizes;
  for (const TFieldDef& def : FFieldDefs) {
    columns.emplace_back(def.Name, def.DataType);
    sizes.push_back(def.Size);
  }
  BindFields(columns, sizes);
  for (int i = 0; i < FieldCount(); ++i)
    if (Fields(i)->FieldNo() > 0 && FFieldDefs[std::size_t(Fields(i)->FieldNo() - 1)].Required)
      Fields(i)->Required = true;
  FCursor = -1;
  FFilteredView = false;
  RowsChanged();
}

void TMemDataSet::InternalClose() {
  FView.clear();
  FFilteredView = false;
  FCursor = -1;
  RowsChanged();
}

void TMemDataSet::FilterChanged() {
  FView.clear();
  FFilteredView = Filtered();
  if (FFilteredView)
    for (std::int64_t row : FOrder)
      if (RecordAccepted(row))
        FView.push_back(row);
  FCursor = -1;
  RowsChanged();
}

int TMemDataSet::RecordCount() {
  CheckActive();
  return int(View().size());
}

std::int64_t TMemDataSet::CursorRow() {
  std::vector<std::int64_t>& view = View();
  return FCursor >= 0 && FCursor < std::int64_t(view.size()) ? view[std::size_t(FCursor)] : -1;
}

int TMemDataSet::RecNo() {
  CheckActive();
  if (State() == dsInsert || IsEmpty())
    return -1;
  const TRecordSlot& slot = ActiveSlot();
  std::int64_t pos = PosOf(slot.Row, slot.Pos);
  return pos < 0 ? -1 : int(pos + 1);
}

void TMemDataSet::SetRecNo(int AValue) {
  CheckBrowseMode();
  if (AValue < 1 || AValue > int(View().size()))
    DatabaseError("Record number " + IntToStr(AValue) + " is outside 1.." + IntToStr(int(View().size())));
  if (AValue == RecNo())
    return;
  if (BeforeScroll)
    BeforeScroll(this);
  FCursor = AValue - 1;
  Resync(true, true);
  if (AfterScroll)
    AfterScroll(this);
}

TGetResult TMemDataSet::GetRecord(TRecordSlot& ASlot, TGetMode AMode) {
  std::vector<std::int64_t>& view = View();
  std::int64_t n = std::int64_t(view.size());
  switch (AMode) {
  case gmNext:
    if (FCursor + 1 >= n) {
      FCursor = n;
      return grEOF;
    }
    ++FCursor;
    break;
  case gmPrior:
    if (FCursor <= 0) {
      FCursor = -1;
      return grBOF;
    }
    FCursor = std::min(FCursor, n) - 1;
    break;
  case gmCurrent:
    if (FCursor < 0 || FCursor >= n)
      return grError;
    break;
  }
  ASlot.Row = view[std::size_t(FCursor)];
  ASlot.Pos = FCursor;
  ASlot.Flag = bfCurrent;
  return grOK;
}

std::int64_t TMemDataSet::PosOf(std::int64_t ARow, std::int64_t AHint) {
  std::vector<std::int64_t>& view = View();
  if (ARow < 0)
    return -1;
  if (AHint >= 0 && AHint < std::int64_t(view.size()) && view[std::size_t(AHint)] == ARow)
    return AHint;
  if (!FPosValid) {
    FPosOfRow.assign(std::size_t(FRowTotal), -1);
    for (std::size_t i = 0; i < view.size(); ++i)
      FPosOfRow[std::size_t(view[i])] = std::int32_t(i);
    FPosValid = true;
  }
  return std::size_t(ARow) < FPosOfRow.size() ? FPosOfRow[std::size_t(ARow)] : -1;
}

void TMemDataSet::InternalSetToRecord(const TRecordSlot& ASlot) {
  if (ASlot.Row < 0)
    return;
  std::int64_t pos = PosOf(ASlot.Row, ASlot.Pos);
  if (pos >= 0)
    FCursor = pos;
}

// A bookmark is the row's handle and the generation of the rows: rows loaded again (a query's refresh) get
// handles that earlier bookmarks must not name.
TBookmarkStr TMemDataSet::GetRowBookmark(std::int64_t ARow) {
  TBookmarkStr b(sizeof ARow + sizeof FGeneration, '\0');
  std::memcpy(b.data(), &ARow, sizeof ARow);
  std::memcpy(b.data() + sizeof ARow, &FGeneration, sizeof FGeneration);
  return b;
}

std::int64_t TMemDataSet::DecodeBookmark(const TBookmarkStr& ABookmark) const {
  std::int64_t row = -1;
  std::uint32_t generation = 0;
  if (ABookmark.size() != sizeof row + sizeof generation)
    return -1;
  std::memcpy(&row, ABookmark.data(), sizeof row);
  std::memcpy(&generation, ABookmark.data() + sizeof row, sizeof generation);
  return generation == FGeneration && row >= 0 && row < FRowTotal ? row : -1;
}

bool TMemDataSet::BookmarkValid(const TBookmarkStr& ABookmark) {
  return Active() && PosOf(DecodeBookmark(ABookmark)) >= 0;
}

int TMemDataSet::CompareBookmarks(const TBookmarkStr& A, const TBookmarkStr& B) {
  if (A.empty() || B.empty())
    return int(!A.empty()) - int(!B.empty());
  if (A == B)
    return 0;
  std::int64_t pa = Active() ? PosOf(DecodeBookmark(A)) : -1, pb = Active() ? PosOf(DecodeBookmark(B)) : -1;
  if (pa >= 0 && pb >= 0)
    return pa < pb ? -1 : 1;
  // Bookmarks of hidden, deleted or reloaded rows still get a fixed place, after the visible ones.
  if (pa >= 0 || pb >= 0)
    return pa >= 0 ? -1 : 1;
  return A < B ? -1 : 1;
}

bool TMemDataSet::ReadApproximately(TField* AField, const TBookmarkStr& ABookmark) {
  if (!HoldsApproximateValues(AField))
    return false;
  std::int64_t row = DecodeBookmark(ABookmark);
  return row >= 0 && FApproximate[std::size_t(AField->FieldNo() - 1)].count(row) > 0;
}

bool TMemDataSet::HoldsApproximateValues(TField* AField) {
  std::size_t column = std::size_t(AField->FieldNo() - 1);
  return AField->DataSet() == this && AField->FieldNo() > 0 && column < FApproximate.size() &&
         !FApproximate[column].empty();
}

void TMemDataSet::SetApproximate(std::int64_t ARow, std::size_t AColumn, bool AApproximate) {
  if (AApproximate) {
    if (FApproximate.size() <= AColumn)
      FApproximate.resize(FFieldDefs.size());
    FApproximate[AColumn].insert(ARow);
  } else if (AColumn < FApproximate.size()) {
    FApproximate[AColumn].erase(ARow);
  }
}

void TMemDataSet::InternalGotoBookmark(const TBookmarkStr& ABookmark) {
  std::int64_t pos = PosOf(DecodeBookmark(ABookmark));
  if (pos < 0)
    DatabaseError("Record not found: the bookmark names no record of the dataset");
  FCursor = pos;
}

void TMemDataSet::InternalPost(const TRecordSlot& ASlot, bool AInserting, const std::vector<Variant>& AValues,
                               const std::vector<bool>& AChanged) {
  std::size_t columns = FFieldDefs.size();
  std::vector<Variant> values(columns);
  // An update stores only the changed values: the others stay as they are, whatever their kind.
  for (std::size_t i = 0; i < columns; ++i)
    if (AInserting || AChanged[i])
      values[i] = ConvertCell(AValues[i], i);
  std::int64_t row;
  if (AInserting) {
    row = FRowTotal;
    for (Variant& v : values)
      PushCell(std::move(v));
    FRowTotal++;
    FNextColumn = 0;
    bool atEnd = ASlot.Flag == bfEOF || ASlot.Row < 0;
    // The row the new one goes before, by its visible position; -1 for the end.
    std::int64_t at = atEnd ? -1 : PosOf(ASlot.Row, ASlot.Pos);
    if (FFilteredView) {
      auto orderAt = atEnd ? FOrder.end() : std::find(FOrder.begin(), FOrder.end(), ASlot.Row);
      FOrder.insert(orderAt, row);
    }
    if (!FFilteredView || RecordAccepted(row)) {
      std::vector<std::int64_t>& view = View();
      if (at < 0)
        at = std::int64_t(view.size());
      view.insert(view.begin() + at, row);
      RowShown(row, at);
    }
  } else {
    row = ASlot.Row;
    std::int64_t before = PosOf(row, ASlot.Pos);
    for (std::size_t i = 0; i < columns; ++i)
      if (AChanged[i])
        StoreCell(row, i, std::move(values[i]));
    // A row the filter no longer accepts leaves the view; the cursor goes to the row that followed it.
    if (FFilteredView && before >= 0 && !RecordAccepted(row)) {
      FView.erase(FView.begin() + before);
      RowHidden(row, before);
      FCursor = before;
      return;
    }
  }
  std::int64_t pos = PosOf(row);
  if (pos >= 0)
    FCursor = pos;
  else if (AInserting)
    FCursor = std::min<std::int64_t>(FCursor, std::int64_t(View().size()));
}

void TMemDataSet::InternalDelete() {
  std::int64_t row = CursorRow();
  if (row < 0)
    DatabaseError("No current record to delete");
  std::int64_t pos = FCursor;
  if (FFilteredView) {
    FView.erase(FView.begin() + pos);
    FOrder.erase(std::find(FOrder.begin(), FOrder.end(), row));
  } else {
    FOrder.erase(FOrder.begin() + pos);
  }
  for (auto& rows : FApproximate)
    rows.erase(row);
  RowHidden(row, pos);
  FCursor = pos;
}

const TMemDataSet::TKeyIndex& TMemDataSet::KeyIndex(int AFieldNo) {
  auto found = FKeyIndexes.find(AFieldNo);
  if (found != FKeyIndexes.end())
    return found->second;
  TKeyIndex& index = FKeyIndexes[AFieldNo];
  std::vector<std::int64_t>& view = View();
  std::size_t column = std::size_t(AFieldNo - 1);
  index.Numbers.reserve(view.size());
  index.Next.assign(std::size_t(FRowTotal), -1);
  // From the last position to the first, so that each value ends at its first row and every row links to
  // the one of the same value after it.
  for (std::size_t pos = view.size(); pos-- > 0;) {
    const std::int32_t row = std::int32_t(view[pos]);
    auto link = [&](auto& AMap, const auto& AKey) {
      auto [it, added] = AMap.try_emplace(AKey, row);
      if (!added) {
        index.Next[std::size_t(row)] = it->second;
        it->second = row;
      }
    };
    if (VisitKey(index, Cell(row, column), link) == TKeyKind::Other) {
      index = TKeyIndex();
      index.Usable = false;
      break;
    }
  }
  return index;
}

void TMemDataSet::IndexRow(TKeyIndex& AIndex, std::int64_t ARow, const Variant& AValue) {
  if (!AIndex.Usable)
    return;
  if (AIndex.Next.size() < std::size_t(FRowTotal))
    AIndex.Next.resize(std::size_t(FRowTotal), -1);
  // After the rows of the same value that come before it in the visible order, before the others.
  auto link = [&](auto& AMap, const auto& AKey) {
    auto [it, added] = AMap.try_emplace(AKey, std::int32_t(ARow));
    if (added) {
      AIndex.Next[std::size_t(ARow)] = -1;
      return;
    }
    const std::int64_t pos = PosOf(ARow);
    std::int32_t prior = -1, next = it->second;
    while (next >= 0 && PosOf(next) < pos) {
      prior = next;
      next = AIndex.Next[std::size_t(next)];
    }
    AIndex.Next[std::size_t(ARow)] = next;
    (prior < 0 ? it->second : AIndex.Next[std::size_t(prior)]) = std::int32_t(ARow);
  };
  if (VisitKey(AIndex, AValue, link) == TKeyKind::Other) {
    AIndex = TKeyIndex();
    AIndex.Usable = false;
  }
}

void TMemDataSet::UnindexRow(TKeyIndex& AIndex, std::int64_t ARow, const Variant& AValue) {
  if (!AIndex.Usable)
    return;
  auto unlink = [&](auto& AMap, const auto& AKey) {
    auto it = AMap.find(AKey);
    if (it == AMap.end())
      return;
    std::int32_t prior = -1, at = it->second;
    while (at >= 0 && at != ARow) {
      prior = at;
      at = AIndex.Next[std::size_t(at)];
    }
    if (at < 0)
      return;
    const std::int32_t next = AIndex.Next[std::size_t(ARow)];
    if (prior >= 0)
      AIndex.Next[std::size_t(prior)] = next;
    else if (next >= 0)
      it->second = next;
    else
      AMap.erase(it);
    AIndex.Next[std::size_t(ARow)] = -1;
  };
  VisitKey(AIndex, AValue, unlink);
}

const TMemDataSet::TKeyIndex* TMemDataSet::IndexFor(const std::vector<TField*>& AFields,
                                                    const std::vector<Variant>& AValues,
                                                    TLocateOptions AOptions, std::int32_t& AFirst) {
  if (AFields.size() != 1 || !AOptions.Empty() || AFields[0]->FieldNo() <= 0)
    return nullptr;
  const Variant& key = AValues[0];
  bool number = VarTypeIsInteger(VarType(key)), text = VarType(key) == varString;
  if (!number && !text)
    return nullptr;
  const TKeyIndex& index = KeyIndex(AFields[0]->FieldNo());
  // A key of the other kind than the column's values may still match through conversion: scan then.
  if (!index.Usable || (number ? !index.Texts.empty() : !index.Numbers.empty()))
    return nullptr;
  if (number) {
    auto it = index.Numbers.find(key.RawInteger());
    AFirst = it == index.Numbers.end() ? -1 : it->second;
  } else {
    auto it = index.Texts.find(key.RawString());
    AFirst = it == index.Texts.end() ? -1 : it->second;
  }
  return &index;
}

std::int64_t TMemDataSet::FindRow(const std::vector<TField*>& AFields, const std::vector<Variant>& AValues,
                                  TLocateOptions AOptions) {
  std::int32_t first;
  if (IndexFor(AFields, AValues, AOptions, first))
    return first;
  for (std::int64_t row : View())
    if (RowMatches(row, AFields, AValues, AOptions))
      return row;
  return -1;
}

std::int64_t TMemDataSet::FindNextRow(std::int64_t ARow, const std::vector<TField*>& AFields,
                                      const std::vector<Variant>& AValues, TLocateOptions AOptions) {
  std::int64_t from = PosOf(ARow, FCursor);
  if (from < 0)
    return -1;
  std::vector<std::int64_t>& view = View();
  std::int32_t row;
  if (const TKeyIndex* index = IndexFor(AFields, AValues, AOptions, row)) {
    if (RowMatches(ARow, AFields, AValues, AOptions))
      row = index->Next[std::size_t(ARow)];
    else
      while (row >= 0 && PosOf(row) <= from)
        row = index->Next[std::size_t(row)];
    return row;
  }
  for (std::size_t p = std::size_t(from) + 1; p < view.size(); ++p)
    if (RowMatches(view[p], AFields, AValues, AOptions))
      return view[p];
  return -1;
}
