#include "controls_fixture.h"

#include "platform/controls/ListBoxes.h"
#include "platform/win/ListBox.h"

namespace {

using Log = std::vector<std::string>;

class ListBoxesTest : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = ShowForm();
    list = Make<TListBox>(form, form, "List", Bounds(10, 10, 120, 97));
  }

  struct Recorder {
    Log seen;
    void Click(TObject*) { seen.push_back("click"); }
    void DblClick(TObject*) { seen.push_back("dblclick"); }
    void Draw(TWinControl*, int Index, TRect Rect, TOwnerDrawState State) {
      seen.push_back("draw " + std::to_string(Index) + (State.Contains(odSelected) ? " selected" : "") +
                     (State.Contains(odFocused) ? " focused" : "") + " at " + std::to_string(Rect.top));
    }
    void Measure(TWinControl*, int Index, int& Height) {
      Height = 10 + Index;
      seen.push_back("measure " + std::to_string(Index));
    }
    void Data(TWinControl*, int Index, AnsiString& Text) { Text = "row " + std::to_string(Index); }
  };

  // A click in the middle of an item, in screen coordinates.
  void ClickItem(int index) {
    TRect r = list->ItemRect(index);
    TPoint p = list->ClientToScreen(TPoint{r.left + 5, (r.top + r.bottom) / 2});
    backend->Click(p.x, p.y);
    Pump();
    backend->AdvanceTime(2000);
  }

  TForm* form = nullptr;
  TListBox* list = nullptr;
};

TEST_F(ListBoxesTest, SortedItemsFindClearAndSelectAsTheDictionaryUsesThem) {
  list->SetSorted(true);
  list->SetItemHeight(16);
  TStrings* items = list->Items();
  EXPECT_EQ(items->Add("kiraz"), 0);
  EXPECT_EQ(items->Add("elma"), 0);
  EXPECT_EQ(items->Add("\xFDrmak"), 1); // ırmak
  EXPECT_EQ(items->Add("istanbul"), 2);
  EXPECT_EQ(list->Count(), 4);
  EXPECT_EQ(items->Strings(3), "kiraz");
  struct Case {
    const char* probe;
    int index;
  };
  const Case cases[] = {{"\xDDSTANBUL", 2}, {"ISTANBUL", -1}, {"IRMAK", 1}, {"Elma", 0}, {"armut", -1}};
  for (const auto& c : cases)
    EXPECT_EQ(items->IndexOf(c.probe), c.index) << c.probe;
  EXPECT_EQ(list->ItemIndex(), -1);
  list->SetSelected(0, true);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_TRUE(list->Selected(0));
  list->SetSelected(0, false);
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_THROW(list->SetSelected(4, true), EListError);
  EXPECT_THROW(list->Selected(-1), EListError);
  EXPECT_THROW(items->Strings(4), EListError);
  list->SetItemIndex(2);
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(ListBoxesTest, ABatchInTheListsOrderIsAppendedAtOnceAndOneOutOfOrderIsRefused) {
  list->SetSorted(true);
  list->Items()->Add("elma");
  std::vector<AnsiString> batch = {"\xFDrmak", "istanbul", "kiraz"}; // ırmak
  list->AppendOrdered(batch);
  EXPECT_EQ(list->Count(), 4);
  EXPECT_EQ(list->Items()->Strings(1), "\xFDrmak");
  EXPECT_EQ(list->Items()->IndexOf("K\xDDRAZ"), 3); // KİRAZ
  std::vector<AnsiString> late = {"armut"};
  EXPECT_THROW(list->AppendOrdered(late), EListError);
  EXPECT_EQ(list->Count(), 4);
  list->SetStyle(lbVirtual);
  std::vector<AnsiString> any = {"z"};
  EXPECT_THROW(list->AppendOrdered(any), EListError);
}

TEST_F(ListBoxesTest, OnClickComesFromTheUserNotFromTheProgram) {
  Recorder r;
  list->OnClick = TNotifyEvent(&r, &Recorder::Click);
  list->OnDblClick = TNotifyEvent(&r, &Recorder::DblClick);
  for (const char* s : {"a", "b", "c"})
    list->Items()->Add(s);
  list->SetItemIndex(1);
  list->SetSelected(2, true);
  EXPECT_EQ(r.seen, Log{});
  ClickItem(0);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_EQ(r.seen, Log{"click"});
  backend->PressKey(VK_DOWN);
  Pump();
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(r.seen, (Log{"click", "click"}));
  r.seen.clear();
  TRect rect = list->ItemRect(2);
  TPoint p = list->ClientToScreen(TPoint{rect.left + 5, rect.top + 3});
  backend->Click(p.x, p.y);
  backend->Click(p.x, p.y);
  Pump();
  EXPECT_EQ(r.seen, (Log{"click", "dblclick", "click"}));
}

TEST_F(ListBoxesTest, SettingsAndItemsSurviveANewWindow) {
  TObject marker;
  list->Items()->AddObject("b", &marker);
  list->Items()->Add("a");
  list->SetItemIndex(0);
  list->SetSorted(true); // a new window, sorted as the items come back
  EXPECT_TRUE(GetWindowLongA(list->Handle(), GWL_STYLE) & LBS_SORT);
  EXPECT_EQ(list->Items()->Strings(0), "a");
  EXPECT_EQ(list->Items()->Objects(1), &marker);
  list->SetMultiSelect(true);
  DWORD style = DWORD(GetWindowLongA(list->Handle(), GWL_STYLE));
  EXPECT_TRUE(style & LBS_EXTENDEDSEL);
  EXPECT_TRUE(style & LBS_NOINTEGRALHEIGHT);
  EXPECT_EQ(list->Count(), 2);
  list->SetSelected(0, true);
  list->SetSelected(1, true);
  EXPECT_EQ(list->SelCount(), 2);
  list->SetExtendedSelect(false);
  EXPECT_TRUE(GetWindowLongA(list->Handle(), GWL_STYLE) & LBS_MULTIPLESEL);
  list->SetColumns(2);
  EXPECT_TRUE(GetWindowLongA(list->Handle(), GWL_STYLE) & LBS_MULTICOLUMN);
  list->SetTabWidth(8);
  EXPECT_TRUE(GetWindowLongA(list->Handle(), GWL_STYLE) & LBS_USETABSTOPS);
  list->SetIntegralHeight(true);
  EXPECT_FALSE(GetWindowLongA(list->Handle(), GWL_STYLE) & LBS_NOINTEGRALHEIGHT);
  EXPECT_EQ(list->Items()->Strings(1), "b");
}

TEST_F(ListBoxesTest, OwnerDrawingAndMeasuringGoThroughTheEvents) {
  Recorder r;
  list->SetStyle(lbOwnerDrawVariable);
  list->OnDrawItem = TDrawItemEvent(&r, &Recorder::Draw);
  list->OnMeasureItem = TMeasureItemEvent(&r, &Recorder::Measure);
  for (const char* s : {"a", "b", "c"})
    list->Items()->Add(s);
  EXPECT_EQ(r.seen, (Log{"measure 0", "measure 1", "measure 2"}));
  EXPECT_EQ(list->ItemRect(2).top, 10 + 11);
  list->SetItemIndex(1);
  list->SetFocus();
  r.seen.clear();
  list->Repaint();
  Pump();
  EXPECT_EQ(r.seen, (Log{"draw 0 at 0", "draw 1 selected focused at 10", "draw 2 at 21"}));
  EXPECT_EQ(list->ItemAtPos(TPoint{5, 12}, true), 1);
  EXPECT_EQ(list->ItemAtPos(TPoint{5, 80}, true), -1);
  EXPECT_EQ(list->ItemAtPos(TPoint{5, 80}, false), 3);
}

TEST_F(ListBoxesTest, VirtualListTakesItsTextsFromOnData) {
  Recorder r;
  list->SetStyle(lbVirtual);
  list->OnData = TLBGetDataEvent(&r, &Recorder::Data);
  list->SetCount(1000);
  EXPECT_EQ(list->Count(), 1000);
  EXPECT_EQ(list->Items()->Strings(500), "row 500");
  EXPECT_THROW(list->Items()->Add("x"), EListError);
  list->SetItemIndex(999);
  EXPECT_EQ(list->ItemIndex(), 999);
  EXPECT_GT(list->TopIndex(), 900);
  TListBox plain(nullptr);
  EXPECT_THROW(plain.SetCount(3), EListError);
}

// Item reads that reach a list's window while it is watched.
struct ItemReads {
  static HWND Watched;
  static int Count;
  static LRESULT Hook(int Code, WPARAM WParam, LPARAM LParam) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(LParam);
    if (cwp->hwnd == Watched &&
        (cwp->message == LB_GETTEXT || cwp->message == LB_GETTEXTLEN || cwp->message == LB_GETITEMDATA))
      ++Count;
    return CallNextHookEx(nullptr, Code, WParam, LParam);
  }
};
HWND ItemReads::Watched = nullptr;
int ItemReads::Count = 0;

