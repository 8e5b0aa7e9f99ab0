#pragma once
// Painting shared by the editors: the library-wide cache of solid brushes, the editors' own text layout
// engine, and the drawing and measuring of arrows, edit buttons and glyphs.
#include <array>
#include <memory>
#include <span>
#include <vector>

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "platform/classes/UnitList.h"
#include "platform/controls/ImgList.h"

// Solid brushes by colour. System colours answer the system's own brushes; other colours get a brush made
// once and kept while it is asked for, the least asked for giving way when the cache is full.
class TcxSolidBrushCache : public TObject {
  PELVOR_CLASS(TcxSolidBrushCache, TObject)

  explicit TcxSolidBrushCache(int ACapacity);
  ~TcxSolidBrushCache() override;

  // The handle stays the cache's: callers never delete it. It stays valid at least until RecentlyUsedKept
  // further requests have been answered, so a caller may hold a few brushes at once while it paints.
  HBRUSH GetBrush(TColor AColor);
  virtual void SystemPaletteChanged();

  int Count() const { return FCount; }
  int Capacity() const { return FCapacity; }
  static constexpr int RecentlyUsedKept = 8;

private:
  void PaletteChanged(TObject* Sender);
  void Delete(int AIndex);

  std::vector<TColor> FColors;  // ascending as unsigned values
  std::vector<HBRUSH> FBrushes; // owned
  std::vector<int> FRefCounts;
  std::vector<unsigned> FLastUse; // the request that last answered the entry
  int FCount = 0;
  int FCapacity;
  unsigned FRequests = 0;
  std::unique_ptr<TcxSystemPaletteChangedNotifier> FSystemPaletteChangedNotifier;
};

// The global cache (capacity 128) while the unit runs.
TcxSolidBrushCache* SolidBrushCache();
HBRUSH GetSolidBrush(TColor AColor);
HBRUSH GetSolidBrushForCanvas(TCanvas* ACanvas, TColor AColor);
HBRUSH GetSolidBrushForCanvas(TcxCanvas* ACanvas, TColor AColor);

// The layout engine's flag word.
constexpr DWORD CXTO_LEFT = 0x0;
constexpr DWORD CXTO_CENTER_HORIZONTALLY = 0x1;
constexpr DWORD CXTO_RIGHT = 0x2;
constexpr DWORD CXTO_JUSTIFY_HORIZONTALLY = 0x3;    // every row but the last of each paragraph
constexpr DWORD CXTO_DISTRIBUTE_HORIZONTALLY = 0x4; // every row
constexpr DWORD CXTO_TOP = 0x0;
constexpr DWORD CXTO_CENTER_VERTICALLY = 0x10;
constexpr DWORD CXTO_BOTTOM = 0x20;
constexpr DWORD CXTO_DISTRIBUTE_VERTICALLY = 0x30;
constexpr DWORD CXTO_CLAMP_LEFT = 0x40;
constexpr DWORD CXTO_CLAMP_TOP = 0x80;
constexpr DWORD CXTO_WORDBREAK = 0x100;
constexpr DWORD CXTO_SINGLELINE = 0x200;
constexpr DWORD CXTO_EXPANDTABS = 0x400;
constexpr DWORD CXTO_END_ELLIPSIS = 0x800;
constexpr DWORD CXTO_EXTERNALLEADING = 0x2000;
constexpr DWORD CXTO_WHOLE_ROWS = 0x4000;
constexpr DWORD CXTO_NOCLIP = 0x8000;
constexpr DWORD CXTO_USER_FLAG = 0x10000; // carried in the parameters for the caller, unused by the layout
constexpr DWORD CXTO_CHARBREAK = 0x20000;
constexpr DWORD CXTO_CALCRECT = 0x100000;
constexpr DWORD CXTO_CALCROWCOUNT = 0x200000;

