#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/closure.h"
#include "base/unique_handle.h"
#include "base/weak_callback.h"

namespace ui {

// Timed callbacks of the UI framework, run on the UI thread. All pending
// timers share one heap ordered by due time on the performance counter and
// one multimedia timer that only posts a wake-up to a hidden window, so a
// hundred fades cost one native timer rather than a hundred.
//
// The wake-up is a one-shot multimedia timer at millisecond resolution,
// armed for the earliest due time and re-armed by every poll, so a timer
// runs within about a millisecond of its time instead of waiting for the
// next 16 ms tick. Timers due within a millisecond after the earliest share
// its wake-up, which comes when the last of them is due. The platform's
// one-shot keeps only whole milliseconds and fires up to one early, so it
// is armed for the nearest millisecond and its callback waits out the rest
// on the timer thread: no wake-up finds its timers not yet due, and no
// timer runs early. A second, idle timer of the longest period keeps the
// platform's timer thread alive between one-shots; without it every
// one-shot would start a new thread. A timer a second or more away gets
// one slow wake-up just after its time.
//
// The framework uses the process-wide instance; a separate instance with its
// own counter source exists only so tests can drive one deterministically.
// The platform's timer runs on the platform's clock, so such an instance
// arms none: it only keeps the wake-up it would arm, which its clock spends
// when it passes the wake-up's time.
class TimerService {
 public:
  // Reads the performance counter (ticks).
  using CounterSource = std::function<int64_t()>;

  static constexpr UINT kWakeUpMessage = 0x2B0F;
  static constexpr const wchar_t* kWindowClassName = L"UI_ANIMATION_TIMERMANAGER_H_";
  // The frame period of a periodic design, which the service no longer
  // uses; benchmarks compare their wake-ups with it.
  static constexpr UINT kFastPeriodMs = 16;
  static constexpr int kRepeatForever = -1;
  // Timers due this long after the earliest one share its wake-up.
  static constexpr int kSharedWakeUpUs = 1000;

  // Created on first use, on the UI thread; lives until the process ends.
  static TimerService* GetInstance();

  TimerService();
  TimerService(int64_t counter_frequency, CounterSource counter);
  ~TimerService();
  TimerService(const TimerService&) = delete;
  TimerService& operator=(const TimerService&) = delete;

  // Runs |callback| after |interval_ms| while |flag| lives. |repeat_count| is
  // the number of runs allowed; -1 repeats until the flag expires, 0 and 1
  // both run once.
  bool AddCancelableTimer(const std::weak_ptr<qbase::WeakFlag>& flag, qbase::Closure callback, int interval_ms,
                          int repeat_count);

  // Runs every due timer and re-arms the wake-up for the next one. Called by
  // the hidden window on each wake-up.
  void Poll();

  int64_t ReadCounter() const { return counter_(); }
  int64_t counter_frequency() const { return frequency_; }

  // Read-only views of the scheduling state. Fast mode: the armed wake-up
  // is for a timer less than a second away.
  bool fast_mode() const { return fast_mode_; }
  bool wake_up_running() const { return armed_id_ != 0 && !wake_up_fired_.load(); }
  // The armed wake-up's delay in milliseconds, counted from when it was
  // armed; 0 when none is armed.
  UINT wake_up_period_ms() const { return wake_up_running() ? wake_up_delay_ms_ : 0; }
  size_t pending_count() const { return queue_.size(); }
  // Due time of the earliest timer in counter ticks; 0 when none is pending.
  int64_t next_due_time() const { return queue_.empty() ? 0 : queue_.front().due_time; }
  HWND window() const { return window_.get(); }
  // Wake-up messages the hidden window has handled so far.
  uint64_t wake_up_count() const { return wake_up_count_; }

 private:
  struct TimerRecord {
    qbase::Closure callback;
    std::weak_ptr<qbase::WeakFlag> flag;
    int64_t interval = 0;  // ticks
    int32_t repeat_count = 0;
    int64_t due_time = 0;   // ticks
    uint64_t sequence = 0;  // keeps timers due at the same tick in order
  };
  struct LaterFirst {
    bool operator()(const TimerRecord& left, const TimerRecord& right) const;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  static void CALLBACK OnMultimediaTimer(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

  void CreateHiddenWindow();
  void Push(TimerRecord record);
  TimerRecord PopEarliest();
  int64_t MillisecondsToTicks(int interval_ms) const;
  // Arms the wake-up for the earliest timer, keeping an armed one that
  // already falls on the same tick; none when the queue is empty.
  void ScheduleWakeUp(int64_t now);
  // The latest due time among the live timers that share the earliest
  // one's wake-up.
  int64_t SharedWakeUpTarget() const;
  int64_t SharedWakeUpWindow() const;
  // True when the armed wake-up takes in a timer just added.
  bool JoinArmedWakeUp(int64_t due_time, int64_t now);
  void LatestDueWithin(size_t index, int64_t limit, int64_t* latest) const;
  bool WakeUpPending(int64_t now) const;
  void ArmWakeUp(UINT delay_ms, int64_t fire_time, int64_t target);
  void KillWakeUp();

  int64_t frequency_ = 1;
  CounterSource counter_;
  bool platform_wake_ups_ = true;
  std::vector<TimerRecord> queue_;  // a heap: front() is due first
  uint64_t next_sequence_ = 0;
  bool fast_mode_ = true;
  // The armed one-shot's id. Its callback marks it fired on the timer
  // thread, so a spent one-shot, whose id the platform has freed, is never
  // killed.
  UINT armed_id_ = 0;
  std::atomic<bool> wake_up_fired_{false};
  UINT wake_up_delay_ms_ = 0;
  int64_t armed_fire_time_ = 0;  // ticks
  // What the armed one-shot's callback waits for before it posts; 0: none.
  std::atomic<int64_t> wait_until_{0};
  int64_t armed_earliest_ = 0;  // the due time the armed wake-up is for
  UINT keep_alive_id_ = 0;
  UINT max_period_ms_ = 0;
  uint64_t wake_up_count_ = 0;
  qbase::UniqueWindow window_;
};

}  // namespace ui
