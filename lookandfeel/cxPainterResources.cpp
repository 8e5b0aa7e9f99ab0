#include "lookandfeel/cxPainterResources.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "lookandfeel/cxLookAndFeelPainters_Geometry_p.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Win.h"

namespace {

// Images as rows of characters: '#' black, anything else white (and transparent where the image is).
void DrawPicture(TBitmap& ABitmap, const std::vector<std::string_view>& ARows) {
  int h = int(ARows.size()), w = int(ARows.front().size());
  ABitmap.SetPixelFormat(pf24bit);
  ABitmap.SetSize(w, h);
  TCanvas* c = ABitmap.Canvas();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      c->SetPixels(x, y, ARows[std::size_t(y)][std::size_t(x)] == '#' ? clBlack : clWhite);
}

const std::vector<std::string_view> arrowPicture = {
    "........", "..#.....", "..##....", "..###...", "..####..",
    "..###...", "..##....", "..#.....", "........",
};
const std::vector<std::string_view> editPicture = {
    ".##.##..", "...#....", "...#....", "...#....", "...#....",
    "...#....", "...#....", "...#....", ".##.##..",
};
const std::vector<std::string_view> insertPicture = {
    "........", "...#....", ".#.#.#..", "..###...", ".#####..",
    "..###...", ".#.#.#..", "...#....", "........",
};
const std::vector<std::string_view> multiDotPicture = {
    "........", "........", "........", "...##...", "..####..",
    "..####..", "...##...", "........", "........",
};
const std::vector<std::string_view> multiArrowPicture = {
    "........", "#.......", "##......", "###..##.", "####.##.",
    "###..##.", "##......", "#.......", "........",
};
// A pin lying on its side, head to the right: the panel slides away ("auto-hide on").
const std::vector<std::string_view> pinLyingPicture = {
    "................", "................", "................", "................",
    "..........#.....", "..........######", "..........#...##", "...#######....##",
    "..........#...##", "..........######", "..........#.....", "................",
    "................", "................", "................", "................",
};

// The pushed-in pin is the lying one turned a quarter to the left, head up.
std::vector<std::string> UprightPin() {
  int n = int(pinLyingPicture.size());
  std::vector<std::string> rows(std::size_t(n), std::string(std::size_t(n), '.'));
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      rows[std::size_t(y)][std::size_t(x)] = pinLyingPicture[std::size_t(x)][std::size_t(n - 1 - y)];
  return rows;
}

// The Office 2003 expand buttons: 11 x 11, a dark frame around a face that lightens towards the top, and a
// minus or plus; the painter blends the four corners into whatever lies under them on every call.
void DrawOfficeExpandButton(TBitmap& ABitmap, bool APlus) {
  ABitmap.SetPixelFormat(pf24bit);
  ABitmap.SetSize(11, 11);
  TCanvas* c = ABitmap.Canvas();
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x) {
      bool frame = x == 0 || y == 0 || x == 10 || y == 10;
      BYTE shade = BYTE(255 - y * 4);
      c->SetPixels(x, y,
                   frame ? TColor(RGB(120, 138, 158))
                         : TColor(RGB(shade, shade, BYTE(std::min(255, shade + 8)))));
    }
  for (int i = 3; i <= 7; ++i) {
    c->SetPixels(i, 5, clBlack);
    if (APlus)
      c->SetPixels(5, i, clBlack);
  }
}

const char* const indicatorNames[] = {"CX_ARROWBITMAP", "CX_EDITBITMAP", "CX_INSERTBITMAP",
                                      "CX_MULTIDOTBITMAP", "CX_MULTIARROWBITMAP"};

