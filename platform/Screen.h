// The primary screen's size in pixels, read at each call:
// GetSystemMetrics on Windows; $VORN_SCREEN ("WIDTHxHEIGHT", default
// 1920x1080) elsewhere.
#pragma once

namespace vorn::platform {

struct TScreenSize {
  int Width = 0;
  int Height = 0;
};

TScreenSize ScreenSize();

}  // namespace vorn::platform
