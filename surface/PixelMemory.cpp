#include "surface/PixelMemory.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vorn {

// The first write to new memory then faults 2 MiB at a time instead of
// 4 KiB; on a virtual machine those faults can cost more than inflating the
// data written. Only the whole 2 MiB stretches inside the block are advised.
void AdviseHugePages([[maybe_unused]] void* bytes, [[maybe_unused]] size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE) && !defined(VORN_NO_HUGE_PAGES)
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  if (bytes == nullptr || size < 2 * kHuge) return;
  const auto at = reinterpret_cast<uintptr_t>(bytes);
  const uintptr_t begin = (at + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (at + size) & ~(kHuge - 1);
  // Only advice: where it is refused the block works as it is.
  if (end > begin) (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

TPixelBlock::TStorage::~TStorage() {
  if (Source != nullptr)
    Source->Free(Bytes);
  else
    std::free(Bytes);
}

TPixelBlock::TPixelBlock(size_t size, TPixelMemory* source) {
  if (size == 0) return;
  auto storage = std::make_shared<TStorage>();
  storage->Source = source;
  storage->Bytes = storage->Source != nullptr ? storage->Source->Allocate(size)
                                              : static_cast<uint8_t*>(std::calloc(size, 1));
  if (storage->Bytes == nullptr) {
    storage->Source = nullptr;
    throw std::bad_alloc();
  }
  storage->Size = size;
  AdviseHugePages(storage->Bytes, size);
  storage_ = std::move(storage);
}

TPixelBlock::TPixelBlock(const TPixelBlock& other)
    : TPixelBlock(other.size(), other.storage_ ? other.storage_->Source : nullptr) {
  if (size() > 0) std::memcpy(storage_->Bytes, other.storage_->Bytes, size());
}

TPixelBlock& TPixelBlock::operator=(const TPixelBlock& other) {
  if (this != &other) *this = TPixelBlock(other);
  return *this;
}

TPixelBlock TPixelBlock::Share() const {
  TPixelBlock shared;
  shared.storage_ = storage_;
  return shared;
}

void TPixelBlock::Unshare() {
  if (storage_ && storage_.use_count() > 1) *this = TPixelBlock(*this);
}

}  // namespace vorn
