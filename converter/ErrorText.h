// Readable text for the reader's messages: the Japanese message (code page
// 932 at run time) in UTF-8, followed by what it means in English.
#pragma once

#include <string>

namespace vorn::tools {

std::string DescribeError(const std::string& message);

}  // namespace vorn::tools
