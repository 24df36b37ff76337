// The tokenizer and the tag parser of the XML reader. Both work line by line
// and absorb malformed markup by fixed rules rather than reporting it; which
// real files open depends on these rules, so they are kept exactly.
#include <string_view>

#include "support/QzXml.h"
#include "support/ShiftJis.h"

namespace vorn {

namespace {

// Removes leading and trailing bytes up to 0x20 (so tabs and control bytes too).
std::string TrimControls(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= 0x20) --e;
  return std::string(s.substr(b, e - b));
}

std::string_view Slice(std::string_view s, size_t from, size_t to) {
  if (from >= to || from >= s.size()) return {};
  return s.substr(from, to - from);
}

}  // namespace

void TQzXmlTag::Parse(const std::string& text) { Parse(std::string(text)); }

void TQzXmlTag::Parse(std::string&& text) {
  Text = std::move(text);
  Pairs.clear();
  Name.clear();
  const std::string_view s(Text);
  TSjisWalker at(s);
  if (!at.Is(0, '<')) return;  // a text token

  // Positions below are 0-based; the name runs from after "<" or "</" up to
  // the first "/", ">" or space found from the third byte on.
  const size_t nameStart = at.Is(1, '/') ? 2 : 1;
  size_t i = 2;
  while (i < s.size() && !at.Is(i, '/') && !at.Is(i, '>') && !at.Is(i, ' ')) ++i;
  Name = TrimControls(Slice(s, nameStart, i));
  if (!at.Is(i, ' ')) return;

  // Attributes: only double quotes delimit values, every byte up to "=" is
  // part of the name, and the token's last byte is never looked at.
  ++i;
  int mode = 0;
  size_t start = 0;
  for (; i + 1 < s.size(); ++i) {
    switch (mode) {
      case 0:
        if (!at.Is(i, ' ')) {
          start = i;
          mode = 1;
        }
        break;
      case 1:
        if (at.Is(i, '=')) {
          Pairs.push_back({TrimControls(Slice(s, start, i)), std::string()});
          mode = 2;
        }
        break;
      case 2:
        if (at.Is(i, '"')) {
          start = i + 1;
          mode = 3;
        }
        break;
      default:
        if (at.Is(i, '"')) {
          Pairs.back().Value = std::string(Slice(s, start, i));
          mode = 0;
        }
        break;
    }
  }
}

TQzXmlTagKind TQzXmlTag::Kind() const {
  if (Text.empty() || Text[0] != '<') return TQzXmlTagKind::Text;
  if (Text.size() >= 2 && Text[1] == '?') return TQzXmlTagKind::Declaration;
  return TQzXmlTagKind::Tag;
}

bool TQzXmlTag::Closes() const {
  // "</name>" or an empty-element tag ending in "/>".
  if (TSjisWalker(Text).Is(1, '/')) return true;
  return Text.size() >= 2 && TSjisWalker(Text).Is(Text.size() - 2, '/');
}

bool TQzXmlTag::HasPair(const std::string& name) const {
  for (const auto& p : Pairs)
    if (QzSameText(p.Name, name)) return true;
  return false;
}

std::string TQzXmlTag::PairValue(const std::string& name) const {
  for (const auto& p : Pairs)
    if (QzSameText(p.Name, name)) return p.Value;
  return std::string();
}

TQzXmlTagValue TQzXmlTag::GetPair(int index) const {
  if (index < 0 || index >= PairCount()) return {};
  return Pairs[static_cast<size_t>(index)];
}

const TQzXmlTag* TQzXmlTags::GetTag(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &Items[static_cast<size_t>(index)];
}

TQzXmlTag& TQzXmlTags::Add(const std::string& text) { return Add(std::string(text)); }

TQzXmlTag& TQzXmlTags::Add(std::string&& text) {
  Items.emplace_back();
  Items.back().Parse(std::move(text));
  return Items.back();
}

bool TQzXmlTags::FindElementStart(int& position) const {
  if (position < 0) position = 0;
  while (position < Count()) {
    if (Items[static_cast<size_t>(position)].Kind() == TQzXmlTagKind::Tag) return true;
    ++position;
  }
  return false;
}

namespace {

// Splits at CR, LF or CR LF; a final line break does not open another line.
template <typename F>
void ForEachLine(std::string_view text, F&& f) {
  size_t start = 0;
  size_t index = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    f(text.substr(start, end - start), index++);
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
}

}  // namespace

void TQzXmlTags::Tokenize(const std::string& document) {
  Clear();
  std::string_view text(document);
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);

  ForEachLine(text, [&](std::string_view line, size_t) {
    enum { Outside, InTag, InQuotes } mode = Outside;
    size_t tagStart = 0;
    size_t textStart = std::string_view::npos;
    TSjisTracker tracker;
    for (size_t p = 0; p < line.size(); ++p) {
      const char c = line[p];
      const bool single = !tracker.TrailNext();
      tracker.Feed(c);
      if (!single) continue;
      if (mode == Outside) {
        if (c == '<') {
          if (textStart != std::string_view::npos && p > textStart)
            Add(std::string(line.substr(textStart, p - textStart)));
          textStart = std::string_view::npos;
          tagStart = p;
          mode = InTag;
        }
      } else if (mode == InTag) {
        if (c == '>') {
          Add(std::string(line.substr(tagStart, p + 1 - tagStart)));
          mode = Outside;
          textStart = p + 1;
        } else if (c == '"') {
          mode = InQuotes;
        }
      } else if (c == '"') {
        mode = InTag;
      }
    }
    // The rest of the line after the last tag is a token even when empty.
    if (textStart != std::string_view::npos) Add(std::string(line.substr(textStart)));
  });
}

}  // namespace vorn
