#pragma once

#include <cstdint>

namespace qbase {

// Turns a 32-bit millisecond reading that wraps every 49.7 days into a
// monotonic 64-bit count.
class WrapAroundCounter {
 public:
  int64_t Extend(uint32_t reading_ms) {
    if (reading_ms < last_ms_) offset_ms_ += int64_t{1} << 32;
    last_ms_ = reading_ms;
    return offset_ms_ + reading_ms;
  }

 private:
  uint32_t last_ms_ = 0;
  int64_t offset_ms_ = 0;
};

// The process-wide monotonic clock, in microseconds, read from the
// multimedia millisecond timer.
class TimeTicks {
 public:
  static int64_t Now();

  static constexpr int64_t kMicrosecondsPerMillisecond = 1000;
};

}  // namespace qbase
