// The dictionary's search on the real window: headwords, completion, translations and explanations.
#include <filesystem>
#include <fstream>

#include "app_fixture.h"

namespace {

struct SearchCase {
  const char* name;
  std::vector<std::string> lines;
  int tab;
  std::string typed;
  std::vector<std::string> left;
  std::string completion;
  std::vector<std::string> right;
  std::string leftMemo;
  std::string rightMemo;
};

// Laz fields are shown after the letter substitution: a/z, o/p and t/u swap, "k´" is "ü", "3´" is "w".
const SearchCase searchCases[] = {
    {"SortedHeadwordsAndTheRestOfTheFirst",
     {"ev;oxori;isim;", "evet;ho;ünlem;", "el;xe;vücut;"},
     0,
     "e",
     {"el", "ev", "evet"},
     "l",
     {"xe"},
     "el: vücut",
     "xe: "},
    {"LetterCaseOfThePrefixCounts",
     {"Ev;a;büyük;", "ev;b;küçük;"},
     0,
     "e",
     {"ev"},
     "v",
     {"b"},
     "ev: küçük",
     "b: "},
    {"EmptyPrefixListsOnlyTheFirstOfTwoCaseTwins",
     {"Ev;a;büyük;", "ev;b;küçük;"},
     0,
     "",
     {"Ev"},
     "Ev",
     {"z"},
     "Ev: büyük",
     "z: "},
    {"DuplicateHeadwordGivesOneHeadwordAndTwoTranslations",
     {"gün;ndğa;zaman;", "gün;dğa;kısa;"},
     0,
     "gü",
     {"gün"},
     "n",
     {"dğz", "ndğz"},
     "gün: kısa",
     "dğz: "},
    {"SamePairTwiceGivesTwoEqualTranslations",
     {"su;3´ari;bir;", "su;3´ari;iki;"},
     0,
     "s",
     {"su"},
     "u",
     {"wzri", "wzri"},
     "su: bir",
     "wzri: "},
    {"PrefixLongerThanEveryHeadwordFindsNothing", {"ev;oxori;isim;"}, 0, "evetler", {}, "", {}, "", ""},
    {"PrefixEqualToAHeadwordCompletesNothing",
     {"ev;oxori;isim;", "evet;ho;;"},
     0,
     "ev",
     {"ev", "evet"},
     "",
     {"pxpri"},
     "ev: isim",
     "pxpri: "},
    {"LazToTurkishShowsTheLazPairOnTheLeft",
     {"kedi;k´atu;hayvan;laz", "ev;oxori;isim;"},
     1,
     "ü",
     {"üzut"},
     "zut",
     {"kedi"},
     "üzut: lza",
     "kedi: hayvan"},
    {"LazToTurkishTranslationsOfOneLazWord",
     {"anne;nana;;", "ana;nana;;", "baba;baba;;"},
     1,
     "n",
     {"nznz"},
     "znz",
     {"ana", "anne"},
     "nznz: ",
     "anne: "},
};

void PrintTo(const SearchCase& c, std::ostream* os) {
  *os << c.name;
}

class SearchTest : public MainWindowTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchTest, ListsCompletionAndExplanations) {
  const SearchCase& c = GetParam();
  TMain* main = Open(c.lines);
  main->DilSecimi->SetTabIndex(c.tab);
  EXPECT_EQ(Search(main, c.typed), c.completion);
  EXPECT_EQ(Items(main->ListSol), c.left);
  EXPECT_EQ(main->ListSol->ItemIndex(), c.left.empty() ? -1 : 0);
  EXPECT_EQ(Items(main->ListSag), c.right);
  EXPECT_EQ(main->ListSag->ItemIndex(), c.right.empty() ? -1 : 0);
  EXPECT_EQ(Utf8Text(main->SolAciklama), c.leftMemo);
  EXPECT_EQ(Utf8Text(main->SagAciklama), c.rightMemo);
}

