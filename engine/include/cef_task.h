#pragma once

#include "include/cef_base.h"
#include "include/cef_types.h"

class CefTask : public virtual CefBaseRefCounted {
 public:
  virtual void Execute() = 0;
};

// False when the thread is not running (before start-up, after shutdown).
bool CefPostTask(CefThreadId thread_id, CefRefPtr<CefTask> task);
bool CefCurrentlyOn(CefThreadId thread_id);