TEST_F(ListBoxesTest, AListIsCopiedOutOfItsWindowOnlyWhenItOutlivesTheWindow) {
  // The list, its owner, or the parent that shows but does not own it is freed.
  enum class Freed { TheList, ItsOwner, ItsParent };
  struct Case {
    Freed freed;
    bool listLivesOn;
  };
  const Case cases[] = {{Freed::TheList, false}, {Freed::ItsOwner, false}, {Freed::ItsParent, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.freed));
    TForm* owner = nullptr;
    Application()->CreateForm(owner);
    owner->Show();
    auto* panel = Make<TBox>(nullptr, owner, "Panel", Bounds(0, 0, 200, 150));
    auto* victim = Make<TListBox>(owner, panel, "Victim", Bounds(10, 10, 120, 97));
    TObject marker;
    for (int i = 0; i < 50; ++i)
      victim->Items()->AddObject("item " + std::to_string(i), &marker);
    HWND window = victim->Handle();
    ItemReads::Watched = window;
    ItemReads::Count = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &ItemReads::Hook, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    if (c.freed == Freed::TheList)
      delete victim;
    else if (c.freed == Freed::ItsOwner)
      delete owner;
    else
      delete panel;
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(IsWindow(window));
    if (c.listLivesOn) {
      victim->SetParent(owner);
      ASSERT_EQ(victim->Count(), 50);
      EXPECT_EQ(victim->Items()->Strings(49), "item 49");
      EXPECT_EQ(victim->Items()->Objects(0), &marker);
    } else {
      EXPECT_EQ(ItemReads::Count, 0);
    }
    if (c.freed != Freed::ItsParent)
      delete panel;
    if (c.freed != Freed::ItsOwner)
      delete owner;
  }
}
} // namespace