INSTANTIATE_TEST_SUITE_P(Cases, SearchTest, ::testing::ValuesIn(searchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, MatchesAreTheStoresOwnEntriesInTheStoreOrder) {
  TMain* main = Open({"evet;ho;;", "su;3´ari;;", "ev;oxori;isim;"});
  Search(main, "e");
  ASSERT_EQ(main->Matches()->Count(), 2);
  EXPECT_EQ(main->Matches()->Items(0)->Turkce(), u"evet");
  EXPECT_EQ(main->Matches()->Items(0)->Lazca(), u"hp");
  EXPECT_EQ(main->Matches()->Items(1)->Lazca(), u"pxpri");
  EXPECT_EQ(main->Matches()->Items(0), main->AllEntries()->Items(0));
  EXPECT_EQ(main->Matches()->Items(1), main->AllEntries()->Items(2));
  EXPECT_EQ(main->AllEntries()->Count(), 3);

  // Once the store changes, the matches of an earlier search are let go rather than left dangling.
  main->AllEntries()->Delete(0);
  EXPECT_EQ(main->Matches()->Count(), 0);
  main->ShowTranslations();
  EXPECT_EQ(Items(main->ListSag), std::vector<std::string>{});
  // The next search sees the store as it is now.
  EXPECT_EQ(Search(main, "e"), "v");
  EXPECT_EQ(main->Matches()->Count(), 1);
}

TEST_F(MainWindowTest, EverySearchStartsFromEmptyListsMemosAndMatches) {
  TMain* main = Open({"ev;oxori;isim;", "su;3´ari;;"});
  Search(main, "e");
  ASSERT_EQ(Utf8Text(main->SolAciklama), "ev: isim");
  EXPECT_EQ(Search(main, "x"), "");
  EXPECT_TRUE(Items(main->ListSol).empty());
  EXPECT_TRUE(Items(main->ListSag).empty());
  EXPECT_EQ(Utf8Text(main->SolAciklama), "");
  EXPECT_EQ(Utf8Text(main->SagAciklama), "");
  EXPECT_EQ(main->Matches()->Count(), 0);
}

TEST_F(MainWindowTest, AnotherHeadwordShowsItsTranslationsAndTheFirstEntryOfItsLazWord) {
  // Both headwords translate to the same Laz word: the explanation is that of the first entry holding it.
  TMain* main = Open({"ba;xe;bir;", "bb;xe;iki;", "bc;ti;baş;"});
  Search(main, "b");
  main->ListSol->SetItemIndex(1);
  main->ShowTranslations();
  EXPECT_EQ(Items(main->ListSag), std::vector<std::string>{"xe"});
  EXPECT_EQ(Utf8Text(main->SolAciklama), "ba: bir");

  main->ListSol->SetItemIndex(2);
  main->ShowTranslations();
  EXPECT_EQ(Items(main->ListSag), std::vector<std::string>{"ui"});
  EXPECT_EQ(Utf8Text(main->SolAciklama), "bc: baş");
  EXPECT_EQ(Utf8Text(main->SagAciklama), "ui: ");
}

TEST_F(MainWindowTest, DetailsWithoutASelectionLeaveTheMemosAlone) {
  TMain* main = Open({"ev;oxori;isim;"});
  Search(main, "e");
  main->ListSag->SetItemIndex(-1);
  main->SolAciklama->SetText("kept");
  main->ShowDetails();
  EXPECT_EQ(Utf8Text(main->SolAciklama), "kept");

  // With no translations at all, nothing is looked at.
  main->ListSag->Items()->Clear();
  main->ShowDetails();
  EXPECT_EQ(Utf8Text(main->SolAciklama), "kept");
}

TEST_F(MainWindowTest, TranslationsWithoutASelectedHeadwordLeaveTheRightListEmpty) {
  TMain* main = Open({"ev;oxori;isim;"});
  Search(main, "e");
  main->ListSol->SetItemIndex(-1);
  main->ShowTranslations();
  EXPECT_TRUE(Items(main->ListSag).empty());
  EXPECT_EQ(Utf8Text(main->SolAciklama), "ev: isim");
}

TEST_F(MainWindowTest, ConvertLazIsTheEngineSubstitution) {
  TMain* main = Open({});
  for (auto [raw, shown] : std::vector<std::pair<std::u16string, std::u16string>>{{u"kat", u"kzu"},
                                                                                  {u"KAT", u"KZU"},
                                                                                  {u"3", u"\u00E9"},
                                                                                  {u"3\u00B4", u"w"},
                                                                                  {u"#", u"u"},
                                                                                  {u"", u""}})
    EXPECT_EQ(main->ConvertLaz(raw), shown);
}

TEST_F(MainWindowTest, LoadingFillsTheStoreAndLeavesTheWindowEmptyWithTheFocusInTheSearchBox) {
  TMain* main = Open({"ev;oxori;isim;", "bozuk satır", "su;3´ari;;"});
  EXPECT_EQ(main->WordFileState(), TWordFileState::Loaded);
  EXPECT_EQ(main->AllEntries()->Count(), 2);
  EXPECT_EQ(Utf8Text(main->Arama), "");
  EXPECT_TRUE(Items(main->ListSol).empty());
  EXPECT_TRUE(main->Arama->Focused());
}

TEST_F(MainWindowTest, LoadingAgainClearsWhatTheLastSearchShowed) {
  TMain* main = Open({"ev;oxori;isim;"});
  Search(main, "e");
  main->Arama->SetText("ev");
  WriteWords({"su;3´ari;;"});
  main->LoadDictionary();
  EXPECT_EQ(main->AllEntries()->Count(), 1);
  EXPECT_EQ(main->Matches()->Count(), 0);
  EXPECT_EQ(Utf8Text(main->Arama), "");
  EXPECT_TRUE(Items(main->ListSol).empty());
  EXPECT_TRUE(Items(main->ListSag).empty());
  EXPECT_EQ(Utf8Text(main->SolAciklama), "");
  EXPECT_EQ(Utf8Text(main->SagAciklama), "");
}

TEST_F(MainWindowTest, MissingOrDamagedWordFileLeavesAnEmptyDictionary) {
  TMain* missing = OpenExisting();
  EXPECT_EQ(missing->WordFileState(), TWordFileState::Missing);
  EXPECT_EQ(missing->AllEntries()->Count(), 0);
  EXPECT_EQ(Search(missing, ""), "");
  EXPECT_TRUE(Items(missing->ListSol).empty());
  DoneApplication();

  std::filesystem::create_directory(directory / "pelvor.dll");
  TMain* directoryInstead = OpenExisting();
  EXPECT_EQ(directoryInstead->WordFileState(), TWordFileState::Missing);
  DoneApplication();
  std::filesystem::remove(directory / "pelvor.dll");

  std::ofstream(directory / "pelvor.dll", std::ios::binary) << "not base64 at all; \x01\x02\xFF\r\n";
  TMain* damaged = OpenExisting();
  EXPECT_EQ(damaged->WordFileState(), TWordFileState::Loaded);
  Search(damaged, "");
  EXPECT_EQ(damaged->ListSol->Items()->Count(), damaged->AllEntries()->Count() > 0 ? 1 : 0);
}

TEST_F(MainWindowTest, DirectionDecidesWhereTheLazFontGoes) {
  TMain* main = Open({"ev;oxori;isim;"});
  const std::string laz = "Rezivuz Ozi", turkish = "Verdana";
  EXPECT_EQ(main->Arama->Font()->Name(), turkish);
  EXPECT_EQ(main->ListSol->Font()->Name(), turkish);
  EXPECT_EQ(main->SolAciklama->Font()->Name(), turkish);
  EXPECT_EQ(main->ListSag->Font()->Name(), laz);
  EXPECT_EQ(main->SagAciklama->Font()->Name(), laz);
  main->DilSecimi->SetTabIndex(1);
  EXPECT_EQ(main->Arama->Font()->Name(), laz);
  EXPECT_EQ(main->ListSol->Font()->Name(), laz);
  EXPECT_EQ(main->SolAciklama->Font()->Name(), laz);
  EXPECT_EQ(main->ListSag->Font()->Name(), turkish);
  EXPECT_EQ(main->SagAciklama->Font()->Name(), turkish);
}

TEST_F(MainWindowTest, TitleAndLayout) {
  TMain* main = Open({});
  EXPECT_EQ(AnsiToUtf8(main->Caption()), "Ombesi Pelvör");
  EXPECT_EQ(main->ClientWidth(), 480);
  EXPECT_EQ(main->ClientHeight(), 400);
  // Search box over the tabs over the lists over the memos; the lists and the memos side by side.
  EXPECT_LT(main->Arama->BoundsRect().bottom, main->DilSecimi->Top() + 1);
  EXPECT_LE(main->DilSecimi->BoundsRect().bottom, main->ListSol->Top());
  EXPECT_EQ(main->ListSol->Top(), main->ListSag->Top());
  EXPECT_LT(main->ListSol->BoundsRect().right, main->ListSag->Left());
  EXPECT_LE(main->ListSol->BoundsRect().bottom, main->SolAciklama->Top());
  EXPECT_EQ(main->SolAciklama->Top(), main->SagAciklama->Top());
  EXPECT_LE(main->SagAciklama->BoundsRect().bottom, main->ClientHeight());
  EXPECT_LE(main->ListSag->BoundsRect().right, main->ClientWidth());
}

} // namespace

