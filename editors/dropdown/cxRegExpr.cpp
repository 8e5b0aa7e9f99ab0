#include "editors/dropdown/cxRegExpr.h"

#include <algorithm>
#include <bitset>
#include <map>

EcxRegExprError::EcxRegExprError(const AnsiString& AMessage, int APosition)
    : Exception(AMessage + " at position " + std::to_string(APosition)), FPosition(APosition) {}

namespace {

using TCharSet = std::bitset<256>;

// Thompson construction: every state either consumes one character of its set or only has empty moves.
struct TNfaState {
  TCharSet Chars;
  int Out = -1;
  std::vector<int> Empty;
};

struct TFragment {
  int Start;
  int End;
};

class TParser {
public:
  explicit TParser(std::string_view AMask) : FMask(AMask) {}

  std::vector<TNfaState> Parse(int& AStart, int& AFinal) {
    TFragment f = Alternatives();
    if (FPos < FMask.size())
      Fail(FMask[FPos] == ')' ? "Unbalanced ')'" : "Unexpected character");
    AStart = f.Start;
    AFinal = f.End;
    return std::move(FStates);
  }

private:
  [[noreturn]] void Fail(const char* AMessage) const { throw EcxRegExprError(AMessage, int(FPos) + 1); }

  int NewState() {
    FStates.emplace_back();
    if (FStates.size() > std::size_t(TcxRegExpr::MaxStates) * 4)
      Fail("Mask too long");
    return int(FStates.size()) - 1;
  }
  TFragment Chars(const TCharSet& ASet) {
    int s = NewState();
    int e = NewState();
    FStates[std::size_t(s)].Chars = ASet;
    FStates[std::size_t(s)].Out = e;
    return {s, e};
  }
  TFragment Char(char C) {
    TCharSet set;
    set.set(std::uint8_t(C));
    return Chars(set);
  }
  TFragment Empty() {
    int s = NewState();
    return {s, s};
  }
  void Link(int AFrom, int ATo) { FStates[std::size_t(AFrom)].Empty.push_back(ATo); }
  TFragment Concat(TFragment A, TFragment B) {
    Link(A.End, B.Start);
    return {A.Start, B.End};
  }

  TFragment Alternatives() {
    TFragment first = Sequence();
    if (FPos >= FMask.size() || FMask[FPos] != '|')
      return first;
    int s = NewState();
    int e = NewState();
    Link(s, first.Start);
    Link(first.End, e);
    while (FPos < FMask.size() && FMask[FPos] == '|') {
      ++FPos;
      TFragment next = Sequence();
      Link(s, next.Start);
      Link(next.End, e);
    }
    return {s, e};
  }

  TFragment Sequence() {
    TFragment seq = Empty();
    while (FPos < FMask.size() && FMask[FPos] != '|' && FMask[FPos] != ')') {
      TFragment atom = Atom();
      if (FPos < FMask.size() && FMask[FPos] == '?') {
        ++FPos;
        int s = NewState();
        int e = NewState();
        Link(s, atom.Start);
        Link(s, e);
        Link(atom.End, e);
        atom = {s, e};
      }
      seq = Concat(seq, atom);
    }
    return seq;
  }

  TFragment Atom() {
    char c = FMask[FPos];
    switch (c) {
    case '(': {
      ++FPos;
      if (++FDepth > 200)
        Fail("Groups nested too deeply");
      TFragment inner = Alternatives();
      --FDepth;
      if (FPos >= FMask.size())
        Fail("Missing ')'");
      ++FPos;
      return inner;
    }
    case '\'':
      return Quoted();
    case '\\':
      return Escape();
    case '[':
      return Bracket();
    case '?':
      Fail("'?' without an element before it");
    case ']':
      Fail("Unbalanced ']'");
    case '*':
    case '+':
    case '{':
    case '}':
      Fail("Repetition is not supported");
    default:
      ++FPos;
      return Char(c);
    }
  }

  TFragment Quoted() {
    std::size_t open = FPos++;
    TFragment seq = Empty();
    for (;;) {
      if (FPos >= FMask.size()) {
        FPos = open;
        Fail("Missing closing quote");
      }
      char c = FMask[FPos];
      if (c == '\'') {
        ++FPos;
        return seq;
      }
      if (c == '\\' && FPos + 1 < FMask.size() && FMask[FPos + 1] == '\'') {
        ++FPos;
        c = '\'';
      }
      ++FPos;
      seq = Concat(seq, Char(c));
    }
  }

  TFragment Escape() {
    if (FPos + 1 >= FMask.size())
      Fail("'\\' at the end of the mask");
    ++FPos;
    char c = FMask[FPos++];
    if (c == 'd') {
      TCharSet digits;
      for (char d = '0'; d <= '9'; ++d)
        digits.set(std::uint8_t(d));
      return Chars(digits);
    }
    return Char(c);
  }

  // One character of a set, a backslash making the next one literal.
  std::uint8_t SetChar() {
    if (FMask[FPos] == '\\' && FPos + 1 < FMask.size())
      ++FPos;
    return std::uint8_t(FMask[FPos++]);
  }

  TFragment Bracket() {
    std::size_t open = FPos++;
    TCharSet set;
    while (FPos < FMask.size() && FMask[FPos] != ']') {
      std::uint8_t lo = SetChar();
      if (FPos + 1 < FMask.size() && FMask[FPos] == '-' && FMask[FPos + 1] != ']') {
        ++FPos;
        std::uint8_t hi = SetChar();
        if (hi < lo)
          Fail("Range out of order");
        for (int ch = lo; ch <= hi; ++ch)
          set.set(std::size_t(ch));
      } else {
        set.set(lo);
      }
    }
    if (FPos >= FMask.size()) {
      FPos = open;
      Fail("Missing ']'");
    }
    ++FPos;
    if (set.none()) {
      FPos = open;
      Fail("Empty character set");
    }
    return Chars(set);
  }

