#include "base/framework_thread.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <thread>

#include "base/message_loop_proxy.h"
#include "base/thread_local_record.h"
#include "base/thread_registry.h"

namespace {

using qbase::FrameworkThread;
using qbase::LoopKind;
using qbase::ThreadRegistry;

// Runs the given functions as its Init and Cleanup.
class ScriptedThread : public FrameworkThread {
 public:
  ScriptedThread(std::function<void()> init, std::function<void()> cleanup = nullptr)
      : FrameworkThread("ScriptedThread"), init_(std::move(init)), cleanup_(std::move(cleanup)) {}
  ~ScriptedThread() override { Stop(); }

 protected:
  void Init() override {
    if (init_) init_();
  }
  void Cleanup() override {
    if (cleanup_) cleanup_();
  }

 private:
  std::function<void()> init_;
  std::function<void()> cleanup_;
};

void RunOnThreadAndWait(FrameworkThread& thread, std::function<void()> task) {
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(thread.message_loop_proxy()->PostTask([&task, done] {
    task();
    ::SetEvent(done);
  }));
  ::WaitForSingleObject(done, INFINITE);
  ::CloseHandle(done);
}

TEST(ThreadRegistry, RegistrationsNestAndIdentifiersAreExclusive) {
  constexpr int kId = 41;
  EXPECT_FALSE(ThreadRegistry::RegisterCurrentThread(kId));  // not a framework thread

  ScriptedThread first([] {
    EXPECT_TRUE(ThreadRegistry::RegisterCurrentThread(kId));
    EXPECT_TRUE(ThreadRegistry::RegisterCurrentThread(kId));
  });
  ASSERT_TRUE(first.StartWithLoop(LoopKind::kDefault));
  EXPECT_EQ(ThreadRegistry::FindThread(kId), &first);

  bool foreign_result = true;
  bool own_result = false;
  ScriptedThread second([&] {
    foreign_result = ThreadRegistry::RegisterCurrentThread(kId);
    own_result = ThreadRegistry::RegisterCurrentThread(kId + 1);
  });
  ASSERT_TRUE(second.StartWithLoop(LoopKind::kDefault));
  EXPECT_FALSE(foreign_result);
  EXPECT_TRUE(own_result);
  EXPECT_EQ(ThreadRegistry::FindThread(kId), &first);
  EXPECT_EQ(ThreadRegistry::FindThread(kId + 1), &second);

  // Two registrations need two unregistrations.
  RunOnThreadAndWait(first, [] { EXPECT_TRUE(ThreadRegistry::UnregisterCurrentThread()); });
  EXPECT_EQ(ThreadRegistry::FindThread(kId), &first);
  RunOnThreadAndWait(first, [] {
    EXPECT_TRUE(ThreadRegistry::UnregisterCurrentThread());
    EXPECT_FALSE(ThreadRegistry::UnregisterCurrentThread());
    EXPECT_EQ(ThreadRegistry::CurrentThreadIdentifier(), -1);
  });
  EXPECT_EQ(ThreadRegistry::FindThread(kId), nullptr);
  EXPECT_FALSE(ThreadRegistry::PostTask(kId, [] {}));

  // A registration left at the end of the run does not outlive the loop.
  second.Stop();
  EXPECT_EQ(ThreadRegistry::FindThread(kId + 1), nullptr);
  EXPECT_FALSE(ThreadRegistry::PostTask(kId + 1, [] {}));
}

// The application's UI thread in miniature: registered under UiThreadId for
// the life of its loop.
class UiThread : public FrameworkThread {
 public:
  UiThread() : FrameworkThread("MainThread") {}

 protected:
  void Init() override {
    ThreadRegistry::RegisterCurrentThread(qbase::UiThreadId);
    std::thread engine_thread([this] {
      identifier_off_ui_thread = ThreadRegistry::CurrentThreadIdentifier();
      // A foreign thread posts to the UI thread by identifier.
      posted = ThreadRegistry::PostTask(qbase::UiThreadId, [this] {
        identifier_in_posted_task = ThreadRegistry::CurrentThreadIdentifier();
        StopSoon();
      });
    });
    engine_thread.join();
  }
  void Cleanup() override {
    if (qbase::ThreadLocalRecord* record = qbase::ThreadLocalRecord::Current()) quit_flag = record->quit;
    ThreadRegistry::UnregisterCurrentThread();
  }

