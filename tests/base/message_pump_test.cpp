#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "base/message_loop.h"
#include "base/message_loop_proxy.h"
#include "base/unique_handle.h"
#include "base/win_io_message_pump.h"
#include "base/win_ui_message_pump.h"

namespace {

using qbase::MessageLoop;
using qbase::WinMessagePump;
using qbase::WinUIMessagePump;

void QuitWhenIdle() { MessageLoop::Current()->QuitWhenIdle(); }

HWND MessageWindowOf(MessageLoop& loop) { return static_cast<WinUIMessagePump*>(loop.pump())->message_window(); }

int TakeWakeUpMessages(HWND window) {
  int count = 0;
  MSG message;
  while (
      ::PeekMessageW(&message, window, WinUIMessagePump::kWakeUpMessage, WinUIMessagePump::kWakeUpMessage, PM_REMOVE))
    ++count;
  return count;
}

TEST(WinUIMessagePump, DelaysAreClampedForTimersAndWaits) {
  EXPECT_EQ(WinUIMessagePump::TimerDelay(3), 10u);
  EXPECT_EQ(WinUIMessagePump::TimerDelay(-1), 10u);
  EXPECT_EQ(WinUIMessagePump::TimerDelay(250), 250u);
  EXPECT_EQ(WinUIMessagePump::TimerDelay(int64_t{1} << 33), 0xFFFFFFFEu);
  EXPECT_EQ(WinUIMessagePump::TimerDelay(0xFFFFFFFFll), 0xFFFFFFFEu);

  EXPECT_EQ(WinMessagePump::ToWaitMilliseconds(-1), INFINITE);
  EXPECT_EQ(WinMessagePump::ToWaitMilliseconds(0xFFFFFFFFll), 0xFFFFFFFEu);
  EXPECT_EQ(WinMessagePump::ToWaitMilliseconds(int64_t{1} << 40), 0xFFFFFFFEu);
  EXPECT_EQ(WinMessagePump::ToWaitMilliseconds(7), 7u);

  EXPECT_EQ(WinMessagePump::DelayUntil(0, 5000), -1);
  EXPECT_EQ(WinMessagePump::DelayUntil(6001, 5000), 2);  // 1.001 ms rounds up
  EXPECT_EQ(WinMessagePump::DelayUntil(4000, 5000), 0);
}

TEST(WinUIMessagePump, ADistantDelayedTaskArmsTheWindowTimer) {
  qbase::UIMessageLoop loop;
  HWND window = MessageWindowOf(loop);
  UINT_PTR timer_id = reinterpret_cast<UINT_PTR>(loop.pump());
  loop.PostDelayedTask([] {}, (int64_t{1} << 33) * 1000);
  EXPECT_TRUE(loop.ProcessImmediateWork() == false);
  // KillTimer succeeds only for a timer that exists.
  EXPECT_TRUE(::KillTimer(window, timer_id));
  EXPECT_FALSE(::KillTimer(window, timer_id));
}

TEST(WinUIMessagePump, PostsWakeTheLoopWithOneMessage) {
  qbase::UIMessageLoop loop;
  HWND window = MessageWindowOf(loop);
  ASSERT_NE(window, nullptr);

  int runs = 0;
  loop.PostTask([&runs] { ++runs; });
  loop.PostTask([&runs] { ++runs; });
  std::thread other([&loop, &runs] {
    loop.proxy()->PostTask([&runs] { ++runs; });
    loop.proxy()->PostTask([&runs] { ++runs; });
  });
  other.join();
  EXPECT_EQ(TakeWakeUpMessages(window), 1);

  // With the wake-up message taken, the run still finds the tasks.
  loop.PostTask([] { QuitWhenIdle(); });
  loop.Run();
  EXPECT_EQ(runs, 4);
}

TEST(WinUIMessagePump, AwakeLoopTakesPostsWithoutWakeUpMessages) {
  qbase::UIMessageLoop loop;
  HWND window = MessageWindowOf(loop);
  int wake_ups_seen_by_task = -1;
  loop.PostTask([&] {
    // Running: the loop looks at its queue before it sleeps again, so posts
    // from another thread need no message.
    std::thread other([&loop] {
      for (int i = 0; i < 50; ++i) loop.proxy()->PostTask([] {});
    });
    other.join();
    wake_ups_seen_by_task = TakeWakeUpMessages(window);
  });
  loop.PostTask([] { QuitWhenIdle(); });
  loop.Run();
  EXPECT_EQ(wake_ups_seen_by_task, 0);
}

// A message-only window of a class of its own, run by the given procedure.
// Registering a class that exists already fails harmlessly.
qbase::UniqueWindow MakeMessageWindow(const wchar_t* class_name, WNDPROC procedure) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = class_name;
  ::RegisterClassW(&window_class);
  return qbase::UniqueWindow(
      ::CreateWindowExW(0, class_name, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, window_class.hInstance, nullptr));
}

