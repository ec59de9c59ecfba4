#pragma once

#include <windows.h>

namespace qbase {

// A critical section. The spin count keeps short hand-overs between threads
// (one append, one swap) out of the kernel.
class Lock {
 public:
  Lock() { ::InitializeCriticalSectionAndSpinCount(&section_, 2000); }
  ~Lock() { ::DeleteCriticalSection(&section_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void Acquire() { ::EnterCriticalSection(&section_); }
  void Release() { ::LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

// Holds a Lock or a SpinLock for its scope.
template <typename LockType>
class AutoLock {
 public:
  explicit AutoLock(LockType& lock) : lock_(lock) { lock_.Acquire(); }
  ~AutoLock() { lock_.Release(); }
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;

 private:
  LockType& lock_;
};

}  // namespace qbase
