#pragma once
// The multi-line text editor around a platform memo.
#include "editors/core/cxTextEdit.h"

class TcxCustomMemoProperties : public TcxCustomTextEditProperties {
  PELVOR_CLASS(TcxCustomMemoProperties, TcxCustomTextEditProperties)
  explicit TcxCustomMemoProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() const override;
  TClass GetViewDataClass() const override;
  bool IsMultiLine() const override { return true; }
  bool WantsTabKey() const override { return FWantTabs; }

  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value);
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

private:
  TScrollStyle FScrollBars = ssNone;
  bool FWantReturns = true;
  bool FWantTabs = false;
  bool FWordWrap = true;
};

class TcxMemoProperties : public TcxCustomMemoProperties {
  PELVOR_CLASS(TcxMemoProperties, TcxCustomMemoProperties)
  using TcxCustomMemoProperties::TcxCustomMemoProperties;
};

// Lays a memo's text out in rows, broken where the platform memo breaks them.
class TcxCustomMemoViewData : public TcxCustomTextEditViewData {
  PELVOR_CLASS(TcxCustomMemoViewData, TcxCustomTextEditViewData)
  using TcxCustomTextEditViewData::TcxCustomTextEditViewData;
  unsigned GetDrawTextFlags() override;
  TRect GetDrawTextOffset() override;
};

class TcxCustomMemo;

class TcxCustomInnerMemo : public TcxCustomInnerEditBase<TCustomMemo> {
  PELVOR_CLASS(TcxCustomInnerMemo, TCustomMemo)
  explicit TcxCustomInnerMemo(TComponent* AOwner);
  ~TcxCustomInnerMemo() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Look-and-feel bars placed on the memo over the native ones, mirroring their range and position.
  TcxScrollBar* HScrollBar() const { return FHScrollBar; }
  TcxScrollBar* VScrollBar() const { return FVScrollBar; }
  void SyncScrollBars();
  // The platform's square between its two bars, in window coordinates, whether or not it has them.
  TRect GetNativeScrollBarsCornerRect();

  void SafelySetFocus() override;
  void SetEditValue(const Variant& Value) override;

protected:
  TcxCustomMemo* Memo() const;
  void WndProc(TMessage& Message) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  // Up and Down move between the lines of a memo, wherever they leave the caret.
  bool IsKeyReturnedToHost(WORD Key) override { return Key != VK_UP && Key != VK_DOWN; }

private:
  void MemoWndProc(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void WMSetFont(TMessage& Message);
  void WMSetText(TMessage& Message);
  void PaintScrollBarsCorner();
  void SyncScrollBar(TcxScrollBar* ABar);
  void ScrollHandler(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
  void ScrollBarMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos,
                           bool& Handled);

  // Owned as components of the memo window, which frees them wherever they are parented.
  TcxScrollBar* FHScrollBar = nullptr;
  TcxScrollBar* FVScrollBar = nullptr;
  bool FScrollBarsSyncing = false;
  // Set while the frame is painted under a style without scroll bars; the platform memo must not react.
  bool FPaintingFrame = false;
  // Set while the memo writes its value into the window, or the window's text becomes the memo's value.
  bool FEditValueWriting = false;
};

class TcxCustomMemo : public TcxCustomTextEdit {
  PELVOR_CLASS(TcxCustomMemo, TcxCustomTextEdit)
  explicit TcxCustomMemo(TComponent* AOwner);
  TcxCustomMemo(TComponent* AOwner, bool AIsInplace);

  TcxCustomMemoProperties* ActiveProperties() {
    return static_cast<TcxCustomMemoProperties*>(TcxCustomEdit::ActiveProperties());
  }
  TcxCustomMemoProperties* Properties() const {
    return static_cast<TcxCustomMemoProperties*>(TcxCustomEdit::Properties());
  }
  TClass GetPropertiesClass() const override;
  TcxCustomInnerMemo* InnerMemo() const;
  TStrings* Lines() const;
  void SetLines(TStrings* Value);
  void ClearSelection() override;
  void CutToClipboard() override;
  void SetSelText(const String& Value) override;

protected:
  friend class TcxCustomInnerMemo;
  void Initialize() override;
  TClass GetInnerEditClass() const override;
  void PropertiesChanged(TObject* Sender) override;
  bool CanKeyPressModifyEdit(char Key) override;
  bool CanKeyDownModifyEdit(WORD Key, TShiftState Shift) override;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  // Enter that activates a memo in place is not typed into it as a new line.
  bool CanSendActivationKey(char Key) override { return Key != '\r'; }
  void AdjustInnerEditPosition() override;
  void AfterEditing();

  bool FClearingSelection = false;
  bool FInnerMemoPlacing = false;
};

class TcxMemo : public TcxCustomMemo {
  PELVOR_CLASS(TcxMemo, TcxCustomMemo)
  explicit TcxMemo(TComponent* AOwner);
  TcxMemoProperties* Properties() const {
    return static_cast<TcxMemoProperties*>(TcxCustomMemo::Properties());
  }
  TClass GetPropertiesClass() const override;
};

// The text shown for a memo that is not being edited: its first line, at most 250 characters.
String cxMemoDisplayText(const String& AText);

void cxMemoInitialize();
void cxMemoFinalize();
extern const TUnitInfo cxMemoUnit;
