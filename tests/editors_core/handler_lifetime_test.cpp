#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "edit_fixture.h"
#include "editors/core/cxListBox.h"
#include "editors/core/cxMemo.h"
#include "editors/core/cxTextEdit.h"
#include "platform/win/Input.h"

// Every handler a user's action reaches may free the control it was raised for; the control's own code
// must then leave it alone, which the sanitizers check for each path below.
namespace {

enum class Kind { Edit, TextEdit, Memo, CheckBox, ListBox };

// Frees its target the first time any of its handlers runs.
struct Freer {
  TControl* target = nullptr;
  bool fired = false;
  void Free() {
    if (!target)
      return;
    fired = true;
    TControl* t = target;
    target = nullptr;
    t->Free();
  }
  void Notify(TObject*) { Free(); }
  void Key(TObject*, WORD&, TShiftState) { Free(); }
  void Press(TObject*, char&) { Free(); }
  void Mouse(TObject*, TMouseButton, TShiftState, int, int) { Free(); }
  void Move(TObject*, TShiftState, int, int) { Free(); }
  void Wheel(TObject*, TShiftState, int, TPoint, bool&) { Free(); }
  void Context(TObject*, TPoint, bool&) { Free(); }
  void Editing(TObject*, bool&) { Free(); }
  void Button(TObject*, int) { Free(); }
  void Validate(TObject*, Variant&, TCaption&, bool&) { Free(); }
  void StartDrag(TObject*, TDragObject*&) { Free(); }
  void EndDrag(TObject*, TObject*, int, int) { Free(); }
  void DragOver(TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; }
  void DragOverFree(TObject*, TObject*, int, int, TDragState, bool& Accept) {
    Accept = true;
    Free();
  }
  void DragDrop(TObject*, TObject*, int, int) { Free(); }
};

class HandlerLifetimeTest;
using Hook = std::function<void(TcxContainer*, Freer&)>;
using Act = std::function<void(HandlerLifetimeTest&, TcxContainer*)>;

struct Case {
  const char* name;
  Kind kind;
  Hook hook;
  Act act;
};

class HandlerLifetimeTest : public TextEditorsTest, public ::testing::WithParamInterface<Case> {
public:
  void SetUp() override {
    TextEditorsTest::SetUp();
    form = ShowForm();
    other = new TcxTextEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 250, 100, 21);
    Pump();
  }

  TcxContainer* Make(Kind AKind) {
    TcxContainer* c = nullptr;
    switch (AKind) {
    case Kind::Edit:
      c = new TestEdit(form);
      break;
    case Kind::TextEdit: {
      auto* edit = new TcxTextEdit(form);
      edit->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
      edit->SetText("text");
      c = edit;
      break;
    }
    case Kind::Memo:
      c = new TcxMemo(form);
      break;
    case Kind::CheckBox: {
      auto* box = new TcxCheckBox(form);
      box->SetAutoSize(false);
      box->SetCaption("Option");
      c = box;
      break;
    }
    case Kind::ListBox: {
      auto* list = new TcxListBox(form);
      list->SetParent(form);
      for (const char* item : {"alfa", "beta", "gama"})
        list->Items()->Add(item);
      c = list;
      break;
    }
    }
    c->SetParent(form);
    c->SetBounds(20, 20, 150, AKind == Kind::Memo || AKind == Kind::ListBox ? 100 : 21);
    Pump();
    return c;
  }

