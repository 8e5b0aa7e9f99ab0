#pragma once
// The in-memory dataset: rows of values kept in the dataset itself, with bookmarks that stay valid while the
// rows around them are inserted and deleted. Opening, moving and locating by one key field stay cheap for a
// million rows: rows live in one array, the cursor is an index into the visible order, and a key locate
// builds a hash index once and keeps it up to date through posts and deletes.
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "platform/db/DBDataSet.h"

struct TFieldDef {
  AnsiString Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  bool Required = false;
};

class TMemDataSet : public TDataSet {
  PELVOR_CLASS(TMemDataSet, TDataSet)
public:
  explicit TMemDataSet(TComponent* AOwner) : TDataSet(AOwner) {}
  ~TMemDataSet() override;

  // The columns; they change only while the dataset is closed and holds no rows.
  void AddFieldDef(const AnsiString& AName, TFieldType AType, int ASize = 0, bool ARequired = false);
  void ClearFieldDefs();
  int FieldDefCount() const { return int(FFieldDefs.size()); }
  const TFieldDef& FieldDefs(int AIndex) const { return FFieldDefs.at(std::size_t(AIndex)); }

  // Loads a row while the dataset is closed, without events: one value per column, converted to the
  // column's type; a text that does not convert is kept as it is, any other such value raises
  // EDatabaseError. A conversion that loses part of the value (a character the code page lacks, a number
  // the column's type holds only nearly) keeps the nearest value and marks it approximate.
  void AddRow(std::vector<Variant> AValues);
  void Reserve(std::size_t ARows) { FChunks.reserve(ARows / kChunkRows + 1); }
  // Drops every row; the dataset must be closed.
  void ClearRows();
  // Every row, also those the filter hides.
  std::size_t RowCount() const { return FOrder.size(); }

  int RecordCount() override;
  int RecNo() override;
  void SetRecNo(int AValue) override;
  bool IsSequenced() override { return true; }
  bool BookmarkValid(const TBookmarkStr& ABookmark) override;
  int CompareBookmarks(const TBookmarkStr& A, const TBookmarkStr& B) override;
  bool ReadApproximately(TField* AField, const TBookmarkStr& ABookmark) override;
  bool HoldsApproximateValues(TField* AField) override;

protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalFirst() override { FCursor = -1; }
  void InternalLast() override { FCursor = std::int64_t(View().size()); }
  TGetResult GetRecord(TRecordSlot& ASlot, TGetMode AMode) override;
  void InternalSetToRecord(const TRecordSlot& ASlot) override;
  Variant GetRowValue(std::int64_t ARow, int AFieldNo) override {
    return Cell(ARow, std::size_t(AFieldNo - 1));
  }
  const Variant* RowValueRef(std::int64_t ARow, int AFieldNo) const override {
    return &Cell(ARow, std::size_t(AFieldNo - 1));
  }
  bool RowValueApproximate(std::int64_t ARow, int AFieldNo) const override {
    const std::size_t column = std::size_t(AFieldNo - 1);
    return column < FApproximate.size() && FApproximate[column].count(ARow) != 0;
  }
  TBookmarkStr GetRowBookmark(std::int64_t ARow) override;
  void InternalGotoBookmark(const TBookmarkStr& ABookmark) override;
  void InternalPost(const TRecordSlot& ASlot, bool AInserting, const std::vector<Variant>& AValues,
                    const std::vector<bool>& AChanged) override;
  void InternalDelete() override;
  std::int64_t FindRow(const std::vector<TField*>& AFields, const std::vector<Variant>& AValues,
                       TLocateOptions AOptions) override;
  std::int64_t FindNextRow(std::int64_t ARow, const std::vector<TField*>& AFields,
                           const std::vector<Variant>& AValues, TLocateOptions AOptions) override;
  void FilterChanged() override;
  int ColumnCount() override { return int(FFieldDefs.size()); }
  bool HoldsRecords() const override { return true; }

