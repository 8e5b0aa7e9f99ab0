#include "platform/db/DBFilterExpr.h"

#include <cctype>
#include <cstdio>

#include "platform/db/DBDataSet.h"

enum class TFilterOp { And, Or, Not, Compare, IsNull, Like, In, Between, Field, Literal };
enum class TCompareOp { Eq, Ne, Lt, Le, Gt, Ge };

struct TFilterExpression::TNode {
  TFilterOp Op = TFilterOp::Literal;
  TCompareOp Cmp = TCompareOp::Eq;
  bool Negated = false;
  AnsiString Name;         // a field's name
  TField* Field = nullptr; // bound field, borrowed from the dataset
  Variant Value;           // a literal
  std::vector<std::unique_ptr<TNode>> Args;
};

namespace {

using TNode = TFilterExpression::TNode;

struct TToken {
  enum TKind { End, Name, Text, Number, Symbol } Kind = End;
  AnsiString Str;
  std::size_t Pos = 0;
};

class TFilterParser {
public:
  explicit TFilterParser(const AnsiString& AText) : FText(AText) { Advance(); }

  std::unique_ptr<TNode> Parse() {
    auto node = ParseOr();
    if (FTok.Kind != TToken::End)
      Fail("unexpected '" + MessageExcerpt(FTok.Str) + "'");
    return node;
  }

private:
  [[noreturn]] void Fail(const AnsiString& AWhat) const {
    throw EDatabaseError("Filter expression error at position " +
                         IntToStr(static_cast<long long>(FTok.Pos + 1)) + ": " + AWhat + " in \"" +
                         MessageExcerpt(FText) + "\"");
  }

