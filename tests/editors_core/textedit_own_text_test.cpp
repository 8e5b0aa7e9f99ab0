#include <algorithm>
#include <string>

#include "edit_fixture.h"
#include "editors/core/cxMemo.h"
#include "editors/core/cxTextEdit.h"
#include "lookandfeel/cxContainer.h"

namespace {

// An edit that draws its text itself (unfocused and not left-aligned) places a text that fits its text
// rectangle by its alignment, and shows one that is wider or taller from the rectangle's left or top edge,
// as a left- and top-aligned edit shows it: its first characters and its top are never cut away.
class OwnTextDrawingTest : public TextEditorsTest {
protected:
  enum Kind { TextEdit, Memo };
  struct Case {
    const char* name;
    Kind kind;
    TAlignment horz;
    TcxEditVertAlignment vert;
    const char* text;
    int height; // of the edit; 0 keeps the usual one
    bool enabled;
    int selLength = 0; // of a find selection from the second character
  };

  TcxCustomTextEdit* Make(const Case& c) {
    if (!form)
      form = ShowForm();
    TcxCustomTextEdit* edit = nullptr;
    if (c.kind == TextEdit) {
      auto* textEdit = new TcxTextEdit(form);
      textEdit->Properties()->Alignment()->SetHorz(c.horz);
      textEdit->Properties()->Alignment()->SetVert(c.vert);
      edit = textEdit;
    } else {
      auto* memo = new TcxMemo(form);
      memo->Properties()->Alignment()->SetHorz(c.horz);
      // Word wrap would break a wide text into rows that fit.
      memo->Properties()->SetWordWrap(false);
      edit = memo;
    }
    edit->SetAutoSize(false);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 150, c.height ? c.height : c.kind == Memo ? 60 : 21);
    edit->SetText(c.text);
    edit->SetEnabled(c.enabled);
    if (c.selLength > 0) {
      edit->SetSelStart(1);
      edit->SetSelLength(c.selLength);
      edit->SetFindSelection(true);
    }
    Pump();
    UpdateWindow(form->Handle());
    return edit;
  }

  // What the edit shows in its text rectangle must be what it draws with a left- and top-aligned text
  // moved right and down by the alignment's share of the room left over, which is none for a text that
  // does not fit. A disabled text keeps one pixel of the rectangle for its embossed copy.
  void Check(const Case& c) {
    SCOPED_TRACE(c.name);
    TcxCustomTextEdit* edit = Make(c);
    ASSERT_FALSE(edit->IsInnerEditShown());
    const auto* info = static_cast<const TcxCustomTextEditViewInfo*>(edit->ViewInfo());
    const TRect t = info->TextRect;
    ASSERT_FALSE(IsRectEmpty(&t));

    TBitmap expected;
    expected.SetPixelFormat(pf24bit);
    expected.SetSize(edit->Width(), edit->Height());
    expected.Canvas()->Font()->Assign(edit->Font());
    TcxCanvas canvas(expected.Canvas());
    const int spareX = RectWidth(t) - (c.enabled ? 0 : 1) - canvas.TextWidth(c.text);
    const int spareY = RectHeight(t) - (c.enabled ? 0 : 1) - canvas.TextHeight(c.text);
    const int shiftX = std::max(0, c.horz == taCenter ? spareX / 2 : c.horz == taRightJustify ? spareX : 0);
    const int shiftY = std::max(0, c.vert == taVCenter ? spareY / 2 : c.vert == taBottomJustify ? spareY : 0);
    TcxCustomTextEditViewInfo reference;
    reference.Assign(const_cast<TcxCustomTextEditViewInfo*>(info));
    reference.DrawTextFlags &= ~0x33u;
    reference.TextRect.left += shiftX;
    reference.TextRect.top += shiftY;
    reference.Paint(&canvas);

    int wrong = 0, ink = 0, selected = 0;
    for (int y = t.top; y < t.bottom; ++y)
      for (int x = t.left; x < t.right; ++x) {
        const TColor seen = ScreenPixelAt(edit, x, y);
        wrong += seen != ColorToRGB(expected.Canvas()->Pixels(x, y)) ? 1 : 0;
        ink += seen != ColorToRGB(info->BackgroundColor) ? 1 : 0;
        selected += seen == ColorToRGB(info->SelBackgroundColor) ? 1 : 0;
      }
    EXPECT_GT(ink, 0) << "the text is seen";
    EXPECT_EQ(selected > 0, c.selLength > 0) << "the find selection is seen";
    EXPECT_EQ(wrong, 0) << "pixels that differ of " << RectWidth(t) * RectHeight(t);
    edit->Free();
    Pump();
  }
};

constexpr const char* kWide = "Abcdefghijklmnopqrstuvwxyz0123456789";
constexpr const char* kWideRows =
    "Abcdefghijklmnopqrstuvwxyz0123456789\r\nZyxwvutsrqponmlkjihgfedcba9876543210";
