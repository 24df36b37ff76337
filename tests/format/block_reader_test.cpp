// Data blocks read where they lie: the window never passes its block, and
// inflating on the fly gives what inflating the whole block up front gave,
// for whole, truncated and damaged data alike.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "format/BlockReader.h"
#include "format/StreamHelpers.h"
#include "support/Stream.h"
#include "support/VornError.h"

namespace vorn {
namespace {

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<uint8_t> out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 6), Z_OK);
  out.resize(size);
  return out;
}

// Compressible but not trivial: several deflate blocks for 300 000 bytes.
std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> data(n);
  uint32_t state = 7;
  for (size_t i = 0; i < n; ++i) {
    state = state * 1664525u + 1013904223u;
    data[i] = static_cast<uint8_t>((i / 97) ^ ((state >> 28) & 3));
  }
  return data;
}

// Everything a reader gives, taken in pieces of the given size.
std::vector<uint8_t> ReadAll(TBlockReader& reader, size_t piece) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> buffer(piece);
  for (;;) {
    const size_t got = reader.Read(buffer.data(), piece);
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(got));
    if (got < piece) return out;
  }
}

// The outcome of reading a block: the bytes, or the error text.
struct TOutcome {
  std::vector<uint8_t> Bytes;
  std::string Error;
  bool operator==(const TOutcome&) const = default;
};

// The whole block inflated (damage anywhere fails it), of which the target
// takes up to limit bytes.
TOutcome Whole(const std::vector<uint8_t>& z, uint64_t limit) {
  TOutcome o;
  try {
    TMemoryStream m(z);
    DecompressInPlace(m);
    o.Bytes = m.Bytes();
    if (o.Bytes.size() > limit) o.Bytes.resize(static_cast<size_t>(limit));
  } catch (const EZDecompressionError& e) {
    o.Error = e.what();
  }
  return o;
}

TOutcome Streamed(const std::vector<uint8_t>& z, uint64_t limit, size_t piece) {
  TOutcome o;
  try {
    TMemoryStream m(z);
    TBlockReader reader(m, true, limit);
    o.Bytes = ReadAll(reader, piece);
    reader.Finish(UINT64_MAX);
  } catch (const EZDecompressionError& e) {
    o.Bytes.clear();
    o.Error = e.what();
  }
  return o;
}

// A decoder that stops early (all further blocks repeats) and finishes the
// block: it fails exactly where the whole block failed.
TOutcome StreamedPrefix(const std::vector<uint8_t>& z, uint64_t limit, size_t wanted) {
  TOutcome o;
  try {
    TMemoryStream m(z);
    TBlockReader reader(m, true, limit);
    o.Bytes.resize(wanted);
    o.Bytes.resize(reader.Read(o.Bytes.data(), wanted));
    reader.Finish(UINT64_MAX);
  } catch (const EZDecompressionError& e) {
    o.Bytes.clear();
    o.Error = e.what();
  }
  return o;
}

TEST(StreamRange, ReadsOnlyItsWindowWhereverTheBaseWasMoved) {
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  TMemoryStream base(bytes);
  TStreamRange range(base, 10, 20);
  EXPECT_EQ(range.Size(), 20);
  ASSERT_NE(range.ContiguousBytes(), nullptr);
  EXPECT_EQ(range.ContiguousBytes()[0], 10);

  uint8_t buffer[50] = {};
  EXPECT_EQ(range.Read(buffer, 5), 5u);
  base.Seek(90);  // someone else reads the base in between
  EXPECT_EQ(range.Read(buffer + 5, 50), 15u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(buffer[i], 10 + i);
  EXPECT_EQ(range.Read(buffer, 1), 0u);
  range.Seek(18);
  EXPECT_EQ(range.Read(buffer, 10), 2u);
  EXPECT_EQ(buffer[0], 28);
  EXPECT_THROW(range.Seek(-1), EReadError);
}

TEST(BlockReader, StoredBytesWhateverTheReadSizes) {
  const std::vector<uint8_t> data = Pattern(20000);
  for (const size_t piece : {size_t{1}, size_t{100}, size_t{4095}, size_t{4096}, size_t{30000}}) {
    TMemoryStream m(data);
    TBlockReader reader(m, false, std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(ReadAll(reader, piece), data) << piece;
  }
}

TEST(BlockReader, InflatesAsTheWholeBlockDidForAnyLimitAndReadSize) {
  const std::vector<uint8_t> data = Pattern(300000);
  const std::vector<uint8_t> z = Deflate(data);
  for (const uint64_t limit : {uint64_t{0}, uint64_t{1000}, uint64_t{299999}, uint64_t{300000},
                               std::numeric_limits<uint64_t>::max()})
    for (const size_t piece : {size_t{7}, size_t{4096}, size_t{70000}}) {
      const TOutcome expected = Whole(z, limit);
      EXPECT_EQ(Streamed(z, limit, piece), expected) << limit << " " << piece;
      EXPECT_EQ(expected.Bytes.size(), std::min<uint64_t>(limit, data.size()));
    }
}

TEST(BlockReader, TruncatedAndDamagedDataGiveWhatTheWholeBlockGave) {
  const std::vector<uint8_t> z = Deflate(Pattern(300000));
  // Cut short: the bytes inflated so far, no error.
  const std::vector<uint8_t> cut(z.begin(), z.begin() + static_cast<ptrdiff_t>(z.size() / 2));
  const TOutcome partial = Whole(cut, std::numeric_limits<uint64_t>::max());
  EXPECT_TRUE(partial.Error.empty());
  EXPECT_GT(partial.Bytes.size(), 0u);
  EXPECT_EQ(Streamed(cut, std::numeric_limits<uint64_t>::max(), 4096), partial);

  // A damaged middle, a damaged check value and trailing bytes, with limits
  // before, at and after the damage: the same bytes or the same message.
  std::vector<uint8_t> middle = z, check = z, trailing = z;
  middle[middle.size() / 2] ^= 0x55;
  check[check.size() - 1] ^= 0x01;
  trailing.insert(trailing.end(), {1, 2, 3});
  for (const auto* bad : {&middle, &check, &trailing})
    for (const uint64_t limit : {uint64_t{100}, uint64_t{299999}, uint64_t{300000},
                                 std::numeric_limits<uint64_t>::max()})
      for (const size_t piece : {size_t{100}, size_t{65536}}) {
        const TOutcome whole = Whole(*bad, limit);
        EXPECT_EQ(Streamed(*bad, limit, piece), whole) << limit << " " << piece;
        const TOutcome prefix = StreamedPrefix(*bad, limit, piece);
        EXPECT_EQ(prefix.Error, whole.Error) << limit << " " << piece;
        if (whole.Error.empty()) {
          EXPECT_TRUE(std::equal(prefix.Bytes.begin(), prefix.Bytes.end(), whole.Bytes.begin()));
        }
      }
  EXPECT_EQ(Whole(check, std::numeric_limits<uint64_t>::max()).Error, "data error");
}

}  // namespace
}  // namespace vorn
