#pragma once

#include "include/cef_base.h"
#include "include/cef_command_line.h"
#include "include/cef_values.h"

class CefPrintHandler : public virtual CefBaseRefCounted {};

// Browser-process events; they arrive on the engine's UI thread.
class CefBrowserProcessHandler : public virtual CefBaseRefCounted {
 public:
  virtual void OnContextInitialized() {}
  virtual void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) {}
  virtual void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) {}
  virtual CefRefPtr<CefPrintHandler> GetPrintHandler() { return nullptr; }
  virtual void OnScheduleMessagePumpWork(int64_t delay_ms) {}
};
