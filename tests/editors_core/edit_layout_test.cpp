#include "tests/editors_core/edit_fixture.h"

namespace {

class EditLayoutTest : public EditTest {
protected:
  TestEdit* MakeFixedEdit(int w = 150) {
    TestEdit* edit = MakeEdit(w, 21);
    edit->SetAutoSize(false);
    edit->SetBounds(10, 10, w, 21);
    edit->Style()->SetTransparentBorder(false);
    Pump();
    return edit;
  }
  TcxCheckBox* MakeCheckBox(TAlignment alignment) {
    if (!form)
      form = ShowForm();
    auto* box = new TcxCheckBox(form);
    box->SetParent(form);
    box->SetAutoSize(false);
    box->SetBounds(10, 40, 121, 21);
    box->SetCaption("Caption");
    box->Properties()->Alignment()->SetHorz(alignment);
    Pump();
    return box;
  }
};

TEST_F(EditLayoutTest, BorderStyleChoosesButtonStyleAndPopupBorder) {
  struct Case {
    TcxEditBorderStyle border;
    TcxEditButtonStyle buttons;
    TcxEditPopupBorderStyle popup;
    int borderWidth;
  };
  TestEdit* edit = MakeFixedEdit();
  edit->Properties()->Buttons()->Add();
  for (Case c : {Case{ebsNone, btsSimple, epbsFlat, 0}, Case{ebsSingle, btsHotFlat, epbsSingle, 1},
                 Case{ebsThick, bts3D, epbsSingle, 2}, Case{ebsFlat, btsFlat, epbsFlat, 2},
                 Case{ebs3D, bts3D, epbsSingle, 2}}) {
    edit->Style()->SetBorderStyle(c.border);
    Pump();
    TcxCustomEditViewInfo* vi = edit->ViewInfo();
    EXPECT_EQ(c.buttons, vi->Button(0)->ButtonStyle) << "border " << c.border;
    EXPECT_EQ(c.popup, vi->PopupBorderStyle) << "border " << c.border;
    EXPECT_EQ(c.borderWidth, vi->BorderExtent.left) << "border " << c.border;
    EXPECT_EQ(c.borderWidth, vi->BorderExtent.bottom) << "border " << c.border;
  }
  // Ultra-flat and Office borders draw one pixel, as a single border does, and keep their button styles.
  for (auto [border, buttons] :
       {std::pair{ebsUltraFlat, btsUltraFlat}, std::pair{ebsOffice11, btsOffice11}}) {
    edit->Style()->SetBorderStyle(border);
    Pump();
    EXPECT_EQ(ebsSingle, edit->ViewInfo()->BorderStyle);
    EXPECT_EQ(buttons, edit->ViewInfo()->Button(0)->ButtonStyle);
    EXPECT_EQ(1, edit->ViewInfo()->BorderExtent.left);
  }
  // A shadow takes three more pixels on the right and at the bottom.
  edit->Style()->SetBorderStyle(ebsSingle);
  edit->Style()->SetShadow(true);
  Pump();
  EXPECT_EQ(4, edit->ViewInfo()->BorderExtent.right);
  EXPECT_EQ(1, edit->ViewInfo()->BorderExtent.left);
}

TEST_F(EditLayoutTest, ButtonsOnlyViewSharesTheWidth) {
  TestEdit* edit = MakeFixedEdit(200);
  TcxEditButtons* buttons = edit->Properties()->Buttons();
  buttons->Add()->SetWidth(20);
  buttons->Add()->SetWidth(60);
  buttons->Items(0)->SetStretchable(false);
  edit->Properties()->SetButtonsViewStyle(bvsButtonsOnly);
  Pump();
  TcxCustomEditViewInfo* vi = edit->ViewInfo();
  ASSERT_EQ(2, vi->ButtonCount());
  // Only the stretchable button grows; together they fill the inside of the frame.
  EXPECT_EQ(20, vi->Button(0)->Bounds.right - vi->Button(0)->Bounds.left);
  EXPECT_EQ(vi->Button(0)->Bounds.right, vi->Button(1)->Bounds.left);
  EXPECT_EQ(200 - vi->BorderExtent.right, vi->Button(1)->Bounds.right);
  EXPECT_EQ(vi->BorderExtent.left, vi->Button(0)->Bounds.left);
}

TEST_F(EditLayoutTest, CheckBoxPlacesCheckAndCaptionByAlignment) {
  struct Case {
    TAlignment alignment;
    bool checkAtRight, hasText;
  };
  for (Case c :
       {Case{taLeftJustify, false, true}, Case{taRightJustify, true, true}, Case{taCenter, false, false}}) {
    TcxCheckBox* box = MakeCheckBox(c.alignment);
    TcxCustomCheckBoxViewInfo* vi = box->ViewInfo();
    const TRect check = vi->CheckBoxRect, text = vi->TextRect, client = vi->ClientRect;
    EXPECT_EQ(13, check.right - check.left) << c.alignment;
    EXPECT_EQ(13, check.bottom - check.top) << c.alignment;
    EXPECT_EQ((client.top + client.bottom - 13) / 2 + 0, check.top) << c.alignment;
    if (c.alignment == taLeftJustify) {
      EXPECT_EQ(client.left + 2, check.left);
      EXPECT_EQ(check.right + 3, text.left);
    } else if (c.alignment == taRightJustify) {
      EXPECT_EQ(client.right - 2, check.right);
      EXPECT_EQ(check.left - 3, text.right);
    } else {
      EXPECT_EQ(client.left + (client.right - client.left - 13) / 2, check.left);
    }
    EXPECT_EQ(c.hasText, !IsRectEmpty(&text)) << c.alignment;
    box->Free();
  }
}

TEST_F(EditLayoutTest, CheckBoxGlyphImagesByStateAndPress) {
  // Six images side by side, 10 pixels each, each filled with its own colour.
  const TColor colours[] = {TColor(0x0000FF), TColor(0x00FF00), TColor(0xFF0000),
                            TColor(0x00FFFF), TColor(0xFF00FF), TColor(0xFFFF00)};
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(60, 10);
  for (int i = 0; i < 6; ++i) {
    glyph.Canvas()->Brush()->SetColor(colours[i]);
    RECT r{i * 10, 0, i * 10 + 10, 10};
    glyph.Canvas()->FillRect(r);
  }
  TcxCheckBox* box = MakeCheckBox(taLeftJustify);
  box->Properties()->SetGlyph(&glyph);
  box->Properties()->SetAllowGrayed(true);
  Pump();
  auto centre = [&] {
    const TRect r = box->ViewInfo()->CheckBoxRect;
    return PixelAt(box, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  EXPECT_EQ(10, box->ViewInfo()->CheckBoxRect.right - box->ViewInfo()->CheckBoxRect.left);
  struct Case {
    TcxCheckBoxState state;
    int image;
  };
  for (Case c : {Case{cbsUnchecked, 0}, Case{cbsChecked, 1}, Case{cbsGrayed, 2}}) {
    box->SetState(c.state);
    Pump();
    box->Repaint();
    EXPECT_EQ(colours[c.image], centre()) << "state " << c.state;
  }
  // Four images make groups of two: a grayed value takes the group's last image.
  TBitmap four;
  four.SetPixelFormat(pf24bit);
  four.SetSize(40, 10);
  for (int i = 0; i < 4; ++i) {
    four.Canvas()->Brush()->SetColor(colours[i]);
    RECT r{i * 10, 0, i * 10 + 10, 10};
    four.Canvas()->FillRect(r);
  }
  box->Properties()->SetGlyphCount(4);
  box->Properties()->SetGlyph(&four);
  Pump();
  box->Repaint();
  EXPECT_EQ(colours[1], centre());
}

} // namespace
