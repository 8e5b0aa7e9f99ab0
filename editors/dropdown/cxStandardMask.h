#pragma once
// The standard mask language of the masked edit: one mask character per position of the edit text.
//
// "9" an optional digit, "0" a required digit, "l" an optional letter, "c" an optional character of any
// kind, "/" and ":" the locale's date and time separators, "\" makes the next character literal, and every
// other character is a literal. A leading "!" only says that blanks are trimmed from the start rather than
// the end when the value is taken. The mask may end in ";S;B": S "1" keeps the literals in the value, "0"
// drops them; B is the placeholder shown in empty positions (a blank when omitted).
#include <string_view>
#include <vector>

#include "platform/rtl/SysUtils.h"

class EcxStandardMaskError : public Exception {
  using Exception::Exception;
};

enum class TcxStandardMaskPosition { Literal, OptionalDigit, Digit, OptionalLetter, OptionalChar };

class TcxStandardMask {
public:
  // Raises EcxStandardMaskError for a mask without positions or with a dangling "\".
  void Compile(std::string_view AMask, char ADateSeparator, char ATimeSeparator);

  int Length() const { return int(FPositions.size()); }
  TcxStandardMaskPosition Position(int AIndex) const { return FPositions.at(std::size_t(AIndex)); }
  bool IsLiteral(int AIndex) const { return Position(AIndex) == TcxStandardMaskPosition::Literal; }
  bool TrimLeading() const { return FTrimLeading; }
  bool SaveLiterals() const { return FSaveLiterals; }
  char Blank() const { return FBlank; }

  // The character may be typed at the position (a literal position takes only its literal).
  bool IsCharValid(int AIndex, char AChar) const;
  // The edit text with every input position showing the placeholder.
  AnsiString EmptyText() const { return FEmptyText; }
  // A complete edit text: as long as the mask, every character valid at its position, and every required
  // position filled (the placeholder counts as empty unless it is itself valid there).
  bool IsMatch(std::string_view AText) const;
  // A text typed from the start that can still be completed to a match.
  bool IsPrefix(std::string_view AText) const;

private:
  bool IsFilledValid(int AIndex, char AChar) const;

  std::vector<TcxStandardMaskPosition> FPositions;
  AnsiString FEmptyText; // the literal of each literal position, the placeholder elsewhere
  bool FTrimLeading = false;
  bool FSaveLiterals = true;
  char FBlank = ' ';
};
