#include "platform/gdi/DeviceContext.h"

#include <algorithm>
#include <utility>

namespace gdi {
namespace {

HGDIOBJ DefaultObject(GdiKind kind) {
  switch (kind) {
  case GdiKind::Pen:
    return GetStockObject(BLACK_PEN);
  case GdiKind::Brush:
    return GetStockObject(WHITE_BRUSH);
  case GdiKind::Font:
    return GetStockObject(SYSTEM_FONT);
  case GdiKind::Bitmap:
    return ToObj(DefaultBitmap());
  default:
    return nullptr;
  }
}

// Moves a DC's selection of one kind to `next`, keeping the selection counts right.
void Reselect(HGDIOBJ& slot, HGDIOBJ next) {
  if (slot == next)
    return;
  HGDIOBJ old = slot;
  slot = next;
  AddSelection(next);
  ReleaseSelection(old);
}

void AttachBitmap(DeviceContext& dc, HDC self, HBITMAP bitmap) {
  BitmapObject* b = LookupBitmap(bitmap);
  if (!b->IsStock())
    b->selectedInto = self;
  dc.surface = b->surface.get();
  dc.mono = b->IsMono();
  dc.ClipChanged();
}

void DetachBitmap(HBITMAP bitmap) {
  if (BitmapObject* b = LookupBitmap(bitmap); b && !b->IsStock())
    b->selectedInto = nullptr;
}

HDC NewDC(std::unique_ptr<DeviceContext> dc) {
  dc->state.pen = FromObj<HPEN>(DefaultObject(GdiKind::Pen));
  dc->state.brush = FromObj<HBRUSH>(DefaultObject(GdiKind::Brush));
  dc->state.font = FromObj<HFONT>(DefaultObject(GdiKind::Font));
  AddSelection(ToObj(dc->state.pen));
  AddSelection(ToObj(dc->state.brush));
  AddSelection(ToObj(dc->state.font));
  DeviceContext* raw = dc.get();
  HDC handle = FromObj<HDC>(InsertObject(std::move(dc)));
  if (raw->memory) {
    raw->state.bitmap = DefaultBitmap();
    AddSelection(ToObj(raw->state.bitmap));
    AttachBitmap(*raw, handle, raw->state.bitmap);
  }
  return handle;
}

// The device-coordinate area that stands for "everything" when a clip operation starts from no clip.
RECT DeviceBounds(const DeviceContext& dc) {
  return {-dc.deviceOrigin.x, -dc.deviceOrigin.y, dc.surface->Width() - dc.deviceOrigin.x,
          dc.surface->Height() - dc.deviceOrigin.y};
}

RECT OrderedDeviceRect(const DeviceContext& dc, int l, int t, int r, int b) {
  POINT a = dc.LogicalToDevice(l, t), c = dc.LogicalToDevice(r, b);
  return {std::min(a.x, c.x), std::min(a.y, c.y), std::max(a.x, c.x), std::max(a.y, c.y)};
}

SIZE screenSize{1024, 768};

// Millimetres at 96 pixels per inch.
int MulDivSize(int pixels) {
  return pixels * 254 / 960;
}

} // namespace

void SetScreenSize(SIZE size) {
  screenSize = size;
}

SIZE GetScreenSize() {
  return screenSize;
}

DeviceContext::~DeviceContext() = default;

const Region& DeviceContext::Clip() {
  if (clipValid_ && clipWidth_ == surface->Width() && clipHeight_ == surface->Height())
    return clip_;
  clipWidth_ = surface->Width();
  clipHeight_ = surface->Height();
  clip_.SetRect({0, 0, clipWidth_, clipHeight_});
  if (visible)
    clip_.Intersect(*visible);
  if (state.clip) {
    Region app = *state.clip;
    app.Offset(deviceOrigin.x, deviceOrigin.y);
    clip_.Intersect(app);
  }
  clipValid_ = true;
  return clip_;
}

std::uint32_t DeviceContext::DevicePixel(COLORREF color) const {
  color &= 0xFFFFFF;
  return mono ? MonoPixel(color) : ColorRefToPixel(color);
}

DeviceContext* LookupDC(HDC handle) {
  return Lookup<DeviceContext>(ToObj(handle));
}

} // namespace gdi