struct TcxTextParams {
  int Height = 0;
  int ExternalLeading = 0;
  int LineHeight = 0;
  int EndEllipsisWidth = 0;
  char BreakChar = ' ';
  int HorzAlignment = 0; // 0 left, 1 centre, 2 right, 3 justify, 4 justify every row
  int VertAlignment = 0; // 0 top, 1 centre, 2 bottom, 3 spread
  bool WordBreak = false;
  bool SingleLine = false;
  bool ExpandTabs = false;
  bool EndEllipsis = false;
  bool UseExternalLeading = false;
  bool WholeRows = false;
  bool NoClip = false;
  bool UserFlag = false;
  bool LeftClamp = false;
  bool TopClamp = false;
  bool CharBreak = false;
  bool ReturnRowCount = false;
  bool CalcRect = false;
  int MaxCharWidth = 0;
};

struct TcxTextRow {
  const char* Text = nullptr; // into the caller's text
  int TextLength = 0;
  int TextExtentX = 0;
  int TextExtentY = 0;
  int BreakCount = 0;
  int TextOriginX = 0;
  int TextOriginY = 0;
  int StartOffset = 0;
};
using TcxTextRows = std::vector<TcxTextRow>;

void PrepareTextParams(HDC ADC, DWORD AFormat, TcxTextParams& AParams);
void PrepareCanvasTextParams(TcxCanvas* ACanvas, DWORD AFormat, TcxTextParams& AParams);
// Breaks the whole text into rows; False when the row limit cut the text.
bool MakeTextRows(HDC ADC, const char* AText, const TRect& ARect, int AMaxLineCount, int& ARowCount,
                  TcxTextRows& ARows, TcxTextParams& AParams);
bool MakeTextRows(TcxCanvas* ACanvas, const char* AText, const TRect& ARect, int AMaxLineCount,
                  int& ARowCount, TcxTextRows& ARows, TcxTextParams& AParams);
void PositionTextRows(const TRect& ARect, TcxTextRows& ARows, int ARowCount, TcxTextParams& AParams);
// Lays out and draws (or, with CXTO_CALCRECT, measures into ARect) a zero-terminated text in the DC's font.
// The result is the text height, or the row count with CXTO_CALCROWCOUNT.
int TextOutLayout(HDC ADC, const char* AText, TRect& ARect, DWORD AFormat, int ASelStart = 0,
                  int ASelLength = 0, TColor ASelBkColor = clHighlight,
                  TColor ASelTextColor = clHighlightText, int AMaxLineCount = 0, int ALeftIndent = 0,
                  int ARightIndent = 0);
int CanvasTextOutLayout(TcxCanvas* ACanvas, const char* AText, TRect& ARect, DWORD AFormat, int ASelStart = 0,
                        int ASelLength = 0, TColor ASelBkColor = clHighlight,
                        TColor ASelTextColor = clHighlightText, int AMaxLineCount = 0, int ALeftIndent = 0,
                        int ARightIndent = 0);
int DrawEditText(TcxCanvas* ACanvas, const char* AText, TRect& ARect, DWORD AFormat, int AMaxLineCount = 0,
                 int ALeftIndent = 0, int ARightIndent = 0);

enum TcxEditButtonKind { bkEllipsis, bkDown, bkGlyph, bkText };
enum TcxEditButtonStyle { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11 };
// The state of a button as the native look numbers it.
enum TcxEditButtonState { ebsDisabled, ebsNormal, ebsPressed, ebsSelected };

// What the drawing routines need of one edit button; the editors' button view info fills it.
struct TcxEditButtonDrawInfo {
  TRect Bounds;
  TcxEditButtonKind Kind = bkDown;
  TcxEditButtonStyle Style = bts3D;
  TcxEditButtonState State = ebsNormal;
  bool NativeStyle = false;
  bool DropDown = false;    // a drop-down editor's button, drawn with the combo-box theme
  int Width = 0;            // a width of its own, 0 when none
  TBitmap* Glyph = nullptr; // borrowed
  String Caption;
  TColor BackgroundColor = clBtnFace; // clDefault: the button face
  TColor TextColor = clBtnText;
  bool Office11 = false; // highlight colours of the Office 2003 look
};

