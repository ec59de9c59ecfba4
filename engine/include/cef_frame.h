#pragma once

#include "include/cef_base.h"
#include "include/cef_types.h"

class CefBrowser;
class CefProcessMessage;
class CefV8Context;

class CefFrame : public virtual CefBaseRefCounted {
 public:
  virtual void LoadURL(const CefString& url) = 0;
  virtual bool IsMain() = 0;
  virtual CefString GetURL() = 0;
  virtual int64_t GetIdentifier() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  // Only in a renderer, on its main thread; null elsewhere.
  virtual CefRefPtr<CefV8Context> GetV8Context() = 0;
  // The other side receives a copy; the sender's message stays its own.
  virtual void SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) = 0;
};
