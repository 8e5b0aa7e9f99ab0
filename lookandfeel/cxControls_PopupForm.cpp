#include <algorithm>
#include <climits>
#include <cmath>

#include "lookandfeel/cxControls.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Win.h"

namespace {

// Floor of a half, for sums that may be negative on a screen left or above the primary monitor.
int HalfFloor(int AValue) {
  return int(std::floor(AValue / 2.0));
}

} // namespace

TcxPopupWindow::TcxPopupWindow() : TForm(nullptr), FControlCanvas(new TControlCanvas) {
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  FControlCanvas->SetControl(this);
  FCanvas.reset(new TcxCanvas(FControlCanvas.get()));
}

TcxPopupWindow::~TcxPopupWindow() {
  SetOwnerParent(nullptr);
}

int TcxPopupWindow::GetBorderWidth() {
  switch (FBorderStyle) {
  case pbsNone:
    return 0;
  case pbsSingle:
  case pbsFlat:
    return 1;
  case pbs3D:
    return 2;
  }
  return 0;
}

int TcxPopupWindow::GetFrameWidth(TcxBorder) {
  return GetBorderWidth() + FFrameExtraWidth;
}

void TcxPopupWindow::SetPopupBorderStyle(TcxPopupBorderStyle Value) {
  if (Value == FBorderStyle)
    return;
  const int dx = GetFrameWidth(bLeft), dy = GetFrameWidth(bTop);
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->SetBounds(c->Left() - dx, c->Top() - dy, c->Width(), c->Height());
  }
  FBorderStyle = Value;
  Invalidate();
}

void TcxPopupWindow::SetOwnerParent(TWinControl* Value) {
  if (Value == FOwnerParent)
    return;
  if (FOwnerParent)
    FOwnerParent->RemoveFreeNotification(this);
  FOwnerParent = Value;
  if (FOwnerParent)
    FOwnerParent->FreeNotification(this);
}

void TcxPopupWindow::Notification(TComponent* AComponent, TOperation Operation) {
  TForm::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FOwnerParent)
    FOwnerParent = nullptr;
}

void TcxPopupWindow::InitPopup() {
  if (FOwnerParent)
    Font()->Assign(FOwnerParent->Font());
}

void TcxPopupWindow::CalculateSize() {
  if (!FAdjustableSize || ControlCount() == 0)
    return;
  TRect children{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int i = 0; i < ControlCount(); ++i) {
    const TRect r = Controls(i)->BoundsRect();
    children = TRect{std::min(children.left, r.left), std::min(children.top, r.top),
                     std::max(children.right, r.right), std::max(children.bottom, r.bottom)};
  }
  // The children move so that the frame surrounds them, then the form closes around both.
  const int dx = GetFrameWidth(bLeft) - children.left, dy = GetFrameWidth(bTop) - children.top;
  if (dx != 0 || dy != 0)
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    }
  SetClientSize(GetFrameWidth(bLeft) + RectWidth(children) + GetFrameWidth(bRight),
                GetFrameWidth(bTop) + RectHeight(children) + GetFrameWidth(bBottom));
}

