// The Unicode entry points in-process: GetPluginInfo's texts in UTF-16 units,
// the format test on UTF-16 names, and picture calls on a file opened by its
// UTF-16 name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/fixtures/VrnWriter.h"
#include "platform/WideText.h"
#include "tests/plugin/DeliveryHelpers.h"
#include "plugin/IsSupported.h"
#include "plugin/PluginIdentity.h"

namespace vorn {
namespace {

using testing::Deliver;
using testing::FileRequest;
using testing::TPluginSettings;
using testing::TTempFile;

TEST(WidePluginInfo, CutsAndTerminatesInUtf16Units) {
  char16_t buf[32];
  for (int32_t buflen = 1; buflen <= 18; ++buflen) {
    std::fill(std::begin(buf), std::end(buf), u'#');
    const int32_t expected = std::min(buflen - 1, 15);
    ASSERT_EQ(GetPluginInfoCallW(kImportPlugin, 3, buf, buflen), expected) << buflen;
    EXPECT_EQ(std::u16string(buf), std::u16string(u"Vornpix (*.VRN)").substr(0, static_cast<size_t>(expected)));
    EXPECT_EQ(buf[buflen], u'#') << "nothing past buflen " << buflen;
  }
  std::fill(std::begin(buf), std::end(buf), u'#');
  EXPECT_EQ(GetPluginInfoCallW(kImportPlugin, 0, buf, 0), 0);
  EXPECT_EQ(GetPluginInfoCallW(kImportPlugin, 4, buf, 32), 0);
  EXPECT_EQ(GetPluginInfoCallW(kImportPlugin, -1, buf, 32), 0);
  EXPECT_EQ(buf[0], u'#');
  EXPECT_EQ(GetPluginInfoCallW(kImportPlugin, 0, buf, 32), 4);
  EXPECT_EQ(std::u16string(buf), u"00IN");
}

TEST(IsSupportedW, ExtensionOfAUtf16Name) {
  EXPECT_EQ(FileExtension(u"\u03B1\u03B2.\u30C6.vrn"), u".vrn");
  EXPECT_EQ(FileExtension(u"C:\\d.x\\\u30C6"), u"");
  EXPECT_EQ(FileExtension(u"C:.VRN"), u".VRN");
  // Only ASCII letters fold: a full-width "ｖｒｎ" is another extension.
  const char head[] = "VornX200";
  const auto dw = reinterpret_cast<uintptr_t>(head);
  EXPECT_EQ(IsSupportedCallW(u"\U0001F600.vRn", 0xFFF0), -1);
  EXPECT_EQ(IsSupportedCallW(u"a.\uFF56\uFF52\uFF4E", dw), 0);
  EXPECT_EQ(IsSupportedCallW(u"\u30C6\u30B9\u30C8", dw), -1);
  EXPECT_EQ(IsSupportedCallW(nullptr, dw), -1);
  EXPECT_EQ(IsSupportedCallW(nullptr, 0xFFF0), 0);
}

// In the 64-bit interface a buffer may lie where the low 32 bits of its
// address are below 65536: it is still a buffer.
TEST(IsSupportedW, TheWholeDwTellsABufferFromAHandle) {
  const uint64_t high = 0x100001000ull;
  EXPECT_EQ(IsBufferPointer(static_cast<uintptr_t>(high)), sizeof(uintptr_t) == 8);
  EXPECT_FALSE(IsBufferPointer(0xFFFF));
}

TEST(WideText, Utf8AndUtf16RoundTrip) {
  const std::u16string text = u"a\u03B1\u30C6\uD55C\U0001F600";
  EXPECT_EQ(platform::Utf8FromUtf16(text), "a\u03B1\u30C6\uD55C\U0001F600");
  EXPECT_EQ(platform::Utf16FromUtf8(platform::Utf8FromUtf16(text)), text);
  // Broken input never throws and never yields a surrogate half.
  EXPECT_EQ(platform::Utf8FromUtf16(std::u16string(1, char16_t{0xD800}) + u"x"), "\uFFFDx");
  EXPECT_EQ(platform::Utf16FromUtf8("\xC0\xAF" "a\xE3\x83"), u"\uFFFD\uFFFDa\uFFFD");
  EXPECT_EQ(platform::Utf16FromCp932("*.VRN"), u"*.VRN");
}

class WideDelivery : public ::testing::Test {
 protected:
  TPluginSettings settings_;
};

// The same bytes under a name code page 932 cannot hold (Hangul, an emoji)
// and under an ASCII name deliver the same blocks.
TEST_F(WideDelivery, AFileOpenedByItsUtf16NameDeliversTheSameBlocks) {
  settings_.Set(true, 0);
  const auto bytes = fixtures::WriteVrn(fixtures::MakeSimpleFile(6, 5, 24, 2, fixtures::FxGeneration::Xml, 0));
  const TTempFile ascii("vorn-wide-ascii.vrn", bytes);
  const std::filesystem::path widePath =
      std::filesystem::temp_directory_path() / std::filesystem::path(u"vorn-\u03B1\u30C6\uD55C\U0001F600.vrn");
  std::ofstream(widePath, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const std::u16string wideName = widePath.u16string();
  TPictureRequest wide;
  wide.wideName = wideName.c_str();

  SusiePictureInfo fromWide{}, fromAscii{};
  EXPECT_EQ(GetPictureInfoCall(wide, &fromWide), 0);
  EXPECT_EQ(GetPictureInfoCall(FileRequest(ascii.Path()), &fromAscii), 0);
  EXPECT_EQ(std::memcmp(&fromWide, &fromAscii, sizeof fromWide), 0);
  for (const bool preview : {false, true}) {
    const auto reference = Deliver(FileRequest(ascii.Path()), preview);
    ASSERT_EQ(reference.Result, 0);
    EXPECT_EQ(Deliver(wide, preview), reference);
  }
  std::filesystem::remove(widePath);
  EXPECT_EQ(Deliver(wide, false).Result, -1);
  EXPECT_EQ(GetPictureInfoCall(wide, &fromWide), -1);
}

}  // namespace
}  // namespace vorn
