#include "platform/controls/StdCtrls.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/controls/Messages.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Edit.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"

namespace {

// The memo's lines, read from and written to its window through the line messages.
// A memo's lines are its text's, broken where the window breaks them (CR LF, or a lone CR or LF) and not
// where it wraps them: a program reads back the lines it wrote, an operation of several steps on them is not
// thrown off by the wrapping its first step changes, and the caret's line is one of them.
struct MemoLine {
  std::size_t start;
  std::size_t length;
};

std::vector<MemoLine> SplitMemoText(const AnsiString& AText) {
  std::vector<MemoLine> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] != '\r' && AText[i] != '\n')
      continue;
    lines.push_back({start, i - start});
    if (AText[i] == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n')
      ++i;
    start = i + 1;
  }
  lines.push_back({start, AText.size() - start});
  return lines;
}

class TMemoStrings : public TStrings {
  PELVOR_CLASS(TMemoStrings, TStrings)
  explicit TMemoStrings(TCustomMemo* AMemo) : FMemo(AMemo) {}

  // The memo goes while one of the lines' own operations of several steps runs (a change handler it raised
  // freed the memo): the lines outlive it until that operation ends, writing nowhere, so that the operation
  // does not go on in freed memory. Returns whether the lines stay for that.
  bool OutliveMemo() {
    if (UpdateCount() == 0)
      return false;
    FMemo = nullptr;
    return true;
  }

  void Insert(int Index, const AnsiString& S) override {
    if (!FMemo)
      return;
    const AnsiString text = FMemo->Text();
    Apply(Inserting(text, Index, S));
  }

  void Delete(int Index) override {
    if (!FMemo)
      return;
    const AnsiString text = FMemo->Text();
    Apply(Deleting(text, Index));
  }

  // Operations of several steps write once: a change handler run between the steps would see half of the
  // operation, and what it wrote there would throw the later steps off.
  void Exchange(int Index1, int Index2) override {
    if (!FMemo)
      return;
    const AnsiString text = FMemo->Text();
    const std::vector<MemoLine> lines = SplitMemoText(text);
    for (int index : {Index1, Index2})
      if (index < 0 || index >= Count(lines))
        IndexError(index);
    if (Index1 == Index2)
      return;
    const MemoLine& a = lines[std::size_t(std::min(Index1, Index2))];
    const MemoLine& b = lines[std::size_t(std::max(Index1, Index2))];
    const std::size_t between = a.start + a.length;
    Replace(a.start, b.start + b.length,
            text.substr(b.start, b.length) + text.substr(between, b.start - between) +
                text.substr(a.start, a.length));
  }

  void Move(int CurIndex, int NewIndex) override {
    if (!FMemo || CurIndex == NewIndex)
      return;
    const AnsiString text = FMemo->Text();
    const std::vector<MemoLine> lines = SplitMemoText(text);
    if (CurIndex < 0 || CurIndex >= Count(lines))
      IndexError(CurIndex);
    const MemoLine& line = lines[std::size_t(CurIndex)];
    const AnsiString without = Applied(text, Deleting(text, CurIndex));
    const AnsiString moved =
        Applied(without, Inserting(without, NewIndex, text.substr(line.start, line.length)));
    // Only the part that changed is written.
    std::size_t head = 0;
    while (head < text.size() && head < moved.size() && text[head] == moved[head])
      ++head;
    std::size_t tail = 0;
    while (tail < text.size() - head && tail < moved.size() - head &&
           text[text.size() - 1 - tail] == moved[moved.size() - 1 - tail])
      ++tail;
    Replace(head, text.size() - tail, moved.substr(head, moved.size() - head - tail));
  }

  void Clear() override {
    if (FMemo)
      FMemo->Clear();
  }

protected:
  AnsiString Get(int Index) const override {
    if (!FMemo)
      return AnsiString();
    const AnsiString text = FMemo->Text();
    const std::vector<MemoLine> lines = SplitMemoText(text);
    if (Index < 0 || Index >= Count(lines))
      IndexError(Index);
    const MemoLine& line = lines[std::size_t(Index)];
    return text.substr(line.start, line.length);
  }

  void Put(int Index, const AnsiString& S) override {
    if (!FMemo)
      return;
    const std::vector<MemoLine> lines = SplitMemoText(FMemo->Text());
    if (Index < 0 || Index >= Count(lines))
      IndexError(Index);
    const MemoLine& line = lines[std::size_t(Index)];
    Replace(line.start, line.start + line.length, S);
  }

  int GetCount() const override { return FMemo ? Count(SplitMemoText(FMemo->Text())) : 0; }

  AnsiString GetTextStr() const override { return FMemo ? FMemo->Text() : AnsiString(); }

