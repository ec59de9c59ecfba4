#pragma once

#include <windows.h>

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
// The framework uses the process-wide instance; a separate instance with its
// own counter source exists only so tests can drive one deterministically.
class TimerService {
 public:
  // Reads the performance counter (ticks).
  using CounterSource = std::function<int64_t()>;

  static constexpr UINT kWakeUpMessage = 0x2B0F;
  static constexpr const wchar_t* kWindowClassName = L"UI_ANIMATION_TIMERMANAGER_H_";
  static constexpr UINT kFastPeriodMs = 16;
  static constexpr int kRepeatForever = -1;

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

  // Read-only views of the scheduling state.
  bool fast_mode() const { return fast_mode_; }
  bool wake_up_running() const { return multimedia_timer_id_ != 0; }
  // The running wake-up's period in milliseconds; 0 when none runs.
  UINT wake_up_period_ms() const { return multimedia_timer_id_ != 0 ? wake_up_period_ms_ : 0; }
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
  void StartFastWakeUp();
  void StartSlowWakeUp(int64_t remaining_ticks);
  void StartWakeUp(UINT period_ms);
  void KillWakeUp();

  int64_t frequency_ = 1;
  CounterSource counter_;
  std::vector<TimerRecord> queue_;  // a heap: front() is due first
  uint64_t next_sequence_ = 0;
  bool fast_mode_ = true;
  UINT multimedia_timer_id_ = 0;
  UINT wake_up_period_ms_ = 0;
  UINT max_period_ms_ = 0;
  uint64_t wake_up_count_ = 0;
  qbase::UniqueWindow window_;
};

}  // namespace ui
