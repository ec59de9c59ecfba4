#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "base/closure.h"
#include "base/lock.h"

namespace qbase {

class FrameworkThread;
class MessageLoopProxy;

// The UI thread's identifier.
constexpr int UiThreadId = 0;

// Maps small integer identifiers to framework threads, so that any thread can
// post to, say, the UI thread without holding a pointer to it. A thread is
// registered from its Init and unregistered from its Cleanup, so an
// identifier maps to a thread exactly while its loop runs.
class ThreadRegistry {
 public:
  // Called from inside FrameworkThread::Run. Registrations of one thread
  // under one identifier nest; another thread's identifier is refused.
  static bool RegisterCurrentThread(int identifier);
  static bool UnregisterCurrentThread();

  static FrameworkThread* FindThread(int identifier);
  static std::shared_ptr<MessageLoopProxy> GetLoopProxy(int identifier);
  // False when nobody holds the identifier or its loop is gone.
  static bool PostTask(int identifier, Closure task);
  static bool PostDelayedTask(int identifier, Closure task, int64_t delay_us);

  // -1 on a thread that has not registered.
  static int CurrentThreadIdentifier();

 private:
  static ThreadRegistry& Instance();

  Lock lock_;
  std::map<int, FrameworkThread*> threads_;
};

}  // namespace qbase
