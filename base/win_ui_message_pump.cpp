#include "base/win_ui_message_pump.h"

#include <algorithm>

#include "base/message_loop.h"
#include "base/path_util.h"
#include "base/time_ticks.h"

namespace qbase {

namespace {

// have_work_ values: a post must wake the loop with a message (another
// loop may be pumping); a wake-up is on its way; the loop is awake and looks
// at its queue before it sleeps again; the loop sleeps in its own wait, and
// a post wakes it with the event.
constexpr LONG kAsleep = 0;
constexpr LONG kWakeUpQueued = 1;
constexpr LONG kAwake = 2;
constexpr LONG kWaiting = 3;

// The pump whose modal-loop hook runs on this thread.
thread_local WinUIMessagePump* t_hooked_pump = nullptr;

}  // namespace

WinUIMessagePump::WinUIMessagePump() : wake_event_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  HINSTANCE instance = CurrentModule();
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kWindowClassName;
  // Another thread's pump may have registered the class already; that is fine.
  ::RegisterClassExW(&window_class);
  message_window_.reset(
      ::CreateWindowExW(0, kWindowClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr));
  if (message_window_) ::SetWindowLongPtrW(message_window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (!t_hooked_pump) {
    message_filter_hook_ = ::SetWindowsHookExW(WH_MSGFILTER, &MessageFilterHook, nullptr, ::GetCurrentThreadId());
    if (message_filter_hook_) t_hooked_pump = this;
  }
}

WinUIMessagePump::~WinUIMessagePump() {
  if (message_filter_hook_) {
    ::UnhookWindowsHookEx(message_filter_hook_);
    t_hooked_pump = nullptr;
  }
  if (message_window_) ::KillTimer(message_window_.get(), timer_id());
  message_window_.reset();
  // Fails harmlessly while other threads' pumps still have windows of the class.
  ::UnregisterClassW(kWindowClassName, CurrentModule());
}

void WinUIMessagePump::WakeForWork() {
  // Posters call this under the loop's incoming lock, after the loop's last
  // look at its queue when it has gone to sleep, so a plain read sees the
  // sleep; an awake loop costs no locked instruction.
  if (!message_window_) return;
  if (have_work_ == kWaiting && ::InterlockedCompareExchange(&have_work_, kWakeUpQueued, kWaiting) == kWaiting) {
    // One call to the server, where a message would cost the woken loop
    // several more before it could run the task.
    ::SetEvent(wake_event_.get());
    return;
  }
  if (have_work_ != kAsleep) return;
  if (::InterlockedCompareExchange(&have_work_, kWakeUpQueued, kAsleep) != kAsleep) return;
  // A full message queue refuses the post; let the next post try again.
  if (!::PostMessageW(message_window_.get(), kWakeUpMessage, reinterpret_cast<WPARAM>(this), 0))
    ::InterlockedExchange(&have_work_, kAsleep);
}

LRESULT CALLBACK WinUIMessagePump::MessageFilterHook(int code, WPARAM wparam, LPARAM lparam) noexcept {
  if (code >= 0 && code != kMessageFilterCode && t_hooked_pump) t_hooked_pump->OnForeignLoopMessage();
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

void WinUIMessagePump::OnForeignLoopMessage() {
  // The modal loop only dispatches messages, so an awake loop blocked in one
  // of its tasks must be woken by a message again.
  if (::InterlockedCompareExchange(&have_work_, kAsleep, kAwake) == kAwake ||
      ::InterlockedCompareExchange(&have_work_, kAsleep, kWaiting) == kWaiting) {
    WakeForWork();
  }
}

UINT WinUIMessagePump::TimerDelay(int64_t delay_ms) {
  if (delay_ms < kMinimumTimerDelayMs) return kMinimumTimerDelayMs;
  if (delay_ms >= int64_t{INFINITE}) return INFINITE - 1;
  return static_cast<UINT>(delay_ms);
}

void WinUIMessagePump::WakeAt(int64_t run_time) {
  delayed_work_time_ = run_time;
  // Setting the timer again re-arms it.
  timer_set_ = ::SetTimer(message_window_.get(), timer_id(), TimerDelay(CurrentDelay()), nullptr) != 0;
}

void WinUIMessagePump::KillDelayedWorkTimer() {
  // Killing a timer that is not set changes nothing, and each call is a
  // trip to the window manager.
  if (!timer_set_) return;
  ::KillTimer(message_window_.get(), timer_id());
  timer_set_ = false;
}

void WinUIMessagePump::DoRunLoop() {
  RunUntilQuit();
  // Whoever pumps this thread's messages next (an enclosing loop, a modal
  // dialog) must be woken by posts again.
  ::InterlockedExchange(&have_work_, kAsleep);
}

void WinUIMessagePump::RunUntilQuit() {
  for (;;) {
    bool more_work = ProcessNextWindowsMessage();
    if (state_->should_quit) break;

    more_work |= RunImmediateWorkBurst();
    if (state_->should_quit) break;

    more_work |= state_->delegate->ProcessDelayedWork(&delayed_work_time_);
    if (more_work && delayed_work_time_ == 0) KillDelayedWorkTimer();
    if (state_->should_quit) break;
    if (more_work) continue;

    more_work = state_->delegate->ProcessIdleWork();
    if (state_->should_quit) break;
    if (more_work) continue;

    // Tasks tend to come in bursts: a short spin keeps the poster from
    // paying for a wake-up message when the next one is microseconds away.
    if (SpinForIncomingWork(kSpinBeforeSleepUs)) continue;
    // From here a post must wake us; look once more so a task that came in
    // before the flag dropped is not left waiting.
    ::InterlockedExchange(&have_work_, wake_event_ ? kWaiting : kAsleep);
    if (state_->delegate->ProcessImmediateWork()) {
      ::InterlockedExchange(&have_work_, kAwake);
      continue;
    }
    const bool posted = WaitForWork();
    ::InterlockedExchange(&have_work_, kAwake);
    // The poster waits for its task, not for a look at the window queue;
    // the next turn looks at it.
    if (posted) RunImmediateWorkBurst();
    if (state_->should_quit) break;
  }
}

// Looking for window messages costs a trip to the window manager (under
// Wine, to its server), far more than running a small task. So while tasks
// keep coming, several run before the next look, but never for longer than
// about a millisecond, which input cannot notice. Reading the clock costs a
// system call too, a few hundred nanoseconds under Wine, so the stretch of
// tasks between reads grows while it stays well inside the budget and
// shrinks again when the tasks get slower.
bool WinUIMessagePump::RunImmediateWorkBurst() {
  MessagePump::Delegate* delegate = state_->delegate;
  int asked = kMinTasksBetweenClockReads;
  int ran = delegate->ProcessImmediateWork(asked);
  if (ran == 0) return false;
  LARGE_INTEGER frequency, start, now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  const LONGLONG budget = frequency.QuadPart / 1000;
  LONGLONG last_read = start.QuadPart;
  int stretch = kMinTasksBetweenClockReads;
  // Counted across dry spells too, so a trickle of tasks cannot keep the
  // burst from ever reading the clock.
  int until_read = stretch - ran;
  while (!state_->should_quit) {
    if (until_read <= 0) {
      ::QueryPerformanceCounter(&now);
      if (now.QuadPart - start.QuadPart >= budget) break;
      const LONGLONG took = now.QuadPart - last_read;
      last_read = now.QuadPart;
      if (took < budget / 32) {
        stretch = std::min(stretch * 2, kMaxTasksBetweenClockReads);
      } else if (took > budget / 8) {
        stretch = std::max(stretch / 2, kMinTasksBetweenClockReads);
      }
      until_read = stretch;
    } else if (ran < asked) {
      // Run dry for a moment: a thread posting a stream of tasks is a few
      // hundred nanoseconds from its next one, and leaving the burst would
      // cost a look at the window queue each time.
      if (!SpinForIncomingWork(kSpinWithinBurstUs)) break;
      // More than one task came in while the last lot ran: a stream is
      // running. Taking it a few tasks at a time would move the queue's
      // lock and memory between the two cores every few posts and slow the
      // poster down several times over; a moment's wait lets the batch grow.
      // A poster that outruns the loop gets a real pause: a spinning
      // processor slows its neighbour (a sibling thread of one core, or of
      // one host under a virtual machine) as much as the hand-overs did.
      if (ran >= kStreamBatch) {
        PauseThread(kPauseWithinStreamUs);
      } else if (ran >= 2) {
        Spin(kGatherWithinBurstUs, false);
      }
    }
    // One call for the whole stretch: the loop runs it without coming back
    // to the pump for every task.
    asked = until_read;
    ran = delegate->ProcessImmediateWork(asked);
    until_read -= ran;
  }
  return true;
}

bool WinUIMessagePump::SpinForIncomingWork(int microseconds) { return Spin(microseconds, true); }

void WinUIMessagePump::PauseThread(int microseconds) {
  // The native delay takes tenths of microseconds and, unlike Sleep, needs
  // no trip to Wine's server.
  using DelayExecution = LONG(WINAPI*)(BOOLEAN alertable, const LARGE_INTEGER* interval);
  static const DelayExecution delay = reinterpret_cast<DelayExecution>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtDelayExecution")));
  if (!delay || pauses_overrun_) {
    Spin(microseconds, false);
    return;
  }
  const int64_t start = TimeTicks::Now();
  LARGE_INTEGER interval;
  interval.QuadPart = -10LL * microseconds;  // relative
  delay(FALSE, &interval);
  // A system that rounds short sleeps up to its timer's tick (Windows, at
  // its default period) would hold the loop for milliseconds each time.
  if (TimeTicks::Now() - start > int64_t{kPauseOverrunMs} * 1000) pauses_overrun_ = true;
}

bool WinUIMessagePump::Spin(int microseconds, bool until_incoming_work) {
  LARGE_INTEGER frequency, start, now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  const LONGLONG budget = frequency.QuadPart * microseconds / 1000000;
  for (;;) {
    for (int i = 0; i < 64; ++i) {
      if (until_incoming_work && state_->delegate->HasIncomingWork()) return true;
      YieldProcessor();
    }
    ::QueryPerformanceCounter(&now);
    if (now.QuadPart - start.QuadPart >= budget) return false;
  }
}

bool WinUIMessagePump::ProcessNextWindowsMessage() {
  bool sent_messages_waiting = (HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
  MSG message;
  if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return ProcessMessage(message);
  return sent_messages_waiting;
}

bool WinUIMessagePump::ProcessMessage(const MSG& message) {
  if (message.message == WM_QUIT) {
    // Never swallow a quit: an enclosing loop must see it too.
    state_->should_quit = true;
    ::PostQuitMessage(static_cast<int>(message.wParam));
    return false;
  }
  if (message.message == kWakeUpMessage && message.hwnd == message_window_.get())
    return ProcessReplacementMessage(true);

  if (::CallMsgFilterW(const_cast<MSG*>(&message), kMessageFilterCode)) return true;

  BeforeMessage(message);
  // The window procedure may run a message loop of its own that never looks
  // at our tasks, so while it runs a post must wake us with a message; the
  // loop of the procedure dispatches it to our window.
  const bool was_awake = ::InterlockedCompareExchange(&have_work_, kAsleep, kAwake) == kAwake;
  if (state_->dispatcher) {
    if (!state_->dispatcher->Dispatch(message)) state_->should_quit = true;
  } else {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  // A wake-up queued meanwhile stays marked as queued until it is taken.
  if (was_awake) ::InterlockedCompareExchange(&have_work_, kAwake, kAsleep);
  AfterMessage(message);
  return true;
}

// The wake-up message has been taken out of the queue; process one of the
// real messages in its place so a stream of posted tasks cannot starve input.
// In our own loop the tasks run next anyway; in a foreign one each wake-up
// runs one task and asks for the next.
bool WinUIMessagePump::ProcessReplacementMessage(bool own_loop) {
  MSG message;
  bool found;
  MessageLoop* loop = MessageLoop::Current();
  if (loop && loop->IsInModalLoop()) {
    found = ::PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE) ||
            ::PeekMessageW(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE);
  } else {
    found = ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
  }
  if (own_loop) {
    ::InterlockedExchange(&have_work_, kAwake);
    return found ? ProcessMessage(message) : false;
  }
  ::InterlockedExchange(&have_work_, kAsleep);
  if (!found) return false;
  WakeForWork();
  return ProcessMessage(message);
}

bool WinUIMessagePump::WaitForWork() {
  DWORD delay = ToWaitMilliseconds(CurrentDelay());
  HANDLE wake = wake_event_.get();
  DWORD result =
      ::MsgWaitForMultipleObjectsEx(wake ? 1 : 0, wake ? &wake : nullptr, delay, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (wake && result == WAIT_OBJECT_0) return true;
  if (result != WAIT_OBJECT_0 + (wake ? 1 : 0)) return false;
  // Mouse input that the queue reports but no peek can see would wake us
  // again at once; wait for the next message instead of spinning.
  DWORD queue_status = ::GetQueueStatus(QS_MOUSE);
  MSG message;
  if ((HIWORD(queue_status) & QS_MOUSE) &&
      !::PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) {
    ::WaitMessage();
  }
  return false;
}

void WinUIMessagePump::BeforeMessage(const MSG& message) {
  observers_.Notify([&](UIObserver* observer) { observer->BeforeMessage(message); });
}

void WinUIMessagePump::AfterMessage(const MSG& message) {
  observers_.Notify([&](UIObserver* observer) { observer->AfterMessage(message); });
}

void WinUIMessagePump::HandleWakeUpMessage() {
  // Reached only when a foreign message loop (a modal dialog, a window being
  // dragged) dispatched our wake-up message.
  if (!state_) {
    ::InterlockedExchange(&have_work_, kAsleep);
    return;
  }
  ProcessReplacementMessage(false);
  if (state_->delegate->ProcessImmediateWork()) WakeForWork();
}

void WinUIMessagePump::HandleTimerMessage() {
  timer_set_ = true;
  KillDelayedWorkTimer();
  if (!state_) return;
  state_->delegate->ProcessDelayedWork(&delayed_work_time_);
  if (delayed_work_time_ != 0) WakeAt(delayed_work_time_);
}

LRESULT CALLBACK WinUIMessagePump::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  auto* pump = reinterpret_cast<WinUIMessagePump*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (pump) {
    if (message == WM_TIMER && wparam == pump->timer_id())
      pump->HandleTimerMessage();
    else if (message == kWakeUpMessage)
      pump->HandleWakeUpMessage();
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace qbase
