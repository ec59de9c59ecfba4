// Lateness of 100 UI timers of 16 ms over 2 seconds: the timer service
// against one window timer per request. Lateness is the time from a timer's
// due time to the moment its callback starts. The service also reports how
// often it was woken; a 16 ms periodic wake-up makes 62.5 a second. Timers
// that start out of step with each other are the common case; timers in
// step show what the service costs when due times coincide.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "base/weak_callback.h"
#include "ui/core/timer_service.h"

namespace {

constexpr int kTimerCount = 100;
constexpr int kIntervalMs = 16;
constexpr int kRunSeconds = 2;

int64_t Counter() {
  LARGE_INTEGER value;
  ::QueryPerformanceCounter(&value);
  return value.QuadPart;
}

int64_t Frequency() {
  LARGE_INTEGER value;
  ::QueryPerformanceFrequency(&value);
  return value.QuadPart;
}

// Timers start out of step with each other, as real ones do.
int FirstIntervalMs(int index, bool in_step) { return in_step ? kIntervalMs : kIntervalMs + index % kIntervalMs; }

struct Lateness {
  std::vector<double> samples_ms;

  void Add(int64_t due, int64_t now, int64_t frequency) {
    samples_ms.push_back(static_cast<double>(now - due) * 1000.0 / static_cast<double>(frequency));
  }
  double Mean() const {
    if (samples_ms.empty()) return 0;
    double sum = 0;
    for (double sample : samples_ms) sum += sample;
    return sum / static_cast<double>(samples_ms.size());
  }
  double Percentile99() const {
    if (samples_ms.empty()) return 0;
    std::vector<double> sorted = samples_ms;
    std::sort(sorted.begin(), sorted.end());
    size_t rank = (sorted.size() * 99 + 99) / 100;
    return sorted[std::max<size_t>(rank, 1) - 1];
  }
};

// Pumps this thread's messages until |end| on the counter. The deadline is
// checked between messages: a backlog of timer messages must not stretch
// the run.
void PumpUntil(int64_t end, int64_t frequency) {
  for (;;) {
    int64_t now = Counter();
    if (now >= end) return;
    MSG message;
    if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::DispatchMessageW(&message);
      continue;
    }
    DWORD wait_ms = static_cast<DWORD>((end - now) * 1000 / frequency) + 1;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait_ms, QS_ALLINPUT);
  }
}

void DrainMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
}

struct ServiceFigures {
  Lateness lateness;
  double wake_ups_per_second = 0;
};

// Each timer runs once and re-arms itself, so its due time is known exactly:
// the service counts the next run from the moment it is added.
ServiceFigures MeasureTimerService(int64_t frequency, bool in_step) {
  ui::TimerService* service = ui::TimerService::GetInstance();
  auto owner = std::make_unique<qbase::WeakCallbackFlag>();
  Lateness lateness;
  std::vector<int64_t> due(kTimerCount);
  std::vector<std::function<void()>> runs(kTimerCount);
  const int64_t interval_ticks = frequency * kIntervalMs / 1000;

  for (int i = 0; i < kTimerCount; ++i) {
    runs[i] = [&, i] {
      int64_t now = Counter();
      lateness.Add(due[i], now, frequency);
      due[i] = Counter() + interval_ticks;
      service->AddCancelableTimer(owner->GetWeakFlag(), runs[i], kIntervalMs, 1);
    };
  }
  const uint64_t wake_ups_before = service->wake_up_count();
  for (int i = 0; i < kTimerCount; ++i) {
    due[i] = Counter() + frequency * FirstIntervalMs(i, in_step) / 1000;
    service->AddCancelableTimer(owner->GetWeakFlag(), runs[i], FirstIntervalMs(i, in_step), 1);
  }
  PumpUntil(Counter() + frequency * kRunSeconds, frequency);
  ServiceFigures figures;
  figures.wake_ups_per_second = static_cast<double>(service->wake_up_count() - wake_ups_before) / kRunSeconds;
  owner.reset();
  // Let the dead timers come due and leave the queue.
  PumpUntil(Counter() + frequency / 10, frequency);
  figures.lateness = std::move(lateness);
  return figures;
}

