#include "editors/core/cxMemo.h"

#include <algorithm>

#include "lookandfeel/dxThemeManager.h"
#include "platform/controls/Clipbrd.h"
#include "platform/win/Edit.h"
#include "platform/win/Win.h"

String cxMemoDisplayText(const String& AText) {
  const String head = AText.substr(0, 250);
  const std::size_t lineBreak = head.find_first_of("\r\n");
  return lineBreak == String::npos ? head : head.substr(0, lineBreak);
}

TcxCustomMemoProperties::TcxCustomMemoProperties(TPersistent* AOwner) : TcxCustomTextEditProperties(AOwner) {
  Alignment()->SetVert(taTopJustify);
  SetAutoSelect(false);
}

void TcxCustomMemoProperties::Assign(TPersistent* Source) {
  BeginUpdate();
  struct End {
    TcxCustomMemoProperties* p;
    ~End() { p->EndUpdate(); }
  } end{this};
  TcxCustomTextEditProperties::Assign(Source);
  if (auto* source = dynamic_cast<TcxCustomMemoProperties*>(Source)) {
    SetScrollBars(source->FScrollBars);
    SetWantReturns(source->FWantReturns);
    SetWantTabs(source->FWantTabs);
    SetWordWrap(source->FWordWrap);
  }
}

TClass TcxCustomMemoProperties::GetContainerClass() const {
  return TcxMemo::StaticClass();
}

TClass TcxCustomMemoProperties::GetViewDataClass() const {
  return TcxCustomMemoViewData::StaticClass();
}

#define MEMO_SETTER(Name, Type, Field)                                                                       \
  void TcxCustomMemoProperties::Set##Name(Type Value) {                                                      \
    if (Field == Value)                                                                                      \
      return;                                                                                                \
    Field = Value;                                                                                           \
    Changed();                                                                                               \
  }
MEMO_SETTER(ScrollBars, TScrollStyle, FScrollBars)
MEMO_SETTER(WantReturns, bool, FWantReturns)
MEMO_SETTER(WantTabs, bool, FWantTabs)
MEMO_SETTER(WordWrap, bool, FWordWrap)
#undef MEMO_SETTER

unsigned TcxCustomMemoViewData::GetDrawTextFlags() {
  auto* properties = static_cast<TcxCustomMemoProperties*>(FProperties);
  return cxMemoDrawTextFlags(HorzAlignment(), properties->WordWrap(), properties->ScrollBars());
}

TRect TcxCustomMemoViewData::GetDrawTextOffset() {
  return cxMemoDrawTextOffset(HorzAlignment());
}

// Inner memo.

TcxCustomInnerMemo::TcxCustomInnerMemo(TComponent* AOwner) : TcxCustomInnerEditBase<TCustomMemo>(AOwner) {
  for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
    auto* bar = new TcxScrollBar(this);
    bar->SetKind(kind);
    bar->SetVisible(false);
    bar->OnScroll = TScrollEvent(this, &TcxCustomInnerMemo::ScrollHandler);
    bar->OnMouseWheel = TMouseWheelEvent(this, &TcxCustomInnerMemo::ScrollBarMouseWheel);
    (kind == sbHorizontal ? FHScrollBar : FVScrollBar) = bar;
  }
  SetBorderStyle(bsNone);
  SetCursor(crIBeam);
  SetParentColor(true);
  SetParentFont(true);
  FCreating = false;
}

TcxCustomInnerMemo::~TcxCustomInnerMemo() {
  for (TcxScrollBar* bar : {FHScrollBar, FVScrollBar})
    if (bar) {
      bar->OnScroll = {};
      bar->OnMouseWheel = {};
      bar->LookAndFeel()->SetMasterLookAndFeel(nullptr);
    }
}

void TcxCustomInnerMemo::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomMemo::Notification(AComponent, Operation);
  if (Operation != opRemove)
    return;
  if (AComponent == FHScrollBar)
    FHScrollBar = nullptr;
  if (AComponent == FVScrollBar)
    FVScrollBar = nullptr;
}

