#pragma once
// Controls on the headless display: every test starts from an empty window manager and a fresh
// application, and records the messages its controls handle.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/controls/Controls.h"
#include "platform/controls/Forms.h"
#include "platform/controls/Menus.h"
#include "platform/win/Win.h"

// Names the messages the tests follow; anything else is logged by number.
inline std::string MessageName(UINT msg) {
  switch (msg) {
  case WM_CREATE:
    return "WM_CREATE";
  case WM_SETFOCUS:
    return "WM_SETFOCUS";
  case WM_KILLFOCUS:
    return "WM_KILLFOCUS";
  case WM_LBUTTONDOWN:
    return "WM_LBUTTONDOWN";
  case WM_LBUTTONUP:
    return "WM_LBUTTONUP";
  case WM_LBUTTONDBLCLK:
    return "WM_LBUTTONDBLCLK";
  case WM_KEYDOWN:
    return "WM_KEYDOWN";
  case WM_CHAR:
    return "WM_CHAR";
  case CM_ENTER:
    return "CM_ENTER";
  case CM_EXIT:
    return "CM_EXIT";
  case CM_COLORCHANGED:
    return "CM_COLORCHANGED";
  case CM_FONTCHANGED:
    return "CM_FONTCHANGED";
  case CM_PARENTCOLORCHANGED:
    return "CM_PARENTCOLORCHANGED";
  case CM_PARENTFONTCHANGED:
    return "CM_PARENTFONTCHANGED";
  case CM_ENABLEDCHANGED:
    return "CM_ENABLEDCHANGED";
  case CM_VISIBLECHANGED:
    return "CM_VISIBLECHANGED";
  case CM_SHOWINGCHANGED:
    return "CM_SHOWINGCHANGED";
  case CM_TEXTCHANGED:
    return "CM_TEXTCHANGED";
  case CM_CURSORCHANGED:
    return "CM_CURSORCHANGED";
  case CM_MOUSEENTER:
    return "CM_MOUSEENTER";
  case CM_MOUSELEAVE:
    return "CM_MOUSELEAVE";
  case CM_DIALOGKEY:
    return "CM_DIALOGKEY";
  case CM_CHILDKEY:
    return "CM_CHILDKEY";
  case CM_WANTSPECIALKEY:
    return "CM_WANTSPECIALKEY";
  case CN_KEYDOWN:
    return "CN_KEYDOWN";
  default:
    return std::to_string(msg);
  }
}

inline std::vector<std::string>& EventLog() {
  static std::vector<std::string> log;
  return log;
}

// Logs "Name:MESSAGE" for every message whose number is in the watched list.
template <class Base> class TLogged : public Base {
public:
  using Base::Base;
  std::vector<UINT> Watched;
  void WndProc(TMessage& Message) override {
    for (UINT w : Watched)
      if (w == Message.Msg)
        EventLog().push_back(this->Name() + ":" + MessageName(Message.Msg));
    Base::WndProc(Message);
  }
};

// A windowed control that can take the focus and paints its colour.
class TBox : public TLogged<TCustomControl> {
  PELVOR_CLASS(TBox, TLogged<TCustomControl>)
  explicit TBox(TComponent* AOwner) : TLogged<TCustomControl>(AOwner) { SetTabStop(true); }
  using TWinControl::CreateParams;
  int PaintCount = 0;

protected:
  void Paint() override {
    ++PaintCount;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

// A control without a window.
class TSpot : public TLogged<TGraphicControl> {
  PELVOR_CLASS(TSpot, TLogged<TGraphicControl>)
  using TLogged<TGraphicControl>::TLogged;
  int PaintCount = 0;

protected:
  void Paint() override {
    ++PaintCount;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

class ControlsTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::ResetWindowManager();
    platform::ResetSettings();
    backend = std::make_unique<platform::HeadlessBackend>();
    platform::Clock::UseManualTime(100000);
    MenusInitialize();
    EventLog().clear();
  }

  void TearDown() override {
    DoneApplication();
    MenusFinalize();
    platform::ResetWindowManager();
    backend.reset();
    EventLog().clear();
  }

  // Runs the application's loop until nothing is left to do.
  static void Pump() { Application()->ProcessMessages(); }

  template <class T> static T* Make(TComponent* owner, TWinControl* parent, const char* name, TRect bounds) {
    auto* c = new T(owner);
    c->SetName(name);
    c->SetBoundsRect(bounds);
    if (parent)
      c->SetParent(parent);
    return c;
  }

  // A shown form at a fixed place on the screen, owned by the application.
  TForm* ShowForm(int width = 300, int height = 200) {
    TForm* form = nullptr;
    Application()->CreateForm(form);
    form->SetName("Form");
    form->SetBorderStyle(bsNone);
    form->SetBounds(100, 100, width, height);
    form->Show();
    Pump();
    return form;
  }

  std::unique_ptr<platform::HeadlessBackend> backend;
};