  void SetTextStr(std::string_view Value) override {
    // The memo shows the text as it stands; only lone CR or LF become the platform's line break.
    AnsiString text;
    text.reserve(Value.size());
    for (std::size_t i = 0; i < Value.size(); ++i) {
      char c = Value[i];
      if (c == '\0')
        break;
      if (c == '\r' || c == '\n') {
        if (c == '\r' && i + 1 < Value.size() && Value[i + 1] == '\n')
          ++i;
        text += "\r\n";
      } else {
        text += c;
      }
    }
    if (FMemo)
      FMemo->SetText(text);
  }

  void SetUpdateState(bool Updating) override {
    // The operation that kept the lines past their memo has ended: nothing of the lines is used after this.
    if (!FMemo) {
      if (!Updating)
        delete this;
      return;
    }
    if (!FMemo->HandleAllocated())
      return;
    SendMessageA(FMemo->Handle(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
    if (!Updating)
      FMemo->Refresh();
  }

private:
  // A write of the text: its span [start, end) becomes with.
  struct Edit {
    std::size_t start, end;
    AnsiString with;
  };
  static Edit Inserting(const AnsiString& AText, int Index, const AnsiString& S) {
    const std::vector<MemoLine> lines = SplitMemoText(AText);
    const int count = Count(lines);
    if (Index < 0 || Index > count)
      IndexError(Index);
    std::size_t at = AText.size();
    AnsiString line = S + "\r\n";
    if (Index < count)
      at = lines[std::size_t(Index)].start;
    // After a last line without its break, the new line needs one before it.
    else if (count > 0 && lines.back().length > 0)
      line = "\r\n" + line;
    return {at, at, line};
  }
  static Edit Deleting(const AnsiString& AText, int Index) {
    const std::vector<MemoLine> lines = SplitMemoText(AText);
    if (Index < 0 || Index >= Count(lines))
      IndexError(Index);
    const auto i = std::size_t(Index);
    std::size_t start = lines[i].start;
    std::size_t end = AText.size();
    if (i + 1 < lines.size())
      end = lines[i + 1].start;
    // The last line takes the break before it along, so that no empty line is left behind.
    else if (i > 0)
      start = lines[i - 1].start + lines[i - 1].length;
    return {start, end, AnsiString()};
  }
  static AnsiString Applied(const AnsiString& AText, const Edit& AEdit) {
    return AText.substr(0, AEdit.start) + AEdit.with + AText.substr(AEdit.end);
  }
  void Apply(const Edit& AEdit) { Replace(AEdit.start, AEdit.end, AEdit.with); }
  // A text that ends with a line break shows an empty last line, which is not one of the strings.
  static int Count(const std::vector<MemoLine>& ALines) {
    return int(ALines.size()) - (ALines.back().length == 0 ? 1 : 0);
  }
  void Replace(std::size_t AStart, std::size_t AEnd, const AnsiString& S) {
    HWND h = FMemo->Handle();
    SendMessageA(h, EM_SETSEL, WPARAM(AStart), LPARAM(AEnd));
    SendMessageA(h, EM_REPLACESEL, 0, LPARAM(S.c_str()));
  }

  TCustomMemo* FMemo; // the memo owns this view; null once it went before an operation on the lines ended
};

} // namespace

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(Left(), Top(), 121, 21);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  FControlStyle.Include(csClickEvents);
  FControlStyle.Include(csSetCaption);
  FControlStyle.Include(csDoubleClicks);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "EDIT");
  Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  static const DWORD alignments[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  static const DWORD cases[] = {0, ES_UPPERCASE, ES_LOWERCASE};
  Params.Style |= alignments[FAlignment] | cases[FCharCase];
  if (FBorderStyle == bsSingle)
    Params.ExStyle |= WS_EX_CLIENTEDGE;
  if (!FHideSelection)
    Params.Style |= ES_NOHIDESEL;
  if (FReadOnly)
    Params.Style |= ES_READONLY;
  if (FOEMConvert)
    Params.Style |= ES_OEMCONVERT;
  if (FPasswordChar)
    Params.Style |= ES_PASSWORD;
}

void TCustomEdit::CreateWnd() {
  FCreating = true;
  try {
    TWinControl::CreateWnd();
  } catch (...) {
    FCreating = false;
    throw;
  }
  FCreating = false;
  SendMessageA(Handle(), EM_LIMITTEXT, WPARAM(FMaxLength), 0);
  SendMessageA(Handle(), EM_SETPASSWORDCHAR, WPARAM(BYTE(FPasswordChar)), 0);
  SendMessageA(Handle(), EM_SETMODIFY, FModified, 0);
}

void TCustomEdit::DestroyWnd() {
  FModified = Modified();
  TWinControl::DestroyWnd();
}

void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
  case CN_COMMAND:
    CNCommand(Message);
    break;
  case CM_ENTER:
    CMEnter(Message);
    break;
  default:
    TWinControl::Dispatch(Message);
    break;
  }
}

