#pragma once
// The owner every dataset-controller test starts from: a controller with plain items of its own.
#include <memory>
#include <vector>

#include "data/cxDBData.h"

namespace dbtest {

class Column : public TObject {
  PELVOR_CLASS(Column, TObject)
};

class ItemsController : public TcxDBDataController {
public:
  explicit ItemsController(int AItems) : TcxDBDataController(nullptr) {
    for (int i = 0; i < AItems; ++i) {
      Items.push_back(std::make_unique<Column>());
      AddItem(Items.back().get());
    }
  }
  TObject* GetItem(int AIndex) override { return Items.at(std::size_t(AIndex)).get(); }
  TcxDBDataField* DataField(int AItemIndex) {
    return static_cast<TcxDBDataField*>(TcxCustomDataController::GetItemField(AItemIndex));
  }
  std::vector<std::unique_ptr<Column>> Items;
};

} // namespace dbtest
