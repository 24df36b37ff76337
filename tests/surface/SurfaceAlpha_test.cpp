// Constant-opacity and alpha-channel draws, alpha channel management and
// colour-to-pixel conversion.
#include <gtest/gtest.h>

#include "support/VornError.h"
#include "surface/DIBSurface.h"
#include "tests/surface/SurfaceTestHelpers.h"

namespace vorn {
namespace {

using testing::Block;
using testing::NoiseSurface;

const int32_t kDither[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// A one-pixel pair at the given depth: source s over destination d.
struct Pair {
  TDIBSurface src, dst;
  Pair(int32_t depth, uint32_t s, uint32_t d) {
    src.SetSize(1, 1, depth);
    dst.SetSize(1, 1, depth);
    src.SetPixel(0, 0, s);
    dst.SetPixel(0, 0, d);
  }
  uint32_t Alpha(int32_t opacity, int32_t key = -1) {
    dst.DrawAlpha(0, 0, opacity, key, src.BoundsRect(), src);
    return dst.GetPixel(0, 0);
  }
  uint32_t Channel(uint8_t alpha, int32_t opacity = 255) {
    src.NeedAlpha();
    src.AlphaChannel->SetPixel(0, 0, alpha);
    dst.DrawAlphaChannel(0, 0, opacity, src.BoundsRect(), src);
    return dst.GetPixel(0, 0);
  }
};

TEST(SurfaceAlpha, OpacityZeroAndFullAtEveryDepth) {
  for (int32_t depth : {1, 4, 8, 15, 16, 24, 32}) {
    SCOPED_TRACE(depth);
    const auto src = NoiseSurface(9, 5, depth, 1);
    src->SetPixel(2, 2, 0xFFFFFFFF);
    const auto base = NoiseSurface(9, 5, depth, 2);
    auto dst = NoiseSurface(9, 5, depth, 2);
    dst->DrawAlpha(0, 0, 0, -1, src->BoundsRect(), *src);
    EXPECT_EQ(Block(*dst), Block(*base));
    dst->DrawAlpha(0, 0, 255, -1, src->BoundsRect(), *src);
    auto drawn = NoiseSurface(9, 5, depth, 2);
    drawn->Draw(0, 0, *src);
    // At 32 bits the key -1 is the all-ones pixel, which stays out.
    if (depth == 32) drawn->SetPixel(2, 2, base->GetPixel(2, 2));
    EXPECT_EQ(Block(*dst), Block(*drawn));
  }
}

TEST(SurfaceAlpha, ScreenDoorLevels) {
  for (int32_t depth : {1, 4, 8}) {
    for (int32_t opacity : {1, 15, 16, 128, 239, 240, -3, 300}) {
      SCOPED_TRACE(::testing::Message() << depth << " bits, opacity " << opacity);
      TDIBSurface src, dst;
      src.SetSize(11, 9, depth);
      src.FillRect(src.BoundsRect(), 1);
      dst.SetSize(14, 13, depth);
      dst.DrawAlpha(2, 3, opacity, -1, src.BoundsRect(), src);
      const int32_t level = opacity < 0 || opacity >= 240 ? 15 : opacity / 16;
      for (int32_t y = 0; y < 13; ++y)
        for (int32_t x = 0; x < 14; ++x) {
          const bool inside = x >= 2 && x < 13 && y >= 3 && y < 12;
          const bool drawn = inside && kDither[y % 4][x % 4] <= level;
          ASSERT_EQ(dst.GetPixel(x, y), drawn ? 1u : 0u) << x << "," << y;
        }
    }
  }
}

TEST(SurfaceAlpha, ScreenDoorSkipsKeyedPixels) {
  TDIBSurface src, dst;
  src.SetSize(4, 4, 8);
  src.FillRect(src.BoundsRect(), 7);
  src.SetPixel(0, 0, 3);
  dst.SetSize(4, 4, 8);
  dst.DrawAlpha(0, 0, 200, 7, src.BoundsRect(), src);  // level 12
  EXPECT_EQ(dst.GetPixel(0, 0), 3u);
  for (int32_t i = 1; i < 16; ++i) EXPECT_EQ(dst.GetPixel(i % 4, i / 4), 0u);
}

TEST(SurfaceAlpha, BlendsByFormula) {
  EXPECT_EQ(Pair(24, 0xFFFFFF, 0).Alpha(128), 0x808080u);
  EXPECT_EQ(Pair(24, 0x0000C8, 0x000064).Alpha(100), 0x000000u + (155 * 100 + 100 * 200) / 255);
  EXPECT_EQ(Pair(32, 0xFFFFFFFF, 0).Alpha(128, 5), 0x007F7F7Fu);  // top byte becomes 0
  EXPECT_EQ(Pair(32, 0xAB000000, 0xCD000000).Alpha(1, 5), 0u);
  // 5-6-5: the green result's low bits are dropped instead of carrying into blue.
  EXPECT_EQ(Pair(16, 0x07E0, 0).Alpha(128), 0x03E0u);
  EXPECT_EQ(Pair(16, 0xF800, 0).Alpha(128), 0x7800u);
  EXPECT_EQ(Pair(16, 0x001F, 0).Alpha(128), 0x000Fu);
  EXPECT_EQ(Pair(15, 0x7FFF, 0).Alpha(64), 0x1CE7u);  // each 5-bit channel: 31 * 64 / 255 = 7
  // A keyed source pixel is left out of the blend too.
  EXPECT_EQ(Pair(24, 0x123456, 0x010101).Alpha(100, 0x123456), 0x010101u);
  EXPECT_EQ(Pair(16, 0xF800, 0x0001).Alpha(100, 0xF800), 0x0001u);
}

TEST(SurfaceAlpha, ChannelRulesByDepth) {
  // 8 bits and below: alpha 128 and above copies, below leaves the pixel.
  EXPECT_EQ(Pair(8, 9, 4).Channel(127), 4u);
  EXPECT_EQ(Pair(8, 9, 4).Channel(128), 9u);
  EXPECT_EQ(Pair(4, 9, 4).Channel(200, 0), 9u);  // the opacity takes no part
  EXPECT_EQ(Pair(1, 1, 0).Channel(255), 1u);
  // 24 bits at full opacity.
  EXPECT_EQ(Pair(24, 0xC8C8C8, 0x646464).Channel(255), 0xC8C8C8u);
  EXPECT_EQ(Pair(24, 0xC8C8C8, 0x646464).Channel(254), 0xC6C6C6u);  // (254 * 200 + 100) >> 8 = 198
  EXPECT_EQ(Pair(24, 0xC8C8C8, 0x646464).Channel(0), 0x646464u);
  // 24 bits faded: e = (128 * 255) >> 8 = 127; (127 * 255) >> 8 = 126.
  EXPECT_EQ(Pair(24, 0xFFFFFF, 0).Channel(255, 128), 0x7E7E7Eu);
  EXPECT_EQ(Pair(24, 0xFFFFFF, 0x010203).Channel(1, 128), 0x010203u);  // e = 0
  // 32 bits: all four bytes on 255, the blend (top byte 0) in between.
  EXPECT_EQ(Pair(32, 0xAB808080, 0x11223344).Channel(255, 0), 0xAB808080u);
  EXPECT_EQ(Pair(32, 0xAB808080, 0).Channel(128), 0x00404040u);
  EXPECT_EQ(Pair(32, 0xAB808080, 0x11223344).Channel(0), 0x11223344u);
  // 16 bits shifts by 8 where DrawAlpha divides by 255.
  EXPECT_EQ(Pair(16, 0x001F, 0).Channel(255), 0x001Fu);
  EXPECT_EQ(Pair(16, 0x001F, 0).Channel(254), 0x001Eu);  // 254 * 31 >> 8 = 30
  EXPECT_EQ(Pair(16, 0x07E0, 0).Channel(128), 0x03E0u);
}

TEST(SurfaceAlpha, ChannelFollowsSourceCoordinatesAndClipping) {
  const auto src = NoiseSurface(6, 5, 32, 3);
  src->NeedAlpha();
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 6; ++x) src->AlphaChannel->SetPixel(x, y, (x + y) % 2 ? 255 : 0);
  TDIBSurface dst;
  dst.SetSize(4, 4, 32);
  dst.DrawAlphaChannel(-1, 1, 255, {1, 1, 6, 5}, *src);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const int32_t sx = x + 2, sy = y;  // the left edge moved from 1 to 2 under clipping
      const bool inside = y >= 1;
      const uint32_t want = inside && (sx + sy) % 2 ? src->GetPixel(sx, sy) : 0u;
      EXPECT_EQ(dst.GetPixel(x, y), want) << x << "," << y;
    }
}

TEST(SurfaceAlpha, SubBytePhasesOfBlendingDraws) {
  for (int32_t depth : {1, 4}) {
    const auto src = NoiseSurface(23, 4, depth, 5);
    src->NeedAlpha();
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 23; ++x) src->AlphaChannel->SetPixel(x, y, (x * 37 + y * 11) & 0xFF);
    for (int32_t sx = 0; sx < 8; ++sx)
      for (int32_t dx = 0; dx < 8; ++dx) {
        SCOPED_TRACE(::testing::Message() << depth << " bits, sx " << sx << " dx " << dx);
        const TRect r{sx, 0, sx + 13, 4};
        auto got = NoiseSurface(24, 5, depth, 8);
        auto want = NoiseSurface(24, 5, depth, 8);
        got->DrawAlphaChannel(dx, 1, 255, r, *src);
        got->DrawAlpha(dx, 0, 100, 1, r, *src);  // level 6, key 1
        for (int32_t j = 0; j < 4; ++j)
          for (int32_t i = 0; i < 13; ++i)
            if (src->AlphaChannel->GetPixel(sx + i, j) >= 128)
              want->SetPixel(dx + i, 1 + j, src->GetPixel(sx + i, j));
        for (int32_t j = 0; j < 4; ++j)
          for (int32_t i = 0; i < 13; ++i) {
            const uint32_t v = src->GetPixel(sx + i, j);
            if (v != 1 && kDither[j % 4][(dx + i) % 4] <= 6) want->SetPixel(dx + i, j, v);
          }
        ASSERT_EQ(Block(*got), Block(*want));
      }
  }
}

