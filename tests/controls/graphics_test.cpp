#include "platform/controls/Graphics.h"

#include <gtest/gtest.h>

#include "platform/controls/ImgList.h"
#include "platform/rtl/Geometry.h"

namespace {

struct ChangeCounter {
  int count = 0;
  void Changed(TObject*) { ++count; }
};

COLORREF At(TBitmap& b, int x, int y) {
  return COLORREF(b.Canvas()->Pixels(x, y)) & 0xFFFFFF;
}

void Fill(TBitmap& b, TColor c) {
  b.Canvas()->Brush()->SetColor(c);
  b.Canvas()->FillRect(Rect(0, 0, b.Width(), b.Height()));
}

TEST(Font, EveryAttributeChangeFiresOnceAndARepeatIsSilent) {
  TFont font;
  ChangeCounter counter;
  font.OnChange = TNotifyEvent(&counter, &ChangeCounter::Changed);
  const std::function<void(TFont&)> changes[] = {
      [](TFont& f) { f.SetName("Arial"); },  [](TFont& f) { f.SetHeight(-20); },
      [](TFont& f) { f.SetSize(12); },       [](TFont& f) { f.SetStyle({fsBold, fsUnderline}); },
      [](TFont& f) { f.SetColor(clRed); },   [](TFont& f) { f.SetCharset(TURKISH_CHARSET); },
      [](TFont& f) { f.SetPitch(fpFixed); },
  };
  for (const auto& change : changes) {
    int before = counter.count;
    change(font);
    EXPECT_EQ(counter.count, before + 1);
    change(font);
    EXPECT_EQ(counter.count, before + 1);
  }
}

TEST(Font, SizeFollowsTheNinetySixDotRule) {
  struct Case {
    int ppi, size, height;
  };
  const Case cases[] = {{96, 8, -11}, {96, 10, -13}, {96, 12, -16}, {120, 8, -13}, {96, 9, -12}};
  for (const Case& k : cases) {
    TFont font;
    font.SetPixelsPerInch(k.ppi);
    font.SetSize(k.size);
    EXPECT_EQ(font.Height(), k.height) << k.ppi << " dpi, size " << k.size;
    EXPECT_EQ(font.Size(), k.size);
  }
  TFont font;
  EXPECT_EQ(font.Height(), -11);
  EXPECT_EQ(font.Size(), 8);
}

TEST(Font, OnlyHandleBorneAttributesDropTheHandleAndAssignCopiesAll) {
  TFont font;
  HFONT first = font.Handle();
  ASSERT_NE(first, nullptr);
  font.SetColor(clBlue);
  EXPECT_EQ(font.Handle(), first);
  font.SetStyle({fsItalic});
  EXPECT_FALSE(font.HandleAllocated());
  TFont copy;
  copy.Assign(&font);
  EXPECT_EQ(copy.Color(), clBlue);
  EXPECT_EQ(copy.Style(), TFontStyles{fsItalic});
  EXPECT_EQ(copy.Name(), font.Name());

  LOGFONTA lf{};
  ASSERT_NE(GetObjectA(font.Handle(), int(sizeof lf), &lf), 0);
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
}

TEST(PenAndBrush, ChangesFireAndAClearBrushTurnsSolidWhenGivenAColour) {
  TPen pen;
  ChangeCounter penChanges;
  pen.OnChange = TNotifyEvent(&penChanges, &ChangeCounter::Changed);
  pen.SetColor(clRed);
  pen.SetWidth(3);
  pen.SetStyle(psDot);
  pen.SetMode(pmXor);
  pen.SetWidth(3);
  EXPECT_EQ(penChanges.count, 4);

  TBrush brush;
  ChangeCounter brushChanges;
  brush.OnChange = TNotifyEvent(&brushChanges, &ChangeCounter::Changed);
  brush.SetStyle(bsClear);
  brush.SetColor(clYellow);
  EXPECT_EQ(brush.Style(), bsSolid);
  EXPECT_EQ(brushChanges.count, 2);
  LOGBRUSH lb{};
  ASSERT_NE(GetObject(brush.Handle(), int(sizeof lb), &lb), 0);
  EXPECT_EQ(lb.lbColor, RGB(255, 255, 0));
}

TEST(Canvas, DrawsWithItsToolsAndAnnouncesEachChange) {
  TBitmap bmp;
  bmp.SetSize(10, 10);
  TCanvas* c = bmp.Canvas();
  std::vector<std::string> log;
  struct Log {
    std::vector<std::string>* log;
    void Changing(TObject*) { log->push_back("changing"); }
    void Changed(TObject*) { log->push_back("changed"); }
  } l{&log};
  c->OnChanging = TNotifyEvent(&l, &Log::Changing);
  c->OnChange = TNotifyEvent(&l, &Log::Changed);
  c->Brush()->SetColor(clRed);
  c->FillRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(log, (std::vector<std::string>{"changing", "changed"}));
  EXPECT_EQ(At(bmp, 5, 5), RGB(255, 0, 0));

  // A brush change after the first fill is picked up by the next one.
  c->Brush()->SetColor(clBlue);
  c->FillRect(Rect(0, 0, 5, 5));
  EXPECT_EQ(At(bmp, 2, 2), RGB(0, 0, 255));
  EXPECT_EQ(At(bmp, 7, 7), RGB(255, 0, 0));

  c->Pen()->SetColor(clLime);
  c->MoveTo(0, 9);
  c->LineTo(10, 9);
  EXPECT_EQ(At(bmp, 9, 9), RGB(0, 255, 0));
  EXPECT_EQ(c->PenPos(), (TPoint{10, 9}));
}

TEST(Canvas, WithoutADeviceContextDrawingFailsLoudly) {
  TCanvas canvas;
  EXPECT_THROW(canvas.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}

TEST(Bitmap, TransparentColourIsTheBottomLeftPixelUntilFixed) {
  TBitmap bmp;
  bmp.SetSize(4, 3);
  Fill(bmp, clWhite);
  bmp.Canvas()->SetPixels(0, 2, clFuchsia);
  bmp.Canvas()->SetPixels(0, 0, clLime);
  EXPECT_EQ(bmp.TransparentMode(), tmAuto);
  EXPECT_EQ(COLORREF(bmp.TransparentColor()) & 0xFFFFFF, RGB(255, 0, 255));
  bmp.SetTransparentColor(clRed);
  EXPECT_EQ(bmp.TransparentMode(), tmFixed);
  EXPECT_EQ(bmp.TransparentColor(), clRed);
  bmp.SetTransparentMode(tmAuto);
  EXPECT_EQ(COLORREF(bmp.TransparentColor()) & 0xFFFFFF, RGB(255, 0, 255));
}

TEST(Bitmap, TransparentDrawLeavesTheBackgroundWhereTheColourIs) {
  TBitmap image;
  image.SetSize(4, 4);
  Fill(image, clFuchsia);
  image.Canvas()->SetPixels(1, 1, clBlue);
  image.Canvas()->SetPixels(2, 2, clBlack);
  image.SetTransparent(true);

  TBitmap dest;
  dest.SetSize(6, 6);
  Fill(dest, clYellow);
  dest.Canvas()->Draw(1, 1, &image);
  EXPECT_EQ(At(dest, 2, 2), RGB(0, 0, 255));
  EXPECT_EQ(At(dest, 3, 3), RGB(0, 0, 0));
  EXPECT_EQ(At(dest, 1, 1), RGB(255, 255, 0));
  EXPECT_EQ(At(dest, 4, 4), RGB(255, 255, 0));

  image.SetTransparent(false);
  dest.Canvas()->Draw(1, 1, &image);
  EXPECT_EQ(At(dest, 1, 1), RGB(255, 0, 255));
}

TEST(Bitmap, ResizingKeepsPixelsAndFormatsConvert) {
  TBitmap bmp;
  bmp.SetSize(3, 3);
  Fill(bmp, clRed);
  bmp.SetSize(5, 2);
  EXPECT_EQ(At(bmp, 2, 1), RGB(255, 0, 0));
  EXPECT_EQ(At(bmp, 4, 1), RGB(255, 255, 255));
  bmp.SetMonochrome(true);
  EXPECT_TRUE(bmp.Monochrome());
  EXPECT_EQ(bmp.PixelFormat(), pf1bit);
  BITMAP info{};
  GetObject(bmp.Handle(), int(sizeof info), &info);
  EXPECT_EQ(info.bmBitsPixel, 1);

  TBitmap copy;
  copy.Assign(&bmp);
  EXPECT_EQ(copy.Width(), 5);
  EXPECT_TRUE(copy.Monochrome());
}

TEST(Bitmap, AResizeTheSystemRefusesRaisesAndKeepsTheImage) {
  TBitmap bmp;
  bmp.SetSize(3, 3);
  Fill(bmp, clRed);
  const HBITMAP before = bmp.Handle();
  const std::pair<int, int> refused[] = {{100000, 2}, {2, 100000}, {60000, 60000}};
  for (auto [w, h] : refused) {
    EXPECT_THROW(bmp.SetSize(w, h), EOutOfResources) << w << " x " << h;
    EXPECT_EQ(bmp.Width(), 3);
    EXPECT_EQ(bmp.Height(), 3);
    EXPECT_EQ(bmp.Handle(), before);
    EXPECT_EQ(At(bmp, 2, 2), RGB(255, 0, 0));
  }
}

TEST(Bitmap, ResourceImagesComeFromTheirBuildersAndUnknownNamesRaise) {
  RegisterResourceBitmap("TEST_DOT", [](TBitmap& b) {
    b.SetSize(2, 2);
    b.Canvas()->Brush()->SetColor(clNavy);
    b.Canvas()->FillRect(Rect(0, 0, 2, 2));
  });
  TBitmap bmp;
  bmp.LoadFromResourceName(nullptr, "test_dot");
  EXPECT_EQ(bmp.Width(), 2);
  EXPECT_EQ(At(bmp, 1, 1), RGB(0, 0, 128));
  UnregisterResourceBitmap("TEST_DOT");
  EXPECT_THROW(bmp.LoadFromResourceName(nullptr, "TEST_DOT"), EResNotFound);
}

TEST(ImageList, DrawsMaskedImagesAndEmbossesDisabledOnes) {
  TImageList list(4, 4);
  TBitmap strip;
  strip.SetSize(8, 4);
  Fill(strip, clFuchsia);
  strip.Canvas()->SetPixels(1, 1, clBlack);
  strip.Canvas()->SetPixels(5, 2, clRed);
  EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
  EXPECT_EQ(list.Count(), 2);

  TBitmap dest;
  dest.SetSize(8, 8);
  Fill(dest, clSilver);
  list.Draw(dest.Canvas(), 0, 0, 1);
  EXPECT_EQ(At(dest, 1, 2), RGB(255, 0, 0));
  EXPECT_EQ(At(dest, 0, 0), RGB(192, 192, 192));

  Fill(dest, clGreen);
  list.Draw(dest.Canvas(), 2, 2, 0, false);
  EXPECT_EQ(At(dest, 3, 3), COLORREF(ColorToRGB(clBtnShadow)));
  EXPECT_EQ(At(dest, 4, 4), COLORREF(ColorToRGB(clBtnHighlight)));
  EXPECT_EQ(At(dest, 2, 2), RGB(0, 128, 0));

  TBitmap single;
  list.GetBitmap(0, &single);
  EXPECT_EQ(single.Width(), 4);
  EXPECT_EQ(At(single, 1, 1), RGB(0, 0, 0));
  EXPECT_EQ(At(single, 0, 0), RGB(255, 255, 255));
  EXPECT_THROW(list.GetBitmap(2, &single), EInvalidOperation);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  Fill(dest, clSilver);
  list.Draw(dest.Canvas(), 0, 0, 0);
  EXPECT_EQ(At(dest, 1, 2), RGB(255, 0, 0));
}

} // namespace

namespace {

TEST(ImageList, AnExplicitMaskMakesItsWhitePixelsTransparentAndNoMaskNone) {
  TImageList list(2, 2);
  TBitmap image, mask;
  image.SetSize(2, 2);
  Fill(image, clRed);
  mask.SetMonochrome(true);
  mask.SetSize(2, 2);
  Fill(mask, clBlack);
  mask.Canvas()->SetPixels(0, 0, clWhite);
  EXPECT_EQ(list.Add(&image, &mask), 0);
  EXPECT_EQ(list.Add(&image, nullptr), 1);

  TBitmap dest;
  dest.SetSize(4, 2);
  Fill(dest, clBlue);
  list.Draw(dest.Canvas(), 0, 0, 0);
  list.Draw(dest.Canvas(), 2, 0, 1);
  EXPECT_EQ(At(dest, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(At(dest, 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(At(dest, 2, 0), RGB(255, 0, 0));
  // Out-of-range indexes draw nothing.
  list.Draw(dest.Canvas(), 0, 0, 5);
  EXPECT_EQ(At(dest, 0, 0), RGB(0, 0, 255));
}

} // namespace
