// Geometry and pixel-format records shared by the surface classes.
#pragma once

#include <array>
#include <cstdint>

namespace vorn {

// Left, top, right, bottom; right and bottom are exclusive.
struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Empty() const { return Left >= Right || Top >= Bottom; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// One colour-table entry in the order the DIB stores it.
struct TRGBQuad {
  uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};
static_assert(sizeof(TRGBQuad) == 4);

using TColorTable = std::array<TRGBQuad, 256>;

// Channel masks, bit counts and shifts of a packed pixel layout.
struct TPixelFormat {
  int32_t RBitMask = 0, GBitMask = 0, BBitMask = 0;
  int32_t RBitCount = 0, GBitCount = 0, BBitCount = 0;
  int32_t RShift = 0, GShift = 0, BShift = 0;
  int32_t RWiden = 0, GWiden = 0, BWiden = 0;
  friend bool operator==(const TPixelFormat&, const TPixelFormat&) = default;
};

TPixelFormat MakePixelFormat(int r, int g, int b);

// The grey ramp: entry i = (i, i, i, 0).
const TColorTable& GreyColorTable();

}  // namespace vorn
