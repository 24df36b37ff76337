#include <gtest/gtest.h>

#include <chrono>

#include "support/Stream.h"
#include "support/Messages.h"
#include "support/QzXml.h"
#include "support/VornError.h"

namespace vorn {
namespace {

TMemoryStream StreamOf(const std::string& s) { return TMemoryStream(std::vector<uint8_t>(s.begin(), s.end())); }

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

TEST(QzXmlElement, ReadsTheFirstElement) {
  TQzXmlElement root;
  TMemoryStream m = StreamOf(std::string(kDecl) + "<Doc Version=\"200\"><Frame Name=\"a\"/></Doc>\r\n<Next/>");
  root.LoadFromStream(m);
  EXPECT_EQ(root.Name, "Doc");
  EXPECT_EQ(root.AttributeCount(), 1);
  EXPECT_EQ(root.AttrAsInteger("version", 0), 200);
  ASSERT_EQ(root.ChildCount(), 1);
  TQzXmlElement* frame = root.GetChild(0);
  EXPECT_EQ(frame->Name, "Frame");
  EXPECT_EQ(frame->AttrAsString("Name", "?"), "a");
  EXPECT_EQ(frame->ChildCount(), 0);
  EXPECT_EQ(frame->Parent, &root);
  EXPECT_EQ(root.Text, "");
  EXPECT_EQ(root.GetChild(-1), nullptr);
  EXPECT_EQ(root.GetChild(1), nullptr);
  EXPECT_EQ(root.GetAttribute(1), nullptr);

  // Loading again replaces everything; the stream is read from its position.
  TMemoryStream second = StreamOf("junk<Other/>");
  second.Seek(4);
  root.LoadFromStream(second);
  EXPECT_EQ(root.Name, "Other");
  EXPECT_EQ(root.ChildCount(), 0);
  EXPECT_EQ(root.AttributeCount(), 0);
}

TEST(QzXmlElement, TextAndEntities) {
  TQzXmlElement e;
  e.LoadFromString("<RGB>00FF00</RGB>");
  EXPECT_EQ(e.Text, "00FF00");
  e.LoadFromString("<RGB>\n00FF00\n</RGB>");
  EXPECT_EQ(e.Text, "");
  e.LoadFromString("<a n=\"&lt;&#65;&gt;\"> <b/> x &amp;amp; </a>");
  EXPECT_EQ(e.AttrAsString("n", ""), "<A>");
  EXPECT_EQ(e.Text, "  x &amp; ");  // never trimmed
  e.LoadFromString("<a><?pi x?></a>");
  EXPECT_EQ(e.Text, "<?pi x?>");
  e.LoadFromString("no markup at all");
  EXPECT_EQ(e.Name, "");
  EXPECT_EQ(e.ChildCount(), 0);
}

TEST(QzXmlElement, AttributeReads) {
  TQzXmlElement e;
  e.LoadFromString(
      "<L Width=\"100 \" Height=\" 100\" BGColor=\"$FF\" C2=\"0xff\" Count=\"2147483648\" "
      "A=\"1\" B=\"true\" C=\"01\" D=\" 1\" E=\"\" Width=\"7\" \x95\x9D=\"9\"/>");
  EXPECT_EQ(e.AttrAsInteger("Width", 8), 8);  // the first of two wins, and it fails the rule
  EXPECT_EQ(e.AttrAsInteger("height", 8), 100);
  EXPECT_EQ(e.AttrAsInteger("BGCOLOR", 0), 255);
  EXPECT_EQ(e.AttrAsInteger("C2", 0), 255);
  EXPECT_EQ(e.AttrAsInteger("Count", 4), 4);
  EXPECT_EQ(e.AttrAsInteger("Missing", -3), -3);
  EXPECT_EQ(e.AttrAsInteger("\x95\x9D", 0), 9);
  EXPECT_TRUE(e.AttrAsBoolean("a", false));
  for (const char* name : {"B", "C", "D", "E"}) EXPECT_FALSE(e.AttrAsBoolean(name, true)) << name;
  EXPECT_TRUE(e.AttrAsBoolean("Missing", true));
  EXPECT_EQ(e.AttrAsString("missing", "def"), "def");
}

TEST(QzXmlElement, ChildLookups) {
  TQzXmlElement e;
  e.LoadFromString("<Doc><Frame n=\"1\"/><frame n=\"2\"/><Layers>t</Layers></Doc>");
  EXPECT_EQ(e.IndexOfChild("FRAME"), 0);
  EXPECT_EQ(e.FindChild("frame")->AttrAsInteger("n", 0), 1);
  EXPECT_EQ(e.IndexOfChild("Nope"), -1);
  EXPECT_EQ(e.FindChild("Nope"), nullptr);
  EXPECT_EQ(e.ChildText("layers", "d"), "t");
  EXPECT_EQ(e.ChildText("Nope", "d"), "d");
  EXPECT_TRUE(e.NameIs("doc"));
  e.Strict = true;
  try {
    e.FindChild("Nope");
    FAIL();
  } catch (const EVornError& err) {
    EXPECT_EQ(std::string(err.what()), FormatMessage(kMsgElementMissing, "Nope"));
  }
  EXPECT_THROW(e.ChildText("Nope", "d"), EVornError);
}

TEST(QzXmlElement, MalformedNesting) {
  TQzXmlElement e;
  // A stray end tag becomes an empty child, and reading goes on inside.
  e.LoadFromString("<a><b></c><d/></b></a>");
  ASSERT_EQ(e.ChildCount(), 1);
  TQzXmlElement* b = e.GetChild(0);
  ASSERT_EQ(b->ChildCount(), 2);
  EXPECT_EQ(b->GetChild(0)->Name, "c");
  EXPECT_EQ(b->GetChild(1)->Name, "d");
  // An empty-element tag with the open element's name closes it.
  e.LoadFromString("<a><A/><b/></a>");
  EXPECT_EQ(e.ChildCount(), 0);
  // A comment opens an element that never closes and swallows the rest.
  e.LoadFromString("<Doc><!-- note --><Frame/></Doc>");
  ASSERT_EQ(e.ChildCount(), 1);
  EXPECT_EQ(e.GetChild(0)->Name, "!--");
  EXPECT_EQ(e.GetChild(0)->ChildCount(), 2);
  // Unclosed elements end with the tokens.
  e.LoadFromString("<a><b><c>");
  EXPECT_EQ(e.GetChild(0)->GetChild(0)->Name, "c");
  // A start token that is an end tag is an empty element.
  e.LoadFromString("</x><y/>");
  EXPECT_EQ(e.Name, "x");
  EXPECT_EQ(e.ChildCount(), 0);
}

TEST(QzXmlElement, DeepNestingNeedsNoCallStack) {
  const int depth = 100000;
  std::string doc;
  for (int i = 0; i < depth; ++i) doc += "<e>";
  TQzXml xml;
  xml.LoadFromString(std::string(kDecl) + doc);
  int levels = 0;
  for (const TQzXmlElement* e = &xml; e->ChildCount() > 0; e = e->GetChild(0)) ++levels;
  EXPECT_EQ(levels, depth - 1);
  EXPECT_EQ(xml.GetChild(0)->GetChild(0)->Owner, &xml);
  xml.Clear();
  EXPECT_EQ(xml.ChildCount(), 0);
  auto heap = std::make_unique<TQzXmlElement>();
  heap->LoadFromString(doc);  // and torn down by the destructor
}

TEST(QzXmlElement, LargeDocumentsStayLinear) {
  // 16 MiB: references that all find one far ';', dense named references,
  // and many short lines.
  std::string doc = "<r><a>";
  doc.reserve(17u << 20);
  while (doc.size() < (6u << 20)) doc += "&#1&#&#x";
  doc += ";</a>\n<b>";
  while (doc.size() < (12u << 20)) doc += "&amp;&lt;&#65;";
  doc += "</b>\n";
  int lines = 0;
  for (; doc.size() < (16u << 20); ++lines) doc += "<c v=\"&#66;\">" + std::string(60, 't') + "</c>\n";
  doc += "</r>";
  const auto start = std::chrono::steady_clock::now();
  TQzXmlElement e;
  e.LoadFromString(doc);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(e.ChildCount(), 2 + lines);
  EXPECT_EQ(e.GetChild(0)->Text.substr(0, 8), "&#1&#&#x");
  EXPECT_EQ(e.GetChild(1)->Text.substr(0, 6), "&<A&<A");
  EXPECT_EQ(e.GetChild(lines + 1)->AttrAsString("v", ""), "B");
  EXPECT_LT(seconds, 60.0);
}

TEST(QzXmlDocument, DeclarationChecks) {
  const std::string body = "<Doc/>";
  auto load = [&](const std::string& first) {
    TQzXml xml;
    TMemoryStream m = StreamOf(first + body);
    xml.LoadFromStream(m);
    return xml.Name;
  };
  auto message = [&](const std::string& first) {
    try {
      load(first);
    } catch (const EVornError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(load(kDecl), "Doc");
  EXPECT_EQ(load("<?xml version=\"1.0\" Encoding=\"SHIFT-JIS\"?>\n"), "Doc");
  EXPECT_EQ(message("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"), kMsgUnsupportedCharset);
  EXPECT_EQ(message("<?xml version=\"1.1\" encoding=\"Shift_JIS\"?>\n"), kMsgUnsupportedXml);
  EXPECT_EQ(message("<?xml version=\"1.0\"?>\n"), kMsgUnsupportedFile);
  EXPECT_EQ(message(""), kMsgUnsupportedFile);
  EXPECT_EQ(message("\n"), kMsgUnsupportedFile);
  {
    TQzXml empty;
    TMemoryStream m;
    EXPECT_THROW(empty.LoadFromStream(m), EVornError);
  }
  // A plain element skips the declaration like any other non-tag token.
  TQzXmlElement plain;
  plain.LoadFromString(std::string("<?xml version=\"9\"?>\n") + body);
  EXPECT_EQ(plain.Name, "Doc");
  EXPECT_EQ(plain.Owner, nullptr);
}

}  // namespace
}  // namespace vorn
