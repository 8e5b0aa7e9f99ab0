#pragma once
// Realised fonts: a logical font resolved to a face at a pixel size, with cached integer advances and
// anti-aliased glyph coverage. Text output and measuring of the layer go through this; nothing outside
// platform/gdi uses it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/Font.h"

namespace fonts {

// 8-bit coverage of one glyph. x is the offset of the first column from the pen position, y the offset of
// the first row from the top of the character cell.
struct GlyphImage {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;
};

// Rows are counted from the top of the character cell.
struct DecorationMetrics {
  int underlineTop = 0;
  int underlineHeight = 1;
  int strikeOutTop = 0;
  int strikeOutHeight = 1;
};

class RealizedFont {
public:
  virtual ~RealizedFont() = default;
  RealizedFont(const RealizedFont&) = delete;
  RealizedFont& operator=(const RealizedFont&) = delete;

  const TEXTMETRICW& Metrics() const { return metrics_; }
  const DecorationMetrics& Decorations() const { return decorations_; }
  // The name GetTextFace reports.
  const std::u16string& FaceName() const { return faceName_; }

  // Integer advance of one UTF-16 code unit; no kerning, so a string measures the sum of its units.
  int Advance(char16_t ch) {
    if (ch < 256) {
      int& a = lowAdvances_[ch];
      if (a < 0)
        a = LoadAdvance(ch);
      return a;
    }
    auto it = highAdvances_.find(ch);
    if (it == highAdvances_.end())
      it = highAdvances_.emplace(ch, LoadAdvance(ch)).first;
    return it->second;
  }
  const GlyphImage& Glyph(char16_t ch);

protected:
  RealizedFont() { lowAdvances_.fill(-1); }
  virtual int LoadAdvance(char16_t ch) = 0;
  virtual GlyphImage Render(char16_t ch) = 0;

  TEXTMETRICW metrics_;
  DecorationMetrics decorations_;
  std::u16string faceName_;

private:
  std::array<int, 256> lowAdvances_;
  std::unordered_map<char16_t, int> highAdvances_;
  std::array<std::unique_ptr<GlyphImage>, 256> lowGlyphs_;
  std::unordered_map<char16_t, std::unique_ptr<GlyphImage>> highGlyphs_;
};

// Realises a logical font; equal logical fonts share one realisation. Throws EOutOfResources when no face
// can be loaded at all (no font installed).
std::shared_ptr<RealizedFont> Realize(const LOGFONTW& lf);

// The face a logical face name is drawn with, after the substitution table ("Tahoma" -> "DejaVu Sans").
std::u16string SubstituteFace(std::u16string_view face);

} // namespace fonts
