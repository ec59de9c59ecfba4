#pragma once

#include <cstdint>
#include <string>

#include "base/closure.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_cookie.h"

namespace engine {

// One engine as the process functions reach it from the browser process's
// threads. The renderer side is reached through the renderer's thread
// instead, whichever engine made it.
class EngineImplementation {
 public:
  virtual ~EngineImplementation() = default;

  virtual bool Initialize(const CefSettings& settings, CefRefPtr<CefApp> app) = 0;
  // Only the thread that initialised the engine may end it.
  virtual void Shutdown() = 0;
  // From a successful Initialize until the end of Shutdown.
  virtual bool IsRunning() = 0;
  virtual void Log(cef_log_severity_t severity, const std::wstring& text) = 0;

  // The engine's UI thread: its work done now (for a program that runs it
  // on its own thread), a task posted to it, whether it is the caller's.
  virtual void DoMessageLoopWork() = 0;
  virtual bool PostUi(qbase::Closure task) = 0;
  virtual bool OnUi() = 0;

  virtual bool CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                             const std::wstring& url) = 0;
  virtual CefRefPtr<CefCookieManager> GlobalCookieManager(CefRefPtr<CefCompletionCallback> callback) = 0;
};

}  // namespace engine
