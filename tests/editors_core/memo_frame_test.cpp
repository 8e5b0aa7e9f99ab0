#include <string>

#include "editors/core/cxMemo.h"
#include "platform/win/Edit.h"
#include "tests/lookandfeel/control_fixture.h"

namespace {

constexpr COLORREF kMarker = RGB(255, 0, 255);

// Each case starts the units over a recording theme backend that claims visual styles or not.
class MemoFrameTest : public ControlTest {
protected:
  void SetUp() override {}
  void TearDown() override { Stop(); }
  void Start(bool AThemed) {
    auto theme = std::make_unique<RecordingThemeBackend>();
    theme->SetActive(AThemed);
    StartUnits(std::move(theme));
    cxEditUtilsInitialize();
    cxContainerInitialize();
    cxEditInitialize();
    cxTextEditInitialize();
    cxMemoInitialize();
    form = ShowForm();
  }
  void Stop() {
    if (!started)
      return;
    form->Free();
    form = nullptr;
    cxMemoFinalize();
    cxTextEditFinalize();
    cxEditFinalize();
    cxContainerFinalize();
    cxEditUtilsFinalize();
    StopUnits();
  }
  TcxCustomMemo* MakeMemo(TScrollStyle AScrollBars, bool AInplace = false) {
    TcxCustomMemo* memo = AInplace ? new TcxCustomMemo(form, true) : new TcxMemo(form);
    memo->SetParent(form);
    memo->SetBounds(10, 10, 150, 90);
    memo->ActiveProperties()->SetScrollBars(AScrollBars);
    memo->ActiveProperties()->SetWordWrap(false);
    String text;
    for (int i = 0; i < 30; ++i)
      text += "a line much wider than the memo is, number " + std::to_string(i) + "\r\n";
    memo->SetText(text);
    Settle();
    return memo;
  }
  // Dispatches what is queued, painting included, and fails a memo that keeps repainting itself.
  static void Settle() {
    MSG msg;
    for (int i = 0; i < 10000; ++i) {
      if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        return;
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    ADD_FAILURE() << "messages never stop coming";
  }
  static COLORREF WindowPixel(HWND AWnd, int x, int y) {
    HDC dc = GetWindowDC(AWnd);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(AWnd, dc);
    return color;
  }
  static void FillWindow(HWND AWnd, COLORREF AColor) {
    RECT r{};
    GetWindowRect(AWnd, &r);
    const RECT all{0, 0, r.right - r.left, r.bottom - r.top};
    HDC dc = GetWindowDC(AWnd);
    HBRUSH brush = CreateSolidBrush(AColor);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(AWnd, dc);
  }
  // How many pixels of a rectangle are not the colour, and the first of them.
  template <class TPixelAt>
  static std::string StrayPixels(const TRect& R, COLORREF AColor, TPixelAt APixelAt) {
    int count = 0;
    std::string first;
    for (int y = R.top; y < R.bottom; ++y)
      for (int x = R.left; x < R.right; ++x)
        if (const COLORREF c = APixelAt(x, y); c != AColor && count++ == 0)
          first = " first at " + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(c);
    return count == 0 ? std::string() : std::to_string(count) + " pixels" + first;
  }
  static std::string StrayWindowPixels(HWND AWnd, const TRect& R, COLORREF AColor) {
    HDC dc = GetWindowDC(AWnd);
    std::string stray = StrayPixels(R, AColor, [&](int x, int y) { return GetPixel(dc, x, y); });
    ReleaseDC(AWnd, dc);
    return stray;
  }
  // What the form shows, children included.
  static std::string StrayFormPixels(TForm* AForm, const TRect& R, COLORREF AColor) {
    TBitmap shot;
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(AForm->ClientWidth(), AForm->ClientHeight());
    HDC dc = GetDC(AForm->Handle());
    BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), dc, 0, 0, SRCCOPY);
    ReleaseDC(AForm->Handle(), dc);
    return StrayPixels(R, AColor, [&](int x, int y) { return GetPixel(shot.Canvas()->Handle(), x, y); });
  }

  TForm* form = nullptr;
};

