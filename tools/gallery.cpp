// Draws every painter operation in every button state, one labelled PNG sheet per look-and-feel, a sheet of
// the editors' buttons and text layout, a sheet of live scroll bars and a control with both bars in every
// look-and-feel, put into their states by real mouse input on the headless display, a sheet of live check
// boxes, edit buttons in every style and memos with both bars in every look-and-feel, and a last sheet of
// styled containers (every border style in every look-and-feel and state, and an inner list box with both
// bars).
//   gallery [output-directory]
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editors/core/cxCheckBox.h"
#include "editors/core/cxEdit.h"
#include "editors/core/cxEditUtils.h"
#include "editors/core/cxMemo.h"
#include "lookandfeel/cxContainer.h"
#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/cxPainterResources.h"
#include "lookandfeel/cxScrollBar.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/controls/Forms.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Win.h"

namespace {

using Painter = TcxLookAndFeelPainterClass;
using DrawCell = std::function<void(Painter, TcxCanvas*, const TRect&, TcxButtonState)>;

struct Row {
  std::string label;
  int width, height;
  bool perState; // otherwise drawn once, in the first column
  DrawCell draw;
};

constexpr int labelWidth = 230, cellWidth = 84, rowGap = 6, headerHeight = 24;
const char* const stateNames[] = {"default", "normal", "hot", "pressed", "disabled"};

// The form as its window shows it, painted controls and all.
void CaptureForm(TForm* AForm, TBitmap& ASheet) {
  ASheet.SetPixelFormat(pf24bit);
  ASheet.SetSize(AForm->Width(), AForm->Height());
  HDC formDC = GetDC(AForm->Handle());
  BitBlt(ASheet.Canvas()->Handle(), 0, 0, AForm->Width(), AForm->Height(), formDC, 0, 0, SRCCOPY);
  ReleaseDC(AForm->Handle(), formDC);
}

TFont* LabelFont() {
  static TFont font;
  font.SetName("DejaVu Sans");
  font.SetHeight(-11);
  return &font;
}

std::vector<Row> Rows() {
  std::vector<Row> rows;
  auto add = [&](std::string label, int w, int h, bool perState, DrawCell draw) {
    rows.push_back({std::move(label), w, h, perState, std::move(draw)});
  };
  add("DrawButton", 60, 23, true,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) { p->DrawButton(c, r, "&Ok", s); });
  add("DrawButtonBackground", 40, 20, true,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) { p->DrawButtonBackground(c, r, s); });
  const char* directions[] = {"up", "down", "left", "right"};
  for (int d = 0; d < 4; ++d)
    add(std::string("DrawArrowButton ") + directions[d], 17, 17, true,
        [d](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
          p->DrawArrowButton(c, r, s, TcxArrowDirection(d));
        });
  add("DrawButtonArrow down", 17, 17, true, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
    c->FillRect(r, p->ButtonColor(s));
    p->DrawButtonArrow(c, r, s, adDown);
  });
  add("DrawArrow / DrawDropDownArrow", 60, 17, false,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
        p->DrawArrow(c, Rect(r.left, r.top, r.left + 17, r.bottom), adRight, clBtnText);
        p->DrawDropDownArrow(c, Rect(r.left + 30, r.top, r.left + 47, r.bottom), clBtnText);
      });
  for (bool blue : {false, true})
    add(blue ? "DrawDropDownButton blue" : "DrawDropDownButton", 17, 20, true,
        [blue](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
          p->DrawDropDownButton(c, r, s, blue);
        });
  for (int i = 0; i < 3; ++i)
    add("DrawButtonInGroup " + std::to_string(i) + " of 3", 30, 20, true,
        [i](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
          p->DrawButtonInGroup(c, r, s, 3, i, clBtnShadow);
        });
  add("DrawButtonFrame plain/hot/selected", 70, 20, false,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
        for (int i = 0; i < 3; ++i)
          p->DrawButtonFrame(c, Bounds(r.left + i * 24, r.top, 20, 20), i == 2, i == 1);
      });
  add("DrawBorder / DrawContainerBorder", 70, 20, false,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
        p->DrawBorder(c, Rect(r.left, r.top, r.left + 32, r.bottom));
        p->DrawContainerBorder(c, Rect(r.left + 38, r.top, r.right, r.bottom));
      });
  for (bool expanded : {false, true}) {
    std::string suffix = expanded ? " expanded" : " collapsed";
    add("DrawExpandButton" + suffix, 13, 13, false,
        [expanded](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
          int size = p->ExpandButtonSize() > 0 ? p->ExpandButtonSize() : 11;
          int saved = SaveDC(c->Handle());
          p->DrawExpandButton(c, Bounds(r.left, r.top, size, size), expanded);
          RestoreDC(c->Handle(), saved);
        });
    add("DrawSmallExpandButton" + suffix, 9, 9, false,
        [expanded](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
          int size = p->SmallExpandButtonSize();
          p->DrawSmallExpandButton(c, Bounds(r.left, r.top, size, size), expanded, clBtnShadow, clWindow);
        });
    add("DrawGroupExpandButton" + suffix, 15, 15, true,
        [expanded](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
          p->DrawGroupExpandButton(c, r, expanded, s);
        });
  }
  for (bool checked : {false, true}) {
    add(checked ? "DrawCheckButton checked" : "DrawCheckButton", 13, 13, true,
        [checked](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
          p->DrawCheckButton(c, r, s, checked);
        });
    add(checked ? "DrawRadioButton checked" : "DrawRadioButton", 13, 13, true,
        [checked](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
          p->DrawRadioButton(c, r.left, r.top, s, checked, false, clDefault);
        });
  }
  add("DrawRadioButton focused, designing", 30, 13, true,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
        p->DrawRadioButton(c, r.left, r.top, s, true, true, clDefault);
        p->DrawRadioButton(c, r.left + 16, r.top, s, false, false, clWindow, true);
      });
  add("DrawHeader", 70, 20, true, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
    p->DrawHeader(c, r, Rect(r.left + 2, r.top, r.right - 2, r.bottom), {}, cxBordersAll, s, taLeftJustify,
                  vaCenter, false, true, "Header", LabelFont(), clBtnText, p->DefaultHeaderColor());
  });
  add("DrawHeader neighbours L+R", 70, 20, true,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
        TcxNeighbors n{nLeft, nRight};
        p->DrawHeader(c, r, Rect(r.left + 2, r.top, r.right - 2, r.bottom), n, p->HeaderBorders(n), s,
                      taCenter, vaCenter, false, true, "Mid", LabelFont(), clBtnText,
                      p->DefaultHeaderColor());
      });
  add("DrawHeaderEx", 70, 20, true, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
    p->DrawHeaderEx(c, r, Rect(r.left + 2, r.top, r.right - 2, r.bottom), {}, cxBordersAll, s, taRightJustify,
                    vaCenter, false, false, "Ex", LabelFont(), clBtnText, p->DefaultHeaderColor());
  });
  add("DrawHeaderControlSection", 70, 20, true,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
        p->DrawHeaderControlSection(c, r, Rect(r.left + 3, r.top, r.right - 3, r.bottom), {}, cxBordersAll, s,
                                    taLeftJustify, vaCenter, false, false, "Section", LabelFont(), clBtnText,
                                    clBtnFace);
      });
  add("DrawHeaderPressed", 40, 20, false, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
    c->FillRect(r, clBtnFace);
    p->DrawHeaderPressed(c, r);
  });
  add("DrawSortingMark asc / desc", 40, 16, false,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
        c->FillRect(r, clBtnFace);
        p->DrawSortingMark(c, Rect(r.left, r.top, r.left + 16, r.bottom), true);
        p->DrawSortingMark(c, Rect(r.left + 20, r.top, r.left + 36, r.bottom), false);
      });
  add("DrawFooterCell", 70, 20, false, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
    p->DrawFooterCell(c, r, taRightJustify, vaCenter, false, "123", LabelFont(), clBtnText, clBtnFace);
  });
  add("DrawFooterBorder / CellBorder / Separator", 76, 20, false,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
        p->DrawFooterBorder(c, Bounds(r.left, r.top, 30, 20));
        p->DrawFooterCellBorder(c, Bounds(r.left + 34, r.top, 30, 20));
        p->DrawFooterSeparator(c, Bounds(r.left + 68, r.top, p->FooterSeparatorSize(), 20));
      });
  add("DrawContent hot", 70, 20, false, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
    p->DrawContent(c, r, r, cxbsHot, taCenter, vaCenter, false, false, "Content", LabelFont(), clBtnText,
                   clWindow);
  });
  add("DrawSmallCloseButton", 16, 14, true,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) { p->DrawSmallCloseButton(c, r, s); });
  add("DrawSmallPlusButton", 16, 14, true,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) { p->DrawSmallPlusButton(c, r, s); });
  add("DrawPlusGlyph", 12, 12, true, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
    c->FillRect(r, clBtnFace);
    p->DrawPlusGlyph(c, r, s);
  });
  for (bool pinned : {false, true})
    add(pinned ? "DrawPinButton pinned" : "DrawPinButton", 20, 20, true,
        [pinned](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
          p->DrawPinButton(c, r, s, pinned, clBtnFace);
        });
  add("DrawTab (native only)", 60, 20, true, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
    p->DrawTab(c, r, {bLeft, bRight}, "Tab", s, false, LabelFont(), clBtnText, clBtnFace);
  });
  add("DrawTabBorder L T R / DrawTabsRoot", 76, 20, false,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
        TRect tab = Bounds(r.left, r.top, 36, 20);
        c->FillRect(tab, clBtnFace);
        for (TcxBorder b : {bLeft, bTop, bRight})
          p->DrawTabBorder(c, tab, b, {bLeft, bTop, bRight}, false);
        TRect root = Bounds(r.left + 40, r.top, 36, 20);
        c->FillRect(root, clBtnFace);
        p->DrawTabsRoot(c, root, {bLeft, bTop, bRight}, false);
      });
  add("DrawIndicatorItem kinds 1-5", 14, 18, true,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
        p->DrawIndicatorItem(c, r, TcxIndicatorKind(int(s) + 1), clBtnFace);
      });
  add("DrawIndicatorItemEx kinds 1-5", 14, 18, true,
      [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
        p->DrawIndicatorItemEx(c, r, TcxIndicatorKind(int(s) + 1), clBtnFace);
      });
  const char* parts[] = {"", "first arrow", "second arrow", "thumb", "first page", "second page"};
  for (bool horizontal : {false, true})
    for (int part = spFirstArrow; part <= spSecondPage; ++part)
      add(std::string(horizontal ? "ScrollBar horz " : "ScrollBar vert ") + parts[part], horizontal ? 30 : 17,
          horizontal ? 17 : 30, true,
          [horizontal, part](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState s) {
            p->DrawScrollBarPart(c, horizontal, r, TcxScrollBarPart(part), s);
          });
  add("DrawMonthHeader", 76, 20, false, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
    TcxViewParams vp;
    vp.Color = clBtnFace;
    vp.Font = LabelFont();
    vp.TextColor = clBtnText;
    p->DrawMonthHeader(c, r, "Ocak", {}, vp, maBoth, 10);
  });
  add("DrawSplitter horz / vert", 76, 20, false, [](Painter p, TcxCanvas* c, const TRect& r, TcxButtonState) {
    TcxViewParams vp;
    vp.Color = clBtnFace;
    p->DrawSplitter(c, Bounds(r.left + 2, r.top + 6, 40, 7), vp, true);
    p->DrawSplitter(c, Bounds(r.left + 56, r.top, 7, 20), vp, false);
  });
  return rows;
}

