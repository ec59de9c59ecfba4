#include "tests/support/ui_thread.h"

#include "base/framework_thread.h"
#include "base/message_loop.h"
#include "base/thread_registry.h"

namespace test_support {

namespace {

class BodyThread : public qbase::FrameworkThread {
 public:
  explicit BodyThread(const std::function<void()>& body) : FrameworkThread("TestUiThread"), body_(body) {}

 protected:
  void Init() override {
    qbase::ThreadRegistry::RegisterCurrentThread(qbase::UiThreadId);
    qbase::MessageLoop* loop = message_loop();
    loop->PostTask([this, loop] {
      body_();
      loop->QuitWhenIdle();
    });
  }
  void Cleanup() override { qbase::ThreadRegistry::UnregisterCurrentThread(); }

 private:
  const std::function<void()>& body_;
};

}  // namespace

void RunAsUiThread(const std::function<void()>& body) {
  BodyThread thread(body);
  thread.RunOnCurrentThreadWithLoop(qbase::LoopKind::kUI);
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeout_ms) {
  qbase::MessageLoop* loop = qbase::MessageLoop::Current();
  const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  while (!condition()) {
    if (!loop || ::GetTickCount64() > deadline) return false;
    loop->PostDelayedTask([loop] { loop->QuitWhenIdle(); }, 5000);
    loop->RunNested();
  }
  return true;
}

void WaitFor(DWORD milliseconds) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  WaitFor([deadline] { return ::GetTickCount64() >= deadline; }, milliseconds + 1000);
}

}  // namespace test_support
