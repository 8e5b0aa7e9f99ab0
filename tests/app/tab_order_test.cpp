// Tab and Shift+Tab through the main window: every control that takes part, the read-only memos included,
// hands the focus on, and the order wraps around.
#include "app_fixture.h"

namespace {

class TabOrderTest : public MainWindowTest {
protected:
  std::string FocusedName(TMain* main) {
    for (TWinControl* control : Controls(main))
      if (control->Focused())
        return control->Name();
    return "?";
  }
  static std::vector<TWinControl*> Controls(TMain* main) {
    return {main->Arama, main->DilSecimi, main->ListSol, main->ListSag, main->SolAciklama, main->SagAciklama};
  }
  void Tab(bool backwards) {
    if (backwards)
      backend->KeyDown(VK_SHIFT);
    backend->PressKey(VK_TAB);
    if (backwards)
      backend->KeyUp(VK_SHIFT);
    Pump();
  }
};

TEST_F(TabOrderTest, TabVisitsEveryControlInOrderAndShiftTabGoesBack) {
  TMain* main = Open({"ev;oxori;isim;"});
  ASSERT_EQ(FocusedName(main), "Arama");
  const std::vector<std::string> forward = {"ListSol", "ListSag", "SolAciklama", "SagAciklama", "Arama"};
  std::vector<std::string> seen;
  for (std::size_t i = 0; i < forward.size(); ++i) {
    Tab(false);
    seen.push_back(FocusedName(main));
  }
  EXPECT_EQ(seen, forward);
  const std::vector<std::string> backward = {"SagAciklama", "SolAciklama", "ListSag", "ListSol", "Arama"};
  seen.clear();
  for (std::size_t i = 0; i < backward.size(); ++i) {
    Tab(true);
    seen.push_back(FocusedName(main));
  }
  EXPECT_EQ(seen, backward);
}

} // namespace
