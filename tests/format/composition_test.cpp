// How a frame flattens its layers: the background fill, the firstVisible
// flag, and the three drawing rules (alpha channel, plain copy, keyed blend).
#include <gtest/gtest.h>

#include <functional>

#include "tests/format/ReaderTestHelpers.h"

namespace vorn {
namespace {

using fixtures::FxFile;
using fixtures::FxFrame;
using fixtures::FxGeneration;
using fixtures::FxLayer;
using testing::LoadFile;

constexpr int32_t kW = 4, kH = 4;
constexpr uint32_t kKey = 0x00FF00;  // the transparent pixel value used below

// A 24-bit layer whose pixel (x, y) is f(x, y); alpha plane from a(x, y) if given.
FxLayer Layer24(const std::function<uint32_t(int, int)>& f,
                const std::function<uint8_t(int, int)>& a = nullptr) {
  FxLayer layer;
  const size_t rowBytes = fixtures::FxRowBytes(kW, 24);
  layer.pixels.assign(rowBytes * kH, 0);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint32_t v = f(x, y);
      uint8_t* p = &layer.pixels[rowBytes * static_cast<size_t>(y) + static_cast<size_t>(x) * 3];
      p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8), p[2] = static_cast<uint8_t>(v >> 16);
    }
  if (a) {
    const size_t alphaBytes = fixtures::FxRowBytes(kW, 8);
    layer.alphaPlane.assign(alphaBytes * kH, 0);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) layer.alphaPlane[alphaBytes * static_cast<size_t>(y) + static_cast<size_t>(x)] = a(x, y);
  }
  return layer;
}

// Left half of every row is the key colour, right half red.
uint32_t HalfKeyed(int x, int) { return x < kW / 2 ? kKey : 0xFF0000; }

FxFile File24(FxGeneration generation, int32_t bgColor, bool notFillBG,
              std::vector<FxLayer> layers) {
  FxFile file;
  file.generation = generation;
  file.version = generation == FxGeneration::Xml ? 200 : 107;
  file.header.bgColor = bgColor;
  file.header.notFillBG = notFillBG ? 1 : 0;
  FxFrame frame;
  frame.width = kW;
  frame.height = kH;
  frame.bpp = 24;
  frame.layers = std::move(layers);
  file.frames.push_back(std::move(frame));
  return file;
}

uint32_t At(const TVornFrameList& frames, int x, int y) {
  return frames.GetFrame(0).Surface->GetPixel(x, y);
}

// The file's 0x00BBGGRR colour as a 24-bit pixel value.
constexpr int32_t kBG = 0x00402010;  // red 0x10, green 0x20, blue 0x40
constexpr uint32_t kBGPixel = 0x102040;

TEST(Composition, FrameWithoutVisibleLayersIsBackground) {
  for (const auto generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    auto hidden = Layer24([](int, int) { return 0x123456u; });
    hidden.visible = false;
    for (auto layers : {std::vector<FxLayer>{}, std::vector<FxLayer>{hidden}}) {
      const auto frames = LoadFile(File24(generation, kBG, true, layers));
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) EXPECT_EQ(At(*frames, x, y), kBGPixel);
    }
  }
}

TEST(Composition, FirstVisibleOpaqueLayerAndTheNotFillBGFlag) {
  for (const auto generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    auto keyed = Layer24(HalfKeyed);
    keyed.transColor = kKey;
    // NotFillBG: the first visible layer is copied whole, key and all.
    auto frames = LoadFile(File24(generation, kBG, true, {keyed}));
    EXPECT_EQ(At(*frames, 0, 0), kKey);
    EXPECT_EQ(At(*frames, 3, 0), 0xFF0000u);
    // Without it the key shows the background.
    frames = LoadFile(File24(generation, kBG, false, {keyed}));
    EXPECT_EQ(At(*frames, 0, 0), kBGPixel);
    EXPECT_EQ(At(*frames, 3, 0), 0xFF0000u);
    // An invisible layer below does not use up the first-visible rule.
    auto hidden = Layer24([](int, int) { return 0x111111u; });
    hidden.visible = false;
    frames = LoadFile(File24(generation, kBG, true, {hidden, keyed}));
    EXPECT_EQ(At(*frames, 0, 0), kKey);
    // The second visible layer is keyed even with NotFillBG.
    frames = LoadFile(File24(generation, kBG, true, {Layer24([](int, int) { return 0x0000FFu; }), keyed}));
    EXPECT_EQ(At(*frames, 0, 0), 0x0000FFu);
    EXPECT_EQ(At(*frames, 3, 0), 0xFF0000u);
  }
}