void TcxCustomInnerMemo::SyncScrollBar(TcxScrollBar* ABar) {
  if (!ABar)
    return;
  TRect bounds{};
  bool enabled = false;
  if (!GetNativeScrollBarPlace(this, ABar->Kind(), bounds, enabled)) {
    if (ABar->Visible())
      ABar->SetVisible(false);
    return;
  }
  if (ABar->Parent() != Parent()) {
    ABar->SetParent(Parent());
    if (TcxCustomMemo* memo = Memo())
      ABar->LookAndFeel()->SetMasterLookAndFeel(memo->Style()->LookAndFeel());
  }
  if (ABar->Enabled() != enabled)
    ABar->SetEnabled(enabled);
  if (ABar->Left() != bounds.left || ABar->Top() != bounds.top || ABar->Width() != bounds.right ||
      ABar->Height() != bounds.bottom || !ABar->Visible()) {
    ABar->SetBounds(bounds.left, bounds.top, bounds.right, bounds.bottom);
    ABar->SetVisible(true);
    ABar->BringToFront();
  }
  MirrorNativeScrollInfo(Handle(), ABar);
}

void TcxCustomInnerMemo::SyncScrollBars() {
  if (FScrollBarsSyncing || ComponentState().Contains(csDestroying) || !CanGetScrollBarInfo())
    return;
  TcxFlagScope syncing(this, FScrollBarsSyncing);
  SyncScrollBar(FHScrollBar);
  SyncScrollBar(FVScrollBar);
}

void TcxCustomInnerMemo::ScrollHandler(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos) {
  auto* bar = static_cast<TcxScrollBar*>(Sender);
  if (!HandleAllocated())
    return;
  const bool horizontal = bar->Kind() == sbHorizontal;
  TMessage m{UINT(horizontal ? WM_HSCROLL : WM_VSCROLL), MAKEWPARAM(WORD(ScrollCode), WORD(ScrollPos)), 0, 0};
  CallDefWndProc(m.Msg, m.WParam, m.LParam);
  ScrollPos = GetScrollPos(Handle(), horizontal ? SB_HORZ : SB_VERT);
}

// The bar lies over the memo's own, where the wheel scrolls the memo.
void TcxCustomInnerMemo::ScrollBarMouseWheel(TObject*, TShiftState Shift, int WheelDelta, TPoint MousePos,
                                             bool& Handled) {
  Handled = true;
  Perform(WM_MOUSEWHEEL, MAKEWPARAM(int(ShiftStateToKeys(Shift)), WheelDelta),
          MAKELPARAM(MousePos.x, MousePos.y));
}

TcxCustomMemo* TcxCustomInnerMemo::Memo() const {
  return FContainerForgotten ? nullptr : dynamic_cast<TcxCustomMemo*>(Owner());
}

void TcxCustomInnerMemo::SafelySetFocus() {
  if (CanFocus())
    SetFocus();
}

// A window made again for other scroll bar styles sized itself before it had a handle to query.
void TcxCustomInnerMemo::CreateWnd() {
  TCustomMemo::CreateWnd();
  SyncScrollBars();
}

void TcxCustomInnerMemo::DestroyWnd() {
  TCustomMemo::DestroyWnd();
  for (TcxScrollBar* bar : {FHScrollBar, FVScrollBar})
    if (bar && bar->Visible() && !ComponentState().Contains(csDestroying))
      bar->SetVisible(false);
}

// The memo owns this control: a handler that frees the memo frees it too, and the key is then dealt with.
void TcxCustomInnerMemo::KeyDown(WORD& Key, TShiftState Shift) {
  FInternalUpdating = false;
  auto alive = AliveToken();
  if (TcxCustomMemo* memo = Memo())
    memo->KeyDown(Key, Shift);
  if (!*alive)
    Key = 0;
  else if (Key == 0)
    FInternalUpdating = true;
  else
    TCustomMemo::KeyDown(Key, Shift);
}

void TcxCustomInnerMemo::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_TAB)
    Key = 0;
  auto alive = AliveToken();
  if (TcxCustomMemo* memo = Memo(); memo && Key != 0)
    memo->KeyUp(Key, Shift);
  if (!*alive)
    Key = 0;
  if (Key != 0)
    TCustomMemo::KeyUp(Key, Shift);
}

void TcxCustomInnerMemo::KeyPress(char& Key) {
  auto alive = AliveToken();
  if (TcxCustomMemo* memo = Memo())
    memo->KeyPress(Key);
  if (!*alive)
    Key = 0;
  if (Key != 0)
    TCustomMemo::KeyPress(Key);
}

