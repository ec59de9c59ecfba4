#pragma once

#include <windows.h>

#include <atomic>

#include "base/unique_handle.h"

namespace qbase {

// A thin wrapper of an operating-system thread that runs Run().
class Thread {
 public:
  Thread() = default;
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts a new thread running Run(). False if none could be created.
  bool Start();
  // Waits for the started thread to end; terminates it if the wait fails.
  void Join();

  DWORD thread_id() const { return thread_id_; }
  HANDLE thread_handle() const { return handle_.get(); }

 protected:
  virtual void Run() {}
  void set_thread_id(DWORD id) { thread_id_ = id; }

 private:
  static unsigned __stdcall ThreadMain(void* self);

  // Written by the starting thread and by the thread itself.
  std::atomic<DWORD> thread_id_{0};
  UniqueKernelHandle handle_;
};

}  // namespace qbase
