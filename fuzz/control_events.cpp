// Builds a form of text and password edits, memos, list boxes, check boxes, containers with popups (modal or
// not), scroll bars and tab strips from the input, with a style controller and a look-and-feel master that
// editors share, gives their events handlers that free, focus, write, hide, show, move and restyle controls,
// then plays keys, clicks, wheel turns, clipboard keys and messages, focus changes and time on the headless
// display, as a program and its user would. Nothing may be used after it is freed, no exception but a
// validation error a handler asked for may reach the message loop or the program, a freed control leaves no
// window behind, an editor's shown text, its edit value and its lines agree whichever route wrote them, and
// no text of a password edit reaches the clipboard.
//
// New choices are appended to every list the input picks from, so that an older input decodes as before
// once each picked byte is taken modulo the older list's length. Run it with -entropic=0: with the hundred
// thousand features the library shows, the entropic schedule costs libFuzzer several times the input's own
// run. A long campaign goes a third faster built with -DCMAKE_CXX_FLAGS=-fno-sanitize-coverage=trace-cmp:
// the input's bytes are choices taken modulo short lists, which comparison tracing does not help to find,
// while it is called for every pixel of every window the headless display fills.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editors/core/cxCheckBox.h"
#include "editors/core/cxEdit.h"
#include "editors/core/cxEditUtils.h"
#include "editors/core/cxListBox.h"
#include "editors/core/cxMemo.h"
#include "editors/core/cxTextEdit.h"
#include "lookandfeel/cxClasses.h"
#include "lookandfeel/cxContainer.h"
#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/cxScrollBar.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "pagecontrol/cxPC.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/classes/UnitList.h"
#include "platform/controls/Clipbrd.h"
#include "platform/controls/Forms.h"
#include "platform/controls/Menus.h"
#include "platform/theme/ThemeBackend.h"
#include "platform/theme/UxTheme.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Clock.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Win.h"

namespace {

[[noreturn]] void Fail(const std::string& AWhat) {
  std::fprintf(stderr, "control_events: %s\n", AWhat.c_str());
  std::abort();
}

// CONTROL_EVENTS_TRACE=1 tells on stderr what an input builds and plays, to read a finding by.
const bool kTrace = std::getenv("CONTROL_EVENTS_TRACE") != nullptr;

template <class... T> void Trace(const char* AFormat, T... AArgs) {
  if (kTrace)
    std::fprintf(stderr, AFormat, AArgs...);
}

// The input as a stream of choices; past its end every choice is the first one.
class Input {
public:
  Input(const std::uint8_t* AData, std::size_t ASize) : FData(AData), FSize(ASize) {}
  bool Empty() const { return FPos >= FSize; }
  std::uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
  int Pick(int ACount) { return Byte() % ACount; }

private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

std::string ClassOf(HWND AWnd) {
  char name[64] = {};
  GetClassName(AWnd, name, int(sizeof name));
  TWinControl* control = FindControl(AWnd);
  return std::string(name) + (control ? " (" + std::string(control->ClassName()) + ")" : "");
}

std::set<HWND> AllWindows() {
  std::set<HWND> all;
  EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        auto* windows = reinterpret_cast<std::set<HWND>*>(p);
        windows->insert(h);
        EnumChildWindows(
            h,
            [](HWND c, LPARAM q) -> BOOL {
              reinterpret_cast<std::set<HWND>*>(q)->insert(c);
              return TRUE;
            },
            p);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

enum class Kind { TextEdit, Memo, ListBox, CheckBox, Container, Popup, ScrollBar, Tabs, PasswordEdit };

// What the form is built of, in the order the input picks it; the last two are shared by controls and make no
// slot of their own.
enum class Part {
  TextEdit,
  Memo,
  ListBox,
  CheckBox,
  Container,
  ScrollBar,
  Tabs,
  PasswordEdit,
  ModalContainer,
  StyleController,
  LookAndFeelMaster,
  Count
};

bool IsTextEdit(Kind AKind) {
  return AKind == Kind::TextEdit || AKind == Kind::Memo || AKind == Kind::PasswordEdit;
}

struct Slot {
  Kind kind;
  TWinControl* control;
  std::shared_ptr<const bool> alive;
  // Every window the control and the controls it owns were seen with: none may outlive the control.
  std::set<HWND> windows;
  bool Alive() const { return *alive; }
  // A program leaves alone a control that is being freed (its handlers run while it goes), as it would one
  // already freed.
  bool Usable() const { return *alive && !control->ComponentState().Contains(csDestroying); }
};

// Texts a program writes: line breaks of each kind, a text longer than a line, letters of the code page.
const char* const kTexts[] = {"",
                              "a",
                              "one\r\ntwo\r\nthree",
                              "x\r\ny",
                              "lone\rcarriage return",
                              "lone\nline feed",
                              "ends with a break\r\n",
                              "\r\n\r\n",
                              " ",
                              "tab\there",
                              "a longer text that does not fit on one line of a narrow memo or edit",
                              "\xC7\xD0\xDD\xD6\xDE\xDC \xE7\xF0\xFD\xF6\xFE\xFC",
                              "Ab",
                              "1234567890"};
constexpr int kTextCount = int(sizeof kTexts / sizeof kTexts[0]);

const int kKeys[] = {'A',     'Z',       '0',   '9',       VK_SPACE, VK_RETURN, VK_BACK,  VK_DELETE,
                     VK_LEFT, VK_RIGHT,  VK_UP, VK_DOWN,   VK_HOME,  VK_END,    VK_PRIOR, VK_NEXT,
                     VK_TAB,  VK_ESCAPE, VK_F4, VK_INSERT, 'C',      'V',       'X',      'Z'};
constexpr int kKeyCount = int(sizeof kKeys / sizeof kKeys[0]);

// Times a user lets pass: past the mouse-leave timer, the double-click time, a scroll bar's first repeat.
const int kWaits[] = {1, 12, 60, 520};
constexpr int kWaitCount = int(sizeof kWaits / sizeof kWaits[0]);

constexpr int kMaxSteps = 48;

// A change handler that pastes what a key handler cut grows the text by the clipboard on every change it
// raises, as the library is told to: that is the program's own doing, and a text past this length shows no
// more than a shorter one while it makes every later step slower, and in the end runs out of memory.
constexpr std::size_t kMaxPastedText = 4096;

enum class Event {
  Click,
  DblClick,
  MouseDown,
  MouseUp,
  MouseMove,
  MouseEnter,
  MouseLeave,
  KeyDown,
  KeyUp,
  KeyPress,
  Enter,
  Exit,
  FocusChanged,
  Change,
  EditValueChanged,
  PopupShowing,
  PopupShowed,
  PopupClosing,
  PopupClosed,
  Scroll,
  Editing,
  AfterKeyDown,
  Validate,
  StyleChanged,
  LookAndFeelChanged,
  Count
};

enum class Action {
  Nothing,
  FreeSender,
  Free,
  Focus,
  Write,
  Hide,
  Show,
  Disable,
  Reparent,
  Popup,
  Clipboard,
  Restyle,
  FreeShared,
  Count
};

// A handler's slot when it belongs to an object the controls share rather than to a control.
constexpr int kControllerSlot = -1, kMasterSlot = -2;

class Session;

// One handler of one event of one control: what it does is chosen by the input.
struct Handler {
  Session* session;
  int slot;
  Action action;
  int target;
  std::uint8_t argument;
  void Notify(TObject*);
  void Key(TObject*, WORD&, TShiftState) { Notify(nullptr); }
  void KeyPress(TObject*, char&) { Notify(nullptr); }
  void Mouse(TObject*, TMouseButton, TShiftState, int, int) { Notify(nullptr); }
  void MouseMove(TObject*, TShiftState, int, int) { Notify(nullptr); }
  void Scroll(TObject*, TScrollCode, int& APos) {
    Notify(nullptr);
    if (argument & 0x80)
      APos = argument & 0x7F;
  }
  void Editing(TObject*, bool& ACanEdit) {
    Notify(nullptr);
    if (argument & 0x80)
      ACanEdit = false;
  }
  void Validate(TObject*, Variant& ADisplayValue, TCaption& AErrorText, bool& AError);
  void LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) { Notify(nullptr); }
};

class Session {
public:
  Session(Input& AInput, platform::HeadlessBackend* ABackend) : backend(ABackend), in(AInput) {}

