// How a layer's pixel data block is read: straight from where it lies in the
// input (a window onto the block's bytes), inflated on the fly when it is
// compressed, so that rows go from the input into the surface without a
// whole-block copy in between.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "format/VornStream.h"

namespace vorn {

class TZDecompressionStream;

// A read-only window onto bytes [start, start + length) of another stream.
// Reads never pass the window's end; the base stream is positioned before
// each read, so it may be used in between.
class TStreamRange final : public TStream {
 public:
  TStreamRange(TStream& base, int64_t start, int64_t length)
      : base_(base), start_(start), length_(length) {}

  int64_t Size() const override { return length_; }
  int64_t Position() const override { return position_; }
  void Seek(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;

  // The window's bytes when the base holds them in memory, else null.
  const uint8_t* Memory() const;

 private:
  TStream& base_;
  int64_t start_;
  int64_t length_;
  int64_t position_ = 0;
};

// The bytes of one data block in the order the decoders take them: the
// stored bytes, or their zlib-inflated form, of which at most limit bytes
// are produced (what lies beyond cannot be used). Reads go through a buffer,
// except large reads of stored bytes, which go straight to the caller.
class TBlockReader {
 public:
  TBlockReader(TStream& data, bool inflate, uint64_t limit);
  ~TBlockReader();
  TBlockReader(const TBlockReader&) = delete;
  TBlockReader& operator=(const TBlockReader&) = delete;

  // Up to count bytes; fewer only where the data (or the limit) ends.
  // Damaged compressed data raises EZDecompressionError.
  size_t Read(void* buffer, size_t count);
  // Inflates and drops whatever is left up to the limit, so that damage
  // there fails the block just as when it was inflated whole up front.
  void Drain();

 private:
  void Buffer();
  size_t Pull(uint8_t* buffer, size_t count);

  std::unique_ptr<TZDecompressionStream> inflater_;
  TStream* source_;
  uint64_t left_;
  std::unique_ptr<uint8_t[]> buffer_;  // made on first use, never cleared
  size_t bufferSize_ = 0;
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace vorn
