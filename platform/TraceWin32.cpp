#include "platform/Trace.h"

#include <windows.h>

#include <string>

namespace vorn::platform {

void Trace(std::string_view tag) noexcept {
  if (GetEnvironmentVariableA("VORN_TRACE", nullptr, 0) == 0) return;
  try {
    const std::string line(tag);
    OutputDebugStringA(line.c_str());
  } catch (...) {
    // Tracing must never change what an export does.
  }
}

}  // namespace vorn::platform
