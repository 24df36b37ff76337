#include <windows.h>

#include "platform/TextConversion.h"
#include "platform/WideText.h"

namespace vorn::platform {

std::string Cp932ToUtf8(const std::string& text) {
  const std::wstring w = WideFromCp932(text);
  if (w.empty()) return {};
  const int wide = static_cast<int>(w.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace vorn::platform
