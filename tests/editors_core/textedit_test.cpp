#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "edit_fixture.h"
#include "editors/core/cxMemo.h"
#include "editors/core/cxTextEdit.h"
#include "platform/controls/Clipbrd.h"
#include "platform/win/Edit.h"
#include "platform/win/Input.h"

namespace {

// A text edit or a memo owned by AOwner, placed in AParent at its usual size.
TcxCustomTextEdit* PlaceEditor(bool AMemo, TComponent* AOwner, TWinControl* AParent, int ALeft, int ATop) {
  TcxCustomTextEdit* edit =
      AMemo ? static_cast<TcxCustomTextEdit*>(new TcxMemo(AOwner)) : new TcxTextEdit(AOwner);
  edit->SetParent(AParent);
  edit->SetBounds(ALeft, ATop, 150, AMemo ? 60 : 21);
  return edit;
}

TEST(TextRoutines, CharCaseMapsOnlyAsciiLetters) {
  struct Case {
    const char* text;
    TEditCharCase mode;
    const char* expected;
  } cases[] = {
      {"ARAMA", ecLowerCase, "arama"},
      {"\xC7"
       "AY",
       ecLowerCase,
       "\xC7"
       "ay"},
      {"\xDD"
       "ki",
       ecUpperCase,
       "\xDD"
       "KI"},
      {"MiXeD 1", ecNormal, "MiXeD 1"},
      {"abc xyz", ecUpperCase, "ABC XYZ"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cxChangeCharCase(c.text, c.mode), c.expected) << c.text;
}

TEST(TextRoutines, ThousandSeparatorsLeaveSignAndExponentAlone) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"123456", "123.456"},
      {"-123456", "-123.456"},
      {"+123", "+123"},
      {"-12", "-12"},
      {"1234567,89", "1.234.567,89"},
      {" 1234 ", " 1.234 "},
      {"1.2.3.4", "1.234"},
      {"12345E10", "12.345E10"},
      {"-123456,5e-3", "-123.456,5e-3"},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cxInsertThousandSeparators(c.text, '.', ','), c.expected) << c.text;
}

TEST(TextRoutines, ReplacedLineBreaksFixedToTheEnd) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"a\n\rb", "a\r\n\r\nb"},
      // Every pair is fixed even after the text has grown past its first length.
      {"\n\r\n\r\n\r", "\r\n\r\n\r\n\r\n\r\n\r\n"},
      {"x\n\ry\n\rz\n\r", "x\r\n\r\ny\r\n\r\nz\r\n\r\n"},
      {"a\r\nb", "a\r\nb"},
      {"\n", "\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cxFixReplacedLineBreaks(c.text), c.expected);
}

TEST(TextRoutines, DrawTextFlagsAndOffsets) {
  EXPECT_EQ(cxTextEditDrawTextFlags(taLeftJustify, taTopJustify), 0x2C0u);
  EXPECT_EQ(cxTextEditDrawTextFlags(taRightJustify, taBottomJustify), 0x2C0u | 2u | 0x20u);
  EXPECT_EQ(cxTextEditDrawTextFlags(taCenter, taVCenter), 0x2C0u | 1u | 0x10u);
  EXPECT_EQ(cxMemoDrawTextFlags(taLeftJustify, true, ssVertical),
            0x4000u | 0x400u | 0x40u | 0x20000u | 0x100u);
  EXPECT_EQ(cxMemoDrawTextFlags(taLeftJustify, true, ssBoth), 0x4000u | 0x400u | 0x40u);
  struct Case {
    TAlignment horz;
    bool inplace;
    TcxTextEditingStyle style;
    bool native;
    TRect expected;
  } cases[] = {
      {taLeftJustify, false, tesFreeText, false, {1, 1, 1, 3}},
      {taRightJustify, false, tesFreeText, false, {1, 1, 2, 3}},
      {taCenter, false, tesFreeText, false, {1, 1, 1, 3}},
      {taLeftJustify, true, tesFreeText, false, {1, 1, 1, 1}},
      {taRightJustify, true, tesFreeText, false, {1, 1, 2, 1}},
      {taLeftJustify, false, tesListOnly, false, {2, 2, 1, 2}},
      {taLeftJustify, false, tesNoText, true, {2, 1, 1, 3}},
  };
  for (const Case& c : cases) {
    const TRect r = cxTextEditDrawTextOffset(c.horz, c.inplace, c.style, c.native);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
  EXPECT_EQ(cxMemoDrawTextOffset(taRightJustify).left, 0);
  EXPECT_EQ(cxMemoDrawTextOffset(taRightJustify).right, 2);
}

TEST(TextRoutines, SelectionColours) {
  struct Case {
    TColor text, background, textColor, editColor, selText, selBackground;
  } cases[] = {
      {clDefault, clDefault, clBlack, clWindow, clHighlightText, clHighlight},
      {clDefault, clDefault, clBlack, clHighlight, clWhite, clBlack},
      {clRed, clDefault, TColor(0x000000), clWindow, clRed, TColor(0xFFFFFF)},
      {clRed, clBlue, clBlack, clWindow, clRed, clBlue},
      {clDefault, TColor(0x00FF00), clBlack, clWindow, TColor(0xFF00FF), TColor(0x00FF00)},
  };
  for (const Case& c : cases) {
    TColor selText = clNone, selBackground = clNone;
    cxTextEditSelectionColors(c.text, c.background, c.textColor, c.editColor, selText, selBackground);
    EXPECT_EQ(selText, c.selText);
    EXPECT_EQ(selBackground, c.selBackground);
  }
}

class TextEditTest : public TextEditorsTest {
protected:
  TcxTextEdit* MakeTextEdit() { return Place(new TcxTextEdit(Form()), 21); }
  TcxMemo* MakeMemo() { return Place(new TcxMemo(Form()), 60); }
  // A second text edit below the first, to compare with it.
  TcxTextEdit* MakeTwin() {
    auto* twin = new TcxTextEdit(Form());
    twin->SetParent(form);
    twin->SetBounds(10, 100, 150, 21);
    return twin;
  }
  TForm* Form() {
    if (!form)
      form = ShowForm();
    return form;
  }
  template <class TEdit> TEdit* Place(TEdit* AEdit, int AHeight) {
    AEdit->SetParent(form);
    AEdit->SetBounds(10, 10, 150, AHeight);
    Pump();
    return AEdit;
  }
  TcxCustomTextEdit* MakeTextEditOrMemo(bool AMemo) {
    return AMemo ? static_cast<TcxCustomTextEdit*>(MakeMemo()) : MakeTextEdit();
  }
  // What the form shows where the control stands, its children included, row by row.
  std::vector<COLORREF> Look(TWinControl* AControl) {
    Pump();
    UpdateWindow(form->Handle());
    TBitmap shot;
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(AControl->Width(), AControl->Height());
    HDC dc = GetDC(form->Handle());
    BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), dc, AControl->Left(), AControl->Top(),
           SRCCOPY);
    ReleaseDC(form->Handle(), dc);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < shot.Height(); ++y)
      for (int x = 0; x < shot.Width(); ++x)
        pixels.push_back(GetPixel(shot.Canvas()->Handle(), x, y));
    return pixels;
  }
  // The edit, left while the user typed into it, shows AText again once it is entered; the form goes then.
  void ExpectTextWhenEnteredAgain(TcxCustomTextEdit* AEdit, const String& AText) {
    AEdit->SetFocus();
    Pump();
    EXPECT_EQ(AEdit->Text(), AText) << "entering the edit again keeps what was typed";
    form->Free();
    form = nullptr;
  }

public:
  TcxTextEdit* reentrant = nullptr;
  int depth = 0, maxDepth = 0, changes = 0;
  bool throwOnce = false;
  void Counting(TObject*) {
    ++changes;
    if (throwOnce) {
      throwOnce = false;
      throw std::runtime_error("handler failed");
    }
  }
  void Guarded(TObject*) {
    ++changes;
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    if (depth == 1)
      reentrant->SetText("ki" + std::string("tap"));
    --depth;
  }
};