TEST(Composition, TranslucentFirstLayerBlendsOverBackground) {
  for (const bool notFillBG : {false, true}) {
    auto layer = Layer24([](int, int) { return 0xFF8040u; });
    layer.alpha = 128;
    const auto frames = LoadFile(File24(FxGeneration::Binary, 0, notFillBG, {layer}));
    // (127 * 0 + 128 * c) / 255 for c = 255, 128, 64.
    EXPECT_EQ(At(*frames, 1, 1), 0x804020u);
  }
}

TEST(Composition, BottomLayerAlphaBecomesTheCompositesAndIsNotBlended) {
  auto layer = Layer24([](int x, int) { return x * 0x101010u; }, [](int x, int) { return static_cast<uint8_t>(x * 60); });
  layer.alphaOn = true;
  const auto frames = LoadFile(File24(FxGeneration::Binary, kBG, false, {layer}));
  const TDIBSurface& composite = *frames->GetFrame(0).Surface;
  ASSERT_NE(composite.AlphaChannel, nullptr);
  for (int x = 0; x < kW; ++x) {
    EXPECT_EQ(composite.AlphaChannel->GetPixel(x, 2), static_cast<uint32_t>(x * 60));
    EXPECT_EQ(composite.GetPixel(x, 2), static_cast<uint32_t>(x) * 0x101010u);  // a plain copy
  }
}

TEST(Composition, FirstVisibleLayerAboveBottomIsDrawnThroughItsAlpha) {
  auto hidden = Layer24([](int, int) { return 0u; });
  hidden.visible = false;
  const uint8_t alphas[kW] = {0, 128, 254, 255};
  auto layer = Layer24([](int, int) { return 0xFF8040u; }, [&](int x, int) { return alphas[x]; });
  layer.alphaOn = true;
  const auto frames = LoadFile(File24(FxGeneration::Xml, 0, true, {hidden, layer}));
  const TDIBSurface& composite = *frames->GetFrame(0).Surface;
  ASSERT_NE(composite.AlphaChannel, nullptr);
  EXPECT_EQ(composite.AlphaChannel->GetPixel(1, 0), 128u);
  EXPECT_EQ(composite.GetPixel(0, 0), 0u);          // alpha 0: background stays
  EXPECT_EQ(composite.GetPixel(1, 0), 0x7F4020u);   // (128 * c) >> 8 for c = 255, 128, 64
  EXPECT_EQ(composite.GetPixel(2, 0), 0xFD7F3Fu);   // (254 * c) >> 8
  EXPECT_EQ(composite.GetPixel(3, 0), 0xFF8040u);   // alpha 255: copied
}

TEST(Composition, BinaryLayersWithAlphaLoseTheirKeyXmlLayersKeepIt) {
  for (const auto generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    auto layer = Layer24(HalfKeyed, [](int, int) { return uint8_t{255}; });
    layer.alphaOn = true;
    layer.transColor = kKey;
    const auto frames = LoadFile(File24(generation, kBG, false, {layer}));
    EXPECT_EQ(At(*frames, 0, 0), generation == FxGeneration::Binary ? kKey : kBGPixel);
  }
}

TEST(Composition, BackgroundAtFifteenAndSixteenBits) {
  for (const int32_t bpp : {15, 16}) {
    FxFile file;
    file.version = 107;
    file.header.bgColor = 0x00C08040;  // red 0x40, green 0x80, blue 0xC0
    FxFrame frame;
    frame.width = 3;
    frame.height = 2;
    frame.bpp = bpp;
    file.frames.push_back(frame);
    const auto frames = LoadFile(file);
    const uint32_t want = bpp == 16 ? (8u << 11 | 32u << 5 | 24u) : (8u << 10 | 16u << 5 | 24u);
    EXPECT_EQ(frames->GetFrame(0).Surface->GetPixel(2, 1), want) << bpp;
  }
}

TEST(Composition, PaletteBackgroundIsTheNearestEntry) {
  FxFile file;
  file.version = 102;
  FxFrame frame;
  frame.width = 5;
  frame.height = 3;
  frame.bpp = 8;
  // One step of red off entry 200 of the writer's table (0x00BBGGRR).
  const fixtures::FxRgbQuad near = fixtures::FxFramePalette(frame)[200];
  file.header.bgColor = near.blue << 16 | near.green << 8 | (near.red + 1);
  file.frames.push_back(frame);
  const auto frames = LoadFile(file);
  EXPECT_EQ(frames->GetFrame(0).Surface->GetPixel(4, 2), 200u);
}

}  // namespace
}  // namespace vorn
