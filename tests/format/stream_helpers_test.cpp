#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "format/StreamHelpers.h"
#include "format/ZDecompressionStream.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {
namespace {

std::vector<uint8_t> Zip(const std::string& text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::vector<uint8_t> out(size);
  EXPECT_EQ(compress2(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()),
                      static_cast<uLong>(text.size()), 6),
            Z_OK);
  out.resize(size);
  return out;
}

std::string Content(const TMemoryStream& m) {
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

// Varied but compressible text of the given length.
std::string Sample(size_t n) {
  std::string s(n, ' ');
  uint32_t x = 12345;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>('a' + (x >> 16) % 7);
  }
  return s;
}

TEST(DecompressInPlace, InflatesAndDropsTrailingBytes) {
  TMemoryStream m(Zip("abc"));
  m.Seek(2);
  DecompressInPlace(m);
  EXPECT_EQ(Content(m), "abc");
  EXPECT_EQ(m.Position(), 0);

  auto packed = Zip("abc");
  packed.insert(packed.end(), {'x', 'y', 'z'});
  TMemoryStream t(packed);
  DecompressInPlace(t);
  EXPECT_EQ(Content(t), "abc");

  TMemoryStream empty;
  DecompressInPlace(empty);
  EXPECT_EQ(empty.Size(), 0);
}

TEST(DecompressInPlace, DamagedDataKeepsTheBytes) {
  const std::vector<uint8_t> plain{'a', 'b', 'c'};
  TMemoryStream m(plain);
  try {
    DecompressInPlace(m);
    FAIL() << "plain text inflated";
  } catch (const EZDecompressionError& e) {
    EXPECT_STREQ(e.what(), "data error");
  }
  EXPECT_EQ(m.Bytes(), plain);

  // A valid header followed by a block of the reserved type 3.
  TMemoryStream bad(std::vector<uint8_t>{0x78, 0x9C, 0x07, 0x00});
  EXPECT_THROW(DecompressInPlace(bad), EZDecompressionError);
}

TEST(DecompressInPlace, PresetDictionaryFailsInsteadOfSpinning) {
  // FDICT set, dictionary id follows: inflate would ask for the dictionary for ever.
  TMemoryStream m(std::vector<uint8_t>{0x78, 0xBB, 0x00, 0x00, 0x00, 0x01, 0x03, 0x00});
  EXPECT_THROW(DecompressInPlace(m), EZDecompressionError);
  EXPECT_EQ(m.Size(), 8);
}

TEST(DecompressInPlace, TruncatedDataGivesWhatInflated) {
  const std::string text = Sample(1500000);
  auto packed = Zip(text);
  packed.resize(packed.size() / 2);
  TMemoryStream m(packed);
  DecompressInPlace(m);
  ASSERT_GT(m.Size(), 0);
  ASSERT_LT(m.Size(), static_cast<int64_t>(text.size()));
  EXPECT_EQ(Content(m), text.substr(0, static_cast<size_t>(m.Size())));
}

TEST(DecompressInPlace, LargeOutputAndOutputLimit) {
  const std::string text = Sample(2100001);  // three inflate chunks
  TMemoryStream m(Zip(text));
  DecompressInPlace(m);
  EXPECT_EQ(Content(m), text);

  // A bomb: 16 MiB of zeros is never produced beyond the limit.
  TMemoryStream bomb(Zip(std::string(16u << 20, '\0')));
  DecompressInPlace(bomb, 1000);
  EXPECT_EQ(bomb.Size(), 1000);
  TMemoryStream cut(Zip("abcdef"));
  DecompressInPlace(cut, 4);
  EXPECT_EQ(Content(cut), "abcd");
  TMemoryStream none(Zip("abcdef"));
  DecompressInPlace(none, 0);
  EXPECT_EQ(none.Size(), 0);
}

