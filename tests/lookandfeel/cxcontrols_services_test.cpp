#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "control_fixture.h"
#include "lookandfeel/cxControls.h"
#include "platform/controls/Menus.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/win/Input.h"

namespace {

using Log = std::vector<std::string>;

class TBox : public TcxControl {
  PELVOR_CLASS(TBox, TcxControl)
  using TcxControl::TcxControl;

protected:
  bool HasScrollBars() override { return false; }
};

struct Tracker : IcxMouseTrackingCaller {
  Log* log = nullptr;
  std::string name;
  TWinControl* control = nullptr;
  TRect bounds{};
  bool restart = false;
  IcxMouseTrackingCaller* alsoEnd = nullptr;
  void MouseLeave() override {
    log->push_back(name + " leave");
    // Ending inside the tick that ended it, and ending somebody else's, must both be harmless.
    EndMouseTracking(this);
    if (alsoEnd)
      EndMouseTracking(alsoEnd);
    if (restart) {
      restart = false;
      BeginMouseTracking(control, bounds, this);
    }
  }
};

struct AreaTracker : IcxMouseTrackingArea {
  Log* log = nullptr;
  bool inside = true;
  void MouseLeave() override { log->push_back("area leave"); }
  bool PtInCaller(const TPoint&) override { return inside; }
};

class ServicesTest : public ControlTest {
public:
  void Leave(TObject*) { log.push_back("control leave"); }

protected:
  void Build() {
    form = ShowForm();
    box = new TBox(form);
    box->SetName("Box");
    box->SetBounds(10, 10, 50, 50);
    box->SetParent(form);
    Pump();
  }
  TForm* form = nullptr;
  TBox* box = nullptr;
  Log log;
};

TEST_F(ServicesTest, TrackingEndsOnceTheCursorLeavesTheBounds) {
  Build();
  box->OnMouseLeave = TNotifyEvent(this, &ServicesTest::Leave);
  Tracker t;
  t.log = &log;
  t.name = "t";
  MoveTo(box, 5, 5);
  BeginMouseTracking(box, TRect{0, 0, 20, 20}, &t);
  BeginMouseTracking(box, TRect{0, 0, 20, 20}, &t);
  EXPECT_EQ(MouseTrackingCount(), 1) << "a caller is tracked once";
  Wait(30);
  EXPECT_TRUE(log.empty());
  // Out of the bounds but still over the control: only the caller hears of it.
  SetCursorPos(At(box, 30, 30).x, At(box, 30, 30).y);
  Wait(10);
  EXPECT_EQ(log, (Log{"t leave"}));
  EXPECT_FALSE(IsMouseTracking(&t));

  log.clear();
  BeginMouseTracking(box, TRect{0, 0, 20, 20}, &t);
  SetCursorPos(At(box, 100, 100).x, At(box, 100, 100).y);
  Wait(10);
  // The application's own tracking tells the control of the move first; the tracker tells it again,
  // before the caller.
  EXPECT_EQ(log, (Log{"control leave", "control leave", "t leave"}));
  const std::size_t seen = log.size();
  Wait(50);
  EXPECT_EQ(log.size(), seen);
}

TEST_F(ServicesTest, AHandlerMayEndAndRestartTrackingInsideTheTick) {
  Build();
  Tracker a, b;
  a.log = b.log = &log;
  a.name = "a";
  b.name = "b";
  a.control = box;
  a.bounds = TRect{0, 0, 20, 20};
  a.restart = true;
  a.alsoEnd = &b;
  MoveTo(box, 5, 5);
  BeginMouseTracking(box, TRect{0, 0, 20, 20}, &a);
  BeginMouseTracking(nullptr, TRect{0, 0, 5000, 5000}, &b);
  SetCursorPos(At(box, 30, 30).x, At(box, 30, 30).y);
  Wait(10);
  EXPECT_EQ(log, (Log{"a leave"}));
  EXPECT_TRUE(IsMouseTracking(&a)) << "restarted by its own handler";
  EXPECT_FALSE(IsMouseTracking(&b)) << "ended by a's handler";
  Wait(10);
  EXPECT_EQ(log, (Log{"a leave", "a leave"}));
  EXPECT_EQ(MouseTrackingCount(), 0);
  EndMouseTracking(&a);
  EndMouseTracking(&b);
}

TEST_F(ServicesTest, AnAreaCallerDecidesWhatCountsAsInside) {
  Build();
  AreaTracker t;
  t.log = &log;
  BeginMouseTracking(box, TRect{0, 0, 1, 1}, &t);
  SetCursorPos(At(box, 200, 200).x, At(box, 200, 200).y);
  Wait(30);
  EXPECT_TRUE(log.empty());
  t.inside = false;
  Wait(10);
  EXPECT_EQ(log, (Log{"area leave"}));
}

// A caller that the control's own leave handler frees, and that ends its tracking as it goes.
struct OwnedTracker : IcxMouseTrackingCaller {
  Log* log = nullptr;
  ~OwnedTracker() override { EndMouseTracking(this); }
  void MouseLeave() override { log->push_back("owned leave"); }
};

struct FreesTracker {
  OwnedTracker* tracker = nullptr;
  void Leave(TObject*) {
    delete tracker;
    tracker = nullptr;
  }
};

TEST_F(ServicesTest, ACallerFreedWhileTheControlHearsOfTheLeaveIsNotCalled) {
  Build();
  FreesTracker freer;
  freer.tracker = new OwnedTracker;
  freer.tracker->log = &log;
  box->OnMouseLeave = TNotifyEvent(&freer, &FreesTracker::Leave);
  BeginMouseTracking(box, TRect{0, 0, 50, 50}, freer.tracker);
  // No move message: only the tracker can tell the control.
  platform::InjectMouseLeave();
  Wait(10);
  EXPECT_EQ(freer.tracker, nullptr);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(MouseTrackingCount(), 0);
}

TEST_F(ServicesTest, ADestroyedControlTakesItsTrackingWithIt) {
  Build();
  Tracker t;
  t.log = &log;
  t.name = "t";
  BeginMouseTracking(box, TRect{0, 0, 20, 20}, &t);
  box->Free();
  EXPECT_FALSE(IsMouseTracking(&t));
  SetCursorPos(500, 500);
  Wait(30);
  EXPECT_TRUE(log.empty());
}

TEST_F(ServicesTest, TrackingLeftAtShutDownIsFreedQuietly) {
  Build();
  Tracker t;
  t.log = &log;
  BeginMouseTracking(nullptr, TRect{0, 0, 10, 10}, &t);
  ASSERT_EQ(MouseTrackingCount(), 1);
  EXPECT_NO_THROW(StopUnits());
  EXPECT_EQ(MouseTrackingCount(), 0);
}

TEST_F(ServicesTest, LibraryCursorsAreRegisteredWithTheScreen) {
  std::vector<HCURSOR> seen;
  for (TCursor c = crcxDragCopy; c <= crcxDrag; ++c) {
    HCURSOR h = Screen()->Cursors(c);
    EXPECT_NE(h, Screen()->Cursors(crDefault)) << c;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), h), 0) << c;
    seen.push_back(h);
  }
  StopUnits();
  EXPECT_EQ(Screen()->Cursors(crcxDrag), Screen()->Cursors(crDefault));
}

