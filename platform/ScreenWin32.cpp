#include "platform/Screen.h"

#include <windows.h>

namespace vorn::platform {

TScreenSize ScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

}  // namespace vorn::platform
