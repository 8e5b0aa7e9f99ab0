#include "controls_fixture.h"

#include "platform/controls/Clipbrd.h"
#include "platform/controls/StdCtrls.h"
#include "platform/win/Edit.h"
#include <climits>
#include <functional>

namespace {

using Log = std::vector<std::string>;

class StdCtrlsTest : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    platform::ResetClipboard();
    form = ShowForm();
  }
  void TearDown() override {
    ControlsTest::TearDown();
    platform::ResetClipboard();
  }

  // Keys as a user presses them, with the modifiers held around.
  void Press(int vk, bool shift = false, bool ctrl = false) {
    if (shift)
      backend->KeyDown(VK_SHIFT);
    if (ctrl)
      backend->KeyDown(VK_CONTROL);
    backend->PressKey(vk);
    if (ctrl)
      backend->KeyUp(VK_CONTROL);
    if (shift)
      backend->KeyUp(VK_SHIFT);
    Pump();
  }
  void Type(const std::string& s) {
    for (char c : s) {
      bool upper = c >= 'A' && c <= 'Z';
      Press(std::toupper(static_cast<unsigned char>(c)), upper);
    }
  }

  // Counts change events and records the text each one saw.
  struct Watcher {
    explicit Watcher(TCustomEdit* e) : edit(e) {}
    TCustomEdit* edit;
    Log seen;
    void Changed(TObject*) { seen.push_back(edit->Text()); }
  };

  TForm* form = nullptr;
};

TEST_F(StdCtrlsTest, TypingRaisesOnChangeForEveryCharacterWithCaseAndLimit) {
  auto* edit = Make<TEdit>(form, form, "Edit", Bounds(10, 10, 120, 21));
  Watcher w{edit};
  edit->OnChange = TNotifyEvent(&w, &Watcher::Changed);
  edit->SetCharCase(ecLowerCase);
  edit->SetMaxLength(4);
  edit->SetFocus();
  Type("ARama");
  EXPECT_EQ(edit->Text(), "aram");
  EXPECT_EQ(w.seen, (Log{"a", "ar", "ara", "aram"}));
  EXPECT_TRUE(edit->Modified());
  edit->SetModified(false);
  EXPECT_FALSE(edit->Modified());

  // The settings survive a new window.
  edit->SetModified(true);
  edit->SetBorderStyle(bsNone);
  EXPECT_EQ(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(edit->Text(), "aram");
  EXPECT_TRUE(edit->Modified());
  EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 4);
  EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_LOWERCASE);
}

TEST_F(StdCtrlsTest, PropertiesReachTheWindowBeforeAndAfterItExists) {
  struct Case {
    const char* name;
    std::function<void(TEdit*)> set;
    DWORD styleBit;
  };
  const Case cases[] = {
      {"right", [](TEdit* e) { e->SetAlignment(taRightJustify); }, ES_RIGHT},
      {"centre", [](TEdit* e) { e->SetAlignment(taCenter); }, ES_CENTER},
      {"upper", [](TEdit* e) { e->SetCharCase(ecUpperCase); }, ES_UPPERCASE},
      {"lower", [](TEdit* e) { e->SetCharCase(ecLowerCase); }, ES_LOWERCASE},
      {"keep selection", [](TEdit* e) { e->SetHideSelection(false); }, ES_NOHIDESEL},
      {"read-only", [](TEdit* e) { e->SetReadOnly(true); }, ES_READONLY},
      {"password", [](TEdit* e) { e->SetPasswordChar('#'); }, ES_PASSWORD},
      {"oem", [](TEdit* e) { e->SetOEMConvert(true); }, ES_OEMCONVERT},
  };
  const DWORD watched = ES_RIGHT | ES_CENTER | ES_UPPERCASE | ES_LOWERCASE | ES_NOHIDESEL | ES_READONLY |
                        ES_PASSWORD | ES_OEMCONVERT;
  for (bool before : {true, false}) {
    for (const Case& c : cases) {
      auto* edit = new TEdit(form);
      edit->SetBounds(10, 10, 120, 21);
      if (before)
        c.set(edit);
      edit->SetParent(form);
      if (!before)
        c.set(edit);
      EXPECT_EQ(DWORD(GetWindowLongA(edit->Handle(), GWL_STYLE)) & watched, c.styleBit)
          << c.name << (before ? " before" : " after");
      delete edit;
    }
  }
  auto* edit = Make<TEdit>(form, form, "Edit", Bounds(10, 10, 120, 21));
  edit->SetPasswordChar('#');
  EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), '#');
  edit->SetAlignment(taLeftJustify);
  EXPECT_EQ(DWORD(GetWindowLongA(edit->Handle(), GWL_STYLE)) & (ES_RIGHT | ES_CENTER), 0u);
}