using namespace gdi;

HDC CreateSurfaceDC(Surface* surface, POINT deviceOrigin, HRGN visibleRgn) {
  if (!surface)
    return nullptr;
  auto dc = std::make_unique<DeviceContext>();
  dc->surface = surface;
  dc->deviceOrigin = deviceOrigin;
  if (visibleRgn) {
    RegionObject* r = LookupRegion(visibleRgn);
    if (!r)
      return nullptr;
    dc->visible = r->region;
  }
  return NewDC(std::move(dc));
}

BOOL SetDCVisibleRegion(HDC handle, HRGN visibleRgn) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  if (visibleRgn) {
    RegionObject* r = LookupRegion(visibleRgn);
    if (!r)
      return FALSE;
    dc->visible = r->region;
  } else {
    dc->visible.reset();
  }
  dc->ClipChanged();
  return TRUE;
}

BOOL SetDCDeviceOrigin(HDC handle, POINT deviceOrigin) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  dc->deviceOrigin = deviceOrigin;
  dc->ClipChanged();
  return TRUE;
}

Surface* GetDCSurface(HDC handle) {
  DeviceContext* dc = LookupDC(handle);
  return dc ? dc->surface : nullptr;
}

HDC CreateCompatibleDC(HDC handle) {
  if (handle && !LookupDC(handle))
    return nullptr;
  auto dc = std::make_unique<DeviceContext>();
  dc->memory = true;
  return NewDC(std::move(dc));
}

BOOL DeleteDC(HDC handle) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  ReleaseSelection(ToObj(dc->state.pen));
  ReleaseSelection(ToObj(dc->state.brush));
  ReleaseSelection(ToObj(dc->state.font));
  if (dc->state.bitmap) {
    DetachBitmap(dc->state.bitmap);
    ReleaseSelection(ToObj(dc->state.bitmap));
  }
  return RemoveObject(ToObj(handle)) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = LookupDC(handle);
  GdiObject* o = LookupObject(object);
  if (!dc || !o)
    return nullptr;
  HGDIOBJ old = nullptr;
  switch (o->Kind()) {
  case GdiKind::Pen: {
    old = ToObj(dc->state.pen);
    HGDIOBJ slot = old;
    Reselect(slot, object);
    dc->state.pen = FromObj<HPEN>(slot);
    return old;
  }
  case GdiKind::Brush: {
    old = ToObj(dc->state.brush);
    HGDIOBJ slot = old;
    Reselect(slot, object);
    dc->state.brush = FromObj<HBRUSH>(slot);
    return old;
  }
  case GdiKind::Font: {
    old = ToObj(dc->state.font);
    HGDIOBJ slot = old;
    Reselect(slot, object);
    dc->state.font = FromObj<HFONT>(slot);
    return old;
  }
  case GdiKind::Bitmap: {
    if (!dc->memory)
      return nullptr;
    auto* b = static_cast<BitmapObject*>(o);
    HBITMAP bitmap = FromObj<HBITMAP>(object);
    if (b->selectedInto && b->selectedInto != handle)
      return nullptr;
    old = ToObj(dc->state.bitmap);
    if (old == object)
      return old;
    DetachBitmap(dc->state.bitmap);
    HGDIOBJ slot = old;
    Reselect(slot, object);
    dc->state.bitmap = bitmap;
    AttachBitmap(*dc, handle, bitmap);
    return old;
  }
  case GdiKind::Region:
    return reinterpret_cast<HGDIOBJ>(std::intptr_t(SelectClipRgn(handle, FromObj<HRGN>(object))));
  default:
    return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return nullptr;
  switch (type) {
  case OBJ_PEN:
  case OBJ_EXTPEN:
    return ToObj(dc->state.pen);
  case OBJ_BRUSH:
    return ToObj(dc->state.brush);
  case OBJ_FONT:
    return ToObj(dc->state.font);
  case OBJ_BITMAP:
    return ToObj(dc->state.bitmap);
  default:
    return nullptr;
  }
}