extern bool IsThemedTextHotColorAvailable;

TcxLookAndFeelPainterClass GetLookAndFeelPainterClass(bool ANativeStyle, TcxLookAndFeelKind AKind);
TColor GetHotTrackColor();
TColor GetEditBorderHighlightColor(bool AIsOffice11Style);
TColor GetEditButtonHighlightColor(bool APressed, bool AIsOffice11Style);
// The base and height of an arrow for a button of the size, swapped for left and right arrows.
TSize CalculateArrowSize(const TSize& AButtonSize, TcxArrowDirection ADirection);
void DrawArrow(TcxCanvas* ACanvas, const TRect& R, TColor AColor, TcxArrowDirection ADirection, bool APressed,
               int ACount, int ASize);
void DrawEllipsisDots(TcxCanvas* ACanvas, int X, int Y, int ADotSize, TColor AColor);
void DrawPolyline(TcxCanvas* ACanvas, std::span<const TPoint> APoints, TColor AColor, bool AAsRectangles);
TPoint CalculateCenteredPosition(const TRect& R, const TSize& ASize, bool AShift);
bool IsGlyphAssigned(TBitmap* AGlyph);
// Enabled, the glyph is drawn without its transparent colour; disabled, embossed in the highlight and shadow
// colours. A background colour other than clNone fills the glyph's rectangle first.
void DrawGlyph(TcxCanvas* ACanvas, const TPoint& APoint, TBitmap* AGlyph, bool AEnabled,
               TColor ABackgroundColor = clNone);
void DrawImageListImage(TcxCanvas* ACanvas, const TPoint& APoint, TImageList* AImages, int AIndex,
                        bool AEnabled, TColor ABackgroundColor = clNone);
int GetEditButtonBorderWidth(const TcxEditButtonDrawInfo& AButton);
int CalculateEditButtonWidth(TcxCanvas* ACanvas, const TcxEditButtonDrawInfo& AButton);
void FillRectWithBrush(HDC ADC, const TRect& R, HBRUSH ABrush);
void FillFrameWithBrush(TcxCanvas* ACanvas, const TRect& AOuter, const TRect& AInner, HBRUSH ABrush);
// Draws the button's frame and fills its inside with the button colour; answers the content rectangle.
void DrawEditButtonBorder(TcxCanvas* ACanvas, const TcxEditButtonDrawInfo& AButton, const TRect& R,
                          TRect& AContentRect);
void DrawEditButtonContent(TcxCanvas* ACanvas, const TcxEditButtonDrawInfo& AButton,
                           const TRect& AContentRect);
void DrawEditButton(TcxCanvas* ACanvas, const TcxEditButtonDrawInfo& AButton);
DWORD PackTextFlags(DWORD AFlags);
DWORD UnpackTextFlags(DWORD AFlags);
String RemoveAccelChars(const String& ACaption);

// The routines that read an editor's view data or view info (declared with the editor base).
class TcxCustomEditViewData;
class TcxCustomEditViewInfo;
// The extra size around an edit's text, as a width and a height.
TSize GetEditContentSizeCorrection(TcxCustomEditViewData* AViewData);
TRect GetEditBorderExtent(TcxCustomEditViewData* AViewData);
TRect GetEditNativeBorderExtent(TcxCanvas* ACanvas, TcxCustomEditViewData* AViewData);
TColor GetEditBackgroundColor(TcxCustomEditViewData* AViewData, TcxCustomEditViewInfo* AViewInfo);
bool HasEditShadow(TcxCustomEditViewData* AViewData);
void DrawEditBorderAndButtons(TcxCustomEditViewInfo* AViewInfo, TcxCanvas* ACanvas);

void cxEditUtilsInitialize();
void cxEditUtilsFinalize();
extern const TUnitInfo cxEditUtilsUnit;
