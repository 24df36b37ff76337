#include "plugin/IsSupported.h"

#include <gtest/gtest.h>

#include "support/ShiftJis.h"

namespace vorn {
namespace {

bool NoLeadBytes(unsigned char) { return false; }
bool Cp932Lead(unsigned char c) { return IsSjisLead(static_cast<char>(c)); }

TEST(FileExtensionTest, StartsAtTheLastPointAfterTheLastDelimiter) {
  EXPECT_EQ(FileExtension("a.b.vrn", NoLeadBytes), ".vrn");
  EXPECT_EQ(FileExtension("C:\\d.x\\name", NoLeadBytes), "");
  EXPECT_EQ(FileExtension("C:.vrn", NoLeadBytes), ".vrn");
  EXPECT_EQ(FileExtension("D:x.y:name", NoLeadBytes), "");
  EXPECT_EQ(FileExtension("name.", NoLeadBytes), ".");
  EXPECT_EQ(FileExtension("", NoLeadBytes), "");
}

// "ソ" is 0x83 0x5C in code page 932: its second byte is not a '\'.
TEST(FileExtensionTest, TheSecondByteOfADoubleByteCharacterIsNoDelimiter) {
  const std::string name = "a.vrn\x83\x5C";
  EXPECT_EQ(FileExtension(name, Cp932Lead), name.substr(1));
  EXPECT_EQ(FileExtension(name, NoLeadBytes), "");
  EXPECT_EQ(FileExtension("\x83\x5C.vrn", Cp932Lead), ".vrn");
  // A lead byte at the very end stands alone.
  EXPECT_EQ(FileExtension("x.vrn\x83", Cp932Lead), ".vrn\x83");
}

TEST(IsSupported, BufferOrHandleByTheBitsAboveTheLow16) {
  EXPECT_FALSE(IsBufferPointer(0));
  EXPECT_FALSE(IsBufferPointer(0xFFFF));
  EXPECT_TRUE(IsBufferPointer(0x10000));
  EXPECT_TRUE(IsBufferPointer(static_cast<uintptr_t>(0x80000000u)));
}

TEST(IsSupported, HeadFromBufferStopsAtSevenBytesOrAZero) {
  EXPECT_EQ(HeadFromBuffer("VornX200").View(), "VornX20");
  EXPECT_EQ(HeadFromBuffer("Vo\0rn106").View(), "Vo");
}

}  // namespace
}  // namespace vorn
