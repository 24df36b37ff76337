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
  // Position k (0-based) among the values still in the pool, removed.
  int32_t TakeKth(uint32_t k);

  uint32_t seed_;
  uint32_t state_ = 0;
  int32_t count_ = 0;
  int32_t remaining_ = 0;
  // The pool is a bit set of present values in blocks of 512 (one cache line
  // each) under a tree of counts with 16 children to a node, again one line
  // per node: a draw reads one line per level instead of wandering through a
  // pool-sized array. A node keeps running totals, so the child is found by
  // a short branch-free search.
  struct alignas(64) TNode {
    uint32_t Prefix[16];  // values present in children 0..j
  };
  struct alignas(64) TBlock {
    uint64_t Word[8];
  };
  std::vector<std::vector<TNode>> levels_;  // [0] over blocks; the last is the root
  std::vector<TBlock> blocks_;
};

}  // namespace vorn
