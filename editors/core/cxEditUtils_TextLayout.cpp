#include <algorithm>
#include <cstring>
#include <optional>

#include "editors/core/cxEditUtils.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"

// Every code page of the platform is single-byte, so a character is always one byte and no row can split
// a double-byte character; the Far-East branch of the layout has nothing to do here.

namespace {

bool IsJustified(const TcxTextParams& P) {
  return P.HorzAlignment == 3 || P.HorzAlignment == 4;
}

// Character advances of the DC's font, measured once per layout call and only for the bytes met. Widths
// are additive, so a run measures the sum of its characters.
class TCharWidths {
public:
  explicit TCharWidths(HDC ADC) : FDC(ADC) { FWidths.fill(-1); }
  int Of(char C) {
    int& w = FWidths[std::uint8_t(C)];
    if (w < 0) {
      SIZE size{};
      GetTextExtentPoint32A(FDC, &C, 1, &size);
      w = int(size.cx);
    }
    return w;
  }

private:
  HDC FDC;
  std::array<int, 256> FWidths;
};

int MeasureText(HDC ADC, const char* AText, int ALength, const TcxTextParams& AParams) {
  if (ALength <= 0)
    return 0;
  if (AParams.ExpandTabs)
    return int(LOWORD(GetTabbedTextExtentA(ADC, AText, ALength, 0, nullptr)));
  SIZE size{};
  GetTextExtentPoint32A(ADC, AText, ALength, &size);
  return int(size.cx);
}

// The DC's clip region is put back however the drawing between ends.
class TClipGuard {
public:
  TClipGuard(HDC ADC, const TRect& AClip) : FDC(ADC), FSaved(CreateRectRgn(0, 0, 0, 0)) {
    if (GetClipRgn(FDC, FSaved) != 1) {
      DeleteObject(FSaved);
      FSaved = nullptr;
    }
    IntersectClipRect(FDC, AClip.left, AClip.top, AClip.right, AClip.bottom);
  }
  ~TClipGuard() {
    SelectClipRgn(FDC, FSaved);
    if (FSaved)
      DeleteObject(FSaved);
  }
  TClipGuard(const TClipGuard&) = delete;
  TClipGuard& operator=(const TClipGuard&) = delete;

private:
  HDC FDC;
  HRGN FSaved;
};

class TJustificationGuard {
public:
  TJustificationGuard(HDC ADC, int AExtra, int ACount) : FDC(ADC), FActive(AExtra > 0 && ACount > 0) {
    if (FActive)
      SetTextJustification(FDC, AExtra, ACount);
  }
  ~TJustificationGuard() {
    if (FActive)
      SetTextJustification(FDC, 0, 0);
  }
  TJustificationGuard(const TJustificationGuard&) = delete;
  TJustificationGuard& operator=(const TJustificationGuard&) = delete;

private:
  HDC FDC;
  bool FActive;
};

class TBkModeGuard {
public:
  explicit TBkModeGuard(HDC ADC) : FDC(ADC), FMode(SetBkMode(ADC, TRANSPARENT)) {}
  ~TBkModeGuard() { SetBkMode(FDC, FMode); }
  TBkModeGuard(const TBkModeGuard&) = delete;
  TBkModeGuard& operator=(const TBkModeGuard&) = delete;

private:
  HDC FDC;
  int FMode;
};

bool IsBreakChar(char C, const TcxTextParams& P) {
  return C == P.BreakChar || C == '\t';
}

// One row from P (ARemaining bytes) for the width; returns the bytes consumed, skipped characters included.
int MakeRow(HDC ADC, TCharWidths& AWidths, const char* P, int ARemaining, int AWidth, bool ALast,
            const TcxTextParams& AParams, TcxTextRow& ARow) {
  const bool canBreak = !AParams.SingleLine && (AParams.WordBreak || IsJustified(AParams));
  const bool charBreak = canBreak && AParams.CharBreak;
  const bool ellipsisMode =
      !AParams.WholeRows && !AParams.NoClip && !IsJustified(AParams) && ALast && AParams.EndEllipsis;
  const bool measure = canBreak || ellipsisMode || AParams.SingleLine;
  ARow.Text = P;
  ARow.TextLength = 0;
  ARow.BreakCount = 0;
  int breakPos = -1;
  int width = 0;
  for (int i = 0; i < ARemaining; ++i) {
    const char c = P[i];
    ARow.TextLength = i + 1;
    if (IsBreakChar(c, AParams)) {
      ++ARow.BreakCount;
      breakPos = i;
    }
    if ((c == '\r' || c == '\n') && !ellipsisMode && !AParams.SingleLine) {
      ARow.TextLength = i;
      if (AParams.HorzAlignment == 3)
        ARow.BreakCount = 0;
      break;
    }
    if (!measure)
      continue;
    width = AParams.ExpandTabs ? MeasureText(ADC, P, i + 1, AParams) : width + AWidths.Of(c);
    if (width <= AWidth)
      continue;
    if (ellipsisMode || AParams.SingleLine)
      break;
    if (breakPos >= 0) {
      ARow.TextLength = breakPos + 1;
      break;
    }
    if (charBreak) {
      ARow.TextLength = std::max(i, 1);
      break;
    }
  }
  if (IsJustified(AParams))
    while (ARow.TextLength > 0 && IsBreakChar(P[ARow.TextLength - 1], AParams)) {
      --ARow.TextLength;
      if (ARow.BreakCount > 0)
        --ARow.BreakCount;
    }
  ARow.TextExtentX = AParams.ExpandTabs ? MeasureText(ADC, P, ARow.TextLength, AParams) : [&] {
    int w = 0;
    for (int k = 0; k < ARow.TextLength; ++k)
      w += AWidths.Of(P[k]);
    return w;
  }();
  ARow.TextExtentY = AParams.Height;

  int used = ARow.TextLength;
  while (used < ARemaining && IsBreakChar(P[used], AParams))
    ++used;
  bool skippedCR = false;
  if (used < ARemaining && P[used] == '\t')
    ++used;
  if (used < ARemaining && P[used] == '\r') {
    ++used;
    skippedCR = true;
  }
  if (used < ARemaining && P[used] == '\n')
    ++used;
  if (AParams.HorzAlignment == 3 && (skippedCR || used >= ARemaining))
    ARow.BreakCount = 0;
  return used;
}

void DrawRows(HDC ADC, const TcxTextRows& ARows, int ARowCount, const TRect& R, const TcxTextParams& AParams,
              int ASelStart, int ASelLength, TColor ASelBkColor, TColor ASelTextColor,
              bool ALastRowEllipsis) {
  TBkModeGuard bkMode(ADC);
  static const char ellipsis[] = "...";
  auto drawEllipsis = [&](int X, int Y) {
    if (X >= R.right)
      return;
    const bool clip = !AParams.NoClip && X + AParams.EndEllipsisWidth > R.right;
    RECT r = R;
    ExtTextOutA(ADC, X, Y, clip ? ETO_CLIPPED : 0, clip ? &r : nullptr, ellipsis, 3, nullptr);
  };
  for (int k = 0; k < ARowCount; ++k) {
    const TcxTextRow& row = ARows[std::size_t(k)];
    const bool last = k == ARowCount - 1;
    if (row.TextLength == 0) {
      if (last && ALastRowEllipsis)
        drawEllipsis(row.TextOriginX, row.TextOriginY);
      continue;
    }
    const TRect band = Rect(R.left, row.TextOriginY, R.right, row.TextOriginY + AParams.LineHeight);
    const bool withEllipsis =
        AParams.EndEllipsis && last && (row.TextExtentX > RectWidth(R) || ALastRowEllipsis);
    TJustificationGuard justification(
        ADC, IsJustified(AParams) && !withEllipsis ? RectWidth(R) - row.TextExtentX : 0, row.BreakCount);
    std::optional<TClipGuard> clip;
    if (!AParams.NoClip && (row.TextExtentX > RectWidth(R) || band.top < R.top || band.bottom > R.bottom)) {
      TRect visible;
      IntersectRect(&visible, &band, &R);
      clip.emplace(ADC, visible);
    }
    int length = row.TextLength;
    int extent = row.TextExtentX;
    if (withEllipsis) {
      const int room = std::max(RectWidth(R) - AParams.EndEllipsisWidth, 0);
      int fit = 0;
      SIZE size{};
      GetTextExtentExPointA(ADC, row.Text, length, room, &fit, nullptr, &size);
      length = std::max(fit, 1);
      extent = MeasureText(ADC, row.Text, length, AParams);
    }
    const int x = row.TextOriginX;
    const int y = row.TextOriginY;
    auto output = [&] {
      if (AParams.ExpandTabs)
        TabbedTextOutA(ADC, x, y, row.Text, length, 0, nullptr, x);
      else
        ExtTextOutA(ADC, x, y, ETO_CLIPPED, nullptr, row.Text, UINT(length), nullptr);
    };
    output();
    const int selFrom = std::max(ASelStart, row.StartOffset);
    const int selTo = std::min(ASelStart + ASelLength, row.StartOffset + length);
    if (ASelLength > 0 && selFrom < selTo) {
      const int xs = x + MeasureText(ADC, row.Text, selFrom - row.StartOffset, AParams);
      const int xe = x + MeasureText(ADC, row.Text, selTo - row.StartOffset, AParams);
      const TRect sel = Rect(xs, band.top, xe, band.bottom);
      RECT fill = sel;
      FillRect(ADC, &fill, GetSolidBrush(ASelBkColor));
      TClipGuard selClip(ADC, sel);
      const COLORREF oldColor = SetTextColor(ADC, COLORREF(ColorToRGB(ASelTextColor)));
      try {
        output();
      } catch (...) {
        SetTextColor(ADC, oldColor);
        throw;
      }
      SetTextColor(ADC, oldColor);
    }
    if (withEllipsis)
      drawEllipsis(x + extent, y);
  }
}

} // namespace

