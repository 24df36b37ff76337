#include "platform/WideText.h"

#include <windows.h>

namespace vorn::platform {

std::wstring WideFromCp932(const std::string& text) {
  if (text.empty()) return {};
  // Strictly first: left to itself the system puts U+30FB for a byte it
  // cannot map, and a lead byte takes the byte after it along even when the
  // two make no character.
  const int length = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (wide > 0) {
    std::wstring out(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), length, out.data(), wide);
    return out;
  }
  if (GetLastError() != ERROR_NO_UNICODE_TRANSLATION) {
    std::wstring bytes;  // no code page 932 on this system: show the bytes as they are
    for (const unsigned char c : text) bytes += static_cast<wchar_t>(c);
    return bytes;
  }
  // Character by character: what does not convert is U+FFFD, and the next
  // character starts at the following byte.
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    wchar_t c[2];
    if (i + 1 < text.size() && IsDBCSLeadByteEx(932, static_cast<BYTE>(text[i]))) {
      const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data() + i, 2, c, 2);
      if (n > 0) {
        out.append(c, static_cast<size_t>(n));
        i += 2;
        continue;
      }
    }
    const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data() + i, 1, c, 2);
    if (n > 0)
      out.append(c, static_cast<size_t>(n));
    else
      out += L'\uFFFD';
    ++i;
  }
  return out;
}

std::u16string Utf16FromCp932(const std::string& text) {
  const std::wstring wide = WideFromCp932(text);
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace vorn::platform
