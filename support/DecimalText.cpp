#include "support/DecimalText.h"

namespace vorn {

bool TryParseDecimal(std::string_view text, int32_t& value) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  // Accumulated as a magnitude up to 2^31, which only a negative value may reach.
  int64_t magnitude = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return false;
  }
  if (!negative && magnitude > 2147483647LL) return false;
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace vorn
