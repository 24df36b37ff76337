// PNG files through libpng, made in memory (the caller writes them out):
// from a picture the library delivers as a DIB (palette pictures as indexed
// PNG with their colour table, 16 bits widened to 8-bit channels, 24 and 32
// bits as RGB), or from RGBA (RGBA where the alpha means anything, else RGB).
#pragma once

#include <cstdint>
#include <vector>

#include "converter/RgbaPicture.h"
#include "vorn/vorn.h"

namespace vorn::tools {

// Fail with std::runtime_error (an English reason) for an empty picture.
std::vector<uint8_t> EncodePng(const vorn_dib& dib);
std::vector<uint8_t> EncodePng(const TRgbaPicture& picture);

}  // namespace vorn::tools
