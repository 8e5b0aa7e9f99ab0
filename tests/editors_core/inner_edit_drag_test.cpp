#include <string>
#include <vector>

#include "edit_fixture.h"
#include "editors/core/cxMemo.h"
#include "editors/core/cxTextEdit.h"

// A text edit or memo in automatic drag mode is dragged by a press over its text as any control is dragged
// by a press on it: the editor, not the platform control that shows its text, is the source.
namespace {

using Log = std::vector<std::string>;

// Writes what the source and the target hear, naming the control a drag object carries.
struct DragRecorder {
  Log log;
  TControl* source = nullptr;
  TControl* target = nullptr;

  std::string NameOf(TObject* AObject) const {
    if (auto* drag = dynamic_cast<TDragControlObject*>(AObject))
      AObject = drag->Control();
    if (AObject == source)
      return "source";
    if (AObject == target)
      return "target";
    return AObject ? "another" : "nothing";
  }
  static std::string At(int X, int Y) { return " at " + std::to_string(X) + "," + std::to_string(Y); }

  void Start(TObject* Sender, TDragObject*&) { log.push_back("start " + NameOf(Sender)); }
  void Over(TObject*, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    const char* state = State == dsDragEnter ? "enter" : State == dsDragLeave ? "leave" : "move";
    log.push_back(std::string(state) + " with " + NameOf(Source) + At(X, Y));
    Accept = true;
  }
  void Drop(TObject*, TObject* Source, int X, int Y) { log.push_back("drop " + NameOf(Source) + At(X, Y)); }
  void End(TObject* Sender, TObject* Target, int X, int Y) {
    log.push_back("end " + NameOf(Sender) + " on " + NameOf(Target) + (Target ? At(X, Y) : ""));
  }
  void Down(TObject*, TMouseButton, TShiftState, int, int) { log.push_back("mouse down"); }
  void Up(TObject*, TMouseButton, TShiftState, int, int) { log.push_back("mouse up"); }
  void Click(TObject*) { log.push_back("click"); }
  void DblClick(TObject*) { log.push_back("double click"); }

  void Watch(TControl* ASource, TControl* ATarget) {
    source = ASource;
    target = ATarget;
    source->OnStartDrag = TStartDragEvent(this, &DragRecorder::Start);
    source->OnEndDrag = TEndDragEvent(this, &DragRecorder::End);
    source->OnMouseDown = TMouseEvent(this, &DragRecorder::Down);
    source->OnMouseUp = TMouseEvent(this, &DragRecorder::Up);
    source->OnClick = TNotifyEvent(this, &DragRecorder::Click);
    source->OnDblClick = TNotifyEvent(this, &DragRecorder::DblClick);
    target->OnDragOver = TDragOverEvent(this, &DragRecorder::Over);
    target->OnDragDrop = TDragDropEvent(this, &DragRecorder::Drop);
  }
};

enum class Source { PlatformEdit, TextEdit, Memo };

class InnerEditDragTest : public TextEditorsTest {
protected:
  void SetUp() override {
    TextEditorsTest::SetUp();
    form = ShowForm();
    target = new TEdit(form);
    target->SetParent(form);
    target->SetBounds(200, 150, 120, 40);
    Pump();
  }

  // The control to drag and the point of its text, in its client space, that the press lands on.
  TControl* Make(Source AKind, TDragMode AMode, TPoint& AText) {
    TControl* control = nullptr;
    TWinControl* textWindow = nullptr;
    switch (AKind) {
    case Source::PlatformEdit: {
      auto* edit = new TEdit(form);
      edit->SetParent(form);
      edit->SetBounds(20, 20, 150, 21);
      edit->SetText("kitap");
      control = textWindow = edit;
      break;
    }
    case Source::TextEdit:
    case Source::Memo: {
      TcxCustomTextEdit* edit =
          AKind == Source::Memo ? static_cast<TcxCustomTextEdit*>(new TcxMemo(form)) : new TcxTextEdit(form);
      edit->SetParent(form);
      edit->SetBounds(20, 20, 150, AKind == Source::Memo ? 60 : 21);
      edit->SetText("kitap");
      control = edit;
      textWindow = edit->InnerEdit()->GetControl();
      break;
    }
    }
    control->SetDragMode(AMode);
    Pump();
    AText = control->ScreenToClient(At(textWindow, 5, 7));
    EXPECT_EQ(WindowFromPoint(At(control, AText.x, AText.y)), textWindow->Handle());
    return control;
  }

  // Presses over the text, moves onto the target in two steps and lets go there; with ATwice the text was
  // clicked once just before, so that the press is the second of a double click.
  void DragOntoTarget(TControl* AControl, TPoint AText, bool ATwice) {
    const TPoint from = At(AControl, AText.x, AText.y);
    backend->MouseMove(from.x, from.y);
    Pump();
    if (ATwice) {
      backend->MouseDown(from.x, from.y);
      Pump();
      backend->MouseUp(from.x, from.y);
      Pump();
    }
    backend->MouseDown(from.x, from.y);
    Pump();
    for (const TPoint p : {At(target, 10, 10), At(target, 30, 20)}) {
      backend->MouseMove(p.x, p.y);
      Pump();
    }
    const TPoint to = At(target, 30, 20);
    backend->MouseUp(to.x, to.y);
    Pump();
  }

  TEdit* target = nullptr;
};

TEST_F(InnerEditDragTest, APressOverTheTextDragsTheEditorInAutomaticModeOnly) {
  const Log dragged{"start source", "enter with source at 10,10", "move with source at 30,20",
                    "drop source at 30,20", "end source on target at 30,20"};
  Log draggedAfterClick{"start source", "end source on nothing"};
  draggedAfterClick.insert(draggedAfterClick.end(), dragged.begin(), dragged.end());
  // In manual mode the press is the text's: it raises the editor's mouse events, and letting go over
  // another control is no click.
  const Log pressed{"mouse down", "mouse up"};
  const Log pressedAfterClick{"mouse down", "click", "mouse up", "double click", "mouse down", "mouse up"};
  const struct Case {
    const char* name;
    Source kind;
    TDragMode mode;
    bool twice;
    const Log& expected;
  } cases[] = {
      {"platform edit", Source::PlatformEdit, dmAutomatic, false, dragged},
      {"platform edit, double click", Source::PlatformEdit, dmAutomatic, true, draggedAfterClick},
      {"text edit", Source::TextEdit, dmAutomatic, false, dragged},
      {"text edit, double click", Source::TextEdit, dmAutomatic, true, draggedAfterClick},
      {"memo", Source::Memo, dmAutomatic, false, dragged},
      {"memo, double click", Source::Memo, dmAutomatic, true, draggedAfterClick},
      {"text edit, manual", Source::TextEdit, dmManual, false, pressed},
      {"text edit, manual, double click", Source::TextEdit, dmManual, true, pressedAfterClick},
      {"memo, manual", Source::Memo, dmManual, false, pressed},
      {"memo, manual, double click", Source::Memo, dmManual, true, pressedAfterClick},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPoint text{};
    TControl* source = Make(c.kind, c.mode, text);
    DragRecorder recorder;
    recorder.Watch(source, target);
    DragOntoTarget(source, text, c.twice);
    EXPECT_EQ(recorder.log, c.expected);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(DragObject(), nullptr);
    source->Free();
    Wait(1000);
  }
}

} // namespace
