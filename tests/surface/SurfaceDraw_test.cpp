// Fills, plain and keyed copies: clipping, sub-byte phases, key rules and the
// refusals of broken preconditions.
#include <gtest/gtest.h>

#include <climits>

#include "support/VornError.h"
#include "surface/DIBSurface.h"
#include "tests/surface/SurfaceTestHelpers.h"

namespace vorn {
namespace {

using testing::Block;
using testing::NoiseSurface;
using testing::Pixels;

const int32_t kDepths[] = {1, 4, 8, 15, 16, 24, 32};

TEST(SurfaceFill, SubBytePartialBytes) {
  TDIBSurface s;
  s.SetSize(8, 1, 4);
  s.FillRect({1, 0, 5, 1}, 0x3A);  // value masked to A
  EXPECT_EQ(s.ScanLine(0)[0], 0x0A);
  EXPECT_EQ(s.ScanLine(0)[1], 0xAA);
  EXPECT_EQ(s.ScanLine(0)[2], 0xA0);
  EXPECT_EQ(s.ScanLine(0)[3], 0x00);

  s.SetSize(40, 2, 1);
  s.FillRect({-5, 1, 21, 9}, 1);  // partly outside: only row 1, columns 0..20
  EXPECT_EQ(s.ScanLine(0)[0], 0x00);
  EXPECT_EQ(s.ScanLine(1)[0], 0xFF);
  EXPECT_EQ(s.ScanLine(1)[1], 0xFF);
  EXPECT_EQ(s.ScanLine(1)[2], 0xF8);
  s.FillRect({3, 1, 13, 2}, 0);
  EXPECT_EQ(s.ScanLine(1)[0], 0xE0);
  EXPECT_EQ(s.ScanLine(1)[1], 0x07);
}

TEST(SurfaceFill, ValuesAtEveryDepth) {
  for (int32_t depth : kDepths) {
    SCOPED_TRACE(depth);
    TDIBSurface s;
    s.SetSize(5, 4, depth);
    s.FillRect({1, 1, 4, 3}, 0xFFFFFFFF);
    const uint32_t expected = depth == 1    ? 1
                              : depth == 4  ? 0xF
                              : depth == 8  ? 0xFF
                              : depth == 15 ? 0x7FFF
                              : depth == 16 ? 0xFFFF
                              : depth == 24 ? 0xFFFFFF
                                            : 0xFFFFFFFF;
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 5; ++x)
        EXPECT_EQ(s.GetPixel(x, y), (x >= 1 && x < 4 && y >= 1 && y < 3) ? expected : 0u)
            << x << "," << y;
  }
  TDIBSurface empty;
  empty.FillRect({0, 0, 10, 10}, 1);  // nothing to fill
  EXPECT_EQ(empty.Size(), 0);
}

// What a copy must produce, pixel by pixel, from the rules alone.
void ReferenceDraw(TDIBSurface& dst, int32_t x, int32_t y, const TRect& r, const TDIBSurface& src,
                   bool keyed, uint32_t key) {
  for (int32_t j = r.Top; j < r.Bottom; ++j)
    for (int32_t i = r.Left; i < r.Right; ++i) {
      const uint32_t v = src.GetPixel(i, j);
      if (keyed && v == key) continue;
      dst.SetPixel(x + i - r.Left, y + j - r.Top, v);
    }
}

TEST(SurfaceDraw, SubBytePhasesMatchPixelCopies) {
  for (int32_t depth : {1, 4}) {
    const auto src = NoiseSurface(29, 3, depth, 7);
    for (int32_t sx = 0; sx < 8; ++sx)
      for (int32_t dx = 0; dx < 8; ++dx)
        for (int32_t count : {1, 2, 3, 7, 8, 9, 17, 21}) {
          SCOPED_TRACE(::testing::Message()
                       << depth << " bits, sx " << sx << " dx " << dx << " n " << count);
          const TRect r{sx, 0, sx + count, 3};
          auto got = NoiseSurface(31, 4, depth, 99);
          auto want = NoiseSurface(31, 4, depth, 99);
          got->CopyRect(dx, 1, r, *src);
          ReferenceDraw(*want, dx, 1, r, *src, false, 0);
          ASSERT_EQ(Block(*got), Block(*want));
          const uint32_t key = depth == 1 ? 1 : 6;
          got->DrawTransparent(dx, 0, static_cast<int32_t>(key), r, *src);
          ReferenceDraw(*want, dx, 0, r, *src, true, key);
          ASSERT_EQ(Block(*got), Block(*want));
        }
  }
}

TEST(SurfaceDraw, CopyRectClipsAtEveryDepth) {
  for (int32_t depth : kDepths) {
    SCOPED_TRACE(depth);
    const auto src = NoiseSurface(9, 8, depth, 3);
    auto got = NoiseSurface(6, 5, depth, 4);
    auto want = NoiseSurface(6, 5, depth, 4);
    // Source rectangle reaching past the source on every side, target off to the upper left.
    got->CopyRect(-1, -2, {-2, -1, 12, 10}, *src);
    // The edges move by 2 and 1: source column 0 lands at x = 1, row 0 at y = -1.
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 1; x < 6; ++x) want->SetPixel(x, y, src->GetPixel(x - 1, y + 1));
    ASSERT_EQ(Block(*got), Block(*want));
  }
}