void RenderSheet(Painter APainter, const std::string& ATitle, const std::string& APath) {
  std::vector<Row> rows = Rows();
  int height = headerHeight;
  for (const Row& row : rows)
    height += std::max(row.height, 14) + rowGap;
  TBitmap sheet;
  sheet.SetPixelFormat(pf24bit);
  sheet.SetSize(labelWidth + 5 * cellWidth, height + rowGap);
  TcxCanvas canvas(sheet.Canvas());
  canvas.FillRect(Rect(0, 0, sheet.Width(), sheet.Height()), clWindow);
  canvas.SetFont(LabelFont());
  canvas.Font()->SetColor(clWindowText);
  canvas.DrawText(ATitle, Rect(4, 4, labelWidth, headerHeight), cxAlignLeft | cxAlignVCenter | cxSingleLine);
  for (int s = 0; s < 5; ++s)
    canvas.DrawText(stateNames[s],
                    Rect(labelWidth + s * cellWidth, 4, labelWidth + (s + 1) * cellWidth, headerHeight),
                    cxAlignLeft | cxAlignVCenter | cxSingleLine);
  int y = headerHeight;
  for (const Row& row : rows) {
    int rowHeight = std::max(row.height, 14);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.SetBrushColor(clWindow);
    canvas.SetFont(LabelFont());
    canvas.Font()->SetColor(clWindowText);
    canvas.DrawText(row.label, Rect(4, y, labelWidth - 4, y + rowHeight),
                    cxAlignLeft | cxAlignVCenter | cxSingleLine);
    for (int s = 0; s < (row.perState ? 5 : 1); ++s) {
      TRect cell = Bounds(labelWidth + s * cellWidth, y, row.width, row.height);
      // Each cell is clipped to its own column, as a control's paint would be.
      int saved = SaveDC(canvas.Handle());
      canvas.IntersectClipRect(Bounds(labelWidth + s * cellWidth - 2, y - 2, cellWidth - 2, rowHeight + 4));
      row.draw(APainter, &canvas, cell, TcxButtonState(s));
      RestoreDC(canvas.Handle(), saved);
      canvas.Canvas()->Refresh();
      canvas.Brush()->SetStyle(bsSolid);
    }
    y += rowHeight + rowGap;
  }
  if (!SaveBitmapPng(sheet.Handle(), APath.c_str()))
    std::fprintf(stderr, "gallery: cannot write %s\n", APath.c_str());
  else
    std::printf("%s\n", APath.c_str());
}

