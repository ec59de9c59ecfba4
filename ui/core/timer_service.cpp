#include "ui/core/timer_service.h"

#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "base/path_util.h"

namespace ui {

namespace {

int64_t PerformanceFrequency() {
  LARGE_INTEGER frequency = {};
  ::QueryPerformanceFrequency(&frequency);
  // Never zero: every tick conversion divides by it.
  return frequency.QuadPart > 0 ? frequency.QuadPart : 1000;
}

int64_t PerformanceCounter() {
  LARGE_INTEGER counter = {};
  ::QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

// Longer delays make timeSetEvent fail outright, which would leave far-off
// timers without any wake-up.
UINT MaximumTimerPeriod() {
  TIMECAPS caps = {};
  if (::timeGetDevCaps(&caps, sizeof(caps)) != MMSYSERR_NOERROR || caps.wPeriodMax < TimerService::kFastPeriodMs)
    return 65535;
  return caps.wPeriodMax;
}

// What an instance on its own clock keeps in place of a one-shot's id.
constexpr UINT kUnarmedWakeUpId = ~0u;

// Only keeps the platform's timer thread from ending; touches nothing.
void CALLBACK KeepAlive(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

// The one-shot fires up to a tick before its target; one that fires much
// earlier only posts, and the poll re-arms it.
constexpr int64_t kLongestWaitUs = 3000;

// Spins rather than sleeps: a sleep on the platform lasts a tick or more,
// the very error being waited out. Runs on the timer thread.
void WaitOutEarlyTick(int64_t until) {
  const int64_t start = PerformanceCounter();
  if (until - start > PerformanceFrequency() * kLongestWaitUs / 1000000) return;
  while (PerformanceCounter() < until) YieldProcessor();
}

}  // namespace

TimerService* TimerService::GetInstance() {
  // Never destroyed: timers may be added from other static destructors.
  static TimerService* const instance = new TimerService();
  return instance;
}

TimerService::TimerService() : TimerService(PerformanceFrequency(), CounterSource()) {}

TimerService::TimerService(int64_t counter_frequency, CounterSource counter)
    : frequency_(counter_frequency > 0 ? counter_frequency : 1),
      counter_(counter ? std::move(counter) : CounterSource(&PerformanceCounter)),
      platform_wake_ups_(!counter),
      max_period_ms_(MaximumTimerPeriod()) {
  CreateHiddenWindow();
}

TimerService::~TimerService() {
  KillWakeUp();
  if (keep_alive_id_) ::timeKillEvent(keep_alive_id_);
  if (window_) ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  window_.reset();
}

void TimerService::CreateHiddenWindow() {
  HINSTANCE instance = qbase::CurrentModule();
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kWindowClassName;
  // A second instance finds the class registered already; that is fine.
  ::RegisterClassExW(&window_class);
  window_.reset(::CreateWindowExW(0, kWindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this));
}

bool TimerService::LaterFirst::operator()(const TimerRecord& left, const TimerRecord& right) const {
  if (left.due_time != right.due_time) return left.due_time > right.due_time;
  return left.sequence > right.sequence;
}

void TimerService::Push(TimerRecord record) {
  record.sequence = next_sequence_++;
  queue_.push_back(std::move(record));
  std::push_heap(queue_.begin(), queue_.end(), LaterFirst());
}

TimerService::TimerRecord TimerService::PopEarliest() {
  std::pop_heap(queue_.begin(), queue_.end(), LaterFirst());
  TimerRecord record = std::move(queue_.back());
  queue_.pop_back();
  return record;
}

int64_t TimerService::MillisecondsToTicks(int interval_ms) const {
  int64_t ms = std::max(interval_ms, 0);
  // Split so that a fast counter cannot overflow the product.
  int64_t ticks = frequency_ / 1000 * ms + frequency_ % 1000 * ms / 1000;
  // A zero interval would make a repeating timer due again within the same
  // poll, and the poll would never end.
  return std::max<int64_t>(ticks, 1);
}

bool TimerService::AddCancelableTimer(const std::weak_ptr<qbase::WeakFlag>& flag, qbase::Closure callback,
                                      int interval_ms, int repeat_count) {
  if (!callback || !window_) return false;
  TimerRecord record;
  record.callback = std::move(callback);
  record.flag = flag;
  record.interval = MillisecondsToTicks(interval_ms);
  record.repeat_count = repeat_count;
  const int64_t now = ReadCounter();
  record.due_time = now + record.interval;
  const int64_t due_time = record.due_time;
  Push(std::move(record));

  if (!JoinArmedWakeUp(due_time, now)) ScheduleWakeUp(now);
  return true;
}

void TimerService::Poll() {
  const int64_t now = ReadCounter();
  // Every timer due now leaves the heap before any runs, so the wake-up is
  // armed for the next one while the callbacks run: a callback may add
  // timers or run a nested loop that polls again. Nothing a callback adds
  // or repeats can be due in this poll, since it is due after now.
  std::vector<TimerRecord> due;
  while (!queue_.empty() && queue_.front().due_time <= now) due.push_back(PopEarliest());
  ScheduleWakeUp(now);

  for (TimerRecord& record : due) {
    if (record.flag.expired()) continue;
    try {
      record.callback();
    } catch (...) {
      // One failing timer must not stop the others or escape the window
      // procedure; it keeps its schedule like any other run.
    }

    bool repeat = false;
    if (record.repeat_count == kRepeatForever) {
      repeat = true;
    } else if (record.repeat_count > 0) {
      repeat = record.repeat_count >= 2;
      --record.repeat_count;
    }
    // Counted from this poll, not from the previous due time: a late run
    // delays the following ones instead of bunching them up.
    if (repeat && !record.flag.expired()) {
      record.due_time = now + record.interval;
      const int64_t due_time = record.due_time;
      Push(std::move(record));
      const int64_t later = ReadCounter();
      if (!JoinArmedWakeUp(due_time, later)) ScheduleWakeUp(later);
    }
  }
  if (!due.empty()) ScheduleWakeUp(ReadCounter());
}

void TimerService::ScheduleWakeUp(int64_t now) {
  if (queue_.empty()) {
    KillWakeUp();
    return;
  }
  const int64_t remaining = std::max<int64_t>(queue_.front().due_time - now, 0);
  const bool fast = remaining < frequency_;
  fast_mode_ = fast;
  int64_t target = 0;
  UINT delay_ms = 0;
  if (!fast) {
    // Far ones: one wake-up shortly after it, which is sure to find it due.
    const double remaining_ms = static_cast<double>(remaining) * 1000.0 / static_cast<double>(frequency_);
    delay_ms = static_cast<UINT>(std::min(std::floor(remaining_ms) + 2.0, static_cast<double>(max_period_ms_)));
  } else {
    target = SharedWakeUpTarget();
    const double left_ms =
        static_cast<double>(std::max<int64_t>(target - now, 0)) * 1000.0 / static_cast<double>(frequency_);
    // The platform's one-shot is rounded to the nearest millisecond, since
    // its callback waits out an early tick; on its own clock the wake-up
    // comes at the target, rounded up.
    const double delay = platform_wake_ups_ ? std::round(left_ms) : std::ceil(left_ms);
    delay_ms = static_cast<UINT>(std::min(std::max(delay, 1.0), static_cast<double>(max_period_ms_)));
  }
  const int64_t fire_time = now + MillisecondsToTicks(static_cast<int>(delay_ms));

  if (WakeUpPending(now)) {
    // An armed wake-up on the same tick serves as well; arming again costs
    // two calls into the timer thread.
    const int64_t tolerance = std::max<int64_t>(fast && platform_wake_ups_ ? frequency_ / 2000 : frequency_ / 1000, 1);
    if (std::abs(armed_fire_time_ - fire_time) < tolerance) {
      wait_until_.store(target);
      armed_earliest_ = queue_.front().due_time;
      return;
    }
  }
  ArmWakeUp(delay_ms, fire_time, target);
  armed_earliest_ = queue_.front().due_time;
}

// A timer among those the armed wake-up serves already only moves its
// target; a batch of timers added together costs no scan each.
bool TimerService::JoinArmedWakeUp(int64_t due_time, int64_t now) {
  // Only the platform's callback waits for the target; an instance on its
  // own clock keeps the time of its wake-up exact instead.
  if (!platform_wake_ups_ || !fast_mode_ || !WakeUpPending(now) || queue_.front().due_time != armed_earliest_)
    return false;
  if (due_time > armed_earliest_ + SharedWakeUpWindow()) return false;
  if (due_time > wait_until_.load()) wait_until_.store(due_time);
  return true;
}

int64_t TimerService::SharedWakeUpWindow() const {
  return std::max<int64_t>(frequency_ * kSharedWakeUpUs / 1000000, 1);
}

int64_t TimerService::SharedWakeUpTarget() const {
  const int64_t earliest = queue_.front().due_time;
  int64_t latest = earliest;
  LatestDueWithin(0, earliest + SharedWakeUpWindow(), &latest);
  return latest;
}

// A heap's children are due no earlier than their parent, so only the few
// timers inside the window are visited.
void TimerService::LatestDueWithin(size_t index, int64_t limit, int64_t* latest) const {
  if (index >= queue_.size() || queue_[index].due_time > limit) return;
  // A dead owner's timer only leaves the queue; nothing waits for it.
  if (queue_[index].due_time > *latest && !queue_[index].flag.expired()) *latest = queue_[index].due_time;
  LatestDueWithin(2 * index + 1, limit, latest);
  LatestDueWithin(2 * index + 2, limit, latest);
}

bool TimerService::WakeUpPending(int64_t now) const {
  if (!wake_up_running()) return false;
  return platform_wake_ups_ || now < armed_fire_time_;
}

void TimerService::ArmWakeUp(UINT delay_ms, int64_t fire_time, int64_t target) {
  KillWakeUp();
  // Set first: the new one-shot may fire before timeSetEvent returns.
  wake_up_fired_.store(false);
  wait_until_.store(target);
  if (platform_wake_ups_) {
    if (!keep_alive_id_) keep_alive_id_ = ::timeSetEvent(max_period_ms_, max_period_ms_, &KeepAlive, 0, TIME_PERIODIC);
    armed_id_ = ::timeSetEvent(delay_ms, 1, &OnMultimediaTimer, reinterpret_cast<DWORD_PTR>(this),
                               TIME_ONESHOT | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
  } else {
    armed_id_ = kUnarmedWakeUpId;
  }
  wake_up_delay_ms_ = delay_ms;
  armed_fire_time_ = fire_time;
}

void TimerService::KillWakeUp() {
  // Synchronous: once this returns the callback no longer runs.
  if (platform_wake_ups_ && armed_id_ != 0 && !wake_up_fired_.load()) ::timeKillEvent(armed_id_);
  armed_id_ = 0;
}

// Runs on the multimedia timer's own thread: it only marks the one-shot as
// spent, waits out what is left of the target and posts. Once marked, the
// service may go at any moment (it no longer waits for a spent one-shot),
// so the service is not touched after.
void CALLBACK TimerService::OnMultimediaTimer(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* service = reinterpret_cast<TimerService*>(user);
  const HWND window = service->window_.get();
  const int64_t wait_until = service->wait_until_.load();
  service->wake_up_fired_.store(true);
  if (wait_until != 0) WaitOutEarlyTick(wait_until);
  ::PostMessageW(window, kWakeUpMessage, 0, 0);
}

LRESULT CALLBACK TimerService::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == kWakeUpMessage) {
    auto* service = reinterpret_cast<TimerService*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (service) {
      ++service->wake_up_count_;
      try {
        service->Poll();
      } catch (...) {
        // Only allocation can fail here; the next wake-up polls again.
      }
    }
    return 1;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace ui
