#include "platform/AnsiText.h"

#include <windows.h>

namespace vorn::platform {

bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

}  // namespace vorn::platform
