#include "support/Stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {

int64_t TStream::Remaining() const {
  const int64_t left = Size() - Position();
  return left > 0 ? left : 0;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count == 0) return;
  // Checked before reading so that a short read consumes nothing.
  if (static_cast<uint64_t>(Remaining()) < count) throw EReadError(kMsgStreamRead);
  if (Read(buffer, count) != count) throw EReadError(kMsgStreamRead);
}

void TStream::Skip(int64_t count) {
  if (count < 0 || count > Remaining()) throw EReadError(kMsgStreamRead);
  Seek(Position() + count);
}

uint8_t TStream::ReadByte() {
  uint8_t b = 0;
  ReadBuffer(&b, 1);
  return b;
}

int32_t TStream::ReadInt32() {
  uint8_t b[4] = {};
  ReadBuffer(b, 4);
  const uint32_t v = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                     (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return static_cast<int32_t>(v);
}

void TMemoryStream::Seek(int64_t position) {
  if (position < 0) throw EReadError(kMsgStreamRead);
  position_ = position;
}

size_t TMemoryStream::Clamped() const {
  return position_ >= static_cast<int64_t>(data_.size()) ? data_.size()
                                                          : static_cast<size_t>(position_);
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  const size_t at = Clamped();
  const size_t n = std::min(count, data_.size() - at);
  if (n == 0) return 0;  // at or past the end: the position stays where it is
  std::memcpy(buffer, data_.data() + at, n);
  position_ = static_cast<int64_t>(at + n);
  return n;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return;
  // A position past the end leaves a zero-filled gap, as a file would.
  const uint64_t end = static_cast<uint64_t>(position_) + count;
  if (end > std::numeric_limits<size_t>::max() || end > data_.max_size())
    throw ELimitError("memory stream too large");
  const size_t at = static_cast<size_t>(position_);
  if (end > data_.size()) {
    // The source may lie in our own bytes, which the resize can move.
    const auto src = reinterpret_cast<uintptr_t>(buffer);
    const auto base = reinterpret_cast<uintptr_t>(data_.data());
    if (!data_.empty() && src >= base && src < base + data_.size()) {
      const std::vector<uint8_t> copy(static_cast<const uint8_t*>(buffer),
                                      static_cast<const uint8_t*>(buffer) + count);
      data_.resize(static_cast<size_t>(end));
      std::memcpy(data_.data() + at, copy.data(), count);
      position_ = static_cast<int64_t>(end);
      return;
    }
    data_.resize(static_cast<size_t>(end));
  }
  std::memmove(data_.data() + at, buffer, count);
  position_ = static_cast<int64_t>(end);
}

void TMemoryStream::SetSize(size_t size) { data_.resize(size); }

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryView::Seek(int64_t position) {
  if (position < 0) throw EReadError(kMsgStreamRead);
  position_ = position;
}

size_t TMemoryView::Read(void* buffer, size_t count) {
  if (position_ >= static_cast<int64_t>(size_)) return 0;
  const auto at = static_cast<size_t>(position_);
  const size_t n = std::min(count, size_ - at);
  std::memcpy(buffer, bytes_ + at, n);
  position_ = static_cast<int64_t>(at + n);
  return n;
}

void TStreamRange::Seek(int64_t position) {
  if (position < 0) throw EReadError(kMsgStreamRead);
  position_ = position;
}

size_t TStreamRange::Read(void* buffer, size_t count) {
  if (position_ >= length_) return 0;
  const auto n = static_cast<size_t>(std::min<uint64_t>(count, static_cast<uint64_t>(length_ - position_)));
  if (n == 0) return 0;
  base_.Seek(start_ + position_);
  const size_t got = base_.Read(buffer, n);
  position_ += static_cast<int64_t>(got);
  return got;
}

size_t TStream::ReadShared(int64_t offset, void* buffer, size_t count) const {
  const uint8_t* bytes = ContiguousBytes();
  const int64_t size = Size();
  if (bytes == nullptr || offset < 0) throw EReadError(kMsgStreamRead);
  if (offset >= size) return 0;
  const auto n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size - offset));
  std::memcpy(buffer, bytes + offset, n);
  return n;
}

size_t TStreamRange::ReadShared(int64_t offset, void* buffer, size_t count) const {
  if (offset < 0 || start_ < 0) throw EReadError(kMsgStreamRead);
  if (offset >= length_) return 0;
  const auto n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), length_ - offset));
  return base_.ReadShared(start_ + offset, buffer, n);
}

const uint8_t* TStreamRange::ContiguousBytes() const {
  const uint8_t* bytes = base_.ContiguousBytes();
  if (bytes == nullptr || start_ < 0 || length_ < 0 || start_ + length_ > base_.Size()) return nullptr;
  return bytes + start_;
}

void TPositionalStream::Seek(int64_t position) {
  if (position < 0) throw EReadError(kMsgStreamRead);
  position_ = position;
}

size_t TPositionalStream::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count && position_ < size_) {
    if (position_ >= bufferAt_ && position_ < bufferAt_ + static_cast<int64_t>(buffered_)) {
      const auto at = static_cast<size_t>(position_ - bufferAt_);
      const size_t piece = std::min(count - done, buffered_ - at);
      std::memcpy(out + done, buffer_.get() + at, piece);
      done += piece;
      position_ += static_cast<int64_t>(piece);
      continue;
    }
    const size_t wanted = count - done;
    if (wanted >= kBuffer) {
      // Large reads go straight to the caller's memory.
      const size_t got = ReadAt(position_, out + done, wanted);
      done += got;
      position_ += static_cast<int64_t>(got);
      break;
    }
    if (!buffer_) buffer_.reset(new uint8_t[kBuffer]);
    bufferAt_ = position_;
    buffered_ = ReadAt(position_, buffer_.get(), kBuffer);
    if (buffered_ == 0) break;
  }
  return done;
}

}  // namespace vorn
