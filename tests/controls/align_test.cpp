#include "controls_fixture.h"

namespace {

class AlignTest : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = nullptr;
    Application()->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 200, 100);
    panel = Make<TBox>(form, form, "Panel", Bounds(0, 0, 200, 100));
    panel->SetAlign(alClient);
  }

  TForm* form = nullptr;
  TBox* panel = nullptr;
};

TEST_F(AlignTest, SidesFillInTheirOrderAndClientTakesTheRest) {
  struct Child {
    TAlign align;
    TRect start;
    TRect expected;
  };
  // Each side stacks in the order of the controls' positions towards it.
  const Child children[] = {
      {alTop, Bounds(0, 50, 10, 10), Bounds(0, 15, 200, 10)},
      {alTop, Bounds(0, 0, 10, 15), Bounds(0, 0, 200, 15)},
      {alBottom, Bounds(0, 0, 10, 20), Bounds(0, 80, 200, 20)},
      {alLeft, Bounds(0, 0, 30, 10), Bounds(0, 25, 30, 55)},
      {alRight, Bounds(0, 0, 40, 10), Bounds(160, 25, 40, 55)},
      {alClient, Bounds(0, 0, 1, 1), Bounds(30, 25, 130, 55)},
      {alNone, Bounds(7, 8, 9, 10), Bounds(7, 8, 9, 10)},
  };
  std::vector<TControl*> made;
  for (const Child& c : children) {
    TControl* ctl = Make<TSpot>(form, panel, "", c.start);
    ctl->SetAlign(c.align);
    made.push_back(ctl);
  }
  for (std::size_t i = 0; i < made.size(); ++i)
    EXPECT_EQ(made[i]->BoundsRect(), children[i].expected) << "child " << i;

  form->SetBounds(0, 0, 300, 150);
  EXPECT_EQ(panel->BoundsRect(), Bounds(0, 0, 300, 150));
  EXPECT_EQ(made[2]->BoundsRect(), Bounds(0, 130, 300, 20)) << "the bottom strip follows the bottom";
  EXPECT_EQ(made[4]->BoundsRect(), Bounds(260, 25, 40, 105));
  EXPECT_EQ(made[5]->BoundsRect(), Bounds(30, 25, 230, 105));

  made[1]->SetVisible(false);
  EXPECT_EQ(made[0]->BoundsRect(), Bounds(0, 0, 300, 10)) << "hidden controls give their room back";
}

TEST_F(AlignTest, AnchorsKeepDistancesToTheSidesTheyHold) {
  struct Case {
    TAnchors anchors;
    TRect expected; // after the panel grows by 100 x 50
  };
  const Case cases[] = {
      {{akLeft, akTop}, Bounds(20, 20, 40, 30)},
      {{akRight, akBottom}, Bounds(120, 70, 40, 30)},
      {{akLeft, akRight}, Bounds(20, 45, 140, 30)},
      {{akTop, akBottom}, Bounds(70, 20, 40, 80)},
      {{akLeft, akTop, akRight, akBottom}, Bounds(20, 20, 140, 80)},
      {{akTop}, Bounds(70, 20, 40, 30)},
      {{}, Bounds(70, 45, 40, 30)},
  };
  std::vector<TControl*> made;
  for (const Case& c : cases) {
    TControl* ctl = Make<TSpot>(form, panel, "", Bounds(20, 20, 40, 30));
    ctl->SetAnchors(c.anchors);
    made.push_back(ctl);
  }
  form->SetBounds(0, 0, 300, 150);
  for (std::size_t i = 0; i < made.size(); ++i)
    EXPECT_EQ(made[i]->BoundsRect(), cases[i].expected) << "case " << i;
  form->SetBounds(0, 0, 200, 100);
  for (TControl* c : made)
    EXPECT_EQ(c->BoundsRect(), Bounds(20, 20, 40, 30)) << "shrinking back restores the layout";
}

TEST_F(AlignTest, ConstraintsLimitEverySizeChange) {
  TControl* c = Make<TSpot>(form, panel, "C", Bounds(0, 0, 50, 50));
  c->Constraints()->SetMinWidth(30);
  c->Constraints()->SetMaxWidth(60);
  c->Constraints()->SetMaxHeight(40);
  EXPECT_EQ(c->Height(), 40) << "a new limit applies at once";
  c->SetWidth(10);
  EXPECT_EQ(c->Width(), 30);
  c->SetWidth(100);
  EXPECT_EQ(c->Width(), 60);
  c->SetAlign(alTop);
  EXPECT_EQ(c->Width(), 60) << "alignment cannot stretch past the maximum";
  EXPECT_THROW(c->Constraints()->SetMinHeight(-1), EInvalidArgument);
  c->Constraints()->SetMinWidth(80);
  EXPECT_EQ(c->Constraints()->MaxWidth(), 80) << "a minimum above the maximum lifts the maximum";
}

TEST_F(AlignTest, AutoSizeEnclosesTheChildren) {
  panel->SetAlign(alNone);
  panel->SetBounds(0, 0, 10, 10);
  Make<TSpot>(form, panel, "", Bounds(5, 5, 30, 20));
  Make<TSpot>(form, panel, "", Bounds(50, 0, 10, 70));
  panel->SetAutoSize(true);
  EXPECT_EQ(panel->Width(), 60);
  EXPECT_EQ(panel->Height(), 70);
}

TEST_F(AlignTest, ClientSizeOfAFormExcludesItsFrame) {
  TForm* framed = nullptr;
  Application()->CreateForm(framed);
  framed->SetBorderStyle(bsSingle);
  framed->SetBounds(0, 0, 300, 200);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN,
                     FALSE, 0);
  const int dx = frame.right - frame.left, dy = frame.bottom - frame.top;
  EXPECT_EQ(framed->ClientWidth(), 300 - dx);
  EXPECT_EQ(framed->ClientHeight(), 200 - dy);
  framed->SetClientWidth(100);
  EXPECT_EQ(framed->Width(), 100 + dx);
  framed->HandleNeeded();
  EXPECT_EQ(framed->ClientWidth(), 100) << "the window agrees once it exists";
  auto* fill = Make<TSpot>(framed, framed, "", Bounds(0, 0, 1, 1));
  fill->SetAlign(alClient);
  EXPECT_EQ(fill->Width(), 100);
  EXPECT_EQ(fill->Height(), 200 - dy);
}

TEST_F(AlignTest, ResizeEventsFollowSizeChangesOnly) {
  struct Count {
    int n = 0;
    void On(TObject*) { ++n; }
  } count;
  panel->SetAlign(alNone);
  panel->OnResize = TNotifyEvent(&count, &Count::On);
  panel->SetBounds(5, 5, 50, 50);
  panel->SetBounds(10, 10, 50, 50);
  EXPECT_EQ(count.n, 1);
  panel->HandleNeeded();
  panel->SetBounds(10, 10, 60, 50);
  MoveWindow(panel->Handle(), 10, 10, 70, 50, TRUE);
  EXPECT_EQ(count.n, 3) << "a move of the window itself counts too";
  EXPECT_EQ(panel->Width(), 70);
}

} // namespace
