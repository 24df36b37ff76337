#include "platform/HostMemory.h"

#include <windows.h>

namespace vorn::platform {

// Zero-filled, as the portable blocks are. The system gives large blocks
// fresh zero pages without writing them: a pixel block never drawn on (a
// composite whose first layer takes its place) costs no page at all.
THostHandle HostAlloc(size_t size) { return LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size); }

void* HostLock(THostHandle handle) { return LocalLock(static_cast<HLOCAL>(handle)); }

bool HostUnlock(THostHandle handle) { return LocalUnlock(static_cast<HLOCAL>(handle)) != FALSE; }

THostHandle HostFree(THostHandle handle) { return LocalFree(static_cast<HLOCAL>(handle)); }

size_t HostSize(THostHandle handle) { return LocalSize(static_cast<HLOCAL>(handle)); }

}  // namespace vorn::platform
