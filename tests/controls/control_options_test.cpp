#include <algorithm>

#include "controls_fixture.h"
#include "platform/controls/ImgList.h"
#include "platform/controls/Menus.h"

namespace {

using Log = std::vector<std::string>;

// A drag source that shows one red 10 x 10 image with its hot spot at (3, 4).
class TImageSource : public TBox {
  PELVOR_CLASS(TImageSource, TBox)
  explicit TImageSource(TComponent* AOwner) : TBox(AOwner), Images(10, 10) {
    TBitmap image;
    image.SetSize(10, 10);
    image.Canvas()->Brush()->SetColor(clRed);
    image.Canvas()->FillRect(TRect{0, 0, 10, 10});
    Images.Add(&image, nullptr);
    Images.SetDragImage(0, 3, 4);
  }
  TDragImageList* GetDragImages() override { return &Images; }
  TDragImageList Images;
};

struct DropLog {
  Log log;
  void Over(TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; }
  void Drop(TObject* Sender, TObject*, int X, int Y) {
    log.push_back(static_cast<TComponent*>(Sender)->Name() + " drop " + std::to_string(X) + "," +
                  std::to_string(Y));
  }
  void End(TObject*, TObject* Target, int, int) { log.push_back(Target ? "end on target" : "end"); }
};

class ControlOptionsTest : public ControlsTest {};

TEST_F(ControlOptionsTest, TheDragImageFollowsTheCursorWithoutHidingTheTarget) {
  TForm* form = ShowForm();
  auto* source = Make<TImageSource>(form, form, "Source", Bounds(10, 10, 50, 50));
  auto* target = Make<TBox>(form, form, "Target", Bounds(100, 10, 80, 80));
  DropLog drops;
  target->OnDragOver = TDragOverEvent(&drops, &DropLog::Over);
  target->OnDragDrop = TDragDropEvent(&drops, &DropLog::Drop);
  source->OnEndDrag = TEndDragEvent(&drops, &DropLog::End);
  Pump();
  backend->MouseDown(120, 120);
  Pump();
  source->BeginDrag(true);
  ASSERT_TRUE(source->Images.Dragging());
  EXPECT_TRUE(source->Images.DragImageVisible());
  EXPECT_EQ(CurrentDragImages(), &source->Images);
  backend->MouseMove(240, 130);
  Pump();
  RECT r{};
  GetWindowRect(source->Images.DragWindow(), &r);
  EXPECT_EQ(r, (RECT{237, 126, 247, 136}));
  EXPECT_TRUE(IsWindowVisible(source->Images.DragWindow()));
  source->Images.HideDragImage();
  EXPECT_FALSE(IsWindowVisible(source->Images.DragWindow()));
  source->Images.ShowDragImage();
  backend->MouseUp(240, 130);
  Pump();
  EXPECT_EQ(drops.log, (Log{"Target drop 40,20", "end on target"})) << "the image lies under the cursor";
  EXPECT_FALSE(source->Images.Dragging());
  EXPECT_EQ(CurrentDragImages(), nullptr);
}

TEST_F(ControlOptionsTest, CancelDragEndsWithoutADrop) {
  TForm* form = ShowForm();
  auto* source = Make<TImageSource>(form, form, "Source", Bounds(10, 10, 50, 50));
  auto* target = Make<TBox>(form, form, "Target", Bounds(100, 10, 80, 80));
  DropLog drops;
  target->OnDragOver = TDragOverEvent(&drops, &DropLog::Over);
  target->OnDragDrop = TDragDropEvent(&drops, &DropLog::Drop);
  source->OnEndDrag = TEndDragEvent(&drops, &DropLog::End);
  Pump();
  source->BeginDrag(true);
  EXPECT_NE(DragObject(), nullptr);
  backend->MouseMove(240, 130);
  Pump();
  CancelDrag();
  EXPECT_EQ(DragObject(), nullptr);
  EXPECT_FALSE(source->Dragging());
  EXPECT_FALSE(source->Images.Dragging());
  EXPECT_EQ(drops.log, (Log{"end"}));
  CancelDrag(); // nothing to cancel
  EXPECT_EQ(drops.log.size(), 1u);
}

TEST_F(ControlOptionsTest, DragImageListRefusesAMissingImage) {
  TDragImageList images(8, 8);
  EXPECT_FALSE(images.SetDragImage(0, 1, 1));
  EXPECT_FALSE(images.BeginDrag(10, 10)) << "nothing to show";
  EXPECT_FALSE(images.DragMove(10, 10));
  EXPECT_FALSE(images.EndDrag());
}

TEST(ShortCuts, KeyAndShiftRoundTrip) {
  const struct {
    WORD key;
    TShiftState shift;
    TShortCut code;
  } cases[] = {{'A', {}, 'A'},
               {'X', {ssCtrl}, TShortCut(scCtrl | 'X')},
               {VK_F4, {ssShift, ssAlt}, TShortCut(scShift | scAlt | VK_F4)},
               {VK_DELETE, {ssCtrl, ssShift, ssAlt}, TShortCut(scCtrl | scShift | scAlt | VK_DELETE)}};
  for (const auto& c : cases) {
    EXPECT_EQ(ShortCut(c.key, c.shift), c.code);
    WORD key = 0;
    TShiftState shift;
    ShortCutToKey(c.code, key, shift);
    EXPECT_EQ(key, c.key);
    EXPECT_EQ(shift, c.shift);
  }
}

TEST_F(ControlOptionsTest, APopupMenuShortCutClicksTheFirstEnabledVisibleItem) {
  auto* menu = new TPopupMenu(nullptr);
  Log clicks;
  struct Clicker {
    Log& log;
    void Click(TObject* Sender) { log.push_back(static_cast<TMenuItem*>(Sender)->Caption()); }
  } clicker{clicks};
  auto add = [&](TMenuItem* parent, const char* caption, TShortCut shortcut) {
    auto* item = new TMenuItem(menu);
    item->SetCaption(caption);
    item->SetShortCut(shortcut);
    item->OnClick = TNotifyEvent(&clicker, &Clicker::Click);
    parent->Add(item);
    return item;
  };
  add(menu->Items(), "disabled", 'D')->SetEnabled(false);
  add(menu->Items(), "hidden", 'H')->SetVisible(false);
  TMenuItem* sub = add(menu->Items(), "sub", scNone);
  add(sub, "nested", 'N');
  add(menu->Items(), "plain", 'P');
  const struct {
    WORD key;
    bool handled;
  } cases[] = {{'D', false}, {'H', false}, {'N', true}, {'P', true}, {'Q', false}};
  for (const auto& c : cases) {
    TMessage m{WM_KEYDOWN, c.key, 0, 0};
    TWMKey key(m);
    EXPECT_EQ(menu->IsShortCut(key), c.handled) << char(c.key);
  }
  EXPECT_EQ(clicks, (Log{"nested", "plain"}));
  menu->Free();
}

TEST_F(ControlOptionsTest, HintsFollowTheParentUntilSet) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(10, 10, 50, 50));
  EXPECT_FALSE(box->ShowHint());
  form->SetShowHint(true);
  EXPECT_TRUE(box->ShowHint());
  EXPECT_TRUE(box->ParentShowHint());
  box->SetShowHint(false);
  EXPECT_FALSE(box->ParentShowHint());
  EXPECT_FALSE(box->ShowHint());
  box->SetDragKind(dkDock);
  EXPECT_EQ(box->DragKind(), dkDock);
}

