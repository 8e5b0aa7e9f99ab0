#include "platform/gdi/FontEngine_p.h"
#include "platform/gdi/LazFace_p.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include "platform/rtl/SysUtils.h"

namespace fonts {

namespace {

std::u16string AsciiLower(std::u16string_view s) {
  std::u16string r(s);
  for (auto& c : r)
    if (c >= u'A' && c <= u'Z')
      c = char16_t(c - u'A' + u'a');
  return r;
}

bool SameFace(std::u16string_view a, std::u16string_view b) {
  return AsciiLower(a) == AsciiLower(b);
}

constexpr std::u16string_view sansFace = u"DejaVu Sans";
// Sizes beyond this are taken as this, so that an absurd height cannot make glyphs of unbounded size.
constexpr int maxPixelHeight = 1000;
constexpr std::u16string_view monoFace = u"DejaVu Sans Mono";

// Faces the platform's programs ask for that are not installed here, drawn with a look-alike face.
struct Substitution {
  std::u16string_view from;
  std::u16string_view to;
};
constexpr Substitution substitutions[] = {
    {u"", sansFace},
    {u"MS Sans Serif", sansFace},
    {u"MS Shell Dlg", sansFace},
    {u"MS Shell Dlg 2", sansFace},
    {u"System", sansFace},
    {u"Tahoma", sansFace},
    {u"Verdana", sansFace},
    {u"Arial", sansFace},
    {u"Segoe UI", sansFace},
    {u"Rezivuz Ozi", sansFace},
    {u"Courier New", monoFace},
};

const Substitution* FindSubstitution(std::u16string_view face) {
  for (const auto& s : substitutions)
    if (SameFace(s.from, face))
      return &s;
  return nullptr;
}

std::u16string FaceOf(const LOGFONTW& lf) {
  std::u16string face;
  for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i)
    face.push_back(lf.lfFaceName[i]);
  return face;
}

// FreeType's library outlives every face that uses it, whichever static is destroyed first.
class Library {
public:
  Library() {
    if (FT_Init_FreeType(&lib_))
      throw EOutOfResources("FreeType could not be initialised");
  }
  ~Library() { FT_Done_FreeType(lib_); }
  FT_Library Get() const { return lib_; }

private:
  FT_Library lib_ = nullptr;
};

std::shared_ptr<Library> SharedLibrary() {
  static std::shared_ptr<Library> lib = std::make_shared<Library>();
  return lib;
}

int ScaleUnits(long units, int ppem, int unitsPerEm) {
  long long v = (long long)units * ppem;
  return int(v >= 0 ? (v + unitsPerEm / 2) / unitsPerEm : -((-v + unitsPerEm / 2) / unitsPerEm));
}

BYTE CharSetFor(BYTE requested) {
  if (requested != DEFAULT_CHARSET)
    return requested;
  return GetACP() == 1254 ? TURKISH_CHARSET : ANSI_CHARSET;
}

void FillCommonMetrics(TEXTMETRICW& tm, const LOGFONTW& lf, bool bold) {
  tm.tmWeight = bold ? FW_BOLD : FW_NORMAL;
  tm.tmItalic = lf.lfItalic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  tm.tmCharSet = CharSetFor(lf.lfCharSet);
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmOverhang = 0;
}

bool IsBold(const LOGFONTW& lf) {
  return lf.lfWeight >= FW_SEMIBOLD;
}

class TestFont final : public RealizedFont {
public:
  explicit TestFont(const LOGFONTW& lf) {
    const long long requested = lf.lfHeight;
    const long long cell = requested > 0 ? requested : requested < 0 ? (-requested * 13 + 5) / 11 : 13;
    const int h = int(std::clamp(cell, 2LL, (long long)maxPixelHeight));
    em_ = std::max(1, h * 11 / 13);
    width_ = std::max(2, (h * 6 + 6) / 13);
    auto& tm = metrics_;
    tm.tmHeight = h;
    tm.tmAscent = h * 10 / 13;
    tm.tmDescent = h - tm.tmAscent;
    tm.tmInternalLeading = h - em_;
    tm.tmExternalLeading = h / 13;
    tm.tmAveCharWidth = width_;
    tm.tmMaxCharWidth = width_ * 3 / 2;
    FillCommonMetrics(tm, lf, IsBold(lf));
    tm.tmLastChar = 0xFFFF;
    tm.tmPitchAndFamily = TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE | FF_SWISS;
    decorations_.underlineTop = tm.tmAscent;
    decorations_.underlineHeight = 1;
    decorations_.strikeOutTop = tm.tmAscent - em_ / 3;
    decorations_.strikeOutHeight = 1;
    faceName_ = u"PelvorTest";
  }

protected:
  int LoadAdvance(char16_t ch) override {
    if (std::u16string_view(u"il.,:;'!|").find(ch) != std::u16string_view::npos)
      return width_ / 2;
    if (ch == u'M' || ch == u'W')
      return width_ * 3 / 2;
    return width_;
  }
  GlyphImage Render(char16_t ch) override {
    GlyphImage g;
    if (ch <= 0x20 || ch == 0xA0 || (ch >= 0x7F && ch < 0xA0))
      return g;
    g.x = 0;
    g.y = metrics_.tmInternalLeading;
    g.width = std::max(1, Advance(ch) - 1);
    g.height = metrics_.tmAscent - metrics_.tmInternalLeading;
    g.coverage.assign(size_t(g.width) * g.height, 255);
    return g;
  }

private:
  int em_ = 0;
  int width_ = 0;
};

class FreeTypeFont final : public RealizedFont {
public:
  FreeTypeFont(const std::string& file, int index, const LOGFONTW& lf, std::u16string faceName, bool laz)
      : lib_(SharedLibrary()), laz_(laz) {
    if (FT_New_Face(lib_->Get(), file.c_str(), index, &face_))
      throw EOutOfResources("cannot open font file " + file);
    bool bold = IsBold(lf);
    synthBold_ = bold && !(face_->style_flags & FT_STYLE_FLAG_BOLD);
    synthItalic_ = lf.lfItalic && !(face_->style_flags & FT_STYLE_FLAG_ITALIC);

    const int upem = face_->units_per_EM ? face_->units_per_EM : 2048;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
    const long winAscent = os2 ? os2->usWinAscent : face_->ascender;
    const long winDescent = os2 ? os2->usWinDescent : -face_->descender;
    auto cellHeight = [&](int ppem) {
      return ScaleUnits(winAscent, ppem, upem) + ScaleUnits(winDescent, ppem, upem);
    };
    // Without a size the platform picks a default; here it is the cell height of the system font.
    const long long cell = lf.lfHeight == 0 ? 16 : lf.lfHeight;
    int ppem;
    if (cell < 0) {
      ppem = int(std::min(-cell, (long long)maxPixelHeight));
    } else {
      // The mapper takes the largest size whose cell does not exceed the requested height.
      ppem = int(std::min(cell * upem / std::max(1L, winAscent + winDescent) + 1, (long long)maxPixelHeight));
      while (ppem > 1 && cellHeight(ppem) > cell)
        --ppem;
    }
    ppem = std::max(ppem, 1);
    ppem_ = ppem;
    if (FT_Set_Pixel_Sizes(face_, 0, FT_UInt(ppem)))
      throw EOutOfResources("cannot size font file " + file);

    auto& tm = metrics_;
    tm.tmAscent = ScaleUnits(winAscent, ppem, upem);
    tm.tmDescent = ScaleUnits(winDescent, ppem, upem);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - ppem);
    if (laz_)
      FitLazLetters();
    if (hhea) {
      long gap = hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
      tm.tmExternalLeading = std::max(0, ScaleUnits(gap, ppem, upem));
    }
    FillCommonMetrics(tm, lf, bold);
    tm.tmAveCharWidth = RawAdvance(u'x');
    tm.tmMaxCharWidth = std::max(ScaleUnits(face_->max_advance_width, ppem, upem), tm.tmAveCharWidth);
    FT_ULong last = 0;
    FT_UInt gi = 0;
    for (FT_ULong c = FT_Get_First_Char(face_, &gi); gi != 0; c = FT_Get_Next_Char(face_, c, &gi))
      if (c <= 0xFFFF)
        last = c;
    tm.tmLastChar = WCHAR(last);
    BYTE family = FF_SWISS;
    std::string familyName = face_->family_name ? face_->family_name : "";
    if (FT_IS_FIXED_WIDTH(face_))
      family = FF_MODERN;
    else if (familyName.find("Serif") != std::string::npos && familyName.find("Sans") == std::string::npos)
      family = FF_ROMAN;
    tm.tmPitchAndFamily =
        BYTE((FT_IS_FIXED_WIDTH(face_) ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE | family);

    // The underline position is the centre of its stroke; the strike-out position the top of its stroke.
    auto& d = decorations_;
    d.underlineHeight = std::max(1, ScaleUnits(face_->underline_thickness, ppem, upem));
    int below = ScaleUnits(-face_->underline_position, ppem, upem) - d.underlineHeight / 2;
    d.underlineTop =
        std::clamp(tm.tmAscent + below, int(tm.tmAscent), std::max(0, tm.tmHeight - d.underlineHeight));
    if (os2 && os2->yStrikeoutSize > 0) {
      d.strikeOutHeight = std::max(1, ScaleUnits(os2->yStrikeoutSize, ppem, upem));
      d.strikeOutTop = tm.tmAscent - ScaleUnits(os2->yStrikeoutPosition, ppem, upem);
    } else {
      d.strikeOutHeight = d.underlineHeight;
      d.strikeOutTop = tm.tmAscent - ppem / 3;
    }
    faceName_ = std::move(faceName);
  }
  ~FreeTypeFont() override { FT_Done_Face(face_); }

protected:
  int LoadAdvance(char16_t ch) override {
    int sum = 0;
    for (char16_t c : Shown(ch))
      if (!IsCombiningMark(c))
        sum += RawAdvance(c);
    return sum;
  }

