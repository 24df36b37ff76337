#include "platform/HostMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace vorn::platform {
namespace {

// Every block starts with this header; the handle points at it and the
// locked pointer at the bytes after it, so a handle is never mistaken for
// the data it stands for (as with movable blocks on Windows).
struct alignas(std::max_align_t) TBlockHeader {
  uint32_t Magic;
  uint32_t LockCount;
  size_t Size;
};

constexpr uint32_t kLiveMagic = 0x4B4C4256;  // "VBLK"

TBlockHeader* Header(THostHandle handle) {
  auto* header = static_cast<TBlockHeader*>(handle);
  return header != nullptr && header->Magic == kLiveMagic ? header : nullptr;
}

}  // namespace

THostHandle HostAlloc(size_t size) {
  if (size > std::numeric_limits<size_t>::max() / 2 - sizeof(TBlockHeader)) return nullptr;
  // Zero-filled, so a block handed over without being filled holds no stale bytes.
  void* memory = std::calloc(1, sizeof(TBlockHeader) + size);
  if (memory == nullptr) return nullptr;
  auto* header = new (memory) TBlockHeader{kLiveMagic, 0, size};
  return header;
}

void* HostLock(THostHandle handle) {
  TBlockHeader* header = Header(handle);
  if (header == nullptr) return nullptr;
  ++header->LockCount;
  return header + 1;
}

bool HostUnlock(THostHandle handle) {
  TBlockHeader* header = Header(handle);
  if (header == nullptr || header->LockCount == 0) return false;
  return --header->LockCount > 0;
}

THostHandle HostFree(THostHandle handle) {
  if (handle == nullptr) return nullptr;
  TBlockHeader* header = Header(handle);
  if (header == nullptr) return handle;  // not one of ours: report failure like LocalFree
  header->Magic = 0;
  std::free(header);
  return nullptr;
}

size_t HostSize(THostHandle handle) {
  const TBlockHeader* header = Header(handle);
  return header != nullptr ? header->Size : 0;
}

}  // namespace vorn::platform
