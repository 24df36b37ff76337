#include "surface/SurfaceRgba.h"

#include <bit>

#include "support/VornError.h"

namespace vorn {

namespace {

// One channel of a packed pixel: its bits under mask, widened to 8 by
// repeating the top bits (5 bits abcde give abcdeabc).
struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;
  explicit TChannel(int32_t mask)
      : Mask(static_cast<uint32_t>(mask)),
        Shift(mask == 0 ? 0 : std::countr_zero(static_cast<uint32_t>(mask))),
        Bits(std::popcount(static_cast<uint32_t>(mask))) {}
  uint8_t operator()(uint32_t pixel) const {
    if (Bits == 0) return 0;
    uint32_t v = (pixel & Mask) >> Shift;
    if (Bits >= 8) return static_cast<uint8_t>(v >> (Bits - 8));
    uint32_t wide = 0;
    for (int filled = 0; filled < 8; filled += Bits) wide = (wide << Bits) | v;
    const int total = ((8 + Bits - 1) / Bits) * Bits;
    return static_cast<uint8_t>(wide >> (total - 8));
  }
};

using TRowFunction = void (*)(const TDIBSurface&, const uint8_t* row, int32_t width, uint8_t* out);

void IndexedRow(const TDIBSurface& s, const uint8_t* row, int32_t width, uint8_t* out) {
  const int bits = s.BitCount();
  const TColorTable& colors = s.Image().ColorTable;
  const int perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (int32_t x = 0; x < width; ++x, out += 4) {
    const int shift = (perByte - 1 - x % perByte) * bits;
    const TRGBQuad& c = colors[(row[x / perByte] >> shift) & mask];
    out[0] = c.Red, out[1] = c.Green, out[2] = c.Blue;
  }
}

void PackedRow(const TDIBSurface& s, const uint8_t* row, int32_t width, uint8_t* out) {
  const TPixelFormat& f = s.CurrentFormat();
  const TChannel r(f.RBitMask), g(f.GBitMask), b(f.BBitMask);
  const int bytes = s.BitCount() / 8;
  for (int32_t x = 0; x < width; ++x, out += 4, row += bytes) {
    uint32_t p = 0;
    for (int i = bytes - 1; i >= 0; --i) p = p << 8 | row[i];
    out[0] = r(p), out[1] = g(p), out[2] = b(p);
  }
}

void RgbRow(const TDIBSurface&, const uint8_t* row, int32_t width, uint8_t* out) {
  for (int32_t x = 0; x < width; ++x, out += 4, row += 3) out[0] = row[2], out[1] = row[1], out[2] = row[0];
}

}  // namespace

void CopyToRgba(const TDIBSurface& surface, uint8_t* pixels, size_t stride) {
  const int32_t w = surface.Width(), h = surface.Height();
  if (w <= 0 || h <= 0) return;
  const TDIBSurface* alpha = surface.AlphaChannel.get();
  if (alpha != nullptr && (alpha->Width() != w || alpha->Height() != h || alpha->BitCount() != 8))
    throw EInvalidGraphicOperation("Alpha channel does not match the surface");
  const TRowFunction convert = surface.BitCount() <= 8    ? IndexedRow
                               : surface.BitCount() == 24 ? RgbRow
                                                          : PackedRow;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* out = pixels + static_cast<size_t>(y) * stride;
    convert(surface, surface.ScanLine(y), w, out);
    const uint8_t* a = alpha != nullptr ? alpha->ScanLine(y) : nullptr;
    for (int32_t x = 0; x < w; ++x) out[4 * x + 3] = a != nullptr ? a[x] : 255;
  }
}

}  // namespace vorn
