#include "platform/HostMemory.h"

#include <windows.h>

namespace vorn::platform {

THostHandle HostAlloc(size_t size) { return LocalAlloc(LMEM_MOVEABLE, size); }

void* HostLock(THostHandle handle) { return LocalLock(static_cast<HLOCAL>(handle)); }

bool HostUnlock(THostHandle handle) { return LocalUnlock(static_cast<HLOCAL>(handle)) != FALSE; }

THostHandle HostFree(THostHandle handle) { return LocalFree(static_cast<HLOCAL>(handle)); }

size_t HostSize(THostHandle handle) { return LocalSize(static_cast<HLOCAL>(handle)); }

}  // namespace vorn::platform
