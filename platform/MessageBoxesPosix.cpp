#include "platform/MessageBoxes.h"

#include <cstdio>

namespace vorn::platform {

void ShowAboutBox(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
}

void ShowErrorBox(const std::string& caption, const std::string& message, void*) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
}

}  // namespace vorn::platform