void RegisterPainterBitmaps() {
  const std::vector<std::string_view>* pictures[] = {&arrowPicture, &editPicture, &insertPicture,
                                                     &multiDotPicture, &multiArrowPicture};
  for (int i = 0; i < 5; ++i)
    RegisterResourceBitmap(indicatorNames[i], [p = pictures[i]](TBitmap& b) { DrawPicture(b, *p); });
  RegisterResourceBitmap("CX_AUTOHIDEON", [](TBitmap& b) { DrawPicture(b, pinLyingPicture); });
  RegisterResourceBitmap("CX_AUTOHIDEOFF", [](TBitmap& b) {
    std::vector<std::string> rows = UprightPin();
    DrawPicture(b, std::vector<std::string_view>(rows.begin(), rows.end()));
  });
}

using BitmapPtr = std::unique_ptr<TBitmap, TObjectDeleter>;

// Rebuilds the radio images when the system colours change.
class PaletteHandler : public TObject {
public:
  void Changed(TObject*);
};

struct Resources {
  std::unique_ptr<TImageList, TObjectDeleter> indicators;
  BitmapPtr checker[2];
  BitmapPtr pins[2];
  std::unique_ptr<PaletteHandler, TObjectDeleter> handler;
  std::unique_ptr<TcxSystemPaletteChangedNotifier, TObjectDeleter> notifier;
};

int initCount = 0;
bool officeColorsHeld = false;
// Owned, and freed by the unit's end. They are plain pointers so that a run that never ends the unit does not
// free graphics objects during static destruction, after the graphics handle table may already be gone.
Resources* resources = nullptr;
TcxRadioButtonImageList* radioImages = nullptr;

BitmapPtr CheckerBitmap(TColor AEven, TColor AOdd);

void PaletteHandler::Changed(TObject*) {
  if (resources) {
    resources->checker[0] = CheckerBitmap(clBtnFace, clBtnHighlight);
    resources->checker[1] = CheckerBitmap(clBlack, cl3DDkShadow);
  }
  if (radioImages)
    radioImages->Reset();
}

BitmapPtr LoadResourceBitmap(const char* AName) {
  BitmapPtr bitmap(new TBitmap);
  bitmap->LoadFromResourceName(nullptr, AName);
  return bitmap;
}

BitmapPtr CheckerBitmap(TColor AEven, TColor AOdd) {
  BitmapPtr bitmap(new TBitmap);
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      bitmap->Canvas()->SetPixels(x, y, (x % 2 == y % 2) ? AEven : AOdd);
  return bitmap;
}

Resources& EnsureResources() {
  if (resources)
    return *resources;
  if (!ResourceBitmapExists(indicatorNames[0]))
    RegisterPainterBitmaps();
  auto r = std::make_unique<Resources>();
  BitmapPtr first = LoadResourceBitmap(indicatorNames[0]);
  r->indicators.reset(new TImageList(first->Width(), first->Height()));
  r->indicators->AddMasked(first.get(), clWhite);
  for (int i = 1; i < 5; ++i)
    r->indicators->AddMasked(LoadResourceBitmap(indicatorNames[i]).get(), clWhite);
  r->checker[0] = CheckerBitmap(clBtnFace, clBtnHighlight);
  r->checker[1] = CheckerBitmap(clBlack, cl3DDkShadow);
  const char* pinNames[] = {"CX_AUTOHIDEON", "CX_AUTOHIDEOFF"};
  for (int i = 0; i < 2; ++i) {
    r->pins[i].reset(new TBitmap);
    r->pins[i]->SetSize(16, 16);
    r->pins[i]->LoadFromResourceName(nullptr, pinNames[i]);
    r->pins[i]->SetTransparent(true);
  }
  r->handler.reset(new PaletteHandler);
  r->notifier.reset(new TcxSystemPaletteChangedNotifier(true));
  r->notifier->OnSystemPaletteChanged = TNotifyEvent(r->handler.get(), &PaletteHandler::Changed);
  resources = r.release();
  return *resources;
}

} // namespace

TcxRadioButtonImageList::TcxRadioButtonImageList() {
  BuildTemplate();
  FImages.reset(new TImageList(FWidth, FHeight));
  Render();
}

TcxRadioButtonImageList::~TcxRadioButtonImageList() = default;

