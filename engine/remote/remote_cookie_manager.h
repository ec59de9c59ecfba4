#pragma once

#include <mutex>
#include <vector>

#include "include/cef_cookie.h"

namespace remote {

// The browser program keeps the cookies; the schemes the client names are
// the browser's own defaults, so they are only recorded.
class RemoteCookieManager : public CefCookieManager {
 public:
  std::vector<CefString> schemes();
  bool include_defaults();

  void SetSupportedSchemes(const std::vector<CefString>& schemes, bool include_defaults,
                           CefRefPtr<CefCompletionCallback> callback) override;

 private:
  std::mutex lock_;
  std::vector<CefString> schemes_;
  bool include_defaults_ = true;
  IMPLEMENT_REFCOUNTING(RemoteCookieManager);
};

}  // namespace remote
