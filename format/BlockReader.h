// How a layer's pixel data block is read: straight from where it lies in the
// input (a window onto the block's bytes), inflated on the fly when it is
// compressed, so that rows go from the input into the surface without a
// whole-block copy in between.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "support/Stream.h"

namespace vorn {

class TZDecompressionStream;

// The bytes of one data block in the order the decoders take them: the
// stored bytes, or their zlib-inflated form, of which at most limit bytes
// are handed out (what lies beyond cannot be used; Finish checks it). Reads go through a buffer,
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
  // Inflates what is left of the block to the end of its zlib stream and
  // drops it, so that damage anywhere in the stream fails the block just as
  // when it is inflated whole up front. More than bound bytes beyond the
  // limit fail with ELimitError: a real block never inflates past what its
  // target holds, and a bomb must not cost unbounded work.
  void Finish(uint64_t bound);

 private:
  void Buffer();
  size_t Pull(uint8_t* buffer, size_t count);

  std::unique_ptr<TZDecompressionStream> inflater_;  // null: stored bytes
  TStream& stored_;
  uint64_t left_;
  std::unique_ptr<uint8_t[]> buffer_;  // made on first use, never cleared
  size_t bufferSize_ = 0;
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace vorn