// Edit buttons of every style and kind in the four button states, then the layout engine's alignments.
void RenderEditorsSheet(const std::string& APath) {
  const char* const styleNames[] = {"btsDefault", "bts3D",        "btsFlat",    "btsSimple",
                                    "btsHotFlat", "btsUltraFlat", "btsOffice11"};
  const char* const kindNames[] = {"ellipsis", "down", "glyph", "text"};
  const char* const buttonStateNames[] = {"disabled", "normal", "pressed", "hot"};
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(8, 8);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(Rect(0, 0, 8, 8));
  glyph.Canvas()->Brush()->SetColor(clNavy);
  glyph.Canvas()->FillRect(Rect(1, 3, 7, 5));
  glyph.Canvas()->FillRect(Rect(3, 1, 5, 7));

  const int buttonRows = 8 * 4; // seven classic styles and the native look, four kinds each
  const int rowHeight = 24;
  const int layoutTop = headerHeight + buttonRows * rowHeight + rowGap;
  TBitmap sheet;
  sheet.SetPixelFormat(pf24bit);
  sheet.SetSize(labelWidth + 4 * cellWidth, layoutTop + 4 * 70);
  TcxCanvas canvas(sheet.Canvas());
  canvas.FillRect(Rect(0, 0, sheet.Width(), sheet.Height()), clWindow);
  auto label = [&](const std::string& AText, const TRect& R) {
    canvas.Brush()->SetStyle(bsSolid);
    canvas.SetBrushColor(clWindow);
    canvas.SetFont(LabelFont());
    canvas.Font()->SetColor(clWindowText);
    canvas.DrawText(AText, R, cxAlignLeft | cxAlignVCenter | cxSingleLine);
  };
  label("Edit buttons", Rect(4, 4, labelWidth, headerHeight));
  for (int s = 0; s < 4; ++s)
    label(buttonStateNames[s],
          Rect(labelWidth + s * cellWidth, 4, labelWidth + (s + 1) * cellWidth, headerHeight));
  int y = headerHeight;
  for (int style = 0; style < 8; ++style)
    for (int kind = 0; kind < 4; ++kind) {
      const bool native = style == 7;
      label(std::string(native ? "native (falls back)" : styleNames[style]) + " / " + kindNames[kind],
            Rect(4, y, labelWidth - 4, y + rowHeight));
      for (int state = 0; state < 4; ++state) {
        TcxEditButtonDrawInfo b;
        b.Style = native ? btsUltraFlat : TcxEditButtonStyle(style);
        b.NativeStyle = native;
        b.Kind = TcxEditButtonKind(kind);
        b.State = TcxEditButtonState(state);
        b.Glyph = &glyph;
        b.Caption = "...";
        canvas.SetFont(LabelFont());
        b.Bounds = Bounds(labelWidth + state * cellWidth, y + 2, CalculateEditButtonWidth(&canvas, b),
                          rowHeight - 4);
        DrawEditButton(&canvas, b);
        canvas.Canvas()->Refresh();
      }
      y += rowHeight;
    }
  const char* text = "The layout engine breaks this text into rows, places them and draws them.";
  struct Sample {
    const char* Name;
    DWORD Flags;
  };
  const Sample samples[] = {
      {"left, word break", CXTO_WORDBREAK},
      {"centre, centred vertically", CXTO_WORDBREAK | CXTO_CENTER_HORIZONTALLY | CXTO_CENTER_VERTICALLY},
      {"justified", CXTO_JUSTIFY_HORIZONTALLY},
      {"one line, end ellipsis", CXTO_SINGLELINE | CXTO_END_ELLIPSIS | CXTO_CENTER_VERTICALLY}};
  y = layoutTop;
  for (const Sample& sample : samples) {
    label(sample.Name, Rect(4, y, labelWidth - 4, y + 60));
    TRect r = Bounds(labelWidth, y, 3 * cellWidth, 60);
    canvas.FrameRect(Rect(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1), clBtnShadow);
    canvas.SetFont(LabelFont());
    canvas.Font()->SetColor(clWindowText);
    DrawEditText(&canvas, text, r, sample.Flags);
    canvas.Canvas()->Refresh();
    y += 70;
  }
  if (!SaveBitmapPng(sheet.Handle(), APath.c_str()))
    std::fprintf(stderr, "gallery: cannot write %s\n", APath.c_str());
  else
    std::printf("%s\n", APath.c_str());
}

