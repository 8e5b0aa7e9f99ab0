#pragma once
// Pens, brushes and bitmaps, the stock objects, and the calls that create, inspect and delete them.
#include <memory>
#include <vector>

#include "platform/gdi/HandleTable.h"
#include "platform/gdi/Surface.h"
#include "platform/rtl/Colors.h"

namespace gdi {

class PenObject : public GdiObject {
public:
  static constexpr GdiKind kKind = GdiKind::Pen;
  PenObject() : GdiObject(kKind) {}
  DWORD ObjectType() const override { return extended ? OBJ_EXTPEN : OBJ_PEN; }
  int Describe(int size, void* buffer) const override;
  int Style() const { return int(style & PS_STYLE_MASK); }

  UINT style = PS_SOLID; // the whole style word, with end cap, join and type bits for an extended pen
  int width = 1;
  COLORREF color = 0;
  bool extended = false;
  std::vector<DWORD> userStyle;
};

class BrushObject : public GdiObject {
public:
  static constexpr GdiKind kKind = GdiKind::Brush;
  BrushObject() : GdiObject(kKind) {}
  int Describe(int size, void* buffer) const override;
  // A system-colour brush follows later changes of the system colour table.
  COLORREF Color() const;

  UINT style = BS_SOLID;
  COLORREF color = 0;
  int sysColorIndex = -1;
  int hatch = 0;
  // The pattern is copied at creation, so the application may delete its bitmap afterwards.
  std::unique_ptr<Surface> pattern;
  bool monoPattern = false;
};

PenObject* LookupPen(HPEN handle);
BrushObject* LookupBrush(HBRUSH handle);

} // namespace gdi

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);
// Solid-coloured pens only; wide lines always get round ends and joins whatever the cap and join bits say.
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HBRUSH GetSysColorBrush(int index);
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);
int GetObject(HGDIOBJ object, int size, void* buffer);
int GetObjectA(HGDIOBJ object, int size, void* buffer);
int GetObjectW(HGDIOBJ object, int size, void* buffer);
