#include "support/QzRandom.h"

#include <algorithm>
#include <array>

#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {

namespace {

constexpr int32_t kMaxPool = 134217727;  // the largest capacity of the runtime's list
constexpr size_t kFanOut = 16;
constexpr uint64_t kOnes = 0x0101010101010101u;

// For each byte value and k: the position of its set bit that has k set bits below it.
constexpr auto kSelectInByte = [] {
  std::array<std::array<uint8_t, 8>, 256> table{};
  for (int b = 0; b < 256; ++b) {
    int seen = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (b & (1 << bit)) table[static_cast<size_t>(b)][static_cast<size_t>(seen++)] = static_cast<uint8_t>(bit);
  }
  return table;
}();

int PopCount(uint64_t w) {
  // Spelled out: without a popcount instruction the builtin is a library call.
  w = w - ((w >> 1) & 0x5555555555555555u);
  w = (w & 0x3333333333333333u) + ((w >> 2) & 0x3333333333333333u);
  w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int>((w * kOnes) >> 56);
}

// Index (0..63) of the set bit of w that has k set bits below it (k < popcount(w)).
int SelectBit(uint64_t w, uint32_t k) {
  // Bits per byte, then running totals per byte, all in one word.
  uint64_t s = w - ((w >> 1) & 0x5555555555555555u);
  s = (s & 0x3333333333333333u) + ((s >> 2) & 0x3333333333333333u);
  s = (s + (s >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  const uint64_t prefix = s * kOnes;
  // Bytes whose running total is at most k lie wholly before the wanted bit.
  const uint64_t atMost = ((k * kOnes) | (kOnes << 7)) - prefix;
  const auto byte = static_cast<unsigned>((((atMost >> 7) & kOnes) * kOnes) >> 56);
  const uint32_t before = byte == 0 ? 0 : static_cast<uint32_t>((prefix >> (8 * byte - 8)) & 0xFF);
  const auto bits = static_cast<size_t>((w >> (8 * byte)) & 0xFF);
  return static_cast<int>(8 * byte) + kSelectInByte[bits][k - before];
}

}  // namespace

TQzRandom::TQzRandom(int32_t seed) : seed_(static_cast<uint32_t>(seed)) {}

void TQzRandom::Prepare(int32_t n) {
  count_ = n;
  remaining_ = 0;
  levels_.clear();
  blocks_.clear();
  if (n < 0 || n > kMaxPool) throw EListError(FormatMessage(kMsgListCapacity, n));
  if (n == 0) return;
  const auto blocks = static_cast<size_t>(n / 512 + (n % 512 != 0 ? 1 : 0));
  blocks_.resize(blocks);
  for (size_t b = 0; b < blocks; ++b) {
    for (size_t w = 0; w < 8; ++w) {
      const int64_t first = static_cast<int64_t>(b * 512 + w * 64);
      const int64_t present = std::min<int64_t>(std::max<int64_t>(n - first, 0), 64);
      blocks_[b].Word[w] = present == 64 ? ~uint64_t{0} : (uint64_t{1} << present) - 1;
    }
  }

  // Each level totals the entries of the one below, until one node is left.
  // Unused places at the end of a node repeat its total and are never chosen.
  size_t entries = blocks;
  for (;;) {
    const size_t nodes = (entries + kFanOut - 1) / kFanOut;
    std::vector<TNode> level(nodes);
    for (size_t node = 0; node < nodes; ++node) {
      uint32_t total = 0;
      for (size_t j = 0; j < kFanOut; ++j) {
        const size_t i = node * kFanOut + j;
        if (i < entries) {
          if (levels_.empty()) {
            for (uint64_t w : blocks_[i].Word) total += static_cast<uint32_t>(PopCount(w));
          } else {
            total += levels_.back()[i].Prefix[kFanOut - 1];
          }
        }
        level[node].Prefix[j] = total;
      }
    }
    levels_.push_back(std::move(level));
    if (nodes == 1) break;
    entries = nodes;
  }
  remaining_ = n;
}

int32_t TQzRandom::TakeKth(uint32_t k) {
  // Down from the root: find the first child whose running total exceeds k,
  // take one value from it (and so from every total at and after it) and
  // descend with k counted inside that child.
  size_t index = 0;
  for (size_t l = levels_.size(); l-- > 0;) {
    uint32_t* p = levels_[l][index].Prefix;
    size_t j = 0;
    // Written as arithmetic so that no branch depends on the random k.
    j += static_cast<size_t>(p[j + 7] <= k) << 3;
    j += static_cast<size_t>(p[j + 3] <= k) << 2;
    j += static_cast<size_t>(p[j + 1] <= k) << 1;
    j += static_cast<size_t>(p[j] <= k);
    k -= j > 0 ? p[j - 1] : 0;
    // Every running total from the chosen child on loses one (a fixed-length,
    // branch-free loop the compiler can vectorize).
    const auto from = static_cast<int32_t>(j);
    for (int32_t i = 0; i < static_cast<int32_t>(kFanOut); ++i) p[i] -= i >= from ? 1u : 0u;
    index = index * kFanOut + j;
  }
  TBlock& block = blocks_[index];
  // The word: count the running totals that k reaches, without branches.
  size_t w = 0;
  uint32_t total = 0;
  uint32_t before = 0;
  for (size_t i = 0; i < 7; ++i) {
    total += static_cast<uint32_t>(PopCount(block.Word[i]));
    const bool past = total <= k;
    w += past;
    before = past ? total : before;
  }
  k -= before;
  const int bit = SelectBit(block.Word[w], k);
  block.Word[w] &= ~(uint64_t{1} << bit);
  return static_cast<int32_t>(index * 512 + w * 64 + static_cast<size_t>(bit));
}

int32_t TQzRandom::NextIndex() {
  if (remaining_ <= 0) throw EListError(FormatMessage(kMsgListIndex, 0));
  state_ = state_ * 5u + seed_;
  const uint32_t k = state_ % static_cast<uint32_t>(remaining_);
  const int32_t value = TakeKth(k);
  --remaining_;
  return value;
}

}  // namespace vorn
