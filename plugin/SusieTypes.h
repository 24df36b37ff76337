// The records of the Susie import interface as the host lays them out.
#pragma once

#include <cstdint>

namespace vorn {

#pragma pack(push, 1)
// The picture information record: byte-packed, 26 bytes in the 32-bit
// interface; the 64-bit interface puts two padding bytes before hInfo so that
// the handle sits at offset 24 (32 bytes in all).
struct SusiePictureInfo {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
  uint16_t x_density;
  uint16_t y_density;
  int16_t colorDepth;
#if UINTPTR_MAX > 0xFFFFFFFFu
  uint8_t padding[2];
#endif
  void* hInfo;
};
#pragma pack(pop)

#if UINTPTR_MAX > 0xFFFFFFFFu
static_assert(sizeof(SusiePictureInfo) == 32);
#else
static_assert(sizeof(SusiePictureInfo) == 26);
#endif

// Progress callback of the picture calls; never called by this plug-in.
using SusieProgressCallback = int (*)(int nNum, int nDenom, intptr_t lData);

}  // namespace vorn