  GlyphImage Render(char16_t ch) override {
    std::u16string shown = Shown(ch);
    GlyphImage base = RenderOne(shown[0]);
    for (size_t i = 1; i < shown.size(); ++i)
      base = PlaceMark(std::move(base), RenderOne(shown[i]));
    return base;
  }

private:
  std::u16string Shown(char16_t ch) const {
    const LazLetter* letter = laz_ ? FindLazLetter(ch) : nullptr;
    if (!letter)
      return std::u16string(1, ch);
    const bool whole =
        std::ranges::all_of(letter->shown, [&](char16_t c) { return FT_Get_Char_Index(face_, c); });
    if (!whole && letter->precomposed && FT_Get_Char_Index(face_, letter->precomposed))
      return std::u16string(1, letter->precomposed);
    return std::u16string(letter->shown);
  }

  // Where a Laz letter would stand out of the substitute face's cell, the cell grows to hold it, as the cell
  // of a face made for these letters would: the whole letter inside, and a blank row above it, so that its
  // mark neither touches the line above nor lies under a focus rectangle drawn on the cell's edge.
  void FitLazLetters() {
    auto& tm = metrics_;
    int above = 0, below = 0;
    for (const LazLetter& letter : LazLetters()) {
      const GlyphImage ink = TrimToInk(Render(letter.code));
      if (ink.coverage.empty())
        continue;
      above = std::max(above, 1 - ink.y);
      below = std::max(below, ink.y + ink.height - tm.tmHeight);
    }
    tm.tmAscent += above;
    tm.tmDescent += below;
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - ppem_);
  }

