#include <gtest/gtest.h>

#include "editors/core/cxEditUtils.h"
#include "platform/win/SystemMetrics.h"
#include "tests/lookandfeel/painters_test_support.h"

namespace {

using namespace painters_test;

// The painter units and the brush cache, over the product's theme backend unless one is configured.
struct EditUnits {
  PainterUnits Painters;
  explicit EditUnits(std::function<void(RecordingThemeBackend&)> AConfigure = nullptr)
      : Painters(AConfigure) {
    cxEditUtilsInitialize();
  }
  ~EditUnits() { cxEditUtilsFinalize(); }
};

TEST(EditDrawing, ArrowSizes) {
  struct Case {
    TSize Button;
    TcxArrowDirection Direction;
    TSize Expected;
  };
  for (Case c :
       {Case{{17, 17}, adDown, {9, 5}}, Case{{16, 16}, adUp, {7, 4}}, Case{{17, 17}, adLeft, {5, 9}},
        Case{{16, 30}, adRight, {4, 7}}, Case{{40, 11}, adDown, {5, 3}}, Case{{3, 3}, adDown, {1, 1}}}) {
    const TSize s = CalculateArrowSize(c.Button, c.Direction);
    EXPECT_EQ(c.Expected.cx, s.cx) << c.Button.cx << "x" << c.Button.cy << " " << c.Direction;
    EXPECT_EQ(c.Expected.cy, s.cy) << c.Button.cx << "x" << c.Button.cy << " " << c.Direction;
  }
}

TEST(EditDrawing, TextConversions) {
  for (auto [caption, plain] :
       {std::pair{"&Open", "Open"}, std::pair{"Save && Quit", "Save & Quit"}, std::pair{"End&", "End_"},
        std::pair{"a&&&b", "a&b"}, std::pair{"", ""}, std::pair{"&&", "&"}})
    EXPECT_EQ(plain, RemoveAccelChars(caption)) << caption;
  struct Flags {
    DWORD In, Packed;
  };
  for (Flags f :
       {Flags{1, 4}, Flags{2, 2}, Flags{16, 32}, Flags{32, 16}, Flags{0x200, 64}, Flags{0x233, 118}})
    EXPECT_EQ(f.Packed, PackTextFlags(f.In)) << f.In;
  for (Flags f : {Flags{3, 6}, Flags{2, 2}, Flags{1, 4}, Flags{16, 32}, Flags{32, 16}, Flags{0x200, 64}})
    EXPECT_EQ(f.In, UnpackTextFlags(f.Packed)) << f.Packed;
}

TEST(EditDrawing, CenteredPositions) {
  struct Case {
    TRect R;
    TSize Size;
    bool Shift;
    TPoint Expected;
  };
  for (Case c :
       {Case{Rect(0, 0, 10, 10), {4, 3}, false, {3, 3}}, Case{Rect(0, 0, 10, 10), {4, 3}, true, {4, 4}},
        Case{Rect(0, 0, 10, 10), {9, 10}, true, {1, 0}}, Case{Rect(0, 0, 10, 10), {10, 10}, true, {0, 0}},
        Case{Rect(5, 5, 8, 8), {7, 7}, false, {3, 3}}}) {
    const TPoint p = CalculateCenteredPosition(c.R, c.Size, c.Shift);
    EXPECT_EQ(c.Expected.x, p.x);
    EXPECT_EQ(c.Expected.y, p.y);
  }
}

TEST(EditDrawing, ArrowsArePixelTriangles) {
  EditUnits units;
  struct Case {
    TcxArrowDirection Direction;
    int Count;
    std::vector<std::string> Pixels;
  };
  const Case cases[] = {
      {adUp, 1, {".......", "...#...", "..###..", ".#####.", "......."}},
      {adDown, 2, {".#####.", "..###..", "...#...", ".#####.", "..###..", "...#..."}},
      {adLeft, 1, {"..#.", ".##.", "###.", ".##.", "..#."}},
      {adRight, 1, {"#...", "##..", "###.", "##..", "#..."}},
  };
  for (const Case& c : cases) {
    const int w = int(c.Pixels[0].size());
    const int h = int(c.Pixels.size());
    Board board(w, h);
    DrawArrow(board.canvas.get(), Rect(0, 0, w, h), clRed, c.Direction, false, c.Count, 3);
    std::vector<std::string> drawn;
    for (int y = 0; y < h; ++y) {
      drawn.emplace_back();
      for (int x = 0; x < w; ++x)
        drawn.back() += board.At(x, y) == RGB(255, 0, 0) ? '#' : '.';
    }
    EXPECT_EQ(c.Pixels, drawn) << c.Direction;
  }
  // Pressed moves the group one pixel right and down.
  Board pressed(7, 5);
  DrawArrow(pressed.canvas.get(), Rect(0, 0, 7, 5), clRed, adUp, true, 1, 3);
  EXPECT_EQ(RGB(255, 0, 0), pressed.At(4, 2));
  EXPECT_NE(RGB(255, 0, 0), pressed.At(3, 1));
}

TEST(EditDrawing, FramesDotsAndPolylines) {
  EditUnits units;
  Board board(20, 20);
  FillFrameWithBrush(board.canvas.get(), Rect(2, 2, 12, 12), Rect(4, 4, 10, 10), GetSolidBrush(clRed));
  EXPECT_EQ(RGB(255, 0, 0), board.At(2, 2));
  EXPECT_EQ(RGB(255, 0, 0), board.At(11, 9));
  EXPECT_EQ(RGB(255, 255, 255), board.At(5, 5));
  EXPECT_EQ(RGB(255, 255, 255), board.At(12, 12));
  EXPECT_EQ(10 * 10 - 6 * 6, board.CountOf(RGB(255, 0, 0)));
  FillFrameWithBrush(board.canvas.get(), Rect(14, 14, 16, 16), Rect(0, 0, 0, 0), GetSolidBrush(clBlue));
  EXPECT_EQ(4, board.CountOf(RGB(0, 0, 255)));
  FillFrameWithBrush(board.canvas.get(), Rect(0, 0, 5, 5), Rect(0, 0, 5, 5), GetSolidBrush(clBlue));
  EXPECT_EQ(4, board.CountOf(RGB(0, 0, 255)));

  Board dots(20, 4);
  DrawEllipsisDots(dots.canvas.get(), 1, 1, 2, clGreen);
  EXPECT_EQ(12, dots.CountOf(Rgb(clGreen)));
  EXPECT_EQ(Rgb(clGreen), dots.At(5, 2));
  EXPECT_NE(Rgb(clGreen), dots.At(3, 2));

  for (bool asRectangles : {false, true}) {
    Board lines(10, 10);
    const TPoint corner[] = {{1, 1}, {6, 1}, {6, 5}};
    DrawPolyline(lines.canvas.get(), corner, clRed, asRectangles);
    EXPECT_EQ(10, lines.CountOf(RGB(255, 0, 0))) << asRectangles;
    EXPECT_EQ(RGB(255, 0, 0), lines.At(6, 5)) << asRectangles;
  }
}

TcxEditButtonDrawInfo Button(TcxEditButtonKind AKind, TcxEditButtonStyle AStyle) {
  TcxEditButtonDrawInfo b;
  b.Kind = AKind;
  b.Style = AStyle;
  b.Bounds = Rect(0, 0, 17, 17);
  return b;
}

TEST(EditDrawing, ButtonWidths) {
  EditUnits units;
  Board board(10, 10);
  const int minimum = GetSystemMetrics(SM_CYHSCROLL);
  TBitmap glyph;
  glyph.SetSize(20, 8);
  const int borders[] = {2, 4, 3, 3, 2, 2, 2};
  for (int style = btsDefault; style <= btsOffice11; ++style) {
    auto s = TcxEditButtonStyle(style);
    EXPECT_EQ(borders[style], GetEditButtonBorderWidth(Button(bkDown, s)));
    EXPECT_EQ(minimum, CalculateEditButtonWidth(board.canvas.get(), Button(bkDown, s)));
    TcxEditButtonDrawInfo withGlyph = Button(bkGlyph, s);
    withGlyph.Glyph = &glyph;
    EXPECT_EQ(20 + borders[style], CalculateEditButtonWidth(board.canvas.get(), withGlyph));
    TcxEditButtonDrawInfo text = Button(bkText, s);
    text.Caption = "Browse the folders";
    EXPECT_EQ(borders[style] + board.canvas->TextWidth(text.Caption) + 3,
              CalculateEditButtonWidth(board.canvas.get(), text));
    TcxEditButtonDrawInfo own = Button(bkEllipsis, s);
    own.Width = 1;
    EXPECT_EQ(borders[style], CalculateEditButtonWidth(board.canvas.get(), own));
    own.Width = 40;
    EXPECT_EQ(40, CalculateEditButtonWidth(board.canvas.get(), own));
  }
  EXPECT_EQ(minimum, CalculateEditButtonWidth(board.canvas.get(), Button(bkText, bts3D)));
  TcxEditButtonDrawInfo noGlyph = Button(bkGlyph, bts3D);
  EXPECT_EQ(minimum, CalculateEditButtonWidth(board.canvas.get(), noGlyph));
}

TEST(EditDrawing, NativeButtonsAreMeasuredAndDrawnByTheTheme) {
  EditUnits units([](RecordingThemeBackend& f) {
    f.SetContentMargins(u"Button", 1, {3, 4, 2, 2});
    f.SetContentMargins(u"ComboBox", 1, {1, 1, 1, 1});
  });
  Board board(30, 30);
  TcxEditButtonDrawInfo button = Button(bkEllipsis, btsUltraFlat);
  button.NativeStyle = true;
  EXPECT_EQ(7, GetEditButtonBorderWidth(button));
  button.DropDown = true;
  EXPECT_EQ(2, GetEditButtonBorderWidth(button));

  struct Case {
    bool DropDown;
    TcxEditButtonState State;
    std::u16string Class;
    int ThemeState;
  };
  for (Case c : {Case{true, ebsDisabled, u"COMBOBOX", 4}, Case{true, ebsNormal, u"COMBOBOX", 1},
                 Case{false, ebsPressed, u"BUTTON", 3}, Case{false, ebsSelected, u"BUTTON", 2}}) {
    units.Painters.fake->ClearCalls();
    button.DropDown = c.DropDown;
    button.State = c.State;
    DrawEditButton(board.canvas.get(), button);
    std::vector<ThemeCall> drawn;
    for (const ThemeCall& call : units.Painters.fake->Calls())
      if (call.function == "DrawThemeBackground")
        drawn.push_back(call);
    ASSERT_EQ(1u, drawn.size());
    EXPECT_EQ(c.Class, units.Painters.fake->ClassOf(drawn[0].theme));
    EXPECT_EQ(1, drawn[0].partId);
    EXPECT_EQ(c.ThemeState, drawn[0].stateId);
    EXPECT_EQ(button.Bounds, drawn[0].rect);
  }
}

TEST(EditDrawing, ClassicButtonFramesByStyle) {
  EditUnits units;
  struct Case {
    TcxEditButtonStyle Style;
    TcxEditButtonState State;
    TColor Outer;  // the top-left pixel
    TColor Corner; // the bottom-right pixel
    TColor Inside; // a pixel of the filled inside, away from the content
  };
  const TColor face = clBtnFace;
  const Case cases[] = {
      {bts3D, ebsNormal, cl3DLight, cl3DDkShadow, face},
      {bts3D, ebsPressed, clBtnShadow, clBtnShadow, face},
      {btsFlat, ebsNormal, face, clBtnShadow, face},
      {btsSimple, ebsNormal, clBtnShadow, face, face},
      {btsHotFlat, ebsNormal, face, face, face},
      {btsHotFlat, ebsSelected, clBtnShadow, clBtnShadow, face},
      {btsUltraFlat, ebsNormal, face, face, face},
      {btsUltraFlat, ebsSelected, clHighlight, clHighlight, GetEditButtonHighlightColor(false, false)},
      {btsUltraFlat, ebsPressed, clHighlight, clHighlight, GetEditButtonHighlightColor(true, false)},
      {btsOffice11, ebsPressed, GetEditBorderHighlightColor(true), GetEditBorderHighlightColor(true),
       GetEditButtonHighlightColor(true, true)},
  };
  for (const Case& c : cases) {
    Board board(17, 17);
    TcxEditButtonDrawInfo b = Button(bkEllipsis, c.Style);
    b.State = c.State;
    TRect content{};
    DrawEditButtonBorder(board.canvas.get(), b, b.Bounds, content);
    EXPECT_EQ(Rgb(c.Outer), board.At(0, 0)) << c.Style << "/" << c.State;
    EXPECT_EQ(Rgb(c.Corner), board.At(16, 16)) << c.Style << "/" << c.State;
    EXPECT_EQ(Rgb(c.Inside), board.At(content.left, content.top)) << c.Style << "/" << c.State;
  }
}

TEST(EditDrawing, ButtonContentByKind) {
  EditUnits units;
  struct Case {
    TcxEditButtonKind Kind;
    TcxEditButtonState State;
    TColor Ink;
    int Count;
  };
  // A frameless 17-pixel button: three two-pixel dots; an arrow 9 wide and 5 high.
  for (Case c : {Case{bkEllipsis, ebsNormal, clBtnText, 12}, Case{bkEllipsis, ebsDisabled, clBtnShadow, 12},
                 Case{bkDown, ebsNormal, clBtnText, 25}, Case{bkDown, ebsDisabled, clBtnShadow, 25}}) {
    Board board(17, 17);
    TcxEditButtonDrawInfo b = Button(c.Kind, btsDefault);
    b.State = c.State;
    DrawEditButton(board.canvas.get(), b);
    EXPECT_EQ(c.Count, board.CountOf(Rgb(c.Ink))) << c.Kind << "/" << c.State;
    // The embossed copy shows only where the shadow copy, one pixel up and left, does not cover it.
    EXPECT_EQ(c.State == ebsDisabled ? 9 : 0, board.CountOf(Rgb(clBtnHighlight))) << c.Kind;
  }
}

TEST(EditDrawing, GlyphsEnabledAndDisabled) {
  EditUnits units;
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(4, 4);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
  glyph.Canvas()->SetPixels(1, 1, clRed);
  glyph.Canvas()->SetPixels(2, 2, clRed);
  EXPECT_TRUE(IsGlyphAssigned(&glyph));
  EXPECT_FALSE(IsGlyphAssigned(nullptr));
  TBitmap empty;
  EXPECT_FALSE(IsGlyphAssigned(&empty));

  Board enabled(8, 8);
  DrawGlyph(enabled.canvas.get(), TPoint{2, 2}, &glyph, true);
  EXPECT_EQ(2, enabled.CountOf(RGB(255, 0, 0)));
  EXPECT_EQ(0, enabled.CountOf(RGB(255, 0, 255)));
  EXPECT_FALSE(glyph.Transparent());

  Board disabled(8, 8);
  DrawGlyph(disabled.canvas.get(), TPoint{2, 2}, &glyph, false);
  EXPECT_EQ(0, disabled.CountOf(RGB(255, 0, 0)));
  EXPECT_EQ(2, disabled.CountOf(Rgb(clBtnShadow)));
  EXPECT_EQ(Rgb(clBtnShadow), disabled.At(3, 3));
  EXPECT_EQ(Rgb(clBtnHighlight), disabled.At(5, 5));

  TImageList images(4, 4);
  images.AddMasked(&glyph, clFuchsia);
  for (bool enabledImage : {true, false}) {
    Board fromList(8, 8);
    DrawImageListImage(fromList.canvas.get(), TPoint{2, 2}, &images, 0, enabledImage, clYellow);
    EXPECT_EQ(enabledImage ? 2 : 0, fromList.CountOf(RGB(255, 0, 0)));
    EXPECT_EQ(enabledImage ? 14 : 13, fromList.CountOf(RGB(255, 255, 0))) << enabledImage;
    DrawImageListImage(fromList.canvas.get(), TPoint{0, 0}, &images, 1, true, clBlue);
    DrawImageListImage(fromList.canvas.get(), TPoint{0, 0}, nullptr, 0, true, clBlue);
    EXPECT_EQ(0, fromList.CountOf(RGB(0, 0, 255)));
  }
}

TEST(EditDrawing, ColoursAndPainterChoice) {
  EditUnits units;
  for (auto [major, themed] : {std::pair{5u, true}, std::pair{6u, false}, std::pair{4u, false}}) {
    dxSetSystemVersion(major, 1);
    cxEditUtilsFinalize();
    cxEditUtilsInitialize();
    EXPECT_EQ(themed, IsThemedTextHotColorAvailable) << major;
    EXPECT_EQ(themed ? clHotLight : TColor(0xFF0000), GetHotTrackColor()) << major;
  }
  dxSetSystemVersion(5, 1);
  EXPECT_EQ(clHighlight, GetEditBorderHighlightColor(false));
  EXPECT_EQ(UltraFlat()->ButtonColor(cxbsHot), GetEditButtonHighlightColor(false, false));
  EXPECT_EQ(Office11()->ButtonColor(cxbsPressed), GetEditButtonHighlightColor(true, true));
  // Without an active theme the native flag falls back to the kind's painter.
  EXPECT_EQ(Flat(), GetLookAndFeelPainterClass(true, lfFlat));
  EXPECT_EQ(Office11(), GetLookAndFeelPainterClass(false, lfOffice11));
}

TEST(EditDrawing, NativePainterWhenTheThemeIsActive) {
  EditUnits units([](RecordingThemeBackend&) {});
  EXPECT_EQ(Native(), GetLookAndFeelPainterClass(true, lfFlat));
  EXPECT_EQ(Standard(), GetLookAndFeelPainterClass(false, lfStandard));
}

} // namespace
