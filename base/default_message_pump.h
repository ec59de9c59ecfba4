#pragma once

#include <windows.h>

#include "base/message_pump.h"

namespace qbase {

// The pump of plain loops: a wake-up flag under a slim lock and a timed wait
// on a condition variable. Under Wine these wait and wake inside the
// process, where an event costs a trip to its server on each side.
class DefaultMessagePump : public MessagePump {
 public:
  void Run(Delegate* delegate) override;
  void Quit() override;
  void WakeForWork() override;
  void WakeAt(int64_t run_time) override;

 private:
  // Waits until woken or |timeout_ms| passed, and takes the wake-up.
  void Wait(DWORD timeout_ms);

  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE wake_ = CONDITION_VARIABLE_INIT;
  bool woken_ = false;  // under lock_
  bool should_quit_ = false;
  int64_t delayed_work_time_ = 0;
};

}  // namespace qbase
