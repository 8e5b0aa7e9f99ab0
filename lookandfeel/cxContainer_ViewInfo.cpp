#include <algorithm>

#include "lookandfeel/cxContainer.h"
#include "lookandfeel/cxContainer_Internal.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/win/Win.h"

namespace {

constexpr int BorderWidths[] = {0, 1, 2, 2, 2, 1, 1};

TColor ThemeColor(TdxThemedObjectType AType, int APart, int AState, int AProp, TColor ADefault) {
  HTHEME theme = OpenTheme(AType);
  COLORREF color = 0;
  if (theme && GetThemeColor(theme, APart, AState, AProp, &color) == S_OK)
    return TColor(color);
  return ADefault;
}

} // namespace

TcxContainerViewInfo::TcxContainerViewInfo() = default;

void TcxContainerViewInfo::Assign(TObject* Source) {
  if (auto* source = dynamic_cast<TcxContainerViewInfo*>(Source))
    InnerControlRect = source->InnerControlRect;
}

TcxRegion* TcxContainerViewInfo::GetUpdateRegion(TcxContainerViewInfo*) {
  return new TcxRegion();
}

void TcxContainerViewInfo::Offset(int DX, int DY) {
  OffsetRect(&ClientRect, DX, DY);
  OffsetRect(&Bounds, DX, DY);
  OffsetRect(&InnerControlRect, DX, DY);
}

void TcxContainerViewInfo::InternalPaint(TcxCanvas* ACanvas) {
  if (NativeStyle)
    PaintNative(ACanvas);
  else
    PaintClassic(ACanvas);
}

void TcxContainerViewInfo::PaintClassic(TcxCanvas* ACanvas) {
  TRect r = ClientRect;
  r.left -= BorderWidth;
  r.top -= BorderWidth;
  if (Edges.Contains(bRight))
    r.right += BorderWidth;
  if (Edges.Contains(bBottom))
    r.bottom += BorderWidth;
  if (Shadow)
    DrawContainerShadow(ACanvas, r);
  if (!Edges.Contains(bRight))
    r.right += BorderWidth;
  if (!Edges.Contains(bBottom))
    r.bottom += BorderWidth;
  DrawBorder(ACanvas, r);
  ACanvas->FillRect(ClientRect, BackgroundColor);
}

void TcxContainerViewInfo::PaintNative(TcxCanvas* ACanvas) {
  if (BorderStyle == cbsNone) {
    ACanvas->FillRect(Bounds, BackgroundColor);
    return;
  }
  TRect content = Bounds;
  if (HTHEME theme = OpenTheme(ThemedObjectType)) {
    RECT rc{};
    if (GetThemeBackgroundContentRect(theme, ACanvas->Handle(), ThemePart, ThemeState, &Bounds, &rc) == S_OK)
      content = rc;
  }
  ACanvas->FillRect(content, BackgroundColor);
  FillFrame(ACanvas, Bounds, content, ThemeColor(totComboBox, 1, 1, TMT_BORDERCOLOR, clWindowFrame));
}

void TcxContainerViewInfo::DrawBorder(TcxCanvas* ACanvas, TRect R) {
  switch (BorderStyle) {
  case cbsSingle:
  case cbsThick:
    ACanvas->FrameRect(R, BorderColor, BorderWidth);
    break;
  case cbsFlat:
    ACanvas->DrawEdge(R, true, true, Edges);
    InflateRect(&R, -1, -1);
    ACanvas->FrameRect(R, clBtnFace);
    break;
  case cbs3D:
    ACanvas->DrawEdge(R, true, true, Edges);
    InflateRect(&R, -1, -1);
    ACanvas->DrawComplexFrame(R, cl3DDkShadow, cl3DLight, Edges);
    break;
  default:
    break;
  }
}

void TcxContainer::CalculateState(const TPoint& P, bool AHotTrackAllowed) {
  if (!Enabled())
    FViewInfo->ContainerState = {csDisabled};
  else if (IsDesigning())
    FViewInfo->ContainerState = {csNormal};
  else {
    FViewInfo->ContainerState = {Focused() ? csFocused : csNormal};
    const TRect visible = GetVisibleBounds();
    if (AHotTrackAllowed && PtInRect(&visible, P))
      FViewInfo->ContainerState.Include(csHot);
  }
  TcxContainerStyle* style = GetActiveStyle();
  const TcxContainerStateFlags state = FViewInfo->ContainerState;
  FViewInfo->HotState = !style->HotTrack() ? 0 : (state.Contains(csFocused) || state.Contains(csHot) ? 2 : 1);
  if (FViewInfo->NativeStyle)
    FViewInfo->BorderStyle = Style()->BorderStyle();
  else {
    const TcxContainerBorderStyle borderStyle = style->BorderStyle();
    FViewInfo->BorderStyle =
        borderStyle == cbsUltraFlat || borderStyle == cbsOffice11 ? cbsSingle : borderStyle;
  }
}

