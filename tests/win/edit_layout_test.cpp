#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/win/EditLayout_p.h"

namespace {

using platform::detail::EditLayout;
using platform::detail::EditMetrics;

EditMetrics Metrics() {
  EditMetrics m;
  m.widths.fill(6);
  m.widths['i'] = 3;
  m.widths['M'] = 9;
  m.avgCharWidth = 6;
  m.lineHeight = 13;
  return m;
}

std::vector<std::tuple<std::size_t, std::size_t, std::size_t, int>> Lines(const EditLayout& l) {
  std::vector<std::tuple<std::size_t, std::size_t, std::size_t, int>> out;
  for (std::size_t i = 0; i < l.LineCount(); ++i)
    out.emplace_back(l.Line(i).start, l.Line(i).length, l.Line(i).breakLength, l.Line(i).width);
  return out;
}

// Edits a text at random, with line breaks of every kind and spaces that wrap, and checks after each edit
// that the updated layout is the one a fresh layout of the new text gives.
TEST(EditLayout, UpdatesMatchAFreshLayout) {
  const EditMetrics metrics = Metrics();
  const std::string alphabet = "ab iM\r\n  \r\n";
  std::mt19937 rng(7);
  for (int wrap : {0, 40}) {
    EditLayout::Options options{true, wrap, 0};
    std::string text = "first line\r\nsecond  line with words\nthird\r";
    EditLayout layout;
    layout.Build(text, metrics, options);
    for (int step = 0; step < 2000; ++step) {
      std::size_t pos = rng() % (text.size() + 1);
      std::size_t removed = std::min<std::size_t>(rng() % 4, text.size() - pos);
      std::string inserted;
      for (std::size_t n = rng() % 4; n > 0; --n)
        inserted += alphabet[rng() % alphabet.size()];
      text.replace(pos, removed, inserted);
      layout.Update(text, pos, removed, inserted.size());
      EditLayout fresh;
      fresh.Build(text, metrics, options);
      ASSERT_EQ(Lines(layout), Lines(fresh)) << "wrap " << wrap << " step " << step;
      ASSERT_EQ(layout.MaxWidth(), fresh.MaxWidth());
    }
  }
}

TEST(EditLayout, PositionsAndTabStops) {
  const EditMetrics metrics = Metrics();
  EditLayout layout;
  std::string text = "a\tb\r\nMi";
  layout.Build(text, metrics, EditLayout::Options{true, 0, 0});
  ASSERT_EQ(layout.LineCount(), 2u);
  EXPECT_EQ(layout.XOf(text, 0, 2), 48) << "a tab reaches the next stop of eight average characters";
  EXPECT_EQ(layout.XOf(text, 1, 6), 9);
  EXPECT_EQ(layout.XOf(text, 1, 7), 12);
  EXPECT_EQ(layout.LineOf(3), 0u) << "the line break belongs to its line";
  EXPECT_EQ(layout.LineOf(5), 1u);
  struct Case {
    int x;
    std::size_t pos;
  };
  for (auto [x, pos] : {Case{0, 5}, Case{4, 5}, Case{5, 6}, Case{10, 6}, Case{11, 7}, Case{100, 7}})
    EXPECT_EQ(layout.PosAt(text, 1, x), pos) << x;

  EditLayout masked;
  masked.Build("iii", metrics, EditLayout::Options{false, 0, '*'});
  EXPECT_EQ(masked.MaxWidth(), 18) << "the mask character's width counts, not the hidden text's";
}

} // namespace
