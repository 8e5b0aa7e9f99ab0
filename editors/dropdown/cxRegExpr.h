#pragma once
// The regular-expression language of the masked edit. A mask is compiled once into a deterministic
// automaton over the bytes of the default code page; the edit then asks whether a whole text matches and
// whether a typed prefix can still grow into a match.
//
// Elements: text in single quotes is literal (a quote inside written \'); a backslash makes the next
// character literal, except \d, a digit; [..] a set of characters and ranges such as [0-5]; ? makes the
// element before it optional; | separates alternatives; parentheses group and nest. Any other character
// stands for itself, letters in the case written; the repetition operators * + { } are not part of the
// language and are refused.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/SysUtils.h"

class EcxRegExprError : public Exception {
public:
  EcxRegExprError(const AnsiString& AMessage, int APosition);
  int Position() const { return FPosition; } // 1-based position in the mask text
private:
  int FPosition;
};

class TcxRegExpr {
public:
  static constexpr int NoState = -1;
  // A mask whose automaton would need more states than this is refused rather than eating memory.
  static constexpr int MaxStates = 4096;

  // Raises EcxRegExprError for a mask that does not parse; the previous automaton is kept then.
  void Compile(std::string_view AMask);
  bool IsCompiled() const { return !FStates.empty(); }

  // The whole text matches the mask.
  bool IsMatch(std::string_view AText) const;
  // More characters can still turn the text into a match (a matching text is such a prefix too).
  bool IsPrefix(std::string_view AText) const;

  // Stepping for an edit that checks each typed character: NoState once the input can no longer match.
  int StartState() const { return FStates.empty() ? NoState : 0; }
  int Next(int AState, char AChar) const {
    return AState < 0 ? NoState : FStates[std::size_t(AState)].Next[std::uint8_t(AChar)];
  }
  bool IsFinal(int AState) const { return AState >= 0 && FStates[std::size_t(AState)].Final; }
  int StateCount() const { return int(FStates.size()); }

private:
  struct TState {
    std::array<std::int32_t, 256> Next;
    bool Final = false;
  };
  int Run(std::string_view AText) const;

  std::vector<TState> FStates; // state 0 is the start; transitions that cannot lead to a match are NoState
};
