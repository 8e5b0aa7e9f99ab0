#include "lookandfeel/cxScrollBar.h"

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "control_fixture.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/SysUtils.h"

namespace {

using Codes = std::vector<std::string>;

std::string CodeName(TScrollCode c) {
  static const char* names[] = {"LineUp", "LineDown", "PageUp", "PageDown", "Position",
                                "Track",  "Top",      "Bottom", "EndScroll"};
  return names[c];
}

// Counts the invalidations a control asks for.
class TCountingScrollBar : public TcxScrollBar {
  PELVOR_CLASS(TCountingScrollBar, TcxScrollBar)
  using TcxScrollBar::TcxScrollBar;
  int Invalidations = 0;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == CM_INVALIDATE)
      ++Invalidations;
    TcxScrollBar::WndProc(Message);
  }
};

class ScrollBarTest : public ControlTest {
protected:
  TCountingScrollBar* Make(TScrollBarKind kind = sbHorizontal, int length = 121) {
    form = ShowForm();
    bar = new TCountingScrollBar(form);
    bar->SetKind(kind);
    if (kind == sbHorizontal)
      bar->SetBounds(10, 10, length, 16);
    else
      bar->SetBounds(10, 10, 16, length);
    bar->SetParent(form);
    bar->OnScroll = TScrollEvent(this, &ScrollBarTest::Scrolled);
    bar->OnChange = TNotifyEvent(this, &ScrollBarTest::Changed);
    Pump();
    return bar;
  }
  void Scrolled(TObject*, TScrollCode code, int& pos) {
    codes.push_back(CodeName(code) + " " + std::to_string(pos));
    if (code == scLineDown && clampTo >= 0)
      pos = clampTo;
  }
  void Changed(TObject*) { ++changes; }

  TForm* form = nullptr;
  TCountingScrollBar* bar = nullptr;
  Codes codes;
  int changes = 0;
  int clampTo = -1;
};

TEST_F(ScrollBarTest, ParametersAreCheckedAndClamped) {
  Make();
  EXPECT_THROW(bar->SetParams(0, 10, true, 20, 0), EInvalidOperation);
  EXPECT_THROW(bar->SetMin(200), EInvalidOperation);
  EXPECT_EQ(bar->Min(), 0);
  EXPECT_EQ(bar->Max(), 100);
  bar->SetPageSize(50);
  try {
    bar->SetMax(40);
    ADD_FAILURE() << "no range error";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(std::string(e.Message().c_str()), "Scrollbar property out of range");
  }
  EXPECT_EQ(bar->Max(), 100);
  EXPECT_EQ(changes, 0);
  bar->SetPosition(150);
  EXPECT_EQ(bar->Position(), 100);
  EXPECT_EQ(changes, 1);
  bar->SetPosition(100);
  EXPECT_EQ(changes, 1);
  // The range shrinking below the position drags the position along and counts as a change.
  bar->SetParams(0, 60, true, 10, 100);
  EXPECT_EQ(bar->Position(), 60);
  EXPECT_EQ(changes, 2);
}

struct GeometryCase {
  const char* name;
  TScrollBarKind kind;
  int length;
  int min, max, page, pos;
  TRect first, second, thumb;
};

