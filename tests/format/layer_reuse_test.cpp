// In files stored in rows no block copies from a layer, so a frame reuses
// the memory of layers it has composed: the composite takes over the pixels
// of a layer that covers it, and later layers are decoded into the memory of
// earlier ones. The composites must be exactly those of the same layers
// stored in blocks, where nothing is reused, row padding included.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/format/ReaderTestHelpers.h"

namespace vorn {
namespace {

using fixtures::FxFile;
using fixtures::FxFrame;
using fixtures::FxLayer;

constexpr int32_t kW = 13, kH = 7;

// Pseudo-random rows with every bit past the last pixel set: row storage
// carries such bytes into the layer, the composite must not show them.
std::vector<uint8_t> DirtyRows(int32_t bpp, uint32_t seed) {
  std::vector<uint8_t> rows = fixtures::FxPseudoRandomRows(kW, kH, bpp, seed);
  const size_t rowBytes = fixtures::FxRowBytes(kW, bpp);
  const size_t usedBits = static_cast<size_t>(kW) * static_cast<size_t>(fixtures::FxStorageBits(bpp));
  for (int32_t y = 0; y < kH; ++y) {
    uint8_t* row = rows.data() + rowBytes * static_cast<size_t>(y);
    if (usedBits % 8 != 0) row[usedBits / 8] |= static_cast<uint8_t>(0xFF >> (usedBits % 8));
    for (size_t i = (usedBits + 7) / 8; i < rowBytes; ++i) row[i] = 0xFF;
  }
  return rows;
}

FxLayer Layer(int32_t bpp, uint32_t seed) {
  FxLayer layer;
  layer.pixels = DirtyRows(bpp, seed);
  return layer;
}

// Frames that go through every drawing rule, with covering layers first,
// later and after an invisible one, alpha channels to reuse, a translucent
// first layer and a frame without layers.
FxFile LayeredFile(int32_t bpp, bool blocks) {
  FxFile file;
  file.version = 107;
  file.header.bgColor = 0x336699;
  file.header.notFillBG = 1;
  if (blocks) {
    file.header.blockWidth = 8;
    file.header.blockHeight = 4;
  }
  FxFrame frame;
  frame.width = kW;
  frame.height = kH;
  frame.bpp = bpp;
  const uint32_t key = bpp == 1 ? 1 : 3;

  FxFrame first = frame;
  FxLayer keyedFirst = Layer(bpp, 1);  // NotFillBG: a plain copy despite its key
  keyedFirst.transColor = static_cast<int32_t>(key);
  FxLayer hidden = Layer(bpp, 2);
  hidden.visible = false;
  FxLayer keyed = Layer(bpp, 3);
  keyed.transColor = static_cast<int32_t>(key);
  FxLayer blended = Layer(bpp, 5);
  blended.alpha = 128;
  FxLayer masked = Layer(bpp, 6);
  masked.alphaPlane = DirtyRows(8, 7);
  masked.alphaOn = true;
  FxLayer masked2 = masked;
  masked2.pixels = DirtyRows(bpp, 8);
  masked2.alphaPlane = DirtyRows(8, 9);
  first.layers = {keyedFirst, hidden, keyed, Layer(bpp, 4), blended, masked, masked2, Layer(bpp, 10)};

  FxFrame second = frame;
  FxLayer translucent = Layer(bpp, 11);
  translucent.alpha = 100;
  FxLayer bottomAlpha = Layer(bpp, 12);
  bottomAlpha.alphaPlane = DirtyRows(8, 13);
  bottomAlpha.alphaOn = true;
  second.layers = {translucent, Layer(bpp, 14)};
  FxFrame third = frame;
  third.layers = {bottomAlpha, blended};

  file.frames = {first, second, third, frame};
  return file;
}

std::vector<uint8_t> BitsOf(const TDIBSurface& s) { return {s.Bits(), s.Bits() + s.Size()}; }

TEST(LayerReuse, RowFilesComposeExactlyAsBlockFiles) {
  for (const int32_t bpp : {1, 4, 8, 15, 16, 24, 32}) {
    const auto rows = testing::LoadFile(LayeredFile(bpp, false));
    const auto blocks = testing::LoadFile(LayeredFile(bpp, true));
    ASSERT_EQ(rows->Count(), 4);
    ASSERT_EQ(blocks->Count(), 4);
    for (int f = 0; f < 4; ++f) {
      const TDIBSurface& a = *rows->GetFrame(f).Surface;
      const TDIBSurface& b = *blocks->GetFrame(f).Surface;
      EXPECT_EQ(BitsOf(a), BitsOf(b)) << bpp << " bits, frame " << f;
      ASSERT_EQ(a.AlphaChannel != nullptr, b.AlphaChannel != nullptr) << bpp << " bits, frame " << f;
      // The composite's alpha is a row copy of a layer's, padding and all:
      // only its pixels are compared (it is never delivered).
      for (int32_t y = 0; a.AlphaChannel && y < kH; ++y) {
        const uint8_t* rowA = a.AlphaChannel->ScanLine(y);
        const uint8_t* rowB = b.AlphaChannel->ScanLine(y);
        EXPECT_TRUE(std::equal(rowA, rowA + kW, rowB)) << bpp << " bits, frame " << f << ", row " << y;
      }
    }
  }
}

}  // namespace
}  // namespace vorn
