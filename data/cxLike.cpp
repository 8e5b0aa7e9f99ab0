#include "data/cxLike.h"

#include <cstdint>
#include <vector>

namespace {

// The matcher tries every split of the text at each percent, which is exponential on templates such as
// "%a%a%a%b"; the answer for a pair of positions never changes, so each pair is worked out once.
class Matcher {
public:
  Matcher(std::string_view text, std::string_view tmpl, char percent, char underscore)
      : text_(text), tmpl_(tmpl), percent_(percent), underscore_(underscore),
        memoised_(CountInnerPercents(tmpl, percent) > 1) {
    if (!memoised_)
      return;
    // Only positions of inner percents are remembered, one row of them per text position.
    slot_.assign(tmpl.size(), 0);
    for (std::size_t i = 0; i + 1 < tmpl.size(); ++i)
      if (tmpl[i] == percent)
        slot_[i] = percents_++;
    memo_.assign(text.size() * percents_, kUnknown);
  }

  bool Match(std::size_t ti, std::size_t pi) {
    for (;;) {
      if (pi == tmpl_.size())
        return ti == text_.size();
      char c = tmpl_[pi];
      if (c == percent_)
        break;
      if (ti == text_.size())
        return false;
      if (c != underscore_ && c != text_[ti])
        return false;
      ++ti;
      ++pi;
    }
    if (pi + 1 == tmpl_.size())
      return true;
    if (ti == text_.size())
      return false;
    if (!memoised_) {
      // The percent consumes 0, 1, ... characters but always leaves at least one for the rest.
      for (std::size_t start = ti; start < text_.size(); ++start)
        if (Match(start, pi + 1))
          return true;
      return false;
    }
    // The answer at (ti, pi) is the answer at ti itself or the one at (ti + 1, pi): scanning stops at the
    // first position already known, and every position scanned is remembered, so each pair is settled once.
    std::size_t start = ti;
    bool result = false;
    for (; start < text_.size(); ++start) {
      std::uint8_t known = memo_[start * percents_ + slot_[pi]];
      if (known != kUnknown) {
        result = known == kYes;
        break;
      }
      if (Match(start, pi + 1)) {
        result = true;
        break;
      }
    }
    for (std::size_t s = ti; s < start && s < text_.size(); ++s)
      memo_[s * percents_ + slot_[pi]] = result ? kYes : kNo;
    return result;
  }

private:
  // A single percent before the end cannot revisit a pair of positions, so it needs no table.
  static std::size_t CountInnerPercents(std::string_view tmpl, char percent) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < tmpl.size(); ++i)
      n += tmpl[i] == percent;
    return n;
  }

  static constexpr std::uint8_t kUnknown = 0, kNo = 1, kYes = 2;
  std::string_view text_, tmpl_;
  char percent_, underscore_;
  bool memoised_;
  std::size_t percents_ = 0;
  std::vector<std::size_t> slot_; // the row index of each inner percent of the template
  std::vector<std::uint8_t> memo_;
};

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
  return Matcher(AText, ATemplate, APercent, AUnderscore).Match(0, 0);
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
