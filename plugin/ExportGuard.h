// The one guard around every export: nothing thrown inside may reach the
// host, which gets the export's failure result instead.
#pragma once

#include <cstdint>

namespace vorn {

template <class Body>
int32_t GuardedExport(int32_t failureResult, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failureResult;
  }
}

}  // namespace vorn