// Each cursor is a black shape with a white ring one pixel wide around it, so that it shows on any
// background; every other pixel lets the background through.
TEST_F(ServicesTest, LibraryCursorsAreBlackShapesRingedInWhite) {
  constexpr std::uint32_t black = 0xFF000000u, white = 0xFFFFFFFFu, clear = 0u;
  for (TCursor c = crcxDragCopy; c <= crcxDrag; ++c) {
    platform::CursorInfo info;
    std::vector<std::uint32_t> pixels;
    ASSERT_TRUE(platform::GetCursorInfo(Screen()->Cursors(c), &info)) << c;
    ASSERT_TRUE(platform::GetCursorPixels(Screen()->Cursors(c), &pixels)) << c;
    const int w = info.width, h = info.height;
    ASSERT_EQ(pixels.size(), std::size_t(w * h)) << c;
    const auto at = [&](int x, int y) { return pixels[std::size_t(y * w + x)]; };
    int blacks = 0, whites = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        bool nearBlack = false;
        for (int v = std::max(0, y - 1); v <= std::min(h - 1, y + 1); ++v)
          for (int u = std::max(0, x - 1); u <= std::min(w - 1, x + 1); ++u)
            nearBlack = nearBlack || at(u, v) == black;
        const std::uint32_t p = at(x, y);
        blacks += p == black;
        whites += p == white;
        if (p != black) {
          EXPECT_EQ(p, nearBlack ? white : clear) << "cursor " << c << " at " << x << "," << y;
        }
      }
    EXPECT_GT(blacks, 0) << c;
    EXPECT_GT(whites, 0) << c;
  }
}

