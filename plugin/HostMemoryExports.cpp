// Native builds of the plug-ins: the portable movable blocks they hand to a
// host, exported under their Windows names so a native host can use and free
// them. The library itself never calls these symbols, so a host defining
// functions of the same names cannot divert our own allocations. On Windows
// the host has the system's own.
#if !defined(_WIN32)
#include <cstddef>

#include "platform/HostMemory.h"

#define VORN_EXPORT extern "C" __attribute__((visibility("default")))

VORN_EXPORT void* LocalAlloc(unsigned int, size_t bytes) {
  return vorn::platform::HostAlloc(bytes);  // always zero-filled
}
VORN_EXPORT void* LocalLock(void* block) { return vorn::platform::HostLock(block); }
VORN_EXPORT int LocalUnlock(void* block) { return vorn::platform::HostUnlock(block) ? 1 : 0; }
VORN_EXPORT void* LocalFree(void* block) { return vorn::platform::HostFree(block); }
VORN_EXPORT size_t LocalSize(void* block) { return vorn::platform::HostSize(block); }
#endif