// A bordered control over a grid of content larger than itself, so that it shows both bars.
class TGalleryControl : public TcxControl {
  PELVOR_CLASS(TGalleryControl, TcxControl)
  using TcxControl::TcxControl;

protected:
  void InitScrollBarsParameters() override {
    const TRect r = GetClientBounds();
    SetScrollBarInfo(sbHorizontal, 0, 399, 8, RectWidth(r), 40, true, true);
    SetScrollBarInfo(sbVertical, 0, 299, 8, RectHeight(r), 60, true, true);
  }
  void Paint() override {
    TcxControl::Paint();
    const TRect r = GetClientBounds();
    cxCanvas()->FillRect(r, clWindow);
    cxCanvas()->Pen()->SetColor(clBtnShadow);
    for (int x = r.left + 20; x < r.right; x += 24) {
      cxCanvas()->MoveTo(x, r.top);
      cxCanvas()->LineTo(x, r.bottom);
    }
    for (int y = r.top + 10; y < r.bottom; y += 16) {
      cxCanvas()->MoveTo(r.left, y);
      cxCanvas()->LineTo(r.right, y);
    }
  }
};

void CopyWindow(TWinControl* AControl, TcxCanvas* ASheet, int X, int Y) {
  AControl->Repaint();
  HDC dc = GetDC(AControl->Handle());
  BitBlt(ASheet->Handle(), X, Y, AControl->Width(), AControl->Height(), dc, 0, 0, SRCCOPY);
  ReleaseDC(AControl->Handle(), dc);
}

