#include <functional>
#include <string>

#include "control_fixture.h"
#include "lookandfeel/cxContainer.h"
#include "platform/win/ListBox.h"

namespace {

// A container around an inner list box, as the list box editor is.
class ListContainer : public TcxContainer {
public:
  explicit ListContainer(TComponent* AOwner) : TcxContainer(AOwner) {
    list = new TcxCustomInnerListBox(this);
    list->SetContainer(this);
    list->SetParent(this);
    SetInnerControl(list);
  }
  TcxCustomInnerListBox* list;
  std::string keys;

protected:
  void KeyPress(char& Key) override {
    keys += Key == '\t' ? 'T' : Key == '\r' ? 'E' : Key == 0 ? '0' : Key;
    TcxContainer::KeyPress(Key);
  }
};

class InnerListBoxTest : public ControlTest {
protected:
  void SetUp() override {
    ControlTest::SetUp();
    form = ShowForm();
    box = new ListContainer(form);
    box->SetParent(form);
    box->SetBounds(10, 10, 150, 100);
    box->Style()->SetTransparentBorder(false);
    Pump();
  }
  void Fill(int n, const char* prefix = "item ") {
    box->list->Items()->BeginUpdate();
    for (int i = 0; i < n; ++i)
      box->list->Items()->Add(prefix + std::to_string(i));
    box->list->Items()->EndUpdate();
    Pump();
  }
  // The native bar's rectangle in the container's client space.
  TRect NativeBar(LONG id) {
    SCROLLBARINFO info{};
    EXPECT_TRUE(QueryScrollBarInfo(box->list->Handle(), id, info));
    TRect r = info.rcScrollBar;
    MapWindowPoints(nullptr, box->Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  static TRect BoundsOf(TControl* c) {
    return TRect{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
  }

  TForm* form = nullptr;
  ListContainer* box = nullptr;
};

TEST_F(InnerListBoxTest, VerticalBarCoversTheNativeOneWhileItemsOverflow) {
  TcxScrollBar* v = box->list->VScrollBar();
  EXPECT_FALSE(v->Visible());
  Fill(50);
  ASSERT_TRUE(v->Visible());
  EXPECT_EQ(v->Parent(), box);
  const TRect native = NativeBar(OBJID_VSCROLL), placed = BoundsOf(v);
  EXPECT_TRUE(EqualRect(&native, &placed));
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  GetScrollInfo(box->list->Handle(), SB_VERT, &si);
  EXPECT_EQ(v->Max(), si.nMax);
  EXPECT_EQ(v->PageSize(), int(si.nPage));
  EXPECT_EQ(v->Position(), 0);
  box->list->SetTopIndex(10);
  EXPECT_EQ(v->Position(), GetScrollPos(box->list->Handle(), SB_VERT));
  EXPECT_GT(v->Position(), 0);
  box->list->Items()->Delete(0);
  GetScrollInfo(box->list->Handle(), SB_VERT, &si);
  EXPECT_EQ(v->Max(), si.nMax) << "removing items resynchronises";
  box->list->Clear();
  Pump();
  EXPECT_FALSE(v->Visible());
  EXPECT_FALSE(box->list->HScrollBar()->Visible());
}

TEST_F(InnerListBoxTest, ArrowAndThumbOfTheBarScrollTheList) {
  Fill(50);
  TcxScrollBar* v = box->list->VScrollBar();
  ASSERT_TRUE(v->Visible());
  const TRect down = v->PartBounds(spSecondArrow);
  Press(v, down.left + 2, down.top + 2);
  Release(v, down.left + 2, down.top + 2);
  EXPECT_EQ(box->list->TopIndex(), 1);
  EXPECT_EQ(v->Position(), 1);
  const TRect thumb = v->PartBounds(spThumb);
  Press(v, thumb.left + 2, thumb.top + 2);
  MoveTo(v, thumb.left + 2, thumb.top + 30);
  Release(v, thumb.left + 2, thumb.top + 30);
  EXPECT_GT(box->list->TopIndex(), 5);
  EXPECT_EQ(v->Position(), GetScrollPos(box->list->Handle(), SB_VERT));
}

TEST_F(InnerListBoxTest, SyncThatChangesNothingMovesAndRepaintsNothing) {
  Fill(50);
  const int changes = box->list->ScrollBarChangeCount();
  TcxScrollBar* v = box->list->VScrollBar();
  const TRect before = BoundsOf(v);
  for (int i = 0; i < 5; ++i)
    box->list->SyncScrollBars();
  box->list->SetItemIndex(0); // the selection was already 0 or none: nothing of the bars changes
  EXPECT_EQ(box->list->ScrollBarChangeCount(), changes);
  const TRect after = BoundsOf(v);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_FALSE(GetUpdateRect(v->Handle(), nullptr, FALSE));
}

TEST_F(InnerListBoxTest, BothBarsLeaveACornerInButtonFace) {
  box->list->SetScrollWidth(600);
  Fill(50, "a rather long item text number ");
  ASSERT_TRUE(box->list->HScrollBar()->Visible());
  ASSERT_TRUE(box->list->VScrollBar()->Visible());
  const TRect grip = box->list->GetSizeGripRect();
  ASSERT_FALSE(IsRectEmpty(&grip));
  EXPECT_EQ(grip.left, box->list->VScrollBar()->Left() - box->list->Left());
  EXPECT_EQ(grip.right - grip.left, box->list->VScrollBar()->Width());
  box->list->Perform(WM_NCPAINT, 1, 0);
  HDC dc = GetWindowDC(box->list->Handle());
  EXPECT_EQ(TColor(GetPixel(dc, grip.left + 1, grip.top + 1)), TColor(ColorToRGB(clBtnFace)));
  ReleaseDC(box->list->Handle(), dc);
  // The horizontal bar scrolls the list sideways through the list's own handling.
  TcxScrollBar* h = box->list->HScrollBar();
  const TRect right = h->PartBounds(spSecondArrow);
  Press(h, right.left + 2, right.top + 2);
  Release(h, right.left + 2, right.top + 2);
  EXPECT_GT(GetScrollPos(box->list->Handle(), SB_HORZ), 0);
  EXPECT_EQ(h->Position(), GetScrollPos(box->list->Handle(), SB_HORZ));
}

TEST_F(InnerListBoxTest, TabAndEnterGoToTheContainer) {
  Fill(3);
  box->list->SetFocus();
  Pump();
  EXPECT_EQ(box->list->Perform(WM_GETDLGCODE, 0, 0) & (DLGC_WANTTAB | DLGC_WANTCHARS),
            LRESULT(DLGC_WANTTAB | DLGC_WANTCHARS));
  box->list->Perform(WM_CHAR, '\t', 0);
  box->list->Perform(WM_CHAR, '\r', 0);
  box->list->Perform(WM_CHAR, 'x', 0);
  EXPECT_EQ(box->keys, "0Ex") << "Tab reaches the container cleared; Enter reaches it and stops there";
  EXPECT_TRUE(box->Focused());
  EXPECT_TRUE(box->ViewInfo()->ContainerState.Contains(csFocused)) << "the list's focus is the container's";
}

TEST_F(InnerListBoxTest, BarsAreFreedOnceWhicheverGoesFirst) {
  Fill(50);
  ASSERT_EQ(box->list->VScrollBar()->Parent(), box);
  delete box->list; // the bars sit on the container; the list box, their owner, frees them
  EXPECT_EQ(box->ControlCount(), 0);
  auto* second = new ListContainer(form);
  second->SetParent(form);
  second->SetBounds(10, 120, 150, 100);
  Pump();
  for (int i = 0; i < 50; ++i)
    second->list->Items()->Add("x");
  Pump();
  ASSERT_TRUE(second->list->VScrollBar()->Visible());
  delete second; // the container goes first and only unparents its children; its owned list box frees them
  delete box;
}

// A bar's hot arrow goes back to normal however the pointer leaves it: elsewhere on the form, onto the
// desktop, or out of the program (as the desktop backend reports the pointer leaving its window).
TEST_F(InnerListBoxTest, ABarsHotArrowClearsWhenThePointerLeavesTheWindow) {
  Fill(50);
  auto* standAlone = new TcxScrollBar(form);
  standAlone->SetParent(form);
  standAlone->SetBounds(10, 150, 121, 16);
  Pump();
  const struct {
    const char* name;
    std::function<void()> leave;
  } ways[] = {
      {"elsewhere on the form", [&] { MoveTo(form, 300, 250); }},
      {"onto the desktop",
       [&] {
         backend->MouseMove(50, 50);
         Pump();
       }},
      {"out of the program", [] { platform::InjectMouseLeave(); }},
  };
  for (TcxScrollBar* bar : {box->list->VScrollBar(), standAlone}) {
    ASSERT_TRUE(bar->Visible());
    bar->LookAndFeel()->SetKind(lfUltraFlat);
    ASSERT_TRUE(bar->Painter()->IsButtonHotTrack());
    const TRect arrow = bar->PartBounds(spSecondArrow);
    // Pixels of the arrow that differ from the arrow drawn in the state given.
    const auto arrowPixelsOff = [&](TcxButtonState state) {
      bar->Repaint();
      TBitmap expected;
      expected.SetSize(bar->Width(), bar->Height());
      TcxCanvas canvas(expected.Canvas());
      bar->Painter()->DrawScrollBarPart(&canvas, bar->Kind() == sbHorizontal, arrow, spSecondArrow, state);
      HDC dc = GetDC(bar->Handle());
      int off = 0;
      for (int y = arrow.top; y < arrow.bottom; ++y)
        for (int x = arrow.left; x < arrow.right; ++x)
          off += GetPixel(dc, x, y) != GetPixel(expected.Canvas()->Handle(), x, y);
      ReleaseDC(bar->Handle(), dc);
      return off;
    };
    for (const auto& way : ways) {
      SCOPED_TRACE(std::string(bar == standAlone ? "stand-alone bar, " : "list's bar, ") + way.name);
      MoveTo(bar, arrow.left + 3, arrow.top + 3);
      ASSERT_EQ(bar->HotPart(), spSecondArrow);
      ASSERT_EQ(arrowPixelsOff(cxbsHot), 0);
      ASSERT_NE(arrowPixelsOff(cxbsNormal), 0);
      way.leave();
      Wait(30);
      EXPECT_EQ(bar->HotPart(), spNone);
      EXPECT_EQ(arrowPixelsOff(cxbsNormal), 0);
    }
  }
  // A bar freed while its part is hot takes the watch on the pointer with it.
  MoveTo(standAlone, 3, 3);
  ASSERT_EQ(standAlone->HotPart(), spFirstArrow);
  standAlone->Free();
  EXPECT_EQ(MouseTrackingCount(), 0);
  platform::InjectMouseLeave();
  Wait(30);
}

} // namespace