// A click and a double click raise the edit's events once each and in the same order wherever they land:
// over the text, which the inner platform edit or memo receives, or on the edit's own border. The edit's
// handlers hear of the point in the edit's own client space.
TEST_F(TextEditTest, ClicksOverTheTextRaiseTheEditsClickEvents) {
  using Events = std::vector<std::string>;
  struct Recorder {
    Events events;
    std::vector<TPoint> points;
    void Click(TObject*) { events.push_back("OnClick"); }
    void DblClick(TObject*) { events.push_back("OnDblClick"); }
    void Down(TObject*, TMouseButton, TShiftState Shift, int X, int Y) {
      events.push_back(Shift.Contains(ssDouble) ? "OnMouseDown double" : "OnMouseDown");
      points.push_back(TPoint{X, Y});
    }
    void Up(TObject*, TMouseButton, TShiftState, int X, int Y) {
      events.push_back("OnMouseUp");
      points.push_back(TPoint{X, Y});
    }
  };
  const Events click{"OnMouseDown", "OnClick", "OnMouseUp"};
  const Events doubleClick{"OnMouseDown",        "OnClick",  "OnMouseUp", "OnDblClick",
                           "OnMouseDown double", "OnMouseUp"};
  for (const bool memo : {false, true}) {
    for (const bool overText : {true, false}) {
      for (const bool twice : {false, true}) {
        SCOPED_TRACE(std::string(memo ? "memo " : "text edit ") +
                     (overText ? "over the text" : "on the border") + (twice ? ", double" : ""));
        TcxCustomTextEdit* edit = memo ? static_cast<TcxCustomTextEdit*>(MakeMemo()) : MakeTextEdit();
        edit->SetText("kitap");
        Recorder recorder;
        edit->OnClick = TNotifyEvent(&recorder, &Recorder::Click);
        edit->OnDblClick = TNotifyEvent(&recorder, &Recorder::DblClick);
        edit->OnMouseDown = TMouseEvent(&recorder, &Recorder::Down);
        edit->OnMouseUp = TMouseEvent(&recorder, &Recorder::Up);
        TWinControl* inner = edit->InnerEdit()->GetControl();
        const TPoint at =
            overText ? TPoint{inner->Left() + 5, inner->Top() + 7} : TPoint{1, edit->Height() / 2};
        ASSERT_EQ(WindowFromPoint(edit->ClientToScreen(at)), overText ? inner->Handle() : edit->Handle());
        for (int i = 0; i < (twice ? 2 : 1); ++i) {
          Press(edit, at.x, at.y);
          Release(edit, at.x, at.y);
        }
        EXPECT_EQ(recorder.events, twice ? doubleClick : click);
        for (const TPoint& p : recorder.points)
          EXPECT_EQ(p, at);
        edit->Free();
        Wait(1000);
      }
    }
  }
}

// A key that the edit does not consume and that changes neither the text nor the selection goes back to the
// host once; the edit's own navigation keys reach it once too. A memo keeps Up and Down whatever they do.
TEST_F(TextEditTest, KeysThatChangeNothingGoBackToTheHost) {
  struct Host {
    std::vector<int> keys;
    void AfterKey(TObject*, WORD& Key, TShiftState) { keys.push_back(Key); }
  };
  const struct Case {
    const char* name;
    bool memo;
    int selStart, selLength;
    int key;
    bool returned;
  } cases[] = {
      {"Left at the start", false, 0, 0, VK_LEFT, true},
      {"Left inside", false, 2, 0, VK_LEFT, false},
      {"Left over a selection", false, 0, 5, VK_LEFT, false},
      {"Right at the end", false, 5, 0, VK_RIGHT, true},
      {"Home at the start", false, 0, 0, VK_HOME, true},
      {"End inside", false, 2, 0, VK_END, false},
      {"Delete inside", false, 2, 0, VK_DELETE, false},
      {"Delete at the end", false, 5, 0, VK_DELETE, true},
      {"F11", false, 2, 0, VK_F11, true},
      {"Up, which the edit hands back itself", false, 2, 0, VK_UP, true},
      {"memo Left at the start", true, 0, 0, VK_LEFT, true},
      {"memo Right inside", true, 1, 0, VK_RIGHT, false},
      {"memo Page Up on the first line", true, 0, 0, VK_PRIOR, true},
      {"memo Up on the first line", true, 0, 0, VK_UP, false},
      {"memo Down on the last line", true, 8, 0, VK_DOWN, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TcxCustomTextEdit* edit = c.memo ? static_cast<TcxCustomTextEdit*>(MakeMemo()) : MakeTextEdit();
    edit->SetText(c.memo ? "bir\r\niki" : "kitap");
    Host host;
    edit->OnAfterKeyDown = TKeyEvent(&host, &Host::AfterKey);
    edit->SetFocus();
    Pump();
    edit->SetSelection(c.selStart, c.selLength);
    backend->PressKey(c.key);
    Pump();
    EXPECT_EQ(host.keys, c.returned ? std::vector<int>{c.key} : std::vector<int>{});
    edit->Free();
  }
}

// The wheel over the text is the edit's first, once: a handler that takes it stops a memo from scrolling,
// one that leaves it lets the memo scroll its lines.
TEST_F(TextEditTest, TheWheelOverTheTextIsTheEditsFirst) {
  struct Recorder {
    int wheels = 0;
    bool handles = false;
    void Wheel(TObject*, TShiftState, int, TPoint, bool& Handled) {
      ++wheels;
      Handled = handles;
    }
  };
  const struct Case {
    bool memo;
    bool handled;
    bool scrolls;
  } cases[] = {
      {false, false, false},
      {false, true, false},
      {true, false, true},
      {true, true, false},
  };
  ASSERT_GT(Mouse()->WheelScrollLines(), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.memo ? "memo" : "text edit") + (c.handled ? ", handled" : ""));
    TcxCustomTextEdit* edit = c.memo ? static_cast<TcxCustomTextEdit*>(MakeMemo()) : MakeTextEdit();
    std::string text;
    for (int i = 0; i < 20; ++i)
      text += "line " + std::to_string(i) + "\r\n";
    edit->SetText(c.memo ? text : "kitap");
    Recorder recorder{0, c.handled};
    edit->OnMouseWheel = TMouseWheelEvent(&recorder, &Recorder::Wheel);
    TWinControl* inner = edit->InnerEdit()->GetControl();
    const TPoint p = At(inner, 5, 5);
    edit->SetFocus();
    Pump();
    backend->Wheel(-120, p.x, p.y);
    Pump();
    EXPECT_EQ(recorder.wheels, 1);
    EXPECT_EQ(SendMessage(inner->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0),
              c.scrolls ? Mouse()->WheelScrollLines() : 0);
    edit->Free();
  }
}

TEST_F(TextEditTest, PropertiesDefaultsAndSetters) {
  TcxTextEdit* edit = MakeTextEdit();
  TcxTextEditProperties* p = edit->Properties();
  EXPECT_EQ(p->GetSupportedOperations(), 174u);
  TcxTextEditProperties withButton(nullptr);
  withButton.Buttons()->Add()->SetKind(bkEllipsis);
  EXPECT_EQ(withButton.GetSupportedOperations(), 190u);
  // The same on an edit placed on a form, its buttons clicked, added while focused and freed with it.
  TcxTextEdit* buttoned = MakeTextEdit();
  buttoned->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
  Pump();
  EXPECT_EQ(buttoned->Properties()->GetSupportedOperations(), 190u);
  ASSERT_EQ(buttoned->ViewInfo()->ButtonsInfo.size(), 1u);
  const TRect b = buttoned->ViewInfo()->Button(0)->Bounds;
  MoveTo(buttoned, b.left + 2, b.top + 2);
  Press(buttoned, b.left + 2, b.top + 2);
  Release(buttoned, b.left + 2, b.top + 2);
  buttoned->SetFocus();
  buttoned->Properties()->Buttons()->Add()->SetKind(bkDown);
  Pump();
  EXPECT_EQ(buttoned->ViewInfo()->ButtonsInfo.size(), 2u);
  buttoned->Free();
  p->SetMaxLength(-5);
  EXPECT_EQ(p->MaxLength(), 0);
  EXPECT_TRUE(p->IsMaxLengthAssigned());
  p->SetMaxValue(10);
  p->SetMinValue(10);
  EXPECT_FALSE(p->IsValueBoundsDefined());
  p->SetMaxValue(11);
  EXPECT_TRUE(p->IsValueBoundsDefined());
  p->SetEchoMode(eemPassword);
  String shown = "abc";
  p->DisplayValueToDisplayText(shown);
  EXPECT_EQ(shown, "***");
  p->SetPasswordChar('#');
  shown = "ab";
  p->DisplayValueToDisplayText(shown);
  EXPECT_EQ(shown, "##");
  EXPECT_EQ(p->GetEditingStyle(), tesFreeText);
  p->SetHideCursor(true);
  EXPECT_EQ(p->GetEditingStyle(), tesNoText);
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(TextEditTest, DisplayValuesCompareByTheirDisplayTextsCaseSensitively) {
  const struct {
    const char* name;
    TEditCharCase charCase;
    TcxEditEchoMode echo;
    Variant a, b;
    bool equal;
  } cases[] = {
      {"same text", ecNormal, eemNormal, Variant("abc"), Variant("abc"), true},
      {"case differs", ecNormal, eemNormal, Variant("ABC"), Variant("abc"), false},
      {"both shown lower case", ecLowerCase, eemNormal, Variant("ABC"), Variant("abc"), true},
      {"both shown upper case", ecUpperCase, eemNormal, Variant("Kitap"), Variant("KITAP"), true},
      {"case mapping leaves other letters", ecLowerCase, eemNormal,
       Variant("\xC7"
               "AY"),
       Variant("\xE7"
               "ay"),
       false},
      {"password, same length", ecNormal, eemPassword, Variant("abc"), Variant("xyz"), true},
      {"password, other length", ecNormal, eemPassword, Variant("abc"), Variant("abcd"), false},
      {"number and its text", ecNormal, eemNormal, Variant(12), Variant("12"), true},
      {"null and empty text", ecNormal, eemNormal, Null, Variant(""), true},
      {"null and a text", ecNormal, eemNormal, Null, Variant("a"), false},
  };
  for (const auto& c : cases) {
    TcxTextEditProperties p(nullptr);
    p.SetCharCase(c.charCase);
    p.SetEchoMode(c.echo);
    EXPECT_EQ(p.CompareDisplayValues(c.a, c.b), c.equal) << c.name;
    EXPECT_EQ(p.CompareDisplayValues(c.b, c.a), c.equal) << c.name << " (swapped)";
  }
}

TEST_F(TextEditTest, AGlyphDroppedWhileThePropertiesAreLockedIsNotDrawnFreed) {
  // The view info is recalculated only when the lock ends; a paint before that draws what it last
  // calculated, which must still be alive.
  struct Case {
    const char* name;
    void (*drop)(TcxEditButtons*);
  } cases[] = {
      {"glyph removed", [](TcxEditButtons* b) { b->Items(0)->SetGlyph(nullptr); }},
      {"glyph button deleted", [](TcxEditButtons* b) { b->Delete(0); }},
      {"all buttons cleared", [](TcxEditButtons* b) { b->Clear(); }},
  };
  TBitmap glyph;
  glyph.SetSize(9, 7);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TcxTextEdit* edit = MakeTextEdit();
    TcxEditButton* button = edit->Properties()->Buttons()->Add();
    button->SetKind(bkGlyph);
    button->SetGlyph(&glyph);
    edit->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
    Pump();
    ASSERT_EQ(edit->ViewInfo()->ButtonCount(), 2);
    ASSERT_TRUE(edit->ViewInfo()->Button(0)->Glyph);
    edit->Properties()->BeginUpdate();
    c.drop(edit->Properties()->Buttons());
    edit->Invalidate();
    Pump();
    EXPECT_EQ(edit->ViewInfo()->Button(0)->Glyph->Width(), 9);
    edit->Properties()->EndUpdate();
    Pump();
    const TcxCustomEditViewInfo* vi = edit->ViewInfo();
    for (int i = 0; i < vi->ButtonCount(); ++i)
      EXPECT_FALSE(vi->Button(i)->Glyph) << i;
    EXPECT_EQ(vi->ButtonCount(), edit->Properties()->Buttons()->Count());
    edit->Free();
  }
}