TEST_F(MemoFrameTest, FramePaintLeavesThemedBarsToTheLookAndFeelAndFillsTheCorner) {
  const COLORREF face = COLORREF(ColorToRGB(clBtnFace));
  struct Case {
    TScrollStyle bars;
    DWORD styles;
  } cases[] = {{ssBoth, WS_HSCROLL | WS_VSCROLL}, {ssVertical, WS_VSCROLL}, {ssHorizontal, WS_HSCROLL}};
  for (bool themed : {true, false})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(themed ? "themed " : "classic ") + std::to_string(int(c.bars)));
      Start(themed);
      TcxCustomMemo* memo = MakeMemo(c.bars);
      TcxCustomInnerMemo* inner = memo->InnerMemo();
      const HWND wnd = inner->Handle();
      const TRect corner = inner->GetNativeScrollBarsCornerRect();
      ASSERT_EQ(corner.right - corner.left, GetSystemMetrics(SM_CXVSCROLL));
      // The look-and-feel bars lie over the native bars' places; out of the way, the frame painting shows.
      inner->HScrollBar()->SetVisible(false);
      inner->VScrollBar()->SetVisible(false);
      FillWindow(wnd, kMarker);
      SendMessage(wnd, WM_NCPAINT, 1, 0);
      EXPECT_EQ(DWORD(GetWindowLong(wnd, GWL_STYLE)) & (WS_HSCROLL | WS_VSCROLL), c.styles);
      // The middle of a native bar's place: the platform draws its bar there only without visual styles.
      const TPoint bar = c.bars == ssHorizontal ? TPoint{corner.left / 2, corner.top + 8}
                                                : TPoint{corner.left + 8, corner.top / 2};
      EXPECT_EQ(WindowPixel(wnd, bar.x, bar.y) == kMarker, themed);
      if (c.bars == ssBoth) {
        EXPECT_EQ(StrayWindowPixels(wnd, corner, face), "");
      }
      Stop();
    }
}

TEST_F(MemoFrameTest, PassingFrameStyleMovesNeitherTheTextNorTheBars) {
  Start(true);
  TcxCustomMemo* memo = MakeMemo(ssBoth);
  TcxCustomInnerMemo* inner = memo->InnerMemo();
  const HWND wnd = inner->Handle();
  SendMessage(wnd, EM_SETSEL, 0, 0);
  SendMessage(wnd, EM_LINESCROLL, 0, 12);
  ASSERT_EQ(SendMessage(wnd, EM_GETFIRSTVISIBLELINE, 0, 0), 12);
  // Painted directly: a memo that heard of the passing style would repaint itself without end.
  SendMessage(wnd, WM_NCPAINT, 1, 0);
  EXPECT_EQ(SendMessage(wnd, EM_GETFIRSTVISIBLELINE, 0, 0), 12)
      << "the caret on the first line stays out of view";
  EXPECT_TRUE(inner->VScrollBar()->Visible());
  EXPECT_TRUE(inner->HScrollBar()->Visible());
  EXPECT_EQ(inner->VScrollBar()->Position(), 12);
}

// The square between the two look-and-feel bars, as the form shows it, in every look-and-feel.
TEST_F(MemoFrameTest, CornerBetweenLookAndFeelBarsIsTheSizeGripColour) {
  const struct {
    TcxLookAndFeelKind kind;
    bool native;
  } looks[] = {
      {lfFlat, false}, {lfStandard, false}, {lfUltraFlat, false}, {lfOffice11, false}, {lfUltraFlat, true}};
  for (bool themed : {true, false})
    for (const auto& look : looks) {
      SCOPED_TRACE(std::string(themed ? "themed " : "classic ") + std::to_string(int(look.kind)) +
                   (look.native ? " native" : ""));
      Start(themed);
      TcxCustomMemo* memo = MakeMemo(ssBoth);
      memo->Style()->LookAndFeel()->SetKind(look.kind);
      memo->Style()->LookAndFeel()->SetNativeStyle(look.native);
      memo->Invalidate();
      Settle();
      TcxScrollBar* h = memo->InnerMemo()->HScrollBar();
      TcxScrollBar* v = memo->InnerMemo()->VScrollBar();
      ASSERT_TRUE(h->Visible() && v->Visible());
      TRect square{v->Left(), h->Top(), v->Left() + v->Width(), h->Top() + h->Height()};
      ASSERT_FALSE(IsRectEmpty(&square));
      EXPECT_EQ(h->Left() + h->Width(), square.left) << "the square starts where the horizontal bar ends";
      EXPECT_EQ(v->Top() + v->Height(), square.top) << "the square starts where the vertical bar ends";
      OffsetRect(&square, memo->Left(), memo->Top());
      EXPECT_EQ(StrayFormPixels(form, square, COLORREF(ColorToRGB(cxSizeGripColor))), "");
      Stop();
    }
}

TEST_F(MemoFrameTest, InPlaceFontResetsBothMargins) {
  for (bool inplace : {false, true}) {
    SCOPED_TRACE(inplace ? "in place" : "standalone");
    Start(false);
    TcxCustomMemo* memo = MakeMemo(ssNone, inplace);
    const HWND wnd = memo->InnerMemo()->Handle();
    SendMessage(wnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(5, 7));
    memo->Style()->Font()->SetSize(memo->Style()->Font()->Size() + 4);
    Settle();
    const LRESULT margins = SendMessage(wnd, EM_GETMARGINS, 0, 0);
    EXPECT_EQ(LOWORD(margins), inplace ? 0 : 5);
    EXPECT_EQ(HIWORD(margins), inplace ? 0 : 7);
    Stop();
  }
}

} // namespace
