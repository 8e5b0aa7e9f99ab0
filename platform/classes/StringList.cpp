#include "platform/classes/StringList.h"

#include <algorithm>
#include <cstring>

#include "platform/classes/Lists.h"
#include "platform/classes/Streams.h"

namespace {

// Calls Add(line) for each line of Text: lines end at CR, LF or CR LF, and a NUL ends the text.
template <class AddLine> void SplitLines(std::string_view text, AddLine add) {
  if (const void* nul = std::memchr(text.data(), 0, text.size()))
    text = text.substr(0, std::size_t(static_cast<const char*>(nul) - text.data()));
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* start = p;
    while (p < end && *p != '\r' && *p != '\n')
      ++p;
    add(std::string_view(start, std::size_t(p - start)));
    if (p < end && *p++ == '\r' && p < end && *p == '\n')
      ++p;
  }
}

std::size_t EstimateLines(std::string_view text) {
  return std::size_t(std::count(text.begin(), text.end(), '\n')) + 1;
}

bool NeedsQuotes(std::string_view s) {
  if (s.empty())
    return true;
  for (unsigned char c : s)
    if (c <= ' ' || c == '"' || c == ',')
      return true;
  return false;
}

} // namespace

void TStrings::IndexError(int Index) {
  throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

int TStrings::AddObject(const AnsiString& S, TObject* AObject) {
  const int index = GetCount();
  InsertObject(index, S, AObject);
  return index;
}

void TStrings::InsertObject(int Index, const AnsiString& S, TObject* AObject) {
  Insert(Index, S);
  if (AObject)
    PutObject(Index, AObject);
}

void TStrings::Put(int Index, const AnsiString& S) {
  TObject* object = GetObject(Index);
  TUpdateBlock update(*this);
  Delete(Index);
  InsertObject(Index, S, object);
}

void TStrings::Exchange(int Index1, int Index2) {
  const AnsiString s1 = Get(Index1), s2 = Get(Index2);
  TObject* o1 = GetObject(Index1);
  TObject* o2 = GetObject(Index2);
  TUpdateBlock update(*this);
  Put(Index1, s2);
  PutObject(Index1, o2);
  Put(Index2, s1);
  PutObject(Index2, o1);
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex)
    return;
  if (NewIndex < 0 || NewIndex >= GetCount())
    IndexError(NewIndex);
  const AnsiString s = Get(CurIndex);
  TObject* object = GetObject(CurIndex);
  TUpdateBlock update(*this);
  Delete(CurIndex);
  InsertObject(NewIndex, s, object);
}

void TStrings::AddStrings(TStrings* Strings) {
  if (!Strings)
    return;
  TUpdateBlock update(*this);
  const int n = Strings->Count();
  for (int i = 0; i < n; ++i)
    AddObject(Strings->Get(i), Strings->GetObject(i));
}

void TStrings::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TStrings*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this)
    return;
  TUpdateBlock update(*this);
  Clear();
  AddStrings(source);
}

bool TStrings::Equals(TStrings* Strings) const {
  if (!Strings || Strings->Count() != Count())
    return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != Strings->Get(i))
      return false;
  return true;
}

int TStrings::IndexOf(std::string_view S) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (CompareStrings(Get(i), S) == 0)
      return i;
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (GetObject(i) == AObject)
      return i;
  return -1;
}

AnsiString TStrings::Names(int Index) const {
  const AnsiString s = Get(Index);
  const auto p = s.find('=');
  return p == AnsiString::npos ? AnsiString() : s.substr(0, p);
}

int TStrings::IndexOfName(std::string_view Name) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    const AnsiString s = Get(i);
    const auto p = s.find('=');
    if (p != AnsiString::npos && CompareStrings(std::string_view(s).substr(0, p), Name) == 0)
      return i;
  }
  return -1;
}

AnsiString TStrings::ValueFromIndex(int Index) const {
  const AnsiString s = Get(Index);
  const auto p = s.find('=');
  return p == AnsiString::npos ? AnsiString() : s.substr(p + 1);
}

AnsiString TStrings::Values(std::string_view Name) const {
  const int i = IndexOfName(Name);
  return i < 0 ? AnsiString() : ValueFromIndex(i);
}

