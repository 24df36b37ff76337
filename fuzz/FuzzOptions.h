// The option byte at the start of a picture fuzz input: MultiImage, which
// identification code, which screen size, and one switch of the target's own.
#pragma once

#include <cstdint>

namespace vorn::fuzz {

// Codes the seed corpus is scrambled with (index 0 is "no code").
inline constexpr int32_t kPassCodes[4] = {0, 1234, -7, 0x7FFFFFFF};
inline constexpr const char* kScreens[4] = {"1920x1080", "64x48", "1x1", "333x250"};

struct TFuzzOptions {
  bool MultiImage = true;
  int PassCode = 0;  // index into kPassCodes
  int Screen = 0;    // index into kScreens
  bool Extra = false;  // a target-specific switch

  static TFuzzOptions FromByte(uint8_t b) {
    return {(b & 1) != 0, (b >> 1) & 3, (b >> 3) & 3, (b & 0x20) != 0};
  }
  uint8_t ToByte() const {
    return static_cast<uint8_t>((MultiImage ? 1 : 0) | PassCode << 1 | Screen << 3 |
                                (Extra ? 0x20 : 0));
  }
};

}  // namespace vorn::fuzz
