#include "controls_fixture.h"

#include <cstdio>
#include <filesystem>
#include <utility>

#include "platform/controls/ExtCtrls.h"
#include "platform/gdi/Gdi.h"

namespace {

using Log = std::vector<std::string>;

struct Events {
  Log seen;
  TCloseAction action = caHide;
  bool canClose = true;
  void Create(TObject*) { seen.push_back("create"); }
  void Show(TObject*) { seen.push_back("show"); }
  void Hide(TObject*) { seen.push_back("hide"); }
  void Activate(TObject*) { seen.push_back("activate"); }
  void Destroy(TObject*) { seen.push_back("destroy"); }
  void Close(TObject*, TCloseAction& Action) {
    seen.push_back("close");
    Action = action;
  }
  void Query(TObject*, bool& CanClose) {
    seen.push_back("query");
    CanClose = canClose;
  }
  void Hook(TCustomForm* f) {
    f->OnShow = TNotifyEvent(this, &Events::Show);
    f->OnHide = TNotifyEvent(this, &Events::Hide);
    f->OnActivate = TNotifyEvent(this, &Events::Activate);
    f->OnDestroy = TNotifyEvent(this, &Events::Destroy);
    f->OnClose = TCloseEvent(this, &Events::Close);
    f->OnCloseQuery = TCloseQueryEvent(this, &Events::Query);
  }
};

// A form whose OnCreate is set in its constructor, as a designed form's would be.
class TCreatingForm : public TForm {
  PELVOR_CLASS(TCreatingForm, TForm)
  explicit TCreatingForm(TComponent* AOwner) : TForm(AOwner) {}
  static inline Events* Sink = nullptr;
  void AfterConstruction() override {
    if (Sink)
      OnCreate = TNotifyEvent(Sink, &Events::Create);
    TForm::AfterConstruction();
  }
};

TEST_F(ControlsTest, FormLifeEventsComeInOrder) {
  Events ev;
  TCreatingForm::Sink = &ev;
  TCreatingForm* form = nullptr;
  Application()->CreateForm(form);
  TCreatingForm::Sink = nullptr;
  EXPECT_EQ(Application()->MainForm(), form);
  ev.Hook(form);
  form->Show();
  Pump();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(GetActiveWindow(), form->Handle());
  form->Hide();
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  form->Free();
  EXPECT_EQ(ev.seen, (Log{"create", "show", "activate", "hide", "destroy"}));
  EXPECT_EQ(Screen()->FormCount(), 0);
  EXPECT_EQ(Application()->MainForm(), nullptr);
}

TEST_F(ControlsTest, CloseAsksFirstAndDoesWhatTheHandlerSays) {
  TForm* main = ShowForm();
  TForm* other = nullptr;
  Application()->CreateForm(other);
  Events ev;
  ev.Hook(other);
  other->Show();
  Pump();

  ev.canClose = false;
  other->Close();
  EXPECT_TRUE(other->Visible());
  ev.canClose = true;
  ev.action = caNone;
  other->Close();
  EXPECT_TRUE(other->Visible());
  ev.action = caHide;
  other->Close();
  EXPECT_FALSE(other->Visible());
  EXPECT_EQ(ev.seen, (Log{"show", "activate", "query", "query", "close", "query", "close", "hide"}));

  ev.seen.clear();
  ev.action = caFree;
  other->Show();
  PostMessage(other->Handle(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(Screen()->FormCount(), 1) << "a freed form leaves the screen";
  EXPECT_EQ(ev.seen.back(), "destroy");
  EXPECT_FALSE(Application()->Terminated());
  main->Close();
  Pump();
  EXPECT_TRUE(Application()->Terminated()) << "closing the main form ends the program";
}

TEST_F(ControlsTest, ShowModalRunsUntilAPostedMessageEndsIt) {
  TForm* main = ShowForm();
  auto* button = Make<TBox>(main, main, "Button", Bounds(0, 0, 40, 20));
  TForm* dialog = nullptr;
  Application()->CreateForm(dialog);
  dialog->SetBounds(50, 50, 200, 100);
  bool mainEnabledDuring = true;
  bool dialogActiveDuring = false;
  backend->WhenIdle([&] {
    mainEnabledDuring = IsWindowEnabled(main->Handle());
    dialogActiveDuring = GetActiveWindow() == dialog->Handle();
    PostMessage(dialog->Handle(), WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_FALSE(mainEnabledDuring) << "other forms are disabled while the modal form is up";
  EXPECT_TRUE(dialogActiveDuring);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(GetActiveWindow(), main->Handle());
  (void)button;

  backend->WhenIdle([&] { dialog->SetModalResult(mrOk); });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  dialog->Show();
  EXPECT_THROW(dialog->ShowModal(), EInvalidOperation) << "a visible form cannot go modal";
}

TEST_F(ControlsTest, AModalFormFreedByAHandlerEndsItsLoopAsCancelled) {
  TForm* main = ShowForm();
  TForm* dialog = nullptr;
  Application()->CreateForm(dialog);
  backend->WhenIdle([&] { dialog->Free(); });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_TRUE(IsWindowEnabled(main->Handle())) << "the forms it disabled come back";
  EXPECT_EQ(Screen()->FormCount(), 1);
}

// The program gives the focus to a second form whose activation handler frees it: the focus goes nowhere
// near the freed form, and the first form can take it again.
TEST_F(ControlsTest, AFormFreedByItsActivationHandlerAsItTakesTheFocusIsLeftAlone) {
  TForm* main = ShowForm();
  TForm* other = nullptr;
  Application()->CreateForm(other);
  other->SetBounds(150, 150, 100, 80);
  other->Show();
  main->SetFocus();
  Pump();
  struct Freer {
    TForm* form;
    void Free(TObject*) { std::exchange(form, nullptr)->Free(); }
  } freer{other};
  other->OnActivate = TNotifyEvent(&freer, &Freer::Free);
  const auto alive = other->AliveToken();
  other->SetFocus();
  Pump();
  EXPECT_FALSE(*alive) << "the activation handler ran";
  main->SetFocus();
  Pump();
  EXPECT_EQ(GetActiveWindow(), main->Handle());
}

TEST_F(ControlsTest, ModalLoopEndsWhenTheApplicationTerminates) {
  ShowForm();
  TForm* dialog = nullptr;
  Application()->CreateForm(dialog);
  backend->WhenIdle([] { Application()->Terminate(); });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_TRUE(Application()->Terminated());
}

TEST_F(ControlsTest, ExceptionsInHandlersReachHandleExceptionAndTheLoopGoesOn) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(0, 0, 40, 40));
  struct Thrower {
    int clicks = 0;
    void Click(TObject*) {
      ++clicks;
      throw EInvalidOperation("Boom");
    }
  } thrower;
  box->OnClick = TNotifyEvent(&thrower, &Thrower::Click);
  backend->Click(110, 110);
  backend->Click(120, 120);
  Pump();
  EXPECT_EQ(thrower.clicks, 2);
  EXPECT_EQ(Application()->MessageLog(), (Log{"Boom.", "Boom."}));
  EXPECT_FALSE(box->MouseCapture()) << "the press ended although its handler failed";

  struct Catcher {
    Log seen;
    void On(TObject* Sender, const std::exception& E) {
      seen.push_back(static_cast<TComponent*>(Sender)->Name() + ": " + E.what());
    }
  } catcher;
  Application()->OnException = TExceptionEvent(&catcher, &Catcher::On);
  Application()->ClearMessageLog();
  backend->Click(110, 110);
  Pump();
  EXPECT_EQ(catcher.seen, (Log{"Box: Boom"}));
  EXPECT_TRUE(Application()->MessageLog().empty());
}

TEST_F(ControlsTest, RunShowsTheMainFormAndReturnsOnTerminate) {
  TForm* form = nullptr;
  Application()->CreateForm(form);
  form->SetBorderStyle(bsNone);
  struct Counter {
    int ticks = 0;
    void Tick(TObject*) {
      if (++ticks == 3)
        Application()->MainForm()->Close();
    }
  } counter;
  TTimer timer(nullptr);
  timer.SetInterval(50);
  timer.SetOnTimer(TNotifyEvent(&counter, &Counter::Tick));
  bool visibleWhileRunning = false;
  for (int i = 0; i < 5; ++i)
    backend->WhenIdle([&] {
      visibleWhileRunning = IsWindowVisible(form->Handle());
      backend->AdvanceTime(50);
    });
  Application()->Run();
  EXPECT_TRUE(visibleWhileRunning);
  EXPECT_EQ(counter.ticks, 3);
  EXPECT_TRUE(Application()->Terminated());
}

TEST_F(ControlsTest, TimerFiresOnlyWhileEnabledWithAHandler) {
  struct Counter {
    int ticks = 0;
    void Tick(TObject*) { ++ticks; }
  } counter;
  TTimer timer(nullptr);
  timer.SetInterval(100);
  backend->AdvanceTime(150);
  Pump();
  timer.SetOnTimer(TNotifyEvent(&counter, &Counter::Tick));
  backend->AdvanceTime(99);
  Pump();
  EXPECT_EQ(counter.ticks, 0);
  backend->AdvanceTime(1);
  Pump();
  EXPECT_EQ(counter.ticks, 1);
  timer.SetEnabled(false);
  backend->AdvanceTime(500);
  Pump();
  EXPECT_EQ(counter.ticks, 1);
  timer.SetEnabled(true);
  timer.SetInterval(10);
  backend->AdvanceTime(10);
  Pump();
  EXPECT_EQ(counter.ticks, 2);
}

TEST_F(ControlsTest, StayOnTopAndCentredPlacement) {
  TForm* form = nullptr;
  Application()->CreateForm(form);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 200, 100);
  form->SetPosition(poScreenCenter);
  form->SetFormStyle(fsStayOnTop);
  form->Show();
  EXPECT_EQ(form->Left(), (1024 - 200) / 2);
  EXPECT_EQ(form->Top(), (768 - 100) / 2);
  EXPECT_TRUE(GetWindowLong(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(backend->Window(form->Handle())->topmost);
  form->SetFormStyle(fsNormal);
  EXPECT_FALSE(backend->Window(form->Handle())->topmost);

  TForm* child = nullptr;
  Application()->CreateForm(child);
  child->SetBorderStyle(bsNone);
  child->SetBounds(0, 0, 100, 50);
  child->SetPosition(poMainFormCenter);
  child->Show();
  EXPECT_EQ(child->BoundsRect(), Bounds(form->Left() + 50, form->Top() + 25, 100, 50));
}

TEST_F(ControlsTest, ChangingTheBorderRebuildsTheWindowWithItsChildren) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(0, 0, 40, 40));
  box->SetFocus();
  HWND before = form->Handle();
  form->SetBorderStyle(bsSingle);
  Pump();
  EXPECT_TRUE(box->Focused()) << "the active control gets the focus back in the new window";
  EXPECT_FALSE(IsWindow(before));
  ASSERT_TRUE(form->HandleAllocated());
  EXPECT_TRUE(GetWindowLong(form->Handle(), GWL_STYLE) & WS_CAPTION);
  ASSERT_TRUE(box->HandleAllocated());
  EXPECT_EQ(GetParent(box->Handle()), form->Handle());
  EXPECT_TRUE(IsWindowVisible(box->Handle()));
}

// The colour of one pixel of a top-level window's surface, read back through a bitmap.
COLORREF PixelAt(HWND hwnd, int x, int y) {
  HDC dc = GetWindowDC(hwnd);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return c;
}

TEST_F(ControlsTest, FormPaintsItsControlsIntoThePicture) {
  TForm* form = ShowForm(120, 80);
  form->SetColor(clWhite);
  auto* box = Make<TBox>(form, form, "Box", Bounds(10, 10, 40, 30));
  box->SetColor(clRed);
  auto* spot = Make<TSpot>(form, form, "Spot", Bounds(60, 10, 40, 30));
  spot->SetColor(clBlue);
  auto* inner = Make<TSpot>(form, box, "Inner", Bounds(5, 5, 10, 10));
  inner->SetColor(clLime);
  Pump();
  EXPECT_GT(box->PaintCount, 0);
  EXPECT_GT(spot->PaintCount, 0);
  struct Probe {
    int x, y;
    COLORREF color;
  };
  for (const Probe& p :
       {Probe{2, 2, RGB(255, 255, 255)}, Probe{12, 12, RGB(255, 0, 0)}, Probe{17, 17, RGB(0, 255, 0)},
        Probe{49, 39, RGB(255, 0, 0)}, Probe{50, 39, RGB(255, 255, 255)}, Probe{60, 10, RGB(0, 0, 255)},
        Probe{99, 39, RGB(0, 0, 255)}, Probe{100, 40, RGB(255, 255, 255)}})
    EXPECT_EQ(PixelAt(form->Handle(), p.x, p.y), p.color) << p.x << "," << p.y;

  const std::string path = ::testing::TempDir() + "controls_form.png";
  ASSERT_TRUE(backend->SaveWindowPng(form->Handle(), path));
  EXPECT_GT(std::filesystem::file_size(path), 100u);
  std::remove(path.c_str());

  // A control without a window repaints only on its parent's pixels.
  spot->SetColor(clYellow);
  Pump();
  EXPECT_EQ(PixelAt(form->Handle(), 70, 20), RGB(255, 255, 0));
  spot->SetVisible(false);
  Pump();
  EXPECT_EQ(PixelAt(form->Handle(), 70, 20), RGB(255, 255, 255));
}

} // namespace

namespace {

TEST_F(ControlsTest, CanvasOutsidePaintingDrawsWhereTheControlIs) {
  TForm* form = ShowForm(120, 80);
  form->SetColor(clWhite);
  auto* panel = Make<TBox>(form, form, "Panel", Bounds(10, 10, 80, 60));
  panel->SetColor(clWhite);
  auto* spot = Make<TSpot>(form, panel, "Spot", Bounds(20, 20, 10, 10));
  spot->SetVisible(false);
  Pump();
  auto* canvas = static_cast<TControlCanvas*>(spot->Canvas());
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(Rect(-5, -5, 50, 50));
  canvas->FreeHandle();
  EXPECT_EQ(PixelAt(form->Handle(), 30, 30), RGB(255, 0, 0)) << "the control's own corner";
  EXPECT_EQ(PixelAt(form->Handle(), 39, 39), RGB(255, 0, 0));
  EXPECT_EQ(PixelAt(form->Handle(), 40, 40), RGB(255, 255, 255)) << "clipped to the control";
  EXPECT_EQ(PixelAt(form->Handle(), 29, 29), RGB(255, 255, 255));
}

} // namespace

#include "platform/controls/Dialogs.h"

namespace {

TEST_F(ControlsTest, ExceptionMessageBoxIsAModalFormClosedByReturn) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(0, 0, 40, 40));
  struct Thrower {
    void Click(TObject*) { throw EInvalidOperation("Disk full"); }
  } thrower;
  box->OnClick = TNotifyEvent(&thrower, &Thrower::Click);
  Application()->SetTitle("Sozluk");
  Application()->SetMessageBoxHandler(&ModalMessageBox);
  std::string caption;
  bool mainDisabled = false;
  int children = 0;
  backend->WhenIdle([&] {
    HWND active = GetActiveWindow();
    char text[64] = {};
    GetWindowText(active, text, sizeof text);
    caption = text;
    mainDisabled = !IsWindowEnabled(form->Handle());
    for (HWND c = GetWindow(active, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      ++children;
    backend->PressKey(VK_RETURN);
  });
  backend->Click(110, 110);
  Pump();
  EXPECT_EQ(caption, "Sozluk");
  EXPECT_TRUE(mainDisabled);
  EXPECT_EQ(children, 1) << "the OK button; the text has no window";
  EXPECT_EQ(Application()->MessageLog(), (Log{"Disk full."}));
  EXPECT_EQ(Screen()->FormCount(), 1) << "the box is gone";
  EXPECT_TRUE(IsWindowEnabled(form->Handle()));
  EXPECT_THROW(ModalMessageBox("?", "", 4), EInvalidArgument);
}

} // namespace

namespace {

TEST_F(ControlsTest, RunWithNothingThatCouldEverArriveFailsInsteadOfSpinning) {
  ShowForm();
  struct Idle {
    int calls = 0;
    void On(TObject*, bool& Done) {
      if (++calls == 1)
        throw EInvalidOperation("idle failed");
      Done = true;
    }
  } idle;
  Application()->OnIdle = TIdleEvent(&idle, &Idle::On);
  backend->WhenIdle([] {});
  EXPECT_THROW(Application()->Run(), std::runtime_error);
  EXPECT_EQ(idle.calls, 2) << "an idle handler's failure is shown and the loop goes on";
  EXPECT_EQ(Application()->MessageLog(), (Log{"idle failed."}));
}

} // namespace