TEST_F(StdCtrlsTest, SettingTextRaisesOnChangeBeforeReturningAndAHandlerMayCompleteIt) {
  auto* edit = Make<TEdit>(form, form, "Edit", Bounds(10, 10, 120, 21));
  struct Completer {
    TEdit* edit;
    bool busy = false;
    int calls = 0;
    void Changed(TObject*) {
      ++calls;
      if (busy)
        return;
      busy = true;
      AnsiString typed = edit->Text();
      edit->SetText(typed + "ap");
      edit->SetSelStart(int(typed.size()));
      edit->SetSelLength(2);
      busy = false;
    }
  } c{edit};
  edit->OnChange = TNotifyEvent(&c, &Completer::Changed);
  edit->SetText("kit");
  EXPECT_EQ(c.calls, 2) << "the handler's own assignment nests one call";
  EXPECT_EQ(edit->Text(), "kitap");
  EXPECT_EQ(edit->SelStart(), 3);
  EXPECT_EQ(edit->SelLength(), 2);

  // Typing over the selected completion goes through the same handler.
  edit->SetFocus();
  edit->SetSelStart(3);
  edit->SetSelLength(2);
  Type("a");
  EXPECT_EQ(edit->Text(), "kitaap");
  EXPECT_EQ(edit->SelStart(), 4);
  EXPECT_EQ(edit->SelText(), "ap");
}

TEST_F(StdCtrlsTest, SelectionPropertiesAndClipboardOperations) {
  auto* edit = Make<TEdit>(form, form, "Edit", Bounds(10, 10, 120, 21));
  edit->SetText("kitap");
  edit->SetSelStart(2);
  edit->SetSelLength(3);
  EXPECT_EQ(edit->SelText(), "tap");
  edit->CopyToClipboard();
  EXPECT_EQ(Clipboard()->AsText(), "tap");
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
  edit->SetSelText("");
  EXPECT_EQ(edit->Text(), "ki");
  EXPECT_EQ(edit->SelStart(), 2);
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "kitap");
  edit->SelectAll();
  EXPECT_EQ(edit->SelLength(), 5);
  edit->CutToClipboard();
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(Clipboard()->AsText(), "kitap");
  EXPECT_TRUE(edit->CanUndo());
  edit->Undo();
  EXPECT_EQ(edit->Text(), "kitap");
  edit->SetSelStart(0);
  edit->SetSelLength(2);
  edit->ClearSelection();
  EXPECT_EQ(edit->Text(), "tap");

  Clipboard()->Clear();
  EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), "");
  Clipboard()->SetAsText("\xE7"
                         "ay"); // Turkish c-cedilla in the default code page
  std::u16string wide;
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(GetClipboardData(CF_UNICODETEXT, &wide));
  CloseClipboard();
  EXPECT_EQ(wide, u"\u00E7ay");
}

TEST_F(StdCtrlsTest, SelectionLengthsPastEitherEndStopAtTheText) {
  auto* edit = Make<TEdit>(form, form, "Edit", Bounds(10, 10, 120, 21));
  edit->SetText("kitap");
  struct Case {
    int start, length;
    const char* selected;
  } cases[] = {
      {2, INT_MAX, "tap"}, {0, INT_MAX, "kitap"}, {5, INT_MAX, ""}, {3, 100, "ap"},
      {1, 0, ""},          {3, -2, "it"},         {2, -5, "ki"},    {2, INT_MIN, "ki"},
  };
  for (const Case& c : cases) {
    edit->SetSelStart(c.start);
    edit->SetSelLength(c.length);
    EXPECT_EQ(edit->SelText(), c.selected) << c.start << " + " << c.length;
  }
}

TEST_F(StdCtrlsTest, ReadOnlyRefusesTypingPasteAndCutButCopies) {
  auto* edit = Make<TEdit>(form, form, "Edit", Bounds(10, 10, 120, 21));
  edit->SetText("sabit");
  edit->SetReadOnly(true);
  Clipboard()->SetAsText("x");
  edit->SetFocus();
  edit->SelectAll();
  Type("q");
  edit->PasteFromClipboard();
  edit->CutToClipboard();
  edit->ClearSelection();
  EXPECT_EQ(edit->Text(), "sabit");
  EXPECT_EQ(Clipboard()->AsText(), "x");
  edit->CopyToClipboard();
  EXPECT_EQ(Clipboard()->AsText(), "sabit");
  edit->SetText("program");
  EXPECT_EQ(edit->Text(), "program") << "the program's text is not refused";
}

