#include "base/win_io_message_pump.h"

namespace qbase {

WinIOMessagePump::WinIOMessagePump() : port_(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {}

void WinIOMessagePump::WakeForWork() {
  if (::InterlockedExchange(&have_work_, 1) != 0) return;
  // The pump itself as key and record marks the completion as a wake-up.
  if (!::PostQueuedCompletionStatus(port_.get(), 0, reinterpret_cast<ULONG_PTR>(this),
                                    reinterpret_cast<OVERLAPPED*>(this)))
    ::InterlockedExchange(&have_work_, 0);
}

void WinIOMessagePump::WakeAt(int64_t run_time) { delayed_work_time_ = run_time; }

bool WinIOMessagePump::RegisterIOHandler(HANDLE file, IOHandler* handler) {
  return ::CreateIoCompletionPort(file, port_.get(), reinterpret_cast<ULONG_PTR>(handler), 1) == port_.get();
}

void WinIOMessagePump::DoRunLoop() {
  for (;;) {
    bool more_work = state_->delegate->ProcessImmediateWork();
    if (state_->should_quit) break;
    more_work |= WaitForIOCompletion(0);
    if (state_->should_quit) break;
    more_work |= state_->delegate->ProcessDelayedWork(&delayed_work_time_);
    if (state_->should_quit) break;
    if (more_work) continue;

    more_work = state_->delegate->ProcessIdleWork();
    if (state_->should_quit) break;
    if (more_work) continue;

    WaitForIOCompletion(ToWaitMilliseconds(CurrentDelay()));
    if (state_->should_quit) break;
  }
}

bool WinIOMessagePump::IsWakeUp(ULONG_PTR key, OVERLAPPED* overlapped) const {
  return key == reinterpret_cast<ULONG_PTR>(this) && overlapped == reinterpret_cast<const OVERLAPPED*>(this);
}

bool WinIOMessagePump::WaitForIOCompletion(DWORD timeout_ms) {
  DWORD bytes = 0;
  DWORD error = 0;
  ULONG_PTR key = 0;
  OVERLAPPED* overlapped = nullptr;
  if (!::GetQueuedCompletionStatus(port_.get(), &bytes, &key, &overlapped, timeout_ms)) {
    if (!overlapped) return false;  // timed out
    error = ::GetLastError();
    bytes = 0;
  }
  if (IsWakeUp(key, overlapped)) {
    ::InterlockedExchange(&have_work_, 0);
    return true;
  }

  auto* context = reinterpret_cast<IOContext*>(overlapped);
  if (context->handler) {
    observers_.Notify([](IOObserver* observer) { observer->BeforeCompletion(); });
    context->handler->OnIOCompleted(context, bytes, error);
    observers_.Notify([](IOObserver* observer) { observer->AfterCompletion(); });
  } else {
    // Nobody waits for this operation: its context was left to the pump.
    delete context;
  }
  return true;
}

}  // namespace qbase
