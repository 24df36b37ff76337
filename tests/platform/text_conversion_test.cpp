// Text conversions at their edges: the first and last code point of each
// UTF-8 length, the ends of the surrogate range and of Unicode, what is not
// UTF at all, and code page 932 text of one and two bytes.
#include <gtest/gtest.h>

#include <string>

#include "platform/TextConversion.h"
#include "platform/WideText.h"

namespace vorn::platform {
namespace {

// Runs of U+FFFD as one: how many a malformed sequence gives is not promised,
// only that it gives some and spares the text around it.
std::u16string Collapsed(const std::u16string& text) {
  std::u16string out;
  for (const char16_t c : text)
    if (c != u'\uFFFD' || out.empty() || out.back() != u'\uFFFD') out += c;
  return out;
}

TEST(TextConversion, BoundaryCodePointsAndMalformedInput) {
  struct TValid {
    std::u16string utf16;
    std::string utf8;
  } const valid[] = {
      {std::u16string(1, u'\0'), std::string(1, '\0')},
      {u"\u007F", "\x7F"},
      {u"\u0080", "\xC2\x80"},
      {u"\u07FF", "\xDF\xBF"},
      {u"\u0800", "\xE0\xA0\x80"},
      {u"\uD7FF", "\xED\x9F\xBF"},
      {u"\uE000", "\xEE\x80\x80"},
      {u"\uFFFF", "\xEF\xBF\xBF"},
      {u"\U00010000", "\xF0\x90\x80\x80"},
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
  };
  for (const TValid& v : valid) {
    EXPECT_EQ(Utf8FromUtf16(u"<" + v.utf16 + u">"), "<" + v.utf8 + ">") << v.utf8;
    EXPECT_EQ(Utf16FromUtf8("<" + v.utf8 + ">"), u"<" + v.utf16 + u">") << v.utf8;
  }

  // UTF-16 that is not: every unpaired half is one U+FFFD.
  const auto units = [](std::initializer_list<char16_t> u) { return std::u16string(u); };
  EXPECT_EQ(Utf8FromUtf16(units({0xD800})), "\uFFFD");
  EXPECT_EQ(Utf8FromUtf16(units({0xDBFF, u'a'})), "\uFFFDa");
  EXPECT_EQ(Utf8FromUtf16(units({u'a', 0xDC00})), "a\uFFFD");
  EXPECT_EQ(Utf8FromUtf16(units({0xDFFF, 0xD800})), "\uFFFD\uFFFD");
  EXPECT_EQ(Utf8FromUtf16(units({0xD800, 0xD800, 0xDC00})), "\uFFFD\U00010000");

  // UTF-8 that is not, between and after other text: overlong forms of the
  // largest value of each shorter length, surrogates, values past U+10FFFF,
  // bytes that never lead, sequences cut short.
  const std::string malformed[] = {
      "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xED\xBF\xBF",
      "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\x80", "\xBF", "\xC2", "\xE0\xA0",
      "\xF0\x90\x80", "\xF4\x8F\xBF"};
  for (const std::string& bad : malformed) {
    EXPECT_EQ(Collapsed(Utf16FromUtf8("a" + bad + "b")), u"a\uFFFDb") << ::testing::PrintToString(bad);
    EXPECT_EQ(Collapsed(Utf16FromUtf8("a" + bad)), u"a\uFFFD") << ::testing::PrintToString(bad);
  }

  // Code page 932: ASCII's last, the half-width katakana's first and last,
  // two-byte characters giving two and three UTF-8 bytes, the table's last;
  // a lead byte without its trail byte is U+FFFD and the byte after it kept.
  struct TCp932 {
    std::string cp932, utf8;
  } const cp932[] = {
      {"\x7F", "\x7F"},
      {"\xA1", "\uFF61"},
      {"\xDF", "\uFF9F"},
      {"\x81\x98", "\u00A7"},
      {"\x81\x40", "\u3000"},
      {"\xFC\x4B", "\u9ED1"},
      {"a\x82", "a\uFFFD"},
      {"\x82 b", "\uFFFD b"},
      {"\xFF", "\uFFFD"},
  };
  for (const TCp932& c : cp932) {
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8) << ::testing::PrintToString(c.cp932);
    EXPECT_EQ(Utf16FromCp932(c.cp932), Utf16FromUtf8(c.utf8)) << ::testing::PrintToString(c.cp932);
  }
}

}  // namespace
}  // namespace vorn::platform
