#include "base/message_loop_proxy.h"

#include "base/message_loop.h"

namespace qbase {

MessageLoopProxy::MessageLoopProxy(MessageLoop* loop) : loop_(loop) {}

MessageLoopProxy::~MessageLoopProxy() = default;

std::shared_ptr<MessageLoopProxy> MessageLoopProxy::Share(MessageLoopProxy* proxy) {
  return std::shared_ptr<MessageLoopProxy>(proxy, [](MessageLoopProxy* p) { p->DestroyOnLoopThread(); });
}

bool MessageLoopProxy::PostTask(Closure task) { return Post(std::move(task), 0, true); }

bool MessageLoopProxy::PostDelayedTask(Closure task, int64_t delay_us) {
  return Post(std::move(task), delay_us, true);
}

bool MessageLoopProxy::PostTopLevelTask(Closure task) { return Post(std::move(task), 0, false); }

bool MessageLoopProxy::PostTopLevelDelayedTask(Closure task, int64_t delay_us) {
  return Post(std::move(task), delay_us, false);
}

bool MessageLoopProxy::Post(Closure&& task, int64_t delay_us, bool nestable) {
  if (!task) return false;
  PendingTask pending = MessageLoop::MakePendingTask(std::move(task), delay_us > 0 ? delay_us : -1, nestable);
  // The loop's destruction detaches under this lock, so it cannot go away
  // halfway through the post.
  AutoLock lock(lock_);
  if (!loop_) return false;
  loop_->EnqueueIncomingLocked(std::move(pending));
  return true;
}

bool MessageLoopProxy::RunsOnCurrentThread() {
  AutoLock lock(lock_);
  return loop_ && loop_ == MessageLoop::Current();
}

void MessageLoopProxy::DetachLoop() {
  AutoLock lock(lock_);
  loop_ = nullptr;
}

void MessageLoopProxy::DeleteWhenUnlocked(MessageLoopProxy* proxy) {
  proxy->lock_.Acquire();
  proxy->lock_.Release();
  delete proxy;
}

void MessageLoopProxy::DestroyOnLoopThread() {
  {
    AutoLock lock(lock_);
    if (loop_ && loop_ != MessageLoop::Current()) {
      // The task owns the proxy: whether it runs or is dropped with the
      // loop, the proxy is deleted on the loop's thread.
      std::shared_ptr<MessageLoopProxy> owner(this, &DeleteWhenUnlocked);
      loop_->PostTopLevelTask([owner = std::move(owner)] {});
      return;
    }
  }
  delete this;
}

}  // namespace qbase
