#pragma once
// Message records of the component library and its private messages. A control receives every message as
// one TMessage; typed views read and write the same record through named fields, so a handler that takes a
// view and one that takes the raw record see the same Result.
#include "platform/win/WinDefs.h"

// Component messages: controls tell each other about property changes and take part in focus, keyboard
// and drag protocols. They never reach a window procedure outside the library.
enum : UINT {
  CM_BASE = 0xB000,
  CM_ACTIVATE = CM_BASE + 0,
  CM_DEACTIVATE = CM_BASE + 1,
  CM_GOTFOCUS = CM_BASE + 2,
  CM_LOSTFOCUS = CM_BASE + 3,
  CM_CANCELMODE = CM_BASE + 4,
  CM_DIALOGKEY = CM_BASE + 5,
  CM_DIALOGCHAR = CM_BASE + 6,
  CM_FOCUSCHANGED = CM_BASE + 7,
  CM_PARENTFONTCHANGED = CM_BASE + 8,
  CM_PARENTCOLORCHANGED = CM_BASE + 9,
  CM_HITTEST = CM_BASE + 10,
  CM_VISIBLECHANGED = CM_BASE + 11,
  CM_ENABLEDCHANGED = CM_BASE + 12,
  CM_COLORCHANGED = CM_BASE + 13,
  CM_FONTCHANGED = CM_BASE + 14,
  CM_CURSORCHANGED = CM_BASE + 15,
  CM_CTL3DCHANGED = CM_BASE + 16,
  CM_PARENTCTL3DCHANGED = CM_BASE + 17,
  CM_TEXTCHANGED = CM_BASE + 18,
  CM_MOUSEENTER = CM_BASE + 19,
  CM_MOUSELEAVE = CM_BASE + 20,
  CM_MENUCHANGED = CM_BASE + 21,
  CM_APPKEYDOWN = CM_BASE + 22,
  CM_APPSYSCOMMAND = CM_BASE + 23,
  CM_BUTTONPRESSED = CM_BASE + 24,
  CM_SHOWINGCHANGED = CM_BASE + 25,
  CM_ENTER = CM_BASE + 26,
  CM_EXIT = CM_BASE + 27,
  CM_DESIGNHITTEST = CM_BASE + 28,
  CM_ICONCHANGED = CM_BASE + 29,
  CM_WANTSPECIALKEY = CM_BASE + 30,
  CM_INVOKEHELP = CM_BASE + 31,
  CM_WINDOWHOOK = CM_BASE + 32,
  CM_RELEASE = CM_BASE + 33,
  CM_SHOWHINTCHANGED = CM_BASE + 34,
  CM_PARENTSHOWHINTCHANGED = CM_BASE + 35,
  CM_SYSCOLORCHANGE = CM_BASE + 36,
  CM_WININICHANGE = CM_BASE + 37,
  CM_FONTCHANGE = CM_BASE + 38,
  CM_TIMECHANGE = CM_BASE + 39,
  CM_TABSTOPCHANGED = CM_BASE + 40,
  CM_UIACTIVATE = CM_BASE + 41,
  CM_UIDEACTIVATE = CM_BASE + 42,
  CM_DOCWINDOWACTIVATE = CM_BASE + 43,
  CM_CONTROLLISTCHANGE = CM_BASE + 44,
  CM_GETDATALINK = CM_BASE + 45,
  CM_CHILDKEY = CM_BASE + 46,
  CM_DRAG = CM_BASE + 47,
  CM_HINTSHOW = CM_BASE + 48,
  CM_DIALOGHANDLE = CM_BASE + 49,
  CM_ISTOOLCONTROL = CM_BASE + 50,
  CM_RECREATEWND = CM_BASE + 51,
  CM_INVALIDATE = CM_BASE + 52,
  CM_SYSFONTCHANGED = CM_BASE + 53,
  CM_CONTROLCHANGE = CM_BASE + 54,
  CM_CHANGED = CM_BASE + 55,
  CM_BORDERCHANGED = CM_BASE + 59,
  CM_MOUSEWHEEL = CM_BASE + 67,
};