TEST_F(ScrollBarTest, PartsAreLaidOutInEveryLookAndFeel) {
  const GeometryCase cases[] = {
      // Page 0: the system thumb of 16 travels 73 pixels; 50 of 100 is 36.5, rounded away from zero.
      {"plain", sbHorizontal, 121, 0, 100, 0, 50, {0, 0, 16, 16}, {105, 0, 121, 16}, {53, 0, 69, 16}},
      {"start", sbHorizontal, 121, 0, 100, 0, 0, {0, 0, 16, 16}, {105, 0, 121, 16}, {16, 0, 32, 16}},
      // Page 20 of 100 values: thumb MulDiv(20, 89, 100) = 18; range 80; 40 of it is 71 / 2, rounded.
      {"paged", sbHorizontal, 121, 0, 99, 20, 40, {0, 0, 16, 16}, {105, 0, 121, 16}, {52, 0, 70, 16}},
      {"vertical", sbVertical, 121, 0, 99, 20, 80, {0, 0, 16, 16}, {0, 105, 16, 121}, {0, 87, 16, 105}},
      // A tiny page still gets the minimum thumb of 8.
      {"minimum", sbHorizontal, 121, 0, 1000, 1, 0, {0, 0, 16, 16}, {105, 0, 121, 16}, {16, 0, 24, 16}},
      // Too short for the system thumb: arrows only.
      {"short", sbHorizontal, 40, 0, 100, 0, 0, {0, 0, 16, 16}, {24, 0, 40, 16}, {}},
      // Shorter than two arrows: each takes half.
      {"tiny", sbHorizontal, 21, 0, 100, 0, 0, {0, 0, 10, 16}, {11, 0, 21, 16}, {}},
      {"empty range", sbHorizontal, 121, 5, 5, 1, 5, {0, 0, 16, 16}, {105, 0, 121, 16}, {}},
  };
  for (TcxLookAndFeelKind kind : {lfFlat, lfStandard, lfUltraFlat, lfOffice11}) {
    for (const GeometryCase& c : cases) {
      Make(c.kind, c.length);
      bar->LookAndFeel()->SetKind(kind);
      bar->SetParams(c.min, c.max, true, c.page, c.pos);
      const std::string what = std::string(c.name) + " kind " + std::to_string(kind);
      EXPECT_EQ(bar->PartBounds(spFirstArrow), c.first) << what;
      EXPECT_EQ(bar->PartBounds(spSecondArrow), c.second) << what;
      EXPECT_EQ(bar->PartBounds(spThumb), c.thumb) << what;
      if (IsRectEmpty(&c.thumb)) {
        EXPECT_EQ(bar->PartBounds(spFirstPage), TRect{}) << what;
        EXPECT_EQ(bar->PartBounds(spSecondPage), TRect{}) << what;
      }
      form->Free();
    }
  }
}

// A range wider than an int is laid out by its true size: the thumb lies where its position stands in the
// range, and what the bar shows over its whole track is that thumb between its two page areas.
TEST_F(ScrollBarTest, ARangeWiderThanAnIntLaysOutItsThumbByItsTrueSize) {
  const struct {
    const char* name;
    int min, max, page, pos;
    TRect thumb;
  } cases[] = {
      // Page 0: the system thumb of 16 travels 73 pixels; the middle of the range is 36.5 of them, rounded.
      {"every int, middle", INT_MIN, INT_MAX, 0, 0, {53, 0, 69, 16}},
      {"every int but the ends, middle", INT_MIN + 1, INT_MAX - 1, 0, 0, {53, 0, 69, 16}},
      {"every int, at Min", INT_MIN, INT_MAX, 0, INT_MIN, {16, 0, 32, 16}},
      {"every int, at Max", INT_MIN, INT_MAX, 0, INT_MAX, {89, 0, 105, 16}},
      // Three quarters of the range: 54.75 of 73 pixels.
      {"four billion, three quarters", -2000000000, 2000000000, 0, 1000000000, {71, 0, 87, 16}},
      // A page of 2^30 of 2^32 - 1 values is 22.25 of 89 pixels; the position is 2/3 of the rest, 44.67 of
      // 67 pixels.
      {"paged, middle", INT_MIN + 1, INT_MAX - 1, 1 << 30, 0, {61, 0, 83, 16}},
      {"paged, at Max", INT_MIN + 1, INT_MAX - 1, 1 << 30, INT_MAX - 1, {83, 0, 105, 16}},
  };
  for (TcxLookAndFeelKind kind : {lfFlat, lfStandard, lfUltraFlat, lfOffice11}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " kind " + std::to_string(kind));
      Make();
      bar->LookAndFeel()->SetKind(kind);
      bar->SetParams(c.min, c.max, true, c.page, c.pos);
      EXPECT_EQ(bar->PartBounds(spThumb), c.thumb);
      EXPECT_EQ(bar->PartBounds(spFirstPage), (TRect{16, 0, c.thumb.left, 16}));
      EXPECT_EQ(bar->PartBounds(spSecondPage), (TRect{c.thumb.right, 0, 105, 16}));
      bar->Repaint();
      TBitmap expected;
      expected.SetSize(121, 16);
      TcxCanvas canvas(expected.Canvas());
      bar->Painter()->DrawScrollBarPart(&canvas, true, TRect{16, 0, c.thumb.left, 16}, spFirstPage,
                                        cxbsNormal);
      bar->Painter()->DrawScrollBarPart(&canvas, true, c.thumb, spThumb, cxbsNormal);
      bar->Painter()->DrawScrollBarPart(&canvas, true, TRect{c.thumb.right, 0, 105, 16}, spSecondPage,
                                        cxbsNormal);
      HDC dc = GetDC(bar->Handle());
      int mismatches = 0;
      for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 105; ++x)
          mismatches += GetPixel(dc, x, y) != GetPixel(expected.Canvas()->Handle(), x, y);
      ReleaseDC(bar->Handle(), dc);
      EXPECT_EQ(mismatches, 0);
      form->Free();
    }
  }
}