void PrepareTextParams(HDC ADC, DWORD AFormat, TcxTextParams& AParams) {
  TEXTMETRICA tm{};
  GetTextMetricsA(ADC, &tm);
  AParams = TcxTextParams();
  AParams.UseExternalLeading = AFormat & CXTO_EXTERNALLEADING;
  AParams.Height = int(tm.tmHeight);
  AParams.ExternalLeading = AParams.UseExternalLeading ? int(tm.tmExternalLeading) : 0;
  AParams.LineHeight = AParams.Height + AParams.ExternalLeading;
  AParams.EndEllipsis = AFormat & CXTO_END_ELLIPSIS;
  AParams.ExpandTabs = AFormat & CXTO_EXPANDTABS;
  if (AParams.EndEllipsis)
    AParams.EndEllipsisWidth = MeasureText(ADC, "...", 3, AParams);
  AParams.BreakChar = char(tm.tmBreakChar);
  AParams.HorzAlignment = int(AFormat & 7);
  AParams.VertAlignment = int((AFormat & 0x30) >> 4);
  AParams.WordBreak = AFormat & CXTO_WORDBREAK;
  AParams.SingleLine = AFormat & CXTO_SINGLELINE;
  AParams.WholeRows = AFormat & CXTO_WHOLE_ROWS;
  AParams.NoClip = AFormat & CXTO_NOCLIP;
  AParams.UserFlag = AFormat & CXTO_USER_FLAG;
  AParams.LeftClamp = AFormat & CXTO_CLAMP_LEFT;
  AParams.TopClamp = AFormat & CXTO_CLAMP_TOP;
  AParams.CharBreak = AFormat & CXTO_CHARBREAK;
  AParams.ReturnRowCount = AFormat & CXTO_CALCROWCOUNT;
  AParams.CalcRect = AFormat & CXTO_CALCRECT;
  AParams.MaxCharWidth = int(tm.tmMaxCharWidth);
}

