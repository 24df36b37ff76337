// Conversion of a surface to another depth, for the few places where pictures
// of different depths meet (a JPEG layer in a frame of another depth, a frame
// of another depth in the tiled picture): colours are taken from the source
// (its colour table, its masks, or its bytes) and stored at the target depth
// by the masks, or as the nearest entry of the given colour table at 8 bits
// and below.
#pragma once

#include <cstdint>
#include <memory>

#include "surface/DIBSurface.h"

namespace vorn {

std::unique_ptr<TDIBSurface> ConvertedCopy(const TDIBSurface& source, int32_t bpp,
                                           const TColorTable& colors);
// The same for the part of the source inside area (clipped to the source);
// the copy is the size of that part.
std::unique_ptr<TDIBSurface> ConvertedCopy(const TDIBSurface& source, int32_t bpp,
                                           const TColorTable& colors, const TRect& area);

}  // namespace vorn
