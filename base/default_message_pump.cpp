#include "base/default_message_pump.h"

#include "base/time_ticks.h"

namespace qbase {

void DefaultMessagePump::Run(Delegate* delegate) {
  for (;;) {
    bool did_work = delegate->ProcessImmediateWork();
    if (should_quit_) break;
    did_work |= delegate->ProcessDelayedWork(&delayed_work_time_);
    if (should_quit_) break;
    if (did_work) continue;

    did_work = delegate->ProcessIdleWork();
    if (should_quit_) break;
    if (did_work) continue;

    if (delayed_work_time_ == 0) {
      Wait(INFINITE);
      continue;
    }
    int64_t left_us = delayed_work_time_ - TimeTicks::Now();
    if (left_us <= 0) {
      delayed_work_time_ = 0;
      continue;
    }
    int64_t left_ms = (left_us + 999) / 1000;
    if (left_ms >= INFINITE) left_ms = INFINITE - 1;
    Wait(static_cast<DWORD>(left_ms));
  }
  should_quit_ = false;
}

void DefaultMessagePump::Quit() { should_quit_ = true; }

void DefaultMessagePump::Wait(DWORD timeout_ms) {
  ::AcquireSRWLockExclusive(&lock_);
  // An early return (a spurious wake, a wake-up for work already done) only
  // sends the loop round once more.
  if (!woken_) ::SleepConditionVariableSRW(&wake_, &lock_, timeout_ms, 0);
  woken_ = false;
  ::ReleaseSRWLockExclusive(&lock_);
}

void DefaultMessagePump::WakeForWork() {
  ::AcquireSRWLockExclusive(&lock_);
  woken_ = true;
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeConditionVariable(&wake_);
}

void DefaultMessagePump::WakeAt(int64_t run_time) { delayed_work_time_ = run_time; }

}  // namespace qbase
