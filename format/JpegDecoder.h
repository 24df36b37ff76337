// JPEG colour layers through libjpeg with its best-quality settings (accurate
// integer DCT, fancy upsampling): colour pictures to 24 bits per pixel,
// greyscale ones to 8 bits with a grey palette.
#pragma once

#include <cstddef>
#include <cstdint>

#include "surface/DIBSurface.h"

namespace vorn {

// Decodes one JPEG picture. A picture whose size is not expectedWidth x
// expectedHeight fails before its pixels are decoded; damaged data, and a
// progressive picture of more than maxScans scans, fail with EJpegError
// carrying the library's message.
TDecodedPicture DecodeJpegPicture(const uint8_t* data, size_t size, int32_t expectedWidth,
                                  int32_t expectedHeight, int maxScans);

}  // namespace vorn
