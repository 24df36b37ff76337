// Helpers of the reader tests: load a written file, and compare a surface
// with the top-down rows the fixture writer stored.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/fixtures/VrnWriter.h"
#include "format/VornFrame.h"
#include "format/VornFrameList.h"
#include "support/Stream.h"
#include "surface/DIBSurface.h"

namespace vorn::testing {

inline std::unique_ptr<TVornFrameList> LoadBytes(const std::vector<uint8_t>& bytes,
                                                 int32_t passCode = 0,
                                                 bool firstFrameOnly = false) {
  auto frames = std::make_unique<TVornFrameList>(passCode);
  TMemoryStream stream(bytes);
  frames->LoadFromStream(stream, firstFrameOnly);
  return frames;
}

inline std::unique_ptr<TVornFrameList> LoadFile(const fixtures::FxFile& file,
                                                bool firstFrameOnly = false) {
  return LoadBytes(fixtures::WriteVrn(file), file.passCode, firstFrameOnly);
}

// Pixel (x, y) of top-down rows in the bitmap layout, read independently of
// the surface code.
inline uint32_t RowPixel(const std::vector<uint8_t>& rows, int32_t width, int32_t bpp, int32_t x,
                         int32_t y) {
  const size_t rowBytes = fixtures::FxRowBytes(width, bpp);
  const uint8_t* row = rows.data() + rowBytes * static_cast<size_t>(y);
  switch (bpp) {
    case 1:
      return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
      return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
    case 8:
      return row[x];
    case 15:
    case 16:
      return static_cast<uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
    case 24:
      return static_cast<uint32_t>(row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16);
    default:
      return static_cast<uint32_t>(row[4 * x]) | static_cast<uint32_t>(row[4 * x + 1]) << 8 |
             static_cast<uint32_t>(row[4 * x + 2]) << 16 |
             static_cast<uint32_t>(row[4 * x + 3]) << 24;
  }
}

// Every pixel of the surface equals the rows' pixel; reports the first that
// does not.
inline ::testing::AssertionResult SamePixels(const TDIBSurface& surface,
                                             const std::vector<uint8_t>& rows, int32_t width,
                                             int32_t height, int32_t bpp) {
  if (surface.Width() != width || surface.Height() != height)
    return ::testing::AssertionFailure() << "size " << surface.Width() << "x" << surface.Height()
                                         << ", expected " << width << "x" << height;
  if (surface.Bpp() != bpp)
    return ::testing::AssertionFailure() << "depth " << surface.Bpp() << ", expected " << bpp;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t got = surface.GetPixel(x, y), want = RowPixel(rows, width, bpp, x, y);
      if (got != want)
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << got
                                             << ", expected " << want;
    }
  return ::testing::AssertionSuccess();
}

// At 8 bits and less, the surface's committed colour table holds the frame's
// table entry for entry (blue, green, red); reports the first that differs.
inline ::testing::AssertionResult SamePalette(const TDIBSurface& surface,
                                              const fixtures::FxFrame& frame) {
  const std::vector<fixtures::FxRgbQuad> want = fixtures::FxFramePalette(frame);
  for (size_t i = 0; i < want.size(); ++i) {
    const TRGBQuad& got = surface.Image().ColorTable[i];
    if (got.Blue != want[i].blue || got.Green != want[i].green || got.Red != want[i].red)
      return ::testing::AssertionFailure()
             << "entry " << i << " is (r " << +got.Red << ", g " << +got.Green << ", b "
             << +got.Blue << "), expected (r " << +want[i].red << ", g " << +want[i].green
             << ", b " << +want[i].blue << ")";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace vorn::testing
