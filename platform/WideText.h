// Code page 932 text as UTF-16 for the Windows wide functions, so Japanese
// captions and messages render whatever the system code page is.
#pragma once

#include <string>

namespace vorn::platform {

std::wstring WideFromCp932(const std::string& text);

}  // namespace vorn::platform
