#include "controls_fixture.h"

namespace {

using Log = std::vector<std::string>;

TEST_F(ControlsTest, PropertyChangesSendTheirComponentMessageOnceAndOnlyOnChange) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(0, 0, 40, 40));
  auto* spot = Make<TSpot>(form, form, "Spot", Bounds(50, 0, 40, 40));
  struct Case {
    const char* message;
    std::function<void(TControl*)> change;
  };
  const Case cases[] = {
      {"CM_COLORCHANGED", [](TControl* c) { c->SetColor(clRed); }},
      {"CM_FONTCHANGED", [](TControl* c) { c->Font()->SetColor(clBlue); }},
      {"CM_ENABLEDCHANGED", [](TControl* c) { c->SetEnabled(false); }},
      {"CM_VISIBLECHANGED", [](TControl* c) { c->SetVisible(false); }},
      {"CM_TEXTCHANGED", [](TControl* c) { c->SetText("new"); }},
      {"CM_CURSORCHANGED", [](TControl* c) { c->SetCursor(crHandPoint); }},
  };
  for (TControl* c : {static_cast<TControl*>(box), static_cast<TControl*>(spot)}) {
    for (const Case& k : cases) {
      if (auto* b = dynamic_cast<TBox*>(c))
        b->Watched = {CM_COLORCHANGED,   CM_FONTCHANGED, CM_ENABLEDCHANGED,
                      CM_VISIBLECHANGED, CM_TEXTCHANGED, CM_CURSORCHANGED};
      if (auto* s = dynamic_cast<TSpot*>(c))
        s->Watched = {CM_COLORCHANGED,   CM_FONTCHANGED, CM_ENABLEDCHANGED,
                      CM_VISIBLECHANGED, CM_TEXTCHANGED, CM_CURSORCHANGED};
      EventLog().clear();
      k.change(c);
      k.change(c);
      EXPECT_EQ(EventLog(), (Log{c->Name() + ":" + k.message})) << c->Name() << " " << k.message;
    }
  }
  EXPECT_FALSE(IsWindowEnabled(box->Handle()));
  EXPECT_FALSE(IsWindowVisible(box->Handle()));
  char text[16] = {};
  GetWindowText(box->Handle(), text, sizeof text);
  EXPECT_STREQ(text, "new");
}

TEST_F(ControlsTest, ColourAndFontFollowTheParentUntilSetLocally) {
  TForm* form = ShowForm();
  auto* panel = Make<TBox>(form, form, "Panel", Bounds(0, 0, 100, 100));
  auto* child = Make<TBox>(form, panel, "Child", Bounds(0, 0, 20, 20));
  auto* spot = Make<TSpot>(form, panel, "Spot", Bounds(30, 0, 20, 20));
  form->SetColor(clYellow);
  form->Font()->SetName("Arial");
  EXPECT_EQ(panel->Color(), clYellow);
  EXPECT_EQ(child->Color(), clYellow) << "the news goes down every level";
  EXPECT_EQ(spot->Color(), clYellow);
  EXPECT_EQ(spot->Font()->Name(), "Arial");
  EXPECT_TRUE(child->ParentColor());
  EXPECT_TRUE(child->ParentFont());

  panel->SetColor(clGreen);
  EXPECT_FALSE(panel->ParentColor());
  EXPECT_EQ(child->Color(), clGreen);
  form->SetColor(clNavy);
  EXPECT_EQ(panel->Color(), clGreen) << "a local colour stays";
  EXPECT_EQ(child->Color(), clGreen);

  child->Font()->SetSize(14);
  EXPECT_FALSE(child->ParentFont());
  form->Font()->SetName("Courier New");
  EXPECT_EQ(child->Font()->Name(), "Arial");
  EXPECT_EQ(spot->Font()->Name(), "Courier New");

  child->SetParentFont(true);
  EXPECT_EQ(child->Font()->Name(), "Courier New");
  EXPECT_EQ(child->Font()->Size(), panel->Font()->Size());
  panel->SetParentColor(true);
  EXPECT_EQ(panel->Color(), clNavy);
  EXPECT_EQ(child->Color(), clNavy);
}

TEST_F(ControlsTest, ReparentingTakesTheNewParentsColourAndFont) {
  TForm* form = ShowForm();
  auto* red = Make<TBox>(form, form, "Red", Bounds(0, 0, 50, 50));
  auto* blue = Make<TBox>(form, form, "Blue", Bounds(50, 0, 50, 50));
  red->SetColor(clRed);
  blue->SetColor(clBlue);
  blue->Font()->SetName("Arial");
  auto* spot = Make<TSpot>(form, red, "Spot", Bounds(0, 0, 10, 10));
  EXPECT_EQ(spot->Color(), clRed);
  spot->SetParent(blue);
  EXPECT_EQ(spot->Color(), clBlue);
  EXPECT_EQ(spot->Font()->Name(), "Arial");
}

TEST_F(ControlsTest, TextLivesInTheWindowOnceItExists) {
  TForm* form = nullptr;
  Application()->CreateForm(form);
  auto* box = Make<TBox>(form, form, "Box", Bounds(0, 0, 50, 50));
  box->SetCaption("caption");
  EXPECT_FALSE(box->HandleAllocated());
  EXPECT_EQ(box->Text(), "caption");
  HWND h = box->Handle();
  char text[16] = {};
  GetWindowText(h, text, sizeof text);
  EXPECT_STREQ(text, "caption") << "the window is created with the text";
  SetWindowText(h, "changed");
  EXPECT_EQ(box->Caption(), "changed");
  form->SetCaption("Title");
  GetWindowText(form->Handle(), text, sizeof text);
  EXPECT_STREQ(text, "Title");
}