TEST_F(TextEditTest, ListStyleAcceptsOnlyLookupItems) {
  class ListProperties : public TcxTextEditProperties {
  public:
    using TcxTextEditProperties::TcxTextEditProperties;
    TcxTextEditingStyle GetEditingStyle() const override { return tesTextAndList; }
  } p(nullptr);
  p.LookupItems()->Add("elma");
  Variant v(String("ELMA"));
  EXPECT_TRUE(p.IsDisplayValueValid(v, false));
  Variant other(String("armut"));
  EXPECT_FALSE(p.IsDisplayValueValid(other, false));
  Variant empty(String(""));
  EXPECT_TRUE(p.IsDisplayValueValid(empty, false));
}

TEST_F(TextEditTest, TextAssignmentConvertsCaseAndFiresChangeBeforeReturning) {
  TcxTextEdit* edit = MakeTextEdit();
  edit->Properties()->SetCharCase(ecLowerCase);
  edit->Properties()->OnChange = TNotifyEvent(this, &TextEditTest::Counting);
  EXPECT_TRUE(edit->SetText("ARAMA"));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(edit->Text(), "arama");
  EXPECT_EQ(edit->InnerEdit()->GetControl()->Text(), "arama");
}

TEST_F(TextEditTest, GuardedHandlerSeesOneNestedCall) {
  TcxTextEdit* edit = MakeTextEdit();
  reentrant = edit;
  edit->Properties()->OnChange = TNotifyEvent(this, &TextEditTest::Guarded);
  edit->SetText("k");
  EXPECT_EQ(maxDepth, 2);
  EXPECT_EQ(changes, 2) << changes;
  EXPECT_EQ(edit->Text(), "kitap");
}

TEST_F(TextEditTest, AssignmentLockReleasedWhenAStepRaises) {
  // Without a window nothing between the assignment and the handler catches what the handler raises.
  form = ShowForm();
  auto* edit = new TcxTextEdit(form);
  edit->Properties()->OnChange = TNotifyEvent(this, &TextEditTest::Counting);
  throwOnce = true;
  EXPECT_THROW(edit->SetText("one"), std::runtime_error);
  EXPECT_TRUE(edit->SetText("two"));
  EXPECT_EQ(edit->Text(), "two");
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(edit->ChangeEventsLocked());
}

TEST_F(TextEditTest, SelectionAndReplacement) {
  TcxTextEdit* edit = MakeTextEdit();
  edit->SetText("kitap");
  edit->SetSelStart(2);
  edit->SetSelLength(3);
  EXPECT_EQ(edit->SelText(), "tap");
  edit->SetSelText("");
  EXPECT_EQ(edit->Text(), "ki");
  EXPECT_EQ(edit->SelStart(), 2);
}

TEST_F(TextEditTest, MaxLengthCutsPaste) {
  TcxTextEdit* edit = MakeTextEdit();
  edit->Properties()->SetMaxLength(5);
  edit->SetText("abcd");
  edit->SetSelStart(4);
  Clipboard()->SetAsText("xyz");
  SendMessage(edit->InnerEdit()->GetControl()->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(edit->Text(), "abcdx");
}

// The user's cut and paste place the caret before the change is reported, as typing does: a change handler
// that selects has the last word, and a single-line edit takes only the clipboard's first line.
TEST_F(TextEditTest, AChangeHandlersSelectionOutlastsTheUsersCutAndPaste) {
  struct Case {
    UINT message;
    const char* clipboard;
    const char* before;
    int selStart, selLength;
    const char* after;
    const char* clipboardAfter;
  } cases[] = {
      {WM_PASTE, "ab\r\ncd", "xy", 2, 0, "xyab", "ab\r\ncd"},
      {WM_PASTE, "AB", "xyz", 1, 1, "xabz", "AB"},
      {WM_CUT, "", "kitap", 2, 3, "ki", "tap"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.after);
    TcxTextEdit* edit = MakeTextEdit();
    edit->Properties()->SetCharCase(ecLowerCase);
    edit->SetText(c.before);
    edit->SetSelStart(c.selStart);
    edit->SetSelLength(c.selLength);
    Clipboard()->SetAsText(c.clipboard);
    struct Selector {
      TcxTextEdit* edit;
      int calls = 0;
      void Change(TObject*) {
        ++calls;
        edit->SetSelStart(0);
        edit->SetSelLength(1);
      }
    } selector{edit};
    edit->Properties()->OnChange = TNotifyEvent(&selector, &Selector::Change);
    SendMessage(edit->InnerEdit()->GetControl()->Handle(), c.message, 0, 0);
    EXPECT_EQ(edit->Text(), c.after);
    EXPECT_EQ(selector.calls, 1);
    EXPECT_EQ(edit->SelStart(), 0);
    EXPECT_EQ(edit->SelLength(), 1);
    EXPECT_EQ(Clipboard()->AsText(), c.clipboardAfter);
    edit->Properties()->OnChange = nullptr;
  }
}

TEST_F(TextEditTest, ReadOnlyRefusesPasteAndClearButCutCopies) {
  TcxTextEdit* edit = MakeTextEdit();
  edit->SetText("kitap");
  edit->Properties()->SetReadOnly(true);
  edit->InnerEdit()->SetReadOnly(true);
  edit->SelectAll();
  HWND inner = edit->InnerEdit()->GetControl()->Handle();
  Clipboard()->SetAsText("zzz");
  SendMessage(inner, WM_PASTE, 0, 0);
  SendMessage(inner, WM_CLEAR, 0, 0);
  EXPECT_EQ(edit->Text(), "kitap");
  SendMessage(inner, WM_CUT, 0, 0);
  EXPECT_EQ(edit->Text(), "kitap");
  EXPECT_EQ(Clipboard()->AsText(), "kitap");
}

// A clipboard message sent to an edit that is not being edited, as a program's menu command may send it,
// changes the text as the user's own edit would: the new text is the value at once and stays when the user
// enters the edit and leaves it, in a plain edit and in a password edit alike.
TEST_F(TextEditTest, AClipboardMessageToAnEditNotBeingEditedMakesItsTextTheValue) {
  struct Case {
    UINT message;
    bool toInner;
    bool password;
    const char* after;
  } cases[] = {
      {WM_CLEAR, false, false, "a text"},     {WM_CLEAR, true, false, "a text"},
      {WM_CLEAR, false, true, "a text"},      {WM_CLEAR, true, true, "a text"},
      {WM_PASTE, false, false, "a new text"}, {WM_PASTE, true, false, "a new text"},
      {WM_PASTE, false, true, "a new text"},  {WM_PASTE, true, true, "a new text"},
      {WM_CUT, false, false, "a text"},       {WM_CUT, true, false, "a text"},
  };
  TcxTextEdit* twin = MakeTwin();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.message) + (c.toInner ? " to the inner edit" : " to the edit") +
                 (c.password ? ", password" : ""));
    TcxTextEdit* edit = MakeTextEdit();
    if (c.password)
      edit->Properties()->SetEchoMode(eemPassword);
    edit->SetText("a longer text");
    twin->SetFocus();
    edit->SetSelection(2, 7);
    Clipboard()->SetAsText("new ");
    SendMessage(c.toInner ? edit->InnerEdit()->GetControl()->Handle() : edit->Handle(), c.message, 0, 0);
    EXPECT_EQ(edit->Text(), c.after);
    EXPECT_EQ(VarToStr(edit->EditValue()), c.after);
    edit->SetFocus();
    twin->SetFocus();
    Pump();
    EXPECT_EQ(edit->Text(), c.after) << "after the user entered and left the edit";
    EXPECT_EQ(VarToStr(edit->EditValue()), c.after);
    edit->Free();
  }
}

