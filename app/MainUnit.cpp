#include "app/MainUnit.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "engine/LazLetters.h"
#include "engine/WordFile.h"
#include "platform/rtl/CaseRules.h"

namespace {

// Resets a flag when the scope ends, however it ends.
class TFlagScope {
public:
  explicit TFlagScope(bool& Flag) : FFlag(Flag) { FFlag = true; }
  ~TFlagScope() { FFlag = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& FFlag;
};

AnsiString& ProgramDirectoryOverride() {
  static AnsiString directory;
  return directory;
}

constexpr const char* TurkishFace = "Verdana";
constexpr const char* LazFace = "Rezivuz Ozi";
constexpr const char* WordFileName = "pelvor.dll";

constexpr int Margin = 8;
constexpr int Gap = 8;
constexpr int WindowClientWidth = 480;
constexpr int WindowClientHeight = 400;
constexpr int SearchBoxHeight = 21;
constexpr int TabsHeight = 24;
// The explanation boxes keep a fixed height at the bottom; the word lists take what is left.
constexpr int MemoHeight = 47;

void SetFace(TControl* Control, const char* Face) {
  Control->Font()->SetName(Face);
}

} // namespace

AnsiString ProgramDirectory() {
  if (!ProgramDirectoryOverride().empty())
    return ProgramDirectoryOverride();
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec)
    return AnsiString();
  AnsiString directory = exe.parent_path().string();
  if (directory.empty() || directory.back() != '/')
    directory += '/';
  return directory;
}

void SetProgramDirectory(const AnsiString& Directory) {
  AnsiString directory = Directory;
  if (!directory.empty() && directory.back() != '/')
    directory += '/';
  ProgramDirectoryOverride() = directory;
}

TMain* MainWindow() {
  return dynamic_cast<TMain*>(Application()->MainForm());
}

TMain::TMain(TComponent* AOwner) : TForm(AOwner) {
  SetName("Main");
  SetCaption("Ombesi Pelv\xF6r");
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientSize(WindowClientWidth, WindowClientHeight);
  CreateControls();
  OnCreate = TNotifyEvent(this, &TMain::FormCreate);
  OnDestroy = TNotifyEvent(this, &TMain::FormDestroy);
}

TMain::~TMain() = default;

void TMain::CreateControls() {
  const int width = WindowClientWidth - 2 * Margin;
  const int half = (width - Gap) / 2;
  int top = Margin;

  Arama = new TcxTextEdit(this);
  Arama->SetName("Arama");
  Arama->Properties()->SetCharCase(ecLowerCase);
  Arama->SetBounds(Margin, top, width, SearchBoxHeight);
  Arama->SetParent(this);
  Arama->SetTabOrder(0);
  top += SearchBoxHeight + Gap / 2;

  DilSecimi = new TcxTabControl(this);
  DilSecimi->SetName("DilSecimi");
  DilSecimi->Tabs()->Add("T\xFCrk\xE7"
                         "e - Lazca");
  DilSecimi->Tabs()->Add("Tavrik-Dedader");
  DilSecimi->SetBounds(Margin, top, width, TabsHeight);
  DilSecimi->SetParent(this);
  top += TabsHeight + Gap / 2;

  const int memoTop = WindowClientHeight - Margin - MemoHeight;
  const int listHeight = memoTop - Gap - top;
  ListSol = new TcxListBox(this);
  ListSol->SetName("ListSol");
  ListSol->SetSorted(true);
  ListSol->SetBounds(Margin, top, half, listHeight);
  ListSol->SetParent(this);
  ListSol->SetTabOrder(1);

  ListSag = new TcxListBox(this);
  ListSag->SetName("ListSag");
  ListSag->SetSorted(true);
  ListSag->SetBounds(Margin + half + Gap, top, width - half - Gap, listHeight);
  ListSag->SetParent(this);
  ListSag->SetTabOrder(2);
  top = memoTop;
  SolAciklama = new TcxMemo(this);
  SolAciklama->SetName("SolAciklama");
  SolAciklama->Properties()->SetReadOnly(true);
  SolAciklama->Properties()->SetScrollBars(ssVertical);
  SolAciklama->SetBounds(Margin, top, half, MemoHeight);
  SolAciklama->SetParent(this);
  SolAciklama->SetTabOrder(3);

  SagAciklama = new TcxMemo(this);
  SagAciklama->SetName("SagAciklama");
  SagAciklama->Properties()->SetReadOnly(true);
  SagAciklama->Properties()->SetScrollBars(ssVertical);
  SagAciklama->SetBounds(Margin + half + Gap, top, width - half - Gap, MemoHeight);
  SagAciklama->SetParent(this);
  SagAciklama->SetTabOrder(4);

  for (TControl* control : {static_cast<TControl*>(Arama), static_cast<TControl*>(DilSecimi),
                            static_cast<TControl*>(ListSol), static_cast<TControl*>(ListSag),
                            static_cast<TControl*>(SolAciklama), static_cast<TControl*>(SagAciklama)}) {
    control->Font()->SetName(TurkishFace);
    control->Font()->SetSize(8);
  }
  ApplyDirectionFonts();

  Arama->Properties()->OnChange = TNotifyEvent(this, &TMain::AramaChange);
  Arama->OnKeyDown = TKeyEvent(this, &TMain::AramaKeyDown);
  Arama->OnKeyPress = TKeyPressEvent(this, &TMain::AramaKeyPress);
  Arama->OnKeyUp = TKeyEvent(this, &TMain::AramaKeyUp);
  DilSecimi->OnChange = TNotifyEvent(this, &TMain::DilSecimiChange);
  ListSol->OnClick = TNotifyEvent(this, &TMain::ListSolClick);
  ListSol->OnKeyUp = TKeyEvent(this, &TMain::ListSolKeyUp);
  ListSag->OnClick = TNotifyEvent(this, &TMain::ListSagClick);
  ListSag->OnKeyUp = TKeyEvent(this, &TMain::ListSagKeyUp);
  SetActiveControl(Arama);
}