  // A point on the control's text (the inner control where there is one), in the control's client space.
  static TPoint TextPoint(TcxContainer* c) {
    if (auto* list = dynamic_cast<TcxListBox*>(c)) {
      const TRect r = list->ItemRect(0);
      TWinControl* inner = list->InnerListBox();
      return TPoint{inner->Left() + r.left + 5, inner->Top() + (r.top + r.bottom) / 2};
    }
    if (auto* box = dynamic_cast<TcxCheckBox*>(c)) {
      const TRect r = box->ViewInfo()->CheckBoxRect;
      return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    return TPoint{10, c->Height() / 2};
  }
  // Each step below is given in screen positions taken before the first one, and runs only while the
  // control lives: the handler under test frees it somewhere on the way.
  bool Alive() const { return *alive; }
  void ClickAt(TcxContainer* c, TPoint p, platform::MouseButton b = platform::MouseButton::Left) {
    const TPoint s = At(c, p.x, p.y);
    backend->MouseMove(s.x, s.y);
    Pump();
    if (Alive()) {
      backend->MouseDown(s.x, s.y, b);
      Pump();
    }
    backend->MouseUp(s.x, s.y, b);
    Pump();
  }
  void Click(TcxContainer* c) { ClickAt(c, TextPoint(c)); }
  void ClickBorder(TcxContainer* c) { ClickAt(c, TPoint{1, 1}); }
  void DoubleClick(TcxContainer* c) {
    const TPoint p = TextPoint(c);
    ClickAt(c, p);
    if (Alive())
      ClickAt(c, p);
  }
  void RightClick(TcxContainer* c) { ClickAt(c, TextPoint(c), platform::MouseButton::Right); }
  void Focus(TcxContainer* c) {
    c->SetFocus();
    Pump();
  }
  void Key(TcxContainer* c, int vk, bool shifted = false) {
    Focus(c);
    if (!Alive())
      return;
    if (shifted)
      backend->KeyDown(VK_SHIFT);
    backend->KeyDown(vk);
    Pump();
    backend->KeyUp(vk);
    if (shifted)
      backend->KeyUp(VK_SHIFT);
    Pump();
  }
  void Type(TcxContainer* c, char ch) {
    Focus(c);
    if (!Alive())
      return;
    platform::InjectChar(BYTE(ch));
    Pump();
  }
  void FocusAway(TcxContainer* c) {
    Focus(c);
    other->SetFocus();
    Pump();
  }
  // The focused control is hidden or disabled, which takes the focus from it. The focus comes first with the
  // focus handler held back, so that it is the hiding or disabling that raises it.
  void FocusQuietly(TcxContainer* c) {
    const TNotifyEvent held = std::exchange(c->OnFocusChanged, TNotifyEvent());
    Focus(c);
    c->OnFocusChanged = held;
  }
  void HideFocused(TcxContainer* c) {
    FocusQuietly(c);
    c->Hide();
    Pump();
  }
  void DisableFocused(TcxContainer* c) {
    FocusQuietly(c);
    c->SetEnabled(false);
    Pump();
  }
  void Leave(TcxContainer* c) {
    const TPoint p = TextPoint(c);
    MoveTo(c, p.x, p.y);
    Wait(30);
    MoveTo(other, 5, 5);
    Wait(30);
  }
  // Presses over the text and lets go over an empty place of the form, in steps past the drag threshold.
  void DragToForm(TcxContainer* c) {
    const TPoint from = At(c, TextPoint(c).x, TextPoint(c).y), to = At(form, 300, 200);
    backend->MouseMove(from.x, from.y);
    Pump();
    if (Alive()) {
      backend->MouseDown(from.x, from.y);
      Pump();
    }
    for (const TPoint p : {TPoint{to.x - 10, to.y}, to}) {
      backend->MouseMove(p.x, p.y);
      Pump();
    }
    backend->MouseUp(to.x, to.y);
    Pump();
  }
  void Wheel(TcxContainer* c) {
    const TPoint p = At(c, TextPoint(c).x, TextPoint(c).y);
    Focus(c);
    if (!Alive())
      return;
    backend->Wheel(-120, p.x, p.y);
    Pump();
  }

  using ControlTest::MoveTo;

  std::shared_ptr<const bool> alive;
  TcxTextEdit* other = nullptr;
};

TEST_P(HandlerLifetimeTest, ControlFreedByItsHandlerIsLeftAlone) {
  const Case& c = GetParam();
  TcxContainer* control = Make(c.kind);
  const int controls = form->ControlCount();
  alive = control->AliveToken();
  Freer freer{control};
  c.hook(control, freer);
  c.act(*this, control);
  EXPECT_TRUE(freer.fired) << "the handler was not reached";
  EXPECT_FALSE(*alive);
  EXPECT_EQ(form->ControlCount(), controls - 1);
  // The form goes on working where the control was: the pointer, keys and timers find nothing freed, and
  // what is typed reaches the control that takes the focus next.
  MoveTo(form, 30, 30);
  Press(form, 30, 30);
  Release(form, 30, 30);
  backend->PressKey(VK_DOWN);
  Wait(600);
  MoveTo(other, 5, 5);
  Wait(30);
  other->SetFocus();
  Pump();
  platform::InjectChar('z');
  Pump();
  EXPECT_EQ(other->Text(), "z");
}

TcxCustomEditProperties* PropertiesOf(TcxContainer* c) {
  return static_cast<TcxCustomEdit*>(c)->Properties();
}

// Hooks.
const Hook onChange = [](TcxContainer* c, Freer& f) {
  PropertiesOf(c)->OnChange = TNotifyEvent(&f, &Freer::Notify);
};
const Hook onEditValueChanged = [](TcxContainer* c, Freer& f) {
  PropertiesOf(c)->OnEditValueChanged = TNotifyEvent(&f, &Freer::Notify);
};
const Hook onValidate = [](TcxContainer* c, Freer& f) {
  PropertiesOf(c)->OnValidate = TcxEditValidateEvent(&f, &Freer::Validate);
};
const Hook onButtonClick = [](TcxContainer* c, Freer& f) {
  PropertiesOf(c)->OnButtonClick = TcxEditButtonClickEvent(&f, &Freer::Button);
};
const Hook onEditing = [](TcxContainer* c, Freer& f) {
  static_cast<TcxCustomEdit*>(c)->OnEditing = TcxEditEditingEvent(&f, &Freer::Editing);
};
const Hook onClick = [](TcxContainer* c, Freer& f) { c->OnClick = TNotifyEvent(&f, &Freer::Notify); };
const Hook onDblClick = [](TcxContainer* c, Freer& f) { c->OnDblClick = TNotifyEvent(&f, &Freer::Notify); };
const Hook onKeyDown = [](TcxContainer* c, Freer& f) { c->OnKeyDown = TKeyEvent(&f, &Freer::Key); };
const Hook onKeyUp = [](TcxContainer* c, Freer& f) { c->OnKeyUp = TKeyEvent(&f, &Freer::Key); };
const Hook onKeyPress = [](TcxContainer* c, Freer& f) { c->OnKeyPress = TKeyPressEvent(&f, &Freer::Press); };
const Hook onMouseDown = [](TcxContainer* c, Freer& f) { c->OnMouseDown = TMouseEvent(&f, &Freer::Mouse); };
const Hook onMouseUp = [](TcxContainer* c, Freer& f) { c->OnMouseUp = TMouseEvent(&f, &Freer::Mouse); };
const Hook onMouseMove = [](TcxContainer* c, Freer& f) {
  c->OnMouseMove = TMouseMoveEvent(&f, &Freer::Move);
};
const Hook onMouseEnter = [](TcxContainer* c, Freer& f) {
  c->OnMouseEnter = TNotifyEvent(&f, &Freer::Notify);
};
const Hook onMouseLeave = [](TcxContainer* c, Freer& f) {
  c->OnMouseLeave = TNotifyEvent(&f, &Freer::Notify);
};
const Hook onMouseWheel = [](TcxContainer* c, Freer& f) {
  c->OnMouseWheel = TMouseWheelEvent(&f, &Freer::Wheel);
};
const Hook onContextPopup = [](TcxContainer* c, Freer& f) {
  c->OnContextPopup = TContextPopupEvent(&f, &Freer::Context);
};
const Hook onEnter = [](TcxContainer* c, Freer& f) { c->OnEnter = TNotifyEvent(&f, &Freer::Notify); };
const Hook onExit = [](TcxContainer* c, Freer& f) { c->OnExit = TNotifyEvent(&f, &Freer::Notify); };
const Hook onFocusChanged = [](TcxContainer* c, Freer& f) {
  c->OnFocusChanged = TNotifyEvent(&f, &Freer::Notify);
};
// The drag handlers: the source's own, and the form's, which free the source when it is dragged over the
// form or dropped there.
const Hook onStartDrag = [](TcxContainer* c, Freer& f) {
  c->SetDragMode(dmAutomatic);
  c->OnStartDrag = TStartDragEvent(&f, &Freer::StartDrag);
};
const Hook onEndDrag = [](TcxContainer* c, Freer& f) {
  c->SetDragMode(dmAutomatic);
  c->OnEndDrag = TEndDragEvent(&f, &Freer::EndDrag);
};
const Hook onDragDrop = [](TcxContainer* c, Freer& f) {
  c->SetDragMode(dmAutomatic);
  c->Parent()->OnDragOver = TDragOverEvent(&f, &Freer::DragOver);
  c->Parent()->OnDragDrop = TDragDropEvent(&f, &Freer::DragDrop);
};
const Hook onDragOver = [](TcxContainer* c, Freer& f) {
  c->SetDragMode(dmAutomatic);
  c->Parent()->OnDragOver = TDragOverEvent(&f, &Freer::DragOverFree);
};

// Actions.
using T = HandlerLifetimeTest;
const Act setText = [](T&, TcxContainer* c) { c->SetText("new"); };
const Act typeChar = [](T& t, TcxContainer* c) { t.Type(c, 'a'); };
const Act keyA = [](T& t, TcxContainer* c) { t.Key(c, 'A'); };
const Act keyDown = [](T& t, TcxContainer* c) { t.Key(c, VK_DOWN); };
const Act keySpace = [](T& t, TcxContainer* c) { t.Key(c, VK_SPACE); };
// Delete, and Shift+Delete (cut), over the first two letters of the text.
void DeleteSelection(T& t, TcxContainer* c, bool shifted) {
  auto* edit = static_cast<TcxCustomTextEdit*>(c);
  if (edit->Text().empty())
    edit->SetText("text");
  t.Focus(c);
  edit->SetSelection(0, 2);
  t.Key(c, VK_DELETE, shifted);
}
const Act keyDelete = [](T& t, TcxContainer* c) { DeleteSelection(t, c, false); };
const Act keyShiftDelete = [](T& t, TcxContainer* c) { DeleteSelection(t, c, true); };
const Act click = [](T& t, TcxContainer* c) { t.Click(c); };
const Act clickBorder = [](T& t, TcxContainer* c) { t.ClickBorder(c); };
const Act doubleClick = [](T& t, TcxContainer* c) { t.DoubleClick(c); };
const Act rightClick = [](T& t, TcxContainer* c) { t.RightClick(c); };
const Act moveOver = [](T& t, TcxContainer* c) { t.MoveTo(c, t.TextPoint(c).x, t.TextPoint(c).y); };
const Act leave = [](T& t, TcxContainer* c) { t.Leave(c); };
const Act focus = [](T& t, TcxContainer* c) { t.Focus(c); };
const Act focusAway = [](T& t, TcxContainer* c) { t.FocusAway(c); };
const Act hideFocused = [](T& t, TcxContainer* c) { t.HideFocused(c); };
const Act disableFocused = [](T& t, TcxContainer* c) { t.DisableFocused(c); };
const Act wheel = [](T& t, TcxContainer* c) { t.Wheel(c); };
const Act dragToForm = [](T& t, TcxContainer* c) { t.DragToForm(c); };
const Act clickButton = [](T& t, TcxContainer* c) {
  const TRect b = static_cast<TcxCustomEdit*>(c)->ViewInfo()->Button(0)->Bounds;
  t.ClickAt(c, TPoint{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
};
// The small editor of the fixture has no inner control: typing is its own helper.
const Act typeIntoEdit = [](T& t, TcxContainer* c) {
  t.Focus(c);
  static_cast<TestEdit*>(c)->Type("typed");
};
const Act typeIntoEditThenLeave = [](T& t, TcxContainer* c) {
  typeIntoEdit(t, c);
  t.FocusAway(c);
};
// What was typed is validated as the edit is hidden or disabled, which takes the focus from it.
const Act typeIntoEditThenHide = [](T& t, TcxContainer* c) {
  typeIntoEdit(t, c);
  if (t.Alive())
    t.HideFocused(c);
};
const Act typeIntoEditThenDisable = [](T& t, TcxContainer* c) {
  typeIntoEdit(t, c);
  if (t.Alive())
    t.DisableFocused(c);
};
const Act setEditValue = [](T&, TcxContainer* c) {
  static_cast<TcxCustomEdit*>(c)->SetEditValue(Variant("new"));
};
const Act memoLines = [](T&, TcxContainer* c) { static_cast<TcxMemo*>(c)->Lines()->Add("line"); };
// Operations of several steps on the lines: the first step's change frees the memo, and with it its lines.
const Act memoAddStrings = [](T&, TcxContainer* c) {
  TStringList more;
  more.SetText("one\r\ntwo\r\nthree");
  static_cast<TcxMemo*>(c)->Lines()->AddStrings(&more);
};
const Act memoSetLines = [](T&, TcxContainer* c) {
  TStringList more;
  more.SetText("one\r\ntwo");
  static_cast<TcxMemo*>(c)->SetLines(&more);
};
const Act memoCommaText = [](T&, TcxContainer* c) {
  static_cast<TcxMemo*>(c)->Lines()->SetCommaText("one,two");
};
// The memo holds two lines, written before its change handler is set, which the act then swaps.
void FillQuietly(TcxContainer* c) {
  auto* memo = static_cast<TcxMemo*>(c);
  const TNotifyEvent held = std::exchange(memo->Properties()->OnChange, TNotifyEvent());
  memo->Lines()->SetText("one\r\ntwo");
  memo->Properties()->OnChange = held;
}
const Act memoExchange = [](T&, TcxContainer* c) {
  FillQuietly(c);
  static_cast<TcxMemo*>(c)->Lines()->Exchange(0, 1);
};
const Act memoMove = [](T&, TcxContainer* c) {
  FillQuietly(c);
  static_cast<TcxMemo*>(c)->Lines()->Move(0, 1);
};

const Case cases[] = {
    {"TextEditChangeBySetText", Kind::TextEdit, onChange, setText},
    {"TextEditChangeByTyping", Kind::TextEdit, onChange, typeChar},
    {"TextEditChangeByDelete", Kind::TextEdit, onChange, keyDelete},
    {"EditValueChangedByProgram", Kind::Edit, onEditValueChanged, setEditValue},
    {"EditChangeByProgram", Kind::Edit, onChange, setEditValue},
    {"EditChangeByTyping", Kind::Edit, onChange, typeIntoEdit},
    {"EditEditing", Kind::Edit, onEditing, typeIntoEdit},
    {"EditValidate", Kind::Edit, onValidate, typeIntoEditThenLeave},
    {"TextEditEditing", Kind::TextEdit, onEditing, typeChar},
    {"TextEditEditingByDelete", Kind::TextEdit, onEditing, keyDelete},
    {"TextEditEditingByShiftDelete", Kind::TextEdit, onEditing, keyShiftDelete},
    {"TextEditButtonClick", Kind::TextEdit, onButtonClick, clickButton},
    {"TextEditKeyDown", Kind::TextEdit, onKeyDown, keyA},
    {"TextEditKeyPress", Kind::TextEdit, onKeyPress, typeChar},
    {"TextEditKeyUp", Kind::TextEdit, onKeyUp, keyA},
    {"TextEditClick", Kind::TextEdit, onClick, click},
    {"TextEditClickOnBorder", Kind::TextEdit, onClick, clickBorder},
    {"TextEditDoubleClick", Kind::TextEdit, onDblClick, doubleClick},
    {"TextEditMouseDown", Kind::TextEdit, onMouseDown, click},
    {"TextEditMouseUp", Kind::TextEdit, onMouseUp, click},
    {"TextEditMouseDownOnBorder", Kind::TextEdit, onMouseDown, clickBorder},
    {"TextEditMouseUpOnBorder", Kind::TextEdit, onMouseUp, clickBorder},
    {"TextEditMouseMove", Kind::TextEdit, onMouseMove, moveOver},
    {"TextEditMouseEnter", Kind::TextEdit, onMouseEnter, moveOver},
    {"TextEditMouseLeave", Kind::TextEdit, onMouseLeave, leave},
    {"TextEditMouseWheel", Kind::TextEdit, onMouseWheel, wheel},
    {"TextEditContextPopup", Kind::TextEdit, onContextPopup, rightClick},
    {"TextEditEnter", Kind::TextEdit, onEnter, focus},
    {"TextEditExit", Kind::TextEdit, onExit, focusAway},
    {"TextEditFocusIn", Kind::TextEdit, onFocusChanged, focus},
    {"TextEditFocusOut", Kind::TextEdit, onFocusChanged, focusAway},
    {"TextEditFocusOutByHiding", Kind::TextEdit, onFocusChanged, hideFocused},
    {"TextEditFocusOutByDisabling", Kind::TextEdit, onFocusChanged, disableFocused},
    {"TextEditExitByHiding", Kind::TextEdit, onExit, hideFocused},
    {"TextEditExitByDisabling", Kind::TextEdit, onExit, disableFocused},
    {"EditValidateByHiding", Kind::Edit, onValidate, typeIntoEditThenHide},
    {"EditValidateByDisabling", Kind::Edit, onValidate, typeIntoEditThenDisable},
    {"TextEditStartDrag", Kind::TextEdit, onStartDrag, dragToForm},
    {"TextEditEndDrag", Kind::TextEdit, onEndDrag, dragToForm},
    {"TextEditDroppedOnForm", Kind::TextEdit, onDragDrop, dragToForm},
    {"TextEditDraggedOverForm", Kind::TextEdit, onDragOver, dragToForm},
    {"MemoChangeBySetText", Kind::Memo, onChange, setText},
    {"MemoChangeByTyping", Kind::Memo, onChange, typeChar},
    {"MemoChangeByLines", Kind::Memo, onChange, memoLines},
    {"MemoChangeByLinesText", Kind::Memo, onChange,
     [](T&, TcxContainer* c) { static_cast<TcxMemo*>(c)->Lines()->SetText("x\r\ny"); }},
    {"MemoChangeByLinesAddStrings", Kind::Memo, onChange, memoAddStrings},
    {"MemoChangeBySetLines", Kind::Memo, onChange, memoSetLines},
    {"MemoChangeByLinesCommaText", Kind::Memo, onChange, memoCommaText},
    {"MemoChangeByLinesExchange", Kind::Memo, onChange, memoExchange},
    {"MemoChangeByLinesMove", Kind::Memo, onChange, memoMove},
    {"MemoChangeByReturn", Kind::Memo, onChange, [](T& t, TcxContainer* c) { t.Key(c, VK_RETURN); }},
    {"MemoEditingByDelete", Kind::Memo, onEditing, keyDelete},
    {"MemoEditingByShiftDelete", Kind::Memo, onEditing, keyShiftDelete},
    {"MemoKeyDown", Kind::Memo, onKeyDown, keyDown},
    {"MemoKeyPress", Kind::Memo, onKeyPress, typeChar},
    {"MemoKeyUp", Kind::Memo, onKeyUp, keyDown},
    {"MemoClick", Kind::Memo, onClick, click},
    {"MemoClickOnBorder", Kind::Memo, onClick, clickBorder},
    {"MemoDoubleClick", Kind::Memo, onDblClick, doubleClick},
    {"MemoMouseDown", Kind::Memo, onMouseDown, click},
    {"MemoMouseUp", Kind::Memo, onMouseUp, click},
    {"MemoMouseDownOnBorder", Kind::Memo, onMouseDown, clickBorder},
    {"MemoMouseUpOnBorder", Kind::Memo, onMouseUp, clickBorder},
    {"MemoMouseMove", Kind::Memo, onMouseMove, moveOver},
    {"MemoMouseEnter", Kind::Memo, onMouseEnter, moveOver},
    {"MemoMouseLeave", Kind::Memo, onMouseLeave, leave},
    {"MemoMouseWheel", Kind::Memo, onMouseWheel, wheel},
    {"MemoContextPopup", Kind::Memo, onContextPopup, rightClick},
    {"MemoExit", Kind::Memo, onExit, focusAway},
    {"MemoFocusOut", Kind::Memo, onFocusChanged, focusAway},
    {"MemoFocusOutByHiding", Kind::Memo, onFocusChanged, hideFocused},
    {"MemoFocusOutByDisabling", Kind::Memo, onFocusChanged, disableFocused},
    {"MemoExitByHiding", Kind::Memo, onExit, hideFocused},
    {"MemoStartDrag", Kind::Memo, onStartDrag, dragToForm},
    {"MemoEndDrag", Kind::Memo, onEndDrag, dragToForm},
    {"MemoDroppedOnForm", Kind::Memo, onDragDrop, dragToForm},
    {"MemoDraggedOverForm", Kind::Memo, onDragOver, dragToForm},
    {"CheckBoxClickBySpace", Kind::CheckBox, onClick, keySpace},
    {"CheckBoxClickByMouse", Kind::CheckBox, onClick, click},
    {"CheckBoxChangeBySpace", Kind::CheckBox, onChange, keySpace},
    {"CheckBoxChangeByMouse", Kind::CheckBox, onChange, click},
    {"CheckBoxValueChangedBySpace", Kind::CheckBox, onEditValueChanged, keySpace},
    {"CheckBoxValueChangedByMouse", Kind::CheckBox, onEditValueChanged, click},
    {"CheckBoxEditing", Kind::CheckBox, onEditing, keySpace},
    {"CheckBoxChangeByProgram", Kind::CheckBox, onChange,
     [](T&, TcxContainer* c) { static_cast<TcxCheckBox*>(c)->SetChecked(true); }},
    {"CheckBoxKeyDown", Kind::CheckBox, onKeyDown, keyA},
    {"CheckBoxKeyUp", Kind::CheckBox, onKeyUp, keyA},
    {"CheckBoxKeyPress", Kind::CheckBox, onKeyPress, typeChar},
    {"CheckBoxMouseDown", Kind::CheckBox, onMouseDown, click},
    {"CheckBoxMouseUp", Kind::CheckBox, onMouseUp, click},
    {"CheckBoxMouseMove", Kind::CheckBox, onMouseMove, moveOver},
    {"CheckBoxMouseEnter", Kind::CheckBox, onMouseEnter, moveOver},
    {"CheckBoxMouseLeave", Kind::CheckBox, onMouseLeave, leave},
    {"CheckBoxContextPopup", Kind::CheckBox, onContextPopup, rightClick},
    {"CheckBoxEnter", Kind::CheckBox, onEnter, focus},
    {"CheckBoxExit", Kind::CheckBox, onExit, focusAway},
    {"CheckBoxFocusIn", Kind::CheckBox, onFocusChanged, focus},
    {"CheckBoxFocusOut", Kind::CheckBox, onFocusChanged, focusAway},
    {"CheckBoxFocusOutByHiding", Kind::CheckBox, onFocusChanged, hideFocused},
    {"CheckBoxFocusOutByDisabling", Kind::CheckBox, onFocusChanged, disableFocused},
    {"ListBoxClick", Kind::ListBox, onClick, click},
    {"ListBoxDoubleClick", Kind::ListBox, onDblClick, doubleClick},
    {"ListBoxKeyDown", Kind::ListBox, onKeyDown, keyDown},
    {"ListBoxKeyUp", Kind::ListBox, onKeyUp, keyDown},
    {"ListBoxKeyPress", Kind::ListBox, onKeyPress, typeChar},
    {"ListBoxMouseDown", Kind::ListBox, onMouseDown, click},
    {"ListBoxMouseUp", Kind::ListBox, onMouseUp, click},
    {"ListBoxMouseMove", Kind::ListBox, onMouseMove, moveOver},
    {"ListBoxMouseLeave", Kind::ListBox, onMouseLeave, leave},
    {"ListBoxMouseWheel", Kind::ListBox, onMouseWheel, wheel},
    {"ListBoxContextPopup", Kind::ListBox, onContextPopup, rightClick},
    {"ListBoxEnter", Kind::ListBox, onEnter, focus},
    {"ListBoxExit", Kind::ListBox, onExit, focusAway},
    {"ListBoxFocusIn", Kind::ListBox, onFocusChanged, focus},
    {"ListBoxFocusOut", Kind::ListBox, onFocusChanged, focusAway},
    {"ListBoxFocusOutByHiding", Kind::ListBox, onFocusChanged, hideFocused},
    {"ListBoxFocusOutByDisabling", Kind::ListBox, onFocusChanged, disableFocused},
    {"ListBoxStartDrag", Kind::ListBox, onStartDrag, dragToForm},
    {"ListBoxEndDrag", Kind::ListBox, onEndDrag, dragToForm},
    {"ListBoxDroppedOnForm", Kind::ListBox, onDragDrop, dragToForm},
    {"ListBoxDraggedOverForm", Kind::ListBox, onDragOver, dragToForm},
};

INSTANTIATE_TEST_SUITE_P(Paths, HandlerLifetimeTest, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

} // namespace

namespace {

class ListBoxDragTest : public EditTest {
protected:
  void SetUp() override {
    EditTest::SetUp();
    form = ShowForm();
  }
};

// A list box in automatic drag mode freed while its drag runs: the drag ends as the control goes, without
// its inner list reaching the half-destroyed list box.
TEST_F(ListBoxDragTest, ListBoxFreedDuringItsAutomaticDrag) {
  auto* list = new TcxListBox(form);
  list->SetParent(form);
  list->SetBounds(20, 20, 150, 100);
  for (const char* item : {"alfa", "beta", "gama"})
    list->Items()->Add(item);
  list->SetDragMode(dmAutomatic);
  Pump();
  const TRect item = list->ItemRect(1);
  TWinControl* inner = list->InnerListBox();
  const TPoint p = At(inner, item.left + 5, (item.top + item.bottom) / 2);
  backend->MouseMove(p.x, p.y);
  backend->MouseDown(p.x, p.y);
  Pump();
  backend->MouseMove(p.x + 30, p.y + 30);
  Pump();
  ASSERT_TRUE(list->Dragging());
  auto alive = list->AliveToken();
  list->Free();
  EXPECT_FALSE(*alive);
  EXPECT_EQ(DragObject(), nullptr) << "the drag ended with its source";
  backend->MouseUp(p.x + 30, p.y + 30);
  Pump();
  MoveTo(form, 5, 5);
  Pump();
}

} // namespace

namespace {

// Keeps what reaches the loop, on a shown form.
class RecordingTest : public EditTest {
protected:
  void SetUp() override {
    EditTest::SetUp();
    form = ShowForm();
    Application()->OnException = TExceptionEvent(this, &RecordingTest::Record);
  }
  void TearDown() override {
    Application()->OnException = {};
    EditTest::TearDown();
  }

public:
  void Record(TObject*, const std::exception& E) { errors.push_back(E.what()); }

  TcxContainer* panel = nullptr;
  std::vector<std::string> errors;
};

class FreedParentTest : public RecordingTest {
public:
  void FreePanel(TObject*) { std::exchange(panel, nullptr)->Free(); }
};

// A press on an editor inside a panel whose enter handler frees the panel: the editor, owned by the form,
// stays without a parent and so without a window, and the rest of the press does not try to make one.
TEST_F(FreedParentTest, APressWhoseEnterHandlerFreesTheParentRaisesNothing) {
  for (bool memo : {false, true}) {
    SCOPED_TRACE(memo ? "memo" : "text edit");
    panel = new TcxContainer(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 200, 120);
    TcxCustomTextEdit* edit =
        memo ? static_cast<TcxCustomTextEdit*>(new TcxMemo(form)) : new TcxTextEdit(form);
    edit->SetParent(panel);
    edit->SetBounds(10, 10, 150, memo ? 60 : 21);
    edit->SetText("text");
    panel->OnEnter = TNotifyEvent(this, &FreedParentTest::FreePanel);
    Pump();
    const TPoint p = At(edit, 20, 10);
    backend->MouseMove(p.x, p.y);
    backend->MouseDown(p.x, p.y);
    backend->MouseUp(p.x, p.y);
    Pump();
    EXPECT_EQ(panel, nullptr) << "the enter handler ran";
    EXPECT_EQ(edit->Parent(), nullptr);
    EXPECT_FALSE(edit->HandleAllocated());
    EXPECT_TRUE(errors.empty()) << errors.front();
    errors.clear();
    edit->Free();
  }
}

// Popups and the handlers they raise take the focus away from a control while the library hands it on.
class FocusTakenAwayTest : public RecordingTest {
protected:
  void MakePanel() {
    panel = new TcxContainer(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 300, 200);
  }
  std::unique_ptr<TcxCustomPopupWindow> MakePopup(TWinControl* AOwner) {
    auto popup = std::make_unique<TcxCustomPopupWindow>(AOwner);
    popup->SetModalMode(false);
    popup->SetOwnerParent(AOwner);
    popup->SetOwnerBounds(TRect{0, 0, AOwner->Width(), AOwner->Height()});
    popup->SetBounds(0, 0, 200, 80);
    return popup;
  }
  TcxCustomTextEdit* MakeTextEditOrMemo(bool AMemo, TWinControl* AParent) {
    TcxCustomTextEdit* edit =
        AMemo ? static_cast<TcxCustomTextEdit*>(new TcxMemo(form)) : new TcxTextEdit(form);
    edit->SetParent(AParent);
    edit->SetBounds(5, 5, 150, AMemo ? 60 : 21);
    return edit;
  }
  void ClickAt(const TPoint& P) {
    backend->MouseMove(P.x, P.y);
    backend->MouseDown(P.x, P.y);
    backend->MouseUp(P.x, P.y);
    Pump();
  }

public:
  // Opens the other popup, or closes it when it is open.
  void Toggle(TObject*) {
    if (other->IsShown())
      other->ClosePopup();
    else
      other->ShowPopup(nullptr);
  }
  void TakeAway(TObject*) {
    if (disable)
      panel->SetEnabled(false);
    else
      panel->Hide();
  }

  void HideForm(TObject* Sender) { static_cast<TCustomForm*>(Sender)->Hide(); }
  void PressTab(TObject*) {
    ASSERT_TRUE(tabTarget->Focused());
    TCustomForm* form = tabTarget->GetParentForm();
    ASSERT_FALSE(form->Active() || form->CanFocus()) << "the form can take the focus";
    tabPressed = true;
    SendMessage(tabTarget->Handle(), WM_KEYDOWN, VK_TAB, 0);
    SendMessage(tabTarget->Handle(), WM_KEYUP, VK_TAB, 0);
  }

  TcxCustomPopupWindow* other = nullptr;
  bool disable = false;
  TWinControl* tabTarget = nullptr;
  bool tabPressed = false;
};

// The program focuses an edit while a popup holds the focus. The popup closes as its form deactivates, and
// its close handler opens another popup, which closes in turn as the form activates, hiding or disabling the
// edit's panel: the platform still gives the edit the focus. Its inner control cannot take it then; the edit
// keeps the focus, raises nothing, and takes typing again once the panel is back.
TEST_F(FocusTakenAwayTest, AnEditWhosePanelGoesWhileItTakesTheFocusRaisesNothing) {
  for (bool memo : {false, true})
    for (bool onClosed : {false, true})
      for (bool disablePanel : {false, true}) {
        SCOPED_TRACE(std::string(memo ? "memo" : "text edit") + (onClosed ? ", closed" : ", closing") +
                     (disablePanel ? ", disable the panel" : ", hide the panel"));
        MakePanel();
        auto* owner = new TcxContainer(form);
        owner->SetParent(panel);
        owner->SetBounds(10, 10, 250, 150);
        TcxCustomTextEdit* edit = MakeTextEditOrMemo(memo, owner);
        auto popup = MakePopup(owner);
        auto second = MakePopup(panel);
        other = second.get();
        disable = disablePanel;
        (onClosed ? popup->OnClosed : popup->OnClosing) = TNotifyEvent(this, &FocusTakenAwayTest::Toggle);
        second->OnClosed = TNotifyEvent(this, &FocusTakenAwayTest::TakeAway);
        popup->ShowPopup(nullptr);
        Pump();
        ASSERT_EQ(GetFocus(), popup->Handle());
        EXPECT_NO_THROW(edit->SetFocus());
        Pump();
        EXPECT_FALSE(panel->Visible() && panel->Enabled()) << "the second popup's close handler ran";
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_FALSE(edit->InnerControl()->Focused());
        errors.clear();
        popup->OnClosed = popup->OnClosing = second->OnClosed = {};
        panel->SetEnabled(true);
        panel->Show();
        edit->SetFocus();
        Pump();
        platform::InjectChar('x');
        Pump();
        EXPECT_EQ(edit->Text(), "x");
        edit->Free();
        popup.reset();
        second.reset();
        owner->Free();
        panel->Free();
      }
}

// An edit's focus change opens and closes another popup while the edit's own popup shows. The program's
// popup, which nothing closed, stays shown; the other one ends closed; each popup's state matches its window.
TEST_F(FocusTakenAwayTest, APopupOpenedAndClosedWhileAnotherShowsLeavesBothConsistent) {
  for (bool memo : {false, true}) {
    SCOPED_TRACE(memo ? "memo" : "text edit");
    MakePanel();
    auto popup = MakePopup(panel);
    auto second = MakePopup(form);
    second->SetOwnerBounds(TRect{0, 250, 100, 270});
    other = second.get();
    TcxCustomTextEdit* edit = MakeTextEditOrMemo(memo, popup.get());
    edit->OnFocusChanged = TNotifyEvent(this, &FocusTakenAwayTest::Toggle);
    popup->ShowPopup(nullptr);
    Pump();
    edit->OnFocusChanged = {};
    EXPECT_TRUE(popup->Visible());
    EXPECT_TRUE(popup->HandleAllocated() && IsWindowVisible(popup->Handle()));
    EXPECT_FALSE(second->Visible());
    EXPECT_FALSE(second->HandleAllocated() && IsWindowVisible(second->Handle()));
    EXPECT_TRUE(errors.empty()) << errors.front();
    errors.clear();
    edit->Free();
    popup.reset();
    second.reset();
    panel->Free();
  }
}

// The program hides a popup as it loses the activation, and its hide handler presses Tab in the edit that
// still holds the focus there: the popup is neither active nor able to take the focus, and the edit does not
// ask for it again after the Tab has moved nothing.
TEST_F(FocusTakenAwayTest, TabInAnEditOnAFormThatCannotTakeTheFocusRaisesNothing) {
  for (bool memo : {false, true}) {
    SCOPED_TRACE(memo ? "memo" : "text edit");
    MakePanel();
    auto popup = MakePopup(panel);
    TcxCustomTextEdit* edit = MakeTextEditOrMemo(memo, popup.get());
    popup->ShowPopup(nullptr);
    Pump();
    ClickAt(At(edit, 20, 10));
    ASSERT_TRUE(edit->InnerControl()->Focused());
    tabTarget = edit->InnerControl();
    popup->OnDeactivate = TNotifyEvent(this, &FocusTakenAwayTest::HideForm);
    popup->OnHide = TNotifyEvent(this, &FocusTakenAwayTest::PressTab);
    SetActiveWindow(form->Handle());
    Pump();
    popup->OnDeactivate = popup->OnHide = {};
    EXPECT_TRUE(tabPressed);
    EXPECT_FALSE(popup->IsShown());
    EXPECT_TRUE(errors.empty()) << errors.front();
    errors.clear();
    tabPressed = false;
    edit->Free();
    popup.reset();
    panel->Free();
  }
}

} // namespace

namespace {

class SharedStyleControllerTest : public EditTest {
protected:
  TcxTextEdit* MakeEdit(TcxStyleController* AController, int ATop) {
    auto* edit = new TcxTextEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, ATop, 150, 21);
    edit->Style()->SetStyleController(AController);
    return edit;
  }

public:
  TControl* victim = nullptr;
  void FreeVictim(TObject*) {
    if (victim)
      std::exchange(victim, nullptr)->Free();
  }
};

// Edits that share a controller hear of its changes one after the other, and a handler raised for one may
// free another: as the controller goes, each edit falls back to the default style, the first one shrinks from
// the controller's large font, and its resize handler frees the second. Neither the controller nor the edits
// left reach the freed edit's style; both kinds of change reach the edits that are left.
TEST_F(SharedStyleControllerTest, AnEditFreedWhileTheControllerNotifiesIsSkipped) {
  enum Change { FreeController, ChangeFont };
  for (Change change : {FreeController, ChangeFont}) {
    SCOPED_TRACE(change == FreeController ? "controller freed" : "font changed");
    form = ShowForm();
    auto* controller = new TcxEditStyleController(nullptr);
    if (change == FreeController)
      controller->Style()->Font()->SetSize(28);
    TcxTextEdit* first = MakeEdit(controller, 10);
    TcxTextEdit* second = MakeEdit(controller, 60);
    TcxTextEdit* third = MakeEdit(controller, 110);
    Pump();
    const int height = first->Height();
    victim = second;
    auto alive = second->AliveToken();
    first->OnResize = TNotifyEvent(this, &SharedStyleControllerTest::FreeVictim);
    if (change == FreeController)
      controller->Free();
    else
      controller->Style()->Font()->SetSize(28);
    Pump();
    EXPECT_FALSE(*alive) << "the resize handler ran";
    EXPECT_NE(first->Height(), height);
    EXPECT_EQ(third->Height(), first->Height());
    if (change == ChangeFont) {
      EXPECT_EQ(controller->ListenerCount(), 2);
      controller->Free();
    }
    first->OnResize = {};
    form->Free();
    form = nullptr;
  }
}

} // namespace

namespace {

class FocusBroadcastTest : public FocusTakenAwayTest {
public:
  void FreePanel(TObject*) {
    if (panel)
      std::exchange(panel, nullptr)->Free();
  }
};

// The program hides a panel that holds the focused edit while the panel's popup is open. The form tells the
// panel, and the panel its edits, that the focus changed; the focused edit, which draws its text itself when
// it is not the active control, redraws, the popup closes for its hidden owner, and its close handler frees
// the panel while the panel is still telling its children. The panel tells no one more, its edits stay
// without a parent, and the form goes on working.
TEST_F(FocusBroadcastTest, APanelFreedWhileItTellsItsChildrenOfTheFocusChange) {
  for (bool memo : {false, true})
    for (bool onClosed : {false, true}) {
      SCOPED_TRACE(std::string(memo ? "memo" : "text edit") + (onClosed ? ", closed" : ", closing"));
      MakePanel();
      TcxCustomTextEdit* edit = MakeTextEditOrMemo(memo, panel);
      edit->Properties()->Alignment()->SetHorz(taRightJustify);
      TcxCustomTextEdit* next = MakeTextEditOrMemo(false, panel);
      next->SetTop(100);
      auto popup = MakePopup(panel);
      // The popup's own edit takes the focus as the popup shows.
      TcxCustomTextEdit* inPopup = MakeTextEditOrMemo(false, popup.get());
      (onClosed ? popup->OnClosed : popup->OnClosing) = TNotifyEvent(this, &FocusBroadcastTest::FreePanel);
      Pump();
      edit->SetFocus();
      Pump();
      popup->ShowPopup(inPopup);
      Pump();
      ASSERT_TRUE(popup->IsShown());
      ASSERT_TRUE(Screen()->ActiveControl() && inPopup->ContainsControl(Screen()->ActiveControl()));
      panel->Hide();
      Pump();
      EXPECT_EQ(panel, nullptr) << "the close handler ran";
      EXPECT_EQ(edit->Parent(), nullptr);
      EXPECT_EQ(next->Parent(), nullptr);
      EXPECT_FALSE(popup->IsShown());
      EXPECT_TRUE(errors.empty()) << errors.front();
      errors.clear();
      popup.reset();
      for (TcxCustomTextEdit* e : {edit, next, inPopup})
        e->Free();
      ClickAt(form->ClientToScreen(TPoint{350, 250}));
      backend->PressKey(VK_TAB);
      Pump();
    }
}

} // namespace
