// Keys and clicks through the window layer, as the user gives them, and what the window makes of them.
#include <cctype>
#include <map>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/Session.h"
#include "app_fixture.h"
#include "platform/controls/Clipbrd.h"
#include "platform/gdi/Surface.h"
#include "platform/win/Caret.h"
#include "platform/win/Edit.h"
#include "platform/win/Paint.h"

namespace {

struct BoxState {
  std::string text;
  int selStart;
  int selLength;
  friend bool operator==(const BoxState&, const BoxState&) = default;
  friend std::ostream& operator<<(std::ostream& os, const BoxState& s) {
    return os << '"' << s.text << "\" sel " << s.selStart << '+' << s.selLength;
  }
};

BoxState StateOf(TMain* main) {
  return {Utf8Text(main->Arama), main->Arama->SelStart(), main->Arama->SelLength()};
}

// The search box as its pixels show it: per character of its text 'S' when the character's cell is drawn
// highlighted, '.' when it has no highlight at all and '?' when partly; and the character before which the
// caret stands (-1 when it stands at none).
struct SeenBox {
  std::string cells;
  int caret;
  friend bool operator==(const SeenBox&, const SeenBox&) = default;
  friend std::ostream& operator<<(std::ostream& os, const SeenBox& s) {
    return os << '"' << s.cells << "\" caret " << s.caret;
  }
};

SeenBox Seen(TMain* main) {
  UpdateWindow(main->Handle());
  HWND inner = main->Arama->InnerEdit()->GetControl()->Handle();
  const Surface* surface = platform::GetWindowSurface(main->Handle());
  if (!surface) {
    ADD_FAILURE() << "the window has no picture";
    return {};
  }
  RECT window{}, client{};
  GetWindowRect(main->Handle(), &window);
  GetClientRect(inner, &client);
  POINT origin{0, 0};
  ClientToScreen(inner, &origin);
  auto posOf = [&](std::size_t i) {
    const LRESULT r = SendMessageA(inner, EM_POSFROMCHAR, WPARAM(i), 0);
    return POINT{short(LOWORD(r)), short(HIWORD(r))};
  };
  const std::size_t length = main->Arama->Text().size();
  const std::uint32_t highlight = ColorRefToPixel(GetSysColor(COLOR_HIGHLIGHT));
  SeenBox seen{std::string(length, '?'), -1};
  for (std::size_t i = 0; i < length; ++i) {
    const int from = posOf(i).x, to = posOf(i + 1).x;
    int lit = 0;
    for (int y = client.top; y < client.bottom; ++y)
      for (int x = from; x < to; ++x) {
        // The caret shows by inverting what is under it.
        const std::uint32_t pixel = surface->Pixel(origin.x - window.left + x, origin.y - window.top + y);
        lit += (pixel & 0xFFFFFF) == highlight || (~pixel & 0xFFFFFF) == highlight;
      }
    // A highlighted cell is lit across the line's height, less the glyph's ink.
    const int full = (to - from) * (client.bottom - client.top);
    seen.cells[i] = lit == 0 ? '.' : 3 * lit >= full ? 'S' : '?';
  }
  POINT caret{};
  if (GetFocus() == inner && GetCaretPos(&caret))
    for (std::size_t i = 0; i <= length; ++i)
      if (const POINT p = posOf(i); p.x == caret.x && p.y == caret.y)
        seen.caret = int(i);
  return seen;
}

// What a user should see of a box state: the selection highlighted and the caret at its end.
SeenBox ExpectedSight(const BoxState& box) {
  const std::size_t length = Utf8ToAnsi(box.text).size();
  std::string cells(length, '.');
  for (int i = box.selStart; i < box.selStart + box.selLength && i < int(length); ++i)
    cells[std::size_t(i)] = 'S';
  return {cells, box.selStart + box.selLength};
}

constexpr const char* backspace = "\b";

struct Keystroke {
  std::string keys; // UTF-8 text, "\b" for Backspace, or a chord such as "<Ctrl+V>"
  BoxState box;
  std::vector<std::string> left;
  std::string clipboard = {}; // UTF-8, put on the clipboard before the keys when not empty
  // What the search was made for, when the key only moved the caret; else the box's text before the
  // selection.
  std::optional<std::string> searched = {};
};

const std::vector<std::string> words = {"ev;oxori;isim;", "evet;ho;ünlem;", "el;xe;vücut;", "çocuk;bere;;"};

class TypingTest : public MainWindowTest {
protected:
  // A chord is its modifiers and one key, as "<Ctrl+Shift+Delete>"; the modifiers go down first and come up
  // last, as a hand gives them.
  void Press(const std::string& keys) {
    if (keys == backspace) {
      backend->PressKey(VK_BACK);
      Pump();
      return;
    }
    if (keys.size() < 3 || keys.front() != '<' || keys.back() != '>') {
      TypeText(keys);
      return;
    }
    static const std::map<std::string, int> named = {
        {"Ctrl", VK_CONTROL},  {"Shift", VK_SHIFT},   {"Backspace", VK_BACK},
        {"Delete", VK_DELETE}, {"Insert", VK_INSERT}, {"Home", VK_HOME},
        {"End", VK_END},       {"Left", VK_LEFT},     {"Right", VK_RIGHT}};
    std::vector<int> chord;
    std::stringstream names(keys.substr(1, keys.size() - 2));
    for (std::string name; std::getline(names, name, '+');) {
      const auto it = named.find(name);
      ASSERT_TRUE(it != named.end() || name.size() == 1) << "no key " << name;
      chord.push_back(it != named.end() ? it->second : std::toupper(static_cast<unsigned char>(name[0])));
    }
    for (std::size_t i = 0; i + 1 < chord.size(); ++i)
      backend->KeyDown(chord[i]);
    backend->PressKey(chord.back());
    for (std::size_t i = chord.size() - 1; i-- > 0;)
      backend->KeyUp(chord[i]);
    Pump();
  }