int SaveDC(HDC handle) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return 0;
  dc->saved.push_back(dc->state);
  // A saved state keeps its objects alive the way a selection does.
  DCState& s = dc->saved.back();
  AddSelection(ToObj(s.pen));
  AddSelection(ToObj(s.brush));
  AddSelection(ToObj(s.font));
  AddSelection(ToObj(s.bitmap));
  return int(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int savedDC) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || savedDC == 0)
    return FALSE;
  int level = savedDC > 0 ? savedDC : int(dc->saved.size()) + 1 + savedDC;
  if (level < 1 || level > int(dc->saved.size()))
    return FALSE;
  DCState target = dc->saved[std::size_t(level - 1)];
  // A bitmap that went into another DC meanwhile cannot come back; keep the current one then.
  if (dc->memory) {
    BitmapObject* b = LookupBitmap(target.bitmap);
    if (!b || (b->selectedInto && b->selectedInto != handle))
      target.bitmap = dc->state.bitmap;
  }
  HGDIOBJ pen = ToObj(dc->state.pen), brush = ToObj(dc->state.brush), font = ToObj(dc->state.font),
          bitmap = ToObj(dc->state.bitmap);
  Reselect(pen, ToObj(target.pen));
  Reselect(brush, ToObj(target.brush));
  Reselect(font, ToObj(target.font));
  if (dc->memory && bitmap != ToObj(target.bitmap)) {
    DetachBitmap(dc->state.bitmap);
    Reselect(bitmap, ToObj(target.bitmap));
    AttachBitmap(*dc, handle, target.bitmap);
  }
  for (std::size_t i = std::size_t(level - 1); i < dc->saved.size(); ++i) {
    DCState& s = dc->saved[i];
    ReleaseSelection(ToObj(s.pen));
    ReleaseSelection(ToObj(s.brush));
    ReleaseSelection(ToObj(s.font));
    ReleaseSelection(ToObj(s.bitmap));
  }
  dc->saved.resize(std::size_t(level - 1));
  dc->state = std::move(target);
  dc->ClipChanged();
  return TRUE;
}

BOOL SetWindowOrgEx(HDC handle, int x, int y, POINT* old) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  if (old)
    *old = dc->state.windowOrg;
  dc->state.windowOrg = {x, y};
  return TRUE;
}

BOOL GetWindowOrgEx(HDC handle, POINT* org) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !org)
    return FALSE;
  *org = dc->state.windowOrg;
  return TRUE;
}

BOOL OffsetWindowOrgEx(HDC handle, int dx, int dy, POINT* old) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  if (old)
    *old = dc->state.windowOrg;
  dc->state.windowOrg.x += dx;
  dc->state.windowOrg.y += dy;
  return TRUE;
}

BOOL SetViewportOrgEx(HDC handle, int x, int y, POINT* old) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  if (old)
    *old = dc->state.viewportOrg;
  dc->state.viewportOrg = {x, y};
  return TRUE;
}

BOOL GetViewportOrgEx(HDC handle, POINT* org) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !org)
    return FALSE;
  *org = dc->state.viewportOrg;
  return TRUE;
}

BOOL OffsetViewportOrgEx(HDC handle, int dx, int dy, POINT* old) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  if (old)
    *old = dc->state.viewportOrg;
  dc->state.viewportOrg.x += dx;
  dc->state.viewportOrg.y += dy;
  return TRUE;
}

BOOL GetDCOrgEx(HDC handle, POINT* org) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !org)
    return FALSE;
  *org = dc->deviceOrigin;
  return TRUE;
}

// Only MM_TEXT is drawn by this layer; the other mapping modes are refused rather than half done.
int SetMapMode(HDC handle, int mode) {
  DeviceContext* dc = LookupDC(handle);
  return dc && mode == MM_TEXT ? MM_TEXT : 0;
}

