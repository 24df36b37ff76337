// The conformance test's own tools: a wrong digest or a misread expectation
// would hide every reader fault behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/fixtures/BmpDiff.h"
#include "tests/fixtures/MiniJson.h"
#include "tests/fixtures/Sha256.h"

namespace vorn::testing {
namespace {

TEST(Sha256Test, KnownDigests) {
  EXPECT_EQ(TSha256::Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(TSha256::Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the length no longer fits the first block.
  const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(TSha256::Hex(two.data(), two.size()),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // Fed in uneven pieces across block boundaries.
  const std::string million(1000000, 'a');
  TSha256 sha;
  for (size_t at = 0; at < million.size(); at += 997)
    sha.Update(million.data() + at, std::min<size_t>(997, million.size() - at));
  std::string hex;
  for (const uint8_t b : sha.Finish()) {
    static const char kDigits[] = "0123456789abcdef";
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  EXPECT_EQ(hex, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(MiniJsonTest, ReadsNestedValuesAndEscapes) {
  const TJsonValue v = TJsonValue::Parse(
      R"( {"a": [1, -2.5e1, true, false, null], "s": "q\"\\\/\n\u00e9\ud83d\ude00", "o": {}} )");
  ASSERT_EQ(v["a"].Size(), 5u);
  EXPECT_EQ(v["a"][0].AsInt(), 1);
  EXPECT_DOUBLE_EQ(v["a"][1].AsNumber(), -25.0);
  EXPECT_TRUE(v["a"][2].AsBool());
  EXPECT_FALSE(v["a"][3].AsBool());
  EXPECT_TRUE(v["a"][4].IsNull());
  EXPECT_EQ(v["s"].AsString(), "q\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_TRUE(v["o"].IsObject());
  EXPECT_FALSE(v.Has("missing"));
  EXPECT_THROW(v["missing"], std::runtime_error);
  EXPECT_THROW(v["a"][2].AsInt(), std::runtime_error);
}

TEST(MiniJsonTest, RejectsMalformedText) {
  for (const char* bad : {"", "{", "[1,]", "{\"a\" 1}", "\"open", "tru", "1 2", "\"\\x\"", "-"})
    EXPECT_THROW(TJsonValue::Parse(bad), std::runtime_error) << bad;
}

TEST(BmpDiffTest, ZeroesRowPaddingBitsAndBytes) {
  // 3 pixels at 4 bits: 12 bits used, row of 4 bytes.
  TBitmapHeader h;
  h.HeaderSize = 40;
  h.Width = 3;
  h.Height = 2;
  h.BitCount = 4;
  const std::vector<uint8_t> bits = {0x12, 0x3F, 0xEE, 0xEE, 0x45, 0x6A, 0x01, 0x02};
  EXPECT_EQ(ZeroRowPadding(h, bits.data(), bits.size()),
            (std::vector<uint8_t>{0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0}));
  // Row 0 of the block is the bottom row.
  EXPECT_EQ(DibPixel(h, bits.data(), 2, 1), 3u);
  EXPECT_EQ(DibPixel(h, bits.data(), 1, 0), 5u);
}

TEST(BmpDiffTest, NamesTheFirstDifferingPixelFromTheTop) {
  std::vector<uint8_t> info(40 + 1024, 0);
  info[0] = 40;
  info[4] = 2;   // width
  info[8] = 2;   // height
  info[14] = 8;  // bit count
  TDibBlocks expected{info, {1, 2, 0, 0, 3, 4, 0, 0}};
  const std::vector<uint8_t> same = {1, 2, 9, 9, 3, 4, 9, 9};  // padding ignored
  EXPECT_EQ(DescribeDibDifference(expected, info.data(), info.size(), same.data(), same.size()), "");
  const std::vector<uint8_t> other = {1, 2, 0, 0, 7, 4, 0, 0};
  const std::string what =
      DescribeDibDifference(expected, info.data(), info.size(), other.data(), other.size());
  EXPECT_NE(what.find("x=0, y=0"), std::string::npos) << what;
  EXPECT_NE(what.find("0x7, expected 0x3"), std::string::npos) << what;
}

}  // namespace
}  // namespace vorn::testing
