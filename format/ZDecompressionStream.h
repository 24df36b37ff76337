// Inflates zlib data taken from a source stream, read forward only.
// Compressed input is pulled in 65,536-byte pieces; bytes that follow the end
// of the compressed data are handed back to the source (its position is moved
// back over them), so the source can be read on after the compressed block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "support/Stream.h"

namespace vorn {

class TZDecompressionStream {
 public:
  // Remembers the source's position; the source is not owned.
  explicit TZDecompressionStream(TStream& source);
  ~TZDecompressionStream();
  TZDecompressionStream(const TZDecompressionStream&) = delete;
  TZDecompressionStream& operator=(const TZDecompressionStream&) = delete;

  static constexpr size_t kInputChunk = 65536;

  // Returns the bytes produced: fewer than count only when the compressed
  // data ended or the source ran dry. Damaged data raises EZDecompressionError
  // with zlib's message for the result code.
  size_t Read(void* buffer, size_t count);
  // Bytes produced so far.
  int64_t Position() const { return produced_; }

  bool Finished() const { return finished_; }

 private:
  struct TState;
  TStream& source_;
  int64_t sourcePosition_;
  std::unique_ptr<TState> state_;
  bool finished_ = false;
  int64_t produced_ = 0;
};

// zlib's message for a negative result code ("data error" for -3 ...).
const char* ZErrorMessage(int code);

}  // namespace vorn
