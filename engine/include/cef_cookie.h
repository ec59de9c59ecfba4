#pragma once

#include <vector>

#include "include/cef_base.h"
#include "include/cef_string.h"

class CefCompletionCallback : public virtual CefBaseRefCounted {
 public:
  virtual void OnComplete() = 0;
};

class CefCookieManager : public virtual CefBaseRefCounted {
 public:
  // Null while the engine is not running.
  static CefRefPtr<CefCookieManager> GetGlobalManager(CefRefPtr<CefCompletionCallback> callback);

  virtual void SetSupportedSchemes(const std::vector<CefString>& schemes, bool include_defaults,
                                   CefRefPtr<CefCompletionCallback> callback) = 0;
};
