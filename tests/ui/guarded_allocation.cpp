#include "tests/ui/guarded_allocation.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace ui {
namespace test {

namespace {

// Whole pages (*usable is rounded up) followed by one no-access page.
char* ReserveGuarded(size_t* usable) {
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  *usable = (*usable + page - 1) / page * page;
  char* region =
      static_cast<char*>(::VirtualAlloc(nullptr, *usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!region) return nullptr;
  DWORD old = 0;
  if (!::VirtualProtect(region + *usable, page, PAGE_NOACCESS, &old)) {
    ::VirtualFree(region, 0, MEM_RELEASE);
    return nullptr;
  }
  return region;
}

struct ArrayGuard {
  char* region = nullptr;
  size_t usable = 0;
  DWORD thread = 0;
  bool active = false;
  bool in_use = false;
};

ArrayGuard g_array_guard;

}  // namespace

ScopedGuardedArrays::ScopedGuardedArrays() {
  if (!g_array_guard.region) {
    size_t usable = kGuardedCapacity;
    g_array_guard.region = ReserveGuarded(&usable);
    g_array_guard.usable = usable;
  }
  g_array_guard.thread = ::GetCurrentThreadId();
  g_array_guard.active = g_array_guard.region != nullptr;
}

ScopedGuardedArrays::~ScopedGuardedArrays() { g_array_guard.active = false; }

volatile long long ScopedExitOnFault::current_case_ = -1;
const char* ScopedExitOnFault::what_ = "";

namespace {

LONG WINAPI ExitOnFault(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "fault 0x%08lx in %s, case %lld\n", static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
               ScopedExitOnFault::what_, static_cast<long long>(ScopedExitOnFault::current_case_));
  std::fflush(stderr);
  ::TerminateProcess(::GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

ScopedExitOnFault::ScopedExitOnFault(const char* what) {
  what_ = what;
  current_case_ = -1;
  previous_ = reinterpret_cast<void*>(::SetUnhandledExceptionFilter(ExitOnFault));
}

ScopedExitOnFault::~ScopedExitOnFault() {
  ::SetUnhandledExceptionFilter(reinterpret_cast<LPTOP_LEVEL_EXCEPTION_FILTER>(previous_));
}

GuardedBytes::GuardedBytes(size_t capacity) : usable_(capacity) {
  region_ = ReserveGuarded(&usable_);
  if (!region_) usable_ = 0;
}

GuardedBytes::~GuardedBytes() {
  if (region_) ::VirtualFree(region_, 0, MEM_RELEASE);
}

const char* GuardedBytes::Place(const void* data, size_t length) {
  if (!region_ || length > usable_) return nullptr;
  char* target = region_ + usable_ - length;
  if (length) std::memcpy(target, data, length);
  return target;
}

}  // namespace test
}  // namespace ui

// Replaced for the whole test program; outside a ScopedGuardedArrays they
// behave like the defaults.
void* operator new[](size_t size) {
  using ui::test::g_array_guard;
  if (g_array_guard.active && !g_array_guard.in_use && size > 0 && size <= g_array_guard.usable &&
      ::GetCurrentThreadId() == g_array_guard.thread) {
    g_array_guard.in_use = true;
    return g_array_guard.region + g_array_guard.usable - size;
  }
  void* block = std::malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  return block;
}

void operator delete[](void* block) noexcept {
  using ui::test::g_array_guard;
  char* p = static_cast<char*>(block);
  if (g_array_guard.region && p >= g_array_guard.region && p < g_array_guard.region + g_array_guard.usable) {
    g_array_guard.in_use = false;
    return;
  }
  std::free(block);
}

void operator delete[](void* block, size_t) noexcept { operator delete[](block); }
