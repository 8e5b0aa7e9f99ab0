// The window's search against the plain reading of the search: every entry compared with the prefix, each
// matching headword offered to a sorted list that refuses an equal one, the translations of the selected
// headword added one by one. Generated dictionaries, both directions, every prefix of every headword.
#include <random>

#include "app_fixture.h"

namespace {

struct Expected {
  std::vector<std::string> left;
  std::vector<std::string> right;
  std::string completion;
  std::string leftMemo;
  std::string rightMemo;
  std::vector<TKelime*> matches;
};

class SearchEquivalenceTest : public MainWindowTest {
protected:
  TListBox* NewList(TMain* main) {
    auto* list = new TListBox(main);
    list->SetSorted(true);
    list->SetVisible(false);
    list->SetParent(main);
    return list;
  }

  // The search as written: one scan over the store, items added one at a time. Picking another headword
  // leaves the explanations as they were when it finds none to show.
  Expected Literal(TMain* main, const WideString& typed, int selected, const Expected* before) {
    const bool turkishToLaz = main->DilSecimi->TabIndex() == 0;
    auto key = [&](TKelime* e) { return turkishToLaz ? e->Turkce() : e->Lazca(); };
    Expected x;
    if (before) {
      x.leftMemo = before->leftMemo;
      x.rightMemo = before->rightMemo;
    }
    referenceLeft->Items()->Clear();
    referenceRight->Items()->Clear();
    TPelvor* all = main->AllEntries();
    for (int i = 0; i < all->Count(); ++i) {
      TKelime* e = all->Items(i);
      const WideString k = key(e);
      if (k.size() < typed.size() || k.compare(0, typed.size(), typed) != 0)
        continue;
      x.matches.push_back(e);
      if (referenceLeft->Items()->IndexOf(WideToAnsi(k)) < 0)
        referenceLeft->Items()->Add(WideToAnsi(k));
    }
    x.left = Items(referenceLeft);
    if (x.left.empty())
      return x;
    const WideString first = AnsiToWide(referenceLeft->Items()->Strings(0));
    x.completion = WideToUtf8(first.substr(std::min(first.size(), typed.size())));
    const WideString headword = AnsiToWide(referenceLeft->Items()->Strings(selected));
    for (TKelime* e : x.matches)
      if (key(e) == headword)
        referenceRight->Items()->Add(WideToAnsi(turkishToLaz ? e->Lazca() : e->Turkce()));
    x.right = Items(referenceRight);
    if (x.right.empty())
      return x;
    const WideString laz = turkishToLaz ? AnsiToWide(referenceRight->Items()->Strings(0)) : headword;
    for (TKelime* e : x.matches) {
      if (e->Lazca() != laz)
        continue;
      const std::string turkish = AnsiToUtf8(WideToAnsi(e->Turkce() + u": " + e->TurkceAciklama()));
      const std::string lazPair = AnsiToUtf8(WideToAnsi(e->Lazca() + u": " + e->LazcaAciklama()));
      x.leftMemo = turkishToLaz ? turkish : lazPair;
      x.rightMemo = turkishToLaz ? lazPair : turkish;
      break;
    }
    return x;
  }

  Expected Compare(TMain* main, const WideString& typed, const std::string& completion, int selected,
                   const Expected* before = nullptr) {
    const Expected x = Literal(main, typed, selected, before);
    EXPECT_EQ(Items(main->ListSol), x.left);
    EXPECT_EQ(completion, x.completion);
    EXPECT_EQ(main->ListSol->ItemIndex(), x.left.empty() ? -1 : selected);
    EXPECT_EQ(Items(main->ListSag), x.right);
    EXPECT_EQ(main->ListSag->ItemIndex(), x.right.empty() ? -1 : 0);
    EXPECT_EQ(Utf8Text(main->SolAciklama), x.leftMemo);
    EXPECT_EQ(Utf8Text(main->SagAciklama), x.rightMemo);
    const TWordMatches* matches = main->Matches();
    EXPECT_EQ(matches->Entries(), x.matches);
    return x;
  }

