#include "tests/host/e2e/ExpectedPictures.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "tests/fixtures/VrnPixelEncode.h"

namespace vorn::e2e {
namespace {

using fixtures::FxFile;
using fixtures::FxFrame;

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

std::vector<uint8_t> InfoBlock(const FxFrame& first, int32_t w, int32_t h, size_t bitsSize) {
  const int32_t bitCount = fixtures::FxStorageBits(first.bpp);
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    throw std::invalid_argument("expected pictures are made at 1, 4, 8, 15, 16, 24 and 32 bits only");
  std::vector<uint8_t> info;
  Put32(info, 40);
  Put32(info, static_cast<uint32_t>(w));
  Put32(info, static_cast<uint32_t>(h));  // positive: rows bottom-up
  Put16(info, 1);
  Put16(info, static_cast<uint32_t>(bitCount));
  const bool masks = bitCount == 16 || bitCount == 32;
  Put32(info, masks ? 3 : 0);  // BI_BITFIELDS at 16 and 32 bits
  Put32(info, static_cast<uint32_t>(bitsSize));
  for (int i = 0; i < 4; ++i) Put32(info, 0);  // densities and colour counts
  if (masks) {
    Put32(info, first.bpp == 32 ? 0xFF0000 : first.bpp == 16 ? 0xF800 : 0x7C00);
    Put32(info, first.bpp == 32 ? 0x00FF00 : first.bpp == 16 ? 0x07E0 : 0x03E0);
    Put32(info, first.bpp == 32 ? 0x0000FF : 0x001F);
  }
  for (const fixtures::FxRgbQuad& q : fixtures::FxFramePalette(first)) {
    info.push_back(q.blue);
    info.push_back(q.green);
    info.push_back(q.red);
    info.push_back(0);
  }
  return info;
}

// The frame's single layer as top-down rows.
const std::vector<uint8_t>& LayerRows(const FxFrame& frame) {
  if (frame.layers.size() != 1 || !frame.layers[0].visible || frame.layers[0].alpha != 255 ||
      frame.layers[0].transColor != -1)
    throw std::invalid_argument("expected pictures need one visible opaque layer per frame");
  return frame.layers[0].pixels;
}

}  // namespace

std::string Difference(const TBlocks& got, const TBlocks& want) {
  const auto first = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return std::to_string(a.size()) + " bytes (expected " + std::to_string(b.size()) +
           "), first difference at " + std::to_string(i);
  };
  if (got.Info != want.Info) return "header block: " + first(got.Info, want.Info);
  if (got.Bits != want.Bits) return "pixel block: " + first(got.Bits, want.Bits);
  return {};
}

TSheetGrid SheetGrid(int32_t w, int32_t h, int32_t frames, int32_t screenW, int32_t screenH) {
  const int64_t columns0 = std::max<int64_t>(1, screenW / w);
  const int64_t rows0 = std::max<int64_t>(1, screenH / h);
  TSheetGrid grid;
  grid.Shown = static_cast<int32_t>(std::min<int64_t>(frames, columns0 * rows0));
  grid.Columns = static_cast<int32_t>(std::min<int64_t>(columns0, grid.Shown));
  grid.Rows = grid.Columns > 0 ? (grid.Shown + grid.Columns - 1) / grid.Columns : 0;
  return grid;
}

TBlocks FramePicture(const FxFile& file) {
  const FxFrame& frame = file.frames.at(0);
  const size_t rowBytes = fixtures::FxRowBytes(frame.width, frame.bpp);
  const std::vector<uint8_t>& rows = LayerRows(frame);
  TBlocks blocks;
  blocks.Bits.resize(rowBytes * static_cast<size_t>(frame.height));
  for (int32_t y = 0; y < frame.height; ++y)
    std::memcpy(&blocks.Bits[rowBytes * static_cast<size_t>(frame.height - 1 - y)],
                &rows[rowBytes * static_cast<size_t>(y)], rowBytes);
  blocks.Info = InfoBlock(frame, frame.width, frame.height, blocks.Bits.size());
  return blocks;
}

TBlocks SheetPicture(const FxFile& file, int32_t screenW, int32_t screenH) {
  const FxFrame& first = file.frames.at(0);
  const int32_t w = first.width, h = first.height, bpp = first.bpp;
  if (bpp < 8) throw std::invalid_argument("expected sheets are made at 8 bits and more");
  const TSheetGrid grid = SheetGrid(w, h, static_cast<int32_t>(file.frames.size()), screenW, screenH);
  const int32_t sheetW = w * grid.Columns, sheetH = h * grid.Rows;
  const size_t sheetRow = fixtures::FxRowBytes(sheetW, bpp);
  const size_t pixelBytes = static_cast<size_t>(fixtures::FxStorageBits(bpp) / 8);
  TBlocks blocks;
  blocks.Bits.assign(sheetRow * static_cast<size_t>(sheetH), 0);
  for (int32_t i = 0; i < grid.Shown; ++i) {
    const FxFrame& frame = file.frames[static_cast<size_t>(i)];
    // A frame of 8 bits and less on a 24-bit sheet is drawn through its own
    // colour table.
    const bool throughTable = bpp == 24 && frame.bpp <= 8;
    if (frame.width != w || frame.height != h || (frame.bpp != bpp && !throughTable))
      throw std::invalid_argument("expected sheets need frames of one size and depth");
    const std::vector<uint8_t>& rows = LayerRows(frame);
    const std::vector<fixtures::FxRgbQuad> table = fixtures::FxFramePalette(frame);
    const size_t rowBytes = fixtures::FxRowBytes(w, frame.bpp);
    const int32_t x0 = w * (i % grid.Columns), y0 = h * (i / grid.Columns);
    for (int32_t y = 0; y < h; ++y) {
      const int32_t sheetY = y0 + y;  // top-down; the block is bottom-up
      uint8_t* to = &blocks.Bits[sheetRow * static_cast<size_t>(sheetH - 1 - sheetY) +
                                 static_cast<size_t>(x0) * pixelBytes];
      const uint8_t* from = &rows[rowBytes * static_cast<size_t>(y)];
      if (!throughTable) {
        std::memcpy(to, from, static_cast<size_t>(w) * pixelBytes);
        continue;
      }
      for (int32_t x = 0; x < w; ++x) {
        const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(frame.bpp);
        const unsigned index = (from[bit / 8] >> (8 - frame.bpp - static_cast<int>(bit % 8))) &
                               ((1u << frame.bpp) - 1);
        uint8_t* pixel = to + 3 * static_cast<size_t>(x);
        pixel[0] = table[index].blue;
        pixel[1] = table[index].green;
        pixel[2] = table[index].red;
      }
    }
  }
  blocks.Info = InfoBlock(first, sheetW, sheetH, blocks.Bits.size());
  return blocks;
}

}  // namespace vorn::e2e
