#include "base/time_ticks.h"

#include <windows.h>
#include <mmsystem.h>

#include "base/lock.h"

namespace qbase {

int64_t TimeTicks::Now() {
  // Readings from all threads go through one counter, so a wrap seen by one
  // thread is never counted twice.
  static Lock lock;
  static WrapAroundCounter counter;
  AutoLock guard(lock);
  return counter.Extend(::timeGetTime()) * kMicrosecondsPerMillisecond;
}

}  // namespace qbase