  void Run() {
    Build();
    // A form of shared objects alone has no control to play with.
    if (slots.empty()) {
      TearDown();
      return;
    }
    AssignHandlers();
    // Bounded so that a run stays cheap: this many steps cost about as much as building the form.
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
      waits = 0;
      QueueRescue();
      try {
        PlayStep();
        Pump();
      } catch (const std::exception& e) {
        if (!Expected(e))
          throw;
      }
      Check();
    }
    TearDown();
  }

  void RunHandler(const Handler& AHandler) {
    // Handlers that start one another end here: a program's would not recurse without end either.
    if (handlerDepth >= 3 || handlerRuns >= 200)
      return;
    ++handlerRuns;
    ++handlerDepth;
    Trace("%*shandler of slot %d: action %d on slot %d (%d)\n", 2 * handlerDepth, "", AHandler.slot,
          int(AHandler.action), AHandler.target, AHandler.argument);
    struct Leave {
      int& depth;
      ~Leave() { --depth; }
    } leave{handlerDepth};
    if (AHandler.action == Action::FreeSender && AHandler.slot < 0)
      FreeShared(AHandler.slot == kControllerSlot ? 0 : 1);
    else
      Perform(AHandler.action == Action::FreeSender ? Action::Free : AHandler.action,
              AHandler.action == Action::FreeSender ? AHandler.slot : AHandler.target, AHandler.argument);
  }

  // A validation handler that reports an error with a text has the edit raise it, as the program asked.
  void ValidationFailed() { validationRaised = true; }

  void OnException(TObject*, const std::exception& E) {
    if (!Expected(E))
      Fail(std::string("an exception reached the message loop: ") + E.what());
  }

  bool Expected(const std::exception& E) const {
    return validationRaised && dynamic_cast<const EcxEditValidationError*>(&E);
  }

  // Text that reaches the clipboard must have a source other than a password edit.
  void ClipboardWritten(const String& AText) {
    if (AText.empty())
      return;
    bool inPassword = false;
    for (const Slot& s : slots) {
      if (!IsTextEdit(s.kind) || !s.Alive())
        continue;
      const bool found = static_cast<TcxCustomTextEdit*>(s.control)->Text().find(AText) != String::npos;
      if (found && s.kind != Kind::PasswordEdit)
        return;
      inPassword = inPassword || found;
    }
    if (inPassword)
      Fail("the clipboard took \"" + AText + "\", which only a password edit holds");
  }

private:
  // Building.

  void Build() {
    Application()->OnException = TExceptionEvent(this, &Session::OnException);
    Application()->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetBounds(100, 100, 400, 300);
    form->Show();
    Pump();
    const int count = 2 + in.Pick(7);
    for (int i = 0; i < count; ++i)
      AddPart(Part(in.Pick(int(Part::Count))));
    Pump();
  }

  void AddPart(Part APart) {
    switch (APart) {
    case Part::StyleController:
      if (controller)
        return;
      controller = new TcxEditStyleController(nullptr);
      for (Slot& s : slots)
        if (s.Usable())
          Share(s);
      return;
    case Part::LookAndFeelMaster:
      if (master)
        return;
      master = new TcxLookAndFeel(nullptr);
      if (controller && in.Pick(2))
        controller->Style()->LookAndFeel()->SetMasterLookAndFeel(master);
      for (Slot& s : slots)
        if (s.Usable())
          Share(s);
      return;
    case Part::ModalContainer:
      AddControl(Kind::Container, true);
      return;
    default: {
      const Kind kinds[] = {Kind::TextEdit,  Kind::Memo,      Kind::ListBox, Kind::CheckBox,
                            Kind::Container, Kind::ScrollBar, Kind::Tabs,    Kind::PasswordEdit};
      AddControl(kinds[int(APart)], false);
      return;
    }
    }
  }

