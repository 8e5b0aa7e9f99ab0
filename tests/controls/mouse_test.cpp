#include "controls_fixture.h"

#include "platform/controls/Menus.h"

namespace {

using Log = std::vector<std::string>;

struct Recorder {
  Log seen;
  void Click(TObject* Sender) { seen.push_back(static_cast<TComponent*>(Sender)->Name() + " click"); }
  void DblClick(TObject* Sender) { seen.push_back(static_cast<TComponent*>(Sender)->Name() + " dblclick"); }
  void Down(TObject* Sender, TMouseButton B, TShiftState S, int X, int Y) {
    seen.push_back(static_cast<TComponent*>(Sender)->Name() + " down" + std::to_string(B) +
                   (S.Contains(ssDouble) ? " double" : "") + " " + std::to_string(X) + "," +
                   std::to_string(Y));
  }
  void Up(TObject* Sender, TMouseButton B, TShiftState, int X, int Y) {
    seen.push_back(static_cast<TComponent*>(Sender)->Name() + " up" + std::to_string(B) + " " +
                   std::to_string(X) + "," + std::to_string(Y));
  }
  void Enter(TObject* Sender) { seen.push_back(static_cast<TComponent*>(Sender)->Name() + " enter"); }
  void Leave(TObject* Sender) { seen.push_back(static_cast<TComponent*>(Sender)->Name() + " leave"); }
  void Hook(TControl* c) {
    c->OnClick = TNotifyEvent(this, &Recorder::Click);
    c->OnDblClick = TNotifyEvent(this, &Recorder::DblClick);
    c->OnMouseDown = TMouseEvent(this, &Recorder::Down);
    c->OnMouseUp = TMouseEvent(this, &Recorder::Up);
  }
};

class MouseTest : public ControlsTest {
protected:
  void Build() {
    form = ShowForm();
    box = Make<TBox>(form, form, "Box", Bounds(10, 10, 50, 50));
    spot = Make<TSpot>(form, form, "Spot", Bounds(100, 10, 50, 50));
    rec.Hook(box);
    rec.Hook(spot);
    Pump();
  }
  // Screen point of a client point of the form, whose client area starts at (100, 100).
  static int X(int x) { return 100 + x; }
  static int Y(int y) { return 100 + y; }

