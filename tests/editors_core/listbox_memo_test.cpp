#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "edit_fixture.h"
#include "editors/core/cxListBox.h"
#include "editors/core/cxMemo.h"
#include "platform/controls/Clipbrd.h"
#include "platform/win/Edit.h"
#include "platform/win/Input.h"
#include "platform/win/ListBox.h"

namespace {

class ListBoxMemoTest : public TextEditorsTest {
protected:
  void SetUp() override {
    TextEditorsTest::SetUp();
    form = ShowForm();
  }
  TcxListBox* MakeList(bool sorted = true) {
    auto* list = new TcxListBox(form);
    list->SetSorted(sorted);
    list->SetParent(form);
    list->SetBounds(10, 10, 150, 100);
    Pump();
    return list;
  }
  TcxMemo* MakeMemo() {
    auto* memo = new TcxMemo(form);
    memo->SetParent(form);
    memo->SetBounds(10, 120, 150, 60);
    Pump();
    return memo;
  }
  static std::vector<std::string> LinesOf(TcxMemo* memo) {
    std::vector<std::string> out;
    for (int i = 0; i < memo->Lines()->Count(); ++i)
      out.push_back(memo->Lines()->Strings(i));
    return out;
  }
  static std::vector<std::string> ItemsOf(TcxListBox* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->Count(); ++i)
      out.push_back(list->Items()->Strings(i));
    return out;
  }

public:
  int clicks = 0;
  std::vector<WORD> keysUp;
  void OnClick(TObject*) { ++clicks; }
  void OnKeyUp(TObject*, WORD& Key, TShiftState) { keysUp.push_back(Key); }
};

