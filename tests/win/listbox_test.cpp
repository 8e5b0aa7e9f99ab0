#include <algorithm>
#include <random>
#include <stdexcept>

#include "listbox_fixture.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ListBoxStore_p.h"

// Code page 1254 bytes of the Turkish letters used below.
#define I_DOT "\xDD"     // İ
#define i_DOTLESS "\xFD" // ı
#define S_CEDIL "\xDE"   // Ş
#define s_CEDIL "\xFE"   // ş
#define c_CEDIL "\xE7"   // ç
#define g_BREVE "\xF0"   // ğ
#define o_UML "\xF6"     // ö

TEST(ListBoxStoreTest, InsertsAndErasesAtAnyPlaceLikeAVector) {
  platform::detail::ListBoxStore store;
  std::vector<std::string> reference;
  std::mt19937 rng(7);
  for (int step = 0; step < 6000; ++step) {
    bool insert = reference.empty() || rng() % 3 != 0;
    if (insert) {
      std::size_t at = rng() % (reference.size() + 1);
      std::string s = std::to_string(step);
      reference.insert(reference.begin() + std::ptrdiff_t(at), s);
      store.Insert(at, s);
    } else {
      std::size_t at = rng() % reference.size();
      reference.erase(reference.begin() + std::ptrdiff_t(at));
      store.Erase(at);
    }
    ASSERT_EQ(store.Count(), reference.size());
    if (step % 499 == 0) {
      for (std::size_t i = 0; i < reference.size(); ++i)
        ASSERT_EQ(store.At(i).Text(), reference[i]) << "step " << step << " index " << i;
    }
  }
  EXPECT_THROW(store.At(reference.size()), std::out_of_range);
  EXPECT_THROW(store.Insert(reference.size() + 1, ""), std::out_of_range);
}

TEST(ListBoxStoreTest, LowerBoundAcrossBlocks) {
  platform::detail::ListBoxStore store;
  for (int i = 0; i < 5000; ++i)
    store.Insert(store.Count(), std::string(1, char('a' + i / 1000)));
  for (int letter = 0; letter < 6; ++letter) {
    std::string probe(1, char('a' + letter));
    auto at = store.LowerBound(
        [&](const platform::detail::ListBoxStore::Item& item) { return item.Text() < probe; });
    EXPECT_EQ(at, std::size_t(std::min(letter * 1000, 5000))) << probe;
  }
}

TEST(ListBoxStoreTest, AppendFillsBlocksThatLaterInsertsAndSearchesStillFind) {
  platform::detail::ListBoxStore store;
  std::vector<std::string> reference;
  for (std::size_t batch :
       {std::size_t(3), std::size_t(0), std::size_t(500), std::size_t(190), std::size_t(1)}) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < batch; ++i) {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "%06zu", reference.size() + i);
      texts.push_back(buffer);
    }
    reference.insert(reference.end(), texts.begin(), texts.end());
    store.Append(texts.data(), texts.size(), 13);
    ASSERT_EQ(store.Count(), reference.size());
  }
  for (std::size_t i = 0; i < reference.size(); ++i)
    ASSERT_EQ(store.At(i).Text(), reference[i]) << i;
  EXPECT_EQ(store.At(0).Height(), 13);
  for (std::size_t probe :
       {std::size_t(0), std::size_t(2), std::size_t(3), std::size_t(250), std::size_t(693)}) {
    const std::string text = reference[probe];
    EXPECT_EQ(store.LowerBoundText([&](std::string_view t) { return t < text; }), probe) << text;
  }
  store.Insert(100, "x");
  store.Erase(5);
  reference.insert(reference.begin() + 100, "x");
  reference.erase(reference.begin() + 5);
  for (std::size_t i = 0; i < reference.size(); ++i)
    ASSERT_EQ(store.At(i).Text(), reference[i]) << i;
}

