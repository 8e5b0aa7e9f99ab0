#pragma once
// Texts and colour-name tables of the extended editors: the label editor's registration text, the names of
// the splitter's hot-zone styles, and the colour names a colour picker offers.
#include <array>

// A text of the string table with its identifier.
struct TcxExtEditText {
  int Id;
  const char* Text;
};

constexpr TcxExtEditText cxSEditRepositoryLabelItem{65237, "Label|Represents a Label"};
constexpr TcxExtEditText cxSHotZoneStyleMediaPlayer9{65238, "MediaPlayer9"};
constexpr TcxExtEditText cxSHotZoneStyleMediaPlayer8{65239, "MediaPlayer8"};
constexpr TcxExtEditText cxSHotZoneStyleXPTaskBar{65240, "XPTaskBar"};
constexpr TcxExtEditText cxSHotZoneStyleSimple{65241, "Simple"};

// The text of an identifier, or nullptr for one this unit does not hold.
const char* cxExtEditText(int AId);

// The platform's colour constants: the 16 basic colours, four extra ones, then the system colours by name.
extern const std::array<const char*, 52> cxColorIdentifiers;
// The 16 colour names in the order HTML 4 lists them.
extern const std::array<const char*, 16> cxHTML4ColorNames;
// The 140 web colour names in alphabetical order, and the same names ordered by hue, greys last.
extern const std::array<const char*, 140> cxWebColorNames;
extern const std::array<const char*, 140> cxWebColorNamesByHue;
