#pragma once
// Line breaking and measuring of the EDIT class's text. Widths come from a per-font table of character
// advances, which is exact because the platform's text widths are additive; so a memo of many thousand
// lines is laid out without a single call into the font engine.
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace platform::detail {

struct EditMetrics {
  std::array<int, 256> widths{};
  int lineHeight = 16;
  int avgCharWidth = 8;
  // Tab stops every eight average characters, as the platform's default for its edits.
  int TabWidth() const { return avgCharWidth > 0 ? 8 * avgCharWidth : 8; }
};

struct EditLine {
  std::size_t start = 0;
  std::size_t length = 0;      // characters shown, the line break excluded
  std::size_t breakLength = 0; // 0 for a wrapped line and for the last one; 1 or 2 for a hard break
  int width = 0;
  std::size_t End() const { return start + length; }
  std::size_t Next() const { return start + length + breakLength; }
};

class EditLayout {
public:
  struct Options {
    bool multiLine = false;
    int wrapWidth = 0;          // 0: no wrapping
    unsigned char maskChar = 0; // a password character shown in place of every character, 0 for none
  };

  void Build(std::string_view text, const EditMetrics& metrics, const Options& options);
  // After `removed` characters at `pos` were replaced by `inserted` ones, lays out again only the
  // paragraphs the change touched and shifts the lines after them; the options must be those of the last
  // Build.
  void Update(std::string_view text, std::size_t pos, std::size_t removed, std::size_t inserted);

  std::size_t LineCount() const { return lines_.size(); }
  const EditLine& Line(std::size_t index) const { return lines_[index]; }
  // The line holding the position; a position where a wrapped line ends belongs to the line that follows.
  std::size_t LineOf(std::size_t pos) const;
  // Pixels from the line's left edge to the position, which must lie on the line.
  int XOf(std::string_view text, std::size_t line, std::size_t pos) const;
  // The position on the line nearest to x pixels from its left edge.
  std::size_t PosAt(std::string_view text, std::size_t line, int x) const;
  int MaxWidth() const { return maxWidth_; }

private:
  int Advance(int x, unsigned char c) const;
  int Measure(std::string_view text, std::size_t from, std::size_t to) const;
  void AddParagraph(std::string_view text, std::size_t start, std::size_t end, std::size_t breakLength);
  // Lays out the hard lines of [start, end) onto lines_, and with toEnd the paragraph after the last break
  // up to the end of the text, which has no break of its own.
  void AddRange(std::string_view text, std::size_t start, std::size_t end, bool toEnd);
  std::size_t ParagraphStart(std::size_t line) const;

  std::vector<EditLine> lines_;
  const EditMetrics* metrics_ = nullptr;
  Options options_;
  int maxWidth_ = 0;
};

} // namespace platform::detail