TPoint TcxPopupWindow::CalculatePosition() {
  TRect r = FOwnerBounds;
  if (FOwnerParent) {
    const TPoint topLeft = FOwnerParent->ClientToScreen(TPoint{r.left, r.top});
    const TPoint bottomRight = FOwnerParent->ClientToScreen(TPoint{r.right, r.bottom});
    r = TRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  }
  const int w = Width(), h = Height();
  TPoint p{r.left, r.bottom};
  auto place = [&] {
    if (FAlignHorz == pahCenter)
      p.x = HalfFloor(r.left + r.right - w);
    if (FAlignVert == pavCenter)
      p.y = HalfFloor(r.top + r.bottom - h);
    if (FDirection == pdVertical) {
      if (FAlignHorz == pahLeft)
        p.x = r.left;
      else if (FAlignHorz == pahRight)
        p.x = r.right - w;
      if (FAlignVert == pavTop)
        p.y = r.top - h;
      else if (FAlignVert == pavBottom)
        p.y = r.bottom;
    } else {
      if (FAlignHorz == pahLeft)
        p.x = r.left - w;
      else if (FAlignHorz == pahRight)
        p.x = r.right;
      if (FAlignVert == pavTop)
        p.y = r.top;
      else if (FAlignVert == pavBottom)
        p.y = r.bottom - h;
    }
  };
  place();
  const TRect work = GetMonitorWorkArea(p);
  if (FDirection == pdVertical) {
    const int above = r.top - work.top, below = work.bottom - r.bottom;
    if (FAlignVert == pavTop && p.y < work.top && above <= below) {
      FAlignVert = pavBottom;
      place();
    } else if (FAlignVert == pavBottom && p.y + h > work.bottom && above > below) {
      FAlignVert = pavTop;
      place();
    }
  } else {
    const int left = r.left - work.left, right = work.right - r.right;
    if (FAlignHorz == pahLeft && p.x < work.left && left <= right) {
      FAlignHorz = pahRight;
      place();
    } else if (FAlignHorz == pahRight && p.x + w > work.right && left > right) {
      FAlignHorz = pahLeft;
      place();
    }
  }
  if (FDirection == pdVertical || FAlignHorz == pahCenter) {
    if (p.x + w > work.right)
      p.x = work.right - w;
    if (p.x < work.left)
      p.x = work.left;
  }
  if (FDirection == pdHorizontal || FAlignVert == pavCenter) {
    if (p.y + h > work.bottom)
      p.y = work.bottom - h;
    if (p.y < work.top)
      p.y = work.top;
  }
  return p;
}

void TcxPopupWindow::DrawFrame() {
  TRect r{0, 0, Width(), Height()};
  switch (FBorderStyle) {
  case pbsNone:
    break;
  case pbsSingle:
    FCanvas->FrameRect(r, FFrameColor);
    break;
  case pbsFlat:
    ::DrawEdge(FCanvas->Handle(), &r, BDR_RAISEDINNER, BF_RECT);
    break;
  case pbs3D:
    ::DrawEdge(FCanvas->Handle(), &r, BDR_RAISEDOUTER, BF_RECT);
    InflateRect(&r, -1, -1);
    ::DrawEdge(FCanvas->Handle(), &r, BDR_RAISEDINNER, BF_RECT);
    break;
  }
}

void TcxPopupWindow::PaintWindow(HDC DC) {
  TForm::PaintWindow(DC);
  FControlCanvas->FreeHandle();
  FControlCanvas->SetHandle(DC);
  try {
    DrawFrame();
  } catch (...) {
    FControlCanvas->SetHandle(nullptr);
    throw;
  }
  FControlCanvas->SetHandle(nullptr);
}

void TcxPopupWindow::Popup() {
  InitPopup();
  CalculateSize();
  const TPoint p = CalculatePosition();
  SetBounds(p.x, p.y, Width(), Height());
  Show();
}

void TcxPopupWindow::CloseUp() {
  Hide();
}

void TcxPopupWindow::WMActivate(TWMActivate& Message) {
  // The activation handlers may free the popup.
  auto alive = AliveToken();
  TForm::WMActivate(Message);
  if (!*alive)
    return;
  if (Message.Active() != WA_INACTIVE) {
    FActiveCaptionWindow = Message.ActiveWindow();
    if (FActiveCaptionWindow)
      SendMessage(FActiveCaptionWindow, WM_NCACTIVATE, TRUE, 0);
    return;
  }
  HWND caption = FActiveCaptionWindow;
  FActiveCaptionWindow = nullptr;
  if (caption && IsWindow(caption))
    SendMessage(caption, WM_NCACTIVATE, FALSE, 0);
  if (Visible())
    CloseUp();
}

void TcxPopupWindow::WMActivateApp(TMessageView& Message) {
  TForm::WMActivateApp(Message);
  if (Message.WParam == 0 && Visible())
    CloseUp();
}

void TcxPopupWindow::CMVisibleChanged(TMessageView& Message) {
  auto alive = AliveToken();
  TForm::CMVisibleChanged(Message);
  if (*alive)
    VisibleChanged();
}
