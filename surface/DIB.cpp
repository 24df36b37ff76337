#include <algorithm>
#include <cstring>
#include <utility>

#include "support/Messages.h"
#include "support/VornError.h"
#include "surface/DIBSurface.h"

namespace vorn {

TDIB::TDIB(TPixelMemory* pixels) : pixels_(pixels) { SwitchTo(TDIBSharedImage::Empty()); }

TDIB::~TDIB() = default;

void TDIB::SwitchTo(std::shared_ptr<TDIBSharedImage> image) {
  if (image == image_) return;
  image_ = std::move(image);
  ColorTable = image_->ColorTable;
  PixelFormat = image_->CurrentFormat;
}

void TDIB::Clear() {
  SwitchTo(TDIBSharedImage::Empty());
  // Clearing an object that is already empty still drops pending palette edits.
  ColorTable = image_->ColorTable;
  PixelFormat = image_->CurrentFormat;
}

void TDIB::SetSize(int32_t w, int32_t h, int32_t bpp) {
  const TPixelFormat& cur = image_->CurrentFormat;
  if (w == Width() && h == Height() && bpp == BitCount() && cur.RBitMask == PixelFormat.RBitMask &&
      cur.GBitMask == PixelFormat.GBitMask && cur.BBitMask == PixelFormat.BBitMask)
    return;
  if (w <= 0 || h <= 0) {
    Clear();
    return;
  }
  SwitchTo(TDIBSharedImage::Create(w, h, bpp, PixelFormat, ColorTable, pixels_));
}

void TDIB::SetWidth(int32_t w) {
  if (w <= 0)
    Clear();
  else if (image_->Size == 0)
    SetSize(w, std::max(Height(), 1), 8);
  else
    SetSize(w, Height(), BitCount());
}

void TDIB::SetHeight(int32_t h) {
  if (h <= 0)
    Clear();
  else if (image_->Size == 0)
    SetSize(std::max(Width(), 1), h, 8);
  else
    SetSize(Width(), h, BitCount());
}

void TDIB::UpdatePalette() {
  if (ColorTable == image_->ColorTable) return;
  const TColorTable kept = ColorTable;
  MakeImageUnique();
  ColorTable = kept;
  image_->StoreColorTable(kept);
}

void TDIB::MakeImageUnique() {
  // Only the shared empty image is ever held by more than one owner.
  if (image_.use_count() > 1) SwitchTo(image_->Clone());
}

void TDIB::MakeUnique() {
  MakeImageUnique();
  // Pixels shown by another image as well (SharePixels) are copied first.
  image_->Pixels.Unshare();
}

void TDIB::ExchangePixels(TDIB& other) {
  if (&other == this || (image_->Size == 0 && other.image_->Size == 0)) return;
  if (image_->Size != other.image_->Size)
    throw EInvalidGraphicOperation("Pixel blocks of different sizes cannot be exchanged");
  MakeImageUnique();
  other.MakeImageUnique();
  std::swap(image_->Pixels, other.image_->Pixels);
}

void TDIB::SharePixels(const TDIB& source) {
  if (&source == this || (image_->Size == 0 && source.image_->Size == 0)) return;
  if (image_->Size != source.image_->Size)
    throw EInvalidGraphicOperation("Pixel blocks of different sizes cannot be shared");
  MakeImageUnique();
  image_->Pixels = source.image_->Pixels.Share();
}

namespace {

// Where a row's pixels end: whole bytes, and the bits used of the next one.
struct TRowEnd {
  size_t Whole;
  int PartialBits;
};

TRowEnd RowEnd(int32_t width, int32_t bitCount) {
  const int64_t usedBits = static_cast<int64_t>(width) * bitCount;
  return {static_cast<size_t>(usedBits / 8), static_cast<int>(usedBits % 8)};
}

}  // namespace

bool TDIB::PaddingIsZero() const {
  const TRowEnd end = RowEnd(Width(), BitCount());
  const auto rowBytes = static_cast<size_t>(RowBytes());
  if (end.Whole == rowBytes) return true;
  const uint8_t* row = image_->Bits();
  for (int32_t y = 0; y < Height(); ++y, row += rowBytes) {
    size_t at = end.Whole;
    if (end.PartialBits != 0 && (row[at++] & (0xFF >> end.PartialBits)) != 0) return false;
    for (; at < rowBytes; ++at)
      if (row[at] != 0) return false;
  }
  return true;
}

void TDIB::ClearPadding() {
  const TRowEnd end = RowEnd(Width(), BitCount());
  const auto rowBytes = static_cast<size_t>(RowBytes());
  if (end.Whole == rowBytes || Height() == 0) return;
  uint8_t* row = TopRow() - static_cast<ptrdiff_t>(Height() - 1) * RowBytes();
  for (int32_t y = 0; y < Height(); ++y, row += rowBytes) {
    size_t at = end.Whole;
    if (end.PartialBits != 0) row[at++] &= static_cast<uint8_t>(0xFF << (8 - end.PartialBits));
    std::memset(row + at, 0, rowBytes - at);
  }
}

uint8_t* TDIB::TopRow() {
  MakeUnique();
  if (image_->Height == 0) return image_->Bits();
  return image_->Bits() + static_cast<ptrdiff_t>(image_->Height - 1) * image_->RowBytes;
}

uint8_t* TDIB::ScanLine(int32_t y) {
  // The range test comes first so that a failed call leaves the image untouched.
  if (y < 0 || y >= Height()) throw EInvalidGraphicOperation(FormatMessage(kMsgScanLineRange, y));
  return TopRow() - static_cast<ptrdiff_t>(y) * image_->RowBytes;
}

const uint8_t* TDIB::ScanLine(int32_t y) const {
  if (y < 0 || y >= Height()) throw EInvalidGraphicOperation(FormatMessage(kMsgScanLineRange, y));
  return image_->Bits() + static_cast<ptrdiff_t>(image_->Height - 1 - y) * image_->RowBytes;
}

uint32_t TDIB::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || x >= Width() || y < 0 || y >= Height()) return 0;
  const uint8_t* row = ScanLine(y);
  const size_t ux = static_cast<size_t>(x);
  switch (BitCount()) {
    case 1: return (row[ux / 8] >> (7 - ux % 8)) & 1u;
    case 4: return ux % 2 == 0 ? row[ux / 2] >> 4 : row[ux / 2] & 0x0Fu;
    case 8: return row[ux];
    case 16: return row[2 * ux] | static_cast<uint32_t>(row[2 * ux + 1]) << 8;
    case 24:
      return row[3 * ux] | static_cast<uint32_t>(row[3 * ux + 1]) << 8 |
             static_cast<uint32_t>(row[3 * ux + 2]) << 16;
    case 32:
      return row[4 * ux] | static_cast<uint32_t>(row[4 * ux + 1]) << 8 |
             static_cast<uint32_t>(row[4 * ux + 2]) << 16 |
             static_cast<uint32_t>(row[4 * ux + 3]) << 24;
    default: return 0;
  }
}

