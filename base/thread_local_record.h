#pragma once

#include <cstdint>

namespace qbase {

class FrameworkThread;

// What a thread inside FrameworkThread::Run knows about itself.
struct ThreadLocalRecord {
  FrameworkThread* thread = nullptr;
  bool quit = false;
  int32_t registration_count = 0;
  int32_t identifier = -1;  // -1: not registered

  // The calling thread's record, or null outside FrameworkThread::Run.
  static ThreadLocalRecord* Current();
  static void SetCurrent(ThreadLocalRecord* record);
};

}  // namespace qbase
