// A surface as 8-bit straight RGBA, rows top-down: the colours its pixels
// stand for (the committed colour table at 8 bits and below, the channel
// masks above, channels narrower than 8 bits widened by repeating their top
// bits) and the alpha channel's values where it has one, else 255.
#pragma once

#include <cstddef>
#include <cstdint>

#include "surface/DIBSurface.h"

namespace vorn {

// Writes Width x Height pixels, rows stride bytes apart (stride at least
// Width x 4). Fails with EInvalidGraphicOperation for an alpha channel that
// is not an 8-bit surface of the same size.
void CopyToRgba(const TDIBSurface& surface, uint8_t* pixels, size_t stride);

}  // namespace vorn