// A password edit gives its text to no clipboard route, as the platform's password edit gives it to none:
// keys, copy and cut messages to the edit and to its inner edit, and the program's own calls leave the
// clipboard and the text alone, read-only or not. The same routes in a plain edit copy, and cut where they
// may, so that each route is seen to reach the clipboard at all.
TEST_F(TextEditTest, APasswordReachesTheClipboardByNoRoute) {
  platform::HeadlessBackend& keys = *backend;
  const auto chord = [&keys](int AModifier, int AKey) {
    keys.KeyDown(AModifier);
    keys.PressKey(AKey);
    keys.KeyUp(AModifier);
  };
  const auto send = [](HWND AWnd, UINT AMessage) { SendMessage(AWnd, AMessage, 0, 0); };
  const auto inner = [](TcxTextEdit* AEdit) { return AEdit->InnerEdit()->GetControl()->Handle(); };
  enum Kind { Copy, Cut, CutKey };
  struct Route {
    const char* name;
    Kind kind;
    std::function<void(TcxTextEdit*)> run;
  };
  const Route routes[] = {
      {"Ctrl+C", Copy, [&](TcxTextEdit*) { chord(VK_CONTROL, 'C'); }},
      {"Ctrl+Insert", Copy, [&](TcxTextEdit*) { chord(VK_CONTROL, VK_INSERT); }},
      {"Ctrl+X", CutKey, [&](TcxTextEdit*) { chord(VK_CONTROL, 'X'); }},
      {"Shift+Delete", CutKey, [&](TcxTextEdit*) { chord(VK_SHIFT, VK_DELETE); }},
      {"WM_COPY to the edit", Copy, [&](TcxTextEdit* e) { send(e->Handle(), WM_COPY); }},
      {"WM_CUT to the edit", Cut, [&](TcxTextEdit* e) { send(e->Handle(), WM_CUT); }},
      {"WM_COPY to the inner edit", Copy, [&](TcxTextEdit* e) { send(inner(e), WM_COPY); }},
      {"WM_CUT to the inner edit", Cut, [&](TcxTextEdit* e) { send(inner(e), WM_CUT); }},
      {"CopyToClipboard", Copy, [](TcxTextEdit* e) { e->CopyToClipboard(); }},
      {"CutToClipboard", Cut, [](TcxTextEdit* e) { e->CutToClipboard(); }},
  };
  for (const bool password : {true, false})
    for (const bool readOnly : {false, true})
      for (const Route& route : routes) {
        SCOPED_TRACE(std::string(route.name) + (password ? ", password" : ", plain") +
                     (readOnly ? ", read-only" : ""));
        TcxTextEdit* edit = MakeTextEdit();
        edit->Properties()->SetEchoMode(password ? eemPassword : eemNormal);
        edit->Properties()->SetReadOnly(readOnly);
        edit->SetText("gizli");
        edit->SetFocus();
        Pump();
        edit->SelectAll();
        Clipboard()->SetAsText("before");
        route.run(edit);
        Pump();
        // A read-only edit takes no key that would change its text; a cut message there only copies.
        const bool copies = !password && !(readOnly && route.kind == CutKey);
        const bool cuts = !password && !readOnly && route.kind != Copy;
        EXPECT_EQ(Clipboard()->AsText(), copies ? "gizli" : "before");
        EXPECT_EQ(edit->Text(), cuts ? "" : "gizli");
        edit->Free();
        Pump();
      }
}

TEST_F(TextEditTest, GetTextMessages) {
  TcxTextEdit* edit = MakeTextEdit();
  edit->SetText("kitap");
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(SendMessage(edit->Handle(), WM_GETTEXT, 1, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(SendMessage(edit->Handle(), WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 3);
  EXPECT_STREQ(buffer, "kit");
  EXPECT_EQ(SendMessage(edit->Handle(), WM_GETTEXTLENGTH, 0, 0), 5);
}

TEST_F(TextEditTest, TypingMarksUserChangeOnlyWhileTheCharacterIsInserted) {
  TcxTextEdit* edit = MakeTextEdit();
  edit->SetFocus();
  Pump();
  bool duringChange = false;
  struct Probe {
    TcxTextEdit* edit;
    bool* seen;
    void Change(TObject*) { *seen = edit->IsUserChange(); }
  } probe{edit, &duringChange};
  edit->Properties()->OnChange = TNotifyEvent(&probe, &Probe::Change);
  edit->Properties()->LookupItems()->Add("zz");
  platform::InjectChar('a');
  Pump();
  EXPECT_EQ(edit->Text(), "a");
  EXPECT_TRUE(duringChange);
  EXPECT_FALSE(edit->IsUserChange());
}

// A key handler that takes the focus from the edit (to another control, or by disabling or hiding the edit)
// runs before the platform inserts the typed character, so the text changes after the edit was left: that
// text is the edit's value, and entering the edit again shows it, not the value from before the key.
TEST_F(TextEditTest, ACharacterThatArrivesAfterTheFocusLeftBecomesTheValue) {
  enum How { MoveFocus, Disable, Hide };
  struct Leave {
    TcxCustomTextEdit* edit;
    TcxTextEdit* other;
    How how;
    void Key(TObject*) {
      if (how == MoveFocus)
        other->SetFocus();
      else if (how == Disable)
        edit->SetEnabled(false);
      else
        edit->Hide();
    }
    void KeyDown(TObject* Sender, WORD&, TShiftState) { Key(Sender); }
    void KeyPress(TObject* Sender, char&) { Key(Sender); }
  };
  struct Case {
    const char* name;
    How how;
    bool onKeyDown;
    bool memo;
  };
  for (const Case& c :
       {Case{"key press moves the focus", MoveFocus, false, false},
        Case{"key press disables", Disable, false, false}, Case{"key press hides", Hide, false, false},
        Case{"key down moves the focus", MoveFocus, true, false},
        Case{"memo's key press moves the focus", MoveFocus, false, true},
        Case{"memo's key down disables", Disable, true, true}}) {
    SCOPED_TRACE(c.name);
    TcxCustomTextEdit* edit = MakeTextEditOrMemo(c.memo);
    auto* other = new TcxTextEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 80, 150, 21);
    edit->SetText("ab");
    edit->SetFocus();
    Pump();
    edit->SetSelStart(2);
    Leave leave{edit, other, c.how};
    if (c.onKeyDown)
      edit->OnKeyDown = TKeyEvent(&leave, &Leave::KeyDown);
    else
      edit->OnKeyPress = TKeyPressEvent(&leave, &Leave::KeyPress);
    backend->PressKey('X');
    Pump();
    EXPECT_FALSE(edit->Focused());
    EXPECT_EQ(edit->Text(), "abx");
    EXPECT_EQ(VarToStr(edit->EditValue()), "abx");
    edit->OnKeyDown = {};
    edit->OnKeyPress = {};
    edit->Show();
    edit->SetEnabled(true);
    ExpectTextWhenEnteredAgain(edit, "abx");
  }
}

// The program disables or hides the edit the user types into, or its panel: the focus leaves the edit, and
// what was typed is validated and becomes the value there and then, with the events of the user's tabbing
// away, whether or not another control can take the focus. Entered, typed into and left that way again, it
// does so again. None of these edits compares its values, so none tells of a new one on any route.
TEST_F(TextEditTest, TypedTextBecomesTheValueWhereverTheFocusLeaves) {
  enum How { TabAway, DisableEdit, HideEdit, DisablePanel, HidePanel };
  const struct {
    const char* name;
    How how;
  } hows[] = {{"tab away", TabAway},
              {"edit disabled", DisableEdit},
              {"edit hidden", HideEdit},
              {"panel disabled", DisablePanel},
              {"panel hidden", HidePanel}};
  enum Kind { Text, Memo, Plain };
  const struct {
    const char* name;
    Kind kind;
  } kinds[] = {{"text edit", Text}, {"memo", Memo}, {"edit without an inner control", Plain}};
  struct Recorder {
    TcxCustomEdit* edit = nullptr;
    std::vector<std::string> events;
    void Exit(TObject*) { events.push_back("OnExit"); }
    void ValueChanged(TObject*) { events.push_back("OnEditValueChanged " + VarToStr(edit->EditValue())); }
  };
  for (const auto& kind : kinds)
    for (const bool another : {true, false})
      for (const auto& how : hows) {
        if (how.how == TabAway && !another)
          continue;
        SCOPED_TRACE(std::string(how.name) + ", " + kind.name +
                     (another ? ", another control on the form" : ", alone on the form"));
        auto* panel = new TcxContainer(Form());
        panel->SetParent(form);
        panel->SetBounds(10, 10, 180, 100);
        TcxCustomEdit* edit = kind.kind == Text   ? static_cast<TcxCustomEdit*>(new TcxTextEdit(form))
                              : kind.kind == Memo ? static_cast<TcxCustomEdit*>(new TcxMemo(form))
                                                  : new TestEdit(form);
        edit->SetParent(panel);
        edit->SetBounds(5, 5, 150, kind.kind == Memo ? 60 : 21);
        TcxTextEdit* other = nullptr;
        if (another) {
          other = new TcxTextEdit(form);
          other->SetParent(form);
          other->SetBounds(10, 150, 150, 21);
        }
        edit->SetEditValue("old");
        const auto type = [&](const char* AText) {
          if (kind.kind == Plain)
            return static_cast<TestEdit*>(edit)->Type(AText);
          static_cast<TcxCustomTextEdit*>(edit)->SelectAll();
          for (const char* c = AText; *c; ++c)
            platform::InjectChar(BYTE(*c));
          Pump();
        };
        const auto shown = [&] {
          return kind.kind == Plain ? static_cast<TestEdit*>(edit)->Text
                                    : static_cast<TcxCustomTextEdit*>(edit)->Text();
        };
        Recorder recorder{edit, {}};
        edit->OnExit = TNotifyEvent(&recorder, &Recorder::Exit);
        edit->ActiveProperties()->OnEditValueChanged = TNotifyEvent(&recorder, &Recorder::ValueChanged);
        const auto leave = [&](bool ALeave) {
          switch (how.how) {
          case TabAway:
            if (ALeave)
              other->SetFocus();
            break;
          case DisableEdit:
            edit->SetEnabled(!ALeave);
            break;
          case HideEdit:
            edit->SetVisible(!ALeave);
            break;
          case DisablePanel:
            panel->SetEnabled(!ALeave);
            break;
          case HidePanel:
            panel->SetVisible(!ALeave);
            break;
          }
          Pump();
        };
        for (const std::string typed : {"new", "newer"}) {
          recorder.events.clear();
          edit->SetFocus();
          Pump();
          ASSERT_TRUE(edit->Focused());
          type(typed.c_str());
          ASSERT_EQ(shown(), typed);
          leave(true);
          EXPECT_FALSE(edit->Focused());
          EXPECT_EQ(shown(), typed);
          EXPECT_EQ(VarToStr(edit->EditValue()), typed);
          EXPECT_EQ(recorder.events, std::vector<std::string>{"OnExit"});
          leave(false);
        }
        form->Free();
        form = nullptr;
      }
}

// A dialog closed by a key while its edit holds typed text: a result that accepts the dialog makes the text
// the value as the dialog goes, a cancel leaves the old value, in a text edit and in a memo alike.
TEST_F(TextEditTest, ADialogClosedWithAnAcceptingResultTakesTheTypedText) {
  struct Closer {
    TForm* dialog;
    TModalResult result;
    void KeyPress(TObject*, char& AKey) {
      if (AKey != '!')
        return;
      AKey = 0;
      dialog->SetModalResult(result);
    }
  };
  const struct {
    TModalResult result;
    bool accepted;
  } cases[] = {{mrOk, true}, {mrYes, true}, {mrCancel, false}};
  for (const bool memo : {false, true})
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(memo ? "memo" : "text edit") + ", result " + std::to_string(c.result));
      TForm* dialog = nullptr;
      Application()->CreateForm(dialog);
      dialog->SetBounds(100, 100, 300, 200);
      TcxCustomTextEdit* edit = PlaceEditor(memo, dialog, dialog, 10, 10);
      edit->SetEditValue("old");
      dialog->SetActiveControl(edit);
      Closer closer{dialog, c.result};
      edit->OnKeyPress = TKeyPressEvent(&closer, &Closer::KeyPress);
      // Typed as the dialog's loop runs: the text edit selects its text as it is entered, the memo types
      // before it.
      for (const char* key = "new!"; *key; ++key)
        platform::InjectChar(BYTE(*key));
      const std::string typed = memo ? "newold" : "new";
      EXPECT_EQ(dialog->ShowModal(), c.result);
      EXPECT_EQ(edit->Text(), typed);
      EXPECT_EQ(VarToStr(edit->EditValue()), c.accepted ? typed : "old");
      dialog->Free();
    }
}