void TcxContainer::CalculateViewInfo(const TPoint& P, bool AHotTrackAllowed) {
  TcxContainerViewInfo& vi = *FViewInfo;
  vi.NativeStyle = IsNativeStyle();
  const int w0 = GetContainerBorderWidth(vi.BorderStyle);
  CalculateState(P, AHotTrackAllowed);
  // The visible bounds depend on the border width: a narrower border may change the hot state.
  if (!vi.NativeStyle && w0 > GetContainerBorderWidth(vi.BorderStyle))
    CalculateState(P, AHotTrackAllowed);
  if (vi.NativeStyle) {
    vi.ThemedObjectType = GetBackgroundThemedObjectType();
    vi.ThemePart = GetBackgroundNativePart();
    vi.ThemeState = GetBackgroundNativeState();
  }
  TcxContainerStyle* style = GetActiveStyle();
  vi.Bounds = TRect{0, 0, Width(), Height()};
  vi.ClientRect = vi.Bounds;
  InsetRectByRect(vi.ClientRect, GetBorderExtent());
  vi.InnerControlRect = vi.ClientRect;
  vi.BorderWidth = GetContainerBorderWidth(vi.BorderStyle);
  vi.Edges = style->Edges();
  vi.Shadow = HasShadow();

  const TcxContainerBorderStyle activeBorder = style->BorderStyle();
  if (activeBorder == cbsUltraFlat || activeBorder == cbsOffice11) {
    const TcxContainerStateFlags state = vi.ContainerState;
    const bool highlighted = state.Contains(csFocused) || (state.Contains(csHot) && style->HotTrack()) ||
                             (IsDesigning() && Enabled());
    if (!highlighted)
      vi.BorderColor = clBtnShadow;
    else
      vi.BorderColor = activeBorder == cbsUltraFlat ? clHighlight : cxOffice11SelectedBorderColor();
  } else {
    vi.BorderColor = style->BorderColor();
  }
  if (vi.NativeStyle && !Enabled())
    vi.SetBackgroundColor(
        ThemeColor(vi.ThemedObjectType, vi.ThemePart, vi.ThemePart, TMT_FILLCOLOR, style->Color()));
  else
    vi.SetBackgroundColor(style->Color());
}

TRect TcxContainer::GetBorderExtent() {
  TcxContainerStyle* style = GetActiveStyle();
  TRect r{};
  if (style->TransparentBorder())
    r = TRect{cxContainerMaxBorderWidth, cxContainerMaxBorderWidth, cxContainerMaxBorderWidth,
              cxContainerMaxBorderWidth};
  else if (style->HasBorder()) {
    if (FViewInfo->NativeStyle) {
      const int w = Style()->BorderStyle() == cbsNone ? 0 : cxContainerMaxBorderWidth;
      r = TRect{w, w, w, w};
    } else {
      const int w = GetContainerBorderWidth(FViewInfo->BorderStyle);
      const TcxBorders edges = style->Edges();
      r = TRect{edges.Contains(bLeft) ? w : 0, edges.Contains(bTop) ? w : 0, edges.Contains(bRight) ? w : 0,
                edges.Contains(bBottom) ? w : 0};
    }
  }
  if (HasShadow()) {
    r.right += cxContainerShadowWidth;
    r.bottom += cxContainerShadowWidth;
  }
  return r;
}

TRect TcxContainer::GetBorderRect() {
  TRect r = FViewInfo->Bounds;
  InsetRectByRect(r, GetBorderExtent());
  const int w = FViewInfo->BorderWidth;
  InflateRect(&r, w, w);
  DeflateRectExcept(r, w, GetActiveStyle()->Edges());
  return r;
}

