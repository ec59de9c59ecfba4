#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

#include "base/pending_task.h"

namespace qbase {

// First-in first-out queue of tasks in chunks of a fixed size. Nothing in it
// ever moves: a growing queue adds a chunk where an array would copy itself
// into a fresh block, which for a stream of posts meant new pages and page
// faults at every doubling. Chunks a queue has run through are kept for
// reuse, as an array keeps its capacity, and the loop's incoming and work queues trade places
// by swapping, so after warming up a post allocates nothing for the queue
// itself. A task can also be taken in place: it stays in its slot until the
// queue is cleared.
class TaskQueue {
 public:
  TaskQueue() = default;
  TaskQueue(TaskQueue&& other) noexcept { swap(other); }
  TaskQueue& operator=(TaskQueue&& other) noexcept {
    if (this != &other) {
      TaskQueue old(std::move(*this));
      swap(other);
    }
    return *this;
  }
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;
  ~TaskQueue() {
    clear();
    while (spare_) delete PopSpare();
  }

  bool empty() const { return !read_ || (read_ == tail_ && read_index_ == tail_->end); }

  void push(PendingTask&& task) {
    if (!tail_ || tail_->end == kChunkTasks) AppendChunk();
    new (tail_->slot(tail_->end)) PendingTask(std::move(task));
    ++tail_->end;
  }

  // The front task, moved out of the queue.
  PendingTask take() {
    SkipFinishedChunk();
    PendingTask task = std::move(*read_->slot(read_index_));
    ++read_index_;
    // With no husks of tasks taken in place before it, the slot goes now,
    // and so does a chunk run through; otherwise it waits for clear().
    if (head_ == read_ && head_begin_ + 1 == read_index_) {
      read_->slot(head_begin_)->~PendingTask();
      ++head_begin_;
      if (head_begin_ == head_->end) DropHeadChunk();
    }
    return task;
  }
  void pop() { take(); }

  // The front task, left where it is for the caller to run there.
  PendingTask& TakeInPlace() {
    SkipFinishedChunk();
    return *read_->slot(read_index_++);
  }

  // Destroys what is left, husks included; the chunks stay for the next use.
  void clear() {
    while (head_) {
      for (uint32_t i = head_begin_; i < head_->end; ++i) head_->slot(i)->~PendingTask();
      Chunk* next = head_->next;
      Recycle(head_);
      head_ = next;
      head_begin_ = 0;
    }
    tail_ = read_ = nullptr;
    read_index_ = 0;
  }

  void swap(TaskQueue& other) noexcept {
    std::swap(head_, other.head_);
    std::swap(head_begin_, other.head_begin_);
    std::swap(read_, other.read_);
    std::swap(read_index_, other.read_index_);
    std::swap(tail_, other.tail_);
    std::swap(spare_, other.spare_);
  }

 private:
  // 4 KB of tasks: few enough chunk changes, small enough for the heap's
  // ordinary blocks.
  static constexpr uint32_t kChunkTasks = 4096 / sizeof(PendingTask);

  struct Chunk {
    Chunk* next = nullptr;
    uint32_t end = 0;  // slots from the start up to here were filled
    alignas(PendingTask) unsigned char storage[kChunkTasks * sizeof(PendingTask)];
    PendingTask* slot(uint32_t i) { return reinterpret_cast<PendingTask*>(storage) + i; }
  };

  void AppendChunk() {
    Chunk* chunk = spare_ ? PopSpare() : new Chunk;
    if (tail_) {
      tail_->next = chunk;
    } else {
      head_ = read_ = chunk;
      head_begin_ = read_index_ = 0;
    }
    tail_ = chunk;
  }

  void SkipFinishedChunk() {
    if (read_index_ == read_->end && read_ != tail_) {
      read_ = read_->next;
      read_index_ = 0;
    }
  }

  // The head chunk holds no more constructed tasks.
  void DropHeadChunk() {
    Chunk* next = head_->next;
    const bool was_read = read_ == head_;
    Recycle(head_);
    head_begin_ = 0;
    head_ = next;
    if (!next) {
      tail_ = read_ = nullptr;
      read_index_ = 0;
    } else if (was_read) {
      read_ = next;
      read_index_ = 0;
    }
  }

  void Recycle(Chunk* chunk) {
    chunk->next = spare_;
    chunk->end = 0;
    spare_ = chunk;
  }

  Chunk* PopSpare() {
    Chunk* chunk = spare_;
    spare_ = chunk->next;
    chunk->next = nullptr;
    return chunk;
  }

  Chunk* head_ = nullptr;  // first chunk still holding constructed tasks
  uint32_t head_begin_ = 0;
  Chunk* read_ = nullptr;  // where the next task is taken
  uint32_t read_index_ = 0;
  Chunk* tail_ = nullptr;  // where the next task is pushed
  Chunk* spare_ = nullptr;
};

inline void swap(TaskQueue& a, TaskQueue& b) noexcept { a.swap(b); }

}  // namespace qbase
