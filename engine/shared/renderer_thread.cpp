#include "engine/shared/renderer_thread.h"

#include "base/framework_thread.h"
#include "base/message_loop_proxy.h"
#include "engine/shared/command_line_impl.h"
#include "engine/shared/sub_process_entry.h"

namespace engine {

namespace {
thread_local RendererThread* t_current = nullptr;
}  // namespace

class RendererThread::Thread : public qbase::FrameworkThread {
 public:
  explicit Thread(RendererThread* owner) : FrameworkThread("RendererMain"), owner_(owner) {}
  ~Thread() override { Stop(); }

 protected:
  void Init() override { t_current = owner_; }
  void Cleanup() override {
    if (owner_->on_ending_) owner_->on_ending_();
    owner_->entered_.clear();
    owner_->app_ = nullptr;
    t_current = nullptr;
  }

 private:
  RendererThread* owner_;
};

RendererThread::RendererThread(RendererSide* side, std::function<void()> on_ending)
    : side_(side), on_ending_(std::move(on_ending)) {}

RendererThread::~RendererThread() { Stop(); }

RendererThread* RendererThread::Current() { return t_current; }

bool RendererThread::Start() {
  if (thread_) return false;
  auto thread = std::make_unique<Thread>(this);
  if (!thread->StartWithLoop(qbase::LoopKind::kDefault)) return false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    proxy_ = thread->message_loop_proxy();
    thread_id_ = thread->thread_id();
  }
  thread_ = std::move(thread);
  return true;
}

void RendererThread::Stop() {
  if (!thread_) return;
  {
    std::lock_guard<std::mutex> guard(lock_);
    proxy_.reset();
  }
  thread_->Stop();
  thread_.reset();
}

bool RendererThread::Post(qbase::Closure task, int64_t delay_ms) {
  std::shared_ptr<qbase::MessageLoopProxy> proxy;
  {
    std::lock_guard<std::mutex> guard(lock_);
    proxy = proxy_;
  }
  if (!proxy || !task) return false;
  return delay_ms > 0 ? proxy->PostDelayedTask(std::move(task), delay_ms * 1000) : proxy->PostTask(std::move(task));
}

DWORD RendererThread::thread_id() const {
  std::lock_guard<std::mutex> guard(lock_);
  return thread_id_;
}

CefRefPtr<CefV8Context> RendererThread::CurrentContext() const {
  return entered_.empty() ? nullptr : entered_.back();
}

void RendererThread::EnterContext(CefRefPtr<CefV8Context> context) { entered_.push_back(context); }

bool RendererThread::ExitContext(CefV8Context* context) {
  if (entered_.empty() || entered_.back().get() != context) return false;
  entered_.pop_back();
  return true;
}

CefRefPtr<CefApp> RendererThread::RunSubProcessEntry(const std::wstring& command_line) {
  CefSubProcessEntry entry = SubProcessEntry();
  if (!entry || t_current != this) return nullptr;
  // The program starts here as its renderer process would, and hands its
  // application object over through CefExecuteProcess.
  command_line_ = command_line;
  starting_ = true;
  try {
    entry(CefMainArgs(::GetModuleHandleW(nullptr)));
  } catch (...) {
    // A failing entry leaves a renderer without an application object.
  }
  starting_ = false;
  return app_;
}

bool RendererThread::AdoptStartingApplication(CefRefPtr<CefApp> app) {
  RendererThread* thread = t_current;
  if (!thread || !thread->starting_) return false;
  // A second call from the same entry changes nothing, as in a process
  // whose engine already runs.
  if (thread->app_ || !app) return true;
  thread->app_ = app;
  app->OnBeforeCommandLineProcessing("renderer", CommandLineImpl::FromString(thread->command_line_).get());
  return true;
}

}  // namespace engine
