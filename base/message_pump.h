#pragma once

#include <cstdint>

namespace qbase {

// What a message loop sleeps in. The loop is its delegate and is asked for
// work in turn; the pump waits when there is none.
class MessagePump {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    virtual bool ProcessImmediateWork() = 0;
    // Runs up to max_tasks immediate tasks and says how many ran; fewer
    // means what was taken from the incoming queue is done (more may have
    // come in since: the next call takes them) or the rest must wait for
    // another run.
    // One call for a stretch of tasks spares the pump a call per task.
    virtual int ProcessImmediateWork(int max_tasks) = 0;
    // next_run_time: the earliest pending delayed task's time, 0 for none.
    virtual bool ProcessDelayedWork(int64_t* next_run_time) = 0;
    virtual bool ProcessIdleWork() = 0;
    // A hint, read without the lock: tasks from other threads wait to be
    // taken. May be stale; used only to decide whether to sleep yet.
    virtual bool HasIncomingWork() const { return false; }
  };

  virtual ~MessagePump() = default;
  virtual void Run(Delegate* delegate) = 0;
  virtual void Quit() = 0;
  // Callable from any thread.
  virtual void WakeForWork() = 0;
  // Called on the pump's thread when the earliest delayed task changes.
  virtual void WakeAt(int64_t run_time) = 0;
};

}  // namespace qbase
