// What the picture calls spare themselves must not show: a one-frame picture
// is delivered from the frame's composite without building the tiled copy,
// and GetPictureInfo copies no more of memory input than the quick path
// reads before it knows that the quick path applies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/fixtures/VrnWriter.h"
#include "tests/host/e2e/ExpectedPictures.h"
#include "platform/HostMemory.h"
#include "tests/plugin/DeliveryHelpers.h"

namespace vorn {
namespace {

using fixtures::FxGeneration;

class DeliveryShortcuts : public ::testing::Test {
 protected:
  testing::TPluginSettings settings_;
};

// Whether the frame's composite is handed over as it is (padding zero) or
// the sheet is built (bits past the last pixel set in the stored rows), the
// picture is the frame with its padding zero, at every depth.
TEST_F(DeliveryShortcuts, OneFramePictureIsTheFrameWithZeroPaddingEitherWay) {
  settings_.Set(true, 0);
  for (const int32_t bpp : {1, 4, 8, 15, 16, 24, 32}) {
    for (const bool dirty : {false, true}) {
      fixtures::FxFile file = fixtures::MakeSimpleFile(13, 5, bpp, 1);
      const e2e::TBlocks want = e2e::FramePicture(file);
      auto& rows = file.frames[0].layers[0].pixels;
      const size_t rowBytes = fixtures::FxRowBytes(13, bpp);
      const size_t usedBits = 13 * static_cast<size_t>(fixtures::FxStorageBits(bpp));
      for (size_t y = 0; dirty && y < 5; ++y) {
        if (usedBits % 8 != 0) rows[y * rowBytes + usedBits / 8] |= static_cast<uint8_t>(0xFF >> (usedBits % 8));
        for (size_t i = (usedBits + 7) / 8; i < rowBytes; ++i) rows[y * rowBytes + i] = 0xA5;
      }
      const testing::TDelivered d = testing::Deliver(testing::MemoryRequest(fixtures::WriteVrn(file)), false);
      ASSERT_EQ(d.Result, 0) << bpp;
      EXPECT_EQ(e2e::Difference({d.Info, d.Bits}, want), "") << bpp << (dirty ? " bits, padding set" : " bits");
    }
  }
}

TEST_F(DeliveryShortcuts, InfoFromMemoryEqualsInfoFromFileForEveryLength) {
  settings_.Set(true, 0);
  fixtures::FxFile old = fixtures::MakeSimpleFile(9, 4, 24, 2);
  old.headerSize = 44;
  fixtures::FxFile v102 = fixtures::MakeSimpleFile(9, 4, 8, 2);
  v102.version = 102;
  fixtures::FxFile xml = fixtures::MakeSimpleFile(9, 4, 32, 3, FxGeneration::Xml);
  for (const fixtures::FxFile* file : {&old, &v102, &xml}) {
    const std::vector<uint8_t> bytes = fixtures::WriteVrn(*file);
    for (size_t n = 1; n <= bytes.size(); n += (n < 64 ? 1 : 97)) {
      const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
      const testing::TTempFile temp("vorn-info-prefix.vrn", prefix);
      SusiePictureInfo fromMemory{}, fromFile{};
      const int32_t memoryResult = GetPictureInfoCall(testing::MemoryRequest(prefix), &fromMemory);
      const int32_t fileResult = GetPictureInfoCall(testing::FileRequest(temp.Path()), &fromFile);
      ASSERT_EQ(memoryResult, fileResult) << file->version << " " << n;
      EXPECT_EQ(std::memcmp(&fromMemory, &fromFile, sizeof fromMemory), 0) << file->version << " " << n;
    }
  }
}

#ifndef _WIN32
TEST(HostMemoryBlocks, ComeZeroFilledEvenWhenMemoryIsReused) {
  // The picture calls take their pixel blocks from host memory and count on
  // them starting zeroed, as every pixel block does (on Windows they clear
  // them themselves).
  for (const size_t size : {size_t{1}, size_t{4096}, size_t{3} << 20}) {
    for (int round = 0; round < 2; ++round) {
      const platform::THostHandle handle = platform::HostAlloc(size);
      ASSERT_NE(handle, nullptr);
      auto* bytes = static_cast<uint8_t*>(platform::HostLock(handle));
      ASSERT_NE(bytes, nullptr);
      EXPECT_TRUE(std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; })) << size;
      std::memset(bytes, 0xFF, size);
      platform::HostUnlock(handle);
      platform::HostFree(handle);
    }
  }
}
#endif

}  // namespace
}  // namespace vorn
