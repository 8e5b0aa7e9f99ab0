// Filters 1,000,000 stored records by five conditions through the criteria tree, and, in the same run, by a
// hand-written loop that reads the same stored values and tests them directly: the loop is the limit the
// criteria are measured against (target: within 3 times).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "data/cxDataStorage.h"
#include "data/cxFilter.h"
#include "data/cxVariants.h"

namespace {

constexpr int kRecords = 1000000;

struct Table {
  TcxDataStorage storage;
  TcxValueDef* name;
  TcxValueDef* age;
  TcxValueDef* price;
  TcxValueDef* city;
  TcxValueDef* active;

  Table() {
    name = storage.ValueDefs()->Add(TcxStringValueType::Instance(), true, false, nullptr);
    age = storage.ValueDefs()->Add(TcxIntegerValueType::Instance(), true, false, nullptr);
    price = storage.ValueDefs()->Add(TcxFloatValueType::Instance(), true, false, nullptr);
    city = storage.ValueDefs()->Add(TcxStringValueType::Instance(), true, false, nullptr);
    active = storage.ValueDefs()->Add(TcxBooleanValueType::Instance(), true, false, nullptr);
    const char* names[] = {"ali", "ayse", "mehmet", "zeynep", "ahmet", "elif", "murat", "aslan"};
    const char* cities[] = {"Rize", "Artvin", "Hopa", "Trabzon", "Istanbul", "Ardesen"};
    std::mt19937 random(12345);
    storage.SetRecordCount(kRecords);
    for (int i = 0; i < kRecords; ++i) {
      storage.SetValue(i, name, names[random() % 8]);
      if (random() % 20)
        storage.SetValue(i, age, int(random() % 90));
      storage.SetValue(i, price, double(random() % 10000) / 100.0);
      storage.SetValue(i, city, cities[random() % 6]);
      storage.SetValue(i, active, random() % 3 != 0);
    }
  }
};

Table& SharedTable() {
  static Table table;
  return table;
}

struct Field : TObject {
  explicit Field(TcxValueDef* ADef) : Def(ADef) {}
  TcxValueDef* Def;
};

class StorageItem : public TcxFilterCriteriaItem {
  PELVOR_CLASS(StorageItem, TcxFilterCriteriaItem)
public:
  using TcxFilterCriteriaItem::TcxFilterCriteriaItem;
  void GetDataValue(void* AData, Variant& AValue) override {
    AValue = SharedTable().storage.GetValue(int(reinterpret_cast<std::intptr_t>(AData)),
                                            static_cast<Field*>(ItemLink())->Def);
  }
};

class StorageCriteria : public TcxFilterCriteria {
  PELVOR_CLASS(StorageCriteria, TcxFilterCriteria)
public:
  TcxFilterCriteriaItemClass GetItemClass() override { return ClassOf<StorageItem>(); }
};

// Age between 20 and 60, name begins with "a", price above 10.5, city in (Rize, Artvin, Hopa), active.
void BM_FilterCriteria(benchmark::State& state) {
  Table& t = SharedTable();
  Field name(t.name), age(t.age), price(t.price), city(t.city), active(t.active);
  StorageCriteria criteria;
  criteria.AddItem(nullptr, &age, fokBetween, VarBetweenArrayCreate(20, 60), "20;60");
  criteria.AddItem(nullptr, &name, fokLike, "a%", "a%");
  criteria.AddItem(nullptr, &price, fokGreater, 10.5, "10,5");
  criteria.AddItem(nullptr, &city, fokInList, VarArrayOf({"Rize", "Artvin", "Hopa"}), "Rize;Artvin;Hopa");
  criteria.AddItem(nullptr, &active, fokEqual, true, "True");
  int matched = 0;
  for (auto _ : state) {
    matched = 0;
    for (std::intptr_t i = 0; i < kRecords; ++i)
      matched += criteria.IsDataMatched(reinterpret_cast<void*>(i));
    benchmark::DoNotOptimize(matched);
  }
  state.counters["matched"] = matched;
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_FilterCriteria)->Unit(benchmark::kMillisecond);

void BM_HandWrittenLoop(benchmark::State& state) {
  Table& t = SharedTable();
  int matched = 0;
  for (auto _ : state) {
    matched = 0;
    for (int i = 0; i < kRecords; ++i) {
      Variant age = t.storage.GetValue(i, t.age);
      if (VarIsNull(age) || age.RawInteger() < 20 || age.RawInteger() > 60)
        continue;
      Variant name = t.storage.GetValue(i, t.name);
      if (VarIsNull(name) || name.RawString().empty() || name.RawString()[0] != 'a')
        continue;
      Variant price = t.storage.GetValue(i, t.price);
      if (VarIsNull(price) || !(price.RawDouble() > 10.5))
        continue;
      Variant city = t.storage.GetValue(i, t.city);
      if (VarIsNull(city))
        continue;
      const AnsiString& c = city.RawString();
      if (c != "Rize" && c != "Artvin" && c != "Hopa")
        continue;
      Variant active = t.storage.GetValue(i, t.active);
      if (VarIsNull(active) || !active.RawInteger())
        continue;
      ++matched;
    }
    benchmark::DoNotOptimize(matched);
  }
  state.counters["matched"] = matched;
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_HandWrittenLoop)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
