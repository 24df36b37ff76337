// The archive plug-in's entries: names a host can create in any folder, and
// a listing from the frames' headers that agrees with what the frames decode
// to, in every version's record layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/FrameEntries.h"
#include "tests/fixtures/VrnFixtureBuilders.h"
#include "vorn/vorn.h"

namespace vorn {
namespace {

using namespace fixtures;

bool Cp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool NoLead(unsigned char) { return false; }

TEST(FrameEntries, NamesAreNumberedCleanedAndCutWithinWholeCharacters) {
  const auto AnsiEntryName = [](uint32_t frame, uint32_t count, const std::string& name) {
    return vorn::AnsiEntryName(frame, count, name, Cp932Lead);
  };
  EXPECT_EQ(AnsiEntryName(3, 12, "walk"), "03 walk.bmp");
  EXPECT_EQ(AnsiEntryName(7, 100, ""), "007.bmp");
  EXPECT_EQ(AnsiEntryName(0, 1, "a/b\\c:d*?\"<>|\x01"), "0 a_b_c_d_______.bmp");
  // "ソ" is 0x83 0x5C: its second byte is no path separator on a system
  // that reads code page 932; on one that does not, it would be.
  EXPECT_EQ(AnsiEntryName(0, 9, "\x83\x5C\x83"), "0 \x83\x5C_.bmp");
  EXPECT_EQ(vorn::AnsiEntryName(0, 9, "\x83\x5C\x83\x41", NoLead), "0 _\x83\x41.bmp");
  // 0x82 0x82 is one double-byte character: the last one that fits is whole.
  const std::string cut = AnsiEntryName(1, 99, "x" + std::string(300, '\x82'));
  EXPECT_EQ(cut, "01 x" + std::string(190, '\x82') + ".bmp");
  EXPECT_LT(cut.size(), kEntryNameUnits);
  EXPECT_EQ(WideEntryName(2, 3, u"a\U0001F600:"), u"2 a\U0001F600_.bmp");
  const std::u16string wide = WideEntryName(0, 1, std::u16string(192, u'x') + u"\U0001F600");
  EXPECT_EQ(wide.size(), kEntryNameUnits - 2);  // the pair is not cut in half
}

TEST(FrameEntries, ListingFromHeadersMatchesTheDecodedFrames) {
  struct TCase {
    FxGeneration generation;
    int32_t version;
    int32_t bpp;
  };
  for (const TCase c : {TCase{FxGeneration::Binary, 0, 8}, TCase{FxGeneration::Binary, 101, 24},
                        TCase{FxGeneration::Binary, 104, 15}, TCase{FxGeneration::Binary, 107, 4},
                        TCase{FxGeneration::Xml, 200, 32}}) {
    FxFile file = MakeSimpleFile(FxSimpleOptions{.width = 9, .height = 4, .bpp = c.bpp, .frames = 3,
                                                 .layersPerFrame = 2, .generation = c.generation,
                                                 .version = c.version, .alpha = c.version >= 100});
    file.frames[2].name = "end";
    const std::vector<uint8_t> bytes = WriteVrn(file);
    vorn_image* image = nullptr;
    ASSERT_EQ(vorn_open_memory(bytes.data(), bytes.size(), nullptr, &image), VORN_OK);
    const std::vector<TFrameEntry> entries = ListFrameEntries(image);
    ASSERT_EQ(entries.size(), 3u) << c.version;
    EXPECT_EQ(entries[2].AnsiName, "2 end.bmp");
    for (const TFrameEntry& entry : entries) {
      vorn_dib dib{};
      ASSERT_EQ(vorn_decode_frame_dib(image, entry.Frame, &dib), VORN_OK);
      EXPECT_EQ(BmpFile(dib).size(), entry.FileSize) << c.version << " frame " << entry.Frame;
    }
    vorn_close(image);
    // A file cut inside its last frame lists the frames before it.
    const std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 3);
    ASSERT_EQ(vorn_open_memory(cut.data(), cut.size(), nullptr, &image), VORN_OK);
    EXPECT_EQ(ListFrameEntries(image).size(), c.generation == FxGeneration::Xml ? 3u : 2u);
    vorn_close(image);
  }
}

}  // namespace
}  // namespace vorn
