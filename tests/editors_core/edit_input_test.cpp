#include "platform/win/SystemMetrics.h"
#include "tests/editors_core/edit_fixture.h"

namespace {

using Strings = std::vector<std::string>;

class EditInputTest : public EditTest {
protected:
  TestEdit* MakeButtonEdit(std::initializer_list<TcxEditButtonKind> kinds, int w = 150) {
    TestEdit* edit = MakeEdit(w, 21);
    edit->SetAutoSize(false);
    edit->SetBounds(10, 10, w, 21);
    for (TcxEditButtonKind kind : kinds)
      edit->Properties()->Buttons()->Add()->SetKind(kind);
    edit->Log = &log;
    Listen(edit->Properties());
    Pump();
    return edit;
  }
  static int ButtonWidth(TestEdit* edit, int i) {
    const TRect& r = edit->ViewInfo()->Button(i)->Bounds;
    return r.right - r.left;
  }
  void Key(int vk) {
    backend->KeyDown(vk);
    backend->KeyUp(vk);
    Pump();
  }
};

TEST_F(EditInputTest, ButtonWidths) {
  const int scroll = GetSystemMetrics(SM_CYHSCROLL);
  TestEdit* edit = MakeButtonEdit({bkDown, bkEllipsis, bkText, bkText, bkGlyph, bkDown});
  TcxEditButtons* buttons = edit->Properties()->Buttons();
  buttons->Items(2)->SetCaption("&Go");
  buttons->Items(3)->SetCaption("");
  TBitmap glyph;
  glyph.SetSize(30, 8);
  buttons->Items(4)->SetGlyph(&glyph);
  buttons->Items(5)->SetWidth(40);
  for (auto& b : {buttons->Items(0)})
    b->SetWidth(0);
  Pump();
  TcxCustomEditViewInfo* vi = edit->ViewInfo();
  ASSERT_EQ(6, vi->ButtonCount());
  const TcxEditButtonDrawInfo info = vi->Button(2)->DrawInfo(false, clWindow);
  const int border = GetEditButtonBorderWidth(info);
  edit->cxCanvas()->SetFont(edit->Style()->GetVisibleFont());
  const int goWidth = edit->cxCanvas()->TextWidth("&Go");
  struct Case {
    int index, width;
  };
  for (Case c : {Case{0, scroll}, Case{1, scroll}, Case{2, std::max(scroll, border + goWidth + 3)},
                 Case{3, scroll}, Case{4, std::max(scroll, 30 + border)}, Case{5, 40}})
    EXPECT_EQ(c.width, ButtonWidth(edit, c.index)) << "button " << c.index;
  EXPECT_EQ("Go", vi->Button(2)->Text);
}

TEST_F(EditInputTest, ButtonLayoutBySide) {
  TestEdit* edit = MakeButtonEdit({bkDown, bkEllipsis, bkDown, bkEllipsis}, 200);
  TcxEditButtons* buttons = edit->Properties()->Buttons();
  buttons->Items(1)->SetLeftAlignment(true);
  buttons->Items(3)->SetLeftAlignment(true);
  Pump();
  TcxCustomEditViewInfo* vi = edit->ViewInfo();
  ASSERT_EQ(4, vi->ButtonCount());
  const TRect& inner = vi->BorderExtent;
  // Right-aligned buttons in collection order, the last at the right edge; left-aligned ones in reverse
  // order from the left edge.
  EXPECT_EQ(200 - inner.right, vi->Button(2)->Bounds.right);
  EXPECT_EQ(vi->Button(2)->Bounds.left, vi->Button(0)->Bounds.right);
  EXPECT_EQ(inner.left, vi->Button(3)->Bounds.left);
  EXPECT_EQ(vi->Button(3)->Bounds.right, vi->Button(1)->Bounds.left);
  EXPECT_EQ(vi->Button(1)->Bounds.right, vi->ClientRect.left);
  EXPECT_EQ(vi->Button(0)->Bounds.left, vi->ClientRect.right);
  EXPECT_TRUE(vi->Button(2)->IsOuterEdge);
  EXPECT_TRUE(vi->Button(0)->IsInnerEdge);
  // Hidden buttons take no room; the indexes still name the collection's buttons.
  buttons->Items(0)->SetVisible(false);
  Pump();
  ASSERT_EQ(3, vi->ButtonCount());
  EXPECT_EQ(2, vi->Button(1)->Index);
}

TEST_F(EditInputTest, WideButtonIsClippedAndLeavesNoText) {
  TestEdit* edit = MakeButtonEdit({bkDown}, 120);
  edit->Properties()->Buttons()->Items(0)->SetWidth(500);
  Pump();
  TcxCustomEditViewInfo* vi = edit->ViewInfo();
  EXPECT_EQ(500, ButtonWidth(edit, 0));
  EXPECT_EQ(vi->BorderExtent.left, vi->Button(0)->VisibleBounds.left);
  EXPECT_EQ(120 - vi->BorderExtent.right, vi->Button(0)->VisibleBounds.right);
  EXPECT_EQ(vi->ClientRect.left, vi->ClientRect.right);
}

TEST_F(EditInputTest, HiddenInactiveButtonsShowWithTheFocus) {
  TestEdit* edit = MakeButtonEdit({bkDown});
  edit->Style()->SetButtonTransparency(ebtHideInactive);
  Pump();
  TcxCustomEditViewInfo* vi = edit->ViewInfo();
  EXPECT_EQ(0, vi->ButtonCount());
  EXPECT_EQ(150 - vi->BorderExtent.right, vi->ClientRect.right);
  edit->SetFocus();
  Pump();
  EXPECT_EQ(1, vi->ButtonCount());
  EXPECT_LT(vi->ClientRect.right, 150 - vi->BorderExtent.right);
}

TEST_F(EditInputTest, DefaultButtonIsOnlyOne) {
  TcxEditButtons buttons(nullptr, TcxEditButton::StaticClass());
  TcxEditButton* a = buttons.Add();
  TcxEditButton* b = buttons.Add();
  a->SetDefault(true);
  b->SetDefault(true);
  EXPECT_FALSE(a->Default());
  EXPECT_TRUE(b->Default());
  a->SetWidth(-3);
  EXPECT_EQ(0, a->Width());
}

TEST_F(EditInputTest, ButtonClickNeedsReleaseOverTheButton) {
  TestEdit* edit = MakeButtonEdit({bkEllipsis, bkDown});
  const TRect b1 = edit->ViewInfo()->Button(1)->Bounds;
  const int x = (b1.left + b1.right) / 2, y = (b1.top + b1.bottom) / 2;
  MoveTo(edit, x, y);
  EXPECT_EQ(ebstHot, edit->ViewInfo()->Button(1)->State);
  Press(edit, x, y);
  EXPECT_EQ(ebstPressed, edit->ViewInfo()->Button(1)->State);
  EXPECT_EQ(1, edit->CaptureButtonIndex());
  Release(edit, x, y);
  EXPECT_EQ(ebstHot, edit->ViewInfo()->Button(1)->State);
  EXPECT_EQ((Strings{"down 1", "up 1", "click 1"}), log);
  log.clear();
  Wait(1000);
  Press(edit, x, y);
  MoveTo(edit, 5, y);
  EXPECT_EQ(ebstNormal, edit->ViewInfo()->Button(1)->State);
  MoveTo(edit, x, y);
  EXPECT_EQ(ebstPressed, edit->ViewInfo()->Button(1)->State) << "the captured button is pressed again";
  MoveTo(edit, 5, y);
  Release(edit, 5, y);
  EXPECT_EQ(ebstNormal, edit->ViewInfo()->Button(1)->State);
  EXPECT_EQ((Strings{"down 1", "up 1", "down 1", "up 1"}), log);
}

TEST_F(EditInputTest, CtrlEnterClicksTheDefaultButton) {
  TestEdit* edit = MakeButtonEdit({bkEllipsis, bkDown});
  edit->Properties()->Buttons()->Items(1)->SetDefault(true);
  edit->SetFocus();
  Pump();
  backend->KeyDown(VK_CONTROL);
  Key(VK_RETURN);
  backend->KeyUp(VK_CONTROL);
  Pump();
  EXPECT_EQ((Strings{"click 1"}), log);
  EXPECT_EQ("", edit->Text);
}

TEST_F(EditInputTest, EscapeRestoresTheValueOfFocusEntryAndSwallowsItsCharacter) {
  TestEdit* edit = MakeEdit();
  edit->SetEditValue(Variant("old"));
  struct Keys {
    std::vector<int> seen;
    void Press(TObject*, char& Key) { seen.push_back(Key); }
  } keys;
  edit->OnKeyPress = TKeyPressEvent(&keys, &Keys::Press);
  edit->SetFocus();
  Pump();
  edit->Type("new");
  ASSERT_TRUE(edit->ModifiedAfterEnter());
  Key(VK_ESCAPE);
  EXPECT_EQ("old", edit->Text);
  EXPECT_EQ("old", VarToStr(edit->EditValue()));
  EXPECT_FALSE(edit->ModifiedAfterEnter());
  EXPECT_TRUE(edit->EditModified());
  EXPECT_TRUE(keys.seen.empty()) << "the Escape character reached the edit";
  // An unmodified edit lets Escape through.
  Key(VK_ESCAPE);
  EXPECT_EQ((std::vector<int>{27}), keys.seen);
}

TEST_F(EditInputTest, TabMovesTheFocusAndEnterValidatesWhenAsked) {
  TestEdit* first = MakeEdit();
  TestEdit* second = MakeEdit();
  second->SetTop(40);
  first->SetFocus();
  Pump();
  Key(VK_TAB);
  EXPECT_TRUE(second->Focused());
  second->Type("5");
  Key(VK_RETURN);
  EXPECT_TRUE(second->EditValue().IsNull()) << "Enter validated without ValidateOnEnter";
  second->Properties()->SetValidateOnEnter(true);
  Key(VK_RETURN);
  EXPECT_EQ("5", VarToStr(second->EditValue()));
  EXPECT_TRUE(second->IsEditValidated());
}

TEST_F(EditInputTest, NavigationKeysGoToTheHost) {
  TestEdit* edit = MakeEdit();
  struct Host {
    std::vector<int> keys;
    void AfterKey(TObject*, WORD& Key, TShiftState) { keys.push_back(Key); }
  } host;
  edit->OnAfterKeyDown = TKeyEvent(&host, &Host::AfterKey);
  edit->SetFocus();
  Pump();
  for (int vk : {int(VK_LEFT), int(VK_DOWN), int(VK_HOME), int('A')})
    Key(vk);
  EXPECT_EQ((std::vector<int>{VK_LEFT, VK_DOWN, VK_HOME}), host.keys);
}

TEST_F(EditInputTest, ClearKeyClearsAsTheUser) {
  TestEdit* edit = MakeEdit();
  edit->Properties()->SetClearKey(VK_DELETE);
  edit->SetEditValue(Variant("x"));
  edit->SetFocus();
  Pump();
  Key(VK_DELETE);
  EXPECT_TRUE(edit->EditValue().IsNull());
  EXPECT_TRUE(edit->ModifiedAfterEnter());
  EXPECT_TRUE(edit->IsEditValidated());
}

TEST_F(EditInputTest, AutoSizeTakesTheContentHeight) {
  TestEdit* edit = MakeEdit(120, 50);
  edit->cxCanvas()->SetFont(edit->Style()->GetVisibleFont());
  const int line = edit->cxCanvas()->TextHeight("Zg");
  const TRect extent = edit->ViewInfo()->BorderExtent;
  EXPECT_EQ(line + extent.top + extent.bottom, edit->Height());
  edit->SetAutoSize(false);
  edit->SetBounds(10, 10, 120, 50);
  EXPECT_EQ(50, edit->Height());
  edit->SetAutoSize(true);
  EXPECT_EQ(line + extent.top + extent.bottom, edit->Height());
}

TEST_F(EditInputTest, ActivationByKeyAndMouse) {
  if (!form)
    form = ShowForm();
  auto* edit = new TestEdit(form, true);
  edit->SetParent(form);
  edit->SetBounds(20, 20, 100, 20);
  edit->SetVisible(false);
  Pump();
  struct Chars {
    std::vector<int> seen;
    void Press(TObject*, char& Key) { seen.push_back(Key); }
  } chars;
  edit->OnKeyPress = TKeyPressEvent(&chars, &Chars::Press);
  TcxCustomEditData* data = nullptr;
  edit->ActivateByKey('q', data);
  EXPECT_TRUE(edit->Visible());
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ((std::vector<int>{'q'}), chars.seen);
  edit->SetVisible(false);
  Pump();
  edit->ActivateByMouse(TShiftState{}, 30, 25, data);
  EXPECT_TRUE(edit->ClickTimerEnabled());
  Wait(int(GetDoubleClickTime()) + 5);
  EXPECT_FALSE(edit->ClickTimerEnabled());
}

} // namespace