// Near either end of a range as wide as an int, an arrow step or a dragged thumb stops at Min or Max.
TEST_F(ScrollBarTest, StepsAndDragsOverARangeWiderThanAnIntStopAtItsEnds) {
  const struct {
    const char* name;
    int min, max, pos;
    int x; // where the arrow is clicked
    std::string code;
    int expected;
  } steps[] = {
      {"right arrow at Max - 1", INT_MIN + 1, INT_MAX - 1, INT_MAX - 2, 110, "LineDown", INT_MAX - 1},
      {"left arrow at Min + 1", INT_MIN + 1, INT_MAX - 1, INT_MIN + 2, 5, "LineUp", INT_MIN + 1},
      {"right arrow at INT_MAX - 1", INT_MIN, INT_MAX, INT_MAX - 1, 110, "LineDown", INT_MAX},
      {"left arrow at INT_MIN + 1", INT_MIN, INT_MAX, INT_MIN + 1, 5, "LineUp", INT_MIN},
  };
  for (const auto& c : steps) {
    SCOPED_TRACE(c.name);
    Make();
    bar->SetSmallChange(32767);
    bar->SetParams(c.min, c.max, true, 0, c.pos);
    codes.clear();
    Press(bar, c.x, 8);
    Release(bar, c.x, 8);
    EXPECT_EQ(bar->Position(), c.expected);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), c.code + " " + std::to_string(c.expected));
    form->Free();
  }
  for (const int page : {0, 1 << 30}) {
    SCOPED_TRACE("page " + std::to_string(page));
    Make();
    bar->SetParams(INT_MIN, INT_MAX, true, page, 0);
    const TRect thumb = bar->PartBounds(spThumb);
    Press(bar, thumb.left + 2, 8);
    MoveTo(bar, 104, 8);
    EXPECT_EQ(bar->Position(), page > 0 ? INT_MAX - (page - 1) : INT_MAX);
    EXPECT_EQ(bar->PartBounds(spThumb).right, 105);
    MoveTo(bar, 0, 8);
    EXPECT_EQ(bar->Position(), INT_MIN);
    EXPECT_EQ(bar->PartBounds(spThumb).left, 16);
    Release(bar, 0, 8);
    form->Free();
  }
}

TEST_F(ScrollBarTest, AThemedGripperSetsTheMinimumThumb) {
  auto theme = std::make_unique<RecordingThemeBackend>();
  theme->SetPartSize(u"ScrollBar", SBP_GRIPPERHORZ, 0, SIZE{12, 9});
  Restart(std::move(theme));
  Make();
  EXPECT_EQ(bar->MinThumbSize(), 8);
  bar->LookAndFeel()->SetNativeStyle(true);
  ASSERT_EQ(bar->Painter()->LookAndFeelStyle(), lfsNative);
  EXPECT_EQ(bar->MinThumbSize(), 12);
  bar->SetParams(0, 1000, true, 1, 0);
  EXPECT_EQ(RectWidth(bar->PartBounds(spThumb)), 12);
}

TEST_F(ScrollBarTest, APageLargerThanTheRangeKeepsTheThumbAtTheStart) {
  Make();
  // Max - Min - PageSize + 1 is 50 - 80 + 1 < 0.
  bar->SetParams(50, 100, true, 80, 90);
  EXPECT_EQ(bar->PartBounds(spThumb).left, 16);
  EXPECT_GE(RectWidth(bar->PartBounds(spThumb)), 8);
}