int TcxRadioButtonImageList::StyleGroup(TcxLookAndFeelStyle AStyle) {
  switch (AStyle) {
  case lfsFlat:
    return 0;
  case lfsUltraFlat:
    return 2;
  case lfsOffice11:
    return 3;
  default:
    return 1;
  }
}

int TcxRadioButtonImageList::ImageIndex(int AStyleGroup, TcxButtonState AState, bool AChecked, bool AFocused,
                                        bool AIsDesigning) {
  int state = std::clamp(int(AState), int(cxbsNormal), int(cxbsDisabled)) - 1;
  int group = std::clamp(AStyleGroup, 0, StyleGroupCount - 1);
  return state + 4 * int(AChecked) + 8 * group + 32 * int(AIsDesigning) + 64 * int(AFocused);
}

void TcxRadioButtonImageList::BuildTemplate() {
  BITMAP info{};
  HBITMAP boxes = LoadBitmap(nullptr, OBM_CHECKBOXES);
  if (boxes) {
    GetObject(boxes, sizeof info, &info);
    DeleteObject(boxes);
  }
  FWidth = info.bmWidth > 0 ? info.bmWidth / 4 : 13;
  FHeight = info.bmHeight > 0 ? info.bmHeight / 3 : 13;
  FTemplate.assign(std::size_t(FWidth * FHeight), rOutside);

  // The ring is where the platform's radio mask is black; the dot is what checking adds to a flat image.
  TBitmap scratch;
  scratch.SetPixelFormat(pf24bit);
  scratch.SetSize(FWidth, FHeight);
  HDC dc = scratch.Canvas()->Handle();
  TRect cell = Rect(0, 0, FWidth, FHeight);
  auto draw = [&](UINT state) {
    TRect r = cell;
    DrawFrameControl(dc, &r, DFC_BUTTON, state);
    std::vector<COLORREF> pixels(std::size_t(FWidth * FHeight));
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x)
        pixels[std::size_t(y * FWidth + x)] = GetPixel(dc, x, y);
    return pixels;
  };
  auto box = [&](auto&& inside) {
    TRect b{FWidth, FHeight, 0, 0};
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x)
        if (inside(x, y)) {
          b.left = std::min(b.left, LONG(x));
          b.top = std::min(b.top, LONG(y));
          b.right = std::max(b.right, LONG(x + 1));
          b.bottom = std::max(b.bottom, LONG(y + 1));
        }
    return b;
  };
  std::vector<COLORREF> mask = draw(DFCS_BUTTONRADIOMASK);
  TRect ring = box([&](int x, int y) { return mask[std::size_t(y * FWidth + x)] != RGB(255, 255, 255); });
  if (IsRectEmpty(&ring))
    ring = cell;
  std::vector<COLORREF> plain = draw(DFCS_BUTTONRADIOIMAGE | DFCS_FLAT);
  std::vector<COLORREF> checked = draw(DFCS_BUTTONRADIOIMAGE | DFCS_FLAT | DFCS_CHECKED);
  TRect dot = box([&](int x, int y) {
    return plain[std::size_t(y * FWidth + x)] != checked[std::size_t(y * FWidth + x)];
  });
  int rw = RectWidth(ring), rh = RectHeight(ring);
  int dw = IsRectEmpty(&dot) ? std::max(1, rw / 3) : RectWidth(dot);
  int dh = IsRectEmpty(&dot) ? std::max(1, rh / 3) : RectHeight(dot);

  // The outer ring is the outline of the ring's ellipse, traced by the platform's own rounded rectangle.
  TCanvas* c = scratch.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(cell);
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(clBlack);
  c->RoundRect(ring.left, ring.top, ring.right, ring.bottom, rw, rh);
  c->Brush()->SetStyle(bsSolid);
  auto upperLeft = [&](int x, int y) {
    // Above the diagonal from the bottom-left to the top-right corner of the ring.
    return double(x - ring.left) + 0.5 < double(rw) * (1.0 - (double(y - ring.top) + 0.5) / double(rh));
  };
  auto at = [&](int x, int y) -> unsigned char& { return FTemplate[std::size_t(y * FWidth + x)]; };
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      if ((COLORREF(c->Pixels(x, y)) & 0xFFFFFF) == 0)
        at(x, y) = upperLeft(x, y) ? rOuterLight : rOuterDark;

  int cx = (ring.left + ring.right - 1) / 2, cy = (ring.top + ring.bottom - 1) / 2;
  auto fillRow = [&](int y) {
    if (at(cx, y) != rOutside)
      return false;
    for (int x = cx; x >= 0 && at(x, y) == rOutside; --x)
      at(x, y) = rInterior;
    for (int x = cx + 1; x < FWidth && at(x, y) == rOutside; ++x)
      at(x, y) = rInterior;
    return true;
  };
  for (int y = cy; y >= 0 && fillRow(y); --y) {
  }
  for (int y = cy + 1; y < FHeight && fillRow(y); ++y) {
  }
  auto interior = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < FWidth && y < FHeight &&
           (at(x, y) == rInterior || at(x, y) == rInnerLight || at(x, y) == rInnerDark);
  };
  std::vector<unsigned char> inner(FTemplate.size(), 0);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      if (interior(x, y) &&
          (!interior(x - 1, y) || !interior(x + 1, y) || !interior(x, y - 1) || !interior(x, y + 1)))
        inner[std::size_t(y * FWidth + x)] = 1;
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      if (inner[std::size_t(y * FWidth + x)])
        at(x, y) = upperLeft(x, y) ? rInnerLight : rInnerDark;

  double ccx = (ring.left + ring.right) / 2.0, ccy = (ring.top + ring.bottom) / 2.0;
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      double ex = (x + 0.5 - ccx) / (dw / 2.0), ey = (y + 0.5 - ccy) / (dh / 2.0);
      if (at(x, y) != rOutside && ex * ex + ey * ey <= 1.0)
        at(x, y) = rDot;
    }
}

