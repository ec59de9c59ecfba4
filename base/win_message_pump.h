#pragma once

#include <windows.h>

#include <cstdint>

#include "base/message_pump.h"

namespace qbase {

// What the two Windows pumps share: run states that nest with the runs, the
// delayed work time and the have-work flag that keeps at most one wake-up
// outstanding.
class WinMessagePump : public MessagePump {
 public:
  // Takes over dispatching of window messages during one run.
  class Dispatcher {
   public:
    virtual ~Dispatcher() = default;
    // False ends the run.
    virtual bool Dispatch(const MSG& message) = 0;
  };

  void Run(Delegate* delegate) override;
  void RunWithDispatcher(Delegate* delegate, Dispatcher* dispatcher);
  void Quit() override;

  // Milliseconds until the delayed work time: -1 when there is none, 0 when
  // it has passed.
  static int64_t DelayUntil(int64_t delayed_work_time, int64_t now);
  // A delay for the operating system's waits: -1 stays unlimited, anything
  // that does not fit below INFINITE is cut to 0xFFFFFFFE.
  static DWORD ToWaitMilliseconds(int64_t delay_ms);

 protected:
  struct RunState {
    int run_depth = 1;
    bool should_quit = false;
    Delegate* delegate = nullptr;
    Dispatcher* dispatcher = nullptr;
  };

  virtual void DoRunLoop() = 0;
  int64_t CurrentDelay() const;

  int64_t delayed_work_time_ = 0;
  volatile LONG have_work_ = 0;
  RunState* state_ = nullptr;
};

}  // namespace qbase
