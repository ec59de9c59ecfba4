#pragma once

#include <mutex>
#include <vector>

#include "include/cef_cookie.h"

namespace inproc {

// The engine's one cookie store, as far as its schemes go.
class CookieManagerImpl : public CefCookieManager {
 public:
  std::vector<CefString> schemes();
  bool include_defaults();

  void SetSupportedSchemes(const std::vector<CefString>& schemes, bool include_defaults,
                           CefRefPtr<CefCompletionCallback> callback) override;

 private:
  std::mutex lock_;
  std::vector<CefString> schemes_;
  bool include_defaults_ = true;
  IMPLEMENT_REFCOUNTING(CookieManagerImpl);
};

}  // namespace inproc