  bool Load(char16_t c) {
    if (FT_Load_Glyph(face_, FT_Get_Char_Index(face_, c), FT_LOAD_DEFAULT))
      return false;
    if (face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (synthBold_)
        FT_GlyphSlot_Embolden(face_->glyph);
      if (synthItalic_)
        FT_GlyphSlot_Oblique(face_->glyph);
    }
    return true;
  }

  int RawAdvance(char16_t c) {
    if (!Load(c))
      return 0;
    return int((face_->glyph->advance.x + 32) >> 6);
  }

  GlyphImage RenderOne(char16_t c) {
    GlyphImage g;
    if (!Load(c) || FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL))
      return g;
    const FT_Bitmap& bm = face_->glyph->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0)
      return g;
    g.x = face_->glyph->bitmap_left;
    g.y = metrics_.tmAscent - face_->glyph->bitmap_top;
    g.width = int(bm.width);
    g.height = int(bm.rows);
    g.coverage.resize(size_t(g.width) * g.height);
    for (int row = 0; row < g.height; ++row) {
      const unsigned char* src =
          bm.buffer + (bm.pitch >= 0 ? row * bm.pitch : (g.height - 1 - row) * -bm.pitch);
      std::memcpy(&g.coverage[size_t(row) * g.width], src, size_t(g.width));
    }
    return g;
  }

  std::shared_ptr<Library> lib_;
  FT_Face face_ = nullptr;
  bool laz_ = false;
  bool synthBold_ = false;
  bool synthItalic_ = false;
  int ppem_ = 0;
};

