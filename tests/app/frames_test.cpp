// What the display gets of the dictionary's window: each key, click or tab switch reaches it as one frame,
// so the user never sees new lists beside old explanations, and so does each blink of the caret.
#include "app/Session.h"
#include "app_fixture.h"
#include "tests/backend/watching_backend.h"

namespace {

class FramesTest : public MainWindowTest {
protected:
  int Presents(TMain* main) const {
    const auto* shown = backend->Window(main->Handle());
    return shown ? shown->presents : -1;
  }
};

TEST_F(FramesTest, EachKeyClickAndTabSwitchReachesTheDisplayAsOneFrame) {
  TMain* main = Open({"ev;oxori;isim;", "evet;ho;ünlem;", "el;xe;vücut;", "çocuk;bere;;", "ba;xe;bir;"});
  struct Step {
    std::string name;
    std::function<void()> act;
  };
  const Step steps[] = {
      {"a letter that completes", [] { TypeText("e"); }},
      {"a letter that narrows the lists", [] { TypeText("v"); }},
      {"Backspace",
       [&] {
         backend->PressKey(VK_BACK);
         Pump();
       }},
      {"the other direction's tab", [&] { ClickTab(main->DilSecimi, 1); }},
      {"back to the first tab", [&] { ClickTab(main->DilSecimi, 0); }},
      {"a click on a headword", [&] { ClickItem(main->ListSol, 1); }},
      {"Up in the list",
       [&] {
         backend->PressKey(VK_UP);
         Pump();
       }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const int before = Presents(main);
    step.act();
    Pump();
    EXPECT_EQ(Presents(main) - before, 1);
  }
  // The steps did reach the window.
  EXPECT_EQ(main->ListSol->ItemIndex(), 0);
  EXPECT_FALSE(Utf8Text(main->SolAciklama).empty());
}

class CaretFramesTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    backend.reset();
    auto watching = std::make_unique<WatchingBackend>();
    watcher = watching.get();
    backend = std::move(watching);
    platform::Clock::UseManualTime(100000);
  }
  WatchingBackend* watcher = nullptr;
};

// With the search box focused and nothing happening, the caret blinks at the blink time wherever the pointer
// rests, each blink one frame. With the pointer away the loop sleeps from one blink to the next; over a
// control that tracks the mouse's leaving, that tracking's timer wakes it besides, without a frame.
TEST_F(CaretFramesTest, TheCaretBlinksOnItsOwnWhereverThePointerRests) {
  TMain* main = Open({"ev;oxori;isim;", "evet;ho;ünlem;", "el;xe;vücut;"});
  TypeText("e");
  struct Case {
    const char* name;
    std::function<void()> pointer;
    bool onlyBlinksWake;
  } cases[] = {
      {"outside the window", [] { platform::InjectMouseLeave(); }, true},
      {"over the left list",
       [&] {
         const TPoint p = main->ListSol->ClientToScreen(TPoint{20, 20});
         platform::InjectMouseMove(p.x, p.y);
       },
       false},
      {"over the search box",
       [&] {
         const TPoint p = main->Arama->ClientToScreen(TPoint{20, 5});
         platform::InjectMouseMove(p.x, p.y);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.pointer();
    Pump();
    ASSERT_EQ(GetFocus(), main->Arama->InnerEdit()->GetControl()->Handle());
    watcher->shown.clear();
    watcher->waits.clear();
    const DWORD start = platform::Clock::Now();
    const UINT_PTR stop = SetTimer(nullptr, 0, 2000, nullptr);
    while (platform::Clock::Now() - start < 2000)
      Application()->HandleMessage();
    KillTimer(nullptr, stop);
    std::vector<DWORD> frames;
    for (const auto& shown : watcher->shown)
      if (shown.hwnd == main->Handle())
        frames.push_back(shown.time);
    ASSERT_GE(frames.size(), 3u) << "2 seconds hold three blinks at least";
    for (std::size_t i = 1; i < frames.size(); ++i)
      EXPECT_EQ(frames[i] - frames[i - 1], GetCaretBlinkTime()) << "frame " << i;
    // One sleep before each blink and one before the end.
    if (c.onlyBlinksWake) {
      EXPECT_EQ(watcher->waits.size(), frames.size() + 1);
    }
  }
}

} // namespace