TRect TcxContainer::GetVisibleBounds() {
  TRect r{0, 0, Width(), Height()};
  if (IsInplace())
    return r;
  if (FViewInfo->Shadow) {
    r.right -= cxContainerShadowWidth;
    r.bottom -= cxContainerShadowWidth;
  }
  TcxContainerStyle* base = Style();
  if (!base->TransparentBorder())
    return r;
  if (!base->HasBorder()) {
    InflateRect(&r, -cxContainerMaxBorderWidth, -cxContainerMaxBorderWidth);
  } else if (FViewInfo->NativeStyle) {
    if (FViewInfo->BorderStyle == cbsNone)
      InflateRect(&r, -cxContainerMaxBorderWidth, -cxContainerMaxBorderWidth);
  } else {
    const int w = GetContainerBorderWidth(FViewInfo->BorderStyle);
    InflateRect(&r, -(cxContainerMaxBorderWidth - w), -(cxContainerMaxBorderWidth - w));
    DeflateRectExcept(r, w, FViewInfo->Edges);
  }
  return r;
}

bool TcxContainer::HasShadow() {
  return GetActiveStyle()->Shadow() && !IsNativeStyle();
}

bool TcxContainer::IsNativeStyle() {
  return AreVisualStylesUsed(Style()->LookAndFeel()->NativeStyle(), GetBackgroundThemedObjectType());
}

int TcxContainer::GetBackgroundNativeState() {
  if (!Enabled())
    return 4;
  if (Focused())
    return 5;
  return FViewInfo && FViewInfo->ContainerState.Contains(csHot) ? 2 : 1;
}

void TcxContainer::UpdateShadowRegion() {
  if (!HandleAllocated() || !FViewInfo)
    return;
  // Reshaping the window reaches the message hooks, where closing a popup runs handlers that may free this.
  auto alive = AliveToken();
  if (SetWindowShadowRegion(Handle(), GetBorderRect(),
                            FViewInfo->NativeStyle && FViewInfo->BorderStyle != cbsNone, TRect{},
                            FViewInfo->Shadow) &&
      *alive)
    ++FRefreshCounters.RegionChanges;
}

void TcxContainer::SetShapeClipRegion(TcxCanvas* ACanvas) {
  HRGN rgn = CreateShadowRegion(GetBorderRect(), FViewInfo->NativeStyle, TRect{}, FViewInfo->Shadow);
  if (!rgn)
    return;
  ACanvas->SetClipRegion(new TcxRegion(rgn), roIntersect);
}

TColor cxOffice11SelectedBorderColor() {
  // Without a scheme the Office look falls back to the system colours, as its painter does.
  return IsOffice11Themed() ? dxOffice11FixedColor2 : clHighlight;
}

TcxContainerMouseButton TranslateMouseButton(TMouseButton AButton) {
  static constexpr TcxContainerMouseButton Map[] = {cxmbLeft, cxmbRight, cxmbMiddle};
  return Map[int(AButton)];
}

bool QueryScrollBarInfo(HWND AWnd, LONG AObjectId, SCROLLBARINFO& AInfo) {
  AInfo.cbSize = sizeof(SCROLLBARINFO);
  return GetScrollBarInfo(AWnd, AObjectId, &AInfo) != FALSE;
}

