#include <string>

#include "edit_fixture.h"
#include "editors/core/cxTextEdit.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/win/Input.h"

namespace {

// A text edit whose properties group the digits, as numeric editors do.
class GroupingProperties : public TcxCustomTextEditProperties {
  PELVOR_CLASS(GroupingProperties, TcxCustomTextEditProperties)
  using TcxCustomTextEditProperties::TcxCustomTextEditProperties;
  bool IsThousandSeparatorShown(bool) const override { return true; }
};

class GroupingEdit : public TcxCustomTextEdit {
  PELVOR_CLASS(GroupingEdit, TcxCustomTextEdit)
  explicit GroupingEdit(TComponent* AOwner) : TcxCustomTextEdit(AOwner) { Initialize(); }
  TClass GetPropertiesClass() const override { return GroupingProperties::StaticClass(); }
};

class SeparatorsTest : public EditTest {
protected:
  void SetUp() override {
    EditTest::SetUp();
    cxTextEditInitialize();
    saved = FormatSettings;
    FormatSettings.ThousandSeparator = '.';
    FormatSettings.DecimalSeparator = ',';
    form = ShowForm();
    other = new TcxTextEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 40, 100, 21);
  }
  void TearDown() override {
    form->Free();
    form = nullptr;
    FormatSettings = saved;
    cxTextEditFinalize();
    EditTest::TearDown();
  }
  template <class TEdit> TEdit* MakeFocused() {
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 150, 21);
    Pump();
    edit->SetFocus();
    Pump();
    return edit;
  }
  // Keys as the user presses them: '\b' is Backspace, '\x7f' Delete, anything else a typed character.
  void Press(const std::string& AKeys) {
    for (char key : AKeys) {
      if (key == '\b')
        backend->PressKey(VK_BACK);
      else if (key == '\x7f')
        backend->PressKey(VK_DELETE);
      else
        platform::InjectChar(BYTE(key));
      Pump();
    }
  }

  TFormatSettings saved;
  TcxTextEdit* other = nullptr;

public:
  int changes = 0;
  void Counting(TObject*) { ++changes; }
};

TEST_F(SeparatorsTest, TypingRegroupsTheDigitsAndKeepsTheCaretAmongThem) {
  struct Case {
    const char* text;
    int caret;
    const char* keys;
    const char* expected;
    int expectedCaret;
  } cases[] = {
      {"", 0, "1234567", "1.234.567", 9},     {"123.456", 3, "7", "1.237.456", 5},
      {"234.567", 0, "9", "9.234.567", 1},    {"1.234.567", 5, "\b", "123.567", 3},
      {"1.234", 1, "\x7f", "1.234", 1},       {"1.234.567", 0, "\x7f", "234.567", 0},
      {"", 0, "-123456", "-123.456", 8},      {"-123.456", 8, "\b\b\b", "-123", 4},
      {"", 0, "1234,5678", "1.234,5678", 10}, {"1.234,5678", 10, "\b\b\b\b\b", "1.234", 5},
      {"", 0, "1234a56", "1.234a56", 8},      {"12", 2, " ", "12 ", 3},
  };
  auto* edit = MakeFocused<GroupingEdit>();
  for (const Case& c : cases) {
    edit->SetText(c.text);
    edit->SetSelection(c.caret, 0);
    Press(c.keys);
    EXPECT_EQ(edit->Text(), c.expected) << c.text << " + keys " << c.keys;
    EXPECT_EQ(edit->SelStart(), c.expectedCaret) << c.text << " + keys " << c.keys;
    EXPECT_EQ(edit->SelLength(), 0) << c.text;
  }
}

TEST_F(SeparatorsTest, EachChangeFiresOneEventAndOnlyFocusedGroupingEditsRegroup) {
  auto* edit = MakeFocused<GroupingEdit>();
  edit->Properties()->OnChange = TNotifyEvent(this, &SeparatorsTest::Counting);
  edit->SetText("123.456");
  edit->SetSelection(7, 0);
  changes = 0;
  Press("7");
  EXPECT_EQ(edit->Text(), "1.234.567");
  EXPECT_EQ(changes, 1) << "the regrouping is part of the one change";

  edit->SetText("7654321");
  EXPECT_EQ(edit->Text(), "7.654.321") << "the program's text is regrouped while focused";
  other->SetFocus();
  Pump();
  edit->SetText("7654321");
  EXPECT_EQ(edit->Text(), "7654321") << "not focused: left as it is";

  auto* plain = MakeFocused<TcxTextEdit>();
  Press("1234567");
  EXPECT_EQ(plain->Text(), "1234567") << "the text edit itself shows no separators";
}

} // namespace
