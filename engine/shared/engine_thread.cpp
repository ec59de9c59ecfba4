#include "engine/shared/engine_thread.h"

#include <algorithm>

#include "base/framework_thread.h"
#include "base/message_loop_proxy.h"
#include "base/unique_handle.h"

namespace engine {

namespace {

class LoopThread : public qbase::FrameworkThread {
 public:
  explicit LoopThread(const char* name) : FrameworkThread(name) {}
  ~LoopThread() override { Stop(); }
};

class OwnThread : public EngineThread {
 public:
  bool Start(const char* name) {
    thread_ = std::make_unique<LoopThread>(name);
    // A UI loop, so that the browsers' native windows get their messages.
    if (!thread_->StartWithLoop(qbase::LoopKind::kUI)) return false;
    proxy_ = thread_->message_loop_proxy();
    thread_id_ = thread_->thread_id();
    return proxy_ != nullptr;
  }

  bool PostTask(qbase::Closure task, int64_t delay_ms) override {
    std::shared_ptr<qbase::MessageLoopProxy> proxy;
    {
      std::lock_guard<std::mutex> guard(lock_);
      proxy = proxy_;
    }
    if (!proxy) return false;
    return delay_ms > 0 ? proxy->PostDelayedTask(std::move(task), delay_ms * 1000) : proxy->PostTask(std::move(task));
  }

  void Stop() override {
    {
      std::lock_guard<std::mutex> guard(lock_);
      proxy_.reset();
    }
    if (thread_) thread_->Stop();
    thread_.reset();
  }

  ~OwnThread() override { Stop(); }

 private:
  std::mutex lock_;
  std::unique_ptr<LoopThread> thread_;
  std::shared_ptr<qbase::MessageLoopProxy> proxy_;
};

class ClientDrivenThread : public EngineThread {
 public:
  ClientDrivenThread() { thread_id_ = ::GetCurrentThreadId(); }

  bool PostTask(qbase::Closure task, int64_t delay_ms) override {
    if (!task) return false;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (stopped_) return false;
      ULONGLONG due = ::GetTickCount64() + static_cast<ULONGLONG>(std::max<int64_t>(delay_ms, 0));
      tasks_.push_back(Pending{due, sequence_++, std::move(task)});
    }
    // Wakes the client's loop so that its dispatcher does the work.
    ::PostThreadMessageW(thread_id_, WM_NULL, 0, 0);
    return true;
  }

  void DoWork() override {
    if (!RunsOnCurrentThread()) return;
    std::vector<Pending> due;
    {
      std::lock_guard<std::mutex> guard(lock_);
      ULONGLONG now = ::GetTickCount64();
      auto split = std::stable_partition(tasks_.begin(), tasks_.end(), [now](const Pending& p) { return p.due > now; });
      due.assign(std::make_move_iterator(split), std::make_move_iterator(tasks_.end()));
      tasks_.erase(split, tasks_.end());
    }
    std::sort(due.begin(), due.end(), [](const Pending& a, const Pending& b) {
      return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
    });
    for (Pending& pending : due) pending.task();
  }

  void Stop() override {
    // Work queued before the stop still runs, as on a thread of our own.
    for (int round = 0; round < 16; ++round) {
      {
        std::lock_guard<std::mutex> guard(lock_);
        if (tasks_.empty()) break;
        for (Pending& pending : tasks_) pending.due = 0;
      }
      DoWork();
    }
    std::vector<Pending> dropped;
    {
      std::lock_guard<std::mutex> guard(lock_);
      stopped_ = true;
      dropped.swap(tasks_);
    }
  }

 private:
  struct Pending {
    ULONGLONG due;
    uint64_t sequence;
    qbase::Closure task;
  };

  std::mutex lock_;
  std::vector<Pending> tasks_;
  uint64_t sequence_ = 0;
  bool stopped_ = false;
};

}  // namespace

void EngineThread::RunAndWait(std::function<void()> task) {
  if (RunsOnCurrentThread()) {
    task();
    return;
  }
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!done) return;
  qbase::UniqueKernelHandle owner(done);
  if (!PostTask(
          [task, done] {
            task();
            ::SetEvent(done);
          },
          0)) {
    return;
  }
  while (::MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

std::unique_ptr<EngineThread> EngineThread::StartOwnThread(const char* name) {
  auto thread = std::make_unique<OwnThread>();
  if (!thread->Start(name)) return nullptr;
  return thread;
}

std::unique_ptr<EngineThread> EngineThread::UseCurrentThread() { return std::make_unique<ClientDrivenThread>(); }

}  // namespace engine
