#include <algorithm>
#include <iterator>

#include "platform/db/SQLiteQuery_Internal.h"

namespace sqlitequery_internal {

namespace {

enum class TTokenKind { Word, Quoted, Literal, Param, Symbol, End };

struct TToken {
  TTokenKind Kind = TTokenKind::End;
  std::string_view Text;
  bool Keyword = false; // a word SQLite gives a meaning of its own
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool IsIdChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || std::isalnum(u) || c == '_' || c == '$';
}

// The length of the quoted token at AText, which ends where AClose does, a doubled one standing for itself;
// 0 where it does not end.
std::size_t QuotedLength(std::string_view AText, char AClose) {
  for (std::size_t i = 1; i < AText.size(); ++i)
    if (AText[i] == AClose) {
      if (AClose != ']' && i + 1 < AText.size() && AText[i + 1] == AClose)
        ++i;
      else
        return i + 1;
    }
  return 0;
}

// The text's tokens as SQLite splits them, comments and white space left out; false where SQLite would not
// read the text either (a quote left open).
bool Tokenize(std::string_view ASQL, std::vector<TToken>& ATokens) {
  std::size_t i = 0;
  while (i < ASQL.size()) {
    const std::string_view rest = ASQL.substr(i);
    const char c = rest[0];
    const char next = rest.size() > 1 ? rest[1] : '\0';
    std::size_t n = 1;
    TTokenKind kind = TTokenKind::Symbol;
    if (IsSpace(c)) {
      ++i;
      continue;
    }
    if (c == '-' && next == '-') {
      const std::size_t end = rest.find('\n');
      i = end == std::string_view::npos ? ASQL.size() : i + end + 1;
      continue;
    }
    if (c == '/' && next == '*') {
      // A comment left open runs to the end of the text, as SQLite reads it.
      const std::size_t end = rest.find("*/", 2);
      i = end == std::string_view::npos ? ASQL.size() : i + end + 2;
      continue;
    }
    if (c == '\'' || ((c == 'x' || c == 'X') && next == '\'')) {
      const std::size_t start = c == '\'' ? 0 : 1;
      n = QuotedLength(rest.substr(start), '\'');
      if (n == 0)
        return false;
      n += start;
      kind = TTokenKind::Literal;
    } else if (c == '"' || c == '`' || c == '[') {
      n = QuotedLength(rest, c == '[' ? ']' : c);
      if (n == 0)
        return false;
      kind = TTokenKind::Quoted;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && std::isdigit(static_cast<unsigned char>(next)))) {
      // Digits, a point, an exponent with its sign, hexadecimal digits: whatever follows belongs to the
      // number.
      while (n < rest.size() &&
             (IsIdChar(rest[n]) || rest[n] == '.' ||
              ((rest[n] == '+' || rest[n] == '-') && (rest[n - 1] == 'e' || rest[n - 1] == 'E'))))
        ++n;
      kind = TTokenKind::Literal;
    } else if (c == '?' || c == ':' || c == '@' || c == '$' || c == '#') {
      while (n < rest.size() && (IsIdChar(rest[n]) || rest[n] == ':'))
        ++n;
      kind = TTokenKind::Param;
    } else if (IsIdChar(c)) {
      while (n < rest.size() && IsIdChar(rest[n]))
        ++n;
      kind = TTokenKind::Word;
    } else if (c == '-' && next == '>') {
      n = rest.size() > 2 && rest[2] == '>' ? 3 : 2;
    } else if ((c == '<' && (next == '=' || next == '>' || next == '<')) ||
               (c == '>' && (next == '=' || next == '>')) || (c == '=' && next == '=') ||
               (c == '!' && next == '=') || (c == '|' && next == '|')) {
      n = 2;
    }
    TToken token{kind, rest.substr(0, n)};
    token.Keyword = kind == TTokenKind::Word && sqlite3_keyword_check(token.Text.data(), int(n)) != 0;
    ATokens.push_back(token);
    i += n;
  }
  ATokens.push_back(TToken{});
  return true;
}

bool Is(const TToken& AToken, std::string_view AKeyword) {
  return AToken.Keyword && SameName(AToken.Text, AKeyword);
}

bool IsSymbol(const TToken& AToken, char ASymbol) {
  return AToken.Kind == TTokenKind::Symbol && AToken.Text.size() == 1 && AToken.Text[0] == ASymbol;
}

template <std::size_t N> bool IsAny(const TToken& AToken, const std::string_view (&AKeywords)[N]) {
  return AToken.Keyword && std::any_of(std::begin(AKeywords), std::end(AKeywords),
                                       [&](std::string_view k) { return Is(AToken, k); });
}

// Keywords a SELECT of plain rows may hold: those of its clauses, joins and expressions, and those SQLite
// lets stand for names, which mean nothing else in a SELECT. The clauses that make a row stand for several
// rows (GROUP BY, HAVING, compound operators, VALUES) are not among them, and neither is a keyword this list
// has not heard of.
constexpr std::string_view kPlainKeywords[] = {
    "SELECT",    "ALL",          "FROM",         "WHERE",        "ORDER",
    "BY",        "ASC",          "DESC",         "NULLS",        "FIRST",
    "LAST",      "LIMIT",        "OFFSET",       "AS",           "JOIN",
    "INNER",     "LEFT",         "RIGHT",        "FULL",         "OUTER",
    "CROSS",     "NATURAL",      "ON",           "USING",        "INDEXED",
    "NOT",       "AND",          "OR",           "IS",           "IN",
    "BETWEEN",   "LIKE",         "GLOB",         "MATCH",        "REGEXP",
    "ESCAPE",    "ISNULL",       "NOTNULL",      "NULL",         "CASE",
    "WHEN",      "THEN",         "ELSE",         "END",          "CAST",
    "COLLATE",   "EXISTS",       "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP",
    "WITH",      "MATERIALIZED", "WINDOW",       "PARTITION",    "RANGE",
    "ROWS",      "GROUPS",       "CURRENT",      "FOLLOWING",    "PRECEDING",
    "UNBOUNDED", "EXCLUDE",      "OTHERS",       "TIES",         "NO",
    "ABORT",     "ACTION",       "AFTER",        "ALWAYS",       "ANALYZE",
    "ATTACH",    "BEFORE",       "BEGIN",        "CASCADE",      "COLUMN",
    "CONFLICT",  "DATABASE",     "DEFERRED",     "DETACH",       "DO",
    "EACH",      "EXCLUSIVE",    "EXPLAIN",      "FAIL",         "FOR",
    "GENERATED", "IF",           "IGNORE",       "IMMEDIATE",    "INITIALLY",
    "INSTEAD",   "KEY",          "OF",           "PLAN",         "PRAGMA",
    "QUERY",     "RAISE",        "RECURSIVE",    "REINDEX",      "RELEASE",
    "RENAME",    "REPLACE",      "RESTRICT",     "ROW",          "ROLLBACK",
    "SAVEPOINT", "TEMP",         "TEMPORARY",    "TRIGGER",      "VACUUM",
    "VIEW",      "VIRTUAL",      "WITHOUT"};

// Keywords that a parenthesis follows without making a call of a function.
constexpr std::string_view kNotCalls[] = {
    "IN",   "EXISTS", "CAST",   "USING", "AS",    "ON",     "AND",          "OR",      "NOT",
    "WHEN", "THEN",   "ELSE",   "CASE",  "WHERE", "BY",     "IS",           "BETWEEN", "ESCAPE",
    "FROM", "JOIN",   "SELECT", "ALL",   "LIMIT", "OFFSET", "MATERIALIZED", "WITH",    "VALUES"};

// Operators that are also the names of functions, which they are where no operand stands before them.
constexpr std::string_view kOperatorNames[] = {"LIKE", "GLOB", "MATCH", "REGEXP"};

constexpr std::string_view kCompound[] = {"UNION", "INTERSECT", "EXCEPT", "VALUES"};

// Clauses after which a name is no source of rows.
constexpr std::string_view kExpressionClauses[] = {"WHERE", "ORDER", "LIMIT", "WINDOW"};

const char* const kCompoundOrSubquery = "is a compound SELECT or holds a subquery";

struct TRefused {};

// Reads a text token by token, refusing at the first thing that may make its row other than one row of each
// table it reads.
class TShapeReader {
public:
  TShapeReader(std::vector<TToken> ATokens, const TFunctionKinds& AKinds)
      : FTokens(std::move(ATokens)), FKinds(AKinds) {}

