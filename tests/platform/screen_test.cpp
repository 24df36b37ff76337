#include "platform/Screen.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vorn::platform {
namespace {

#if !defined(_WIN32)
TEST(ScreenTest, VornScreenGivesTheSizeAndAnythingElseTheDefault) {
  const struct {
    const char* Value;
    int Width, Height;
  } cases[] = {{"1024x768", 1024, 768}, {"800X600", 800, 600}, {"0x100", 1920, 1080},
               {"100x", 1920, 1080},     {"abc", 1920, 1080},   {"100x100x1", 1920, 1080},
               {"9999999x10", 1920, 1080}};
  for (const auto& c : cases) {
    setenv("VORN_SCREEN", c.Value, 1);
    const TScreenSize size = ScreenSize();
    EXPECT_EQ(size.Width, c.Width) << c.Value;
    EXPECT_EQ(size.Height, c.Height) << c.Value;
  }
  unsetenv("VORN_SCREEN");
  EXPECT_EQ(ScreenSize().Width, 1920);
}
#endif

}  // namespace
}  // namespace vorn::platform
