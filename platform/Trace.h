// The trace hook every export calls with fixed tags. Silent unless VORN_TRACE
// is set in the environment; then each tag goes to the debugger
// (OutputDebugStringA) on Windows or to standard error elsewhere. It never
// changes a result and never throws.
#pragma once

#include <string_view>

namespace vorn::platform {

void Trace(std::string_view tag) noexcept;

}  // namespace vorn::platform