TEST_F(ScrollBarTest, DraggingAThumbThatFillsItsTrackGoesToMin) {
  Make(sbHorizontal, 40); // a track of 8, filled by the minimum thumb
  bar->SetParams(0, 100, true, 10, 50);
  ASSERT_EQ(bar->PartBounds(spThumb), (TRect{16, 0, 24, 16}));
  Press(bar, 20, 8);
  MoveTo(bar, 23, 8);
  EXPECT_EQ(bar->Position(), 0);
  EXPECT_EQ(bar->PartBounds(spThumb), (TRect{16, 0, 24, 16}));
  Release(bar, 23, 8);
}

TEST_F(ScrollBarTest, HitTestFollowsTheParts) {
  Make();
  bar->SetParams(0, 100, true, 0, 50); // thumb 53..69
  const struct {
    int x;
    TcxScrollBarPart part;
  } cases[] = {{0, spFirstArrow},    {15, spFirstArrow},   {16, spFirstPage},  {52, spFirstPage},
               {53, spThumb},        {68, spThumb},        {69, spSecondPage}, {104, spSecondPage},
               {105, spSecondArrow}, {120, spSecondArrow}, {121, spNone},      {-1, spNone}};
  for (const auto& c : cases)
    EXPECT_EQ(bar->GetPartAtPos(TPoint{c.x, 8}), c.part) << c.x;
  bar->SetEnabled(false);
  EXPECT_EQ(bar->GetPartAtPos(TPoint{60, 8}), spNone);
  EXPECT_EQ(bar->GetPartAtPos(TPoint{5, 8}), spFirstArrow);
}

TEST_F(ScrollBarTest, HoldingAnArrowRepeatsOnlyWhileOverIt) {
  Make();
  Press(bar, 110, 8);
  EXPECT_EQ(bar->Position(), 1) << "one step at the press";
  EXPECT_EQ(bar->PressedPart(), spSecondArrow);
  Wait(399);
  EXPECT_EQ(bar->Position(), 1);
  Wait(1);
  EXPECT_EQ(bar->Position(), 2) << "the second after 400 ms";
  Wait(59);
  EXPECT_EQ(bar->Position(), 2);
  Wait(1);
  EXPECT_EQ(bar->Position(), 3) << "then every 60 ms";
  Wait(120);
  EXPECT_EQ(bar->Position(), 5);
  MoveTo(bar, 60, 8); // off the arrow, still captured
  Wait(240);
  EXPECT_EQ(bar->Position(), 5);
  MoveTo(bar, 110, 8);
  Wait(60);
  EXPECT_EQ(bar->Position(), 6);
  codes.clear();
  Release(bar, 110, 8);
  EXPECT_EQ(codes, (Codes{"EndScroll 6"}));
  EXPECT_EQ(bar->PressedPart(), spNone);
  Wait(500);
  EXPECT_EQ(bar->Position(), 6);
}

TEST_F(ScrollBarTest, PageRepeatStopsWhenTheThumbReachesTheMouse) {
  Make();
  bar->SetLargeChange(10);
  Press(bar, 100, 8); // page area after the thumb
  EXPECT_EQ(codes, (Codes{"PageDown 10"}));
  Wait(400 + 60 * 20);
  // The thumb travels towards the mouse and stops once it lies under it.
  const TRect thumb = bar->PartBounds(spThumb);
  EXPECT_TRUE(thumb.left <= 100 && 100 < thumb.right) << thumb.left;
  const int pos = bar->Position();
  Wait(600);
  EXPECT_EQ(bar->Position(), pos);
  Release(bar, 100, 8);
}

TEST_F(ScrollBarTest, StepsReportTheirCodesAndHandlersMayChangeThePosition) {
  Make();
  bar->SetSmallChange(3);
  bar->SetLargeChange(25);
  bar->SetPosition(50);
  changes = 0;
  Press(bar, 5, 8);
  Release(bar, 5, 8);
  Press(bar, 30, 8);
  Release(bar, 30, 8);
  clampTo = 200; // clamped back to Max after the handler
  Press(bar, 110, 8);
  Release(bar, 110, 8);
  EXPECT_EQ(codes, (Codes{"LineUp 47", "EndScroll 47", "PageUp 22", "EndScroll 22", "LineDown 25",
                          "EndScroll 100"}));
  EXPECT_EQ(bar->Position(), 100);
  EXPECT_EQ(changes, 3);
}

