// Compressed data held in memory are inflated where they lie, other sources
// through a buffer of pieces: both give the same bytes, the same message for
// damaged data, the same partial output for truncated data, and leave the
// source just after the compressed data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "format/BlockReader.h"
#include "support/Stream.h"
#include "format/ZDecompressionStream.h"
#include "support/VornError.h"

namespace vorn {
namespace {

// A stream that is not held in memory.
class TPieceStream final : public TStream {
 public:
  explicit TPieceStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  int64_t Position() const override { return pos_; }
  void Seek(int64_t p) override { pos_ = p; }
  size_t Read(void* b, size_t c) override {
    const auto at = static_cast<size_t>(std::min<int64_t>(pos_, Size()));
    const size_t n = std::min(c, data_.size() - at);
    if (n > 0) std::memcpy(b, data_.data() + at, n);
    pos_ += static_cast<int64_t>(n);
    return n;
  }

 private:
  std::vector<uint8_t> data_;
  int64_t pos_ = 0;
};

std::vector<uint8_t> Deflate(size_t n) {
  std::vector<uint8_t> data(n);
  uint32_t state = 11;
  for (size_t i = 0; i < n; ++i) {
    state = state * 1664525u + 1013904223u;
    data[i] = static_cast<uint8_t>((i / 61) ^ ((state >> 27) & 7));
  }
  uLongf size = compressBound(static_cast<uLong>(n));
  std::vector<uint8_t> out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), static_cast<uLong>(n), 6), Z_OK);
  out.resize(size);
  return out;
}

struct TOutcome {
  std::vector<uint8_t> Bytes;
  std::string Error;
  int64_t After = -1;  // the window's position once the whole block is read
  bool operator==(const TOutcome&) const = default;
};

// The block sits at offset 5 of its source, between other bytes.
TOutcome Inflate(const std::vector<uint8_t>& z, bool inMemory, uint64_t limit, size_t piece) {
  std::vector<uint8_t> file = {9, 9, 9, 9, 9};
  file.insert(file.end(), z.begin(), z.end());
  file.insert(file.end(), {7, 7, 7});
  TMemoryStream memory(file);
  TPieceStream pieces(file);
  TStream& base = inMemory ? static_cast<TStream&>(memory) : pieces;
  TStreamRange range(base, 5, static_cast<int64_t>(z.size()));
  TOutcome o;
  try {
    TBlockReader reader(range, true, limit);
    std::vector<uint8_t> buffer(piece);
    for (;;) {
      const size_t got = reader.Read(buffer.data(), piece);
      o.Bytes.insert(o.Bytes.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(got));
      if (got < piece) break;
    }
    reader.Finish(UINT64_MAX);
    // Where inflation stopped at the limit, how far the input was read
    // ahead differs and is never used: the window is left behind.
    if (limit == std::numeric_limits<uint64_t>::max()) o.After = range.Position();
  } catch (const EZDecompressionError& e) {
    o.Bytes.clear();
    o.Error = e.what();
  }
  return o;
}

TEST(InflateInput, MemoryAndPiecesGiveTheSameOutcomes) {
  // Several input pieces' worth, so that the piecewise path refills.
  const std::vector<uint8_t> z = Deflate(600000);
  ASSERT_GT(z.size(), 2 * TZDecompressionStream::kInputChunk);
  const std::vector<uint8_t> cut(z.begin(), z.begin() + static_cast<ptrdiff_t>(z.size() * 2 / 3));
  std::vector<uint8_t> damaged = z, check = z;
  damaged[z.size() * 3 / 4] ^= 0x5A;
  check.back() ^= 1;
  const std::vector<const std::vector<uint8_t>*> inputs = {&z, &cut, &damaged, &check};
  for (const auto* data : inputs)
    for (const uint64_t limit : {uint64_t{1000}, uint64_t{600000}, std::numeric_limits<uint64_t>::max()})
      for (const size_t piece : {size_t{333}, size_t{16384}, size_t{1} << 20}) {
        const TOutcome memory = Inflate(*data, true, limit, piece);
        EXPECT_EQ(memory, Inflate(*data, false, limit, piece)) << limit << " " << piece;
        // Truncated data give what came, damaged data fail once reached.
        if (data == &cut) {
          EXPECT_TRUE(memory.Error.empty());
        } else if (data != &z && limit > 600000) {
          EXPECT_FALSE(memory.Error.empty());
        }
      }
}

TEST(InflateInput, TrailingBytesGoBackToTheSourceInMemory) {
  std::vector<uint8_t> packed = Deflate(1000);
  const auto zipped = static_cast<int64_t>(packed.size());
  packed.insert(packed.end(), {'T', 'A', 'I', 'L'});
  TMemoryStream source(packed);
  TZDecompressionStream z(source);
  std::vector<uint8_t> out(2000);
  EXPECT_EQ(z.Read(out.data(), out.size()), 1000u);
  EXPECT_EQ(source.Position(), zipped);
  EXPECT_EQ(source.ReadByte(), 'T');
  // Read on after the source was moved: the stream goes back to where it was.
  EXPECT_EQ(z.Read(out.data(), 1), 0u);
  EXPECT_EQ(source.Position(), zipped);
}

}  // namespace
}  // namespace vorn