TEST(ControlServices, CharacterClasses) {
  ResetFormatSettings();
  const char sep = FormatSettings.DecimalSeparator;
  const struct {
    char c;
    bool integer, floating, exponent;
  } cases[] = {{'0', true, true, true},   {'9', true, true, true},    {'+', true, true, true},
               {'-', true, true, true},   {sep, false, true, true},   {'e', false, false, true},
               {'E', false, false, true}, {'a', false, false, false}, {' ', false, false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsNumericChar(c.c, ntInteger), c.integer) << c.c;
    EXPECT_EQ(IsNumericChar(c.c, ntFloat), c.floating) << c.c;
    EXPECT_EQ(IsNumericChar(c.c, ntExponent), c.exponent) << c.c;
  }
  EXPECT_TRUE(IsTextChar(' '));
  EXPECT_TRUE(IsTextChar(char(0xFD)));
  EXPECT_FALSE(IsTextChar('\t'));
}

TEST(ControlServices, DragThresholdIsStrict) {
  const int t = Mouse()->DragThreshold();
  EXPECT_TRUE(IsPointInDragThreshold(TPoint{10, 10}, 10 + t - 1, 10 - t + 1));
  EXPECT_FALSE(IsPointInDragThreshold(TPoint{10, 10}, 10 + t, 10));
  EXPECT_FALSE(IsPointInDragThreshold(TPoint{10, 10}, 10, 10 - t));
}

TEST_F(ServicesTest, PopupMenuHeightCountsVisibleItems) {
  auto* menu = new TPopupMenu(nullptr);
  for (int i = 0; i < 3; ++i)
    menu->Items()->Add(new TMenuItem(menu));
  menu->Items()->Items(1)->SetVisible(false);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Screen()->MenuFont()->Handle());
  SIZE qg{};
  GetTextExtentPoint32A(dc, "Qg", 2, &qg);
  SelectObject(dc, old);
  DeleteDC(dc);
  ASSERT_GT(qg.cy, 0);
  EXPECT_EQ(GetPopupMenuHeight(menu), 4 + 2 * (qg.cy + 4));
  EXPECT_EQ(GetPopupMenuHeight(nullptr), 0);
  menu->Free();
}

TEST_F(ServicesTest, ShowPopupMenuTakesOnlyMenusItKnows) {
  Build();
  EXPECT_FALSE(ShowPopupMenu(box, nullptr, 0, 0));
  EXPECT_FALSE(ShowPopupMenu(box, form, 0, 0));
  auto* menu = new TPopupMenu(form);
  menu->SetAutoPopup(false);
  EXPECT_FALSE(ShowPopupMenu(box, menu, 0, 0));
}

TEST_F(ServicesTest, WindowGeometryHelpers) {
  Build();
  TRect r{1, 2, 11, 12};
  MapWindowRect(box->Handle(), nullptr, r);
  EXPECT_EQ(r, (TRect{111, 112, 121, 122})) << "the form's client starts at 100, 100 and the box at 10, 10";
  MapWindowRect(nullptr, form->Handle(), r);
  EXPECT_EQ(r, (TRect{11, 12, 21, 22}));
  auto* loose = new TBox(nullptr);
  EXPECT_FALSE(HasParentWithHandle(loose));
  loose->SetParent(box);
  EXPECT_TRUE(HasParentWithHandle(loose));
  loose->Free();
  EXPECT_FALSE(HasParentWithHandle(nullptr));
  EXPECT_EQ(TranslateKey(VK_RETURN), VK_RETURN);
  EXPECT_EQ(GetDblClickInterval(), GetDoubleClickTime());
}

TEST_F(ServicesTest, WorkAreaComesFromTheMonitor) {
  platform::SystemSettings settings = platform::Settings();
  settings.workArea = RECT{0, 20, 1024, 700};
  platform::ApplySettings(settings, SPI_SETWORKAREA);
  EXPECT_EQ(GetMonitorWorkArea(TPoint{10, 10}), (TRect{0, 20, 1024, 700}));
}

class TMetricsListener : public TcxControl {
  PELVOR_CLASS(TMetricsListener, TcxControl)
  using TcxControl::TcxControl;
  int Notices = 0;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == CXM_NCSIZECHANGED)
      ++Notices;
    TcxControl::WndProc(Message);
  }
};

TEST_F(ServicesTest, OnlyANonClientMetricsChangeIsPassedOn) {
  Build();
  ASSERT_EQ(cxSettingsController()->Window(), nullptr) << "no control with scroll bars yet";
  auto* c = new TMetricsListener(form);
  c->SetParent(form);
  Pump();
  HWND window = cxSettingsController()->Window();
  ASSERT_NE(window, nullptr);
  c->Notices = 0;
  EXPECT_EQ(SendMessage(window, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0), 0);
  Pump();
  EXPECT_EQ(c->Notices, 0);
  EXPECT_EQ(SendMessage(window, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0), 0);
  Pump();
  EXPECT_EQ(c->Notices, 1);
  c->Free();
  EXPECT_EQ(cxSettingsController()->Window(), nullptr);
}

} // namespace