  TListBox* referenceLeft = nullptr;
  TListBox* referenceRight = nullptr;
};

// Letters chosen to collide: case twins, both Turkish i pairs, an accented letter, and the raw Laz forms
// that the substitution turns into accented letters or swaps.
const std::vector<std::string> turkishLetters = {"a", "A", "i", "İ", "ı", "I", "k",
                                                 "K", "ç", "Ç", "â", "e", "-"};
const std::vector<std::string> lazLetters = {"a", "z", "k´", "K", "t", "u", "3", "o", "p", "e", "x"};

const std::vector<std::string> wideLetters = {"a", "?", "Ā", "ā", "Ω", "k", "İ"};

std::string Word(std::mt19937& rng, const std::vector<std::string>& letters) {
  std::string w;
  const int length = 1 + int(rng() % 4);
  for (int i = 0; i < length; ++i)
    w += letters[rng() % letters.size()];
  return w;
}

std::vector<std::string> Dictionary(std::mt19937& rng) {
  std::vector<std::string> lines;
  const int count = 20 + int(rng() % 40);
  for (int i = 0; i < count; ++i) {
    const unsigned pick = rng() % 10;
    if (pick == 0 && !lines.empty()) {
      lines.push_back(lines[rng() % lines.size()]); // the same pair twice
      continue;
    }
    if (pick == 2 && !lines.empty()) {
      // A case twin of a line already there, in one of its two words, so that a list receives items that
      // its comparison holds equal.
      std::string twin = lines[rng() % lines.size()];
      const std::size_t from = rng() % 2 ? 0 : twin.find(';') + 1;
      for (std::size_t c = from; c < twin.size() && twin[c] != ';'; ++c)
        if (twin[c] >= 'a' && twin[c] <= 'z')
          twin[c] = char(twin[c] - 'a' + 'A');
      lines.push_back(twin + std::to_string(i));
      continue;
    }
    std::string turkish = Word(rng, turkishLetters);
    if (pick == 1 && !lines.empty()) { // a second translation of a headword already there
      const std::string& other = lines[rng() % lines.size()];
      turkish = other.substr(0, other.find(';'));
    }
    const std::string explanation = rng() % 2 ? "" : "isim " + std::to_string(i);
    const std::string lazExplanation = rng() % 2 ? "" : "ap" + std::to_string(i);
    lines.push_back(turkish + ";" + Word(rng, lazLetters) + ";" + explanation + ";" + lazExplanation);
  }
  return lines;
}

TEST_F(SearchEquivalenceTest, EveryPrefixOfEveryHeadwordInBothDirections) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TMain* main = Open(Dictionary(rng));
    // Entries that no word file can hold: characters the code page lacks, next to the '?' they become in
    // the lists.
    for (int i = 0; i < 6; ++i)
      main->AllEntries()->AddLine(Utf8ToWide(Word(rng, wideLetters) + ";" + Word(rng, wideLetters) + ";;"));
    referenceLeft = NewList(main);
    referenceRight = NewList(main);
    ASSERT_GT(main->AllEntries()->Count(), 0);
    for (int tab = 0; tab < 2; ++tab) {
      main->DilSecimi->SetTabIndex(tab);
      std::vector<WideString> keys;
      for (int i = 0; i < main->AllEntries()->Count(); ++i) {
        TKelime* e = main->AllEntries()->Items(i);
        keys.push_back(tab == 0 ? e->Turkce() : e->Lazca());
      }
      keys.push_back(u"zzz");
      for (const WideString& key : keys) {
        // Key by key, as the headword is typed.
        for (std::size_t length = 0; length <= key.size(); ++length) {
          const WideString typed = key.substr(0, length);
          SCOPED_TRACE("tab " + std::to_string(tab) + " typed \"" + WideToUtf8(typed) + "\"");
          main->SetYazilan(typed);
          WideString completion;
          main->SearchWords(completion);
          const Expected searched = Compare(main, typed, WideToUtf8(completion), 0);
          if (HasFailure())
            return;
          // Another headword picked in the list shows its own translations.
          const int count = main->ListSol->Items()->Count();
          if (count > 1) {
            const int other = 1 + int(rng() % unsigned(count - 1));
            main->ListSol->SetItemIndex(other);
            main->ShowTranslations();
            Compare(main, typed, WideToUtf8(completion), other, &searched);
            if (HasFailure())
              return;
          }
        }
      }
    }
    DoneApplication();
    platform::ResetWindowManager();
    backend.reset();
    backend = std::make_unique<platform::HeadlessBackend>();
  }
}

} // namespace
