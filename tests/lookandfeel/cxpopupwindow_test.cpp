#include <string>

#include "control_fixture.h"
#include "lookandfeel/cxControls.h"
#include "platform/gdi/Gdi.h"

namespace {

class PopupWindowTest : public ControlTest {
protected:
  TcxPopupWindow* MakePopup(int width, int height) {
    popup = new TcxPopupWindow;
    popup->SetAdjustableSize(false);
    popup->SetBounds(0, 0, width, height);
    return popup;
  }
  void TearDown() override {
    if (popup)
      popup->Free();
    ControlTest::TearDown();
  }
  TcxPopupWindow* popup = nullptr;
};

struct PlacementCase {
  const char* name;
  TRect owner; // screen space; the work area is 0, 0, 1024, 738
  TcxPopupDirection direction;
  TcxPopupAlignHorz horz;
  TcxPopupAlignVert vert;
  int width, height;
  TPoint expected;
  TcxPopupAlignHorz horzAfter;
  TcxPopupAlignVert vertAfter;
};

TEST_F(PopupWindowTest, PlacementFlipsAndStaysInTheWorkArea) {
  const PlacementCase cases[] = {
      {"below",
       {100, 100, 200, 120},
       pdVertical,
       pahLeft,
       pavBottom,
       200,
       150,
       {100, 120},
       pahLeft,
       pavBottom},
      {"right-aligned",
       {100, 100, 300, 120},
       pdVertical,
       pahRight,
       pavBottom,
       150,
       150,
       {150, 120},
       pahRight,
       pavBottom},
      {"above", {100, 300, 200, 320}, pdVertical, pahLeft, pavTop, 200, 150, {100, 150}, pahLeft, pavTop},
      // More room above: flips and stays flipped.
      {"flips up",
       {100, 650, 200, 670},
       pdVertical,
       pahLeft,
       pavBottom,
       200,
       150,
       {100, 500},
       pahLeft,
       pavTop},
      // Less room above: stays below, running off the bottom, for only the horizontal position is clamped.
      {"stays below",
       {100, 100, 200, 600},
       pdVertical,
       pahLeft,
       pavBottom,
       200,
       150,
       {100, 600},
       pahLeft,
       pavBottom},
      {"flips down",
       {100, 40, 200, 60},
       pdVertical,
       pahLeft,
       pavTop,
       200,
       150,
       {100, 60},
       pahLeft,
       pavBottom},
      {"right edge",
       {900, 100, 1000, 120},
       pdVertical,
       pahLeft,
       pavBottom,
       200,
       150,
       {824, 120},
       pahLeft,
       pavBottom},
      {"wider than the screen",
       {900, 100, 1000, 120},
       pdVertical,
       pahLeft,
       pavBottom,
       1100,
       150,
       {0, 120},
       pahLeft,
       pavBottom},
      {"centred", {10, 10, 30, 30}, pdVertical, pahCenter, pavCenter, 200, 150, {0, 0}, pahCenter, pavCenter},
      {"centred odd",
       {101, 201, 200, 300},
       pdVertical,
       pahCenter,
       pavCenter,
       100,
       100,
       {100, 200},
       pahCenter,
       pavCenter},
      {"to the right",
       {100, 100, 200, 120},
       pdHorizontal,
       pahRight,
       pavTop,
       200,
       150,
       {200, 100},
       pahRight,
       pavTop},
      {"flips left",
       {950, 100, 1000, 120},
       pdHorizontal,
       pahRight,
       pavTop,
       200,
       150,
       {750, 100},
       pahLeft,
       pavTop},
      {"bottom clamp",
       {100, 700, 200, 720},
       pdHorizontal,
       pahRight,
       pavTop,
       200,
       150,
       {200, 588},
       pahRight,
       pavTop},
      {"bottom-aligned",
       {100, 100, 200, 120},
       pdHorizontal,
       pahLeft,
       pavBottom,
       50,
       150,
       {50, 0},
       pahLeft,
       pavBottom},
  };
  for (const PlacementCase& c : cases) {
    MakePopup(c.width, c.height);
    popup->SetOwnerBounds(c.owner);
    popup->SetDirection(c.direction);
    popup->SetAlignHorz(c.horz);
    popup->SetAlignVert(c.vert);
    EXPECT_EQ(popup->CalculatePosition(), c.expected) << c.name;
    EXPECT_EQ(popup->AlignHorz(), c.horzAfter) << c.name;
    EXPECT_EQ(popup->AlignVert(), c.vertAfter) << c.name;
    popup->Free();
    popup = nullptr;
  }
}

TEST_F(PopupWindowTest, OwnerBoundsAreInTheOwnerParentsClientSpace) {
  TForm* form = ShowForm();
  MakePopup(80, 40);
  popup->SetOwnerParent(form);
  popup->SetOwnerBounds(TRect{10, 20, 60, 40});
  EXPECT_EQ(popup->CalculatePosition(), (TPoint{110, 140}));
  form->Free();
  EXPECT_EQ(popup->OwnerParent(), nullptr);
}

TEST_F(PopupWindowTest, FrameWidthsFollowTheBorderStyle) {
  MakePopup(100, 100);
  const struct {
    TcxPopupBorderStyle style;
    int width;
  } cases[] = {{pbsNone, 0}, {pbsSingle, 1}, {pbsFlat, 1}, {pbs3D, 2}};
  for (const auto& c : cases) {
    popup->SetPopupBorderStyle(c.style);
    popup->SetFrameExtraWidth(0);
    EXPECT_EQ(popup->GetBorderWidth(), c.width);
    popup->SetFrameExtraWidth(3);
    EXPECT_EQ(popup->GetFrameWidth(bRight), c.width + 3);
  }
}

TEST_F(PopupWindowTest, SizesAroundItsChildrenAndMovesThemWithTheFrame) {
  MakePopup(10, 10);
  popup->SetAdjustableSize(true);
  auto* child = new TcxControl(popup);
  child->SetBounds(0, 0, 100, 50);
  child->SetParent(popup);
  popup->SetPopupBorderStyle(pbs3D);
  popup->CalculateSize();
  EXPECT_EQ(child->BoundsRect(), (TRect{2, 2, 102, 52}));
  EXPECT_EQ(popup->ClientWidth(), 104);
  EXPECT_EQ(popup->ClientHeight(), 54);
  popup->SetPopupBorderStyle(pbsNone);
  EXPECT_EQ(child->BoundsRect(), (TRect{0, 0, 100, 50})) << "moved back by two pixels";
}

TEST_F(PopupWindowTest, ASingleFrameIsDrawnInTheFrameColour) {
  MakePopup(60, 40);
  popup->SetPopupBorderStyle(pbsSingle);
  popup->SetFrameColor(clRed);
  popup->SetOwnerBounds(TRect{100, 100, 160, 120});
  popup->Popup();
  popup->Repaint();
  HDC dc = GetDC(popup->Handle());
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 59, 39), RGB(255, 0, 0));
  EXPECT_NE(GetPixel(dc, 1, 1), RGB(255, 0, 0));
  ReleaseDC(popup->Handle(), dc);
}

