#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "base/closure.h"
#include "include/cef_cookie.h"

namespace engine {

// The engine's one cookie store, as far as its schemes go: the browser
// program of the real engine keeps the cookies themselves, and the schemes
// named here are its defaults.
class CookieManagerImpl : public CefCookieManager {
 public:
  // Completions run through this poster, on the engine's UI thread.
  using Poster = std::function<bool(qbase::Closure task)>;
  explicit CookieManagerImpl(Poster post) : post_(std::move(post)) {}

  std::vector<CefString> schemes();
  bool include_defaults();

  void SetSupportedSchemes(const std::vector<CefString>& schemes, bool include_defaults,
                           CefRefPtr<CefCompletionCallback> callback) override;

 private:
  Poster post_;
  std::mutex lock_;
  std::vector<CefString> schemes_;
  bool include_defaults_ = true;
  IMPLEMENT_REFCOUNTING(CookieManagerImpl);
};

}  // namespace engine
