// The tab strip: selection by the program, the mouse and Ctrl+Tab, and the change event.
#include <utility>

#include "app/Session.h"
#include "app_fixture.h"
#include "editors/core/cxTextEdit.h"
#include "lookandfeel/cxContainer.h"
#include "pagecontrol/cxPC.h"

namespace {

class TabControlTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Application()->CreateForm(form);
    form->SetBounds(20, 20, 300, 120);
    tabs = new TcxTabControl(form);
    tabs->SetBounds(10, 10, 280, 24);
    tabs->SetParent(form);
    tabs->OnChange = TNotifyEvent(this, &TabControlTest::Changed);
    form->Show();
    Pump();
  }

  void Changed(TObject* Sender) {
    EXPECT_EQ(Sender, tabs);
    changes.push_back(tabs->TabIndex());
  }

  void CtrlTab(bool shift) {
    backend->KeyDown(VK_CONTROL);
    if (shift)
      backend->KeyDown(VK_SHIFT);
    backend->PressKey(VK_TAB);
    if (shift)
      backend->KeyUp(VK_SHIFT);
    backend->KeyUp(VK_CONTROL);
    Pump();
  }

  TForm* form = nullptr;
  TcxTabControl* tabs = nullptr;
  std::vector<int> changes;
};

TEST_F(TabControlTest, TabsGainedAndLostKeepTheSelectionValidWithoutAChangeEvent) {
  EXPECT_EQ(tabs->TabIndex(), -1);
  tabs->Tabs()->Add("one");
  EXPECT_EQ(tabs->TabIndex(), 0);
  tabs->Tabs()->Add("two");
  tabs->Tabs()->Add("three");
  tabs->SetTabIndex(2);
  tabs->Tabs()->Delete(2);
  EXPECT_EQ(tabs->TabIndex(), 1);
  tabs->Tabs()->Clear();
  EXPECT_EQ(tabs->TabIndex(), -1);
  EXPECT_EQ(changes, std::vector<int>{2});
}

TEST_F(TabControlTest, AnIndexOutsideTheTabsIsRefused) {
  tabs->Tabs()->Add("one");
  tabs->Tabs()->Add("two");
  for (int bad : {-1, 2, 100})
    EXPECT_THROW(tabs->SetTabIndex(bad), EListError) << bad;
  EXPECT_EQ(tabs->TabIndex(), 0);
  tabs->SetTabIndex(0);
  EXPECT_TRUE(changes.empty());
}

TEST_F(TabControlTest, ClicksSelectTheTabUnderTheMouseAndLeaveTheFocusAlone) {
  tabs->Tabs()->Add("T\xFCrk\xE7"
                    "e - Lazca");
  tabs->Tabs()->Add("Tavrik-Dedader");
  Pump();
  const TRect first = tabs->TabRect(0), second = tabs->TabRect(1);
  EXPECT_LT(first.left, second.left);
  // The selected tab stands out above the others.
  EXPECT_LT(first.top, second.top);
  EXPECT_EQ(tabs->IndexOfTabAt(second.right + 5, 10), -1);

  ASSERT_TRUE(ClickTab(tabs, 1));
  EXPECT_EQ(tabs->TabIndex(), 1);
  ASSERT_TRUE(ClickTab(tabs, 1));
  ClickAt(tabs, TPoint{second.right + 20, 12});
  EXPECT_EQ(tabs->TabIndex(), 1);
  ASSERT_TRUE(ClickTab(tabs, 0));
  EXPECT_EQ(changes, (std::vector<int>{1, 0}));
  EXPECT_FALSE(tabs->Focused());
  EXPECT_FALSE(ClickTab(tabs, 2));
}

TEST_F(TabControlTest, CtrlTabStepsThroughTheTabsAndWrapsAround) {
  for (const char* caption : {"a", "b", "c"})
    tabs->Tabs()->Add(caption);
  CtrlTab(false);
  CtrlTab(false);
  CtrlTab(false);
  CtrlTab(true);
  EXPECT_EQ(changes, (std::vector<int>{1, 2, 0, 2}));
}

