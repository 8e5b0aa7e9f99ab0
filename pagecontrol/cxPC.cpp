#include "pagecontrol/cxPC.h"

#include <algorithm>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Edge.h"
#include "platform/gdi/Text.h"
#include "platform/win/Input.h"
#include "platform/win/Paint.h"

namespace {
// The selected tab stands this much higher and wider than the others, as raised tabs do.
constexpr int SelectedLift = 2;
constexpr int TabPadding = 8;
constexpr int FirstTabOffset = 2;
} // namespace

TcxTabControl::TcxTabControl(TComponent* AOwner) : TCustomControl(AOwner), FTabs(new TStringList) {
  FTabs->OnChange = TNotifyEvent(this, &TcxTabControl::TabsChanged);
  SetColor(clBtnFace);
  SetParentColor(false);
  SetBounds(Left(), Top(), 289, 24);
}

TcxTabControl::~TcxTabControl() {
  FTabs->OnChange = nullptr;
}

void TcxTabControl::SetTabIndex(int Value) {
  if (Value < -1 || Value >= FTabs->Count() || (Value == -1 && FTabs->Count() > 0))
    throw EListError("Tab index out of bounds (" + IntToStr(Value) + ")");
  if (Value == FTabIndex)
    return;
  FTabIndex = Value;
  Invalidate();
  Change();
}

void TcxTabControl::Change() {
  if (OnChange)
    OnChange(this);
}

void TcxTabControl::TabsChanged(TObject*) {
  // A list that gains its first tab selects it, and one that shrinks keeps a valid selection; neither is a
  // choice of the user's, so no OnChange.
  const int count = FTabs->Count();
  if (count == 0)
    FTabIndex = -1;
  else if (FTabIndex < 0)
    FTabIndex = 0;
  else if (FTabIndex >= count)
    FTabIndex = count - 1;
  Invalidate();
}

int TcxTabControl::TabWidth(int Index) {
  // Measured on a device context of its own so that hit tests outside painting leave the canvas alone.
  const AnsiString caption = FTabs->Strings(Index);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SIZE size{};
  GetTextExtentPoint32A(dc, caption.c_str(), int(caption.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cx + 2 * TabPadding;
}

TRect TcxTabControl::TabRect(int Index) {
  if (Index < 0 || Index >= FTabs->Count())
    return TRect{0, 0, 0, 0};
  int x = FirstTabOffset;
  for (int i = 0; i < Index; ++i)
    x += TabWidth(i);
  TRect r{x, SelectedLift, x + TabWidth(Index), Height()};
  if (Index == FTabIndex) {
    r.left -= SelectedLift;
    r.right += SelectedLift;
    r.top = 0;
  }
  return r;
}

int TcxTabControl::IndexOfTabAt(int X, int Y) {
  // The selected tab overlaps its neighbours, so it is tested first.
  const TPoint p{X, Y};
  const TRect tabRect = TabRect(FTabIndex);
  if (FTabIndex >= 0 && PtInRect(&tabRect, p))
    return FTabIndex;
  for (int i = 0; i < FTabs->Count(); ++i) {
    const TRect r = TabRect(i);
    if (PtInRect(&r, p))
      return i;
  }
  return -1;
}

void TcxTabControl::Paint() {
  TCanvas* canvas = Canvas();
  const TRect client = ClientRect();
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(client);

  // The line the tabs stand on; the selected tab breaks through it.
  const int baseY = client.bottom - 2;
  TRect base{client.left, baseY, client.right, client.bottom};
  DrawEdge(canvas->Handle(), &base, EDGE_RAISED, BF_TOP);

  for (int i = 0; i < FTabs->Count(); ++i) {
    TRect r = TabRect(i);
    r.bottom = i == FTabIndex ? client.bottom : baseY;
    DrawEdge(canvas->Handle(), &r, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT | BF_SOFT);
    canvas->Brush()->SetColor(Color());
    TRect text = r;
    InflateRect(&text, -2, -2);
    if (i == FTabIndex)
      text.bottom = client.bottom;
    canvas->FillRect(text);
    canvas->Font()->SetColor(Enabled() ? clBtnText : clGrayText);
    const AnsiString& caption = FTabs->Strings(i);
    const int tx = r.left + (RectWidth(r) - canvas->TextWidth(caption)) / 2;
    const int ty = r.top + (baseY - r.top - canvas->TextHeight(caption)) / 2 + (i == FTabIndex ? 0 : 1);
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut(tx, ty, caption);
    canvas->Brush()->SetStyle(bsSolid);
  }
}

void TcxTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  // The tab strip does not take the focus: the user keeps typing where he was.
  if (Button == mbLeft) {
    const int index = IndexOfTabAt(X, Y);
    // The change handler may free the tab control.
    auto alive = AliveToken();
    if (index >= 0)
      SetTabIndex(index);
    if (!*alive)
      return;
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

bool TcxTabControl::CanBeUsed() const {
  // The form hands a dialog key to every control on it, seen or not, so each parent is looked at here.
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled())
      return false;
  return true;
}

void TcxTabControl::CMDialogKey(TCMDialogKey& Message) {
  if (Message.CharCode() == VK_TAB && GetKeyState(VK_CONTROL) < 0 && FTabs->Count() > 1 && CanBeUsed()) {
    const int count = FTabs->Count();
    const int step = GetKeyState(VK_SHIFT) < 0 ? count - 1 : 1;
    SetTabIndex((std::max(FTabIndex, 0) + step) % count);
    Message.Result = 1;
    return;
  }
  TCustomControl::CMDialogKey(Message);
}
