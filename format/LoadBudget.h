// How much memory one load may spend on pixel storage and decoded data.
// Every size computed from file values is charged here before anything is
// allocated, so a file that declares huge pictures or a million layers fails
// at once with ELimitError instead of exhausting the host's memory.
#pragma once

#include <cstdint>

namespace vorn {

class TLoadBudget {
 public:
  // About 1 GiB in a 64-bit process, 512 MiB in a 32-bit one; the
  // environment variable VORN_MEMORY_LIMIT_MB overrides it.
  static uint64_t DefaultLimit();

  explicit TLoadBudget(uint64_t limit = DefaultLimit()) : limit_(limit) {}

  // Takes bytes from the budget or fails with ELimitError.
  void Charge(uint64_t bytes);
  // Gives back bytes taken by Charge.
  void Release(uint64_t bytes) { used_ -= bytes < used_ ? bytes : used_; }
  // Fails with ELimitError if a single transient buffer of this size does
  // not fit in what is left (nothing is taken).
  void Check(uint64_t bytes) const;
  uint64_t Used() const { return used_; }
  uint64_t Limit() const { return limit_; }

 private:
  uint64_t limit_;
  uint64_t used_ = 0;
};

// Byte size of a surface of w x h at bpp (15 counts as 16), rows padded to 4
// bytes; 0 for an empty one. Computed in 64 bits, so it cannot overflow.
uint64_t SurfaceBytes(int32_t w, int32_t h, int32_t bpp);

// What a surface costs besides its pixels: the object with its editable
// colour table, the image record with its own, and the header block (about
// 3.3 KiB). Charged for every frame and layer, so that a file of a million
// tiny layers is held to the budget like one of a few large ones.
inline constexpr uint64_t kSurfaceOverhead = 4096;

// Every operation on a surface (fill, decode, compose, tile) works row by
// row, so a row is charged at least this much: a picture a few pixels wide
// and millions of rows tall costs time out of all proportion to its bytes.
inline constexpr uint64_t kMinRowCost = 64;

// What holding such a surface costs: its rows, each at least kMinRowCost,
// plus kSurfaceOverhead.
uint64_t SurfaceCost(int32_t w, int32_t h, int32_t bpp);

// Saturating product of a count from the file and a cost, for checks.
uint64_t TimesCount(int64_t count, uint64_t cost);

}  // namespace vorn
