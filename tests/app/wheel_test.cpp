// The mouse wheel as a desktop gives it: it scrolls what the pointer is over, and the keyboard focus stays
// where the user left it.
#include <functional>
#include <string>

#include "app/Session.h"
#include "app_fixture.h"
#include "platform/win/Edit.h"

namespace {

class WheelTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    main = Open(ManyWords());
    // Typed and taken back, the search shows every headword, as after any search the user clears.
    TypeText("a\b\b");
  }

  // What the user scrolls: the window that shows its rows, the bar drawn over its own, and how far it stands
  // scrolled.
  struct Scroller {
    const char* name;
    std::function<TWinControl*()> inner;
    std::function<TWinControl*()> bar;
    std::function<int()> top;
  };

  std::vector<Scroller> Scrollers() {
    const auto firstLine = [](TcxMemo* Memo) {
      return int(SendMessage(Memo->InnerMemo()->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
    };
    return {
        {"left list", [this] { return main->ListSol->InnerListBox(); },
         [this] { return main->ListSol->InnerListBox()->VScrollBar(); },
         [this] { return main->ListSol->InnerListBox()->TopIndex(); }},
        {"right list", [this] { return main->ListSag->InnerListBox(); },
         [this] { return main->ListSag->InnerListBox()->VScrollBar(); },
         [this] { return main->ListSag->InnerListBox()->TopIndex(); }},
        {"left memo", [this] { return main->SolAciklama->InnerMemo(); },
         [this] { return main->SolAciklama->InnerMemo()->VScrollBar(); },
         [this, firstLine] { return firstLine(main->SolAciklama); }},
        {"right memo", [this] { return main->SagAciklama->InnerMemo(); },
         [this] { return main->SagAciklama->InnerMemo()->VScrollBar(); },
         [this, firstLine] { return firstLine(main->SagAciklama); }},
    };
  }

  // Three notches towards the user with the pointer in the middle of the window, as a desktop delivers them.
  static void WheelDownOver(TWinControl* Inner, int Notches = 3) {
    const TPoint p = Inner->ClientToScreen(TPoint{Inner->ClientWidth() / 2, Inner->ClientHeight() / 2});
    platform::InjectMouseMove(p.x, p.y);
    for (int i = 0; i < Notches; ++i)
      platform::InjectMouseWheel(-WHEEL_DELTA, p.x, p.y);
    Pump();
  }

  TMain* main = nullptr;
};

TEST_F(WheelTest, TheWheelScrollsWhatIsUnderThePointerWhileTheSearchBoxKeepsTheFocus) {
  const HWND searchBox = GetFocus();
  ASSERT_EQ(searchBox, main->Arama->InnerEdit()->GetControl()->Handle());
  ASSERT_EQ(main->ListSol->Count(), 400);
  ASSERT_GE(main->ListSag->Count(), 40);
  const std::vector<Scroller> scrollers = Scrollers();
  for (const Scroller& under : scrollers)
    for (const bool onBar : {false, true}) {
      SCOPED_TRACE(std::string(under.name) + (onBar ? "'s bar" : ""));
      TWinControl* pointed = onBar ? under.bar() : under.inner();
      ASSERT_TRUE(pointed && pointed->Visible());
      std::vector<int> before;
      for (const Scroller& s : scrollers)
        before.push_back(s.top());
      WheelDownOver(pointed);
      for (std::size_t i = 0; i < scrollers.size(); ++i) {
        // Three lines a notch, as the platform's setting asks.
        EXPECT_EQ(scrollers[i].top() - before[i], &scrollers[i] == &under ? 9 : 0) << scrollers[i].name;
      }
      EXPECT_EQ(GetFocus(), searchBox);
    }
}

TEST_F(WheelTest, AFocusedListDoesNotTakeTheWheelFromTheListUnderThePointer) {
  ASSERT_TRUE(ClickItem(main->ListSol, 0));
  const HWND left = main->ListSol->InnerListBox()->Handle();
  ASSERT_EQ(GetFocus(), left);
  WheelDownOver(main->ListSag->InnerListBox());
  EXPECT_EQ(main->ListSag->InnerListBox()->TopIndex(), 9);
  EXPECT_EQ(main->ListSol->InnerListBox()->TopIndex(), 0);
  EXPECT_EQ(GetFocus(), left);
  // The bar that shows the list's place follows the wheel, in the picture as in its position.
  EXPECT_EQ(main->ListSag->InnerListBox()->VScrollBar()->Position(), 9);
}

} // namespace
