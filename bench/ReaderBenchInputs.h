// The generated inputs of the reader benchmark: .vrn files built with the
// test fixture writer when a benchmark first asks for them, together with
// what the comparisons need: the compressed blocks the file carries (the
// inflate floor), the same pixels as PNG files (unfiltered and adaptive),
// and the size of the delivered picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorn::bench {

// One zlib stream of the file and the number of bytes it inflates to.
struct TCompressedBlock {
  std::vector<uint8_t> Bytes;
  size_t RawSize = 0;
};

struct TReaderInput {
  std::string Name;
  std::vector<uint8_t> File;
  // Where File is also written, for the file-input calls.
  std::string Path;
  std::vector<TCompressedBlock> Blocks;
  std::vector<std::vector<uint8_t>> PngUnfiltered;
  std::vector<std::vector<uint8_t>> PngAdaptive;
  // The delivered picture: width x height pixels, and its pixel block.
  int64_t DeliveredPixels = 0;
  size_t DeliveredBytes = 0;
  size_t DeliveredInfoBytes = 0;
  // Every layer surface and alpha channel, and every frame composite.
  uint64_t LayerBytes = 0;
  uint64_t CompositeBytes = 0;
  int32_t PassCode = 0;
};

// One frame of 4096 x 4096 at 32 bits, one opaque layer, zlib rows.
const TReaderInput& OneLayerRows();
// Case 1: the same size with three layers (opaque; alpha channel drawn
// through it; opacity 128), zlib rows.
const TReaderInput& ThreeLayerRows();
// Case 2: the three layers in 32 x 32 blocks, in two frames: about half of
// the blocks repeat an earlier block of the layer or, in the second frame,
// the same block of the first frame.
const TReaderInput& ThreeLayerBlocks();
// Case 3: cases 1 and 2 with scrambled rows and block tables.
const TReaderInput& ScrambledRows();
const TReaderInput& ScrambledBlocks();
// Case 4: 64 frames of 256 x 256 at 8 bits (new generation, 32 x 32 blocks,
// half of them from the previous frame), delivered tiled on a 2048 x 2048
// screen.
const TReaderInput& Animation();
// Case 5: an old-generation file of version 107 of about 200 MB (stored rows).
const TReaderInput& LargeOldFile();

// Removes the files written for file input.
void RemoveInputFiles();

}  // namespace vorn::bench
