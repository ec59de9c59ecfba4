#pragma once

#include "base/framework_thread.h"

namespace tarnwell {

// The UI thread: runs on the process's main thread under UiThreadId.
class MainThread : public qbase::FrameworkThread {
 public:
  MainThread();

 protected:
  void Init() override;
  void Cleanup() override;
};

}  // namespace tarnwell