int GetMapMode(HDC handle) {
  return LookupDC(handle) ? MM_TEXT : 0;
}

BOOL LPtoDP(HDC handle, POINT* points, int count) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || (!points && count > 0))
    return FALSE;
  for (int i = 0; i < count; ++i)
    points[i] = dc->LogicalToDevice(points[i].x, points[i].y);
  return TRUE;
}

BOOL DPtoLP(HDC handle, POINT* points, int count) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || (!points && count > 0))
    return FALSE;
  for (int i = 0; i < count; ++i)
    points[i] = dc->DeviceToLogical(points[i].x, points[i].y);
  return TRUE;
}

BOOL MoveToEx(HDC handle, int x, int y, POINT* old) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  if (old)
    *old = dc->state.curPos;
  dc->state.curPos = {x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC handle, POINT* pos) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !pos)
    return FALSE;
  *pos = dc->state.curPos;
  return TRUE;
}

COLORREF SetTextColor(HDC handle, COLORREF color) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return CLR_INVALID;
  return std::exchange(dc->state.textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC handle) {
  DeviceContext* dc = LookupDC(handle);
  return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC handle, COLORREF color) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return CLR_INVALID;
  return std::exchange(dc->state.bkColor, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC handle) {
  DeviceContext* dc = LookupDC(handle);
  return dc ? dc->state.bkColor : CLR_INVALID;
}

int SetBkMode(HDC handle, int mode) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
    return 0;
  return std::exchange(dc->state.bkMode, mode);
}

int GetBkMode(HDC handle) {
  DeviceContext* dc = LookupDC(handle);
  return dc ? dc->state.bkMode : 0;
}

int SetROP2(HDC handle, int rop2) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || rop2 < R2_BLACK || rop2 > R2_WHITE)
    return 0;
  return std::exchange(dc->state.rop2, rop2);
}

int GetROP2(HDC handle) {
  DeviceContext* dc = LookupDC(handle);
  return dc ? dc->state.rop2 : 0;
}

int SetPolyFillMode(HDC handle, int mode) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || (mode != ALTERNATE && mode != WINDING))
    return 0;
  return std::exchange(dc->state.polyFillMode, mode);
}

int GetPolyFillMode(HDC handle) {
  DeviceContext* dc = LookupDC(handle);
  return dc ? dc->state.polyFillMode : 0;
}

int SetStretchBltMode(HDC handle, int mode) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE)
    return 0;
  return std::exchange(dc->state.stretchMode, mode);
}

int GetStretchBltMode(HDC handle) {
  DeviceContext* dc = LookupDC(handle);
  return dc ? dc->state.stretchMode : 0;
}

BOOL SetBrushOrgEx(HDC handle, int x, int y, POINT* old) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  if (old)
    *old = dc->state.brushOrg;
  dc->state.brushOrg = {x, y};
  return TRUE;
}

BOOL GetBrushOrgEx(HDC handle, POINT* org) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !org)
    return FALSE;
  *org = dc->state.brushOrg;
  return TRUE;
}

int GetDeviceCaps(HDC handle, int index) {
  if (!LookupDC(handle))
    return 0;
  // Every DC answers for the one emulated display, as memory DCs answer for the screen they match.
  SIZE screen = GetScreenSize();
  switch (index) {
  case DRIVERVERSION:
    return 0x4000;
  case TECHNOLOGY:
    return DT_RASDISPLAY;
  case HORZRES:
  case DESKTOPHORZRES:
    return screen.cx;
  case VERTRES:
  case DESKTOPVERTRES:
    return screen.cy;
  case HORZSIZE:
    return MulDivSize(screen.cx);
  case VERTSIZE:
    return MulDivSize(screen.cy);
  case BITSPIXEL:
    return 32;
  case PLANES:
    return 1;
  case NUMBRUSHES:
  case NUMPENS:
  case NUMCOLORS:
    return -1;
  case NUMFONTS:
    return 0;
  case ASPECTX:
  case ASPECTY:
    return 36;
  case ASPECTXY:
    return 51;
  case LOGPIXELSX:
  case LOGPIXELSY:
    return 96;
  case SIZEPALETTE:
  case NUMRESERVED:
    return 0;
  case COLORRES:
    return 24;
  case RASTERCAPS:
    return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
  default:
    return 0;
  }
}

