// The picture scaled down to fit a square, its aspect kept: every target
// pixel the average of the source area it covers (weighted by how much of
// each source pixel lies inside it, colours weighted by their alpha), the
// way a good downscale looks. A picture that fits already is kept as it is.
#pragma once

#include <cstdint>

#include "converter/RgbaPicture.h"

namespace vorn::tools {

TRgbaPicture ScaleToFit(const TRgbaPicture& picture, int32_t size);

}  // namespace vorn::tools
