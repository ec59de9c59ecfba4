#include "base/thread.h"

#include <process.h>

namespace qbase {

Thread::~Thread() { Join(); }

bool Thread::Start() {
  if (handle_) return false;
  unsigned id = 0;
  handle_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadMain, this, 0, &id)));
  if (!handle_) return false;
  thread_id_ = id;
  return true;
}

void Thread::Join() {
  if (!handle_) return;
  if (::WaitForSingleObject(handle_.get(), INFINITE) != WAIT_OBJECT_0) ::TerminateThread(handle_.get(), 0);
  handle_.reset();
  thread_id_ = 0;
}

unsigned __stdcall Thread::ThreadMain(void* self) {
  static_cast<Thread*>(self)->Run();
  return 0;
}

}  // namespace qbase
