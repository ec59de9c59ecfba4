#pragma once

#include <cstdint>

#include "ui/core/timer_service.h"

namespace ui {
namespace test {

// A timer service whose clock moves only when the test says, so repeats
// and animations run at exactly known times.
class ManualTimers {
 public:
  ManualTimers() : service_(1000000, [this] { return now_; }) {}

  TimerService* service() { return &service_; }
  // Moves the clock in steps of |step_ms|, polling after each.
  void Advance(int total_ms, int step_ms = 10) {
    for (int elapsed = 0; elapsed < total_ms; elapsed += step_ms) {
      now_ += static_cast<int64_t>(step_ms) * 1000;
      service_.Poll();
    }
  }

 private:
  int64_t now_ = 1000000;
  TimerService service_;
};

}  // namespace test
}  // namespace ui
