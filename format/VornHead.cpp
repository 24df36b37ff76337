#include "format/VornHead.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "support/DecimalText.h"
#include "support/QzXml.h"

namespace vorn::format {

TVornHead::TVornHead(const uint8_t* bytes, size_t length) : length_(std::min(length, kNewHeadSize)) {
  if (length_ > 0) std::memcpy(bytes_, bytes, length_);
}

bool TVornHead::IsNewGeneration() const {
  return length_ >= kNewSignatureSize && std::memcmp(bytes_, kNewSignature, kNewSignatureSize) == 0;
}

int TVornHead::NewGenerationMajor() const {
  const uint8_t digit = length_ > kNewSignatureSize ? bytes_[kNewSignatureSize] : 0;
  return digit >= '0' && digit <= '9' ? digit - '0' : 0;
}

bool TVornHead::HasOldSignature() const {
  return length_ >= kOldSignatureSize && std::memcmp(bytes_, kOldSignature, kOldSignatureSize) == 0;
}

std::optional<int32_t> TVornHead::DecimalVersion() const {
  if (length_ <= kOldSignatureSize) return std::nullopt;
  const size_t digits = std::min(length_, kHeadSize) - kOldSignatureSize;
  int32_t value = 0;
  if (!TryParseDecimal({reinterpret_cast<const char*>(bytes_) + kOldSignatureSize, digits}, value))
    return std::nullopt;
  return value;
}

std::optional<int32_t> TVornHead::ConvertedVersion() const {
  if (length_ < kHeadSize) return std::nullopt;
  int32_t value = 0;
  if (!QzTryStrToInt(std::string(reinterpret_cast<const char*>(bytes_) + kOldSignatureSize,
                                 kHeadSize - kOldSignatureSize),
                     value))
    return std::nullopt;
  return value;
}

bool TVornHead::HasSupportedSignature() const {
  if (IsNewGeneration()) return true;
  if (!HasOldSignature()) return false;
  const int32_t version = DecimalVersion().value_or(0);
  return version >= kVersionAlphaBlock && version <= kVersionNewestSniffed;
}

bool TVornHead::HasHeaderRecord() const {
  return !IsNewGeneration() && ConvertedVersion().value_or(0) >= kVersionHeaderRecord;
}

}  // namespace vorn::format