TEST(SurfaceAlpha, ChannelPreconditions) {
  const auto src = NoiseSurface(4, 4, 24, 1);
  TDIBSurface dst;
  dst.SetSize(4, 4, 24);
  // No alpha channel: a plain DrawAlpha with key -1.
  dst.DrawAlphaChannel(0, 0, 255, src->BoundsRect(), *src);
  EXPECT_EQ(Block(dst), Block(*src));
  src->NeedAlpha();
  src->AlphaChannel->SetSize(3, 4, 8);  // smaller than the rectangle
  EXPECT_THROW(dst.DrawAlphaChannel(0, 0, 255, src->BoundsRect(), *src), EInvalidGraphicOperation);
  dst.DrawAlphaChannel(0, 0, 255, {0, 0, 3, 4}, *src);  // covered: fine
  src->AlphaChannel->SetSize(4, 4, 24);
  EXPECT_THROW(dst.DrawAlphaChannel(0, 0, 255, {0, 0, 1, 1}, *src), EInvalidGraphicOperation);
}

TEST(SurfaceAlphaChannel, NeedCopyFillAndFree) {
  TDIBSurface s;
  s.SetSize(5, 3, 32);
  s.NeedAlpha();
  ASSERT_NE(s.AlphaChannel, nullptr);
  EXPECT_EQ(s.AlphaChannel->Width(), 5);
  EXPECT_EQ(s.AlphaChannel->Height(), 3);
  EXPECT_EQ(s.AlphaChannel->BitCount(), 8);
  s.AlphaChannel->SetPixel(4, 2, 77);
  s.NeedAlpha();  // right size already: contents stay
  EXPECT_EQ(s.AlphaChannel->GetPixel(4, 2), 77u);

  s.FillAlphaOpaque();
  for (uint8_t b : Block(*s.AlphaChannel)) EXPECT_EQ(b, 0xFF);  // padding included

  TDIBSurface layer;
  layer.SetSize(5, 3, 8);
  layer.SetPixel(1, 0, 12);
  layer.SetPixel(3, 2, 34);
  TDIBSurface composite;
  composite.SetSize(5, 3, 32);
  composite.CopyAlpha(layer);
  EXPECT_EQ(Block(*composite.AlphaChannel), Block(layer));

  TDIBSurface narrow, shortOne, deep;
  narrow.SetSize(4, 3, 8);
  shortOne.SetSize(5, 2, 8);
  deep.SetSize(5, 3, 24);
  EXPECT_THROW(composite.CopyAlpha(narrow), EInvalidGraphicOperation);
  EXPECT_THROW(composite.CopyAlpha(shortOne), EInvalidGraphicOperation);
  EXPECT_THROW(composite.CopyAlpha(deep), EInvalidGraphicOperation);
  EXPECT_EQ(Block(*composite.AlphaChannel), Block(layer));

  composite.FreeAlpha();
  EXPECT_EQ(composite.AlphaChannel, nullptr);
  composite.FillAlphaOpaque();  // nothing to fill
  EXPECT_EQ(composite.AlphaChannel, nullptr);
}