// A window whose WM_APP handler runs a modal dialog, as a window being
// dragged or a message box shown from a window message would.
LRESULT CALLBACK ModalOnAppMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) {
    auto* in_dialog = reinterpret_cast<std::atomic<bool>*>(lparam);
    *in_dialog = true;
    ::MessageBoxW(nullptr, L"waiting for a posted task", L"modal test", MB_OK);
    *in_dialog = false;
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

TEST(WinUIMessagePump, TasksRunInsideAModalLoopOfAWindowMessage) {
  qbase::UIMessageLoop loop;
  qbase::UniqueWindow window = MakeMessageWindow(L"ModalOnAppMessage", &ModalOnAppMessage);
  ASSERT_TRUE(window);
  std::atomic<bool> in_dialog{false};
  std::atomic<bool> ran_inside{false};
  std::thread poster([&] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && !box; ++i, ::Sleep(10)) box = ::FindWindowW(L"#32770", L"modal test");
    loop.proxy()->PostTask([&, box] {
      ran_inside = in_dialog.load();
      if (box) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    // Should the task not run in time, the dialog must still end.
    for (int i = 0; i < 300 && !ran_inside; ++i) ::Sleep(10);
    if (!ran_inside && box) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  // The loop is awake when it dispatches the message that opens the dialog.
  loop.PostTask([&] { ::PostMessageW(window.get(), WM_APP, 0, reinterpret_cast<LPARAM>(&in_dialog)); });
  loop.PostTask([&] { QuitWhenIdle(); });
  loop.Run();
  poster.join();
  EXPECT_TRUE(ran_inside);
}

// A window whose WM_APP handler pumps messages itself, as a drag loop or a
// hand-written wait would, without ever calling CallMsgFilter.
LRESULT CALLBACK OwnLoopOnAppMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) {
    auto* ran = reinterpret_cast<std::atomic<bool>*>(lparam);
    const DWORD start = ::GetTickCount();
    // Bounded so a loop that never sees the task still ends.
    while (!*ran && ::GetTickCount() - start < 2000) {
      MSG inner;
      if (::PeekMessageW(&inner, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&inner);
        ::DispatchMessageW(&inner);
      } else {
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      }
    }
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

TEST(WinUIMessagePump, TasksRunInsideAWindowMessagesOwnLoop) {
  qbase::UIMessageLoop loop;
  qbase::UniqueWindow window = MakeMessageWindow(L"OwnLoopOnAppMessage", &OwnLoopOnAppMessage);
  ASSERT_TRUE(window);
  std::atomic<bool> in_own_loop{false};
  std::atomic<bool> ran{false};
  DWORD dispatched_at = 0;
  DWORD ran_at = 0;
  std::thread poster;
  loop.PostTask([&] {
    ::PostMessageW(window.get(), WM_APP, 0, reinterpret_cast<LPARAM>(&ran));
    poster = std::thread([&] {
      // Give the loop time to be inside the window's own loop.
      ::Sleep(100);
      dispatched_at = ::GetTickCount();
      loop.proxy()->PostTask([&] {
        ran_at = ::GetTickCount();
        ran = true;
      });
    });
  });
  loop.PostDelayedTask([&] { QuitWhenIdle(); }, 50 * 1000);
  loop.Run();
  poster.join();
  ASSERT_TRUE(ran);
  // Well inside the two seconds the inner loop waits at most.
  EXPECT_LT(ran_at - dispatched_at, 1000u);
}

// A window that counts its WM_APP messages.
LRESULT CALLBACK CountAppMessages(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) {
    ++*reinterpret_cast<int*>(lparam);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

// Counts WM_APP messages in the atomic that lparam points to.
LRESULT CALLBACK CountAppMessagesAtomically(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) {
    ++*reinterpret_cast<std::atomic<int>*>(lparam);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

// The loop sleeps between wake-ups, which come from another thread as posts,
// window messages or both at once; a wake-up that one kind leaves behind must
// not swallow the next of the other.
TEST(WinUIMessagePump, ASleepingLoopWakesForPostsAndWindowMessagesAlike) {
  qbase::UIMessageLoop loop;
  qbase::UniqueWindow window = MakeMessageWindow(L"CountAppMessagesAtomically", &CountAppMessagesAtomically);
  ASSERT_TRUE(window);
  constexpr int kRounds = 60;
  std::atomic<int> tasks{0};
  std::atomic<int> messages{0};
  bool stalled = false;
  std::thread poster([&] {
    int expected = 0;
    for (int round = 0; round < kRounds && !stalled; ++round) {
      // Past the loop's spin, so that it sleeps in its wait again.
      ::Sleep(2);
      if (round % 3 != 1) {
        loop.proxy()->PostTask([&tasks] { ++tasks; });
        ++expected;
      }
      if (round % 3 != 0) {
        ::PostMessageW(window.get(), WM_APP, 0, reinterpret_cast<LPARAM>(&messages));
        ++expected;
      }
      const ULONGLONG deadline = ::GetTickCount64() + 5000;
      while (tasks.load() + messages.load() < expected && !stalled) {
        stalled = ::GetTickCount64() > deadline;
        std::this_thread::yield();
      }
    }
    loop.proxy()->PostTask([] { QuitWhenIdle(); });
    // A loop deaf to posts still hears the message and ends.
    ::PostMessageW(window.get(), WM_APP, 0, reinterpret_cast<LPARAM>(&messages));
  });
  loop.Run();
  poster.join();
  EXPECT_FALSE(stalled);
  EXPECT_EQ(tasks.load(), kRounds / 3 * 2);
  EXPECT_GE(messages.load(), kRounds / 3 * 2);
}

void BusyWaitMicroseconds(int microseconds) {
  LARGE_INTEGER frequency, start, now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  do ::QueryPerformanceCounter(&now);
  while ((now.QuadPart - start.QuadPart) * 1000000 < frequency.QuadPart * microseconds);
}

// Each task of the stream posts the next until the window message has been
// handled or the stream is spent; the message must get its turn long before.
// Being preempted only makes the turn come sooner in tasks.
TEST(WinUIMessagePump, WindowMessagesKeepTheirTurnInAStreamOfTasks) {
  struct Stream {
    int fast_tasks;  // then each task takes slow_us
    int slow_us;
    int length;
    int at_most_before_turn;
  };
  // Slow tasks keep the clock read often; fast ones space the reads apart,
  // but not so far that a stream turning slow keeps the message waiting.
  for (const Stream& stream : {Stream{0, 20, 3000, 200}, Stream{20000, 20, 40000, 20000 + 700}}) {
    qbase::UIMessageLoop loop;
    qbase::UniqueWindow window = MakeMessageWindow(L"CountAppMessages", &CountAppMessages);
    ASSERT_TRUE(window);
    const int post_at = std::max(stream.fast_tasks, 50);
    int handled = 0;
    int ran = 0;
    int ran_before_turn = -1;
    std::function<void()> next = [&] {
      if (handled && ran_before_turn < 0) ran_before_turn = ran;
      if (ran_before_turn >= 0 || ++ran == stream.length) {
        QuitWhenIdle();
        return;
      }
      if (ran > stream.fast_tasks) BusyWaitMicroseconds(stream.slow_us);
      if (ran == post_at) ::PostMessageW(window.get(), WM_APP, 0, reinterpret_cast<LPARAM>(&handled));
      loop.PostTask(next);
    };
    loop.PostTask(next);
    loop.Run();
    EXPECT_EQ(handled, 1) << "fast_tasks " << stream.fast_tasks;
    EXPECT_GE(ran_before_turn, post_at) << "fast_tasks " << stream.fast_tasks;
    EXPECT_LT(ran_before_turn, stream.at_most_before_turn) << "fast_tasks " << stream.fast_tasks;
  }
}

TEST(WinUIMessagePump, QuitMessageEndsTheRunAndStaysQueued) {
  qbase::UIMessageLoop loop;
  bool later_ran = false;
  loop.PostTask([] { ::PostQuitMessage(7); });
  loop.PostDelayedTask([&later_ran] { later_ran = true; }, 60 * 1000 * 1000);
  loop.Run();
  EXPECT_FALSE(later_ran);
  MSG message;
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

class RecordingDispatcher : public WinMessagePump::Dispatcher {
 public:
  bool Dispatch(const MSG& message) override {
    if (message.message == WM_APP + 1) ++seen;
    return message.message != WM_APP + 2;
  }
  int seen = 0;
};

TEST(WinUIMessagePump, DispatcherSeesMessagesAndCanEndTheRun) {
  qbase::UIMessageLoop loop;
  RecordingDispatcher dispatcher;
  loop.PostTask([] {
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 1, 0, 0);
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 1, 0, 0);
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 2, 0, 0);
  });
  loop.Run(&dispatcher);
  EXPECT_EQ(dispatcher.seen, 2);
}

class ReadHandler : public qbase::WinIOMessagePump::IOHandler {
 public:
  void OnIOCompleted(qbase::WinIOMessagePump::IOContext* context, DWORD bytes, DWORD error) override {
    ++completions;
    last_context = context;
    last_bytes = bytes;
    last_error = error;
    MessageLoop::Current()->QuitWhenIdle();
  }
  int completions = 0;
  qbase::WinIOMessagePump::IOContext* last_context = nullptr;
  DWORD last_bytes = 0;
  DWORD last_error = 0;
};

TEST(WinIOMessagePump, CompletionsReachTheirHandlerAndWakeUpsDoNot) {
  wchar_t folder[MAX_PATH];
  ::GetTempPathW(MAX_PATH, folder);
  std::wstring path = std::wstring(folder) + L"tarnwell_io_" + std::to_wstring(::GetCurrentProcessId());
  {
    qbase::UniqueFileHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(writer);
    DWORD written = 0;
    ::WriteFile(writer.get(), "completion port", 15, &written, nullptr);
  }
  qbase::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_OVERLAPPED, nullptr));
  ASSERT_TRUE(file);

  qbase::IOMessageLoop loop;
  auto* pump = static_cast<qbase::WinIOMessagePump*>(loop.pump());
  ReadHandler handler;
  ASSERT_TRUE(pump->RegisterIOHandler(file.get(), &handler));

  // Many wake-ups from another thread while the read is outstanding.
  std::atomic<int> runs{0};
  std::thread poster([&] {
    for (int i = 0; i < 1000; ++i) loop.proxy()->PostTask([&runs] { ++runs; });
  });
  poster.join();

  qbase::WinIOMessagePump::IOContext context;
  context.handler = &handler;
  char buffer[64] = {};
  BOOL done = ::ReadFile(file.get(), buffer, sizeof(buffer), nullptr, &context.overlapped);
  ASSERT_TRUE(done || ::GetLastError() == ERROR_IO_PENDING);
  loop.Run();

  EXPECT_EQ(handler.completions, 1);
  EXPECT_EQ(handler.last_context, &context);
  EXPECT_EQ(handler.last_bytes, 15u);
  EXPECT_EQ(handler.last_error, 0u);
  EXPECT_EQ(std::string(buffer, 15), "completion port");
  EXPECT_EQ(runs.load(), 1000);
  file.reset();
  ::DeleteFileW(path.c_str());
}

}  // namespace