// Notifications that the platform sends to a parent window are reflected back to the control they concern
// under CN_BASE plus the original number, so each control handles its own.
enum : UINT {
  CN_BASE = 0xBC00,
  CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM,
  CN_COMMAND = CN_BASE + WM_COMMAND,
  CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM,
  CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT,
  CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX,
  CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC,
  CN_DELETEITEM = CN_BASE + WM_DELETEITEM,
  CN_DRAWITEM = CN_BASE + WM_DRAWITEM,
  CN_HSCROLL = CN_BASE + WM_HSCROLL,
  CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM,
  CN_NOTIFY = CN_BASE + WM_NOTIFY,
  CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM,
  CN_VSCROLL = CN_BASE + WM_VSCROLL,
  CN_KEYDOWN = CN_BASE + WM_KEYDOWN,
  CN_KEYUP = CN_BASE + WM_KEYUP,
  CN_CHAR = CN_BASE + WM_CHAR,
  CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN,
  CN_SYSCHAR = CN_BASE + WM_SYSCHAR,
};

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  WORD WParamLo() const { return LOWORD(WParam); }
  WORD WParamHi() const { return HIWORD(WParam); }
  WORD LParamLo() const { return LOWORD(std::uintptr_t(LParam)); }
  WORD LParamHi() const { return HIWORD(std::uintptr_t(LParam)); }
};

// A typed view of a message record. Views are made on the spot by the dispatcher and handed to the named
// handler; they own nothing and live no longer than the record.
class TMessageView {
public:
  explicit TMessageView(TMessage& AMessage)
      : Msg(AMessage.Msg), WParam(AMessage.WParam), LParam(AMessage.LParam), Result(AMessage.Result),
        Message(AMessage) {}
  operator TMessage&() const { return Message; }

  UINT& Msg;
  WPARAM& WParam;
  LPARAM& LParam;
  LRESULT& Result;

protected:
  TMessage& Message;
};

// WM_xBUTTONDOWN/UP/DBLCLK, WM_MOUSEMOVE.
class TWMMouse : public TMessageView {
public:
  using TMessageView::TMessageView;
  WPARAM Keys() const { return WParam; }
  short XPos() const { return GET_X_LPARAM(LParam); }
  short YPos() const { return GET_Y_LPARAM(LParam); }
  POINT Pos() const { return POINT{XPos(), YPos()}; }
  void SetPos(POINT P) { LParam = MAKELPARAM(P.x, P.y); }
};
using TWMLButtonDown = TWMMouse;
using TWMMouseMove = TWMMouse;

// WM_MOUSEWHEEL: screen position, key state and delta in multiples of WHEEL_DELTA.
class TWMMouseWheel : public TMessageView {
public:
  using TMessageView::TMessageView;
  WORD Keys() const { return LOWORD(WParam); }
  short WheelDelta() const { return GET_WHEEL_DELTA_WPARAM(WParam); }
  short XPos() const { return GET_X_LPARAM(LParam); }
  short YPos() const { return GET_Y_LPARAM(LParam); }
  POINT Pos() const { return POINT{XPos(), YPos()}; }
};

// WM_KEYDOWN/UP, WM_CHAR, WM_SYSKEYDOWN and their reflections; also CM_DIALOGKEY, CM_DIALOGCHAR and
// CM_WANTSPECIALKEY, which carry the key the same way. A handler clears CharCode to swallow the key.
class TWMKey : public TMessageView {
public:
  using TMessageView::TMessageView;
  WORD CharCode() const { return LOWORD(WParam); }
  void SetCharCode(WORD Value) { WParam = Value; }
  LPARAM KeyData() const { return LParam; }
};
using TWMChar = TWMKey;
using TWMKeyDown = TWMKey;
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;
using TCMWantSpecialKey = TWMKey;

class TControl;
class TWinControl;
class TDragObject;

// CM_CHILDKEY: a key pressed in a child, offered up the parent chain before the child handles it.
class TCMChildKey : public TMessageView {
public:
  using TMessageView::TMessageView;
  WORD CharCode() const { return LOWORD(WParam); }
  TWinControl* Sender() const { return reinterpret_cast<TWinControl*>(LParam); }
};

// CM_HITTEST: a client point of the control; a nonzero Result means the point belongs to the control.
class TCMHitTest : public TMessageView {
public:
  using TMessageView::TMessageView;
  short XPos() const { return GET_X_LPARAM(LParam); }
  short YPos() const { return GET_Y_LPARAM(LParam); }
  POINT Pos() const { return POINT{XPos(), YPos()}; }
};

// CM_MOUSEENTER, CM_MOUSELEAVE, CM_FOCUSCHANGED, CM_CONTROLCHANGE: the control the news is about.
class TCMControlMessage : public TMessageView {
public:
  using TMessageView::TMessageView;
  TControl* Control() const { return reinterpret_cast<TControl*>(LParam); }
};
using TCMMouseEnter = TCMControlMessage;
using TCMMouseLeave = TCMControlMessage;
using TCMFocusChanged = TCMControlMessage;

enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

struct TDragRec {
  POINT Pos{};
  TDragObject* Source = nullptr;
  void* Target = nullptr;
  bool Docking = false;
};

// CM_DRAG: WParam is the TDragMessage, LParam the drag record.
class TCMDrag : public TMessageView {
public:
  using TMessageView::TMessageView;
  TDragMessage DragMessage() const { return TDragMessage(WParam); }
  TDragRec* DragRec() const { return reinterpret_cast<TDragRec*>(LParam); }
};

class TWMSetFocus : public TMessageView {
public:
  using TMessageView::TMessageView;
  HWND FocusedWnd() const { return reinterpret_cast<HWND>(WParam); }
};
using TWMKillFocus = TWMSetFocus;

// WM_PAINT and WM_ERASEBKGND; a nonzero DC in WParam means "paint into this DC".
class TWMPaint : public TMessageView {
public:
  using TMessageView::TMessageView;
  HDC DC() const { return reinterpret_cast<HDC>(WParam); }
};
using TWMEraseBkgnd = TWMPaint;

class TWMSize : public TMessageView {
public:
  using TMessageView::TMessageView;
  WPARAM SizeType() const { return WParam; }
  WORD Width() const { return LOWORD(std::uintptr_t(LParam)); }
  WORD Height() const { return HIWORD(std::uintptr_t(LParam)); }
};

class TWMWindowPosMsg : public TMessageView {
public:
  using TMessageView::TMessageView;
  WINDOWPOS* WindowPos() const { return reinterpret_cast<WINDOWPOS*>(LParam); }
};

class TWMCommand : public TMessageView {
public:
  using TMessageView::TMessageView;
  WORD ItemID() const { return LOWORD(WParam); }
  WORD NotifyCode() const { return HIWORD(WParam); }
  HWND Ctl() const { return reinterpret_cast<HWND>(LParam); }
};

class TWMContextMenu : public TMessageView {
public:
  using TMessageView::TMessageView;
  HWND hWnd() const { return reinterpret_cast<HWND>(WParam); }
  short XPos() const { return GET_X_LPARAM(LParam); }
  short YPos() const { return GET_Y_LPARAM(LParam); }
  POINT Pos() const { return POINT{XPos(), YPos()}; }
};

class TWMSetCursor : public TMessageView {
public:
  using TMessageView::TMessageView;
  HWND CursorWnd() const { return reinterpret_cast<HWND>(WParam); }
  short HitTest() const { return short(LOWORD(std::uintptr_t(LParam))); }
  WORD MouseMsg() const { return HIWORD(std::uintptr_t(LParam)); }
};

class TWMNCHitTest : public TMessageView {
public:
  using TMessageView::TMessageView;
  short XPos() const { return GET_X_LPARAM(LParam); }
  short YPos() const { return GET_Y_LPARAM(LParam); }
};

class TWMTimer : public TMessageView {
public:
  using TMessageView::TMessageView;
  UINT_PTR TimerID() const { return WParam; }
};

// WM_HSCROLL/WM_VSCROLL and their reflections.
class TWMScroll : public TMessageView {
public:
  using TMessageView::TMessageView;
  short ScrollCode() const { return short(LOWORD(WParam)); }
  short Pos() const { return short(HIWORD(WParam)); }
  HWND ScrollBar() const { return reinterpret_cast<HWND>(LParam); }
};

using TWMGetDlgCode = TMessageView;
using TWMNotify = TMessageView;
using TWMDrawItem = TMessageView;
using TWMMeasureItem = TMessageView;

// WM_CTLCOLORxxx and their reflections: WParam the child's DC, LParam the child; Result a brush.
class TWMCtlColor : public TMessageView {
public:
  using TMessageView::TMessageView;
  HDC ChildDC() const { return reinterpret_cast<HDC>(WParam); }
  HWND ChildWnd() const { return reinterpret_cast<HWND>(LParam); }
};

class TWMActivate : public TMessageView {
public:
  using TMessageView::TMessageView;
  WORD Active() const { return LOWORD(WParam); }
  bool Minimized() const { return HIWORD(WParam) != 0; }
  HWND ActiveWindow() const { return reinterpret_cast<HWND>(LParam); }
};

using TWMClose = TMessageView;
using TWMNoParams = TMessageView;
using TCMEnter = TMessageView;
using TCMExit = TMessageView;
