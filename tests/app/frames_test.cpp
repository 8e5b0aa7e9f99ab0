// What the display gets of the dictionary's window: each key, click or tab switch reaches it as one frame,
// so the user never sees new lists beside old explanations.
#include "app/Session.h"
#include "app_fixture.h"

namespace {

class FramesTest : public MainWindowTest {
protected:
  int Presents(TMain* main) const {
    const auto* shown = backend->Window(main->Handle());
    return shown ? shown->presents : -1;
  }
};

TEST_F(FramesTest, EachKeyClickAndTabSwitchReachesTheDisplayAsOneFrame) {
  TMain* main = Open({"ev;oxori;isim;", "evet;ho;ünlem;", "el;xe;vücut;", "çocuk;bere;;", "ba;xe;bir;"});
  struct Step {
    std::string name;
    std::function<void()> act;
  };
  const Step steps[] = {
      {"a letter that completes", [] { TypeText("e"); }},
      {"a letter that narrows the lists", [] { TypeText("v"); }},
      {"Backspace",
       [&] {
         backend->PressKey(VK_BACK);
         Pump();
       }},
      {"the other direction's tab", [&] { ClickTab(main->DilSecimi, 1); }},
      {"back to the first tab", [&] { ClickTab(main->DilSecimi, 0); }},
      {"a click on a headword", [&] { ClickItem(main->ListSol, 1); }},
      {"Up in the list",
       [&] {
         backend->PressKey(VK_UP);
         Pump();
       }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const int before = Presents(main);
    step.act();
    Pump();
    EXPECT_EQ(Presents(main) - before, 1);
  }
  // The steps did reach the window.
  EXPECT_EQ(main->ListSol->ItemIndex(), 0);
  EXPECT_FALSE(Utf8Text(main->SolAciklama).empty());
}

} // namespace
