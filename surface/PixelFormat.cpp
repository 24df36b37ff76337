#include "surface/PixelFormat.h"

#include <cstddef>

namespace vorn {

TPixelFormat MakePixelFormat(int r, int g, int b) {
  TPixelFormat f;
  f.RBitMask = ((1 << r) - 1) << (g + b);
  f.GBitMask = ((1 << g) - 1) << b;
  f.BBitMask = (1 << b) - 1;
  f.RBitCount = r;
  f.GBitCount = g;
  f.BBitCount = b;
  f.RShift = r + g + b - 8;
  f.GShift = g + b - 8;
  f.BShift = 8 - b;
  f.RWiden = 8 - r;
  f.GWiden = 8 - g;
  f.BWiden = 8 - b;
  return f;
}

const TColorTable& GreyColorTable() {
  static const TColorTable table = [] {
    TColorTable t{};
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      t[static_cast<std::size_t>(i)] = TRGBQuad{v, v, v, 0};
    }
    return t;
  }();
  return table;
}

}  // namespace vorn
