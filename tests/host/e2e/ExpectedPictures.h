// What a host must receive for files whose frames are each one visible,
// opaque layer: the composite is then the layer itself. Built from the
// fixture writer's description of the file alone, without the reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fixtures/VrnWriter.h"

namespace vorn::e2e {

// The two delivered blocks: BITMAPINFO (header, masks at 16 and 32 bits,
// colour table at 8 bits and less) and the bottom-up pixel rows.
struct TBlocks {
  std::vector<uint8_t> Info, Bits;
  friend bool operator==(const TBlocks&, const TBlocks&) = default;
};

// Where got first differs from want, for a failure message; empty when the
// blocks are equal.
std::string Difference(const TBlocks& got, const TBlocks& want);

// How the frames are laid out on a screen of screenW x screenH: columns0 =
// max(1, SW / W), rows0 = max(1, SH / H), n = min(N, columns0 * rows0),
// columns = min(columns0, n), rows = ceil(n / columns).
struct TSheetGrid {
  int32_t Columns = 0;
  int32_t Rows = 0;
  int32_t Shown = 0;
};
TSheetGrid SheetGrid(int32_t w, int32_t h, int32_t frames, int32_t screenW, int32_t screenH);

// The first frame (GetPreview, and GetPicture without MultiImage); 15 and
// 16 bits are delivered as 16 with their channel masks.
TBlocks FramePicture(const fixtures::FxFile& file);

// The tiled picture (GetPicture with MultiImage): the first frame's size,
// depth and colour table, zero where no frame is drawn. Frames have the
// first frame's depth, or 8 bits and less on a 24-bit sheet.
TBlocks SheetPicture(const fixtures::FxFile& file, int32_t screenW, int32_t screenH);

}  // namespace vorn::e2e