TEST_F(ScrollBarTest, ThumbDragSnapsBackFarFromTheBar) {
  Make(sbHorizontal, 200);
  bar->SetParams(0, 100, true, 0, 0); // thumb at 16..32, travel 152
  Press(bar, 20, 8);
  EXPECT_EQ(codes, (Codes{"Track 0"}));
  MoveTo(bar, 96, 8); // 76 of 152 pixels
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(bar->PartBounds(spThumb).left, 92);
  EXPECT_EQ(codes.back(), "Track 50");
  MoveTo(bar, 96, 16 + 135); // still inside the 136-pixel margin
  EXPECT_EQ(bar->Position(), 50);
  MoveTo(bar, 96, 8 + 200);
  EXPECT_EQ(bar->Position(), 0) << "snapped back";
  EXPECT_EQ(bar->PartBounds(spThumb).left, 16);
  EXPECT_EQ(codes.back(), "Track 0");
  MoveTo(bar, 200 + 34 + 5, 8); // past the 34-pixel margin along the bar
  EXPECT_EQ(bar->Position(), 0);
  MoveTo(bar, 500, 8 + 200);
  codes.clear();
  Release(bar, 500, 208);
  EXPECT_EQ(codes, (Codes{"Position 0", "EndScroll 0"}));
  EXPECT_EQ(changes, 0);
}

// While the thumb is held, the track it moved off is page area again: to the hit test and on the screen.
TEST_F(ScrollBarTest, ADraggedThumbLeavesTrackBehindIt) {
  for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
    SCOPED_TRACE(kind == sbHorizontal ? "horizontal" : "vertical");
    Make(kind, 200);
    bar->LookAndFeel()->SetKind(lfUltraFlat);
    bar->SetParams(0, 100, true, 0, 0); // thumb at 16..32 of a track 16..184
    const auto at = [&](int along) { return kind == sbHorizontal ? TPoint{along, 8} : TPoint{8, along}; };
    Press(bar, at(20).x, at(20).y);
    for (int along : {60, 120, 40}) {
      MoveTo(bar, at(along).x, at(along).y);
      ASSERT_EQ(bar->PressedPart(), spThumb);
      const TRect thumb = bar->PartBounds(spThumb);
      const int thumbStart = kind == sbHorizontal ? thumb.left : thumb.top;
      const int thumbEnd = kind == sbHorizontal ? thumb.right : thumb.bottom;
      EXPECT_EQ(thumbStart, along - 4);
      const auto span = [&](TcxScrollBarPart part) {
        const TRect r = bar->PartBounds(part);
        return kind == sbHorizontal ? std::pair{r.left, r.right} : std::pair{r.top, r.bottom};
      };
      EXPECT_EQ(span(spFirstPage), (std::pair{16, thumbStart}));
      EXPECT_EQ(span(spSecondPage), (std::pair{thumbEnd, 184}));
      for (int p : {17, thumbStart - 1, thumbEnd, 183}) {
        if (p >= thumbStart && p < thumbEnd)
          continue;
        const TPoint q = at(p);
        EXPECT_EQ(bar->GetPartAtPos(q), p < thumbStart ? spFirstPage : spSecondPage) << p;
      }
      bar->Repaint();
      TBitmap expected;
      expected.SetSize(bar->Width(), bar->Height());
      TcxCanvas canvas(expected.Canvas());
      for (TcxScrollBarPart part : {spFirstPage, spSecondPage})
        bar->Painter()->DrawScrollBarPart(&canvas, kind == sbHorizontal, bar->PartBounds(part), part,
                                          cxbsNormal);
      HDC dc = GetDC(bar->Handle());
      int mismatches = 0;
      for (int p = 16; p < 184; ++p) {
        if (p >= thumbStart && p < thumbEnd)
          continue;
        for (int across = 0; across < 16; ++across) {
          const TPoint q = kind == sbHorizontal ? TPoint{p, across} : TPoint{across, p};
          if (GetPixel(dc, q.x, q.y) != GetPixel(expected.Canvas()->Handle(), q.x, q.y))
            ++mismatches;
        }
      }
      ReleaseDC(bar->Handle(), dc);
      EXPECT_EQ(mismatches, 0) << "thumb at " << thumbStart;
    }
    Release(bar, at(40).x, at(40).y);
    form->Free();
  }
}