// Batches of equal texts, runs of them inside a batch, inserts and erases among them, and per-item data,
// heights and marks, against a plain vector.
TEST(ListBoxStoreTest, SharedTextsDataAndMarksFollowEveryChangeLikeAVector) {
  struct Model {
    std::string text;
    ULONG_PTR data = 0;
    int height = 0;
    bool selected = false;
  };
  struct Case {
    const char* name;
    int alphabet; // distinct texts drawn from; 1 gives a list of one text repeated
    int maxRun;   // longest run of one text inside a batch
  };
  const Case cases[] = {
      {"one text", 1, 1}, {"two texts", 2, 400}, {"runs", 50, 300}, {"distinct", 100000, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::detail::ListBoxStore store;
    std::vector<Model> reference;
    std::mt19937 rng(3);
    auto text = [&] { return "t" + std::to_string(rng() % unsigned(c.alphabet)); };
    auto check = [&](int step) {
      ASSERT_EQ(store.Count(), reference.size());
      for (std::size_t i = 0; i < reference.size(); ++i) {
        const auto item = store.At(i);
        ASSERT_EQ(item.Text(), reference[i].text) << "step " << step << " index " << i;
        ASSERT_EQ(item.Data(), reference[i].data) << "step " << step << " index " << i;
        ASSERT_EQ(item.Height(), reference[i].height) << "step " << step << " index " << i;
        ASSERT_EQ(item.Selected(), reference[i].selected) << "step " << step << " index " << i;
      }
    };
    for (int step = 0; step < 400; ++step) {
      const unsigned what = rng() % 8;
      if (what < 2) {
        std::vector<std::string> batch;
        const std::size_t n = rng() % 700;
        while (batch.size() < n) {
          const std::string t = text();
          for (int k = 1 + int(rng() % unsigned(c.maxRun)); k > 0 && batch.size() < n; --k)
            batch.push_back(t);
        }
        ASSERT_TRUE(store.Append(batch.data(), batch.size(), 5));
        for (const auto& t : batch)
          reference.push_back({t, 0, 5, false});
      } else if (what < 4) {
        const std::size_t at = rng() % (reference.size() + 1);
        const std::string t = text();
        const ULONG_PTR data = rng() % 3;
        store.Insert(at, t, data, 7);
        reference.insert(reference.begin() + std::ptrdiff_t(at), {t, data, 7, false});
      } else if (reference.empty()) {
        continue;
      } else if (what < 6) {
        const std::size_t at = rng() % reference.size();
        store.Erase(at);
        reference.erase(reference.begin() + std::ptrdiff_t(at));
      } else {
        const std::size_t at = rng() % reference.size();
        const bool selected = rng() % 2;
        const ULONG_PTR data = rng() % 4;
        const int height = int(rng() % 3) + 1;
        auto item = store.At(at);
        item.SetSelected(selected);
        item.SetData(data);
        item.SetHeight(height);
        reference[at] = {reference[at].text, data, height, selected};
      }
      if (step % 40 == 0)
        check(step);
    }
    check(400);
  }
}

TEST(ListBoxStoreTest, EqualNeighboursShareTheirBytesAndARefusedBatchLeavesTheStore) {
  platform::detail::ListBoxStore store;
  const std::vector<std::string> same(100000, "same text");
  ASSERT_TRUE(store.Append(same.data(), same.size(), 1));
  // One copy of the text per block of items, not one per item.
  EXPECT_LT(store.TextBytes(), same.size() / 100 * same[0].size());
  EXPECT_EQ(store.At(99999).Text(), "same text");
  std::vector<std::string> mixed{"same text", "same text", "other", "other", "same text"};
  ASSERT_TRUE(store.Append(mixed.data(), mixed.size(), 1));
  EXPECT_EQ(store.At(100002).Text(), "other");
  EXPECT_EQ(store.At(100004).Text(), "same text");
  const std::size_t bytes = store.TextBytes();

  std::vector<std::string> refused(1000, "x");
  std::size_t offered = 0;
  EXPECT_FALSE(store.Append(refused.data(), refused.size(), 1, [&](std::size_t first, std::size_t count) {
    offered += count;
    return first < 500;
  }));
  EXPECT_GT(offered, 500u);
  EXPECT_EQ(store.Count(), 100005u);
  EXPECT_EQ(store.TextBytes(), bytes);
  EXPECT_EQ(store.At(100004).Text(), "same text");
}

TEST_F(ListBoxTest, AppendingABatchKeepsASortedListInOrderOrRefusesTheWholeBatch) {
  struct Case {
    const char* name;
    DWORD style;
    std::vector<std::string> before;
    std::vector<std::string> batch;
    LRESULT result;
    std::vector<std::string> after;
  };
  const Case cases[] = {
      {"sorted, in order",
       LBS_SORT | LBS_HASSTRINGS,
       {"a"},
       {"b", c_CEDIL, "d"},
       4,
       {"a", "b", c_CEDIL, "d"}},
      {"sorted, equal to the last", LBS_SORT | LBS_HASSTRINGS, {"a"}, {"A", "b"}, 3, {"a", "A", "b"}},
      {"sorted, empty batch", LBS_SORT | LBS_HASSTRINGS, {"a"}, {}, 1, {"a"}},
      {"sorted, before the last item", LBS_SORT | LBS_HASSTRINGS, {"k"}, {"a"}, LB_ERR, {"k"}},
      // The Turkish alphabet puts ç after c: the batch is out of order and none of it is taken.
      {"sorted, out of order inside", LBS_SORT | LBS_HASSTRINGS, {}, {"a", c_CEDIL, "c"}, LB_ERR, {}},
      {"unsorted takes any order", LBS_HASSTRINGS, {"k"}, {"b", "a"}, 3, {"k", "b", "a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND h = List(c.style);
    AddAll(h, c.before);
    std::vector<std::string> batch = c.batch;
    LBAPPENDITEMS items{batch.data(), batch.size()};
    EXPECT_EQ(SendMessageA(h, LB_APPENDITEMS, 0, reinterpret_cast<LPARAM>(&items)), c.result);
    EXPECT_EQ(Items(h), c.after);
    DestroyWindow(h);
  }
}

TEST_F(ListBoxTest, AnAppendedBatchIsFoundSelectedAndExtendedLikeAddedItems) {
  HWND h = List(LBS_SORT | LBS_HASSTRINGS | LBS_NOTIFY);
  std::vector<std::string> batch;
  for (int i = 0; i < 1000; ++i)
    batch.push_back("w" + std::to_string(10000 + i));
  LBAPPENDITEMS items{batch.data(), batch.size()};
  ASSERT_EQ(SendMessageA(h, LB_APPENDITEMS, 0, reinterpret_cast<LPARAM>(&items)), 1000);
  EXPECT_EQ(Find(h, -1, "W10500"), 500);
  EXPECT_EQ(Find(h, -1, "w1", false), 0);
  EXPECT_EQ(SendMessageA(h, LB_SETCURSEL, 999, 0), 999);
  EXPECT_EQ(CurSel(h), 999);
  EXPECT_EQ(Add(h, "w10499a"), 500);
  EXPECT_EQ(Add(h, "a"), 0);
  EXPECT_EQ(CurSel(h), 1001);
  EXPECT_EQ(Item(h, 1001), "w10999");
  // A list of data items has no texts to take.
  HWND data = List(LBS_OWNERDRAWFIXED);
  EXPECT_EQ(SendMessageA(data, LB_APPENDITEMS, 0, reinterpret_cast<LPARAM>(&items)), LB_ERR);
  EXPECT_EQ(SendMessageA(h, LB_APPENDITEMS, 0, 0), LB_ERR);
}

TEST_F(ListBoxTest, SortedInsertFollowsTheTurkishAlphabetAndPutsEqualItemsFirst) {
  struct Case {
    std::vector<std::string> items;
    std::string added;
    LRESULT position;
  };
  const Case cases[] = {
      {{"ca", "da"}, c_CEDIL "a", 1},         // ç between c and d
      {{"ha", "ia", "ja"}, i_DOTLESS "a", 1}, // ı between h and i
      {{"sa", "ta"}, s_CEDIL "a", 1},         // ş between s and t
      {{"ga", "ha"}, g_BREVE "a", 1},         // ğ between g and h
      {{"oz", "pa"}, o_UML "a", 1},           // ö after every o
      {{"abc", "ABD"}, "abd", 1},             // case does not order: equal goes before
      {{"elma"}, "ELMA", 0},                  // an equal item is placed before its twin
      {{"istanbul"}, I_DOT "STANBUL", 0},     // İ is the capital of i
      {{"istanbul"}, "ISTANBUL", 0},          // I is the capital of ı, which sorts before i
      {{"a", "b"}, "", 0},                    // the empty string first
  };
  for (const auto& c : cases) {
    HWND h = List(LBS_SORT | LBS_HASSTRINGS);
    AddAll(h, c.items);
    EXPECT_EQ(Add(h, c.added.c_str()), c.position) << c.added;
    EXPECT_EQ(Item(h, int(c.position)), c.added);
    DestroyWindow(h);
  }
}

TEST_F(ListBoxTest, InsertStringNeverSortsAndFindsStillAnswerRightInAnUnorderedList) {
  HWND h = List(LBS_SORT);
  AddAll(h, {"b", "d"});
  EXPECT_EQ(SendMessageA(h, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("z")), 0);
  EXPECT_EQ(SendMessageA(h, LB_INSERTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("a")), 3);
  EXPECT_EQ(Items(h), (std::vector<std::string>{"z", "b", "d", "a"}));
  EXPECT_EQ(Find(h, -1, "A"), 3);
  EXPECT_EQ(Find(h, -1, "Z"), 0);
  EXPECT_EQ(SendMessageA(h, LB_INSERTSTRING, 9, reinterpret_cast<LPARAM>("x")), LB_ERR);
}

TEST_F(ListBoxTest, ExactFindIgnoresCaseByTheLocaleRule) {
  struct Case {
    const char* probe;
    LRESULT index;
  };
  HWND sorted = List(LBS_SORT);
  HWND plain = List(0);
  for (HWND h : {sorted, plain})
    AddAll(h, {"elma", "istanbul", i_DOTLESS "rmak", "armut", "kiraz"});
  // Sorted: armut, elma, ırmak, istanbul, kiraz.
  const Case cases[] = {
      {I_DOT "STANBUL", 3}, {"Istanbul", LB_ERR}, {"IRMAK", 2}, {"irmak", LB_ERR},
      {"ELMA", 1},          {"elm", LB_ERR},      {"kiraz", 4}, {"", LB_ERR},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Find(sorted, -1, c.probe), c.index) << c.probe;
    LRESULT inPlain = Find(plain, -1, c.probe);
    EXPECT_EQ(inPlain == LB_ERR ? std::string("<none>") : Item(plain, int(inPlain)),
              c.index == LB_ERR ? std::string("<none>") : Item(sorted, int(c.index)))
        << c.probe;
  }
}

TEST_F(ListBoxTest, FindsStartAfterTheGivenItemAndWrap) {
  struct Case {
    int start;
    const char* probe;
    bool exact;
    LRESULT index;
  };
  HWND h = List(LBS_SORT);
  AddAll(h, {"ab", "AB", "abc", "b", "ab"}); // ab ab AB abc b, equal ones in arrival order reversed
  const Case cases[] = {
      {-1, "ab", true, 0},      {0, "ab", true, 1},  {1, "ab", true, 2},      {2, "ab", true, 0},
      {4, "AB", true, 0},       {-1, "a", false, 0}, {2, "a", false, 3},      {3, "a", false, 0},
      {3, "B", false, 4},       {4, "b", false, 4},  {-1, "", false, LB_ERR}, {99, "b", false, 4},
      {-1, "c", false, LB_ERR},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Find(h, c.start, c.probe, c.exact), c.index)
        << c.start << " " << c.probe << (c.exact ? " exact" : " prefix");
  EXPECT_EQ(SendMessageA(h, LB_SELECTSTRING, 0, reinterpret_cast<LPARAM>("b")), 4);
  EXPECT_EQ(CurSel(h), 4);
}

TEST_F(ListBoxTest, ItemsMessagesAndTheirErrors) {
  HWND h = List(0);
  AddAll(h, {"one", "two", "three"});
  EXPECT_EQ(SendMessageA(h, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(h, LB_GETTEXTLEN, 2, 0), 5);
  EXPECT_EQ(SendMessageA(h, LB_GETTEXTLEN, 3, 0), LB_ERR);
  char buffer[16] = {};
  EXPECT_EQ(SendMessageA(h, LB_GETTEXT, 5, reinterpret_cast<LPARAM>(buffer)), LB_ERR);
  EXPECT_EQ(SendMessageA(h, LB_SETITEMDATA, 1, 42), TRUE);
  EXPECT_EQ(SendMessageA(h, LB_GETITEMDATA, 1, 0), 42);
  EXPECT_EQ(SendMessageA(h, LB_GETITEMDATA, 7, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(h, LB_DELETESTRING, 0, 0), 2);
  EXPECT_EQ(SendMessageA(h, LB_GETITEMDATA, 0, 0), 42);
  EXPECT_EQ(SendMessageA(h, LB_DELETESTRING, 2, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(h, LB_SETITEMHEIGHT, 0, 256), LB_ERR);
  EXPECT_EQ(SendMessageA(h, LB_SETITEMHEIGHT, 0, 20), LB_OKAY);
  EXPECT_EQ(SendMessageA(h, LB_GETITEMHEIGHT, 0, 0), 20);
  EXPECT_EQ(SendMessageA(h, LB_SETCOUNT, 10, 0), LB_ERR); // only no-data lists take a count
  EXPECT_EQ(SendMessageA(h, LB_DIR, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(h, LB_INITSTORAGE, 100, 0), 102);
  SendMessageA(h, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageA(h, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(CurSel(h), LB_ERR);
}

TEST_F(ListBoxTest, SelectionFollowsInsertsAndDeletes) {
  HWND h = List(0);
  AddAll(h, {"a", "b", "c", "d"});
  EXPECT_EQ(SendMessageA(h, LB_SETCURSEL, 2, 0), 2);
  SendMessageA(h, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("x"));
  EXPECT_EQ(CurSel(h), 3);
  SendMessageA(h, LB_INSERTSTRING, 4, reinterpret_cast<LPARAM>("y"));
  EXPECT_EQ(CurSel(h), 3);
  SendMessageA(h, LB_DELETESTRING, 1, 0);
  EXPECT_EQ(CurSel(h), 2);
  SendMessageA(h, LB_DELETESTRING, 2, 0);
  EXPECT_EQ(CurSel(h), LB_ERR);
  EXPECT_EQ(SendMessageA(h, LB_SETCURSEL, WPARAM(-1), 0), LB_ERR);
  EXPECT_EQ(SendMessageA(h, LB_SETCURSEL, 9, 0), LB_ERR);
}

TEST_F(ListBoxTest, ProgramSelectionSendsNoNotificationUserSelectionDoes) {
  HWND h = List(LBS_NOTIFY);
  AddAll(h, {"a", "b", "c", "d"});
  SendMessageA(h, LB_SETCURSEL, 1, 0);
  SendMessageA(h, LB_SETTOPINDEX, 1, 0);
  Add(h, "e");
  SendMessageA(h, LB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("c"));
  EXPECT_EQ(SelNotes(), std::vector<WORD>{});

  ClickRow(0);
  EXPECT_EQ(CurSel(h), TopIndex(h));
  EXPECT_EQ(SelNotes(), std::vector<WORD>{LBN_SELCHANGE});
  EXPECT_EQ(Notes().front(), LBN_SETFOCUS);
  log.clear();
  Press(VK_DOWN);
  Press(VK_HOME);
  EXPECT_EQ(CurSel(h), 0);
  EXPECT_EQ(SelNotes(), (std::vector<WORD>{LBN_SELCHANGE, LBN_SELCHANGE}));
  log.clear();
  Press(VK_F1); // not a list key
  EXPECT_EQ(SelNotes(), std::vector<WORD>{});
  // The notification names the list and its id.
  Press(VK_END);
  auto commands = Only(WM_COMMAND);
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(LOWORD(commands.back().wParam), 7);
  EXPECT_EQ(reinterpret_cast<HWND>(commands.back().lParam), h);

  HWND quiet = List(0, 5 * kRow, 120, 8);
  AddAll(quiet, {"a", "b"});
  SetFocus(quiet);
  log.clear();
  Press(VK_DOWN);
  EXPECT_EQ(SelNotes(), std::vector<WORD>{});
  EXPECT_EQ(CurSel(quiet), 0);
}

TEST_F(ListBoxTest, DoubleClickNotifies) {
  HWND h = List(LBS_NOTIFY);
  AddAll(h, {"a", "b"});
  platform::InjectMouseButton(platform::MouseButton::Left, true, kOrigin + 5, kOrigin + kRow + 3);
  platform::InjectMouseButton(platform::MouseButton::Left, false, kOrigin + 5, kOrigin + kRow + 3);
  platform::InjectMouseButton(platform::MouseButton::Left, true, kOrigin + 5, kOrigin + kRow + 3);
  platform::InjectMouseButton(platform::MouseButton::Left, false, kOrigin + 5, kOrigin + kRow + 3);
  platform::PumpMessages();
  EXPECT_EQ(SelNotes(), (std::vector<WORD>{LBN_SELCHANGE, LBN_DBLCLK, LBN_SELCHANGE}));
  EXPECT_EQ(CurSel(h), 1);
}

TEST_F(ListBoxTest, SingleSelectionKeys) {
  struct Case {
    int vk;
    int expected;
  };
  HWND h = List(0); // five rows show
  for (int i = 0; i < 20; ++i)
    Add(h, ("item" + std::to_string(i)).c_str());
  SetFocus(h);
  Press(VK_DOWN); // nothing selected: the focus item itself
  EXPECT_EQ(CurSel(h), 0);
  const Case cases[] = {
      {VK_DOWN, 1}, {VK_RIGHT, 2}, {VK_NEXT, 6}, {VK_UP, 5},    {VK_PRIOR, 1},
      {VK_LEFT, 0}, {VK_UP, 0},    {VK_END, 19}, {VK_DOWN, 19}, {VK_HOME, 0},
  };
  for (const auto& c : cases) {
    Press(c.vk);
    EXPECT_EQ(CurSel(h), c.expected) << "key " << c.vk;
    int top = TopIndex(h);
    EXPECT_TRUE(c.expected >= top && c.expected < top + 5) << "key " << c.vk << " top " << top;
  }
}

TEST_F(ListBoxTest, ExtendedSelectionWithShiftAndCtrl) {
  HWND h = List(LBS_EXTENDEDSEL, 10 * kRow);
  for (int i = 0; i < 8; ++i)
    Add(h, std::string(1, char('a' + i)).c_str());
  ClickRow(1);
  EXPECT_EQ(SelItems(h), std::vector<int>{1});
  ClickRow(4, true);
  EXPECT_EQ(SelItems(h), (std::vector<int>{1, 2, 3, 4}));
  ClickRow(6, false, true);
  EXPECT_EQ(SelItems(h), (std::vector<int>{1, 2, 3, 4, 6}));
  ClickRow(2, false, true);
  EXPECT_EQ(SelItems(h), (std::vector<int>{1, 3, 4, 6}));
  Press(VK_DOWN, true); // extends from the anchor (2) to 3, dropping the rest
  EXPECT_EQ(SelItems(h), (std::vector<int>{2, 3}));
  Press(VK_DOWN);
  EXPECT_EQ(SelItems(h), std::vector<int>{4});
  EXPECT_EQ(SendMessageA(h, LB_GETSELCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageA(h, LB_GETCARETINDEX, 0, 0), 4);
  EXPECT_EQ(SendMessageA(h, LB_GETANCHORINDEX, 0, 0), 4);
  // Dragging extends from where the press was.
  platform::InjectMouseButton(platform::MouseButton::Left, true, kOrigin + 5, kOrigin + 5);
  platform::InjectMouseMove(kOrigin + 5, kOrigin + 2 * kRow + 5);
  platform::InjectMouseButton(platform::MouseButton::Left, false, kOrigin + 5, kOrigin + 2 * kRow + 5);
  platform::PumpMessages();
  EXPECT_EQ(SelItems(h), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(SendMessageA(h, LB_SETCURSEL, 1, 0), LB_ERR);
}

TEST_F(ListBoxTest, MultipleSelectionTogglesAndProgramCalls) {
  HWND h = List(LBS_MULTIPLESEL, 10 * kRow);
  AddAll(h, {"a", "b", "c", "d", "e"});
  ClickRow(1);
  ClickRow(3);
  ClickRow(1);
  EXPECT_EQ(SelItems(h), std::vector<int>{3});
  Press(VK_UP);    // moves the focus only
  Press(VK_SPACE); // toggles the focus item
  EXPECT_EQ(SelItems(h), (std::vector<int>{0, 3}));
  EXPECT_EQ(SendMessageA(h, LB_SETSEL, TRUE, 0), LB_OKAY);
  EXPECT_EQ(SendMessageA(h, LB_SETSEL, TRUE, 9), LB_ERR);
  EXPECT_EQ(SendMessageA(h, LB_GETSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(h, LB_SELITEMRANGE, FALSE, MAKELPARAM(0, 2)), LB_OKAY);
  EXPECT_EQ(SelItems(h), std::vector<int>{3});
  SendMessageA(h, LB_SETSEL, TRUE, -1);
  EXPECT_EQ(SendMessageA(h, LB_GETSELCOUNT, 0, 0), 5);
  SendMessageA(h, LB_DELETESTRING, 0, 0);
  EXPECT_EQ(SendMessageA(h, LB_GETSELCOUNT, 0, 0), 4);
  SendMessageA(h, LB_SETSEL, FALSE, -1);
  EXPECT_EQ(SelItems(h), std::vector<int>{});

  HWND single = List(0, 5 * kRow, 120, 9);
  EXPECT_EQ(SendMessageA(single, LB_GETSELCOUNT, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(single, LB_SETSEL, TRUE, 0), LB_ERR);
}

TEST_F(ListBoxTest, TypeAheadAccumulatesAQuickPrefixAndCyclesOnOneLetter) {
  HWND h = List(LBS_NOTIFY | LBS_SORT, 10 * kRow);
  AddAll(h, {"armut", "ayva", "ayran", "elma", "erik"});
  SetFocus(h);
  Char('a');
  EXPECT_EQ(Item(h, CurSel(h)), "armut");
  Char('y');
  EXPECT_EQ(Item(h, CurSel(h)), "ayran");
  Char('v');
  EXPECT_EQ(Item(h, CurSel(h)), "ayva");
  platform::Clock::AdvanceTime(5000);
  Char('e');
  EXPECT_EQ(Item(h, CurSel(h)), "elma");
  platform::Clock::AdvanceTime(5000);
  Char('E');
  EXPECT_EQ(Item(h, CurSel(h)), "erik");
  platform::Clock::AdvanceTime(5000);
  Char('e');
  EXPECT_EQ(Item(h, CurSel(h)), "elma"); // wraps
  Char('z');
  EXPECT_EQ(Item(h, CurSel(h)), "elma");
  EXPECT_EQ(SelNotes().size(), 6u);
}

TEST_F(ListBoxTest, TopIndexScrollBarAndWheel) {
  HWND h = List(WS_VSCROLL, 4 * kRow);
  for (int i = 0; i < 10; ++i)
    Add(h, std::to_string(i).c_str());
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &si));
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 9);
  EXPECT_EQ(si.nPage, 4u);
  EXPECT_EQ(SendMessageA(h, LB_SETTOPINDEX, 9, 0), LB_OKAY);
  EXPECT_EQ(TopIndex(h), 6); // the last page stays full
  EXPECT_EQ(SendMessageA(h, LB_SETTOPINDEX, 10, 0), LB_ERR);
  ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &si));
  EXPECT_EQ(si.nPos, 6);
  SendMessageA(h, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(TopIndex(h), 5);
  SendMessageA(h, WM_VSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(TopIndex(h), 2);
  SendMessageA(h, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(TopIndex(h), 0);
  SendMessageA(h, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  EXPECT_EQ(TopIndex(h), 3);
  SendMessageA(h, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), 0);
  EXPECT_EQ(TopIndex(h), 3); // half a notch waits for the other half
  SendMessageA(h, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), 0);
  EXPECT_EQ(TopIndex(h), 0);
  SendMessageA(h, LB_SETCURSEL, 8, 0);
  EXPECT_EQ(TopIndex(h), 5);
  RECT r{};
  EXPECT_EQ(SendMessageA(h, LB_GETITEMRECT, 7, reinterpret_cast<LPARAM>(&r)), 1);
  EXPECT_EQ(r.top, 2 * kRow);
  EXPECT_EQ(SendMessageA(h, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 3 * kRow + 1)), MAKELONG(8, 0));
  // Emptying the list hides the bar again.
  SendMessageA(h, LB_RESETCONTENT, 0, 0);
  EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_VSCROLL);

  // Asked to, the bar stays, disabled, while everything fits.
  HWND kept = List(DWORD(WS_VSCROLL) | LBS_DISABLENOSCROLL, 4 * kRow, 100, 10);
  Add(kept, "x");
  EXPECT_TRUE(GetWindowLongA(kept, GWL_STYLE) & WS_VSCROLL);
  SCROLLBARINFO sbi{};
  sbi.cbSize = sizeof sbi;
  ASSERT_TRUE(GetScrollBarInfo(kept, OBJID_VSCROLL, &sbi));
  EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);

  HWND wide = List(WS_HSCROLL, 4 * kRow, 100, 9);
  Add(wide, "x");
  SendMessageA(wide, LB_SETHORIZONTALEXTENT, 300, 0);
  EXPECT_EQ(SendMessageA(wide, LB_GETHORIZONTALEXTENT, 0, 0), 300);
  EXPECT_TRUE(GetWindowLongA(wide, GWL_STYLE) & WS_HSCROLL);
  SendMessageA(wide, WM_HSCROLL, SB_RIGHT, 0);
  RECT client{};
  GetClientRect(wide, &client);
  EXPECT_EQ(GetScrollPos(wide, SB_HORZ), 300 - client.right);
}

TEST_F(ListBoxTest, MultiColumnLayout) {
  HWND h = List(DWORD(LBS_MULTICOLUMN) | WS_HSCROLL, 5 * kRow, 120);
  SendMessageA(h, LB_SETCOLUMNWIDTH, 40, 0);
  for (int i = 0; i < 20; ++i)
    Add(h, std::to_string(i).c_str());
  ASSERT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_HSCROLL);
  RECT client{};
  GetClientRect(h, &client);
  int rows = client.bottom / kRow;
  RECT r{};
  SendMessageA(h, LB_GETITEMRECT, WPARAM(rows + 1), reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, kRow);
  SetFocus(h);
  SendMessageA(h, LB_SETCURSEL, 0, 0);
  Press(VK_RIGHT);
  EXPECT_EQ(CurSel(h), rows);
  Press(VK_END);
  EXPECT_EQ(TopIndex(h) % rows, 0);
  EXPECT_GT(TopIndex(h), 0);
}

TEST_F(ListBoxTest, OwnerDrawMeasuresDrawsAndComparesThroughTheParent) {
  std::vector<DRAWITEMSTRUCT> drawn;
  std::vector<UINT> measured;
  int compares = 0;
  overrides[top] = [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
    if (msg == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      measured.push_back(mis->itemID);
      mis->itemHeight = 10 + UINT(mis->itemData);
      return TRUE;
    }
    if (msg == WM_DRAWITEM) {
      drawn.push_back(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    }
    if (msg == WM_COMPAREITEM) {
      ++compares;
      auto* cis = reinterpret_cast<COMPAREITEMSTRUCT*>(lParam);
      return cis->itemData1 < cis->itemData2 ? -1 : (cis->itemData1 > cis->itemData2 ? 1 : 0);
    }
    return std::nullopt;
  };
  HWND h = List(LBS_OWNERDRAWVARIABLE | LBS_SORT, 100);
  for (LPARAM data : {5, 1, 3})
    SendMessageA(h, LB_ADDSTRING, 0, data);
  EXPECT_GT(compares, 0);
  EXPECT_EQ(SendMessageA(h, LB_GETITEMDATA, 0, 0), 1);
  EXPECT_EQ(SendMessageA(h, LB_GETITEMDATA, 2, 0), 5);
  EXPECT_EQ(SendMessageA(h, LB_GETITEMHEIGHT, 0, 0), 11);
  EXPECT_EQ(SendMessageA(h, LB_GETITEMHEIGHT, 2, 0), 15);
  EXPECT_EQ(SendMessageA(h, LB_FINDSTRING, WPARAM(-1), 3), 1); // without strings, finds match the data
  RECT r{};
  SendMessageA(h, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.top, 11 + 13);
  EXPECT_EQ(r.bottom, 11 + 13 + 15);
  SendMessageA(h, LB_SETCURSEL, 1, 0);
  SetFocus(h);
  drawn.clear();
  UpdateWindow(top);
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[0].itemID, 0u);
  EXPECT_EQ(drawn[0].itemState, 0u);
  EXPECT_EQ(drawn[1].itemState, UINT(ODS_SELECTED) | UINT(ODS_FOCUS));
  EXPECT_EQ(drawn[1].CtlType, UINT(ODT_LISTBOX));
  EXPECT_EQ(drawn[1].CtlID, 7u);
  EXPECT_EQ(drawn[1].hwndItem, h);
  EXPECT_EQ(drawn[2].rcItem.top, 24);
  EXPECT_EQ(drawn[2].itemData, 5u);
}

class ListBoxPaintTest : public ListBoxTest {
protected:
  std::uint32_t Pixel(int x, int y) {
    UpdateWindow(top);
    const Surface* s = platform::GetWindowSurface(top);
    if (!s) {
      ADD_FAILURE() << "the parent has not painted";
      return 0;
    }
    return s->Pixel(x, y);
  }
  static std::uint32_t Sys(int index) { return ColorRefToPixel(GetSysColor(index)); }
};

// Glyphs of the test font are solid from row 2 to row 9 of a 13-pixel row; text starts one pixel in.
TEST_F(ListBoxPaintTest, ItemsSelectionFocusAndParentColours) {
  HWND h = List(0, 4 * kRow, 100);
  AddAll(h, {"ab", "cd", "ef"});
  SendMessageA(h, LB_SETCURSEL, 1, 0);
  struct Probe {
    int x, y;
    int color;
  };
  const Probe probes[] = {
      {kOrigin + 2, kOrigin + 5, COLOR_WINDOWTEXT},           // ink of item 0
      {kOrigin + 60, kOrigin + 5, COLOR_WINDOW},              // past its text
      {kOrigin + 2, kOrigin + kRow + 5, COLOR_HIGHLIGHTTEXT}, // ink of the selected item
      {kOrigin + 60, kOrigin + kRow + 5, COLOR_HIGHLIGHT},    // its background
      {kOrigin + 60, kOrigin + 3 * kRow + 5, COLOR_WINDOW},   // below the items
  };
  for (const auto& p : probes)
    EXPECT_EQ(Pixel(p.x, p.y), Sys(p.color)) << p.x << "," << p.y;
  EXPECT_FALSE(Only(WM_CTLCOLORLISTBOX).empty());

  // The focus rectangle is a dotted frame on the caret item's edge.
  SetFocus(h);
  std::uint32_t edge[] = {Pixel(kOrigin + 50, kOrigin + kRow), Pixel(kOrigin + 51, kOrigin + kRow)};
  EXPECT_TRUE(edge[0] != Sys(COLOR_HIGHLIGHT) || edge[1] != Sys(COLOR_HIGHLIGHT));

  // A parent's brush paints the background.
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  overrides[top] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_CTLCOLORLISTBOX)
      return reinterpret_cast<LRESULT>(red);
    return std::nullopt;
  };
  InvalidateRect(h, nullptr, TRUE);
  EXPECT_EQ(Pixel(kOrigin + 60, kOrigin + 3 * kRow + 5), ColorRefToPixel(RGB(255, 0, 0)));
  overrides.erase(top);
  DeleteObject(red);
}

TEST_F(ListBoxTest, NoDataListTakesACountAndWantKeyboardInputAsksTheOwner) {
  HWND h = List(LBS_NODATA | LBS_OWNERDRAWFIXED);
  SendMessageA(h, LB_SETITEMHEIGHT, 0, kRow); // measured before the font came, in the system font
  EXPECT_EQ(SendMessageA(h, LB_SETCOUNT, 1000, 0), LB_OKAY);
  EXPECT_EQ(SendMessageA(h, LB_GETCOUNT, 0, 0), 1000);
  SendMessageA(h, LB_SETCURSEL, 999, 0);
  EXPECT_EQ(CurSel(h), 999);
  EXPECT_EQ(TopIndex(h), 995);

  HWND k = List(LBS_WANTKEYBOARDINPUT | LBS_NOTIFY, 5 * kRow, 120, 9);
  AddAll(k, {"a", "b", "c", "d"});
  LRESULT answer = -1;
  overrides[top] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_VKEYTOITEM)
      return answer;
    return std::nullopt;
  };
  SetFocus(k);
  Press(VK_DOWN);
  EXPECT_EQ(CurSel(k), 0);
  answer = 3;
  Press(VK_DOWN);
  EXPECT_EQ(CurSel(k), 3);
  answer = -2;
  log.clear();
  Press(VK_UP);
  EXPECT_EQ(CurSel(k), 3);
  EXPECT_EQ(SelNotes(), std::vector<WORD>{});
  ASSERT_EQ(Only(WM_VKEYTOITEM).size(), 1u);
  EXPECT_EQ(LOWORD(Only(WM_VKEYTOITEM)[0].wParam), VK_UP);
  EXPECT_EQ(HIWORD(Only(WM_VKEYTOITEM)[0].wParam), 3);
}

TEST_F(ListBoxTest, ParentThatDestroysTheListFromANotificationIsSurvived) {
  HWND h = List(LBS_NOTIFY);
  AddAll(h, {"a", "b"});
  overrides[top] = [&](HWND, UINT msg, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE)
      DestroyWindow(h);
    return std::nullopt;
  };
  SetFocus(h);
  Press(VK_DOWN);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(ListBoxTest, IntegralHeightShrinksToWholeRows) {
  HWND h =
      CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50, top, nullptr, nullptr, nullptr);
  SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  RECT client{};
  GetClientRect(h, &client);
  EXPECT_EQ(client.bottom, 3 * kRow);
}
