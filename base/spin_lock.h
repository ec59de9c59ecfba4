#pragma once

#include <windows.h>

#include <atomic>

namespace qbase {

// A lock for hand-overs of a few instructions between threads: one append,
// one swap. Taken while free it costs one locked exchange and letting go a
// plain store, where a critical section costs two locked operations and two
// calls into the system (under Wine about 15 ns a pair against 5). A waiter
// spins a little, then gives its time slice away, since the holder may have
// been preempted. Not recursive.
class SpinLock {
 public:
  SpinLock() = default;
  SpinLock(const SpinLock&) = delete;
  SpinLock& operator=(const SpinLock&) = delete;

  void Acquire() {
    if (!held_.exchange(true, std::memory_order_acquire)) return;
    AcquireContended();
  }
  void Release() { held_.store(false, std::memory_order_release); }

 private:
  void AcquireContended() {
    for (int round = 0;; ++round) {
      for (int i = 0; i < 2000 && held_.load(std::memory_order_relaxed); ++i) YieldProcessor();
      if (!held_.exchange(true, std::memory_order_acquire)) return;
      // SwitchToThread lets a preempted holder on this processor run; after
      // many rounds the holder is starved by others and a sleep helps more.
      if (round < 64)
        ::SwitchToThread();
      else
        ::Sleep(1);
    }
  }

  std::atomic<bool> held_{false};
};

}  // namespace qbase
