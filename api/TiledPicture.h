// The picture GetPicture delivers with MultiImage on: the loaded frames tiled
// row by row into a grid fitted to the screen.
#pragma once

#include <cstdint>
#include <memory>

#include "surface/DIBSurface.h"

namespace vorn {

class TVornFrameList;

// The grid for frames of w x h on a screen of screenW x screenH: at most
// as many cells as fit (at least one), n = min(frameCount, cells) frames
// shown, filled row by row. Fails with EVornError when w or h is 0.
struct TFrameGrid {
  int32_t Columns = 0;
  int32_t Rows = 0;
  int32_t Shown = 0;
  static TFrameGrid Fit(int32_t w, int32_t h, int32_t frameCount, int32_t screenW,
                        int32_t screenH);
};

// Builds the tiled picture of the list's frames with the first frame's depth
// and colour table; frames of another depth are converted to it.
std::unique_ptr<TDIBSurface> BuildTiledPicture(TVornFrameList& frames, int32_t screenW,
                                               int32_t screenH);

// The first frame's composite when the tiled picture would be exactly that
// surface, header and pixel block byte for byte: one cell, the composite's
// colour table committed and its row padding zero. Delivering it spares
// building a copy of the whole picture. Null otherwise; fails like
// BuildTiledPicture for a frame of width or height 0.
const TDIBSurface* SingleFramePicture(const TVornFrameList& frames, int32_t screenW,
                                      int32_t screenH);

}  // namespace vorn
