// What one load works with besides the file: its limits, the identification
// code, where pixel memory comes from, the file-wide values the header
// gives every frame, and the layers that blocks may copy from. The frame
// list owns it and hands it down to every frame and layer it reads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "format/LoadBudget.h"
#include "surface/PixelMemory.h"

namespace vorn {

class TInflateAhead;
class TPixelMemory;
class TVornLayer;

// Every limit of a load, in one place.
struct TLoadLimits {
  // What one load may hold at once (TLoadBudget::DefaultLimit: about 1 GiB
  // in a 64-bit process, 512 MiB in a 32-bit one, VORN_MEMORY_LIMIT_MB).
  uint64_t Memory = TLoadBudget::DefaultLimit();
  // The compressed XML header is small in every real file; more than this
  // is cut off rather than inflated.
  size_t XmlHeader = 16u << 20;
  // A progressive JPEG picture is decoded scan by scan over the whole image;
  // a small file of thousands of empty scans would cost minutes. Real
  // pictures have a dozen or so.
  int JpegScans = 500;
  // A zlib block is inflated to the end of its stream, its damage checked;
  // what it makes beyond what its target takes is dropped, and more than
  // this (or than the budget has left) fails the block.
  uint64_t ExtraInflation = 64u << 20;
  // How many threads a load inflates on at once, its own included (1: its
  // own alone); see TInflateAhead.
  unsigned Threads = 1;
  // Blocks that inflate to less than this are inflated by the load itself:
  // handing them to a worker would cost about what it saves.
  uint64_t SmallestAhead = 64u << 10;
};

// The layers a block may copy from: those of the frames read so far.
class TLayerLookup {
 public:
  // Layer `layer` of frame `frame`; fails with the list errors of the frame
  // list and of the frame when there is none.
  virtual const TVornLayer& Layer(int32_t frame, int32_t layer) const = 0;

 protected:
  ~TLayerLookup() = default;
};

struct TLoadContext {
  TLoadContext(int32_t passCode, const TLoadLimits& limits, TPixelMemory* pixels,
               const TLayerLookup& layers)
      : Limits(limits), Budget(limits.Memory), PassCode(passCode), Pixels(pixels), Layers(layers) {}
  TLoadContext(const TLoadContext&) = delete;
  TLoadContext& operator=(const TLoadContext&) = delete;

  const TLoadLimits Limits;
  TLoadBudget Budget;
  // The identification code that unscrambles protected files.
  const int32_t PassCode;
  // Where every surface of the load takes its pixel blocks (null: the heap).
  TPixelMemory* const Pixels;
  const TLayerLookup& Layers;

  // Whether zlib blocks are first tried with the whole-block inflater; off,
  // every block goes through the streaming one (the reference the fast path
  // is checked against).
  bool WholeBlockInflate = true;

  // The workers inflating the blocks ahead of the load, while a call that
  // reads frames runs (null: none).
  TInflateAhead* Ahead = nullptr;

  // Memory that blocks are inflated into whole, at least size bytes: kept
  // from block to block (its pages are touched once per load, not once per
  // block) and charged to the budget while it is held. Fails with
  // ELimitError or std::bad_alloc.
  uint8_t* Scratch(size_t size) {
    if (size > scratchCharged_ || size > scratchSize_) {
      AccountScratch(size);
      scratch_.reset(new (std::nothrow) uint8_t[scratchCharged_]);
      if (!scratch_) {
        ReleaseScratch();
        throw std::bad_alloc();
      }
      scratchSize_ = scratchCharged_;
    }
    return scratch_.get();
  }
  // Charges the budget as Scratch(size) does without making the memory: a
  // block a worker inflated is accounted as if inflated here, so that a load
  // meets its limits at the same point with any number of threads.
  void AccountScratch(size_t size) {
    if (size <= scratchCharged_) return;
    ReleaseScratch();
    Budget.Charge(size);
    scratchCharged_ = size;
  }
  void ReleaseScratch() {
    scratch_.reset();
    scratchSize_ = 0;
    Budget.Release(scratchCharged_);
    scratchCharged_ = 0;
  }

  // Memory that a compressed block is read into for the whole-block
  // inflater when the input is not held in memory, at least size bytes;
  // null when the budget has no room for them or the memory cannot be had.
  // It is not charged: it is used only while its block is inflated. But up
  // to a sixteenth of the limit of it is kept for the next block (until the
  // call that reads frames ends), so that its pages are touched once per
  // call; a file that needs more pays for fresh memory each block.
  uint8_t* PackedCopy(size_t size) {
    const uint64_t room = Budget.Limit() - Budget.Used();
    if (size > room) return nullptr;
    if (size <= packedSize_) return packed_.get();
    ReleasePackedCopy();
    // Room for a somewhat larger next block as well: the next copy then
    // comes without another allocation, and pages never written cost nothing.
    const uint64_t kept = Limits.Memory / 16;
    const size_t capacity =
        size < kept ? static_cast<size_t>(std::min({kept, room, uint64_t{size} + size / 2})) : size;
    packed_.reset(new (std::nothrow) uint8_t[capacity]);
    if (!packed_) return nullptr;
    packedSize_ = capacity;
    AdviseHugePages(packed_.get(), capacity);
    return packed_.get();
  }
  void PackedCopyDone() {
    if (packedSize_ > Limits.Memory / 16) ReleasePackedCopy();
  }
  void ReleasePackedCopy() {
    packed_.reset();
    packedSize_ = 0;
  }

  // Set from the file's header before the first frame is read.
  int32_t BGColor = 0;
  bool NotFillBG = false;

 private:
  std::unique_ptr<uint8_t[]> scratch_;
  size_t scratchSize_ = 0;     // what scratch_ holds
  size_t scratchCharged_ = 0;  // what the budget is charged for it, at least that
  std::unique_ptr<uint8_t[]> packed_;
  size_t packedSize_ = 0;
};

}  // namespace vorn