// Text that fails its validation as the edit is disabled or hidden cannot keep the focus there: the error is
// reported, and the text and the old value stay, to be put right once the edit is entered again; put right,
// it becomes the value as the edit is left again.
TEST_F(TextEditTest, TextThatFailsValidationAsTheFocusIsTakenIsKept) {
  struct Handler {
    std::vector<std::string> raised;
    void Validate(TObject*, Variant& AValue, TCaption& AText, bool& AError) {
      AError = VarToStr(AValue) == "bad";
      AText = "not a word";
    }
    void Raised(TObject*, const std::exception& E) { raised.push_back(E.what()); }
  };
  for (const bool hide : {false, true}) {
    SCOPED_TRACE(hide ? "hidden" : "disabled");
    TestEdit* edit = MakeEdit();
    Handler handler;
    edit->SetEditValue("old");
    edit->Properties()->OnValidate = TcxEditValidateEvent(&handler, &Handler::Validate);
    Application()->OnException = TExceptionEvent(&handler, &Handler::Raised);
    edit->SetFocus();
    Pump();
    edit->Type("bad");
    hide ? edit->Hide() : edit->SetEnabled(false);
    Pump();
    EXPECT_EQ(handler.raised, std::vector<std::string>{"not a word"});
    EXPECT_EQ(edit->Text, "bad");
    EXPECT_EQ(VarToStr(edit->EditValue()), "old");
    hide ? edit->Show() : edit->SetEnabled(true);
    edit->SetFocus();
    Pump();
    EXPECT_EQ(edit->Text, "bad") << "entered again, the text is there to be put right";
    edit->Type("good");
    hide ? edit->Hide() : edit->SetEnabled(false);
    Pump();
    EXPECT_EQ(handler.raised.size(), 1u);
    EXPECT_EQ(VarToStr(edit->EditValue()), "good");
    Application()->OnException = nullptr;
    form->Free();
    form = nullptr;
  }
}

// Hiding an edit closes the popup it owns; the popup's close handlers may free the edit, whose own code then
// leaves it alone.
TEST_F(TextEditTest, AnEditFreedByItsPopupClosingAsTheEditIsHidden) {
  for (bool onClosing : {true, false}) {
    SCOPED_TRACE(onClosing ? "closing" : "closed");
    TcxTextEdit* edit = MakeTextEdit();
    auto popup = std::make_unique<TcxCustomPopupWindow>(edit);
    popup->SetModalMode(false);
    popup->SetOwnerParent(edit);
    popup->SetOwnerBounds(TRect{0, 0, edit->Width(), edit->Height()});
    popup->SetBounds(0, 0, 80, 60);
    struct Freer {
      TControl* edit;
      void Free(TObject*) {
        if (edit)
          std::exchange(edit, nullptr)->Free();
      }
    } freer{edit};
    (onClosing ? popup->OnClosing : popup->OnClosed) = TNotifyEvent(&freer, &Freer::Free);
    popup->ShowPopup(nullptr);
    Pump();
    ASSERT_TRUE(popup->IsShown());
    const auto alive = edit->AliveToken();
    edit->Hide();
    Pump();
    EXPECT_FALSE(*alive);
    EXPECT_FALSE(popup->IsShown());
    form->Free();
    form = nullptr;
  }
}

// An edit moved to another parent while the user edits it is not left (the form runs no exit for a control
// taken away), whether it holds the focus or a popup of another control took its form's activation while it
// stayed the form's active control: what was typed is the value all the same, and entering the edit again
// keeps it.
TEST_F(TextEditTest, AnEditMovedWhileEditedKeepsWhatWasTyped) {
  for (bool memo : {false, true})
    for (bool popupOpen : {false, true}) {
      SCOPED_TRACE(std::string(memo ? "memo" : "text edit") + (popupOpen ? ", a popup open" : ", focused"));
      TcxCustomTextEdit* edit = MakeTextEditOrMemo(memo);
      auto* panel = new TcxContainer(form);
      panel->SetParent(form);
      panel->SetBounds(200, 10, 180, 150);
      auto popup = std::make_unique<TcxCustomPopupWindow>(panel);
      popup->SetModalMode(false);
      popup->SetOwnerParent(panel);
      popup->SetOwnerBounds(TRect{0, 0, panel->Width(), panel->Height()});
      popup->SetBounds(0, 0, 80, 60);
      edit->SetText("old");
      edit->SetFocus();
      Pump();
      edit->SetSelStart(3);
      platform::InjectChar('x');
      Pump();
      ASSERT_EQ(edit->Text(), "oldx");
      if (popupOpen) {
        popup->ShowPopup(nullptr);
        Pump();
      }
      edit->SetParent(panel);
      Pump();
      EXPECT_FALSE(edit->Focused());
      EXPECT_EQ(edit->Text(), "oldx");
      EXPECT_EQ(VarToStr(edit->EditValue()), "oldx");
      popup->ClosePopup();
      Pump();
      ExpectTextWhenEnteredAgain(edit, "oldx");
    }
}

