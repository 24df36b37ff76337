// Encodes frames the library delivers, turned into RGBA, as one lossless
// animated WebP through libwebp's WebPAnimEncoder.
#pragma once

#include <cstdint>
#include <vector>

namespace vorn::tools {

// One frame for the animation: straight RGBA rows top-down, Width * 4 bytes each.
struct TRgbaFrame {
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> Pixels;
  uint32_t DelayMs = 0;  // how long the frame shows
};

// All frames as a lossless animated WebP (every frame the canvas's size; a
// frame of another size is placed at the top left of a canvas of the
// first frame's size and the rest cleared to transparent). Loops forever.
// Throws std::runtime_error with an English reason when libwebp refuses.
//
// libwebp merges a frame that changes nothing into the one before it (their
// delays add up), and a file left with one frame is written as a still
// picture, without the animation chunks.
std::vector<uint8_t> EncodeAnimatedWebp(const std::vector<TRgbaFrame>& frames);

}  // namespace vorn::tools
