// Pixel memory: the block that holds a picture's pixels, and where such
// blocks come from. By default from the C heap (calloc); a caller may
// install a source of its own for the current thread for a while (the
// plug-in takes them from the memory it hands to the host during a picture
// call, so that the picture it delivers is handed over without a copy).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorn {

class TPixelMemory {
 public:
  virtual ~TPixelMemory() = default;
  // A zero-filled block of size bytes (size > 0), or null when there is none.
  virtual uint8_t* Allocate(size_t size) = 0;
  virtual void Free(uint8_t* bytes) = 0;
};

// Installs memory as the current thread's source of pixel blocks until
// destroyed; the one installed before comes back then. Every block taken
// from it must be freed before it goes.
class TPixelMemoryScope {
 public:
  explicit TPixelMemoryScope(TPixelMemory& memory);
  ~TPixelMemoryScope();
  TPixelMemoryScope(const TPixelMemoryScope&) = delete;
  TPixelMemoryScope& operator=(const TPixelMemoryScope&) = delete;

 private:
  TPixelMemory* previous_;
};

// A pixel block: zero-filled when made, by its source, so that a large block
// comes from the system as zero pages that cost nothing until they are
// written, and bytes that the picture overwrites anyway are not cleared
// first. It goes back to the source it came from.
class TPixelBlock {
 public:
  TPixelBlock() = default;
  // Fails with std::bad_alloc when the memory cannot be had.
  explicit TPixelBlock(size_t size);
  TPixelBlock(const TPixelBlock& other);
  TPixelBlock& operator=(const TPixelBlock& other);
  TPixelBlock(TPixelBlock&& other) noexcept;
  TPixelBlock& operator=(TPixelBlock&& other) noexcept;
  ~TPixelBlock();

  uint8_t* data() { return bytes_; }
  const uint8_t* data() const { return bytes_; }
  size_t size() const { return size_; }

 private:
  void Release() noexcept;

  uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
  TPixelMemory* source_ = nullptr;  // null: the C heap
};

}  // namespace vorn
