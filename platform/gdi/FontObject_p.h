#pragma once
// The font object behind an HFONT and the font a device context draws with.
#include <memory>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontEngine_p.h"

namespace gdi {

class FontObject : public GdiObject {
public:
  static constexpr GdiKind kKind = GdiKind::Font;
  explicit FontObject(const LOGFONTW& lf) : GdiObject(kKind), logFont(lf) {}
  int Describe(int size, void* buffer) const override;
  int DescribeW(int size, void* buffer) const override;
  // Realised on first use, so creating a font that is never drawn costs no face lookup.
  fonts::RealizedFont& Realized();

  const LOGFONTW logFont;

private:
  std::shared_ptr<fonts::RealizedFont> realized_;
};

FontObject* LookupFont(HFONT handle);

// The font the DC draws with: its selected font, or the system font while none is selected.
fonts::RealizedFont& DCFont(DeviceContext& dc);

// Makes the stock fonts for the object table.
std::unique_ptr<GdiObject> MakeStockFont(int stockIndex);

} // namespace gdi