COLORREF GetNearestColor(HDC handle, COLORREF color) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return CLR_INVALID;
  return PixelToColorRef(dc->DevicePixel(color));
}

int ExtSelectClipRgn(HDC handle, HRGN rgn, int mode) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || mode < RGN_AND || mode > RGN_COPY)
    return ERROR;
  if (!rgn) {
    if (mode != RGN_COPY)
      return ERROR;
    dc->state.clip.reset();
  } else {
    RegionObject* r = LookupRegion(rgn);
    if (!r)
      return ERROR;
    if (mode == RGN_COPY) {
      dc->state.clip = r->region;
    } else {
      Region current = dc->state.clip ? *dc->state.clip : Region(DeviceBounds(*dc));
      switch (mode) {
      case RGN_AND:
        current.Intersect(r->region);
        break;
      case RGN_OR:
        current.Union(r->region);
        break;
      case RGN_XOR:
        current.Xor(r->region);
        break;
      case RGN_DIFF:
        current.Subtract(r->region);
        break;
      }
      dc->state.clip = std::move(current);
    }
  }
  dc->ClipChanged();
  return dc->Clip().Complexity();
}

int SelectClipRgn(HDC handle, HRGN rgn) {
  return ExtSelectClipRgn(handle, rgn, RGN_COPY);
}

int GetClipRgn(HDC handle, HRGN rgn) {
  DeviceContext* dc = LookupDC(handle);
  RegionObject* r = LookupRegion(rgn);
  if (!dc || !r)
    return -1;
  if (!dc->state.clip)
    return 0;
  r->region = *dc->state.clip;
  return 1;
}

int ExcludeClipRect(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return ERROR;
  Region current = dc->state.clip ? *dc->state.clip : Region(DeviceBounds(*dc));
  current.Subtract(Region(OrderedDeviceRect(*dc, left, top, right, bottom)));
  dc->state.clip = std::move(current);
  dc->ClipChanged();
  return dc->Clip().Complexity();
}

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return ERROR;
  RECT r = OrderedDeviceRect(*dc, left, top, right, bottom);
  if (dc->state.clip)
    dc->state.clip->Intersect(r);
  else
    dc->state.clip = Region(r);
  dc->ClipChanged();
  return dc->Clip().Complexity();
}

int OffsetClipRgn(HDC handle, int dx, int dy) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return ERROR;
  if (dc->state.clip) {
    dc->state.clip->Offset(dx, dy);
    dc->ClipChanged();
  }
  return dc->Clip().Complexity();
}

int GetClipBox(HDC handle, RECT* rect) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !rect)
    return ERROR;
  const Region& clip = dc->Clip();
  if (clip.Empty()) {
    *rect = {};
    return NULLREGION;
  }
  RECT box = clip.Box();
  POINT a = dc->DeviceToLogical(box.left - dc->deviceOrigin.x, box.top - dc->deviceOrigin.y);
  POINT b = dc->DeviceToLogical(box.right - dc->deviceOrigin.x, box.bottom - dc->deviceOrigin.y);
  *rect = {a.x, a.y, b.x, b.y};
  return clip.Complexity();
}

BOOL PtVisible(HDC handle, int x, int y) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  return dc->Clip().Contains(dc->SurfaceX(x), dc->SurfaceY(y)) ? TRUE : FALSE;
}

BOOL RectVisible(HDC handle, const RECT* rect) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !rect)
    return FALSE;
  RECT r = dc->ToSurface(*rect);
  RECT ordered{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
  return dc->Clip().Intersects(ordered) ? TRUE : FALSE;
}