  void Advance() {
    std::size_t i = FPos;
    while (i < FText.size() && std::isspace(static_cast<unsigned char>(FText[i])))
      ++i;
    FTok = TToken();
    FTok.Pos = i;
    if (i >= FText.size()) {
      FPos = i;
      return;
    }
    char c = FText[i];
    if (c == '\'') {
      AnsiString s;
      ++i;
      for (;;) {
        if (i >= FText.size()) {
          FPos = i;
          Fail("unterminated text");
        }
        if (FText[i] == '\'') {
          if (i + 1 < FText.size() && FText[i + 1] == '\'') {
            s += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        s += FText[i++];
      }
      FTok.Kind = TToken::Text;
      FTok.Str = s;
    } else if (c == '[' || c == '"') {
      char close = c == '[' ? ']' : '"';
      std::size_t end = FText.find(close, i + 1);
      if (end == AnsiString::npos)
        Fail("unterminated field name");
      FTok.Kind = TToken::Name;
      FTok.Str = FText.substr(i + 1, end - i - 1);
      i = end + 1;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < FText.size() && std::isdigit(static_cast<unsigned char>(FText[i + 1])))) {
      std::size_t start = i;
      while (i < FText.size() &&
             (std::isdigit(static_cast<unsigned char>(FText[i])) || FText[i] == '.' || FText[i] == 'e' ||
              FText[i] == 'E' ||
              ((FText[i] == '-' || FText[i] == '+') && (FText[i - 1] == 'e' || FText[i - 1] == 'E'))))
        ++i;
      FTok.Kind = TToken::Number;
      FTok.Str = FText.substr(start, i - start);
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
               static_cast<unsigned char>(c) >= 0x80) {
      std::size_t start = i;
      while (i < FText.size() && (std::isalnum(static_cast<unsigned char>(FText[i])) || FText[i] == '_' ||
                                  FText[i] == '.' || static_cast<unsigned char>(FText[i]) >= 0x80))
        ++i;
      FTok.Kind = TToken::Name;
      FTok.Str = FText.substr(start, i - start);
    } else {
      static const char* const two[] = {"<>", "<=", ">=", "!="};
      FTok.Kind = TToken::Symbol;
      FTok.Str = AnsiString(1, c);
      for (const char* t : two)
        if (FText.compare(i, 2, t) == 0)
          FTok.Str = t;
      if (AnsiString("=<>(),-+").find(c) == AnsiString::npos && FTok.Str.size() == 1)
        Fail("unexpected character '" + MessageExcerpt(FTok.Str) + "'");
      i += FTok.Str.size();
    }
    FPos = i;
  }

  bool IsWord(const char* AWord) const { return FTok.Kind == TToken::Name && SameText(FTok.Str, AWord); }
  bool IsSymbol(const char* ASym) const { return FTok.Kind == TToken::Symbol && FTok.Str == ASym; }
  void Expect(const char* ASym) {
    if (!IsSymbol(ASym))
      Fail(AnsiString("'") + ASym + "' expected");
    Advance();
  }

  static std::unique_ptr<TNode> Make(TFilterOp AOp) {
    auto n = std::make_unique<TNode>();
    n->Op = AOp;
    return n;
  }

  // AND and OR keep their operands in one node, so a long chain of conditions stays one level deep.
  std::unique_ptr<TNode> ParseOr() {
    auto first = ParseAnd();
    if (!IsWord("OR"))
      return first;
    auto n = Make(TFilterOp::Or);
    n->Args.push_back(std::move(first));
    while (IsWord("OR")) {
      Advance();
      n->Args.push_back(ParseAnd());
    }
    return n;
  }

  std::unique_ptr<TNode> ParseAnd() {
    auto first = ParseNot();
    if (!IsWord("AND"))
      return first;
    auto n = Make(TFilterOp::And);
    n->Args.push_back(std::move(first));
    while (IsWord("AND")) {
      Advance();
      n->Args.push_back(ParseNot());
    }
    return n;
  }

  std::unique_ptr<TNode> ParseNot() {
    if (IsWord("NOT")) {
      Advance();
      TDepth depth(*this);
      auto n = Make(TFilterOp::Not);
      n->Args.push_back(ParseNot());
      return n;
    }
    return ParseCondition();
  }

  // Nesting by NOT and parentheses is bounded, so that a hostile text cannot exhaust the stack.
  static constexpr int kMaxDepth = 200;
  struct TDepth {
    explicit TDepth(TFilterParser& AParser) : FParser(AParser) {
      if (++FParser.FDepth > kMaxDepth)
        FParser.Fail("nested too deeply");
    }
    ~TDepth() { --FParser.FDepth; }
    TFilterParser& FParser;
  };
  int FDepth = 0;

  std::unique_ptr<TNode> ParseCondition() {
    auto left = ParseOperand();
    static const std::pair<const char*, TCompareOp> ops[] = {
        {"=", TCompareOp::Eq},  {"<>", TCompareOp::Ne}, {"!=", TCompareOp::Ne}, {"<", TCompareOp::Lt},
        {"<=", TCompareOp::Le}, {">", TCompareOp::Gt},  {">=", TCompareOp::Ge}};
    for (auto& [sym, op] : ops)
      if (IsSymbol(sym)) {
        Advance();
        auto n = Make(TFilterOp::Compare);
        n->Cmp = op;
        n->Args.push_back(std::move(left));
        n->Args.push_back(ParseOperand());
        return n;
      }
    if (IsWord("IS")) {
      Advance();
      auto n = Make(TFilterOp::IsNull);
      if (IsWord("NOT")) {
        n->Negated = true;
        Advance();
      }
      if (!IsWord("NULL"))
        Fail("NULL expected after IS");
      Advance();
      n->Args.push_back(std::move(left));
      return n;
    }
    bool negated = false;
    if (IsWord("NOT")) {
      negated = true;
      Advance();
    }
    if (IsWord("LIKE") || IsWord("IN") || IsWord("BETWEEN")) {
      TFilterOp op = IsWord("LIKE") ? TFilterOp::Like : IsWord("IN") ? TFilterOp::In : TFilterOp::Between;
      Advance();
      auto n = Make(op);
      n->Negated = negated;
      n->Args.push_back(std::move(left));
      if (op == TFilterOp::In) {
        Expect("(");
        n->Args.push_back(ParseOperand());
        while (IsSymbol(",")) {
          Advance();
          n->Args.push_back(ParseOperand());
        }
        Expect(")");
      } else {
        n->Args.push_back(ParseOperand());
        if (op == TFilterOp::Between) {
          if (!IsWord("AND"))
            Fail("AND expected in BETWEEN");
          Advance();
          n->Args.push_back(ParseOperand());
        }
      }
      return n;
    }
    if (negated)
      Fail("LIKE, IN or BETWEEN expected after NOT");
    return left; // a Boolean field or literal stands for itself
  }

  std::unique_ptr<TNode> ParseOperand() {
    if (IsSymbol("(")) {
      Advance();
      TDepth depth(*this);
      auto n = ParseOr();
      Expect(")");
      return n;
    }
    auto n = Make(TFilterOp::Literal);
    bool minus = false;
    if (IsSymbol("-") || IsSymbol("+")) {
      minus = FTok.Str == "-";
      Advance();
      if (FTok.Kind != TToken::Number)
        Fail("a number expected after the sign");
    }
    switch (FTok.Kind) {
    case TToken::Text:
      n->Value = Variant(FTok.Str);
      break;
    case TToken::Number: {
      long long i;
      double d;
      if (TryStrToInt64(FTok.Str, i))
        n->Value = minus ? Variant(std::int64_t(-i)) : Variant(std::int64_t(i));
      else if (VarTextToFloat(FTok.Str, d) || TryParseDot(FTok.Str, d))
        n->Value = Variant(minus ? -d : d);
      else
        Fail("invalid number '" + MessageExcerpt(FTok.Str) + "'");
      break;
    }
    case TToken::Name:
      if (SameText(FTok.Str, "NULL"))
        n->Value = Null;
      else if (SameText(FTok.Str, "TRUE") || SameText(FTok.Str, "FALSE"))
        n->Value = Variant(SameText(FTok.Str, "TRUE"));
      else {
        n->Op = TFilterOp::Field;
        n->Name = FTok.Str;
      }
      break;
    default:
      Fail(FTok.Kind == TToken::End ? AnsiString("unexpected end") : "unexpected '" + FTok.Str + "'");
    }
    Advance();
    return n;
  }

  static bool TryParseDot(const AnsiString& AText, double& AValue) {
    char* end = nullptr;
    AValue = std::strtod(AText.c_str(), &end);
    return end && *end == '\0';
  }

  AnsiString FText;
  std::size_t FPos = 0;
  TToken FTok;
};

void Bind(TNode* ANode, TDataSet* ADataSet) {
  if (ANode->Op == TFilterOp::Field)
    ANode->Field = ADataSet->FieldByName(ANode->Name);
  for (auto& arg : ANode->Args)
    Bind(arg.get(), ADataSet);
}

// LIKE with "%" for any run and "_" for one character. Only the last "%" is ever backtracked to, so a
// pattern of many "%" costs at most the product of the two lengths.
bool LikeMatch(const AnsiString& AText, const AnsiString& APattern) {
  std::size_t s = 0, p = 0, starP = AnsiString::npos, starS = 0;
  while (s < AText.size()) {
    if (p < APattern.size() && (APattern[p] == '_' || APattern[p] == AText[s])) {
      ++s;
      ++p;
    } else if (p < APattern.size() && APattern[p] == '%') {
      starP = p++;
      starS = s;
    } else if (starP != AnsiString::npos) {
      p = starP + 1;
      s = ++starS;
    } else {
      return false;
    }
  }
  while (p < APattern.size() && APattern[p] == '%')
    ++p;
  return p == APattern.size();
}

} // namespace

TFilterExpression::TFilterExpression(const AnsiString& AText, TDataSet* ADataSet, bool ACaseInsensitive,
                                     bool APartial)
    : FRoot(TFilterParser(AText).Parse()), FCaseInsensitive(ACaseInsensitive), FPartial(APartial) {
  Bind(FRoot.get(), ADataSet);
}

TFilterExpression::~TFilterExpression() = default;

void TFilterExpression::CheckSyntax(const AnsiString& AText) {
  TFilterParser(AText).Parse();
}

namespace {

Variant ValueOf(const TNode* ANode) {
  return ANode->Op == TFilterOp::Field ? ANode->Field->GetAsVariant() : ANode->Value;
}

// A date literal in the form a filter text writes it, or in the locale's form.
bool TextToDate(const Variant& AText, Variant& ADate) {
  AnsiString t = Trim(AText.AsString());
  unsigned y, m, d, h = 0, n = 0, s = 0;
  int read = 0;
  if (std::sscanf(t.c_str(), "%4u-%2u-%2u%n", &y, &m, &d, &read) == 3) {
    if (read < int(t.size()) && std::sscanf(t.c_str() + read, " %2u:%2u:%2u", &h, &n, &s) < 2)
      return false;
    TDateTime date, time;
    if (!TryEncodeDate(WORD(y), WORD(m), WORD(d), date) || !TryEncodeTime(WORD(h), WORD(n), WORD(s), 0, time))
      return false;
    ADate = Variant::FromDate(date + time);
    return true;
  }
  TDateTime value;
  if (!VarTextToDate(t, value))
    return false;
  ADate = Variant::FromDate(value);
  return true;
}

// -1, 0, 1, or 2 when the two values do not compare (a Null among them, or kinds that do not mix).
int CompareValues(const Variant& A, const Variant& B, bool ACaseInsensitive) {
  if (VarIsNull(A) || VarIsNull(B) || VarIsEmpty(A) || VarIsEmpty(B))
    return 2;
  int r;
  if (VarCompareSameType(A, B, r))
    if (!(r != 0 && ACaseInsensitive && VarType(A) == varString))
      return r;
  if (VarIsStr(A) && VarIsStr(B))
    return ACaseInsensitive ? AnsiCompareText(A.AsString(), B.AsString())
                            : AnsiCompareStr(A.AsString(), B.AsString());
  try {
    Variant date;
    if (VarType(A) == varDate && VarIsStr(B))
      return TextToDate(B, date) ? VarCompareValue(A, date) : 2;
    if (VarType(B) == varDate && VarIsStr(A))
      return TextToDate(A, date) ? VarCompareValue(date, B) : 2;
    return VarCompareValue(A, B);
  } catch (const Exception&) {
    return 2;
  }
}

bool Eval(const TNode* n, bool ci, bool partial) {
  switch (n->Op) {
  case TFilterOp::And:
    for (const auto& arg : n->Args)
      if (!Eval(arg.get(), ci, partial))
        return false;
    return true;
  case TFilterOp::Or:
    for (const auto& arg : n->Args)
      if (Eval(arg.get(), ci, partial))
        return true;
    return false;
  case TFilterOp::Not:
    return !Eval(n->Args[0].get(), ci, partial);
  case TFilterOp::IsNull: {
    Variant v = ValueOf(n->Args[0].get());
    return (VarIsNull(v) || VarIsEmpty(v)) != n->Negated;
  }
  case TFilterOp::Compare: {
    Variant a = ValueOf(n->Args[0].get()), b = ValueOf(n->Args[1].get());
    if (partial && (n->Cmp == TCompareOp::Eq || n->Cmp == TCompareOp::Ne) && VarType(b) == varString &&
        !b.RawString().empty() && b.RawString().back() == '*' && VarIsStr(a)) {
      AnsiString prefix = b.RawString().substr(0, b.RawString().size() - 1), s = a.AsString();
      bool match = s.size() >= prefix.size() && (ci ? AnsiSameText(s.substr(0, prefix.size()), prefix)
                                                    : s.compare(0, prefix.size(), prefix) == 0);
      return match == (n->Cmp == TCompareOp::Eq);
    }
    int r = CompareValues(a, b, ci);
    if (r == 2)
      return false;
    switch (n->Cmp) {
    case TCompareOp::Eq:
      return r == 0;
    case TCompareOp::Ne:
      return r != 0;
    case TCompareOp::Lt:
      return r < 0;
    case TCompareOp::Le:
      return r <= 0;
    case TCompareOp::Gt:
      return r > 0;
    case TCompareOp::Ge:
      return r >= 0;
    }
    return false;
  }
  case TFilterOp::Like: {
    Variant a = ValueOf(n->Args[0].get()), b = ValueOf(n->Args[1].get());
    if (VarIsNull(a) || VarIsNull(b))
      return false;
    AnsiString text = VarToStr(a), pattern = VarToStr(b);
    if (ci) {
      text = AnsiUpperCase(text);
      pattern = AnsiUpperCase(pattern);
    }
    return LikeMatch(text, pattern) != n->Negated;
  }
  case TFilterOp::In: {
    Variant a = ValueOf(n->Args[0].get());
    bool found = false;
    for (std::size_t i = 1; i < n->Args.size() && !found; ++i)
      found = CompareValues(a, ValueOf(n->Args[i].get()), ci) == 0;
    return !VarIsNull(a) && found != n->Negated;
  }
  case TFilterOp::Between: {
    Variant a = ValueOf(n->Args[0].get());
    int lo = CompareValues(a, ValueOf(n->Args[1].get()), ci);
    int hi = CompareValues(a, ValueOf(n->Args[2].get()), ci);
    if (lo == 2 || hi == 2)
      return false;
    return (lo >= 0 && hi <= 0) != n->Negated;
  }
  case TFilterOp::Field:
  case TFilterOp::Literal: {
    Variant v = ValueOf(n);
    return !VarIsNull(v) && !VarIsEmpty(v) && VarType(v) == varBoolean && v.AsBoolean();
  }
  }
  return false;
}

} // namespace

bool TFilterExpression::Evaluate() const {
  return Eval(FRoot.get(), FCaseInsensitive, FPartial);
}