void TcxCustomInnerMemo::WndProc(TMessage& Message) {
  const UINT msg = Message.Msg;
  // The style the frame is painted under is not the memo's: told of it, the platform memo would lay its
  // text out again and scroll the caret into view, and the mirrored bars would hide and show again.
  if (FPaintingFrame && (msg == WM_STYLECHANGING || msg == WM_STYLECHANGED))
    return;
  auto alive = AliveToken();
  MemoWndProc(Message);
  if (!*alive || ComponentState().Contains(csDestroying))
    return;
  // The platform memo moves its bars from many places (typing, caret moves, wheel, resizing) without telling
  // anyone; after any message that could have done so the mirrored bars catch up.
  switch (msg) {
  case WM_NCCALCSIZE:
  case WM_WINDOWPOSCHANGED:
  case WM_SIZE:
  case WM_HSCROLL:
  case WM_VSCROLL:
  case WM_MOUSEWHEEL:
  case WM_KEYDOWN:
  case WM_CHAR:
  case WM_LBUTTONDOWN:
  case WM_MOUSEMOVE:
  case WM_SETTEXT:
  case WM_SETFONT:
  case WM_STYLECHANGED:
  case WM_PASTE:
  case WM_CUT:
  case WM_CLEAR:
  case WM_UNDO:
  case EM_SETSEL:
  case EM_REPLACESEL:
  case EM_LINESCROLL:
  case EM_SCROLL:
  case EM_SCROLLCARET:
  case EM_UNDO:
    SyncScrollBars();
    break;
  default:
    break;
  }
  if (msg == WM_WINDOWPOSCHANGED && *alive)
    PaintScrollBarsCorner();
}

namespace {
DWORD ScrollStylesOf(TScrollStyle AScrollBars) {
  DWORD styles = 0;
  if (AScrollBars == ssHorizontal || AScrollBars == ssBoth)
    styles |= WS_HSCROLL;
  if (AScrollBars == ssVertical || AScrollBars == ssBoth)
    styles |= WS_VSCROLL;
  return styles;
}

void FillWindowRect(HWND AWnd, const TRect& R, TColor AColor) {
  if (IsRectEmpty(&R))
    return;
  HDC dc = GetWindowDC(AWnd);
  HBRUSH brush = CreateSolidBrush(ColorToRGB(AColor));
  FillRect(dc, &R, brush);
  DeleteObject(brush);
  ReleaseDC(AWnd, dc);
}
} // namespace

// The native square between the two bars, in window coordinates.
TRect TcxCustomInnerMemo::GetNativeScrollBarsCornerRect() {
  RECT window{}, client{};
  ::GetWindowRect(Handle(), &window);
  ::GetClientRect(Handle(), &client);
  POINT origin{0, 0};
  ::ClientToScreen(Handle(), &origin);
  const int left = origin.x - window.left + client.right, top = origin.y - window.top + client.bottom;
  return TRect{left, top, left + GetSystemMetrics(SM_CXVSCROLL), top + GetSystemMetrics(SM_CYHSCROLL)};
}

// With visual styles the platform would draw classic bars into the frame; it paints the frame alone, the
// look-and-feel bars lie over the bars' places and only the square between them is left to fill.
void TcxCustomInnerMemo::WMNCPaint(TMessage& Message) {
  if (!HandleAllocated() || !AreVisualStylesAvailable()) {
    TCustomMemo::WndProc(Message);
    PaintScrollBarsCorner();
    return;
  }
  constexpr DWORD scrollStyles = WS_HSCROLL | WS_VSCROLL;
  {
    TcxFlagScope painting(this, FPaintingFrame);
    struct Restore {
      TcxCustomInnerMemo* memo;
      ~Restore() {
        const DWORD style = DWORD(GetWindowLong(memo->Handle(), GWL_STYLE));
        SetWindowLong(memo->Handle(), GWL_STYLE,
                      LONG((style & ~scrollStyles) | ScrollStylesOf(memo->ScrollBars())));
      }
    } restore{this};
    SetWindowLong(Handle(), GWL_STYLE, LONG(DWORD(GetWindowLong(Handle(), GWL_STYLE)) & ~scrollStyles));
    TCustomMemo::WndProc(Message);
  }
  if (ScrollBars() == ssBoth)
    FillWindowRect(Handle(), GetNativeScrollBarsCornerRect(), clBtnFace);
  PaintScrollBarsCorner();
}

// In a cell the text starts at the cell's edge, whatever margins the platform takes from the new font.
void TcxCustomInnerMemo::WMSetFont(TMessage& Message) {
  TCustomMemo::WndProc(Message);
  TcxCustomMemo* memo = Memo();
  if (memo && memo->IsInplace() && HandleAllocated())
    SendMessage(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, 0));
}

void TcxCustomInnerMemo::SetEditValue(const Variant& Value) {
  TcxFlagScope writing(this, FEditValueWriting);
  TcxCustomInnerEditBase<TCustomMemo>::SetEditValue(Value);
}