  // The style controller's style and the master's look-and-feel, for a control the input picks to share
  // them.
  void Share(Slot& ASlot) {
    TcxContainerStyle* style = StyleOf(ASlot.control);
    if (controller && style && in.Pick(2))
      style->SetStyleController(controller);
    TcxLookAndFeel* lookAndFeel = LookAndFeelOf(ASlot.control);
    if (master && lookAndFeel && in.Pick(2))
      lookAndFeel->SetMasterLookAndFeel(master);
  }

  static TcxContainerStyle* StyleOf(TWinControl* AControl) {
    if (auto* edit = dynamic_cast<TcxCustomEdit*>(AControl))
      return edit->Style();
    if (auto* container = dynamic_cast<TcxContainer*>(AControl))
      return container->Style();
    return nullptr;
  }

  static TcxLookAndFeel* LookAndFeelOf(TWinControl* AControl) {
    if (TcxContainerStyle* style = StyleOf(AControl))
      return style->LookAndFeel();
    if (auto* control = dynamic_cast<TcxControl*>(AControl))
      return control->LookAndFeel();
    if (auto* bar = dynamic_cast<TcxScrollBar*>(AControl))
      return bar->LookAndFeel();
    return nullptr;
  }

  void AddControl(Kind AKind, bool AModal) {
    TWinControl* parent = ParentByChoice(in.Byte(), nullptr);
    TWinControl* control = nullptr;
    // Each control is placed before it is filled, as the platform's lists need a window to hold their items.
    switch (AKind) {
    case Kind::TextEdit:
    case Kind::PasswordEdit: {
      auto* edit = new TcxTextEdit(form);
      edit->SetParent(parent);
      if (AKind == Kind::PasswordEdit)
        edit->Properties()->SetEchoMode(eemPassword);
      const TAlignment alignments[] = {taLeftJustify, taRightJustify, taCenter};
      edit->Properties()->Alignment()->SetHorz(alignments[in.Pick(3)]);
      edit->SetText(Text());
      control = edit;
      break;
    }
    case Kind::Memo: {
      auto* memo = new TcxMemo(form);
      memo->SetParent(parent);
      memo->Properties()->SetWordWrap(in.Pick(2) == 0);
      const TScrollStyle bars[] = {ssNone, ssVertical, ssHorizontal, ssBoth};
      memo->Properties()->SetScrollBars(bars[in.Pick(4)]);
      memo->SetText(Text());
      control = memo;
      break;
    }
    case Kind::ListBox: {
      auto* list = new TcxListBox(form);
      list->SetParent(parent);
      list->SetSorted(in.Pick(2) == 0);
      list->SetMultiSelect(in.Pick(2) == 0);
      if (in.Pick(4) == 0)
        list->SetDragMode(dmAutomatic);
      for (int n = in.Pick(24); n > 0; --n)
        list->Items()->Add(Text());
      control = list;
      break;
    }
    case Kind::CheckBox: {
      auto* check = new TcxCheckBox(form);
      check->SetParent(parent);
      check->Properties()->SetAllowGrayed(in.Pick(2) == 0);
      check->Properties()->SetCaption(Text());
      control = check;
      break;
    }
    case Kind::ScrollBar: {
      auto* bar = new TcxScrollBar(form);
      bar->SetParent(parent);
      if (in.Pick(2))
        bar->SetKind(sbVertical);
      const int pageSize = in.Pick(4) * 10;
      bar->SetParams(0, 100, true, pageSize, in.Pick(101));
      control = bar;
      break;
    }
    case Kind::Tabs: {
      auto* tabs = new TcxTabControl(form);
      tabs->SetParent(parent);
      for (int n = in.Pick(5); n > 0; --n)
        tabs->Tabs()->Add(Text());
      control = tabs;
      break;
    }
    case Kind::Container:
    case Kind::Popup: {
      auto* container = new TcxContainer(form);
      container->SetParent(parent);
      control = container;
      break;
    }
    }
    // Choices are read one statement at a time: the order in which arguments are evaluated is the compiler's.
    const int left = 4 + in.Pick(12) * 30, top = 4 + in.Pick(10) * 28;
    const int width = 40 + in.Pick(8) * 20, height = 21 + in.Pick(4) * 20;
    control->SetBounds(left, top, width, height);
    slots.push_back(Slot{AKind, control, control->AliveToken(), {}});
    Trace("slot %zu: kind %d in %s\n", slots.size() - 1, int(AKind), parent->ClassName().c_str());
    Share(slots.back());
    if (AKind != Kind::Container)
      return;
    // A container's popup: a stay-on-top form placed under the container, where controls may be moved to.
    // A modal one runs a loop of its own until it closes.
    auto* popup = new TcxCustomPopupWindow(control);
    popup->SetModalMode(AModal);
    popup->SetOwnerParent(control);
    popup->SetOwnerBounds(TRect{0, 0, control->Width(), control->Height()});
    popup->SetBounds(0, 0, 160, 120);
    popups.push_back(popup);
    slots.push_back(Slot{Kind::Popup, popup, popup->AliveToken(), {}});
  }

  // The form, a living container or a living popup; never AControl itself nor one of its children.
  TWinControl* ParentByChoice(std::uint8_t AChoice, TWinControl* AControl) {
    std::vector<TWinControl*> parents{form};
    for (const Slot& s : slots)
      if ((s.kind == Kind::Container || s.kind == Kind::Popup) && s.Usable() && s.control != AControl &&
          !(AControl && AControl->ContainsControl(s.control)))
        parents.push_back(s.control);
    return parents[AChoice % parents.size()];
  }

  String Text() {
    const int choice = in.Pick(kTextCount + 1);
    if (choice < kTextCount)
      return kTexts[choice];
    // A window's text ends at its first NUL, so a text a program writes holds none.
    String text;
    for (int n = in.Pick(24); n > 0; --n) {
      const char c = char(in.Byte());
      text.push_back(c ? c : '?');
    }
    return text;
  }