void TMain::ApplyDirectionFonts() {
  const bool turkishToLaz = TurkishToLaz();
  const char* source = turkishToLaz ? TurkishFace : LazFace;
  const char* target = turkishToLaz ? LazFace : TurkishFace;
  SetFace(Arama, source);
  SetFace(ListSol, source);
  SetFace(SolAciklama, source);
  SetFace(ListSag, target);
  SetFace(SagAciklama, target);
}

AnsiString TMain::WordFilePath() const {
  return ProgramDirectory() + WordFileName;
}

void TMain::FormCreate(TObject*) {
  FAllEntries.reset(new TPelvor);
  // The program keeps running without its words: the lists stay empty and the state says why.
  try {
    LoadDictionary();
  } catch (const Exception& e) {
    FWordFileState = TWordFileState::Unreadable;
    FWordFileError = e.Message();
    Application()->ShowException(e);
  }
}

void TMain::FormDestroy(TObject*) {
  // The controls go with the form after this; none of their handlers may reach the stores any more.
  Arama->Properties()->OnChange = nullptr;
  FSearch.Matches.Clear();
  FSearch.Headwords.clear();
  FIndex.Reset();
  FAllEntries.reset();
}

TPelvor* TMain::AllEntries() {
  FIndex.Wait();
  return FAllEntries.get();
}

bool TMain::IndexAnswers() {
  if (FSearchWay == TSearchWay::Scan)
    return false;
  // The index is only a faster way to the answer: words that are in memory are still found without it.
  try {
    if (!FIndex.Covers(*FAllEntries, SearchKey()))
      FIndex.Build(*FAllEntries, false);
    return true;
  } catch (const std::exception&) {
    FIndex.Reset();
    FSearchWay = TSearchWay::Scan;
    return false;
  }
}

TSearchWay TMain::SearchWay() {
  return FSearchWay == TSearchWay::Scan || FIndex.BuildFailed() ? TSearchWay::Scan : TSearchWay::Index;
}

void TMain::LoadDictionary() {
  FIndex.Reset();
  FSearchWay = TSearchWay::Index;
  FSearch.Matches.Clear();
  FSearch.Headwords.clear();
  FAllEntries->Clear();
  Arama->SetText("");
  ListSol->Items()->Clear();
  ListSag->Items()->Clear();
  SolAciklama->Clear();
  SagAciklama->Clear();

  const AnsiString path = WordFilePath();
  FWordFileError.clear();
  FWordFileState = TWordFileState::Unreadable;
  if (!WordFileExists(path)) {
    FWordFileState = TWordFileState::Missing;
  } else {
    try {
      LoadWordFile(path, *FAllEntries);
    } catch (...) {
      // A read cut short leaves no part of the words: the window comes up empty, and a shortage of memory
      // gives back what the read had taken.
      FAllEntries->Clear();
      throw;
    }
    FWordFileState = TWordFileState::Loaded;
    // The window comes up while the entries are put in order; the first key waits for them.
    FIndex.Build(*FAllEntries, true);
  }

  // Before the window is shown the form hands the focus over itself when it shows.
  if (Showing() && Arama->CanFocus())
    Arama->SetFocus();
  else
    SetActiveControl(Arama);
}

