// A stream over a caller's vorn_io: the input runs from 0 to io.size; the
// caller's reader is moved only when a read starts elsewhere than where the
// last one ended.
#pragma once

#include <algorithm>
#include <cstdint>

#include "vorn/vorn.h"
#include "support/Stream.h"

namespace vorn::api {

class TIoStream final : public TStream {
 public:
  explicit TIoStream(const vorn_io& io) : io_(io) {}

  int64_t Size() const override { return static_cast<int64_t>(std::min<uint64_t>(io_.size, INT64_MAX)); }
  int64_t Position() const override { return position_; }
  void Seek(int64_t position) override;
  // Fails with EReadError (kind Io) when the caller's reader reports an error.
  size_t Read(void* buffer, size_t count) override;

 private:
  vorn_io io_;
  int64_t position_ = 0;
  int64_t readerAt_ = 0;  // where the caller's reader stands
};

}  // namespace vorn::api
