#pragma once
// Owner-drawn controls on the headless display: each test starts from an empty window manager, a fresh
// application and the look-and-feel units started as at program start; input and time are injected.
#include <gtest/gtest.h>

#include <memory>

#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/controls/Forms.h"
#include "platform/controls/Menus.h"
#include "platform/theme/RecordingThemeBackend.h"
#include "platform/win/Win.h"

class ControlTest : public ::testing::Test {
protected:
  // Starts the units; a configured recording theme backend makes visual styles available.
  void StartUnits(std::unique_ptr<ThemeBackend> theme = nullptr) {
    platform::ResetWindowManager();
    platform::ResetSettings();
    backend = std::make_unique<platform::HeadlessBackend>();
    platform::Clock::UseManualTime(100000);
    SetThemeBackend(std::move(theme));
    MenusInitialize();
    dxUxThemeInitialize();
    dxThemeManagerInitialize();
    dxOffice11Initialize();
    cxLookAndFeelPaintersInitialize();
    cxLookAndFeelsInitialize();
    cxControlsInitialize();
    started = true;
  }
  void SetUp() override { StartUnits(); }
  void TearDown() override { StopUnits(); }
  void StopUnits() {
    if (!started)
      return;
    started = false;
    DoneApplication();
    cxControlsFinalize();
    cxLookAndFeelsFinalize();
    cxLookAndFeelPaintersFinalize();
    dxOffice11Finalize();
    dxThemeManagerFinalize();
    dxUxThemeFinalize();
    MenusFinalize();
    SetThemeBackend(nullptr);
    platform::ResetWindowManager();
    backend.reset();
  }
  void Restart(std::unique_ptr<ThemeBackend> theme) {
    StopUnits();
    StartUnits(std::move(theme));
  }

  static void Pump() { Application()->ProcessMessages(); }
  // Lets time pass in steps of a millisecond so that every timer due on the way fires in order.
  void Wait(int ms) {
    for (int i = 0; i < ms; ++i) {
      backend->AdvanceTime(1);
      Pump();
    }
  }

  // A shown borderless form whose client area starts at the screen point (100, 100).
  TForm* ShowForm(int width = 400, int height = 300) {
    TForm* form = nullptr;
    Application()->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetBounds(100, 100, width, height);
    form->Show();
    Pump();
    return form;
  }
  // Screen point of a client point of a control.
  static TPoint At(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }
  void MoveTo(TControl* c, int x, int y) {
    TPoint p = At(c, x, y);
    backend->MouseMove(p.x, p.y);
    Pump();
  }
  void Press(TControl* c, int x, int y, platform::MouseButton b = platform::MouseButton::Left) {
    TPoint p = At(c, x, y);
    backend->MouseDown(p.x, p.y, b);
    Pump();
  }
  void Release(TControl* c, int x, int y, platform::MouseButton b = platform::MouseButton::Left) {
    TPoint p = At(c, x, y);
    backend->MouseUp(p.x, p.y, b);
    Pump();
  }

  std::unique_ptr<platform::HeadlessBackend> backend;
  bool started = false;
};