  void AssignHandlers() {
    for (int n = in.Pick(12); n > 0; --n) {
      const int slot = in.Pick(int(slots.size()));
      const auto event = Event(in.Pick(int(Event::Count)));
      auto handler = std::make_unique<Handler>(
          Handler{this, slot, Action(in.Pick(int(Action::Count))), in.Pick(int(slots.size())), in.Byte()});
      Trace("handler of slot %d for event %d: action %d on slot %d (%d)\n", slot, int(event),
            int(handler->action), handler->target, handler->argument);
      if (Attach(slots[std::size_t(slot)], event, handler.get()))
        handlers.push_back(std::move(handler));
    }
  }

  bool Attach(Slot& ASlot, Event AEvent, Handler* AHandler) {
    TWinControl* c = ASlot.control;
    auto* edit = dynamic_cast<TcxCustomEdit*>(c);
    auto* popup = dynamic_cast<TcxCustomPopupWindow*>(c);
    const TNotifyEvent notify(AHandler, &Handler::Notify);
    switch (AEvent) {
    case Event::Click:
      c->OnClick = notify;
      return true;
    case Event::DblClick:
      c->OnDblClick = notify;
      return true;
    case Event::MouseDown:
      c->OnMouseDown = TMouseEvent(AHandler, &Handler::Mouse);
      return true;
    case Event::MouseUp:
      c->OnMouseUp = TMouseEvent(AHandler, &Handler::Mouse);
      return true;
    case Event::MouseMove:
      c->OnMouseMove = TMouseMoveEvent(AHandler, &Handler::MouseMove);
      return true;
    case Event::MouseEnter:
      c->OnMouseEnter = notify;
      return true;
    case Event::MouseLeave:
      c->OnMouseLeave = notify;
      return true;
    case Event::KeyDown:
      c->OnKeyDown = TKeyEvent(AHandler, &Handler::Key);
      return true;
    case Event::KeyUp:
      c->OnKeyUp = TKeyEvent(AHandler, &Handler::Key);
      return true;
    case Event::KeyPress:
      c->OnKeyPress = TKeyPressEvent(AHandler, &Handler::KeyPress);
      return true;
    case Event::Enter:
      c->OnEnter = notify;
      return true;
    case Event::Exit:
      c->OnExit = notify;
      return true;
    case Event::FocusChanged:
      if (auto* control = dynamic_cast<TcxControl*>(c)) {
        control->OnFocusChanged = notify;
        return true;
      }
      return false;
    case Event::Change:
      if (auto* bar = dynamic_cast<TcxScrollBar*>(c)) {
        bar->OnChange = notify;
        return true;
      }
      if (auto* tabs = dynamic_cast<TcxTabControl*>(c)) {
        tabs->OnChange = notify;
        return true;
      }
      [[fallthrough]];
    case Event::EditValueChanged:
      if (!edit)
        return false;
      (AEvent == Event::Change ? edit->Properties()->OnChange : edit->Properties()->OnEditValueChanged) =
          notify;
      return true;
    case Event::PopupShowing:
    case Event::PopupShowed:
    case Event::PopupClosing:
    case Event::PopupClosed:
      if (!popup)
        return false;
      (AEvent == Event::PopupShowing   ? popup->OnShowing
       : AEvent == Event::PopupShowed  ? popup->OnShowed
       : AEvent == Event::PopupClosing ? popup->OnClosing
                                       : popup->OnClosed) = notify;
      return true;
    case Event::Scroll:
      if (auto* bar = dynamic_cast<TcxScrollBar*>(c)) {
        bar->OnScroll = TScrollEvent(AHandler, &Handler::Scroll);
        return true;
      }
      return false;
    case Event::Editing:
    case Event::AfterKeyDown:
    case Event::Validate:
      if (!edit)
        return false;
      if (AEvent == Event::Editing)
        edit->OnEditing = TcxEditEditingEvent(AHandler, &Handler::Editing);
      else if (AEvent == Event::AfterKeyDown)
        edit->OnAfterKeyDown = TKeyEvent(AHandler, &Handler::Key);
      else
        edit->Properties()->OnValidate = TcxEditValidateEvent(AHandler, &Handler::Validate);
      return true;
    case Event::StyleChanged:
      if (!controller)
        return false;
      AHandler->slot = kControllerSlot;
      controller->OnStyleChanged = notify;
      return true;
    case Event::LookAndFeelChanged:
      if (!master)
        return false;
      AHandler->slot = kMasterSlot;
      master->OnChanged = TcxLookAndFeelChangedEvent(AHandler, &Handler::LookAndFeelChanged);
      return true;
    case Event::Count:
      break;
    }
    return false;
  }

  // What a handler or the program does to a control.

  void Perform(Action AAction, int ASlot, std::uint8_t AArgument) {
    Trace("  perform %d on slot %d (%d)\n", int(AAction), ASlot, AArgument);
    Slot& s = slots[std::size_t(ASlot)];
    if (!s.Usable())
      return;
    TWinControl* c = s.control;
    switch (AAction) {
    case Action::Nothing:
      break;
    case Action::FreeSender:
    case Action::Free:
      RecordWindows(s);
      c->Free();
      break;
    case Action::Focus:
      if (Focusable(c))
        c->SetFocus();
      break;
    case Action::Write:
      Write(s, AArgument);
      break;
    case Action::Hide:
      c->Hide();
      break;
    case Action::Show:
      c->Show();
      break;
    case Action::Disable:
      c->SetEnabled(!c->Enabled());
      break;
    case Action::Reparent:
      if (s.kind != Kind::Popup)
        c->SetParent(ParentByChoice(AArgument, c));
      break;
    case Action::Popup:
      TogglePopup(ASlot);
      break;
    case Action::Clipboard:
      ClipboardRoute(s, AArgument);
      break;
    case Action::Restyle:
      Restyle(s, AArgument);
      break;
    case Action::FreeShared:
      FreeShared(AArgument % 2);
      break;
    case Action::Count:
      break;
    }
  }

