// One layer of a frame: its properties and its two pixel data blocks (colour,
// then alpha), decoded from plain or zlib rows, JPEG, or a table of stored,
// repeated and cross-frame blocks, unscrambled with the identification code
// where the file is scrambled. What it needs of the load (budget, code, the
// other frames' layers) comes from the load context, and of its frame (the
// picture's size, depth and colour table, reusable memory) from the frame
// handed to the load; a layer keeps no way back to either.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "format/VornFileHeader.h"
#include "surface/PixelFormat.h"

namespace vorn {

class TBlockReader;
class TDIBSurface;
class TPixelMemory;
class TQzXmlElement;
class TStream;
class TVornFrame;
struct TInflatedBlock;
struct TLoadContext;
struct TPackedRange;

class TVornLayer {
 public:
  // The layer's surfaces take their pixel blocks from pixels.
  explicit TVornLayer(TPixelMemory* pixels = nullptr);
  ~TVornLayer();
  TVornLayer(const TVornLayer&) = delete;
  TVornLayer& operator=(const TVornLayer&) = delete;

  void LoadBinary(TStream& stream, const TVornFileHeader& header, TLoadContext& context,
                  TVornFrame& frame);
  void LoadXml(const TQzXmlElement& element, TStream& stream, const TVornFileHeader& header,
               TLoadContext& context, TVornFrame& frame);

  // Byte copy of the rectangle src of source to (x, y) of target, one row
  // at a time. Both must have the same depth and the rectangle must lie
  // inside both; anything else fails the load.
  static void CopyBlock(TDIBSurface& target, int32_t x, int32_t y, const TRect& src,
                        const TDIBSurface& source);

  // How the load inflates a data block of offset and length in a frame of
  // w x h at bpp (its colour block, or its alpha block) when the block is
  // zlib data inflated whole; nothing where it is not.
  static std::optional<TPackedRange> WholeInflation(const TVornFileHeader& header, int32_t w,
                                                    int32_t h, int32_t bpp, bool alpha,
                                                    int64_t offset, int32_t length);

  std::string Name;
  std::unique_ptr<TDIBSurface> Surface;
  bool Visible = true;
  int32_t TransColor = -1;
  int32_t Alpha = 255;
  bool AlphaOn = false;

 private:
  // What one block is decoded with.
  struct TBlockJob {
    TLoadContext& Context;
    const TVornFileHeader& Header;
    TVornFrame& Frame;
    bool IsAlpha;
    TDIBSurface& Target;
    // Where the block lies in the load's stream, and its length.
    int64_t Offset;
    int32_t Length;
  };
  // The block inflated ahead by a worker, when one did (see TInflateAhead).
  static const TInflatedBlock* InflatedAhead(const TBlockJob& job, uint64_t capacity, bool exact);
  void SizeSurface(TLoadContext& context, TVornFrame& frame);
  void ReadBlocks(TStream& stream, const TVornFileHeader& header, TLoadContext& context,
                  TVornFrame& frame, bool binary);
  // Versions up to 102: rows stored as is (length exactly R x H, in the
  // permuted order) or as one zlib stream. data holds the block from its
  // position to its end.
  void DecodeRowsV1(TStream& data, int32_t length, const TBlockJob& job);
  // Versions from 103: by CompType, in rows or blocks.
  void DecodePixels(TStream& data, const TBlockJob& job);
  void DecodeRows(TBlockReader& data, TDIBSurface& target, bool scrambled, int32_t passCode);
  void DecodeBlocks(TBlockReader& data, const TBlockJob& job);
  void DecodeJpeg(TStream& data, const TBlockJob& job);
};

}  // namespace vorn
