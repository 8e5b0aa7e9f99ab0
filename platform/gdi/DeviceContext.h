#pragma once
// Device contexts: the drawing state (selected objects, colours, modes, origins, clip) over a Surface.
//
// Coordinates: a logical point (x, y) maps to the device point (x - windowOrg + viewportOrg) in MM_TEXT,
// and a device point maps to the surface point (device + deviceOrigin). A memory DC has deviceOrigin 0 and
// draws into its selected bitmap; a window DC draws into its top-level window's surface at the client
// origin. Clip regions given by the application are in device coordinates; the visible region is in
// surface coordinates.
#include <optional>
#include <vector>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Surface.h"

namespace gdi {

// Everything SaveDC saves and RestoreDC restores.
struct DCState {
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr; // memory DCs only
  COLORREF textColor = 0;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int polyFillMode = ALTERNATE;
  int stretchMode = BLACKONWHITE;
  POINT brushOrg{};
  POINT windowOrg{};
  POINT viewportOrg{};
  POINT curPos{};
  std::optional<Region> clip; // device coordinates; none means unclipped
  // Text output state, used by the text calls.
  UINT textAlign = 0;
  int textCharExtra = 0;
  int breakExtra = 0;
  int breakCount = 0;
  int breakError = 0;
};

class DeviceContext : public GdiObject {
public:
  static constexpr GdiKind kKind = GdiKind::DC;
  DeviceContext() : GdiObject(kKind) {}
  ~DeviceContext() override;
  DWORD ObjectType() const override { return memory ? OBJ_MEMDC : OBJ_DC; }
  int Describe(int, void*) const override { return 0; }

  // The surface drawn into: the selected bitmap's for a memory DC, borrowed from the window manager for a
  // window DC. Never null.
  Surface* surface = nullptr;
  POINT deviceOrigin{};
  std::optional<Region> visible; // surface coordinates; none means the whole surface
  bool memory = false;
  // A monochrome target maps every colour to black or white.
  bool mono = false;
  DCState state;
  std::vector<DCState> saved;

  // The region every pixel written must lie in, in surface coordinates: surface bounds, visible region and
  // the application's clip. Recomputed lazily after any of them changes.
  const Region& Clip();
  void ClipChanged() { clipValid_ = false; }

  // Coordinates are clamped to 2^28 either way, so that any LONG an application passes maps without
  // overflow; the platform itself only honours 27 bits.
  static int Clamp(long long v) {
    return int(v < -kCoordLimit ? -kCoordLimit : v > kCoordLimit ? kCoordLimit : v);
  }
  static constexpr long long kCoordLimit = 1LL << 28;
  POINT LogicalToDevice(int x, int y) const {
    return {Clamp((long long)x - state.windowOrg.x + state.viewportOrg.x),
            Clamp((long long)y - state.windowOrg.y + state.viewportOrg.y)};
  }
  POINT DeviceToLogical(int x, int y) const {
    return {Clamp((long long)x + state.windowOrg.x - state.viewportOrg.x),
            Clamp((long long)y + state.windowOrg.y - state.viewportOrg.y)};
  }
  // Logical to surface coordinates.
  int SurfaceX(int x) const {
    return Clamp((long long)x - state.windowOrg.x + state.viewportOrg.x + deviceOrigin.x);
  }
  int SurfaceY(int y) const {
    return Clamp((long long)y - state.windowOrg.y + state.viewportOrg.y + deviceOrigin.y);
  }
  RECT ToSurface(const RECT& r) const {
    return {SurfaceX(r.left), SurfaceY(r.top), SurfaceX(r.right), SurfaceY(r.bottom)};
  }

  // The surface pixel a colour becomes on this DC.
  std::uint32_t DevicePixel(COLORREF color) const;

private:
  Region clip_;
  bool clipValid_ = false;
  int clipWidth_ = -1, clipHeight_ = -1;
};

DeviceContext* LookupDC(HDC handle);

// The emulated display's size, which HORZRES and VERTRES report; the window manager sets it.
void SetScreenSize(SIZE size);
SIZE GetScreenSize();

// Black or white for a monochrome target: the nearer of the two.
constexpr std::uint32_t MonoPixel(COLORREF color) {
  return GetRValue(color) + GetGValue(color) + GetBValue(color) >= 383 ? 0xFFFFFF : 0;
}

} // namespace gdi

// A DC that draws into `surface` (not owned) with device point (0,0) at `deviceOrigin` of the surface and
// clipped to `visibleRgn` (surface coordinates, copied; null for the whole surface). The window manager
// makes window DCs with it; DeleteDC frees it.
HDC CreateSurfaceDC(Surface* surface, POINT deviceOrigin, HRGN visibleRgn);
// Replaces the visible region (copied; null for the whole surface) and the device origin of such a DC.
BOOL SetDCVisibleRegion(HDC dc, HRGN visibleRgn);
BOOL SetDCDeviceOrigin(HDC dc, POINT deviceOrigin);
// The surface a DC draws into (a window's, or a memory DC's selected bitmap's).
Surface* GetDCSurface(HDC dc);

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int savedDC);

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetWindowOrgEx(HDC dc, POINT* org);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* org);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL GetDCOrgEx(HDC dc, POINT* org);
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);

BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC dc, POINT* pos);

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetBrushOrgEx(HDC dc, POINT* org);
int GetDeviceCaps(HDC dc, int index);
COLORREF GetNearestColor(HDC dc, COLORREF color);

// Clipping.
int SelectClipRgn(HDC dc, HRGN rgn);
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);
int GetClipRgn(HDC dc, HRGN rgn);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
int GetClipBox(HDC dc, RECT* rect);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* rect);
