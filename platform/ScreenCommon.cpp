#include "platform/Screen.h"

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

std::optional<TScreenSize> ParseScreenSize(std::string_view text) {
  int w = 0, h = 0;
  if (!ReadDimension(text, w) || text.empty() || (text[0] != 'x' && text[0] != 'X')) return std::nullopt;
  text.remove_prefix(1);
  if (!ReadDimension(text, h) || !text.empty()) return std::nullopt;
  return TScreenSize{w, h};
}

}  // namespace vorn::platform
