#include "platform/gdi/GdiObjects.h"

#include <array>
#include <cstring>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/FontObject_p.h"
#include "platform/rtl/Colors.h"

namespace gdi {
namespace {

std::array<HGDIOBJ, STOCK_LAST + 1> stockObjects{};
std::array<HBRUSH, SysColorCount> sysColorBrushes{};

template <class T> int CopyOut(const T& record, int size, void* buffer) {
  if (!buffer)
    return int(sizeof(T));
  if (size < int(sizeof(T)))
    return 0;
  std::memcpy(buffer, &record, sizeof(T));
  return int(sizeof(T));
}

HGDIOBJ MakeStock(std::unique_ptr<GdiObject> object) {
  object->MarkStock();
  return InsertObject(std::move(object));
}

std::unique_ptr<GdiObject> StockBrush(UINT style, COLORREF color) {
  auto brush = std::make_unique<BrushObject>();
  brush->style = style;
  brush->color = color;
  return brush;
}

std::unique_ptr<GdiObject> StockPen(int style, COLORREF color) {
  auto pen = std::make_unique<PenObject>();
  pen->style = UINT(style);
  pen->color = color;
  return pen;
}

bool IsFontSlot(int index) {
  switch (index) {
  case OEM_FIXED_FONT:
  case ANSI_FIXED_FONT:
  case ANSI_VAR_FONT:
  case SYSTEM_FONT:
  case DEVICE_DEFAULT_FONT:
  case SYSTEM_FIXED_FONT:
  case DEFAULT_GUI_FONT:
    return true;
  default:
    return false;
  }
}

} // namespace

COLORREF BrushObject::Color() const {
  return sysColorIndex >= 0 ? GetSysColor(sysColorIndex) : color;
}

int PenObject::Describe(int size, void* buffer) const {
  if (extended) {
    EXTLOGPEN pen;
    pen.elpPenStyle = style;
    pen.elpWidth = DWORD(width);
    pen.elpBrushStyle = BS_SOLID;
    pen.elpColor = color;
    pen.elpNumEntries = DWORD(userStyle.size());
    return CopyOut(pen, size, buffer);
  }
  LOGPEN pen;
  pen.lopnStyle = style;
  pen.lopnWidth = {width, 0};
  pen.lopnColor = color;
  return CopyOut(pen, size, buffer);
}

int BrushObject::Describe(int size, void* buffer) const {
  LOGBRUSH brush;
  brush.lbStyle = style;
  brush.lbColor = style == BS_PATTERN ? 0 : Color();
  brush.lbHatch = style == BS_HATCHED ? std::uintptr_t(hatch) : 0;
  return CopyOut(brush, size, buffer);
}

PenObject* LookupPen(HPEN handle) {
  return Lookup<PenObject>(ToObj(handle));
}

BrushObject* LookupBrush(HBRUSH handle) {
  return Lookup<BrushObject>(ToObj(handle));
}

} // namespace gdi

using namespace gdi;