void TCustomEdit::CNCommand(TMessage& Message) {
  if (HIWORD(Message.WParam) == EN_CHANGE && !FCreating)
    Change();
}

void TCustomEdit::CMEnter(TMessage& Message) {
  auto alive = AliveToken();
  TWinControl::Dispatch(Message);
  if (!*alive)
    return;
  // Entering by the keyboard selects everything; a click has already placed the caret where it wants it.
  if (FAutoSelect && GetKeyState(VK_LBUTTON) >= 0 && HandleAllocated() &&
      !(GetWindowLongA(Handle(), GWL_STYLE) & ES_MULTILINE))
    SelectAll();
}

void TCustomEdit::Change() {
  if (OnChange)
    OnChange(this);
}

void TCustomEdit::UpdateStyle(DWORD Bits, bool On) {
  if (!HandleAllocated())
    return;
  DWORD style = DWORD(GetWindowLongA(Handle(), GWL_STYLE));
  DWORD wanted = On ? (style | Bits) : (style & ~Bits);
  if (wanted != style) {
    SetWindowLongA(Handle(), GWL_STYLE, LONG(wanted));
    Invalidate();
  }
}

void TCustomEdit::SetAlignment(TAlignment Value) {
  if (FAlignment == Value)
    return;
  FAlignment = Value;
  UpdateStyle(ES_CENTER | ES_RIGHT, false);
  UpdateStyle(Value == taRightJustify ? ES_RIGHT : Value == taCenter ? ES_CENTER : DWORD(0), true);
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value)
    return;
  FBorderStyle = Value;
  if (HandleAllocated())
    RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  if (FCharCase == Value)
    return;
  FCharCase = Value;
  UpdateStyle(ES_UPPERCASE | ES_LOWERCASE, false);
  UpdateStyle(Value == ecUpperCase ? ES_UPPERCASE : Value == ecLowerCase ? ES_LOWERCASE : DWORD(0), true);
}

void TCustomEdit::SetHideSelection(bool Value) {
  if (FHideSelection == Value)
    return;
  FHideSelection = Value;
  UpdateStyle(ES_NOHIDESEL, !Value);
}

void TCustomEdit::SetOEMConvert(bool Value) {
  FOEMConvert = Value;
  UpdateStyle(ES_OEMCONVERT, Value);
}

void TCustomEdit::SetMaxLength(int Value) {
  FMaxLength = std::max(0, Value);
  if (HandleAllocated())
    SendMessageA(Handle(), EM_LIMITTEXT, WPARAM(FMaxLength), 0);
}

bool TCustomEdit::Modified() {
  if (HandleAllocated())
    FModified = SendMessageA(Handle(), EM_GETMODIFY, 0, 0) != 0;
  return FModified;
}

void TCustomEdit::SetModified(bool Value) {
  FModified = Value;
  if (HandleAllocated())
    SendMessageA(Handle(), EM_SETMODIFY, Value, 0);
}

void TCustomEdit::SetPasswordChar(char Value) {
  if (FPasswordChar == Value)
    return;
  FPasswordChar = Value;
  if (HandleAllocated())
    SendMessageA(Handle(), EM_SETPASSWORDCHAR, WPARAM(BYTE(Value)), 0);
}

void TCustomEdit::SetReadOnly(bool Value) {
  FReadOnly = Value;
  if (HandleAllocated())
    SendMessageA(Handle(), EM_SETREADONLY, Value, 0);
}

int TCustomEdit::SelStart() {
  if (!HandleAllocated())
    return 0;
  DWORD start = 0;
  SendMessageA(Handle(), EM_GETSEL, WPARAM(&start), 0);
  return int(start);
}

void TCustomEdit::SetSelStart(int Value) {
  if (HandleAllocated())
    SendMessageA(Handle(), EM_SETSEL, WPARAM(DWORD(Value)), LPARAM(DWORD(Value)));
}

int TCustomEdit::SelLength() {
  if (!HandleAllocated())
    return 0;
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
  return int(end - start);
}

void TCustomEdit::SetSelLength(int Value) {
  if (!HandleAllocated())
    return;
  DWORD start = 0;
  SendMessageA(Handle(), EM_GETSEL, WPARAM(&start), 0);
  // A length past either end of the text stops there, rather than wrapping round to the other side.
  const long long end = std::clamp<long long>((long long)start + Value, 0, INT_MAX);
  SendMessageA(Handle(), EM_SETSEL, WPARAM(start), LPARAM(DWORD(end)));
  SendMessageA(Handle(), EM_SCROLLCARET, 0, 0);
}

AnsiString TCustomEdit::SelText() {
  AnsiString text = Text();
  auto start = std::size_t(SelStart());
  if (start > text.size())
    return {};
  return text.substr(start, std::size_t(SelLength()));
}