void TcxRadioButtonImageList::Render() {
  FImages->Clear();
  BitmapPtr strip(new TBitmap), mask(new TBitmap);
  strip->SetPixelFormat(pf24bit);
  strip->SetSize(FWidth * ImageCount, FHeight);
  mask->SetMonochrome(true);
  mask->SetSize(FWidth * ImageCount, FHeight);
  TCanvas* image = strip->Canvas();
  TCanvas* shape = mask->Canvas();
  const TcxCustomLookAndFeelPainter* office = TcxOffice11LookAndFeelPainter::Instance();
  for (int index = 0; index < ImageCount; ++index) {
    auto state = TcxButtonState(index % 4 + 1);
    bool checked = (index / 4) % 2, designing = (index / 32) % 2, focused = index / 64;
    int group = (index / 8) % 4;
    bool lit = (focused || designing || state == cxbsHot || state == cxbsPressed) && state != cxbsDisabled;
    TColor interior;
    switch (group) {
    case 2:
      interior = state == cxbsNormal    ? clWindow
                 : state == cxbsHot     ? LightSelectionColor()
                 : state == cxbsPressed ? LightFaceColor()
                                        : clBtnFace;
      break;
    case 3:
      interior = state == cxbsNormal ? clWindow : office->ButtonColor(state);
      break;
    default:
      interior = state == cxbsPressed || state == cxbsDisabled ? clBtnFace : clWindow;
      break;
    }
    TColor roles[7];
    roles[rInterior] = interior;
    switch (group) {
    case 0:
      roles[1] = clBtnShadow, roles[2] = clBtnHighlight, roles[3] = cl3DLight, roles[4] = cl3DLight;
      break;
    case 1:
      roles[1] = clBtnShadow, roles[2] = clBtnHighlight, roles[3] = cl3DDkShadow, roles[4] = cl3DLight;
      break;
    case 2:
      roles[1] = roles[2] = lit ? clHighlight : clBtnShadow;
      roles[3] = roles[4] = interior;
      break;
    default:
      roles[1] = roles[2] = state == cxbsDisabled ? dxOffice11SchemeColor(31)
                            : lit                 ? dxOffice11SchemeColor(21)
                                                  : clBtnText;
      roles[3] = roles[4] = interior;
      break;
    }
    if (!checked)
      roles[rDot] = interior;
    else if (state == cxbsDisabled)
      roles[rDot] = group == 3 ? dxOffice11SchemeColor(31) : clBtnShadow;
    else
      roles[rDot] = clBtnText;
    for (TColor& color : roles)
      color = ColorToRGB(color);
    roles[rOutside] = clWhite;
    int left = index * FWidth;
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) {
        Role role = RoleAt(x, y);
        image->SetPixels(left + x, y, roles[role]);
        shape->SetPixels(left + x, y, role == rOutside ? clWhite : clBlack);
      }
  }
  FImages->Add(strip.get(), mask.get());
}