  // A clipboard message sent to the control or to its inner control, or the editor's own copy.
  void ClipboardRoute(Slot& ASlot, std::uint8_t AArgument) {
    const UINT messages[] = {WM_COPY, WM_CUT, WM_PASTE, WM_CLEAR};
    const int route = AArgument % 9;
    if (route == 8) {
      if (IsTextEdit(ASlot.kind))
        static_cast<TcxCustomTextEdit*>(ASlot.control)->CopyToClipboard();
      return;
    }
    TWinControl* target = ASlot.control;
    if (route >= 4) {
      auto* container = dynamic_cast<TcxContainer*>(ASlot.control);
      target = container ? container->InnerControl() : nullptr;
    }
    const UINT message = messages[route % 4];
    if (message == WM_PASTE && IsTextEdit(ASlot.kind) &&
        static_cast<TcxCustomTextEdit*>(ASlot.control)->Text().size() + Clipboard()->AsText().size() >
            kMaxPastedText)
      return;
    if (target && target->HandleAllocated())
      SendMessage(target->Handle(), message, 0, 0);
  }

  // The shared style and look-and-feel change under the controls that use them, or the control leaves or
  // joins them.
  void Restyle(Slot& ASlot, std::uint8_t AArgument) {
    const int change = AArgument % 7;
    if (change < 3 && controller) {
      TcxContainerStyle* style = controller->Style();
      const TcxContainerBorderStyle borders[] = {cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat};
      if (change == 0)
        style->Font()->SetSize(8 + (AArgument >> 3) % 20);
      else if (change == 1)
        style->SetBorderStyle(borders[(AArgument >> 3) % 6]);
      else
        style->SetColor((AArgument & 0x80) ? clWindow : clYellow);
    } else if (change < 5 && master) {
      const TcxLookAndFeelKind kinds[] = {lfFlat, lfStandard, lfUltraFlat, lfOffice11};
      if (change == 3)
        master->SetKind(kinds[(AArgument >> 3) % 4]);
      else
        master->SetNativeStyle(!master->NativeStyle());
    } else if (change == 5) {
      if (TcxContainerStyle* style = StyleOf(ASlot.control))
        style->SetStyleController(style->StyleController() == controller ? nullptr : controller);
    } else if (change == 6) {
      if (TcxLookAndFeel* lookAndFeel = LookAndFeelOf(ASlot.control))
        lookAndFeel->SetMasterLookAndFeel(master);
    }
  }

  // Forgotten before it goes: a handler raised while it goes may free it again.
  void FreeShared(int AWhich) {
    if (AWhich == 0 && controller)
      std::exchange(controller, nullptr)->Free();
    else if (AWhich == 1 && master)
      std::exchange(master, nullptr)->Free();
  }

  // The platform refuses the focus to a control on a form that cannot take it, as a program knows.
  static bool Focusable(TWinControl* AControl) {
    TCustomForm* owner = AControl->GetParentForm();
    return owner && owner->CanFocus() && AControl->CanFocus();
  }

  // The popup of a container, or the popup itself: opened under its living owner, or closed.
  void TogglePopup(int ASlot) {
    const int popupSlot = slots[std::size_t(ASlot)].kind == Kind::Container ? ASlot + 1 : ASlot;
    if (slots[std::size_t(popupSlot)].kind != Kind::Popup || !slots[std::size_t(popupSlot)].Usable())
      return;
    auto* popup = static_cast<TcxCustomPopupWindow*>(slots[std::size_t(popupSlot)].control);
    if (popup->IsShown())
      popup->ClosePopup();
    else if (slots[std::size_t(popupSlot - 1)].Usable())
      popup->ShowPopup(nullptr);
  }

  // Writes through one of the routes a program has for the control's kind. A control whose parent was
  // freed has no form to make its window on, and the platform's lists refuse to work without one.
  void Write(Slot& ASlot, std::uint8_t AArgument) {
    if (!ASlot.control->GetParentForm())
      return;
    switch (ASlot.kind) {
    case Kind::TextEdit:
    case Kind::Memo:
    case Kind::PasswordEdit:
      WriteText(static_cast<TcxCustomTextEdit*>(ASlot.control), AArgument);
      break;
    case Kind::ScrollBar: {
      auto* bar = static_cast<TcxScrollBar*>(ASlot.control);
      switch (AArgument % 4) {
      case 0:
        bar->SetPosition(in.Pick(101));
        break;
      case 1: {
        const int pageSize = in.Pick(4) * 10;
        bar->SetParams(0, 100, true, pageSize, in.Pick(101));
        break;
      }
      case 2:
        bar->SetKind(bar->Kind() == sbHorizontal ? sbVertical : sbHorizontal);
        break;
      default:
        bar->SetPosition(bar->Position() + (AArgument & 0x80 ? 1 : -1));
        break;
      }
      break;
    }
    case Kind::Tabs: {
      auto* tabs = static_cast<TcxTabControl*>(ASlot.control);
      const int count = tabs->Tabs()->Count();
      switch (AArgument % 4) {
      case 0:
        tabs->Tabs()->Add(Text());
        break;
      case 1:
        if (count)
          tabs->Tabs()->Delete(in.Pick(count));
        break;
      case 2:
        tabs->Tabs()->Clear();
        break;
      default:
        if (count)
          tabs->SetTabIndex(in.Pick(count));
        break;
      }
      break;
    }
    case Kind::ListBox: {
      auto* list = static_cast<TcxListBox*>(ASlot.control);
      const int count = list->Count();
      switch (AArgument % 5) {
      case 0:
        list->Items()->Add(Text());
        break;
      case 1: {
        const int index = in.Pick(count + 1);
        list->Items()->Insert(index, Text());
        break;
      }
      case 2:
        if (count)
          list->Items()->Delete(in.Pick(count));
        break;
      case 3:
        list->Clear();
        break;
      default:
        list->SetItemIndex(in.Pick(count + 1) - 1);
        break;
      }
      break;
    }
    case Kind::CheckBox: {
      auto* check = static_cast<TcxCheckBox*>(ASlot.control);
      const Variant values[] = {Variant(true), Variant(false), Null, Variant(AnsiString("text")), Variant(1)};
      switch (AArgument % 4) {
      case 0:
        check->Toggle();
        break;
      case 1:
        check->SetState(TcxCheckBoxState(in.Pick(3)));
        break;
      case 2:
        check->SetEditValue(values[in.Pick(5)]);
        break;
      default:
        check->SetChecked(!check->Checked());
        break;
      }
      break;
    }
    case Kind::Container:
    case Kind::Popup:
      TogglePopup(int(&ASlot - slots.data()));
      break;
    }
  }

