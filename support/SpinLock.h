// A lock for critical sections a few instructions long (a lookup, a swap of
// pointers) that needs no thread runtime: a DLL that takes it leaves nothing
// of a thread library behind when it is unloaded.
#pragma once

#include <atomic>

namespace vorn {

class TSpinLock {
 public:
  class TGuard {
   public:
    explicit TGuard(TSpinLock& lock) : lock_(lock) {
      while (lock_.busy_.test_and_set(std::memory_order_acquire)) {
      }
    }
    ~TGuard() { lock_.busy_.clear(std::memory_order_release); }
    TGuard(const TGuard&) = delete;
    TGuard& operator=(const TGuard&) = delete;

   private:
    TSpinLock& lock_;
  };

 private:
  std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
};

}  // namespace vorn
