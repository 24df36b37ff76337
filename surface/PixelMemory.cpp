#include "surface/PixelMemory.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace vorn {

namespace {

thread_local TPixelMemory* gCurrentMemory = nullptr;

}  // namespace

TPixelMemoryScope::TPixelMemoryScope(TPixelMemory& memory) : previous_(gCurrentMemory) {
  gCurrentMemory = &memory;
}

TPixelMemoryScope::~TPixelMemoryScope() { gCurrentMemory = previous_; }

TPixelBlock::TPixelBlock(size_t size) {
  if (size == 0) return;
  source_ = gCurrentMemory;
  bytes_ = source_ != nullptr ? source_->Allocate(size)
                              : static_cast<uint8_t*>(std::calloc(size, 1));
  if (bytes_ == nullptr) throw std::bad_alloc();
  size_ = size;
}

TPixelBlock::TPixelBlock(const TPixelBlock& other) : TPixelBlock(other.size_) {
  if (size_ > 0) std::memcpy(bytes_, other.bytes_, size_);
}

TPixelBlock& TPixelBlock::operator=(const TPixelBlock& other) {
  if (this != &other) *this = TPixelBlock(other);
  return *this;
}

TPixelBlock::TPixelBlock(TPixelBlock&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      source_(std::exchange(other.source_, nullptr)) {}

TPixelBlock& TPixelBlock::operator=(TPixelBlock&& other) noexcept {
  if (this != &other) {
    Release();
    bytes_ = std::exchange(other.bytes_, nullptr);
    size_ = std::exchange(other.size_, 0);
    source_ = std::exchange(other.source_, nullptr);
  }
  return *this;
}

TPixelBlock::~TPixelBlock() { Release(); }

void TPixelBlock::Release() noexcept {
  if (bytes_ == nullptr) return;
  if (source_ != nullptr)
    source_->Free(bytes_);
  else
    std::free(bytes_);
  bytes_ = nullptr;
  size_ = 0;
  source_ = nullptr;
}

}  // namespace vorn