namespace {

TEST_F(MainWindowTest, HeadwordsAreTheListOfAddingEachKeyInTheEntriesOrderUnlessHeld) {
  // Keys in no order, with case twins of the Turkish dotted and dotless i and repeated words.
  std::vector<std::string> lines;
  const std::vector<std::string> heads = {"ılık", "Ilık", "iç",  "İç",  "ıh", "IH", "ih", "İH",
                                          "kuş",  "Kuş",  "kus", "KUŞ", "a",  "A",  "ab", "aB",
                                          "Ab",   "ş",    "Ş",   "s",   "z",  "Z"};
  for (int round = 0; round < 3; ++round)
    for (std::size_t i = 0; i < heads.size(); ++i)
      lines.push_back(heads[(i * 7 + std::size_t(round) * 5) % heads.size()] + ";laz" + std::to_string(i) +
                      ";;");
  TMain* main = Open(lines);
  Search(main, "");

  // The reference: the same sorted list box, one key at a time.
  auto* reference = new TListBox(main);
  reference->SetSorted(true);
  reference->SetParent(main);
  for (int i = 0; i < main->AllEntries()->Count(); ++i) {
    const AnsiString key = WideToAnsi(main->AllEntries()->Items(i)->Turkce());
    if (reference->Items()->IndexOf(key) < 0)
      reference->Items()->Add(key);
  }
  EXPECT_EQ(Items(main->ListSol), Items(reference));
  EXPECT_LT(main->ListSol->Items()->Count(), int(heads.size()));
}

} // namespace