 public:
  int identifier_off_ui_thread = 99;
  int identifier_in_posted_task = 99;
  bool posted = false;
  bool quit_flag = false;
};

TEST(ThreadRegistry, UiThreadIdentifierOnAndOffTheUiThread) {
  UiThread ui;
  ui.RunOnCurrentThreadWithLoop(LoopKind::kUI);
  EXPECT_TRUE(ui.posted);
  EXPECT_EQ(ui.identifier_in_posted_task, qbase::UiThreadId);
  EXPECT_EQ(ui.identifier_off_ui_thread, -1);
  EXPECT_TRUE(ui.quit_flag);
  EXPECT_EQ(ThreadRegistry::CurrentThreadIdentifier(), -1);
  // After Cleanup nobody holds the identifier.
  EXPECT_FALSE(ThreadRegistry::PostTask(qbase::UiThreadId, [] {}));
  EXPECT_EQ(ui.message_loop(), nullptr);
}

// Records the thread on which it is destroyed.
class RecordingProxy : public qbase::MessageLoopProxy {
 public:
  RecordingProxy(qbase::MessageLoop* loop, DWORD* destroyed_on, HANDLE destroyed)
      : MessageLoopProxy(loop), destroyed_on_(destroyed_on), destroyed_(destroyed) {}
  ~RecordingProxy() override {
    *destroyed_on_ = ::GetCurrentThreadId();
    ::SetEvent(destroyed_);
  }

 private:
  DWORD* destroyed_on_;
  HANDLE destroyed_;
};

TEST(MessageLoopProxy, LastReleaseDestroysItOnTheLoopsThread) {
  ScriptedThread thread(nullptr);
  ASSERT_TRUE(thread.StartWithLoop(LoopKind::kDefault));
  DWORD loop_thread = thread.thread_id();
  HANDLE destroyed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);

  // Released on a foreign thread: deleted later, on the loop's thread.
  DWORD destroyed_on = 0;
  std::shared_ptr<qbase::MessageLoopProxy> proxy;
  RunOnThreadAndWait(thread, [&] {
    proxy = qbase::MessageLoopProxy::Share(
        new RecordingProxy(qbase::MessageLoop::Current(), &destroyed_on, destroyed));
  });
  proxy.reset();
  ASSERT_EQ(::WaitForSingleObject(destroyed, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(destroyed_on, loop_thread);
  EXPECT_NE(destroyed_on, ::GetCurrentThreadId());

  // Released on the loop's own thread: deleted at once.
  ::ResetEvent(destroyed);
  destroyed_on = 0;
  bool deleted_at_once = false;
  RunOnThreadAndWait(thread, [&] {
    auto local = qbase::MessageLoopProxy::Share(
        new RecordingProxy(qbase::MessageLoop::Current(), &destroyed_on, destroyed));
    local.reset();
    deleted_at_once = ::WaitForSingleObject(destroyed, 0) == WAIT_OBJECT_0;
  });
  EXPECT_TRUE(deleted_at_once);
  EXPECT_EQ(destroyed_on, loop_thread);
  ::CloseHandle(destroyed);
}

TEST(FrameworkThread, StopRequestRunsQueuedWorkFirst) {
  int runs = 0;
  ScriptedThread thread([&] {
    for (int i = 0; i < 50; ++i) qbase::MessageLoop::Current()->PostTask([&runs] { ++runs; });
  });
  ASSERT_TRUE(thread.StartWithLoop(LoopKind::kIO));
  thread.Stop();
  EXPECT_EQ(runs, 50);
  EXPECT_EQ(thread.message_loop(), nullptr);
  EXPECT_EQ(thread.message_loop_proxy(), nullptr);
}

}  // namespace
