#include <cstdlib>

#include "platform/Screen.h"

namespace vorn::platform {

// $VORN_SCREEN stands in for the display; anything but WIDTHxHEIGHT gives
// the default (the tools refuse it instead: see vrnconv).
TScreenSize ScreenSize() {
  const char* env = std::getenv("VORN_SCREEN");
  return env != nullptr ? ParseScreenSize(env).value_or(TScreenSize{1920, 1080})
                        : TScreenSize{1920, 1080};
}

}  // namespace vorn::platform