TEST(SurfaceColorToPixel, PackedDepthsMaskTheComponents) {
  TDIBSurface s;
  s.SetSize(1, 1, 16);
  EXPECT_EQ(s.ColorToPixel(31, 0, 0), 0xF800u);
  EXPECT_EQ(s.ColorToPixel(31, 63, 31), 0xFFFFu);
  EXPECT_EQ(s.ColorToPixel(32, 64, 32), 0u);
  s.SetSize(1, 1, 15);
  EXPECT_EQ(s.ColorToPixel(31, 0, 0), 0x7C00u);
  EXPECT_EQ(s.ColorToPixel(0, 32, 1), 0x0001u);
  s.SetSize(1, 1, 24);
  EXPECT_EQ(s.ColorToPixel(0x112, 0x34, 0x56), 0x123456u);
}

TEST(SurfaceColorToPixel, NearestEntryAmongTheUsedOnes) {
  TDIBSurface s;
  s.SetSize(1, 1, 8);
  s.ColorTable.fill(TRGBQuad{0, 0, 0, 0});
  s.ColorTable[3] = TRGBQuad{10, 20, 30, 0};  // blue, green, red
  s.ColorTable[4] = TRGBQuad{12, 20, 30, 0};
  s.ColorTable[9] = TRGBQuad{11, 20, 30, 0};
  s.UpdatePalette();
  EXPECT_EQ(s.ColorToPixel(30, 20, 11), 9u);
  EXPECT_EQ(s.ColorToPixel(30, 20, 10), 3u);
  EXPECT_EQ(s.ColorToPixel(0, 0, 0), 0u);  // entries 0..2 and 5.. tie: the first wins
  EXPECT_EQ(s.ColorToPixel(300, 20, 12), 4u);
  // The uncommitted table takes no part.
  s.ColorTable[7] = TRGBQuad{99, 99, 99, 0};
  EXPECT_NE(s.ColorToPixel(99, 99, 99), 7u);
  // A 1-bit surface looks at its two entries only.
  TDIBSurface mono;
  mono.SetSize(1, 1, 1);
  mono.ColorTable[0] = TRGBQuad{0, 0, 0, 0};
  mono.ColorTable[1] = TRGBQuad{255, 255, 255, 0};
  mono.ColorTable[2] = TRGBQuad{100, 100, 100, 0};
  mono.UpdatePalette();
  EXPECT_EQ(mono.ColorToPixel(100, 100, 100), 0u);
  EXPECT_EQ(mono.ColorToPixel(200, 200, 200), 1u);
}

}  // namespace
}  // namespace vorn