TEST_F(StdCtrlsTest, TabbingInSelectsAllAndAClickDoesNot) {
  auto* first = Make<TEdit>(form, form, "First", Bounds(10, 10, 120, 21));
  auto* second = Make<TEdit>(form, form, "Second", Bounds(10, 40, 120, 21));
  second->SetText("hepsi");
  first->SetFocus();
  Press(VK_TAB);
  EXPECT_TRUE(second->Focused());
  EXPECT_EQ(second->SelLength(), 5);
  first->SetFocus();
  // The click lands on the second character of the second edit (borders take 2 pixels).
  TPoint p = second->ClientToScreen(TPoint{2 + 6 + 1, 5});
  backend->Click(p.x, p.y);
  Pump();
  EXPECT_TRUE(second->Focused());
  EXPECT_EQ(second->SelLength(), 0);
}

TEST_F(StdCtrlsTest, MemoLinesAreAViewOverTheWindow) {
  auto* memo = Make<TMemo>(form, form, "Memo", Bounds(10, 10, 200, 100));
  Watcher w{memo};
  memo->OnChange = TNotifyEvent(&w, &Watcher::Changed);
  TStrings* lines = memo->Lines();
  lines->Add("bir");
  lines->Add("iki");
  lines->Insert(1, "bu");
  EXPECT_EQ(lines->Count(), 3);
  EXPECT_EQ(memo->Text(), "bir\r\nbu\r\niki\r\n");
  EXPECT_EQ(lines->Strings(2), "iki");
  lines->SetStrings(0, "uc");
  lines->Delete(1);
  EXPECT_EQ(memo->Text(), "uc\r\niki\r\n");
  EXPECT_EQ(lines->IndexOf("iki"), 1);
  EXPECT_EQ(w.seen.size(), 5u);

  w.seen.clear();
  lines->SetText("a\nb\rc");
  EXPECT_EQ(memo->Text(), "a\r\nb\r\nc");
  EXPECT_EQ(lines->Count(), 3);
  EXPECT_EQ(w.seen, (Log{"a\r\nb\r\nc"})) << "program text raises the change once";
  lines->Add("d");
  EXPECT_EQ(memo->Text(), "a\r\nb\r\nc\r\nd\r\n");
  lines->Delete(3);
  EXPECT_EQ(memo->Text(), "a\r\nb\r\nc\r\n");
  lines->Delete(2);
  EXPECT_EQ(memo->Text(), "a\r\nb\r\n");

  memo->SetCaretPos(TPoint{1, 1});
  EXPECT_EQ(memo->SelStart(), 4);
  EXPECT_EQ(memo->CaretPos(), (TPoint{1, 1}));

  memo->Clear();
  EXPECT_EQ(lines->Count(), 0);
  EXPECT_THROW(lines->Strings(0), Exception);
}

TEST_F(StdCtrlsTest, MemoReturnsTabsAndWrapping) {
  auto* memo = Make<TMemo>(form, form, "Memo", Bounds(10, 10, 200, 100));
  memo->SetFocus();
  Type("ab");
  Press(VK_RETURN);
  EXPECT_EQ(memo->Text(), "ab\r\n");
  Press(VK_TAB);
  EXPECT_EQ(memo->Text(), "ab\r\n") << "without WantTabs the Tab key leaves the memo's text alone";
  memo->SetFocus();
  memo->SetWantTabs(true);
  memo->SetWantReturns(false);
  Press(VK_TAB);
  Press(VK_RETURN);
  EXPECT_EQ(memo->Text(), "ab\r\n\t");
  Press(VK_RETURN, false, true);
  EXPECT_EQ(memo->Text(), "ab\r\n\t\r\n") << "Ctrl+Enter breaks the line anyway";

  const std::string longText(60, 'a');
  memo->SetText(longText);
  EXPECT_GT(SendMessageA(memo->Handle(), EM_GETLINECOUNT, 0, 0), 1) << "a word wider than the memo wraps";
  ASSERT_EQ(memo->Lines()->Count(), 1) << "the lines are the text's, not the rows it wraps into";
  EXPECT_EQ(memo->Lines()->Strings(0), longText);
  // The caret's place counts the same lines.
  memo->SetText(longText + "\r\nsecond");
  memo->SetSelStart(50);
  EXPECT_EQ(memo->CaretPos(), (TPoint{50, 0}));
  memo->SetCaretPos(TPoint{3, 1});
  EXPECT_EQ(memo->SelStart(), 65);
  EXPECT_EQ(memo->Lines()->Strings(memo->CaretPos().y), "second");
  memo->SetText(longText);
  memo->SetWordWrap(false);
  EXPECT_EQ(SendMessageA(memo->Handle(), EM_GETLINECOUNT, 0, 0), 1);
  EXPECT_EQ(memo->Lines()->Count(), 1);
  EXPECT_EQ(memo->Text(), longText);
  memo->SetScrollBars(ssBoth);
  DWORD style = DWORD(GetWindowLongA(memo->Handle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_HSCROLL);
  EXPECT_TRUE(style & WS_VSCROLL);
}

} // namespace
