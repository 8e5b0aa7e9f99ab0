// The editors' text layout against the platform's DrawText on the same wrapped text, the date masks
// checking a typed date-time text, and the styled list box filled beside the bare platform list box.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "editors/core/cxEditUtils.h"
#include "editors/core/cxFormats.h"
#include "editors/core/cxListBox.h"
#include "editors/dropdown/cxRegExpr.h"
#include "editors/dropdown/cxStandardMask.h"
#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/controls/Forms.h"
#include "platform/controls/ListBoxes.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Win.h"

namespace {

std::string LongText() {
  const std::string words[] = {"dictionary", "headword", "translation", "Laz",         "completion", "of",
                               "the",        "typed",    "prefix",      "explanation", "row",        "and"};
  std::string text;
  for (std::size_t i = 0; text.size() < 10000; ++i)
    text += words[i % std::size(words)] + (i % 17 == 16 ? ".\r\n" : " ");
  text.resize(10000);
  return text;
}

class Target {
public:
  Target() : dc_(CreateCompatibleDC(nullptr)), bitmap_(CreateBitmap(400, 2400, 1, 32, nullptr)) {
    SelectObject(dc_, bitmap_);
    font_ = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    SelectObject(dc_, font_);
    SetBkMode(dc_, TRANSPARENT);
    GetDCSurface(dc_)->Fill(0xFFFFFF);
    cxEditUtilsInitialize();
  }
  ~Target() {
    cxEditUtilsFinalize();
    DeleteDC(dc_);
    DeleteObject(bitmap_);
    DeleteObject(font_);
  }
  HDC dc() const { return dc_; }

private:
  HDC dc_;
  HBITMAP bitmap_;
  HFONT font_;
};

const std::string text = LongText();

void BM_LayoutWrappedText(benchmark::State& state) {
  Target t;
  for (auto _ : state) {
    TRect r{0, 0, 400, 2400};
    benchmark::DoNotOptimize(TextOutLayout(t.dc(), text.c_str(), r, CXTO_WORDBREAK));
  }
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_LayoutWrappedText)->Unit(benchmark::kMicrosecond);

void BM_DrawTextWrappedText(benchmark::State& state) {
  Target t;
  for (auto _ : state) {
    RECT r{0, 0, 400, 2400};
    benchmark::DoNotOptimize(DrawTextA(t.dc(), text.data(), int(text.size()), &r, DT_WORDBREAK));
  }
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_DrawTextWrappedText)->Unit(benchmark::kMicrosecond);

struct Masks {
  TcxRegExpr dateTime;
  TcxStandardMask standard;
  Masks() {
    ResetFormatSettings();
    dateTime.Compile(GetFormatController()->RegExprDateTimeEditMask());
    standard.Compile(GetFormatController()->StandardDateTimeEditMask(), FormatSettings.DateSeparator,
                     FormatSettings.TimeSeparator);
  }
};

// Typed character by character, as the masked edit checks each key, ending in acceptance or refusal.
void BM_RegExprMaskTypedDateTime(benchmark::State& state, const char* typed) {
  Masks m;
  for (auto _ : state) {
    int s = m.dateTime.StartState();
    for (const char* p = typed; *p && s != TcxRegExpr::NoState; ++p)
      s = m.dateTime.Next(s, *p);
    benchmark::DoNotOptimize(m.dateTime.IsFinal(s));
  }
}
BENCHMARK_CAPTURE(BM_RegExprMaskTypedDateTime, accepted, "14.\xDEub.2024 10:30:00");
BENCHMARK_CAPTURE(BM_RegExprMaskTypedDateTime, refused, "14.02.2024 10:60:00");

void BM_RegExprMaskWholeText(benchmark::State& state) {
  Masks m;
  const std::string typed = "14.02.2024 10:30:00";
  for (auto _ : state)
    benchmark::DoNotOptimize(m.dateTime.IsMatch(typed));
}
BENCHMARK(BM_RegExprMaskWholeText);

void BM_StandardMaskDateTime(benchmark::State& state) {
  Masks m;
  const std::string typed = "14.02.2024 10:30:00";
  for (auto _ : state)
    benchmark::DoNotOptimize(m.standard.IsMatch(typed));
}
BENCHMARK(BM_StandardMaskDateTime);

void BM_CompileDateTimeMask(benchmark::State& state) {
  ResetFormatSettings();
  const AnsiString mask = GetFormatController()->RegExprDateTimeEditMask();
  for (auto _ : state) {
    TcxRegExpr r;
    r.Compile(mask);
    benchmark::DoNotOptimize(r.StateCount());
  }
}
BENCHMARK(BM_CompileDateTimeMask)->Unit(benchmark::kMicrosecond);

// A shown form on the headless display with the look-and-feel units started.
class ListHost {
public:
  ListHost() {
    platform::ResetWindowManager();
    backend_ = std::make_unique<platform::HeadlessBackend>();
    dxUxThemeInitialize();
    dxThemeManagerInitialize();
    dxOffice11Initialize();
    cxLookAndFeelPaintersInitialize();
    cxLookAndFeelsInitialize();
    cxControlsInitialize();
    cxEditUtilsInitialize();
    cxContainerInitialize();
    Application()->CreateForm(form_);
    form_->SetBounds(0, 0, 400, 400);
    form_->Show();
    Application()->ProcessMessages();
  }
  ~ListHost() {
    DoneApplication();
    cxContainerFinalize();
    cxEditUtilsFinalize();
    cxControlsFinalize();
    cxLookAndFeelsFinalize();
    cxLookAndFeelPaintersFinalize();
    dxOffice11Finalize();
    dxThemeManagerFinalize();
    dxUxThemeFinalize();
    platform::ResetWindowManager();
  }
  TForm* form() const { return form_; }

private:
  std::unique_ptr<platform::HeadlessBackend> backend_;
  TForm* form_ = nullptr;
};

const std::vector<AnsiString>& SortedItems() {
  static const std::vector<AnsiString> items = [] {
    std::vector<AnsiString> v;
    v.reserve(1000000);
    for (int i = 0; i < 1000000; ++i) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "w%07d", i);
      v.emplace_back(buf);
    }
    return v;
  }();
  return items;
}

template <class List> List* NewList(TForm* form) {
  auto* list = new List(form);
  list->SetSorted(true);
  list->SetBounds(10, 10, 200, 300);
  list->SetParent(form);
  return list;
}

// The main window's way: one ordered batch.
template <class List> void BM_FillSortedBatch(benchmark::State& state) {
  ListHost host;
  for (auto _ : state) {
    state.PauseTiming();
    List* list = NewList<List>(host.form());
    std::vector<AnsiString> items = SortedItems();
    state.ResumeTiming();
    list->AppendOrdered(items);
    UpdateWindow(host.form()->Handle());
    state.PauseTiming();
    delete list;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FillSortedBatch<TListBox>)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FillSortedBatch<TcxListBox>)->Unit(benchmark::kMillisecond)->Iterations(3);

// Item by item inside one update, each placed by the list's own ordering.
template <class List> void BM_FillSortedAdds(benchmark::State& state) {
  ListHost host;
  for (auto _ : state) {
    state.PauseTiming();
    List* list = NewList<List>(host.form());
    const std::vector<AnsiString>& items = SortedItems();
    state.ResumeTiming();
    list->Items()->BeginUpdate();
    for (const AnsiString& item : items)
      list->Items()->Add(item);
    list->Items()->EndUpdate();
    UpdateWindow(host.form()->Handle());
    state.PauseTiming();
    delete list;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FillSortedAdds<TListBox>)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FillSortedAdds<TcxListBox>)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
