// The primary screen's size in pixels, read at each call:
// GetSystemMetrics on Windows; $VORN_SCREEN ("WIDTHxHEIGHT", default
// 1920x1080) elsewhere.
#pragma once

#include <optional>
#include <string_view>

namespace vorn::platform {

struct TScreenSize {
  int Width = 0;
  int Height = 0;
};

TScreenSize ScreenSize();

// "WIDTHxHEIGHT" (or "X"): two positive decimal numbers of at most six
// digits; nothing else.
std::optional<TScreenSize> ParseScreenSize(std::string_view text);

}  // namespace vorn::platform