struct WindowTimers {
  Lateness lateness;
  std::vector<int64_t> due;
  int64_t frequency = 1;
};
WindowTimers* g_window_timers = nullptr;

LRESULT CALLBACK BaselineWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && g_window_timers && wparam >= 1 && wparam <= kTimerCount) {
    WindowTimers& timers = *g_window_timers;
    size_t index = wparam - 1;
    timers.lateness.Add(timers.due[index], Counter(), timers.frequency);
    timers.due[index] = Counter() + timers.frequency * kIntervalMs / 1000;
    ::SetTimer(window, wparam, kIntervalMs, nullptr);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

Lateness MeasureWindowTimers(int64_t frequency) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &BaselineWindowProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"TimerPrecisionBaseline";
  ::RegisterClassExW(&window_class);
  HWND window = ::CreateWindowExW(0, window_class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  window_class.hInstance, nullptr);
  WindowTimers timers;
  timers.due.resize(kTimerCount);
  timers.frequency = frequency;
  g_window_timers = &timers;
  for (int i = 0; i < kTimerCount; ++i) {
    timers.due[i] = Counter() + frequency * FirstIntervalMs(i, false) / 1000;
    ::SetTimer(window, i + 1, FirstIntervalMs(i, false), nullptr);
  }
  PumpUntil(Counter() + frequency * kRunSeconds, frequency);
  for (int i = 0; i < kTimerCount; ++i) ::KillTimer(window, i + 1);
  DrainMessages();
  g_window_timers = nullptr;
  ::DestroyWindow(window);
  return timers.lateness;
}

}  // namespace

int main() {
  const int64_t frequency = Frequency();
  ServiceFigures service = MeasureTimerService(frequency, false);
  ServiceFigures in_step = MeasureTimerService(frequency, true);
  Lateness window = MeasureWindowTimers(frequency);

  std::printf("timer_service_runs: %zu runs\n", service.lateness.samples_ms.size());
  std::printf("timer_service_mean_lateness: %.3f ms\n", service.lateness.Mean());
  std::printf("timer_service_p99_lateness: %.3f ms\n", service.lateness.Percentile99());
  std::printf("timer_service_wake_ups: %.1f per s\n", service.wake_ups_per_second);
  std::printf("timer_service_in_step_mean_lateness: %.3f ms\n", in_step.lateness.Mean());
  std::printf("timer_service_in_step_p99_lateness: %.3f ms\n", in_step.lateness.Percentile99());
  std::printf("timer_service_in_step_wake_ups: %.1f per s\n", in_step.wake_ups_per_second);
  std::printf("periodic_16ms_wake_ups: %.1f per s\n", 1000.0 / ui::TimerService::kFastPeriodMs);
  std::printf("window_timer_runs: %zu runs\n", window.samples_ms.size());
  std::printf("window_timer_mean_lateness: %.3f ms\n", window.Mean());
  std::printf("window_timer_p99_lateness: %.3f ms\n", window.Percentile99());
  if (window.Mean() > 0) std::printf("mean_lateness_ratio: %.3f x\n", service.lateness.Mean() / window.Mean());
  if (window.Percentile99() > 0)
    std::printf("p99_lateness_ratio: %.3f x\n", service.lateness.Percentile99() / window.Percentile99());
  std::printf("wake_ups_ratio_to_periodic: %.3f x\n",
              service.wake_ups_per_second * ui::TimerService::kFastPeriodMs / 1000.0);
  std::printf("in_step_wake_ups_ratio_to_periodic: %.3f x\n",
              in_step.wake_ups_per_second * ui::TimerService::kFastPeriodMs / 1000.0);
  return 0;
}
