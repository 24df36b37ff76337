// TDIB and TDIBSurface: the one in-memory picture type of the system, held at
// all times in the Windows device-independent-bitmap layout (40-byte header,
// channel masks at 16 and 32 bits, colour table, rows bottom-up padded to 4
// bytes), so that delivering a picture is two plain copies.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "surface/DIBSharedImage.h"
#include "surface/PixelFormat.h"

namespace vorn {

// A decoded picture handed to Assign: rows top-down, Stride bytes apart,
// pixels already in the DIB byte order of BitCount (24 bits: blue, green,
// red). Palette entries are used at 8 bits and below.
struct TDecodedPicture {
  int32_t Width = 0, Height = 0, BitCount = 0;
  std::vector<TRGBQuad> Palette;
  size_t Stride = 0;
  std::vector<uint8_t> Pixels;
};

class TDIB {
 public:
  // Pixel blocks come from pixels (null: the C heap); the source must
  // outlive the object and its copies.
  explicit TDIB(TPixelMemory* pixels = nullptr);
  virtual ~TDIB();
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;

  virtual void Clear();
  virtual void SetSize(int32_t w, int32_t h, int32_t bpp);
  void SetWidth(int32_t w);
  void SetHeight(int32_t h);
  // Commits the editable ColorTable into the image and its header block.
  void UpdatePalette();
  virtual void Assign(const TDecodedPicture& picture);

  // Copy-on-write: gives this object an image of its own before a write.
  void MakeUnique();
  // Exchanges the pixel blocks of two images of the same byte size; headers,
  // colour tables and alpha channels stay. Lets memory already written for
  // one picture be reused for another instead of new memory being touched.
  // Fails with EInvalidGraphicOperation when the sizes differ.
  void ExchangePixels(TDIB& other);
  // Shows the pixels of source (an image of the same byte size) without a
  // copy: both hold the same block until one of them is written to, which
  // first gets a copy of its own. Header and colour table stay. Fails with
  // EInvalidGraphicOperation when the sizes differ.
  void SharePixels(const TDIB& source);
  // Whether every row's bytes past its last pixel (the padding, and the
  // unused bits of a last byte at 1 and 4 bits) are zero, as in a picture
  // that was only ever drawn on; ClearPadding makes them so.
  bool PaddingIsZero() const;
  void ClearPadding();

  const uint8_t* BitmapInfo() const { return image_->BitmapInfo.data(); }
  int32_t BitmapInfoSize() const { return image_->BitmapInfoSize(); }
  const uint8_t* Bits() const { return image_->Bits(); }
  int32_t Size() const { return image_->Size; }
  int32_t Width() const { return image_->Width; }
  int32_t Height() const { return image_->Height; }
  int32_t BitCount() const { return image_->BitCount; }
  int32_t RowBytes() const { return image_->RowBytes; }
  int32_t RowStep() const { return -image_->RowBytes; }
  const TPixelFormat& CurrentFormat() const { return image_->CurrentFormat; }
  const TDIBSharedImage& Image() const { return *image_; }
  TPixelMemory* PixelSource() const { return pixels_; }

  // Row 0 (the top row) after MakeUnique; rows follow at RowStep.
  uint8_t* TopRow();
  // Start of row y (0 = top); fails with EInvalidGraphicOperation outside
  // 0 .. Height-1.
  uint8_t* ScanLine(int32_t y);
  const uint8_t* ScanLine(int32_t y) const;

  uint32_t GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint32_t value);

  // The object's own editable copy; committed by UpdatePalette.
  TColorTable ColorTable;
  // The format requested for the next SetSize.
  TPixelFormat PixelFormat;

 protected:
  void SwitchTo(std::shared_ptr<TDIBSharedImage> image);
  // MakeUnique for the header and colour table only: pixels shared with
  // another image stay shared.
  void MakeImageUnique();
  std::shared_ptr<TDIBSharedImage> image_;
  TPixelMemory* pixels_;
};

class TDIBSurface : public TDIB {
 public:
  explicit TDIBSurface(TPixelMemory* pixels = nullptr);
  ~TDIBSurface() override;

  void Clear() override;
  void SetSize(int32_t w, int32_t h, int32_t bpp) override;

  // BitCount, except 15 for a 16-bit 5-5-5 surface.
  int32_t Bpp() const;
  TRect BoundsRect() const { return {0, 0, Width(), Height()}; }
  // r, g, b at the depth's own precision -> pixel value (nearest colour-table
  // entry at 8 bits and below).
  uint32_t ColorToPixel(int32_t r, int32_t g, int32_t b) const;

  void FillRect(const TRect& rect, uint32_t value);
  bool ClipToTarget(int32_t& x, int32_t& y, TRect& src) const;
  void CopyRect(int32_t x, int32_t y, const TRect& src, const TDIBSurface& source);
  void Draw(int32_t x, int32_t y, const TDIBSurface& source);
  void DrawTransparent(int32_t x, int32_t y, int32_t key, const TRect& src,
                       const TDIBSurface& source);
  void DrawAlpha(int32_t x, int32_t y, int32_t opacity, int32_t key, const TRect& src,
                 const TDIBSurface& source);
  void DrawAlphaChannel(int32_t x, int32_t y, int32_t opacity, const TRect& src,
                        const TDIBSurface& source);

  void NeedAlpha();
  void CopyAlpha(const TDIBSurface& sourceAlpha);
  void FillAlphaOpaque();
  void FreeAlpha();

  // A deep copy: pixels, colour table and alpha channel of its own.
  std::unique_ptr<TDIBSurface> CloneSurface() const;

  TRect ClipRect;
  std::unique_ptr<TDIBSurface> AlphaChannel;
};

}  // namespace vorn
