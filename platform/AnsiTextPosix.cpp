#include "platform/AnsiText.h"

namespace vorn::platform {

bool IsAnsiLeadByte(unsigned char) { return false; }

}  // namespace vorn::platform
