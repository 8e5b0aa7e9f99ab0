#include "platform/win/EditLayout_p.h"

#include <algorithm>

namespace platform::detail {

int EditLayout::Advance(int x, unsigned char c) const {
  if (options_.maskChar)
    return x + metrics_->widths[options_.maskChar];
  if (c == '\t' && options_.multiLine) {
    int tab = metrics_->TabWidth();
    return (x / tab + 1) * tab;
  }
  return x + metrics_->widths[c];
}

void EditLayout::Build(std::string_view text, const EditMetrics& metrics, const Options& options) {
  metrics_ = &metrics;
  options_ = options;
  if (options_.multiLine)
    options_.maskChar = 0;
  lines_.clear();
  maxWidth_ = 0;
  if (!options_.multiLine) {
    AddParagraph(text, 0, text.size(), 0);
    return;
  }
  AddRange(text, 0, text.size(), true);
}

// A lone CR or LF breaks a line as CR LF does, where the platform would show it as a glyph; text from
// files of this system's own tools may carry either.
void EditLayout::AddRange(std::string_view text, std::size_t start, std::size_t end, bool toEnd) {
  for (std::size_t i = start; i < end; ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n')
      continue;
    std::size_t breakLength = (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    AddParagraph(text, start, i, breakLength);
    i += breakLength - 1;
    start = i + 1;
  }
  if (toEnd)
    AddParagraph(text, start, text.size(), 0);
}

std::size_t EditLayout::ParagraphStart(std::size_t line) const {
  while (line > 0 && lines_[line - 1].breakLength == 0)
    --line;
  return line;
}

void EditLayout::Update(std::string_view text, std::size_t pos, std::size_t removed, std::size_t inserted) {
  if (!options_.multiLine || lines_.empty()) {
    Build(text, *metrics_, options_);
    return;
  }
  // The paragraph before the change is taken too, since a CR at its end may now pair with an LF.
  std::size_t first = ParagraphStart(LineOf(pos > 0 ? pos - 1 : 0));
  std::size_t last = LineOf(pos + removed);
  while (last + 1 < lines_.size() && lines_[last].breakLength == 0)
    ++last;
  std::size_t from = lines_[first].start;
  std::size_t oldEnd = lines_[last].Next();
  std::size_t newEnd = oldEnd + inserted - removed;
  std::vector<EditLine> tail(lines_.begin() + std::ptrdiff_t(last) + 1, lines_.end());
  lines_.resize(first);
  AddRange(text, from, std::min(newEnd, text.size()), tail.empty());
  for (EditLine& line : tail) {
    line.start = line.start + inserted - removed;
    lines_.push_back(line);
  }
  maxWidth_ = 0;
  for (const EditLine& line : lines_)
    maxWidth_ = std::max(maxWidth_, line.width);
}

void EditLayout::AddParagraph(std::string_view text, std::size_t start, std::size_t end,
                              std::size_t breakLength) {
  int wrap = options_.multiLine ? options_.wrapWidth : 0;
  std::size_t lineStart = start;
  while (true) {
    int x = 0;
    std::size_t lastBreak = lineStart; // just after the spaces that end the last whole word
    std::size_t i = lineStart;
    bool wrapped = false;
    for (; i < end; ++i) {
      auto c = static_cast<unsigned char>(text[i]);
      int next = Advance(x, c);
      // Spaces hang past the right edge, so a line is only ever broken before a character that is not one.
      if (wrap > 0 && c != ' ' && next > wrap && i > lineStart) {
        wrapped = true;
        break;
      }
      x = next;
      if (c == ' ' && (i + 1 >= end || text[i + 1] != ' '))
        lastBreak = i + 1;
    }
    if (!wrapped) {
      lines_.push_back(EditLine{lineStart, end - lineStart, breakLength, x});
      maxWidth_ = std::max(maxWidth_, x);
      return;
    }
    std::size_t lineEnd = lastBreak > lineStart ? lastBreak : i;
    int width = Measure(text, lineStart, lineEnd);
    lines_.push_back(EditLine{lineStart, lineEnd - lineStart, 0, width});
    maxWidth_ = std::max(maxWidth_, width);
    lineStart = lineEnd;
  }
}

std::size_t EditLayout::LineOf(std::size_t pos) const {
  auto it = std::upper_bound(lines_.begin(), lines_.end(), pos,
                             [](std::size_t p, const EditLine& line) { return p < line.start; });
  if (it == lines_.begin())
    return 0;
  return std::size_t(it - lines_.begin()) - 1;
}

int EditLayout::Measure(std::string_view text, std::size_t from, std::size_t to) const {
  int x = 0;
  for (std::size_t i = from; i < to && i < text.size(); ++i)
    x = Advance(x, static_cast<unsigned char>(text[i]));
  return x;
}

int EditLayout::XOf(std::string_view text, std::size_t line, std::size_t pos) const {
  return Measure(text, lines_[line].start, pos);
}

std::size_t EditLayout::PosAt(std::string_view text, std::size_t line, int x) const {
  const EditLine& l = lines_[line];
  int cur = 0;
  for (std::size_t i = l.start; i < l.End(); ++i) {
    int next = Advance(cur, static_cast<unsigned char>(text[i]));
    if (x < (cur + next + 1) / 2)
      return i;
    cur = next;
  }
  return l.End();
}

} // namespace platform::detail
