#pragma once
// A criteria over plain records (a vector of values per record) whose items are the record's columns.
#include <memory>
#include <vector>

#include "data/cxFilter.h"

struct TestColumn : TObject {
  TestColumn(int AIndex, int AID, AnsiString AName, AnsiString ACaption)
      : Index(AIndex), ID(AID), Name(std::move(AName)), Caption(std::move(ACaption)) {}
  int Index, ID;
  AnsiString Name, Caption;
};

using TestRecord = std::vector<Variant>;

class TestFilterItem : public TcxFilterCriteriaItem {
  PELVOR_CLASS(TestFilterItem, TcxFilterCriteriaItem)
public:
  using TcxFilterCriteriaItem::TcxFilterCriteriaItem;
  void GetDataValue(void* AData, Variant& AValue) override {
    AValue = (*static_cast<TestRecord*>(AData))[std::size_t(Column()->Index)];
  }
  AnsiString GetFieldCaption() override { return Column() ? Column()->Caption : AnsiString(); }
  AnsiString GetFieldName() override { return Column() ? Column()->Name : AnsiString(); }
  TestColumn* Column() { return static_cast<TestColumn*>(ItemLink()); }
};

class TestFilterCriteria : public TcxFilterCriteria {
  PELVOR_CLASS(TestFilterCriteria, TcxFilterCriteria)
public:
  TestFilterCriteria() {
    const char* names[] = {"Name", "Age", "Born", "Price", "Order Date"};
    const char* captions[] = {"Ad", "Yas", "Dogum", "Fiyat", "Siparis"};
    for (int i = 0; i < 5; ++i)
      Columns.push_back(std::make_unique<TestColumn>(i, 10 + i, names[i], captions[i]));
    OnChanged = TNotifyEvent(this, &TestFilterCriteria::CountChange);
  }
  TcxFilterCriteriaItemClass GetItemClass() override { return ClassOf<TestFilterItem>(); }
  int GetIDByItemLink(TcxItemLink AItemLink) override {
    return AItemLink ? static_cast<TestColumn*>(AItemLink)->ID : -1;
  }
  TcxItemLink GetItemLinkByID(int AID) override {
    for (auto& c : Columns)
      if (c->ID == AID)
        return c.get();
    return nullptr;
  }
  TestColumn* Col(int i) { return Columns[std::size_t(i)].get(); }
  void CountChange(TObject* Sender) {
    (void)Sender;
    ++ChangeCount;
  }

  std::vector<std::unique_ptr<TestColumn>> Columns;
  int ChangeCount = 0;
};