  TForm* form = nullptr;
  TBox* box = nullptr;
  TSpot* spot = nullptr;
  Recorder rec;
};

TEST_F(MouseTest, ClickAndDoubleClickReachControlsWithAndWithoutWindows) {
  Build();
  struct Case {
    const char* name;
    int x, y;
  };
  for (const Case& c : {Case{"Box", 20, 20}, Case{"Spot", 110, 20}}) {
    rec.seen.clear();
    backend->Click(X(c.x), Y(c.y));
    backend->AdvanceTime(100);
    backend->Click(X(c.x), Y(c.y));
    backend->AdvanceTime(1000);
    backend->Click(X(c.x), Y(c.y));
    Pump();
    const std::string n = c.name;
    EXPECT_EQ(rec.seen, (Log{n + " down0 10,10", n + " click", n + " up0 10,10", n + " dblclick",
                             n + " down0 double 10,10", n + " up0 10,10", n + " down0 10,10", n + " click",
                             n + " up0 10,10"}))
        << n;
  }
}

TEST_F(MouseTest, WithoutDoubleClicksTheSecondPressIsAPlainClick) {
  Build();
  spot->ControlStyle().Exclude(csDoubleClicks);
  backend->Click(X(110), Y(20));
  backend->AdvanceTime(100);
  backend->Click(X(110), Y(20));
  Pump();
  EXPECT_EQ(std::count(rec.seen.begin(), rec.seen.end(), "Spot click"), 2);
  EXPECT_EQ(std::count(rec.seen.begin(), rec.seen.end(), "Spot dblclick"), 0);
}

TEST_F(MouseTest, ReleaseOutsideTheControlIsNoClickButStillReachesItThroughTheCapture) {
  Build();
  for (TControl* c : {static_cast<TControl*>(box), static_cast<TControl*>(spot)}) {
    rec.seen.clear();
    const int x = c->Left() + 5;
    backend->MouseDown(X(x), Y(20));
    Pump();
    EXPECT_TRUE(c->MouseCapture()) << c->Name();
    EXPECT_EQ(GetCaptureControl(), c);
    backend->MouseUp(X(280), Y(150));
    Pump();
    EXPECT_FALSE(c->MouseCapture());
    EXPECT_EQ(rec.seen, (Log{c->Name() + " down0 5,10",
                             c->Name() + " up0 " + std::to_string(280 - c->Left()) + ",140"}));
  }
}

TEST_F(MouseTest, ControlsWithoutCaptureStyleLoseMovesOutsideThem) {
  Build();
  spot->ControlStyle().Exclude(csCaptureMouse);
  backend->MouseDown(X(110), Y(20));
  Pump();
  EXPECT_FALSE(spot->MouseCapture());
  backend->MouseUp(X(280), Y(150));
  Pump();
  EXPECT_EQ(rec.seen, (Log{"Spot down0 10,10"}));
}

TEST_F(MouseTest, EnterAndLeaveFollowTheMouseAcrossControls) {
  Build();
  box->OnMouseEnter = TNotifyEvent(&rec, &Recorder::Enter);
  box->OnMouseLeave = TNotifyEvent(&rec, &Recorder::Leave);
  spot->OnMouseEnter = TNotifyEvent(&rec, &Recorder::Enter);
  spot->OnMouseLeave = TNotifyEvent(&rec, &Recorder::Leave);
  backend->MouseMove(X(20), Y(20));
  Pump();
  backend->MouseMove(X(25), Y(25));
  Pump();
  backend->MouseMove(X(110), Y(20));
  Pump();
  backend->MouseMove(X(250), Y(150));
  Pump();
  EXPECT_EQ(rec.seen, (Log{"Box enter", "Box leave", "Spot enter", "Spot leave"}));
}

TEST_F(MouseTest, WheelGoesToTheHandlerOfTheControlUnderThePointer) {
  Build();
  struct Wheel {
    int delta = 0;
    void On(TObject*, TShiftState, int Delta, TPoint, bool& Handled) {
      delta += Delta;
      Handled = true;
    }
  } boxWheel, formWheel;
  box->OnMouseWheel = TMouseWheelEvent(&boxWheel, &Wheel::On);
  form->OnMouseWheel = TMouseWheelEvent(&formWheel, &Wheel::On);
  ASSERT_FALSE(box->Focused());
  backend->Wheel(-WHEEL_DELTA, X(20), Y(20));
  Pump();
  EXPECT_EQ(boxWheel.delta, -WHEEL_DELTA);
  EXPECT_EQ(formWheel.delta, 0);
  box->SetFocus();
  backend->Wheel(WHEEL_DELTA, X(110), Y(20)); // over the spot, which has no window of its own
  Pump();
  EXPECT_EQ(boxWheel.delta, -WHEEL_DELTA);
  EXPECT_EQ(formWheel.delta, WHEEL_DELTA);
}

TEST_F(MouseTest, RightClickOpensThePopupMenuAndAChosenItemClicks) {
  Build();
  auto* menu = new TPopupMenu(form);
  auto* first = new TMenuItem(nullptr);
  first->SetCaption("First");
  auto* second = new TMenuItem(nullptr);
  second->SetCaption("Second");
  menu->Items()->Add(first);
  menu->Items()->Add(second);
  second->OnClick = TNotifyEvent(&rec, &Recorder::Click);
  second->SetName("Second");
  spot->SetPopupMenu(menu);

  HWND popup = nullptr;
  int itemHeight = 0;
  backend->WhenIdle([&] {
    popup = GetCapture();
    RECT r{};
    GetWindowRect(popup, &r);
    itemHeight = (r.bottom - r.top - 2) / 2;
    backend->Click(r.left + 10, r.top + 1 + itemHeight + itemHeight / 2);
  });
  backend->Click(X(110), Y(20), platform::MouseButton::Right);
  Pump();
  EXPECT_EQ(menu->PopupComponent(), spot);
  EXPECT_EQ(menu->LastChosen(), second);
  EXPECT_EQ(rec.seen.back(), "Second click");
  EXPECT_FALSE(IsWindow(popup)) << "the menu window is gone once an item is chosen";
}

TEST_F(MouseTest, ContextPopupHandlerCanKeepTheMenuShut) {
  Build();
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(nullptr);
  item->SetCaption("Item");
  menu->Items()->Add(item);
  box->SetPopupMenu(menu);
  struct Handler {
    TPoint at{};
    void On(TObject*, TPoint P, bool& Handled) {
      at = P;
      Handled = true;
    }
  } handler;
  box->OnContextPopup = TContextPopupEvent(&handler, &Handler::On);
  backend->Click(X(20), Y(30), platform::MouseButton::Right);
  Pump();
  EXPECT_EQ(handler.at, (TPoint{10, 20}));
  EXPECT_EQ(menu->PopupComponent(), nullptr);
  menu->Free();
  EXPECT_EQ(box->PopupMenu(), nullptr) << "freeing the menu clears the reference";
}

TEST_F(MouseTest, EscapeDismissesThePopupMenu) {
  Build();
  TPopupMenu menu(nullptr);
  auto* item = new TMenuItem(nullptr);
  item->SetCaption("Item");
  item->OnClick = TNotifyEvent(&rec, &Recorder::Click);
  menu.Items()->Add(item);
  backend->WhenIdle([&] { backend->PressKey(VK_ESCAPE); });
  menu.Popup(X(20), Y(20));
  EXPECT_EQ(menu.LastChosen(), nullptr);
  EXPECT_TRUE(rec.seen.empty());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MouseTest, PopupMenuWindowClassComesFromTheMenusUnit) {
  // The class is the unit's: without the unit a popup is refused, and once the unit starts again after the
  // window manager dropped its classes the menu shows as before.
  Build();
  TPopupMenu menu(nullptr);
  auto* item = new TMenuItem(nullptr);
  item->SetCaption("Item");
  menu.Items()->Add(item);
  MenusFinalize();
  EXPECT_THROW(menu.Popup(X(20), Y(20)), EInvalidOperation);
  EXPECT_EQ(GetCapture(), nullptr);
  MenusInitialize();
  bool shown = false;
  backend->WhenIdle([&] {
    shown = GetCapture() != nullptr;
    backend->PressKey(VK_ESCAPE);
  });
  menu.Popup(X(20), Y(20));
  EXPECT_TRUE(shown);
  EXPECT_EQ(menu.LastChosen(), nullptr);
}

struct DragLog {
  Log seen;
  bool accept = true;
  void Over(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    auto* src = dynamic_cast<TDragControlObject*>(Source);
    seen.push_back(static_cast<TComponent*>(Sender)->Name() + " over" + std::to_string(State) + " " +
                   std::to_string(X) + "," + std::to_string(Y) +
                   (src ? " from " + src->Control()->Name() : ""));
    Accept = accept;
  }
  void Drop(TObject* Sender, TObject*, int X, int Y) {
    seen.push_back(static_cast<TComponent*>(Sender)->Name() + " drop " + std::to_string(X) + "," +
                   std::to_string(Y));
  }
  void End(TObject* Sender, TObject* Target, int X, int Y) {
    seen.push_back(static_cast<TComponent*>(Sender)->Name() + " end " +
                   (Target ? static_cast<TComponent*>(Target)->Name() : std::string("nil")) + " " +
                   std::to_string(X) + "," + std::to_string(Y));
  }
};

TEST_F(MouseTest, AutomaticDragCarriesTheSourceToAnAcceptingTarget) {
  Build();
  DragLog log;
  box->SetDragMode(dmAutomatic);
  box->OnEndDrag = TEndDragEvent(&log, &DragLog::End);
  spot->OnDragOver = TDragOverEvent(&log, &DragLog::Over);
  spot->OnDragDrop = TDragDropEvent(&log, &DragLog::Drop);
  Mouse()->SetDragImmediate(false);
  backend->MouseDown(X(20), Y(20));
  backend->MouseMove(X(22), Y(21));
  Pump();
  EXPECT_FALSE(Mouse()->IsDragging()) << "inside the threshold nothing starts";
  // Moves that queue up are merged into the last one, so each is pumped on its own.
  backend->MouseMove(X(110), Y(20));
  Pump();
  backend->MouseMove(X(115), Y(25));
  Pump();
  backend->MouseUp(X(115), Y(25));
  Pump();
  EXPECT_FALSE(box->Dragging());
  EXPECT_EQ(log.seen, (Log{"Spot over0 10,10 from Box", "Spot over2 15,15 from Box", "Spot drop 15,15",
                           "Box end Spot 15,15"}));
  EXPECT_TRUE(rec.seen.empty()) << "an automatic drag takes the press: "
                                << ::testing::PrintToString(rec.seen);
}

TEST_F(MouseTest, RefusedDropAndEscapeEndTheDragWithoutATarget) {
  Build();
  DragLog log;
  log.accept = false;
  box->OnEndDrag = TEndDragEvent(&log, &DragLog::End);
  spot->OnDragOver = TDragOverEvent(&log, &DragLog::Over);
  spot->OnDragDrop = TDragDropEvent(&log, &DragLog::Drop);
  backend->MouseMove(X(20), Y(20));
  Pump();
  box->BeginDrag(true);
  backend->MouseMove(X(110), Y(20));
  backend->MouseUp(X(110), Y(20));
  Pump();
  EXPECT_EQ(log.seen, (Log{"Spot over0 10,10 from Box", "Spot over1 10,10 from Box", "Box end nil 0,0"}));

  log.seen.clear();
  log.accept = true;
  box->SetFocus();
  box->BeginDrag(true);
  backend->MouseMove(X(110), Y(20));
  backend->PressKey(VK_ESCAPE);
  Pump();
  EXPECT_FALSE(box->Dragging());
  EXPECT_EQ(log.seen, (Log{"Spot over0 10,10 from Box", "Spot over2 10,10 from Box",
                           "Spot over1 10,10 from Box", "Box end nil 0,0"}));
}

} // namespace

