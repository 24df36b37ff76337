// The guards around the exports: nothing thrown inside may reach the host,
// which gets the export's failure result instead.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Trace.h"

namespace vorn {

template <class Body>
int32_t GuardedExport(int32_t failureResult, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failureResult;
  }
}

// A picture call: traces name first, and when the call fails (-1, or
// anything thrown) name + ":Error"; last name + separator + "End=" and the
// result ("GetPicture.End=0", "GetPictureInfo:End=-1").
template <class Body>
int32_t TracedExport(const char* name, char separator, Body&& body) noexcept {
  int32_t result = -1;
  try {
    platform::Trace(name);
    result = body();
  } catch (...) {
    result = -1;
  }
  try {
    if (result != 0) platform::Trace(std::string(name) + ":Error");
    platform::Trace(std::string(name) + separator + "End=" + std::to_string(result));
  } catch (...) {
  }
  return result;
}

}  // namespace vorn
