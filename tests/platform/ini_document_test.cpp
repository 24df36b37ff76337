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

}  // namespace
}  // namespace vorn::platform