// From the press to the release the thumb is drawn pressed, however far the mouse goes in one move: past the
// thumb's old place, and far enough from the bar that the thumb snaps back.
TEST_F(ScrollBarTest, ADraggedThumbIsDrawnPressedUntilTheRelease) {
  struct Case {
    const char* name;
    int motion;     // pixels along the bar a move
    int across = 0; // pixels away from the bar
  } cases[] = {{"one pixel a move", 1},
               {"ten pixels a move", 10},
               {"forty pixels a move", 40},
               {"far from the bar", 10, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Make(sbVertical, 200);
    bar->LookAndFeel()->SetKind(lfUltraFlat);
    bar->SetParams(0, 1000, true, 1, 0); // the 8-pixel minimum thumb at 16..24
    const auto thumbPixelsOff = [&](TcxButtonState state) {
      bar->Repaint();
      const TRect thumb = bar->PartBounds(spThumb);
      TBitmap expected;
      expected.SetSize(bar->Width(), bar->Height());
      TcxCanvas canvas(expected.Canvas());
      bar->Painter()->DrawScrollBarPart(&canvas, false, thumb, spThumb, state);
      HDC dc = GetDC(bar->Handle());
      int off = 0;
      for (int y = thumb.top; y < thumb.bottom; ++y)
        for (int x = thumb.left; x < thumb.right; ++x)
          off += GetPixel(dc, x, y) != GetPixel(expected.Canvas()->Handle(), x, y);
      ReleaseDC(bar->Handle(), dc);
      return off;
    };
    Press(bar, 8, 20);
    EXPECT_EQ(thumbPixelsOff(cxbsPressed), 0) << "pressed";
    for (int move = 1; move <= 5; ++move) {
      MoveTo(bar, 8 + c.across, 20 + move * c.motion);
      EXPECT_EQ(bar->HotPart(), spThumb) << "move " << move;
      EXPECT_EQ(thumbPixelsOff(cxbsPressed), 0) << "move " << move;
    }
    EXPECT_EQ(bar->Position() > 0, c.across == 0) << "the drag scrolls unless it snapped back";
    Release(bar, 8 + c.across, 20 + 5 * c.motion);
    EXPECT_EQ(thumbPixelsOff(cxbsNormal), 0) << "released";
    form->Free();
  }
}

TEST_F(ScrollBarTest, UnlimitedTrackingFollowsTheMouseAlongTheBar) {
  Make(sbVertical, 200);
  bar->SetUnlimitedTracking(true);
  bar->SetParams(0, 100, true, 0, 0);
  Press(bar, 8, 20);
  MoveTo(bar, 8 + 300, 96);
  EXPECT_EQ(bar->Position(), 50);
  MoveTo(bar, 8 + 300, 1000);
  EXPECT_EQ(bar->Position(), 100);
  EXPECT_EQ(bar->PartBounds(spThumb).bottom, 184);
  Release(bar, 308, 1000);
  EXPECT_EQ(bar->Position(), 100);
  // The track code stores the position itself, and the final thumb position equals it.
  EXPECT_EQ(changes, 0);
}

TEST_F(ScrollBarTest, CancelAndDisableEndThePress) {
  Make();
  Press(bar, 110, 8);
  codes.clear();
  bar->Perform(WM_CANCELMODE);
  EXPECT_EQ(codes, (Codes{"EndScroll 1"}));
  EXPECT_EQ(bar->PressedPart(), spNone);
  Wait(1000);
  EXPECT_EQ(bar->Position(), 1);

  Press(bar, 110, 8);
  codes.clear();
  bar->SetEnabled(false);
  EXPECT_EQ(codes, (Codes{"EndScroll 2"}));
  EXPECT_EQ(bar->PartBounds(spThumb), TRect{});
}

TEST_F(ScrollBarTest, HotTrackingInvalidatesOnlyWhenTheHotPartChanges) {
  Make();
  bar->LookAndFeel()->SetKind(lfUltraFlat);
  ASSERT_TRUE(bar->Painter()->IsButtonHotTrack());
  MoveTo(bar, 3, 8);
  EXPECT_EQ(bar->HotPart(), spFirstArrow);
  bar->Invalidations = 0;
  for (int x = 4; x < 15; ++x)
    MoveTo(bar, x, 8);
  EXPECT_EQ(bar->Invalidations, 0);
  MoveTo(bar, 20, 8);
  EXPECT_EQ(bar->HotPart(), spThumb);
  EXPECT_EQ(bar->Invalidations, 1);
  bar->Perform(CM_MOUSELEAVE);
  EXPECT_EQ(bar->HotPart(), spNone);

  bar->LookAndFeel()->SetKind(lfStandard);
  bar->Invalidations = 0;
  MoveTo(bar, 3, 8);
  EXPECT_EQ(bar->HotPart(), spFirstArrow);
  EXPECT_EQ(bar->Invalidations, 0) << "a painter without hot tracking repaints nothing";
}

TEST_F(ScrollBarTest, TheHotPartClearsWhenThePointerLeavesTheProgram) {
  Make();
  bar->LookAndFeel()->SetKind(lfUltraFlat);
  MoveTo(bar, 3, 8);
  ASSERT_EQ(bar->HotPart(), spFirstArrow);
  platform::InjectMouseLeave();
  backend->WhenIdle([] {});
  Application()->HandleMessage();
  EXPECT_EQ(bar->HotPart(), spNone);
}

// A program may free the bar from any handler the bar raises while the user works it: the bar then touches
// nothing of itself, and none of its timers fires later.
TEST_F(ScrollBarTest, AHandlerMayFreeTheBarAtAnyStepOfAGesture) {
  enum Gesture {
    ClickArrow,
    HoldArrow,
    ClickPage,
    PressThumb,
    DragThumb,
    DragThumbAway,
    Cancel,
    Disable,
    Hide
  };
  struct Case {
    const char* event; // a scroll code's name, or the event's name without "On"
    int nth;           // frees at this raise of the event
    Gesture gesture;
  } cases[] = {
      {"MouseDown", 1, ClickArrow}, {"LineDown", 1, ClickArrow}, {"Change", 1, ClickArrow},
      {"EndScroll", 1, ClickArrow}, {"MouseUp", 1, ClickArrow},  {"LineDown", 2, HoldArrow},
      {"Change", 3, HoldArrow},     {"PageDown", 1, ClickPage},  {"MouseDown", 1, PressThumb},
      {"Track", 1, PressThumb},     {"Position", 1, PressThumb}, {"EndScroll", 1, PressThumb},
      {"MouseMove", 2, DragThumb},  {"Track", 2, DragThumb},     {"Track", 3, DragThumbAway},
      {"EndScroll", 1, Cancel},     {"EndScroll", 1, Disable},   {"EndScroll", 1, Hide},
  };
  struct Freer {
    std::string event;
    int nth;
    TcxScrollBar* bar;
    int seen = 0;
    void Saw(const std::string& AEvent) {
      if (bar && AEvent == event && ++seen == nth)
        std::exchange(bar, nullptr)->Free();
    }
    void Scroll(TObject*, TScrollCode ACode, int&) { Saw(CodeName(ACode)); }
    void Change(TObject*) { Saw("Change"); }
    void Down(TObject*, TMouseButton, TShiftState, int, int) { Saw("MouseDown"); }
    void Move(TObject*, TShiftState, int, int) { Saw("MouseMove"); }
    void Up(TObject*, TMouseButton, TShiftState, int, int) { Saw("MouseUp"); }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.event) + " #" + std::to_string(c.nth) + ", gesture " +
                 std::to_string(c.gesture));
    Make(sbHorizontal, 200);
    bar->SetParams(0, 100, true, 0, 0); // arrows 0..16 and 184..200, thumb 16..32
    Freer freer{c.event, c.nth, bar};
    bar->OnScroll = TScrollEvent(&freer, &Freer::Scroll);
    bar->OnChange = TNotifyEvent(&freer, &Freer::Change);
    bar->OnMouseDown = TMouseEvent(&freer, &Freer::Down);
    bar->OnMouseMove = TMouseMoveEvent(&freer, &Freer::Move);
    bar->OnMouseUp = TMouseEvent(&freer, &Freer::Up);
    auto alive = bar->AliveToken();
    // Screen points, taken while the bar is there to ask.
    const TPoint arrow = At(bar, 190, 8), page = At(bar, 100, 8), thumb = At(bar, 24, 8);
    const TPoint along = At(bar, 60, 8), away = At(bar, 60, 8 + 200);
    const auto down = [&](TPoint p) {
      backend->MouseMove(p.x, p.y);
      backend->MouseDown(p.x, p.y);
      Pump();
    };
    const auto move = [&](TPoint p) {
      backend->MouseMove(p.x, p.y);
      Pump();
    };
    const auto up = [&](TPoint p) {
      backend->MouseUp(p.x, p.y);
      Pump();
    };
    switch (c.gesture) {
    case ClickArrow:
    case ClickPage:
    case PressThumb:
      down(c.gesture == ClickArrow ? arrow : c.gesture == ClickPage ? page : thumb);
      up(c.gesture == ClickArrow ? arrow : c.gesture == ClickPage ? page : thumb);
      break;
    case HoldArrow:
      down(arrow);
      Wait(500);
      up(arrow);
      break;
    case DragThumb:
    case DragThumbAway:
      down(thumb);
      move(along);
      if (c.gesture == DragThumbAway)
        move(away);
      up(c.gesture == DragThumbAway ? away : along);
      break;
    case Cancel:
    case Disable:
    case Hide:
      down(arrow);
      if (*alive && c.gesture == Cancel)
        bar->Perform(WM_CANCELMODE);
      else if (*alive && c.gesture == Disable)
        bar->SetEnabled(false);
      else if (*alive)
        bar->Hide();
      up(arrow);
      break;
    }
    Wait(500);
    EXPECT_FALSE(*alive) << "the handler was not raised";
    form->Free();
  }
}

