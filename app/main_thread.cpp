#include "app/main_thread.h"

#include "base/thread_local_record.h"
#include "base/thread_registry.h"

namespace tarnwell {

MainThread::MainThread() : FrameworkThread("MainThread") {}

void MainThread::Init() {
  qbase::ThreadRegistry::RegisterCurrentThread(qbase::UiThreadId);
  // No window opens yet, so there is nothing to wait for: the loop ends as
  // soon as it is idle.
  StopSoon();
}

void MainThread::Cleanup() {
  if (qbase::ThreadLocalRecord* record = qbase::ThreadLocalRecord::Current()) record->quit = true;
  qbase::ThreadRegistry::UnregisterCurrentThread();
}

}  // namespace tarnwell
