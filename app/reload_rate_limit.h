#pragma once

#include <cstdint>
#include <deque>
#include <functional>

namespace tarnwell {

// How often a page whose renderer keeps dying is reloaded for the player: at
// most a few times within any rolling window, so that a page that crashes
// on load does not spin the engine for ever.
class ReloadRateLimit {
 public:
  // Microseconds, monotonic.
  using Clock = std::function<int64_t()>;

  static constexpr int kMaxReloads = 3;
  static constexpr int64_t kWindowUs = int64_t{60} * 1000 * 1000;

  // Without a clock the process's own is read.
  explicit ReloadRateLimit(Clock clock = Clock(), int max_reloads = kMaxReloads, int64_t window_us = kWindowUs);

  // True, and counted, when one more reload fits into the window that ends
  // now. A refusal is not counted: asking again does not push the next
  // allowed reload further away.
  [[nodiscard]] bool TryReload();

  void SetClock(Clock clock);

 private:
  int64_t Now() const;

  Clock clock_;
  const int max_reloads_;
  const int64_t window_us_;
  // When the reloads inside the current window were allowed, oldest first.
  std::deque<int64_t> reloads_;
};

}  // namespace tarnwell
