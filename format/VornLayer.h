// One layer of a frame: its properties and its two pixel data blocks (colour,
// then alpha), decoded from plain or zlib rows, JPEG, or a table of stored,
// repeated and cross-frame blocks, unscrambled with the identification code
// where the file is scrambled.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "format/VornFileHeader.h"
#include "surface/PixelFormat.h"

namespace vorn {

class TBlockReader;
class TDIBSurface;
class TQzXmlElement;
class TStream;
class TVornFrame;

class TVornLayer {
 public:
  explicit TVornLayer(TVornFrame& owner);
  ~TVornLayer();
  TVornLayer(const TVornLayer&) = delete;
  TVornLayer& operator=(const TVornLayer&) = delete;

  void LoadBinary(TStream& stream, const TVornFileHeader& header);
  void LoadXml(const TQzXmlElement& element, TStream& stream, const TVornFileHeader& header);

  // Versions up to 102: rows stored as is (length exactly R x H, in the
  // permuted order) or as one zlib stream.
  // data holds the block from its position to its end.
  void DecodeRowsV1(TStream& data, int32_t length, TDIBSurface& target,
                    const TVornFileHeader& header);
  // Versions from 103: by CompType, in rows or blocks.
  void DecodePixels(TStream& data, bool isAlpha, TDIBSurface& target,
                    const TVornFileHeader& header);
  // Byte copy of the rectangle src of source to (x, y) of target, one row
  // at a time. Both must have the same depth and the rectangle must lie
  // inside both; anything else fails the load.
  static void CopyBlock(TDIBSurface& target, int32_t x, int32_t y, const TRect& src,
                        const TDIBSurface& source);

  TVornFrame& OwnerFrame;
  std::string Name;
  std::unique_ptr<TDIBSurface> Surface;
  bool Visible = true;
  int32_t TransColor = -1;
  int32_t Alpha = 255;
  bool AlphaOn = false;

 private:
  void SizeSurface();
  void ReadBlocks(TStream& stream, const TVornFileHeader& header, bool binary);
  void DecodeRows(TBlockReader& data, TDIBSurface& target, bool scrambled);
  void DecodeBlocks(TBlockReader& data, bool isAlpha, TDIBSurface& target,
                    const TVornFileHeader& header);
  void DecodeJpeg(TStream& data, TDIBSurface& target);
  int32_t PassCode() const;
};

}  // namespace vorn
