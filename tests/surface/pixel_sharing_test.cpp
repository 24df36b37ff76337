// Pixels shown by two images at once (a frame's composite showing the one
// layer that covers it): every way of writing into either gives the writer
// a copy of its own first, so the other keeps what it showed. And the row
// padding tests that decide whether a picture may be shown or handed on as
// it is.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/VornError.h"
#include "surface/DIBSurface.h"
#include "surface/PixelMemory.h"
#include "tests/surface/SurfaceTestHelpers.h"

namespace vorn {
namespace {

using testing::Block;
using testing::NoiseSurface;

TEST(PixelSharing, EveryWriteToEitherImageCopiesFirst) {
  // Each way of writing, applied to the showing image or to the source.
  const std::vector<void (*)(TDIBSurface&)> writes = {
      [](TDIBSurface& s) { s.SetPixel(1, 1, 0x123456); },
      [](TDIBSurface& s) { s.ScanLine(0)[0] ^= 0xFF; },
      [](TDIBSurface& s) { s.TopRow()[1] ^= 0xFF; },
      [](TDIBSurface& s) { s.FillRect(s.BoundsRect(), 7); },
      [](TDIBSurface& s) { s.Draw(0, 0, *NoiseSurface(9, 5, 32, 99)); },
      [](TDIBSurface& s) {
        const auto other = NoiseSurface(9, 5, 32, 98);
        s.DrawAlpha(0, 0, 128, -1, other->BoundsRect(), *other);
      },
  };
  for (size_t i = 0; i < writes.size(); ++i)
    for (const bool toSource : {false, true}) {
      const auto source = NoiseSurface(9, 5, 32, 1);
      TDIBSurface shower;
      shower.SetSize(9, 5, 32);
      shower.SharePixels(*source);
      const std::vector<uint8_t> before = Block(*source);
      ASSERT_EQ(shower.Bits(), source->Bits()) << "shown without a copy";
      ASSERT_EQ(Block(shower), before);

      TDIBSurface& written = toSource ? *source : shower;
      const TDIBSurface& other = toSource ? shower : *source;
      writes[i](written);
      EXPECT_NE(written.Bits(), other.Bits()) << i << " " << toSource;
      EXPECT_EQ(Block(other), before) << i << " " << toSource;
      EXPECT_NE(Block(written), before) << i << " " << toSource;
    }
}

TEST(PixelSharing, SharedBytesOutliveTheSourceAndKeepTheirHeader) {
  auto source = NoiseSurface(6, 4, 8, 3);
  TDIBSurface shower;
  shower.SetSize(6, 4, 8);
  shower.ColorTable[5] = TRGBQuad{1, 2, 3, 0};
  shower.UpdatePalette();
  shower.SharePixels(*source);
  const std::vector<uint8_t> shown = Block(*source);
  source.reset();  // the layer is dropped; the composite still shows its pixels
  EXPECT_EQ(Block(shower), shown);
  EXPECT_EQ(shower.Image().ColorTable[5].Green, 2);
  // Exchanging passes the block on as it is; sizes must agree.
  TDIBSurface other;
  other.SetSize(6, 4, 8);
  other.ExchangePixels(shower);
  EXPECT_EQ(Block(other), shown);
  TDIBSurface wrong;
  wrong.SetSize(6, 5, 8);
  EXPECT_THROW(wrong.SharePixels(other), EInvalidGraphicOperation);
}

TEST(PixelSharing, CopyOnWriteTakesMemoryFromTheSurfacesSource) {
  // A source that counts its blocks: the copy made on the first write comes
  // from it and holds the shared bytes; the alpha channel comes from it too.
  struct TCounting final : TPixelMemory {
    int Live = 0;
    uint8_t* Allocate(size_t size) override {
      ++Live;
      auto* p = new uint8_t[size];
      std::memset(p, 0, size);
      return p;
    }
    void Free(uint8_t* bytes) override {
      --Live;
      delete[] bytes;
    }
  } memory;
  {
    const auto source = NoiseSurface(5, 3, 24, 4, &memory);
    TDIBSurface shower(&memory);
    shower.SetSize(5, 3, 24);
    EXPECT_EQ(memory.Live, 2);
    shower.SharePixels(*source);
    EXPECT_EQ(memory.Live, 1);  // the shower's own block went back
    shower.SetPixel(0, 0, 1);
    EXPECT_EQ(memory.Live, 2);
    EXPECT_EQ(shower.GetPixel(1, 2), source->GetPixel(1, 2));
    shower.NeedAlpha();
    EXPECT_EQ(memory.Live, 3);
  }
  EXPECT_EQ(memory.Live, 0);
}

TEST(RowPadding, FoundAndClearedAtEveryDepth) {
  // Widths whose rows end inside a byte and before a 4-byte boundary.
  for (const int32_t bpp : {1, 4, 8, 16, 24, 32})
    for (const int32_t w : {1, 3, 5, 8, 13}) {
      auto s = NoiseSurface(w, 3, bpp, 5);
      EXPECT_TRUE(s->PaddingIsZero()) << bpp << " " << w;
      const std::vector<uint32_t> pixels = testing::Pixels(*s);
      // Dirty every byte of the bottom row in memory past its pixels.
      uint8_t* row = s->ScanLine(2);
      const int64_t usedBits = int64_t{w} * bpp;
      const auto whole = static_cast<size_t>(usedBits / 8);
      if (usedBits % 8 != 0) row[whole] |= static_cast<uint8_t>(0xFF >> (usedBits % 8));
      for (size_t i = (static_cast<size_t>(usedBits) + 7) / 8; i < static_cast<size_t>(s->RowBytes()); ++i)
        row[i] = 0xA5;
      const bool padded = usedBits % 32 != 0;
      EXPECT_EQ(s->PaddingIsZero(), !padded) << bpp << " " << w;
      s->ClearPadding();
      EXPECT_TRUE(s->PaddingIsZero()) << bpp << " " << w;
      EXPECT_EQ(testing::Pixels(*s), pixels) << bpp << " " << w;
    }
}

}  // namespace
}  // namespace vorn