void TcxRadioButtonImageList::Reset() {
  Render();
}

void TcxRadioButtonImageList::Draw(TcxCanvas* ACanvas, int X, int Y, TcxLookAndFeelStyle AStyle,
                                   TcxButtonState AState, bool AChecked, bool AFocused, TColor ABrushColor,
                                   bool AIsDesigning) {
  if (ABrushColor != clDefault)
    ACanvas->FillRect(Bounds(X, Y, FWidth, FHeight), ABrushColor);
  FImages->Draw(ACanvas->Canvas(), X, Y,
                ImageIndex(StyleGroup(AStyle), AState, AChecked, AFocused, AIsDesigning));
}

TcxRadioButtonImageList* cxRadioButtonImageList() {
  if (!radioImages)
    radioImages = new TcxRadioButtonImageList;
  return radioImages;
}

TImageList* cxIndicatorImages() {
  return EnsureResources().indicators.get();
}

void cxDrawIndicatorImage(TcxCanvas* ACanvas, const TRect& R, TcxIndicatorKind AKind) {
  if (AKind <= ikNone || AKind > ikMultiArrow || IsRectEmpty(&R))
    return;
  TImageList* images = cxIndicatorImages();
  cxPainterUtils::TClipToSmallPart clip(ACanvas, R, images->Width(), images->Height());
  images->Draw(ACanvas->Canvas(), (R.left + R.right - images->Width()) / 2,
               (R.top + R.bottom - images->Height()) / 2, int(AKind) - 1);
}

TBitmap* cxPinBitmap(bool APinned) {
  return EnsureResources().pins[APinned ? 1 : 0].get();
}

TBitmap* cxCheckerBrushBitmap(int AIndex) {
  return EnsureResources().checker[AIndex == 0 ? 0 : 1].get();
}

void cxLookAndFeelPaintersInitialize() {
  if (initCount++ > 0)
    return;
  EnsureResources();
  RegisterResourceBitmap("DXEXPANDBUTTON_MINUS", [](TBitmap& b) { DrawOfficeExpandButton(b, false); });
  RegisterResourceBitmap("DXEXPANDBUTTON_PLUS", [](TBitmap& b) { DrawOfficeExpandButton(b, true); });
  AcquireOffice11Colors();
  // Whoever held the Office colours first made the expand images from the names' previous pictures.
  if (Office11ColorsUserCount() > 1)
    RefreshOffice11Colors();
  officeColorsHeld = true;
}

void cxLookAndFeelPaintersFinalize() {
  if (initCount == 0 || --initCount > 0)
    return;
  if (officeColorsHeld)
    ReleaseOffice11Colors();
  officeColorsHeld = false;
  delete resources;
  resources = nullptr;
  if (radioImages)
    radioImages->Free();
  radioImages = nullptr;
}

const TUnitInfo cxLookAndFeelPaintersUnit{"cxLookAndFeelPainters", &cxLookAndFeelPaintersInitialize,
                                          &cxLookAndFeelPaintersFinalize};
