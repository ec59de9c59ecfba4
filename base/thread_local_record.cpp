#include "base/thread_local_record.h"

#include "base/thread_local_slot.h"

namespace qbase {

namespace {
ThreadLocalSlot g_record_slot;
}  // namespace

ThreadLocalRecord* ThreadLocalRecord::Current() { return static_cast<ThreadLocalRecord*>(g_record_slot.Get()); }

void ThreadLocalRecord::SetCurrent(ThreadLocalRecord* record) { g_record_slot.Set(record); }

}  // namespace qbase
