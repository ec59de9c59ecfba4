#pragma once

#include <cstdint>

#include "base/closure.h"

namespace qbase {

struct PendingTask {
  PendingTask(Closure task, int64_t run_time, bool nestable)
      : run_time(run_time), nestable(nestable), task(std::move(task)) {}

  // Min-heap order for std::priority_queue: a task "less" than another runs
  // later. Equal run times run in the order they entered the delayed queue.
  bool operator<(const PendingTask& other) const {
    if (run_time != other.run_time) return run_time > other.run_time;
    return sequence_number > other.sequence_number;
  }

  int64_t run_time = 0;  // 0: immediate
  int32_t sequence_number = 0;
  bool nestable = true;
  Closure task;
};

}  // namespace qbase
