#include "app/reload_rate_limit.h"

#include <utility>

#include "base/time_ticks.h"

namespace tarnwell {

ReloadRateLimit::ReloadRateLimit(Clock clock, int max_reloads, int64_t window_us)
    : clock_(std::move(clock)), max_reloads_(max_reloads), window_us_(window_us) {}

void ReloadRateLimit::SetClock(Clock clock) { clock_ = std::move(clock); }

int64_t ReloadRateLimit::Now() const { return clock_ ? clock_() : qbase::TimeTicks::Now(); }

bool ReloadRateLimit::TryReload() {
  const int64_t now = Now();
  // A reload exactly one window ago has left the window.
  while (!reloads_.empty() && now - reloads_.front() >= window_us_) reloads_.pop_front();
  if (static_cast<int>(reloads_.size()) >= max_reloads_) return false;
  reloads_.push_back(now);
  return true;
}

}  // namespace tarnwell