  void WriteText(TcxCustomTextEdit* AEdit, std::uint8_t AArgument) {
    auto* memo = dynamic_cast<TcxCustomMemo*>(AEdit);
    const int routes = memo ? 18 : 7;
    switch (AArgument % routes) {
    case 0:
      AEdit->SetText(Text());
      break;
    case 1:
      AEdit->SetEditValue(Variant(Text()));
      break;
    case 2:
      AEdit->SetEditValue(Null);
      break;
    case 3:
      AEdit->Clear();
      break;
    case 4: {
      const int length = int(AEdit->Text().size());
      const int start = in.Pick(length + 1), selLength = in.Pick(length + 1);
      AEdit->SetSelection(start, selLength);
      AEdit->SetSelText(Text());
      break;
    }
    case 5:
      AEdit->SelectAll();
      AEdit->CutToClipboard();
      break;
    case 6:
      if (AEdit->Text().size() + Clipboard()->AsText().size() <= kMaxPastedText)
        AEdit->PasteFromClipboard();
      break;
    default:
      WriteLines(memo, AArgument % routes - 7);
      break;
    }
  }

  void WriteLines(TcxCustomMemo* AMemo, int ARoute) {
    TStrings* lines = AMemo->Lines();
    const int count = lines->Count();
    switch (ARoute) {
    case 0:
      lines->Add(Text());
      break;
    case 1: {
      const int index = in.Pick(count + 1);
      lines->Insert(index, Text());
      break;
    }
    case 2:
      if (count)
        lines->Delete(in.Pick(count));
      break;
    case 3:
      lines->Clear();
      break;
    case 4:
      lines->SetText(Text());
      break;
    case 5:
      if (count) {
        const int index = in.Pick(count);
        lines->SetStrings(index, Text());
      }
      break;
    case 6:
    case 7:
      if (count) {
        const int from = in.Pick(count), to = in.Pick(count);
        if (ARoute == 6)
          lines->Exchange(from, to);
        else
          lines->Move(from, to);
      }
      break;
    case 8:
      lines->SetCommaText(Text());
      break;
    case 9: {
      TStringList other;
      other.SetText(Text());
      if (in.Pick(2))
        AMemo->SetLines(&other);
      else
        lines->AddStrings(&other);
      break;
    }
    default: {
      TStringList other;
      other.SetText(Text());
      lines->Assign(&other);
      break;
    }
    }
  }

  // What the user does.

  void PlayStep() {
    const int step = in.Pick(13);
    Trace("step %d\n", step);
    switch (step) {
    case 0:
    case 1:
      PressKey();
      break;
    case 2:
      TypeChar();
      break;
    case 3:
      Click();
      break;
    case 4:
      Drag();
      break;
    case 5: {
      const TPoint p = PointByChoice();
      backend->MouseMove(p.x, p.y);
      break;
    }
    case 6: {
      const TPoint p = PointByChoice();
      backend->Wheel(in.Pick(2) ? WHEEL_DELTA : -WHEEL_DELTA, p.x, p.y);
      break;
    }
    case 7:
      Wait(kWaits[in.Pick(kWaitCount)]);
      break;
    case 8:
      FocusRoundTrip(in.Pick(int(slots.size())));
      break;
    case 9: {
      const auto action = Action(in.Pick(int(Action::Count)));
      const int slot = in.Pick(int(slots.size()));
      Perform(action, slot, in.Byte());
      break;
    }
    case 10:
      Hold();
      break;
    case 11:
      Chord({VK_CONTROL, in.Pick(2) ? VK_SHIFT : 0}, VK_TAB);
      break;
    default: {
      const std::pair<int, int> chords[] = {{VK_CONTROL, 'C'},     {VK_CONTROL, 'X'},
                                            {VK_CONTROL, 'V'},     {VK_CONTROL, VK_INSERT},
                                            {VK_SHIFT, VK_INSERT}, {VK_SHIFT, VK_DELETE}};
      const auto [modifier, key] = chords[in.Pick(6)];
      Chord({modifier, 0}, key);
      break;
    }
    }
  }

  // Keys held while another is pressed, as the user types a shortcut.
  void Chord(std::pair<int, int> AHeld, int AKey) {
    backend->KeyDown(AHeld.first);
    if (AHeld.second)
      backend->KeyDown(AHeld.second);
    backend->PressKey(AKey);
    if (AHeld.second)
      backend->KeyUp(AHeld.second);
    backend->KeyUp(AHeld.first);
  }

  // A button held down over a control while time passes, as on a scroll bar's arrow that repeats.
  void Hold() {
    const platform::MouseButton button =
        in.Pick(4) ? platform::MouseButton::Left : platform::MouseButton::Right;
    const TPoint p = PointByChoice();
    backend->MouseMove(p.x, p.y);
    backend->MouseDown(p.x, p.y, button);
    Pump();
    Wait(kWaits[in.Pick(kWaitCount)]);
    backend->MouseUp(p.x, p.y, button);
  }

  void PressKey() {
    const int modifiers = in.Pick(8);
    const int key = kKeys[in.Pick(kKeyCount)];
    const int held[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int i = 0; i < 3; ++i)
      if (modifiers & (1 << i))
        backend->KeyDown(held[i]);
    backend->PressKey(key);
    for (int i = 2; i >= 0; --i)
      if (modifiers & (1 << i))
        backend->KeyUp(held[i]);
  }

  void TypeChar() {
    const std::uint8_t c = in.Byte();
    platform::InjectChar(c ? c : 'a');
  }

