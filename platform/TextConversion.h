// Conversion of the system's code page 932 texts (messages, names from
// files) to UTF-8 for terminals and JSON. Bytes that do not convert become
// U+FFFD; the conversion never fails.
#pragma once

#include <string>

namespace vorn::platform {

std::string Cp932ToUtf8(const std::string& text);

}  // namespace vorn::platform
