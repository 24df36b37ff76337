#include "api/TiledPicture.h"

#include <algorithm>

#include "surface/DepthConversion.h"
#include "format/VornFrame.h"
#include "format/VornFrameList.h"
#include "support/VornError.h"

namespace vorn {

TFrameGrid TFrameGrid::Fit(int32_t w, int32_t h, int32_t frameCount, int32_t screenW,
                           int32_t screenH) {
  if (w == 0 || h == 0) throw EVornError("Division by zero");
  TFrameGrid grid;
  const int64_t columns0 = std::max<int64_t>(1, screenW / w);
  const int64_t rows0 = std::max<int64_t>(1, screenH / h);
  const int64_t cells = columns0 * rows0;
  grid.Shown = static_cast<int32_t>(std::min<int64_t>(frameCount, cells));
  if (grid.Shown <= 0) {
    // No frame: nothing across, one frame's height down.
    grid.Shown = 0;
    grid.Rows = 1;
    return grid;
  }
  grid.Columns = static_cast<int32_t>(std::min<int64_t>(columns0, grid.Shown));
  // In 64 bits: frame counts and screen sizes from outside may be near 2^31.
  grid.Rows = static_cast<int32_t>((int64_t{grid.Shown} + grid.Columns - 1) / grid.Columns);
  return grid;
}

const TDIBSurface* SingleFramePicture(const TVornFrameList& frames, int32_t screenW,
                                      int32_t screenH) {
  const TDIBSurface& first = *frames.GetFrame(0).Surface;
  const TFrameGrid grid =
      TFrameGrid::Fit(first.Width(), first.Height(), frames.Count(), screenW, screenH);
  if (grid.Shown != 1 || grid.Columns != 1 || grid.Rows != 1 || first.Size() <= 0) return nullptr;
  // The sheet would take this colour table as its own, and copy the pixels
  // into zero-filled rows.
  if (!(first.ColorTable == first.Image().ColorTable) || !first.PaddingIsZero()) return nullptr;
  return &first;
}

std::unique_ptr<TDIBSurface> BuildTiledPicture(TVornFrameList& frames, int32_t screenW,
                                               int32_t screenH) {
  const TDIBSurface& first = *frames.GetFrame(0).Surface;
  const int32_t w = first.Width();
  const int32_t h = first.Height();
  const TFrameGrid grid = TFrameGrid::Fit(w, h, frames.Count(), screenW, screenH);

  auto sheet = std::make_unique<TDIBSurface>(frames.Context().Pixels);
  const int32_t sheetW = w * grid.Columns;
  const int32_t sheetH = h * grid.Rows;
  frames.Budget().Charge(SurfaceCost(sheetW, sheetH, first.Bpp()));
  sheet->SetSize(sheetW, sheetH, first.Bpp());
  // Every frame is drawn with the first frame's palette: values are copied.
  sheet->ColorTable = first.ColorTable;
  sheet->UpdatePalette();
  sheet->FillRect(sheet->BoundsRect(), 0);
  for (int32_t i = 0; i < grid.Shown; ++i) {
    const TDIBSurface& frame = *frames.GetFrame(i).Surface;
    const int32_t x = w * (i % grid.Columns);
    const int32_t y = h * (i / grid.Columns);
    if (frame.Bpp() == first.Bpp() && frame.BitCount() == sheet->BitCount()) {
      sheet->Draw(x, y, frame);
    } else if (frame.Width() > 0 && frame.Height() > 0) {
      // Only the part that lands on the sheet is converted: a frame far
      // larger than the first, or of a smaller depth, would otherwise cost
      // memory and time no picture shows.
      const TRect visible{0, 0, std::min(frame.Width(), sheetW - x),
                          std::min(frame.Height(), sheetH - y)};
      frames.Budget().Check(SurfaceCost(visible.Right, visible.Bottom, first.Bpp()));
      sheet->Draw(x, y, *ConvertedCopy(frame, first.Bpp(), first.ColorTable, visible));
    }
  }
  return sheet;
}

}  // namespace vorn