void TMain::DropStaleMatches() {
  // The matches are the store's own entries; once the store changed they may be gone.
  if (!FAllEntries || FSearchGeneration != FAllEntries->Generation()) {
    FSearch.Matches.Clear();
    FSearch.Headwords.clear();
  }
}

const TWordMatches* TMain::Matches() {
  DropStaleMatches();
  return &FSearch.Matches;
}

void TMain::SearchWords(WideString& Completion) {
  TStrings* left = ListSol->Items();
  // Each list and its scroll bar follow only the final items, not the emptied list in between.
  TUpdateBlock<TStrings> leftUpdate(*left);
  TUpdateBlock<TStrings> rightUpdate(*ListSag->Items());
  left->Clear();
  ListSag->Items()->Clear();
  SolAciklama->Clear();
  SagAciklama->Clear();
  FSearch.Matches.Clear();
  FSearch.Headwords.clear();
  Completion.clear();

  FSearchPrefix = FYazilan;
  FSearchKey = SearchKey();
  if (IndexAnswers())
    FIndex.Search(FSearchPrefix, FSearchKey, FSearch);
  else
    FIndex.Scan(*FAllEntries, FSearchPrefix, FSearchKey, FSearch);
  FSearchGeneration = FAllEntries->Generation();
  ListSol->AppendOrdered(FSearch.Headwords);
  std::vector<AnsiString>().swap(FSearch.Headwords);
  if (left->Count() == 0)
    return;
  ListSol->SetItemIndex(0);
  const WideString first = AnsiToWide(left->Strings(0));
  if (first.size() > FSearchPrefix.size())
    Completion = first.substr(FSearchPrefix.size());
  ShowTranslations();
}

void TMain::ShowTranslations() {
  DropStaleMatches();
  TStrings* right = ListSag->Items();
  TUpdateBlock<TStrings> rightUpdate(*right);
  right->Clear();
  const int selected = ListSol->ItemIndex();
  if (selected >= 0) {
    const WideString headword = AnsiToWide(ListSol->Items()->Strings(selected));
    const bool turkishToLaz = TurkishToLaz();
    const TKeyField key = SearchKey();
    std::vector<TKelime*> entries;
    if (key == FSearchKey && !FSearch.Matches.Entries().empty() && FSearchWay == TSearchWay::Index) {
      FIndex.EntriesWithKey(headword, FSearchPrefix, key, entries);
    } else {
      for (TKelime* entry : FSearch.Matches.Entries())
        if (KeyOf(entry, key) == headword)
          entries.push_back(entry);
    }
    AppendTranslations(entries, turkishToLaz);
  }
  if (right->Count() == 0)
    return;
  ListSag->SetItemIndex(0);
  ShowDetails();
}

void TMain::AppendTranslations(std::vector<TKelime*>& Entries, bool TurkishToLaz) {
  auto value = [TurkishToLaz](const TKelime* Entry) {
    return TurkishToLaz ? Entry->LazcaText() : Entry->TurkceText();
  };
  // The sorted list puts each item it takes before those equal to it, so equal items stand in the reverse
  // of the order they were offered in.
  std::reverse(Entries.begin(), Entries.end());
  auto less = [&](const TKelime* a, const TKelime* b) {
    const std::u16string_view va = value(a), vb = value(b);
    return va != vb && AnsiCompareText(WideToAnsi(va), WideToAnsi(vb)) < 0;
  };
  if (!std::is_sorted(Entries.begin(), Entries.end(), less))
    std::stable_sort(Entries.begin(), Entries.end(), less);
  // In slices, so that a headword with millions of translations never has all their texts twice in memory.
  constexpr std::size_t kSlice = 1 << 16;
  std::vector<AnsiString> slice;
  std::u16string_view lastValue;
  AnsiString lastAnsi;
  bool converted = false;
  for (std::size_t i = 0; i < Entries.size(); i += kSlice) {
    slice.clear();
    for (std::size_t j = i; j < std::min(Entries.size(), i + kSlice); ++j) {
      // Equal translations stand together; each run is converted once.
      const std::u16string_view v = value(Entries[j]);
      if (!converted || v != lastValue) {
        lastAnsi = WideToAnsi(v);
        lastValue = v;
        converted = true;
      }
      slice.push_back(lastAnsi);
    }
    ListSag->AppendOrdered(slice);
  }
}

