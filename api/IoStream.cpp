#include "api/IoStream.h"

#include <algorithm>

#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn::api {

void TIoStream::Seek(int64_t position) {
  if (position < 0) throw EReadError(kMsgStreamRead);
  position_ = position;
}

size_t TIoStream::Read(void* buffer, size_t count) {
  if (position_ >= Size() || count == 0) return 0;
  count = static_cast<size_t>(std::min<uint64_t>(count, static_cast<uint64_t>(Size() - position_)));
  if (readerAt_ != position_) {
    if (io_.seek(io_.user, static_cast<uint64_t>(position_)) != 0)
      throw EReadError(TErrorKind::Io, kMsgStreamRead);
    readerAt_ = position_;
  }
  const size_t got = io_.read(io_.user, buffer, count);
  if (got == static_cast<size_t>(-1) || got > count) throw EReadError(TErrorKind::Io, kMsgStreamRead);
  position_ += static_cast<int64_t>(got);
  readerAt_ = position_;
  return got;
}

}  // namespace vorn::api
