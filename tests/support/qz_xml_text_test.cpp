#include <gtest/gtest.h>

#include "support/QzXml.h"

namespace vorn {
namespace {

TEST(QzXmlText, IntegerRule) {
  struct Case {
    const char* text;
    bool valid;
    int32_t value;
  };
  const Case cases[] = {
      {"100", true, 100},        {"   100", true, 100},     {"100 ", false, 0},
      {"\t100", false, 0},       {"+5", true, 5},          {"-5", true, -5},
      {"007", true, 7},          {"", false, 0},           {"  ", false, 0},
      {"+", false, 0},           {"-", false, 0},          {"1.0", false, 0},
      {"1e3", false, 0},         {"- 5", false, 0},        {"2147483647", true, 2147483647},
      {"2147483648", false, 0},  {"-2147483648", true, INT32_MIN},
      {"-2147483649", false, 0}, {"99999999999999999999", false, 0},
      {"$FF", true, 255},        {"0xff", true, 255},      {"x1f", true, 31},
      {"X1F", true, 31},         {"0X10", true, 16},       {" $10", true, 16},
      {"$FFFFFFFF", true, -1},   {"$80000000", true, INT32_MIN},
      {"$100000000", false, 0},  {"$000000001", true, 1},  {"$", false, 0},
      {"0x", false, 0},          {"-$10", false, 0},       {"+0x10", false, 0},
      {"$1G", false, 0},         {"$10 ", false, 0},
  };
  for (const Case& c : cases) {
    int32_t v = 12345;
    EXPECT_EQ(QzTryStrToInt(c.text, v), c.valid) << c.text;
    EXPECT_EQ(v, c.valid ? c.value : 12345) << c.text;
  }
}

TEST(QzXmlText, NamesFoldOnlyAsciiLetters) {
  EXPECT_TRUE(QzSameText("Width", "wIDTH"));
  EXPECT_FALSE(QzSameText("Width", "Widt"));
  EXPECT_TRUE(QzSameText("\x95\x9D", "\x95\x9D"));
  EXPECT_FALSE(QzSameText("\x82\x60", "\x82\x81"));  // full-width A and a stay apart
  EXPECT_FALSE(QzSameText("[", "{"));
}

TEST(QzXmlText, NumericReferencesFirst) {
  EXPECT_EQ(QzDecodeEntities("&#65;&#x41;&#$41;&# 66;"), "AAAB");
  EXPECT_EQ(QzDecodeEntities("&#33440;"), "\x82\xA0");
  EXPECT_EQ(QzDecodeEntities("&#0;&#65536;&#-1;&#1.5;&#;"), "&#0;&#65536;&#-1;&#1.5;&#;");
  EXPECT_EQ(QzDecodeEntities("&#65"), "&#65");
  // The first ';' may be far away; the text between must be a number.
  EXPECT_EQ(QzDecodeEntities("&#65 x;"), "&#65 x;");
  EXPECT_EQ(QzDecodeEntities("&#&#66;"), "&#B");
  // Inserted bytes are not scanned again.
  EXPECT_EQ(QzDecodeEntities("&#38;#65;"), "&#65;");
}

TEST(QzXmlText, NamedReferencesInOrder) {
  EXPECT_EQ(QzDecodeEntities("a &amp;amp; b"), "a &amp; b");
  EXPECT_EQ(QzDecodeEntities("&#38;lt;"), "<");
  EXPECT_EQ(QzDecodeEntities("&amp;lt;"), "&lt;");
  EXPECT_EQ(QzDecodeEntities("&lt;b&gt; &quot;q&quot; &apos; &GT;"), "<b> \"q\" &apos; &GT;");
  EXPECT_EQ(QzDecodeEntities("&amp;&amp;"), "&&");
}

TEST(QzXmlText, SecondHalfOfADoubleByteCharacterIsNoDelimiter) {
  // 0x81 is a lead byte: the '&' after it belongs to the character.
  EXPECT_EQ(QzDecodeEntities("\x81&gt;&gt;"), "\x81&gt;>");
  EXPECT_EQ(QzDecodeEntities("\x81&#65;"), "\x81&#65;");
  // A decoded lead byte makes the next byte its second half.
  EXPECT_EQ(QzDecodeEntities("&#129;&#65;"), "\x81&#65;");
  EXPECT_EQ(QzDecodeEntities("&#129;&amp;"), "\x81&amp;");
  // A ';' behind a lead byte does not end a reference.
  EXPECT_EQ(QzDecodeEntities("&#65\x81;;"), "&#65\x81;;");
  // A lead byte that is itself the second half leaves the next byte alone.
  EXPECT_EQ(QzDecodeEntities("\x81\x81&lt;"), "\x81\x81<");
}

}  // namespace
}  // namespace vorn