// A text set on the window by anyone but the memo (its lines set or cleared as a whole) is the memo's value
// from then on, as what the lines insert or delete is; entering the memo would otherwise show the old value.
void TcxCustomInnerMemo::WMSetText(TMessage& Message) {
  auto alive = AliveToken();
  TCustomMemo::WndProc(Message);
  TcxCustomMemo* memo = Memo();
  if (!*alive || FEditValueWriting || !memo || memo->IsDestroying())
    return;
  TcxFlagScope writing(this, FEditValueWriting);
  memo->SetInternalEditValue(Variant(Text()));
}

void TcxCustomInnerMemo::PaintScrollBarsCorner() {
  if (HandleAllocated())
    ::PaintScrollBarsCorner(this, FHScrollBar, FVScrollBar);
}

void TcxCustomInnerMemo::MemoWndProc(TMessage& Message) {
  TcxCustomMemo* memo = Memo();
  if (!memo || memo->IsDestroying() || ComponentState().Contains(csDestroying)) {
    TCustomMemo::WndProc(Message);
    return;
  }
  if (HandleAutoDragMessage(memo, Message))
    return;
  switch (Message.Msg) {
  case WM_KEYDOWN:
    HandleKeyDownMessage(memo, Message);
    return;
  case WM_CHAR: {
    TcxFlagScope userChange(memo, memo->FIsUserChange, memo->FIsUserChange);
    TCustomMemo::WndProc(Message);
    return;
  }
  case WM_CLEAR:
    // The memo deleting its own selection lets the platform do it.
    if (memo->FClearingSelection && !ReadOnly()) {
      TCustomMemo::WndProc(Message);
      return;
    }
    [[fallthrough]];
  case WM_CUT:
  case WM_PASTE:
    HandleClipboardMessage(memo, Message);
    return;
  case EM_REPLACESEL: {
    const String text = Message.LParam ? String(reinterpret_cast<const char*>(Message.LParam)) : String();
    const String fixed = cxFixReplacedLineBreaks(text);
    TMessage replace{EM_REPLACESEL, Message.WParam, reinterpret_cast<LPARAM>(fixed.c_str()), 0};
    // The platform reports the change as it inserts, and a change handler may free the memo.
    auto alive = AliveToken();
    TCustomMemo::WndProc(replace);
    Message.Result = replace.Result;
    if (*alive)
      memo->SynchronizeEditValue();
    return;
  }
  case WM_GETDLGCODE:
    TCustomMemo::WndProc(Message);
    Message.Result |= DLGC_WANTCHARS;
    // Tab reaches the memo even when it does not want tabs: the edit then moves the focus on itself.
    if (GetKeyState(VK_CONTROL) >= 0)
      Message.Result |= DLGC_WANTTAB;
    return;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    HandleFocusMessage(memo, Message);
    return;
  case WM_NCPAINT:
    WMNCPaint(Message);
    return;
  case WM_SETFONT:
    WMSetFont(Message);
    return;
  case WM_SETTEXT:
    WMSetText(Message);
    return;
  default:
    TCustomMemo::WndProc(Message);
  }
}

// Memo.

TcxCustomMemo::TcxCustomMemo(TComponent* AOwner) : TcxCustomTextEdit(AOwner) {
  Initialize();
}

TcxCustomMemo::TcxCustomMemo(TComponent* AOwner, bool AIsInplace) : TcxCustomTextEdit(AOwner, AIsInplace) {
  Initialize();
}

void TcxCustomMemo::Initialize() {
  TcxCustomTextEdit::Initialize();
  SetAutoSize(false);
  SetBounds(Left(), Top(), 185, 89);
}

TClass TcxCustomMemo::GetPropertiesClass() const {
  return TcxCustomMemoProperties::StaticClass();
}

TClass TcxCustomMemo::GetInnerEditClass() const {
  return TcxCustomInnerMemo::StaticClass();
}

TcxCustomInnerMemo* TcxCustomMemo::InnerMemo() const {
  return dynamic_cast<TcxCustomInnerMemo*>(FInnerControl);
}

TStrings* TcxCustomMemo::Lines() const {
  return InnerMemo()->Lines();
}

void TcxCustomMemo::SetLines(TStrings* Value) {
  InnerMemo()->Lines()->Assign(Value);
}

void TcxCustomMemo::AfterEditing() {
  if (FIsUserChange)
    return;
  ResetFindSelection();
  // A changed value reaches the memo's handlers, which may free it.
  auto alive = AliveToken();
  SynchronizeEditValue();
  if (*alive)
    SetEditModified(false);
}

