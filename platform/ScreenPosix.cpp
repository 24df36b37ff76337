#include "platform/Screen.h"

#include <cstdlib>
#include <string_view>

namespace vorn::platform {
namespace {

// Reads a positive decimal of at most six digits; advances text past it.
bool ReadDimension(std::string_view& text, int& value) {
  size_t digits = 0;
  int v = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    if (digits == 6) return false;
    v = v * 10 + (text[digits] - '0');
    ++digits;
  }
  if (digits == 0 || v == 0) return false;
  value = v;
  text.remove_prefix(digits);
  return true;
}

}  // namespace

// $VORN_SCREEN stands in for the display: "WIDTHxHEIGHT"; anything else
// gives the default.
TScreenSize ScreenSize() {
  TScreenSize size{1920, 1080};
  const char* env = std::getenv("VORN_SCREEN");
  if (env == nullptr) return size;
  std::string_view text(env);
  int w = 0, h = 0;
  if (!ReadDimension(text, w) || text.empty() || (text[0] != 'x' && text[0] != 'X')) return size;
  text.remove_prefix(1);
  if (!ReadDimension(text, h) || !text.empty()) return size;
  return {w, h};
}

}  // namespace vorn::platform