namespace {

// The canvas's font (and with it its colour) is selected lazily; the layout measures and draws in it.
HDC TextHandle(TcxCanvas* ACanvas) {
  ACanvas->Canvas()->RequiredState(TCanvasState{csHandleValid, csFontValid});
  return ACanvas->Handle();
}

} // namespace

void PrepareCanvasTextParams(TcxCanvas* ACanvas, DWORD AFormat, TcxTextParams& AParams) {
  PrepareTextParams(TextHandle(ACanvas), AFormat, AParams);
}

bool MakeTextRows(HDC ADC, const char* AText, const TRect& ARect, int AMaxLineCount, int& ARowCount,
                  TcxTextRows& ARows, TcxTextParams& AParams) {
  ARowCount = 0;
  const int length = AText ? int(std::strlen(AText)) : 0;
  if (length == 0)
    return true;
  TCharWidths widths(ADC);
  auto addRow = [&]() -> TcxTextRow& {
    if (int(ARows.size()) <= ARowCount)
      ARows.resize(std::size_t(ARowCount) + 4);
    return ARows[std::size_t(ARowCount++)];
  };
  if (AParams.CalcRect && AParams.SingleLine) {
    TcxTextRow& row = addRow();
    row = TcxTextRow();
    row.Text = AText;
    row.TextLength = length;
    row.TextExtentX = MeasureText(ADC, AText, length, AParams);
    row.TextExtentY = AParams.Height;
    return true;
  }
  const int w = RectWidth(ARect);
  const int h = RectHeight(ARect);
  int y = 0;
  int pos = 0;
  bool last = false;
  while (pos < length && !last) {
    y += AParams.LineHeight;
    if (AParams.SingleLine)
      last = true;
    else if (AParams.VertAlignment == 0 && !AParams.CalcRect)
      last = AParams.WholeRows && !AParams.NoClip ? y + AParams.LineHeight > h : y > h;
    else
      last = AMaxLineCount >= 1 && ARowCount + 1 >= AMaxLineCount;
    TcxTextRow& row = addRow();
    row = TcxTextRow();
    row.StartOffset = pos;
    pos += MakeRow(ADC, widths, AText + pos, length - pos, w, last, AParams, row);
  }
  return !(!AParams.SingleLine && !AParams.CalcRect && AMaxLineCount >= 1 && ARowCount == AMaxLineCount &&
           pos < length);
}