TEST_F(ControlsTest, ScreenAndClientCoordinatesRoundTrip) {
  TForm* form = ShowForm();
  auto* panel = Make<TBox>(form, form, "Panel", Bounds(10, 20, 100, 100));
  auto* spot = Make<TSpot>(form, panel, "Spot", Bounds(5, 6, 10, 10));
  EXPECT_EQ(form->ClientOrigin(), (TPoint{100, 100}));
  EXPECT_EQ(panel->ClientToScreen(TPoint{1, 2}), (TPoint{111, 122}));
  EXPECT_EQ(spot->ClientToScreen(TPoint{1, 2}), (TPoint{116, 128}));
  EXPECT_EQ(spot->ScreenToClient(TPoint{116, 128}), (TPoint{1, 2}));
  spot->SetParent(nullptr);
  EXPECT_THROW(spot->ClientOrigin(), EInvalidOperation);
  spot->Free();
}

TEST_F(ControlsTest, ZOrderFollowsBringToFrontAndSendToBack) {
  TForm* form = ShowForm();
  auto* a = Make<TBox>(form, form, "A", Bounds(0, 0, 50, 50));
  auto* b = Make<TBox>(form, form, "B", Bounds(10, 10, 50, 50));
  auto* s1 = Make<TSpot>(form, form, "S1", Bounds(100, 0, 50, 50));
  auto* s2 = Make<TSpot>(form, form, "S2", Bounds(110, 10, 50, 50));
  Pump();
  EXPECT_EQ(WindowFromPoint(POINT{120, 120}), b->Handle());
  EXPECT_EQ(form->ControlAtPos(TPoint{120, 20}, false), s2);
  a->BringToFront();
  s1->BringToFront();
  EXPECT_EQ(WindowFromPoint(POINT{120, 120}), a->Handle());
  EXPECT_EQ(form->ControlAtPos(TPoint{120, 20}, false), s1);
  a->SendToBack();
  EXPECT_EQ(WindowFromPoint(POINT{120, 120}), b->Handle());
  EXPECT_EQ(form->Controls(0), a);
  s2->SetEnabled(false);
  s1->SendToBack();
  EXPECT_EQ(form->ControlAtPos(TPoint{120, 20}, false), s1) << "disabled controls are passed over";
  EXPECT_EQ(form->ControlAtPos(TPoint{120, 20}, true), s2);
}

TEST_F(ControlsTest, ScreenCursorsCoverTheStockShapesAndTakeCustomOnes) {
  struct Case {
    TCursor cursor;
    LPCSTR stock;
  };
  for (const Case& c : {Case{crDefault, IDC_ARROW}, Case{crArrow, IDC_ARROW}, Case{crIBeam, IDC_IBEAM},
                        Case{crHourGlass, IDC_WAIT}, Case{crHandPoint, IDC_HAND}, Case{crSizeWE, IDC_SIZEWE},
                        Case{crNoDrop, IDC_NO}})
    EXPECT_EQ(Screen()->Cursors(c.cursor), LoadCursor(nullptr, c.stock)) << c.cursor;
  EXPECT_NE(Screen()->Cursors(crDrag), nullptr);
  EXPECT_NE(Screen()->Cursors(crDrag), Screen()->Cursors(crDefault));
  EXPECT_EQ(Screen()->Cursors(crNone), nullptr);
  EXPECT_EQ(Screen()->Cursors(2100), Screen()->Cursors(crDefault)) << "unregistered numbers show the default";
  const BYTE andMask[4 * 32] = {}, xorMask[4 * 32] = {};
  HCURSOR own = CreateCursor(nullptr, 0, 0, 32, 32, andMask, xorMask);
  Screen()->SetCursors(2100, own);
  EXPECT_EQ(Screen()->Cursors(2100), own);
  EXPECT_THROW(Screen()->SetCursors(crDefault, nullptr), EInvalidOperation);

  Screen()->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
  EXPECT_EQ(backend->Cursor(), LoadCursor(nullptr, IDC_WAIT));
  Screen()->SetCursors(2100, nullptr);
  DestroyCursor(own);
}

TEST_F(ControlsTest, ControlCursorShowsOverIt) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(0, 0, 50, 50));
  auto* spot = Make<TSpot>(form, form, "Spot", Bounds(60, 0, 50, 50));
  box->SetCursor(crIBeam);
  spot->SetCursor(crHandPoint);
  Pump();
  backend->MouseMove(120, 120);
  Pump();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_IBEAM));
  backend->MouseMove(170, 120);
  Pump();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
  Screen()->SetCursor(crHourGlass);
  backend->MouseMove(120, 121);
  Pump();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT)) << "the screen's cursor wins while set";
}

TEST_F(ControlsTest, MouseReadsThePlatformSettings) {
  EXPECT_EQ(Mouse()->WheelScrollLines(), 3);
  platform::Settings().wheelScrollLines = 7;
  EXPECT_EQ(Mouse()->WheelScrollLines(), 7);
  Mouse()->SetCursorPos(TPoint{40, 50});
  EXPECT_EQ(Mouse()->CursorPos(), (TPoint{40, 50}));
  EXPECT_EQ(Screen()->Width(), 1024);
  EXPECT_EQ(Screen()->Height(), 768);
  EXPECT_EQ(Screen()->WorkAreaRect(), backend->WorkArea());
}

} // namespace
