#pragma once
// The dictionary's main window: the search box, the direction tabs, the two word lists and the two
// explanation boxes, and the search that ties them together.
#include <memory>
#include <vector>

#include "editors/core/cxListBox.h"
#include "editors/core/cxMemo.h"
#include "editors/core/cxTextEdit.h"
#include "engine/Kelime.h"
#include "engine/WordIndex.h"
#include "pagecontrol/cxPC.h"
#include "platform/controls/Forms.h"

// How reading the word file went, for the program to report.
enum class TWordFileState { NotRead, Missing, Loaded, Unreadable };
// How searches are answered: by the index over the entries, or by a pass over them all when no index could
// be built (memory ran short). Both give the same answer.
enum class TSearchWay { Index, Scan };

// The word file is looked for in this directory; by default the directory of the running executable.
// Tests point it elsewhere before they create the window.
AnsiString ProgramDirectory();
void SetProgramDirectory(const AnsiString& Directory);

class TMain : public TForm {
  PELVOR_CLASS(TMain, TForm)
  explicit TMain(TComponent* AOwner);
  ~TMain() override;

  // Owned by the form, like every control on it.
  TcxTextEdit* Arama = nullptr;
  TcxTabControl* DilSecimi = nullptr;
  TcxListBox* ListSol = nullptr;
  TcxListBox* ListSag = nullptr;
  TcxMemo* SolAciklama = nullptr;
  TcxMemo* SagAciklama = nullptr;

  // The search text as typed, without the completed part.
  const WideString& Yazilan() const { return FYazilan; }
  void SetYazilan(const WideString& Value) { FYazilan = Value; }

  // Fills the store of all entries from the word file beside the program and gives the search box the
  // focus. A missing file leaves everything empty; a file that cannot be read raises its error.
  void LoadDictionary();
  // Lists every headword of the current direction that begins with Yazilan and answers the rest of the first
  // one as Completion; the translations and explanations of the first headword follow.
  void SearchWords(WideString& Completion);
  // The translations of the headword selected in the left list.
  void ShowTranslations();
  // The selected pair with its explanations in the two boxes. Never raises.
  void ShowDetails();
  WideString ConvertLaz(const WideString& S) const;

  // Waits for the index being built over the entries, so that the caller may change them.
  TPelvor* AllEntries();
  // The entries that answered the last search, as references into the store of all entries.
  const TWordMatches* Matches();
  TWordFileState WordFileState() const { return FWordFileState; }
  // How the next search is answered; waits for the index being built.
  TSearchWay SearchWay();
  // The error that stopped the reading of the word file, empty unless the state is Unreadable.
  const AnsiString& WordFileError() const { return FWordFileError; }
  AnsiString WordFilePath() const;

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void AramaChange(TObject* Sender);
  void AramaKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void AramaKeyPress(TObject* Sender, char& Key);
  void AramaKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);
  void DilSecimiChange(TObject* Sender);
  void ListSolClick(TObject* Sender);
  void ListSolKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);
  void ListSagClick(TObject* Sender);
  void ListSagKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);

private:
  void CreateControls();
  TKeyField SearchKey() const { return TurkishToLaz() ? TKeyField::Turkce : TKeyField::Lazca; }
  // Whether the index answers the current direction, rebuilt here when the entries changed since it was
  // built. False once it could not be built: the entries are scanned from then on.
  bool IndexAnswers();
  void DropStaleMatches();
  // Adds the translations of these entries, offered in this order, to the right list as it would place
  // them one by one.
  void AppendTranslations(std::vector<TKelime*>& Entries, bool TurkishToLaz);
  // Searches for Text as the typed part and writes it back into the search box, with the completion
  // selected after it when Complete is set.
  void SearchAndComplete(const AnsiString& Text, bool Complete);
  // Laz text in the Laz face, Turkish text in the Turkish one, on whichever side each language stands.
  void ApplyDirectionFonts();
  bool TurkishToLaz() const { return DilSecimi->TabIndex() == 0; }

  std::unique_ptr<TPelvor, TObjectDeleter> FAllEntries;
  TWordIndex FIndex;
  // What the last search found, and the prefix and direction it searched for.
  TWordIndex::TSearch FSearch;
  WideString FSearchPrefix;
  TKeyField FSearchKey = TKeyField::Turkce;
  std::uint64_t FSearchGeneration = 0;
  WideString FYazilan;
  // Set while the search box handles a key that deletes text.
  bool FAramaDeleting = false;
  bool FAramaChanging = false;
  TSearchWay FSearchWay = TSearchWay::Index;
  TWordFileState FWordFileState = TWordFileState::NotRead;
  AnsiString FWordFileError;
};

// The application's main window once it is a TMain, else nullptr.
TMain* MainWindow();
