#include "config/VornSettings.h"

#include <gtest/gtest.h>

#include <climits>

#include "support/DecimalText.h"
#include "tests/config/SettingsSandbox.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {
namespace {

using SettingsTest = testing::TSettingsSandbox;

// Reading opens the registry key as the plug-in always has, creating it;
// the settings file that stands in for it elsewhere is made by the first
// write only (reading settings, as vrnconv --show-settings does, leaves no
// empty file behind).
TEST_F(SettingsTest, MissingValuesReadAsDefaults) {
  EXPECT_TRUE(ReadMultiImage());
  EXPECT_EQ(ReadPassCode(), 0);
#ifdef _WIN32
  EXPECT_TRUE(StoreExists());
#else
  EXPECT_FALSE(StoreExists());
#endif
}

TEST_F(SettingsTest, MultiImageIsTrueForAnyNonZeroNumberAndForTextThatIsNoNumber) {
  const struct {
    const char* Text;
    bool Expected;
  } cases[] = {{"0", false}, {"1", true},   {"2", true},  {"-1", true}, {"+0", false},
               {"abc", true}, {"", true},   {"0x0", true}, {"00", false}};
  for (const auto& c : cases) {
    StoreText("Susie", "MultiImage", c.Text);
    EXPECT_EQ(ReadMultiImage(), c.Expected) << "'" << c.Text << "'";
  }
}

TEST_F(SettingsTest, PassCodeIsADecimalInt32OrZero) {
  const struct {
    const char* Text;
    int32_t Expected;
  } cases[] = {{"12345", 12345},      {"-7", -7}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
               {"2147483648", 0},     {"12x", 0}, {"$10", 0},                {"", 0}};
  for (const auto& c : cases) {
    StoreText("Common", "PassCode", c.Text);
    EXPECT_EQ(ReadPassCode(), c.Expected) << "'" << c.Text << "'";
  }
}

TEST_F(SettingsTest, WriteStoresOneOrZeroAsText) {
  WriteMultiImage(false);
  const platform::TSettingValue stored = platform::ReadSetting("Susie", "MultiImage");
  EXPECT_EQ(stored.Type, platform::TSettingType::Text);
  EXPECT_EQ(stored.Text, "0");
  EXPECT_FALSE(ReadMultiImage());
  WriteMultiImage(true);
  EXPECT_EQ(platform::ReadSetting("Susie", "MultiImage").Text, "1");
  EXPECT_TRUE(ReadMultiImage());
}

TEST(SettingIntegerTest, ANonTextValueIsARegistryErrorNamingTheValue) {
  try {
    SettingInteger({platform::TSettingType::Other, {}}, "MultiImage", 1);
    FAIL() << "no error";
  } catch (const ERegistryError& e) {
    EXPECT_EQ(std::string(e.what()), FormatMessage(kMsgInvalidDataType, std::string("MultiImage")));
  }
}

TEST(DecimalTextTest, AcceptsOnlyASignAndDigitsInRange) {
  int32_t v = 42;
  EXPECT_FALSE(TryParseDecimal(" 1", v));
  EXPECT_FALSE(TryParseDecimal("1 ", v));
  EXPECT_FALSE(TryParseDecimal("-", v));
  EXPECT_FALSE(TryParseDecimal("99999999999999999999", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(TryParseDecimal("+0012", v));
  EXPECT_EQ(v, 12);
}

#if defined(_WIN32)
TEST_F(SettingsTest, ANumberTypedRegistryValueCannotBeRead) {
  const DWORD one = 1;
  Store("Susie", "MultiImage", REG_DWORD, &one, sizeof one);
  EXPECT_THROW(ReadMultiImage(), ERegistryError);
  Store("Common", "PassCode", REG_BINARY, "12", 2);
  EXPECT_THROW(ReadPassCode(), ERegistryError);
}

TEST_F(SettingsTest, ExpandableTextAndTextWithoutTerminatorAreText) {
  Store("Susie", "MultiImage", REG_EXPAND_SZ, "0", 2);
  EXPECT_FALSE(ReadMultiImage());
  Store("Common", "PassCode", REG_SZ, "77", 2);  // no terminating zero stored
  EXPECT_EQ(ReadPassCode(), 77);
}
#else
TEST_F(SettingsTest, AnUnwritableStoreRaisesTheSetFailedError) {
  const std::string blocker = dir_ + "/file";
  std::FILE* f = std::fopen(blocker.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  setenv("VORN_SETTINGS_FILE", (blocker + "/settings.ini").c_str(), 1);
  EXPECT_TRUE(ReadMultiImage());  // reading an unusable store gives the defaults
  EXPECT_THROW(WriteMultiImage(false), ERegistryError);
  std::remove(blocker.c_str());
}

TEST_F(SettingsTest, WritingKeepsTheRestOfTheFile) {
  StoreText("Common", "PassCode", "99");
  WriteMultiImage(false);
  WriteMultiImage(true);
  EXPECT_EQ(ReadPassCode(), 99);
  EXPECT_TRUE(ReadMultiImage());
}
#endif

}  // namespace
}  // namespace vorn
