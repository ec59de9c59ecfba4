#include "base/win_message_pump.h"

#include <cmath>

#include "base/time_ticks.h"

namespace qbase {

void WinMessagePump::Run(Delegate* delegate) { RunWithDispatcher(delegate, nullptr); }

void WinMessagePump::RunWithDispatcher(Delegate* delegate, Dispatcher* dispatcher) {
  RunState state;
  state.run_depth = state_ ? state_->run_depth + 1 : 1;
  state.delegate = delegate;
  state.dispatcher = dispatcher;
  RunState* previous = state_;
  state_ = &state;
  DoRunLoop();
  state_ = previous;
}

void WinMessagePump::Quit() {
  if (state_) state_->should_quit = true;
}

int64_t WinMessagePump::DelayUntil(int64_t delayed_work_time, int64_t now) {
  if (delayed_work_time == 0) return -1;
  double left_ms = std::ceil(static_cast<double>(delayed_work_time - now) / 1000.0);
  return left_ms > 0 ? static_cast<int64_t>(left_ms) : 0;
}

DWORD WinMessagePump::ToWaitMilliseconds(int64_t delay_ms) {
  if (delay_ms < 0) return INFINITE;
  if (delay_ms >= int64_t{INFINITE}) return INFINITE - 1;
  return static_cast<DWORD>(delay_ms);
}

int64_t WinMessagePump::CurrentDelay() const {
  return DelayUntil(delayed_work_time_, delayed_work_time_ ? TimeTicks::Now() : 0);
}

}  // namespace qbase