constexpr const char* kNarrow = "kitap";

TEST_F(OwnTextDrawingTest, ATextEditShowsATextWiderThanItsRectangleFromTheLeft) {
  const Case cases[] = {
      {"centred, wide", TextEdit, taCenter, taTopJustify, kWide, 0, true},
      {"right, wide", TextEdit, taRightJustify, taTopJustify, kWide, 0, true},
      {"centred, wide, disabled", TextEdit, taCenter, taTopJustify, kWide, 0, false},
      {"right, wide, disabled", TextEdit, taRightJustify, taTopJustify, kWide, 0, false},
      {"centred, wide, selection", TextEdit, taCenter, taTopJustify, kWide, 0, true, 4},
      {"right, wide, selection", TextEdit, taRightJustify, taTopJustify, kWide, 0, true, 30},
      {"centred, fits", TextEdit, taCenter, taTopJustify, kNarrow, 0, true},
      {"right, fits", TextEdit, taRightJustify, taTopJustify, kNarrow, 0, true},
      {"centred, fits, disabled", TextEdit, taCenter, taTopJustify, kNarrow, 0, false},
      {"right, fits, disabled", TextEdit, taRightJustify, taTopJustify, kNarrow, 0, false},
      {"right, fits, selection", TextEdit, taRightJustify, taTopJustify, kNarrow, 0, true, 2},
  };
  for (const Case& c : cases)
    Check(c);
}

TEST_F(OwnTextDrawingTest, ATextEditShowsATextTallerThanItsRectangleFromTheTop) {
  const Case cases[] = {
      {"bottom, tall", TextEdit, taCenter, taBottomJustify, kNarrow, 14, true},
      {"centred, tall", TextEdit, taCenter, taVCenter, kNarrow, 14, true},
      {"bottom, tall, disabled", TextEdit, taCenter, taBottomJustify, kNarrow, 14, false},
      {"centred, tall, disabled", TextEdit, taRightJustify, taVCenter, kNarrow, 14, false},
      {"bottom, tall and wide", TextEdit, taRightJustify, taBottomJustify, kWide, 14, true},
      {"bottom, tall, selection", TextEdit, taCenter, taBottomJustify, kNarrow, 14, true, 3},
      {"bottom, fits", TextEdit, taCenter, taBottomJustify, kNarrow, 40, true},
      {"centred, fits", TextEdit, taCenter, taVCenter, kNarrow, 40, true},
      {"centred, fits, disabled", TextEdit, taCenter, taVCenter, kNarrow, 40, false},
  };
  for (const Case& c : cases)
    Check(c);
}

TEST_F(OwnTextDrawingTest, AMemoShowsRowsWiderThanItsRectangleFromTheLeft) {
  const Case cases[] = {
      {"centred, wide", Memo, taCenter, taTopJustify, kWide, 0, true},
      {"right, wide", Memo, taRightJustify, taTopJustify, kWide, 0, true},
      {"centred, wide rows", Memo, taCenter, taTopJustify, kWideRows, 0, true},
      {"right, wide rows, disabled", Memo, taRightJustify, taTopJustify, kWideRows, 0, false},
      {"centred, wide, disabled", Memo, taCenter, taTopJustify, kWide, 0, false},
      {"centred, fits", Memo, taCenter, taTopJustify, kNarrow, 0, true},
      {"right, fits", Memo, taRightJustify, taTopJustify, kNarrow, 0, true},
      {"right, fits, disabled", Memo, taRightJustify, taTopJustify, kNarrow, 0, false},
  };
  for (const Case& c : cases)
    Check(c);
}