HPEN CreatePen(int style, int width, COLORREF color) {
  int kind = style & PS_STYLE_MASK;
  if (kind > PS_ALTERNATE || kind == PS_USERSTYLE || kind == PS_ALTERNATE)
    return nullptr;
  auto pen = std::make_unique<PenObject>();
  pen->style = UINT(kind);
  pen->width = width < 1 ? 1 : width;
  // Styled pens wider than one pixel draw solid, as the platform's CreatePen does.
  if (pen->width > 1 && kind >= PS_DASH && kind <= PS_DASHDOTDOT)
    pen->style = PS_SOLID;
  pen->color = color & 0xFFFFFF;
  return FromObj<HPEN>(InsertObject(std::move(pen)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  return pen ? CreatePen(int(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor) : nullptr;
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles) {
  if (!brush || brush->lbStyle != BS_SOLID)
    return nullptr; // only solid-coloured extended pens are drawn by this layer
  DWORD kind = style & PS_STYLE_MASK;
  bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
  if (kind > PS_ALTERNATE || (kind == PS_USERSTYLE) != (styleCount > 0) || (styleCount > 0 && !styles) ||
      styleCount > 16)
    return nullptr;
  if (!geometric && width != 1)
    return nullptr;
  if (kind == PS_ALTERNATE && geometric)
    return nullptr;
  auto pen = std::make_unique<PenObject>();
  pen->style = style;
  pen->width = width < 1 ? 1 : int(width);
  pen->color = brush->lbColor & 0xFFFFFF;
  pen->extended = true;
  pen->userStyle.assign(styles, styles + styleCount);
  return FromObj<HPEN>(InsertObject(std::move(pen)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto brush = std::make_unique<BrushObject>();
  brush->color = color & 0xFFFFFF;
  return FromObj<HBRUSH>(InsertObject(std::move(brush)));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS)
    return nullptr;
  auto brush = std::make_unique<BrushObject>();
  brush->style = BS_HATCHED;
  brush->hatch = hatch;
  brush->color = color & 0xFFFFFF;
  return FromObj<HBRUSH>(InsertObject(std::move(brush)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  BitmapObject* source = LookupBitmap(bitmap);
  if (!source || source->Width() == 0 || source->Height() == 0)
    return nullptr;
  auto brush = std::make_unique<BrushObject>();
  brush->style = BS_PATTERN;
  brush->monoPattern = source->IsMono();
  brush->pattern = std::make_unique<Surface>(source->Width(), source->Height());
  for (int y = 0; y < source->Height(); ++y)
    std::memcpy(brush->pattern->Row(y), source->surface->Row(y), std::size_t(source->Width()) * 4);
  return FromObj<HBRUSH>(InsertObject(std::move(brush)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush)
    return nullptr;
  switch (brush->lbStyle) {
  case BS_SOLID:
    return CreateSolidBrush(brush->lbColor);
  case BS_NULL: {
    auto b = std::make_unique<BrushObject>();
    b->style = BS_NULL;
    return FromObj<HBRUSH>(InsertObject(std::move(b)));
  }
  case BS_HATCHED:
    return CreateHatchBrush(int(brush->lbHatch), brush->lbColor);
  case BS_PATTERN:
    return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
  default:
    return nullptr;
  }
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= SysColorCount)
    return nullptr;
  if (!sysColorBrushes[std::size_t(index)]) {
    auto brush = std::make_unique<BrushObject>();
    brush->sysColorIndex = index;
    sysColorBrushes[std::size_t(index)] = FromObj<HBRUSH>(MakeStock(std::move(brush)));
  }
  return sysColorBrushes[std::size_t(index)];
}

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index > STOCK_LAST)
    return nullptr;
  HGDIOBJ& slot = stockObjects[std::size_t(index)];
  if (slot)
    return slot;
  switch (index) {
  case WHITE_BRUSH:
    slot = MakeStock(StockBrush(BS_SOLID, RGB(255, 255, 255)));
    break;
  case LTGRAY_BRUSH:
    slot = MakeStock(StockBrush(BS_SOLID, RGB(192, 192, 192)));
    break;
  case GRAY_BRUSH:
    slot = MakeStock(StockBrush(BS_SOLID, RGB(128, 128, 128)));
    break;
  case DKGRAY_BRUSH:
    slot = MakeStock(StockBrush(BS_SOLID, RGB(64, 64, 64)));
    break;
  case BLACK_BRUSH:
    slot = MakeStock(StockBrush(BS_SOLID, RGB(0, 0, 0)));
    break;
  case NULL_BRUSH:
    slot = MakeStock(StockBrush(BS_NULL, 0));
    break;
  case WHITE_PEN:
    slot = MakeStock(StockPen(PS_SOLID, RGB(255, 255, 255)));
    break;
  case BLACK_PEN:
    slot = MakeStock(StockPen(PS_SOLID, RGB(0, 0, 0)));
    break;
  case NULL_PEN:
    slot = MakeStock(StockPen(PS_NULL, 0));
    break;
  default:
    if (IsFontSlot(index)) {
      if (auto font = MakeStockFont(index))
        slot = MakeStock(std::move(font));
    }
    break;
  }
  return slot;
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiObject* o = LookupObject(object);
  if (!o || o->Kind() == GdiKind::DC)
    return FALSE;
  if (o->IsStock())
    return TRUE;
  if (o->selectCount > 0) {
    // A selected bitmap cannot be deleted; other objects go when their DC lets go of them.
    if (o->Kind() == GdiKind::Bitmap)
      return FALSE;
    o->deletePending = true;
    return TRUE;
  }
  return RemoveObject(object) ? TRUE : FALSE;
}

int GetObject(HGDIOBJ object, int size, void* buffer) {
  GdiObject* o = LookupObject(object);
  if (!o || size < 0)
    return 0;
  return o->Describe(size, buffer);
}

int GetObjectA(HGDIOBJ object, int size, void* buffer) {
  return GetObject(object, size, buffer);
}

int GetObjectW(HGDIOBJ object, int size, void* buffer) {
  GdiObject* o = LookupObject(object);
  if (!o || size < 0)
    return 0;
  return o->DescribeW(size, buffer);
}
