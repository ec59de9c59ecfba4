#pragma once

#include <windows.h>

namespace qbase {

// One thread-local pointer per thread. The index is allocated by the first
// user in the process and freed at process exit; objects of this class are
// meant to be static.
class ThreadLocalSlot {
 public:
  constexpr ThreadLocalSlot() = default;
  ~ThreadLocalSlot();
  ThreadLocalSlot(const ThreadLocalSlot&) = delete;
  ThreadLocalSlot& operator=(const ThreadLocalSlot&) = delete;

  void* Get();
  void Set(void* value);

 private:
  DWORD Index();

  // 0: no index yet, 1: being allocated, 2: ready.
  volatile LONG state_ = 0;
  DWORD index_ = TLS_OUT_OF_INDEXES;
};

}  // namespace qbase
