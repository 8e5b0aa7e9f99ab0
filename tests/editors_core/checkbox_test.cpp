#include "tests/editors_core/edit_fixture.h"

namespace {

using Strings = std::vector<std::string>;

class CheckBoxTest : public EditTest {
protected:
  TcxCheckBox* MakeCheckBox(const String& caption = "Option") {
    if (!form)
      form = ShowForm();
    auto* box = new TcxCheckBox(form);
    box->SetParent(form);
    box->SetAutoSize(false);
    box->SetBounds(10, 10, 121, 21);
    box->SetCaption(caption);
    Pump();
    return box;
  }
  void Click(TcxCheckBox* box) {
    const TRect r = box->ViewInfo()->CheckBoxRect;
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    MoveTo(box, x, y);
    Press(box, x, y);
    Release(box, x, y);
    Wait(600);
  }

public:
  void OnClick(TObject*) { log.push_back("Click"); }

protected:
  // The colour at the middle of the check mark's first stroke pixel: the first mask pixel that is black.
  static TPoint MarkPixel(TcxCheckBox* box) {
    HBITMAP mask = cxCheckBoxCheckMarkMask();
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, mask);
    const TSize size = cxCheckBoxSystemCheckSize();
    TPoint found{-1, -1};
    for (int y = size.cy / 2; y < size.cy && found.x < 0; ++y)
      for (int x = 0; x < size.cx && found.x < 0; ++x)
        if ((GetPixel(dc, x, y) & 0xFFFFFF) == 0)
          found = TPoint{x, y};
    SelectObject(dc, old);
    DeleteDC(dc);
    const TRect r = box->ViewInfo()->CheckBoxRect;
    return TPoint{r.left + (r.right - r.left - size.cx) / 2 + found.x,
                  r.top + (r.bottom - r.top - size.cy) / 2 + found.y};
  }
};

TEST_F(CheckBoxTest, RegistersItsPropertiesWithTheirDescription) {
  TcxRegisteredClasses* list = GetRegisteredEditProperties();
  bool found = false;
  for (int i = 0; i < list->Count(); ++i)
    if (list->Items(i) == TcxCheckBoxProperties::StaticClass()) {
      EXPECT_EQ("CheckBox|Represents a check box control that allows selecting an option",
                list->Descriptions(i));
      found = true;
    }
  EXPECT_TRUE(found);
}

TEST_F(CheckBoxTest, ToggleCycle) {
  struct Case {
    bool allowGrayed, byMouse;
    std::vector<TcxCheckBoxState> cycle;
  };
  for (Case c : {Case{false, false, {cbsChecked, cbsUnchecked, cbsChecked}},
                 Case{true, false, {cbsGrayed, cbsChecked, cbsUnchecked, cbsGrayed}},
                 Case{false, true, {cbsChecked, cbsUnchecked}},
                 Case{true, true, {cbsGrayed, cbsChecked, cbsUnchecked}}}) {
    TcxCheckBox* box = MakeCheckBox();
    box->Properties()->SetAllowGrayed(c.allowGrayed);
    ASSERT_EQ(cbsUnchecked, box->State());
    for (TcxCheckBoxState expected : c.cycle) {
      if (c.byMouse)
        Click(box);
      else
        box->Toggle();
      EXPECT_EQ(expected, box->State()) << "grayed " << c.allowGrayed << " mouse " << c.byMouse;
    }
    box->Free();
  }
}

TEST_F(CheckBoxTest, ToggleFiresEachEventOnce) {
  TcxCheckBox* box = MakeCheckBox();
  Listen(box->Properties());
  box->OnClick = TNotifyEvent(this, &CheckBoxTest::OnClick);
  box->Toggle();
  EXPECT_EQ((Strings{"Click", "OnChange", "OnEditValueChanged"}), log);
  EXPECT_TRUE(box->ModifiedAfterEnter());
  log.clear();
  box->SetChecked(true);
  EXPECT_TRUE(log.empty()) << "an equal state changes nothing";
  box->Clear();
  EXPECT_EQ((Strings{"OnEditValueChanged", "Click", "OnChange"}), log);
}