namespace {

TEST_F(MouseTest, ArrowKeysSkipLinesAndDisabledItemsAndEnterChooses) {
  Build();
  TPopupMenu menu(nullptr);
  const struct {
    const char* caption;
    bool enabled;
  } items[] = {{"One", true}, {"-", true}, {"Two", false}, {"Three", true}};
  for (const auto& i : items) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(i.caption);
    item->SetEnabled(i.enabled);
    menu.Items()->Add(item);
  }
  struct Case {
    std::vector<int> keys;
    const char* chosen;
  };
  for (const Case& c : {Case{{VK_DOWN, VK_RETURN}, "One"}, Case{{VK_DOWN, VK_DOWN, VK_RETURN}, "Three"},
                        Case{{VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, "One"},
                        Case{{VK_UP, VK_RETURN}, "Three"}, Case{{VK_RETURN, VK_ESCAPE}, nullptr}}) {
    backend->WhenIdle([&] {
      for (int k : c.keys)
        backend->PressKey(k);
    });
    menu.Popup(X(20), Y(20));
    if (c.chosen) {
      ASSERT_NE(menu.LastChosen(), nullptr);
      EXPECT_EQ(menu.LastChosen()->Caption(), c.chosen);
    } else {
      EXPECT_EQ(menu.LastChosen(), nullptr);
    }
  }
}

TEST_F(MouseTest, MenuItemsOwnTheirChildrenAndRefuseBadIndexes) {
  TMenuItem root(nullptr);
  auto* a = new TMenuItem(nullptr);
  auto* b = new TMenuItem(nullptr);
  root.Add(a);
  root.Insert(0, b);
  EXPECT_EQ(root.IndexOf(b), 0);
  EXPECT_EQ(a->Parent(), &root);
  EXPECT_THROW(root.Add(a), EInvalidOperation) << "an item lives in one menu";
  EXPECT_THROW(root.Items(2), EListError);
  EXPECT_THROW(root.Insert(5, new TMenuItem(&root)), EListError);
  a->Free();
  EXPECT_EQ(root.Count(), 1) << "a freed item leaves its parent";
}

} // namespace

