#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/closure.h"
#include "base/lock.h"
#include "base/message_pump.h"
#include "base/observer_list.h"
#include "base/pending_task.h"
#include "base/spin_lock.h"
#include "base/task_queue.h"
#include "base/win_message_pump.h"

namespace qbase {

class MessageLoopProxy;

enum class LoopKind : int { kDefault = 0, kUI = 1, kIO = 2, kCustom = 3 };

// The per-thread task runner. Any thread may post; the loop's own thread runs
// the tasks between its pump's work. Other threads should post through the
// loop's proxy, which knows when the loop is gone.
class MessageLoop : public MessagePump::Delegate {
 public:
  class TaskObserver {
   public:
    virtual ~TaskObserver() = default;
    virtual void BeforeTask() = 0;
    virtual void AfterTask() = 0;
  };

  class DestructionObserver {
   public:
    virtual ~DestructionObserver() = default;
    virtual void LoopDestroying() = 0;
  };

  MessageLoop();
  ~MessageLoop() override;
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // The calling thread's loop, or null.
  static MessageLoop* Current();

  // Delays are microseconds; a negative delay counts as 0. Empty tasks are
  // ignored. Top-level tasks never run inside a nested run.
  void PostTask(Closure task);
  void PostDelayedTask(Closure task, int64_t delay_us);
  void PostTopLevelTask(Closure task);
  void PostTopLevelDelayedTask(Closure task, int64_t delay_us);

  // Runs until a task asks the loop to quit when idle. A dispatcher takes
  // over window messages; only a UI loop uses it.
  void Run(WinMessagePump::Dispatcher* dispatcher = nullptr);
  // Runs one level deeper from inside a task; nestable tasks run there,
  // top-level tasks wait until the outermost run is idle.
  void RunNested();
  // On the loop's thread: the innermost run ends the next time it is idle.
  void QuitWhenIdle();

  LoopKind kind() const { return kind_; }
  MessagePump* pump() const { return pump_.get(); }
  const std::shared_ptr<MessageLoopProxy>& proxy() const { return proxy_; }
  int run_depth() const { return run_state_ ? run_state_->run_depth : 0; }

  // While set, the UI pump lets only paint and timer messages through in
  // place of its wake-up message.
  bool IsInModalLoop() const { return modal_loop_; }
  void SetModalLoop(bool modal) { modal_loop_ = modal; }

  void AddTaskObserver(TaskObserver* observer) { task_observers_.AddObserver(observer); }
  void RemoveTaskObserver(TaskObserver* observer) { task_observers_.RemoveObserver(observer); }
  void AddDestructionObserver(DestructionObserver* observer) { destruction_observers_.AddObserver(observer); }
  void RemoveDestructionObserver(DestructionObserver* observer) { destruction_observers_.RemoveObserver(observer); }

  // MessagePump::Delegate
  bool ProcessImmediateWork() override { return ProcessImmediateWork(1) != 0; }
  int ProcessImmediateWork(int max_tasks) override;
  bool ProcessDelayedWork(int64_t* next_run_time) override;
  bool ProcessIdleWork() override;
  bool HasIncomingWork() const override { return incoming_hint_.load(std::memory_order_relaxed); }

 protected:
  MessageLoop(std::shared_ptr<MessagePump> pump, LoopKind kind);

 private:
  friend class MessageLoopProxy;
  struct RunState {
    int run_depth = 1;
    bool quit_received = false;
    WinMessagePump::Dispatcher* dispatcher = nullptr;
  };

  static constexpr size_t kCacheLineSize = 64;
  // A heap kept with std::push_heap and std::pop_heap: its front runs first.
  using DelayedQueue = std::vector<PendingTask>;

  void PostPendingTask(Closure&& task, int64_t delay_us, bool nestable);
  // delay_us < 0 makes an immediate task.
  static PendingTask MakePendingTask(Closure&& task, int64_t delay_us, bool nestable);
  void EnqueueIncoming(PendingTask&& task);
  // The caller holds the incoming lock, which also keeps the pump alive
  // while it is woken.
  void EnqueueIncomingLocked(PendingTask&& task);
  void RunWithState(RunState* state);
  void RunTask(PendingTask& task);
  void ReloadWorkQueue();
  // True when the task became the earliest one.
  bool AddToDelayedQueue(PendingTask task);
  PendingTask TakeFirstDelayed();
  void DeletePendingTasks();
  void DeletePendingTasksBounded();

  LoopKind kind_;
  RunState* run_state_ = nullptr;
  std::shared_ptr<MessagePump> pump_;
  bool modal_loop_ = false;
  bool nestable_tasks_allowed_ = true;

  // What posting threads touch sits on cache lines of its own: the loop's
  // per-task writes next to it would make every post miss the cache.
  // The proxy's lock: a post from another thread takes one lock, not two.
  alignas(kCacheLineSize) SpinLock* incoming_lock_ = nullptr;
  TaskQueue incoming_queue_;     // the only member other threads touch
  bool accepting_tasks_ = true;  // guarded by incoming_lock_
  // incoming_queue_ is not empty. Apart from the queue: the loop reads it
  // over and over while it waits for work, and a line that every post
  // writes would then travel between the two cores at every post.
  alignas(kCacheLineSize) std::atomic<bool> incoming_hint_{false};

  alignas(kCacheLineSize) TaskQueue work_queue_;
  TaskQueue deferred_queue_;
  DelayedQueue delayed_queue_;
  int32_t next_sequence_number_ = 0;
  int tasks_in_place_ = 0;  // tasks running in their work queue slots
  // Work queues set aside while a task runs in one of their slots.
  std::vector<TaskQueue> set_aside_queues_;
  int destruction_passes_left_ = 0;  // rounds the destruction still may take
  int64_t recent_time_ = 0;

  ObserverList<TaskObserver> task_observers_;
  ObserverList<DestructionObserver> destruction_observers_;
  std::shared_ptr<MessageLoopProxy> proxy_;
};

// The UI thread's loop: window messages are processed between tasks.
class UIMessageLoop : public MessageLoop {
 public:
  UIMessageLoop();
};

// A loop that also waits for overlapped I/O completions.
class IOMessageLoop : public MessageLoop {
 public:
  IOMessageLoop();
};

}  // namespace qbase
