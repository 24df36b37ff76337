// Round trips through the fixture writer: for every layout version, pixel
// encoding and depth, what the writer stored is what the reader shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/format/ReaderTestHelpers.h"

namespace vorn {
namespace {

using fixtures::FxFile;
using fixtures::FxGeneration;
using fixtures::FxSimpleOptions;
using testing::LoadFile;
using testing::SamePalette;
using testing::SamePixels;

struct TEncoding {
  const char* name;
  FxGeneration generation;
  int32_t version;
  uint8_t compType;
  int32_t blockWidth, blockHeight;
  bool randomized;
  int32_t passCode;
  bool v1Stored;
};

const TEncoding kEncodings[] = {
    {"v0_zlib_rows", FxGeneration::Binary, 0, 0, 0, 0, false, 0, false},
    {"v99_stored_rows_permuted", FxGeneration::Binary, 99, 0, 0, 0, false, 77, true},
    {"v100_zlib_rows", FxGeneration::Binary, 100, 0, 0, 0, false, 0, false},
    {"v101_stored_rows", FxGeneration::Binary, 101, 0, 0, 0, false, 0, true},
    {"v102_zlib_rows", FxGeneration::Binary, 102, 0, 0, 0, false, 0, false},
    {"v102_stored_permuted", FxGeneration::Binary, 102, 0, 0, 0, false, -5, true},
    {"v103_zlib_rows", FxGeneration::Binary, 103, 0, 0, 0, false, 0, false},
    {"v104_stored_rows", FxGeneration::Binary, 104, 1, 0, 0, false, 0, false},
    {"v105_other_comptype_rows", FxGeneration::Binary, 105, 9, 0, 0, false, 0, false},
    {"v106_scrambled_zlib_rows", FxGeneration::Binary, 106, 0, 0, 0, true, 1234, false},
    {"v107_zlib_blocks", FxGeneration::Binary, 107, 0, 32, 32, false, 0, false},
    {"v107_stored_clipped_blocks", FxGeneration::Binary, 107, 1, 8, 4, false, 0, false},
    {"v107_scrambled_blocks", FxGeneration::Binary, 107, 0, 16, 8, true, -99, false},
    {"xml_zlib_blocks", FxGeneration::Xml, 200, 0, 32, 32, false, 0, false},
    {"xml_stored_rows", FxGeneration::Xml, 200, 1, 0, 0, false, 0, false},
    {"xml_scrambled_rows", FxGeneration::Xml, 200, 0, 0, 0, true, 0x7FFFFFF1, false},
    {"xml_scrambled_clipped_blocks", FxGeneration::Xml, 200, 1, 8, 8, true, 31337, false},
};

const int32_t kDepths[] = {1, 4, 8, 15, 16, 24, 32};
const int32_t kWidths[] = {1, 7, 33, 70};

FxFile MakeFile(const TEncoding& e, int32_t width, int32_t height, int32_t bpp) {
  FxSimpleOptions options;
  options.width = width;
  options.height = height;
  options.bpp = bpp;
  options.generation = e.generation;
  options.version = e.version;
  options.compType = e.compType;
  options.blockWidth = e.blockWidth;
  options.blockHeight = e.blockHeight;
  options.randomized = e.randomized;
  options.passCode = e.passCode;
  options.alpha = e.version >= 100;
  options.seed = static_cast<uint32_t>(width * 131 + bpp * 7 + height);
  FxFile file = fixtures::MakeSimpleFile(options);
  file.v1Stored = e.v1Stored;
  for (auto& frame : file.frames)
    for (auto& layer : frame.layers) layer.alphaOn = true;
  return file;
}

class ReaderRoundTrip : public ::testing::TestWithParam<TEncoding> {};

TEST_P(ReaderRoundTrip, EveryDepthAndOddWidthReadsBackExactly) {
  const TEncoding& e = GetParam();
  for (const int32_t bpp : kDepths) {
    for (const int32_t width : kWidths) {
      SCOPED_TRACE(std::string(e.name) + " bpp " + std::to_string(bpp) + " width " +
                   std::to_string(width));
      const int32_t height = width == 70 ? 37 : 5;
      FxFile file = MakeFile(e, width, height, bpp);
      const auto frames = LoadFile(file);
      ASSERT_EQ(frames->Count(), 1);
      const TDIBSurface& composite = *frames->GetFrame(0).Surface;
      const auto& layer = file.frames[0].layers[0];
      EXPECT_TRUE(SamePixels(composite, layer.pixels, width, height, bpp));
      EXPECT_TRUE(SamePalette(composite, file.frames[0]));
      if (e.version >= 101) {
        // The bottom layer's alpha becomes the composite's alpha.
        ASSERT_NE(composite.AlphaChannel, nullptr);
        EXPECT_TRUE(SamePixels(*composite.AlphaChannel, layer.alphaPlane, width, height, 8));
      } else {
        // Version 100 stores alpha data but has no AlphaOn byte: never used.
        EXPECT_EQ(composite.AlphaChannel, nullptr);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllEncodings, ReaderRoundTrip, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) { return std::string(info.param.name); });

// Several frames and layers with repeated and cross-frame blocks: each layer
// in turn is made the only visible one, so the composite shows it alone.
TEST(ReaderBlocks, RepeatedAndCrossFrameBlocksCopyTheirSources) {
  for (const FxGeneration generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    for (const bool scrambled : {false, true}) {
      FxSimpleOptions options;
      options.width = 40;  // 3 x 3 blocks of 16 x 16, the last column and band clipped
      options.height = 36;
      options.bpp = 8;
      options.frames = 2;
      options.layersPerFrame = 2;
      options.generation = generation;
      options.version = generation == FxGeneration::Xml ? 200 : 107;
      options.blockWidth = 16;
      options.blockHeight = 16;
      options.alpha = true;
      options.randomized = scrambled;
      options.passCode = scrambled ? 2024 : 0;
      FxFile file = fixtures::MakeSimpleFile(options);
      using fixtures::FxBlockEntry;
      // Frame 0 layer 1: block 4 repeats block 0; block 8 (clipped) repeats block 8 itself.
      file.frames[0].layers[1].colorBlocks = {{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-2, 0},
                                              {-1, 0}, {-1, 0}, {-1, 0}, {-2, 8}};
      // Frame 1 layer 0: blocks from frame 0's layers, and from this frame's layer 0 itself.
      file.frames[1].layers[0].colorBlocks = {{0, 0}, {0, 1}, {-1, 0}, {0, 1}, {-1, 0},
                                              {-1, 0}, {0, 0}, {-1, 0}, {0, 1}};
      file.frames[1].layers[0].alphaBlocks = {{0, 1}, {-1, 0}, {-1, 0}, {-1, 0}, {0, 0},
                                              {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}};
      // Frame 1 layer 1: repeats of earlier blocks and of frame 1 layer 0.
      file.frames[1].layers[1].colorBlocks = {{-1, 0}, {-2, 0}, {-2, 1}, {1, 0}, {-1, 0},
                                              {-2, 4}, {1, 0}, {-2, 6}, {-1, 0}};
      fixtures::ResolveExpectedPixels(file);
      for (size_t shown = 0; shown < 2; ++shown) {
        SCOPED_TRACE("generation " + std::to_string(static_cast<int>(generation)) +
                     (scrambled ? " scrambled" : "") + " layer " + std::to_string(shown));
        for (auto& frame : file.frames)
          for (size_t i = 0; i < frame.layers.size(); ++i) frame.layers[i].visible = i == shown;
        const auto frames = LoadFile(file);
        ASSERT_EQ(frames->Count(), 2);
        for (size_t f = 0; f < 2; ++f) {
          const auto& layer = file.frames[f].layers[shown];
          EXPECT_TRUE(SamePixels(*frames->GetFrame(static_cast<int>(f)).Surface, layer.pixels,
                                 40, 36, 8))
              << "frame " << f;
        }
      }
    }
  }
}

// Grids of 3 x 5 and 5 x 3 blocks of 8 x 4 pixels, the last column and band
// clipped: repeats below the first band find their source by the block
// number's column and band, and copy at the clipped size of the block they
// fill, in colour and alpha alike.
TEST(ReaderBlocks, RepeatsInLowerBandsOfNonSquareGrids) {
  using fixtures::FxBlockEntry;
  struct TGrid {
    int32_t width, height;
    std::vector<FxBlockEntry> table;
  };
  const FxBlockEntry s{-1, 0};
  const TGrid grids[] = {
      // 3 across, 5 down: band 2 repeats blocks of bands 1 and 0 (the last one
      // clipped in width), the clipped last band repeats whole blocks above.
      {21, 19, {s, s, s,
                s, s, s,
                {-2, 3}, {-2, 1}, {-2, 5},
                s, s, s,
                {-2, 7}, {-2, 10}, {-2, 2}}},
      // 5 across, 3 down: the clipped band repeats blocks of bands 1 and 0.
      {37, 11, {s, s, s, s, s,
                s, s, s, s, s,
                {-2, 6}, {-2, 2}, s, {-2, 5}, {-2, 4}}},
  };
  for (const TGrid& grid : grids) {
    for (const FxGeneration generation : {FxGeneration::Binary, FxGeneration::Xml}) {
      SCOPED_TRACE(std::to_string(grid.width) + " x " + std::to_string(grid.height) + " generation " +
                   std::to_string(static_cast<int>(generation)));
      FxSimpleOptions options;
      options.width = grid.width;
      options.height = grid.height;
      options.bpp = 24;
      options.generation = generation;
      options.version = generation == FxGeneration::Xml ? 200 : 107;
      options.blockWidth = 8;
      options.blockHeight = 4;
      options.alpha = true;
      FxFile file = fixtures::MakeSimpleFile(options);
      auto& layer = file.frames[0].layers[0];
      layer.alphaOn = true;
      layer.colorBlocks = grid.table;
      layer.alphaBlocks = grid.table;
      fixtures::ResolveExpectedPixels(file);
      const auto frames = LoadFile(file);
      const TDIBSurface& composite = *frames->GetFrame(0).Surface;
      EXPECT_TRUE(SamePixels(composite, layer.pixels, grid.width, grid.height, 24));
      ASSERT_NE(composite.AlphaChannel, nullptr);
      EXPECT_TRUE(SamePixels(*composite.AlphaChannel, layer.alphaPlane, grid.width, grid.height, 8));
    }
  }
}

// JPEG colour layers in each chroma layout, at a size that is no whole number
// of blocks: every pixel is what libjpeg itself decodes from the bytes stored
// (accurate integer transform, fancy upsampling), in the file's colour order.
TEST(ReaderJpeg, EveryPixelIsLibjpegsDecodeOfTheStoredBytes) {
  using fixtures::FxJpegSampling;
  const FxJpegSampling samplings[] = {FxJpegSampling::Yuv420, FxJpegSampling::Yuv422,
                                      FxJpegSampling::Yuv444};
  for (const FxGeneration generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    FxSimpleOptions options;
    options.width = 37;
    options.height = 19;
    options.bpp = 24;
    options.frames = 3;
    options.generation = generation;
    options.version = generation == FxGeneration::Xml ? 200 : 107;
    options.compType = 2;
    options.alpha = true;
    FxFile file = fixtures::MakeSimpleFile(options);
    for (size_t f = 0; f < 3; ++f) {
      file.frames[f].layers[0].jpegSampling = samplings[f];
      file.frames[f].layers[0].alphaOn = true;
    }
    const auto frames = LoadFile(file);
    ASSERT_EQ(frames->Count(), 3);
    for (size_t f = 0; f < 3; ++f) {
      SCOPED_TRACE("generation " + std::to_string(static_cast<int>(generation)) + " frame " +
                   std::to_string(f));
      const fixtures::FxJpegImage decoded =
          fixtures::FxDecodeJpeg(fixtures::FxEncodeColorBlock(file, f, 0));
      const TDIBSurface& composite = *frames->GetFrame(static_cast<int>(f)).Surface;
      EXPECT_TRUE(SamePixels(composite, fixtures::FxJpegToDibRows(decoded), 37, 19, 24));
      ASSERT_NE(composite.AlphaChannel, nullptr);
      EXPECT_TRUE(SamePixels(*composite.AlphaChannel, file.frames[f].layers[0].alphaPlane, 37, 19, 8));
    }
  }
}

TEST(ReaderBlocks, AllStoredTableIsPlainBlockStorage) {
  FxFile blocks = fixtures::MakeSimpleFile(64, 40, 24, 1, FxGeneration::Xml, 0);
  blocks.header.blockWidth = 32;
  blocks.header.blockHeight = 32;
  blocks.frames[0].layers[0].colorBlocks.assign(4, {-1, 0});
  const auto frames = LoadFile(blocks);
  EXPECT_TRUE(SamePixels(*frames->GetFrame(0).Surface, blocks.frames[0].layers[0].pixels, 64, 40,
                         24));
}

}  // namespace
}  // namespace vorn
