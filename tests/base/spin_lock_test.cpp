#include "base/spin_lock.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/lock.h"

namespace {

// Plain increments lose updates unless the lock really excludes; more
// threads than cores make holders get preempted while others wait.
TEST(SpinLock, ExcludesContendingThreads) {
  qbase::SpinLock lock;
  long long counter = 0;
  constexpr int kThreads = 4;
  constexpr int kIncrements = 50000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kIncrements; ++i) {
        qbase::AutoLock guard(lock);
        // A read and a write apart, so a second holder would be noticed.
        long long seen = counter;
        if (i % 64 == 0) std::this_thread::yield();
        counter = seen + 1;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, static_cast<long long>(kThreads) * kIncrements);
}

}  // namespace