namespace {

TEST_F(MouseTest, TargetFreedDuringTheDragIsForgotten) {
  Build();
  DragLog log;
  box->OnEndDrag = TEndDragEvent(&log, &DragLog::End);
  spot->OnDragOver = TDragOverEvent(&log, &DragLog::Over);
  backend->MouseMove(X(20), Y(20));
  Pump();
  box->BeginDrag(true);
  backend->MouseMove(X(110), Y(20));
  Pump();
  ASSERT_EQ(log.seen.size(), 1u);
  spot->Free();
  backend->MouseMove(X(112), Y(22));
  Pump();
  backend->MouseUp(X(112), Y(22));
  Pump();
  EXPECT_EQ(log.seen.back(), "Box end nil 0,0") << "the form under the mouse does not take drops";
}

// A target that its own drag-over or drop handler frees is not touched again, and the source hears of a
// drag that ended on nothing.
TEST_F(MouseTest, TargetFreedByItsOwnDragHandlerIsForgotten) {
  struct Freeing {
    DragLog* log;
    TControl* target;
    bool onDrop;
    void Over(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
      log->Over(Sender, Source, X, Y, State, Accept);
      if (!onDrop)
        target->Free();
    }
    void Drop(TObject* Sender, TObject* Source, int X, int Y) {
      log->Drop(Sender, Source, X, Y);
      target->Free();
    }
  };
  const struct Case {
    bool onDrop;
    Log expected;
  } cases[] = {
      {false, {"Spot over0 10,10 from Box", "Box end nil 0,0"}},
      {true, {"Spot over0 10,10 from Box", "Spot drop 10,10", "Box end nil 0,0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.onDrop ? "drop" : "drag over");
    Build();
    DragLog log;
    Freeing freeing{&log, spot, c.onDrop};
    box->OnEndDrag = TEndDragEvent(&log, &DragLog::End);
    spot->OnDragOver = TDragOverEvent(&freeing, &Freeing::Over);
    spot->OnDragDrop = TDragDropEvent(&freeing, &Freeing::Drop);
    auto spotAlive = spot->AliveToken();
    backend->MouseMove(X(20), Y(20));
    Pump();
    box->BeginDrag(true);
    backend->MouseMove(X(110), Y(20));
    Pump();
    backend->MouseUp(X(110), Y(20));
    Pump();
    EXPECT_FALSE(*spotAlive);
    EXPECT_FALSE(box->Dragging());
    EXPECT_EQ(log.seen, c.expected);
    form->Free();
  }
}

} // namespace

namespace {

TEST_F(MouseTest, KeyboardContextMenuOpensAtTheControlsCentre) {
  Build();
  TPopupMenu menu(nullptr);
  auto* item = new TMenuItem(nullptr);
  item->SetCaption("Item");
  menu.Items()->Add(item);
  box->SetPopupMenu(&menu);
  RECT at{};
  backend->WhenIdle([&] {
    GetWindowRect(GetCapture(), &at);
    backend->PressKey(VK_ESCAPE);
  });
  SendMessage(box->Handle(), WM_CONTEXTMENU, WPARAM(box->Handle()), MAKELPARAM(-1, -1));
  EXPECT_EQ(at.left, X(10 + 25));
  EXPECT_EQ(at.top, Y(10 + 25));
  box->SetPopupMenu(nullptr);
}

} // namespace
