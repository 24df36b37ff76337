#include <gtest/gtest.h>

#include "support/QzXml.h"

namespace vorn {
namespace {

std::vector<std::string> Tokens(const std::string& doc) {
  TQzXmlTags tags;
  tags.Tokenize(doc);
  std::vector<std::string> out;
  for (const auto& t : tags.Items) out.push_back(t.Text);
  return out;
}

using V = std::vector<std::string>;

TEST(QzXmlTokenizer, LinesAndTextRuns) {
  EXPECT_EQ(Tokens("<a>x</a>"), (V{"<a>", "x", "</a>", ""}));
  // Text before the first tag of a line and lines without tags give nothing.
  EXPECT_EQ(Tokens("lead<a>\r\nplain\rmid<b> tail\n"), (V{"<a>", "", "<b>", " tail"}));
  EXPECT_EQ(Tokens("<a><b/>"), (V{"<a>", "<b/>", ""}));
  // A tag split over two lines is lost, and so is its rest on the next line.
  EXPECT_EQ(Tokens("<a b=\"1\"\nc=\"2\">text<c/>"), (V{"<c/>", ""}));
  // '>' inside a quoted value does not end the tag; '<' inside a tag is plain.
  EXPECT_EQ(Tokens("<a t=\"x>y\" u<v>"), (V{"<a t=\"x>y\" u<v>", ""}));
  // The text ends at its first NUL.
  EXPECT_EQ(Tokens(std::string("<a>\0<b>", 7)), (V{"<a>", ""}));
  // A '<' that is the second half of a double-byte character opens nothing.
  EXPECT_EQ(Tokens("<a>\x81<x</a>"), (V{"<a>", "\x81<x", "</a>", ""}));
}

TQzXmlTag Parsed(const std::string& text) {
  TQzXmlTag t;
  t.Parse(text);
  return t;
}

TEST(QzXmlTag, NamesAndPairs) {
  TQzXmlTag t = Parsed("<Layer Name=\"x &amp; y\" Width=\"3\"/>");
  EXPECT_EQ(t.Name, "Layer");
  ASSERT_EQ(t.PairCount(), 2);
  EXPECT_EQ(t.GetPair(0).Value, "x &amp; y");  // raw: decoded only when built
  EXPECT_EQ(t.PairValue("WIDTH"), "3");
  EXPECT_TRUE(t.HasPair("name"));
  EXPECT_EQ(t.GetPair(2).Name, "");
  EXPECT_EQ(Parsed("</Frame>").Name, "Frame");
  EXPECT_EQ(Parsed("<a/>").Name, "a");
  EXPECT_EQ(Parsed("< a >").Name, "a");
  EXPECT_EQ(Parsed("<>").Name, ">");
  EXPECT_EQ(Parsed("</>").Name, "");
  EXPECT_EQ(Parsed("<a\tb=\"1\">").Name, "a\tb=\"1\"");  // a tab separates nothing
  EXPECT_EQ(Parsed("text").Name, "");
  EXPECT_EQ(Parsed("text").PairCount(), 0);
}

TEST(QzXmlTag, TolerantAttributeRules) {
  // A bare word joins the next attribute's name.
  TQzXmlTag t = Parsed("<a b c=\"1\">");
  ASSERT_EQ(t.PairCount(), 1);
  EXPECT_EQ(t.GetPair(0).Name, "b c");
  // An unquoted value takes the next quoted text; the second name is lost.
  t = Parsed("<a x=1 y=\"2\">");
  ASSERT_EQ(t.PairCount(), 1);
  EXPECT_EQ(t.GetPair(0).Name, "x");
  EXPECT_EQ(t.GetPair(0).Value, "2");
  // Single quotes delimit nothing.
  t = Parsed("<a x='1' y=\"2\">");
  ASSERT_EQ(t.PairCount(), 1);
  EXPECT_EQ(t.GetPair(0).Value, "2");
  // The last byte is never examined: a closing quote there does not count.
  t = Parsed("<a b=\"1\"");
  ASSERT_EQ(t.PairCount(), 1);
  EXPECT_EQ(t.GetPair(0).Value, "");
  // Trailing words, '/' and '?' add nothing; names are trimmed.
  t = Parsed("<?xml version=\"1.0\"  encoding = \"sjis\" ?>");
  EXPECT_EQ(t.Name, "?xml");
  ASSERT_EQ(t.PairCount(), 2);
  EXPECT_EQ(t.GetPair(1).Name, "encoding");
  EXPECT_EQ(t.GetPair(1).Value, "sjis");
  EXPECT_EQ(Parsed("<a b=\"1\" c />").PairCount(), 1);
}

TEST(QzXmlTag, KindsAndClosing) {
  EXPECT_EQ(Parsed("<?xml?>").Kind(), TQzXmlTagKind::Declaration);
  EXPECT_EQ(Parsed("<!-- x -->").Kind(), TQzXmlTagKind::Tag);
  EXPECT_EQ(Parsed("</a>").Kind(), TQzXmlTagKind::Tag);
  EXPECT_EQ(Parsed("x<").Kind(), TQzXmlTagKind::Text);
  EXPECT_EQ(Parsed("").Kind(), TQzXmlTagKind::Text);
  EXPECT_TRUE(Parsed("</a>").Closes());
  EXPECT_TRUE(Parsed("<a/>").Closes());
  EXPECT_TRUE(Parsed("<Layer Name=\"x\" />").Closes());
  EXPECT_FALSE(Parsed("<a>").Closes());
  EXPECT_FALSE(Parsed("<").Closes());
  EXPECT_FALSE(Parsed("<a\x81/>").Closes());  // the '/' is the second half of a character
}

}  // namespace
}  // namespace vorn
