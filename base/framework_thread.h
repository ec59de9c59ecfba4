#pragma once

#include <memory>
#include <string>

#include "base/lock.h"
#include "base/message_loop.h"
#include "base/thread.h"
#include "base/unique_handle.h"
#include "base/weak_callback.h"
#include "base/win_message_pump.h"

namespace qbase {

class MessageLoopProxy;

// Makes the loop of a custom-kind framework thread.
class MessageLoopFactory {
 public:
  virtual ~MessageLoopFactory() = default;
  virtual std::unique_ptr<MessageLoop> CreateLoop() = 0;
};

// A thread that owns a message loop for the duration of Run(): Init() runs
// once the loop exists, Cleanup() after it has quit. It runs either on the
// calling thread or on a new operating-system thread.
//
// Subclasses that override Init or Cleanup and start a new thread must call
// Stop() in their own destructor, while those overrides still exist.
class FrameworkThread : public Thread, public virtual SupportWeakCallback {
 public:
  explicit FrameworkThread(const char* name);
  ~FrameworkThread() override;

  // Runs here and returns once the loop has quit.
  void RunOnCurrentThreadWithLoop(LoopKind kind, WinMessagePump::Dispatcher* dispatcher = nullptr);
  // Starts a new thread and returns once its Init() has finished.
  bool StartWithLoop(LoopKind kind);
  void SetCustomLoopFactory(std::shared_ptr<MessageLoopFactory> factory) { loop_factory_ = std::move(factory); }

  // Asks the loop to quit the next time it is idle; only the first request
  // counts. Callable from any thread.
  void StopSoon();
  // StopSoon, then wait for a thread started by StartWithLoop.
  void Stop();

  // The loop while Run() is active, else null; for the thread itself.
  MessageLoop* message_loop() const { return loop_.get(); }
  // Safe from any thread; empty when no loop runs.
  std::shared_ptr<MessageLoopProxy> message_loop_proxy();
  const std::string& name() const { return name_; }

 protected:
  void Run() override;
  virtual void Init() {}
  virtual void Cleanup() {}

 private:
  void CreateLoop();
  void DestroyLoop();

  bool started_ = false;
  bool stop_requested_ = false;
  LoopKind loop_kind_ = LoopKind::kDefault;
  // Written by the thread itself; other threads read it under loop_lock_.
  std::unique_ptr<MessageLoop> loop_;
  Lock loop_lock_;
  std::shared_ptr<MessageLoopFactory> loop_factory_;
  WinMessagePump::Dispatcher* dispatcher_ = nullptr;
  UniqueKernelHandle started_event_;
  std::string name_;
};

}  // namespace qbase
