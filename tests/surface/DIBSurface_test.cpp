// The surface data model: sizes, header block, row order, resizing, palette
// commits, the shared empty image and taking over decoded pictures.
#include "surface/DIBSurface.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/Messages.h"
#include "support/VornError.h"
#include "tests/surface/SurfaceTestHelpers.h"

namespace vorn {
namespace {

uint32_t Read32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

struct HeaderCase {
  int32_t request, bitCount, infoSize, compression;
  uint32_t r, g, b;
};

TEST(DIBSurfaceModel, HeaderBlockAtEveryDepth) {
  const HeaderCase cases[] = {{1, 1, 48, 0, 0, 0, 0},
                              {4, 4, 104, 0, 0, 0, 0},
                              {8, 8, 1064, 0, 0, 0, 0},
                              {15, 16, 52, 3, 0x7C00, 0x03E0, 0x001F},
                              {16, 16, 52, 3, 0xF800, 0x07E0, 0x001F},
                              {24, 24, 40, 0, 0, 0, 0},
                              {32, 32, 52, 3, 0xFF0000, 0xFF00, 0xFF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    TDIBSurface s;
    s.SetSize(3, 2, c.request);
    const int32_t rowBytes = (c.bitCount * 3 + 31) / 32 * 4;
    EXPECT_EQ(s.BitCount(), c.bitCount);
    EXPECT_EQ(s.Bpp(), c.request);
    EXPECT_EQ(s.RowBytes(), rowBytes);
    EXPECT_EQ(s.Size(), rowBytes * 2);
    ASSERT_EQ(s.BitmapInfoSize(), c.infoSize);
    const uint8_t* h = s.BitmapInfo();
    EXPECT_EQ(Read32(h), 40u);
    EXPECT_EQ(Read32(h + 4), 3u);
    EXPECT_EQ(Read32(h + 8), 2u);
    EXPECT_EQ(h[12] | h[13] << 8, 1);
    EXPECT_EQ(h[14] | h[15] << 8, c.bitCount);
    EXPECT_EQ(Read32(h + 16), static_cast<uint32_t>(c.compression));
    EXPECT_EQ(Read32(h + 20), static_cast<uint32_t>(s.Size()));
    for (int at = 24; at < 40; ++at) EXPECT_EQ(h[at], 0) << at;
    int32_t tablePos = 40;
    if (c.compression == 3) {
      EXPECT_EQ(Read32(h + 40), c.r);
      EXPECT_EQ(Read32(h + 44), c.g);
      EXPECT_EQ(Read32(h + 48), c.b);
      tablePos = 52;
    }
    EXPECT_EQ(s.Image().ColorTablePos, tablePos);
    // The colour table written is the object's table: the grey ramp here.
    for (int32_t i = 0; i < s.Image().ColorCount; ++i)
      EXPECT_EQ(Read32(h + tablePos + 4 * i), static_cast<uint32_t>(i * 0x010101));
    for (uint8_t byte : testing::Block(s)) EXPECT_EQ(byte, 0);
  }
}

TEST(DIBSurfaceModel, RowSizesFromTheEdgeCases) {
  TDIBSurface s;
  s.SetSize(3, 2, 24);
  EXPECT_EQ(s.RowBytes(), 12);
  EXPECT_EQ(s.Size(), 24);
  s.SetSize(3, 2, 1);
  EXPECT_EQ(s.RowBytes(), 4);
  EXPECT_EQ(s.Size(), 8);
  s.SetSize(9, 1, 4);
  EXPECT_EQ(s.RowBytes(), 8);
}

TEST(DIBSurfaceModel, RowsAreStoredBottomUp) {
  TDIBSurface s;
  s.SetSize(2, 3, 8);
  EXPECT_EQ(s.TopRow() - s.Bits(), 2 * s.RowBytes());
  EXPECT_EQ(s.RowStep(), -s.RowBytes());
  for (int32_t y = 0; y < 3; ++y) EXPECT_EQ(s.ScanLine(y), s.Bits() + (2 - y) * s.RowBytes());
  s.SetPixel(1, 0, 0xAB);
  EXPECT_EQ(s.Bits()[2 * s.RowBytes() + 1], 0xAB);
}

TEST(DIBSurfaceModel, PixelLayoutAtEveryDepth) {
  TDIBSurface s;
  s.SetSize(10, 1, 1);
  s.SetPixel(9, 0, 3);  // only the low bit is stored
  EXPECT_EQ(s.Bits()[1], 0x40);
  EXPECT_EQ(s.GetPixel(9, 0), 1u);
  s.SetSize(3, 1, 4);
  s.SetPixel(1, 0, 0x1C);
  s.SetPixel(2, 0, 0x5);
  EXPECT_EQ(s.Bits()[0], 0x0C);
  EXPECT_EQ(s.Bits()[1], 0x50);
  EXPECT_EQ(s.GetPixel(1, 0), 0xCu);
  s.SetSize(2, 1, 16);
  s.SetPixel(1, 0, 0x12345);
  EXPECT_EQ(s.Bits()[2], 0x45);
  EXPECT_EQ(s.Bits()[3], 0x23);
  EXPECT_EQ(s.GetPixel(1, 0), 0x2345u);
  s.SetSize(2, 1, 24);
  s.SetPixel(1, 0, 0xAA112233);
  EXPECT_EQ(s.Bits()[3], 0x33);  // blue, green, red
  EXPECT_EQ(s.Bits()[5], 0x11);
  EXPECT_EQ(s.Bits()[6], 0);
  EXPECT_EQ(s.GetPixel(1, 0), 0x112233u);
  s.SetSize(1, 1, 32);
  s.SetPixel(0, 0, 0xAA112233);
  EXPECT_EQ(Read32(s.Bits()), 0xAA112233u);
  EXPECT_EQ(s.GetPixel(0, 0), 0xAA112233u);
  // Outside the image: reads give 0, writes do nothing.
  s.SetPixel(1, 0, 7);
  s.SetPixel(0, -1, 7);
  EXPECT_EQ(s.GetPixel(-1, 0), 0u);
  EXPECT_EQ(s.GetPixel(0, 1), 0u);
}

TEST(DIBSurfaceModel, SetSizeKeepsOrDropsPixelsAndAlpha) {
  TDIBSurface s;
  s.SetSize(4, 3, 16);
  s.NeedAlpha();
  s.SetPixel(1, 1, 0x1234);
  s.AlphaChannel->SetPixel(1, 1, 0x99);
  const uint8_t* bits = s.Bits();

  s.SetSize(4, 3, 16);  // same size, depth and format: nothing happens
  EXPECT_EQ(s.Bits(), bits);
  EXPECT_EQ(s.GetPixel(1, 1), 0x1234u);
  EXPECT_EQ(s.AlphaChannel->GetPixel(1, 1), 0x99u);

  s.SetSize(4, 3, 15);  // same size and depth, other masks: a new block
  EXPECT_EQ(s.BitCount(), 16);
  EXPECT_EQ(s.Bpp(), 15);
  EXPECT_EQ(s.GetPixel(1, 1), 0u);
  ASSERT_NE(s.AlphaChannel, nullptr);
  EXPECT_EQ(s.AlphaChannel->GetPixel(1, 1), 0u);

  s.AlphaChannel->SetPixel(0, 0, 5);
  s.SetSize(7, 5, 8);
  EXPECT_EQ(s.AlphaChannel->Width(), 7);
  EXPECT_EQ(s.AlphaChannel->Height(), 5);
  EXPECT_EQ(s.AlphaChannel->BitCount(), 8);
  EXPECT_EQ(s.AlphaChannel->GetPixel(0, 0), 0u);

  s.SetSize(0, 5, 8);  // a zero dimension empties the surface and drops its alpha
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.AlphaChannel, nullptr);
  EXPECT_EQ(&s.Image(), TDIBSharedImage::Empty().get());
}

TEST(DIBSurfaceModel, RefusedSizesChangeNothing) {
  TDIBSurface s;
  s.SetSize(2, 2, 8);
  s.NeedAlpha();
  s.SetPixel(0, 0, 42);
  s.AlphaChannel->SetPixel(0, 0, 43);
  try {
    s.SetSize(2, 2, 7);
    FAIL() << "depth 7 accepted";
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(std::string(e.what()), FormatMessage(kMsgInvalidBitCount, 7));
  }
  // Byte sizes beyond 32 bits are refused before anything is allocated.
  EXPECT_THROW(s.SetSize(70000, 70000, 32), ELimitError);
  EXPECT_THROW(s.SetSize(0x7FFFFFFF, 1, 32), ELimitError);
  // A 1-bit image of this size fits, its 8-bit alpha channel does not.
  EXPECT_THROW(s.SetSize(50000, 45000, 1), ELimitError);
  EXPECT_EQ(s.Width(), 2);
  EXPECT_EQ(s.BitCount(), 8);
  EXPECT_EQ(s.GetPixel(0, 0), 42u);
  EXPECT_EQ(s.AlphaChannel->GetPixel(0, 0), 43u);

  TPixelFormat odd = MakePixelFormat(4, 4, 4);
  EXPECT_THROW(TDIBSharedImage::Create(2, 2, 16, odd, GreyColorTable(), nullptr), EInvalidGraphicOperation);
  EXPECT_THROW(TDIBSharedImage::Create(2, 2, 24, MakePixelFormat(5, 6, 5), GreyColorTable(), nullptr),
               EInvalidGraphicOperation);
}

TEST(DIBSurfaceModel, PaletteReachesTheHeaderOnlyThroughUpdatePalette) {
  TDIBSurface s;
  s.SetSize(2, 2, 4);
  const uint8_t* entry5 = s.BitmapInfo() + 40 + 5 * 4;
  s.ColorTable[5] = TRGBQuad{1, 2, 3, 0};
  EXPECT_EQ(Read32(entry5), 0x050505u);
  EXPECT_EQ(s.Image().ColorTable[5], (TRGBQuad{5, 5, 5, 0}));
  s.UpdatePalette();
  EXPECT_EQ(Read32(entry5), 0x030201u);
  EXPECT_EQ(s.Image().ColorTable[5], (TRGBQuad{1, 2, 3, 0}));
  EXPECT_TRUE(s.Image().PaletteChanged);
  // Entries beyond ColorCount live in the table but not in the header.
  s.ColorTable[16] = TRGBQuad{9, 9, 9, 0};
  s.UpdatePalette();
  EXPECT_EQ(s.BitmapInfoSize(), 104);
  EXPECT_EQ(s.Image().ColorTable[16], (TRGBQuad{9, 9, 9, 0}));
}

TEST(DIBSurfaceModel, PaletteOfAnEmptySurfaceWaitsForSetSize) {
  TDIBSurface s;
  s.ColorTable[1] = TRGBQuad{10, 20, 30, 0};
  s.UpdatePalette();
  // The shared empty image keeps its grey ramp.
  EXPECT_EQ(TDIBSharedImage::Empty()->ColorTable, GreyColorTable());
  TDIBSurface other;
  EXPECT_EQ(other.ColorTable, GreyColorTable());
  s.SetSize(1, 1, 1);
  EXPECT_EQ(Read32(s.BitmapInfo() + 44), 0x1E140Au);
}

TEST(DIBSurfaceModel, ClearReturnsToTheSharedEmptyImage) {
  TDIBSurface s;
  s.SetSize(2, 2, 8);
  s.ColorTable[0] = TRGBQuad{7, 7, 7, 0};
  s.UpdatePalette();
  s.NeedAlpha();
  s.Clear();
  EXPECT_EQ(&s.Image(), TDIBSharedImage::Empty().get());
  EXPECT_EQ(s.ColorTable, GreyColorTable());
  EXPECT_EQ(s.PixelFormat, MakePixelFormat(8, 8, 8));
  EXPECT_EQ(s.BitmapInfoSize(), 0);
  EXPECT_EQ(s.AlphaChannel, nullptr);
}

TEST(DIBSurfaceModel, ScanLineRangeIsChecked) {
  TDIBSurface s;
  try {
    s.ScanLine(0);
    FAIL() << "row 0 of an empty surface";
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(std::string(e.what()), FormatMessage(kMsgScanLineRange, 0));
  }
  EXPECT_EQ(&s.Image(), TDIBSharedImage::Empty().get());
  s.SetSize(2, 3, 24);
  EXPECT_THROW(s.ScanLine(3), EInvalidGraphicOperation);
  EXPECT_THROW(s.ScanLine(-1), EInvalidGraphicOperation);
  const TDIBSurface& view = s;
  EXPECT_THROW(view.ScanLine(3), EInvalidGraphicOperation);
}

TEST(DIBSurfaceModel, SetWidthAndSetHeight) {
  TDIBSurface s;
  s.SetWidth(5);
  EXPECT_EQ(s.Width(), 5);
  EXPECT_EQ(s.Height(), 1);
  EXPECT_EQ(s.BitCount(), 8);
  s.SetSize(5, 1, 24);
  s.SetHeight(4);
  EXPECT_EQ(s.Height(), 4);
  EXPECT_EQ(s.BitCount(), 24);
  s.SetWidth(0);
  EXPECT_EQ(s.Size(), 0);
  s.SetHeight(3);
  EXPECT_EQ(s.Width(), 1);
  EXPECT_EQ(s.BitCount(), 8);
}

TEST(DIBSurfaceModel, AssignCopiesADecodedPicture) {
  TDecodedPicture p;
  p.Width = 3;
  p.Height = 2;
  p.BitCount = 8;
  p.Palette = {TRGBQuad{1, 2, 3, 9}, TRGBQuad{4, 5, 6, 9}};
  p.Stride = 5;
  p.Pixels = {10, 11, 12, 99, 99, 20, 21, 22, 99, 99};
  TDIBSurface s;
  s.SetSize(8, 8, 24);
  s.Assign(p);
  EXPECT_EQ(s.Width(), 3);
  EXPECT_EQ(s.BitCount(), 8);
  EXPECT_EQ(s.GetPixel(0, 0), 10u);
  EXPECT_EQ(s.GetPixel(2, 1), 22u);
  EXPECT_EQ(s.ScanLine(0)[3], 0);  // padding stays zero
  EXPECT_EQ(s.Image().ColorTable[1], (TRGBQuad{4, 5, 6, 0}));
  EXPECT_EQ(Read32(s.BitmapInfo() + 44), 0x060504u);

  // A 1-bit row of width 3 leaves the five bits past the width clear.
  TDecodedPicture bits{3, 1, 1, {}, 1, {0xFF}};
  s.Assign(bits);
  EXPECT_EQ(s.ScanLine(0)[0], 0xE0);

  TDecodedPicture shortRows{4, 3, 24, {}, 12, std::vector<uint8_t>(35)};
  EXPECT_THROW(s.Assign(shortRows), EInvalidGraphicOperation);
  TDecodedPicture narrowStride{4, 2, 24, {}, 11, std::vector<uint8_t>(64)};
  EXPECT_THROW(s.Assign(narrowStride), EInvalidGraphicOperation);
  EXPECT_EQ(s.Width(), 3);
}

}  // namespace
}  // namespace vorn