TEST_F(ControlOptionsTest, ParentBackgroundErasesWithTheParentsColour) {
  TForm* form = ShowForm();
  form->SetColor(clLime);
  auto* pane = new TCustomControl(form);
  pane->SetBounds(10, 10, 50, 50);
  pane->SetColor(clRed);
  pane->SetParent(form);
  Pump();
  auto pixel = [&] {
    pane->Repaint();
    HDC dc = GetDC(pane->Handle());
    COLORREF c = GetPixel(dc, 20, 20);
    ReleaseDC(pane->Handle(), dc);
    return c;
  };
  EXPECT_FALSE(pane->ParentBackground());
  EXPECT_EQ(pixel(), RGB(255, 0, 0));
  pane->SetParentBackground(true);
  EXPECT_TRUE(pane->ControlStyle().Contains(csParentBackground));
  EXPECT_EQ(pixel(), RGB(0, 255, 0));
}

// Tabs backwards and counts its window creations.
class TReversed : public TBox {
  PELVOR_CLASS(TReversed, TBox)
  using TBox::TBox;
  int Creations = 0;
  void GetTabOrderList(std::vector<TWinControl*>& List) override {
    TBox::GetTabOrderList(List);
    std::reverse(List.begin(), List.end());
  }
  void CreateHandle() override {
    ++Creations;
    TBox::CreateHandle();
  }
};

TEST_F(ControlOptionsTest, TabOrderAndHandleCreationCanBeOverridden) {
  TForm* form = ShowForm();
  auto* panel = Make<TReversed>(form, form, "Panel", Bounds(0, 0, 200, 100));
  auto* a = Make<TBox>(form, panel, "A", Bounds(0, 0, 20, 20));
  auto* b = Make<TBox>(form, panel, "B", Bounds(30, 0, 20, 20));
  auto* c = Make<TBox>(form, panel, "C", Bounds(60, 0, 20, 20));
  Pump();
  EXPECT_EQ(panel->Creations, 1);
  std::vector<TWinControl*> list;
  panel->GetTabOrderList(list);
  EXPECT_EQ(list, (std::vector<TWinControl*>{c, b, a}));
  EXPECT_EQ(panel->FindNextControl(c, true, true, false), b);
  panel->RecreateWnd();
  Pump();
  EXPECT_EQ(panel->Creations, 2);
}

} // namespace

namespace {

struct LeaveLog {
  Log log;
  void Enter(TObject* Sender) { log.push_back(static_cast<TComponent*>(Sender)->Name() + " enter"); }
  void Leave(TObject* Sender) { log.push_back(static_cast<TComponent*>(Sender)->Name() + " leave"); }
};

TEST_F(ControlsTest, ThePointerLeavingTheProgramEndsTheHoverWhenIdle) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(10, 10, 50, 50));
  LeaveLog rec;
  box->OnMouseEnter = TNotifyEvent(&rec, &LeaveLog::Enter);
  box->OnMouseLeave = TNotifyEvent(&rec, &LeaveLog::Leave);
  Pump();
  backend->MouseMove(120, 120);
  Pump();
  ASSERT_EQ(rec.log, (Log{"Box enter"}));
  platform::InjectMouseLeave();
  Pump();
  EXPECT_EQ(rec.log, (Log{"Box enter"})) << "no window saw a move";
  backend->WhenIdle([] {});
  Application()->HandleMessage();
  EXPECT_EQ(rec.log, (Log{"Box enter", "Box leave"}));
}

} // namespace