void RenderControlsSheet(const std::string& APath) {
  platform::ResetWindowManager();
  auto backend = std::make_unique<platform::HeadlessBackend>();
  platform::Clock::UseManualTime(1000);
  cxControlsInitialize();
  cxLookAndFeelsInitialize();
  struct Kind {
    const char* title;
    TcxLookAndFeelKind kind;
  };
  const Kind kinds[] = {{"Standard", lfStandard},
                        {"Flat", lfFlat},
                        {"UltraFlat", lfUltraFlat},
                        {"Office 2003", lfOffice11},
                        {"Native (falls back)", lfStandard}};
  const char* const columns[] = {"normal",   "first arrow hot", "second arrow pressed", "thumb dragged",
                                 "disabled", "vertical",        "control, both bars"};
  constexpr int left = 150, column = 130, rowHeight = 128, top = 24;
  TBitmap sheet;
  sheet.SetPixelFormat(pf24bit);
  sheet.SetSize(left + 5 * column + 60 + 200, top + 5 * rowHeight);
  TcxCanvas canvas(sheet.Canvas());
  canvas.FillRect(Rect(0, 0, sheet.Width(), sheet.Height()), clWindow);
  canvas.SetFont(LabelFont());
  canvas.Font()->SetColor(clWindowText);
  const int columnX[] = {left,
                         left + column,
                         left + 2 * column,
                         left + 3 * column,
                         left + 4 * column,
                         left + 5 * column,
                         left + 5 * column + 60};
  for (int c = 0; c < 7; ++c)
    canvas.DrawText(columns[c], Rect(columnX[c], 4, columnX[c] + (c == 5 ? 60 : column), top),
                    cxAlignLeft | cxAlignVCenter | cxSingleLine);

  TForm* form = nullptr;
  Application()->CreateForm(form);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 800, 300);
  form->Show();
  Application()->ProcessMessages();
  auto mouse = [&](TControl* c, int x, int y, int how) {
    const TPoint p = c->ClientToScreen(TPoint{x, y});
    if (how == 0)
      backend->MouseMove(p.x, p.y);
    else if (how == 1)
      backend->MouseDown(p.x, p.y);
    else
      backend->MouseUp(p.x, p.y);
    Application()->ProcessMessages();
  };
  for (int k = 0; k < 5; ++k) {
    const int y = top + k * rowHeight;
    canvas.DrawText(kinds[k].title, Rect(4, y, left - 4, y + 20),
                    cxAlignLeft | cxAlignVCenter | cxSingleLine);
    auto* bar = new TcxScrollBar(form);
    bar->SetBounds(10, 10, 120, 16);
    bar->SetParent(form);
    bar->LookAndFeel()->SetKind(kinds[k].kind);
    bar->LookAndFeel()->SetNativeStyle(k == 4);
    bar->SetParams(0, 100, true, 20, 30);
    Application()->ProcessMessages();
    for (int state = 0; state < 5; ++state) {
      if (state == 1)
        mouse(bar, 5, 8, 0);
      if (state == 2) {
        mouse(bar, 112, 8, 0);
        mouse(bar, 112, 8, 1);
      }
      if (state == 3) {
        const TRect thumb = bar->PartBounds(spThumb);
        mouse(bar, thumb.left + 4, 8, 0);
        mouse(bar, thumb.left + 4, 8, 1);
        mouse(bar, thumb.left + 24, 8, 0);
      }
      if (state == 4)
        bar->SetEnabled(false);
      CopyWindow(bar, &canvas, columnX[state], y + 4);
      if (state == 2 || state == 3)
        mouse(bar, 60, 8, 2);
      mouse(form, 500, 250, 0);
    }
    bar->Free();
    auto* vertical = new TcxScrollBar(form);
    vertical->SetKind(sbVertical);
    vertical->SetBounds(10, 10, 16, 110);
    vertical->SetParent(form);
    vertical->LookAndFeel()->SetKind(kinds[k].kind);
    vertical->LookAndFeel()->SetNativeStyle(k == 4);
    vertical->SetParams(0, 100, true, 30, 60);
    CopyWindow(vertical, &canvas, columnX[5], y + 4);
    vertical->Free();
    auto* control = new TGalleryControl(form);
    control->SetBounds(200, 10, 190, 110);
    control->SetParent(form);
    control->LookAndFeel()->SetKind(kinds[k].kind);
    control->LookAndFeel()->SetNativeStyle(k == 4);
    control->SetBorderStyle(1);
    control->UpdateScrollBars();
    Application()->ProcessMessages();
    CopyWindow(control, &canvas, columnX[6], y + 4);
    control->Free();
  }
  if (!SaveBitmapPng(sheet.Handle(), APath.c_str()))
    std::fprintf(stderr, "gallery: cannot write %s\n", APath.c_str());
  else
    std::printf("%s\n", APath.c_str());
  DoneApplication();
  cxLookAndFeelsFinalize();
  cxControlsFinalize();
  platform::ResetWindowManager();
}

