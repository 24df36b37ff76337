#include <gtest/gtest.h>

#include <algorithm>

#include "support/Messages.h"
#include "support/QzRandom.h"
#include "support/VornError.h"

namespace vorn {
namespace {

// The permutation as defined: a plain list, drawn from and shrunk.
class TListRandom {
 public:
  explicit TListRandom(int32_t seed) : seed_(static_cast<uint32_t>(seed)) {}
  void Prepare(int32_t n) {
    pool_.clear();
    for (int32_t i = 0; i < n; ++i) pool_.push_back(i);
  }
  int32_t Next() {
    state_ = state_ * 4u + state_ + seed_;
    const auto k = state_ % static_cast<uint32_t>(pool_.size());
    const int32_t v = pool_[k];
    pool_.erase(pool_.begin() + k);
    return v;
  }

 private:
  uint32_t seed_;
  uint32_t state_ = 0;
  std::vector<int32_t> pool_;
};

TEST(QzRandom, MatchesTheListDefinition) {
  const int32_t seeds[] = {1, -1, 5, 7, 12345, -98765, 0x7FFFFFFF, INT32_MIN, 0x3C6EF35F, 2};
  const int32_t sizes[] = {1, 2, 3, 7, 8, 9, 64, 100, 1000, 4097};
  for (int32_t seed : seeds) {
    TQzRandom r(seed);
    TListRandom ref(seed);
    for (int32_t n : sizes) {
      // One object prepared again and again: the state runs on across sizes.
      r.Prepare(n);
      ref.Prepare(n);
      EXPECT_EQ(r.Count(), n);
      for (int32_t i = 0; i < n; ++i) ASSERT_EQ(r.NextIndex(), ref.Next()) << seed << " " << n << " " << i;
      EXPECT_EQ(r.Remaining(), 0);
    }
  }
}

TEST(QzRandom, MatchesTheListDefinitionOnLargePools) {
  // Pools deep enough for several levels of the count tree; the list is only
  // followed for the first draws, which is where it is affordable.
  for (int32_t n : {20000, 140001}) {
    TQzRandom r(-123457);
    TListRandom ref(-123457);
    r.Prepare(n);
    ref.Prepare(n);
    const int32_t draws = n < 50000 ? n : 1000;
    for (int32_t i = 0; i < draws; ++i) ASSERT_EQ(r.NextIndex(), ref.Next()) << n << " " << i;
  }
}

TEST(QzRandom, ReducesTheStateAsUnsigned) {
  // Seed -1: the first state is 0xFFFFFFFF, which is 5 mod 10 (a signed -1 would not be).
  TQzRandom r(-1);
  r.Prepare(10);
  EXPECT_EQ(r.NextIndex(), 5);
}

TEST(QzRandom, SeedZeroIsTheIdentityAndSingleDrawsGiveZero) {
  TQzRandom r(0);
  r.Prepare(50);
  for (int32_t i = 0; i < 50; ++i) EXPECT_EQ(r.NextIndex(), i);
  for (int32_t seed : {3, -7, 0x12345678}) {
    TQzRandom one(seed);
    one.Prepare(1);
    EXPECT_EQ(one.NextIndex(), 0);
  }
}

TEST(QzRandom, SameSeedSamePermutationAndLargePoolsArePermutations) {
  const int32_t n = 300000;
  TQzRandom a(0x5EED);
  TQzRandom b(0x5EED);
  a.Prepare(n);
  b.Prepare(n);
  std::vector<uint8_t> seen(n, 0);
  for (int32_t i = 0; i < n; ++i) {
    const int32_t v = a.NextIndex();
    ASSERT_EQ(v, b.NextIndex());
    ASSERT_TRUE(v >= 0 && v < n);
    ASSERT_EQ(seen[static_cast<size_t>(v)]++, 0);
  }
  // A second round on the same object differs from a fresh one.
  TQzRandom fresh(0x5EED);
  fresh.Prepare(100);
  a.Prepare(100);
  bool differs = false;
  for (int i = 0; i < 100; ++i) differs |= a.NextIndex() != fresh.NextIndex();
  EXPECT_TRUE(differs);
}

TEST(QzRandom, CapacityAndEmptyPoolFailures) {
  TQzRandom r(9);
  r.Prepare(0);
  EXPECT_THROW(r.NextIndex(), EListError);
  try {
    r.Prepare(-1);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(std::string(e.what()), FormatMessage(kMsgListCapacity, -1));
  }
  EXPECT_THROW(r.Prepare(134217728), EListError);
  r.Prepare(134217727);  // the largest pool is accepted
  EXPECT_EQ(r.Remaining(), 134217727);
  const int32_t v = r.NextIndex();
  EXPECT_TRUE(v >= 0 && v < 134217727);
  EXPECT_THROW(r.Prepare(134217728), EListError);
  EXPECT_EQ(r.Remaining(), 0);  // the pool is left empty
  EXPECT_THROW(r.NextIndex(), EListError);
  r.Prepare(2);
  r.NextIndex();
  r.NextIndex();
  EXPECT_THROW(r.NextIndex(), EListError);
}

}  // namespace
}  // namespace vorn