bool GetNativeScrollBarPlace(TWinControl* AControl, TScrollBarKind AKind, TRect& APlace, bool& AEnabled) {
  TWinControl* parent = AControl->Parent();
  SCROLLBARINFO info{};
  const bool horizontal = AKind == sbHorizontal;
  const bool shown =
      AControl->HandleAllocated() &&
      QueryScrollBarInfo(AControl->Handle(), horizontal ? OBJID_HSCROLL : OBJID_VSCROLL, info) &&
      (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0;
  AEnabled = (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0 && (!parent || parent->Enabled());
  APlace = TRect{};
  if (!shown || !parent || !parent->HandleAllocated())
    return false;
  TRect r = info.rcScrollBar;
  MapWindowPoints(nullptr, parent->Handle(), reinterpret_cast<POINT*>(&r), 2);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (r.left < 0 || r.top < 0 || width <= 0 || height <= 0 || width > AControl->Width() ||
      height > AControl->Height())
    return false;
  APlace = TRect{r.left, r.top, width, height};
  return true;
}

bool MirrorNativeScrollInfo(HWND AWnd, TcxScrollBar* ABar) {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  if (!::GetScrollInfo(AWnd, ABar->Kind() == sbHorizontal ? SB_HORZ : SB_VERT, &si))
    return false;
  const int max = std::max(si.nMax, si.nMin);
  const int page = std::clamp(int(si.nPage), 0, max);
  if (ABar->Min() == si.nMin && ABar->Max() == max && ABar->PageSize() == page && ABar->Position() == si.nPos)
    return false;
  ABar->SetParams(si.nMin, max, true, page, si.nPos);
  return true;
}

TRect GetScrollBarsCornerRect(TWinControl* AControl, TcxScrollBar* AHScrollBar, TcxScrollBar* AVScrollBar) {
  if (!AHScrollBar || !AVScrollBar || !AHScrollBar->Visible() || !AVScrollBar->Visible())
    return TRect{};
  const int left = AVScrollBar->Left() - AControl->Left(), top = AHScrollBar->Top() - AControl->Top();
  return TRect{left, top, left + AVScrollBar->Width(), top + AHScrollBar->Height()};
}

void PaintScrollBarsCorner(TWinControl* AControl, TcxScrollBar* AHScrollBar, TcxScrollBar* AVScrollBar) {
  const TRect r = GetScrollBarsCornerRect(AControl, AHScrollBar, AVScrollBar);
  if (IsRectEmpty(&r) || !AControl->HandleAllocated())
    return;
  HDC dc = GetWindowDC(AControl->Handle());
  HBRUSH brush = CreateSolidBrush(ColorToRGB(cxSizeGripColor));
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  ReleaseDC(AControl->Handle(), dc);
}

void DrawContainerShadow(TcxCanvas* ACanvas, const TRect& R) {
  const int s = cxContainerShadowWidth;
  ACanvas->SetBrushColor(cxContainerShadowColor);
  ACanvas->FillRect(TRect{R.left + s, R.bottom, R.right, R.bottom + s}, clDefault);
  ACanvas->ExcludeClipRect(TRect{R.left, R.bottom, R.right, R.bottom + s});
  ACanvas->FillRect(TRect{R.right, R.top + s, R.right + s, R.bottom + s}, clDefault);
  ACanvas->ExcludeClipRect(TRect{R.right, R.top, R.right + s, R.bottom + s});
}

void InsetRectByRect(TRect& R, const TRect& AMargins) {
  R.left += AMargins.left;
  R.top += AMargins.top;
  R.right -= AMargins.right;
  R.bottom -= AMargins.bottom;
}

int GetContainerBorderWidth(TcxContainerBorderStyle ABorderStyle) {
  return BorderWidths[int(ABorderStyle)];
}

TRect GetControlRect(TControl* AControl) {
  return TRect{0, 0, AControl->Width(), AControl->Height()};
}

TcxContainer* GetContainerOfControl(TControl* AControl) {
  if (auto* container = dynamic_cast<TcxContainer*>(AControl))
    return container;
  if (auto* inner = dynamic_cast<IcxContainerInnerControl*>(AControl))
    return inner->GetContainer();
  return nullptr;
}

HRGN CreateShadowRegion(const TRect& R, bool ANoRegion, const TRect& AExclude, bool AShadow) {
  if (ANoRegion)
    return nullptr;
  HRGN rgn = CreateRectRgn(R.left, R.top, R.right, R.bottom);
  if (AShadow) {
    HRGN shadow = CreateRectRgn(R.left + cxContainerShadowWidth, R.top + cxContainerShadowWidth,
                                R.right + cxContainerShadowWidth, R.bottom + cxContainerShadowWidth);
    CombineRgn(rgn, rgn, shadow, RGN_OR);
    DeleteObject(shadow);
  }
  if (!IsRectEmpty(&AExclude)) {
    HRGN exclude = CreateRectRgn(AExclude.left, AExclude.top, AExclude.right, AExclude.bottom);
    CombineRgn(rgn, rgn, exclude, RGN_DIFF);
    DeleteObject(exclude);
  }
  return rgn;
}

bool IsWindowOfControl(TWinControl* AControl, HWND AWnd) {
  return AControl && AControl->HandleAllocated() && AControl->Handle() == AWnd;
}

void DeflateRectExcept(TRect& R, int AWidth, TcxBorders ASides) {
  if (!ASides.Contains(bLeft))
    R.left += AWidth;
  if (!ASides.Contains(bTop))
    R.top += AWidth;
  if (!ASides.Contains(bRight))
    R.right -= AWidth;
  if (!ASides.Contains(bBottom))
    R.bottom -= AWidth;
}

bool AreStringsEqual(const AnsiString& S1, const AnsiString& S2, bool ACaseSensitive) {
  return ACaseSensitive ? AnsiCompareStr(S1, S2) == 0 : AnsiUpperCase(S1) == AnsiUpperCase(S2);
}

void FillFrame(TcxCanvas* ACanvas, const TRect& AOuter, const TRect& AInner, TColor AColor) {
  if (IsRectEmpty(&AOuter) || EqualRect(&AOuter, &AInner))
    return;
  if (IsRectEmpty(&AInner)) {
    ACanvas->FillRect(AOuter, AColor);
    return;
  }
  ACanvas->FillRect(TRect{AOuter.left, AOuter.top, AInner.left, AOuter.bottom}, AColor);
  ACanvas->FillRect(TRect{AInner.left, AOuter.top, AInner.right, AInner.top}, AColor);
  ACanvas->FillRect(TRect{AInner.right, AOuter.top, AOuter.right, AOuter.bottom}, AColor);
  ACanvas->FillRect(TRect{AInner.left, AInner.bottom, AInner.right, AOuter.bottom}, AColor);
}

TPoint GetMouseCursorPos() {
  TPoint p{};
  GetCursorPos(&p);
  return p;
}

TShiftState GetCurrentShiftState() {
  return GetShiftState();
}

void InvalidateFrame(HWND AWnd, const TRect& AOuter, const TRect& AInner, bool AErase) {
  if (IsRectEmpty(&AInner)) {
    InvalidateRect(AWnd, &AOuter, AErase);
    return;
  }
  const TRect strips[] = {{AOuter.left, AOuter.top, AInner.left, AOuter.bottom},
                          {AInner.left, AOuter.top, AInner.right, AInner.top},
                          {AInner.right, AOuter.top, AOuter.right, AOuter.bottom},
                          {AInner.left, AInner.bottom, AInner.right, AOuter.bottom}};
  for (const TRect& r : strips)
    if (!IsRectEmpty(&r))
      InvalidateRect(AWnd, &r, AErase);
}

void InvalidateControlRect(TWinControl* AControl, const TRect& R, bool AErase) {
  if (AControl->HandleAllocated())
    InvalidateRect(AControl->Handle(), &R, AErase);
}

bool IsControlWindowVisible(TWinControl* AControl) {
  return AControl->HandleAllocated() && IsWindowVisible(AControl->Handle());
}

bool IsChildOfControlWindow(TWinControl* AControl, HWND AWnd) {
  return AControl->HandleAllocated() && IsChild(AControl->Handle(), AWnd);
}

void SetWindowRegionFromRect(TWinControl* AControl, const TcxContainerInnerControlRegion& ARegion,
                             bool ARedraw) {
  if (ARegion.IsWhole)
    SetWindowRgn(AControl->Handle(), nullptr, ARedraw);
  else
    SetWindowRgn(AControl->Handle(),
                 CreateRectRgn(ARegion.Rect.left, ARegion.Rect.top, ARegion.Rect.right, ARegion.Rect.bottom),
                 ARedraw);
}

bool SetWindowShadowRegion(HWND AWnd, const TRect& R, bool ANoRegion, const TRect& AExclude, bool AShadow) {
  HRGN fresh = CreateShadowRegion(R, ANoRegion, AExclude, AShadow);
  // The region read back is ours on every path: it is deleted however the comparison turns out.
  HRGN current = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetWindowRgn(AWnd, current);
  const bool hasCurrent = kind != ERROR && kind != NULLREGION;
  bool changed = false;
  if (!fresh) {
    if (hasCurrent) {
      SetWindowRgn(AWnd, nullptr, TRUE);
      changed = true;
    }
  } else if (hasCurrent && EqualRgn(fresh, current)) {
    DeleteObject(fresh);
  } else {
    SetWindowRgn(AWnd, fresh, TRUE);
    changed = true;
  }
  DeleteObject(current);
  return changed;
}

// The platform layer always carries GetScrollBarInfo; there is no system library to look it up in.
bool CanGetScrollBarInfo() {
  return true;
}

bool AreVisualStylesUsed(bool ANativeStyle, TdxThemedObjectType AThemedObjectType) {
  return ANativeStyle && OpenTheme(AThemedObjectType) != nullptr;
}
