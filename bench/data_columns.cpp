// Columns added one at a time to a data controller that already holds its records, each column filled at
// once, as a reader of a wide table does: every new column moves every record buffer to the new layout.
// Reported beside the time: the bytes the record heap holds when done and at most on the way, the bytes the
// records' buffers take (records x record size), the process heap when done and the peak resident size.
//
// Target: the heap's peak <= 2x what it holds when done, plus a constant.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <memory>
#include <vector>

#include "data/cxCustomData.h"

namespace {

class Column : public TObject {
  PELVOR_CLASS(Column, TObject)
};

class Controller : public TcxDataController {
public:
  Controller() : TcxDataController(nullptr) {}
  TObject* GetItem(int AIndex) override { return Columns[std::size_t(AIndex)].get(); }
  std::vector<std::unique_ptr<Column>> Columns;
};

std::size_t ProcessHeapBytes() {
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void BM_AddColumnsOneByOne(benchmark::State& state) {
  const int records = int(state.range(0)), columns = int(state.range(1));
  std::size_t peak = 0, held = 0, recordBytes = 0, heapGrowth = 0;
  for (auto _ : state) {
    std::size_t heapBefore = ProcessHeapBytes();
    auto dc = std::make_unique<Controller>();
    dc->SetRecordCount(records);
    TcxDataStorage& storage = dc->DataStorage();
    storage.ResetPeakHeldBytes();
    for (int c = 0; c < columns; ++c) {
      dc->Columns.push_back(std::make_unique<Column>());
      dc->AddItem(dc->Columns.back().get());
      dc->SetItemValueTypeClass(c, TcxIntegerValueType::Instance());
      TcxValueDef* def = dc->GetItemField(c)->ValueDef();
      for (int r = 0; r < records; ++r)
        storage.SetValue(r, def, r + c);
    }
    peak = storage.PeakHeldBytes();
    held = storage.HeldBytes();
    recordBytes = std::size_t(records) * std::size_t(storage.ValueDefs()->RecordSize());
    heapGrowth = ProcessHeapBytes() - heapBefore;
    state.PauseTiming();
    dc.reset();
    state.ResumeTiming();
  }
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_held_MB"] = double(peak) / 1e6;
  state.counters["held_MB"] = double(held) / 1e6;
  state.counters["record_MB"] = double(recordBytes) / 1e6;
  state.counters["peak_per_held"] = held ? double(peak) / double(held) : 0;
  state.counters["process_heap_MB"] = double(heapGrowth) / 1e6;
  state.counters["max_rss_MB"] = double(usage.ru_maxrss) / 1e3;
}

BENCHMARK(BM_AddColumnsOneByOne)
    ->Args({1000, 1000})
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
