// The head of a file (its first seven or eight bytes) as every part of the
// system reads it: the format test, the quick header path of the picture
// information, and the frame list's loader.
//
// The three read the version digits by different rules, on purpose:
//  - the format test takes them strictly as a decimal number (IsSupported
//    answers for files it has not opened and never fails);
//  - the loader and the quick header path convert them with the runtime's
//    integer conversion (QzTryStrToInt), which also takes hexadecimal ("$67")
//    and leading blanks; the loader fails on text that is not a number,
//    while the quick path takes it as 0, and the quick path does not look at
//    the first four bytes at all.
// A file read by one rule and not the other (such as "Vorn$67") therefore
// behaves as it always has in each place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "format/VornFormat.h"

namespace vorn::format {

class TVornHead {
 public:
  // Up to eight bytes; fewer where the input is shorter.
  TVornHead(const uint8_t* bytes, size_t length);

  size_t Length() const { return length_; }
  const uint8_t* Bytes() const { return bytes_; }

  // "VornX" in the first five bytes.
  bool IsNewGeneration() const;
  // The digit after "VornX" (a byte that is not a digit counts as 0).
  int NewGenerationMajor() const;
  // "Vorn" in the first four bytes.
  bool HasOldSignature() const;
  // Bytes five to seven, strictly decimal; nothing when not a number.
  std::optional<int32_t> DecimalVersion() const;
  // Bytes five to seven by the runtime's integer conversion; nothing when
  // not a number (or not all three are present).
  std::optional<int32_t> ConvertedVersion() const;

  // What the format test accepts: "VornX", or "Vorn" with a decimal version
  // from 100 to 106.
  bool HasSupportedSignature() const;
  // Whether the quick header path applies: not "VornX", and the converted
  // version (0 when not a number) at least 103.
  bool HasHeaderRecord() const;

 private:
  uint8_t bytes_[kNewHeadSize] = {};
  size_t length_ = 0;
};

}  // namespace vorn::format
