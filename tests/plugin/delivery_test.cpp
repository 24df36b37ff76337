// The three picture calls end to end in-process: input kinds, the tiled
// picture's grid, the settings, the quick header path and the failures.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/fixtures/VrnWriter.h"
#include "tests/host/e2e/ExpectedPictures.h"
#include "format/VornFrame.h"
#include "format/VornFrameList.h"
#include "support/Stream.h"
#include "platform/Screen.h"
#include "tests/plugin/DeliveryHelpers.h"
#include "api/TiledPicture.h"
#include "surface/DIBSurface.h"

namespace vorn {
namespace {

using fixtures::FxGeneration;
using testing::Deliver;
using testing::FileRequest;
using testing::MemoryRequest;
using testing::TDelivered;
using testing::TPluginSettings;
using testing::TTempFile;

fixtures::FxFile AnimationFile(int32_t frames, int32_t size = 100, int32_t bpp = 8) {
  return fixtures::MakeSimpleFile(size, size, bpp, frames, FxGeneration::Xml, 0);
}

std::vector<uint8_t> Animation(int32_t frames, int32_t size = 100, int32_t bpp = 8) {
  return fixtures::WriteVrn(AnimationFile(frames, size, bpp));
}

// A surface's blocks as the picture calls hand them over.
e2e::TBlocks BlocksOf(const TDIBSurface& s) {
  return {std::vector<uint8_t>(s.BitmapInfo(), s.BitmapInfo() + s.BitmapInfoSize()),
          std::vector<uint8_t>(s.Bits(), s.Bits() + s.Size())};
}

std::unique_ptr<TVornFrameList> Load(const std::vector<uint8_t>& bytes) {
  auto frames = std::make_unique<TVornFrameList>(0);
  TMemoryStream stream(bytes);
  frames->LoadFromStream(stream, false);
  return frames;
}

TEST(FrameGrid, FitsTheScreenRowByRow) {
  struct TCase {
    int32_t frames, screenW, columns, rows, shown;
  } const cases[] = {
      {3, 1024, 3, 1, 3},     // 300 x 100
      {30, 1024, 10, 3, 30},  // 1000 x 300
      {100, 1024, 10, 7, 70}, // the last thirty are left out
      {7, 500, 5, 2, 7},      // three empty cells in the second row
      {1, 1024, 1, 1, 1},
  };
  for (const TCase& c : cases) {
    const TFrameGrid grid = TFrameGrid::Fit(100, 100, c.frames, c.screenW, 768);
    EXPECT_EQ(grid.Columns, c.columns) << c.frames;
    EXPECT_EQ(grid.Rows, c.rows) << c.frames;
    EXPECT_EQ(grid.Shown, c.shown) << c.frames;
  }
  const TFrameGrid big = TFrameGrid::Fit(2000, 1000, 5, 1024, 768);  // larger than the screen
  EXPECT_EQ(big.Columns, 1);
  EXPECT_EQ(big.Rows, 1);
  EXPECT_THROW(TFrameGrid::Fit(0, 100, 3, 1024, 768), std::exception);
}

// Every cell of the sheet holds its frame's pixels, unused cells hold 0, and
// the sheet carries the first frame's colour table.
TEST(TiledPicture, FramesFillTheGridAndEmptyCellsAreZero) {
  for (const auto& [count, screenW] : {std::pair{3, 1024}, {7, 500}, {30, 1024}, {100, 1024}}) {
    SCOPED_TRACE(count);
    const fixtures::FxFile file = AnimationFile(count);
    const auto frames = Load(fixtures::WriteVrn(file));
    const auto sheet = BuildTiledPicture(*frames, screenW, 768);
    EXPECT_EQ(e2e::Difference(BlocksOf(*sheet), e2e::SheetPicture(file, screenW, 768)), "");
  }
}

TEST(TiledPicture, FramesOfAnotherDepthAreConverted) {
  fixtures::FxFile file = fixtures::MakeSimpleFile(4, 4, 24, 2, FxGeneration::Binary, 0);
  file.frames[1].bpp = 8;
  file.frames[1].palette.assign(256, {});
  file.frames[1].palette[5] = {0x30, 0x20, 0x10, 0};  // blue, green, red
  file.frames[1].layers[0].pixels.assign(fixtures::FxRowBytes(4, 8) * 4, 5);
  const auto frames = Load(fixtures::WriteVrn(file));
  const auto sheet = BuildTiledPicture(*frames, 1024, 768);
  EXPECT_EQ(sheet->Bpp(), 24);
  EXPECT_EQ(sheet->GetPixel(4 + 2, 1), 0x102030u);
}

// Frames of other depths on one sheet. Each pixel is taken to 8-bit channels
// (5 and 6 bits widened by repeating their top bits; 32 bits ignore the top
// byte), then stored at the sheet's depth by dropping low bits, or as the
// nearest entry of the first frame's table. The values are worked by hand and
// no channel equals another, so channels that change places show. Comments
// give the red, green and blue of the 15- and 16-bit values, and the 8-bit
// channels a conversion between those two passes through.
TEST(TiledPicture, FramesOfOtherDepthsKeepTheirChannels) {
  struct TFrameCase {
    int32_t bpp;
    uint32_t stored[2], onSheet[2];
  };
  struct TSheetCase {
    int32_t bpp;
    std::vector<TFrameCase> frames;
  };
  const TSheetCase sheets[] = {
      {24,
       {{15, {0x7E01, 0x0443}, {0xFF8408, 0x081018}},     // (31, 16, 1), (1, 2, 3)
        {16, {0x0D5E, 0xF800}, {0x08AAF7, 0xFF0000}},     // (1, 42, 30), (31, 0, 0)
        {32, {0x99123456, 0x00FEDCBA}, {0x123456, 0xFEDCBA}}}},
      {16,
       {{24, {0xFF8408, 0x123456}, {0xFC21, 0x11AA}},     // (31, 33, 1), (2, 13, 10)
        {32, {0x00FEDCBA, 0x990000FF}, {0xFEF7, 0x001F}}, // (31, 55, 23), (0, 0, 31)
        {15, {0x7E01, 0x0443}, {0xFC21, 0x0883}}}},       // via (255, 132, 8), (8, 16, 24)
      {15,
       {{24, {0xFF8408, 0x123456}, {0x7E01, 0x08CA}},     // (31, 16, 1), (2, 6, 10)
        {16, {0x0D5E, 0xF800}, {0x06BE, 0x7C00}}}},       // via (8, 170, 247): (1, 21, 30)
      // Entry 1 is (r 0x20, g 0x80, b 0xE0), entry 2 its mirror (r 0xE0, b 0x20).
      {8, {{24, {0x2878D0, 0xD88818}, {1, 2}}}},
  };
  for (const TSheetCase& sheetCase : sheets) {
    SCOPED_TRACE("sheet of " + std::to_string(sheetCase.bpp) + " bits");
    const int32_t count = 1 + static_cast<int32_t>(sheetCase.frames.size());
    fixtures::FxFile file = fixtures::MakeSimpleFile(2, 1, sheetCase.bpp, count, FxGeneration::Binary, 0);
    if (sheetCase.bpp == 8) file.frames[0].palette = {{}, {0xE0, 0x80, 0x20, 0}, {0x20, 0x80, 0xE0, 0}};
    for (size_t i = 0; i < sheetCase.frames.size(); ++i) {
      const TFrameCase& c = sheetCase.frames[i];
      fixtures::FxFrame& frame = file.frames[i + 1];
      frame.bpp = c.bpp;
      const size_t bytes = static_cast<size_t>(fixtures::FxStorageBits(c.bpp) / 8);
      frame.layers[0].pixels.assign(fixtures::FxRowBytes(2, c.bpp), 0);
      for (size_t x = 0; x < 2; ++x)
        for (size_t k = 0; k < bytes; ++k)
          frame.layers[0].pixels[x * bytes + k] = static_cast<uint8_t>(c.stored[x] >> (8 * k));
    }
    const auto frames = Load(fixtures::WriteVrn(file));
    const auto sheet = BuildTiledPicture(*frames, 1024, 768);
    ASSERT_EQ(sheet->Bpp(), sheetCase.bpp);
    ASSERT_EQ(sheet->Width(), 2 * count);
    for (size_t i = 0; i < sheetCase.frames.size(); ++i)
      for (int32_t x = 0; x < 2; ++x)
        EXPECT_EQ(sheet->GetPixel(2 * static_cast<int32_t>(i + 1) + x, 0), sheetCase.frames[i].onSheet[x])
            << "frame of " << sheetCase.frames[i].bpp << " bits, pixel " << x;
  }
}

class Delivery : public ::testing::Test {
 protected:
  TPluginSettings settings_;
};

TEST_F(Delivery, PictureWithMultiImageIsTheTiledSheet) {
  settings_.Set(true, 0);
  const fixtures::FxFile file = AnimationFile(3);
  const auto bytes = fixtures::WriteVrn(file);
  const TDelivered d = Deliver(MemoryRequest(bytes), false);
  ASSERT_EQ(d.Result, 0);
  const platform::TScreenSize screen = platform::ScreenSize();
  EXPECT_EQ(e2e::Difference({d.Info, d.Bits}, e2e::SheetPicture(file, screen.Width, screen.Height)), "");

  SusiePictureInfo info{};
  ASSERT_EQ(GetPictureInfoCall(MemoryRequest(bytes), &info), 0);
  const e2e::TSheetGrid grid = e2e::SheetGrid(100, 100, 3, screen.Width, screen.Height);
  EXPECT_EQ(info.width, 100 * grid.Columns);
  EXPECT_EQ(info.height, 100 * grid.Rows);
  EXPECT_EQ(info.colorDepth, 8);
  EXPECT_EQ(info.x_density, 1);
  EXPECT_EQ(info.hInfo, nullptr);
}

TEST_F(Delivery, WithoutMultiImagePictureIsThePreview) {
  settings_.Set(false, 0);
  const fixtures::FxFile file = AnimationFile(3);
  const auto bytes = fixtures::WriteVrn(file);
  const TDelivered preview = Deliver(MemoryRequest(bytes), true);
  ASSERT_EQ(preview.Result, 0);
  EXPECT_EQ(Deliver(MemoryRequest(bytes), false), preview);
  EXPECT_EQ(e2e::Difference({preview.Info, preview.Bits}, e2e::FramePicture(file)), "");
  SusiePictureInfo info{};
  ASSERT_EQ(GetPictureInfoCall(MemoryRequest(bytes), &info), 0);
  EXPECT_EQ(info.width, 100);
  EXPECT_EQ(info.height, 100);
  // Failures match too.
  EXPECT_EQ(Deliver(MemoryRequest({1, 2, 3}), false).Result, -1);
}

TEST_F(Delivery, FileInputAtAnOffsetEqualsMemoryInput) {
  settings_.Set(true, 0);
  const auto bytes = Animation(2, 20, 24);
  std::vector<uint8_t> padded(37 + bytes.size(), 0xEE);
  std::copy(bytes.begin(), bytes.end(), padded.begin() + 37);
  const TTempFile file("vorn-delivery-offset.vrn", padded);
  const TDelivered fromFile = Deliver(FileRequest(file.Path(), 37), false);
  ASSERT_EQ(fromFile.Result, 0);
  EXPECT_EQ(Deliver(MemoryRequest(bytes), false), fromFile);
  EXPECT_EQ(Deliver(FileRequest(file.Path(), 37), true), Deliver(MemoryRequest(bytes), true));
  // An offset beyond the end, a missing file, empty memory input: -1.
  SusiePictureInfo info{};
  const std::string missing = file.Path() + ".missing";
  for (const auto& request : {FileRequest(file.Path(), 1 << 20), FileRequest(missing),
                              MemoryRequest({})}) {
    EXPECT_EQ(Deliver(request, false).Result, -1);
    EXPECT_EQ(Deliver(request, true).Result, -1);
    EXPECT_EQ(GetPictureInfoCall(request, &info), -1);
  }
}

TEST_F(Delivery, PassCodeIsReadAtEveryCall) {
  fixtures::FxFile file = fixtures::MakeSimpleFile(9, 12, 24, 1, FxGeneration::Xml, 0);
  file.header.randomized = 1;
  file.passCode = 4711;
  const auto bytes = fixtures::WriteVrn(file);
  settings_.Set(false, 4711);
  const TDelivered right = Deliver(MemoryRequest(bytes), true);
  settings_.Set(false, 0);
  const TDelivered wrong = Deliver(MemoryRequest(bytes), true);
  ASSERT_EQ(right.Result, 0);
  ASSERT_EQ(wrong.Result, 0);  // a wrong code gives another row order, not an error
  EXPECT_NE(right.Bits, wrong.Bits);
  EXPECT_EQ(e2e::Difference({right.Info, right.Bits}, e2e::FramePicture(file)), "");
}

TEST_F(Delivery, QuickHeaderPathReadsNoPixels) {
  settings_.Set(false, 0);
  fixtures::FxFile file = fixtures::MakeSimpleFile(10, 10, 24, 3, FxGeneration::Binary, 0);
  file.version = 107;
  file.header.width = 123;  // the header record, not the frames, answers
  file.header.height = 45;
  file.header.bpp = 16;
  file.frames[0].layers[0].colorBytes = std::vector<uint8_t>{9, 9, 9};  // undecodable
  const auto bytes = fixtures::WriteVrn(file);
  SusiePictureInfo info{};
  ASSERT_EQ(GetPictureInfoCall(MemoryRequest(bytes), &info), 0);
  EXPECT_EQ(info.width, 123);
  EXPECT_EQ(info.height, 45);
  EXPECT_EQ(info.colorDepth, 16);
  EXPECT_EQ(Deliver(MemoryRequest(bytes), true).Result, -1);
  // Below 103 the whole file is loaded, and the frames answer.
  file.version = 102;
  file.frames[0].layers[0].colorBytes.reset();
  ASSERT_EQ(GetPictureInfoCall(MemoryRequest(fixtures::WriteVrn(file)), &info), 0);
  EXPECT_EQ(info.width, 10);
  EXPECT_EQ(info.colorDepth, 24);
}

TEST_F(Delivery, EmptyFilesAndNullArgumentsFail) {
  settings_.Set(true, 0);
  // Zero frames: there is no first frame to deliver.
  const auto none = fixtures::WriteVrn(fixtures::MakeSimpleFile(10, 10, 8, 0, FxGeneration::Xml, 0));
  EXPECT_EQ(Deliver(MemoryRequest(none), false).Result, -1);
  EXPECT_EQ(Deliver(MemoryRequest(none), true).Result, -1);
  // A frame of width 0 while the grid divides by it.
  auto empty = fixtures::MakeSimpleFile(10, 10, 8, 1, FxGeneration::Binary, 0);
  empty.frames[0].width = 0;
  empty.frames[0].layers.clear();
  EXPECT_EQ(Deliver(MemoryRequest(fixtures::WriteVrn(empty)), false).Result, -1);
  EXPECT_EQ(Deliver(MemoryRequest(fixtures::WriteVrn(empty)), true).Result, -1);
  const auto bytes = Animation(1, 8);
  EXPECT_EQ(GetPreviewCall(MemoryRequest(bytes), nullptr, nullptr), -1);
  EXPECT_EQ(GetPictureInfoCall(MemoryRequest(bytes), nullptr), -1);
  EXPECT_EQ(GetPictureInfoCall(FileRequest(""), nullptr), -1);
}

}  // namespace
}  // namespace vorn