// The panel holding an edit the user types into is moved into another panel: the edit loses the focus
// without being left, and entering it again keeps what was typed, which then becomes the value.
TEST_F(TextEditTest, AnEditWhosePanelIsMovedWhileEditedKeepsWhatWasTyped) {
  for (bool memo : {false, true}) {
    SCOPED_TRACE(memo ? "memo" : "text edit");
    auto* panel = new TcxContainer(Form());
    panel->SetParent(form);
    panel->SetBounds(10, 10, 180, 100);
    auto* other = new TcxContainer(form);
    other->SetParent(form);
    other->SetBounds(200, 10, 190, 110);
    TcxCustomTextEdit* edit = PlaceEditor(memo, form, panel, 5, 5);
    edit->SetText("old");
    edit->SetFocus();
    Pump();
    edit->SetSelStart(3);
    platform::InjectChar('x');
    Pump();
    ASSERT_EQ(edit->Text(), "oldx");
    panel->SetParent(other);
    Pump();
    EXPECT_FALSE(edit->Focused());
    EXPECT_EQ(edit->Text(), "oldx");
    edit->SetFocus();
    Pump();
    EXPECT_EQ(edit->Text(), "oldx") << "entering the edit again keeps what was typed";
    EXPECT_EQ(VarToStr(edit->EditValue()), "oldx");
    form->Free();
    form = nullptr;
  }
}

TEST_F(TextEditTest, CompletionFromLookupItems) {
  TcxTextEdit* edit = MakeTextEdit();
  edit->SetFocus();
  Pump();
  platform::InjectChar('a');
  Pump();
  EXPECT_EQ(edit->Text(), "a");
  EXPECT_EQ(edit->SelLength(), 0);
  edit->SetText("");
  edit->Properties()->LookupItems()->Add("kitap");
  edit->Properties()->LookupItems()->Add("kitap\xE7\xFD");
  platform::InjectChar('K');
  Pump();
  EXPECT_EQ(edit->Text(), "kitap");
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 4);
  // The comparison is the locale's: in the Turkish code page 'I' is not the capital of 'i'.
  platform::InjectChar('I');
  Pump();
  EXPECT_EQ(edit->Text(), "kI");
  edit->SetText("");
  platform::InjectChar('k');
  platform::InjectChar('i');
  Pump();
  EXPECT_EQ(edit->Text(), "kitap");
  EXPECT_EQ(edit->SelText(), "tap");
}

// A text edit whose properties answer the editing style a list editor would.
class ListStyleProperties : public TcxTextEditProperties {
  PELVOR_CLASS(ListStyleProperties, TcxTextEditProperties)
  using TcxTextEditProperties::TcxTextEditProperties;
  TcxTextEditingStyle GetEditingStyle() const override { return Style; }
  TcxTextEditingStyle Style = tesFreeText;
};

class ListStyleEdit : public TcxTextEdit {
  PELVOR_CLASS(ListStyleEdit, TcxTextEdit)
  explicit ListStyleEdit(TComponent* AOwner) : TcxTextEdit(AOwner) { Initialize(); }
  TClass GetPropertiesClass() const override { return ListStyleProperties::StaticClass(); }
  ListStyleProperties* ListProperties() const { return static_cast<ListStyleProperties*>(Properties()); }
};

ListStyleEdit* MakeListStyleEdit(TForm* AForm, TcxTextEditingStyle AStyle) {
  auto* edit = new ListStyleEdit(AForm);
  edit->SetParent(AForm);
  edit->SetBounds(10, 10, 150, 21);
  edit->ListProperties()->Style = AStyle;
  return edit;
}

TEST_F(TextEditTest, BackspaceSearchesTheTextBeforeTheFindSelectionAgain) {
  // Keys: a letter is typed, '\b' is the Backspace key, '<' puts the caret one character to the left.
  // What is seen after the keys: the text, the selected part of it, and how often the edit clicked (once
  // for every change of the current item).
  const struct {
    const char* name;
    TcxTextEditingStyle style;
    bool items;
    bool fixedListSelection;
    const char* start; // text assigned before typing, caret at its end
    const char* keys;
    const char* text;
    const char* selected;
    bool findSelection;
    int clicks;
  } cases[] = {
      {"free text: completed", tesFreeText, true, true, "", "k", "kitap", "itap", true, 1},
      {"free text: one letter less", tesFreeText, true, true, "", "ki\b", "kitap", "itap", true, 1},
      {"free text: down to nothing", tesFreeText, true, true, "", "ki\b\b", "", "", false, 2},
      {"free text: no find selection", tesFreeText, true, true, "", "xy\b", "x", "", false, 0},
      {"free text: no lookup items", tesFreeText, false, true, "", "ki\b", "k", "", false, 0},
      {"text and list: one letter less", tesTextAndList, true, true, "", "ki\b", "kitap", "itap", true, 1},
      {"text and list: the rest is selected first", tesTextAndList, true, true, "kitap", "<<\b", "kitap",
       "tap", true, 1},
      {"list only: consumed, searched again", tesListOnly, true, true, "", "ar\b", "armut", "rmut", true, 1},
      {"list only: consumed without a find selection", tesListOnly, true, true, "armut", "\b", "armut", "",
       false, 0},
      {"list only, selection not fixed: the find selection goes", tesListOnly, true, false, "", "ar\b",
       "armut", "", false, 1},
  };
  for (const auto& c : cases) {
    if (!form)
      form = ShowForm();
    ListStyleEdit* edit = MakeListStyleEdit(form, c.style);
    edit->Properties()->SetFixedListSelection(c.fixedListSelection);
    if (c.items)
      for (const char* item : {"kitap", "kitap\xE7\xFD", "armut"})
        edit->Properties()->LookupItems()->Add(item);
    edit->SetText(c.start);
    edit->SetFocus();
    Pump();
    edit->SetSelStart(int(std::string(c.start).size()));
    changes = 0;
    edit->OnClick = TNotifyEvent(this, &TextEditTest::Counting);
    for (const char* k = c.keys; *k; ++k) {
      if (*k == '\b')
        backend->PressKey(VK_BACK);
      else if (*k == '<')
        backend->PressKey(VK_LEFT);
      else
        platform::InjectChar(BYTE(*k));
      Pump();
    }
    EXPECT_EQ(edit->Text(), c.text) << c.name;
    EXPECT_EQ(edit->SelText(), c.selected) << c.name;
    EXPECT_EQ(edit->FindSelection(), c.findSelection) << c.name;
    EXPECT_EQ(changes, c.clicks) << c.name;
    edit->Free();
    Pump();
  }
}

TEST_F(TextEditTest, LookupLocateAndGo) {
  TcxTextEdit* edit = MakeTextEdit();
  TStringList* items = edit->Properties()->LookupItems();
  for (const char* s : {"a1", "a2", "a3"})
    items->Add(s);
  TcxCustomTextEditLookupData* data = edit->LookupData();
  String text = "", tail;
  EXPECT_FALSE(data->Locate(text, tail, false));
  text = "A";
  ASSERT_TRUE(data->Locate(text, tail, false));
  EXPECT_EQ(text, "a");
  EXPECT_EQ(tail, "1");
  data->SetCurrentKey(2);
  text = "a";
  EXPECT_FALSE(data->Locate(text, tail, true));
  // No current item on a list shorter than a page: page down stops at its last item.
  data->SetCurrentKey(-1);
  data->Go(TcxCustomTextEditLookupData::gdPageDown, false);
  EXPECT_EQ(data->CurrentKey(), 2);
  data->Go(TcxCustomTextEditLookupData::gdNext, false);
  EXPECT_EQ(data->CurrentKey(), 2);
  data->Go(TcxCustomTextEditLookupData::gdNext, true);
  EXPECT_EQ(data->CurrentKey(), 0);
  data->Go(TcxCustomTextEditLookupData::gdPageUp, true);
  EXPECT_EQ(data->CurrentKey(), 2);
  for (int i = 0; i < 10; ++i)
    items->Add("b" + std::to_string(i));
  data->SetCurrentKey(-1);
  data->Go(TcxCustomTextEditLookupData::gdPageDown, false);
  EXPECT_EQ(data->CurrentKey(), 7);
  data->Go(TcxCustomTextEditLookupData::gdPageDown, false);
  EXPECT_EQ(data->CurrentKey(), 12);
}

// The program names a lookup item by its index and the edit shows that item, as one given its text would.
// An index past the last item names the last one; one below the first names none, and the edit is empty.
TEST_F(TextEditTest, SettingTheItemIndexShowsThatItem) {
  TcxTextEdit* edit = MakeTextEdit();
  for (const char* item : {"elma", "armut"})
    edit->Properties()->LookupItems()->Add(item);
  TcxTextEdit* twin = MakeTwin();
  const struct {
    int set, index;
    const char* text;
  } steps[] = {{1, 1, "armut"}, {0, 0, "elma"}, {5, 1, "armut"}, {-1, -1, ""}, {0, 0, "elma"}, {-7, -1, ""}};
  for (const auto& step : steps) {
    SCOPED_TRACE("SetItemIndex(" + std::to_string(step.set) + ")");
    edit->SetItemIndex(step.set);
    EXPECT_EQ(edit->ItemIndex(), step.index);
    EXPECT_EQ(edit->Text(), step.text);
    EXPECT_EQ(VarToStr(edit->EditValue()), step.text);
    twin->SetText(step.text);
    EXPECT_TRUE(Look(edit) == Look(twin)) << "the edit looks as one given the item's text";
  }
}

