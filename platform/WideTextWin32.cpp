#include "platform/WideText.h"

#include <windows.h>

namespace vorn::platform {

std::wstring WideFromCp932(const std::string& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(932, 0, text.data(), length, nullptr, 0);
  if (wide <= 0) {
    std::wstring bytes;  // no code page 932 on this system: show the bytes as they are
    for (const unsigned char c : text) bytes += static_cast<wchar_t>(c);
    return bytes;
  }
  std::wstring out(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(932, 0, text.data(), length, out.data(), wide);
  return out;
}

std::u16string Utf16FromCp932(const std::string& text) {
  const std::wstring wide = WideFromCp932(text);
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace vorn::platform