void TStrings::SetValues(std::string_view Name, std::string_view Value) {
  const int i = IndexOfName(Name);
  if (Value.empty()) {
    if (i >= 0)
      Delete(i);
    return;
  }
  AnsiString line;
  line.reserve(Name.size() + 1 + Value.size());
  line.append(Name).append("=").append(Value);
  if (i < 0)
    Add(line);
  else
    Put(i, line);
}

AnsiString TStrings::GetTextStr() const {
  AnsiString result;
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    result.append(Get(i)).append("\r\n");
  return result;
}

void TStrings::SetTextStr(std::string_view Value) {
  TUpdateBlock update(*this);
  Clear();
  SplitLines(Value, [this](std::string_view line) { Add(AnsiString(line)); });
}

AnsiString TStrings::CommaText() const {
  AnsiString result;
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    if (i)
      result += ',';
    const AnsiString s = Get(i);
    if (!NeedsQuotes(s)) {
      result += s;
      continue;
    }
    result += '"';
    for (char c : s) {
      if (c == '"')
        result += '"';
      result += c;
    }
    result += '"';
  }
  return result;
}

void TStrings::SetCommaText(std::string_view Value) {
  if (const void* nul = std::memchr(Value.data(), 0, Value.size()))
    Value = Value.substr(0, std::size_t(static_cast<const char*>(nul) - Value.data()));
  auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  TUpdateBlock update(*this);
  Clear();
  std::size_t p = 0;
  const std::size_t n = Value.size();
  while (p < n && isSpace(Value[p]))
    ++p;
  while (p < n) {
    AnsiString token;
    if (Value[p] == '"') {
      ++p;
      while (p < n) {
        if (Value[p] == '"') {
          if (p + 1 < n && Value[p + 1] == '"') {
            token += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        token += Value[p++];
      }
    }
    while (p < n && Value[p] != ',' && !isSpace(Value[p]))
      token += Value[p++];
    Add(token);
    while (p < n && isSpace(Value[p]))
      ++p;
    if (p < n && Value[p] == ',') {
      ++p;
      while (p < n && isSpace(Value[p]))
        ++p;
      if (p == n)
        Add(AnsiString()); // a trailing comma stands for an empty last string
    }
  }
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0)
    SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  // An unbalanced EndUpdate is ignored rather than driving the count negative, which would silence every
  // later change event.
  if (FUpdateCount == 0)
    return;
  if (--FUpdateCount == 0)
    SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream* Stream) {
  const std::int64_t available = Stream->Size() - Stream->Position();
  AnsiString buffer;
  if (available > 0) {
    buffer.resize(std::size_t(available));
    buffer.resize(std::size_t(Stream->Read(buffer.data(), available)));
  }
  SetTextStr(buffer);
}

void TStrings::SaveToStream(TStream* Stream) const {
  const AnsiString text = GetTextStr();
  Stream->WriteBuffer(text.data(), std::int64_t(text.size()));
}

void TStrings::LoadFromFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::SaveToFile(const AnsiString& FileName) const {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

int TStrings::CompareStrings(std::string_view S1, std::string_view S2) const {
  return AnsiCompareText(S1, S2);
}

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= GetCount())
    IndexError(Index);
}

