// The pixel storage behind a TDIB: header block, colour table and pixel block
// of one picture. Shared (by reference count) only as the empty image.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "surface/PixelFormat.h"
#include "surface/PixelMemory.h"

namespace vorn {

// The sizes of the header block (header, masks, colour table) and of the
// pixel block of a w x h picture at bpp (15: 16 bits in 5-5-5), as Create
// makes them; both 0 where no picture of that size and depth can be made.
struct TDIBLayout {
  uint32_t InfoSize = 0;
  uint32_t BitsSize = 0;
};
TDIBLayout DIBLayout(int32_t w, int32_t h, int32_t bpp);

class TDIBSharedImage {
 public:
  // Builds a zero-filled image of w x h at bpp (1, 4, 8, 16, 24, 32) with the
  // given format and colour table. Fails with EInvalidGraphicOperation for an
  // unsupported depth or format, before allocating anything.
  // The pixel block comes from pixels (null: the C heap).
  static std::shared_ptr<TDIBSharedImage> Create(int32_t w, int32_t h, int32_t bpp,
                                                 const TPixelFormat& format,
                                                 const TColorTable& colors, TPixelMemory* pixels);
  // The process-wide empty image (0 x 0, grey colour table, 8-8-8 formats).
  static const std::shared_ptr<TDIBSharedImage>& Empty();
  std::shared_ptr<TDIBSharedImage> Clone() const;

  int32_t BitmapInfoSize() const { return static_cast<int32_t>(BitmapInfo.size()); }
  uint8_t* Bits() { return Pixels.data(); }
  const uint8_t* Bits() const { return Pixels.data(); }
  // Writes the first ColorCount entries into the header block as well.
  void StoreColorTable(const TColorTable& colors);

  int32_t BitCount = 0;
  std::vector<uint8_t> BitmapInfo;
  bool PaletteChanged = false;
  TColorTable ColorTable{};
  int32_t ColorTablePos = 40;
  int32_t Height = 0;
  int32_t ColorCount = 0;
  TPixelFormat CurrentFormat;
  int32_t Size = 0;
  int32_t Width = 0;
  int32_t RowBytes = 0;
  TPixelBlock Pixels;
};

}  // namespace vorn