  TSelectShape Read() {
    try {
      ReadStatement();
    } catch (const TRefused&) {
    }
    return std::move(FShape);
  }

private:
  enum class TPlace { Expression, Sources };

  const TToken& At(std::size_t AAhead = 0) const {
    return FTokens[std::min(FPos + AAhead, FTokens.size() - 1)];
  }

  [[noreturn]] void Refuse(std::string AWhat) {
    FShape.CommonTable = FCommonTable;
    FShape.Refusal = std::move(AWhat);
    throw TRefused{};
  }

  [[noreturn]] void RefuseKeyword(const TToken& AToken) {
    std::string word(AToken.Text);
    for (char& c : word)
      c = char(std::toupper(static_cast<unsigned char>(c)));
    Refuse("holds " + word + ", which a SELECT of plain rows does not");
  }

  // Past the parenthesis at APos, to the one that closes it; the count of arguments it holds where
  // AArguments.
  std::size_t Closing(std::size_t APos, int* AArguments = nullptr) const {
    int depth = 0, commas = 0;
    bool empty = true;
    for (std::size_t i = APos; FTokens[i].Kind != TTokenKind::End; ++i) {
      const TToken& token = FTokens[i];
      if (IsSymbol(token, '(')) {
        empty = empty && depth == 0;
        ++depth;
      } else if (IsSymbol(token, ')') && --depth == 0) {
        if (AArguments)
          *AArguments = empty ? 0 : commas + 1;
        return i;
      } else if (depth == 1) {
        commas += IsSymbol(token, ',');
        // count(*) takes no argument.
        empty = empty && IsSymbol(token, '*');
      }
    }
    return FTokens.size() - 1;
  }