bool MakeTextRows(TcxCanvas* ACanvas, const char* AText, const TRect& ARect, int AMaxLineCount,
                  int& ARowCount, TcxTextRows& ARows, TcxTextParams& AParams) {
  return MakeTextRows(TextHandle(ACanvas), AText, ARect, AMaxLineCount, ARowCount, ARows, AParams);
}

void PositionTextRows(const TRect& ARect, TcxTextRows& ARows, int ARowCount, TcxTextParams& AParams) {
  if (ARowCount <= 0)
    return;
  int extra = 0;
  if (AParams.VertAlignment == 3 && ARowCount > 1) {
    const int spare = RectHeight(ARect) - AParams.Height;
    if (AParams.Height * (ARowCount - 1) < spare) {
      AParams.LineHeight = spare / (ARowCount - 1);
      extra = spare % (ARowCount - 1);
    }
  }
  int top;
  switch (AParams.VertAlignment) {
  case 1:
    top = ARect.top + (RectHeight(ARect) - ARowCount * AParams.LineHeight) / 2;
    break;
  case 2:
    top = ARect.bottom - ARowCount * AParams.LineHeight + AParams.ExternalLeading;
    break;
  default:
    top = ARect.top;
  }
  if (AParams.TopClamp)
    top = std::max(top, int(ARect.top));
  for (int k = 0; k < ARowCount; ++k) {
    TcxTextRow& row = ARows[std::size_t(k)];
    int x;
    switch (AParams.HorzAlignment) {
    case 1:
      x = ARect.left + (RectWidth(ARect) - row.TextExtentX) / 2;
      break;
    case 2:
      x = ARect.right - row.TextExtentX;
      break;
    default:
      x = ARect.left;
    }
    if (AParams.LeftClamp)
      x = std::max(x, int(ARect.left));
    row.TextOriginX = x;
    row.TextOriginY = top;
    top += AParams.LineHeight;
    if (extra > 0) {
      ++top;
      --extra;
    }
  }
}