// Watches the caption state the popup asks its owner window to draw.
class TCaptionForm : public TForm {
  PELVOR_CLASS(TCaptionForm, TForm)
  using TForm::TForm;
  std::string Log;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_NCACTIVATE)
      Log += Message.WParam ? "A" : "i";
    TForm::WndProc(Message);
  }
};

TEST_F(PopupWindowTest, ActivationKeepsTheOwnerCaptionActiveAndLosingItCloses) {
  auto* form = new TCaptionForm(nullptr);
  form->SetBounds(100, 100, 300, 200);
  form->Show();
  SetActiveWindow(form->Handle());
  Pump();
  MakePopup(80, 40);
  popup->SetOwnerBounds(TRect{120, 120, 200, 140});
  popup->Popup();
  SetActiveWindow(popup->Handle());
  Pump();
  EXPECT_EQ(popup->ActiveCaptionWindow(), form->Handle());
  EXPECT_EQ(form->Log.substr(form->Log.size() - 2), "iA") << form->Log;
  ASSERT_TRUE(popup->Visible());
  form->Log.clear();
  SetActiveWindow(form->Handle());
  Pump();
  EXPECT_FALSE(popup->Visible());
  EXPECT_EQ(form->Log.substr(0, 1), "i") << form->Log;

  popup->Popup();
  SetActiveWindow(popup->Handle());
  Pump();
  platform::DeactivateApp();
  Pump();
  EXPECT_FALSE(popup->Visible()) << "the application losing the activation closes it";
  form->Free();
}

} // namespace