TEST_F(ListBoxMemoTest, SortedItemsIndexOfAndSelection) {
  TcxListBox* list = MakeList();
  EXPECT_EQ(list->Width(), 150);
  list->Items()->Add("b");
  EXPECT_EQ(list->Items()->Add("a"), 0);
  list->Items()->Add("c");
  EXPECT_EQ(ItemsOf(list), (std::vector<std::string>{"a", "b", "c"}));
  list->Items()->Add("elma");
  EXPECT_EQ(list->Items()->IndexOf("ELMA"), 3);
  EXPECT_EQ(list->Items()->IndexOf("armut"), -1);
  list->SetSelected(0, true);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_TRUE(list->Selected(0));
  list->SetSelected(0, false);
  EXPECT_EQ(list->ItemIndex(), -1);
  list->Clear();
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(ListBoxMemoTest, OrderedBatchAndListMessagesReachTheInnerList) {
  TcxListBox* list = MakeList();
  std::vector<AnsiString> batch{"a", "b", "c"};
  list->AppendOrdered(batch);
  EXPECT_EQ(list->Count(), 3);
  std::vector<AnsiString> outOfOrder{"z", "d"};
  EXPECT_THROW(list->AppendOrdered(outOfOrder), EListError);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(SendMessage(list->Handle(), LB_GETCOUNT, 0, 0), 3);
  SendMessage(list->Handle(), LB_SETCURSEL, 2, 0);
  EXPECT_EQ(list->ItemIndex(), 2);
}

TEST_F(ListBoxMemoTest, ClicksAndKeysOfTheInnerListReachTheListBox) {
  TcxListBox* list = MakeList();
  for (const char* s : {"a", "b", "c"})
    list->Items()->Add(s);
  list->OnClick = TNotifyEvent(this, &ListBoxMemoTest::OnClick);
  list->OnKeyUp = TKeyEvent(this, &ListBoxMemoTest::OnKeyUp);
  const TRect r = list->ItemRect(1);
  const TPoint p = list->InnerListBox()->ClientToScreen(TPoint{r.left + 4, (r.top + r.bottom) / 2});
  platform::InjectMouseMove(p.x, p.y);
  platform::InjectMouseButton(platform::MouseButton::Left, true, p.x, p.y);
  platform::InjectMouseButton(platform::MouseButton::Left, false, p.x, p.y);
  Pump();
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  backend->PressKey(VK_DOWN);
  Pump();
  EXPECT_EQ(list->ItemIndex(), 2);
  ASSERT_FALSE(keysUp.empty());
  EXPECT_EQ(keysUp.back(), VK_DOWN);
}

// One key typed into the list is one key to the list box's handlers, in the platform's order, and one
// step for the list.
TEST_F(ListBoxMemoTest, AKeyTypedIntoTheListRaisesEachKeyEventOnce) {
  using Events = std::vector<std::string>;
  struct Recorder {
    Events events;
    void Down(TObject*, WORD& Key, TShiftState) { events.push_back("OnKeyDown " + std::to_string(Key)); }
    void Up(TObject*, WORD& Key, TShiftState) { events.push_back("OnKeyUp " + std::to_string(Key)); }
    void Press(TObject*, char& Key) { events.push_back("OnKeyPress " + std::to_string(int(Key))); }
  };
  const struct Case {
    const char* name;
    int vk;
    Events events;
    int itemIndex;
  } cases[] = {
      {"Down", VK_DOWN, {"OnKeyDown 40", "OnKeyUp 40"}, 1},
      {"a character", 'G', {"OnKeyDown 71", "OnKeyPress 103", "OnKeyUp 71"}, 2},
      {"Enter", VK_RETURN, {"OnKeyDown 13", "OnKeyPress 13", "OnKeyUp 13"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TcxListBox* list = MakeList();
    for (const char* s : {"alfa", "beta", "gama"})
      list->Items()->Add(s);
    list->SetItemIndex(0);
    list->SetFocus();
    Pump();
    Recorder recorder;
    list->OnKeyDown = TKeyEvent(&recorder, &Recorder::Down);
    list->OnKeyUp = TKeyEvent(&recorder, &Recorder::Up);
    list->OnKeyPress = TKeyPressEvent(&recorder, &Recorder::Press);
    backend->PressKey(c.vk);
    Pump();
    EXPECT_EQ(recorder.events, c.events);
    EXPECT_EQ(list->ItemIndex(), c.itemIndex);
    list->Free();
  }
}

TEST_F(ListBoxMemoTest, ListBarsAreTheContainersOwn) {
  TcxListBox* list = MakeList();
  list->Items()->BeginUpdate();
  for (int i = 0; i < 100; ++i)
    list->Items()->Add("item " + std::to_string(1000 + i));
  list->Items()->EndUpdate();
  Pump();
  ASSERT_NE(list->InnerListBox()->VScrollBar(), nullptr);
  EXPECT_TRUE(list->InnerListBox()->VScrollBar()->Visible());
}

TEST_F(ListBoxMemoTest, IntegralHeightKeepsWholeRowsUnlessAligned) {
  TcxListBox* list = MakeList(false);
  list->SetListStyle(lbOwnerDrawFixed);
  list->SetItemHeight(16);
  list->SetIntegralHeight(true);
  const TRect border = list->GetBorderExtent();
  list->SetBounds(10, 10, 150, border.top + border.bottom + 16 * 3 + 5);
  EXPECT_EQ(list->Height(), border.top + border.bottom + 48);
  list->SetBounds(10, 10, 150, border.top + border.bottom + 4);
  EXPECT_EQ(list->Height(), border.top + border.bottom + 16);
  list->SetAlign(alClient);
  list->SetAlign(alNone);
  list->SetIntegralHeight(false);
  list->SetBounds(10, 10, 150, 77);
  EXPECT_EQ(list->Height(), 77);
}

TEST_F(ListBoxMemoTest, ReadOnlyMemoShowsProgramTextAndRefusesPaste) {
  TcxMemo* memo = MakeMemo();
  memo->Properties()->SetReadOnly(true);
  Pump();
  memo->SetText("ev: isim");
  EXPECT_EQ(memo->Text(), "ev: isim");
  memo->SelectAll();
  Clipboard()->SetAsText("zzz");
  SendMessage(memo->InnerMemo()->Handle(), WM_PASTE, 0, 0);
  SendMessage(memo->InnerMemo()->Handle(), WM_CLEAR, 0, 0);
  EXPECT_EQ(memo->Text(), "ev: isim");
  memo->SetText("abc\r\ndef");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  memo->Clear();
  EXPECT_EQ(memo->Text(), "");
  EXPECT_EQ(memo->Lines()->Count(), 0);
}

// Whatever the program changes through the lines is the memo's value: entering the memo, which shows the
// value again, keeps it, and the memo tells of the change as for its own text.
TEST_F(ListBoxMemoTest, ChangesThroughTheLinesAreTheMemosValue) {
  using Lines = std::vector<std::string>;
  const struct {
    const char* name;
    std::function<void(TcxMemo*)> change;
    Lines expected;
  } cases[] = {
      {"SetText", [](TcxMemo* m) { m->Lines()->SetText("x\r\ny"); }, {"x", "y"}},
      {"Clear", [](TcxMemo* m) { m->Lines()->Clear(); }, {}},
      {"Add", [](TcxMemo* m) { m->Lines()->Add("four"); }, {"one", "two", "three", "four"}},
      {"Insert", [](TcxMemo* m) { m->Lines()->Insert(0, "zero"); }, {"zero", "one", "two", "three"}},
      {"Delete", [](TcxMemo* m) { m->Lines()->Delete(1); }, {"one", "three"}},
      {"SetStrings", [](TcxMemo* m) { m->Lines()->SetStrings(1, "TWO"); }, {"one", "TWO", "three"}},
      {"Exchange", [](TcxMemo* m) { m->Lines()->Exchange(0, 2); }, {"three", "two", "one"}},
      {"Move", [](TcxMemo* m) { m->Lines()->Move(0, 2); }, {"two", "three", "one"}},
      {"SetCommaText", [](TcxMemo* m) { m->Lines()->SetCommaText("a,b"); }, {"a", "b"}},
      {"SetCommaText of nothing", [](TcxMemo* m) { m->Lines()->SetCommaText(""); }, {}},
      {"Assign",
       [](TcxMemo* m) {
         TStringList source;
         source.Add("a");
         source.Add("b");
         m->Lines()->Assign(&source);
       },
       {"a", "b"}},
      {"Assign of an empty list",
       [](TcxMemo* m) {
         TStringList source;
         m->Lines()->Assign(&source);
       },
       {}},
      {"AddStrings",
       [](TcxMemo* m) {
         TStringList source;
         source.Add("a");
         m->Lines()->AddStrings(&source);
       },
       {"one", "two", "three", "a"}},
      {"SetLines",
       [](TcxMemo* m) {
         TStringList source;
         source.Add("a");
         m->SetLines(&source);
       },
       {"a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool byClick : {false, true}) {
      TcxMemo* memo = MakeMemo();
      memo->SetText("one\r\ntwo\r\nthree");
      Listen(memo->Properties());
      log.clear();
      c.change(memo);
      EXPECT_EQ(LinesOf(memo), c.expected);
      EXPECT_EQ(VarToStr(memo->EditValue()), memo->Text());
      EXPECT_NE(std::find(log.begin(), log.end(), "OnChange"), log.end()) << "the memo tells of the change";
      const String shown = memo->Text();
      if (byClick) {
        Press(memo->InnerMemo(), 5, 5);
        Release(memo->InnerMemo(), 5, 5);
      } else {
        memo->SetFocus();
        Pump();
      }
      ASSERT_TRUE(memo->Focused()) << "click " << byClick;
      EXPECT_EQ(memo->Text(), shown) << "click " << byClick;
      EXPECT_EQ(LinesOf(memo), c.expected) << "click " << byClick;
      memo->Free();
      Pump();
    }
  }
}

// A change handler that writes the memo while a program's write is still showing its text has the last
// word: its text is the memo's value, whichever route each write took.
TEST_F(ListBoxMemoTest, AHandlersWriteDuringAProgramsWriteIsTheValue) {
  using Write = void (*)(TcxMemo*);
  const struct {
    const char* name;
    Write write;
  } programs[] =
      {
          {"edit value", [](TcxMemo* m) { m->SetEditValue(Variant(String("lone\nline feed"))); }},
          {"text", [](TcxMemo* m) { m->SetText("lone\nline feed"); }},
          {"clear", [](TcxMemo* m) { m->Clear(); }},
      },
    handlers[] = {
        {"lines", [](TcxMemo* m) { m->Lines()->SetText("x\ny"); }},
        {"edit value", [](TcxMemo* m) { m->SetEditValue(Variant(String("x\r\ny"))); }},
        {"text", [](TcxMemo* m) { m->SetText("x\r\ny"); }},
    };
  struct Writer {
    TcxMemo* memo;
    Write write;
    void OnChange(TObject*) {
      if (Write w = std::exchange(write, nullptr))
        w(memo);
    }
  };
  for (const auto& program : programs)
    for (const auto& handler : handlers) {
      SCOPED_TRACE(std::string(program.name) + " written, " + handler.name + " by the handler");
      TcxMemo* memo = MakeMemo();
      memo->SetText("one");
      Writer writer{memo, handler.write};
      memo->Properties()->OnChange = TNotifyEvent(&writer, &Writer::OnChange);
      program.write(memo);
      EXPECT_EQ(writer.write, nullptr) << "the handler ran";
      EXPECT_EQ(memo->Text(), "x\r\ny");
      EXPECT_EQ(VarToStr(memo->EditValue()), memo->Text());
      memo->SetFocus();
      Pump();
      EXPECT_EQ(memo->Text(), "x\r\ny") << "after taking the focus";
      memo->Free();
      Pump();
    }
}

// An exchange or move of lines is one change of the text: a change handler that deletes a line sees it whole
// and cannot throw its later steps off.
TEST_F(ListBoxMemoTest, AnExchangeOrMoveOfLinesIsOneChange) {
  using Lines = std::vector<std::string>;
  const struct {
    const char* name;
    void (*change)(TStrings*);
    Lines done, afterHandler;
  } cases[] = {
      {"exchange", [](TStrings* l) { l->Exchange(0, 2); }, {"three", "two", "one"}, {"two", "one"}},
      {"exchange back", [](TStrings* l) { l->Exchange(2, 1); }, {"one", "three", "two"}, {"three", "two"}},
      {"move on", [](TStrings* l) { l->Move(0, 2); }, {"two", "three", "one"}, {"three", "one"}},
      {"move back", [](TStrings* l) { l->Move(2, 0); }, {"three", "one", "two"}, {"one", "two"}},
  };
  struct Deleter {
    TcxMemo* memo;
    Lines seen{};
    bool once = false;
    void OnChange(TObject*) {
      if (std::exchange(once, true))
        return;
      seen = LinesOf(memo);
      memo->Lines()->Delete(0);
    }
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TcxMemo* memo = MakeMemo();
    memo->SetText("one\r\ntwo\r\nthree");
    Deleter deleter{memo};
    memo->Properties()->OnChange = TNotifyEvent(&deleter, &Deleter::OnChange);
    EXPECT_NO_THROW(c.change(memo->Lines()));
    EXPECT_EQ(deleter.seen, c.done) << "what the handler saw";
    EXPECT_EQ(LinesOf(memo), c.afterHandler);
    EXPECT_EQ(VarToStr(memo->EditValue()), memo->Text());
    memo->Free();
    Pump();
  }
}

// A memo wraps lines wider than itself into rows, but its lines stay the ones the program wrote: operations
// of several steps, whose first step changes how the rest wraps, act on the lines they were given, and the
// text keeps one line break a line.
TEST_F(ListBoxMemoTest, AWrappedMemosLinesAreTheProgramsLines) {
  using Lines = std::vector<std::string>;
  const std::string first = "a first line of many words", third = "and a third one just as wide";
  const struct {
    const char* name;
    std::function<void(TStrings*)> change;
    Lines expected;
  } cases[] = {
      {"nothing", [](TStrings*) {}, {first, "two", third}},
      {"Exchange", [](TStrings* l) { l->Exchange(0, 2); }, {third, "two", first}},
      {"Exchange with a short line", [](TStrings* l) { l->Exchange(1, 2); }, {first, third, "two"}},
      {"Move", [](TStrings* l) { l->Move(2, 0); }, {third, first, "two"}},
      {"SetStrings", [](TStrings* l) { l->SetStrings(0, "one"); }, {"one", "two", third}},
      {"Insert", [&](TStrings* l) { l->Insert(1, first); }, {first, first, "two", third}},
      {"Delete", [](TStrings* l) { l->Delete(2); }, {first, "two"}},
      {"Add", [&](TStrings* l) { l->Add(third); }, {first, "two", third, third}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TcxMemo* memo = MakeMemo();
    memo->SetWidth(90);
    memo->SetText(first + "\r\ntwo\r\n" + third);
    ASSERT_GT(SendMessageA(memo->InnerMemo()->Handle(), EM_GETLINECOUNT, 0, 0), 4) << "the memo wraps";
    EXPECT_NO_THROW(c.change(memo->Lines()));
    EXPECT_EQ(LinesOf(memo), c.expected);
    std::string text;
    for (const std::string& line : c.expected)
      text += (text.empty() ? "" : "\r\n") + line;
    // A line added after the last one brings its own break along.
    std::string shown = memo->Text();
    if (shown.size() >= 2 && shown.compare(shown.size() - 2, 2, "\r\n") == 0)
      shown.resize(shown.size() - 2);
    EXPECT_EQ(shown, text);
    memo->Free();
    Pump();
  }
}

// A memo filled through its lines alone, never through its own text, keeps what they hold when clicked.
TEST_F(ListBoxMemoTest, AMemoFilledOnlyThroughItsLinesKeepsThemWhenClicked) {
  TcxMemo* memo = MakeMemo();
  memo->Lines()->SetText("x\r\ny");
  Press(memo->InnerMemo(), 5, 5);
  Release(memo->InnerMemo(), 5, 5);
  ASSERT_TRUE(memo->Focused());
  EXPECT_EQ(memo->Text(), "x\r\ny");
  EXPECT_EQ(VarToStr(memo->EditValue()), "x\r\ny");
}

TEST_F(ListBoxMemoTest, InnerMemoClaimsTabWhileCtrlIsUpAndTheMemoMovesTheFocusItself) {
  // Before, memo, after: the tab order a memo takes part in, as the dictionary's read-only memos do.
  const struct {
    const char* name;
    bool wantTabs, readOnly, ctrl, shift;
    bool claimsTab;
    const char* focusAfter; // "memo", "after" or "before"
    const char* text;
  } cases[] = {
      {"editable memo: Tab moves on", false, false, false, false, true, "after", "ab"},
      {"read-only memo: Tab moves on", false, true, false, false, true, "after", "ab"},
      {"read-only memo: Shift+Tab moves back", false, true, false, true, true, "before", "ab"},
      {"memo that wants tabs: Tab is typed", true, false, false, false, true, "memo", "ab\t"},
      {"Ctrl held: the dialog code leaves Tab out", false, false, true, false, false, "memo", "ab"},
  };
  for (const auto& c : cases) {
    auto* before = new TcxTextEdit(form);
    before->SetParent(form);
    before->SetBounds(10, 10, 150, 21);
    TcxMemo* memo = MakeMemo();
    auto* after = new TcxTextEdit(form);
    after->SetParent(form);
    after->SetBounds(10, 200, 150, 21);
    memo->Properties()->SetWantTabs(c.wantTabs);
    memo->Properties()->SetReadOnly(c.readOnly);
    memo->SetText("ab");
    memo->SetFocus();
    Pump();
    SendMessage(memo->InnerMemo()->Handle(), EM_SETSEL, 2, 2);
    if (c.ctrl) {
      backend->KeyDown(VK_CONTROL);
      Pump();
    }
    const LRESULT code = SendMessage(memo->InnerMemo()->Handle(), WM_GETDLGCODE, 0, 0);
    EXPECT_EQ((code & DLGC_WANTTAB) != 0, c.claimsTab) << c.name;
    if (c.shift)
      backend->KeyDown(VK_SHIFT);
    backend->PressKey(VK_TAB);
    if (c.shift)
      backend->KeyUp(VK_SHIFT);
    if (c.ctrl)
      backend->KeyUp(VK_CONTROL);
    Pump();
    const std::string focus = memo->Focused()     ? "memo"
                              : after->Focused()  ? "after"
                              : before->Focused() ? "before"
                                                  : "?";
    EXPECT_EQ(focus, c.focusAfter) << c.name;
    EXPECT_EQ(memo->Text(), c.text) << c.name;
    for (TWinControl* control : std::initializer_list<TWinControl*>{after, memo, before})
      control->Free();
    Pump();
  }
}

TEST_F(ListBoxMemoTest, MemoDefaultsAndSettings) {
  TcxMemo* memo = MakeMemo();
  TcxMemoProperties* p = memo->Properties();
  EXPECT_TRUE(p->WantReturns());
  EXPECT_FALSE(p->WantTabs());
  EXPECT_TRUE(p->WordWrap());
  EXPECT_EQ(p->ScrollBars(), ssNone);
  EXPECT_FALSE(p->AutoSelect());
  EXPECT_TRUE(p->IsMultiLine());
  p->SetScrollBars(ssVertical);
  p->SetWantReturns(false);
  EXPECT_EQ(memo->InnerMemo()->ScrollBars(), ssVertical);
  EXPECT_FALSE(memo->InnerMemo()->WantReturns());
  TcxMemo fresh(form);
  EXPECT_EQ(fresh.Width(), 185);
  EXPECT_EQ(fresh.Height(), 89);
}

TEST_F(ListBoxMemoTest, InnerMemoFillsTheClientRectangleLessTwoPixelsOfHeight) {
  TcxMemo* memo = MakeMemo();
  for (const TSize size : {TSize{150, 60}, TSize{200, 47}, TSize{90, 120}}) {
    memo->SetBounds(10, 120, size.cx, size.cy);
    Pump();
    const TRect client = memo->ViewInfo()->ClientRect;
    TcxCustomInnerMemo* inner = memo->InnerMemo();
    EXPECT_EQ(inner->Left(), client.left) << size.cx;
    EXPECT_EQ(inner->Top(), client.top) << size.cx;
    EXPECT_EQ(inner->Width(), client.right - client.left) << size.cx;
    EXPECT_EQ(inner->Height(), client.bottom - client.top - 2) << size.cx;
  }
}

// A centred memo that is not focused draws its own text, breaking a line too long for it only where its
// platform memo would: with WordWrap and without a horizontal bar.
TEST_F(ListBoxMemoTest, AMemoDrawingItsOwnTextBreaksLinesAsItsPlatformMemoWould) {
  const struct Case {
    bool wordWrap;
    TScrollStyle scrollBars;
    bool broken;
  } cases[] = {
      {true, ssNone, true},        {true, ssVertical, true}, {false, ssNone, false},
      {true, ssHorizontal, false}, {true, ssBoth, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.wordWrap) + " " + std::to_string(c.scrollBars));
    TcxMemo* memo = MakeMemo();
    memo->SetBounds(10, 120, 150, 90);
    memo->Properties()->Alignment()->SetHorz(taCenter);
    memo->Properties()->SetWordWrap(c.wordWrap);
    memo->Properties()->SetScrollBars(c.scrollBars);
    memo->SetText("alfa beta gama delta epsilon zeta eta theta");
    Pump();
    ASSERT_FALSE(memo->Focused());
    ASSERT_FALSE(memo->IsInnerEditShown());
    memo->cxCanvas()->SetFont(memo->Style()->GetVisibleFont());
    const int row = memo->cxCanvas()->TextHeight("Zg");
    const TcxCustomTextEditViewInfo* info = static_cast<TcxCustomTextEditViewInfo*>(memo->ViewInfo());
    const TRect text = info->TextRect;
    // The second row, clear of the bars that lie over the text's right and bottom edges.
    int ink = 0;
    for (int y = text.top + row; y < text.top + 2 * row; ++y)
      for (int x = text.left; x < text.right - GetSystemMetrics(SM_CXVSCROLL); ++x)
        ink += PixelAt(memo, x, y) != ColorToRGB(info->BackgroundColor);
    EXPECT_EQ(ink > 0, c.broken) << ink;
    memo->SetFocus();
    Pump();
    EXPECT_EQ(SendMessage(memo->InnerMemo()->Handle(), EM_GETLINECOUNT, 0, 0) > 1, c.broken);
    memo->Free();
  }
}

// A tab in a memo that draws its own text reaches the next tab stop, as in its platform memo: the ink of
// "x<tab>y" spans the text's width with tabs expanded.
TEST_F(ListBoxMemoTest, AMemoDrawingItsOwnTextExpandsTabs) {
  TcxMemo* memo = MakeMemo();
  memo->SetBounds(10, 120, 150, 90);
  memo->Properties()->Alignment()->SetHorz(taCenter);
  memo->SetText("x\ty");
  Pump();
  ASSERT_FALSE(memo->IsInnerEditShown());
  TcxCanvas* canvas = memo->cxCanvas();
  canvas->SetFont(memo->Style()->GetVisibleFont());
  TRect expanded{0, 0, 0, 0}, plain{0, 0, 0, 0};
  canvas->CalculateTextRect("x\ty", expanded, cxSingleLine | cxExpandTabs);
  canvas->CalculateTextRect("x\ty", plain, cxSingleLine);
  ASSERT_GT(expanded.right - plain.right, 10) << "the tab stop lies well past an unexpanded tab";
  const auto* info = static_cast<const TcxCustomTextEditViewInfo*>(memo->ViewInfo());
  const TRect text = info->TextRect;
  int first = text.right, last = text.left - 1;
  for (int y = text.top; y < text.top + canvas->TextHeight("Zg"); ++y)
    for (int x = text.left; x < text.right; ++x)
      if (PixelAt(memo, x, y) != ColorToRGB(info->BackgroundColor)) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
  EXPECT_NEAR(last + 1 - first, expanded.right, 3);
}

// A host that activates a memo in place by a key hands the key on as typed at the start of the text, except
// Enter, which only activates: a memo would take it as a new line.
TEST_F(ListBoxMemoTest, AMemoActivatedByEnterTakesNoLineBreak) {
  const struct Case {
    char key;
    const char* text;
  } cases[] = {{'\r', "kitap"}, {'q', "qkitap"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.key));
    auto* memo = new TcxCustomMemo(form, true);
    memo->SetParent(form);
    memo->SetBounds(10, 120, 150, 60);
    memo->SetText("kitap");
    memo->SetVisible(false);
    Pump();
    TcxCustomEditData* data = nullptr;
    memo->ActivateByKey(c.key, data);
    Pump();
    EXPECT_TRUE(memo->Focused());
    EXPECT_EQ(memo->Text(), c.text);
    memo->Free();
  }
}

TEST_F(ListBoxMemoTest, MemoReplacementFixesLineBreaksAndMaxLengthCutsPaste) {
  TcxMemo* memo = MakeMemo();
  memo->SetText("x");
  SendMessage(memo->InnerMemo()->Handle(), EM_SETSEL, 1, 1);
  SendMessage(memo->InnerMemo()->Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("a\n\rb\n\r"));
  EXPECT_EQ(memo->Text(), "xa\r\n\r\nb\r\n\r\n");
  EXPECT_EQ(VarToStr(memo->EditValue()), memo->Text());
  memo->Properties()->SetMaxLength(4);
  memo->SetText("abc");
  SendMessage(memo->InnerMemo()->Handle(), EM_SETSEL, 3, 3);
  Clipboard()->SetAsText("xyz");
  SendMessage(memo->InnerMemo()->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(memo->Text(), "abcx");
}

TEST_F(ListBoxMemoTest, MemoBarsAreLookAndFeelBarsThatScrollWithTheMemo) {
  TcxMemo* memo = MakeMemo();
  memo->Properties()->SetScrollBars(ssVertical);
  Pump();
  TcxCustomInnerMemo* inner = memo->InnerMemo();
  TcxScrollBar* v = inner->VScrollBar();
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->Visible() && !v->Enabled())
      << "nothing to scroll: the native bar shows disabled, so does this";
  String text;
  for (int i = 0; i < 40; ++i)
    text += "line " + std::to_string(i) + "\r\n";
  memo->SetText(text);
  Pump();
  ASSERT_TRUE(v->Visible());
  EXPECT_TRUE(v->Enabled());
  EXPECT_EQ(v->Parent(), memo);
  EXPECT_FALSE(inner->HScrollBar()->Visible());

  SCROLLBARINFO info{};
  ASSERT_TRUE(QueryScrollBarInfo(inner->Handle(), OBJID_VSCROLL, info));
  TRect native = info.rcScrollBar;
  MapWindowPoints(nullptr, memo->Handle(), reinterpret_cast<POINT*>(&native), 2);
  const TRect placed{v->Left(), v->Top(), v->Left() + v->Width(), v->Top() + v->Height()};
  EXPECT_TRUE(EqualRect(&native, &placed));
  // What the screen shows over the native bar is the look-and-feel bar's window.
  const POINT centre{(info.rcScrollBar.left + info.rcScrollBar.right) / 2,
                     (info.rcScrollBar.top + info.rcScrollBar.bottom) / 2};
  EXPECT_EQ(WindowFromPoint(centre), v->Handle());

  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  GetScrollInfo(inner->Handle(), SB_VERT, &si);
  EXPECT_EQ(v->Max(), si.nMax);
  EXPECT_EQ(v->PageSize(), int(si.nPage));
  EXPECT_EQ(v->Position(), 0);

  const TRect down = v->PartBounds(spSecondArrow);
  Press(v, down.left + 2, down.top + 2);
  Release(v, down.left + 2, down.top + 2);
  EXPECT_EQ(SendMessage(inner->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 1) << "the bar scrolls the memo";
  EXPECT_EQ(v->Position(), 1);

  SendMessage(inner->Handle(), EM_LINESCROLL, 0, 10);
  EXPECT_EQ(v->Position(), 11) << "the memo's own scrolling moves the bar";
  EXPECT_EQ(v->Position(), GetScrollPos(inner->Handle(), SB_VERT));
  SendMessage(inner->Handle(), EM_SETSEL, 0, 0);
  SendMessage(inner->Handle(), EM_SCROLLCARET, 0, 0);
  EXPECT_EQ(v->Position(), 0);

  memo->SetText("one line");
  Pump();
  EXPECT_EQ(v->Position(), GetScrollPos(inner->Handle(), SB_VERT));
  memo->Properties()->SetScrollBars(ssNone);
  Pump();
  EXPECT_FALSE(v->Visible()) << "no native bar, no mirrored one";
}

// A press on a disabled bar lies on the memo's own window, where the platform finds no enabled window, and
// over its inner memo: the memo passes it on to the inner memo, which passes it back, once.
TEST_F(ListBoxMemoTest, APressOnADisabledBarIsPassedToTheInnerMemoOnce) {
  TcxMemo* memo = MakeMemo();
  memo->Properties()->SetScrollBars(ssVertical);
  Pump();
  TcxScrollBar* v = memo->InnerMemo()->VScrollBar();
  ASSERT_TRUE(v->Visible() && !v->Enabled());
  struct Counter {
    std::vector<TMouseButton> downs;
    void Down(TObject*, TMouseButton Button, TShiftState, int, int) { downs.push_back(Button); }
  } counter;
  memo->OnMouseDown = TMouseEvent(&counter, &Counter::Down);
  const TPoint centre{v->Left() + v->Width() / 2, v->Top() + v->Height() / 2};
  ASSERT_EQ(WindowFromPoint(At(memo, centre.x, centre.y)), memo->Handle());
  for (platform::MouseButton b :
       {platform::MouseButton::Left, platform::MouseButton::Middle, platform::MouseButton::Right}) {
    Press(memo, centre.x, centre.y, b);
    Release(memo, centre.x, centre.y, b);
    Wait(600);
  }
  EXPECT_EQ(counter.downs, (std::vector<TMouseButton>{mbLeft, mbMiddle, mbRight}));
}

TEST(MemoRoutines, DisplayTextIsTheFirstLineUpTo250Characters) {
  EXPECT_EQ(cxMemoDisplayText("abc\r\ndef"), "abc");
  EXPECT_EQ(cxMemoDisplayText("abc"), "abc");
  EXPECT_EQ(cxMemoDisplayText(std::string(300, 'a')).size(), 250u);
  EXPECT_EQ(cxMemoDisplayText(std::string(260, 'a') + "\nb").size(), 250u);
}

} // namespace