int TextOutLayout(HDC ADC, const char* AText, TRect& ARect, DWORD AFormat, int ASelStart, int ASelLength,
                  TColor ASelBkColor, TColor ASelTextColor, int AMaxLineCount, int ALeftIndent,
                  int ARightIndent) {
  if (!AText || !*AText)
    return 0;
  TcxTextParams params;
  PrepareTextParams(ADC, AFormat, params);
  TRect r = Rect(ARect.left + ALeftIndent, ARect.top, ARect.right - ARightIndent, ARect.bottom);
  if (params.CalcRect ? RectWidth(r) <= 0 : (RectWidth(r) <= 0 || RectHeight(r) <= 0))
    return 0;
  TcxTextRows rows;
  int rowCount = 0;
  const bool cut = !MakeTextRows(ADC, AText, r, AMaxLineCount, rowCount, rows, params);
  if (params.CalcRect) {
    if (AMaxLineCount > 0 && AMaxLineCount < rowCount)
      rowCount = AMaxLineCount;
    int widest = 0;
    for (int k = 0; k < rowCount; ++k)
      widest = std::max(widest, rows[std::size_t(k)].TextExtentX);
    r.right = r.left + widest;
    if (!params.SingleLine) {
      MakeTextRows(ADC, AText, r, AMaxLineCount, rowCount, rows, params);
      if (AMaxLineCount > 0 && AMaxLineCount < rowCount)
        rowCount = AMaxLineCount;
    }
    PositionTextRows(r, rows, rowCount, params);
    r.bottom = rows[std::size_t(rowCount - 1)].TextOriginY + params.Height;
    ARect = Rect(r.left - ALeftIndent, r.top, r.right + ARightIndent, r.bottom);
  } else {
    bool lastRowEllipsis = false;
    if (AMaxLineCount > 0 && rowCount >= AMaxLineCount) {
      rowCount = AMaxLineCount;
      lastRowEllipsis = cut && params.EndEllipsis && params.WholeRows && !params.SingleLine;
    }
    PositionTextRows(r, rows, rowCount, params);
    const int length = int(std::strlen(AText));
    if (ASelStart < 0 || ASelStart > length || ASelLength < 0)
      ASelLength = 0;
    else
      ASelLength = std::min(ASelLength, length - ASelStart);
    DrawRows(ADC, rows, rowCount, r, params, ASelStart, ASelLength, ASelBkColor, ASelTextColor,
             lastRowEllipsis);
  }
  const int height = rows[std::size_t(rowCount - 1)].TextOriginY + params.Height - r.top;
  return params.ReturnRowCount || height == 0 ? rowCount : height;
}

int CanvasTextOutLayout(TcxCanvas* ACanvas, const char* AText, TRect& ARect, DWORD AFormat, int ASelStart,
                        int ASelLength, TColor ASelBkColor, TColor ASelTextColor, int AMaxLineCount,
                        int ALeftIndent, int ARightIndent) {
  return TextOutLayout(TextHandle(ACanvas), AText, ARect, AFormat, ASelStart, ASelLength, ASelBkColor,
                       ASelTextColor, AMaxLineCount, ALeftIndent, ARightIndent);
}

int DrawEditText(TcxCanvas* ACanvas, const char* AText, TRect& ARect, DWORD AFormat, int AMaxLineCount,
                 int ALeftIndent, int ARightIndent) {
  return CanvasTextOutLayout(ACanvas, AText, ARect, AFormat, 0, 0, clHighlight, clHighlightText,
                             AMaxLineCount, ALeftIndent, ARightIndent);
}