// One mouse click on the check is one click, as Space is: the toggle raises it, the platform's own click on
// the release does not add a second.
TEST_F(CheckBoxTest, AMouseClickRaisesOnClickOnce) {
  struct Recorder {
    Strings* log;
    void Down(TObject*, TMouseButton, TShiftState, int, int) { log->push_back("OnMouseDown"); }
    void Up(TObject*, TMouseButton, TShiftState, int, int) { log->push_back("OnMouseUp"); }
  };
  const struct {
    const char* name;
    bool byMouse;
    Strings expected;
  } cases[] = {
      {"mouse", true, {"OnMouseDown", "OnMouseUp", "Click", "OnChange", "OnEditValueChanged"}},
      {"Space", false, {"Click", "OnChange", "OnEditValueChanged"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TcxCheckBox* box = MakeCheckBox();
    Listen(box->Properties());
    Recorder recorder{&log};
    box->OnClick = TNotifyEvent(this, &CheckBoxTest::OnClick);
    box->OnMouseDown = TMouseEvent(&recorder, &Recorder::Down);
    box->OnMouseUp = TMouseEvent(&recorder, &Recorder::Up);
    box->SetFocus();
    Pump();
    for (const TcxCheckBoxState expected : {cbsChecked, cbsUnchecked}) {
      log.clear();
      if (c.byMouse) {
        Click(box);
      } else {
        backend->PressKey(VK_SPACE);
        Pump();
      }
      EXPECT_EQ(box->State(), expected);
      EXPECT_EQ(log, c.expected) << "to state " << expected;
    }
    box->Free();
  }
}

// A check box toggles when the button is released over it, and only then: after a press released elsewhere,
// the pointer coming back over it with no button held changes nothing, even where the box's enter handler
// moved the focus on as the press came and the release went to another window.
TEST_F(CheckBoxTest, APressReleasedElsewhereDoesNotToggleWhenThePointerComesBack) {
  struct FocusMover {
    TWinControl* to;
    void Enter(TObject*) { to->SetFocus(); }
  };
  for (bool toEdit : {false, true})
    for (bool moveFocus : {false, true})
      for (bool releaseOver : {false, true}) {
        SCOPED_TRACE(std::string(moveFocus ? "enter moves the focus" : "no enter handler") +
                     (releaseOver ? ", released over it" : ", released elsewhere") +
                     (toEdit ? ", a text edit has the focus" : ", a check box has the focus"));
        TcxCheckBox* box = MakeCheckBox();
        TcxCustomEdit* other =
            toEdit ? static_cast<TcxCustomEdit*>(new TcxTextEdit(form)) : new TcxCheckBox(form);
        other->SetParent(form);
        other->SetBounds(10, 100, 121, 21);
        Pump();
        other->SetFocus();
        Pump();
        FocusMover mover{other};
        if (moveFocus)
          box->OnEnter = TNotifyEvent(&mover, &FocusMover::Enter);
        const TRect r = box->ViewInfo()->CheckBoxRect;
        const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        // The events come faster than the loop takes them, as a user's quick flick.
        const TPoint over = At(box, x, y), away = At(box, x, box->Height() + 10);
        backend->MouseMove(over.x, over.y);
        backend->MouseDown(over.x, over.y);
        if (!releaseOver)
          backend->MouseMove(away.x, away.y);
        backend->MouseUp(releaseOver ? over.x : away.x, releaseOver ? over.y : away.y);
        Pump();
        // Back over it before the control learnt that the pointer had left, then again after.
        MoveTo(box, x, y);
        Wait(600);
        MoveTo(box, x, 200);
        Wait(600);
        MoveTo(box, x, y);
        Wait(600);
        EXPECT_EQ(box->State(), releaseOver ? cbsChecked : cbsUnchecked);
        other->Free();
        box->Free();
        Pump();
      }
}

TEST_F(CheckBoxTest, ValuesMapToStates) {
  TcxCheckBox* box = MakeCheckBox();
  TcxCustomCheckBoxProperties* p = box->Properties();
  p->SetValueChecked(Variant("yes"));
  p->SetValueUnchecked(Variant("no"));
  struct Case {
    Variant value;
    TcxCheckBoxState state;
    const char* text;
  };
  for (const Case& c : {Case{Variant("yes"), cbsChecked, "True"}, Case{Variant("no"), cbsUnchecked, "False"},
                        Case{Variant("maybe"), cbsGrayed, ""}, Case{Null, cbsGrayed, ""}}) {
    box->SetEditValue(c.value);
    EXPECT_EQ(c.state, box->State()) << VarToStr(c.value);
    EXPECT_EQ(c.text, p->GetDisplayText(c.value)) << VarToStr(c.value);
  }
  // A value already in use, or Null, is refused for the checked value.
  p->SetValueChecked(Variant("no"));
  EXPECT_EQ("yes", VarToStr(p->ValueChecked()));
  p->SetValueChecked(Null);
  EXPECT_EQ("yes", VarToStr(p->ValueChecked()));
  EXPECT_TRUE(p->IsEditValueValid(Variant("yes"), false));
  EXPECT_FALSE(p->IsEditValueValid(Variant("maybe"), false));
  EXPECT_TRUE(p->CompareDisplayValues(Variant("maybe"), Null));
  EXPECT_EQ(149u, p->GetSupportedOperations());
}

TEST_F(CheckBoxTest, SpaceTogglesOnceAndKeepsItsCharacter) {
  TcxCheckBox* box = MakeCheckBox();
  struct Keys {
    std::vector<int> seen;
    void Press(TObject*, char& Key) { seen.push_back(Key); }
  } keys;
  box->OnKeyPress = TKeyPressEvent(&keys, &Keys::Press);
  box->SetFocus();
  Pump();
  backend->KeyDown(VK_SPACE);
  Pump();
  EXPECT_EQ(ebstPressed, box->ViewInfo()->CheckBoxState);
  EXPECT_EQ(cbsUnchecked, box->State());
  backend->KeyUp(VK_SPACE);
  Pump();
  EXPECT_EQ(cbsChecked, box->State());
  EXPECT_NE(ebstPressed, box->ViewInfo()->CheckBoxState);
  EXPECT_TRUE(keys.seen.empty());
}

TEST_F(CheckBoxTest, CheckPixelsInEveryLookAndFeel) {
  struct Case {
    TcxLookAndFeelKind kind;
    const char* name;
  };
  for (Case c : {Case{lfFlat, "flat"}, Case{lfStandard, "standard"}, Case{lfUltraFlat, "ultra-flat"},
                 Case{lfOffice11, "office"}}) {
    TcxCheckBox* box = MakeCheckBox("");
    box->Style()->LookAndFeel()->SetKind(c.kind);
    box->Properties()->SetAllowGrayed(true);
    MoveTo(form, 390, 290);
    Pump();
    const TPoint mark = MarkPixel(box);
    const TRect r = box->ViewInfo()->CheckBoxRect;
    ASSERT_FALSE(IsRectEmpty(&r)) << c.name;
    EXPECT_EQ(13, r.right - r.left) << c.name;
    const TColor uncheckedMark = PixelAt(box, mark.x, mark.y);
    const TColor frame = PixelAt(box, r.left, r.top + 6);
    EXPECT_NE(ColorToRGB(clWindow), frame) << c.name << ": the frame is drawn";
    box->SetState(cbsChecked);
    Pump();
    const TColor checkedMark = PixelAt(box, mark.x, mark.y);
    EXPECT_EQ(ColorToRGB(clWindowText), checkedMark) << c.name;
    EXPECT_NE(uncheckedMark, checkedMark) << c.name;
    box->SetState(cbsGrayed);
    Pump();
    const TColor grayedMark = PixelAt(box, mark.x, mark.y);
    EXPECT_NE(uncheckedMark, grayedMark) << c.name << ": grayed shows a dimmed mark";
    EXPECT_NE(checkedMark, grayedMark) << c.name;
    box->Free();
    Pump();
  }
}

TEST_F(CheckBoxTest, AutoSizedCheckBoxMakesRoomForAWholeCheckCentredVertically) {
  const TSize check = cxCheckBoxSystemCheckSize();
  for (TcxLookAndFeelKind kind : {lfFlat, lfStandard, lfUltraFlat, lfOffice11}) {
    // The expectation: the same check drawn by a check box with room to spare.
    TcxCheckBox* roomy = MakeCheckBox("");
    roomy->SetBounds(10, 100, 121, 41);
    auto* box = new TcxCheckBox(form);
    box->SetParent(form);
    box->SetLeft(10);
    box->SetTop(10);
    for (TcxCheckBox* b : {roomy, box}) {
      b->Style()->LookAndFeel()->SetKind(kind);
      b->SetState(cbsChecked);
    }
    MoveTo(form, 390, 290);
    Pump();
    ASSERT_TRUE(box->AutoSize()) << kind;
    box->Canvas()->Font()->Assign(box->Style()->GetVisibleFont());
    const int textHeight = box->Canvas()->TextHeight("Gg");
    // Two pixels of transparent border on each side, two more around the check.
    EXPECT_EQ(box->Height(), std::max(int(check.cy) + 4, textHeight) + 4) << kind;
    const TRect r = box->ViewInfo()->CheckBoxRect;
    EXPECT_EQ(r.right - r.left, check.cx) << kind;
    EXPECT_EQ(r.bottom - r.top, check.cy) << kind;
    EXPECT_EQ(r.top, (box->Height() - check.cy) / 2) << kind << ": centred vertically";
    const TRect ref = roomy->ViewInfo()->CheckBoxRect;
    ASSERT_EQ(ref.bottom - ref.top, check.cy) << kind;
    // Every pixel of the box: the check as the roomy box draws it, the background everywhere else.
    const TColor background = ScreenPixelAt(box, box->Width() - 1, 0);
    int wrong = 0;
    for (int y = 0; y < box->Height(); ++y)
      for (int x = 0; x < box->Width(); ++x) {
        const POINT p{x, y};
        const TColor expected =
            PtInRect(&r, p) ? ScreenPixelAt(roomy, ref.left + x - r.left, ref.top + y - r.top) : background;
        wrong += ScreenPixelAt(box, x, y) != expected ? 1 : 0;
      }
    EXPECT_EQ(wrong, 0) << kind;
    roomy->Free();
    box->Free();
    Pump();
  }
}

TEST_F(CheckBoxTest, AGlyphDroppedOrReplacedWhileThePropertiesAreLockedIsNotDrawnFreed) {
  // The view info is recalculated only when the lock ends; a paint before that draws the glyph it last
  // calculated, which must still be alive.
  auto makeGlyph = [](TBitmap& glyph, int side, TColor colour) {
    glyph.SetPixelFormat(pf24bit);
    glyph.SetSize(side * 6, side);
    glyph.Canvas()->Brush()->SetColor(colour);
    RECT r{0, 0, side * 6, side};
    glyph.Canvas()->FillRect(r);
  };
  TBitmap red, blue;
  makeGlyph(red, 10, TColor(0x0000FF));
  makeGlyph(blue, 12, TColor(0xFF0000));
  struct Case {
    const char* name;
    void (*change)(TcxCustomCheckBoxProperties*, TBitmap* other);
    TColor whileLocked; // the centre of the check while the old view info is painted
    int widthAfter;     // of the check once recalculated; 0: the system check
  } cases[] = {
      {"glyph removed", [](TcxCustomCheckBoxProperties* p, TBitmap*) { p->SetGlyph(nullptr); },
       TColor(0x0000FF), 0},
      {"properties without a glyph assigned",
       [](TcxCustomCheckBoxProperties* p, TBitmap*) {
         TcxCheckBoxProperties plain(nullptr);
         p->Assign(&plain);
       },
       TColor(0x0000FF), 0},
      {"glyph replaced", [](TcxCustomCheckBoxProperties* p, TBitmap* other) { p->SetGlyph(other); },
       TColor(0xFF0000), 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TcxCheckBox* box = MakeCheckBox("");
    box->Properties()->SetGlyph(&red);
    Pump();
    auto centre = [&] {
      const TRect r = box->ViewInfo()->CheckBoxRect;
      return PixelAt(box, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    ASSERT_EQ(10, box->ViewInfo()->CheckBoxRect.right - box->ViewInfo()->CheckBoxRect.left);
    box->Properties()->BeginUpdate();
    c.change(box->Properties(), &blue);
    box->Repaint();
    EXPECT_EQ(c.whileLocked, centre());
    box->Properties()->EndUpdate();
    Pump();
    box->Repaint();
    const TRect r = box->ViewInfo()->CheckBoxRect;
    EXPECT_EQ(c.widthAfter ? c.widthAfter : cxCheckBoxSystemCheckSize().cx, r.right - r.left);
    EXPECT_EQ(c.widthAfter != 0, box->ViewInfo()->Glyph != nullptr);
    box->Free();
    Pump();
  }
}

class CheckBoxRepositoryItem : public TcxEditRepositoryItem {
  PELVOR_CLASS(CheckBoxRepositoryItem, TcxEditRepositoryItem)
  explicit CheckBoxRepositoryItem(TComponent* AOwner) : TcxEditRepositoryItem(AOwner) { CreateProperties(); }
  TClass GetEditPropertiesClass() const override { return TcxCheckBoxProperties::StaticClass(); }
};

TEST_F(CheckBoxTest, ARepositoryItemFreedWhileTheOwnPropertiesAreLockedLeavesNoFreedGlyphToDraw) {
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(60, 10);
  glyph.Canvas()->Brush()->SetColor(TColor(0x0000FF));
  RECT all{0, 0, 60, 10};
  glyph.Canvas()->FillRect(all);
  TcxEditRepository repository(nullptr);
  auto* item = repository.CreateItem(CheckBoxRepositoryItem::StaticClass());
  static_cast<TcxCheckBoxProperties*>(item->Properties())->SetGlyph(&glyph);
  TcxCheckBox* box = MakeCheckBox("");
  box->SetRepositoryItem(item);
  Pump();
  ASSERT_EQ(10, box->ViewInfo()->CheckBoxRect.right - box->ViewInfo()->CheckBoxRect.left);
  // The item's properties go with it; the own properties' lock holds back the recalculation.
  box->Properties()->BeginUpdate();
  item->Free();
  box->Repaint();
  box->Properties()->EndUpdate();
  Pump();
  box->Repaint();
  // The own properties have no glyph: the system check is back.
  const TRect r = box->ViewInfo()->CheckBoxRect;
  EXPECT_EQ(cxCheckBoxSystemCheckSize().cx, r.right - r.left);
  EXPECT_EQ(nullptr, box->ViewInfo()->Glyph);
  EXPECT_NE(TColor(0x0000FF), PixelAt(box, (r.left + r.right) / 2, (r.top + r.bottom) / 2));
  box->Free();
}

TEST_F(EditTest, EditButtonPixelsInEveryStyleAndLookAndFeel) {
  struct Case {
    TcxLookAndFeelKind kind;
    TcxEditButtonStyle style;
  };
  std::vector<Case> cases;
  for (TcxLookAndFeelKind kind : {lfFlat, lfStandard, lfUltraFlat, lfOffice11})
    for (TcxEditButtonStyle style :
         {btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11})
      cases.push_back({kind, style});
  TestEdit* edit = MakeEdit(150, 21);
  edit->SetAutoSize(false);
  edit->SetBounds(10, 10, 150, 21);
  edit->Properties()->Buttons()->Add()->SetKind(bkDown);
  edit->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
  Pump();
  for (const Case& c : cases) {
    edit->Style()->LookAndFeel()->SetKind(c.kind);
    edit->Style()->SetButtonStyle(c.style);
    Pump();
    TcxCustomEditViewInfo* vi = edit->ViewInfo();
    ASSERT_EQ(2, vi->ButtonCount());
    EXPECT_NE(btsDefault, vi->Button(0)->ButtonStyle);
    // The arrow's widest row sits in the middle of the button; the dots are in the text colour too.
    for (int i = 0; i < 2; ++i) {
      const TRect b = vi->Button(i)->Bounds;
      bool textColoured = false;
      for (int y = b.top; y < b.bottom; ++y)
        textColoured = textColoured || PixelAt(edit, (b.left + b.right) / 2, y) == ColorToRGB(clBtnText);
      EXPECT_TRUE(textColoured) << "kind " << c.kind << " style " << c.style << " button " << i;
      bool face = false;
      for (int x = b.left; x < b.right; ++x)
        face = face || PixelAt(edit, x, b.top + 3) != ColorToRGB(clWindow);
      EXPECT_TRUE(face) << "kind " << c.kind << " style " << c.style << " button " << i << ": no face";
    }
  }
}

} // namespace
