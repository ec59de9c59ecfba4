#pragma once

#include <cstdint>
#include <memory>

#include "base/closure.h"
#include "base/lock.h"
#include "base/weak_callback.h"

namespace qbase {

class MessageLoop;

// The thread-safe handle through which other threads post to a loop. It
// outlives its loop when others hold it; posts then fail. The last shared
// reference lets go of it on the loop's own thread while the loop lives.
class MessageLoopProxy : public SupportWeakCallback {
 public:
  explicit MessageLoopProxy(MessageLoop* loop);
  ~MessageLoopProxy() override;

  // Hands the proxy to shared ownership whose deleter is DestroyOnLoopThread.
  static std::shared_ptr<MessageLoopProxy> Share(MessageLoopProxy* proxy);

  // False when the loop is gone or the task is empty; the task is then
  // destroyed with the caller's copy. Delays are microseconds; 0 or less
  // posts an immediate task.
  bool PostTask(Closure task);
  bool PostDelayedTask(Closure task, int64_t delay_us);
  bool PostTopLevelTask(Closure task);
  bool PostTopLevelDelayedTask(Closure task, int64_t delay_us);

  bool RunsOnCurrentThread();
  // Called by the loop's destruction.
  void DetachLoop();
  void DestroyOnLoopThread();

 private:
  bool Post(Closure&& task, int64_t delay_us, bool nestable);
  // Waits until no other thread is inside the proxy, then deletes it.
  static void DeleteWhenUnlocked(MessageLoopProxy* proxy);

  friend class MessageLoop;

  // Also the loop's incoming lock.
  Lock lock_;
  MessageLoop* loop_;
};

}  // namespace qbase