// A program that watches the bar's messages may free it as it hears of a change: neither the program's own
// position change nor the user's click goes on to the freed bar's change handler.
TEST_F(ScrollBarTest, AWatcherOfItsMessagesMayFreeTheBarAsItHearsOfAChange) {
  struct Watcher {
    TcxScrollBar* bar;
    TWndMethod inherited;
    void WndProc(TMessage& Message) {
      inherited(Message);
      if (Message.Msg == CM_CHANGED && bar)
        std::exchange(bar, nullptr)->Free();
    }
  };
  for (bool byUser : {false, true}) {
    SCOPED_TRACE(byUser ? "click on an arrow" : "position set by the program");
    Make(sbHorizontal, 200);
    bar->SetParams(0, 100, true, 0, 0);
    Watcher watcher{bar, bar->WindowProc()};
    bar->SetWindowProc(TWndMethod(&watcher, &Watcher::WndProc));
    auto alive = bar->AliveToken();
    if (byUser) {
      const TPoint arrow = At(bar, 190, 8);
      backend->Click(arrow.x, arrow.y);
      Pump();
    } else {
      bar->SetPosition(50);
    }
    EXPECT_FALSE(*alive);
    EXPECT_EQ(changes, 0) << "the freed bar's change handler ran";
    form->Free();
  }
}

