#include "platform/gdi/DrawText.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/FontObject_p.h"
#include "platform/gdi/TextRender_p.h"
#include "platform/rtl/SysUtils.h"

namespace {

using gdi::DeviceContext;

constexpr std::u16string_view ellipsis = u"...";

int Saturate(long long v) {
  return int(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// Tab lengths and margins come from the caller's parameter block unchecked, so layout positions are clamped
// as the text calls clamp theirs.
using textout::ClampPosition;

// One line as it is shown: prefix characters removed, possibly cut and given an ellipsis.
struct ShownLine {
  std::u16string text;
  int prefix = -1; // the character that is underlined
  // Where the production of each shown character starts in the source line, and one past the end.
  std::vector<size_t> source;
};

ShownLine ParseLine(std::u16string_view raw, bool prefixes) {
  ShownLine line;
  for (size_t i = 0; i < raw.size(); ++i) {
    line.source.push_back(i);
    if (prefixes && raw[i] == u'&' && i + 1 < raw.size()) {
      if (raw[i + 1] != u'&')
        line.prefix = int(line.text.size());
      ++i;
    }
    line.text.push_back(raw[i]);
  }
  line.source.push_back(raw.size());
  return line;
}

class Layout {
public:
  Layout(DeviceContext& dc, UINT flags, int tabLength)
      : dc_(dc), font_(gdi::DCFont(dc)), tm_(font_.Metrics()), flags_(flags),
        tabWidth_(std::max(1, ClampPosition((long long)tabLength * tm_.tmAveCharWidth))) {}

  const TEXTMETRICW& Metrics() const { return tm_; }

  // One character's advance as laid out here; the justification extra falls on every break character (the
  // remainder of SetTextJustification is not spread inside formatted text).
  int Advance(char16_t c) const {
    long long a = (long long)font_.Advance(c) + dc_.state.textCharExtra;
    if (c == tm_.tmBreakChar)
      a += dc_.state.breakExtra;
    return ClampPosition(a);
  }

  // Cumulative extents: ends[i] is where character i ends, tabs expanded from the line start when asked.
  // Measuring stops after the first character that ends beyond `limit`.
  int Measure(std::u16string_view s, std::vector<int>& ends, int limit = INT_MAX) const {
    ends.clear();
    int x = 0;
    for (char16_t c : s) {
      if ((flags_ & DT_EXPANDTABS) && c == u'\t')
        x = ClampPosition(((long long)x / tabWidth_ + 1) * tabWidth_);
      else
        x = ClampPosition((long long)x + Advance(c));
      ends.push_back(x);
      if (x > limit)
        break;
    }
    return x;
  }
  int Measure(std::u16string_view s) const {
    std::vector<int> ends;
    return Measure(s, ends);
  }

  // Splits a line that is too wide at a space: how many characters stay on the line and how many are
  // used up (a space after the break is swallowed).
  void Break(std::u16string_view d, const std::vector<int>& ends, int width, size_t& keep,
             size_t& used) const {
    const size_t len = d.size();
    size_t fit = 0;
    while (fit < ends.size() && ends[fit] <= width)
      ++fit;
    if (fit >= len) {
      keep = used = len;
      return;
    }
    bool spaceFound;
    size_t p = fit;
    if (fit == 0) {
      spaceFound = false;
    } else if (d[fit] == u' ') {
      p = fit - 1; // the word before the space just fits
      spaceFound = true;
    } else {
      while (p > 0 && d[--p] != u' ') {
      }
      spaceFound = d[p] == u' ';
    }
    if (spaceFound) {
      // Left-aligned text keeps the space that fits; centred and right-aligned text breaks before it.
      if (!(flags_ & (DT_CENTER | DT_RIGHT)) || d[p] != u' ')
        ++p;
      keep = p;
      used = p + (p < len && d[p] == u' ' ? 1 : 0);
    } else if ((flags_ & DT_EDITCONTROL) && !(flags_ & (DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))) {
      keep = used = std::max<size_t>(1, fit);
    } else {
      // A word wider than the rectangle is not split; it overflows and is clipped.
      size_t end = d.find(u' ', fit);
      keep = end == std::u16string_view::npos ? len : end;
      used = keep + (keep < len ? 1 : 0);
    }
  }

  void EndEllipsis(ShownLine& line, int width) const {
    std::vector<int> ends;
    Measure(line.text, ends);
    const int dots = Measure(ellipsis);
    size_t keep = line.text.size();
    while (keep > 0 && (long long)ends[keep - 1] + dots > width)
      --keep;
    line.text.resize(keep);
    line.text += ellipsis;
    if (line.prefix >= int(keep))
      line.prefix = -1;
  }

  // Keeps the part from the last path separator on and removes characters before it until the line fits.
  // Returns false when the line has no separator.
  bool PathEllipsis(ShownLine& line, int width) const {
    size_t slash = line.text.find_last_of(u"\\/");
    if (slash == std::u16string::npos)
      return false;
    std::u16string tail = line.text.substr(slash);
    // The width grows with the length of the kept head, so the longest head that fits is found by halving.
    size_t low = 0, high = slash;
    while (low < high) {
      size_t mid = (low + high + 1) / 2;
      if (Measure(line.text.substr(0, mid) + std::u16string(ellipsis) + tail) <= width)
        low = mid;
      else
        high = mid - 1;
    }
    const size_t keep = low;
    if (line.prefix >= int(slash))
      line.prefix = line.prefix - int(slash) + int(keep + ellipsis.size());
    else if (line.prefix >= int(keep))
      line.prefix = -1;
    line.text = line.text.substr(0, keep) + std::u16string(ellipsis) + tail;
    return true;
  }

  void Draw(const ShownLine& line, const std::vector<int>& ends, int x, int y, const RECT* clip) const {
    const std::u16string_view s = line.text;
    if (!(flags_ & DT_PREFIXONLY)) {
      std::vector<int> advances;
      size_t start = 0;
      while (start <= s.size()) {
        size_t end = (flags_ & DT_EXPANDTABS) ? s.find(u'\t', start) : std::u16string_view::npos;
        if (end == std::u16string_view::npos)
          end = s.size();
        std::u16string_view run = s.substr(start, end - start);
        advances.resize(run.size());
        std::transform(run.begin(), run.end(), advances.begin(), [this](char16_t c) { return Advance(c); });
        int runX = ClampPosition((long long)x + (start ? ends[start - 1] : 0));
        if (!run.empty())
          textout::DrawRun(dc_, font_, runX, y, run, advances.data(), clip, dc_.state.bkMode == OPAQUE);
        start = end + 1;
      }
    }
    if (line.prefix >= 0 && line.prefix < int(s.size()) && !(flags_ & DT_HIDEPREFIX)) {
      // One pixel below the baseline, from the character's left edge up to its right edge - 1.
      int left = ClampPosition((long long)x + (line.prefix ? ends[size_t(line.prefix) - 1] : 0));
      int right = ClampPosition((long long)x + ends[size_t(line.prefix)] - 1);
      int top = y + tm_.tmAscent + 1;
      textout::Fill(dc_, RECT{left, top, right, top + 1}, dc_.state.textColor, clip);
    }
  }

private:
  DeviceContext& dc_;
  fonts::RealizedFont& font_;
  const TEXTMETRICW& tm_;
  UINT flags_;
  int tabWidth_;
};

bool IsLineBreak(char16_t c) {
  return c == u'\r' || c == u'\n';
}

} // namespace

int DrawTextExW(HDC hdc, const WCHAR* text, int count, RECT* rect, UINT flags, DRAWTEXTPARAMS* params) {
  DeviceContext* dc = gdi::LookupDC(hdc);
  if (!dc || !rect || (count != 0 && !text))
    return 0;
  const bool terminated = count < 0;
  const size_t n = terminated ? std::char_traits<char16_t>::length(text) : size_t(count);
  if (n == 0 && !terminated)
    return 0;

  int tabLength = 8;
  if (flags & DT_TABSTOP) {
    if (params) {
      tabLength = params->iTabLength;
    } else {
      tabLength = int((flags >> 8) & 0xFF);
      flags &= ~0xFF00u;
    }
  }
  if (flags & DT_SINGLELINE)
    flags &= ~DT_WORDBREAK;
  if (flags & DT_CALCRECT)
    flags |= DT_NOCLIP;
  if (params)
    params->uiLengthDrawn = 0;

  Layout layout(*dc, flags, tabLength);
  const TEXTMETRICW& tm = layout.Metrics();
  const int lineHeight = tm.tmHeight + ((flags & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const bool single = flags & DT_SINGLELINE;
  const bool calc = flags & DT_CALCRECT;

  if (n == 0) {
    if (calc) {
      rect->right = rect->left;
      rect->bottom = rect->top + (single ? lineHeight : 0);
    }
    return lineHeight;
  }

  const std::u16string_view all(text, n);
  const int leftMargin = params ? params->iLeftMargin : 0;
  const int rightMargin = params ? params->iRightMargin : 0;
  const int left = ClampPosition((long long)rect->left + leftMargin);
  const int right = ClampPosition((long long)rect->right - rightMargin);
  const int width = ClampPosition((long long)right - left);
  const RECT clipRect = *rect;
  const RECT* clip = (flags & DT_NOCLIP) ? nullptr : &clipRect;

  int y = rect->top;
  int widest = 0;
  size_t pos = 0;
  std::vector<int> ends;
  bool last = false;
  while (pos < n && !last) {
    size_t lineEnd = n;
    if (!single)
      for (lineEnd = pos; lineEnd < n && !IsLineBreak(all[lineEnd]); ++lineEnd) {
      }
    // One source line may make several shown lines when it is broken at spaces.
    const size_t lineStart = pos;
    const ShownLine source = ParseLine(all.substr(lineStart, lineEnd - lineStart), !(flags & DT_NOPREFIX));
    size_t offset = 0;
    do {
      const std::u16string_view rest = std::u16string_view(source.text).substr(offset);
      size_t keep = rest.size(), used = rest.size();
      if (flags & DT_WORDBREAK) {
        layout.Measure(rest, ends, width);
        if (ends.size() < rest.size() || (!ends.empty() && ends.back() > width))
          layout.Break(rest, ends, width, keep, used);
      }
      ShownLine line;
      line.text = std::u16string(rest.substr(0, keep));
      if (source.prefix >= int(offset) && source.prefix < int(offset + keep))
        line.prefix = source.prefix - int(offset);
      int lineWidth = layout.Measure(line.text, ends);
      offset += used;
      size_t next = lineStart + source.source[offset];
      if (offset == source.text.size()) {
        next = lineEnd;
        // CR, LF, CR LF and LF CR each end one line.
        if (next < n) {
          ++next;
          if (next < n && IsLineBreak(all[next]) && all[next] != all[lineEnd])
            ++next;
        }
      }
      const bool more = next < n;
      last = single || (!(flags & DT_NOCLIP) && ((flags & DT_EDITCONTROL) ? y + 2 * lineHeight > rect->bottom
                                                                          : y + lineHeight >= rect->bottom));

      if (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
        bool pathApplied = false;
        if ((flags & DT_PATH_ELLIPSIS) && lineWidth > width)
          pathApplied = layout.PathEllipsis(line, width);
        const bool over = layout.Measure(line.text) > width;
        bool trim = false;
        if (flags & DT_END_ELLIPSIS)
          trim = over || (last && more);
        else if (flags & DT_WORD_ELLIPSIS)
          trim = over && !pathApplied;
        if (trim)
          layout.EndEllipsis(line, width);
        lineWidth = layout.Measure(line.text, ends);
      }

      int x = left;
      if (flags & DT_CENTER)
        x = ClampPosition(((long long)left + right - lineWidth) / 2);
      else if (flags & DT_RIGHT)
        x = ClampPosition((long long)right - lineWidth);
      int lineY = y;
      if (single && !calc) {
        if (flags & DT_VCENTER)
          lineY = rect->top + (rect->bottom - rect->top) / 2 - tm.tmHeight / 2;
        else if (flags & DT_BOTTOM)
          lineY = rect->bottom - tm.tmHeight;
      }
      if (!calc)
        layout.Draw(line, ends, x, lineY, clip);
      widest = std::max(widest, lineWidth);
      y = lineY + lineHeight;
      pos = next;
    } while (offset < source.text.size() && !last);
  }

  if (params)
    params->uiLengthDrawn = UINT(pos);
  const int height = y - rect->top;
  if (calc) {
    rect->right = Saturate((long long)rect->left + leftMargin + widest + rightMargin);
    rect->bottom = y;
  }
  return height != 0 ? height : 1;
}

int DrawTextW(HDC dc, const WCHAR* text, int count, RECT* rect, UINT format) {
  return DrawTextExW(dc, text, count, rect, format, nullptr);
}

int DrawTextExA(HDC dc, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
  if (count != 0 && !text)
    return 0;
  const size_t n = count < 0 ? std::strlen(text) : size_t(count);
  WideString wide = n ? AnsiToWide(std::string_view(text, n)) : WideString();
  return DrawTextExW(dc, wide.c_str(), count < 0 ? -1 : int(wide.size()), rect, format, params);
}

int DrawTextA(HDC dc, const char* text, int count, RECT* rect, UINT format) {
  return DrawTextExA(dc, text, count, rect, format, nullptr);
}