  std::string_view FMask;
  std::size_t FPos = 0;
  int FDepth = 0;
  std::vector<TNfaState> FStates;
};

void Closure(const std::vector<TNfaState>& ANfa, std::vector<int>& ASet) {
  std::vector<char> seen(ANfa.size(), 0);
  std::vector<int> stack = ASet;
  for (int s : ASet)
    seen[std::size_t(s)] = 1;
  while (!stack.empty()) {
    int s = stack.back();
    stack.pop_back();
    for (int t : ANfa[std::size_t(s)].Empty)
      if (!seen[std::size_t(t)]) {
        seen[std::size_t(t)] = 1;
        ASet.push_back(t);
        stack.push_back(t);
      }
  }
  std::sort(ASet.begin(), ASet.end());
}

} // namespace

void TcxRegExpr::Compile(std::string_view AMask) {
  int start = 0;
  int final = 0;
  std::vector<TNfaState> nfa = TParser(AMask).Parse(start, final);

  // Subset construction; the sets are kept sorted so that equal sets compare equal.
  std::vector<TState> states;
  std::vector<std::vector<int>> sets;
  std::map<std::vector<int>, int> index;
  auto intern = [&](std::vector<int> ASet) {
    auto [it, added] = index.emplace(ASet, int(sets.size()));
    if (added) {
      if (int(sets.size()) >= MaxStates)
        throw EcxRegExprError("Mask too complex", int(AMask.size()));
      TState state;
      state.Next.fill(NoState);
      state.Final = std::binary_search(ASet.begin(), ASet.end(), final);
      states.push_back(state);
      sets.push_back(std::move(ASet));
    }
    return it->second;
  };
  std::vector<int> first{start};
  Closure(nfa, first);
  intern(first);
  // Bounds the work of a mask whose sets grow with its length, so that bad input fails instead of hanging.
  constexpr long long MaxWork = 20'000'000;
  long long work = 0;
  std::vector<std::vector<std::uint8_t>> charsOf(nfa.size());
  for (std::size_t s = 0; s < nfa.size(); ++s)
    for (int ch = 0; ch < 256; ++ch)
      if (nfa[s].Chars.test(std::size_t(ch)))
        charsOf[s].push_back(std::uint8_t(ch));
  std::array<std::vector<int>, 256> moves;
  for (std::size_t i = 0; i < sets.size(); ++i) {
    for (auto& m : moves)
      m.clear();
    for (int s : sets[i]) {
      const TNfaState& n = nfa[std::size_t(s)];
      if (n.Out < 0)
        continue;
      for (std::uint8_t ch : charsOf[std::size_t(s)])
        moves[ch].push_back(n.Out);
      work += 1 + long(charsOf[std::size_t(s)].size());
    }
    // Characters that move to the same states (the ten digits, say) share one closure.
    std::map<std::vector<int>, int> done;
    for (std::size_t ch = 0; ch < 256; ++ch) {
      if (moves[ch].empty())
        continue;
      auto known = done.find(moves[ch]);
      if (known == done.end()) {
        std::vector<int> target = moves[ch];
        Closure(nfa, target);
        target.erase(std::unique(target.begin(), target.end()), target.end());
        work += long(target.size());
        known = done.emplace(moves[ch], intern(std::move(target))).first;
      }
      states[i].Next[ch] = known->second;
    }
    if (work > MaxWork)
      throw EcxRegExprError("Mask too complex", int(AMask.size()));
  }

  // States from which no final state can be reached are cut off, so that NoState answers "no prefix".
  std::vector<char> live(states.size(), 0);
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t i = 0; i < states.size(); ++i) {
      if (live[i])
        continue;
      bool reaches = states[i].Final;
      for (int t : states[i].Next)
        if (!reaches && t >= 0 && live[std::size_t(t)])
          reaches = true;
      if (reaches)
        live[i] = changed = true;
    }
  }
  std::vector<int> renumber(states.size(), NoState);
  int count = 0;
  for (std::size_t i = 0; i < states.size(); ++i)
    if (live[i] || i == 0)
      renumber[i] = count++;
  std::vector<TState> result;
  result.reserve(std::size_t(count));
  for (std::size_t i = 0; i < states.size(); ++i) {
    if (renumber[i] == NoState)
      continue;
    TState s = states[i];
    for (auto& t : s.Next)
      t = t >= 0 && live[std::size_t(t)] ? renumber[std::size_t(t)] : NoState;
    result.push_back(s);
  }
  FStates = std::move(result);
}

int TcxRegExpr::Run(std::string_view AText) const {
  int s = StartState();
  for (char c : AText) {
    s = Next(s, c);
    if (s == NoState)
      break;
  }
  return s;
}

bool TcxRegExpr::IsMatch(std::string_view AText) const {
  return IsFinal(Run(AText));
}

bool TcxRegExpr::IsPrefix(std::string_view AText) const {
  int s = Run(AText);
  // The start state of a mask that matches nothing is kept but leads nowhere.
  return s != NoState &&
         (s != 0 || IsFinal(s) ||
          std::any_of(FStates[0].Next.begin(), FStates[0].Next.end(), [](int t) { return t != NoState; }));
}
