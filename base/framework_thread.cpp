#include "base/framework_thread.h"

#include "base/message_loop_proxy.h"
#include "base/thread_local_record.h"
#include "base/thread_registry.h"

namespace qbase {

FrameworkThread::FrameworkThread(const char* name)
    : started_event_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), name_(name ? name : "") {
  // Made now, on the creating thread, so that later stop requests from any
  // thread only read it.
  GetWeakFlag();
}

FrameworkThread::~FrameworkThread() { Stop(); }

void FrameworkThread::RunOnCurrentThreadWithLoop(LoopKind kind, WinMessagePump::Dispatcher* dispatcher) {
  started_ = true;
  loop_kind_ = kind;
  dispatcher_ = dispatcher;
  Run();
}

bool FrameworkThread::StartWithLoop(LoopKind kind) {
  if (started_) return false;
  started_ = true;
  loop_kind_ = kind;
  dispatcher_ = nullptr;
  if (!Start()) {
    started_ = false;
    return false;
  }
  ::WaitForSingleObject(started_event_.get(), INFINITE);
  return true;
}

void FrameworkThread::Run() {
  ThreadLocalRecord* record = ThreadLocalRecord::Current();
  if (!record) {
    record = new ThreadLocalRecord();
    record->thread = this;
    ThreadLocalRecord::SetCurrent(record);
  }
  record->quit = false;
  set_thread_id(::GetCurrentThreadId());

  CreateLoop();
  Init();
  ::SetEvent(started_event_.get());
  loop_->Run(dispatcher_);
  Cleanup();

  // A registration that Cleanup left behind would point at a dead loop.
  while (record->registration_count > 0) ThreadRegistry::UnregisterCurrentThread();
  DestroyLoop();
  set_thread_id(0);
  ThreadLocalRecord::SetCurrent(nullptr);
  delete record;
}

void FrameworkThread::CreateLoop() {
  std::unique_ptr<MessageLoop> loop;
  switch (loop_kind_) {
    case LoopKind::kCustom:
      if (loop_factory_) loop = loop_factory_->CreateLoop();
      break;
    case LoopKind::kIO:
      loop = std::make_unique<IOMessageLoop>();
      break;
    case LoopKind::kUI:
      loop = std::make_unique<UIMessageLoop>();
      break;
    case LoopKind::kDefault:
      break;
  }
  if (!loop) loop = std::make_unique<MessageLoop>();
  AutoLock lock(loop_lock_);
  loop_ = std::move(loop);
}

void FrameworkThread::DestroyLoop() {
  std::unique_ptr<MessageLoop> loop;
  {
    AutoLock lock(loop_lock_);
    loop = std::move(loop_);
  }
  loop.reset();
  if (loop_kind_ == LoopKind::kCustom) loop_factory_.reset();
}

std::shared_ptr<MessageLoopProxy> FrameworkThread::message_loop_proxy() {
  AutoLock lock(loop_lock_);
  return loop_ ? loop_->proxy() : nullptr;
}

void FrameworkThread::StopSoon() {
  AutoLock lock(loop_lock_);
  if (stop_requested_ || !loop_) return;
  stop_requested_ = true;
  loop_->PostTopLevelTask(ToWeakCallback([this] {
    if (loop_) loop_->QuitWhenIdle();
    if (ThreadLocalRecord* record = ThreadLocalRecord::Current()) record->quit = true;
  }));
}

void FrameworkThread::Stop() {
  if (!started_) return;
  StopSoon();
  Join();
  started_ = false;
}

}  // namespace qbase