namespace {

// Refuses every text the program sets, as a failing control would.
class TRefusingMemo {
public:
  explicit TRefusingMemo(TWinControl* Memo) : FMemo(Memo), FOriginal(Memo->WindowProc()) {
    Memo->SetWindowProc(TWndMethod(this, &TRefusingMemo::WndProc));
  }
  ~TRefusingMemo() { FMemo->SetWindowProc(FOriginal); }
  void WndProc(TMessage& Message) {
    if (Message.Msg == WM_SETTEXT)
      throw EInvalidOperation("refused");
    FOriginal(Message);
  }

private:
  TWinControl* FMemo;
  TWndMethod FOriginal;
};

TEST_F(MainWindowTest, DetailsSwallowAFailureToSetTheTextsAndKeepWhatWasSet) {
  TMain* main = Open({"ev;oxori;isim;lazca"});
  Search(main, "e");
  main->SolAciklama->Clear();
  main->SagAciklama->SetText("old");
  {
    TRefusingMemo refusing(main->SagAciklama->InnerMemo());
    EXPECT_NO_THROW(main->ShowDetails());
  }
  EXPECT_EQ(Utf8Text(main->SolAciklama), "ev: isim");
  EXPECT_EQ(Utf8Text(main->SagAciklama), "old");
}

} // namespace
