#include "surface/DepthConversion.h"

#include <algorithm>
#include <unordered_map>

namespace vorn {

namespace {

struct TRGB {
  uint32_t R, G, B;
};

// Widens a channel of `bits` bits to 8 by repeating its top bits.
uint32_t Widen(uint32_t value, int bits) {
  const uint32_t top = value << (8 - bits);
  return (top | (top >> bits)) & 0xFF;
}

TRGB Unpack(const TDIBSurface& surface, uint32_t pixel) {
  switch (surface.Bpp()) {
    case 1:
    case 4:
    case 8: {
      const TRGBQuad& entry = surface.Image().ColorTable[pixel & 0xFF];
      return {entry.Red, entry.Green, entry.Blue};
    }
    case 15:
      return {Widen((pixel >> 10) & 31, 5), Widen((pixel >> 5) & 31, 5), Widen(pixel & 31, 5)};
    case 16:
      return {Widen((pixel >> 11) & 31, 5), Widen((pixel >> 5) & 63, 6), Widen(pixel & 31, 5)};
    default:
      return {(pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF};
  }
}

}  // namespace

std::unique_ptr<TDIBSurface> ConvertedCopy(const TDIBSurface& source, int32_t bpp,
                                           const TColorTable& colors) {
  return ConvertedCopy(source, bpp, colors, source.BoundsRect());
}

std::unique_ptr<TDIBSurface> ConvertedCopy(const TDIBSurface& source, int32_t bpp,
                                           const TColorTable& colors, const TRect& area) {
  const int32_t left = std::max(area.Left, 0), top = std::max(area.Top, 0);
  const int32_t right = std::min(area.Right, source.Width());
  const int32_t bottom = std::min(area.Bottom, source.Height());
  auto target = std::make_unique<TDIBSurface>(source.PixelSource());
  target->ColorTable = colors;
  target->SetSize(std::max(right - left, 0), std::max(bottom - top, 0), bpp);
  target->UpdatePalette();
  int rShift = 0, gShift = 0, bShift = 0;
  if (bpp == 15) rShift = gShift = bShift = 3;
  if (bpp == 16) rShift = 3, gShift = 2, bShift = 3;
  // Nearest-entry searches are costly; pictures repeat their colours.
  std::unordered_map<uint32_t, uint32_t> cache;
  const bool indexed = bpp <= 8;
  for (int32_t y = 0; y < target->Height(); ++y) {
    for (int32_t x = 0; x < target->Width(); ++x) {
      const TRGB c = Unpack(source, source.GetPixel(left + x, top + y));
      uint32_t value;
      if (indexed) {
        const uint32_t key = c.R << 16 | c.G << 8 | c.B;
        auto [at, fresh] = cache.try_emplace(key, 0);
        if (fresh) at->second = target->ColorToPixel(static_cast<int32_t>(c.R),
                                                     static_cast<int32_t>(c.G),
                                                     static_cast<int32_t>(c.B));
        value = at->second;
      } else {
        value = target->ColorToPixel(static_cast<int32_t>(c.R >> rShift),
                                     static_cast<int32_t>(c.G >> gShift),
                                     static_cast<int32_t>(c.B >> bShift));
      }
      target->SetPixel(x, y, value);
    }
  }
  return target;
}

}  // namespace vorn