void TDIB::SetPixel(int32_t x, int32_t y, uint32_t value) {
  if (x < 0 || x >= Width() || y < 0 || y >= Height()) return;
  uint8_t* row = ScanLine(y);
  const size_t ux = static_cast<size_t>(x);
  switch (BitCount()) {
    case 1: {
      const auto bit = static_cast<uint8_t>(0x80u >> (ux % 8));
      row[ux / 8] = static_cast<uint8_t>((value & 1u) ? row[ux / 8] | bit : row[ux / 8] & ~bit);
      break;
    }
    case 4: {
      uint8_t& b = row[ux / 2];
      b = ux % 2 == 0 ? static_cast<uint8_t>((b & 0x0F) | (value & 0x0F) << 4)
                      : static_cast<uint8_t>((b & 0xF0) | (value & 0x0F));
      break;
    }
    case 8: row[ux] = static_cast<uint8_t>(value); break;
    case 16:
    case 24:
    case 32: {
      const size_t bytes = static_cast<size_t>(BitCount() / 8);
      for (size_t i = 0; i < bytes; ++i)
        row[bytes * ux + i] = static_cast<uint8_t>(value >> (8 * i));
      break;
    }
    default: break;
  }
}

void TDIB::Assign(const TDecodedPicture& picture) {
  const int32_t w = picture.Width, h = picture.Height;
  const int32_t storedBits = picture.BitCount == 15 ? 16 : picture.BitCount;
  // The picture's own rows must hold what its size claims before anything changes.
  const int64_t rowBytes = (static_cast<int64_t>(storedBits) * std::max(w, 0) + 7) / 8;
  if (w > 0 && h > 0) {
    const uint64_t need = static_cast<uint64_t>(picture.Stride) * static_cast<uint64_t>(h - 1) +
                          static_cast<uint64_t>(rowBytes);
    if (storedBits <= 0 || picture.Stride < static_cast<uint64_t>(rowBytes) ||
        picture.Pixels.size() < need)
      throw EInvalidGraphicOperation("Decoded picture is smaller than its size");
  }

  const size_t entries = std::min(picture.Palette.size(), ColorTable.size());
  for (size_t i = 0; i < entries; ++i) {
    const TRGBQuad& p = picture.Palette[i];
    ColorTable[i] = TRGBQuad{p.Blue, p.Green, p.Red, 0};
  }
  UpdatePalette();
  SetSize(w, h, picture.BitCount);
  if (image_->Size == 0) return;

  uint8_t* top = TopRow();
  std::memset(image_->Bits(), 0, static_cast<size_t>(image_->Size));
  const size_t copy = std::min(static_cast<size_t>(rowBytes), static_cast<size_t>(RowBytes()));
  // Bits of the last byte beyond the width belong to the padding, which stays zero.
  const int32_t usedBits = static_cast<int32_t>((static_cast<int64_t>(storedBits) * w) % 8);
  const auto lastMask = static_cast<uint8_t>(usedBits == 0 ? 0xFF : 0xFF << (8 - usedBits));
  for (int32_t y = 0; y < Height(); ++y) {
    uint8_t* row = top + static_cast<ptrdiff_t>(y) * RowStep();
    std::memcpy(row, picture.Pixels.data() + static_cast<size_t>(y) * picture.Stride, copy);
    if (copy > 0) row[copy - 1] &= lastMask;
  }
}

}  // namespace vorn
