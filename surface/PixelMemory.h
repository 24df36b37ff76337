// Pixel memory: the block that holds a picture's pixels, and where such
// blocks come from. By default from the C heap (calloc); a surface may be
// given a source of its own (the plug-in takes them from the memory it hands
// to the host, so that the picture it delivers is handed over without a
// copy). The source travels with the surface explicitly: nothing global.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vorn {

class TPixelMemory {
 public:
  virtual ~TPixelMemory() = default;
  // A zero-filled block of size bytes (size > 0), or null when there is none.
  virtual uint8_t* Allocate(size_t size) = 0;
  virtual void Free(uint8_t* bytes) = 0;
};

// Asks the system to back a large block of new memory (not yet written) with
// huge pages where it gives them on request; the first writes then cost far
// fewer page faults. Nothing else changes, and elsewhere it does nothing.
void AdviseHugePages(void* bytes, size_t size);

// A pixel block: zero-filled when made, by its source, so that a large block
// comes from the system as zero pages that cost nothing until they are
// written, and bytes that the picture overwrites anyway are not cleared
// first. It goes back to the source it came from, and its copies come from
// the same source. Every block taken from a source must be freed before
// the source goes. Copies are deep; Share
// makes a second holder of the same bytes instead, and a holder that is
// about to write calls Unshare to get bytes of its own first.
class TPixelBlock {
 public:
  TPixelBlock() = default;
  // size bytes from source (null: the C heap). Fails with std::bad_alloc
  // when the memory cannot be had.
  TPixelBlock(size_t size, TPixelMemory* source);
  TPixelBlock(const TPixelBlock& other);
  TPixelBlock& operator=(const TPixelBlock& other);
  TPixelBlock(TPixelBlock&& other) noexcept = default;
  TPixelBlock& operator=(TPixelBlock&& other) noexcept = default;
  ~TPixelBlock() = default;

  TPixelBlock Share() const;
  void Unshare();

  uint8_t* data() { return storage_ ? storage_->Bytes : nullptr; }
  const uint8_t* data() const { return storage_ ? storage_->Bytes : nullptr; }
  size_t size() const { return storage_ ? storage_->Size : 0; }

 private:
  struct TStorage {
    uint8_t* Bytes = nullptr;
    size_t Size = 0;
    TPixelMemory* Source = nullptr;  // null: the C heap
    TStorage() = default;
    TStorage(const TStorage&) = delete;
    TStorage& operator=(const TStorage&) = delete;
    ~TStorage();
  };
  std::shared_ptr<TStorage> storage_;
};

}  // namespace vorn