void TStringList::CheckNotSorted() const {
  if (FSorted)
    throw EStringListError("Operation not allowed on sorted list");
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging)
    OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange)
    OnChange(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

AnsiString TStringList::Get(int Index) const {
  CheckIndex(Index);
  return FList[std::size_t(Index)].FString;
}

void TStringList::Put(int Index, const AnsiString& S) {
  CheckNotSorted();
  CheckIndex(Index);
  Changing();
  FList[std::size_t(Index)].FString = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return FList[std::size_t(Index)].FObject;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  FList[std::size_t(Index)].FObject = AObject;
  Changed();
}

void TStringList::InsertItem(int Index, const AnsiString& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

int TStringList::AddObject(const AnsiString& S, TObject* AObject) {
  int index = GetCount();
  if (FSorted && Find(S, index)) {
    switch (FDuplicates) {
    case dupIgnore:
      return index;
    case dupError:
      throw EStringListError("String list does not allow duplicates");
    case dupAccept:
      // After the equal strings already there, as a stable sort of the same additions would place it.
      while (index < GetCount() && CompareStrings(FList[std::size_t(index)].FString, S) == 0)
        ++index;
      break;
    }
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::Insert(int Index, const AnsiString& S) {
  CheckNotSorted();
  if (Index < 0 || Index > GetCount())
    IndexError(Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty())
    return;
  Changing();
  std::vector<TStringItem>().swap(FList);
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckNotSorted();
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(FList[std::size_t(Index1)], FList[std::size_t(Index2)]);
  Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex)
    return;
  CheckNotSorted();
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  Changing();
  auto first = FList.begin();
  if (NewIndex < CurIndex)
    std::rotate(first + NewIndex, first + CurIndex, first + CurIndex + 1);
  else
    std::rotate(first + CurIndex, first + CurIndex + 1, first + NewIndex + 1);
  Changed();
}

int TStringList::IndexOf(std::string_view S) const {
  if (!FSorted)
    return TStrings::IndexOf(S);
  int index = -1;
  return Find(S, index) ? index : -1;
}

bool TStringList::Find(std::string_view S, int& Index) const {
  int lo = 0, hi = GetCount() - 1;
  bool found = false;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = CompareStrings(FList[std::size_t(mid)].FString, S);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0)
        found = true;
    }
  }
  Index = lo;
  return found;
}

void TStringList::Reorder(const std::vector<int>& order) {
  std::vector<TStringItem> sorted;
  sorted.reserve(FList.size());
  for (int i : order)
    sorted.push_back(std::move(FList[std::size_t(i)]));
  FList.swap(sorted);
}

void TStringList::Sort() {
  if (GetCount() < 2)
    return;
  Changing();
  Reorder(SortedPermutation(GetCount(), [this](int a, int b) {
    return CompareStrings(FList[std::size_t(a)].FString, FList[std::size_t(b)].FString) < 0;
  }));
  Changed();
}

void TStringList::CustomSort(TStringListSortCompare Compare) {
  if (!Compare || GetCount() < 2)
    return;
  Changing();
  Reorder(SortedPermutation(GetCount(), [this, Compare](int a, int b) { return Compare(this, a, b) < 0; }));
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (Value == FSorted)
    return;
  if (Value)
    Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive)
    return;
  FCaseSensitive = Value;
  if (FSorted)
    Sort();
}

int TStringList::CompareStrings(std::string_view S1, std::string_view S2) const {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

AnsiString TStringList::GetTextStr() const {
  std::size_t size = 0;
  for (const TStringItem& item : FList)
    size += item.FString.size() + 2;
  AnsiString result;
  result.reserve(size);
  for (const TStringItem& item : FList)
    result.append(item.FString).append("\r\n");
  return result;
}

void TStringList::SetTextStr(std::string_view Value) {
  std::vector<TStringItem> lines;
  lines.reserve(EstimateLines(Value));
  SplitLines(Value, [&lines](std::string_view line) {
    lines.push_back(TStringItem{AnsiString(line), nullptr});
  });
  TUpdateBlock update(*this);
  ReplaceLines(std::move(lines));
}

void TStringList::ReplaceLines(std::vector<TStringItem>&& Lines) {
  if (FSorted && Lines.size() > 1) {
    // Sorting the whole batch once keeps a large load linearithmic; adding line by line into a sorted
    // vector would move the tail for every line.
    const std::vector<int> order = SortedPermutation(int(Lines.size()), [&Lines, this](int a, int b) {
      return CompareStrings(Lines[std::size_t(a)].FString, Lines[std::size_t(b)].FString) < 0;
    });
    std::vector<TStringItem> sorted;
    sorted.reserve(Lines.size());
    for (int i : order) {
      TStringItem& item = Lines[std::size_t(i)];
      if (FDuplicates != dupAccept && !sorted.empty() &&
          CompareStrings(sorted.back().FString, item.FString) == 0) {
        if (FDuplicates == dupError)
          throw EStringListError("String list does not allow duplicates");
        continue; // the first of equal strings stays, as adding them one by one would keep it
      }
      sorted.push_back(std::move(item));
    }
    Lines.swap(sorted);
  }
  Changing();
  FList.swap(Lines);
  Changed();
}
