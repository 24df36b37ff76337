#include "support/VornError.h"

namespace vorn {

std::string FormatMessage(const char* pattern, const std::string& value) {
  std::string text(pattern);
  for (const char* placeholder : {"%d", "%s"}) {
    const auto at = text.find(placeholder);
    if (at != std::string::npos) {
      text.replace(at, 2, value);
      break;
    }
  }
  return text;
}

std::string FormatMessage(const char* pattern, long long value) {
  return FormatMessage(pattern, std::to_string(value));
}

}  // namespace vorn