TEST(ZDecompressionStream, HandsTrailingBytesBackToTheSource) {
  auto packed = Zip("hello");
  const auto zipped = static_cast<int64_t>(packed.size());
  packed.insert(packed.end(), {'T', 'A', 'I', 'L'});
  TMemoryStream src(packed);
  TZDecompressionStream z(src);
  char buf[16] = {};
  EXPECT_EQ(z.Read(buf, sizeof buf), 5u);
  EXPECT_EQ(std::string(buf, 5), "hello");
  EXPECT_EQ(src.Position(), zipped);
  EXPECT_EQ(z.Read(buf, sizeof buf), 0u);
}

// A stream that is not a memory stream; it records its largest read and can
// claim more bytes than it delivers.
class TPlainStream : public TStream {
 public:
  explicit TPlainStream(std::vector<uint8_t> data, int64_t claimed = -1)
      : data_(std::move(data)), claimed_(claimed < 0 ? static_cast<int64_t>(data_.size()) : claimed) {}
  int64_t Size() const override { return claimed_; }
  int64_t Position() const override { return pos_; }
  void Seek(int64_t p) override { pos_ = p; }
  size_t Read(void* b, size_t c) override {
    largest = std::max(largest, c);
    const auto at = static_cast<size_t>(std::min<int64_t>(pos_, static_cast<int64_t>(data_.size())));
    const size_t n = std::min(c, data_.size() - at);
    if (n > 0) std::memcpy(b, data_.data() + at, n);
    pos_ += static_cast<int64_t>(n);
    return n;
  }
  size_t largest = 0;

 private:
  std::vector<uint8_t> data_;
  int64_t claimed_;
  int64_t pos_ = 0;
};

TEST(CopyFromStream, MemorySourceCountsAndPositions) {
  TMemoryStream s(std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  TMemoryStream d;
  s.Seek(2);
  EXPECT_EQ(CopyFromStream(d, s, 5), 5);
  EXPECT_EQ(s.Position(), 7);
  EXPECT_EQ(d.Bytes(), (std::vector<uint8_t>{2, 3, 4, 5, 6}));
  EXPECT_EQ(d.Position(), 5);

  TMemoryStream all;
  EXPECT_EQ(CopyFromStream(all, s, 0), 10);  // n = 0: the whole source from its start
  EXPECT_EQ(all.Bytes(), s.Bytes());
  EXPECT_EQ(s.Position(), 10);

  // Damaged counts fail before anything is copied.
  s.Seek(7);
  EXPECT_THROW(CopyFromStream(d, s, 4), EReadError);
  EXPECT_THROW(CopyFromStream(d, s, -1), EReadError);
  EXPECT_EQ(s.Position(), 7);
  EXPECT_EQ(d.Size(), 5);

  // Into itself: the copied bytes are appended behind them.
  s.Seek(8);
  EXPECT_EQ(CopyFromStream(s, s, 2), 2);
  EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 8, 9}));
}

TEST(CopyFromStream, OtherSourcesInPiecesOfAtMostTenMiB) {
  std::vector<uint8_t> big(30u << 20);
  for (size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<uint8_t>(i >> 12);
  TPlainStream s(big);
  s.Seek(123);
  TMemoryStream d;
  EXPECT_EQ(CopyFromStream(d, s, 0), static_cast<int32_t>(big.size()));
  EXPECT_EQ(d.Bytes(), big);
  EXPECT_EQ(s.largest, 10485760u);

  TPlainStream small(std::vector<uint8_t>{1, 2, 3, 4});
  small.Seek(1);
  TMemoryStream e;
  EXPECT_EQ(CopyFromStream(e, small, 2), 2);
  EXPECT_EQ(e.Bytes(), (std::vector<uint8_t>{2, 3}));
  EXPECT_EQ(small.largest, 2u);
  EXPECT_THROW(CopyFromStream(e, small, 2), EReadError);

  // A source that claims more than it holds fails instead of waiting.
  TPlainStream liar(std::vector<uint8_t>{1, 2}, 100);
  EXPECT_THROW(CopyFromStream(e, liar, 50), EReadError);
}

}  // namespace
}  // namespace vorn