  void ReadStatement() {
    if (Is(At(), "CREATE")) {
      while (At().Kind != TTokenKind::End && !Is(At(), "AS"))
        FPos = IsSymbol(At(), '(') ? Closing(FPos) + 1 : FPos + 1;
      ++FPos;
    }
    ReadSelect(true);
    while (IsSymbol(At(), ';'))
      ++FPos;
    if (At().Kind != TTokenKind::End)
      RefuseKeyword(At());
  }

  void ReadWith() {
    ++FPos;
    if (Is(At(), "RECURSIVE"))
      RefuseKeyword(At());
    for (;;) {
      const TToken& name = At();
      if (name.Kind != TTokenKind::Word && name.Kind != TTokenKind::Quoted)
        RefuseKeyword(name);
      ++FPos;
      if (IsSymbol(At(), '('))
        FPos = Closing(FPos) + 1;
      if (!Is(At(), "AS"))
        RefuseKeyword(At());
      ++FPos;
      if (Is(At(), "NOT"))
        ++FPos;
      if (Is(At(), "MATERIALIZED"))
        ++FPos;
      if (!IsSymbol(At(), '('))
        RefuseKeyword(At());
      ++FPos;
      const std::string outer = std::exchange(FCommonTable, Unquoted(name));
      ReadSelect(false);
      if (!IsSymbol(At(), ')'))
        RefuseKeyword(At());
      ++FPos;
      FShape.CommonTables.push_back(std::exchange(FCommonTable, outer));
      if (!IsSymbol(At(), ','))
        return;
      ++FPos;
    }
  }

