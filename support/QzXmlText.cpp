// The text rules of the XML reader: name comparison, the integer rule of
// attribute values and the decoding of character references.
#include <string_view>

#include "support/QzXml.h"
#include "support/ShiftJis.h"

namespace vorn {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Stops at the first byte that cannot belong to a valid number, so a scan
// never runs further than the number itself (callers rely on this to stay
// linear over long texts).
bool TryIntegerRule(std::string_view s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i == s.size()) return false;

  size_t hexStart = 0;
  if (s[i] == '$' || s[i] == 'x' || s[i] == 'X') {
    hexStart = i + 1;
  } else if (s[i] == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hexStart = i + 2;
  }
  if (hexStart != 0) {
    if (hexStart == s.size()) return false;
    uint32_t v = 0;
    int significant = 0;
    for (size_t j = hexStart; j < s.size(); ++j) {
      const int d = HexDigit(s[j]);
      if (d < 0) return false;
      if (significant > 0 || d != 0) {
        if (++significant > 8) return false;
        v = (v << 4) | static_cast<uint32_t>(d);
      }
    }
    value = static_cast<int32_t>(v);  // a 32-bit pattern: $FFFFFFFF is -1
    return true;
  }

  bool negative = false;
  if (s[i] == '+' || s[i] == '-') {
    negative = s[i] == '-';
    ++i;
  }
  if (i == s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return false;
    v = v * 10 + (s[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return false;
  value = static_cast<int32_t>(v);
  return true;
}

void AppendTracked(std::string& out, TSjisTracker& tracker, char c) {
  out.push_back(c);
  tracker.Feed(c);
}

// Numeric references "&#...;" into one byte (1..255) or a double-byte code
// (256..65535, high byte first). Decoded into a new string: the string the
// rules speak of is the output so far followed by the rest of the input, and
// the tracker follows its character boundaries across the junction.
std::string DecodeNumeric(const std::string& in) {
  if (in.find("&#") == std::string::npos) return in;
  std::string out;
  out.reserve(in.size());
  TSjisTracker tracker;
  const size_t n = in.size();
  // The first ';' at a character boundary after the last reference looked at.
  // Until a replacement, every search runs along the same chain of character
  // boundaries, so a found ';' (or the lack of one) holds for later searches.
  size_t semi = std::string::npos;
  bool noSemi = false;
  size_t i = 0;
  while (i < n) {
    if (!tracker.TrailNext() && in[i] == '&' && i + 1 < n && in[i + 1] == '#' && !noSemi) {
      if (semi == std::string::npos || semi < i + 2) {
        semi = std::string::npos;
        size_t j = i + 2;
        while (j < n && in[j] != ';') j += IsSjisLead(in[j]) ? 2 : 1;
        if (j < n) semi = j; else noSemi = true;
      }
      if (semi != std::string::npos) {
        int32_t code = 0;
        if (!TryIntegerRule(std::string_view(in).substr(i + 2, semi - (i + 2)), code)) code = 0;
        if (code >= 1 && code <= 65535) {
          if (code >= 256) AppendTracked(out, tracker, static_cast<char>(code >> 8));
          AppendTracked(out, tracker, static_cast<char>(code & 0xFF));
          i = semi + 1;
          continue;
        }
      }
    }
    AppendTracked(out, tracker, in[i]);
    ++i;
  }
  return out;
}

// Replaces every pattern (which starts with '&') left to right, without
// overlaps; an '&' that is the second half of a double-byte character is not one.
std::string ReplaceNamed(const std::string& in, std::string_view pattern, char replacement) {
  if (in.find(pattern) == std::string::npos) return in;
  std::string out;
  out.reserve(in.size());
  TSjisTracker tracker;
  size_t i = 0;
  while (i < in.size()) {
    if (!tracker.TrailNext() && in.compare(i, pattern.size(), pattern) == 0) {
      out.push_back(replacement);
      i += pattern.size();  // the pattern ends on ';': the next byte starts a character
      continue;
    }
    AppendTracked(out, tracker, in[i]);
    ++i;
  }
  return out;
}

}  // namespace

bool QzSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool QzTryStrToInt(const std::string& text, int32_t& value) {
  int32_t v = 0;
  if (!TryIntegerRule(text, v)) return false;
  value = v;
  return true;
}

std::string QzDecodeEntities(const std::string& text) {
  if (text.find('&') == std::string::npos) return text;
  std::string s = DecodeNumeric(text);
  s = ReplaceNamed(s, "&gt;", '>');
  s = ReplaceNamed(s, "&lt;", '<');
  s = ReplaceNamed(s, "&quot;", '"');
  s = ReplaceNamed(s, "&amp;", '&');
  return s;
}

}  // namespace vorn