TEST(SurfaceDraw, DrawFromNegativeOffset) {
  const auto src = NoiseSurface(10, 10, 24, 5);
  TDIBSurface dst;
  dst.SetSize(4, 4, 24);
  dst.Draw(-2, -3, *src);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(dst.GetPixel(x, y), src->GetPixel(x + 2, y + 3));
}

TEST(SurfaceDraw, ClipRectLimitsAndNeverWidensTheTarget) {
  const auto src = NoiseSurface(8, 8, 8, 1);
  TDIBSurface dst;
  dst.SetSize(8, 8, 8);
  dst.ClipRect = {2, 3, 5, 100};  // reaches past the bottom
  dst.Draw(-1, -1, *src);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x)
      EXPECT_EQ(dst.GetPixel(x, y), (x >= 2 && x < 5 && y >= 3) ? src->GetPixel(x + 1, y + 1) : 0u);
  dst.ClipRect = {-50, -50, 50, 50};
  dst.Draw(0, 0, *src);
  EXPECT_EQ(Pixels(dst), Pixels(*src));
}

TEST(SurfaceDraw, ClipToTargetSurvivesExtremeCoordinates) {
  TDIBSurface dst;
  dst.SetSize(10, 10, 8);
  int32_t x = INT_MIN, y = 0;
  TRect r{0, 0, 100, 5};
  EXPECT_FALSE(dst.ClipToTarget(x, y, r));
  x = INT_MAX - 1;
  r = {INT_MIN, 0, INT_MAX, 5};
  EXPECT_FALSE(dst.ClipToTarget(x, y, r));
  x = -3;
  y = 4;
  r = {1, 1, 20, 20};
  EXPECT_TRUE(dst.ClipToTarget(x, y, r));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(r, (TRect{4, 1, 14, 7}));
  const auto src = NoiseSurface(4, 4, 8, 2);
  dst.Draw(INT_MAX, INT_MIN, *src);
  dst.CopyRect(INT_MAX, 0, {-5, 0, 4, 4}, *src);
  EXPECT_EQ(Pixels(dst), std::vector<uint32_t>(100, 0));
}

