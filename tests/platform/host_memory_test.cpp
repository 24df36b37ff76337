#include "platform/HostMemory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vorn::platform {
namespace {

TEST(HostMemoryTest, AMovableBlockLocksToItsBytesAndCountsLocks) {
  THostHandle block = HostAlloc(100);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(HostSize(block), 100u);
  auto* bytes = static_cast<unsigned char*>(HostLock(block));
  ASSERT_NE(bytes, nullptr);
  std::memset(bytes, 0xAB, 100);
  EXPECT_EQ(HostLock(block), bytes);
  EXPECT_TRUE(HostUnlock(block));   // still locked once
  EXPECT_FALSE(HostUnlock(block));  // now unlocked
  EXPECT_EQ(static_cast<unsigned char*>(HostLock(block))[99], 0xAB);
  HostUnlock(block);
  EXPECT_EQ(HostFree(block), nullptr);
  // A new block holds zeros, not what a freed one held.
  block = HostAlloc(100);
  bytes = static_cast<unsigned char*>(HostLock(block));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0) << i;
  HostUnlock(block);
  HostFree(block);
}

TEST(HostMemoryTest, AnImpossibleSizeGivesNoBlock) {
  EXPECT_EQ(HostAlloc(static_cast<size_t>(-1) - 8), nullptr);
}

}  // namespace
}  // namespace vorn::platform
