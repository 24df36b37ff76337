// Movable local memory blocks that the host owns after a picture call:
// LocalAlloc(LMEM_MOVEABLE) and friends on Windows, a portable equivalent
// elsewhere (exported by the native library so a native host can free them).
#pragma once

#include <cstddef>

namespace vorn::platform {

using THostHandle = void*;

// A new movable block of size bytes, zero-filled, or null when it cannot be
// had.
THostHandle HostAlloc(size_t size);
// Pointer to the block's bytes, or null when it cannot be locked.
void* HostLock(THostHandle handle);
// Returns whether the block is still locked afterwards (like LocalUnlock).
bool HostUnlock(THostHandle handle);
// Frees the block; returns null on success (like LocalFree).
THostHandle HostFree(THostHandle handle);
size_t HostSize(THostHandle handle);

}  // namespace vorn::platform
