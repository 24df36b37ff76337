#include "format/InflateAhead.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "format/WholeInflate.h"
#include "support/Stream.h"
#include "surface/PixelMemory.h"

namespace vorn {

unsigned DefaultLoadThreads() {
  if (const char* text = std::getenv("VORN_THREADS"); text != nullptr && *text != '\0') {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end == '\0' && value >= 1) return static_cast<unsigned>(std::min<long>(value, kMaxLoadThreads));
  }
  const unsigned hardware = std::thread::hardware_concurrency();
  return std::clamp(hardware, 1u, kMaxLoadThreads);
}

TInflateAhead::TInflateAhead(const TStream& stream, std::vector<TPackedRange> plan,
                             unsigned workers, uint64_t room)
    : stream_(stream), copyInput_(stream.ContiguousBytes() == nullptr), window_(workers) {
  jobs_.reserve(plan.size());
  for (const TPackedRange& range : plan) {
    TJob job;
    job.Range = range;
    job.Cost = range.Capacity + (copyInput_ ? static_cast<uint64_t>(range.Length) : 0);
    jobs_.push_back(std::move(job));
  }
  {
    const std::lock_guard lock(mutex_);
    AdmitLocked(room);
  }
  try {
    for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  } catch (...) {
    // Fewer workers (or none): the load takes back what nobody starts.
  }
}

TInflateAhead::~TInflateAhead() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void TInflateAhead::AdmitLocked(uint64_t room) {
  while (nextAdmit_ < jobs_.size() && busy_ < window_) {
    TJob& job = jobs_[nextAdmit_];
    if (job.State == TState::Planned) {
      // Kept buffers count too, until a worker takes one again.
      const uint64_t holding = held_ + spareBytes_;
      if (job.Cost > room || holding > room - job.Cost) break;
      job.State = TState::Admitted;
      ++busy_;
      held_ += job.Cost;
    }
    ++nextAdmit_;
  }
  changed_.notify_all();
}

void TInflateAhead::PassLocked(TJob& job) {
  if (job.State == TState::Admitted || job.State == TState::Done) {
    --busy_;
    held_ -= job.Cost;
  }
  job.State = TState::Passed;
  RecycleLocked(std::move(job.Result));
}

void TInflateAhead::RecycleLocked(TInflatedBlock&& block) {
  if (block.Bytes && spare_.size() < window_) {
    spareBytes_ += block.Capacity;
    spare_.push_back(std::move(block));
  }
  block = {};
}

std::unique_ptr<uint8_t[]> TInflateAhead::Buffer(size_t size, size_t& capacity) {
  {
    const std::lock_guard lock(mutex_);
    for (auto it = spare_.begin(); it != spare_.end(); ++it) {
      if (it->Capacity < size) continue;
      capacity = it->Capacity;
      spareBytes_ -= capacity;
      std::unique_ptr<uint8_t[]> bytes = std::move(it->Bytes);
      spare_.erase(it);
      return bytes;
    }
  }
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size]);
  if (bytes) AdviseHugePages(bytes.get(), size);
  capacity = size;
  return bytes;
}

void TInflateAhead::Work() {
  TCopy copy;
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] {
      while (nextRun_ < nextAdmit_ && jobs_[nextRun_].State != TState::Admitted) ++nextRun_;
      return stop_ || nextRun_ < nextAdmit_;
    });
    if (stop_) return;
    TJob& job = jobs_[nextRun_++];
    job.State = TState::Running;
    // While the job runs its cost counts the copy.
    spareBytes_ -= copy.Capacity;
    lock.unlock();
    Inflate(job, copy);
    lock.lock();
    spareBytes_ += copy.Capacity;
    job.State = TState::Done;
    changed_.notify_all();
  }
}

void TInflateAhead::Inflate(TJob& job, TCopy& copy) {
  const TPackedRange& range = job.Range;
  try {
    if (range.Offset < 0 || range.Length <= 0 || range.Capacity == 0 || range.Capacity > SIZE_MAX)
      return;
    const auto length = static_cast<size_t>(range.Length);
    size_t capacity = 0;
    std::unique_ptr<uint8_t[]> out = Buffer(static_cast<size_t>(range.Capacity), capacity);
    if (!out) return;
    const uint8_t* in = nullptr;
    if (!copyInput_) {
      if (range.Offset > stream_.Size() || range.Length > stream_.Size() - range.Offset) return;
      in = stream_.ContiguousBytes() + range.Offset;
    } else {
      if (copy.Capacity < length) {
        copy = {};
        copy.Bytes.reset(new (std::nothrow) uint8_t[length]);
        if (!copy.Bytes) return;
        copy.Capacity = length;
        AdviseHugePages(copy.Bytes.get(), length);
      }
      if (stream_.ReadShared(range.Offset, copy.Bytes.get(), length) != length) return;
      in = copy.Bytes.get();
    }
    size_t produced = 0;
    const bool ok = InflateWhole(in, length, out.get(), static_cast<size_t>(range.Capacity),
                                 range.Exact ? nullptr : &produced);
    job.Result.Bytes = std::move(out);
    job.Result.Capacity = capacity;
    job.Result.Size = range.Exact ? static_cast<size_t>(range.Capacity) : produced;
    job.Ok = ok;
  } catch (...) {
    // Read or allocation failures leave the block to the load.
  }
}

const TInflatedBlock* TInflateAhead::Take(const TPackedRange& block, uint64_t room) {
  std::unique_lock lock(mutex_);
  RecycleLocked(std::move(taken_));
  // The load reads forward: blocks planned before this one were not where
  // the plan placed them, and are given up (once a worker at one is done).
  while (cursor_ < jobs_.size() && jobs_[cursor_].Range.Offset < block.Offset) {
    TJob& passed = jobs_[cursor_++];
    changed_.wait(lock, [&] { return passed.State != TState::Running; });
    PassLocked(passed);
  }
  const TInflatedBlock* result = nullptr;
  if (cursor_ < jobs_.size() && jobs_[cursor_].Range == block) {
    TJob& job = jobs_[cursor_++];
    changed_.wait(lock, [&] { return job.State != TState::Running; });
    if (job.State == TState::Done && job.Ok) {
      taken_ = std::move(job.Result);
      result = &taken_;
    }
    PassLocked(job);
  }
  AdmitLocked(room);
  return result;
}

}  // namespace vorn
