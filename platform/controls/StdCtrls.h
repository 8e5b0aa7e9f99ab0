#pragma once
// The library's edit and memo: windowed controls over the platform's EDIT class, which does the typing,
// the selection and the drawing; these classes keep their settings while no window exists and hand them
// to each new window.
#include <memory>

#include "platform/classes/Alignment.h"
#include "platform/classes/StringList.h"
#include "platform/controls/Controls.h"
#include "platform/controls/Forms.h"

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TScrollBarKind { sbHorizontal, sbVertical };
// The scroll codes in the order of the platform's SB_ numbers.
enum TScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};
using TScrollBarInc = short;
using TScrollEvent = TEvent<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;
// Only bsNone and bsSingle apply to an edit.
using TBorderStyle = TFormBorderStyle;

class TCustomEdit : public TWinControl {
  PELVOR_CLASS(TCustomEdit, TWinControl)
  explicit TCustomEdit(TComponent* AOwner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { FAutoSelect = Value; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  // 0 is no limit of the control's own.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool Value);
  bool Modified();
  void SetModified(bool Value);
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);

  // Selection in characters; without a window the selection is empty.
  int SelStart();
  void SetSelStart(int Value);
  int SelLength();
  void SetSelLength(int Value);
  AnsiString SelText();
  void SetSelText(const AnsiString& Value);

  bool CanUndo();
  void Clear();
  void ClearSelection();
  void ClearUndo();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void SelectAll();
  void Undo();

  TNotifyEvent OnChange;

protected:
  // The handler below of the same name takes the raw message; the platform's stays reachable beside it.
  using TWinControl::CMEnter;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& Message) override;
  virtual void Change();
  // Sets or clears style bits on the live window, which reads its style whenever it needs it.
  void UpdateStyle(DWORD Bits, bool On);

private:
  void CNCommand(TMessage& Message);
  void CMEnter(TMessage& Message);

  TAlignment FAlignment = taLeftJustify;
  bool FAutoSelect = true;
  TBorderStyle FBorderStyle = bsSingle;
  TEditCharCase FCharCase = ecNormal;
  bool FHideSelection = true;
  int FMaxLength = 0;
  bool FModified = false;
  bool FOEMConvert = false;
  char FPasswordChar = 0;
  bool FReadOnly = false;
  bool FCreating = false;
};

class TEdit : public TCustomEdit {
  PELVOR_CLASS(TEdit, TCustomEdit)
  using TCustomEdit::TCustomEdit;
};

class TCustomMemo : public TCustomEdit {
  PELVOR_CLASS(TCustomMemo, TCustomEdit)
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;

  // A view over the lines of the window's text: a line the window wraps into several rows is one line.
  // Using it creates the window.
  TStrings* Lines() const { return FLines.get(); }
  void SetLines(TStrings* Value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value);
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value) { FWantTabs = Value; }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // The caret as a column (X) in a line (Y).
  TPoint CaretPos();
  void SetCaretPos(const TPoint& Value);

protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;
  void KeyPress(char& Key) override;

private:
  std::unique_ptr<TStrings> FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FWantReturns = true;
  bool FWantTabs = false;
  bool FWordWrap = true;
};

class TMemo : public TCustomMemo {
  PELVOR_CLASS(TMemo, TCustomMemo)
  using TCustomMemo::TCustomMemo;
};
