#include "support/VornError.h"

#include <new>

namespace vorn {

TErrorKind ErrorKindOf(const std::exception& e) {
  if (const auto* ours = dynamic_cast<const EVornException*>(&e)) return ours->Kind();
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return TErrorKind::NoMemory;
  return TErrorKind::Internal;
}

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