struct FaceFile {
  std::string file;
  int index = 0;
  std::u16string family;
};

// Asks fontconfig for a face of the family; an answer of another family counts as none, so that a missing
// face falls back to the same substitute on every machine.
bool MatchFamily(std::u16string_view family, bool bold, bool italic, FaceFile& out) {
  static FcConfig* config = [] {
    FcInit();
    return FcConfigGetCurrent();
  }();
  std::string familyUtf8 = WideToUtf8(family);
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddInteger(pat, FC_WIDTH, FC_WIDTH_NORMAL);
  FcConfigSubstitute(config, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pat, &result);
  FcPatternDestroy(pat);
  if (!match)
    return false;
  bool ok = false;
  FcChar8* file = nullptr;
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    std::u16string candidate = Utf8ToWide(reinterpret_cast<const char*>(name));
    if (SameFace(candidate, family)) {
      out.family = candidate;
      ok = true;
      break;
    }
  }
  if (ok && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    out.file = reinterpret_cast<const char*>(file);
    int index = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    out.index = index;
  } else {
    ok = false;
  }
  FcPatternDestroy(match);
  return ok;
}

std::shared_ptr<RealizedFont> Build(const LOGFONTW& lf) {
  std::u16string face = FaceOf(lf);
  if (SameFace(face, u"PelvorTest"))
    return std::make_shared<TestFont>(lf);
  const bool bold = IsBold(lf);
  const bool italic = lf.lfItalic != 0;
  const Substitution* sub = FindSubstitution(face);
  FaceFile file;
  std::u16string reported;
  if (sub) {
    // The substitute stands in for the requested face, so the program sees the name it asked for.
    reported = face.empty() ? u"MS Sans Serif" : face;
    if (!MatchFamily(sub->to, bold, italic, file))
      MatchFamily(sansFace, bold, italic, file);
  } else if (MatchFamily(face, bold, italic, file)) {
    reported = file.family;
  } else if (MatchFamily(sansFace, bold, italic, file)) {
    reported = file.family;
  }
  if (file.file.empty())
    throw EOutOfResources("no font face is installed for \"" + WideToUtf8(face) + "\"");
  return std::make_shared<FreeTypeFont>(file.file, file.index, lf, reported, SameFace(face, u"Rezivuz Ozi"));
}

} // namespace

const GlyphImage& RealizedFont::Glyph(char16_t ch) {
  std::unique_ptr<GlyphImage>* slot;
  if (ch < 256) {
    slot = &lowGlyphs_[ch];
  } else {
    slot = &highGlyphs_[ch];
  }
  if (!*slot)
    *slot = std::make_unique<GlyphImage>(Render(ch));
  return **slot;
}

std::u16string SubstituteFace(std::u16string_view face) {
  if (const Substitution* sub = FindSubstitution(face))
    return std::u16string(sub->to);
  return std::u16string(face);
}

std::shared_ptr<RealizedFont> Realize(const LOGFONTW& lf) {
  using Key = std::tuple<LONG, bool, bool, bool, bool, BYTE, std::u16string>;
  static std::map<Key, std::shared_ptr<RealizedFont>> cache;
  Key key{lf.lfHeight,           IsBold(lf),          lf.lfItalic != 0,
          lf.lfUnderline != 0,   lf.lfStrikeOut != 0, CharSetFor(lf.lfCharSet),
          AsciiLower(FaceOf(lf))};
  auto it = cache.find(key);
  if (it != cache.end())
    return it->second;
  // Realisations nobody holds any more are dropped once the cache grows, so that a program stepping
  // through many sizes does not keep every face open.
  if (cache.size() >= 64)
    std::erase_if(cache, [](const auto& entry) { return entry.second.use_count() == 1; });
  auto font = Build(lf);
  cache.emplace(std::move(key), font);
  return font;
}

} // namespace fonts

// fontconfig keeps a few bytes of its parsed configuration unreachable for the whole run, and so does the
// message-bus library that SDL's video start-up opens; the leak checker of sanitizer builds asks this hook
// which leaks to ignore.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
