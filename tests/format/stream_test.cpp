#include <gtest/gtest.h>

#include <cstring>

#include "support/Stream.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {
namespace {

TMemoryStream Bytes(std::initializer_list<uint8_t> b) { return TMemoryStream(std::vector<uint8_t>(b)); }

TEST(MemoryStream, TypedReadsAreLittleEndianAndFailWhenShort) {
  TMemoryStream m = Bytes({0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0xAA, 0xBB});
  EXPECT_EQ(m.ReadInt32(), 0x12345678);
  EXPECT_EQ(m.ReadInt32(), -1);
  EXPECT_EQ(m.ReadByte(), 0x07);
  // Two bytes left: a 4-byte read fails and consumes nothing.
  try {
    m.ReadInt32();
    FAIL() << "short read accepted";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), kMsgStreamRead);
  }
  EXPECT_EQ(m.Position(), 9);
  EXPECT_EQ(m.Remaining(), 2);
  uint8_t two[2];
  m.ReadBuffer(two, 2);
  EXPECT_EQ(two[1], 0xBB);
  EXPECT_THROW(m.ReadByte(), EReadError);
  m.ReadBuffer(nullptr, 0);  // an empty read at the end is fine
}

TEST(MemoryStream, ReadReturnsWhatIsThereAndSeekBeyondEndDeliversNothing) {
  TMemoryStream m = Bytes({1, 2, 3});
  uint8_t buf[8] = {};
  m.Seek(1);
  EXPECT_EQ(m.Read(buf, 8), 2u);
  EXPECT_EQ(buf[0], 2);
  EXPECT_EQ(m.Read(buf, 8), 0u);
  m.Seek(100);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_EQ(m.Read(buf, 8), 0u);
  EXPECT_EQ(m.Position(), 100);
  EXPECT_THROW(m.Seek(-1), EReadError);
  EXPECT_EQ(m.Position(), 100);
}

TEST(MemoryStream, SkipStaysInsideTheData) {
  TMemoryStream m = Bytes({1, 2, 3, 4});
  m.Skip(3);
  EXPECT_EQ(m.Position(), 3);
  EXPECT_THROW(m.Skip(2), EReadError);
  EXPECT_THROW(m.Skip(-1), EReadError);
  m.Skip(1);
  EXPECT_EQ(m.Position(), 4);
}

TEST(MemoryStream, WriteOverwritesExtendsAndFillsGaps) {
  TMemoryStream m = Bytes({1, 2, 3});
  m.Seek(2);
  const uint8_t w[] = {9, 9};
  m.Write(w, 2);
  EXPECT_EQ(m.Bytes(), (std::vector<uint8_t>{1, 2, 9, 9}));
  m.Seek(6);
  m.Write(w, 1);
  EXPECT_EQ(m.Bytes(), (std::vector<uint8_t>{1, 2, 9, 9, 0, 0, 9}));
  // Writing a stream's own bytes past its end: the source survives the growth.
  m.Seek(7);
  m.Write(m.Memory(), 7);
  EXPECT_EQ(m.Size(), 14);
  EXPECT_EQ(std::memcmp(m.Memory(), m.Memory() + 7, 7), 0);
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 14);
  EXPECT_EQ(m.Remaining(), 0);
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

}  // namespace
}  // namespace vorn
