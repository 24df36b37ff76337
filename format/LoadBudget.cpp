#include "format/LoadBudget.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/VornError.h"

namespace vorn {

uint64_t TLoadBudget::DefaultLimit() {
  if (const char* text = std::getenv("VORN_MEMORY_LIMIT_MB")) {
    char* end = nullptr;
    const unsigned long long mb = std::strtoull(text, &end, 10);
    if (end != text && *end == '\0' && mb > 0 && mb < (1ull << 44)) return mb << 20;
  }
  return sizeof(void*) >= 8 ? (1ull << 30) : (512ull << 20);
}

void TLoadBudget::Check(uint64_t bytes) const {
  if (bytes > limit_ - used_)
    throw ELimitError("the file needs more memory than one call may use (" +
                      std::to_string(bytes) + " bytes asked, " + std::to_string(limit_ - used_) +
                      " left)");
}

void TLoadBudget::Charge(uint64_t bytes) {
  Check(bytes);
  used_ += bytes;
}

uint64_t SurfaceBytes(int32_t w, int32_t h, int32_t bpp) {
  if (w <= 0 || h <= 0) return 0;
  const uint64_t bits = bpp == 15 ? 16 : (bpp > 0 ? static_cast<uint64_t>(bpp) : 0);
  const uint64_t rowBytes = (static_cast<uint64_t>(w) * bits + 31) / 32 * 4;
  return rowBytes * static_cast<uint64_t>(h);
}

uint64_t SurfaceCost(int32_t w, int32_t h, int32_t bpp) {
  const uint64_t bytes = SurfaceBytes(w, h, bpp);
  if (bytes == 0) return kSurfaceOverhead;
  return std::max(bytes, kMinRowCost * static_cast<uint64_t>(h)) + kSurfaceOverhead;
}

uint64_t TimesCount(int64_t count, uint64_t cost) {
  if (count <= 0 || cost == 0) return 0;
  const auto n = static_cast<uint64_t>(count);
  return cost > UINT64_MAX / n ? UINT64_MAX : n * cost;
}

}  // namespace vorn
