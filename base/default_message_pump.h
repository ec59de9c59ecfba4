#pragma once

#include "base/message_pump.h"
#include "base/unique_handle.h"

namespace qbase {

// The pump of plain loops: an auto-reset event and a timed wait.
class DefaultMessagePump : public MessagePump {
 public:
  DefaultMessagePump();

  void Run(Delegate* delegate) override;
  void Quit() override;
  void WakeForWork() override;
  void WakeAt(int64_t run_time) override;

 private:
  UniqueKernelHandle wake_event_;
  bool should_quit_ = false;
  int64_t delayed_work_time_ = 0;
};

}  // namespace qbase