// An edit that had values of its own and then has them restored looks, pixel for pixel, as its twin that
// never had any: both take the font and the colours of their style controller.
TEST_F(TextEditTest, RestoredDefaultsLookAsNeverHavingOwnValues) {
  auto* controller = new TcxEditStyleController(Form());
  controller->Style()->Font()->SetSize(20);
  controller->Style()->SetColor(clYellow);
  controller->Style()->SetTextColor(clNavy);
  const struct {
    const char* name;
    void (*own)(TcxTextEdit*);
  } cases[] = {
      {"nothing of its own", [](TcxTextEdit*) {}},
      {"own font", [](TcxTextEdit* e) { e->Style()->Font()->SetSize(12); }},
      {"own colours",
       [](TcxTextEdit* e) {
         e->Style()->SetColor(clRed);
         e->Style()->SetTextColor(clGreen);
       }},
      {"own font and colour",
       [](TcxTextEdit* e) {
         e->Style()->Font()->SetName("DejaVu Serif");
         e->Style()->SetColor(clAqua);
       }},
      {"font set on the control", [](TcxTextEdit* e) { e->Font()->SetSize(12); }},
      {"font and colour set on the control",
       [](TcxTextEdit* e) {
         e->Font()->SetSize(12);
         e->SetColor(clRed);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TcxTextEdit* restored = MakeTextEdit();
    TcxTextEdit* twin = MakeTwin();
    for (TcxTextEdit* edit : {restored, twin}) {
      edit->Style()->SetStyleController(controller);
      edit->SetText("kitap");
    }
    c.own(restored);
    restored->Style()->RestoreDefaults();
    EXPECT_EQ(restored->Style()->Font()->Size(), 20);
    EXPECT_EQ(restored->Font()->Size(), twin->Font()->Size());
    EXPECT_EQ(restored->ParentFont(), twin->ParentFont());
    EXPECT_EQ(restored->Height(), twin->Height());
    EXPECT_TRUE(Look(restored) == Look(twin)) << "the restored edit looks as its twin";
    restored->Free();
    twin->Free();
  }
}

TEST_F(TextEditTest, CaretIndex) {
  TcxTextEdit* edit = MakeTextEdit();
  EXPECT_EQ(edit->GetCaretCharIndex(), 0);
  edit->SetFocus();
  edit->SetText("kitap");
  edit->SetSelStart(0);
  EXPECT_EQ(edit->GetCaretCharIndex(), 0);
  edit->SetSelStart(3);
  EXPECT_EQ(edit->GetCaretCharIndex(), 3);
}

TEST_F(TextEditTest, UnfocusedPasswordEditDrawsPasswordCharacters) {
  TcxTextEdit* edit = MakeTextEdit();
  edit->Properties()->SetEchoMode(eemPassword);
  edit->Properties()->Alignment()->SetHorz(taRightJustify);
  edit->SetText("abc");
  Pump();
  UpdateWindow(form->Handle());
  auto* info = dynamic_cast<TcxCustomTextEditViewInfo*>(edit->ViewInfo());
  ASSERT_NE(info, nullptr);
  EXPECT_FALSE(info->InnerEditShowsText);
  EXPECT_EQ(info->Text, "***");
  EXPECT_EQ(info->TextRect.right, info->ClientRect.right - 2);
  EXPECT_EQ(info->TextRect.bottom, info->ClientRect.bottom - 3);
}

TEST_F(TextEditTest, AnUnfocusedEditThatDrawsItsTextItselfIsNotCoveredByItsInnerEdit) {
  const struct {
    const char* name;
    TAlignment alignment;
  } cases[] = {{"left", taLeftJustify}, {"right", taRightJustify}, {"centred", taCenter}};
  for (const auto& c : cases) {
    TcxTextEdit* edit = MakeTextEdit();
    auto* other = new TcxTextEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 100, 150, 21);
    edit->Properties()->Alignment()->SetHorz(c.alignment);
    edit->SetText("kitap");
    // Unfocused, focused, unfocused again: the inner edit shows the text only while it can. The text
    // selected while focused stays selected in the inner edit, which hides that selection once unfocused.
    for (bool focused : {false, true, false}) {
      const std::string state = std::string(c.name) + (focused ? ", focused" : ", unfocused");
      (focused ? static_cast<TWinControl*>(edit) : other)->SetFocus();
      if (focused)
        edit->SelectAll();
      Pump();
      UpdateWindow(form->Handle());
      const bool drawsItself = !focused && c.alignment != taLeftJustify;
      EXPECT_EQ(edit->IsInnerEditShown(), !drawsItself) << state;
      HRGN region = CreateRectRgn(0, 0, 0, 0);
      EXPECT_EQ(GetWindowRgn(edit->InnerControl()->Handle(), region) == NULLREGION, drawsItself) << state;
      DeleteObject(region);
      const TRect client = edit->ViewInfo()->ClientRect;
      // The text's ink: the columns where the client area shows the text colour.
      int inkLeft = INT_MAX, inkRight = -1, highlighted = 0;
      for (int y = client.top; y < client.bottom; ++y)
        for (int x = client.left; x < client.right; ++x) {
          const TColor seen = ScreenPixelAt(edit, x, y);
          highlighted += seen == ColorToRGB(clHighlight) ? 1 : 0;
          if (seen == ColorToRGB(clWindowText)) {
            inkLeft = std::min(inkLeft, x);
            inkRight = std::max(inkRight, x);
          }
        }
      if (!drawsItself) {
        EXPECT_TRUE(inkRight >= 0 || highlighted > 0) << state << ": the inner edit's text is seen";
        continue;
      }
      ASSERT_GE(inkRight, 0) << state << ": the text is seen";
      EXPECT_EQ(highlighted, 0) << state << ": no selection is seen";
      // Every pixel of the client area is what the edit draws for itself.
      TBitmap expected;
      expected.SetPixelFormat(pf24bit);
      expected.SetSize(edit->Width(), edit->Height());
      expected.Canvas()->Font()->Assign(edit->Font());
      TcxCanvas canvas(expected.Canvas());
      edit->ViewInfo()->Paint(&canvas);
      int wrong = 0;
      for (int y = client.top; y < client.bottom; ++y)
        for (int x = client.left; x < client.right; ++x)
          wrong += ScreenPixelAt(edit, x, y) != ColorToRGB(expected.Canvas()->Pixels(x, y)) ? 1 : 0;
      EXPECT_EQ(wrong, 0) << state;
      // And that is the text placed by its alignment.
      auto* info = static_cast<TcxCustomTextEditViewInfo*>(edit->ViewInfo());
      canvas.Font()->Assign(edit->Font());
      const int width = canvas.TextWidth("kitap");
      const TRect t = info->TextRect;
      const int start =
          c.alignment == taRightJustify ? t.right - width : t.left + (t.right - t.left - width) / 2;
      EXPECT_GE(inkLeft, start) << state;
      EXPECT_LE(inkRight, start + width) << state;
    }
    other->Free();
    edit->Free();
    Pump();
  }
}

TEST_F(TextEditTest, AListOnlyEditDrawsItsFindSelectionOverItsHiddenInnerEdit) {
  form = ShowForm();
  ListStyleEdit* edit = MakeListStyleEdit(form, tesListOnly);
  edit->Properties()->LookupItems()->Add("armut");
  edit->SetFocus();
  Pump();
  platform::InjectChar('a');
  Pump();
  UpdateWindow(form->Handle());
  ASSERT_EQ(edit->SelText(), "rmut");
  EXPECT_FALSE(edit->IsInnerEditShown());
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(edit->InnerControl()->Handle(), region), NULLREGION);
  DeleteObject(region);
  // The found part is highlighted: a band of the highlight colour right of the typed letter.
  const TRect client = edit->ViewInfo()->ClientRect;
  int bandLeft = INT_MAX, bandRight = -1;
  for (int y = client.top; y < client.bottom; ++y)
    for (int x = client.left; x < client.right; ++x)
      if (ScreenPixelAt(edit, x, y) == ColorToRGB(clHighlight)) {
        bandLeft = std::min(bandLeft, x);
        bandRight = std::max(bandRight, x);
      }
  ASSERT_GE(bandRight, 0);
  TcxCanvas canvas(edit->Canvas());
  canvas.Font()->Assign(edit->Font());
  const TRect t = static_cast<TcxCustomTextEditViewInfo*>(edit->ViewInfo())->TextRect;
  EXPECT_EQ(bandLeft, t.left + canvas.TextWidth("a"));
  EXPECT_EQ(bandRight, t.left + canvas.TextWidth("armut") - 1);
}

