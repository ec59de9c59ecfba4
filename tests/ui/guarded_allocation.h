#pragma once

#include <cstddef>

namespace ui {
namespace test {

// While one of these lives, the first array allocation (new[]) made on this
// thread, up to kGuardedCapacity bytes, is placed so that it ends right
// before a no-access page: reading one element past its end faults at once.
// Only one such block exists at a time; others allocate as usual.
class ScopedGuardedArrays {
 public:
  static constexpr size_t kGuardedCapacity = 256 * 1024;
  ScopedGuardedArrays();
  ~ScopedGuardedArrays();
  ScopedGuardedArrays(const ScopedGuardedArrays&) = delete;
  ScopedGuardedArrays& operator=(const ScopedGuardedArrays&) = delete;
};

// Ends the process at once, with a line naming the current case, when code
// under test faults: otherwise the platform's debugger may hold the run until
// the test's time-out.
class ScopedExitOnFault {
 public:
  explicit ScopedExitOnFault(const char* what);
  ~ScopedExitOnFault();
  ScopedExitOnFault(const ScopedExitOnFault&) = delete;
  ScopedExitOnFault& operator=(const ScopedExitOnFault&) = delete;

  void set_case(long long index) { current_case_ = index; }

  static volatile long long current_case_;
  static const char* what_;

 private:
  void* previous_ = nullptr;
};

// A copy of some bytes that ends right before a no-access page.
class GuardedBytes {
 public:
  explicit GuardedBytes(size_t capacity);
  ~GuardedBytes();
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  // Returns the placed copy; valid until the next call.
  const char* Place(const void* data, size_t length);

 private:
  char* region_ = nullptr;
  size_t usable_ = 0;
};

}  // namespace test
}  // namespace ui
