#include "base/thread_local_slot.h"

namespace qbase {

ThreadLocalSlot::~ThreadLocalSlot() {
  if (state_ == 2 && index_ != TLS_OUT_OF_INDEXES) ::TlsFree(index_);
}

DWORD ThreadLocalSlot::Index() {
  if (state_ == 2) return index_;
  if (::InterlockedCompareExchange(&state_, 1, 0) == 0) {
    index_ = ::TlsAlloc();
    ::InterlockedExchange(&state_, 2);
  } else {
    while (state_ != 2) ::Sleep(0);
  }
  return index_;
}

void* ThreadLocalSlot::Get() {
  DWORD index = Index();
  return index == TLS_OUT_OF_INDEXES ? nullptr : ::TlsGetValue(index);
}

void ThreadLocalSlot::Set(void* value) {
  DWORD index = Index();
  if (index != TLS_OUT_OF_INDEXES) ::TlsSetValue(index, value);
}

}  // namespace qbase
