#pragma once

#include <windows.h>

#include "base/win_message_pump.h"

namespace qiv_comp {

// Runs the engine's pending work from the UI thread's message loop, for the
// arrangement in which the engine shares the application's UI thread. It
// stays idle for paint and mouse-move traffic unless work is pending, and
// works once the queue has drained.
class CefMessageLoopDispatcher : public qbase::WinMessagePump::Dispatcher {
 public:
  ~CefMessageLoopDispatcher() override = default;
  bool Dispatch(const MSG& message) override;

  static bool work_pending() { return work_pending_ != 0; }

 private:
  // Process-wide: one engine, one UI thread.
  static int work_pending_;
};

}  // namespace qiv_comp
