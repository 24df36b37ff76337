#include "surface/DIBSurface.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "support/VornError.h"

namespace vorn {

TDIBSurface::TDIBSurface(TPixelMemory* pixels) : TDIB(pixels) {}

TDIBSurface::~TDIBSurface() = default;

void TDIBSurface::Clear() {
  TDIB::Clear();
  FreeAlpha();
}

void TDIBSurface::SetSize(int32_t w, int32_t h, int32_t bpp) {
  if (bpp == 15) {
    PixelFormat = MakePixelFormat(5, 5, 5);
    bpp = 16;
  } else if (bpp == 16) {
    PixelFormat = MakePixelFormat(5, 6, 5);
  } else {
    PixelFormat = MakePixelFormat(8, 8, 8);
  }
  // A 1- or 4-bit image can fit where its 8-bit alpha channel cannot: refuse
  // before anything changes.
  if (AlphaChannel && w > 0 && h > 0 &&
      (static_cast<int64_t>(w) + 3) / 4 * 4 * h > std::numeric_limits<int32_t>::max())
    throw ELimitError("Alpha channel too large (" + std::to_string(w) + " x " + std::to_string(h) +
                      ")");

  const TDIBSharedImage* before = &Image();
  TDIB::SetSize(w, h, bpp);
  // The alpha channel follows a new block with a new, cleared block of its own.
  if (AlphaChannel && (&Image() != before || AlphaChannel->Width() != Width() ||
                       AlphaChannel->Height() != Height())) {
    AlphaChannel->Clear();
    AlphaChannel->SetSize(Width(), Height(), 8);
  }
}

int32_t TDIBSurface::Bpp() const {
  // The current image's masks, not the requested ones, describe the pixels.
  if (BitCount() == 16 && CurrentFormat().GBitMask == 0x03E0) return 15;
  return BitCount();
}

uint32_t TDIBSurface::ColorToPixel(int32_t r, int32_t g, int32_t b) const {
  switch (Bpp()) {
    case 1:
    case 4:
    case 8: {
      const TDIBSharedImage& image = Image();
      uint32_t best = 0;
      int64_t bestDistance = std::numeric_limits<int64_t>::max();
      for (int32_t i = 0; i < image.ColorCount; ++i) {
        const TRGBQuad& c = image.ColorTable[static_cast<size_t>(i)];
        const int64_t dr = static_cast<int64_t>(r) - c.Red;
        const int64_t dg = static_cast<int64_t>(g) - c.Green;
        const int64_t db = static_cast<int64_t>(b) - c.Blue;
        const int64_t distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {  // strict: the first entry wins a tie
          bestDistance = distance;
          best = static_cast<uint32_t>(i);
        }
      }
      return best;
    }
    case 15: return static_cast<uint32_t>((r & 0x1F) << 10 | (g & 0x1F) << 5 | (b & 0x1F));
    case 16: return static_cast<uint32_t>((r & 0x1F) << 11 | (g & 0x3F) << 5 | (b & 0x1F));
    default: return static_cast<uint32_t>((r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF));
  }
}

std::unique_ptr<TDIBSurface> TDIBSurface::CloneSurface() const {
  auto copy = std::make_unique<TDIBSurface>(PixelSource());
  if (Image().Size > 0) copy->SwitchTo(image_->Clone());
  copy->ColorTable = ColorTable;
  copy->PixelFormat = PixelFormat;
  copy->ClipRect = ClipRect;
  if (AlphaChannel) copy->AlphaChannel = AlphaChannel->CloneSurface();
  return copy;
}

void TDIBSurface::NeedAlpha() {
  if (!AlphaChannel) AlphaChannel = std::make_unique<TDIBSurface>(PixelSource());
  TDIBSurface& alpha = *AlphaChannel;
  if (alpha.Width() != Width() || alpha.Height() != Height() ||
      (alpha.Image().Size > 0 && alpha.BitCount() != 8)) {
    alpha.SetSize(Width(), Height(), 8);
  }
}

void TDIBSurface::CopyAlpha(const TDIBSurface& sourceAlpha) {
  if (Width() > 0 && Height() > 0 &&
      (sourceAlpha.BitCount() != 8 || sourceAlpha.Width() != Width() ||
       sourceAlpha.Height() < Height()))
    throw EInvalidGraphicOperation("Source alpha channel does not match the surface");
  NeedAlpha();
  TDIBSurface& alpha = *AlphaChannel;
  if (&sourceAlpha == &alpha) return;
  const size_t rowBytes = static_cast<size_t>(alpha.RowBytes());
  for (int32_t i = 0; i < alpha.Height(); ++i)
    std::memcpy(alpha.ScanLine(i), sourceAlpha.ScanLine(i), rowBytes);
}

void TDIBSurface::FillAlphaOpaque() {
  if (!AlphaChannel) return;
  TDIBSurface& alpha = *AlphaChannel;
  const int32_t rows = std::min(Height(), alpha.Height());
  const size_t rowBytes = static_cast<size_t>(alpha.RowBytes());
  for (int32_t i = 0; i < rows; ++i) std::memset(alpha.ScanLine(i), 0xFF, rowBytes);
}

void TDIBSurface::FreeAlpha() { AlphaChannel.reset(); }

}  // namespace vorn
