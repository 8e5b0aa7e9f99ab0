#pragma once
// Lists of 8-bit strings, each with an associated object: the abstract TStrings that controls implement
// over their own storage, and the stand-alone TStringList.
#include <vector>

#include "platform/classes/Events.h"
#include "platform/classes/Persistent.h"

class TStream;

class TStrings : public TPersistent {
  PELVOR_CLASS(TStrings, TPersistent)

  int Count() const { return GetCount(); }
  AnsiString Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const AnsiString& S) { Put(Index, S); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  // Answers the index at which S now stands.
  int Add(const AnsiString& S) { return AddObject(S, nullptr); }
  virtual int AddObject(const AnsiString& S, TObject* AObject);
  virtual void Insert(int Index, const AnsiString& S) = 0;
  void InsertObject(int Index, const AnsiString& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  virtual void AddStrings(TStrings* Strings);
  void Assign(TPersistent* Source) override;
  bool Equals(TStrings* Strings) const;

  virtual int IndexOf(std::string_view S) const;
  int IndexOfObject(TObject* AObject) const;

  // "name=value" lines: the name is what stands before the first '=', empty when there is none.
  AnsiString Names(int Index) const;
  int IndexOfName(std::string_view Name) const;
  AnsiString Values(std::string_view Name) const;
  // Sets the value of the first line of that name, adds a line when none has it, deletes it for "".
  void SetValues(std::string_view Name, std::string_view Value);
  AnsiString ValueFromIndex(int Index) const;

  // The lines, each followed by CR LF (the last one too).
  AnsiString Text() const { return GetTextStr(); }
  // Splits at CR, LF or CR LF; a NUL ends the text.
  void SetText(std::string_view Value) { SetTextStr(Value); }
  // Comma-separated; a string that is empty or holds a space, control character, comma or quote is quoted
  // with '"' and its quotes doubled. Reading also takes spaces as separators outside quotes.
  AnsiString CommaText() const;
  void SetCommaText(std::string_view Value);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream) const;
  void LoadFromFile(const AnsiString& FileName);
  void SaveToFile(const AnsiString& FileName) const;

  // The order and equality of strings in this list; the locale's case-insensitive comparison by default.
  virtual int CompareStrings(std::string_view S1, std::string_view S2) const;

protected:
  virtual AnsiString Get(int Index) const = 0;
  virtual void Put(int Index, const AnsiString& S);
  virtual TObject* GetObject(int Index) const { return (void)Index, nullptr; }
  virtual void PutObject(int Index, TObject* AObject) { (void)Index, (void)AObject; }
  virtual int GetCount() const = 0;
  virtual AnsiString GetTextStr() const;
  virtual void SetTextStr(std::string_view Value);
  // Called when the outermost update begins (true) and ends (false).
  virtual void SetUpdateState(bool Updating) { (void)Updating; }
  [[noreturn]] static void IndexError(int Index);

private:
  int FUpdateCount = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = int (*)(TStringList* List, int Index1, int Index2);

class TStringList : public TStrings {
  PELVOR_CLASS(TStringList, TStrings)

  TStringList() = default;
  ~TStringList() override;

  // Reading through a TStringList hands out the stored string itself, so walking a large list copies nothing.
  const AnsiString& Strings(int Index) const {
    CheckIndex(Index);
    return FList[std::size_t(Index)].FString;
  }

  int AddObject(const AnsiString& S, TObject* AObject) override;
  void Insert(int Index, const AnsiString& S) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(std::string_view S) const override;
  // Binary search of a sorted list: true when found, with Index at the first equal string; otherwise Index
  // is where S would be inserted.
  bool Find(std::string_view S, int& Index) const;
  // Stable sorts: equal strings keep their order.
  virtual void Sort();
  virtual void CustomSort(TStringListSortCompare Compare);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  // Applies to sorted lists only.
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);
  int CompareStrings(std::string_view S1, std::string_view S2) const override;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  AnsiString Get(int Index) const override;
  void Put(int Index, const AnsiString& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  int GetCount() const override { return int(FList.size()); }
  AnsiString GetTextStr() const override;
  void SetTextStr(std::string_view Value) override;
  void SetUpdateState(bool Updating) override;
  virtual void Changed();
  virtual void Changing();
  void InsertItem(int Index, const AnsiString& S, TObject* AObject);

private:
  struct TStringItem {
    AnsiString FString;
    TObject* FObject = nullptr; // borrowed
  };
  void CheckIndex(int Index) const;
  void CheckNotSorted() const;
  void Reorder(const std::vector<int>& order);
  // Replaces the contents with Lines (sorted and checked for duplicates when the list is sorted).
  void ReplaceLines(std::vector<TStringItem>&& Lines);

  std::vector<TStringItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = dupIgnore;
};