// The hint offers the whole text where the edit's own drawing cuts it: a row wider than the text rectangle,
// more rows than it holds, or a text taller than it.
TEST_F(OwnTextDrawingTest, TheHintOffersTheTextWhereTheDrawingCutsIt) {
  const struct {
    Case edit;
    bool wordWrap;
    bool hint;
  } cases[] = {
      {{"text edit, wide", TextEdit, taCenter, taTopJustify, kWide, 0, true}, false, true},
      {{"text edit, fits", TextEdit, taCenter, taTopJustify, kNarrow, 0, true}, false, false},
      {{"text edit, tall", TextEdit, taCenter, taBottomJustify, kNarrow, 14, true}, false, true},
      {{"memo, wide row", Memo, taCenter, taTopJustify, kWideRows, 0, true}, false, true},
      {{"memo, wrapped rows", Memo, taCenter, taTopJustify, "alfa beta gama delta epsilon zeta", 0, true},
       true,
       false},
      {{"memo, more rows than fit", Memo, taCenter, taTopJustify, "1\r\n2\r\n3\r\n4\r\n5", 0, true},
       false,
       true},
      {{"memo, rows that fit", Memo, taCenter, taTopJustify, "1\r\n2\r\n3", 0, true}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.edit.name);
    TcxCustomTextEdit* edit = Make(c.edit);
    if (auto* memo = dynamic_cast<TcxMemo*>(edit)) {
      memo->Properties()->SetWordWrap(c.wordWrap);
      Pump();
    }
    auto* info = static_cast<TcxCustomTextEditViewInfo*>(edit->ViewInfo());
    TcxCanvas* canvas = edit->cxCanvas();
    canvas->SetFont(edit->Style()->GetVisibleFont());
    const TRect t = info->TextRect;
    const TPoint inside{t.left + 1, t.top + 1};
    String text;
    bool multiLine = false;
    TRect rect{};
    EXPECT_EQ(info->NeedShowHintInBounds(canvas, inside, TRect{}, text, multiLine, rect), c.hint);
    if (c.hint) {
      EXPECT_EQ(text, c.edit.text);
      EXPECT_EQ(multiLine, c.edit.kind == Memo);
      EXPECT_TRUE(EqualRect(&rect, &t));
    }
    EXPECT_FALSE(
        info->NeedShowHintInBounds(canvas, TPoint{t.left - 1, t.top}, TRect{}, text, multiLine, rect))
        << "left of the text";
    const TRect away{t.right, t.top, t.right + 50, t.bottom};
    EXPECT_FALSE(info->NeedShowHintInBounds(canvas, inside, away, text, multiLine, rect))
        << "the point is outside the visible bounds";
    // Seen through a narrow window, even a text that fits its own rectangle is cut.
    const TRect narrow{t.left, t.top, t.left + 4, t.bottom};
    EXPECT_TRUE(info->NeedShowHintInBounds(canvas, inside, narrow, text, multiLine, rect));
    edit->Free();
    Pump();
  }
}

// While its form is inactive, the edit that form would give the focus back to can stop being that control
// without being told, when a program hides or disables a parent; a text written meanwhile, while its inner
// edit still showed it, must be what the edit then draws itself, as a twin that always held it draws it.
class LeftWhileInactiveTest : public TextEditorsTest {
protected:
  TcxTextEdit* Make(TcxContainer* AParent, const char* AText) {
    auto* edit = new TcxTextEdit(form);
    edit->Properties()->Alignment()->SetHorz(taRightJustify);
    edit->SetParent(AParent);
    edit->SetBounds(5, 5, 120, 21);
    edit->SetText(AText);
    return edit;
  }
  TcxContainer* Box(int ALeft, int ATop = 10) {
    auto* box = new TcxContainer(form);
    box->SetParent(form);
    box->SetBounds(ALeft, ATop, 140, 40);
    return box;
  }
};

TEST_F(LeftWhileInactiveTest, TheEditDrawsTheTextWrittenWhileItsFormWasInactive) {
  // How the program takes the active control from the edit, and what it undoes after.
  using Step = void (*)(TcxContainer * AParent, TWinControl * AElsewhere);
  const struct {
    const char* name;
    Step leave, back;
  } cases[] = {
      {"parent hidden and shown", [](TcxContainer* c, TWinControl*) { c->Hide(); },
       [](TcxContainer* c, TWinControl*) { c->Show(); }},
      {"parent disabled and enabled", [](TcxContainer* c, TWinControl*) { c->SetEnabled(false); },
       [](TcxContainer* c, TWinControl*) { c->SetEnabled(true); }},
      {"another control made the active one",
       [](TcxContainer* c, TWinControl* e) { c->GetParentForm()->SetActiveControl(e); },
       [](TcxContainer*, TWinControl*) {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    form = ShowForm();
    TcxContainer* box = Box(10);
    TcxTextEdit* edit = Make(box, "typed");
    TcxTextEdit* twin = Make(Box(200), "a");
    TcxTextEdit* elsewhere = Make(Box(10, 100), "");
    Pump();
    edit->SetFocus();
    Pump();
    ASSERT_TRUE(edit->IsInnerEditShown());
    TForm* other = ShowForm(50, 50);
    ASSERT_FALSE(edit->Focused());
    ASSERT_TRUE(edit->IsInnerEditShown());

    edit->SetText("a");
    c.leave(box, elsewhere);
    Pump();
    c.back(box, elsewhere);
    Pump();
    UpdateWindow(form->Handle());

    EXPECT_FALSE(edit->IsInnerEditShown());
    EXPECT_EQ(static_cast<TcxCustomTextEditViewInfo*>(edit->ViewInfo())->Text, "a");
    std::string differ;
    for (int y = 0; y < edit->Height() && differ.empty(); ++y)
      for (int x = 0; x < edit->Width() && differ.empty(); ++x)
        if (PixelAt(edit, x, y) != PixelAt(twin, x, y))
          differ = std::to_string(x) + "," + std::to_string(y);
    EXPECT_EQ(differ, "") << "first pixel that differs from the twin's";
    other->Free();
    form->Free();
    form = nullptr;
    Pump();
  }
}

} // namespace