// A container held in one state for the sheet: focus is answered, hot is asked for at its centre.
class SheetContainer : public TcxContainer {
public:
  SheetContainer(TComponent* AOwner, TcxContainerStyleState AState) : TcxContainer(AOwner), FState(AState) {}
  bool Focused() override { return FState == cssFocused; }
  void Show() {
    if (FState == cssDisabled)
      SetEnabled(false);
    const TPoint p = FState == cssHot ? TPoint{Width() / 2, Height() / 2} : TPoint{-1, -1};
    RefreshContainer(p, cxmbNone, {}, false);
    if (FState == cssHot && !ViewInfo()->ContainerState.Contains(csHot))
      std::fprintf(stderr, "gallery: a hot-tracking container did not turn hot\n");
  }

private:
  TcxContainerStyleState FState;
};

class SheetListBox : public TcxContainer {
public:
  explicit SheetListBox(TComponent* AOwner) : TcxContainer(AOwner) {
    list = new TcxCustomInnerListBox(this);
    list->SetContainer(this);
    list->SetParent(this);
    SetInnerControl(list);
  }
  TcxCustomInnerListBox* list;
};

void RenderContainerSheet(const std::string& APath) {
  platform::ResetWindowManager();
  auto backend = std::make_unique<platform::HeadlessBackend>();
  cxControlsInitialize();
  cxLookAndFeelsInitialize();
  cxContainerInitialize();
  const struct {
    const char* name;
    TcxLookAndFeelKind kind;
    bool native;
  } kinds[] = {{"Flat", lfFlat, false},
               {"Standard", lfStandard, false},
               {"UltraFlat", lfUltraFlat, false},
               {"Office11", lfOffice11, false},
               {"Native (falls back)", lfUltraFlat, true}};
  const char* const borders[] = {"None", "Single", "Thick", "Flat", "3D", "UltraFlat", "Office11"};
  const char* const states[] = {"normal", "focused", "disabled", "hot"};
  constexpr int cellW = 110, cellH = 30, boxW = 96, boxH = 22, rowsPerKind = 8;
  const int listTop = headerHeight + 5 * rowsPerKind * cellH + 8;
  TForm* form = nullptr;
  Application()->CreateForm(form);
  form->SetBorderStyle(bsNone);
  form->SetColor(clBtnFace);
  form->SetBounds(0, 0, labelWidth + 4 * cellW, listTop + 150);
  form->Show();
  std::vector<SheetContainer*> cells;
  for (int k = 0; k < 5; ++k)
    for (int b = 0; b <= 7; ++b)
      for (int s = 0; s < 4; ++s) {
        auto* c = new SheetContainer(form, TcxContainerStyleState(s));
        c->Style()->LookAndFeel()->SetKind(kinds[k].kind);
        c->Style()->LookAndFeel()->SetNativeStyle(kinds[k].native);
        // The last row of each look-and-feel shows a single border with a shadow.
        c->Style()->SetBorderStyle(b == 7 ? cbsSingle : TcxContainerBorderStyle(b));
        c->Style()->SetShadow(b == 7);
        c->Style()->SetTransparentBorder(false);
        c->SetParent(form);
        c->SetBounds(labelWidth + s * cellW, headerHeight + (k * rowsPerKind + b) * cellH + 4, boxW,
                     boxH + (b == 7) * 3);
        cells.push_back(c);
      }
  auto* listBox = new SheetListBox(form);
  listBox->Style()->SetTransparentBorder(false);
  listBox->Style()->SetBorderStyle(cbsSingle);
  listBox->SetParent(form);
  listBox->SetBounds(labelWidth, listTop, 200, 130);
  listBox->list->SetScrollWidth(400);
  for (int i = 0; i < 40; ++i)
    listBox->list->Items()->Add("a long list item that needs a horizontal bar, number " + std::to_string(i));
  Application()->ProcessMessages();
  for (SheetContainer* c : cells)
    c->Show();
  Application()->ProcessMessages();

  TBitmap sheet;
  CaptureForm(form, sheet);
  TcxCanvas canvas(sheet.Canvas());
  canvas.SetFont(LabelFont());
  canvas.Font()->SetColor(clWindowText);
  canvas.Brush()->SetStyle(bsClear);
  const int flags = cxAlignLeft | cxAlignVCenter | cxSingleLine;
  canvas.DrawText("Containers", Rect(4, 2, labelWidth, headerHeight), flags);
  for (int s = 0; s < 4; ++s)
    canvas.DrawText(states[s], Rect(labelWidth + s * cellW, 2, labelWidth + (s + 1) * cellW, headerHeight),
                    flags);
  for (int k = 0; k < 5; ++k)
    for (int b = 0; b <= 7; ++b) {
      const int y = headerHeight + (k * rowsPerKind + b) * cellH + 4;
      const std::string label =
          std::string(kinds[k].name) + " / " + (b == 7 ? "Single + shadow" : borders[b]);
      canvas.DrawText(label, Rect(4, y, labelWidth - 4, y + boxH), flags);
    }
  canvas.DrawText("Inner list box, both bars", Rect(4, listTop, labelWidth - 4, listTop + boxH), flags);
  if (!SaveBitmapPng(sheet.Handle(), APath.c_str()))
    std::fprintf(stderr, "gallery: cannot write %s\n", APath.c_str());
  else
    std::printf("%s\n", APath.c_str());
  DoneApplication();
  cxContainerFinalize();
  cxLookAndFeelsFinalize();
  cxControlsFinalize();
  platform::ResetWindowManager();
}