  void Click() {
    const platform::MouseButton buttons[] = {platform::MouseButton::Left, platform::MouseButton::Right,
                                             platform::MouseButton::Middle};
    const platform::MouseButton button = buttons[in.Pick(3)];
    const int clicks = 1 + in.Pick(2);
    const TPoint p = PointByChoice();
    backend->MouseMove(p.x, p.y);
    for (int i = 0; i < clicks; ++i)
      backend->Click(p.x, p.y, button);
  }

  void Drag() {
    const TPoint from = PointByChoice();
    const TPoint to = PointByChoice();
    // All of it is queued before anything is pumped, as a loop that detects the drag reads it from the queue.
    backend->MouseMove(from.x, from.y);
    backend->MouseDown(from.x, from.y);
    for (int i = 1; i <= 4; ++i)
      backend->MouseMove(from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4);
    backend->MouseUp(to.x, to.y);
  }

  // Runs when a loop of the library waits for input that the step did not queue (a drag detection, panning,
  // a modal popup): the user lets go of every button and presses Escape, which ends every such loop. One that
  // still waits after that would wait for ever.
  void WhenLoopWaits() {
    rescueQueued = false;
    // A handler that ran since the last rescue (one that opens a modal popup again on every key) is the
    // program at work, not a loop stuck; handlers are bounded, so this ends.
    if (handlerRuns != handlerRunsAtRescue)
      waits = 0;
    handlerRunsAtRescue = handlerRuns;
    if (++waits > 8)
      Fail("a loop of the library waits for input after every button was released and Escape pressed");
    POINT p{};
    GetCursorPos(&p);
    const std::pair<platform::MouseButton, int> buttons[] = {{platform::MouseButton::Left, VK_LBUTTON},
                                                             {platform::MouseButton::Right, VK_RBUTTON},
                                                             {platform::MouseButton::Middle, VK_MBUTTON}};
    for (const auto& [button, vk] : buttons)
      if (GetKeyState(vk) < 0)
        backend->MouseUp(p.x, p.y, button);
    backend->PressKey(VK_ESCAPE);
    // A modal popup of a bare container has nothing in it that takes Escape: the program closes it, as its
    // contents would.
    for (const Slot& s : slots)
      if (s.kind == Kind::Popup && s.Usable())
        if (auto* popup = static_cast<TcxCustomPopupWindow*>(s.control);
            popup->ModalMode() && popup->IsShown())
          popup->PostClosePopup();
    QueueRescue();
  }

  void QueueRescue() {
    if (rescueQueued)
      return;
    rescueQueued = true;
    backend->WhenIdle([this] { WhenLoopWaits(); });
  }

  // A point over a living, shown control, or one off the form where nothing of the session lies.
  TPoint PointByChoice() {
    const Slot& s = slots[std::size_t(in.Pick(int(slots.size())))];
    const int x = in.Byte(), y = in.Byte();
    if (!s.Usable() || !s.control->HandleAllocated() || !IsWindowVisible(s.control->Handle()))
      return TPoint{2, 2};
    return s.control->ClientToScreen(TPoint{x * s.control->Width() / 256, y * s.control->Height() / 256});
  }

  // Time passes in steps of a millisecond at first, where the mouse-leave timer and a double click are told
  // apart, then of ten, which every longer timer still sees in its order.
  void Wait(int AMilliseconds) {
    for (int passed = 0; passed < AMilliseconds;) {
      const int step = passed < 20 ? 1 : 10;
      backend->AdvanceTime(DWORD(step));
      passed += step;
      Pump();
    }
  }

  // An editor takes the focus and gives it to the form again: neither may change what it holds unless a
  // handler wrote meanwhile.
  void FocusRoundTrip(int ASlot) {
    Slot& s = slots[std::size_t(ASlot)];
    if (!IsTextEdit(s.kind) || !s.Usable() || !Focusable(s.control))
      return;
    auto* edit = static_cast<TcxCustomTextEdit*>(s.control);
    const int runs = handlerRuns;
    const bool modified = edit->ModifiedAfterEnter();
    const String before = edit->Text();
    s.control->SetFocus();
    Pump();
    if (!s.Alive())
      return;
    CheckEdit(s);
    if (handlerRuns == runs && edit->Text() != before)
      Fail("taking the focus changed the text from \"" + before + "\" to \"" + edit->Text() + "\"");
    if (form->CanFocus())
      form->SetFocus();
    Pump();
    if (!s.Alive())
      return;
    CheckEdit(s);
    if (handlerRuns == runs && !modified && edit->Text() != before)
      Fail("losing the focus changed the text from \"" + before + "\" to \"" + edit->Text() + "\"");
  }

  // Checks.

  static void Pump() { Application()->ProcessMessages(); }

  void Check() {
    for (Slot& s : slots) {
      if (s.Alive()) {
        RecordWindows(s);
        CheckEdit(s);
      } else {
        CheckGone(s);
      }
    }
  }

  static void CheckGone(const Slot& ASlot) {
    for (HWND h : ASlot.windows)
      if (IsWindow(h))
        Fail("a window of class " + ClassOf(h) + " of a freed control is left");
  }

  // The control's window and those of the controls it owns (an inner control, its bars).
  static void RecordWindows(Slot& ASlot) { RecordWindowsOf(ASlot.control, ASlot.windows); }
  static void RecordWindowsOf(TComponent* AComponent, std::set<HWND>& AWindows) {
    if (auto* c = dynamic_cast<TWinControl*>(AComponent); c && c->HandleAllocated())
      AWindows.insert(c->Handle());
    for (int i = 0; i < AComponent->ComponentCount(); ++i)
      RecordWindowsOf(AComponent->Components(i), AWindows);
  }

