// Small helpers for the surface tests: surfaces with reproducible contents and
// a per-pixel dump for comparisons.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "surface/DIBSurface.h"

namespace vorn::testing {

// A w x h surface at bpp (15 allowed) whose pixels come from a fixed LCG.
inline std::unique_ptr<TDIBSurface> NoiseSurface(int32_t w, int32_t h, int32_t bpp, uint32_t seed,
                                                 TPixelMemory* pixels = nullptr) {
  auto s = std::make_unique<TDIBSurface>(pixels);
  s->SetSize(w, h, bpp);
  uint32_t state = seed * 2654435761u + 1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      state = state * 1664525u + 1013904223u;
      s->SetPixel(x, y, state ^ (state >> 13));
    }
  return s;
}

// Same pixels through an independent route: the whole block, padding included.
inline std::vector<uint8_t> Block(const TDIB& s) {
  return std::vector<uint8_t>(s.Bits(), s.Bits() + s.Size());
}

inline std::vector<uint32_t> Pixels(const TDIB& s) {
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < s.Width(); ++x) out.push_back(s.GetPixel(x, y));
  return out;
}

}  // namespace vorn::testing
