// The summary's items as collections: streaming them out and back, copying them, and what their changes tell
// the controller.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/classes/ComponentStream.h"
#include "platform/classes/UnitList.h"
#include "tests/data/custom_data_test_util.h"
#include "tests/data/stream_test_util.h"

namespace {

// A component whose one published property is a controller's summary.
class SummaryHolder : public TComponent {
  PELVOR_CLASS(SummaryHolder, TComponent)
public:
  SummaryHolder() : TComponent(nullptr) {}
  TestController Controller{3};
};

struct StreamUnits {
  StreamUnits() {
    TPropInfo summary{"Summary", TPropType::Class};
    summary.GetObject = [](TPersistent* p) -> TPersistent* {
      return &static_cast<SummaryHolder*>(p)->Controller.Summary();
    };
    RegisterPublishedProperties(ClassOf<SummaryHolder>(), {summary});
    Units.Initialize();
  }
  ~StreamUnits() { UnregisterPublishedProperties(ClassOf<SummaryHolder>()); }
  TUnitList Units{{cxCustomDataUnit}};
};

TcxDataGroupSummaryItems& GroupItems(TcxDataSummary& ASummary) {
  return static_cast<TcxDataGroupSummaryItems&>(ASummary.DefaultGroupSummaryItems());
}

std::vector<unsigned char> Save(SummaryHolder& AHolder) {
  TMemoryStream stream;
  WriteComponent(&stream, &AHolder);
  return StreamBytes(stream);
}

void Load(SummaryHolder& AHolder, const std::vector<unsigned char>& ABytes) {
  TMemoryStream stream;
  LoadBytes(stream, ABytes);
  ReadComponent(&stream, &AHolder);
}

// Footer and group items of every published property, texts that differ from their defaults (one of them
// empty), and a summary group with a link and items of its own.
void FillSummary(TestController& ADc) {
  TcxDataSummary& summary = ADc.Summary();
  TcxDataSummaryItem* sum = summary.FooterSummaryItems().Add();
  sum->SetField(ADc.GetItemField(1));
  sum->SetKind(skSum);
  sum->SetFormat("S=0");
  TcxDataSummaryItem* count = summary.FooterSummaryItems().Add();
  count->SetKind(skCount);
  count->SetPosition(spFooter); // stored, but a footer's items are at the footer whatever they store
  TcxDataSummaryItem* average = summary.DefaultGroupSummaryItems().Add();
  average->SetField(ADc.GetItemField(2));
  average->SetKind(skAverage);
  average->SetPosition(spFooter);
  GroupItems(summary).SetBeginText("[");
  GroupItems(summary).SetSeparator("");
  TcxDataSummaryGroup* group = summary.AddSummaryGroup();
  group->AddLink(ADc.Items[0].get());
  group->SummaryItems().Add()->SetKind(skMax);
  group->SummaryItems().SetEndText("}");
  summary.SetOptions(TcxSummaryOptions{soNullIgnore});
}

TEST(SummaryCollections, StreamOutAndBackGivesTheSameSummary) {
  StreamUnits units;
  SummaryHolder source;
  FillSummary(source.Controller);
  std::vector<unsigned char> saved = Save(source);

  SummaryHolder loaded;
  loaded.Controller.Summary().FooterSummaryItems().Add()->SetKind(skMin); // replaced by the stream
  Load(loaded, saved);
  TcxDataSummary& summary = loaded.Controller.Summary();
  ASSERT_EQ(summary.FooterSummaryItems().Count(), 2);
  EXPECT_EQ(summary.FooterSummaryItems().Items(0)->Kind(), skSum);
  EXPECT_EQ(summary.FooterSummaryItems().Items(0)->Format(), "S=0");
  EXPECT_EQ(summary.FooterSummaryItems().Items(1)->Kind(), skCount);
  EXPECT_EQ(summary.FooterSummaryItems().Items(1)->Position(), spFooter);
  ASSERT_EQ(summary.DefaultGroupSummaryItems().Count(), 1);
  EXPECT_EQ(summary.DefaultGroupSummaryItems().Items(0)->Kind(), skAverage);
  EXPECT_EQ(summary.DefaultGroupSummaryItems().Items(0)->Position(), spFooter);
  EXPECT_EQ(GroupItems(summary).BeginText(), "[");
  EXPECT_EQ(GroupItems(summary).EndText(), ")");
  EXPECT_EQ(GroupItems(summary).Separator(), "");
  ASSERT_EQ(summary.SummaryGroupCount(), 1);
  EXPECT_EQ(summary.SummaryGroups(0)->LinkCount(), 1);
  ASSERT_EQ(summary.SummaryGroups(0)->SummaryItems().Count(), 1);
  EXPECT_EQ(summary.SummaryGroups(0)->SummaryItems().Items(0)->Kind(), skMax);
  EXPECT_EQ(summary.SummaryGroups(0)->SummaryItems().EndText(), "}");
  EXPECT_EQ(summary.SummaryGroups(0)->SummaryItems().SummaryGroup(), summary.SummaryGroups(0));
  EXPECT_TRUE(summary.Options().Contains(soNullIgnore));
  EXPECT_EQ(Save(loaded), saved);

  // A stream without the collections leaves them as they were.
  SummaryHolder blank;
  std::vector<unsigned char> empty = Save(blank);
  Load(loaded, empty);
  EXPECT_EQ(Save(loaded), saved);
}

TEST(SummaryCollections, DamagedStreamsRaiseAndLeaveAWorkingSummary) {
  StreamUnits units;
  SummaryHolder source;
  FillSummary(source.Controller);
  std::vector<unsigned char> saved = Save(source);
  for (std::size_t cut : {saved.size() - 1, saved.size() / 2, saved.size() / 3}) {
    SummaryHolder target;
    target.Controller.Fill({{1, 2, 3}, {1, 4, 5}});
    std::vector<unsigned char> bytes(saved.begin(), saved.begin() + std::ptrdiff_t(cut));
    EXPECT_THROW(Load(target, bytes), EReadError) << "cut at " << cut;
    // Whatever was read is a consistent summary the controller can still compute.
    target.Controller.ChangeGroupIndex(0, 0);
    target.Controller.Summary().Calculate();
    EXPECT_EQ(target.Controller.View().Groups().Count(), 1);
  }
}

// Copies resolve item links against their own controller, and bring the handlers and texts along.
TEST(SummaryCollections, AssignCopiesItemsLinksEventsAndTexts) {
  IdController source(3), target(3);
  FillSummary(source);
  struct Hook : TObject {
    void Summary(TcxDataSummaryItems*, const TcxSummaryEventArguments&, TcxSummaryEventOutArguments&) {}
  } hook;
  source.Summary().FooterSummaryItems().OnSummary =
      TEvent<void(TcxDataSummaryItems*, const TcxSummaryEventArguments&, TcxSummaryEventOutArguments&)>(
          &hook, &Hook::Summary);
  target.Summary().FooterSummaryItems().Assign(&source.Summary().FooterSummaryItems());
  ASSERT_EQ(target.Summary().FooterSummaryItems().Count(), 2);
  EXPECT_EQ(target.Summary().FooterSummaryItems().Items(0)->Field(), target.GetItemField(1));
  EXPECT_EQ(target.Summary().FooterSummaryItems().Items(0)->Format(), "S=0");
  EXPECT_EQ(target.Summary().FooterSummaryItems().Items(1)->StoredPosition(), spFooter);
  EXPECT_TRUE(bool(target.Summary().FooterSummaryItems().OnSummary));

  GroupItems(target.Summary()).Assign(&source.Summary().DefaultGroupSummaryItems());
  EXPECT_EQ(GroupItems(target.Summary()).BeginText(), "[");
  EXPECT_EQ(GroupItems(target.Summary()).Items(0)->Field(), target.GetItemField(2));

  TcxDataSummaryGroup* group = target.Summary().AddSummaryGroup();
  group->Assign(source.Summary().SummaryGroups(0));
  EXPECT_TRUE(group->HasLink(target.Items[0].get()));
  EXPECT_FALSE(group->HasLink(source.Items[0].get()));
  EXPECT_EQ(group->SummaryItems().EndText(), "}");
  // A second group taking the same item takes it from the first.
  TcxDataSummaryGroup* second = target.Summary().AddSummaryGroup();
  second->Assign(group);
  EXPECT_FALSE(group->HasLink(target.Items[0].get()));
  EXPECT_TRUE(second->HasLink(target.Items[0].get()));
  EXPECT_EQ(target.Summary().FindGroupByItemLink(target.Items[0].get()), second);
}

class LayoutCounter : public TestController {
public:
  using TestController::TestController;
  void LayoutChanged(TcxDataControllerChanges AChanges) override {
    ++Layouts;
    TestController::LayoutChanged(AChanges);
  }
  int Layouts = 0;
};

// A changed item re-lays the view out; a changed collection only recalculates.
TEST(SummaryCollections, ItemChangesAreStructuralCollectionChangesAreNot) {
  LayoutCounter dc(2);
  dc.Fill({{1, 10}, {2, 20}});
  TcxDataSummaryItems& footer = dc.Summary().FooterSummaryItems();
  struct Step {
    const char* What;
    std::function<void()> Do;
    bool Structural;
    int Sum;
  } steps[] = {
      {"add", [&] { footer.Add(); }, false, 0},
      {"field", [&] { footer.Items(0)->SetField(dc.GetItemField(1)); }, true, 0},
      {"kind", [&] { footer.Items(0)->SetKind(skSum); }, true, 30},
      {"format", [&] { footer.Items(0)->SetFormat("0"); }, false, 30},
      {"delete", [&] { footer.Delete(0); }, false, -1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.What);
    dc.Layouts = 0;
    step.Do();
    EXPECT_EQ(dc.Layouts > 0, step.Structural);
    const Variant& values = dc.Summary().FooterSummaryValues();
    if (step.Sum > 0) {
      EXPECT_EQ(values[0].AsInteger(), step.Sum);
    } else if (step.Sum < 0) {
      EXPECT_TRUE(values.IsNull());
    }
  }
}

} // namespace
