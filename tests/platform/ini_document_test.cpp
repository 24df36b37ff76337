#include "platform/IniDocument.h"

#include <gtest/gtest.h>

namespace vorn::platform {
namespace {

TEST(IniDocumentTest, FindsValuesBySectionAndNameIgnoringCase) {
  const TIniDocument ini("; comment\r\n[Susie]\r\n MultiImage = 0 \r\n[Common]\nPassCode=12\n");
  EXPECT_EQ(ini.Get("susie", "multiimage"), "0");
  EXPECT_EQ(ini.Get("Common", "PassCode"), "12");
  EXPECT_EQ(ini.Get("Common", "MultiImage"), std::nullopt);
  EXPECT_EQ(ini.Get("Other", "PassCode"), std::nullopt);
}

TEST(IniDocumentTest, EmptyValueIsEmptyTextNotMissing) {
  EXPECT_EQ(TIniDocument("[Susie]\nMultiImage=\n").Get("Susie", "MultiImage"), "");
}

TEST(IniDocumentTest, SetReplacesAddsAndKeepsOtherLines) {
  TIniDocument ini("# mine\n[Susie]\nMultiImage=1\nOther=x\n\n[Common]\nPassCode=5\n");
  ini.Set("Susie", "MultiImage", "0");
  ini.Set("Common", "Extra", "y");
  ini.Set("New", "Value", "1");
  EXPECT_EQ(ini.Text(),
            "# mine\n[Susie]\nMultiImage=0\nOther=x\n\n[Common]\nPassCode=5\nExtra=y\n\n[New]\nValue=1\n");
}

TEST(IniDocumentTest, ACommentedOutValueIsNotFound) {
  EXPECT_EQ(TIniDocument("[Susie]\n;MultiImage=0\n").Get("Susie", "MultiImage"), std::nullopt);
}

// A value belongs to the section above it up to the next header: the same
// name in the next section, an empty section followed by one that has it, and
// a last section whose last line has no line break are each told apart, and
// values are added at the end of their own section.
TEST(IniDocumentTest, SectionBoundaries) {
  const TIniDocument ini("[A]\nKey=a\n[B]\nKey=b\n[Empty]\n[AlsoEmpty]\n\n[C]\nOther=c\n[Last]\nKey=last");
  EXPECT_EQ(ini.Get("A", "Key"), "a");
  EXPECT_EQ(ini.Get("B", "Key"), "b");
  EXPECT_EQ(ini.Get("Empty", "Key"), std::nullopt);
  EXPECT_EQ(ini.Get("AlsoEmpty", "Key"), std::nullopt);
  EXPECT_EQ(ini.Get("C", "Key"), std::nullopt);
  EXPECT_EQ(ini.Get("Last", "Key"), "last");
  EXPECT_EQ(TIniDocument("[Only]").Get("Only", "Key"), std::nullopt);
  EXPECT_EQ(TIniDocument("[Only]\r\nKey=1\r").Get("Only", "Key"), "1");

  TIniDocument edit("[A]\nKey=a\n[Empty]\n[B]\nKey=b");
  edit.Set("Empty", "Key", "e");
  edit.Set("A", "New", "n");
  edit.Set("B", "Key", "b2");
  edit.Set("B", "Tail", "t");
  EXPECT_EQ(edit.Text(), "[A]\nKey=a\nNew=n\n[Empty]\nKey=e\n[B]\nKey=b2\nTail=t\n");
  EXPECT_EQ(edit.Get("A", "Key"), "a");
}

}  // namespace
}  // namespace vorn::platform
