#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "base/closure.h"

namespace engine {

// Where the engine's UI-thread work runs: either a thread of its own (the
// multi-threaded message loop) or the client's thread, which drives it with
// CefDoMessageLoopWork.
class EngineThread {
 public:
  virtual ~EngineThread() = default;

  static std::unique_ptr<EngineThread> StartOwnThread(const char* name);
  static std::unique_ptr<EngineThread> UseCurrentThread();

  // False once the thread has stopped. Delays are milliseconds.
  virtual bool PostTask(qbase::Closure task, int64_t delay_ms) = 0;
  bool RunsOnCurrentThread() const { return ::GetCurrentThreadId() == thread_id_; }
  DWORD thread_id() const { return thread_id_; }
  // Runs |task| on this thread and waits for it, answering the messages
  // that this thread's windows are sent meanwhile: they may be parents of
  // the browsers' windows, and destroying those sends them messages.
  void RunAndWait(std::function<void()> task);
  // Runs what is due; only for the client-driven kind.
  virtual void DoWork() {}
  // Lets queued work finish and ends the thread; later posts fail.
  virtual void Stop() = 0;

 protected:
  DWORD thread_id_ = 0;
};

}  // namespace engine
