#include "platform/Trace.h"

#include <cstdio>
#include <cstdlib>

namespace vorn::platform {

void Trace(std::string_view tag) noexcept {
  if (std::getenv("VORN_TRACE") == nullptr) return;
  std::fprintf(stderr, "vorn: %.*s\n", static_cast<int>(tag.size()), tag.data());
}

}  // namespace vorn::platform
