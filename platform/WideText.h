// Text for the Unicode side of the plug-in: code page 932 text as UTF-16 (for
// the Windows wide functions and the W entry points, so Japanese captions,
// messages and names come out right whatever the system code page is), and
// UTF-16 file names in the native file name encoding, UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vorn::platform {

#if defined(_WIN32)
std::wstring WideFromCp932(const std::string& text);
#endif
// Code page 932 text in UTF-16; bytes that do not convert become U+FFFD.
std::u16string Utf16FromCp932(const std::string& text);
// UTF-16 to UTF-8 and back; unpaired surrogates and malformed bytes become
// U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);
std::u16string Utf16FromUtf8(std::string_view text);

}  // namespace vorn::platform