  // What the editor shows, its edit value and its lines tell the same text. While the user edits, the edit
  // value follows only when the edit is left; that is the one time they may differ.
  void CheckEdit(const Slot& ASlot) const {
    if (!IsTextEdit(ASlot.kind))
      return;
    const std::string name =
        (ASlot.kind == Kind::Memo ? "memo " : "text edit ") + std::to_string(&ASlot - slots.data());
    auto* edit = static_cast<TcxCustomTextEdit*>(ASlot.control);
    const String text = edit->Text();
    if (!edit->ModifiedAfterEnter()) {
      const String value = VarToStr(edit->EditValue());
      if (value != text)
        Fail(name + ": the edit value \"" + value + "\" is not the text \"" + text + "\"");
    }
    if (!edit->IsInnerEditShown() && edit->HandleAllocated()) {
      auto* info = static_cast<TcxCustomTextEditViewInfo*>(edit->ViewInfo());
      // A password edit shows one mark a character, never the characters.
      const String shown = ASlot.kind == Kind::PasswordEdit ? String(text.size(), '*') : text;
      if (info->Text != shown)
        Fail(name + ": the edit draws \"" + info->Text + "\" for the text \"" + shown + "\"");
    }
    // The lines are read from the window, which a memo whose parent was freed cannot make.
    if (ASlot.kind == Kind::Memo && edit->GetParentForm())
      CheckLines(name, static_cast<TcxCustomMemo*>(edit), text);
  }

  // The memo's lines are its text's: together they hold the text without its line breaks (CR LF, or a lone
  // CR or LF, which the platform's memo breaks at too), one line a break whether the memo wraps or not, the
  // empty line after a last break not counted.
  static void CheckLines(const std::string& AName, TcxCustomMemo* AMemo, const String& AText) {
    TStrings* lines = AMemo->Lines();
    String joined;
    for (int i = 0; i < lines->Count(); ++i)
      joined += lines->Strings(i);
    String bare;
    int breaks = 0;
    bool lastOpen = false;
    for (std::size_t i = 0; i < AText.size(); ++i) {
      lastOpen = AText[i] != '\r' && AText[i] != '\n';
      if (lastOpen) {
        bare.push_back(AText[i]);
        continue;
      }
      ++breaks;
      if (AText[i] == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n')
        ++i;
    }
    if (joined != bare)
      Fail(AName + ": the lines hold \"" + joined + "\" for the text \"" + AText + "\"");
    if (lines->Count() != breaks + (lastOpen ? 1 : 0))
      Fail(AName + ": " + std::to_string(lines->Count()) + " lines for the text \"" + AText + "\"");
  }

  void TearDown() {
    for (Slot& s : slots)
      if (s.Alive())
        RecordWindows(s);
    form->Free();
    for (std::size_t i = 0; i < slots.size(); ++i)
      if (slots[i].kind == Kind::Popup && slots[i].Alive())
        slots[i].control->Free();
    FreeShared(0);
    FreeShared(1);
    Pump();
    for (const Slot& s : slots)
      CheckGone(s);
  }

  platform::HeadlessBackend* backend;
  Input& in;
  TForm* form = nullptr;
  std::vector<Slot> slots;
  std::vector<TcxCustomPopupWindow*> popups;
  std::vector<std::unique_ptr<Handler>> handlers;
  TcxEditStyleController* controller = nullptr; // the session's own, freed by FreeShared
  TcxLookAndFeel* master = nullptr;             // the session's own, freed by FreeShared
  bool validationRaised = false;
  bool rescueQueued = false;
  int waits = 0;
  int handlerDepth = 0;
  int handlerRuns = 0;
  int handlerRunsAtRescue = 0;
};

void Handler::Notify(TObject*) {
  session->RunHandler(*this);
}

void Handler::Validate(TObject*, Variant& ADisplayValue, TCaption& AErrorText, bool& AError) {
  Notify(nullptr);
  switch (argument >> 6) {
  case 1:
    AError = true;
    break;
  case 2:
    AError = true;
    AErrorText = "refused";
    session->ValidationFailed();
    break;
  case 3:
    ADisplayValue = Variant(String("corrected"));
    break;
  default:
    break;
  }
}

// The clipboard of the desktop, which sees every text the program writes to it.
class WatchedClipboard : public platform::ClipboardHost {
public:
  explicit WatchedClipboard(Session& ASession) : session(ASession) {}
  std::optional<WideString> ReadText() override { return text; }
  void WriteText(std::u16string_view AText) override {
    text = WideString(AText);
    session.ClipboardWritten(WideToAnsi(*text));
  }
  void Clear() override { text.reset(); }

private:
  Session& session;
  std::optional<WideString> text;
};

std::vector<TUnitInfo> Units() {
  return {MenusUnit,
          cxClassesUnit,
          dxUxThemeUnit,
          dxThemeManagerUnit,
          dxOffice11Unit,
          cxControlsUnit,
          cxLookAndFeelPaintersUnit,
          cxLookAndFeelsUnit,
          cxEditUtilsUnit,
          cxContainerUnit,
          cxEditUnit,
          cxTextEditUnit,
          cxCheckBoxUnit,
          cxMemoUnit,
          cxListBoxUnit};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every input starts from an empty window manager, a fresh application and units started anew, as a
  // program does, so that nothing one input did is seen by the next.
  platform::ResetWindowManager();
  platform::ResetSettings();
  platform::ResetClipboard();
  auto backend = std::make_unique<platform::HeadlessBackend>();
  platform::Clock::UseManualTime(100000);
  SetThemeBackend(nullptr);
  const std::set<HWND> baseline = AllWindows();
  TUnitList units(Units());
  units.Initialize();
  Input input(data, size);
  // The session outlives the units, as a loop that waits while they end would still call on it.
  Session session(input, backend.get());
  WatchedClipboard clipboard(session);
  platform::SetClipboardHost(&clipboard);
  try {
    session.Run();
  } catch (const std::exception& e) {
    Fail(std::string("an exception reached the program: ") + e.what());
  }
  platform::SetClipboardHost(nullptr);
  DoneApplication();
  units.Finalize();
  for (HWND h : AllWindows())
    if (!baseline.count(h))
      Fail("a window of class " + ClassOf(h) + " is left after every control was freed and the units ended");
  platform::ResetWindowManager();
  return 0;
}
