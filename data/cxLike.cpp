#include "data/cxLike.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// One percent before the end at most: the percent's loop never returns to a pair of positions and the
// recursion is at most two calls deep, so the plain rules are the fastest way.
bool MatchFrom(std::string_view text, std::string_view tmpl, std::size_t ti, std::size_t pi, char percent,
               char underscore) {
  for (;;) {
    if (pi == tmpl.size())
      return ti == text.size();
    char c = tmpl[pi];
    if (c == percent)
      break;
    if (ti == text.size())
      return false;
    if (c != underscore && c != text[ti])
      return false;
    ++ti;
    ++pi;
  }
  if (pi + 1 == tmpl.size())
    return true;
  // The percent consumes 0, 1, ... characters but always leaves at least one for the rest.
  for (std::size_t start = ti; start < text.size(); ++start)
    if (MatchFrom(text, tmpl, start, pi + 1, percent, underscore))
      return true;
  return false;
}

// Several inner percents: trying every split is exponential on templates such as "%a%a%a%b", and recursing
// once per percent would let a long run of them exhaust the stack. So the answers are built a template
// position at a time from the end, next[ti] telling whether text[ti..] matches tmpl[pi + 1..].
bool MatchByTable(std::string_view text, std::string_view tmpl, char percent, char underscore) {
  std::size_t n = text.size();
  std::vector<std::uint8_t> next(n + 1, 0), row(n + 1, 0);
  next[n] = 1;
  for (std::size_t pi = tmpl.size(); pi-- > 0;) {
    char c = tmpl[pi];
    if (c == percent && pi + 1 == tmpl.size()) {
      std::fill(row.begin(), row.end(), 1);
    } else if (c == percent) {
      row[n] = 0;
      std::uint8_t any = 0;
      for (std::size_t ti = n; ti-- > 0;) {
        any |= next[ti];
        row[ti] = any;
      }
    } else {
      row[n] = 0;
      for (std::size_t ti = 0; ti < n; ++ti)
        row[ti] = std::uint8_t((c == underscore || c == text[ti]) && next[ti + 1]);
    }
    std::swap(row, next);
  }
  return next[0] != 0;
}

std::size_t CountInnerPercents(std::string_view tmpl, char percent) {
  std::size_t count = 0;
  for (std::size_t i = 0; i + 1 < tmpl.size(); ++i)
    count += tmpl[i] == percent;
  return count;
}

} // namespace

bool LikeStr(std::string_view AText, std::string_view ATemplate, char APercent, char AUnderscore) {
  std::size_t percent = ATemplate.find(APercent);
  // Without a percent, or with one only at the end ("begins with"), the template is matched in one pass.
  if (percent == std::string_view::npos || percent + 1 == ATemplate.size()) {
    std::size_t fixed = percent == std::string_view::npos ? ATemplate.size() : percent;
    if (percent == std::string_view::npos ? AText.size() != fixed : AText.size() < fixed)
      return false;
    for (std::size_t i = 0; i < fixed; ++i)
      if (ATemplate[i] != AUnderscore && ATemplate[i] != AText[i])
        return false;
    return true;
  }
  if (CountInnerPercents(ATemplate, APercent) > 1)
    return MatchByTable(AText, ATemplate, APercent, AUnderscore);
  return MatchFrom(AText, ATemplate, 0, 0, APercent, AUnderscore);
}

void CollapsePercents(std::string& ATemplate, char APercent) {
  std::string out;
  out.reserve(ATemplate.size());
  for (char c : ATemplate)
    if (!(c == APercent && !out.empty() && out.back() == APercent))
      out += c;
  ATemplate = std::move(out);
}

TcxLikeTemplateKind GetLikeTemplateKind(std::string& ATemplate, char APercent) {
  CollapsePercents(ATemplate, APercent);
  if (ATemplate.size() <= 1)
    return ltkNone;
  bool leading = ATemplate.front() == APercent;
  bool trailing = ATemplate.back() == APercent;
  if (trailing)
    ATemplate.pop_back();
  if (leading)
    ATemplate.erase(0, 1);
  return TcxLikeTemplateKind((leading ? 2 : 0) | (trailing ? 1 : 0));
}
