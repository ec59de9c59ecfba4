#include "base/thread_registry.h"

#include "base/framework_thread.h"
#include "base/message_loop_proxy.h"
#include "base/thread_local_record.h"

namespace qbase {

ThreadRegistry& ThreadRegistry::Instance() {
  static ThreadRegistry registry;
  return registry;
}

bool ThreadRegistry::RegisterCurrentThread(int identifier) {
  ThreadLocalRecord* record = ThreadLocalRecord::Current();
  if (!record) return false;
  ThreadRegistry& registry = Instance();
  {
    AutoLock lock(registry.lock_);
    auto inserted = registry.threads_.emplace(identifier, record->thread);
    if (!inserted.second && inserted.first->second != record->thread) return false;
  }
  ++record->registration_count;
  record->identifier = identifier;
  return true;
}

bool ThreadRegistry::UnregisterCurrentThread() {
  ThreadLocalRecord* record = ThreadLocalRecord::Current();
  if (!record || record->registration_count < 1) return false;
  if (--record->registration_count == 0) {
    ThreadRegistry& registry = Instance();
    AutoLock lock(registry.lock_);
    registry.threads_.erase(record->identifier);
    record->identifier = -1;
  }
  return true;
}

FrameworkThread* ThreadRegistry::FindThread(int identifier) {
  ThreadRegistry& registry = Instance();
  AutoLock lock(registry.lock_);
  auto it = registry.threads_.find(identifier);
  return it == registry.threads_.end() ? nullptr : it->second;
}

std::shared_ptr<MessageLoopProxy> ThreadRegistry::GetLoopProxy(int identifier) {
  ThreadRegistry& registry = Instance();
  AutoLock lock(registry.lock_);
  auto it = registry.threads_.find(identifier);
  // Holding the lock keeps the thread from unregistering, and so its loop
  // from being destroyed, until the proxy is in hand.
  return it == registry.threads_.end() ? nullptr : it->second->message_loop_proxy();
}

bool ThreadRegistry::PostTask(int identifier, Closure task) {
  std::shared_ptr<MessageLoopProxy> proxy = GetLoopProxy(identifier);
  return proxy && proxy->PostTask(std::move(task));
}

bool ThreadRegistry::PostDelayedTask(int identifier, Closure task, int64_t delay_us) {
  std::shared_ptr<MessageLoopProxy> proxy = GetLoopProxy(identifier);
  return proxy && proxy->PostDelayedTask(std::move(task), delay_us);
}

int ThreadRegistry::CurrentThreadIdentifier() {
  ThreadLocalRecord* record = ThreadLocalRecord::Current();
  return record ? record->identifier : -1;
}

}  // namespace qbase