// The program may free the tab control from any handler a choice of a tab raises; the form goes on working.
TEST_F(TabControlTest, AHandlerMayFreeTheTabControl) {
  struct Freer {
    TcxTabControl* tabs;
    void Free() {
      if (tabs)
        std::exchange(tabs, nullptr)->Free();
    }
    void Notify(TObject*) { Free(); }
    void Mouse(TObject*, TMouseButton, TShiftState, int, int) { Free(); }
  };
  struct Case {
    const char* name;
    void (*hook)(TcxTabControl*, Freer&);
    bool byKeys; // Ctrl+Tab rather than a click on the second tab
  } cases[] = {
      {"change by a click",
       [](TcxTabControl* t, Freer& f) { t->OnChange = TNotifyEvent(&f, &Freer::Notify); }, false},
      {"change by Ctrl+Tab",
       [](TcxTabControl* t, Freer& f) { t->OnChange = TNotifyEvent(&f, &Freer::Notify); }, true},
      {"mouse down", [](TcxTabControl* t, Freer& f) { t->OnMouseDown = TMouseEvent(&f, &Freer::Mouse); },
       false},
      {"mouse up", [](TcxTabControl* t, Freer& f) { t->OnMouseUp = TMouseEvent(&f, &Freer::Mouse); }, false},
      {"click", [](TcxTabControl* t, Freer& f) { t->OnClick = TNotifyEvent(&f, &Freer::Notify); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!tabs) {
      tabs = new TcxTabControl(form);
      tabs->SetBounds(10, 10, 280, 24);
      tabs->SetParent(form);
    }
    tabs->Tabs()->Add("one");
    tabs->Tabs()->Add("two");
    Pump();
    Freer freer{tabs};
    c.hook(tabs, freer);
    auto alive = tabs->AliveToken();
    if (c.byKeys)
      CtrlTab(false);
    else
      ASSERT_TRUE(ClickTab(tabs, 1));
    EXPECT_FALSE(*alive) << "the handler ran";
    tabs = nullptr;
    ClickAt(form, TPoint{20, 20});
    CtrlTab(false);
  }
}

// Ctrl+Tab typed into an edit switches only a tab strip the user can see and use: not one that is hidden or
// disabled, nor one whose panel is.
TEST_F(TabControlTest, CtrlTabLeavesATabStripThatCannotBeSeenOrUsedAlone) {
  using Step = void (*)(TcxTabControl*, TWinControl*);
  const struct {
    const char* name;
    bool switches;
    Step take, giveBack;
  } cases[] = {
      {"usable", true, [](TcxTabControl*, TWinControl*) {}, [](TcxTabControl*, TWinControl*) {}},
      {"tab strip hidden", false, [](TcxTabControl* t, TWinControl*) { t->Hide(); },
       [](TcxTabControl* t, TWinControl*) { t->Show(); }},
      {"tab strip disabled", false, [](TcxTabControl* t, TWinControl*) { t->SetEnabled(false); },
       [](TcxTabControl* t, TWinControl*) { t->SetEnabled(true); }},
      {"panel hidden", false, [](TcxTabControl*, TWinControl* p) { p->Hide(); },
       [](TcxTabControl*, TWinControl* p) { p->Show(); }},
      {"panel disabled", false, [](TcxTabControl*, TWinControl* p) { p->SetEnabled(false); },
       [](TcxTabControl*, TWinControl* p) { p->SetEnabled(true); }},
  };
  auto* panel = new TcxContainer(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 300, 40);
  tabs->SetParent(panel);
  tabs->SetBounds(5, 5, 280, 24);
  auto* edit = new TcxTextEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 60, 150, 21);
  for (const char* caption : {"a", "b"})
    tabs->Tabs()->Add(caption);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    changes.clear();
    c.take(tabs, panel);
    edit->SetFocus();
    Pump();
    ASSERT_TRUE(edit->Focused());
    CtrlTab(false);
    EXPECT_EQ(tabs->TabIndex(), c.switches ? 1 : 0);
    EXPECT_EQ(changes, c.switches ? std::vector<int>{1} : std::vector<int>{});
    c.giveBack(tabs, panel);
    tabs->SetTabIndex(0);
  }
}

TEST_F(TabControlTest, TheSelectedTabIsPaintedAcrossTheBaseLine) {
  tabs->Tabs()->Add("one");
  tabs->Tabs()->Add("two");
  Pump();
  UpdateWindow(form->Handle());
  HDC dc = GetDC(tabs->Handle());
  const TRect selected = tabs->TabRect(0), other = tabs->TabRect(1);
  const int baseY = tabs->Height() - 1;
  // Under the selected tab the base line is broken; under the other tab it runs on.
  const COLORREF face = GetPixel(dc, (selected.left + selected.right) / 2, baseY);
  const COLORREF line = GetPixel(dc, (other.left + other.right) / 2, baseY);
  EXPECT_EQ(face, GetSysColor(COLOR_BTNFACE));
  EXPECT_NE(line, face);
  ReleaseDC(tabs->Handle(), dc);
}

} // namespace
