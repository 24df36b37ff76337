#include "surface/DIBSharedImage.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {

namespace {

constexpr int32_t kHeaderSize = 40;
constexpr int32_t kMaskBytes = 12;
constexpr int32_t kBitFields = 3;  // compression: channel masks follow the header

void Put16(std::vector<uint8_t>& block, size_t at, uint32_t v) {
  block[at] = static_cast<uint8_t>(v);
  block[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& block, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

bool HasMasks(const TPixelFormat& f, int32_t r, int32_t g, int32_t b) {
  return f.RBitMask == r && f.GBitMask == g && f.BBitMask == b;
}

void CheckDepthAndFormat(int32_t bpp, const TPixelFormat& format) {
  switch (bpp) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
      if (!HasMasks(format, 0xFF0000, 0xFF00, 0xFF))
        throw EInvalidGraphicOperation(kMsgInvalidPixelFormat);
      return;
    case 16:
      if (!HasMasks(format, 0x7C00, 0x03E0, 0x001F) && !HasMasks(format, 0xF800, 0x07E0, 0x001F))
        throw EInvalidGraphicOperation(kMsgInvalidPixelFormat);
      return;
    default: throw EInvalidGraphicOperation(FormatMessage(kMsgInvalidBitCount, bpp));
  }
}

// Bytes of a row padded to 4 bytes, and of the pixel block, in 64 bits.
int64_t RowBytesOf(int32_t w, int32_t bpp) { return (static_cast<int64_t>(bpp) * w + 31) / 32 * 4; }

bool HasMaskBlock(int32_t bpp) { return bpp == 16 || bpp == 32; }

}  // namespace

TDIBLayout DIBLayout(int32_t w, int32_t h, int32_t bpp) {
  if (bpp == 15) bpp = 16;
  if (w <= 0 || h <= 0) return {};
  switch (bpp) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return {};
  }
  const int64_t size = RowBytesOf(w, bpp) * h;
  if (size > std::numeric_limits<int32_t>::max()) return {};
  const int32_t colors = bpp <= 8 ? (1 << bpp) : 0;
  return TDIBLayout{static_cast<uint32_t>(kHeaderSize + (HasMaskBlock(bpp) ? kMaskBytes : 0) + 4 * colors),
                    static_cast<uint32_t>(size)};
}

std::shared_ptr<TDIBSharedImage> TDIBSharedImage::Create(int32_t w, int32_t h, int32_t bpp,
                                                         const TPixelFormat& format,
                                                         const TColorTable& colors,
                                                         TPixelMemory* pixels) {
  CheckDepthAndFormat(bpp, format);
  if (w <= 0 || h <= 0)
    throw EInvalidGraphicOperation("Invalid image size (" + std::to_string(w) + " x " +
                                   std::to_string(h) + ")");
  // Row and block sizes in 64 bits: the block size must fit the header's 32-bit field.
  const int64_t rowBytes = RowBytesOf(w, bpp);
  const int64_t size = rowBytes * h;
  if (size > std::numeric_limits<int32_t>::max())
    throw ELimitError("Image too large (" + std::to_string(w) + " x " + std::to_string(h) + " at " +
                      std::to_string(bpp) + " bits)");

  auto image = std::make_shared<TDIBSharedImage>();
  image->BitCount = bpp;
  image->Width = w;
  image->Height = h;
  image->RowBytes = static_cast<int32_t>(rowBytes);
  image->Size = static_cast<int32_t>(size);
  image->CurrentFormat = format;
  image->ColorCount = bpp <= 8 ? (1 << bpp) : 0;
  const bool masks = HasMaskBlock(bpp);
  image->ColorTablePos = kHeaderSize + (masks ? kMaskBytes : 0);
  image->ColorTable = colors;

  auto& info = image->BitmapInfo;
  info.assign(static_cast<size_t>(image->ColorTablePos + 4 * image->ColorCount), 0);
  Put32(info, 0, kHeaderSize);
  Put32(info, 4, static_cast<uint32_t>(w));
  Put32(info, 8, static_cast<uint32_t>(h));
  Put16(info, 12, 1);
  Put16(info, 14, static_cast<uint32_t>(bpp));
  Put32(info, 16, masks ? kBitFields : 0);
  Put32(info, 20, static_cast<uint32_t>(image->Size));
  if (masks) {
    Put32(info, 40, static_cast<uint32_t>(format.RBitMask));
    Put32(info, 44, static_cast<uint32_t>(format.GBitMask));
    Put32(info, 48, static_cast<uint32_t>(format.BBitMask));
  }
  image->StoreColorTable(colors);
  image->PaletteChanged = false;
  // Zero-filled, so row padding is always zero and output is reproducible.
  image->Pixels = TPixelBlock(static_cast<size_t>(image->Size), pixels);
  return image;
}

const std::shared_ptr<TDIBSharedImage>& TDIBSharedImage::Empty() {
  // One permanent reference: the empty image lives as long as the library.
  static const std::shared_ptr<TDIBSharedImage> empty = [] {
    auto image = std::make_shared<TDIBSharedImage>();
    image->ColorTable = GreyColorTable();
    image->CurrentFormat = MakePixelFormat(8, 8, 8);
    return image;
  }();
  return empty;
}

std::shared_ptr<TDIBSharedImage> TDIBSharedImage::Clone() const {
  return std::make_shared<TDIBSharedImage>(*this);
}

void TDIBSharedImage::StoreColorTable(const TColorTable& colors) {
  ColorTable = colors;
  PaletteChanged = true;
  if (Size > 0 && ColorCount > 0) {
    const size_t bytes = sizeof(TRGBQuad) * static_cast<size_t>(ColorCount);
    if (static_cast<size_t>(ColorTablePos) + bytes <= BitmapInfo.size())
      std::memcpy(BitmapInfo.data() + ColorTablePos, colors.data(), bytes);
  }
}

}  // namespace vorn