void TcxCustomMemo::SetSelText(const String& Value) {
  TcxCustomInnerMemo* inner = InnerMemo();
  if (!inner)
    return;
  String text = Value;
  const int maxLength = ActiveProperties()->MaxLength();
  if (FIsUserChange && maxLength > 0) {
    const int fits = maxLength - (int(Text().size()) - SelLength());
    if (fits <= 0)
      return;
    text = text.substr(0, std::size_t(fits));
  }
  if (FIsUserChange && !DoEditing())
    return;
  auto alive = AliveToken();
  inner->SetSelText(text);
  if (*alive)
    AfterEditing();
}

void TcxCustomMemo::ClearSelection() {
  TcxCustomInnerMemo* inner = InnerMemo();
  if (!inner || SelLength() == 0 || (FIsUserChange && !DoEditing()))
    return;
  auto alive = AliveToken();
  {
    TcxFlagScope clearing(this, FClearingSelection);
    inner->ClearSelection();
  }
  if (*alive)
    AfterEditing();
}

void TcxCustomMemo::CutToClipboard() {
  if (SelLength() == 0)
    return;
  Clipboard()->SetAsText(SelText());
  ClearSelection();
}

bool TcxCustomMemo::CanKeyPressModifyEdit(char Key) {
  if (Key == '\r')
    return ActiveProperties()->WantReturns() || GetKeyState(VK_CONTROL) < 0;
  if (Key == '\t')
    return ActiveProperties()->WantTabs();
  return TcxCustomTextEdit::CanKeyPressModifyEdit(Key);
}

bool TcxCustomMemo::CanKeyDownModifyEdit(WORD Key, TShiftState Shift) {
  if (Key == VK_RETURN)
    return ActiveProperties()->WantReturns() || Shift.Contains(ssCtrl);
  if (Key == VK_TAB)
    return ActiveProperties()->WantTabs();
  return TcxCustomTextEdit::CanKeyDownModifyEdit(Key, Shift);
}

void TcxCustomMemo::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  const bool wantReturns = ActiveProperties()->WantReturns();
  if (Key == VK_RETURN && (IsInplace() || (Shift.Contains(ssCtrl) != wantReturns)))
    return;
  if ((Key == 'A' || Key == 'a') && Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) &&
      !Shift.Contains(ssAlt) && InnerMemo() && InnerMemo()->Lines()->Count() > 0) {
    SelectAll();
    AfterKey(Key, Shift);
    Key = 0;
    return;
  }
  if (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT)
    return;
  TcxCustomTextEdit::DoEditKeyDown(Key, Shift);
}

// Two pixels short of the client height, so that a clipped last row never touches the frame.
void TcxCustomMemo::AdjustInnerEditPosition() {
  TcxCustomInnerMemo* inner = InnerMemo();
  if (!inner || FInnerMemoPlacing)
    return;
  const TRect r = ViewInfo()->ClientRect;
  const int width = std::max(0, int(r.right - r.left)), height = std::max(0, int(r.bottom - r.top) - 2);
  if (inner->Left() == r.left && inner->Top() == r.top && inner->Width() == width &&
      inner->Height() == height)
    return;
  TcxFlagScope placing(this, FInnerMemoPlacing);
  inner->SetBounds(r.left, r.top, width, height);
}

void TcxCustomMemo::PropertiesChanged(TObject* Sender) {
  TcxCustomMemoProperties* properties = ActiveProperties();
  if (TcxCustomInnerMemo* inner = InnerMemo()) {
    if (inner->ScrollBars() != properties->ScrollBars())
      inner->SetScrollBars(properties->ScrollBars());
    inner->SetWantReturns(properties->WantReturns());
    inner->SetWantTabs(properties->WantTabs());
    inner->SetWordWrap(properties->WordWrap());
  }
  TcxCustomTextEdit::PropertiesChanged(Sender);
}

TcxMemo::TcxMemo(TComponent* AOwner) : TcxCustomMemo(AOwner) {
  Initialize();
}

TClass TcxMemo::GetPropertiesClass() const {
  return TcxMemoProperties::StaticClass();
}

void cxMemoInitialize() {
  GetRegisteredEditProperties()->Register(TcxMemoProperties::StaticClass(),
                                          "Memo|Represents an edit control that allows editing memo data");
}

void cxMemoFinalize() {
  GetRegisteredEditProperties()->Unregister(TcxMemoProperties::StaticClass());
}

const TUnitInfo cxMemoUnit{"cxMemo", &cxMemoInitialize, &cxMemoFinalize};