TEST(SurfaceDraw, KeyRulesByDepth) {
  struct Case {
    int32_t depth, key;
    uint32_t keyed, other;
  };
  const Case cases[] = {
      {1, 1, 1, 0},
      {1, 0, 0, 1},
      {4, 9, 9, 3},
      {8, 200, 200, 201},
      {15, 0x7C00, 0x7C00, 1},
      {16, 0xF81F, 0xF81F, 0xF81E},
      {24, 0x01123456, 0x123456, 0x123457},  // bits above the three bytes take no part
      {32, -1, 0xFFFFFFFF, 0x00FFFFFF},      // the whole word: -1 is all ones
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.depth << " key " << c.key);
    TDIBSurface src, dst;
    src.SetSize(2, 1, c.depth);
    src.SetPixel(0, 0, c.keyed);
    src.SetPixel(1, 0, c.other);
    dst.SetSize(2, 1, c.depth);
    dst.FillRect(dst.BoundsRect(), c.depth == 1 ? (c.keyed ^ 1) : 0x5);
    const uint32_t before = dst.GetPixel(0, 0);
    dst.DrawTransparent(0, 0, c.key, src.BoundsRect(), src);
    EXPECT_EQ(dst.GetPixel(0, 0), before);
    EXPECT_EQ(dst.GetPixel(1, 0), c.other);
  }
}

TEST(SurfaceDraw, KeysThatMatchNothing) {
  // -1 keys out nothing below 32 bits (at 24 no negative key matches); at 1 bit neither does 2.
  for (int32_t depth : {1, 4, 8, 16, 24}) {
    for (int32_t key : {-1, 2}) {
      if (key == 2 && depth != 1) continue;
      SCOPED_TRACE(::testing::Message() << depth << " key " << key);
      const auto src = NoiseSurface(7, 3, depth, 11);
      src->SetPixel(0, 0, 0xFFFFFFFF);
      TDIBSurface dst;
      dst.SetSize(7, 3, depth);
      dst.DrawTransparent(0, 0, key, src->BoundsRect(), *src);
      EXPECT_EQ(Block(dst), Block(*src));
    }
  }
}

TEST(SurfaceDraw, BrokenPreconditionsAreRefused) {
  const auto src8 = NoiseSurface(4, 4, 8, 1);
  const auto src24 = NoiseSurface(4, 4, 24, 1);
  TDIBSurface dst;
  dst.SetSize(4, 4, 8);
  EXPECT_THROW(dst.Draw(0, 0, *src24), EInvalidGraphicOperation);
  EXPECT_THROW(dst.DrawTransparent(0, 0, -1, {0, 0, 4, 4}, *src24), EInvalidGraphicOperation);
  EXPECT_THROW(dst.DrawTransparent(0, 0, -1, {1, 1, 5, 4}, *src8), EInvalidGraphicOperation);
  EXPECT_THROW(dst.DrawTransparent(0, 0, -1, {-1, 0, 2, 2}, *src8), EInvalidGraphicOperation);
  EXPECT_THROW(dst.DrawAlpha(0, 0, 100, -1, {0, 0, 4, 5}, *src8), EInvalidGraphicOperation);
  // 16 bits 5-5-5 and 5-6-5 share a depth: pixels are copied as they are.
  const auto src15 = NoiseSurface(4, 4, 15, 1);
  TDIBSurface dst16;
  dst16.SetSize(4, 4, 16);
  dst16.Draw(0, 0, *src15);
  EXPECT_EQ(Block(dst16), Block(*src15));
  // An empty or inverted source rectangle draws nothing and is no error.
  dst.DrawTransparent(0, 0, -1, {3, 3, 1, 1}, *src24);
  dst.Draw(0, 0, TDIBSurface());
  EXPECT_EQ(Pixels(dst), std::vector<uint32_t>(16, 0));
}

TEST(SurfaceDraw, DrawingASurfaceOntoItself) {
  for (int32_t depth : {1, 4, 8, 24, 32}) {
    SCOPED_TRACE(depth);
    auto s = NoiseSurface(13, 6, depth, 21);
    const auto copy = NoiseSurface(13, 6, depth, 21);
    auto want = NoiseSurface(13, 6, depth, 21);
    s->CopyRect(3, 1, {0, 0, 10, 5}, *s);
    want->CopyRect(3, 1, {0, 0, 10, 5}, *copy);
    EXPECT_EQ(Block(*s), Block(*want));
  }
}

}  // namespace
}  // namespace vorn
