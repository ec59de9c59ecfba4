#include "base/message_loop.h"

#include <algorithm>

#include "base/default_message_pump.h"
#include "base/message_loop_proxy.h"
#include "base/thread_local_slot.h"
#include "base/time_ticks.h"
#include "base/win_io_message_pump.h"
#include "base/win_ui_message_pump.h"

namespace qbase {

namespace {

ThreadLocalSlot g_current_loop;

// Destroying a task may post new ones; this many rounds of destruction bound
// a task that keeps re-posting itself.
constexpr int kMaxDestructionPasses = 100;
// Rounds once posting has stopped: what the last tasks' destruction posts.
constexpr int kMaxFinalPasses = 8;

}  // namespace

MessageLoop::MessageLoop() : MessageLoop(std::make_shared<DefaultMessagePump>(), LoopKind::kDefault) {}

MessageLoop::MessageLoop(std::shared_ptr<MessagePump> pump, LoopKind kind) : kind_(kind), pump_(std::move(pump)) {
  g_current_loop.Set(this);
  proxy_ = MessageLoopProxy::Share(new MessageLoopProxy(this));
  incoming_lock_ = &proxy_->lock_;
}

MessageLoop::~MessageLoop() {
  destruction_passes_left_ = kMaxDestructionPasses;
  DeletePendingTasksBounded();
  destruction_observers_.Notify([](DestructionObserver* observer) { observer->LoopDestroying(); });

  // From here on posts through the proxy fail; what other threads managed to
  // post before is destroyed below without running.
  proxy_->DetachLoop();
  DeletePendingTasksBounded();
  {
    AutoLock lock(*incoming_lock_);
    accepting_tasks_ = false;
  }
  // Whatever is left kept re-posting through every round. It is destroyed
  // now, and so is what that posts, for a few more rounds. A task that
  // re-posts itself without end is kept after them: destroying it would
  // post again, and keeping one is what ends the chain.
  destruction_passes_left_ = kMaxFinalPasses;
  DeletePendingTasksBounded();
  if (!work_queue_.empty()) new TaskQueue(std::move(work_queue_));

  g_current_loop.Set(nullptr);
  // Held until here: its lock is the incoming lock.
  incoming_lock_ = nullptr;
  proxy_.reset();
  pump_.reset();
}

MessageLoop* MessageLoop::Current() { return static_cast<MessageLoop*>(g_current_loop.Get()); }

void MessageLoop::PostTask(Closure task) { PostPendingTask(std::move(task), -1, true); }

void MessageLoop::PostDelayedTask(Closure task, int64_t delay_us) {
  PostPendingTask(std::move(task), std::max<int64_t>(delay_us, 0), true);
}

void MessageLoop::PostTopLevelTask(Closure task) { PostPendingTask(std::move(task), -1, false); }

void MessageLoop::PostTopLevelDelayedTask(Closure task, int64_t delay_us) {
  PostPendingTask(std::move(task), std::max<int64_t>(delay_us, 0), false);
}

void MessageLoop::PostPendingTask(Closure&& task, int64_t delay_us, bool nestable) {
  if (!task) return;
  EnqueueIncoming(MakePendingTask(std::move(task), delay_us, nestable));
}

PendingTask MessageLoop::MakePendingTask(Closure&& task, int64_t delay_us, bool nestable) {
  int64_t run_time = 0;
  if (delay_us >= 0) {
    // A delay past the end of the clock means never, not a run time that
    // wrapped into the past.
    const int64_t now = TimeTicks::Now();
    run_time = delay_us > INT64_MAX - now ? INT64_MAX : now + delay_us;
  }
  return PendingTask(std::move(task), run_time, nestable);
}

void MessageLoop::EnqueueIncoming(PendingTask&& task) {
  AutoLock lock(*incoming_lock_);
  EnqueueIncomingLocked(std::move(task));
}

void MessageLoop::EnqueueIncomingLocked(PendingTask&& task) {
  if (!accepting_tasks_) {
    // Only a task destroyed at the end of this loop's destruction can post
    // here: it is queued without a wake-up, and the destruction destroys it.
    incoming_queue_.push(std::move(task));
    return;
  }
  bool was_empty = incoming_queue_.empty();
  incoming_queue_.push(std::move(task));
  // A queue that was not empty has woken the pump already. Waking it costs
  // a flag check unless it sleeps.
  if (was_empty) {
    incoming_hint_.store(true, std::memory_order_relaxed);
    pump_->WakeForWork();
  }
}

void MessageLoop::Run(WinMessagePump::Dispatcher* dispatcher) {
  RunState state;
  state.run_depth = run_state_ ? run_state_->run_depth + 1 : 1;
  state.dispatcher = dispatcher;
  RunWithState(&state);
}

void MessageLoop::RunNested() {
  bool allowed = nestable_tasks_allowed_;
  nestable_tasks_allowed_ = true;
  Run(run_state_ ? run_state_->dispatcher : nullptr);
  nestable_tasks_allowed_ = allowed;
}

void MessageLoop::RunWithState(RunState* state) {
  RunState* previous = run_state_;
  run_state_ = state;
  if (state->dispatcher && kind_ == LoopKind::kUI)
    static_cast<WinUIMessagePump*>(pump_.get())->RunWithDispatcher(this, state->dispatcher);
  else
    pump_->Run(this);
  run_state_ = previous;
}

void MessageLoop::QuitWhenIdle() {
  if (run_state_) run_state_->quit_received = true;
}

void MessageLoop::RunTask(PendingTask& pending) {
  nestable_tasks_allowed_ = false;
  task_observers_.Notify([](TaskObserver* observer) { observer->BeforeTask(); });
  pending.task();
  task_observers_.Notify([](TaskObserver* observer) { observer->AfterTask(); });
  nestable_tasks_allowed_ = true;
}

void MessageLoop::ReloadWorkQueue() {
  if (!work_queue_.empty()) return;
  if (tasks_in_place_ == 0) {
    work_queue_.clear();
  } else {
    // A task running in its slot of this queue has nested a run: its slot
    // must not move, so the queue is set aside until that task is done.
    set_aside_queues_.push_back(std::move(work_queue_));
    work_queue_ = TaskQueue();
  }
  AutoLock lock(*incoming_lock_);
  std::swap(work_queue_, incoming_queue_);
  incoming_hint_.store(false, std::memory_order_relaxed);
}

bool MessageLoop::AddToDelayedQueue(PendingTask task) {
  int32_t sequence_number = next_sequence_number_;
  next_sequence_number_ = static_cast<int32_t>(static_cast<uint32_t>(next_sequence_number_) + 1);
  task.sequence_number = sequence_number;
  delayed_queue_.push_back(std::move(task));
  std::push_heap(delayed_queue_.begin(), delayed_queue_.end());
  return delayed_queue_.front().sequence_number == sequence_number;
}

PendingTask MessageLoop::TakeFirstDelayed() {
  std::pop_heap(delayed_queue_.begin(), delayed_queue_.end());
  PendingTask task = std::move(delayed_queue_.back());
  delayed_queue_.pop_back();
  return task;
}

// A task runs in its queue slot: moving it out and destroying the husk
// cost more than a small task itself.
int MessageLoop::ProcessImmediateWork(int max_tasks) {
  int ran = 0;
  // A task that nests a run leaves nestable tasks allowed again when it
  // returns, so the check holds for the whole stretch.
  while (ran < max_tasks && nestable_tasks_allowed_) {
    if (work_queue_.empty()) {
      // One take of the incoming queue per call: the pump decides whether
      // to take the next batch at once or let it grow first.
      if (ran > 0) break;
      ReloadWorkQueue();
      if (work_queue_.empty()) break;
    }
    PendingTask& pending = work_queue_.TakeInPlace();
    if (pending.run_time != 0) {
      int64_t run_time = pending.run_time;
      // Re-arm the pump only when this task became the earliest one.
      if (AddToDelayedQueue(std::move(pending))) pump_->WakeAt(run_time);
      continue;
    }
    if (pending.nestable || run_depth() == 1) {
      ++tasks_in_place_;
      RunTask(pending);
      pending.task = nullptr;  // what it holds goes now, as after a plain run
      if (--tasks_in_place_ == 0 && !set_aside_queues_.empty()) set_aside_queues_.clear();
      ++ran;
      continue;
    }
    deferred_queue_.push(std::move(pending));
  }
  return ran;
}

bool MessageLoop::ProcessDelayedWork(int64_t* next_run_time) {
  if (!nestable_tasks_allowed_ || delayed_queue_.empty()) {
    recent_time_ = 0;
    *next_run_time = 0;
    return false;
  }
  // The clock is read only when the earliest task may have fallen due.
  int64_t run_time = delayed_queue_.front().run_time;
  if (run_time > recent_time_) {
    recent_time_ = TimeTicks::Now();
    if (run_time > recent_time_) {
      *next_run_time = run_time;
      return false;
    }
  }

  PendingTask pending = TakeFirstDelayed();
  if (!delayed_queue_.empty()) *next_run_time = delayed_queue_.front().run_time;

  if (pending.nestable || run_depth() == 1) {
    RunTask(pending);
    return true;
  }
  deferred_queue_.push(std::move(pending));
  return false;
}

bool MessageLoop::ProcessIdleWork() {
  if (run_depth() == 1 && !deferred_queue_.empty()) {
    PendingTask pending = deferred_queue_.take();
    RunTask(pending);
    return true;
  }
  if (run_state_ && run_state_->quit_received) pump_->Quit();
  return false;
}

// Delayed tasks are destroyed in the order they would have run.
void MessageLoop::DeletePendingTasks() {
  while (!work_queue_.empty()) {
    PendingTask pending = work_queue_.take();
    if (pending.run_time != 0) AddToDelayedQueue(std::move(pending));
  }
  while (!deferred_queue_.empty()) deferred_queue_.pop();
  while (!delayed_queue_.empty()) TakeFirstDelayed();
}

// Both calls of the destruction share one count of rounds, so a task that
// re-posts itself forever is cut off after that many in all.
void MessageLoop::DeletePendingTasksBounded() {
  while (destruction_passes_left_ > 0) {
    --destruction_passes_left_;
    DeletePendingTasks();
    ReloadWorkQueue();
    if (work_queue_.empty()) return;
  }
}

UIMessageLoop::UIMessageLoop() : MessageLoop(std::make_shared<WinUIMessagePump>(), LoopKind::kUI) {}

IOMessageLoop::IOMessageLoop() : MessageLoop(std::make_shared<WinIOMessagePump>(), LoopKind::kIO) {}

}  // namespace qbase
