#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "base/pending_task.h"

namespace qbase {

// First-in first-out queue of tasks over one growing array. A queue that
// has run empty keeps its memory, and the loop's incoming and work queues
// trade places by swapping, so after warming up a post allocates nothing
// for the queue itself. A task can also be taken in place: it stays in its
// slot, which nothing moves until the queue is cleared or added to.
class TaskQueue {
 public:
  bool empty() const { return head_ == items_.size(); }
  size_t size() const { return items_.size() - head_; }
  PendingTask& front() { return items_[head_]; }
  void push(PendingTask&& task) {
    // A queue that is added to while it is taken from must not grow without
    // end; one that is only drained (the loop's work queue) never moves
    // what is left of it.
    if (head_ >= kCompactAfter && head_ * 2 >= items_.size()) {
      items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
    items_.push_back(std::move(task));
  }
  // The front task, moved out of the queue.
  PendingTask take() {
    PendingTask task = std::move(items_[head_]);
    Advance();
    return task;
  }
  void pop() { take(); }
  // The front task, left where it is for the caller to run there.
  PendingTask& TakeInPlace() { return items_[head_++]; }
  // Drops tasks taken in place; the memory stays for the next use.
  void clear() {
    items_.clear();
    head_ = 0;
  }
  void swap(TaskQueue& other) {
    items_.swap(other.items_);
    std::swap(head_, other.head_);
  }

 private:
  static constexpr size_t kCompactAfter = 1024;

  void Advance() {
    ++head_;
    if (head_ == items_.size()) {
      items_.clear();
      head_ = 0;
    }
  }
  std::vector<PendingTask> items_;
  size_t head_ = 0;
};

inline void swap(TaskQueue& a, TaskQueue& b) { a.swap(b); }

}  // namespace qbase
