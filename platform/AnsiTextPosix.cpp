#include "platform/AnsiText.h"

namespace vorn::platform {

bool IsAnsiLeadByte(unsigned char) { return false; }

std::string Utf8FromAnsiName(const std::string& name) { return name; }

}  // namespace vorn::platform