// What the window shows is what the painter draws for each part straight into a bitmap.
TEST_F(ScrollBarTest, PaintsEveryPartThroughThePainter) {
  for (TcxLookAndFeelKind kind : {lfFlat, lfStandard, lfUltraFlat, lfOffice11}) {
    Make();
    bar->LookAndFeel()->SetKind(kind);
    bar->SetParams(0, 100, true, 10, 30);
    MoveTo(bar, 3, 8); // first arrow hot
    bar->Repaint();
    TBitmap expected;
    expected.SetSize(121, 16);
    TcxCanvas canvas(expected.Canvas());
    for (TcxScrollBarPart part : {spFirstArrow, spSecondArrow, spThumb, spFirstPage, spSecondPage}) {
      TcxButtonState state =
          part == spFirstArrow && bar->Painter()->IsButtonHotTrack() ? cxbsHot : cxbsNormal;
      bar->Painter()->DrawScrollBarPart(&canvas, true, bar->PartBounds(part), part, state);
    }
    HDC dc = GetDC(bar->Handle());
    int mismatches = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 121; ++x)
        if (GetPixel(dc, x, y) != GetPixel(expected.Canvas()->Handle(), x, y))
          ++mismatches;
    ReleaseDC(bar->Handle(), dc);
    EXPECT_EQ(mismatches, 0) << "kind " << kind;
    form->Free();
  }
}

} // namespace
