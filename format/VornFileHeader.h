// The 40-byte header record: stored as is by old-generation files from
// version 103 on, filled from the XML root by new-generation files, and read
// by the frame and layer readers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorn {

struct TVornFileHeader {
  int32_t Version = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Bpp = 0;
  int32_t Count = 0;
  uint8_t SyncPal = 0;
  uint8_t Randomized = 0;
  uint8_t CompType = 0;
  uint8_t Reserved1 = 0;
  int32_t BGColor = 0;
  int32_t BlockWidth = 0;
  int32_t BlockHeight = 0;
  uint8_t NotFillBG = 0;
  uint8_t CompLevel = 0;
  uint8_t Reserved2[2] = {0, 0};

  static constexpr size_t kRecordSize = 40;

  // Fills the record from the first `size` (at most 40) bytes of its stored
  // little-endian form; the fields beyond them stay zero.
  static TVornFileHeader FromBytes(const uint8_t* bytes, size_t size);
};

// Little-endian 32-bit value at p.
inline int32_t ReadLE32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace vorn
