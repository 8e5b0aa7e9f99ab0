#pragma once
// An owner of an unbound data controller for tests: integer items, a fill helper, the update infos it got.
#include <memory>
#include <string>
#include <vector>

#include "data/cxCustomData.h"

class Item : public TObject {
  PELVOR_CLASS(Item, TObject)
};

// An owner with its own items, recording the update infos it is handed.
class TestController : public TcxDataController {
public:
  explicit TestController(int AItemCount, TObject* AOwner = nullptr) : TcxDataController(AOwner) {
    for (int i = 0; i < AItemCount; ++i) {
      Items.push_back(std::make_unique<Item>());
      AddItem(Items.back().get());
      SetItemValueTypeClass(i, TcxIntegerValueType::Instance());
    }
  }
  TObject* GetItem(int AIndex) override { return Items.at(std::size_t(AIndex)).get(); }
  void DoUpdateEvent(TcxUpdateControlInfo* AInfo) override {
    Infos.push_back(std::string(AInfo->ClassName()));
  }
  void FieldChanged(TcxCustomDataField* AField) override {
    (void)AField;
    if (ResetFieldsOnChange)
      for (int i = 0; i < Fields().Count(); ++i)
        Fields().Items(i)->Prepared = false, Fields().Restart = true;
  }
  void Fill(const std::vector<std::vector<Variant>>& ARows) {
    TUpdateBlock<TcxCustomDataController> update(*this);
    SetRecordCount(int(ARows.size()));
    for (std::size_t r = 0; r < ARows.size(); ++r)
      for (std::size_t c = 0; c < ARows[r].size(); ++c)
        SetValue(int(r), int(c), ARows[r][c]);
  }
  std::vector<int> RowRecords() {
    std::vector<int> records;
    for (int r = 0; r < GetRowCount(); ++r)
      records.push_back(GetRowInfo(r).RecordIndex);
    return records;
  }
  std::vector<std::unique_ptr<Item>> Items;
  std::vector<std::string> Infos;
  bool ResetFieldsOnChange = false;
};

// Item IDs are positions, so criteria, summaries and links travel between two controllers over equal items.
class IdController : public TestController {
public:
  using TestController::TestController;
  int GetItemID(TObject* AItem) override {
    for (int i = 0; i < GetItemCount(); ++i)
      if (GetItem(i) == AItem)
        return i;
    return -1;
  }
};
