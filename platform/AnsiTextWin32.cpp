#include "platform/AnsiText.h"

#include <windows.h>

#include "platform/WideText.h"

namespace vorn::platform {

bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

std::string Utf8FromAnsiName(const std::string& name) {
  if (name.empty()) return {};
  const int units = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::u16string wide(static_cast<size_t>(units > 0 ? units : 0), u'\0');
  if (units > 0)
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), units);
  return Utf8FromUtf16(wide);
}

}  // namespace vorn::platform