void TMain::ShowDetails() {
  DropStaleMatches();
  if (ListSag->Items()->Count() == 0)
    return;
  TcxListBox* source = TurkishToLaz() ? ListSag : ListSol;
  const int selected = source->ItemIndex();
  if (selected < 0)
    return;
  const WideString laz = AnsiToWide(source->Items()->Strings(selected));
  const std::vector<TKelime*>& matches = FSearch.Matches.Entries();
  auto found = std::find_if(matches.begin(), matches.end(),
                            [&](const TKelime* entry) { return entry->LazcaText() == laz; });
  if (found == matches.end())
    return;

  try {
    const AnsiString turkish = WideToAnsi((*found)->Turkce() + u": " + (*found)->TurkceAciklama());
    const AnsiString lazPair = WideToAnsi((*found)->Lazca() + u": " + (*found)->LazcaAciklama());
    const bool turkishToLaz = TurkishToLaz();
    SolAciklama->SetText(turkishToLaz ? turkish : lazPair);
    SagAciklama->SetText(turkishToLaz ? lazPair : turkish);
  } catch (...) {
    // A failing explanation box must not take the search down with it; what was set stays.
  }
}

WideString TMain::ConvertLaz(const WideString& S) const {
  return ::ConvertLaz(S);
}

// The box changes its text while it handles the key, so the key tells whether the change is a deletion:
// Delete, Shift+Delete and Ctrl+Delete come as key downs, Backspace, Ctrl+Backspace and Ctrl+X as
// characters. Every other key clears the mark, and so does the release of the key that set it, so that a
// deleting key that changed nothing (Backspace in an empty box) leaves no mark for a later change.
void TMain::AramaKeyDown(TObject*, WORD& Key, TShiftState) {
  FAramaDeleting = Key == VK_DELETE;
}

void TMain::AramaKeyPress(TObject*, char& Key) {
  constexpr char CtrlBackspace = 127, CtrlX = 24;
  FAramaDeleting = Key == '\b' || Key == CtrlBackspace || Key == CtrlX;
}

void TMain::AramaKeyUp(TObject*, WORD&, TShiftState) {
  FAramaDeleting = false;
}

void TMain::AramaChange(TObject*) {
  if (FAramaChanging)
    return;
  // Completing after a deletion would put back at once what Backspace or Delete just took away, and the
  // user could never shorten the text; a deletion searches without completing. What the text looks like
  // cannot tell: a letter typed or pasted over a selection may leave what a deletion would.
  const bool deletion = std::exchange(FAramaDeleting, false);
  SearchAndComplete(Arama->Text(), !deletion);
}

void TMain::SearchAndComplete(const AnsiString& Text, bool Complete) {
  TFlagScope changing(FAramaChanging);
  SetYazilan(AnsiToWide(Text));
  WideString completion;
  SearchWords(completion);
  if (!Complete)
    completion.clear();
  const AnsiString typed = WideToAnsi(FYazilan);
  const AnsiString rest = WideToAnsi(completion);
  Arama->SetText(typed + rest);
  Arama->SetSelStart(int(typed.size()));
  Arama->SetSelLength(int(rest.size()));
}

void TMain::DilSecimiChange(TObject*) {
  ApplyDirectionFonts();
  // The search runs again on what the user typed, not on the completion offered in the other language.
  AnsiString text = Arama->Text();
  const int selStart = Arama->SelStart();
  if (Arama->SelLength() > 0 && selStart + Arama->SelLength() == int(text.size()))
    text.resize(std::size_t(selStart));
  SearchAndComplete(text, true);
}

void TMain::ListSolClick(TObject*) {
  ShowTranslations();
}

void TMain::ListSolKeyUp(TObject*, WORD&, TShiftState) {
  ShowTranslations();
}

void TMain::ListSagClick(TObject*) {
  ShowDetails();
}

void TMain::ListSagKeyUp(TObject*, WORD&, TShiftState) {
  ShowDetails();
}
