#include "format/StreamHelpers.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "format/ZDecompressionStream.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {

namespace {

constexpr size_t kInflateChunk = 1000000;
// Up to this size the expected output is reserved at once instead of grown into.
constexpr size_t kReserveLimit = 16u << 20;
constexpr size_t kMaxRatio = 1032;
constexpr size_t kCopyBufferLimit = 10485760;
constexpr size_t kCopyBufferStep = 1048576;

}  // namespace

void DecompressInPlace(TMemoryStream& m, size_t maxOutput) {
  m.Seek(0);
  // Deflate expands at most about 1032 to 1: no more can come out of m, so
  // neither the output nor the buffer is made larger than that.
  const auto input = static_cast<size_t>(m.Size());
  const size_t bound =
      std::min(maxOutput, input > (SIZE_MAX - 64) / kMaxRatio ? SIZE_MAX : input * kMaxRatio + 64);
  std::vector<uint8_t> out;
  out.reserve(std::min(bound, kReserveLimit));
  // Inflated into a buffer that is never cleared (only what inflate writes is
  // touched) and appended to out, which grows geometrically.
  const size_t chunk = std::min(kInflateChunk, std::max<size_t>(bound, 1));
  const std::unique_ptr<uint8_t[]> buffer(new uint8_t[chunk]);
  size_t produced = 0;
  {
    TZDecompressionStream z(m);
    while (produced < maxOutput) {
      const size_t got = z.Read(buffer.get(), std::min(chunk, maxOutput - produced));
      if (got == 0) break;
      out.insert(out.end(), buffer.get(), buffer.get() + got);
      produced += got;
    }
  }
  // m is replaced only now, after inflation has succeeded.
  out.resize(produced);
  // Give back a large unused reserve; a small overshoot is not worth a copy.
  if (out.capacity() - produced > std::max(produced / 2, kCopyBufferStep)) out.shrink_to_fit();
  m.Bytes().swap(out);
  m.Seek(0);
}

int32_t CopyFromStream(TMemoryStream& d, TStream& s, int32_t n) {
  if (n == 0) {
    const int64_t size = s.Size();
    if (size > INT32_MAX) throw EReadError(kMsgStreamRead);
    s.Seek(0);
    n = static_cast<int32_t>(size);
  }
  // Counts come from the file: refuse what the source cannot deliver rather
  // than reading past its end or waiting for bytes that never come.
  if (n < 0 || n > s.Remaining()) throw EReadError(kMsgStreamRead);
  if (n == 0) return 0;
  const auto count = static_cast<size_t>(n);

  if (const uint8_t* bytes = s.ContiguousBytes()) {
    const uint8_t* from = bytes + s.Position();
    if (&s == static_cast<TStream*>(&d)) {
      // Copying a stream into itself: take the bytes out before the write moves them.
      const std::vector<uint8_t> copy(from, from + count);
      s.Seek(s.Position() + n);
      d.Write(copy.data(), count);
    } else {
      d.Write(from, count);
      s.Seek(s.Position() + n);
    }
    return n;
  }

  size_t z = std::min(count, kCopyBufferLimit);
  std::vector<uint8_t> buffer;
  for (;;) {
    try {
      buffer.resize(z);
      break;
    } catch (const std::bad_alloc&) {
      z = z > kCopyBufferStep ? z - kCopyBufferStep : 0;
      if (z == 0) throw;
    }
  }
  size_t left = count;
  while (left > 0) {
    const size_t got = s.Read(buffer.data(), std::min(z, left));
    if (got == 0) throw EReadError(kMsgStreamRead);  // the source ended early
    d.Write(buffer.data(), got);
    left -= got;
  }
  return n;
}

}  // namespace vorn