  // A SELECT from its keyword on, to the end of the text or the parenthesis that closes it. AOwn: the text's
  // own SELECT, whose DISTINCT the caller judges; a common table's DISTINCT is refused here.
  void ReadSelect(bool AOwn) {
    if (Is(At(), "WITH"))
      ReadWith();
    if (!Is(At(), "SELECT"))
      IsAny(At(), kCompound) ? Refuse(kCompoundOrSubquery) : RefuseKeyword(At());
    ++FPos;
    if (Is(At(), "DISTINCT")) {
      if (!AOwn)
        Refuse("removes duplicate rows (DISTINCT)");
      FShape.Distinct = true;
      ++FPos;
    }
    // By parenthesis open, what it holds; sources where a name is a table, a view or a common table.
    std::vector<TPlace> places{TPlace::Expression};
    bool sourceNext = false;
    // Where the type names of CASTs begin and end: a name such as VARCHAR(20) calls no function.
    std::vector<std::pair<std::size_t, std::size_t>> typeNames;
    for (;;) {
      const TToken& token = At();
      if (token.Kind == TTokenKind::End || (places.size() == 1 && IsSymbol(token, ';')))
        return;
      if (auto type = std::find_if(typeNames.begin(), typeNames.end(),
                                   [&](auto& AType) { return AType.first == FPos; });
          type != typeNames.end()) {
        FPos = type->second;
        continue;
      }
      if (IsSymbol(token, ')')) {
        if (places.size() == 1)
          return;
        places.pop_back();
        sourceNext = false;
        ++FPos;
        continue;
      }
      if (IsSymbol(token, '(')) {
        if (Is(At(1), "SELECT") || Is(At(1), "WITH") || Is(At(1), "VALUES"))
          Refuse(kCompoundOrSubquery);
        places.push_back(sourceNext ? TPlace::Sources : TPlace::Expression);
        ++FPos;
        continue;
      }
      if (IsSymbol(token, ',')) {
        sourceNext = places.back() == TPlace::Sources;
        ++FPos;
        continue;
      }
      if (token.Kind != TTokenKind::Word && token.Kind != TTokenKind::Quoted) {
        ++FPos;
        continue;
      }
      if (sourceNext) {
        ReadSource();
        sourceNext = false;
        continue;
      }
      const bool named = IsSymbol(At(1), '.') || (FPos > 0 && IsSymbol(FTokens[FPos - 1], '.'));
      if (IsSymbol(At(1), '(') && !named && IsCall(token)) {
        ReadCall(token);
        continue;
      }
      // OVER and FILTER are keywords only after a call, as SQLite reads them; elsewhere they are names.
      if (!token.Keyword || named ||
          ((Is(token, "OVER") || Is(token, "FILTER")) && !(FPos > 0 && IsSymbol(FTokens[FPos - 1], ')')))) {
        ++FPos;
        continue;
      }
      if (Is(token, "FROM") || Is(token, "JOIN")) {
        if (places.size() == 1)
          places.back() = TPlace::Sources;
        sourceNext = true;
      } else if (places.size() == 1 && IsAny(token, kExpressionClauses)) {
        places.back() = TPlace::Expression;
      } else if (Is(token, "IN") && !IsSymbol(At(1), '(')) {
        // IN followed by a name reads that table as a subquery.
        Refuse(kCompoundOrSubquery);
      } else if (Is(token, "CAST") && IsSymbol(At(1), '(')) {
        const std::size_t close = Closing(FPos + 1);
        for (std::size_t i = FPos + 2, depth = 0; i < close; ++i)
          if (IsSymbol(FTokens[i], '('))
            ++depth;
          else if (IsSymbol(FTokens[i], ')'))
            --depth;
          else if (depth == 0 && Is(FTokens[i], "AS"))
            typeNames.emplace_back(i, close);
      } else if (Is(token, "IS") && Is(At(1), "NOT") && Is(At(2), "DISTINCT") && Is(At(3), "FROM")) {
        FPos += 4;
        continue;
      } else if (Is(token, "IS") && Is(At(1), "DISTINCT") && Is(At(2), "FROM")) {
        FPos += 3;
        continue;
      } else if (Is(token, "DISTINCT")) {
        Refuse("removes duplicate rows (DISTINCT)");
      } else if (Is(token, "GROUP")) {
        Refuse("groups rows (GROUP BY)");
      } else if (IsAny(token, kCompound)) {
        Refuse(kCompoundOrSubquery);
      } else if (!IsAny(token, kPlainKeywords)) {
        RefuseKeyword(token);
      }
      ++FPos;
    }
  }