  struct Sequence {
    const char* name;
    std::vector<Keystroke> strokes;
  };

  // Each sequence in a window of its own over the dictionary, typed into the search box.
  void RunEach(const std::vector<std::string>& dictionary, const std::vector<Sequence>& sequences) {
    for (const Sequence& sequence : sequences) {
      SCOPED_TRACE(sequence.name);
      TMain* main = Open(dictionary);
      ASSERT_TRUE(main->Arama->Focused());
      Run(main, sequence.strokes);
      DoneApplication();
    }
  }

  void Run(TMain* main, const std::vector<Keystroke>& strokes) {
    for (std::size_t i = 0; i < strokes.size(); ++i) {
      SCOPED_TRACE("keystroke " + std::to_string(i) + " \"" + strokes[i].keys + "\"");
      if (!strokes[i].clipboard.empty())
        Clipboard()->SetAsText(Utf8ToAnsi(strokes[i].clipboard));
      Press(strokes[i].keys);
      EXPECT_EQ(StateOf(main), strokes[i].box);
      EXPECT_EQ(Seen(main), ExpectedSight(strokes[i].box));
      EXPECT_EQ(Items(main->ListSol), strokes[i].left);
      const AnsiString typed =
          strokes[i].searched
              ? Utf8ToAnsi(*strokes[i].searched)
              : Utf8ToAnsi(strokes[i].box.text).substr(0, std::size_t(strokes[i].box.selStart));
      EXPECT_EQ(WideToAnsi(main->Yazilan()), typed);
    }
  }
};

TEST_F(TypingTest, EveryKeyCompletesAndSelectsTheRestOfTheFirstHeadword) {
  TMain* main = Open(words);
  ASSERT_TRUE(main->Arama->Focused());
  Run(main, {
                {"e", {"el", 1, 1}, {"el", "ev", "evet"}},
                {"v", {"ev", 2, 0}, {"ev", "evet"}},
                {"e", {"evet", 3, 1}, {"evet"}},
                {"t", {"evet", 4, 0}, {"evet"}},
                {"x", {"evetx", 5, 0}, {}},
            });
}

TEST_F(TypingTest, BackspaceRemovesTheCompletionAndThenTheTypedText) {
  TMain* main = Open(words);
  Run(main, {
                {"e", {"el", 1, 1}, {"el", "ev", "evet"}},
                {"v", {"ev", 2, 0}, {"ev", "evet"}},
                {"e", {"evet", 3, 1}, {"evet"}},
                // The first Backspace takes the selected completion, and no new one comes back.
                {backspace, {"eve", 3, 0}, {"evet"}},
                {backspace, {"ev", 2, 0}, {"ev", "evet"}},
                {backspace, {"e", 1, 0}, {"el", "ev", "evet"}},
                {backspace, {"", 0, 0}, {"çocuk", "el", "ev", "evet"}},
                // Typing again completes again.
                {"ç", {"çocuk", 1, 4}, {"çocuk"}},
            });
  EXPECT_EQ(Items(main->ListSag), std::vector<std::string>{"bere"});
}

// The next letter of the offered completion keeps completing; only Backspace searches without completing.
TEST_F(TypingTest, TypingAlongTheCompletionKeepsCompletingInBothDirections) {
  struct Sequence {
    const char* name;
    int tab;
    std::vector<Keystroke> strokes;
  };
  const std::vector<std::string> dictionary = {"kalp;guri;;", "kardeş;kemi;;", "kedi;kerdi;;",
                                               "el;xe;;",     "elma;kin;;",    "ev;vi;;"};
  const std::vector<Sequence> sequences = {
      {"turkish, one word to its end and back",
       0,
       {
           {"k", {"kalp", 1, 3}, {"kalp", "kardeş", "kedi"}},
           {"a", {"kalp", 2, 2}, {"kalp", "kardeş"}},
           {"l", {"kalp", 3, 1}, {"kalp"}},
           {"p", {"kalp", 4, 0}, {"kalp"}},
           {backspace, {"kal", 3, 0}, {"kalp"}},
           {backspace, {"ka", 2, 0}, {"kalp", "kardeş"}},
           {"r", {"kardeş", 3, 3}, {"kardeş"}},
           {"d", {"kardeş", 4, 2}, {"kardeş"}},
           // Backspace takes the selected completion and offers nothing back.
           {backspace, {"kard", 4, 0}, {"kardeş"}},
           {"e", {"kardeş", 5, 1}, {"kardeş"}},
           {"ş", {"kardeş", 6, 0}, {"kardeş"}},
       }},
      {"turkish, a headword that is the start of another",
       0,
       {
           {"e", {"el", 1, 1}, {"el", "elma", "ev"}},
           {"l", {"el", 2, 0}, {"el", "elma"}},
           {"m", {"elma", 3, 1}, {"elma"}},
           {backspace, {"elm", 3, 0}, {"elma"}},
           {backspace, {"el", 2, 0}, {"el", "elma"}},
           {backspace, {"e", 1, 0}, {"el", "elma", "ev"}},
           {"v", {"ev", 2, 0}, {"ev"}},
       }},
      {"laz",
       1,
       {
           {"k", {"kemi", 1, 3}, {"kemi", "kerdi", "kin"}},
           {"e", {"kemi", 2, 2}, {"kemi", "kerdi"}},
           {"r", {"kerdi", 3, 2}, {"kerdi"}},
           {"d", {"kerdi", 4, 1}, {"kerdi"}},
           {backspace, {"kerd", 4, 0}, {"kerdi"}},
           {backspace, {"ker", 3, 0}, {"kerdi"}},
           {backspace, {"ke", 2, 0}, {"kemi", "kerdi"}},
           {"m", {"kemi", 3, 1}, {"kemi"}},
           {"i", {"kemi", 4, 0}, {"kemi"}},
       }},
  };
  for (const Sequence& sequence : sequences) {
    SCOPED_TRACE(sequence.name);
    TMain* main = Open(dictionary);
    if (sequence.tab != 0) {
      ASSERT_TRUE(ClickTab(main->DilSecimi, sequence.tab));
      main->Arama->SetFocus();
      Pump();
    }
    ASSERT_TRUE(main->Arama->Focused());
    Run(main, sequence.strokes);
    DoneApplication();
    platform::ResetWindowManager();
    backend.reset();
    backend = std::make_unique<platform::HeadlessBackend>();
  }
}

TEST_F(TypingTest, ALetterTypedOverASelectionCompletes) {
  TMain* main = Open(words);
  Run(main, {{"e", {"el", 1, 1}, {"el", "ev", "evet"}}, {"v", {"ev", 2, 0}, {"ev", "evet"}}});
  // The whole text selected and replaced by a letter is typing, not a deletion.
  main->Arama->SelectAll();
  Run(main, {{"ç", {"çocuk", 1, 4}, {"çocuk"}}});
  // Delete over the whole text is a deletion.
  main->Arama->SelectAll();
  backend->PressKey(VK_DELETE);
  Pump();
  EXPECT_EQ(StateOf(main), (BoxState{"", 0, 0}));
  EXPECT_EQ(Items(main->ListSol), (std::vector<std::string>{"çocuk", "el", "ev", "evet"}));
}

// A deleting key that changed nothing must not make the next change, one without a key, a deletion.
TEST_F(TypingTest, ADeletingKeyThatChangedNothingLeavesNoMark) {
  TMain* main = Open(words);
  main->Arama->SetFocus();
  for (WORD key : {WORD(VK_BACK), WORD(VK_DELETE)}) {
    main->Arama->SetText("");
    Pump();
    backend->PressKey(key);
    Pump();
    Clipboard()->SetAsText("e");
    main->Arama->PasteFromClipboard(); // a change that comes without a key
    Pump();
    EXPECT_EQ(main->Arama->Text(), "el") << "completed, not taken for a deletion; key " << key;
  }
}

// Text put in by the clipboard is searched and completed as the same letters typed would be.
TEST_F(TypingTest, APasteCompletesAndSelectsTheCompletionAsTypingDoes) {
  const std::vector<std::string> dictionary = {"köpek;coxori;;", "köprü;kopri;;", "kalp;guri;;",
                                               "ev;oxori;;"};
  const std::vector<Sequence> sequences = {
      {"ctrl+v into the empty box, then a letter",
       {
           {"<Ctrl+V>", {"köpek", 3, 2}, {"köpek", "köprü"}, "köp"},
           {"x", {"köpx", 4, 0}, {}},
       }},
      {"shift+insert over the offered completion",
       {
           {"k", {"kalp", 1, 3}, {"kalp", "köpek", "köprü"}},
           {"<Shift+Insert>", {"köprü", 4, 1}, {"köprü"}, "öpr"},
           {"ü", {"köprü", 5, 0}, {"köprü"}},
       }},
      {"upper case and a second line are not searched",
       {
           {"<Ctrl+V>", {"ev", 1, 1}, {"ev"}, "E\r\nkalp"},
       }},
      {"the whole text replaced",
       {
           {"ev", {"ev", 2, 0}, {"ev"}},
           {"<Ctrl+A>", {"ev", 0, 2}, {"ev"}, {}, "ev"},
           {"<Ctrl+V>", {"kalp", 2, 2}, {"kalp"}, "ka"},
       }},
  };
  RunEach(dictionary, sequences);
}

// Only what deletes text (Backspace, Delete, cutting, the deleting chords) searches without completing,
// whatever text it leaves; a letter or a paste over a selection completes even when the text it leaves is
// one that a deletion could have left.
TEST_F(TypingTest, DeletionIsWhatTheKeyDidNotWhatTheTextLooksLike) {
  const std::vector<std::string> dictionary = {"kapı;kapi;;", "ılık;cami;;", "ışık;mjora;;", "api;api;;",
                                               "kalp;guri;;"};
  const std::vector<Keystroke> kapi = {
      {"k", {"kalp", 1, 3}, {"kalp", "kapı"}},
      {"a", {"kalp", 2, 2}, {"kalp", "kapı"}},
      {"p", {"kapı", 3, 1}, {"kapı"}},
      {"ı", {"kapı", 4, 0}, {"kapı"}},
  };
  auto after = [&](std::vector<Keystroke> more) {
    std::vector<Keystroke> strokes = kapi;
    strokes.insert(strokes.end(), more.begin(), more.end());
    return strokes;
  };
  const std::vector<Sequence> sequences = {
      {"the text's last letter typed over all of it",
       after({{"<Ctrl+A>", {"kapı", 0, 4}, {"kapı"}, {}, "kapı"}, {"ı", {"ılık", 1, 3}, {"ılık", "ışık"}}})},
      {"the text's first letter pasted over all of it",
       after({{"<Ctrl+A>", {"kapı", 0, 4}, {"kapı"}, {}, "kapı"},
              {"<Ctrl+V>", {"kalp", 1, 3}, {"kalp", "kapı"}, "k"}})},
      {"delete at the start",
       after({{"<Home>", {"kapı", 0, 0}, {"kapı"}, {}, "kapı"}, {"<Delete>", {"apı", 3, 0}, {}}})},
      {"ctrl+x over all", after({{"<Ctrl+A>", {"kapı", 0, 4}, {"kapı"}, {}, "kapı"},
                                 {"<Ctrl+X>", {"", 0, 0}, {"api", "ılık", "ışık", "kalp", "kapı"}}})},
      {"shift+delete over the last letter", after({{"<Left>", {"kapı", 3, 0}, {"kapı"}, {}, "kapı"},
                                                   {"<Shift+End>", {"kapı", 3, 1}, {"kapı"}, {}, "kapı"},
                                                   {"<Shift+Delete>", {"kap", 3, 0}, {"kapı"}}})},
      {"ctrl+backspace", after({{"<Ctrl+Backspace>", {"", 0, 0}, {"api", "ılık", "ışık", "kalp", "kapı"}}})},
      {"ctrl+delete from the second letter", after({{"<Home>", {"kapı", 0, 0}, {"kapı"}, {}, "kapı"},
                                                    {"<Right>", {"kapı", 1, 0}, {"kapı"}, {}, "kapı"},
                                                    {"<Ctrl+Delete>", {"k", 1, 0}, {"kalp", "kapı"}}})},
      {"backspace of the completion, then the next letter completes again",
       {{"k", {"kalp", 1, 3}, {"kalp", "kapı"}},
        {backspace, {"k", 1, 0}, {"kalp", "kapı"}},
        {"a", {"kalp", 2, 2}, {"kalp", "kapı"}}}},
  };
  RunEach(dictionary, sequences);
}

TEST_F(TypingTest, UpperCaseKeysArriveLowerCased) {
  TMain* main = Open(words);
  Run(main, {{"E", {"el", 1, 1}, {"el", "ev", "evet"}}, {"V", {"ev", 2, 0}, {"ev", "evet"}}});
}

TEST_F(TypingTest, TheHandlersOwnTextAssignmentIsNotUndoneByTheKeyThatCausedIt) {
  TMain* main = Open(words);
  TypeText("e");
  // The nested change event raised by writing the completion back stops at the handler's flag: the box holds
  // the completion with the typed part unselected, exactly once searched.
  EXPECT_EQ(StateOf(main), (BoxState{"el", 1, 1}));
  EXPECT_EQ(main->Matches()->Count(), 3);
}

TEST_F(TypingTest, ChangingTheDirectionSearchesTheTypedTextAgain) {
  TMain* main = Open({"ev;oxori;isim;", "pas;ek;;"});
  TypeText("e");
  ASSERT_EQ(StateOf(main), (BoxState{"ev", 1, 1}));
  ASSERT_TRUE(ClickTab(main->DilSecimi, 1));
  EXPECT_EQ(main->DilSecimi->TabIndex(), 1);
  // The typed "e" is searched, not the "ev" that the other direction offered.
  EXPECT_EQ(Items(main->ListSol), std::vector<std::string>{"ek"});
  EXPECT_EQ(Items(main->ListSag), std::vector<std::string>{"pas"});
  EXPECT_EQ(StateOf(main), (BoxState{"ek", 1, 1}));

  // Ctrl+Tab from the search box goes back to the first direction.
  backend->KeyDown(VK_CONTROL);
  backend->PressKey(VK_TAB);
  backend->KeyUp(VK_CONTROL);
  Pump();
  EXPECT_EQ(main->DilSecimi->TabIndex(), 0);
  EXPECT_EQ(Items(main->ListSol), std::vector<std::string>{"ev"});
  EXPECT_TRUE(main->Arama->Focused());
}

TEST_F(TypingTest, ClicksAndKeysInTheListsShowTranslationsAndDetails) {
  TMain* main = Open({"ba;xe;bir;", "bb;ti;iki;ikiL", "bb;ma;üç;üçL"});
  TypeText("b");
  ASSERT_EQ(Items(main->ListSol), (std::vector<std::string>{"ba", "bb"}));

  ASSERT_TRUE(ClickItem(main->ListSol, 1));
  EXPECT_EQ(main->ListSol->ItemIndex(), 1);
  EXPECT_EQ(Items(main->ListSag), (std::vector<std::string>{"mz", "ui"}));
  EXPECT_EQ(Utf8Text(main->SolAciklama), "bb: üç");
  EXPECT_EQ(Utf8Text(main->SagAciklama), "mz: üçL");

  ASSERT_TRUE(ClickItem(main->ListSag, 1));
  EXPECT_EQ(Utf8Text(main->SolAciklama), "bb: iki");
  EXPECT_EQ(Utf8Text(main->SagAciklama), "ui: ikiL");

  // The key's release in the left list shows the translations of the item the key moved to.
  main->ListSol->SetFocus();
  backend->PressKey(VK_UP);
  Pump();
  EXPECT_EQ(main->ListSol->ItemIndex(), 0);
  EXPECT_EQ(Items(main->ListSag), std::vector<std::string>{"xe"});
  EXPECT_EQ(Utf8Text(main->SolAciklama), "ba: bir");

  EXPECT_FALSE(ClickItem(main->ListSol, 2));
}

TEST_F(TypingTest, DumpTellsTheWindowsState) {
  TMain* main = Open(words);
  TypeText("e");
  const nlohmann::json state = nlohmann::json::parse(StateText(*main));
  EXPECT_EQ(state["wordFile"], "loaded");
  EXPECT_EQ(state["entries"], 4);
  EXPECT_EQ(state["search"]["text"], "el");
  EXPECT_EQ(state["search"]["selStart"], 1);
  EXPECT_EQ(state["search"]["selLength"], 1);
  EXPECT_EQ(state["tab"], 0);
  EXPECT_EQ(state["left"]["items"], nlohmann::json::array({"el", "ev", "evet"}));
  EXPECT_EQ(state["left"]["index"], 0);
  EXPECT_EQ(state["right"]["items"], nlohmann::json::array({"xe"}));
  EXPECT_EQ(state["leftMemo"], "el: vücut");
  EXPECT_EQ(state["rightMemo"], "xe: ");
  EXPECT_EQ(state["title"], "Ombesi Pelvör");
}

// The state is written out piece by piece; it reads as the library would lay out the same document, with
// empty lists and long ones, quotes, backslashes and Turkish letters in the words, and a word file that could
// not be read.
TEST_F(TypingTest, DumpIsLaidOutAsTheLibraryLaysOutADocument) {
  const std::vector<std::string> quoted = {"a\"b;c\\d;\"açık\";ş\\", "ab;p´;;", "ağaç;3´;x;y", "b;c;;"};
  struct Case {
    const char* name;
    int tab;
    std::vector<std::string> steps;
    std::size_t headwords;
  } cases[] = {
      {"as it opens", 0, {}, 0},      {"a few words", 0, {"a"}, 3},
      {"no word", 0, {"q"}, 0},       {"every word", 0, {"a", backspace, backspace}, 4},
      {"the other way", 1, {"ô"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMain* main = Open(quoted);
    ASSERT_TRUE(ClickTab(main->DilSecimi, c.tab));
    for (const std::string& step : c.steps)
      Press(step);
    const std::string text = StateText(*main);
    EXPECT_EQ(text, nlohmann::json::parse(text).dump(2) + "\n");
    EXPECT_EQ(nlohmann::json::parse(text)["left"]["items"].size(), c.headwords);
    DoneApplication();
  }
  std::filesystem::remove(directory / "pelvor.dll");
  std::filesystem::create_symlink("pelvor.dll", directory / "pelvor.dll");
  TMain* unreadable = OpenExisting();
  ASSERT_EQ(unreadable->WordFileState(), TWordFileState::Unreadable);
  const std::string text = StateText(*unreadable);
  EXPECT_EQ(text, nlohmann::json::parse(text).dump(2) + "\n");
}

TEST_F(TypingTest, DumpTellsWhereTheWindowIsAndWhetherItIsMinimised) {
  TMain* main = Open(words);
  // Moved as a desktop moves it: by the window manager, not through the form.
  SetWindowPos(main->Handle(), nullptr, 130, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(main->Handle(), SW_SHOWMINNOACTIVE);
  Pump();
  nlohmann::json window = nlohmann::json::parse(StateText(*main))["window"];
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, DWORD(GetWindowLong(main->Handle(), GWL_STYLE)), FALSE,
                     DWORD(GetWindowLong(main->Handle(), GWL_EXSTYLE)));
  const nlohmann::json expected = {{"left", 130},
                                   {"top", 70},
                                   {"width", 480 - frame.left + frame.right},
                                   {"height", 400 - frame.top + frame.bottom},
                                   {"clientLeft", 130 - frame.left},
                                   {"clientTop", 70 - frame.top},
                                   {"clientWidth", 480},
                                   {"clientHeight", 400},
                                   {"minimized", true}};
  EXPECT_EQ(window, expected);
  ShowWindow(main->Handle(), SW_SHOWNOACTIVATE);
  Pump();
  EXPECT_EQ(nlohmann::json::parse(StateText(*main))["window"]["minimized"], false);
}

TEST_F(TypingTest, DumpOfAMissingWordFile) {
  TMain* main = OpenExisting();
  TypeText("ev");
  const nlohmann::json state = nlohmann::json::parse(StateText(*main));
  EXPECT_EQ(state["wordFile"], "missing");
  EXPECT_EQ(state["entries"], 0);
  EXPECT_EQ(state["left"]["items"], nlohmann::json::array());
  EXPECT_EQ(state["search"]["text"], "ev");
}

TEST(SessionOptions, StepsKeepTheirOrder) {
  const TSessionOptions o =
      ParseSessionOptions({"--headless", "--type", "ev", "--tab", "1", "--click-left", "0", "--click-right",
                           "2", "--dump", "--exit", "--snapshot", "w.png"});
  EXPECT_TRUE(o.headless);
  EXPECT_TRUE(o.dump);
  EXPECT_TRUE(o.exitAfter);
  EXPECT_EQ(o.snapshot, "w.png");
  ASSERT_EQ(o.steps.size(), 4u);
  EXPECT_EQ(o.steps[0].kind, TSessionStep::Type);
  EXPECT_EQ(o.steps[0].text, "ev");
  EXPECT_EQ(o.steps[1].kind, TSessionStep::ClickTab);
  EXPECT_EQ(o.steps[1].index, 1);
  EXPECT_EQ(o.steps[2].kind, TSessionStep::ClickLeft);
  EXPECT_EQ(o.steps[3].kind, TSessionStep::ClickRight);
  EXPECT_EQ(o.steps[3].index, 2);
}

TEST(SessionOptions, BadUsageIsRefusedWithAMessage) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--tab"},
                                             {"--tab", "x"},
                                             {"--tab", "-1"},
                                             {"--click-left", "1.5"},
                                             {"--type"},
                                             {"--bogus"},
                                             {"--snapshot", "--dump"}}) {
    SCOPED_TRACE(args.front());
    EXPECT_THROW(ParseSessionOptions(args), EInvalidArgument);
  }
}

} // namespace