TEST_F(TextEditTest, FindSelectionIsDrawnInItsColours) {
  const struct {
    int selStart, selLength;
    bool highlighted;
  } cases[] = {{0, 0, false}, {2, 3, true}, {0, 8, true}, {8, 2, false}, {-1, 3, false}};
  for (const auto& c : cases) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(120, 20);
    TcxCanvas canvas(bitmap.Canvas());
    canvas.FillRect(TRect{0, 0, 120, 20}, clWhite);
    TcxCustomTextEditViewInfo info;
    info.Text = "abcdefgh";
    info.TextRect = TRect{0, 0, 120, 20};
    info.DrawTextFlags = 0x2C0;
    info.TextColor = clBlack;
    info.SelStart = c.selStart;
    info.SelLength = c.selLength;
    info.SelBackgroundColor = clRed;
    info.SelTextColor = clWhite;
    info.DrawText(&canvas);
    int red = 0;
    for (int x = 0; x < 120; ++x)
      for (int y = 0; y < 20; ++y)
        red += ColorToRGB(bitmap.Canvas()->Pixels(x, y)) == clRed ? 1 : 0;
    EXPECT_EQ(red > 0, c.highlighted) << c.selStart << "," << c.selLength;
  }
}

} // namespace

// A press over an edit's text gives its inner control the focus before the edit handles the press itself.
// An enter handler raised then may hide the form or move the edit onto a hidden form: the press goes on
// without taking the focus back, raises nothing, and the edit takes the focus again once its form shows.
// A popup shown again for an owner that no longer shows closes as soon as it shows, and is then not
// activated: its editor, the active control, would be given the window focus and pass it on to its inner
// control through the popup, which refuses the focus, being hidden.
TEST_F(TextEditTest, APopupClosedAsItShowsIsNotActivated) {
  for (bool memo : {false, true}) {
    SCOPED_TRACE(memo ? "memo" : "text edit");
    auto* panel = new TcxContainer(Form());
    panel->SetParent(form);
    panel->SetBounds(200, 10, 100, 24);
    auto popup = std::make_unique<TcxCustomPopupWindow>(panel);
    popup->SetModalMode(false);
    popup->SetOwnerParent(panel);
    popup->SetOwnerBounds(TRect{0, 0, panel->Width(), panel->Height()});
    popup->SetBounds(0, 0, 180, 100);
    TcxCustomTextEdit* edit = PlaceEditor(memo, form, popup.get(), 10, 10);
    popup->ShowPopup(edit);
    Pump();
    ASSERT_TRUE(popup->ActiveControl() == edit || edit->ContainsControl(popup->ActiveControl()));
    popup->ClosePopup();
    panel->Hide();
    Pump();
    std::string raised;
    struct Recorder {
      std::string* raised;
      void Raised(TObject*, const std::exception& E) { *raised += E.what(); }
    } recorder{&raised};
    Application()->OnException = TExceptionEvent(&recorder, &Recorder::Raised);
    EXPECT_NO_THROW(popup->ShowPopup(nullptr));
    Pump();
    Application()->OnException = nullptr;
    EXPECT_EQ(raised, "");
    EXPECT_FALSE(popup->Visible());
    EXPECT_FALSE(edit->Focused());
    form->Free();
    form = nullptr;
  }
}

// A form whose activation handler hides or disables it: the form does not then hand the window focus to its
// editor, which would pass it on to its inner control through a form that refuses the focus.
TEST_F(TextEditTest, AFormHiddenOrDisabledByItsActivationHandlerGivesNoFocus) {
  for (bool hide : {true, false})
    for (bool memo : {false, true}) {
      SCOPED_TRACE(std::string(hide ? "hidden, " : "disabled, ") + (memo ? "memo" : "text edit"));
      TForm* other = nullptr;
      Application()->CreateForm(other);
      other->SetBounds(300, 300, 200, 150);
      TcxCustomTextEdit* edit = PlaceEditor(memo, other, other, 10, 10);
      other->SetActiveControl(edit);
      struct Handler {
        TForm* form;
        bool hide;
        std::string raised;
        void Activate(TObject*) {
          if (hide)
            form->Hide();
          else
            form->SetEnabled(false);
        }
        void Raised(TObject*, const std::exception& E) { raised += E.what(); }
      } handler{other, hide, ""};
      other->OnActivate = TNotifyEvent(&handler, &Handler::Activate);
      Application()->OnException = TExceptionEvent(&handler, &Handler::Raised);
      EXPECT_NO_THROW(other->Show());
      Pump();
      Application()->OnException = nullptr;
      EXPECT_EQ(handler.raised, "");
      EXPECT_FALSE(edit->Focused());
      other->Free();
    }
}

TEST_F(TextEditTest, APressWhoseEnterHandlerHidesTheEditsFormRaisesNothing) {
  enum How { HideForm, MoveToHiddenForm };
  for (How how : {HideForm, MoveToHiddenForm})
    for (bool onFocusChanged : {false, true})
      for (bool memo : {false, true}) {
        SCOPED_TRACE(std::string(how == HideForm ? "hide the form" : "move to a hidden form") +
                     (onFocusChanged ? ", focus changed, " : ", enter, ") + (memo ? "memo" : "text edit"));
        TcxCustomTextEdit* edit = MakeTextEditOrMemo(memo);
        TForm* hidden = nullptr;
        Application()->CreateForm(hidden);
        struct Handler {
          TcxCustomTextEdit* edit;
          TForm* form;
          TForm* hidden;
          How how;
          void Enter(TObject*) {
            if (!edit)
              return;
            if (how == HideForm)
              form->Hide();
            else
              edit->SetParent(hidden);
            edit = nullptr;
          }
          void Raised(TObject*, const std::exception& E) { raised += E.what(); }
          std::string raised{};
        } handler{edit, form, hidden, how};
        (onFocusChanged ? edit->OnFocusChanged : edit->OnEnter) = TNotifyEvent(&handler, &Handler::Enter);
        Application()->OnException = TExceptionEvent(&handler, &Handler::Raised);
        Press(edit, 20, 8);
        Pump();
        EXPECT_FALSE(edit->Focused());
        Release(edit, 20, 8);
        Pump();
        Application()->OnException = nullptr;
        EXPECT_EQ(handler.raised, "");
        EXPECT_EQ(GetCapture(), nullptr);
        (how == HideForm ? form : hidden)->Show();
        Pump();
        Press(edit, 20, 8);
        Release(edit, 20, 8);
        Pump();
        EXPECT_TRUE(edit->Focused());
        hidden->Free();
        form->Free();
        form = nullptr;
      }
}

// An editor on a popup whose owner lies on another popup: freeing that other popup takes the owner's window
// and with it the editor's popup window, which the window manager destroys without the editor's controls
// being asked to give up their windows. The text written since the windows were made is what the editor
// holds afterwards, as it would after its windows were given up in order.
TEST_F(TextEditTest, AnEditorWhoseWindowGoesWithItsPopupsOwnerKeepsItsText) {
  auto place = [](auto* AControl, TWinControl* AParent, TRect ABounds) {
    AControl->SetParent(AParent);
    AControl->SetBoundsRect(ABounds);
    return AControl;
  };
  auto popupOf = [](TWinControl* AOwner) {
    auto* popup = new TcxCustomPopupWindow(AOwner);
    popup->SetModalMode(false);
    popup->SetOwnerParent(AOwner);
    popup->SetBounds(0, 0, 180, 100);
    return popup;
  };
  enum Write { Clear, SetText, SetEditValue };
  for (bool memo : {false, true})
    for (Write write : {Clear, SetText, SetEditValue}) {
      SCOPED_TRACE(std::string(memo ? "memo" : "text edit") + ", write " + std::to_string(int(write)));
      auto* outerPopup = popupOf(place(new TcxContainer(Form()), form, Bounds(200, 10, 100, 24)));
      auto* owner = place(new TcxContainer(form), outerPopup, Bounds(4, 4, 100, 40));
      auto* popup = popupOf(owner);
      auto* box = place(new TcxContainer(form), popup, Bounds(0, 0, 170, 90));
      TcxCustomTextEdit* edit =
          memo ? place(static_cast<TcxCustomTextEdit*>(new TcxMemo(form)), box, Bounds(10, 10, 150, 60))
               : place(new TcxTextEdit(form), box, Bounds(10, 10, 150, 21));
      edit->SetText("Ab");
      outerPopup->HandleNeeded();
      edit->InnerControl()->HandleNeeded();
      ASSERT_EQ(GetWindow(popup->Handle(), GW_OWNER), outerPopup->Handle());
      if (write == Clear)
        edit->Clear();
      else if (write == SetText)
        edit->SetText("Cd");
      else
        edit->SetEditValue(Variant(String("Cd")));
      const String written = write == Clear ? String() : String("Cd");
      ASSERT_EQ(edit->Text(), written);
      outerPopup->Free();
      Pump();
      EXPECT_FALSE(edit->HandleAllocated());
      EXPECT_EQ(edit->Text(), written);
      EXPECT_EQ(VarToStr(edit->EditValue()), written);
      popup->ShowPopup(nullptr);
      Pump();
      EXPECT_EQ(edit->Text(), written) << "the windows made again show what was written";
      if (memo) {
        TStrings* lines = static_cast<TcxMemo*>(edit)->Lines();
        EXPECT_EQ(lines->Count(), written.empty() ? 0 : 1);
        EXPECT_EQ(lines->Text(), written);
      }
      popup->Free();
      form->Free();
      form = nullptr;
    }
}
