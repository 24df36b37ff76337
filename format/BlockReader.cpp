#include "format/BlockReader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "format/ZDecompressionStream.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {

namespace {

// Inflated data pass through a buffer that stays in the cache: zlib copies
// what each call produces into its window, so many small calls (a row or a
// block row each) would copy everything twice. Stored data are read straight
// into the caller's memory when the read is large enough.
constexpr size_t kInflateBuffer = 256 * 1024;
constexpr size_t kStoredBuffer = 64 * 1024;
constexpr size_t kDirectRead = 4096;

}  // namespace

TBlockReader::TBlockReader(TStream& data, bool inflate, uint64_t limit)
    : stored_(data), left_(limit) {
  if (inflate) inflater_ = std::make_unique<TZDecompressionStream>(data);
}

TBlockReader::~TBlockReader() = default;

void TBlockReader::Buffer() {
  if (buffer_) return;
  // No larger than what can still come.
  const size_t size = inflater_ ? kInflateBuffer : kStoredBuffer;
  bufferSize_ = static_cast<size_t>(std::min<uint64_t>(size, std::max<uint64_t>(left_, 1)));
  buffer_.reset(new uint8_t[bufferSize_]);
}

size_t TBlockReader::Pull(uint8_t* buffer, size_t count) {
  const auto n = static_cast<size_t>(std::min<uint64_t>(count, left_));
  if (n == 0) return 0;
  const size_t got = inflater_ ? inflater_->Read(buffer, n) : stored_.Read(buffer, n);
  left_ -= got;
  return got;
}

size_t TBlockReader::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    if (begin_ == end_) {
      const size_t wanted = count - done;
      if (!inflater_ && wanted >= kDirectRead) {
        const size_t got = Pull(out + done, wanted);
        done += got;
        if (got < wanted) break;  // the data ends here
        continue;
      }
      Buffer();
      begin_ = 0;
      end_ = Pull(buffer_.get(), bufferSize_);
      if (end_ == 0) break;
    }
    const size_t piece = std::min(count - done, end_ - begin_);
    std::memcpy(out + done, buffer_.get() + begin_, piece);
    begin_ += piece;
    done += piece;
  }
  return done;
}

void TBlockReader::Finish(uint64_t bound) {
  if (!inflater_) return;
  begin_ = end_ = 0;
  // The rest of the target's bytes and then up to bound more, inflated
  // through a scratch buffer of their own and dropped.
  const uint64_t allowed = left_ > UINT64_MAX - bound ? UINT64_MAX : left_ + bound;
  const std::unique_ptr<uint8_t[]> scratch(new uint8_t[kInflateBuffer]);
  uint64_t produced = 0;
  for (;;) {
    const size_t got = inflater_->Read(scratch.get(), kInflateBuffer);
    if (got == 0) return;
    produced += got;
    if (produced > allowed)
      throw ELimitError("compressed data inflate to more than " + std::to_string(allowed) +
                        " bytes beyond what the picture takes");
  }
}

}  // namespace vorn
