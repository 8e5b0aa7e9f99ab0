#include "editors/dropdown/cxStandardMask.h"

#include "platform/rtl/CaseRules.h"

namespace {

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

// A letter of the default code page is a character that has a case.
bool IsLetter(char C) {
  auto b = static_cast<unsigned char>(C);
  return CodePageUpperByte(GetACP(), b) != b || CodePageLowerByte(GetACP(), b) != b;
}

} // namespace

void TcxStandardMask::Compile(std::string_view AMask, char ADateSeparator, char ATimeSeparator) {
  std::vector<TcxStandardMaskPosition> positions;
  AnsiString empty;
  bool trimLeading = false;
  bool saveLiterals = true;
  char blank = ' ';
  std::size_t i = 0;
  if (!AMask.empty() && AMask[0] == '!') {
    trimLeading = true;
    ++i;
  }
  auto literal = [&](char C) {
    positions.push_back(TcxStandardMaskPosition::Literal);
    empty += C;
  };
  auto input = [&](TcxStandardMaskPosition P) {
    positions.push_back(P);
    empty += '\0'; // replaced by the placeholder once it is known
  };
  for (; i < AMask.size() && AMask[i] != ';'; ++i) {
    switch (char c = AMask[i]) {
    case '\\':
      if (++i >= AMask.size())
        throw EcxStandardMaskError("Mask ends in '\\'");
      literal(AMask[i]);
      break;
    case '9':
      input(TcxStandardMaskPosition::OptionalDigit);
      break;
    case '0':
      input(TcxStandardMaskPosition::Digit);
      break;
    case 'l':
      input(TcxStandardMaskPosition::OptionalLetter);
      break;
    case 'c':
      input(TcxStandardMaskPosition::OptionalChar);
      break;
    case '/':
      literal(ADateSeparator);
      break;
    case ':':
      literal(ATimeSeparator);
      break;
    default:
      literal(c);
    }
  }
  if (i < AMask.size()) {
    std::size_t end = AMask.find(';', i + 1);
    std::string_view save =
        AMask.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
    saveLiterals = save != "0";
    if (end != std::string_view::npos && end + 1 < AMask.size())
      blank = AMask[end + 1];
  }
  if (positions.empty())
    throw EcxStandardMaskError("Mask has no positions");
  for (std::size_t p = 0; p < positions.size(); ++p)
    if (positions[p] != TcxStandardMaskPosition::Literal)
      empty[p] = blank;
  FPositions = std::move(positions);
  FEmptyText = std::move(empty);
  FTrimLeading = trimLeading;
  FSaveLiterals = saveLiterals;
  FBlank = blank;
}

bool TcxStandardMask::IsFilledValid(int AIndex, char AChar) const {
  switch (Position(AIndex)) {
  case TcxStandardMaskPosition::Literal:
    return AChar == FEmptyText[std::size_t(AIndex)];
  case TcxStandardMaskPosition::OptionalDigit:
  case TcxStandardMaskPosition::Digit:
    return IsDigit(AChar);
  case TcxStandardMaskPosition::OptionalLetter:
    return IsLetter(AChar);
  case TcxStandardMaskPosition::OptionalChar:
    return AChar != '\0';
  }
  return false;
}

bool TcxStandardMask::IsCharValid(int AIndex, char AChar) const {
  return AIndex >= 0 && AIndex < Length() && IsFilledValid(AIndex, AChar);
}

bool TcxStandardMask::IsPrefix(std::string_view AText) const {
  if (AText.size() > FPositions.size())
    return false;
  for (std::size_t i = 0; i < AText.size(); ++i) {
    int p = int(i);
    bool optional = !IsLiteral(p) && Position(p) != TcxStandardMaskPosition::Digit;
    if (!IsFilledValid(p, AText[i]) && !(optional && AText[i] == FBlank))
      return false;
  }
  return true;
}

bool TcxStandardMask::IsMatch(std::string_view AText) const {
  return AText.size() == FPositions.size() && IsPrefix(AText);
}
