// Zlib blocks inflated ahead of a load on worker threads. The load reads a
// file front to back and inflates each block when it reaches it; the blocks
// it will reach later are independent of one another, so while the load's
// own thread works on one, the workers inflate the next ones into buffers of
// their own. When the load reaches a block a worker has inflated, it takes
// the worker's bytes instead of inflating the block again; a block no
// worker has started yet it takes back and inflates itself, as without
// workers.
//
// Every result is the inflater's answer for the same bytes and the same
// output size, so a load reads the same pixels, and fails the same way,
// with any number of workers: a block a worker could not inflate (damaged,
// no memory) is inflated by the load as if no worker had tried. A plan that
// does not match the file (a damaged one) costs only wasted work.
//
// The threads are started by the constructor and joined by the destructor:
// they live only as long as the call that made them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vorn {

class TStream;

// A zlib block a load inflates whole: where its bytes lie in the load's
// stream and how much it makes (exactly that much, or at most that much).
struct TPackedRange {
  int64_t Offset = 0;
  int64_t Length = 0;
  uint64_t Capacity = 0;
  bool Exact = true;
  friend bool operator==(const TPackedRange&, const TPackedRange&) = default;
};

// What a worker made of a block: Size bytes in a buffer of Capacity.
struct TInflatedBlock {
  std::unique_ptr<uint8_t[]> Bytes;
  size_t Size = 0;
  size_t Capacity = 0;
};

// How many threads a load uses when its options do not say: VORN_THREADS
// from the environment, else the machine's hardware threads; at most 8.
unsigned DefaultLoadThreads();
inline constexpr unsigned kMaxLoadThreads = 8;

class TInflateAhead {
 public:
  // Inflates the blocks of plan, in their order, on workers threads that
  // read stream at offsets (stream.SharedReads() must hold). room: what the
  // load's budget has left; see Take.
  TInflateAhead(const TStream& stream, std::vector<TPackedRange> plan, unsigned workers,
                uint64_t room);
  // Stops the workers (each finishes the block it is at) and joins them.
  ~TInflateAhead();
  TInflateAhead(const TInflateAhead&) = delete;
  TInflateAhead& operator=(const TInflateAhead&) = delete;

  // The bytes of block, when a worker inflated it in full (waiting for a
  // worker that is at it); null otherwise, and the caller inflates it. The
  // bytes stay valid until the next call. Blocks of the plan before this one
  // are passed over. Then lets the workers start further blocks: no more at
  // once than there are workers, and only while what they hold fits in room
  // (what the load's budget has left beside what the load itself holds).
  const TInflatedBlock* Take(const TPackedRange& block, uint64_t room);

 private:
  enum class TState { Planned, Admitted, Running, Done, Passed };
  struct TJob {
    TPackedRange Range;
    TState State = TState::Planned;
    uint64_t Cost = 0;  // what its worker holds: the output, and the input where it is copied
    bool Ok = false;
    TInflatedBlock Result;
  };
  // A worker's copy of the compressed bytes it inflates (file input), kept
  // from block to block as the output buffers are.
  struct TCopy {
    std::unique_ptr<uint8_t[]> Bytes;
    size_t Capacity = 0;
  };
  void Work();
  void Inflate(TJob& job, TCopy& copy);
  void AdmitLocked(uint64_t room);
  void PassLocked(TJob& job);
  // Keeps a buffer the load is done with for the next block (new memory
  // costs a page fault per page on first write: as much as inflating into
  // it), one per worker.
  void RecycleLocked(TInflatedBlock&& block);
  std::unique_ptr<uint8_t[]> Buffer(size_t size, size_t& capacity);

  const TStream& stream_;
  const bool copyInput_;
  const unsigned window_;
  std::vector<TJob> jobs_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t nextAdmit_ = 0;  // the first job not yet admitted
  size_t nextRun_ = 0;    // the first admitted job no worker has taken
  size_t cursor_ = 0;     // the first job the load has not passed
  unsigned busy_ = 0;     // admitted, running or done, and not yet taken
  uint64_t held_ = 0;     // their cost
  bool stop_ = false;
  TInflatedBlock taken_;  // the result handed out last
  std::vector<TInflatedBlock> spare_;  // buffers to inflate into again
  uint64_t spareBytes_ = 0;            // their capacity, and that of copies kept between blocks
  std::vector<std::thread> threads_;
};

}  // namespace vorn
