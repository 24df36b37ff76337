// Checks of a delivered picture, shared by the hostile-file suite and the
// fuzz targets: the header block is a BITMAPINFOHEADER (with masks and
// colour table where the depth has them) whose sizes match the pixel block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorn::hostile {

struct TPictureShape {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 0;
};

inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// Empty when the two blocks form a well-formed picture; else what is wrong.
// shape receives the header's size and depth.
inline std::string PictureProblem(const std::vector<uint8_t>& info,
                                  const std::vector<uint8_t>& bits, TPictureShape* shape = nullptr) {
  if (info.size() < 40) return "header block of " + std::to_string(info.size()) + " bytes";
  const auto width = static_cast<int32_t>(Get32(info, 4));
  const auto height = static_cast<int32_t>(Get32(info, 8));
  const uint32_t planes = info[12] | info[13] << 8;
  const int32_t bitCount = info[14] | info[15] << 8;
  const uint32_t compression = Get32(info, 16);
  const uint32_t sizeImage = Get32(info, 20);
  if (Get32(info, 0) != 40) return "biSize is not 40";
  if (width <= 0 || height <= 0) return "picture of " + std::to_string(width) + " x " +
                                        std::to_string(height);
  if (planes != 1) return "biPlanes is not 1";
  const bool masks = bitCount == 16 || bitCount == 32;
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return "biBitCount " + std::to_string(bitCount);
  }
  if (compression != (masks ? 3u : 0u)) return "biCompression " + std::to_string(compression);
  const size_t colors = bitCount <= 8 ? size_t{1} << bitCount : 0;
  const size_t infoSize = 40 + (masks ? 12 : 0) + 4 * colors;
  if (info.size() != infoSize)
    return "header block of " + std::to_string(info.size()) + " bytes, expected " +
           std::to_string(infoSize);
  if (masks) {
    const uint32_t r = Get32(info, 40), g = Get32(info, 44), b = Get32(info, 48);
    const bool ok = bitCount == 32 ? (r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
                                   : (b == 0x1F && ((r == 0x7C00 && g == 0x03E0) ||
                                                    (r == 0xF800 && g == 0x07E0)));
    if (!ok) return "unexpected channel masks";
  }
  const uint64_t rowBytes = (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32 * 4;
  const uint64_t size = rowBytes * static_cast<uint64_t>(height);
  if (sizeImage != size) return "biSizeImage " + std::to_string(sizeImage) + ", rows need " +
                                std::to_string(size);
  if (bits.size() != size)
    return "pixel block of " + std::to_string(bits.size()) + " bytes, rows need " +
           std::to_string(size);
  if (shape != nullptr) *shape = {width, height, bitCount};
  return {};
}

}  // namespace vorn::hostile