  // The row the cursor is on, -1 on a crack.
  std::int64_t CursorRow();
  // Converts AValue to the type of column AColumn (from 0).
  Variant ConvertCell(const Variant& AValue, std::size_t AColumn) const;
  // Replaces a stored value; AApproximate marks it as only the nearest value to what the source holds.
  void StoreCell(std::int64_t ARow, std::size_t AColumn, Variant AValue, bool AApproximate = false);
  // Loading rows of an open dataset (a query that runs again): ResetRows drops them all, PushCell adds the
  // next cell, in row-major order, and EndRow closes a row. Values must already have the column's type.
  void ResetRows();
  void PushCell(Variant AValue) {
    if (FNextColumn == 0 && FRowTotal % kChunkRows == 0)
      FChunks.push_back(std::make_unique<Variant[]>(kChunkRows * FFieldDefs.size()));
    Cell(FRowTotal, FNextColumn++) = std::move(AValue);
  }
  // The cell just pushed stands for its source's value only approximately.
  void MarkLastCellApproximate() { SetApproximate(FRowTotal, FNextColumn - 1, true); }
  // Marks the value of column AColumn (from 0) in row ARow as read only approximately, or as exact.
  void SetApproximate(std::int64_t ARow, std::size_t AColumn, bool AApproximate);
  void EndRow() {
    FOrder.push_back(FRowTotal++);
    FNextColumn = 0;
  }
  // Every row and the cursor, taken out so that a reload that fails can put them back.
  struct TSavedRows {
    std::vector<std::unique_ptr<Variant[]>> Chunks;
    std::vector<std::int64_t> Order, View;
    std::int64_t RowTotal = 0, Cursor = -1;
    bool FilteredView = false;
    std::uint32_t Generation = 0;
    std::vector<std::unordered_set<std::int64_t>> Approximate;
  };
  TSavedRows TakeRows();
  void RestoreRows(TSavedRows&& ARows);
  // Moves the cursor to the visible row ARow; false when it is not visible.
  bool SetCursorToRow(std::int64_t ARow);

private:
  // The visible rows by one column's values: the first row of each value in the visible order, and from each
  // row the next visible one of the same value (-1 after the last). Rows without a value (Null) are left
  // out; a value of another kind than an integer or a text makes the index unusable.
  struct TKeyIndex {
    std::unordered_map<std::int64_t, std::int32_t> Numbers;
    std::unordered_map<AnsiString, std::int32_t> Texts;
    std::vector<std::int32_t> Next; // by row
    bool Usable = true;
  };
  std::vector<std::int64_t>& View() { return FFilteredView ? FView : FOrder; }
  // The position of ARow in the visible order, -1 when the row is not visible; AHint is tried first.
  std::int64_t PosOf(std::int64_t ARow, std::int64_t AHint = -1);
  // Every row changed at once: the position map and the key indexes are built again when next needed.
  void RowsChanged();
  // Row ARow came into the visible order at APos, or left it from there: the position map and the key
  // indexes follow, without a pass over the rows before it.
  void RowShown(std::int64_t ARow, std::int64_t APos);
  void RowHidden(std::int64_t ARow, std::int64_t APos);
  std::int64_t DecodeBookmark(const TBookmarkStr& ABookmark) const;
  const TKeyIndex& KeyIndex(int AFieldNo);
  // Links ARow into AIndex under AValue at its place in the visible order, or unlinks it.
  void IndexRow(TKeyIndex& AIndex, std::int64_t ARow, const Variant& AValue);
  void UnindexRow(TKeyIndex& AIndex, std::int64_t ARow, const Variant& AValue);
  // The index that answers a locate of AValues in AFields with AOptions, or nullptr where rows must be
  // compared one by one; AFirst is then the first row of the value, -1 when none has it.
  const TKeyIndex* IndexFor(const std::vector<TField*>& AFields, const std::vector<Variant>& AValues,
                            TLocateOptions AOptions, std::int32_t& AFirst);

  std::vector<TFieldDef> FFieldDefs;
  // Rows live in chunks of kChunkRows rows, row-major within a chunk, so that loading never moves cells.
  static constexpr std::size_t kChunkRows = 4096;
  Variant& Cell(std::int64_t ARow, std::size_t AColumn) {
    return FChunks[std::size_t(ARow) / kChunkRows]
                  [(std::size_t(ARow) % kChunkRows) * FFieldDefs.size() + AColumn];
  }
  const Variant& Cell(std::int64_t ARow, std::size_t AColumn) const {
    return FChunks[std::size_t(ARow) / kChunkRows]
                  [(std::size_t(ARow) % kChunkRows) * FFieldDefs.size() + AColumn];
  }
  std::vector<std::unique_ptr<Variant[]>> FChunks;
  std::int64_t FRowTotal = 0;    // rows stored, deleted ones included: the next row's handle
  std::uint32_t FGeneration = 0; // counts reloads of every row, so that old bookmarks cannot name new rows
  std::size_t FNextColumn = 0;
  std::vector<std::int64_t> FOrder; // every live row in the dataset's order
  std::vector<std::int64_t> FView;  // the rows that pass the filter, in order, while filtered
  bool FFilteredView = false;
  std::int64_t FCursor = -1;           // a position in View(); -1 and View().size() are the cracks
  std::vector<std::int32_t> FPosOfRow; // by row: position in View(), -1 when hidden or deleted
  bool FPosValid = false;
  std::unordered_map<int, TKeyIndex> FKeyIndexes; // by field number, built on demand over View()
  // By column, the rows whose value was read only approximately; empty while every value is exact.
  std::vector<std::unordered_set<std::int64_t>> FApproximate;
};