  // A table, view or common table named where a source of rows stands, with its schema; a name with
  // arguments is a table-valued function, whose rows the dataset cannot tell.
  void ReadSource() {
    std::string name = Unquoted(At());
    ++FPos;
    if (IsSymbol(At(), '.') && (At(1).Kind == TTokenKind::Word || At(1).Kind == TTokenKind::Quoted)) {
      name = Unquoted(At(1));
      FPos += 2;
    }
    if (IsSymbol(At(), '('))
      Refuse("reads table-valued function '" + name + "'");
  }

  bool IsCall(const TToken& AToken) const {
    if (!AToken.Keyword)
      return true;
    if (IsAny(AToken, kOperatorNames)) {
      // Where an operand stands before it (or before NOT before it), the word is the operator and the
      // parenthesis its right operand.
      const std::size_t at = FPos > 1 && Is(FTokens[FPos - 1], "NOT") ? FPos - 1 : FPos;
      const TToken& before = FTokens[at > 0 ? at - 1 : 0];
      const bool operand =
          at > 0 &&
          (before.Kind == TTokenKind::Literal || before.Kind == TTokenKind::Param ||
           before.Kind == TTokenKind::Quoted || IsSymbol(before, ')') ||
           (before.Kind == TTokenKind::Word && !before.Keyword) || Is(before, "NULL") || Is(before, "END"));
      return !operand;
    }
    return !IsAny(AToken, kNotCalls);
  }

  // A call of a function, judged by what the database registered under its name for as many arguments; a
  // window over it makes it a window function, whatever it is alone.
  void ReadCall(const TToken& AName) {
    int arguments = 0;
    const std::size_t close = Closing(FPos + 1, &arguments);
    const std::string name = Unquoted(AName);
    if (Is(FTokens[std::min(close + 1, FTokens.size() - 1)], "OVER"))
      Refuse("computes window function '" + name + "'");
    switch (FKinds(name, arguments)) {
    case TFunctionKind::Scalar:
      break;
    case TFunctionKind::Aggregate:
      Refuse("computes aggregate function '" + name + "'");
    case TFunctionKind::Unknown:
      Refuse("calls function '" + name + "', which the database does not list");
    }
    ++FPos;
  }

  static std::string Unquoted(const TToken& AToken) {
    if (AToken.Kind != TTokenKind::Quoted)
      return std::string(AToken.Text);
    const std::string_view inner = AToken.Text.substr(1, AToken.Text.size() - 2);
    if (AToken.Text[0] == '[')
      return std::string(inner);
    std::string name;
    for (std::size_t i = 0; i < inner.size(); ++i) {
      name += inner[i];
      if (inner[i] == AToken.Text[0])
        ++i;
    }
    return name;
  }

  std::vector<TToken> FTokens;
  const TFunctionKinds& FKinds;
  std::size_t FPos = 0;
  std::string FCommonTable; // the common table being read, empty for the text's own SELECT
  TSelectShape FShape;
};

} // namespace

TSelectShape ReadSelectShape(std::string_view ASQL, const TFunctionKinds& AKinds) {
  std::vector<TToken> tokens;
  if (!Tokenize(ASQL, tokens)) {
    TSelectShape shape;
    shape.Refusal = "holds text that SQLite does not read either";
    return shape;
  }
  return TShapeReader(std::move(tokens), AKinds).Read();
}

} // namespace sqlitequery_internal