void TCustomEdit::SetSelText(const AnsiString& Value) {
  SendMessageA(Handle(), EM_REPLACESEL, 0, LPARAM(Value.c_str()));
}

bool TCustomEdit::CanUndo() {
  return HandleAllocated() && SendMessageA(Handle(), EM_CANUNDO, 0, 0) != 0;
}

void TCustomEdit::Clear() {
  SetText("");
}

void TCustomEdit::ClearSelection() {
  SendMessageA(Handle(), WM_CLEAR, 0, 0);
}

void TCustomEdit::ClearUndo() {
  if (HandleAllocated())
    SendMessageA(Handle(), EM_EMPTYUNDOBUFFER, 0, 0);
}

void TCustomEdit::CopyToClipboard() {
  SendMessageA(Handle(), WM_COPY, 0, 0);
}

void TCustomEdit::CutToClipboard() {
  SendMessageA(Handle(), WM_CUT, 0, 0);
}

void TCustomEdit::PasteFromClipboard() {
  SendMessageA(Handle(), WM_PASTE, 0, 0);
}

void TCustomEdit::SelectAll() {
  if (HandleAllocated())
    SendMessageA(Handle(), EM_SETSEL, 0, LPARAM(-1));
}

void TCustomEdit::Undo() {
  if (HandleAllocated())
    SendMessageA(Handle(), WM_UNDO, 0, 0);
}

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(new TMemoStrings(this)) {
  SetBounds(Left(), Top(), 185, 89);
  SetAutoSelect(false);
}

TCustomMemo::~TCustomMemo() {
  if (static_cast<TMemoStrings*>(FLines.get())->OutliveMemo())
    FLines.release();
}

void TCustomMemo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= ES_MULTILINE;
  if (FWordWrap && FScrollBars != ssHorizontal && FScrollBars != ssBoth)
    Params.Style &= ~DWORD(ES_AUTOHSCROLL);
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
    Params.Style |= WS_HSCROLL;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth)
    Params.Style |= WS_VSCROLL;
  if (FWantReturns)
    Params.Style |= ES_WANTRETURN;
}

void TCustomMemo::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
  case WM_GETDLGCODE:
    TCustomEdit::Dispatch(Message);
    if (FWantTabs)
      Message.Result |= DLGC_WANTTAB;
    else
      Message.Result &= ~LRESULT(DLGC_WANTTAB);
    if (!FWantReturns)
      Message.Result &= ~LRESULT(DLGC_WANTALLKEYS);
    break;
  case CM_TEXTCHANGED:
    // The platform reports no change for text the program gives a multi-line window, so the memo does.
    TCustomEdit::Dispatch(Message);
    Change();
    break;
  default:
    TCustomEdit::Dispatch(Message);
    break;
  }
}

void TCustomMemo::KeyPress(char& Key) {
  TCustomEdit::KeyPress(Key);
  if ((Key == '\t' && !FWantTabs) || (Key == '\r' && !FWantReturns))
    Key = 0;
}

void TCustomMemo::SetLines(TStrings* Value) {
  FLines->Assign(Value);
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value)
    return;
  FScrollBars = Value;
  if (HandleAllocated())
    RecreateWnd();
}

void TCustomMemo::SetWantReturns(bool Value) {
  FWantReturns = Value;
  UpdateStyle(ES_WANTRETURN, Value);
}

void TCustomMemo::SetWordWrap(bool Value) {
  if (FWordWrap == Value)
    return;
  FWordWrap = Value;
  if (HandleAllocated())
    RecreateWnd();
}

// The caret's line is one of the memo's lines, not a row the window wraps a line into.
TPoint TCustomMemo::CaretPos() {
  HWND h = Handle();
  if (!h)
    return TPoint{};
  DWORD start = 0, end = 0;
  SendMessageA(h, EM_GETSEL, WPARAM(&start), LPARAM(&end));
  // The caret is at whichever end of the selection is active; the platform answers the ordered pair, so
  // the end is taken, as after typing or a click.
  const std::vector<MemoLine> lines = SplitMemoText(Text());
  std::size_t line = 0;
  while (line + 1 < lines.size() && lines[line + 1].start <= end)
    ++line;
  return TPoint{int(end - lines[line].start), int(line)};
}

void TCustomMemo::SetCaretPos(const TPoint& Value) {
  HWND h = Handle();
  if (!h)
    return;
  const AnsiString text = Text();
  const std::vector<MemoLine> lines = SplitMemoText(text);
  const auto line = std::size_t(std::max(0, int(Value.y)));
  const std::size_t pos =
      line < lines.size() ? lines[line].start + std::size_t(std::max(0, int(Value.x))) : text.size();
  SendMessageA(h, EM_SETSEL, WPARAM(pos), LPARAM(pos));
  SendMessageA(h, EM_SCROLLCARET, 0, 0);
}