// Live editors: check boxes in their three states and disabled, an editor with a drop-down and an ellipsis
// button in every button style, one row per look-and-feel, and below them a memo with both bars in each.
void RenderEditControlsSheet(const std::string& APath) {
  platform::ResetWindowManager();
  auto backend = std::make_unique<platform::HeadlessBackend>();
  cxControlsInitialize();
  cxLookAndFeelsInitialize();
  cxEditUtilsInitialize();
  cxContainerInitialize();
  cxEditInitialize();
  cxCheckBoxInitialize();
  cxTextEditInitialize();
  cxMemoInitialize();
  const struct {
    const char* name;
    TcxLookAndFeelKind kind;
    bool native;
  } kinds[] = {{"Flat", lfFlat, false},
               {"Standard", lfStandard, false},
               {"UltraFlat", lfUltraFlat, false},
               {"Office11", lfOffice11, false},
               {"Native (falls back)", lfUltraFlat, true}};
  const char* const checkColumns[] = {"unchecked", "checked", "grayed", "disabled"};
  const char* const buttonStyles[] = {"default", "3D", "Flat", "Simple", "HotFlat", "UltraFlat", "Office11"};
  constexpr int checkW = 90, editW = 100, rowH = 34, top = 22;
  const int editLeft = labelWidth + 4 * checkW;
  TForm* form = nullptr;
  Application()->CreateForm(form);
  form->SetBorderStyle(bsNone);
  form->SetColor(clBtnFace);
  constexpr int memoW = 150, memoH = 90;
  const int memoTop = top + 5 * rowH + top;
  form->SetBounds(0, 0, editLeft + 7 * editW, memoTop + memoH + 8);
  form->Show();
  for (int k = 0; k < 5; ++k) {
    const int y = top + k * rowH + 4;
    for (int c = 0; c < 4; ++c) {
      auto* box = new TcxCheckBox(form);
      box->SetParent(form);
      box->SetAutoSize(false);
      box->SetBounds(labelWidth + c * checkW, y, checkW - 6, 21);
      box->SetCaption(checkColumns[c]);
      box->Style()->LookAndFeel()->SetKind(kinds[k].kind);
      box->Style()->LookAndFeel()->SetNativeStyle(kinds[k].native);
      box->Properties()->SetAllowGrayed(true);
      box->SetState(c == 3 ? cbsChecked : TcxCheckBoxState(c));
      box->SetEnabled(c != 3);
    }
    for (int b = 0; b < 7; ++b) {
      auto* edit = new TcxCustomEdit(form);
      edit->SetParent(form);
      edit->SetAutoSize(false);
      edit->SetBounds(editLeft + b * editW, y, editW - 8, 21);
      edit->Style()->LookAndFeel()->SetKind(kinds[k].kind);
      edit->Style()->LookAndFeel()->SetNativeStyle(kinds[k].native);
      edit->Style()->SetButtonStyle(TcxEditButtonStyle(b));
      edit->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
      edit->Properties()->Buttons()->Add()->SetKind(bkDown);
    }
    auto* memo = new TcxMemo(form);
    memo->SetParent(form);
    memo->SetBounds(labelWidth + k * (memoW + 10), memoTop, memoW, memoH);
    memo->Style()->LookAndFeel()->SetKind(kinds[k].kind);
    memo->Style()->LookAndFeel()->SetNativeStyle(kinds[k].native);
    memo->Properties()->SetScrollBars(ssBoth);
    memo->Properties()->SetWordWrap(false);
    String text;
    for (int i = 0; i < 12; ++i)
      text += "a memo line wider than the memo, number " + std::to_string(i + 1) + "\r\n";
    memo->SetText(text);
  }
  Application()->ProcessMessages();
  TBitmap sheet;
  CaptureForm(form, sheet);
  TcxCanvas canvas(sheet.Canvas());
  canvas.SetFont(LabelFont());
  canvas.Font()->SetColor(clWindowText);
  canvas.Brush()->SetStyle(bsClear);
  const int flags = cxAlignLeft | cxAlignVCenter | cxSingleLine;
  canvas.DrawText("Check boxes", Rect(labelWidth, 2, editLeft, top), flags);
  for (int b = 0; b < 7; ++b)
    canvas.DrawText(std::string("buttons ") + buttonStyles[b],
                    Rect(editLeft + b * editW, 2, editLeft + (b + 1) * editW, top), flags);
  for (int k = 0; k < 5; ++k) {
    canvas.DrawText(kinds[k].name, Rect(4, top + k * rowH + 4, labelWidth - 4, top + k * rowH + 25), flags);
    canvas.DrawText(
        kinds[k].name,
        Rect(labelWidth + k * (memoW + 10), memoTop - top, labelWidth + (k + 1) * (memoW + 10), memoTop),
        flags);
  }
  canvas.DrawText("Memos, both bars", Rect(4, memoTop, labelWidth - 4, memoTop + 21), flags);
  if (!SaveBitmapPng(sheet.Handle(), APath.c_str()))
    std::fprintf(stderr, "gallery: cannot write %s\n", APath.c_str());
  else
    std::printf("%s\n", APath.c_str());
  DoneApplication();
  cxMemoFinalize();
  cxTextEditFinalize();
  cxCheckBoxFinalize();
  cxEditFinalize();
  cxContainerFinalize();
  cxEditUtilsFinalize();
  cxLookAndFeelsFinalize();
  cxControlsFinalize();
  platform::ResetWindowManager();
}

} // namespace

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : ".";
  dxUxThemeInitialize();
  dxThemeManagerInitialize();
  dxOffice11Initialize();
  cxLookAndFeelPaintersInitialize();
  struct Sheet {
    Painter painter;
    const char* title;
    const char* file;
  };
  const Sheet sheets[] = {
      {TcxStandardLookAndFeelPainter::Instance(), "Standard", "gallery-standard.png"},
      {TcxFlatLookAndFeelPainter::Instance(), "Flat", "gallery-flat.png"},
      {TcxUltraFlatLookAndFeelPainter::Instance(), "UltraFlat", "gallery-ultraflat.png"},
      {TcxOffice11LookAndFeelPainter::Instance(), "Office 2003 (classic colours)", "gallery-office11.png"},
      {TcxWinXPLookAndFeelPainter::Instance(), "Native (no visual styles: falls back)", "gallery-native.png"},
  };
  for (const Sheet& s : sheets)
    RenderSheet(s.painter, s.title, dir + "/" + s.file);
  cxEditUtilsInitialize();
  RenderEditorsSheet(dir + "/gallery-editors.png");
  cxEditUtilsFinalize();
  RenderControlsSheet(dir + "/gallery-controls.png");
  RenderContainerSheet(dir + "/gallery-containers.png");
  RenderEditControlsSheet(dir + "/gallery-edit-controls.png");
  cxLookAndFeelPaintersFinalize();
  dxOffice11Finalize();
  dxThemeManagerFinalize();
  dxUxThemeFinalize();
  return 0;
}
