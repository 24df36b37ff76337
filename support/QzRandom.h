// Seeded pseudo-random permutation: state <- state * 5 + seed (mod 2^32); each
// draw takes the value at position (state mod remaining) of the ascending pool
// of values not drawn yet. Scrambled files are laid out by exactly this
// sequence.
#pragma once

#include <cstdint>
#include <vector>

namespace vorn {

class TQzRandom {
 public:
  explicit TQzRandom(int32_t seed);

  // Refills the pool with 0 .. n-1; the state runs on. n outside
  // 0 .. 134217727 fails with EListError (the list's capacity error).
  void Prepare(int32_t n);
  // The next value of the permutation; fails with EListError when the pool
  // is empty.
  int32_t NextIndex();

  int32_t Count() const { return count_; }
  int32_t Remaining() const { return remaining_; }

 private:
  // Position k (0-based) among the values still in the pool.
  int32_t TakeKth(uint32_t k);

  uint32_t seed_;
  uint32_t state_ = 0;
  int32_t count_ = 0;
  int32_t remaining_ = 0;
  std::vector<int32_t> tree_;  // Fenwick tree over present flags, 1-based
  int32_t topBit_ = 0;
};

}  // namespace vorn
