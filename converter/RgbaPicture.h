// A picture as straight RGBA, rows top-down, Width * 4 bytes each.
#pragma once

#include <cstdint>
#include <vector>

namespace vorn::tools {

struct TRgbaPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;
  // Whether the alpha samples mean anything (else they are all 255).
  bool HasAlpha = false;
};

}  // namespace vorn::tools
