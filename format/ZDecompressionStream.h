// A read-only stream that inflates zlib data taken from a source stream.
// Compressed input is pulled in 65,536-byte pieces; bytes that follow the end
// of the compressed data are handed back to the source (its position is moved
// back over them), so the source can be read on after the compressed block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "format/VornStream.h"

namespace vorn {

class TZDecompressionStream final : public TStream {
 public:
  // Remembers the source's position; the source is not owned.
  explicit TZDecompressionStream(TStream& source);
  ~TZDecompressionStream() override;
  TZDecompressionStream(const TZDecompressionStream&) = delete;
  TZDecompressionStream& operator=(const TZDecompressionStream&) = delete;

  static constexpr size_t kInputChunk = 65536;

  // Returns the bytes produced: fewer than count only when the compressed
  // data ended or the source ran dry. Damaged data raises EZDecompressionError
  // with zlib's message for the result code.
  size_t Read(void* buffer, size_t count) override;
  // Always fails: the stream cannot be written.
  void Write(const void* buffer, size_t count);

  // The inflated size is not known in advance: Size fails like Write.
  int64_t Size() const override;
  // Bytes produced so far.
  int64_t Position() const override;
  // Only forward moves, done by inflating and discarding.
  void Seek(int64_t position) override;

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
